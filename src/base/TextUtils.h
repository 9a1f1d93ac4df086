// Small text helpers shared by the layers: case-insensitive comparison and
// trimming. Internal to the engine (namespace detail, not installed).
#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace fxe::detail {

// Orders two texts byte by byte with letters folded to lower case: negative
// when a comes first, 0 when they are equal ignoring case, positive otherwise;
// a text orders before its own extensions.
// ASCII letters fold to lower case; every other byte stands for itself, in
// whatever locale the host has set.
constexpr int FoldCase(unsigned char c) noexcept { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

inline int CompareIgnoreCase(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = FoldCase(static_cast<unsigned char>(a[i]));
    const int y = FoldCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

// text without the blanks and control characters (bytes up to ' ') around it.
inline std::string_view TrimText(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace fxe::detail
