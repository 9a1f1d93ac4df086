// The network on a stand-in engine, rules built through the model's API:
// node sharing and the compilation trace, priming, negation, removal, and
// compilation errors that leave the network as it was.
#include "rete/ReteNetwork.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "model/IEFacts.h"
#include "rete/IERule.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TTestReasoner;

// Keeps facts and activations for the network.
class TStandInEngine final : public IReteEngine {
 public:
  explicit TStandInEngine(TTestReasoner& reasoner) : reasoner_(reasoner) {}
  void AddActivation(TRef<TActivation> activation) override { agenda.Add(std::move(activation)); }
  void RemoveActivation(TActivation& activation) override {
    if (const std::int32_t index = agenda.IndexOf(activation); index >= 0) agenda.Delete(index);
  }
  void RuleFired(TActivation& activation) override { RemoveActivation(activation); }
  void QueuePending(TRef<IFact> fact, bool) override { pending.push_back(std::move(fact)); }
  std::vector<TRef<IFact>> FactSnapshot() override { return facts; }
  IFact* NegationFact() override { return reasoner_.NegationFact(); }
  TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) override { return reasoner_.GetImpliedTemplate(name); }
  TIEContext& EngineContext() override { return reasoner_.EngineContext(); }
  const TIEPattern* InitialPattern() override { return reasoner_.InitialPattern(); }
  IReasoner& Reasoner() override { return reasoner_; }

  TIEAgenda agenda;
  std::vector<TRef<IFact>> facts;
  std::vector<TRef<IFact>> pending;

 private:
  TTestReasoner& reasoner_;
};

class TReteNetworkTest : public ::testing::Test {
 protected:
  TReteNetworkTest() {
    auto item = MakeRef<TFactTemplate>(&reasoner, "item");
    item->AddSlot("kind", NewAtom("none"));
    item->AddSlot("size", NewInteger(0));
    reasoner.AddFactTemplate(item);
    auto box = MakeRef<TFactTemplate>(&reasoner, "box");
    box->AddSlot("size", NewInteger(0));
    reasoner.AddFactTemplate(box);
  }
  ~TReteNetworkTest() override {
    engine.agenda.Clear();
    network.Clear();
  }

  std::unique_ptr<TIEPattern> Pattern(std::string_view name, std::int32_t negated = 0) {
    return std::make_unique<TIEPattern>(nullptr, negated, reasoner.GetImpliedTemplate(name));
  }
  // (item (kind <kind>) (size ?s))
  std::unique_ptr<TIEPattern> Item(std::string_view kind, std::int32_t negated = 0) {
    auto pattern = Pattern("item", negated);
    pattern->AddTest("kind", NewAtom(kind).Get(), false);
    pattern->AddTest("size", NewVariable("s").Get(), false);
    return pattern;
  }
  std::unique_ptr<TIEPattern> Box(std::int32_t negated = 0) {
    auto pattern = Pattern("box", negated);
    pattern->AddTest("size", NewVariable("s").Get(), false);
    return pattern;
  }
  TRule& Rule(std::string_view name, std::vector<std::unique_ptr<TIEPattern>> patterns) {
    rules.push_back(std::make_unique<TRule>(&reasoner));
    TRule& rule = *rules.back();
    rule.SetRuleName(name);
    for (auto& pattern : patterns) rule.AddPattern(std::move(pattern));
    network.AddRule(rule);
    return rule;
  }
  TRef<IFact> Assert(std::string_view templateName, std::string_view kind, std::int32_t size) {
    TRef<IFact> fact = reasoner.GetImpliedTemplate(templateName)->CreateFact();
    if (templateName == "item") fact->SetSlotValue("kind", NewAtom(kind));
    fact->SetSlotValue("size", NewInteger(size));
    fact->SetID(nextId_++);
    engine.facts.push_back(fact);
    network.ProcessFact(taAdd, fact);
    return fact;
  }
  void Retract(const TRef<IFact>& fact) {
    std::erase(engine.facts, fact);
    network.ProcessFact(taRemove, fact);
  }
  std::string Agenda() const {
    std::string text;
    for (std::int32_t i = 0; i < engine.agenda.Count(); ++i) text += engine.agenda.Activation(i).AsString() + "|";
    return text;
  }

  TTestReasoner reasoner;
  TStandInEngine engine{reasoner};
  TReteNetwork network{&engine};
  std::vector<std::unique_ptr<TRule>> rules;

 private:
  std::int32_t nextId_ = 0;
};

