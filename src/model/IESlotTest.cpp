// Slot tests, join tests, pattern tests and patterns: evaluation, the
// slot-test table, the rewriting of "or" connectives into predicate calls,
// copies and the printed pattern text.
#include "model/IESlotTest.h"

#include <algorithm>
#include <typeinfo>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/WordText.h"
#include "model/ConstructText.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IReasoner.h"

namespace fxe {

using detail::kLineEnd;

namespace {

// Strict equality of two values that may be absent.
bool SameValue(const TIEValue* a, const TIEValue* b) {
  if (!a || !b) return a == b;
  return a->Equals(b);
}

// text without the blanks, tabs and line ends around it.
std::string_view TrimWhiteSpace(std::string_view text) noexcept {
  constexpr std::string_view blanks = " \t\r\n\f\v";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Comment lines as constructs print them: trimmed, "; " in front of a line
// that is not empty and not already a comment, each ending the line.
void AppendCommentLines(std::string& out, std::string_view comment) {
  std::size_t start = 0;
  while (start <= comment.size()) {
    std::size_t end = comment.find('\n', start);
    if (end == std::string_view::npos) end = comment.size();
    const std::string_view line = TrimWhiteSpace(comment.substr(start, end - start));
    if (!line.empty() && line.front() != ';') out += "; ";
    out += line;
    out += kLineEnd;
    start = end + 1;
  }
}

std::string_view JoinTestTypeName(TJoinTestType type) noexcept {
  return type == tstMultiSlot ? "tstMultiSlot" : "tstSlot";
}

TRef<IFunCall> NewCall(IReasoner* engine, std::string_view name) { return MakeRef<TFunctionCall>(engine, name); }

TRef<TIEValue> CallValue(TRef<IFunCall> call) { return MakeRef<TIEValue>(std::move(call)); }

// Gives a variable value a new name, keeping its kind.
void RenameVariable(TIEValue& variable, std::string_view name) {
  if (variable.DType() == dtMultiVariable) {
    variable.SetAsMultiVariable(name);
  } else {
    variable.SetAsVariable(name);
  }
}

}  // namespace

TRef<IFunCall> RenamedCall(const IFunCall& call, const TVariableRenames& renames) {
  TRef<IFunCall> copy;
  const auto arguments = call.Arguments();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const TIEValue* argument = arguments[i].Get();
    if (!argument) continue;
    if (IsVariableValue(argument)) {
      auto it = renames.find(argument->Text());
      if (it == renames.end()) continue;
      if (!copy) copy = call.Clone();
      RenameVariable(*copy->Argument(static_cast<std::int32_t>(i)), it->second);
    } else if (const IFunCall* inner = argument->FunCallPtr()) {
      TRef<IFunCall> renamed = RenamedCall(*inner, renames);
      if (!renamed) continue;
      if (!copy) copy = call.Clone();
      copy->Argument(static_cast<std::int32_t>(i))->SetAsFunCall(std::move(renamed));
    }
  }
  return copy;
}

// --- TSlotAccessor ------------------------------------------------------------------------

void TSlotAccessor::SetName(std::string_view name) {
  if (name == name_) return;
  name_.assign(name);
  layout_ = nullptr;
  index_ = -1;
}

std::int32_t TSlotAccessor::IndexIn(IFact& fact) const {
  IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) return -1;
  const TSlotLayout& layout = factTemplate->SlotLayout();
  if (layout_.Get() != &layout) {
    index_ = layout.IndexOf(name_);
    layout_ = TRef<const TSlotLayout>(&layout);
  }
  return index_;
}

TIEValue* TSlotAccessor::Stored(IFact& fact) const noexcept {
  // A fact whose values are laid out as the accessor last saw: read in place.
  if (index_ < 0 || typeid(fact) != typeid(TFact)) return nullptr;
  return static_cast<const TFact&>(fact).StoredValueIn(layout_.Get(), index_);
}

TIEValue& TSlotAccessor::ValueOf(IFact& fact) const {
  if (TIEValue* stored = Stored(fact)) return *stored;
  const std::int32_t index = IndexIn(fact);
  if (index < 0) Raise<EIEException>(IEConsts::SNoSuchSlotName, name_);
  return fact.SlotValueAt(index);
}

