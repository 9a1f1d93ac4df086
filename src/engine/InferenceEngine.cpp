// The inference engine: creation, clear and reset, assertion (correlation and
// combination of fuzzy facts, duplicates, the pending queue), retraction, the
// run loop with its statistics, the agenda's side of activations, parsing and
// output, settings, and the engine's side of the model's interface.
#include "engine/InferenceEngine.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "model/ConstructText.h"
#include "model/IEFacts.h"

namespace fxe {

using detail::kLineEnd;

namespace {

constexpr std::string_view kInitialFactText = "(Initial-Fact)";

// The order in which the default packages are installed (not bit order).
constexpr TFunctionPackage kPackageOrder[] = {pStandard, pMiscellaneous, pPredicate, pMath,      pString,
                                              pObject,   pTrigonometry,  pBusiness,  pFuzzyLogic};

double NowMilliseconds() {
  using TClock = std::chrono::steady_clock;
  return std::chrono::duration<double, std::milli>(TClock::now().time_since_epoch()).count();
}

// The clip of a set at a level: min(A(x), level), with a point wherever a
// segment crosses the level. It keeps the name correlation by minimum gives
// ("<set> > <level>").
TRef<IFuzzySet> ClippedFuzzySet(const IFuzzySet& set, float level) {
  return set.ClippedCopy(level, FuzzyNumberName(set.Name(), FuzzyConsts::OperatorWords[7], static_cast<double>(level)));
}

}  // namespace

// --- Creation and destruction -------------------------------------------------------------------

TInferenceEngine::TInferenceEngine() : TInferenceEngine(TOptions()) {}

TInferenceEngine::TInferenceEngine(TOptions options)
    : agenda_(options.agendaSequence ? options.agendaSequence() : nullptr),
      packages_(options.packages),
      factories_(std::move(options.factories)) {
  parser_ = std::make_unique<TIERuleParser>(this);
  parser_->SetMaxErrors(static_cast<std::int32_t>(parserMaxErrors_));
  parser_->SetErrorHandling(parserErrorHandling_);
  context_ = std::make_unique<TIEContext>(nullptr, this);
  CreateImpliedObjects();
  network_ = std::make_unique<TReteNetwork>(this, options.memories);
  network_->SetLiteralLookups(options.literalLookups);
  network_->SetMinActivationStrength(minActivationStrength_);
  facts_.SetCacheHashCodes(!factDuplication_);
  AddDefaultPackages();
  AssertString(kInitialFactText);
}

TInferenceEngine::~TInferenceEngine() {
  destroying_ = true;
  ClearEventHandlers();
  try {
    Clear();
  } catch (...) {
    // Nothing is reported while the engine goes.
  }
  ReleasePackages();
  TellDestroyWatchers();
  functions_.Clear();
  retiredRules_.clear();
  agenda_.Clear();
  network_.reset();
  negationFact_ = nullptr;
  initialPattern_.reset();
}

void TInferenceEngine::ClearEventHandlers() noexcept {
  onAddDefaultPackages_ = nullptr;
  onAddActivation_ = nullptr;
  onRemoveActivation_ = nullptr;
  onAssertion_ = nullptr;
  onRetraction_ = nullptr;
  onRuleFired_ = nullptr;
  onAddRule_ = nullptr;
  onRemoveRule_ = nullptr;
  onNewFactTemplate_ = nullptr;
  onRemoveFactTemplate_ = nullptr;
  onAddDefinedType_ = nullptr;
  onRemoveDefinedType_ = nullptr;
  onAddUserFunction_ = nullptr;
  onRemoveUserFunction_ = nullptr;
  onClear_ = nullptr;
  onReset_ = nullptr;
  onClearFacts_ = nullptr;
  onClearRules_ = nullptr;
  onClearFactTemplates_ = nullptr;
  onClearDefinedTypes_ = nullptr;
  onStartInference_ = nullptr;
  onEndInference_ = nullptr;
  onPrintOut_ = nullptr;
  onReadLine_ = nullptr;
  onReadToken_ = nullptr;
  onFuzzyCorrelation_ = nullptr;
  onFuzzyInference_ = nullptr;
  if (parser_) {
    parser_->SetOnParse(nullptr);
    parser_->SetOnParseDefinedType(nullptr);
    parser_->SetOnParseFact(nullptr);
    parser_->SetOnParseFactSet(nullptr);
    parser_->SetOnParseFactTemplate(nullptr);
    parser_->SetOnParseFunction(nullptr);
    parser_->SetOnParseFunCall(nullptr);
    parser_->SetOnParseVariable(nullptr);
    parser_->SetOnParsePattern(nullptr);
    parser_->SetOnParseRule(nullptr);
    parser_->SetOnParseFuzzySet(nullptr);
    parser_->SetOnParseFuzzyVariable(nullptr);
  }
}

void TInferenceEngine::CreateImpliedObjects() {
  initialPattern_ = std::make_unique<TIEPattern>(nullptr, 0, GetImpliedTemplate(InitialFactTemplateName));
  negationFact_ = GetImpliedTemplate(NegationTemplateName)->CreateFact();
}

void TInferenceEngine::TellDestroyWatchers() noexcept {
  // Watchers let go of the engine while being told; work on a copy.
  const std::vector<IReasonerWatcher*> watchers = destroyWatchers_;
  for (IReasonerWatcher* watcher : watchers) {
    if (watcher && destroyWatcherPlaces_.contains(watcher)) watcher->ReasonerDestroyed(*this);
  }
  destroyWatchers_.clear();
  destroyWatcherPlaces_.clear();
}

void TInferenceEngine::ReleasePackages() noexcept {
  while (!installed_.empty()) installed_.pop_back();
}

// --- Packages -------------------------------------------------------------------------------------

void TInferenceEngine::AddDefaultPackages() {
  for (TFunctionPackage package : kPackageOrder) {
    const TPackageFactory& factory = factories_[package];
    if (packages_.Contains(package) && factory) installed_.push_back(factory(*this));
  }
  if (onAddDefaultPackages_) onAddDefaultPackages_(*this);
}

void TInferenceEngine::SetPackages(TFunctionPackages packages) {
  if (packages == packages_) return;
  ReleasePackages();
  packages_ = packages;
  AddDefaultPackages();
}

void TInferenceEngine::SetPackageFactory(TFunctionPackage package, TPackageFactory factory) {
  factories_[package] = std::move(factory);
}

// --- Clear and reset -------------------------------------------------------------------------------

void TInferenceEngine::ClearFactBase() {
  facts_.Clear();
  TTokenHold clear(TIEToken::NewClear(network_->Pool()));
  network_->ProcessToken(*clear);
  if (onClearFacts_) onClearFacts_(*this);
}

void TInferenceEngine::Clear() {
  if (resetting_) Raise<EIEException>(IEConsts::SWhileResetting, "clear");
  halt_ = false;
  nextFactIndex_ = 0;
  nextRuleNumber_ = 0;
  agenda_.Clear();
  network_->Clear();
  rules_.Clear();
  templates_.Clear();
  globals_.Clear();
  types_.Clear();
  negationFact_ = nullptr;
  {
    // The implied templates come back whatever fails from here on.
    auto restore = ScopeExit([this] {
      if (destroying_) return;
      try {
        CreateImpliedObjects();
      } catch (...) {
        // A template that cannot be made leaves the engine without it.
      }
    });
    factSets_.Clear();
    ClearFactBase();
    pendingAssertions_.clear();
    pendingRetractions_.clear();
    if (!functions_.IsEmpty()) {
      std::vector<TRef<IUserFunction>> interpreted;
      for (const auto& entry : functions_) {
        if (dynamic_cast<TInterpretedFunction*>(entry.Value().Get())) interpreted.push_back(entry.Value());
      }
      for (const auto& function : interpreted) function->RemoveReasoner(*this);
    }
    initialPattern_.reset();
    variables_.Clear();
    streams_.Clear();
  }
  if (onClear_) onClear_(*this);
}

void TInferenceEngine::Reset() {
  if (resetting_) Raise<EIEException>(IEConsts::SWhileResetting, "reset");
  {
    resetting_ = true;
    auto done = ScopeExit([this] { resetting_ = false; });
    ClearFactBase();
    nextFactIndex_ = 0;
    for (const auto& entry : rules_) entry.Value()->ResetFired();
    AssertString(kInitialFactText);
    if (resetGlobals_) globals_.Restore();
    const std::vector<TFactSet*> sets(factSets_.List().begin(), factSets_.List().end());
    for (TFactSet* set : sets) set->AssertFacts();
  }
  if (onReset_) onReset_(*this);
}

// --- Assertion --------------------------------------------------------------------------------------

std::int32_t TInferenceEngine::Assert(IFact& fact, bool unconditional) {
  return AssertFrom(fact, unconditional, false);
}

std::int32_t TInferenceEngine::AssertOwn(TRef<IFact> fact, bool unconditional) {
  if (!fact) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  return AssertFrom(*fact, unconditional, true);
}

std::int32_t TInferenceEngine::AssertFrom(IFact& fact, bool unconditional, bool own) {
  TRef<IFact> asserted = AssertSteps(fact, unconditional, own);
  if (!asserted) return -1;
  const std::int32_t index = asserted->ID();
  if (pendingAssertions_.empty() && pendingRetractions_.empty()) {
    if (onAssertion_) onAssertion_(*this, *asserted);
    return index;
  }
  std::vector<TRef<IFact>> done;
  done.push_back(std::move(asserted));
  DrainPending(done);
  return index;
}

std::int32_t TInferenceEngine::AssertWith(IFact& fact, TFuzzyInferenceMethod method, bool unconditional) {
  const TFuzzyInferenceMethod saved = inferenceMethod_;
  inferenceMethod_ = method;
  auto restore = ScopeExit([&] { inferenceMethod_ = saved; });
  return Assert(fact, unconditional);
}

TRef<IFact> TInferenceEngine::AssertSteps(IFact& input, bool unconditional, bool own) {
  IFactTemplate* factTemplate = input.Template();
  if (!factTemplate) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  TRef<IFact> fact(&input);
  // A fact object that is in the fact base already is asserted as a copy,
  // so that every asserted fact keeps its own index.
  if (facts_.Contains(input)) fact = input.Clone();
  std::uint64_t hash = 0;
  if (factTemplate->HasFuzzySlots()) {
    // Correlation and combination rewrite the fact's values: they work on a
    // copy, and the caller's fact stays as it was, unless the caller gave
    // the fact away.
    if (!own && fact.Get() == &input) fact = input.Clone();
    if (current_ && current_->Strength() != 1.0f) Correlate(*fact, current_->Strength());
    // The index hash leaves fuzzy slots out: combination does not change it.
    hash = facts_.IndexHash(*fact);
    if (IFact* existing = facts_.FindEqualFact(*fact, hash)) {
      const TRef<IFact> keep(existing);
      Combine(*fact, *existing, unconditional);
      RetractOne(*existing);
    }
  } else {
    hash = facts_.IndexHash(*fact);
    if (!factDuplication_ && facts_.FindEqualFact(*fact, hash)) return nullptr;
  }
  return AppendAndMatch(std::move(fact), hash);
}

TRef<IFact> TInferenceEngine::AppendAndMatch(TRef<IFact> fact, std::uint64_t hash) {
  fact->SetID(nextFactIndex_++);
  facts_.Append(fact, hash);
  if (Tracing(cwFact)) Trace(" ==> " + fact->AsStringWithID());
  try {
    network_->ProcessFact(taAdd, fact);
  } catch (...) {
    // A fact that could not be matched was never asserted: what matched of
    // it so far is withdrawn and it leaves the fact base.
    network_->WithdrawFact(fact);
    facts_.Erase(*fact);
    throw;
  }
  return fact;
}

void TInferenceEngine::DrainPending(std::vector<TRef<IFact>>& asserted) {
  for (;;) {
    if (!pendingAssertions_.empty()) {
      TRef<IFact> next = std::move(pendingAssertions_.front());
      pendingAssertions_.pop_front();
      if (TRef<IFact> done = AssertSteps(*next, false, false)) asserted.push_back(std::move(done));
      continue;
    }
    if (!pendingRetractions_.empty()) {
      TRef<IFact> next = std::move(pendingRetractions_.front());
      pendingRetractions_.pop_front();
      IFact* target = facts_.Contains(*next) ? next.Get() : facts_.FindEqualFact(*next);
      if (target) RetractSteps(*target);
      continue;
    }
    if (asserted.empty()) return;
    const TRef<IFact> fact = std::move(asserted.back());
    asserted.pop_back();
    if (onAssertion_) onAssertion_(*this, *fact);
  }
}

void TInferenceEngine::QueuePending(TRef<IFact> fact, bool isAssertion) {
  (isAssertion ? pendingAssertions_ : pendingRetractions_).push_back(std::move(fact));
}

std::int32_t TInferenceEngine::AssertString(std::string_view text) {
  TRef<IFact> fact = ParseFact(text);
  if (!fact) return -1;
  context_->ResolveFact(*fact);
  return AssertOwn(std::move(fact), false);
}

std::int32_t TInferenceEngine::AddFactFromOutside(IFact& fact) {
  if (!facts_.PreserveIDs() || fact.ID() < 0 || facts_.FindById(fact.ID())) return Assert(fact, false);
  const std::int32_t saved = nextFactIndex_;
  nextFactIndex_ = fact.ID();
  auto restore = ScopeExit([&] { nextFactIndex_ = std::max(saved, facts_.HighestIndex() + 1); });
  return Assert(fact, false);
}

// --- Fuzzy facts --------------------------------------------------------------------------------------

void TInferenceEngine::Correlate(IFact& fact, float strength) {
  bool done = false;
  if (onFuzzyCorrelation_) onFuzzyCorrelation_(*this, fact, strength, done);
  if (done) return;
  IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate || !factTemplate->HasFuzzySlots()) Raise<EIEException>(FuzzyConsts::SNotFuzzyFact);
  auto correlate = [this, strength](TIEValue& value) {
    IFuzzySet* set = value.FuzzyPtr();
    if (!set) return;
    TRef<IFuzzySet> copy;
    if (correlationMethod_ == fcmMinimum) {
      copy = ClippedFuzzySet(*set, strength);
    } else {
      copy = set->Clone();
      copy->ApplyOperator(CorrelationOperator(correlationMethod_), true, strength);
    }
    value.SetAsFuzzy(std::move(copy));
  };
  for (std::int32_t i = 0; i < fact.SlotCount(); ++i) {
    if (!fact.SlotAt(i).IsFuzzy()) continue;
    TIEValue& value = fact.SlotValueAt(i);
    if (const TValueVector* list = value.ListPtr()) {
      for (const auto& item : *list) {
        if (item) correlate(*item);
      }
    } else {
      correlate(value);
    }
  }
}

