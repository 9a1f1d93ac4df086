// A whole fuzzy knowledge base read by the parser: fuzzy types with terms,
// templates with typed slots, rules with fuzzy patterns and facts, then
// printed and read again into a fresh engine.
#include <gtest/gtest.h>

#include "ParserFixture.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "rete/IERule.h"

namespace fxe::test {
namespace {

constexpr std::string_view kProgram = R"(
; Project risk: how much a project's features add to its risk.
(deftype RISK extends (type FUZZY)
    (range 0.0 1.0)
    (values
        (term increased ((0.0 0.0) (0.1667 0.0556) (0.3333 0.2222) (0.5 0.5) (0.6667 0.7778) (0.8333 0.9444) (1.0 1.0)))))
(deftype DURATION extends (type FUZZY) (range 1 52) (units weeks) (values (term long ((1 0) (52 1)))))
(deftype FUNDING "money at hand" extends (type FUZZY) (range 1 100) (units Thousands)
    (values (term large ((1 0) (100 1))) (term huge very large)))
(deftemplate project
    (slot funding (type FUNDING) (default 50))
    (slot duration (type DURATION) (default 26)))
(deftemplate risk is-a RISK)
(defrule what-is-risk
    (declare (salience -10))
    (risk ?r)
    =>
    (printout t "Risk is " ?r crlf))
(defrule underfunded-project "underfunded projects increase risk"
    (project (funding low))
    =>
    (assert (risk increased)))
(defrule long-project
    (project (duration very high | long))
    =>
    (assert (risk increased)))
)";

class KnowledgeBaseTest : public ParserTest {
 protected:
  void SetUp() override { engine.SetFuzzyAutoTerms(true); }
};

TEST_F(KnowledgeBaseTest, ReadsTypesTemplatesAndRules) {
  Parse(std::string(kProgram));

  TRef<IIEDefinedType> duration = engine.FindDefinedType("DURATION");
  ASSERT_TRUE(duration);
  IFuzzyVariable* variable = duration->FuzzyVariable();
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable->Units(), "weeks");
  // The automatic terms of a range 1..52: medium peaks at (52 - 1) / 2.
  IFuzzySet* medium = variable->FindTerm("medium");
  ASSERT_NE(medium, nullptr);
  EXPECT_DOUBLE_EQ(medium->GetMembership(25.5), 1.0);
  EXPECT_DOUBLE_EQ(medium->GetMembership(1.0), 0.0);

  // A term defined by an expression over an earlier term.
  IFuzzySet* huge = engine.FindDefinedType("FUNDING")->FuzzyVariable()->FindTerm("huge");
  ASSERT_NE(huge, nullptr);
  EXPECT_NEAR(huge->GetMembership(50.5), 0.25, 1e-9);

  TRef<IFactTemplate> risk = engine.FindFactTemplate("risk");
  ASSERT_TRUE(risk);
  EXPECT_EQ(risk->AsString(), "(deftemplate risk is-a RISK)");

  TRule* rule = engine.FindRule("what-is-risk");
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(rule->Salience(), -10);
  ASSERT_NE(engine.FindRule("long-project"), nullptr);
}

TEST_F(KnowledgeBaseTest, PrintedConstructsReadBackEqual) {
  Parse(std::string(kProgram));
  std::string printed;
  for (std::string_view name : {"RISK", "DURATION", "FUNDING"})
    printed += engine.FindDefinedType(name)->AsString() + "\r\n";
  for (std::string_view name : {"project", "risk"}) printed += engine.FindFactTemplate(name)->AsString() + "\r\n";
  for (std::string_view name : {"what-is-risk", "underfunded-project", "long-project"})
    printed += engine.FindRule(name)->AsString() + "\r\n";

  // The automatic term medium prints as a triangle shape: the copy needs the
  // shape function the fuzzy package will provide.
  TParserSession copy;
  copy.engine.SetFuzzyAutoTerms(true);
  copy.AddFunction(
      "tri",
      [](std::span<const TRef<TIEValue>> arguments) {
        TRef<IFuzzySet> set = NewEngineFuzzySet();
        set->FuzzySet().MakeTriangle(arguments[0]->AsNumeric(), arguments[1]->AsNumeric(), arguments[2]->AsNumeric());
        return MakeRef<TIEValue>(set);
      },
      3);
  copy.Parse(printed);
  for (std::string_view name : {"RISK", "DURATION", "FUNDING"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(copy.engine.FindDefinedType(name));
    EXPECT_TRUE(copy.engine.FindDefinedType(name)->Equals(engine.FindDefinedType(name).Get()));
  }
  for (std::string_view name : {"project", "risk"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(copy.engine.FindFactTemplate(name));
    EXPECT_TRUE(copy.engine.FindFactTemplate(name)->Equals(engine.FindFactTemplate(name).Get()));
  }
  for (std::string_view name : {"what-is-risk", "underfunded-project", "long-project"}) {
    SCOPED_TRACE(name);
    ASSERT_NE(copy.engine.FindRule(name), nullptr);
    EXPECT_EQ(copy.engine.FindRule(name)->AsString(), engine.FindRule(name)->AsString());
  }
}

TEST_F(KnowledgeBaseTest, FuzzyFactsReadAndPrintTheirExpressions) {
  Parse(std::string(kProgram));
  Use("(risk increased or-sum [ increased or-sum increased ] )");
  TRef<IFact> fact = parser.ParseFact();
  ASSERT_TRUE(fact);
  TRef<TIEValue> value = fact->GetSlotValue("__Data");
  ASSERT_EQ(value->DType(), dtList);
  ASSERT_EQ(value->ListPtr()->Count(), 1);
  const TIEValue& fuzzy = *value->ListPtr()->Item(0);
  ASSERT_EQ(fuzzy.DType(), dtFuzzy);
  // or-sum adds grades: three times increased at 0.5 is 1.5.
  EXPECT_NEAR(fuzzy.FuzzyPtr()->GetMembership(0.5), 1.5, 1e-9);
  std::string text = fact->AsString();
  EXPECT_EQ(text, "(risk increased or-sum [ increased or-sum increased ] )");

  // The printed fact reads back to an equal set.
  Use(text);
  TRef<IFact> again = parser.ParseFact();
  const TIEValue& reread = *again->GetSlotValue("__Data")->ListPtr()->Item(0);
  EXPECT_TRUE(reread.FuzzyPtr()->FuzzySet().Values().Count() == fuzzy.FuzzyPtr()->FuzzySet().Values().Count());
  EXPECT_NEAR(reread.FuzzyPtr()->GetMembership(0.25), fuzzy.FuzzyPtr()->GetMembership(0.25), 1e-9);
}

}  // namespace
}  // namespace fxe::test
