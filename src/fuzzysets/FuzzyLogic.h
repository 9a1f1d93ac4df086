// Fuzzy sets: piecewise-linear membership functions stored as ordered point
// lists, with membership evaluation, shape generators, pointwise union and
// intersection, combination with a constant, alpha cut, arithmetic on X or Y,
// normalisation and the printed point-list form. This layer works on numbers
// only; fuzzy variables and terms are built on it in IFuzzyLogic.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fxe {

using TFzyFloat = double;

// Two coordinates are equal when they differ by at most this much.
inline constexpr TFzyFloat FuzzyTolerance = 0.0001;
// The universe of a set that belongs to no variable is [-limit, +limit].
inline constexpr TFzyFloat FuzzyUniverseLimit = 2147483647.0;
// Generated shapes have this many points unless a generator is told otherwise.
inline constexpr int FuzzyDefaultPointCount = 7;

constexpr bool FuzzyEqual(TFzyFloat a, TFzyFloat b) noexcept {
  return a - b <= FuzzyTolerance && b - a <= FuzzyTolerance;
}

enum TFuzzySetType : std::uint8_t {
  fstUserDefined,
  fstTriangle,
  fstDeclineCurve,
  fstPICurve,
  fstBetaCurve,
  fstGrowthCurve
};

// How two grades are combined by union ("or") and intersection ("and").
enum TFuzzyOperation : std::uint8_t { foZadeh, foMean, foMeanSqr, foMeanSqrt, foProduct, foBoundedSum, foSum };

// Indices of the arithmetic operators of ApplyOperator, in the order of the
// operator words ("+", "-", "*", "/", "^", "<", "<=", ">", ">=").
inline constexpr int FuzzyOperatorCount = 9;
// Point counts above this are refused by the generators and Expand.
inline constexpr int FuzzyMaxPointCount = 1 << 20;

// The range of X a set's points are clamped into.
struct TFuzzyUniverse {
  TFzyFloat minimum;
  TFzyFloat maximum;
};

// True for the words a fuzzy set may not be named: hedge words, and/or words
// and the arithmetic operators with and without the "X" suffix.
bool IsReservedFuzzyWord(std::string_view word) noexcept;

// A name as it appears inside a combined name: in "[" "]" when it has a blank.
std::string FuzzyBracketedName(std::string_view name);
void AppendFuzzyBracketedName(std::string& out, std::string_view name);

// The name of a set changed by a number: the operand (bracketed as above when
// bracket is set), the word and the number with four decimals.
std::string FuzzyNumberName(std::string_view operand, std::string_view word, TFzyFloat k, bool bracket = true);

// One point of a membership function.
class TFuzzySetValue {
 public:
  constexpr TFuzzySetValue() noexcept = default;
  constexpr TFuzzySetValue(TFzyFloat x, TFzyFloat y) noexcept : x_(x), y_(y) {}

  constexpr TFzyFloat X() const noexcept { return x_; }
  constexpr TFzyFloat Y() const noexcept { return y_; }
  // Both coordinates equal within the tolerance.
  constexpr bool Equals(const TFuzzySetValue& other) const noexcept {
    return FuzzyEqual(x_, other.x_) && FuzzyEqual(y_, other.y_);
  }

 private:
  friend class TFuzzySetValues;
  friend class TFuzzySet;
  TFzyFloat x_ = 0.0;
  TFzyFloat y_ = 0.0;
};

class TFuzzySet;

// The point list of a set: contiguous (X, Y) pairs kept in ascending X and
// free of duplicates. Edits outside an update batch place the changed point at
// once; inside a batch only the Sorted/Compact flags follow the edits and the
// list is sorted and compacted when the outermost batch ends. After every
// change the owning set is told (it becomes user-defined).
//
// Setting X clamps it into the owner's universe; a negative Y is stored as 0;
// NaN or infinite coordinates are refused with EFzyException.
class TFuzzySetValues {
 public:
  // A free-standing list: no universe, nobody to notify.
  TFuzzySetValues() noexcept = default;
  explicit TFuzzySetValues(TFuzzySet* owner) noexcept : owner_(owner) {}
  TFuzzySetValues(const TFuzzySetValues&) = delete;
  TFuzzySetValues& operator=(const TFuzzySetValues&) = delete;

