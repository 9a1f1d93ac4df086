// The inference engine as function packages see it: the engine-level
// operations (assert, retract, run, reset, clear, halt), parsing, output, the
// settings, and read access to the collections. TInferenceEngine implements
// it; a function reaches it from its evaluation context:
//   IInferenceEngine* engine = InferenceEngineOf(context);
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "collections/EnumSet.h"
#include "collections/GHashtable.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEContext.h"
#include "model/IReasoner.h"
#include "rete/ActivationAgenda.h"
#include "values/IEParser.h"
#include "values/IEValue.h"

namespace fxe {

class TReteNetwork;
class TRule;
class TFactSet;
class IUserFunction;
class IIEDefinedType;
class IFactTemplate;
class IObjectHost;

// The trace switches: bit n is member n.
enum TConstructWatch : std::uint8_t { cwActivation, cwFact, cwRule, cwCompilation, cwStatistics };
using TConstructWatches = TEnumSet<TConstructWatch>;

// What adding a construct under an existing name does.
enum TDuplicateConstructs : std::uint8_t { dcOverwrite, dcIgnore, dcError };

// The built-in function packages: bit n is member n.
enum TFunctionPackage : std::uint8_t {
  pStandard,
  pPredicate,
  pMath,
  pMiscellaneous,
  pString,
  pObject,
  pTrigonometry,
  pBusiness,
  pFuzzyLogic,
};
using TFunctionPackages = TEnumSet<TFunctionPackage>;
inline constexpr TFunctionPackages AllFunctionPackages = TFunctionPackages::FromMask(511);

// Run's limit when none is given.
inline constexpr std::int32_t RunWithoutLimit = 2147483647;

class IInferenceEngine : public IReasoner {
 public:
  // --- The inference cycle -----------------------------------------------------------------
  // Gives the fact the next index, appends it to the fact base and matches it;
  // -1 when an equal fact exists and duplicates are not allowed. A fuzzy fact
  // is first correlated with the firing's strength and combined with an equal
  // fuzzy fact (which is retracted); it is asserted as a copy.
  virtual std::int32_t Assert(IFact& fact, bool unconditional = false) = 0;
  // Assert with another inference method for this one assertion.
  virtual std::int32_t AssertWith(IFact& fact, TFuzzyInferenceMethod method, bool unconditional) = 0;
  // Parses one fact, resolves it in the engine context and asserts it.
  virtual std::int32_t AssertString(std::string_view text) = 0;
  // Retracts the fact at a position of the fact base.
  virtual void Retract(std::int32_t position) = 0;
  // Parses one fact and retracts the first fact equal to it; its index, or -1.
  virtual std::int32_t RetractString(std::string_view text) = 0;
  // The receiver's fuzzy slots become their combination with the other fact's
  // (OnFuzzyInference may take this over).
  virtual void CombineFacts(IFact& receiver, const IFact& other) = 0;
  // Fires activations until the agenda is empty, Halt is called or limit
  // rules fired; the number fired.
  virtual std::int32_t Run(std::int32_t limit = RunWithoutLimit) = 0;
  // Ends Run after the firing under way.
  virtual void Halt() noexcept = 0;
  virtual bool Halted() const noexcept = 0;
  // Facts back to the initial fact and the fact sets, globals to their
  // initial values.
  virtual void Reset() = 0;
  // Empties the engine to its state after creation.
  virtual void Clear() = 0;

  // --- Text ------------------------------------------------------------------------------
  // Parses constructs and commands (executed when executeCommands).
  virtual void Parse(std::string_view text, bool executeCommands = true) = 0;
  virtual TRef<TIEValue> ParseValue(std::string_view text, TIEType type) = 0;
  virtual TRef<IIEDefinedType> ParseDefinedType(std::string_view text) = 0;
  virtual TRef<IFactTemplate> ParseFactTemplate(std::string_view text) = 0;
  virtual std::unique_ptr<TFactSet> ParseFactSet(std::string_view text) = 0;
  virtual TRef<IFunCall> ParseFunctionCall(std::string_view text) = 0;
  // Reads a defglobal and stores its variables.
  virtual void ParseGlobal(std::string_view text) = 0;
  // Writes text through a logical name: t (or empty) is the application's
  // print-out event.
  virtual void Output(std::string_view logicalName, std::string_view text) = 0;

