// The engine's rules by name. Adding a rule compiles it into the network and
// registers it; removing one takes its nodes out of the network and frees it.
#pragma once

#include <memory>
#include <string_view>

#include "collections/GHashtable.h"
#include "rete/IERule.h"

namespace fxe {

class TInferenceEngine;

class TRules final : public TGStringHashtable<std::unique_ptr<TRule>> {
 public:
  explicit TRules(TInferenceEngine& engine) : engine_(engine) {}
  // The duplicate policy, then compilation (a rule that fails to compile is
  // not registered), registration, the compilation trace and OnAddRule.
  // Returns the rule registered under the name ("Duplicate Rules defined
  // with same name: \"%s\"" under dcError).
  TRule& Add(std::unique_ptr<TRule> rule);
  // Unregisters, tells OnRemoveRule, removes the nodes and frees the rule.
  void Remove(std::string_view name);
  // Frees every rule and resets the engine's rule counter.
  void Clear();
  // Unregisters the rule and hands it back (its nodes are removed).
  std::unique_ptr<TRule> Take(std::string_view name);

 private:
  TInferenceEngine& engine_;
};

}  // namespace fxe
