// The object package: rules create and free host objects, find components by
// name, read and write published properties, test classes and run actions,
// all through the host object model the application installs in the engine.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

class TObjectPackage : public TTablePackage {
 public:
  TObjectPackage();
};

}  // namespace fxe
