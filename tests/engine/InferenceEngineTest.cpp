// The engine: creation, assertion and duplicates, retraction, reset and
// clear, the run loop and its limit, strategies, watches and events, errors
// in actions, deep chains of rule-driven assertions, globals.
#include "engine/InferenceEngine.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TEngineSession;

class TInferenceEngineTest : public ::testing::Test {
 protected:
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(TInferenceEngineTest, StartsWithTheInitialFactAndTheImpliedTemplates) {
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\n");
  EXPECT_EQ(engine.NextFactIndex(), 1);
  std::vector<std::string> templates;
  for (const auto& entry : engine.FactTemplateTable())
    templates.push_back(entry.Key() + " " + entry.Value()->Comment());
  EXPECT_EQ(templates, (std::vector<std::string>{"__NOT-OR-TEST-CE* (Implied)", "Initial-Fact (Implied)"}));
  EXPECT_FLOAT_EQ(engine.FuzzyEqualsThreshold(), 0.01f);
  EXPECT_EQ(engine.Strategy(), ssDepthFirst);
  EXPECT_EQ(engine.Packages(), AllFunctionPackages);
  EXPECT_TRUE(engine.TypeChecks() == TTypeChecks{tcStatic});
}

TEST_F(TInferenceEngineTest, RefusesDuplicatesUnlessAllowed) {
  std::vector<std::string> asserted;
  engine.SetOnAssertion([&](TInferenceEngine&, const IFact& fact) { asserted.push_back(fact.AsString()); });
  engine.SetWatch({cwFact});
  EXPECT_EQ(engine.AssertString("(a 1)"), 1);
  session.output.clear();
  EXPECT_EQ(engine.AssertString("(a 1)"), -1);
  EXPECT_EQ(session.output, "");
  EXPECT_EQ(asserted, std::vector<std::string>{"(a 1 )"});
  engine.SetFactDuplication(true);
  EXPECT_EQ(engine.AssertString("(a 1)"), 2);
  EXPECT_EQ(session.output, " ==> f-2 (a 1 )\r\n");
}

TEST_F(TInferenceEngineTest, RetractsByTextAndPosition) {
  engine.AssertString("(a 1)");
  engine.AssertString("(a 2)");
  engine.AssertString("(a 3)");
  EXPECT_EQ(engine.RetractString("(a 2)"), 2);
  EXPECT_EQ(engine.RetractString("(a 2)"), -1);
  engine.Retract(1);
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-3 (a 3 )\n");
  EXPECT_EQ(engine.IndexOfFactId(3), 1);
  EXPECT_EQ(engine.IndexOfFactId(2), -1);
  ExpectError([&] { engine.Retract(5); }, "List index out of bounds (5)");
}

TEST_F(TInferenceEngineTest, ResetRestartsIndicesWithTheInitialFactAndTheFactSets) {
  session.Run("(deffacts start (a 1) (b 2))");
  engine.AssertString("(c 3)");
  engine.Reset();
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-1 (a 1 )\nf-2 (b 2 )\n");
}

TEST_F(TInferenceEngineTest, ClearKeepsHostFunctionsAndDropsDeffunctions) {
  session.Run("(deffunction twice (?x) (* ?x 2)) (defglobal ?*g* = 1) (defrule r (a) => )");
  ASSERT_TRUE(engine.FindFunction("twice"));
  engine.Clear();
  EXPECT_FALSE(engine.FindFunction("twice"));
  EXPECT_TRUE(engine.FindFunction("note"));
  EXPECT_EQ(engine.FindRule("r"), nullptr);
  EXPECT_EQ(engine.EngineContext().FindGlobal("*g*"), nullptr);
  EXPECT_EQ(engine.FactCount(), 0);
  EXPECT_TRUE(engine.FindFactTemplate("Initial-Fact"));
  EXPECT_TRUE(engine.FindFactTemplate("__NOT-OR-TEST-CE*"));
  EXPECT_FALSE(engine.FindFactTemplate("a"));
}

TEST_F(TInferenceEngineTest, RunFiresUpToItsLimitAndContinues) {
  std::vector<std::string> events;
  engine.SetOnStartInference([&](TInferenceEngine&) { events.push_back("start"); });
  engine.SetOnEndInference(
      [&](TInferenceEngine&, std::int32_t fired) { events.push_back("end " + std::to_string(fired)); });
  EXPECT_EQ(engine.Run(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"start", "end 0"}));
  session.Run("(defrule r (n ?n) => (note ?n))");
  for (int i = 0; i < 10; ++i) engine.AssertString("(n " + std::to_string(i) + ")");
  EXPECT_EQ(engine.Run(3), 3);
  EXPECT_EQ(session.log, (std::vector<std::string>{"9", "8", "7"}));
  EXPECT_EQ(engine.Run(), 7);
  EXPECT_EQ(session.log.back(), "0");
}

