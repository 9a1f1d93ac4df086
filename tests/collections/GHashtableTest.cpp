// Tests of the hash-table family: key hashing, bucket functions, growth, the
// enumeration and indexed orders, errors, notifications and copies.
#include "collections/GHashtable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

template <class TTable>
auto EnumerationKeys(const TTable& table) {
  std::vector<std::decay_t<decltype(table.begin()->Key())>> keys;
  for (const auto& entry : table) keys.push_back(entry.Key());
  return keys;
}

template <class TTable>
auto IndexedKeys(const TTable& table) {
  std::vector<std::decay_t<decltype(table.KeyAt(0))>> keys;
  for (std::int32_t i = 0; i < table.Count(); ++i) keys.push_back(table.KeyAt(i));
  return keys;
}

TEST(StringKeyHash, FollowsTheShortAndLongKeyRules) {
  struct Row {
    std::string key;
    std::uint32_t hash;
  };
  const Row rows[] = {
      {"", 0},
      {"a", 97},
      {"ab", 97 * 37 + 98},
      {"\xff", 255},                             // bytes are unsigned
      {"abcdefghijklmno", 4048783896u},          // 15 bytes: every byte, x37
      {"abcdefghijklmnop", 2534668456u},         // 16 bytes: positions 1, 3, .., 15, x39
      {"abcdefghijklmnopq", 67822089u},          // 17 bytes: step 17 div 8 = 2, up to 17
      {"ABCDEFGHIJKLMNOPQRSTUVWX", 411605548u},  // 24 bytes: step 3
      {"Initial-Fact", 318018053u},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(StringKeyHash(row.key), row.hash);
  }
  // Long keys ignore the bytes between sampled positions.
  EXPECT_EQ(StringKeyHash("aXcdefghijklmnop"), StringKeyHash("abcdefghijklmnop"));
  EXPECT_NE(StringKeyHash("aXcdefghijklmno"), StringKeyHash("abcdefghijklmno"));
  EXPECT_NE(StringKeyHash(std::string("a\0b", 3)), StringKeyHash("ab"));
}

TEST(HashIndex, ComputesEachHashTypeByItsDigits) {
  struct Row {
    std::uint32_t key;
    std::uint32_t capacity;
    std::uint32_t truncation, division, midSquare, folding;
  };
  const Row rows[] = {
      {12345, 101, 42, 23, 94, 33},
      {123456, 101, 52, 34, 32, 33},
      {99, 101, 99, 99, 4, 99},  // fewer digits than the capacity
      {250, 101, 48, 48, 82, 18},
      {100000, 101, 0, 10, 48, 92},  // the square wraps at 32 bits
      {12, 101, 12, 12, 43, 11},
      {123456789, 101, 82, 45, 82, 46},
      {7, 101, 7, 7, 49, 77},
      {2147483647, 101, 41, 33, 1, 29},
      {0xFFFFFFFFu, 101, 41, 33, 1, 29},  // only the low 31 bits count
      {2147483647, 11, 3, 1, 1, 5},
      {987654321, 403, 321, 56, 137, 266},
      {65536, 101, 31, 88, 0, 78},  // the square is 0
      {1000, 7, 0, 6, 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.key) + " mod " + std::to_string(row.capacity));
    EXPECT_EQ(HashIndex(row.key, row.capacity, htTruncation), row.truncation);
    EXPECT_EQ(HashIndex(row.key, row.capacity, htDivision), row.division);
    EXPECT_EQ(HashIndex(row.key, row.capacity, htMidSquare), row.midSquare);
    EXPECT_EQ(HashIndex(row.key, row.capacity, htFolding), row.folding);
  }
}

TEST(HashIndex, RejectsNullKeysAndUnknownTypes) {
  for (TGHashType type : {htTruncation, htDivision, htMidSquare, htFolding}) {
    ExpectError<EGHashtableError>([&] { HashIndex(0, 101, type); }, "Argument is null");
    ExpectError<EGHashtableError>([&] { HashIndex(0x80000000u, 101, type); }, "Argument is null");
  }
  ExpectError<EGHashtableError>([] { HashIndex(5, 101, static_cast<TGHashType>(4)); }, "Subscript out of range");
  ExpectError<EGHashtableError>([] { HashIndex(5, 0, htDivision); }, "Subscript out of range");
}

