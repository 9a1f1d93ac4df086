// Engine values: conversions, printed forms, equality, hashing, copying,
// evaluation, multifields and the text helpers.
#include "values/IEValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using Ref = TRef<TIEValue>;
using test::ErrorOf;
using test::ListOf;

// A context with a fixed set of bindings.
class TMapContext : public IIEContext {
 public:
  std::map<std::string, Ref, std::less<>> bindings;
  TIEValue* FindVariableValue(std::string_view name) const override {
    auto it = bindings.find(name);
    return it == bindings.end() ? nullptr : it->second.Get();
  }
  IFact* CurrentFact() const override { return nullptr; }
  IReteToken* CurrentToken() const override { return nullptr; }
};

// A host object that counts how often it is destroyed.
class TCountedObject : public TIEObject {
 public:
  explicit TCountedObject(int& destroyed, bool cloneable = true) : destroyed_(destroyed), cloneable_(cloneable) {}
  ~TCountedObject() override { ++destroyed_; }
  std::string ClassName() const override { return "TCountedObject"; }
  std::unique_ptr<TIEObject> CloneObject() const override {
    if (!cloneable_) return nullptr;
    return std::make_unique<TCountedObject>(destroyed_, cloneable_);
  }

 private:
  int& destroyed_;
  bool cloneable_;
};

class TTestComponent : public TIEComponent {
 public:
  std::string ClassName() const override { return "TTestComponent"; }
};

TEST(TIEValue, IsCompact) {
  // One small heap block per value; text kinds share the payload storage.
  EXPECT_LE(sizeof(TIEValue), 56u);
}

TEST(TIEValue, TypedConstructorsRefuseOtherKinds) {
  EXPECT_EQ(ErrorOf([] { TIEValue v(5, dtFloat); }), "Value and type mismatch");
  EXPECT_EQ(ErrorOf([] { TIEValue v("x", dtInteger); }), "Value and type mismatch");
  EXPECT_EQ(MakeRef<TIEValue>(7, dtFactId)->DType(), dtFactId);
  EXPECT_EQ(MakeRef<TIEValue>("rest", dtMultiVariable)->DType(), dtMultiVariable);
}

TEST(TIEValue, PrintedForms) {
  struct Row {
    Ref value;
    std::string text;
  };
  const Row rows[] = {
      {MakeRef<TIEValue>(), ""},
      {NewAtom("abc"), "abc"},
      {NewString("a b"), "\"a b\""},
      {NewString("\\\""), "\"\\\\\\\"\""},  // backslash, quote -> "\\\""
      {NewInteger(-42), "-42"},
      {NewVariable("x"), "?x"},
      {MakeRef<TIEValue>("rest", dtMultiVariable), "$?rest"},
      {MakeRef<TIEValue>(3, dtFactId), "<Fact-3>"},
      {NewFloat(2.5), "2.5000"},
      {NewFloat(1.0 / 3.0), "0.3333"},
      {NewFloat(-0.00001), "-0.0000"},
      {ListOf({NewAtom("a"), NewAtom("b")}), "a b "},
      {ListOf({}), ""},
      {ListOf({NewInteger(1), ListOf({NewInteger(2), NewInteger(3)})}), "1 2 3  "},
      {MakeRef<TIEValue>(9, dtDescriptor), "<UNKNOWN>"},
      {MakeRef<TIEValue>("slot", dtSlot), "slot"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.value->AsText(), row.text);
  }
  auto address = MakeRef<TIEValue>();
  address->SetAsExternalAddress(12);
  EXPECT_EQ(address->AsText(), "<External-Address: 12>");
}

TEST(TIEValue, ReadersConvert) {
  EXPECT_EQ(NewAtom("3.7")->AsInteger(), 3);
  EXPECT_EQ(NewFloat(-3.7)->AsInteger(), -3);
  EXPECT_EQ(NewString("$ff")->AsInteger(), 255);
  EXPECT_EQ(NewAtom("12")->AsInteger(), 12);
  EXPECT_EQ(NewFloat(1.0 / 3.0)->AsString(), "0.3333");
  EXPECT_EQ(NewInteger(42)->AsString(), "42");
  EXPECT_DOUBLE_EQ(SharedValues().Nil->AsNumeric(), 0.0);
  EXPECT_DOUBLE_EQ(NewString("2.5e1")->AsFloat(), 25.0);
  EXPECT_DOUBLE_EQ(NewInteger(4)->AsFloat(), 4.0);
  EXPECT_EQ(NewFloat(7.9)->AsFactId(), 7);
  EXPECT_EQ(MakeRef<TIEValue>(5, dtFactId)->AsInteger(), 5);
}

