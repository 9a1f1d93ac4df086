// Tokens: creation from the pool, holds, keys, equality and text forms; the
// token pool; the key of a token in a memory; the network's token memory.
#include "rete/IEToken.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "model/ConstructText.h"

namespace fxe {

using detail::kLineEnd;

namespace {

constexpr std::uint64_t kKeySeed = 0x2545F4914F6CDD1Dull;

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) noexcept {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 29;
  return h;
}

std::uint32_t FloatBits(float value) noexcept {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

constexpr std::string_view kActionNames[] = {"taClear", "taAdd", "taRemove", "taUpdate"};

}  // namespace

std::string_view TokenActionName(TTokenAction action) noexcept {
  return action <= taUpdate ? kActionNames[action] : std::string_view("taUnknown");
}

// --- TTokenPool -------------------------------------------------------------------------------

TTokenPool* TTokenPool::Create() { return new TTokenPool(); }

TTokenPool::~TTokenPool() = default;

void TTokenPool::Abandon() noexcept {
  abandoned_ = true;
  if (live_ == 0) delete this;
}

void TTokenPool::Keep(TRef<IFact> fact) {
  if (!fact) return;
  if (std::find(kept_.begin(), kept_.end(), fact) == kept_.end()) kept_.push_back(std::move(fact));
}

void* TTokenPool::Allocate() {
  TSlot* slot;
  if (free_) {
    slot = std::exchange(free_, free_->next);
  } else {
    if (used_ == kSlotsPerChunk) {
      chunks_.reserve(chunks_.size() + 1);
      chunks_.emplace_back(static_cast<TSlot*>(::operator new(kChunkBytes, std::align_val_t{kChunkBytes})));
      chunks_.back().get()->pool = this;
      used_ = 1;
    }
    slot = chunks_.back().get() + used_++;
  }
  ++live_;
  ++statistics_.tokensCreated;
  return slot->storage;
}

void TTokenPool::Free(void* storage) noexcept {
  auto* slot = reinterpret_cast<TSlot*>(storage);
  slot->next = free_;
  free_ = slot;
  if (--live_ == 0 && abandoned_) delete this;
}

TTokenPool& TTokenPool::Of(const TIEToken& token) noexcept {
  const auto chunk = reinterpret_cast<std::uintptr_t>(&token) & ~(std::uintptr_t{kChunkBytes} - 1);
  return *reinterpret_cast<const TSlot*>(chunk)->pool;
}

// --- TIEToken ---------------------------------------------------------------------------------------

static_assert(sizeof(TIEToken) == 128, "a token fills two cache lines");

TIEToken::~TIEToken() {
  if (parent_) parent_->Release();
  if (factOwner_) factOwner_->Release();
  if (ownsFact_) TRef<IFact>::Adopt(fact_).Reset();
}

void TIEToken::Destroy() noexcept {
  TTokenPool& pool = TTokenPool::Of(*this);
  this->~TIEToken();
  pool.Free(this);
}

void TIEToken::Release() noexcept {
  if (--holds_ == 0 && RefCount() == 0) Destroy();
}

void TIEToken::operator delete(TIEToken* token, std::destroying_delete_t) noexcept {
  if (token->holds_ == 0) token->Destroy();
}

void TIEToken::ComputeKey() noexcept {
  std::uint64_t h = parent_ ? parent_->key_ : kKeySeed;
  h = Mix(h, (static_cast<std::uint64_t>(static_cast<std::uint32_t>(factIndex_)) << 32) | copySignature_);
  key_ = Mix(h, FloatBits(strength_));
}

TIEToken* TIEToken::NewClear(TTokenPool& pool) {
  auto* token = new (pool.Allocate()) TIEToken();
  token->ComputeKey();
  return token;
}

TIEToken* TIEToken::NewFromFact(TTokenPool& pool, TTokenAction tag, TRef<IFact> fact, std::uint32_t copySignature) {
  auto* token = new (pool.Allocate()) TIEToken();
  token->factIndex_ = fact ? fact->ID() : -1;
  token->fact_ = fact.Detach();
  token->ownsFact_ = token->fact_ != nullptr;
  token->size_ = 1;
  token->hashCode_ = token->factIndex_;
  token->copySignature_ = copySignature;
  token->tag_ = tag;
  token->ComputeKey();
  return token;
}

TIEToken* TIEToken::NewCopy(TTokenPool& pool, const TIEToken& source) {
  auto* token = new (pool.Allocate()) TIEToken();
  token->parent_ = source.parent_;
  if (token->parent_) token->parent_->Hold();
  // A copy of a single-fact token leans on it for the fact.
  token->factOwner_ = source.ownsFact_ ? const_cast<TIEToken*>(&source) : source.factOwner_;
  if (token->factOwner_) token->factOwner_->Hold();
  token->fact_ = source.fact_;
  token->key_ = source.key_;
  token->size_ = source.size_;
  token->hashCode_ = source.hashCode_;
  token->factIndex_ = source.factIndex_;
  token->copySignature_ = source.copySignature_;
  token->strength_ = source.strength_;
  token->tag_ = source.tag_;
  return token;
}

TIEToken* TIEToken::NewExtension(TTokenPool& pool, TIEToken& parent, const TIEToken* right, IFact* negationFact) {
  auto* token = new (pool.Allocate()) TIEToken();
  token->parent_ = &parent;
  parent.Hold();
  if (right) {
    token->fact_ = right->fact_;
    token->factIndex_ = right->factIndex_;
    token->copySignature_ = right->copySignature_;
    token->factOwner_ = right->ownsFact_ ? const_cast<TIEToken*>(right) : right->factOwner_;
    if (token->factOwner_) token->factOwner_->Hold();
  } else {
    token->fact_ = negationFact;
    token->factIndex_ = negationFact ? negationFact->ID() : -1;
  }
  token->size_ = parent.size_ + 1;
  auto hash = static_cast<std::uint32_t>(parent.hashCode_) * 8u;
  if (token->fact_) hash += static_cast<std::uint32_t>(token->factIndex_);
  token->hashCode_ = static_cast<std::int32_t>(hash);
  token->strength_ = parent.strength_;
  token->tag_ = parent.tag_;
  token->ComputeKey();
  return token;
}

IFact* TIEToken::FactAt(std::int32_t position) const {
  if (position < 0 || position >= size_) return nullptr;
  const TIEToken* token = this;
  for (std::int32_t i = size_ - 1; i > position; --i) token = token->parent_;
  return token->fact_;
}

void TIEToken::SetTag(TTokenAction tag) {
  if (tag != taClear && !fact_) Raise<EIEException>(IEConsts::SInvalidTokenAction);
  tag_ = tag;
}

void TIEToken::SetStrength(float strength) noexcept {
  strength_ = strength;
  ComputeKey();
}

bool TIEToken::Equals(const TIEToken& other) const noexcept {
  const TIEToken* a = this;
  const TIEToken* b = &other;
  if (a == b) return true;
  if (a->key_ != b->key_) return false;
  for (;;) {
    if (a->hashCode_ != b->hashCode_ || a->factIndex_ != b->factIndex_ || a->copySignature_ != b->copySignature_ ||
        a->strength_ != b->strength_)
      return false;
    if (!a->parent_ || a->parent_ == b->parent_) return true;
    if (!b->parent_) return false;
    a = a->parent_;
    b = b->parent_;
  }
}

void TIEToken::AppendShortText(std::string& out) const {
  // The chain runs from the newest fact back; the text from the oldest.
  const IFact* small[16];
  std::vector<const IFact*> large;
  const IFact** facts = small;
  if (size_ > 16) {
    large.resize(static_cast<std::size_t>(size_));
    facts = large.data();
  }
  std::int32_t i = size_;
  for (const TIEToken* token = this; token && i > 0; token = token->parent_) facts[--i] = token->fact_;
  for (std::int32_t k = 0; k < size_; ++k) {
    if (k > 0) out += ", ";
    out += "f-";
    out += std::to_string(facts[k] ? facts[k]->ID() : -1);
  }
}

std::string TIEToken::ShortText() const {
  std::string text;
  AppendShortText(text);
  return text;
}

std::string TIEToken::LongText() const {
  std::string text(TokenActionName(tag_));
  text += " cnt=" + std::to_string(size_) + " negcnt=" + std::to_string(negatedCount_);
  for (const TIEToken* token = this; token; token = token->parent_) {
    text += kLineEnd;
    if (token->fact_) text += token->fact_->AsString();
  }
  return text;
}

// --- Keys -------------------------------------------------------------------------------------------

bool HashDecidesEquality(const TIEValue& value) noexcept {
  switch (value.DType()) {
    case dtFloat:
      return !std::isnan(value.RawFloat());
    case dtList:
      if (const TValueVector* list = value.ListPtr()) {
        for (const auto& item : *list) {
          if (item && !HashDecidesEquality(*item)) return false;
        }
      }
      return true;
    case dtFuzzy:
    case dtFact:
    case dtFunCall:
    case dtSingletons:
    case dtObject:
    case dtClass:
      return false;
    default:
      return true;
  }
}

std::int32_t BucketOf(std::uint32_t hash, std::int32_t buckets) noexcept {
  const auto key = static_cast<std::int64_t>(static_cast<std::int32_t>(hash));
  return static_cast<std::int32_t>((key < 0 ? -key : key) % buckets);
}

void TMemoryKeying::AddChainPart(std::int32_t factPosition, std::string_view slotName) {
  parts_.push_back({factPosition, TSlotAccessor(slotName)});
}

namespace {

TMemoryKey SingleKey(std::uint32_t hash) noexcept { return {hash, hash, false}; }

std::uint32_t MixChain(std::uint32_t chain, std::uint32_t value) noexcept {
  chain ^= value + 0x9E3779B9u + (chain << 6) + (chain >> 2);
  return chain * 0x85EBCA6Bu;
}

}  // namespace

TMemoryKey TMemoryKeying::KeyOf(const TIEToken& token) const {
  switch (source_) {
    case TKeySource::TokenHash:
      return SingleKey(static_cast<std::uint32_t>(token.HashCode()));
    case TKeySource::ParentHash:
      return SingleKey(token.Parent() ? static_cast<std::uint32_t>(token.Parent()->HashCode()) : 0u);
    case TKeySource::FactIndex: {
      const TIEToken* link = &token;
      for (std::int32_t i = token.Size() - 1; link && i > factPosition_; --i) link = link->Parent();
      return SingleKey(link ? static_cast<std::uint32_t>(link->FactIndex()) : 0u);
    }
    case TKeySource::SlotValue:
      break;
  }
  IFact* fact = token.FactAt(factPosition_);
  if (!fact) return {};
  const TIEValue* value = slot_.ValueOf(*fact, subIndex_);
  if (!value) return {};
  TMemoryKey key{value->HashCode(), value->HashCode(), !HashDecidesEquality(*value)};
  for (const TChainPart& part : parts_) {
    if (key.wildcard) break;
    IFact* partFact = part.factPosition == factPosition_ ? fact : token.FactAt(part.factPosition);
    const TIEValue* partValue = partFact ? part.slot.TryValueOf(*partFact) : nullptr;
    if (!partValue || !HashDecidesEquality(*partValue)) {
      key.wildcard = true;
    } else {
      key.chain = MixChain(key.chain, partValue->HashCode());
    }
  }
  return key;
}

// --- TIETokenTree -------------------------------------------------------------------------------------

namespace {

class TTokenTreeFactory final : public ITokenMemoryFactory {
 public:
  std::unique_ptr<ITokenMemory> CreateMemory(TTokenPool& pool, TMemoryKeying keying,
                                             std::int32_t buckets) const override {
    return std::make_unique<TIETokenTree>(pool, std::move(keying), buckets);
  }
};

}  // namespace

const ITokenMemoryFactory& TIETokenTree::Factory() noexcept {
  static const TTokenTreeFactory factory;
  return factory;
}

TIETokenTree::TIETokenTree(TTokenPool& pool, TMemoryKeying keying, std::int32_t buckets)
    : ITokenMemory(pool, std::move(keying), buckets), lowest_(bucketCount_ + 1) {}

TIETokenTree::~TIETokenTree() {
  if (!buckets_) return;
  for (std::int32_t b = 0; b < bucketCount_; ++b) {
    for (TIEToken* token = buckets_[b].head; token;) {
      TIEToken* next = token->bucketNext_;
      token->Release();
      token = next;
    }
  }
}

TIEToken* TIETokenTree::Insert(TIEToken& token, const TMemoryKey& key) {
  // One look into the index serves the duplicate check and the insertion.
  TIEToken** first = &byKey_[token.Key()];
  for (TIEToken* stored = *first; stored; stored = stored->sameKeyNext_) {
    if (stored->Equals(token)) return nullptr;
  }
  TIEToken* copy = token.bucket_ < 0 ? &token : TIEToken::NewCopy(*pool_, token);
  copy->Hold();
  if (!buckets_) {
    buckets_ = std::make_unique<TBucket[]>(static_cast<std::size_t>(bucketCount_));
    occupied_.assign((static_cast<std::size_t>(bucketCount_) + 63) / 64, 0);
  }
  const std::int32_t b = BucketOf(key.hash, bucketCount_);
  copy->bucket_ = b;
  copy->keyHash_ = key.chain;
  copy->wildcard_ = key.wildcard;
  if (nextSequence_ == std::numeric_limits<std::uint32_t>::max()) Renumber();
  copy->sequence_ = nextSequence_++;
  TBucket& bucket = buckets_[b];
  occupied_[static_cast<std::size_t>(b) / 64] |= std::uint64_t{1} << (b % 64);
  copy->bucketPrev_ = bucket.tail;
  (bucket.tail ? bucket.tail->bucketNext_ : bucket.head) = copy;
  bucket.tail = copy;
  if (keying_.Probed()) {
    TIEToken*& head = key.wildcard ? bucket.wildHead : chains_[key.chain].head;
    TIEToken*& tail = key.wildcard ? bucket.wildTail : chains_[key.chain].tail;
    copy->chainPrev_ = tail;
    (tail ? tail->chainNext_ : head) = copy;
    tail = copy;
  }
  copy->sameKeyNext_ = *first;
  *first = copy;
  lowest_ = std::min(lowest_, b);
  highest_ = std::max(highest_, b);
  ++count_;
  return copy;
}

bool TIETokenTree::Remove(const TIEToken& token, const TMemoryKey&) {
  TIEToken** head = byKey_.Find(token.Key());
  if (!head) return false;
  TIEToken** link = head;
  while (*link && !(*link)->Equals(token)) link = &(*link)->sameKeyNext_;
  TIEToken* stored = *link;
  if (!stored) return false;
  *link = stored->sameKeyNext_;
  if (!*head) byKey_.Erase(token.Key());
  stored->sameKeyNext_ = nullptr;
  --count_;
  if (walking_ > 0) {
    // A walk may stand on it: unlinked once every walk is closed.
    stored->removed_ = true;
    deferred_.push_back(stored);
  } else {
    Unlink(*stored);
  }
  return true;
}

void TIETokenTree::Unlink(TIEToken& token) noexcept {
  TBucket& bucket = buckets_[token.bucket_];
  (token.bucketPrev_ ? token.bucketPrev_->bucketNext_ : bucket.head) = token.bucketNext_;
  (token.bucketNext_ ? token.bucketNext_->bucketPrev_ : bucket.tail) = token.bucketPrev_;
  if (!bucket.head) {
    occupied_[static_cast<std::size_t>(token.bucket_) / 64] &= ~(std::uint64_t{1} << (token.bucket_ % 64));
  }
  if (keying_.Probed()) {
    if (token.wildcard_) {
      (token.chainPrev_ ? token.chainPrev_->chainNext_ : bucket.wildHead) = token.chainNext_;
      (token.chainNext_ ? token.chainNext_->chainPrev_ : bucket.wildTail) = token.chainPrev_;
    } else if (token.chainPrev_ && token.chainNext_) {
      // Inside its chain: the chain's ends stay, no index look-up.
      token.chainPrev_->chainNext_ = token.chainNext_;
      token.chainNext_->chainPrev_ = token.chainPrev_;
    } else if (TChain* chain = chains_.Find(token.keyHash_)) {
      (token.chainPrev_ ? token.chainPrev_->chainNext_ : chain->head) = token.chainNext_;
      (token.chainNext_ ? token.chainNext_->chainPrev_ : chain->tail) = token.chainPrev_;
      if (!chain->head) chains_.Erase(token.keyHash_);
    }
  }
  token.Release();
}

void TIETokenTree::Renumber() noexcept {
  std::uint32_t highest = 0;
  for (std::int32_t b = 0; b < bucketCount_; ++b) {
    std::uint32_t sequence = 0;
    for (TIEToken* token = buckets_[b].head; token; token = token->bucketNext_) token->sequence_ = ++sequence;
    highest = std::max(highest, sequence);
  }
  nextSequence_ = highest + 1;
}

void TIETokenTree::FlushDeferred() noexcept {
  std::vector<TIEToken*> deferred;
  deferred.swap(deferred_);
  for (TIEToken* token : deferred) Unlink(*token);
}

void TIETokenTree::Reset() {
  if (count_ == 0 && highest_ < 0) return;
  if (walking_ > 0) {
    for (std::int32_t b = 0; b < bucketCount_ && buckets_; ++b) {
      for (TIEToken* token = buckets_[b].head; token; token = token->bucketNext_) {
        if (token->removed_) continue;
        token->removed_ = true;
        token->sameKeyNext_ = nullptr;
        deferred_.push_back(token);
      }
    }
    byKey_.Clear();
  } else {
    if (buckets_) {
      for (std::int32_t b = 0; b < bucketCount_; ++b) {
        for (TIEToken* token = buckets_[b].head; token;) {
          TIEToken* next = token->bucketNext_;
          token->Release();
          token = next;
        }
        buckets_[b] = TBucket();
      }
      std::fill(occupied_.begin(), occupied_.end(), 0);
    }
    chains_.Clear();
    byKey_.Clear();
  }
  count_ = 0;
  highest_ = -1;
  lowest_ = bucketCount_ + 1;
}

std::string TIETokenTree::AsText() const {
  std::string text;
  if (!buckets_) return text;
  for (std::int32_t b = 0; b < bucketCount_; ++b) {
    bool any = false;
    for (const TIEToken* token = buckets_[b].head; token; token = token->bucketNext_) {
      if (token->removed_) continue;
      token->AppendShortText(text);
      any = true;
    }
    if (any) text += kLineEnd;
  }
  return text;
}

TIEToken* TIETokenTree::ScanFrom(TMemoryCursor& cursor, TIEToken* token) noexcept {
  for (;;) {
    while (token && token->removed_) token = token->bucketNext_;
    if (token) {
      cursor.first = token;
      return token;
    }
    cursor.bucket = NextOccupied(cursor.bucket + 1);
    if (cursor.bucket < 0 || cursor.bucket > highest_) {
      cursor.first = nullptr;
      return nullptr;
    }
    token = buckets_[cursor.bucket].head;
  }
}

TIEToken* TIETokenTree::Scan(TMemoryCursor& cursor) {
  cursor = TMemoryCursor();
  cursor.active = true;
  cursor.all = true;
  ++walking_;
  if (!buckets_ || highest_ < 0) return nullptr;
  cursor.bucket = lowest_;
  cursor.position = -1;  // walking buckets
  return ScanFrom(cursor, buckets_[lowest_].head);
}

std::int32_t TIETokenTree::NextOccupied(std::int32_t from) const noexcept {
  if (from >= bucketCount_) return -1;
  auto word = static_cast<std::size_t>(from) / 64;
  std::uint64_t bits = occupied_[word] & (~std::uint64_t{0} << (from % 64));
  while (bits == 0) {
    if (++word == occupied_.size()) return -1;
    bits = occupied_[word];
  }
  return static_cast<std::int32_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
}

TIEToken* TIETokenTree::Probe(TMemoryCursor& cursor, TMemoryKey key) {
  cursor = TMemoryCursor();
  cursor.active = true;
  ++walking_;
  if (!buckets_) return nullptr;
  cursor.bucket = BucketOf(key.hash, bucketCount_);
  cursor.hash = key.chain;
  TBucket& bucket = buckets_[cursor.bucket];
  if (key.wildcard || !keying_.Probed()) {
    // Every token of the bucket, in order.
    cursor.all = true;
    cursor.position = 1;  // one bucket only
    TIEToken* token = bucket.head;
    while (token && token->removed_) token = token->bucketNext_;
    cursor.first = token;
    return token;
  }
  const TChain* chain = chains_.Find(key.chain);
  cursor.first = chain ? chain->head : nullptr;
  cursor.second = bucket.wildHead;
  return Pick(cursor);
}

TIEToken* TIETokenTree::Pick(TMemoryCursor& cursor) noexcept {
  while (cursor.first && cursor.first->removed_) cursor.first = cursor.first->chainNext_;
  while (cursor.second && cursor.second->removed_) cursor.second = cursor.second->chainNext_;
  TIEToken* a = cursor.first;
  TIEToken* b = cursor.second;
  if (!a && !b) return nullptr;
  // The two chains merge by insertion order.
  if (!b || (a && a->sequence_ < b->sequence_)) {
    cursor.position = 2;
    return a;
  }
  cursor.position = 3;
  return b;
}

TIEToken* TIETokenTree::Next(TMemoryCursor& cursor) {
  if (cursor.all) {
    if (!cursor.first) return nullptr;
    TIEToken* next = cursor.first->bucketNext_;
    if (cursor.position == 1) {
      while (next && next->removed_) next = next->bucketNext_;
      cursor.first = next;
      return next;
    }
    return ScanFrom(cursor, next);
  }
  if (cursor.position == 2 && cursor.first) {
    cursor.first = cursor.first->chainNext_;
  } else if (cursor.position == 3 && cursor.second) {
    cursor.second = cursor.second->chainNext_;
  }
  return Pick(cursor);
}

void TIETokenTree::Close(TMemoryCursor& cursor) noexcept {
  if (!cursor.active) return;
  cursor.active = false;
  if (--walking_ == 0 && !deferred_.empty()) FlushDeferred();
}

}  // namespace fxe
