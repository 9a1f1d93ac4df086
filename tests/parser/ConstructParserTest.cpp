// deftype, deftemplate, deffacts, defglobal and deffunction: what they build,
// the errors they raise, and their printed forms read back.
#include <gtest/gtest.h>

#include "base/FuzzyConsts.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/ConstructText.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "parser/ParserFixture.h"

namespace fxe::test {
namespace {

using TIERuleParserConstructs = ParserTest;

constexpr std::string_view kRiskType =
    "(deftype RISK extends (type FUZZY) (range 0.0 1.0) (values (term low ((0.0 1.0) (1.0 0.0)))))";

// --- deftype ------------------------------------------------------------------------------

TEST_F(TIERuleParserConstructs, FuzzyTypeWithOneTerm) {
  Parse(std::string(kRiskType));
  TRef<IIEDefinedType> risk = engine.FindDefinedType("RISK");
  ASSERT_TRUE(risk);
  EXPECT_EQ(risk->BaseTypes(), TIETypes{dtFuzzy});
  IFuzzyVariable* variable = risk->FuzzyVariable();
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(variable->Name(), "RISK");
  EXPECT_EQ(variable->Minimum(), 0.0);
  EXPECT_EQ(variable->Maximum(), 1.0);
  ASSERT_EQ(variable->TermCount(), 1);
  IFuzzySet* low = variable->FindTerm("low");
  ASSERT_NE(low, nullptr);
  EXPECT_TRUE(low->IsTerm());
  EXPECT_EQ(low->GetMembership(0.0), 1.0);
  EXPECT_EQ(low->GetMembership(0.5), 0.5);
  EXPECT_EQ(low->GetMembership(1.0), 0.0);
}

TEST_F(TIERuleParserConstructs, FuzzyTypeEventsReportTermsThenVariable) {
  std::vector<std::string> events;
  parser.SetOnParseFuzzySet([&](TIERuleParser&, IFuzzySet& term) { events.push_back("term " + term.Name()); });
  parser.SetOnParseFuzzyVariable(
      [&](TIERuleParser&, IFuzzyVariable& variable) { events.push_back("variable " + variable.Name()); });
  parser.SetOnParseDefinedType([&](TIERuleParser&, IIEDefinedType& type) { events.push_back("type " + type.Name()); });
  Parse("(deftype T extends (type FUZZY) (units cm) (values (term a ((0 1) (1 0))) (term b ((0 0) (1 1)))))");
  EXPECT_EQ(events, (std::vector<std::string>{"term a", "term b", "variable T", "type T"}));
  EXPECT_EQ(engine.FindDefinedType("T")->Units(), "cm");
}

TEST_F(TIERuleParserConstructs, DefinedTypeErrors) {
  Parse("(deftype A extends (type INTEGER)) (deftype B extends (type FLOAT))");
  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"(deftype T (type INTEGER))",
       TopError(Format(IEConsts::SMissingKeyword, "extends"), "ParseDefinedType", 1, "( deftype T ( ")},
      {"(deftype T extends type INTEGER)",
       TopError(IEConsts::SExpectedOpenParen, "ParseDefinedType", 1, "( deftype T extends type ")},
      {"(deftype T extends (types INTEGER))",
       TopError(Format(IEConsts::SMissingKeyword, "type"), "ParseDefinedType", 1, "( deftype T extends ( types ")},
      {"(deftype 5 extends (type INTEGER))", TopError(IEConsts::SMissingName, "ParseDefinedType", 1, "( deftype 5 ")},
      {"(deftype T extends (type FUZZY INTEGER))",
       TopError(IEConsts::SCannotMixFuzzy, "ParseSlotTypes", 1, "( deftype T extends ( type FUZZY INTEGER ")},
      {"(deftype T extends (type A B))",
       TopError(IEConsts::SMultipleInheritance, "ParseSlotTypes", 1, "( deftype T extends ( type A B ")},
      {"(deftype T extends (type integer))", TopError(Format(IEConsts::SInvalidSlotTypeName, "integer"),
                                                      "ParseSlotTypes", 1, "( deftype T extends ( type integer ")},
      {"(deftype T extends (type \"A\"))", TopError(Format(IEConsts::SInvalidSlotTypeName, R"(\"A"\)"),
                                                    "ParseSlotTypes", 1, R"(( deftype T extends ( type \"A"\ )")},
      {"(deftype T extends (type INTEGER) (range x 2))",
       TopError(Format(IEConsts::SExpectedBound, "range"), "ParseDefinedType", 1,
                "( deftype T extends ( type INTEGER ) ( range x ")},
      {"(deftype T extends (type INTEGER) (range 1 2 3))",
       TopError(IEConsts::SExpectedCloseParen, "ParseDefinedType", 1,
                "( deftype T extends ( type INTEGER ) ( range 1 2 3 ")},
      {"(deftype T extends (type INTEGER) (allowed-colours red))",
       TopError(Format(IEConsts::SExpectedAllowedValue, "allowed-colours"), "ParseDefinedType", 1,
                "( deftype T extends ( type INTEGER ) ( allowed-colours ")},
      {"(deftype T extends (type FUZZY) (colours red))",
       TopError(Format(IEConsts::SMissingKeyword, "range, units, or values"), "ParseFuzzyVariable", 1,
                "( deftype T extends ( type FUZZY ) ( colours ")},
      {"(deftype T extends (type FUZZY) (range ?x 1))", TopError(IEConsts::SExpectedValueMissing, "ParseDefinedType", 1,
                                                                 "( deftype T extends ( type FUZZY ) ( range ?x ")},
      {"(deftype T extends (type FUZZY) (values (trm a ((0 1)))))",
       TopError(IEConsts::SExpectedTerm, "ParseFuzzySet", 1, "( deftype T extends ( type FUZZY ) ( values ( trm ")},
      {"(deftype T extends (type FUZZY) (values (term a)))",
       TopError(IEConsts::SExpectedValueMissing, "ParseFuzzySet", 1,
                "( deftype T extends ( type FUZZY ) ( values ( term a ")},
      // The first term is made before the second fails; neither may outlive the type.
      {"(deftype T extends (type FUZZY) (values (term a ((0 1) (1 0))) (term b)))",
       TopError(IEConsts::SExpectedValueMissing, "ParseFuzzySet", 1,
                "( deftype T extends ( type FUZZY ) ( values ( term a ( ( 0 1 ) ( 1 0 ) ) ) ( term b ")},
      {"(deftype T extends (type INTEGER)",
       TopError(IEConsts::SExpectedCloseParen, "ParseDefinedType", 1, "( deftype T extends ( type INTEGER ) EOF ")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ErrorOf(c.text), c.expected);
    EXPECT_FALSE(engine.FindDefinedType("T"));
  }
  Use("(deftemp T)");
  EXPECT_EQ(ErrorOf([&] { parser.ParseDefinedType(); }),
            Error(IEConsts::SExpectedDeftype, "ParseDefinedType", 1, "( deftemp "));
}

TEST_F(TIERuleParserConstructs, BoundsAndAllowedValues) {
  Parse(
      "(deftype OPEN extends (type INTEGER) (range ?VARIABLE 10))"
      "(deftype HALF extends (type FLOAT) (range 0.5 2.5))"
      "(deftype CALLED extends (type INTEGER) (range 1 (+ 2 3)) (cardinality 2 ?VARIABLE))"
      "(deftype NAMES extends (type LEXEME) (allowed-lexemes red \"blue\" 7))"
      "(deftype NUMS extends (type NUMBER) (allowed-integers 1 2.9) (allowed-floats 0.5 2))");
  TRef<IIEDefinedType> open = engine.FindDefinedType("OPEN");
  EXPECT_TRUE(open->RangeLimited());
  EXPECT_EQ(open->MinRange(), UnboundedMinRange);
  EXPECT_EQ(open->MaxRange(), 10.0);
  EXPECT_NE(open->AsString().find("(range ?VARIABLE 10) "), std::string::npos) << open->AsString();

  TRef<IIEDefinedType> half = engine.FindDefinedType("HALF");
  EXPECT_EQ(half->MinRange(), 0.5);
  EXPECT_NE(half->AsString().find("(range 0 2) "), std::string::npos) << half->AsString();

  TRef<IIEDefinedType> called = engine.FindDefinedType("CALLED");
  EXPECT_EQ(called->MaxRange(), 5.0);
  EXPECT_TRUE(called->CardinalityLimited());
  EXPECT_EQ(called->MinCardinality(), 2);
  EXPECT_EQ(called->MaxCardinality(), UnboundedMaxCardinality);

  // Lexeme lists turn other values into strings of their text.
  TRef<IIEDefinedType> names = engine.FindDefinedType("NAMES");
  ASSERT_EQ(names->AllowedAtomCount(), 1);
  EXPECT_EQ(names->AllowedAtom(0), "red");
  ASSERT_EQ(names->AllowedStringCount(), 2);
  EXPECT_EQ(names->AllowedString(0), "blue");
  EXPECT_EQ(names->AllowedString(1), "7");

  TRef<IIEDefinedType> nums = engine.FindDefinedType("NUMS");
  ASSERT_EQ(nums->AllowedIntegerCount(), 2);
  EXPECT_EQ(nums->AllowedInteger(1), 2);
  ASSERT_EQ(nums->AllowedFloatCount(), 2);
  EXPECT_EQ(nums->AllowedFloat(1), 2.0);
}

TEST_F(TIERuleParserConstructs, DerivedTypeKeepsItsNameAndInheritsConstraints) {
  Parse(
      "(deftype SIZE \"sizes\" extends (type INTEGER) (range 1 10))"
      "(deftype SMALL \"small sizes\" extends (type SIZE FLOAT) (allowed-integers 1 2))");
  TRef<IIEDefinedType> size = engine.FindDefinedType("SIZE");
  TRef<IIEDefinedType> small = engine.FindDefinedType("SMALL");
  EXPECT_EQ(small->Name(), "SMALL");
  EXPECT_EQ(small->Comment(), "small sizes");
  EXPECT_EQ(small->Ancestor(), size.Get());
  EXPECT_EQ(small->BaseTypes(), (TIETypes{dtInteger, dtFloat}));
  EXPECT_TRUE(small->RangeLimited());
  EXPECT_EQ(small->MaxRange(), 10.0);
  EXPECT_EQ(small->AllowedIntegerCount(), 2);
  EXPECT_EQ(size->Constraints(), TValueConstraints{});
}

// Every deftype text prints in a form that reads back as an equal type.
TEST_F(TIERuleParserConstructs, DefinedTypesReadBackEqual) {
  const std::string texts[] = {
      std::string(kRiskType),
      "(deftype SIZE \"sizes\" extends (type INTEGER FLOAT) (range 1 52) (units weeks))",
      "(deftype WIDE extends (type INTEGER) (units \"square metres\") (cardinality 1 3))",
      "(deftype MIXED extends (type LEXEME NUMBER) (allowed-values a \"b\" 1 2.5))",
      "(deftype PICK extends (type SYMBOL) (allowed-symbols low high))",
      "(deftype FZ extends (type FUZZY) (range 1 100) (units weeks)"
      " (values (term short ((1 1) (20 0))) (term long ((20 0) (100 1)))))",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    TParserSession first;
    first.Use(text);
    TRef<IIEDefinedType> original = first.parser.ParseDefinedType();
    const std::string printed = first.parser.FormatDefinedType(*original);
    TParserSession second;
    second.Use(printed);
    TRef<IIEDefinedType> copy = second.parser.ParseDefinedType();
    EXPECT_TRUE(original->Equals(copy.Get())) << printed;
    EXPECT_EQ(second.parser.FormatDefinedType(*copy), printed);
  }
}

// --- deftemplate -----------------------------------------------------------------------------

TEST_F(TIERuleParserConstructs, IsATemplateHasOneDataSlotOfTheType) {
  Parse(std::string(kRiskType) + "(deftemplate risk is-a RISK)");
  TRef<IFactTemplate> risk = engine.FindFactTemplate("risk");
  ASSERT_TRUE(risk);
  EXPECT_TRUE(risk->IsImplied());
  ASSERT_EQ(risk->SlotCount(), 1);
  EXPECT_EQ(risk->GetSlot(ImpliedSlotName).ExtendedTypeInfo(), engine.FindDefinedType("RISK").Get());
  EXPECT_EQ(parser.FormatFactTemplate(*risk), "(deftemplate risk is-a RISK)");
}

TEST_F(TIERuleParserConstructs, SlotQualifiers) {
  Parse(
      "(deftype NUM extends (type INTEGER))"
      "(deftemplate t \"a comment\""
      "  (slot a (TYPE INTEGER) (Default 7))"
      "  (field b (type NUM) (allowed-integers 1 2) (range 1 2))"
      "  (multislot c (type SYMBOL) (default x y) (cardinality 0 3))"
      "  (slot d (default-dynamic (+ 1 2)))"
      "  (slot e (default (+ 1 2)))"
      "  (slot f (type FLOAT) (default 3))"
      "  (slot g (type INTEGER) (default 2.7))"
      "  (slot h (type SYMBOL) (ALLOWED-SYMBOLS x y)))");
  TRef<IFactTemplate> t = engine.FindFactTemplate("t");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Comment(), "a comment");

