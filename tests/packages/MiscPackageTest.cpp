// The miscellaneous package on a real engine: its function table, the
// listings' exact texts and orders, pretty-printing and removal of
// constructs, the switches, guard, the date functions and the dialogs.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "model/IEFacts.h"
#include "packages/MiscPackage.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

constexpr std::int32_t Many = UnlimitedArguments;

class MiscPackage : public ::testing::Test {
 protected:
  TInferenceEngine& Engine() { return session_.Engine(); }
  // Evaluates one call in the engine's context.
  TRef<TIEValue> Eval(std::string_view text) {
    return Engine().ParseFunctionCall(text)->Evaluate(&Engine().EngineContext());
  }
  // Parses and runs the text; what it printed.
  std::string Run(std::string_view text) { return session_.Run(text); }
  // What one call printed.
  std::string Printed(std::string_view call) {
    session_.output.clear();
    Eval(call);
    return session_.output;
  }

  test::TEngineSession session_;
};

// The engine of these tests also has (list x ...): a multifield of the values.
class MiscPackageWithList : public MiscPackage {
 protected:
  MiscPackageWithList() {
    session_.Function("list", [](test::TEngineSession&, IFunCall& call, TIEContext* context) {
      auto list = MakeRef<TValueVector>();
      for (const auto& value : test::TEngineSession::Arguments(call, context)) list->Add(value);
      return NewList(list);
    });
  }
};

TEST_F(MiscPackage, RegistersEveryFunctionInOrderWithUsageAndArity) {
  struct Row {
    const char* name;
    const char* usage;
    std::int32_t min, max;
  };
  const char* date = " <system-date-numeric-expression>";
  const char* time = " <system-time-numeric-expression>";
  const char* dialog = " [<caption-string> [<prompt-string> [<default-string>]]]";
  const Row rows[] = {
      {"decode-year", date, 1, 1},
      {"decode-month", date, 1, 1},
      {"decode-day", date, 1, 1},
      {"decode-hour", time, 1, 1},
      {"decode-minute", time, 1, 1},
      {"decode-second", time, 1, 1},
      {"decode-millisecond", time, 1, 1},
      {"encode-date", " <year-integer-expression> [<month-integer-expression> [<day-integer-expression>]]", 1, Many},
      {"encode-time",
       " <hour-integer-expression> [<minute-integer-expression> [<second-integer-expression> "
       "[<millisecond-integer-expression>]]]",
       1, Many},
      {"system-datetime", "", 0, 0},
      {"system-date", "", 0, 0},
      {"system-time", "", 0, 0},
      {"str-datetime", " <string-expression> ", 1, Many},
      {"str-date", " <string-expression> ", 1, Many},
      {"str-time", " <string-expression> ", 1, Many},
      {"datetime-str", " <numeric-expression> ", 1, Many},
      {"date-str", " <numeric-expression> ", 1, Many},
      {"time-str", " <numeric-expression> ", 1, Many},
      {"datetime-str-format", " <numeric-expression> <format-string-expression>", 1, Many},
      {"guard", "<function-call-argument>+", 1, Many},
      {"parse", "<string-expression>", 1, 1},
      {"time", "", 0, 0},
      {"agenda", "", 0, 0},
      {"get-dynamic-constraint-checking", "", 0, 0},
      {"get-static-constraint-checking", "", 0, 0},
      {"input-box", dialog, 0, 3},
      {"input-query", dialog, 0, 3},
      {"message-dlg",
       " <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom <string-set-expression> "
       "[<integer-expression>]",
       2, 4},
      {"show-message", " <string-expression> ", 1, 1},
      {"list-defrules", "", 0, 0},
      {"list-deftypes", "", 0, 0},
      {"list-deffacts", "", 0, 0},
      {"list-deffunctions", "", 0, 1},
      {"list-deftemplates", "", 0, 0},
      {"ppdeffacts", " <fact-set-name>", 1, 1},
      {"ppdeffunction", " <function-name>", 1, 1},
      {"ppdeftemplate", " <fact-template-name>", 1, 1},
      {"ppdefrule", " <rulename>", 1, 1},
      {"ppdeftype", " <type-name>", 1, 1},
      {"set-reset-globals", " [<boolean-expression>]", 0, 1},
      {"setgen", " <integer-expression>", 1, 1},
      {"set-dynamic-constraint-checking", " <boolean-expression>", 1, 1},
      {"set-static-constraint-checking", " <boolean-expression>", 1, 1},
      {"facts", " [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]", 0, 3},
      {"rules", "[<logical-name>]", 0, 1},
      {"undeffacts", " <fact-set-name>", 1, 1},
      {"undeffunction", " <function-name>", 1, 1},
      {"undefrule", " <rule-name>", 1, 1},
      {"undeftemplate", " <fact-template-name>", 1, 1},
      {"undeftype", "<defined-type-name-expression>", 1, 1},
  };
  auto package = TUserPackage::Create<TMiscPackage>(nullptr);
  ASSERT_EQ(package->Functions().size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    const IUserFunction& function = *package->Functions()[i];
    EXPECT_EQ(function.FunctionName(), row.name);
    EXPECT_EQ(function.ArgumentString(), row.usage);
    EXPECT_EQ(function.MinArgumentCount(), row.min);
    EXPECT_EQ(function.MaxArgumentCount(), row.max);
    EXPECT_FALSE(function.Comment().empty());
    // The engine's own package serves the same function under the name.
    const TRef<IUserFunction> registered = Engine().FindFunction(row.name);
    ASSERT_TRUE(registered);
    EXPECT_EQ(registered->ArgumentString(), row.usage);
  }
}

