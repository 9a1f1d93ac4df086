// The string package.
#include "packages/StringPackage.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

// The text a value contributes to a concatenation: strings without their
// quotes, symbols and numbers as they convert to text, every other kind in
// its printed form.
void AppendPlainText(std::string& out, const TIEValue& value) {
  if (TextTypes.Contains(value.DType())) {
    out.append(value.Text());
  } else if (value.DType() == dtInteger || value.DType() == dtFloat || value.DType() == dtFuzzy) {
    out.append(value.AsString());
  } else {
    value.AppendText(out);
  }
}

std::string Concatenation(TArguments& arguments) {
  std::string text;
  for (std::int32_t i = 0; i < arguments.Count(); ++i) AppendPlainText(text, *arguments.Value(i));
  return text;
}

TRef<TIEValue> SymCat(TArguments& arguments) { return NewAtom(Concatenation(arguments)); }
TRef<TIEValue> StrCat(TArguments& arguments) { return NewString(Concatenation(arguments)); }

// A symbol stays a symbol; anything else becomes a string. Only ASCII letters
// change, so multi-byte characters pass through intact.
template <char (*Map)(char)>
TRef<TIEValue> ChangeCase(TArguments& arguments) {
  const TRef<TIEValue> value = arguments.Value(0);
  std::string text = value->AsString();
  std::transform(text.begin(), text.end(), text.begin(), Map);
  return value->DType() == dtAtom ? NewAtom(text) : NewString(text);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

TRef<TIEValue> StrCompare(TArguments& arguments) {
  // string compare orders by unsigned bytes (char_traits<char>::compare).
  const int order = arguments.Text(0).compare(arguments.Text(1));
  return NewInteger(order < 0 ? -1 : (order > 0 ? 1 : 0));
}

TRef<TIEValue> StrIndex(TArguments& arguments) {
  const std::string needle = arguments.Text(0);
  const std::string haystack = arguments.Text(1);
  const std::size_t position = haystack.find(needle);
  if (position == std::string::npos) return SharedValues().False;
  return NewInteger(static_cast<std::int32_t>(std::min<std::size_t>(position + 1, INT32_MAX)));
}

TRef<TIEValue> StrLength(TArguments& arguments) {
  return NewInteger(static_cast<std::int32_t>(std::min<std::size_t>(arguments.Text(0).size(), INT32_MAX)));
}

// 1-based inclusive positions; the count is cut at the end of the text.
TRef<TIEValue> SubString(TArguments& arguments) {
  const std::int32_t start = arguments.Integer(0);
  const std::int32_t end = arguments.Integer(1);
  const std::string text = arguments.Text(2);
  // In 64 bits: end - start + 1 overflows 32 bits for extreme positions.
  const std::int64_t count = std::int64_t{end} - start + 1;
  if (start <= 0 || static_cast<std::size_t>(start) > text.size() || count < 0)
    Raise<EIEException>(IEConsts::SInvalidSubstring, start, end);
  const std::size_t first = static_cast<std::size_t>(start) - 1;
  const std::size_t taken = std::min(static_cast<std::size_t>(count), text.size() - first);
  return NewString(std::string_view(text).substr(first, taken));
}

constexpr TFunctionRow kStringRows[] = {
    {"sym-cat", " <expression>*", IEConsts::SHelpSymCat, 0, UnlimitedArguments, SymCat},
    {"lowcase", " <string-or-symbol-expression>", IEConsts::SHelpLowcase, 1, 1, ChangeCase<LowerAscii>},
    {"str-cat", " <lexeme-expression>*", IEConsts::SHelpStrCat, 0, UnlimitedArguments, StrCat},
    {"str-compare", " <lexeme-expression> <lexeme-expression>", IEConsts::SHelpStrCompare, 2, 2, StrCompare},
    {"str-index", " <lexeme-expression> <lexeme-expression>", IEConsts::SHelpStrIndex, 2, 2, StrIndex},
    {"str-length", " <lexeme-expression>", IEConsts::SHelpStrLength, 1, 1, StrLength},
    {"sub-string", " <start-integer-expression> <end-integer-expression> <lexeme-expression>", IEConsts::SHelpSubString,
     3, 3, SubString},
    {"upcase", " <lexeme-expression>", IEConsts::SHelpUpcase, 1, 1, ChangeCase<UpperAscii>},
};

}  // namespace

TStringPackage::TStringPackage() noexcept : TTablePackage("TStringPackage", kStringRows) {}

}  // namespace fxe
