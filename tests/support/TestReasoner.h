// A stand-in inference engine for tests of the model and of rules on their
// own: named defined types and templates, a fact list, a symbol counter, a
// root context with plain variables, switchable type checks, term lookup for
// fuzzy values and a small reader for fact and value texts.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/IEContext.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IReasoner.h"
#include "rete/IERule.h"

namespace fxe::test {

// A root context whose bindings are plain named values.
class TTestContext final : public IIEContext {
 public:
  void SetVariable(std::string_view name, TRef<TIEValue> value) { variables_[std::string(name)] = std::move(value); }
  TIEValue* FindVariableValue(std::string_view name) const override;
  IFact* CurrentFact() const override { return nullptr; }
  IReteToken* CurrentToken() const override { return nullptr; }

 private:
  std::map<std::string, TRef<TIEValue>, std::less<>> variables_;
};

// A function call that runs a callback instead of a function; prints as
// "(<name>)" and equals only itself.
class TTestFunCall final : public TFunctionCall {
 public:
  using TBody = std::function<TRef<TIEValue>(IIEContext*)>;
  TTestFunCall(std::string_view name, TBody body) : TFunctionCall(nullptr, name), body_(std::move(body)) {}
  TRef<TIEValue> Evaluate(IIEContext* context) override { return body_(context); }
  bool Equals(const IFunCall& other) const override { return &other == this; }

 private:
  TBody body_;
};

// A partial match made by hand: facts by pattern position.
class TTestToken final : public IReteToken {
 public:
  explicit TTestToken(std::vector<TRef<IFact>> facts) : facts_(std::move(facts)) {}
  std::int32_t FactCount() const override { return static_cast<std::int32_t>(facts_.size()); }
  IFact* FactAt(std::int32_t position) const override {
    return position >= 0 && position < FactCount() ? facts_[static_cast<std::size_t>(position)].Get() : nullptr;
  }

 private:
  std::vector<TRef<IFact>> facts_;
};

class TTestReasoner final : public IReasoner {
 public:
  TTestReasoner() = default;
  TTestReasoner(const TTestReasoner&) = delete;
  TTestReasoner& operator=(const TTestReasoner&) = delete;
  ~TTestReasoner();

  // --- Set-up --------------------------------------------------------------------------
  void SetTypeChecks(TTypeChecks checks) noexcept { typeChecks_ = checks; }
  void SetFactDuplication(bool allowed) noexcept { factDuplication_ = allowed; }
  TTestContext& RootContext() noexcept { return context_; }
  // Registers a type under its name (replacing one of that name).
  void AddDefinedType(TRef<IIEDefinedType> type) override;
  // Registers a template under its name; one without slots first gets the
  // multislot "__Data" of ordered facts.
  void AddFactTemplate(TRef<IFactTemplate> factTemplate) override;
  // Reads slots for ParseFactSlot; without one ParseFactSlot raises.
  void SetSlotReader(std::function<TRef<IFactSlot>(std::string_view, IFactTemplate&)> reader) {
    slotReader_ = std::move(reader);
  }
  const std::vector<TRef<IFact>>& Facts() const noexcept { return facts_; }
  const std::vector<TFactSet*>& FactSets() const noexcept { return factSets_; }
  // Names given to RenameFactTemplate, as "old->new".
  const std::vector<std::string>& Renames() const noexcept { return renames_; }
  // Makes RenameFactTemplate refuse every new name.
  void RefuseRenames(bool refuse) noexcept { refuseRenames_ = refuse; }