TEST_F(TInferenceEngineTest, StrategiesAndSalienceOrderTheFirings) {
  session.Run(
      "(defrule low (declare (salience -5)) (n ?n) => (note low ?n))"
      "(defrule high (declare (salience 5)) (n ?n) => (note high ?n))");
  engine.SetStrategy(ssBreadthFirst);
  engine.AssertString("(n 1)");
  engine.AssertString("(n 2)");
  engine.Run();
  // Breadth-first appends behind the last run of equal salience; the
  // bisection lands inside any other run at the first equal activation it meets.
  EXPECT_EQ(session.log, (std::vector<std::string>{"high 2", "high 1", "low 1", "low 2"}));
  // Depth-first puts the newest first within a salience.
  engine.SetStrategy(ssDepthFirst);
  session.log.clear();
  engine.AssertString("(n 3)");
  engine.AssertString("(n 4)");
  engine.Run();
  EXPECT_EQ(session.log, (std::vector<std::string>{"high 4", "high 3", "low 4", "low 3"}));
}

TEST_F(TInferenceEngineTest, ChangingTheStrategyAnnouncesEveryActivationAgain) {
  session.Run("(defrule r (n ?n) => )");
  engine.AssertString("(n 1)");
  engine.AssertString("(n 2)");
  std::vector<std::int32_t> indices;
  engine.SetOnAddActivation(
      [&](TInferenceEngine&, std::int32_t index, const TActivation&) { indices.push_back(index); });
  engine.SetWatch({cwActivation});
  session.output.clear();
  engine.SetStrategy(ssBreadthFirst);
  EXPECT_EQ(indices, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(session.output, "==> Activation: 0 r : f-2 (1.0000)\r\n==> Activation: 0 r : f-1 (1.0000)\r\n");
  EXPECT_EQ(session.Agenda(), "0 r : f-2 (1.0000)\n0 r : f-1 (1.0000)\n");
}

TEST_F(TInferenceEngineTest, WatchesTraceFiringsActivationsAndCompilations) {
  engine.SetWatch({cwRule, cwActivation, cwCompilation});
  // The class of n, then the length of its ordered fields.
  EXPECT_EQ(session.Run("(defrule r (n ?n) => (printout t \"got \" ?n crlf))"), "r: +1+1+t\r\n");
  EXPECT_EQ(session.Run("(defrule s (n ?n) => )"), "s: =1=1+t\r\n");
  session.output.clear();
  engine.AssertString("(n 7)");
  EXPECT_EQ(session.output, "==> Activation: 0 r : f-1 (1.0000)\r\n==> Activation: 0 s : f-1 (1.0000)\r\n");
  session.output.clear();
  engine.Run();
  EXPECT_EQ(session.output,
            "FIRE 0 s f-1\r\n<== Activation: s : f-1\r\n"
            "FIRE 1 r f-1\r\ngot 7\r\n<== Activation: r : f-1\r\n");
}

TEST_F(TInferenceEngineTest, StatisticsArePrintedOnlyWhenRulesFired) {
  engine.SetWatch({cwStatistics});
  std::int32_t ended = -1;
  engine.SetOnEndInference([&](TInferenceEngine&, std::int32_t fired) { ended = fired; });
  session.output.clear();
  engine.Run();
  EXPECT_EQ(session.output, "");
  EXPECT_EQ(ended, 0);
  session.Run("(defrule r (n ?n) => )");
  engine.AssertString("(n 1)");
  session.output.clear();
  engine.Run();
  EXPECT_EQ(ended, 1);
  EXPECT_NE(session.output.find("1 rules fired.     Run time is "), std::string::npos);
  EXPECT_NE(session.output.find(" rules per second\r\n"), std::string::npos);
  EXPECT_NE(session.output.find("2.0000 mean number of facts (2 maximum)\r\n"), std::string::npos);
  EXPECT_NE(session.output.find("0.0000 mean number of activations (1 maximum)\r\n"), std::string::npos);
}

// Fact sets are found by name through an index that follows renames: a set
// renamed in place is found under its new name only, and a deffacts of that
// name replaces it in its place.
TEST_F(TInferenceEngineTest, FactSetsAreFoundByTheirCurrentName) {
  session.Run("(deffacts a (x 1)) (deffacts b (x 2)) (deffacts c (x 3))");
  TFactSets& sets = engine.FactSets();
  EXPECT_EQ(sets.FindByName("b"), 1);
  sets.Item(1).SetFactSetName("renamed");
  EXPECT_EQ(sets.FindByName("b"), -1);
  EXPECT_EQ(sets.FindByName("renamed"), 1);
  session.Run("(deffacts b (x 4))");
  EXPECT_EQ(sets.Count(), 4);
  EXPECT_EQ(sets.FindByName("b"), 3);
  session.Run("(deffacts renamed (x 5))");
  ASSERT_EQ(sets.Count(), 4);
  EXPECT_EQ(sets.Item(1).AsString(), "(deffacts renamed\r\n    (x 5 )\r\n)");
  // Two sets may come to share a name by renaming; the first listed is found.
  sets.Item(3).SetFactSetName("a");
  EXPECT_EQ(sets.FindByName("a"), 0);
  EXPECT_TRUE(sets.Delete("a"));
  EXPECT_EQ(sets.FindByName("a"), 2);
  EXPECT_TRUE(sets.Delete("a"));
  EXPECT_EQ(sets.FindByName("a"), -1);
  EXPECT_EQ(sets.Count(), 2);
}

// A template defined over an implied one of its name: the facts that rule
// actions and deffunction bodies assert move to it, as they would after
// saving and loading; a deffunction with a fact the new template cannot hold
// is left out, as a rule on the template is and as loading would refuse it.
TEST_F(TInferenceEngineTest, AFactInActionsMovesToTheTemplateThatReplacesItsImpliedOne) {
  session.Run(
      "(deffunction ad () (assert (counter)))"
      "(deffunction bad (?x) (assert (pair ?x)))"
      "(defrule mk (go) => (assert (counter)))"
      "(deftemplate counter (slot n (default 0)))"
      "(deftemplate pair (slot a))"
      "(defrule seen (counter (n ?n)) => (note seen ?n))");
  EXPECT_EQ(engine.FormatFunction(*engine.FindFunction("ad")),
            "(deffunction ad ()\r\n    (assert (counter (n 0)))\r\n)\r\n");
  EXPECT_FALSE(engine.FindFunction("bad"));
  EXPECT_NE(engine.FindRule("mk")->AsString().find("(assert (counter (n 0)))"), std::string::npos);
  session.Run("(reset) (ad) (run) (retract 1) (assert (go)) (run)");
  EXPECT_EQ(session.log, (std::vector<std::string>{"seen 0", "seen 0"}));
}

// A template that extended one redefined or removed keeps its slots but no
// longer names the old parent, which no engine could read it with.
TEST_F(TInferenceEngineTest, ATemplateWhoseParentIsRedefinedOrRemovedExtendsNothing) {
  for (const char* change : {"(deftemplate base)", "(undeftemplate base)"}) {
    SCOPED_TRACE(change);
    TEngineSession fresh;
    fresh.Run("(deftemplate base (slot b)) (deftemplate d extends base (slot e))");
    fresh.Run(change);
    const TRef<IFactTemplate> d = fresh.Engine().FindFactTemplate("d");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Parent(), nullptr);
    EXPECT_EQ(d->AsString(), "(deftemplate d\r\n    (slot b )\r\n    (slot e )\r\n)");
  }
}

