// The network: compilation of rules with node sharing and the compilation
// trace, priming of new rules, removal, the roots a fact enters, token
// processing and the reports to the engine.
#include "rete/ReteNetwork.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "model/IEFactTemplate.h"
#include "model/IEPackages.h"
#include "model/IESlotTest.h"
#include "rete/IERule.h"

namespace fxe {

namespace {

// A variable of a call compiled into the network: the value of a slot (or
// element) of a fact of the partial match, or of the fact under test.
class TSlotReference final : public TBindingInfo {
 public:
  TSlotReference(std::int32_t position, std::string_view slotName, std::int32_t subIndex, bool current)
      : TBindingInfo(position, slotName, subIndex), accessor_(slotName), current_(current) {}

  std::string ClassName() const override { return "TBindingInfo"; }
  std::unique_ptr<TIEObject> CloneObject() const override { return std::make_unique<TSlotReference>(*this); }

  TRef<TIEValue> Evaluate(IIEContext* context) const override {
    if (!context) Raise<EIEException>(IEConsts::SNoContext, TypeName(dtObject));
    IFact* fact = nullptr;
    if (current_) {
      fact = context->CurrentFact();
    } else {
      const IReteToken* token = context->CurrentToken();
      const std::int32_t count = token ? token->FactCount() : 0;
      if (FactIndex() == count && context->CurrentFact()) {
        fact = context->CurrentFact();
      } else if (token) {
        fact = token->FactAt(FactIndex());
      }
    }
    if (!fact) Raise<EIEException>(IEConsts::SBindingWithoutFact, AsString());
    if (SlotIndex() == PatternSlotName) return MakeRef<TIEValue>(fact->ID(), dtFactId);
    TIEValue& value = accessor_.ValueOf(*fact);
    if (SubIndex() < 0) return TRef<TIEValue>(&value);
    const TValueVector* list = value.ListPtr();
    if (!list || SubIndex() >= list->Count() || !list->Item(SubIndex())) return SharedValues().Nil;
    return list->Item(SubIndex());
  }

 private:
  TSlotAccessor accessor_;
  bool current_;
};

}  // namespace

// --- Compilation -------------------------------------------------------------------------------

class TReteNetwork::TCompiler {
 public:
  TCompiler(TReteNetwork& network, TRule& rule, std::vector<TReteNode*>& nodes, std::string& trace)
      : network_(network), rule_(rule), nodes_(nodes), trace_(trace) {}

  // Builds the network of the rule; the terminal node is returned unprimed.
  TPatternMatchTerminalNode& Build();
  const std::vector<TReteNode*>& Entries() const noexcept { return entries_; }

 private:
  void BuildAlphaChain(std::int32_t position);
  void BuildIntraPatternTests(std::int32_t position);
  TReteNode& BuildJoin(std::int32_t position, TReteNode& left);
  TReteNode& Alpha(TReteNode* tail, TPatternMatchTest test, TRef<TIEValue> value, TNodeArguments arguments);
  // A copy of the call whose variables read the partial match; other is
  // set when one of them lies outside the pattern at position.
  TRef<IFunCall> ResolveCall(const IFunCall& call, std::int32_t position, bool& other) const;
  void Use(TReteNode& node, std::string_view mark) {
    nodes_.push_back(&node);
    trace_ += mark;
  }

  TReteNetwork& network_;
  TRule& rule_;
  std::vector<TReteNode*>& nodes_;
  std::string& trace_;
  std::vector<TReteNode*> entries_;
  std::vector<TReteNode*> tails_;
};

TRef<IFunCall> TReteNetwork::TCompiler::ResolveCall(const IFunCall& call, std::int32_t position, bool& other) const {
  TRef<IFunCall> copy = call.Clone();
  const auto arguments = copy->Arguments();
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const TRef<TIEValue>& argument = arguments[i];
    if (!argument) continue;
    if (IsVariableValue(argument.Get())) {
      const std::string name(argument->Text());
      const TBinding* binding = rule_.FindBinding(name);
      if (!binding) {
        if (IsGlobalVariableName(name)) continue;
        Raise<EIEException>(IEConsts::SUnknownVariableName, name);
      }
      // A variable first bound by a later pattern has no value yet where
      // the call is tested.
      if (binding->FactIndex() > position) Raise<EIEException>(IEConsts::SUnknownVariableName, name);
      if (binding->FactIndex() != position) other = true;
      argument->SetAsOwnedObject(std::make_unique<TSlotReference>(
          binding->FactIndex(), binding->SlotIndex(), binding->SubIndex(), binding->FactIndex() == position));
    } else if (const IFunCall* inner = argument->FunCallPtr()) {
      argument->SetAsFunCall(ResolveCall(*inner, position, other));
    }
  }
  return copy;
}

