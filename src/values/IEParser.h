// The lexical layer of the rule language: the token (TIEStreamToken), the
// tokenizing stream (TIETokenizerStream, TIERuleStream) that cuts text into
// tokens, counts lines, reads one construct ahead and records the printed text
// of the construct being parsed, and the parser base (TIEParser) with the
// parse-error text and the error-collecting parse loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "collections/RefCounted.h"
#include "values/GStreams.h"
#include "values/IEValue.h"

namespace fxe {

// The engine's generator of unique names. The lexer needs it for the names of
// anonymous variables; the engine's reasoner interface derives from it.
class ISymbolSource {
 public:
  // prefix followed by the decimal symbol index, which then increases by one.
  virtual std::string Gensym(std::string_view prefix) = 0;

 protected:
  ~ISymbolSource() = default;
};

// DataType of the tokens that are not values; value tokens carry the TIEType
// ordinal of their kind (dtAtom, dtString, dtInteger, dtVariable, dtFloat,
// dtMultiVariable).
inline constexpr std::int32_t tkEndOfInput = 0;
inline constexpr std::int32_t tkAmpersand = '&';
inline constexpr std::int32_t tkOpenParen = '(';
inline constexpr std::int32_t tkCloseParen = ')';
inline constexpr std::int32_t tkEquals = '=';
inline constexpr std::int32_t tkOpenBracket = '[';
inline constexpr std::int32_t tkCloseBracket = ']';
inline constexpr std::int32_t tkBar = '|';
inline constexpr std::int32_t tkTilde = '~';

// What the characters of a raw token were: a word (classified further into
// symbol, number or variable), a string, the end of the input, a line end, or
// one of the punctuation characters (hint = the character code). Any other
// number given to MakeToken raises "Invalid Token hint for parsing token: %s".
enum TTokenHint : std::int32_t {
  thEndOfInput = 0,
  thWord = 1,
  thString = 2,
  thCR = 13,
  thAmpersand = '&',
  thOpenParen = '(',
  thCloseParen = ')',
  thEquals = '=',
  thOpenBracket = '[',
  thCloseBracket = ']',
  thBar = '|',
  thTilde = '~',
};

// One token of rule-language text: its kind, the line on which it ended, its
// text (empty for numbers), its number, and the blanks, line ends and comments
// read since the previous token.
class TIEStreamToken final : public TRefCounted {
 public:
  TIEStreamToken() = default;
  TIEStreamToken(std::int32_t dataType, std::int32_t lineNumber, std::string_view text, double number,
                 std::string_view whiteSpace)
      : text_(text), whiteSpace_(whiteSpace), number_(number), dataType_(dataType), lineNumber_(lineNumber) {}
  TIEStreamToken(const TIEStreamToken&) = delete;
  TIEStreamToken& operator=(const TIEStreamToken&) = delete;

  std::int32_t DataType() const noexcept { return dataType_; }
  void SetDataType(std::int32_t dataType) noexcept { dataType_ = dataType; }
  std::int32_t LineNumber() const noexcept { return lineNumber_; }
  void SetLineNumber(std::int32_t lineNumber) noexcept { lineNumber_ = lineNumber; }
  const std::string& Text() const noexcept { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  double Number() const noexcept { return number_; }
  void SetNumber(double number) noexcept { number_ = number; }
  std::int32_t Tag() const noexcept { return tag_; }
  void SetTag(std::int32_t tag) noexcept { tag_ = tag; }
  const std::string& WhiteSpace() const noexcept { return whiteSpace_; }
  void SetWhiteSpace(std::string_view whiteSpace) { whiteSpace_ = whiteSpace; }

  // Copies every property.
  void Assign(const TIEStreamToken& source);
  TRef<TIEStreamToken> Clone() const;
  // Takes the value's kind as DataType and its text or number.
  void AssignValue(const TIEValue& value);
  // Tokens are equal when DataType, LineNumber and Number are; the text is not compared.
  bool Equals(const TIEStreamToken& other) const noexcept;

  // The printed form: a string between the delimiters \" and "\, numbers as
  // the engine prints them, variables with their ? or $? prefix, anything
  // else its text (or the character DataType when the text is empty).
  std::string AsText() const;
  void AppendText(std::string& out) const;

  // The engine value the token stands for: the shared TRUE, FALSE, nil and EOF
  // constants where the text names them, a new value otherwise. Punctuation
  // gives a string holding the decimal DataType.
  TRef<TIEValue> Value() const;
  // As Value, but a variable gives the value bound to it in the context
  // (raising "Unknown variable name: %s" when unbound); a null context is
  // the same as Value().
  TRef<TIEValue> Value(const IIEContext* context) const;

 private:
  std::string text_;
  std::string whiteSpace_;
  double number_ = 0.0;
  std::int32_t dataType_ = tkEndOfInput;
  std::int32_t lineNumber_ = 0;
  std::int32_t tag_ = 0;
};

using IStreamToken = TIEStreamToken;

// A text stream that hands out tokens. Tokens come from a buffer that is
// filled one construct at a time; the text of the construct taken so far is
// kept as its record, which parse errors show.
class TIETokenizerStream : public TGTextStream {
 public:
  using TGTextStream::TGTextStream;