TEST(HashIndex, TableDivisionAgreesWithRemainder) {
  std::mt19937 random(7);
  for (std::uint32_t capacity : {1u, 2u, 3u, 11u, 101u, 203u, 1671167u, (1u << 30) - 1}) {
    const detail::TFastMod mod(capacity);
    for (int i = 0; i < 2000; ++i) {
      const std::uint32_t k = random() & 0x7FFFFFFF;
      ASSERT_EQ(mod(k), k % capacity) << k << " mod " << capacity;
    }
    EXPECT_EQ(mod(0x7FFFFFFF), 0x7FFFFFFFu % capacity);
  }
}

TEST(HashThreshold, RoundsHalvesToEven) {
  EXPECT_EQ(HashThreshold(101, 0.75f), 76u);
  EXPECT_EQ(HashThreshold(2, 0.75f), 2u);  // 1.5
  EXPECT_EQ(HashThreshold(6, 0.75f), 4u);  // 4.5
  EXPECT_EQ(HashThreshold(0, 0.75f), 0u);
}

TEST(TGCustomHashtable, GrowsWhenTheNewKeyReachesTheThreshold) {
  TGHashIntTable<int> table;
  EXPECT_EQ(table.Capacity(), 101u);
  for (int key = 1; key <= 75; ++key) table.Put(key, key);
  EXPECT_EQ(table.Capacity(), 101u);
  table.Put(5, 0);  // replacing does not grow
  EXPECT_EQ(table.Capacity(), 101u);
  table.Put(76, 76);
  EXPECT_EQ(table.Capacity(), 203u);
  EXPECT_EQ(table.Count(), 76);
  for (int key = 77; key <= 151; ++key) table.Put(key, key);
  EXPECT_EQ(table.Capacity(), 203u);  // threshold round(152.25) = 152
  table.Put(152, 152);
  EXPECT_EQ(table.Capacity(), 407u);
  for (int key = 1; key <= 152; ++key) ASSERT_EQ(*table.Find(key), key == 5 ? 0 : key);
}

TEST(TGCustomHashtable, EnumeratesBucketsFromTheLastAndIndexesFromTheFirst) {
  TGHashIntTable<int> table;
  table.Put(3, 30);
  table.Put(7, 70);
  EXPECT_EQ(EnumerationKeys(table), (std::vector<std::int32_t>{7, 3}));
  EXPECT_EQ(IndexedKeys(table), (std::vector<std::int32_t>{3, 7}));
  EXPECT_EQ(table.ValueAt(0), 30);

  // One bucket: newest first in both orders.
  TGHashIntTable<int> chain;
  for (int key : {3, 104, 205}) chain.Put(key, key);
  EXPECT_EQ(EnumerationKeys(chain), (std::vector<std::int32_t>{205, 104, 3}));
  EXPECT_EQ(IndexedKeys(chain), (std::vector<std::int32_t>{205, 104, 3}));
  EXPECT_EQ(chain.Collisions(), 2);
}

TEST(TGCustomHashtable, GrowthRebuildsChainsByPrependingFromTheLastBucket) {
  // 3 and 20506 share a bucket before and after growth: the chain reverses.
  // 5 and 208 are in buckets 5 and 6 of 101 and meet in bucket 5 of 203.
  TGHashIntTable<int> table;
  for (int key : {3, 20506, 5, 208}) table.Put(key, 0);
  EXPECT_EQ(IndexedKeys(table), (std::vector<std::int32_t>{20506, 3, 5, 208}));
  for (int key = 100000; table.Count() < 76; ++key) table.Put(key, 0);
  ASSERT_EQ(table.Capacity(), 203u);
  std::vector<std::int32_t> probes;
  for (std::int32_t key : IndexedKeys(table)) {
    if (key < 100000) probes.push_back(key);
  }
  EXPECT_EQ(probes, (std::vector<std::int32_t>{3, 20506, 5, 208}));
}

