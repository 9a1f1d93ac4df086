// The fuzzy-logic package through the engine: its table against the
// functions' names, usage texts and arities, the settings and their words,
// fuzzy-assert's per-call inference method, shapes, point readers, the
// universe, defuzzification and the exact text of plots.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/FuzzyConsts.h"
#include "engine/InferenceEngine.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "packages/FuzzyLogicPackage.h"
#include "support/PackageSignatures.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

constexpr std::int32_t N = UnlimitedArguments;
constexpr std::string_view U1 = " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression>";
constexpr std::string_view U2 =
    " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> <integer-expression> ";
constexpr std::string_view U3 =
    " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> <numeric-expression> ";
constexpr std::string_view U4 = " <fact-id-expression> | <fact-expression> | <fuzzy-value-expression> ";
constexpr std::string_view U5 = " <fuzzy-type-expression> | <fuzzy-fact-expression> | <fuzzy-fact-id-expression>";
constexpr std::string_view U6 =
    " <io-stream-identifier-string-expression> <plot-chars-string-expression> <low-limit-numeric-expression> "
    "<high-limit-numeric-expression> <fuzzy-variable-name-expression>|<fuzzy-value-expression>|<fact-id-expression>"
    "|<fact-expression>+";
constexpr std::string_view U7 =
    " [ <center-numeric-expression> <range-numeric-expression> ] |  [ <left-numeric-expression> "
    "<center-numeric-expression> <right-numeric-expression> ]";

constexpr test::TFunctionSignature kSignatures[] = {
    {"create-fuzzy-value", " <fuzzy-variable-expression> <fuzzy-set-expression>", 2, N},
    {"fuzzy-assert", " <fuzzy-inference-expression> <fact-expression>*", 2, N},
    {"fuzzy-assert-unconditional", " [<fuzzy-inference-expression>] <fact-expression>*", 1, N},
    {"fuzzy-union", " <fuzzy-value-expression> <fuzzy-value-expression>+", 2, N},
    {"fuzzy-union-x", " <fuzzy-union-type-expression> <fuzzy-value-expression> <fuzzy-value-expression>+", 3, N},
    {"fuzzy-intersection", " <fuzzy-value-expression> <fuzzy-value-expression>+", 2, N},
    {"fuzzy-intersection-x", " <fuzzy-intersection-type-expression> <fuzzy-value-expression> <fuzzy-value-expression>+",
     3, N},
    {"get-fs", U1, 1, 1},
    {"get-fs-length", U1, 1, 1},
    {"get-fs-x", U2, 2, 2},
    {"get-fs-y", U2, 2, 2},
    {"get-fs-variable", U1, 1, 1},
    {"get-fs-value", U3, 2, 2},
    {"get-activation-threshold", " ", 0, 0},
    {"set-activation-threshold", " <numeric-expression> ", 1, 1},
    {"get-fuzzy-auto-terms", " ", 0, 0},
    {"set-fuzzy-auto-terms", " <boolean-expression> ", 1, 1},
    {"get-fuzzy-correlation", " ", 0, 0},
    {"set-fuzzy-correlation", " <correlation-expression> ", 1, 1},
    {"get-fuzzy-inference", " ", 0, 0},
    {"set-fuzzy-inference", " <fuzzy-inference-expression> ", 1, 1},
    {"get-fuzzy-threshold", " ", 0, 0},
    {"set-fuzzy-threshold", " <numeric-expression> ", 1, 1},
    {"get-u", U5, 1, 1},
    {"get-u-from", U5, 1, 1},
    {"get-u-to", U5, 1, 1},
    {"get-u-units", U5, 1, 1},
    {"moment-defuzzify", U4, 1, 1},
    {"maximum-defuzzify", U4, 1, 1},
    {"is-undecidable", U4, 1, 1},
    {"get-compatibility-index", U4, 1, 1},
    {"plot-fuzzy-value", U6, 5, N},
    {"s", " <numeric-expression> <numeric-expression> ", 2, 2},
    {"z", " <numeric-expression> <numeric-expression> ", 2, 2},
    {"pi", U7, 2, 3},
    {"tri", " <left-numeric-expression> <center-numeric-expression> <right-numeric-expression> ", 3, 3},
    {"beta",
     " <center-numeric-expression> <range-numeric-expression> [ <inflection-numeric-expression> [ "
     "<weight-numeric-expression> ]]",
     2, 4},
};

