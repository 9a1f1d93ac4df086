// Facts, modify/duplicate at the fact level, and fact sets.
#include "model/IEFacts.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::ListOf;
using test::TTestReasoner;

// A "point" template: x and y integers (x only integers), a float weight, a
// symbol label and a multislot of tags.
TRef<TFactTemplate> PointTemplate(IReasoner* engine) {
  auto t = MakeRef<TFactTemplate>(engine, "point");
  t->AddSlot("x", NewInteger(0));
  t->GetSlot("x").SetSlotType({dtInteger});
  t->AddSlot("y", NewInteger(0));
  t->AddSlot("weight", NewFloat(1.5));
  t->GetSlot("weight").SetSlotType({dtFloat});
  t->AddSlot("label", NewAtom("none"));
  t->AddMultiSlot("tags", ListOf({NewAtom("a")}));
  return t;
}

// A fuzzy type RISK over 0..1 with the terms low and high.
TRef<TIEDefinedType> RiskType(IReasoner* engine) {
  auto type = MakeRef<TIEDefinedType>(engine);
  type->SetName("RISK");
  type->SetBaseTypes({dtFuzzy});
  TRef<IFuzzySet> low = type->FuzzyVariable()->CreateTerm("low");
  low->AddPoint(0, 1);
  low->AddPoint(1, 0);
  TRef<IFuzzySet> high = type->FuzzyVariable()->CreateTerm("high");
  high->AddPoint(0, 0);
  high->AddPoint(1, 1);
  return type;
}

template <class TAction>
void ExpectRefused(const IFact& fact, TAction action, std::string_view message) {
  const std::string before = fact.AsString();
  ExpectError(action, message);
  EXPECT_EQ(fact.AsString(), before);
}

TEST(TFact, UnsetSlotsReadAsPrivateCopiesOfTheirDefaults) {
  auto t = PointTemplate(nullptr);
  auto fact = MakeRef<TFact>(t);
  TRef<TIEValue> tags = fact->GetSlotValue("tags");
  EXPECT_EQ(tags->AsText(), "a ");
  tags->AsList()->Add(NewAtom("b"));
  tags->AsList()->Item(0)->SetAsAtom("z");
  EXPECT_EQ(t->GetSlot("tags").SlotDefault()->AsText(), "a ");
  EXPECT_EQ(fact->GetSlotValue("tags").Get(), tags.Get());
  EXPECT_EQ(&fact->SlotValueAt(t->SlotLayout().IndexOf("tags")), tags.Get());
  EXPECT_EQ(fact->AsString(), "(point (label none) (tags z b ) (weight 1.5000) (x 0) (y 0))");
}

TEST(TFact, SlotAccessErrors) {
  auto fact = MakeRef<TFact>(PointTemplate(nullptr));
  ExpectRefused(
      *fact, [&] { (void)fact->GetSlotValue("z"); }, "No such slot name: \"z\"");
  ExpectRefused(
      *fact, [&] { fact->SetSlotValue("z", NewInteger(1)); }, "No such slot name: \"z\"");
  ExpectRefused(
      *fact, [&] { (void)fact->SlotValueAt(9); }, "List index out of bounds (9)");
  EXPECT_EQ(fact->TryGetSlotValue("z"), nullptr);
  auto loose = MakeRef<TFact>();
  ExpectRefused(
      *loose, [&] { (void)loose->GetSlotValue("x"); }, "Fact Template is missing");
  ExpectRefused(
      *loose, [&] { loose->SetSlotValue("x", NewInteger(1)); }, "Fact Template is missing");
  EXPECT_EQ(loose->AsString(), "()");
}

