// The oracle: random rule programs run on the engine and on the engine built
// with literal models of the memories, the agenda and the activation lookups
// (tests/support/LiteralModels.h). Every activation added or removed (with
// its position), every firing, every fact asserted or retracted and the text
// of every node with its memories must be identical.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"
#include "support/LiteralModels.h"

namespace fxe {
namespace {

using test::TEngineSession;
using test::TLiteralMemoryFactory;
using test::TLiteralSequence;

constexpr std::string_view kTemplates =
    "(deftemplate a (slot x) (slot y))"
    "(deftemplate b (slot x) (slot y))"
    "(deftemplate c (multislot m))"
    "(deftype LEVEL extends (type FUZZY) (range 0 10))"
    "(deftemplate e (slot k) (slot f (type LEVEL)))";

// Writes random rules over the templates a, b (slots x and y), c (a
// multislot m), e (a slot k and a fuzzy slot f) and ordered facts d.
class TProgramWriter {
 public:
  explicit TProgramWriter(std::uint32_t seed) : random_(seed) {}

  std::string Rule(const std::string& name) {
    bound_.clear();
    addresses_.clear();
    fuzzy_.clear();
    std::string text = "(defrule " + name;
    if (Chance(40)) text += " (declare (salience " + std::to_string(Between(-2, 2)) + "))";
    const int patterns = Between(1, 4);
    for (int p = 0; p < patterns; ++p) text += " " + Pattern(p);
    text += " => (note " + name;
    for (const std::string& variable : bound_) text += " ?" + variable;
    text += ")";
    if (!addresses_.empty() && Chance(20)) text += " (retract ?" + addresses_[Pick(addresses_.size())] + ")";
    if (Chance(15)) text += " (assert " + Fact() + ")";
    return text + ")";
  }

  std::string Fact() {
    if (Chance(15)) return "(e (k " + Constant() + ") (f " + std::to_string(Between(0, 10)) + "))";
    switch (Between(0, 3)) {
      case 0:
      case 1:
        return std::string("(") + (Chance(50) ? "a" : "b") + " (x " + Constant() + ") (y " + Constant() + "))";
      case 2: {
        std::string text = "(c (m";
        for (int i = Between(0, 3); i > 0; --i) text += " " + Constant();
        return text + "))";
      }
      default:
        return "(d " + Constant() + " " + Constant() + ")";
    }
  }

  int Between(int low, int high) { return low + static_cast<int>(random_() % static_cast<unsigned>(high - low + 1)); }
  bool Chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
  std::size_t Pick(std::size_t count) { return random_() % count; }

