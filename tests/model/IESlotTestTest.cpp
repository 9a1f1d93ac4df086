// Join tests, pattern tests and patterns: evaluation, the slot-test table,
// the rewriting of "or" connectives, copies and the printed pattern text.
#include "model/IESlotTest.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "model/IEContext.h"
#include "model/IEPackages.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::TTestFunCall;
using test::TTestReasoner;
using test::TTestToken;

// A function whose work is a lambda over the call's arguments.
class TLambdaFunction final : public TIEUserFunction {
 public:
  using TBody = std::function<bool(std::span<const TRef<TIEValue>>, TIEContext*)>;
  TLambdaFunction(std::string_view name, TBody body) : TIEUserFunction(name), body_(std::move(body)) {}

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override {
    return body_(call.Arguments(), context) ? SharedValues().True : SharedValues().False;
  }

 private:
  TBody body_;
};

bool IsTrue(const TRef<TIEValue>& argument, TIEContext* context) {
  return argument->Evaluate(context).Get() != SharedValues().False.Get();
}

// The predicates the rewriting of "or" connectives produces.
void AddLogicFunctions(IReasoner& engine) {
  auto add = [&engine](std::string_view name, TLambdaFunction::TBody body) {
    MakeRef<TLambdaFunction>(name, std::move(body))->AddReasoner(engine);
  };
  add("eq", [](auto args, TIEContext* c) { return args[0]->Evaluate(c)->Equals(args[1]->Evaluate(c).Get()); });
  add("neq", [](auto args, TIEContext* c) { return !args[0]->Evaluate(c)->Equals(args[1]->Evaluate(c).Get()); });
  add("not", [](auto args, TIEContext* c) { return !IsTrue(args[0], c); });
  add("or", [](auto args, TIEContext* c) {
    return std::any_of(args.begin(), args.end(), [c](const auto& a) { return IsTrue(a, c); });
  });
  add("and", [](auto args, TIEContext* c) {
    return std::all_of(args.begin(), args.end(), [c](const auto& a) { return IsTrue(a, c); });
  });
}

// car: color and size single slots, tags a multislot (sorted: color, size, tags).
TRef<IFactTemplate> CarTemplate(TTestReasoner& engine) {
  auto t = MakeRef<TFactTemplate>(&engine, "car");
  t->AddSlot("size", NewInteger(0));
  t->AddSlot("color", NewAtom("red"));
  t->AddMultiSlot("tags", NewList());
  engine.AddFactTemplate(t);
  return t;
}

TRef<IFact> Car(const TRef<IFactTemplate>& t, std::string_view color, std::int32_t size,
                std::initializer_list<std::string_view> tags = {}) {
  TRef<IFact> fact = t->CreateFact();
  fact->SetSlotValue("color", NewAtom(color));
  fact->SetSlotValue("size", NewInteger(size));
  auto list = MakeRef<TValueVector>();
  for (std::string_view tag : tags) list->Add(NewAtom(tag));
  fact->SetSlotValue("tags", NewList(std::move(list)));
  return fact;
}

TRef<TIEValue> Call(IReasoner* engine, std::string_view name, std::initializer_list<TRef<TIEValue>> arguments) {
  auto call = MakeRef<TFunctionCall>(engine, name);
  for (const auto& argument : arguments) call->AddArgument(argument);
  return MakeRef<TIEValue>(TRef<IFunCall>(call));
}

TRef<TIEValue> MultiVariable(std::string_view name) { return MakeRef<TIEValue>(name, dtMultiVariable); }

// Records what a pattern tells its owner.
class TRecordingOwner final : public IPatternOwner {
 public:
  explicit TRecordingOwner(IReasoner* engine) : engine_(engine) {}
  void PatternChanged(TIEPattern&) override { ++changes; }
  void BindGeneratedVariable(TIEPattern&, std::string_view name, std::string_view slot, std::int32_t sub) override {
    bindings.push_back(std::string(name) + "@" + std::string(slot) + ":" + std::to_string(sub));
  }
  IReasoner* PatternEngine() const noexcept override { return engine_; }

  int changes = 0;
  std::vector<std::string> bindings;

