// How the fuzzy functions read their arguments: a fuzzy argument (a fuzzy
// value, or a fact or fact index standing for its first fuzzy slot), the
// fuzzy variable an argument names, and the plot that writes sets as text.
#pragma once

#include <cstdint>

#include "collections/RefCounted.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "packages/PackageFunction.h"

namespace fxe {

// The value of the fact's first fuzzy slot (in slot order); a multislot's
// first fuzzy item. Raises "Fact is not a fuzzy fact" when there is none.
TRef<IFuzzySet> FirstFuzzySlotValue(IFact& fact);

// An evaluated value read as a fuzzy argument: an integer or fact-id selects
// the fact with that index ("No Such Fact with ID=%s exists"), a fact gives
// its first fuzzy slot, anything else is converted to a fuzzy value (the
// value layer raises for values that are not fuzzy). The set itself is
// returned, never a copy.
TRef<IFuzzySet> FuzzyOfValue(IInferenceEngine& engine, const TIEValue& value);
TRef<IFuzzySet> FuzzyArgument(TArguments& arguments, std::int32_t index);

// The variable a value names: a symbol or string names a fuzzy defined type;
// a fuzzy value, fact or fact index gives its value's variable. Anything else
// raises "Invalid argument type for deffunction".
TRef<IFuzzyVariable> FuzzyVariableOfValue(IInferenceEngine& engine, const TIEValue& value);
// The variable of a defined type by name; raises for an unknown name or a
// type without a fuzzy variable.
TRef<IFuzzyVariable> FuzzyVariableOfType(IInferenceEngine& engine, std::string_view name);

// plot-fuzzy-value.
TRef<TIEValue> PlotFuzzyValue(TArguments& arguments);

}  // namespace fxe