  const IFactSlot& a = t->GetSlot("a");
  EXPECT_EQ(a.SlotType(), TIETypes{dtInteger});
  EXPECT_EQ(a.SlotDefault()->AsText(), "7");

  // A slot's own constraints go into a private type; the named type stays as it is.
  const IFactSlot& b = t->GetSlot("b");
  ASSERT_NE(b.ExtendedTypeInfo(), nullptr);
  EXPECT_TRUE(b.ExtendedTypeInfo()->Implicit());
  EXPECT_NE(b.ExtendedTypeInfo(), engine.FindDefinedType("NUM").Get());
  EXPECT_EQ(b.ExtendedTypeInfo()->AllowedIntegerCount(), 2);
  EXPECT_TRUE(b.ExtendedTypeInfo()->RangeLimited());
  EXPECT_EQ(engine.FindDefinedType("NUM")->Constraints(), TValueConstraints{});
  EXPECT_FALSE(engine.FindDefinedType("NUM")->RangeLimited());

  const IFactSlot& c = t->GetSlot("c");
  EXPECT_TRUE(c.IsMultislot());
  EXPECT_EQ(c.SlotType(), (TIETypes{dtAtom} | MultiSlotMarker));
  EXPECT_EQ(c.SlotDefault()->AsText(), "x y ");
  EXPECT_EQ(c.ExtendedTypeInfo()->MaxCardinality(), 3);

