// The grammar of defrule: declarations, the patterns of the left-hand side
// with their slot constraints and connectives, and the actions.
#include "base/Format.h"
#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "model/IEContext.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEPackages.h"
#include "model/IESlotTest.h"
#include "model/IReasoner.h"
#include "parser/IERuleParser.h"
#include "parser/ParserTokens.h"
#include "rete/IERule.h"

namespace fxe {

using detail::IsSymbol;
using detail::TrimText;

namespace {

constexpr std::string_view kParseRule = "ParseRule";
constexpr std::string_view kParseRulePatterns = "ParseRulePatterns";
constexpr std::string_view kParsePattern = "ParsePattern";

// The prefix of the variables bound to fields that return-value tests compare.
constexpr std::string_view kReturnValuePrefix = "_eq_";
// The loose equality a return-value test calls.
constexpr std::string_view kReturnValueTest = "eq*";

}  // namespace

std::unique_ptr<TRule> TIERuleParser::ParseRule() {
  IReasoner& engine = Engine("read a defrule");
  const THeader header = ParseHeader(IEConsts::SExpectedDefrule, kParseRule, "defrule", true);
  auto rule = std::make_unique<TRule>(&engine);
  // The rule reports no changes while it is being built; a failed rule is
  // released still without reporting.
  {
    TUpdateScope update(*rule);
    rule->SetRuleName(header.name);
    rule->SetComment(header.comment);

    TRef<TIEStreamToken> token = header.next;
    bool declared = false;
    if (token->DataType() == tkOpenParen) {
      TRef<TIEStreamToken> keyword = Next();
      declared = IsSymbol(*keyword, "declare");
      if (!declared) PushBack(std::move(keyword));
    }
    if (declared) {
      ParseDeclarations(*rule);
    } else {
      PushBack(std::move(token));
    }

    TVariableList variables;
    ParseRulePatterns(*rule, variables);
    if (Next()->DataType() != tkEquals || !IsSymbol(*Next(), ">")) ParseError(kParseRule, IEConsts::SExpectedArrow);
    ParseRuleActions(*rule);
    Expect(tkCloseParen, kParseRule, IEConsts::SExpectedCloseParen);
    if (onParseRule_) onParseRule_(*this, *rule);
  }
  return rule;
}

void TIERuleParser::ParseDeclarations(TRule& rule) {
  const TSharedValues& shared = SharedValues();
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    if (token->DataType() == tkCloseParen) return;
    if (token->DataType() != tkOpenParen) ParseError(kParseRule, IEConsts::SExpectedCloseParen);
    TRef<TIEStreamToken> property = Next();
    if (IsSymbol(*property, "salience")) {
      // Kept as written: the rule evaluates a variable or a call when it needs the salience.
      TRef<TIEStreamToken> value = Next();
      switch (value->DataType()) {
        case dtInteger:
        case dtVariable:
          rule.SetSalienceExpression(value->Value());
          break;
        case tkOpenParen:
          PushBack(std::move(value));
          rule.SetSalienceExpression(ParseCallValue(false));
          break;
        default:
          ParseError(kParseRule, Format(IEConsts::SExpectedBound, "salience"));
      }
    } else if (IsSymbol(*property, "oneshot") || IsSymbol(*property, "enabled")) {
      TRef<TIEStreamToken> value = Next();
      TRef<TIEValue> result;
      if (value->DataType() == tkOpenParen) {
        PushBack(std::move(value));
        result = ParseCallValue(true);
      } else {
        result = value->Value();
      }
      const bool flag = result->Equals(shared.True.Get());
      if (property->Text() == "oneshot") {
        rule.SetOneShot(flag);
      } else {
        rule.SetEnabled(flag);
      }
    } else {
      ParseError(kParseRule, IEConsts::SExpectedRuleProperty);
    }
    Expect(tkCloseParen, kParseRule, IEConsts::SExpectedCloseParen);
  }
}

