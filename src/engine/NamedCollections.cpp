// Defined types, fact templates and functions of the engine: the duplicate
// policy, registration and the events.
#include "engine/NamedCollections.h"

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "engine/InferenceEngine.h"

namespace fxe {

TAddOutcome DecideAdd(const TInferenceEngine& engine, bool taken, bool same, std::string_view message,
                      std::string_view name) {
  if (!taken) return TAddOutcome::Add;
  if (same) return TAddOutcome::Keep;
  switch (engine.DuplicateConstructs()) {
    case dcIgnore:
      return TAddOutcome::Keep;
    case dcError:
      Raise<EIEException>(message, name);
    case dcOverwrite:
      break;
  }
  return TAddOutcome::Replace;
}

// --- Defined types --------------------------------------------------------------------------

void TIEDefinedTypes::Add(std::string_view name, TRef<IIEDefinedType> type) {
  const TRef<IIEDefinedType>* old = Find(name);
  switch (DecideAdd(engine_, old != nullptr, old && *old == type, IEConsts::SDefinedTypeExists, name)) {
    case TAddOutcome::Keep:
      return;
    case TAddOutcome::Replace:
      Remove(name);
      break;
    case TAddOutcome::Add:
      break;
  }
  if (IFuzzyVariable* variable = type->FuzzyVariable()) {
    variable->SetThreshold(engine_.FuzzyEqualsThreshold());
    if (engine_.FuzzyAutoTerms()) variable->CreateAutoTerms();
  }
  const TRef<IIEDefinedType> added = type;
  Put(std::string(name), std::move(type));
  if (engine_.onAddDefinedType_) engine_.onAddDefinedType_(engine_, *added);
}

void TIEDefinedTypes::Remove(std::string_view name) {
  std::optional<TRef<IIEDefinedType>> removed = Take(name);
  if (removed && engine_.onRemoveDefinedType_) engine_.onRemoveDefinedType_(engine_, **removed);
}

void TIEDefinedTypes::Clear() {
  TIStringHashTable<IIEDefinedType>::Clear();
  if (engine_.onClearDefinedTypes_) engine_.onClearDefinedTypes_(engine_);
}

// --- Fact templates ---------------------------------------------------------------------------

void TFactTemplates::Add(std::string_view name, TRef<IFactTemplate> factTemplate) {
  if (factTemplate->SlotCount() == 0) factTemplate->AddMultiSlot(ImpliedSlotName, SharedValues().EmptyList);
  const TRef<IFactTemplate>* found = Find(name);
  const TRef<IFactTemplate> old = found ? *found : nullptr;
  switch (DecideAdd(engine_, old != nullptr, old == factTemplate, IEConsts::SFactTemplateExists, name)) {
    case TAddOutcome::Keep:
      return;
    case TAddOutcome::Replace:
      if (engine_.onRemoveFactTemplate_) engine_.onRemoveFactTemplate_(engine_, *old);
      TIStringHashTable<IFactTemplate>::Remove(name);
      Put(std::string(name), factTemplate);
      engine_.ReplaceFactTemplate(*old, *factTemplate);
      break;
    case TAddOutcome::Add:
      Put(std::string(name), factTemplate);
      break;
  }
  if (engine_.onNewFactTemplate_) engine_.onNewFactTemplate_(engine_, *factTemplate);
}

void TFactTemplates::Remove(std::string_view name) {
  const TRef<IFactTemplate>* found = Find(name);
  if (!found) return;
  const TRef<IFactTemplate> old = *found;
  if (engine_.onRemoveFactTemplate_) engine_.onRemoveFactTemplate_(engine_, *old);
  TIStringHashTable<IFactTemplate>::Remove(name);
}

void TFactTemplates::Clear() {
  TIStringHashTable<IFactTemplate>::Clear();
  if (engine_.onClearFactTemplates_) engine_.onClearFactTemplates_(engine_);
}

// --- Functions ------------------------------------------------------------------------------------

void TUserFunctions::Add(std::string_view name, IUserFunction& function) {
  if (name != function.FunctionName())
    Raise<EIEException>(IEConsts::SFunctionNamesDiffer, name, function.FunctionName());
  const TRef<IUserFunction>* found = Find(name);
  const TRef<IUserFunction> old = found ? *found : nullptr;
  switch (DecideAdd(engine_, old != nullptr, old.Get() == &function, IEConsts::SFunctionNameExists, name)) {
    case TAddOutcome::Keep:
      return;
    case TAddOutcome::Replace:
      // The old function lets go of the engine, which unregisters it.
      old->RemoveReasoner(engine_);
      Remove(name);
      break;
    case TAddOutcome::Add:
      break;
  }
  Put(std::string(name), TRef<IUserFunction>(&function));
  if (dynamic_cast<TInterpretedFunction*>(&function)) ++interpreted_;
  if (engine_.onAddUserFunction_) engine_.onAddUserFunction_(engine_, function);
}

void TUserFunctions::Remove(std::string_view name) {
  std::optional<TRef<IUserFunction>> removed = Take(name);
  if (!removed) return;
  if (dynamic_cast<TInterpretedFunction*>(removed->Get())) --interpreted_;
  if (engine_.onRemoveUserFunction_) engine_.onRemoveUserFunction_(engine_, **removed);
}

void TUserFunctions::Clear() {
  std::vector<TRef<IUserFunction>> all;
  for (const auto& entry : *this) all.push_back(entry.Value());
  for (const auto& function : all) function->RemoveReasoner(engine_);
  TIStringHashTable<IUserFunction>::Clear();
  interpreted_ = 0;
}

}  // namespace fxe
