// The engine as the Rete network sees it: where activations go, the queue of
// facts the network asks to assert (backward-chaining goals), the fact base
// for priming new rules, and the engine objects compilation needs.
#pragma once

#include <string_view>
#include <vector>

#include "collections/RefCounted.h"
#include "values/IEInterfaces.h"

namespace fxe {

class TActivation;
class TIEContext;
class TIEPattern;
class IFactTemplate;
class IReasoner;

class IReteEngine {
 public:
  // The agenda takes the activation with the reference passed.
  virtual void AddActivation(TRef<TActivation> activation) = 0;
  // Takes the activation off the agenda if it is there.
  virtual void RemoveActivation(TActivation& activation) = 0;
  // The activation's rule fired.
  virtual void RuleFired(TActivation& activation) = 0;
  // Asserts (or retracts) the fact once the current assertion or retraction ends.
  virtual void QueuePending(TRef<IFact> fact, bool isAssertion) = 0;
  // The facts of the fact base, in order.
  virtual std::vector<TRef<IFact>> FactSnapshot() = 0;
  // The fact filling the position of a negated pattern in a partial match.
  virtual IFact* NegationFact() = 0;
  // The template of that name, made as an implied template when missing.
  virtual TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) = 0;
  // The root evaluation context; nodes evaluate calls below it.
  virtual TIEContext& EngineContext() = 0;
  // The pattern on Initial-Fact given to rules without patterns; may be nullptr.
  virtual const TIEPattern* InitialPattern() = 0;
  virtual IReasoner& Reasoner() = 0;

 protected:
  ~IReteEngine() = default;
};

}  // namespace fxe
