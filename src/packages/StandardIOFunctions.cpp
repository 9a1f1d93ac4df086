// The standard functions that write and read through logical names (printout,
// format, read, readline), manage streams and dribble files, and read, run
// and write knowledge-base files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/StandardFunctions.h"

namespace fxe::detail {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// The widest field and the longest precision a format directive may ask for.
constexpr std::int64_t kMaxFormatField = 1024;

// The logical name of an optional first argument; t when there is none.
std::string LogicalName(TArguments& arguments) { return arguments.Count() > 0 ? arguments.Text(0) : "t"; }

// A multifield in parentheses, any other value by its printed form.
void AppendPrinted(std::string& out, const TIEValue& value) {
  if (value.DType() != dtList) {
    value.AppendText(out);
    return;
  }
  out += '(';
  value.AppendText(out);
  out += ')';
}

void AppendPrintout(std::string& out, const TIEValue& value) {
  switch (value.DType()) {
    case dtAtom:
      if (value.Text() == "crlf")
        out += kLineEnd;
      else
        out += value.Text();
      break;
    case dtString:
    case dtInteger:
    case dtFloat:
      out += value.AsString();
      break;
    default:
      AppendPrinted(out, value);
  }
}

// An argument appended after the control string ran out of directives.
void AppendTrailing(std::string& out, const TIEValue& value) {
  out += ' ';
  switch (value.DType()) {
    case dtAtom:
    case dtString:
      out += value.Text();
      break;
    case dtFactId:
    case dtExternalAddress:
      out += std::to_string(value.RawInteger());
      break;
    default:
      AppendPrinted(out, value);
  }
}

// One printf directive: flags, width and precision as written, and the letter.
struct TDirective {
  bool leftAlign = false;
  bool zeroPad = false;
  std::int64_t width = -1;
  std::int64_t precision = -1;
  char letter = '\0';
  std::size_t end = 0;  // just past the letter
};

std::int64_t ReadField(std::string_view text, std::size_t& position, std::string_view directive) {
  std::int64_t number = 0;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
    number = number * 10 + (text[position] - '0');
    if (number > kMaxFormatField) Raise<EIEException>(IEConsts::SFormatFieldTooWide, directive);
    ++position;
  }
  return number;
}

// The directive starting at the "%" at start; letter '\0' when the text ends
// before one.
TDirective ParseDirective(std::string_view text, std::size_t start) {
  constexpr std::string_view kDirectiveChars = "%-0123456789.";
  std::size_t stop = start + 1;
  while (stop < text.size() && kDirectiveChars.find(text[stop]) != std::string_view::npos) ++stop;
  TDirective directive;
  if (stop >= text.size()) {
    directive.end = text.size();
    return directive;
  }
  const std::string_view written = text.substr(start, stop - start + 1);
  std::size_t position = start + 1;
  for (; position < stop && (text[position] == '-' || text[position] == '0'); ++position) {
    if (text[position] == '-') directive.leftAlign = true;
    if (text[position] == '0') directive.zeroPad = true;
  }
  if (position < stop && text[position] >= '1' && text[position] <= '9')
    directive.width = ReadField(text, position, written);
  if (position < stop && text[position] == '.') {
    ++position;
    directive.precision = ReadField(text, position, written);
  }
  directive.letter = text[stop];
  directive.end = stop + 1;
  return directive;
}

// Formats one item with a printf conversion built here from the parsed
// parts, so no text of the user ever becomes a format string.
template <class T>
std::string Printf(const TDirective& directive, char conversion, std::string_view lengthModifier, T item) {
  std::string printfFormat = "%";
  if (directive.leftAlign) printfFormat += '-';
  if (directive.zeroPad) printfFormat += '0';
  printfFormat += "*.*";
  printfFormat += lengthModifier;
  printfFormat += conversion;
  const int width = static_cast<int>(directive.width < 0 ? 0 : directive.width);
  const int precision = static_cast<int>(directive.precision);
  const int size = std::snprintf(nullptr, 0, printfFormat.c_str(), width, precision, item);
  if (size <= 0) return {};
  std::string out(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), printfFormat.c_str(), width, precision, item);
  out.resize(static_cast<std::size_t>(size));
  return out;
}

