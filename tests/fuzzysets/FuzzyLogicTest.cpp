// Tests of fuzzy sets: point lists, membership, generators and set operations.
#include "fuzzysets/FuzzyLogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using TPointList = std::vector<std::pair<double, double>>;
using test::ErrorOf;

// A set over a chosen universe, counting its change notifications.
class TTestSet : public TFuzzySet {
 public:
  explicit TTestSet(TFuzzyUniverse universe = {-FuzzyUniverseLimit, FuzzyUniverseLimit}) : universe_(universe) {}
  TTestSet(const TPointList& points, std::string_view name = {}) : TTestSet() {
    SetName(name);
    Set(points);
  }
  void Set(const TPointList& points) {
    BeginUpdate();
    Values().Clear();
    for (const auto& [x, y] : points) Values().Add(x, y);
    EndUpdate();
  }
  TFuzzyUniverse Universe() const noexcept override { return universe_; }
  int changes = 0;

 protected:
  void Changed() override { ++changes; }

 private:
  TFuzzyUniverse universe_;
};

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(TFuzzySet, MembershipIsFlatBeyondTheEndsAndLinearBetween) {
  struct TCase {
    TPointList points;
    double x, expected;
  };
  const TCase cases[] = {
      {{}, 0.5, 0.0},
      {{{0.3, 0.7}}, -100.0, 0.7},
      {{{0.3, 0.7}}, 0.3, 0.7},
      {{{0.3, 0.7}}, 100.0, 0.7},
      {{{0, 0}, {1, 1}}, 0.25, 0.25},
      {{{0, 0}, {1, 1}}, -1.0, 0.0},
      {{{0, 0}, {1, 1}}, 2.0, 1.0},
      {{{0, 0}, {0, 1}, {1, 1}}, 0.0, 1.0},  // largest Y of the vertical run
      {{{0, 0}, {0, 1}, {1, 1}}, -1.0, 0.0},
      {{{0, 0}, {0.5, 0.2}, {0.5, 0.9}, {1, 0}}, 0.5, 0.9},
      {{{0, 0}, {0.5, 0.2}, {0.5, 0.9}, {1, 0}}, 0.25, 0.1},
      {{{0, 0}, {0.5, 0.2}, {0.5, 0.9}, {1, 0}}, 0.75, 0.45},
      {{{0, 1}, {1, 0}, {1, 0.4}}, 1.0, 0.4},  // run at the last X
      {{{0, 0}, {1, 1}}, Nan, 0.0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "x=" << c.x << " points=" << c.points.size());
    TTestSet set(c.points);
    EXPECT_NEAR(set.GetMembership(c.x), c.expected, 1e-12);
  }
}

TEST(TFuzzySetValues, EditsOutsideABatchKeepTheListSortedAndFreeOfDuplicates) {
  TTestSet set({{0, 0}, {1, 1}});
  set.Values().Add(0.5, 0.2);
  EXPECT_EQ(set.ValuesText(), "((0.0000 0.0000) (0.5000 0.2000) (1.0000 1.0000) )");
  set.Values().Add(0.5, 0.2);
  EXPECT_EQ(set.Values().Count(), 3);
  set.Values().SetX(0, 2.0);  // moves to the end
  EXPECT_EQ(set.ValuesText(), "((0.5000 0.2000) (1.0000 1.0000) (2.0000 0.0000) )");
  set.Values().SetY(1, -3.0);  // negative grades are stored as 0
  EXPECT_EQ(set.Values()[1].Y(), 0.0);
  // A vertical run never grows beyond three points from single edits.
  for (double y : {0.1, 0.3, 0.6, 0.8}) set.Values().Add(5.0, y);
  int run = 0;
  for (const TFuzzySetValue& p : set.Values()) run += p.X() == 5.0;
  EXPECT_EQ(run, 3);
  EXPECT_TRUE(set.Values().IsSorted());
  EXPECT_TRUE(set.Values().IsCompact());
}