  const IFactSlot& d = t->GetSlot("d");
  EXPECT_TRUE(d.DefaultDynamic());
  EXPECT_EQ(d.SlotDefault()->DType(), dtFunCall);
  EXPECT_EQ(t->GetSlot("e").SlotDefault()->AsText(), "3");
  // Static checking converts numbers to the slot's kind.
  EXPECT_EQ(t->GetSlot("f").SlotDefault()->DType(), dtFloat);
  EXPECT_EQ(t->GetSlot("g").SlotDefault()->DType(), dtInteger);
  EXPECT_EQ(t->GetSlot("g").SlotDefault()->AsInteger(), 2);
  EXPECT_EQ(t->GetSlot("h").ExtendedTypeInfo()->AllowedAtomCount(), 2);
}

TEST_F(TIERuleParserConstructs, TemplateErrors) {
  Parse(std::string(kRiskType));
  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"(deftemplate t (slot x (type integer)))",
       TopError(Format(IEConsts::SInvalidSlotTypeName, "integer"), "ParseSlotTypes", 1,
                "( deftemplate t ( slot x ( type integer ")},
      {"(deftemplate t (slot x (type RISK) (allowed-symbols a b)))",
       TopError(IEConsts::SFuzzyTypeModification, "ParseFactTemplateSlot", 1,
                "( deftemplate t ( slot x ( type RISK ) ( allowed-symbols ")},
      {"(deftemplate t (slot x (type RISK) (range 1 2)))",
       TopError(IEConsts::SFuzzyTypeModification, "ParseFactTemplateSlot", 1,
                "( deftemplate t ( slot x ( type RISK ) ( range ")},
      {"(deftemplate t (slot x (colour red)))",
       TopError(Format(IEConsts::SInvalidSlotQualifier, "colour"), "ParseFactTemplateSlot", 1,
                "( deftemplate t ( slot x ( colour ")},
      {"(deftemplate t (slot x (5)))", TopError(Format(IEConsts::SInvalidSlotQualifier, "5"), "ParseFactTemplateSlot",
                                                1, "( deftemplate t ( slot x ( 5 ")},
      {"(deftemplate t (slots x))", TopError(Format(IEConsts::SInvalidSlotTypeName, "slots"), "ParseFactTemplateSlot",
                                             1, "( deftemplate t ( slots ")},
      {"(deftemplate t (slot \"x\"))", TopError(Format(IEConsts::SBadSlotName, R"(\"x"\)"), "ParseFactTemplateSlot", 1,
                                                R"(( deftemplate t ( slot \"x"\ )")},
      {"(deftemplate t (slot x y))",
       TopError(IEConsts::SExpectedCloseParen, "ParseFactTemplate", 1, "( deftemplate t ( slot x y ")},
      {"(deftemplate t is-a)",
       TopError(IEConsts::SMissingTemplateType, "ParseFactTemplate", 1, "( deftemplate t is-a ) ")},
      {"(deftemplate t is-a NOPE)",
       TopError(Format(IEConsts::STypeNameUnknown, "NOPE"), "ParseFactTemplate", 1, "( deftemplate t is-a NOPE ")},
      {"(deftemplate t extends 5)",
       TopError(IEConsts::SMissingParentTemplate, "ParseFactTemplate", 1, "( deftemplate t extends 5 ")},
      {"(deftemplate t with x)",
       TopError(IEConsts::SExpectedTemplateClause, "ParseFactTemplate", 1, "( deftemplate t with ")},
      {"(deftemplate t (slot x (type INTEGER) (default abc)))",
       TopError(Format(IEConsts::SSlotValidate, Format(IEConsts::SNotAType, "INTEGER", "abc", "dtAtom"), "x"),
                "ParseValue(SlotTypes)", 1, "( deftemplate t ( slot x ( type INTEGER ) ( default abc ")},
      {"(deftemplate t (slot x (type RISK) (default medium)))",
       "<other> " + Format(FuzzyConsts::SInvalidFuzzyItem, "medium")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ErrorOf(c.text), c.expected);
    EXPECT_FALSE(engine.FindFactTemplate("t"));
  }
}

