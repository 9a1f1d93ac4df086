// Small tests and text helpers over tokens and values shared by the parts of
// the rule-language parser.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "values/IEParser.h"
#include "values/IEValue.h"

namespace fxe {

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

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// text without the blanks, tabs and line ends around it.
inline std::string_view TrimText(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
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

}  // namespace fxe
