// Fuzz target: printed forms read back. Every construct the parser accepts
// from the input (its commands are not run) and every fact the reset asserts
// is printed; the engine's saved text is read into a fresh engine, which
// must take it without an error and print every object as the first did.
// Some printed forms drop detail on purpose (range bounds print truncated),
// so objects are compared for equality one generation later: the second
// engine's saved text is read into a third, whose defined types, templates
// and facts must equal the second's.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzEngine.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "rete/IERule.h"

using namespace fxe;

namespace {


void Expect(bool holds, std::string_view what, std::string_view original, std::string_view reread,
            std::string_view input) {
  if (holds) return;
  fuzz::Fail(what, std::string("printed: ") + std::string(original) + "\nreread:  " + std::string(reread) +
                       "\ninput:   " + std::string(input));
}

// A pattern slot that matches anything prints as a variable the engine
// names afresh each time (?__var, ?__var1, ...): rule texts are compared with
// those names made one.
std::string WithoutGeneratedNames(std::string text) {
  static constexpr std::string_view kPrefix = "?__var";
  for (std::size_t at = text.find(kPrefix); at != std::string::npos; at = text.find(kPrefix, at + 1)) {
    std::size_t end = at + kPrefix.size();
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    text.erase(at + kPrefix.size(), end - at - kPrefix.size());
  }
  return text;
}

// Slots and terms print one a line in hash-table order, which depends on the
// table's history: the texts of types and templates are compared as sets of lines.
std::string SortedLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  std::string sorted;
  for (std::string_view line : lines) (sorted += line) += '\n';
  return sorted;
}

// A deffacts line its engine can no longer read prints as a comment, which
// reading back leaves out.
std::string WithoutCommentLines(std::string_view text) {
  std::string kept;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    const std::string_view line = text.substr(start, end - start);
    if (line.find_first_not_of(' ') == std::string_view::npos || line[line.find_first_not_of(' ')] != ';')
      kept += line;
    start = end;
  }
  return kept;
}

std::int32_t ExplicitTemplateCount(const TInferenceEngine& engine) {
  std::int32_t count = 0;
  for (const auto& entry : engine.FactTemplateTable()) count += entry.Value()->IsImplied() ? 0 : 1;
  return count;
}

// b holds what a saved. Every object of a prints alike in b; with strict,
// defined types and templates are also equal objects.
void CompareKnowledgeBases(TInferenceEngine& a, TInferenceEngine& b, bool strict, std::string_view input) {
  TIERuleParser& pa = a.Parser();
  TIERuleParser& pb = b.Parser();
  for (const auto& entry : a.DefinedTypeTable()) {
    const IIEDefinedType& type = *entry.Value();
    const TRef<IIEDefinedType> other = b.FindDefinedType(entry.Key());
    const std::string text = pa.FormatDefinedType(type);
    Expect(other != nullptr, "a defined type is missing after reading back", text, "", input);
    const std::string reread = pb.FormatDefinedType(*other);
    if ((SortedLines(text) != SortedLines(reread) || (strict && !type.Equals(other.Get()))))
      Expect(false, "a defined type reads back unequal", text, reread, input);
  }
  Expect(a.DefinedTypeTable().Count() == b.DefinedTypeTable().Count(), "reading back made other defined types",
         std::to_string(a.DefinedTypeTable().Count()), std::to_string(b.DefinedTypeTable().Count()), input);

  for (const auto& entry : a.FactTemplateTable()) {
    const IFactTemplate& factTemplate = *entry.Value();
    if (factTemplate.IsImplied()) continue;
    const TRef<IFactTemplate> other = b.FindFactTemplate(entry.Key());
    const std::string text = pa.FormatFactTemplate(factTemplate);
    Expect(other != nullptr && !other->IsImplied(), "a template is missing after reading back", text, "", input);
    Expect(SortedLines(text) == SortedLines(pb.FormatFactTemplate(*other)) &&
               (!strict || (factTemplate.Equals(other.Get()) && factTemplate.SlotCount() == other->SlotCount())),
           "a template reads back unequal", text, pb.FormatFactTemplate(*other), input);
  }
  Expect(ExplicitTemplateCount(a) == ExplicitTemplateCount(b), "reading back made other templates",
         std::to_string(ExplicitTemplateCount(a)), std::to_string(ExplicitTemplateCount(b)), input);

  for (const auto& entry : a.RuleTable()) {
    const std::string text = pa.FormatRule(*entry.Value());
    const TRule* other = b.FindRule(entry.Key());
    Expect(other != nullptr, "a rule is missing after reading back", text, "", input);
    const std::string reread = pb.FormatRule(*other);
    Expect(WithoutGeneratedNames(text) == WithoutGeneratedNames(reread), "a rule reads back unequal", text, reread,
           input);
  }
  Expect(a.RuleTable().Count() == b.RuleTable().Count(), "reading back made other rules",
         std::to_string(a.RuleTable().Count()), std::to_string(b.RuleTable().Count()), input);

  for (const auto& entry : a.FunctionTable()) {
    const IUserFunction* function = entry.Value().Get();
    if (!dynamic_cast<const TInterpretedFunction*>(function)) continue;
    const std::string text = pa.FormatFunction(*function);
    const TRef<IUserFunction> other = b.FindFunction(function->FunctionName());
    Expect(other != nullptr, "a function is missing after reading back", text, "", input);
    Expect(text == pb.FormatFunction(*other), "a function reads back unequal", text, pb.FormatFunction(*other), input);
  }

  for (TFactSet* set : a.FactSetList()) {
    const std::string text = WithoutCommentLines(pa.FormatFactSet(*set));
    const std::int32_t at = b.FactSets().FindByName(set->FactSetName());
    Expect(at >= 0, "a fact set is missing after reading back", text, "", input);
    const std::string reread = pb.FormatFactSet(*b.FactSetList()[static_cast<std::size_t>(at)]);
    Expect(text == reread, "a fact set reads back unequal", text, reread, input);
  }
  Expect(a.FactSetList().size() == b.FactSetList().size(), "reading back made other fact sets",
         std::to_string(a.FactSetList().size()), std::to_string(b.FactSetList().size()), input);

  for (const auto& entry : a.GlobalVariableTable()) {
    const std::string text = TIERuleParser::GlobalVariableText(entry.Key(), *entry.Value());
    const TRef<TIEValue>* other = b.GlobalVariableTable().Find(entry.Key());
    Expect(other != nullptr, "a global is missing after reading back", text, "", input);
    const std::string reread = TIERuleParser::GlobalVariableText(entry.Key(), **other);
    Expect(text == reread, "a global reads back unequal", text, reread, input);
  }
}

