// The rule-language parser: reads constructs (deftype, deftemplate, deffacts,
// defglobal, deffunction, defrule), commands, facts, patterns, values and
// function calls from a token stream, builds the model objects and hands them
// to the engine; and the printer of the engine's canonical construct texts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "collections/RefCounted.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"
#include "model/IEPackages.h"
#include "parser/SlotFunctions.h"
#include "values/IEParser.h"
#include "values/IEValue.h"

namespace fxe {

class IReasoner;
class IIEDefinedType;
class IFactTemplate;
class IFactSlot;
class TFactTemplate;
class IFact;
class TFactSet;
class IUserFunction;
class TRule;
class TIEPattern;
class IFuzzyVariable;
class IFuzzySet;

// What the next item of the input is; also the kind OnParse reports (every
// construct reports Nothing, because a construct's result is no value).
enum class TConstructKind : std::uint8_t {
  Nothing = 0,
  Value = 1,         // a constant or a variable
  FunctionCall = 2,  // a command
  Rule = 3,
  FactSet = 4,
  Template = 5,
  Function = 6,
  Global = 7,
  DefinedType = 8,
  EndOfInput = 9,
};

// The variables of one rule: each name with the kind of its first occurrence
// (dtVariable or dtMultiVariable), kept sorted by name without duplicates.
class TVariableList {
 public:
  // The kind registered for name, or dtNone when it is not in the list.
  TIEType Find(std::string_view name) const noexcept;
  // Registers name with kind unless it is there; returns the registered kind.
  TIEType Add(std::string_view name, TIEType kind);
  bool Contains(std::string_view name) const noexcept { return Find(name) != dtNone; }
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }
  const std::string& Name(std::int32_t index) const { return entries_.at(static_cast<std::size_t>(index)).first; }
  TIEType Kind(std::int32_t index) const { return entries_.at(static_cast<std::size_t>(index)).second; }
  void Clear() noexcept { entries_.clear(); }

 private:
  std::vector<std::pair<std::string, TIEType>>::const_iterator LowerBound(std::string_view name) const noexcept;
  std::vector<std::pair<std::string, TIEType>> entries_;
};

class TIERuleParser : public TIEParser {
 public:
  // Inputs nested deeper than this (parentheses of calls, facts, patterns and
  // point lists) are refused with a parse error instead of exhausting the stack.
  static constexpr std::int32_t MaxNesting = 2000;

  // The object a construct step produced: the value of a constant or command,
  // or the defined type, template or function a construct defined.
  using TParsedObject =
      std::variant<std::monostate, TRef<TIEValue>, TRef<IIEDefinedType>, TRef<IFactTemplate>, TRef<IUserFunction>>;
  // The component a construct step created: a rule or a fact set, as the engine keeps it.
  using TParsedComponent = std::variant<std::monostate, TRule*, TFactSet*>;

  using TParseEvent = std::function<void(TIERuleParser& sender, TConstructKind kind, const TParsedObject& object,
                                         const TParsedComponent& component)>;
  using TDefinedTypeEvent = std::function<void(TIERuleParser& sender, IIEDefinedType& type)>;
  using TFactEvent = std::function<void(TIERuleParser& sender, IFact& fact)>;
  using TFactSetEvent = std::function<void(TIERuleParser& sender, TFactSet& factSet)>;
  using TFactTemplateEvent = std::function<void(TIERuleParser& sender, IFactTemplate& factTemplate)>;
  using TFunctionEvent = std::function<void(TIERuleParser& sender, IUserFunction& function)>;
  using TFunCallEvent = std::function<void(TIERuleParser& sender, IFunCall& call)>;
  using TVariableEvent = std::function<void(TIERuleParser& sender, std::string_view name, TIEValue& value)>;
  using TPatternEvent = std::function<void(TIERuleParser& sender, TIEPattern& pattern)>;
  using TRuleEvent = std::function<void(TIERuleParser& sender, TRule& rule)>;
  using TFuzzySetEvent = std::function<void(TIERuleParser& sender, IFuzzySet& term)>;
  using TFuzzyVariableEvent = std::function<void(TIERuleParser& sender, IFuzzyVariable& variable)>;

  // engine may be null; every grammar operation that builds model objects
  // then raises "No inference engine available to ...". The stream is not owned.
  explicit TIERuleParser(IReasoner* engine, TIETokenizerStream* stream = nullptr);
  ~TIERuleParser() override;

  IReasoner* Reasoner() const noexcept { return reasoner_; }
  TSlotFunctions& SlotFunctions() noexcept { return slotFunctions_; }
  const TSlotFunctions& SlotFunctions() const noexcept { return slotFunctions_; }
  // Copies the stream and the settings, and the slot functions.
  void Assign(const TIERuleParser& source);

