// Matching through the engine, rules written in the rule language: node
// sharing, joins, negation, exists and nested negation, unique, multifield
// segments, template inheritance, test patterns, one-shot and disabled
// rules, priming, rule removal and compilation errors.
#include <gtest/gtest.h>

#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TEngineSession;

class MatchingTest : public ::testing::Test {
 protected:
  MatchingTest() {
    session.Run(
        "(deftemplate item (slot kind) (slot size (default 0)))"
        "(deftemplate box (slot size (default 0)) (slot label))"
        "(deftemplate bag (multislot items))");
  }
  std::string Activations() { return session.Agenda(); }
  std::int32_t Fire() { return engine.Run(); }

  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(MatchingTest, JoinsPairFactsOnSharedVariables) {
  session.Run("(defrule fits (item (kind ?k) (size ?s)) (box (size ?s) (label ?l)) => (note ?k ?l))");
  engine.AssertString("(item (kind tool) (size 3))");
  engine.AssertString("(box (size 4) (label big))");
  engine.AssertString("(box (size 3) (label small))");
  engine.AssertString("(item (kind toy) (size 3))");
  EXPECT_EQ(Activations(), "0 fits : f-4, f-3 (1.0000)\n0 fits : f-1, f-3 (1.0000)\n");
  Fire();
  EXPECT_EQ(session.log, (std::vector<std::string>{"toy small", "tool small"}));
}

TEST_F(MatchingTest, EqualFirstPatternsShareTheirNodes) {
  engine.SetWatch({cwCompilation});
  EXPECT_EQ(session.Run("(defrule a (item (kind tool)) (box (size 1)) => )"), "a: +1+1+1+1+2+t\r\n");
  EXPECT_EQ(session.Run("(defrule b (item (kind tool)) (box (size 1)) => )"), "b: =1=1=1=1=2+t\r\n");
  EXPECT_EQ(session.Run("(defrule c (item (kind toy)) => )"), "c: =1+1+t\r\n");
}

// The issue's mended sharing faults: a unique join is not the join of a
// rule that wants every match, and fuzzy constants share only equal sets.
TEST_F(MatchingTest, UniqueIsPartOfJoinSameness) {
  engine.SetWatch({cwCompilation});
  session.Run("(defrule every (item (size ?s)) (box (size ?s)) => )");
  EXPECT_EQ(session.Run("(defrule one (item (size ?s)) (unique (box (size ?s))) => )"), "one: =1=1+2+t\r\n");
  engine.AssertString("(box (size 1) (label x))");
  engine.AssertString("(box (size 1) (label y))");
  engine.AssertString("(item (size 1))");
  EXPECT_EQ(Activations(), "0 one : f-3, f-1 (1.0000)\n0 every : f-3, f-2 (1.0000)\n0 every : f-3, f-1 (1.0000)\n");
}

TEST_F(MatchingTest, FuzzyConstantsShareANodeOnlyWhenTheirSetsAreEqual) {
  engine.SetWatch({cwCompilation});
  session.Run(
      "(deftype LEVEL extends (type FUZZY) (range 0 10))"
      "(deftemplate reading (slot level (type LEVEL)))");
  EXPECT_EQ(session.Run("(defrule very (reading (level very high)) => )"), "very: +1+1+t\r\n");
  EXPECT_EQ(session.Run("(defrule somewhat (reading (level somewhat high)) => )"), "somewhat: =1+1+t\r\n");
  EXPECT_EQ(session.Run("(defrule again (reading (level very high)) => )"), "again: =1=1+t\r\n");
  // Each rule matches 8 with the grade of its own term.
  engine.AssertString("(reading (level 8))");
  EXPECT_EQ(Activations(), "0 somewhat : f-1 (0.9275)\n0 again : f-1 (0.6444)\n0 very : f-1 (0.6444)\n");
}

TEST_F(MatchingTest, NegationMatchesTheAbsenceOfFacts) {
  session.Run("(defrule lonely (item (kind ?k)) (not (box (label ?k))) => )");
  engine.AssertString("(item (kind a))");
  EXPECT_EQ(Activations(), "0 lonely : f-1, f--1 (1.0000)\n");
  const std::int32_t box = engine.AssertString("(box (label a))");
  EXPECT_EQ(Activations(), "");
  engine.AssertString("(box (label a) (size 2))");
  engine.Retract(engine.IndexOfFactId(box));
  EXPECT_EQ(Activations(), "");
  engine.Retract(engine.IndexOfFactId(3));
  EXPECT_EQ(Activations(), "0 lonely : f-1, f--1 (1.0000)\n");
  // Withdrawing the item withdraws the match, boxes or none.
  engine.Retract(engine.IndexOfFactId(1));
  EXPECT_EQ(Activations(), "");
}

TEST_F(MatchingTest, ARuleStartingWithNegationOpensWithTheInitialFact) {
  session.Run("(defrule none (not (item)) => (note none))");
  EXPECT_EQ(Activations(), "0 none : f-0, f--1 (1.0000)\n");
  EXPECT_EQ(engine.FindRule("none")->Pattern(0).Name(), "Initial-Fact");
  session.Run("(defrule always => (note always))");
  EXPECT_EQ(engine.FindRule("always")->PatternCount(), 1);
  Fire();
  EXPECT_EQ(session.log, (std::vector<std::string>{"always", "none"}));
}

// The issue's mended exists: one matching fact for this partial match,
// wherever the pattern stands.
TEST_F(MatchingTest, ExistsAfterOtherPatternsAsksForAMatchOfEachPartialMatch) {
  session.Run("(defrule packed (item (kind ?k)) (exists (box (label ?k))) => (note ?k))");
  engine.AssertString("(item (kind a))");
  engine.AssertString("(item (kind b))");
  EXPECT_EQ(Activations(), "");
  engine.AssertString("(box (label a))");
  EXPECT_EQ(Activations(), "0 packed : f-1, f--1 (1.0000)\n");
  engine.AssertString("(box (label a) (size 9))");
  EXPECT_EQ(Activations(), "0 packed : f-1, f--1 (1.0000)\n");
  const std::int32_t first = engine.IndexOfFactId(3);
  engine.Retract(first);
  EXPECT_EQ(Activations(), "0 packed : f-1, f--1 (1.0000)\n");
  engine.Retract(engine.IndexOfFactId(4));
  EXPECT_EQ(Activations(), "");
  engine.AssertString("(box (label b))");
  Fire();
  EXPECT_EQ(session.log, std::vector<std::string>{"b"});
}

TEST_F(MatchingTest, NotExistsIsTheAbsenceOfAnyMatch) {
  session.Run("(defrule empty (item (kind ?k)) (not (exists (box (label ?k)))) => )");
  engine.AssertString("(item (kind a))");
  EXPECT_EQ(Activations(), "0 empty : f-1, f--1 (1.0000)\n");
  engine.AssertString("(box (label a))");
  EXPECT_EQ(Activations(), "");
}

TEST_F(MatchingTest, UniqueJoinsEachLeftTokenWithOneFact) {
  session.Run("(defrule one (item (size ?s)) (unique (box (size ?s))) => )");
  engine.AssertString("(box (size 1) (label x))");
  engine.AssertString("(box (size 1) (label y))");
  engine.AssertString("(item (size 1))");
  EXPECT_EQ(Activations(), "0 one : f-3, f-1 (1.0000)\n");
}

// The issue's mended segment copies: all N-p+1 cuts of a multislot match.
TEST_F(MatchingTest, MultifieldVariablesMatchEveryCut) {
  session.Run("(defrule cut (bag (items $?front ?x $?rest)) => (note $?front / ?x / $?rest))");
  engine.AssertString("(bag (items a b c))");
  // Longest front segment first: activated in that order, fired newest first.
  EXPECT_EQ(Fire(), 3);
  EXPECT_EQ(session.log, (std::vector<std::string>{"/ a / b c ", "a  / b / c ", "a b  / c / "}));
  session.log.clear();
  // The new rule shares the entry node: priming sends the bag again, so the
  // first rule's cuts are activated again too.
  session.Run("(defrule tail (bag (items ?first $?others)) => (note ?first / $?others))");
  EXPECT_EQ(Fire(), 4);
  EXPECT_EQ(session.log.front(), "a / b c ");
  // Retracting withdraws every cut.
  session.Run("(defrule any (bag (items $? ?y $?)) => )");
  EXPECT_EQ(engine.Agenda().Count(), 7);
  engine.Retract(1);
  EXPECT_EQ(engine.Agenda().Count(), 0);
}

TEST_F(MatchingTest, RepeatedVariablesInAPatternMatchOneValue) {
  session.Run("(defrule twice (pair ?x ?x) => (note ?x)) (defrule apart (pair ?x ~?x) => )");
  engine.AssertString("(pair 1 2)");
  engine.AssertString("(pair 3 3)");
  EXPECT_EQ(Activations(), "0 twice : f-2 (1.0000)\n0 apart : f-1 (1.0000)\n");
}

TEST_F(MatchingTest, PatternsOnATemplateMatchItsDescendants) {
  session.Run("(deftemplate tool extends item (slot weight)) (defrule any-item (item (size ?s)) => )");
  engine.AssertString("(tool (size 2) (weight 5))");
  engine.AssertString("(box)");
  EXPECT_EQ(Activations(), "0 any-item : f-1 (1.0000)\n");
}

TEST_F(MatchingTest, TestPatternsAndPredicatesFilterMatches) {
  session.Run(
      "(defrule bigger (item (size ?a)) (box (size ?b&:(> ?b ?a))) => )"
      "(defrule test-ce (item (size ?a)) (test (> ?a 2)) => )"
      "(defrule either (item (kind tool|toy)) => )"
      "(defrule after (item (size ?a)) (test (> ?a 2)) (box (size ?b)) => (note ?a ?b))");
  engine.AssertString("(item (size 1) (kind toy))");
  engine.AssertString("(item (size 5) (kind rock))");
  engine.AssertString("(box (size 3))");
  EXPECT_EQ(Activations(),
            "0 after : f-2, f--1, f-3 (1.0000)\n0 bigger : f-1, f-3 (1.0000)\n0 test-ce : f-2, f--1 (1.0000)\n"
            "0 either : f-1 (1.0000)\n");
  // The patterns after a test keep their positions: ?b is the box's.
  engine.Run();
  EXPECT_EQ(session.log, std::vector<std::string>{"5 3"});
}

TEST_F(MatchingTest, OneShotAndDisabledRules) {
  session.Run(
      "(defrule once (declare (oneshot TRUE)) (item (size ?s)) => (note once ?s))"
      "(defrule off (declare (enabled FALSE)) (item) => (note off))");
  engine.AssertString("(item (size 1))");
  engine.AssertString("(item (size 2))");
  EXPECT_EQ(Fire(), 2);
  engine.AssertString("(item (size 3))");
  EXPECT_EQ(Fire(), 0);
  engine.Reset();
  engine.AssertString("(item (size 4))");
  EXPECT_EQ(Fire(), 1);
  EXPECT_EQ(session.log, (std::vector<std::string>{"once 2", "once 1", "once 4"}));
  engine.FindRule("off")->SetEnabled(true);
  EXPECT_EQ(Activations(), "0 off : f-1 (1.0000)\n");
}

TEST_F(MatchingTest, ARuleAddedLaterIsPrimedAndSharersAreReannounced) {
  session.Run("(defrule first (item (size ?s)) => )");
  engine.AssertString("(item (size 1))");
  std::vector<std::string> events;
  engine.SetOnAddActivation([&](TInferenceEngine&, std::int32_t index, const TActivation& a) {
    events.push_back("+" + a.Rule().RuleName() + "@" + std::to_string(index));
  });
  engine.SetOnRemoveActivation([&](TInferenceEngine&, std::int32_t index, const TActivation& a) {
    events.push_back("-" + a.Rule().RuleName() + "@" + std::to_string(index));
  });
  session.Run("(defrule second (item (size ?s)) => )");
  EXPECT_EQ(events, (std::vector<std::string>{"-first@0", "+first@0", "+second@0"}));
  EXPECT_EQ(Activations(), "0 second : f-1 (1.0000)\n0 first : f-1 (1.0000)\n");
}

TEST_F(MatchingTest, RemovingARuleWithdrawsItsActivationsAndNodes) {
  const std::int32_t nodes = engine.Network().NodeCount();
  session.Run("(defrule r (item (size ?s)) (box (size ?s)) => )");
  engine.AssertString("(item (size 1))");
  engine.AssertString("(box (size 1))");
  EXPECT_EQ(engine.Agenda().Count(), 1);
  std::vector<std::string> removed;
  engine.SetOnRemoveRule([&](TInferenceEngine&, TRule& rule) { removed.push_back(rule.RuleName()); });
  engine.Rules().Remove("r");
  EXPECT_EQ(removed, std::vector<std::string>{"r"});
  EXPECT_EQ(engine.Agenda().Count(), 0);
  EXPECT_EQ(engine.Network().NodeCount(), nodes);
}

TEST_F(MatchingTest, CompilationErrorsLeaveTheEngineAsItWas) {
  const std::int32_t nodes = engine.Network().NodeCount();
  ExpectError<EIEException>([&] { session.Run("(defrule bad (item (size ?s&:(> ?s ?nowhere))) => )"); },
                            "Unknown variable name: nowhere");
  EXPECT_EQ(engine.FindRule("bad"), nullptr);
  EXPECT_EQ(engine.Network().NodeCount(), nodes);
  // A forward reference to a variable a later pattern binds cannot be tested.
  ExpectError<EIEException>(
      [&] { session.Run("(defrule early (item (size ?s&:(> ?s ?later))) (box (size ?later)) => )"); },
      "Unknown variable name: later");
  EXPECT_EQ(engine.Network().NodeCount(), nodes);
}

TEST_F(MatchingTest, RenamingAndDuplicateRules) {
  session.Run("(defrule a (item) => ) (defrule b (box) => )");
  ExpectError([&] { engine.FindRule("a")->SetRuleName("b"); }, "Duplicate Rules defined with same name: \"b\"");
  engine.FindRule("a")->SetRuleName("c");
  EXPECT_EQ(engine.FindRule("a"), nullptr);
  ASSERT_NE(engine.FindRule("c"), nullptr);
  engine.SetDuplicateConstructs(dcError);
  ExpectError([&] { session.Run("(defrule c (item) => )"); }, "Duplicate Rules defined with same name: \"c\"");
  engine.SetDuplicateConstructs(dcIgnore);
  engine.SetWatch({cwCompilation});
  EXPECT_EQ(session.Run("(defrule c (box) => )"), "");
  EXPECT_EQ(engine.FindRule("c")->Pattern(0).Name(), "item");
}

TEST_F(MatchingTest, JoinProbesVisitOnlyTokensWhoseKeyMayMatch) {
  session.Run("(defrule same (item (size ?s)) (box (size ?s)) => )");
  for (int i = 0; i < 500; ++i) engine.AssertString("(item (size " + std::to_string(i) + "))");
  TReteStatistics& statistics = engine.Network().Statistics();
  const TReteStatistics before = statistics;
  for (int i = 0; i < 500; ++i) engine.AssertString("(box (size " + std::to_string(i) + "))");
  EXPECT_EQ(engine.Agenda().Count(), 500);
  EXPECT_EQ(statistics.tokensVisited - before.tokensVisited, 500u);
  EXPECT_EQ(statistics.probes - before.probes, 500u);
}

}  // namespace
}  // namespace fxe