std::vector<std::unique_ptr<TIEPattern>> List(std::unique_ptr<TIEPattern> a, std::unique_ptr<TIEPattern> b = nullptr) {
  std::vector<std::unique_ptr<TIEPattern>> list;
  list.push_back(std::move(a));
  if (b) list.push_back(std::move(b));
  return list;
}

TEST_F(TReteNetworkTest, SharesEqualNodesAndTracesTheCompilation) {
  TRule& first = Rule("first", List(Item("tool"), Box()));
  TRule& second = Rule("second", List(Item("tool"), Box()));
  TRule& third = Rule("third", List(Item("toy")));
  EXPECT_EQ(first.CompilationTrace(), "first: +1+1+1+2+t");
  EXPECT_EQ(second.CompilationTrace(), "second: =1=1=1=2+t");
  EXPECT_EQ(third.CompilationTrace(), "third: =1+1+t");
  ASSERT_EQ(network.RootNodes().size(), 2u);
  EXPECT_EQ(network.RootNodes()[0]->AsString(),
            "TPatternMatchNode0 In/Out#: 0/2 RuleUse: 3 Value: item Test: pmtTestClassType Args: (, )");
  const std::size_t nodes = static_cast<std::size_t>(network.NodeCount());
  network.RemoveRule(third);
  EXPECT_EQ(static_cast<std::size_t>(network.NodeCount()), nodes - 2);
  network.RemoveRule(second);
  EXPECT_EQ(static_cast<std::size_t>(network.NodeCount()), nodes - 3);
  network.RemoveRule(first);
  EXPECT_EQ(network.NodeCount(), 0);
  EXPECT_TRUE(network.RootNodes().empty());
}

TEST_F(TReteNetworkTest, JoinsMatchAndRetractionsWithdraw) {
  Rule("fits", List(Item("tool"), Box()));
  TRef<IFact> hammer = Assert("item", "tool", 3);
  Assert("item", "toy", 3);
  TRef<IFact> small = Assert("box", "", 3);
  Assert("box", "", 4);
  EXPECT_EQ(Agenda(), "0 fits : f-0, f-2 (1.0000)|");
  Retract(small);
  EXPECT_EQ(Agenda(), "");
  EXPECT_EQ(network.Statistics().activationsCreated, 1u);
}

TEST_F(TReteNetworkTest, NegationMatchesTheAbsenceOfFacts) {
  Rule("empty", List(Item("tool"), Box(1)));
  TRef<IFact> hammer = Assert("item", "tool", 3);
  EXPECT_EQ(Agenda(), "0 empty : f-0, f--1 (1.0000)|");
  TRef<IFact> box = Assert("box", "", 3);
  EXPECT_EQ(Agenda(), "");
  Retract(box);
  EXPECT_EQ(Agenda(), "0 empty : f-0, f--1 (1.0000)|");
  // Retracting the left fact withdraws the match even with no box at all.
  Retract(hammer);
  EXPECT_EQ(Agenda(), "");
}

TEST_F(TReteNetworkTest, ARuleAddedLaterIsPrimedWithTheFacts) {
  Assert("item", "tool", 1);
  Assert("box", "", 1);
  TRule& late = Rule("late", List(Item("tool"), Box()));
  EXPECT_EQ(Agenda(), "0 late : f-0, f-1 (1.0000)|");
  const auto* nodes = network.RuleNodes(late);
  ASSERT_NE(nodes, nullptr);
  auto* terminal = dynamic_cast<TPatternMatchTerminalNode*>(nodes->back());
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(terminal->Initialized());
  EXPECT_EQ(terminal->ActivationCount(), 1);
}

TEST_F(TReteNetworkTest, CompilationErrorsLeaveTheNetworkAsItWas) {
  Rule("kept", List(Item("tool")));
  const std::int32_t nodes = network.NodeCount();
  auto pattern = Item("tool");
  auto call = MakeRef<TFunctionCall>(&reasoner, ">");
  call->AddArgument(NewVariable("nowhere"));
  pattern->AddTest("size", MakeRef<TIEValue>(TRef<IFunCall>(call)).Get(), false);
  rules.push_back(std::make_unique<TRule>(&reasoner));
  TRule& broken = *rules.back();
  broken.AddPattern(std::move(pattern));
  ExpectError([&] { network.AddRule(broken); }, "Unknown variable name: nowhere");
  EXPECT_EQ(network.NodeCount(), nodes);
  EXPECT_EQ(network.RuleNodes(broken), nullptr);
}

}  // namespace
}  // namespace fxe
