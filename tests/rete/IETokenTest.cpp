// Tokens and token memories: hash codes, equality (strengths, segment
// copies), text forms, holds and counted references, buckets and their
// order, hashed probes that visit only candidates, walks that survive changes.
#include "rete/IEToken.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "base/IEExceptions.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

class TIETokenTest : public ::testing::Test {
 protected:
  TIETokenTest() {
    item_->AddSlot("key", NewInteger(0));
    item_->AddSlot("name", NewAtom(""));
  }

  TRef<IFact> Fact(std::int32_t id, TRef<TIEValue> key = NewInteger(0)) {
    auto fact = MakeRef<TFact>(item_);
    fact->SetSlotValue("key", std::move(key));
    fact->SetID(id);
    facts_.push_back(fact);
    return fact;
  }
  // A single-fact token held by the test.
  TIEToken& Single(std::int32_t id, TTokenAction tag = taAdd, TRef<TIEValue> key = NewInteger(0)) {
    holds_.emplace_back(TIEToken::NewFromFact(*pool_, tag, Fact(id, std::move(key))));
    return *holds_.back();
  }
  TIEToken& Extend(TIEToken& left, TIEToken* right) {
    holds_.emplace_back(TIEToken::NewExtension(*pool_, left, right, nullptr));
    return *holds_.back();
  }
  static std::vector<std::string> Walk(ITokenMemory& memory, TMemoryKey* key = nullptr) {
    std::vector<std::string> seen;
    TMemoryWalk walk(memory);
    for (TIEToken* t = key ? walk.Probe(*key) : walk.Scan(); t; t = walk.Next()) seen.push_back(t->ShortText());
    return seen;
  }

  TRef<IFactTemplate> item_ = MakeRef<TFactTemplate>(nullptr, "item");
  TTokenPoolHandle pool_{TTokenPool::Create()};
  std::vector<TRef<IFact>> facts_;
  std::vector<TTokenHold> holds_;
};

TEST_F(TIETokenTest, HashCodesFollowTheChainAndWrap) {
  TIEToken& a = Single(3);
  EXPECT_EQ(a.HashCode(), 3);
  TIEToken& ab = Extend(a, &Single(5));
  EXPECT_EQ(ab.HashCode(), 3 * 8 + 5);
  EXPECT_EQ(ab.Size(), 2);
  EXPECT_EQ(ab.FactAt(0)->ID(), 3);
  EXPECT_EQ(ab.FactAt(1)->ID(), 5);
  EXPECT_EQ(ab.FactAt(2), nullptr);
  EXPECT_EQ(ab.ShortText(), "f-3, f-5");
  // Eleven facts overflow 32 bits: the hash wraps and still keys a bucket.
  TIEToken* chain = &a;
  std::uint32_t expected = 3;
  for (int i = 0; i < 10; ++i) {
    chain = &Extend(*chain, &Single(7));
    expected = expected * 8u + 7u;
  }
  EXPECT_EQ(chain->HashCode(), static_cast<std::int32_t>(expected));
  EXPECT_GE(BucketOf(static_cast<std::uint32_t>(chain->HashCode()), 101), 0);
  EXPECT_LT(BucketOf(static_cast<std::uint32_t>(chain->HashCode()), 101), 101);
  EXPECT_EQ(BucketOf(0x80000000u, 101), static_cast<std::int32_t>(2147483648ll % 101));
}

TEST_F(TIETokenTest, EqualityComparesFactsStrengthsAndSegments) {
  TIEToken& a = Single(1);
  TIEToken& b = Single(1);
  EXPECT_TRUE(a.Equals(b));
  EXPECT_EQ(a.Key(), b.Key());
  TIEToken& weak = Single(1);
  weak.SetStrength(0.5f);
  EXPECT_FALSE(a.Equals(weak));
  // Two cuts of one fact are different matches; the same cut is the same.
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taAdd, Fact(1), 77));
  TIEToken& cut = *holds_.back();
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taAdd, Fact(1), 78));
  EXPECT_FALSE(cut.Equals(*holds_.back()));
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taRemove, Fact(1), 77));
  EXPECT_TRUE(cut.Equals(*holds_.back()));
  // Chains compare link by link.
  TIEToken& left1 = Extend(Single(1), &Single(2));
  TIEToken& left2 = Extend(Single(1), &Single(2));
  TIEToken& other = Extend(Single(1), &Single(3));
  EXPECT_TRUE(left1.Equals(left2));
  EXPECT_FALSE(left1.Equals(other));
}