TEST_F(TInferenceEngineTest, AnErrorInAnActionEndsRunAndLeavesTheEngineUsable) {
  session.Run(
      "(defrule bad (declare (salience 1)) (n ?n&:(> ?n 5)) => (fail))"
      "(defrule good (n ?n) => (note ?n))");
  engine.AssertString("(n 9)");
  engine.AssertString("(n 1)");
  ExpectError([&] { engine.Run(); }, "the action failed");
  EXPECT_EQ(engine.CurrentActivation(), nullptr);
  // The failed activation is gone; the others fire on the next run.
  EXPECT_EQ(session.Agenda(), "0 good : f-2 (1.0000)\n0 good : f-1 (1.0000)\n");
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(session.log, (std::vector<std::string>{"1", "9"}));
  engine.AssertString("(n 3)");
  EXPECT_EQ(engine.Run(), 1);
}

TEST_F(TInferenceEngineTest, RuleDrivenLoopsAreBoundedByTheRunLimitOnly) {
  session.Run(
      "(deftemplate counter (slot n))"
      "(defrule count ?c <- (counter (n ?n)) => (modify ?c (n (+ ?n 1))))");
  engine.AssertString("(counter (n 0))");
  EXPECT_EQ(engine.Run(200000), 200000);
  EXPECT_EQ(session.Facts(), "f-000000 (Initial-Fact)\nf-200001 (counter (n 200000))\n");
}

