// The stand-in inference engine of the model and parser tests.
#include "TestReasoner.h"

#include <algorithm>
#include <cctype>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"

namespace fxe::test {

namespace {

// Cuts fact and value texts into parentheses, strings and words.
class TTextReader {
 public:
  explicit TTextReader(std::string_view text) : text_(text) {}

  char Peek() {
    SkipBlanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }
  void Expect(char c) {
    if (Peek() != c) Fail();
    ++at_;
  }
  bool AtEnd() { return Peek() == '\0'; }
  std::string Word() {
    SkipBlanks();
    const std::size_t start = at_;
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) && text_[at_] != '(' &&
           text_[at_] != ')' && text_[at_] != '"')
      ++at_;
    if (start == at_) Fail();
    return std::string(text_.substr(start, at_ - start));
  }
  TRef<TIEValue> Value() {
    if (Peek() == '"') {
      ++at_;
      std::string text;
      while (at_ < text_.size() && text_[at_] != '"') {
        if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
        text += text_[at_++];
      }
      Expect('"');
      return NewString(text);
    }
    const std::string word = Word();
    std::int32_t integer = 0;
    double number = 0.0;
    if (TryStrToInt(word, integer)) return NewInteger(integer);
    if (TryStrToFloat(word, number)) return NewFloat(number);
    if (word.size() > 1 && word[0] == '?') return NewVariable(word.substr(1));
    return NewAtom(word);
  }
  [[noreturn]] void Fail() const {
    throw EIEParseException(Format(IEConsts::SParsingError, "unreadable text", "TestReasoner", 1, text_), 1);
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  std::string_view text_;
  std::size_t at_ = 0;
};

IFuzzyVariable* VariableOf(const IFactSlot& slot) {
  const IIEDefinedType* type = slot.ExtendedTypeInfo();
  return type ? type->FuzzyVariable() : nullptr;
}

// A multifield whose items evaluate in the context, multifield results spliced in.
void AppendFlattened(const TValueVector& items, IIEContext* context, TValueVector& out) {
  for (const auto& item : items) {
    if (!item) continue;
    TRef<TIEValue> value = item->Evaluate(context);
    if (const TValueVector* inner = value->ListPtr()) {
      AppendFlattened(*inner, context, out);
    } else {
      out.Add(value);
    }
  }
}

}  // namespace

TIEValue* TTestContext::FindVariableValue(std::string_view name) const {
  auto it = variables_.find(name);
  return it == variables_.end() ? nullptr : it->second.Get();
}

TTestReasoner::~TTestReasoner() {
  ReleaseFunctions();
  // Fact sets outliving the engine lose it.
  std::vector<TFactSet*> sets = factSets_;
  for (TFactSet* set : sets) set->SetEngine(nullptr);
}

void TTestReasoner::AddDefinedType(TRef<IIEDefinedType> type) { types_[type->Name()] = std::move(type); }

void TTestReasoner::AddFactTemplate(TRef<IFactTemplate> factTemplate) {
  if (factTemplate->SlotCount() == 0) factTemplate->AddMultiSlot(ImpliedSlotName, SharedValues().EmptyList);
  templates_[factTemplate->Name()] = std::move(factTemplate);
}

std::string TTestReasoner::Gensym(std::string_view prefix) {
  return std::string(prefix) + std::to_string(symbolIndex_++);
}

TRef<IIEDefinedType> TTestReasoner::FindDefinedType(std::string_view name) const {
  auto it = types_.find(name);
  return it == types_.end() ? nullptr : it->second;
}

TRef<IFactTemplate> TTestReasoner::FindFactTemplate(std::string_view name) const {
  auto it = templates_.find(name);
  return it == templates_.end() ? nullptr : it->second;
}

TRef<IFactTemplate> TTestReasoner::GetImpliedTemplate(std::string_view name) {
  if (TRef<IFactTemplate> found = FindFactTemplate(name)) return found;
  auto created = MakeRef<TFactTemplate>(this, name);
  created->SetComment(ImpliedTemplateComment);
  AddFactTemplate(created);
  return created;
}

void TTestReasoner::RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName,
                                       std::string_view newName) {
  if (refuseRenames_) throw EIEException(Format(IEConsts::SNoReasoner, "rename a template"));
  renames_.push_back(std::string(oldName) + "->" + std::string(newName));
  auto it = templates_.find(oldName);
  if (it == templates_.end() || it->second.Get() != &factTemplate) return;
  TRef<IFactTemplate> keep = it->second;
  templates_.erase(it);
  templates_[std::string(newName)] = std::move(keep);
}

