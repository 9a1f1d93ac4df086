// The construct step: classification, echoes, OnParse, the two error modes,
// bad input and nesting limits; the variable helpers and the slot functions.
#include <gtest/gtest.h>

#include "model/IEFacts.h"
#include "parser/ParserFixture.h"
#include "rete/IERule.h"

namespace fxe::test {
namespace {

using TIERuleParserStep = ParserTest;

TEST_F(TIERuleParserStep, GetConstructType) {
  struct TCase {
    std::string text;
    TConstructKind kind;
  };
  const TCase cases[] = {
      {"", TConstructKind::EndOfInput},
      {"abc", TConstructKind::Value},
      {"42", TConstructKind::Value},
      {"-2.5", TConstructKind::Value},
      {"?x", TConstructKind::Value},
      {"$?x", TConstructKind::Value},
      {"(f 1)", TConstructKind::FunctionCall},
      {"(?f 1)", TConstructKind::FunctionCall},
      {"(defrule r)", TConstructKind::Rule},
      {"(deffacts s)", TConstructKind::FactSet},
      {"(deftemplate t)", TConstructKind::Template},
      {"(deffunction f)", TConstructKind::Function},
      {"(defglobal)", TConstructKind::Global},
      {"(deftype T)", TConstructKind::DefinedType},
      {"(EOF)", TConstructKind::EndOfInput},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    Use(c.text);
    EXPECT_EQ(parser.GetConstructType(), c.kind);
  }
  for (const std::string text : {"\"text\"", ")", "&", "[", "=", "~"}) {
    SCOPED_TRACE(text);
    Use(text);
    const std::string shown = parser.Stream()->NextToken()->AsText();
    Use(text);
    EXPECT_EQ(ErrorOf([&] { parser.GetConstructType(); }),
              Error(Format(IEConsts::SUnexpectedSymbol, shown), "GetConstructType", 1, shown + " "));
  }
}

TEST_F(TIERuleParserStep, ConstantsAndCommandsAreEchoedConstructsAreNot) {
  std::vector<std::string> events;
  parser.SetOnParse([&](TIERuleParser&, TConstructKind kind, const TIERuleParser::TParsedObject& object,
                        const TIERuleParser::TParsedComponent& component) {
    std::string event = std::to_string(static_cast<int>(kind));
    if (const auto* value = std::get_if<TRef<TIEValue>>(&object)) event += " value " + (*value)->AsText();
    if (std::holds_alternative<TRef<IFactTemplate>>(object)) event += " template";
    if (std::holds_alternative<TRef<IIEDefinedType>>(object)) event += " type";
    if (std::holds_alternative<TRef<IUserFunction>>(object)) event += " function";
    if (const auto* rule = std::get_if<TRule*>(&component)) event += " rule " + (*rule)->RuleName();
    if (const auto* set = std::get_if<TFactSet*>(&component)) event += " facts " + (*set)->FactSetName();
    events.push_back(event);
  });
  Parse(
      "42 (+ 1 2) (printout t \"hi\") nil (deftemplate t (slot a)) (deftype T extends (type INTEGER))"
      " (deffunction f () 1) (defglobal ?*g* = 1) (deffacts s (t (a 1))) (defrule r (t) => )");
  EXPECT_EQ(engine.Output(), "42\r\n3\r\nhi");
  EXPECT_EQ(events, (std::vector<std::string>{"1 value 42", "2 value 3", "0", "0", "0 template", "0 type", "0 function",
                                              "0", "0 facts s", "0 rule r", "9 value EOF"}));
  EXPECT_TRUE(engine.FindRule("r"));

  // Without executing, a command is echoed as written.
  engine.ClearOutput();
  Use("(+ 1 2)");
  parser.Parse(false);
  EXPECT_EQ(engine.Output(), "(+ 1 2)\r\n");
}

TEST_F(TIERuleParserStep, CommandErrorsPropagateAsTheyAre) {
  EXPECT_EQ(ErrorOf("?nope"), "<other> " + Format(IEConsts::SUnknownVariableName, "nope"));
  EXPECT_EQ(ErrorOf("(nope 1)"), "<other> " + Format(IEConsts::SFunctionUnimplemented, "nope"));
}

TEST_F(TIERuleParserStep, CollectingModeStopsAfterTheEleventhError) {
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  std::string text = "(deftemplate good (slot a))\r\n";
  for (int i = 0; i < 12; ++i) text += "(deftype T" + std::to_string(i) + " (type INTEGER))\r\n";
  const std::string message = ErrorOf(text);
  std::string expected = "Errors parsing stream:\r\n";
  for (int i = 0; i < 11; ++i) {
    expected += TopError(Format(IEConsts::SMissingKeyword, "extends"), "ParseDefinedType", i + 2,
                         "( deftype T" + std::to_string(i) + " ( ") +
                "\r\n";
  }
  EXPECT_EQ(message, expected);
  EXPECT_TRUE(engine.FindFactTemplate("good"));
  EXPECT_FALSE(engine.FindDefinedType("T0"));

  // A single error is raised with a line end; the constructs around it are read.
  EXPECT_EQ(
      ErrorOf("(deftemplate x (slot a)) (deftemplate y (slt a)) (deftemplate z (slot a))"),
      TopError(Format(IEConsts::SInvalidSlotTypeName, "slt"), "ParseFactTemplateSlot", 1, "( deftemplate y ( slt ") +
          "\r\n");
  EXPECT_TRUE(engine.FindFactTemplate("x"));
  EXPECT_FALSE(engine.FindFactTemplate("y"));
  EXPECT_TRUE(engine.FindFactTemplate("z"));
}

TEST_F(TIERuleParserStep, DeepNestingIsRefused) {
  const std::string limit = std::to_string(TIERuleParser::MaxNesting);
  std::string deep;
  for (int i = 0; i < 1000000; ++i) deep += "(f ";
  std::string message = ErrorOf(deep);
  EXPECT_EQ(message.rfind("Parsing Error, Input nested too deeply, more than " + limit +
                              " levels in ParseFunCall at line 1:  ( f ( f ",
                          0),
            0u)
      << message.substr(0, 200);
  EXPECT_LT(message.size(), 400u);
  EXPECT_EQ(ErrorOf(std::string(1000000, '(')).rfind(Error(IEConsts::SMissingName, "ParseFunCall", 1, ""), 0), 0u);

  std::string patterns = "(defrule r ";
  for (int i = 0; i < TIERuleParser::MaxNesting + 1; ++i) patterns += "(not ";
  EXPECT_EQ(ErrorOf(patterns).rfind(
                "Parsing Error, Input nested too deeply, more than " + limit + " levels in ParsePattern", 0),
            0u);

  // Nesting up to the limit is read, evaluated, printed and released.
  std::string nested;
  for (int i = 0; i < TIERuleParser::MaxNesting; ++i) nested += "(+ 1 ";
  nested += std::string(static_cast<std::size_t>(TIERuleParser::MaxNesting), ')');
  Parse(nested);
  EXPECT_EQ(engine.Output(), limit + "\r\n");
  Use(nested);
  // Printed without the blank before each closing parenthesis.
  EXPECT_EQ(parser.ParseFunCall()->AsString().size(), nested.size() - 1);
}

TEST_F(TIERuleParserStep, BadBytesAndUnterminatedInput) {
  // Control characters separate tokens; a NUL inside a word is part of it.
  Parse(std::string("(defglobal ?*a* =\0 5)", 21));
  EXPECT_EQ(engine.EngineContext().FindVariableValue("*a*")->AsText(), "5");
  EXPECT_EQ(ErrorOf("(deftemplate t (slot a"),
            TopError(IEConsts::SExpectedCloseParen, "ParseFactTemplate", 1, "( deftemplate t ( slot a EOF "));
  EXPECT_EQ(ErrorOf("(defrule r (a"),
            TopError(Format(IEConsts::SBadSlotValue, "EOF"), "ParsePattern", 1, "( defrule r ( a EOF "));
  EXPECT_EQ(ErrorOf("(deftype T extends (type INTEGER) (allowed-values a"),
            TopError(IEConsts::SExpectedCloseParen, "ParseDefinedType", 1,
                     "( deftype T extends ( type INTEGER ) ( allowed-values a EOF "));
  EXPECT_EQ(ErrorOf("(defglobal ?*x* = 1"),
            TopError(IEConsts::SMissingName, "ParseVariable", 1, "( defglobal ?*x* = 1 EOF "));
  EXPECT_EQ(ErrorOf("(deftype T extends (type 1e999999))"),
            TopError(Format(IEConsts::SInvalidSlotTypeName, "1e999999"), "ParseSlotTypes", 1,
                     "( deftype T extends ( type 1e999999 "));
}

TEST(TVariableList, KeepsTheFirstKindInSortedOrder) {
  TVariableList list;
  EXPECT_EQ(list.Add("b", dtMultiVariable), dtMultiVariable);
  EXPECT_EQ(list.Add("a", dtVariable), dtVariable);
  EXPECT_EQ(list.Add("b", dtVariable), dtMultiVariable);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Name(0), "a");
  EXPECT_EQ(list.Find("c"), dtNone);
}

TEST(TIERuleParser, FreshVariableTakesTheSmallestUnusedNumber) {
  TVariableList used;
  for (const char* name : {"v", "v1", "v3", "w1"}) used.Add(name, dtVariable);
  EXPECT_EQ(TIERuleParser::FreshVariable("v", used)->AsText(), "?v2");
  EXPECT_EQ(TIERuleParser::FreshVariable("w", used)->AsText(), "?w");
  EXPECT_EQ(TIERuleParser::FreshVariable("x", used, dtMultiVariable)->AsText(), "$?x");
}

TEST(TSlotFunctions, DefaultsAndPackedIndices) {
  TSlotFunctions functions;
  ASSERT_EQ(functions.Count(), 5);
  EXPECT_EQ(functions.LowIndex(functions.IndexOf("assert")), 0);
  EXPECT_EQ(functions.HighIndex(functions.IndexOf("assert")), 65535);
  const std::int32_t modify = functions.IndexOf("modify");
  EXPECT_EQ(functions.LowIndex(modify), 1);
  EXPECT_EQ(functions.HighIndex(modify), 65535);
  EXPECT_EQ(functions.IndexOf("Modify"), -1);

  const std::int32_t index = functions.Add("change", TSlotFunctions::Pack(2, 4));
  EXPECT_EQ(functions.Packed(index), 0x00040002u);
  functions.SetLowIndex(index, 6);  // above the high index: raises it
  EXPECT_EQ(functions.HighIndex(index), 6);
  functions.SetHighIndex(index, 3);  // below the low index: lowers it
  EXPECT_EQ(functions.LowIndex(index), 3);
  functions.SetHighIndex(index, 0);  // stored as 1
  EXPECT_EQ(functions.HighIndex(index), 1);
  EXPECT_EQ(functions.LowIndex(index), 1);
  functions.SetPacked(index, 5);  // an upper half of 0 reads as 65535
  EXPECT_EQ(functions.HighIndex(index), 65535);
  EXPECT_THROW(functions.Name(9), EIEException);
}

}  // namespace
}  // namespace fxe::test