TEST_F(TIETokenTest, TextFormsAndTags) {
  TIEToken& ab = Extend(Single(0), &Single(4));
  ab.SetNegatedCount(-3);
  EXPECT_EQ(ab.NegatedCount(), 0);
  EXPECT_EQ(ab.LongText(), "taAdd cnt=2 negcnt=0\r\n(item (key 0))\r\n(item (key 0))");
  holds_.emplace_back(TIEToken::NewClear(*pool_));
  TIEToken& clear = *holds_.back();
  EXPECT_EQ(clear.Size(), 0);
  ExpectError([&] { clear.SetTag(taAdd); }, "Invalid Token Action");
  EXPECT_NO_THROW(clear.SetTag(taClear));
}

TEST_F(TIETokenTest, CountedReferencesAndHoldsBothKeepATokenAlive) {
  const std::size_t before = pool_->LiveTokens();
  TRef<IReteToken> outside;
  {
    TTokenHold hold(TIEToken::NewFromFact(*pool_, taAdd, Fact(9)));
    outside = TRef<IReteToken>(hold.Get());
  }
  // The engine let go; the outside reference still reads the token.
  ASSERT_EQ(outside->FactCount(), 1);
  EXPECT_EQ(outside->FactAt(0)->ID(), 9);
  EXPECT_EQ(pool_->LiveTokens(), before + 1);
  outside = nullptr;
  EXPECT_EQ(pool_->LiveTokens(), before);
  // The other way round: the reference goes first, the hold keeps it.
  TTokenHold hold(TIEToken::NewFromFact(*pool_, taAdd, Fact(10)));
  TRef<IReteToken>(hold.Get()).Reset();
  EXPECT_EQ(hold->FactIndex(), 10);
}

TEST_F(TIETokenTest, APoolOutlivesItsOwnerWhileTokensAreReferenced) {
  TRef<IReteToken> outside;
  {
    TTokenPoolHandle pool(TTokenPool::Create());
    TTokenHold hold(TIEToken::NewFromFact(*pool, taAdd, Fact(2)));
    outside = TRef<IReteToken>(hold.Get());
  }
  EXPECT_EQ(outside->FactAt(0)->ID(), 2);
}

TEST_F(TIETokenTest, MemoriesKeepBucketsInInsertionOrder) {
  TIETokenTree memory(*pool_, TMemoryKeying(TKeySource::FactIndex, false), 101);
  EXPECT_FALSE(memory.Remove(Single(1)));
  for (std::int32_t id : {102, 1, 203, 5}) ASSERT_NE(memory.Insert(Single(id)), nullptr);
  // 102 and 203 share bucket 1 with 1; 5 is alone in bucket 5.
  EXPECT_EQ(memory.AsText(), "f-102f-1f-203\r\nf-5\r\n");
  EXPECT_EQ(Walk(memory), (std::vector<std::string>{"f-102", "f-1", "f-203", "f-5"}));
  EXPECT_EQ(memory.Insert(Single(1)), nullptr);
  EXPECT_EQ(memory.Count(), 4);
  // Different strengths are different tokens.
  TIEToken& weak = Single(1);
  weak.SetStrength(0.25f);
  EXPECT_NE(memory.Insert(weak), nullptr);
  EXPECT_TRUE(memory.Remove(Single(1, taRemove)));
  EXPECT_EQ(memory.AsText(), "f-102f-203f-1\r\nf-5\r\n");
  memory.Reset();
  EXPECT_TRUE(memory.IsEmpty());
  EXPECT_EQ(memory.AsText(), "");
  EXPECT_EQ(Walk(memory), std::vector<std::string>{});
}