// The text of a directive applied to the value; false for a letter that
// is no directive (the text stays as written).
bool ApplyDirective(const TDirective& directive, const TIEValue& value, std::string& out) {
  switch (directive.letter) {
    case 'd':
      out = Printf(directive, 'd', "ll", static_cast<long long>(value.AsInteger()));
      return true;
    case 'u':
      out =
          Printf(directive, 'u', "ll", static_cast<unsigned long long>(static_cast<std::uint32_t>(value.AsInteger())));
      return true;
    case 'x':
      out =
          Printf(directive, 'x', "ll", static_cast<unsigned long long>(static_cast<std::uint32_t>(value.AsInteger())));
      return true;
    case 'e':
    case 'f':
    case 'g':
      out = Printf(directive, directive.letter, "", value.AsFloat());
      return true;
    case 'm':
      // A money amount: a fixed-point number.
      out = Printf(directive, 'f', "", value.AsFloat());
      return true;
    case 'p': {
      // A pointer-sized integer, in hexadecimal digits of the pointer's width.
      TDirective hex = directive;
      if (hex.precision < 0) hex.precision = static_cast<std::int64_t>(sizeof(void*) * 2);
      out = Printf(hex, 'X', "ll", static_cast<unsigned long long>(static_cast<std::uint32_t>(value.AsInteger())));
      return true;
    }
    case 's': {
      // A symbol gives its text: the escapes of its printed form are there
      // for the rule reader, not for output.
      const std::string text = value.DType() == dtAtom ? std::string(value.Text()) : value.AsText();
      out = Printf(directive, 's', "", text.c_str());
      return true;
    }
    default:
      return false;
  }
}

void ReplaceLineBreaks(std::string& text, std::size_t from) {
  for (std::size_t at = text.find("%n", from); at != std::string::npos; at = text.find("%n", at)) {
    text.replace(at, 2, kLineEnd);
    at += kLineEnd.size();
  }
}

}  // namespace

TRef<TIEValue> Printout(TArguments& arguments) {
  std::string text;
  for (std::int32_t i = 1; i < arguments.Count(); ++i) AppendPrintout(text, *arguments.Value(i));
  if (arguments.Count() == 0)
    arguments.Engine().Output({}, text);
  else
    arguments.Engine().Output(arguments.Text(0), text);
  return SharedValues().Nil;
}

std::string FormatText(TArguments& arguments) {
  std::string text = arguments.Text(1);
  // Directives are looked for after the text already produced, so the
  // arguments' own texts are never read as directives.
  std::size_t scan = 0;
  for (std::int32_t i = 2; i < arguments.Count(); ++i) {
    const TRef<TIEValue> value = arguments.Value(i);
    bool placed = false;
    while (!placed) {
      const std::size_t at = text.find('%', scan);
      if (at == std::string::npos) {
        AppendTrailing(text, *value);
        scan = text.size();
        placed = true;
        break;
      }
      if (at + 1 < text.size() && (text[at + 1] == 'n' || text[at + 1] == '%')) {
        // A line break or a percent sign: the same argument goes to the next directive.
        if (text[at + 1] == 'n') {
          text.replace(at, 2, kLineEnd);
          scan = at + kLineEnd.size();
        } else {
          text.erase(at, 1);
          scan = at + 1;
        }
        continue;
      }
      const TDirective directive = ParseDirective(text, at);
      std::string replacement;
      if (directive.letter != '\0' && ApplyDirective(directive, *value, replacement)) {
        text.replace(at, directive.end - at, replacement);
        scan = at + replacement.size();
        placed = true;
      } else {
        // No directive: the text stays, the argument goes to the next one.
        scan = directive.letter == '\0' ? text.size() : directive.end;
      }
    }
  }
  ReplaceLineBreaks(text, scan);
  return text;
}

TRef<TIEValue> FormatOut(TArguments& arguments) {
  const std::string text = FormatText(arguments);
  arguments.Engine().Output(arguments.Text(0), text);
  return SharedValues().Nil;
}

