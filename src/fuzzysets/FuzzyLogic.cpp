// Fuzzy sets: point-list maintenance, membership, shape generators and the
// set operations.
#include "fuzzysets/FuzzyLogic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"

namespace fxe {

namespace {

using TPoints = std::span<const TFuzzySetValue>;

// Lists longer than this are sorted by exact X instead of the tolerant
// selection below, which is quadratic (they agree unless points lie within
// the tolerance of each other out of order).
constexpr std::size_t MaxTolerantSortSize = 4096;

void CheckFinitePoint(TFzyFloat x, TFzyFloat y) {
  if (!std::isfinite(x) || !std::isfinite(y)) Raise<EFzyException>(FuzzyConsts::SNonFinitePoint, x, y);
}

void CheckFiniteArgument(TFzyFloat value) {
  if (!std::isfinite(value)) Raise<EFzyException>(FuzzyConsts::SNonFiniteArgument, value);
}

void CheckPointCount(int count) {
  if (count > FuzzyMaxPointCount) Raise<EFzyException>(FuzzyConsts::SInvalidPointCount, count);
}

TFzyFloat ClampInto(TFzyFloat x, const TFuzzyUniverse& u) noexcept {
  if (x < u.minimum) return u.minimum;
  if (x > u.maximum) return u.maximum;
  return x;
}

// (x - a) / (b - a) for a < b, also when b - a exceeds the largest double.
[[gnu::always_inline]] inline TFzyFloat Fraction(TFzyFloat x, TFzyFloat a, TFzyFloat b) noexcept {
  const TFzyFloat width = b - a;
  if (std::isfinite(width)) return (x - a) / width;
  return (x / 2.0 - a / 2.0) / (b / 2.0 - a / 2.0);
}

// The place a fraction t of the way from a to b, also when b - a exceeds the
// largest double.
TFzyFloat Between(TFzyFloat a, TFzyFloat b, TFzyFloat t) noexcept {
  const TFzyFloat width = b - a;
  if (std::isfinite(width)) return a + t * width;
  return a * (1.0 - t) + b * t;
}

// Largest Y of the run of points sharing the X of point i, walking forward.
TFzyFloat RunMaxForward(TPoints p, std::size_t i) noexcept {
  const TFzyFloat anchor = p[i].X();
  TFzyFloat m = p[i].Y();
  for (std::size_t j = i + 1; j < p.size() && FuzzyEqual(p[j].X(), anchor); ++j) m = std::max(m, p[j].Y());
  return m;
}

TFzyFloat RunMaxBackward(TPoints p, std::size_t i) noexcept {
  const TFzyFloat anchor = p[i].X();
  TFzyFloat m = p[i].Y();
  for (std::size_t j = i; j > 0 && FuzzyEqual(p[j - 1].X(), anchor); --j) m = std::max(m, p[j - 1].Y());
  return m;
}

// Membership evaluation that remembers how far it has scanned, so that a walk
// asking for ascending X costs linear time in total. Any query gives exactly
// the grade of a fresh scan: a query below the previous one restarts it.
class TMembershipCursor {
 public:
  explicit TMembershipCursor(TPoints points) noexcept : p_(points) {}

  TFzyFloat At(TFzyFloat x) noexcept {
    const std::size_t n = p_.size();
    if (n == 0 || std::isnan(x)) return 0.0;
    const TFuzzySetValue& first = p_[0];
    const TFuzzySetValue& last = p_[n - 1];
    if (x < first.X()) return first.Y();
    if (x > last.X()) return last.Y();
    if (x == first.X()) return RunMaxForward(p_, 0);
    if (x == last.X()) return RunMaxBackward(p_, n - 1);
    if (x < lastQuery_) next_ = 1;
    lastQuery_ = x;
    for (; next_ < n; ++next_) {
      const TFuzzySetValue& q = p_[next_];
      if (q.X() == x) return RunMaxForward(p_, next_);
      if (x < q.X()) {
        const TFuzzySetValue& r = p_[next_ - 1];
        if (q.X() == r.X()) return q.Y();
        return r.Y() + Fraction(x, r.X(), q.X()) * (q.Y() - r.Y());
      }
    }
    return last.Y();
  }