  // --- Events ------------------------------------------------------------------------
  const TParseEvent& OnParse() const noexcept { return onParse_; }
  void SetOnParse(TParseEvent handler) { onParse_ = std::move(handler); }
  const TDefinedTypeEvent& OnParseDefinedType() const noexcept { return onParseDefinedType_; }
  void SetOnParseDefinedType(TDefinedTypeEvent handler) { onParseDefinedType_ = std::move(handler); }
  const TFactEvent& OnParseFact() const noexcept { return onParseFact_; }
  void SetOnParseFact(TFactEvent handler) { onParseFact_ = std::move(handler); }
  const TFactSetEvent& OnParseFactSet() const noexcept { return onParseFactSet_; }
  void SetOnParseFactSet(TFactSetEvent handler) { onParseFactSet_ = std::move(handler); }
  const TFactTemplateEvent& OnParseFactTemplate() const noexcept { return onParseFactTemplate_; }
  void SetOnParseFactTemplate(TFactTemplateEvent handler) { onParseFactTemplate_ = std::move(handler); }
  const TFunctionEvent& OnParseFunction() const noexcept { return onParseFunction_; }
  void SetOnParseFunction(TFunctionEvent handler) { onParseFunction_ = std::move(handler); }
  const TFunCallEvent& OnParseFunCall() const noexcept { return onParseFunCall_; }
  void SetOnParseFunCall(TFunCallEvent handler) { onParseFunCall_ = std::move(handler); }
  const TVariableEvent& OnParseVariable() const noexcept { return onParseVariable_; }
  void SetOnParseVariable(TVariableEvent handler) { onParseVariable_ = std::move(handler); }
  const TPatternEvent& OnParsePattern() const noexcept { return onParsePattern_; }
  void SetOnParsePattern(TPatternEvent handler) { onParsePattern_ = std::move(handler); }
  const TRuleEvent& OnParseRule() const noexcept { return onParseRule_; }
  void SetOnParseRule(TRuleEvent handler) { onParseRule_ = std::move(handler); }
  // Fired after each term of a fuzzy type and after the type's fuzzy variable.
  const TFuzzySetEvent& OnParseFuzzySet() const noexcept { return onParseFuzzySet_; }
  void SetOnParseFuzzySet(TFuzzySetEvent handler) { onParseFuzzySet_ = std::move(handler); }
  const TFuzzyVariableEvent& OnParseFuzzyVariable() const noexcept { return onParseFuzzyVariable_; }
  void SetOnParseFuzzyVariable(TFuzzyVariableEvent handler) { onParseFuzzyVariable_ = std::move(handler); }

  // --- Constructs ------------------------------------------------------------------------
  // Takes the next token and classifies it; an opening parenthesis is pushed
  // back so that the construct it starts can be read.
  virtual TConstructKind GetConstructType();
  virtual TRef<IIEDefinedType> ParseDefinedType();
  // The kind keywords and type names of a type clause, up to its ")" (left
  // in the stream): the kinds and the named base type, if any.
  virtual std::pair<TIETypes, TRef<IIEDefinedType>> ParseSlotTypes();
  // The clauses of a fuzzy type after its type clause, up to the type's ")"
  // (left in the stream).
  virtual TRef<IFuzzyVariable> ParseFuzzyVariable(std::string_view name);
  // One "(term <name> <value>)", made a term of the variable.
  virtual TRef<IFuzzySet> ParseFuzzySet(IFuzzyVariable& variable);
  virtual TRef<IFactTemplate> ParseFactTemplate();
  // One slot clause; with owner the slot enters the template as soon as it is
  // named, without owner it belongs to no template.
  virtual TRef<IFactSlot> ParseFactTemplateSlot(TFactTemplate* owner);
  virtual std::unique_ptr<TFactSet> ParseFactSet();
  // Reads a defglobal and stores each variable in the engine as it is read.
  virtual void ParseGlobalVariables();
  virtual TRef<IUserFunction> ParseFunction();
  virtual std::unique_ptr<TRule> ParseRule();

  // --- Facts, values, calls ------------------------------------------------------------------
  virtual TRef<IFunCall> ParseFunCall();
  // Items up to a closing parenthesis (left in the stream): one item gives
  // that value, several a multifield; nullptr when there is none.
  virtual TRef<TIEValue> ParseValue();
  // A value for a slot with the given kinds and defined type (may be null);
  // slotName names the slot in type errors.
  virtual TRef<TIEValue> ParseValue(TIETypes types, IIEDefinedType* type, std::string_view slotName);
  // A value for a slot of a fact: as above with the slot's kinds and type,
  // then checked by the slot.
  virtual TRef<TIEValue> ParseValue(IFactSlot& slot);
  // "( <name> <value> )" as a two-item multifield of the name and the value.
  virtual TRef<TValueVector> ParseValuePair();
  virtual TRef<TValueVector> ParseList();
  virtual TRef<TSingletonsVector> ParseFuzzyPoints();
  virtual TRef<IFact> ParseFact();
  virtual void ParseFactSlot(IFact& fact, IFactTemplate& factTemplate);
  // Parses facts until the end of the input and asserts each through the
  // engine; returns the number read.
  std::int32_t ParseFactList();

