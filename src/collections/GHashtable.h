// The chained hash tables behind every named collection of the engine (types,
// templates, rules, functions, bindings, a fact's slot values, streams), keyed
// by strings, integers or pointers, and their enumerators.
//
// The bucket a key lands in and the order of each chain are observable: the
// engine lists its collections in enumeration order. Hence the fixed key hash,
// the four bucket functions, growth to Capacity*2+1 and the two walk orders:
//   - enumeration (iterators, TGHashtableEnumerator): buckets from the last to
//     the first, each chain from its head (the most recently inserted first);
//   - indexed access (EntryAt(i)): buckets from the first to the last, each
//     chain from its head.
// Entries come from a per-table pool and keep the full 32-bit key hash, so
// lookups compare hashes before keys and re-hashing never re-reads a key.
#pragma once

#include <algorithm>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "collections/RefCounted.h"

namespace fxe {

enum TGHashType : std::uint8_t { htTruncation, htDivision, htMidSquare, htFolding };

// What an enumerator is walking; only a key walk may hand out keys.
enum class TGEnumerateMode : std::uint8_t { Keys, Values };

// The integer a string key hashes to (32-bit, wrapping, from 0): keys of up to
// 15 bytes use every byte with multiplier 37; longer keys of length n use the
// bytes at 1-based positions 1, 1 + n/8, 1 + 2*(n/8), ... with multiplier 39.
std::uint32_t StringKeyHash(std::string_view key) noexcept;

// The bucket (0 .. capacity-1) of a key hash for one of the four hash types.
// Only the low 31 bits of the hash count; when they are zero the key is null
// and "Argument is null" is raised. An unknown hash type or a zero capacity
// raises "Subscript out of range".
std::uint32_t HashIndex(std::uint32_t hash, std::uint32_t capacity, TGHashType hashType);

// Number of entries at which a table of this capacity and load factor grows:
// round(capacity * loadFactor), halves to the even neighbour.
std::uint64_t HashThreshold(std::uint32_t capacity, float loadFactor) noexcept;

namespace detail {

inline constexpr std::uint32_t kHashKeyMask = 0x7FFFFFFFu;
// Largest capacity a table accepts; growth stops below it.
inline constexpr std::uint32_t kMaxHashCapacity = (1u << 30) - 1;
// Smallest load factor a table accepts: below it the bucket array would grow
// to hundreds of slots per entry, and towards the largest capacity on the
// very first insert.
inline constexpr float kMinLoadFactor = 0.01f;

// HashIndex for a hash whose low 31 bits are not zero, a capacity above zero
// and a valid hash type.
std::uint32_t HashIndexUnchecked(std::uint32_t hash, std::uint32_t capacity, TGHashType hashType) noexcept;

// The errors the table templates raise, each with a message of the table;
// raised out of line, so that this header does not bring the table along.
enum class EHashtableFault : std::uint8_t {
  ArgumentIsNull,
  SubscriptOutOfRange,
  TableIsEmpty,
  NoSuchElement,
  NonEmptyTable,
  IllegalNextElement
};
[[noreturn]] void RaiseHashtableError(EHashtableFault fault);
[[noreturn]] void RaiseNoSuchElement(std::string_view key);
[[noreturn]] void RaiseCapacityTooLarge(std::uint32_t capacity);
[[noreturn]] void RaiseInvalidLoadFactor(float loadFactor);
void ValidateHashType(TGHashType hashType);

// k mod d by multiplication with a 64-bit reciprocal, exact for every 32-bit k
// and d > 0; avoids a hardware division on every lookup.
class TFastMod {
 public:
  TFastMod() noexcept = default;
  explicit TFastMod(std::uint32_t divisor) noexcept
      : divisor_(divisor), multiplier_(divisor ? ~std::uint64_t{0} / divisor + 1 : 0) {}
  std::uint32_t operator()(std::uint32_t k) const noexcept {
    const std::uint64_t low = multiplier_ * k;
    // The high 64 bits of the 96-bit product low * divisor.
    const std::uint64_t high = (low >> 32) * divisor_ + (((low & 0xFFFFFFFFu) * divisor_) >> 32);
    return static_cast<std::uint32_t>(high >> 32);
  }

