// The pieces every printed construct of the model is made of: the line end,
// the indent unit, quoted texts and kind lists as construct texts show them.
// Internal to the engine (namespace detail, not installed).
#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "values/IEValue.h"

namespace fxe::detail {

inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kIndent = "    ";

// text in double quotes, backslashes doubled and quotes escaped, so that the
// lexer reads the same text back.
inline void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// text with indent after every inner line end, for nesting one printed
// construct inside another.
inline void AppendIndented(std::string& out, std::string_view text, std::string_view indent) {
  std::size_t start = 0;
  for (std::size_t at = text.find(kLineEnd); at != std::string_view::npos; at = text.find(kLineEnd, start)) {
    out.append(text.substr(start, at + kLineEnd.size() - start));
    out += indent;
    start = at + kLineEnd.size();
  }
  out.append(text.substr(start));
}

// Kind names in ordinal order without the "dt" prefix, upper case, joined by
// separator ("INTEGER, FLOAT").
inline std::string UpperTypeSetText(TIETypes types, std::string_view separator) {
  std::string text = TypeSetText(types, separator);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// As UpperTypeSetText, without the kinds every slot accepts anyway (dtNone,
// dtVariable, dtFunCall, dtMultiVariable): the kind list of a "(type …)" clause.
inline std::string PrintedTypeSet(TIETypes types, std::string_view separator) {
  return UpperTypeSetText(types - TIETypes{dtNone, dtVariable, dtFunCall, dtMultiVariable}, separator);
}

}  // namespace fxe::detail