void TTestReasoner::AddFactSet(TFactSet& factSet) {
  if (std::find(factSets_.begin(), factSets_.end(), &factSet) == factSets_.end()) factSets_.push_back(&factSet);
}

void TTestReasoner::RemoveFactSet(TFactSet& factSet) {
  factSets_.erase(std::remove(factSets_.begin(), factSets_.end(), &factSet), factSets_.end());
}

TRef<TIEValue> TTestReasoner::LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) {
  if (value.DType() == dtFuzzy) return MakeRef<TIEValue>(value.AsFuzzy());
  // The words of the expression: hedges followed by one term name.
  std::vector<std::string> words;
  if (const TValueVector* items = value.ListPtr()) {
    for (const auto& item : *items) {
      if (!item) continue;
      TRef<TIEValue> word = item->Evaluate(context);
      if (word->DType() == dtFuzzy) return MakeRef<TIEValue>(word->AsFuzzy());
      words.push_back(word->AsString());
    }
  } else if (value.DType() == dtVariable) {
    return LinguisticToFuzzy(variable, *const_cast<TIEValue&>(value).Evaluate(context), context);
  } else {
    words.push_back(value.AsString());
  }
  const std::string term = words.empty() ? std::string() : words.back();
  TRef<IFuzzySet> set;
  if (term.empty() || term == FuzzyEmptyTermName) {
    set = TRef<IFuzzySet>(variable.FindTerm(FuzzyEmptyTermName));
    if (!set) set = variable.CreateTerm(FuzzyEmptyTermName);
  } else {
    set = TRef<IFuzzySet>(variable.FindTerm(term));
  }
  if (!set) throw EIEException(Format(FuzzyConsts::SInvalidFuzzyItem, value.AsText()));
  for (std::size_t i = words.size() - 1; i-- > 0;) {
    const int hedge = FindHedgeWord(words[i]);
    if (hedge < 0) throw EIEException(Format(FuzzyConsts::SInvalidFuzzyItem, words[i]));
    if (set->IsTerm()) set = set->Clone();
    set->ApplyHedge(hedge);
  }
  return MakeRef<TIEValue>(std::move(set));
}

TRef<TIEValue> TTestReasoner::SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) {
  TRef<IFuzzySet> set = variable.NewFuzzySet();
  set->BeginUpdate();
  for (const auto& point : *value.AsList()) {
    const TValueVector& pair = *point->AsList();
    set->AddPoint(pair.Item(0)->Evaluate(context)->AsNumeric(), pair.Item(1)->Evaluate(context)->AsNumeric());
  }
  set->EndUpdate();
  return MakeRef<TIEValue>(std::move(set));
}

TRef<IFact> TTestReasoner::ParseFact(std::string_view text) {
  TTextReader reader(text);
  reader.Expect('(');
  TRef<IFactTemplate> factTemplate = GetImpliedTemplate(reader.Word());
  auto fact = MakeRef<TFact>(factTemplate);
  auto store = [&](const IFactSlot& slot, TRef<TIEValue> value) {
    IFuzzyVariable* variable = VariableOf(slot);
    if (variable && value->DType() != dtFuzzy) value = LinguisticToFuzzy(*variable, *value, &context_);
    if (slot.IsMultislot() && value->DType() != dtList) {
      auto list = MakeRef<TValueVector>();
      list->Add(std::move(value));
      value = NewList(std::move(list));
    }
    fact->SetSlotValue(slot.Name(), std::move(value));
  };
  if (factTemplate->IsImplied()) {
    auto items = MakeRef<TValueVector>();
    while (reader.Peek() != ')' && !reader.AtEnd()) items->Add(reader.Value());
    store(factTemplate->GetSlot(ImpliedSlotName), NewList(std::move(items)));
  } else {
    while (reader.Peek() == '(') {
      reader.Expect('(');
      const IFactSlot& slot = factTemplate->GetSlot(reader.Word());
      auto items = MakeRef<TValueVector>();
      while (reader.Peek() != ')' && !reader.AtEnd()) items->Add(reader.Value());
      reader.Expect(')');
      if (slot.IsMultislot()) {
        store(slot, NewList(std::move(items)));
      } else {
        store(slot, items->Empty() ? CopySlotValue(*SharedValues().Nil) : items->First());
      }
    }
  }
  reader.Expect(')');
  return fact;
}

