// The nodes of the Rete network. Alpha nodes (TPatternMatchNode) test the
// newest fact of a token, test nodes test whole tokens, join nodes pair left
// tokens with right facts through two token memories and implement negation,
// uniqueness and backward-chaining goals, and terminal nodes turn complete
// matches into activations. Nodes pass tokens on by reference along their
// outgoing edges, in edge order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "collections/GGraph.h"
#include "collections/OpenHashMap.h"
#include "model/IEContext.h"
#include "model/IESlotTest.h"
#include "rete/ActivationAgenda.h"
#include "rete/IEToken.h"
#include "values/IEValue.h"

namespace fxe {

class TReteNetwork;
class TRule;
class TIEPattern;

enum TCallType : std::uint8_t { ctLeft, ctRight, ctSingle, ctActivate };
// "ctLeft", "ctRight", "ctSingle", "ctActivate".
std::string_view CallTypeName(TCallType type) noexcept;

enum TPatternMatchTest : std::uint8_t {
  pmtUnknown,
  pmtTestClassType,
  pmtTestEqual,
  pmtTestNotEqual,
  pmtTestSlotValueEqual,
  pmtTestSlotValueNotEqual,
  pmtTestMultiSlotEqual,
  pmtTestMultiSlotNotEqual,
  pmtTestMultiSlotLength,
  pmtTestMultiSlotMultiField,
  pmtFailTest,
};
// "pmtTestClassType", ...
std::string_view PatternMatchTestName(TPatternMatchTest test) noexcept;

// The context nodes evaluate calls in: a child of the engine's context that
// points at the token and fact under test without counting them.
class TReteNodeContext final : public TIEContext {
 public:
  using TIEContext::TIEContext;
  IFact* CurrentFact() const override { return fact_; }
  IReteToken* CurrentToken() const override { return token_; }
  void Point(const IReteToken* token, IFact* fact) noexcept {
    token_ = const_cast<IReteToken*>(token);
    fact_ = fact;
  }

 private:
  IReteToken* token_ = nullptr;
  IFact* fact_ = nullptr;
};

// An edge of the network: which input of its to-node it feeds.
class TReteEdge final : public TGGraphEdge {
 public:
  TReteEdge(TGGraphNode* fromNode, TGGraphNode* toNode, TCallType callType)
      : TGGraphEdge(fromNode, toNode), callType_(callType) {}
  TCallType CallType() const noexcept { return callType_; }

 private:
  TCallType callType_;
};

class TReteNode : public TGLinkedGraphNode {
 public:
  explicit TReteNode(TReteNetwork& rete) noexcept : rete_(&rete) {}

  TReteNetwork& Rete() const noexcept { return *rete_; }
  // The number of rule compilations using the node; never below 0.
  std::int32_t RuleUseCount() const noexcept { return ruleUseCount_; }
  void SetRuleUseCount(std::int32_t count) noexcept { ruleUseCount_ = count < 0 ? 0 : count; }

  // caption + " In/Out#: " + in/out degree + " RuleUse: " + use count, then
  // what the node's class adds.
  virtual std::string AsString() const;
  // Takes a token arriving through an edge of the given call type; true when
  // the node let it pass (or took it).
  virtual bool CallNode(TIEToken& token, TCallType callType) = 0;
  // Hands the token to every successor in edge order.
  void Propagate(TIEToken& token);
  // Marks a node that is being freed while tokens still travel.
  bool Dead() const noexcept { return dead_; }

 protected:
  void OutgoingChanged() noexcept override;

 private:
  friend class TReteNetwork;
  // The successors in edge order, kept from the edges for propagation.
  struct TSuccessor {
    TReteNode* node;
    TCallType callType;
  };
  void PropagateQuietly(TIEToken& token);

  TReteNetwork* rete_;
  std::vector<TSuccessor> successors_;
  std::int32_t ruleUseCount_ = 1;
  bool dead_ = false;
};

// One argument of an alpha node: a slot name or an index.
using TNodeArgument = std::variant<std::string, std::int32_t>;
using TNodeArguments = std::vector<TNodeArgument>;

// An alpha test on the newest fact of a token.
class TPatternMatchNode final : public TReteNode {
 public:
  TPatternMatchNode(TReteNetwork& rete, TPatternMatchTest test, TRef<TIEValue> value, TNodeArguments arguments);

