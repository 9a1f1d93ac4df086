// The grammar of the definition constructs: deftype (with the fuzzy variable
// section and its terms), deftemplate and its slots, deffacts, defglobal and
// deffunction.
#include <array>
#include <cmath>

#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/TextUtils.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEContext.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IReasoner.h"
#include "parser/IERuleParser.h"
#include "parser/ParserTokens.h"

namespace fxe {

using detail::EqualsIgnoreCase;
using detail::IsSymbol;
using detail::IsValueToken;
using detail::UnitsText;
using detail::ValueText;

namespace {

constexpr std::string_view kParseDefinedType = "ParseDefinedType";
constexpr std::string_view kParseSlotTypes = "ParseSlotTypes";
constexpr std::string_view kParseFuzzyVariable = "ParseFuzzyVariable";
constexpr std::string_view kParseFuzzySet = "ParseFuzzySet";
constexpr std::string_view kParseFactTemplate = "ParseFactTemplate";
constexpr std::string_view kParseFactTemplateSlot = "ParseFactTemplateSlot";
constexpr std::string_view kParseFactSet = "ParseFactSet";
constexpr std::string_view kParseGlobalVariables = "ParseGlobalVariables";
constexpr std::string_view kParseVariable = "ParseVariable";
constexpr std::string_view kParseFunction = "ParseFunction";

// The name a slot's private type has, as every type made for one slot.
constexpr std::string_view kImplicitTypeName = "implicit";

struct TSlotTypeKeyword {
  std::string_view name;
  TIETypes types;
};

// The kind keywords of a type clause (upper case only).
constexpr std::array<TSlotTypeKeyword, 15> kSlotTypeKeywords{{
    {"SYMBOL", TIETypes{dtAtom}},
    {"ATOM", TIETypes{dtAtom}},
    {"STRING", TIETypes{dtString}},
    {"LEXEME", TIETypes{dtAtom, dtString}},
    {"INTEGER", TIETypes{dtInteger}},
    {"FLOAT", TIETypes{dtFloat}},
    {"NUMBER", TIETypes{dtInteger, dtFloat}},
    {"FACTID", TIETypes{dtInteger, dtFactId}},
    {"FACT", TIETypes{dtFact}},
    {"CLASS", TIETypes{dtInteger, dtClass}},
    {"DESCRIPTOR", TIETypes{dtInteger, dtDescriptor}},
    {"OBJECT", TIETypes{dtInteger, dtObject}},
    {"EXTERNALADDRESS", TIETypes{dtInteger, dtExternalAddress}},
    {"FUZZY", TIETypes{dtFuzzy}},
    {"?VARIABLE", DefaultBaseTypes},
}};

// How the items of an allowed-values clause are converted before they are added.
enum class EAllowedConversion : std::uint8_t { None, Lexeme, String, Symbol, Number, Integer, Float };

struct TAllowedKeyword {
  std::string_view name;
  TValueConstraints constraints;
  EAllowedConversion conversion;
};

constexpr std::array<TAllowedKeyword, 7> kAllowedKeywords{{
    {"allowed-values", TValueConstraints{vcAtom, vcString, vcInteger, vcFloat}, EAllowedConversion::None},
    {"allowed-lexemes", TValueConstraints{vcAtom, vcString}, EAllowedConversion::Lexeme},
    {"allowed-strings", TValueConstraints{vcString}, EAllowedConversion::String},
    {"allowed-symbols", TValueConstraints{vcAtom}, EAllowedConversion::Symbol},
    {"allowed-numbers", TValueConstraints{vcInteger, vcFloat}, EAllowedConversion::Number},
    {"allowed-integers", TValueConstraints{vcInteger}, EAllowedConversion::Integer},
    {"allowed-floats", TValueConstraints{vcFloat}, EAllowedConversion::Float},
}};

TRef<TIEValue> ConvertAllowed(TRef<TIEValue> value, EAllowedConversion conversion) {
  const TIEType kind = value->DType();
  switch (conversion) {
    case EAllowedConversion::None:
      return value;
    case EAllowedConversion::Lexeme:
      return kind == dtAtom || kind == dtString ? value : NewString(ValueText(*value));
    case EAllowedConversion::String:
      return kind == dtString ? value : NewString(ValueText(*value));
    case EAllowedConversion::Symbol:
      return kind == dtAtom ? value : NewAtom(ValueText(*value));
    case EAllowedConversion::Number:
      return kind == dtInteger || kind == dtFloat ? value : NewInteger(value->AsInteger());
    case EAllowedConversion::Integer:
      return kind == dtInteger ? value : NewInteger(value->AsInteger());
    case EAllowedConversion::Float:
      return kind == dtFloat ? value : NewFloat(value->AsFloat());
  }
  return value;
}

bool IsFuzzyType(const IIEDefinedType* type) noexcept { return type && type->BaseTypes().Contains(dtFuzzy); }

}  // namespace

// --- deftype --------------------------------------------------------------------------

TRef<IIEDefinedType> TIERuleParser::ParseDefinedType() {
  IReasoner& engine = Engine("read a deftype");
  const THeader header = ParseHeader(IEConsts::SExpectedDeftype, kParseDefinedType, "deftype", true);
  auto type = MakeRef<TIEDefinedType>(&engine);
  type->SetName(header.name);
  type->SetComment(header.comment);

  if (!IsSymbol(*header.next, "extends")) ParseError(kParseDefinedType, Format(IEConsts::SMissingKeyword, "extends"));
  Expect(tkOpenParen, kParseDefinedType, IEConsts::SExpectedOpenParen);
  if (!IsSymbol(*Next(), "type")) ParseError(kParseDefinedType, Format(IEConsts::SMissingKeyword, "type"));
  auto [types, base] = ParseSlotTypes();
  if (base) {
    // The base's constraints are the starting point; the name and comment stay this type's.
    type->Assign(*base);
    type->SetAncestor(base);
    types |= base->BaseTypes();
  }
  type->SetBaseTypes(types);
  type->SetName(header.name);
  type->SetComment(header.comment);
  Expect(tkCloseParen, kParseDefinedType, IEConsts::SExpectedCloseParen);

  if (types.Contains(dtFuzzy)) {
    type->SetFuzzyVariable(ParseFuzzyVariable(header.name));
  } else {
    while (Peek()->DataType() == tkOpenParen) {
      Next();
      TRef<TIEStreamToken> clause = Next();
      if (IsSymbol(*clause, "range")) {
        ApplyRange(*type, ParseBounds("range", EBoundContext::DefinedType));
      } else if (IsSymbol(*clause, "cardinality")) {
        ApplyCardinality(*type, ParseBounds("cardinality", EBoundContext::DefinedType));
      } else if (IsSymbol(*clause, "units")) {
        type->SetUnits(ParseUnits(kParseDefinedType));
      } else {
        PushBack(std::move(clause));
        ParseAllowedValues(*type, false);
      }
    }
  }
  Expect(tkCloseParen, kParseDefinedType, IEConsts::SExpectedCloseParen);
  if (onParseDefinedType_) onParseDefinedType_(*this, *type);
  return type;
}

std::pair<TIETypes, TRef<IIEDefinedType>> TIERuleParser::ParseSlotTypes() {
  IReasoner& engine = Engine("read a type clause");
  TIETypes types;
  TRef<IIEDefinedType> base;
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) {
      PushBack(std::move(token));
      break;
    }
    if (token->DataType() != dtAtom && token->DataType() != dtVariable)
      ParseError(kParseSlotTypes, Format(IEConsts::SInvalidSlotTypeName, token->AsText()));
    const std::string keyword = token->AsText();
    const auto found = std::find_if(kSlotTypeKeywords.begin(), kSlotTypeKeywords.end(),
                                    [&keyword](const TSlotTypeKeyword& k) { return k.name == keyword; });
    if (found != kSlotTypeKeywords.end()) {
      if (token->DataType() == dtVariable) {
        types = found->types;
      } else {
        types |= found->types;
      }
      continue;
    }
    const std::string name = ValueText(*token->Value(&engine.EngineContext()));
    TRef<IIEDefinedType> named = engine.FindDefinedType(name);
    if (!named) ParseError(kParseSlotTypes, Format(IEConsts::SInvalidSlotTypeName, token->AsText()));
    if (base) ParseError(kParseSlotTypes, IEConsts::SMultipleInheritance);
    base = std::move(named);
    types |= base->BaseTypes();
  }
  if (types.Contains(dtFuzzy) && types != TIETypes{dtFuzzy}) ParseError(kParseSlotTypes, IEConsts::SCannotMixFuzzy);
  return {types, std::move(base)};
}

