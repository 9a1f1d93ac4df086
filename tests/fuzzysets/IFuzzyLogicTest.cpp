// Tests of fuzzy variables, terms, hedges and the set-level fuzzy inference.
#include "fuzzysets/IFuzzyLogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using TPointList = std::vector<std::pair<double, double>>;
using test::ErrorOf;

TRef<TIFuzzyVariable> MakeVariable(double minimum = 0.0, double maximum = 1.0, std::string_view name = "v") {
  auto v = MakeRef<TIFuzzyVariable>(name);
  v->SetMaximum(maximum);
  v->SetMinimum(minimum);
  return v;
}

TRef<IFuzzySet> Term(IFuzzyVariable& v, std::string_view name, const TPointList& points) {
  TRef<IFuzzySet> set = v.CreateTerm(name);
  set->BeginUpdate();
  for (const auto& [x, y] : points) set->AddPoint(x, y);
  set->EndUpdate();
  return set;
}

TRef<IFuzzySet> FreeSet(const TPointList& points, std::string_view name = {}) {
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  set->SetName(name);
  set->BeginUpdate();
  for (const auto& [x, y] : points) set->AddPoint(x, y);
  set->EndUpdate();
  return set;
}

class TNamePrinter : public IFuzzyParser {
 public:
  std::string FormatFuzzySet(const IFuzzySet& set) const override { return set.Name(); }
  std::string FormatFuzzyVariable(const IFuzzyVariable& variable) const override { return "<" + variable.Name() + ">"; }
};

TEST(TIFuzzySet, HedgesFollowTheirFormulas) {
  // Each hedge on high over [0, 1], checked point by point against the
  // formula applied to the seven points of the expanded set.
  const auto power = [](double p) { return [p](double y) { return y > 0 && y < 1 ? std::pow(y, p) : y; }; };
  const auto intensify = [](double p) {
    return [p](double y) {
      if (p < 1 && y <= 0) return y;
      return y < 0.5 ? std::min(1.0, p * std::pow(y, p)) : std::max(0.0, 1 - p * std::pow(1 - y, p));
    };
  };
  struct TCase {
    int hedge;
    std::function<double(double)> f;
  };
  const TCase cases[] = {{1, power(1.0 / 3)}, {2, power(0.5)},     {3, power(0.7)},    {4, power(1.25)},
                         {5, power(2)},       {6, power(3)},       {16, intensify(2)}, {17, intensify(2)},
                         {18, intensify(2)},  {19, intensify(0.5)}};
  auto v = MakeVariable();
  Term(*v, "high", {{0, 0}, {1, 1}});
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.hedge);
    TRef<IFuzzySet> set = v->FindTerm("high")->Clone();
    set->ApplyHedge(c.hedge);
    ASSERT_EQ(set->Values().Count(), 7);
    for (int i = 0; i < 7; ++i) {
      EXPECT_NEAR(set->Values()[i].X(), i / 6.0, 1e-12);
      EXPECT_NEAR(set->Values()[i].Y(), c.f(i / 6.0), 1e-9);
    }
  }
}

TEST(TIFuzzySet, ApproximationHedgesSpreadOverAFiftyPointGrid) {
  const std::pair<int, double> cases[] = {{11, 2}, {12, 4}, {13, 1.2}, {14, 1.2}, {15, 1.2}};
  auto v = MakeVariable(0, 10);
  Term(*v, "mid", {{4, 0}, {5, 1}, {6, 0}});
  for (const auto& [hedge, p] : cases) {
    SCOPED_TRACE(hedge);
    TRef<IFuzzySet> set = v->FindTerm("mid")->Clone();
    set->ApplyHedge(hedge);
    // The seven expanded points spread their grades with k = 2 / 10.
    const double xs[] = {4, 4 + 1 / 3.0, 4 + 2 / 3.0, 5, 5 + 1 / 3.0, 5 + 2 / 3.0, 6};
    std::vector<double> grid(50);
    double top = 0;
    for (int j = 0; j < 50; ++j) {
      for (double x : xs) {
        const double y = x <= 5 ? x - 4 : 6 - x;
        if (y > 0) grid[j] = std::max(grid[j], y / (1 + std::pow(0.2 * std::fabs(j * 10 / 49.0 - x), p)));
      }
      top = std::max(top, grid[j]);
    }
    ASSERT_EQ(set->Values().Count(), 50);
    for (int j = 0; j < 50; ++j) EXPECT_NEAR(set->Values()[j].Y(), grid[j] / top, 1e-9);
  }
}

