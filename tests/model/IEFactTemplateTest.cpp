// Fact templates and slots: slot table and names, kinds and defaults,
// validation texts, equality and hash, copies, fact creation and the
// deftemplate text.
#include "model/IEFactTemplate.h"

#include <gtest/gtest.h>

#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEFacts.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::ListOf;
using test::TTestFunCall;
using test::TTestReasoner;

TRef<TIEDefinedType> FuzzyType(std::string_view name, double minimum, double maximum, IReasoner* owner) {
  auto type = MakeRef<TIEDefinedType>(owner);
  type->SetName(name);
  type->SetRangeLimited(true);
  type->SetMinRange(minimum);
  type->SetMaxRange(maximum);
  type->SetBaseTypes({dtFuzzy});
  return type;
}

// The text of a template and its slot names, for checking that a failed
// operation left the template as it was.
std::string Snapshot(const IFactTemplate& t) {
  std::string text = t.AsString() + "|";
  for (std::int32_t i = 0; i < t.SlotLayout().Count(); ++i) text += t.SlotLayout().NameAt(i) + ",";
  return text;
}

template <class TAction>
void ExpectRefused(const IFactTemplate& t, TAction action, std::string_view message) {
  const std::string before = Snapshot(t);
  ExpectError(action, message);
  EXPECT_EQ(Snapshot(t), before);
}

TEST(TFactTemplate, OnlyASingleDataSlotMakesATemplateImplied) {
  auto t = MakeRef<TFactTemplate>(nullptr, "point");
  EXPECT_FALSE(t->IsImplied());
  t->AddMultiSlot("__Data", SharedValues().EmptyList);
  EXPECT_TRUE(t->IsImplied());
  t->AddSlot("x", NewInteger(0));
  EXPECT_FALSE(t->IsImplied());
  t->RemoveSlot("x");
  EXPECT_TRUE(t->IsImplied());
}

TEST(TFactTemplate, SlotNamesWithForbiddenCharactersAreRefused) {
  auto t = MakeRef<TFactTemplate>(nullptr, "point");
  t->AddSlot("x", NewInteger(0));
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"a b", "Invalid name \"a b\", the character ' ' is not allowed"},
      {"f(x)", "Invalid name \"f(x)\", the character '(' is not allowed"},
      {"x?", "Invalid name \"x?\", the character '?' is not allowed"},
      {"", "Bad Slot Name: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    ExpectRefused(
        *t, [&] { t->AddSlot(c.first, NewInteger(1)); }, c.second);
    ExpectRefused(
        *t, [&] { t->GetSlot("x").SetName(c.first); }, c.second);
  }
  ExpectRefused(
      *t, [&] { t->SetName("my point"); }, "Invalid name \"my point\", the character ' ' is not allowed");
  // A name the slot table cannot key is no name either.
  EXPECT_THROW(t->AddSlot(std::string_view("\0", 1), NewInteger(1)), EIEException);
  EXPECT_EQ(t->SlotCount(), 1);
}

TEST(TFactTemplate, RenamingASlotReKeysIt) {
  auto t = MakeRef<TFactTemplate>(nullptr, "point");
  t->AddSlot("x", NewInteger(1));
  t->AddSlot("y", NewInteger(2));
  t->GetSlot("x").SetName("z");
  EXPECT_FALSE(t->HasSlot("x"));
  EXPECT_EQ(t->GetSlot("z").SlotDefault()->AsText(), "1");
  EXPECT_EQ(t->SlotLayout().NameAt(0), "y");
  EXPECT_EQ(t->SlotLayout().NameAt(1), "z");
  ExpectRefused(
      *t, [&] { (void)t->GetSlot("x"); }, "No such slot name: \"x\"");
}

