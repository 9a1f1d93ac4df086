// The string package: its table, concatenation, case, comparison, searching
// and substrings at every edge of their positions.
#include <gtest/gtest.h>

#include <string>

#include "PackageCallTestSupport.h"
#include "packages/StringPackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::kUnbounded;
using test::TCallEngine;
using test::TExpectedFunction;

constexpr TExpectedFunction kStringFunctions[] = {
    {"sym-cat", " <expression>*", 0, kUnbounded},
    {"lowcase", " <string-or-symbol-expression>", 1, 1},
    {"str-cat", " <lexeme-expression>*", 0, kUnbounded},
    {"str-compare", " <lexeme-expression> <lexeme-expression>", 2, 2},
    {"str-index", " <lexeme-expression> <lexeme-expression>", 2, 2},
    {"str-length", " <lexeme-expression>", 1, 1},
    {"sub-string", " <start-integer-expression> <end-integer-expression> <lexeme-expression>", 3, 3},
    {"upcase", " <lexeme-expression>", 1, 1},
};

TEST(TStringPackage, DefinesItsFunctionsInOrder) {
  TCallEngine engine;
  auto package = TUserPackage::Create<TStringPackage>(nullptr);
  test::ExpectFunctionTable(*package, engine.Engine(), kStringFunctions);
}

struct TResultCase {
  std::string_view call;
  std::string_view result;
};

void ExpectResults(TCallEngine& engine, std::span<const TResultCase> cases) {
  for (const TResultCase& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(engine.Printed(c.call), c.result);
  }
}

TEST(TStringPackage, ConcatenatesPlainTexts) {
  const TResultCase cases[] = {
      {"(sym-cat a \"b\" 1 2.5)", "dtAtom ab12.5000"},
      {"(str-cat a \"b\" 1)", "dtString \"ab1\""},
      {"(str-cat)", "dtString \"\""},
      {"(sym-cat)", "dtAtom "},
      {"(str-cat \"say \\\"hi\\\"\")", "dtString \"say \\\"hi\\\"\""},
      {"(str-cat (sym-cat x y) z)", "dtString \"xyz\""},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  // Kinds without a plain text contribute their printed form.
  EXPECT_EQ(
      engine.Call("str-cat", {MakeRef<TIEValue>(3, dtFactId), test::ListOf({NewAtom("a"), NewAtom("b")})})->AsString(),
      "<Fact-3>a b ");
}

TEST(TStringPackage, ChangesCaseKeepingTheKind) {
  const TResultCase cases[] = {
      {"(upcase abc)", "dtAtom ABC"},
      {"(upcase \"MiXed 1-x\")", "dtString \"MIXED 1-X\""},
      {"(lowcase \"MiXed\")", "dtString \"mixed\""},
      {"(lowcase ABC)", "dtAtom abc"},
      {"(upcase 12)", "dtString \"12\""},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  // Bytes beyond ASCII pass unchanged.
  EXPECT_EQ(engine.Call("upcase", {NewString("\xC3\xA9t\xC3\xA9")})->AsString(), "\xC3\xA9T\xC3\xA9");
}

TEST(TStringPackage, ComparesAndSearchesCaseSensitively) {
  const TResultCase cases[] = {
      {"(str-compare abc abc)", "dtInteger 0"},   {"(str-compare abc abd)", "dtInteger -1"},
      {"(str-compare abd abc)", "dtInteger 1"},   {"(str-compare ab abc)", "dtInteger -1"},
      {"(str-compare B a)", "dtInteger -1"},      {"(str-compare \"abc\" abc)", "dtInteger 0"},
      {"(str-index cd abcd)", "dtInteger 3"},     {"(str-index ab abcd)", "dtInteger 1"},
      {"(str-index xy abcd)", "dtAtom FALSE"},    {"(str-index AB abcd)", "dtAtom FALSE"},
      {"(str-index abcde abcd)", "dtAtom FALSE"}, {"(str-length \"abcd\")", "dtInteger 4"},
      {"(str-length \"\")", "dtInteger 0"},       {"(str-length 2.5)", "dtInteger 6"},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  // Bytes above 127 order after ASCII.
  EXPECT_EQ(engine.Call("str-compare", {NewString("\xC3\xA9"), NewString("z")})->AsInteger(), 1);
}

TEST(TStringPackage, SubStringTakesInclusivePositionsCutAtTheEnd) {
  const TResultCase cases[] = {
      {"(sub-string 2 3 \"abcd\")", "dtString \"bc\""}, {"(sub-string 1 4 abcd)", "dtString \"abcd\""},
      {"(sub-string 1 1 abcd)", "dtString \"a\""},      {"(sub-string 4 4 abcd)", "dtString \"d\""},
      {"(sub-string 3 100 abcd)", "dtString \"cd\""},   {"(sub-string 2 2147483647 abcd)", "dtString \"bcd\""},
      {"(sub-string 3 2 abcd)", "dtString \"\""},
  };
  TCallEngine engine;
  ExpectResults(engine, cases);
  struct TErrorCase {
    std::string_view call;
    std::string_view message;
  };
  const TErrorCase errors[] = {
      {"(sub-string 0 2 abcd)", "Invalid substring parameters: 0, 2"},
      {"(sub-string -5 2 abcd)", "Invalid substring parameters: -5, 2"},
      {"(sub-string 5 6 abcd)", "Invalid substring parameters: 5, 6"},
      {"(sub-string 1 1 \"\")", "Invalid substring parameters: 1, 1"},
      {"(sub-string 3 1 abcd)", "Invalid substring parameters: 3, 1"},
      {"(sub-string 2147483647 -2147483648 abcd)", "Invalid substring parameters: 2147483647, -2147483648"},
      {"(sub-string -2147483648 2147483647 abcd)", "Invalid substring parameters: -2147483648, 2147483647"},
      {"(sub-string a 2 abcd)", "Not a integer type.  Value (a) is a dtAtom type"},
  };
  for (const TErrorCase& c : errors) {
    SCOPED_TRACE(c.call);
    test::ExpectError([&] { engine.Eval(c.call); }, c.message);
  }
  // A NUL inside the text is a character like any other.
  EXPECT_EQ(engine.Call("sub-string", {NewInteger(2), NewInteger(3), NewString(std::string("a\0bc", 4))})->AsString(),
            std::string("\0b", 2));
}

}  // namespace
}  // namespace fxe
