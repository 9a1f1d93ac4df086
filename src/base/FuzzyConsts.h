// The fuzzy subsystem's message table and its fixed word lists: hedge words,
// and/or words, arithmetic operators, operation, correlation and inference
// names. Every text is spelled once here; the lists are indexed by the
// enumerations of the fuzzy layer (operation, hedge and operator indices).
#pragma once

#include <array>
#include <string_view>

namespace fxe::FuzzyConsts {

// --- Fuzzy sets -------------------------------------------------------------
inline constexpr std::string_view SFuzzySetEmpty = "Invalid operation: %s.  Fuzzy set is empty";
inline constexpr std::string_view SGetMaximumY = "Get Maximum Y Value";
inline constexpr std::string_view SGetMinimumY = "Get Minimum Y Value";
inline constexpr std::string_view SInvalidFuzzyOperation = "Invalid fuzzy operation: %s";
inline constexpr std::string_view SInvalidXRangeIndex = "Invalid index argument to GetXRange.  Index = %d";
inline constexpr std::string_view SInvalidRangeArguments =
    "Invalid range arguments.  Left (%.4f) is greater than right (%.4f)";
inline constexpr std::string_view SReservedFuzzySetName = "Invalid fuzzy set name, \"%s\" is a reserved word";

// Our own texts for input the fuzzy layer refuses instead of computing garbage.
inline constexpr std::string_view SNonFinitePoint =
    "Invalid fuzzy set point (%s, %s), coordinates must be finite numbers";
inline constexpr std::string_view SNonFiniteArgument = "Invalid fuzzy set argument, %s is not a finite number";
inline constexpr std::string_view SZeroBeta = "Invalid beta curve, the inflection (beta) must not be 0";
inline constexpr std::string_view SDivisionByZero = "Invalid fuzzy operation, division by 0";
inline constexpr std::string_view SInvalidPointCount = "Invalid number of points for a fuzzy set: %d";
inline constexpr std::string_view SInvalidOperatorIndex = "Invalid fuzzy operator index: %d";
inline constexpr std::string_view SInvalidHedgeIndex = "Invalid fuzzy hedge index: %d";
inline constexpr std::string_view SInvalidSetType = "Invalid fuzzy set type: %d";
inline constexpr std::string_view SPointIndexOutOfBounds = "Fuzzy set point index out of bounds (%d)";
inline constexpr std::string_view SDefuzzifyOverflow = "Cannot defuzzify fuzzy set %s, its area is not a finite number";

// --- Fuzzy variables and expressions -----------------------------------------
inline constexpr std::string_view SFuzzyVariableNotDefined = "fuzzy variable is not defined";
inline constexpr std::string_view SInvalidFuzzyItem = "Invalid item in fuzzy expression: %s";
inline constexpr std::string_view SMissingFuzzyCloseBracket = "Missing Fuzzy Close Bracket in expression";
inline constexpr std::string_view SMissingFuzzyOperand = "Missing fuzzy operand to be modified by hedge: %s";
inline constexpr std::string_view SInvalidFuzzyExpression = "Invalid Fuzzy Expression: %s";
inline constexpr std::string_view SFuzzyTypeNeeded = "Fuzzy Type Definition needed to parse value";
inline constexpr std::string_view SFuzzyVariablesDifferent =
    "Fuzzy variables are different, %s is a term from %s and %s is a term from %s";
// Our own texts for expressions too large to evaluate safely.
inline constexpr std::string_view SFuzzyExpressionTooDeep = "Fuzzy expression nested too deeply, more than %d levels";
inline constexpr std::string_view SFuzzyExpressionTooLong = "Fuzzy expression too long, more than %d operators";
inline constexpr std::string_view SPlotTooLarge = "Fuzzy plot too large, more than %d characters of legend";

// --- Fuzzy inference and the fuzzy functions ---------------------------------
inline constexpr std::string_view SNotFuzzyFact = "Fact is not a fuzzy fact";
inline constexpr std::string_view SCannotUnionFacts = "Cannot union two facts with different fact templates: %s and %s";
inline constexpr std::string_view SInvalidFuzzyOperationWord =
    "Invalid Fuzzy operation specified (%s) for %s, expected %s";
inline constexpr std::string_view SInvalidFuzzyCorrelation = "Invalid Fuzzy Correlation specified (%s), expected %s";
inline constexpr std::string_view SInvalidFuzzyInference = "Invalid Fuzzy Inference specified (%s), expected %s";
inline constexpr std::string_view SInvalidPlotLimits = "Invalid low and high limits specified: %.4f to %.4f";
inline constexpr std::string_view SPlotFuzzyVariable = "Fuzzy Variable: %s";
inline constexpr std::string_view SPlotFuzzyValues = "Fuzzy Values:%s";
inline constexpr std::string_view SPlotRuler = "    |----|----|----|----|----|----|----|----|----|----|";
inline constexpr std::string_view SPlotAxis = "%7.2f %9.2f %9.2f %9.2f %9.2f %9.2f";
inline constexpr std::string_view SPlotUniverse = "Universe of Discourse: From %0.2f to %.2f";
inline constexpr std::string_view SUniverseText = "%.4f - %.4f %s";
// Our own texts for fuzzy function arguments the functions cannot work with.
inline constexpr std::string_view SPlotCharsMissing = "No plot characters given to plot-fuzzy-value";
inline constexpr std::string_view SNoFuzzyVariable = "Fuzzy value %s has no fuzzy variable";

// --- Word lists ----------------------------------------------------------------

// Names of the operation kinds, for messages ("Invalid fuzzy operation: foSum").
inline constexpr std::array<std::string_view, 7> FuzzyOperationNames = {
    "foZadeh", "foMean", "foMeanSqr", "foMeanSqrt", "foProduct", "foBoundedSum", "foSum"};

// The hedge words in hedge-index order.
inline constexpr std::array<std::string_view, 20> HedgeWords = {
    "not",   "somewhat",    "moreorless", "greatly",    "plus",       "very",     "extremely",
    "above", "below",       "slightly",   "normalize",  "about",      "vicinity", "close",
    "near",  "neighboring", "positively", "absolutely", "definitely", "generally"};

// And-words and or-words, indexed by the operation kind.
inline constexpr std::array<std::string_view, 7> AndWords = {
    "and", "and-mean", "and-meansqr", "and-meansqrt", "and-product", "and-boundedsum", "and-sum"};
inline constexpr std::array<std::string_view, 7> OrWords = {"or",         "or-mean",       "or-meansqr", "or-meansqrt",
                                                            "or-product", "or-boundedsum", "or-sum"};

// Arithmetic operators in operator-index order; the "X" forms work on X.
inline constexpr std::array<std::string_view, 9> OperatorWords = {"+", "-", "*", "/", "^", "<", "<=", ">", ">="};
inline constexpr std::array<std::string_view, 9> OperatorXWords = {"+X", "-X",  "*X", "/X", "^X",
                                                                   "<X", "<=X", ">X", ">=X"};

// Operation names of the fuzzy functions, indexed by the operation kind.
inline constexpr std::array<std::string_view, 7> OperationNames = {"zadeh",   "mean",        "mean-sqr", "mean-sqrt",
                                                                   "product", "bounded-sum", "sum"};

// Correlation names (by correlation method) and inference names (by inference method).
inline constexpr std::array<std::string_view, 2> CorrelationNames = {"minimum", "product"};
inline constexpr std::array<std::string_view, 5> InferenceNames = {"min-max", "sum", "mean", "product", "bounded-sum"};

// The enumeration names of the correlation and inference methods, from which
// the lists of the settings' messages are built.
inline constexpr std::array<std::string_view, 2> CorrelationMethodNames = {"fcmMinimum", "fcmProduct"};
inline constexpr std::array<std::string_view, 5> InferenceMethodNames = {"fimMinMax", "fimAdditive", "fimMean",
                                                                         "fimProduct", "fimBoundedSum"};

}  // namespace fxe::FuzzyConsts
