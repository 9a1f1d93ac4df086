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

std::string TInferenceEngine::GlobalVariablesText() const {
  std::string text;
  for (const auto& entry : globals_) {
    const std::pair<std::string, TRef<TIEValue>> global(entry.Key(), entry.Value());
    AppendLine(text, parser_->FormatGlobalVariables({&global, 1}));
  }
  return text;
}

std::string TInferenceEngine::DefinedTypesText() const {
  std::string text;
  const auto order = ParentsFirst(
      types_, [](const IIEDefinedType& type) { return type.Ancestor(); }, IEConsts::SDefinedTypesInheritanceCorrupted);
  for (const IIEDefinedType* type : order) AppendLine(text, type->AsString());
  return text;
}

// The implied templates are left out: the engine makes them itself.
std::string TInferenceEngine::FactTemplatesText() const {
  std::string text;
  const auto order = ParentsFirst(
      templates_, [](const IFactTemplate& factTemplate) { return factTemplate.Parent(); },
      IEConsts::SFactTemplatesInheritanceCorrupted);
  for (const IFactTemplate* factTemplate : order) {
    if (!IsImplied(*factTemplate)) AppendLine(text, factTemplate->AsString());
  }
  return text;
}

std::string TInferenceEngine::FunctionsText() const {
  std::string text;
  for (const auto& entry : functions_) {
    if (dynamic_cast<const TInterpretedFunction*>(entry.Value().Get()))
      AppendLine(text, parser_->FormatFunction(*entry.Value()));
  }
  return text;
}

std::string TInferenceEngine::RulesText() const {
  std::string text;
  for (const auto& entry : rules_) AppendLine(text, entry.Value()->AsString());
  return text;
}

std::string TInferenceEngine::FactsText(std::span<const std::string> templateNames) const {
  std::string text;
  facts_.ForEach([&](IFact& fact) {
    if (!templateNames.empty()) {
      const IFactTemplate* factTemplate = fact.Template();
      if (!factTemplate) return;
      bool wanted = false;
      for (const std::string& name : templateNames) wanted = wanted || name == factTemplate->Name();
      if (!wanted) return;
    }
    AppendLine(text, fact.AsString());
  });
  return text;
}

// --- The save text ---------------------------------------------------------------------------------------

std::string TInferenceEngine::SaveAll() {
  const std::string globals = GlobalVariablesText();
  const std::string types = DefinedTypesText();
  const std::string templates = FactTemplatesText();
  const std::string functions = FunctionsText();
  const std::string rules = RulesText();
  const std::string sets = factSets_.AsString();
  std::int32_t templateCount = 0;
  for (const auto& entry : templates_) templateCount += IsImplied(*entry.Value()) ? 0 : 1;

  std::string out;
  AppendLine(out, kRule);
  AppendLine(out, "; Inference Engine v" + Format("%.4f", static_cast<double>(version_)) + " Output");
  AppendLine(out, "; Created: " + CreationTime());
  AppendLine(out, "; Number of Global Variables: " + std::to_string(globals_.Count()));
  AppendLine(out, "; Number of Defined Types:    " + std::to_string(types_.Count()));
  AppendLine(out, "; Number of Fact Templates:   " + std::to_string(templateCount));
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
  parser_->Parse(true);
}

void TInferenceEngine::LoadFile(std::string_view fileName) {
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

void TInferenceEngine::SaveDefinedTypes(TGStream& stream) { WriteWhole(stream, DefinedTypesText()); }

void TInferenceEngine::SaveFactTemplates(TGStream& stream) { WriteWhole(stream, FactTemplatesText()); }

void TInferenceEngine::SaveFacts(TGStream& stream) { WriteWhole(stream, FactsText({})); }

void TInferenceEngine::SaveFactsOf(TGStream& stream, std::string_view templateName) {
  const std::string name(templateName);
  WriteWhole(stream, FactsText({&name, 1}));
}

void TInferenceEngine::SaveFactsFile(std::string_view fileName, std::span<const std::string> templateNames) {
  ReplaceFileContents(fileName, FactsText(templateNames));
}

}  // namespace fxe
