// Fact templates and slots: slot kinds, defaults and validation, the slot
// table and its sorted layout, fact creation, copying and deftemplate text.
#include "model/IEFactTemplate.h"

#include <algorithm>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "base/WordText.h"
#include "model/ConstructText.h"
#include "model/IEFacts.h"
#include "model/IReasoner.h"

namespace fxe {

using detail::AppendIndented;
using detail::AppendQuoted;
using detail::kIndent;
using detail::kLineEnd;
using detail::PrintedTypeSet;
using detail::UpperTypeSetText;

namespace {

constexpr std::uint32_t kSlotTableCapacity = 11;
constexpr float kSlotTableLoadFactor = 0.75f;
constexpr std::string_view kForbiddenNameCharacters = " '\"#()[]?:$&;<>";

void CheckName(std::string_view name) {
  const std::size_t at = name.find_first_of(kForbiddenNameCharacters);
  if (at != std::string_view::npos) Raise<EIEException>(IEConsts::SInvalidNameCharacter, name, name.substr(at, 1));
}

bool IsBlank(std::string_view text) noexcept { return text.find_first_not_of(' ') == std::string_view::npos; }

void CheckSlotName(std::string_view name) {
  // A name the slot table cannot key (all blanks, or a text whose key hash is
  // null, such as NUL bytes only) is no name.
  if (IsBlank(name) || (StringKeyHash(name) & 0x7FFFFFFFu) == 0) Raise<EIEException>(IEConsts::SBadSlotName, name);
  CheckName(name);
}

// Walks the parent chain from start; true when it reaches target or runs in a
// circle (which a chain built through SetParent never does).
bool ParentChainReaches(const IFactTemplate* start, const IFactTemplate* target) noexcept {
  const IFactTemplate* slow = start;
  const IFactTemplate* fast = start;
  while (fast) {
    if (fast == target) return true;
    fast = fast->Parent();
    if (!fast) break;
    if (fast == target) return true;
    fast = fast->Parent();
    slow = slow->Parent();
    if (fast && fast == slow) return true;
  }
  return false;
}

bool IsDynamic(const IReasoner* engine) noexcept { return engine && engine->TypeChecks().Contains(tcDynamic); }

}  // namespace

TRef<TIEValue> CopySlotValue(const TIEValue& value) {
  auto copy = MakeRef<TIEValue>();
  copy->AssignFrom(value);
  return copy;
}

// --- TSlotLayout -----------------------------------------------------------------------

bool TSlotLayout::NameLess(std::string_view a, std::string_view b) noexcept {
  const int order = detail::CompareIgnoreCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

std::int32_t TSlotLayout::IndexOf(std::string_view name) const noexcept {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                             [](const TEntry& entry, std::string_view key) { return NameLess(entry.name, key); });
  if (it == entries_.end() || it->name != name) return -1;
  return static_cast<std::int32_t>(it - entries_.begin());
}

// --- TFactSlot -----------------------------------------------------------------------------

TFactSlot::TFactSlot(TFactTemplate* factTemplate) : template_(factTemplate) {
  if (template_) template_->members_.insert(this);
}

TFactSlot::~TFactSlot() {
  if (default_ && !default_->IsShared()) default_->SetOnChange(nullptr);
  if (template_) template_->members_.erase(this);
}

IFactTemplate* TFactSlot::Template() const noexcept { return template_; }

std::string TFactSlot::TemplateName() const { return template_ ? template_->Name() : std::string(); }

bool TFactSlot::DynamicChecks() const noexcept { return template_ && IsDynamic(template_->Owner()); }

void TFactSlot::SetName(std::string_view name) {
  if (name == name_) return;
  CheckSlotName(name);
  if (template_) template_->SlotRenamed(*this, name_, name);
  name_.assign(name);
}

void TFactSlot::ReplaceDefault(TRef<TIEValue> value) noexcept {
  if (default_ && !default_->IsShared()) default_->SetOnChange(nullptr);
  default_ = std::move(value);
  if (default_ && !default_->IsShared()) default_->SetOnChange([this](TIEValue& changed) { CheckValue(changed); });
}

void TFactSlot::CheckValue(const TIEValue& value) const {
  if (DynamicChecks() && !IsValid(&value)) Raise<EIEException>(IEConsts::SValueNotValid, value.AsText(), name_);
}

void TFactSlot::SetSlotDefault(TRef<TIEValue> value) {
  if (value && DynamicChecks() && !IsValid(value.Get()))
    Raise<EIEException>(IEConsts::SInvalidDefaultSlotValue, value->AsText());
  if (value && !value->IsShared()) value = CopySlotValue(*value);
  ReplaceDefault(std::move(value));
}

void TFactSlot::SetSlotType(TIETypes types) {
  if (types == slotType_) return;
  if (types.Contains(dtFuzzy) && types - MultiSlotMarker != TIETypes{dtFuzzy})
    Raise<EIEException>(IEConsts::SCannotMixFuzzy);
  if (template_) template_->SlotTypeChanged();
  const TIETypes oldTypes = slotType_;
  IIEDefinedType* implicitType = type_ && type_->Implicit() ? type_.Get() : nullptr;
  const TIETypes oldBaseTypes = implicitType ? implicitType->BaseTypes() : TIETypes{};
  slotType_ = types;
  auto rollback = ScopeExit([&] {
    slotType_ = oldTypes;
    if (implicitType) implicitType->SetBaseTypes(oldBaseTypes);
  });
  if (implicitType) implicitType->SetBaseTypes(types);
  if (!default_ || !IsValid(default_.Get())) ReplaceDefault(CreateDefaultValue(IsMultislot()));
  rollback.release();
}

void TFactSlot::SetExtendedTypeInfo(TRef<IIEDefinedType> type) {
  if (type.Get() == type_.Get()) return;
  TIETypes kinds = type ? type->BaseTypes() : TIETypes{};
  // A multislot stays one; the slot of ordered facts always is one.
  if (name_ == ImpliedSlotName || IsMultislot()) kinds |= MultiSlotMarker;
  if (template_) template_->SlotTypeChanged();
  TRef<IIEDefinedType> oldType = std::exchange(type_, std::move(type));
  auto rollback = ScopeExit([&] { type_ = std::move(oldType); });
  SetSlotType(kinds);
  rollback.release();
}

TRef<TIEValue> TFactSlot::CreateDefaultValue(bool multi) const {
  if (type_) return type_->CreateDefaultValue(multi);
  if (multi) return NewList();
  if (slotType_.Contains(dtAtom)) return NewAtom("");
  if (slotType_.Contains(dtString)) return NewString("");
  if (slotType_.Contains(dtInteger)) return NewInteger(0);
  if (slotType_.Contains(dtFloat)) return NewFloat(0.0);
  auto value = MakeRef<TIEValue>();
  if (slotType_.Contains(dtObject)) {
    value->SetAsObject(nullptr);
  } else if (slotType_.Contains(dtExternalAddress)) {
    value->SetAsExternalAddress(0);
  } else if (slotType_.Contains(dtFuzzy)) {
    return SharedValues().Nil;
  } else if (slotType_.Contains(dtFactId)) {
    value->SetAsFactId(0);
  } else if (slotType_.Contains(dtFact)) {
    value->SetAsFact(nullptr);
  } else if (slotType_.Contains(dtDescriptor)) {
    value->SetAsDescriptor(0);
  } else if (slotType_.Contains(dtClass)) {
    value->SetAsClass(nullptr);
  } else {
    return SharedValues().Nil;
  }
  return value;
}

bool TFactSlot::IsValid(const TIEValue* value) const {
  if (!value) return true;
  const bool multi = slotType_.Contains(dtList);
  if (!multi && value == SharedValues().Nil.Get()) return true;
  if (multi && value == SharedValues().EmptyList.Get()) return true;
  if (type_) return type_->IsValid(value);
  const TIETypes accepted = slotType_ | AlwaysAcceptedTypes | TIETypes{dtNone};
  if (!accepted.Contains(value->DType())) return false;
  if (const TValueVector* list = value->ListPtr()) {
    for (const auto& item : *list) {
      if (item && !accepted.Contains(item->DType())) return false;
    }
  }
  return true;
}

std::string TFactSlot::Validate(const TIEValue& value) const {
  const bool multi = slotType_.Contains(dtList);
  if ((!multi && &value == SharedValues().Nil.Get()) || (multi && &value == SharedValues().EmptyList.Get())) return {};
  std::string inner;
  if (type_) {
    inner = type_->Validate(value);
  } else if (!(slotType_ | AlwaysAcceptedTypes).Contains(value.DType())) {
    inner = Format(IEConsts::SNotAType, UpperTypeSetText(slotType_, ", "), value.AsText(), TypeName(value.DType()));
  } else if (const TValueVector* list = value.ListPtr()) {
    const TIETypes accepted = slotType_ | AlwaysAcceptedTypes | TIETypes{dtNone};
    for (const auto& item : *list) {
      if (item && !accepted.Contains(item->DType())) {
        inner = Format(IEConsts::SNotAType, UpperTypeSetText(slotType_, ", "), value.AsText(),
                       TypeName(item->DType()) + " (" + item->AsText() + ")");
        break;
      }
    }
  }
  return inner.empty() ? inner : Format(IEConsts::SSlotValidate, inner, name_);
}

std::string TFactSlot::AsString() const {
  std::string defaultClause;
  const TSharedValues& shared = SharedValues();
  if (default_ && default_ != shared.Nil && default_ != shared.EmptyList) {
    std::string text = default_->AsText();
    if (!IsBlank(text)) {
      defaultClause = defaultDynamic_ ? "(default-dynamic " : "(default ";
      defaultClause += text;
      defaultClause += ") ";
    }
  }
  std::string out = IsMultislot() ? "(multislot " : "(slot ";
  detail::AppendWord(out, name_);
  out += ' ';
  if (type_) {
    if (type_->Implicit()) {
      out += type_->AsString();
    } else {
      out += "(type ";
      detail::AppendWord(out, type_->Name());
      out += ')';
    }
    if (!defaultClause.empty()) {
      out += kIndent;
      out += kIndent;
      out += defaultClause;
    }
  } else if (slotType_ == DefaultBaseTypes || slotType_ == (DefaultBaseTypes | MultiSlotMarker)) {
    out += defaultClause;
  } else {
    out += "(type ";
    out += PrintedTypeSet(slotType_ - MultiSlotMarker, " ");
    out += IsMultislot() ? ") " : ")";
    if (!defaultClause.empty()) {
      out += kLineEnd;
      out += kIndent;
      out += kIndent;
      out += defaultClause;
    }
  }
  out += ')';
  return out;
}

bool TFactSlot::Equals(const IFactSlot* other) const {
  if (other == this) return true;
  if (!other || name_ != other->Name() || slotType_ != other->SlotType()) return false;
  const IIEDefinedType* otherType = other->ExtendedTypeInfo();
  if (type_.Get() != otherType && !(type_ && type_->Equals(otherType))) return false;
  const TIEValue* otherDefault = other->SlotDefault();
  return default_.Get() == otherDefault || (default_ && default_->Equals(otherDefault));
}

void TFactSlot::Assign(const IFactSlot& source) {
  if (&source == this) return;
  IReasoner* engine = template_ ? template_->Owner() : nullptr;
  const IFactTemplate* sourceTemplate = source.Template();
  IReasoner* sourceEngine = sourceTemplate ? sourceTemplate->Owner() : nullptr;
  IIEDefinedType* sourceType = source.ExtendedTypeInfo();
  TIEValue* sourceDefault = source.SlotDefault();

  // Work out the new type and default first, so that a failure changes nothing.
  TRef<IIEDefinedType> type;
  TRef<TIEValue> defaultValue(sourceDefault);
  bool parseDefault = false;
  if (sourceType && engine && engine != sourceEngine) {
    type = engine->FindDefinedType(sourceType->Name());
    parseDefault = type && sourceDefault && TIETypes{dtFunCall, dtFact, dtFuzzy}.Contains(sourceDefault->DType());
  }
  if (!type && sourceType) {
    // An inline type belongs to its slot alone: the copy gets its own.
    if (sourceType->Implicit()) {
      type = sourceType->Clone();
      type->SetOwner(engine ? engine : sourceType->Owner());
    } else {
      type = TRef<IIEDefinedType>(sourceType);
    }
  }

  const TRef<IIEDefinedType> oldType = type_;
  const TIETypes oldTypes = slotType_;
  const TRef<TIEValue> oldDefault = default_;
  if (template_) template_->SlotTypeChanged();
  type_ = type;
  slotType_ = source.SlotType();
  auto rollback = ScopeExit([&] {
    type_ = oldType;
    slotType_ = oldTypes;
    ReplaceDefault(oldDefault);
  });
  if (parseDefault) defaultValue = engine->ParseSlotValue(sourceDefault->AsText(), *this);
  SetSlotDefault(defaultValue);
  SetName(source.Name());
  rollback.release();
  defaultDynamic_ = source.DefaultDynamic();
  tag_ = source.Tag();
}

TRef<IFactSlot> TFactSlot::Clone() const {
  auto copy = MakeRef<TFactSlot>(template_);
  copy->name_ = name_;
  copy->slotType_ = slotType_;
  copy->type_ = type_ && type_->Implicit() ? type_->Clone() : type_;
  copy->ReplaceDefault(default_ && !default_->IsShared() ? CopySlotValue(*default_) : default_);
  copy->defaultDynamic_ = defaultDynamic_;
  copy->tag_ = tag_;
  return copy;
}

// --- TFactTemplate -----------------------------------------------------------------------------

TFactTemplate::TFactTemplate(IReasoner* owner, std::string_view name)
    : owner_(owner), slots_(kSlotTableCapacity, kSlotTableLoadFactor) {
  CheckName(name);
  name_.assign(name);
}

TFactTemplate::~TFactTemplate() {
  // Slots may outlive their template (a pattern, a fact layout or a caller
  // may hold them, removed and copied slots included); they must not point
  // to it any more.
  for (TFactSlot* slot : members_) slot->template_ = nullptr;
}

void TFactTemplate::SetName(std::string_view name) {
  if (name == name_) return;
  CheckName(name);
  if (owner_) owner_->RenameFactTemplate(*this, name_, name);
  name_.assign(name);
  hashStale_ = true;
}

void TFactTemplate::SetParent(TRef<IFactTemplate> parent) {
  if (parent.Get() == parent_.Get()) return;
  if (ParentChainReaches(parent.Get(), this)) Raise<EIEException>(IEConsts::STemplateInheritanceLoop, name_);
  parent_ = std::move(parent);
}

void TFactTemplate::SlotsChanged() noexcept {
  layout_ = nullptr;
  hashStale_ = true;
  fuzzyStale_ = true;
  isImplied_ = slots_.Count() == 1 && slots_.Contains(ImpliedSlotName);
}

void TFactTemplate::SlotRenamed(TFactSlot& slot, std::string_view oldName, std::string_view newName) {
  // Entered under the new name first: if that fails nothing has changed.
  slots_.Put(std::string(newName), TRef<IFactSlot>(&slot));
  if (!oldName.empty()) {
    const TRef<IFactSlot>* entered = slots_.Find(oldName);
    if (entered && entered->Get() == &slot) slots_.Remove(oldName);
  }
  SlotsChanged();
}

const TSlotLayout& TFactTemplate::SlotLayout() const {
  if (!layout_) {
    auto layout = MakeRef<TSlotLayout>();
    layout->entries_.reserve(static_cast<std::size_t>(slots_.Count()));
    for (const auto& entry : slots_) layout->entries_.push_back({entry.Key(), entry.Value()});
    std::sort(layout->entries_.begin(), layout->entries_.end(),
              [](const TSlotLayout::TEntry& a, const TSlotLayout::TEntry& b) {
                return TSlotLayout::NameLess(a.name, b.name);
              });
    layout_ = std::move(layout);
  }
  return *layout_;
}

bool TFactTemplate::HasFuzzySlots() const {
  if (fuzzyStale_) {
    hasFuzzySlots_ =
        std::any_of(slots_.begin(), slots_.end(), [](const auto& entry) { return entry.Value()->IsFuzzy(); });
    fuzzyStale_ = false;
  }
  return hasFuzzySlots_;
}

std::uint32_t TFactTemplate::HashCode() const {
  if (hashStale_) {
    std::uint32_t h = 0;
    auto add = [&h](std::string_view text) {
      for (char c : text) h = h * 31u + static_cast<unsigned char>(c);
    };
    add(name_);
    const TSlotLayout& layout = SlotLayout();
    for (std::int32_t i = 0; i < layout.Count(); ++i) {
      add(layout.NameAt(i));
      add(kLineEnd);
    }
    hashCode_ = h;
    hashStale_ = false;
  }
  return hashCode_;
}

bool TFactTemplate::HasSlot(std::string_view name) const noexcept { return !name.empty() && slots_.Contains(name); }

IFactSlot* TFactTemplate::FindSlot(std::string_view name) const noexcept {
  if (name.empty()) return nullptr;
  const TRef<IFactSlot>* slot = slots_.Find(name);
  return slot ? slot->Get() : nullptr;
}

IFactSlot& TFactTemplate::GetSlot(std::string_view name) const {
  IFactSlot* slot = FindSlot(name);
  if (!slot) Raise<EIEException>(IEConsts::SNoSuchSlotName, name);
  return *slot;
}

IFactSlot* TFactTemplate::SlotOfType(const IIEDefinedType* type) const noexcept {
  for (const auto& entry : slots_) {
    if (entry.Value()->ExtendedTypeInfo() == type) return entry.Value().Get();
  }
  return nullptr;
}

void TFactTemplate::AddSlot(std::string_view name, TRef<TIEValue> defaultValue) {
  if (!defaultValue) Raise<EIEException>(IEConsts::SBadSlotType);
  if (defaultValue->DType() == dtList) Raise<EIEException>(IEConsts::SInvalidDefaultSlotValue, defaultValue->AsText());
  CheckSlotName(name);
  if (IFactSlot* existing = FindSlot(name)) {
    if (existing->SlotDefault() && existing->SlotDefault()->DType() == dtList)
      Raise<EIEException>(IEConsts::SMultislotIsNotSlot);
    existing->SetSlotDefault(std::move(defaultValue));
    return;
  }
  auto slot = MakeRef<TFactSlot>(this);
  slot->SetSlotDefault(std::move(defaultValue));
  slot->SetName(name);
}

void TFactTemplate::AddMultiSlot(std::string_view name, TRef<TIEValue> defaultValue) {
  if (!defaultValue) Raise<EIEException>(IEConsts::SBadSlotType);
  if (defaultValue->DType() != dtList) Raise<EIEException>(IEConsts::SInvalidMultislotDefault, defaultValue->AsText());
  CheckSlotName(name);
  if (IFactSlot* existing = FindSlot(name)) {
    if (!existing->SlotDefault() || existing->SlotDefault()->DType() != dtList)
      Raise<EIEException>(IEConsts::SSlotIsNotMultislot);
    existing->SetSlotDefault(std::move(defaultValue));
    return;
  }
  auto slot = MakeRef<TFactSlot>(this);
  slot->slotType_ = DefaultBaseTypes | MultiSlotMarker;
  slot->SetSlotDefault(std::move(defaultValue));
  slot->SetName(name);
}

TRef<IFactSlot> TFactTemplate::AddSlotCopy(const IFactSlot& slot) {
  auto copy = MakeRef<TFactSlot>(this);
  copy->Assign(slot);
  return copy;
}

void TFactTemplate::SetSlot(std::string_view name, TRef<IFactSlot> slot) {
  if (!slot) Raise<EIEException>(IEConsts::SBadSlotType);
  if (slot->Name() != name) Raise<EIEException>(IEConsts::SSlotNameMismatch, name, slot->Name());
  CheckSlotName(name);
  slots_.Put(std::string(name), std::move(slot));
  SlotsChanged();
}

void TFactTemplate::RemoveSlot(std::string_view name) {
  if (!HasSlot(name)) Raise<EIEException>(IEConsts::SNoSuchSlotName, name);
  slots_.Remove(name);
  SlotsChanged();
}

void TFactTemplate::ClearSlots() {
  slots_.Clear();
  SlotsChanged();
}

void TFactTemplate::CopySlotsFrom(const IFactTemplate& source) {
  if (&source == this) return;
  if (!owner_) Raise<EIEException>(IEConsts::SNoReasoner, "copy template slots");
  // Read every slot first: a slot this engine cannot read leaves the template as it was.
  std::vector<TRef<IFactSlot>> parsed;
  for (const auto& slot : source.SlotsInTableOrder()) parsed.push_back(owner_->ParseFactSlot(slot->AsString(), *this));
  TSlotTable saved = slots_;
  auto restore = ScopeExit([&] {
    slots_ = std::move(saved);
    SlotsChanged();
  });
  ClearSlots();
  for (const auto& slot : parsed) AddSlotCopy(*slot);
  restore.release();
}

std::vector<TRef<IFactSlot>> TFactTemplate::SlotsInTableOrder() const {
  std::vector<TRef<IFactSlot>> slots;
  slots.reserve(static_cast<std::size_t>(slots_.Count()));
  for (const auto& entry : slots_) slots.push_back(entry.Value());
  return slots;
}

TRef<IFact> TFactTemplate::CreateFact() {
  auto fact = MakeRef<TFact>(TRef<IFactTemplate>(this));
  InitializeFact(*fact);
  return fact;
}

void TFactTemplate::InitializeFact(IFact& fact) {
  IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  if (factTemplate != this) Raise<EIEException>(IEConsts::SFactTemplatesDifferent, factTemplate->Name(), name_);
  const TSlotLayout& layout = SlotLayout();
  const TRef<TSlotLayout> keep(layout_);
  for (std::int32_t i = 0; i < layout.Count(); ++i) {
    const IFactSlot& slot = layout.SlotAt(i);
    TRef<TIEValue> value;
    if (const TIEValue* defaultValue = slot.SlotDefault()) {
      value = CopySlotValue(*defaultValue);
      if (slot.DefaultDynamic() && owner_) {
        TRef<TIEValue> result = value->Evaluate(owner_->Context());
        // A result that is some other holder's value object is copied, so
        // the fact never shares a value with it.
        if (result != value) value = CopySlotValue(*result);
      }
    }
    fact.SetSlotValueAt(i, std::move(value));
  }
}

std::string TFactTemplate::AsString() const {
  std::string out = "(deftemplate ";
  detail::AppendWord(out, name_);
  if (!comment_.empty()) {
    out += ' ';
    AppendQuoted(out, comment_);
  }
  if (parent_) {
    out += kLineEnd;
    out += kIndent;
    out += "extends ";
    detail::AppendWord(out, parent_->Name());
  }
  if (isImplied_) {
    const IFactSlot* data = FindSlot(ImpliedSlotName);
    if (const IIEDefinedType* type = data ? data->ExtendedTypeInfo() : nullptr) {
      if (type->Implicit()) {
        out += ' ';
        out += data->AsString();
      } else {
        out += " is-a ";
        detail::AppendWord(out, type->Name());
      }
    }
  } else {
    out += kLineEnd;
    for (const auto& entry : slots_) {
      out += kIndent;
      AppendIndented(out, entry.Value()->AsString(), kIndent);
      out += kLineEnd;
    }
  }
  out += ')';
  return out;
}

bool TFactTemplate::Equals(const IFactTemplate* other) const {
  if (other == this) return true;
  if (!other || other->IsImplied() != isImplied_ || other->Name() != name_) return false;
  for (const auto& entry : slots_) {
    const IFactSlot* otherSlot = other->FindSlot(entry.Key());
    if (!otherSlot || !entry.Value()->Equals(otherSlot)) return false;
  }
  return true;
}

void TFactTemplate::Assign(const IFactTemplate& source) {
  if (&source == this) return;
  IFactTemplate* parent = source.Parent();
  if (parent && (parent->Owner() != owner_ || ParentChainReaches(parent, this))) parent = nullptr;
  TSlotTable saved = slots_;
  auto restore = ScopeExit([&] {
    slots_ = std::move(saved);
    SlotsChanged();
  });
  ClearSlots();
  for (const auto& slot : source.SlotsInTableOrder()) AddSlotCopy(*slot);
  SetName(source.Name());
  restore.release();
  backwardChaining_ = source.BackwardChaining();
  comment_ = source.Comment();
  parent_ = TRef<IFactTemplate>(parent);
  isImplied_ = source.IsImplied();
}

TRef<IFactTemplate> TFactTemplate::CloneFor(IReasoner* owner) const {
  auto copy = MakeRef<TFactTemplate>(owner);
  copy->Assign(*this);
  return copy;
}

}  // namespace fxe
