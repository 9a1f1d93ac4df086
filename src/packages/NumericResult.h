// Checked numeric results of the numeric packages: a double that left the
// finite range, or a count that does not fit an engine integer, becomes an
// engine error naming the function instead of an infinity, a NaN or a wrapped
// number stored in a value.
#pragma once

#include <cstdint>
#include <string_view>

#include "values/IEValue.h"

namespace fxe {

// The value truncated toward zero; raises "Integer overflow in %s function
// call" when it is outside the 32-bit range (or not a number).
std::int32_t IntegerResult(double value, std::string_view functionName);
// The same from a wider integer.
std::int32_t IntegerResult(std::int64_t value, std::string_view functionName);
// The value itself; raises "Invalid floating point operation in %s function
// call" for a NaN and "Floating point overflow in %s function call" for an
// infinity.
double CheckedFloat(double value, std::string_view functionName);
// A new float value holding the checked value.
inline TRef<TIEValue> FloatResult(double value, std::string_view functionName) {
  return NewFloat(CheckedFloat(value, functionName));
}
// Raises "Division by zero in %s function call" unless divisor is non-zero.
void CheckDivisor(double divisor, std::string_view functionName);

}  // namespace fxe