  // --- Settings ----------------------------------------------------------------------------
  virtual TSearchStrategy Strategy() const noexcept = 0;
  virtual void SetStrategy(TSearchStrategy strategy) = 0;
  virtual bool FactDuplication() const noexcept = 0;
  virtual void SetFactDuplication(bool allowed) = 0;
  virtual TDuplicateConstructs DuplicateConstructs() const noexcept = 0;
  virtual void SetDuplicateConstructs(TDuplicateConstructs policy) noexcept = 0;
  virtual TConstructWatches Watch() const noexcept = 0;
  virtual void SetWatch(TConstructWatches watch) noexcept = 0;
  virtual bool ResetGlobals() const noexcept = 0;
  virtual void SetResetGlobals(bool reset) noexcept = 0;
  virtual std::int32_t SymbolIndex() const noexcept = 0;
  virtual void SetSymbolIndex(std::int32_t index) noexcept = 0;
  virtual void SetTypeChecks(TTypeChecks checks) = 0;
  virtual TFuzzyInferenceMethod FuzzyInferenceMethod() const noexcept = 0;
  virtual void SetFuzzyInferenceMethod(TFuzzyInferenceMethod method) noexcept = 0;
  virtual TFuzzyCorrelationMethod FuzzyCorrelationMethod() const noexcept = 0;
  virtual void SetFuzzyCorrelationMethod(TFuzzyCorrelationMethod method) noexcept = 0;
  virtual float FuzzyEqualsThreshold() const noexcept = 0;
  virtual void SetFuzzyEqualsThreshold(float threshold) = 0;
  virtual float MinActivationStrength() const noexcept = 0;
  virtual void SetMinActivationStrength(float strength) = 0;
  virtual bool FuzzyAutoTerms() const noexcept = 0;
  virtual void SetFuzzyAutoTerms(bool autoTerms) noexcept = 0;
  virtual float Version() const noexcept = 0;

  // --- State and collections -----------------------------------------------------------------
  virtual TActivationAgenda& Agenda() noexcept = 0;
  virtual TReteNetwork& Network() noexcept = 0;
  // The activation being fired inside Run, or nullptr.
  virtual TActivation* CurrentActivation() const noexcept = 0;
  // Rules fired in the current (or last) run.
  virtual std::int32_t FiredCount() const noexcept = 0;
  // The fact base in assertion order.
  virtual std::int32_t FactCount() const = 0;
  virtual IFact& FactAt(std::int32_t position) const = 0;
  // The position of the fact with that index, or -1.
  virtual std::int32_t IndexOfFactId(std::int32_t id) const = 0;
  virtual const TGStringHashtable<std::unique_ptr<TRule>>& RuleTable() const noexcept = 0;
  virtual const TIStringHashTable<IFactTemplate>& FactTemplateTable() const noexcept = 0;
  virtual const TIStringHashTable<IIEDefinedType>& DefinedTypeTable() const noexcept = 0;
  virtual const TIStringHashTable<IUserFunction>& FunctionTable() const noexcept = 0;
  // The initial values of the defglobals (their current values are the
  // root context's bindings).
  virtual const TValueHashTable& GlobalVariableTable() const noexcept = 0;
  // The values of store and fetch.
  virtual TValueHashTable& EngineVariableTable() noexcept = 0;
  virtual std::span<TFactSet* const> FactSetList() const noexcept = 0;
  // Retracts and removes everything that uses the template, then the template.
  virtual void RemoveFactTemplate(IFactTemplate& factTemplate) = 0;

  // The host object model the object package works on, or nullptr.
  virtual IObjectHost* ObjectHost() const noexcept { return nullptr; }

  IInferenceEngine* InferenceEngine() noexcept override { return this; }

 protected:
  ~IInferenceEngine() = default;
};

// The inference engine behind a context (nullptr when its engine is not one).
inline IInferenceEngine* InferenceEngineOf(const TIEContext* context) noexcept {
  IReasoner* reasoner = context ? context->Engine() : nullptr;
  return reasoner ? reasoner->InferenceEngine() : nullptr;
}

}  // namespace fxe
