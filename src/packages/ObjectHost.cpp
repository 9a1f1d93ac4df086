// Property kind names, class inheritance and the values' object references.
#include "packages/ObjectHost.h"

#include <array>

namespace fxe {

std::string_view PropertyKindName(TPropertyKind kind) noexcept {
  static constexpr std::array<std::string_view, 18> names = {
      "pkUnknown", "pkInteger", "pkChar",   "pkEnumeration", "pkFloat",   "pkString",
      "pkSet",     "pkClass",   "pkMethod", "pkWChar",       "pkLString", "pkWString",
      "pkVariant", "pkArray",   "pkRecord", "pkInterface",   "pkInt64",   "pkDynArray"};
  return kind < names.size() ? names[kind] : names[pkUnknown];
}

bool IHostClass::InheritsFrom(const IHostClass& other) const noexcept {
  for (const IHostClass* cls = this; cls; cls = cls->Parent())
    if (cls == &other) return true;
  return false;
}

TObjectReference::TObjectReference(const IHostObject& object) : id_(object.Id()), className_(object.Class().Name()) {}

}  // namespace fxe
