// Partial-match tokens and the token memories of join nodes.
//
// A token is one partial match travelling through the network: a chain of
// facts (one per matched pattern), the change it stands for and a fuzzy
// strength. Tokens are created by the thousands on every assertion, so they
// come from a pool of the network and are counted without atomic operations
// while the engine holds them: memories, activations, the tokens built on them
// and the propagation that made them take holds (Hold/Release). A token handed
// to code outside the engine in a TRef is counted as any shared object; it is
// destroyed when neither kind of holder is left.
//
// A token memory keeps tokens in 101 logical buckets in insertion order, the
// order in which listings and joins see them, and indexes them by their
// structural key (duplicate checks and removals in O(1)) and, for hashed
// joins, by the full hash of their key value, so that a probe visits only the
// tokens whose key can be equal.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "collections/OpenHashMap.h"
#include "collections/RefCounted.h"
#include "model/IESlotTest.h"
#include "values/IEInterfaces.h"

namespace fxe {

class TTokenPool;

enum TTokenAction : std::uint8_t { taClear, taAdd, taRemove, taUpdate };
// "taClear", "taAdd", ...
std::string_view TokenActionName(TTokenAction action) noexcept;

// Counters of the matching work, readable by tests and benchmarks.
struct TReteStatistics {
  std::uint64_t tokensCreated = 0;
  std::uint64_t joinTestsRun = 0;
  std::uint64_t probes = 0;         // hashed or scanned looks into a memory
  std::uint64_t tokensVisited = 0;  // tokens those looks visited
  std::uint64_t activationsCreated = 0;
};

// Two cache lines: the first holds what equality and joins read (chain, fact,
// key, hash, strength), the second the engine holds and the place in a memory.
class alignas(64) TIEToken final : public IReteToken {
 public:
  // --- Creation (the pool of a network) -----------------------------------------------
  // The clear token: no fact, strength 1.
  static TIEToken* NewClear(TTokenPool& pool);
  // A single-fact token; hash code := the fact's index. A segment copy of a
  // fact carries the signature of its segmentation (0 for facts themselves).
  static TIEToken* NewFromFact(TTokenPool& pool, TTokenAction tag, TRef<IFact> fact, std::uint32_t copySignature = 0);
  // Every field copied, negated count 0.
  static TIEToken* NewCopy(TTokenPool& pool, const TIEToken& source);
  // parent extended by the newest fact of right (a single-fact token), or by
  // the negation fact when right is null; tag and strength from parent.
  static TIEToken* NewExtension(TTokenPool& pool, TIEToken& parent, const TIEToken* right, IFact* negationFact);

  // --- IReteToken -----------------------------------------------------------------------
  std::int32_t FactCount() const override { return size_; }
  // Position 0 is the oldest fact; nullptr outside 0 .. FactCount()-1.
  IFact* FactAt(std::int32_t position) const override;

  // --- Fields -----------------------------------------------------------------------------
  IFact* Fact() const noexcept { return fact_; }
  TIEToken* Parent() const noexcept { return parent_; }
  std::int32_t Size() const noexcept { return size_; }
  TTokenAction Tag() const noexcept { return tag_; }
  // Raises "Invalid Token Action" for a tag other than taClear on a token without fact.
  void SetTag(TTokenAction tag);
  float Strength() const noexcept { return strength_; }
  // Changes the structural key: only for a token no memory holds yet.
  void SetStrength(float strength) noexcept;
  std::int32_t NegatedCount() const noexcept { return negatedCount_; }
  // Negative counts are stored as 0.
  void SetNegatedCount(std::int32_t count) noexcept { negatedCount_ = count < 0 ? 0 : count; }
  std::int32_t HashCode() const noexcept { return hashCode_; }
  // The index the newest fact had when the token was made (-1 without fact).
  std::int32_t FactIndex() const noexcept { return factIndex_; }
  std::uint32_t CopySignature() const noexcept { return copySignature_; }
  // A hash of the whole chain (fact indices, segment signatures and
  // strengths); equal tokens have equal keys.
  std::uint64_t Key() const noexcept { return key_; }

  // Token equality: the same chain of facts (by index; segment copies of one
  // fact only when cut alike) with the same strengths.
  bool Equals(const TIEToken& other) const noexcept;
  // "f-0, f-3": the fact indices from position 0 on.
  std::string ShortText() const;
  void AppendShortText(std::string& out) const;
  // The tag name, " cnt=", size, " negcnt=", negated count, then CR LF and the
  // fact text for the token and each ancestor, newest first.
  std::string LongText() const;

  // --- Engine holds ---------------------------------------------------------------------------
  void Hold() noexcept { ++holds_; }
  // Destroys the token once no hold and no counted reference is left.
  void Release() noexcept;
  std::uint32_t Holds() const noexcept { return holds_; }