TIEValue* TSlotAccessor::TryValueOf(IFact& fact, std::int32_t subIndex) const {
  TIEValue* value = Stored(fact);
  if (!value) {
    const std::int32_t index = IndexIn(fact);
    if (index < 0) return nullptr;
    value = &fact.SlotValueAt(index);
  }
  if (subIndex < 0) return value;
  const TValueVector* list = value->ListPtr();
  if (!list || subIndex >= list->Count()) return nullptr;
  return list->Item(subIndex).Get();
}

TIEValue* TSlotAccessor::ValueOf(IFact& fact, std::int32_t subIndex) const {
  TIEValue& value = ValueOf(fact);
  if (subIndex < 0) return &value;
  const TValueVector* list = value.ListPtr();
  if (!list || subIndex >= list->Count()) return nullptr;
  return list->Item(subIndex).Get();
}

// --- TIESlotTest ------------------------------------------------------------------------------

std::unique_ptr<TIESlotTest> TIESlotTest::Clone() const { return std::unique_ptr<TIESlotTest>(new TIESlotTest(*this)); }

bool TIESlotTest::Equals(const TIESlotTest& other) const {
  return typeid(*this) == typeid(other) && slotTestType_ == other.slotTestType_;
}

std::string TIESlotTest::AsString() const { return slotTestType_ == sttEquals ? "=" : "<>"; }

void TIESlotTest::Assign(const TIESlotTest& source) { slotTestType_ = source.slotTestType_; }

// --- TIEJoinTest --------------------------------------------------------------------------------

TIEJoinTest::TIEJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::string_view rightSlot,
                         std::string_view leftSlot)
    : TIESlotTest(type), left_(leftSlot), right_(rightSlot), tokenIndex_(tokenIndex) {}

TIEJoinTest::TIEJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::int32_t rightSubIndex,
                         std::string_view rightSlot, std::int32_t leftSubIndex, std::string_view leftSlot)
    : TIESlotTest(type),
      left_(leftSlot),
      right_(rightSlot),
      tokenIndex_(tokenIndex),
      leftSubIndex_(leftSubIndex),
      rightSubIndex_(rightSubIndex),
      joinTestType_(tstMultiSlot) {}

bool TIEJoinTest::Evaluate(const IIEContext& context) const {
  return Evaluate(context.CurrentFact(), context.CurrentToken());
}

bool TIEJoinTest::Evaluate(IFact* fact, const IReteToken* token) const {
  IFact* left = token ? token->FactAt(tokenIndex_) : nullptr;
  bool same;
  if (joinTestType_ == tstMultiSlot) {
    if (!left) return true;
    same = SameValue(left_.ValueOf(*left, leftSubIndex_), fact ? right_.ValueOf(*fact, rightSubIndex_) : nullptr);
  } else {
    same = SameValue(left ? &left_.ValueOf(*left) : nullptr, fact ? &right_.ValueOf(*fact) : nullptr);
  }
  return SlotTestType() == sttEquals ? same : !same;
}

std::unique_ptr<TIESlotTest> TIEJoinTest::Clone() const { return std::unique_ptr<TIESlotTest>(new TIEJoinTest(*this)); }

bool TIEJoinTest::Equals(const TIESlotTest& other) const {
  if (!TIESlotTest::Equals(other)) return false;
  const auto& test = static_cast<const TIEJoinTest&>(other);
  return joinTestType_ == test.joinTestType_ && tokenIndex_ == test.tokenIndex_ &&
         leftSubIndex_ == test.leftSubIndex_ && rightSubIndex_ == test.rightSubIndex_ &&
         LeftIndex() == test.LeftIndex() && RightIndex() == test.RightIndex();
}

std::string TIEJoinTest::AsString() const {
  std::string text = TIESlotTest::AsString();
  text += ' ';
  text += JoinTestTypeName(joinTestType_);
  text += " TokenIdx: " + std::to_string(tokenIndex_);
  text += " Left: " + LeftIndex();
  if (joinTestType_ == tstMultiSlot) text += ' ' + std::to_string(leftSubIndex_);
  text += " Right: " + RightIndex();
  if (joinTestType_ == tstMultiSlot) text += ' ' + std::to_string(rightSubIndex_);
  return text;
}

