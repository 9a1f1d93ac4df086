// Date-time values: calendar arithmetic on the standard library's civil
// calendar, the text forms and the format patterns.
#include "packages/DateTime.h"

#include <array>
#include <chrono>
#include <cmath>
#include <ctime>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe::detail {

namespace {

namespace chr = std::chrono;

constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr chr::sys_days kEpoch = chr::sys_days(chr::year(1899) / chr::December / 30);
constexpr std::int64_t kMinDay = (chr::sys_days(chr::year(MinDateYear) / chr::January / 1) - kEpoch).count();
constexpr std::int64_t kMaxDay = (chr::sys_days(chr::year(MaxDateYear) / chr::December / 31) - kEpoch).count();

constexpr std::array<std::string_view, 12> kMonthNames = {"January",   "February", "March",    "April",
                                                          "May",       "June",     "July",     "August",
                                                          "September", "October",  "November", "December"};
constexpr std::array<std::string_view, 7> kWeekdayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                           "Thursday", "Friday", "Saturday"};

bool TryEncodeDate(std::int32_t year, std::int32_t month, std::int32_t day, double& result) {
  if (year < MinDateYear || year > MaxDateYear || month < 1 || month > 12 || day < 1 || day > 31) return false;
  const chr::year_month_day date{chr::year(year), chr::month(static_cast<unsigned>(month)),
                                 chr::day(static_cast<unsigned>(day))};
  if (!date.ok()) return false;
  result = static_cast<double>((chr::sys_days(date) - kEpoch).count());
  return true;
}

bool TryEncodeTime(std::int32_t hour, std::int32_t minute, std::int32_t second, std::int32_t millisecond,
                   double& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    return false;
  const std::int64_t total = ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millisecond;
  result = static_cast<double>(total) / static_cast<double>(kMillisecondsPerDay);
  return true;
}

[[noreturn]] void RaiseOutOfRange(double value) { Raise<EIEException>(IEConsts::SDateTimeOutOfRange, value); }

// Reads the numbers and separators of the text forms.
class TScanner {
 public:
  explicit TScanner(std::string_view text) : text_(text) {
    while (!text_.empty() && IsBlank(text_.front())) text_.remove_prefix(1);
    while (!text_.empty() && IsBlank(text_.back())) text_.remove_suffix(1);
  }

  bool AtEnd() const noexcept { return pos_ >= text_.size(); }
  char Peek() const noexcept { return AtEnd() ? '\0' : text_[pos_]; }
  bool Take(char c) noexcept {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  // One to maxDigits decimal digits.
  bool Number(int maxDigits, std::int32_t& value, int* digits = nullptr) noexcept {
    value = 0;
    int count = 0;
    while (count < maxDigits && !AtEnd() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      value = value * 10 + (text_[pos_++] - '0');
      ++count;
    }
    if (digits) *digits = count;
    return count > 0;
  }
  bool SkipBlanks() noexcept {
    const std::size_t start = pos_;
    while (!AtEnd() && IsBlank(text_[pos_])) ++pos_;
    return pos_ > start;
  }

 private:
  static bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool ScanDate(TScanner& scanner, double& result) {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
  if (!scanner.Number(4, year)) return false;
  const char separator = scanner.Peek();
  if (separator != '-' && separator != '/') return false;
  scanner.Take(separator);
  if (!scanner.Number(2, month) || !scanner.Take(separator) || !scanner.Number(2, day)) return false;
  return TryEncodeDate(year, month, day, result);
}

bool ScanTime(TScanner& scanner, double& result) {
  std::int32_t hour = 0;
  std::int32_t minute = 0;
  std::int32_t second = 0;
  std::int32_t millisecond = 0;
  if (!scanner.Number(2, hour) || !scanner.Take(':') || !scanner.Number(2, minute)) return false;
  if (scanner.Take(':')) {
    if (!scanner.Number(2, second)) return false;
    if (scanner.Take('.')) {
      int digits = 0;
      if (!scanner.Number(3, millisecond, &digits)) return false;
      // ".5" is half a second.
      for (; digits < 3; ++digits) millisecond *= 10;
    }
  }
  return TryEncodeTime(hour, minute, second, millisecond, result);
}

std::string TwoDigits(std::int32_t value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

std::string Padded(std::int32_t value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the pattern at position starts with token (lower case), ignoring case.
bool StartsWithToken(std::string_view format, std::size_t position, std::string_view token) noexcept {
  if (format.size() - position < token.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (Lower(format[position + i]) != token[i]) return false;
  }
  return true;
}

// The length of the quoted text at position, quotes included.
std::size_t QuotedLength(std::string_view format, std::size_t position) {
  const std::size_t close = format.find(format[position], position + 1);
  if (close == std::string_view::npos) Raise<EIEException>(IEConsts::SUnterminatedFormatQuote, format);
  return close - position + 1;
}

bool UsesTwelveHourClock(std::string_view format) {
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] == '\'' || format[i] == '"') {
      i += QuotedLength(format, i);
    } else if (StartsWithToken(format, i, "am/pm") || StartsWithToken(format, i, "a/p")) {
      return true;
    } else {
      ++i;
    }
  }
  return false;
}

}  // namespace