void TInferenceEngine::Combine(IFact& receiver, const IFact& other, bool unconditional) {
  IFactTemplate* factTemplate = receiver.Template();
  if (!factTemplate || factTemplate != other.Template())
    Raise<EIEException>(FuzzyConsts::SCannotUnionFacts, factTemplate ? factTemplate->Name() : std::string(),
                        other.Template() ? other.Template()->Name() : std::string());
  if (!factTemplate->HasFuzzySlots()) Raise<EIEException>(FuzzyConsts::SNotFuzzyFact);
  const TFuzzyOperation operation = InferenceOperation(inferenceMethod_);
  auto combine = [&](TIEValue& mine, const TIEValue& theirs) {
    const IFuzzySet* a = mine.FuzzyPtr();
    const IFuzzySet* b = theirs.FuzzyPtr();
    if (!a || !b) return;
    mine.SetAsFuzzy(unconditional ? a->Intersection(*b, operation) : a->Union(*b, operation));
  };
  // Every result first, so that a failure leaves the fact as it was.
  for (std::int32_t i = 0; i < receiver.SlotCount(); ++i) {
    if (!receiver.SlotAt(i).IsFuzzy()) continue;
    const TIEValue* theirs = other.PeekSlotValue(i);
    if (!theirs) continue;
    TIEValue& mine = receiver.SlotValueAt(i);
    const TValueVector* mineList = mine.ListPtr();
    const TValueVector* theirList = theirs->ListPtr();
    if (mineList && theirList) {
      if (mineList->Count() != theirList->Count()) continue;
      for (std::int32_t k = 0; k < mineList->Count(); ++k) {
        if (mineList->Item(k) && theirList->Item(k)) combine(*mineList->Item(k), *theirList->Item(k));
      }
    } else {
      combine(mine, *theirs);
    }
  }
}

