// The dialog functions. They go through the host's user interface when the
// engine has one; without one they answer at once with their defaults: the
// default text, FALSE, mrCancel, nothing shown.
#include <array>
#include <string>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/MiscFunctions.h"

namespace fxe::misc {

namespace {

// ORDER TMsgDlgType, TMsgDlgBtn, TModalResult
constexpr std::array<std::string_view, 5> kDialogTypeNames = {"mtWarning", "mtError", "mtInformation", "mtConfirmation",
                                                              "mtCustom"};
constexpr std::array<std::string_view, 11> kButtonNames = {"mbYes",     "mbNo",       "mbOK",     "mbCancel",
                                                           "mbAbort",   "mbRetry",    "mbIgnore", "mbAll",
                                                           "mbNoToAll", "mbYesToAll", "mbHelp"};
constexpr std::array<std::string_view, 11> kResultNames = {"mrYes",     "mrNo",       "mrOk",     "mrCancel",
                                                           "mrAbort",   "mrRetry",    "mrIgnore", "mrAll",
                                                           "mrNoToAll", "mrYesToAll", "mrHelp"};
static_assert(kDialogTypeNames.size() == mtCustom + 1);
static_assert(kButtonNames.size() == mbHelp + 1);
static_assert(kResultNames.size() == mrHelp + 1);

IHostDialogs* DialogsOf(TArguments& arguments) {
  IInferenceEngine* engine = arguments.EngineOrNull();
  return engine ? engine->Dialogs() : nullptr;
}

std::string TextOr(TArguments& arguments, std::int32_t index) {
  return index < arguments.Count() ? arguments.Text(index) : std::string();
}

TMsgDlgType DialogType(std::string_view name) {
  for (std::size_t i = 0; i < kDialogTypeNames.size(); ++i) {
    if (kDialogTypeNames[i] == name) return static_cast<TMsgDlgType>(i);
  }
  Raise<EIEException>(IEConsts::SInvalidDialogType, name);
}

void AddButton(TMsgDlgButtons& buttons, std::string_view name) {
  for (std::size_t i = 0; i < kButtonNames.size(); ++i) {
    if (kButtonNames[i] == name) {
      buttons.Include(static_cast<TMsgDlgBtn>(i));
      return;
    }
  }
  Raise<EIEException>(IEConsts::SInvalidDialogButton, name);
}

// The buttons named in a text such as "[mbYes, mbNo]" or "mbYes mbNo".
void AddButtons(TMsgDlgButtons& buttons, std::string_view text) {
  constexpr std::string_view separators = " \t\r\n,[]";
  std::size_t start = text.find_first_not_of(separators);
  while (start != std::string_view::npos) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    AddButton(buttons, text.substr(start, end - start));
    start = text.find_first_not_of(separators, end);
  }
}

// A multifield of button names, or one text naming them.
TMsgDlgButtons DialogButtons(const TIEValue& value) {
  TMsgDlgButtons buttons;
  if (value.DType() == dtList) {
    for (const TRef<TIEValue>& item : *value.AsList()) {
      if (item) AddButtons(buttons, item->AsString());
    }
  } else {
    AddButtons(buttons, value.AsString());
  }
  return buttons;
}

}  // namespace

TRef<TIEValue> InputBox(TArguments& arguments) {
  const std::string caption = TextOr(arguments, 0);
  const std::string prompt = TextOr(arguments, 1);
  std::string text = TextOr(arguments, 2);
  if (IHostDialogs* dialogs = DialogsOf(arguments)) {
    if (std::optional<std::string> entered = dialogs->InputQuery(caption, prompt, text)) text = std::move(*entered);
  }
  return NewString(text);
}

TRef<TIEValue> InputQuery(TArguments& arguments) {
  const std::string caption = TextOr(arguments, 0);
  const std::string prompt = TextOr(arguments, 1);
  const std::string text = TextOr(arguments, 2);
  IHostDialogs* dialogs = DialogsOf(arguments);
  if (!dialogs) return SharedValues().False;
  std::optional<std::string> entered = dialogs->InputQuery(caption, prompt, text);
  return entered ? NewString(*entered) : SharedValues().False;
}

TRef<TIEValue> MessageDlg(TArguments& arguments) {
  const std::string message = arguments.Text(0);
  const TMsgDlgType kind = DialogType(arguments.Text(1));
  const TMsgDlgButtons buttons = arguments.Count() > 2 ? DialogButtons(*arguments.Value(2)) : TMsgDlgButtons();
  const std::int32_t helpContext = arguments.Count() > 3 ? arguments.Integer(3) : 0;
  TModalResult result = mrCancel;
  if (IHostDialogs* dialogs = DialogsOf(arguments))
    result = dialogs->MessageDialog(message, kind, buttons, helpContext);
  const auto index = static_cast<std::size_t>(result);
  return NewAtom(index < kResultNames.size() ? kResultNames[index] : kResultNames[mrCancel]);
}

TRef<TIEValue> ShowMessage(TArguments& arguments) {
  const std::string message = arguments.Text(0);
  if (IHostDialogs* dialogs = DialogsOf(arguments)) dialogs->ShowMessage(message);
  return nullptr;
}

}  // namespace fxe::misc
