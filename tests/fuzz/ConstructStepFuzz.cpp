// Fuzz target: the rule parser's construct step. The input (after its first
// byte) is read as a program without running its commands, in each error
// mode: raising at the first error, collecting the errors and raising them at
// the end, and collecting them into an error handler. With a handler the
// parse must read on to the end and raise nothing. The first byte also picks
// one of the engine's single-item entry points to read the same text with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzEngine.h"

using namespace fxe;

namespace {

void ParseSingleItem(TInferenceEngine& engine, std::uint8_t which, std::string_view text) {
  switch (which % 8) {
    case 0:
      (void)engine.ParseFact(text);
      break;
    case 1:
      (void)engine.ParseRule(text);
      break;
    case 2:
      (void)engine.ParseDefinedType(text);
      break;
    case 3:
      (void)engine.ParseFactTemplate(text);
      break;
    case 4:
      (void)engine.ParseFactSet(text);
      break;
    case 5:
      (void)engine.ParseFunctionCall(text);
      break;
    case 6:
      engine.ParseGlobal(text);
      break;
    default:
      (void)engine.ParseValue(text, dtNone);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > fuzz::MaxInputSize) return 0;
  const std::uint8_t which = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  {
    fuzz::TFuzzEngine sandbox;
    sandbox.Engine().SetParserErrorHandling(ehRaiseImmediate);
    fuzz::Tolerating([&] { sandbox.Engine().Parse(text, false); });
  }
  {
    fuzz::TFuzzEngine sandbox;
    sandbox.Engine().SetParserErrorHandling(ehRaiseAllAtEnd);
    sandbox.Engine().SetParserMaxErrors(1 + which % 16);
    fuzz::Tolerating([&] { sandbox.Engine().Parse(text, false); });
  }
  {
    fuzz::TFuzzEngine sandbox;
    TInferenceEngine& engine = sandbox.Engine();
    engine.SetParserErrorHandling(ehRaiseAllAtEnd);
    std::int32_t errors = 0;
    engine.SetOnParseError([&errors](TInferenceEngine&, std::string_view, std::int32_t) { ++errors; });
    std::string failure;
    try {
      engine.Parse(text, false);
    } catch (const EAbort&) {
      // An abort ends the parse on purpose.
    } catch (const std::exception& error) {
      failure = error.what();
    }
    if (!failure.empty()) fuzz::Fail("a parse with an error handler raised", failure);
    fuzz::Tolerating([&] { ParseSingleItem(engine, which, text); });
  }
  return 0;
}
