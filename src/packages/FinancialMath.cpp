// The financial formulas.
#include "packages/FinancialMath.h"

#include <algorithm>
#include <cmath>

namespace fxe {

namespace {

// (1 + r)^n.
double Growth(double rate, double periods) { return std::pow(1.0 + rate, periods); }

// ((1 + r)^n - 1) / r, which tends to n as r goes to 0; expm1 and log1p keep
// it accurate for small rates.
double AnnuityFactor(double rate, double periods) {
  if (rate == 0.0) return periods;
  if (rate > -1.0) return std::expm1(periods * std::log1p(rate)) / rate;
  return (Growth(rate, periods) - 1.0) / rate;
}

double Timing(double rate, TPaymentTime time) { return time == ptStartOfPeriod ? 1.0 + rate : 1.0; }

// Newton's method on f from start, the slope taken by central differences,
// keeping the rate above -1 where the formulas live. scale is the size of the
// amounts f adds up: a rate where the steps stall but f is not near 0 against
// it (f flattening out towards -1 or infinity) is no root.
template <class TFunction>
std::optional<double> SolveRate(double start, double scale, TFunction f) {
  if (!(scale > 0.0) || !std::isfinite(scale)) return std::nullopt;
  double rate = start;
  for (std::int32_t i = 0; i < RateIterationLimit; ++i) {
    const double value = f(rate);
    if (value == 0.0) return rate;
    const double h = 1e-7 * std::max(1.0, std::fabs(rate));
    const double slope = (f(rate + h) - f(rate - h)) / (2.0 * h);
    if (!std::isfinite(value) || !std::isfinite(slope) || slope == 0.0) return std::nullopt;
    double next = rate - value / slope;
    if (next <= -1.0) next = (rate - 1.0) / 2.0;
    if (std::fabs(next - rate) <= 1e-12 * std::max(1.0, std::fabs(rate))) {
      if (std::fabs(f(next)) <= 1e-9 * scale) return next;
      return std::nullopt;
    }
    rate = next;
  }
  return std::nullopt;
}

}  // namespace

double FutureValue(double rate, double periods, double payment, double presentValue, TPaymentTime time) {
  return -(presentValue * Growth(rate, periods) + payment * Timing(rate, time) * AnnuityFactor(rate, periods));
}

double PresentValue(double rate, double periods, double payment, double futureValue, TPaymentTime time) {
  return -(futureValue + payment * Timing(rate, time) * AnnuityFactor(rate, periods)) / Growth(rate, periods);
}

double Payment(double rate, double periods, double presentValue, double futureValue, TPaymentTime time) {
  return -(futureValue + presentValue * Growth(rate, periods)) / (Timing(rate, time) * AnnuityFactor(rate, periods));
}

double NumberOfPeriods(double rate, double payment, double presentValue, double futureValue, TPaymentTime time) {
  if (rate == 0.0) return -(presentValue + futureValue) / payment;
  // (1 + r)^n (pv + q) = q - fv with q = p (1 + t r) / r.
  const double q = payment * Timing(rate, time) / rate;
  return std::log((q - futureValue) / (presentValue + q)) / std::log1p(rate);
}

double InterestPayment(double rate, std::int32_t period, double periods, double presentValue, double futureValue,
                       TPaymentTime time) {
  const double payment = Payment(rate, periods, presentValue, futureValue, time);
  // The interest is that on the balance left after the previous payment; a
  // payment at the start of a period pays the interest of the period before,
  // so the first one holds none.
  if (time == ptEndOfPeriod) return FutureValue(rate, period - 1, payment, presentValue, time) * rate;
  if (period == 1) return 0.0;
  return (FutureValue(rate, period - 2, payment, presentValue, time) - payment) * rate;
}

double PeriodPayment(double rate, std::int32_t period, double periods, double presentValue, double futureValue,
                     TPaymentTime time) {
  return Payment(rate, periods, presentValue, futureValue, time) -
         InterestPayment(rate, period, periods, presentValue, futureValue, time);
}

double NetPresentValue(double rate, std::span<const double> cashFlows, TPaymentTime time) {
  double value = 0.0;
  double discount = time == ptStartOfPeriod ? 1.0 : 1.0 / (1.0 + rate);
  for (const double flow : cashFlows) {
    value += flow * discount;
    discount /= 1.0 + rate;
  }
  return value;
}

std::optional<double> InterestRate(double periods, double payment, double presentValue, double futureValue,
                                   TPaymentTime time) {
  const double scale = std::fabs(presentValue) + std::fabs(payment * periods) + std::fabs(futureValue);
  return SolveRate(0.1, scale, [&](double rate) {
    return presentValue * Growth(rate, periods) + payment * Timing(rate, time) * AnnuityFactor(rate, periods) +
           futureValue;
  });
}

std::optional<double> InternalRateOfReturn(double guess, std::span<const double> cashFlows) {
  if (!(guess > -1.0)) return std::nullopt;
  double scale = 0.0;
  for (const double flow : cashFlows) scale += std::fabs(flow);
  return SolveRate(guess, scale, [&](double rate) { return NetPresentValue(rate, cashFlows, ptStartOfPeriod); });
}

double StraightLineDepreciation(double cost, double salvage, double life) { return (cost - salvage) / life; }

double SumOfYearsDepreciation(double cost, double salvage, double life, double period) {
  return (cost - salvage) * (life - period + 1.0) * 2.0 / (life * (life + 1.0));
}

double DoubleDecliningBalance(double cost, double salvage, double life, double period) {
  // The book value declines by the rate each period but never below the
  // salvage value: once the rate would take it below, the rest down to the
  // salvage value is the period's depreciation and later periods have none.
  const double rate = std::min(2.0 / life, 1.0);
  const double bookValue = cost * std::pow(1.0 - rate, period - 1.0);
  return std::max(0.0, std::min(bookValue * rate, bookValue - salvage));
}

}  // namespace fxe