TEST_F(TIERuleParserConstructs, FuzzySlotMayLimitItsCardinality) {
  Parse(std::string(kRiskType) + "(deftemplate t (multislot x (type RISK) (cardinality 1 2)))");
  const IFactSlot& x = engine.FindFactTemplate("t")->GetSlot("x");
  ASSERT_NE(x.ExtendedTypeInfo(), nullptr);
  EXPECT_TRUE(x.ExtendedTypeInfo()->Implicit());
  EXPECT_EQ(x.ExtendedTypeInfo()->MaxCardinality(), 2);
  EXPECT_NE(x.ExtendedTypeInfo()->FuzzyVariable(), nullptr);
  EXPECT_FALSE(engine.FindDefinedType("RISK")->CardinalityLimited());
}

TEST_F(TIERuleParserConstructs, ExtendedTemplateCopiesTheParentsSlots) {
  Parse("(deftemplate base (slot a (default 1)) (slot b)) (deftemplate child extends base (slot c))");
  TRef<IFactTemplate> child = engine.FindFactTemplate("child");
  ASSERT_TRUE(child);
  EXPECT_EQ(child->Name(), "child");
  EXPECT_EQ(child->Parent(), engine.FindFactTemplate("base").Get());
  EXPECT_EQ(child->SlotCount(), 3);
  EXPECT_EQ(child->GetSlot("a").SlotDefault()->AsText(), "1");
  EXPECT_EQ(engine.FindFactTemplate("base")->SlotCount(), 2);
}