TEST(TIFuzzySet, PeakAndComplementHedges) {
  struct TCase {
    int hedge;
    TPointList points;
    const char* expected;
  };
  const TCase cases[] = {
      {7, {{0, 0}, {0.5, 1}, {1, 0}}, "((0.0000 0.0000) (0.5000 0.0000) (1.0000 1.0000) )"},
      {8, {{0, 0}, {0.5, 1}, {1, 0}}, "((0.0000 1.0000) (0.5000 0.0000) (1.0000 0.0000) )"},
      {7, {{0, 0.2}, {0.5, 0.6}, {1, 0.6}}, "((0.0000 0.0000) (0.5000 0.0000) (1.0000 0.0000) )"},
      // The first grade of exactly 1 is the peak, even after a larger grade.
      {7,
       {{0, 0}, {0.2, 2}, {0.4, 0.5}, {0.6, 1}, {1, 0}},
       "((0.0000 0.0000) (0.2000 0.0000) (0.4000 0.0000) (0.6000 0.0000) (1.0000 1.0000) )"},
      {8,
       {{0, 0}, {0.4, 1}, {0.6, 0.5}, {0.8, 2}, {1, 0}},
       "((0.0000 1.0000) (0.4000 0.0000) (0.6000 0.0000) (0.8000 0.0000) (1.0000 0.0000) )"},
      {0, {{0, 0}, {0.5, 0.25}, {1, 1}}, "((0.0000 1.0000) (0.5000 0.7500) (1.0000 0.0000) )"},
      {10, {{0, 0}, {1, 0.5}}, "((0.0000 0.0000) (1.0000 1.0000) )"},
      {5, {}, "()"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.expected);
    TRef<IFuzzySet> set = FreeSet(c.points, "x");
    set->ApplyHedge(c.hedge);
    EXPECT_EQ(set->FuzzySet().ValuesText(), c.expected);
  }
}

TEST(TIFuzzySet, SlightlyPeaksBetweenPlusAndNotVery) {
  TRef<IFuzzySet> set = FreeSet({{0, 0}, {1, 1}}, "high");
  set->ApplyHedge(9);
  EXPECT_EQ(set->Name(), "slightly high");
  EXPECT_NEAR(set->Values().MaxY(), 1.0, 1e-12);
  EXPECT_EQ(set->GetMembership(0.0), 0.0);
  EXPECT_EQ(set->GetMembership(1.0), 0.0);
  EXPECT_GT(set->GetMembership(0.7), 0.5);
}

TEST(TIFuzzySet, HedgeNamesAndErrors) {
  auto v = MakeVariable();
  Term(*v, "high", {{0, 0}, {1, 1}});
  TRef<IFuzzySet> set = v->FindTerm("high")->Clone();
  set->ApplyHedge(1).ApplyHedge(5);
  EXPECT_EQ(set->Name(), "very [somewhat high]");
  EXPECT_EQ(v->FindTerm("high")->Values().Count(), 2);  // the term itself is untouched
  EXPECT_EQ(ErrorOf<std::exception>([&] { set->ApplyHedge(20); }), "Invalid fuzzy hedge index: 20");
  TRef<IFuzzySet> empty = FreeSet({});
  EXPECT_EQ(ErrorOf<std::exception>([&] { empty->ApplyHedge(10); }),
            "Invalid operation: Get Maximum Y Value.  Fuzzy set is empty");
}

