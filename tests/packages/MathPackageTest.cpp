// The math package: its table, the integer and float result rules, overflow,
// truncating division, rounding halves to even, and random numbers that
// repeat after a seed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "PackageCallTestSupport.h"
#include "packages/MathPackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::kUnbounded;
using test::TCallEngine;
using test::TExpectedFunction;

constexpr TExpectedFunction kMathFunctions[] = {
    {"/", " <numeric-expression>+", 1, kUnbounded},
    {"-", " <numeric-expression>+", 1, kUnbounded},
    {"mod", " <integer-expression> <integer-expression>", 2, 2},
    {"+", " <numeric-expression>+", 0, kUnbounded},
    {"*", " <numeric-expression>+", 0, kUnbounded},
    {"abs", " <numeric-expression>", 1, 1},
    {"div", " <integer-expression>+", 1, kUnbounded},
    {"exp", " <numeric-expression>", 1, 1},
    {"**", " <numeric-expression> <numeric-expression>", 2, 2},
    {"PI", "", 0, 0},
    {"float", " <numeric-expression>", 1, 1},
    {"integer", " <numeric-expression>", 1, 1},
    {"max", " <numeric-expression>+", 1, kUnbounded},
    {"min", " <numeric-expression>+", 1, kUnbounded},
    {"log", " <numeric-expression>", 1, 1},
    {"log10", " <numeric-expression>", 1, 1},
    {"random", " [[<low-integer-expression>] <high-integer-expression>]", 0, 2},
    {"randomize", " [<seed-integer-expression> ]", 0, 1},
    {"round", " <numeric-expression>", 1, 1},
    {"sqrt", " <numeric-expression>", 1, 1},
    {"seed", " <integer-expression>", 1, 1},
};

TEST(TMathPackage, DefinesItsFunctionsInOrder) {
  TCallEngine engine;
  auto package = TUserPackage::Create<TMathPackage>(nullptr);
  test::ExpectFunctionTable(*package, engine.Engine(), kMathFunctions);
}

struct TResultCase {
  std::string_view call;
  // Kind name and printed form.
  std::string_view result;
};

void ExpectResults(TCallEngine& engine, std::span<const TResultCase> cases) {
  for (const TResultCase& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(engine.Printed(c.call), c.result);
  }
}