  // Counted references dropping to zero reach here; the token lives on while
  // the engine still holds it.
  void operator delete(TIEToken* token, std::destroying_delete_t) noexcept;

 private:
  friend class TTokenPool;
  friend class TIETokenTree;

  TIEToken() noexcept = default;
  ~TIEToken() override;
  void ComputeKey() noexcept;
  void Destroy() noexcept;

  // Chain and contents. size_ comes first so that it fills the space the
  // reference count leaves before the first pointer.
  std::int32_t size_ = 0;
  TIEToken* parent_ = nullptr;     // held
  TIEToken* factOwner_ = nullptr;  // held: the single-fact token that owns fact_
  IFact* fact_ = nullptr;          // counted when ownsFact_
  std::uint64_t key_ = 0;
  std::int32_t hashCode_ = 0;
  std::int32_t factIndex_ = -1;
  std::uint32_t copySignature_ = 0;
  float strength_ = 1.0f;

  std::uint32_t holds_ = 0;
  std::int32_t negatedCount_ = 0;
  TTokenAction tag_ = taClear;
  bool ownsFact_ = false;  // single-fact tokens own their fact

  // Membership of the one memory that stores this token: the first memory
  // takes the token over, others store copies.
  bool removed_ = false;
  bool wildcard_ = false;
  std::int32_t bucket_ = -1;
  std::uint32_t keyHash_ = 0;
  std::uint32_t sequence_ = 0;
  TIEToken* bucketPrev_ = nullptr;
  TIEToken* bucketNext_ = nullptr;
  TIEToken* chainPrev_ = nullptr;
  TIEToken* chainNext_ = nullptr;
  TIEToken* sameKeyNext_ = nullptr;
};

// A hold on a token for as long as the handle lives (no atomic operations).
class TTokenHold {
 public:
  TTokenHold() noexcept = default;
  explicit TTokenHold(TIEToken* token) noexcept : token_(token) {
    if (token_) token_->Hold();
  }
  TTokenHold(const TTokenHold& other) noexcept : TTokenHold(other.token_) {}
  TTokenHold(TTokenHold&& other) noexcept : token_(std::exchange(other.token_, nullptr)) {}
  TTokenHold& operator=(TTokenHold other) noexcept {
    std::swap(token_, other.token_);
    return *this;
  }
  ~TTokenHold() {
    if (token_) token_->Release();
  }
  TIEToken* Get() const noexcept { return token_; }
  TIEToken* operator->() const noexcept { return token_; }
  TIEToken& operator*() const noexcept { return *token_; }
  explicit operator bool() const noexcept { return token_ != nullptr; }

 private:
  TIEToken* token_ = nullptr;
};

// The pool tokens of one network come from. It outlives the network while
// tokens handed out in counted references are still alive, and keeps the
// negation facts tokens point to. Tokens are carved from aligned chunks whose
// first slot names the pool, so that a token finds its pool from its address.
class TTokenPool {
 public:
  // A pool owned by its creator until Abandon.
  static TTokenPool* Create();
  // The creator lets go; the pool is freed now or with its last token.
  void Abandon() noexcept;
  // Keeps a fact alive for as long as the pool lives.
  void Keep(TRef<IFact> fact);
  TReteStatistics& Statistics() noexcept { return statistics_; }
  std::size_t LiveTokens() const noexcept { return live_; }

 private:
  friend class TIEToken;
  TTokenPool() = default;
  ~TTokenPool();
  void* Allocate();
  void Free(void* slot) noexcept;
  static TTokenPool& Of(const TIEToken& token) noexcept;

  static constexpr std::size_t kChunkBytes = 64 * 1024;
  union TSlot {
    TSlot* next;
    TTokenPool* pool;  // the first slot of a chunk
    alignas(TIEToken) unsigned char storage[sizeof(TIEToken)];
  };
  static constexpr std::size_t kSlotsPerChunk = kChunkBytes / sizeof(TSlot);
  struct TChunkRelease {
    void operator()(TSlot* chunk) const noexcept { ::operator delete(chunk, std::align_val_t{kChunkBytes}); }
  };