TEST_F(TIERuleParserConstructs, TemplatesReadBackEqual) {
  const std::string types = std::string(kRiskType) + "(deftype NUM extends (type INTEGER) (range 0 9))";
  const std::string texts[] = {
      "(deftemplate risk is-a RISK)",
      "(deftemplate project \"projects\" (slot funding (type NUM) (default 5)) (slot name (type STRING))"
      " (multislot tags (type SYMBOL) (default a b)) (slot level (type RISK) (default low))"
      " (slot when (default-dynamic (+ 1 2))) (slot any))",
      "(deftemplate point (slot x (type INTEGER) (range 0 10) (allowed-integers 1 2 3)) (slot y (type FLOAT)))",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    TParserSession first;
    first.Parse(types + text);
    ASSERT_EQ(first.engine.Output(), "");
    TParserSession second;
    second.Parse(types);
    for (const std::string name : {"risk", "project", "point"}) {
      TRef<IFactTemplate> original = first.engine.FindFactTemplate(name);
      if (!original) continue;
      const std::string printed = first.parser.FormatFactTemplate(*original);
      second.Parse(printed);
      TRef<IFactTemplate> copy = second.engine.FindFactTemplate(name);
      ASSERT_TRUE(copy) << printed;
      // Slots print in the order of the template's slot table, which depends on
      // the order they were added in; the templates are equal all the same.
      EXPECT_TRUE(original->Equals(copy.Get())) << printed;
    }
  }
}

