// Evaluation contexts, binding tables and binding descriptors.
#include "model/IEContext.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::ListOf;
using test::TTestReasoner;

// A partial match made by hand.
class TTestToken final : public IReteToken {
 public:
  explicit TTestToken(std::vector<TRef<IFact>> facts) : facts_(std::move(facts)) {}
  std::int32_t FactCount() const override { return static_cast<std::int32_t>(facts_.size()); }
  IFact* FactAt(std::int32_t position) const override {
    return position >= 0 && position < FactCount() ? facts_[static_cast<std::size_t>(position)].Get() : nullptr;
  }

 private:
  std::vector<TRef<IFact>> facts_;
};

// --- Scopes -------------------------------------------------------------------------------------

TEST(TIEContext, SetVariableChangesTheParentsBindingAndAddLocalHidesIt) {
  TIEContext root;
  root.AddLocal("x", NewInteger(1));
  auto child = root.CreateChild();

  child->SetVariable("x", NewInteger(2));
  EXPECT_EQ(root.FindVariableValue("x")->AsInteger(), 2);
  EXPECT_EQ(child->Bindings().Count(), 0);

  child->AddLocal("x", NewInteger(3));
  EXPECT_EQ(child->FindVariableValue("x")->AsInteger(), 3);
  EXPECT_EQ(root.FindVariableValue("x")->AsInteger(), 2);

  // A name bound nowhere is bound where it is set.
  child->SetVariable("y", NewInteger(4));
  EXPECT_NE(child->Bindings().Find("y"), nullptr);
  EXPECT_EQ(root.FindBinding("y"), nullptr);
}

TEST(TIEContext, DeclareVariablePrefersTheOwnBindingThenTheNearestOne) {
  TIEContext root;
  root.AddLocal("a", NewInteger(1));
  auto child = root.CreateChild();
  auto grandchild = child->CreateChild();
  child->AddLocal("a", NewInteger(10));

  grandchild->DeclareVariable("a", NewInteger(20));  // the child's binding is the nearest
  EXPECT_EQ(child->FindVariableValue("a")->AsInteger(), 20);
  EXPECT_EQ(root.FindVariableValue("a")->AsInteger(), 1);

  grandchild->AddLocal("a", NewInteger(30));
  grandchild->DeclareVariable("a", NewInteger(40));  // its own binding
  EXPECT_EQ(grandchild->FindVariableValue("a")->AsInteger(), 40);
  EXPECT_EQ(child->FindVariableValue("a")->AsInteger(), 20);
}

TEST(TIEContext, GlobalsLiveInTheRootAndAreSeenFromAGrandchild) {
  TTestReasoner engine;
  TIEContext root(nullptr, &engine);
  auto child = root.CreateChild();
  auto grandchild = child->CreateChild();
  EXPECT_EQ(grandchild->Engine(), &engine);
  EXPECT_EQ(grandchild->Depth(), 2);
  EXPECT_EQ(&grandchild->Root(), &root);

  grandchild->SetGlobal("*limit*", NewInteger(5));
  EXPECT_EQ(grandchild->Bindings().Count(), 0);
  ASSERT_NE(root.Bindings().Find("*limit*"), nullptr);
  EXPECT_EQ(grandchild->FindGlobal("*limit*"), root.Bindings().Find("*limit*"));
  EXPECT_EQ(NewVariable("*limit*")->Evaluate(grandchild.get())->AsInteger(), 5);

  // A global shadowed further down is still found by FindGlobal, and SetGlobal
  // changes the root's binding only.
  child->AddLocal("*limit*", NewInteger(7));
  grandchild->SetGlobal("*limit*", NewInteger(6));
  EXPECT_EQ(grandchild->FindVariableValue("*limit*")->AsInteger(), 7);
  EXPECT_EQ(grandchild->FindGlobal("*limit*")->Value()->AsInteger(), 6);
}

TEST(TIEContext, MissingOrValuelessBindingsRaiseWhenEvaluated) {
  TIEContext context;
  context.AddPatternBinding("p", 0, -1, "x");
  ExpectError([&] { NewVariable("q")->Evaluate(&context); }, "Corrupted Binding, variable not found: q");
  ExpectError([&] { NewVariable("p")->Evaluate(&context); }, "Corrupted Binding, variable not found: p");
  ExpectError([&] { NewVariable("q")->Evaluate(nullptr); },
              "No context found when trying to resolve a dtVariable value");
}