  std::string_view ClassName() const noexcept override { return "TPatternMatchNode"; }
  TPatternMatchTest PatternMatchTest() const noexcept { return test_; }
  void SetPatternMatchTest(TPatternMatchTest test) noexcept { test_ = test; }
  TIEValue* Value() const noexcept { return value_.Get(); }
  const TNodeArguments& Arguments() const noexcept { return arguments_; }

  // Adds " Value: ", " Test: " and " Args: (...)".
  std::string AsString() const override;
  bool CallNode(TIEToken& token, TCallType callType) override;
  // Compares the fact's value with the expected one (negated when asked):
  // false stops the token. A fuzzy match passes the token on with the grade
  // as its strength when that is lower, and not at all below the network's
  // MinActivationStrength.
  bool TestValues(TIEToken& token, const TIEValue& expected, bool negate, const TIEValue& actual);
  // Same test kind, arguments and value (fuzzy values: equal sets).
  bool IsSameTest(TPatternMatchTest test, const TIEValue* value, const TNodeArguments& arguments) const;
  // The class-type test on a template, for the network's index of roots.
  bool PassesClass(const IFactTemplate* factTemplate) const;

 private:
  // The outcome of a test: stop, pass the token, or pass a copy of the given strength.
  struct TOutcome {
    bool pass = false;
    bool weaker = false;
    float strength = 1.0f;
  };
  TOutcome Evaluate(TIEToken& token);
  TOutcome Compare(const TIEToken& token, const TIEValue& expected, bool negate, const TIEValue& actual);
  static TOutcome PassWithGrade(const TIEToken& token, TFzyFloat grade) noexcept;
  bool EvaluateCall(TIEToken& token, IFact& fact);
  void Segment(TIEToken& token, IFact& fact);
  void Pass(TIEToken& token, const TOutcome& outcome);
  const std::string& TextArgument(std::size_t index) const;
  std::int32_t IntArgument(std::size_t index) const;

  // An equality with a plain constant, compared in place.
  bool CompareConstant(const TIEValue& actual) const noexcept;

  TPatternMatchTest test_;
  TRef<TIEValue> value_;
  TNodeArguments arguments_;
  TSlotAccessor first_;
  TSlotAccessor second_;
  // The kind of a plain (not fuzzy, not a call) constant of an equality
  // test, dtNone when the test takes the general way.
  TIEType constantKind_ = dtNone;
};

// Tests on a whole token, without memory. A passing token goes on extended
// by the negation fact, which holds the test pattern's position.
class TTestNode : public TReteNode {
 public:
  using TTestList = std::vector<std::unique_ptr<TIESlotTest>>;

  explicit TTestNode(TReteNetwork& rete) noexcept : TReteNode(rete) {}
  std::string_view ClassName() const noexcept override { return "TTestNode"; }

  // Adds " NumTests: " and " (" + test text + ")" per test.
  std::string AsString() const override;
  bool CallNode(TIEToken& token, TCallType callType) override;
  // A predicate test: passes unless the call yields FALSE (sttEquals), or
  // exactly when it does (sttNotEquals).
  TIEPatternMatchTest& AddFunctionTest(TSlotTestType type, std::string_view slotName, const TIEValue& value,
                                       std::int32_t subIndex);
  void ClearTests() noexcept { tests_.clear(); }
  void DeleteTest(std::int32_t index);
  const TTestList& Tests() const noexcept { return tests_; }
  bool HasFunctionTest() const noexcept;
  // Same class, the same number of tests, every test equal to one of the
  // other's; a node with a function test is never the same as another.
  virtual bool IsSameNode(const TTestNode& other) const;

 protected:
  // The tests on the left token and the fact entering (nullptr for a test node).
  bool EvaluateTests(const TIEToken& left, IFact* fact);

  TTestList tests_;
};

// A join of left tokens with right facts through two memories.
class TJoinNode final : public TTestNode {
 public:
  TJoinNode(TReteNetwork& rete, bool negated, bool unique) noexcept;
  std::string_view ClassName() const noexcept override { return "TJoinNode"; }

