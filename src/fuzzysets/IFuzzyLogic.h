// Fuzzy sets as shared, reference-counted objects of a fuzzy variable; the
// fuzzy variable with its term table; hedges and automatic terms; and the
// set-level part of fuzzy inference: equality test, match grade,
// defuzzification, compatibility index.
//
// Ownership: a variable owns its term table, which holds counted references
// to the terms. A set filed in its variable's table points back to the
// variable with a plain pointer (the table keeps it alive, so the two never
// form a counted cycle); every other set of a variable (expression results,
// copies, terms taken out of the table) holds a counted reference to it.
// When a variable dies while a term is still referenced elsewhere, that term
// is handed a term-less copy of the variable (same name, universe, units,
// threshold, parser), so no set ever points to a dead variable. Variables
// must therefore live in a TRef (create them with MakeRef).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "collections/GHashtable.h"
#include "collections/RefCounted.h"
#include "fuzzysets/FuzzyLogic.h"

namespace fxe {

class IFuzzySet;
class IFuzzyVariable;
class TIFuzzySet;

enum TDefuzzificationMethod : std::uint8_t { dmCenterOfGravity, dmMeanOfMaxima };
enum TFuzzyCorrelationMethod : std::uint8_t { fcmMinimum, fcmProduct };
enum TFuzzyInferenceMethod : std::uint8_t { fimMinMax, fimAdditive, fimMean, fimProduct, fimBoundedSum };

// Hedges by index, in the order of the hedge words ("not" … "generally").
inline constexpr int FuzzyHedgeCount = 20;
// The term whose operand is "no item at all"; it is never a term proper.
inline constexpr std::string_view FuzzyEmptyTermName = "__Empty";

// The set operation an inference method combines an asserted fact with.
constexpr TFuzzyOperation InferenceOperation(TFuzzyInferenceMethod method) noexcept {
  switch (method) {
    case fimAdditive:
      return foSum;
    case fimMean:
      return foMean;
    case fimProduct:
      return foProduct;
    case fimBoundedSum:
      return foBoundedSum;
    case fimMinMax:
      break;
  }
  return foZadeh;
}

// The ApplyOperator index (on Y) a correlation method limits grades with:
// ">" caps them at the strength, "*" scales them by it.
constexpr int CorrelationOperator(TFuzzyCorrelationMethod method) noexcept { return method == fcmProduct ? 2 : 7; }

// Word lookups of the fuzzy expression language: exact, case-sensitive; -1
// when the word is not in the list. An operator word found in its "X" form
// sets onX.
int FindHedgeWord(std::string_view word) noexcept;
int FindAndWord(std::string_view word) noexcept;
int FindOrWord(std::string_view word) noexcept;
int FindOperatorWord(std::string_view word, bool& onX) noexcept;
int FindOperationName(std::string_view word) noexcept;
int FindCorrelationName(std::string_view word) noexcept;
int FindInferenceName(std::string_view word) noexcept;

// Applies hedge hedgeIndex to set in place (points only; the name is left
// alone). Raises for an index outside 0..19; hedges leave an empty set empty
// except "normalize", which raises as Normalize does.
void ApplyFuzzyHedge(TFuzzySet& set, int hedgeIndex);

// The printer/parser the engine hands to fuzzy variables and their sets.
class IFuzzyParser {
 public:
  virtual ~IFuzzyParser() = default;
  // The printed form of a fuzzy value (its name, the expression that produced it).
  virtual std::string FormatFuzzySet(const IFuzzySet& set) const = 0;
  // The display text of a variable; its name unless a printer says otherwise.
  virtual std::string FormatFuzzyVariable(const IFuzzyVariable& variable) const;
};

// A fuzzy set as the engine shares it. The point-level operations of the
// underlying TFuzzySet (generators, point editing) are reached with FuzzySet().
class IFuzzySet : public IInterface {
 public:
  // --- Properties -------------------------------------------------------------
  virtual const std::string& Name() const noexcept = 0;
  // Refuses reserved words; a filed term is re-filed under the new name.
  virtual void SetName(std::string_view name) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) noexcept = 0;
  virtual TFuzzySetType SetType() const noexcept = 0;
  virtual void SetSetType(TFuzzySetType type) = 0;
  virtual TFzyFloat ShapeParameter() const noexcept = 0;
  virtual const std::string& ExpressionText() const noexcept = 0;
  virtual void SetExpressionText(std::string_view text) = 0;
  virtual IFuzzyVariable* Variable() const noexcept = 0;
  // Moves the set to another variable (or none): out of the old variable's
  // term table, into the new one's when it is a term; takes its printer.
  virtual void SetVariable(IFuzzyVariable* variable) = 0;
  // True for sets created as terms of a variable (not for "__Empty").
  virtual bool IsTerm() const noexcept = 0;
  virtual IFuzzyParser* FuzzyParser() const noexcept = 0;
  virtual void SetFuzzyParser(IFuzzyParser* parser) noexcept = 0;
  // The variable's Minimum/Maximum; without a variable the first/last X
  // (-2147483647/2147483647 when there are no points).
  virtual TFzyFloat LowerBound() const noexcept = 0;
  virtual TFzyFloat UpperBound() const noexcept = 0;

