// The engine's stored properties as one JSON object: each setting under its
// property name when it differs from its default (those without a default
// always), each collection's table properties under "<collection>.<name>",
// and the knowledge base as lists of rule-language texts. Reading applies the
// settings, then types, templates, globals, rules, facts and fact sets.
#include <array>
#include <exception>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "engine/FileAccess.h"
#include "engine/InferenceEngine.h"

namespace fxe {

namespace {

using TJson = nlohmann::ordered_json;

// Names of enumeration values, indexed by the value. ORDER: the enumerations.
constexpr std::array<std::string_view, 2> kStrategyNames{"ssDepthFirst", "ssBreadthFirst"};
constexpr std::array<std::string_view, 5> kWatchNames{"cwActivation", "cwFact", "cwRule", "cwCompilation",
                                                      "cwStatistics"};
constexpr std::array<std::string_view, 9> kPackageNames{"pStandard",      "pPredicate", "pMath",
                                                        "pMiscellaneous", "pString",    "pObject",
                                                        "pTrigonometry",  "pBusiness",  "pFuzzyLogic"};
constexpr std::array<std::string_view, 2> kTypeCheckNames{"tcStatic", "tcDynamic"};
constexpr std::array<std::string_view, 3> kDuplicateNames{"dcOverwrite", "dcIgnore", "dcError"};
constexpr std::array<std::string_view, 2> kErrorHandlingNames{"ehRaiseImmediate", "ehRaiseAllAtEnd"};
constexpr std::array<std::string_view, 5> kInferenceNames{"fimMinMax", "fimAdditive", "fimMean", "fimProduct",
                                                          "fimBoundedSum"};
constexpr std::array<std::string_view, 2> kCorrelationNames{"fcmMinimum", "fcmProduct"};
constexpr std::array<std::string_view, 4> kHashTypeNames{"htTruncation", "htDivision", "htMidSquare", "htFolding"};

constexpr std::int32_t kStoredSymbolIndexDefault = 1;

// The names a stored engine may hold besides those of its tables.
constexpr std::array<std::string_view, 17> kPlainPropertyNames{"Packages",
                                                               "Strategy",
                                                               "SymbolIndex",
                                                               "ResetGlobals",
                                                               "Watch",
                                                               "FactDuplication",
                                                               "TypeChecks",
                                                               "DuplicateConstructs",
                                                               "ParserMaxErrors",
                                                               "ParserErrorHandling",
                                                               "FuzzyInferenceMethod",
                                                               "FuzzyCorrelationMethod",
                                                               "FuzzyAutoTerms",
                                                               "FuzzyEqualsThreshold",
                                                               "MinActivationStrength",
                                                               "FactsList",
                                                               "FactSets"};
// The tables store "<table>.<property>".
constexpr std::array<std::string_view, 4> kTableNames{"DefinedTypes", "FactTemplates", "GlobalVariables", "Rules"};
constexpr std::array<std::string_view, 3> kTablePropertyNames{"LoadFactor", "HashType", "Capacity"};
// The list property of each table, in the order of kTableNames.
constexpr std::array<std::string_view, 4> kTableListNames{"DefTypes", "Templates", "Variables", "Rules"};

[[noreturn]] void RaiseInvalid(std::string_view what) { Raise<EIEException>(IEConsts::SInvalidStoredProperties, what); }

bool IsKnownProperty(std::string_view key) {
  for (const std::string_view name : kPlainPropertyNames)
    if (key == name) return true;
  const std::size_t dot = key.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view table = key.substr(0, dot);
  const std::string_view property = key.substr(dot + 1);
  for (std::size_t i = 0; i < kTableNames.size(); ++i) {
    if (table != kTableNames[i]) continue;
    if (property == kTableListNames[i]) return true;
    for (const std::string_view name : kTablePropertyNames)
      if (property == name) return true;
  }
  return false;
}

// The failures of a load that reads on after each: one is raised as it was,
// several together.
class TLoadErrors {
 public:
  template <class TAction>
  void Try(TAction action) {
    try {
      action();
    } catch (const EIEException& error) {
      if (messages_.empty()) first_ = std::current_exception();
      messages_.emplace_back(error.what());
    }
  }
  void RaiseAny() const {
    if (messages_.empty()) return;
    if (messages_.size() == 1) std::rethrow_exception(first_);
    std::string all;
    for (const std::string& message : messages_) {
      all += message;
      all += "\r\n";
    }
    Raise<EIEException>(IEConsts::SStoredPropertiesErrors, all);
  }

