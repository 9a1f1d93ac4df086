// The trigonometry package: circular and hyperbolic functions and their
// inverses, angle unit conversions, and distances between points given as
// multifields of coordinates. Every result is a float.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

class TTrigonometryPackage final : public TTablePackage {
 public:
  TTrigonometryPackage() noexcept;
};

}  // namespace fxe
