// Runaway programs stop with a message at the engine's bounds: deffunction
// recursion, rules that run the engine from their actions, the size of one
// multifield and of a text plot; the engine works on afterwards.
#include <gtest/gtest.h>

#include <string>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "model/IEPackages.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;
using test::TEngineSession;

// The message of the error that running text raises, without the parse
// error's frame around it: "" when there is none.
std::string Failure(TEngineSession& session, std::string_view text) {
  return ErrorOf([&] { session.Run(text); });
}

bool Contains(const std::string& text, std::string_view piece) { return text.find(piece) != std::string::npos; }

// Instrumented builds have larger frames: their calls stop by the stack
// they use well before the depth bound, so deep-but-allowed recursions are
// shallower there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLargeFrames = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLargeFrames = true;
#else
constexpr bool kLargeFrames = false;
#endif
#else
constexpr bool kLargeFrames = false;
#endif
constexpr std::int32_t kDeepCalls = kLargeFrames ? 100 : MaxCallDepth - 10;

TEST(ResourceLimits, DeffunctionRecursionStopsAtTheCallDepth) {
  TEngineSession session;
  session.Run("(deffunction down (?n) (down (+ ?n 1)))");
  const std::string error = Failure(session, "(down 0)");
  EXPECT_TRUE(Contains(error, Format(IEConsts::SCallDepthExceeded, MaxCallDepth, "down"))) << error;
  // Recursion inside the bound works, and so does the engine.
  session.Run("(deffunction count (?n) (if-positive ?n (count (- ?n 1))))");
  session.Function("if-positive", [](TEngineSession&, IFunCall& call, TIEContext* context) -> TRef<TIEValue> {
    if (call.Arguments()[0]->Evaluate(context)->AsNumeric() > 0) return call.Arguments()[1]->Evaluate(context);
    return SharedValues().True;
  });
  EXPECT_EQ(Failure(session, "(count " + std::to_string(kDeepCalls) + ")"), test::kNoError);
}

TEST(ResourceLimits, RulesRunningTheEngineFromTheirActionsStopAtTheRunDepth) {
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  session.Run("(deftemplate go (slot n)) (defrule deeper ?f <- (go (n ?n)) => (retract ?f) (note ?n)"
              " (assert (go (n (+ ?n 1)))) (run))");
  engine.Reset();
  engine.AssertString("(go (n 0))");
  const std::string error = ErrorOf([&] { engine.Run(); });
  EXPECT_TRUE(Contains(error, Format(IEConsts::SRunNestedTooDeep, 64))) << error;
  // Every level fired once before the bound was met; nothing is left half
  // done: the engine resets and runs again.
  EXPECT_EQ(session.log.size(), 64u);
  session.log.clear();
  engine.Reset();
  engine.AssertString("(go (n 100))");
  session.Run("(undefrule deeper) (defrule once ?f <- (go (n ?n)) => (retract ?f) (note ?n))");
  EXPECT_EQ(engine.Run(), 1);
  EXPECT_EQ(session.log, (std::vector<std::string>{"100"}));
}

TEST(ResourceLimits, RecursionThroughFunctionsAndRulesTogetherStopsAtTheCallDepth) {
  // Each firing recurses 900 functions deep and runs the engine again at the
  // bottom: the nested runs' contexts start afresh, the bound must not.
  TEngineSession session;
  session.Function("if-positive", [](TEngineSession&, IFunCall& call, TIEContext* context) -> TRef<TIEValue> {
    if (call.Arguments()[0]->Evaluate(context)->AsNumeric() > 0) return call.Arguments()[1]->Evaluate(context);
    return call.Arguments()[2]->Evaluate(context);
  });
  session.Run("(deftemplate go (slot n))"
              "(deffunction dive (?n) (if-positive ?n (dive (- ?n 1)) (run)))"
              "(defrule deeper ?f <- (go (n ?n)) => (retract ?f) (assert (go (n (+ ?n 1)))) (dive 900))");
  TInferenceEngine& engine = session.Engine();
  engine.Reset();
  engine.AssertString("(go (n 0))");
  const std::string error = ErrorOf([&] { engine.Run(); });
  EXPECT_TRUE(Contains(error, Format(IEConsts::SCallDepthExceeded, MaxCallDepth, "dive"))) << error.substr(0, 300);
  // The count is back at zero: a recursion inside the bound works.
  engine.Reset();
  EXPECT_EQ(ErrorOf([&] { session.Run("(dive " + std::to_string(kDeepCalls / 2) + ")"); }), test::kNoError);
}

