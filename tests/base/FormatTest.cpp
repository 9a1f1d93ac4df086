// The message formatter: each placeholder with each kind of argument, and the
// placeholders it leaves alone.
#include "base/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

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

// The engine prints and hashes floats through its own "%.4f" conversion; it
// must agree with the C library on every value, ties and tiny values included.
TEST(Format, FloatsPrintAsTheCLibraryPrintsThem) {
  auto expected = [](double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    return std::string(buffer);
  };
  std::vector<double> values = {0.0,     -0.0,         0.03125,  -0.03125, 0.00005, 0.00015, 2.5e-5,     1e-320,
                                -1e-320, 999999.99995, 1e15 - 1, 0.5,      1.00005, 0.99995, 12345.6789, -7.25};
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    double value = 0.0;
    switch (i % 4) {
      case 0: {  // any bit pattern
        const std::uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        break;
      }
      case 1:  // ties and near-ties: multiples of 1/2^k
        value = static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) / 64.0;
        break;
      case 2:
        value = std::uniform_real_distribution<double>(-1e6, 1e6)(random);
        break;
      default:
        value = std::ldexp(std::uniform_real_distribution<double>(-1.0, 1.0)(random),
                           static_cast<int>(random() % 120) - 70);
        break;
    }
    values.push_back(value);
  }
  for (double value : values) {
    std::string got;
    AppendFloat(got, value);
    ASSERT_EQ(got, expected(value)) << "bits of " << value;
    ASSERT_EQ(FormatFloat(value), expected(value));
  }
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