TEST(TIFuzzySet, CombinationsNameAndDescribeTheirOperands) {
  auto v = MakeVariable();
  Term(*v, "high", {{0, 0}, {1, 1}});
  Term(*v, "low", {{0, 1}, {1, 0}});
  TRef<IFuzzySet> veryHigh = v->FindTerm("high")->Clone();
  veryHigh->ApplyHedge(5);
  veryHigh->SetExpressionText("very high");
  TRef<IFuzzySet> both = veryHigh->Union(*v->FindTerm("low"), foMean);
  EXPECT_EQ(both->Name(), "[very high] or-mean low");
  EXPECT_EQ(both->ExpressionText(), "(very high) or-mean low");
  EXPECT_EQ(both->Variable(), v.Get());
  EXPECT_FALSE(both->IsTerm());
  TRef<IFuzzySet> neither = both->Intersection(*veryHigh, foProduct);
  EXPECT_EQ(neither->ExpressionText(), "((very high) or-mean low) and-product (very high)");
  EXPECT_EQ(ErrorOf<std::exception>([&] { both->Intersection(*veryHigh, foSum); }), "Invalid fuzzy operation: foSum");
  TRef<IFuzzySet> capped = v->FindTerm("high")->CombineConstant(false, 0.5);
  EXPECT_EQ(capped->Name(), "high and 0.5000");
  EXPECT_EQ(v->FindTerm("high")->AlphaCut(true, 0.5)->Name(), "high");
}

TEST(TIFuzzySet, ResultsAndCopiesKeepTheReceiversClass) {
  auto engineVariable = MakeRef<TIEFuzzyVariable>("risk");
  TRef<IFuzzySet> term = Term(*engineVariable, "high", {{0, 0}, {1, 1}});
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(term.Get()), nullptr);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(term->Clone().Get()), nullptr);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(term->Union(*term, foZadeh).Get()), nullptr);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(NewEngineFuzzySet().Get()), nullptr);
  auto plain = MakeVariable();
  EXPECT_EQ(dynamic_cast<TIEFuzzySet*>(Term(*plain, "x", {}).Get()), nullptr);
}

TEST(TIFuzzySet, PrintedFormUsesThePrinter) {
  TNamePrinter printer;
  auto v = MakeVariable();
  TRef<IFuzzySet> high = Term(*v, "high", {{0, 0}, {1, 1}});
  EXPECT_EQ(high->AsText(), "(high (0.0000 0.0000) (1.0000 1.0000) )");
  v->SetParser(&printer);
  EXPECT_EQ(high->AsText(), "high");
  EXPECT_EQ(high->Clone()->AsText(), "high");
  EXPECT_EQ(v->AsText(), "<v>");
  EXPECT_EQ(FreeSet({{0.5, 1}})->AsText(), "((0.5000 1.0000) )");
}

// The one-walk match of the network agrees with EqualsSet followed by
// MatchSet for every threshold, also at the threshold itself and for empty
// sets, and leaves the grade alone when the sets are not equal.
TEST(TIFuzzySet, MatchIfEqualAgreesWithEqualityThenMatch) {
  auto v = MakeVariable();
  const std::vector<TPointList> shapes = {
      {{0, 0}, {1, 1}}, {{0, 1}, {1, 0}}, {{0.5, 0.5}, {1, 0}}, {{0, 0}, {0.6, 1}},
      {{0.2, 0}, {0.3, 0.3}, {0.4, 0}}, {}, {{0.7, 0.9}}};
  for (const double threshold : {0.0, 0.25, 0.3, 0.5, 0.51, 0.9, 1.0}) {
    v->SetThreshold(threshold);
    for (std::size_t a = 0; a < shapes.size(); ++a) {
      for (std::size_t b = 0; b < shapes.size(); ++b) {
        SCOPED_TRACE(::testing::Message() << "threshold " << threshold << ", sets " << a << " and " << b);
        TRef<IFuzzySet> mine = Term(*v, "a" + std::to_string(a) + "-" + std::to_string(b), shapes[a]);
        TRef<IFuzzySet> theirs = FreeSet(shapes[b]);
        const bool equal = mine->EqualsSet(*theirs);
        const double height = mine->Clone()->MatchSet(*theirs);
        const std::optional<double> grade = mine->MatchSetIfEqual(*theirs);
        ASSERT_EQ(grade.has_value(), equal);
        if (equal) {
          EXPECT_EQ(*grade, height);
          EXPECT_EQ(mine->MatchGrade(), height);
        } else {
          EXPECT_EQ(mine->MatchGrade(), 0.0);
        }
      }
    }
  }
}

