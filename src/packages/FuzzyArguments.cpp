// Reading the fuzzy functions' arguments: fuzzy values from values, facts and
// fact indices, and fuzzy variables from type names and values.
#include "packages/FuzzyArguments.h"

#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"

namespace fxe {
namespace {

// The fuzzy set a slot value holds: the value itself or a multislot's first
// fuzzy item; nullptr when there is none.
IFuzzySet* FuzzyOfSlotValue(const TIEValue* value) noexcept {
  if (!value) return nullptr;
  if (IFuzzySet* set = value->FuzzyPtr()) return set;
  if (const TValueVector* list = value->ListPtr()) {
    for (const TRef<TIEValue>& item : *list)
      if (item && item->FuzzyPtr()) return item->FuzzyPtr();
  }
  return nullptr;
}

TRef<IFact> FactOfIndex(IInferenceEngine& engine, std::int32_t index) {
  TRef<IFact> fact = engine.FindFact(index);
  if (!fact) Raise<EIEException>(IEConsts::SNoSuchFact, index);
  return fact;
}

}  // namespace

TRef<IFuzzySet> FirstFuzzySlotValue(IFact& fact) {
  for (std::int32_t i = 0; i < fact.SlotCount(); ++i) {
    if (!fact.SlotAt(i).IsFuzzy()) continue;
    if (IFuzzySet* set = FuzzyOfSlotValue(&fact.SlotValueAt(i))) return TRef<IFuzzySet>(set);
  }
  Raise<EIEException>(FuzzyConsts::SNotFuzzyFact);
}

TRef<IFuzzySet> FuzzyOfValue(IInferenceEngine& engine, const TIEValue& value) {
  switch (value.DType()) {
    case dtInteger:
    case dtFactId:
      return FirstFuzzySlotValue(*FactOfIndex(engine, value.RawInteger()));
    case dtFact:
      return FirstFuzzySlotValue(*value.FactPtr());
    default:
      return value.AsFuzzy();
  }
}

TRef<IFuzzySet> FuzzyArgument(TArguments& arguments, std::int32_t index) {
  const TRef<TIEValue> value = arguments.Value(index);
  return FuzzyOfValue(arguments.Engine(), *value);
}

TRef<IFuzzyVariable> FuzzyVariableOfType(IInferenceEngine& engine, std::string_view name) {
  const TRef<IIEDefinedType> type = engine.FindDefinedType(name);
  if (!type) Raise<EIEException>(IEConsts::STypeNameUnknown, name);
  if (!type->FuzzyVariable()) Raise<EIEException>(FuzzyConsts::SFuzzyVariableNotDefined);
  return TRef<IFuzzyVariable>(type->FuzzyVariable());
}

TRef<IFuzzyVariable> FuzzyVariableOfValue(IInferenceEngine& engine, const TIEValue& value) {
  switch (value.DType()) {
    case dtAtom:
    case dtString:
      return FuzzyVariableOfType(engine, value.Text());
    case dtInteger:
    case dtFactId:
    case dtFact:
    case dtFuzzy: {
      const TRef<IFuzzySet> set = FuzzyOfValue(engine, value);
      if (!set->Variable()) Raise<EIEException>(FuzzyConsts::SNoFuzzyVariable, FuzzyValueText(*set));
      return TRef<IFuzzyVariable>(set->Variable());
    }
    default:
      Raise<EIEException>(IEConsts::SInvalidDeffunctionArgument, value.AsText(),
                          TypeSetText(TIETypes{dtAtom, dtString, dtFuzzy}, ", "));
  }
}

}  // namespace fxe
