// Globals: their initial values, and their current values in the root context.
#include "engine/EngineVariables.h"

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"

namespace fxe {

void TGlobalVariables::Add(std::string_view name, TRef<TIEValue> value) {
  if (!value) value = SharedValues().Nil;
  // The context gets a value of its own: changing the global in place must
  // not change its initial value.
  engine_.EngineContext().SetGlobal(name, value->IsShared() ? value : value->Clone());
  Put(std::string(name), std::move(value));
}

void TGlobalVariables::Restore() {
  for (const auto& entry : *this) {
    const TRef<TIEValue>& initial = entry.Value();
    engine_.EngineContext().SetGlobal(entry.Key(), initial->IsShared() ? initial : initial->Clone());
  }
}

void TGlobalVariables::Clear() {
  std::vector<std::string> names;
  for (const auto& entry : *this) names.push_back(entry.Key());
  for (const std::string& name : names) engine_.EngineContext().Bindings().Remove(name);
  TEngineVariables::Clear();
}

}  // namespace fxe
