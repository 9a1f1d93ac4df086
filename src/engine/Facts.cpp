// The fact base: appending, deleting with holes closed later, the indexes by
// fact index and by equality hash, and duplicate detection.
#include "engine/Facts.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "engine/InferenceEngine.h"
#include "model/IEFactTemplate.h"
#include "rete/IEToken.h"

namespace fxe {

namespace {

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) noexcept {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

// Holes are closed once they outnumber the facts (and there are a few).
constexpr std::int32_t kMinHolesToCompact = 32;

}  // namespace

std::uint64_t TFacts::EqualityHash(const IFact& fact) {
  const IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) return 0;
  std::uint64_t h = Mix(0, reinterpret_cast<std::uintptr_t>(factTemplate));
  const TSlotLayout& layout = factTemplate->SlotLayout();
  for (std::int32_t i = 0; i < layout.Count(); ++i) {
    if (layout.SlotAt(i).IsFuzzy()) continue;
    const TIEValue* value = fact.PeekSlotValue(i);
    // Values whose equality the hash cannot decide add nothing, so that
    // equal facts always hash alike.
    const std::uint64_t code = value && HashDecidesEquality(*value) ? value->HashCode() : 0u;
    h = Mix(h, code);
  }
  return h;
}

IFact& TFacts::Fact(std::int32_t position) const {
  CheckIndex<EIEException>(position, count_);
  if (holes_ > 0) Compact();
  return *entries_[static_cast<std::size_t>(position)].fact;
}

std::int32_t TFacts::SlotOfId(std::int32_t id) const noexcept {
  if (!ascending_) {
    const std::int32_t* slot = byId_.Find(static_cast<std::uint32_t>(id));
    return slot ? *slot : -1;
  }
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                             [](const TEntry& entry, std::int32_t value) { return entry.id < value; });
  if (it == entries_.end() || it->id != id || !it->fact) return -1;
  return static_cast<std::int32_t>(it - entries_.begin());
}

std::int32_t TFacts::PositionOfSlot(std::int32_t slot) const {
  if (holes_ > 0) {
    const std::int32_t id = entries_[static_cast<std::size_t>(slot)].id;
    Compact();
    return SlotOfId(id);
  }
  return slot;
}

std::int32_t TFacts::IndexOfId(std::int32_t id) const {
  const std::int32_t slot = SlotOfId(id);
  return slot < 0 ? -1 : PositionOfSlot(slot);
}

IFact* TFacts::FindById(std::int32_t id) const noexcept {
  const std::int32_t slot = SlotOfId(id);
  return slot < 0 ? nullptr : entries_[static_cast<std::size_t>(slot)].fact.Get();
}

bool TFacts::Contains(const IFact& fact) const noexcept {
  const std::int32_t slot = SlotOfId(fact.ID());
  return slot >= 0 && entries_[static_cast<std::size_t>(slot)].fact.Get() == &fact;
}

std::int32_t TFacts::IndexOf(const IFact& fact) const {
  const std::int32_t slot = SlotOfId(fact.ID());
  if (slot < 0 || entries_[static_cast<std::size_t>(slot)].fact.Get() != &fact) return -1;
  return PositionOfSlot(slot);
}

std::int32_t TFacts::FindEqual(const IFact& fact) const {
  const IFact* found = FindEqualFact(fact);
  return found ? IndexOf(*found) : -1;
}

IFact* TFacts::FindEqualFact(const IFact& fact, std::uint64_t hash) const {
  if (!cacheHashCodes_ || preserveIds_) {
    for (const TEntry& entry : entries_) {
      if (entry.fact && entry.fact->Equals(fact)) return entry.fact.Get();
    }
    return nullptr;
  }
  const TChain* chain = byHash_.Find(hash);
  for (std::int32_t slot = chain ? chain->head : -1; slot >= 0;
       slot = entries_[static_cast<std::size_t>(slot)].nextSameHash) {
    IFact* candidate = entries_[static_cast<std::size_t>(slot)].fact.Get();
    if (candidate->Equals(fact)) return candidate;
  }
  return nullptr;
}

void TFacts::ForEach(const std::function<void(IFact&)>& visit) const {
  for (const TEntry& entry : entries_) {
    if (entry.fact) visit(*entry.fact);
  }
}

std::vector<TRef<IFact>> TFacts::Snapshot() const {
  std::vector<TRef<IFact>> facts;
  facts.reserve(static_cast<std::size_t>(count_));
  for (const TEntry& entry : entries_) {
    if (entry.fact) facts.push_back(entry.fact);
  }
  return facts;
}

std::int32_t TFacts::Add(IFact& fact) { return engine_.AddFactFromOutside(fact); }

void TFacts::Delete(std::int32_t position) { engine_.Retract(position); }