 private:
  IReasoner* engine_;
};

// --- TIEJoinTest -------------------------------------------------------------------------------

TEST(TIEJoinTest, ComparesWholeSlotsOfTokenFactAndEnteringFact) {
  TTestReasoner engine;
  auto t = CarTemplate(engine);
  const TRef<IFact> left = Car(t, "red", 1);
  auto token = MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "blue", 2), left});
  struct Row {
    TSlotTestType type;
    std::string_view rightColor;
    bool expected;
  };
  const Row rows[] = {{sttEquals, "red", true},
                      {sttEquals, "green", false},
                      {sttNotEquals, "red", false},
                      {sttNotEquals, "green", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.rightColor) + (row.type == sttEquals ? " =" : " <>"));
    const TIEJoinTest test(row.type, 1, "color", "color");
    EXPECT_EQ(test.Evaluate(Car(t, row.rightColor, 9).Get(), token.Get()), row.expected);
  }
}

TEST(TIEJoinTest, ComparesMultifieldElements) {
  TTestReasoner engine;
  auto t = CarTemplate(engine);
  auto token = MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "red", 1, {"a", "b", "c"})});
  const TRef<IFact> right = Car(t, "red", 1, {"c", "a"});
  // element 2 of the left tags (c) against element 0 of the right tags (c)
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, 0, "tags", 2, "tags").Evaluate(right.Get(), token.Get()));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, 1, "tags", 2, "tags").Evaluate(right.Get(), token.Get()));
  EXPECT_TRUE(TIEJoinTest(sttNotEquals, 0, 1, "tags", 2, "tags").Evaluate(right.Get(), token.Get()));
  // a missing element equals nothing
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, 5, "tags", 0, "tags").Evaluate(right.Get(), token.Get()));
  // sub-index -1 compares the whole value
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, -1, "color", -1, "color").Evaluate(right.Get(), token.Get()));
}

TEST(TIEJoinTest, ElementTestPassesWhenTokenLacksTheFact) {
  TTestReasoner engine;
  auto t = CarTemplate(engine);
  auto token = MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "red", 1, {"a"})});
  const TRef<IFact> right = Car(t, "blue", 2, {"z"});
  for (TSlotTestType type : {sttEquals, sttNotEquals}) {
    SCOPED_TRACE(type);
    EXPECT_TRUE(TIEJoinTest(type, 3, 0, "tags", 0, "tags").Evaluate(right.Get(), token.Get()));
  }
  // the whole-slot test has no such exception
  EXPECT_FALSE(TIEJoinTest(sttEquals, 3, "color", "color").Evaluate(right.Get(), token.Get()));
}

TEST(TIEJoinTest, EvaluatesTheContextsFactAndToken) {
  TTestReasoner engine;
  auto t = CarTemplate(engine);
  TIEContext context(nullptr, &engine);
  context.SetToken(MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "red", 4)}));
  context.SetFact(Car(t, "blue", 4));
  EXPECT_TRUE(TIEJoinTest(sttEquals, 0, "size", "size").Evaluate(context));
  EXPECT_FALSE(TIEJoinTest(sttEquals, 0, "color", "color").Evaluate(context));
}

TEST(TIEJoinTest, FollowsSlotLayoutChangesAndRefusesUnknownSlots) {
  TTestReasoner engine;
  auto t = CarTemplate(engine);
  auto token = MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "red", 1)});
  const TIEJoinTest test(sttEquals, 0, "size", "size");
  EXPECT_TRUE(test.Evaluate(Car(t, "red", 1).Get(), token.Get()));
  // A slot sorting before "size" moves it to another position.
  t->AddSlot("age", NewInteger(0));
  auto moved = MakeRef<TTestToken>(std::vector<TRef<IFact>>{Car(t, "red", 7)});
  EXPECT_TRUE(test.Evaluate(Car(t, "blue", 7).Get(), moved.Get()));
  EXPECT_FALSE(test.Evaluate(Car(t, "blue", 8).Get(), moved.Get()));
  ExpectError([&] { TIEJoinTest(sttEquals, 0, "wheels", "size").Evaluate(Car(t, "red", 7).Get(), moved.Get()); },
              "No such slot name: \"wheels\"");
}