TEST(TFuzzyLogicPackage, FunctionsHaveTheirNamesUsagesAndAritiesInOrder) {
  auto package = TUserPackage::Create<TFuzzyLogicPackage>(nullptr);
  test::ExpectSignatures(*package, kSignatures);
}

constexpr std::string_view kRiskBase = R"(
(deftype RISK extends (type FUZZY) (range 0.0 1.0)
  (values (term increased ((0.0 0.0) (0.1667 0.0556) (0.3333 0.2222) (0.5 0.5) (0.6667 0.7778) (0.8333 0.9444) (1.0 1.0)))
          (term medium ((0.0 0.0) (0.5 1.0) (1.0 0.0)))))
(deftype T extends (type FUZZY) (range 0.0 1.0)
  (values (term down ((0.0 1.0) (1.0 0.0))) (term up ((0.0 0.0) (1.0 1.0)))))
(deftype R extends (type FUZZY) (range 0.0 50.0) (values (term ramp ((0.0 0.0) (32.0 1.0)))))
(deftemplate risk is-a RISK)
(deftemplate reading (slot id) (slot level (type T)))
)";

class FuzzyLogicPackageTest : public ::testing::Test {
 protected:
  FuzzyLogicPackageTest() {
    engine.SetFuzzyAutoTerms(false);
    engine.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
    engine.Parse(kRiskBase);
  }
  // Evaluated in the engine's root context, as a command would be.
  TRef<TIEValue> Call(std::string_view text) { return engine.ParseFunctionCall(text)->Evaluate(engine.Context()); }
  std::string Text(std::string_view text) { return Call(text)->AsText(); }

  TInferenceEngine engine;
  std::string output;
};

TEST_F(FuzzyLogicPackageTest, InferenceSetterReturnsThePreviousWordAndRefusesEnumerationNames) {
  EXPECT_EQ(Text("(get-fuzzy-inference)"), "min-max");
  EXPECT_EQ(Text("(set-fuzzy-inference sum)"), "min-max");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimAdditive);
  EXPECT_EQ(Text("(set-fuzzy-inference \"bounded-sum\")"), "sum");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimBoundedSum);
  ExpectError([&] { Call("(set-fuzzy-inference additive)"); },
              "Invalid Fuzzy Inference specified (additive), expected minmax, additive, mean, product, boundedsum");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimBoundedSum);
}

TEST_F(FuzzyLogicPackageTest, CorrelationSetterReturnsThePreviousWord) {
  EXPECT_EQ(Text("(set-fuzzy-correlation product)"), "minimum");
  EXPECT_EQ(engine.FuzzyCorrelationMethod(), fcmProduct);
  EXPECT_EQ(Text("(get-fuzzy-correlation)"), "product");
  ExpectError([&] { Call("(set-fuzzy-correlation max)"); },
              "Invalid Fuzzy Correlation specified (max), expected minimum, product");
}

TEST_F(FuzzyLogicPackageTest, NumericSettingsReturnThePreviousValueAndClamp) {
  EXPECT_EQ(Text("(set-fuzzy-threshold 0.25)"), "0.0100");
  EXPECT_EQ(Text("(get-fuzzy-threshold)"), "0.2500");
  EXPECT_EQ(Text("(set-fuzzy-threshold 7)"), "0.2500");
  EXPECT_EQ(engine.FuzzyEqualsThreshold(), 1.0f);
  EXPECT_EQ(Text("(set-activation-threshold -3.5)"), "0.0000");
  EXPECT_EQ(Text("(set-activation-threshold 0.5)"), "0.0000");
  EXPECT_EQ(Text("(get-activation-threshold)"), "0.5000");
  EXPECT_EQ(Text("(set-activation-threshold 1e300)"), "0.5000");
  EXPECT_EQ(engine.MinActivationStrength(), 1.0f);
  EXPECT_EQ(Text("(set-fuzzy-auto-terms TRUE)"), "FALSE");
  EXPECT_EQ(Text("(get-fuzzy-auto-terms)"), "TRUE");
}