void TFacts::Assign(const TFacts& other) {
  if (&other == this) return;
  const std::vector<TRef<IFact>> facts = other.Snapshot();
  engine_.ClearFacts();
  for (const TRef<IFact>& fact : facts) {
    IFactTemplate* own = fact->Template();
    if (!own) Raise<EIEException>(IEConsts::SFactTemplateMissing);
    if (own->Owner() == &engine_) {
      TRef<IFact> copy = fact->Clone();
      Add(*copy);
      continue;
    }
    const TRef<IFactTemplate> mine = engine_.FindFactTemplate(own->Name());
    if (!mine) Raise<EIEException>(IEConsts::SFactTemplateMissing);
    if (!mine->Equals(own)) Raise<EIEException>(IEConsts::SAssignTemplatesDiffer, mine->AsString(), own->AsString());
    TRef<IFact> copy = mine->CreateFact();
    for (std::int32_t i = 0; i < fact->SlotCount(); ++i) {
      if (const TIEValue* value = fact->PeekSlotValue(i)) copy->SetSlotValueAt(i, value->Clone());
    }
    copy->SetID(fact->ID());
    Add(*copy);
  }
}

void TFacts::SetCacheHashCodes(bool cache) {
  if (cache == cacheHashCodes_) return;
  cacheHashCodes_ = cache;
  byHash_.Clear();
  if (cache) {
    for (std::size_t slot = 0; slot < entries_.size(); ++slot) {
      if (!entries_[slot].fact) continue;
      entries_[slot].hash = EqualityHash(*entries_[slot].fact);
      IndexSlot(static_cast<std::int32_t>(slot));
    }
  }
}

void TFacts::IndexSlot(std::int32_t slot) {
  TEntry& entry = entries_[static_cast<std::size_t>(slot)];
  entry.nextSameHash = -1;
  TChain& chain = byHash_[entry.hash];
  if (chain.tail >= 0) {
    entries_[static_cast<std::size_t>(chain.tail)].nextSameHash = slot;
  } else {
    chain.head = slot;
  }
  chain.tail = slot;
}

void TFacts::UnindexSlot(std::int32_t slot) {
  TEntry& entry = entries_[static_cast<std::size_t>(slot)];
  TChain* chain = byHash_.Find(entry.hash);
  if (!chain) return;
  std::int32_t previous = -1;
  for (std::int32_t at = chain->head; at >= 0 && at != slot; at = entries_[static_cast<std::size_t>(at)].nextSameHash)
    previous = at;
  if (previous < 0) {
    chain->head = entry.nextSameHash;
  } else {
    entries_[static_cast<std::size_t>(previous)].nextSameHash = entry.nextSameHash;
  }
  if (chain->tail == slot) chain->tail = previous;
  if (chain->head < 0) byHash_.Erase(entry.hash);
  entry.nextSameHash = -1;
}

void TFacts::Append(TRef<IFact> fact, std::uint64_t hash) {
  busy_ = true;
  auto idle = ScopeExit([this] { busy_ = false; });
  const std::int32_t id = fact->ID();
  if (ascending_ && !entries_.empty() && entries_.back().id >= id) {
    // Indices given from outside: from now on the map finds them.
    ascending_ = false;
    RebuildIndexes();
  }
  TEntry entry;
  entry.hash = cacheHashCodes_ ? hash : 0;
  entry.id = id;
  entry.fact = std::move(fact);
  entries_.push_back(std::move(entry));
  const auto slot = static_cast<std::int32_t>(entries_.size() - 1);
  if (!ascending_) byId_[static_cast<std::uint32_t>(id)] = slot;
  if (cacheHashCodes_) IndexSlot(slot);
  ++count_;
  if (id > highest_) highest_ = id;
}

bool TFacts::Erase(const IFact& fact) {
  const std::int32_t slot = SlotOfId(fact.ID());
  if (slot < 0 || entries_[static_cast<std::size_t>(slot)].fact.Get() != &fact) return false;
  busy_ = true;
  auto idle = ScopeExit([this] { busy_ = false; });
  if (cacheHashCodes_) UnindexSlot(slot);
  if (!ascending_) byId_.Erase(static_cast<std::uint32_t>(fact.ID()));
  entries_[static_cast<std::size_t>(slot)].fact = nullptr;
  --count_;
  ++holes_;
  if (holes_ >= kMinHolesToCompact && holes_ > count_) Compact();
  return true;
}

void TFacts::Clear() noexcept {
  entries_.clear();
  ascending_ = true;
  byId_.Clear();
  byHash_.Clear();
  holes_ = 0;
  count_ = 0;
  highest_ = 0;
}

void TFacts::Compact() const {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].fact) continue;
    if (kept != i) entries_[kept] = std::move(entries_[i]);
    ++kept;
  }
  entries_.resize(kept);
  holes_ = 0;
  RebuildIndexes();
}

void TFacts::RebuildIndexes() const {
  byId_.Clear();
  byHash_.Clear();
  auto& self = const_cast<TFacts&>(*this);
  for (std::size_t slot = 0; slot < entries_.size(); ++slot) {
    if (!entries_[slot].fact) continue;
    if (!ascending_) byId_[static_cast<std::uint32_t>(entries_[slot].id)] = static_cast<std::int32_t>(slot);
    if (cacheHashCodes_) self.IndexSlot(static_cast<std::int32_t>(slot));
  }
}

}  // namespace fxe