void TInferenceEngine::CombineFacts(IFact& receiver, const IFact& other) {
  bool done = false;
  if (onFuzzyInference_) onFuzzyInference_(*this, receiver, other, done);
  if (!done) Combine(receiver, other, false);
}

// --- Retraction -----------------------------------------------------------------------------------------

void TInferenceEngine::RetractSteps(IFact& target) {
  const TRef<IFact> fact(&target);
  if (onRetraction_) onRetraction_(*this, *fact);
  network_->WithdrawFact(fact);
  if (Tracing(cwFact)) Trace(" <== " + fact->AsStringWithID());
  facts_.Erase(*fact);
}

void TInferenceEngine::RetractOne(IFact& fact) {
  RetractSteps(fact);
  if (pendingAssertions_.empty() && pendingRetractions_.empty()) return;
  std::vector<TRef<IFact>> none;
  DrainPending(none);
}

void TInferenceEngine::Retract(std::int32_t position) {
  CheckIndex<EIEException>(position, facts_.Count());
  RetractOne(facts_.Fact(position));
}

std::int32_t TInferenceEngine::RetractFact(IFact& fact) {
  IFact* target = facts_.Contains(fact) ? &fact : facts_.FindEqualFact(fact);
  if (!target) return -1;
  const TRef<IFact> keep(target);
  const std::int32_t id = target->ID();
  RetractOne(*target);
  return id;
}

std::int32_t TInferenceEngine::RetractString(std::string_view text) {
  TRef<IFact> fact = ParseFact(text);
  if (!fact) return -1;
  context_->ResolveFact(*fact);
  IFact* target = facts_.FindEqualFact(*fact);
  if (!target) return -1;
  return RetractFact(*target);
}