TEST(TFactTemplate, SlotAdditionsCheckTheirDefaults) {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("count", NewInteger(0));
  t->AddMultiSlot("tags", ListOf({NewAtom("a")}));
  ExpectRefused(
      *t, [&] { t->AddSlot("x", nullptr); }, "Bad Slot Type");
  ExpectRefused(
      *t, [&] { t->AddMultiSlot("x", nullptr); }, "Bad Slot Type");
  ExpectRefused(
      *t,
      [&] {
        t->AddSlot("x", ListOf({NewAtom("a"), NewAtom("b")}));
      },
      "Invalid default slot value: a b ");
  ExpectRefused(
      *t, [&] { t->AddMultiSlot("x", NewInteger(5)); },
      "Invalid default value for a multislot, must be a multifield: 5");
  ExpectRefused(
      *t, [&] { t->AddMultiSlot("   ", ListOf({})); }, "Bad Slot Name:    ");
  ExpectRefused(
      *t, [&] { t->AddSlot("tags", NewInteger(5)); }, "Invalid value for existing slot, multislot is not slot");
  ExpectRefused(
      *t, [&] { t->AddMultiSlot("count", ListOf({})); }, "Invalid value for existing slot, slot is not multislot");
  t->AddSlot("count", NewInteger(3));
  EXPECT_EQ(t->GetSlot("count").SlotDefault()->AsText(), "3");
  EXPECT_EQ(t->SlotCount(), 2);
}

TEST(TFactTemplate, TableOperationsReportMissingAndMismatchedSlots) {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("a", NewInteger(0));
  TRef<IFactSlot> a(&t->GetSlot("a"));
  ExpectRefused(
      *t, [&] { t->SetSlot("b", a); }, "Index does not match fact slot name: b and a");
  ExpectRefused(
      *t, [&] { t->RemoveSlot("zz"); }, "No such slot name: \"zz\"");
  t->ClearSlots();
  EXPECT_EQ(t->SlotCount(), 0);
  EXPECT_EQ(t->SlotLayout().Count(), 0);
}

TEST(TFactTemplate, SlotsOutsideTheTableMayOutliveTheTemplate) {
  std::vector<TRef<IFactSlot>> kept;
  {
    auto t = MakeRef<TFactTemplate>(nullptr, "item");
    t->AddSlot("a", NewInteger(0));
    t->AddSlot("b", NewInteger(0));
    t->AddSlot("c", NewInteger(0));
    kept.emplace_back(&t->GetSlot("a"));
    t->RemoveSlot("a");
    kept.emplace_back(&t->GetSlot("b"));
    t->SetSlot("b", t->GetSlot("b").Clone());
    kept.push_back(t->GetSlot("c").Clone());
    for (const auto& slot : kept) EXPECT_EQ(slot->TemplateName(), "item");
  }
  for (const auto& slot : kept) {
    EXPECT_EQ(slot->Template(), nullptr);
    EXPECT_EQ(slot->TemplateName(), "");
  }
}

TEST(TFactSlot, ChangingTheKindsReplacesAnUnacceptableDefault) {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("x", NewInteger(0));
  IFactSlot& x = t->GetSlot("x");
  x.SetSlotType({dtInteger});
  EXPECT_EQ(x.SlotDefault()->AsText(), "0");
  x.SetSlotType({dtString});
  EXPECT_EQ(x.SlotDefault()->DType(), dtString);
  EXPECT_EQ(x.SlotDefault()->AsText(), "\"\"");
  ExpectRefused(
      *t,
      [&] {
        x.SetSlotType({dtFuzzy, dtInteger});
      },
      "Cannot mix fuzzy type with other primitive types");
  x.SetSlotType(TIETypes{dtFuzzy} | MultiSlotMarker);
  EXPECT_TRUE(x.IsFuzzy());
  EXPECT_TRUE(x.IsMultislot());
  EXPECT_TRUE(t->HasFuzzySlots());
}

