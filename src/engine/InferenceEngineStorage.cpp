// The engine's knowledge base as rule-language text: the save text of the
// whole engine, the section texts with parents before their children, and
// the load and save operations for streams and files.
#include <ctime>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "engine/FileAccess.h"
#include "engine/InferenceEngine.h"
#include "model/ConstructText.h"

namespace fxe {

using detail::kLineEnd;

namespace {

constexpr std::string_view kRule = "; *************************";

// The table's items without a parent in the table first, in iteration order,
// then the others with each parent before its children. parentOf gives an
// item's parent or nullptr. Parent links that loop raise corrupted.
template <class TItem, class TParentOf>
std::vector<const TItem*> ParentsFirst(const TIStringHashTable<TItem>& table, TParentOf parentOf,
                                       std::string_view corrupted) {
  std::vector<const TItem*> order;
  std::vector<const TItem*> waiting;
  std::unordered_set<const TItem*> listed;
  auto inTable = [&table](const TItem* item) {
    const TRef<TItem>* found = table.Find(item->Name());
    return found && found->Get() == item;
  };
  for (const auto& entry : table) {
    const TItem* item = entry.Value().Get();
    const TItem* parent = parentOf(*item);
    if (parent && inTable(parent)) {
      waiting.push_back(item);
    } else {
      order.push_back(item);
      listed.insert(item);
    }
  }
  while (!waiting.empty()) {
    std::vector<const TItem*> still;
    for (const TItem* item : waiting) {
      if (listed.contains(parentOf(*item))) {
        order.push_back(item);
        listed.insert(item);
      } else {
        still.push_back(item);
      }
    }
    if (still.size() == waiting.size()) Raise<EIEException>(corrupted);
    waiting = std::move(still);
  }
  return order;
}

void AppendLine(std::string& out, std::string_view text) {
  out += text;
  out += kLineEnd;
}

// Each text followed by one line end (a text that ends in one already gets
// no second).
std::string Lines(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& text : texts) {
    out += text;
    if (!text.ends_with(kLineEnd)) out += kLineEnd;
  }
  return out;
}

std::string CreationTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return {};
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, length);
}

bool IsImplied(const IFactTemplate& factTemplate) { return factTemplate.Comment() == ImpliedTemplateComment; }

}  // namespace

// --- Section texts ----------------------------------------------------------------------------------

std::vector<std::string> TInferenceEngine::GlobalVariableTexts() const {
  std::vector<std::string> texts;
  for (const auto& entry : globals_) {
    const std::pair<std::string, TRef<TIEValue>> global(entry.Key(), entry.Value());
    texts.push_back(parser_->FormatGlobalVariables({&global, 1}));
  }
  return texts;
}

std::vector<std::string> TInferenceEngine::DefinedTypeTexts() const {
  std::vector<std::string> texts;
  const auto order = ParentsFirst(
      types_, [](const IIEDefinedType& type) { return type.Ancestor(); }, IEConsts::SDefinedTypesInheritanceCorrupted);
  for (const IIEDefinedType* type : order) texts.push_back(type->AsString());
  return texts;
}

std::vector<std::string> TInferenceEngine::FactTemplateTexts(bool withImplied) const {
  std::vector<std::string> texts;
  const auto order = ParentsFirst(
      templates_, [](const IFactTemplate& factTemplate) { return factTemplate.Parent(); },
      IEConsts::SFactTemplatesInheritanceCorrupted);
  // Implied templates are made again by the facts and patterns that use
  // them, except one that an explicit template extends: that one must exist
  // before its child is read.
  std::unordered_set<const IFactTemplate*> needed;
  for (const IFactTemplate* factTemplate : order) {
    if (IsImplied(*factTemplate)) continue;
    for (const IFactTemplate* parent = factTemplate->Parent(); parent && needed.insert(parent).second;
         parent = parent->Parent()) {
    }
  }
  for (const IFactTemplate* factTemplate : order) {
    if (withImplied || !IsImplied(*factTemplate) || needed.contains(factTemplate))
      texts.push_back(factTemplate->AsString());
  }
  return texts;
}

std::vector<std::string> TInferenceEngine::FunctionTexts() const {
  std::vector<std::string> texts;
  for (const auto& entry : functions_) {
    if (dynamic_cast<const TInterpretedFunction*>(entry.Value().Get()))
      texts.push_back(parser_->FormatFunction(*entry.Value()));
  }
  return texts;
}

std::vector<std::string> TInferenceEngine::RuleTexts() const {
  std::vector<std::string> texts;
  for (const auto& entry : rules_) texts.push_back(entry.Value()->AsString());
  return texts;
}

std::vector<std::string> TInferenceEngine::FactSetTexts(bool ownedOnly) const {
  std::vector<std::string> texts;
  for (const TFactSet* set : factSets_.List()) {
    if (!ownedOnly || factSets_.Owns(*set)) texts.push_back(set->AsString());
  }
  return texts;
}

std::vector<std::string> TInferenceEngine::FactTexts(std::span<const std::string> templateNames) const {
  std::vector<std::string> texts;
  facts_.ForEach([&](IFact& fact) {
    if (!templateNames.empty()) {
      const IFactTemplate* factTemplate = fact.Template();
      if (!factTemplate) return;
      bool wanted = false;
      for (const std::string& name : templateNames) wanted = wanted || name == factTemplate->Name();
      if (!wanted) return;
    }
    texts.push_back(fact.AsString());
  });
  return texts;
}