// --- The run loop -----------------------------------------------------------------------------------------

std::recursive_mutex& TInferenceEngine::FiringLock() {
  if (!firingLock_) firingLock_ = std::make_unique<std::recursive_mutex>();
  return *firingLock_;
}

void TInferenceEngine::FireActivation(TActivation& activation) {
  TRule* const previous = std::exchange(firingRule_, &activation.Rule());
  auto restore = ScopeExit([&] { firingRule_ = previous; });
  const TReteNetwork::TPropagation hold(*network_);
  activation.Fire();
}

void TInferenceEngine::EndFiring(TRef<TActivation> activation) noexcept {
  try {
    // An activation whose rule failed is withdrawn as it is freed.
    if (activation->Listed() && activation->Node()) {
      activation->Node()->Withdraw(*activation);
    } else if (agenda_.IndexOf(*activation) >= 0) {
      RemoveActivation(*activation);
    }
  } catch (...) {
    // The failure under way is the one reported.
  }
  current_ = nullptr;
  if (!firingRule_ && !retiredRules_.empty()) retiredRules_.clear();
}

std::int32_t TInferenceEngine::Run(std::int32_t limit) {
  if (runDepth_ >= kMaxRunDepth) Raise<EIEException>(IEConsts::SRunNestedTooDeep, kMaxRunDepth);
  ++runDepth_;
  auto leave = ScopeExit([this] { --runDepth_; });
  if (onStartInference_) onStartInference_(*this);
  const double start = NowMilliseconds();
  firedCount_ = 0;
  std::int32_t maximumFacts = facts_.Count();
  std::int32_t maximumActivations = agenda_.Count();
  float summedFacts = 0.0f;
  float summedActivations = 0.0f;
  halt_ = false;
  while (!agenda_.IsEmpty() && !halt_ && firedCount_ < limit) {
    std::lock_guard<std::recursive_mutex> lock(FiringLock());
    if (agenda_.IsEmpty()) break;
    TRef<TActivation> activation(&agenda_.Activation(0));
    current_ = activation.Get();
    if (Tracing(cwRule)) {
      Trace("FIRE " + std::to_string(firedCount_) + " " + activation->Rule().RuleName() + " " +
            activation->Token().ShortText());
    }
    try {
      FireActivation(*activation);
    } catch (const std::bad_alloc&) {
      // The firing's own allocations are released by now; what is left is
      // enough to withdraw the activation and report.
      EndFiring(std::move(activation));
      Raise<EIEException>(IEConsts::SRunOutOfMemory);
    } catch (...) {
      EndFiring(std::move(activation));
      throw;
    }
    if (watch_.Contains(cwStatistics)) {
      summedFacts += static_cast<float>(facts_.Count());
      maximumFacts = std::max(maximumFacts, facts_.Count());
      summedActivations += static_cast<float>(agenda_.Count());
      maximumActivations = std::max(maximumActivations, agenda_.Count());
    }
    EndFiring(std::move(activation));
    ++firedCount_;
  }
  if (watch_.Contains(cwStatistics)) {
    statistics_.seconds = (NowMilliseconds() - start) / 1000.0;
    statistics_.maximumFacts = maximumFacts;
    statistics_.maximumActivations = maximumActivations;
    if (firedCount_ > 0) {
      statistics_.meanFacts = summedFacts / static_cast<float>(firedCount_);
      statistics_.meanActivations = summedActivations / static_cast<float>(firedCount_);
      if (onPrintOut_) PrintStatistics();
    }
  }
  if (onEndInference_) onEndInference_(*this, firedCount_);
  return firedCount_;
}

void TInferenceEngine::PrintStatistics() {
  const double seconds = statistics_.seconds;
  const std::string fired = std::to_string(firedCount_);
  Trace(fired + " rules fired.     Run time is " + FormatFloat(seconds) + " seconds");
  Trace((seconds == 0.0 ? fired : FormatFloat(firedCount_ / seconds)) + " rules per second");
  Trace(FormatFloat(statistics_.meanFacts) + " mean number of facts (" + std::to_string(statistics_.maximumFacts) +
        " maximum)");
  Trace(FormatFloat(statistics_.meanActivations) + " mean number of activations (" +
        std::to_string(statistics_.maximumActivations) + " maximum)");
}

// --- Activations --------------------------------------------------------------------------------------------

void TInferenceEngine::AddActivation(TRef<TActivation> activation) {
  try {
    TActivation& added = *activation;
    TRule& rule = added.Rule();
    const std::int32_t before = rule.Salience();
    // A salience that changed under activations on the agenda unsorts it.
    if (rule.EvaluateSalience() != before && !agenda_.IsEmpty()) agenda_.Sequence().SaliencesChanged();
    const std::int32_t index = agenda_.Add(std::move(activation));
    if (Tracing(cwActivation)) Trace("==> Activation: " + added.AsString());
    if (onAddActivation_) onAddActivation_(*this, index, added);
  } catch (const EAbort&) {
    // An abort leaves the activation where it is.
  }
}

void TInferenceEngine::RemoveActivation(TActivation& activation) {
  std::int32_t index = agenda_.IndexOf(activation);
  if (index < 0) return;
  const TRef<TActivation> keep(&activation);
  if (onRemoveActivation_) onRemoveActivation_(*this, index, activation);
  if (Tracing(cwActivation))
    Trace("<== Activation: " + activation.Rule().RuleName() + " : " + activation.Token().ShortText());
  index = agenda_.IndexOf(activation);
  if (index >= 0) agenda_.Delete(index);
}

void TInferenceEngine::RuleFired(TActivation& activation) {
  if (onRuleFired_) onRuleFired_(*this, activation.Rule());
  RemoveActivation(activation);
}

void TInferenceEngine::SetStrategy(TSearchStrategy strategy) {
  if (strategy == agenda_.Strategy()) return;
  std::vector<TRef<TActivation>> all;
  all.reserve(static_cast<std::size_t>(agenda_.Count()));
  while (!agenda_.IsEmpty()) all.push_back(agenda_.Pop(0));
  agenda_.SetStrategy(strategy);
  for (auto& activation : all) AddActivation(std::move(activation));
}

