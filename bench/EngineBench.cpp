// The engine on whole workloads, through its API: a large equality join,
// a fact modified again and again, a negation blocker against many partial
// matches, the transitive closure of a chain, and the cost of a firing by
// the number of variables it binds.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"

namespace fxe {
namespace {

using test::TEngineSession;

// A fact of template name with integer slots.
TRef<IFact> NewFact(TInferenceEngine& engine, std::string_view name,
                    std::initializer_list<std::pair<std::string_view, std::int32_t>> slots) {
  TRef<IFact> fact = engine.FindFactTemplate(name)->CreateFact();
  for (const auto& [slot, value] : slots) fact->SetSlotValue(slot, NewInteger(value));
  return fact;
}

// 20,000 a facts and 20,000 b facts joined on k: 40,000 assertions, 20,000 firings.
void BM_EqualityJoin(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto session = std::make_unique<TEngineSession>();
    TInferenceEngine& engine = session->Engine();
    session->Run(
        "(deftemplate a (slot id) (slot k)) (deftemplate b (slot id) (slot k))"
        "(defrule join (a (id ?i) (k ?k)) (b (id ?j) (k ?k)) => )");
    std::vector<TRef<IFact>> facts;
    for (std::int32_t i = 0; i < n; ++i) facts.push_back(NewFact(engine, "a", {{"id", i}, {"k", i}}));
    for (std::int32_t i = 0; i < n; ++i) facts.push_back(NewFact(engine, "b", {{"id", i}, {"k", i}}));
    state.ResumeTiming();
    for (const TRef<IFact>& fact : facts) engine.Assert(*fact);
    if (engine.Run() != n) state.SkipWithError("wrong number of firings");
    state.PauseTiming();
    session.reset();
    state.ResumeTiming();
  }
  state.counters["per fact"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2 * n,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EqualityJoin)->Arg(20000)->Unit(benchmark::kMillisecond);

// One fact modified by a two-pattern rule, one modification per firing.
void BM_ModifyChurn(benchmark::State& state) {
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  session.Run(
      "(deftemplate counter (slot n)) (deftemplate go (slot on))"
      "(defrule tick ?c <- (counter (n ?n)) (go (on yes)) => (modify ?c (n (+ ?n 1))))");
  engine.AssertString("(go (on yes))");
  engine.AssertString("(counter (n 0))");
  const auto steps = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    if (engine.Run(steps) != steps) state.SkipWithError("the rule stopped");
  }
  state.counters["per modify"] = benchmark::Counter(static_cast<double>(state.iterations()) * steps,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ModifyChurn)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A blocker fact asserted and retracted under 10,000 partial matches of a
// negated pattern: each event withdraws or restores all of them.
void BM_NegationBlocker(benchmark::State& state) {
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  session.Run("(deftemplate a (slot x)) (deftemplate blocker (slot on)) (defrule open (a (x ?x)) (not (blocker)) => )");
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (std::int32_t i = 0; i < n; ++i) engine.Assert(*NewFact(engine, "a", {{"x", i}}));
  TRef<IFact> blocker = engine.FindFactTemplate("blocker")->CreateFact();
  for (auto _ : state) {
    engine.Assert(*blocker);
    engine.RetractFact(*blocker);
  }
  if (engine.Agenda().Count() != n) state.SkipWithError("matches lost");
  state.counters["per match"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2 * n,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NegationBlocker)->Arg(10000)->Unit(benchmark::kMillisecond);

// The paths of a chain of 300 nodes: 44,850 derived facts.
void BM_TransitiveClosure(benchmark::State& state) {
  const auto nodes = static_cast<std::int32_t>(state.range(0));
  const std::int64_t paths = static_cast<std::int64_t>(nodes) * (nodes - 1) / 2;
  for (auto _ : state) {
    state.PauseTiming();
    auto session = std::make_unique<TEngineSession>();
    TInferenceEngine& engine = session->Engine();
    session->Run(
        "(deftemplate edge (slot from) (slot to)) (deftemplate path (slot from) (slot to))"
        "(defrule base (edge (from ?a) (to ?b)) => (assert (path (from ?a) (to ?b))))"
        "(defrule step (edge (from ?a) (to ?b)) (path (from ?b) (to ?c)) => (assert (path (from ?a) (to ?c))))");
    state.ResumeTiming();
    for (std::int32_t i = 0; i + 1 < nodes; ++i) engine.Assert(*NewFact(engine, "edge", {{"from", i}, {"to", i + 1}}));
    engine.Run();
    state.PauseTiming();
    if (engine.FactCount() != 1 + (nodes - 1) + paths) state.SkipWithError("wrong number of paths");
    session.reset();
    state.ResumeTiming();
  }
  state.counters["per path"] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(paths),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TransitiveClosure)->Arg(300)->Unit(benchmark::kMillisecond);

// A rule without actions binding n variables from the fact it matches,
// fired in batches small enough to stay in the caches.
void BM_FiringByBindings(benchmark::State& state) {
  const auto variables = static_cast<std::int32_t>(state.range(0));
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  std::string text = "(deftemplate wide (slot id)";
  for (std::int32_t i = 0; i < 9; ++i) text += " (slot s" + std::to_string(i) + " (default 1))";
  text += ") (defrule bind (wide";
  for (std::int32_t i = 0; i < variables; ++i) text += " (s" + std::to_string(i) + " ?v" + std::to_string(i) + ")";
  text += ") => )";
  session.Run(text);
  constexpr std::int32_t kBatch = 100;
  std::vector<TRef<IFact>> facts;
  for (auto _ : state) {
    state.PauseTiming();
    facts.clear();
    for (std::int32_t i = 0; i < kBatch; ++i) facts.push_back(NewFact(engine, "wide", {{"id", i}}));
    for (const TRef<IFact>& fact : facts) engine.Assert(*fact);
    state.ResumeTiming();
    engine.Run();
    state.PauseTiming();
    engine.Reset();
    state.ResumeTiming();
  }
  state.counters["per firing"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBatch,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FiringByBindings)->Arg(0)->Arg(1)->Arg(3)->Arg(9)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace fxe
