// The list of slot functions and their packed argument ranges.
#include "parser/SlotFunctions.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

std::int32_t ClampIndex(std::int32_t index) noexcept { return std::clamp(index, 0, TSlotFunctions::MaxIndex); }

}  // namespace

TSlotFunctions::TSlotFunctions() {
  entries_.reserve(5);
  Add("assert");
  Add("fuzzy-assert");
  Add("fuzzy-assert-unconditional");
  Add("modify", Pack(1, MaxIndex));
  Add("duplicate", Pack(1, MaxIndex));
}

void TSlotFunctions::CheckIndex(std::int32_t index) const { fxe::CheckIndex<EIEException>(index, Count()); }

const std::string& TSlotFunctions::Name(std::int32_t index) const {
  CheckIndex(index);
  return entries_[static_cast<std::size_t>(index)].name;
}

std::int32_t TSlotFunctions::IndexOf(std::string_view name) const noexcept {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == name) return static_cast<std::int32_t>(i);
  }
  return -1;
}

const std::uint32_t* TSlotFunctions::Find(std::string_view name) const noexcept {
  const std::int32_t index = IndexOf(name);
  return index < 0 ? nullptr : &entries_[static_cast<std::size_t>(index)].packed;
}

std::int32_t TSlotFunctions::Add(std::string_view name, std::uint32_t packed) {
  std::int32_t index = IndexOf(name);
  if (index < 0) {
    entries_.push_back({std::string(name), 0});
    index = Count() - 1;
  }
  SetPacked(index, packed);
  return index;
}

void TSlotFunctions::Delete(std::int32_t index) {
  CheckIndex(index);
  entries_.erase(entries_.begin() + index);
}

std::uint32_t TSlotFunctions::Packed(std::int32_t index) const {
  CheckIndex(index);
  return entries_[static_cast<std::size_t>(index)].packed;
}

void TSlotFunctions::SetPacked(std::int32_t index, std::uint32_t packed) {
  CheckIndex(index);
  entries_[static_cast<std::size_t>(index)].packed = packed;
}

void TSlotFunctions::SetLowIndex(std::int32_t index, std::int32_t low) {
  low = ClampIndex(low);
  std::int32_t high = HighIndex(index);
  if (low > high) high = low;
  SetPacked(index, Pack(low, high));
}

void TSlotFunctions::SetHighIndex(std::int32_t index, std::int32_t high) {
  high = ClampIndex(high);
  if (high == 0) high = 1;
  std::int32_t low = LowIndex(index);
  if (high < low) low = high;
  SetPacked(index, Pack(low, high));
}

}  // namespace fxe