TEST(TIEJoinTest, TextsEqualityAndCopies) {
  const TIEJoinTest slot(sttEquals, 1, "b", "a");
  const TIEJoinTest element(sttNotEquals, 0, 1, "b", 2, "a");
  EXPECT_EQ(slot.AsString(), "= tstSlot TokenIdx: 1 Left: a Right: b");
  EXPECT_EQ(element.AsString(), "<> tstMultiSlot TokenIdx: 0 Left: a 2 Right: b 1");

  EXPECT_TRUE(slot.Clone()->Equals(slot));
  EXPECT_FALSE(slot.Equals(element));
  EXPECT_FALSE(slot.Equals(TIEJoinTest(sttEquals, 1, "B", "a")));
  EXPECT_FALSE(slot.Equals(TIESlotTest(sttEquals)));
  TIEJoinTest copy(sttEquals, 0, "x", "y");
  copy.Assign(element);
  EXPECT_TRUE(copy.Equals(element));
  EXPECT_EQ(TIESlotTest(sttNotEquals).AsString(), "<>");
}

// --- TIEPatternMatchTest --------------------------------------------------------------------------

TEST(TIEPatternMatchTest, PredicateFailsOnlyOnFalse) {
  struct Row {
    std::string_view name;
    TRef<TIEValue> result;
    bool passes;
  };
  const Row rows[] = {{"nil", SharedValues().Nil, true},      {"zero", NewInteger(0), true},
                      {"empty string", NewString(""), true},  {"TRUE", SharedValues().True, true},
                      {"FALSE", SharedValues().False, false}, {"atom FALSE (not shared)", NewAtom("FALSE"), true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto call = MakeRef<TTestFunCall>("p", [&row](IIEContext*) { return row.result; });
    const auto value = MakeRef<TIEValue>(TRef<IFunCall>(call));
    EXPECT_EQ(TIEPatternMatchTest(nullptr, sttEquals, value.Get()).Evaluate(nullptr), row.passes);
    EXPECT_EQ(TIEPatternMatchTest(nullptr, sttNotEquals, value.Get()).Evaluate(nullptr), !row.passes);
  }
}

TEST(TIEPatternMatchTest, KeepsAClonedValueAndComparesAllFields) {
  const TRef<TIEValue> red = NewAtom("red");
  TIEPatternMatchTest test(nullptr, sttEquals, red.Get(), 0);
  red->SetAsAtom("blue");
  EXPECT_EQ(test.AsString(), "= SubIdx: 0 Slot: red");
  EXPECT_EQ(TIEPatternMatchTest(nullptr, sttNotEquals, nullptr).AsString(), "<> SubIdx: -1");

  EXPECT_TRUE(test.Equals(*test.Clone()));
  EXPECT_FALSE(test.Equals(TIEPatternMatchTest(nullptr, sttEquals, NewString("red").Get(), 0)));
  EXPECT_FALSE(test.Equals(TIEPatternMatchTest(nullptr, sttEquals, NewAtom("red").Get(), 1)));
  EXPECT_FALSE(test.Equals(TIEPatternMatchTest(nullptr, sttNotEquals, NewAtom("red").Get(), 0)));
  auto disjunctive = test.Clone();
  static_cast<TIEPatternMatchTest&>(*disjunctive).SetConjunction(false);
  EXPECT_FALSE(test.Equals(*disjunctive));
}

// --- TIEPattern: table, counts, notifications ------------------------------------------------------

TEST(TIEPattern, EntersTheTemplatesSlotsInSortedOrder) {
  TTestReasoner engine;
  TIEPattern pattern(nullptr, 0, CarTemplate(engine));
  EXPECT_EQ(pattern.Name(), "car");
  ASSERT_EQ(pattern.SlotCount(), 3);
  EXPECT_EQ(pattern.SlotName(0), "color");
  EXPECT_EQ(pattern.SlotName(1), "size");
  EXPECT_EQ(pattern.SlotName(2), "tags");
  EXPECT_EQ(pattern.RequiredLength(2), -1);
  EXPECT_EQ(pattern.IndexOfSlot("tags"), 2);
  EXPECT_EQ(pattern.IndexOfSlot("Tags"), -1);

  TIEPattern ordered(nullptr, 0, engine.GetImpliedTemplate("item"));
  ASSERT_EQ(ordered.SlotCount(), 1);
  EXPECT_EQ(ordered.SlotName(0), "__Data");
}

TEST(TIEPattern, RefusesTestsWithoutTemplateOrSlot) {
  TTestReasoner engine;
  TIEPattern pattern(nullptr, 0, CarTemplate(engine));
  ExpectError([&] { pattern.AddTest("wheels", NewInteger(4).Get(), false); }, "No such slot name: \"wheels\"");
  EXPECT_EQ(pattern.TestCount(), 0);

  TIEPattern bare(nullptr, 0, nullptr, "car");
  ExpectError([&] { bare.AddTest("color", NewAtom("red").Get(), false); }, "Fact Template is missing");
  ExpectError([&] { (void)bare.AsString(); }, "Fact Template is missing");
}

TEST(TIEPattern, CountsTestsAndDisjunctions) {
  TTestReasoner engine;
  TIEPattern pattern(nullptr, 0, CarTemplate(engine));
  pattern.AddTest("color", NewAtom("red").Get(), false);
  TIEPatternMatchTest& blue = pattern.AddTest("color", NewAtom("blue").Get(), false, -1, false);
  pattern.AddTest("size", NewInteger(3).Get(), true);
  EXPECT_EQ(pattern.TestCount(), 3);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);
  EXPECT_EQ(pattern.SlotTestCount(0), 2);
  EXPECT_EQ(pattern.SlotTest(1, 0).SlotTestType(), sttNotEquals);
  blue.SetConjunction(true);
  EXPECT_EQ(pattern.DisjunctionCount(), 0);
  blue.SetConjunction(false);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);
}

