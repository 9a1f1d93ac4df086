// The standard functions on multifields: making, reading, cutting and
// searching lists of values. Every function returns a new multifield and
// leaves its arguments as they are. Indexes are 0-based.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/TextUtils.h"
#include "packages/StandardFunctions.h"

namespace fxe::detail {

namespace {

using TItems = std::vector<TRef<TIEValue>>;

TRef<TIEValue> ListOf(TItems items) { return NewList(MakeRef<TValueVector>(std::move(items))); }

// The start and end arguments of a range; end before start is refused.
std::pair<std::int32_t, std::int32_t> Range(TArguments& arguments) {
  const std::int32_t start = arguments.Integer(1);
  const std::int32_t end = arguments.Integer(2);
  if (end < start) Raise<EIEException>(IEConsts::SInvalidMultifieldRange, start, end);
  return {start, end};
}

// The items outside start..end, in order.
TItems Outside(const TValueVector& list, std::int32_t start, std::int32_t end) {
  TItems kept;
  kept.reserve(list.Items().size());
  for (std::int32_t i = 0; i < list.Count(); ++i)
    if (i < start || i > end) kept.push_back(list.Items()[static_cast<std::size_t>(i)]);
  return kept;
}

// Inserts the evaluated arguments from first on at index, each in turn at
// the same index (so several end up in reverse order).
void InsertEach(TArguments& arguments, std::int32_t first, TValueVector& list, std::int32_t index) {
  for (std::int32_t i = first; i < arguments.Count(); ++i) list.Insert(index, arguments.Value(i));
}

// Plain text of an item: strings without quotes, numbers and symbols as they
// read, anything else by its printed form.
void AppendPlain(std::string& out, const TIEValue* value) {
  if (!value) return;
  switch (value->DType()) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
      out += value->AsString();
      break;
    default:
      value->AppendText(out);
  }
}

std::int32_t IndexOfEqual(const TValueVector& list, const TIEValue& value) {
  const auto& items = list.Items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] && value.Equals(items[i].Get())) return static_cast<std::int32_t>(i);
  return -1;
}

}  // namespace

TRef<TIEValue> Create(TArguments& arguments) {
  TItems items;
  items.reserve(static_cast<std::size_t>(arguments.Count()));
  for (std::int32_t i = 0; i < arguments.Count(); ++i) items.push_back(arguments.Value(i));
  return ListOf(std::move(items));
}

TRef<TIEValue> Delete(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  const auto [start, end] = Range(arguments);
  return ListOf(Outside(*list, start, end));
}

TRef<TIEValue> Explode(TArguments& arguments) {
  const std::string whole = arguments.Text(0);
  // Trimmed of every blank or control character at its ends; inside, only
  // blanks separate the words.
  const std::string_view text = detail::TrimText(whole);
  TItems words;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t begin = text.find_first_not_of(' ', position);
    if (begin == std::string::npos) break;
    const std::size_t stop = std::min(text.find(' ', begin), text.size());
    words.push_back(NewAtom(text.substr(begin, stop - begin)));
    position = stop;
  }
  return ListOf(std::move(words));
}

TRef<TIEValue> First(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  if (list->Empty() || !list->First()) return SharedValues().Nil;
  return list->First();
}

TRef<TIEValue> Length(TArguments& arguments) { return NewInteger(arguments.List(0)->Count()); }

TRef<TIEValue> Implode(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  std::string text;
  for (const TRef<TIEValue>& item : list->Items()) {
    if (&item != &list->Items().front()) text += ' ';
    AppendPlain(text, item.Get());
  }
  return NewString(text);
}

TRef<TIEValue> Insert(TArguments& arguments) {
  const TRef<TValueVector> copy = MakeRef<TValueVector>(arguments.List(0)->Items());
  const std::int32_t index = arguments.Integer(1);
  InsertEach(arguments, 2, *copy, index);
  return NewList(copy);
}

TRef<TIEValue> Member(TArguments& arguments) {
  const TRef<TIEValue> wanted = arguments.Value(0);
  for (std::int32_t i = 1; i < arguments.Count(); ++i)
    if (wanted->Equals(arguments.Value(i).Get())) return NewInteger(i - 1);
  return SharedValues().False;
}

TRef<TIEValue> MemberList(TArguments& arguments) {
  const TRef<TIEValue> wanted = arguments.Value(0);
  const std::int32_t index = IndexOfEqual(*arguments.List(1), *wanted);
  return index < 0 ? SharedValues().False : NewInteger(index);
}

TRef<TIEValue> Nth(TArguments& arguments) {
  const std::int32_t index = arguments.Integer(0);
  const TRef<TValueVector> list = arguments.List(1);
  const TRef<TIEValue>& item = list->Item(index);
  return item ? item : SharedValues().Nil;
}

TRef<TIEValue> Replace(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  const auto [start, end] = Range(arguments);
  const TRef<TValueVector> result = MakeRef<TValueVector>(Outside(*list, start, end));
  InsertEach(arguments, 3, *result, start);
  return NewList(result);
}

TRef<TIEValue> Rest(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  if (list->Empty()) return NewList();
  return ListOf(TItems(list->Items().begin() + 1, list->Items().end()));
}

TRef<TIEValue> Subseq(TArguments& arguments) {
  const TRef<TValueVector> list = arguments.List(0);
  const auto [start, end] = Range(arguments);
  // The range is cut to the list: positions outside it hold nothing to take.
  const std::int64_t from = std::max<std::int64_t>(start, 0);
  const std::int64_t to = std::min<std::int64_t>(end, static_cast<std::int64_t>(list->Count()) - 1);
  if (from > to) return NewList();
  return ListOf(TItems(list->Items().begin() + from, list->Items().begin() + to + 1));
}

TRef<TIEValue> Subsetp(TArguments& arguments) {
  const TRef<TIEValue> first = arguments.Value(0);
  TRef<TValueVector> wanted = first->ListPtr() ? first->AsList() : MakeRef<TValueVector>(TItems{first});
  const TRef<TValueVector> list = arguments.List(1);
  const auto& needle = wanted->Items();
  const auto& hay = list->Items();
  const auto same = [](const TRef<TIEValue>& a, const TRef<TIEValue>& b) {
    return a.Get() == b.Get() || (a && b && a->Equals(b.Get()));
  };
  // A contiguous run of equal items anywhere in the second list; the empty
  // list is a subset of every list.
  if (needle.empty()) return SharedValues().True;
  return Truth(std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), same) != hay.end());
}

}  // namespace fxe::detail