TReteNode& TReteNetwork::TCompiler::Alpha(TReteNode* tail, TPatternMatchTest test, TRef<TIEValue> value,
                                          TNodeArguments arguments) {
  auto reuse = [&](TReteNode* candidate) -> TReteNode* {
    auto* node = dynamic_cast<TPatternMatchNode*>(candidate);
    if (!node || node->Dead() || !node->IsSameTest(test, value.Get(), arguments)) return nullptr;
    node->SetRuleUseCount(node->RuleUseCount() + 1);
    Use(*node, "=1");
    return node;
  };
  // Class-test roots are made here only, and each is indexed under its
  // template name: the index answers for them without a scan of every root.
  const bool classRoot = !tail && test == pmtTestClassType && value && value->DType() == dtAtom;
  if (classRoot) {
    if (auto it = network_.classRoots_.find(std::string(value->Text())); it != network_.classRoots_.end()) {
      if (TReteNode* found = reuse(it->second)) return *found;
    }
  } else if (!tail) {
    for (TReteNode* root : network_.roots_) {
      if (TReteNode* found = reuse(root)) return *found;
    }
  } else {
    for (TGGraphEdge* edge : tail->OutgoingEdges()) {
      if (TReteNode* found = reuse(static_cast<TReteNode*>(edge->ToNode()))) return *found;
    }
  }
  auto& created = network_.NewNode<TPatternMatchNode>(test, std::move(value), std::move(arguments));
  if (tail) {
    network_.Link(*tail, created, ctSingle);
  } else {
    network_.MakeRoot(created);
    if (classRoot) {
      std::string name(created.Value()->Text());
      auto [entry, inserted] = network_.classRoots_.try_emplace(name, &created);
      if (!inserted) {
        network_.classRootNames_.erase(entry->second);
        entry->second = &created;
      }
      network_.classRootNames_[&created] = std::move(name);
    }
  }
  Use(created, "+1");
  return created;
}

void TReteNetwork::TCompiler::BuildAlphaChain(std::int32_t position) {
  TIEPattern& pattern = rule_.Pattern(position);
  const bool test = pattern.IsTest();
  TReteNode* tail = &Alpha(nullptr, test ? pmtUnknown : pmtTestClassType, NewAtom(pattern.Name()),
                           TNodeArguments{std::string(), std::string()});
  entries_.push_back(tail);
  if (!test) {
    for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
      for (const auto& slotTest : pattern.SlotTests(s)) {
        const TIEValue* value = slotTest->SlotValue();
        if (value && value->DType() == dtMultiVariable) {
          tail = &Alpha(tail, pmtTestMultiSlotMultiField, nullptr,
                        TNodeArguments{pattern.SlotName(s), slotTest->MultiSlotSubIndex(), 0});
        }
      }
    }
    for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
      if (const std::int32_t length = pattern.RequiredLength(s); length != -1)
        tail = &Alpha(tail, pmtTestMultiSlotLength, nullptr, TNodeArguments{pattern.SlotName(s), length, 0});
    }
    for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
      for (const auto& slotTest : pattern.SlotTests(s)) {
        const TIEValue* value = slotTest->SlotValue();
        if (!value || IsVariableValue(value)) continue;
        TRef<TIEValue> expected(const_cast<TIEValue*>(value));
        if (const IFunCall* call = value->FunCallPtr()) {
          bool other = false;
          TRef<IFunCall> resolved = ResolveCall(*call, position, other);
          if (other) continue;
          expected = MakeRef<TIEValue>(std::move(resolved));
        }
        const bool equal = slotTest->SlotTestType() == sttEquals;
        const std::int32_t sub = slotTest->MultiSlotSubIndex();
        const TPatternMatchTest kind = sub == -1 ? (equal ? pmtTestEqual : pmtTestNotEqual)
                                                 : (equal ? pmtTestMultiSlotEqual : pmtTestMultiSlotNotEqual);
        tail = &Alpha(tail, kind, std::move(expected), TNodeArguments{pattern.SlotName(s), sub});
      }
    }
  }
  tails_.push_back(tail);
}