// --- Listings ----------------------------------------------------------------------------------

TEST_F(MiscPackage, FactsOnAnEmptyFactListWritesOnlyTheTotal) {
  Engine().Retract(0);
  ASSERT_EQ(Engine().FactCount(), 0);
  EXPECT_EQ(Printed("(facts)"), "For a total of 0 facts.");
  EXPECT_EQ(Eval("(facts)").Get(), SharedValues().True.Get());
}

TEST_F(MiscPackage, FactsSelectsByRangeAndCountAndSortsTheLines) {
  // Eleven more facts make the next index 12: two digits of padding.
  Run("(deftemplate item (slot n))");
  for (int i = 1; i <= 11; ++i) Engine().AssertString("(item (n " + std::to_string(i) + "))");
  // Retracting and asserting again moves a low index behind higher ones in the fact list.
  Engine().Retract(Engine().IndexOfFactId(2));
  Engine().AssertString("(item (n 2))");
  ASSERT_EQ(Engine().NextFactIndex(), 13);
  struct Row {
    const char* call;
    const char* listing;
  };
  const Row rows[] = {
      {"(facts 11)", "f-11 (item (n 11))\r\nf-12 (item (n 2))\r\nFor a total of 2 facts."},
      {"(facts 3 5)", "f-03 (item (n 3))\r\nf-04 (item (n 4))\r\nf-05 (item (n 5))\r\nFor a total of 3 facts."},
      // The count is taken in fact-list order, then the lines are sorted.
      {"(facts 9 12 2)", "f-09 (item (n 9))\r\nf-10 (item (n 10))\r\nFor a total of 2 facts."},
      {"(facts 0 1 5)", "f-00 (Initial-Fact)\r\nf-01 (item (n 1))\r\nFor a total of 2 facts."},
      {"(facts 5 3)", "For a total of 0 facts."},
      {"(facts 0 99 0)", "For a total of 0 facts."},
      {"(facts 0 99 -1)", "For a total of 0 facts."},
      {"(facts 50)", "For a total of 0 facts."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    EXPECT_EQ(Printed(row.call), row.listing);
  }
  const std::string all = Printed("(facts)");
  EXPECT_TRUE(all.starts_with("f-00 (Initial-Fact)\r\nf-01 (item (n 1))\r\nf-03 (item (n 3))\r\n")) << all;
  EXPECT_TRUE(all.ends_with("f-12 (item (n 2))\r\nFor a total of 12 facts.")) << all;
}

TEST_F(MiscPackage, NameListingsAreSortedAlphabeticallyWithTheirTotals) {
  Run("(deftemplate beta (slot x)) (deftemplate Alpha (slot y))"
      "(defrule zeta (beta (x ?x)) => (note ?x))"
      "(defrule Eta (Alpha (y ?y)) => (note ?y))"
      "(defrule eta2 (Alpha (y ?y)) => (note ?y))"
      "(deffacts second (beta (x 1))) (deffacts First (Alpha (y 2)))");
  EXPECT_EQ(Printed("(list-defrules)"), "Eta\r\neta2\r\nzeta\r\nfor a total of 3 rules.");
  EXPECT_EQ(Printed("(list-deffacts)"), "First\r\nsecond\r\nfor a total of 2 deffacts.");
  EXPECT_EQ(Printed("(list-deftemplates)"),
            "__NOT-OR-TEST-CE*\r\nAlpha\r\nbeta\r\nInitial-Fact\r\nfor a total of 4 deftemplates.");
  EXPECT_EQ(Printed("(list-deftypes)"), "for a total of 0 deftypes.");
  const std::string functions = Printed("(list-deffunctions)");
  const std::string total = "for a total of " + std::to_string(Engine().FunctionTable().Count()) + " deffunctions.";
  EXPECT_TRUE(functions.ends_with("\r\n" + total)) << functions;
  EXPECT_NE(functions.find("\r\nundeftype\r\n"), std::string::npos);
}

TEST_F(MiscPackage, AgendaListsTheActivationsThenTheTotal) {
  Run("(defrule low (declare (salience -5)) (job ?x) => (note ?x))"
      "(defrule high (declare (salience 10)) (job ?x) => (note ?x))");
  EXPECT_EQ(Printed("(agenda)"), "for a total of 0 activations.");
  Engine().AssertString("(job 1)");
  EXPECT_EQ(Printed("(agenda)"), "10 high : f-1 (1.0000)\r\n-5 low : f-1 (1.0000)\r\nfor a total of 2 activations.");
  EXPECT_EQ(Eval("(agenda)").Get(), SharedValues().Nil.Get());
}

TEST_F(MiscPackage, RulesWritesEachRuleTextWithALineEndThenTheTotal) {
  Run("(defrule only (job ?x) => (note ?x))");
  const std::string text = Engine().FindRule("only")->AsString();
  EXPECT_EQ(Printed("(rules)"), text + "\r\nFor a total of 1 rules.");
  EXPECT_EQ(Printed("(rules t)"), text + "\r\nFor a total of 1 rules.");
  Run("(undefrule only)");
  EXPECT_EQ(Printed("(rules)"), "For a total of 0 rules.");
}

// --- Pretty-printing ----------------------------------------------------------------------------

TEST_F(MiscPackage, PrettyPrintWritesTheParseableTextThatReadsBack) {
  Run("(deftype size extends (type INTEGER) (range 1 10))"
      "(deftemplate box (slot side (type size)))"
      "(deffacts boxes (box (side 3)))"
      "(deffunction twice (?x) (* 2 ?x))"
      "(defrule show (box (side ?s)) => (note ?s))");
  struct Row {
    const char* call;
    std::string text;
  };
  const Row rows[] = {
      {"(ppdeftype size)", Engine().FindDefinedType("size")->AsString()},
      {"(ppdeftemplate box)", Engine().FindFactTemplate("box")->AsString()},
      {"(ppdeffacts boxes)", Engine().FactSetList()[0]->AsString()},
      {"(ppdefrule show)", Engine().FindRule("show")->AsString()},
      {"(ppdeffunction twice)", Engine().FormatFunction(*Engine().FindFunction("twice"))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    const std::string printed = Printed(row.call);
    EXPECT_TRUE(printed.ends_with("\r\n") && !printed.ends_with("\r\n\r\n")) << printed;
    EXPECT_EQ(printed.substr(0, row.text.size()), row.text);
  }
  // The printed deffunction reads back into a working function.
  const std::string function = Printed("(ppdeffunction twice)");
  Run("(undeffunction twice)");
  EXPECT_FALSE(Engine().FindFunction("twice"));
  Run(function);
  EXPECT_EQ(Eval("(twice 21)")->AsInteger(), 42);
  // A built-in function shows its name with the usage and its help text.
  const TRef<IUserFunction> setgen = Engine().FindFunction("setgen");
  EXPECT_EQ(Printed("(ppdeffunction setgen)"), "setgen <integer-expression>\r\n" + setgen->Comment() + "\r\n");
}

TEST_F(MiscPackage, UnknownNamesRaiseWithTheKindWord) {
  const char* rows[][2] = {
      {"(ppdeffacts none)", "Unknown fact set name: none"},
      {"(ppdeffunction none)", "Unknown user function name: none"},
      {"(ppdeftemplate none)", "Unknown fact template name: none"},
      {"(ppdefrule none)", "Unknown rule name: none"},
      {"(ppdeftype none)", "Unknown defined type name: none"},
      {"(undeffacts none)", "Unknown fact set name: none"},
      {"(undeffunction none)", "Unknown user function name: none"},
      {"(undeftemplate none)", "Unknown fact template name: none"},
      {"(undefrule none)", "Unknown rule name: none"},
      {"(undeftype none)", "Unknown defined type name: none"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    ExpectError([&] { Eval(row[0]); }, row[1]);
  }
}

// --- Removal -----------------------------------------------------------------------------------

TEST_F(MiscPackage, UndefruleTakesTheRuleAndItsActivations) {
  Run("(defrule r (job ?x) => (note ?x))");
  Engine().AssertString("(job 1)");
  ASSERT_EQ(Engine().Agenda().Count(), 1);
  EXPECT_EQ(Eval("(undefrule r)").Get(), SharedValues().True.Get());
  EXPECT_EQ(Engine().FindRule("r"), nullptr);
  EXPECT_EQ(Engine().Agenda().Count(), 0);
}

TEST_F(MiscPackage, ARuleMayRemoveItselfWhileFiring) {
  Run("(defrule once (job ?x) => (undefrule once) (note ?x))");
  Engine().AssertString("(job 1)");
  Engine().AssertString("(job 2)");
  EXPECT_EQ(Engine().Run(), 1);
  EXPECT_EQ(session_.log.size(), 1u);
  EXPECT_EQ(Engine().FindRule("once"), nullptr);
}

TEST_F(MiscPackage, UndeftemplateTakesItsFactsFactSetLinesAndRules) {
  Run("(deftemplate box (slot side)) (deftemplate other (slot x))"
      "(defrule uses-box (box (side ?s)) => (note ?s))"
      "(defrule uses-other (other (x ?x)) => (note ?x))");
  Engine().AssertString("(box (side 1))");
  Engine().AssertString("(other (x 2))");
  Run("(undeftemplate box)");
  EXPECT_FALSE(Engine().FindFactTemplate("box"));
  EXPECT_EQ(Engine().FindRule("uses-box"), nullptr);
  EXPECT_NE(Engine().FindRule("uses-other"), nullptr);
  EXPECT_EQ(session_.Facts(), "f-0 (Initial-Fact)\nf-2 (other (x 2))\n");
}

TEST_F(MiscPackage, UndeftemplateRefusesTheEnginesOwnTemplates) {
  ExpectError([&] { Eval("(undeftemplate Initial-Fact)"); },
              "Cannot remove the engine's own fact template: Initial-Fact");
  ExpectError([&] { Eval("(undeftemplate __NOT-OR-TEST-CE*)"); },
              "Cannot remove the engine's own fact template: __NOT-OR-TEST-CE*");
  Engine().Reset();
  EXPECT_EQ(session_.Facts(), "f-0 (Initial-Fact)\n");
}

TEST_F(MiscPackage, UndeftypeTakesDerivedTypesAndTheTemplatesThatUseThem) {
  Run("(deftype size extends (type INTEGER) (range 1 10))"
      "(deftype small extends (type size) (range 1 3))"
      "(deftype colour extends (type SYMBOL))"
      "(deftemplate box (slot side (type size)))"
      "(deftemplate cube (slot side (type small)))"
      "(deftemplate paint (slot shade (type colour)))"
      "(defrule on-cube (cube (side ?s)) => (note ?s))");
  Engine().AssertString("(cube (side 2))");
  Engine().AssertString("(paint (shade red))");
  Run("(undeftype size)");
  EXPECT_FALSE(Engine().FindDefinedType("size"));
  EXPECT_FALSE(Engine().FindDefinedType("small"));
  EXPECT_TRUE(Engine().FindDefinedType("colour"));
  EXPECT_FALSE(Engine().FindFactTemplate("box"));
  EXPECT_FALSE(Engine().FindFactTemplate("cube"));
  EXPECT_TRUE(Engine().FindFactTemplate("paint"));
  EXPECT_EQ(Engine().FindRule("on-cube"), nullptr);
  EXPECT_EQ(session_.Facts(), "f-0 (Initial-Fact)\nf-2 (paint (shade red))\n");
}

TEST_F(MiscPackage, UndeffactsKeepsItsFactsOutOfTheNextReset) {
  Run("(deftemplate kept (slot n)) (deffacts keep (kept (n 1))) (deffacts drop (dropped 1))");
  Run("(undeffacts drop)");
  ASSERT_EQ(Engine().FactSetList().size(), 1u);
  EXPECT_EQ(Engine().FactSetList()[0]->FactSetName(), "keep");
  Engine().Reset();
  EXPECT_EQ(session_.Facts(), "f-0 (Initial-Fact)\nf-1 (kept (n 1))\n");
}

TEST_F(MiscPackage, UndeffunctionLeavesTheNameUnresolved) {
  Run("(deffunction twice (?x) (* 2 ?x))");
  ASSERT_EQ(Eval("(twice 2)")->AsInteger(), 4);
  Run("(undeffunction twice)");
  ExpectError([&] { Eval("(twice 2)"); }, "Function is unimplemented or unassigned: twice");
}

// --- Switches, counters, evaluation ---------------------------------------------------------------

TEST_F(MiscPackage, ConstraintSwitchesReturnTheFormerState) {
  Engine().SetTypeChecks(TTypeChecks{tcStatic});
  EXPECT_EQ(Eval("(get-static-constraint-checking)")->AsString(), "TRUE");
  EXPECT_EQ(Eval("(get-dynamic-constraint-checking)")->AsString(), "FALSE");
  EXPECT_EQ(Eval("(set-static-constraint-checking FALSE)")->AsString(), "TRUE");
  EXPECT_EQ(Eval("(set-static-constraint-checking FALSE)")->AsString(), "FALSE");
  EXPECT_EQ(Eval("(set-dynamic-constraint-checking TRUE)")->AsString(), "FALSE");
  EXPECT_EQ(Engine().TypeChecks(), TTypeChecks{tcDynamic});
  // Only TRUE switches a check on.
  EXPECT_EQ(Eval("(set-dynamic-constraint-checking yes)")->AsString(), "TRUE");
  EXPECT_EQ(Eval("(get-dynamic-constraint-checking)")->AsString(), "FALSE");
}

TEST_F(MiscPackage, ResetGlobalsAndSetgen) {
  EXPECT_EQ(Eval("(set-reset-globals)")->AsString(), "TRUE");
  EXPECT_EQ(Eval("(set-reset-globals FALSE)")->AsString(), "FALSE");
  EXPECT_FALSE(Engine().ResetGlobals());
  EXPECT_EQ(Eval("(setgen 41)")->AsInteger(), 41);
  EXPECT_EQ(Engine().Gensym("gen"), "gen41");
  ExpectError([&] { Eval("(setgen)"); }, "Too few arguments for setgen");
}

TEST_F(MiscPackage, ParseMakesConstructsAndRunsCommandsAtRunTime) {
  Eval("(parse \"(deftemplate made (slot x)) (defrule from-text (made (x ?x)) => (note ?x))\")");
  EXPECT_TRUE(Engine().FindFactTemplate("made"));
  Engine().AssertString("(made (x 7))");
  Engine().Run();
  EXPECT_EQ(session_.log, std::vector<std::string>{"7"});
  EXPECT_THROW(Eval("(parse \"(deftemplate\")"), EIEException);
}

TEST_F(MiscPackage, GuardOutsideARuleReturnsItsLastValue) { EXPECT_EQ(Eval("(guard 1 2 (+ 1 2))")->AsInteger(), 3); }

TEST_F(MiscPackage, GuardKeepsTheFiringRuleFromActivatingItselfAgain) {
  Run("(defrule count (n ?x) => (guard (assert (n (+ ?x 1)))))"
      "(defrule watch (n ?x) => (note ?x))");
  Engine().AssertString("(n 1)");
  // count fires once; its assertion still activates the other rule.
  EXPECT_EQ(Engine().Run(20), 3);
  EXPECT_FALSE(Engine().FindRule("count")->Guarded());
  EXPECT_EQ(session_.log.size(), 2u);
  // The same rule without guard activates itself again and again.
  Run("(defrule loop (m ?x) => (assert (m (+ ?x 1))))");
  Engine().AssertString("(m 1)");
  EXPECT_EQ(Engine().Run(5), 5);
}

// --- Dates and times through the functions ---------------------------------------------------------

TEST_F(MiscPackage, DateFunctionsRoundTrip) {
  EXPECT_EQ(Eval("(encode-date 2000 1 1)")->AsFloat(), 36526.0);
  EXPECT_EQ(Eval("(encode-date 2000)")->AsFloat(), 36526.0);
  EXPECT_EQ(Eval("(encode-time 12)")->AsFloat(), 0.5);
  EXPECT_EQ(Eval("(decode-month (str-date \"2024-02-29\"))")->AsInteger(), 2);
  EXPECT_EQ(Eval("(decode-millisecond (str-time \"10:20:30.456\"))")->AsInteger(), 456);
  EXPECT_EQ(Eval("(datetime-str (str-datetime \"2024-02-29 23:59:59\"))")->AsString(), "2024-02-29 23:59:59");
  EXPECT_EQ(Eval("(date-str 36526.75)")->AsString(), "2000-01-01");
  EXPECT_EQ(Eval("(time-str 36526.75)")->AsString(), "18:00:00");
  EXPECT_EQ(Eval("(datetime-str-format 36526.75 \"d mmm yyyy h am/pm\")")->AsString(), "1 Jan 2000 6 pm");
  EXPECT_EQ(Eval("(datetime-str-format 36526.75)")->AsString(), "2000-01-01 18:00:00");
  const double today = Eval("(system-date)")->AsFloat();
  EXPECT_EQ(today, std::trunc(today));
  const double now = Eval("(system-time)")->AsFloat();
  EXPECT_TRUE(now >= 0.0 && now < 1.0);
  const double seconds = Eval("(time)")->AsFloat();
  EXPECT_TRUE(seconds >= 0.0 && seconds < 86400.0);
  EXPECT_GE(Eval("(system-datetime)")->AsFloat(), today);
}

TEST_F(MiscPackage, DateFunctionsRaiseOnBadInput) {
  ExpectError([&] { Eval("(encode-date 2023 2 29)"); }, "Invalid argument to date encode");
  ExpectError([&] { Eval("(encode-time 10 61)"); }, "Invalid argument to time encode");
  ExpectError([&] { Eval("(str-date \"31.12.2023\")"); }, "'31.12.2023' is not a valid date");
  ExpectError([&] { Eval("(decode-year 1e12)"); }, "Date-time value out of range: 1000000000000.0000");
  EXPECT_THROW(Eval("(decode-year abc)"), EIEException);
}

// --- Dialogs ---------------------------------------------------------------------------------------

class TStandInDialogs final : public IHostDialogs {
 public:
  std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                        std::string_view defaultText) override {
    calls.push_back("query " + std::string(caption) + "|" + std::string(prompt) + "|" + std::string(defaultText));
    std::optional<std::string> answer = answers.front();
    answers.pop_front();
    return answer;
  }
  TModalResult MessageDialog(std::string_view message, TMsgDlgType kind, TMsgDlgButtons buttons,
                             std::int32_t helpContext) override {
    calls.push_back("dialog " + std::string(message) + "|" + std::to_string(kind) + "|" +
                    std::to_string(buttons.Mask()) + "|" + std::to_string(helpContext));
    return result;
  }
  void ShowMessage(std::string_view message) override { calls.push_back("show " + std::string(message)); }

  std::deque<std::optional<std::string>> answers;
  TModalResult result = mrYes;
  std::vector<std::string> calls;
};

TEST_F(MiscPackageWithList, DialogsWithoutAHostAnswerWithTheirDefaults) {
  EXPECT_EQ(Eval("(input-box \"Title\" \"Name?\" \"Ann\")")->AsString(), "Ann");
  EXPECT_EQ(Eval("(input-box)")->AsString(), "");
  EXPECT_EQ(Eval("(input-query \"Title\" \"Name?\" \"Ann\")")->AsString(), "FALSE");
  const TRef<TIEValue> answer = Eval("(message-dlg \"Go?\" mtConfirmation (list mbYes mbNo))");
  EXPECT_EQ(answer->AsString(), "mrCancel");
  EXPECT_EQ(answer->DType(), dtAtom);
  EXPECT_EQ(Eval("(show-message \"hello\")").Get(), SharedValues().Nil.Get());
}

TEST_F(MiscPackageWithList, DialogsGoThroughTheHost) {
  TStandInDialogs dialogs;
  Engine().SetDialogs(&dialogs);
  dialogs.answers = {std::string("Bob"), std::nullopt, std::string("Cy"), std::nullopt};
  EXPECT_EQ(Eval("(input-box \"T\" \"P\" \"D\")")->AsString(), "Bob");
  EXPECT_EQ(Eval("(input-box \"T\" \"P\" \"D\")")->AsString(), "D");
  EXPECT_EQ(Eval("(input-query \"T\" \"P\")")->AsString(), "Cy");
  EXPECT_EQ(Eval("(input-query)")->AsString(), "FALSE");
  dialogs.result = mrNoToAll;
  EXPECT_EQ(Eval("(message-dlg \"Go?\" mtWarning \"[mbYes, mbNoToAll]\" 7)")->AsString(), "mrNoToAll");
  dialogs.result = mrOk;
  EXPECT_EQ(Eval("(message-dlg \"Sure?\" mtCustom (list mbOK mbCancel))")->AsString(), "mrOk");
  Eval("(show-message \"done\")");
  const std::vector<std::string> expected = {
      "query T|P|D",
      "query T|P|D",
      "query T|P|",
      "query ||",
      "dialog Go?|0|" + std::to_string(TMsgDlgButtons{mbYes, mbNoToAll}.Mask()) + "|7",
      "dialog Sure?|4|" + std::to_string(TMsgDlgButtons{mbOK, mbCancel}.Mask()) + "|0",
      "show done"};
  EXPECT_EQ(dialogs.calls, expected);
  Engine().SetDialogs(nullptr);
}

TEST_F(MiscPackage, MessageDialogRefusesUnknownKindsAndButtons) {
  ExpectError([&] { Eval("(message-dlg \"x\" mtLoud \"mbOK\")"); }, "Invalid message dialog type: mtLoud");
  ExpectError([&] { Eval("(message-dlg \"x\" mtError \"mbOK mbMaybe\")"); }, "Invalid message dialog button: mbMaybe");
  ExpectError([&] { Eval("(message-dlg \"x\")"); }, "Too few arguments for message-dlg");
}

}  // namespace
}  // namespace fxe
