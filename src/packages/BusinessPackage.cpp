// The business package.
#include "packages/BusinessPackage.h"

#include <vector>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/FinancialMath.h"
#include "packages/NumericResult.h"

namespace fxe {

namespace {

constexpr std::string_view kEndOfPeriod = "ptEndOfPeriod";
constexpr std::string_view kStartOfPeriod = "ptStartOfPeriod";

// The payment-time symbol, always the last argument.
TPaymentTime PaymentTimeArgument(TArguments& arguments) {
  const std::string text = arguments.Text(arguments.Count() - 1);
  if (text == kEndOfPeriod) return ptEndOfPeriod;
  if (text == kStartOfPeriod) return ptStartOfPeriod;
  Raise<EIEException>(IEConsts::SInvalidPaymentTime, text);
}

std::vector<double> CashFlows(TArguments& arguments, std::int32_t index) {
  const TRef<TValueVector> list = arguments.List(index);
  std::vector<double> flows;
  flows.reserve(static_cast<std::size_t>(list->Count()));
  for (const TRef<TIEValue>& item : *list) flows.push_back(item ? item->AsFloat() : 0.0);
  return flows;
}

// A period of an annuity or a depreciation runs from 1 to the number of periods.
void CheckPeriod(std::int32_t period, std::int32_t periods) {
  if (period < 1 || period > periods) Raise<EIEException>(IEConsts::SInvalidPeriod, period, periods);
}

TRef<TIEValue> Result(TArguments& arguments, double value) { return FloatResult(value, arguments.FunctionName()); }

TRef<TIEValue> RateResult(TArguments& arguments, const std::optional<double>& rate) {
  if (!rate) Raise<EIEException>(IEConsts::SNoConvergence, arguments.FunctionName(), RateIterationLimit);
  return Result(arguments, *rate);
}

TRef<TIEValue> DoubleDecliningBalanceBody(TArguments& arguments) {
  const double cost = arguments.Float(0);
  const double salvage = arguments.Float(1);
  const std::int32_t life = arguments.Integer(2);
  const std::int32_t period = arguments.Integer(3);
  CheckPeriod(period, life);
  return Result(arguments, DoubleDecliningBalance(cost, salvage, life, period));
}

TRef<TIEValue> FutureValueBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  const std::int32_t periods = arguments.Integer(1);
  const double payment = arguments.Float(2);
  const double presentValue = arguments.Float(3);
  return Result(arguments, FutureValue(rate, periods, payment, presentValue, PaymentTimeArgument(arguments)));
}

// The interest and principal parts of a period's payment take the same arguments.
template <double (*Part)(double, std::int32_t, double, double, double, TPaymentTime)>
TRef<TIEValue> PaymentPartBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  const std::int32_t period = arguments.Integer(1);
  const std::int32_t periods = arguments.Integer(2);
  CheckPeriod(period, periods);
  const double presentValue = arguments.Float(3);
  const double futureValue = arguments.Float(4);
  return Result(arguments, Part(rate, period, periods, presentValue, futureValue, PaymentTimeArgument(arguments)));
}

TRef<TIEValue> InterestRateBody(TArguments& arguments) {
  const std::int32_t periods = arguments.Integer(0);
  const double payment = arguments.Float(1);
  const double presentValue = arguments.Float(2);
  const double futureValue = arguments.Float(3);
  return RateResult(arguments,
                    InterestRate(periods, payment, presentValue, futureValue, PaymentTimeArgument(arguments)));
}

TRef<TIEValue> InternalRateOfReturnBody(TArguments& arguments) {
  const double guess = arguments.Float(0);
  return RateResult(arguments, InternalRateOfReturn(guess, CashFlows(arguments, 1)));
}

TRef<TIEValue> NetPresentValueBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  return Result(arguments, NetPresentValue(rate, CashFlows(arguments, 1), PaymentTimeArgument(arguments)));
}

TRef<TIEValue> NumberOfPeriodsBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  const double payment = arguments.Float(1);
  const double presentValue = arguments.Float(2);
  const double futureValue = arguments.Float(3);
  return Result(arguments, NumberOfPeriods(rate, payment, presentValue, futureValue, PaymentTimeArgument(arguments)));
}

TRef<TIEValue> PaymentBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  const std::int32_t periods = arguments.Integer(1);
  const double presentValue = arguments.Float(2);
  const double futureValue = arguments.Float(3);
  return Result(arguments, Payment(rate, periods, presentValue, futureValue, PaymentTimeArgument(arguments)));
}

TRef<TIEValue> PresentValueBody(TArguments& arguments) {
  const double rate = arguments.Float(0);
  const std::int32_t periods = arguments.Integer(1);
  const double payment = arguments.Float(2);
  const double futureValue = arguments.Float(3);
  return Result(arguments, PresentValue(rate, periods, payment, futureValue, PaymentTimeArgument(arguments)));
}

TRef<TIEValue> SlnDepreciationBody(TArguments& arguments) {
  const double cost = arguments.Float(0);
  const double salvage = arguments.Float(1);
  const std::int32_t life = arguments.Integer(2);
  CheckDivisor(life, arguments.FunctionName());
  return Result(arguments, StraightLineDepreciation(cost, salvage, life));
}

TRef<TIEValue> SydDepreciationBody(TArguments& arguments) {
  const double cost = arguments.Float(0);
  const double salvage = arguments.Float(1);
  const std::int32_t life = arguments.Integer(2);
  const std::int32_t period = arguments.Integer(3);
  CheckPeriod(period, life);
  return Result(arguments, SumOfYearsDepreciation(cost, salvage, life, period));
}

constexpr TFunctionRow kBusinessRows[] = {
    {"double-declining-balance",
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
     "<period-integer-expression>",
     IEConsts::SHelpDoubleDecliningBalance, 4, 4, DoubleDecliningBalanceBody},
    {"future-value",
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpFutureValue, 5, 5, FutureValueBody},
    {"interest-payment",
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpInterestPayment, 6, 6, PaymentPartBody<InterestPayment>},
    {"interest-rate",
     " <num-periods-integer-expression> <payment-numeric-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpInterestRate, 5, 5, InterestRateBody},
    {"internal-rate-of-return", " <guess-numeric-expression> <cash-flows-multifield-expression>",
     IEConsts::SHelpInternalRateOfReturn, 2, 2, InternalRateOfReturnBody},
    {"net-present-value", " <rate-numeric-expression> <cash-flows-multifield-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpNetPresentValue, 3, 3, NetPresentValueBody},
    {"number-of-periods",
     " <rate-numeric-expression> <payment-numeric-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpNumberOfPeriods, 5, 5, NumberOfPeriodsBody},
    {"payment",
     " <rate-numeric-expression> <num-periods-integer-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpPayment, 5, 5, PaymentBody},
    {"period-payment",
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpPeriodPayment, 6, 6, PaymentPartBody<PeriodPayment>},
    {"present-value",
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     IEConsts::SHelpPresentValue, 5, 5, PresentValueBody},
    {"sln-depreciation", " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>",
     IEConsts::SHelpSlnDepreciation, 3, 3, SlnDepreciationBody},
    {"syd-depreciation",
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
     "<period-integer-expression>",
     IEConsts::SHelpSydDepreciation, 4, 4, SydDepreciationBody},
};

}  // namespace

TBusinessPackage::TBusinessPackage() noexcept : TTablePackage("TBusinessPackage", kBusinessRows) {}

}  // namespace fxe