TRef<IFactSlot> TTestReasoner::ParseFactSlot(std::string_view text, IFactTemplate& owner) {
  if (!slotReader_) throw EIEException(Format(IEConsts::SNoReasoner, "read slots"));
  return slotReader_(text, owner);
}

TRef<TIEValue> TTestReasoner::ParseSlotValue(std::string_view text, IFactSlot& slot) {
  TTextReader reader(text);
  TRef<TIEValue> value = reader.Value();
  if (IFuzzyVariable* variable = VariableOf(slot)) value = LinguisticToFuzzy(*variable, *value, &context_);
  return value;
}

TRef<IFact> TTestReasoner::FindFact(std::int32_t index) {
  auto it =
      std::find_if(facts_.begin(), facts_.end(), [index](const TRef<IFact>& fact) { return fact->ID() == index; });
  return it == facts_.end() ? nullptr : *it;
}

std::int32_t TTestReasoner::AssertFact(IFact& fact) {
  if (!fact.Template()) throw EIEException(std::string(IEConsts::SFactTemplateMissing));
  if (!factDuplication_) {
    for (const auto& asserted : facts_) {
      if (asserted->Equals(fact)) return -1;
    }
  }
  fact.SetID(nextFactIndex_++);
  facts_.push_back(TRef<IFact>(&fact));
  return fact.ID();
}

std::int32_t TTestReasoner::RetractFact(IFact& fact) {
  auto it = std::find_if(facts_.begin(), facts_.end(), [&fact](const TRef<IFact>& f) { return f.Get() == &fact; });
  if (it == facts_.end()) return -1;
  facts_.erase(it);
  return fact.ID();
}

void TTestReasoner::ResolveFact(IFact& fact, IIEContext* context) {
  IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) throw EIEException(std::string(IEConsts::SFactTemplateMissing));
  const bool fuzzy = factTemplate->HasFuzzySlots();
  for (std::int32_t i = 0; i < fact.SlotCount(); ++i) {
    const IFactSlot& slot = fact.SlotAt(i);
    TRef<TIEValue> value(&fact.SlotValueAt(i));
    TRef<TIEValue> result = value->Evaluate(context);
    if (fuzzy) {
      if (slot.IsFuzzy()) {
        const TValueVector* list = result->ListPtr();
        const bool isFuzzy = result->DType() == dtFuzzy ||
                             (list && list->Count() == 1 && list->First() && list->First()->DType() == dtFuzzy);
        if (!isFuzzy) {
          if (IFuzzyVariable* variable = VariableOf(slot)) result = LinguisticToFuzzy(*variable, *result, context);
        }
        if (slot.SlotType().Contains(dtList) && result->DType() != dtList) {
          auto wrapped = MakeRef<TValueVector>();
          wrapped->Add(std::move(result));
          result = NewList(std::move(wrapped));
        }
      }
    } else if (const TValueVector* list = result->ListPtr()) {
      auto flat = MakeRef<TValueVector>();
      AppendFlattened(*list, context, *flat);
      if (result == value && !value->IsShared()) {
        value->SetAsList(std::move(flat));
      } else {
        result = NewList(std::move(flat));
      }
    }
    fact.SetSlotValueAt(i, std::move(result));
  }
}

}  // namespace fxe::test

// --- Functions and evaluation contexts ----------------------------------------------------