 private:
  TPoints p_;
  std::size_t next_ = 1;
  TFzyFloat lastQuery_ = -std::numeric_limits<TFzyFloat>::infinity();
};

// The grade of an operand's linear piece at x, where next is the index of its
// first point not yet passed: flat before the first and after the last point.
// Inlined: the walk over two sets calls it four times a step.
[[gnu::always_inline]] inline TFzyFloat PieceValue(TPoints p, std::size_t next, TFzyFloat x) noexcept {
  if (next == 0) return p[0].Y();
  if (next >= p.size()) return p.back().Y();
  const TFuzzySetValue& r = p[next - 1];
  const TFuzzySetValue& q = p[next];
  if (!(q.X() > r.X())) return x < q.X() ? r.Y() : q.Y();
  const TFzyFloat t = Fraction(x, r.X(), q.X());
  if (t <= 0.0) return r.Y();
  if (t >= 1.0) return q.Y();
  return r.Y() + t * (q.Y() - r.Y());
}

// Visits the places where two membership functions are compared: every
// breakpoint of either operand in ascending X (breakpoints within the
// tolerance are taken together) and every point between two neighbouring
// breakpoints where the functions cross, the flat extensions beyond an
// operand's end points included. visit(x, a, b) gets both grades there and
// returns true to stop. Returns true when stopped or when an operand is empty.
template <class TVisit>
bool WalkSets(TPoints a, TPoints b, TVisit&& visit) {
  const std::size_t na = a.size();
  const std::size_t nb = b.size();
  if (na == 0 || nb == 0) return true;
  TMembershipCursor memberA(a);
  TMembershipCursor memberB(b);
  std::size_t ia = 0;
  std::size_t ib = 0;
  bool started = false;
  TFzyFloat xPrev = 0.0;
  while (ia < na || ib < nb) {
    bool takeA = ia < na;
    bool takeB = ib < nb;
    TFzyFloat x;
    if (takeA && takeB) {
      const TFzyFloat xa = a[ia].X();
      const TFzyFloat xb = b[ib].X();
      if (FuzzyEqual(xa, xb)) {
        x = xa;
      } else if (xa < xb) {
        x = xa;
        takeB = false;
      } else {
        x = xb;
        takeA = false;
      }
    } else {
      x = takeA ? a[ia].X() : b[ib].X();
    }

    // Between the previous place and this one both functions are linear, so
    // they cross at most once, where their difference changes sign.
    if (started && x > xPrev) {
      const TFzyFloat aL = PieceValue(a, ia, xPrev);
      const TFzyFloat aR = PieceValue(a, ia, x);
      const TFzyFloat dL = aL - PieceValue(b, ib, xPrev);
      const TFzyFloat dR = aR - PieceValue(b, ib, x);
      if ((dL < 0.0 && dR > 0.0) || (dL > 0.0 && dR < 0.0)) {
        const TFzyFloat t = dL / (dL - dR);
        const TFzyFloat yc = aL + t * (aR - aL);
        const TFzyFloat span = x - xPrev;
        const TFzyFloat xc = std::isfinite(span) ? xPrev + t * span : xPrev * (1.0 - t) + x * t;
        if (visit(xc, yc, yc)) return true;
      }
    }

    const TFzyFloat ya = takeA ? a[ia].Y() : memberA.At(x);
    const TFzyFloat yb = takeB ? b[ib].Y() : memberB.At(x);
    if (visit(x, ya, yb)) return true;
    if (takeA) ++ia;
    if (takeB) ++ib;
    xPrev = x;
    started = true;
  }
  return false;
}

TFzyFloat CombineGrades(TFuzzyOperation operation, bool isUnion, TFzyFloat a, TFzyFloat b) noexcept {
  switch (operation) {
    case foZadeh:
      return isUnion ? std::max(a, b) : std::min(a, b);
    case foMean:
      return isUnion ? (2.0 * std::min(a, b) + 4.0 * std::max(a, b)) / 6.0 : (a + b) / 2.0;
    case foMeanSqr: {
      const TFzyFloat m = (a + b) / 2.0;
      return m * m;
    }
    case foMeanSqrt:
      return std::sqrt((a + b) / 2.0);
    case foProduct:
      return isUnion ? a + b - a * b : a * b;
    case foBoundedSum:
      return isUnion ? std::min(1.0, a + b) : std::max(0.0, a + b - 1.0);
    case foSum:
      return a + b;
  }
  return 0.0;
}

// Removes the interior points of flat stretches (a flat start keeps only its
// last point) and a last point level with its predecessor: the flat
// extension beyond the end points makes them redundant.
void Flatten(std::vector<TFuzzySetValue>& p) {
  if (p.size() < 2) return;
  std::size_t w = 1;
  int run = 1;
  for (std::size_t r = 1; r < p.size(); ++r) {
    if (FuzzyEqual(p[r].Y(), p[w - 1].Y())) {
      if (++run > 1) {
        p[w - 1] = p[r];
        continue;
      }
    } else {
      run = 0;
    }
    p[w++] = p[r];
  }
  p.resize(w);
  if (w >= 2 && FuzzyEqual(p[w - 1].Y(), p[w - 2].Y())) p.pop_back();
}

}  // namespace

bool IsReservedFuzzyWord(std::string_view word) noexcept {
  // Every reserved word is short, has no blank and starts with a letter or an
  // operator sign, so names of numbers and combined names are answered at once.
  if (word.empty() || word.size() > 14 || (word[0] >= '0' && word[0] <= '9') ||
      word.find(' ') != std::string_view::npos)
    return false;
  const auto in = [word](const auto& list) { return std::find(list.begin(), list.end(), word) != list.end(); };
  return in(FuzzyConsts::HedgeWords) || in(FuzzyConsts::AndWords) || in(FuzzyConsts::OrWords) ||
         in(FuzzyConsts::OperatorWords) || in(FuzzyConsts::OperatorXWords);
}

std::string FuzzyBracketedName(std::string_view name) {
  std::string out;
  AppendFuzzyBracketedName(out, name);
  return out;
}

void AppendFuzzyBracketedName(std::string& out, std::string_view name) {
  const bool brackets = name.find(' ') != std::string_view::npos;
  if (brackets) out += '[';
  out += name;
  if (brackets) out += ']';
}

std::string FuzzyNumberName(std::string_view operand, std::string_view word, TFzyFloat k, bool bracket) {
  std::string out;
  out.reserve(operand.size() + word.size() + 16);
  if (bracket) {
    AppendFuzzyBracketedName(out, operand);
  } else {
    out += operand;
  }
  out += ' ';
  out += word;
  out += ' ';
  AppendFloat(out, k);
  return out;
}

// --- TFuzzySetValues -------------------------------------------------------

const TFuzzySetValue& TFuzzySetValues::Items(int index) const {
  CheckIndex(index);
  return points_[static_cast<std::size_t>(index)];
}

void TFuzzySetValues::CheckIndex(int index) const {
  fxe::CheckIndex<EFzyException>(index, Count(), FuzzyConsts::SPointIndexOutOfBounds);
}

TFzyFloat TFuzzySetValues::ClampX(TFzyFloat x) const { return owner_ ? ClampInto(x, owner_->Universe()) : x; }

void TFuzzySetValues::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0 || !changed_) return;
  changed_ = false;
  Settle();
  Notify();
}