 private:
  std::uint64_t divisor_ = 0;
  std::uint64_t multiplier_ = 0;
};

// Fixed-size slots for one table's entries, carved from chunks that grow
// geometrically; freed slots are reused before new ones are carved.
template <class TEntry>
class TEntryPool {
 public:
  TEntryPool() noexcept = default;
  TEntryPool(const TEntryPool&) = delete;
  TEntryPool& operator=(const TEntryPool&) = delete;
  TEntryPool(TEntryPool&& other) noexcept
      : chunks_(std::move(other.chunks_)),
        free_(std::exchange(other.free_, nullptr)),
        used_(std::exchange(other.used_, 0)),
        chunkSize_(std::exchange(other.chunkSize_, 0)) {}
  TEntryPool& operator=(TEntryPool&& other) noexcept {
    TEntryPool(std::move(other)).Swap(*this);
    return *this;
  }

  template <class... TArgs>
  TEntry* Create(TArgs&&... args) {
    TSlot* slot = Take();
    auto giveBack = ScopeExit([&] { Give(slot); });
    TEntry* entry = ::new (static_cast<void*>(slot->storage)) TEntry(std::forward<TArgs>(args)...);
    giveBack.release();
    return entry;
  }
  void Destroy(TEntry* entry) noexcept {
    entry->~TEntry();
    Give(reinterpret_cast<TSlot*>(entry));
  }
  // Frees every chunk; all entries must have been destroyed.
  void Release() noexcept {
    chunks_.clear();
    free_ = nullptr;
    used_ = 0;
    chunkSize_ = 0;
  }
  void Swap(TEntryPool& other) noexcept {
    chunks_.swap(other.chunks_);
    std::swap(free_, other.free_);
    std::swap(used_, other.used_);
    std::swap(chunkSize_, other.chunkSize_);
  }

 private:
  union TSlot {
    TSlot* nextFree;
    alignas(TEntry) std::byte storage[sizeof(TEntry)];
  };
  static constexpr std::size_t kFirstChunk = 4;
  static constexpr std::size_t kLargestChunk = 1024;

  TSlot* Take() {
    if (free_) return std::exchange(free_, free_->nextFree);
    if (used_ == chunkSize_) {
      const std::size_t size = chunkSize_ == 0 ? kFirstChunk : std::min(chunkSize_ * 2, kLargestChunk);
      chunks_.reserve(chunks_.size() + 1);
      chunks_.emplace_back(new TSlot[size]);
      chunkSize_ = size;
      used_ = 0;
    }
    return &chunks_.back()[used_++];
  }
  void Give(TSlot* slot) noexcept {
    slot->nextFree = free_;
    free_ = slot;
  }

  std::vector<std::unique_ptr<TSlot[]>> chunks_;
  TSlot* free_ = nullptr;
  std::size_t used_ = 0;       // slots carved from the last chunk
  std::size_t chunkSize_ = 0;  // size of the last chunk
};

}  // namespace detail

// How a key type is hashed, compared and looked up. TArg is the type lookups
// take (a string_view for string keys, so no string is built to find one).
template <class TKey>
struct TGHashKey;

template <>
struct TGHashKey<std::string> {
  using TArg = std::string_view;
  static std::uint32_t Hash(std::string_view key) noexcept { return StringKeyHash(key); }
  static bool Equal(const std::string& stored, std::string_view key) noexcept { return stored == key; }
  static std::string Text(std::string_view key) { return std::string(key); }
};

// Integer keys are their own hash (truncated to 32 bits).
template <class TKey>
requires std::integral<TKey> || std::is_enum_v<TKey>
struct TGHashKey<TKey> {
  using TArg = TKey;
  static std::uint32_t Hash(TKey key) noexcept { return static_cast<std::uint32_t>(key); }
  static bool Equal(TKey stored, TKey key) noexcept { return stored == key; }
  static std::string Text(TKey key) {
    if constexpr (std::is_enum_v<TKey>) {
      return std::to_string(static_cast<std::underlying_type_t<TKey>>(key));
    } else {
      return std::to_string(key);
    }
  }
};

// Pointer keys hash their address; a null pointer is a null key.
template <class T>
struct TGHashKey<T*> {
  using TArg = T*;
  static std::uint32_t Hash(T* key) noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(key);
    if (address == 0) return 0;
    auto hash = static_cast<std::uint32_t>((address >> 4) ^ (static_cast<std::uint64_t>(address) >> 35));
    return (hash & detail::kHashKeyMask) != 0 ? hash : 1;
  }
  static bool Equal(T* stored, T* key) noexcept { return stored == key; }
  static std::string Text(T* key) { return std::to_string(reinterpret_cast<std::uintptr_t>(key)); }
};

