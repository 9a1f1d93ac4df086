// The inference engine as the objects it owns see it: the lookups, parsing,
// type-checking settings, fuzzy conversions and fact-base operations that
// defined types, templates, facts and fact sets need from their engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "collections/EnumSet.h"
#include "collections/RefCounted.h"
#include "values/IEInterfaces.h"
#include "values/IEParser.h"

namespace fxe {

class TIEValue;
class IIEDefinedType;
class IFactTemplate;
class IFactSlot;
class IFact;
class IFuzzyParser;
class IFuzzyVariable;
class TFactSet;
class TIEPattern;
class TRule;
class IUserFunction;
class TIEContext;
class IReasoner;
class IInferenceEngine;

// When values are checked against slot types: while parsing (static) and
// whenever a value is stored into a fact or a slot default (dynamic).
enum TTypeCheck : std::uint8_t { tcStatic, tcDynamic };
using TTypeChecks = TEnumSet<TTypeCheck>;

// Told when an engine it watches is being destroyed (packages and host
// functions serving the engine let go of it then).
class IReasonerWatcher {
 public:
  virtual void ReasonerDestroyed(IReasoner& reasoner) = 0;

 protected:
  ~IReasonerWatcher() = default;
};

class IReasoner : public ISymbolSource {
 public:
  // --- Collections ----------------------------------------------------------
  // The defined type registered under name (case-sensitive), or nullptr.
  virtual TRef<IIEDefinedType> FindDefinedType(std::string_view name) const = 0;
  // The template registered under name (case-sensitive), or nullptr.
  virtual TRef<IFactTemplate> FindFactTemplate(std::string_view name) const = 0;
  // The template registered under name; when there is none, a new template
  // with the comment "(Implied)" is registered under it and returned.
  virtual TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) = 0;
  // Told by a template before its name changes from oldName to newName, so
  // the collection can re-key it. May refuse by raising; nothing changes then.
  // A template that is not registered is ignored.
  virtual void RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName, std::string_view newName) = 0;
  // Fact sets register while this engine is their engine.
  virtual void AddFactSet(TFactSet& factSet) = 0;
  virtual void RemoveFactSet(TFactSet& factSet) = 0;
  // A set of this engine has a new name (it has it already).
  virtual void FactSetRenamed(TFactSet& /*factSet*/, std::string_view /*oldName*/) {}

  // --- Settings ---------------------------------------------------------------
  virtual TTypeChecks TypeChecks() const = 0;
  // The index the next asserted fact will get.
  virtual std::int32_t NextFactIndex() const = 0;
  // The root evaluation context (dynamic defaults are evaluated in it).
  virtual IIEContext* Context() = 0;

  // --- Fuzzy values -------------------------------------------------------------
  // The printer/parser handed to fuzzy variables and sets; may be nullptr.
  virtual IFuzzyParser* FuzzyParser() = 0;
  // A linguistic expression (a term name with hedges and operators, given as
  // a symbol, a string or a multifield of items) as a fuzzy value of the
  // variable; a fuzzy value is returned as it is. Variables and calls among
  // the items are evaluated in the context (which may be nullptr).
  virtual TRef<TIEValue> LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) = 0;
  // A multifield of (x y) points as a fuzzy value of the variable.
  virtual TRef<TIEValue> SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) = 0;

  // --- Parsing (copying objects between engines) ------------------------------------
  // One fact from its printed text, on this engine's templates.
  virtual TRef<IFact> ParseFact(std::string_view text) = 0;
  // One slot from its printed text, for a template of this engine (type names
  // resolve in this engine). The slot is not added to the template.
  virtual TRef<IFactSlot> ParseFactSlot(std::string_view text, IFactTemplate& owner) = 0;
  // A value for a slot from its printed text, read against the slot's types.
  virtual TRef<TIEValue> ParseSlotValue(std::string_view text, IFactSlot& slot) = 0;

  // --- Fact base ------------------------------------------------------------------
  // The asserted fact with this index, or nullptr.
  virtual TRef<IFact> FindFact(std::int32_t index) = 0;
  // Asserts the fact; the new fact index, or -1 when the fact was refused as
  // a duplicate.
  virtual std::int32_t AssertFact(IFact& fact) = 0;
  // Retracts the fact itself when it is in the fact base, else the first
  // fact equal to it; the retracted fact's index, or -1 when there is none.
  virtual std::int32_t RetractFact(IFact& fact) = 0;
  // Evaluates the fact's slot values in the context and stores the results
  // back into the fact.
  virtual void ResolveFact(IFact& fact, IIEContext* context) = 0;

  // --- Functions and evaluation contexts -------------------------------------------
  // Registers the function in the function collection under its name. Another
  // function registered under that name raises "Function Name already exists:
  // \"%s\"" (the engine applies its duplicate-construct policy); the same
  // function again changes nothing.
  virtual void AddFunction(IUserFunction& function) = 0;
  // Unregisters the function when it is the one registered under its name.
  virtual void RemoveFunction(IUserFunction& function) = 0;
  // The function registered under name (case-sensitive), or nullptr.
  virtual TRef<IUserFunction> FindFunction(std::string_view name) const = 0;
  // The root evaluation context; its bindings are the global variables.
  virtual TIEContext& EngineContext() = 0;
  // Interpreted-function calls under way in this engine. The count runs on
  // through the runs that rule actions start, whose contexts begin afresh,
  // so that recursion through functions and rules together stays within the
  // call-depth bound. EnterCall returns the count including the new call.
  virtual std::int32_t EnterCall() noexcept = 0;
  virtual void LeaveCall() noexcept = 0;
  // The stack address of the outermost interpreted call under way, kept by
  // the caller of EnterCall: deep recursion stops by the stack it has used
  // too, before frames larger than usual (instrumented builds, functions
  // with many locals) exhaust the thread's stack within the depth bound.
  virtual std::uintptr_t& CallStackBase() noexcept = 0;
  // Whether calls of this function change facts and so print their arguments
  // as slot changes.
  virtual bool IsSlotFunction(std::string_view name) const = 0;
  virtual void AddDestroyWatcher(IReasonerWatcher& watcher) = 0;
  virtual void RemoveDestroyWatcher(IReasonerWatcher& watcher) = 0;

  // --- Rules ------------------------------------------------------------------------
  // The number for a rule made for this engine; the counter then increases.
  virtual std::int32_t NextRuleNumber() = 0;
  // The pattern on Initial-Fact that goes in front of rules beginning with a
  // negated, test or backward-chaining pattern; nullptr when there is none.
  virtual const TIEPattern* InitialPattern() = 0;
  // The fact of __NOT-OR-TEST-CE* that fills the position of a negated
  // pattern in a partial match.
  virtual IFact* NegationFact() = 0;
  // The rule registered under name (case-sensitive), or nullptr.
  virtual TRule* FindRule(std::string_view name) const = 0;
  // Registers the rule under its name (the engine owns it from then on) and
  // compiles it.
  virtual TRule& AddRule(std::unique_ptr<TRule> rule) = 0;
  // Unregisters the rule when it is the one registered under its name and
  // hands it back; nullptr otherwise.
  virtual std::unique_ptr<TRule> RemoveRule(TRule& rule) = 0;
  // Told by a registered rule before its name changes: the rule moves from
  // oldName to newName. Raises "Duplicate Rules defined with same name:
  // \"%s\"" when another rule has newName; nothing changes then.
  virtual void RenameRule(std::string_view oldName, std::string_view newName) = 0;
  // Told by a rule whose patterns, actions or flags changed; the rule
  // registered under its name is compiled again.
  virtual void RuleChanged(TRule& rule) = 0;
  // A new rule of this engine read from rule text (not registered).
  virtual std::unique_ptr<TRule> ParseRule(std::string_view text) = 0;

  // --- Constructs read by the rule-language parser ------------------------------------
  // Registers a defined type under its name (the engine applies its
  // duplicate-construct policy).
  virtual void AddDefinedType(TRef<IIEDefinedType> type) = 0;
  // Registers a template under its name; one without slots first gets the
  // multislot "__Data" of ordered facts.
  virtual void AddFactTemplate(TRef<IFactTemplate> factTemplate) = 0;
  // Takes over a fact set whose engine is this engine (a parsed deffacts);
  // returns the set as the engine keeps it, or nullptr when it dropped it.
  virtual TFactSet* AdoptFactSet(std::unique_ptr<TFactSet> factSet) = 0;
  // Stores a defglobal: name (asterisks included) with its initial value; a
  // call as value is evaluated first.
  virtual void SetGlobalVariable(std::string_view name, TRef<TIEValue> value) = 0;
  // Writes text through a logical name; an empty name is the standard output t.
  virtual void PrintOut(std::string_view logicalName, std::string_view text) = 0;

  // The full inference engine behind this reasoner, when it is one.
  virtual IInferenceEngine* InferenceEngine() noexcept { return nullptr; }

 protected:
  ~IReasoner() = default;
};

}  // namespace fxe
