// The miscellaneous package's table of functions, in registration order.
#include "packages/MiscPackage.h"

#include "base/IEConsts.h"
#include "packages/MiscFunctions.h"

namespace fxe {

namespace {

using namespace IEConsts;
constexpr std::int32_t Many = UnlimitedArguments;
constexpr std::string_view kDateArgument = " <system-date-numeric-expression>";
constexpr std::string_view kTimeArgument = " <system-time-numeric-expression>";
constexpr std::string_view kDialogArguments = " [<caption-string> [<prompt-string> [<default-string>]]]";

constexpr TFunctionRow kRows[] = {
    {"decode-year", kDateArgument, SHelpDecodeYear, 1, 1, misc::DecodeYear},
    {"decode-month", kDateArgument, SHelpDecodeMonth, 1, 1, misc::DecodeMonth},
    {"decode-day", kDateArgument, SHelpDecodeDay, 1, 1, misc::DecodeDay},
    {"decode-hour", kTimeArgument, SHelpDecodeHour, 1, 1, misc::DecodeHour},
    {"decode-minute", kTimeArgument, SHelpDecodeMinute, 1, 1, misc::DecodeMinute},
    {"decode-second", kTimeArgument, SHelpDecodeSecond, 1, 1, misc::DecodeSecond},
    {"decode-millisecond", kTimeArgument, SHelpDecodeMillisecond, 1, 1, misc::DecodeMillisecond},
    {"encode-date", " <year-integer-expression> [<month-integer-expression> [<day-integer-expression>]]",
     SHelpEncodeDate, 1, Many, misc::EncodeDate},
    {"encode-time",
     " <hour-integer-expression> [<minute-integer-expression> [<second-integer-expression> "
     "[<millisecond-integer-expression>]]]",
     SHelpEncodeTime, 1, Many, misc::EncodeTime},
    {"system-datetime", "", SHelpSystemDateTime, 0, 0, misc::SystemDateTime},
    {"system-date", "", SHelpSystemDate, 0, 0, misc::SystemDate},
    {"system-time", "", SHelpSystemTime, 0, 0, misc::SystemTime},
    {"str-datetime", " <string-expression> ", SHelpStrDateTime, 1, Many, misc::StrDateTime},
    {"str-date", " <string-expression> ", SHelpStrDate, 1, Many, misc::StrDate},
    {"str-time", " <string-expression> ", SHelpStrTime, 1, Many, misc::StrTime},
    {"datetime-str", " <numeric-expression> ", SHelpDateTimeStr, 1, Many, misc::DateTimeStr},
    {"date-str", " <numeric-expression> ", SHelpDateStr, 1, Many, misc::DateStr},
    {"time-str", " <numeric-expression> ", SHelpTimeStr, 1, Many, misc::TimeStr},
    {"datetime-str-format", " <numeric-expression> <format-string-expression>", SHelpDateTimeStrFormat, 1, Many,
     misc::DateTimeStrFormat},
    {"guard", "<function-call-argument>+", SHelpGuard, 1, Many, misc::Guard},
    {"parse", "<string-expression>", SHelpParse, 1, 1, misc::Parse},
    {"time", "", SHelpTime, 0, 0, misc::Time},
    {"agenda", "", SHelpAgenda, 0, 0, misc::Agenda},
    {"get-dynamic-constraint-checking", "", SHelpGetDynamicChecking, 0, 0, misc::GetDynamicChecking},
    {"get-static-constraint-checking", "", SHelpGetStaticChecking, 0, 0, misc::GetStaticChecking},
    {"input-box", kDialogArguments, SHelpInputBox, 0, 3, misc::InputBox},
    {"input-query", kDialogArguments, SHelpInputQuery, 0, 3, misc::InputQuery},
    {"message-dlg",
     " <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom <string-set-expression> "
     "[<integer-expression>]",
     SHelpMessageDlg, 2, 4, misc::MessageDlg},
    {"show-message", " <string-expression> ", SHelpShowMessage, 1, 1, misc::ShowMessage},
    {"list-defrules", "", SHelpListDefRules, 0, 0, misc::ListDefRules},
    {"list-deftypes", "", SHelpListDefTypes, 0, 0, misc::ListDefTypes},
    {"list-deffacts", "", SHelpListDefFacts, 0, 0, misc::ListDefFacts},
    {"list-deffunctions", "", SHelpListDefFunctions, 0, 1, misc::ListDefFunctions},
    {"list-deftemplates", "", SHelpListDefTemplates, 0, 0, misc::ListDefTemplates},
    {"ppdeffacts", " <fact-set-name>", SHelpPPDefFacts, 1, 1, misc::PPDefFacts},
    {"ppdeffunction", " <function-name>", SHelpPPDefFunction, 1, 1, misc::PPDefFunction},
    {"ppdeftemplate", " <fact-template-name>", SHelpPPDefTemplate, 1, 1, misc::PPDefTemplate},
    {"ppdefrule", " <rulename>", SHelpPPDefRule, 1, 1, misc::PPDefRule},
    {"ppdeftype", " <type-name>", SHelpPPDefType, 1, 1, misc::PPDefType},
    {"set-reset-globals", " [<boolean-expression>]", SHelpSetResetGlobals, 0, 1, misc::SetResetGlobals},
    {"setgen", " <integer-expression>", SHelpSetGen, 1, 1, misc::SetGen},
    {"set-dynamic-constraint-checking", " <boolean-expression>", SHelpSetDynamicChecking, 1, 1,
     misc::SetDynamicChecking},
    {"set-static-constraint-checking", " <boolean-expression>", SHelpSetStaticChecking, 1, 1, misc::SetStaticChecking},
    {"facts", " [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]", SHelpFacts, 0, 3,
     misc::Facts},
    {"rules", "[<logical-name>]", SHelpRules, 0, 1, misc::Rules},
    {"undeffacts", " <fact-set-name>", SHelpUndefFacts, 1, 1, misc::UndefFacts},
    {"undeffunction", " <function-name>", SHelpUndefFunction, 1, 1, misc::UndefFunction},
    {"undefrule", " <rule-name>", SHelpUndefRule, 1, 1, misc::UndefRule},
    {"undeftemplate", " <fact-template-name>", SHelpUndefTemplate, 1, 1, misc::UndefTemplate},
    {"undeftype", "<defined-type-name-expression>", SHelpUndefType, 1, 1, misc::UndefType},
};

}  // namespace

TMiscPackage::TMiscPackage() : TTablePackage("TMiscPackage", kRows) {}

std::span<const TFunctionRow> TMiscPackage::FunctionRows() noexcept { return kRows; }

}  // namespace fxe
