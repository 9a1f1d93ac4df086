// The function packages an engine of this build installs: one factory per
// package, each making the package's table of functions serve the engine.
#include "engine/InferenceEngine.h"
#include "packages/MiscPackage.h"

namespace fxe {

TPackageFactories DefaultPackageFactories() {
  TPackageFactories factories;
  factories[pMiscellaneous] = [](TInferenceEngine& engine) { return TUserPackage::Create<TMiscPackage>(&engine); };
  return factories;
}

}  // namespace fxe
