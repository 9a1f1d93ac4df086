// Fuzzy inference in the engine: match grades as activation strengths, the
// minimum strength, correlation of asserted fuzzy facts (the clip at the
// strength, or scaling), combination of equal fuzzy facts, and the events
// that may take both over. The project-risk example ends in one combined fact.
#include <gtest/gtest.h>

#include <cmath>

#include "base/FuzzyConsts.h"
#include "engine/InferenceEngine.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TEngineSession;

constexpr std::string_view kRisk = R"(
(deftype RISK extends (type FUZZY) (range 0.0 1.0)
  (values (term increased ((0.0 0.0) (0.1667 0.0556) (0.3333 0.2222) (0.5 0.5) (0.6667 0.7778) (0.8333 0.9444) (1.0 1.0)))))
(deftype LEVEL extends (type FUZZY) (range 0.0 1.0))
(deftemplate risk is-a RISK)
(deftemplate reading (slot id) (slot level (type LEVEL)))
(defrule raise (reading (level high)) => (assert (risk increased)))
)";

class FuzzyInferenceTest : public ::testing::Test {
 protected:
  IFuzzySet& Risk() {
    for (std::int32_t i = 0; i < engine.FactCount(); ++i) {
      IFact& fact = engine.FactAt(i);
      if (fact.Template()->Name() == "risk") return *fact.GetSlotValue("__Data")->AsList()->Item(0)->FuzzyPtr();
    }
    throw std::runtime_error("no risk fact");
  }
  static double Clip(double x, double level) {
    // increased by linear interpolation of its points, then capped.
    const double xs[] = {0.0, 0.1667, 0.3333, 0.5, 0.6667, 0.8333, 1.0};
    const double ys[] = {0.0, 0.0556, 0.2222, 0.5, 0.7778, 0.9444, 1.0};
    for (int i = 1; i < 7; ++i) {
      if (x <= xs[i]) return std::min(level, ys[i - 1] + (ys[i] - ys[i - 1]) * (x - xs[i - 1]) / (xs[i] - xs[i - 1]));
    }
    return std::min(level, 1.0);
  }

  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(FuzzyInferenceTest, MatchGradesBecomeStrengthsAboveTheMinimum) {
  session.Run(kRisk);
  engine.AssertString("(reading (level 0.4))");
  EXPECT_EQ(session.Agenda(), "0 raise : f-1 (0.4000)\n");
  engine.Reset();
  engine.SetMinActivationStrength(0.5f);
  engine.AssertString("(reading (level 0.4))");
  EXPECT_EQ(session.Agenda(), "");
  engine.SetMinActivationStrength(7.0f);
  EXPECT_EQ(engine.MinActivationStrength(), 1.0f);
  EXPECT_EQ(engine.Network().MinActivationStrength(), 1.0f);
}

// The issue's mended correlation: the stored set is min(A(x), s) everywhere,
// with points where the segments cross the cut, not only capped points.
TEST_F(FuzzyInferenceTest, CorrelationByMinimumClipsTheSetAtTheStrength) {
  session.Run(kRisk);
  engine.AssertString("(reading (level 0.4))");
  engine.Run();
  IFuzzySet& risk = Risk();
  EXPECT_EQ(risk.Name(), "increased > 0.4000");
  for (double x : {0.0, 0.2, 0.3333, 0.4, 0.44, 0.47, 0.5, 0.7, 1.0}) {
    SCOPED_TRACE(x);
    EXPECT_NEAR(risk.GetMembership(x), Clip(x, 0.4), 1e-6);
  }
}

TEST_F(FuzzyInferenceTest, CorrelationByProductScalesTheSet) {
  session.Run(kRisk);
  engine.SetFuzzyCorrelationMethod(fcmProduct);
  engine.AssertString("(reading (level 0.4))");
  engine.Run();
  EXPECT_EQ(Risk().Name(), "increased * 0.4000");
  EXPECT_NEAR(Risk().GetMembership(0.5), 0.2, 1e-6);
}

TEST_F(FuzzyInferenceTest, TheCorrelationEventMayTakeOver) {
  session.Run(kRisk);
  float seen = 0.0f;
  engine.SetOnFuzzyCorrelation([&](TInferenceEngine&, IFact&, float strength, bool& done) {
    seen = strength;
    done = true;
  });
  engine.AssertString("(reading (level 0.4))");
  engine.Run();
  EXPECT_FLOAT_EQ(seen, 0.4f);
  EXPECT_EQ(Risk().Name(), "increased");
}

// The issue's mended assertion: the engine correlates and combines a copy,
// so an action asserting its own fact object twice asserts it unchanged.
TEST_F(FuzzyInferenceTest, AssertionWorksOnACopyOfTheFact) {
  session.Function("assert-own", [](TEngineSession& s, IFunCall& call, TIEContext*) {
    IFact& fact = *call.Argument(0)->FactPtr();
    s.Engine().Assert(fact);
    s.log.push_back(fact.GetSlotValue("__Data")->AsList()->Item(0)->FuzzyPtr()->Name());
    return SharedValues().Nil;
  });
  engine.Parser().SlotFunctions().Add("assert-own");
  session.Run(kRisk);
  session.Run("(defrule own (reading (level high)) => (assert-own (risk increased)))");
  engine.FindRule("raise")->SetEnabled(false);
  engine.AssertString("(reading (id 1) (level 0.4))");
  engine.AssertString("(reading (id 2) (level 0.8))");
  engine.Run();
  EXPECT_EQ(session.log, (std::vector<std::string>{"increased", "increased"}));
  // Each firing cut the original set; the second assertion combined the two.
  EXPECT_EQ(FuzzyValueText(Risk()), "[ increased > 0.4000 ] or [ increased > 0.8000 ]");
}

// A fact handed over with AssertOwn is combined in place and asserted itself;
// the combination is the one Assert makes on its copy.
TEST_F(FuzzyInferenceTest, AnOwnedFactIsCombinedInPlace) {
  session.Run(kRisk);
  engine.AssertString("(risk increased)");
  TRef<IFact> kept = engine.ParseFact("(risk increased)");
  engine.Assert(*kept);
  EXPECT_EQ(FuzzyValueText(*kept->GetSlotValue("__Data")->AsList()->Item(0)->FuzzyPtr()), "increased");
  const std::string combined = FuzzyValueText(Risk());
  EXPECT_EQ(combined, "increased or increased");

  TEngineSession other;
  other.Run(kRisk);
  other.Engine().AssertString("(risk increased)");
  TRef<IFact> given = other.Engine().ParseFact("(risk increased)");
  IFact* object = given.Get();
  const std::int32_t index = other.Engine().AssertOwn(std::move(given));
  EXPECT_EQ(&other.Engine().FactAt(other.Engine().FactCount() - 1), object);
  EXPECT_EQ(object->ID(), index);
  EXPECT_EQ(FuzzyValueText(*object->GetSlotValue("__Data")->AsList()->Item(0)->FuzzyPtr()), combined);
  EXPECT_EQ(other.Facts(), session.Facts());
  ExpectError([&] { other.Engine().AssertOwn(nullptr); }, "Fact Template is missing");
}

TEST_F(FuzzyInferenceTest, EqualFuzzyFactsCombineIntoOne) {
  session.Run(kRisk);
  engine.SetFuzzyInferenceMethod(fimAdditive);
  for (int i = 0; i < 3; ++i) engine.AssertString("(risk increased)");
  std::int32_t risks = 0;
  for (std::int32_t i = 0; i < engine.FactCount(); ++i) risks += engine.FactAt(i).Template()->Name() == "risk";
  EXPECT_EQ(risks, 1);
  EXPECT_EQ(FuzzyValueText(Risk()), "increased or-sum [ increased or-sum increased ]");
  // An unconditional combination by sum has no intersection: nothing changes.
  TRef<IFact> again = engine.ParseFact("(risk increased)");
  const std::string before = session.Facts();
  ExpectError<EFzyException>([&] { engine.AssertWith(*again, fimAdditive, true); }, "Invalid fuzzy operation: foSum");
  EXPECT_EQ(session.Facts(), before);
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimAdditive);
}

