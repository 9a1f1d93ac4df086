// The function packages an engine of this build installs: one factory per
// package, each making the package's table of functions serve the engine.
#include "engine/InferenceEngine.h"
#include "packages/BusinessPackage.h"
#include "packages/FuzzyLogicPackage.h"
#include "packages/MathPackage.h"
#include "packages/MiscPackage.h"
#include "packages/ObjectPackage.h"
#include "packages/PredicatePackage.h"
#include "packages/StandardPackage.h"
#include "packages/StringPackage.h"
#include "packages/TrigonometryPackage.h"

namespace fxe {

TPackageFactories DefaultPackageFactories() {
  TPackageFactories factories;
  factories[pStandard] = [](TInferenceEngine& engine) { return TUserPackage::Create<TStandardPackage>(&engine); };
  factories[pMiscellaneous] = [](TInferenceEngine& engine) { return TUserPackage::Create<TMiscPackage>(&engine); };
  factories[pPredicate] = [](TInferenceEngine& engine) { return TUserPackage::Create<TPredicatePackage>(&engine); };
  factories[pMath] = [](TInferenceEngine& engine) { return TUserPackage::Create<TMathPackage>(&engine); };
  factories[pString] = [](TInferenceEngine& engine) { return TUserPackage::Create<TStringPackage>(&engine); };
  factories[pObject] = [](TInferenceEngine& engine) { return TUserPackage::Create<TObjectPackage>(&engine); };
  factories[pTrigonometry] = [](TInferenceEngine& engine) {
    return TUserPackage::Create<TTrigonometryPackage>(&engine);
  };
  factories[pBusiness] = [](TInferenceEngine& engine) { return TUserPackage::Create<TBusinessPackage>(&engine); };
  factories[pFuzzyLogic] = [](TInferenceEngine& engine) { return TUserPackage::Create<TFuzzyLogicPackage>(&engine); };
  return factories;
}

}  // namespace fxe
