// The names of the functions whose parenthesised arguments are facts or
// slot-value pairs rather than nested calls (assert, modify, ...), each with
// the range of argument positions that hold slot-value pairs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fxe {

// Each entry packs a low and a high argument index into one 32-bit number: the
// low index in the lower 16 bits, the high index in the upper 16 bits, where
// an upper half of 0 reads as 65535. A low index of 0 means that every
// parenthesised argument is a fact; a low index L > 0 with high index H means
// that a parenthesised argument at 1-based position p with L <= p <= H is a
// slot-value pair. Names compare case-sensitively.
class TSlotFunctions {
 public:
  static constexpr std::int32_t MaxIndex = 65535;

  // Holds assert, fuzzy-assert and fuzzy-assert-unconditional (low 0) and
  // modify and duplicate (low 1, high 65535).
  TSlotFunctions();

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }
  // Raises the list-index error outside 0 .. Count()-1.
  const std::string& Name(std::int32_t index) const;
  // The position of name, or -1.
  std::int32_t IndexOf(std::string_view name) const noexcept;
  // Appends name with the packed indices (or replaces the indices of an
  // existing entry); returns its position.
  std::int32_t Add(std::string_view name, std::uint32_t packed = 0);
  void Delete(std::int32_t index);
  void Clear() noexcept { entries_.clear(); }

  std::uint32_t Packed(std::int32_t index) const;
  void SetPacked(std::int32_t index, std::uint32_t packed);
  std::int32_t LowIndex(std::int32_t index) const { return LowOf(Packed(index)); }
  std::int32_t HighIndex(std::int32_t index) const { return HighOf(Packed(index)); }
  // A low index above the high index raises the high index to it; values are
  // clamped into 0 .. 65535.
  void SetLowIndex(std::int32_t index, std::int32_t low);
  // A high index below the low index lowers the low index to it; 0 is stored as 1.
  void SetHighIndex(std::int32_t index, std::int32_t high);

  static std::int32_t LowOf(std::uint32_t packed) noexcept { return static_cast<std::int32_t>(packed & 0xFFFFu); }
  static std::int32_t HighOf(std::uint32_t packed) noexcept {
    const std::uint32_t high = packed >> 16;
    return high == 0 ? MaxIndex : static_cast<std::int32_t>(high);
  }
  static std::uint32_t Pack(std::int32_t low, std::int32_t high) noexcept {
    return static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16);
  }

  // The packed indices of name, or nullptr when it is not a slot function.
  const std::uint32_t* Find(std::string_view name) const noexcept;

 private:
  struct TEntry {
    std::string name;
    std::uint32_t packed;
  };
  void CheckIndex(std::int32_t index) const;

  std::vector<TEntry> entries_;
};

}  // namespace fxe