TEST(TIEValue, ReadersRaiseTheConversionError) {
  struct Row {
    std::function<void()> read;
    std::string message;
  };
  const Row rows[] = {
      {[] { NewAtom("abc")->AsInteger(); }, "Not a integer type.  Value (abc) is a dtAtom type"},
      {[] { NewAtom("")->AsNumeric(); }, "Not a numeric type.  Value () is a dtAtom type"},
      {[] { SharedValues().Empty->AsNumeric(); }, "Not a numeric type.  Value () is a dtAtom type"},
      {[] { NewVariable("v")->AsInteger(); }, "Not a integer type.  Value (?v) is a dtVariable type"},
      {[] { NewInteger(1)->AsList(); }, "Not a list type.  Value (1) is a dtInteger type"},
      {[] { NewAtom("a")->AsFact(); }, "Not a fact type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsFunCall(); }, "Not a function call type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsFuzzy(); }, "Not a fuzzy value type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsDescriptor(); }, "Not a descriptor type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsFactId(); }, "Not a fact id type.  Value (a) is a dtAtom type"},
      {[] { NewAtom("a")->AsExternalAddress(); }, "Not a External Address type.  Value (a) is a dtAtom type"},
      {[] { ListOf({})->AsString(); }, "Not a string type.  Value () is a dtList type"},
      {[] { NewFloat(1e20)->AsInteger(); },
       "Not a integer type.  Value (100000000000000000000.0000) is a dtFloat type"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    EXPECT_EQ(ErrorOf(row.read), row.message);
  }
  // A text integer beyond 32 bits does not fit an integer either way.
  EXPECT_EQ(ErrorOf([] { NewString("99999999999")->AsInteger(); }),
            "Not a integer type.  Value (\"99999999999\") is a dtString type");
}

TEST(TIEValue, FailedReadLeavesTheValue) {
  Ref v = NewAtom("abc");
  EXPECT_THROW(v->AsInteger(), EIEException);
  EXPECT_EQ(v->DType(), dtAtom);
  EXPECT_EQ(v->AsText(), "abc");
}

TEST(TIEValue, StrictAndLooseEquality) {
  struct Row {
    Ref a, b;
    bool strict, loose;
  };
  const Row rows[] = {
      {NewAtom("abc"), NewString("abc"), false, true},
      {NewInteger(5), NewFloat(5.0), false, true},
      {NewFloat(5.0), NewInteger(5), false, true},
      {NewString("5"), NewInteger(5), false, true},
      {NewAtom("Abc"), NewAtom("abc"), false, false},
      {NewAtom("abc"), NewAtom("abc"), true, true},
      {NewFloat(1.5), NewFloat(1.5), true, true},
      {NewFloat(std::nan("")), NewFloat(2.0), true, true},  // unordered counts as equal
      {MakeRef<TIEValue>(), NewAtom("x"), false, true},
      {ListOf({NewInteger(1), NewAtom("a")}), ListOf({NewInteger(1), NewAtom("a")}), true, true},
      {ListOf({NewInteger(1)}), ListOf({NewInteger(1), NewInteger(2)}), false, false},
      {MakeRef<TIEValue>(3, dtFactId), MakeRef<TIEValue>(3, dtFactId), true, true},
      {MakeRef<TIEValue>(3, dtFactId), NewInteger(3), false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.a->AsText() + " vs " + row.b->AsText());
    EXPECT_EQ(row.a->Equals(row.b.Get()), row.strict);
    EXPECT_EQ(row.a->EqualsValue(row.b.Get()), row.loose);
  }
  EXPECT_FALSE(NewAtom("x")->Equals(nullptr));
}

TEST(TIEValue, LooseEqualityRaisesOnFailedConversion) {
  EXPECT_EQ(ErrorOf([] { NewInteger(5)->EqualsValue(NewAtom("abc").Get()); }),
            "Not a integer type.  Value (abc) is a dtAtom type");
}

TEST(TIEValue, ClassValuesAreNeverEqualButAValueEqualsItself) {
  struct TClass : TIEClass {
    std::string Name() const override { return "TThing"; }
  } cls;
  Ref a = MakeRef<TIEValue>(), b = MakeRef<TIEValue>();
  a->SetAsClass(&cls);
  b->SetAsClass(&cls);
  EXPECT_FALSE(a->Equals(b.Get()));
  EXPECT_TRUE(a->Equals(a.Get()));
  // Loose equality has no such exception: a class value never equals, not even itself.
  EXPECT_FALSE(a->EqualsValue(b.Get()));
  EXPECT_FALSE(a->EqualsValue(a.Get()));
  EXPECT_EQ(a->AsText(), "TThing");
}