TEST(TFactSlot, ValidatesKindsWithoutADefinedType) {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("count", NewInteger(0));
  IFactSlot& count = t->GetSlot("count");
  count.SetSlotType({dtInteger});
  auto call =
      MakeRef<TIEValue>(TRef<IFunCall>(MakeRef<TTestFunCall>("now", [](IIEContext*) { return NewInteger(1); })));
  for (const auto& value : {NewInteger(5), NewVariable("v"), call, SharedValues().Nil}) {
    EXPECT_TRUE(count.IsValid(value.Get())) << value->AsText();
    EXPECT_EQ(count.Validate(*value), "");
  }
  EXPECT_FALSE(count.IsValid(NewString("x").Get()));
  EXPECT_EQ(count.Validate(*NewString("x")), "Not a INTEGER type.  Value (\"x\") is a dtString type for count slot");

  t->AddMultiSlot("sizes", ListOf({}));
  IFactSlot& sizes = t->GetSlot("sizes");
  sizes.SetSlotType(TIETypes{dtInteger} | MultiSlotMarker);
  auto mixed = ListOf({NewInteger(1), NewAtom("big")});
  EXPECT_FALSE(sizes.IsValid(mixed.Get()));
  EXPECT_EQ(sizes.Validate(*mixed),
            "Not a INTEGER, LIST, MULTISLOT type.  Value (1 big ) is a dtAtom (big) type for sizes slot");
  EXPECT_TRUE(sizes.IsValid(SharedValues().EmptyList.Get()));
}

TEST(TFactSlot, ATypedSlotReportsItsTypesMessage) {
  auto t = MakeRef<TFactTemplate>(nullptr, "item");
  t->AddSlot("weeks", NewInteger(1));
  auto type = MakeRef<TIEDefinedType>();
  type->SetName("WEEKS");
  type->SetBaseTypes({dtInteger});
  type->SetRangeLimited(true);
  type->SetMinRange(1);
  type->SetMaxRange(52);
  t->GetSlot("weeks").SetExtendedTypeInfo(type);
  EXPECT_EQ(t->GetSlot("weeks").SlotType(), (TIETypes{dtInteger}));
  EXPECT_EQ(t->GetSlot("weeks").Validate(*NewInteger(60)),
            "Value \"60\" is not valid, Range must be between 1.0000 and 52.0000 for weeks slot");
}

TEST(TFactSlot, DynamicCheckingGuardsDefaults) {
  TTestReasoner engine;
  engine.SetTypeChecks({tcStatic, tcDynamic});
  auto t = MakeRef<TFactTemplate>(&engine, "item");
  t->AddSlot("count", NewInteger(0));
  IFactSlot& count = t->GetSlot("count");
  count.SetSlotType({dtInteger});
  ExpectRefused(
      *t, [&] { count.SetSlotDefault(NewAtom("abc")); }, "Invalid default slot value: abc");
  // The default is a private copy, and changing it in place is checked again.
  auto seven = NewInteger(7);
  count.SetSlotDefault(seven);
  EXPECT_NE(count.SlotDefault(), seven.Get());
  try {
    count.SlotDefault()->SetAsAtom("abc");
    ADD_FAILURE() << "in-place change not checked";
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Value \"abc\" is not valid, count");
  }
  engine.SetTypeChecks({tcStatic});
  count.SetSlotDefault(NewAtom("abc"));
  EXPECT_EQ(count.SlotDefault()->AsText(), "abc");
}

TEST(TFactTemplate, EqualityAndHashDependOnNamesNotOnOrderOrEngine) {
  TTestReasoner first, second;
  auto a = MakeRef<TFactTemplate>(&first, "point");
  a->AddSlot("x", NewInteger(0));
  a->AddSlot("y", NewInteger(0));
  auto b = MakeRef<TFactTemplate>(&second, "point");
  b->AddSlot("y", NewInteger(0));
  b->AddSlot("x", NewInteger(0));
  EXPECT_TRUE(a->Equals(b.Get()));
  EXPECT_EQ(a->HashCode(), b->HashCode());
  // The hash runs over "point" + "x\r\n" + "y\r\n".
  std::uint32_t h = 0;
  for (char c : std::string("pointx\r\ny\r\n")) h = h * 31 + static_cast<unsigned char>(c);
  EXPECT_EQ(a->HashCode(), h);
  b->GetSlot("y").SetSlotDefault(NewInteger(1));
  EXPECT_FALSE(a->Equals(b.Get()));
  b->GetSlot("y").SetSlotDefault(NewInteger(0));
  b->AddSlot("z", NewInteger(0));
  EXPECT_NE(a->HashCode(), b->HashCode());
}