TEST(TMathPackage, ArithmeticIsIntegerUnlessAFloatTakesPart) {
  const TResultCase cases[] = {
      {"(+ 1 2)", "dtInteger 3"},
      {"(+ 1 2.0)", "dtFloat 3.0000"},
      {"(+)", "dtInteger 0"},
      {"(*)", "dtInteger 1"},
      {"(* 2 3 4)", "dtInteger 24"},
      {"(* 2 1.5)", "dtFloat 3.0000"},
      {"(- 10 3 2)", "dtInteger 5"},
      {"(- 7)", "dtInteger 7"},
      {"(- 1 0.5)", "dtFloat 0.5000"},
      // Symbols that read as numbers take part, but only a float makes a float.
      {"(+ 1 \"2.75\")", "dtInteger 3"},
      {"(+ 1 -2.75)", "dtFloat -1.7500"},
      {"(/ 6 3)", "dtFloat 2.0000"},
      {"(/ 1 4 2)", "dtFloat 0.1250"},
      {"(/ 5)", "dtFloat 5.0000"},
      {"(abs -4)", "dtInteger 4"},
      {"(abs -4.5)", "dtFloat 4.5000"},
      {"(abs \"-3\")", "dtFloat 3.0000"},
      {"(float 3)", "dtFloat 3.0000"},
      {"(integer 3.99)", "dtInteger 3"},
      {"(integer -3.99)", "dtInteger -3"},
      {"(PI)", "dtFloat 3.1416"},
      {"(** 2 10)", "dtFloat 1024.0000"},
      {"(** 4 0.5)", "dtFloat 2.0000"},
      {"(exp 0)", "dtFloat 1.0000"},
      {"(log10 1000)", "dtFloat 3.0000"},
      {"(sqrt 16)", "dtFloat 4.0000"},
      {"(+ (* 2 3) (- 10 4))", "dtInteger 12"},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  EXPECT_DOUBLE_EQ(engine.Eval("(PI)")->AsFloat(), std::numbers::pi);
  EXPECT_DOUBLE_EQ(engine.Eval("(log 10)")->AsFloat(), std::log(10.0));
}

TEST(TMathPackage, MaxAndMinTakeTheKindOfTheFirstAndOfEachNewExtreme) {
  const TResultCase cases[] = {
      {"(max 1 5 3)", "dtInteger 5"},
      {"(min 4 -2 7)", "dtInteger -2"},
      {"(max 1.0 5 3)", "dtFloat 5.0000"},
      {"(max 1 5.5 3)", "dtFloat 5.5000"},
      // 2.5 was the extreme once, so the result stays a float.
      {"(max 1 2.5 7)", "dtFloat 7.0000"},
      // A float that never leads leaves the result an integer.
      {"(max 9 2.5 7)", "dtInteger 9"},
      {"(min 9 12.5 7)", "dtInteger 7"},
      {"(max 3)", "dtInteger 3"},
      {"(max 3 3.0)", "dtInteger 3"},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
}

TEST(TMathPackage, DivAndModTruncateTowardZero) {
  const TResultCase cases[] = {
      {"(div 7 2)", "dtInteger 3"},
      {"(div -7 2)", "dtInteger -3"},
      {"(div 7 -2)", "dtInteger -3"},
      {"(div -7 -2)", "dtInteger 3"},
      {"(div 100 3 2)", "dtInteger 16"},
      {"(div 9)", "dtInteger 9"},
      {"(div 7.9 2.9)", "dtInteger 3"},
      {"(mod 7 3)", "dtInteger 1"},
      {"(mod -7 3)", "dtInteger -1"},
      {"(mod 7 -3)", "dtInteger 1"},
      {"(mod -7 -3)", "dtInteger -1"},
      {"(mod -2147483648 -1)", "dtInteger 0"},
      {"(div -2147483647 -1)", "dtInteger 2147483647"},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
}

TEST(TMathPackage, RoundsHalvesToEven) {
  const TResultCase cases[] = {
      {"(round 2.5)", "dtFloat 2.0000"},    {"(round 3.5)", "dtFloat 4.0000"},   {"(round -2.5)", "dtFloat -2.0000"},
      {"(round -3.5)", "dtFloat -4.0000"},  {"(round 0.5)", "dtFloat 0.0000"},   {"(round 2.4999)", "dtFloat 2.0000"},
      {"(round 2.5001)", "dtFloat 3.0000"}, {"(round -0.7)", "dtFloat -1.0000"}, {"(round 7)", "dtFloat 7.0000"},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  EXPECT_EQ(engine.Eval("(round 4503599627370497.0)")->AsFloat(), 4503599627370497.0);
}

TEST(TMathPackage, ResultsBeyondTheNumbersRaise) {
  struct TErrorCase {
    std::string_view call;
    std::string_view message;
  };
  const TErrorCase cases[] = {
      {"(+ 2147483647 1)", "Integer overflow in + function call"},
      {"(- -2147483647 2)", "Integer overflow in - function call"},
      {"(* 65536 65536)", "Integer overflow in * function call"},
      {"(abs -2147483648)", "Integer overflow in abs function call"},
      {"(div -2147483648 -1)", "Integer overflow in div function call"},
      {"(/ 1 0)", "Division by zero in / function call"},
      {"(/ 0 0.0)", "Division by zero in / function call"},
      {"(div 5 0)", "Division by zero in div function call"},
      {"(mod 5 0)", "Division by zero in mod function call"},
      {"(/ 1e300 1e-300)", "Floating point overflow in / function call"},
      {"(* 1e300 1e300 1.0)", "Floating point overflow in * function call"},
      {"(exp 1000)", "Floating point overflow in exp function call"},
      {"(sqrt -1)", "Invalid floating point operation in sqrt function call"},
      {"(log -1)", "Invalid floating point operation in log function call"},
      {"(log 0)", "Division by zero in log function call"},
      {"(log10 0)", "Division by zero in log10 function call"},
      {"(** 0 -1)", "Division by zero in ** function call"},
      {"(** -8 0.5)", "Invalid floating point operation in ** function call"},
      {"(integer 1e10)", "Not a integer type.  Value (10000000000.0000) is a dtFloat type"},
      {"(+ 1 abc)", "Not a numeric type.  Value (abc) is a dtAtom type"},
      {"(div 1 abc)", "Not a integer type.  Value (abc) is a dtAtom type"},
      {"(mod)", "Too few arguments for mod"},
      {"(PI 1)", "Too many arguments for PI"},
  };
  TCallEngine engine;
  for (const TErrorCase& c : cases) {
    SCOPED_TRACE(c.call);
    test::ExpectError([&] { engine.Eval(c.call); }, c.message);
  }
  // The sum is taken in double precision, so a passing excursion does no harm.
  EXPECT_EQ(engine.Eval("(+ 2147483647 1 -1)")->AsInteger(), 2147483647);
}

std::vector<std::int32_t> Draws(TCallEngine& engine, std::string_view call, int count) {
  std::vector<std::int32_t> draws;
  for (int i = 0; i < count; ++i) draws.push_back(engine.Eval(call)->AsInteger());
  return draws;
}

TEST(TMathPackage, RandomNumbersRepeatAfterTheSameSeed) {
  TCallEngine engine;
  EXPECT_EQ(engine.Eval("(seed 42)").Get(), SharedValues().Nil.Get());
  const auto first = Draws(engine, "(random)", 20);
  engine.Eval("(seed 42)");
  EXPECT_EQ(Draws(engine, "(random)", 20), first);
  engine.Eval("(randomize 42)");
  EXPECT_EQ(Draws(engine, "(random)", 20), first);
  engine.Eval("(seed 43)");
  EXPECT_NE(Draws(engine, "(random)", 20), first);
}

TEST(TRandomGenerator, FollowsTheSplitMixSequence) {
  // The published first outputs of the split-mix generator from state 0.
  TRandomGenerator generator(0);
  EXPECT_EQ(generator.Next(), 0xE220A8397B1DCDAFu);
  EXPECT_EQ(generator.Next(), 0x6E789E6AA1B965F4u);
  EXPECT_EQ(generator.Next(), 0x06C45D188009454Fu);
}

TEST(TMathPackage, RandomStaysInItsRange) {
  TCallEngine engine;
  engine.Eval("(seed 7)");
  std::set<std::int32_t> seen;
  for (std::int32_t value : Draws(engine, "(random 5 10)", 2000)) {
    EXPECT_GE(value, 5);
    EXPECT_LE(value, 14);
    seen.insert(value);
  }
  EXPECT_EQ(seen.size(), 10u);
  for (std::int32_t value : Draws(engine, "(random 3)", 200)) EXPECT_TRUE(value >= 0 && value < 3);
  for (std::int32_t value : Draws(engine, "(random)", 200)) EXPECT_TRUE(value >= 0 && value < 65536);
  EXPECT_EQ(Draws(engine, "(random -5 1)", 3), (std::vector<std::int32_t>{-5, -5, -5}));
  for (std::int32_t value : Draws(engine, "(random -2147483648 2147483647)", 100)) EXPECT_LT(value, 2147483647);
  test::ExpectError([&] { engine.Eval("(random 0)"); },
                    "Invalid random range, the high value must be greater than 0: 0");
  test::ExpectError([&] { engine.Eval("(random 5 -1)"); },
                    "Invalid random range, the high value must be greater than 0: -1");
  test::ExpectError([&] { engine.Eval("(random 2147483647 2)"); }, "Integer overflow in random function call");
}

TEST(TMathPackage, EachEngineHasAGeneratorOfItsOwn) {
  TCallEngine a;
  TCallEngine b;
  a.Eval("(seed 5)");
  b.Eval("(seed 5)");
  const auto fromA = Draws(a, "(random 100000)", 5);
  a.Eval("(seed 6)");
  EXPECT_EQ(Draws(b, "(random 100000)", 5), fromA);
}

TEST(TMathPackage, FunctionNamesAreCaseSensitive) {
  // The constant PI and the fuzzy shape pi are different functions.
  TCallEngine engine(TFunctionPackages{pMath});
  EXPECT_EQ(engine.Printed("(PI)"), "dtFloat 3.1416");
  test::ExpectError([&] { engine.Eval("(pi)"); }, "Function is unimplemented or unassigned: pi");
  test::ExpectError([&] { engine.Eval("(ABS -1)"); }, "Function is unimplemented or unassigned: ABS");
}

}  // namespace
}  // namespace fxe
