// Functions, calls, deffunctions, host functions and packages.
#include "model/IEPackages.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "base/IEExceptions.h"
#include "model/IEContext.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TTestReasoner;

// A function whose body is a lambda.
class TLambdaFunction final : public TIEUserFunction {
 public:
  using TBody = std::function<TRef<TIEValue>(IFunCall&, TIEContext*)>;
  TLambdaFunction(std::string_view name, TBody body, std::int32_t minimum = 0,
                  std::int32_t maximum = UnlimitedArguments)
      : TIEUserFunction(name, {}, {}, minimum, maximum), body_(std::move(body)) {}

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override { return body_(call, context); }

 private:
  TBody body_;
};

// Engine functions the tests call: "+" sums its evaluated arguments, "return"
// sets the context's return value, "count" counts its calls, "fail" raises.
class TFunctionTest : public ::testing::Test {
 protected:
  TFunctionTest() {
    Register("+", [](IFunCall& call, TIEContext* context) {
      std::int32_t sum = 0;
      for (const auto& argument : call.Arguments()) sum += argument->Evaluate(context)->AsInteger();
      return NewInteger(sum);
    });
    Register("return", [](IFunCall& call, TIEContext* context) {
      TRef<TIEValue> value = call.Argument(0)->Evaluate(context);
      context->SetReturnValue(value);
      return value;
    });
    Register("count", [this](IFunCall&, TIEContext*) { return NewInteger(++count_); });
    Register("fail", [](IFunCall&, TIEContext*) -> TRef<TIEValue> { throw EIEException("boom"); });
  }

  TRef<IUserFunction> Register(std::string_view name, TLambdaFunction::TBody body) {
    TRef<IUserFunction> function = MakeRef<TLambdaFunction>(name, std::move(body));
    function->AddReasoner(engine_);
    return function;
  }

  // A call of the engine with the given arguments.
  TRef<TFunctionCall> Call(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments = {}) {
    auto call = MakeRef<TFunctionCall>(&engine_, name);
    for (const auto& argument : arguments) call->AddArgument(argument);
    return call;
  }
  TRef<TIEValue> CallValue(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments = {}) {
    return MakeRef<TIEValue>(TRef<IFunCall>(Call(name, arguments)));
  }
  TRef<TInterpretedFunction> Deffunction(std::string_view name,
                                         std::initializer_list<std::pair<const char*, TIEType>> parameters,
                                         std::initializer_list<TRef<TIEValue>> actions) {
    auto function = MakeRef<TInterpretedFunction>(name);
    for (const auto& [parameter, kind] : parameters) function->AddParameter(parameter, kind);
    for (const auto& action : actions) function->AddAction(action);
    function->AddReasoner(engine_);
    return function;
  }
  TRef<TIEValue> Run(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments = {}) {
    return Call(name, arguments)->Evaluate(&engine_.EngineContext());
  }

  TTestReasoner engine_;
  std::int32_t count_ = 0;
};

// --- Calling protocol ---------------------------------------------------------------------------------

