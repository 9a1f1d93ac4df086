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
// construct inside another. Line ends inside a string are part of its text
// and stay as they are: the text is scanned as the reader reads it (escapes,
// strings, comments to the line end), so a string reads back unchanged.
inline void AppendIndented(std::string& out, std::string_view text, std::string_view indent) {
  enum class EIn { Code, String, Comment } in = EIn::Code;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (in != EIn::String && text.compare(at, kLineEnd.size(), kLineEnd) == 0) {
      out += kLineEnd;
      out += indent;
      at += kLineEnd.size() - 1;
      in = EIn::Code;
      continue;
    }
    out += c;
    if (in == EIn::Comment) continue;
    if (c == '\\' && at + 1 < text.size()) {
      out += text[++at];
    } else if (c == '"') {
      in = in == EIn::String ? EIn::Code : EIn::String;
    } else if (c == ';' && in == EIn::Code) {
      in = EIn::Comment;
    }
  }
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