 private:
  std::vector<std::string> messages_;
  std::exception_ptr first_;
};

// --- Reading values of the expected kinds ---------------------------------------------------------

const TJson* Member(const TJson& object, std::string_view key) {
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

template <std::size_t N>
std::size_t EnumValue(const TJson& value, const std::array<std::string_view, N>& names, std::string_view key) {
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    for (std::size_t i = 0; i < N; ++i) {
      if (names[i] == text) return i;
    }
  }
  RaiseInvalid(std::string(key) + " must be one of its value names");
}

template <std::size_t N>
std::uint64_t SetMask(const TJson& value, const std::array<std::string_view, N>& names, std::string_view key) {
  if (!value.is_array()) RaiseInvalid(std::string(key) + " must be a list of value names");
  std::uint64_t mask = 0;
  for (const TJson& item : value) mask |= std::uint64_t{1} << EnumValue(item, names, key);
  return mask;
}

bool BooleanValue(const TJson& value, std::string_view key) {
  if (!value.is_boolean()) RaiseInvalid(std::string(key) + " must be true or false");
  return value.get<bool>();
}

double NumberValue(const TJson& value, std::string_view key) {
  if (!value.is_number()) RaiseInvalid(std::string(key) + " must be a number");
  return value.get<double>();
}

std::int64_t IntegerValue(const TJson& value, std::string_view key, std::int64_t low, std::int64_t high) {
  if (value.is_number_integer()) {
    const std::int64_t number =
        value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)
            ? INT64_MAX
            : value.get<std::int64_t>();
    if (number >= low && number <= high) return number;
  }
  RaiseInvalid(std::string(key) + " must be an integer from " + std::to_string(low) + " to " + std::to_string(high));
}

std::vector<std::string> TextList(const TJson& value, std::string_view key) {
  if (!value.is_array()) RaiseInvalid(std::string(key) + " must be a list of texts");
  std::vector<std::string> texts;
  texts.reserve(value.size());
  for (const TJson& item : value) {
    if (!item.is_string()) RaiseInvalid(std::string(key) + " must be a list of texts");
    texts.push_back(item.get<std::string>());
  }
  return texts;
}

template <std::size_t N>
TJson SetNames(std::uint64_t mask, const std::array<std::string_view, N>& names) {
  TJson list = TJson::array();
  for (std::size_t i = 0; i < N; ++i) {
    if (mask & (std::uint64_t{1} << i)) list.push_back(names[i]);
  }
  return list;
}

// --- The table properties of a collection ------------------------------------------------------------

template <class TTable>
void WriteTable(TJson& out, std::string_view collection, const TTable& table) {
  const std::string prefix = std::string(collection) + ".";
  if (table.Capacity() != TTable::kDefaultCapacity) out[prefix + "Capacity"] = table.Capacity();
  if (table.HashType() != htDivision) out[prefix + "HashType"] = kHashTypeNames[table.HashType()];
  out[prefix + "LoadFactor"] = table.LoadFactor();
}

template <class TTable>
void ReadTable(const TJson& in, std::string_view collection, TTable& table) {
  const std::string prefix = std::string(collection) + ".";
  if (const TJson* value = Member(in, prefix + "LoadFactor"))
    table.SetLoadFactor(static_cast<float>(NumberValue(*value, prefix + "LoadFactor")));
  if (const TJson* value = Member(in, prefix + "HashType"))
    table.SetHashType(static_cast<TGHashType>(EnumValue(*value, kHashTypeNames, prefix + "HashType")));
  if (const TJson* value = Member(in, prefix + "Capacity"))
    table.SetCapacity(static_cast<std::uint32_t>(IntegerValue(*value, prefix + "Capacity", 1, 1 << 30)));
}

TJson TextsOf(const std::vector<std::string>& texts) {
  TJson list = TJson::array();
  for (const std::string& text : texts) list.push_back(text);
  return list;
}

}  // namespace