TEST(TIEValue, HashCodes) {
  EXPECT_EQ(MakeRef<TIEValue>()->HashCode(), 0u);
  EXPECT_EQ(NewAtom("ab")->HashCode(), static_cast<std::uint32_t>('a' * 31 + 'b'));
  EXPECT_EQ(NewAtom("ab")->HashCode(), NewString("ab")->HashCode());
  EXPECT_EQ(NewInteger(-7)->HashCode(), static_cast<std::uint32_t>(-7));
  EXPECT_EQ(NewFloat(9.9)->HashCode(), 9u);
  EXPECT_EQ(ListOf({NewInteger(1), NewInteger(2)})->HashCode(), 3u);
  // Floats beyond 32 bits still hash.
  EXPECT_NO_THROW(NewFloat(1e300)->HashCode());
}

TEST(StringHash, SamplesLongTexts) {
  // 20 characters: positions 1, 3, 5, ..., 19 (step 20 div 8 = 2).
  std::string text = "abcdefghijklmnopqrst";
  std::uint32_t expected = 0;
  for (std::size_t i = 0; i < text.size(); i += 2) expected = expected * 31u + static_cast<unsigned char>(text[i]);
  EXPECT_EQ(StringHash(text), expected);
  std::string fifteen = "abcdefghijklmno";
  expected = 0;
  for (char c : fifteen) expected = expected * 31u + static_cast<unsigned char>(c);
  EXPECT_EQ(StringHash(fifteen), expected);
  EXPECT_EQ(StringHash(""), 0u);
}

TEST(TIEValue, WritersFireOnChangeOnceAndClearDoesNot) {
  struct TClass : TIEClass {
    std::string Name() const override { return "TThing"; }
  } cls;
  int destroyed = 0;
  Ref v = MakeRef<TIEValue>();
  int fired = 0;
  v->SetOnChange([&](TIEValue& changed) {
    EXPECT_EQ(&changed, v.Get());
    ++fired;
  });
  struct Writer {
    const char* name;
    std::function<void()> write;
    TIEType type;
  };
  const Writer writers[] = {
      {"AsAtom", [&] { v->SetAsAtom("a"); }, dtAtom},
      {"AsString", [&] { v->SetAsString("s"); }, dtString},
      {"AsVariable", [&] { v->SetAsVariable("x"); }, dtVariable},
      {"AsMultiVariable", [&] { v->SetAsMultiVariable("r"); }, dtMultiVariable},
      {"AsSlot", [&] { v->SetAsSlot("s"); }, dtSlot},
      {"AsMultiSlot", [&] { v->SetAsMultiSlot("m"); }, dtMultiSlot},
      {"AsInteger", [&] { v->SetAsInteger(3); }, dtInteger},
      {"AsFactId", [&] { v->SetAsFactId(3); }, dtFactId},
      {"AsDescriptor", [&] { v->SetAsDescriptor(3); }, dtDescriptor},
      {"AsExternalAddress", [&] { v->SetAsExternalAddress(3); }, dtExternalAddress},
      {"AsFloat", [&] { v->SetAsFloat(1.5); }, dtFloat},
      {"AsList", [&] { v->SetAsList(MakeRef<TValueVector>()); }, dtList},
      {"AsSingletons", [&] { v->SetAsSingletons(MakeRef<TSingletonsVector>()); }, dtSingletons},
      {"AsFunCall", [&] { v->SetAsFunCall(nullptr); }, dtFunCall},
      {"AsFact", [&] { v->SetAsFact(nullptr); }, dtFact},
      {"AsFuzzy", [&] { v->SetAsFuzzy(nullptr); }, dtFuzzy},
      {"AsOwnedObject", [&] { v->SetAsOwnedObject(std::make_unique<TCountedObject>(destroyed)); }, dtObject},
      {"AsObject", [&] { v->SetAsObject(nullptr); }, dtObject},
      {"AsClass", [&] { v->SetAsClass(&cls); }, dtClass},
  };
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.name);
    fired = 0;
    writer.write();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(v->DType(), writer.type);
  }
  EXPECT_EQ(destroyed, 1);  // the owned object went with the next write
  fired = 0;
  v->Clear();
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(v->DType(), dtNone);
  v->Assign(*NewInteger(4));
  EXPECT_EQ(fired, 1);
}

