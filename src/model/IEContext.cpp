// Binding descriptors, binding tables and evaluation contexts.
#include "model/IEContext.h"

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IReasoner.h"

namespace fxe {

bool IsGlobalVariableName(std::string_view name) noexcept {
  return name.size() >= 3 && name.front() == '*' && name.back() == '*';
}

// --- TBindingInfo ---------------------------------------------------------------

std::string TBindingInfo::AsString() const {
  std::string text = "FactIdx=" + std::to_string(factIndex_) + " SlotIdx=" + slotIndex_;
  if (subIndex_ != -1) text += " SubIdx=" + std::to_string(subIndex_);
  return text;
}

bool TBindingInfo::Equals(const TBindingInfo& other) const noexcept {
  return factIndex_ == other.factIndex_ && subIndex_ == other.subIndex_ && slotIndex_ == other.slotIndex_;
}

std::string TBindingInfo::ValueText() const {
  std::string text(1, '<');
  text += ClassName();
  text += ": ";
  text += AsString();
  text += '>';
  return text;
}

TRef<TIEValue> TBindingInfo::Evaluate(IIEContext* context) const {
  if (!context) Raise<EIEException>(IEConsts::SNoContext, TypeName(dtObject));
  return Resolve(*context);
}

TRef<TIEValue> TBindingInfo::Resolve(const IIEContext& context) const {
  const IReteToken* token = context.CurrentToken();
  const std::int32_t factCount = token ? token->FactCount() : 0;
  IFact* fact = nullptr;
  if (factIndex_ == factCount && context.CurrentFact()) {
    fact = context.CurrentFact();
  } else if (token && factIndex_ >= 0 && factIndex_ < factCount) {
    fact = token->FactAt(factIndex_);
  }
  if (!fact) Raise<EIEException>(IEConsts::SBindingWithoutFact, AsString());
  if (slotIndex_ == PatternSlotName) return MakeRef<TIEValue>(fact->ID(), dtFactId);
  TRef<TIEValue> value = fact->GetSlotValue(slotIndex_);
  if (subIndex_ == -1) return value;
  const TRef<TIEValue>& item = value->AsList()->Item(subIndex_);
  return item ? item : SharedValues().Nil;
}

// --- TBinding ---------------------------------------------------------------------

std::string TBinding::AsString() const {
  std::string text = "name=" + name_;
  if (value_) {
    text += " value=";
    value_->AppendText(text);
  }
  text += ' ';
  text += TBindingInfo::AsString();
  return text;
}

bool TBinding::Equals(const TBinding& other) const {
  if (!TBindingInfo::Equals(other) || name_ != other.name_) return false;
  if (value_ == other.value_) return true;
  return value_ && value_->Equals(other.value_.Get());
}

TRef<TIEValue> TBinding::Evaluate(IIEContext* context) const {
  if (value_) return value_;
  return TBindingInfo::Evaluate(context);
}

// --- TBindings ----------------------------------------------------------------------

TBinding& TBindings::Put(TBinding&& binding) {
  if (table_.Capacity() == 0) table_.SetCapacity(Capacity);
  // The binding is moved into the table; look it up by a copy of its name.
  const std::string name = binding.Name();
  table_.Put(std::string_view(name), std::move(binding));
  TBinding* stored = table_.Find(name);
  Notify(stored, TBindingChange::Added);
  return *stored;
}

bool TBindings::Remove(std::string_view name) {
  TBinding* binding = table_.Find(name);
  if (!binding) return false;
  Notify(binding, TBindingChange::Removed);
  table_.Remove(name);
  return true;
}

void TBindings::Clear() {
  // Dropping the buckets as well spares the destructor of a context that is
  // cleared and then freed (every activation and call) a second bucket walk;
  // the next binding stored makes them again.
  table_.SetCapacity(0);
  Notify(nullptr, TBindingChange::Cleared);
}

void TBindings::Notify(TBinding* binding, TBindingChange change) {
  if (owner_) owner_->BindingsChanged(binding, change);
}

// --- TIEContext ----------------------------------------------------------------------

TIEValue* TIEContext::FindVariableValue(std::string_view name) const {
  const TBinding* binding = FindBinding(name);
  return binding ? binding->Value() : nullptr;
}

TIEContext& TIEContext::Root() noexcept {
  TIEContext* context = this;
  while (context->parent_) context = context->parent_;
  return *context;
}

const TIEContext& TIEContext::Root() const noexcept { return const_cast<TIEContext*>(this)->Root(); }

void TIEContext::SetReturnValue(TRef<TIEValue> value) {
  returnValue_ = std::move(value);
  returnFlag_ = true;
}

TBinding* TIEContext::FindBinding(std::string_view name) const {
  for (const TIEContext* context = this; context; context = context->parent_) {
    if (TBinding* binding = context->OwnBinding(name)) return binding;
  }
  return nullptr;
}

TBinding* TIEContext::FindGlobal(std::string_view name) const noexcept { return Root().bindings_.Find(name); }

void TIEContext::SetVariable(std::string_view name, TRef<TIEValue> value) {
  if (IsGlobalVariableName(name)) {
    SetGlobal(name, std::move(value));
    return;
  }
  if (TBinding* binding = FindBinding(name)) {
    binding->SetValue(std::move(value));
  } else {
    bindings_.Put(TBinding(name, std::move(value)));
  }
}

void TIEContext::DeclareVariable(std::string_view name, TRef<TIEValue> value) {
  if (IsGlobalVariableName(name)) {
    SetGlobal(name, std::move(value));
    return;
  }
  if (TBinding* binding = OwnBinding(name)) {
    binding->SetValue(std::move(value));
  } else {
    SetVariable(name, std::move(value));
  }
}

void TIEContext::AddLocal(std::string_view name, TRef<TIEValue> value) {
  bindings_.Put(TBinding(name, std::move(value)));
}

void TIEContext::SetGlobal(std::string_view name, TRef<TIEValue> value) {
  TBindings& globals = Root().bindings_;
  if (TBinding* binding = globals.Find(name)) {
    binding->SetValue(std::move(value));
  } else {
    globals.Put(TBinding(name, std::move(value)));
  }
}

void TIEContext::AddPatternBinding(std::string_view name, std::int32_t factIndex, std::int32_t subIndex,
                                   std::string_view slotName) {
  bindings_.Put(TBinding(name, factIndex, slotName, subIndex));
}

void TIEContext::ClearBindings() { bindings_.Clear(); }

void TIEContext::BindingsChanged(TBinding*, TBindingChange change) {
  if (change == TBindingChange::Cleared) ClearReturn();
}

std::unique_ptr<TIEContext> TIEContext::CreateChild() {
  auto child = std::make_unique<TIEContext>(this, engine_);
  // A nested evaluation (a deffunction called from a test of a pattern)
  // works on the same partial match: the variables its arguments name are
  // read from this context's token and fact.
  child->token_ = TRef<IReteToken>(CurrentToken());
  child->fact_ = TRef<IFact>(CurrentFact());
  return child;
}

TIEContext* TIEContext::LeaveChild() {
  if (parent_) {
    parent_->returnFlag_ = returnFlag_;
    parent_->returnValue_ = returnValue_;
  }
  return parent_;
}

void TIEContext::Assign(const TIEContext& source) {
  if (&source == this) return;
  returnFlag_ = source.returnFlag_;
  returnValue_ = source.returnValue_ ? source.returnValue_->Clone() : nullptr;
}

// --- Resolving facts --------------------------------------------------------------

namespace {

IFuzzyVariable* FuzzyVariableOf(const IFactSlot& slot) noexcept {
  const IIEDefinedType* type = slot.ExtendedTypeInfo();
  return type ? type->FuzzyVariable() : nullptr;
}

// A fuzzy value, or a multifield of exactly one fuzzy value.
bool IsFuzzyValue(const TIEValue& value) noexcept {
  if (value.DType() == dtFuzzy) return true;
  const TValueVector* list = value.ListPtr();
  return list && list->Count() == 1 && list->First() && list->First()->DType() == dtFuzzy;
}

// Gives a fuzzy set that belongs to no variable the slot's variable.
void AdoptVariable(const TIEValue& value, IFuzzyVariable& variable) {
  auto adopt = [&variable](const TIEValue& item) {
    IFuzzySet* set = item.FuzzyPtr();
    if (set && !set->Variable()) set->SetVariable(&variable);
  };
  if (const TValueVector* list = value.ListPtr()) {
    for (const auto& item : *list) {
      if (item) adopt(*item);
    }
  } else {
    adopt(value);
  }
}

bool EvaluatesToItself(TIEType type) noexcept {
  switch (type) {
    case dtVariable:
    case dtMultiVariable:
    case dtFunCall:
    case dtObject:
    case dtSingletons:
    case dtList:
      return false;
    default:
      return true;
  }
}

// Appends the items evaluated in context; an item that evaluates to a
// multifield has its items appended in its place, evaluated the same way.
void AppendFlattened(const TValueVector& items, TIEContext& context, TValueVector& out) {
  for (const auto& item : items) {
    if (!item) continue;
    TRef<TIEValue> value = item->Evaluate(&context);
    if (const TValueVector* inner = value->ListPtr()) {
      AppendFlattened(*inner, context, out);
    } else {
      out.Add(std::move(value));
    }
  }
}

}  // namespace

IFact& TIEContext::ResolveFact(IFact& fact) {
  const IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  const bool fuzzyTemplate = factTemplate->HasFuzzySlots();
  const std::int32_t count = fact.SlotCount();
  for (std::int32_t i = 0; i < count; ++i) {
    // A constant evaluates to itself: nothing to resolve (lists are
    // flattened and fuzzy slots converted below).
    if (!fuzzyTemplate) {
      const TIEValue* peeked = fact.PeekSlotValue(i);
      if (!peeked || EvaluatesToItself(peeked->DType())) continue;
    }
    const IFactSlot& slot = fact.SlotAt(i);
    TRef<TIEValue> stored(&fact.SlotValueAt(i));
    TRef<TIEValue> value = stored->Evaluate(this);
    if (fuzzyTemplate) {
      IFuzzyVariable* variable = FuzzyVariableOf(slot);
      if (slot.IsFuzzy()) {
        if (!IsFuzzyValue(*value) && variable && engine_) value = engine_->LinguisticToFuzzy(*variable, *value, this);
        if (slot.SlotType().Contains(dtList) && value->DType() != dtList) {
          auto wrapped = MakeRef<TValueVector>();
          wrapped->Add(std::move(value));
          value = NewList(std::move(wrapped));
        }
      }
      if (variable) AdoptVariable(*value, *variable);
    } else if (const TValueVector* list = value->ListPtr()) {
      auto flat = MakeRef<TValueVector>();
      flat->Reserve(static_cast<std::size_t>(list->Count()));
      AppendFlattened(*list, *this, *flat);
      // The fact's own list is rebuilt in place; a list reached through a
      // variable or shared constant is left alone and replaced by a new value.
      if (value == stored && !value->IsShared()) {
        value->SetAsList(std::move(flat));
      } else {
        value = NewList(std::move(flat));
      }
    }
    // A value some other holder keeps (a variable's value, another fact's
    // slot value) is copied: the fact's values are changed in place later
    // (number conversion, fuzzy combination), which must not reach the holder.
    if (value != stored && value->RefCount() > 1 && !value->IsShared()) value = CopySlotValue(*value);
    fact.SetSlotValueAt(i, std::move(value));
  }
  return fact;
}

}  // namespace fxe
