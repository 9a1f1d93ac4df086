// The trigonometry package: its table, the functions against their
// definitions, domain errors raised, and the distance family.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "PackageCallTestSupport.h"
#include "packages/TrigonometryPackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using std::numbers::pi;
using test::TCallEngine;
using test::TExpectedFunction;

constexpr std::string_view kNumber = " <numeric-expression>";
constexpr std::string_view kPoint = " <numeric-expression-X> <numeric-expression-Y>";
constexpr std::string_view kPoints = " <multifield-expression-1> <multifield-expression-2>";

constexpr TExpectedFunction kTrigonometryFunctions[] = {
    {"acos", kNumber, 1, 1},
    {"asin", kNumber, 1, 1},
    {"atan", kNumber, 1, 1},
    {"acosh", kNumber, 1, 1},
    {"asinh", kNumber, 1, 1},
    {"atanh", kNumber, 1, 1},
    {"acot", kNumber, 1, 1},
    {"acoth", kNumber, 1, 1},
    {"acsc", kNumber, 1, 1},
    {"acsch", kNumber, 1, 1},
    {"asec", kNumber, 1, 1},
    {"asech", kNumber, 1, 1},
    {"atan2", kPoint, 2, 2},
    {"cos", kNumber, 1, 1},
    {"sin", kNumber, 1, 1},
    {"tan", kNumber, 1, 1},
    {"cosh", kNumber, 1, 1},
    {"sinh", kNumber, 1, 1},
    {"tanh", kNumber, 1, 1},
    {"cot", kNumber, 1, 1},
    {"csc", kNumber, 1, 1},
    {"sec", kNumber, 1, 1},
    {"coth", kNumber, 1, 1},
    {"csch", kNumber, 1, 1},
    {"sech", kNumber, 1, 1},
    {"cycle-rad", kNumber, 1, 1},
    {"rad-cycle", kNumber, 1, 1},
    {"deg-rad", kNumber, 1, 1},
    {"rad-deg", kNumber, 1, 1},
    {"grad-rad", kNumber, 1, 1},
    {"rad-grad", kNumber, 1, 1},
    {"deg-grad", kNumber, 1, 1},
    {"grad-deg", kNumber, 1, 1},
    {"hypotenuse", kPoint, 2, 2},
    {"distance", kPoints, 2, 2},
    {"distance-sqr", kPoints, 2, 2},
    {"distance-manhattan", kPoints, 2, 2},
};

TEST(TTrigonometryPackage, DefinesItsFunctionsInOrder) {
  TCallEngine engine;
  auto package = TUserPackage::Create<TTrigonometryPackage>(nullptr);
  test::ExpectFunctionTable(*package, engine.Engine(), kTrigonometryFunctions);
}

TEST(TTrigonometryPackage, FunctionsMatchTheirDefinitions) {
  struct TCase {
    std::string_view call;
    double expected;
  };
  const TCase cases[] = {
      {"(acos -1)", pi},
      {"(asin 1)", pi / 2},
      {"(atan 1)", pi / 4},
      {"(acosh 1)", 0.0},
      {"(asinh 1)", std::log(1 + std::sqrt(2.0))},
      {"(atanh 0.5)", 0.5 * std::log(3.0)},
      {"(acot 1)", pi / 4},
      {"(acot -1)", 3 * pi / 4},
      {"(acoth 2)", 0.5 * std::log(3.0)},
      {"(acsc 2)", pi / 6},
      {"(acsch 1)", std::log(1 + std::sqrt(2.0))},
      {"(asec 2)", pi / 3},
      {"(asech 0.5)", std::log(2 + std::sqrt(3.0))},
      // (atan2 X Y) is the angle of the point (X, Y).
      {"(atan2 0 1)", pi / 2},
      {"(atan2 -1 0)", pi},
      {"(atan2 -1 -1)", -3 * pi / 4},
      {"(cos 0)", 1.0},
      {"(sin (/ (PI) 2))", 1.0},
      {"(tan (/ (PI) 4))", 1.0},
      {"(cosh 0)", 1.0},
      {"(sinh 1)", std::sinh(1.0)},
      {"(tanh 1)", std::tanh(1.0)},
      {"(cot (/ (PI) 4))", 1.0},
      {"(csc (/ (PI) 2))", 1.0},
      {"(sec 0)", 1.0},
      {"(coth 1)", 1 / std::tanh(1.0)},
      {"(csch 1)", 1 / std::sinh(1.0)},
      {"(sech 0)", 1.0},
      {"(cycle-rad 1)", 2 * pi},
      {"(rad-cycle (PI))", 0.5},
      {"(deg-rad 180)", pi},
      {"(rad-deg (PI))", 180.0},
      {"(grad-rad 200)", pi},
      {"(rad-grad (PI))", 200.0},
      {"(deg-grad 90)", 100.0},
      {"(grad-deg 100)", 90.0},
      {"(hypotenuse 3 4)", 5.0},
      {"(hypotenuse -5 12.0)", 13.0},
  };
  TCallEngine engine;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.call);
    const TRef<TIEValue> value = engine.Eval(c.call);
    EXPECT_EQ(value->DType(), dtFloat);
    EXPECT_NEAR(value->AsFloat(), c.expected, 1e-12);
  }
}