void TIERuleParser::ParseRulePatterns(TRule& rule, TVariableList& variables) {
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    std::string binding;
    if (token->DataType() == dtVariable) {
      binding = token->Text();
      if (!IsSymbol(*Next(), "<-")) ParseError(kParseRulePatterns, IEConsts::SExpectedBindArrow);
    } else {
      const bool isPattern = token->DataType() == tkOpenParen;
      PushBack(std::move(token));
      if (!isPattern) return;
    }
    std::unique_ptr<TIEPattern> pattern = ParsePattern(0, variables);
    if (!binding.empty()) {
      if (pattern->NegatedCount() > 0) ParseError(kParseRulePatterns, IEConsts::SNotTestBound);
      pattern->SetBoundName(binding);
    }
    rule.AddPattern(std::move(pattern));
  }
}

std::unique_ptr<TIEPattern> TIERuleParser::ParsePattern(std::int32_t negationDepth, TVariableList& variables) {
  IReasoner& engine = Engine("read a pattern");
  TRef<TIEStreamToken> open = Next();
  if (open->DataType() != tkOpenParen) ParseError(kParsePattern, IEConsts::SExpectedFactOpen);
  TNestingGuard guard(*this, kParsePattern);
  TRef<TIEStreamToken> name = Next();
  if (name->DataType() != dtAtom) ParseError(kParsePattern, IEConsts::SExpectedFactOpen);

  std::unique_ptr<TIEPattern> pattern;
  const std::string& word = name->Text();
  if (word == "not" || word == "exists") {
    // exists is a double negation.
    pattern = ParsePattern(negationDepth + (word == "not" ? 1 : 2), variables);
    Expect(tkCloseParen, kParsePattern, IEConsts::SExpectedCloseParen);
  } else if (word == "unique" || word == "explicit") {
    pattern = ParsePattern(negationDepth, variables);
    if (word == "unique") {
      pattern->SetUnique(true);
    } else {
      pattern->SetExplicit(true);
    }
    Expect(tkCloseParen, kParsePattern, IEConsts::SExpectedCloseParen);
  } else if (word == TestPatternName) {
    pattern = std::make_unique<TIEPattern>(nullptr, 0, engine.GetImpliedTemplate(TestPatternName), TestPatternName);
    // A test inside an odd number of negations is a negated test; a "~"
    // before the call (as negated tests print) negates it once more.
    bool negated = (negationDepth & 1) != 0;
    if (Peek()->DataType() == tkTilde) {
      Next();
      negated = !negated;
    }
    const TRef<TIEValue> call = ParseCallValue(false);
    pattern->AddTest(ImpliedSlotName, call.Get(), negated, -1, true);
    Expect(tkCloseParen, kParsePattern, IEConsts::SExpectedCloseParen);
    if (onParsePattern_) onParsePattern_(*this, *pattern);
  } else {
    pattern = ParseTemplatePattern(word, negationDepth, variables);
  }
  pattern->SetComment(TrimText(open->WhiteSpace()));
  return pattern;
}

std::unique_ptr<TIEPattern> TIERuleParser::ParseTemplatePattern(const std::string& name, std::int32_t negationDepth,
                                                                TVariableList& variables) {
  IReasoner& engine = Engine("read a pattern");
  TRef<IFactTemplate> factTemplate = engine.GetImpliedTemplate(name);
  auto pattern = std::make_unique<TIEPattern>(nullptr, negationDepth, factTemplate, name);
  if (factTemplate->HasSlot(ImpliedSlotName)) {
    ParseSlotConstraint(*pattern, ImpliedSlotName, variables);
    Expect(tkCloseParen, kParsePattern, IEConsts::SExpectedCloseParen);
  } else {
    for (TRef<TIEStreamToken> token = Next(); token->DataType() != tkCloseParen; token = Next()) {
      if (token->DataType() != tkOpenParen) ParseError(kParsePattern, IEConsts::SExpectedOpenParen);
      TRef<TIEStreamToken> slot = Next();
      if (slot->DataType() != dtAtom) ParseError(kParsePattern, Format(IEConsts::SBadSlotName, slot->AsText()));
      ParseSlotConstraint(*pattern, slot->Text(), variables);
      Expect(tkCloseParen, kParsePattern, IEConsts::SExpectedCloseParen);
    }
  }
  if (onParsePattern_) onParsePattern_(*this, *pattern);
  return pattern;
}

