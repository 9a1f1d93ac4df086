// The inference engine the fuzz targets run their inputs in. A fuzzed
// program may call any built-in function, so the engine is made harmless
// first: the functions that read, write, rename or remove files are taken
// away, `while` stops after a bounded number of rounds, and every run stops
// after a bounded number of firings (rules that keep matching, or actions
// that call run again). Standard input is never read: the engine has no
// read handlers and raises its own error for read and readline. Output is
// kept in memory, up to a bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/InferenceEngine.h"

namespace fxe::fuzz {

// Inputs longer than this are skipped: longer programs find nothing the
// shorter ones do not, and slow every run down.
inline constexpr std::size_t MaxInputSize = 4096;
// Firings over the engine's lifetime; once used up each run halts after its
// first firing.
inline constexpr std::int32_t MaxFirings = 256;
// Rounds of one while loop before it fails.
inline constexpr std::int32_t MaxLoopRounds = 256;
// Output kept; the rest is counted and dropped.
inline constexpr std::size_t MaxOutput = 64 * 1024;

// The functions taken away from a fuzz engine: each one touches the file system.
inline constexpr std::string_view FileFunctions[] = {"batch", "dribble-on", "load",   "load-facts", "open",
                                                     "remove", "rename",    "save", "save-facts"};

class TFuzzEngine {
 public:
  TFuzzEngine();
  TFuzzEngine(const TFuzzEngine&) = delete;
  TFuzzEngine& operator=(const TFuzzEngine&) = delete;

  TInferenceEngine& Engine() noexcept { return *engine_; }
  const std::string& Output() const noexcept { return output_; }

 private:
  // Before the engine, which may still call its handlers while it goes.
  std::string output_;
  std::int32_t firings_ = 0;
  std::unique_ptr<TInferenceEngine> engine_;
};

// Runs the action, letting the engine's own failures pass (every error a bad
// program may cause, the aborts of exit and halt included); any other
// exception (an index out of range, a failed conversion of the standard
// library) escapes and is a finding. True when the action ended normally.
template <class TAction>
bool Tolerating(TAction action) {
  try {
    action();
    return true;
  } catch (const EIEException&) {
  } catch (const EFzyException&) {
  } catch (const EGHashtableError&) {
  } catch (const EGraphException&) {
  } catch (const EGStreamError&) {
  } catch (const EAbort&) {
  }
  return false;
}

// Stops the fuzzer with a message when a checked property does not hold.
[[noreturn]] void Fail(std::string_view what, std::string_view detail);

}  // namespace fxe::fuzz