template <class TKey, class TValue, class TTraits>
class TGHashtableEnumerator;

// The chained hash table. Values may be move-only; copying a table needs
// copyable values. A table is used from one thread at a time (indexed access
// keeps a cached position even in const calls).
template <class TKey, class TValue, class TTraits = TGHashKey<TKey>>
class TGCustomHashtable {
 public:
  using TArg = typename TTraits::TArg;
  using TChangeEvent = std::function<void()>;

  static constexpr std::uint32_t kDefaultCapacity = 101;
  static constexpr float kDefaultLoadFactor = 0.75f;

  class TEntry {
   public:
    template <class TK, class TV>
    TEntry(std::uint32_t hash, TK&& key, TV&& value)
        : hash_(hash), key_(std::forward<TK>(key)), value_(std::forward<TV>(value)) {}
    const TKey& Key() const noexcept { return key_; }
    const TValue& Value() const noexcept { return value_; }
    TValue& Value() noexcept { return value_; }

   private:
    friend class TGCustomHashtable;
    TEntry* next_ = nullptr;
    std::uint32_t hash_;
    TKey key_;
    TValue value_;
  };

  // Forward iterator in enumeration order (last bucket first, chains from the head).
  class TIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = const TEntry*;
    using reference = const TEntry&;

    TIterator() noexcept = default;
    reference operator*() const noexcept { return *entry_; }
    pointer operator->() const noexcept { return entry_; }
    TIterator& operator++() noexcept {
      entry_ = entry_->next_;
      if (!entry_) entry_ = table_->LastEntryBelow(bucket_, bucket_);
      return *this;
    }
    TIterator operator++(int) noexcept {
      TIterator old = *this;
      ++*this;
      return old;
    }
    bool operator==(const TIterator& other) const noexcept { return entry_ == other.entry_; }