TRef<TIEValue> TIERuleParser::ParseBound(std::string_view boundName, EBoundContext context, bool high) {
  TRef<TIEStreamToken> token = Next();
  switch (token->DataType()) {
    case dtInteger:
    case dtFloat:
      return token->Value();
    case tkOpenParen:
      PushBack(std::move(token));
      return ParseCallValue(true);
    case dtVariable:
      if (context == EBoundContext::FuzzyVariable) ParseError(kParseDefinedType, IEConsts::SExpectedValueMissing);
      if (token->Text() == "VARIABLE") return nullptr;
      return token->Value(&Engine("read a bound").EngineContext());
    default:
      break;
  }
  if (!high) ParseError(kParseDefinedType, Format(IEConsts::SExpectedBound, boundName));
  // Anything else leaves the high bound open; the closing parenthesis that
  // must follow reports it.
  PushBack(std::move(token));
  return nullptr;
}

TIERuleParser::TBound TIERuleParser::ParseBounds(std::string_view boundName, EBoundContext context) {
  TBound bound;
  bound.low = ParseBound(boundName, context, false);
  bound.high = ParseBound(boundName, context, true);
  Expect(tkCloseParen, kParseDefinedType, IEConsts::SExpectedCloseParen);
  return bound;
}

void TIERuleParser::ApplyRange(IIEDefinedType& type, const TBound& bound) {
  const double low = bound.low ? bound.low->AsNumeric() : UnboundedMinRange;
  const double high = bound.high ? bound.high->AsNumeric() : UnboundedMaxRange;
  type.SetRangeLimited(true);
  type.SetMinRange(low);
  type.SetMaxRange(high);
}

