// Benchmarks of fuzzy-set operations: union and intersection of 7-point sets,
// hedged term expressions, membership and matching.
#include <benchmark/benchmark.h>

#include "fuzzysets/FuzzyLogic.h"
#include "fuzzysets/IFuzzyLogic.h"

namespace fxe {
namespace {

// Two overlapping 7-point shapes, as generated terms are.
void MakeOperands(TFuzzySet& a, TFuzzySet& b) {
  a.MakePI(7, 0.1, 0.4, 0.8);
  b.MakeSCurve(7, true, 0.3, 0.9, 0.6);
}

void BM_Union7(benchmark::State& state) {
  TFuzzySet a;
  TFuzzySet b;
  TFuzzySet result;
  MakeOperands(a, b);
  for (auto _ : state) {
    a.Union(b, foZadeh, result);
    benchmark::DoNotOptimize(result.Values().Count());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Union7);

void BM_Intersection7(benchmark::State& state) {
  TFuzzySet a;
  TFuzzySet b;
  TFuzzySet result;
  MakeOperands(a, b);
  for (auto _ : state) {
    a.Intersection(b, foProduct, result);
    benchmark::DoNotOptimize(result.Values().Count());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Intersection7);

// The shared-set form: every result is a new set of the variable, with its
// name and expression text.
void BM_UnionShared7(benchmark::State& state) {
  auto variable = MakeRef<TIEFuzzyVariable>("v");
  TRef<IFuzzySet> a = variable->CreateTerm("a");
  TRef<IFuzzySet> b = variable->CreateTerm("b");
  MakeOperands(a->FuzzySet(), b->FuzzySet());
  for (auto _ : state) {
    TRef<IFuzzySet> result = a->Union(*b, foZadeh);
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UnionShared7);

// "very high or somewhat low" over a variable with the automatic terms, the
// way the expression evaluator computes it: copy, hedge, copy, hedge, union.
void BM_VeryHighOrSomewhatLow(benchmark::State& state) {
  auto variable = MakeRef<TIEFuzzyVariable>("v");
  variable->SetMaximum(100);
  variable->CreateAutoTerms();
  const IFuzzySet& high = *variable->FindTerm("high");
  const IFuzzySet& low = *variable->FindTerm("low");
  for (auto _ : state) {
    TRef<IFuzzySet> left = high.Clone();
    left->ApplyHedge(FindHedgeWord("very"));
    TRef<IFuzzySet> right = low.Clone();
    right->ApplyHedge(FindHedgeWord("somewhat"));
    TRef<IFuzzySet> result = left->Union(*right, foZadeh);
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VeryHighOrSomewhatLow);

void BM_Membership(benchmark::State& state) {
  TFuzzySet set;
  set.MakePI(7, 0.1, 0.4, 0.8);
  double x = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(set.GetMembership(x));
    x = x > 1.0 ? 0.0 : x + 0.013;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Membership);

void BM_MatchSet7(benchmark::State& state) {
  auto variable = MakeRef<TIEFuzzyVariable>("v");
  TRef<IFuzzySet> a = variable->CreateTerm("a");
  TRef<IFuzzySet> b = variable->CreateTerm("b");
  MakeOperands(a->FuzzySet(), b->FuzzySet());
  for (auto _ : state) benchmark::DoNotOptimize(a->MatchSet(*b));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MatchSet7);

void BM_MomentDefuzzify7(benchmark::State& state) {
  auto variable = MakeRef<TIEFuzzyVariable>("v");
  TRef<IFuzzySet> a = variable->CreateTerm("a");
  a->FuzzySet().MakePI(7, 0.1, 0.4, 0.8);
  for (auto _ : state) benchmark::DoNotOptimize(a->MomentDefuzzify());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MomentDefuzzify7);

}  // namespace
}  // namespace fxe
