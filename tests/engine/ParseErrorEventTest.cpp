// A host that reports each failing form and goes on: the parse-error event
// receives every error of a collecting parse, in order, and the forms before,
// between and after the failing ones all run.
#include <gtest/gtest.h>

#include "support/EngineFixture.h"

namespace fxe {
namespace {

TEST(ParseErrorEvent, EveryFailingFormIsReportedAndTheOthersRun) {
  test::TEngineSession session;
  TInferenceEngine& engine = session.Engine();
  std::vector<std::string> errors;
  engine.SetParserErrorHandling(ehRaiseAllAtEnd);
  engine.SetParserMaxErrors(1);  // the event is not bounded by the collecting limit
  engine.SetOnParseError([&](TInferenceEngine&, std::string_view message, std::int32_t line) {
    errors.push_back(std::to_string(line) + ": " + std::string(message));
  });
  std::string text = "(note one)\n(no-such-function)\n(note two)\n(deftemplate)\n(note three)\n";
  for (int i = 0; i < 5; ++i) text += "(undefined-" + std::to_string(i) + ")\n";
  text += "(note four)";
  EXPECT_NO_THROW(engine.Parse(text));
  EXPECT_EQ(session.log, (std::vector<std::string>{"one", "two", "three", "four"}));
  ASSERT_EQ(errors.size(), 7u);
  EXPECT_EQ(errors[0].rfind("2: ", 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("no-such-function"), std::string::npos) << errors[0];
  EXPECT_EQ(errors[1].rfind("4: Parsing Error", 0), 0u) << errors[1];

  // Without the event the collecting parse raises its messages together.
  engine.SetOnParseError(nullptr);
  EXPECT_THROW(engine.Parse("(no-such-function)"), EIEParseException);
}

}  // namespace
}  // namespace fxe
