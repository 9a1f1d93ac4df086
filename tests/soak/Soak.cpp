// fxe_soak CYCLES: runs CYCLES assert/modify/retract cycles through a few
// rules and fails (exit status 1) when the resident memory grows by more
// than a small bound after the warm-up (the first tenth of the cycles).
// Prints the resident memory after the warm-up and at the end.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/InferenceEngine.h"
#include "model/IEFacts.h"

// Under AddressSanitizer freed memory waits in a quarantine of 256 MiB before
// it is reused, so the resident size keeps rising until the quarantine is
// full, however little a cycle frees. A small quarantine fills within the
// warm-up; ASAN_OPTIONS still overrides it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FXE_SOAK_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FXE_SOAK_UNDER_ASAN 1
#endif
#ifdef FXE_SOAK_UNDER_ASAN
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }
#endif

namespace {

// Growth allowed after the warm-up: allocator slack, not a leak. A leak of
// one small block per cycle would pass this within a few hundred thousand
// cycles of the ten million.
constexpr long kAllowedGrowthKb = 4096;

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Every item is marked by modify, paired with its marker through a join, and
// retracted; the fact base is back to the markers after each cycle.
constexpr std::string_view kRules =
    "(deftemplate item (slot n) (slot state))"
    "(deftemplate marker (slot n))"
    "(defrule mark ?f <- (item (n ?n) (state new)) => (modify ?f (state seen)))"
    "(defrule pair (item (n ?n) (state seen)) (marker (n ?n)) => (bind ?*pairs* (+ ?*pairs* 1)))"
    "(defrule drop (declare (salience -1)) ?f <- (item (state seen)) => (retract ?f))"
    "(defglobal ?*pairs* = 0)";

constexpr int kMarkers = 16;

}  // namespace

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::atol(argv[1]) : 0;
  if (cycles < 10) {
    std::fprintf(stderr, "usage: fxe_soak CYCLES (at least 10)\n");
    return 2;
  }
  fxe::TInferenceEngine engine;
  engine.SetOnPrintOut([](fxe::TInferenceEngine&, std::string_view, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  });
  engine.Parse(kRules);
  engine.Reset();
  for (int n = 0; n < kMarkers; ++n) engine.AssertString("(marker (n " + std::to_string(n) + "))");
  const fxe::TRef<fxe::IFactTemplate> item = engine.FindFactTemplate("item");
  const std::int32_t factsAtRest = engine.FactCount();

  const long warmUp = cycles / 10;
  long residentAfterWarmUp = 0;
  long firings = 0;
  for (long cycle = 0; cycle < cycles; ++cycle) {
    if (cycle == warmUp) residentAfterWarmUp = ResidentKb();
    auto fact = fxe::MakeRef<fxe::TFact>(item);
    fact->SetSlotValue("n", fxe::NewInteger(static_cast<std::int32_t>(cycle % kMarkers)));
    fact->SetSlotValue("state", fxe::NewAtom("new"));
    engine.Assert(*fact);
    firings += engine.Run();
    if (engine.FactCount() != factsAtRest) {
      std::fprintf(stderr, "cycle %ld: %d facts instead of %d\n", cycle, engine.FactCount(), factsAtRest);
      return 1;
    }
  }
  const long residentAtEnd = ResidentKb();
  const long pairs = engine.EngineContext().FindVariableValue("*pairs*")->AsInteger();
  std::printf("cycles %ld, firings %ld, pairs %ld\n", cycles, firings, pairs);
  std::printf("resident after warm-up %ld kB, at end %ld kB, growth %ld kB (allowed %ld kB)\n", residentAfterWarmUp,
              residentAtEnd, residentAtEnd - residentAfterWarmUp, kAllowedGrowthKb);
  if (firings != 3 * cycles || pairs != cycles) {
    std::fprintf(stderr, "expected %ld firings and %ld pairs\n", 3 * cycles, cycles);
    return 1;
  }
  return residentAtEnd - residentAfterWarmUp > kAllowedGrowthKb ? 1 : 0;
}
