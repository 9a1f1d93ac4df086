// Terminal prompts for the dialog functions.
#include "TerminalDialogs.h"

#include <array>
#include <cctype>

namespace fxe::shell {

namespace {

// The buttons' names, in the order of TMsgDlgBtn (and of TModalResult).
constexpr std::array<std::string_view, 11> kButtonNames{"Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
                                                        "Ignore", "All", "NoToAll", "YesToAll", "Help"};
constexpr std::array<std::string_view, 5> kKindNames{"Warning", "Error", "Information", "Confirmation", ""};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (prefix.empty() || prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::string> TTerminalDialogs::InputQuery(std::string_view caption, std::string_view prompt,
                                                        std::string_view defaultText) {
  std::string question;
  if (!caption.empty()) question.append(caption).append(": ");
  question.append(prompt);
  if (!defaultText.empty()) question.append(" [").append(defaultText).append("]");
  question += ' ';
  write_(question);
  std::optional<std::string> answer = readLine_();
  if (!answer) return std::nullopt;
  if (answer->empty()) return std::string(defaultText);
  return answer;
}

TModalResult TTerminalDialogs::MessageDialog(std::string_view message, TMsgDlgType kind, TMsgDlgButtons buttons,
                                             std::int32_t) {
  if (buttons.Empty()) buttons = TMsgDlgButtons{mbOK};
  std::string question;
  if (!kKindNames[kind].empty()) question.append(kKindNames[kind]).append(": ");
  question.append(message).append(" (");
  TMsgDlgBtn last = mbOK;
  for (std::size_t i = 0; i < kButtonNames.size(); ++i) {
    const auto button = static_cast<TMsgDlgBtn>(i);
    if (!buttons.Contains(button)) continue;
    if (question.back() != '(') question += '/';
    question.append(kButtonNames[i]);
    last = button;
  }
  question += ") ";
  for (;;) {
    write_(question);
    const std::optional<std::string> answer = readLine_();
    if (!answer) return static_cast<TModalResult>(buttons.Contains(mbCancel) ? mbCancel : last);
    const std::string_view text = Trimmed(*answer);
    for (std::size_t i = 0; i < kButtonNames.size(); ++i)
      if (buttons.Contains(static_cast<TMsgDlgBtn>(i)) && StartsWithIgnoringCase(kButtonNames[i], text))
        return static_cast<TModalResult>(i);
  }
}

void TTerminalDialogs::ShowMessage(std::string_view message) {
  std::string line(message);
  line += '\n';
  write_(line);
}

}  // namespace fxe::shell
