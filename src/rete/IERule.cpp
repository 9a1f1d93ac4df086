// Rules: properties and registration with the engine, the preparation of
// patterns as they are added (bindings, initial pattern, goals), firing, copies
// and the printed rule text.
#include "rete/IERule.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/WordText.h"
#include "model/ConstructText.h"
#include "model/IEFactTemplate.h"
#include "rete/IEToken.h"

namespace fxe {

using detail::AppendIndented;
using detail::AppendQuoted;
using detail::kIndent;
using detail::kLineEnd;

namespace {

// Characters a rule name cannot contain: the lexer would cut the name there.
constexpr std::string_view kForbiddenNameCharacters = " '\"#()[]?:$&;<>";

bool IsGoalPattern(const TIEPattern& pattern) noexcept { return pattern.Name().starts_with(GoalPatternPrefix); }

bool IsNumber(const TIEValue& value) noexcept { return value.DType() == dtInteger || value.DType() == dtFloat; }

}  // namespace

TRule::TRule(IReasoner* engine) : salienceExpression_(NewInteger(0)), engine_(engine) {
  if (engine_) {
    engine_->AddDestroyWatcher(*this);
    ruleNumber_ = engine_->NextRuleNumber();
  }
  name_ = std::string(DefaultRulePrefix) + std::to_string(ruleNumber_);
  nameValue_ = NewString(name_);
}

TRule::~TRule() {
  if (engine_) engine_->RemoveDestroyWatcher(*this);
}

// --- Properties --------------------------------------------------------------------------------

void TRule::SetRuleName(std::string_view name) {
  if (name == name_) return;
  if (const std::size_t at = name.find_first_of(kForbiddenNameCharacters); at != std::string_view::npos)
    Raise<EIEException>(IEConsts::SInvalidNameCharacter, name, name.substr(at, 1));
  if (IsRegistered()) engine_->RenameRule(name_, name);
  name_.assign(name);
  nameValue_ = NewString(name_);
}

void TRule::SetSalience(std::int32_t salience) {
  if (salience == salience_) return;
  salience_ = salience;
  salienceExpression_ = NewInteger(salience);
  Changed();
}

void TRule::SetSalienceExpression(TRef<TIEValue> expression) {
  if (!expression) expression = NewInteger(0);
  const bool sameExpression = expression->Equals(salienceExpression_.Get());
  const std::int32_t before = salience_;
  salienceExpression_ = std::move(expression);
  EvaluateSalience();
  if (!sameExpression || salience_ != before) Changed();
}

std::int32_t TRule::EvaluateSalience() {
  if (IsNumber(*salienceExpression_)) {
    salience_ = salienceExpression_->AsInteger();
  } else if (engine_) {
    const std::unique_ptr<TIEContext> context = engine_->EngineContext().CreateChild();
    salience_ = salienceExpression_->Evaluate(context.get())->AsInteger();
  }
  return salience_;
}

void TRule::SetOneShot(bool oneShot) {
  if (oneShot == oneShot_) return;
  oneShot_ = oneShot;
  Changed();
}

void TRule::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TRule::SetComment(std::string_view comment) {
  if (comment == comment_) return;
  comment_.assign(comment);
  Changed();
}

void TRule::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  // The engine's rules own a registered rule; it cannot leave them on its own.
  if (IsRegistered()) Raise<EIEException>(IEConsts::SRuleRegistered, name_);
  if (engine_) engine_->RemoveDestroyWatcher(*this);
  engine_ = engine;
  if (engine_) {
    engine_->AddDestroyWatcher(*this);
    ruleNumber_ = engine_->NextRuleNumber();
  }
}

void TRule::ReasonerDestroyed(IReasoner& reasoner) {
  if (&reasoner == engine_) engine_ = nullptr;
}

bool TRule::IsRegistered() const { return engine_ && engine_->FindRule(name_) == this; }

// --- Updates --------------------------------------------------------------------------------------

