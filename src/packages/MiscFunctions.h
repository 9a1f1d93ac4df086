// The bodies of the miscellaneous package's functions, by group; the
// package's table (MiscPackage.cpp) names them in registration order.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe::misc {

// Date and time (DateTimeFunctions.cpp).
TRef<TIEValue> DecodeYear(TArguments& arguments);
TRef<TIEValue> DecodeMonth(TArguments& arguments);
TRef<TIEValue> DecodeDay(TArguments& arguments);
TRef<TIEValue> DecodeHour(TArguments& arguments);
TRef<TIEValue> DecodeMinute(TArguments& arguments);
TRef<TIEValue> DecodeSecond(TArguments& arguments);
TRef<TIEValue> DecodeMillisecond(TArguments& arguments);
TRef<TIEValue> EncodeDate(TArguments& arguments);
TRef<TIEValue> EncodeTime(TArguments& arguments);
TRef<TIEValue> SystemDateTime(TArguments& arguments);
TRef<TIEValue> SystemDate(TArguments& arguments);
TRef<TIEValue> SystemTime(TArguments& arguments);
TRef<TIEValue> StrDateTime(TArguments& arguments);
TRef<TIEValue> StrDate(TArguments& arguments);
TRef<TIEValue> StrTime(TArguments& arguments);
TRef<TIEValue> DateTimeStr(TArguments& arguments);
TRef<TIEValue> DateStr(TArguments& arguments);
TRef<TIEValue> TimeStr(TArguments& arguments);
TRef<TIEValue> DateTimeStrFormat(TArguments& arguments);
TRef<TIEValue> Time(TArguments& arguments);

// Evaluation, settings, pretty-printing and removal of constructs
// (ConstructFunctions.cpp).
TRef<TIEValue> Guard(TArguments& arguments);
TRef<TIEValue> Parse(TArguments& arguments);
TRef<TIEValue> GetDynamicChecking(TArguments& arguments);
TRef<TIEValue> GetStaticChecking(TArguments& arguments);
TRef<TIEValue> SetResetGlobals(TArguments& arguments);
TRef<TIEValue> SetGen(TArguments& arguments);
TRef<TIEValue> SetDynamicChecking(TArguments& arguments);
TRef<TIEValue> SetStaticChecking(TArguments& arguments);
TRef<TIEValue> PPDefFacts(TArguments& arguments);
TRef<TIEValue> PPDefFunction(TArguments& arguments);
TRef<TIEValue> PPDefTemplate(TArguments& arguments);
TRef<TIEValue> PPDefRule(TArguments& arguments);
TRef<TIEValue> PPDefType(TArguments& arguments);
TRef<TIEValue> UndefFacts(TArguments& arguments);
TRef<TIEValue> UndefFunction(TArguments& arguments);
TRef<TIEValue> UndefRule(TArguments& arguments);
TRef<TIEValue> UndefTemplate(TArguments& arguments);
TRef<TIEValue> UndefType(TArguments& arguments);

// Listings (ListingFunctions.cpp).
TRef<TIEValue> Agenda(TArguments& arguments);
TRef<TIEValue> ListDefRules(TArguments& arguments);
TRef<TIEValue> ListDefTypes(TArguments& arguments);
TRef<TIEValue> ListDefFacts(TArguments& arguments);
TRef<TIEValue> ListDefFunctions(TArguments& arguments);
TRef<TIEValue> ListDefTemplates(TArguments& arguments);
TRef<TIEValue> Facts(TArguments& arguments);
TRef<TIEValue> Rules(TArguments& arguments);

// Dialogs through the host's user interface (DialogFunctions.cpp).
TRef<TIEValue> InputBox(TArguments& arguments);
TRef<TIEValue> InputQuery(TArguments& arguments);
TRef<TIEValue> MessageDlg(TArguments& arguments);
TRef<TIEValue> ShowMessage(TArguments& arguments);

}  // namespace fxe::misc
