// A set of up to 64 members of an enumeration, stored as a bit mask.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace fxe {

template <class TEnum>
class TEnumSet {
 public:
  constexpr TEnumSet() noexcept = default;
  constexpr TEnumSet(std::initializer_list<TEnum> members) noexcept {
    for (TEnum m : members) bits_ |= Bit(m);
  }
  static constexpr TEnumSet FromMask(std::uint64_t mask) noexcept {
    TEnumSet s;
    s.bits_ = mask;
    return s;
  }

  constexpr bool Contains(TEnum m) const noexcept { return (bits_ & Bit(m)) != 0; }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  constexpr std::uint64_t Mask() const noexcept { return bits_; }
  constexpr TEnumSet& Include(TEnum m) noexcept {
    bits_ |= Bit(m);
    return *this;
  }
  constexpr TEnumSet& Exclude(TEnum m) noexcept {
    bits_ &= ~Bit(m);
    return *this;
  }
  // True when every member of other is a member of this set.
  constexpr bool ContainsAll(TEnumSet other) const noexcept { return (bits_ & other.bits_) == other.bits_; }

  constexpr TEnumSet operator|(TEnumSet o) const noexcept { return FromMask(bits_ | o.bits_); }
  constexpr TEnumSet operator&(TEnumSet o) const noexcept { return FromMask(bits_ & o.bits_); }
  constexpr TEnumSet operator-(TEnumSet o) const noexcept { return FromMask(bits_ & ~o.bits_); }
  constexpr TEnumSet& operator|=(TEnumSet o) noexcept {
    bits_ |= o.bits_;
    return *this;
  }
  constexpr TEnumSet& operator&=(TEnumSet o) noexcept {
    bits_ &= o.bits_;
    return *this;
  }
  constexpr TEnumSet& operator-=(TEnumSet o) noexcept {
    bits_ &= ~o.bits_;
    return *this;
  }
  constexpr bool operator==(const TEnumSet&) const noexcept = default;

 private:
  static constexpr std::uint64_t Bit(TEnum m) noexcept { return std::uint64_t{1} << static_cast<unsigned>(m); }
  std::uint64_t bits_ = 0;
};

}  // namespace fxe
