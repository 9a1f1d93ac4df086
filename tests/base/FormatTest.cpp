// The message formatter: each placeholder with each kind of argument, and the
// placeholders it leaves alone.
#include "base/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/IEConsts.h"

namespace fxe {
namespace {

TEST(Format, FillsPlaceholders) {
  struct Row {
    std::string got;
    std::string expected;
  };
  const Row rows[] = {
      {Format("%s|%s|%s", "a", 5, 2.5), "a|5|2.5000"},
      {Format("%s", std::string("text")), "text"},
      {Format("%s", -1.0 / 3.0), "-0.3333"},
      {Format("%d %d", -7, 2147483647), "-7 2147483647"},
      {Format("f-%3.3d", 7), "f-007"},
      {Format("[%5d][%-5d]", 7, 7), "[    7][7    ]"},
      {Format("%.4f and %.2f", 3, 2.345), "3.0000 and 2.35"},
      {Format("%d", "text"), "text"},
      {Format("%x", 255), "ff"},
      {Format("%d%%", 50), "50%"},
      // Floats given to %d are truncated; values no integer holds are held at the limits.
      {Format("%d", 2.9), "2"},
      {Format("%d", -2.9), "-2"},
      {Format("%d", std::nan("")), "0"},
      {Format("%d", 1e300), "9223372036854775807"},
      {Format("%d", -std::numeric_limits<double>::infinity()), "-9223372036854775808"},
      // A 32-bit negative number prints as its 32 bits.
      {Format("%x", -1), "ffffffff"},
      {Format("%X", -2), "FFFFFFFE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(row.got, row.expected);
  }
}

TEST(Format, LeavesUnfilledPlaceholdersAlone) {
  struct Row {
    std::string got;
    std::string expected;
  };
  const Row rows[] = {
      {Format("a %s b"), "a %s b"}, {Format("%s and %s", "one"), "one and %s"}, {Format("%q %s", "x"), "%q x"},
      {Format("100%"), "100%"},     {Format("&s class", "x"), "&s class"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(row.got, row.expected);
  }
}

TEST(Format, PrintsHugeFloatsInFull) {
  const std::string text = FormatFloat(1e300);
  EXPECT_EQ(text.size(), 301u + 5u);
  EXPECT_EQ(text.substr(0, 2), "10");
  EXPECT_EQ(text.substr(text.size() - 5), ".0000");
  EXPECT_EQ(Format("%s", 1e300), text);
  EXPECT_EQ(Format("%.4f", -1e300), "-" + text);
}

TEST(Format, FillsMessagesOfTheTable) {
  EXPECT_EQ(Format(IEConsts::SNotAType, "integer", "abc", "dtAtom"),
            "Not a integer type.  Value (abc) is a dtAtom type");
  EXPECT_EQ(Format(IEConsts::SListIndexOutOfBounds, -1), "List index out of bounds (-1)");
  EXPECT_EQ(Format(IEConsts::SParsingError, "Oops", "ParseRule", 3, "( a "),
            "Parsing Error, Oops in ParseRule at line 3: ( a ");
  EXPECT_EQ(Format(IEConsts::SErrorsParsingStream, "one\r\ntwo\r\n"), "Errors parsing stream:\r\none\r\ntwo\r\n");
}

}  // namespace
}  // namespace fxe
