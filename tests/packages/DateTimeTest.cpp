// Date-time values: the day count against known dates, decoding round trips
// and rounding, the text forms, the format patterns and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "packages/DateTime.h"
#include "support/TestHelpers.h"

namespace fxe::detail {
namespace {

using test::ExpectError;

TEST(DateTime, EncodeDateCountsDaysFromTheEpoch) {
  struct Row {
    std::int32_t year, month, day;
    double serial;
  };
  const Row rows[] = {
      {1899, 12, 30, 0},    {1899, 12, 31, 1},    {1900, 1, 1, 2},    {1900, 3, 1, 61},   {2000, 1, 1, 36526},
      {2000, 2, 29, 36585}, {2024, 2, 29, 45351}, {1899, 12, 29, -1}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) + "-" + std::to_string(row.day));
    EXPECT_EQ(EncodeDate(row.year, row.month, row.day), row.serial);
    const TDateTimeParts parts = DecodeDateTime(row.serial);
    EXPECT_EQ(parts.year, row.year);
    EXPECT_EQ(parts.month, row.month);
    EXPECT_EQ(parts.day, row.day);
  }
  // 1 January 2000 was a Saturday, 30 December 1899 too.
  EXPECT_EQ(DecodeDateTime(36526).weekday, 6);
  EXPECT_EQ(DecodeDateTime(36527).weekday, 0);
}

TEST(DateTime, EncodeRefusesDatesAndTimesThatDoNotExist) {
  const std::int32_t dates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31},
                                   {2024, 1, 0},  {0, 1, 1},     {10000, 1, 1}, {-5, 1, 1}};
  for (const auto& date : dates) {
    SCOPED_TRACE(std::to_string(date[0]) + "-" + std::to_string(date[1]) + "-" + std::to_string(date[2]));
    ExpectError([&] { EncodeDate(date[0], date[1], date[2]); }, "Invalid argument to date encode");
  }
  const std::int32_t times[][4] = {{24, 0, 0, 0}, {-1, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}};
  for (const auto& time : times) {
    ExpectError([&] { EncodeTime(time[0], time[1], time[2], time[3]); }, "Invalid argument to time encode");
  }
}

TEST(DateTime, DecodeRoundsToTheMillisecondAndCarriesIntoTheDay) {
  const double value = CombineDateTime(EncodeDate(2024, 3, 15), EncodeTime(13, 45, 30, 250));
  const TDateTimeParts parts = DecodeDateTime(value);
  EXPECT_EQ(parts.hour, 13);
  EXPECT_EQ(parts.minute, 45);
  EXPECT_EQ(parts.second, 30);
  EXPECT_EQ(parts.millisecond, 250);
  // Less than half a millisecond before midnight is the next day.
  const TDateTimeParts carried = DecodeDateTime(EncodeDate(2024, 12, 31) + 1.0 - 1e-10);
  EXPECT_EQ(carried.year, 2025);
  EXPECT_EQ(carried.month, 1);
  EXPECT_EQ(carried.day, 1);
  EXPECT_EQ(carried.hour, 0);
  // Before the epoch the fraction still counts forward from midnight.
  const TDateTimeParts before = DecodeDateTime(-1.25);
  EXPECT_EQ(before.day, 29);
  EXPECT_EQ(before.hour, 6);
  EXPECT_EQ(CombineDateTime(-1.0, 0.25), -1.25);
}