// --- The save text ---------------------------------------------------------------------------------------

std::string TInferenceEngine::SaveAll() {
  const std::vector<std::string> templateTexts = FactTemplateTexts(false);
  const std::string globals = Lines(GlobalVariableTexts());
  const std::string types = Lines(DefinedTypeTexts());
  const std::string templates = Lines(templateTexts);
  const std::string functions = Lines(FunctionTexts());
  const std::string rules = Lines(RuleTexts());
  const std::string sets = Lines(FactSetTexts(false));

  std::string out;
  AppendLine(out, kRule);
  AppendLine(out, "; Inference Engine v" + Format("%.4f", static_cast<double>(version_)) + " Output");
  AppendLine(out, "; Created: " + CreationTime());
  AppendLine(out, "; Number of Global Variables: " + std::to_string(globals_.Count()));
  AppendLine(out, "; Number of Defined Types:    " + std::to_string(types_.Count()));
  AppendLine(out, "; Number of Fact Templates:   " + std::to_string(templateTexts.size()));
  AppendLine(out, "; Number of Rules:            " + std::to_string(rules_.Count()));
  AppendLine(out, "; Number of Fact Sets:        " + std::to_string(factSets_.Count()));
  AppendLine(out, "; Number of Facts:            " + std::to_string(facts_.Count()));
  // The setting as it is, so that loading the text restores it.
  AppendLine(out, factDuplication_ ? "(set-fact-duplication TRUE)" : "(set-fact-duplication FALSE)");

  auto section = [&out](std::string_view title, const std::string& text, bool blankLine) {
    if (text.empty()) return;
    out += kLineEnd;
    AppendLine(out, kRule);
    AppendLine(out, title);
    if (blankLine) out += kLineEnd;
    out += text;
  };
  section("; Global Variables ", globals, true);
  section("; Defined Types ", types, true);
  section("; Fact Templates ", templates, true);
  section("; Deffunctions ", functions, false);
  section("; Rules ", rules, true);
  section("; Fact Sets ", sets, true);
  if (!facts_.IsEmpty()) {
    out += kLineEnd;
    AppendLine(out, kRule);
    AppendLine(out, "; Facts ");
    out += kLineEnd;
    AppendLine(out, "(assert");
    facts_.ForEach([&out](IFact& fact) { AppendLine(out, "    " + fact.AsString()); });
    AppendLine(out, ")");
  }
  return out;
}

// --- Loading ----------------------------------------------------------------------------------------------

void TInferenceEngine::Load(TGStream& stream) {
  TIERuleStream rules(stream, this);
  const TParserStreamScope scope(*parser_, rules);
  // A damaged file loads every construct that reads; the others are
  // reported together, each with its line.
  const TErrorHandling handling = parser_->ErrorHandling();
  parser_->SetErrorHandling(ehRaiseAllAtEnd);
  auto restore = ScopeExit([this, handling] { parser_->SetErrorHandling(handling); });
  parser_->Parse(true);
}

void TInferenceEngine::LoadFile(std::string_view fileName) {
  const TFileNesting nesting(*this, fileName);
  const std::unique_ptr<TGFileStream> file = OpenFileStream(fileName, TFileMode::OpenRead);
  Load(*file);
}

void TInferenceEngine::LoadFromText(std::string_view text) {
  Clear();
  Parse(text, true);
  Reset();
}

void TInferenceEngine::LoadDefinedTypes(TGStream& stream) {
  types_.Clear();
  Load(stream);
}

void TInferenceEngine::LoadFactTemplates(TGStream& stream) {
  templates_.Clear();
  Load(stream);
}

void TInferenceEngine::LoadFacts(TGStream& stream) {
  TIERuleStream facts(stream, this);
  const TParserStreamScope scope(*parser_, facts);
  parser_->ParseFactList();
}

void TInferenceEngine::LoadFactsFile(std::string_view fileName) {
  const std::unique_ptr<TGFileStream> file = OpenFileStream(fileName, TFileMode::OpenRead);
  LoadFacts(*file);
}

// --- Saving ------------------------------------------------------------------------------------------------

void TInferenceEngine::Save(TGStream& stream) { WriteWhole(stream, SaveAll()); }

void TInferenceEngine::SaveFile(std::string_view fileName) { ReplaceFileContents(fileName, SaveAll()); }

void TInferenceEngine::SaveDefinedTypes(TGStream& stream) { WriteWhole(stream, Lines(DefinedTypeTexts())); }

void TInferenceEngine::SaveFactTemplates(TGStream& stream) { WriteWhole(stream, Lines(FactTemplateTexts(false))); }

void TInferenceEngine::SaveFacts(TGStream& stream) { WriteWhole(stream, Lines(FactTexts({}))); }

void TInferenceEngine::SaveFactsOf(TGStream& stream, std::string_view templateName) {
  const std::string name(templateName);
  WriteWhole(stream, Lines(FactTexts({&name, 1})));
}

void TInferenceEngine::SaveFactsFile(std::string_view fileName, std::span<const std::string> templateNames) {
  ReplaceFileContents(fileName, Lines(FactTexts(templateNames)));
}

}  // namespace fxe