  // --- IReasoner ---------------------------------------------------------------------------
  std::string Gensym(std::string_view prefix) override;
  TRef<IIEDefinedType> FindDefinedType(std::string_view name) const override;
  TRef<IFactTemplate> FindFactTemplate(std::string_view name) const override;
  TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) override;
  void RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName, std::string_view newName) override;
  void AddFactSet(TFactSet& factSet) override;
  void RemoveFactSet(TFactSet& factSet) override;
  TTypeChecks TypeChecks() const override { return typeChecks_; }
  std::int32_t NextFactIndex() const override { return nextFactIndex_; }
  IIEContext* Context() override { return &context_; }
  IFuzzyParser* FuzzyParser() override { return nullptr; }
  TRef<TIEValue> LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<TIEValue> SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<IFact> ParseFact(std::string_view text) override;
  TRef<IFactSlot> ParseFactSlot(std::string_view text, IFactTemplate& owner) override;
  TRef<TIEValue> ParseSlotValue(std::string_view text, IFactSlot& slot) override;
  TRef<IFact> FindFact(std::int32_t index) override;
  std::int32_t AssertFact(IFact& fact) override;
  std::int32_t RetractFact(IFact& fact) override;
  void ResolveFact(IFact& fact, IIEContext* context) override;

  // --- Functions and evaluation contexts ----------------------------------------------
  // Registered functions by name; a second function of one name is refused.
  void AddFunction(IUserFunction& function) override;
  void RemoveFunction(IUserFunction& function) override;
  TRef<IUserFunction> FindFunction(std::string_view name) const override;
  TIEContext& EngineContext() override { return *engineContext_; }
  std::int32_t EnterCall() noexcept override { return ++calls_; }
  std::uintptr_t& CallStackBase() noexcept override { return stackBase_; }
  void LeaveCall() noexcept override { --calls_; }
  bool IsSlotFunction(std::string_view name) const override;
  void AddDestroyWatcher(IReasonerWatcher& watcher) override;
  void RemoveDestroyWatcher(IReasonerWatcher& watcher) override;
  const std::map<std::string, TRef<IUserFunction>, std::less<>>& Functions() const noexcept { return functions_; }
  // Replaces the names of the fact-changing functions (the five default ones).
  void SetSlotFunctions(std::vector<std::string> names) { slotFunctions_ = std::move(names); }

  // --- Rules ------------------------------------------------------------------------------
  // Rule numbers count from 0; the initial pattern and the negation fact are
  // made on first request. Registered rules are kept by name.
  std::int32_t NextRuleNumber() override { return nextRuleNumber_++; }
  const TIEPattern* InitialPattern() override;
  IFact* NegationFact() override;
  TRule* FindRule(std::string_view name) const override;
  // Refuses a second rule of one name.
  TRule& AddRule(std::unique_ptr<TRule> rule) override;
  std::unique_ptr<TRule> RemoveRule(TRule& rule) override;
  void RenameRule(std::string_view oldName, std::string_view newName) override;
  // Notes the rule's name (see ChangedRules) when it is the registered one.
  void RuleChanged(TRule& rule) override;
  // Reads rules with the rule reader; without one it raises.
  std::unique_ptr<TRule> ParseRule(std::string_view text) override;
  void SetRuleReader(std::function<std::unique_ptr<TRule>(std::string_view)> reader) {
    ruleReader_ = std::move(reader);
  }
  // Names of the registered rules told RuleChanged, in order.
  const std::vector<std::string>& ChangedRules() const noexcept { return changedRules_; }

  // --- Constructs read by the parser ---------------------------------------------------------
  // Keeps parsed fact sets (a set of the same name replaces the old one).
  TFactSet* AdoptFactSet(std::unique_ptr<TFactSet> factSet) override;
  // Binds the global in the engine context; a call is evaluated there first.
  void SetGlobalVariable(std::string_view name, TRef<TIEValue> value) override;
  // Drops what is printed.
  void PrintOut(std::string_view, std::string_view) override {}

 private:
  std::int32_t calls_ = 0;
  std::uintptr_t stackBase_ = 0;
  // Tells the destroy watchers and lets every registered function go.
  void ReleaseFunctions() noexcept;

  std::map<std::string, TRef<IIEDefinedType>, std::less<>> types_;
  std::map<std::string, TRef<IFactTemplate>, std::less<>> templates_;
  std::vector<TRef<IFact>> facts_;
  std::vector<TFactSet*> factSets_;
  std::vector<std::string> renames_;
  std::function<TRef<IFactSlot>(std::string_view, IFactTemplate&)> slotReader_;
  TTestContext context_;
  TTypeChecks typeChecks_{tcStatic};
  std::int32_t nextFactIndex_ = 0;
  std::int32_t symbolIndex_ = 0;
  bool factDuplication_ = false;
  bool refuseRenames_ = false;
  // Functions and evaluation contexts.
  std::map<std::string, TRef<IUserFunction>, std::less<>> functions_;
  std::unique_ptr<TIEContext> engineContext_ = std::make_unique<TIEContext>(nullptr, this);
  std::vector<std::string> slotFunctions_{DefaultSlotFunctions.begin(), DefaultSlotFunctions.end()};
  std::vector<IReasonerWatcher*> destroyWatchers_;
  // Rules (declared last: rules go before the templates their patterns use).
  std::unique_ptr<TIEPattern> initialPattern_;
  TRef<IFact> negationFact_;
  std::function<std::unique_ptr<TRule>(std::string_view)> ruleReader_;
  std::vector<std::string> changedRules_;
  std::map<std::string, std::unique_ptr<TRule>, std::less<>> rules_;
  std::int32_t nextRuleNumber_ = 0;
  // Constructs read by the parser.
  std::map<std::string, std::unique_ptr<TFactSet>, std::less<>> ownedFactSets_;
};

}  // namespace fxe::test
