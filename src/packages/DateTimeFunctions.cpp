// The date and time functions: decoding, encoding, the clock and the text
// conversions, on the date-time values of DateTime.h.
#include <cmath>

#include "packages/DateTime.h"
#include "packages/MiscFunctions.h"

namespace fxe::misc {

namespace {

detail::TDateTimeParts Decoded(TArguments& arguments) { return detail::DecodeDateTime(arguments.Float(0)); }

// The optional integer argument at index, or fallback when it is not given.
std::int32_t IntegerOr(TArguments& arguments, std::int32_t index, std::int32_t fallback) {
  return index < arguments.Count() ? arguments.Integer(index) : fallback;
}

}  // namespace

TRef<TIEValue> DecodeYear(TArguments& arguments) { return NewInteger(Decoded(arguments).year); }
TRef<TIEValue> DecodeMonth(TArguments& arguments) { return NewInteger(Decoded(arguments).month); }
TRef<TIEValue> DecodeDay(TArguments& arguments) { return NewInteger(Decoded(arguments).day); }
TRef<TIEValue> DecodeHour(TArguments& arguments) { return NewInteger(Decoded(arguments).hour); }
TRef<TIEValue> DecodeMinute(TArguments& arguments) { return NewInteger(Decoded(arguments).minute); }
TRef<TIEValue> DecodeSecond(TArguments& arguments) { return NewInteger(Decoded(arguments).second); }
TRef<TIEValue> DecodeMillisecond(TArguments& arguments) { return NewInteger(Decoded(arguments).millisecond); }

TRef<TIEValue> EncodeDate(TArguments& arguments) {
  return NewFloat(detail::EncodeDate(arguments.Integer(0), IntegerOr(arguments, 1, 1), IntegerOr(arguments, 2, 1)));
}

TRef<TIEValue> EncodeTime(TArguments& arguments) {
  return NewFloat(detail::EncodeTime(arguments.Integer(0), IntegerOr(arguments, 1, 0), IntegerOr(arguments, 2, 0),
                                     IntegerOr(arguments, 3, 0)));
}

// The clock reads after 1899, so the whole part is the date and the fraction the time.
TRef<TIEValue> SystemDateTime(TArguments&) { return NewFloat(detail::NowDateTime()); }
TRef<TIEValue> SystemDate(TArguments&) { return NewFloat(std::trunc(detail::NowDateTime())); }
TRef<TIEValue> SystemTime(TArguments&) {
  const double now = detail::NowDateTime();
  return NewFloat(now - std::trunc(now));
}

TRef<TIEValue> StrDateTime(TArguments& arguments) { return NewFloat(detail::TextToDateTime(arguments.Text(0))); }
TRef<TIEValue> StrDate(TArguments& arguments) { return NewFloat(detail::TextToDate(arguments.Text(0))); }
TRef<TIEValue> StrTime(TArguments& arguments) { return NewFloat(detail::TextToTime(arguments.Text(0))); }

TRef<TIEValue> DateTimeStr(TArguments& arguments) { return NewString(detail::DateTimeToText(arguments.Float(0))); }
TRef<TIEValue> DateStr(TArguments& arguments) { return NewString(detail::DateToText(arguments.Float(0))); }
TRef<TIEValue> TimeStr(TArguments& arguments) { return NewString(detail::TimeToText(arguments.Float(0))); }

// Without a format the value is written as datetime-str writes it.
TRef<TIEValue> DateTimeStrFormat(TArguments& arguments) {
  const double value = arguments.Float(0);
  if (arguments.Count() < 2) return NewString(detail::DateTimeToText(value));
  return NewString(detail::FormatDateTime(value, arguments.Text(1)));
}

TRef<TIEValue> Time(TArguments&) { return NewFloat(detail::SecondsOfDay(detail::NowDateTime())); }

}  // namespace fxe::misc