TEST(TIEValue, ConstructorsDoNotFireAndWritersReplaceTheKind) {
  Ref v = NewAtom("long text beyond the short string buffer");
  v->SetAsInteger(5);
  EXPECT_EQ(v->DType(), dtInteger);
  EXPECT_EQ(v->AsString(), "5");
  v->SetAsAtom(v->AsString());
  EXPECT_EQ(v->AsText(), "5");
}

TEST(TIEValue, CloneSharesPayloadsAndAssignFromCopiesLists) {
  auto list = MakeRef<TValueVector>();
  list->Add(NewAtom("a"));
  Ref v = NewList(list);
  v->SetTag(9);
  Ref clone = v->Clone();
  EXPECT_EQ(clone->ListPtr(), list.Get());
  EXPECT_EQ(clone->Tag(), 9);
  Ref deep = MakeRef<TIEValue>();
  deep->AssignFrom(*v);
  ASSERT_NE(deep->ListPtr(), list.Get());
  EXPECT_TRUE(deep->Equals(v.Get()));
  EXPECT_NE(deep->ListPtr()->Item(0).Get(), list->Item(0).Get());
}

TEST(TIEValue, AssignFromAnItemOfItsOwnList) {
  auto inner = MakeRef<TValueVector>();
  inner->Add(NewAtom("x"));
  auto outer = MakeRef<TValueVector>();
  outer->Add(NewList(inner));
  Ref v = NewList(outer);
  outer.Reset();
  inner.Reset();
  // v owns the only reference to the list that holds the source.
  const TIEValue& source = *v->ListPtr()->Item(0);
  v->Assign(source);
  EXPECT_EQ(v->AsText(), "x ");
}