  // --- Rules ---------------------------------------------------------------------------------
  virtual void ParseRulePatterns(TRule& rule, TVariableList& variables);
  virtual std::unique_ptr<TIEPattern> ParsePattern(std::int32_t negationDepth, TVariableList& variables);
  virtual void ParseRuleActions(TRule& rule);

  // A variable value named prefix followed by the smallest non-negative number
  // (no number for 0) that no entry of used has.
  static TRef<TIEValue> FreshVariable(std::string_view prefix, const TVariableList& used, TIEType kind = dtVariable);

  // --- Printed forms -------------------------------------------------------------------------
  virtual std::string FormatDefinedType(const IIEDefinedType& type) const;
  virtual std::string FormatFactTemplate(const IFactTemplate& factTemplate) const;
  virtual std::string FormatSlot(const IFactSlot& slot) const;
  virtual std::string FormatFactSet(const TFactSet& factSet) const;
  // "(defglobal ?name = value ...)" over (name, value) entries, names with their asterisks.
  virtual std::string FormatGlobalVariables(std::span<const std::pair<std::string, TRef<TIEValue>>> globals) const;
  virtual std::string FormatFunction(const IUserFunction& function) const;
  virtual std::string FormatRule(const TRule& rule) const;
  virtual std::string FormatPattern(const TIEPattern& pattern) const;
  virtual std::string FormatFact(const IFact& fact) const;
  virtual std::string FormatFunCall(const IFunCall& call) const;
  static std::string GlobalVariableText(std::string_view name, const TIEValue& value);

 protected:
  bool ParseConstruct(bool executeCommands) override;

 private:
  // Counts one level of nesting for as long as it lives.
  class TNestingGuard {
   public:
    TNestingGuard(TIERuleParser& parser, std::string_view operation) : parser_(parser) { parser.Nest(operation); }
    ~TNestingGuard() { parser_.Unnest(); }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

   private:
    TIERuleParser& parser_;
  };
  struct THeader {
    std::string name;
    std::string comment;
    TRef<TIEStreamToken> next;  // the token after the header
  };
  struct TBound {
    TRef<TIEValue> low;  // nullptr: no bound
    TRef<TIEValue> high;
  };
  enum class EBoundContext : std::uint8_t { DefinedType, Slot, FuzzyVariable };

  IReasoner& Engine(std::string_view purpose) const;
  TRef<TIEStreamToken> Next();
  void PushBack(TRef<TIEStreamToken> token);
  TRef<TIEStreamToken> Peek();
  void Expect(std::int32_t dataType, std::string_view operation, std::string_view message);
  THeader ParseHeader(std::string_view message, std::string_view operation, std::string_view keyword,
                      bool allowComment);
  void Nest(std::string_view operation);
  void Unnest() noexcept { --nesting_; }

  // Defined types.
  // Bounds after "(range" or "(cardinality", up to and including ")".
  TBound ParseBounds(std::string_view boundName, EBoundContext context);
  TRef<TIEValue> ParseBound(std::string_view boundName, EBoundContext context, bool high);
  static void ApplyRange(IIEDefinedType& type, const TBound& bound);
  static void ApplyCardinality(IIEDefinedType& type, const TBound& bound);
  // An allowed-values clause after its "(", up to and including ")".
  void ParseAllowedValues(IIEDefinedType& type, bool ignoreCase);
  std::string ParseUnits(std::string_view operation);

  // Rules.
  void ParseDeclarations(TRule& rule);
  std::unique_ptr<TIEPattern> ParseTemplatePattern(const std::string& name, std::int32_t negationDepth,
                                                   TVariableList& variables);
  // The terms constraining one slot, up to the slot's closing parenthesis (left in the stream).
  void ParseSlotConstraint(TIEPattern& pattern, std::string_view slotName, TVariableList& variables);

  // Values.
  // After "(": a point list when another "(" follows, else a call.
  TRef<TIEValue> ParseCallOrPoints(TRef<TIEStreamToken> open);
  // A call as a value, or the result of evaluating it in the global context.
  TRef<TIEValue> ParseCallValue(bool evaluate);
  TRef<TIEValue> ToFuzzy(IFuzzyVariable& variable, const TIEValue& value);
  TRef<TIEValue> CheckSlotValue(TRef<TIEValue> value, TIETypes types, IIEDefinedType* type, std::string_view slotName);
  TRef<TIEValue> EvaluateGlobal(const TRef<TIEValue>& value);

  IReasoner* reasoner_;
  TSlotFunctions slotFunctions_;
  std::int32_t nesting_ = 0;

  TParseEvent onParse_;
  TDefinedTypeEvent onParseDefinedType_;
  TFactEvent onParseFact_;
  TFactSetEvent onParseFactSet_;
  TFactTemplateEvent onParseFactTemplate_;
  TFunctionEvent onParseFunction_;
  TFunCallEvent onParseFunCall_;
  TVariableEvent onParseVariable_;
  TPatternEvent onParsePattern_;
  TRuleEvent onParseRule_;
  TFuzzySetEvent onParseFuzzySet_;
  TFuzzyVariableEvent onParseFuzzyVariable_;
};

}  // namespace fxe