void TReteNetwork::TCompiler::BuildIntraPatternTests(std::int32_t position) {
  TIEPattern& pattern = rule_.Pattern(position);
  if (pattern.IsTest()) return;
  struct TOccurrence {
    std::int32_t slot;
    const TIEPatternMatchTest* test;
  };
  std::vector<TOccurrence> occurrences;
  for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
    for (const auto& slotTest : pattern.SlotTests(s)) {
      if (IsVariableValue(slotTest->SlotValue())) occurrences.push_back({s, slotTest.get()});
    }
  }
  TReteNode* tail = tails_[static_cast<std::size_t>(position)];
  for (std::size_t i = 0; i < occurrences.size(); ++i) {
    const std::string_view name = occurrences[i].test->SlotValue()->Text();
    const bool first = std::none_of(occurrences.begin(), occurrences.begin() + static_cast<std::ptrdiff_t>(i),
                                    [&](const TOccurrence& o) { return o.test->SlotValue()->Text() == name; });
    if (!first) continue;
    // Every later use of the variable in the pattern, in the same slot too:
    // a repeated variable matches one value.
    for (std::size_t k = i + 1; k < occurrences.size(); ++k) {
      if (occurrences[k].test->SlotValue()->Text() != name) continue;
      const bool firstNegated = occurrences[i].test->SlotTestType() == sttNotEquals;
      const bool laterNegated = occurrences[k].test->SlotTestType() == sttNotEquals;
      if (firstNegated && laterNegated) continue;
      const TPatternMatchTest kind = firstNegated || laterNegated ? pmtTestSlotValueNotEqual : pmtTestSlotValueEqual;
      tail = &Alpha(tail, kind, nullptr,
                    TNodeArguments{pattern.SlotName(occurrences[i].slot), pattern.SlotName(occurrences[k].slot),
                                   occurrences[i].test->MultiSlotSubIndex(), occurrences[k].test->MultiSlotSubIndex()});
    }
  }
  tails_[static_cast<std::size_t>(position)] = tail;
}

TReteNode& TReteNetwork::TCompiler::BuildJoin(std::int32_t position, TReteNode& left) {
  TIEPattern& pattern = rule_.Pattern(position);
  TReteNode& right = *tails_[static_cast<std::size_t>(position)];
  const bool test = pattern.IsTest();
  const bool negated = pattern.NegatedCount() > 0;
  const bool backward = pattern.FactTemplate() && pattern.FactTemplate()->BackwardChaining();
  TTestNode& node = test ? network_.NewNode<TTestNode>()
                         : static_cast<TTestNode&>(network_.NewNode<TJoinNode>(negated, pattern.Unique()));
  std::vector<std::string_view> seen;
  for (std::int32_t s = 0; s < pattern.SlotCount(); ++s) {
    const std::string& slotName = pattern.SlotName(s);
    for (const auto& slotTest : pattern.SlotTests(s)) {
      const TIEValue* value = slotTest->SlotValue();
      if (!value) continue;
      if (IsVariableValue(value)) {
        const std::string_view name = value->Text();
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
        seen.push_back(name);
        const TBinding* binding = rule_.FindBinding(name);
        if (!binding) Raise<EIEException>(IEConsts::SCorruptedBinding, name);
        if (binding->FactIndex() == position || test) continue;
        auto& join = static_cast<TJoinNode&>(node);
        const std::int32_t rightSub = slotTest->MultiSlotSubIndex();
        if (rightSub == -1 && binding->SubIndex() == -1) {
          join.AddJoinTest(slotTest->SlotTestType(), binding->FactIndex(), slotName, binding->SlotIndex());
        } else {
          join.AddJoinTest(slotTest->SlotTestType(), binding->FactIndex(), rightSub, slotName, binding->SubIndex(),
                           binding->SlotIndex());
        }
      } else if (const IFunCall* call = value->FunCallPtr()) {
        if (backward) Raise<EIEException>(IEConsts::SBackchainFunctionCall, pattern.Name());
        bool other = false;
        TRef<IFunCall> resolved = ResolveCall(*call, position, other);
        if (test || other) {
          node.AddFunctionTest(slotTest->SlotTestType(), slotName, *MakeRef<TIEValue>(std::move(resolved)),
                               slotTest->MultiSlotSubIndex());
        }
      }
    }
  }

  if (!test && !negated) {
    auto& join = static_cast<TJoinNode&>(node);
    for (TGGraphEdge* edge : left.OutgoingEdges()) {
      auto* candidate = dynamic_cast<TJoinNode*>(edge->ToNode());
      if (!candidate || candidate == &join || candidate->Dead() || candidate->NegatedPattern()) continue;
      if (static_cast<TReteEdge*>(edge)->CallType() != ctLeft) continue;
      auto* fromRight = static_cast<TReteEdge*>(right.EdgeTo(*candidate));
      if (!fromRight || fromRight->CallType() != ctRight || !candidate->IsSameNode(join)) continue;
      network_.FreeNode(join);
      candidate->SetRuleUseCount(candidate->RuleUseCount() + 1);
      Use(*candidate, "=2");
      return *candidate;
    }
  }

  network_.Link(left, node, ctLeft);
  network_.Link(right, node, ctRight);
  if (!test) {
    auto& join = static_cast<TJoinNode&>(node);
    if (backward && !pattern.Explicit()) join.SetBackwardChaining(&pattern, &rule_);
    join.ChooseHashKeys();
  }
  Use(node, "+2");
  TReteNode* last = &node;
  // exists and deeper negations: each further level is a negated join on
  // the extensions the previous level let through.
  for (std::int32_t level = 1; level < pattern.NegatedCount(); ++level) {
    auto& nested = network_.NewNode<TJoinNode>(true, false);
    nested.SetPrefixJoin();
    network_.Link(*last, nested, ctRight);
    network_.Link(left, nested, ctLeft);
    nested.ChooseHashKeys();
    nodes_.push_back(&nested);
    last = &nested;
  }
  return *last;
}

