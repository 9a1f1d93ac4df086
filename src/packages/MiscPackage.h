// The miscellaneous package: the engine's housekeeping commands (listings,
// pretty-printing and removal of constructs, the constraint-checking
// switches, the gensym counter), date and time functions, and the dialogs a
// host with a user interface shows.
#pragma once

#include <span>

#include "packages/PackageFunction.h"

namespace fxe {

class TMiscPackage final : public TTablePackage {
 public:
  TMiscPackage();

  // The package's functions in registration order.
  static std::span<const TFunctionRow> FunctionRows() noexcept;
};

}  // namespace fxe
