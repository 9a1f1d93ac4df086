// The math package: arithmetic with the engine's integer and float result
// rules, division, powers and logarithms, conversions, rounding, and the
// random numbers of a generator each package keeps for its engine.
#pragma once

#include <memory>

#include "packages/PackageFunction.h"
#include "packages/RandomGenerator.h"

namespace fxe {

class TMathPackage final : public TTablePackage {
 public:
  TMathPackage();
  // The table's functions; those of the random numbers share the package's generator.
  void CreateFunctions() override;

 private:
  // Shared with the functions, which may outlive the package in calls that hold them.
  std::shared_ptr<TRandomGenerator> generator_;
};

}  // namespace fxe
