// Fuzzy expressions over engine values: the linguistic language in which fuzzy
// values are written ("very high or somewhat low", "[ high or low ] and
// medium", "high +X 0.1"), the evaluation of its operands for a fuzzy
// variable, and the engine's printer/parser of fuzzy values (TIEFuzzyParser).
//
// An expression is a list of items (engine values):
//   expression := term-expr { infix-word term-expr }
//   term-expr  := { hedge-word } primary
//   primary    := operand | "[" expression "]"
// Hedges bind tighter than the infix words (and-words, or-words, the
// arithmetic operators with or without "X") and apply right to left; all
// infix words share one level and group from the left. A term-expr that
// directly follows a complete one starts a new expression, so "high low" is
// two expressions and gives a multifield of two fuzzy values.
//
// Words and brackets are atoms or strings with exactly that text; every other
// item is an operand:
//   - nothing (an absent item, dtNone, "" or "__Empty"): the variable's empty
//     term "__Empty" (created without points when missing);
//   - another symbol or string: the variable's term of that name;
//   - an integer or float N: a spike of grade 1 at N, named N's printed text;
//   - a variable, multifield variable or function call: evaluated with the
//     bindings and the result taken by these rules (a fuzzy result is copied);
//     without bindings it cannot be evaluated (see "not fuzzy" below);
//   - a list whose items are all two-number lists ((x y) (x y) ...), or a
//     singletons value: a set with those points, named by its point list;
//   - any other list: a nested expression;
//   - a fuzzy value: used as it is;
//   - anything else: with bindings "Invalid item in fuzzy expression: %s"
//     (an object is first evaluated, so that a binding descriptor resolves),
//     without bindings the result is undefined.
// A fuzzy operand without a variable is given the variable and the printer.
//
// Results. One expression gives a fuzzy value; several give a multifield of
// fuzzy values. An undefined operand makes the whole result the shared nil
// value. An operand that is not fuzzy (a variable or call without bindings, a
// nested list that is not a single fuzzy value) makes the whole item list come
// back unchanged as a plain multifield, to be evaluated later. Terms are never
// changed: hedges and operators work on copies, and an expression that is just
// a term gives a copy of it (a new set of the variable, not a term).
//
// Errors are EIEException with the message table's texts; errors of the sets
// themselves (an "and-sum", a division by 0) are EFzyException. Nesting of
// lists is limited to FuzzyExpressionMaxNesting levels and one evaluation to
// FuzzyExpressionMaxOperators hedges and infix words; brackets may nest to any
// depth (they are handled without recursion).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "collections/RefCounted.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

inline constexpr int FuzzyExpressionMaxNesting = 128;
inline constexpr int FuzzyExpressionMaxOperators = 10000;

// One item evaluated by the operand rules: a fuzzy value (a copy for a term),
// the item itself when it cannot be evaluated to a fuzzy value (a variable or
// call without bindings, a list that is not a single fuzzy value), or the
// shared nil value when it is undefined.
TRef<TIEValue> EvaluateFuzzyOperand(IFuzzyVariable* variable, const TIEValue* item, IIEContext* bindings,
                                    IFuzzyParser* printer);

// The items of one or more expressions, as the rule parser collects them
// (brackets as the atoms "[" and "]"). variable may be null when no item
// needs a term; bindings may be null; printer is given to variable-less sets.
TRef<TIEValue> EvaluateFuzzyExpression(IFuzzyVariable* variable, std::span<const TRef<TIEValue>> items,
                                       IIEContext* bindings, IFuzzyParser* printer);
TRef<TIEValue> EvaluateFuzzyExpression(IFuzzyVariable* variable, const TValueVector& items, IIEContext* bindings,
                                       IFuzzyParser* printer);

// One value as a fuzzy value of the variable:
//   - a fuzzy value: itself (given the variable when it has none);
//   - a multifield: a point list when all its items are two-number lists,
//     otherwise its items are the items of the expression;
//   - a symbol or string: its text split into items (SplitFuzzyExpression),
//     so "very high or somewhat low" written as one text converts too;
//   - anything else: a one-item expression.
// Non-fuzzy and undefined results as for EvaluateFuzzyExpression (a multifield
// input comes back as itself). value must be held in a TRef.
TRef<TIEValue> EvaluateFuzzyValue(IFuzzyVariable* variable, const TIEValue& value, IIEContext* bindings,
                                  IFuzzyParser* printer);

// Cuts an expression text into items. Blanks separate words; "[", "]", "("
// and ")" are items of their own wherever they stand. A word that reads as an
// integer or a float becomes that number, "?name" a variable, "$?name" a
// multifield variable, any other word an atom. Parentheses build nested lists
// (so "((0 1) (1 0))" is a point list); unbalanced parentheses raise
// "Invalid Fuzzy Expression: %s" with the text.
TRef<TValueVector> SplitFuzzyExpression(std::string_view text);

// The printed form of a fuzzy value, which reads back through the grammar:
// its name with "[" and "]" standing apart from the words ("very [ not high ]");
// nothing for the empty term; the point list "((x y) ... )" for a set without
// a name.
std::string FuzzyValueText(const IFuzzySet& set);

// The engine's printer and parser of fuzzy values and point lists. Stateless;
// the engine owns one and hands it to its fuzzy variables and point lists.
class TIEFuzzyParser : public IFuzzyParser, public ISingletonsParser {
 public:
  // FuzzyValueText.
  std::string FormatFuzzySet(const IFuzzySet& set) const override;
  // "(" then "(x y) " per point (each coordinate's printed form), then ")".
  std::string FormatSingletons(const TSingletonsVector& singletons) const override;

  // An expression text for a variable (SplitFuzzyExpression, then
  // EvaluateFuzzyExpression with this printer).
  TRef<TIEValue> ParseFuzzyExpression(IFuzzyVariable* variable, std::string_view text, IIEContext* bindings = nullptr);
  // EvaluateFuzzyValue with this printer.
  TRef<TIEValue> ConvertToFuzzy(IFuzzyVariable* variable, const TIEValue& value, IIEContext* bindings = nullptr);
};

}  // namespace fxe
