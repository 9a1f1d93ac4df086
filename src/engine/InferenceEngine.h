// The inference engine: the one object through which an application uses the
// system. It owns the knowledge base (defined types, templates, rules, fact
// sets, facts, globals, functions), the Rete network, the agenda, the parser
// and the root evaluation context; it asserts, retracts and runs, routes all
// output through one operation, keeps run statistics and raises the events
// an application assigns.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/EngineVariables.h"
#include "engine/FactSets.h"
#include "engine/Facts.h"
#include "engine/IOStreams.h"
#include "engine/NamedCollections.h"
#include "engine/Rules.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEContext.h"
#include "model/IEPackages.h"
#include "parser/IERuleParser.h"
#include "rete/ActivationAgenda.h"
#include "rete/IInferenceEngine.h"
#include "rete/IReteEngine.h"
#include "rete/ReteNetwork.h"

namespace fxe {

class TInferenceEngine;

// Makes the package object of one function package for an engine.
using TPackageFactory = std::function<std::unique_ptr<TUserPackage>(TInferenceEngine& engine)>;
// One factory per package, indexed by TFunctionPackage; empty for packages
// that are not available.
using TPackageFactories = std::array<TPackageFactory, 9>;
// The packages this build of the engine provides.
TPackageFactories DefaultPackageFactories();

class TInferenceEngine final : public IInferenceEngine, public IReteEngine {
 public:
  using TNotifyEvent = std::function<void(TInferenceEngine& sender)>;
  using TAgendaEvent = std::function<void(TInferenceEngine& sender, std::int32_t index, const TActivation& activation)>;
  using TFactEvent = std::function<void(TInferenceEngine& sender, const IFact& fact)>;
  using TRuleEvent = std::function<void(TInferenceEngine& sender, TRule& rule)>;
  using TInferenceEvent = std::function<void(TInferenceEngine& sender, std::int32_t rulesFired)>;
  using TFactTemplateEvent = std::function<void(TInferenceEngine& sender, const IFactTemplate& factTemplate)>;
  using TDefinedTypeEvent = std::function<void(TInferenceEngine& sender, const IIEDefinedType& type)>;
  using TUserFunctionEvent = std::function<void(TInferenceEngine& sender, const IUserFunction& function)>;
  using TPrintOutEvent = std::function<void(TInferenceEngine& sender, std::string_view outId, std::string_view text)>;
  using TReadLineEvent = std::function<void(TInferenceEngine& sender, std::string_view inId, std::string& text)>;
  using TReadTokenEvent =
      std::function<void(TInferenceEngine& sender, std::string_view inId, TRef<IStreamToken>& token)>;
  using TFuzzyCorrelationEvent = std::function<void(TInferenceEngine& sender, IFact& fact, float strength, bool& done)>;
  using TFactCombineEvent = std::function<void(TInferenceEngine& sender, IFact& fact1, const IFact& fact2, bool& done)>;

  // What an engine is built with.
  struct TOptions {
    TFunctionPackages packages = AllFunctionPackages;
    TPackageFactories factories = DefaultPackageFactories();
    // Join memories and the agenda's sequence; the fast ones when not given
    // (tests put literal models here).
    const ITokenMemoryFactory* memories = nullptr;
    std::function<std::unique_ptr<IActivationSequence>()> agendaSequence;
    bool literalLookups = false;
  };

  TInferenceEngine();
  explicit TInferenceEngine(TOptions options);
  ~TInferenceEngine();
  TInferenceEngine(const TInferenceEngine&) = delete;
  TInferenceEngine& operator=(const TInferenceEngine&) = delete;

  // --- The inference cycle (IInferenceEngine) ---------------------------------------------
  std::int32_t Assert(IFact& fact, bool unconditional = false) override;
  std::int32_t AssertOwn(TRef<IFact> fact, bool unconditional = false) override;
  std::int32_t AssertWith(IFact& fact, TFuzzyInferenceMethod method, bool unconditional) override;
  std::int32_t AssertString(std::string_view text) override;
  void Retract(std::int32_t position) override;
  std::int32_t RetractString(std::string_view text) override;
  void CombineFacts(IFact& receiver, const IFact& other) override;
  std::int32_t Run(std::int32_t limit = RunWithoutLimit) override;
  void Halt() noexcept override { halt_ = true; }
  bool Halted() const noexcept override { return halt_; }
  void Reset() override;
  void Clear() override;
  // Copies the other engine's settings and knowledge base into this one.
  void Assign(TInferenceEngine& other);

