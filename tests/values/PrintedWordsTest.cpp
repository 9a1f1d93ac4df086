// Symbols and variable names print with the backslash escapes the lexer needs
// to read the same text back; nil items of a list print as the word nil.
#include <gtest/gtest.h>

#include <string>

#include "values/IEParser.h"
#include "values/IEValue.h"

namespace fxe {
namespace {

// The first token of text.
TRef<TIEStreamToken> FirstToken(std::string text) { return TIERuleStream::FromText(std::move(text))->NextToken(); }

TEST(PrintedWords, SymbolsAndVariablesReadBackAsTheirText) {
  struct TCase {
    TIEType kind;
    std::string text;
    std::string printed;
  };
  const TCase cases[] = {
      // Words that read back as they are print as before.
      {dtAtom, "abc", "abc"},
      {dtAtom, "a=b", "a=b"},
      {dtAtom, "<-", "<-"},
      {dtAtom, "\\x", "\\x"},  // a leading backslash is taken as it is
      {dtAtom, "x?y$", "x?y$"},
      // Characters that would end the word, and the backslash itself.
      {dtAtom, "t\"", "t\\\""},
      {dtAtom, "a\\b", "a\\\\b"},
      {dtAtom, "a b\tc", "a\\ b\\\tc"},
      {dtAtom, "x(y)z", "x\\(y\\)z"},
      {dtAtom, "a;b", "a\\;b"},
      {dtAtom, "<a<b", "<a\\<b"},
      {dtAtom, "p&q|r~s", "p\\&q\\|r\\~s"},
      {dtAtom, "k[j]", "k\\[j\\]"},
      {dtAtom, "line\r\nend", "line\\\r\\\nend"},
      {dtVariable, "x\"y", "?x\\\"y"},
      {dtVariable, "(v", "?\\(v"},
      {dtMultiVariable, "rest of", "$?rest\\ of"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.printed);
    const auto value = MakeRef<TIEValue>(c.text, c.kind);
    EXPECT_EQ(value->AsText(), c.printed);
    const TRef<TIEStreamToken> token = FirstToken(value->AsText());
    EXPECT_EQ(token->DataType(), c.kind);
    EXPECT_EQ(token->Text(), c.text);
  }
}

TEST(PrintedWords, TextsNoWordCanHoldPrintUnchanged) {
  // A word's first character is never escaped, so these cannot be written
  // as symbols at all; their printed form stays what it was.
  for (const std::string text : {"(a", " a", "\"a", ";a", "=a", "[a", "|a", "~a"}) {
    EXPECT_EQ(NewAtom(text)->AsText(), text);
  }
}

TEST(PrintedWords, NilItemsOfAListPrintAsTheWordNil) {
  auto list = MakeRef<TValueVector>();
  list->Add(NewAtom("a"));
  list->Add(SharedValues().Nil);
  list->Add(NewAtom(""));
  list->Add(NewString(""));
  EXPECT_EQ(list->AsText(), "a nil nil \"\" ");
  // On its own nil still prints as nothing.
  EXPECT_EQ(SharedValues().Nil->AsText(), "");
  // The word reads back as the shared nil, which equals the empty symbol.
  auto token = FirstToken("nil");
  EXPECT_TRUE(token->Value()->Equals(SharedValues().Nil.Get()));
}

}  // namespace
}  // namespace fxe
