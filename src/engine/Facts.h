// The fact base: the asserted facts in assertion order, with an index by fact
// index and, for duplicate detection, an index by a hash of the values that
// fact equality compares (computed once, when the fact is appended).
// Deleting leaves a hole that is closed later, so a deletion costs O(1)
// amortised and the order stays; positions are counted over the facts alone.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "collections/OpenHashMap.h"
#include "collections/RefCounted.h"
#include "values/IEInterfaces.h"

namespace fxe {

class TInferenceEngine;

class TFacts {
 public:
  explicit TFacts(TInferenceEngine& engine) noexcept : engine_(engine) {}
  TFacts(const TFacts&) = delete;
  TFacts& operator=(const TFacts&) = delete;

  std::int32_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }
  // The fact at a position (0 .. Count()-1); raises "List index out of bounds (%d)".
  IFact& Fact(std::int32_t position) const;
  // The position of the fact with that index, or -1.
  std::int32_t IndexOfId(std::int32_t id) const;
  // The fact with that index, or nullptr.
  IFact* FindById(std::int32_t id) const noexcept;
  // The position of that very fact object, or -1.
  std::int32_t IndexOf(const IFact& fact) const;
  // Whether that very fact is in the list; unlike IndexOf it needs no
  // position, so it never closes the holes retractions left.
  bool Contains(const IFact& fact) const noexcept;
  // The position of the first fact equal to fact (fact equality), or -1.
  std::int32_t FindEqual(const IFact& fact) const;
  // The first fact equal to fact, or nullptr; hash is the fact's
  // EqualityHash when the caller has it (IndexHash).
  IFact* FindEqualFact(const IFact& fact) const { return FindEqualFact(fact, IndexHash(fact)); }
  IFact* FindEqualFact(const IFact& fact, std::uint64_t hash) const;
  // The hash the index keys the fact by (0 without the index).
  std::uint64_t IndexHash(const IFact& fact) const { return cacheHashCodes_ ? EqualityHash(fact) : 0; }
  // Every fact in order; the base must not change while visit runs.
  void ForEach(const std::function<void(IFact&)>& visit) const;
  std::vector<TRef<IFact>> Snapshot() const;
  // The largest fact index added so far.
  std::int32_t HighestIndex() const noexcept { return highest_; }

  // Asserts through the engine (from outside). With PreserveIDs a fact that
  // carries an unused index is asserted under it.
  std::int32_t Add(IFact& fact);
  // Retracts the fact at a position through the engine.
  void Delete(std::int32_t position);
  // Clears this fact base, then adds a copy of each fact of the other in
  // order. A copy is made on this engine's template of the same name, which
  // must equal the fact's own ("Unable to assign slot values, fact templates
  // are different: %s and %s"); without one the fact cannot be asserted.
  void Assign(const TFacts& other);
  bool PreserveIDs() const noexcept { return preserveIds_; }
  void SetPreserveIDs(bool preserve) noexcept { preserveIds_ = preserve; }
  // Keeps the hash index for duplicate detection (the engine sets it to the
  // opposite of FactDuplication); without it FindEqual scans.
  bool CacheHashCodes() const noexcept { return cacheHashCodes_; }
  void SetCacheHashCodes(bool cache);

  // --- The engine's side ------------------------------------------------------------------
  // hash is the fact's IndexHash.
  void Append(TRef<IFact> fact, std::uint64_t hash);
  // Removes that very fact; false when it is not in the base.
  bool Erase(const IFact& fact);
  // Drops every fact (the engine sends the clear token).
  void Clear() noexcept;
  bool Busy() const noexcept { return busy_; }

  // The hash duplicate detection keys facts by: the values fact equality
  // compares, combined in slot order (fuzzy slots are left out).
  static std::uint64_t EqualityHash(const IFact& fact);

 private:
  struct TEntry {
    TRef<IFact> fact;  // nullptr: a hole
    std::uint64_t hash = 0;
    std::int32_t id = -1;  // the fact's index, kept for a hole too
    std::int32_t nextSameHash = -1;
  };
  struct TChain {
    std::int32_t head = -1;
    std::int32_t tail = -1;
  };

  // Closes the holes; positions are then slot numbers.
  void Compact() const;
  std::int32_t PositionOfSlot(std::int32_t slot) const;
  // The slot of the fact with that index, or -1: a binary search while the
  // indices ascend (they do unless facts keep their own), else the map.
  std::int32_t SlotOfId(std::int32_t id) const noexcept;
  void IndexSlot(std::int32_t slot);
  void UnindexSlot(std::int32_t slot);
  void RebuildIndexes() const;

  TInferenceEngine& engine_;
  mutable std::vector<TEntry> entries_;
  // Only once the indices stop ascending.
  mutable TOpenHashMap<std::int32_t> byId_;
  bool ascending_ = true;
  mutable TOpenHashMap<TChain> byHash_;
  mutable std::int32_t holes_ = 0;
  std::int32_t count_ = 0;
  std::int32_t highest_ = 0;
  bool preserveIds_ = false;
  bool cacheHashCodes_ = true;
  bool busy_ = false;

  friend class TInferenceEngine;
};

}  // namespace fxe
