// The project-risk knowledge base as a fuzzy controller: evaluations per
// second of retract, assert with new crisp inputs, run and the printed
// defuzzified risk, through the engine's C++ interface.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "support/ProjectRiskLoop.h"

namespace {

using fxe::testing::TProjectInputs;

std::vector<TProjectInputs> RandomInputs(std::size_t count) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> hundred(1.0, 100.0);
  std::uniform_real_distribution<double> weeks(1.0, 52.0);
  std::vector<TProjectInputs> inputs;
  for (std::size_t i = 0; i < count; ++i) {
    inputs.push_back({hundred(random), unit(random), unit(random), unit(random), hundred(random), weeks(random)});
  }
  return inputs;
}

void BM_ProjectRiskEvaluation(benchmark::State& state) {
  fxe::testing::TProjectRiskLoop loop;
  const std::vector<TProjectInputs> inputs = RandomInputs(1024);
  // The loop must print what a fresh engine prints before it is worth timing.
  for (std::size_t i = 0; i < 8; ++i) {
    if (loop.Evaluate(inputs[i]) != fxe::testing::FreshProjectRisk(inputs[i])) {
      state.SkipWithError("the loop prints another risk than a fresh engine");
      return;
    }
  }
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(loop.Evaluate(inputs[next]).size());
    next = (next + 1) % inputs.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProjectRiskEvaluation);

}  // namespace
