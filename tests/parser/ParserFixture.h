// The set-up the parser suites share: an inference engine with a few
// functions, a parser on it, and helpers that parse text and capture parse errors.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "engine/InferenceEngine.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEPackages.h"
#include "parser/IERuleParser.h"

namespace fxe::test {

// A function whose body is a callback over its evaluated arguments.
class TLambdaFunction final : public TIEUserFunction {
 public:
  using TBody = std::function<TRef<TIEValue>(std::span<const TRef<TIEValue>> arguments)>;
  TLambdaFunction(std::string_view name, TBody body, std::int32_t minArguments = 0)
      : TIEUserFunction(name, {}, {}, minArguments), body_(std::move(body)) {}

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override {
    std::vector<TRef<TIEValue>> arguments;
    for (const TRef<TIEValue>& argument : call.Arguments()) arguments.push_back(argument->Evaluate(context));
    return body_(arguments);
  }

 private:
  TBody body_;
};

// The inference engine as the parser suites look at it: what was printed,
// the fact sets, globals and facts it holds.
class TParserEngine {
 public:
  TParserEngine() {
    // The suites see only the terms their types define.
    engine_.SetFuzzyAutoTerms(false);
    engine_.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { output_ += text; });
  }
  operator IReasoner&() noexcept { return engine_; }
  IReasoner* operator&() noexcept { return &engine_; }
  TInferenceEngine& Engine() noexcept { return engine_; }

  TRef<IIEDefinedType> FindDefinedType(std::string_view name) const { return engine_.FindDefinedType(name); }
  TRef<IFactTemplate> FindFactTemplate(std::string_view name) const { return engine_.FindFactTemplate(name); }
  TRule* FindRule(std::string_view name) const { return engine_.FindRule(name); }
  TRef<IUserFunction> FindFunction(std::string_view name) const { return engine_.FindFunction(name); }
  TIEContext& EngineContext() { return engine_.EngineContext(); }
  void PrintOut(std::string_view logicalName, std::string_view text) { engine_.PrintOut(logicalName, text); }
  void SetFuzzyAutoTerms(bool autoTerms) { engine_.SetFuzzyAutoTerms(autoTerms); }

  const std::string& Output() const noexcept { return output_; }
  void ClearOutput() noexcept { output_.clear(); }
  std::vector<TFactSet*> FactSets() const { return {engine_.FactSetList().begin(), engine_.FactSetList().end()}; }
  std::vector<std::pair<std::string, TRef<TIEValue>>> Globals() const {
    std::vector<std::pair<std::string, TRef<TIEValue>>> globals;
    for (const auto& entry : engine_.GlobalVariableTable()) globals.emplace_back(entry.Key(), entry.Value());
    return globals;
  }
  // The fact base after the initial fact.
  std::vector<TRef<IFact>> Facts() {
    std::vector<TRef<IFact>> facts = engine_.Facts().Snapshot();
    if (!facts.empty() && facts.front()->Template()->Name() == InitialFactTemplateName) facts.erase(facts.begin());
    return facts;
  }

 private:
  TInferenceEngine engine_;
  std::string output_;
};

// An engine with a parser reading from a text, as the suites use them.
struct TParserSession {
  TParserSession() {
    AddFunction("+", [](std::span<const TRef<TIEValue>> arguments) {
      double sum = 0.0;
      bool integral = true;
      for (const auto& argument : arguments) {
        integral = integral && argument->DType() == dtInteger;
        sum += argument->AsNumeric();
      }
      return integral ? NewInteger(static_cast<std::int32_t>(sum)) : NewFloat(sum);
    });
    AddFunction(
        ">",
        [](std::span<const TRef<TIEValue>> arguments) {
          return arguments[0]->AsNumeric() > arguments[1]->AsNumeric() ? SharedValues().True : SharedValues().False;
        },
        2);
    AddFunction("printout", [this](std::span<const TRef<TIEValue>> arguments) {
      std::string text;
      for (std::size_t i = 1; i < arguments.size(); ++i) text += arguments[i]->AsString();
      engine.PrintOut(arguments.empty() ? std::string() : arguments[0]->AsString(), text);
      return SharedValues().Nil;
    });
  }

  void AddFunction(std::string_view name, TLambdaFunction::TBody body, std::int32_t minArguments = 0) {
    MakeRef<TLambdaFunction>(name, std::move(body), minArguments)->AddReasoner(engine.Engine());
  }
  // Makes text the parser's input.
  void Use(std::string text) {
    stream = TIERuleStream::FromText(std::move(text), &engine.Engine());
    parser.SetStream(stream.get());
  }
  // Parses all of text, executing commands.
  void Parse(std::string text) {
    Use(std::move(text));
    parser.Parse(true);
  }

  TParserEngine engine;
  std::unique_ptr<TIERuleStream> stream;
  TIERuleParser parser{&engine.Engine()};
};

class ParserTest : public ::testing::Test {
 protected:
  void Use(std::string text) { session_.Use(std::move(text)); }
  void Parse(std::string text) { session_.Parse(std::move(text)); }
  // The message of the error that parsing text raises; "<other> ..." for an
  // exception that is not a parse error, "<none>" when there is none.
  std::string ErrorOf(std::string text) {
    return ErrorOf([&] { Parse(std::move(text)); });
  }
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EIEParseException& e) {
      return e.what();
    } catch (const std::exception& e) {
      return std::string("<other> ") + e.what();
    }
    return "<none>";
  }
  // The whole text of a parse error.
  static std::string Error(std::string_view message, std::string_view operation, int line, std::string_view record) {
    return Format(IEConsts::SParsingError, message, operation, line, record);
  }
  // The same for a construct read by Parse: its first token is looked at and
  // pushed back, which leaves a blank in front of the record.
  static std::string TopError(std::string_view message, std::string_view operation, int line, std::string_view record) {
    return Error(message, operation, line, " " + std::string(record));
  }

 private:
  TParserSession session_;

 protected:
  TParserEngine& engine = session_.engine;
  TIERuleParser& parser = session_.parser;
};

}  // namespace fxe::test
