// Tests of the open-addressing index map: lookups, insertion and erasure
// against a standard map under random operations (with keys crowded into few
// home slots so that backward shifts cross the table's end), and the edge keys.
#include "collections/OpenHashMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

namespace fxe {
namespace {

void ExpectSameContents(TOpenHashMap<std::int64_t>& map, const std::unordered_map<std::uint64_t, std::int64_t>& model,
                        const std::vector<std::uint64_t>& universe) {
  ASSERT_EQ(map.Count(), model.size());
  for (std::uint64_t key : universe) {
    const auto found = model.find(key);
    const std::int64_t* value = map.Find(key);
    if (found == model.end()) {
      EXPECT_EQ(value, nullptr) << key;
    } else {
      ASSERT_NE(value, nullptr) << key;
      EXPECT_EQ(*value, found->second) << key;
    }
  }
}

TEST(OpenHashMap, AgreesWithAStandardMapUnderRandomOperations) {
  struct TCase {
    const char* name;
    std::uint64_t spread;  // keys drawn from 0 .. spread-1, times stride
    std::uint64_t stride;
  };
  // Small spreads make long probe runs; a stride of 2^32 gives keys whose
  // mixed home differs only in few bits.
  const TCase cases[] = {{"dense", 64, 1}, {"wide", 5000, 7919}, {"high bits", 300, std::uint64_t{1} << 32}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937_64 random(42);
    TOpenHashMap<std::int64_t> map;
    std::unordered_map<std::uint64_t, std::int64_t> model;
    std::vector<std::uint64_t> universe;
    for (std::uint64_t k = 0; k < c.spread; ++k) universe.push_back(k * c.stride);
    for (int step = 0; step < 20000; ++step) {
      const std::uint64_t key = universe[random() % universe.size()];
      if (random() % 3 == 0) {
        EXPECT_EQ(map.Erase(key), model.erase(key) == 1);
      } else {
        map[key] = step;
        model[key] = step;
      }
      if (step % 2500 == 0) ExpectSameContents(map, model, universe);
    }
    ExpectSameContents(map, model, universe);
    map.Clear();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.Find(universe.front()), nullptr);
  }
}

TEST(OpenHashMap, TheLargestKeysShareOneEntryAndZeroIsAnOrdinaryKey) {
  TOpenHashMap<int> map;
  const std::uint64_t top = ~std::uint64_t{0};
  map[0] = 1;
  map[top] = 2;
  EXPECT_EQ(map.Count(), 2u);
  ASSERT_NE(map.Find(0), nullptr);
  EXPECT_EQ(*map.Find(0), 1);
  ASSERT_NE(map.Find(top - 1), nullptr);
  EXPECT_EQ(*map.Find(top - 1), 2);
  EXPECT_TRUE(map.Erase(top - 1));
  EXPECT_EQ(map.Find(top), nullptr);
  EXPECT_FALSE(map.Erase(top));
  EXPECT_EQ(map.Count(), 1u);
}

TEST(OpenHashMap, MovesTakeTheEntries) {
  TOpenHashMap<int> map;
  for (int k = 0; k < 100; ++k) map[static_cast<std::uint64_t>(k)] = k;
  TOpenHashMap<int> moved(std::move(map));
  EXPECT_EQ(moved.Count(), 100u);
  ASSERT_NE(moved.Find(99), nullptr);
  EXPECT_EQ(*moved.Find(99), 99);
  map = std::move(moved);
  EXPECT_EQ(map.Count(), 100u);
}

}  // namespace
}  // namespace fxe
