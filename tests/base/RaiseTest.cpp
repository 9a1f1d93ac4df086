// The raising helpers: whole messages, texts taken as they are, the line a
// parse error carries and the bounds of the index check.
#include "base/Raise.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;
using test::kNoError;

TEST(Raise, FillsTheMessageOrTakesItAsItIs) {
  EXPECT_EQ(ErrorOf([] { Raise<EIEException>(IEConsts::SBadSlotName, "x"); }), "Bad Slot Name: x");
  // Without arguments nothing is formatted, not even "%%".
  EXPECT_EQ(ErrorOf([] { Raise<EIEException>("100%% %s"); }), "100%% %s");
  EXPECT_THROW(Raise<EFzyException>("fuzzy"), EFzyException);
}

TEST(Raise, AParseErrorKeepsItsLine) {
  try {
    RaiseAtLine<EIEParseException>(7, IEConsts::SUnknownVariableName, "v");
  } catch (const EIEParseException& e) {
    EXPECT_STREQ(e.what(), "Unknown variable name: v");
    EXPECT_EQ(e.LineNumber(), 7);
    return;
  }
  ADD_FAILURE() << "no parse error";
}

TEST(CheckIndex, AcceptsExactlyZeroToCountMinusOne) {
  struct Row {
    std::int64_t index;
    std::int64_t count;
    std::string expected;
  };
  const Row rows[] = {
      {0, 1, std::string(kNoError)},          {2, 3, std::string(kNoError)},
      {3, 3, "List index out of bounds (3)"}, {-1, 3, "List index out of bounds (-1)"},
      {0, 0, "List index out of bounds (0)"}, {-2147483648LL, 1, "List index out of bounds (-2147483648)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(ErrorOf([&] { CheckIndex<EIEException>(row.index, row.count); }), row.expected);
  }
  EXPECT_EQ(ErrorOf([] { CheckIndex<EIEException>(4, 4, "Point %d"); }), "Point 4");
}

}  // namespace
}  // namespace fxe