TEST_F(FuzzyInferenceTest, CombiningNeedsOneFuzzyTemplate) {
  session.Run(kRisk);
  session.Run("(deftemplate plain (slot x))");
  TRef<IFact> risk = engine.ParseFact("(risk increased)");
  TRef<IFact> reading = engine.ParseFact("(reading (level 0.4))");
  TRef<IFact> plain = engine.ParseFact("(plain (x 1))");
  ExpectError([&] { engine.CombineFacts(*risk, *reading); },
              "Cannot union two facts with different fact templates: risk and reading");
  ExpectError([&] { engine.CombineFacts(*plain, *plain); }, "Fact is not a fuzzy fact");
  bool asked = false;
  engine.SetOnFuzzyInference([&](TInferenceEngine&, IFact&, const IFact&, bool& done) { done = asked = true; });
  engine.CombineFacts(*plain, *plain);
  EXPECT_TRUE(asked);
}

TEST_F(FuzzyInferenceTest, TheThresholdReachesEveryFuzzyType) {
  session.Run(kRisk);
  engine.SetFuzzyEqualsThreshold(0.3f);
  EXPECT_FLOAT_EQ(engine.FindDefinedType("LEVEL")->FuzzyVariable()->Threshold(), 0.3f);
  EXPECT_FLOAT_EQ(engine.FindDefinedType("RISK")->FuzzyVariable()->Threshold(), 0.3f);
  engine.SetFuzzyEqualsThreshold(-2.0f);
  EXPECT_FLOAT_EQ(engine.FuzzyEqualsThreshold(), 0.0f);
}

