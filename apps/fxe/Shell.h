// The fxe command: one inference engine that runs rule programs from files,
// from the command line or typed at an interactive prompt, with the engine's
// output on standard output and each failing form reported on standard error.
// It uses only the engine's public interface, as any embedding application would.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TerminalDialogs.h"
#include "engine/InferenceEngine.h"

namespace fxe::shell {

class TShell {
 public:
  // crlf keeps the engine's CR LF line ends on standard output; otherwise
  // they are written as LF.
  explicit TShell(bool crlf);
  TShell(const TShell&) = delete;
  TShell& operator=(const TShell&) = delete;
  ~TShell();

  TInferenceEngine& Engine() noexcept { return engine_; }

  // Runs the text form by form with commands executed; a failing form is
  // reported and the next one runs.
  void Run(std::string_view text);
  // The prompt: reads forms until end of input (or exit), running each.
  void Interactive();

  // Whether (exit) was called: nothing more runs.
  bool Exited() const noexcept { return exited_; }
  // Whether any form failed so far.
  bool Failed() const noexcept { return failed_; }
  // The status the program ends with: 1 after any failure, else 0.
  int ExitStatus() const noexcept { return failed_ ? 1 : 0; }

  // Writes a message of the shell itself as one line on standard error.
  void ReportError(std::string_view message);

  // Writes the output still held and closes the engine's files and dribble
  // file: all a process needs before it ends without tearing the engine down.
  void Finish();

 private:
  void WriteOutput(std::string_view text);
  // A line of standard input for read and readline on t.
  std::string ReadInputLine();
  // The next token of standard input for read on t; the rest of its line
  // waits for the next read.
  TRef<IStreamToken> ReadInputToken();
  void FlushPendingReturn();
  std::vector<std::string> CompletionWords() const;

  TInferenceEngine engine_;
  TTerminalDialogs dialogs_;
  bool crlf_;
  bool failed_ = false;
  bool exited_ = false;
  bool inputEnded_ = false;
  std::unique_ptr<TIERuleStream> inputTokens_;
  // A CR that ended the last output, held until the next text shows whether
  // an LF follows it.
  bool pendingReturn_ = false;
};

}  // namespace fxe::shell