// A deffacts fact whose call resets or clears the engine, or frees a fact
// set, would recurse without end or free the set being asserted: the reset
// stops with a message, keeps what it asserted so far and the engine works on.
TEST(ResourceLimits, ADeffactsCannotResetClearOrRemoveFactSetsWhileItIsAsserted) {
  const struct {
    const char* call;
    const char* refused;
  } cases[] = {
      {"(reset)", "reset"},
      {"(clear)", "clear"},
      {"(undeffacts d)", "remove fact set d"},
      {"(undeffacts other)", "remove fact set other"},
  };
  for (const auto& [call, refused] : cases) {
    TEngineSession session;
    TInferenceEngine& engine = session.Engine();
    session.Run(std::string("(deffacts d (before) (a ") + call + ") (after)) (deffacts other (x))");
    const std::string error = ErrorOf([&] { engine.Reset(); });
    EXPECT_TRUE(Contains(error, Format(IEConsts::SWhileResetting, refused))) << call << ": " << error;
    EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-1 (before)\n") << call;
    EXPECT_EQ(engine.FactSets().Count(), 2) << call;
    session.Run("(deffacts d (fine)) (reset)");
    EXPECT_NE(session.Facts().find("(fine)"), std::string::npos) << call;
    // Outside a reset the same call works.
    EXPECT_EQ(Failure(session, call), test::kNoError) << call;
  }
}

TEST(ResourceLimits, AMultifieldCannotGrowBeyondItsBound) {
  const std::string message = Format(IEConsts::SMultifieldTooLarge, MaxMultifieldItems);
  auto list = MakeRef<TValueVector>();
  EXPECT_EQ(ErrorOf([&] { list->Reserve(static_cast<std::size_t>(MaxMultifieldItems) + 1); }), message);
  // Doubling up to the bound works; one more doubling is refused and leaves
  // the list as it was.
  list->Add(NewAtom("x"));
  while (list->Count() * 2 <= MaxMultifieldItems) list->AddAll(*list);
  EXPECT_EQ(list->Count(), MaxMultifieldItems);
  EXPECT_EQ(ErrorOf([&] { list->AddAll(*list); }), message);
  EXPECT_EQ(ErrorOf([&] { list->Add(NewAtom("y")); }), message);
  EXPECT_EQ(ErrorOf([&] { list->Insert(0, NewAtom("y")); }), message);
  EXPECT_EQ(list->Count(), MaxMultifieldItems);
}

TEST(ResourceLimits, ATextPlotWithAHugeLegendIsRefused) {
  TEngineSession session;
  // 700 terms of 100-character names: a legend of more than 70000 characters.
  std::string type = "(deftype WIDE extends (type FUZZY) (range 0 10) (values";
  for (int i = 0; i < 700; ++i) {
    std::string name = "t" + std::to_string(i);
    name.resize(100, 'x');
    type += " (term " + name + " ((0 1) (10 0)))";
  }
  type += "))";
  session.Run(type);
  const std::string error = Failure(session, "(plot-fuzzy-value t \"*\" nil nil WIDE)");
  EXPECT_TRUE(Contains(error, Format(FuzzyConsts::SPlotTooLarge, 1 << 16))) << error.substr(0, 300);
  // A plot of a few terms is written as before.
  session.Run("(deftype NARROW extends (type FUZZY) (range 0 10) (values (term lo ((0 1) (10 0)))))");
  EXPECT_TRUE(Contains(session.Run("(plot-fuzzy-value t \"*\" nil nil NARROW)"), "lo(*)"));
}

}  // namespace
}  // namespace fxe
