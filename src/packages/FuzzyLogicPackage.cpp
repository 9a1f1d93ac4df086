// The fuzzy-logic package's table and the bodies of its functions (the text
// plot and the argument readers live in FuzzyPlot.cpp and FuzzyArguments.cpp).
#include "packages/FuzzyLogicPackage.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEFacts.h"
#include "packages/FuzzyArguments.h"

namespace fxe {
namespace {

// --- Word lists -------------------------------------------------------------

// "a, b, or c": the operation words as the operation message lists them.
std::string OperationWordList() {
  std::string list;
  const auto& words = FuzzyConsts::OperationNames;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) list += ", ";
    if (i + 1 == words.size()) list += "or ";
    list += words[i];
  }
  return list;
}

// Enumeration names without their three-letter prefix, lower-cased, joined by ", ".
template <std::size_t N>
std::string MethodWordList(const std::array<std::string_view, N>& names) {
  std::string list;
  for (const std::string_view name : names) {
    if (!list.empty()) list += ", ";
    for (const char c : name.substr(3)) list += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return list;
}

bool IsWord(const TIEValue& value) noexcept { return value.DType() == dtAtom || value.DType() == dtString; }

// The position of a setting's word (a symbol or string) in its list; raises
// message with the value and the list of enumeration names otherwise.
template <std::size_t N>
int MethodIndex(const TIEValue& value, int (*find)(std::string_view) noexcept, std::string_view message,
                const std::array<std::string_view, N>& methodNames) {
  const int index = IsWord(value) ? find(value.Text()) : -1;
  if (index < 0)
    Raise<EIEException>(message, IsWord(value) ? std::string(value.Text()) : value.AsText(),
                        MethodWordList(methodNames));
  return index;
}

TFuzzyInferenceMethod InferenceFromValue(const TIEValue& value) {
  return static_cast<TFuzzyInferenceMethod>(
      MethodIndex(value, FindInferenceName, FuzzyConsts::SInvalidFuzzyInference, FuzzyConsts::InferenceMethodNames));
}

TRef<TIEValue> FuzzyValue(TRef<IFuzzySet> set) { return MakeRef<TIEValue>(std::move(set)); }

// A setting's number clamped into [0, 1] before it becomes a float (NaN as 0).
float UnitInterval(double number) noexcept { return number > 0.0 ? static_cast<float>(std::min(number, 1.0)) : 0.0f; }

// --- Building and combining -------------------------------------------------

TRef<TIEValue> CreateFuzzyValue(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const TRef<IFuzzyVariable> variable = FuzzyVariableOfValue(engine, *arguments.Value(0));
  IIEContext* bindings = arguments.Context();
  if (!bindings) bindings = engine.Context();
  return EvaluateFuzzyExpression(variable.Get(), arguments.Call().Arguments().subspan(1), bindings,
                                 engine.FuzzyParser());
}

// Asserts copies of the facts from argument first on, each with method in
// force for that one assertion; the last fact-id, FALSE for a refused one.
TRef<TIEValue> AssertFacts(TArguments& arguments, std::int32_t first, TRef<TIEValue> firstValue,
                           TFuzzyInferenceMethod method, bool unconditional) {
  IInferenceEngine& engine = arguments.Engine();
  std::int32_t id = -1;
  for (std::int32_t i = first; i < arguments.Count(); ++i) {
    const TRef<TIEValue> value = i == first && firstValue ? std::move(firstValue) : arguments.Value(i);
    const TRef<IFact> fact = value->AsFact()->Clone();
    engine.ResolveFact(*fact, arguments.Context());
    id = engine.AssertWith(*fact, method, unconditional);
  }
  return id < 0 ? SharedValues().False : MakeRef<TIEValue>(id, dtFactId);
}

TRef<TIEValue> FuzzyAssert(TArguments& arguments) {
  return AssertFacts(arguments, 1, nullptr, InferenceFromValue(*arguments.Value(0)), false);
}

TRef<TIEValue> FuzzyAssertUnconditional(TArguments& arguments) {
  TRef<TIEValue> head = arguments.Value(0);
  if (!IsWord(*head)) return AssertFacts(arguments, 0, std::move(head), fimMinMax, true);
  return AssertFacts(arguments, 1, nullptr, InferenceFromValue(*head), true);
}

TFuzzyOperation OperationArgument(TArguments& arguments) {
  const std::string word = arguments.Text(0);
  const int index = FindOperationName(word);
  if (index < 0)
    Raise<EIEException>(FuzzyConsts::SInvalidFuzzyOperationWord, word, arguments.FunctionName(), OperationWordList());
  return static_cast<TFuzzyOperation>(index);
}

// Folds the fuzzy arguments from first on, left to right; the operands stay
// as they are and the result is a new set.
TRef<TIEValue> FoldFuzzy(TArguments& arguments, std::int32_t first, TFuzzyOperation operation, bool isUnion) {
  TRef<IFuzzySet> accumulator = FuzzyArgument(arguments, first);
  for (std::int32_t i = first + 1; i < arguments.Count(); ++i) {
    const TRef<IFuzzySet> operand = FuzzyArgument(arguments, i);
    accumulator = isUnion ? accumulator->Union(*operand, operation) : accumulator->Intersection(*operand, operation);
  }
  return FuzzyValue(std::move(accumulator));
}

TRef<TIEValue> FuzzyUnion(TArguments& arguments) { return FoldFuzzy(arguments, 0, foZadeh, true); }
TRef<TIEValue> FuzzyUnionX(TArguments& arguments) {
  return FoldFuzzy(arguments, 1, OperationArgument(arguments), true);
}
TRef<TIEValue> FuzzyIntersection(TArguments& arguments) { return FoldFuzzy(arguments, 0, foZadeh, false); }
TRef<TIEValue> FuzzyIntersectionX(TArguments& arguments) {
  return FoldFuzzy(arguments, 1, OperationArgument(arguments), false);
}

// --- Reading fuzzy values ---------------------------------------------------

TRef<TIEValue> GetFs(TArguments& arguments) {
  const TRef<IFuzzySet> set = FuzzyArgument(arguments, 0);
  auto points = MakeRef<TSingletonsVector>(dynamic_cast<const ISingletonsParser*>(arguments.Engine().FuzzyParser()));
  for (const TFuzzySetValue& point : set->Values()) points->Add(NewFloat(point.X()), NewFloat(point.Y()));
  return MakeRef<TIEValue>(std::move(points));
}

TRef<TIEValue> GetFsLength(TArguments& arguments) { return NewInteger(FuzzyArgument(arguments, 0)->Values().Count()); }

TRef<TIEValue> GetFsX(TArguments& arguments) {
  const TRef<IFuzzySet> set = FuzzyArgument(arguments, 0);
  return NewFloat(set->Values().Items(arguments.Integer(1)).X());
}

TRef<TIEValue> GetFsY(TArguments& arguments) {
  const TRef<IFuzzySet> set = FuzzyArgument(arguments, 0);
  return NewFloat(set->Values().Items(arguments.Integer(1)).Y());
}

TRef<TIEValue> GetFsVariable(TArguments& arguments) {
  const TRef<IFuzzySet> set = FuzzyArgument(arguments, 0);
  if (!set->Variable()) Raise<EIEException>(FuzzyConsts::SNoFuzzyVariable, FuzzyValueText(*set));
  return NewAtom(set->Variable()->Name());
}

TRef<TIEValue> GetFsValue(TArguments& arguments) {
  const TRef<IFuzzySet> set = FuzzyArgument(arguments, 0);
  return NewFloat(set->GetMembership(arguments.Float(1)));
}

// --- Settings ---------------------------------------------------------------

TRef<TIEValue> GetActivationThreshold(TArguments& arguments) {
  return NewFloat(arguments.Engine().MinActivationStrength());
}

// A setting in [0, 1]: the previous value is returned, the new one clamped.
TRef<TIEValue> SetUnitSetting(TArguments& arguments, float (IInferenceEngine::*get)() const noexcept,
                              void (IInferenceEngine::*set)(float)) {
  IInferenceEngine& engine = arguments.Engine();
  const double number = arguments.Float(0);
  TRef<TIEValue> previous = NewFloat((engine.*get)());
  (engine.*set)(UnitInterval(number));
  return previous;
}

TRef<TIEValue> SetActivationThreshold(TArguments& arguments) {
  return SetUnitSetting(arguments, &IInferenceEngine::MinActivationStrength,
                        &IInferenceEngine::SetMinActivationStrength);
}

TRef<TIEValue> GetFuzzyAutoTerms(TArguments& arguments) { return Truth(arguments.Engine().FuzzyAutoTerms()); }

TRef<TIEValue> SetFuzzyAutoTerms(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const bool autoTerms = IsTrue(arguments.Value(0).Get());
  const bool previous = engine.FuzzyAutoTerms();
  engine.SetFuzzyAutoTerms(autoTerms);
  return Truth(previous);
}

TRef<TIEValue> CorrelationWord(TFuzzyCorrelationMethod method) {
  return NewAtom(FuzzyConsts::CorrelationNames[method]);
}

TRef<TIEValue> GetFuzzyCorrelation(TArguments& arguments) {
  return CorrelationWord(arguments.Engine().FuzzyCorrelationMethod());
}

TRef<TIEValue> SetFuzzyCorrelation(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  TRef<TIEValue> previous = CorrelationWord(engine.FuzzyCorrelationMethod());
  const int index = MethodIndex(*arguments.Value(0), FindCorrelationName, FuzzyConsts::SInvalidFuzzyCorrelation,
                                FuzzyConsts::CorrelationMethodNames);
  engine.SetFuzzyCorrelationMethod(static_cast<TFuzzyCorrelationMethod>(index));
  return previous;
}

TRef<TIEValue> InferenceWord(TFuzzyInferenceMethod method) { return NewAtom(FuzzyConsts::InferenceNames[method]); }

TRef<TIEValue> GetFuzzyInference(TArguments& arguments) {
  return InferenceWord(arguments.Engine().FuzzyInferenceMethod());
}

TRef<TIEValue> SetFuzzyInference(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  TRef<TIEValue> previous = InferenceWord(engine.FuzzyInferenceMethod());
  engine.SetFuzzyInferenceMethod(InferenceFromValue(*arguments.Value(0)));
  return previous;
}

TRef<TIEValue> GetFuzzyThreshold(TArguments& arguments) { return NewFloat(arguments.Engine().FuzzyEqualsThreshold()); }

TRef<TIEValue> SetFuzzyThreshold(TArguments& arguments) {
  return SetUnitSetting(arguments, &IInferenceEngine::FuzzyEqualsThreshold, &IInferenceEngine::SetFuzzyEqualsThreshold);
}

// --- Universe of discourse --------------------------------------------------

TRef<IFuzzyVariable> VariableArgument(TArguments& arguments) {
  return FuzzyVariableOfValue(arguments.Engine(), *arguments.Value(0));
}

TRef<TIEValue> GetU(TArguments& arguments) {
  const TRef<IFuzzyVariable> variable = VariableArgument(arguments);
  return NewString(Format(FuzzyConsts::SUniverseText, variable->Minimum(), variable->Maximum(), variable->Units()));
}

TRef<TIEValue> GetUFrom(TArguments& arguments) { return NewFloat(VariableArgument(arguments)->Minimum()); }
TRef<TIEValue> GetUTo(TArguments& arguments) { return NewFloat(VariableArgument(arguments)->Maximum()); }
TRef<TIEValue> GetUUnits(TArguments& arguments) { return NewString(VariableArgument(arguments)->Units()); }

// --- Defuzzification --------------------------------------------------------

// These work on the argument's own set: defuzzifying it records the grade
// that is-undecidable and get-compatibility-index read back later.
TRef<TIEValue> MomentDefuzzify(TArguments& arguments) {
  return NewFloat(FuzzyArgument(arguments, 0)->MomentDefuzzify());
}
TRef<TIEValue> MaximumDefuzzify(TArguments& arguments) { return NewFloat(FuzzyArgument(arguments, 0)->MeanOfMaxima()); }
TRef<TIEValue> IsUndecidable(TArguments& arguments) {
  return Truth(FuzzyArgument(arguments, 0)->DefuzzifiedGrade() == 0.0);
}
TRef<TIEValue> GetCompatibilityIndex(TArguments& arguments) {
  return NewFloat(FuzzyArgument(arguments, 0)->DefuzzifiedGrade());
}

// --- Shapes -----------------------------------------------------------------

// A new engine set without a variable, filled by the generator; it takes a
// variable when it meets one (asserted into a fuzzy slot, say).
template <class TFill>
TRef<TIEValue> Shape(TArguments& arguments, TFill fill) {
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  set->SetFuzzyParser(arguments.Engine().FuzzyParser());
  fill(set->FuzzySet());
  return FuzzyValue(std::move(set));
}

TRef<TIEValue> SCurve(TArguments& arguments, bool growth) {
  const double left = arguments.Float(0);
  const double right = arguments.Float(1);
  return Shape(arguments, [&](TFuzzySet& set) {
    set.MakeSCurve(FuzzyDefaultPointCount, growth, left, right, left + (right - left) / 2);
  });
}

TRef<TIEValue> GrowthShape(TArguments& arguments) { return SCurve(arguments, true); }
TRef<TIEValue> DeclineShape(TArguments& arguments) { return SCurve(arguments, false); }

TRef<TIEValue> PIShape(TArguments& arguments) {
  const double x1 = arguments.Float(0);
  const double x2 = arguments.Float(1);
  if (arguments.Count() == 2)
    return Shape(arguments, [&](TFuzzySet& set) { set.MakePI(FuzzyDefaultPointCount, x1, x2); });
  const double x3 = arguments.Float(2);
  return Shape(arguments, [&](TFuzzySet& set) { set.MakePI(FuzzyDefaultPointCount, x1, x2, x3); });
}

TRef<TIEValue> TriangleShape(TArguments& arguments) {
  const double left = arguments.Float(0);
  const double centre = arguments.Float(1);
  const double right = arguments.Float(2);
  return Shape(arguments, [&](TFuzzySet& set) { set.MakeTriangle(left, centre, right); });
}

TRef<TIEValue> BetaShape(TArguments& arguments) {
  const double centre = arguments.Float(0);
  const double range = arguments.Float(1);
  const double beta = arguments.Count() > 2 ? arguments.Float(2) : (centre + range) / 2;
  const double weight = arguments.Count() > 3 ? arguments.Float(3) : 1.0;
  return Shape(arguments, [&](TFuzzySet& set) { set.MakeBeta(FuzzyDefaultPointCount, centre, range, beta, weight); });
}

// --- The table ----------------------------------------------------------------

constexpr std::string_view kFsUsage = " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression>";
constexpr std::string_view kFsIndexUsage =
    " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> <integer-expression> ";
constexpr std::string_view kFsValueUsage =
    " <fact-expression> | <fact-id-expression> | <fuzzy-value-expression> <numeric-expression> ";
constexpr std::string_view kDefuzzifyUsage = " <fact-id-expression> | <fact-expression> | <fuzzy-value-expression> ";
constexpr std::string_view kUniverseUsage =
    " <fuzzy-type-expression> | <fuzzy-fact-expression> | <fuzzy-fact-id-expression>";
constexpr std::string_view kPlotUsage =
    " <io-stream-identifier-string-expression> <plot-chars-string-expression> <low-limit-numeric-expression> "
    "<high-limit-numeric-expression> "
    "<fuzzy-variable-name-expression>|<fuzzy-value-expression>|<fact-id-expression>|<fact-expression>+";
constexpr std::string_view kPiUsage =
    " [ <center-numeric-expression> <range-numeric-expression> ] |  [ <left-numeric-expression> "
    "<center-numeric-expression> <right-numeric-expression> ]";
constexpr std::string_view kNone = " ";
constexpr std::string_view kNumeric = " <numeric-expression> ";
constexpr std::string_view kFold = " <fuzzy-value-expression> <fuzzy-value-expression>+";
constexpr std::string_view kSUsage = " <numeric-expression> <numeric-expression> ";
constexpr std::int32_t kAny = UnlimitedArguments;

constexpr TFunctionRow kRows[] = {
    {"create-fuzzy-value", " <fuzzy-variable-expression> <fuzzy-set-expression>",
     "Returns a fuzzy value created for the specified fuzzy variable", 2, kAny, CreateFuzzyValue},
    {"fuzzy-assert", " <fuzzy-inference-expression> <fact-expression>*",
     "Asserts the facts with the given fuzzy inference method (min-max, sum, mean, product or bounded-sum) in force "
     "for each assertion; the engine's own method is restored afterwards.  Returns the fact-id of the last fact "
     "asserted, or FALSE",
     2, kAny, FuzzyAssert},
    {"fuzzy-assert-unconditional", " [<fuzzy-inference-expression>] <fact-expression>*",
     "Asserts the facts unconditionally (combined by intersection) with the given fuzzy inference method, min-max "
     "when none is given.  Returns the fact-id of the last fact asserted, or FALSE",
     1, kAny, FuzzyAssertUnconditional},
    {"fuzzy-union", kFold, "Returns the union of the fuzzy values", 2, kAny, FuzzyUnion},
    {"fuzzy-union-x", " <fuzzy-union-type-expression> <fuzzy-value-expression> <fuzzy-value-expression>+",
     "Returns the union of the fuzzy values under the operation given first: zadeh, mean, mean-sqr, mean-sqrt, "
     "product, bounded-sum or sum",
     3, kAny, FuzzyUnionX},
    {"fuzzy-intersection", kFold, "Returns the intersection of the fuzzy values", 2, kAny, FuzzyIntersection},
    {"fuzzy-intersection-x", " <fuzzy-intersection-type-expression> <fuzzy-value-expression> <fuzzy-value-expression>+",
     "Returns the intersection of the fuzzy values under the operation given first: zadeh, mean, mean-sqr, "
     "mean-sqrt, product or bounded-sum",
     3, kAny, FuzzyIntersectionX},
    {"get-fs", kFsUsage, "Returns the points of the fuzzy set as a list of (x y) pairs", 1, 1, GetFs},
    {"get-fs-length", kFsUsage, "Returns the number of points of the fuzzy set", 1, 1, GetFsLength},
    {"get-fs-x", kFsIndexUsage, "Returns the X value of the point at the index (from 0) of the fuzzy set", 2, 2,
     GetFsX},
    {"get-fs-y", kFsIndexUsage, "Returns the Y value of the point at the index (from 0) of the fuzzy set", 2, 2,
     GetFsY},
    {"get-fs-variable", kFsUsage, "Returns the name of the fuzzy variable of the fuzzy set", 1, 1, GetFsVariable},
    {"get-fs-value", kFsValueUsage,
     "Returns the degree of membership, or Y value, of the fuzzy set at the specified X value "
     "<numeric-expression>.  The <numeric-expression> must be between the lower and upper limits of the universe "
     "of discourse for the fuzzy set.  If the first argument is a fact or fact id, the FIRST fuzzy slot found in "
     "the fact is used as the fuzzy value.",
     2, 2, GetFsValue},
    {"get-activation-threshold", kNone, "Returns the minimum strength a rule activation must have", 0, 0,
     GetActivationThreshold},
    {"set-activation-threshold", kNumeric,
     "Sets the minimum strength a rule activation must have (between 0 and 1) and returns the previous value", 1, 1,
     SetActivationThreshold},
    {"get-fuzzy-auto-terms", kNone, "Returns TRUE when fuzzy types get the terms low, medium and high automatically", 0,
     0, GetFuzzyAutoTerms},
    {"set-fuzzy-auto-terms", " <boolean-expression> ",
     "Sets whether fuzzy types get the terms low, medium and high automatically and returns the previous value", 1, 1,
     SetFuzzyAutoTerms},
    {"get-fuzzy-correlation", kNone, "Returns the fuzzy correlation method: minimum or product", 0, 0,
     GetFuzzyCorrelation},
    {"set-fuzzy-correlation", " <correlation-expression> ",
     "Sets the fuzzy correlation method to use in the inference engine, and returns the *previous* value as an "
     "atom.  Fuzzy correlation controls how the truth of a rule's premise (IF portion) modifies the truth of the "
     "rule's consequents, e.g., facts asserted in a rule cannot have greater truth than the truth values of the "
     "premise.  Two correlation methods are available: minimum and product.  ",
     1, 1, SetFuzzyCorrelation},
    {"get-fuzzy-inference", kNone, "Returns the fuzzy inference method: min-max, sum, mean, product or bounded-sum", 0,
     0, GetFuzzyInference},
    {"set-fuzzy-inference", " <fuzzy-inference-expression> ",
     "Sets the fuzzy inference method to use in the inference engine.  The previous inference method is returned, "
     "as an atom.  The Fuzzy Inference method controls how assertions are combined with facts already on the fact "
     "list.  Five inference methods are available: min-max, sum, mean, product, and bounded-sum.",
     1, 1, SetFuzzyInference},
    {"get-fuzzy-threshold", kNone, "Returns the Fuzzy Equals Threshold value", 0, 0, GetFuzzyThreshold},
    {"set-fuzzy-threshold", kNumeric,
     "Sets the Fuzzy Equals Threshold value to the expression.  The expression must be between 0 and 1.  The Fuzzy "
     "Equals Threshold value controls the alpha cutoff for whether two fuzzy sets equal.  If the maximum of the "
     "minimum values is above this threshold, the fuzzy sets equal.  The default threshold is 0.  The function "
     "returns the previous value of the threshold.  ",
     1, 1, SetFuzzyThreshold},
    {"get-u", kUniverseUsage, "Returns the universe of discourse of the fuzzy type as text: from - to units", 1, 1,
     GetU},
    {"get-u-from", kUniverseUsage, "Returns the lower limit of the universe of discourse of the fuzzy type", 1, 1,
     GetUFrom},
    {"get-u-to", kUniverseUsage, "Returns the upper limit of the universe of discourse of the fuzzy type", 1, 1,
     GetUTo},
    {"get-u-units", kUniverseUsage, "Returns the units of the universe of discourse of the fuzzy type", 1, 1,
     GetUUnits},
    {"moment-defuzzify", kDefuzzifyUsage, "Returns the centre of gravity of the fuzzy set", 1, 1, MomentDefuzzify},
    {"maximum-defuzzify", kDefuzzifyUsage, "Returns the mean of the maxima of the fuzzy set", 1, 1, MaximumDefuzzify},
    {"is-undecidable", kDefuzzifyUsage,
     "Returns TRUE if the fuzzy set is undecidable.  A fuzzy set is undecidable when it is an empty fuzzy set or the "
     "area of the fuzzy set is 0.  A fuzzy set is determined to be undecidable when the fuzzy set is defuzzified.  "
     "If no defuzzification has been performed, this function always returns TRUE",
     1, 1, IsUndecidable},
    {"get-compatibility-index", kDefuzzifyUsage,
     "Returns a floating point value between 0 and 1 representing the unit compatibility index of the fuzzy set.  "
     "The unit compatibility index helps measure the validity of the model which created the fuzzy set.  If, over "
     "many tests of the fuzzy expert system, the unit compatibility index is less than 0.2 or greater than 0.8, the "
     "fuzzy model is exhibiting boolean behavior and is probably not behaving well at the extremes of the model",
     1, 1, GetCompatibilityIndex},
    {"plot-fuzzy-value", kPlotUsage, "Plots Fuzzy values or entire Fuzzy Variable using printout/text statements", 5,
     kAny, PlotFuzzyValue},
    {"s", kSUsage, "Returns a growth S-curve from the first number to the second", 2, 2, GrowthShape},
    {"z", kSUsage, "Returns a decline S-curve from the first number to the second", 2, 2, DeclineShape},
    {"pi", kPiUsage, "Returns a PI curve from a centre and a range, or from left, centre and right", 2, 3, PIShape},
    {"tri", " <left-numeric-expression> <center-numeric-expression> <right-numeric-expression> ",
     "Returns a triangle from left, centre and right", 3, 3, TriangleShape},
    {"beta",
     " <center-numeric-expression> <range-numeric-expression> [ <inflection-numeric-expression> [ "
     "<weight-numeric-expression> ]]",
     "Returns a beta curve from a centre, a range and optionally the inflection and the weight", 2, 4, BetaShape},
};
static_assert(std::size(kRows) == 37, "the fuzzy-logic package has 37 functions");

}  // namespace

TFuzzyLogicPackage::TFuzzyLogicPackage() : TTablePackage("TFuzzyLogicPackage", kRows) {}

std::span<const TFunctionRow> TFuzzyLogicPackage::FunctionRows() noexcept { return kRows; }

}  // namespace fxe