TPatternMatchTerminalNode& TReteNetwork::TCompiler::Build() {
  const std::int32_t count = rule_.PatternCount();
  for (std::int32_t p = 0; p < count; ++p) BuildAlphaChain(p);
  for (std::int32_t p = 0; p < count; ++p) BuildIntraPatternTests(p);
  TReteNode* last = tails_.front();
  for (std::int32_t p = 1; p < count; ++p) last = &BuildJoin(p, *last);
  auto& terminal = network_.NewNode<TPatternMatchTerminalNode>(rule_);
  trace_ += "+t";
  network_.Link(*last, terminal, ctActivate);
  nodes_.push_back(&terminal);
  return terminal;
}

// --- TReteNetwork ------------------------------------------------------------------------------------

TReteNetwork::TPropagation::~TPropagation() {
  if (--network_.depth_ == 0 && !network_.graveyard_.empty()) {
    std::vector<std::unique_ptr<TGGraphNode>> dead;
    dead.swap(network_.graveyard_);
  }
}

TReteNetwork::TReteNetwork(IReteEngine* engine, const ITokenMemoryFactory* memories)
    : TGGraph(true),
      engine_(engine),
      memories_(memories ? memories : &TIETokenTree::Factory()),
      pool_(TTokenPool::Create()),
      nodeContext_(std::make_unique<TReteNodeContext>(engine ? &engine->EngineContext() : nullptr,
                                                      engine ? &engine->Reasoner() : nullptr)) {}

TReteNetwork::~TReteNetwork() {
  // Activations still kept elsewhere forget their nodes; nobody is told.
  engine_ = nullptr;
  onActivation_ = nullptr;
  onDeactivation_ = nullptr;
  onRuleFired_ = nullptr;
  onChange_ = nullptr;
  onNodeChange_ = nullptr;
  Clear();
  unowned_.clear();
}

void TReteNetwork::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled_) Clear();
}

void TReteNetwork::SetMinActivationStrength(float strength) noexcept {
  minActivationStrength_ = std::clamp(strength, 0.0f, 1.0f);
}

const std::vector<TReteNode*>* TReteNetwork::RuleNodes(const TRule& rule) const { return rules_.Find(&rule); }

IFact* TReteNetwork::NegationFact() {
  IFact* fact = engine_ ? engine_->NegationFact() : nullptr;
  if (fact && fact != keptNegationFact_) {
    pool_->Keep(TRef<IFact>(fact));
    keptNegationFact_ = fact;
  }
  return fact;
}

void TReteNetwork::Link(TReteNode& from, TReteNode& to, TCallType callType) {
  CreateEdge<TReteEdge>(&from, &to, callType);
  if (onNodeChange_) onNodeChange_(*this, to);
}

void TReteNetwork::MakeRoot(TReteNode& node) {
  roots_.push_back(&node);
  rootIndex_.clear();
}

