// The fact base: positions over the facts alone while holes wait to be
// closed, lookups by index (ascending or given from outside), duplicate
// detection with and without the hash index.
#include "engine/Facts.h"

#include <gtest/gtest.h>

#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TEngineSession;

class TFactsTest : public ::testing::Test {
 protected:
  TFactsTest() { session.Run("(deftemplate item (slot n))"); }
  TRef<IFact> Item(std::int32_t n) { return engine.ParseFact("(item (n " + std::to_string(n) + "))"); }

  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  TFacts& facts = engine.Facts();
};

TEST_F(TFactsTest, PositionsSkipTheHolesOfDeletedFacts) {
  for (std::int32_t i = 1; i <= 100; ++i) engine.Assert(*Item(i));
  // Deleting every other fact leaves holes; positions count only facts.
  for (std::int32_t i = 2; i <= 100; i += 2) ASSERT_GE(engine.RetractFact(*facts.FindById(i)), 0);
  EXPECT_EQ(facts.Count(), 51);
  EXPECT_EQ(facts.IndexOfId(0), 0);
  EXPECT_EQ(facts.IndexOfId(99), 50);
  EXPECT_EQ(facts.IndexOfId(98), -1);
  EXPECT_EQ(facts.Fact(1).ID(), 1);
  EXPECT_EQ(facts.Fact(50).ID(), 99);
  EXPECT_EQ(facts.FindEqual(*Item(5)), 3);
  EXPECT_EQ(facts.FindEqual(*Item(6)), -1);
  std::vector<std::int32_t> order;
  facts.ForEach([&](IFact& fact) { order.push_back(fact.ID()); });
  EXPECT_EQ(order.size(), 51u);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  ExpectError([&] { facts.Fact(51); }, "List index out of bounds (51)");
}

TEST_F(TFactsTest, PreservedIndicesAreKeptAndTheNextOneFollowsThem) {
  facts.SetPreserveIDs(true);
  TRef<IFact> three = Item(3);
  three->SetID(3);
  TRef<IFact> seven = Item(7);
  seven->SetID(7);
  EXPECT_EQ(facts.Add(*seven), 7);
  EXPECT_EQ(facts.Add(*three), 3);
  EXPECT_EQ(engine.Assert(*Item(8)), 8);
  EXPECT_EQ(facts.IndexOfId(3), 2);
  EXPECT_EQ(facts.IndexOfId(7), 1);
  EXPECT_EQ(facts.FindById(8)->ID(), 8);
  engine.RetractFact(*facts.FindById(7));
  EXPECT_EQ(facts.IndexOfId(3), 1);
}

TEST_F(TFactsTest, DuplicatesAreFoundWithAndWithoutTheIndex) {
  engine.Assert(*Item(1));
  EXPECT_EQ(engine.Assert(*Item(1)), -1);
  engine.SetFactDuplication(true);
  EXPECT_FALSE(facts.CacheHashCodes());
  EXPECT_EQ(engine.Assert(*Item(1)), 2);
  EXPECT_EQ(facts.FindEqual(*Item(1)), 1);
  engine.SetFactDuplication(false);
  EXPECT_TRUE(facts.CacheHashCodes());
  EXPECT_EQ(facts.FindEqual(*Item(1)), 1);
  EXPECT_EQ(engine.Assert(*Item(1)), -1);
}

}  // namespace
}  // namespace fxe

namespace fxe {
namespace {

TEST(TFactsAssign, CopiesOntoTheTemplateOfTheSameNameOnlyWhenItIsEqual) {
  test::TEngineSession from;
  from.Run("(deftemplate item (slot n)) (deftemplate other (slot m))");
  from.Engine().AssertString("(item (n 1))");
  from.Engine().AssertString("(item (n 2))");

  test::TEngineSession same;
  same.Run("(deftemplate item (slot n)) (deftemplate other (slot m))");
  same.Engine().AssertString("(other (m 5))");
  same.Engine().Facts().Assign(from.Engine().Facts());
  // Copies are asserted here: they take this engine's next indices.
  EXPECT_EQ(same.Facts(), "f-2 (Initial-Fact)\nf-3 (item (n 1))\nf-4 (item (n 2))\n");
  EXPECT_EQ(same.Engine().FactAt(1).Template(), same.Engine().FindFactTemplate("item").Get());

  test::TEngineSession different;
  different.Run("(deftemplate item (slot k))");
  test::ExpectError([&] { different.Engine().Facts().Assign(from.Engine().Facts()); },
                    "Unable to assign slot values, fact templates are different: " +
                        different.Engine().FindFactTemplate("item")->AsString() + " and " +
                        from.Engine().FindFactTemplate("item")->AsString());

  test::TEngineSession missing;
  missing.Run("(deftemplate unrelated (slot k))");
  test::ExpectError([&] { missing.Engine().Facts().Assign(from.Engine().Facts()); }, "Fact Template is missing");
}

}  // namespace
}  // namespace fxe
