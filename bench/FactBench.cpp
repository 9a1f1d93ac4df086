// Facts: memory and time to create a million facts and read their slots,
// slot reads by index and by name, and the hash + equality test the fact
// base runs for duplicate detection.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"

namespace {

// Heap bytes in use, counted as the allocator hands them out (usable size of
// each block plus its 8-byte header).
std::atomic<long long> heapBytes{0};

long long BlockBytes(void* p) { return static_cast<long long>(malloc_usable_size(p)) + 8; }

// Peak resident memory of the process in kB.
long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  heapBytes.fetch_add(BlockBytes(p), std::memory_order_relaxed);
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  heapBytes.fetch_sub(BlockBytes(p), std::memory_order_relaxed);
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace fxe {
namespace {

// A template of four slots: two integers and two short symbols.
TRef<IFactTemplate> FourSlotTemplate() {
  auto t = MakeRef<TFactTemplate>(nullptr, "order");
  t->AddSlot("id", NewInteger(0));
  t->AddSlot("item", NewAtom(""));
  t->AddSlot("quantity", NewInteger(0));
  t->AddSlot("status", NewAtom(""));
  return t;
}

TRef<IFact> NewOrder(const TRef<IFactTemplate>& t, std::int32_t i) {
  auto fact = MakeRef<TFact>(t);
  fact->SetSlotValueAt(0, NewInteger(i));
  fact->SetSlotValueAt(1, NewAtom("widget"));
  fact->SetSlotValueAt(2, NewInteger(i % 100));
  fact->SetSlotValueAt(3, NewAtom(i % 2 ? "open" : "closed"));
  return fact;
}

void BM_CreateMillionFacts(benchmark::State& state) {
  constexpr std::int32_t kFacts = 1'000'000;
  TRef<IFactTemplate> t = FourSlotTemplate();
  (void)t->SlotLayout();
  double bytesPerFact = 0;
  const long residentBefore = PeakResidentKb();
  for (auto _ : state) {
    const long long before = heapBytes.load();
    std::vector<TRef<IFact>> facts;
    facts.reserve(kFacts);
    for (std::int32_t i = 0; i < kFacts; ++i) facts.push_back(NewOrder(t, i));
    long long sum = 0;
    for (const auto& fact : facts) {
      for (std::int32_t s = 0; s < 4; ++s) sum += fact->SlotValueAt(s).DType();
    }
    benchmark::DoNotOptimize(sum);
    bytesPerFact = static_cast<double>(heapBytes.load() - before) / kFacts;
  }
  state.counters["heap bytes/fact"] = bytesPerFact;
  state.counters["peak RSS growth kB/1000 facts"] =
      static_cast<double>(PeakResidentKb() - residentBefore) / (kFacts / 1000.0);
  state.counters["facts/s"] =
      benchmark::Counter(static_cast<double>(kFacts) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CreateMillionFacts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CreateFactFromTemplate(benchmark::State& state) {
  TRef<IFactTemplate> t = FourSlotTemplate();
  for (auto _ : state) benchmark::DoNotOptimize(t->CreateFact().Get());
}
BENCHMARK(BM_CreateFactFromTemplate);

void BM_SlotValueAt(benchmark::State& state) {
  TRef<IFactTemplate> t = FourSlotTemplate();
  TRef<IFact> fact = NewOrder(t, 7);
  for (auto _ : state) {
    for (std::int32_t s = 0; s < 4; ++s) benchmark::DoNotOptimize(&fact->SlotValueAt(s));
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_SlotValueAt);

void BM_GetSlotValueByName(benchmark::State& state) {
  TRef<IFactTemplate> t = FourSlotTemplate();
  TRef<IFact> fact = NewOrder(t, 7);
  for (auto _ : state) benchmark::DoNotOptimize(fact->GetSlotValue("quantity").Get());
}
BENCHMARK(BM_GetSlotValueByName);

// One comparison: the hash of both facts and their equality test.
void BM_HashAndEquals(benchmark::State& state) {
  TRef<IFactTemplate> t = FourSlotTemplate();
  TRef<IFact> a = NewOrder(t, 12345);
  TRef<IFact> b = NewOrder(t, 12345);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a->HashCode());
    benchmark::DoNotOptimize(b->HashCode());
    benchmark::DoNotOptimize(a->Equals(*b));
  }
  state.counters["comparisons/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HashAndEquals);

void BM_FactAsString(benchmark::State& state) {
  TRef<IFactTemplate> t = FourSlotTemplate();
  TRef<IFact> fact = NewOrder(t, 12345);
  for (auto _ : state) benchmark::DoNotOptimize(fact->AsString());
}
BENCHMARK(BM_FactAsString);

}  // namespace
}  // namespace fxe
