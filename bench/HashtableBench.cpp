// Hash-table throughput: string-keyed insert and lookup of many keys against
// std::unordered_map in the same run, and lookups in a small slot-value table.
// The "per_op" counter is the time of one insert or one lookup.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/GHashtable.h"

namespace {

constexpr std::size_t kKeyCount = 1'000'000;

// Names as the engine's collections hold them: a word and a number.
const std::vector<std::string>& NameKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> result;
    result.reserve(kKeyCount);
    for (std::size_t i = 0; i < kKeyCount; ++i) result.push_back("name-" + std::to_string(i));
    return result;
  }();
  return keys;
}

// Random lower-case keys of 4 to 24 bytes, so both key-hash rules are used.
const std::vector<std::string>& RandomKeys() {
  static const std::vector<std::string> keys = [] {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> length(4, 24), letter('a', 'z');
    std::vector<std::string> result;
    result.reserve(kKeyCount);
    for (std::size_t i = 0; i < kKeyCount; ++i) {
      std::string key(static_cast<std::size_t>(length(random)), ' ');
      for (char& c : key) c = static_cast<char>(letter(random));
      result.push_back(std::move(key));
    }
    return result;
  }();
  return keys;
}

const std::vector<std::string>& Keys(std::int64_t set) { return set == 0 ? NameKeys() : RandomKeys(); }

void SetCounters(benchmark::State& state, std::size_t operations) {
  state.counters["per_op"] = benchmark::Counter(
      static_cast<double>(operations), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_GStringHashtable_InsertLookup(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
  for (auto _ : state) {
    fxe::TGStringHashtable<int> table;
    int value = 0;
    for (const std::string& key : keys) table.Put(key, value++);
    std::int64_t sum = 0;
    for (const std::string& key : keys) sum += *table.Find(key);
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, 2 * keys.size());
}

void BM_UnorderedMap_InsertLookup(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
  for (auto _ : state) {
    std::unordered_map<std::string, int> map;
    int value = 0;
    for (const std::string& key : keys) map.try_emplace(key, value++);
    std::int64_t sum = 0;
    for (const std::string& key : keys) sum += map.find(key)->second;
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, 2 * keys.size());
}

void BM_GStringHashtable_Lookup(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
  fxe::TGStringHashtable<int> table;
  int value = 0;
  for (const std::string& key : keys) table.Put(key, value++);
  for (auto _ : state) {
    std::int64_t sum = 0;
    for (const std::string& key : keys) sum += *table.Find(key);
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, keys.size());
}

void BM_UnorderedMap_Lookup(benchmark::State& state) {
  const auto& keys = Keys(state.range(0));
  std::unordered_map<std::string, int> map;
  int value = 0;
  for (const std::string& key : keys) map.try_emplace(key, value++);
  for (auto _ : state) {
    std::int64_t sum = 0;
    for (const std::string& key : keys) sum += map.find(key)->second;
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, keys.size());
}

// A fact's slot values: 11 buckets, a handful of slot names.
const std::vector<std::string> kSlotNames = {"funding", "complexity", "priority", "visibility", "staffing", "duration"};

void BM_GStringHashtable_SmallLookup(benchmark::State& state) {
  fxe::TGStringHashtable<int> table(11);
  for (std::size_t i = 0; i < kSlotNames.size(); ++i) table.Put(kSlotNames[i], static_cast<int>(i));
  for (auto _ : state) {
    int sum = 0;
    for (const std::string& name : kSlotNames) sum += *table.Find(name);
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, kSlotNames.size());
}

void BM_UnorderedMap_SmallLookup(benchmark::State& state) {
  std::unordered_map<std::string, int> map;
  for (std::size_t i = 0; i < kSlotNames.size(); ++i) map.try_emplace(kSlotNames[i], static_cast<int>(i));
  for (auto _ : state) {
    int sum = 0;
    for (const std::string& name : kSlotNames) sum += map.find(name)->second;
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, kSlotNames.size());
}

// Argument 0: "name-<n>" keys; 1: random keys of 4 to 24 bytes.
BENCHMARK(BM_GStringHashtable_InsertLookup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMap_InsertLookup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GStringHashtable_Lookup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMap_Lookup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GStringHashtable_SmallLookup);
BENCHMARK(BM_UnorderedMap_SmallLookup);

}  // namespace