void TIERuleParser::ParseSlotConstraint(TIEPattern& pattern, std::string_view slotName, TVariableList& variables) {
  IReasoner& engine = Engine("read a pattern");
  const IFactSlot& slot = pattern.FactTemplate()->GetSlot(slotName);
  const bool multi = slot.IsMultislot();
  const bool fuzzy = slot.IsFuzzy();
  std::int32_t field = multi ? 0 : -1;
  bool conjunction = true;
  if (Peek()->DataType() == tkCloseParen) {
    if (multi) pattern.SetRequiredLength(pattern.IndexOfSlot(slotName), 0);
    return;
  }
  for (;;) {
    TRef<TIEStreamToken> token = Next();
    bool negated = false;
    if (token->DataType() == tkTilde) {
      negated = true;
      token = Next();
    }
    TRef<TIEValue> value;
    const bool predicate = IsSymbol(*token, ":");
    if (predicate) {
      value = ParseCallValue(false);
    } else if (token->DataType() == dtVariable || token->DataType() == dtMultiVariable) {
      // Later occurrences of a variable take the kind of its first one.
      const TIEType kind = variables.Add(token->Text(), token->DataType() == dtVariable ? dtVariable : dtMultiVariable);
      value = MakeRef<TIEValue>(token->Text(), kind);
    } else if (token->DataType() == tkEquals) {
      // A return-value test: a fresh variable takes the field, and eq*
      // compares it with the call's result.
      TRef<TIEValue> call = ParseCallValue(false);
      TRef<TIEValue> fieldValue =
          MakeRef<TIEValue>(engine.Gensym(kReturnValuePrefix), multi ? dtMultiVariable : dtVariable);
      pattern.AddTest(slotName, fieldValue.Get(), false, field, true);
      auto test = MakeRef<TFunctionCall>(&engine, kReturnValueTest);
      test->AddArgument(fieldValue);
      test->AddArgument(call);
      value = MakeRef<TIEValue>(TRef<IFunCall>(std::move(test)));
    } else if (fuzzy) {
      IFuzzyVariable* variable = slot.ExtendedTypeInfo() ? slot.ExtendedTypeInfo()->FuzzyVariable() : nullptr;
      if (!variable) ParseError(kParsePattern, FuzzyConsts::SFuzzyTypeNeeded);
      PushBack(std::move(token));
      TRef<TIEValue> items = ParseValue();
      if (!items) ParseError(kParsePattern, Format(IEConsts::SBadSlotValue, Stream()->CurrentToken()->AsText()));
      value = EvaluateGlobal(items);
      if (value->DType() != dtFuzzy) value = ToFuzzy(*variable, *value);
    } else {
      switch (token->DataType()) {
        case dtAtom:
        case dtString:
        case dtInteger:
        case dtFloat:
          value = token->Value();
          break;
        default:
          ParseError(kParsePattern, Format(IEConsts::SBadSlotValue, token->AsText()));
      }
    }
    pattern.AddTest(slotName, value.Get(), negated, field, conjunction);

    TRef<TIEStreamToken> next = Next();
    if (next->DataType() == tkAmpersand) {
      conjunction = true;
      continue;
    }
    if (next->DataType() == tkBar) {
      conjunction = false;
      continue;
    }
    if (!multi) {
      if (next->DataType() != tkCloseParen) ParseError(kParsePattern, Format(IEConsts::SSlotNotMultislot, slotName));
      PushBack(std::move(next));
      return;
    }
    ++field;
    conjunction = true;
    const bool closed = next->DataType() == tkCloseParen;
    PushBack(std::move(next));
    if (closed) break;
  }
  pattern.SetRequiredLength(pattern.IndexOfSlot(slotName), field);
}

void TIERuleParser::ParseRuleActions(TRule& rule) {
  TRef<TIEStreamToken> token = Next();
  while (token->DataType() == tkOpenParen) {
    PushBack(std::move(token));
    rule.AddAction(ParseFunCall());
    token = Next();
  }
  PushBack(std::move(token));
}

}  // namespace fxe