void TIERuleParser::ApplyCardinality(IIEDefinedType& type, const TBound& bound) {
  const std::int32_t low = bound.low ? bound.low->AsInteger() : 0;
  const std::int32_t high = bound.high ? bound.high->AsInteger() : UnboundedMaxCardinality;
  type.SetCardinalityLimited(true);
  type.SetMinCardinality(low);
  type.SetMaxCardinality(high);
}

std::string TIERuleParser::ParseUnits(std::string_view operation) {
  std::string units = UnitsText(*Next());
  Expect(tkCloseParen, operation, IEConsts::SExpectedCloseParen);
  return units;
}

void TIERuleParser::ParseAllowedValues(IIEDefinedType& type, bool ignoreCase) {
  IReasoner& engine = Engine("read allowed values");
  TRef<TIEStreamToken> keyword = Next();
  const TAllowedKeyword* found = nullptr;
  if (keyword->DataType() == dtAtom) {
    for (const TAllowedKeyword& candidate : kAllowedKeywords) {
      if (ignoreCase ? EqualsIgnoreCase(candidate.name, keyword->Text()) : candidate.name == keyword->Text()) {
        found = &candidate;
        break;
      }
    }
  }
  if (!found) {
    const std::string text = keyword->Text().empty() ? keyword->AsText() : keyword->Text();
    ParseError(kParseDefinedType, Format(IEConsts::SExpectedAllowedValue, text));
  }
  type.SetConstraints(type.Constraints() | found->constraints);
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) break;
    if (token->DataType() == tkEndOfInput) ParseError(kParseDefinedType, IEConsts::SExpectedCloseParen);
    TRef<TIEValue> value;
    if (token->DataType() == tkOpenParen) {
      PushBack(std::move(token));
      value = ParseCallValue(true);
    } else {
      value = token->Value(&engine.EngineContext());
    }
    type.AddAllowedValue(*ConvertAllowed(std::move(value), found->conversion));
  }
}