// --- Parsing ------------------------------------------------------------------------------------------------

template <class TResult, class TRead>
TResult TInferenceEngine::ParseText(std::string_view text, TRead read) {
  std::unique_ptr<TIERuleStream> stream = TIERuleStream::FromText(std::string(text), this);
  const TParserStreamScope scope(*parser_, *stream);
  return read(*parser_);
}

void TInferenceEngine::Parse(std::string_view text, bool executeCommands) {
  ParseText<void>(text, [executeCommands](TIERuleParser& parser) { parser.Parse(executeCommands); });
}

TRef<IFact> TInferenceEngine::ParseFact(std::string_view text) {
  return ParseText<TRef<IFact>>(text, [](TIERuleParser& parser) { return parser.ParseFact(); });
}

TRef<IFactSlot> TInferenceEngine::ParseFactSlot(std::string_view text, IFactTemplate&) {
  return ParseText<TRef<IFactSlot>>(text, [](TIERuleParser& parser) { return parser.ParseFactTemplateSlot(nullptr); });
}

TRef<TIEValue> TInferenceEngine::ParseSlotValue(std::string_view text, IFactSlot& slot) {
  return ParseText<TRef<TIEValue>>(text, [&slot](TIERuleParser& parser) { return parser.ParseValue(slot); });
}

std::unique_ptr<TRule> TInferenceEngine::ParseRule(std::string_view text) {
  return ParseText<std::unique_ptr<TRule>>(text, [](TIERuleParser& parser) { return parser.ParseRule(); });
}

TRef<IIEDefinedType> TInferenceEngine::ParseDefinedType(std::string_view text) {
  return ParseText<TRef<IIEDefinedType>>(text, [](TIERuleParser& parser) { return parser.ParseDefinedType(); });
}

TRef<IFactTemplate> TInferenceEngine::ParseFactTemplate(std::string_view text) {
  return ParseText<TRef<IFactTemplate>>(text, [](TIERuleParser& parser) { return parser.ParseFactTemplate(); });
}

std::unique_ptr<TFactSet> TInferenceEngine::ParseFactSet(std::string_view text) {
  return ParseText<std::unique_ptr<TFactSet>>(text, [](TIERuleParser& parser) { return parser.ParseFactSet(); });
}

TRef<IFunCall> TInferenceEngine::ParseFunctionCall(std::string_view text) {
  return ParseText<TRef<IFunCall>>(text, [](TIERuleParser& parser) { return parser.ParseFunCall(); });
}

void TInferenceEngine::ParseGlobal(std::string_view text) {
  ParseText<void>(text, [](TIERuleParser& parser) { parser.ParseGlobalVariables(); });
}

TRef<TIEValue> TInferenceEngine::ParseValue(std::string_view text, TIEType type) {
  switch (type) {
    case dtNone:
      return MakeRef<TIEValue>();
    case dtAtom:
      return NewAtom(text);
    case dtString: {
      while (!text.empty() && text.front() == '"') text.remove_prefix(1);
      while (!text.empty() && text.back() == '"') text.remove_suffix(1);
      return NewString(text);
    }
    case dtInteger:
    case dtFactId:
    case dtFloat: {
      TRef<TIEValue> number = MakeRef<TIEValue>(text, dtAtom);
      if (type == dtFloat) return NewFloat(number->AsFloat());
      return MakeRef<TIEValue>(number->AsInteger(), type);
    }
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return MakeRef<TIEValue>(text, type);
    case dtFunCall:
      return MakeRef<TIEValue>(ParseFunctionCall(text));
    case dtFact:
      return MakeRef<TIEValue>(ParseFact(text));
    case dtList: {
      TRef<TValueVector> list =
          ParseText<TRef<TValueVector>>(text, [](TIERuleParser& parser) { return parser.ParseList(); });
      return NewList(list ? std::move(list) : MakeRef<TValueVector>());
    }
    default:
      Raise<EIEException>(IEConsts::SCannotParseKind, TypeName(type));
  }
}

// --- Settings ------------------------------------------------------------------------------------------------

void TInferenceEngine::SetFactDuplication(bool allowed) {
  if (allowed == factDuplication_) return;
  factDuplication_ = allowed;
  facts_.SetCacheHashCodes(!allowed);
}

void TInferenceEngine::SetSymbolIndex(std::int32_t index) noexcept {
  if (index > symbolIndex_) {
    symbolIndex_ = index;
  } else {
    ++symbolIndex_;
  }
}

void TInferenceEngine::SetTypeChecks(TTypeChecks checks) {
  typeChecks_ = checks;
  parser_->SetStaticTypeChecking(checks.Contains(tcStatic));
}

void TInferenceEngine::SetParserMaxErrors(std::uint32_t maxErrors) noexcept {
  parserMaxErrors_ = maxErrors;
  parser_->SetMaxErrors(static_cast<std::int32_t>(std::min<std::uint32_t>(maxErrors, 2147483647u)));
}

void TInferenceEngine::SetOnParseError(TParseErrorEvent handler) {
  if (!handler) {
    parser_->SetOnError(nullptr);
    return;
  }
  parser_->SetOnError([this, handler = std::move(handler)](std::string_view message, std::int32_t line) {
    handler(*this, message, line);
  });
}

void TInferenceEngine::SetParserErrorHandling(TErrorHandling handling) noexcept {
  parserErrorHandling_ = handling;
  parser_->SetErrorHandling(handling);
}

void TInferenceEngine::SetFuzzyEqualsThreshold(float threshold) {
  threshold = std::clamp(threshold, 0.0f, 1.0f);
  if (threshold == equalsThreshold_) return;
  equalsThreshold_ = threshold;
  for (const auto& entry : types_) {
    if (IFuzzyVariable* variable = entry.Value()->FuzzyVariable()) variable->SetThreshold(threshold);
  }
}

void TInferenceEngine::SetMinActivationStrength(float strength) {
  strength = std::clamp(strength, 0.0f, 1.0f);
  if (strength == minActivationStrength_) return;
  minActivationStrength_ = strength;
  network_->SetMinActivationStrength(strength);
}