// --- deffacts, defglobal, deffunction -------------------------------------------------------------

TEST_F(TIERuleParserConstructs, FactSetHoldsItsFactsAndReadsBack) {
  TFactSet* reported = nullptr;
  parser.SetOnParseFactSet([&](TIERuleParser&, TFactSet& set) { reported = &set; });
  Parse("(deftemplate point (slot x) (slot y)) (deffacts start \"first facts\" (point (x 1) (y 2)) (go now))");
  ASSERT_EQ(engine.FactSets().size(), 1u);
  TFactSet& set = *engine.FactSets().front();
  EXPECT_EQ(reported, &set);
  EXPECT_EQ(set.FactSetName(), "start");
  EXPECT_EQ(set.Comment(), "first facts");
  ASSERT_EQ(set.Count(), 2);
  EXPECT_EQ(set.Line(0), "(point (x 1) (y 2))");
  EXPECT_EQ(set.Line(1), "(go now )");

  const std::string printed = parser.FormatFactSet(set);
  TParserSession second;
  second.Parse("(deftemplate point (slot x) (slot y))" + printed);
  ASSERT_EQ(second.engine.FactSets().size(), 1u);
  EXPECT_EQ(second.parser.FormatFactSet(*second.engine.FactSets().front()), printed);
}

TEST_F(TIERuleParserConstructs, FailedFactSetAddsNothing) {
  Parse("(deftemplate point (slot y))");
  EXPECT_EQ(ErrorOf("(deffacts start (go now) (point (x 1)))"), "<other> " + Format(IEConsts::SNoSuchSlotName, "x"));
  EXPECT_EQ(ErrorOf("(deffacts start (go now) 5)"),
            TopError(IEConsts::SExpectedCloseParen, "ParseFactSet", 1, "( deffacts start ( go now ) 5 "));
  EXPECT_TRUE(engine.FactSets().empty());
}

TEST_F(TIERuleParserConstructs, GlobalVariables) {
  std::vector<std::string> reported;
  parser.SetOnParseVariable([&](TIERuleParser&, std::string_view name, TIEValue& value) {
    reported.push_back(std::string(name) + "=" + value.AsText());
  });
  EXPECT_EQ(ErrorOf("(defglobal ?*x* = 5 ?y = 1)"),
            TopError(Format(IEConsts::SBadVariableName, "y"), "ParseVariable", 1, "( defglobal ?*x* = 5 ?y "));
  // Globals are stored as they are read.
  ASSERT_EQ(engine.Globals().size(), 1u);
  EXPECT_EQ(engine.Globals()[0].first, "*x*");

  Parse("(defglobal ?*sum* = (+ 1 2) ?*name* = \"n\")");
  EXPECT_EQ(reported, (std::vector<std::string>{"*x*=5", "*sum*=(+ 1 2)", "*name*=\"n\""}));
  EXPECT_EQ(engine.EngineContext().FindVariableValue("*sum*")->AsText(), "3");
  Parse("?*sum*");
  EXPECT_EQ(engine.Output(), "3\r\n");

  EXPECT_EQ(ErrorOf("(defglobal ?*z* 5)"),
            TopError(Format(IEConsts::SExpectedText, "="), "ParseVariable", 1, "( defglobal ?*z* 5 "));
  EXPECT_EQ(ErrorOf("(defglobal ?*z* = )"),
            TopError(IEConsts::SExpectedValueMissing, "ParseVariable", 1, "( defglobal ?*z* = ) "));
  EXPECT_EQ(ErrorOf("(defglobal *z* = 5)"), TopError(IEConsts::SMissingName, "ParseVariable", 1, "( defglobal *z* "));
  Use("(defglobl ?*z* = 5)");
  EXPECT_EQ(ErrorOf([&] { parser.ParseGlobalVariables(); }),
            Error(IEConsts::SExpectedDefglobal, "ParseGlobalVariables", 1, "( defglobl "));
}

