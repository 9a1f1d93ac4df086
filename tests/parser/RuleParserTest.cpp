// defrule: declarations, patterns with their terms and connectives, actions,
// errors, and rule texts read back.
#include <gtest/gtest.h>

#include "model/IESlotTest.h"
#include "parser/ParserFixture.h"
#include "rete/IERule.h"

namespace fxe::test {
namespace {

class TIERuleParserRules : public ParserTest {
 protected:
  TIERuleParserRules() {
    Parse(
        "(deftype RISK extends (type FUZZY) (range 0 1) (values (term high ((0 0) (1 1)))))"
        "(deftemplate a (slot x) (slot y))"
        "(deftemplate m (multislot items))"
        "(deftemplate proj (slot r (type RISK)))");
  }
  // One pattern read on its own, with the given variable list.
  std::unique_ptr<TIEPattern> PatternOf(std::string text, TVariableList& variables) {
    Use(std::move(text));
    return parser.ParsePattern(0, variables);
  }
  std::unique_ptr<TIEPattern> PatternOf(std::string text) {
    TVariableList variables;
    return PatternOf(std::move(text), variables);
  }
  // "<sub-index><~ when negated><| when or-connected><value>" per test of the slot.
  static std::vector<std::string> TestsOf(const TIEPattern& pattern, std::string_view slot) {
    std::vector<std::string> tests;
    const std::int32_t index = pattern.IndexOfSlot(slot);
    for (const auto& test : pattern.SlotTests(index)) {
      std::string text = std::to_string(test->MultiSlotSubIndex());
      if (test->SlotTestType() == sttNotEquals) text += '~';
      if (!test->Conjunction()) text += '|';
      text += test->SlotValue()->AsText();
      tests.push_back(text);
    }
    return tests;
  }
};

TEST_F(TIERuleParserRules, DeclarationsPatternsAndActions) {
  TRule* reported = nullptr;
  parser.SetOnParseRule([&](TIERuleParser&, TRule& rule) { reported = &rule; });
  Parse("(defrule r \"watch risk\" (declare (salience -10)) (risk ?r) => (printout t ?r))");
  TRule* rule = engine.FindRule("r");
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(reported, rule);
  EXPECT_EQ(rule->Comment(), "watch risk");
  EXPECT_EQ(rule->Salience(), -10);
  EXPECT_EQ(rule->PatternCount(), 1);
  EXPECT_EQ(rule->ActionCount(), 1);
  EXPECT_NE(parser.FormatRule(*rule).find("(declare (salience -10))"), std::string::npos) << parser.FormatRule(*rule);

  Parse("(defrule flags (declare (oneshot TRUE) (enabled (> 1 2))) (a) => )");
  rule = engine.FindRule("flags");
  EXPECT_TRUE(rule->OneShot());
  EXPECT_FALSE(rule->Enabled());
  EXPECT_EQ(rule->ActionCount(), 0);
  // The arrow is two tokens, so blanks may stand between them.
  Parse("(defrule split (a) = > (x) (y))");
  EXPECT_EQ(engine.FindRule("split")->ActionCount(), 2);
}

TEST_F(TIERuleParserRules, Negations) {
  EXPECT_EQ(PatternOf("(exists (a))")->NegatedCount(), 2);
  EXPECT_EQ(PatternOf("(not (exists (a)))")->NegatedCount(), 3);
  EXPECT_EQ(PatternOf("(not (not (a)))")->NegatedCount(), 2);
  std::unique_ptr<TIEPattern> flagged = PatternOf("(unique (explicit (a)))");
  EXPECT_TRUE(flagged->Unique());
  EXPECT_TRUE(flagged->Explicit());

  // A test inside a negation is a plain pattern whose test is negated.
  std::unique_ptr<TIEPattern> test = PatternOf("(not (test (> 1 2)))");
  EXPECT_EQ(test->Name(), "test");
  EXPECT_EQ(test->NegatedCount(), 0);
  EXPECT_EQ(TestsOf(*test, ImpliedSlotName), (std::vector<std::string>{"-1~(> 1 2)"}));
  // As a negated test prints, so it reads.
  EXPECT_EQ(TestsOf(*PatternOf("(test ~(> 1 2))"), ImpliedSlotName), (std::vector<std::string>{"-1~(> 1 2)"}));
}

TEST_F(TIERuleParserRules, TermsConnectivesAndFieldIndices) {
  std::unique_ptr<TIEPattern> pattern = PatternOf("(m (items a|b ~c&~d ?x&:(> ?x 1) $?rest))");
  EXPECT_EQ(TestsOf(*pattern, "items"),
            (std::vector<std::string>{"0a", "0|b", "1~c", "1~d", "2?x", "2(> ?x 1)", "3$?rest"}));
  EXPECT_EQ(pattern->RequiredLength(pattern->IndexOfSlot("items")), 4);

  pattern = PatternOf("(a (x 1|2) (y \"s\"))");
  EXPECT_EQ(TestsOf(*pattern, "x"), (std::vector<std::string>{"-11", "-1|2"}));
  EXPECT_EQ(TestsOf(*pattern, "y"), (std::vector<std::string>{"-1\"s\""}));

  // Ordered facts constrain their fields directly after the name.
  pattern = PatternOf("(go a ?b)");
  EXPECT_EQ(TestsOf(*pattern, ImpliedSlotName), (std::vector<std::string>{"0a", "1?b"}));
  EXPECT_EQ(pattern->RequiredLength(0), 2);
  EXPECT_EQ(PatternOf("(go)")->RequiredLength(0), 0);
}

TEST_F(TIERuleParserRules, VariablesKeepTheKindOfTheirFirstUse) {
  TVariableList variables;
  PatternOf("(m (items $?x))", variables);
  std::unique_ptr<TIEPattern> later = PatternOf("(a (x ?x) (y ?y))", variables);
  EXPECT_EQ(later->SlotTest(later->IndexOfSlot("x"), 0).SlotValue()->DType(), dtMultiVariable);
  EXPECT_EQ(later->SlotTest(later->IndexOfSlot("y"), 0).SlotValue()->DType(), dtVariable);
  ASSERT_EQ(variables.Count(), 2);
  EXPECT_EQ(variables.Name(0), "x");
  EXPECT_EQ(variables.Kind(0), dtMultiVariable);
}

TEST_F(TIERuleParserRules, ReturnValueTest) {
  std::unique_ptr<TIEPattern> pattern = PatternOf("(a (x ~=(+ 1 2)))");
  const std::int32_t x = pattern->IndexOfSlot("x");
  ASSERT_EQ(pattern->SlotTestCount(x), 2);
  const TIEValue& field = *pattern->SlotTest(x, 0).SlotValue();
  EXPECT_EQ(field.DType(), dtVariable);
  EXPECT_EQ(field.Text().substr(0, 4), "_eq_");
  EXPECT_EQ(pattern->SlotTest(x, 0).SlotTestType(), sttEquals);
  const TIEPatternMatchTest& test = pattern->SlotTest(x, 1);
  EXPECT_EQ(test.SlotTestType(), sttNotEquals);
  const TRef<IFunCall> call = test.SlotValue()->AsFunCall();
  EXPECT_EQ(call->Name(), "eq*");
  ASSERT_EQ(call->ArgumentCount(), 2);
  EXPECT_TRUE(call->Argument(0)->Equals(&field));
  EXPECT_EQ(call->Argument(1)->AsText(), "(+ 1 2)");
  // On a multislot the field variable is a multifield variable.
  pattern = PatternOf("(m (items =(+ 1 2)))");
  EXPECT_EQ(pattern->SlotTest(0, 0).SlotValue()->DType(), dtMultiVariable);
}

TEST_F(TIERuleParserRules, FuzzySlotTermsAreFuzzyValues) {
  std::unique_ptr<TIEPattern> pattern = PatternOf("(proj (r very high))");
  const TIEValue& value = *pattern->SlotTest(pattern->IndexOfSlot("r"), 0).SlotValue();
  ASSERT_EQ(value.DType(), dtFuzzy);
  EXPECT_EQ(value.AsFuzzy()->GetMembership(0.5), 0.25);
  pattern = PatternOf("(proj (r ?v&:(> ?v 1)))");
  EXPECT_EQ(TestsOf(*pattern, "r"), (std::vector<std::string>{"-1?v", "-1(> ?v 1)"}));
}

TEST_F(TIERuleParserRules, Errors) {
  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"(defrule r ?f <- (not (a)) => )",
       TopError(IEConsts::SNotTestBound, "ParseRulePatterns", 1, "( defrule r ?f <- ( not ( a ) ) ")},
      {"(defrule r (a (x 1 2)) => )",
       TopError(Format(IEConsts::SSlotNotMultislot, "x"), "ParsePattern", 1, "( defrule r ( a ( x 1 2 ")},
      {"(defrule r (a) > (x))", TopError(IEConsts::SExpectedArrow, "ParseRule", 1, "( defrule r ( a ) > ")},
      {"(defrule r (a) => (x) 5)",
       TopError(IEConsts::SExpectedCloseParen, "ParseRule", 1, "( defrule r ( a ) = > ( x ) 5 ")},
      {"(defrule r (declare (priority 1)) (a) => )",
       TopError(IEConsts::SExpectedRuleProperty, "ParseRule", 1, "( defrule r ( declare ( priority ")},
      {"(defrule r (declare salience 5) (a) => )",
       TopError(IEConsts::SExpectedCloseParen, "ParseRule", 1, "( defrule r ( declare salience ")},
      {"(defrule r (declare (salience high)) (a) => )",
       TopError(Format(IEConsts::SExpectedBound, "salience"), "ParseRule", 1,
                "( defrule r ( declare ( salience high ")},
      {"(defrule r ?f (a) => )", TopError(IEConsts::SExpectedBindArrow, "ParseRulePatterns", 1, "( defrule r ?f ( ")},
      {"(defrule r (5) => )", TopError(IEConsts::SExpectedFactOpen, "ParsePattern", 1, "( defrule r ( 5 ")},
      {"(defrule r (a (x [)) => )",
       TopError(Format(IEConsts::SBadSlotValue, "["), "ParsePattern", 1, "( defrule r ( a ( x [ ")},
      {"(defrule r (a x) => )", TopError(IEConsts::SExpectedOpenParen, "ParsePattern", 1, "( defrule r ( a x ")},
      {"(defrule r (a (\"x\" 1)) => )",
       TopError(Format(IEConsts::SBadSlotName, R"(\"x"\)"), "ParsePattern", 1, R"(( defrule r ( a ( \"x"\ )")},
      {"(defrule r (a (z 1)) => )", "<other> " + Format(IEConsts::SNoSuchSlotName, "z")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ErrorOf(c.text), c.expected);
    EXPECT_EQ(engine.FindRule("r"), nullptr);
  }
}

TEST_F(TIERuleParserRules, RulesReadBackEqual) {
  const std::string definitions =
      "(deftype RISK extends (type FUZZY) (range 0 1) (values (term high ((0 0) (1 1)))))"
      "(deftemplate a (slot x) (slot y)) (deftemplate m (multislot items)) (deftemplate proj (slot r (type RISK)))"
      "(deftemplate need-a (slot x))";
  const std::string rules[] = {
      "(defrule r \"commented\" (declare (salience 5) (oneshot TRUE)) ?f <- (a (x ?x) (y ~?x)) (m (items a ?x $?))"
      " => (modify ?f (x 1)) (assert (go ?x)) (printout t \"done\" crlf))",
      "(defrule n (not (a (x 1))) (exists (m)) (test (> 1 2)) => )",
      "(defrule v (declare (enabled FALSE)) (a (x ?v&:(> ?v 1)) (y ~3&~4)) (proj (r high)) => (+ 1 2))",
      // Empty fields ask for an empty multifield; a goal makes its negated target itself.
      "(defrule e (go) (m (items)) (need-a (x 1)) => )",
      "(defrule o (a (x ?v)) (a (x ?w|red) (y ?v|2)) => )",
  };
  for (const std::string& text : rules) {
    SCOPED_TRACE(text);
    TParserSession first;
    first.Parse(definitions);
    first.Use(text);
    std::unique_ptr<TRule> original = first.parser.ParseRule();
    const std::string printed = first.parser.FormatRule(*original);
    TParserSession second;
    second.Parse(definitions);
    second.Use(printed);
    std::unique_ptr<TRule> copy = second.parser.ParseRule();
    EXPECT_EQ(second.parser.FormatRule(*copy), printed);
    ASSERT_EQ(copy->PatternCount(), original->PatternCount());
    EXPECT_EQ(copy->ActionCount(), original->ActionCount());
    for (std::int32_t p = 0; p < original->PatternCount(); ++p) {
      const TIEPattern& before = original->Pattern(p);
      const TIEPattern& after = copy->Pattern(p);
      ASSERT_EQ(after.SlotCount(), before.SlotCount());
      // A fixed multifield length must survive (a slot without one may come
      // back as a wildcard, which matches the same).
      for (std::int32_t s = 0; s < before.SlotCount(); ++s) {
        if (before.RequiredLength(s) >= 0) {
          EXPECT_EQ(after.RequiredLength(s), before.RequiredLength(s)) << printed;
        }
      }
    }
  }
}

TEST_F(TIERuleParserRules, PatternCommentsComeFromTheTextBeforeThem) {
  std::vector<std::string> names;
  parser.SetOnParsePattern([&](TIERuleParser&, TIEPattern& pattern) { names.push_back(pattern.Name()); });
  Parse("(defrule r\r\n  ; the first\r\n  (a) (not (m)) => )");
  TRule* rule = engine.FindRule("r");
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->Pattern(0).Comment(), "; the first");
  EXPECT_EQ(names, (std::vector<std::string>{"a", "m"}));
}

}  // namespace
}  // namespace fxe::test