// --- Templates -------------------------------------------------------------------------------------------------

namespace {

bool HoldsFactOf(const TIEValue& value, const IFactTemplate& factTemplate);

// True when an argument of the call, at any depth of its calls and lists, is
// a fact of the template (the fact argument of an assert, for instance).
bool CallHoldsFactOf(const IFunCall& call, const IFactTemplate& factTemplate) {
  return std::ranges::any_of(call.Arguments(), [&](const TRef<TIEValue>& argument) {
    return argument && HoldsFactOf(*argument, factTemplate);
  });
}

bool HoldsFactOf(const TIEValue& value, const IFactTemplate& factTemplate) {
  if (const IFact* fact = value.FactPtr()) return fact->Template() == &factTemplate;
  if (const IFunCall* call = value.FunCallPtr()) return CallHoldsFactOf(*call, factTemplate);
  if (const TValueVector* list = value.ListPtr())
    return std::ranges::any_of(list->Items(),
                               [&](const TRef<TIEValue>& item) { return item && HoldsFactOf(*item, factTemplate); });
  return false;
}

// A rule uses a template through its patterns and through the facts its
// actions assert: either way it is read again on the template that replaces it.
bool UsesTemplate(const TRule& rule, const IFactTemplate& factTemplate) {
  return std::ranges::any_of(rule.Patterns(),
                             [&](const auto& pattern) { return pattern->FactTemplate() == &factTemplate; }) ||
         std::ranges::any_of(rule.Actions(), [&](const TRef<IFunCall>& action) {
           return action && CallHoldsFactOf(*action, factTemplate);
         });
}

// Every fact of the old template in value is read again from its text, now
// on the engine's template of that name, as loading the printed value would
// read it. False when the new template cannot hold one of them.
bool ReadFactsAgain(TIEValue& value, const IFactTemplate& oldTemplate, TInferenceEngine& engine) {
  if (const IFact* fact = value.FactPtr()) {
    if (fact->Template() != &oldTemplate) return true;
    try {
      value.SetAsFact(engine.ParseFact(fact->AsString()));
      return true;
    } catch (const EIEException&) {
      return false;
    }
  }
  bool moved = true;
  const auto readAgain = [&](const TRef<TIEValue>& item) {
    if (item && !ReadFactsAgain(*item, oldTemplate, engine)) moved = false;
  };
  if (const IFunCall* call = value.FunCallPtr()) std::ranges::for_each(call->Arguments(), readAgain);
  if (const TValueVector* list = value.ListPtr()) std::ranges::for_each(list->Items(), readAgain);
  return moved;
}

// Templates that extended one being replaced or removed no longer extend
// anything: they keep the slots they took over, and print and read back as
// the templates they now are.
template <class TTemplates>
void DetachChildren(const TTemplates& templates, const IFactTemplate& parent) {
  for (const auto& entry : templates) {
    if (entry.Value()->Parent() == &parent) entry.Value()->SetParent(nullptr);
  }
}

void DropPending(std::deque<TRef<IFact>>& pending, const IFactTemplate& factTemplate) {
  for (std::size_t i = pending.size(); i-- > 0;) {
    if (pending[i]->Template() == &factTemplate) pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

}  // namespace

void TInferenceEngine::RemoveFactTemplate(IFactTemplate& factTemplate) {
  const TRef<IFactTemplate> keep(&factTemplate);
  DetachChildren(templates_, factTemplate);
  DropPending(pendingAssertions_, factTemplate);
  DropPending(pendingRetractions_, factTemplate);
  const std::vector<TRef<IFact>> facts = facts_.Snapshot();
  for (std::size_t i = facts.size(); i-- > 0;) {
    if (facts[i]->Template() == &factTemplate && facts_.Contains(*facts[i])) RetractOne(*facts[i]);
  }
  for (TFactSet* set : factSets_.List()) {
    for (std::int32_t i = set->Count(); i-- > 0;) {
      TRef<IFact> fact = set->Fact(i);
      if (fact && fact->Template() == &factTemplate) set->DeleteFact(i);
    }
  }
  const bool renaming = std::exchange(renaming_, false);
  auto restore = ScopeExit([&] { renaming_ = renaming; });
  std::vector<std::string> names;
  for (const auto& entry : rules_) {
    if (UsesTemplate(*entry.Value(), factTemplate)) names.push_back(entry.Key());
  }
  for (const std::string& name : names) rules_.Remove(name);
  if (const TRef<IFactTemplate>* registered = templates_.Find(factTemplate.Name());
      registered && registered->Get() == &factTemplate)
    templates_.Remove(factTemplate.Name());
}

void TInferenceEngine::RemoveDefinedType(IIEDefinedType& type) {
  const TRef<IIEDefinedType> keep(&type);
  std::vector<TRef<IIEDefinedType>> derived;
  for (const auto& entry : types_) {
    if (entry.Value()->Ancestor() == &type) derived.push_back(entry.Value());
  }
  for (const TRef<IIEDefinedType>& child : derived) RemoveDefinedType(*child);
  std::vector<TRef<IFactTemplate>> users;
  for (const auto& entry : templates_) {
    if (entry.Value()->SlotOfType(&type)) users.push_back(entry.Value());
  }
  for (const TRef<IFactTemplate>& user : users) RemoveFactTemplate(*user);
  if (const TRef<IIEDefinedType>* registered = types_.Find(type.Name()); registered && registered->Get() == &type)
    types_.Remove(type.Name());
}

bool TInferenceEngine::DeleteRule(std::string_view name) {
  if (!rules_.Contains(name)) return false;
  rules_.Remove(name);
  return true;
}

bool TInferenceEngine::DeleteFactSet(std::string_view name) { return factSets_.Delete(name); }

std::string TInferenceEngine::FormatFunction(const IUserFunction& function) const {
  return parser_->FormatFunction(function);
}

void TInferenceEngine::ReplaceFactTemplate(IFactTemplate& oldTemplate, IFactTemplate& newTemplate) {
  if (oldTemplate.Name() != newTemplate.Name()) {
    RemoveFactTemplate(oldTemplate);
    return;
  }
  const TRef<IFactTemplate> keep(&oldTemplate);
  DetachChildren(templates_, oldTemplate);
  DropPending(pendingAssertions_, oldTemplate);
  DropPending(pendingRetractions_, oldTemplate);
  std::vector<std::string> facts;
  const std::vector<TRef<IFact>> asserted = facts_.Snapshot();
  for (std::size_t i = asserted.size(); i-- > 0;) {
    if (asserted[i]->Template() != &oldTemplate) continue;
    facts.push_back(asserted[i]->AsString());
    RetractOne(*asserted[i]);
  }
  // The fact sets read their lines again, now on the new template.
  for (TFactSet* set : factSets_.List()) {
    const std::vector<std::string> lines = set->Lines();
    set->SetFacts(lines);
  }
  std::vector<std::string> rules;
  {
    const bool renaming = std::exchange(renaming_, false);
    auto restore = ScopeExit([&] { renaming_ = renaming; });
    std::vector<std::string> names;
    for (const auto& entry : rules_) {
      if (UsesTemplate(*entry.Value(), oldTemplate)) names.push_back(entry.Key());
    }
    for (const std::string& name : names) {
      rules.push_back(rules_.Find(name)->get()->AsString());
      RetireRule(rules_.Take(name));
    }
  }
  const TErrorHandling handling = parserErrorHandling_;
  parser_->SetErrorHandling(ehRaiseImmediate);
  auto restore = ScopeExit([&] { parser_->SetErrorHandling(handling); });
  for (const std::string& text : facts) {
    try {
      AssertString(text);
    } catch (const EIEException&) {
      // A fact the new template cannot hold is left out.
    }
  }
  for (const std::string& text : rules) {
    try {
      Parse(text, true);
    } catch (const EIEException&) {
      // A rule the new template cannot serve is left out.
    }
  }
  // Deffunctions keep their objects (one may be running); only the facts
  // their bodies assert move to the new template. One with a fact the new
  // template cannot hold is left out, as a rule is and as reading its text
  // would refuse it.
  std::vector<std::string> unreadable;
  for (const auto& entry : functions_) {
    if (const auto* interpreted = dynamic_cast<const TInterpretedFunction*>(entry.Value().Get())) {
      bool moved = true;
      for (const TRef<TIEValue>& action : interpreted->Actions()) {
        if (action && !ReadFactsAgain(*action, oldTemplate, *this)) moved = false;
      }
      if (!moved) unreadable.push_back(entry.Key());
    }
  }
  for (const std::string& name : unreadable) functions_.Remove(name);
}

// --- IReasoner: collections ---------------------------------------------------------------------------------------

std::string TInferenceEngine::Gensym(std::string_view prefix) {
  std::string name(prefix);
  name += std::to_string(symbolIndex_++);
  return name;
}

TRef<IIEDefinedType> TInferenceEngine::FindDefinedType(std::string_view name) const {
  const TRef<IIEDefinedType>* found = types_.Find(name);
  return found ? *found : nullptr;
}

TRef<IFactTemplate> TInferenceEngine::FindFactTemplate(std::string_view name) const {
  const TRef<IFactTemplate>* found = templates_.Find(name);
  return found ? *found : nullptr;
}

TRef<IFactTemplate> TInferenceEngine::GetImpliedTemplate(std::string_view name) {
  if (TRef<IFactTemplate> found = FindFactTemplate(name)) return found;
  auto created = MakeRef<TFactTemplate>(this, name);
  created->SetComment(ImpliedTemplateComment);
  templates_.Add(name, created);
  return FindFactTemplate(name);
}

void TInferenceEngine::RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName,
                                          std::string_view newName) {
  if (oldName == newName) return;
  const TRef<IFactTemplate>* found = templates_.Find(oldName);
  if (!found || found->Get() != &factTemplate) return;
  if (templates_.Contains(newName)) Raise<EIEException>(IEConsts::SFactTemplateExists, newName);
  std::optional<TRef<IFactTemplate>> taken = templates_.Take(oldName);
  templates_.Put(std::string(newName), std::move(*taken));
}

void TInferenceEngine::AddFactSet(TFactSet& factSet) { factSets_.Add(factSet); }

void TInferenceEngine::RemoveFactSet(TFactSet& factSet) { factSets_.Remove(factSet); }

void TInferenceEngine::FactSetRenamed(TFactSet& factSet, std::string_view oldName) {
  factSets_.Renamed(factSet, oldName);
}

TFactSet* TInferenceEngine::AdoptFactSet(std::unique_ptr<TFactSet> factSet) {
  return factSets_.Adopt(std::move(factSet));
}

TRef<IFact> TInferenceEngine::FindFact(std::int32_t index) { return TRef<IFact>(facts_.FindById(index)); }

void TInferenceEngine::ResolveFact(IFact& fact, IIEContext* context) {
  TIEContext* evaluation = context ? context->EvaluationContext() : nullptr;
  (evaluation ? *evaluation : *context_).ResolveFact(fact);
}

void TInferenceEngine::AddDefinedType(TRef<IIEDefinedType> type) {
  const std::string name = type->Name();
  types_.Add(name, std::move(type));
}

void TInferenceEngine::AddFactTemplate(TRef<IFactTemplate> factTemplate) {
  const std::string name = factTemplate->Name();
  templates_.Add(name, std::move(factTemplate));
}

void TInferenceEngine::SetGlobalVariable(std::string_view name, TRef<TIEValue> value) {
  if (value && value->DType() == dtFunCall) {
    const std::unique_ptr<TIEContext> child = context_->CreateChild();
    value = value->Evaluate(child.get());
  }
  globals_.Add(name, std::move(value));
}

// --- IReasoner: fuzzy values ----------------------------------------------------------------------------------------

TRef<TIEValue> TInferenceEngine::LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value,
                                                   IIEContext* context) {
  return EvaluateFuzzyValue(&variable, value, context, &fuzzyParser_);
}