 private:
  std::string Constant() {
    static constexpr std::string_view kValues[] = {"0", "1", "2", "3", "p", "q"};
    return std::string(kValues[random_() % 6]);
  }
  std::string NewVariable() { return "v" + std::to_string(next_++); }
  // A constraint on one field; negated patterns use their variables locally.
  std::string Field(bool negated, std::vector<std::string>& local) {
    const int choice = Between(0, 9);
    if (choice <= 2) return Constant();
    if (choice <= 5 || bound_.empty()) {
      std::string variable = NewVariable();
      (negated ? local : bound_).push_back(variable);
      return "?" + variable;
    }
    const std::string& old = bound_[Pick(bound_.size())];
    if (choice == 6) return "~?" + old;
    if (choice == 7) return "~" + Constant();
    if (choice == 8 && !negated) {
      std::string variable = NewVariable();
      local.push_back(variable);
      return "?" + variable + "&:(> ?" + variable + " ?" + old + ")";
    }
    return "?" + old;
  }
  std::string Pattern(int position) {
    const int kind = Between(0, 19);
    if (position > 0 && kind == 0 && !bound_.empty()) {
      return "(test (> ?" + bound_[Pick(bound_.size())] + " " + std::to_string(Between(0, 2)) + "))";
    }
    const bool negated = position > 0 && kind <= 4;
    std::vector<std::string> local;
    std::string text;
    if (Chance(15)) {
      // Fuzzy matches: a term, or a fuzzy variable that joins with other e facts.
      static constexpr std::string_view kTerms[] = {"high", "low", "medium", "very high", "somewhat low"};
      text = "(e (k " + Field(negated, local) + ") (f ";
      // A crisp variable against the fuzzy slot makes probes of crisp keys
      // into memories of fuzzy ones.
      const int choice = Between(0, 9);
      if (choice < 4 || (fuzzy_.empty() && bound_.empty())) {
        text += std::string(kTerms[random_() % 5]);
      } else if ((choice < 7 && !fuzzy_.empty()) || bound_.empty()) {
        text += "?" + fuzzy_[Pick(fuzzy_.size())];
      } else {
        text += "?" + bound_[Pick(bound_.size())];
      }
      text += "))";
      if (Chance(40)) {
        std::string variable = NewVariable();
        if (!negated) fuzzy_.push_back(variable);
        text.replace(text.size() - 2, 0, "&?" + variable);
      }
      return negated ? "(not " + text + ")" : text;
    }
    switch (Between(0, 3)) {
      case 0:
      case 1: {
        text = std::string("(") + (Chance(50) ? "a" : "b");
        for (std::string_view slot : {"x", "y"}) {
          if (Chance(70)) text += std::string(" (") + std::string(slot) + " " + Field(negated, local) + ")";
        }
        text += ")";
        break;
      }
      case 2: {
        text = "(c (m";
        const int fields = Between(0, 3);
        for (int i = 0; i < fields; ++i) {
          if (Chance(30)) {
            std::string variable = NewVariable();
            (negated ? local : bound_).push_back(variable);
            text += " $?" + variable;
          } else {
            text += " " + Field(negated, local);
          }
        }
        text += "))";
        break;
      }
      default:
        text = "(d " + Field(negated, local) + " " + Field(negated, local) + ")";
        break;
    }
    if (negated)
      return kind <= 2 ? "(not " + text + ")" : kind == 3 ? "(exists " + text + ")" : "(not (exists " + text + "))";
    if (position > 0 && Chance(10)) return "(unique " + text + ")";
    if (Chance(25)) {
      std::string address = "f" + std::to_string(next_++);
      addresses_.push_back(address);
      return "?" + address + " <- " + text;
    }
    return text;
  }

  std::mt19937 random_;
  std::vector<std::string> bound_;
  std::vector<std::string> addresses_;
  std::vector<std::string> fuzzy_;
  int next_ = 0;
};

// One engine and everything it reports.
class TObservedEngine {
 public:
  explicit TObservedEngine(bool literal) : session_(Options(literal)) {
    TInferenceEngine& engine = session_.Engine();
    engine.SetOnAddActivation([this](TInferenceEngine&, std::int32_t index, const TActivation& activation) {
      events_ += "+" + std::to_string(index) + " " + activation.AsString() + "\n";
    });
    engine.SetOnRemoveActivation([this](TInferenceEngine&, std::int32_t index, const TActivation& activation) {
      events_ += "-" + std::to_string(index) + " " + activation.AsString() + "\n";
    });
    engine.SetOnRuleFired([this](TInferenceEngine&, TRule& rule) { events_ += "fired " + rule.RuleName() + "\n"; });
    engine.SetOnAssertion(
        [this](TInferenceEngine&, const IFact& fact) { events_ += "assert " + fact.AsStringWithID() + "\n"; });
    engine.SetOnRetraction(
        [this](TInferenceEngine&, const IFact& fact) { events_ += "retract " + fact.AsStringWithID() + "\n"; });
    session_.Run(kTemplates);
  }

