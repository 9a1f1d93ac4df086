// Table-made functions: the row's properties, arity checks before the body,
// lazy arguments and a package serving an engine.
#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "engine/InferenceEngine.h"
#include "packages/PackageFunction.h"

namespace fxe {
namespace {

TRef<TIEValue> FirstTrue(TArguments& arguments) {
  for (std::int32_t i = 0; i < arguments.Count(); ++i)
    if (IsTrue(arguments.Value(i).Get())) return arguments.Raw(i);
  return nullptr;
}

TRef<TIEValue> Twice(TArguments& arguments) { return NewInteger(2 * arguments.Integer(0)); }

constexpr TFunctionRow kRows[] = {
    {"first-true", " <expression>*", "The first argument that is not FALSE, unevaluated.", 0, UnlimitedArguments,
     FirstTrue},
    {"twice", " <integer-expression>", "Twice the number.", 1, 1, Twice},
};

class TTestPackage : public TTablePackage {
 public:
  TTestPackage() : TTablePackage("TTestPackage", kRows) {}
};

TEST(TablePackage, FunctionsTakeTheirRowsPropertiesInTableOrder) {
  auto package = TUserPackage::Create<TTestPackage>(nullptr);
  ASSERT_EQ(package->Functions().size(), 2u);
  const IUserFunction& first = *package->Functions()[0];
  EXPECT_EQ(first.FunctionName(), "first-true");
  EXPECT_EQ(first.ArgumentString(), " <expression>*");
  EXPECT_EQ(first.Comment(), "The first argument that is not FALSE, unevaluated.");
  EXPECT_EQ(package->Functions()[1]->MinArgumentCount(), 1);
  EXPECT_EQ(package->Functions()[1]->MaxArgumentCount(), 1);
}

TEST(TablePackage, ServedEngineResolvesCallsAndChecksArityFirst) {
  TInferenceEngine engine;
  auto package = TUserPackage::Create<TTestPackage>(&engine);
  EXPECT_EQ(engine.ParseFunctionCall("(twice 21)")->Evaluate(nullptr)->AsInteger(), 42);
  // nil comes back for a body's nullptr; FALSE counts as false, 0 as true.
  EXPECT_EQ(engine.ParseFunctionCall("(first-true FALSE)")->Evaluate(nullptr).Get(), SharedValues().Nil.Get());
  EXPECT_EQ(engine.ParseFunctionCall("(first-true FALSE 0 1)")->Evaluate(nullptr)->AsInteger(), 0);
  try {
    engine.ParseFunctionCall("(twice 1 2)")->Evaluate(nullptr);
    FAIL() << "arity not checked";
  } catch (const EIEException& error) {
    EXPECT_STREQ(error.what(), "Too many arguments for twice");
  }
  EXPECT_THROW(engine.ParseFunctionCall("(twice abc)")->Evaluate(nullptr), EIEException);
}

}  // namespace
}  // namespace fxe
