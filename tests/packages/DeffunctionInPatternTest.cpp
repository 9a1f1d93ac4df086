// A deffunction called from a pattern's test reads the variables of the
// partial match: its arguments are evaluated in its own context, which works
// on the same partial match as the test.
#include <gtest/gtest.h>

#include <string>

#include "engine/InferenceEngine.h"

namespace fxe {
namespace {

TEST(DeffunctionInPattern, ArgumentsSeeTheVariablesOfThePartialMatch) {
  TInferenceEngine engine;
  std::string output;
  engine.SetOnPrintOut([&](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
  engine.Parse(
      "(deffunction above (?a ?b) (> ?a ?b))"
      "(deftemplate point (slot id) (slot y))"
      "(defrule higher"
      "  (point (id ?p) (y ?py))"
      "  (point (id ?q) (y ?qy))"
      "  (test (above (- ?py 1) ?qy))"
      "  (point (id ?q) (y ?qy2&:(above ?py (+ ?qy2 1))))"
      "  =>"
      "  (printout t ?p \" over \" ?q crlf))"
      "(assert (point (id a) (y 5)) (point (id b) (y 1)) (point (id c) (y 4)))");
  output.clear();
  EXPECT_EQ(engine.Run(), 2);
  // a over c fails the test: 5 - 1 is not above 4.
  EXPECT_EQ(output, "c over b\r\na over b\r\n");
}

}  // namespace
}  // namespace fxe
