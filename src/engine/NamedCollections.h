// The engine's collections of named constructs: defined types, fact
// templates and functions. Each follows the engine's duplicate policy when an
// item arrives under a name that is taken, and tells the engine's events.
#pragma once

#include <string_view>

#include "collections/GHashtable.h"
#include "collections/RefCounted.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEPackages.h"

namespace fxe {

class TInferenceEngine;

// What adding an item under a name does, by the engine's DuplicateConstructs.
enum class TAddOutcome : std::uint8_t { Add, Keep, Replace };
// Add when the name is free, Keep when the same item or dcIgnore, Replace for
// dcOverwrite; dcError raises message with the name.
TAddOutcome DecideAdd(const TInferenceEngine& engine, bool taken, bool same, std::string_view message,
                      std::string_view name);

class TIEDefinedTypes final : public TIStringHashTable<IIEDefinedType> {
 public:
  explicit TIEDefinedTypes(TInferenceEngine& engine) : engine_(engine) {}
  // "Defined Type Name already exists: \"%s\"" under dcError.
  void Add(std::string_view name, TRef<IIEDefinedType> type);
  void Remove(std::string_view name);
  void Clear();

 private:
  TInferenceEngine& engine_;
};

class TFactTemplates final : public TIStringHashTable<IFactTemplate> {
 public:
  explicit TFactTemplates(TInferenceEngine& engine) : engine_(engine) {}
  // A template without slots first gets the multislot "__Data". Replacing a
  // template reads the facts and rules on the old one again on the new one.
  // "Fact Template Name already exists: \"%s\"" under dcError.
  void Add(std::string_view name, TRef<IFactTemplate> factTemplate);
  void Remove(std::string_view name);
  void Clear();

 private:
  TInferenceEngine& engine_;
};

class TUserFunctions final : public TIStringHashTable<IUserFunction> {
 public:
  explicit TUserFunctions(TInferenceEngine& engine) : engine_(engine) {}
  // name must be the function's own ("Function names do not match: %s and
  // %s"); "Function Name already exists: \"%s\"" under dcError.
  void Add(std::string_view name, IUserFunction& function);
  // Unregisters the function of that name.
  void Remove(std::string_view name);
  // Lets every function go.
  void Clear();
  // The deffunctions among the functions.
  std::int32_t InterpretedCount() const noexcept { return interpreted_; }

 private:
  TInferenceEngine& engine_;
  std::int32_t interpreted_ = 0;
};

}  // namespace fxe