TEST(TIEPattern, ReportsChangesToOwnerAndOnChange) {
  TTestReasoner engine;
  TRecordingOwner owner(&engine);
  TIEPattern pattern(&owner, 0, CarTemplate(engine));
  int events = 0;
  pattern.SetOnChange([&events](TIEPattern&) { ++events; });

  pattern.SetNegatedCount(1);
  pattern.SetNegatedCount(1);  // unchanged: no report
  pattern.SetName("auto");     // only stored
  pattern.SetUnique(true);
  TIEPatternMatchTest& test = pattern.AddTest("color", NewAtom("red").Get(), false);
  test.SetMultiSlotSubIndex(0);
  EXPECT_EQ(owner.changes, 4);
  EXPECT_EQ(events, 4);

  pattern.BeginUpdate();
  pattern.BeginUpdate();
  pattern.SetExplicit(true);
  test.SetSlotValue(NewAtom("blue").Get());
  pattern.EndUpdate();
  EXPECT_EQ(owner.changes, 4);
  pattern.EndUpdate();
  EXPECT_EQ(owner.changes, 5);

  TRecordingOwner other(&engine);
  pattern.SetOwner(&other);
  EXPECT_EQ(owner.changes, 6);
  EXPECT_EQ(other.changes, 1);
}

TEST(TIEPattern, NegatedTestPatternCannotBeBound) {
  TTestReasoner engine;
  TIEPattern test(nullptr, 1, engine.GetImpliedTemplate("test"), "test");
  ExpectError([&] { test.SetBoundName("t"); }, "Cannot bind a negated pattern to a variable");
  EXPECT_EQ(test.BoundName(), "");
  // Other negated patterns are left to the parser's own check.
  TIEPattern negated(nullptr, 1, CarTemplate(engine));
  negated.SetBoundName("c");
  EXPECT_EQ(negated.BoundName(), "c");
}

// --- TIEPattern: printed form ---------------------------------------------------------------------

struct PrintCase {
  std::string_view name;
  std::function<void(TIEPattern&)> build;
  std::string_view text;
};