std::string TInferenceEngine::SaveProperties() {
  TJson out = TJson::object();
  if (Strategy() != ssDepthFirst) out["Strategy"] = kStrategyNames[Strategy()];
  if (symbolIndex_ != kStoredSymbolIndexDefault) out["SymbolIndex"] = symbolIndex_;
  if (!resetGlobals_) out["ResetGlobals"] = resetGlobals_;
  out["Watch"] = SetNames(watch_.Mask(), kWatchNames);
  if (packages_ != AllFunctionPackages) out["Packages"] = SetNames(packages_.Mask(), kPackageNames);
  if (factDuplication_) out["FactDuplication"] = factDuplication_;
  if (typeChecks_ != TTypeChecks{tcStatic}) out["TypeChecks"] = SetNames(typeChecks_.Mask(), kTypeCheckNames);
  if (duplicateConstructs_ != dcOverwrite) out["DuplicateConstructs"] = kDuplicateNames[duplicateConstructs_];
  if (parserMaxErrors_ != 10) out["ParserMaxErrors"] = parserMaxErrors_;
  if (parserErrorHandling_ != ehRaiseImmediate) out["ParserErrorHandling"] = kErrorHandlingNames[parserErrorHandling_];
  if (inferenceMethod_ != fimMinMax) out["FuzzyInferenceMethod"] = kInferenceNames[inferenceMethod_];
  if (correlationMethod_ != fcmMinimum) out["FuzzyCorrelationMethod"] = kCorrelationNames[correlationMethod_];
  if (!fuzzyAutoTerms_) out["FuzzyAutoTerms"] = fuzzyAutoTerms_;
  out["FuzzyEqualsThreshold"] = equalsThreshold_;
  out["MinActivationStrength"] = minActivationStrength_;

  WriteTable(out, "DefinedTypes", types_);
  if (!types_.IsEmpty()) out["DefinedTypes.DefTypes"] = TextsOf(DefinedTypeTexts());
  WriteTable(out, "FactTemplates", templates_);
  // Every template, the implied ones too: reading skips those the engine has.
  if (!templates_.IsEmpty()) out["FactTemplates.Templates"] = TextsOf(FactTemplateTexts(true));
  WriteTable(out, "GlobalVariables", globals_);
  if (!globals_.IsEmpty()) out["GlobalVariables.Variables"] = TextsOf(GlobalVariableTexts());
  WriteTable(out, "Rules", rules_);
  if (!rules_.IsEmpty()) out["Rules.Rules"] = TextsOf(RuleTexts());
  if (!facts_.IsEmpty()) out["FactsList"] = TextsOf(FactTexts({}));
  const std::vector<std::string> sets = FactSetTexts(true);
  if (!sets.empty()) out["FactSets"] = TextsOf(sets);
  try {
    return out.dump(2);
  } catch (const TJson::exception& error) {
    // A name or text holding bytes that are not UTF-8: refused rather than
    // stored altered.
    Raise<EIEException>(IEConsts::SCannotStoreProperties, error.what());
  }
}