// The clipped copy of correlation is the copy-then-clip it replaces: the
// same points, name, variable, type, shape parameter and printed form, and no
// expression text; the source is left as it was.
TEST(TIFuzzySet, ClippedCopyEqualsCopyThenClip) {
  auto v = MakeVariable(0.0, 10.0);
  TRef<IFuzzySet> bell = v->CreateTerm("bell");
  bell->FuzzySet().MakeBeta(9, 5.0, 2.0, 1.5, 1.0);
  TRef<IFuzzySet> union_ = Term(*v, "up", {{0, 0}, {10, 1}})->Union(*Term(*v, "down", {{0, 1}, {10, 0}}), foZadeh);
  const std::vector<TRef<IFuzzySet>> sources = {
      Term(*v, "ramp", {{0, 0}, {4, 1}, {6, 1}, {10, 0}}), FreeSet({{0.2, 0.1}, {0.5, 0.9}, {0.8, 0.4}}, "free"),
      FreeSet({}), bell, union_};
  for (std::size_t i = 0; i < sources.size(); ++i) {
    for (const double level : {-0.5, 0.0, 0.35, 0.5, 0.9, 1.0, 2.0}) {
      SCOPED_TRACE(::testing::Message() << "set " << i << ", level " << level);
      const IFuzzySet& source = *sources[i];
      const std::string before = source.AsText();
      TRef<IFuzzySet> expected = source.Clone();
      expected->FuzzySet().ClipAt(level, "clipped", expected->FuzzySet());
      TRef<IFuzzySet> clipped = source.ClippedCopy(level, "clipped");
      EXPECT_EQ(clipped->AsText(), expected->AsText());
      EXPECT_EQ(clipped->Name(), "clipped");
      EXPECT_EQ(clipped->Variable(), expected->Variable());
      EXPECT_EQ(clipped->FuzzySet().SetType(), expected->FuzzySet().SetType());
      EXPECT_EQ(clipped->FuzzySet().ShapeParameter(), expected->FuzzySet().ShapeParameter());
      EXPECT_EQ(clipped->FuzzySet().ExpressionText(), "");
      EXPECT_EQ(clipped->FuzzySet().ValuesText(), expected->FuzzySet().ValuesText());
      EXPECT_EQ(source.AsText(), before);
    }
  }
}

TEST(TIFuzzySet, EqualityAndMatchGrade) {
  auto v = MakeVariable();
  TRef<IFuzzySet> high = Term(*v, "high", {{0, 0}, {1, 1}});
  TRef<IFuzzySet> low = Term(*v, "low", {{0, 1}, {1, 0}});
  TRef<IFuzzySet> late = FreeSet({{0.5, 0.5}, {1, 0}});
  TRef<IFuzzySet> early = FreeSet({{0, 0}, {0.6, 1}});
  TRef<IFuzzySet> empty = FreeSet({});
  EXPECT_TRUE(high->EqualsSet(*low));  // threshold 0: any two non-empty sets
  v->SetThreshold(0.5);
  EXPECT_TRUE(high->EqualsSet(*low));
  v->SetThreshold(0.51);
  EXPECT_FALSE(high->EqualsSet(*low));
  EXPECT_TRUE(empty->EqualsSet(*high));
  EXPECT_TRUE(high->EqualsSet(*empty));
  EXPECT_TRUE(high->EqualsNumber(0.6));
  EXPECT_FALSE(high->EqualsNumber(0.51));
  EXPECT_FALSE(high->EqualsNumber(std::nan("")));
  EXPECT_NEAR(high->MatchSet(*low), 0.5, 1e-12);
  EXPECT_NEAR(early->MatchSet(*late), 0.5, 1e-12);  // found on late's flat extension
  EXPECT_NEAR(early->MatchGrade(), 0.5, 1e-12);
  EXPECT_NEAR(high->MatchNumber(0.25), 0.25, 1e-12);
  EXPECT_EQ(high->MatchSet(*empty), 0.0);
  EXPECT_EQ(high->Clone()->MatchGrade(), 0.0);
  v->SetThreshold(7.0);
  EXPECT_EQ(v->Threshold(), 1.0);
}