  bool NegatedPattern() const noexcept { return negated_; }
  bool Unique() const noexcept { return unique_; }
  // Joins that follow a negated join of the same pattern (exists, nested
  // not) pass a left token by the presence of its own extension in the right
  // memory: they compare the right token's prefix with the left token.
  bool PrefixJoin() const noexcept { return prefix_; }
  void SetPrefixJoin() noexcept { prefix_ = true; }
  TRule* Rule() const noexcept { return rule_; }
  TIEPattern* BackwardChainingPattern() const noexcept { return goalPattern_; }
  // Raises "Invalid backward chaining pattern added to the node" for a
  // pattern whose template is not marked for backward chaining.
  void SetBackwardChaining(TIEPattern* pattern, TRule* rule);
  bool Hashed() const noexcept { return hashed_; }
  ITokenMemory& LeftMemory() const noexcept { return *left_; }
  ITokenMemory& RightMemory() const noexcept { return *right_; }
  // The matches the last left activation produced.
  std::int32_t MatchCount() const noexcept { return matchCount_; }

  // Adds " *NEGATED*", " Left Memory: " and " Right Memory: ".
  std::string AsString() const override;
  bool CallNode(TIEToken& token, TCallType callType) override;
  bool IsSameNode(const TTestNode& other) const override;
  void ResetMemories();
  // A whole-slot comparison, or one of multislot elements.
  void AddJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::string_view rightSlot, std::string_view leftSlot);
  void AddJoinTest(TSlotTestType type, std::int32_t tokenIndex, std::int32_t rightSubIndex, std::string_view rightSlot,
                   std::int32_t leftSubIndex, std::string_view leftSlot);
  // Puts the first whole-slot equality join test (else the first element
  // equality) in front and keys both memories by its values; makes the memories.
  void ChooseHashKeys();

 private:
  // key: the arriving token's key in its own memory, which probes the other.
  void LeftActivation(TIEToken& token, TIEToken* stored, const TMemoryKey& key);
  void RightActivation(TIEToken& token, const TMemoryKey& key);
  void BackwardChain(const TIEToken& token);
  bool Matches(const TIEToken& left, const TIEToken& right);

  std::unique_ptr<ITokenMemory> left_;
  std::unique_ptr<ITokenMemory> right_;
  TRule* rule_ = nullptr;
  TIEPattern* goalPattern_ = nullptr;
  std::int32_t matchCount_ = 0;
  bool negated_;
  bool unique_;
  bool hashed_ = false;
  bool prefix_ = false;
};

// The end of one rule's network: holds the rule's live activations.
class TPatternMatchTerminalNode final : public TReteNode {
 public:
  TPatternMatchTerminalNode(TReteNetwork& rete, TRule& rule) noexcept;
  ~TPatternMatchTerminalNode() override;
  std::string_view ClassName() const noexcept override { return "TPatternMatchTerminalNode"; }

  TRule& Rule() const noexcept { return *rule_; }
  bool Initialized() const noexcept { return initialized_; }
  // Once set it stays set.
  void SetInitialized() noexcept { initialized_ = true; }
  std::int32_t ActivationCount() const noexcept { return count_; }
  // The live activations in creation order.
  std::vector<TActivation*> Activations() const;

  // Adds " Rule: " + rule name.
  std::string AsString() const override;
  bool CallNode(TIEToken& token, TCallType callType) override;
  void Activate(TIEToken& token);
  // The activation fired: it leaves the list and the firing is reported.
  void ActivationFired(TActivation& activation);
  void RemoveActivationAt(std::int32_t index);
  // Every activation, from the last to the first.
  void RemoveAll();
  // The first activation whose token equals token.
  void RemoveMatching(const TIEToken& token);
  // An activation being freed leaves the list.
  void ActivationFreed(TActivation& activation);
  // The activation leaves the list and its deactivation is reported.
  void Withdraw(TActivation& activation);

 private:
  void Link(TActivation& activation);
  void Unlink(TActivation& activation) noexcept;

  TRule* rule_;
  TActivation* first_ = nullptr;
  TActivation* last_ = nullptr;
  TOpenHashMap<TActivation*> byKey_;
  std::int32_t count_ = 0;
  bool initialized_ = false;
};

}  // namespace fxe