  std::vector<std::unique_ptr<TSlot, TChunkRelease>> chunks_;
  TSlot* free_ = nullptr;
  std::size_t used_ = kSlotsPerChunk;  // slots carved from the last chunk
  std::size_t live_ = 0;
  std::vector<TRef<IFact>> kept_;
  TReteStatistics statistics_;
  bool abandoned_ = false;
};

// Deletes a pool handle by abandoning it.
struct TTokenPoolRelease {
  void operator()(TTokenPool* pool) const noexcept { pool->Abandon(); }
};
using TTokenPoolHandle = std::unique_ptr<TTokenPool, TTokenPoolRelease>;

// --- Memories ------------------------------------------------------------------------------

// What a memory keys its tokens by: the token's hash code, its parent's hash
// code (tokens matched by their prefix), the index of the fact at a position,
// or the value of a slot (or of one element of it) of that fact.
enum class TKeySource : std::uint8_t { TokenHash, ParentHash, FactIndex, SlotValue };

struct TMemoryKey {
  // The hash of the first key value: it decides the logical bucket.
  std::uint32_t hash = 0;
  // The hash of every key value together: tokens are chained by it, so a
  // probe of a join with several equalities visits only the tokens that may
  // pass all of them. Equal to hash for a single key value.
  std::uint32_t chain = 0;
  // True when keys that differ may still belong to equal values (fuzzy
  // values, not-a-number floats): such tokens are visited by every probe of
  // their bucket.
  bool wildcard = false;
};

class TMemoryKeying {
 public:
  TMemoryKeying() = default;
  // probed: the join looks tokens up by key (hashed joins), so the memory
  // indexes them by key hash too.
  TMemoryKeying(TKeySource source, bool probed, std::int32_t factPosition = 0, std::string_view slotName = {},
                std::int32_t subIndex = -1)
      : slot_(slotName), source_(source), factPosition_(factPosition), subIndex_(subIndex), probed_(probed) {}

  TKeySource Source() const noexcept { return source_; }
  bool Probed() const noexcept { return probed_; }
  std::int32_t FactPosition() const noexcept { return factPosition_; }
  const std::string& SlotName() const noexcept { return slot_.Name(); }
  std::int32_t SubIndex() const noexcept { return subIndex_; }
  // A further whole-slot value of the fact at a position that takes part in
  // the chain hash (slot-value keyings only). A token whose further value is
  // missing or may equal values of other hashes is a wildcard of its bucket.
  void AddChainPart(std::int32_t factPosition, std::string_view slotName);
  std::size_t ChainPartCount() const noexcept { return parts_.size(); }
  // Raises the slot errors of facts when the first slot is missing.
  TMemoryKey KeyOf(const TIEToken& token) const;

 private:
  struct TChainPart {
    std::int32_t factPosition;
    TSlotAccessor slot;
  };
  std::vector<TChainPart> parts_;
  TSlotAccessor slot_;
  TKeySource source_ = TKeySource::TokenHash;
  std::int32_t factPosition_ = 0;
  std::int32_t subIndex_ = -1;
  bool probed_ = false;
};

// Whether equal hash codes are needed for two values to be equal (false for
// fuzzy values and not-a-number floats, and lists holding them).
bool HashDecidesEquality(const TIEValue& value) noexcept;
// The logical bucket of a key: |key| mod buckets, taken as non-negative.
std::int32_t BucketOf(std::uint32_t hash, std::int32_t buckets) noexcept;

// Where an iteration over a memory stands; its contents belong to the memory.
struct TMemoryCursor {
  TIEToken* first = nullptr;
  TIEToken* second = nullptr;
  std::int64_t position = 0;
  std::int32_t bucket = 0;
  std::uint32_t hash = 0;
  bool all = false;
  bool active = false;
};

// A token memory. The network uses TIETokenTree; tests put a literal model of
// the same behaviour in its place to check the orders.
class ITokenMemory {
 public:
  virtual ~ITokenMemory() = default;

  const TMemoryKeying& Keying() const noexcept { return keying_; }
  TMemoryKey KeyOf(const TIEToken& token) const { return keying_.KeyOf(token); }
  // A hint that the token is about to be inserted or removed.
  virtual void Prefetch(const TIEToken&) const noexcept {}

  // Stores the token unless an equal token is stored: the token itself when
  // no memory stores it yet (a memory may take it over; nothing changes a
  // token once it has been passed on), else a copy. Returns the stored token,
  // or nullptr for a duplicate. key is KeyOf(token): a join reads it once for
  // storing and for probing the other memory.
  virtual TIEToken* Insert(TIEToken& token, const TMemoryKey& key) = 0;
  TIEToken* Insert(TIEToken& token) { return Insert(token, KeyOf(token)); }
  // Removes the stored token equal to the given one; false when there is none.
  virtual bool Remove(const TIEToken& token, const TMemoryKey& key) = 0;
  bool Remove(const TIEToken& token) { return Remove(token, KeyOf(token)); }
  // Empties the memory.
  virtual void Reset() = 0;
  virtual std::int32_t Count() const noexcept = 0;
  virtual bool IsEmpty() const noexcept = 0;
  // The memory text: per non-empty bucket the short forms of its tokens, then CR LF.
  virtual std::string AsText() const = 0;

