// The formatter that fills the placeholders of the engine's messages and
// prints floats the way the engine shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace fxe {

// One argument of Format: a text, an integer or a floating number.
class TFormatArg {
 public:
  enum class EKind : std::uint8_t { Text, Integer, Float };

  TFormatArg(std::string_view text) : kind_(EKind::Text), text_(text) {}
  TFormatArg(const std::string& text) : kind_(EKind::Text), text_(text) {}
  TFormatArg(const char* text) : kind_(EKind::Text), text_(text) {}
  TFormatArg(int value) : kind_(EKind::Integer), integer_(value) {}
  TFormatArg(unsigned value) : kind_(EKind::Integer), integer_(value) {}
  TFormatArg(long value) : kind_(EKind::Integer), integer_(value) {}
  TFormatArg(unsigned long value) : kind_(EKind::Integer), integer_(static_cast<long long>(value)) {}
  TFormatArg(long long value) : kind_(EKind::Integer), integer_(value) {}
  TFormatArg(double value) : kind_(EKind::Float), float_(value) {}
  TFormatArg(float value) : kind_(EKind::Float), float_(value) {}

  EKind Kind() const noexcept { return kind_; }
  std::string_view Text() const noexcept { return text_; }
  long long Integer() const noexcept { return integer_; }
  double Float() const noexcept { return float_; }

 private:
  EKind kind_;
  std::string_view text_;
  long long integer_ = 0;
  double float_ = 0.0;
};

// Fills the placeholders of a message: %s (any argument: texts as they are,
// integers in decimal, floats as "%.4f"), %d (integers; width and precision as
// in C, "%3.3d" pads with zeros; a float is truncated), %f/%e/%g with precision
// (floats), %x/%X (a negative 32-bit integer shows its 32 bits), and %%.
// A placeholder without an argument is copied unchanged.
std::string FormatArgs(std::string_view format, std::initializer_list<TFormatArg> args);

template <class... TArgs>
std::string Format(std::string_view format, const TArgs&... args) {
  return FormatArgs(format, {TFormatArg(args)...});
}

// Formats one double the way the engine prints floats ("%.4f").
std::string FormatFloat(double value);
// Appends value exactly as "%.4f" prints it (round half to even on the exact
// binary value, "-0.0000" for negative values that round to zero); finite
// values below 1e15 in magnitude are converted without the C library.
void AppendFloat(std::string& out, double value);
// The same into buffer, which holds at least 32 characters; returns the
// length, or 0 when the value needs the C library (not finite, 1e15 or more).
std::size_t FormatFloatFast(double value, char* buffer) noexcept;

}  // namespace fxe
