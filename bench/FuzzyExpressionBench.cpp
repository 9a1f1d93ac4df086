// Benchmarks of fuzzy expressions over a variable with the automatic terms:
// evaluation of item lists as the rule parser hands them over, of expression
// texts, and the printed form of the results.
#include <benchmark/benchmark.h>

#include <string_view>
#include <utility>
#include <vector>

#include "fuzzy/IEFuzzyLogic.h"

namespace fxe {
namespace {

TRef<TIEFuzzyVariable> AutoTermVariable(TIEFuzzyParser& parser) {
  auto variable = MakeRef<TIEFuzzyVariable>("v");
  variable->SetMaximum(100);
  variable->SetParser(&parser);
  variable->CreateAutoTerms();
  return variable;
}

std::vector<TRef<TIEValue>> Atoms(std::initializer_list<std::string_view> words) {
  std::vector<TRef<TIEValue>> items;
  for (std::string_view word : words) items.push_back(NewAtom(word));
  return items;
}

void EvaluateItems(benchmark::State& state, std::vector<TRef<TIEValue>> items) {
  TIEFuzzyParser parser;
  const TRef<TIEFuzzyVariable> variable = AutoTermVariable(parser);
  for (auto _ : state) {
    TRef<TIEValue> result = EvaluateFuzzyExpression(variable.Get(), items, nullptr, &parser);
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_VeryHighOrSomewhatLowItems(benchmark::State& state) {
  EvaluateItems(state, Atoms({"very", "high", "or", "somewhat", "low"}));
}
BENCHMARK(BM_VeryHighOrSomewhatLowItems);

void BM_BracketedAndItems(benchmark::State& state) {
  EvaluateItems(state, Atoms({"[", "high", "or", "low", "]", "and", "not", "medium"}));
}
BENCHMARK(BM_BracketedAndItems);

void BM_TermItem(benchmark::State& state) { EvaluateItems(state, Atoms({"medium"})); }
BENCHMARK(BM_TermItem);

void BM_ShiftedTermItems(benchmark::State& state) {
  std::vector<TRef<TIEValue>> items = Atoms({"high", "+X"});
  items.push_back(NewFloat(12.5));
  EvaluateItems(state, std::move(items));
}
BENCHMARK(BM_ShiftedTermItems);

void BM_VeryHighOrSomewhatLowText(benchmark::State& state) {
  TIEFuzzyParser parser;
  const TRef<TIEFuzzyVariable> variable = AutoTermVariable(parser);
  for (auto _ : state) {
    TRef<TIEValue> result = parser.ParseFuzzyExpression(variable.Get(), "very high or somewhat low");
    benchmark::DoNotOptimize(result.Get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VeryHighOrSomewhatLowText);

void BM_PrintCombinedValue(benchmark::State& state) {
  TIEFuzzyParser parser;
  const TRef<TIEFuzzyVariable> variable = AutoTermVariable(parser);
  const TRef<TIEValue> value = parser.ParseFuzzyExpression(variable.Get(), "[ very high or low ] and not medium");
  for (auto _ : state) benchmark::DoNotOptimize(value->AsText());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintCombinedValue);

}  // namespace
}  // namespace fxe