TEST(TGCustomHashtable, IndexedAccessAgreesWithAFreshWalkInAnyOrder) {
  TGStringHashtable<int> table(11);
  for (int i = 0; i < 40; ++i) table.Put("k" + std::to_string(i * 7), i);
  const std::vector<std::string> expected = IndexedKeys(table);
  ASSERT_EQ(expected.size(), 40u);
  std::vector<std::int32_t> order;
  for (std::int32_t i = 39; i >= 0; --i) order.push_back(i);  // backwards
  for (std::int32_t i : {0, 39, 38, 5, 6, 5, 4, 20, 0, 1, 0}) order.push_back(i);
  for (std::int32_t i : order) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table.KeyAt(i), expected[static_cast<std::size_t>(i)]);
  }
  // Every entry appears once in each order.
  std::vector<std::string> enumerated = EnumerationKeys(table), indexed = expected;
  std::sort(enumerated.begin(), enumerated.end());
  std::sort(indexed.begin(), indexed.end());
  EXPECT_EQ(enumerated, indexed);
  // A change invalidates the cached position.
  table.KeyAt(10);
  table.Remove(expected[3]);
  EXPECT_EQ(table.KeyAt(10), expected[11]);
}

TEST(TGCustomHashtable, MatchesAMapUnderRandomChanges) {
  std::mt19937 random(11);
  TGHashIntTable<int> table(3, 4.0f);  // long chains
  std::map<std::int32_t, int> model;
  for (int step = 0; step < 20000; ++step) {
    const auto key = static_cast<std::int32_t>(random() % 300) + 1;
    switch (random() % 8) {
      case 0:
      case 1:
      case 2:
        EXPECT_EQ(table.Put(key, step).has_value(), model.count(key) == 1);
        model[key] = step;
        break;
      case 3:
      case 4:
        EXPECT_EQ(table.Remove(key), model.erase(key) == 1);
        break;
      case 5:
        if (!model.empty()) {  // indexed access through the cache matches a fresh walk
          const auto index = static_cast<std::int32_t>(random() % model.size());
          ASSERT_EQ(table.KeyAt(index), TGHashIntTable<int>(table).KeyAt(index));
        }
        break;
      case 6:
        if (random() % 50 == 0) {
          const auto capacity = static_cast<std::uint32_t>(random() % 40);
          table.SetCapacity(capacity);
          if (capacity == 0) model.clear();  // 0 empties the table
        }
        break;
      default: {
        const int* found = table.Find(key);
        ASSERT_EQ(found != nullptr, model.count(key) == 1);
        if (found) {
          EXPECT_EQ(*found, model[key]);
        }
      }
    }
    ASSERT_EQ(table.Count(), static_cast<std::int32_t>(model.size()));
  }
  std::map<std::int32_t, int> walked;
  for (const auto& entry : table) walked.emplace(entry.Key(), entry.Value());
  EXPECT_EQ(walked, model);
}