TEST(TFact, DynamicCheckingConvertsOrRefusesValues) {
  TTestReasoner engine;
  engine.SetTypeChecks({tcStatic, tcDynamic});
  auto t = PointTemplate(&engine);
  auto risk = RiskType(&engine);
  t->AddSlot("risk", NewFloat(0.5));
  t->GetSlot("risk").SetExtendedTypeInfo(risk);
  auto fact = t->CreateFact();

  auto three = NewInteger(3);
  fact->SetSlotValue("weight", three);
  EXPECT_EQ(three->DType(), dtFloat);
  EXPECT_EQ(fact->GetSlotValue("weight").Get(), three.Get());

  fact->SetSlotValue("risk", NewAtom("high"));
  TRef<TIEValue> stored = fact->GetSlotValue("risk");
  ASSERT_EQ(stored->DType(), dtFuzzy);
  EXPECT_EQ(stored->FuzzyPtr(), risk->FuzzyVariable()->FindTerm("high"));

  ExpectRefused(
      *fact, [&] { fact->SetSlotValue("x", NewString("ten")); },
      "Not a INTEGER type.  Value (\"ten\") is a dtString type for x slot");
  ExpectRefused(
      *fact, [&] { fact->SetSlotValue("risk", NewAtom("huge")); }, "Invalid item in fuzzy expression: huge");
  // The shared constants are never changed in place.
  fact->SetSlotValue("weight", SharedValues().Zero);
  EXPECT_EQ(fact->GetSlotValue("weight").Get(), SharedValues().Zero.Get());
}

TEST(TFact, WithoutDynamicCheckingAnyValueIsStored) {
  TTestReasoner engine;
  auto fact = PointTemplate(&engine)->CreateFact();
  auto text = NewString("ten");
  fact->SetSlotValue("x", text);
  fact->SetSlotValue("weight", NewInteger(3));
  EXPECT_EQ(fact->GetSlotValue("x").Get(), text.Get());
  EXPECT_EQ(fact->GetSlotValue("weight")->DType(), dtInteger);
  fact->SetSlotValue("y", nullptr);
  EXPECT_EQ(fact->GetSlotValue("y").Get(), SharedValues().Nil.Get());
  // y's default is not nil, so leaving y out would read back as that default.
  EXPECT_EQ(fact->AsString(), "(point (label none) (tags a ) (weight 3) (x \"ten\") (y nil))");
}

TEST(TFact, EqualityIgnoresFuzzySlotsAndNeedsTheSameTemplate) {
  TTestReasoner engine;
  auto risk = RiskType(&engine);
  auto t = MakeRef<TFactTemplate>(&engine, "project");
  t->AddSlot("name", NewAtom(""));
  t->AddSlot("risk", NewFloat(0.5));
  t->GetSlot("risk").SetExtendedTypeInfo(risk);
  auto a = t->CreateFact();
  auto b = t->CreateFact();
  a->SetSlotValue("name", NewAtom("apollo"));
  b->SetSlotValue("name", NewAtom("apollo"));
  a->SetSlotValue("risk", MakeRef<TIEValue>(TRef<IFuzzySet>(risk->FuzzyVariable()->FindTerm("low"))));
  b->SetSlotValue("risk", MakeRef<TIEValue>(TRef<IFuzzySet>(risk->FuzzyVariable()->FindTerm("high"))));
  EXPECT_TRUE(a->Equals(*b));
  b->SetSlotValue("name", NewAtom("gemini"));
  EXPECT_FALSE(a->Equals(*b));

  auto twin = MakeRef<TFactTemplate>(&engine, "project");
  twin->AddSlot("name", NewAtom(""));
  twin->AddSlot("risk", NewFloat(0.5));
  auto c = twin->CreateFact();
  c->SetSlotValue("name", NewAtom("apollo"));
  c->SetSlotValue("risk", a->GetSlotValue("risk"));
  EXPECT_FALSE(a->Equals(*c));
}

TEST(TFact, AMissingValueOfASlotWithoutDefaultEqualsNil) {
  auto t = MakeRef<TFactTemplate>(nullptr, "bare");
  MakeRef<TFactSlot>(t.Get())->SetName("x");
  ASSERT_EQ(t->GetSlot("x").SlotDefault(), nullptr);
  auto unread = MakeRef<TFact>(t);
  auto read = MakeRef<TFact>(t);
  EXPECT_EQ(read->GetSlotValue("x")->AsText(), "");
  EXPECT_TRUE(unread->Equals(*read));
  EXPECT_TRUE(read->Equals(*unread));
  EXPECT_EQ(unread->HashCode(), read->HashCode());
  read->SetSlotValue("x", NewAtom("a"));
  EXPECT_FALSE(unread->Equals(*read));
}