  // --- Text -------------------------------------------------------------------------------
  void Parse(std::string_view text, bool executeCommands = true) override;
  TRef<TIEValue> ParseValue(std::string_view text, TIEType type) override;
  TRef<IIEDefinedType> ParseDefinedType(std::string_view text) override;
  TRef<IFactTemplate> ParseFactTemplate(std::string_view text) override;
  std::unique_ptr<TFactSet> ParseFactSet(std::string_view text) override;
  TRef<IFunCall> ParseFunctionCall(std::string_view text) override;
  void ParseGlobal(std::string_view text) override;
  void Output(std::string_view logicalName, std::string_view text) override;
  TIERuleParser& Parser() noexcept { return *parser_; }

  // --- Input and output through logical names ---------------------------------------------
  std::string ReadLine(std::string_view logicalName) override;
  bool InputEnded(std::string_view logicalName) override;
  // The application's input has ended (or starts again): an OnReadLine
  // handler that finds no more input says so before it returns.
  void SetStandardInputEnded(bool ended) noexcept { standardInputEnded_ = ended; }
  TRef<IStreamToken> ReadToken(std::string_view logicalName) override;
  bool DribbleOn(std::string_view fileName) override;
  void DribbleOff() override;
  bool Batch(std::string_view fileName) override;
  // Runs the stream's lines as commands, as Batch does with a file.
  // A failing command does not end the batch: the others run, and the
  // failures are raised together at the end, each with its line (name is
  // the file's, for the message).
  bool BatchFrom(std::unique_ptr<TGStream> stream, std::string_view name = {});
  void OpenStream(std::string_view fileName, std::string_view logicalName, TOpenMode mode) override;
  void CloseStream(std::string_view logicalName) override;
  void CloseFileStreams() override;
  TIOStreams& IOStreams() noexcept { return streams_; }

  // --- Whole knowledge bases, templates, types and facts ------------------------------------
  std::string SaveAll() override;
  // Reads constructs and runs the top-level calls of the stream.
  void Load(TGStream& stream);
  void LoadFile(std::string_view fileName) override;
  // Clears the engine, reads the text's constructs, then resets.
  void LoadFromText(std::string_view text);
  void Save(TGStream& stream);
  void SaveFile(std::string_view fileName) override;
  // Clear the collection, then read the stream's constructs.
  void LoadDefinedTypes(TGStream& stream);
  void LoadFactTemplates(TGStream& stream);
  // Each item's text and CR LF, parents before their children.
  void SaveDefinedTypes(TGStream& stream);
  void SaveFactTemplates(TGStream& stream);
  // Reads a list of facts and asserts them.
  void LoadFacts(TGStream& stream);
  void LoadFactsFile(std::string_view fileName) override;
  // Each fact's text and CR LF in fact-base order; SaveFactsOf only those of
  // one template.
  void SaveFacts(TGStream& stream);
  void SaveFactsOf(TGStream& stream, std::string_view templateName);
  void SaveFactsFile(std::string_view fileName, std::span<const std::string> templateNames) override;
  void ClearFacts() override { ClearFactBase(); }

  // --- Stored properties ----------------------------------------------------------------------
  // The settings that differ from their defaults and the knowledge base as
  // one JSON object, keys in reading order; LoadProperties reads it into
  // this engine (types, templates, globals, rules, facts, fact sets).
  std::string SaveProperties();
  void LoadProperties(std::string_view json);
  void SavePropertiesFile(std::string_view fileName);
  void LoadPropertiesFile(std::string_view fileName);

