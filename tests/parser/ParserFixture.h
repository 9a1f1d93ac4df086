// The set-up the parser suites share: a stand-in engine with a few functions,
// a parser on it, and helpers that parse text and capture parse errors.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "fuzzy/IEFuzzyLogic.h"
#include "model/IEPackages.h"
#include "parser/IERuleParser.h"
#include "support/TestReasoner.h"

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

// An engine with a parser reading from a text, as the suites use them.
struct TParserSession {
  TParserSession() {
    engine.SetFuzzyParser(&fuzzyParser);
    engine.SetFullFuzzyExpressions(true);
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
    MakeRef<TLambdaFunction>(name, std::move(body), minArguments)->AddReasoner(engine);
  }
  // Makes text the parser's input.
  void Use(std::string text) {
    stream = TIERuleStream::FromText(std::move(text), &engine);
    parser.SetStream(stream.get());
  }
  // Parses all of text, executing commands.
  void Parse(std::string text) {
    Use(std::move(text));
    parser.Parse(true);
  }

  TIEFuzzyParser fuzzyParser;
  TTestReasoner engine;
  std::unique_ptr<TIERuleStream> stream;
  TIERuleParser parser{&engine};
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
  TTestReasoner& engine = session_.engine;
  TIERuleParser& parser = session_.parser;
};

}  // namespace fxe::test