  // --- Points -----------------------------------------------------------------
  virtual TFuzzySet& FuzzySet() noexcept = 0;
  virtual const TFuzzySet& FuzzySet() const noexcept = 0;
  virtual const TFuzzySetValues& Values() const noexcept = 0;
  virtual TFuzzySetValues& Values() noexcept = 0;
  // Building a set point by point inside an update batch.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void AddPoint(TFzyFloat x, TFzyFloat y) = 0;
  virtual TFzyFloat GetMembership(TFzyFloat x) const noexcept = 0;

  // --- Printed form -----------------------------------------------------------
  // By the printer when one is set, else "(name (x y) … )" ("((x y) … )"
  // for an unnamed set).
  virtual std::string AsText() const = 0;

  // --- Copies and operations --------------------------------------------------
  // A new set of the same class with the same variable, points, name, type,
  // expression text and printer (not the match or defuzzified grades).
  virtual TRef<IFuzzySet> Clone() const = 0;
  // A copy as Clone makes it whose grades are then limited to level (clamped
  // into [0, 1]), named name, without expression text.
  virtual TRef<IFuzzySet> ClippedCopy(TFzyFloat level, std::string name) const;
  // Takes variable, name, type, shape parameter, points, expression text and
  // printer of source.
  virtual void Assign(const IFuzzySet& source) = 0;
  // In place; the set is renamed "<hedge word> <old name>".
  virtual IFuzzySet& ApplyHedge(int hedgeIndex) = 0;
  virtual IFuzzySet& ApplyOperator(int operatorIndex, bool onY, TFzyFloat k) = 0;
  virtual IFuzzySet& Normalize() = 0;
  // New sets of this set's class and variable, named and with expression
  // texts "<this> <word> <other>".
  virtual TRef<IFuzzySet> Union(const IFuzzySet& other, TFuzzyOperation operation) const = 0;
  virtual TRef<IFuzzySet> Intersection(const IFuzzySet& other, TFuzzyOperation operation) const = 0;
  virtual TRef<IFuzzySet> CombineConstant(bool orOperation, TFzyFloat k) const = 0;
  virtual TRef<IFuzzySet> AlphaCut(bool strict, TFzyFloat alpha) const = 0;