void TIEJoinTest::Assign(const TIESlotTest& source) {
  TIESlotTest::Assign(source);
  if (const auto* test = dynamic_cast<const TIEJoinTest*>(&source)) {
    left_.SetName(test->LeftIndex());
    right_.SetName(test->RightIndex());
    tokenIndex_ = test->tokenIndex_;
    leftSubIndex_ = test->leftSubIndex_;
    rightSubIndex_ = test->rightSubIndex_;
    joinTestType_ = test->joinTestType_;
  }
}

// --- TIEPatternMatchTest --------------------------------------------------------------------------

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* owner, TSlotTestType type, const TIEValue* value,
                                         std::int32_t subIndex)
    : TIESlotTest(type), slotValue_(value ? value->Clone() : nullptr), owner_(owner), subIndex_(subIndex) {}

TIEPatternMatchTest::TIEPatternMatchTest(const TIEPatternMatchTest& source)
    : TIESlotTest(source),
      slotValue_(source.slotValue_ ? source.slotValue_->Clone() : nullptr),
      owner_(nullptr),
      subIndex_(source.subIndex_),
      conjunction_(source.conjunction_) {}

void TIEPatternMatchTest::SetSlotValue(const TIEValue* value) {
  if (SameValue(value, slotValue_.Get())) return;
  slotValue_ = value ? value->Clone() : nullptr;
  if (owner_) owner_->TestChanged();
}

void TIEPatternMatchTest::SetMultiSlotSubIndex(std::int32_t index) {
  if (index == subIndex_) return;
  subIndex_ = index;
  if (owner_) owner_->TestChanged();
}

void TIEPatternMatchTest::SetConjunction(bool conjunction) {
  if (conjunction == conjunction_) return;
  conjunction_ = conjunction;
  if (owner_) owner_->ConjunctionChanged(conjunction);
}

bool TIEPatternMatchTest::Evaluate(IIEContext* context) const {
  bool isFalse = false;
  if (slotValue_) isFalse = slotValue_->Evaluate(context).Get() == SharedValues().False.Get();
  return SlotTestType() == sttEquals ? !isFalse : isFalse;
}

std::unique_ptr<TIESlotTest> TIEPatternMatchTest::Clone() const {
  return std::unique_ptr<TIESlotTest>(new TIEPatternMatchTest(*this));
}

bool TIEPatternMatchTest::Equals(const TIESlotTest& other) const {
  if (!TIESlotTest::Equals(other)) return false;
  const auto& test = static_cast<const TIEPatternMatchTest&>(other);
  return subIndex_ == test.subIndex_ && conjunction_ == test.conjunction_ &&
         SameValue(slotValue_.Get(), test.slotValue_.Get());
}

std::string TIEPatternMatchTest::AsString() const {
  std::string text = TIESlotTest::AsString();
  text += " SubIdx: " + std::to_string(subIndex_);
  if (slotValue_) text += " Slot: " + slotValue_->AsText();
  return text;
}

void TIEPatternMatchTest::Assign(const TIESlotTest& source) {
  TIESlotTest::Assign(source);
  if (const auto* test = dynamic_cast<const TIEPatternMatchTest*>(&source)) {
    slotValue_ = test->slotValue_ ? test->slotValue_->Clone() : nullptr;
    subIndex_ = test->subIndex_;
    conjunction_ = test->conjunction_;
  }
}

// --- TIEPattern ------------------------------------------------------------------------------------

TIEPattern::TIEPattern(IPatternOwner* owner, std::int32_t negatedCount, TRef<IFactTemplate> factTemplate,
                       std::string_view name)
    : template_(std::move(factTemplate)), owner_(owner), negatedCount_(std::max(negatedCount, 0)) {
  if (!name.empty()) {
    name_.assign(name);
  } else if (template_) {
    name_ = template_->Name();
  }
  ResetSlots();
}

std::unique_ptr<TIEPattern> TIEPattern::Create(IPatternOwner* owner, std::int32_t negatedCount,
                                               TRef<IFactTemplate> factTemplate, std::string_view name) const {
  return std::make_unique<TIEPattern>(owner, negatedCount, std::move(factTemplate), name);
}