TEST(TFact, EqualFactsHashAlikeAndTheHashFollowsThePrintedValues) {
  auto t = PointTemplate(nullptr);
  auto a = t->CreateFact();
  auto b = MakeRef<TFact>(t);  // values still missing: they read as the defaults
  EXPECT_TRUE(a->Equals(*b));
  EXPECT_EQ(a->HashCode(), b->HashCode());

  struct TCase {
    TRef<TIEValue> value;
    std::string text;
  };
  auto factId = MakeRef<TIEValue>(12, dtFactId);
  const TCase cases[] = {
      {NewAtom("abc"), "abc"},
      {NewString("say \"hi\\\""), "\"say \\\"hi\\\\\\\"\""},
      {NewInteger(-42), "-42"},
      {NewFloat(2.5), "2.5000"},
      {NewVariable("v"), "?v"},
      {factId, "<Fact-12>"},
      {ListOf({NewInteger(1), ListOf({NewAtom("q")})}), "1 q  "},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    a->SetSlotValue("label", c.value);
    std::uint32_t h = 0;
    // Values in sorted-name order: label, tags, weight, x, y.
    for (char ch : c.text + "a 1.500000") h = h * 31 + static_cast<unsigned char>(ch);
    EXPECT_EQ(c.value->AsText(), c.text);
    EXPECT_EQ(a->HashCode(), t->HashCode() * 31 + h);
  }
}

TEST(TFact, PrintsImpliedAndOrdinaryFacts) {
  TTestReasoner engine;
  EXPECT_EQ(engine.GetImpliedTemplate("Initial-Fact")->CreateFact()->AsString(), "(Initial-Fact)");
  auto ordered = engine.GetImpliedTemplate("numbers")->CreateFact();
  ordered->SetSlotValue("__Data", ListOf({NewInteger(1), NewAtom("two")}));
  EXPECT_EQ(ordered->AsString(), "(numbers 1 two )");

  auto t = MakeRef<TFactTemplate>(&engine, "project");
  for (std::string_view name : {"duration", "staffing", "visibility", "priority", "complexity", "funding"})
    t->AddSlot(name, NewInteger(0));
  auto fact = t->CreateFact();
  const std::pair<std::string_view, std::int32_t> values[] = {{"complexity", 1}, {"duration", 52},  {"funding", 100},
                                                              {"priority", 1},   {"staffing", 100}, {"visibility", 1}};
  for (const auto& [name, number] : values) fact->SetSlotValue(name, NewInteger(number));
  EXPECT_EQ(fact->AsString(),
            "(project (complexity 1) (duration 52) (funding 100) (priority 1) (staffing 100) (visibility 1))");
  // An empty symbol reads back as nil; left out, it would come back as 0.
  fact->SetSlotValue("priority", NewAtom(""));
  EXPECT_EQ(fact->AsString(),
            "(project (complexity 1) (duration 52) (funding 100) (priority nil) (staffing 100) (visibility 1))");
  // A slot whose default is nil is left out as before.
  auto plain = MakeRef<TFactTemplate>(&engine, "plain");
  plain->AddSlot("a", NewInteger(1));
  plain->AddSlot("b", SharedValues().Nil);
  auto partial = plain->CreateFact();
  EXPECT_EQ(partial->AsString(), "(plain (a 1))");
}

TEST(TFact, TheIndexIsPaddedToTheWidthOfTheNextIndex) {
  auto loose = MakeRef<TFact>(MakeRef<TFactTemplate>(nullptr, "a"));
  loose->SetID(7);
  EXPECT_EQ(loose->AsStringWithID(), "f-7 (a)");

  TTestReasoner engine;
  auto t = engine.GetImpliedTemplate("a");
  engine.SetFactDuplication(true);
  while (engine.NextFactIndex() < 12) engine.AssertFact(*t->CreateFact());
  auto fact = t->CreateFact();
  fact->SetID(7);
  EXPECT_EQ(fact->AsStringWithID(), "f-07 (a)");
}

