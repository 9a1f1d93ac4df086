// The standard package: the functions rule actions, deffunctions and commands
// use to change the fact base, steer evaluation, work on multifields, compare
// values and talk to the logical I/O streams.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

// The exit function raises EExit (base/IEExceptions.h), an abort that ends
// what is running at once; a shell catches it to end with its exit status.
class TStandardPackage : public TTablePackage {
 public:
  TStandardPackage();
};

}  // namespace fxe
