// The grammar of expressions and facts: function calls (with the slot
// functions whose arguments are facts or slot-value pairs), values, lists,
// fuzzy point lists, slot values checked against slot types, facts and fact
// lists.
#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/TextUtils.h"
#include "model/ConstructText.h"
#include "model/IEContext.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IReasoner.h"
#include "parser/IERuleParser.h"
#include "parser/ParserTokens.h"

namespace fxe {

using detail::TrimText;
using detail::UpperTypeSetText;

namespace {

constexpr std::string_view kParseFunCall = "ParseFunCall";
constexpr std::string_view kParseValue = "ParseValue";
constexpr std::string_view kParseSlotValue = "ParseValue(SlotTypes)";
constexpr std::string_view kParseFactSlotValue = "ParseValue(Fact Slot)";
constexpr std::string_view kParseValuePair = "ParseValuePair";
constexpr std::string_view kParseList = "ParseList";
constexpr std::string_view kParseFuzzyPoints = "ParseFuzzyPoints";
constexpr std::string_view kParseFact = "ParseFact";
constexpr std::string_view kParseFactSlot = "ParseFactSlot";

// Kinds a value may have whatever the slot's types: their value is only
// known when they are evaluated.
constexpr TIETypes kUncheckedKinds = AlwaysAcceptedTypes | TIETypes{dtNone};

}  // namespace

// --- Function calls ------------------------------------------------------------------------

TRef<IFunCall> TIERuleParser::ParseFunCall() {
  IReasoner& engine = Engine("read a function call");
  TRef<TIEStreamToken> open = Next();
  if (open->DataType() != tkOpenParen) ParseError(kParseFunCall, IEConsts::SExpectedOpenParen);
  TNestingGuard guard(*this, kParseFunCall);

  TRef<TIEStreamToken> name = Next();
  TRef<TFunctionCall> call;
  switch (name->DataType()) {
    case dtAtom:
    case tkEquals:
      call = MakeRef<TFunctionCall>(&engine, name->Text());
      break;
    case dtVariable:
    case dtMultiVariable:
      // A call headed by a variable reads the variable's value.
      call = MakeRef<TFunctionCall>(&engine, "__get-var");
      call->AddArgument(name->Value());
      break;
    default:
      ParseError(kParseFunCall, IEConsts::SMissingName);
  }
  const std::string_view comment = TrimText(open->WhiteSpace());
  if (!comment.empty()) call->SetComment(comment);

  // For assert-like functions every parenthesised argument is a fact; for
  // modify-like ones those at positions low .. high are slot-value pairs.
  const std::uint32_t* slotFunction = slotFunctions_.Find(call->Name());
  const std::int32_t low = slotFunction ? TSlotFunctions::LowOf(*slotFunction) : -1;
  const std::int32_t high = slotFunction ? TSlotFunctions::HighOf(*slotFunction) : -1;
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    switch (token->DataType()) {
      case tkCloseParen:
        if (onParseFunCall_) onParseFunCall_(*this, *call);
        return call;
      case tkEndOfInput:
        ParseError(kParseFunCall, IEConsts::SUnexpectedEndOfStream);
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtVariable:
      case dtFloat:
      case dtMultiVariable:
        call->AddArgument(token->Value());
        break;
      case tkOpenParen: {
        const std::int32_t position = call->ArgumentCount() + 1;
        if (low == 0) {
          PushBack(std::move(token));
          call->AddArgument(MakeRef<TIEValue>(ParseFact()));
        } else if (low > 0 && position >= low && position <= high) {
          PushBack(std::move(token));
          call->AddArgument(NewList(ParseValuePair()));
        } else {
          call->AddArgument(ParseCallOrPoints(std::move(token)));
        }
        break;
      }
      default:
        call->AddArgument(NewString(token->Text()));
        break;
    }
  }
}

TRef<TIEValue> TIERuleParser::ParseCallValue(bool evaluate) {
  auto value = MakeRef<TIEValue>(ParseFunCall());
  return evaluate ? EvaluateGlobal(value) : value;
}

TRef<TIEValue> TIERuleParser::ParseCallOrPoints(TRef<TIEStreamToken> open) {
  TRef<TIEStreamToken> next = Peek();
  PushBack(std::move(open));
  if (next->DataType() == tkOpenParen) return MakeRef<TIEValue>(ParseFuzzyPoints());
  return MakeRef<TIEValue>(ParseFunCall());
}

TRef<TValueVector> TIERuleParser::ParseValuePair() {
  if (Next()->DataType() != tkOpenParen) ParseError(kParseValuePair, IEConsts::SExpectedFactOpen);
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(kParseValuePair, IEConsts::SExpectedFactOpen);
  TRef<TIEValue> value = ParseValue();
  if (!value) ParseError(kParseValuePair, IEConsts::SExpectedValueMissing);
  Expect(tkCloseParen, kParseValuePair, IEConsts::SExpectedCloseParen);
  auto pair = MakeRef<TValueVector>();
  pair->Reserve(2);
  pair->Add(NewAtom(name->Text()));
  pair->Add(std::move(value));
  return pair;
}