  // Iteration: every token from the lowest used bucket to the highest (Scan),
  // or the tokens of the key's bucket that may be equal to it (Probe). The
  // memory may change while a cursor is open: removed tokens are skipped,
  // tokens added at the end may be visited. Close every cursor opened.
  virtual TIEToken* Scan(TMemoryCursor& cursor) = 0;
  virtual TIEToken* Probe(TMemoryCursor& cursor, TMemoryKey key) = 0;
  virtual TIEToken* Next(TMemoryCursor& cursor) = 0;
  virtual void Close(TMemoryCursor& cursor) noexcept = 0;

 protected:
  ITokenMemory(TTokenPool& pool, TMemoryKeying keying, std::int32_t buckets) noexcept
      : keying_(std::move(keying)), pool_(&pool), bucketCount_(buckets < 1 ? 1 : buckets) {}

  TMemoryKeying keying_;
  TTokenPool* pool_;
  std::int32_t bucketCount_;
};

// Makes the memories of a network (tests replace the default one).
class ITokenMemoryFactory {
 public:
  virtual ~ITokenMemoryFactory() = default;
  virtual std::unique_ptr<ITokenMemory> CreateMemory(TTokenPool& pool, TMemoryKeying keying,
                                                     std::int32_t buckets) const = 0;
};

// Opens a cursor and closes it on every way out.
class TMemoryWalk {
 public:
  explicit TMemoryWalk(ITokenMemory& memory) noexcept : memory_(memory) {}
  ~TMemoryWalk() { memory_.Close(cursor_); }
  TMemoryWalk(const TMemoryWalk&) = delete;
  TMemoryWalk& operator=(const TMemoryWalk&) = delete;
  TIEToken* Scan() { return memory_.Scan(cursor_); }
  TIEToken* Probe(TMemoryKey key) { return memory_.Probe(cursor_, key); }
  TIEToken* Next() { return memory_.Next(cursor_); }

 private:
  ITokenMemory& memory_;
  TMemoryCursor cursor_;
};

// The network's memory: buckets of insertion-ordered lists, indexed by
// structural key and by key hash.
class TIETokenTree final : public ITokenMemory {
 public:
  TIETokenTree(TTokenPool& pool, TMemoryKeying keying, std::int32_t buckets);
  ~TIETokenTree() override;

  using ITokenMemory::Insert;
  using ITokenMemory::Remove;
  void Prefetch(const TIEToken& token) const noexcept override { byKey_.Prefetch(token.Key()); }
  TIEToken* Insert(TIEToken& token, const TMemoryKey& key) override;
  bool Remove(const TIEToken& token, const TMemoryKey& key) override;
  void Reset() override;
  std::int32_t Count() const noexcept override { return count_; }
  bool IsEmpty() const noexcept override { return count_ == 0; }
  std::string AsText() const override;
  TIEToken* Scan(TMemoryCursor& cursor) override;
  TIEToken* Probe(TMemoryCursor& cursor, TMemoryKey key) override;
  TIEToken* Next(TMemoryCursor& cursor) override;
  void Close(TMemoryCursor& cursor) noexcept override;

  static const ITokenMemoryFactory& Factory() noexcept;
  // The insertion number the next token gets (tests of the numbers running out).
  void StartSequenceAt(std::uint32_t sequence) noexcept { nextSequence_ = sequence; }

 private:
  struct TBucket {
    TIEToken* head = nullptr;
    TIEToken* tail = nullptr;
    TIEToken* wildHead = nullptr;
    TIEToken* wildTail = nullptr;
  };
  struct TChain {
    TIEToken* head = nullptr;
    TIEToken* tail = nullptr;
  };

  void Unlink(TIEToken& token) noexcept;
  void FlushDeferred() noexcept;
  TIEToken* Pick(TMemoryCursor& cursor) noexcept;
  TIEToken* ScanFrom(TMemoryCursor& cursor, TIEToken* token) noexcept;
  // Numbers the tokens of every bucket again from 1 in their order, when the
  // insertion numbers run out (only the order within a bucket is compared).
  void Renumber() noexcept;

  // The first non-empty bucket from the given one on, or -1.
  std::int32_t NextOccupied(std::int32_t from) const noexcept;

  std::unique_ptr<TBucket[]> buckets_;
  // A bit per bucket that holds tokens, so that scans skip empty buckets.
  std::vector<std::uint64_t> occupied_;
  TOpenHashMap<TChain> chains_;
  TOpenHashMap<TIEToken*> byKey_;
  std::vector<TIEToken*> deferred_;
  std::uint32_t nextSequence_ = 1;
  std::int32_t count_ = 0;
  std::int32_t lowest_;
  std::int32_t highest_ = -1;
  std::int32_t walking_ = 0;
};

}  // namespace fxe
