// Helpers of the package tests: an engine that evaluates calls written in the
// rule language or built from values, and the check of a package's function
// table against the rows a test lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "engine/InferenceEngine.h"
#include "model/IEPackages.h"
#include "values/IEValue.h"

namespace fxe::test {

// One function as a package must define it.
struct TExpectedFunction {
  std::string_view name;
  std::string_view usage;
  std::int32_t minArguments;
  std::int32_t maxArguments;
};

inline constexpr std::int32_t kUnbounded = 2147483647;

// The package's functions are exactly the rows, in order, each with a help
// text; the engine has every one of them registered under its name.
inline void ExpectFunctionTable(const TUserPackage& package, const TInferenceEngine& engine,
                                std::span<const TExpectedFunction> rows) {
  ASSERT_EQ(package.Functions().size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const IUserFunction& function = *package.Functions()[i];
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(function.FunctionName(), rows[i].name);
    EXPECT_EQ(function.ArgumentString(), rows[i].usage);
    EXPECT_EQ(function.MinArgumentCount(), rows[i].minArguments);
    EXPECT_EQ(function.MaxArgumentCount(), rows[i].maxArguments);
    EXPECT_FALSE(function.Comment().empty());
    EXPECT_NE(engine.FunctionTable().Find(rows[i].name), nullptr);
  }
}

// An engine with the default packages (or those given).
class TCallEngine {
 public:
  TCallEngine() = default;
  explicit TCallEngine(TFunctionPackages packages) : engine_(Options(packages)) {}

  TInferenceEngine& Engine() noexcept { return engine_; }
  // The value of a call written in the rule language.
  TRef<TIEValue> Eval(std::string_view text) { return engine_.ParseFunctionCall(text)->Evaluate(nullptr); }
  // Its printed form, e.g. "3" or "3.0000", and its kind name.
  std::string Printed(std::string_view text) {
    const TRef<TIEValue> value = Eval(text);
    return TypeName(value->DType()) + " " + value->AsText();
  }
  // A call of the function with the values as its arguments.
  TRef<TIEValue> Call(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments) {
    auto call = MakeRef<TFunctionCall>(&engine_, name);
    for (const auto& argument : arguments) call->AddArgument(argument);
    return call->Evaluate(nullptr);
  }

 private:
  static TInferenceEngine::TOptions Options(TFunctionPackages packages) {
    TInferenceEngine::TOptions options;
    options.packages = packages;
    return options;
  }

  TInferenceEngine engine_;
};

}  // namespace fxe::test