void TIEPattern::SetFactTemplate(TRef<IFactTemplate> factTemplate) {
  if (factTemplate == template_) return;
  template_ = std::move(factTemplate);
  ResetSlots();
  Changed();
}

void TIEPattern::SetNegatedCount(std::int32_t count) {
  count = std::max(count, 0);
  if (count == negatedCount_) return;
  negatedCount_ = count;
  Changed();
}

void TIEPattern::SetBoundName(std::string_view name) {
  if (name == boundName_) return;
  if (!name.empty() && IsNegated() && IsTest()) Raise<EIEException>(IEConsts::SCannotBindNegatedPattern);
  boundName_.assign(name);
  Changed();
}

void TIEPattern::SetUnique(bool unique) {
  if (unique == unique_) return;
  unique_ = unique;
  Changed();
}

void TIEPattern::SetExplicit(bool isExplicit) {
  if (isExplicit == explicit_) return;
  explicit_ = isExplicit;
  Changed();
}

void TIEPattern::SetOwner(IPatternOwner* owner) {
  if (owner == owner_) return;
  Changed();
  owner_ = owner;
  Changed();
}

IReasoner* TIEPattern::Engine() const noexcept {
  if (owner_) {
    if (IReasoner* engine = owner_->PatternEngine()) return engine;
  }
  return template_ ? template_->Owner() : nullptr;
}

void TIEPattern::Changed() {
  if (updateCount_ > 0) return;
  if (owner_) owner_->PatternChanged(*this);
  if (onChange_) onChange_(*this);
}

void TIEPattern::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TIEPattern::ConjunctionChanged(bool conjunction) {
  disjunctionCount_ += conjunction ? -1 : 1;
  Changed();
}

// --- Slot-test table ---

const TIEPattern::TSlotEntry& TIEPattern::Entry(std::int32_t slot) const {
  CheckIndex<EIEException>(slot, SlotCount());
  return slots_[static_cast<std::size_t>(slot)];
}

TIEPattern::TSlotEntry& TIEPattern::Entry(std::int32_t slot) {
  return const_cast<TSlotEntry&>(static_cast<const TIEPattern*>(this)->Entry(slot));
}

std::int32_t TIEPattern::IndexOfSlot(std::string_view name) const noexcept {
  auto it = std::lower_bound(slots_.begin(), slots_.end(), name, [](const TSlotEntry& entry, std::string_view key) {
    return TSlotLayout::NameLess(entry.name, key);
  });
  if (it == slots_.end() || it->name != name) return -1;
  return static_cast<std::int32_t>(it - slots_.begin());
}

TIEPattern::TSlotEntry& TIEPattern::EntryFor(std::string_view name) {
  auto it = std::lower_bound(slots_.begin(), slots_.end(), name, [](const TSlotEntry& entry, std::string_view key) {
    return TSlotLayout::NameLess(entry.name, key);
  });
  if (it != slots_.end() && it->name == name) return *it;
  TSlotEntry entry;
  entry.name.assign(name);
  return *slots_.insert(it, std::move(entry));
}

void TIEPattern::ResetSlots() {
  slots_.clear();
  testCount_ = 0;
  disjunctionCount_ = 0;
  if (!template_) return;
  const TSlotLayout& layout = template_->SlotLayout();
  slots_.reserve(static_cast<std::size_t>(layout.Count()));
  for (std::int32_t i = 0; i < layout.Count(); ++i) slots_.push_back(TSlotEntry{layout.NameAt(i), {}, -1});
}

TIEPatternMatchTest& TIEPattern::SlotTest(std::int32_t slot, std::int32_t test) const {
  const TTestList& tests = Entry(slot).tests;
  CheckIndex<EIEException>(test, static_cast<std::int64_t>(tests.size()));
  return *tests[static_cast<std::size_t>(test)];
}

void TIEPattern::SetRequiredLength(std::int32_t slot, std::int32_t length) {
  TSlotEntry& entry = Entry(slot);
  length = std::max(length, -1);
  if (length == entry.requiredLength) return;
  entry.requiredLength = length;
  Changed();
}