void TRule::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TRule::Changed() {
  layout_.valid = false;
  if (updateCount_ > 0) return;
  if (IsRegistered()) engine_->RuleChanged(*this);
  if (onChange_) onChange_(*this);
}

void TRule::PatternChanged(TIEPattern&) { Changed(); }

// --- Patterns -----------------------------------------------------------------------------------------

TIEPattern& TRule::Pattern(std::int32_t index) const {
  CheckIndex<EIEException>(index, PatternCount());
  return *patterns_[static_cast<std::size_t>(index)];
}

std::int32_t TRule::PositionOf(const TIEPattern& pattern) const {
  auto it = std::find_if(patterns_.begin(), patterns_.end(), [&](const auto& p) { return p.get() == &pattern; });
  return it == patterns_.end() ? -1 : static_cast<std::int32_t>(it - patterns_.begin());
}

TIEPattern& TRule::AddPattern(std::unique_ptr<TIEPattern> pattern) {
  if (!pattern) Raise<EIEException>(IEConsts::SArgumentIsNull);
  if (!engine_) Raise<EIEException>(IEConsts::SUnknownEngine);
  TIEPattern& added = *pattern;
  const std::size_t patternsBefore = patterns_.size();
  const std::size_t bindingsBefore = bindings_.size();
  BeginUpdate();
  // On failure take back what this call added; the rule is as it was, so
  // there is no change to report.
  auto rollback = ScopeExit([&] {
    patterns_.erase(patterns_.begin() + static_cast<std::ptrdiff_t>(patternsBefore), patterns_.end());
    bindings_.erase(bindings_.begin() + static_cast<std::ptrdiff_t>(bindingsBefore), bindings_.end());
    --updateCount_;
  });
  InsertPattern(patterns_.size(), std::move(pattern));
  rollback.release();
  EndUpdate();
  return added;
}

void TRule::InsertPattern(std::size_t index, std::unique_ptr<TIEPattern> pattern) {
  patterns_.insert(patterns_.begin() + static_cast<std::ptrdiff_t>(index), std::move(pattern));
  PreparePattern(index);
}