TEST(TIEValue, OwnedObjectsAreFreedOnceAndCopied) {
  int destroyed = 0;
  {
    Ref v = MakeRef<TIEValue>();
    v->SetAsOwnedObject(std::make_unique<TCountedObject>(destroyed));
    EXPECT_TRUE(v->IsOwned());
    EXPECT_EQ(v->AsText(), "<Object: TCountedObject>");
    Ref copy = v->Clone();
    EXPECT_TRUE(copy->IsOwned());
    EXPECT_NE(copy->AsObject(), v->AsObject());
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(TIEValue, UncloneableOwnedObject) {
  int destroyed = 0;
  Ref v = MakeRef<TIEValue>();
  v->SetAsOwnedObject(std::make_unique<TCountedObject>(destroyed, false));
  Ref target = NewAtom("keep");
  EXPECT_EQ(ErrorOf([&] { target->Assign(*v); }), "Uncloneable value.  Value owned an object of &s class type");
  EXPECT_EQ(target->AsText(), "keep");
}

TEST(TIEValue, OwnedComponentDestroyedElsewhereClearsTheValue) {
  Ref v = MakeRef<TIEValue>();
  auto component = std::make_unique<TTestComponent>();
  TTestComponent* raw = component.get();
  v->SetAsOwnedObject(std::move(component));
  delete raw;  // its owner destroys it
  EXPECT_EQ(v->DType(), dtNone);
  EXPECT_FALSE(v->IsOwned());
}

TEST(TIEValue, ValueOwningAComponentFreesIt) {
  Ref v = MakeRef<TIEValue>();
  v->SetAsOwnedObject(std::make_unique<TTestComponent>());
  v->SetAsInteger(1);  // releases and frees the component without a dangling nexus
  EXPECT_EQ(v->DType(), dtInteger);
}

TEST(TIEValue, EvaluateResolvesVariables) {
  TMapContext context;
  context.bindings["x"] = NewInteger(7);
  Ref x = NewVariable("x");
  EXPECT_EQ(x->Evaluate(&context)->AsInteger(), 7);
  EXPECT_EQ(ErrorOf([&] { x->Evaluate(nullptr); }), "No context found when trying to resolve a dtVariable value");
  EXPECT_EQ(ErrorOf([&] { MakeRef<TIEValue>("rest", dtMultiVariable)->Evaluate(nullptr); }),
            "No context found when trying to resolve a dtMultiVariable value");
  EXPECT_EQ(ErrorOf([&] { NewVariable("y")->Evaluate(&context); }), "Corrupted Binding, variable not found: y");
  Ref constant = NewAtom("c");
  EXPECT_EQ(constant->Evaluate(nullptr).Get(), constant.Get());
}

TEST(SharedValues, AreDistinctConstants) {
  const TSharedValues& s = SharedValues();
  EXPECT_EQ(s.True->AsText(), "TRUE");
  EXPECT_EQ(s.False->AsText(), "FALSE");
  EXPECT_NE(s.Nil.Get(), s.Empty.Get());
  EXPECT_TRUE(s.Nil->Equals(s.Empty.Get()));
  EXPECT_EQ(s.EmptyList->DType(), dtList);
  EXPECT_EQ(s.Eof->AsText(), "EOF");
  EXPECT_DOUBLE_EQ(s.Pi->AsFloat(), 3.141592653589793);
  for (const Ref* v : {&s.True, &s.False, &s.Nil, &s.Empty, &s.EmptyList, &s.Catch, &s.Except, &s.Finally, &s.Else,
                       &s.Do, &s.Then, &s.Eof, &s.Pi, &s.Zero}) {
    EXPECT_TRUE((*v)->IsShared());
  }
  EXPECT_FALSE(NewAtom("TRUE")->IsShared());
  EXPECT_FALSE(s.True->Clone()->IsShared());
}

TEST(TypeSetText, ListsMembersInOrder) {
  EXPECT_EQ(TypeSetText({dtFloat, dtInteger}, ", "), "Integer, Float");
  EXPECT_EQ(TypeSetText({dtAtom, dtFuzzy}, " ", true), "[Atom Fuzzy]");
  EXPECT_EQ(TypeSetText({}, ", "), "");
  EXPECT_EQ(TypeSetFromText("[Integer, Float]"), (TIETypes{dtInteger, dtFloat}));
  EXPECT_EQ(TypeSetFromText("atom string"), (TIETypes{dtAtom, dtString}));
  EXPECT_EQ(ErrorOf([] { TypeSetFromText("Integer Bogus"); }), "Invalid item for set: dtBogus");
}

TEST(NumberText, IntegerAndFloatReaders) {
  struct Row {
    std::string text;
    bool isInt;
    std::int32_t intValue;
    bool isFloat;
    double floatValue;
  };
  const Row rows[] = {
      {"0", true, 0, true, 0},
      {"-2147483648", true, std::numeric_limits<std::int32_t>::min(), true, -2147483648.0},
      {"2147483647", true, 2147483647, true, 2147483647.0},
      {"2147483648", false, 0, true, 2147483648.0},
      {"+5", true, 5, true, 5},
      {"$1F", true, 31, false, 0},
      {"-$10", true, -16, false, 0},
      {"$", false, 0, false, 0},
      {"1.5", false, 0, true, 1.5},
      {".5", false, 0, true, 0.5},
      {"1.", false, 0, true, 1.0},
      {"1e3", false, 0, true, 1000},
      {"-2.5E-1", false, 0, true, -0.25},
      {"1.2.3", false, 0, false, 0},
      {"12abc", false, 0, false, 0},
      {"1e", false, 0, false, 0},
      {"1e999", false, 0, false, 0},
      {"1e-999", false, 0, true, 0.0},
      {"-", false, 0, false, 0},
      {".", false, 0, false, 0},
      {"", false, 0, false, 0},
      {" 1", false, 0, false, 0},
      {"nan", false, 0, false, 0},
      {"inf", false, 0, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::int32_t i = -1;
    double d = -1;
    EXPECT_EQ(TryStrToInt(row.text, i), row.isInt);
    if (row.isInt) {
      EXPECT_EQ(i, row.intValue);
    }
    EXPECT_EQ(TryStrToFloat(row.text, d), row.isFloat);
    if (row.isFloat) {
      EXPECT_DOUBLE_EQ(d, row.floatValue);
    }
  }
}

TEST(TextHelpers, SameDoubleAndStripQuotes) {
  EXPECT_TRUE(SameDouble(1.0, 1.0001));
  EXPECT_FALSE(SameDouble(1.0, 1.00011));
  EXPECT_EQ(StripQuotes("\"ab\""), "ab");
  EXPECT_EQ(StripQuotes("\""), "\"");
  EXPECT_EQ(StripQuotes("\"\""), "");
  EXPECT_EQ(StripQuotes("ab\""), "ab\"");
}

TEST(TValueVector, EditingAndIdentity) {
  auto v = MakeRef<TValueVector>();
  Ref a = NewAtom("a"), b = NewAtom("a");
  v->Add(a);
  v->Add(nullptr);
  v->Insert(0, b);
  EXPECT_EQ(v->Count(), 3);
  EXPECT_EQ(v->IndexOf(a.Get()), 1);  // identity, not equality
  EXPECT_EQ(v->IndexOf(b.Get()), 0);
  EXPECT_EQ(v->Remove(a.Get()), 1);
  EXPECT_EQ(v->Remove(a.Get()), -1);
  EXPECT_EQ(v->AsText(), "a  ");
  EXPECT_EQ(ErrorOf([&] { v->Item(5); }), "List index out of bounds (5)");
  EXPECT_EQ(ErrorOf([&] { v->Delete(-1); }), "List index out of bounds (-1)");
  auto w = MakeRef<TValueVector>();
  w->AddAll(*v);
  EXPECT_EQ(w->Item(0).Get(), b.Get());
  w->AddAll(*w);
  EXPECT_EQ(w->Count(), 4);
  EXPECT_TRUE(v->Equals(*v->Clone()));
  EXPECT_FALSE(v->Equals(*w));
}

TEST(TSingletonsVector, TextEqualityAndClone) {
  auto s = MakeRef<TSingletonsVector>();
  s->Add(NewFloat(0.0), NewFloat(1.0));
  s->Add(NewVariable("x"), NewInteger(0));
  EXPECT_EQ(s->AsText(), "(0.0000 1.0000) (?x 0) ");
  TRef<TSingletonsVector> copy = s->Clone();
  EXPECT_TRUE(s->Equals(*copy));
  EXPECT_NE(copy->X(0).Get(), s->X(0).Get());
  copy->SetY(1, NewInteger(1));
  EXPECT_FALSE(s->Equals(*copy));
  EXPECT_EQ(s->HashCode(), s->X(0)->HashCode() + s->X(1)->HashCode() + s->Y(0)->HashCode() + s->Y(1)->HashCode());
  // Values holding two equal point lists compare by their vectors.
  Ref a = MakeRef<TIEValue>(s), b = MakeRef<TIEValue>(s->Clone());
  EXPECT_TRUE(a->Equals(b.Get()));
}

TEST(TValueHashTable, ListsEntriesInEnumerationOrder) {
  TValueHashTable table;
  table.Put("a", NewInteger(1));   // bucket 97
  table.Put("b", NewString("x"));  // bucket 98: enumerated first
  EXPECT_EQ(table.AsText(), "b = \"x\"\r\na = 1\r\n");
  TValueHashTable copy;
  copy.Assign(table);
  EXPECT_EQ(copy.AsText(), table.AsText());
}

TEST(TIEValue, FuzzyValuesCompareByGradeAndReadAsTheirCrispValue) {
  auto variable = MakeRef<TIEFuzzyVariable>("level");
  variable->CreateAutoTerms();
  variable->SetThreshold(0.5);
  TRef<IFuzzySet> high = variable->FindTerm("high")->Clone();
  Ref fuzzy = MakeRef<TIEValue>(high);
  // high is ((0 0) (1 1)): the moment is 2/3.
  EXPECT_NEAR(fuzzy->AsNumeric(), 2.0 / 3.0, 1e-9);
  EXPECT_EQ(fuzzy->AsInteger(), 1);
  // A number equals a fuzzy value when its grade is above the threshold, from either side.
  EXPECT_TRUE(fuzzy->Equals(NewFloat(0.9).Get()));
  EXPECT_TRUE(NewFloat(0.9)->Equals(fuzzy.Get()));
  EXPECT_FALSE(fuzzy->Equals(NewFloat(0.2).Get()));
  EXPECT_TRUE(NewInteger(1)->EqualsValue(fuzzy.Get()));
  EXPECT_FALSE(fuzzy->Equals(NewAtom("high").Get()));
}

TEST(TIEValue, SingletonsEvaluateToAFuzzySet) {
  TMapContext context;
  context.bindings["top"] = NewFloat(1.0);
  auto points = MakeRef<TSingletonsVector>();
  points->Add(NewInteger(0), NewInteger(0));
  points->Add(NewVariable("top"), NewVariable("top"));
  Ref value = MakeRef<TIEValue>(points);
  Ref fuzzy = value->Evaluate(&context);
  ASSERT_EQ(fuzzy->DType(), dtFuzzy);
  EXPECT_DOUBLE_EQ(fuzzy->FuzzyPtr()->GetMembership(0.25), 0.25);
  EXPECT_EQ(ErrorOf([&] { value->Evaluate(nullptr); }), "No context found when trying to resolve a dtVariable value");
}

}  // namespace
}  // namespace fxe