TEST(DateTime, DecodeRefusesValuesOutsideTheRepresentableYears) {
  const double values[] = {2958466.0,
                           -693594.0,
                           1e300,
                           -1e300,
                           std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (double value : values) {
    SCOPED_TRACE(value);
    EXPECT_THROW(DecodeDateTime(value), EIEException);
  }
  ExpectError([] { DecodeDateTime(2958466.0); }, "Date-time value out of range: 2958466.0000");
  // The last millisecond of 9999 is still a date.
  EXPECT_EQ(DecodeDateTime(2958465.9999).year, 9999);
}

TEST(DateTime, TextFormsReadBackWhatTheyWrite) {
  const double value = CombineDateTime(EncodeDate(2024, 2, 29), EncodeTime(7, 5, 9, 0));
  EXPECT_EQ(DateToText(value), "2024-02-29");
  EXPECT_EQ(TimeToText(value), "07:05:09");
  EXPECT_EQ(DateTimeToText(value), "2024-02-29 07:05:09");
  EXPECT_EQ(TextToDateTime(DateTimeToText(value)), value);
  EXPECT_EQ(TextToDate(DateToText(value)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(TextToTime(TimeToText(value)), EncodeTime(7, 5, 9, 0));
  EXPECT_EQ(DateToText(-693593), "0001-01-01");
}

TEST(DateTime, TextsReadInTheirVariants) {
  EXPECT_EQ(TextToDate("  2024/1/5 "), EncodeDate(2024, 1, 5));
  EXPECT_EQ(TextToTime("9:30"), EncodeTime(9, 30, 0, 0));
  EXPECT_EQ(TextToTime("12:30:15.5"), EncodeTime(12, 30, 15, 500));
  EXPECT_EQ(TextToTime("12:30:15.05"), EncodeTime(12, 30, 15, 50));
  EXPECT_EQ(TextToDateTime("2024-01-05"), EncodeDate(2024, 1, 5));
  EXPECT_EQ(TextToDateTime("2024-01-05T12:00"), EncodeDate(2024, 1, 5) + 0.5);
  EXPECT_EQ(TextToDateTime("2024-01-05   12:00"), EncodeDate(2024, 1, 5) + 0.5);
}

TEST(DateTime, MalformedTextsRaiseTheConversionError) {
  const char* dates[] = {"",           "2024",        "2024-01",    "2024-01-05x", "2023-02-29", "20240-01-01",
                         "2024-01/05", "-2024-01-01", "2024-001-01"};
  for (const char* text : dates) {
    SCOPED_TRACE(text);
    ExpectError([&] { TextToDate(text); }, "'" + std::string(text) + "' is not a valid date");
  }
  // A NUL byte inside the text is not a blank.
  EXPECT_THROW(TextToDate(std::string_view("2024-01-01\0", 11)), EIEException);
  const char* times[] = {"", "12", "12:", "24:00", "12:60", "12:30:61", "12:30:15.", "12:30:15.1234", "1:2:3 pm"};
  for (const char* text : times) {
    SCOPED_TRACE(text);
    ExpectError([&] { TextToTime(text); }, "'" + std::string(text) + "' is not a valid time");
  }
  ExpectError([] { TextToDateTime("2024-01-05 25:00"); }, "'2024-01-05 25:00' is not a valid date and time");
  ExpectError([] { TextToDateTime("2024-01-05 x"); }, "'2024-01-05 x' is not a valid date and time");
  ExpectError([] { TextToDateTime("2024-01-0512:00"); }, "'2024-01-0512:00' is not a valid date and time");
}

TEST(DateTime, FormatPatterns) {
  const double value = CombineDateTime(EncodeDate(2024, 1, 5), EncodeTime(15, 4, 7, 42));
  struct Row {
    const char* format;
    const char* text;
  };
  const Row rows[] = {
      {"dddd d mmmm yyyy", "Friday 5 January 2024"},
      {"ddd dd mmm yy", "Fri 05 Jan 24"},
      {"m/d/yyyy", "1/5/2024"},
      {"hh:nn:ss.zzz", "15:04:07.042"},
      {"h:n:s z", "15:4:7 42"},
      {"h:nn am/pm", "3:04 pm"},
      {"hh:nn AM/PM", "03:04 PM"},
      {"h a/p", "3 p"},
      {"YYYY-MM-DD", "2024-01-05"},
      {"'yyyy' \"mm\" yyyy", "yyyy mm 2024"},
      {"at: hh", "at: 15"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    EXPECT_EQ(FormatDateTime(value, row.format), row.text);
  }
  EXPECT_EQ(FormatDateTime(EncodeDate(2024, 1, 5), "h am/pm"), "12 am");
  ExpectError([&] { FormatDateTime(value, "yyyy 'open"); }, "Unterminated quoted text in date-time format: yyyy 'open");
}

TEST(DateTime, SecondsOfDayAndTheClock) {
  EXPECT_EQ(SecondsOfDay(0.5), 43200.0);
  EXPECT_EQ(SecondsOfDay(45000.75), 64800.0);
  const double now = NowDateTime();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(9999, 1, 1));
  EXPECT_GE(SecondsOfDay(now), 0.0);
  EXPECT_LT(SecondsOfDay(now), 86400.0);
}

}  // namespace
}  // namespace fxe::detail