TEST(TFact, SetTemplateKeepsTheValuesOfSharedSlotNames) {
  auto point = PointTemplate(nullptr);
  auto fact = point->CreateFact();
  fact->SetSlotValue("x", NewInteger(5));
  fact->SetSlotValue("label", NewAtom("p"));
  auto other = MakeRef<TFactTemplate>(nullptr, "pixel");
  other->AddSlot("x", NewInteger(0));
  other->AddSlot("colour", NewAtom("black"));
  fact->SetTemplate(other);
  EXPECT_EQ(fact->AsString(), "(pixel (colour black) (x 5))");
  fact->SetTemplate(nullptr);
  EXPECT_EQ(fact->SlotCount(), 0);
  EXPECT_EQ(fact->AsString(), "()");
}

TEST(TFact, FollowsSlotChangesOfItsTemplate) {
  auto t = PointTemplate(nullptr);
  auto fact = t->CreateFact();
  fact->SetSlotValue("x", NewInteger(5));
  fact->SetSlotValue("y", NewInteger(6));
  const IFactSlot* oldX = &t->GetSlot("x");
  t->AddSlot("z", NewInteger(9));
  t->RemoveSlot("label");
  t->GetSlot("y").SetName("w");
  EXPECT_EQ(fact->AsString(), "(point (tags a ) (w 0) (weight 1.5000) (x 5) (z 9))");
  EXPECT_EQ(&fact->SlotAt(3), oldX);
  EXPECT_EQ(fact->SlotCount(), 5);
  ExpectRefused(
      *fact, [&] { (void)fact->GetSlotValue("label"); }, "No such slot name: \"label\"");
}

TEST(TFact, AssignValuesNeedsTheSameTemplate) {
  auto t = PointTemplate(nullptr);
  auto a = t->CreateFact();
  a->SetSlotValue("x", NewInteger(4));
  auto b = MakeRef<TFact>(t);
  b->AssignValues(*a);
  EXPECT_TRUE(b->Equals(*a));
  EXPECT_NE(b->GetSlotValue("x").Get(), a->GetSlotValue("x").Get());

  auto c = MakeRef<TFact>(MakeRef<TFactTemplate>(nullptr, "other"));
  ExpectRefused(
      *c, [&] { c->AssignValues(*a); }, "Unable to assign slot values, fact templates are different: other and point");
  auto loose = MakeRef<TFact>();
  ExpectRefused(
      *loose, [&] { loose->AssignValues(*a); }, "Fact Template is missing");
}

TEST(TFact, CloneCopiesValuesIdAndTag) {
  auto fact = PointTemplate(nullptr)->CreateFact();
  fact->SetSlotValue("tags", ListOf({NewAtom("q")}));
  fact->SetID(3);
  fact->SetTag(9);
  TRef<IFact> copy = fact->Clone();
  EXPECT_TRUE(copy->Equals(*fact));
  EXPECT_EQ(copy->ID(), 3);
  EXPECT_EQ(copy->Tag(), 9);
  copy->GetSlotValue("tags")->AsList()->Add(NewAtom("r"));
  EXPECT_EQ(fact->GetSlotValue("tags")->AsText(), "q ");
}

TEST(TFact, AssignFromAnotherEngineRereadsTheFact) {
  TTestReasoner first, second;
  auto source = PointTemplate(&first)->CreateFact();
  source->SetSlotValue("x", NewInteger(8));
  source->SetID(4);
  auto local = PointTemplate(&second);
  second.AddFactTemplate(local);
  auto fact = MakeRef<TFact>(second.GetImpliedTemplate("Initial-Fact"));
  fact->Assign(*source);
  EXPECT_EQ(fact->Template(), local.Get());
  EXPECT_EQ(fact->AsString(), source->AsString());
  EXPECT_EQ(fact->ID(), 4);

  // Without a template of that name here, one is made from the source's.
  auto unknown = MakeRef<TFactTemplate>(&first, "sample");
  unknown->AddSlot("v", NewInteger(0));
  auto sample = unknown->CreateFact();
  sample->SetSlotValue("v", NewInteger(2));
  auto copy = MakeRef<TFact>(second.GetImpliedTemplate("Initial-Fact"));
  copy->Assign(*sample);
  ASSERT_NE(second.FindFactTemplate("sample"), nullptr);
  EXPECT_EQ(copy->Template(), second.FindFactTemplate("sample").Get());
  EXPECT_EQ(copy->AsString(), "(sample (v 2))");
}

