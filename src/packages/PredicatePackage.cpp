// The predicate package.
#include "packages/PredicatePackage.h"

#include <cmath>

#include "base/Format.h"
#include "base/IEConsts.h"

namespace fxe {

namespace {

// An integer's parity; any other number counts when it is integral, and a
// value that is no number raises the conversion error.
bool HasParity(TArguments& arguments, bool odd) {
  const TRef<TIEValue> value = arguments.Value(0);
  if (value->DType() == dtInteger) return (value->RawInteger() % 2 != 0) == odd;
  const double number = value->AsFloat();
  if (!std::isfinite(number) || std::trunc(number) != number) return false;
  return (std::fmod(number, 2.0) != 0.0) == odd;
}

TRef<TIEValue> EvenP(TArguments& arguments) { return Truth(HasParity(arguments, false)); }
TRef<TIEValue> OddP(TArguments& arguments) { return Truth(HasParity(arguments, true)); }
TRef<TIEValue> GetType(TArguments& arguments) { return NewAtom(TypeName(arguments.Value(0)->DType())); }

constexpr TFunctionRow kPredicateRows[] = {
    {"evenp", " <numeric-expression>", IEConsts::SHelpEvenp, 1, 1, EvenP},
    {"oddp", " <numeric-expression>", IEConsts::SHelpOddp, 1, 1, OddP},
    {"get-type", " <expression> ", IEConsts::SHelpGetType, 1, 1, GetType},
};

struct TTypePredicate {
  std::string_view name;
  TIETypes types;
};

constexpr TTypePredicate kTypePredicates[] = {
    {"lexemep", {dtAtom, dtString}}, {"numberp", {dtInteger, dtFloat}}, {"floatp", {dtFloat}},
    {"fuzzyp", {dtFuzzy}},           {"integerp", {dtInteger}},         {"stringp", {dtString}},
    {"symbolp", {dtAtom}},           {"multifieldp", {dtList}},         {"external-addressp", {dtExternalAddress}},
    {"objectp", {dtObject}},
};

}  // namespace

// --- TVerifyTypePFunction ----------------------------------------------------------------

TVerifyTypePFunction::TVerifyTypePFunction(std::string_view name, TIETypes valueTypes)
    : TIEUserFunction({}, {}, {}, 1, 1), valueTypes_(valueTypes) {
  SetFunctionName(name);
}

void TVerifyTypePFunction::SetFunctionName(std::string_view name) {
  TIEUserFunction::SetFunctionName(name);
  RebuildTexts();
}

void TVerifyTypePFunction::SetValueTypes(TIETypes types) {
  if (types == valueTypes_) return;
  valueTypes_ = types;
  RebuildTexts();
}

void TVerifyTypePFunction::RebuildTexts() {
  const std::string kinds = valueTypes_.Empty() ? std::string(IEConsts::SNoTypes) : TypeSetText(valueTypes_, ", ");
  SetComment(Format(IEConsts::SVerifyTypeHelp, kinds));
  SetArgumentString(IEConsts::SVerifyTypeUsage);
}

TRef<TIEValue> TVerifyTypePFunction::Execute(IFunCall& call, TIEContext* context) {
  TArguments arguments(call, context, FunctionName());
  return Truth(valueTypes_.Contains(arguments.Value(0)->DType()));
}

// --- TPredicatePackage -------------------------------------------------------------------

TPredicatePackage::TPredicatePackage() noexcept : TTablePackage("TPredicatePackage", kPredicateRows) {}

void TPredicatePackage::CreateFunctions() {
  for (const TFunctionRow& row : Rows()) AddFunction(MakeRef<TTableFunction>(row));
  for (const TTypePredicate& predicate : kTypePredicates)
    AddFunction(MakeRef<TVerifyTypePFunction>(predicate.name, predicate.types));
  TUserPackage::CreateFunctions();
}

}  // namespace fxe
