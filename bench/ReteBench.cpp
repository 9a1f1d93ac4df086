// The network's parts one at a time: tokens from the pool, memory inserts,
// removals and probes at large sizes, agenda inserts and removals at 100,000
// activations, alpha tests on a hot fact, variable reads in actions, the
// fact hash and the float conversion behind it, resolving a fact.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "base/Format.h"
#include "engine/Facts.h"
#include "engine/InferenceEngine.h"
#include "model/IEFacts.h"
#include "rete/ActivationAgenda.h"
#include "rete/IEToken.h"
#include "support/EngineFixture.h"

namespace fxe {
namespace {

using test::TEngineSession;

TRef<IFactTemplate> KeyTemplate() {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("key", NewInteger(0));
  return t;
}

std::vector<TRef<IFact>> KeyFacts(const TRef<IFactTemplate>& t, std::int32_t n) {
  std::vector<TRef<IFact>> facts;
  for (std::int32_t i = 0; i < n; ++i) {
    auto fact = MakeRef<TFact>(t);
    fact->SetSlotValueAt(0, NewInteger(i));
    fact->SetID(i);
    facts.push_back(fact);
  }
  return facts;
}

void BM_TokenCreateAndFree(benchmark::State& state) {
  TTokenPoolHandle pool(TTokenPool::Create());
  const auto facts = KeyFacts(KeyTemplate(), 1);
  TTokenHold parent(TIEToken::NewFromFact(*pool, taAdd, facts[0]));
  for (auto _ : state) {
    TTokenHold token(TIEToken::NewExtension(*pool, *parent, parent.Get(), nullptr));
    benchmark::DoNotOptimize(token.Get());
  }
}
BENCHMARK(BM_TokenCreateAndFree);

// One insert and one removal into a memory holding 200,000 tokens.
void BM_MemoryInsertRemove(benchmark::State& state) {
  TTokenPoolHandle pool(TTokenPool::Create());
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto facts = KeyFacts(KeyTemplate(), n + 1);
  TIETokenTree memory(*pool, TMemoryKeying(TKeySource::SlotValue, true, 0, "key"), 101);
  std::vector<TTokenHold> tokens;
  for (std::int32_t i = 0; i <= n; ++i) tokens.emplace_back(TIEToken::NewFromFact(*pool, taAdd, facts[i]));
  for (std::int32_t i = 0; i < n; ++i) memory.Insert(*tokens[i]);
  for (auto _ : state) {
    memory.Insert(*tokens[n]);
    memory.Remove(*tokens[n]);
  }
  state.counters["per operation"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MemoryInsertRemove)->Arg(200000);

// A hashed probe with one match in a memory of 20,000 tokens.
void BM_MemoryProbe(benchmark::State& state) {
  TTokenPoolHandle pool(TTokenPool::Create());
  const auto n = static_cast<std::int32_t>(state.range(0));
  const auto facts = KeyFacts(KeyTemplate(), n);
  TIETokenTree memory(*pool, TMemoryKeying(TKeySource::SlotValue, true, 0, "key"), 101);
  for (std::int32_t i = 0; i < n; ++i) memory.Insert(*TTokenHold(TIEToken::NewFromFact(*pool, taAdd, facts[i])));
  std::int64_t visited = 0;
  std::uint32_t key = 0;
  for (auto _ : state) {
    TMemoryWalk walk(memory);
    for (TIEToken* t = walk.Probe({key, false}); t; t = walk.Next()) ++visited;
    key = (key + 7919) % static_cast<std::uint32_t>(n);
  }
  state.counters["visited per probe"] = static_cast<double>(visited) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MemoryProbe)->Arg(20000);

// An insertion and a removal at a random position of an agenda of 100,000.
void BM_AgendaInsertRemove(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  TTokenPoolHandle pool(TTokenPool::Create());
  const auto facts = KeyFacts(KeyTemplate(), 1);
  std::vector<std::unique_ptr<TRule>> rules;
  for (int s = 0; s < 5; ++s) {
    rules.push_back(std::make_unique<TRule>());
    rules.back()->SetSalience(s - 2);
  }
  TIEAgenda agenda;
  TTokenHold token(TIEToken::NewFromFact(*pool, taAdd, facts[0]));
  std::mt19937 random(3);
  for (std::int32_t i = 0; i < n; ++i) agenda.Add(MakeRef<TActivation>(*rules[random() % 5], 1.0f, nullptr, *token));
  std::vector<TRef<TActivation>> spare;
  for (int i = 0; i < 1024; ++i) spare.push_back(MakeRef<TActivation>(*rules[random() % 5], 1.0f, nullptr, *token));
  std::size_t next = 0;
  for (auto _ : state) {
    TActivation& added = *spare[next++ % spare.size()];
    agenda.Add(TRef<TActivation>(&added));
    agenda.Pop(agenda.IndexOf(added));
  }
  state.counters["per operation"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AgendaInsertRemove)->Arg(100000);

// A fact of 50 constants through 50 alpha tests that pass.
void BM_AlphaTests(benchmark::State& state) {
  constexpr int kTests = 50;
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  std::string templateText = "(deftemplate wide";
  std::string pattern = "(wide";
  for (int i = 0; i < kTests; ++i) {
    templateText += " (slot s" + std::to_string(i) + " (default " + std::to_string(i) + "))";
    pattern += " (s" + std::to_string(i) + " " + std::to_string(i) + ")";
  }
  templateText += ") (defrule r ";
  templateText += pattern;
  templateText += ") (never) => )";
  session.Run(templateText);
  TRef<IFact> fact = engine.FindFactTemplate("wide")->CreateFact();
  fact->SetID(1);
  TTokenHold token(TIEToken::NewFromFact(engine.Network().Pool(), taUpdate, fact));
  for (auto _ : state) engine.Network().ProcessToken(*token);
  state.counters["per test"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTests,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AlphaTests);

// A rule action reading a pattern variable 1,000 times: the lookup of the
// variable, and the evaluation that hands out a counted reference.
void BM_ReadVariableInAction(benchmark::State& state) {
  const bool evaluate = state.range(0) != 0;
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  std::int64_t reads = 0;
  session.Function("touch", [&reads, evaluate](TEngineSession&, IFunCall& call, TIEContext* context) {
    if (evaluate) {
      for (const auto& argument : call.Arguments()) benchmark::DoNotOptimize(argument->Evaluate(context).Get());
    } else {
      for (const auto& argument : call.Arguments()) benchmark::DoNotOptimize(context->FindVariable(*argument));
    }
    reads += call.ArgumentCount();
    return SharedValues().Nil;
  });
  std::string call = "(touch";
  for (int i = 0; i < 1000; ++i) call += " ?x";
  session.Run("(deftemplate n (slot x)) (defrule r (n (x ?x)) => " + call + "))");
  TRef<IFact> fact = engine.FindFactTemplate("n")->CreateFact();
  for (auto _ : state) {
    engine.Assert(*fact);
    engine.Run();
    engine.RetractFact(*fact);
  }
  state.counters["per read"] =
      benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadVariableInAction)->ArgName("evaluate")->Arg(0)->Arg(1);

// A fact with two float slots, whose text needs the float conversion.
TRef<IFact> NewPointFact() {
  auto t = MakeRef<TFactTemplate>(nullptr, "point");
  t->AddSlot("x", NewFloat(0));
  t->AddSlot("y", NewFloat(0));
  TRef<IFact> fact = t->CreateFact();
  fact->SetSlotValue("x", NewFloat(12.345678));
  fact->SetSlotValue("y", NewFloat(-0.000123));
  return fact;
}

// The fact base's hash of a fact with two float slots, and the text hash.
void BM_FactHash(benchmark::State& state) {
  TRef<IFact> fact = NewPointFact();
  for (auto _ : state) benchmark::DoNotOptimize(TFacts::EqualityHash(*fact));
}
BENCHMARK(BM_FactHash);

void BM_FactTextHash(benchmark::State& state) {
  TRef<IFact> fact = NewPointFact();
  for (auto _ : state) benchmark::DoNotOptimize(fact->HashCode());
}
BENCHMARK(BM_FactTextHash);

void BM_FloatText(benchmark::State& state) {
  char buffer[64];
  double value = 1234.56789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFloatFast(value, buffer));
    value += 0.001;
  }
}
BENCHMARK(BM_FloatText);

void BM_FloatTextCLibrary(benchmark::State& state) {
  char buffer[64];
  double value = 1234.56789;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buffer, sizeof buffer, "%.4f", value));
    value += 0.001;
  }
}
BENCHMARK(BM_FloatTextCLibrary);

// Resolving a fact of four constants in the engine context.
void BM_ResolveFact(benchmark::State& state) {
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  session.Run("(deftemplate order (slot id) (slot item) (slot quantity) (slot status))");
  TRef<IFact> fact = engine.ParseFact("(order (id 1) (item widget) (quantity 5) (status open))");
  for (auto _ : state) engine.EngineContext().ResolveFact(*fact);
}
BENCHMARK(BM_ResolveFact);

}  // namespace
}  // namespace fxe
