// Tokens, the rule-language lexer with its construct read-ahead and record,
// and the parser base.
#include "values/IEParser.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/WordText.h"

namespace fxe {

namespace {

// Truncates toward zero, saturating at the 32-bit limits (NaN gives 0): a
// token's number may have been set to anything.
std::int32_t TruncNumber(double number) noexcept {
  if (number != number) return 0;
  if (number >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (number <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(number);
}

void AppendInteger(std::string& out, std::int32_t value) {
  char digits[16];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

bool IsNilText(std::string_view text) noexcept {
  return text.size() == 3 && (text[0] | 0x20) == 'n' && (text[1] | 0x20) == 'i' && (text[2] | 0x20) == 'l';
}

// How a character continues a word.
enum class EWordChar : std::uint8_t {
  Normal,     // part of the word
  Blank,      // below 33: ends the word and is consumed as white space
  Delimiter,  // " & ( ) ; < [ ] | ~ : ends the word and is read again
  Escape,     // backslash: the next character is taken literally
};

constexpr std::array<EWordChar, 256> MakeWordChars() {
  std::array<EWordChar, 256> table{};
  for (int c = 0; c < 33; ++c) table[static_cast<std::size_t>(c)] = EWordChar::Blank;
  for (char c : detail::kWordDelimiters) table[static_cast<unsigned char>(c)] = EWordChar::Delimiter;
  table['\\'] = EWordChar::Escape;
  return table;
}
constexpr std::array<EWordChar, 256> kWordChars = MakeWordChars();

// The punctuation characters (detail::kPunctuation), each a one-character
// text for its token.
using detail::kPunctuation;

constexpr std::array<bool, 256> MakePunctuation() {
  std::array<bool, 256> table{};
  for (char c : kPunctuation) table[static_cast<unsigned char>(c)] = true;
  return table;
}
constexpr std::array<bool, 256> kIsPunctuation = MakePunctuation();

bool IsPunctuation(int c) noexcept { return c >= 0 && c < 256 && kIsPunctuation[static_cast<std::size_t>(c)]; }

std::string_view PunctuationText(int c) noexcept {
  return kPunctuation.substr(kPunctuation.find(static_cast<char>(c)), 1);
}

}  // namespace

// --- TIEStreamToken --------------------------------------------------------

void TIEStreamToken::Assign(const TIEStreamToken& source) {
  if (&source == this) return;
  text_ = source.text_;
  whiteSpace_ = source.whiteSpace_;
  number_ = source.number_;
  dataType_ = source.dataType_;
  lineNumber_ = source.lineNumber_;
  tag_ = source.tag_;
}

TRef<TIEStreamToken> TIEStreamToken::Clone() const {
  auto copy = MakeRef<TIEStreamToken>();
  copy->Assign(*this);
  return copy;
}

void TIEStreamToken::AssignValue(const TIEValue& value) {
  dataType_ = static_cast<std::int32_t>(value.DType()) & 127;
  text_.clear();
  number_ = 0.0;
  switch (value.DType()) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
    case dtExternalAddress:
      number_ = value.RawInteger();
      break;
    case dtFloat:
      number_ = value.RawFloat();
      break;
    default:
      if (TextTypes.Contains(value.DType())) text_ = value.Text();
      break;
  }
}

bool TIEStreamToken::Equals(const TIEStreamToken& other) const noexcept {
  return dataType_ == other.dataType_ && lineNumber_ == other.lineNumber_ && number_ == other.number_;
}

void TIEStreamToken::AppendText(std::string& out) const {
  switch (dataType_) {
    case dtString:
      out += "\\\"";
      out += text_;
      out += "\"\\";
      return;
    case dtInteger:
      AppendInteger(out, TruncNumber(number_));
      return;
    case dtFloat:
      out += FormatFloat(number_);
      return;
    case dtVariable:
      out += '?';
      out += text_;
      return;
    case dtMultiVariable:
      out += "$?";
      out += text_;
      return;
    default:
      if (text_.empty())
        out += static_cast<char>(dataType_);
      else
        out += text_;
      return;
  }
}

std::string TIEStreamToken::AsText() const {
  std::string out;
  AppendText(out);
  return out;
}

TRef<TIEValue> TIEStreamToken::Value() const {
  switch (dataType_) {
    case dtAtom:
      if (text_ == "TRUE") return SharedValues().True;
      if (text_ == "FALSE") return SharedValues().False;
      if (IsNilText(text_)) return SharedValues().Nil;
      return NewAtom(text_);
    case dtString:
      return NewString(text_);
    case dtVariable:
      return NewVariable(text_);
    case dtMultiVariable:
      return MakeRef<TIEValue>(text_, dtMultiVariable);
    case dtInteger:
      return NewInteger(TruncNumber(number_));
    case dtFloat:
      return NewFloat(number_);
    case dtFactId:
      return MakeRef<TIEValue>(TruncNumber(number_), dtFactId);
    case dtDescriptor:
      return MakeRef<TIEValue>(TruncNumber(number_), dtDescriptor);
    case dtObject: {
      // A number cannot stand for a host object: the value holds none.
      auto value = MakeRef<TIEValue>();
      value->SetAsObject(nullptr);
      return value;
    }
    case dtExternalAddress: {
      auto value = MakeRef<TIEValue>();
      value->SetAsExternalAddress(TruncNumber(number_));
      return value;
    }
    case dtSlot:
      return MakeRef<TIEValue>(text_, dtSlot);
    case dtMultiSlot:
      return MakeRef<TIEValue>(text_, dtMultiSlot);
    case tkEndOfInput:
      if (text_ == "EOF") return SharedValues().Eof;
      break;
    default:
      break;
  }
  std::string number;
  AppendInteger(number, dataType_);
  return NewString(number);
}

TRef<TIEValue> TIEStreamToken::Value(const IIEContext* context) const {
  if (context && (dataType_ == dtVariable || dataType_ == dtMultiVariable)) {
    TIEValue* bound = context->FindVariableValue(text_);
    if (!bound) Raise<EIEException>(IEConsts::SUnknownVariableName, text_);
    return TRef<TIEValue>(bound);
  }
  return Value();
}

// --- TIERuleStream: characters to raw tokens ---------------------------------

TIERuleStream::TIERuleStream(TGStream& stream, ISymbolSource* symbols)
    : TIETokenizerStream(stream), symbols_(symbols) {}

TIERuleStream::TIERuleStream(std::unique_ptr<TGStream> stream, ISymbolSource* symbols)
    : TIETokenizerStream(std::move(stream)), symbols_(symbols) {}

std::unique_ptr<TIERuleStream> TIERuleStream::FromText(std::string text, ISymbolSource* symbols) {
  return std::make_unique<TIERuleStream>(std::make_unique<TGStringStream>(std::move(text)), symbols);
}

bool TIERuleStream::ReadChar(char& c) {
  const int b = ReadByte();
  if (b < 0) return false;
  c = static_cast<char>(b);
  if (c == '\n') CountLine();
  return true;
}

// Passes over characters below 33, adding them to the white space and
// counting CR LF, LF and CR as one line end each; returns the first other
// character, or -1 at the end of the input.
int TIERuleStream::SkipWhite() {
  for (;;) {
    const int c = ReadByte();
    if (c < 0 || c >= 33) return c;
    whiteSpace_ += static_cast<char>(c);
    if (c == '\n') {
      CountLine();
    } else if (c == '\r') {
      const int next = ReadByte();
      if (next == '\n')
        whiteSpace_ += '\n';
      else if (next >= 0)
        PushBack(static_cast<char>(next));
      CountLine();
    }
  }
}

// A comment runs from ";" to the line end; it joins the white space as ";",
// its text and CR LF, and counts as one line.
void TIERuleStream::SkipComment() {
  whiteSpace_ += ';';
  for (;;) {
    const int c = ReadByte();
    if (c < 0 || c == '\n') break;
    if (c == '\r') {
      const int next = ReadByte();
      if (next >= 0 && next != '\n') PushBack(static_cast<char>(next));
      break;
    }
    whiteSpace_ += static_cast<char>(c);
  }
  whiteSpace_ += "\r\n";
  CountLine();
}

TIERuleStream::TRawToken TIERuleStream::ReadWord(int first) {
  text_ += static_cast<char>(first);
  for (;;) {
    const int c = ReadByte();
    if (c < 0) return {thWord, lineNumber_};
    switch (kWordChars[static_cast<std::size_t>(c)]) {
      case EWordChar::Normal:
        text_ += static_cast<char>(c);
        break;
      case EWordChar::Blank: {
        // The word keeps the line it stood on; the line end counts after it.
        whiteSpace_ += static_cast<char>(c);
        const std::int32_t line = lineNumber_;
        if (c == '\n') {
          CountLine();
        } else if (c == '\r') {
          // A CR LF pair is counted when the LF is read; a lone CR counts here.
          const int next = ReadByte();
          if (next >= 0) PushBack(static_cast<char>(next));
          if (next != '\n') CountLine();
        }
        return {thWord, line};
      }
      case EWordChar::Delimiter:
        PushBack(static_cast<char>(c));
        return {thWord, lineNumber_};
      case EWordChar::Escape: {
        const int escaped = ReadByte();
        if (escaped < 0) return {thWord, lineNumber_};
        if (escaped == '\n') CountLine();
        text_ += static_cast<char>(escaped);
        break;
      }
    }
  }
}

// The body of a string after its opening quote, escapes resolved; line ends
// stay in the text and are counted.
void TIERuleStream::ReadString() {
  bool afterCR = false;
  for (;;) {
    int c = ReadByte();
    if (c == '"') return;
    if (c == '\\') c = ReadByte();
    if (c < 0) RaiseAtLine<EIEParseException>(lineNumber_, IEConsts::SUnterminatedString);
    if (c == '\r') {
      CountLine();
      afterCR = true;
    } else {
      if (c == '\n' && !afterCR) CountLine();
      afterCR = false;
    }
    text_ += static_cast<char>(c);
  }
}

TIERuleStream::TRawToken TIERuleStream::ReadRawChars() {
  text_.clear();
  for (;;) {
    const int c = SkipWhite();
    if (c < 0) return {thEndOfInput, lineNumber_};
    if (c == '"') {
      ReadString();
      return {thString, lineNumber_};
    }
    if (c == ';') {
      SkipComment();
      continue;
    }
    if (IsPunctuation(c)) return {static_cast<TTokenHint>(c), lineNumber_};
    return ReadWord(c);
  }
}

// --- TIERuleStream: classifying tokens ---------------------------------------

std::string_view TIERuleStream::FreshName(std::string_view prefix) {
  if (symbols_) {
    fresh_ = symbols_->Gensym(prefix);
  } else {
    fresh_.assign(prefix);
    fresh_ += std::to_string(ownSymbolIndex_++);
  }
  return fresh_;
}

TIERuleStream::TTokenFields TIERuleStream::ClassifyWord(std::string_view text) {
  if (text.empty()) return {dtAtom, 0.0, text};
  const char first = text[0];
  if (first == '?') {
    std::string_view name = text.substr(1);
    return {dtVariable, 0.0, name.empty() ? FreshName("_blank_") : name};
  }
  if (first == '$' && text.size() >= 2 && text[1] == '?') {
    std::string_view name = text.substr(2);
    return {dtMultiVariable, 0.0, name.empty() ? FreshName("_blank_$") : name};
  }
  const bool sign = first == '+' || first == '-' || first == '.';
  if (sign && text.size() == 1) return {dtAtom, 0.0, text};
  if (sign || (first >= '0' && first <= '9')) {
    std::int32_t integer = 0;
    if (TryStrToInt(text, integer)) return {dtInteger, static_cast<double>(integer), {}};
    double number = 0.0;
    if (TryStrToFloat(text, number)) return {dtFloat, number, {}};
  }
  return {dtAtom, 0.0, text};
}

TIERuleStream::TTokenFields TIERuleStream::Classify(TTokenHint hint, std::string_view text) {
  switch (hint) {
    case thEndOfInput:
      if (!text.empty()) return ClassifyWord(text);
      return {tkEndOfInput, 0.0, "EOF"};
    case thWord:
      return ClassifyWord(text);
    case thString:
      return {dtString, 0.0, text};
    case thCR:
      return {dtAtom, 0.0, "CRLF"};
    default:
      if (IsPunctuation(hint)) return {hint, 0.0, PunctuationText(hint)};
      RaiseAtLine<EIEParseException>(lineNumber_, IEConsts::SInvalidTokenHint, static_cast<int>(hint));
  }
}

TRef<TIEStreamToken> TIERuleStream::MakeToken(TTokenHint hint, std::string_view text) {
  const TTokenFields fields = Classify(hint, text);
  auto token = MakeRef<TIEStreamToken>(fields.dataType, lineNumber_, fields.text, fields.number, whiteSpace_);
  whiteSpace_.clear();
  return token;
}

TRef<TIEStreamToken> TIERuleStream::ReadRawToken() {
  const TRawToken raw = ReadRawChars();
  const TTokenFields fields = Classify(raw.hint, text_);
  auto token = MakeRef<TIEStreamToken>(fields.dataType, raw.line, fields.text, fields.number, whiteSpace_);
  whiteSpace_.clear();
  return token;
}

// --- TIERuleStream: read-ahead, record, push-back ----------------------------

// Reads the next construct into the buffer: raw tokens until the parentheses
// balance after a token, or the input ends. Iterative, so an unclosed
// construct costs memory in proportion to its length and no stack.
void TIERuleStream::ReadAhead() {
  record_.clear();
  pending_.clear();
  arena_.clear();
  next_ = 0;
  // A huge construct should not pin its memory for the rest of the stream.
  constexpr std::size_t kKeep = std::size_t{1} << 16;
  if (pending_.capacity() > kKeep) pending_.shrink_to_fit();
  if (arena_.capacity() > kKeep * 8) arena_.shrink_to_fit();

  std::int64_t depth = 0;
  // A construct the lexer fails on is dropped as a whole.
  auto drop = ScopeExit([this] {
    pending_.clear();
    arena_.clear();
  });
  for (;;) {
    const TRawToken raw = ReadRawChars();
    const TTokenFields fields = Classify(raw.hint, text_);
    arena_ += whiteSpace_;
    whiteSpace_.clear();
    const std::size_t wsEnd = arena_.size();
    arena_ += fields.text;
    pending_.push_back({wsEnd, arena_.size(), fields.number, fields.dataType, raw.line});
    if (fields.dataType == tkOpenParen)
      ++depth;
    else if (fields.dataType == tkCloseParen)
      --depth;
    // A stray closing parenthesis is a construct of its own: reading on
    // until the depth came back to 0 would join the next form to it.
    if (depth <= 0 || fields.dataType == tkEndOfInput) break;
  }
  drop.release();
}

TRef<TIEStreamToken> TIERuleStream::Materialize(std::size_t index) const {
  const TPendingToken& p = pending_[index];
  const std::size_t wsBegin = index == 0 ? 0 : pending_[index - 1].textEnd;
  const std::string_view arena = arena_;
  return MakeRef<TIEStreamToken>(p.dataType, p.line, arena.substr(p.wsEnd, p.textEnd - p.wsEnd), p.number,
                                 arena.substr(wsBegin, p.wsEnd - wsBegin));
}

void TIERuleStream::Take(const TRef<TIEStreamToken>& token) {
  if (current_ && current_->LineNumber() < token->LineNumber()) record_ += "\r\n";
  current_ = token;
  token->AppendText(record_);
  record_ += ' ';
  if (token->DataType() == tkOpenParen)
    ++depth_;
  else if (token->DataType() == tkCloseParen)
    --depth_;
}

TRef<TIEStreamToken> TIERuleStream::NextToken() {
  TRef<TIEStreamToken> token;
  if (!pushedBack_.empty()) {
    token = std::move(pushedBack_.back());
    pushedBack_.pop_back();
  } else {
    if (next_ >= pending_.size()) ReadAhead();
    token = Materialize(next_++);
  }
  Take(token);
  return token;
}

void TIERuleStream::PushBackToken(TRef<TIEStreamToken> token) {
  if (!token) return;
  // Cut the record back to before the token: up to its printed form, blanks
  // and line ends trimmed, then one blank.
  scratch_.clear();
  token->AppendText(scratch_);
  std::size_t at = std::string::npos;
  if (record_.size() > scratch_.size() && record_.back() == ' ' &&
      std::string_view(record_).substr(record_.size() - 1 - scratch_.size(), scratch_.size()) == scratch_)
    at = record_.size() - 1 - scratch_.size();
  else
    at = record_.rfind(scratch_);
  if (at != std::string::npos) {
    record_.resize(at);
    while (!record_.empty() && static_cast<unsigned char>(record_.back()) <= ' ') record_.pop_back();
    record_ += ' ';
  }
  if (token->DataType() == tkOpenParen)
    --depth_;
  else if (token->DataType() == tkCloseParen)
    ++depth_;
  current_ = token;
  pushedBack_.push_back(std::move(token));
}

TRef<TIEStreamToken> TIERuleStream::CurrentToken() {
  if (!current_) return NextToken();
  return current_;
}

void TIERuleStream::SkipToEndOfConstruct() {
  // A stray closing parenthesis is a failed construct of its own: skipping
  // on until the depth came back to 0 would swallow the next form.
  if (depth_ < 0) {
    depth_ = 0;
    return;
  }
  while (depth_ > 0) {
    if (NextToken()->DataType() == tkEndOfInput) break;
  }
}

void TIERuleStream::Clear() {
  pushedBack_.clear();
  pending_.clear();
  arena_.clear();
  next_ = 0;
  record_.clear();
  depth_ = 0;
}

void TIERuleStream::SkipRestOfLine() {
  for (;;) {
    const int c = ReadByte();
    if (c < 0) return;
    if (c == '\n') break;
    if (c == '\r') {
      const int next = ReadByte();
      if (next >= 0 && next != '\n') PushBack(static_cast<char>(next));
      break;
    }
  }
  CountLine();
}

std::string TIERuleStream::PeekConstructName() {
  TRef<TIEStreamToken> open = NextToken();
  if (open->DataType() != tkOpenParen || BufferEmpty()) return {};
  const TRef<TIEStreamToken> name = pushedBack_.empty() ? Materialize(next_) : pushedBack_.back();
  PushBackToken(std::move(open));
  switch (name->DataType()) {
    case dtAtom:
      return name->Text().empty() ? name->AsText() : name->Text();
    case dtVariable:
      return name->Text();
    case tkEquals:
      return "=";
    default:
      return {};
  }
}

// --- TIEParser ---------------------------------------------------------------

void TIEParser::Assign(const TIEParser& source) noexcept {
  stream_ = source.stream_;
  strictTemplates_ = source.strictTemplates_;
  staticTypeChecking_ = source.staticTypeChecking_;
  errorHandling_ = source.errorHandling_;
  maxErrors_ = source.maxErrors_;
}

void TIEParser::ParseError(std::string_view operation, std::string_view message) {
  assert(stream_ && "a parser reports errors on its stream");
  const std::int32_t line = stream_->CurrentToken()->LineNumber();
  const std::string_view record = stream_->ConstructText();
  std::string shown;
  if (record.size() >= 256) {
    // The first 128 characters and the 128 before the final blank.
    shown.reserve(262);
    shown.append(record.substr(0, 128));
    shown.append("... \r\n");
    shown.append(record.substr(record.size() - 1 - 128, 128));
  } else {
    shown.assign(record);
  }
  RaiseAtLine<EIEParseException>(line, IEConsts::SParsingError, message, operation, line, shown);
}

std::int32_t TIEParser::CurrentLine() noexcept {
  try {
    return stream_->CurrentToken()->LineNumber();
  } catch (...) {
    return stream_->LineNumber();
  }
}

void TIEParser::Parse(bool executeCommands) {
  assert(stream_ && "a parser needs a stream to parse");
  if (errorHandling_ == ehRaiseImmediate) {
    while (ParseConstruct(executeCommands)) {
    }
    return;
  }

  std::vector<std::string> messages;
  std::int32_t firstLine = 0;
  // Where the stream stood at the last error: an error that follows another
  // without anything read in between (a file that fails every read) would
  // repeat for ever, also when a handler takes the messages.
  std::int64_t lastErrorAt = -1;
  bool stuck = false;
  bool skipConstruct = false;
  const auto collect = [&](std::string message, std::int32_t line) {
    skipConstruct = true;
    std::int64_t at = -2;
    try {
      at = stream_->Position();
    } catch (...) {
      // A stream that cannot say where it is counts as not moving.
      at = lastErrorAt;
    }
    stuck = at == lastErrorAt;
    lastErrorAt = at;
    if (onError_) {
      onError_(message, line);
      return;
    }
    if (messages.empty()) firstLine = line;
    messages.push_back(std::move(message));
  };
  for (;;) {
    try {
      // The failed construct is skipped inside the try: the skip reads tokens
      // and may fail in its turn.
      if (skipConstruct) {
        skipConstruct = false;
        stream_->SkipToEndOfConstruct();
      }
      if (!ParseConstruct(true)) break;
      lastErrorAt = -1;
      continue;
    } catch (const EExit&) {
      // exit ends the host's whole session, not only this text.
      throw;
    } catch (const EAbort&) {
      break;
    } catch (const EIEParseException& e) {
      collect(e.what(), e.LineNumber());
    } catch (const std::bad_alloc&) {
      // What the form held is released by now: report it and read on.
      const std::int32_t line = CurrentLine();
      collect(Format(IEConsts::SParsingError, IEConsts::SFormOutOfMemory, "Parse", line, stream_->ConstructText()), line);
    } catch (const std::exception& e) {
      const std::int32_t line = CurrentLine();
      collect(Format(IEConsts::SParsingError, e.what(), "Parse", line, stream_->ConstructText()), line);
    }
    if (stuck || messages.size() > static_cast<std::size_t>(std::max(maxErrors_, 0))) break;
  }

  if (messages.empty()) return;
  if (messages.size() == 1) throw EIEParseException(messages.front() + "\r\n", firstLine);
  std::string all;
  for (const std::string& message : messages) {
    all += message;
    all += "\r\n";
  }
  RaiseAtLine<EIEParseException>(firstLine, IEConsts::SErrorsParsingStream, all);
}

}  // namespace fxe