  // --- Inference --------------------------------------------------------------
  // Equal when some compared place has min(a, b) at or above the variable's
  // threshold (0 without a variable); an empty set equals anything.
  virtual bool EqualsSet(const IFuzzySet& other) const = 0;
  // Equal when the membership at n is above the threshold.
  virtual bool EqualsNumber(TFzyFloat n) const = 0;
  // The height of the intersection with other / the membership at n; both
  // are stored as MatchGrade.
  virtual TFzyFloat MatchSet(const IFuzzySet& other) = 0;
  // EqualsSet and, when equal, MatchSet, in one walk over both sets: the
  // height when equal (stored as MatchGrade), nothing (MatchGrade left as it
  // was) when not.
  virtual std::optional<TFzyFloat> MatchSetIfEqual(const IFuzzySet& other) = 0;
  virtual TFzyFloat MatchNumber(TFzyFloat n) = 0;
  virtual TFzyFloat MatchGrade() const noexcept = 0;
  // Centre of gravity over the universe, mean of maxima, or the variable's
  // method (moment without a variable); each stores DefuzzifiedGrade.
  virtual TFzyFloat MomentDefuzzify() = 0;
  virtual TFzyFloat MeanOfMaxima() = 0;
  virtual TFzyFloat Defuzzify() = 0;
  // The membership at the last defuzzified value: the compatibility index.
  virtual TFzyFloat DefuzzifiedGrade() const noexcept = 0;
  // True until a defuzzification found a non-zero grade.
  virtual bool IsUndecidable() const noexcept = 0;
};

// A new engine fuzzy set (no variable, no points).
TRef<IFuzzySet> NewEngineFuzzySet();

// The term table of a variable: terms by name, in the engine's hash-table
// orders (enumeration for listings, Items(i) for indexed access).
class TIFuzzySets {
 public:
  using TTable = TIStringHashTable<IFuzzySet>;

  explicit TIFuzzySets(IFuzzyVariable* variable) noexcept : variable_(variable) {}
  TIFuzzySets(const TIFuzzySets&) = delete;
  TIFuzzySets& operator=(const TIFuzzySets&) = delete;
  ~TIFuzzySets();

  IFuzzyVariable* Variable() const noexcept { return variable_; }
  std::int32_t Count() const noexcept { return table_.Count(); }
  bool IsEmpty() const noexcept { return table_.IsEmpty(); }
  // Indexed access (raises the list-index error outside 0..Count()-1).
  IFuzzySet& Items(std::int32_t index) const { return *table_.ValueAt(index); }
  IFuzzySet* Find(std::string_view name) const noexcept;
  // Enumeration in the table's listing order.
  const TTable& Table() const noexcept { return table_; }
  TTable::TIterator begin() const noexcept { return table_.begin(); }
  TTable::TIterator end() const noexcept { return table_.end(); }

  // Gives set this table's variable (taking it out of any other variable's
  // table) and files it under its name when it is a term.
  void Add(const TRef<IFuzzySet>& set);
  // Takes the set filed under name out of the table; false when absent.
  bool Remove(std::string_view name);
  // Empties the table and tells the variable (which fires its change events).
  void Clear();
  // Replaces the terms by copies of source's, made for this variable, in the
  // same orders.
  void Assign(const TIFuzzySets& source);
  // Every term here has a term of the same name in other with equal points.
  bool Equals(const TIFuzzySets& other) const noexcept;

 private:
  friend class TIFuzzySet;
  friend class TIFuzzyVariable;

  // Files set under its name; a different set filed there before is unfiled.
  void File(TIFuzzySet& set);
  // Takes set out of the table if it is filed under its name; the returned
  // reference keeps it alive for the caller.
  TRef<IFuzzySet> Unfile(const TIFuzzySet& set);
  void UnfileAll();

  TTable table_;
  IFuzzyVariable* variable_;
};

// A fuzzy variable: a named universe with units and a table of terms.
class IFuzzyVariable : public IInterface {
 public:
  using TNotifyEvent = std::function<void(IFuzzyVariable& sender)>;
  using TVariableEvent = std::function<void(IFuzzyVariable& variable)>;
  using TFuzzySetEvent = std::function<void(IFuzzyVariable& sender, IFuzzySet& set)>;