namespace fxe::test {

void TTestReasoner::AddFunction(IUserFunction& function) {
  auto it = functions_.find(function.FunctionName());
  if (it != functions_.end()) {
    if (it->second.Get() == &function) return;
    throw EIEException(Format(IEConsts::SFunctionNameExists, function.FunctionName()));
  }
  functions_.emplace(function.FunctionName(), TRef<IUserFunction>(&function));
}

void TTestReasoner::RemoveFunction(IUserFunction& function) {
  auto it = functions_.find(function.FunctionName());
  if (it != functions_.end() && it->second.Get() == &function) functions_.erase(it);
}

TRef<IUserFunction> TTestReasoner::FindFunction(std::string_view name) const {
  auto it = functions_.find(name);
  return it == functions_.end() ? nullptr : it->second;
}

bool TTestReasoner::IsSlotFunction(std::string_view name) const {
  return std::find(slotFunctions_.begin(), slotFunctions_.end(), name) != slotFunctions_.end();
}

void TTestReasoner::AddDestroyWatcher(IReasonerWatcher& watcher) {
  if (std::find(destroyWatchers_.begin(), destroyWatchers_.end(), &watcher) == destroyWatchers_.end())
    destroyWatchers_.push_back(&watcher);
}

void TTestReasoner::RemoveDestroyWatcher(IReasonerWatcher& watcher) {
  destroyWatchers_.erase(std::remove(destroyWatchers_.begin(), destroyWatchers_.end(), &watcher),
                         destroyWatchers_.end());
}

void TTestReasoner::ReleaseFunctions() noexcept {
  // Watchers unregister themselves while being told; work on a copy.
  std::vector<IReasonerWatcher*> watchers = destroyWatchers_;
  for (IReasonerWatcher* watcher : watchers) {
    if (std::find(destroyWatchers_.begin(), destroyWatchers_.end(), watcher) != destroyWatchers_.end())
      watcher->ReasonerDestroyed(*this);
  }
  destroyWatchers_.clear();
  auto functions = std::move(functions_);
  functions_.clear();
  for (auto& [name, function] : functions) function->RemoveReasoner(*this);
}

}  // namespace fxe::test

// --- Rules ----------------------------------------------------------------------------------

namespace fxe::test {

const TIEPattern* TTestReasoner::InitialPattern() {
  if (!initialPattern_)
    initialPattern_ = std::make_unique<TIEPattern>(nullptr, 0, GetImpliedTemplate(InitialFactTemplateName));
  return initialPattern_.get();
}

IFact* TTestReasoner::NegationFact() {
  if (!negationFact_) negationFact_ = GetImpliedTemplate(NegationTemplateName)->CreateFact();
  return negationFact_.Get();
}

TRule* TTestReasoner::FindRule(std::string_view name) const {
  auto it = rules_.find(name);
  return it == rules_.end() ? nullptr : it->second.get();
}

TRule& TTestReasoner::AddRule(std::unique_ptr<TRule> rule) {
  if (rules_.contains(rule->RuleName())) throw EIEException(Format(IEConsts::SDuplicateRuleName, rule->RuleName()));
  TRule& added = *rule;
  rules_.emplace(rule->RuleName(), std::move(rule));
  return added;
}

std::unique_ptr<TRule> TTestReasoner::RemoveRule(TRule& rule) {
  auto it = rules_.find(rule.RuleName());
  if (it == rules_.end() || it->second.get() != &rule) return nullptr;
  std::unique_ptr<TRule> removed = std::move(it->second);
  rules_.erase(it);
  return removed;
}

void TTestReasoner::RenameRule(std::string_view oldName, std::string_view newName) {
  if (oldName == newName) return;
  auto it = rules_.find(oldName);
  if (it == rules_.end()) return;
  if (rules_.contains(newName)) throw EIEException(Format(IEConsts::SDuplicateRuleName, newName));
  std::unique_ptr<TRule> rule = std::move(it->second);
  rules_.erase(it);
  rules_.emplace(std::string(newName), std::move(rule));
}

void TTestReasoner::RuleChanged(TRule& rule) {
  if (FindRule(rule.RuleName()) == &rule) changedRules_.push_back(rule.RuleName());
}

std::unique_ptr<TRule> TTestReasoner::ParseRule(std::string_view text) {
  if (!ruleReader_) throw EIEException(Format(IEConsts::SNoReasoner, "read rules"));
  return ruleReader_(text);
}

}  // namespace fxe::test

// --- Constructs read by the parser ----------------------------------------------------------

namespace fxe::test {

TFactSet* TTestReasoner::AdoptFactSet(std::unique_ptr<TFactSet> factSet) {
  std::unique_ptr<TFactSet>& owned = ownedFactSets_[factSet->FactSetName()];
  owned = std::move(factSet);
  return owned.get();
}

void TTestReasoner::SetGlobalVariable(std::string_view name, TRef<TIEValue> value) {
  if (value->DType() == dtFunCall) {
    std::unique_ptr<TIEContext> child = engineContext_->CreateChild();
    value = value->Evaluate(child.get());
  }
  engineContext_->SetGlobal(name, std::move(value));
}

}  // namespace fxe::test