void TInferenceEngine::LoadProperties(std::string_view json) {
  TJson in;
  try {
    in = TJson::parse(json.begin(), json.end());
  } catch (const TJson::exception& error) {
    RaiseInvalid(error.what());
  }
  if (!in.is_object()) RaiseInvalid("the document must be an object");
  // A name this engine does not know is refused before anything is read, so
  // that a misspelt or foreign property is never dropped unnoticed and a
  // refused document leaves the engine as it was.
  for (const auto& item : in.items()) {
    if (!IsKnownProperty(item.key())) Raise<EIEException>(IEConsts::SUnknownStoredProperty, item.key());
  }

  // A damaged entry does not stop the others: each is read on its own, and
  // what failed is reported together at the end.
  TLoadErrors errors;
  errors.Try([&] {
    if (const TJson* value = Member(in, "Packages"))
      SetPackages(TFunctionPackages::FromMask(SetMask(*value, kPackageNames, "Packages")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "Strategy"))
      SetStrategy(static_cast<TSearchStrategy>(EnumValue(*value, kStrategyNames, "Strategy")));
  });
  errors.Try([&] {
    // Stored without it when it held the default.
    SetSymbolIndex(Member(in, "SymbolIndex")
                       ? static_cast<std::int32_t>(IntegerValue(*Member(in, "SymbolIndex"), "SymbolIndex", 0, INT32_MAX))
                       : kStoredSymbolIndexDefault);
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "ResetGlobals")) SetResetGlobals(BooleanValue(*value, "ResetGlobals"));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "Watch"))
      SetWatch(TConstructWatches::FromMask(SetMask(*value, kWatchNames, "Watch")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "FactDuplication")) SetFactDuplication(BooleanValue(*value, "FactDuplication"));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "TypeChecks"))
      SetTypeChecks(TTypeChecks::FromMask(SetMask(*value, kTypeCheckNames, "TypeChecks")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "DuplicateConstructs"))
      SetDuplicateConstructs(
          static_cast<TDuplicateConstructs>(EnumValue(*value, kDuplicateNames, "DuplicateConstructs")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "ParserMaxErrors"))
      SetParserMaxErrors(static_cast<std::uint32_t>(IntegerValue(*value, "ParserMaxErrors", 0, UINT32_MAX)));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "ParserErrorHandling"))
      SetParserErrorHandling(
          static_cast<TErrorHandling>(EnumValue(*value, kErrorHandlingNames, "ParserErrorHandling")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "FuzzyInferenceMethod"))
      SetFuzzyInferenceMethod(
          static_cast<TFuzzyInferenceMethod>(EnumValue(*value, kInferenceNames, "FuzzyInferenceMethod")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "FuzzyCorrelationMethod"))
      SetFuzzyCorrelationMethod(
          static_cast<TFuzzyCorrelationMethod>(EnumValue(*value, kCorrelationNames, "FuzzyCorrelationMethod")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "FuzzyAutoTerms")) SetFuzzyAutoTerms(BooleanValue(*value, "FuzzyAutoTerms"));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "FuzzyEqualsThreshold"))
      SetFuzzyEqualsThreshold(static_cast<float>(NumberValue(*value, "FuzzyEqualsThreshold")));
  });
  errors.Try([&] {
    if (const TJson* value = Member(in, "MinActivationStrength"))
      SetMinActivationStrength(static_cast<float>(NumberValue(*value, "MinActivationStrength")));
  });

  // The construct lists: every text is read on its own.
  const auto texts = [&](std::string_view key) {
    std::vector<std::string> list;
    errors.Try([&] {
      if (const TJson* value = Member(in, key)) list = TextList(*value, key);
    });
    return list;
  };
  errors.Try([&] { ReadTable(in, "DefinedTypes", types_); });
  if (Member(in, "DefinedTypes.DefTypes")) {
    const std::vector<std::string> list = texts("DefinedTypes.DefTypes");
    types_.Clear();
    for (const std::string& text : list) {
      errors.Try([&] {
        if (TRef<IIEDefinedType> type = ParseDefinedType(text)) AddDefinedType(std::move(type));
      });
    }
  }
  errors.Try([&] { ReadTable(in, "FactTemplates", templates_); });
  if (Member(in, "FactTemplates.Templates")) {
    const std::vector<std::string> list = texts("FactTemplates.Templates");
    // The implied templates stay: the initial fact and the rules' initial
    // pattern are built on them.
    std::vector<std::string> names;
    for (const auto& entry : templates_) {
      if (entry.Value()->Comment() != ImpliedTemplateComment) names.push_back(entry.Key());
    }
    for (const std::string& name : names) templates_.Remove(name);
    for (const std::string& text : list) {
      errors.Try([&] {
        TRef<IFactTemplate> factTemplate = ParseFactTemplate(text);
        if (!factTemplate) return;
        const TRef<IFactTemplate> present = FindFactTemplate(factTemplate->Name());
        if (present && present->Comment() == ImpliedTemplateComment) return;
        AddFactTemplate(std::move(factTemplate));
      });
    }
  }
  errors.Try([&] { ReadTable(in, "GlobalVariables", globals_); });
  for (const std::string& text : texts("GlobalVariables.Variables")) errors.Try([&] { ParseGlobal(text); });
  errors.Try([&] { ReadTable(in, "Rules", rules_); });
  for (const std::string& text : texts("Rules.Rules")) {
    errors.Try([&] {
      if (std::unique_ptr<TRule> rule = ParseRule(text)) AddRule(std::move(rule));
    });
  }
  for (const std::string& text : texts("FactsList")) errors.Try([&] { AssertString(text); });
  for (const std::string& text : texts("FactSets")) {
    errors.Try([&] {
      if (std::unique_ptr<TFactSet> set = ParseFactSet(text)) AdoptFactSet(std::move(set));
    });
  }
  errors.RaiseAny();
}

void TInferenceEngine::SavePropertiesFile(std::string_view fileName) {
  ReplaceFileContents(fileName, SaveProperties());
}

void TInferenceEngine::LoadPropertiesFile(std::string_view fileName) {
  const std::unique_ptr<TGFileStream> file = OpenFileStream(fileName, TFileMode::OpenRead);
  std::string text;
  char buffer[8192];
  for (std::size_t got = file->Read(buffer, sizeof buffer); got > 0; got = file->Read(buffer, sizeof buffer))
    text.append(buffer, got);
  LoadProperties(text);
}

}  // namespace fxe