  virtual TDefuzzificationMethod DefuzzificationMethod() const noexcept = 0;
  virtual void SetDefuzzificationMethod(TDefuzzificationMethod method) noexcept = 0;
  virtual TFzyFloat Maximum() const noexcept = 0;
  // Also lowers Minimum when it would lie above the new maximum.
  virtual void SetMaximum(TFzyFloat maximum) = 0;
  virtual TFzyFloat Minimum() const noexcept = 0;
  // Also raises Maximum when it would lie below the new minimum.
  virtual void SetMinimum(TFzyFloat minimum) = 0;
  virtual const std::string& Name() const noexcept = 0;
  virtual void SetName(std::string_view name) = 0;
  virtual const std::string& Units() const noexcept = 0;
  virtual void SetUnits(std::string_view units) = 0;
  virtual std::int32_t NumFunctionValues() const noexcept = 0;
  virtual void SetNumFunctionValues(std::int32_t count) = 0;
  virtual IFuzzyParser* Parser() const noexcept = 0;
  // Hands the parser to every term as its printer.
  virtual void SetParser(IFuzzyParser* parser) = 0;
  virtual std::int32_t Tag() const noexcept = 0;
  virtual void SetTag(std::int32_t tag) noexcept = 0;
  virtual TFzyFloat Threshold() const noexcept = 0;
  // Clamped into [0, 1].
  virtual void SetThreshold(TFzyFloat threshold) = 0;

  virtual void SetOnChange(TNotifyEvent handler) = 0;
  virtual void SetOnVariableChange(TVariableEvent handler) = 0;
  virtual void SetOnFuzzySetChange(TFuzzySetEvent handler) = 0;

  virtual TIFuzzySets& Items() noexcept = 0;
  virtual const TIFuzzySets& Items() const noexcept = 0;
  // A new set of the term class, filed under name (IsTerm unless "__Empty");
  // replaces a term of that name.
  virtual TRef<IFuzzySet> CreateTerm(std::string_view name) = 0;
  virtual IFuzzySet* FindTerm(std::string_view name) const noexcept = 0;
  virtual bool RemoveTerm(std::string_view name) = 0;
  virtual std::int32_t TermCount() const noexcept = 0;
  virtual IFuzzySet& Term(std::int32_t index) const = 0;
  // A new set of the term class for this variable, not filed as a term.
  virtual TRef<IFuzzySet> NewFuzzySet() = 0;
  // Creates "low", "medium" and "high" where no term of that name exists.
  virtual void CreateAutoTerms() = 0;

  // The display text: by the parser when one is set, else the name.
  virtual std::string AsText() const = 0;
  // Copies the properties and the terms, then fires the change events.
  virtual void Assign(const IFuzzyVariable& source) = 0;
  // Name, units, minimum and maximum equal (exactly) and equal term tables.
  virtual bool Equals(const IFuzzyVariable& other) const = 0;

  // Reports from the variable's sets and table.
  virtual void FuzzySetChanged(IFuzzySet& set) = 0;
  virtual void TermsCleared() = 0;
};

// The interface-capable fuzzy set; terms of plain variables are of this class.
class TIFuzzySet : public TFuzzySet, public IFuzzySet {
 public:
  TIFuzzySet() = default;

