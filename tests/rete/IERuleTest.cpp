// Rules: names and numbers, registration, the preparation of patterns
// (initial pattern, bindings, negated anonymous variables, goals), binding a
// token and firing, copies and the printed rule text.
#include "rete/IERule.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "model/IEPackages.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TTestFunCall;
using test::TTestReasoner;
using test::TTestToken;

// An engine with the templates project (complexity, name, staff: a multislot)
// and risk (level), and the implied template of ordered x facts.
class TRuleTest : public ::testing::Test {
 protected:
  TRuleTest() {
    auto project = MakeRef<TFactTemplate>(&engine, "project");
    project->AddSlot("name", NewAtom("none"));
    project->AddSlot("complexity", NewAtom("low"));
    project->AddMultiSlot("staff", NewList());
    engine.AddFactTemplate(project);
    auto risk = MakeRef<TFactTemplate>(&engine, "risk");
    risk->AddSlot("level", NewAtom("low"));
    engine.AddFactTemplate(risk);
  }

  std::unique_ptr<TIEPattern> Pattern(std::string_view templateName, std::int32_t negated = 0) {
    return std::make_unique<TIEPattern>(nullptr, negated, engine.GetImpliedTemplate(templateName));
  }

  TRef<IFact> Project(std::string_view name, std::initializer_list<std::string_view> staff) {
    TRef<IFact> fact = engine.GetImpliedTemplate("project")->CreateFact();
    fact->SetSlotValue("name", NewAtom(name));
    auto list = MakeRef<TValueVector>();
    for (std::string_view person : staff) list->Add(NewAtom(person));
    fact->SetSlotValue("staff", NewList(std::move(list)));
    fact->SetID(nextId_++);
    return fact;
  }

  // A rule ?p <- (project (name ?n) (staff ?first $?others)).
  std::unique_ptr<TRule> ProjectRule() {
    auto rule = std::make_unique<TRule>(&engine);
    auto pattern = Pattern("project");
    pattern->SetBoundName("p");
    pattern->AddTest("name", NewVariable("n").Get(), false);
    pattern->AddTest("staff", NewVariable("first").Get(), false, 0);
    pattern->AddTest("staff", MakeRef<TIEValue>("others", dtMultiVariable).Get(), false, 1);
    rule->AddPattern(std::move(pattern));
    return rule;
  }

  static std::string BindingsText(const TRule& rule) {
    std::string text;
    for (std::int32_t i = 0; i < rule.BindingCount(); ++i) text += rule.Binding(i).AsString() + "\n";
    return text;
  }

  TTestReasoner engine;

 private:
  std::int32_t nextId_ = 1;
};

// --- Names, numbers, registration --------------------------------------------------------------

TEST_F(TRuleTest, DefaultNamesCountTheEnginesRules) {
  for (int i = 0; i < 3; ++i) TRule made(&engine);
  TRule rule(&engine);
  EXPECT_EQ(rule.RuleNumber(), 3);
  EXPECT_EQ(rule.RuleName(), "Rule_3");
  EXPECT_EQ(TRule().RuleName(), "Rule_0");
}

TEST_F(TRuleTest, RefusesNamesWithSeparators) {
  TRule rule(&engine);
  rule.SetRuleName("good-name");
  for (std::string_view bad : {"a b", "a:b", "(x", "x)", "?x", "a;b", "a\"b", "$x", "a<b", "#1"}) {
    SCOPED_TRACE(bad);
    const std::size_t at = bad.find_first_of(" :()?;\"$<#");
    ExpectError([&] { rule.SetRuleName(bad); }, "Invalid name \"" + std::string(bad) + "\", the character '" +
                                                    std::string(bad.substr(at, 1)) + "' is not allowed");
    EXPECT_EQ(rule.RuleName(), "good-name");
  }
}