TEST(TIEPattern, PrintedForms) {
  const PrintCase cases[] = {
      {"no tests", [](TIEPattern&) {}, "(car )"},
      {"constant", [](TIEPattern& p) { p.AddTest("color", NewAtom("red").Get(), false); }, "(car (color red) )"},
      {"negated constants joined by and",
       [](TIEPattern& p) {
         p.AddTest("color", NewAtom("red").Get(), true);
         p.AddTest("color", NewAtom("blue").Get(), true);
       },
       "(car (color ~red&~blue) )"},
      {"or connective",
       [](TIEPattern& p) {
         p.AddTest("color", NewAtom("red").Get(), false);
         p.AddTest("color", NewAtom("blue").Get(), false, -1, false);
       },
       "(car (color red|blue) )"},
      {"slots in sorted order, strings quoted",
       [](TIEPattern& p) {
         p.AddTest("size", NewInteger(3).Get(), false);
         p.AddTest("color", NewString("dark red").Get(), false);
       },
       "(car (color \"dark red\") (size 3) )"},
      {"multislot fields",
       [](TIEPattern& p) {
         p.AddTest("tags", NewAtom("a").Get(), false, 0);
         p.AddTest("tags", NewVariable("x").Get(), false, 1);
         p.AddTest("tags", NewAtom("b").Get(), true, 1);
         p.AddTest("tags", MultiVariable("rest").Get(), false, 2);
       },
       "(car (tags a ?x&~b $?rest) )"},
      {"empty multifield asked for", [](TIEPattern& p) { p.SetRequiredLength(p.IndexOfSlot("tags"), 0); },
       "(car (tags ) )"},
      {"predicate",
       [](TIEPattern& p) {
         p.AddTest("size", NewVariable("s").Get(), false);
         p.AddTest("size", Call(nullptr, ">", {NewVariable("s"), NewInteger(3)}).Get(), false);
       },
       "(car (size ?s&:(> ?s 3)) )"},
      {"not", [](TIEPattern& p) { p.SetNegatedCount(1); }, "(not (car ))"},
      {"exists", [](TIEPattern& p) { p.SetNegatedCount(2); }, "(exists (car ))"},
      {"not exists", [](TIEPattern& p) { p.SetNegatedCount(3); }, "(not (exists (car )))"},
      {"not not exists", [](TIEPattern& p) { p.SetNegatedCount(4); }, "(not (not (exists (car ))))"},
      {"unique, explicit, bound",
       [](TIEPattern& p) {
         p.SetUnique(true);
         p.SetExplicit(true);
         p.SetBoundName("c");
       },
       "?c <- (explicit (unique (car )))"},
      {"unique inside not",
       [](TIEPattern& p) {
         p.SetUnique(true);
         p.SetNegatedCount(1);
       },
       "(not (unique (car )))"},
      {"comment lines", [](TIEPattern& p) { p.SetComment("  first line\n; second\r\n\n third  "); },
       "; first line\r\n; second\r\n\r\n; third\r\n(car )"},
      {"comment outside the wrappers, after the fact variable",
       [](TIEPattern& p) {
         p.SetComment("why");
         p.SetExplicit(true);
         p.SetBoundName("c");
       },
       "?c <- ; why\r\n(explicit (car ))"},
  };
  for (const PrintCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestReasoner engine;
    TIEPattern pattern(nullptr, 0, CarTemplate(engine));
    c.build(pattern);
    EXPECT_EQ(pattern.AsString(), c.text);
  }
}

TEST(TIEPattern, PrintsOrderedAndTestPatterns) {
  TTestReasoner engine;
  TIEPattern ordered(nullptr, 0, engine.GetImpliedTemplate("item"));
  ordered.AddTest("__Data", NewAtom("a").Get(), false, 0);
  ordered.AddTest("__Data", NewInteger(2).Get(), false, 1);
  EXPECT_EQ(ordered.AsString(), "(item a 2)");

  // A slot whose tests print as nothing gets a fresh variable from the engine.
  TIEPattern empty(nullptr, 0, engine.GetImpliedTemplate("item"));
  engine.Gensym("x");
  EXPECT_EQ(empty.AsString(), "(item $?__var1)");
  EXPECT_EQ(empty.AsString(), "(item $?__var2)");
  empty.SetRequiredLength(0, 0);
  EXPECT_EQ(empty.AsString(), "(item )");

  TIEPattern test(nullptr, 0, engine.GetImpliedTemplate("test"), "test");
  test.AddTest("__Data", Call(nullptr, ">", {NewVariable("x"), NewInteger(1)}).Get(), false);
  EXPECT_EQ(test.AsString(), "(test (> ?x 1))");
}