void TRule::PreparePattern(std::size_t position) {
  TIEPattern& pattern = *patterns_[position];
  pattern.SetOwner(this);

  // A rule cannot begin with a pattern that matches by the absence of facts
  // (or by a test, or by a goal): the initial fact opens it.
  if (patterns_.size() == 1) {
    const IFactTemplate* factTemplate = pattern.FactTemplate();
    if (pattern.NegatedCount() >= 1 || pattern.IsTest() || (factTemplate && factTemplate->BackwardChaining())) {
      if (const TIEPattern* initial = engine_->InitialPattern()) {
        InsertPattern(0, initial->CopyForEngine(engine_));
        ++position;
      }
    }
  }
  const auto p = static_cast<std::int32_t>(position);

  const bool goal = IsGoalPattern(pattern);
  if (goal && pattern.BoundName().empty()) pattern.SetBoundName(engine_->Gensym(GoalBindingPrefix));
  if (!pattern.BoundName().empty()) AddBinding(pattern.BoundName(), p, -1, PatternSlotName);

  // Bind each variable where it is first used. An anonymous variable of a
  // negated pattern gets a name of its own pattern, so that it binds nothing
  // the actions or later patterns could see.
  TRenames renames;
  for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
    const std::string& slotName = pattern.SlotName(s);
    for (const auto& test : pattern.SlotTests(s)) {
      const TIEValue* value = test->SlotValue();
      if (!IsVariableValue(value)) continue;
      std::string name(value->Text());
      if (FindBinding(name)) continue;
      if (pattern.IsNegated() && name.starts_with(AnonymousVariablePrefix)) {
        std::string renamed = "_" + std::to_string(PatternCount()) + "_" + name;
        const TRef<TIEValue> variable = MakeRef<TIEValue>(renamed, value->DType());
        test->SetSlotValue(variable.Get());
        AddBinding(renamed, p, test->MultiSlotSubIndex(), slotName);
        renames.emplace(std::move(name), std::move(renamed));
      } else if (test->SlotTestType() == sttNotEquals) {
        Raise<EIEException>(IEConsts::SFirstUseNegated, name);
      } else {
        AddBinding(name, p, test->MultiSlotSubIndex(), slotName);
      }
    }
  }
  if (!renames.empty()) {
    for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
      for (const auto& test : pattern.SlotTests(s)) {
        const TIEValue* value = test->SlotValue();
        if (!value || value->DType() != dtFunCall) continue;
        TRef<IFunCall> call = value->AsFunCall();
        if (!call) continue;
        const IFunCall* before = call.Get();
        RenameVariables(call, renames);
        if (call.Get() != before) test->SetSlotValue(MakeRef<TIEValue>(std::move(call)).Get());
      }
    }
  }

  pattern.CompileDisjunctions();

  // A goal stands for facts of its target that are missing: the negated
  // target pattern behind it.
  if (goal) {
    const std::string target = pattern.Name().substr(GoalPatternPrefix.size());
    auto negated = std::make_unique<TIEPattern>(nullptr, 1, engine_->GetImpliedTemplate(target), target);
    for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
      const std::string& slotName = pattern.SlotName(s);
      for (const auto& test : pattern.SlotTests(s)) {
        negated->AddTest(slotName, test->SlotValue(), test->SlotTestType() == sttNotEquals, test->MultiSlotSubIndex(),
                         test->Conjunction());
      }
      if (const std::int32_t slot = negated->IndexOfSlot(slotName); slot >= 0)
        negated->SetRequiredLength(slot, pattern.RequiredLength(s));
    }
    InsertPattern(patterns_.size(), std::move(negated));
  }
}

void TRule::ClearPatterns() {
  patterns_.clear();
  bindings_.clear();
  Changed();
}

void TRule::SetPatterns(std::span<const std::unique_ptr<TIEPattern>> patterns) {
  if (patterns.data() == patterns_.data()) return;
  // Copies are made first, from the source as it is, then added in place
  // of the old patterns; a failure puts the old ones back.
  std::vector<std::unique_ptr<TIEPattern>> copies;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (i > 0 && IsGoalPattern(*patterns[i - 1])) continue;
    copies.push_back(patterns[i]->CopyForEngine(engine_));
  }
  TPatternList oldPatterns = std::move(patterns_);
  std::deque<TBindingEntry> oldBindings = std::move(bindings_);
  patterns_.clear();
  bindings_.clear();
  BeginUpdate();
  auto rollback = ScopeExit([&] {
    patterns_ = std::move(oldPatterns);
    bindings_ = std::move(oldBindings);
    --updateCount_;
  });
  for (auto& copy : copies) AddPattern(std::move(copy));
  rollback.release();
  EndUpdate();
}

// --- Actions -----------------------------------------------------------------------------------------------

IFunCall& TRule::Action(std::int32_t index) const {
  CheckIndex<EIEException>(index, ActionCount());
  return *actions_[static_cast<std::size_t>(index)];
}

void TRule::AddAction(TRef<IFunCall> action) {
  if (!action) Raise<EIEException>(IEConsts::SArgumentIsNull);
  actions_.push_back(std::move(action));
  Changed();
}

void TRule::ClearActions() {
  actions_.clear();
  Changed();
}

void TRule::SetActions(std::span<const TRef<IFunCall>> actions) {
  if (actions.data() == actions_.data()) return;
  TActionList copies;
  copies.reserve(actions.size());
  for (const auto& action : actions) {
    if (action) copies.push_back(action->Clone());
  }
  actions_ = std::move(copies);
  Changed();
}