// Each fact of a is printed and read in b as a fact of b's templates; it
// must print alike there, and read back in b as an equal fact.
void CompareFacts(TInferenceEngine& a, TInferenceEngine& b, std::string_view input) {
  for (const TRef<IFact>& fact : a.Facts().Snapshot()) {
    const std::string text = a.Parser().FormatFact(*fact);
    TRef<IFact> reread;
    std::string failure;
    try {
      reread = b.ParseFact(text);
    } catch (const std::exception& error) {
      failure = error.what();
    }
    Expect(reread != nullptr, "a fact does not read back", text, failure, input);
    // The engines' templates are distinct objects: equal facts print alike.
    const std::string again = b.Parser().FormatFact(*reread);
    Expect(text == again, "a fact reads back unequal", text, again, input);
    TRef<IFact> third;
    fuzz::Tolerating([&] { third = b.ParseFact(again); });
    Expect(third && reread->Equals(*third), "a fact reads back unequal", again,
           third ? b.Parser().FormatFact(*third) : std::string(), input);
  }
}

void ReadSaved(TInferenceEngine& engine, const std::string& saved, std::string_view input) {
  std::string failure;
  try {
    engine.Parse(saved, true);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  Expect(failure.empty(), "the saved text does not read back", saved, failure, input);
}

// Reads the input into a first engine, its saved text into a second, and
// that one's saved text into a third, comparing each with the one before.
void RoundTrip(const std::string& input) {
  fuzz::TFuzzEngine first;
  TInferenceEngine& a = first.Engine();
  a.SetParserErrorHandling(ehRaiseAllAtEnd);
  a.SetOnParseError([](TInferenceEngine&, std::string_view, std::int32_t) {});
  fuzz::Tolerating([&] { a.Parse(input, false); });
  fuzz::Tolerating([&] { a.Reset(); });
  const std::string saved = a.SaveAll();

  fuzz::TFuzzEngine second;
  TInferenceEngine& b = second.Engine();
  ReadSaved(b, saved, input);
  CompareKnowledgeBases(a, b, false, input);
  CompareFacts(a, b, input);

  fuzz::TFuzzEngine third;
  TInferenceEngine& c = third.Engine();
  ReadSaved(c, b.SaveAll(), input);
  CompareKnowledgeBases(b, c, true, input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::MaxInputSize) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  RoundTrip(input);
  return 0;
}
