// The engine's rules: the duplicate policy, compilation on registration,
// removal and clearing.
#include "engine/Rules.h"

#include <string>
#include <vector>

#include "base/IEConsts.h"
#include "engine/InferenceEngine.h"

namespace fxe {

TRule& TRules::Add(std::unique_ptr<TRule> rule) {
  const std::string name = rule->RuleName();
  std::unique_ptr<TRule>* found = Find(name);
  switch (
      DecideAdd(engine_, found != nullptr, found && found->get() == rule.get(), IEConsts::SDuplicateRuleName, name)) {
    case TAddOutcome::Keep:
      return **found;
    case TAddOutcome::Replace:
      Remove(name);
      break;
    case TAddOutcome::Add:
      break;
  }
  // A rule that does not compile is not registered.
  engine_.Network().AddRule(*rule);
  TRule& added = *rule;
  Put(name, std::move(rule));
  if (engine_.Tracing(cwCompilation)) engine_.Trace(added.CompilationTrace());
  if (engine_.onAddRule_) engine_.onAddRule_(engine_, added);
  return added;
}

std::unique_ptr<TRule> TRules::Take(std::string_view name) {
  std::optional<std::unique_ptr<TRule>> taken = TGStringHashtable<std::unique_ptr<TRule>>::Take(name);
  if (!taken) return nullptr;
  if (engine_.onRemoveRule_) engine_.onRemoveRule_(engine_, **taken);
  engine_.RemoveRuleFromNetwork(**taken);
  return std::move(*taken);
}

void TRules::Remove(std::string_view name) { engine_.RetireRule(Take(name)); }

void TRules::Clear() {
  std::vector<std::string> names;
  for (const auto& entry : *this) names.push_back(entry.Key());
  for (const std::string& name : names) {
    std::optional<std::unique_ptr<TRule>> taken = TGStringHashtable<std::unique_ptr<TRule>>::Take(name);
    if (!taken) continue;
    engine_.RemoveRuleFromNetwork(**taken);
    engine_.RetireRule(std::move(*taken));
  }
  engine_.nextRuleNumber_ = 0;
  if (engine_.onClearRules_) engine_.onClearRules_(engine_);
}

}  // namespace fxe
