// Engine values: creation, sharing, comparison and printing costs, and the
// number of heap allocations per value.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "values/IEValue.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace fxe {
namespace {

// Counts allocations per created value of each kind.
template <class TMake>
void ReportAllocations(benchmark::State& state, TMake make) {
  long before = allocations.load();
  long created = 0;
  for (auto _ : state) {
    TRef<TIEValue> v = make();
    benchmark::DoNotOptimize(v.Get());
    ++created;
  }
  state.counters["allocs/value"] =
      benchmark::Counter(static_cast<double>(allocations.load() - before) / static_cast<double>(created));
  state.counters["sizeof"] = static_cast<double>(sizeof(TIEValue));
}

void BM_NewInteger(benchmark::State& state) {
  ReportAllocations(state, [] { return NewInteger(42); });
}
BENCHMARK(BM_NewInteger);

void BM_NewFloat(benchmark::State& state) {
  ReportAllocations(state, [] { return NewFloat(2.5); });
}
BENCHMARK(BM_NewFloat);

void BM_NewShortAtom(benchmark::State& state) {
  ReportAllocations(state, [] { return NewAtom("seated"); });
}
BENCHMARK(BM_NewShortAtom);

void BM_NewLongString(benchmark::State& state) {
  ReportAllocations(state, [] { return NewString("a string longer than the short buffer"); });
}
BENCHMARK(BM_NewLongString);

void BM_ShareReference(benchmark::State& state) {
  TRef<TIEValue> v = NewAtom("guest");
  for (auto _ : state) {
    TRef<TIEValue> copy = v;
    benchmark::DoNotOptimize(copy.Get());
  }
}
BENCHMARK(BM_ShareReference);

void BM_StrictEqualsAtoms(benchmark::State& state) {
  TRef<TIEValue> a = NewAtom("male"), b = NewAtom("male");
  for (auto _ : state) benchmark::DoNotOptimize(a->Equals(b.Get()));
}
BENCHMARK(BM_StrictEqualsAtoms);

void BM_StrictEqualsIntegers(benchmark::State& state) {
  TRef<TIEValue> a = NewInteger(17), b = NewInteger(17);
  for (auto _ : state) benchmark::DoNotOptimize(a->Equals(b.Get()));
}
BENCHMARK(BM_StrictEqualsIntegers);

void BM_HashAtom(benchmark::State& state) {
  TRef<TIEValue> a = NewAtom("hobby-reading");
  for (auto _ : state) benchmark::DoNotOptimize(a->HashCode());
}
BENCHMARK(BM_HashAtom);

void BM_PrintFloat(benchmark::State& state) {
  TRef<TIEValue> a = NewFloat(3.14159);
  for (auto _ : state) benchmark::DoNotOptimize(a->AsText());
}
BENCHMARK(BM_PrintFloat);

}  // namespace
}  // namespace fxe