TEST_F(TFunctionTest, ArityIsCheckedBeforeTheFunctionRuns) {
  auto function = MakeRef<TLambdaFunction>(
      "pair", [this](IFunCall&, TIEContext*) { return NewInteger(++count_); }, 1, 2);
  function->AddReasoner(engine_);
  const struct {
    int arguments;
    const char* error;
  } cases[] = {{0, "Too few arguments for pair"}, {1, nullptr}, {2, nullptr}, {3, "Too many arguments for pair"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    auto call = Call("pair");
    for (int i = 0; i < c.arguments; ++i) call->AddArgument(i, dtInteger);
    const int before = count_;
    if (c.error) {
      ExpectError([&] { call->Evaluate(nullptr); }, c.error);
      EXPECT_EQ(count_, before);
    } else {
      EXPECT_EQ(call->Evaluate(nullptr)->AsInteger(), before + 1);
    }
  }
}

TEST_F(TFunctionTest, NamesResolveOnFirstEvaluationAndStayResolved) {
  auto call = Call("later");  // building the call does not need the function
  ExpectError([&] { call->Evaluate(nullptr); }, "Function is unimplemented or unassigned: later");
  TRef<IUserFunction> later = Register("later", [](IFunCall&, TIEContext*) { return NewAtom("ok"); });
  EXPECT_EQ(call->Evaluate(nullptr)->AsText(), "ok");
  EXPECT_EQ(call->Function(), later.Get());
  later->RemoveReasoner(engine_);
  EXPECT_EQ(call->Evaluate(nullptr)->AsText(), "ok");
  ExpectError([] { MakeRef<TFunctionCall>(nullptr, "x")->Evaluate(nullptr); },
              "Function is unimplemented or unassigned: x");
}

TEST_F(TFunctionTest, CallsNeedAnEvaluationContext) {
  test::TTestContext other;
  ExpectError([&] { Call("count")->Evaluate(&other); }, "Function count needs an evaluation context to be called in");
}

TEST_F(TFunctionTest, ExecuteWrapsFailuresWithTheCallName) {
  auto call = Call("fail");
  ExpectError([&] { call->Execute(nullptr); }, "Function is unimplemented or unassigned: fail");
  call->SetFunction(engine_.FindFunction("fail"));
  ExpectError([&] { call->Execute(nullptr); }, "fail error: boom");
  auto plus = Call("+", {NewAtom("x")});
  plus->SetFunction(engine_.FindFunction("+"));
  ExpectError([&] { plus->Execute(nullptr); }, "+ error: Not a integer type.  Value (x) is a dtAtom type");
}

TEST_F(TFunctionTest, BaseFunctionAndCountsKeepTheirInvariant) {
  auto function = MakeRef<TIEUserFunction>("noop");
  EXPECT_EQ(function->Call(*Call("noop"), nullptr), SharedValues().Nil);
  function->SetMaxArgumentCount(3);
  function->SetMinArgumentCount(5);
  EXPECT_EQ(function->MaxArgumentCount(), 5);
  function->SetMaxArgumentCount(2);
  EXPECT_EQ(function->MinArgumentCount(), 2);
}

// --- Registration ---------------------------------------------------------------------------------

TEST_F(TFunctionTest, RenamingMovesTheFunctionToTheNewNameOnly) {
  TRef<IUserFunction> function = Register("old-name", [](IFunCall&, TIEContext*) { return NewAtom("hi"); });
  function->SetFunctionName("new-name");
  EXPECT_EQ(Run("new-name")->AsText(), "hi");
  ExpectError([&] { Run("old-name"); }, "Function is unimplemented or unassigned: old-name");

  // A name another function has is refused and the function stays where it was.
  ExpectError([&] { function->SetFunctionName("count"); }, "Function Name already exists: \"count\"");
  EXPECT_EQ(function->FunctionName(), "new-name");
  EXPECT_EQ(engine_.FindFunction("new-name"), function);
  EXPECT_EQ(engine_.FindFunction("count")->FunctionName(), "count");
}

TEST_F(TFunctionTest, AReasonerThatRefusesAFunctionIsNotListed) {
  auto twin = MakeRef<TIEUserFunction>("count");
  ExpectError([&] { twin->AddReasoner(engine_); }, "Function Name already exists: \"count\"");
  EXPECT_EQ(twin->ReasonerCount(), 0);
}

// --- Calls ------------------------------------------------------------------------------------------

TEST_F(TFunctionTest, TypedArgumentsAcceptTheirKindsOnly) {
  auto call = Call("f");
  call->AddArgument("s", dtString);
  call->AddArgument("v", dtVariable);
  call->AddArgument("rest", dtMultiVariable);
  call->AddArgument(5, dtFloat);
  call->AddArgument(-2.9, dtInteger);
  call->AddArgument(2.5, dtFloat);
  EXPECT_EQ(call->AsString(), "(f \"s\" ?v $?rest 5.0000 -2 2.5000)");
  ExpectError([&] { call->AddArgument("abc", dtInteger); }, "Not a String type.  Value (abc) is a dtInteger type");
  ExpectError([&] { call->AddArgument(5, dtAtom); }, "Not a Integer type.  Value (5) is a dtAtom type");
  ExpectError([&] { call->AddArgument(2.5, dtString); }, "Not a Float type.  Value (2.5000) is a dtString type");
  EXPECT_EQ(call->ArgumentCount(), 6);
  call->DeleteArgument(0);
  EXPECT_EQ(call->Argument(0)->AsText(), "?v");
  ExpectError([&] { call->Argument(5); }, "List index out of bounds (5)");
}

TEST_F(TFunctionTest, PrintedFormWithCommentsAndSlotChanges) {
  auto call = Call("printout", {NewAtom("t"), CallValue("+", {NewInteger(1), NewVariable("x")})});
  call->SetComment("first line\r\n;kept as it is\r\n\r\n   padded   \r\n");
  EXPECT_EQ(call->AsString(), "; first line\r\n;kept as it is\r\n\r\n; padded\r\n(printout t (+ 1 ?x))");

  auto pair = MakeRef<TValueVector>();
  pair->Add(NewAtom("x"));
  pair->Add(NewInteger(1));
  auto modify = Call("modify", {NewVariable("f")});
  modify->AddArgument(pair);
  EXPECT_EQ(modify->AsString(), "(modify ?f (x 1 ))");
  engine_.SetSlotFunctions({});
  EXPECT_EQ(modify->AsString(), "(modify ?f x 1 )");
  auto unowned = MakeRef<TFunctionCall>(nullptr, "duplicate");
  unowned->AddArgument(3, dtInteger);
  unowned->AddArgument(pair);
  EXPECT_EQ(unowned->AsString(), "(duplicate 3 (x 1 ))");
}

TEST_F(TFunctionTest, EqualityHashAndClone) {
  auto a = Call("f", {NewInteger(1), NewAtom("b")});
  auto b = Call("f", {NewInteger(1), NewAtom("b")});
  EXPECT_TRUE(a->Equals(*b));
  EXPECT_EQ(a->HashCode(), b->HashCode());
  EXPECT_EQ(a->HashCode(), StringHash("f") + NewInteger(1)->HashCode() + NewAtom("b")->HashCode());
  EXPECT_FALSE(a->Equals(*Call("F", {NewInteger(1), NewAtom("b")})));
  EXPECT_FALSE(a->Equals(*Call("f", {NewInteger(1), NewString("b")})));
  EXPECT_FALSE(a->Equals(*Call("f", {NewInteger(1)})));

  a->SetTag(9);
  a->SetComment("note");
  TRef<IFunCall> copy = a->Clone();
  EXPECT_TRUE(copy->Equals(*a));
  EXPECT_EQ(copy->Owner(), &engine_);
  EXPECT_EQ(copy->Tag(), 9);
  EXPECT_EQ(copy->Comment(), "note");
  EXPECT_NE(copy->Argument(0).Get(), a->Argument(0).Get());
}

// --- Deffunctions -----------------------------------------------------------------------------------

TEST_F(TFunctionTest, DeffunctionCountsFollowTheParameters) {
  const struct {
    std::vector<std::pair<const char*, TIEType>> parameters;
    std::int32_t minimum, maximum;
  } cases[] = {{{}, 0, 0},
               {{{"a", dtVariable}, {"b", dtAtom}}, 2, 2},
               {{{"a", dtVariable}, {"rest", dtMultiVariable}}, 2, UnlimitedArguments}};
  for (const auto& c : cases) {
    auto function = MakeRef<TInterpretedFunction>("f");
    for (const auto& [name, kind] : c.parameters) function->AddParameter(name, kind);
    EXPECT_EQ(function->MinArgumentCount(), c.minimum);
    EXPECT_EQ(function->MaxArgumentCount(), c.maximum);
  }
  auto function = MakeRef<TInterpretedFunction>("f");
  ExpectError([&] { function->AddParameter("n", dtInteger); },
              "Invalid argument type for deffunction: \"dtInteger\".  Expected Atom, Variable, MultiVariable");
  function->AddParameter("rest", dtMultiVariable);
  ExpectError([&] { function->AddParameter("b", dtVariable); },
              "Invalid parameter b for deffunction f, only the last parameter may be a multifield variable");
}

TEST_F(TFunctionTest, WildcardTakesTheRemainingArguments) {
  Deffunction("rest-of", {{"a", dtVariable}, {"rest", dtMultiVariable}}, {NewVariable("rest")});
  EXPECT_EQ(Run("rest-of", {NewInteger(1), NewInteger(2)})->AsText(), "2 ");
  EXPECT_EQ(Run("rest-of", {NewInteger(1), NewInteger(2), CallValue("+", {NewInteger(1), NewInteger(2)})})->AsText(),
            "2 3 ");
  ExpectError([&] { Run("rest-of", {NewInteger(1)}); }, "Too few arguments for rest-of");

  Deffunction("two", {{"a", dtVariable}, {"b", dtVariable}}, {CallValue("+", {NewVariable("a"), NewVariable("b")})});
  EXPECT_EQ(Run("two", {NewInteger(1), NewInteger(2)})->AsInteger(), 3);
  ExpectError([&] { Run("two", {NewInteger(1), NewInteger(2), NewInteger(3)}); }, "Too many arguments for two");
}

TEST_F(TFunctionTest, ParametersBindInOrderInTheChildContext) {
  engine_.EngineContext().AddLocal("a", NewInteger(10));
  Deffunction("pair", {{"a", dtVariable}, {"b", dtVariable}, {"c", dtAtom}},
              {CallValue("+", {NewVariable("a"), NewVariable("b")}), CallValue("+", {NewVariable("b")})});
  // The second argument names ?a, which is already the first parameter there.
  EXPECT_EQ(Run("pair", {NewInteger(1), NewVariable("a"), NewInteger(99)})->AsInteger(), 1);
  EXPECT_EQ(engine_.EngineContext().FindVariableValue("a")->AsInteger(), 10);
  Deffunction("atom", {{"c", dtAtom}}, {NewVariable("c")});
  EXPECT_EQ(Run("atom", {NewInteger(5)}), SharedValues().Nil);
}

TEST_F(TFunctionTest, ResultIsTheLastActionOrTheReturnedValue) {
  Deffunction("last", {}, {CallValue("count"), NewAtom("done")});
  EXPECT_EQ(Run("last")->AsText(), "done");
  Deffunction("empty", {}, {});
  EXPECT_EQ(Run("empty"), SharedValues().Nil);

  count_ = 0;
  Deffunction("early", {}, {CallValue("count"), CallValue("return", {NewAtom("early")}), CallValue("count")});
  EXPECT_EQ(Run("early")->AsText(), "early");
  EXPECT_EQ(count_, 1);
  EXPECT_FALSE(engine_.EngineContext().ReturnFlag());
}

TEST_F(TFunctionTest, TheChildContextIsReleasedWhenAnActionFails) {
  auto argument = NewAtom("held");
  Deffunction("failing", {{"a", dtVariable}}, {CallValue("fail")});
  auto call = Call("failing", {argument});
  const auto before = argument->RefCount();
  ExpectError([&] { call->Evaluate(&engine_.EngineContext()); }, "boom");
  EXPECT_EQ(argument->RefCount(), before);
  EXPECT_EQ(engine_.EngineContext().Bindings().Count(), 0);
}

TEST_F(TFunctionTest, EndlessRecursionStopsWithAnError) {
  Deffunction("loop", {{"n", dtVariable}}, {CallValue("loop", {NewVariable("n")})});
  ExpectError([&] { Run("loop", {NewInteger(1)}); },
              "Maximum call depth of " + std::to_string(MaxCallDepth) + " exceeded calling loop");
  // Without a context the call runs below the engine's root context.
  EXPECT_EQ(Call("+", {NewInteger(2)})->Evaluate(nullptr)->AsInteger(), 2);
  Deffunction("id", {{"x", dtVariable}}, {NewVariable("x")});
  EXPECT_EQ(Call("id", {NewInteger(4)})->Evaluate(nullptr)->AsInteger(), 4);
}

TEST(TInterpretedFunction, RecursiveFunctionsAreFreedWithTheirEngine) {
  TRef<TInterpretedFunction> ping, pong;
  {
    TTestReasoner engine;
    auto make = [&engine](std::string_view name, std::string_view other) {
      auto function = MakeRef<TInterpretedFunction>(name);
      auto call = MakeRef<TFunctionCall>(&engine, other);
      function->AddAction(MakeRef<TIEValue>(TRef<IFunCall>(call)));
      function->AddReasoner(engine);
      return function;
    };
    ping = make("ping", "pong");
    pong = make("pong", "ping");
    // Which of the two stops depends on whether the depth or the stack runs out first.
    try {
      MakeRef<TFunctionCall>(&engine, "ping")->Evaluate(&engine.EngineContext());
      ADD_FAILURE() << "the recursion did not stop";
    } catch (const EIEException& e) {
      const std::string prefix = "Maximum call depth of " + std::to_string(MaxCallDepth) + " exceeded calling p";
      EXPECT_TRUE(std::string_view(e.what()).starts_with(prefix)) << e.what();
    }
    EXPECT_GT(ping->RefCount(), 2u);  // the engine and pong's resolved call
  }
  EXPECT_EQ(ping->RefCount(), 1u);
  EXPECT_EQ(pong->RefCount(), 1u);
}

// --- Host functions ----------------------------------------------------------------------------------

TEST(ArgumentSynopsis, FromCounts) {
  const struct {
    const char* synopsis;
    std::int32_t minimum, maximum;
    const char* expected;
  } cases[] = {
      {"", 1, 3, "<expression>[ <expression>[ <expression>]]"},
      {"", 0, 2, "[ <expression>[ <expression>]]"},
      {" <a> <b> <c>", 2, 2, "<a> <b>"},
      {" <a>", 2, 2, "<a> <expression>"},
      {"", 0, 0, ""},
      {"", 3, 1, ""},
      {"", 1, 1, "<expression>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(ArgumentSynopsis(c.synopsis, c.minimum, c.maximum), c.expected);
  }
  // At most ten positions; an optional level still opens after the tenth.
  std::string ten;
  for (int i = 0; i < 9; ++i) ten += "<expression> ";
  EXPECT_EQ(ArgumentSynopsis("", 10, UnlimitedArguments), ten + "<expression>[]");
}

TEST(TUserFunction, CountsRebuildTheSynopsis) {
  TUserFunction host("host");
  host.SetMinArgumentCount(1);
  host.SetMaxArgumentCount(3);
  EXPECT_EQ(host.ArgumentString(), "<expression>[ <expression>[ <expression>]]");
}

TEST(TUserFunction, AnswersThroughOnCallWhileItExists) {
  TTestReasoner engine;
  auto host = std::make_unique<TUserFunction>("ask");
  host->SetEngine(&engine);
  auto call = MakeRef<TFunctionCall>(&engine, "ask");
  EXPECT_EQ(call->Evaluate(nullptr), SharedValues().Nil);

  host->SetOnCall([](TUserFunction& sender, IFunCall& c, TRef<TIEValue>& result, TIEContext*) {
    result = NewString(sender.FunctionName() + "/" + std::to_string(c.ArgumentCount()));
  });
  EXPECT_EQ(call->Evaluate(nullptr)->AsText(), "\"ask/0\"");

  host->SetFunctionName("query");
  EXPECT_EQ(engine.FindFunction("ask"), nullptr);
  EXPECT_EQ(engine.FindFunction("query").Get(), &host->Function());

  host.reset();
  EXPECT_EQ(engine.FindFunction("query"), nullptr);
  ExpectError([&] { call->Evaluate(nullptr); }, "Function is unimplemented or unassigned: query");
}

TEST(TUserFunction, LosesItsEngineWhenTheEngineIsDestroyed) {
  TUserFunction host("h");
  TTestReasoner other;
  {
    TTestReasoner engine;
    host.SetEngine(&engine);
    EXPECT_NE(engine.FindFunction("h"), nullptr);
  }
  EXPECT_EQ(host.Engine(), nullptr);
  host.SetEngine(&other);
  EXPECT_EQ(other.FindFunction("h").Get(), &host.Function());
}

// --- Packages --------------------------------------------------------------------------------------

TRef<IUserFunction> Named(std::string_view name, std::string_view comment = {}) {
  return MakeRef<TIEUserFunction>(name, comment);
}

TEST(TUserPackage, RegistersItsFunctionsWithEveryReasoner) {
  TTestReasoner first, second;
  auto package = TUserPackage::Create(&first);
  package->AddFunction(Named("a"));
  package->AddFunction(Named("b"));
  package->AddReasoner(second);
  for (TTestReasoner* engine : {&first, &second}) {
    EXPECT_NE(engine->FindFunction("a"), nullptr);
    EXPECT_NE(engine->FindFunction("b"), nullptr);
  }
  package->RemoveFunction(*package->FindFunction("a"));
  EXPECT_EQ(first.FindFunction("a"), nullptr);
  EXPECT_EQ(second.FindFunction("a"), nullptr);

  package->SetEngine(&second);  // first is left, second was served already
  EXPECT_EQ(first.FindFunction("b"), nullptr);
  EXPECT_EQ(package->ReasonerCount(), 1);
  package.reset();
  EXPECT_TRUE(second.Functions().empty());
}

TEST(TUserPackage, ARefusedReasonerGetsNoneOfTheFunctions) {
  TTestReasoner engine;
  Named("b")->AddReasoner(engine);
  TUserPackage package;
  package.AddFunction(Named("a"));
  package.AddFunction(Named("b"));
  ExpectError([&] { package.SetEngine(&engine); }, "Function Name already exists: \"b\"");
  EXPECT_EQ(package.Engine(), nullptr);
  EXPECT_EQ(engine.FindFunction("a"), nullptr);
  EXPECT_EQ(package.ReasonerCount(), 0);
}

TEST(TUserPackage, ResetCreatesTheFunctionsAgainAndTheEngineCanGoFirst) {
  TUserPackage package;
  int created = 0;
  package.SetOnCreateFunctions([&created](TUserPackage& sender) {
    ++created;
    sender.AddFunction(Named("made"));
  });
  package.CreateFunctions();
  {
    TTestReasoner engine;
    package.SetEngine(&engine);
    package.SetReset(true);
    EXPECT_FALSE(package.Reset());
    EXPECT_EQ(created, 2);
    EXPECT_EQ(package.Functions().size(), 1u);
    EXPECT_EQ(engine.FindFunction("made").Get(), package.Functions()[0].Get());
  }
  EXPECT_EQ(package.Engine(), nullptr);
  EXPECT_EQ(package.ReasonerCount(), 0);
  EXPECT_EQ(package.Functions()[0]->ReasonerCount(), 0);
}

TEST(TUserPackage, StoresAndReadsItsFunctions) {
  TUserPackage source;
  TRef<IUserFunction> f = Named("f", "help text");
  f->SetMaxArgumentCount(4);
  f->SetMinArgumentCount(1);
  source.AddFunction(f);
  source.AddFunction(Named("g"));
  TFunctionDataWriter writer;
  source.WritePackageFunctions(writer);

  TTestReasoner engine;
  TUserPackage target;
  target.SetEngine(&engine);
  target.AddFunction(Named("old"));
  TFunctionDataReader reader(writer.Items());
  target.ReadPackageFunctions(reader);
  ASSERT_EQ(target.Functions().size(), 2u);
  const IUserFunction& read = *target.Functions()[0];
  EXPECT_EQ(read.FunctionName(), "f");
  EXPECT_EQ(read.Comment(), "help text");
  EXPECT_EQ(read.MinArgumentCount(), 1);
  EXPECT_EQ(read.MaxArgumentCount(), 4);
  EXPECT_EQ(engine.FindFunction("old"), nullptr);
  EXPECT_NE(engine.FindFunction("g"), nullptr);

  TFunctionDataWriter unknown;
  unknown.WriteListBegin();
  unknown.WriteString("TNoSuchFunction");
  unknown.WriteListEnd();
  TFunctionDataReader unknownReader(unknown.Items());
  ExpectError([&] { target.ReadPackageFunctions(unknownReader); }, "Unknown function class: TNoSuchFunction");

  TFunctionDataWriter truncated;
  truncated.WriteListBegin();
  truncated.WriteString("TIEUserFunction");
  truncated.WriteString("h");
  TFunctionDataReader truncatedReader(truncated.Items());
  ExpectError([&] { target.ReadPackageFunctions(truncatedReader); }, "Invalid stored function data, expected a string");
  // Damaged data leaves the package and its registrations as they were.
  ASSERT_EQ(target.Functions().size(), 2u);
  EXPECT_EQ(target.Functions()[0]->FunctionName(), "f");
  EXPECT_NE(engine.FindFunction("f"), nullptr);
  EXPECT_EQ(engine.FindFunction("h"), nullptr);
}

}  // namespace
}  // namespace fxe