double EncodeDate(std::int32_t year, std::int32_t month, std::int32_t day) {
  double result = 0.0;
  if (!TryEncodeDate(year, month, day, result)) Raise<EIEException>(IEConsts::SInvalidDateEncode);
  return result;
}

double EncodeTime(std::int32_t hour, std::int32_t minute, std::int32_t second, std::int32_t millisecond) {
  double result = 0.0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) Raise<EIEException>(IEConsts::SInvalidTimeEncode);
  return result;
}

double CombineDateTime(double date, double time) noexcept { return date < 0.0 ? date - time : date + time; }

TDateTimeParts DecodeDateTime(double value) {
  // Checked before any conversion to an integer, so that no value overflows.
  if (!std::isfinite(value) || value <= static_cast<double>(kMinDay - 1) || value >= static_cast<double>(kMaxDay + 1))
    RaiseOutOfRange(value);
  const double whole = std::trunc(value);
  std::int64_t day = static_cast<std::int64_t>(whole);
  std::int64_t milliseconds = std::llround(std::fabs(value - whole) * static_cast<double>(kMillisecondsPerDay));
  if (milliseconds >= kMillisecondsPerDay) {
    milliseconds -= kMillisecondsPerDay;
    day += value < 0.0 ? -1 : 1;
  }
  if (day < kMinDay || day > kMaxDay) RaiseOutOfRange(value);
  const chr::sys_days days = kEpoch + chr::days(day);
  const chr::year_month_day date(days);
  TDateTimeParts parts;
  parts.year = static_cast<std::int32_t>(date.year());
  parts.month = static_cast<std::int32_t>(static_cast<unsigned>(date.month()));
  parts.day = static_cast<std::int32_t>(static_cast<unsigned>(date.day()));
  parts.weekday = static_cast<std::int32_t>(chr::weekday(days).c_encoding());
  parts.millisecond = static_cast<std::int32_t>(milliseconds % 1000);
  parts.second = static_cast<std::int32_t>(milliseconds / 1000 % 60);
  parts.minute = static_cast<std::int32_t>(milliseconds / 60000 % 60);
  parts.hour = static_cast<std::int32_t>(milliseconds / 3600000);
  return parts;
}

std::string DateToText(double value) { return FormatDateTime(value, "yyyy-mm-dd"); }

std::string TimeToText(double value) { return FormatDateTime(value, "hh:nn:ss"); }

std::string DateTimeToText(double value) { return FormatDateTime(value, "yyyy-mm-dd hh:nn:ss"); }

double TextToDate(std::string_view text) {
  TScanner scanner(text);
  double result = 0.0;
  if (!ScanDate(scanner, result) || !scanner.AtEnd()) Raise<EIEException>(IEConsts::SInvalidDate, text);
  return result;
}