  // The next token from the buffer, reading one more construct when it is empty.
  virtual TRef<TIEStreamToken> NextToken() = 0;
  // Makes the token the next one again and cuts it off the record.
  virtual void PushBackToken(TRef<TIEStreamToken> token) = 0;
  // The last token taken or pushed back; takes the next one when there is none.
  virtual TRef<TIEStreamToken> CurrentToken() = 0;
  // Takes tokens until the parentheses taken so far balance (or the input ends).
  virtual void SkipToEndOfConstruct() = 0;
  // Empties the buffer and the record.
  virtual void Clear() = 0;
  // Skips the characters up to and including the next line end.
  virtual void SkipRestOfLine() = 0;
  // The name after an opening parenthesis, looked at without taking it; empty
  // when the next token is not "(".
  virtual std::string PeekConstructName() = 0;
  // A token read directly from the characters, bypassing the buffer.
  virtual TRef<TIEStreamToken> ReadRawToken() = 0;
  // A token made from a text as the hint classifies it, on the current line.
  virtual TRef<TIEStreamToken> MakeToken(TTokenHint hint, std::string_view text) = 0;
  // The printed forms of the tokens taken since the current construct began.
  virtual std::string_view ConstructText() const = 0;

  std::int32_t LineNumber() const noexcept { return lineNumber_; }
  void SetLineNumber(std::int32_t lineNumber) noexcept { lineNumber_ = lineNumber; }

 protected:
  // One more line; held at the largest number rather than wrapping.
  void CountLine() noexcept {
    if (lineNumber_ < INT32_MAX) ++lineNumber_;
  }

  // 1-based; advanced once per line end read.
  std::int32_t lineNumber_ = 1;
};

// The rule-language lexer.
class TIERuleStream : public TIETokenizerStream {
 public:
  // symbols names anonymous variables; without it the stream counts on its own.
  explicit TIERuleStream(TGStream& stream, ISymbolSource* symbols = nullptr);
  explicit TIERuleStream(std::unique_ptr<TGStream> stream, ISymbolSource* symbols = nullptr);
  // A stream over a text of its own.
  static std::unique_ptr<TIERuleStream> FromText(std::string text, ISymbolSource* symbols = nullptr);

  ISymbolSource* Symbols() const noexcept { return symbols_; }
  void SetSymbols(ISymbolSource* symbols) noexcept { symbols_ = symbols; }

  // Counts LF as a line end.
  bool ReadChar(char& c) override;

  TRef<TIEStreamToken> NextToken() override;
  void PushBackToken(TRef<TIEStreamToken> token) override;
  TRef<TIEStreamToken> CurrentToken() override;
  void SkipToEndOfConstruct() override;
  void Clear() override;
  void SkipRestOfLine() override;
  std::string PeekConstructName() override;
  TRef<TIEStreamToken> ReadRawToken() override;
  TRef<TIEStreamToken> MakeToken(TTokenHint hint, std::string_view text) override;
  std::string_view ConstructText() const override { return record_; }

  // Parenthesis depth of the tokens taken so far.
  std::int64_t Depth() const noexcept { return depth_; }

 private:
  // The characters of one raw token: its hint and the line it belongs to; the
  // text of a word or string is left in text_.
  struct TRawToken {
    TTokenHint hint;
    std::int32_t line;
  };
  // A token read ahead, kept compact until it is taken: its white space is
  // arena_[previous textEnd, wsEnd) and its text arena_[wsEnd, textEnd).
  struct TPendingToken {
    std::size_t wsEnd;
    std::size_t textEnd;
    double number;
    std::int32_t dataType;
    std::int32_t line;
  };
  // DataType, number and text of a token; text may point into text_ or fresh_.
  struct TTokenFields {
    std::int32_t dataType;
    double number;
    std::string_view text;
  };