void TReteNetwork::FreeNode(TReteNode& node) {
  if (node.dead_) return;
  node.dead_ = true;
  if (auto it = std::find(roots_.begin(), roots_.end(), &node); it != roots_.end()) {
    roots_.erase(it);
    rootIndex_.clear();
  }
  if (auto it = classRootNames_.find(&node); it != classRootNames_.end()) {
    classRoots_.erase(it->second);
    classRootNames_.erase(it);
  }
  std::unique_ptr<TGGraphNode> freed = ExtractNode(node);
  // A node a token may still be passing through is freed when it has passed.
  if (depth_ > 0) graveyard_.push_back(std::move(freed));
}

void TReteNetwork::AddRule(TRule& rule) {
  if (!enabled_) return;
  if (rule.PatternCount() == 0 && engine_) {
    if (const TIEPattern* initial = engine_->InitialPattern()) rule.AddPattern(initial->CopyForEngine(rule.Engine()));
  }
  if (rule.PatternCount() == 0) return;
  if (rules_.Contains(&rule)) RemoveRule(rule);
  std::string trace = rule.RuleName() + ": ";
  rules_.Put(&rule, {});
  auto undo = ScopeExit([&] { RemoveRule(rule); });
  TCompiler compiler(*this, rule, *rules_.Find(&rule), trace);
  TPatternMatchTerminalNode& terminal = compiler.Build();
  rule.SetCompilationTrace(trace);
  undo.release();
  Prime(rule, compiler.Entries());
  terminal.SetInitialized();
  if (onChange_) onChange_(*this);
}

void TReteNetwork::SendFact(const std::vector<TReteNode*>& entries, IFact& fact, bool onlyAlive) {
  for (TReteNode* entry : entries) {
    if (onlyAlive && entry->Dead()) continue;
    for (TTokenAction tag : {taRemove, taAdd}) {
      TTokenHold token(TIEToken::NewFromFact(*pool_, tag, TRef<IFact>(&fact)));
      entry->CallNode(*token, ctSingle);
    }
  }
}

void TReteNetwork::Prime(TRule& rule, const std::vector<TReteNode*>& entries) {
  if (!engine_) return;
  const std::vector<TRef<IFact>> facts = engine_->FactSnapshot();
  TPropagation propagation(*this);
  std::size_t current = 0;
  try {
    for (; current < facts.size(); ++current) SendFact(entries, *facts[current], false);
  } catch (...) {
    // The rule goes; the fact that failed is sent again through the entry
    // nodes other rules still use, so their matches of it are whole again.
    RemoveRule(rule);
    try {
      SendFact(entries, *facts[current], true);
    } catch (...) {
      // The first failure is the one reported.
    }
    throw;
  }
}

void TReteNetwork::RemoveRule(TRule& rule) {
  std::vector<TReteNode*>* found = rules_.Find(&rule);
  if (!found) return;
  const std::vector<TReteNode*> nodes = std::move(*found);
  rules_.Remove(&rule);
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    TReteNode* node = *it;
    if (node->Dead()) continue;
    node->SetRuleUseCount(node->RuleUseCount() - 1);
    if (node->RuleUseCount() == 0) {
      FreeNode(*node);
    } else if (auto* join = dynamic_cast<TJoinNode*>(node); join && join->Rule() == &rule) {
      // Another rule shares the join: it generates no goals for the rule that left.
      join->SetBackwardChaining(nullptr, nullptr);
    }
  }
  if (onChange_) onChange_(*this);
}

void TReteNetwork::Clear() {
  rules_.Clear();
  roots_.clear();
  rootIndex_.clear();
  classRoots_.clear();
  classRootNames_.clear();
  while (NodeCount() > 0) FreeNode(static_cast<TReteNode&>(Node(NodeCount() - 1)));
  if (onChange_) onChange_(*this);
}

const std::vector<TPatternMatchNode*>& TReteNetwork::RootsFor(IFactTemplate& factTemplate) {
  TRootEntry& entry = rootIndex_[&factTemplate];
  bool valid = entry.factTemplate.Get() == &factTemplate;
  if (valid) {
    std::size_t i = 0;
    for (const IFactTemplate* t = &factTemplate; t && valid; t = t->Parent(), ++i)
      valid = i < entry.chain.size() && entry.chain[i] == t && entry.names[i] == t->Name();
    valid = valid && i == entry.chain.size();
  }
  if (valid) return entry.roots;
  entry = TRootEntry();
  entry.factTemplate = TRef<IFactTemplate>(&factTemplate);
  for (const IFactTemplate* t = &factTemplate; t && entry.chain.size() < 1000; t = t->Parent()) {
    entry.chain.push_back(t);
    entry.names.push_back(t->Name());
  }
  for (TReteNode* root : roots_) {
    auto* node = dynamic_cast<TPatternMatchNode*>(root);
    if (node && node->PassesClass(&factTemplate)) entry.roots.push_back(node);
  }
  return entry.roots;
}