TEST(TIFuzzySet, Defuzzification) {
  struct TCase {
    TPointList points;
    bool meanOfMaxima;
    double expected, grade;
  };
  const TCase cases[] = {
      {{{0, 0}, {0.5, 1}, {1, 0}}, false, 0.5, 1.0},
      {{{0, 0}, {1, 1}}, false, 2.0 / 3.0, 2.0 / 3.0},
      {{{0.3, 0.7}}, false, 0.5, 0.0},
      {{{0.5, 0.2}, {0.5, 0.9}}, false, 0.5, 0.0},
      {{{0.25, 1}, {0.75, 1}}, false, 0.5, 1.0},
      // Left tail 0.5 x 1 at 0.25, triangle of area 0.25 at 2/3.
      {{{0.5, 1}, {1, 0}}, false, (0.125 + 0.25 * (0.5 + 0.5 / 3)) / 0.75, 1.0},
      // Trapezoid from 0.2 (0.4) to 0.6 (0.8).
      {{{0, 0}, {0.2, 0.4}, {0.6, 0.8}, {0.8, 0}},
       false,
       (0.04 * (2 * 0.2 / 3) + 0.24 * (0.2 + 0.4 * (0.4 + 1.6) / 3.6) + 0.08 * (0.6 + 0.2 / 3)) / 0.36,
       -1},
      {{{0, 0}, {1, 0}}, false, 0.0, 0.0},
      {{}, false, 0.0, 0.0},
      {{{0, 0}, {0.4, 1}, {0.6, 1}, {1, 0}}, true, 0.5, 1.0},
      {{{0, 0}, {0.4, 0.7}, {1, 0.2}}, true, 0.4, 0.7},
      {{{0, 0}, {1, 0}}, true, 0.5, 0.0},
  };
  auto v = MakeVariable();
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.expected << (c.meanOfMaxima ? " maxima" : " moment"));
    TRef<IFuzzySet> set = v->NewFuzzySet();
    for (const auto& [x, y] : c.points) set->AddPoint(x, y);
    EXPECT_TRUE(set->IsUndecidable());
    v->SetDefuzzificationMethod(c.meanOfMaxima ? dmMeanOfMaxima : dmCenterOfGravity);
    EXPECT_NEAR(set->Defuzzify(), c.expected, 1e-9);
    const double grade = c.grade >= 0 ? c.grade : set->GetMembership(c.expected);
    EXPECT_NEAR(set->DefuzzifiedGrade(), grade, 1e-9);
    EXPECT_EQ(set->IsUndecidable(), grade == 0.0);
  }
}

TEST(TIFuzzyVariable, UniverseAndChangeEvents) {
  auto v = MakeVariable();
  std::vector<std::string> events;
  v->SetOnChange([&](IFuzzyVariable&) { events.push_back("change"); });
  v->SetOnVariableChange([&](IFuzzyVariable&) { events.push_back("variable"); });
  v->SetMaximum(-5);
  EXPECT_EQ(v->Minimum(), -5.0);
  EXPECT_EQ(v->Maximum(), -5.0);
  v->SetMinimum(3);
  EXPECT_EQ(v->Maximum(), 3.0);
  v->SetMinimum(3);  // unchanged: no events
  v->SetUnits("weeks");
  v->SetThreshold(0.5);
  v->SetName("duration");
  v->SetNumFunctionValues(9);
  EXPECT_EQ(events.size(), 8u);
  EXPECT_EQ(events[0], "change");
  EXPECT_EQ(events[1], "variable");
  EXPECT_EQ(ErrorOf<std::exception>([&] { v->SetMaximum(std::nan("")); }),
            "Invalid fuzzy set argument, nan is not a finite number");
}