TEST_F(TInferenceEngineTest, BindOfAGlobalInActionsChangesTheGlobal) {
  session.Run(
      "(defglobal ?*count* = 0)"
      "(deffunction bump () (bind ?*count* (+ ?*count* 10)))"
      "(defrule r (n ?n) => (bind ?*count* (+ ?*count* ?n)) (bump) (bind ?*fresh* 1))");
  engine.AssertString("(n 1)");
  engine.AssertString("(n 2)");
  engine.Run();
  EXPECT_EQ(engine.EngineContext().FindGlobal("*count*")->Value()->AsText(), "23");
  EXPECT_EQ(engine.EngineContext().FindGlobal("*fresh*")->Value()->AsText(), "1");
  engine.Reset();
  EXPECT_EQ(engine.EngineContext().FindGlobal("*count*")->Value()->AsText(), "0");
}

TEST_F(TInferenceEngineTest, PatternVariablesCanBeReboundInActions) {
  session.Run("(defrule r (n ?n) => (bind ?n (+ ?n 100)) (note ?n) (note ?__RULE))");
  engine.AssertString("(n 1)");
  engine.Run();
  EXPECT_EQ(session.log, (std::vector<std::string>{"101", "\"r\""}));
}

TEST_F(TInferenceEngineTest, SymbolsAndValuesFromText) {
  EXPECT_EQ(engine.Gensym("g"), "g0");
  engine.SetSymbolIndex(10);
  EXPECT_EQ(engine.Gensym("g"), "g10");
  engine.SetSymbolIndex(3);
  EXPECT_EQ(engine.SymbolIndex(), 12);
  EXPECT_EQ(engine.ParseValue("\"\"quoted\"\"", dtString)->AsText(), "\"quoted\"");
  EXPECT_EQ(engine.ParseValue("42", dtInteger)->AsInteger(), 42);
  EXPECT_EQ(engine.ParseValue("a b c", dtList)->AsText(), "a b c ");
  EXPECT_EQ(engine.ParseValue("(note 1)", dtFunCall)->DType(), dtFunCall);
  ExpectError([&] { engine.ParseValue("x", dtObject); }, "Unable to parse strings of dtObject at this time");
  ExpectError([&] { engine.ParseValue("x", static_cast<TIEType>(40)); },
              "Unable to parse strings of Unknown Type (40) at this time");
}

TEST_F(TInferenceEngineTest, PrintingToAnUnknownNameNeedsAHandler) {
  engine.Output("log", "dropped");
  TInferenceEngine bare;
  ExpectError([&] { bare.Output("log", "x"); }, "Function is unimplemented or unassigned: printout");
  EXPECT_NO_THROW(bare.Output("t", "nobody listens"));
}

// Destroy watchers are told in the order they came, once each, without the
// ones that left (also when most have left and the list closed up) and
// without one that an earlier watcher takes away while being told.
TEST(TInferenceEngineWatchers, AreToldInTheirOrderWithoutThoseThatLeft) {
  struct TWatcher final : IReasonerWatcher {
    std::vector<int>* told = nullptr;
    int number = 0;
    std::function<void()> onTold;
    void ReasonerDestroyed(IReasoner&) override {
      told->push_back(number);
      if (onTold) onTold();
    }
  };
  std::vector<int> told;
  std::vector<TWatcher> watchers(10);
  {
    TInferenceEngine engine;
    for (int i = 0; i < 10; ++i) {
      watchers[i].told = &told;
      watchers[i].number = i;
      engine.AddDestroyWatcher(watchers[i]);
    }
    engine.AddDestroyWatcher(watchers[3]);
    for (int i : {0, 2, 4, 5, 6, 8}) engine.RemoveDestroyWatcher(watchers[i]);
    engine.RemoveDestroyWatcher(watchers[0]);
    engine.AddDestroyWatcher(watchers[2]);
    watchers[1].onTold = [&] { engine.RemoveDestroyWatcher(watchers[7]); };
  }
  EXPECT_EQ(told, (std::vector<int>{1, 3, 9, 2}));
}

}  // namespace
}  // namespace fxe
