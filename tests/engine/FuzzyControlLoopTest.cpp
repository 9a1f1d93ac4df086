// The project-risk controller evaluated in a loop through the C++ interface
// prints, for every input, exactly what a fresh engine running the same
// knowledge base prints: nothing of one evaluation leaks into the next.
#include <gtest/gtest.h>

#include <random>

#include "support/ProjectRiskLoop.h"

namespace fxe::testing {
namespace {

TEST(FuzzyControlLoopTest, EveryEvaluationPrintsWhatAFreshEngineDoes) {
  TProjectRiskLoop loop;
  // The example's own project first: its documented figure.
  EXPECT_EQ(loop.Evaluate({100, 1, 1, 1, 100, 52}), "Risk is 2.8668\r\n");
  std::mt19937 random(20261209);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> hundred(1.0, 100.0);
  std::uniform_real_distribution<double> weeks(1.0, 52.0);
  for (int i = 0; i < 40; ++i) {
    const TProjectInputs in{hundred(random), unit(random), unit(random), unit(random), hundred(random), weeks(random)};
    const std::string expected = FreshProjectRisk(in);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(loop.Evaluate(in), expected) << "evaluation " << i;
  }
  // Only the initial fact stays between evaluations besides the newest pair.
  EXPECT_LE(loop.Engine().FactCount(), 3);
}

}  // namespace
}  // namespace fxe::testing
