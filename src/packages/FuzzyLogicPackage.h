// The fuzzy-logic package: building fuzzy values from terms and shapes,
// combining them, reading their points and universe, defuzzifying them,
// asserting fuzzy facts under a chosen inference method, the engine's fuzzy
// settings, and the text plot of fuzzy values.
#pragma once

#include <span>

#include "packages/PackageFunction.h"

namespace fxe {

class TFuzzyLogicPackage : public TTablePackage {
 public:
  TFuzzyLogicPackage();
  // The package's functions in registration order.
  static std::span<const TFunctionRow> FunctionRows() noexcept;
};

}  // namespace fxe
