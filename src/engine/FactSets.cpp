// The engine's fact sets: listing, replacement by name, ownership.
#include "engine/FactSets.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "engine/InferenceEngine.h"

namespace fxe {

TFactSets::~TFactSets() { Clear(); }

TFactSet& TFactSets::Item(std::int32_t index) const {
  CheckIndex<EIEException>(index, Count());
  return *list_[static_cast<std::size_t>(index)];
}

std::int32_t TFactSets::FindByName(std::string_view name) const noexcept {
  if (!names_.contains(name)) return -1;
  for (std::size_t i = 0; i < list_.size(); ++i) {
    if (list_[i]->FactSetName() == name) return static_cast<std::int32_t>(i);
  }
  return -1;
}

void TFactSets::Listed(const TFactSet& factSet) {
  listed_.insert(&factSet);
  if (auto it = names_.find(factSet.FactSetName()); it != names_.end()) {
    ++it->second;
  } else {
    names_.emplace(factSet.FactSetName(), 1);
  }
}

void TFactSets::Unlisted(const TFactSet& factSet, std::string_view name) {
  listed_.erase(&factSet);
  if (auto it = names_.find(name); it != names_.end() && --it->second <= 0) names_.erase(it);
}

void TFactSets::Renamed(const TFactSet& factSet, std::string_view oldName) {
  if (!listed_.contains(&factSet)) return;
  Unlisted(factSet, oldName);
  Listed(factSet);
}

std::int32_t TFactSets::Add(TFactSet& factSet) {
  if (listed_.contains(&factSet)) {
    return static_cast<std::int32_t>(std::find(list_.begin(), list_.end(), &factSet) - list_.begin());
  }
  const std::int32_t listed = FindByName(factSet.FactSetName());
  if (listed < 0) {
    list_.push_back(&factSet);
    Listed(factSet);
    return Count() - 1;
  }
  // The new set takes the old one's place; the old one leaves the engine.
  TFactSet* old = list_[static_cast<std::size_t>(listed)];
  CheckNotResetting("replace fact set", *old);
  list_[static_cast<std::size_t>(listed)] = &factSet;
  Unlisted(*old, old->FactSetName());
  Listed(factSet);
  Release(*old);
  return listed;
}

bool TFactSets::Delete(std::string_view name) {
  const std::int32_t listed = FindByName(name);
  if (listed < 0) return false;
  CheckNotResetting("remove fact set", *list_[static_cast<std::size_t>(listed)]);
  Release(*list_[static_cast<std::size_t>(listed)]);
  return true;
}

void TFactSets::CheckNotResetting(std::string_view what, const TFactSet& factSet) const {
  // The set may be the one whose facts are being asserted.
  if (engine_.resetting_) Raise<EIEException>(IEConsts::SWhileResetting, std::string(what) + " " + factSet.FactSetName());
}

void TFactSets::Release(TFactSet& factSet) {
  auto owned = std::find_if(owned_.begin(), owned_.end(), [&](const auto& set) { return set.get() == &factSet; });
  if (owned == owned_.end()) {
    factSet.SetEngine(nullptr);
    return;
  }
  const std::unique_ptr<TFactSet> freed = std::move(*owned);
  owned_.erase(owned);
  freed->SetEngine(nullptr);
}

TFactSet* TFactSets::Adopt(std::unique_ptr<TFactSet> factSet) {
  if (!factSet) return nullptr;
  if (!listed_.contains(factSet.get())) return nullptr;
  owned_.push_back(std::move(factSet));
  return owned_.back().get();
}

void TFactSets::Remove(TFactSet& factSet) noexcept {
  if (!listed_.contains(&factSet)) return;
  if (auto it = std::find(list_.begin(), list_.end(), &factSet); it != list_.end()) list_.erase(it);
  Unlisted(factSet, factSet.FactSetName());
}

void TFactSets::Clear() {
  std::vector<std::unique_ptr<TFactSet>> owned = std::move(owned_);
  owned_.clear();
  std::vector<TFactSet*> listed = list_;
  for (TFactSet* set : listed) set->SetEngine(nullptr);
  list_.clear();
  listed_.clear();
  names_.clear();
}

bool TFactSets::Owns(const TFactSet& factSet) const noexcept {
  return std::any_of(owned_.begin(), owned_.end(), [&](const auto& owned) { return owned.get() == &factSet; });
}

std::string TFactSets::AsString() const {
  std::string text;
  for (const TFactSet* set : list_) text += set->AsString();
  return text;
}

}  // namespace fxe
