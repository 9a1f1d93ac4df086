// Fuzzy expressions over engine values: classification of the words, the
// conversion of an item list to postfix order with an operator stack, the
// evaluation of each postfix expression with a value stack, the operand rules,
// the text splitter and the printed form of fuzzy values.
#include "fuzzy/IEFuzzyLogic.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/FuzzyConsts.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"

namespace fxe {

namespace {

// --- Words ---------------------------------------------------------------------

enum class EItem : std::uint8_t { Operand, Hedge, Infix, Open, Close };
// What an infix word does: and-words intersect, or-words unite, operators
// change Y or X by a number.
enum class EInfix : std::uint8_t { None, And, Or, OperatorY, OperatorX };

struct TWord {
  std::string_view text;
  EItem kind = EItem::Operand;
  EInfix infix = EInfix::None;
  std::uint8_t code = 0;  // hedge index, operation or operator index
};

constexpr std::size_t WordCount = FuzzyConsts::HedgeWords.size() + FuzzyConsts::AndWords.size() +
                                  FuzzyConsts::OrWords.size() + FuzzyConsts::OperatorWords.size() +
                                  FuzzyConsts::OperatorXWords.size() + 2;

// Every word and bracket of the language, sorted by text for binary search.
constexpr std::array<TWord, WordCount> MakeWordTable() {
  std::array<TWord, WordCount> words{};
  std::size_t n = 0;
  const auto add = [&](const auto& list, EItem kind, EInfix infix) {
    for (std::size_t i = 0; i < list.size(); ++i)
      words[n++] = TWord{list[i], kind, infix, static_cast<std::uint8_t>(i)};
  };
  add(FuzzyConsts::HedgeWords, EItem::Hedge, EInfix::None);
  add(FuzzyConsts::AndWords, EItem::Infix, EInfix::And);
  add(FuzzyConsts::OrWords, EItem::Infix, EInfix::Or);
  add(FuzzyConsts::OperatorWords, EItem::Infix, EInfix::OperatorY);
  add(FuzzyConsts::OperatorXWords, EItem::Infix, EInfix::OperatorX);
  words[n++] = TWord{"[", EItem::Open, EInfix::None, 0};
  words[n++] = TWord{"]", EItem::Close, EInfix::None, 0};
  std::sort(words.begin(), words.end(), [](const TWord& a, const TWord& b) { return a.text < b.text; });
  return words;
}

constexpr std::array<TWord, WordCount> Words = MakeWordTable();
constexpr std::size_t LongestWord = std::max_element(Words.begin(), Words.end(), [](const TWord& a, const TWord& b) {
                                      return a.text.size() < b.text.size();
                                    })->text.size();

// The word an item stands for, or nullptr for an operand. Only atoms and
// strings can be words (the rule parser hands brackets inside calls over as
// one-character strings).
const TWord* Classify(const TIEValue* item) noexcept {
  if (!item || (item->DType() != dtAtom && item->DType() != dtString)) return nullptr;
  const std::string_view text = item->Text();
  if (text.empty() || text.size() > LongestWord) return nullptr;
  const auto it =
      std::lower_bound(Words.begin(), Words.end(), text, [](const TWord& w, std::string_view t) { return w.text < t; });
  return it != Words.end() && it->text == text ? &*it : nullptr;
}

// Operator-stack priorities: an arriving item first moves to the output every
// stacked item whose stack priority is not greater than its arriving priority.
constexpr int StackPriority(const TWord& w) noexcept {
  return w.kind == EItem::Open ? 4 : w.kind == EItem::Infix ? 3 : 2;
}
constexpr int ArrivingPriority(const TWord& w) noexcept {
  return w.kind == EItem::Open ? 0 : w.kind == EItem::Hedge ? 1 : 3;
}

// --- Evaluation ----------------------------------------------------------------

enum class EOutcome : std::uint8_t { Fuzzy, NotFuzzy, Undefined };

// One entry of the value stack.
struct TOperand {
  TRef<IFuzzySet> set;
  double number = 0.0;     // the number a spike was made from
  bool hasNumber = false;  // set is an unchanged spike of number
  bool borrowed = false;   // a term or a caller's value: copy before changing
  bool fromTable = false;  // a set of the variable's term table
};

// A postfix step: an operand item, or a hedge or infix word.
struct TStep {
  const TIEValue* item;
  const TWord* word;
};

// The postfix form of an item list: the steps of all expressions, and where
// each expression ends.
struct TPostfix {
  std::vector<TStep> steps;
  std::vector<std::size_t> ends;
};

bool IsNumber(const TIEValue* value) noexcept {
  return value && (value->DType() == dtInteger || value->DType() == dtFloat);
}

double NumberOf(const TIEValue& value) noexcept {
  return value.DType() == dtInteger ? static_cast<double>(value.RawInteger()) : value.RawFloat();
}

// ((x y) (x y) ...): a non-empty list of two-number lists.
bool IsPointList(const TValueVector& list) noexcept {
  if (list.Empty()) return false;
  for (const TRef<TIEValue>& item : list) {
    const TValueVector* pair = item ? item->ListPtr() : nullptr;
    if (!pair || pair->Count() != 2 || !IsNumber(pair->Item(0).Get()) || !IsNumber(pair->Item(1).Get())) return false;
  }
  return true;
}

[[noreturn]] void RaiseInvalidItem(const TIEValue& item) {
  Raise<EIEException>(FuzzyConsts::SInvalidFuzzyItem, item.AsText());
}

[[noreturn]] void RaiseMissingOperand(const TWord& word) {
  Raise<EIEException>(FuzzyConsts::SMissingFuzzyOperand, word.text);
}

// The items as one text, for messages about the whole list.
std::string ItemsText(std::span<const TRef<TIEValue>> items) {
  std::string out;
  for (const TRef<TIEValue>& item : items) {
    if (item) item->AppendText(out);
    out += ' ';
  }
  return out;
}

// One evaluation: the variable, bindings and printer it works with, and the
// limits it enforces across nested expressions.
class TEvaluator {
 public:
  TEvaluator(IFuzzyVariable* variable, IIEContext* bindings, IFuzzyParser* printer) noexcept
      : variable_(variable), bindings_(bindings), printer_(printer) {}

