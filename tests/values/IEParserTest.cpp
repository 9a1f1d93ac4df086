// The lexer, its tokens, the construct read-ahead and record, and the parser
// base's error text and error-collecting loop (driven by a tiny grammar).
#include "values/IEParser.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using TokenRef = TRef<TIEStreamToken>;
using test::ErrorOf;

// Every token of a text, the end-of-input token included.
std::vector<TokenRef> Tokenize(std::string text, ISymbolSource* symbols = nullptr) {
  auto stream = TIERuleStream::FromText(std::move(text), symbols);
  std::vector<TokenRef> tokens;
  do {
    tokens.push_back(stream->NextToken());
  } while (tokens.back()->DataType() != tkEndOfInput);
  return tokens;
}

class TCountingSymbols : public ISymbolSource {
 public:
  explicit TCountingSymbols(int start) : index(start) {}
  std::string Gensym(std::string_view prefix) override { return std::string(prefix) + std::to_string(index++); }
  int index;
};

class TMapContext : public IIEContext {
 public:
  std::map<std::string, TRef<TIEValue>, std::less<>> bindings;
  TIEValue* FindVariableValue(std::string_view name) const override {
    auto it = bindings.find(name);
    return it == bindings.end() ? nullptr : it->second.Get();
  }
  IFact* CurrentFact() const override { return nullptr; }
  IReteToken* CurrentToken() const override { return nullptr; }
};

struct ExpectedToken {
  std::int32_t dataType;
  std::string text;
  double number = 0.0;
};

void ExpectTokens(const std::vector<TokenRef>& tokens, const std::vector<ExpectedToken>& expected) {
  ASSERT_EQ(tokens.size(), expected.size());
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "token " << i);
    EXPECT_EQ(tokens[i]->DataType(), expected[i].dataType);
    EXPECT_EQ(tokens[i]->Text(), expected[i].text);
    EXPECT_EQ(tokens[i]->Number(), expected[i].number);
  }
}

// --- Lexing ---------------------------------------------------------------

TEST(TIERuleStream, TokenKindsOfAWholeList) {
  ExpectTokens(Tokenize(R"((a "x\"y" ?v $?w ? 1 -2 3.5 +5 abc<d))"), {
                                                                         {tkOpenParen, "("},
                                                                         {dtAtom, "a"},
                                                                         {dtString, "x\"y"},
                                                                         {dtVariable, "v"},
                                                                         {dtMultiVariable, "w"},
                                                                         {dtVariable, "_blank_0"},
                                                                         {dtInteger, "", 1},
                                                                         {dtInteger, "", -2},
                                                                         {dtFloat, "", 3.5},
                                                                         {dtInteger, "", 5},
                                                                         {dtAtom, "abc"},
                                                                         {dtAtom, "<d"},
                                                                         {tkCloseParen, ")"},
                                                                         {tkEndOfInput, "EOF"},
                                                                     });
}

