// The message formatter.
#include "base/Format.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace fxe {

namespace {

// A float given to an integer placeholder: truncated toward zero, held at the
// 64-bit limits, NaN as 0.
long long TruncateToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 0x1p63) return std::numeric_limits<long long>::max();
  if (value < -0x1p63) return std::numeric_limits<long long>::min();
  return static_cast<long long>(value);
}

// Appends one placeholder (flags holds the characters between '%' and the
// conversion, e.g. "3.3") for the conversion character conv.
void AppendFormatted(std::string& out, std::string_view flags, char conv, const TFormatArg& arg) {
  char format[32];
  char buffer[512];
  auto make = [&](const char* length) {
    std::snprintf(format, sizeof format, "%%%.*s%s%c", static_cast<int>(flags.size()), flags.data(), length, conv);
  };
  switch (conv) {
    case 's':
      switch (arg.Kind()) {
        case TFormatArg::EKind::Text:
          out.append(arg.Text());
          return;
        case TFormatArg::EKind::Integer:
          out.append(std::to_string(arg.Integer()));
          return;
        case TFormatArg::EKind::Float:
          AppendFloat(out, arg.Float());
          return;
      }
      return;
    case 'd':
    case 'x':
    case 'X': {
      long long value = 0;
      if (arg.Kind() == TFormatArg::EKind::Text) {
        out.append(arg.Text());
        return;
      }
      value = arg.Kind() == TFormatArg::EKind::Integer ? arg.Integer() : TruncateToInteger(arg.Float());
      // The engine's integers are 32 bits: a negative one shows its 32 bits in hexadecimal.
      if (conv != 'd' && value < 0 && value >= std::numeric_limits<std::int32_t>::min()) {
        value = static_cast<std::uint32_t>(value);
      }
      make("ll");
      std::snprintf(buffer, sizeof buffer, format, value);
      out.append(buffer);
      return;
    }
    default: {  // f, e, g
      if (arg.Kind() == TFormatArg::EKind::Text) {
        out.append(arg.Text());
        return;
      }
      double value = arg.Kind() == TFormatArg::EKind::Float ? arg.Float() : static_cast<double>(arg.Integer());
      if (conv == 'f' && flags == ".4") {
        AppendFloat(out, value);
        return;
      }
      make("");
      int n = std::snprintf(buffer, sizeof buffer, format, value);
      if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
      } else {
        // Huge magnitudes: fall back to the shortest exact-enough form.
        std::snprintf(buffer, sizeof buffer, "%g", value);
        out.append(buffer);
      }
      return;
    }
  }
}

bool IsConversion(char c) { return c == 's' || c == 'd' || c == 'f' || c == 'e' || c == 'g' || c == 'x' || c == 'X'; }

}  // namespace

namespace {
__extension__ typedef unsigned __int128 TUInt128;
}  // namespace

std::size_t FormatFloatFast(double value, char* buffer) noexcept {
  if (!(std::fabs(value) < 1e15)) return 0;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
  int shift;  // value = mantissa * 2^shift
  if (exponent == 0) {
    shift = -1074;
  } else {
    mantissa |= std::uint64_t{1} << 52;
    shift = exponent - 1075;
  }
  // The value in ten-thousandths, rounded to the nearest, ties to even. Below
  // 1e15 it fits 64 bits; the exact product needs up to 67 bits.
  const TUInt128 scaled = static_cast<TUInt128>(mantissa) * 10000u;
  std::uint64_t units;
  if (shift >= 0) {
    units = static_cast<std::uint64_t>(scaled << shift);
  } else if (-shift >= 100) {
    units = 0;  // far below half a unit
  } else {
    const int s = -shift;
    units = static_cast<std::uint64_t>(scaled >> s);
    const TUInt128 rest = scaled & ((static_cast<TUInt128>(1) << s) - 1);
    const TUInt128 half = static_cast<TUInt128>(1) << (s - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
  }
  char digits[24];
  std::size_t n = 0;
  std::uint64_t whole = units / 10000;
  auto fraction = static_cast<unsigned>(units % 10000);
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  std::size_t length = 0;
  if (negative) buffer[length++] = '-';
  while (n > 0) buffer[length++] = digits[--n];
  buffer[length++] = '.';
  buffer[length + 3] = static_cast<char>('0' + fraction % 10);
  fraction /= 10;
  buffer[length + 2] = static_cast<char>('0' + fraction % 10);
  fraction /= 10;
  buffer[length + 1] = static_cast<char>('0' + fraction % 10);
  buffer[length] = static_cast<char>('0' + fraction / 10);
  return length + 4;
}

void AppendFloat(std::string& out, double value) {
  char buffer[32];
  if (const std::size_t n = FormatFloatFast(value, buffer); n != 0) {
    out.append(buffer, n);
    return;
  }
  out += FormatFloat(value);
}

std::string FormatFloat(double value) {
  {
    char fast[32];
    if (const std::size_t n = FormatFloatFast(value, fast); n != 0) return std::string(fast, n);
  }
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%.4f", value);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
  // Very large magnitudes do not fit a small buffer; print them in full.
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), "%.4f", value);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

std::string FormatArgs(std::string_view format, std::initializer_list<TFormatArg> args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  std::size_t i = 0;
  while (i < format.size()) {
    char c = format[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out.push_back('%');
      i += 2;
      continue;
    }
    // Flags, width and precision, then the conversion character.
    std::size_t j = i + 1;
    while (j < format.size() && (format[j] == '-' || format[j] == '0' || format[j] == '+' || format[j] == ' ')) ++j;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
    if (j < format.size() && format[j] == '.') {
      ++j;
      while (j < format.size() && format[j] >= '0' && format[j] <= '9') ++j;
    }
    if (j >= format.size() || !IsConversion(format[j]) || next == args.end() || j - i > 16) {
      out.push_back('%');
      ++i;
      continue;
    }
    AppendFormatted(out, format.substr(i + 1, j - i - 1), format[j], *next);
    ++next;
    i = j + 1;
  }
  return out;
}

}  // namespace fxe