TRef<IFuzzyVariable> TIERuleParser::ParseFuzzyVariable(std::string_view name) {
  IReasoner& engine = Engine("read a fuzzy type");
  auto variable = MakeRef<TIEFuzzyVariable>(name);
  variable->SetParser(engine.FuzzyParser());
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) {
      PushBack(std::move(token));
      break;
    }
    if (token->DataType() != tkOpenParen) ParseError(kParseFuzzyVariable, IEConsts::SExpectedOpenParen);
    TRef<TIEStreamToken> clause = Next();
    if (IsSymbol(*clause, "range")) {
      const TBound bound = ParseBounds("range", EBoundContext::FuzzyVariable);
      // The bounds are applied so that neither drags the other along.
      const double low = bound.low ? bound.low->AsNumeric() : variable->Minimum();
      const double high = bound.high ? bound.high->AsNumeric() : variable->Maximum();
      if (low > variable->Maximum()) {
        variable->SetMaximum(high);
        variable->SetMinimum(low);
      } else {
        variable->SetMinimum(low);
        variable->SetMaximum(high);
      }
    } else if (IsSymbol(*clause, "units")) {
      variable->SetUnits(ParseUnits(kParseFuzzyVariable));
    } else if (IsSymbol(*clause, "values")) {
      while (Peek()->DataType() == tkOpenParen) ParseFuzzySet(*variable);
      Expect(tkCloseParen, kParseFuzzyVariable, IEConsts::SExpectedCloseParen);
    } else {
      ParseError(kParseFuzzyVariable, Format(IEConsts::SMissingKeyword, "range, units, or values"));
    }
  }
  if (onParseFuzzyVariable_) onParseFuzzyVariable_(*this, *variable);
  return variable;
}

TRef<IFuzzySet> TIERuleParser::ParseFuzzySet(IFuzzyVariable& variable) {
  IReasoner& engine = Engine("read a fuzzy term");
  const THeader header = ParseHeader(IEConsts::SExpectedTerm, kParseFuzzySet, "term", false);
  TRef<TIEValue> value = ParseValue();
  if (!value) ParseError(kParseFuzzySet, IEConsts::SExpectedValueMissing);
  TRef<TIEValue> result = EvaluateGlobal(value);
  if (result->DType() != dtFuzzy) result = engine.LinguisticToFuzzy(variable, *result, nullptr);
  if (!result || result->DType() != dtFuzzy)
    ParseError(kParseFuzzySet, Format(FuzzyConsts::SInvalidFuzzyExpression, value->AsText()));
  TRef<IFuzzySet> set = result->AsFuzzy();
  // Terms and sets of other variables are copied: they stay as they are.
  if (set->IsTerm() || (set->Variable() && set->Variable() != &variable)) set = set->Clone();
  if (set->Variable() != &variable) set->SetVariable(&variable);
  // The name goes first: a reserved word is refused before a term is made.
  set->SetName(header.name);
  TRef<IFuzzySet> term = variable.CreateTerm(header.name);
  term->Assign(*set);
  term->SetFuzzyParser(engine.FuzzyParser());
  Expect(tkCloseParen, kParseFuzzySet, IEConsts::SExpectedCloseParen);
  if (onParseFuzzySet_) onParseFuzzySet_(*this, *term);
  return term;
}

// --- deftemplate ------------------------------------------------------------------------

