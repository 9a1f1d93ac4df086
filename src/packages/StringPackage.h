// The string package: concatenation into symbols and strings, case
// conversion, ordinal comparison, searching, length and substrings. Texts are
// taken byte by byte: a character is one byte of the text.
#pragma once

#include "packages/PackageFunction.h"

namespace fxe {

class TStringPackage final : public TTablePackage {
 public:
  TStringPackage() noexcept;
};

}  // namespace fxe