  // --- Settings ------------------------------------------------------------------------------
  TSearchStrategy Strategy() const noexcept override { return agenda_.Strategy(); }
  // Re-places every activation on the agenda (each is announced again).
  void SetStrategy(TSearchStrategy strategy) override;
  bool FactDuplication() const noexcept override { return factDuplication_; }
  void SetFactDuplication(bool allowed) override;
  TDuplicateConstructs DuplicateConstructs() const noexcept override { return duplicateConstructs_; }
  void SetDuplicateConstructs(TDuplicateConstructs policy) noexcept override { duplicateConstructs_ = policy; }
  TConstructWatches Watch() const noexcept override { return watch_; }
  void SetWatch(TConstructWatches watch) noexcept override { watch_ = watch; }
  bool ResetGlobals() const noexcept override { return resetGlobals_; }
  void SetResetGlobals(bool reset) noexcept override { resetGlobals_ = reset; }
  std::int32_t SymbolIndex() const noexcept override { return symbolIndex_; }
  // Never decreases: a larger value replaces the index, any other adds one.
  void SetSymbolIndex(std::int32_t index) noexcept override;
  TTypeChecks TypeChecks() const override { return typeChecks_; }
  void SetTypeChecks(TTypeChecks checks) override;
  std::uint32_t ParserMaxErrors() const noexcept { return parserMaxErrors_; }
  void SetParserMaxErrors(std::uint32_t maxErrors) noexcept;
  TErrorHandling ParserErrorHandling() const noexcept { return parserErrorHandling_; }
  void SetParserErrorHandling(TErrorHandling handling) noexcept;
  TFuzzyInferenceMethod FuzzyInferenceMethod() const noexcept override { return inferenceMethod_; }
  void SetFuzzyInferenceMethod(TFuzzyInferenceMethod method) noexcept override { inferenceMethod_ = method; }
  TFuzzyCorrelationMethod FuzzyCorrelationMethod() const noexcept override { return correlationMethod_; }
  void SetFuzzyCorrelationMethod(TFuzzyCorrelationMethod method) noexcept override { correlationMethod_ = method; }
  float FuzzyEqualsThreshold() const noexcept override { return equalsThreshold_; }
  // Clamped into [0, 1] and copied into every defined type's fuzzy variable.
  void SetFuzzyEqualsThreshold(float threshold) override;
  float MinActivationStrength() const noexcept override { return minActivationStrength_; }
  void SetMinActivationStrength(float strength) override;
  bool FuzzyAutoTerms() const noexcept override { return fuzzyAutoTerms_; }
  void SetFuzzyAutoTerms(bool autoTerms) noexcept override { fuzzyAutoTerms_ = autoTerms; }
  float Version() const noexcept override { return version_; }
  // The application's object model for the object package; not owned, and
  // it must outlive the engine (or be taken away first with nullptr).
  IObjectHost* ObjectHost() const noexcept override { return objectHost_; }
  void SetObjectHost(IObjectHost* host) noexcept { objectHost_ = host; }
  TFunctionPackages Packages() const noexcept { return packages_; }
  // Frees the engine's packages and installs those of the new set.
  void SetPackages(TFunctionPackages packages);
  // Installs the packages of Packages in the order standard, miscellaneous,
  // predicate, math, string, object, trigonometry, business, fuzzy logic.
  void AddDefaultPackages();
  // Makes a package available to this engine (applies to later installations).
  void SetPackageFactory(TFunctionPackage package, TPackageFactory factory);
  std::int32_t NextRuleNumberPeek() const noexcept { return nextRuleNumber_; }

  // --- State and collections -------------------------------------------------------------------
  TActivationAgenda& Agenda() noexcept override { return agenda_; }
  TReteNetwork& Network() noexcept override { return *network_; }
  TActivation* CurrentActivation() const noexcept override { return current_; }
  std::int32_t FiredCount() const noexcept override { return firedCount_; }
  std::int32_t FactCount() const override { return facts_.Count(); }
  IFact& FactAt(std::int32_t position) const override { return facts_.Fact(position); }
  std::int32_t IndexOfFactId(std::int32_t id) const override { return facts_.IndexOfId(id); }
  const TGStringHashtable<std::unique_ptr<TRule>>& RuleTable() const noexcept override { return rules_; }
  const TIStringHashTable<IFactTemplate>& FactTemplateTable() const noexcept override { return templates_; }
  const TIStringHashTable<IIEDefinedType>& DefinedTypeTable() const noexcept override { return types_; }
  const TIStringHashTable<IUserFunction>& FunctionTable() const noexcept override { return functions_; }
  const TValueHashTable& GlobalVariableTable() const noexcept override { return globals_; }
  TValueHashTable& EngineVariableTable() noexcept override { return variables_; }
  std::span<TFactSet* const> FactSetList() const noexcept override { return factSets_.List(); }
  void RemoveFactTemplate(IFactTemplate& factTemplate) override;
  void RemoveDefinedType(IIEDefinedType& type) override;
  bool DeleteRule(std::string_view name) override;
  bool DeleteFactSet(std::string_view name) override;
  std::string FormatFunction(const IUserFunction& function) const override;
  IHostDialogs* Dialogs() const noexcept override { return dialogs_; }
  // The host's dialogs, not owned: the host keeps them alive while they are set.
  void SetDialogs(IHostDialogs* dialogs) noexcept { dialogs_ = dialogs; }
  // Redefines a template: facts, fact sets and rules on the old one are read
  // again on the new one.
  void ReplaceFactTemplate(IFactTemplate& oldTemplate, IFactTemplate& newTemplate);