void TFuzzySetValues::Add() {
  const TFzyFloat x = points_.empty() ? 0.0 : points_.back().X() + 1.0;
  Add(x, 0.0);
}

void TFuzzySetValues::Add(TFzyFloat x, TFzyFloat y) {
  CheckFinitePoint(x, y);
  points_.emplace_back(ClampX(x), std::max(y, 0.0));
  PointChanged(Count() - 1, EChange::Both);
}

void TFuzzySetValues::Insert(int index, TFzyFloat x, TFzyFloat y) {
  fxe::CheckIndex<EFzyException>(index, Count() + 1, FuzzyConsts::SPointIndexOutOfBounds);
  CheckFinitePoint(x, y);
  points_.insert(points_.begin() + index, TFuzzySetValue(ClampX(x), std::max(y, 0.0)));
  PointChanged(index, EChange::Both);
}

void TFuzzySetValues::Delete(int index) {
  CheckIndex(index);
  const auto at = static_cast<std::size_t>(index);
  points_.erase(points_.begin() + index);
  // The new neighbours may now be duplicates or extend a vertical run.
  if (at > 0 && at < points_.size() && FuzzyEqual(points_[at - 1].X(), points_[at].X())) compact_ = false;
  ListChanged();
}

void TFuzzySetValues::Clear() {
  if (points_.empty()) return;
  points_.clear();
  sorted_ = true;
  compact_ = true;
  ListChanged();
}

void TFuzzySetValues::Assign(const TFuzzySetValues& source) {
  if (&source == this) return;
  points_ = source.points_;
  sorted_ = source.sorted_;
  compact_ = source.compact_;
  if (owner_) {
    const TFuzzyUniverse u = owner_->Universe();
    for (TFuzzySetValue& p : points_) p.x_ = ClampInto(p.x_, u);
    compact_ = false;  // clamping may pile points up at the universe ends
  }
  ListChanged();
}

void TFuzzySetValues::Assign(std::span<const TFuzzySetValue> points) {
  for (const TFuzzySetValue& p : points) CheckFinitePoint(p.X(), p.Y());
  std::vector<TFuzzySetValue> copy(points.begin(), points.end());
  const TFuzzyUniverse u = owner_ ? owner_->Universe() : TFuzzyUniverse{-HUGE_VAL, HUGE_VAL};
  for (TFuzzySetValue& p : copy) {
    p.x_ = ClampInto(p.x_, u);
    p.y_ = std::max(p.y_, 0.0);
  }
  if (copy.empty() && points_.empty()) return;
  points_.swap(copy);
  RawFinish();
  ListChanged();
}

void TFuzzySetValues::AddRange(const TFuzzySetValues& source, int start, int length) {
  if (source.points_.empty() || length <= 0) return;
  const int begin = std::clamp(start, 0, source.Count() - 1);
  const int count = std::min(length, source.Count() - begin);
  // Copy first: source may be this list.
  std::vector<TFuzzySetValue> copy(source.points_.begin() + begin, source.points_.begin() + begin + count);
  const std::size_t junction = points_.size();
  points_.insert(points_.end(), copy.begin(), copy.end());
  if (owner_) {
    const TFuzzyUniverse u = owner_->Universe();
    for (std::size_t i = junction; i < points_.size(); ++i) points_[i].x_ = ClampInto(points_[i].x_, u);
  }
  for (std::size_t i = std::max<std::size_t>(junction, 1); i < points_.size(); ++i) {
    if (points_[i].X() < points_[i - 1].X() - FuzzyTolerance) sorted_ = false;
  }
  compact_ = false;
  ListChanged();
}

void TFuzzySetValues::SetX(int index, TFzyFloat x) {
  CheckIndex(index);
  CheckFinitePoint(x, points_[static_cast<std::size_t>(index)].Y());
  x = ClampX(x);
  TFuzzySetValue& p = points_[static_cast<std::size_t>(index)];
  if (p.x_ == x) return;
  p.x_ = x;
  PointChanged(index, EChange::X);
}

void TFuzzySetValues::SetY(int index, TFzyFloat y) {
  CheckIndex(index);
  TFuzzySetValue& p = points_[static_cast<std::size_t>(index)];
  CheckFinitePoint(p.X(), y);
  y = std::max(y, 0.0);
  if (p.y_ == y) return;
  p.y_ = y;
  PointChanged(index, EChange::Y);
}

void TFuzzySetValues::SetPoint(int index, TFzyFloat x, TFzyFloat y) {
  CheckIndex(index);
  CheckFinitePoint(x, y);
  x = ClampX(x);
  y = std::max(y, 0.0);
  TFuzzySetValue& p = points_[static_cast<std::size_t>(index)];
  if (p.x_ == x && p.y_ == y) return;
  const EChange change = p.x_ == x ? EChange::Y : p.y_ == y ? EChange::X : EChange::Both;
  p.x_ = x;
  p.y_ = y;
  PointChanged(index, change);
}

void TFuzzySetValues::PointChanged(int index, EChange change) {
  if (updateCount_ == 0) {
    PlaceChanged(index, change != EChange::Y);
    return;
  }
  changed_ = true;
  const auto i = static_cast<std::size_t>(index);
  const TFuzzySetValue& p = points_[i];
  const TFuzzySetValue* prev = i > 0 ? &points_[i - 1] : nullptr;
  const TFuzzySetValue* next = i + 1 < points_.size() ? &points_[i + 1] : nullptr;
  if (change != EChange::Y && sorted_) {
    const TFzyFloat lo = prev ? prev->X() : p.X();
    const TFzyFloat hi = next ? next->X() : p.X();
    if (!(lo - FuzzyTolerance <= p.X() && p.X() <= hi + FuzzyTolerance)) sorted_ = false;
  }
  if (!sorted_) {
    compact_ = false;
    return;
  }
  // A duplicate of a neighbour, or (after a move) a longer vertical run.
  if (compact_) {
    const bool xMoved = change != EChange::Y;
    for (const TFuzzySetValue* n : {prev, next}) {
      if (n && (n->Equals(p) || (xMoved && FuzzyEqual(n->X(), p.X())))) compact_ = false;
    }
  }
}