TEST(TIERuleStream, PunctuationAndWordBoundaries) {
  struct Case {
    std::string input;
    std::vector<ExpectedToken> tokens;
  };
  const Case cases[] = {
      {"=>", {{tkEquals, "="}, {dtAtom, ">"}}},
      {"a=b", {{dtAtom, "a=b"}}},
      {"<-", {{dtAtom, "<-"}}},
      {"x<y", {{dtAtom, "x"}, {dtAtom, "<y"}}},
      {"&|~[]", {{tkAmpersand, "&"}, {tkBar, "|"}, {tkTilde, "~"}, {tkOpenBracket, "["}, {tkCloseBracket, "]"}}},
      {"a\"s\"", {{dtAtom, "a"}, {dtString, "s"}}},
      {"a\\(b\\ c", {{dtAtom, "a(b c"}}},
      {"ab\\", {{dtAtom, "ab"}}},
      {"\"a\\\\b\"", {{dtString, "a\\b"}}},
      {"\"\"", {{dtString, ""}}},
      {"last", {{dtAtom, "last"}}},
      {"a\tb\x01"
       "c",
       {{dtAtom, "a"}, {dtAtom, "b"}, {dtAtom, "c"}}},
      {std::string("a\0b", 3), {{dtAtom, "a"}, {dtAtom, "b"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    std::vector<ExpectedToken> expected = c.tokens;
    expected.push_back({tkEndOfInput, "EOF"});
    ExpectTokens(Tokenize(c.input), expected);
  }
}

TEST(TIERuleStream, WordClassification) {
  struct Case {
    const char* word;
    std::int32_t dataType;
    const char* text;
    double number;
  };
  const Case cases[] = {
      {"-", dtAtom, "-", 0},
      {"+", dtAtom, "+", 0},
      {".", dtAtom, ".", 0},
      {"-5", dtInteger, "", -5},
      {"+5", dtInteger, "", 5},
      {"1.2.3", dtAtom, "1.2.3", 0},
      {"12abc", dtAtom, "12abc", 0},
      {"2147483647", dtInteger, "", 2147483647.0},
      {"-2147483648", dtInteger, "", -2147483648.0},
      {"2147483648", dtFloat, "", 2147483648.0},
      {"4294967296", dtFloat, "", 4294967296.0},
      {"-$1F", dtInteger, "", -31},
      {"+$10", dtInteger, "", 16},
      {"$FF", dtAtom, "$FF", 0},
      {"$x", dtAtom, "$x", 0},
      {".5", dtFloat, "", 0.5},
      {"1.", dtFloat, "", 1.0},
      {"-.5e-2", dtFloat, "", -0.005},
      {"1e3", dtFloat, "", 1000.0},
      {"1e999", dtAtom, "1e999", 0},
      {"TRUE", dtAtom, "TRUE", 0},
      {"?x", dtVariable, "x", 0},
      {"$?rest", dtMultiVariable, "rest", 0},
      {"?$?", dtVariable, "$?", 0},
      {"\xff\x80", dtAtom, "\xff\x80", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    ExpectTokens(Tokenize(c.word), {{c.dataType, c.text, c.number}, {tkEndOfInput, "EOF"}});
  }
}

TEST(TIERuleStream, AnonymousVariablesTakeTheEnginesSymbolIndex) {
  TCountingSymbols symbols(5);
  ExpectTokens(Tokenize("? $? ?", &symbols), {
                                                 {dtVariable, "_blank_5"},
                                                 {dtMultiVariable, "_blank_$6"},
                                                 {dtVariable, "_blank_7"},
                                                 {tkEndOfInput, "EOF"},
                                             });
  EXPECT_EQ(symbols.index, 8);
  // Without an engine the stream counts on its own.
  auto tokens = Tokenize("? ?");
  EXPECT_EQ(tokens[0]->Text(), "_blank_0");
  EXPECT_EQ(tokens[1]->Text(), "_blank_1");
}

TEST(TIERuleStream, CommentsBecomeWhiteSpace) {
  auto tokens = Tokenize("a ; note\nb;tail\r\n  c");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0]->WhiteSpace(), " ");  // the blank that ended the word
  EXPECT_EQ(tokens[1]->Text(), "b");
  EXPECT_EQ(tokens[1]->WhiteSpace(), "; note\r\n");
  EXPECT_EQ(tokens[1]->LineNumber(), 2);
  EXPECT_EQ(tokens[2]->Text(), "c");
  EXPECT_EQ(tokens[2]->WhiteSpace(), ";tail\r\n  ");
  EXPECT_EQ(tokens[2]->LineNumber(), 3);
}

TEST(TIERuleStream, LineNumbers) {
  struct Case {
    std::string input;
    std::vector<std::int32_t> lines;  // of every token, the end of input included
  };
  const Case cases[] = {
      {"a\nb", {1, 2, 2}},    {"a\r\nb", {1, 2, 2}},   {"a\rb", {1, 2, 2}},       {"a \r\n\r\nb", {1, 3, 3}},
      {"a\n\rb", {1, 3, 3}},  {"a\n", {1, 2}},         {"(a\r\n)", {1, 1, 2, 2}}, {"\"x\ny\" z", {2, 2, 2}},
      {"\"x\r\ny\"", {2, 2}}, {"\"x\ry\"", {2, 2}},    {"\"x\n\r\ny\"", {3, 3}},  {"; c\na", {2, 2}},
      {"; no line end", {2}}, {"a\\\nb c", {2, 2, 2}}, {"\r\r\n\n(", {4, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    auto tokens = Tokenize(c.input);
    std::vector<std::int32_t> lines;
    for (const auto& t : tokens) lines.push_back(t->LineNumber());
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(TIERuleStream, UnterminatedString) {
  for (const char* input : {"(a \"abc", "\"abc\\", "\"\\\""}) {
    SCOPED_TRACE(input);
    auto stream = TIERuleStream::FromText(input);
    EXPECT_EQ(ErrorOf<EIEParseException>([&] { stream->NextToken(); }),
              "Invalid string value, string was not terminated");
    // The failed construct is dropped; the input is used up.
    EXPECT_EQ(stream->NextToken()->DataType(), tkEndOfInput);
  }
  auto stream = TIERuleStream::FromText("\"a\nb");
  try {
    stream->ReadRawToken();
    FAIL() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(e.LineNumber(), 2);
  }
}

TEST(TIERuleStream, MakeTokenFromHints) {
  auto stream = TIERuleStream::FromText("");
  struct Case {
    TTokenHint hint;
    const char* text;
    ExpectedToken expected;
  };
  const Case cases[] = {
      {thEndOfInput, "", {tkEndOfInput, "EOF"}},
      {thEndOfInput, "12", {dtInteger, "", 12}},
      {thWord, "abc", {dtAtom, "abc"}},
      {thWord, "", {dtAtom, ""}},
      {thString, "a b", {dtString, "a b"}},
      {thCR, "anything", {dtAtom, "CRLF"}},
      {thOpenParen, "ignored", {tkOpenParen, "("}},
      {thTilde, "", {tkTilde, "~"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ExpectTokens({stream->MakeToken(c.hint, c.text)}, {c.expected});
  }
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { stream->MakeToken(static_cast<TTokenHint>(99), "x"); }),
            "Invalid Token hint for parsing token: 99");
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { stream->MakeToken(thWord, "x"); }), "(no error)");
}

// --- Tokens -----------------------------------------------------------------

TEST(TIEStreamToken, PrintedForm) {
  auto stream = TIERuleStream::FromText("");
  struct Case {
    TTokenHint hint;
    const char* text;
    const char* printed;
  };
  const Case cases[] = {
      {thString, "x\"y", "\\\"x\"y\"\\"},
      {thWord, "42", "42"},
      {thWord, "-3.25", "-3.2500"},
      {thWord, "?v", "?v"},
      {thWord, "$?w", "$?w"},
      {thOpenParen, "(", "("},
      {thEndOfInput, "", "EOF"},
      {thWord, "sym", "sym"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printed);
    EXPECT_EQ(stream->MakeToken(c.hint, c.text)->AsText(), c.printed);
  }
  // Empty text prints the character DataType stands for.
  auto token = MakeRef<TIEStreamToken>(tkCloseParen, 1, "", 0.0, "");
  EXPECT_EQ(token->AsText(), ")");
  // A number beyond 32 bits set on an integer token prints held at the limit.
  token = MakeRef<TIEStreamToken>(dtInteger, 1, "", 1e12, "");
  EXPECT_EQ(token->AsText(), "2147483647");
}

TEST(TIEStreamToken, Value) {
  const auto& shared = SharedValues();
  auto stream = TIERuleStream::FromText("");
  auto valueOf = [&](TTokenHint hint, const char* text) { return stream->MakeToken(hint, text)->Value(); };
  EXPECT_EQ(valueOf(thWord, "TRUE"), shared.True);
  EXPECT_EQ(valueOf(thWord, "FALSE"), shared.False);
  EXPECT_EQ(valueOf(thWord, "nil"), shared.Nil);
  EXPECT_EQ(valueOf(thWord, "NiL"), shared.Nil);
  EXPECT_EQ(valueOf(thEndOfInput, ""), shared.Eof);

  struct Case {
    TRef<TIEValue> value;
    TIEType type;
    const char* printed;
  };
  const Case cases[] = {
      {valueOf(thWord, "True"), dtAtom, "True"},
      {valueOf(thWord, "abc"), dtAtom, "abc"},
      {valueOf(thString, "s"), dtString, "\"s\""},
      {valueOf(thWord, "7"), dtInteger, "7"},
      {valueOf(thWord, "2.5"), dtFloat, "2.5000"},
      {valueOf(thWord, "?x"), dtVariable, "?x"},
      {valueOf(thWord, "$?y"), dtMultiVariable, "$?y"},
      {valueOf(thOpenParen, "("), dtString, "\"40\""},
      {MakeRef<TIEStreamToken>(dtFactId, 1, "", 3.9, "")->Value(), dtFactId, "<Fact-3>"},
      {MakeRef<TIEStreamToken>(dtExternalAddress, 1, "", 8, "")->Value(), dtExternalAddress, "<External-Address: 8>"},
      {MakeRef<TIEStreamToken>(dtSlot, 1, "s", 0, "")->Value(), dtSlot, "s"},
      {MakeRef<TIEStreamToken>(dtMultiSlot, 1, "m", 0, "")->Value(), dtMultiSlot, "m"},
      {MakeRef<TIEStreamToken>(tkEndOfInput, 1, "", 0, "")->Value(), dtString, "\"0\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printed);
    ASSERT_TRUE(c.value);
    EXPECT_EQ(c.value->DType(), c.type);
    EXPECT_EQ(c.value->AsText(), c.printed);
    EXPECT_FALSE(c.value->IsShared());
  }
}

TEST(TIEStreamToken, ValueInAContext) {
  TMapContext context;
  auto bound = NewInteger(5);
  context.bindings["x"] = bound;
  auto stream = TIERuleStream::FromText("");
  EXPECT_EQ(stream->MakeToken(thWord, "?x")->Value(&context), bound);
  EXPECT_EQ(stream->MakeToken(thWord, "$?x")->Value(&context), bound);
  EXPECT_EQ(stream->MakeToken(thWord, "?x")->Value(nullptr)->DType(), dtVariable);
  EXPECT_EQ(stream->MakeToken(thWord, "abc")->Value(&context)->AsText(), "abc");
  EXPECT_EQ(ErrorOf<EIEException>([&] { stream->MakeToken(thWord, "?y")->Value(&context); }),
            "Unknown variable name: y");
}

TEST(TIEStreamToken, EqualityIgnoresTheText) {
  TIEStreamToken a(dtAtom, 3, "abc", 0.0, "");
  TIEStreamToken b(dtAtom, 3, "xyz", 0.0, " ");
  TIEStreamToken c(dtAtom, 4, "abc", 0.0, "");
  TIEStreamToken d(dtInteger, 3, "", 1.0, "");
  EXPECT_TRUE(a.Equals(b));
  EXPECT_FALSE(a.Equals(c));
  EXPECT_FALSE(a.Equals(d));
  auto copy = a.Clone();
  copy->SetTag(9);
  EXPECT_TRUE(copy->Equals(a));
  EXPECT_EQ(copy->Text(), "abc");
}

TEST(TIEStreamToken, AssignFromAValue) {
  struct Case {
    TRef<TIEValue> value;
    std::int32_t dataType;
    const char* text;
    double number;
  };
  const Case cases[] = {
      {NewAtom("abc"), dtAtom, "abc", 0},
      {NewString("s t"), dtString, "s t", 0},
      {MakeRef<TIEValue>("rest", dtMultiVariable), dtMultiVariable, "rest", 0},
      {NewInteger(-7), dtInteger, "", -7},
      {NewFloat(2.5), dtFloat, "", 2.5},
      {MakeRef<TIEValue>(4, dtFactId), dtFactId, "", 4},
      {SharedValues().EmptyList, dtList, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value->AsText());
    TIEStreamToken token(dtString, 1, "old", 99.0, "");
    token.AssignValue(*c.value);
    EXPECT_EQ(token.DataType(), c.dataType);
    EXPECT_EQ(token.Text(), c.text);
    EXPECT_EQ(token.Number(), c.number);
  }
}

// --- Read-ahead, record, push-back ---------------------------------------------

TEST(TIERuleStream, RecordFollowsTakenAndPushedBackTokens) {
  auto stream = TIERuleStream::FromText("(deftemplate foo \"c\"\n  (slot 1.5))");
  for (int i = 0; i < 3; ++i) stream->NextToken();
  EXPECT_EQ(stream->ConstructText(), "( deftemplate foo ");
  auto foo = stream->CurrentToken();
  stream->PushBackToken(foo);
  EXPECT_EQ(stream->ConstructText(), "( deftemplate ");
  EXPECT_EQ(stream->CurrentToken(), foo);
  EXPECT_EQ(stream->NextToken(), foo);  // the same token object comes back
  stream->NextToken();
  auto open = stream->NextToken();
  EXPECT_EQ(stream->ConstructText(), "( deftemplate foo \\\"c\"\\ \r\n( ");
  EXPECT_EQ(stream->Depth(), 2);
  stream->PushBackToken(open);
  EXPECT_EQ(stream->ConstructText(), "( deftemplate foo \\\"c\"\\ ");
  EXPECT_EQ(stream->Depth(), 1);
  while (stream->NextToken()->DataType() != tkEndOfInput) {
  }
  EXPECT_EQ(stream->Depth(), 0);
}

TEST(TIERuleStream, NextConstructRestartsTheRecord) {
  auto stream = TIERuleStream::FromText("(a) (b c)");
  for (int i = 0; i < 3; ++i) stream->NextToken();
  EXPECT_EQ(stream->ConstructText(), "( a ) ");
  stream->NextToken();
  EXPECT_EQ(stream->ConstructText(), "( ");
}

TEST(TIERuleStream, PeekConstructName) {
  struct Case {
    const char* input;
    const char* name;
    std::int32_t nextType;  // of the token taken after the peek
  };
  const Case cases[] = {
      {"(deftemplate x)", "deftemplate", tkOpenParen},
      {"(?x 1)", "x", tkOpenParen},
      {"(= 1)", "=", tkOpenParen},
      {"(\"s\")", "", tkOpenParen},
      {"(42)", "", tkOpenParen},
      {"(", "", tkOpenParen},      // the end-of-input token follows
      {"foo bar", "", dtAtom},     // foo stays taken; bar comes next
      {") (x)", "", tkOpenParen},  // ")" stays taken
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto stream = TIERuleStream::FromText(c.input);
    EXPECT_EQ(stream->PeekConstructName(), c.name);
    EXPECT_EQ(stream->NextToken()->DataType(), c.nextType);
  }
  // A stray ")" is read ahead alone, so the construct after it keeps its "(".
  auto stream = TIERuleStream::FromText(") (x)");
  stream->NextToken();
  EXPECT_EQ(stream->PeekConstructName(), "x");
  EXPECT_EQ(stream->NextToken()->DataType(), tkOpenParen);
  EXPECT_EQ(stream->NextToken()->Text(), "x");
}

TEST(TIERuleStream, SkipToEndOfConstruct) {
  auto stream = TIERuleStream::FromText("(a (b c) d) (e)");
  stream->SkipToEndOfConstruct();  // nothing taken: nothing to skip
  for (int i = 0; i < 3; ++i) stream->NextToken();
  stream->SkipToEndOfConstruct();
  EXPECT_EQ(stream->CurrentToken()->DataType(), tkCloseParen);
  EXPECT_EQ(stream->NextToken()->DataType(), tkOpenParen);
  EXPECT_EQ(stream->NextToken()->Text(), "e");

  auto open = TIERuleStream::FromText("(a (b");
  open->NextToken();
  open->SkipToEndOfConstruct();
  EXPECT_EQ(open->CurrentToken()->DataType(), tkEndOfInput);

  // A stray closing parenthesis is skipped alone; the form after it stays.
  auto stray = TIERuleStream::FromText(") 17 (f)");
  stray->NextToken();
  stray->SkipToEndOfConstruct();
  EXPECT_EQ(stray->NextToken()->AsText(), "17");
  EXPECT_EQ(stray->NextToken()->DataType(), tkOpenParen);
}

TEST(TIERuleStream, ClearDropsTheBufferedConstruct) {
  auto stream = TIERuleStream::FromText("(a b) (c)");
  stream->NextToken();
  stream->NextToken();
  stream->Clear();
  EXPECT_EQ(stream->ConstructText(), "");
  EXPECT_EQ(stream->Depth(), 0);
  EXPECT_EQ(stream->NextToken()->DataType(), tkOpenParen);
  EXPECT_EQ(stream->NextToken()->Text(), "c");
}

TEST(TIERuleStream, SkipRestOfLine) {
  auto stream = TIERuleStream::FromText("first line here\r\nsecond");
  EXPECT_EQ(stream->ReadRawToken()->Text(), "first");
  stream->SkipRestOfLine();
  auto second = stream->ReadRawToken();
  EXPECT_EQ(second->Text(), "second");
  EXPECT_EQ(second->LineNumber(), 2);
}

TEST(TIERuleStream, PushBackDoesNotChangeTheTokenSequence) {
  const std::string text =
      "(defrule r \"doc\" (a ?x&~5 $?rest) => (printout t \"x\" crlf) (assert (b (+ ?x 1.5))))\n"
      "; comment\n(deffacts f (a 1) (a -2))\n?top 42";
  std::vector<std::string> plain;
  for (const auto& t : Tokenize(text)) plain.push_back(t->AsText() + "@" + std::to_string(t->LineNumber()));

  std::mt19937 random(7);
  auto stream = TIERuleStream::FromText(text);
  std::vector<std::string> shuffled;
  for (;;) {
    auto token = stream->NextToken();
    if (random() % 3 == 0) {
      stream->PushBackToken(token);
      if (random() % 2 == 0) {
        // Two deep: take it and the next, push both back.
        auto first = stream->NextToken();
        auto second = stream->NextToken();
        stream->PushBackToken(second);
        stream->PushBackToken(first);
      }
      token = stream->NextToken();
    }
    shuffled.push_back(token->AsText() + "@" + std::to_string(token->LineNumber()));
    if (token->DataType() == tkEndOfInput) break;
  }
  EXPECT_EQ(shuffled, plain);
}

// --- Bad input ----------------------------------------------------------------

TEST(TIERuleStream, RandomBytesNeverBreakTheLexer) {
  std::string alphabet = "()\"\\;?$&=<[]|~ \t\r\n-+.e0123456789abcTRUEnil";
  alphabet += std::string("\0\x01\x7f\x80\xff\xc3", 6);
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string input(random() % 200, '\0');
    for (char& c : input)
      c = random() % 4 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    SCOPED_TRACE(testing::PrintToString(input));
    auto stream = TIERuleStream::FromText(input);
    std::size_t taken = 0;
    bool ended = false;
    // Every token consumes at least one character, so more tokens than
    // characters would mean the lexer is stuck.
    while (!ended && taken <= input.size() + 2) {
      try {
        auto token = stream->NextToken();
        ++taken;
        ended = token->DataType() == tkEndOfInput;
        if (!ended && random() % 5 == 0) {
          stream->PushBackToken(token);
          stream->NextToken();
        }
        if (random() % 17 == 0) stream->PeekConstructName();
        if (random() % 23 == 0) stream->SkipToEndOfConstruct();
        token->Value();
      } catch (const EIEParseException& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid string value, string was not terminated");
        ++taken;
      }
    }
    EXPECT_TRUE(ended);
  }
}

TEST(TIERuleStream, AMillionOpenParenthesesReadAheadIteratively) {
  const std::size_t n = 1000000;
  auto stream = TIERuleStream::FromText(std::string(n, '('));
  std::size_t opens = 0;
  while (stream->NextToken()->DataType() == tkOpenParen) ++opens;
  EXPECT_EQ(opens, n);
  EXPECT_EQ(stream->Depth(), static_cast<std::int64_t>(n));
  EXPECT_EQ(stream->CurrentToken()->DataType(), tkEndOfInput);
}

// --- Parser base ------------------------------------------------------------------

// A grammar of "(ok ...)" constructs; "(boom)" raises an engine error,
// "(abort)" the silent abort, anything else a parse error.
class TOkParser : public TIEParser {
 public:
  using TIEParser::TIEParser;
  int accepted = 0;
  std::vector<bool> executeFlags;

 protected:
  bool ParseConstruct(bool executeCommands) override {
    executeFlags.push_back(executeCommands);
    TIETokenizerStream& stream = *Stream();
    auto token = stream.NextToken();
    if (token->DataType() == tkEndOfInput) return false;
    if (token->DataType() != tkOpenParen) ParseError("GetConstructType", "Expected \"(\"");
    stream.PushBackToken(token);
    const std::string name = stream.PeekConstructName();
    stream.NextToken();
    stream.NextToken();
    if (name == "ok") {
      stream.SkipToEndOfConstruct();
      ++accepted;
      return true;
    }
    if (name == "boom") throw EIEException("boom");
    if (name == "abort") throw EAbort();
    ParseError("ParseTest", "Unknown construct " + name);
  }
};

std::string Bad(int line) {
  return "Parsing Error, Unknown construct bad" + std::to_string(line) + " in ParseTest at line " +
         std::to_string(line) + ":  ( bad" + std::to_string(line) + " ";
}

TEST(TIEParser, Defaults) {
  TOkParser parser(nullptr, nullptr);
  EXPECT_EQ(parser.MaxErrors(), 10);
  EXPECT_EQ(parser.ErrorHandling(), ehRaiseImmediate);
  EXPECT_TRUE(parser.StaticTypeChecking());
  EXPECT_FALSE(parser.StrictTemplates());

  auto stream = TIERuleStream::FromText("");
  TOkParser other(nullptr, stream.get());
  other.SetMaxErrors(3);
  other.SetErrorHandling(ehRaiseAllAtEnd);
  other.SetStaticTypeChecking(false);
  other.SetStrictTemplates(true);
  parser.Assign(other);
  EXPECT_EQ(parser.Stream(), stream.get());
  EXPECT_EQ(parser.MaxErrors(), 3);
  EXPECT_EQ(parser.ErrorHandling(), ehRaiseAllAtEnd);
  EXPECT_FALSE(parser.StaticTypeChecking());
  EXPECT_TRUE(parser.StrictTemplates());
}

TEST(TIEParser, RaiseImmediateStopsAtTheFirstError) {
  auto stream = TIERuleStream::FromText("(ok 1)\n(bad2 x)\n(ok)");
  TOkParser parser(nullptr, stream.get());
  try {
    parser.Parse(false);
    FAIL() << "no error";
  } catch (const EIEParseException& e) {
    EXPECT_EQ(std::string(e.what()), Bad(2));
    EXPECT_EQ(e.LineNumber(), 2);
  }
  EXPECT_EQ(parser.accepted, 1);
  EXPECT_EQ(parser.executeFlags, (std::vector<bool>{false, false}));
}

TEST(TIEParser, CollectsUpToOneMoreThanTheMaximum) {
  std::string text;
  for (int line = 1; line <= 12; ++line) text += "(bad" + std::to_string(line) + " (x y) z)\n";
  text += "(ok)";
  auto stream = TIERuleStream::FromText(text);
  TOkParser parser(nullptr, stream.get());
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  std::string expected = "Errors parsing stream:\r\n";
  for (int line = 1; line <= 11; ++line) expected += Bad(line) + "\r\n";
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { parser.Parse(false); }), expected);
  EXPECT_EQ(parser.accepted, 0);
  EXPECT_EQ(parser.executeFlags.size(), 11u);
  EXPECT_TRUE(parser.executeFlags.front());  // collecting always executes commands
}

TEST(TIEParser, CollectedErrorsSkipTheFailedConstruct) {
  struct Case {
    const char* text;
    std::string message;
    int accepted;
  };
  const Case cases[] = {
      {"(ok)\n(ok (a b))", "(no error)", 2},
      {"(ok)\n(bad2 (a b) c)\n(ok)", Bad(2) + "\r\n", 2},
      {"(boom (a))\n(ok)", "Parsing Error, boom in Parse at line 1:  ( boom \r\n", 1},
      {"(bad1)\n(abort)\n(bad3)", Bad(1) + "\r\n", 0},
      {"(abort)\n(bad2)", "(no error)", 0},
      {"(ok)\n(x \"open", "Invalid string value, string was not terminated\r\n", 1},
      {"(ok) 42", "Parsing Error, Expected \"(\" in GetConstructType at line 1: 42 \r\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto stream = TIERuleStream::FromText(c.text);
    TOkParser parser(nullptr, stream.get());
    parser.SetErrorHandling(ehRaiseAllAtEnd);
    EXPECT_EQ(ErrorOf<EIEParseException>([&] { parser.Parse(false); }), c.message);
    EXPECT_EQ(parser.accepted, c.accepted);
  }
}

TEST(TIEParser, MaxErrorsBoundsTheCollection) {
  auto stream = TIERuleStream::FromText("(bad1)\n(bad2)\n(bad3)\n(bad4)\n(ok)");
  TOkParser parser(nullptr, stream.get());
  parser.SetErrorHandling(ehRaiseAllAtEnd);
  parser.SetMaxErrors(1);
  EXPECT_EQ(ErrorOf<EIEParseException>([&] { parser.Parse(true); }),
            "Errors parsing stream:\r\n" + Bad(1) + "\r\n" + Bad(2) + "\r\n");
}

TEST(TIEParser, ParseErrorShortensLongRecords) {
  // Tokens "t000".."tNNN": every record position is recognisable.
  auto recordOf = [](int tokens) {
    std::string text = "(";
    for (int i = 0; i < tokens; ++i) text += " t" + std::string(3 - std::to_string(i).size(), '0') + std::to_string(i);
    return text;
  };
  struct Case {
    std::string text;
    std::size_t recordLength;
    bool shortened;
  };
  const Case cases[] = {
      {recordOf(50) + " ab", 2 + 250 + 3, false},  // 255
      {recordOf(50) + " abc", 2 + 250 + 4, true},  // 256
      {recordOf(80), 2 + 400, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.recordLength);
    auto stream = TIERuleStream::FromText(c.text + ")");
    TOkParser parser(nullptr, stream.get());
    while (stream->ConstructText().size() < c.recordLength) stream->NextToken();
    const std::string record(stream->ConstructText());
    ASSERT_EQ(record.size(), c.recordLength);
    const std::string shown =
        c.shortened ? record.substr(0, 128) + "... \r\n" + record.substr(record.size() - 129, 128) : record;
    EXPECT_EQ(ErrorOf<EIEParseException>([&] { parser.ParseError("ParseRule", "Oops"); }),
              "Parsing Error, Oops in ParseRule at line 1: " + shown);
    if (c.shortened) {
      EXPECT_EQ(shown.substr(0, 7), "( t000 ");
      EXPECT_EQ(shown.back(), record[record.size() - 2]);  // the character before the final blank
      EXPECT_EQ(shown.size(), 128u + 6u + 128u);
    }
  }
}

}  // namespace
}  // namespace fxe