void TRule::RenameVariables(TRef<IFunCall>& call, const TRenames& renames) {
  if (!call || renames.empty()) return;
  if (TRef<IFunCall> renamed = RenamedCall(*call, renames)) call = std::move(renamed);
}

// --- Bindings -------------------------------------------------------------------------------------------------

TBinding& TRule::AddBinding(std::string_view name, std::int32_t patternPosition, std::int32_t subIndex,
                            std::string_view slotName) {
  for (auto& entry : bindings_) {
    const TBinding& binding = entry.binding;
    if (binding.Name() == name && binding.FactIndex() == patternPosition && binding.SubIndex() == subIndex &&
        binding.SlotIndex() == slotName)
      return entry.binding;
  }
  layout_.valid = false;
  const auto kind = slotName == LocalSlotName     ? TBindingEntry::EKind::Local
                    : slotName == PatternSlotName ? TBindingEntry::EKind::Fact
                                                  : TBindingEntry::EKind::Slot;
  bindings_.push_back(
      TBindingEntry{TBinding(name, patternPosition, slotName, subIndex), TSlotAccessor(slotName), kind, nullptr});
  return bindings_.back().binding;
}

void TRule::BindGeneratedVariable(TIEPattern& pattern, std::string_view name, std::string_view slotName,
                                  std::int32_t subIndex) {
  if (const std::int32_t position = PositionOf(pattern); position >= 0) AddBinding(name, position, subIndex, slotName);
}

bool TRule::BindsVariableAt(const TIEPattern& pattern, std::string_view name, std::string_view slotName,
                            std::int32_t subIndex) const {
  const TBinding* binding = FindBinding(name);
  return !binding || (binding->FactIndex() == PositionOf(pattern) && binding->SlotIndex() == slotName &&
                      binding->SubIndex() == subIndex);
}

TBinding* TRule::FindBinding(std::string_view name) const noexcept {
  const std::int32_t index = BindingIndex(name);
  return index < 0 ? nullptr : const_cast<TBinding*>(&bindings_[static_cast<std::size_t>(index)].binding);
}

std::int32_t TRule::BindingIndex(std::string_view name) const noexcept {
  for (std::size_t i = 0; i < bindings_.size(); ++i) {
    if (bindings_[i].binding.Name() == name) return static_cast<std::int32_t>(i);
  }
  return -1;
}

TBinding& TRule::Binding(std::int32_t index) const {
  CheckIndex<EIEException>(index, BindingCount());
  return const_cast<TBinding&>(bindings_[static_cast<std::size_t>(index)].binding);
}

// --- Firing ---------------------------------------------------------------------------------------------------------

void TRule::BindToken(const IReteToken& token, TIEContext& context) {
  const IFact* negation = engine_ ? engine_->NegationFact() : nullptr;
  for (auto& entry : bindings_) {
    if (entry.kind == TBindingEntry::EKind::Local) continue;
    TBinding& binding = entry.binding;
    IFact* fact = token.FactAt(binding.FactIndex());
    if (!fact || fact == negation) continue;
    TRef<TIEValue> value;
    if (entry.kind == TBindingEntry::EKind::Fact) {
      value = MakeRef<TIEValue>(fact->ID(), dtFactId);
    } else {
      TIEValue* slotValue = entry.slot.ValueOf(*fact, binding.SubIndex());
      if (!slotValue) continue;
      value = TRef<TIEValue>(slotValue);
    }
    binding.SetValue(value);
    context.AddLocal(binding.Name(), std::move(value));
  }
  context.AddLocal(RuleVariableName, nameValue_);
}

// The context a rule's actions run in. The pattern variables live in the
// frame, by slot; the actions' own variables are found by identity, others by
// name, and a function asking for a variable's binding by name gets one made
// in this context's table, which the frame then reads.
class TFiringContext final : public TIEContext {
 public:
  TFiringContext(TIEContext& parent, const TRule::TFrameLayout& layout, std::vector<TRule::TFrameSlot>& frame,
                 const IReteToken& token) noexcept
      : TIEContext(&parent, parent.Engine()), layout_(layout), frame_(frame), token_(&token) {}