TEST(TTrigonometryPackage, ResultsOutsideTheRealsRaise) {
  struct TCase {
    std::string_view call;
    std::string_view message;
  };
  const TCase cases[] = {
      {"(acos 2)", "Invalid floating point operation in acos function call"},
      {"(asin -1.5)", "Invalid floating point operation in asin function call"},
      {"(acosh 0.5)", "Invalid floating point operation in acosh function call"},
      {"(atanh 1)", "Floating point overflow in atanh function call"},
      {"(acoth 1)", "Floating point overflow in acoth function call"},
      {"(acsc 0)", "Invalid floating point operation in acsc function call"},
      {"(cot 0)", "Floating point overflow in cot function call"},
      {"(csc 0)", "Floating point overflow in csc function call"},
      {"(coth 0)", "Floating point overflow in coth function call"},
      {"(cosh 1000)", "Floating point overflow in cosh function call"},
      {"(cos abc)", "Not a numeric type.  Value (abc) is a dtAtom type"},
      {"(atan2 1)", "Too few arguments for atan2"},
  };
  TCallEngine engine;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.call);
    test::ExpectError([&] { engine.Eval(c.call); }, c.message);
  }
}

TEST(TTrigonometryPackage, DistancesBetweenPointsOfEqualDimension) {
  using test::ListOf;
  TCallEngine engine;
  const TRef<TIEValue> origin = ListOf({NewInteger(0), NewInteger(0)});
  const TRef<TIEValue> point = ListOf({NewInteger(3), NewFloat(4.0)});
  EXPECT_EQ(engine.Call("distance", {origin, point})->AsText(), "5.0000");
  EXPECT_EQ(engine.Call("distance-sqr", {origin, point})->AsText(), "25.0000");
  EXPECT_EQ(engine.Call("distance-manhattan", {origin, point})->AsText(), "7.0000");
  const TRef<TIEValue> a = ListOf({NewInteger(1), NewInteger(-2), NewAtom("3")});
  const TRef<TIEValue> b = ListOf({NewInteger(-1), NewInteger(2), NewInteger(0)});
  EXPECT_DOUBLE_EQ(engine.Call("distance-manhattan", {a, b})->AsFloat(), 9.0);
  EXPECT_DOUBLE_EQ(engine.Call("distance-sqr", {a, b})->AsFloat(), 29.0);
  // Points of no dimension are at distance 0.
  EXPECT_EQ(engine.Call("distance", {ListOf({}), ListOf({})})->AsFloat(), 0.0);

  test::ExpectError(
      [&] {
        engine.Call("distance", {origin, ListOf({NewInteger(1)})});
      },
      "Invalid multifield arguments, the two multifields must be of the same length");
  test::ExpectError(
      [&] {
        engine.Call("distance-manhattan", {origin, NewInteger(1)});
      },
      "Not a list type.  Value (1) is a dtInteger type");
  test::ExpectError(
      [&] {
        engine.Call("distance", {origin, ListOf({NewInteger(1), NewAtom("x")})});
      },
      "Not a numeric type.  Value (x) is a dtAtom type");
}

}  // namespace
}  // namespace fxe