TEST(TFactTemplate, SortedOrderIgnoresCase) {
  auto t = MakeRef<TFactTemplate>(nullptr, "t");
  for (std::string_view name : {"beta", "Alpha", "gamma", "alpha", "Beta"}) t->AddSlot(name, NewInteger(0));
  std::string order;
  for (std::int32_t i = 0; i < t->SlotLayout().Count(); ++i) order += t->SlotLayout().NameAt(i) + " ";
  EXPECT_EQ(order, "Alpha alpha Beta beta gamma ");
  EXPECT_EQ(t->SlotLayout().IndexOf("beta"), 3);
  EXPECT_EQ(t->SlotLayout().IndexOf("BETA"), -1);
}

TEST(TFactTemplate, NameChangesAreReportedToTheEngineFirst) {
  TTestReasoner engine;
  auto t = MakeRef<TFactTemplate>(&engine, "old");
  engine.AddFactTemplate(t);
  t->SetName("new");
  EXPECT_EQ(engine.FindFactTemplate("new").Get(), t.Get());
  ASSERT_EQ(engine.Renames().size(), 1u);
  EXPECT_EQ(engine.Renames()[0], "old->new");
  engine.RefuseRenames(true);
  EXPECT_THROW(t->SetName("other"), EIEException);
  EXPECT_EQ(t->Name(), "new");
}

TEST(TFactTemplate, ParentLoopsAreRefused) {
  auto a = MakeRef<TFactTemplate>(nullptr, "a");
  auto b = MakeRef<TFactTemplate>(nullptr, "b");
  b->SetParent(a);
  ExpectRefused(
      *a, [&] { a->SetParent(b); }, "Template inheritance loop detected, a template cannot extend itself");
  ExpectRefused(
      *a, [&] { a->SetParent(a); }, "Template inheritance loop detected, a template cannot extend itself");
  EXPECT_EQ(a->Parent(), nullptr);
}

TEST(TFactTemplate, DynamicDefaultsAreEvaluatedForEveryFact) {
  TTestReasoner engine;
  int calls = 0;
  auto counter = MakeRef<TTestFunCall>("next", [&calls](IIEContext*) { return NewInteger(++calls); });
  auto t = MakeRef<TFactTemplate>(&engine, "ticket");
  t->AddSlot("number", MakeRef<TIEValue>(TRef<IFunCall>(counter)));
  t->GetSlot("number").SetDefaultDynamic(true);
  t->AddSlot("fixed", MakeRef<TIEValue>(TRef<IFunCall>(counter)));
  EXPECT_EQ(t->CreateFact()->AsString(), "(ticket (fixed (next)) (number 1))");
  EXPECT_EQ(t->CreateFact()->AsString(), "(ticket (fixed (next)) (number 2))");
  EXPECT_EQ(t->GetSlot("number").AsString(), "(slot number (default-dynamic (next)) )");
}

TEST(TFactTemplate, InitializeFactNeedsAFactOfThisTemplate) {
  auto t = MakeRef<TFactTemplate>(nullptr, "a");
  auto other = MakeRef<TFactTemplate>(nullptr, "b");
  auto loose = MakeRef<TFact>();
  EXPECT_THROW(t->InitializeFact(*loose), EIEException);
  auto fact = MakeRef<TFact>(other);
  try {
    t->InitializeFact(*fact);
    ADD_FAILURE();
  } catch (const EIEException& e) {
    EXPECT_STREQ(e.what(), "Unable to assign slot values, fact templates are different: b and a");
  }
}

TEST(TFactTemplate, SlotOfTypeFindsTheFirstSlotInTableOrder) {
  auto type = MakeRef<TIEDefinedType>();
  type->SetName("SIZE");
  auto t = MakeRef<TFactTemplate>(nullptr, "box");
  t->AddSlot("width", NewInteger(0));
  t->AddSlot("height", NewInteger(0));
  EXPECT_EQ(t->SlotOfType(type.Get()), nullptr);
  t->GetSlot("height").SetExtendedTypeInfo(type);
  EXPECT_EQ(t->SlotOfType(type.Get()), &t->GetSlot("height"));
}

