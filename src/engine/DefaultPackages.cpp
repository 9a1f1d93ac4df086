// The function packages an engine of this build installs: one factory per
// package, each making the package's table of functions serve the engine.
#include "engine/InferenceEngine.h"
#include "packages/StandardPackage.h"

namespace fxe {

TPackageFactories DefaultPackageFactories() {
  TPackageFactories factories;
  factories[pStandard] = [](TInferenceEngine& engine) { return TUserPackage::Create<TStandardPackage>(&engine); };
  return factories;
}

}  // namespace fxe
