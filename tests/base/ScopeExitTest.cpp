// The scope guard and the update scope: when they run, and which error comes
// out when ending an update fails as well.
#include "base/ScopeExit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace fxe {
namespace {

TEST(TScopeExit, RunsOnEveryWayOutUnlessReleased) {
  int runs = 0;
  {
    auto guard = ScopeExit([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  {
    auto guard = ScopeExit([&] { ++runs; });
    guard.release();
  }
  EXPECT_EQ(runs, 1);
  try {
    auto guard = ScopeExit([&] { ++runs; });
    throw std::runtime_error("boom");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(runs, 2);
  {
    auto first = ScopeExit([&] { ++runs; });
    auto moved = std::move(first);  // the moved-from guard no longer runs
  }
  EXPECT_EQ(runs, 3);
}

// Counts its batches; EndUpdate fails when told to.
struct TBatched {
  int depth = 0;
  int ended = 0;
  bool failEnd = false;
  void BeginUpdate() { ++depth; }
  void EndUpdate() {
    --depth;
    ++ended;
    if (failEnd) throw std::runtime_error("end failed");
  }
};

TEST(TUpdateScope, PairsBeginAndEndOnEveryWayOut) {
  TBatched target;
  {
    TUpdateScope outer(target);
    TUpdateScope inner(target);
    EXPECT_EQ(target.depth, 2);
  }
  EXPECT_EQ(target.depth, 0);
  EXPECT_EQ(target.ended, 2);
  EXPECT_THROW(
      {
        TUpdateScope update(target);
        throw std::logic_error("work failed");
      },
      std::logic_error);
  EXPECT_EQ(target.depth, 0);
}

TEST(TUpdateScope, AFailingEndReportsTheFirstError) {
  TBatched target;
  target.failEnd = true;
  std::string caught;
  try {
    TUpdateScope update(target);
    throw std::logic_error("work failed");
  } catch (const std::exception& e) {
    caught = e.what();
  }
  EXPECT_EQ(caught, "work failed");
  try {
    TUpdateScope update(target);
  } catch (const std::exception& e) {
    caught = e.what();
  }
  EXPECT_EQ(caught, "end failed");
  EXPECT_EQ(target.depth, 0);
}

}  // namespace
}  // namespace fxe