   private:
    friend class TGCustomHashtable;
    TIterator(const TGCustomHashtable* table, std::uint32_t bucket, const TEntry* entry) noexcept
        : table_(table), bucket_(bucket), entry_(entry) {}
    const TGCustomHashtable* table_ = nullptr;
    std::uint32_t bucket_ = 0;
    const TEntry* entry_ = nullptr;
  };

  explicit TGCustomHashtable(std::uint32_t capacity = kDefaultCapacity, float loadFactor = kDefaultLoadFactor) {
    CheckLoadFactor(loadFactor);
    loadFactor_ = loadFactor;
    if (capacity != 0) Resize(capacity);
  }
  // A copy has the same capacity, load factor, hash type and chains (so the
  // same orders); the change handler is not copied.
  TGCustomHashtable(const TGCustomHashtable& other) : loadFactor_(other.loadFactor_), hashType_(other.hashType_) {
    // The destructor does not run for a half-built copy.
    auto destroy = ScopeExit([this] { DestroyEntries(); });
    CopyEntriesFrom(other);
    destroy.release();
  }
  TGCustomHashtable(TGCustomHashtable&& other) noexcept { Swap(other); }
  TGCustomHashtable& operator=(const TGCustomHashtable& other) {
    Assign(other);
    return *this;
  }
  TGCustomHashtable& operator=(TGCustomHashtable&& other) noexcept {
    if (this != &other) {
      TGCustomHashtable(std::move(other)).Swap(*this);
    }
    return *this;
  }
  ~TGCustomHashtable() { DestroyEntries(); }

  // --- Properties -----------------------------------------------------------
  std::uint32_t Capacity() const noexcept { return capacity_; }
  // Re-hashes every entry into the new number of buckets; 0 empties the table.
  void SetCapacity(std::uint32_t capacity) {
    if (capacity == capacity_) return;
    if (capacity > detail::kMaxHashCapacity) detail::RaiseCapacityTooLarge(capacity);
    if (capacity == 0) {
      DestroyEntries();
      buckets_.reset();
      capacity_ = 0;
      threshold_ = 0;
      Invalidate();
    } else {
      Resize(capacity);
    }
    Changed();
  }
  TGHashType HashType() const noexcept { return hashType_; }
  // Only an empty table may change its hash type.
  void SetHashType(TGHashType hashType) {
    detail::ValidateHashType(hashType);
    if (hashType == hashType_) return;
    if (count_ != 0) detail::RaiseHashtableError(detail::EHashtableFault::NonEmptyTable);
    hashType_ = hashType;
    Changed();
  }
  float LoadFactor() const noexcept { return loadFactor_; }
  // Any finite factor of at least 0.01; it only moves the growth threshold.
  void SetLoadFactor(float loadFactor) {
    CheckLoadFactor(loadFactor);
    if (loadFactor == loadFactor_) return;
    loadFactor_ = loadFactor;
    threshold_ = HashThreshold(capacity_, loadFactor_);
    Changed();
  }
  const TChangeEvent& OnChange() const noexcept { return onChange_; }
  void SetOnChange(TChangeEvent handler) { onChange_ = std::move(handler); }

  std::int32_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  // Entries sharing their bucket with an earlier entry (count minus occupied buckets).
  std::int32_t Collisions() const noexcept { return collisions_; }

  // Change notifications are held back until the outermost EndUpdate, which
  // fires one if anything changed meanwhile.
  void BeginUpdate() noexcept { ++updateCount_; }
  void EndUpdate() {
    if (updateCount_ == 0 || --updateCount_ != 0) return;
    if (std::exchange(changedInUpdate_, false)) Fire();
  }

  // --- Lookup -----------------------------------------------------------------
  const TValue* Find(TArg key) const noexcept {
    const TEntry* entry = FindEntry(key);
    return entry ? &entry->value_ : nullptr;
  }
  // The value is modified in place: no change notification.
  TValue* Find(TArg key) noexcept {
    TEntry* entry = FindEntry(key);
    return entry ? &entry->value_ : nullptr;
  }
  bool Contains(TArg key) const noexcept { return FindEntry(key) != nullptr; }
  // Raises "Table is empty", "Argument is null" or "No such element".
  const TValue& Get(TArg key) const { return LookUp(key, false)->value_; }
  TValue& Get(TArg key) { return LookUp(key, false)->value_; }
  // As Get, but a missing key raises "No such element: <key>".
  const TValue& GetNamed(TArg key) const { return LookUp(key, true)->value_; }
  TValue& GetNamed(TArg key) { return LookUp(key, true)->value_; }

  // --- Changes ----------------------------------------------------------------
  // Stores value under key and hands back the value it replaced, if any.
  // A new key that brings the count to the growth threshold first grows the
  // table to Capacity*2+1. Raises "Argument is null" for a null key.
  std::optional<TValue> Put(TArg key, TValue value) { return PutImpl(key, key, std::move(value)); }
  // The same, moving a key that is built already (string keys).
  template <class TK>
  requires(std::is_same_v<TK, TKey> && !std::is_same_v<TKey, TArg>) std::optional<TValue> Put(TK&& key, TValue value) {
    const TArg lookup = key;
    return PutImpl(lookup, std::move(key), std::move(value));
  }

  // Removes key; false when it is absent (or null).
  bool Remove(TArg key) {
    std::optional<TValue> value = Extract(key);
    if (!value) return false;
    value.reset();
    Changed();
    return true;
  }
  // Removes key and hands its value to the caller. Fires the change
  // notification before returning when something was removed.
  std::optional<TValue> Take(TArg key) {
    std::optional<TValue> value = Extract(key);
    if (value) Changed();
    return value;
  }

  // Frees every entry, the last bucket first; the capacity stays.
  void Clear() {
    if (count_ == 0) return;
    DestroyEntries();
    Changed();
  }

  // Copies load factor, capacity, hash type and every entry of source, keeping
  // its chains (and so both orders); one change notification at the end.
  void Assign(const TGCustomHashtable& source) {
    if (&source == this) return;
    TGCustomHashtable copy(source);
    copy.onChange_ = std::move(onChange_);
    copy.updateCount_ = updateCount_;
    copy.changedInUpdate_ = changedInUpdate_;
    copy.Swap(*this);
    Changed();
  }

  // --- Indexed access (bucket 0 first, each chain from its head) --------------
  // Stepping i by one from the last position is O(1); other jumps re-walk.
  // Raises "List index out of bounds (%d)" outside 0 .. Count()-1.
  const TEntry& EntryAt(std::int32_t index) const { return *Locate(index); }
  const TKey& KeyAt(std::int32_t index) const { return Locate(index)->key_; }
  const TValue& ValueAt(std::int32_t index) const { return Locate(index)->value_; }
  TValue& ValueAt(std::int32_t index) { return const_cast<TEntry*>(Locate(index))->value_; }

  // --- Enumeration (last bucket first, each chain from its head) --------------
  TIterator begin() const noexcept {
    if (capacity_ == 0) return end();
    std::uint32_t bucket = capacity_;
    const TEntry* first = LastEntryBelow(capacity_, bucket);
    return TIterator(this, bucket, first);
  }
  TIterator end() const noexcept { return TIterator(this, 0, nullptr); }

  void Swap(TGCustomHashtable& other) noexcept {
    using std::swap;
    swap(buckets_, other.buckets_);
    swap(capacity_, other.capacity_);
    swap(mod_, other.mod_);
    swap(count_, other.count_);
    swap(collisions_, other.collisions_);
    swap(threshold_, other.threshold_);
    swap(loadFactor_, other.loadFactor_);
    swap(hashType_, other.hashType_);
    pool_.Swap(other.pool_);
    swap(onChange_, other.onChange_);
    swap(updateCount_, other.updateCount_);
    swap(changedInUpdate_, other.changedInUpdate_);
    Invalidate();
    other.Invalidate();
  }

 private:
  friend class TGHashtableEnumerator<TKey, TValue, TTraits>;

  static void CheckLoadFactor(float loadFactor) {
    if (!(loadFactor >= detail::kMinLoadFactor) || !std::isfinite(loadFactor)) {
      detail::RaiseInvalidLoadFactor(loadFactor);
    }
  }
  static bool IsNull(std::uint32_t hash) noexcept { return (hash & detail::kHashKeyMask) == 0; }

  std::uint32_t BucketOf(std::uint32_t hash) const noexcept {
    if (hashType_ == htDivision) return mod_(hash & detail::kHashKeyMask);
    return detail::HashIndexUnchecked(hash, capacity_, hashType_);
  }

  TEntry* FindEntry(TArg key) const noexcept {
    if (count_ == 0) return nullptr;
    const std::uint32_t hash = TTraits::Hash(key);
    if (IsNull(hash)) return nullptr;
    for (TEntry* entry = buckets_[BucketOf(hash)]; entry; entry = entry->next_) {
      if (entry->hash_ == hash && TTraits::Equal(entry->key_, key)) return entry;
    }
    return nullptr;
  }

  TEntry* LookUp(TArg key, bool namedError) const {
    if (count_ == 0) detail::RaiseHashtableError(detail::EHashtableFault::TableIsEmpty);
    if (IsNull(TTraits::Hash(key))) detail::RaiseHashtableError(detail::EHashtableFault::ArgumentIsNull);
    TEntry* entry = FindEntry(key);
    if (!entry) {
      if (namedError) detail::RaiseNoSuchElement(TTraits::Text(key));
      detail::RaiseHashtableError(detail::EHashtableFault::NoSuchElement);
    }
    return entry;
  }

  template <class TK>
  std::optional<TValue> PutImpl(TArg lookup, TK&& key, TValue&& value) {
    const std::uint32_t hash = TTraits::Hash(lookup);
    if (IsNull(hash)) detail::RaiseHashtableError(detail::EHashtableFault::ArgumentIsNull);
    std::uint32_t bucket = 0;
    if (capacity_ != 0) {
      bucket = BucketOf(hash);
      for (TEntry* entry = buckets_[bucket]; entry; entry = entry->next_) {
        if (entry->hash_ == hash && TTraits::Equal(entry->key_, lookup)) {
          std::optional<TValue> old(std::move(entry->value_));
          entry->value_ = std::move(value);
          Changed();
          return old;
        }
      }
    }
    if (static_cast<std::uint64_t>(count_) + 1 >= threshold_ && capacity_ <= (detail::kMaxHashCapacity - 1) / 2) {
      do {
        Resize(capacity_ * 2 + 1);
      } while (static_cast<std::uint64_t>(count_) + 1 >= threshold_ && capacity_ <= (detail::kMaxHashCapacity - 1) / 2);
      bucket = BucketOf(hash);
    }
    TEntry* entry = pool_.Create(hash, std::forward<TK>(key), std::move(value));
    TEntry*& head = buckets_[bucket];
    if (head) ++collisions_;
    entry->next_ = head;
    head = entry;
    ++count_;
    Invalidate();
    Changed();
    return std::nullopt;
  }

  std::optional<TValue> Extract(TArg key) {
    if (count_ == 0) return std::nullopt;
    const std::uint32_t hash = TTraits::Hash(key);
    if (IsNull(hash)) return std::nullopt;
    TEntry** link = &buckets_[BucketOf(hash)];
    TEntry* first = *link;
    for (TEntry* entry = first; entry; link = &entry->next_, entry = entry->next_) {
      if (entry->hash_ == hash && TTraits::Equal(entry->key_, key)) {
        *link = entry->next_;
        --count_;
        // The chain still occupies its bucket: one collision fewer.
        if (entry != first || entry->next_) --collisions_;
        Invalidate();
        std::optional<TValue> value(std::move(entry->value_));
        pool_.Destroy(entry);
        return value;
      }
    }
    return std::nullopt;
  }

  // Re-hashes into a new bucket array, walking the old buckets from the last
  // to the first and prepending, which fixes the order of merged chains.
  void Resize(std::uint32_t capacity) {
    if (capacity > detail::kMaxHashCapacity) detail::RaiseCapacityTooLarge(capacity);
    auto buckets = std::make_unique<TEntry*[]>(capacity);
    const std::uint32_t oldCapacity = capacity_;
    std::unique_ptr<TEntry*[]> old = std::exchange(buckets_, std::move(buckets));
    capacity_ = capacity;
    mod_ = detail::TFastMod(capacity);
    threshold_ = HashThreshold(capacity_, loadFactor_);
    collisions_ = 0;
    for (std::uint32_t b = oldCapacity; b-- > 0;) {
      for (TEntry* entry = old[b]; entry;) {
        TEntry* next = entry->next_;
        TEntry*& head = buckets_[BucketOf(entry->hash_)];
        if (head) ++collisions_;
        entry->next_ = head;
        head = entry;
        entry = next;
      }
    }
    Invalidate();
  }

  // Frees every entry, the last bucket first and each chain from its head; the
  // table stays consistent while each value is destroyed.
  void DestroyEntries() noexcept {
    for (std::uint32_t b = capacity_; b-- > 0;) {
      while (TEntry* entry = buckets_[b]) {
        buckets_[b] = entry->next_;
        --count_;
        if (buckets_[b]) --collisions_;
        Invalidate();
        pool_.Destroy(entry);
      }
    }
    if (count_ == 0) pool_.Release();
  }

  void CopyEntriesFrom(const TGCustomHashtable& source) {
    if (source.capacity_ != 0) Resize(source.capacity_);
    for (std::uint32_t b = 0; b < source.capacity_; ++b) {
      TEntry** tail = &buckets_[b];
      for (const TEntry* from = source.buckets_[b]; from; from = from->next_) {
        TEntry* entry = pool_.Create(from->hash_, from->key_, from->value_);
        *tail = entry;
        tail = &entry->next_;
        ++count_;
      }
    }
    collisions_ = source.collisions_;
  }

  // The last entry of the last non-empty bucket below `below` (its head), or
  // nullptr; `bucket` receives the bucket found.
  const TEntry* LastEntryBelow(std::uint32_t below, std::uint32_t& bucket) const noexcept {
    while (below-- > 0) {
      if (const TEntry* entry = buckets_[below]) {
        bucket = below;
        return entry;
      }
    }
    bucket = 0;
    return nullptr;
  }

  const TEntry* Locate(std::int32_t index) const {
    CheckIndex<EGHashtableError>(index, count_);
    if (cacheIndex_ < 0 || index < cacheIndex_ - 1) {
      // Re-walk from the first entry.
      cacheBucket_ = 0;
      while (!buckets_[cacheBucket_]) ++cacheBucket_;
      cacheEntry_ = buckets_[cacheBucket_];
      cacheIndex_ = 0;
    } else if (index == cacheIndex_ - 1) {
      StepBack();
    }
    while (cacheIndex_ < index) StepForward();
    return cacheEntry_;
  }
  void StepForward() const noexcept {
    cacheEntry_ = cacheEntry_->next_;
    while (!cacheEntry_) cacheEntry_ = buckets_[++cacheBucket_];
    ++cacheIndex_;
  }
  void StepBack() const noexcept {
    const TEntry* head = buckets_[cacheBucket_];
    if (head == cacheEntry_) {
      // The previous entry is the tail of the previous non-empty bucket.
      while (!buckets_[--cacheBucket_]) {
      }
      head = buckets_[cacheBucket_];
      while (head->next_) head = head->next_;
    } else {
      while (head->next_ != cacheEntry_) head = head->next_;
    }
    cacheEntry_ = head;
    --cacheIndex_;
  }
  void Invalidate() const noexcept { cacheIndex_ = -1; }

  void Changed() {
    if (updateCount_ != 0) {
      changedInUpdate_ = true;
      return;
    }
    Fire();
  }
  void Fire() {
    if (onChange_) onChange_();
  }

  std::unique_ptr<TEntry*[]> buckets_;
  std::uint32_t capacity_ = 0;
  detail::TFastMod mod_;
  std::int32_t count_ = 0;
  std::int32_t collisions_ = 0;
  std::uint64_t threshold_ = 0;
  float loadFactor_ = kDefaultLoadFactor;
  TGHashType hashType_ = htDivision;
  detail::TEntryPool<TEntry> pool_;
  TChangeEvent onChange_;
  std::uint32_t updateCount_ = 0;
  bool changedInUpdate_ = false;
  // Indexed-access position: entry number cacheIndex_ (-1: none) is
  // cacheEntry_ in bucket cacheBucket_.
  mutable std::int32_t cacheIndex_ = -1;
  mutable std::uint32_t cacheBucket_ = 0;
  mutable const TEntry* cacheEntry_ = nullptr;
};

