// The business package: its table, the annuity solved for each quantity and
// checked against known values and against each other, cash flows, rate
// searches that converge or say they did not, and depreciation schedules.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "PackageCallTestSupport.h"
#include "packages/BusinessPackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ListOf;
using test::TCallEngine;
using test::TExpectedFunction;

constexpr TExpectedFunction kBusinessFunctions[] = {
    {"double-declining-balance",
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> <period-integer-expression>", 4,
     4},
    {"future-value",
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     5, 5},
    {"interest-payment",
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     6, 6},
    {"interest-rate",
     " <num-periods-integer-expression> <payment-numeric-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     5, 5},
    {"internal-rate-of-return", " <guess-numeric-expression> <cash-flows-multifield-expression>", 2, 2},
    {"net-present-value", " <rate-numeric-expression> <cash-flows-multifield-expression> ptEndOfPeriod|ptStartOfPeriod",
     3, 3},
    {"number-of-periods",
     " <rate-numeric-expression> <payment-numeric-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     5, 5},
    {"payment",
     " <rate-numeric-expression> <num-periods-integer-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     5, 5},
    {"period-payment",
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     6, 6},
    {"present-value",
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     5, 5},
    {"sln-depreciation", " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>", 3, 3},
    {"syd-depreciation",
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> <period-integer-expression>", 4,
     4},
};

TEST(TBusinessPackage, DefinesItsFunctionsInOrder) {
  TCallEngine engine;
  auto package = TUserPackage::Create<TBusinessPackage>(nullptr);
  test::ExpectFunctionTable(*package, engine.Engine(), kBusinessFunctions);
}

struct TValueCase {
  std::string_view call;
  double expected;
};

void ExpectValues(TCallEngine& engine, std::span<const TValueCase> cases, double tolerance) {
  for (const TValueCase& c : cases) {
    SCOPED_TRACE(c.call);
    const TRef<TIEValue> value = engine.Eval(c.call);
    EXPECT_EQ(value->DType(), dtFloat);
    EXPECT_NEAR(value->AsFloat(), c.expected, tolerance);
  }
}

TEST(TBusinessPackage, AnnuityQuantitiesHaveTheirKnownValues) {
  const TValueCase cases[] = {
      {"(future-value 0.1 2 -100 0 ptEndOfPeriod)", 210.0},
      {"(future-value 0.1 2 -100 0 ptStartOfPeriod)", 231.0},
      {"(future-value 0 5 -100 -50 ptEndOfPeriod)", 550.0},
      {"(present-value 0.1 2 -100 0 ptEndOfPeriod)", 210.0 / 1.21},
      {"(present-value 0 4 -25 0 ptStartOfPeriod)", 100.0},
      {"(payment 0.1 2 1000 0 ptEndOfPeriod)", -1210.0 / 2.1},
      // A 30-year loan of 100000 at 8% a year, paid monthly.
      {"(payment (/ 0.08 12) 360 100000 0 ptEndOfPeriod)", -733.7645738},
      {"(payment 0 4 1000 0 ptEndOfPeriod)", -250.0},
      {"(number-of-periods 0.1 (payment 0.1 2 1000 0 ptEndOfPeriod) 1000 0 ptEndOfPeriod)", 2.0},
      {"(number-of-periods 0.05 (payment 0.05 7 500 100 ptStartOfPeriod) 500 100 ptStartOfPeriod)", 7.0},
      {"(number-of-periods 0 -250 1000 0 ptEndOfPeriod)", 4.0},
      {"(interest-payment 0.1 1 2 1000 0 ptEndOfPeriod)", -100.0},
      {"(interest-payment 0.1 2 2 1000 0 ptEndOfPeriod)", -(1100.0 - 1210.0 / 2.1) * 0.1},
      {"(period-payment 0.1 2 2 1000 0 ptEndOfPeriod)", -(1100.0 - 1210.0 / 2.1)},
      // A payment at the start of the first period carries no interest.
      {"(interest-payment 0.1 1 3 1000 0 ptStartOfPeriod)", 0.0},
  };
  TCallEngine engine;
  ExpectValues(engine, cases, 1e-6);
}

TEST(TBusinessPackage, RateSearchesInvertThePayment) {
  const TValueCase cases[] = {
      {"(interest-rate 2 (payment 0.1 2 1000 0 ptEndOfPeriod) 1000 0 ptEndOfPeriod)", 0.1},
      {"(interest-rate 360 -733.7645738 100000 0 ptEndOfPeriod)", 0.08 / 12},
      {"(interest-rate 10 (payment 0.03 10 -500 2000 ptStartOfPeriod) -500 2000 ptStartOfPeriod)", 0.03},
      {"(interest-rate 4 -250 1000 0 ptEndOfPeriod)", 0.0},
      {"(interest-rate 1 0 -100 110 ptEndOfPeriod)", 0.1},
  };
  TCallEngine engine;
  ExpectValues(engine, cases, 1e-9);
}

TEST(TBusinessPackage, PrincipalPartsRepayTheLoanAtEitherTiming) {
  TCallEngine engine;
  for (const std::string time : {"ptEndOfPeriod", "ptStartOfPeriod"}) {
    SCOPED_TRACE(time);
    const std::string loan = " 12 5000 0 " + time + ")";
    const double payment = engine.Eval("(payment 0.01" + loan)->AsFloat();
    double principal = 0.0;
    for (int period = 1; period <= 12; ++period) {
      const std::string tail = " " + std::to_string(period) + loan;
      const double interest = engine.Eval("(interest-payment 0.01" + tail)->AsFloat();
      const double part = engine.Eval("(period-payment 0.01" + tail)->AsFloat();
      EXPECT_NEAR(interest + part, payment, 1e-9);
      EXPECT_LE(interest, 0.0);
      principal += part;
    }
    EXPECT_NEAR(principal, -5000.0, 1e-6);
  }
}

TEST(TBusinessPackage, CashFlowsDiscountedAndTheirInternalRate) {
  TCallEngine engine;
  const auto flows = [](std::initializer_list<double> amounts) {
    auto list = MakeRef<TValueVector>();
    for (double amount : amounts) list->Add(NewFloat(amount));
    return NewList(std::move(list));
  };
  const TRef<TIEValue> end = NewAtom("ptEndOfPeriod");
  const TRef<TIEValue> start = NewAtom("ptStartOfPeriod");
  const TRef<TIEValue> rate = NewFloat(0.1);
  EXPECT_NEAR(engine.Call("net-present-value", {rate, flows({100, 200, 300}), end})->AsFloat(),
              100 / 1.1 + 200 / 1.21 + 300 / 1.331, 1e-9);
  EXPECT_NEAR(engine.Call("net-present-value", {rate, flows({100, 200, 300}), start})->AsFloat(),
              100 + 200 / 1.1 + 300 / 1.21, 1e-9);
  EXPECT_EQ(engine.Call("net-present-value", {rate, flows({}), end})->AsFloat(), 0.0);

  // -1000 + 600 x + 600 x^2 = 0 with x = 1 / (1 + r).
  const double x = (-600 + std::sqrt(600.0 * 600.0 + 4 * 600.0 * 1000.0)) / 1200;
  const TRef<TIEValue> investment = flows({-1000, 600, 600});
  const double irr = engine.Call("internal-rate-of-return", {NewFloat(0.1), investment})->AsFloat();
  EXPECT_NEAR(irr, 1 / x - 1, 1e-10);
  EXPECT_NEAR(engine.Call("net-present-value", {NewFloat(irr), investment, start})->AsFloat(), 0.0, 1e-8);
  // A guess far off still finds the rate.
  EXPECT_NEAR(engine.Call("internal-rate-of-return", {NewFloat(3.0), investment})->AsFloat(), irr, 1e-10);

  const std::string noRate = "internal-rate-of-return did not converge to a rate within 100 iterations";
  test::ExpectError([&] { engine.Call("internal-rate-of-return", {NewFloat(0.1), flows({100, 100})}); }, noRate);
  test::ExpectError([&] { engine.Call("internal-rate-of-return", {NewFloat(0.1), flows({})}); }, noRate);
  test::ExpectError([&] { engine.Call("internal-rate-of-return", {NewFloat(-1.0), investment}); }, noRate);
  test::ExpectError([&] { engine.Eval("(interest-rate 5 100 100 100 ptEndOfPeriod)"); },
                    "interest-rate did not converge to a rate within 100 iterations");
}

TEST(TBusinessPackage, DepreciationSchedulesWriteTheAssetDownToSalvage) {
  const TValueCase cases[] = {
      {"(sln-depreciation 10 1 3)", 3.0},
      {"(syd-depreciation 1000 100 5 1)", 300.0},
      {"(syd-depreciation 1000 100 5 5)", 60.0},
      {"(double-declining-balance 1000 100 5 1)", 400.0},
      {"(double-declining-balance 1000 100 5 3)", 144.0},
      // The last period takes only what is left above the salvage value.
      {"(double-declining-balance 1000 100 5 5)", 29.6},
      {"(double-declining-balance 1000 100 1 1)", 900.0},
      {"(double-declining-balance 100 500 4 2)", 0.0},
  };
  TCallEngine engine;
  ExpectValues(engine, cases, 1e-9);
  // Sum-of-years'-digits writes off exactly cost - salvage over the life; the
  // declining balance never more.
  const auto total = [&](std::string_view method) {
    double sum = 0.0;
    for (int period = 1; period <= 7; ++period)
      sum += engine.Eval("(" + std::string(method) + " 5000 200 7 " + std::to_string(period) + ")")->AsFloat();
    return sum;
  };
  EXPECT_NEAR(total("syd-depreciation"), 4800.0, 1e-9);
  EXPECT_LT(total("double-declining-balance"), 4800.0);
  EXPECT_GT(total("double-declining-balance"), 4000.0);
}

TEST(TBusinessPackage, ArgumentsOutsideTheirDomainRaise) {
  struct TCase {
    std::string_view call;
    std::string_view message;
  };
  const TCase cases[] = {
      {"(payment 0.1 2 1000 0 ptEndOfYear)",
       "Invalid payment time: ptEndOfYear, expected ptEndOfPeriod or ptStartOfPeriod"},
      {"(future-value 0.1 2 -100 0 1)", "Invalid payment time: 1, expected ptEndOfPeriod or ptStartOfPeriod"},
      {"(interest-payment 0.1 0 2 1000 0 ptEndOfPeriod)", "Invalid period 0, expected a period from 1 to 2"},
      {"(period-payment 0.1 3 2 1000 0 ptEndOfPeriod)", "Invalid period 3, expected a period from 1 to 2"},
      {"(syd-depreciation 1000 100 5 6)", "Invalid period 6, expected a period from 1 to 5"},
      {"(double-declining-balance 1000 100 0 1)", "Invalid period 1, expected a period from 1 to 0"},
      {"(sln-depreciation 10 1 0)", "Division by zero in sln-depreciation function call"},
      {"(payment 0.1 0 1000 0 ptEndOfPeriod)", "Floating point overflow in payment function call"},
      {"(number-of-periods 0.1 -10 1000 0 ptEndOfPeriod)",
       "Invalid floating point operation in number-of-periods function call"},
      {"(present-value x 2 -100 0 ptEndOfPeriod)", "Not a numeric type.  Value (x) is a dtAtom type"},
      {"(payment 0.1 2 1000 0)", "Too few arguments for payment"},
  };
  TCallEngine engine;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.call);
    test::ExpectError([&] { engine.Eval(c.call); }, c.message);
  }
}

}  // namespace
}  // namespace fxe
