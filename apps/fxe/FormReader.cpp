// The parenthesis balance of typed text.
#include "FormReader.h"

namespace fxe::shell {

bool FormComplete(std::string_view text) noexcept {
  long depth = 0;
  bool content = false;
  bool inString = false;
  bool inComment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inComment) {
      if (c == '\n' || c == '\r') inComment = false;
      continue;
    }
    if (inString) {
      if (c == '\\')
        ++i;  // the escaped character, whatever it is
      else if (c == '"')
        inString = false;
      continue;
    }
    if (c == ';') {
      inComment = true;
    } else if (c == '"') {
      inString = true;
      content = true;
    } else if (c == '(') {
      ++depth;
      content = true;
    } else if (c == ')') {
      if (--depth < 0) return true;
      content = true;
    } else if (static_cast<unsigned char>(c) > ' ') {
      content = true;
    }
  }
  return content && depth == 0 && !inString;
}

}  // namespace fxe::shell
