// The function packages an engine of this build installs: one factory per
// package, each making the package's table of functions serve the engine.
#include "engine/InferenceEngine.h"

namespace fxe {

TPackageFactories DefaultPackageFactories() {
  TPackageFactories factories;
  return factories;
}

}  // namespace fxe