  IReteToken* CurrentToken() const override { return const_cast<IReteToken*>(token_); }
  IFact* CurrentFact() const override { return nullptr; }

  TIEValue* FindVariable(const TIEValue& variable) const override {
    if (const std::int32_t* slot = layout_.actionVariables.Find(Key(variable))) {
      const TRule::TFrameSlot& entry = frame_[static_cast<std::size_t>(*slot)];
      if (entry.bound) return ValueOf(entry);
    }
    return FindVariableValue(variable.Text());
  }

  TIEValue* FindVariableValue(std::string_view name) const override {
    if (const TRule::TFrameSlot* entry = Bound(name)) return ValueOf(*entry);
    return TIEContext::FindVariableValue(name);
  }

  void SetVariable(std::string_view name, TRef<TIEValue> value) override {
    if (TRule::TFrameSlot* entry = Bound(name)) return Store(*entry, std::move(value));
    TIEContext::SetVariable(name, std::move(value));
  }

  void DeclareVariable(std::string_view name, TRef<TIEValue> value) override {
    if (TRule::TFrameSlot* entry = Bound(name)) return Store(*entry, std::move(value));
    TIEContext::DeclareVariable(name, std::move(value));
  }

  void AddLocal(std::string_view name, TRef<TIEValue> value) override {
    const std::int32_t slot = layout_.IndexOfName(name);
    if (slot < 0) return TIEContext::AddLocal(name, std::move(value));
    TRule::TFrameSlot& entry = frame_[static_cast<std::size_t>(slot)];
    Store(entry, std::move(value));
    entry.bound = true;
  }

  static std::uint64_t Key(const TIEValue& variable) noexcept {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&variable));
  }

 protected:
  TBinding* OwnBinding(std::string_view name) const override {
    TRule::TFrameSlot* entry = Bound(name);
    if (!entry) return Bindings().Find(name);
    if (!entry->binding) {
      auto& self = const_cast<TFiringContext&>(*this);
      TBinding& made = self.Bindings().Put(TBinding(name, entry->value));
      entry->binding = &made;
      entry->value = nullptr;
    }
    return entry->binding;
  }

  void BindingsChanged(TBinding* binding, TBindingChange change) override {
    TIEContext::BindingsChanged(binding, change);
    for (TRule::TFrameSlot& entry : frame_) {
      if (change == TBindingChange::Cleared || (change == TBindingChange::Removed && entry.binding == binding)) {
        entry.binding = nullptr;
        entry.value = nullptr;
        entry.bound = false;
      }
    }
  }

 private:
  static TIEValue* ValueOf(const TRule::TFrameSlot& entry) noexcept {
    return entry.binding ? entry.binding->Value() : entry.value.Get();
  }
  static void Store(TRule::TFrameSlot& entry, TRef<TIEValue> value) {
    if (entry.binding) {
      entry.binding->SetValue(std::move(value));
    } else {
      entry.value = std::move(value);
    }
  }
  TRule::TFrameSlot* Bound(std::string_view name) const noexcept {
    const std::int32_t slot = layout_.IndexOfName(name);
    if (slot < 0) return nullptr;
    TRule::TFrameSlot& entry = frame_[static_cast<std::size_t>(slot)];
    return entry.bound ? &entry : nullptr;
  }

  const TRule::TFrameLayout& layout_;
  std::vector<TRule::TFrameSlot>& frame_;
  const IReteToken* token_;
};

std::int32_t TRule::TFrameLayout::IndexOfName(std::string_view name) const noexcept {
  // Globals are never pattern variables.
  if (!name.empty() && name.front() == '*') return -1;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<std::int32_t>(i);
  }
  return -1;
}

