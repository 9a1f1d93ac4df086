// The business package: annuities solved for each of their quantities, net
// present value and internal rate of return of cash flows, and depreciation.
// Every result is a float.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

class TBusinessPackage final : public TTablePackage {
 public:
  TBusinessPackage() noexcept;
};

}  // namespace fxe