// --- modify and duplicate -------------------------------------------------------------------

class TModifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    point_ = PointTemplate(&engine_);
    engine_.AddFactTemplate(point_);
    auto fact = point_->CreateFact();
    fact->SetSlotValue("x", NewInteger(1));
    index_ = engine_.AssertFact(*fact);
  }
  static TRef<TIEValue> Change(std::initializer_list<TRef<TIEValue>> items) { return ListOf(items); }
  std::string FactTexts() const {
    std::string text;
    for (const auto& fact : engine_.Facts()) text += fact->AsStringWithID() + "\n";
    return text;
  }

  TTestReasoner engine_;
  TRef<TFactTemplate> point_;
  std::int32_t index_ = -1;
};

TEST_F(TModifyTest, ModifyReassertsTheChangedFact) {
  engine_.RootContext().SetVariable("v", NewInteger(7));
  const TRef<TIEValue> changes[] = {Change({NewAtom("x"), NewVariable("v")}),
                                    Change({NewAtom("tags"), NewAtom("b"), NewInteger(2)})};
  TRef<TIEValue> result = ModifyFact(engine_, engine_.Context(), *NewInteger(index_), changes);
  EXPECT_EQ(result->DType(), dtFactId);
  EXPECT_EQ(result->RawInteger(), 1);
  EXPECT_EQ(FactTexts(), "f-1 (point (label none) (tags b 2 ) (weight 1.5000) (x 7) (y 0))\n");
}

TEST_F(TModifyTest, AVariablesValueIsCopiedIntoTheFact) {
  engine_.SetTypeChecks({tcStatic, tcDynamic});
  TIEContext context(nullptr, &engine_);
  auto two = NewInteger(2);
  context.AddLocal("w", two);
  const TRef<TIEValue> changes[] = {Change({NewAtom("weight"), NewVariable("w")})};
  ModifyFact(engine_, &context, *NewInteger(index_), changes);
  EXPECT_EQ(FactTexts(), "f-1 (point (label none) (tags a ) (weight 2.0000) (x 1) (y 0))\n");
  EXPECT_EQ(two->DType(), dtInteger);
}

TEST_F(TModifyTest, ModifyOfAMissingIndexNamesIt) {
  try {
    ModifyFact(engine_, engine_.Context(), *NewInteger(42), {});
    ADD_FAILURE();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "No Such Fact with ID=42 exists");
  }
  EXPECT_EQ(engine_.Facts().size(), 1u);
}

TEST_F(TModifyTest, ModifyReassertsEvenWhenASlotFails) {
  const TRef<TIEValue> changes[] = {Change({NewAtom("y"), NewInteger(3)}), Change({NewAtom("nope"), NewInteger(1)})};
  try {
    ModifyFact(engine_, engine_.Context(), *NewInteger(index_), changes);
    ADD_FAILURE();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "No such slot name: \"nope\"");
  }
  EXPECT_EQ(FactTexts(), "f-1 (point (label none) (tags a ) (weight 1.5000) (x 1) (y 3))\n");
}

TEST_F(TModifyTest, DuplicateWithoutChangesIsRefusedAsADuplicate) {
  TRef<TIEValue> result = DuplicateFact(engine_, engine_.Context(), *NewInteger(index_), {});
  EXPECT_EQ(result->RawInteger(), -1);
  EXPECT_EQ(FactTexts(), "f-0 (point (label none) (tags a ) (weight 1.5000) (x 1) (y 0))\n");

  const TRef<TIEValue> changes[] = {Change({NewAtom("label"), NewAtom("copy")})};
  result = DuplicateFact(engine_, engine_.Context(), *NewInteger(index_), changes);
  EXPECT_EQ(result->RawInteger(), 1);
  EXPECT_EQ(FactTexts(),
            "f-0 (point (label none) (tags a ) (weight 1.5000) (x 1) (y 0))\n"
            "f-1 (point (label copy) (tags a ) (weight 1.5000) (x 1) (y 0))\n");
}