TEST_F(FuzzyLogicPackageTest, FuzzyAssertUsesItsMethodForTheCallOnly) {
  engine.SetFuzzyInferenceMethod(fimMean);
  const TRef<TIEValue> id = Call("(fuzzy-assert sum (risk increased))");
  EXPECT_EQ(id->DType(), dtFactId);
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimMean);
  Call("(fuzzy-assert sum (risk increased))");
  // Combined under sum, not mean: the union's name records the operation.
  EXPECT_EQ(engine.FactAt(engine.FactCount() - 1).AsString(), "(risk increased or-sum increased )");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimMean);
}

TEST_F(FuzzyLogicPackageTest, FuzzyAssertRestoresTheMethodAfterAnError) {
  engine.SetFuzzyInferenceMethod(fimProduct);
  // The second argument is no fact: the first was asserted under sum, and the
  // engine's method is back afterwards.
  EXPECT_THROW(Call("(fuzzy-assert sum (risk increased) 12)"), EIEException);
  EXPECT_EQ(engine.FactAt(engine.FactCount() - 1).AsString(), "(risk increased )");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimProduct);
  ExpectError([&] { Call("(fuzzy-assert 12 (risk increased))"); },
              "Invalid Fuzzy Inference specified (12), expected minmax, additive, mean, product, boundedsum");
  ExpectError([&] { Call("(fuzzy-assert min-max 12)"); }, "Not a fact type.  Value (12) is a dtInteger type");
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimProduct);
}

TEST_F(FuzzyLogicPackageTest, UnconditionalAssertTakesAFactFirstUnderMinMax) {
  const TRef<TIEValue> id = Call("(fuzzy-assert-unconditional (risk increased))");
  EXPECT_EQ(id->DType(), dtFactId);
  EXPECT_EQ(engine.FindFact(id->RawInteger())->AsString(), "(risk increased )");
  EXPECT_EQ(Call("(fuzzy-assert-unconditional mean (risk medium))")->DType(), dtFactId);
}

TEST_F(FuzzyLogicPackageTest, ShapesHaveTheGeneratorsPoints) {
  EXPECT_EQ(Text("(get-fs (s 0 1))"),
            "((0.0000 0.0000) (0.1667 0.0556) (0.3333 0.2222) (0.5000 0.5000) (0.6667 0.7778) (0.8333 0.9444) "
            "(1.0000 1.0000) )");
  EXPECT_EQ(Text("(get-fs-length (pi 0.5 0.25))"), "7");
  EXPECT_EQ(Text("(get-fs-x (pi 0.5 0.25) 0)"), "0.2500");
  EXPECT_EQ(Text("(get-fs-x (pi 0.5 0.25) 6)"), "0.7500");
  EXPECT_EQ(Text("(get-fs-value (pi 0.5 0.25) 0.5)"), "1.0000");
  EXPECT_EQ(Text("(get-fs-x (beta 0.5 0.5) 0)"), "0.0000");
  EXPECT_EQ(Text("(get-fs-x (beta 0.5 0.5) 6)"), "1.0000");
  EXPECT_EQ(Text("(get-fs-value (z 0 1) 0)"), "1.0000");
  EXPECT_EQ(Text("(get-fs-value (z 0 1) 1)"), "0.0000");
  EXPECT_EQ(Text("(get-fs (tri 0 1 2))"), "((0.0000 0.0000) (1.0000 1.0000) (2.0000 0.0000) )");
  EXPECT_THROW(Call("(get-fs-x (tri 0 1 2) 3)"), std::exception);
  EXPECT_THROW(Call("(get-fs-x (tri 0 1 2) -1)"), std::exception);
}