  // Converts and evaluates items; one result per expression when Fuzzy.
  EOutcome Run(std::span<const TRef<TIEValue>> items, std::vector<TOperand>& results, int depth);
  // The operand rules for one item.
  EOutcome Operand(const TIEValue* item, TOperand& out, int depth);
  // The set a result is handed out as: terms are copied.
  TRef<IFuzzySet> Finish(TOperand& operand);
  // Gives a variable-less set the variable and the printer.
  void Adopt(IFuzzySet& set);

 private:
  void Convert(std::span<const TRef<TIEValue>> items, TPostfix& out);
  void CountOperator();
  static void CheckDepth(int depth);
  void Own(TOperand& operand);
  double OperatorArgument(const TOperand& operand);

  EOutcome EmptyTerm(TOperand& out);
  EOutcome Term(const TIEValue& item, TOperand& out);
  EOutcome Spike(double number, const TIEValue& item, TOperand& out);
  EOutcome Evaluated(const TIEValue& item, TOperand& out, int depth);
  EOutcome Nested(const TValueVector& list, TOperand& out, int depth);
  EOutcome PointList(const TValueVector& list, TOperand& out);
  EOutcome Singletons(const TIEValue& item, TOperand& out);
  TRef<IFuzzySet> NewSet();

  IFuzzyVariable* variable_;
  IIEContext* bindings_;
  IFuzzyParser* printer_;
  int operators_ = 0;
};

void TEvaluator::CountOperator() {
  if (++operators_ > FuzzyExpressionMaxOperators) {
    Raise<EIEException>(FuzzyConsts::SFuzzyExpressionTooLong, FuzzyExpressionMaxOperators);
  }
}

void TEvaluator::CheckDepth(int depth) {
  if (depth > FuzzyExpressionMaxNesting) {
    Raise<EIEException>(FuzzyConsts::SFuzzyExpressionTooDeep, FuzzyExpressionMaxNesting);
  }
}

// Infix to postfix with an operator stack. A term-expr (operand, hedge or
// "[") directly after a complete one (operand or "]") ends the current
// expression: the stack is emptied to the output and a new one starts.
void TEvaluator::Convert(std::span<const TRef<TIEValue>> items, TPostfix& out) {
  std::vector<const TWord*> stack;
  out.steps.reserve(items.size());
  const auto arrive = [&](const TWord& word) {
    const int priority = ArrivingPriority(word);
    while (!stack.empty() && StackPriority(*stack.back()) <= priority) {
      out.steps.push_back({nullptr, stack.back()});
      stack.pop_back();
    }
    stack.push_back(&word);
  };
  const auto endExpression = [&] {
    while (!stack.empty()) {
      const TWord* word = stack.back();
      stack.pop_back();
      if (word->kind == EItem::Open) Raise<EIEException>(FuzzyConsts::SMissingFuzzyCloseBracket);
      out.steps.push_back({nullptr, word});
    }
    out.ends.push_back(out.steps.size());
  };

  bool termEnded = false;  // the previous item completed a term-expr
  bool afterOpen = false;
  for (const TRef<TIEValue>& ref : items) {
    const TIEValue* item = ref.Get();
    const TWord* word = Classify(item);
    const EItem kind = word ? word->kind : EItem::Operand;
    if (termEnded && (kind == EItem::Operand || kind == EItem::Hedge || kind == EItem::Open)) endExpression();
    switch (kind) {
      case EItem::Operand:
        out.steps.push_back({item, nullptr});
        termEnded = true;
        break;
      case EItem::Hedge:
      case EItem::Infix:
        CountOperator();
        arrive(*word);
        termEnded = false;
        break;
      case EItem::Open:
        arrive(*word);
        termEnded = false;
        break;
      case EItem::Close:
        // "[ ]" holds no expression; a "]" without "[" closes nothing.
        if (afterOpen) RaiseInvalidItem(*item);
        while (!stack.empty() && stack.back()->kind != EItem::Open) {
          out.steps.push_back({nullptr, stack.back()});
          stack.pop_back();
        }
        if (stack.empty()) RaiseInvalidItem(*item);
        stack.pop_back();
        termEnded = true;
        break;
    }
    afterOpen = kind == EItem::Open;
  }
  if (!items.empty()) endExpression();
}

EOutcome TEvaluator::Run(std::span<const TRef<TIEValue>> items, std::vector<TOperand>& results, int depth) {
  if (items.empty()) {
    results.emplace_back();
    return EmptyTerm(results.back());
  }
  TPostfix postfix;
  Convert(items, postfix);

  std::vector<TOperand> stack;
  results.reserve(postfix.ends.size());
  std::size_t begin = 0;
  for (const std::size_t end : postfix.ends) {
    for (std::size_t i = begin; i < end; ++i) {
      const TStep& step = postfix.steps[i];
      if (!step.word) {
        TOperand operand;
        const EOutcome outcome = Operand(step.item, operand, depth);
        if (outcome != EOutcome::Fuzzy) return outcome;
        stack.push_back(std::move(operand));
        continue;
      }
      const TWord& word = *step.word;
      if (word.kind == EItem::Hedge) {
        if (stack.empty()) RaiseMissingOperand(word);
        TOperand& top = stack.back();
        Own(top);
        top.set->ApplyHedge(word.code);
        top.hasNumber = false;
        continue;
      }
      if (stack.size() < 2) RaiseMissingOperand(word);
      TOperand right = std::move(stack.back());
      stack.pop_back();
      TOperand& left = stack.back();
      const auto operation = static_cast<TFuzzyOperation>(word.code);
      switch (word.infix) {
        case EInfix::And:
          left = TOperand{left.set->Intersection(*right.set, operation)};
          break;
        case EInfix::Or:
          left = TOperand{left.set->Union(*right.set, operation)};
          break;
        case EInfix::OperatorY:
        case EInfix::OperatorX: {
          const double k = OperatorArgument(right);
          Own(left);
          left.set->ApplyOperator(word.code, word.infix == EInfix::OperatorY, k);
          left.hasNumber = false;
          break;
        }
        case EInfix::None:
          break;
      }
    }
    // Every expression the conversion lets through leaves exactly its value.
    if (stack.size() != 1) Raise<EIEException>(FuzzyConsts::SInvalidFuzzyExpression, ItemsText(items));
    results.push_back(std::move(stack.back()));
    stack.clear();
    begin = end;
  }
  return EOutcome::Fuzzy;
}

EOutcome TEvaluator::Operand(const TIEValue* item, TOperand& out, int depth) {
  if (!item) return EmptyTerm(out);
  switch (item->DType()) {
    case dtNone:
      return EmptyTerm(out);
    case dtAtom:
    case dtString:
      return Term(*item, out);
    case dtInteger:
    case dtFloat:
      return Spike(NumberOf(*item), *item, out);
    case dtVariable:
    case dtMultiVariable:
    case dtFunCall:
      if (!bindings_) return EOutcome::NotFuzzy;
      return Evaluated(*item, out, depth);
    case dtObject:
      // A binding descriptor resolves in the bindings; other objects are not
      // fuzzy values.
      if (!bindings_) return EOutcome::Undefined;
      return Evaluated(*item, out, depth);
    case dtList:
      if (const TValueVector* list = item->ListPtr()) {
        if (IsPointList(*list)) return PointList(*list, out);
        return Nested(*list, out, depth);
      }
      break;
    case dtSingletons:
      return Singletons(*item, out);
    case dtFuzzy:
      if (IFuzzySet* set = item->FuzzyPtr()) {
        out = TOperand{TRef<IFuzzySet>(set)};
        out.borrowed = true;
        Adopt(*set);
        return EOutcome::Fuzzy;
      }
      break;
    default:
      break;
  }
  if (bindings_) RaiseInvalidItem(*item);
  return EOutcome::Undefined;
}

EOutcome TEvaluator::EmptyTerm(TOperand& out) {
  if (!variable_) Raise<EIEException>(FuzzyConsts::SFuzzyVariableNotDefined);
  IFuzzySet* found = variable_->FindTerm(FuzzyEmptyTermName);
  out.set = found ? TRef<IFuzzySet>(found) : variable_->CreateTerm(FuzzyEmptyTermName);
  out.borrowed = true;
  out.fromTable = true;
  return EOutcome::Fuzzy;
}

EOutcome TEvaluator::Term(const TIEValue& item, TOperand& out) {
  if (!variable_) Raise<EIEException>(FuzzyConsts::SFuzzyVariableNotDefined);
  const std::string_view name = item.Text();
  if (name.empty() || name == FuzzyEmptyTermName) return EmptyTerm(out);
  IFuzzySet* term = variable_->FindTerm(name);
  if (!term) RaiseInvalidItem(item);
  out.set = TRef<IFuzzySet>(term);
  out.borrowed = true;
  out.fromTable = true;
  return EOutcome::Fuzzy;
}

TRef<IFuzzySet> TEvaluator::NewSet() {
  TRef<IFuzzySet> set = NewEngineFuzzySet();
  Adopt(*set);
  return set;
}

void TEvaluator::Adopt(IFuzzySet& set) {
  if (set.Variable()) return;
  if (variable_) set.SetVariable(variable_);
  if (printer_) set.SetFuzzyParser(printer_);
}

// A spike of grade 1 at the number and 0 elsewhere (X clamped into the universe).
EOutcome TEvaluator::Spike(double number, const TIEValue& item, TOperand& out) {
  out.set = NewSet();
  out.set->SetName(item.AsText());
  out.set->FuzzySet().MakeTriangle(number, number, number);
  out.number = number;
  out.hasNumber = true;
  return EOutcome::Fuzzy;
}

// A variable, call or binding descriptor: its value taken by the operand
// rules; a fuzzy value is copied, so that changing it changes no binding.
EOutcome TEvaluator::Evaluated(const TIEValue& item, TOperand& out, int depth) {
  CheckDepth(depth + 1);
  TRef<TIEValue> value = const_cast<TIEValue&>(item).Evaluate(bindings_);
  if (value.Get() == &item) RaiseInvalidItem(item);
  if (IFuzzySet* set = value->FuzzyPtr()) {
    out.set = set->Clone();
    Adopt(*out.set);
    return EOutcome::Fuzzy;
  }
  return Operand(value.Get(), out, depth + 1);
}

EOutcome TEvaluator::Nested(const TValueVector& list, TOperand& out, int depth) {
  CheckDepth(depth + 1);
  std::vector<TOperand> results;
  const EOutcome outcome = Run(list.Items(), results, depth + 1);
  if (outcome != EOutcome::Fuzzy) return outcome;
  if (results.size() != 1) return EOutcome::NotFuzzy;
  out = std::move(results.front());
  return EOutcome::Fuzzy;
}

EOutcome TEvaluator::PointList(const TValueVector& list, TOperand& out) {
  out.set = NewSet();
  {
    TUpdateScope update(*out.set);
    for (const TRef<TIEValue>& pair : list) {
      const TValueVector& xy = *pair->ListPtr();
      out.set->AddPoint(NumberOf(*xy.Item(0)), NumberOf(*xy.Item(1)));
    }
  }
  // Named by its points, so that it prints in a form that reads back.
  out.set->SetName(out.set->FuzzySet().ValuesText());
  return EOutcome::Fuzzy;
}

// A point list whose coordinates may be variables or calls: evaluated with the
// bindings; without bindings only a list of numbers can be read.
EOutcome TEvaluator::Singletons(const TIEValue& item, TOperand& out) {
  const TRef<TSingletonsVector> points = item.AsSingletons();
  if (!points) return EOutcome::NotFuzzy;
  for (std::int32_t i = 0; i < points->Count(); ++i) {
    if (!points->X(i) || !points->Y(i)) RaiseInvalidItem(item);
    if (!bindings_ && (!IsNumber(points->X(i).Get()) || !IsNumber(points->Y(i).Get()))) return EOutcome::NotFuzzy;
  }
  const auto coordinate = [this](const TRef<TIEValue>& value) {
    return bindings_ ? value->Evaluate(bindings_)->AsNumeric() : NumberOf(*value);
  };
  out.set = NewSet();
  {
    TUpdateScope update(*out.set);
    for (std::int32_t i = 0; i < points->Count(); ++i) {
      const double x = coordinate(points->X(i));
      const double y = coordinate(points->Y(i));
      out.set->AddPoint(x, y);
    }
  }
  out.set->SetName(out.set->FuzzySet().ValuesText());
  return EOutcome::Fuzzy;
}

void TEvaluator::Own(TOperand& operand) {
  if (!operand.borrowed) return;
  operand.set = operand.set->Clone();
  operand.borrowed = false;
  operand.fromTable = false;
}

// The number an arithmetic operator applies: the number a spike was made
// from, otherwise the crisp value (centre of gravity) of the set.
double TEvaluator::OperatorArgument(const TOperand& operand) {
  if (operand.hasNumber) return operand.number;
  const TRef<IFuzzySet> set = operand.borrowed ? operand.set->Clone() : operand.set;
  return set->Defuzzify();
}

TRef<IFuzzySet> TEvaluator::Finish(TOperand& operand) {
  if (operand.fromTable) {
    operand.set = operand.set->Clone();
    operand.borrowed = false;
    operand.fromTable = false;
  }
  if (printer_ && !operand.set->FuzzyParser()) operand.set->SetFuzzyParser(printer_);
  return operand.set;
}

// The result of a whole item list; list is the multifield value the items
// came from, when there is one (it is then handed back when not fuzzy).
TRef<TIEValue> EvaluateItems(TEvaluator& evaluator, std::span<const TRef<TIEValue>> items, const TIEValue* list) {
  const auto notFuzzy = [&](EOutcome outcome) {
    if (outcome == EOutcome::Undefined) return SharedValues().Nil;
    if (list) return TRef<TIEValue>(const_cast<TIEValue*>(list));
    return NewList(MakeRef<TValueVector>(std::vector<TRef<TIEValue>>(items.begin(), items.end())));
  };
  if (items.size() == 1 && !Classify(items[0].Get())) {
    // A lone operand (a crisp number, say) is its own postfix form: it is
    // evaluated as Run would, without building one.
    TOperand result;
    const EOutcome outcome = evaluator.Operand(items[0].Get(), result, 0);
    if (outcome != EOutcome::Fuzzy) return notFuzzy(outcome);
    return MakeRef<TIEValue>(evaluator.Finish(result));
  }
  std::vector<TOperand> results;
  const EOutcome outcome = evaluator.Run(items, results, 0);
  if (outcome != EOutcome::Fuzzy) return notFuzzy(outcome);
  if (results.size() == 1) return MakeRef<TIEValue>(evaluator.Finish(results.front()));
  auto values = MakeRef<TValueVector>();
  values->Reserve(results.size());
  for (TOperand& result : results) values->Add(MakeRef<TIEValue>(evaluator.Finish(result)));
  return NewList(std::move(values));
}

// --- Text ----------------------------------------------------------------------

constexpr bool IsBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

constexpr bool IsSeparator(char c) noexcept { return IsBlank(c) || c == '[' || c == ']' || c == '(' || c == ')'; }

TRef<TIEValue> WordValue(std::string_view word) {
  std::int32_t integer = 0;
  if (TryStrToInt(word, integer)) return NewInteger(integer);
  double number = 0.0;
  if (TryStrToFloat(word, number)) return NewFloat(number);
  if (word.size() > 1 && word.front() == '?') return NewVariable(word.substr(1));
  if (word.size() > 2 && word.starts_with("$?")) return MakeRef<TIEValue>(word.substr(2), dtMultiVariable);
  return NewAtom(word);
}

}  // namespace

// --- Public entry points -------------------------------------------------------

TRef<TIEValue> EvaluateFuzzyOperand(IFuzzyVariable* variable, const TIEValue* item, IIEContext* bindings,
                                    IFuzzyParser* printer) {
  TEvaluator evaluator(variable, bindings, printer);
  TOperand operand;
  switch (evaluator.Operand(item, operand, 0)) {
    case EOutcome::Undefined:
      return SharedValues().Nil;
    case EOutcome::NotFuzzy:
      return TRef<TIEValue>(const_cast<TIEValue*>(item));
    case EOutcome::Fuzzy:
      break;
  }
  return MakeRef<TIEValue>(evaluator.Finish(operand));
}

TRef<TIEValue> EvaluateFuzzyExpression(IFuzzyVariable* variable, std::span<const TRef<TIEValue>> items,
                                       IIEContext* bindings, IFuzzyParser* printer) {
  TEvaluator evaluator(variable, bindings, printer);
  return EvaluateItems(evaluator, items, nullptr);
}

TRef<TIEValue> EvaluateFuzzyExpression(IFuzzyVariable* variable, const TValueVector& items, IIEContext* bindings,
                                       IFuzzyParser* printer) {
  return EvaluateFuzzyExpression(variable, std::span<const TRef<TIEValue>>(items.Items()), bindings, printer);
}

TRef<TIEValue> EvaluateFuzzyValue(IFuzzyVariable* variable, const TIEValue& value, IIEContext* bindings,
                                  IFuzzyParser* printer) {
  TEvaluator evaluator(variable, bindings, printer);
  switch (value.DType()) {
    case dtFuzzy:
      if (IFuzzySet* set = value.FuzzyPtr()) {
        evaluator.Adopt(*set);
        return TRef<TIEValue>(const_cast<TIEValue*>(&value));
      }
      break;
    case dtList:
      if (const TValueVector* list = value.ListPtr(); list && !IsPointList(*list)) {
        return EvaluateItems(evaluator, list->Items(), &value);
      }
      break;
    case dtAtom:
    case dtString:
      if (std::ranges::any_of(value.Text(), IsSeparator)) {
        const TRef<TValueVector> items = SplitFuzzyExpression(value.Text());
        return EvaluateItems(evaluator, items->Items(), nullptr);
      }
      break;
    default:
      break;
  }
  const TRef<TIEValue> item(const_cast<TIEValue*>(&value));
  return EvaluateItems(evaluator, std::span<const TRef<TIEValue>>(&item, 1), nullptr);
}

TRef<TValueVector> SplitFuzzyExpression(std::string_view text) {
  auto root = MakeRef<TValueVector>();
  // The lists opened by "(" and not yet closed, innermost last.
  std::vector<TRef<TValueVector>> open;
  TValueVector* current = root.Get();
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsBlank(c)) {
      ++i;
    } else if (c == '[' || c == ']') {
      current->Add(NewAtom(text.substr(i, 1)));
      ++i;
    } else if (c == '(') {
      if (open.size() >= static_cast<std::size_t>(FuzzyExpressionMaxNesting)) {
        Raise<EIEException>(FuzzyConsts::SFuzzyExpressionTooDeep, FuzzyExpressionMaxNesting);
      }
      open.push_back(MakeRef<TValueVector>());
      current = open.back().Get();
      ++i;
    } else if (c == ')') {
      if (open.empty()) Raise<EIEException>(FuzzyConsts::SInvalidFuzzyExpression, text);
      TRef<TValueVector> closed = std::move(open.back());
      open.pop_back();
      current = open.empty() ? root.Get() : open.back().Get();
      current->Add(NewList(std::move(closed)));
      ++i;
    } else {
      std::size_t j = i;
      while (j < text.size() && !IsSeparator(text[j])) ++j;
      current->Add(WordValue(text.substr(i, j - i)));
      i = j;
    }
  }
  if (!open.empty()) Raise<EIEException>(FuzzyConsts::SInvalidFuzzyExpression, text);
  return root;
}