double TextToTime(std::string_view text) {
  TScanner scanner(text);
  double result = 0.0;
  if (!ScanTime(scanner, result) || !scanner.AtEnd()) Raise<EIEException>(IEConsts::SInvalidTime, text);
  return result;
}

double TextToDateTime(std::string_view text) {
  TScanner scanner(text);
  double date = 0.0;
  double time = 0.0;
  bool valid = ScanDate(scanner, date);
  if (valid && !scanner.AtEnd()) valid = (scanner.SkipBlanks() || scanner.Take('T')) && ScanTime(scanner, time);
  if (!valid || !scanner.AtEnd()) Raise<EIEException>(IEConsts::SInvalidDateTime, text);
  return CombineDateTime(date, time);
}

std::string FormatDateTime(double value, std::string_view format) {
  const TDateTimeParts parts = DecodeDateTime(value);
  const bool twelveHour = UsesTwelveHourClock(format);
  const std::int32_t hour = twelveHour ? (parts.hour % 12 == 0 ? 12 : parts.hour % 12) : parts.hour;
  const auto month = static_cast<std::size_t>(parts.month - 1);
  const auto weekday = static_cast<std::size_t>(parts.weekday);
  std::string out;
  std::size_t i = 0;
  // Each token with the text it stands for, longest first among those sharing a letter.
  auto token = [&](std::string_view name, auto text) {
    if (!StartsWithToken(format, i, name)) return false;
    out += text();
    i += name.size();
    return true;
  };
  while (i < format.size()) {
    const char c = format[i];
    if (c == '\'' || c == '"') {
      const std::size_t length = QuotedLength(format, i);
      out.append(format.substr(i + 1, length - 2));
      i += length;
      continue;
    }
    const bool upper = c >= 'A' && c <= 'Z';
    const bool matched =
        token("am/pm", [&] { return std::string(parts.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm")); }) ||
        token("a/p", [&] { return std::string(parts.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p")); }) ||
        token("yyyy", [&] { return Padded(parts.year, 4); }) ||
        token("yy", [&] { return TwoDigits(parts.year % 100); }) ||
        token("mmmm", [&] { return std::string(kMonthNames[month]); }) ||
        token("mmm", [&] { return std::string(kMonthNames[month].substr(0, 3)); }) ||
        token("mm", [&] { return TwoDigits(parts.month); }) ||
        token("m", [&] { return std::to_string(parts.month); }) ||
        token("dddd", [&] { return std::string(kWeekdayNames[weekday]); }) ||
        token("ddd", [&] { return std::string(kWeekdayNames[weekday].substr(0, 3)); }) ||
        token("dd", [&] { return TwoDigits(parts.day); }) || token("d", [&] { return std::to_string(parts.day); }) ||
        token("hh", [&] { return TwoDigits(hour); }) || token("h", [&] { return std::to_string(hour); }) ||
        token("nn", [&] { return TwoDigits(parts.minute); }) ||
        token("n", [&] { return std::to_string(parts.minute); }) ||
        token("ss", [&] { return TwoDigits(parts.second); }) ||
        token("s", [&] { return std::to_string(parts.second); }) ||
        token("zzz", [&] { return Padded(parts.millisecond, 3); }) ||
        token("z", [&] { return std::to_string(parts.millisecond); });
    if (!matched) out += format[i++];
  }
  return out;
}

double NowDateTime() {
  const auto now = chr::system_clock::now();
  const std::int64_t sinceEpoch = chr::duration_cast<chr::milliseconds>(now.time_since_epoch()).count();
  const std::int64_t seconds = sinceEpoch / 1000 - (sinceEpoch % 1000 < 0 ? 1 : 0);
  const auto millisecond = static_cast<std::int32_t>(sinceEpoch - seconds * 1000);
  const auto clock = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&clock, &local);
  // A leap second counts as the last second of its minute.
  const double date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const double time = EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, millisecond);
  return CombineDateTime(date, time);
}

double SecondsOfDay(double value) {
  if (!std::isfinite(value)) RaiseOutOfRange(value);
  return std::fabs(value - std::trunc(value)) * 86400.0;
}

}  // namespace fxe::detail