TEST_F(FuzzyLogicPackageTest, PointReadersTakeFactsFactIdsAndValues) {
  const std::int32_t id = engine.AssertString("(risk medium)");
  EXPECT_EQ(Text("(get-fs-length " + std::to_string(id) + ")"), "3");
  EXPECT_EQ(Text("(get-fs-x " + std::to_string(id) + " 1)"), "0.5000");
  EXPECT_EQ(Text("(get-fs-y (create-fuzzy-value RISK medium) 1)"), "1.0000");
  EXPECT_EQ(Text("(get-fs-variable (create-fuzzy-value RISK very medium))"), "RISK");
  EXPECT_EQ(Text("(get-fs-value (create-fuzzy-value RISK medium) 0.25)"), "0.5000");
  ExpectError([&] { Call("(get-fs-length 999)"); }, "No Such Fact with ID=999 exists");
  ExpectError([&] { Call("(get-fs-length 0)"); }, "Fact is not a fuzzy fact");
  ExpectError([&] { Call("(get-fs-variable (s 0 1))"); },
              std::string("Fuzzy value ") + Text("(s 0 1)") + " has no fuzzy variable");
}

TEST_F(FuzzyLogicPackageTest, UnionAndIntersectionFoldTheirOperands) {
  EXPECT_EQ(Text("(get-fs-value (fuzzy-union (create-fuzzy-value T down) (create-fuzzy-value T up)) 0.25)"), "0.7500");
  EXPECT_EQ(Text("(get-fs-value (fuzzy-intersection (create-fuzzy-value T down) (create-fuzzy-value T up)) 0.25)"),
            "0.2500");
  EXPECT_EQ(Text("(get-fs-value (fuzzy-union-x sum (create-fuzzy-value T down) (create-fuzzy-value T up)) 0.25)"),
            "1.0000");
  EXPECT_EQ(Text("(get-fs-value (fuzzy-intersection-x product (create-fuzzy-value T down) "
                 "(create-fuzzy-value T up)) 0.5)"),
            "0.2500");
  ExpectError([&] { Call("(fuzzy-union-x foo (create-fuzzy-value T down) (create-fuzzy-value T up))"); },
              "Invalid Fuzzy operation specified (foo) for fuzzy-union-x, expected zadeh, mean, mean-sqr, "
              "mean-sqrt, product, bounded-sum, or sum");
  ExpectError<EFzyException>(
      [&] { Call("(fuzzy-intersection-x sum (create-fuzzy-value T down) (create-fuzzy-value T up))"); },
      "Invalid fuzzy operation: foSum");
}

TEST_F(FuzzyLogicPackageTest, UniverseOfTypesAndValues) {
  EXPECT_EQ(Call("(get-u RISK)")->AsString(), "0.0000 - 1.0000 ");
  EXPECT_EQ(Text("(get-u-from R)"), "0.0000");
  EXPECT_EQ(Text("(get-u-to (create-fuzzy-value R ramp))"), "50.0000");
  EXPECT_EQ(Call("(get-u-units \"R\")")->AsString(), "");
  ExpectError([&] { Call("(get-u 1.5)"); },
              "Invalid argument type for deffunction: \"1.5000\".  Expected Atom, String, Fuzzy");
  ExpectError([&] { Call("(get-u NOTYPE)"); }, "type name unknown or invalid: NOTYPE");
}

TEST_F(FuzzyLogicPackageTest, DefuzzifyingAFactsValueDecidesIt) {
  const std::string id = std::to_string(engine.AssertString("(risk medium)"));
  EXPECT_EQ(Text("(is-undecidable " + id + ")"), "TRUE");
  EXPECT_EQ(Text("(moment-defuzzify " + id + ")"), "0.5000");
  EXPECT_EQ(Text("(is-undecidable " + id + ")"), "FALSE");
  EXPECT_EQ(Text("(get-compatibility-index " + id + ")"), "1.0000");
  EXPECT_EQ(Text("(maximum-defuzzify (create-fuzzy-value T up))"), "1.0000");
}

