// Literal models of the network's token memory and of the agenda's sequence,
// written as plainly as their descriptions: buckets of token vectors scanned
// for equal tokens, probes that look at the whole bucket, a vector placed by
// probing the bisection. Tests run the engine on them beside the fast ones
// and compare every observable order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/ConstructText.h"
#include "rete/ActivationAgenda.h"
#include "rete/IERule.h"
#include "rete/IEToken.h"

namespace fxe::test {

// Token equality as described: hash codes, newest fact indices (and segment
// cuts) and strengths, then the parents.
inline bool LiteralTokensEqual(const TIEToken& a, const TIEToken& b) {
  if (&a == &b) return true;
  if (a.HashCode() != b.HashCode() || a.FactIndex() != b.FactIndex() || a.CopySignature() != b.CopySignature() ||
      a.Strength() != b.Strength())
    return false;
  if (!a.Parent() || a.Parent() == b.Parent()) return true;
  if (b.Parent()) return LiteralTokensEqual(*a.Parent(), *b.Parent());
  return false;
}

class TLiteralMemory final : public ITokenMemory {
 public:
  TLiteralMemory(TTokenPool& pool, TMemoryKeying keying, std::int32_t buckets)
      : ITokenMemory(pool, std::move(keying), buckets), buckets_(static_cast<std::size_t>(bucketCount_)) {
    ResetRange();
  }
  ~TLiteralMemory() override {
    for (auto& bucket : buckets_) {
      for (TIEToken* token : bucket) token->Release();
    }
    for (auto& snapshot : snapshots_) {
      for (TIEToken* token : snapshot) token->Release();
    }
  }

  using ITokenMemory::Insert;
  using ITokenMemory::Remove;
  TIEToken* Insert(TIEToken& token, const TMemoryKey& key) override {
    auto& bucket = buckets_[static_cast<std::size_t>(BucketOf(key.hash, bucketCount_))];
    for (TIEToken* stored : bucket) {
      if (LiteralTokensEqual(*stored, token)) return nullptr;
    }
    TIEToken* copy = TIEToken::NewCopy(*pool_, token);
    copy->Hold();
    bucket.push_back(copy);
    const auto b = static_cast<std::int32_t>(&bucket - buckets_.data());
    lowest_ = std::min(lowest_, b);
    highest_ = std::max(highest_, b);
    empty_ = false;
    return copy;
  }
  bool Remove(const TIEToken& token, const TMemoryKey& key) override {
    // The bucket of the token's key, looked through for the first equal token.
    auto& bucket = buckets_[static_cast<std::size_t>(BucketOf(key.hash, bucketCount_))];
    for (std::size_t i = 0; i < bucket.size(); ++i) {
      if (!LiteralTokensEqual(*bucket[i], token)) continue;
      TIEToken* removed = bucket[i];
      bucket.erase(bucket.begin() + static_cast<std::ptrdiff_t>(i));
      removed->Release();
      return true;
    }
    return false;
  }
  void Reset() override {
    if (empty_) return;
    for (auto& bucket : buckets_) {
      for (TIEToken* token : bucket) token->Release();
      bucket.clear();
    }
    empty_ = true;
    ResetRange();
  }
  std::int32_t Count() const noexcept override {
    std::size_t count = 0;
    for (const auto& bucket : buckets_) count += bucket.size();
    return static_cast<std::int32_t>(count);
  }
  bool IsEmpty() const noexcept override { return Count() == 0; }
  std::string AsText() const override {
    std::string text;
    for (const auto& bucket : buckets_) {
      if (bucket.empty()) continue;
      for (const TIEToken* token : bucket) token->AppendShortText(text);
      text += detail::kLineEnd;
    }
    return text;
  }
  TIEToken* Scan(TMemoryCursor& cursor) override {
    std::vector<TIEToken*> all;
    for (std::int32_t b = lowest_; b <= highest_ && b < bucketCount_; ++b) {
      for (TIEToken* token : buckets_[static_cast<std::size_t>(b)]) all.push_back(token);
    }
    return Open(cursor, std::move(all));
  }
  // The whole bucket of the key: the join's tests decide.
  TIEToken* Probe(TMemoryCursor& cursor, TMemoryKey key) override {
    return Open(cursor, buckets_[static_cast<std::size_t>(BucketOf(key.hash, bucketCount_))]);
  }
  TIEToken* Next(TMemoryCursor& cursor) override {
    const auto& snapshot = snapshots_[static_cast<std::size_t>(cursor.bucket)];
    if (++cursor.position >= static_cast<std::int64_t>(snapshot.size())) return nullptr;
    return snapshot[static_cast<std::size_t>(cursor.position)];
  }
  void Close(TMemoryCursor& cursor) noexcept override {
    if (!cursor.active) return;
    cursor.active = false;
    for (TIEToken* token : snapshots_[static_cast<std::size_t>(cursor.bucket)]) token->Release();
    snapshots_.pop_back();
  }

 private:
  TIEToken* Open(TMemoryCursor& cursor, std::vector<TIEToken*> tokens) {
    for (TIEToken* token : tokens) token->Hold();
    snapshots_.push_back(std::move(tokens));
    cursor = TMemoryCursor();
    cursor.active = true;
    cursor.bucket = static_cast<std::int32_t>(snapshots_.size() - 1);
    cursor.position = 0;
    const auto& snapshot = snapshots_.back();
    return snapshot.empty() ? nullptr : snapshot.front();
  }
  void ResetRange() {
    lowest_ = bucketCount_ + 1;
    highest_ = -1;
  }

  std::vector<std::vector<TIEToken*>> buckets_;
  std::vector<std::vector<TIEToken*>> snapshots_;
  std::int32_t lowest_ = 0;
  std::int32_t highest_ = -1;
  bool empty_ = true;
};

class TLiteralMemoryFactory final : public ITokenMemoryFactory {
 public:
  std::unique_ptr<ITokenMemory> CreateMemory(TTokenPool& pool, TMemoryKeying keying,
                                             std::int32_t buckets) const override {
    return std::make_unique<TLiteralMemory>(pool, std::move(keying), buckets);
  }
};

// The agenda's sequence as the bisection describes it: a vector, probed.
class TLiteralSequence final : public IActivationSequence {
 public:
  std::int32_t Count() const noexcept override { return static_cast<std::int32_t>(items_.size()); }
  TActivation& At(std::int32_t index) const override { return *items_.at(static_cast<std::size_t>(index)); }
  std::int32_t IndexOf(const TActivation& activation) const override {
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (items_[i] == &activation) return static_cast<std::int32_t>(i);
    }
    return -1;
  }
  void Insert(std::int32_t index, TActivation& activation) override {
    items_.insert(items_.begin() + index, &activation);
  }
  void Erase(std::int32_t index) override { items_.erase(items_.begin() + index); }
  void Clear() noexcept override { items_.clear(); }
  std::int32_t InsertPosition(std::int32_t salience, TSearchStrategy strategy) const override {
    if (items_.empty()) return -1;
    return AgendaBisection(Count(), salience, strategy, [this](std::int32_t i) { return At(i).Rule().Salience(); });
  }
  void SaliencesChanged() noexcept override {}

 private:
  std::vector<TActivation*> items_;
};

}  // namespace fxe::test