// --- Return flag ------------------------------------------------------------------------------

TEST(TIEContext, LeaveChildHandsReturnFlagAndValueToTheParent) {
  TIEContext root;
  auto child = root.CreateChild();
  auto value = NewInteger(42);
  child->SetReturnValue(value);
  EXPECT_TRUE(child->ReturnFlag());
  EXPECT_EQ(child->LeaveChild(), &root);
  EXPECT_TRUE(root.ReturnFlag());
  EXPECT_EQ(root.ReturnValue(), value.Get());
  EXPECT_EQ(root.LeaveChild(), nullptr);

  root.ClearBindings();
  EXPECT_FALSE(root.ReturnFlag());
}

TEST(TIEContext, AssignCopiesTheReturnFlagAndACopyOfTheValue) {
  TIEContext source;
  source.SetReturnValue(NewAtom("done"));
  TIEContext target;
  target.Assign(source);
  EXPECT_TRUE(target.ReturnFlag());
  ASSERT_NE(target.ReturnValue(), nullptr);
  EXPECT_NE(target.ReturnValue(), source.ReturnValue());
  EXPECT_TRUE(target.ReturnValue()->Equals(source.ReturnValue()));
}

// --- Binding table ------------------------------------------------------------------------------

// Records what the binding table reports.
class TRecordingContext final : public TIEContext {
 public:
  std::vector<std::string> changes;

 protected:
  void BindingsChanged(TBinding* binding, TBindingChange change) override {
    static constexpr const char* names[] = {"added", "removed", "cleared"};
    changes.push_back(std::string(names[static_cast<int>(change)]) + (binding ? " " + binding->Name() : ""));
    TIEContext::BindingsChanged(binding, change);
  }
};

TEST(TBindings, OwnsItsBindingsAndTellsTheContext) {
  TRecordingContext context;
  auto first = NewInteger(1);
  context.AddLocal("a", first);
  context.AddLocal("a", NewInteger(2));
  EXPECT_EQ(context.Bindings().Count(), 1);
  EXPECT_EQ(first->RefCount(), 1u);  // the replaced binding is gone
  context.AddPatternBinding("f", 0, -1, PatternSlotName);
  EXPECT_TRUE(context.Bindings().Remove("a"));
  EXPECT_FALSE(context.Bindings().Remove("a"));
  context.SetReturnValue(NewInteger(3));
  context.ClearBindings();
  EXPECT_FALSE(context.ReturnFlag());
  EXPECT_TRUE(context.Bindings().IsEmpty());
  EXPECT_EQ(context.changes, (std::vector<std::string>{"added a", "added a", "added f", "removed a", "cleared"}));
}

TEST(TBindings, EnumeratesInTheOrderOfA101BucketTable) {
  const std::vector<std::string> names = {"x", "total", "*g*", "__RULE", "a-very-long-variable-name", "y2", "q"};
  TIEContext context;
  TGStringHashtable<int> reference(101, 0.75f);
  for (const auto& name : names) {
    context.AddLocal(name, NewAtom(name));
    reference.Put(name, 0);
  }
  std::vector<std::string> expected, actual;
  for (const auto& entry : reference) expected.push_back(entry.Key());
  for (const auto& entry : context.Bindings()) actual.push_back(entry.Value().Name());
  EXPECT_EQ(actual, expected);
}

// --- Descriptors ----------------------------------------------------------------------------------