TEST(TFuzzySetValues, BatchEndSortsAndCompacts) {
  TTestSet set;
  set.BeginUpdate();
  for (const auto& [x, y] : TPointList{{3, 0.3}, {1, 0.1}, {2, 0.2}, {1, 0.1}}) set.Values().Add(x, y);
  EXPECT_FALSE(set.Values().IsSorted());
  set.EndUpdate();
  EXPECT_EQ(set.ValuesText(), "((1.0000 0.1000) (2.0000 0.2000) (3.0000 0.3000) )");
  EXPECT_EQ(set.changes, 1);
  // Points within the tolerance of each other keep the order the sort gives
  // them: moved points go first, each below the one before.
  set.Set({{1.0, 0.1}, {0.50005, 0.2}, {0.5, 0.3}, {0.2, 0.4}, {0.50003, 0.5}});
  std::vector<double> grades;
  for (const TFuzzySetValue& p : set.Values()) grades.push_back(p.Y());
  EXPECT_EQ(grades, (std::vector<double>{0.4, 0.2, 0.3, 0.5, 0.1}));
}

// A run of points at one X longer than four keeps its first, highest and last
// points, so the grades on both sides and at the X itself stay, and a second
// compaction (reading the printed set back) changes nothing.
TEST(TFuzzySetValues, LongEqualXRunsKeepTheirGradesAndStayPut) {
  struct TCase {
    TPointList points;
    std::string_view compacted;
  };
  const TCase cases[] = {
      {{{0, 0.0}, {0, 0.1}, {0, 0.2}, {0, 0.3}}, "((0.0000 0.0000) (0.0000 0.1000) (0.0000 0.2000) (0.0000 0.3000) )"},
      {{{0, 0.0}, {0, 0.1}, {0, 0.2}, {0, 0.3}, {0, 0.4}, {0, 0.5}},
       "((0.0000 0.0000) (0.0000 0.4000) (0.0000 0.5000) )"},
      {{{0, 0}, {0, 1}, {0, 0}, {0, 0}, {0, 1}, {0, 0}, {0, 0}}, "((0.0000 0.0000) (0.0000 1.0000) (0.0000 0.0000) )"},
      {{{0, 1}, {0, 0}, {0, 1}, {0, 0}, {0, 1}}, "((0.0000 1.0000) )"},
      {{{-1, 0.5}, {0, 0.2}, {0, 0.9}, {0, 0.1}, {0, 0.3}, {0, 0.4}, {1, 0.5}},
       "((-1.0000 0.5000) (0.0000 0.2000) (0.0000 0.9000) (0.0000 0.4000) (1.0000 0.5000) )"},
  };
  for (const TCase& c : cases) {
    TTestSet set;
    set.Set(c.points);
    EXPECT_EQ(set.ValuesText(), c.compacted);
    TPointList again;
    for (const TFuzzySetValue& p : set.Values()) again.emplace_back(p.X(), p.Y());
    TTestSet reread(again);
    EXPECT_EQ(reread.ValuesText(), c.compacted);
  }
}

TEST(TFuzzySetValues, XIsClampedIntoTheUniverse) {
  TTestSet set(TFuzzyUniverse{0.0, 1.0});
  set.Values().Add(5.0, 0.5);
  set.Values().Add(-5.0, 0.5);
  EXPECT_EQ(set.ValuesText(), "((0.0000 0.5000) (1.0000 0.5000) )");
}