// Walks a table's entries in enumeration order. In value mode, asking for the
// next key raises "Illegal NextElement Call, must be iterating over the keys".
// The table must not change during the walk.
template <class TKey, class TValue, class TTraits>
class TGHashtableEnumerator {
 public:
  using TTable = TGCustomHashtable<TKey, TValue, TTraits>;
  using TEntry = typename TTable::TEntry;

  explicit TGHashtableEnumerator(const TGCustomHashtable<TKey, TValue, TTraits>& table,
                                 TGEnumerateMode mode = TGEnumerateMode::Values) noexcept
      : table_(&table), mode_(mode), next_(table.begin()) {}

  TGEnumerateMode Mode() const noexcept { return mode_; }
  bool HasMoreElements() const noexcept { return next_ != table_->end(); }
  // Each raises "No such element" past the last entry.
  const TEntry& NextEntry() {
    if (!HasMoreElements()) detail::RaiseHashtableError(detail::EHashtableFault::NoSuchElement);
    return *next_++;
  }
  const TValue& NextValue() { return NextEntry().Value(); }
  const TKey& NextKey() {
    if (mode_ != TGEnumerateMode::Keys) detail::RaiseHashtableError(detail::EHashtableFault::IllegalNextElement);
    return NextEntry().Key();
  }
  void Reset() noexcept { next_ = table_->begin(); }

 private:
  const TTable* table_;
  TGEnumerateMode mode_;
  typename TTable::TIterator next_;
};

template <class TValue>
using TGStringHashtable = TGCustomHashtable<std::string, TValue>;
template <class TValue>
using TGHashIntTable = TGCustomHashtable<std::int32_t, TValue>;
// Keyed by integer-like keys of any width, enumerations or object pointers.
template <class TKey, class TValue>
using TGHashtable = TGCustomHashtable<TKey, TValue>;
// String-keyed table of shared interfaces: the engine's named collections.
template <class T>
using TIStringHashTable = TGStringHashtable<TRef<T>>;

template <class TValue>
using TGStringHashTableEnumerator = TGHashtableEnumerator<std::string, TValue, TGHashKey<std::string>>;

}  // namespace fxe
