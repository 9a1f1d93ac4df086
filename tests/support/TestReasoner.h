// A stand-in inference engine for tests of the model and the parser: named
// defined types and templates, a fact list, a symbol counter, a root context
// with plain variables, switchable type checks, term lookup for fuzzy
// values and a small reader for fact and value texts.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IReasoner.h"

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

// A function call that runs a callback; prints as "(<name>)".
class TTestFunCall final : public IFunCall {
 public:
  using TBody = std::function<TRef<TIEValue>(IIEContext*)>;
  TTestFunCall(std::string name, TBody body) : name_(std::move(name)), body_(std::move(body)) {}
  TRef<TIEValue> Evaluate(IIEContext* context) override { return body_(context); }
  bool Equals(const IFunCall& other) const override { return &other == this; }
  std::uint32_t HashCode() const override { return StringHash(name_); }
  std::string AsString() const override { return "(" + name_ + ")"; }

 private:
  std::string name_;
  TBody body_;
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
  void SetFuzzyParser(IFuzzyParser* parser) noexcept { fuzzyParser_ = parser; }
  TTestContext& RootContext() noexcept { return context_; }
  // Registers a type under its name (replacing one of that name).
  void AddDefinedType(TRef<IIEDefinedType> type);
  // Registers a template under its name; one without slots first gets the
  // multislot "__Data" of ordered facts.
  void AddFactTemplate(TRef<IFactTemplate> factTemplate);
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
  IFuzzyParser* FuzzyParser() override { return fuzzyParser_; }
  TRef<TIEValue> LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<TIEValue> SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<IFact> ParseFact(std::string_view text) override;
  TRef<IFactSlot> ParseFactSlot(std::string_view text, IFactTemplate& owner) override;
  TRef<TIEValue> ParseSlotValue(std::string_view text, IFactSlot& slot) override;
  TRef<IFact> FindFact(std::int32_t index) override;
  std::int32_t AssertFact(IFact& fact) override;
  void RetractFact(IFact& fact) override;
  void ResolveFact(IFact& fact, IIEContext* context) override;

 private:
  std::map<std::string, TRef<IIEDefinedType>, std::less<>> types_;
  std::map<std::string, TRef<IFactTemplate>, std::less<>> templates_;
  std::vector<TRef<IFact>> facts_;
  std::vector<TFactSet*> factSets_;
  std::vector<std::string> renames_;
  std::function<TRef<IFactSlot>(std::string_view, IFactTemplate&)> slotReader_;
  TTestContext context_;
  IFuzzyParser* fuzzyParser_ = nullptr;
  TTypeChecks typeChecks_{tcStatic};
  std::int32_t nextFactIndex_ = 0;
  std::int32_t symbolIndex_ = 0;
  bool factDuplication_ = false;
  bool refuseRenames_ = false;
};

}  // namespace fxe::test
