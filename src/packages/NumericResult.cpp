// Checked numeric results.
#include "packages/NumericResult.h"

#include <cmath>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

std::int32_t IntegerResult(double value, std::string_view functionName) {
  const double truncated = std::trunc(value);
  // The NaN test is the negated comparison: a NaN fails both bounds.
  if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0))
    Raise<EIEException>(IEConsts::SIntegerOverflow, functionName);
  return static_cast<std::int32_t>(truncated);
}

std::int32_t IntegerResult(std::int64_t value, std::string_view functionName) {
  if (value < INT32_MIN || value > INT32_MAX) Raise<EIEException>(IEConsts::SIntegerOverflow, functionName);
  return static_cast<std::int32_t>(value);
}

double CheckedFloat(double value, std::string_view functionName) {
  if (std::isnan(value)) Raise<EIEException>(IEConsts::SInvalidFloatOperation, functionName);
  if (std::isinf(value)) Raise<EIEException>(IEConsts::SFloatOverflow, functionName);
  return value;
}

void CheckDivisor(double divisor, std::string_view functionName) {
  if (divisor == 0.0) Raise<EIEException>(IEConsts::SDivisionByZero, functionName);
}

}  // namespace fxe