  TRawToken ReadRawChars();
  int SkipWhite();
  void SkipComment();
  TRawToken ReadWord(int first);
  void ReadString();
  TTokenFields Classify(TTokenHint hint, std::string_view text);
  TTokenFields ClassifyWord(std::string_view text);
  std::string_view FreshName(std::string_view prefix);
  void ReadAhead();
  TRef<TIEStreamToken> Materialize(std::size_t index) const;
  void Take(const TRef<TIEStreamToken>& token);
  bool BufferEmpty() const noexcept { return pushedBack_.empty() && next_ >= pending_.size(); }

  ISymbolSource* symbols_;
  std::int64_t ownSymbolIndex_ = 0;
  std::string text_;        // the text of the token being read
  std::string whiteSpace_;  // white space read since the last token was made
  std::string fresh_;       // the last generated variable name
  std::string scratch_;
  // The buffer: tokens pushed back on top of the rest of the construct read ahead.
  std::vector<TRef<TIEStreamToken>> pushedBack_;
  std::vector<TPendingToken> pending_;
  std::string arena_;
  std::size_t next_ = 0;
  TRef<TIEStreamToken> current_;
  std::int64_t depth_ = 0;
  std::string record_;
};

// How the parse loop reports errors: at the first one, or all together at the end.
enum TErrorHandling : std::uint8_t { ehRaiseImmediate, ehRaiseAllAtEnd };

// The base of the rule-language parsers: the settings every grammar shares,
// the parse-error operation and the loop that parses a whole stream.
class TIEParser {
 public:
  static constexpr std::int32_t DefaultMaxErrors = 10;

  // engine may be null while no engine exists; the stream is not owned.
  TIEParser(ISymbolSource* engine, TIETokenizerStream* stream) noexcept : engine_(engine), stream_(stream) {}
  virtual ~TIEParser() = default;
  TIEParser(const TIEParser&) = delete;
  TIEParser& operator=(const TIEParser&) = delete;

  ISymbolSource* Engine() const noexcept { return engine_; }
  TIETokenizerStream* Stream() const noexcept { return stream_; }
  void SetStream(TIETokenizerStream* stream) noexcept { stream_ = stream; }
  // Facts must name every slot of their template (used by the fact grammar).
  bool StrictTemplates() const noexcept { return strictTemplates_; }
  void SetStrictTemplates(bool strict) noexcept { strictTemplates_ = strict; }
  bool StaticTypeChecking() const noexcept { return staticTypeChecking_; }
  void SetStaticTypeChecking(bool check) noexcept { staticTypeChecking_ = check; }
  TErrorHandling ErrorHandling() const noexcept { return errorHandling_; }
  void SetErrorHandling(TErrorHandling handling) noexcept { errorHandling_ = handling; }
  std::int32_t MaxErrors() const noexcept { return maxErrors_; }
  void SetMaxErrors(std::int32_t maxErrors) noexcept { maxErrors_ = maxErrors; }

  // Told of each error of the collecting loop as it happens. While one is
  // assigned the loop hands every error to it, none is kept, and it reads on
  // to the end of the input without raising: an interactive host reports
  // each failing form and runs the next.
  using TErrorEvent = std::function<void(std::string_view message, std::int32_t line)>;
  const TErrorEvent& OnError() const noexcept { return onError_; }
  void SetOnError(TErrorEvent handler) { onError_ = std::move(handler); }

  // Copies the stream and the four settings.
  void Assign(const TIEParser& source) noexcept;

  // Parses constructs until the end of the stream. ehRaiseImmediate lets the
  // first error out; ehRaiseAllAtEnd collects the messages (stopping once
  // there are more than MaxErrors), skipping each failed construct, and raises
  // them together at the end.
  void Parse(bool executeCommands);

  // Raises EIEParseException "Parsing Error, <message> in <operation> at line
  // <n>: <record>" for the current token, the record shortened to its first
  // and last 128 characters when it has 256 or more.
  [[noreturn]] void ParseError(std::string_view operation, std::string_view message);

 protected:
  // Parses one construct or command from the stream; false when the end of
  // the input was reached.
  virtual bool ParseConstruct(bool executeCommands) = 0;

 private:
  // The line of the current token for a collected message; the stream's own
  // line when even that fails.
  std::int32_t CurrentLine() noexcept;

  ISymbolSource* engine_;
  TIETokenizerStream* stream_;
  std::int32_t maxErrors_ = DefaultMaxErrors;
  TErrorHandling errorHandling_ = ehRaiseImmediate;
  bool strictTemplates_ = false;
  bool staticTypeChecking_ = true;
  TErrorEvent onError_;
};

}  // namespace fxe
