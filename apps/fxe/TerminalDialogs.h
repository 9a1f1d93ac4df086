// The dialog functions on a terminal: a message is a line of text, a choice
// of buttons or a query is a prompt answered by a line of standard input.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "rete/IHostDialogs.h"

namespace fxe::shell {

class TTerminalDialogs final : public IHostDialogs {
 public:
  // readLine gives the next line of input, nullopt at its end; write shows text.
  using TReadLine = std::function<std::optional<std::string>()>;
  using TWrite = std::function<void(std::string_view text)>;

  TTerminalDialogs(TReadLine readLine, TWrite write) : readLine_(std::move(readLine)), write_(std::move(write)) {}

  // "caption: prompt [default] "; an empty answer takes the default, the end
  // of input cancels.
  std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                        std::string_view defaultText) override;
  // The message and the buttons' names; the answer is a button's name or its
  // first letters, in any case. An answer that names none asks again; the
  // end of input chooses Cancel (or the last button when there is none).
  TModalResult MessageDialog(std::string_view message, TMsgDlgType kind, TMsgDlgButtons buttons,
                             std::int32_t helpContext) override;
  void ShowMessage(std::string_view message) override;

 private:
  TReadLine readLine_;
  TWrite write_;
};

}  // namespace fxe::shell