  TFacts& Facts() noexcept { return facts_; }
  TRules& Rules() noexcept { return rules_; }
  TFactTemplates& FactTemplates() noexcept { return templates_; }
  TIEDefinedTypes& DefinedTypes() noexcept { return types_; }
  TUserFunctions& UserFunctions() noexcept { return functions_; }
  TGlobalVariables& GlobalVariables() noexcept { return globals_; }
  TEngineVariables& EngineVariables() noexcept { return variables_; }
  TFactSets& FactSets() noexcept { return factSets_; }
  // Held around each firing; other threads may take it to look at the
  // engine between firings.
  std::recursive_mutex& FiringLock();

  // Run statistics of the last run.
  struct TRunStatistics {
    double seconds = 0.0;
    std::int32_t maximumFacts = 0;
    std::int32_t maximumActivations = 0;
    double meanFacts = 0.0;
    double meanActivations = 0.0;
  };
  const TRunStatistics& RunStatistics() const noexcept { return statistics_; }

  // --- Events ---------------------------------------------------------------------------------
  void SetOnAddDefaultPackages(TNotifyEvent handler) { onAddDefaultPackages_ = std::move(handler); }
  void SetOnAddActivation(TAgendaEvent handler) { onAddActivation_ = std::move(handler); }
  void SetOnRemoveActivation(TAgendaEvent handler) { onRemoveActivation_ = std::move(handler); }
  void SetOnAssertion(TFactEvent handler) { onAssertion_ = std::move(handler); }
  void SetOnRetraction(TFactEvent handler) { onRetraction_ = std::move(handler); }
  void SetOnRuleFired(TRuleEvent handler) { onRuleFired_ = std::move(handler); }
  void SetOnAddRule(TRuleEvent handler) { onAddRule_ = std::move(handler); }
  void SetOnRemoveRule(TRuleEvent handler) { onRemoveRule_ = std::move(handler); }
  void SetOnNewFactTemplate(TFactTemplateEvent handler) { onNewFactTemplate_ = std::move(handler); }
  void SetOnRemoveFactTemplate(TFactTemplateEvent handler) { onRemoveFactTemplate_ = std::move(handler); }
  void SetOnAddDefinedType(TDefinedTypeEvent handler) { onAddDefinedType_ = std::move(handler); }
  void SetOnRemoveDefinedType(TDefinedTypeEvent handler) { onRemoveDefinedType_ = std::move(handler); }
  void SetOnAddUserFunction(TUserFunctionEvent handler) { onAddUserFunction_ = std::move(handler); }
  void SetOnRemoveUserFunction(TUserFunctionEvent handler) { onRemoveUserFunction_ = std::move(handler); }
  void SetOnClear(TNotifyEvent handler) { onClear_ = std::move(handler); }
  void SetOnReset(TNotifyEvent handler) { onReset_ = std::move(handler); }
  void SetOnClearFacts(TNotifyEvent handler) { onClearFacts_ = std::move(handler); }
  void SetOnClearRules(TNotifyEvent handler) { onClearRules_ = std::move(handler); }
  void SetOnClearFactTemplates(TNotifyEvent handler) { onClearFactTemplates_ = std::move(handler); }
  void SetOnClearDefinedTypes(TNotifyEvent handler) { onClearDefinedTypes_ = std::move(handler); }
  void SetOnStartInference(TNotifyEvent handler) { onStartInference_ = std::move(handler); }
  void SetOnEndInference(TInferenceEvent handler) { onEndInference_ = std::move(handler); }
  void SetOnPrintOut(TPrintOutEvent handler) { onPrintOut_ = std::move(handler); }
  // Each error of a collecting parse (ParserErrorHandling ehRaiseAllAtEnd) as
  // it happens; while one is assigned, Parse reads on to the end of the text
  // and raises nothing for the failed forms.
  using TParseErrorEvent = std::function<void(TInferenceEngine& sender, std::string_view message, std::int32_t line)>;
  void SetOnParseError(TParseErrorEvent handler);
  const TPrintOutEvent& OnPrintOut() const noexcept { return onPrintOut_; }
  void SetOnReadLine(TReadLineEvent handler) { onReadLine_ = std::move(handler); }
  void SetOnReadToken(TReadTokenEvent handler) { onReadToken_ = std::move(handler); }
  void SetOnFuzzyCorrelation(TFuzzyCorrelationEvent handler) { onFuzzyCorrelation_ = std::move(handler); }
  void SetOnFuzzyInference(TFactCombineEvent handler) { onFuzzyInference_ = std::move(handler); }