TEST(TIFuzzyVariable, TermsAreFiledByName) {
  auto v = MakeVariable();
  TRef<IFuzzySet> high = Term(*v, "high", {{0, 0}, {1, 1}});
  EXPECT_TRUE(high->IsTerm());
  EXPECT_FALSE(v->CreateTerm("__Empty")->IsTerm());
  EXPECT_EQ(v->FindTerm("__Empty")->Name(), "__Empty");
  EXPECT_EQ(ErrorOf<std::exception>([&] { v->CreateTerm("very"); }),
            "Invalid fuzzy set name, \"very\" is a reserved word");
  EXPECT_NE(v->CreateTerm("Very"), nullptr);
  EXPECT_EQ(ErrorOf<std::exception>([&] { v->CreateTerm(""); }), "Argument is null");
  high->SetName("tall");
  EXPECT_EQ(v->FindTerm("high"), nullptr);
  EXPECT_EQ(v->FindTerm("tall"), high.Get());
  // A new term of an existing name replaces it.
  TRef<IFuzzySet> other = Term(*v, "tall", {{0, 1}});
  EXPECT_EQ(v->FindTerm("tall"), other.Get());
  EXPECT_EQ(high->Variable(), v.Get());
  EXPECT_TRUE(v->RemoveTerm("tall"));
  EXPECT_FALSE(v->RemoveTerm("tall"));
  EXPECT_EQ(v->TermCount(), 2);
  int changes = 0;
  v->SetOnFuzzySetChange([&](IFuzzyVariable&, IFuzzySet& set) { changes += &set == v->FindTerm("Very"); });
  v->FindTerm("Very")->AddPoint(0.5, 1);
  EXPECT_EQ(changes, 1);
}

// Copying a term copies its name and variable, so the copy is filed in the
// source's place; the source may be held by nothing but that table.
TEST(TIFuzzyVariable, AssigningATermTakesThePlaceOfItsSource) {
  auto v = MakeVariable();
  v->CreateAutoTerms();
  TRef<IFuzzySet> low(v->FindTerm("low"));
  low->Assign(*v->FindTerm("high"));
  EXPECT_EQ(low->Name(), "high");
  EXPECT_EQ(low->FuzzySet().ValuesText(), "((0.0000 0.0000) (1.0000 1.0000) )");
  EXPECT_EQ(v->FindTerm("high"), low.Get());
  EXPECT_EQ(v->FindTerm("low"), nullptr);
  EXPECT_EQ(v->TermCount(), 2);

  auto other = MakeVariable(0, 1, "other");
  TRef<IFuzzySet> medium = other->CreateTerm("medium");
  medium->Assign(*v->FindTerm("medium"));
  EXPECT_EQ(medium->Variable(), v.Get());
  EXPECT_EQ(v->FindTerm("medium"), medium.Get());
  EXPECT_EQ(other->TermCount(), 0);
  EXPECT_EQ(medium->SetType(), fstTriangle);
  EXPECT_EQ(medium->FuzzySet().ValuesText(), "((0.0000 0.0000) (0.5000 1.0000) (1.0000 0.0000) )");

  // The same through the point-level copy.
  auto third = MakeVariable();
  third->CreateAutoTerms();
  third->FindTerm("medium")->SetExpressionText("centre");
  TRef<IFuzzySet> high(third->FindTerm("high"));
  high->FuzzySet().Assign(third->FindTerm("medium")->FuzzySet());
  EXPECT_EQ(third->FindTerm("medium"), high.Get());
  EXPECT_EQ(high->SetType(), fstTriangle);
  EXPECT_EQ(high->ExpressionText(), "centre");
}

