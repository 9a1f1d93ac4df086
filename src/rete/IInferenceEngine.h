// The inference engine as function packages see it: the engine-level
// operations (assert, retract, run, reset, clear, halt), parsing, output, the
// settings, and read access to the collections. TInferenceEngine implements
// it; a function reaches it from its evaluation context:
//   IInferenceEngine* engine = InferenceEngineOf(context);
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "collections/EnumSet.h"
#include "collections/GHashtable.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEContext.h"
#include "model/IReasoner.h"
#include "rete/ActivationAgenda.h"
#include "rete/IHostDialogs.h"
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

// How OpenStream opens a file: Read and ReadWrite need an existing file,
// Write creates it or empties it, Append writes after its end.
enum class TOpenMode : std::uint8_t { Read, ReadWrite, Write, Append };

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
  // Assert for a fact that no one else holds or changes (one made for this
  // assertion): a fuzzy fact is correlated and combined in place instead of
  // as a copy.
  virtual std::int32_t AssertOwn(TRef<IFact> fact, bool unconditional = false) = 0;
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

  // --- Input and output through logical names -----------------------------------------------
  // The next line of a registered stream ("" at its end), of the batch file
  // under way, or from the application.
  virtual std::string ReadLine(std::string_view logicalName) = 0;
  // The next token, from the same sources as ReadLine.
  virtual TRef<IStreamToken> ReadToken(std::string_view logicalName) = 0;
  // True when no input is left where ReadLine would read: a registered
  // stream or the batch file at its end, or, for the application's input,
  // once the application said it has ended (readline then answers EOF).
  virtual bool InputEnded(std::string_view logicalName) = 0;
  // Sends the output for t to a new (emptied) file instead; false when the
  // file cannot be created.
  virtual bool DribbleOn(std::string_view fileName) = 0;
  virtual void DribbleOff() = 0;
  // Runs the file line by line as commands; input on t reads the file's next
  // line meanwhile. Batches nest.
  virtual bool Batch(std::string_view fileName) = 0;
  // Opens the file and registers it under the logical name, following
  // DuplicateConstructs when the name is taken.
  virtual void OpenStream(std::string_view fileName, std::string_view logicalName, TOpenMode mode) = 0;
  // Closes a registered stream; "Invalid stream name: %s" when there is none.
  virtual void CloseStream(std::string_view logicalName) = 0;
  // Closes every registered stream.
  virtual void CloseFileStreams() = 0;

  // --- Whole knowledge bases and facts --------------------------------------------------------
  // The knowledge base as rule-language text that LoadFile reads back.
  virtual std::string SaveAll() = 0;
  // Reads the constructs of the file and runs its top-level calls.
  virtual void LoadFile(std::string_view fileName) = 0;
  // Writes SaveAll to the file; the old file stays whole when writing fails.
  virtual void SaveFile(std::string_view fileName) = 0;
  // Reads the facts of the file and asserts them.
  virtual void LoadFactsFile(std::string_view fileName) = 0;
  // All facts, or only those of the named templates when the list is not empty.
  virtual void SaveFactsFile(std::string_view fileName, std::span<const std::string> templateNames) = 0;
  // Drops every fact and sends one clear token through the network.
  virtual void ClearFacts() = 0;

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
  // Removes the types derived from the type and the templates with a slot of
  // it (with their facts and rules), then the type.
  virtual void RemoveDefinedType(IIEDefinedType& type) = 0;
  // Removes the rule registered under name (a rule firing now is freed when
  // its firing ends); false when there is none.
  virtual bool DeleteRule(std::string_view name) = 0;
  // Removes the fact set of that name (freed when the engine owns it); false
  // when there is none.
  virtual bool DeleteFactSet(std::string_view name) = 0;
  // The function's deffunction text (parameters and actions only for an
  // interpreted function).
  virtual std::string FormatFunction(const IUserFunction& function) const = 0;
  // The host's user interface for the dialog functions, or nullptr.
  virtual IHostDialogs* Dialogs() const noexcept = 0;

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