TRef<TIEValue> Open(TArguments& arguments) {
  const std::string fileName = arguments.Text(0);
  const std::string logicalName = arguments.Text(1);
  const std::string mode = arguments.Count() > 2 ? arguments.Text(2) : "r";
  TOpenMode openMode;
  if (mode == "r")
    openMode = TOpenMode::Read;
  else if (mode == "r+")
    openMode = TOpenMode::ReadWrite;
  else if (mode == "w")
    openMode = TOpenMode::Write;
  else if (mode == "a")
    openMode = TOpenMode::Append;
  else
    Raise<EIEException>(IEConsts::SInvalidFileAccess, mode);
  arguments.Engine().OpenStream(fileName, logicalName, openMode);
  return SharedValues().True;
}

TRef<TIEValue> Close(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  if (arguments.Count() == 0) {
    engine.CloseFileStreams();
    return SharedValues().True;
  }
  for (std::int32_t i = 0; i < arguments.Count(); ++i) engine.CloseStream(arguments.Text(i));
  return SharedValues().True;
}

TRef<TIEValue> Read(TArguments& arguments) {
  const TRef<IStreamToken> token = arguments.Engine().ReadToken(LogicalName(arguments));
  if (!token || token->DataType() == tkEndOfInput) return SharedValues().Eof;
  switch (token->DataType()) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
      return token->Value();
    default:
      // Variables and punctuation come back as the symbol of their text.
      return NewAtom(token->AsText());
  }
}

// On the application's input (t) EOF once nothing is left to read; that
// input tells its end only when a read finds nothing, so that empty answer
// is EOF too. A registered stream at its end gives the empty string.
TRef<TIEValue> Readline(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string name = LogicalName(arguments);
  const bool standard = name.empty() || name == "t";
  if (standard && engine.InputEnded(name)) return SharedValues().Eof;
  std::string line = engine.ReadLine(name);
  if (standard && line.empty() && engine.InputEnded(name)) return SharedValues().Eof;
  return NewString(line);
}

TRef<TIEValue> DribbleOn(TArguments& arguments) { return Truth(arguments.Engine().DribbleOn(arguments.Text(0))); }

TRef<TIEValue> DribbleOff(TArguments& arguments) {
  arguments.Engine().DribbleOff();
  return SharedValues().True;
}

TRef<TIEValue> Batch(TArguments& arguments) {
  const std::string fileName = arguments.Text(0);
  // A file that cannot be read answers FALSE; errors of its commands are
  // raised together once every command has run.
  if (!std::ifstream(fileName).good()) return SharedValues().False;
  return Truth(arguments.Engine().Batch(fileName));
}

TRef<TIEValue> Load(TArguments& arguments) {
  arguments.Engine().LoadFile(arguments.Text(0));
  return SharedValues().True;
}

TRef<TIEValue> LoadFacts(TArguments& arguments) {
  arguments.Engine().LoadFactsFile(arguments.Text(0));
  return SharedValues().True;
}

TRef<TIEValue> Save(TArguments& arguments) {
  arguments.Engine().SaveFile(arguments.Text(0));
  return SharedValues().True;
}

TRef<TIEValue> SaveFacts(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string fileName = arguments.Text(0);
  std::vector<std::string> templateNames;
  templateNames.reserve(static_cast<std::size_t>(arguments.Count() - 1));
  for (std::int32_t i = 1; i < arguments.Count(); ++i) templateNames.push_back(arguments.Text(i));
  engine.SaveFactsFile(fileName, templateNames);
  return SharedValues().True;
}

TRef<TIEValue> Remove(TArguments& arguments) {
  std::error_code error;
  return Truth(std::filesystem::remove(std::filesystem::path(arguments.Text(0)), error) && !error);
}

TRef<TIEValue> Rename(TArguments& arguments) {
  const std::filesystem::path from(arguments.Text(0));
  const std::filesystem::path to(arguments.Text(1));
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return Truth(!error);
}

}  // namespace fxe::detail