  const std::string& Name() const noexcept override { return TFuzzySet::Name(); }
  void SetName(std::string_view name) override { TFuzzySet::SetName(name); }
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }
  TFuzzySetType SetType() const noexcept override { return TFuzzySet::SetType(); }
  void SetSetType(TFuzzySetType type) override { TFuzzySet::SetSetType(type); }
  TFzyFloat ShapeParameter() const noexcept override { return TFuzzySet::ShapeParameter(); }
  const std::string& ExpressionText() const noexcept override { return TFuzzySet::ExpressionText(); }
  void SetExpressionText(std::string_view text) override { TFuzzySet::SetExpressionText(text); }
  IFuzzyVariable* Variable() const noexcept override { return variable_; }
  void SetVariable(IFuzzyVariable* variable) override;
  bool IsTerm() const noexcept override { return isTerm_; }
  IFuzzyParser* FuzzyParser() const noexcept override { return parser_; }
  void SetFuzzyParser(IFuzzyParser* parser) noexcept override { parser_ = parser; }
  TFzyFloat LowerBound() const noexcept override;
  TFzyFloat UpperBound() const noexcept override;

  TFuzzySet& FuzzySet() noexcept override { return *this; }
  const TFuzzySet& FuzzySet() const noexcept override { return *this; }
  const TFuzzySetValues& Values() const noexcept override { return TFuzzySet::Values(); }
  TFuzzySetValues& Values() noexcept override { return TFuzzySet::Values(); }
  void BeginUpdate() override { TFuzzySet::BeginUpdate(); }
  void EndUpdate() override { TFuzzySet::EndUpdate(); }
  void AddPoint(TFzyFloat x, TFzyFloat y) override { TFuzzySet::Values().Add(x, y); }
  TFzyFloat GetMembership(TFzyFloat x) const noexcept override { return TFuzzySet::GetMembership(x); }

  std::string AsText() const override;

  TRef<IFuzzySet> Clone() const override;
  // Clips straight into a new set instead of copying the points first.
  TRef<IFuzzySet> ClippedCopy(TFzyFloat level, std::string name) const override;
  void Assign(const IFuzzySet& source) override;
  IFuzzySet& ApplyHedge(int hedgeIndex) override;
  IFuzzySet& ApplyOperator(int operatorIndex, bool onY, TFzyFloat k) override;
  IFuzzySet& Normalize() override;
  TRef<IFuzzySet> Union(const IFuzzySet& other, TFuzzyOperation operation) const override;
  TRef<IFuzzySet> Intersection(const IFuzzySet& other, TFuzzyOperation operation) const override;
  TRef<IFuzzySet> CombineConstant(bool orOperation, TFzyFloat k) const override;
  TRef<IFuzzySet> AlphaCut(bool strict, TFzyFloat alpha) const override;

  bool EqualsSet(const IFuzzySet& other) const override;
  bool EqualsNumber(TFzyFloat n) const override;
  TFzyFloat MatchSet(const IFuzzySet& other) override;
  std::optional<TFzyFloat> MatchSetIfEqual(const IFuzzySet& other) override;
  TFzyFloat MatchNumber(TFzyFloat n) override;
  TFzyFloat MatchGrade() const noexcept override { return matchGrade_; }
  TFzyFloat MomentDefuzzify() override;
  TFzyFloat MeanOfMaxima() override;
  TFzyFloat Defuzzify() override;
  TFzyFloat DefuzzifiedGrade() const noexcept override { return defuzzifiedGrade_; }
  bool IsUndecidable() const noexcept override { return defuzzifiedGrade_ == 0.0; }

  TFuzzyUniverse Universe() const noexcept override;

 protected:
  void Changed() override;
  void Rename(std::string name) override;
  // A new empty set of this set's class.
  virtual TRef<TIFuzzySet> NewInstance() const;

 private:
  friend class TIFuzzySets;
  friend class TIFuzzyVariable;

  // A new set of this class with this set's variable and printer.
  TRef<TIFuzzySet> NewSibling() const;
  // Points to variable with a counted reference (not filed in its table).
  void Attach(IFuzzyVariable* variable);
  void Combine(const IFuzzySet& other, TFuzzyOperation operation, bool isUnion, TIFuzzySet& result) const;

  IFuzzyVariable* variable_ = nullptr;
  // Keeps variable_ alive unless the set is filed in its table.
  TRef<IFuzzyVariable> variableRef_;
  IFuzzyParser* parser_ = nullptr;
  TFzyFloat matchGrade_ = 0.0;
  TFzyFloat defuzzifiedGrade_ = 0.0;
  std::int32_t tag_ = 0;
  bool isTerm_ = false;
  bool filed_ = false;  // filed under its name in variable_'s term table
};

// The engine's fuzzy set; its match and equality tests also take numbers from
// engine values (the value layer dispatches them to EqualsNumber/MatchNumber).
class TIEFuzzySet : public TIFuzzySet {
 protected:
  TRef<TIFuzzySet> NewInstance() const override;
};

class TIFuzzyVariable : public IFuzzyVariable {
 public:
  explicit TIFuzzyVariable(std::string_view name = {}) : TIFuzzyVariable(name, false) {}
  ~TIFuzzyVariable() override;
  TIFuzzyVariable(const TIFuzzyVariable&) = delete;
  TIFuzzyVariable& operator=(const TIFuzzyVariable&) = delete;