TEST(TFuzzySetValues, ExpandSpreadsPointsOverTheGaps) {
  TTestSet diagonal({{0, 0}, {1, 1}});
  diagonal.Values().Expand(7);
  ASSERT_EQ(diagonal.Values().Count(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_NEAR(diagonal.Values()[i].X(), i / 6.0, 1e-12);
    EXPECT_NEAR(diagonal.Values()[i].Y(), i / 6.0, 1e-12);
  }
  TTestSet peak({{0, 0}, {0.5, 1}, {1, 0}});
  peak.Values().Expand(6);
  EXPECT_EQ(peak.ValuesText(),
            "((0.0000 0.0000) (0.1667 0.3333) (0.3333 0.6667) (0.5000 1.0000) (0.7500 0.5000) (1.0000 0.0000) )");
  TTestSet step({{0, 0}, {0, 1}});  // no gap to fill
  step.Values().Expand(7);
  EXPECT_EQ(step.Values().Count(), 2);
}

TEST(TFuzzySetValues, MaxAndMinY) {
  TTestSet set({{0, 0.2}, {1, 0.9}, {2, 0.4}});
  EXPECT_EQ(set.Values().MaxY(), 0.9);
  EXPECT_EQ(set.Values().MinY(), 0.2);
  // Sums give grades above 1: a grade of exactly 1 is not necessarily the top.
  TTestSet sum({{0, 0}, {0.5, 1}, {1, 2}});
  EXPECT_EQ(sum.Values().MaxY(), 2.0);
  sum.Normalize();
  EXPECT_EQ(sum.ValuesText(), "((0.0000 0.0000) (0.5000 0.5000) (1.0000 1.0000) )");
  TTestSet empty;
  EXPECT_EQ(ErrorOf<EFzyException>([&] { empty.Values().MaxY(); }),
            "Invalid operation: Get Maximum Y Value.  Fuzzy set is empty");
  EXPECT_EQ(ErrorOf<EFzyException>([&] { empty.Values().MinY(); }),
            "Invalid operation: Get Minimum Y Value.  Fuzzy set is empty");
}

TEST(TFuzzySet, AnUnknownSetTypeIsRefused) {
  TTestSet set;
  set.MakeTriangle(0, 0.5, 1);
  EXPECT_EQ(ErrorOf<EFzyException>([&] { set.SetSetType(static_cast<TFuzzySetType>(99)); }),
            Format(FuzzyConsts::SInvalidSetType, 99));
  EXPECT_EQ(set.SetType(), fstTriangle);
}

TEST(TFuzzySet, EditingMakesTheSetUserDefined) {
  TTestSet set;
  set.MakeTriangle(0, 0.5, 1);
  set.SetExpressionText("very high");
  EXPECT_EQ(set.SetType(), fstTriangle);
  set.Values().SetY(0, 0.5);
  EXPECT_EQ(set.SetType(), fstUserDefined);
  EXPECT_EQ(set.ExpressionText(), "");
}

TEST(TFuzzySet, Generators) {
  struct TCase {
    const char* name;
    void (*make)(TFuzzySet&);
    const char* points;
    TFuzzySetType type;
  };
  const TCase cases[] = {
      {"triangle", [](TFuzzySet& s) { s.MakeTriangle(0, 2, 1); }, "((0.0000 0.0000) (1.0000 1.0000) (1.0000 0.0000) )",
       fstTriangle},
      {"spike", [](TFuzzySet& s) { s.MakeTriangle(0.25, 0.25, 0.25); },
       "((0.2500 0.0000) (0.2500 1.0000) (0.2500 0.0000) )", fstTriangle},
      {"growth", [](TFuzzySet& s) { s.MakeSCurve(7, true, 0, 1, 0.5); },
       "((0.0000 0.0000) (0.1667 0.0556) (0.3333 0.2222) (0.5000 0.5000) (0.6667 0.7778) (0.8333 0.9444) (1.0000 "
       "1.0000) )",
       fstGrowthCurve},
      {"decline", [](TFuzzySet& s) { s.MakeSCurve(1, false, 0, 1, 0.5); },
       "((0.0000 1.0000) (0.5000 0.5000) (1.0000 0.0000) )", fstDeclineCurve},
      {"pi7", [](TFuzzySet& s) { s.MakePI(7, 0.5, 0.5); },
       "((0.0000 0.0000) (0.1667 0.2222) (0.3333 0.7778) (0.5000 1.0000) (0.6667 0.7778) (0.8333 0.2222) (1.0000 "
       "0.0000) )",
       fstPICurve},
      {"pi6", [](TFuzzySet& s) { s.MakePI(6, 0.0, 0.5, 1.0); },
       "((0.0000 0.0000) (0.1667 0.2222) (0.3333 0.7778) (0.6667 0.7778) (0.8333 0.2222) (1.0000 0.0000) )",
       fstPICurve},
      {"beta", [](TFuzzySet& s) { s.MakeBeta(5, 0, 2, 1, 1); },
       "((-2.0000 0.2000) (-1.0000 0.5000) (0.0000 1.0000) (1.0000 0.5000) (2.0000 0.2000) )", fstBetaCurve},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestSet set;
    c.make(set);
    EXPECT_EQ(set.ValuesText(), c.points);
    EXPECT_EQ(set.SetType(), c.type);
  }
}

TEST(TFuzzySet, SCurveGradesFollowTheFormula) {
  TTestSet set;
  set.MakeSCurve(41, true, 2, 6, 4);
  for (const TFuzzySetValue& p : set.Values()) {
    const double r = (p.X() - 2) / 4;
    EXPECT_NEAR(p.Y(), r <= 0.5 ? 2 * r * r : 1 - 2 * (1 - r) * (1 - r), 1e-9);
  }
  EXPECT_EQ(set.ShapeParameter(), 4.0);
}

TEST(TFuzzySet, AssigningSetTypeRegeneratesOverTheUniverse) {
  TTestSet set(TFuzzyUniverse{1.0, 52.0});
  set.SetSetType(fstTriangle);
  EXPECT_EQ(set.ValuesText(), "((8.5000 0.0000) (25.5000 1.0000) (42.5000 0.0000) )");
  EXPECT_EQ(set.SetType(), fstTriangle);
  set.SetSetType(fstGrowthCurve);
  EXPECT_EQ(set.Values().Count(), 7);
  EXPECT_EQ(set.Values()[0].X(), 18.0);
  EXPECT_EQ(set.SetType(), fstGrowthCurve);
  set.SetSetType(fstUserDefined);
  EXPECT_EQ(set.Values().Count(), 7);
  TTestSet point(TFuzzyUniverse{3.0, 3.0});  // beta would divide by zero
  EXPECT_EQ(ErrorOf<EFzyException>([&] { point.SetSetType(fstBetaCurve); }),
            "Invalid beta curve, the inflection (beta) must not be 0");
}

TEST(TFuzzySet, Errors) {
  TTestSet set({{0, 0}, {1, 1}}, "high");
  const std::pair<std::string, std::string> cases[] = {
      {ErrorOf<EFzyException>([&] { set.GetXRange(2); }), "Invalid index argument to GetXRange.  Index = 2"},
      {ErrorOf<EFzyException>([&] { set.MakeSCurve(7, true, 2, 1, 0); }),
       "Invalid range arguments.  Left (2.0000) is greater than right (1.0000)"},
      {ErrorOf<EFzyException>([&] { set.MakePI(7, 0.5, -0.25); }),
       "Invalid range arguments.  Left (0.7500) is greater than right (0.2500)"},
      {ErrorOf<EFzyException>([&] { set.MakeBeta(7, 0, 1, 0, 1); }),
       "Invalid beta curve, the inflection (beta) must not be 0"},
      {ErrorOf<EFzyException>([&] { set.SetName("very"); }), "Invalid fuzzy set name, \"very\" is a reserved word"},
      {ErrorOf<EFzyException>([&] { set.SetName("<=X"); }), "Invalid fuzzy set name, \"<=X\" is a reserved word"},
      {ErrorOf<EFzyException>([&] { set.SetName("or-sum"); }), "Invalid fuzzy set name, \"or-sum\" is a reserved word"},
      {ErrorOf<EFzyException>([&] { set.Values().Add(Nan, 0); }),
       "Invalid fuzzy set point (nan, 0.0000), coordinates must be finite numbers"},
      {ErrorOf<EFzyException>([&] { set.Values().SetY(0, Inf); }),
       "Invalid fuzzy set point (0.0000, inf), coordinates must be finite numbers"},
      {ErrorOf<EFzyException>([&] { set.MakeTriangle(0, Inf, 1); }),
       "Invalid fuzzy set argument, inf is not a finite number"},
      {ErrorOf<EFzyException>([&] { set.Values().SetX(7, 0); }), "Fuzzy set point index out of bounds (7)"},
      {ErrorOf<EFzyException>([&] { set.ApplyOperator(3, true, 0.0); }), "Invalid fuzzy operation, division by 0"},
      {ErrorOf<EFzyException>([&] { set.ApplyOperator(9, true, 1.0); }), "Invalid fuzzy operator index: 9"},
      {ErrorOf<EFzyException>([&] {
         set.ApplyOperator(2, true, 1e300);
         set.ApplyOperator(2, true, 1e300);
       }),
       "Invalid fuzzy set point (1.0000, inf), coordinates must be finite numbers"},
      {ErrorOf<EFzyException>([&] { set.Values().Expand(FuzzyMaxPointCount + 1); }),
       "Invalid number of points for a fuzzy set: 1048577"},
  };
  for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
  // Failed operations left the set as it was (the first multiply succeeded).
  EXPECT_EQ(set.Values().Count(), 2);
  EXPECT_EQ(set.Values()[1].Y(), 1e300);
  set.SetName("Very");  // names compare case-sensitively
  EXPECT_EQ(set.Name(), "Very");
}

// Each crossing of two operands adds a point to their combination; a result
// that would pass the largest point count is refused and leaves the target
// empty, as a combination with a point that is not finite does.
TEST(TFuzzySet, CombinationBeyondThePointLimitIsRefused) {
  const int half = FuzzyMaxPointCount / 2 + 1;
  TTestSet a;
  TTestSet b;
  {
    TUpdateScope updateA(a);
    TUpdateScope updateB(b);
    for (int i = 0; i < half; ++i) {
      a.Values().Add(2.0 * i, i % 2);
      b.Values().Add(2.0 * i + 1.0, (i + 1) % 2);
    }
  }
  TTestSet result(TPointList{{0, 1}});
  EXPECT_EQ(ErrorOf<EFzyException>([&] { a.Intersection(b, foZadeh, result); }),
            "Invalid number of points for a fuzzy set: 1048577");
  EXPECT_EQ(result.ValuesText(), "()");
}

TEST(TFuzzySet, UnionAndIntersectionNamesAndErrors) {
  TTestSet a({{0, 0}, {1, 1}}, "high");
  TTestSet b({{0, 1}, {1, 0}}, "very low");
  TTestSet r;
  a.Union(b, foZadeh, r);
  EXPECT_EQ(r.Name(), "high or [very low]");
  EXPECT_EQ(r.ValuesText(), "((0.0000 1.0000) (0.5000 0.5000) (1.0000 1.0000) )");
  a.Intersection(b, foBoundedSum, r);
  EXPECT_EQ(r.Name(), "high and-boundedsum [very low]");
  EXPECT_EQ(ErrorOf<EFzyException>([&] { a.Intersection(b, foSum, r); }), "Invalid fuzzy operation: foSum");
  EXPECT_EQ(ErrorOf<EFzyException>([&] { a.Union(b, static_cast<TFuzzyOperation>(9), r); }),
            "Invalid fuzzy operation: 9");
  TTestSet copy({{0, 0}, {1, 1}});
  a.Union(copy, foSum, r);
  EXPECT_EQ(r.GetMembership(1.0), 2.0);
  // The result may be an operand.
  a.Union(b, foZadeh, a);
  EXPECT_EQ(a.ValuesText(), "((0.0000 1.0000) (0.5000 0.5000) (1.0000 1.0000) )");
  TTestSet empty;
  a.Union(empty, foZadeh, r);
  EXPECT_EQ(r.ValuesText(), "()");
}

TEST(TFuzzySet, UnionFindsCrossingsWithTheFlatExtensions) {
  struct TCase {
    TPointList a, b;
    bool isUnion;
    double x, expected;
  };
  const TCase cases[] = {
      {{{0, 0}, {0.6, 1}}, {{0.5, 0.5}, {1, 0}}, true, 0.2, 0.5},
      {{{0, 0}, {0.6, 1}}, {{0.5, 0.5}, {1, 0}}, true, 0.4, 2.0 / 3.0},
      {{{0, 0}, {0.6, 1}}, {{0.5, 0.5}, {1, 0}}, false, 0.4, 0.5},
      {{{0, 0}, {0.6, 1}}, {{0.5, 0.5}, {1, 0}}, false, 0.9, 0.1},
      // B starts after A ended: A's flat tail at 1 crosses B's rising segment.
      {{{0, 0}, {0.2, 1}}, {{0.5, 0}, {1.5, 2}}, false, 1.2, 1.0},
      {{{0, 0}, {0.2, 1}}, {{0.5, 0}, {1.5, 2}}, true, 0.7, 1.0},
      // A constant set crossing a segment.
      {{{0.3, 0.5}}, {{0, 0}, {1, 1}}, true, 0.4, 0.5},
      {{{0.3, 0.5}}, {{0, 0}, {1, 1}}, false, 0.4, 0.4},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.isUnion ? "union" : "intersection") << " at " << c.x);
    TTestSet a(c.a);
    TTestSet b(c.b);
    TTestSet r;
    if (c.isUnion) {
      a.Union(b, foZadeh, r);
    } else {
      a.Intersection(b, foZadeh, r);
    }
    EXPECT_NEAR(r.GetMembership(c.x), c.expected, 1e-12);
  }
}