TEST(TFactTemplate, CopiesTakeTheSlotsAndResolveNamedTypesInTheirEngine) {
  TTestReasoner first, second;
  auto sizeHere = MakeRef<TIEDefinedType>(&first);
  sizeHere->SetName("SIZE");
  sizeHere->SetBaseTypes({dtInteger});
  auto sizeThere = MakeRef<TIEDefinedType>(&second);
  sizeThere->SetName("SIZE");
  sizeThere->SetBaseTypes({dtInteger});
  second.AddDefinedType(sizeThere);

  auto t = MakeRef<TFactTemplate>(&first, "box");
  t->SetComment("a box");
  t->AddSlot("width", NewInteger(3));
  t->GetSlot("width").SetExtendedTypeInfo(sizeHere);
  t->AddMultiSlot("tags", ListOf({NewAtom("new")}));
  t->SetTag(5);

  auto same = t->Clone();
  EXPECT_TRUE(same->Equals(t.Get()));
  EXPECT_EQ(same->Comment(), "a box");
  EXPECT_EQ(same->Tag(), 0);
  EXPECT_EQ(same->GetSlot("width").ExtendedTypeInfo(), sizeHere.Get());

  auto there = t->CloneFor(&second);
  EXPECT_EQ(there->Owner(), &second);
  EXPECT_EQ(there->GetSlot("width").ExtendedTypeInfo(), sizeThere.Get());
  EXPECT_EQ(there->GetSlot("width").Template(), there.Get());
  EXPECT_TRUE(there->Equals(t.Get()));
  EXPECT_EQ(there->AsString(), t->AsString());
}

TEST(TFactTemplate, CopySlotsFromReadsEverySlotBeforeChangingAnything) {
  TTestReasoner engine;
  auto source = MakeRef<TFactTemplate>(nullptr, "src");
  source->AddSlot("a", NewInteger(1));
  source->AddSlot("b", NewInteger(2));
  auto t = MakeRef<TFactTemplate>(&engine, "dst");
  t->AddSlot("old", NewInteger(0));
  int reads = 0;
  engine.SetSlotReader([&](std::string_view text, IFactTemplate&) -> TRef<IFactSlot> {
    if (++reads == 2) throw EIEException("unreadable: " + std::string(text));
    return TRef<IFactSlot>(&source->GetSlot("a"));
  });
  EXPECT_THROW(t->CopySlotsFrom(*source), EIEException);
  EXPECT_TRUE(t->HasSlot("old"));
  EXPECT_EQ(t->SlotCount(), 1);

  engine.SetSlotReader([&](std::string_view text, IFactTemplate&) {
    return source->FindSlot(text.find("slot a") != std::string_view::npos ? "a" : "b")->Clone();
  });
  t->CopySlotsFrom(*source);
  EXPECT_FALSE(t->HasSlot("old"));
  EXPECT_EQ(t->GetSlot("b").SlotDefault()->AsText(), "2");
  EXPECT_EQ(t->GetSlot("b").Template(), t.Get());
}

// --- Printed forms ---------------------------------------------------------------------------