TEST_F(TIETokenTest, HashedProbesVisitOnlyCandidatesInInsertionOrder) {
  TIETokenTree memory(*pool_, TMemoryKeying(TKeySource::SlotValue, true, 0, "key"), 101);
  // Keys 7, 108 and 209 share bucket 7; the fuzzy key may equal any of them.
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  set->AddPoint(0, 1);
  const TRef<TIEValue> fuzzy = MakeRef<TIEValue>(set);
  const std::uint32_t fuzzyBucketHash = fuzzy->HashCode();
  memory.Insert(Single(1, taAdd, NewInteger(7)));
  memory.Insert(Single(2, taAdd, NewInteger(108)));
  memory.Insert(Single(3, taAdd, NewInteger(7)));
  memory.Insert(Single(4, taAdd, NewInteger(209)));
  memory.Insert(Single(5, taAdd, NewInteger(7)));
  TMemoryKey seven{7, 7, false};
  EXPECT_EQ(Walk(memory, &seven), (std::vector<std::string>{"f-1", "f-3", "f-5"}));
  TMemoryKey wildcard{7, 7, true};
  EXPECT_EQ(Walk(memory, &wildcard), (std::vector<std::string>{"f-1", "f-2", "f-3", "f-4", "f-5"}));
  // A stored fuzzy key is visited by every probe of its bucket, in order.
  TIETokenTree mixed(*pool_, TMemoryKeying(TKeySource::SlotValue, true, 0, "key"), 101);
  const auto bucket = static_cast<std::int32_t>(BucketOf(fuzzyBucketHash, 101));
  mixed.Insert(Single(6, taAdd, NewInteger(bucket)));
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taAdd, Fact(7, fuzzy)));
  EXPECT_TRUE(mixed.KeyOf(*holds_.back()).wildcard);
  mixed.Insert(*holds_.back());
  mixed.Insert(Single(8, taAdd, NewInteger(bucket)));
  mixed.Insert(Single(9, taAdd, NewInteger(bucket + 101)));
  TMemoryKey sameBucket{static_cast<std::uint32_t>(bucket), static_cast<std::uint32_t>(bucket), false};
  EXPECT_EQ(Walk(mixed, &sameBucket), (std::vector<std::string>{"f-6", "f-7", "f-8"}));
}

TEST_F(TIETokenTest, ProbesKeepInsertionOrderWhenTheInsertionNumbersRunOut) {
  // A wildcard and plain tokens of one bucket merge by insertion number; the
  // numbers wrap after four insertions here and are given out again by order.
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  set->AddPoint(0, 1);
  const TRef<TIEValue> fuzzy = MakeRef<TIEValue>(set);
  const auto bucket = static_cast<std::int32_t>(BucketOf(fuzzy->HashCode(), 101));
  TIETokenTree memory(*pool_, TMemoryKeying(TKeySource::SlotValue, true, 0, "key"), 101);
  memory.StartSequenceAt(std::numeric_limits<std::uint32_t>::max() - 3);
  memory.Insert(Single(1, taAdd, NewInteger(bucket)));
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taAdd, Fact(2, fuzzy)));
  memory.Insert(*holds_.back());
  memory.Insert(Single(3, taAdd, NewInteger(bucket)));
  memory.Insert(Single(4, taAdd, NewInteger(bucket + 101)));
  memory.Insert(Single(5, taAdd, NewInteger(bucket)));
  holds_.emplace_back(TIEToken::NewFromFact(*pool_, taAdd, Fact(6, fuzzy)));
  memory.Insert(*holds_.back());
  memory.Insert(Single(7, taAdd, NewInteger(bucket)));
  ASSERT_TRUE(memory.Remove(Single(3, taRemove, NewInteger(bucket))));
  TMemoryKey key{static_cast<std::uint32_t>(bucket), static_cast<std::uint32_t>(bucket), false};
  EXPECT_EQ(Walk(memory, &key), (std::vector<std::string>{"f-1", "f-2", "f-5", "f-6", "f-7"}));
}

