// The Rete network: compiles rules into shared alpha, join, test and terminal
// nodes, takes one token per fact change from the engine, and reports the
// activations its terminal nodes make and withdraw.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "collections/GGraph.h"
#include "collections/GHashtable.h"
#include "model/IEContext.h"
#include "rete/ActivationAgenda.h"
#include "rete/IEToken.h"
#include "rete/IReteEngine.h"
#include "rete/ReteNodes.h"

namespace fxe {

class TRule;

// One line of the network as a tree: an edge's call type and the node's text.
struct TReteTreeItem {
  std::string caption;
  std::vector<TReteTreeItem> children;
};

class TReteNetwork final : public TGGraph {
 public:
  // Counts a propagation in progress; frees dead nodes when the last ends.
  // The engine holds one around a firing as well: the activation firing
  // still refers to its terminal node after the actions, which may have
  // cleared the network or removed the rule.
  class TPropagation {
   public:
    explicit TPropagation(TReteNetwork& network) noexcept : network_(network) { ++network_.depth_; }
    ~TPropagation();
    TPropagation(const TPropagation&) = delete;
    TPropagation& operator=(const TPropagation&) = delete;

   private:
    TReteNetwork& network_;
  };

  using TActivationEvent = std::function<void(TReteNetwork& sender, const TActivation& activation)>;
  using TNotifyEvent = std::function<void(TReteNetwork& sender)>;
  using TNodeEvent = std::function<void(TReteNetwork& sender, TReteNode& node)>;

  static constexpr std::int32_t DefaultHashKey = 101;

  // engine may be nullptr (activations are then kept by the network until
  // withdrawn); memories makes the join memories (TIETokenTree by default).
  explicit TReteNetwork(IReteEngine* engine, const ITokenMemoryFactory* memories = nullptr);
  ~TReteNetwork() override;

  // --- Properties --------------------------------------------------------------------
  bool Enabled() const noexcept { return enabled_; }
  // false ignores add and update tokens and clears the network.
  void SetEnabled(bool enabled);
  IReteEngine* Engine() const noexcept { return engine_; }
  // Buckets of every join memory made from now on.
  std::int32_t HashKey() const noexcept { return hashKey_; }
  void SetHashKey(std::int32_t buckets) noexcept { hashKey_ = buckets < 1 ? 1 : buckets; }
  float MinActivationStrength() const noexcept { return minActivationStrength_; }
  // Clamped into [0, 1].
  void SetMinActivationStrength(float strength) noexcept;
  // Terminal nodes look activations up by scanning their list instead of by key.
  bool LiteralLookups() const noexcept { return literalLookups_; }
  void SetLiteralLookups(bool literal) noexcept { literalLookups_ = literal; }
  const std::vector<TReteNode*>& RootNodes() const noexcept { return roots_; }
  // The nodes a compiled rule uses (with repetitions), or nullptr.
  const std::vector<TReteNode*>* RuleNodes(const TRule& rule) const;
  TTokenPool& Pool() noexcept { return *pool_; }
  TReteStatistics& Statistics() noexcept { return pool_->Statistics(); }
  // The context nodes evaluate calls in: a child of the engine's context.
  TReteNodeContext& NodeContext() noexcept { return *nodeContext_; }
  const ITokenMemoryFactory& MemoryFactory() const noexcept { return *memories_; }

  // --- Rules ---------------------------------------------------------------------------
  // Compiles the rule (only when Enabled): alpha chains, intra-pattern tests,
  // joins, the terminal node, then primes it with the facts of the fact base.
  // A failure removes what was built and propagates.
  void AddRule(TRule& rule);
  // Frees the nodes the rule alone used; its activations are withdrawn.
  void RemoveRule(TRule& rule);
  // Frees every node.
  void Clear();