TEST(TIFuzzyVariable, TermsListInTheHashTablesOrders) {
  const char* names[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa"};
  auto v = MakeVariable();
  TIStringHashTable<IFuzzySet> reference;
  for (const char* name : names) {
    Term(*v, name, {});
    reference.Put(name, nullptr);
  }
  std::vector<std::string> listed;
  std::vector<std::string> expected;
  for (const auto& entry : v->Items()) listed.push_back(entry.Key());
  for (const auto& entry : reference) expected.push_back(entry.Key());
  EXPECT_EQ(listed, expected);
  for (std::int32_t i = 0; i < v->TermCount(); ++i) EXPECT_EQ(v->Term(i).Name(), reference.KeyAt(i));
  // A copied variable lists its terms in the same orders.
  auto copy = MakeVariable();
  copy->Assign(*v);
  for (std::int32_t i = 0; i < v->TermCount(); ++i) EXPECT_EQ(copy->Term(i).Name(), v->Term(i).Name());
}

TEST(TIFuzzyVariable, AutoTerms) {
  auto v = MakeVariable(1, 100);
  Term(*v, "high", {{50, 1}});
  v->CreateAutoTerms();
  EXPECT_EQ(v->TermCount(), 3);
  EXPECT_EQ(v->FindTerm("low")->FuzzySet().ValuesText(), "((1.0000 1.0000) (100.0000 0.0000) )");
  EXPECT_EQ(v->FindTerm("medium")->FuzzySet().ValuesText(), "((1.0000 0.0000) (49.5000 1.0000) (100.0000 0.0000) )");
  EXPECT_EQ(v->FindTerm("medium")->SetType(), fstTriangle);
  EXPECT_EQ(v->FindTerm("high")->FuzzySet().ValuesText(), "((50.0000 1.0000) )");  // kept
  auto unit = MakeVariable();
  unit->CreateAutoTerms();
  TRef<IFuzzySet> notLow = unit->FindTerm("low")->Clone();
  notLow->ApplyHedge(0);
  EXPECT_TRUE(notLow->Values().Equals(unit->FindTerm("high")->Values()));
}

TEST(TIFuzzyVariable, AssignAndEquality) {
  TNamePrinter printer;
  auto v = MakeVariable(0, 10, "speed");
  v->SetUnits("km/h");
  v->SetParser(&printer);
  v->CreateAutoTerms();
  auto copy = MakeRef<TIEFuzzyVariable>();
  int events = 0;
  copy->SetOnChange([&](IFuzzyVariable&) { ++events; });
  copy->Assign(*v);
  EXPECT_EQ(events, 1);
  EXPECT_TRUE(copy->Equals(*v));
  EXPECT_TRUE(v->Equals(*copy));
  IFuzzySet& medium = *copy->FindTerm("medium");
  EXPECT_EQ(medium.Variable(), copy.Get());
  EXPECT_EQ(medium.FuzzyParser(), &printer);
  EXPECT_NE(dynamic_cast<TIEFuzzySet*>(&medium), nullptr);
  medium.AddPoint(7, 0.5);
  EXPECT_FALSE(copy->Equals(*v));
  copy->Assign(*v);
  copy->SetUnits("m/s");
  EXPECT_FALSE(copy->Equals(*v));
  copy->Items().Clear();
  EXPECT_EQ(events, 3);
  EXPECT_EQ(copy->TermCount(), 0);
}

TEST(TIFuzzyVariable, SetsNeverOutliveTheVariableTheyPointTo) {
  TRef<IFuzzySet> term;
  {
    auto v = MakeVariable(0, 10, "speed");
    v->SetThreshold(0.25);
    v->CreateAutoTerms();
    term = TRef<IFuzzySet>(v->FindTerm("high"));
  }
  // A term whose variable has gone keeps its universe and threshold.
  ASSERT_NE(term->Variable(), nullptr);
  EXPECT_EQ(term->Variable()->Name(), "speed");
  EXPECT_EQ(term->Variable()->Maximum(), 10.0);
  EXPECT_EQ(term->Variable()->Threshold(), 0.25);
  EXPECT_EQ(term->Variable()->TermCount(), 0);
  EXPECT_NEAR(term->Defuzzify(), 20.0 / 3.0, 1e-9);
  TRef<IFuzzySet> result;
  TRef<IFuzzySet> removed;
  {
    auto v = MakeVariable(0, 10, "speed");
    v->CreateAutoTerms();
    result = v->FindTerm("low")->Union(*v->FindTerm("medium"), foZadeh);
    removed = TRef<IFuzzySet>(v->FindTerm("medium"));
    v->RemoveTerm("medium");
  }
  // The expression result and the removed term keep the variable itself.
  ASSERT_NE(result->Variable(), nullptr);
  EXPECT_EQ(result->Variable(), removed->Variable());
  EXPECT_EQ(result->Variable()->FindTerm("low")->Name(), "low");
  // Moving a set between variables takes it out of the old table.
  auto a = MakeVariable();
  auto b = MakeVariable();
  TRef<IFuzzySet> moving = a->CreateTerm("x");
  moving->SetVariable(b.Get());
  EXPECT_EQ(a->FindTerm("x"), nullptr);
  EXPECT_EQ(b->FindTerm("x"), moving.Get());
  b->Items().Add(FreeSet({}, "free"));
  EXPECT_EQ(b->TermCount(), 1);  // not a term: attached, not filed
}

TEST(TIFuzzyVariable, HugeUniversesComputeOrRaise) {
  auto v = MakeVariable(-1e308, 1e308);
  v->CreateAutoTerms();
  EXPECT_EQ(v->FindTerm("medium")->Values()[1].X(), 1e308);
  TRef<IFuzzySet> either = v->FindTerm("low")->Union(*v->FindTerm("high"), foZadeh);
  EXPECT_EQ(either->FuzzySet().ValuesText().substr(0, 8), "((-10000");
  EXPECT_NEAR(either->GetMembership(0.0), 0.5, 1e-12);
  EXPECT_NEAR(v->FindTerm("low")->MatchSet(*v->FindTerm("high")), 0.5, 1e-12);
  // The level 0.5 is crossed half-way, even though the width overflows.
  EXPECT_EQ(v->FindTerm("high")->CombineConstant(true, 0.5)->Values()[0].X(), 0.0);
  EXPECT_EQ(v->FindTerm("high")->AlphaCut(false, 0.5)->Values()[1].X(), 0.0);
  EXPECT_EQ(ErrorOf<std::exception>([&] { v->FindTerm("high")->MomentDefuzzify(); }),
            "Cannot defuzzify fuzzy set high, its area is not a finite number");
  EXPECT_EQ(v->FindTerm("high")->MeanOfMaxima(), 1e308);
  TRef<IFuzzySet> ends = v->NewFuzzySet();
  ends->AddPoint(-1e308, 1);
  ends->AddPoint(0, 0);
  ends->AddPoint(1e308, 1);
  EXPECT_EQ(ends->MeanOfMaxima(), 0.0);
  EXPECT_EQ(ErrorOf<std::exception>([&] { v->FindTerm("high")->SetSetType(fstTriangle); }),
            "Invalid fuzzy set argument, inf is not a finite number");
  TRef<IFuzzySet> about = v->FindTerm("medium")->Clone();
  about->ApplyHedge(11);
  EXPECT_EQ(about->Values().Count(), 50);
}

TEST(FuzzyWords, LookUps) {
  bool onX = false;
  EXPECT_EQ(FindHedgeWord("very"), 5);
  EXPECT_EQ(FindHedgeWord("Very"), -1);
  EXPECT_EQ(FindAndWord("and-product"), foProduct);
  EXPECT_EQ(FindOrWord("or-sum"), foSum);
  EXPECT_EQ(FindOperatorWord(">=", onX), 8);
  EXPECT_FALSE(onX);
  EXPECT_EQ(FindOperatorWord("/X", onX), 3);
  EXPECT_TRUE(onX);
  EXPECT_EQ(FindOperationName("bounded-sum"), foBoundedSum);
  EXPECT_EQ(FindCorrelationName("product"), fcmProduct);
  EXPECT_EQ(FindInferenceName("min-max"), fimMinMax);
  EXPECT_EQ(InferenceOperation(fimAdditive), foSum);
  EXPECT_EQ(CorrelationOperator(fcmMinimum), 7);
}

}  // namespace
}  // namespace fxe