TEST_F(TIETokenTest, TokensOfManyChunksFindTheirPool) {
  // More tokens than one chunk of the pool holds; each one freed goes back to
  // the pool it came from, and a second pool keeps its own.
  TTokenPoolHandle other(TTokenPool::Create());
  {
    std::vector<TTokenHold> many;
    for (std::int32_t id = 0; id < 3000; ++id) {
      many.emplace_back(TIEToken::NewFromFact(id % 2 ? *pool_ : *other, taAdd, Fact(id)));
    }
    EXPECT_EQ(pool_->LiveTokens(), 1500u + holds_.size());
    EXPECT_EQ(other->LiveTokens(), 1500u);
    EXPECT_EQ(many[2999]->FactAt(0)->ID(), 2999);
  }
  EXPECT_EQ(pool_->LiveTokens(), holds_.size());
  EXPECT_EQ(other->LiveTokens(), 0u);
}

TEST_F(TIETokenTest, FurtherKeyValuesNarrowProbesWithoutChangingBucketsOrOrder) {
  // Keyed by key, chained by key and name: a join on both slots.
  TMemoryKeying keying(TKeySource::SlotValue, true, 0, "key");
  keying.AddChainPart(0, "name");
  TIETokenTree memory(*pool_, keying, 101);
  const auto named = [&](std::int32_t id, std::int64_t key, std::string_view name) -> TIEToken& {
    TIEToken& token = Single(id, taAdd, NewInteger(key));
    token.Fact()->SetSlotValue("name", NewAtom(name));
    return token;
  };
  memory.Insert(named(1, 7, "a"));
  memory.Insert(named(2, 7, "b"));
  memory.Insert(named(3, 108, "a"));
  memory.Insert(named(4, 7, "a"));
  // The bucket and the listing still come from the first key alone.
  EXPECT_EQ(memory.AsText(), "f-1f-2f-3f-4\r\n");
  TMemoryKey probe = memory.KeyOf(named(5, 7, "a"));
  EXPECT_EQ(probe.hash, 7u);
  EXPECT_NE(probe.chain, probe.hash);
  EXPECT_EQ(Walk(memory, &probe), (std::vector<std::string>{"f-1", "f-4"}));
  // A further value that may equal others of another hash (a fuzzy value)
  // makes the token a wildcard of its bucket: every probe of it sees it.
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  set->AddPoint(0, 1);
  TIEToken& fuzzy = Single(6, taAdd, NewInteger(7));
  fuzzy.Fact()->SetSlotValue("name", MakeRef<TIEValue>(set));
  EXPECT_TRUE(memory.KeyOf(fuzzy).wildcard);
  memory.Insert(fuzzy);
  EXPECT_EQ(Walk(memory, &probe), (std::vector<std::string>{"f-1", "f-4", "f-6"}));
  memory.Remove(named(1, 7, "a"));
  EXPECT_EQ(Walk(memory, &probe), (std::vector<std::string>{"f-4", "f-6"}));
}

TEST_F(TIETokenTest, WalksSurviveRemovalsAndResets) {
  TIETokenTree memory(*pool_, TMemoryKeying(TKeySource::FactIndex, false), 101);
  for (std::int32_t id = 0; id < 4; ++id) memory.Insert(Single(id));
  std::vector<std::string> seen;
  {
    TMemoryWalk walk(memory);
    for (TIEToken* t = walk.Scan(); t; t = walk.Next()) {
      seen.push_back(t->ShortText());
      if (t->FactIndex() == 0) {
        EXPECT_TRUE(memory.Remove(Single(1)));
        EXPECT_TRUE(memory.Remove(Single(0)));
        memory.Insert(Single(50));
      }
    }
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"f-0", "f-2", "f-3", "f-50"}));
  EXPECT_EQ(memory.AsText(), "f-2\r\nf-3\r\nf-50\r\n");
  {
    TMemoryWalk walk(memory);
    TIEToken* first = walk.Scan();
    ASSERT_NE(first, nullptr);
    memory.Reset();
    EXPECT_EQ(walk.Next(), nullptr);
    EXPECT_NE(memory.Insert(Single(2)), nullptr);
  }
  EXPECT_EQ(memory.AsText(), "f-2\r\n");
}

}  // namespace
}  // namespace fxe
