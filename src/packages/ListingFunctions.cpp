// The listings: the agenda, the names of each kind of construct, the facts
// with their ranges and the texts of the rules. Each closes with its total,
// written without a line end.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "model/ConstructText.h"
#include "model/IEFacts.h"
#include "packages/MiscFunctions.h"
#include "rete/IERule.h"

namespace fxe::misc {

namespace {

// Alphabetical order: letter case ignored, ties broken by the exact text.
bool AlphabeticalLess(const std::string& a, const std::string& b) {
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                 [&](char x, char y) { return lower(x) < lower(y); });
  if (less) return true;
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                    [&](char x, char y) { return lower(x) < lower(y); });
  return !greater && a < b;
}

// The names sorted, one per line, then the closing sentence.
TRef<TIEValue> WriteNames(IInferenceEngine& engine, std::string_view logicalName, std::vector<std::string> names,
                          std::string_view total) {
  std::sort(names.begin(), names.end(), AlphabeticalLess);
  std::string text;
  for (const std::string& name : names) {
    text += name;
    text += detail::kLineEnd;
  }
  text += Format(total, static_cast<std::int32_t>(names.size()));
  engine.Output(logicalName, text);
  return nullptr;
}

template <class TTable>
std::vector<std::string> KeysOf(const TTable& table) {
  std::vector<std::string> names;
  for (const auto& entry : table) names.push_back(entry.Key());
  return names;
}

// The optional logical name at index; the standard output when absent.
std::string LogicalNameOr(TArguments& arguments, std::int32_t index) {
  return index < arguments.Count() ? arguments.Text(index) : std::string("t");
}

}  // namespace

TRef<TIEValue> Agenda(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  engine.Output("t", engine.Agenda().AsText());
  return nullptr;
}

TRef<TIEValue> ListDefRules(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  return WriteNames(engine, "t", KeysOf(engine.RuleTable()), IEConsts::STotalRuleNames);
}

TRef<TIEValue> ListDefTypes(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  return WriteNames(engine, "t", KeysOf(engine.DefinedTypeTable()), IEConsts::STotalDefTypes);
}

TRef<TIEValue> ListDefFacts(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  std::vector<std::string> names;
  for (const TFactSet* set : engine.FactSetList()) names.push_back(set->FactSetName());
  return WriteNames(engine, "t", std::move(names), IEConsts::STotalDefFacts);
}

TRef<TIEValue> ListDefFunctions(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  return WriteNames(engine, LogicalNameOr(arguments, 0), KeysOf(engine.FunctionTable()), IEConsts::STotalDefFunctions);
}

TRef<TIEValue> ListDefTemplates(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  return WriteNames(engine, "t", KeysOf(engine.FactTemplateTable()), IEConsts::STotalDefTemplates);
}

// No argument: every fact; a start: the facts from that index on; with an end
// (and a largest count, by default all) the facts in fact-list order whose
// index lies in [start, end], until the count is taken. The lines are sorted
// as text, which the zero-padded indices make the index order.
TRef<TIEValue> Facts(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::int32_t count = engine.FactCount();
  const std::int32_t start = arguments.Count() > 0 ? arguments.Integer(0) : INT32_MIN;
  const std::int32_t end = arguments.Count() > 1 ? arguments.Integer(1) : INT32_MAX;
  const std::int32_t most = arguments.Count() > 2 ? arguments.Integer(2) : count;
  std::vector<std::string> lines;
  for (std::int32_t position = 0; position < count && static_cast<std::int32_t>(lines.size()) < most; ++position) {
    const IFact& fact = engine.FactAt(position);
    if (fact.ID() >= start && fact.ID() <= end) lines.push_back(fact.AsStringWithID());
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += detail::kLineEnd;
  }
  text += Format(IEConsts::STotalFacts, static_cast<std::int32_t>(lines.size()));
  engine.Output("t", text);
  return SharedValues().True;
}

TRef<TIEValue> Rules(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string logicalName = LogicalNameOr(arguments, 0);
  std::string text;
  for (const auto& entry : engine.RuleTable()) {
    text += entry.Value()->AsString();
    text += detail::kLineEnd;
  }
  text += Format(IEConsts::STotalRules, static_cast<std::int32_t>(engine.RuleTable().Count()));
  engine.Output(logicalName, text);
  return SharedValues().True;
}

}  // namespace fxe::misc
