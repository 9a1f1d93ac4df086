// Printed constructs and facts that must read back as equal objects: names
// and symbols holding escaped characters, nil items, the default of a fuzzy
// slot, and the collecting parser reading on after a stray ")".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "parser/ParserFixture.h"

namespace fxe::test {
namespace {

using ReadBack = ParserTest;

constexpr std::string_view kTemplates = "(deftemplate a (slot x)) (deftemplate p (slot d (default 1)) (slot n))";

// Reads text with parse, prints the object with print, reads the printed
// text back in the same engine (objects compare equal only within one) and
// checks that it prints the same again. Returns the printed text; equal
// compares the two objects.
template <class TParse, class TPrint, class TEqual>
std::string ExpectReadsBack(const std::string& text, TParse parse, TPrint print, TEqual equal) {
  TParserSession session;
  session.Parse(std::string(kTemplates));
  session.Use(text);
  auto original = parse(session.parser);
  const std::string printed = print(session.parser, *original);
  session.Use(printed);
  auto copy = parse(session.parser);
  EXPECT_EQ(print(session.parser, *copy), printed);
  EXPECT_TRUE(equal(*original, *copy)) << printed;
  return printed;
}

TEST_F(ReadBack, RulesWithEscapedWordsAndNilArguments) {
  struct TCase {
    std::string text;
    std::string expected;  // a piece of the printed text
  };
  const TCase cases[] = {
      {"(defrule w => (t\\\"))", "(t\\\")"},
      {"(defrule r => (f nil x))", "(f nil x)"},
      {"(defrule l => (f (create$ a nil b)))", "(f (create$ a nil b))"},
      {"(defrule e => (assert (p (d nil))))", "(assert (p (d nil)))"},
      {"(defrule b => (f a\\\\b \\x))", "(f a\\\\b \\x)"},
      {"(defrule s\\|t => (f a\\(b a\\;c a\\ b))", "(defrule s\\|t\r\n"},
      {"(defrule s\\|t => (f a\\(b a\\;c a\\ b))", "(f a\\(b a\\;c a\\ b)"},
      {"(defrule v (a (x ?a\\\"b)) => (f ?a\\\"b))", "(a (x ?a\\\"b) )"},
      {"(defrule v (a (x ?a\\\"b)) => (f ?a\\\"b))", "(f ?a\\\"b)"},
      {"(defrule n (a (x nil)) => )", "(a (x nil) )"},
      {"(defrule q ?f\\|g <- (a (x 1)) => (retract ?f\\|g))", "?f\\|g <- (a (x 1) )"},
      {"(defrule m ?f <- (a (x 1)) => (modify ?f (x 2)))", "(modify ?f (x 2 ))"},
      {"(defrule p => (modify (e a)))", "(modify (e a ))"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string printed = ExpectReadsBack(
        c.text, [](TIERuleParser& parser) { return parser.ParseRule(); },
        [](TIERuleParser& parser, const TRule& rule) { return parser.FormatRule(rule); },
        [](const TRule& before, const TRule& after) {
          if (before.RuleName() != after.RuleName() || before.ActionCount() != after.ActionCount() ||
              before.PatternCount() != after.PatternCount())
            return false;
          for (std::int32_t i = 0; i < before.ActionCount(); ++i)
            if (!before.Action(i).Equals(after.Action(i))) return false;
          return true;
        });
    EXPECT_NE(printed.find(c.expected), std::string::npos) << printed;
  }
}

TEST_F(ReadBack, FactsWithEscapedWordsAndNilValues) {
  struct TCase {
    std::string text;
    std::string printed;
  };
  const TCase cases[] = {
      {"(x a\\\\b)", "(x a\\\\b )"},
      {"(x a\\\"b c\\|d e\\ f)", "(x a\\\"b c\\|d e\\ f )"},
      {"(x a nil b)", "(x a nil b )"},
      // A nil that leaving the slot out would lose prints; one the default
      // gives back is left out as before.
      {"(p (d nil) (n 2))", "(p (d nil) (n 2))"},
      {"(p (d 3) (n nil))", "(p (d 3))"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string printed = ExpectReadsBack(
        c.text, [](TIERuleParser& parser) { return parser.ParseFact(); },
        [](TIERuleParser& parser, const IFact& fact) { return parser.FormatFact(fact); },
        [](const IFact& before, const IFact& after) { return before.Equals(after); });
    EXPECT_EQ(printed, c.printed);
  }
}

TEST_F(ReadBack, FactSetOfAnEscapedBackslash) {
  Parse("(deffacts d (x a\\\\b))");
  ASSERT_EQ(engine.FactSets().size(), 1u);
  TFactSet& set = *engine.FactSets().front();
  EXPECT_EQ(parser.FormatFactSet(set), "(deffacts d\r\n    (x a\\\\b )\r\n)");
  EXPECT_EQ(set.Fact(0)->GetSlotValue(ImpliedSlotName)->AsList()->Item(0)->Text(), "a\\b");
}

TEST_F(ReadBack, TemplatesFunctionsAndGlobalsWithEscapedNames) {
  Parse("(deftemplate t\\|u (slot s\\~v (default x\\&y)))");
  const TRef<IFactTemplate> original = engine.FindFactTemplate("t|u");
  ASSERT_TRUE(original);
  const std::string printed = parser.FormatFactTemplate(*original);
  EXPECT_NE(printed.find("(deftemplate t\\|u"), std::string::npos) << printed;
  EXPECT_NE(printed.find("(slot s\\~v"), std::string::npos) << printed;
  EXPECT_NE(printed.find("(default x\\&y)"), std::string::npos) << printed;
  TParserSession second;
  second.Parse(printed);
  const TRef<IFactTemplate> copy = second.engine.FindFactTemplate("t|u");
  ASSERT_TRUE(copy);
  EXPECT_TRUE(original->Equals(copy.Get())) << printed;

  Parse("(deffunction f\\|g (?a\\|b $?c\\ d) (+ ?a\\|b 1))");
  const std::string function = parser.FormatFunction(*engine.FindFunction("f|g"));
  EXPECT_EQ(function, "(deffunction f\\|g (?a\\|b $?c\\ d)\r\n    (+ ?a\\|b 1)\r\n)\r\n");
  second.Parse(function);
  EXPECT_EQ(second.parser.FormatFunction(*second.engine.FindFunction("f|g")), function);

  // A body that is the constant nil keeps it.
  Parse("(deffunction n () nil)");
  const std::string constant = parser.FormatFunction(*engine.FindFunction("n"));
  EXPECT_EQ(constant, "(deffunction n ()\r\n    nil\r\n)\r\n");
  second.Parse(constant);
  EXPECT_EQ(second.parser.FormatFunction(*second.engine.FindFunction("n")), constant);

  Parse("(defglobal ?*a\\ b* = x\\\"y)");
  EXPECT_EQ(TIERuleParser::GlobalVariableText("*a b*", *engine.EngineContext().FindVariableValue("*a b*")),
            "(defglobal ?*a\\ b* = x\\\"y)");
}

TEST_F(ReadBack, SlotDefaultOfAFuzzyTypeLeavesTheTypeUnchanged) {
  const std::string type = "(deftype L extends (type FUZZY) (range 0 10) (values (term lo ((0 1) (10 0)))))";
  Parse(type);
  const TRef<IIEDefinedType> l = engine.FindDefinedType("L");
  const std::string before = parser.FormatDefinedType(*l);
  Parse("(deftemplate m (slot v (type L)))");
  EXPECT_EQ(l->FuzzyVariable()->Items().Count(), 1);
  EXPECT_EQ(parser.FormatDefinedType(*l), before);

  TParserSession second;
  second.Parse(before);
  EXPECT_TRUE(l->Equals(second.engine.FindDefinedType("L").Get()));

  // The default is still the empty set of the type's variable.
  const TIEValue* computed = engine.FindFactTemplate("m")->GetSlot("v").SlotDefault();
  ASSERT_NE(computed, nullptr);
  ASSERT_EQ(computed->DType(), dtFuzzy);
  EXPECT_EQ(computed->AsFuzzy()->Name(), FuzzyEmptyTermName);
  EXPECT_EQ(computed->AsFuzzy()->Variable(), l->FuzzyVariable());
}

// Symbols an allowed-symbols clause made from strings print so that they
// read back as the same symbols: escaped inside, quoted when no word can
// start like them.
TEST_F(ReadBack, AllowedSymbolsThatAreNoWordsReadBackAsTheSameSymbols) {
  Parse("(deftype K extends (type SYMBOL) (allowed-symbols \" \" \"a b\" \"?v\" \"(x\" plain))");
  const TRef<IIEDefinedType> k = engine.FindDefinedType("K");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->AllowedAtomCount(), 5);
  const std::string printed = parser.FormatDefinedType(*k);
  EXPECT_NE(printed.find("(allowed-symbols \" \" a\\ b \"?v\" \"(x\" plain )"), std::string::npos) << printed;
  TParserSession second;
  second.Parse(printed);
  const TRef<IIEDefinedType> copy = second.engine.FindDefinedType("K");
  ASSERT_TRUE(copy);
  EXPECT_TRUE(k->Equals(copy.Get())) << second.parser.FormatDefinedType(*copy);
  EXPECT_EQ(second.parser.FormatDefinedType(*copy), printed);
}

// The number of parse errors a collected message reports.
std::size_t ErrorCount(const std::string& message) {
  std::size_t count = 0;
  for (std::size_t at = message.find("Parsing Error"); at != std::string::npos; at = message.find("Parsing Error", at + 1))
    ++count;
  return count;
}

TEST_F(ReadBack, CollectingParserReadsOnAfterAStrayClosingParenthesis) {
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  const std::string message = ErrorOf(") (deftemplate m) (defglobal ?*a* = 1) (bad");
  // One error for the parenthesis, one for the unfinished call.
  EXPECT_EQ(ErrorCount(message), 2u) << message;
  EXPECT_NE(message.find(Format(IEConsts::SUnexpectedSymbol, ")")), std::string::npos) << message;
  EXPECT_TRUE(engine.FindFactTemplate("m"));
  ASSERT_NE(engine.EngineContext().FindVariableValue("*a*"), nullptr);
  EXPECT_EQ(engine.EngineContext().FindVariableValue("*a*")->AsInteger(), 1);

  // Several in a row cost one error each; what follows is read.
  const std::string twice = ErrorOf(")) (deftemplate n) )");
  EXPECT_EQ(ErrorCount(twice), 3u) << twice;
  EXPECT_TRUE(engine.FindFactTemplate("n"));
}

}  // namespace
}  // namespace fxe::test