TEST(TGCustomHashtable, RaisesItsErrorsWithWholeMessages) {
  TGStringHashtable<int> table;
  ExpectError<EGHashtableError>([&] { table.Get("a"); }, "Table is empty");
  ExpectError<EGHashtableError>([&] { table.Put("", 1); }, "Argument is null");
  table.Put("a", 1);
  ExpectError<EGHashtableError>([&] { table.Get("b"); }, "No such element");
  ExpectError<EGHashtableError>([&] { table.GetNamed("b"); }, "No such element: b");
  ExpectError<EGHashtableError>([&] { table.Get(""); }, "Argument is null");
  ExpectError<EGHashtableError>([&] { table.KeyAt(1); }, "List index out of bounds (1)");
  ExpectError<EGHashtableError>([&] { table.ValueAt(-1); }, "List index out of bounds (-1)");
  ExpectError<EGHashtableError>([&] { table.SetHashType(htFolding); },
                                "Cannot perform this operation with non-empty table");
  ExpectError<EGHashtableError>([&] { table.SetHashType(static_cast<TGHashType>(9)); }, "Subscript out of range");
  table.SetHashType(htDivision);  // the same type: no error
  ExpectError<EGHashtableError>([&] { table.SetLoadFactor(0.0f); }, "Invalid load factor: 0.0000");
  ExpectError<EGHashtableError>([&] { table.SetCapacity(1u << 31); }, "Hash table capacity too large: 2147483648");
  TGHashIntTable<int> ints;
  ints.Put(1, 1);
  ExpectError<EGHashtableError>([&] { ints.GetNamed(2); }, "No such element: 2");
  ExpectError<EGHashtableError>([&] { ints.Put(0, 1); }, "Argument is null");
  // The failed calls changed nothing.
  EXPECT_EQ(table.Count(), 1);
  EXPECT_EQ(table.Get("a"), 1);
  EXPECT_EQ(table.LoadFactor(), 0.75f);
}

TEST(TGCustomHashtable, RefusesLoadFactorsThatWouldBlowUpTheBuckets) {
  // A tiny factor would grow the bucket array towards a billion slots on the
  // first insert; the table refuses it and stays as it was.
  struct Row {
    float loadFactor;
    const char* message;
  };
  const Row rows[] = {
      {1e-9f, "Invalid load factor: 0.0000"},
      {0.005f, "Invalid load factor: 0.0050"},
      {-1.0f, "Invalid load factor: -1.0000"},
      {std::numeric_limits<float>::infinity(), "Invalid load factor: inf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    TGHashIntTable<int> table;
    table.Put(1, 1);
    ExpectError<EGHashtableError>([&] { table.SetLoadFactor(row.loadFactor); }, row.message);
    ExpectError<EGHashtableError>([&] { TGHashIntTable<int> constructed(101, row.loadFactor); }, row.message);
    EXPECT_EQ(table.LoadFactor(), 0.75f);
    table.Put(2, 2);
    EXPECT_EQ(table.Capacity(), 101u);
  }
  // The smallest factor accepted keeps the buckets in proportion to the entries.
  TGHashIntTable<int> sparse(101, 0.01f);
  for (int key = 1; key <= 100; ++key) sparse.Put(key, key);
  EXPECT_EQ(sparse.Count(), 100);
  EXPECT_LT(sparse.Capacity(), 100u * 400u);
}

// Values that count themselves and can be told to fail the n-th copy.
struct TCounted {
  static inline int live = 0;
  static inline int copiesLeft = -1;
  TCounted() { ++live; }
  TCounted(const TCounted&) {
    if (copiesLeft >= 0 && copiesLeft-- == 0) throw std::runtime_error("copy failed");
    ++live;
  }
  TCounted(TCounted&&) noexcept { ++live; }
  TCounted& operator=(const TCounted&) = default;
  TCounted& operator=(TCounted&&) noexcept = default;
  ~TCounted() { --live; }
};

TEST(TGCustomHashtable, AFailedCopyLeavesNoEntryBehind) {
  {
    TGHashIntTable<TCounted> source(11);
    for (int key = 1; key <= 8; ++key) source.Put(key, TCounted());
    ASSERT_EQ(TCounted::live, 8);
    TGHashIntTable<TCounted> target;
    target.Put(99, TCounted());
    TCounted::copiesLeft = 5;
    EXPECT_THROW(TGHashIntTable<TCounted> copy(source), std::runtime_error);
    EXPECT_EQ(TCounted::live, 9);
    TCounted::copiesLeft = 3;
    EXPECT_THROW(target.Assign(source), std::runtime_error);
    EXPECT_EQ(TCounted::live, 9);
    EXPECT_TRUE(target.Contains(99));  // a failed assignment changes nothing
    TCounted::copiesLeft = -1;
  }
  EXPECT_EQ(TCounted::live, 0);
}

TEST(TGCustomHashtable, FindAndRemoveToleratesMissingAndNullKeys) {
  TGStringHashtable<int> table(0);
  EXPECT_EQ(table.Find("a"), nullptr);
  EXPECT_FALSE(table.Remove("a"));
  table.Put("a", 1);
  EXPECT_EQ(table.Find(""), nullptr);
  EXPECT_FALSE(table.Contains("b"));
  EXPECT_FALSE(table.Remove(""));
  EXPECT_EQ(table.Put("a", 2), std::optional<int>(1));
  EXPECT_EQ(table.Take("a"), std::optional<int>(2));
  EXPECT_TRUE(table.IsEmpty());
}

TEST(TGCustomHashtable, CapacityZeroEmptiesAndGrowsAgain) {
  TGStringHashtable<int> table;
  for (int i = 0; i < 10; ++i) table.Put("k" + std::to_string(i), i);
  table.SetCapacity(0);
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Capacity(), 0u);
  EXPECT_EQ(table.begin(), table.end());
  table.Put("x", 1);
  table.Put("y", 2);
  EXPECT_EQ(table.Capacity(), 7u);  // 0 -> 1 -> 3 at "x", 7 at "y"
  EXPECT_EQ(table.Get("x"), 1);
  EXPECT_EQ(table.Get("y"), 2);
}

