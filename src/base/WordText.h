// How a word of the rule language is written so that the lexer reads the
// same text back: the characters that end a word, and the printed form of a
// name or symbol with the backslash escapes it needs. Internal to the engine
// (namespace detail, not installed).
#pragma once

#include <string>
#include <string_view>

namespace fxe::detail {

// Characters that end a word and are read again as the start of the next
// token (a word also ends at any byte below 33).
inline constexpr std::string_view kWordDelimiters = "\"&();<[]|~";

// Characters that are tokens of their own wherever they stand, also where a
// word could begin.
inline constexpr std::string_view kPunctuation = "&()=[]|~";

// Whether c, inside a word, must be written with a backslash in front: it
// would end the word, or it is the backslash itself.
inline bool NeedsWordEscape(char c) noexcept {
  return static_cast<unsigned char>(c) < 33 || c == '\\' || kWordDelimiters.find(c) != std::string_view::npos;
}

// Appends text as the rest of a word that has already begun (the name of a
// variable after its ? or $?), every character that would end the word
// escaped.
inline void AppendWordTail(std::string& out, std::string_view text) {
  std::size_t plain = 0;
  while (plain < text.size() && !NeedsWordEscape(text[plain])) ++plain;
  out.append(text.substr(0, plain));
  for (char c : text.substr(plain)) {
    if (NeedsWordEscape(c)) out += '\\';
    out += c;
  }
}

// Appends text as a whole word. The lexer takes a word's first character as
// it is, so only the later ones are escaped; a text the lexer cannot read
// back as a word at all (empty, or starting with a blank, a quote, ;, or
// one of the punctuation characters & ( ) = [ ] | ~) is written unchanged.
inline void AppendWord(std::string& out, std::string_view text) {
  if (text.empty()) return;
  out += text.front();
  AppendWordTail(out, text.substr(1));
}

// Whether text, written with AppendWord, cannot read back as a symbol of
// that text: AppendWord writes it unchanged (see above), or it begins like
// a variable (? or $?).
inline bool UnreadableAsWord(std::string_view text) noexcept {
  if (text.empty()) return true;
  const char first = text.front();
  return static_cast<unsigned char>(first) < 33 || first == '"' || first == ';' || first == '?' ||
         kPunctuation.find(first) != std::string_view::npos || text.starts_with("$?");
}

}  // namespace fxe::detail