// Random sets on a grid (vertical steps included) combined by every operation:
// where the grade function is piecewise linear in the operands the result
// must equal f(a(x), b(x)) everywhere; otherwise at every breakpoint.
TEST(TFuzzySet, UnionAndIntersectionAgreeWithTheDirectFormula) {
  std::mt19937 random(20240611);
  const auto uniform = [&](int n) { return static_cast<int>(random() % static_cast<std::uint32_t>(n)); };
  const auto makeSet = [&](TTestSet& set) {
    TPointList points;
    int x = uniform(40) - 10;
    for (int count = 1 + uniform(8); count > 0; --count) {
      points.emplace_back(x * 0.01 * 3, uniform(21) * 0.05);
      x += uniform(6) == 0 ? 0 : 1 + uniform(12);
    }
    set.Set(points);
  };
  const auto directGrade = [](TFuzzyOperation op, bool isUnion, double a, double b) {
    switch (op) {
      case foZadeh:
        return isUnion ? std::max(a, b) : std::min(a, b);
      case foMean:
        return isUnion ? (2 * std::min(a, b) + 4 * std::max(a, b)) / 6 : (a + b) / 2;
      case foMeanSqr:
        return (a + b) * (a + b) / 4;
      case foMeanSqrt:
        return std::sqrt((a + b) / 2);
      case foProduct:
        return isUnion ? a + b - a * b : a * b;
      case foBoundedSum:
        return isUnion ? std::min(1.0, a + b) : std::max(0.0, a + b - 1);
      case foSum:
        return a + b;
    }
    return 0.0;
  };
  int checked = 0;
  for (int trial = 0; trial < 400; ++trial) {
    TTestSet a;
    TTestSet b;
    makeSet(a);
    makeSet(b);
    for (int op = foZadeh; op <= foSum; ++op) {
      for (bool isUnion : {true, false}) {
        const auto operation = static_cast<TFuzzyOperation>(op);
        if (!isUnion && operation == foSum) continue;
        TTestSet r;
        if (isUnion) {
          a.Union(b, operation, r);
        } else {
          a.Intersection(b, operation, r);
        }
        const bool linear = operation == foZadeh || operation == foMean || (isUnion && operation == foSum);
        std::vector<double> xs;
        for (const TFuzzySetValue& p : a.Values()) xs.push_back(p.X());
        for (const TFuzzySetValue& p : b.Values()) xs.push_back(p.X());
        const std::size_t breakpoints = xs.size();
        if (linear) {
          for (std::size_t i = 0; i < breakpoints; ++i) {
            xs.push_back(xs[i] - 1e-7);
            xs.push_back(xs[i] + 1e-7);
          }
          for (int k = 0; k < 200; ++k) xs.push_back(-0.5 + (random() % 100000) * 4.5e-5);
        }
        for (std::size_t i = 0; i < xs.size(); ++i) {
          const double x = xs[i];
          // At a vertical step a grade is the top of the run, not a limit.
          if (i < breakpoints && (a.Values().Count() > 0)) {
            bool step = false;
            for (const TFuzzySet* s : {static_cast<const TFuzzySet*>(&a), static_cast<const TFuzzySet*>(&b)}) {
              for (int j = 1; j < s->Values().Count(); ++j) {
                step = step || (s->Values()[j].X() == x && s->Values()[j - 1].X() == x);
              }
            }
            if (step) continue;
          }
          const double expected =
              std::max(0.0, directGrade(operation, isUnion, a.GetMembership(x), b.GetMembership(x)));
          ASSERT_NEAR(r.GetMembership(x), expected, 1e-9)
              << "trial " << trial << " op " << op << (isUnion ? " or" : " and") << " x=" << x << "\nA "
              << a.ValuesText() << "\nB " << b.ValuesText() << "\nR " << r.ValuesText();
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 100000);
}

TEST(TFuzzySet, IntersectionHeightAndReachesLevel) {
  TTestSet rising({{0, 0}, {1, 1}});
  TTestSet falling({{0, 1}, {1, 0}});
  TTestSet lateStart({{0.5, 0.5}, {1, 0}});
  TTestSet empty;
  EXPECT_NEAR(rising.IntersectionHeight(falling), 0.5, 1e-12);
  EXPECT_NEAR(TTestSet({{0, 0}, {0.6, 1}}).IntersectionHeight(lateStart), 0.5, 1e-12);
  EXPECT_EQ(rising.IntersectionHeight(empty), 0.0);
  EXPECT_TRUE(rising.ReachesLevel(falling, 0.5));
  EXPECT_FALSE(rising.ReachesLevel(falling, 0.51));
  EXPECT_TRUE(rising.ReachesLevel(empty, 0.9));
}

TEST(TFuzzySet, CombineConstant) {
  struct TCase {
    bool orOperation;
    double k;
    TPointList points;
    const char* expected;
  };
  const TCase cases[] = {
      {true, 0.5, {{0, 0}, {1, 1}}, "((0.5000 0.5000) (1.0000 1.0000) )"},
      {false, 0.5, {{0, 0}, {1, 1}}, "((0.0000 0.0000) (0.5000 0.5000) )"},
      {true, 0.5, {{0, 1}, {0.5, 0}, {1, 1}}, "((0.0000 1.0000) (0.2500 0.5000) (0.7500 0.5000) (1.0000 1.0000) )"},
      {true, 0.0, {{0, 0}, {1, 1}}, "((0.0000 0.0000) (1.0000 1.0000) )"},
      {true, 7.0, {{0.2, 0}, {1, 1}}, "((0.2000 1.0000) )"},  // k clamped to 1
      {false, 0.0, {{0.2, 0}, {1, 1}}, "((0.2000 0.0000) )"},
      {true, 0.5, {{0.2, 0.1}, {1, 0.3}}, "((0.2000 0.5000) )"},  // entirely below k
      {false, 0.5, {}, "()"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.expected);
    TTestSet set(c.points, "high");
    set.SetExpressionText("high");
    TTestSet r;
    set.CombineConstant(c.orOperation, c.k, r);
    EXPECT_EQ(r.ValuesText(), c.expected);
  }
  TTestSet set({{0, 0}, {1, 1}}, "very high");
  set.SetExpressionText("very high");
  TTestSet r;
  set.CombineConstant(false, 0.25, r);
  EXPECT_EQ(r.Name(), "[very high] and 0.2500");
  EXPECT_EQ(r.ExpressionText(), "very high and 0.2500");
}

TEST(TFuzzySet, AlphaCut) {
  struct TCase {
    bool strict;
    double alpha;
    TPointList points;
    const char* expected;
  };
  const TCase cases[] = {
      {false, 0.5, {{0, 0}, {1, 1}}, "((0.0000 0.0000) (0.5000 0.0000) (0.5000 0.5000) (1.0000 1.0000) )"},
      {false, 0.5, {{0, 1}, {1, 0}}, "((0.0000 1.0000) (0.5000 0.5000) (0.5000 0.0000) )"},
      {true, 0.5, {{0, 0}, {0.5, 0.5}, {1, 1}}, "((0.0000 0.0000) (0.5000 0.0000) (0.5000 0.5000) (1.0000 1.0000) )"},
      {true, 0.0, {{0, 0}, {1, 1}}, "((0.0000 0.0000) (1.0000 1.0000) )"},
      {true, 1.0, {{0, 0}, {1, 1}}, "((0.0000 0.0000) )"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.expected);
    TTestSet set(c.points, "high");
    TTestSet r;
    set.AlphaCut(c.strict, c.alpha, r);
    EXPECT_EQ(r.ValuesText(), c.expected);
    EXPECT_EQ(r.Name(), "high");
  }
}

TEST(TFuzzySet, ApplyOperator) {
  struct TCase {
    int index;
    bool onY;
    double k;
    const char* points;
    const char* name;
  };
  const TCase cases[] = {
      {0, false, 0.25, "((0.2500 0.0000) (0.7500 0.5000) (1.0000 1.0000) )", "low +X 0.2500"},
      {1, true, 0.25, "((0.0000 0.0000) (0.5000 0.2500) (1.0000 0.7500) )", "low - 0.2500"},
      {3, true, 2.0, "((0.0000 0.0000) (0.5000 0.2500) (1.0000 0.5000) )", "low / 2.0000"},
      // A divisor that would print as 0.0000 is named in full, so the name reads back.
      {3, true, 0.5e-4, "((0.0000 0.0000) (0.5000 10000.0000) (1.0000 20000.0000) )", "low / 0.0001"},
      {3, true, 2e-5, "((0.0000 0.0000) (0.5000 25000.0000) (1.0000 50000.0000) )", "low / 2e-05"},
      {4, true, 2.0, "((0.0000 0.0000) (0.5000 0.2500) (1.0000 1.0000) )", "low ^ 2.0000"},
      {7, true, 0.4, "((0.0000 0.0000) (0.5000 0.4000) (1.0000 0.4000) )", "low > 0.4000"},
      {5, true, 0.4, "((0.0000 0.4000) (0.5000 0.5000) (1.0000 1.0000) )", "low < 0.4000"},
      // Every X lands on the universe minimum; the run keeps its order.
      {2, false, -1.0, "((0.0000 0.0000) (0.0000 0.5000) (0.0000 1.0000) )", "low *X -1.0000"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestSet set(TFuzzyUniverse{0.0, 1.0});
    set.SetName("low");
    set.Set({{0, 0}, {0.5, 0.5}, {1, 1}});
    set.ApplyOperator(c.index, c.onY, c.k);
    EXPECT_EQ(set.ValuesText(), c.points);
    EXPECT_EQ(set.Name(), c.name);
  }
}

TEST(TFuzzySet, NormalizeDividesByTheLargestGrade) {
  TTestSet set({{0, 0}, {1, 0.5}, {2, 0.25}});
  set.Normalize();
  EXPECT_EQ(set.ValuesText(), "((0.0000 0.0000) (1.0000 1.0000) (2.0000 0.5000) )");
  TTestSet zero({{0, 0}, {1, 0}});
  zero.Normalize();
  EXPECT_EQ(zero.ValuesText(), "((0.0000 0.0000) (1.0000 0.0000) )");
  TTestSet triangle;
  triangle.MakeTriangle(0, 0.5, 1);
  triangle.Normalize();  // nothing changes: still a triangle
  EXPECT_EQ(triangle.SetType(), fstTriangle);
}

TEST(TFuzzySet, PrintedForms) {
  TTestSet set({{0, 0}, {0.5, 1}, {1, 0}});
  EXPECT_EQ(set.ValuesText(), "((0.0000 0.0000) (0.5000 1.0000) (1.0000 0.0000) )");
  EXPECT_EQ(set.NamedText(), set.ValuesText());
  set.SetName("medium");
  EXPECT_EQ(set.NamedText(), "(medium (0.0000 0.0000) (0.5000 1.0000) (1.0000 0.0000) )");
  TTestSet empty;
  EXPECT_EQ(empty.ValuesText(), "()");
  empty.SetName("nothing");
  EXPECT_EQ(empty.NamedText(), "(nothing )");
  TTestSet huge;
  huge.Values().Add(0, 1e300);
  const std::string text = huge.ValuesText();
  EXPECT_EQ(text.substr(0, 20), "((0.0000 10000000000");
  EXPECT_EQ(text.substr(text.size() - 10), "60.0000) )");
}

TEST(TFuzzySet, DegenerateSetsCombineWithoutFault) {
  const TPointList shapes[] = {{}, {{0.5, 0.5}}, {{0.5, 0}, {0.5, 1}, {0.5, 0.3}}, {{0, 0}, {1, 0}}};
  for (const TPointList& pa : shapes) {
    for (const TPointList& pb : shapes) {
      TTestSet a(pa);
      TTestSet b(pb);
      TTestSet r;
      a.Union(b, foMeanSqrt, r);
      a.Intersection(b, foProduct, r);
      EXPECT_LE(r.Values().Count(), static_cast<int>(pa.size() + pb.size() + 1));
      a.IntersectionHeight(b);
    }
  }
}

}  // namespace
}  // namespace fxe
