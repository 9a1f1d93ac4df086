// An engine for tests and benchmarks with a few host functions standing in
// for built-ins (assert, retract, modify, printout, bind, halt, arithmetic
// and comparisons), everything printed collected, and helpers that run text.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/IEExceptions.h"
#include "engine/InferenceEngine.h"
#include "model/IEFacts.h"
#include "model/IEPackages.h"

namespace fxe::test {

class TEngineSession {
 public:
  using TBody = std::function<TRef<TIEValue>(TEngineSession& session, IFunCall& call, TIEContext* context)>;

  explicit TEngineSession(TInferenceEngine::TOptions options = {}) : engine_(std::move(options)) {
    engine_.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
    InstallFunctions();
  }
  TEngineSession(const TEngineSession&) = delete;
  TEngineSession& operator=(const TEngineSession&) = delete;
  ~TEngineSession() {
    // The functions go before the engine does.
    for (auto& function : functions_) function->SetEngine(nullptr);
  }

  TInferenceEngine& Engine() noexcept { return engine_; }
  // A host function whose body gets the call with its arguments unevaluated.
  void Function(std::string_view name, TBody body, std::int32_t minArguments = 0) {
    auto function = std::make_unique<TUserFunction>(name);
    function->SetMinArgumentCount(minArguments);
    function->SetOnCall([this, body = std::move(body)](TUserFunction&, IFunCall& call, TRef<TIEValue>& result,
                                                       TIEContext* context) { result = body(*this, call, context); });
    function->SetEngine(&engine_);
    functions_.push_back(std::move(function));
  }
  // Each argument evaluated.
  static std::vector<TRef<TIEValue>> Arguments(IFunCall& call, TIEContext* context) {
    std::vector<TRef<TIEValue>> values;
    for (const auto& argument : call.Arguments()) values.push_back(argument->Evaluate(context));
    return values;
  }
  // Parses and runs the text; returns what was printed meanwhile.
  std::string Run(std::string_view text) {
    output.clear();
    engine_.Parse(text, true);
    return output;
  }
  // The agenda, one activation per line.
  std::string Agenda() {
    std::string text;
    for (std::int32_t i = 0; i < engine_.Agenda().Count(); ++i)
      text += engine_.Agenda().Activation(i).AsString() + "\n";
    return text;
  }
  std::string Facts() {
    std::string text;
    for (std::int32_t i = 0; i < engine_.FactCount(); ++i) text += engine_.FactAt(i).AsStringWithID() + "\n";
    return text;
  }

  std::string output;
  std::vector<std::string> log;