TRef<IFactTemplate> TIERuleParser::ParseFactTemplate() {
  IReasoner& engine = Engine("read a deftemplate");
  const THeader header = ParseHeader(IEConsts::SExpectedDeftemplate, kParseFactTemplate, "deftemplate", true);
  TRef<TIEStreamToken> token = header.next;
  TRef<IFactTemplate> parent;
  TRef<IIEDefinedType> isA;
  if (token->DataType() == dtAtom) {
    if (token->Text() == "extends") {
      TRef<TIEStreamToken> name = Next();
      if (name->DataType() != dtAtom) ParseError(kParseFactTemplate, IEConsts::SMissingParentTemplate);
      parent = engine.FindFactTemplate(name->Text());
    } else if (token->Text() == "is-a") {
      TRef<TIEStreamToken> name = Next();
      if (name->DataType() != dtAtom) ParseError(kParseFactTemplate, IEConsts::SMissingTemplateType);
      isA = engine.FindDefinedType(name->Text());
      if (!isA) ParseError(kParseFactTemplate, Format(IEConsts::STypeNameUnknown, name->Text()));
    } else {
      ParseError(kParseFactTemplate, IEConsts::SExpectedTemplateClause);
    }
    token = Next();
  }

  auto factTemplate = MakeRef<TFactTemplate>(&engine, header.name);
  if (parent) {
    // A template that extends another starts as a copy of it.
    factTemplate->Assign(*parent);
    factTemplate->SetName(header.name);
    factTemplate->SetParent(parent->Owner() == &engine ? parent : nullptr);
  }
  factTemplate->SetComment(header.comment);
  if (isA) {
    factTemplate->AddMultiSlot(ImpliedSlotName, SharedValues().EmptyList);
    factTemplate->GetSlot(ImpliedSlotName).SetExtendedTypeInfo(isA);
  } else {
    while (token->DataType() == tkOpenParen) {
      PushBack(std::move(token));
      ParseFactTemplateSlot(factTemplate.Get());
      token = Next();
    }
  }
  if (token->DataType() != tkCloseParen) ParseError(kParseFactTemplate, IEConsts::SExpectedCloseParen);
  if (onParseFactTemplate_) onParseFactTemplate_(*this, *factTemplate);
  return factTemplate;
}

