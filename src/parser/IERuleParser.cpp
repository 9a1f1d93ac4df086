// The parser's construct step, its token helpers, the variable list of rules
// and the printed forms of constructs.
#include "parser/IERuleParser.h"

#include <algorithm>
#include <cassert>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/WordText.h"
#include "model/ConstructText.h"
#include "model/IEContext.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"
#include "model/IESlotTest.h"
#include "model/IReasoner.h"
#include "parser/ParserTokens.h"
#include "rete/IERule.h"

namespace fxe {

using detail::AppendIndented;
using detail::AppendQuoted;
using detail::IsSymbol;
using detail::kIndent;
using detail::kLineEnd;

// --- TVariableList -----------------------------------------------------------------

std::vector<std::pair<std::string, TIEType>>::const_iterator TVariableList::LowerBound(
    std::string_view name) const noexcept {
  return std::lower_bound(entries_.begin(), entries_.end(), name,
                          [](const std::pair<std::string, TIEType>& entry, std::string_view key) {
                            return std::string_view(entry.first) < key;
                          });
}

TIEType TVariableList::Find(std::string_view name) const noexcept {
  const auto it = LowerBound(name);
  return it != entries_.end() && it->first == name ? it->second : dtNone;
}

TIEType TVariableList::Add(std::string_view name, TIEType kind) {
  const auto it = LowerBound(name);
  if (it != entries_.end() && it->first == name) return it->second;
  entries_.insert(entries_.begin() + (it - entries_.begin()), {std::string(name), kind});
  return kind;
}

// --- Construction, helpers ----------------------------------------------------------

TIERuleParser::TIERuleParser(IReasoner* engine, TIETokenizerStream* stream)
    : TIEParser(engine, stream), reasoner_(engine) {}

TIERuleParser::~TIERuleParser() = default;

void TIERuleParser::Assign(const TIERuleParser& source) {
  if (&source == this) return;
  TIEParser::Assign(source);
  slotFunctions_ = source.slotFunctions_;
}

IReasoner& TIERuleParser::Engine(std::string_view purpose) const {
  if (!reasoner_) Raise<EIEException>(IEConsts::SNoReasoner, purpose);
  return *reasoner_;
}

TRef<TIEStreamToken> TIERuleParser::Next() {
  assert(Stream() && "the parser reads from a stream");
  return Stream()->NextToken();
}

void TIERuleParser::PushBack(TRef<TIEStreamToken> token) { Stream()->PushBackToken(std::move(token)); }

TRef<TIEStreamToken> TIERuleParser::Peek() {
  TRef<TIEStreamToken> token = Next();
  PushBack(token);
  return token;
}

void TIERuleParser::Expect(std::int32_t dataType, std::string_view operation, std::string_view message) {
  if (Next()->DataType() != dataType) ParseError(operation, message);
}

void TIERuleParser::Nest(std::string_view operation) {
  if (++nesting_ > MaxNesting) {
    --nesting_;
    ParseError(operation, Format(IEConsts::SNestingTooDeep, MaxNesting));
  }
}

TIERuleParser::THeader TIERuleParser::ParseHeader(std::string_view message, std::string_view operation,
                                                  std::string_view keyword, bool allowComment) {
  if (Next()->DataType() != tkOpenParen) ParseError(operation, message);
  if (!IsSymbol(*Next(), keyword)) ParseError(operation, message);
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(operation, IEConsts::SMissingName);
  THeader header{name->Text(), {}, nullptr};
  if (allowComment) {
    header.next = Next();
    if (header.next->DataType() == dtString) {
      header.comment = header.next->Text();
      header.next = Next();
    }
  }
  return header;
}

TRef<TIEValue> TIERuleParser::EvaluateGlobal(const TRef<TIEValue>& value) {
  return OrNil(value->Evaluate(&Engine("evaluate an expression").EngineContext()));
}

// --- The construct step -------------------------------------------------------------

TConstructKind TIERuleParser::GetConstructType() {
  TRef<TIEStreamToken> token = Next();
  switch (token->DataType()) {
    case tkEndOfInput:
      if (token->Text() == "EOF") return TConstructKind::EndOfInput;
      break;
    case dtAtom:
    case dtInteger:
    case dtVariable:
    case dtFloat:
    case dtMultiVariable:
      return TConstructKind::Value;
    case tkOpenParen: {
      PushBack(token);
      const std::string name = Stream()->PeekConstructName();
      if (name == "defrule") return TConstructKind::Rule;
      if (name == "deffacts") return TConstructKind::FactSet;
      if (name == "deftemplate") return TConstructKind::Template;
      if (name == "deffunction") return TConstructKind::Function;
      if (name == "defglobal") return TConstructKind::Global;
      if (name == "deftype") return TConstructKind::DefinedType;
      if (name == "EOF") return TConstructKind::EndOfInput;
      return TConstructKind::FunctionCall;
    }
    default:
      break;
  }
  ParseError("GetConstructType", Format(IEConsts::SUnexpectedSymbol, token->AsText()));
}

bool TIERuleParser::ParseConstruct(bool executeCommands) {
  const TSharedValues& shared = SharedValues();
  TConstructKind kind = GetConstructType();
  IReasoner& engine = Engine("parse rule-language text");
  TRef<TIEValue> result = shared.Nil;
  TParsedObject object;
  TParsedComponent component;
  switch (kind) {
    case TConstructKind::Nothing:
      break;
    case TConstructKind::Value:
      result = Stream()->CurrentToken()->Value(&engine.EngineContext());
      break;
    case TConstructKind::FunctionCall: {
      TRef<IFunCall> call = ParseFunCall();
      result = executeCommands ? call->Evaluate(&engine.EngineContext()) : MakeRef<TIEValue>(std::move(call));
      break;
    }
    case TConstructKind::Rule:
      component = &engine.AddRule(ParseRule());
      break;
    case TConstructKind::FactSet:
      component = engine.AdoptFactSet(ParseFactSet());
      break;
    case TConstructKind::Template: {
      TRef<IFactTemplate> factTemplate = ParseFactTemplate();
      engine.AddFactTemplate(factTemplate);
      object = std::move(factTemplate);
      break;
    }
    case TConstructKind::Function: {
      TRef<IUserFunction> function = ParseFunction();
      function->AddReasoner(engine);
      object = std::move(function);
      break;
    }
    case TConstructKind::Global:
      ParseGlobalVariables();
      break;
    case TConstructKind::DefinedType: {
      TRef<IIEDefinedType> type = ParseDefinedType();
      engine.AddDefinedType(type);
      object = std::move(type);
      break;
    }
    case TConstructKind::EndOfInput:
      result = shared.Eof;
      break;
  }

  if (!result || result->Equals(shared.Nil.Get())) {
    kind = TConstructKind::Nothing;
  } else {
    object = result;
    if (kind == TConstructKind::Value || kind == TConstructKind::FunctionCall) {
      std::string text = result->AsText();
      text += kLineEnd;
      engine.PrintOut({}, text);
    }
  }
  if (onParse_) onParse_(*this, kind, object, component);
  return result != shared.Eof;
}

// --- Fresh variables ----------------------------------------------------------------

TRef<TIEValue> TIERuleParser::FreshVariable(std::string_view prefix, const TVariableList& used, TIEType kind) {
  std::string name(prefix);
  for (std::int64_t number = 1; used.Contains(name); ++number) {
    name.assign(prefix);
    name += std::to_string(number);
  }
  return MakeRef<TIEValue>(name, kind);
}

// --- Printed forms -------------------------------------------------------------------

std::string TIERuleParser::FormatDefinedType(const IIEDefinedType& type) const { return type.AsString(); }

std::string TIERuleParser::FormatFactTemplate(const IFactTemplate& factTemplate) const {
  return factTemplate.AsString();
}

std::string TIERuleParser::FormatSlot(const IFactSlot& slot) const { return slot.AsString(); }

std::string TIERuleParser::FormatFactSet(const TFactSet& factSet) const { return factSet.AsString(); }

namespace {

// A global's value as the reader takes it back: the reader takes one value
// after "=", so nil prints as the word and a multifield as the create$ call
// that makes it, its items printed alike (create$ keeps the lists it is
// given as items, so a list item is a nested call).
void AppendGlobalValue(std::string& out, const TIEValue* value) {
  if (!value || value->DType() == dtNone) {
    out += "nil";
    return;
  }
  if (value->DType() != dtList) {
    value->AppendItemText(out);
    return;
  }
  out += "(create$";
  for (const TRef<TIEValue>& item : value->AsList()->Items()) {
    out += ' ';
    AppendGlobalValue(out, item.Get());
  }
  out += ')';
}

}  // namespace

std::string TIERuleParser::GlobalVariableText(std::string_view name, const TIEValue& value) {
  std::string out = "(defglobal ?";
  detail::AppendWordTail(out, name);
  out += " = ";
  AppendGlobalValue(out, &value);
  out += ')';
  return out;
}

std::string TIERuleParser::FormatGlobalVariables(
    std::span<const std::pair<std::string, TRef<TIEValue>>> globals) const {
  std::string out = "(defglobal";
  for (const auto& [name, value] : globals) {
    out += " ?";
    detail::AppendWordTail(out, name);
    out += " = ";
    AppendGlobalValue(out, value.Get());
  }
  out += ')';
  return out;
}

std::string TIERuleParser::FormatFunction(const IUserFunction& function) const {
  std::string out = "(deffunction ";
  detail::AppendWord(out, function.FunctionName());
  out += " (";
  const auto* interpreted = dynamic_cast<const TInterpretedFunction*>(&function);
  if (interpreted) {
    bool first = true;
    for (const TRef<TIEValue>& parameter : interpreted->Parameters()) {
      if (!parameter) continue;
      if (!first) out += ' ';
      first = false;
      if (parameter->DType() == dtVariable) {
        out += '?';
      } else if (parameter->DType() == dtMultiVariable) {
        out += "$?";
      }
      detail::AppendWordTail(out, parameter->Text());
    }
  }
  out += ')';
  out += kLineEnd;
  if (!function.Comment().empty()) {
    out += kIndent;
    AppendQuoted(out, function.Comment());
    out += kLineEnd;
  }
  if (interpreted) {
    for (const TRef<TIEValue>& action : interpreted->Actions()) {
      if (!action) continue;
      out += kIndent;
      // A nil action prints as the word, as inside calls.
      std::string text;
      if (action->DType() == dtNone)
        text = "nil";
      else
        action->AppendItemText(text);
      AppendIndented(out, text, kIndent);
      out += kLineEnd;
    }
  }
  out += ')';
  out += kLineEnd;
  return out;
}

std::string TIERuleParser::FormatRule(const TRule& rule) const { return rule.AsString(); }

std::string TIERuleParser::FormatPattern(const TIEPattern& pattern) const { return pattern.AsString(); }

std::string TIERuleParser::FormatFact(const IFact& fact) const { return fact.AsString(); }

std::string TIERuleParser::FormatFunCall(const IFunCall& call) const { return call.AsString(); }

}  // namespace fxe