// Outside a batch the list is sorted and compact before a single change, so
// only the changed point needs placing: moved after the last point whose X is
// not greater (within the tolerance), duplicates in its vertical run removed
// and the run kept to at most three points.
void TFuzzySetValues::PlaceChanged(int index, bool xChanged) {
  auto& p = points_;
  auto i = static_cast<std::size_t>(index);
  if (xChanged) {
    const TFuzzySetValue v = p[i];
    p.erase(p.begin() + index);
    std::size_t j = p.size();
    while (j > 0 && p[j - 1].X() > v.X() + FuzzyTolerance) --j;
    std::size_t same = 0;
    for (std::size_t k = j; k > 0 && FuzzyEqual(p[k - 1].X(), v.X()); --k) ++same;
    if (same >= 3) {
      p.erase(p.begin() + static_cast<std::ptrdiff_t>(j - 1));
      --j;
    }
    p.insert(p.begin() + static_cast<std::ptrdiff_t>(j), v);
    i = j;
  }
  const TFzyFloat anchor = p[i].X();
  std::size_t first = i;
  while (first > 0 && FuzzyEqual(p[first - 1].X(), anchor)) --first;
  std::size_t last = i;
  while (last + 1 < p.size() && FuzzyEqual(p[last + 1].X(), anchor)) ++last;
  for (std::size_t k = first + 1; k <= last;) {
    if (p[k].Equals(p[k - 1])) {
      p.erase(p.begin() + static_cast<std::ptrdiff_t>(k - 1));
      --last;
      if (i >= k) --i;
    } else {
      ++k;
    }
  }
  if (last - first + 1 > 3) {
    const std::size_t victim = i > first ? i - 1 : i + 1;
    p.erase(p.begin() + static_cast<std::ptrdiff_t>(victim));
  }
  sorted_ = true;
  compact_ = true;
  Notify();
}

void TFuzzySetValues::ListChanged() {
  if (updateCount_ > 0) {
    changed_ = true;
    return;
  }
  Settle();
  Notify();
}

void TFuzzySetValues::Settle() {
  if (!sorted_) Sort();
  if (!compact_) Compact();
}

void TFuzzySetValues::Notify() {
  if (updateCount_ > 0) {
    changed_ = true;
    return;
  }
  if (owner_) owner_->ValuesChanged();
}

void TFuzzySetValues::RawFinish() {
  bool ordered = true;
  for (std::size_t i = 1; i < points_.size() && ordered; ++i) {
    ordered = points_[i].X() >= points_[i - 1].X() - FuzzyTolerance;
  }
  sorted_ = ordered;
  compact_ = false;
  Settle();
}

TFzyFloat TFuzzySetValues::MaxY() const {
  if (points_.empty()) Raise<EFzyException>(FuzzyConsts::SFuzzySetEmpty, FuzzyConsts::SGetMaximumY);
  // Every point is looked at: sums give grades above 1, so a grade of 1 is
  // not necessarily the largest.
  TFzyFloat m = points_.front().Y();
  for (const TFuzzySetValue& p : points_) m = std::max(m, p.Y());
  return m;
}

TFzyFloat TFuzzySetValues::MinY() const {
  if (points_.empty()) Raise<EFzyException>(FuzzyConsts::SFuzzySetEmpty, FuzzyConsts::SGetMinimumY);
  TFzyFloat m = points_.front().Y();
  for (const TFuzzySetValue& p : points_) {
    if (p.Y() < m) m = p.Y();
    if (p.Y() == 0.0) break;
  }
  return m;
}

// New points are spread evenly inside each gap between points of different
// X, earlier gaps taking the rounded-up share of what is still to be added.
void TFuzzySetValues::Expand(int count) {
  CheckPointCount(count);
  const int n = Count();
  if (count < 2 || n >= count) return;
  int gaps = 0;
  for (int i = 0; i + 1 < n; ++i) {
    if (points_[i + 1].X() - FuzzyTolerance > points_[i].X()) ++gaps;
  }
  if (gaps == 0) return;
  int missing = count - n;
  std::vector<TFuzzySetValue> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < n; ++i) {
    const TFuzzySetValue& left = points_[i];
    out.push_back(left);
    if (i + 1 == n) break;
    const TFuzzySetValue& right = points_[i + 1];
    if (!(right.X() - FuzzyTolerance > left.X())) continue;
    const int share = (missing + gaps - 1) / gaps;
    const TFzyFloat width = right.X() - left.X();
    const TFzyFloat parts = share + 1;
    const TFzyFloat step = std::isfinite(width) ? width / parts : right.X() / parts - left.X() / parts;
    --gaps;
    TFuzzySetValue prev = left;
    for (int k = 0; k < share; ++k) {
      --missing;
      const TFzyFloat x = prev.X() + step;
      const TFzyFloat y = prev.Y() + Fraction(x, prev.X(), right.X()) * (right.Y() - prev.Y());
      CheckFinitePoint(x, y);
      prev = TFuzzySetValue(x, y);
      out.push_back(prev);
    }
  }
  points_.swap(out);
  // Points closer than the tolerance may have become duplicates.
  compact_ = false;
  ListChanged();
}

