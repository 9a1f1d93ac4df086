// Fuzz target: the rule-language tokenizer. The input is read as a token
// stream to its end, with pushed-back tokens, raw tokens, construct-name
// peeks and skips mixed in as the input's first byte chooses. The stream must
// reach its end in a bounded number of steps, and every token must read
// back from its printed form as an equal token.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/IEConsts.h"
#include "fuzz/FuzzEngine.h"
#include "values/IEParser.h"
#include "values/IEValue.h"

using namespace fxe;

namespace {

bool IsValueToken(const TIEStreamToken& token) {
  switch (token.DataType()) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
      return true;
    default:
      return false;
  }
}

void CheckReadsBack(const TIEStreamToken& token) {
  if (!IsValueToken(token)) return;
  const TRef<TIEValue> value = token.Value();
  // nil has no printed form of its own: it prints as nothing where it stands alone.
  if (value.Get() == SharedValues().Nil.Get()) return;
  const std::string text = value->AsText();
  auto again = TIERuleStream::FromText(text);
  TRef<TIEStreamToken> reread;
  bool single = false;
  fuzz::Tolerating([&] {
    reread = again->NextToken();
    single = again->NextToken()->DataType() == tkEndOfInput;
  });
  // Floats print with four decimals, so a float reads back as the float its
  // printed form names.
  const TRef<TIEValue> rereadValue = reread && IsValueToken(*reread) ? reread->Value() : nullptr;
  const bool equal = rereadValue && (value->DType() == dtFloat
                                   ? rereadValue->DType() == dtFloat && rereadValue->AsText() == text
                                   : value->Equals(rereadValue.Get()));
  if (!single || !equal)
    fuzz::Fail("a value does not read back from its printed form", token.AsText() + " printed as " + text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > fuzz::MaxInputSize) return 0;
  const std::uint8_t mix = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  auto stream = TIERuleStream::FromText(text);
  // Every step takes at least one character or ends the input; the rest is slack
  // for pushed-back tokens and errors.
  const std::size_t maxSteps = 4 * text.size() + 16;
  bool ended = false;
  for (std::size_t step = 0; step < maxSteps && !ended; ++step) {
    fuzz::Tolerating([&] {
      switch ((mix >> (step % 4 * 2)) & 3) {
        case 0: {
          const TRef<TIEStreamToken> token = stream->NextToken();
          ended = token->DataType() == tkEndOfInput;
          if (!ended) CheckReadsBack(*token);
          break;
        }
        case 1: {
          TRef<TIEStreamToken> token = stream->NextToken();
          ended = token->DataType() == tkEndOfInput;
          if (!ended && step % 3 == 0) stream->PushBackToken(std::move(token));
          break;
        }
        case 2: {
          const TRef<TIEStreamToken> token = stream->ReadRawToken();
          ended = !token || token->DataType() == tkEndOfInput;
          break;
        }
        default:
          if (step % 5 == 0) {
            stream->SkipToEndOfConstruct();
          } else if (step % 5 == 1) {
            stream->SkipRestOfLine();
          } else {
            (void)stream->PeekConstructName();
            (void)stream->ConstructText();
          }
          break;
      }
    });
  }
  if (!ended) {
    // The last steps may have been skips only; the stream must still end.
    for (std::size_t step = 0; step < maxSteps && !ended; ++step)
      fuzz::Tolerating([&] { ended = stream->NextToken()->DataType() == tkEndOfInput; });
    if (!ended) fuzz::Fail("the token stream does not reach the end of its input", text);
  }
  return 0;
}