bool TReteNetwork::ProcessToken(TIEToken& token) {
  if (!enabled_ && (token.Tag() == taAdd || token.Tag() == taUpdate)) return false;
  TPropagation propagation(*this);
  IFact* fact = token.Fact();
  IFactTemplate* factTemplate = fact ? fact->Template() : nullptr;
  bool passed = false;
  if (token.Tag() == taClear || !factTemplate) {
    for (std::size_t i = 0; i < roots_.size(); ++i) passed = roots_[i]->CallNode(token, ctSingle) || passed;
    return passed;
  }
  // Only the roots of the fact's template and its ancestors can pass it; a
  // copy, since new rules may change the roots while the token travels.
  const std::vector<TPatternMatchNode*>& indexed = RootsFor(*factTemplate);
  TPatternMatchNode* small[8];
  std::vector<TPatternMatchNode*> large;
  TPatternMatchNode** roots = small;
  if (indexed.size() > std::size(small)) {
    large = indexed;
    roots = large.data();
  } else {
    std::copy(indexed.begin(), indexed.end(), small);
  }
  const std::size_t count = indexed.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (!roots[i]->Dead()) passed = roots[i]->CallNode(token, ctSingle) || passed;
  }
  return passed;
}

void TReteNetwork::WithdrawFact(TRef<IFact> fact) {
  ++quiet_;
  auto loud = ScopeExit([this] { --quiet_; });
  try {
    ProcessFact(taRemove, std::move(fact));
  } catch (const std::exception&) {
    // A root that raised lets nothing through.
  }
}

bool TReteNetwork::ProcessFact(TTokenAction tag, TRef<IFact> fact) {
  TTokenHold token(TIEToken::NewFromFact(*pool_, tag, std::move(fact)));
  return ProcessToken(*token);
}

// --- Reports -------------------------------------------------------------------------------------------

void TReteNetwork::Activated(TRef<TActivation> activation) {
  if (!onActivation_) {
    if (engine_) {
      engine_->AddActivation(std::move(activation));
    } else {
      unowned_.push_back(std::move(activation));
    }
    return;
  }
  // Held for the event: the engine's own handlers may withdraw it.
  const TRef<TActivation> keep = activation;
  if (engine_) {
    engine_->AddActivation(std::move(activation));
  } else {
    unowned_.push_back(std::move(activation));
  }
  onActivation_(*this, *keep);
}

void TReteNetwork::Deactivated(TActivation& activation) {
  if (engine_) {
    engine_->RemoveActivation(activation);
  } else if (auto it = std::find(unowned_.begin(), unowned_.end(), &activation); it != unowned_.end()) {
    const TRef<TActivation> keep = std::move(*it);
    unowned_.erase(it);
    if (onDeactivation_) onDeactivation_(*this, activation);
    return;
  }
  if (onDeactivation_) onDeactivation_(*this, activation);
}

void TReteNetwork::Fired(TActivation& activation) {
  if (engine_) {
    engine_->RuleFired(activation);
  } else if (auto it = std::find(unowned_.begin(), unowned_.end(), &activation); it != unowned_.end()) {
    unowned_.erase(it);
  }
  if (onRuleFired_) onRuleFired_(*this, activation);
}

std::vector<TReteTreeItem> TReteNetwork::Tree() const {
  struct TWalk {
    static TReteTreeItem Item(std::string caption, const TReteNode& node) {
      TReteTreeItem item{std::move(caption), {}};
      for (TGGraphEdge* edge : node.OutgoingEdges()) {
        const auto& to = static_cast<const TReteNode&>(*edge->ToNode());
        item.children.push_back(
            Item(std::string(CallTypeName(static_cast<TReteEdge*>(edge)->CallType())) + " " + to.AsString(), to));
      }
      return item;
    }
  };
  std::vector<TReteTreeItem> items;
  for (const TReteNode* root : roots_) items.push_back(TWalk::Item(root->AsString(), *root));
  return items;
}

}  // namespace fxe