// --- TIEPattern: disjunctions -----------------------------------------------------------------------

TEST(TIEPattern, CompileDisjunctionsLeavesConjunctionsAlone) {
  TTestReasoner engine;
  TRecordingOwner owner(&engine);
  TIEPattern pattern(&owner, 0, CarTemplate(engine));
  pattern.AddTest("color", NewAtom("red").Get(), true);
  pattern.AddTest("color", NewAtom("blue").Get(), true);
  const int changes = owner.changes;
  pattern.CompileDisjunctions();
  EXPECT_EQ(pattern.AsString(), "(car (color ~red&~blue) )");
  EXPECT_EQ(pattern.TestCount(), 2);
  EXPECT_EQ(owner.changes, changes);
  EXPECT_TRUE(owner.bindings.empty());
}

struct DisjunctionCase {
  std::string_view name;
  std::function<void(TIEPattern&)> build;
  std::string_view text;
  std::vector<std::string> bindings;
};

TEST(TIEPattern, CompileDisjunctionsBuildsPredicates) {
  const DisjunctionCase cases[] = {
      {"two constants get a generated pivot",
       [](TIEPattern& p) {
         p.AddTest("color", NewAtom("red").Get(), false);
         p.AddTest("color", NewAtom("blue").Get(), false, -1, false);
       },
       "(car (color ?_blank_0&:(or (eq red ?_blank_0) (eq blue ?_blank_0))) )",
       {"_blank_0@color:-1"}},
      {"a leading variable is the pivot",
       [](TIEPattern& p) {
         p.AddTest("color", NewVariable("c").Get(), false);
         p.AddTest("color", NewAtom("red").Get(), false);
         p.AddTest("color", NewAtom("blue").Get(), false, -1, false);
       },
       "(car (color ?c&:(or (eq red ?c) (eq blue ?c))) )",
       {}},
      {"and binds tighter than or",
       [](TIEPattern& p) {
         p.AddTest("color", NewAtom("red").Get(), false);
         p.AddTest("color", NewAtom("blue").Get(), true);
         p.AddTest("color", NewAtom("green").Get(), false, -1, false);
       },
       "(car (color ?_blank_0&:(or (and (eq red ?_blank_0) (neq blue ?_blank_0)) (eq green ?_blank_0))) )",
       {"_blank_0@color:-1"}},
      {"predicates stay calls, negated ones get not",
       [](TIEPattern& p) {
         p.AddTest("size", NewInteger(1).Get(), false);
         p.AddTest("size", Call(nullptr, "big", {}).Get(), false, -1, false);
         p.AddTest("size", Call(nullptr, "small", {}).Get(), true, -1, false);
       },
       "(car (size ?_blank_0&:(or (eq 1 ?_blank_0) (big) (not (small)))) )",
       {"_blank_0@size:-1"}},
      {"only the group with or is rewritten",
       [](TIEPattern& p) {
         p.AddTest("tags", NewAtom("a").Get(), false, 0);
         p.AddTest("tags", NewAtom("b").Get(), false, 0, false);
         p.AddTest("tags", NewAtom("c").Get(), false, 1);
         p.AddTest("size", NewInteger(2).Get(), false);
       },
       "(car (size 2) (tags ?_blank_0&:(or (eq a ?_blank_0) (eq b ?_blank_0)) c) )",
       {"_blank_0@tags:0"}},
  };
  for (const DisjunctionCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestReasoner engine;
    TRecordingOwner owner(&engine);
    TIEPattern pattern(&owner, 0, CarTemplate(engine));
    c.build(pattern);
    pattern.CompileDisjunctions();
    EXPECT_EQ(pattern.AsString(), c.text);
    EXPECT_EQ(pattern.DisjunctionCount(), 0);
    EXPECT_EQ(owner.bindings, c.bindings);
  }
}