void TRule::BuildFrameLayout(TFrameLayout& layout) const {
  layout.names.clear();
  layout.bindingSlots.clear();
  layout.actionVariables.Clear();
  layout.pinned.clear();
  auto slotOf = [&layout](std::string_view name) {
    std::int32_t slot = layout.IndexOfName(name);
    if (slot < 0) {
      slot = static_cast<std::int32_t>(layout.names.size());
      layout.names.emplace_back(name);
    }
    return slot;
  };
  for (const TBindingEntry& entry : bindings_) {
    layout.bindingSlots.push_back(entry.kind == TBindingEntry::EKind::Local ? -1 : slotOf(entry.binding.Name()));
  }
  layout.ruleSlot = slotOf(RuleVariableName);
  // Every variable value the actions evaluate, at any depth.
  std::vector<const TIEValue*> pending;
  for (const auto& action : actions_) {
    for (const auto& argument : action->Arguments()) {
      if (argument) pending.push_back(argument.Get());
    }
  }
  while (!pending.empty()) {
    const TIEValue* value = pending.back();
    pending.pop_back();
    if (IsVariableValue(value)) {
      if (const std::int32_t slot = layout.IndexOfName(value->Text()); slot >= 0) {
        layout.actionVariables[TFiringContext::Key(*value)] = slot;
        layout.pinned.emplace_back(const_cast<TIEValue*>(value));
      }
    } else if (const IFunCall* call = value->FunCallPtr()) {
      for (const auto& argument : call->Arguments()) {
        if (argument) pending.push_back(argument.Get());
      }
    } else if (const TValueVector* list = value->ListPtr()) {
      for (const auto& item : *list) {
        if (item) pending.push_back(item.Get());
      }
    }
  }
  layout.valid = true;
}

void TRule::BindFrame(const IReteToken& token, const TFrameLayout& layout, std::vector<TFrameSlot>& frame) {
  frame.resize(layout.names.size());
  // The token's facts by position, walking the chain once.
  IFact* small[16];
  std::vector<IFact*> large;
  IFact** facts = small;
  const std::int32_t count = token.FactCount();
  if (count > 16) {
    large.resize(static_cast<std::size_t>(count));
    facts = large.data();
  }
  if (const auto* chain = dynamic_cast<const TIEToken*>(&token)) {
    std::int32_t i = count;
    for (const TIEToken* link = chain; link && i > 0; link = link->Parent()) facts[--i] = link->Fact();
  } else {
    for (std::int32_t i = 0; i < count; ++i) facts[i] = token.FactAt(i);
  }
  const IFact* negation = engine_->NegationFact();
  std::size_t index = 0;
  for (TBindingEntry& entry : bindings_) {
    const std::int32_t slot = index < layout.bindingSlots.size() ? layout.bindingSlots[index] : -1;
    ++index;
    if (slot < 0) continue;
    const std::int32_t position = entry.binding.FactIndex();
    IFact* fact = position >= 0 && position < count ? facts[position] : nullptr;
    if (!fact || fact == negation) continue;
    TFrameSlot& target = frame[static_cast<std::size_t>(slot)];
    if (entry.kind == TBindingEntry::EKind::Fact) {
      // The previous firing's value is reused when nothing kept it.
      if (entry.factAddress && entry.factAddress->RefCount() == 1 && !entry.factAddress->IsShared()) {
        entry.factAddress->SetAsFactId(fact->ID());
      } else {
        entry.factAddress = MakeRef<TIEValue>(fact->ID(), dtFactId);
      }
      target.value = entry.factAddress;
    } else {
      TIEValue* value = entry.slot.ValueOf(*fact, entry.binding.SubIndex());
      if (!value) continue;
      target.value = TRef<TIEValue>(value);
    }
    target.bound = true;
  }
  TFrameSlot& rule = frame[static_cast<std::size_t>(layout.ruleSlot)];
  rule.value = nameValue_;
  rule.bound = true;
}