TRef<IFactSlot> TIERuleParser::ParseFactTemplateSlot(TFactTemplate* owner) {
  IReasoner& engine = Engine("read a slot");
  const TSharedValues& shared = SharedValues();
  Expect(tkOpenParen, kParseFactTemplateSlot, IEConsts::SExpectedOpenParen);
  TRef<TIEStreamToken> kind = Next();
  bool multi = false;
  if (IsSymbol(*kind, "multislot")) {
    multi = true;
  } else if (!IsSymbol(*kind, "slot") && !IsSymbol(*kind, "field")) {
    ParseError(kParseFactTemplateSlot, Format(IEConsts::SInvalidSlotTypeName, kind->AsText()));
  }
  TIETypes types = DefaultBaseTypes;
  if (multi) types |= MultiSlotMarker;
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(kParseFactTemplateSlot, Format(IEConsts::SBadSlotName, name->AsText()));
  auto slot = MakeRef<TFactSlot>(owner);
  slot->SetName(name->Text());

  TRef<TIEValue> defaultValue;
  bool dynamic = false;
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) break;
    if (token->DataType() != tkOpenParen) ParseError(kParseFactTemplate, IEConsts::SExpectedCloseParen);
    TRef<TIEStreamToken> qualifier = Next();
    if (qualifier->DataType() != dtAtom)
      ParseError(kParseFactTemplateSlot, Format(IEConsts::SInvalidSlotQualifier, qualifier->AsText()));
    const std::string_view word = qualifier->Text();
    if (EqualsIgnoreCase(word, "default") || EqualsIgnoreCase(word, "default-dynamic")) {
      dynamic = EqualsIgnoreCase(word, "default-dynamic");
      TRef<TIEValue> value = multi ? NewList(ParseList()) : ParseValue(types, slot->ExtendedTypeInfo(), slot->Name());
      defaultValue = dynamic ? std::move(value) : EvaluateGlobal(value);
      Expect(tkCloseParen, kParseFactTemplateSlot, IEConsts::SExpectedCloseParen);
    } else if (EqualsIgnoreCase(word, "type")) {
      auto [parsed, base] = ParseSlotTypes();
      types = parsed | (types & MultiSlotMarker);
      if (base) slot->SetExtendedTypeInfo(base);
      Expect(tkCloseParen, kParseFactTemplateSlot, IEConsts::SExpectedCloseParen);
    } else {
      const bool isRange = EqualsIgnoreCase(word, "range");
      const bool isCardinality = EqualsIgnoreCase(word, "cardinality");
      const bool isUnits = EqualsIgnoreCase(word, "units");
      const bool isAllowed = word.size() >= 8 && EqualsIgnoreCase(word.substr(0, 8), "allowed-");
      if (!isRange && !isCardinality && !isUnits && !isAllowed)
        ParseError(kParseFactTemplateSlot, Format(IEConsts::SInvalidSlotQualifier, qualifier->AsText()));
      IIEDefinedType* current = slot->ExtendedTypeInfo();
      if (!isCardinality && IsFuzzyType(current)) ParseError(kParseFactTemplateSlot, IEConsts::SFuzzyTypeModification);
      // The constraints go into a type of the slot's own, so that a named
      // type the slot uses stays as it is.
      IIEDefinedType* own = current;
      if (!current || !current->Implicit()) {
        auto created = MakeRef<TIEDefinedType>(&engine);
        if (current) {
          created->Assign(*current);
          created->SetAncestor(nullptr);
          created->SetName(kImplicitTypeName);
          created->SetComment({});
        } else {
          created->SetBaseTypes(types);
        }
        created->SetImplicit(true);
        slot->SetExtendedTypeInfo(created);
        own = created.Get();
      }
      if (isRange) {
        ApplyRange(*own, ParseBounds("range", EBoundContext::Slot));
      } else if (isCardinality) {
        ApplyCardinality(*own, ParseBounds("cardinality", EBoundContext::Slot));
      } else if (isUnits) {
        own->SetUnits(ParseUnits(kParseFactTemplateSlot));
      } else {
        PushBack(std::move(qualifier));
        ParseAllowedValues(*own, true);
      }
    }
  }

  slot->SetSlotType(types);
  if (defaultValue && types.Contains(dtFuzzy) &&
      (defaultValue->DType() == dtAtom || defaultValue->DType() == dtString)) {
    const IIEDefinedType* type = slot->ExtendedTypeInfo();
    if (IFuzzyVariable* variable = type ? type->FuzzyVariable() : nullptr)
      defaultValue = ToFuzzy(*variable, *defaultValue);
  }
  if (StaticTypeChecking()) {
    if (defaultValue) {
      if (defaultValue != shared.Nil && defaultValue != shared.EmptyList && !slot->IsValid(defaultValue.Get())) {
        if (defaultValue->DType() == dtInteger && types.Contains(dtFloat)) {
          defaultValue = NewFloat(defaultValue->RawInteger());
        } else {
          ParseError(kParseFactTemplateSlot, slot->Validate(*defaultValue));
        }
      }
    } else {
      defaultValue = slot->CreateDefaultValue(multi);
      if (!slot->IsValid(defaultValue.Get())) defaultValue = multi ? shared.EmptyList : shared.Nil;
    }
  }
  if (defaultValue) slot->SetSlotDefault(std::move(defaultValue));
  slot->SetDefaultDynamic(dynamic);
  return slot;
}

// --- deffacts, defglobal, deffunction -----------------------------------------------------