TEST_F(TModifyTest, ConstantsOfTheCallAreNotSharedWithTheFact) {
  auto constant = NewInteger(5);
  const TRef<TIEValue> changes[] = {Change({NewAtom("y"), constant})};
  DuplicateFact(engine_, engine_.Context(), *NewInteger(index_), changes);
  ASSERT_EQ(engine_.Facts().size(), 2u);
  EXPECT_NE(engine_.Facts()[1]->GetSlotValue("y").Get(), constant.Get());
}

TEST_F(TModifyTest, ModifyTurnsTextForAFuzzySlotIntoAFuzzyValue) {
  auto risk = RiskType(&engine_);
  auto project = MakeRef<TFactTemplate>(&engine_, "project");
  project->AddSlot("risk", NewFloat(0.5));
  project->GetSlot("risk").SetExtendedTypeInfo(risk);
  const std::int32_t index = engine_.AssertFact(*project->CreateFact());
  const TRef<TIEValue> changes[] = {Change({NewAtom("risk"), NewAtom("high")})};
  ModifyFact(engine_, engine_.Context(), *NewInteger(index), changes);
  TRef<TIEValue> value = engine_.Facts().back()->GetSlotValue("risk");
  ASSERT_EQ(value->DType(), dtFuzzy);
  EXPECT_EQ(value->FuzzyPtr()->Name(), "high");
  EXPECT_EQ(changes[0]->AsText(), "risk high ");
}

// --- Fact sets ------------------------------------------------------------------------------------

TEST(TFactSet, AssertsEveryReadableLine) {
  TTestReasoner engine;
  engine.AddFactTemplate(PointTemplate(&engine));
  TFactSet set(&engine, "start");
  EXPECT_EQ(engine.FactSets().size(), 1u);
  const std::string lines[] = {"(point (x 1))", "(point (x", "(colour red)"};
  set.SetFacts(lines);
  EXPECT_EQ(set.Count(), 3);
  set.AssertFacts();
  ASSERT_EQ(engine.Facts().size(), 2u);
  EXPECT_EQ(engine.Facts()[0]->AsString(), "(point (label none) (tags a ) (weight 1.5000) (x 1) (y 0))");
  EXPECT_EQ(engine.Facts()[1]->AsString(), "(colour red )");
  // The set keeps its own facts; the fact base has copies.
  EXPECT_NE(set.Fact(0).Get(), engine.Facts()[0].Get());
}

TEST(TFactSet, PrintsAsDeffacts) {
  TTestReasoner engine;
  TFactSet set(&engine, "start");
  set.SetComment("first facts");
  set.AddFact(engine.GetImpliedTemplate("Initial-Fact")->CreateFact());
  auto numbers = engine.GetImpliedTemplate("numbers")->CreateFact();
  numbers->SetSlotValue("__Data", ListOf({NewInteger(1), NewInteger(2)}));
  EXPECT_EQ(set.AddFact(numbers), 1);
  EXPECT_EQ(set.Line(1), "(numbers 1 2 )");
  EXPECT_EQ(set.AsString(), "(deffacts start \"first facts\"\r\n    (Initial-Fact)\r\n    (numbers 1 2 )\r\n)");
}

TEST(TFactSet, MovingBetweenEnginesRereadsTheLines) {
  TTestReasoner first;
  auto second = std::make_unique<TTestReasoner>();
  TFactSet set(&first);
  EXPECT_EQ(set.FactSetName(), "FactSet");
  const std::string lines[] = {"(a 1)"};
  set.SetFacts(lines);
  EXPECT_EQ(set.Fact(0)->Template()->Owner(), &first);
  set.SetEngine(second.get());
  EXPECT_TRUE(first.FactSets().empty());
  EXPECT_EQ(second->FactSets().size(), 1u);
  EXPECT_EQ(set.Fact(0)->Template()->Owner(), second.get());

  TFactSet copy(nullptr, "other");
  copy.Assign(set);
  EXPECT_EQ(copy.FactSetName(), "FactSet");
  EXPECT_EQ(copy.Fact(0)->AsString(), "(a 1 )");
  EXPECT_NE(copy.Fact(0).Get(), set.Fact(0).Get());

  second.reset();
  EXPECT_EQ(set.Engine(), nullptr);
  EXPECT_EQ(set.Fact(0), nullptr);
}

}  // namespace
}  // namespace fxe