// The stored project-risk example: five rules match with strength 1, the
// underfunded one does not, and five assertions of (risk increased) under
// the additive method leave one combined fact.
TEST_F(FuzzyInferenceTest, TheProjectRiskExample) {
  session.Run(R"(
(deftype RISK extends (type FUZZY) (range 0.0 1.0)
  (values (term increased ((0.0 0.0) (0.1667 0.0556) (0.3333 0.2222) (0.5 0.5) (0.6667 0.7778) (0.8333 0.9444) (1.0 1.0)))))
(deftype COMPLEXITY extends (type FUZZY) (range 0.0 1.0))
(deftype VISIBILITY extends (type FUZZY) (range 0.0 1.0))
(deftype PRIORITY extends (type FUZZY) (range 0.0 1.0))
(deftype DURATION extends (type FUZZY) (range 1 52) (units weeks) (values (term long ((1 0) (52 1)))))
(deftype FUNDING extends (type FUZZY) (range 1 100) (units Thousands) (values (term large ((1 0) (100 1)))))
(deftype STAFFING extends (type FUZZY) (range 1 100) (values (term large ((1 0) (100 1)))))
(deftemplate project (slot funding (type FUNDING) (default 50)) (slot complexity (type COMPLEXITY) (default 0.5))
  (slot priority (type PRIORITY) (default 0.5)) (slot visibility (type VISIBILITY) (default 0.5))
  (slot staffing (type STAFFING) (default 50)) (slot duration (type DURATION) (default 26)))
(deftemplate risk is-a RISK)
(defrule high-visibility-project (project (visibility high)) => (assert (risk increased)))
(defrule underfunded-project (project (funding low)) => (assert (risk increased)))
(defrule complex-project (project (complexity high)) => (assert (risk increased)))
(defrule high-priority-project (project (priority high)) => (assert (risk increased)))
(defrule large-staff-project (project (staffing large)) => (assert (risk increased)))
(defrule long-project (project (duration long)) => (assert (risk increased)))
)");
  engine.SetFuzzyInferenceMethod(fimAdditive);
  engine.AssertString(
      "(project (complexity 1) (duration 52) (funding 100) (priority 1) (staffing 100) (visibility 1))");
  std::vector<std::string> rules;
  for (std::int32_t i = 0; i < engine.Agenda().Count(); ++i) {
    const TActivation& activation = engine.Agenda().Activation(i);
    EXPECT_EQ(activation.Strength(), 1.0f);
    rules.push_back(activation.Rule().RuleName());
  }
  std::sort(rules.begin(), rules.end());
  EXPECT_EQ(rules, (std::vector<std::string>{"complex-project", "high-priority-project", "high-visibility-project",
                                             "large-staff-project", "long-project"}));
  EXPECT_EQ(engine.Run(), 5);
  ASSERT_EQ(engine.FactCount(), 3);
  EXPECT_EQ(engine.FactAt(2).AsString(),
            "(risk increased or-sum [ increased or-sum [ increased or-sum [ increased or-sum increased ] ] ] )");
}

}  // namespace
}  // namespace fxe
