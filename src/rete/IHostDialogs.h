// The user interface a host may lend the engine for the dialog functions:
// asking for a line of text, a message with a choice of buttons, a plain
// message. A host without one leaves the engine's dialogs unset and the
// functions answer with their defaults.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "collections/EnumSet.h"

namespace fxe {

// The kind of a message, which the host shows as its icon and caption.
enum TMsgDlgType : std::uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// The buttons a message may offer: bit n is member n.
enum TMsgDlgBtn : std::uint8_t {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TEnumSet<TMsgDlgBtn>;

// The button the user chose (members in the order of TMsgDlgBtn).
enum TModalResult : std::uint8_t {
  mrYes,
  mrNo,
  mrOk,
  mrCancel,
  mrAbort,
  mrRetry,
  mrIgnore,
  mrAll,
  mrNoToAll,
  mrYesToAll,
  mrHelp
};

class IHostDialogs {
 public:
  // Asks for a line of text; the text entered, or nothing when the user cancelled.
  virtual std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                                std::string_view defaultText) = 0;
  // Shows the message with the buttons and waits for the user's choice.
  virtual TModalResult MessageDialog(std::string_view message, TMsgDlgType kind, TMsgDlgButtons buttons,
                                     std::int32_t helpContext) = 0;
  // Shows the message with one confirming button.
  virtual void ShowMessage(std::string_view message) = 0;

 protected:
  ~IHostDialogs() = default;
};

}  // namespace fxe
