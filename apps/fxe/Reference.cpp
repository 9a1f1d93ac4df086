// The function reference, written from the packages a default engine installs.
#include "Reference.h"

#include <array>
#include <string_view>
#include <utility>

#include "engine/InferenceEngine.h"

namespace fxe::shell {

namespace {

// The packages in the order an engine installs them, with their titles.
constexpr std::array<std::pair<TFunctionPackage, std::string_view>, 9> kPackages{{
    {pStandard, "Standard"},
    {pMiscellaneous, "Miscellaneous"},
    {pPredicate, "Predicate"},
    {pMath, "Math"},
    {pString, "String"},
    {pObject, "Object"},
    {pTrigonometry, "Trigonometry"},
    {pBusiness, "Business"},
    {pFuzzyLogic, "Fuzzy logic"},
}};

std::string Arity(const IUserFunction& function) {
  const std::int32_t low = function.MinArgumentCount();
  const std::int32_t high = function.MaxArgumentCount();
  if (high == UnlimitedArguments) return std::to_string(low) + " or more";
  if (low == high) return std::to_string(low);
  return std::to_string(low) + " to " + std::to_string(high);
}

}  // namespace

std::string FunctionReference() {
  std::string text =
      "# Function reference\n\n"
      "The built-in functions of fxe, package by package in the order an engine installs them.\n"
      "This file is written by `fxe --reference`; a test fails when it is out of date.\n";
  TInferenceEngine::TOptions options;
  options.packages = TFunctionPackages{};
  TInferenceEngine engine(options);
  const TPackageFactories factories = DefaultPackageFactories();
  for (const auto& [package, title] : kPackages) {
    if (!factories[package]) continue;
    const std::unique_ptr<TUserPackage> functions = factories[package](engine);
    text += "\n## ";
    text += title;
    text += " package\n";
    for (const TRef<IUserFunction>& function : functions->Functions()) {
      text += "\n### `" + function->FunctionName() + "`\n\n";
      text += "Usage: `(" + function->FunctionName() + function->ArgumentString() + ")`  \n";
      text += "Arguments: " + Arity(*function) + "\n";
      if (!function->Comment().empty()) text += "\n" + function->Comment() + "\n";
    }
  }
  return text;
}

}  // namespace fxe::shell