TEST_F(TRuleTest, RegisteredRuleMovesToItsNewName) {
  TRule& first = engine.AddRule(std::make_unique<TRule>(&engine));
  TRule& second = engine.AddRule(std::make_unique<TRule>(&engine));
  first.SetRuleName("renamed");
  EXPECT_EQ(engine.FindRule("renamed"), &first);
  EXPECT_EQ(engine.FindRule("Rule_0"), nullptr);
  ExpectError([&] { second.SetRuleName("renamed"); }, "Duplicate Rules defined with same name: \"renamed\"");
  EXPECT_EQ(second.RuleName(), "Rule_1");
  EXPECT_EQ(engine.FindRule("Rule_1"), &second);
}

TEST_F(TRuleTest, ChangesReachTheEngineOnlyForTheRegisteredRule) {
  TRule& registered = engine.AddRule(std::make_unique<TRule>(&engine));
  TRule loose(&engine);
  loose.SetRuleName("other");
  int events = 0;
  registered.SetOnChange([&events](TRule&) { ++events; });
  registered.SetOneShot(true);
  loose.SetOneShot(true);
  registered.BeginUpdate();
  registered.SetEnabled(false);
  registered.AddPattern(Pattern("risk"));
  registered.AddAction(MakeRef<TTestFunCall>("act", [](IIEContext*) { return SharedValues().Nil; }));
  registered.EndUpdate();
  EXPECT_EQ(engine.ChangedRules(), (std::vector<std::string>{"Rule_0", "Rule_0"}));
  EXPECT_EQ(events, 2);
  registered.Pattern(0).SetUnique(true);
  EXPECT_EQ(engine.ChangedRules().size(), 3u);
  // A new salience expression is a change; the same one again is not.
  registered.SetSalienceExpression(NewInteger(4));
  registered.SetSalienceExpression(NewInteger(4));
  EXPECT_EQ(engine.ChangedRules().size(), 4u);
}

TEST_F(TRuleTest, EngineChangesOnlyForUnregisteredRules) {
  TTestReasoner other;
  TRule rule(&engine);
  rule.SetEngine(&other);
  EXPECT_EQ(rule.Engine(), &other);
  EXPECT_EQ(rule.RuleNumber(), 0);
  EXPECT_EQ(other.NextRuleNumber(), 1);

  TRule& registered = engine.AddRule(std::make_unique<TRule>(&engine));
  ExpectError([&] { registered.SetEngine(&other); },
              "Rule Rule_1 is registered with its engine and cannot change engines");
  EXPECT_EQ(registered.Engine(), &engine);
}

TEST(TRule, LosesItsEngineWhenTheEngineIsDestroyed) {
  TRule rule;
  {
    TTestReasoner engine;
    rule.SetEngine(&engine);
  }
  EXPECT_EQ(rule.Engine(), nullptr);
  ExpectError([&] { rule.Fire(TTestToken({})); }, "Unknown/Undefined Inference Engine");
}

// --- Patterns and bindings ----------------------------------------------------------------------------

TEST_F(TRuleTest, PatternsNeedAnEngine) {
  TRule rule;
  ExpectError([&] { rule.AddPattern(Pattern("risk")); }, "Unknown/Undefined Inference Engine");
  EXPECT_EQ(rule.PatternCount(), 0);
}

