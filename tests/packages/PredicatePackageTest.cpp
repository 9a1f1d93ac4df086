// The predicate package: its table, parity, kind names and the type
// predicates with their help texts built from the kind sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "PackageCallTestSupport.h"
#include "packages/PredicatePackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::TCallEngine;
using test::TExpectedFunction;

constexpr TExpectedFunction kPredicateFunctions[] = {
    {"evenp", " <numeric-expression>", 1, 1}, {"oddp", " <numeric-expression>", 1, 1},
    {"get-type", " <expression> ", 1, 1},     {"lexemep", " <expression>", 1, 1},
    {"numberp", " <expression>", 1, 1},       {"floatp", " <expression>", 1, 1},
    {"fuzzyp", " <expression>", 1, 1},        {"integerp", " <expression>", 1, 1},
    {"stringp", " <expression>", 1, 1},       {"symbolp", " <expression>", 1, 1},
    {"multifieldp", " <expression>", 1, 1},   {"external-addressp", " <expression>", 1, 1},
    {"objectp", " <expression>", 1, 1},
};

TEST(TPredicatePackage, DefinesItsFunctionsInOrder) {
  TCallEngine engine;
  auto package = TUserPackage::Create<TPredicatePackage>(nullptr);
  test::ExpectFunctionTable(*package, engine.Engine(), kPredicateFunctions);
}

TEST(TPredicatePackage, ParityOfNumbers) {
  struct TCase {
    std::string_view call;
    std::string_view result;
  };
  const TCase cases[] = {
      {"(evenp 4)", "TRUE"},   {"(evenp -3)", "FALSE"},        {"(oddp -3)", "TRUE"},     {"(oddp 0)", "FALSE"},
      {"(evenp 0)", "TRUE"},   {"(oddp -2147483647)", "TRUE"}, {"(evenp 4.0)", "TRUE"},   {"(evenp 2.5)", "FALSE"},
      {"(oddp 2.5)", "FALSE"}, {"(oddp 3.0)", "TRUE"},         {"(evenp 1e300)", "TRUE"}, {"(oddp -5.0)", "TRUE"},
  };
  TCallEngine engine;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(engine.Eval(c.call)->AsText(), c.result);
  }
  test::ExpectError([&] { engine.Eval("(evenp abc)"); }, "Not a numeric type.  Value (abc) is a dtAtom type");
}

TEST(TPredicatePackage, GetTypeNamesTheEvaluatedKind) {
  TCallEngine engine;
  const TRef<TIEValue> type = engine.Eval("(get-type 1)");
  EXPECT_EQ(type->DType(), dtAtom);
  EXPECT_EQ(type->AsText(), "dtInteger");
  EXPECT_EQ(engine.Eval("(get-type 1.5)")->AsText(), "dtFloat");
  EXPECT_EQ(engine.Eval("(get-type \"x\")")->AsText(), "dtString");
  EXPECT_EQ(engine.Eval("(get-type (get-type 1))")->AsText(), "dtAtom");
  EXPECT_EQ(engine.Call("get-type", {test::ListOf({NewInteger(1)})})->AsText(), "dtList");
}

TEST(TPredicatePackage, TypePredicatesTestTheKindAgainstTheirSet) {
  // Each row: the value, then the predicates that must say TRUE for it.
  struct TCase {
    TRef<TIEValue> value;
    std::vector<std::string_view> accepting;
  };
  const TCase cases[] = {
      {NewAtom("abc"), {"lexemep", "symbolp"}}, {NewString("abc"), {"lexemep", "stringp"}},
      {NewInteger(3), {"numberp", "integerp"}}, {NewFloat(3.0), {"numberp", "floatp"}},
      {test::ListOf({}), {"multifieldp"}},      {MakeRef<TIEValue>(7, dtFactId), {}},
  };
  const std::string_view predicates[] = {"lexemep",           "numberp", "floatp",  "fuzzyp",
                                         "integerp",          "stringp", "symbolp", "multifieldp",
                                         "external-addressp", "objectp"};
  TCallEngine engine;
  for (const TCase& c : cases) {
    for (std::string_view predicate : predicates) {
      SCOPED_TRACE(std::string(predicate) + " of " + c.value->AsText());
      const bool expected = std::find(c.accepting.begin(), c.accepting.end(), predicate) != c.accepting.end();
      EXPECT_EQ(engine.Call(predicate, {c.value})->AsText(), expected ? "TRUE" : "FALSE");
    }
  }
  // The argument is evaluated before its kind is tested.
  EXPECT_EQ(engine.Eval("(integerp (get-type 1))")->AsText(), "FALSE");
  EXPECT_EQ(engine.Eval("(symbolp (get-type 1))")->AsText(), "TRUE");
}

TEST(TVerifyTypePFunction, HelpTextFollowsTheKindSet) {
  auto function = MakeRef<TVerifyTypePFunction>("lexemep", TIETypes{dtAtom, dtString});
  EXPECT_EQ(function->Comment(),
            "Returns TRUE if the argument is of the following type(s): Atom, String.  If the argument is any other "
            "type, FALSE is returned");
  EXPECT_EQ(function->ArgumentString(), " <expression>");
  function->SetValueTypes({});
  EXPECT_EQ(function->Comment(),
            "Returns TRUE if the argument is of the following type(s): NONE.  If the argument is any other type, "
            "FALSE is returned");
  function->SetComment("changed");
  function->SetFunctionName("nothingp");
  EXPECT_EQ(function->FunctionName(), "nothingp");
  EXPECT_NE(function->Comment().find("NONE"), std::string::npos);
}

}  // namespace
}  // namespace fxe
