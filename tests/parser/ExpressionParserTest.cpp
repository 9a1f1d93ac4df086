// Function calls, values, lists, point lists, facts and fact lists.
#include <gtest/gtest.h>

#include "base/FuzzyConsts.h"
#include "model/IEFacts.h"
#include "parser/ParserFixture.h"

namespace fxe::test {
namespace {

using TIERuleParserExpressions = ParserTest;

std::vector<TIEType> KindsOf(const IFunCall& call) {
  std::vector<TIEType> kinds;
  for (const TRef<TIEValue>& argument : call.Arguments()) kinds.push_back(argument->DType());
  return kinds;
}

TEST_F(TIERuleParserExpressions, CallArgumentsOfEveryKind) {
  Use(R"((f a "s" 1 2.5 ?v $?m (g) ((1 0) (2 1)) = & | ~ [ ]))");
  TRef<IFunCall> call = parser.ParseFunCall();
  EXPECT_EQ(call->Name(), "f");
  EXPECT_EQ(KindsOf(*call),
            (std::vector<TIEType>{dtAtom, dtString, dtInteger, dtFloat, dtVariable, dtMultiVariable, dtFunCall,
                                  dtSingletons, dtString, dtString, dtString, dtString, dtString, dtString}));
  EXPECT_EQ(call->Argument(8)->Text(), "=");
  EXPECT_EQ(call->Argument(13)->Text(), "]");
  EXPECT_EQ(call->Argument(7)->AsSingletons()->Count(), 2);
}

TEST_F(TIERuleParserExpressions, SpecialFormsAreOrdinaryCalls) {
  Use("(if (> ?x 1) then (printout t ?x) else (printout t 0))");
  TRef<IFunCall> call = parser.ParseFunCall();
  ASSERT_EQ(call->ArgumentCount(), 5);
  EXPECT_EQ(KindsOf(*call), (std::vector<TIEType>{dtFunCall, dtAtom, dtFunCall, dtAtom, dtFunCall}));
  // The keywords are new symbols, recognised by equality when the function runs.
  EXPECT_NE(call->Argument(1).Get(), SharedValues().Then.Get());
  EXPECT_TRUE(call->Argument(1)->Equals(SharedValues().Then.Get()));
  EXPECT_TRUE(call->Argument(3)->Equals(SharedValues().Else.Get()));
}

TEST_F(TIERuleParserExpressions, CallCommentAndVariableHead) {
  std::vector<std::string> calls;
  parser.SetOnParseFunCall([&](TIERuleParser&, IFunCall& call) { calls.push_back(call.Name()); });
  Use("; adds them\r\n  (+ 1 (g))");
  TRef<IFunCall> call = parser.ParseFunCall();
  EXPECT_EQ(call->Comment(), "; adds them");
  EXPECT_EQ(calls, (std::vector<std::string>{"g", "+"}));

  Use("(?f 1)");
  call = parser.ParseFunCall();
  EXPECT_EQ(call->Name(), "__get-var");
  EXPECT_EQ(KindsOf(*call), (std::vector<TIEType>{dtVariable, dtInteger}));
  Use("(= 1 2)");
  EXPECT_EQ(parser.ParseFunCall()->Name(), "=");
}

TEST_F(TIERuleParserExpressions, CallErrors) {
  EXPECT_EQ(ErrorOf(R"((printout t "x")"),
            TopError(IEConsts::SUnexpectedEndOfStream, "ParseFunCall", 1, R"(( printout t \"x"\ EOF )"));
  EXPECT_EQ(ErrorOf(R"(("x"))"), TopError(IEConsts::SMissingName, "ParseFunCall", 1, R"(( \"x"\ )"));
  EXPECT_EQ(ErrorOf("((f))"), TopError(IEConsts::SMissingName, "ParseFunCall", 1, "( ( "));
  Use("f)");
  EXPECT_EQ(ErrorOf([&] { parser.ParseFunCall(); }), Error(IEConsts::SExpectedOpenParen, "ParseFunCall", 1, "f "));
}

TEST_F(TIERuleParserExpressions, SlotFunctionArguments) {
  Use("(assert (a b c) (point (x 1)))");
  TRef<IFunCall> assert = parser.ParseFunCall();
  EXPECT_EQ(KindsOf(*assert), (std::vector<TIEType>{dtFact, dtFact}));
  EXPECT_EQ(assert->Argument(0)->AsFact()->Template()->Name(), "a");
  EXPECT_EQ(assert->Argument(0)->AsFact()->GetSlotValue(ImpliedSlotName)->AsList()->Count(), 2);

  Use("(modify ?f (x 1) (y 2 3) (z))");
  EXPECT_EQ(ErrorOf([&] { parser.ParseFunCall(); }),
            Error(IEConsts::SExpectedValueMissing, "ParseValuePair", 1, "( modify ?f ( x 1 ) ( y 2 3 ) ( z "));
  Use("(modify ?f (x 1) (y 2 3))");
  TRef<IFunCall> modify = parser.ParseFunCall();
  EXPECT_EQ(KindsOf(*modify), (std::vector<TIEType>{dtVariable, dtList, dtList}));
  const TValueVector& pair = *modify->Argument(2)->AsList();
  ASSERT_EQ(pair.Count(), 2);
  EXPECT_EQ(pair.Item(0)->Text(), "y");
  EXPECT_EQ(pair.Item(1)->AsText(), "2 3 ");

  // Other functions take the same text as nested calls; the list is the parser's.
  Use("(other (a b c))");
  EXPECT_EQ(KindsOf(*parser.ParseFunCall()), (std::vector<TIEType>{dtFunCall}));
  parser.SlotFunctions().Add("other");
  Use("(other (a b c))");
  EXPECT_EQ(KindsOf(*parser.ParseFunCall()), (std::vector<TIEType>{dtFact}));
}

TEST_F(TIERuleParserExpressions, ValuesAndLists) {
  Use("a b c)");
  EXPECT_EQ(parser.ParseValue()->AsText(), "a b c ");
  EXPECT_EQ(parser.Stream()->CurrentToken()->DataType(), tkCloseParen);
  Use("a)");
  EXPECT_EQ(parser.ParseValue()->DType(), dtAtom);
  Use(")");
  EXPECT_FALSE(parser.ParseValue());
  Use("x & y");
  EXPECT_EQ(parser.ParseValue()->Text(), "x");
  Use("[ high or low ] and (f) ((0 1))");
  EXPECT_EQ(parser.ParseValue()->AsList()->Count(), 8);
  Use("& x");
  EXPECT_EQ(ErrorOf([&] { parser.ParseValue(); }), Error(Format(IEConsts::SBadArgument, "&"), "ParseValue", 1, "& "));

  Use("a (f) ((1 2)) =(g) [ ] \"s\")");
  TRef<TValueVector> list = parser.ParseList();
  std::vector<TIEType> kinds;
  for (const auto& item : *list) kinds.push_back(item->DType());
  EXPECT_EQ(kinds, (std::vector<TIEType>{dtAtom, dtFunCall, dtSingletons, dtFunCall, dtAtom, dtAtom, dtString}));
  Use("(a = b)");
  parser.Stream()->NextToken();
  EXPECT_EQ(ErrorOf([&] { parser.ParseList(); }), Error(IEConsts::SEqualsInFact, "ParseList", 1, "( a = "));
  Use("(a & b)");
  parser.Stream()->NextToken();
  EXPECT_EQ(ErrorOf([&] { parser.ParseList(); }),
            Error(Format(IEConsts::SBadSlotValue, "&"), "ParseList", 1, "( a & "));
}

TEST_F(TIERuleParserExpressions, FuzzyPointLists) {
  Use("((0 1) (?x (+ 1 1)) (0.5 0))");
  TRef<TSingletonsVector> points = parser.ParseFuzzyPoints();
  ASSERT_EQ(points->Count(), 3);
  EXPECT_EQ(points->X(1)->DType(), dtVariable);
  EXPECT_EQ(points->Y(1)->DType(), dtFunCall);
  EXPECT_EQ(points->X(2)->DType(), dtFloat);

  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"((0 a))", Error(IEConsts::SExpectedPointCoordinate, "ParseFuzzyPoints", 1, "( ( 0 a ")},
      {"((0 1 2))", Error(IEConsts::SExpectedCloseParen, "ParseFuzzyPoints", 1, "( ( 0 1 2 ")},
      {"((0 1) x)", Error(IEConsts::SExpectedCloseParen, "ParseFuzzyPoints", 1, "( ( 0 1 ) x ")},
      {"(0 1)", Error(IEConsts::SExpectedCloseParen, "ParseFuzzyPoints", 1, "( 0 ")},
      {"x", Error(IEConsts::SExpectedOpenParen, "ParseFuzzyPoints", 1, "x ")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    Use(c.text);
    EXPECT_EQ(ErrorOf([&] { parser.ParseFuzzyPoints(); }), c.expected);
  }
}

class TIERuleParserFacts : public ParserTest {
 protected:
  TIERuleParserFacts() {
    Parse(
        "(deftype RISK extends (type FUZZY) (range 0 1) (values (term increased ((0 0) (1 1)))))"
        "(deftemplate risk is-a RISK)"
        "(deftemplate p (slot i (type INTEGER)) (slot f (type FLOAT)) (multislot m) (slot r (type RISK)))");
  }
  TRef<IFact> FactOf(std::string text) {
    Use(std::move(text));
    return parser.ParseFact();
  }
};

TEST_F(TIERuleParserFacts, StaticCheckingConvertsNumbers) {
  TRef<IFact> fact = FactOf("(p (i 2.7) (f 3) (m a (g) b))");
  EXPECT_EQ(fact->GetSlotValue("i")->DType(), dtInteger);
  EXPECT_EQ(fact->GetSlotValue("i")->AsInteger(), 2);
  EXPECT_EQ(fact->GetSlotValue("f")->DType(), dtFloat);
  EXPECT_EQ(fact->GetSlotValue("f")->AsFloat(), 3.0);
  EXPECT_EQ(fact->GetSlotValue("m")->AsList()->Count(), 3);

  parser.SetStaticTypeChecking(false);
  fact = FactOf("(p (i abc))");
  EXPECT_EQ(fact->GetSlotValue("i")->DType(), dtAtom);
}

TEST_F(TIERuleParserFacts, FuzzyValues) {
  // An is-a fact's items are one fuzzy expression.
  TRef<IFact> fact = FactOf("(risk increased or-sum [ increased or-sum increased ] )");
  const TValueVector& data = *fact->GetSlotValue(ImpliedSlotName)->AsList();
  ASSERT_EQ(data.Count(), 1);
  EXPECT_EQ(data.First()->DType(), dtFuzzy);

  fact = FactOf("(p (r very increased))");
  TRef<TIEValue> r = fact->GetSlotValue("r");
  ASSERT_EQ(r->DType(), dtFuzzy);
  EXPECT_EQ(r->AsFuzzy()->GetMembership(0.5), 0.25);

  Parse("(deftemplate q (multislot z (type FUZZY)))");
  Use("(q (z a))");
  EXPECT_EQ(ErrorOf([&] { parser.ParseFact(); }),
            Error(FuzzyConsts::SFuzzyTypeNeeded, "ParseValue(SlotTypes)", 1, "( q ( z a "));
}

TEST_F(TIERuleParserFacts, ImpliedTemplatesAndStrictTemplates) {
  TRef<IFact> fact = FactOf("(go a (g) b)");
  ASSERT_TRUE(engine.FindFactTemplate("go"));
  EXPECT_EQ(engine.FindFactTemplate("go")->Comment(), ImpliedTemplateComment);
  EXPECT_EQ(fact->GetSlotValue(ImpliedSlotName)->AsList()->Count(), 3);
  EXPECT_EQ(FactOf("(Initial-Fact)")->AsString(), "(Initial-Fact)");

  parser.SetStrictTemplates(true);
  Use("(nope 1)");
  EXPECT_EQ(ErrorOf([&] { parser.ParseFact(); }),
            Error(Format(IEConsts::SUnknownFactTemplate, "nope"), "ParseFact", 1, "( nope "));
  EXPECT_FALSE(engine.FindFactTemplate("nope"));
}

TEST_F(TIERuleParserFacts, Errors) {
  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"(p (i abc))",
       Error(Format(IEConsts::SSlotValidate, Format(IEConsts::SNotAType, "INTEGER", "abc", "dtAtom"), "i"),
             "ParseValue(SlotTypes)", 1, "( p ( i abc ")},
      {"(p (i 1 2))", Error(IEConsts::SExpectedCloseParen, "ParseFactSlot", 1, "( p ( i 1 2 ")},
      {"(p (5 1))", Error(Format(IEConsts::SBadSlotName, "5"), "ParseFactSlot", 1, "( p ( 5 ")},
      {"(p i)", Error(IEConsts::SExpectedOpenParen, "ParseFactSlot", 1, "( p i ")},
      {"(5)", Error(IEConsts::SExpectedFactOpen, "ParseFact", 1, "( 5 ")},
      {"p", Error(IEConsts::SExpectedFactOpen, "ParseFact", 1, "p ")},
      {"(p (i =x))", Error(IEConsts::SEqualsInFact, "ParseValue(SlotTypes)", 1, "( p ( i = ")},
      {"(p (i [))", Error(Format(IEConsts::SBadSlotValue, "["), "ParseValue(SlotTypes)", 1, "( p ( i [ ")},
      {"(p (q 1))", "<other> " + Format(IEConsts::SNoSuchSlotName, "q")},
      {"(risk 1 2", Error(IEConsts::SExpectedCloseParen, "ParseFact", 1, "( risk 1 2 EOF ")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    Use(c.text);
    EXPECT_EQ(ErrorOf([&] { parser.ParseFact(); }), c.expected);
  }
}

TEST_F(TIERuleParserFacts, FactListAssertsEveryFact) {
  Use("(a 1) (b 2)\r\n(a 1) (p (i 4))");
  EXPECT_EQ(parser.ParseFactList(), 4);
  ASSERT_EQ(engine.Facts().size(), 3u);  // the second (a 1) is a duplicate
  EXPECT_EQ(engine.Facts()[2]->GetSlotValue("i")->AsInteger(), 4);
}

TEST_F(TIERuleParserFacts, FactsReadBackEqual) {
  for (const std::string text :
       {"(p (i 2) (f 1.5) (m a \"b c\" 3) (r increased))", "(go 1 2.5 x \"y\")", "(risk increased or-sum increased)"}) {
    SCOPED_TRACE(text);
    TRef<IFact> fact = FactOf(text);
    const std::string printed = parser.FormatFact(*fact);
    TRef<IFact> copy = FactOf(printed);
    EXPECT_EQ(parser.FormatFact(*copy), printed);
    EXPECT_TRUE(fact->Equals(*copy)) << printed;
  }
}

}  // namespace
}  // namespace fxe::test
