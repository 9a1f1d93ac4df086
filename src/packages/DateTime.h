// Date-time values of the rule language: a float whose whole part counts the
// days from 30 December 1899 and whose fraction is the time of day (for days
// before that date the fraction still counts forward from midnight, so -1.25
// is 29 December 1899, 06:00). Encoding, decoding, the text forms read and
// written by the conversion functions, and the format pattern language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fxe::detail {

struct TDateTimeParts {
  std::int32_t year = 1899;
  std::int32_t month = 12;
  std::int32_t day = 30;
  std::int32_t hour = 0;
  std::int32_t minute = 0;
  std::int32_t second = 0;
  std::int32_t millisecond = 0;
  // 0 = Sunday ... 6 = Saturday.
  std::int32_t weekday = 6;
};

// Years 1 to 9999 are representable.
inline constexpr std::int32_t MinDateYear = 1;
inline constexpr std::int32_t MaxDateYear = 9999;

// The date value of a calendar date; "Invalid argument to date encode" for a
// date that does not exist or lies outside the representable years.
double EncodeDate(std::int32_t year, std::int32_t month, std::int32_t day);
// The fraction of a day of a time; "Invalid argument to time encode" unless
// 0 <= hour < 24, minute and second < 60, millisecond < 1000.
double EncodeTime(std::int32_t hour, std::int32_t minute, std::int32_t second, std::int32_t millisecond);
// A date value and a time fraction joined (the fraction counts forward from
// midnight also for days before the epoch).
double CombineDateTime(double date, double time) noexcept;
// The parts of a value, rounded to the millisecond; "Date-time value out of
// range: %s" for values that are not finite or lie outside years 1 to 9999.
TDateTimeParts DecodeDateTime(double value);

// The text forms: "yyyy-mm-dd", "hh:nn:ss" and "yyyy-mm-dd hh:nn:ss".
std::string DateToText(double value);
std::string TimeToText(double value);
std::string DateTimeToText(double value);
// Reading them back (blanks around the text are ignored): a date
// "y-m-d" (also with "/"), a time "h:n[:s[.z]]", and a date optionally
// followed by blanks or "T" and a time. A text that does not fit raises
// "'%s' is not a valid date", "... time" or "... date and time".
double TextToDate(std::string_view text);
double TextToTime(std::string_view text);
double TextToDateTime(std::string_view text);

// The value by a format pattern: yyyy, yy, mmmm (month name), mmm, mm, m,
// dddd (weekday name), ddd, dd, d, hh, h, nn, n (minutes), ss, s, zzz, z,
// am/pm and a/p (a 12-hour clock with its marker), text in single or double
// quotes copied as it is; the letters of a pattern may be of either case, and
// any other character is copied. An unterminated quote raises
// "Unterminated quoted text in date-time format: %s".
std::string FormatDateTime(double value, std::string_view format);

// The local date and time now, to the millisecond.
double NowDateTime();
// The seconds since midnight of a value (its time of day times 86400).
double SecondsOfDay(double value);

}  // namespace fxe::detail
