// Named values of the engine: the store of store and fetch, and the initial
// values of the defglobals, whose current values live in the engine's root
// context.
#pragma once

#include <string_view>

#include "values/IEValue.h"

namespace fxe {

class TInferenceEngine;

class TEngineVariables : public TValueHashTable {
 public:
  using TValueHashTable::TValueHashTable;
};

class TGlobalVariables final : public TEngineVariables {
 public:
  explicit TGlobalVariables(TInferenceEngine& engine) : engine_(engine) {}
  // Registers the initial value and sets the global's current value to it.
  void Add(std::string_view name, TRef<TIEValue> value);
  // Sets every global back to its initial value.
  void Restore();
  // Also removes the globals from the root context.
  void Clear();

 private:
  TInferenceEngine& engine_;
};

}  // namespace fxe