  // --- Tokens --------------------------------------------------------------------------
  // A fact token from the engine into every root node that can pass it;
  // false when no root let it through (or the network is disabled for it).
  bool ProcessToken(TIEToken& token);
  // Makes the token for a fact change and processes it.
  bool ProcessFact(TTokenAction tag, TRef<IFact> fact);
  // Withdraws a fact: a remove token that no failing test stops with an
  // error (a test that raises lets nothing pass), so that whatever matched
  // the fact goes.
  void WithdrawFact(TRef<IFact> fact);
  // Whether errors of tests are swallowed (while a fact is withdrawn).
  bool Quiet() const noexcept { return quiet_ > 0; }

  // --- Reports -------------------------------------------------------------------------
  void Activated(TRef<TActivation> activation);
  void Deactivated(TActivation& activation);
  void Fired(TActivation& activation);

  void SetOnActivation(TActivationEvent handler) { onActivation_ = std::move(handler); }
  void SetOnDeactivation(TActivationEvent handler) { onDeactivation_ = std::move(handler); }
  void SetOnRuleFired(TActivationEvent handler) { onRuleFired_ = std::move(handler); }
  void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }
  void SetOnNodeChange(TNodeEvent handler) { onNodeChange_ = std::move(handler); }

  // One item per root node and, below each, one per outgoing edge, captioned
  // with the edge's call type name, a blank and the node's text.
  std::vector<TReteTreeItem> Tree() const;

  // --- Building blocks of compilation (used by the compiler) -------------------------------
  // The negation fact of the engine (kept alive for the tokens built on it).
  IFact* NegationFact();
  // Sets up a new node of the network.
  template <class TNode, class... TArgs>
  TNode& NewNode(TArgs&&... args) {
    return static_cast<TNode&>(AddNode(std::make_unique<TNode>(*this, std::forward<TArgs>(args)...)));
  }
  void Link(TReteNode& from, TReteNode& to, TCallType callType);
  void MakeRoot(TReteNode& node);
  // Frees the node now, or once no token travels any more.
  void FreeNode(TReteNode& node);

 private:
  class TCompiler;
  struct TRootEntry {
    TRef<IFactTemplate> factTemplate;
    std::vector<const IFactTemplate*> chain;
    std::vector<std::string> names;
    std::vector<TPatternMatchNode*> roots;
  };

  const std::vector<TPatternMatchNode*>& RootsFor(IFactTemplate& factTemplate);
  void Prime(TRule& rule, const std::vector<TReteNode*>& entries);
  void SendFact(const std::vector<TReteNode*>& entries, IFact& fact, bool onlyAlive);

  IReteEngine* engine_;
  const ITokenMemoryFactory* memories_;
  TTokenPoolHandle pool_;
  // The negation fact the pool was last asked to keep: the pool keeps it
  // alive, so its address cannot come back as another fact's.
  IFact* keptNegationFact_ = nullptr;
  std::unique_ptr<TReteNodeContext> nodeContext_;
  std::vector<TReteNode*> roots_;
  TGHashtable<const TRule*, std::vector<TReteNode*>> rules_;
  std::unordered_map<const IFactTemplate*, TRootEntry> rootIndex_;
  // The class-test root of each template name, so that compiling a pattern
  // does not compare it with every root: name to node and node to name.
  std::unordered_map<std::string, TReteNode*> classRoots_;
  std::unordered_map<const TReteNode*, std::string> classRootNames_;
  std::vector<std::unique_ptr<TGGraphNode>> graveyard_;
  std::vector<TRef<TActivation>> unowned_;
  TActivationEvent onActivation_;
  TActivationEvent onDeactivation_;
  TActivationEvent onRuleFired_;
  TNotifyEvent onChange_;
  TNodeEvent onNodeChange_;
  std::int32_t hashKey_ = DefaultHashKey;
  std::int32_t depth_ = 0;
  std::int32_t quiet_ = 0;
  float minActivationStrength_ = 0.0f;
  bool enabled_ = true;
  bool literalLookups_ = false;
};

}  // namespace fxe