std::unique_ptr<TIEPatternMatchTest> TIEPattern::CreateTest(TSlotTestType type, const TIEValue* value,
                                                            std::int32_t subIndex) {
  return std::make_unique<TIEPatternMatchTest>(this, type, value, subIndex);
}

std::unique_ptr<TIEPatternMatchTest> TIEPattern::CopyTest(const TIEPatternMatchTest& source) {
  auto test = CreateTest(source.SlotTestType(), nullptr, -1);
  test->Assign(source);
  return test;
}

TIEPatternMatchTest& TIEPattern::AddTest(std::string_view slotName, const TIEValue* value, bool negated,
                                         std::int32_t subIndex, bool conjunction) {
  auto test = CreateTest(negated ? sttNotEquals : sttEquals, value, subIndex);
  test->conjunction_ = conjunction;
  return AddTestObject(slotName, std::move(test));
}

TIEPatternMatchTest& TIEPattern::AddTestObject(std::string_view slotName, std::unique_ptr<TIEPatternMatchTest> test) {
  if (!template_) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  if (!template_->HasSlot(slotName)) Raise<EIEException>(IEConsts::SNoSuchSlotName, slotName);
  if (!test) Raise<EIEException>(IEConsts::SArgumentIsNull);
  TSlotEntry& entry = EntryFor(slotName);
  test->owner_ = this;
  TIEPatternMatchTest& added = *test;
  entry.tests.push_back(std::move(test));
  ++testCount_;
  if (!added.Conjunction()) ++disjunctionCount_;
  Changed();
  return added;
}

// --- Disjunctions ---

void TIEPattern::CompileDisjunctions() {
  if (disjunctionCount_ == 0) return;
  IReasoner* engine = Engine();
  if (!engine) Raise<EIEException>(IEConsts::SUnknownEngine);

  // The new test lists are built aside and take over only when all are built,
  // so a failure leaves the pattern as it was.
  struct TGeneratedBinding {
    std::string name;
    std::string slotName;
    std::int32_t subIndex;
  };
  std::vector<TTestList> rewritten(slots_.size());
  std::vector<TGeneratedBinding> generated;

  // The predicate call standing for one test, given the pivot variable.
  auto predicate = [&](const TIEPatternMatchTest& test, const TRef<TIEValue>& pivot) -> TRef<TIEValue> {
    const TIEValue* value = test.SlotValue();
    if (value && value->DType() == dtFunCall) {
      if (test.SlotTestType() == sttEquals) return value->Clone();
      TRef<IFunCall> negation = NewCall(engine, "not");
      negation->AddArgument(value->Clone());
      return CallValue(std::move(negation));
    }
    TRef<IFunCall> compare = NewCall(engine, test.SlotTestType() == sttEquals ? "eq" : "neq");
    compare->AddArgument(value ? value->Clone() : nullptr);
    compare->AddArgument(pivot->Clone());
    return CallValue(std::move(compare));
  };

  for (std::size_t s = 0; s < slots_.size(); ++s) {
    const TTestList& tests = slots_[s].tests;
    TTestList& result = rewritten[s];
    std::size_t begin = 0;
    while (begin < tests.size()) {
      const std::int32_t subIndex = tests[begin]->MultiSlotSubIndex();
      std::size_t end = begin + 1;
      while (end < tests.size() && tests[end]->MultiSlotSubIndex() == subIndex) ++end;
      const bool disjunctive = std::any_of(tests.begin() + static_cast<std::ptrdiff_t>(begin),
                                           tests.begin() + static_cast<std::ptrdiff_t>(end),
                                           [](const auto& test) { return !test->Conjunction(); });
      if (!disjunctive) {
        for (std::size_t i = begin; i < end; ++i) result.push_back(CopyTest(*tests[i]));
        begin = end;
        continue;
      }

      // The pivot: a leading variable test binds the variable the
      // alternatives are compared with; otherwise a generated one does. A
      // variable bound elsewhere is an alternative like any other value.
      std::size_t next = begin;
      std::unique_ptr<TIEPatternMatchTest> pivotTest;
      const TIEPatternMatchTest& first = *tests[begin];
      if (IsVariableValue(first.SlotValue()) && first.SlotTestType() == sttEquals &&
          (!owner_ || owner_->BindsVariableAt(*this, first.SlotValue()->Text(), slots_[s].name, subIndex))) {
        pivotTest = CopyTest(first);
        ++next;
      } else {
        const IFactSlot* slot = template_ ? template_->FindSlot(slots_[s].name) : nullptr;
        const bool wholeMultislot = subIndex < 0 && slot && slot->IsMultislot();
        const std::string name = engine->Gensym(AnonymousVariablePrefix);
        const TRef<TIEValue> variable = MakeRef<TIEValue>(name, wholeMultislot ? dtMultiVariable : dtVariable);
        pivotTest = CreateTest(sttEquals, variable.Get(), subIndex);
        generated.push_back({name, slots_[s].name, subIndex});
      }
      pivotTest->conjunction_ = true;
      const TRef<TIEValue> pivot(pivotTest->SlotValue());

      // An alternative compares a variable with the field, so it must be
      // bound before; one first met here would only have the field's own
      // value, and the rule's printed form would not read back.
      for (std::size_t i = next; i < end && owner_; ++i) {
        const TIEValue* value = tests[i]->SlotValue();
        if (IsVariableValue(value) && owner_->BindsVariableAt(*this, value->Text(), slots_[s].name, subIndex))
          Raise<EIEException>(IEConsts::SUnknownVariableName, value->Text());
      }

      // One "or" argument per run of "and"-joined tests.
      TRef<IFunCall> alternatives = NewCall(engine, "or");
      while (next < end) {
        std::size_t runEnd = next + 1;
        while (runEnd < end && tests[runEnd]->Conjunction()) ++runEnd;
        if (runEnd - next == 1) {
          alternatives->AddArgument(predicate(*tests[next], pivot));
        } else {
          TRef<IFunCall> all = NewCall(engine, "and");
          for (std::size_t i = next; i < runEnd; ++i) all->AddArgument(predicate(*tests[i], pivot));
          alternatives->AddArgument(CallValue(std::move(all)));
        }
        next = runEnd;
      }
      const TRef<TIEValue> orValue = CallValue(std::move(alternatives));
      result.push_back(std::move(pivotTest));
      result.push_back(CreateTest(sttEquals, orValue.Get(), subIndex));
      begin = end;
    }
  }

  TUpdateScope update(*this);
  testCount_ = 0;
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    if (!slots_[s].tests.empty()) slots_[s].tests = std::move(rewritten[s]);
  }
  for (const auto& entry : slots_) testCount_ += static_cast<std::int32_t>(entry.tests.size());
  disjunctionCount_ = 0;
  if (owner_) {
    for (const auto& binding : generated)
      owner_->BindGeneratedVariable(*this, binding.name, binding.slotName, binding.subIndex);
  }
}