TRef<TSingletonsVector> TIERuleParser::ParseFuzzyPoints() {
  IReasoner& engine = Engine("read a point list");
  Expect(tkOpenParen, kParseFuzzyPoints, IEConsts::SExpectedOpenParen);
  TNestingGuard guard(*this, kParseFuzzyPoints);
  auto points = MakeRef<TSingletonsVector>(dynamic_cast<const ISingletonsParser*>(engine.FuzzyParser()));
  auto coordinate = [this]() -> TRef<TIEValue> {
    TRef<TIEStreamToken> token = Next();
    switch (token->DataType()) {
      case dtInteger:
      case dtFloat:
      case dtVariable:
        return token->Value();
      case tkOpenParen:
        PushBack(std::move(token));
        return ParseCallValue(false);
      default:
        ParseError(kParseFuzzyPoints, IEConsts::SExpectedPointCoordinate);
    }
  };
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() != tkOpenParen) {
      if (token->DataType() != tkCloseParen) ParseError(kParseFuzzyPoints, IEConsts::SExpectedCloseParen);
      break;
    }
    TRef<TIEValue> x = coordinate();
    TRef<TIEValue> y = coordinate();
    Expect(tkCloseParen, kParseFuzzyPoints, IEConsts::SExpectedCloseParen);
    points->Add(std::move(x), std::move(y));
  }
  return points;
}

// --- Values -------------------------------------------------------------------------------------

TRef<TIEValue> TIERuleParser::ParseValue() {
  auto items = MakeRef<TValueVector>();
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    switch (token->DataType()) {
      case tkEndOfInput:
      case tkCloseParen:
        PushBack(std::move(token));
        break;
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtVariable:
      case dtFloat:
      case dtMultiVariable:
        items->Add(token->Value());
        continue;
      case tkOpenParen:
        items->Add(ParseCallOrPoints(std::move(token)));
        continue;
      case tkOpenBracket:
      case tkCloseBracket:
        // Brackets group the items of fuzzy expressions.
        items->Add(NewAtom(token->Text()));
        continue;
      default:
        if (items->Empty()) ParseError(kParseValue, Format(IEConsts::SBadArgument, token->AsText()));
        PushBack(std::move(token));
        break;
    }
    break;
  }
  if (items->Empty()) return nullptr;
  if (items->Count() == 1) return items->First();
  return NewList(std::move(items));
}

TRef<TValueVector> TIERuleParser::ParseList() {
  auto list = MakeRef<TValueVector>();
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    switch (token->DataType()) {
      case tkEndOfInput:
      case tkCloseParen:
        PushBack(std::move(token));
        return list;
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtVariable:
      case dtFloat:
      case dtMultiVariable:
        list->Add(token->Value());
        break;
      case tkOpenParen:
        list->Add(ParseCallOrPoints(std::move(token)));
        break;
      case tkEquals:
        if (Peek()->DataType() != tkOpenParen) ParseError(kParseList, IEConsts::SEqualsInFact);
        list->Add(ParseCallValue(false));
        break;
      case tkOpenBracket:
      case tkCloseBracket:
        list->Add(NewAtom(token->Text()));
        break;
      default:
        ParseError(kParseList, Format(IEConsts::SBadSlotValue, token->AsText()));
    }
  }
}

TRef<TIEValue> TIERuleParser::ToFuzzy(IFuzzyVariable& variable, const TIEValue& value) {
  return Engine("convert a fuzzy value").LinguisticToFuzzy(variable, value, nullptr);
}

TRef<TIEValue> TIERuleParser::ParseValue(TIETypes types, IIEDefinedType* type, std::string_view slotName) {
  const TSharedValues& shared = SharedValues();
  IFuzzyVariable* variable = type ? type->FuzzyVariable() : nullptr;
  TRef<TIEValue> value;
  if (types.Contains(dtMultiSlot)) {
    value = NewList(ParseList());
    if (StaticTypeChecking() && types.Contains(dtFuzzy)) {
      if (!variable) ParseError(kParseSlotValue, FuzzyConsts::SFuzzyTypeNeeded);
      TRef<TIEValue> converted = ToFuzzy(*variable, *value);
      if (!converted || converted == shared.Nil)
        ParseError(kParseSlotValue, Format(FuzzyConsts::SInvalidFuzzyExpression, value->AsText()));
      if (converted->DType() != dtList) {
        auto wrapped = MakeRef<TValueVector>();
        wrapped->Add(std::move(converted));
        converted = NewList(std::move(wrapped));
      }
      value = std::move(converted);
    }
  } else if (types.Contains(dtFuzzy)) {
    if (!variable) ParseError(kParseSlotValue, FuzzyConsts::SFuzzyTypeNeeded);
    TRef<TIEValue> items = ParseValue();
    value = ToFuzzy(*variable, items ? *items : *NewList());
  } else {
    TRef<TIEStreamToken> token = Next();
    switch (token->DataType()) {
      case dtAtom:
      case dtString:
      case dtInteger:
      case dtVariable:
      case dtFloat:
      case dtMultiVariable:
        value = token->Value();
        break;
      case tkOpenParen:
        // "((" cannot open a call; it is a point list, the printed form of a
        // fuzzy value a call stored in this slot.
        value = ParseCallOrPoints(std::move(token));
        break;
      case tkEquals:
        if (Peek()->DataType() != tkOpenParen) ParseError(kParseSlotValue, IEConsts::SEqualsInFact);
        value = ParseCallValue(false);
        break;
      default:
        ParseError(kParseSlotValue, Format(IEConsts::SBadSlotValue, token->AsText()));
    }
  }
  return CheckSlotValue(std::move(value), types, type, slotName);
}

