// The function packages an engine of this build installs: one factory per
// package, each making the package's table of functions serve the engine.
#include "engine/InferenceEngine.h"
#include "packages/FuzzyLogicPackage.h"
#include "packages/ObjectPackage.h"
#include "packages/StandardPackage.h"

namespace fxe {

TPackageFactories DefaultPackageFactories() {
  TPackageFactories factories;
  factories[pStandard] = [](TInferenceEngine& engine) { return TUserPackage::Create<TStandardPackage>(&engine); };
  factories[pObject] = [](TInferenceEngine& engine) { return TUserPackage::Create<TObjectPackage>(&engine); };
  factories[pFuzzyLogic] = [](TInferenceEngine& engine) { return TUserPackage::Create<TFuzzyLogicPackage>(&engine); };
  return factories;
}

}  // namespace fxe