TEST(TFactSlot, PrintsItsClauses) {
  auto t = MakeRef<TFactTemplate>(nullptr, "t");
  auto named = MakeRef<TIEDefinedType>();
  named->SetName("FUNDING");
  named->SetBaseTypes({dtFuzzy});
  t->AddSlot("funding", NewInteger(50));
  t->GetSlot("funding").SetExtendedTypeInfo(named);

  auto inline_ = MakeRef<TIEDefinedType>();
  inline_->SetImplicit(true);
  inline_->SetBaseTypes({dtInteger});
  inline_->SetRangeLimited(true);
  inline_->SetMinRange(1);
  inline_->SetMaxRange(52);
  t->AddSlot("weeks", NewInteger(4));
  t->GetSlot("weeks").SetExtendedTypeInfo(inline_);

  t->AddSlot("plain", NewAtom("x"));
  t->AddSlot("none", NewAtom(""));
  t->AddSlot("count", NewInteger(3));
  t->GetSlot("count").SetSlotType({dtInteger, dtFloat});
  t->AddMultiSlot("tags", ListOf({NewAtom("a"), NewAtom("b")}));
  t->GetSlot("tags").SetSlotType(TIETypes{dtAtom} | MultiSlotMarker);
  t->AddMultiSlot("any", SharedValues().EmptyList);

  const std::pair<std::string_view, std::string_view> cases[] = {
      {"funding", "(slot funding (type FUNDING)        (default 50) )"},
      {"weeks", "(slot weeks (type INTEGER)\r\n    (range 1 52) \r\n        (default 4) )"},
      {"plain", "(slot plain (default x) )"},
      {"none", "(slot none )"},
      {"count", "(slot count (type INTEGER FLOAT)\r\n        (default 3) )"},
      {"tags", "(multislot tags (type ATOM) \r\n        (default a b ) )"},
      {"any", "(multislot any )"},
  };
  for (const auto& [name, text] : cases) EXPECT_EQ(t->GetSlot(name).AsString(), text);
}

TEST(TFactTemplate, PrintsImpliedAndIsATemplatesOnOneLine) {
  TTestReasoner engine;
  TRef<IFactTemplate> initial = engine.GetImpliedTemplate("Initial-Fact");
  EXPECT_EQ(initial->AsString(), "(deftemplate Initial-Fact \"(Implied)\")");

  auto risk = FuzzyType("RISK", 0, 1, &engine);
  auto t = MakeRef<TFactTemplate>(&engine, "risk");
  t->AddMultiSlot("__Data", SharedValues().EmptyList);
  t->GetSlot("__Data").SetExtendedTypeInfo(risk);
  EXPECT_TRUE(t->GetSlot("__Data").IsMultislot());
  EXPECT_EQ(t->AsString(), "(deftemplate risk is-a RISK)");

  auto child = MakeRef<TFactTemplate>(&engine, "child");
  child->SetParent(t);
  child->AddSlot("age", NewInteger(0));
  EXPECT_EQ(child->AsString(), "(deftemplate child\r\n    extends risk\r\n    (slot age (default 0) )\r\n)");
}

TEST(TFactTemplate, PrintsTheProjectTemplateInSlotTableOrder) {
  TTestReasoner engine;
  auto t = MakeRef<TFactTemplate>(&engine, "project");
  struct TSlotDef {
    std::string_view name;
    double maximum;
    TRef<TIEValue> defaultValue;
  };
  const TSlotDef slots[] = {
      {"duration", 52, NewInteger(26)}, {"staffing", 100, NewInteger(50)}, {"visibility", 1, NewFloat(0.5)},
      {"priority", 1, NewFloat(0.5)},   {"complexity", 1, NewFloat(0.5)},  {"funding", 100, NewInteger(50)},
  };
  for (const TSlotDef& slot : slots) {
    std::string typeName(slot.name);
    for (char& c : typeName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    t->AddSlot(slot.name, slot.defaultValue);
    t->GetSlot(slot.name).SetExtendedTypeInfo(FuzzyType(typeName, slot.maximum > 1 ? 1 : 0, slot.maximum, &engine));
  }
  EXPECT_EQ(t->AsString(),
            "(deftemplate project\r\n"
            "    (slot funding (type FUNDING)        (default 50) )\r\n"
            "    (slot complexity (type COMPLEXITY)        (default 0.5000) )\r\n"
            "    (slot priority (type PRIORITY)        (default 0.5000) )\r\n"
            "    (slot visibility (type VISIBILITY)        (default 0.5000) )\r\n"
            "    (slot staffing (type STAFFING)        (default 50) )\r\n"
            "    (slot duration (type DURATION)        (default 26) )\r\n"
            ")");
}

}  // namespace
}  // namespace fxe