TEST_F(TIERuleParserConstructs, GlobalVariablesPrint) {
  const std::vector<std::pair<std::string, TRef<TIEValue>>> globals{{"*x*", NewInteger(5)}, {"*s*", NewString("a b")}};
  EXPECT_EQ(parser.FormatGlobalVariables(globals), "(defglobal ?*x* = 5 ?*s* = \"a b\")");
  EXPECT_EQ(TIERuleParser::GlobalVariableText("*x*", *NewFloat(1.5)), "(defglobal ?*x* = 1.5000)");
}

TEST_F(TIERuleParserConstructs, FunctionIsRegisteredCallableAndReadsBack) {
  IUserFunction* reported = nullptr;
  parser.SetOnParseFunction([&](TIERuleParser&, IUserFunction& function) { reported = &function; });
  Parse("(deffunction add3 (?a ?b $?rest) \"adds two\" (+ ?a ?b) (+ ?a ?b 1))");
  TRef<IUserFunction> add3 = engine.FindFunction("add3");
  ASSERT_TRUE(add3);
  EXPECT_EQ(reported, add3.Get());
  EXPECT_EQ(add3->Comment(), "adds two");
  const std::string printed = parser.FormatFunction(*add3);
  EXPECT_EQ(printed,
            "(deffunction add3 (?a ?b $?rest)\r\n    \"adds two\"\r\n    (+ ?a ?b)\r\n    (+ ?a ?b 1)\r\n)\r\n");
  Parse("(add3 1 2 3 4)");
  EXPECT_EQ(engine.Output(), "4\r\n");

  TParserSession second;
  second.Parse(printed);
  EXPECT_EQ(second.parser.FormatFunction(*second.engine.FindFunction("add3")), printed);
}

TEST_F(TIERuleParserConstructs, FunctionErrors) {
  EXPECT_EQ(ErrorOf("(deffunction f ?a)"),
            TopError(IEConsts::SExpectedOpenParen, "ParseFunction", 1, "( deffunction f ?a "));
  EXPECT_EQ(ErrorOf("(deffunction f (?a 5))"),
            TopError(IEConsts::SExpectedCloseParen, "ParseFunction", 1, "( deffunction f ( ?a 5 "));
  EXPECT_EQ(ErrorOf("(deffunction f (?a b))"),
            TopError(IEConsts::SExpectedCloseParen, "ParseFunction", 1, "( deffunction f ( ?a b "));
  EXPECT_EQ(ErrorOf("(deffunction f () & )"),
            TopError(Format(IEConsts::SUnexpectedCharacter, "&"), "ParseFunction", 1, "( deffunction f ( ) & "));
  EXPECT_EQ(ErrorOf("(deffunction f () (+ 1 2)"),
            TopError(IEConsts::SUnexpectedEndOfStream, "ParseFunction", 1, "( deffunction f ( ) ( + 1 2 ) EOF "));
  EXPECT_FALSE(engine.FindFunction("f"));
}

// Each construct's grammar operation, called on another construct, names
// the opening it expected.
TEST_F(TIERuleParserConstructs, GrammarOperationsNameTheOpeningTheyExpect) {
  struct TCase {
    std::function<void(TIERuleParser&)> parse;
    std::string_view message;
    std::string_view operation;
  };
  const TCase cases[] = {
      {[](TIERuleParser& p) { p.ParseFactTemplate(); }, IEConsts::SExpectedDeftemplate, "ParseFactTemplate"},
      {[](TIERuleParser& p) { p.ParseFactSet(); }, IEConsts::SExpectedDeffacts, "ParseFactSet"},
      {[](TIERuleParser& p) { p.ParseFunction(); }, IEConsts::SExpectedDeffunction, "ParseFunction"},
      {[](TIERuleParser& p) { p.ParseRule(); }, IEConsts::SExpectedDefrule, "ParseRule"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.operation);
    Use("(deftype x)");
    EXPECT_EQ(ErrorOf([&] { c.parse(parser); }), Error(c.message, c.operation, 1, "( deftype "));
  }
}

}  // namespace
}  // namespace fxe::test