void TRule::Fire(const IReteToken& token) {
  if (!engine_) Raise<EIEException>(IEConsts::SUnknownEngine);
  // A firing inside a firing of this rule (an action ran the engine) uses a
  // frame and, when the rule changed meanwhile, a layout of its own.
  const bool nested = frameBusy_;
  std::unique_ptr<TFrameLayout> ownLayout;
  const TFrameLayout* layout = &layout_;
  if (!layout_.valid) {
    if (nested) {
      ownLayout = std::make_unique<TFrameLayout>();
      BuildFrameLayout(*ownLayout);
      layout = ownLayout.get();
    } else {
      BuildFrameLayout(layout_);
    }
  }
  std::vector<TFrameSlot> ownFrame;
  std::vector<TFrameSlot>& frame = nested ? ownFrame : frame_;
  frameBusy_ = true;
  auto release = ScopeExit([&] {
    for (TFrameSlot& slot : frame) slot = TFrameSlot();
    if (!nested) frameBusy_ = false;
  });
  BindFrame(token, *layout, frame);
  TFiringContext context(engine_->EngineContext(), *layout, frame, token);
  fired_ = true;
  if (onFire_) onFire_(*this, context);
  // By position, holding each action while it runs: an action may change the
  // rule's own actions.
  for (std::size_t i = 0; i < actions_.size() && !context.ReturnFlag(); ++i) {
    const TRef<IFunCall> action = actions_[i];
    action->Evaluate(&context);
  }
  context.ClearReturn();
}

// --- Copies ------------------------------------------------------------------------------------------------------------

void TRule::Assign(const TRule& source) {
  if (&source == this) return;
  if (source.engine_ != engine_) {
    if (!engine_) Raise<EIEException>(IEConsts::SUnknownEngine);
    const std::unique_ptr<TRule> parsed = engine_->ParseRule(source.AsString());
    if (!parsed || parsed->engine_ != engine_) Raise<EIEException>(IEConsts::SUnknownEngine);
    Assign(*parsed);
    return;
  }
  TUpdateScope update(*this);
  SetRuleName(source.name_);
  enabled_ = source.enabled_;
  comment_ = source.comment_;
  oneShot_ = source.oneShot_;
  SetPatterns(source.patterns_);
  SetActions(source.actions_);
  salience_ = source.salience_;
  SetSalienceExpression(source.salienceExpression_->Clone());
}

// --- Text ---------------------------------------------------------------------------------------------------------------

std::string TRule::AsString() const {
  std::string text = "(defrule ";
  detail::AppendWord(text, name_);
  if (!comment_.empty()) {
    text += kLineEnd;
    text += kIndent;
    AppendQuoted(text, comment_);
  }
  text += kLineEnd;
  // A salience that is an expression (a global, a call) prints as written,
  // so that the text read back keeps it.
  const bool salienceExpression = !IsNumber(*salienceExpression_);
  if (salience_ != 0 || salienceExpression || oneShot_ || !enabled_) {
    text += kIndent;
    text += "(declare";
    if (salienceExpression) {
      text += " (salience ";
      salienceExpression_->AppendText(text);
      text += ')';
    } else if (salience_ != 0) {
      text += " (salience " + std::to_string(salience_) + ")";
    }
    if (!enabled_) text += " (enabled FALSE)";
    if (oneShot_) text += " (oneshot TRUE)";
    text += ')';
    text += kLineEnd;
  }
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    // The negated target behind a goal is made again when the text is read.
    if (i > 0 && IsGoalPattern(*patterns_[i - 1])) continue;
    text += kIndent;
    AppendIndented(text, patterns_[i]->AsString(), kIndent);
    text += kLineEnd;
  }
  text += kIndent;
  text += "=>";
  text += kLineEnd;
  for (const auto& action : actions_) {
    text += kIndent;
    AppendIndented(text, action->AsString(), kIndent);
    text += kLineEnd;
  }
  text += ')';
  return text;
}

}  // namespace fxe