TEST_F(FuzzyLogicPackageTest, PlotOfValuesOverwritesEarlierSetsAndReusesTheLastCharacter) {
  EXPECT_EQ(Call("(plot-fuzzy-value t \"+*\" 0 1 (create-fuzzy-value T down) (create-fuzzy-value T up))").Get(),
            SharedValues().True.Get());
  EXPECT_EQ(output,
            "Fuzzy Values: down(+) up(*)\r\n"
            "\r\n"
            "1.0000++                                               *\r\n"
            "0.9500  ++                                           ** \r\n"
            "0.9000    +++                                     ***   \r\n"
            "0.8500       ++                                 **      \r\n"
            "0.8000         +++                           ***        \r\n"
            "0.7500            ++                       **           \r\n"
            "0.7000              +++                 ***             \r\n"
            "0.6500                 ++             **                \r\n"
            "0.6000                   +++       ***                  \r\n"
            "0.5500                      ++   **                     \r\n"
            "0.5000                        ***                       \r\n"
            "0.4500                      **   ++                     \r\n"
            "0.4000                   ***       +++                  \r\n"
            "0.3500                 **             ++                \r\n"
            "0.3000              ***                 +++             \r\n"
            "0.2500            **                       ++           \r\n"
            "0.2000         ***                           +++        \r\n"
            "0.1500       **                                 ++      \r\n"
            "0.1000    ***                                     +++   \r\n"
            "0.0500  **                                           ++ \r\n"
            "0.0000**                                               +\r\n"
            "    |----|----|----|----|----|----|----|----|----|----|\r\n"
            "   0.00      0.20      0.40      0.60      0.80      1.00\r\n"
            "\r\n"
            "Universe of Discourse: From 0.00 to 1.00\r\n");
  output.clear();
  Call("(plot-fuzzy-value t \"+\" nil nil (create-fuzzy-value T down) (create-fuzzy-value T up))");
  EXPECT_NE(output.find("Fuzzy Values: down(+) up(+)\r\n"), std::string::npos);
}

TEST_F(FuzzyLogicPackageTest, PlotOfAVariableClampsTheLimitsIntoItsUniverse) {
  // Columns 3 and 4 both land on grade 0.1: 20 * 4/32 = 2.5 goes to the even row.
  Call("(plot-fuzzy-value t \"#\" -10 100 R)");
  EXPECT_EQ(output,
            "Fuzzy Variable: R\r\n"
            "Fuzzy Values: ramp(#)\r\n"
            "\r\n"
            "1.0000                                ##################\r\n"
            "0.9500                              ##                  \r\n"
            "0.9000                            ##                    \r\n"
            "0.8500                           #                      \r\n"
            "0.8000                         ##                       \r\n"
            "0.7500                        #                         \r\n"
            "0.7000                      ##                          \r\n"
            "0.6500                     #                            \r\n"
            "0.6000                   ##                             \r\n"
            "0.5500                 ##                               \r\n"
            "0.5000                #                                 \r\n"
            "0.4500              ##                                  \r\n"
            "0.4000            ##                                    \r\n"
            "0.3500           #                                      \r\n"
            "0.3000         ##                                       \r\n"
            "0.2500        #                                         \r\n"
            "0.2000      ##                                          \r\n"
            "0.1500     #                                            \r\n"
            "0.1000   ##                                             \r\n"
            "0.0500 ##                                               \r\n"
            "0.0000#                                                 \r\n"
            "    |----|----|----|----|----|----|----|----|----|----|\r\n"
            "   0.00     10.00     20.00     30.00     40.00     50.00\r\n"
            "\r\n"
            "Universe of Discourse: From 0.00 to 50.00\r\n");
}

TEST_F(FuzzyLogicPackageTest, PlotRefusesBadLimitsAndMixedVariables) {
  ExpectError([&] { Call("(plot-fuzzy-value t \"*\" 0.6 0.4 T)"); },
              "Invalid low and high limits specified: 0.6000 to 0.4000");
  ExpectError([&] { Call("(plot-fuzzy-value t \"*\" 1e300 -1e300 (s 0 1))"); },
              "Invalid low and high limits specified: " + std::string(Format("%.4f", 1e300)) + " to " +
                  std::string(Format("%.4f", -1e300)));
  ExpectError([&] { Call("(plot-fuzzy-value t \"*\" -1e308 1e308 (s 0 1))"); },
              "Invalid low and high limits specified: " + std::string(Format("%.4f", -1e308)) + " to " +
                  std::string(Format("%.4f", 1e308)));
  ExpectError([&] { Call("(plot-fuzzy-value t \"*\" 0 1 (create-fuzzy-value T up) (create-fuzzy-value R ramp))"); },
              "Fuzzy variables are different, up is a term from T and ramp is a term from R");
  ExpectError([&] { Call("(plot-fuzzy-value t \"\" 0 1 T)"); }, "No plot characters given to plot-fuzzy-value");
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace fxe