  TFuzzySet* Owner() const noexcept { return owner_; }
  int Count() const noexcept { return static_cast<int>(points_.size()); }
  bool IsEmpty() const noexcept { return points_.empty(); }
  // Unchecked access for loops bounded by Count().
  const TFuzzySetValue& operator[](int index) const noexcept { return points_[static_cast<std::size_t>(index)]; }
  // Checked access; raises on an index outside 0..Count()-1.
  const TFuzzySetValue& Items(int index) const;
  std::span<const TFuzzySetValue> Points() const noexcept { return points_; }
  auto begin() const noexcept { return points_.begin(); }
  auto end() const noexcept { return points_.end(); }

  bool IsSorted() const noexcept { return sorted_; }
  bool IsCompact() const noexcept { return compact_; }

  // Update batches nest; the outermost EndUpdate sorts, compacts and notifies.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const noexcept { return updateCount_; }

  // Appends the default point: (last X + 1, 0), or (0, 0) on an empty list.
  void Add();
  // Appends a point with both coordinates assigned at once.
  void Add(TFzyFloat x, TFzyFloat y);
  void Insert(int index, TFzyFloat x, TFzyFloat y);
  void Delete(int index);
  void Clear();
  void Assign(const TFuzzySetValues& source);
  // Replaces the points by these (validated and clamped like single points).
  void Assign(std::span<const TFuzzySetValue> points);
  // Appends copies of up to length points of source from start (clamped).
  void AddRange(const TFuzzySetValues& source, int start, int length);
  void Reserve(int count) { points_.reserve(static_cast<std::size_t>(count > 0 ? count : 0)); }

  void SetX(int index, TFzyFloat x);
  void SetY(int index, TFzyFloat y);
  void SetPoint(int index, TFzyFloat x, TFzyFloat y);

  // The largest / smallest grade; raise on an empty list.
  TFzyFloat MaxY() const;
  TFzyFloat MinY() const;
  // Adds points on the existing segments until the list has count points.
  void Expand(int count);
  void Sort();
  void Compact();

  // Same count and every point equal within the tolerance.
  bool Equals(const TFuzzySetValues& other) const noexcept;

 private:
  friend class TFuzzySet;

  enum class EChange : std::uint8_t { X, Y, Both };

  void CheckIndex(int index) const;
  TFzyFloat ClampX(TFzyFloat x) const;
  // Applies one coordinate change: flags inside a batch, placement outside.
  void PointChanged(int index, EChange change);
  void PlaceChanged(int index, bool xChanged);
  void ListChanged();
  void Settle();
  void Notify();

  // Building a whole list directly (set operations, generators); the caller
  // has validated and clamped the coordinates.
  void RawClear() noexcept { points_.clear(); }
  void RawAppend(TFzyFloat x, TFzyFloat y) { points_.emplace_back(x, y); }
  std::vector<TFuzzySetValue>& RawPoints() noexcept { return points_; }
  // Sorts when needed, compacts, resets the flags and tells the owner.
  void RawFinish();

  std::vector<TFuzzySetValue> points_;
  TFuzzySet* owner_ = nullptr;
  int updateCount_ = 0;
  bool sorted_ = true;
  bool compact_ = true;
  bool changed_ = false;  // something changed inside the current batch
};

// A fuzzy set: a name, a point list and the shape that generated it. Sets that
// belong to a fuzzy variable take their universe from it (see Universe()).
// Operations that produce a new set write it into a result set given by the
// caller (which decides its class and variable); the receiver may be passed
// as the result.
class TFuzzySet {
 public:
  TFuzzySet() noexcept : values_(this) {}
  virtual ~TFuzzySet() = default;
  TFuzzySet(const TFuzzySet&) = delete;
  TFuzzySet& operator=(const TFuzzySet&) = delete;

  const std::string& Name() const noexcept { return name_; }
  // Refuses reserved words of the fuzzy expression language (the current
  // name may always be assigned again).
  void SetName(std::string_view name);
  TFuzzySetType SetType() const noexcept { return setType_; }
  // Regenerates the points over the universe for the five shapes.
  void SetSetType(TFuzzySetType type);
  const TFuzzySetValues& Values() const noexcept { return values_; }
  TFuzzySetValues& Values() noexcept { return values_; }
  void SetValues(const TFuzzySetValues& values) { values_.Assign(values); }
  TFzyFloat ShapeParameter() const noexcept { return shapeParameter_; }
  const std::string& ExpressionText() const noexcept { return expressionText_; }
  void SetExpressionText(std::string_view text) { expressionText_.assign(text); }
  // Copies name, points, type, shape parameter and expression text.
  void Assign(const TFuzzySet& source);

