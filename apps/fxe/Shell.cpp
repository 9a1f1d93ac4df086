// The fxe command's engine host: output and error routing, and the prompt.
#include "Shell.h"

#include <unistd.h>

#include <array>
#include <iostream>
#include <new>

#include "FormReader.h"
#include "LineEditor.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"

namespace fxe::shell {

namespace {

constexpr std::array<std::string_view, 6> kConstructKeywords{"deffacts", "deffunction", "defglobal",
                                                             "defrule",  "deftemplate", "deftype"};

// Text with every CR LF written as LF.
std::string WithoutReturns(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  return result;
}

}  // namespace

TShell::TShell(bool crlf)
    : dialogs_(
          [this]() -> std::optional<std::string> {
            std::string line = ReadInputLine();
            if (inputEnded_) return std::nullopt;
            return line;
          },
          [this](std::string_view text) {
            FlushPendingReturn();
            std::fwrite(text.data(), 1, text.size(), stdout);
          }),
      crlf_(crlf) {
  engine_.SetDialogs(&dialogs_);
  engine_.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { WriteOutput(text); });
  engine_.SetParserErrorHandling(ehRaiseAllAtEnd);
  engine_.SetOnReadLine([this](TInferenceEngine&, std::string_view, std::string& text) { text = ReadInputLine(); });
  engine_.SetOnReadToken(
      [this](TInferenceEngine&, std::string_view, TRef<IStreamToken>& token) { token = ReadInputToken(); });
  engine_.SetOnParseError([this](TInferenceEngine&, std::string_view message, std::int32_t) {
    ReportError(message);
    failed_ = true;
  });
}

TShell::~TShell() { Finish(); }

void TShell::Finish() {
  FlushPendingReturn();
  engine_.CloseFileStreams();
  engine_.DribbleOff();
  std::fflush(stdout);
}

void TShell::WriteOutput(std::string_view text) {
  if (text.empty()) return;
  if (crlf_) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  std::string converted;
  if (pendingReturn_) {
    pendingReturn_ = false;
    if (text.front() != '\n') converted += '\r';
  }
  converted += WithoutReturns(text);
  if (!converted.empty() && converted.back() == '\r') {
    converted.pop_back();
    pendingReturn_ = true;
  }
  std::fwrite(converted.data(), 1, converted.size(), stdout);
}

std::string TShell::ReadInputLine() {
  // What was printed (a prompt) shows before the program waits.
  std::fflush(stdout);
  std::string line;
  if (!std::getline(std::cin, line)) {
    inputEnded_ = true;
    engine_.SetStandardInputEnded(true);
    return {};
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

TRef<IStreamToken> TShell::ReadInputToken() {
  for (;;) {
    if (inputTokens_) {
      TRef<IStreamToken> token = inputTokens_->ReadRawToken();
      if (token->DataType() != tkEndOfInput) return token;
    }
    std::string line = ReadInputLine();
    // At the end of input the line's end-of-input token is the answer.
    inputTokens_ = TIERuleStream::FromText(std::move(line), &engine_);
    if (inputEnded_) return inputTokens_->ReadRawToken();
  }
}

void TShell::FlushPendingReturn() {
  if (!pendingReturn_) return;
  pendingReturn_ = false;
  std::fputc('\r', stdout);
}

void TShell::ReportError(std::string_view message) {
  // The output so far comes first when both streams go to one terminal.
  std::fflush(stdout);
  std::string line = crlf_ ? std::string(message) : WithoutReturns(message);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  line += crlf_ ? "\r\n" : "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void TShell::Run(std::string_view text) {
  if (exited_) return;
  try {
    engine_.Parse(text, true);
  } catch (const EExit&) {
    exited_ = true;
  } catch (const EAbort&) {
    // A silent abort ends the text it came from.
  } catch (const std::bad_alloc&) {
    // Out of memory outside any one form (under --max-memory): what the
    // text held is released by now, so the shell can report and go on.
    ReportError(IEConsts::SFormOutOfMemory);
    failed_ = true;
  } catch (const std::exception& error) {
    // What the form loop lets out (a failure outside any one form).
    ReportError(error.what());
    failed_ = true;
  }
}

std::vector<std::string> TShell::CompletionWords() const {
  std::vector<std::string> words(kConstructKeywords.begin(), kConstructKeywords.end());
  for (const auto& entry : engine_.FunctionTable()) words.push_back(entry.Key());
  for (const auto& entry : engine_.FactTemplateTable()) words.push_back(entry.Key());
  for (const auto& entry : engine_.RuleTable()) words.push_back(entry.Key());
  for (const auto& entry : engine_.GlobalVariableTable()) words.push_back("?*" + entry.Key() + "*");
  return words;
}

void TShell::Interactive() {
  TLineEditor editor(DefaultHistoryFile(), [this] { return CompletionWords(); });
  std::string form;
  for (;;) {
    std::fflush(stdout);
    const std::optional<std::string> line = editor.ReadLine(form.empty() ? "fxe> " : "...> ");
    if (!line || exited_) break;
    form += *line;
    form += '\n';
    if (!FormComplete(form)) {
      // Only blanks or a comment: nothing to run, nothing to wait for.
      if (form.find_first_not_of(" \t\r\n") == std::string::npos) form.clear();
      continue;
    }
    editor.Remember(form);
    Run(form);
    form.clear();
    if (exited_) break;
  }
  if (!form.empty()) Run(form);
  std::fputc('\n', stdout);
}

}  // namespace fxe::shell
