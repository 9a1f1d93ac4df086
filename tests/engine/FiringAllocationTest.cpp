// Firing a rule once the engine is warm allocates nothing on the heap: the
// firing context is a frame on the stack and bindings are read by index.
// (A slot left to its default gets its own value on first read; the facts
// here give every slot so that only the firing is counted.)
// The executable counts every allocation through a replaced operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "support/EngineFixture.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace fxe {
namespace {

TEST(FiringAllocation, WarmFiringsOfARuleWithoutActionsAllocateNothing) {
  test::TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  session.Run(
      "(deftemplate wide (slot id) (slot a (default 1)) (slot b (default 2)) (slot c (default 3)))"
      "(defrule bind (wide (id ?i) (a ?a) (b ?b) (c ?c)) => )");
  constexpr int kFacts = 200;
  // The first round warms the pools, the agenda and the memories.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kFacts; ++i) engine.AssertString("(wide (id " + std::to_string(i) + ") (a 1) (b 2) (c 3))");
    ASSERT_EQ(engine.Agenda().Count(), kFacts);
    const long before = allocations.load();
    EXPECT_EQ(engine.Run(), kFacts);
    const long during = allocations.load() - before;
    if (round == 1) {
      EXPECT_EQ(during, 0) << "heap allocations while firing " << kFacts << " warm activations";
    }
    engine.Reset();
  }
}

}  // namespace
}  // namespace fxe