TEST(TBindingInfo, TextsAndEquality) {
  EXPECT_EQ(TBindingInfo(1, "tags", 2).AsString(), "FactIdx=1 SlotIdx=tags SubIdx=2");
  EXPECT_EQ(TBindingInfo().AsString(), "FactIdx=-2 SlotIdx=__LOCAL");
  EXPECT_EQ(TBinding("n", NewInteger(5)).AsString(), "name=n value=5 FactIdx=-2 SlotIdx=__LOCAL");
  EXPECT_EQ(TBinding("f", 0, PatternSlotName, -1).AsString(), "name=f FactIdx=0 SlotIdx=__PATTERN");

  auto value = MakeRef<TIEValue>();
  value->SetAsOwnedObject(std::make_unique<TBindingInfo>(0, "x", -1));
  EXPECT_EQ(value->AsText(), "<TBindingInfo: FactIdx=0 SlotIdx=x>");
  EXPECT_EQ(value->Clone()->AsText(), "<TBindingInfo: FactIdx=0 SlotIdx=x>");

  struct TCase {
    TBinding a, b;
    bool equal;
  };
  const TCase cases[] = {
      {{"v", 1, "x", -1}, {"v", 1, "x", -1}, true},      {{"v", 1, "x", -1}, {"v", 1, "X", -1}, false},
      {{"v", 1, "x", -1}, {"v", 2, "x", -1}, false},     {{"v", 1, "x", -1}, {"v", 1, "x", 0}, false},
      {{"v", 1, "x", -1}, {"w", 1, "x", -1}, false},     {{"v", NewInteger(3)}, {"v", NewInteger(3)}, true},
      {{"v", NewInteger(3)}, {"v", NewFloat(3)}, false}, {{"v", NewInteger(3)}, {"v", 1, "x", -1}, false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cases[i].a.Equals(cases[i].b), cases[i].equal);
    EXPECT_EQ(cases[i].b.Equals(cases[i].a), cases[i].equal);
  }
  EXPECT_FALSE(TBindingInfo(1, "x", -1).Equals(TBindingInfo(1, "x", 3)));
}

class TBindingResolveTest : public ::testing::Test {
 protected:
  TBindingResolveTest() : template_(MakeRef<TFactTemplate>(&engine_, "point")) {
    template_->AddSlot("x", NewInteger(0));
    template_->AddMultiSlot("tags", ListOf({}));
    for (int i = 0; i < 2; ++i) {
      TRef<IFact> fact = template_->CreateFact();
      fact->SetID(10 + i);
      fact->SetSlotValue("x", NewInteger(100 + i));
      fact->SetSlotValue("tags", ListOf({NewAtom("red"), NewAtom(i == 0 ? "big" : "small")}));
      facts_.push_back(fact);
    }
  }

  std::string Resolve(const TBindingInfo& info) {
    auto value = MakeRef<TIEValue>();
    value->SetAsObject(const_cast<TBindingInfo*>(&info));
    return value->Evaluate(&context_)->AsText();
  }

  TTestReasoner engine_;
  TRef<TFactTemplate> template_;
  std::vector<TRef<IFact>> facts_;
  TIEContext context_;
};

TEST_F(TBindingResolveTest, PatternSlotAndElementAgainstTheToken) {
  context_.SetToken(MakeRef<TTestToken>(std::vector<TRef<IFact>>{facts_[0]}));
  context_.SetFact(facts_[1]);  // the fact entering the join: position 1
  struct TCase {
    TBindingInfo info;
    const char* text;
  };
  const TCase cases[] = {
      {{0, PatternSlotName, -1}, "<Fact-10>"},
      {{1, PatternSlotName, -1}, "<Fact-11>"},
      {{0, "x", -1}, "100"},
      {{1, "x", -1}, "101"},
      {{0, "tags", -1}, "red big "},
      {{1, "tags", 1}, "small"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.info.AsString());
    EXPECT_EQ(Resolve(c.info), c.text);
  }
  // A binding with a value yields its value.
  EXPECT_EQ(Resolve(TBinding("b", NewAtom("bound"))), "bound");
}

TEST_F(TBindingResolveTest, WithoutTheFactOrContextItRaises) {
  ExpectError([&] { Resolve(TBindingInfo(0, "x", -1)); }, "No fact for binding FactIdx=0 SlotIdx=x");
  context_.SetToken(MakeRef<TTestToken>(std::vector<TRef<IFact>>{facts_[0]}));
  ExpectError([&] { Resolve(TBindingInfo(1, "x", -1)); }, "No fact for binding FactIdx=1 SlotIdx=x");
  ExpectError([&] { Resolve(TBindingInfo(0, "tags", 5)); }, "List index out of bounds (5)");
  TBindingInfo info(0, "x", -1);
  ExpectError([&] { info.Evaluate(nullptr); }, "No context found when trying to resolve a dtObject value");
}

// --- Resolving facts -----------------------------------------------------------------------------