  TInferenceEngine& Engine() noexcept { return session_.Engine(); }
  // Runs an action, noting an error instead of stopping.
  template <class TAction>
  void Do(TAction action) {
    try {
      action(session_.Engine());
    } catch (const std::exception& e) {
      events_ += std::string("error ") + e.what() + "\n";
    }
  }
  // Events and notes since the last call, and the text of every node.
  std::string Take() {
    std::string text = std::move(events_);
    events_.clear();
    for (const std::string& line : session_.log) text += "note " + line + "\n";
    session_.log.clear();
    TReteNetwork& network = session_.Engine().Network();
    for (std::int32_t i = 0; i < network.NodeCount(); ++i)
      text += static_cast<TReteNode&>(network.Node(i)).AsString() + "\n";
    text += session_.Agenda();
    return text;
  }

 private:
  static TInferenceEngine::TOptions Options(bool literal) {
    static const TLiteralMemoryFactory memories;
    TInferenceEngine::TOptions options;
    if (literal) {
      options.memories = &memories;
      options.agendaSequence = [] { return std::make_unique<TLiteralSequence>(); };
      options.literalLookups = true;
    }
    return options;
  }

  TEngineSession session_;
  std::string events_;
};

TEST(TReteOracle, RandomProgramsMatchTheLiteralModels) {
  constexpr int kPrograms = 1500;
  int steps = 0;
  for (int program = 0; program < kPrograms; ++program) {
    SCOPED_TRACE("program " + std::to_string(program));
    TProgramWriter writer(static_cast<std::uint32_t>(program) * 2654435761u + 1u);
    TObservedEngine fast(false);
    TObservedEngine literal(true);
    std::vector<std::string> rules;
    const int ruleCount = writer.Between(2, 6);
    std::string log;
    auto step = [&](auto action) {
      fast.Do(action);
      literal.Do(action);
      const std::string expected = literal.Take();
      ASSERT_EQ(fast.Take(), expected) << log;
      ++steps;
    };
    for (int r = 0; r < ruleCount; ++r) {
      rules.push_back(writer.Rule("r" + std::to_string(r)));
      log += rules.back() + "\n";
      step([&](TInferenceEngine& engine) { engine.Parse(rules.back()); });
      if (::testing::Test::HasFatalFailure()) return;
    }
    const int actions = writer.Between(10, 30);
    for (int a = 0; a < actions; ++a) {
      const int choice = writer.Between(0, 19);
      if (choice <= 9) {
        const std::string fact = writer.Fact();
        log += "assert " + fact + "\n";
        step([&](TInferenceEngine& engine) { engine.AssertString(fact); });
      } else if (choice <= 12) {
        const std::int32_t count = fast.Engine().FactCount();
        if (count <= 1) continue;
        const auto position = static_cast<std::int32_t>(1 + writer.Pick(static_cast<std::size_t>(count - 1)));
        log += "retract " + std::to_string(position) + "\n";
        step([&](TInferenceEngine& engine) { engine.Retract(position); });
      } else if (choice <= 15) {
        const int limit = writer.Between(1, 6);
        log += "run " + std::to_string(limit) + "\n";
        step([&](TInferenceEngine& engine) { engine.Run(limit); });
      } else if (choice == 16) {
        log += "strategy\n";
        step([&](TInferenceEngine& engine) {
          engine.SetStrategy(engine.Strategy() == ssDepthFirst ? ssBreadthFirst : ssDepthFirst);
        });
      } else if (choice == 17) {
        const std::string rule = writer.Rule("late" + std::to_string(a));
        log += rule + "\n";
        step([&](TInferenceEngine& engine) { engine.Parse(rule); });
      } else if (choice == 18) {
        const std::string name = "r" + std::to_string(writer.Pick(static_cast<std::size_t>(ruleCount)));
        log += "remove " + name + "\n";
        step([&](TInferenceEngine& engine) { engine.Rules().Remove(name); });
      } else {
        log += "reset\n";
        step([&](TInferenceEngine& engine) { engine.Reset(); });
      }
      if (::testing::Test::HasFatalFailure()) return;
    }
    step([](TInferenceEngine& engine) { engine.Run(200); });
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(steps, kPrograms * 10);
}

}  // namespace
}  // namespace fxe
