// Fuzzy variables and their term tables, the shared fuzzy sets, hedges,
// automatic terms and the set-level part of fuzzy inference.
#include "fuzzysets/IFuzzyLogic.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/WordText.h"

namespace fxe {

namespace {

// The hedge parameter p, by hedge index.
constexpr std::array<TFzyFloat, FuzzyHedgeCount> HedgeParameters = {
    0.0, 1.0 / 3.0, 0.5, 0.7, 1.25, 2.0, 3.0, 0.0, 0.0, 0.0, 0.0, 2.0, 4.0, 1.2, 1.2, 1.2, 2.0, 2.0, 2.0, 0.5};

enum EHedge : int {
  hNot = 0,
  hSomewhat = 1,
  hExtremely = 6,
  hAbove = 7,
  hBelow = 8,
  hSlightly = 9,
  hNormalize = 10,
  hAbout = 11,
  hNeighboring = 15,
  hPositively = 16,
  hGenerally = 19
};

constexpr int HedgePointCount = 7;
constexpr int ApproximationPointCount = 50;

template <class TList>
int IndexIn(const TList& list, std::string_view word) noexcept {
  const auto it = std::find(list.begin(), list.end(), word);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// A scratch set with a given universe, for hedges built from other hedges.
class TScratchSet : public TFuzzySet {
 public:
  explicit TScratchSet(TFuzzyUniverse universe) noexcept : universe_(universe) {}
  TFuzzyUniverse Universe() const noexcept override { return universe_; }

 private:
  TFuzzyUniverse universe_;
};

void PowerHedge(TFuzzySet& set, TFzyFloat p) {
  TFuzzySetValues& v = set.Values();
  v.Expand(HedgePointCount);
  for (int i = 0; i < v.Count(); ++i) {
    const TFzyFloat y = v[i].Y();
    if (y > 0.0 && y < 1.0) v.SetY(i, std::pow(y, p));
  }
}

void NotHedge(TFuzzySet& set) {
  TFuzzySetValues& v = set.Values();
  for (int i = 0; i < v.Count(); ++i) v.SetY(i, 1.0 - v[i].Y());
}

// "above" scans from the first point, "below" from the last: a point at or
// over the running maximum is the candidate peak; the first grade of exactly
// 1 is the peak and ends the scan. Beyond the peak y := 1 - y; the peak and
// the side scanned from: 0.
void PeakHedge(TFuzzySet& set, bool above) {
  TFuzzySetValues& v = set.Values();
  const int n = v.Count();
  TFzyFloat running = 0.0;
  int peak = above ? 0 : n - 1;
  for (int k = 0; k < n; ++k) {
    const int i = above ? k : n - 1 - k;
    const TFzyFloat y = v[i].Y();
    if (y >= running || y == 1.0) {
      running = y;
      peak = i;
    }
    if (y == 1.0) break;
  }
  for (int i = 0; i < n; ++i) {
    const bool beyond = above ? i > peak : i < peak;
    v.SetY(i, beyond ? 1.0 - v[i].Y() : 0.0);
  }
}

void IntensifyHedge(TFuzzySet& set, TFzyFloat p) {
  TFuzzySetValues& v = set.Values();
  v.Expand(HedgePointCount);
  for (int i = 0; i < v.Count(); ++i) {
    const TFzyFloat y = v[i].Y();
    if (p < 1.0 && y <= 0.0) continue;
    if (y < 0.5) {
      v.SetY(i, std::min(1.0, p * std::pow(y, p)));
    } else {
      // Grades above 1 (from sums) have no fractional power of 1 - y.
      TFzyFloat base = 1.0 - y;
      if (base < 0.0 && p != std::floor(p)) base = 0.0;
      v.SetY(i, std::max(0.0, 1.0 - p * std::pow(base, p)));
    }
  }
}

void SlightlyHedge(TFuzzySet& set) {
  const TFuzzyUniverse universe = set.Universe();
  TScratchSet veryNot(universe);
  TScratchSet plus(universe);
  TScratchSet result(universe);
  veryNot.Values().Assign(set.Values());
  plus.Values().Assign(set.Values());
  PowerHedge(veryNot, HedgeParameters[5]);
  NotHedge(veryNot);
  PowerHedge(plus, HedgeParameters[4]);
  veryNot.Intersection(plus, foZadeh, result);
  result.Normalize();
  IntensifyHedge(result, 2.0);
  set.Values().Assign(result.Values());
}

// Every point of the set spreads its grade over a 50-point grid of the
// universe, falling off with distance; the grid becomes the set.
void ApproximationHedge(TFuzzySet& set, TFzyFloat p) {
  TFuzzySetValues& v = set.Values();
  v.Expand(HedgePointCount);
  const TFuzzyUniverse u = set.Universe();
  const TFzyFloat first = v[0].X();
  const TFzyFloat last = v[v.Count() - 1].X();
  const TFzyFloat width = u.maximum - u.minimum;
  const TFzyFloat k = FuzzyEqual(first, last) || !(width > 0.0) ? 0.2 : (last - first) / width;
  TFuzzySetValues grid;
  grid.Add(u.minimum, 0.0);
  grid.Add(u.maximum, 0.0);
  grid.Expand(ApproximationPointCount);
  std::vector<TFuzzySetValue> work(grid.begin(), grid.end());
  for (const TFuzzySetValue& point : v) {
    if (!(point.Y() > 0.0)) continue;
    for (TFuzzySetValue& w : work) {
      const TFzyFloat y = point.Y() / (1.0 + std::pow(k * std::fabs(w.X() - point.X()), p));
      if (y > w.Y()) w = TFuzzySetValue(w.X(), y);
    }
  }
  v.Assign(std::span<const TFuzzySetValue>(work));
  set.Normalize();
}

// The operand text of a combined expression: its expression text or name,
// in parentheses when it has a blank.
const std::string& OperandSource(const IFuzzySet& set) {
  return set.ExpressionText().empty() ? set.Name() : set.ExpressionText();
}

void AppendOperandText(std::string& out, const IFuzzySet& set) {
  const std::string& text = OperandSource(set);
  const bool parentheses = text.find(' ') != std::string::npos;
  if (parentheses) out += '(';
  out += text;
  if (parentheses) out += ')';
}

}  // namespace

int FindHedgeWord(std::string_view word) noexcept { return IndexIn(FuzzyConsts::HedgeWords, word); }
int FindAndWord(std::string_view word) noexcept { return IndexIn(FuzzyConsts::AndWords, word); }
int FindOrWord(std::string_view word) noexcept { return IndexIn(FuzzyConsts::OrWords, word); }
int FindOperationName(std::string_view word) noexcept { return IndexIn(FuzzyConsts::OperationNames, word); }
int FindCorrelationName(std::string_view word) noexcept { return IndexIn(FuzzyConsts::CorrelationNames, word); }
int FindInferenceName(std::string_view word) noexcept { return IndexIn(FuzzyConsts::InferenceNames, word); }

int FindOperatorWord(std::string_view word, bool& onX) noexcept {
  int index = IndexIn(FuzzyConsts::OperatorWords, word);
  onX = false;
  if (index < 0) {
    index = IndexIn(FuzzyConsts::OperatorXWords, word);
    onX = index >= 0;
  }
  return index;
}

void ApplyFuzzyHedge(TFuzzySet& set, int hedgeIndex) {
  if (hedgeIndex < 0 || hedgeIndex >= FuzzyHedgeCount) {
    Raise<EFzyException>(FuzzyConsts::SInvalidHedgeIndex, hedgeIndex);
  }
  if (hedgeIndex == hNormalize) {
    set.Normalize();
    return;
  }
  if (set.Values().IsEmpty()) return;
  const TFzyFloat p = HedgeParameters[static_cast<std::size_t>(hedgeIndex)];
  // One batch: the set is sorted, compacted and notified once at the end.
  TUpdateScope update(set);
  if (hedgeIndex == hNot) {
    NotHedge(set);
  } else if (hedgeIndex <= hExtremely) {
    PowerHedge(set, p);
  } else if (hedgeIndex == hAbove || hedgeIndex == hBelow) {
    PeakHedge(set, hedgeIndex == hAbove);
  } else if (hedgeIndex == hSlightly) {
    SlightlyHedge(set);
  } else if (hedgeIndex <= hNeighboring) {
    ApproximationHedge(set, p);
  } else {
    IntensifyHedge(set, p);
  }
}

std::string IFuzzyParser::FormatFuzzyVariable(const IFuzzyVariable& variable) const { return variable.Name(); }

TRef<IFuzzySet> NewEngineFuzzySet() { return MakeRef<TIEFuzzySet>(); }

// --- TIFuzzySets ---------------------------------------------------------------

TIFuzzySets::~TIFuzzySets() {
  // Only reached with the owning variable; its sets must not point back.
  for (const auto& entry : table_) {
    if (auto* set = dynamic_cast<TIFuzzySet*>(entry.Value().Get())) {
      set->filed_ = false;
      if (set->variable_ == variable_ && !set->variableRef_) set->variable_ = nullptr;
    }
  }
}

IFuzzySet* TIFuzzySets::Find(std::string_view name) const noexcept {
  const TRef<IFuzzySet>* found = table_.Find(name);
  return found ? found->Get() : nullptr;
}

void TIFuzzySets::Add(const TRef<IFuzzySet>& set) {
  if (!set) return;
  auto* s = dynamic_cast<TIFuzzySet*>(set.Get());
  if (!s || s->variable_ != variable_) {
    set->SetVariable(variable_);
    return;
  }
  if (s->isTerm_ && !s->filed_) File(*s);
}

bool TIFuzzySets::Remove(std::string_view name) {
  std::optional<TRef<IFuzzySet>> taken = table_.Take(name);
  if (!taken) return false;
  if (auto* s = dynamic_cast<TIFuzzySet*>(taken->Get())) {
    s->filed_ = false;
    s->variableRef_ = TRef<IFuzzyVariable>(s->variable_);
  }
  return true;
}

void TIFuzzySets::Clear() {
  if (table_.IsEmpty()) return;
  UnfileAll();
  table_.Clear();
  if (variable_) variable_->TermsCleared();
}

void TIFuzzySets::Assign(const TIFuzzySets& source) {
  if (&source == this) return;
  // Copies first, so that a failure leaves the table as it was.
  std::vector<TRef<IFuzzySet>> copies;
  copies.reserve(static_cast<std::size_t>(source.Count()));
  for (std::int32_t i = 0; i < source.Count(); ++i) {
    const IFuzzySet& original = source.Items(i);
    TRef<IFuzzySet> copy = variable_ ? variable_->NewFuzzySet() : MakeRef<TIFuzzySet>();
    auto& s = static_cast<TIFuzzySet&>(*copy);
    s.TFuzzySet::Assign(original.FuzzySet());
    s.isTerm_ = original.IsTerm();
    copies.push_back(std::move(copy));
  }
  // Copying the source's table keeps its capacity and chains, so both orders
  // of the copied terms are the source's.
  TUpdateScope update(table_);
  UnfileAll();
  table_.Assign(source.table_);
  for (std::int32_t i = 0; i < table_.Count(); ++i) {
    TRef<IFuzzySet>& slot = table_.ValueAt(i);
    slot = std::move(copies[static_cast<std::size_t>(i)]);
    auto& s = static_cast<TIFuzzySet&>(*slot);
    s.filed_ = true;
    s.variableRef_ = nullptr;
  }
}

bool TIFuzzySets::Equals(const TIFuzzySets& other) const noexcept {
  for (const auto& entry : table_) {
    const IFuzzySet* match = other.Find(entry.Key());
    if (!match || !match->Values().Equals(entry.Value()->Values())) return false;
  }
  return true;
}

void TIFuzzySets::File(TIFuzzySet& set) {
  std::optional<TRef<IFuzzySet>> replaced = table_.Put(set.Name(), TRef<IFuzzySet>(&set));
  set.filed_ = true;
  // Released last: the table now keeps the set, the set no longer the variable.
  TRef<IFuzzyVariable> released = std::move(set.variableRef_);
  if (replaced && replaced->Get() != static_cast<IFuzzySet*>(&set)) {
    if (auto* other = dynamic_cast<TIFuzzySet*>(replaced->Get())) {
      other->filed_ = false;
      other->variableRef_ = TRef<IFuzzyVariable>(other->variable_);
    }
  }
}

TRef<IFuzzySet> TIFuzzySets::Unfile(const TIFuzzySet& set) {
  const TRef<IFuzzySet>* found = table_.Find(set.Name());
  if (!found || found->Get() != static_cast<const IFuzzySet*>(&set)) return {};
  std::optional<TRef<IFuzzySet>> taken = table_.Take(set.Name());
  auto& s = static_cast<TIFuzzySet&>(**taken);
  s.filed_ = false;
  s.variableRef_ = TRef<IFuzzyVariable>(s.variable_);
  return std::move(*taken);
}

void TIFuzzySets::UnfileAll() {
  for (const auto& entry : table_) {
    if (auto* s = dynamic_cast<TIFuzzySet*>(entry.Value().Get())) {
      s->filed_ = false;
      s->variableRef_ = TRef<IFuzzyVariable>(s->variable_);
    }
  }
}

// --- TIFuzzySet --------------------------------------------------------------

void TIFuzzySet::SetVariable(IFuzzyVariable* variable) {
  if (variable == variable_) return;
  TRef<IFuzzySet> held;
  if (filed_ && variable_) held = variable_->Items().Unfile(*this);
  filed_ = false;
  // The old variable is released only after the move is complete.
  TRef<IFuzzyVariable> previous = std::move(variableRef_);
  variable_ = variable;
  if (!variable) return;
  parser_ = variable->Parser();
  if (isTerm_) variable->Items().File(*this);
  if (!filed_) variableRef_ = TRef<IFuzzyVariable>(variable);
}

void TIFuzzySet::Attach(IFuzzyVariable* variable) {
  variable_ = variable;
  variableRef_ = TRef<IFuzzyVariable>(variable);
  filed_ = false;
}

TFzyFloat TIFuzzySet::LowerBound() const noexcept {
  if (variable_) return variable_->Minimum();
  const TFuzzySetValues& v = TFuzzySet::Values();
  return v.IsEmpty() ? -FuzzyUniverseLimit : v[0].X();
}

TFzyFloat TIFuzzySet::UpperBound() const noexcept {
  if (variable_) return variable_->Maximum();
  const TFuzzySetValues& v = TFuzzySet::Values();
  return v.IsEmpty() ? FuzzyUniverseLimit : v[v.Count() - 1].X();
}

TFuzzyUniverse TIFuzzySet::Universe() const noexcept {
  if (!variable_) return TFuzzySet::Universe();
  return {variable_->Minimum(), variable_->Maximum()};
}

std::string TIFuzzySet::AsText() const { return parser_ ? parser_->FormatFuzzySet(*this) : NamedText(); }

void TIFuzzySet::Changed() {
  if (variable_) variable_->FuzzySetChanged(*this);
}

void TIFuzzySet::Rename(std::string name) {
  if (!filed_ || !variable_ || name == TFuzzySet::Name()) {
    TFuzzySet::Rename(std::move(name));
    return;
  }
  // File under the new name first: a refused name changes nothing.
  TIFuzzySets& items = variable_->Items();
  const bool filedHere = items.Find(TFuzzySet::Name()) == static_cast<IFuzzySet*>(this);
  std::optional<TRef<IFuzzySet>> replaced = items.table_.Put(name, TRef<IFuzzySet>(this));
  std::optional<TRef<IFuzzySet>> old;
  if (filedHere) old = items.table_.Take(TFuzzySet::Name());
  TFuzzySet::Rename(std::move(name));
  if (replaced) {
    if (auto* other = dynamic_cast<TIFuzzySet*>(replaced->Get())) {
      other->filed_ = false;
      other->variableRef_ = TRef<IFuzzyVariable>(other->variable_);
    }
  }
}

TRef<TIFuzzySet> TIFuzzySet::NewInstance() const { return MakeRef<TIFuzzySet>(); }

TRef<TIFuzzySet> TIEFuzzySet::NewInstance() const { return MakeRef<TIEFuzzySet>(); }

TRef<TIFuzzySet> TIFuzzySet::NewSibling() const {
  TRef<TIFuzzySet> set = NewInstance();
  if (variable_) set->Attach(variable_);
  set->parser_ = parser_;
  return set;
}

TRef<IFuzzySet> TIFuzzySet::Clone() const {
  TRef<TIFuzzySet> copy = NewSibling();
  copy->TFuzzySet::Assign(*this);
  return copy;
}

TRef<IFuzzySet> IFuzzySet::ClippedCopy(TFzyFloat level, std::string name) const {
  TRef<IFuzzySet> copy = Clone();
  TFuzzySet& points = copy->FuzzySet();
  points.ClipAt(level, std::move(name), points);
  return copy;
}

TRef<IFuzzySet> TIFuzzySet::ClippedCopy(TFzyFloat level, std::string name) const {
  TRef<TIFuzzySet> copy = NewSibling();
  ClipAt(level, std::move(name), *copy);
  return copy;
}

void TIFuzzySet::Assign(const IFuzzySet& source) {
  if (&source == static_cast<const IFuzzySet*>(this)) return;
  // Taking the source's variable and name files this set in the source's
  // place, which releases the source when only that table held it.
  const TRef<const IFuzzySet> keep(source.RefCount() > 0 ? &source : nullptr);
  SetVariable(source.Variable());
  TFuzzySet::Assign(source.FuzzySet());
  parser_ = source.FuzzyParser();
}

IFuzzySet& TIFuzzySet::ApplyHedge(int hedgeIndex) {
  ApplyFuzzyHedge(*this, hedgeIndex);
  std::string name(FuzzyConsts::HedgeWords[static_cast<std::size_t>(hedgeIndex)]);
  name += ' ';
  name += FuzzyBracketedName(TFuzzySet::Name());
  Rename(std::move(name));
  return *this;
}

IFuzzySet& TIFuzzySet::ApplyOperator(int operatorIndex, bool onY, TFzyFloat k) {
  TFuzzySet::ApplyOperator(operatorIndex, onY, k);
  return *this;
}

IFuzzySet& TIFuzzySet::Normalize() {
  TFuzzySet::Normalize();
  return *this;
}

void TIFuzzySet::Combine(const IFuzzySet& other, TFuzzyOperation operation, bool isUnion, TIFuzzySet& result) const {
  if (isUnion) {
    TFuzzySet::Union(other.FuzzySet(), operation, result);
  } else {
    TFuzzySet::Intersection(other.FuzzySet(), operation, result);
  }
  const std::string_view word = isUnion ? FuzzyConsts::OrWords[operation] : FuzzyConsts::AndWords[operation];
  std::string text;
  text.reserve(OperandSource(*this).size() + word.size() + OperandSource(other).size() + 6);
  AppendOperandText(text, *this);
  text += ' ';
  text += word;
  text += ' ';
  AppendOperandText(text, other);
  result.TFuzzySet::SetExpressionText(text);
}

TRef<IFuzzySet> TIFuzzySet::Union(const IFuzzySet& other, TFuzzyOperation operation) const {
  TRef<TIFuzzySet> result = NewSibling();
  Combine(other, operation, true, *result);
  return result;
}

TRef<IFuzzySet> TIFuzzySet::Intersection(const IFuzzySet& other, TFuzzyOperation operation) const {
  TRef<TIFuzzySet> result = NewSibling();
  Combine(other, operation, false, *result);
  return result;
}

TRef<IFuzzySet> TIFuzzySet::CombineConstant(bool orOperation, TFzyFloat k) const {
  TRef<TIFuzzySet> result = NewSibling();
  TFuzzySet::CombineConstant(orOperation, k, *result);
  return result;
}

TRef<IFuzzySet> TIFuzzySet::AlphaCut(bool strict, TFzyFloat alpha) const {
  TRef<TIFuzzySet> result = NewSibling();
  TFuzzySet::AlphaCut(strict, alpha, *result);
  return result;
}

bool TIFuzzySet::EqualsSet(const IFuzzySet& other) const {
  const TFzyFloat threshold = variable_ ? variable_->Threshold() : 0.0;
  return ReachesLevel(other.FuzzySet(), threshold);
}

bool TIFuzzySet::EqualsNumber(TFzyFloat n) const {
  const TFzyFloat threshold = variable_ ? variable_->Threshold() : 0.0;
  return TFuzzySet::GetMembership(n) > threshold;
}

TFzyFloat TIFuzzySet::MatchSet(const IFuzzySet& other) {
  matchGrade_ = IntersectionHeight(other.FuzzySet());
  return matchGrade_;
}

std::optional<TFzyFloat> TIFuzzySet::MatchSetIfEqual(const IFuzzySet& other) {
  // Some compared place reaches the threshold exactly when the highest does
  // (grades are never negative, so a threshold of 0 is always reached).
  const TFuzzySet& theirs = other.FuzzySet();
  const TFzyFloat height = IntersectionHeight(theirs);
  const TFzyFloat threshold = variable_ ? variable_->Threshold() : 0.0;
  if (!(Values().IsEmpty() || theirs.Values().IsEmpty() || height >= threshold)) return std::nullopt;
  matchGrade_ = height;
  return height;
}

TFzyFloat TIFuzzySet::MatchNumber(TFzyFloat n) {
  matchGrade_ = TFuzzySet::GetMembership(n);
  return matchGrade_;
}

// Centre of gravity of the area under the function over the universe: the
// flat tails out to the universe ends count, vertical steps do not.
TFzyFloat TIFuzzySet::MomentDefuzzify() {
  defuzzifiedGrade_ = 0.0;
  const TFuzzySetValues& v = TFuzzySet::Values();
  const int n = v.Count();
  if (n == 0) return 0.0;
  const TFuzzyUniverse u = Universe();
  if (n == 1 || FuzzyEqual(v[0].X(), v[n - 1].X())) return u.minimum + (u.maximum - u.minimum) * 0.5;
  TFzyFloat area = 0.0;
  TFzyFloat moment = 0.0;
  const auto add = [&](TFzyFloat pieceArea, TFzyFloat centroid) {
    area += pieceArea;
    moment += pieceArea * centroid;
  };
  const TFuzzySetValue& first = v[0];
  const TFuzzySetValue& last = v[n - 1];
  if (first.Y() > 0.0 && !FuzzyEqual(first.X(), u.minimum)) {
    add((first.X() - u.minimum) * first.Y(), (first.X() + u.minimum) / 2.0);
  }
  for (int i = 0; i + 1 < n; ++i) {
    const TFzyFloat x0 = v[i].X();
    const TFzyFloat y0 = v[i].Y();
    const TFzyFloat x1 = v[i + 1].X();
    const TFzyFloat y1 = v[i + 1].Y();
    const TFzyFloat dx = x1 - x0;
    if (FuzzyEqual(x0, x1) || (FuzzyEqual(y0, 0.0) && FuzzyEqual(y1, 0.0))) continue;
    if (FuzzyEqual(y0, y1)) {
      add(dx * y0, (x0 + x1) / 2.0);
    } else if (FuzzyEqual(y0, 0.0)) {
      add(dx * 0.5 * std::fabs(y1 - y0), x0 + dx * 2.0 / 3.0);
    } else if (FuzzyEqual(y1, 0.0)) {
      add(dx * 0.5 * std::fabs(y1 - y0), x0 + dx / 3.0);
    } else {
      add(dx * 0.5 * (y0 + y1), x0 + (2.0 / 3.0) * dx * (0.5 * y0 + y1) / (y0 + y1));
    }
  }
  if (last.Y() > 0.0 && !FuzzyEqual(last.X(), u.maximum)) {
    add((u.maximum - last.X()) * last.Y(), (last.X() + u.maximum) / 2.0);
  }
  if (area == 0.0) return 0.0;
  const TFzyFloat result = moment / area;
  if (!std::isfinite(result)) Raise<EFzyException>(FuzzyConsts::SDefuzzifyOverflow, TFuzzySet::Name());
  defuzzifiedGrade_ = TFuzzySet::GetMembership(result);
  return result;
}

TFzyFloat TIFuzzySet::MeanOfMaxima() {
  defuzzifiedGrade_ = 0.0;
  const TFuzzySetValues& v = TFuzzySet::Values();
  if (v.IsEmpty()) return 0.0;
  TFzyFloat top = v[0].Y();
  for (const TFuzzySetValue& p : v) top = std::max(top, p.Y());
  // A running mean whose steps stay finite: a sum of X, or the distance
  // between an X and the mean, could overflow on huge universes.
  TFzyFloat mean = 0.0;
  int count = 0;
  for (const TFuzzySetValue& p : v) {
    if (!FuzzyEqual(p.Y(), top)) continue;
    ++count;
    mean += p.X() / count - mean / count;
  }
  defuzzifiedGrade_ = top;
  return mean;
}

TFzyFloat TIFuzzySet::Defuzzify() {
  if (variable_ && variable_->DefuzzificationMethod() == dmMeanOfMaxima) return MeanOfMaxima();
  return MomentDefuzzify();
}

// --- TIFuzzyVariable -----------------------------------------------------------

TIFuzzyVariable::~TIFuzzyVariable() {
  onChange_ = nullptr;
  onVariableChange_ = nullptr;
  onFuzzySetChange_ = nullptr;
  // Terms still referenced elsewhere keep a term-less copy of this variable,
  // as if they had kept the variable itself alive.
  TRef<TIFuzzyVariable> remnant;
  for (const auto& entry : items_.table_) {
    auto* set = dynamic_cast<TIFuzzySet*>(entry.Value().Get());
    if (!set || set->variable_ != this) continue;
    set->filed_ = false;
    if (set->RefCount() > 1) {
      if (!remnant) {
        remnant =
            engineTerms_ ? TRef<TIFuzzyVariable>(MakeRef<TIEFuzzyVariable>(name_)) : MakeRef<TIFuzzyVariable>(name_);
        remnant->units_ = units_;
        remnant->minimum_ = minimum_;
        remnant->maximum_ = maximum_;
        remnant->threshold_ = threshold_;
        remnant->parser_ = parser_;
        remnant->numFunctionValues_ = numFunctionValues_;
        remnant->tag_ = tag_;
        remnant->defuzzificationMethod_ = defuzzificationMethod_;
      }
      set->variable_ = remnant.Get();
      set->variableRef_ = remnant;
    } else {
      set->variable_ = nullptr;
    }
  }
  items_.table_.Clear();
}

void TIFuzzyVariable::NotifyChange() {
  if (onChange_) onChange_(*this);
  if (onVariableChange_) onVariableChange_(*this);
}

void TIFuzzyVariable::SetMaximum(TFzyFloat maximum) {
  if (!std::isfinite(maximum)) Raise<EFzyException>(FuzzyConsts::SNonFiniteArgument, maximum);
  if (maximum == maximum_) return;
  maximum_ = maximum;
  if (maximum_ < minimum_) minimum_ = maximum_;
  NotifyChange();
}

void TIFuzzyVariable::SetMinimum(TFzyFloat minimum) {
  if (!std::isfinite(minimum)) Raise<EFzyException>(FuzzyConsts::SNonFiniteArgument, minimum);
  if (minimum == minimum_) return;
  minimum_ = minimum;
  if (minimum_ > maximum_) maximum_ = minimum_;
  NotifyChange();
}

void TIFuzzyVariable::SetName(std::string_view name) {
  if (name == name_) return;
  name_.assign(name);
  NotifyChange();
}

void TIFuzzyVariable::SetNumFunctionValues(std::int32_t count) {
  if (count == numFunctionValues_) return;
  numFunctionValues_ = count;
  NotifyChange();
}

void TIFuzzyVariable::SetParser(IFuzzyParser* parser) {
  parser_ = parser;
  for (const auto& entry : items_) entry.Value()->SetFuzzyParser(parser);
}

void TIFuzzyVariable::SetThreshold(TFzyFloat threshold) {
  if (std::isnan(threshold)) Raise<EFzyException>(FuzzyConsts::SNonFiniteArgument, threshold);
  threshold_ = std::clamp(threshold, 0.0, 1.0);
}

TRef<TIFuzzySet> TIFuzzyVariable::NewTermSet() const {
  if (engineTerms_) return MakeRef<TIEFuzzySet>();
  return MakeRef<TIFuzzySet>();
}

TRef<IFuzzySet> TIFuzzyVariable::CreateTerm(std::string_view name) {
  TRef<TIFuzzySet> set = NewTermSet();
  set->SetName(name);
  set->isTerm_ = name != FuzzyEmptyTermName;
  set->variable_ = this;
  set->parser_ = parser_;
  items_.File(*set);
  return set;
}

TRef<IFuzzySet> TIFuzzyVariable::NewFuzzySet() {
  TRef<TIFuzzySet> set = NewTermSet();
  set->Attach(this);
  set->parser_ = parser_;
  return set;
}

void TIFuzzyVariable::CreateAutoTerms() {
  const TFzyFloat lo = minimum_;
  const TFzyFloat hi = maximum_;
  if (!FindTerm("low")) {
    TRef<IFuzzySet> low = CreateTerm("low");
    TUpdateScope update(*low);
    low->AddPoint(lo, 1.0);
    low->AddPoint(hi, 0.0);
  }
  if (!FindTerm("medium")) {
    // The peak sits at (Maximum - Minimum) / 2, not at the middle of the universe.
    const TFzyFloat width = hi - lo;
    CreateTerm("medium")->FuzzySet().MakeTriangle(lo, std::isfinite(width) ? width / 2.0 : hi / 2.0 - lo / 2.0, hi);
  }
  if (!FindTerm("high")) {
    TRef<IFuzzySet> high = CreateTerm("high");
    TUpdateScope update(*high);
    high->AddPoint(lo, 0.0);
    high->AddPoint(hi, 1.0);
  }
}

std::string TIFuzzyVariable::AsText() const { return parser_ ? parser_->FormatFuzzyVariable(*this) : name_; }

void TIFuzzyVariable::Assign(const IFuzzyVariable& source) {
  if (&source == this) return;
  defuzzificationMethod_ = source.DefuzzificationMethod();
  minimum_ = source.Minimum();
  maximum_ = source.Maximum();
  name_ = source.Name();
  units_ = source.Units();
  numFunctionValues_ = source.NumFunctionValues();
  tag_ = source.Tag();
  parser_ = source.Parser();
  items_.Assign(source.Items());
  NotifyChange();
}

bool TIFuzzyVariable::Equals(const IFuzzyVariable& other) const {
  return name_ == other.Name() && units_ == other.Units() && minimum_ == other.Minimum() &&
         maximum_ == other.Maximum() && items_.Equals(other.Items());
}

void TIFuzzyVariable::FuzzySetChanged(IFuzzySet& set) {
  if (onFuzzySetChange_) onFuzzySetChange_(*this, set);
}

void TIFuzzyVariable::TermsCleared() { NotifyChange(); }

// --- Term definitions ------------------------------------------------------------

namespace {

// A shape call as the term text prints it: the shape's name and its
// arguments with four decimals.
struct TShapeCall {
  std::string_view shape;
  std::vector<TFzyFloat> arguments;
};

// The arguments as the reader gets them back from their printed form.
std::vector<TFzyFloat> AsPrinted(const std::vector<TFzyFloat>& arguments) {
  std::vector<TFzyFloat> printed;
  printed.reserve(arguments.size());
  for (TFzyFloat argument : arguments) {
    const std::string text = FormatFloat(argument);
    TFzyFloat value = argument;
    std::from_chars(text.data(), text.data() + text.size(), value);
    printed.push_back(value);
  }
  return printed;
}

// Whether reading the call back makes the set's points again: the shape is
// generated as the shape functions do and then cut into the set's universe,
// as adding it to the type does. A shape cut by the range, say, is no longer
// what its first and last points suggest.
bool ReadsBack(const TShapeCall& call, const IFuzzySet& set) {
  const std::vector<TFzyFloat> a = AsPrinted(call.arguments);
  TScratchSet generated(TFuzzyUniverse{-HUGE_VAL, HUGE_VAL});
  try {
    if (call.shape == "tri") {
      generated.MakeTriangle(a[0], a[1], a[2]);
    } else if (call.shape == "s" || call.shape == "z") {
      generated.MakeSCurve(FuzzyDefaultPointCount, call.shape == "s", a[0], a[1], a[0] + (a[1] - a[0]) / 2);
    } else if (call.shape == "pi") {
      if (a.size() == 2) {
        generated.MakePI(FuzzyDefaultPointCount, a[0], a[1]);
      } else {
        generated.MakePI(FuzzyDefaultPointCount, a[0], a[1], a[2]);
      }
    } else {
      const TFzyFloat beta = a.size() > 2 ? a[2] : (a[0] + a[1]) / 2;
      generated.MakeBeta(FuzzyDefaultPointCount, a[0], a[1], beta, a.size() > 3 ? a[3] : 1.0);
    }
  } catch (const EFzyException&) {
    return false;
  }
  TScratchSet cut(set.FuzzySet().Universe());
  cut.Values().Assign(generated.Values());
  const TFuzzySetValues& mine = set.Values();
  const TFuzzySetValues& theirs = cut.Values();
  if (mine.Count() != theirs.Count()) return false;
  for (int i = 0; i < mine.Count(); ++i) {
    if (std::fabs(mine[i].X() - theirs[i].X()) > 2 * FuzzyTolerance ||
        std::fabs(mine[i].Y() - theirs[i].Y()) > 2 * FuzzyTolerance)
      return false;
  }
  return true;
}

// The shape call that generated set, its arguments read back from its
// points; none when the points do not fit the shape.
std::optional<TShapeCall> ShapeCall(const IFuzzySet& set) {
  const TFuzzySetValues& points = set.Values();
  if (points.Count() < 2) return std::nullopt;
  const TFzyFloat first = points[0].X();
  const TFzyFloat last = points[points.Count() - 1].X();
  int peak = 0;
  for (int i = 1; i < points.Count(); ++i) {
    if (points[i].Y() > points[peak].Y()) peak = i;
  }
  switch (set.SetType()) {
    case fstTriangle:
      return TShapeCall{"tri", {first, points[peak].X(), last}};
    case fstGrowthCurve:
      return TShapeCall{"s", {first, last}};
    case fstDeclineCurve:
      return TShapeCall{"z", {first, last}};
    case fstPICurve: {
      const TFzyFloat centre = points[peak].X();
      if (FuzzyEqual(centre - first, last - centre)) return TShapeCall{"pi", {centre, centre - first}};
      return TShapeCall{"pi", {first, centre, last}};
    }
    case fstBetaCurve: {
      const TFzyFloat centre = (first + last) / 2.0;
      const TFzyFloat range = (last - first) / 2.0;
      const TFzyFloat beta = set.ShapeParameter();
      // The weight follows from the grade at the first point.
      TFzyFloat weight = 1.0;
      const TFzyFloat r = beta != 0.0 ? (first - centre) / beta : 0.0;
      if (r != 0.0 && points[0].Y() > 0.0) weight = (1.0 / points[0].Y() - 1.0) / (r * r);
      if (!FuzzyEqual(weight, 1.0)) return TShapeCall{"beta", {centre, range, beta, weight}};
      if (!FuzzyEqual(beta, (centre + range) / 2.0)) return TShapeCall{"beta", {centre, range, beta}};
      return TShapeCall{"beta", {centre, range}};
    }
    case fstUserDefined:
      break;
  }
  return std::nullopt;
}

// Appends the shape call of the set when it reads back as the set; false
// when it would not (then the point list is written instead).
bool AppendShapeCall(std::string& out, const IFuzzySet& set) {
  const std::optional<TShapeCall> call = ShapeCall(set);
  if (!call || !ReadsBack(*call, set)) return false;
  out += '(';
  out += call->shape;
  for (TFzyFloat argument : call->arguments) {
    out += ' ';
    out += FormatFloat(argument);
  }
  out += ')';
  return true;
}

}  // namespace

std::string FuzzyTermText(const IFuzzySet& term) {
  std::string out = "(term ";
  detail::AppendWord(out, term.Name());
  out += ' ';
  if (term.SetType() == fstUserDefined && !term.ExpressionText().empty()) {
    out += term.ExpressionText();
  } else if (term.SetType() == fstUserDefined || !AppendShapeCall(out, term)) {
    term.FuzzySet().AppendValuesText(out);
  }
  out += ')';
  return out;
}

}  // namespace fxe
