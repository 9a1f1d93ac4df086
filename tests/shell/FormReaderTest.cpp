// When the prompt stops asking for more lines.
#include "FormReader.h"

#include <gtest/gtest.h>

namespace fxe::shell {
namespace {

TEST(FormComplete, WaitsForBalancedParenthesesOutsideStringsAndComments) {
  struct Case {
    const char* text;
    bool complete;
  };
  const Case cases[] = {
      {"", false},
      {"   \n", false},
      {"; only a comment\n", false},
      {"42\n", true},
      {"(run)\n", true},
      {"(defrule r\n", false},
      {"(defrule r\n  (a) => (printout t \"(\" crlf))\n", true},
      {"(printout t \")\"\n", false},
      {"(printout t \"a \\\" ( b\")\n", true},
      {"(f ; a comment with (\n)\n", true},
      {"(f)) \n", true},  // a surplus ")" ends the form; the parser reports it
      {"\"open string\n", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FormComplete(c.text), c.complete) << c.text;
}

}  // namespace
}  // namespace fxe::shell
