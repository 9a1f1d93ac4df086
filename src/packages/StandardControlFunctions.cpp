// The standard functions that steer evaluation (and, or, if, while, foreach,
// try, return), compare values and bind variables.
#include <cstdint>
#include <utility>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/StandardFunctions.h"

namespace fxe::detail {

TIEContext& ContextOf(const TArguments& arguments) {
  TIEContext* context = arguments.Context();
  if (!context) Raise<EIEException>(IEConsts::SEvaluationContextRequired, arguments.FunctionName());
  return *context;
}

bool IsKeyword(const TIEValue* value, std::string_view keyword) noexcept {
  return value && value->DType() == dtAtom && value->Text() == keyword;
}

TRef<TIEValue> EvaluateSequence(TArguments& arguments, std::int32_t first, std::int32_t last, TRef<TIEValue> nothing) {
  TRef<TIEValue> result = std::move(nothing);
  TIEContext* context = arguments.Context();
  // A flag raised when a sequence starts is left over from a return that
  // had no deffunction to end (one typed as a command): once raised, every
  // enclosing sequence stops at once, so no sequence starts under a live one.
  if (context) context->ClearReturn();
  for (std::int32_t i = first; i < last; ++i) {
    result = arguments.Value(i);
    if (context && context->ReturnFlag()) return context->ReturnValueRef() ? context->ReturnValueRef() : result;
  }
  return result;
}

TRef<TIEValue> FactIdOrFalse(std::int32_t index) {
  return index < 0 ? SharedValues().False : MakeRef<TIEValue>(index, dtFactId);
}

namespace {

bool IsFalse(const TIEValue& value) { return !IsTrue(&value); }
// Whether the argument evaluates to FALSE.
bool IsFalse(const TArguments& arguments, std::int32_t index) {
  TRef<TIEValue> holder;
  return IsFalse(arguments.Lend(index, holder));
}

// TRUE when test holds between the first argument and each following one;
// later arguments are not evaluated once it fails.
template <class TTest>
TRef<TIEValue> FirstAgainstRest(TArguments& arguments, TTest test) {
  // The first is held: evaluating a later one may rebind its variable.
  const TRef<TIEValue> first = arguments.Value(0);
  for (std::int32_t i = 1; i < arguments.Count(); ++i) {
    TRef<TIEValue> holder;
    if (!test(*first, arguments.Lend(i, holder))) return SharedValues().False;
  }
  return SharedValues().True;
}

// TRUE when test holds for every argument and the one after it.
template <class TTest>
TRef<TIEValue> Pairwise(TArguments& arguments, TTest test) {
  double previous = arguments.Float(0);
  for (std::int32_t i = 1; i < arguments.Count(); ++i) {
    const double next = arguments.Float(i);
    if (!test(previous, next)) return SharedValues().False;
    previous = next;
  }
  return SharedValues().True;
}

// Loose equality; a value that cannot be read as the first one's kind raises
// the conversion error.
bool EqualInValue(const TIEValue& a, const TIEValue& b) { return a.EqualsValue(&b); }

// The position of the first argument from start on that is the keyword, or -1.
std::int32_t FindKeyword(const TArguments& arguments, std::int32_t start, std::string_view keyword) {
  for (std::int32_t i = start; i < arguments.Count(); ++i)
    if (IsKeyword(arguments.Raw(i).Get(), keyword)) return i;
  return -1;
}

// The binding name a variable argument stands for: its text as written.
std::string VariableName(const TIEValue& raw) {
  return TextTypes.Contains(raw.DType()) ? std::string(raw.Text()) : raw.AsString();
}

bool ReturnRaised(const TArguments& arguments) {
  const TIEContext* context = arguments.Context();
  return context && context->ReturnFlag();
}

}  // namespace

TRef<TIEValue> And(TArguments& arguments) {
  for (std::int32_t i = 0; i < arguments.Count(); ++i)
    if (IsFalse(arguments, i)) return SharedValues().False;
  return SharedValues().True;
}

TRef<TIEValue> Or(TArguments& arguments) {
  for (std::int32_t i = 0; i < arguments.Count(); ++i)
    if (!IsFalse(arguments, i)) return SharedValues().True;
  return SharedValues().False;
}

TRef<TIEValue> Not(TArguments& arguments) { return Truth(IsFalse(arguments, 0)); }

TRef<TIEValue> Eq(TArguments& arguments) {
  return FirstAgainstRest(arguments, [](const TIEValue& a, const TIEValue& b) { return a.Equals(&b); });
}

TRef<TIEValue> EqValue(TArguments& arguments) { return FirstAgainstRest(arguments, EqualInValue); }

TRef<TIEValue> Neq(TArguments& arguments) {
  return FirstAgainstRest(arguments, [](const TIEValue& a, const TIEValue& b) { return !a.Equals(&b); });
}

TRef<TIEValue> NumEqual(TArguments& arguments) {
  return FirstAgainstRest(arguments, [](const TIEValue& a, const TIEValue& b) { return a.AsFloat() == b.AsFloat(); });
}

TRef<TIEValue> NumNotEqual(TArguments& arguments) {
  return FirstAgainstRest(arguments, [](const TIEValue& a, const TIEValue& b) { return a.AsFloat() != b.AsFloat(); });
}

TRef<TIEValue> Greater(TArguments& arguments) {
  return Pairwise(arguments, [](double a, double b) { return a > b; });
}
TRef<TIEValue> GreaterEqual(TArguments& arguments) {
  return Pairwise(arguments, [](double a, double b) { return a >= b; });
}
TRef<TIEValue> Less(TArguments& arguments) {
  return Pairwise(arguments, [](double a, double b) { return a < b; });
}
TRef<TIEValue> LessEqual(TArguments& arguments) {
  return Pairwise(arguments, [](double a, double b) { return a <= b; });
}

TRef<TIEValue> If(TArguments& arguments) {
  if (!IsKeyword(arguments.Raw(1).Get(), "then")) Raise<EIEException>(IEConsts::SSyntaxError, IEConsts::SMissingThen);
  const std::int32_t count = arguments.Count();
  if (IsFalse(arguments, 0)) {
    const std::int32_t elsePosition = FindKeyword(arguments, 3, "else");
    if (elsePosition < 0) return SharedValues().False;
    return EvaluateSequence(arguments, elsePosition + 1, count, SharedValues().False);
  }
  const std::int32_t elsePosition = FindKeyword(arguments, 2, "else");
  return EvaluateSequence(arguments, 2, elsePosition < 0 ? count : elsePosition, SharedValues().False);
}

TRef<TIEValue> While(TArguments& arguments) {
  const std::int32_t body = IsKeyword(arguments.Raw(1).Get(), "do") ? 2 : 1;
  TRef<TIEValue> condition = arguments.Value(0);
  while (!IsFalse(*condition)) {
    TRef<TIEValue> last = EvaluateSequence(arguments, body, arguments.Count(), nullptr);
    if (ReturnRaised(arguments)) return last;
    condition = arguments.Value(0);
  }
  return condition;
}

TRef<TIEValue> Foreach(TArguments& arguments) {
  TIEContext& context = ContextOf(arguments);
  const std::string name = VariableName(*arguments.Raw(0));
  const TRef<TValueVector> items = arguments.List(1);
  TRef<TIEValue> result = SharedValues().Nil;
  // The list is held while the body runs, so the body may rebind the
  // variable it came from.
  for (const TRef<TIEValue>& item : items->Items()) {
    TRef<TIEValue> value = item ? item->Evaluate(&context) : SharedValues().Nil;
    context.DeclareVariable(name, std::move(value));
    result = EvaluateSequence(arguments, 2, arguments.Count(), std::move(result));
    if (context.ReturnFlag()) break;
  }
  return result;
}

TRef<TIEValue> Try(TArguments& arguments) {
  const std::int32_t count = arguments.Count();
  const std::int32_t finallyAt = FindKeyword(arguments, 0, "finally");
  std::int32_t catchAt = -1;
  for (std::int32_t i = finallyAt < 0 ? 0 : finallyAt + 1; i < count && catchAt < 0; ++i) {
    const TIEValue* raw = arguments.Raw(i).Get();
    if (IsKeyword(raw, "catch") || IsKeyword(raw, "except")) catchAt = i;
  }
  if (finallyAt < 0 && catchAt < 0) Raise<EIEException>(IEConsts::SMissingCatchOrFinally);

  const std::int32_t bodyEnd = finallyAt >= 0 ? finallyAt : catchAt;
  const std::int32_t finallyEnd = catchAt >= 0 ? catchAt : count;
  // The finally block runs whole also after the body returned; the body's
  // return stands unless the block returns in its turn.
  const auto runFinally = [&] {
    if (finallyAt < 0) return;
    TIEContext* context = arguments.Context();
    if (!context || !context->ReturnFlag()) {
      EvaluateSequence(arguments, finallyAt + 1, finallyEnd, nullptr);
      return;
    }
    TRef<TIEValue> returned = context->ReturnValueRef();
    context->ClearReturn();
    EvaluateSequence(arguments, finallyAt + 1, finallyEnd, nullptr);
    if (!context->ReturnFlag()) context->SetReturnValue(std::move(returned));
  };

  TRef<TIEValue> result;
  std::string failure;
  bool failed = false;
  try {
    result = EvaluateSequence(arguments, 0, bodyEnd, SharedValues().False);
  } catch (const EAbort&) {
    runFinally();
    throw;
  } catch (const EIEException& error) {
    failure = error.what();
    failed = true;
  } catch (const EFzyException& error) {
    failure = error.what();
    failed = true;
  } catch (const EGHashtableError& error) {
    failure = error.what();
    failed = true;
  } catch (const EGStreamError& error) {
    failure = error.what();
    failed = true;
  } catch (...) {
    runFinally();
    throw;
  }
  const bool returned = ReturnRaised(arguments);
  runFinally();
  if (!failed) return returned ? arguments.Context()->ReturnValueRef() : result;

  TIEContext& context = ContextOf(arguments);
  context.DeclareVariable(IEConsts::SErrorVariable, NewString(failure));
  if (catchAt < 0) return SharedValues().False;
  return EvaluateSequence(arguments, catchAt + 1, count, SharedValues().False);
}

TRef<TIEValue> Return(TArguments& arguments) {
  TRef<TIEValue> value = arguments.Value(0);
  ContextOf(arguments).SetReturnValue(value);
  return value;
}

TRef<TIEValue> Throw(TArguments& arguments) { throw EIEException(arguments.Text(0)); }

TRef<TIEValue> Bind(TArguments& arguments) {
  TIEContext& context = ContextOf(arguments);
  TRef<TIEValue> value = arguments.Value(1);
  context.DeclareVariable(VariableName(*arguments.Raw(0)), value);
  return value;
}

TRef<TIEValue> GetVar(TArguments& arguments) {
  const TRef<TIEValue>& raw = arguments.Raw(0);
  if (VariableTypes.Contains(raw->DType())) return arguments.Value(0);
  const TBinding* binding = ContextOf(arguments).FindBinding(VariableName(*raw));
  return binding && binding->Value() ? binding->ValueRef() : SharedValues().Nil;
}

}  // namespace fxe::detail