  // --- IReasoner -----------------------------------------------------------------------------------
  std::string Gensym(std::string_view prefix) override;
  TRef<IIEDefinedType> FindDefinedType(std::string_view name) const override;
  TRef<IFactTemplate> FindFactTemplate(std::string_view name) const override;
  TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) override;
  void RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName, std::string_view newName) override;
  void AddFactSet(TFactSet& factSet) override;
  void RemoveFactSet(TFactSet& factSet) override;
  void FactSetRenamed(TFactSet& factSet, std::string_view oldName) override;
  std::int32_t NextFactIndex() const override { return nextFactIndex_; }
  IIEContext* Context() override { return context_.get(); }
  IFuzzyParser* FuzzyParser() override { return &fuzzyParser_; }
  TRef<TIEValue> LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<TIEValue> SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value, IIEContext* context) override;
  TRef<IFact> ParseFact(std::string_view text) override;
  TRef<IFactSlot> ParseFactSlot(std::string_view text, IFactTemplate& owner) override;
  TRef<TIEValue> ParseSlotValue(std::string_view text, IFactSlot& slot) override;
  TRef<IFact> FindFact(std::int32_t index) override;
  std::int32_t AssertFact(IFact& fact) override { return Assert(fact, false); }
  std::int32_t RetractFact(IFact& fact) override;
  void ResolveFact(IFact& fact, IIEContext* context) override;
  void AddFunction(IUserFunction& function) override;
  void RemoveFunction(IUserFunction& function) override;
  TRef<IUserFunction> FindFunction(std::string_view name) const override;
  TIEContext& EngineContext() override { return *context_; }
  std::int32_t EnterCall() noexcept override { return ++callDepth_; }
  void LeaveCall() noexcept override { --callDepth_; }
  std::uintptr_t& CallStackBase() noexcept override { return callStackBase_; }
  bool IsSlotFunction(std::string_view name) const override;
  void AddDestroyWatcher(IReasonerWatcher& watcher) override;
  void RemoveDestroyWatcher(IReasonerWatcher& watcher) override;
  std::int32_t NextRuleNumber() override { return nextRuleNumber_++; }
  const TIEPattern* InitialPattern() override { return initialPattern_.get(); }
  IFact* NegationFact() override { return negationFact_.Get(); }
  TRule* FindRule(std::string_view name) const override;
  TRule& AddRule(std::unique_ptr<TRule> rule) override;
  std::unique_ptr<TRule> RemoveRule(TRule& rule) override;
  void RenameRule(std::string_view oldName, std::string_view newName) override;
  void RuleChanged(TRule& rule) override;
  std::unique_ptr<TRule> ParseRule(std::string_view text) override;
  void AddDefinedType(TRef<IIEDefinedType> type) override;
  void AddFactTemplate(TRef<IFactTemplate> factTemplate) override;
  TFactSet* AdoptFactSet(std::unique_ptr<TFactSet> factSet) override;
  void SetGlobalVariable(std::string_view name, TRef<TIEValue> value) override;
  void PrintOut(std::string_view logicalName, std::string_view text) override { Output(logicalName, text); }

  // --- IReteEngine -----------------------------------------------------------------------------------
  void AddActivation(TRef<TActivation> activation) override;
  void RemoveActivation(TActivation& activation) override;
  void RuleFired(TActivation& activation) override;
  void QueuePending(TRef<IFact> fact, bool isAssertion) override;
  std::vector<TRef<IFact>> FactSnapshot() override { return facts_.Snapshot(); }
  IReasoner& Reasoner() override { return *this; }

 private:
  friend class TFacts;
  friend class TRules;
  friend class TFactTemplates;
  friend class TIEDefinedTypes;
  friend class TUserFunctions;
  friend class TGlobalVariables;
  friend class TFactSets;

  void CreateImpliedObjects();
  void ClearEventHandlers() noexcept;
  bool Tracing(TConstructWatch watch) const noexcept { return watch_.Contains(watch) && onPrintOut_; }
  void Trace(std::string_view line);
  // Assert and AssertOwn: own tells that the fact may be rewritten in place.
  std::int32_t AssertFrom(IFact& fact, bool unconditional, bool own);
  // Steps 1 to 5 of an assertion; the fact asserted (a copy for a fuzzy
  // fact the caller keeps), or nullptr when it was refused.
  TRef<IFact> AssertSteps(IFact& fact, bool unconditional, bool own);
  TRef<IFact> AppendAndMatch(TRef<IFact> fact, std::uint64_t hash);
  void RetractSteps(IFact& fact);
  // Retracts the fact and processes the pending lists.
  void RetractOne(IFact& fact);
  // Asserts the facts queued meanwhile, then retracts the queued ones, and
  // raises OnAssertion for the asserted facts, innermost first; without
  // recursing however long the chain of queued facts grows.
  void DrainPending(std::vector<TRef<IFact>>& asserted);
  void Correlate(IFact& fact, float strength);
  void Combine(IFact& receiver, const IFact& other, bool unconditional);
  void FireActivation(TActivation& activation);
  void EndFiring(TRef<TActivation> activation) noexcept;
  void PrintStatistics();
  std::int32_t AddFactFromOutside(IFact& fact);
  void RemoveRuleFromNetwork(TRule& rule);
  // Frees a rule that left the rules, or keeps it until the firing under way ends.
  void RetireRule(std::unique_ptr<TRule> rule);
  // The parser reads from text for the length of one call.
  template <class TResult, class TRead>
  TResult ParseText(std::string_view text, TRead read);
  // Points the parser at another stream until the scope ends.
  class TParserStreamScope {
   public:
    TParserStreamScope(TIERuleParser& parser, TIETokenizerStream& stream) noexcept
        : parser_(parser), previous_(parser.Stream()) {
      parser.SetStream(&stream);
    }
    ~TParserStreamScope() { parser_.SetStream(previous_); }
    TParserStreamScope(const TParserStreamScope&) = delete;
    TParserStreamScope& operator=(const TParserStreamScope&) = delete;

   private:
    TIERuleParser& parser_;
    TIETokenizerStream* previous_;
  };
  // A rule action may run the engine again; runs inside runs deeper than
  // this are refused, so that rules recursing through run stop with a
  // message instead of exhausting the process stack.
  static constexpr std::int32_t kMaxRunDepth = 64;
  // Counts a batch or load file for its reading; raises when files nest
  // deeper than kMaxFileDepth (a file that runs itself).
  static constexpr std::int32_t kMaxFileDepth = 64;
  class TFileNesting {
   public:
    TFileNesting(TInferenceEngine& engine, std::string_view fileName);
    ~TFileNesting() { --engine_.fileDepth_; }
    TFileNesting(const TFileNesting&) = delete;
    TFileNesting& operator=(const TFileNesting&) = delete;

   private:
    TInferenceEngine& engine_;
  };
  // The construct texts of the knowledge base's sections, in the order the
  // save text holds them (parents before their children).
  std::vector<std::string> GlobalVariableTexts() const;
  std::vector<std::string> DefinedTypeTexts() const;
  std::vector<std::string> FactTemplateTexts(bool withImplied) const;
  std::vector<std::string> FunctionTexts() const;
  std::vector<std::string> RuleTexts() const;
  std::vector<std::string> FactSetTexts(bool ownedOnly) const;
  // All facts, or those of the named templates.
  std::vector<std::string> FactTexts(std::span<const std::string> templateNames) const;
  void ClearFactBase();
  void ReleasePackages() noexcept;
  void TellDestroyWatchers() noexcept;

  // Owned objects; the destructor frees them in the order it needs.
  std::unique_ptr<std::recursive_mutex> firingLock_;
  TUserFunctions functions_{*this};
  bool renaming_ = false;
  std::int32_t nextFactIndex_ = 0;
  std::int32_t nextRuleNumber_ = 0;
  TRules rules_{*this};
  TIEAgenda agenda_;
  TFacts facts_{*this};
  std::deque<TRef<IFact>> pendingAssertions_;
  std::deque<TRef<IFact>> pendingRetractions_;
  TFactTemplates templates_{*this};
  std::unique_ptr<TIEContext> context_;
  std::unique_ptr<TReteNetwork> network_;
  std::unique_ptr<TIEPattern> initialPattern_;
  TRef<IFact> negationFact_;
  bool halt_ = false;
  TEngineVariables variables_;
  std::int32_t symbolIndex_ = 0;
  bool resetGlobals_ = true;
  TGlobalVariables globals_{*this};
  TFactSets factSets_{*this};
  TIEFuzzyParser fuzzyParser_;
  std::unique_ptr<TIERuleParser> parser_;
  // The activation Run is firing (Run holds it).
  TActivation* current_ = nullptr;
  TRule* firingRule_ = nullptr;
  std::vector<std::unique_ptr<TRule>> retiredRules_;
  TConstructWatches watch_;
  float version_ = 2.0f;
  TFunctionPackages packages_;
  TPackageFactories factories_;
  std::vector<std::unique_ptr<TUserPackage>> installed_;
  bool factDuplication_ = false;
  std::int32_t firedCount_ = 0;
  TRunStatistics statistics_;
  TTypeChecks typeChecks_{tcStatic};
  TDuplicateConstructs duplicateConstructs_ = dcOverwrite;
  std::uint32_t parserMaxErrors_ = 10;
  TErrorHandling parserErrorHandling_ = ehRaiseImmediate;
  TIEDefinedTypes types_{*this};
  TFuzzyInferenceMethod inferenceMethod_ = fimMinMax;
  TFuzzyCorrelationMethod correlationMethod_ = fcmMinimum;
  bool fuzzyAutoTerms_ = true;
  IObjectHost* objectHost_ = nullptr;
  float equalsThreshold_ = 0.01f;
  float minActivationStrength_ = 0.0f;
  IHostDialogs* dialogs_ = nullptr;
  // The watchers told when the engine goes, in the order they came (nullptr
  // where one has left), and the place of each: every rule watches its
  // engine, so adding and removing must not scan them all.
  std::vector<IReasonerWatcher*> destroyWatchers_;
  std::unordered_map<const IReasonerWatcher*, std::size_t> destroyWatcherPlaces_;
  bool destroying_ = false;
  // Set while Reset asserts the fact sets: a call in a deffacts fact that
  // resets or clears the engine, or frees a fact set, is refused.
  bool resetting_ = false;
  std::int32_t draining_ = 0;
  TIOStreams streams_{*this};
  // Output for t goes here while it is set.
  std::unique_ptr<TGFileStream> dribble_;
  // The batch files under way, innermost last.
  std::vector<std::unique_ptr<TIERuleStream>> batches_;
  // Batch and load files being read, one inside another.
  std::int32_t fileDepth_ = 0;
  // Runs under way, one inside another's rule action.
  std::int32_t runDepth_ = 0;
  // Interpreted-function calls under way, across nested runs.
  std::int32_t callDepth_ = 0;
  std::uintptr_t callStackBase_ = 0;

  TNotifyEvent onAddDefaultPackages_;
  TAgendaEvent onAddActivation_;
  TAgendaEvent onRemoveActivation_;
  TFactEvent onAssertion_;
  TFactEvent onRetraction_;
  TRuleEvent onRuleFired_;
  TRuleEvent onAddRule_;
  TRuleEvent onRemoveRule_;
  TFactTemplateEvent onNewFactTemplate_;
  TFactTemplateEvent onRemoveFactTemplate_;
  TDefinedTypeEvent onAddDefinedType_;
  TDefinedTypeEvent onRemoveDefinedType_;
  TUserFunctionEvent onAddUserFunction_;
  TUserFunctionEvent onRemoveUserFunction_;
  TNotifyEvent onClear_;
  TNotifyEvent onReset_;
  TNotifyEvent onClearFacts_;
  TNotifyEvent onClearRules_;
  TNotifyEvent onClearFactTemplates_;
  TNotifyEvent onClearDefinedTypes_;
  TNotifyEvent onStartInference_;
  TInferenceEvent onEndInference_;
  TPrintOutEvent onPrintOut_;
  TReadLineEvent onReadLine_;
  bool standardInputEnded_ = false;
  TReadTokenEvent onReadToken_;
  TFuzzyCorrelationEvent onFuzzyCorrelation_;
  TFactCombineEvent onFuzzyInference_;
};

}  // namespace fxe
