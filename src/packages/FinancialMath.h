// The annuity, cash-flow and depreciation formulas of the business package.
// With rate r, periods n, payment p, present value pv, future value fv and
// timing t (0 at the end, 1 at the start of each period) the annuity
// quantities satisfy
//   pv * (1 + r)^n + p * (1 + t * r) * ((1 + r)^n - 1) / r + fv = 0,
// and each function solves it for one of them. Money paid out and money
// received have opposite signs. Results that do not exist come back as
// infinities or NaNs for the caller to report.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace fxe {

enum TPaymentTime : std::uint8_t { ptEndOfPeriod, ptStartOfPeriod };

double FutureValue(double rate, double periods, double payment, double presentValue, TPaymentTime time);
double PresentValue(double rate, double periods, double payment, double futureValue, TPaymentTime time);
double Payment(double rate, double periods, double presentValue, double futureValue, TPaymentTime time);
double NumberOfPeriods(double rate, double payment, double presentValue, double futureValue, TPaymentTime time);
// The interest and the principal part of the payment of a period (1-based).
double InterestPayment(double rate, std::int32_t period, double periods, double presentValue, double futureValue,
                       TPaymentTime time);
double PeriodPayment(double rate, std::int32_t period, double periods, double presentValue, double futureValue,
                     TPaymentTime time);
// The cash flows fall one per period, the first at the end (or the start) of the first period.
double NetPresentValue(double rate, std::span<const double> cashFlows, TPaymentTime time);

// The iterative rate solvers give up after this many steps.
inline constexpr std::int32_t RateIterationLimit = 100;
// The rate per period of the annuity; nothing when the search does not converge.
std::optional<double> InterestRate(double periods, double payment, double presentValue, double futureValue,
                                   TPaymentTime time);
// The rate at which the cash flows (the first at time 0) have a net present
// value of 0, searched from guess; nothing when the search does not converge.
std::optional<double> InternalRateOfReturn(double guess, std::span<const double> cashFlows);

double StraightLineDepreciation(double cost, double salvage, double life);
// The depreciation of a period (1-based, at most life).
double SumOfYearsDepreciation(double cost, double salvage, double life, double period);
double DoubleDecliningBalance(double cost, double salvage, double life, double period);

}  // namespace fxe
