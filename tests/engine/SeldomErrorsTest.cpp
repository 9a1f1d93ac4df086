// Errors an ordinary program seldom meets, each raised through the rule
// language or the engine's interface with its exact message, and the engine
// still working afterwards.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "model/IEFacts.h"
#include "packages/PredicatePackage.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;
using test::TEngineSession;

bool Contains(const std::string& text, std::string_view piece) { return text.find(piece) != std::string::npos; }

TEST(SeldomErrors, RaisedFromTheRuleLanguage) {
  struct TCase {
    std::string setUp;
    std::string text;
    std::string message;
  };
  const TCase cases[] = {
      {"", "(ppdefrule nope)", Format(IEConsts::SUnknownConstructName, IEConsts::SKindRule, "nope")},
      {"", "(undeffacts nope)", Format(IEConsts::SUnknownConstructName, IEConsts::SKindFactSet, "nope")},
      {"", "(readline)", Format(IEConsts::SEventNotImplemented, "readline")},
      {"(deftemplate a (slot x)) (defrule r (a (x ?x&:(> ?x oops))) => )", "(assert (a (x 1)))",
       Format(IEConsts::SPatternMatchError, Format(IEConsts::SNotAType, "numeric", "oops", "dtAtom"), "TPatternMatchNode")},
      {"(deftemplate need (slot x)) (do-backward-chaining need)", "(defrule r (need (x ?x&:(> ?x 1))) => )",
       Format(IEConsts::SBackchainFunctionCall, "need")},
      {"(deftype big extends (type INTEGER) (cardinality 2000000 ?VARIABLE))",
       "(deftemplate m (multislot v (type big)))", Format(IEConsts::SCardinalityTooLarge, 2000000)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    TEngineSession session;
    session.Run(c.setUp);
    const std::string error = ErrorOf([&] { session.Run(c.text); });
    EXPECT_TRUE(Contains(error, c.message)) << error << "\nexpected: " << c.message;
    // The engine reads and runs on.
    session.Run("(deftemplate after (slot y)) (assert (after (y 1)))");
    EXPECT_TRUE(session.Engine().FindFactTemplate("after"));
  }
}

TEST(SeldomErrors, TheFailureOfATryIsBoundToTheErrorVariable) {
  TEngineSession session;
  session.Run("(try (fail) catch (note ?" + std::string(IEConsts::SErrorVariable) + "))");
  EXPECT_EQ(session.log, (std::vector<std::string>{"\"the action failed\""}));
}

TEST(SeldomErrors, DuplicateConstructsAreRefusedWhenTheEngineSaysSo) {
  TEngineSession session;
  session.Engine().SetDuplicateConstructs(dcError);
  session.Run("(deftype t extends (type INTEGER)) (deftemplate m (slot x))");
  EXPECT_TRUE(
      Contains(ErrorOf([&] { session.Run("(deftype t extends (type FLOAT))"); }), Format(IEConsts::SDefinedTypeExists, "t")));
  EXPECT_TRUE(
      Contains(ErrorOf([&] { session.Run("(deftemplate m (slot y))"); }), Format(IEConsts::SFactTemplateExists, "m")));
  EXPECT_EQ(session.Engine().FindDefinedType("t")->BaseTypes(), TIETypes{dtInteger});
}

TEST(SeldomErrors, RunningOutOfMemoryStopsTheRunOrTheFormWithAMessage) {
  TEngineSession session;
  session.Function("exhaust", [](TEngineSession&, IFunCall&, TIEContext*) -> TRef<TIEValue> {
    throw std::bad_alloc();
  });
  session.Run("(deftemplate go (slot n)) (defrule greedy (go (n 1)) => (exhaust)) (defrule fine (go (n 2)) => (note 2))");
  TInferenceEngine& engine = session.Engine();
  engine.Reset();
  engine.AssertString("(go (n 1))");
  EXPECT_EQ(ErrorOf([&] { engine.Run(); }), IEConsts::SRunOutOfMemory);
  // The failed firing is withdrawn; the next run works.
  engine.AssertString("(go (n 2))");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(session.log, (std::vector<std::string>{"2"}));

  // Outside a run, the form that ran out is reported and the next one runs.
  engine.SetParserErrorHandling(ehRaiseAllAtEnd);
  const std::string error = ErrorOf<EIEParseException>([&] { session.Run("(exhaust) (note after)"); });
  EXPECT_TRUE(Contains(error, IEConsts::SFormOutOfMemory)) << error;
  EXPECT_EQ(session.log.back(), "after");
}

TEST(SeldomErrors, InterfaceMisuseIsRefused) {
  TInferenceEngine engine;
  EXPECT_EQ(ErrorOf([&] { engine.Agenda().Add(nullptr); }), IEConsts::SInvalidAgendaObject);
  // A function filed under a name that is not its own.
  const TRef<IUserFunction> function = engine.FindFunction("create$");
  ASSERT_TRUE(function);
  EXPECT_EQ(ErrorOf([&] { engine.UserFunctions().Add("other", *function); }),
            Format(IEConsts::SFunctionNamesDiffer, "other", "create$"));
  // A resolved call executed on its own names itself in the failure.
  engine.Parse("(defglobal ?*v* = 1)");
  const TRef<IFunCall> parsed = engine.ParseFunctionCall("(+ 1 ?*v*)");
  auto* call = dynamic_cast<TFunctionCall*>(parsed.Get());
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->Evaluate(engine.Context())->AsInteger(), 2);
  EXPECT_EQ(call->Execute(engine.Context())->AsInteger(), 2);
  engine.Parse("(bind ?*v* oops)");
  EXPECT_EQ(ErrorOf([&] { call->Execute(engine.Context()); }),
            Format(IEConsts::SFunctionCallError, "+", Format(IEConsts::SNotAType, "numeric", "oops", "dtAtom")));
  // A slot change that is not a slot list.
  engine.Parse("(deftemplate a (slot x))");
  const TRef<TIEValue> fact = NewInteger(engine.AssertString("(a (x 1))"));
  const TRef<TIEValue> changes[] = {NewInteger(5)};
  EXPECT_EQ(ErrorOf([&] { ModifyFact(engine, engine.Context(), *fact, changes); }),
            Format(IEConsts::SInvalidSlotChange, "5"));
  // A verify-type predicate without kinds says so in its help.
  TVerifyTypePFunction none("nothingp", {});
  EXPECT_EQ(none.Comment(), Format(IEConsts::SVerifyTypeHelp, IEConsts::SNoTypes));
}

TEST(SeldomErrors, FuzzyTextsOfTheUniverseAndThePlotAxis) {
  TEngineSession session;
  session.Run("(deftype T extends (type FUZZY) (range 0 10) (units cm) (values (term lo ((0 1) (10 0)))))");
  EXPECT_EQ(session.Run("(get-u T)"), "\"" + Format(FuzzyConsts::SUniverseText, 0.0, 10.0, "cm") + "\"\r\n");
  EXPECT_TRUE(Contains(session.Run("(plot-fuzzy-value t \"*\" nil nil T)"),
                       Format(FuzzyConsts::SPlotAxis, 0.0, 2.0, 4.0, 6.0, 8.0, 10.0)));
}

}  // namespace
}  // namespace fxe
