// The project-risk example program run through an engine: parsed, reset and
// run, it prints the weighted risk of its one project.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/InferenceEngine.h"

namespace fxe {
namespace {

std::string ReadExample(const std::string& name) {
  std::ifstream file(std::string(FXE_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ProjectRiskExample, PrintsTheWeightedRisk) {
  const std::string program = ReadExample("project-risk.fxe");
  ASSERT_FALSE(program.empty());
  TInferenceEngine engine;
  std::string output;
  engine.SetOnPrintOut([&](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
  engine.Parse(program);
  EXPECT_EQ(engine.FuzzyInferenceMethod(), fimAdditive);
  // The setting command echoes the previous method; five of the six rules
  // match the project (the underfunded one does not), reset answers TRUE, and their five
  // increased sets add up (sum has no upper bound): the centroid 0.7037 has
  // the grade 4.0740. Six rules fired in all.
  EXPECT_EQ(output, "min-max\r\nTRUE\r\nRisk is 2.8668\r\n6\r\n");
}

}  // namespace
}  // namespace fxe