TEST(TIEPattern, CompiledDisjunctionMatchesEitherAlternative) {
  TTestReasoner engine;
  AddLogicFunctions(engine);
  TIEPattern pattern(nullptr, 0, CarTemplate(engine));
  pattern.AddTest("color", NewAtom("red").Get(), false);
  pattern.AddTest("color", NewAtom("blue").Get(), false, -1, false);
  pattern.CompileDisjunctions();
  ASSERT_EQ(pattern.SlotTestCount(0), 2);
  const std::string pivot(pattern.SlotTest(0, 0).SlotValue()->Text());
  for (auto [color, expected] : {std::pair{"red", true}, {"blue", true}, {"green", false}}) {
    SCOPED_TRACE(color);
    std::unique_ptr<TIEContext> context = engine.EngineContext().CreateChild();
    context->AddLocal(pivot, NewAtom(color));
    EXPECT_EQ(pattern.SlotTest(0, 1).Evaluate(context.get()), expected);
  }
}

// --- TIEPattern: copies --------------------------------------------------------------------------------

TEST(TIEPattern, AssignCopiesEverything) {
  TTestReasoner engine;
  TIEPattern source(nullptr, 3, CarTemplate(engine));
  source.SetBoundName("c");
  source.SetUnique(true);
  source.SetExplicit(true);
  source.SetComment("why");
  source.AddTest("tags", NewAtom("a").Get(), false, 0);
  source.AddTest("tags", NewAtom("b").Get(), false, 0, false);
  source.SetRequiredLength(2, 1);

  TRecordingOwner owner(&engine);
  TIEPattern target(&owner, 0, engine.GetImpliedTemplate("item"));
  target.Assign(source);
  EXPECT_EQ(target.AsString(), source.AsString());
  EXPECT_EQ(target.NegatedCount(), 3);
  EXPECT_EQ(target.RequiredLength(2), 1);
  EXPECT_EQ(target.TestCount(), 2);
  EXPECT_EQ(target.DisjunctionCount(), 1);
  EXPECT_EQ(owner.changes, 1);
  // The copy owns its tests.
  target.SlotTest(2, 0).SetSlotValue(NewAtom("z").Get());
  EXPECT_EQ(source.SlotTest(2, 0).SlotValue()->AsText(), "a");
}

TEST(TIEPattern, CopyForEngineRenamesGeneratedVariablesConsistently) {
  TTestReasoner engine;
  TIEPattern pattern(nullptr, 0, CarTemplate(engine));
  pattern.AddTest("color", NewAtom("red").Get(), false);
  pattern.AddTest("color", NewAtom("blue").Get(), false, -1, false);
  pattern.AddTest("size", NewVariable("s").Get(), false);
  pattern.CompileDisjunctions();
  const std::string original = pattern.AsString();

  std::unique_ptr<TIEPattern> copy = pattern.CopyForEngine(&engine);
  EXPECT_EQ(copy->FactTemplate(), pattern.FactTemplate());
  EXPECT_EQ(copy->AsString(), "(car (color ?_blank_1&:(or (eq red ?_blank_1) (eq blue ?_blank_1))) (size ?s) )");
  EXPECT_EQ(pattern.AsString(), original);
}

TEST(TIEPattern, CopyForAnotherEngineUsesItsTemplate) {
  TTestReasoner engine;
  TTestReasoner other;
  TIEPattern pattern(nullptr, 1, CarTemplate(engine));
  pattern.AddTest("tags", NewAtom("a").Get(), false, 0);

  std::unique_ptr<TIEPattern> copy = pattern.CopyForEngine(&other);
  IFactTemplate* made = other.FindFactTemplate("car").Get();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(copy->FactTemplate(), made);
  EXPECT_TRUE(made->HasSlot("tags"));
  EXPECT_EQ(copy->AsString(), "(not (car (tags a) ))");

  // An existing template of that name is used as it is.
  TTestReasoner third;
  TRef<IFactTemplate> own = CarTemplate(third);
  EXPECT_EQ(pattern.CopyForEngine(&third)->FactTemplate(), own.Get());
}

}  // namespace
}  // namespace fxe