 private:
  void InstallFunctions() {
    auto number = [](double value, bool integral) {
      return integral ? NewInteger(static_cast<std::int32_t>(value)) : NewFloat(value);
    };
    auto arithmetic = [number](std::string_view name, std::function<double(double, double)> op) {
      return [number, op = std::move(op)](TEngineSession&, IFunCall& call, TIEContext* context) {
        const auto values = Arguments(call, context);
        bool integral = true;
        double result = 0.0;
        for (std::size_t i = 0; i < values.size(); ++i) {
          integral = integral && values[i]->DType() == dtInteger;
          result = i == 0 ? values[i]->AsNumeric() : op(result, values[i]->AsNumeric());
        }
        return number(result, integral);
      };
      (void)name;
    };
    Function("+", arithmetic("+", [](double a, double b) { return a + b; }));
    Function("-", arithmetic("-", [](double a, double b) { return a - b; }));
    Function("*", arithmetic("*", [](double a, double b) { return a * b; }));
    auto compare = [](std::function<bool(const TIEValue&, const TIEValue&)> op) {
      return [op = std::move(op)](TEngineSession&, IFunCall& call, TIEContext* context) {
        const auto values = Arguments(call, context);
        for (std::size_t i = 1; i < values.size(); ++i) {
          if (!op(*values[i - 1], *values[i])) return SharedValues().False;
        }
        return SharedValues().True;
      };
    };
    Function(">", compare([](const TIEValue& a, const TIEValue& b) { return a.AsNumeric() > b.AsNumeric(); }));
    Function("<", compare([](const TIEValue& a, const TIEValue& b) { return a.AsNumeric() < b.AsNumeric(); }));
    Function(">=", compare([](const TIEValue& a, const TIEValue& b) { return a.AsNumeric() >= b.AsNumeric(); }));
    Function("=", compare([](const TIEValue& a, const TIEValue& b) { return a.AsNumeric() == b.AsNumeric(); }));
    Function("eq", compare([](const TIEValue& a, const TIEValue& b) { return a.Equals(&b); }));
    Function("eq*", compare([](const TIEValue& a, const TIEValue& b) { return a.EqualsValue(&b); }));
    Function("neq", compare([](const TIEValue& a, const TIEValue& b) { return !a.Equals(&b); }));
    Function("not", [](TEngineSession&, IFunCall& call, TIEContext* context) {
      const auto values = Arguments(call, context);
      return values.at(0).Get() == SharedValues().False.Get() ? SharedValues().True : SharedValues().False;
    });
    Function("or", [](TEngineSession&, IFunCall& call, TIEContext* context) {
      for (const auto& argument : call.Arguments()) {
        if (argument->Evaluate(context).Get() != SharedValues().False.Get()) return SharedValues().True;
      }
      return SharedValues().False;
    });
    Function("and", [](TEngineSession&, IFunCall& call, TIEContext* context) {
      for (const auto& argument : call.Arguments()) {
        if (argument->Evaluate(context).Get() == SharedValues().False.Get()) return SharedValues().False;
      }
      return SharedValues().True;
    });
    // (note x ...) logs the printed values, blank-separated.
    Function("note", [](TEngineSession& session, IFunCall& call, TIEContext* context) {
      std::string line;
      for (const auto& value : Arguments(call, context)) {
        if (!line.empty()) line += ' ';
        line += value->AsText();
      }
      session.log.push_back(line);
      return SharedValues().Nil;
    });
    Function("printout", [](TEngineSession& session, IFunCall& call, TIEContext* context) {
      const auto values = Arguments(call, context);
      std::string text;
      for (std::size_t i = 1; i < values.size(); ++i) {
        const TIEValue& value = *values[i];
        text += value.DType() == dtAtom && value.Text() == "crlf" ? std::string("\r\n") : value.AsString();
      }
      session.engine_.Output(values.empty() ? std::string() : values[0]->AsString(), text);
      return SharedValues().Nil;
    });
    // assert resolves a copy of each fact: the action's own fact stays a template.
    Function("assert", [](TEngineSession& session, IFunCall& call, TIEContext* context) {
      std::int32_t index = -1;
      for (const auto& argument : call.Arguments()) {
        const IFact* fact = argument->FactPtr();
        if (!fact) continue;
        TRef<IFact> copy = fact->Clone();
        session.engine_.ResolveFact(*copy, context);
        index = session.engine_.Assert(*copy, false);
      }
      return MakeRef<TIEValue>(index, dtFactId);
    });
    Function("retract", [](TEngineSession& session, IFunCall& call, TIEContext* context) {
      for (const auto& value : Arguments(call, context)) {
        if (TRef<IFact> fact = session.engine_.FindFact(value->AsFactId())) session.engine_.RetractFact(*fact);
      }
      return SharedValues().Nil;
    });
    Function(
        "modify",
        [](TEngineSession& session, IFunCall& call, TIEContext* context) {
          const auto arguments = call.Arguments();
          return ModifyFact(session.engine_, context, *arguments[0], arguments.subspan(1));
        },
        1);
    Function(
        "bind",
        [](TEngineSession&, IFunCall& call, TIEContext* context) {
          TRef<TIEValue> value = call.Argument(1)->Evaluate(context);
          context->DeclareVariable(call.Argument(0)->Text(), value);
          return value;
        },
        2);
    Function("halt", [](TEngineSession& session, IFunCall&, TIEContext*) {
      session.engine_.Halt();
      return SharedValues().Nil;
    });
    Function("fail", [](TEngineSession&, IFunCall&, TIEContext*) -> TRef<TIEValue> {
      throw EIEException("the action failed");
    });
  }

  TInferenceEngine engine_;
  std::vector<std::unique_ptr<TUserFunction>> functions_;
};

}  // namespace fxe::test
