// Small tests and text helpers over tokens and values shared by the parts of
// the rule-language parser. Internal to the parser (namespace detail, not
// installed).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TextUtils.h"
#include "values/IEParser.h"
#include "values/IEValue.h"

namespace fxe::detail {

inline bool IsSymbol(const TIEStreamToken& token, std::string_view text) noexcept {
  return token.DataType() == dtAtom && token.Text() == text;
}

// Symbols, strings, numbers and variables: the tokens that stand for a value.
inline bool IsValueToken(const TIEStreamToken& token) noexcept {
  switch (token.DataType()) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtVariable:
    case dtFloat:
    case dtMultiVariable:
      return true;
    default:
      return false;
  }
}

// The text of a value as allowed-value lists and type names take it: the
// raw text of text kinds, the printed form of anything else.
inline std::string ValueText(const TIEValue& value) {
  if (TextTypes.Contains(value.DType())) return std::string(value.Text());
  return value.AsText();
}

// The text a units clause takes from its token: a string's contents, else the
// token's printed form.
inline std::string UnitsText(const TIEStreamToken& token) {
  return token.DataType() == dtString ? token.Text() : token.AsText();
}

}  // namespace fxe::detail