  void BeginUpdate() noexcept { values_.BeginUpdate(); }
  void EndUpdate() { values_.EndUpdate(); }

  // The universe the points are clamped into; [-2147483647, 2147483647]
  // unless a variable supplies one.
  virtual TFuzzyUniverse Universe() const noexcept { return {-FuzzyUniverseLimit, FuzzyUniverseLimit}; }
  // 0: the universe maximum; 1: the minimum.
  TFzyFloat GetXRange(int index) const;
  TFzyFloat GetMembership(TFzyFloat x) const noexcept;

  // Shape generators: append points in one batch (clear the list first) and
  // then record SetType (and ShapeParameter).
  void MakeTriangle(TFzyFloat left, TFzyFloat centre, TFzyFloat right);
  void MakeSCurve(int count, bool growth, TFzyFloat left, TFzyFloat right, TFzyFloat middle);
  void MakePI(int count, TFzyFloat left, TFzyFloat centre, TFzyFloat right);
  void MakePI(int count, TFzyFloat centre, TFzyFloat width);
  // Raises for beta 0 (the curve is undefined there).
  void MakeBeta(int count, TFzyFloat centre, TFzyFloat halfWidth, TFzyFloat beta, TFzyFloat weight);

  // Pointwise "or" / "and" of this set and other, written into result and
  // named "<this> <word> <other>". Intersection refuses foSum.
  void Union(const TFuzzySet& other, TFuzzyOperation operation, TFuzzySet& result) const;
  void Intersection(const TFuzzySet& other, TFuzzyOperation operation, TFuzzySet& result) const;
  // max(this, k) (orOperation) or min(this, k), k clamped into [0, 1].
  void CombineConstant(bool orOperation, TFzyFloat k, TFuzzySet& result) const;
  // min(this, k) written into result, which is named name, takes this set's
  // shape parameter and loses its expression text: the clip correlation by
  // minimum makes and names itself.
  void ClipAt(TFzyFloat k, std::string name, TFuzzySet& result) const;
  // Keeps the grades above alpha (at alpha too unless strict), 0 elsewhere.
  void AlphaCut(bool strict, TFzyFloat alpha, TFuzzySet& result) const;
  // In place: operatorIndex into "+ - * / ^ < <= > >=" applied with k to
  // every Y (onY) or X; renames the set. Raises for "/" with k = 0.
  TFuzzySet& ApplyOperator(int operatorIndex, bool onY, TFzyFloat k);
  // In place: every Y divided by the largest Y (nothing when that is 0).
  TFuzzySet& Normalize();

  // The height of the intersection: the largest min(a, b) over the places
  // where the two membership functions are compared (0 when one is empty).
  TFzyFloat IntersectionHeight(const TFuzzySet& other) const noexcept;
  // True when some compared place has min(a, b) >= level, or one set is empty.
  bool ReachesLevel(const TFuzzySet& other, TFzyFloat level) const noexcept;

  // "((x y) (x y) )" with "%.4f %.4f" per point; "()" when empty.
  std::string ValuesText() const;
  // "(name (x y) ... )"; the point-list form when the name is empty.
  std::string NamedText() const;
  void AppendValuesText(std::string& out) const;

 protected:
  // Called after the points changed (the set is already user-defined again).
  virtual void Changed() {}
  // Stores a name without the reserved-word check (names built by the set
  // operations); sets filed under their name override it to re-file.
  virtual void Rename(std::string name) { name_ = std::move(name); }

 private:
  friend class TFuzzySetValues;

  void ValuesChanged();
  void Combine(const TFuzzySet& other, TFuzzyOperation operation, bool isUnion, TFuzzySet& result) const;
  // The points of CombineConstant (k already clamped), name left alone.
  void CombineConstantPoints(bool orOperation, TFzyFloat k, TFuzzySet& result) const;

  TFuzzySetValues values_;
  std::string name_;
  std::string expressionText_;
  TFzyFloat shapeParameter_ = 0.0;
  TFuzzySetType setType_ = fstUserDefined;
};

}  // namespace fxe