TRef<TIEValue> TIERuleParser::CheckSlotValue(TRef<TIEValue> value, TIETypes types, IIEDefinedType* type,
                                             std::string_view slotName) {
  if (!value || !StaticTypeChecking()) return value;
  const TIEType kind = value->DType();
  if (kUncheckedKinds.Contains(kind)) return value;
  if (type) {
    if (!type->IsValid(value.Get())) ParseError(kParseSlotValue, type->Validate(*value));
    return value;
  }
  if (types.Contains(kind)) return value;
  if (kind == dtFloat && types.Contains(dtInteger)) return NewInteger(value->AsInteger());
  if (kind == dtInteger && types.Contains(dtFloat)) return NewFloat(value->RawInteger());
  const std::string reason =
      Format(IEConsts::SNotAType, UpperTypeSetText(types, ", "), value->AsText(), TypeName(kind));
  ParseError(kParseSlotValue, Format(IEConsts::SSlotValidate, reason, slotName));
}

TRef<TIEValue> TIERuleParser::ParseValue(IFactSlot& slot) {
  TRef<TIEValue> value = ParseValue(slot.SlotType(), slot.ExtendedTypeInfo(), slot.Name());
  if (StaticTypeChecking() && !slot.IsValid(value.Get())) {
    if (value->DType() == dtInteger && slot.SlotType().Contains(dtFloat)) return NewFloat(value->RawInteger());
    ParseError(kParseFactSlotValue, slot.Validate(*value));
  }
  return value;
}

// --- Facts ---------------------------------------------------------------------------------------

TRef<IFact> TIERuleParser::ParseFact() {
  IReasoner& engine = Engine("read a fact");
  if (Next()->DataType() != tkOpenParen) ParseError(kParseFact, IEConsts::SExpectedFactOpen);
  TNestingGuard guard(*this, kParseFact);
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(kParseFact, IEConsts::SExpectedFactOpen);
  TRef<IFactTemplate> factTemplate;
  if (StrictTemplates()) {
    factTemplate = engine.FindFactTemplate(name->Text());
    if (!factTemplate) ParseError(kParseFact, Format(IEConsts::SUnknownFactTemplate, name->Text()));
  } else {
    factTemplate = engine.GetImpliedTemplate(name->Text());
  }
  auto fact = MakeRef<TFact>(factTemplate);
  if (factTemplate->IsImplied()) {
    // An ordered fact: all items up to the closing parenthesis are one value.
    ParseFactSlot(*fact, *factTemplate);
    Expect(tkCloseParen, kParseFact, IEConsts::SExpectedCloseParen);
  } else {
    for (TRef<TIEStreamToken> token = Next(); token->DataType() != tkCloseParen; token = Next()) {
      PushBack(std::move(token));
      ParseFactSlot(*fact, *factTemplate);
    }
  }
  if (onParseFact_) onParseFact_(*this, *fact);
  return fact;
}

void TIERuleParser::ParseFactSlot(IFact& fact, IFactTemplate& factTemplate) {
  if (factTemplate.IsImplied()) {
    IFactSlot& slot = factTemplate.GetSlot(ImpliedSlotName);
    fact.SetSlotValue(ImpliedSlotName, ParseValue(slot));
    return;
  }
  Expect(tkOpenParen, kParseFactSlot, IEConsts::SExpectedOpenParen);
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(kParseFactSlot, Format(IEConsts::SBadSlotName, name->AsText()));
  IFactSlot& slot = factTemplate.GetSlot(name->Text());
  fact.SetSlotValue(name->Text(), ParseValue(slot));
  Expect(tkCloseParen, kParseFactSlot, IEConsts::SExpectedCloseParen);
}

std::int32_t TIERuleParser::ParseFactList() {
  IReasoner& engine = Engine("read a fact list");
  std::int32_t count = 0;
  for (TRef<TIEStreamToken> token = Next(); token->DataType() != tkEndOfInput; token = Next()) {
    PushBack(std::move(token));
    TRef<IFact> fact = ParseFact();
    engine.ResolveFact(*fact, &engine.EngineContext());
    engine.AssertFact(*fact);
    ++count;
  }
  return count;
}

}  // namespace fxe
