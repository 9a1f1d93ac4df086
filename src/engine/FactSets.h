// The engine's fact sets (deffacts) in definition order. A set whose name is
// listed replaces the listed one; sets read by the engine's parser belong to
// the engine.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/IEFacts.h"

namespace fxe {

class TInferenceEngine;

class TFactSets final {
 public:
  explicit TFactSets(TInferenceEngine& engine) noexcept : engine_(engine) {}
  ~TFactSets();
  TFactSets(const TFactSets&) = delete;
  TFactSets& operator=(const TFactSets&) = delete;

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(list_.size()); }
  TFactSet& Item(std::int32_t index) const;
  std::span<TFactSet* const> List() const noexcept { return list_; }
  // The position of the set named name, or -1.
  std::int32_t FindByName(std::string_view name) const noexcept;
  // Lists the set (which has this engine as its engine), replacing a listed
  // set of the same name; a set listed already keeps its place. Returns the position.
  std::int32_t Add(TFactSet& factSet);
  // Takes a listed set over.
  TFactSet* Adopt(std::unique_ptr<TFactSet> factSet);
  // Takes the set of that name off the list: the engine's own is freed, any
  // other leaves the engine. False when no set has the name.
  bool Delete(std::string_view name);
  // Takes the set off the list (it has left the engine).
  void Remove(TFactSet& factSet) noexcept;
  // Detaches every set from the engine; the engine's own are freed.
  void Clear();
  // Whether the set belongs to the engine (it was read by the engine's parser).
  bool Owns(const TFactSet& factSet) const noexcept;
  // The deffacts texts, in order.
  std::string AsString() const;
  // A listed set was renamed from oldName.
  void Renamed(const TFactSet& factSet, std::string_view oldName);

 private:
  // Raises while the engine resets: what (a verb and noun) would take the set away.
  void CheckNotResetting(std::string_view what, const TFactSet& factSet) const;
  // The set leaves the engine; freed when the engine owns it.
  void Release(TFactSet& factSet);
  void Listed(const TFactSet& factSet);
  void Unlisted(const TFactSet& factSet, std::string_view name);

  TInferenceEngine& engine_;
  std::vector<TFactSet*> list_;
  std::vector<std::unique_ptr<TFactSet>> owned_;
  // The listed sets, and how many listed sets carry each name: a name no
  // set carries is answered without a scan, so reading many deffacts stays
  // linear.
  std::unordered_set<const TFactSet*> listed_;
  struct TNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, std::int32_t, TNameHash, std::equal_to<>> names_;
};

}  // namespace fxe