TEST(TGCustomHashtable, SettingTheCapacityRehashes) {
  TGHashIntTable<int> table;
  for (int key : {3, 20506, 5, 208}) table.Put(key, key);
  table.SetCapacity(203);
  EXPECT_EQ(IndexedKeys(table), (std::vector<std::int32_t>{3, 20506, 5, 208}));
  EXPECT_EQ(table.Collisions(), 2);
}

TEST(TGCustomHashtable, HashTypeChoosesTheBuckets) {
  TGHashIntTable<int> table;
  table.SetHashType(htFolding);
  // Folding into 101 buckets: 12345 -> 33, 250 -> 18, 7 -> 77.
  for (int key : {12345, 250, 7}) table.Put(key, key);
  EXPECT_EQ(IndexedKeys(table), (std::vector<std::int32_t>{250, 12345, 7}));
  table.Clear();
  table.SetHashType(htMidSquare);
  for (int key : {12345, 250, 7}) table.Put(key, key);  // 94, 82, 49
  EXPECT_EQ(IndexedKeys(table), (std::vector<std::int32_t>{7, 250, 12345}));
}

TEST(TGCustomHashtable, FiresOnChangeAfterEveryChange) {
  TGStringHashtable<int> table;
  int changes = 0;
  table.SetOnChange([&] { ++changes; });
  struct Step {
    const char* what;
    std::function<void()> action;
    int fired;
  };
  const Step steps[] = {
      {"put new", [&] { table.Put("a", 1); }, 1},
      {"put replacing", [&] { table.Put("a", 2); }, 1},
      {"put growing",
       [&] {
         for (int i = 0; i < 80; ++i) table.Put("k" + std::to_string(i), i);
       },
       80},
      {"remove", [&] { table.Remove("a"); }, 1},
      {"remove missing", [&] { table.Remove("a"); }, 0},
      {"same capacity", [&] { table.SetCapacity(table.Capacity()); }, 0},
      {"capacity", [&] { table.SetCapacity(11); }, 1},
      {"load factor", [&] { table.SetLoadFactor(0.5f); }, 1},
      {"update",
       [&] {
         table.BeginUpdate();
         table.Put("b", 1);
         table.Put("c", 1);
         table.EndUpdate();
       },
       1},
      {"assign", [&] { table.Assign(TGStringHashtable<int>()); }, 1},
      {"clear empty", [&] { table.Clear(); }, 0},
      {"hash type", [&] { table.SetHashType(htTruncation); }, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    changes = 0;
    step.action();
    EXPECT_EQ(changes, step.fired);
  }
}

TEST(TGCustomHashtable, CopyKeepsPropertiesAndBothOrders) {
  TGStringHashtable<std::string> source(11, 0.5f);
  source.SetHashType(htTruncation);
  for (int i = 0; i < 30; ++i) source.Put("key" + std::to_string(i * 13), std::to_string(i));
  source.SetLoadFactor(2.0f);
  source.SetCapacity(5);  // crowded chains, above what growth would allow
  TGStringHashtable<std::string> copy;
  copy.Put("old", "x");
  copy.Assign(source);
  EXPECT_EQ(copy.Capacity(), 5u);
  EXPECT_EQ(copy.LoadFactor(), 2.0f);
  EXPECT_EQ(copy.HashType(), htTruncation);
  EXPECT_EQ(copy.Count(), 30);
  EXPECT_EQ(copy.Collisions(), source.Collisions());
  EXPECT_EQ(EnumerationKeys(copy), EnumerationKeys(source));
  EXPECT_EQ(IndexedKeys(copy), IndexedKeys(source));
  EXPECT_FALSE(copy.Contains("old"));
  const TGStringHashtable<std::string> constructed(source);
  EXPECT_EQ(EnumerationKeys(constructed), EnumerationKeys(source));
  EXPECT_EQ(constructed.Get("key13"), "1");
}

TEST(TGCustomHashtable, ClearFreesTheLastBucketFirst) {
  std::vector<int> freed;
  struct TRecorder {
    TRecorder(std::vector<int>* log, int id) : log(log), id(id) {}
    ~TRecorder() { log->push_back(id); }
    std::vector<int>* log;
    int id;
  };
  TGHashIntTable<std::unique_ptr<TRecorder>> table;  // move-only values
  for (int key : {3, 104, 7, 50}) table.Put(key, std::make_unique<TRecorder>(&freed, key));
  auto old = table.Put(7, std::make_unique<TRecorder>(&freed, 70));
  ASSERT_TRUE(old && *old);
  EXPECT_EQ((*old)->id, 7);
  old.reset();
  table.Clear();
  EXPECT_EQ(freed, (std::vector<int>{7, 50, 70, 104, 3}));
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.Collisions(), 0);
}