std::string FuzzyValueText(const IFuzzySet& set) {
  const std::string& name = set.Name();
  if (name == FuzzyEmptyTermName) return {};
  if (name.empty()) return set.FuzzySet().ValuesText();
  if (name.find_first_of("[]") == std::string::npos) return name;
  // Combined names bracket their operands directly ("[very high] or low");
  // the printed form keeps every bracket apart from the words around it.
  std::string out;
  out.reserve(name.size() + name.size() / 4 + 2);
  bool blankAfter = false;
  for (const char c : name) {
    if (c == '[' || c == ']') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      out += c;
      blankAfter = true;
      continue;
    }
    if (blankAfter && c != ' ') out += ' ';
    blankAfter = false;
    out += c;
  }
  return out;
}

// --- TIEFuzzyParser --------------------------------------------------------------

std::string TIEFuzzyParser::FormatFuzzySet(const IFuzzySet& set) const { return FuzzyValueText(set); }

std::string TIEFuzzyParser::FormatSingletons(const TSingletonsVector& singletons) const {
  std::string out = "(";
  for (std::int32_t i = 0; i < singletons.Count(); ++i) {
    out += '(';
    if (const TRef<TIEValue>& x = singletons.X(i)) x->AppendText(out);
    out += ' ';
    if (const TRef<TIEValue>& y = singletons.Y(i)) y->AppendText(out);
    out += ") ";
  }
  out += ')';
  return out;
}

TRef<TIEValue> TIEFuzzyParser::ParseFuzzyExpression(IFuzzyVariable* variable, std::string_view text,
                                                    IIEContext* bindings) {
  const TRef<TValueVector> items = SplitFuzzyExpression(text);
  return EvaluateFuzzyExpression(variable, *items, bindings, this);
}

TRef<TIEValue> TIEFuzzyParser::ConvertToFuzzy(IFuzzyVariable* variable, const TIEValue& value, IIEContext* bindings) {
  return EvaluateFuzzyValue(variable, value, bindings, this);
}

}  // namespace fxe