TEST_F(TRuleTest, InitialPatternOpensRulesThatCannotStartAMatch) {
  struct Row {
    std::string_view name;
    std::function<std::unique_ptr<TIEPattern>()> first;
    bool initial;
  };
  const Row rows[] = {
      {"not", [&] { return Pattern("x", 1); }, true},
      {"exists", [&] { return Pattern("x", 2); }, true},
      {"test", [&] { return std::make_unique<TIEPattern>(nullptr, 0, engine.GetImpliedTemplate("test"), "test"); },
       true},
      {"backward chaining",
       [&] {
         engine.GetImpliedTemplate("goal")->SetBackwardChaining(true);
         return Pattern("goal");
       },
       true},
      {"plain", [&] { return Pattern("x"); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TRule rule(&engine);
    rule.AddPattern(row.first());
    rule.AddPattern(Pattern("y", 1));  // a later negated pattern brings nothing
    ASSERT_EQ(rule.PatternCount(), row.initial ? 3 : 2);
    EXPECT_EQ(rule.Pattern(0).Name(), row.initial ? "Initial-Fact" : "x");
    EXPECT_NE(&rule.Pattern(0), engine.InitialPattern());
    EXPECT_EQ(rule.Pattern(0).Owner(), &rule);
  }
}

TEST_F(TRuleTest, BindsEachVariableWhereItIsFirstUsed) {
  std::unique_ptr<TRule> rule = ProjectRule();
  auto risk = Pattern("risk");
  risk->AddTest("level", NewVariable("n").Get(), false);  // bound already
  risk->AddTest("level", NewVariable("l").Get(), false);
  rule->AddPattern(std::move(risk));
  EXPECT_EQ(BindingsText(*rule),
            "name=p FactIdx=0 SlotIdx=__PATTERN\n"
            "name=n FactIdx=0 SlotIdx=name\n"
            "name=first FactIdx=0 SlotIdx=staff SubIdx=0\n"
            "name=others FactIdx=0 SlotIdx=staff SubIdx=1\n"
            "name=l FactIdx=1 SlotIdx=level\n");
  EXPECT_EQ(rule->BindingIndex("l"), 4);
  EXPECT_EQ(rule->BindingIndex("missing"), -1);
  EXPECT_EQ(&rule->AddBinding("n", 0, -1, "name"), rule->FindBinding("n"));
  EXPECT_EQ(rule->BindingCount(), 5);
}

TEST_F(TRuleTest, RefusesAVariableFirstUsedInAnInequality) {
  std::unique_ptr<TRule> rule = ProjectRule();
  const std::string before = BindingsText(*rule);
  auto risk = Pattern("risk");
  risk->AddTest("level", NewVariable("n").Get(), true);  // ?n is bound: fine
  risk->AddTest("level", NewVariable("x").Get(), true);
  ExpectError([&] { rule->AddPattern(std::move(risk)); }, "First Use of Variable is negated, variable name is x");
  EXPECT_EQ(rule->PatternCount(), 1);
  EXPECT_EQ(BindingsText(*rule), before);
}

TEST_F(TRuleTest, FailedFirstPatternTakesTheInitialPatternBack) {
  TRule rule(&engine);
  auto negated = Pattern("x", 1);
  negated->AddTest("__Data", NewVariable("v").Get(), true, 0);
  EXPECT_THROW(rule.AddPattern(std::move(negated)), EIEException);
  EXPECT_EQ(rule.PatternCount(), 0);
  EXPECT_EQ(rule.BindingCount(), 0);
}

TEST_F(TRuleTest, AnonymousVariablesOfNegatedPatternsStayInvisible) {
  std::unique_ptr<TRule> rule = ProjectRule();
  auto negated = Pattern("risk", 1);
  negated->AddTest("level", NewVariable("_blank_7").Get(), false);
  negated->AddTest("level", MakeRef<TIEValue>(TRef<IFunCall>(MakeRef<TFunctionCall>(nullptr, "f"))).Get(), false);
  negated->SlotTest(0, 1).SlotValue()->FunCallPtr()->AddArgument(NewVariable("_blank_7"));
  TIEPattern& added = rule->AddPattern(std::move(negated));
  EXPECT_EQ(added.AsString(), "(not (risk (level ?_2__blank_7&:(f ?_2__blank_7)) ))");
  EXPECT_EQ(rule->FindBinding("_blank_7"), nullptr);
  ASSERT_NE(rule->FindBinding("_2__blank_7"), nullptr);

  // The negation fact at the negated pattern's position binds nothing.
  auto token =
      MakeRef<TTestToken>(std::vector<TRef<IFact>>{Project("apollo", {"ann"}), TRef<IFact>(engine.NegationFact())});
  std::unique_ptr<TIEContext> context = engine.EngineContext().CreateChild();
  rule->BindToken(*token, *context);
  EXPECT_EQ(context->FindBinding("_2__blank_7"), nullptr);
  EXPECT_NE(context->FindBinding("n"), nullptr);
}

TEST_F(TRuleTest, GoalPatternsGetAFactVariableAndTheirNegatedTarget) {
  TRule rule(&engine);
  auto goal = Pattern("need-alert");
  goal->AddTest("__Data", NewVariable("level").Get(), false, 0);
  rule.AddPattern(std::move(goal));
  ASSERT_EQ(rule.PatternCount(), 2);
  EXPECT_EQ(rule.Pattern(0).BoundName(), "__factidx0");
  EXPECT_EQ(rule.Pattern(1).AsString(), "(not (alert ?level))");
  EXPECT_EQ(BindingsText(rule),
            "name=__factidx0 FactIdx=0 SlotIdx=__PATTERN\n"
            "name=level FactIdx=0 SlotIdx=__Data SubIdx=0\n");
}

TEST_F(TRuleTest, DisjunctionsAreCompiledWithTheirPivotBound) {
  TRule rule(&engine);
  rule.AddPattern(Pattern("risk"));
  auto pattern = Pattern("project");
  pattern->AddTest("complexity", NewAtom("high").Get(), false);
  pattern->AddTest("complexity", NewAtom("extreme").Get(), false, -1, false);
  rule.AddPattern(std::move(pattern));
  EXPECT_EQ(rule.Pattern(1).AsString(),
            "(project (complexity ?_blank_0&:(or (eq high ?_blank_0) (eq extreme ?_blank_0))) )");
  EXPECT_EQ(BindingsText(rule), "name=_blank_0 FactIdx=1 SlotIdx=complexity\n");

  // A variable bound before is one of the alternatives, not the pivot.
  TRule bound(&engine);
  auto risk = Pattern("risk");
  risk->AddTest("level", NewVariable("l").Get(), false);
  bound.AddPattern(std::move(risk));
  pattern = Pattern("project");
  pattern->AddTest("name", NewVariable("n").Get(), false);
  pattern->AddTest("complexity", NewVariable("l").Get(), false);
  pattern->AddTest("complexity", NewAtom("high").Get(), false, -1, false);
  pattern->AddTest("staff", NewVariable("n").Get(), false, 0);
  pattern->AddTest("staff", NewAtom("ann").Get(), false, 0, false);
  bound.AddPattern(std::move(pattern));
  EXPECT_EQ(bound.Pattern(1).AsString(),
            "(project (complexity ?_blank_1&:(or (eq ?l ?_blank_1) (eq high ?_blank_1))) (name ?n) "
            "(staff ?_blank_2&:(or (eq ?n ?_blank_2) (eq ann ?_blank_2))) )");

  // An alternative naming a variable bound nowhere before is refused: it
  // would compare the field with itself.
  for (const bool pivotFirst : {true, false}) {
    TRule unbound(&engine);
    pattern = Pattern("project");
    if (pivotFirst) {
      pattern->AddTest("complexity", NewVariable("c").Get(), false);
    } else {
      pattern->AddTest("complexity", NewAtom("high").Get(), false);
    }
    pattern->AddTest("complexity", NewVariable("other").Get(), false, -1, false);
    ExpectError([&] { unbound.AddPattern(std::move(pattern)); }, "Unknown variable name: other");
  }
}

// --- Binding and firing --------------------------------------------------------------------------------------

TEST_F(TRuleTest, BindTokenBindsFactsSlotsElementsAndTheRuleName) {
  std::unique_ptr<TRule> rule = ProjectRule();
  rule->SetRuleName("staffing");
  const TRef<IFact> project = Project("apollo", {"ann", "bob", "cy"});
  auto token = MakeRef<TTestToken>(std::vector<TRef<IFact>>{project});
  std::unique_ptr<TIEContext> context = engine.EngineContext().CreateChild();
  rule->BindToken(*token, *context);
  EXPECT_EQ(context->FindVariableValue("p")->AsText(), "<Fact-" + std::to_string(project->ID()) + ">");
  EXPECT_EQ(context->FindVariableValue("n")->AsText(), "apollo");
  EXPECT_EQ(context->FindVariableValue("first")->AsText(), "ann");
  EXPECT_EQ(context->FindVariableValue("__RULE")->AsText(), "\"staffing\"");
  EXPECT_EQ(rule->FindBinding("n")->Value()->AsText(), "apollo");
  // Nothing reaches the engine's own context.
  EXPECT_EQ(engine.EngineContext().FindBinding("n"), nullptr);
}

TEST_F(TRuleTest, FireRunsActionsInOrderUntilOneReturns) {
  std::unique_ptr<TRule> rule = ProjectRule();
  std::vector<std::string> log;
  auto action = [&log](std::string name, bool returns) {
    return MakeRef<TTestFunCall>(name, [&log, name, returns](IIEContext* context) {
      TIEContext* evaluation = context->EvaluationContext();
      log.push_back(name + ":" + evaluation->FindVariableValue("n")->AsText());
      if (returns) evaluation->SetReturnValue(NewInteger(1));
      return SharedValues().Nil;
    });
  };
  rule->AddAction(action("first", false));
  rule->AddAction(action("second", true));
  rule->AddAction(action("third", false));
  int fired = 0;
  rule->SetOnFire([&fired](TRule&, TIEContext& context) {
    ++fired;
    EXPECT_NE(context.FindBinding("first"), nullptr);
  });

  EXPECT_FALSE(rule->Fired());
  rule->Fire(*MakeRef<TTestToken>(std::vector<TRef<IFact>>{Project("apollo", {"ann"})}));
  EXPECT_EQ(log, (std::vector<std::string>{"first:apollo", "second:apollo"}));
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(rule->Fired());
  EXPECT_FALSE(engine.EngineContext().ReturnFlag());
  rule->ResetFired();
  EXPECT_FALSE(rule->Fired());

  // A handler that returns at once leaves the actions out.
  log.clear();
  rule->SetOnFire([](TRule&, TIEContext& context) { context.SetReturnValue(nullptr); });
  rule->Fire(*MakeRef<TTestToken>(std::vector<TRef<IFact>>{Project("gemini", {"bob"})}));
  EXPECT_TRUE(log.empty());
}

TEST_F(TRuleTest, FireReleasesTheContextWhenAnActionRaises) {
  std::unique_ptr<TRule> rule = ProjectRule();
  const TRef<IFact> project = Project("apollo", {"ann"});
  TIEValue& name = project->SlotValueAt(project->Template()->SlotLayout().IndexOf("name"));
  std::uint32_t whileFiring = 0;
  rule->AddAction(MakeRef<TTestFunCall>("boom", [&](IIEContext*) -> TRef<TIEValue> {
    whileFiring = name.RefCount();
    throw EIEException("boom");
  }));
  EXPECT_THROW(rule->Fire(*MakeRef<TTestToken>(std::vector<TRef<IFact>>{project})), EIEException);
  // The fact, the rule's binding and the context held the value; the context is gone.
  EXPECT_EQ(name.RefCount(), whileFiring - 1);
  EXPECT_TRUE(rule->Fired());
}

// --- Salience ------------------------------------------------------------------------------------------------------

TEST_F(TRuleTest, SalienceExpressionFollowsAGlobal) {
  TRule rule(&engine);
  engine.EngineContext().SetGlobal("*level*", NewInteger(5));
  rule.SetSalienceExpression(NewVariable("*level*"));
  EXPECT_EQ(rule.Salience(), 5);
  engine.EngineContext().SetGlobal("*level*", NewInteger(-3));
  EXPECT_EQ(rule.EvaluateSalience(), -3);
  EXPECT_EQ(rule.SalienceExpression()->AsText(), "?*level*");

  rule.SetSalience(7);
  EXPECT_EQ(rule.SalienceExpression()->AsText(), "7");
  TRule loose;
  loose.SetSalienceExpression(NewInteger(-10));
  EXPECT_EQ(loose.Salience(), -10);
}

// --- Printed text ----------------------------------------------------------------------------------------------

TEST_F(TRuleTest, PrintedText) {
  std::unique_ptr<TRule> rule = ProjectRule();
  rule->SetRuleName("complex-project");
  auto negated = Pattern("risk", 1);
  negated->AddTest("level", NewAtom("high").Get(), false);
  negated->SetComment("none yet");
  rule->AddPattern(std::move(negated));
  auto print = MakeRef<TFunctionCall>(nullptr, "printout");
  print->AddArgument("t", dtAtom);
  print->AddArgument(NewVariable("n"));
  rule->AddAction(print);
  rule->AddAction(MakeRef<TFunctionCall>(nullptr, "halt"));

  EXPECT_EQ(rule->AsString(),
            "(defrule complex-project\r\n"
            "    ?p <- (project (name ?n) (staff ?first $?others) )\r\n"
            "    ; none yet\r\n"
            "    (not (risk (level high) ))\r\n"
            "    =>\r\n"
            "    (printout t ?n)\r\n"
            "    (halt)\r\n"
            ")");

  rule->SetComment("complex \"projects\"");
  rule->SetSalience(-10);
  rule->SetEnabled(false);
  rule->SetOneShot(true);
  rule->ClearActions();
  EXPECT_EQ(rule->AsString(),
            "(defrule complex-project\r\n"
            "    \"complex \\\"projects\\\"\"\r\n"
            "    (declare (salience -10) (enabled FALSE) (oneshot TRUE))\r\n"
            "    ?p <- (project (name ?n) (staff ?first $?others) )\r\n"
            "    ; none yet\r\n"
            "    (not (risk (level high) ))\r\n"
            "    =>\r\n"
            ")");

  TRule flags(&engine);
  flags.SetRuleName("r");
  flags.SetOneShot(true);
  engine.EngineContext().SetGlobal("*s*", NewInteger(0));
  flags.SetSalienceExpression(NewVariable("*s*"));
  EXPECT_EQ(flags.AsString(), "(defrule r\r\n    (declare (salience ?*s*) (oneshot TRUE))\r\n    =>\r\n)");
}

// --- Copies ----------------------------------------------------------------------------------------------------------

TEST_F(TRuleTest, AssignWithinOneEngineCopiesPatternsActionsAndFlags) {
  std::unique_ptr<TRule> source = ProjectRule();
  source->SetRuleName("source");
  auto goal = Pattern("need-alert");
  goal->AddTest("__Data", NewVariable("n").Get(), false, 0);
  source->AddPattern(std::move(goal));
  source->SetSalience(4);
  source->SetOneShot(true);
  source->SetComment("c");
  source->AddAction(MakeRef<TFunctionCall>(nullptr, "halt"));

  TRule copy(&engine);
  copy.Assign(*source);
  EXPECT_EQ(copy.AsString(), source->AsString());
  EXPECT_EQ(copy.PatternCount(), 3);  // the goal's target pattern is made once
  EXPECT_EQ(BindingsText(copy), BindingsText(*source));
  EXPECT_NE(&copy.Pattern(0), &source->Pattern(0));
  EXPECT_NE(&copy.Action(0), &source->Action(0));
}

TEST_F(TRuleTest, AssignFromAnotherEngineReadsTheText) {
  TTestReasoner other;
  TRule source(&other);
  source.SetRuleName("elsewhere");
  std::string read;
  engine.SetRuleReader([&](std::string_view text) {
    read = std::string(text);
    auto parsed = std::make_unique<TRule>(&engine);
    parsed->SetRuleName("elsewhere");
    return parsed;
  });
  TRule rule(&engine);
  rule.Assign(source);
  EXPECT_EQ(read, source.AsString());
  EXPECT_EQ(rule.RuleName(), "elsewhere");

  TRule loose;
  ExpectError([&] { loose.Assign(source); }, "Unknown/Undefined Inference Engine");
}

}  // namespace
}  // namespace fxe
