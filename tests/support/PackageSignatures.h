// Checks a package's functions against a table of names, usage texts and
// arities typed independently of the package's own table.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "model/IEPackages.h"

namespace fxe::test {

struct TFunctionSignature {
  std::string_view name;
  std::string_view usage;
  std::int32_t min;
  std::int32_t max;
};

// The package has exactly these functions, in this order.
inline void ExpectSignatures(const TUserPackage& package, std::span<const TFunctionSignature> signatures) {
  const auto& functions = package.Functions();
  ASSERT_EQ(functions.size(), signatures.size());
  for (std::size_t i = 0; i < functions.size(); ++i) {
    SCOPED_TRACE(signatures[i].name);
    EXPECT_EQ(functions[i]->FunctionName(), signatures[i].name);
    EXPECT_EQ(functions[i]->ArgumentString(), signatures[i].usage);
    EXPECT_EQ(functions[i]->MinArgumentCount(), signatures[i].min);
    EXPECT_EQ(functions[i]->MaxArgumentCount(), signatures[i].max);
    EXPECT_FALSE(functions[i]->Comment().empty());
  }
}

}  // namespace fxe::test