// For each position i, every later point lying clearly (beyond the
// tolerance) below the point then at i is moved to i, shifting the others
// right. In one pass the points so moved ("records", each below the one
// before) thus end up first, the last found leading, followed by the other
// points in their order; points within the tolerance keep their order.
void TFuzzySetValues::Sort() {
  auto& p = points_;
  if (p.size() > MaxTolerantSortSize) {
    std::stable_sort(p.begin(), p.end(),
                     [](const TFuzzySetValue& a, const TFuzzySetValue& b) { return a.X() < b.X(); });
  } else {
    std::vector<std::size_t> records;
    std::vector<TFuzzySetValue> pass;
    for (std::size_t i = 0; i < p.size(); ++i) {
      records.assign(1, i);
      for (std::size_t b = i + 1; b < p.size(); ++b) {
        if (p[b].X() + FuzzyTolerance < p[records.back()].X()) records.push_back(b);
      }
      if (records.size() == 1) continue;
      pass.clear();
      for (auto r = records.rbegin(); r != records.rend(); ++r) pass.push_back(p[*r]);
      std::size_t next = 0;
      for (std::size_t j = i; j < p.size(); ++j) {
        if (next < records.size() && records[next] == j) {
          ++next;
        } else {
          pass.push_back(p[j]);
        }
      }
      std::copy(pass.begin(), pass.end(), p.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  sorted_ = true;
}

// Drops points equal to their predecessor and thins vertical runs: within a
// run of equal X every fifth point goes.
void TFuzzySetValues::Compact() {
  auto& p = points_;
  // A point kept is never equal to the one kept before it.
  std::size_t w = 0;
  const auto keep = [&](const TFuzzySetValue& point) {
    if (w == 0 || !point.Equals(p[w - 1])) p[w++] = point;
  };
  // Duplicates of their predecessor go first.
  std::size_t run = 0;
  bool longRun = false;
  for (std::size_t r = 0; r < p.size(); ++r) {
    const std::size_t before = w;
    keep(p[r]);
    if (w == before) continue;
    run = w > 1 && FuzzyEqual(p[w - 1].X(), p[w - 2].X()) ? run + 1 : 1;
    longRun = longRun || run > 4;
  }
  p.resize(w);
  if (!longRun) {
    compact_ = true;
    return;
  }
  // A run of more than four points at one X keeps what its membership
  // depends on: its first point (the grade arriving from the left), its
  // highest other point (the grade at that X) and its last point (the grade
  // leaving to the right). A rule that keeps a share of the run by position
  // would thin it again on every later compaction, and a printed set would
  // not read back as itself.
  const std::size_t count = p.size();
  w = 0;
  for (std::size_t start = 0; start < count;) {
    std::size_t end = start + 1;
    while (end < count && FuzzyEqual(p[end].X(), p[end - 1].X())) ++end;
    if (end - start > 4) {
      std::size_t high = start + 1;
      for (std::size_t i = start + 2; i + 1 < end; ++i) {
        if (p[i].Y() > p[high].Y()) high = i;
      }
      const TFuzzySetValue first = p[start];
      const TFuzzySetValue highest = p[high];
      const TFuzzySetValue last = p[end - 1];
      keep(first);
      keep(highest);
      keep(last);
    } else {
      for (std::size_t i = start; i < end; ++i) keep(p[i]);
    }
    start = end;
  }
  p.resize(w);
  compact_ = true;
}

bool TFuzzySetValues::Equals(const TFuzzySetValues& other) const noexcept {
  if (points_.size() != other.points_.size()) return false;
  for (std::size_t i = 0; i < points_.size(); ++i) {
    if (!points_[i].Equals(other.points_[i])) return false;
  }
  return true;
}

// --- TFuzzySet ---------------------------------------------------------------

void TFuzzySet::SetName(std::string_view name) {
  if (name == name_) return;
  if (IsReservedFuzzyWord(name)) Raise<EFzyException>(FuzzyConsts::SReservedFuzzySetName, name);
  Rename(std::string(name));
}

void TFuzzySet::ValuesChanged() {
  setType_ = fstUserDefined;
  expressionText_.clear();
  Changed();
}

void TFuzzySet::Assign(const TFuzzySet& source) {
  if (&source == this) return;
  values_.Assign(source.values_);
  setType_ = source.setType_;
  shapeParameter_ = source.shapeParameter_;
  expressionText_ = source.expressionText_;
  // Renamed last: a set filed under its name may take the source's place in
  // a table and so release the source.
  if (name_ != source.name_) Rename(source.name_);
}

void TFuzzySet::SetSetType(TFuzzySetType type) {
  if (type > fstGrowthCurve) Raise<EFzyException>(FuzzyConsts::SInvalidSetType, static_cast<int>(type));
  if (type == setType_) return;
  if (type == fstUserDefined) {
    setType_ = type;
    return;
  }
  const TFuzzyUniverse u = Universe();
  const TFzyFloat w = u.maximum - u.minimum;
  CheckFiniteArgument(w);
  const TFzyFloat centre = w / 2.0;
  const TFzyFloat third = w / 3.0;
  const TFzyFloat beta = (centre - third) / 2.0;
  if (type == fstBetaCurve && beta == 0.0) Raise<EFzyException>(FuzzyConsts::SZeroBeta);
  const int n = FuzzyDefaultPointCount;
  {
    TUpdateScope update(*this);
    values_.Clear();
    switch (type) {
      case fstTriangle:
        MakeTriangle(centre - third, centre, centre + third);
        break;
      case fstDeclineCurve:
      case fstGrowthCurve: {
        const TFzyFloat left = u.minimum + third;
        const TFzyFloat right = u.minimum + 2.0 * third;
        MakeSCurve(n, type == fstGrowthCurve, left, right, left + (right - left) / 2.0);
        break;
      }
      case fstPICurve:
        MakePI(n, centre, third);
        break;
      case fstBetaCurve:
        MakeBeta(n, centre, third, beta, 1.0);
        break;
      case fstUserDefined:
        break;
    }
  }
  setType_ = type;
}

TFzyFloat TFuzzySet::GetXRange(int index) const {
  if (index == 0) return Universe().maximum;
  if (index == 1) return Universe().minimum;
  Raise<EFzyException>(FuzzyConsts::SInvalidXRangeIndex, index);
}

TFzyFloat TFuzzySet::GetMembership(TFzyFloat x) const noexcept { return TMembershipCursor(values_.Points()).At(x); }

void TFuzzySet::MakeTriangle(TFzyFloat left, TFzyFloat centre, TFzyFloat right) {
  CheckFiniteArgument(left);
  CheckFiniteArgument(centre);
  CheckFiniteArgument(right);
  if (right < left) right = left;
  centre = std::clamp(centre, left, right);
  if (values_.updateCount_ == 0) {
    // Outside a batch the three points go in at once and the list settles
    // once (crisp values become spikes this way, one per input).
    auto& p = values_.points_;
    p.reserve(p.size() + 3);
    p.emplace_back(values_.ClampX(left), 0.0);
    p.emplace_back(values_.ClampX(centre), 1.0);
    p.emplace_back(values_.ClampX(right), 0.0);
    values_.RawFinish();
    values_.Notify();
  } else {
    values_.Reserve(values_.Count() + 3);
    values_.Add(left, 0.0);
    values_.Add(centre, 1.0);
    values_.Add(right, 0.0);
  }
  setType_ = fstTriangle;
}

void TFuzzySet::MakeSCurve(int count, bool growth, TFzyFloat left, TFzyFloat right, TFzyFloat middle) {
  CheckFiniteArgument(left);
  CheckFiniteArgument(right);
  CheckFiniteArgument(middle);
  if (left > right) Raise<EFzyException>(FuzzyConsts::SInvalidRangeArguments, left, right);
  CheckPointCount(count);
  count = std::max(count, 3);
  const TFzyFloat width = right - left;
  const TFzyFloat half = (left + right) / 2.0;
  const TFzyFloat step = width / (count - 1);
  {
    TUpdateScope update(*this);
    TFzyFloat x = left;
    for (int k = 0; k < count; ++k) {
      TFzyFloat grade;
      if (x <= left) {
        grade = 0.0;
      } else if (x <= half) {
        const TFzyFloat r = (x - left) / width;
        grade = 2.0 * r * r;
      } else if (x > right) {
        grade = 1.0;
      } else {
        const TFzyFloat r = (x - right) / width;
        grade = 1.0 - 2.0 * r * r;
      }
      values_.Add(x, growth ? grade : 1.0 - grade);
      x += step;
    }
  }
  shapeParameter_ = middle;
  setType_ = growth ? fstGrowthCurve : fstDeclineCurve;
}

void TFuzzySet::MakePI(int count, TFzyFloat left, TFzyFloat centre, TFzyFloat right) {
  CheckFiniteArgument(left);
  CheckFiniteArgument(centre);
  CheckFiniteArgument(right);
  if (left > right) Raise<EFzyException>(FuzzyConsts::SInvalidRangeArguments, left, right);
  CheckPointCount(count);
  centre = std::clamp(centre, left, right);
  const int half = count / 2;
  {
    TUpdateScope update(*this);
    MakeSCurve(half + 1, true, left, centre, left + (centre - left) / 2.0);
    if (count % 2 == 0) values_.Delete(values_.Count() - 1);
    MakeSCurve(half + 1, false, centre, right, right + (right - centre) / 2.0);
    if (values_.Count() > count && half < values_.Count()) values_.Delete(half);
  }
  setType_ = fstPICurve;
}

void TFuzzySet::MakePI(int count, TFzyFloat centre, TFzyFloat width) {
  CheckFiniteArgument(centre);
  CheckFiniteArgument(width);
  MakePI(count, centre - width, centre, centre + width);
}

void TFuzzySet::MakeBeta(int count, TFzyFloat centre, TFzyFloat halfWidth, TFzyFloat beta, TFzyFloat weight) {
  CheckFiniteArgument(centre);
  CheckFiniteArgument(halfWidth);
  CheckFiniteArgument(beta);
  CheckFiniteArgument(weight);
  if (beta == 0.0) Raise<EFzyException>(FuzzyConsts::SZeroBeta);
  CheckPointCount(count);
  count = std::max(count, 3);
  const TFzyFloat step = 2.0 * halfWidth / (count - 1);
  {
    TUpdateScope update(*this);
    TFzyFloat x = centre - halfWidth;
    for (int k = 0; k < count; ++k) {
      const TFzyFloat r = (x - centre) / beta;
      values_.Add(x, 1.0 / (1.0 + weight * r * r));
      x += step;
    }
  }
  shapeParameter_ = beta;
  setType_ = fstBetaCurve;
}

void TFuzzySet::Union(const TFuzzySet& other, TFuzzyOperation operation, TFuzzySet& result) const {
  Combine(other, operation, true, result);
}

void TFuzzySet::Intersection(const TFuzzySet& other, TFuzzyOperation operation, TFuzzySet& result) const {
  Combine(other, operation, false, result);
}

void TFuzzySet::Combine(const TFuzzySet& other, TFuzzyOperation operation, bool isUnion, TFuzzySet& result) const {
  if (operation > foSum || (!isUnion && operation == foSum)) {
    const std::string operationName = operation <= foSum ? std::string(FuzzyConsts::FuzzyOperationNames[operation])
                                                         : std::to_string(static_cast<int>(operation));
    Raise<EFzyException>(FuzzyConsts::SInvalidFuzzyOperation, operationName);
  }
  const std::string_view word = isUnion ? FuzzyConsts::OrWords[operation] : FuzzyConsts::AndWords[operation];
  std::string name;
  name.reserve(name_.size() + word.size() + other.name_.size() + 6);
  AppendFuzzyBracketedName(name, name_);
  name += ' ';
  name += word;
  name += ' ';
  AppendFuzzyBracketedName(name, other.name_);

  // Build in place unless the result is an operand.
  const bool aliased = &result == this || &result == &other;
  std::vector<TFuzzySetValue> scratch;
  std::vector<TFuzzySetValue>& out = aliased ? scratch : result.values_.RawPoints();
  out.clear();
  out.reserve(values_.points_.size() + other.values_.points_.size() + 4);
  const TFuzzyUniverse u = result.Universe();
  bool finite = true;
  // Every crossing of the operands adds a point, so repeated combination (a
  // chain of hedges made of intersections) can double a set each time: a
  // result beyond the largest point count is refused.
  WalkSets(values_.Points(), other.values_.Points(), [&](TFzyFloat x, TFzyFloat a, TFzyFloat b) {
    const TFzyFloat y = std::max(CombineGrades(operation, isUnion, a, b), 0.0);
    finite = finite && std::isfinite(x) && std::isfinite(y);
    out.emplace_back(ClampInto(x, u), y);
    return out.size() > static_cast<std::size_t>(FuzzyMaxPointCount);
  });
  if (out.size() > static_cast<std::size_t>(FuzzyMaxPointCount)) {
    out.clear();
    result.values_.RawFinish();
    CheckPointCount(FuzzyMaxPointCount + 1);
  }
  if (!finite) {
    const TFuzzySetValue bad = *std::find_if(
        out.begin(), out.end(), [](const TFuzzySetValue& p) { return !std::isfinite(p.X()) || !std::isfinite(p.Y()); });
    out.clear();
    result.values_.RawFinish();
    CheckFinitePoint(bad.X(), bad.Y());
  }
  if (aliased) result.values_.RawPoints().swap(scratch);
  result.values_.RawFinish();
  Flatten(result.values_.RawPoints());
  result.values_.Notify();
  result.Rename(std::move(name));
}

void TFuzzySet::CombineConstant(bool orOperation, TFzyFloat k, TFuzzySet& result) const {
  CheckFiniteArgument(k);
  k = std::clamp(k, 0.0, 1.0);
  const std::string_view word = orOperation ? FuzzyConsts::OrWords[foZadeh] : FuzzyConsts::AndWords[foZadeh];
  std::string name = FuzzyNumberName(name_, word, k);
  std::string expression;
  if (!expressionText_.empty()) expression = FuzzyNumberName(expressionText_, word, k, false);
  CombineConstantPoints(orOperation, k, result);
  result.Rename(std::move(name));
  result.expressionText_ = std::move(expression);
}

void TFuzzySet::ClipAt(TFzyFloat k, std::string name, TFuzzySet& result) const {
  CheckFiniteArgument(k);
  CombineConstantPoints(false, std::clamp(k, 0.0, 1.0), result);
  result.shapeParameter_ = shapeParameter_;
  result.Rename(std::move(name));
  result.expressionText_.clear();
}

void TFuzzySet::CombineConstantPoints(bool orOperation, TFzyFloat k, TFuzzySet& result) const {
  const auto& p = values_.points_;
  const TFzyFloat firstX = p.empty() ? ClampInto(0.0, result.Universe()) : p.front().X();
  std::vector<TFuzzySetValue> out;
  if ((orOperation && k == 0.0) || (!orOperation && k == 1.0)) {
    out = p;
  } else if ((orOperation && k == 1.0) || (!orOperation && k == 0.0)) {
    out.emplace_back(firstX, k);
  } else if (!p.empty()) {
    const auto keep = [&](TFzyFloat y) { return orOperation ? k <= y : k >= y; };
    out.reserve(2 * p.size());
    if (keep(p[0].Y())) out.push_back(p[0]);
    for (std::size_t i = 1; i < p.size(); ++i) {
      const TFuzzySetValue& a = p[i - 1];
      const TFuzzySetValue& b = p[i];
      if ((a.Y() < k && b.Y() > k) || (a.Y() > k && b.Y() < k)) {
        out.emplace_back(Between(a.X(), b.X(), (k - a.Y()) / (b.Y() - a.Y())), k);
      }
      if (keep(b.Y())) out.push_back(b);
    }
    if (out.empty()) out.emplace_back(firstX, k);
  } else if (orOperation) {
    out.emplace_back(firstX, k);
  }
  const TFuzzyUniverse u = result.Universe();
  for (TFuzzySetValue& q : out) q.x_ = ClampInto(q.x_, u);
  result.values_.RawPoints().swap(out);
  result.values_.RawFinish();
  result.values_.Notify();
}

void TFuzzySet::AlphaCut(bool strict, TFzyFloat alpha, TFuzzySet& result) const {
  CheckFiniteArgument(alpha);
  alpha = std::clamp(alpha, 0.0, 1.0);
  const auto& p = values_.points_;
  std::vector<TFuzzySetValue> out;
  if (strict && alpha == 0.0) {
    out = p;
  } else if (strict && alpha == 1.0) {
    out.emplace_back(p.empty() ? ClampInto(0.0, result.Universe()) : p.front().X(), 0.0);
  } else if (!p.empty()) {
    const auto above = [&](TFzyFloat y) { return strict ? y > alpha : y >= alpha; };
    out.reserve(3 * p.size());
    if (above(p[0].Y())) {
      out.push_back(p[0]);
    } else {
      out.emplace_back(p[0].X(), 0.0);
    }
    for (std::size_t i = 1; i < p.size(); ++i) {
      const TFzyFloat y0 = p[i - 1].Y();
      const TFzyFloat y1 = p[i].Y();
      const bool crosses = strict ? (y0 <= alpha && alpha < y1) || (y1 <= alpha && alpha < y0)
                                  : (y0 < alpha && alpha <= y1) || (y1 < alpha && alpha <= y0);
      if (crosses) {
        const TFzyFloat x = Between(p[i - 1].X(), p[i].X(), (alpha - y0) / (y1 - y0));
        if (y0 > y1) {
          out.emplace_back(x, alpha);
          out.emplace_back(x, 0.0);
        } else {
          out.emplace_back(x, 0.0);
          out.emplace_back(x, alpha);
        }
      }
      if (above(y1)) out.push_back(p[i]);
    }
  }
  std::string name = name_;
  const TFuzzyUniverse u = result.Universe();
  for (TFuzzySetValue& q : out) q.x_ = ClampInto(q.x_, u);
  result.values_.RawPoints().swap(out);
  result.values_.RawFinish();
  result.values_.Notify();
  if (&result != this) result.Rename(std::move(name));
}

TFuzzySet& TFuzzySet::ApplyOperator(int operatorIndex, bool onY, TFzyFloat k) {
  if (operatorIndex < 0 || operatorIndex >= FuzzyOperatorCount) {
    Raise<EFzyException>(FuzzyConsts::SInvalidOperatorIndex, operatorIndex);
  }
  CheckFiniteArgument(k);
  if (operatorIndex == 3 && k == 0.0) Raise<EFzyException>(FuzzyConsts::SDivisionByZero);
  const TFzyFloat inverse = operatorIndex == 3 ? 1.0 / k : 0.0;
  const auto apply = [&](TFzyFloat v) -> TFzyFloat {
    switch (operatorIndex) {
      case 0:
        return v + k;
      case 1:
        return v - k;
      case 2:
        return v * k;
      case 3:
        return std::isfinite(inverse) ? v * inverse : v / k;
      case 4:
        return (onY ? v > 0.0 && v < 1.0 : v > 0.0) ? std::pow(v, k) : v;
      case 5:
        return v < k ? k : v;
      case 6:
        return v <= k ? k : v;
      case 7:
        return v > k ? k : v;
      default:
        return v >= k ? k : v;
    }
  };
  // Compute every result first so that a failure leaves the set unchanged.
  const TFuzzyUniverse u = Universe();
  std::vector<TFuzzySetValue> out(values_.points_);
  for (TFuzzySetValue& p : out) {
    if (onY) {
      p.y_ = std::max(apply(p.y_), 0.0);
    } else {
      const TFzyFloat x = apply(p.x_);
      p.x_ = std::isnan(x) ? x : ClampInto(x, u);
    }
    CheckFinitePoint(p.x_, p.y_);
  }
  {
    TUpdateScope update(*this);
    for (int i = 0; i < values_.Count(); ++i) {
      const auto at = static_cast<std::size_t>(i);
      if (onY) {
        values_.SetY(i, out[at].Y());
      } else {
        values_.SetX(i, out[at].X());
      }
    }
  }
  const auto index = static_cast<std::size_t>(operatorIndex);
  const std::string_view word = onY ? FuzzyConsts::OperatorWords[index] : FuzzyConsts::OperatorXWords[index];
  // A divisor that four decimals would show as zero is written in full:
  // the name must read back as this division, not as a division by zero.
  if (operatorIndex == 3 && std::fabs(k) < 0.00005) {
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, k);
    Rename(Format("%s %s %s", FuzzyBracketedName(name_), word, std::string_view(digits, written.ptr - digits)));
  } else {
    Rename(FuzzyNumberName(name_, word, k));
  }
  return *this;
}

TFuzzySet& TFuzzySet::Normalize() {
  const TFzyFloat m = values_.MaxY();
  if (m == 0.0) return *this;
  const TFzyFloat inverse = 1.0 / m;
  {
    TUpdateScope update(*this);
    for (int i = 0; i < values_.Count(); ++i) {
      const TFzyFloat y = values_[i].Y();
      values_.SetY(i, std::isfinite(inverse) ? y * inverse : y / m);
    }
  }
  return *this;
}

TFzyFloat TFuzzySet::IntersectionHeight(const TFuzzySet& other) const noexcept {
  TFzyFloat height = 0.0;
  WalkSets(values_.Points(), other.values_.Points(), [&height](TFzyFloat, TFzyFloat a, TFzyFloat b) {
    height = std::max(height, std::min(a, b));
    return false;
  });
  return height;
}

bool TFuzzySet::ReachesLevel(const TFuzzySet& other, TFzyFloat level) const noexcept {
  return WalkSets(values_.Points(), other.values_.Points(),
                  [level](TFzyFloat, TFzyFloat a, TFzyFloat b) { return std::min(a, b) >= level; });
}

std::string TFuzzySet::ValuesText() const {
  std::string out;
  AppendValuesText(out);
  return out;
}

std::string TFuzzySet::NamedText() const {
  if (name_.empty()) return ValuesText();
  std::string out;
  out.reserve(name_.size() + 4 + 20 * values_.points_.size());
  out += '(';
  out += name_;
  out += ' ';
  for (const TFuzzySetValue& p : values_.points_) {
    out += '(';
    AppendFloat(out, p.X());
    out += ' ';
    AppendFloat(out, p.Y());
    out += ") ";
  }
  out += ')';
  return out;
}

void TFuzzySet::AppendValuesText(std::string& out) const {
  out.reserve(out.size() + 2 + 20 * values_.points_.size());
  out += '(';
  for (const TFuzzySetValue& p : values_.points_) {
    out += '(';
    AppendFloat(out, p.X());
    out += ' ';
    AppendFloat(out, p.Y());
    out += ") ";
  }
  out += ')';
}

}  // namespace fxe