TEST(TIStringHashTable, HoldsReferencesUntilRemoved) {
  struct TItem : IInterface {
    int value = 0;
  };
  auto item = MakeRef<TItem>();
  {
    TIStringHashTable<TItem> table;
    table.Put("one", item);
    table.Put(std::string("two"), item);
    EXPECT_EQ(item->RefCount(), 3u);
    table.Remove("one");
    EXPECT_EQ(item->RefCount(), 2u);
    EXPECT_EQ(table.Get("two"), item);
  }
  EXPECT_EQ(item->RefCount(), 1u);
}

TEST(TGHashtableEnumerator, WalksInEnumerationOrderAndGuardsKeyRequests) {
  TGStringHashtable<int> table;
  for (int i = 0; i < 20; ++i) table.Put("n" + std::to_string(i), i);
  TGStringHashTableEnumerator<int> keys(table, TGEnumerateMode::Keys);
  std::vector<std::string> walked;
  while (keys.HasMoreElements()) walked.push_back(keys.NextKey());
  EXPECT_EQ(walked, EnumerationKeys(table));
  ExpectError<EGHashtableError>([&] { keys.NextKey(); }, "No such element");

  TGHashtableEnumerator values(table);
  EXPECT_EQ(values.NextValue(), table.Get(walked[0]));
  ExpectError<EGHashtableError>([&] { values.NextKey(); }, "Illegal NextElement Call, must be iterating over the keys");
  values.Reset();
  EXPECT_EQ(values.NextEntry().Key(), walked[0]);
}

TEST(TGHashtable, KeysByPointer) {
  int a = 0, b = 0;
  TGHashtable<const int*, char> table(11);
  table.Put(&a, 'a');
  table.Put(&b, 'b');
  EXPECT_EQ(table.Get(&a), 'a');
  EXPECT_EQ(table.Get(&b), 'b');
  ExpectError<EGHashtableError>([&] { table.Put(nullptr, 'n'); }, "Argument is null");
}

}  // namespace
}  // namespace fxe
