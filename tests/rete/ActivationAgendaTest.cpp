// Activations and the agenda: placement under both strategies, the listing,
// and the fast sequence against a literal one (a vector probed by the
// bisection) over random insertions, removals and salience changes.
#include "rete/ActivationAgenda.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "rete/IERule.h"
#include "support/LiteralModels.h"

namespace fxe {
namespace {

using test::TLiteralSequence;

class TActivationAgendaTest : public ::testing::Test {
 protected:
  TRule& Rule(std::string_view name, std::int32_t salience) {
    rules_.push_back(std::make_unique<TRule>());
    rules_.back()->SetRuleName(name);
    rules_.back()->SetSalience(salience);
    return *rules_.back();
  }
  TRef<TActivation> Activation(TRule& rule, std::int32_t factId, float strength = 1.0f) {
    auto fact = MakeRef<TFact>(template_);
    fact->SetID(factId);
    TTokenHold token(TIEToken::NewFromFact(*pool_, taAdd, fact));
    return MakeRef<TActivation>(rule, strength, nullptr, *token);
  }
  static std::vector<std::string> Names(const TActivationAgenda& agenda) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < agenda.Count(); ++i) names.push_back(agenda.Activation(i).Rule().RuleName());
    return names;
  }

  TRef<IFactTemplate> template_ = MakeRef<TFactTemplate>(nullptr, "x");
  TTokenPoolHandle pool_{TTokenPool::Create()};
  std::vector<std::unique_ptr<TRule>> rules_;
};

TEST_F(TActivationAgendaTest, StrategiesOrderEqualSalience) {
  for (TSearchStrategy strategy : {ssDepthFirst, ssBreadthFirst}) {
    SCOPED_TRACE(strategy);
    TIEAgenda agenda;
    agenda.SetStrategy(strategy);
    for (std::string_view name : {"A", "B", "C"}) agenda.Add(Activation(Rule(name, 0), 1));
    EXPECT_EQ(Names(agenda), strategy == ssDepthFirst ? (std::vector<std::string>{"C", "B", "A"})
                                                      : (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(agenda.Add(Activation(Rule("high", 10), 2)), 0);
    EXPECT_EQ(agenda.Add(Activation(Rule("low", -10), 3)), 4);
    EXPECT_EQ(agenda.Activation(0).Rule().RuleName(), "high");
    EXPECT_EQ(agenda.Activation(4).Rule().RuleName(), "low");
  }
}

TEST_F(TActivationAgendaTest, PlainAgendaAppendsAndListsItsActivations) {
  TActivationAgenda agenda;
  agenda.Add(Activation(Rule("r1", 0), 0));
  agenda.Add(Activation(Rule("r2", 5), 3, 0.5f));
  EXPECT_EQ(agenda.AsText(), "0 r1 : f-0 (1.0000)\r\n5 r2 : f-3 (0.5000)\r\nfor a total of 2 activations.");
  TRef<TActivation> popped = agenda.Pop(0);
  EXPECT_EQ(popped->Rule().RuleName(), "r1");
  EXPECT_FALSE(popped->OnAgenda());
  EXPECT_EQ(agenda.Count(), 1);
  EXPECT_EQ(agenda.IndexOf(*popped), -1);
  agenda.Clear();
  EXPECT_EQ(agenda.AsText(), "for a total of 0 activations.");
}

TEST_F(TActivationAgendaTest, StrengthIsClampedIntoTheUnitInterval) {
  TRef<TActivation> activation = Activation(Rule("r", 0), 0, 3.0f);
  EXPECT_EQ(activation->Strength(), 1.0f);
  activation->SetStrength(-1.0f);
  EXPECT_EQ(activation->Strength(), 0.0f);
}

// The fast sequence places, finds and removes activations exactly where the
// literal one does, also once saliences change under activations on the
// agenda (rules whose salience is an expression).
TEST_F(TActivationAgendaTest, FastSequenceAgreesWithTheLiteralBisection) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    TIEAgenda fast;
    TIEAgenda literal(std::make_unique<TLiteralSequence>());
    const TSearchStrategy strategy = round % 2 ? ssBreadthFirst : ssDepthFirst;
    fast.SetStrategy(strategy);
    literal.SetStrategy(strategy);
    std::vector<TRule*> rules;
    for (int r = 0; r < 6; ++r)
      rules.push_back(&Rule("r" + std::to_string(r), static_cast<std::int32_t>(random() % 5) - 2));
    const int steps = 400 + round * 150;
    // Every fifth round adds as often as it deletes, so that the agenda
    // empties and fills again many times.
    const unsigned adds = round % 5 == 4 ? 3 : 6;
    for (int step = 0; step < steps; ++step) {
      const unsigned choice = random() % 10;
      if (choice < adds || fast.IsEmpty()) {
        TRule& rule = *rules[random() % rules.size()];
        const std::int32_t id = step;
        ASSERT_EQ(fast.Add(Activation(rule, id)), literal.Add(Activation(rule, id)));
      } else if (choice < adds + 3) {
        const auto index = static_cast<std::int32_t>(random() % static_cast<unsigned>(fast.Count()));
        ASSERT_EQ(fast.Activation(index).Token().FactIndex(), literal.Activation(index).Token().FactIndex());
        ASSERT_EQ(fast.IndexOf(fast.Activation(index)), index);
        fast.Delete(index);
        literal.Delete(index);
      } else if (round % 4 == 3) {
        // A salience expression took another value while the rule has activations on the agenda.
        TRule& rule = *rules[random() % rules.size()];
        rule.SetSalience(rule.Salience() + static_cast<std::int32_t>(random() % 3) - 1);
        fast.Sequence().SaliencesChanged();
      }
    }
    ASSERT_EQ(fast.Count(), literal.Count());
    for (std::int32_t i = 0; i < fast.Count(); ++i)
      ASSERT_EQ(fast.Activation(i).Token().FactIndex(), literal.Activation(i).Token().FactIndex());
  }
}

}  // namespace
}  // namespace fxe