// --- Copies ---

void TIEPattern::CopyFrom(const TIEPattern& source) {
  comment_ = source.comment_;
  boundName_ = source.boundName_;
  unique_ = source.unique_;
  explicit_ = source.explicit_;
  name_ = source.name_;
  negatedCount_ = source.negatedCount_;
  ResetSlots();
  for (const auto& entry : source.slots_) {
    for (const auto& test : entry.tests) AddTestObject(entry.name, CopyTest(*test));
    EntryFor(entry.name).requiredLength = entry.requiredLength;
  }
}

void TIEPattern::Assign(const TIEPattern& source) {
  if (&source == this) return;
  TUpdateScope update(*this);
  template_ = source.template_;
  CopyFrom(source);
}

std::unique_ptr<TIEPattern> TIEPattern::CopyForEngine(IReasoner* engine) const {
  IReasoner* own = template_ ? template_->Owner() : nullptr;
  std::unique_ptr<TIEPattern> copy;
  if (!engine || engine == own || !template_) {
    copy = Create(nullptr, negatedCount_, template_, name_);
    copy->Assign(*this);
  } else {
    TRef<IFactTemplate> target = engine->FindFactTemplate(template_->Name());
    if (!target) {
      target = engine->GetImpliedTemplate(template_->Name());
      target->Assign(*template_);
    }
    copy = Create(nullptr, negatedCount_, target, name_);
    copy->CopyFrom(*this);
  }

  // Generated variables get fresh names, the same new name for every
  // mention of one old name within the pattern (a disjunction's pivot also
  // appears inside its "or" call).
  IReasoner* names = engine ? engine : own;
  if (!names) return copy;
  TVariableRenames renames;
  for (const auto& entry : copy->slots_) {
    for (const auto& test : entry.tests) {
      TIEValue* value = test->SlotValue();
      if (!IsVariableValue(value) || !value->Text().starts_with(AnonymousVariablePrefix)) continue;
      auto it = renames.find(value->Text());
      if (it == renames.end())
        it = renames.emplace(std::string(value->Text()), names->Gensym(AnonymousVariablePrefix)).first;
      RenameVariable(*value, it->second);
    }
  }
  if (renames.empty()) return copy;
  for (const auto& entry : copy->slots_) {
    for (const auto& test : entry.tests) {
      TIEValue* value = test->SlotValue();
      if (const IFunCall* call = value ? value->FunCallPtr() : nullptr) {
        if (TRef<IFunCall> renamed = RenamedCall(*call, renames)) value->SetAsFunCall(std::move(renamed));
      }
    }
  }
  return copy;
}

