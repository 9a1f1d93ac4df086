// Raising the engine's errors: Raise fills a message of the tables and throws
// it as the exception class given, CheckIndex is the bounds check of every
// indexed list. Code that raises calls these instead of spelling the throw.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Format.h"

namespace fxe {

// Throws E with format's placeholders filled by args (see Format); a message
// without arguments is taken as it is.
template <class E, class... TArgs>
[[noreturn]] void Raise(std::string_view format, const TArgs&... args) {
  if constexpr (sizeof...(TArgs) == 0) {
    throw E(format);
  } else {
    throw E(Format(format, args...));
  }
}

// The same for an exception that carries the line it was raised at.
template <class E, class... TArgs>
[[noreturn]] void RaiseAtLine(std::int32_t line, std::string_view format, const TArgs&... args) {
  if constexpr (sizeof...(TArgs) == 0) {
    throw E(format, line);
  } else {
    throw E(Format(format, args...), line);
  }
}

namespace detail {
// "List index out of bounds (<index>)"; kept out of line so that this header
// does not bring the message table along.
std::string ListIndexMessage(std::int64_t index);
}  // namespace detail

// Raises E with "List index out of bounds (<index>)".
template <class E>
[[noreturn]] void RaiseListIndex(std::int64_t index) {
  throw E(detail::ListIndexMessage(index));
}

// Raises E with "List index out of bounds (<index>)" unless 0 <= index < count.
template <class E>
void CheckIndex(std::int64_t index, std::int64_t count) {
  if (index < 0 || index >= count) [[unlikely]]
    RaiseListIndex<E>(index);
}

// The same with a message of its own, whose one placeholder takes the index.
template <class E>
void CheckIndex(std::int64_t index, std::int64_t count, std::string_view format) {
  if (index < 0 || index >= count) [[unlikely]]
    Raise<E>(format, index);
}

}  // namespace fxe
