// An open-addressing hash map from 64-bit keys (already well mixed by the
// caller, e.g. structural hashes) to small values, for the engine's hot
// indexes: linear probing, deletion by backward shift (no tombstones), growth
// by doubling at three quarters load (a probe run still mostly fits one or
// two cache lines). Unlike the engine's named collections it has no
// observable order; it only answers lookups.
//
// A slot is the key and the value (16 bytes for a pointer): the all-ones key
// marks a free slot, so the key all-ones shares its entry with all-ones minus
// one. The engine's keys are 32-bit numbers, addresses, or structural hashes
// whose users compare what they find; none of them depends on the two apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace fxe {

template <class TValue>
class TOpenHashMap {
 public:
  TOpenHashMap() noexcept = default;
  TOpenHashMap(const TOpenHashMap&) = delete;
  TOpenHashMap& operator=(const TOpenHashMap&) = delete;
  TOpenHashMap(TOpenHashMap&& other) noexcept { Swap(other); }
  TOpenHashMap& operator=(TOpenHashMap&& other) noexcept {
    TOpenHashMap(std::move(other)).Swap(*this);
    return *this;
  }

  std::size_t Count() const noexcept { return count_; }
  bool IsEmpty() const noexcept { return count_ == 0; }

  TValue* Find(std::uint64_t key) noexcept {
    if (count_ == 0) return nullptr;
    key = Stored(key);
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      TSlot& slot = slots_[i];
      if (slot.key == kFree) return nullptr;
      if (slot.key == key) return &slot.value;
    }
  }
  const TValue* Find(std::uint64_t key) const noexcept { return const_cast<TOpenHashMap*>(this)->Find(key); }

  // Starts loading the slot a lookup of key begins at, so that work done
  // before the lookup hides the cache miss.
  void Prefetch(std::uint64_t key) const noexcept {
    if (slots_) __builtin_prefetch(&slots_[Home(Stored(key))]);
  }

  // The value of key, value-initialised when the key is new.
  TValue& operator[](std::uint64_t key) {
    if (TValue* found = Find(key)) return *found;
    if ((count_ + 1) * 4 > capacity_ * 3) Grow();
    key = Stored(key);
    std::size_t i = Home(key);
    while (slots_[i].key != kFree) i = (i + 1) & mask_;
    slots_[i].key = key;
    slots_[i].value = TValue();
    ++count_;
    return slots_[i].value;
  }

  bool Erase(std::uint64_t key) noexcept {
    if (count_ == 0) return false;
    key = Stored(key);
    std::size_t i = Home(key);
    for (;; i = (i + 1) & mask_) {
      if (slots_[i].key == kFree) return false;
      if (slots_[i].key == key) break;
    }
    // Backward shift: move later members of the probe run into the hole.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask_; slots_[j].key != kFree; j = (j + 1) & mask_) {
      const std::size_t home = Home(slots_[j].key);
      // j's entry may move to the hole when its home is not cyclically in (hole, j].
      const bool movable = hole <= j ? (home <= hole || home > j) : (home <= hole && home > j);
      if (movable) {
        slots_[hole] = std::move(slots_[j]);
        hole = j;
      }
    }
    slots_[hole].key = kFree;
    slots_[hole].value = TValue();
    --count_;
    return true;
  }

  void Clear() noexcept {
    slots_.reset();
    capacity_ = 0;
    mask_ = 0;
    count_ = 0;
  }

  void Swap(TOpenHashMap& other) noexcept {
    std::swap(slots_, other.slots_);
    std::swap(capacity_, other.capacity_);
    std::swap(mask_, other.mask_);
    std::swap(count_, other.count_);
  }

 private:
  static constexpr std::uint64_t kFree = ~std::uint64_t{0};

  struct TSlot {
    std::uint64_t key = kFree;
    TValue value{};
  };

  static std::uint64_t Stored(std::uint64_t key) noexcept { return key == kFree ? kFree - 1 : key; }

  std::size_t Home(std::uint64_t key) const noexcept {
    // Fibonacci hashing spreads keys whose low bits are alike.
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
  }

  void Grow() {
    const std::size_t capacity = capacity_ == 0 ? 16 : capacity_ * 2;
    std::unique_ptr<TSlot[]> old = std::exchange(slots_, std::make_unique<TSlot[]>(capacity));
    const std::size_t oldCapacity = capacity_;
    capacity_ = capacity;
    mask_ = capacity - 1;
    for (std::size_t k = 0; k < oldCapacity; ++k) {
      if (old[k].key == kFree) continue;
      std::size_t i = Home(old[k].key);
      while (slots_[i].key != kFree) i = (i + 1) & mask_;
      slots_[i] = std::move(old[k]);
    }
  }

  std::unique_ptr<TSlot[]> slots_;
  std::size_t capacity_ = 0;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace fxe