// --- Text ---

std::string TIEPattern::TestsText(const TSlotEntry& entry, std::int32_t& generated) const {
  std::string text;
  const TIEPatternMatchTest* previous = nullptr;
  for (const auto& test : entry.tests) {
    if (previous) {
      if (test->MultiSlotSubIndex() != previous->MultiSlotSubIndex()) {
        text += ' ';
      } else {
        text += test->Conjunction() ? '&' : '|';
      }
    }
    previous = test.get();
    if (test->SlotTestType() == sttNotEquals) text += '~';
    const TIEValue* value = test->SlotValue();
    if (!value) continue;
    if (value->DType() == dtFunCall && !IsTest()) text += ':';
    value->AppendItemText(text);
  }
  // An empty multifield is asked for by writing no field at all.
  if (!text.empty() || (entry.tests.empty() && entry.requiredLength == 0)) return text;

  // A slot whose tests print as nothing matches anything: a fresh variable.
  const IFactSlot* slot = template_ ? template_->FindSlot(entry.name) : nullptr;
  const std::string_view prefix = slot && slot->IsMultislot() ? "$?__var" : "?__var";
  if (IReasoner* engine = Engine()) return engine->Gensym(prefix);
  return std::string(prefix) + std::to_string(generated++);
}

std::string TIEPattern::AsString() const {
  if (!template_) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  std::string body = "(";
  detail::AppendWord(body, name_);
  body += ' ';
  std::int32_t generated = 0;
  if (const std::int32_t data = IndexOfSlot(ImpliedSlotName); data >= 0) {
    body += TestsText(slots_[static_cast<std::size_t>(data)], generated);
  } else {
    for (const auto& entry : slots_) {
      if (entry.tests.empty() && entry.requiredLength != 0) continue;
      body += '(';
      detail::AppendWord(body, entry.name);
      body += ' ';
      body += TestsText(entry, generated);
      body += ") ";
    }
  }
  body += ')';

  // The wrappers, innermost first. exists is a double negation; every
  // further level is one more not.
  std::string prefix;
  std::size_t closing = 0;
  auto wrap = [&](std::string_view keyword) {
    prefix.insert(0, keyword);
    ++closing;
  };
  if (unique_) wrap("(unique ");
  if (explicit_) wrap("(explicit ");
  if (negatedCount_ == 1) {
    wrap("(not ");
  } else if (negatedCount_ >= 2) {
    wrap("(exists ");
    std::string nots;
    const auto extra = static_cast<std::size_t>(negatedCount_ - 2);
    nots.reserve(extra * 5);
    for (std::size_t i = 0; i < extra; ++i) nots += "(not ";
    prefix.insert(0, nots);
    closing += extra;
  }

  // The comment stands before the wrapped pattern, where the reader takes
  // it from the white space of its opening parenthesis; a fact-address
  // variable goes in front of everything.
  std::string text;
  if (!boundName_.empty()) {
    text += '?';
    detail::AppendWordTail(text, boundName_);
    text += " <- ";
  }
  if (!comment_.empty()) AppendCommentLines(text, comment_);
  text += prefix;
  text += body;
  text.append(closing, ')');
  return text;
}

}  // namespace fxe