TRef<TIEValue> TInferenceEngine::SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value,
                                                   IIEContext* context) {
  TRef<IFuzzySet> set = variable.NewFuzzySet();
  {
    TUpdateScope update(*set);
    for (const auto& point : *value.AsList()) {
      const TValueVector& pair = *point->AsList();
      set->AddPoint(pair.Item(0)->Evaluate(context)->AsNumeric(), pair.Item(1)->Evaluate(context)->AsNumeric());
    }
  }
  return MakeRef<TIEValue>(std::move(set));
}

// --- IReasoner: functions -------------------------------------------------------------------------------------------

void TInferenceEngine::AddFunction(IUserFunction& function) { functions_.Add(function.FunctionName(), function); }

void TInferenceEngine::RemoveFunction(IUserFunction& function) {
  const TRef<IUserFunction>* found = functions_.Find(function.FunctionName());
  if (found && found->Get() == &function) functions_.Remove(function.FunctionName());
}

TRef<IUserFunction> TInferenceEngine::FindFunction(std::string_view name) const {
  const TRef<IUserFunction>* found = functions_.Find(name);
  return found ? *found : nullptr;
}

bool TInferenceEngine::IsSlotFunction(std::string_view name) const {
  return parser_->SlotFunctions().Find(name) != nullptr;
}