  TDefuzzificationMethod DefuzzificationMethod() const noexcept override { return defuzzificationMethod_; }
  void SetDefuzzificationMethod(TDefuzzificationMethod method) noexcept override { defuzzificationMethod_ = method; }
  TFzyFloat Maximum() const noexcept override { return maximum_; }
  void SetMaximum(TFzyFloat maximum) override;
  TFzyFloat Minimum() const noexcept override { return minimum_; }
  void SetMinimum(TFzyFloat minimum) override;
  const std::string& Name() const noexcept override { return name_; }
  void SetName(std::string_view name) override;
  const std::string& Units() const noexcept override { return units_; }
  void SetUnits(std::string_view units) override { units_.assign(units); }
  std::int32_t NumFunctionValues() const noexcept override { return numFunctionValues_; }
  void SetNumFunctionValues(std::int32_t count) override;
  IFuzzyParser* Parser() const noexcept override { return parser_; }
  void SetParser(IFuzzyParser* parser) override;
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }
  TFzyFloat Threshold() const noexcept override { return threshold_; }
  void SetThreshold(TFzyFloat threshold) override;

  void SetOnChange(TNotifyEvent handler) override { onChange_ = std::move(handler); }
  void SetOnVariableChange(TVariableEvent handler) override { onVariableChange_ = std::move(handler); }
  void SetOnFuzzySetChange(TFuzzySetEvent handler) override { onFuzzySetChange_ = std::move(handler); }

  TIFuzzySets& Items() noexcept override { return items_; }
  const TIFuzzySets& Items() const noexcept override { return items_; }
  TRef<IFuzzySet> CreateTerm(std::string_view name) override;
  IFuzzySet* FindTerm(std::string_view name) const noexcept override { return items_.Find(name); }
  bool RemoveTerm(std::string_view name) override { return items_.Remove(name); }
  std::int32_t TermCount() const noexcept override { return items_.Count(); }
  IFuzzySet& Term(std::int32_t index) const override { return items_.Items(index); }
  TRef<IFuzzySet> NewFuzzySet() override;
  void CreateAutoTerms() override;

  std::string AsText() const override;
  void Assign(const IFuzzyVariable& source) override;
  bool Equals(const IFuzzyVariable& other) const override;

  void FuzzySetChanged(IFuzzySet& set) override;
  void TermsCleared() override;

 protected:
  // engineTerms: terms (and NewFuzzySet results) are TIEFuzzySet.
  TIFuzzyVariable(std::string_view name, bool engineTerms) : name_(name), engineTerms_(engineTerms) {}

 private:
  TRef<TIFuzzySet> NewTermSet() const;
  void NotifyChange();

  TIFuzzySets items_{this};
  std::string name_;
  std::string units_;
  TFzyFloat minimum_ = 0.0;
  TFzyFloat maximum_ = 1.0;
  TFzyFloat threshold_ = 0.0;
  IFuzzyParser* parser_ = nullptr;
  TNotifyEvent onChange_;
  TVariableEvent onVariableChange_;
  TFuzzySetEvent onFuzzySetChange_;
  std::int32_t numFunctionValues_ = FuzzyDefaultPointCount;
  std::int32_t tag_ = 0;
  TDefuzzificationMethod defuzzificationMethod_ = dmCenterOfGravity;
  bool engineTerms_;
};

// The engine's fuzzy variable (one per fuzzy defined type); its terms are
// TIEFuzzySet.
class TIEFuzzyVariable : public TIFuzzyVariable {
 public:
  explicit TIEFuzzyVariable(std::string_view name = {}) : TIFuzzyVariable(name, true) {}
};

// --- Term definitions ------------------------------------------------------------

// A term as a type definition writes it: "(term <name> <body>)", the body
// being the term's expression text or point list, or the shape call that
// made it ("(tri a b c)", "(s a b)", "(z a b)", "(pi centre width)" or
// "(pi left centre right)", "(beta centre range [inflection [weight]])").
std::string FuzzyTermText(const IFuzzySet& term);

}  // namespace fxe