TEST(TIEContext, ResolveFactEvaluatesAndFlattensMultifields) {
  TTestReasoner engine;
  auto t = MakeRef<TFactTemplate>(&engine, "data");
  t->AddSlot("n", NewInteger(0));
  t->AddMultiSlot("items", ListOf({}));
  TIEContext context(nullptr, &engine);
  context.AddLocal("k", NewInteger(7));
  context.AddLocal("pair", ListOf({NewInteger(2), NewInteger(3)}));

  TRef<IFact> fact = t->CreateFact();
  fact->SetSlotValue("n", NewVariable("k"));
  fact->SetSlotValue("items", ListOf({NewInteger(1), NewVariable("pair")}));
  TIEValue* items = fact->GetSlotValue("items").Get();
  EXPECT_EQ(&context.ResolveFact(*fact), fact.Get());
  EXPECT_EQ(fact->AsString(), "(data (items 1 2 3 ) (n 7))");
  EXPECT_EQ(fact->GetSlotValue("items").Get(), items);  // rebuilt in place
  // The variable's own list is not touched.
  EXPECT_EQ(context.FindVariableValue("pair")->AsText(), "2 3 ");

  TRef<IFact> nested = t->CreateFact();
  nested->SetSlotValue("items", ListOf({NewInteger(1), ListOf({NewInteger(2), NewInteger(3)})}));
  context.ResolveFact(*nested);
  EXPECT_EQ(nested->GetSlotValue("items")->AsText(), "1 2 3 ");
}

TEST(TIEContext, ResolveFactGivesTheFactItsOwnCopyOfAVariablesValue) {
  TTestReasoner engine;
  engine.SetTypeChecks({tcStatic, tcDynamic});
  auto t = MakeRef<TFactTemplate>(&engine, "reading");
  t->AddSlot("weight", NewFloat(0));
  t->GetSlot("weight").SetSlotType({dtFloat});
  t->AddSlot("label", NewAtom(""));
  TIEContext context(nullptr, &engine);
  auto three = NewInteger(3);
  auto label = NewAtom("a");
  context.AddLocal("w", three);
  context.AddLocal("n", label);

  TRef<IFact> fact = t->CreateFact();
  fact->SetSlotValue("weight", NewVariable("w"));
  fact->SetSlotValue("label", NewVariable("n"));
  context.ResolveFact(*fact);
  EXPECT_EQ(fact->AsString(), "(reading (label a) (weight 3.0000))");
  // The integer became a float in the fact, not in the variable.
  EXPECT_EQ(three->DType(), dtInteger);
  EXPECT_NE(fact->GetSlotValue("label").Get(), label.Get());
  // A value nobody else holds (a call's result) is taken as it is.
  auto result = NewFloat(2.5);
  TIEValue* made = result.Get();
  fact->SetSlotValue("weight", MakeRef<TIEValue>(TRef<IFunCall>(MakeRef<test::TTestFunCall>(
                                   "f", [&result](IIEContext*) { return std::move(result); }))));
  context.ResolveFact(*fact);
  EXPECT_EQ(fact->GetSlotValue("weight").Get(), made);
}

TEST(TIEContext, ResolveFactConvertsFuzzySlots) {
  TTestReasoner engine;
  auto risk = MakeRef<TIEDefinedType>(&engine);
  risk->SetName("RISK");
  risk->SetBaseTypes({dtFuzzy});
  risk->FuzzyVariable()->CreateTerm("high")->AddPoint(1, 1);
  auto t = MakeRef<TFactTemplate>(&engine, "project");
  t->AddSlot("risk", NewFloat(0.5));
  t->GetSlot("risk").SetExtendedTypeInfo(risk);
  t->AddSlot("name", NewAtom("p"));
  TIEContext context(nullptr, &engine);

  TRef<IFact> fact = t->CreateFact();
  fact->SetSlotValue("risk", NewAtom("high"));
  context.ResolveFact(*fact);
  TRef<TIEValue> value = fact->GetSlotValue("risk");
  ASSERT_EQ(value->DType(), dtFuzzy);
  EXPECT_EQ(value->FuzzyPtr(), risk->FuzzyVariable()->FindTerm("high"));

  // A fuzzy set of no variable gets the slot's variable.
  TRef<IFuzzySet> loose = NewEngineFuzzySet();
  loose->AddPoint(0, 1);
  fact->SetSlotValue("risk", MakeRef<TIEValue>(loose));
  context.ResolveFact(*fact);
  EXPECT_EQ(loose->Variable(), risk->FuzzyVariable());
}

}  // namespace
}  // namespace fxe