std::unique_ptr<TFactSet> TIERuleParser::ParseFactSet() {
  IReasoner& engine = Engine("read a deffacts");
  const THeader header = ParseHeader(IEConsts::SExpectedDeffacts, kParseFactSet, "deffacts", true);
  // The facts are read first: the set joins the engine's fact sets when it
  // is created, which must not happen for a construct that fails.
  std::vector<TRef<IFact>> facts;
  TRef<TIEStreamToken> token = header.next;
  while (token->DataType() == tkOpenParen) {
    PushBack(std::move(token));
    facts.push_back(ParseFact());
    token = Next();
  }
  if (token->DataType() != tkCloseParen) ParseError(kParseFactSet, IEConsts::SExpectedCloseParen);
  auto factSet = std::make_unique<TFactSet>(&engine, header.name);
  factSet->SetComment(header.comment);
  for (TRef<IFact>& fact : facts) factSet->AddFact(std::move(fact));
  if (onParseFactSet_) onParseFactSet_(*this, *factSet);
  return factSet;
}

void TIERuleParser::ParseGlobalVariables() {
  IReasoner& engine = Engine("read a defglobal");
  if (Next()->DataType() != tkOpenParen || !IsSymbol(*Next(), "defglobal"))
    ParseError(kParseGlobalVariables, IEConsts::SExpectedDefglobal);
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) break;
    PushBack(std::move(token));
    // One entry: ?*name* = value.
    TRef<TIEStreamToken> variable = Next();
    if (variable->DataType() != dtVariable) ParseError(kParseVariable, IEConsts::SMissingName);
    const std::string& name = variable->Text();
    if (name.size() < 2 || name.front() != '*' || name.back() != '*')
      ParseError(kParseVariable, Format(IEConsts::SBadVariableName, name));
    if (Next()->DataType() != tkEquals) ParseError(kParseVariable, Format(IEConsts::SExpectedText, "="));
    TRef<TIEStreamToken> first = Next();
    TRef<TIEValue> value;
    if (first->DataType() == tkCloseParen || first->DataType() == tkEndOfInput) {
      ParseError(kParseVariable, IEConsts::SExpectedValueMissing);
    } else if (first->DataType() == tkOpenParen) {
      PushBack(std::move(first));
      value = MakeRef<TIEValue>(ParseFunCall());
    } else {
      value = first->Value();
    }
    if (onParseVariable_) onParseVariable_(*this, name, *value);
    engine.SetGlobalVariable(name, std::move(value));
  }
}

TRef<IUserFunction> TIERuleParser::ParseFunction() {
  Engine("read a deffunction");
  const THeader header = ParseHeader(IEConsts::SExpectedDeffunction, kParseFunction, "deffunction", true);
  auto function = MakeRef<TInterpretedFunction>(header.name, header.comment);
  if (header.next->DataType() != tkOpenParen) ParseError(kParseFunction, IEConsts::SExpectedOpenParen);
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) break;
    const std::int32_t kind = token->DataType();
    if (kind != dtVariable && kind != dtMultiVariable) ParseError(kParseFunction, IEConsts::SExpectedCloseParen);
    function->AddParameter(token->Text(), static_cast<TIEType>(kind));
  }
  TRef<TIEStreamToken> token = Next();
  if (token->DataType() == dtString) {
    function->SetComment(token->Text());
    token = Next();
  }
  for (;; token = Next()) {
    if (token->DataType() == tkCloseParen) break;
    if (token->DataType() == tkOpenParen) {
      PushBack(std::move(token));
      function->AddAction(MakeRef<TIEValue>(ParseFunCall()));
    } else if (IsValueToken(*token)) {
      function->AddAction(token->Value());
    } else if (token->DataType() == tkEndOfInput) {
      ParseError(kParseFunction, IEConsts::SUnexpectedEndOfStream);
    } else {
      const char character = static_cast<char>(token->DataType());
      ParseError(kParseFunction, Format(IEConsts::SUnexpectedCharacter, std::string_view(&character, 1)));
    }
  }
  if (onParseFunction_) onParseFunction_(*this, *function);
  return function;
}

}  // namespace fxe