void TInferenceEngine::AddDestroyWatcher(IReasonerWatcher& watcher) {
  if (!destroyWatcherPlaces_.emplace(&watcher, destroyWatchers_.size()).second) return;
  destroyWatchers_.push_back(&watcher);
}

void TInferenceEngine::RemoveDestroyWatcher(IReasonerWatcher& watcher) {
  const auto found = destroyWatcherPlaces_.find(&watcher);
  if (found == destroyWatcherPlaces_.end()) return;
  destroyWatchers_[found->second] = nullptr;
  destroyWatcherPlaces_.erase(found);
  // Once most places are empty the list closes up.
  if (destroyWatcherPlaces_.size() * 2 >= destroyWatchers_.size()) return;
  std::erase(destroyWatchers_, nullptr);
  for (std::size_t i = 0; i < destroyWatchers_.size(); ++i) destroyWatcherPlaces_[destroyWatchers_[i]] = i;
}

// --- IReasoner: rules -------------------------------------------------------------------------------------------------

TRule* TInferenceEngine::FindRule(std::string_view name) const {
  const std::unique_ptr<TRule>* found = rules_.Find(name);
  return found ? found->get() : nullptr;
}

TRule& TInferenceEngine::AddRule(std::unique_ptr<TRule> rule) {
  if (!rule) Raise<EIEException>(IEConsts::SArgumentIsNull);
  return rules_.Add(std::move(rule));
}

std::unique_ptr<TRule> TInferenceEngine::RemoveRule(TRule& rule) {
  if (FindRule(rule.RuleName()) != &rule) return nullptr;
  return rules_.Take(rule.RuleName());
}

void TInferenceEngine::RemoveRuleFromNetwork(TRule& rule) { network_->RemoveRule(rule); }

void TInferenceEngine::RetireRule(std::unique_ptr<TRule> rule) {
  if (!rule) return;
  // A rule whose actions are running is freed when its firing ends.
  if (rule.get() == firingRule_ || current_) {
    retiredRules_.push_back(std::move(rule));
    return;
  }
  rule.reset();
}

void TInferenceEngine::RenameRule(std::string_view oldName, std::string_view newName) {
  if (oldName == newName || !rules_.Contains(oldName)) return;
  if (rules_.Contains(newName)) Raise<EIEException>(IEConsts::SDuplicateRuleName, newName);
  renaming_ = true;
  auto done = ScopeExit([this] { renaming_ = false; });
  std::optional<std::unique_ptr<TRule>> rule = rules_.TGStringHashtable<std::unique_ptr<TRule>>::Take(oldName);
  rules_.Put(std::string(newName), std::move(*rule));
}

void TInferenceEngine::RuleChanged(TRule& rule) {
  if (renaming_ || FindRule(rule.RuleName()) != &rule) return;
  network_->RemoveRule(rule);
  network_->AddRule(rule);
}

// --- Copies -------------------------------------------------------------------------------------------------------------

void TInferenceEngine::Assign(TInferenceEngine& other) {
  if (&other == this) return;
  Clear();
  const TTypeChecks checks = other.typeChecks_;
  typeChecks_ = TTypeChecks();
  auto restore = ScopeExit([&] { SetTypeChecks(checks); });
  agenda_.SetStrategy(other.Strategy());
  SetFactDuplication(other.factDuplication_);
  duplicateConstructs_ = other.duplicateConstructs_;
  SetParserMaxErrors(other.parserMaxErrors_);
  SetParserErrorHandling(other.parserErrorHandling_);
  watch_ = other.watch_;
  resetGlobals_ = other.resetGlobals_;
  fuzzyAutoTerms_ = other.fuzzyAutoTerms_;
  SetFuzzyEqualsThreshold(other.equalsThreshold_);
  correlationMethod_ = other.correlationMethod_;
  inferenceMethod_ = other.inferenceMethod_;
  SetMinActivationStrength(other.minActivationStrength_);
  // The knowledge base, through its text: names resolve in this engine.
  std::string text;
  for (const auto& entry : other.functions_) {
    if (dynamic_cast<TInterpretedFunction*>(entry.Value().Get()))
      text += other.parser_->FormatFunction(*entry.Value()) + std::string(kLineEnd);
  }
  for (const auto& entry : other.types_) text += entry.Value()->AsString() + std::string(kLineEnd);
  for (const auto& entry : other.templates_) {
    if (entry.Value()->Comment() != ImpliedTemplateComment) text += entry.Value()->AsString() + std::string(kLineEnd);
  }
  Parse(text, true);
  for (const auto& entry : other.globals_) SetGlobalVariable(entry.Key(), entry.Value()->Clone());
  Parse(other.factSets_.AsString(), true);
  for (const TRef<IFact>& fact : other.facts_.Snapshot()) AssertString(fact->AsString());
  std::string rules;
  for (const auto& entry : other.rules_) rules += entry.Value()->AsString() + std::string(kLineEnd);
  Parse(rules, true);
}

}  // namespace fxe
