// Defined types: kinds, allowed values, ranges, cardinality, validation
// texts, defaults, equality, copies, change notification and deftype text.
#include "model/IEDefinedType.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "base/IEExceptions.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "support/TestHelpers.h"
#include "support/TestReasoner.h"

namespace fxe {
namespace {

using test::ExpectError;
using test::ListOf;
using test::TTestReasoner;

TRef<TIEDefinedType> NewType(std::string_view name, TIETypes types, IReasoner* owner = nullptr) {
  auto type = MakeRef<TIEDefinedType>(owner);
  type->SetName(name);
  type->SetBaseTypes(types);
  return type;
}

// Runs action, expects an engine error with exactly message, and checks that
// the type prints the same afterwards.
template <class TAction>
void ExpectRefused(const TIEDefinedType& type, TAction action, std::string_view message) {
  const std::string before = type.AsString();
  const TIETypes kinds = type.BaseTypes();
  ExpectError(action, message);
  EXPECT_EQ(type.AsString(), before);
  EXPECT_EQ(type.BaseTypes(), kinds);
}

TEST(TIEDefinedType, NewTypeAcceptsTheCommonKindsWithoutLimits) {
  auto type = MakeRef<TIEDefinedType>();
  EXPECT_EQ(type->Name(), "implicit");
  EXPECT_TRUE(type->Constraints().Empty());
  EXPECT_EQ(type->MaxCardinality(), 2147483647);
  EXPECT_EQ(type->MinRange(), -2147483648.0);
  EXPECT_EQ(type->MaxRange(), 2147483647.0);
  for (const auto& value : {NewAtom("a"), NewString("s"), NewInteger(1), NewFloat(2.5)}) {
    EXPECT_TRUE(type->IsValid(value.Get())) << value->AsText();
  }
  auto fuzzy = MakeRef<TIEValue>(NewEngineFuzzySet());
  EXPECT_FALSE(type->IsValid(ListOf({NewAtom("a"), fuzzy}).Get()));
  EXPECT_TRUE(type->IsValid(ListOf({}).Get()));
}

TEST(TIEDefinedType, FuzzyKindCannotBeMixedAndOwnsAVariable) {
  auto type = NewType("RISK", {dtInteger});
  ExpectRefused(
      *type,
      [&] {
        type->SetBaseTypes({dtInteger, dtFuzzy});
      },
      "Cannot mix fuzzy type with other primitive types");
  EXPECT_EQ(type->FuzzyVariable(), nullptr);

  type->SetBaseTypes({dtFuzzy});
  ASSERT_NE(type->FuzzyVariable(), nullptr);
  EXPECT_EQ(type->FuzzyVariable()->Name(), "RISK");
  EXPECT_EQ(type->MinRange(), 0.0);
  EXPECT_EQ(type->MaxRange(), 1.0);

  type->SetBaseTypes({dtInteger});
  EXPECT_EQ(type->FuzzyVariable(), nullptr);
}

TEST(TIEDefinedType, FuzzyVariableTakesTheRangeAndUnitsOfARangeLimitedType) {
  auto type = MakeRef<TIEDefinedType>();
  type->SetName("DURATION");
  type->SetRangeLimited(true);
  type->SetMinRange(1);
  type->SetMaxRange(52);
  type->SetUnits("weeks");
  type->SetBaseTypes({dtFuzzy});
  ASSERT_NE(type->FuzzyVariable(), nullptr);
  EXPECT_EQ(type->FuzzyVariable()->Minimum(), 1.0);
  EXPECT_EQ(type->FuzzyVariable()->Maximum(), 52.0);
  EXPECT_EQ(type->FuzzyVariable()->Units(), "weeks");
  type->SetMaxRange(60);
  EXPECT_EQ(type->FuzzyVariable()->Maximum(), 60.0);
}

TEST(TIEDefinedType, ListKindsAreDroppedFromBaseTypes) {
  auto type = NewType("T", {dtInteger, dtList, dtMultiSlot, dtNone});
  EXPECT_EQ(type->BaseTypes(), (TIETypes{dtInteger}));
}

TEST(TIEDefinedType, PromotedNumbersAreLookedUpInTheOtherNumberList) {
  struct TCase {
    TValueConstraint list;
    std::vector<TRef<TIEValue>> allowed;
    TRef<TIEValue> value;
    bool isAllowed;
    bool valid;  // a number whose own kind has no list is not limited by the other list
  };
  const TCase cases[] = {
      {vcFloat, {NewFloat(1.5), NewFloat(2.0)}, NewInteger(2), true, true},
      {vcFloat, {NewFloat(1.5), NewFloat(2.0)}, NewInteger(3), false, false},
      {vcFloat, {NewFloat(1.5), NewFloat(2.0)}, NewFloat(1.5), true, true},
      {vcInteger, {NewInteger(3)}, NewFloat(3.0), true, true},
      {vcInteger, {NewInteger(3)}, NewFloat(3.5), false, true},
      {vcInteger, {NewInteger(3)}, NewInteger(4), false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.value->AsText());
    auto type = NewType("N", {dtInteger, dtFloat});
    type->SetConstraints({c.list});
    for (const auto& value : c.allowed) type->AddAllowedValue(*value);
    TValueConstraint kind = vcAtom;
    EXPECT_EQ(type->IsAllowedValue(*c.value, kind), c.isAllowed);
    EXPECT_EQ(type->IsValid(c.value.Get()), c.valid);
    EXPECT_EQ(type->Validate(*c.value),
              c.valid ? "" : "Value \"" + c.value->AsText() + "\" is not valid, Not in allowed values");
  }
}

TEST(TIEDefinedType, AllowedTextsIgnoreCaseButEqualityDoesNot) {
  auto upper = NewType("T", {dtAtom});
  upper->SetConstraints({vcAtom});
  upper->AddAllowedValue(*NewAtom("A"));
  upper->AddAllowedValue(*NewAtom("a"));
  EXPECT_EQ(upper->AllowedAtomCount(), 1);
  EXPECT_TRUE(upper->IsValid(NewAtom("a").Get()));
  EXPECT_FALSE(upper->IsValid(NewAtom("b").Get()));

  auto lower = NewType("T", {dtAtom});
  lower->SetConstraints({vcAtom});
  lower->AddAllowedValue(*NewAtom("a"));
  EXPECT_FALSE(upper->Equals(lower.Get()));
  EXPECT_TRUE(upper->Equals(upper->Clone().Get()));
}

TEST(TIEDefinedType, RangesAreInclusiveAndCompareWithinTolerance) {
  auto type = NewType("DURATION", {dtInteger, dtFloat});
  type->SetRangeLimited(true);
  type->SetMinRange(1);
  type->SetMaxRange(52);
  EXPECT_TRUE(type->IsValid(NewInteger(1).Get()));
  EXPECT_TRUE(type->IsValid(NewInteger(52).Get()));
  EXPECT_FALSE(type->IsValid(NewFloat(52.0001).Get()));
  EXPECT_FALSE(type->IsValid(NewFloat(std::nan("")).Get()));
  EXPECT_EQ(type->Validate(*NewFloat(52.0001)),
            "Value \"52.0001\" is not valid, Range must be between 1.0000 and 52.0000");

  auto other = NewType("DURATION", {dtInteger, dtFloat});
  other->SetRangeLimited(true);
  other->SetMinRange(1);
  other->SetMaxRange(52.00001);
  EXPECT_TRUE(type->Equals(other.Get()));
  other->SetMaxRange(52.001);
  EXPECT_FALSE(type->Equals(other.Get()));
}

TEST(TIEDefinedType, BoundsKeepTheirOrder) {
  auto type = NewType("T", {dtInteger});
  type->SetMinRange(10);
  type->SetMaxRange(5);
  EXPECT_EQ(type->MinRange(), 5.0);
  type->SetMinRange(8);
  EXPECT_EQ(type->MaxRange(), 8.0);
  type->SetMinCardinality(-4);
  EXPECT_EQ(type->MinCardinality(), 0);
  type->SetMaxCardinality(3);
  type->SetMinCardinality(7);
  EXPECT_EQ(type->MaxCardinality(), 7);
  type->SetMaxCardinality(2);
  EXPECT_EQ(type->MinCardinality(), 2);
  ExpectRefused(
      *type, [&] { type->SetMinRange(std::numeric_limits<double>::infinity()); },
      "Invalid range bound inf, bounds must be finite numbers");
  ExpectRefused(
      *type, [&] { type->SetMaxRange(std::nan("")); }, "Invalid range bound nan, bounds must be finite numbers");
}

TEST(TIEDefinedType, CardinalityLimitsMultifields) {
  auto type = NewType("PAIR", {dtAtom});
  type->SetCardinalityLimited(true);
  type->SetMinCardinality(2);
  type->SetMaxCardinality(3);
  auto four = ListOf({NewAtom("a"), NewAtom("b"), NewAtom("c"), NewAtom("d")});
  EXPECT_FALSE(type->IsValid(four.Get()));
  EXPECT_EQ(type->Validate(*four), "Value \"a b c d \" is not valid, Multislot must have between 2 and 3 elements");
  EXPECT_TRUE(type->IsValid(ListOf({NewAtom("a"), NewAtom("b")}).Get()));
  // An element's own fault is reported as it is.
  auto mixed = ListOf({NewAtom("a"), NewInteger(7)});
  EXPECT_EQ(type->Validate(*mixed), "Value \"7\" is not valid, Not a ATOM type.  Value (7) is a dtInteger type");
  auto defaults = type->CreateDefaultValue(true);
  ASSERT_EQ(defaults->DType(), dtList);
  EXPECT_EQ(defaults->AsList()->Count(), 2);
}

TEST(TIEDefinedType, ValidateNamesTheAcceptedKinds) {
  auto type = NewType("NUM", {dtInteger, dtFloat});
  EXPECT_FALSE(type->IsValid(NewAtom("abc").Get()));
  EXPECT_EQ(type->Validate(*NewAtom("abc")),
            "Value \"abc\" is not valid, Not a INTEGER, FLOAT type.  Value (abc) is a dtAtom type");
  EXPECT_TRUE(type->IsValid(NewVariable("x").Get()));
  EXPECT_EQ(type->Validate(*NewInteger(5)), "");
}

TEST(TIEDefinedType, FuzzyTypeAcceptsItsOwnSetsAndConvertibleValues) {
  auto type = NewType("RISK", {dtFuzzy});
  auto other = NewType("COST", {dtFuzzy});
  TRef<IFuzzySet> high = type->FuzzyVariable()->CreateTerm("high");
  TRef<IFuzzySet> foreign = other->FuzzyVariable()->CreateTerm("high");
  EXPECT_TRUE(type->IsValid(MakeRef<TIEValue>(high).Get()));
  EXPECT_FALSE(type->IsValid(MakeRef<TIEValue>(foreign).Get()));
  EXPECT_TRUE(type->IsValid(NewAtom("high").Get()));
  EXPECT_TRUE(type->IsValid(NewFloat(0.25).Get()));
  auto fact = MakeRef<TIEValue>();
  fact->SetAsFactId(1);
  EXPECT_EQ(type->Validate(*fact), "Value \"<Fact-1>\" is not valid, invalid fuzzy value");
  auto empty = type->CreateDefaultValue(false);
  ASSERT_EQ(empty->DType(), dtFuzzy);
  EXPECT_EQ(empty->FuzzyPtr()->Name(), "__Empty");
}

TEST(TIEDefinedType, AllowedValueErrorsLeaveTheListsAlone) {
  auto type = NewType("T", {dtAtom, dtInteger});
  type->SetConstraints({vcAtom});
  type->AddAllowedValue(*NewAtom("x"));
  auto factId = MakeRef<TIEValue>(1, dtFactId);
  ExpectRefused(
      *type, [&] { type->AddAllowedValue(*factId); }, "Defined Type T cannot contain FactId constraint types");
  ExpectRefused(
      *type, [&] { type->AddAllowedValue(*NewInteger(4)); }, "Defined Type T cannot contain Integer constraint types");
  ExpectRefused(
      *type, [&] { (void)type->AllowedString(0); }, "Defined Type T does not have String constraints");
  ExpectRefused(
      *type, [&] { type->DeleteAllowedValue(0, vcFloat); }, "Defined Type T does not have Float constraints");
  ExpectRefused(
      *type, [&] { type->DeleteAllowedValue(3, vcAtom); }, "List index out of bounds (3)");
  EXPECT_EQ(type->AllowedIntegerCount(), 0);
  EXPECT_EQ(type->AllowedAtom(0), "x");
}

TEST(TIEDefinedType, ConstraintListsLiveAsLongAsTheirKind) {
  auto type = NewType("T", {dtAtom, dtInteger});
  type->SetConstraints({vcAtom, vcInteger});
  type->AddAllowedValue(*NewAtom("x"));
  type->AddAllowedValue(*NewInteger(1));
  type->SetConstraints({vcAtom});
  EXPECT_EQ(type->AllowedAtomCount(), 1);
  EXPECT_EQ(type->AllowedIntegerCount(), 0);
  type->SetConstraints({vcAtom, vcInteger});
  EXPECT_EQ(type->AllowedIntegerCount(), 0);
  type->RemoveAllowedValue(*NewAtom("X"));
  EXPECT_EQ(type->AllowedAtomCount(), 0);
  type->ClearConstraints();
  EXPECT_TRUE(type->Constraints().Empty());
}

TEST(TIEDefinedType, AncestorLoopsAreRefused) {
  auto a = NewType("a", {dtAtom});
  auto b = NewType("b", {dtAtom});
  auto c = NewType("c", {dtAtom});
  b->SetAncestor(a);
  c->SetAncestor(b);
  ExpectRefused(
      *a, [&] { a->SetAncestor(c); }, "Type inheritance loop detected, a type cannot be an ancestor of itself");
  EXPECT_EQ(a->Ancestor(), nullptr);
  ExpectRefused(
      *b, [&] { b->SetAncestor(b); }, "Type inheritance loop detected, b type cannot be an ancestor of itself");
  EXPECT_EQ(b->Ancestor(), a.Get());
  // Copying a type whose ancestor is the receiver cannot close a loop either.
  a->Assign(*b);
  EXPECT_EQ(a->Ancestor(), nullptr);
}

TEST(TIEDefinedType, AnAncestorEndsImplicitness) {
  auto type = MakeRef<TIEDefinedType>();
  type->SetImplicit(true);
  type->SetAncestor(NewType("BASE", {dtAtom}));
  EXPECT_FALSE(type->Implicit());
}

TEST(TIEDefinedType, SettersNotifyOnlyOnChange) {
  auto type = NewType("T", {dtInteger});
  int changes = 0;
  type->SetOnChange([&changes](IIEDefinedType&) { ++changes; });
  type->SetName("T");
  type->SetComment("");
  type->SetRangeLimited(false);
  type->SetImplicit(true);
  EXPECT_EQ(changes, 0);
  type->SetName("U");
  type->SetMaxRange(5);
  type->SetConstraints({vcInteger});
  type->AddAllowedValue(*NewInteger(1));
  type->AddAllowedValue(*NewInteger(1));
  EXPECT_EQ(changes, 4);
  type->BeginUpdate();
  type->BeginUpdate();
  type->SetComment("c");
  type->EndUpdate();
  EXPECT_EQ(changes, 5);
  type->EndUpdate();
  EXPECT_EQ(changes, 6);
}

TEST(TIEDefinedType, DefaultsFollowTheFirstApplicableKind) {
  struct TCase {
    TIETypes kinds;
    std::string text;
    TIEType kind;
  };
  const TCase cases[] = {
      {{dtAtom, dtInteger}, "", dtAtom},
      {{dtString}, "\"\"", dtString},
      {{dtInteger, dtFloat}, "0", dtInteger},
      {{dtFloat}, "0.0000", dtFloat},
      {{dtObject}, "", dtObject},
      {{dtFactId}, "<Fact-0>", dtFactId},
      {{dtFact}, "", dtFact},
      {{dtClass}, "", dtClass},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TypeSetText(c.kinds, ","));
    auto value = NewType("T", c.kinds)->CreateDefaultValue(false);
    EXPECT_EQ(value->DType(), c.kind);
    EXPECT_EQ(value->AsText(), c.text);
  }
}

TEST(TIEDefinedType, NumericDefaultsStartAtTheRange) {
  auto integer = NewType("T", {dtInteger});
  integer->SetRangeLimited(true);
  integer->SetMinRange(2.7);
  EXPECT_EQ(integer->CreateDefaultValue(false)->AsText(), "2");
  integer->SetMinRange(-2147483648.0);
  integer->SetMaxRange(-9.5);
  EXPECT_EQ(integer->CreateDefaultValue(false)->AsText(), "-9");
  integer->SetConstraints({vcInteger});
  integer->AddAllowedValue(*NewInteger(-12));
  EXPECT_EQ(integer->CreateDefaultValue(false)->AsText(), "-12");

  auto real = NewType("T", {dtFloat});
  real->SetRangeLimited(true);
  real->SetMinRange(0.5);
  EXPECT_EQ(real->CreateDefaultValue(false)->AsText(), "0.5000");

  auto huge = NewType("T", {dtAtom});
  huge->SetCardinalityLimited(true);
  huge->SetMinCardinality(2000000000);
  EXPECT_THROW(huge->CreateDefaultValue(true), EIEException);
}

TEST(TIEDefinedType, CloneIsEqualAndIndependent) {
  TTestReasoner engine;
  auto base = NewType("BASE", {dtInteger}, &engine);
  auto type = NewType("SIZE", {dtInteger, dtFloat}, &engine);
  type->SetAncestor(base);
  type->SetComment("sizes");
  type->SetUnits("cm");
  type->SetRangeLimited(true);
  type->SetMinRange(0);
  type->SetMaxRange(10);
  type->SetConstraints({vcInteger, vcFloat});
  type->AddAllowedValue(*NewInteger(1));
  type->AddAllowedValue(*NewFloat(2.5));
  type->SetTag(7);
  auto copy = type->Clone();
  EXPECT_TRUE(copy->Equals(type.Get()));
  EXPECT_EQ(copy->AsString(), type->AsString());
  EXPECT_EQ(copy->Ancestor(), base.Get());
  EXPECT_EQ(copy->Tag(), 7);
  copy->AddAllowedValue(*NewInteger(2));
  EXPECT_EQ(type->AllowedIntegerCount(), 1);

  TTestReasoner elsewhere;
  auto foreign = MakeRef<TIEDefinedType>(&elsewhere);
  foreign->Assign(*type);
  EXPECT_EQ(foreign->Ancestor(), nullptr);
}

TEST(TIEDefinedType, FuzzyTypesCompareByVariable) {
  auto a = NewType("RISK", {dtFuzzy});
  auto b = NewType("RISK", {dtFuzzy});
  EXPECT_TRUE(a->Equals(b.Get()));
  a->FuzzyVariable()->CreateTerm("low")->AddPoint(0, 1);
  EXPECT_FALSE(a->Equals(b.Get()));
  auto copy = a->Clone();
  EXPECT_TRUE(copy->Equals(a.Get()));
  EXPECT_NE(copy->FuzzyVariable(), a->FuzzyVariable());
  EXPECT_FALSE(a->Equals(NewType("RISK", {dtFloat}).Get()));
}

// --- Printed forms ------------------------------------------------------------------------

TEST(TIEDefinedType, PrintsNamedTypesWithTheirClauses) {
  auto type = NewType("DURATION", {dtInteger, dtFloat});
  type->SetComment("how long");
  type->SetRangeLimited(true);
  type->SetMinRange(0.5);
  type->SetMaxRange(10);
  type->SetUnits("work weeks");
  type->SetCardinalityLimited(true);
  type->SetMinCardinality(1);
  EXPECT_EQ(type->AsString(),
            "(deftype DURATION \r\n"
            "    \"how long\"\r\n"
            "    extends (type INTEGER FLOAT)\r\n"
            "    (range 0 10) \r\n"
            "    (units \"work weeks\")\r\n"
            "    (cardinality 1 ?VARIABLE) \r\n"
            ")");
  type->SetMinRange(-2147483648.0);
  type->SetComment("");
  type->SetUnits("weeks");
  type->SetCardinalityLimited(false);
  EXPECT_EQ(type->AsString(),
            "(deftype DURATION extends (type INTEGER FLOAT)\r\n"
            "    (range ?VARIABLE 10) \r\n"
            "    (units weeks)\r\n"
            ")");
}

TEST(TIEDefinedType, PrintsTheAllowedValueClauses) {
  struct TCase {
    TValueConstraints constraints;
    std::string text;
  };
  const TCase cases[] = {
      {{vcAtom, vcString, vcInteger, vcFloat}, "    (allowed-values a \"s\" 1 2.5000 )\r\n"},
      {{vcInteger, vcFloat}, "    (allowed-numbers 1 2.5000 ) \r\n"},
      {{vcInteger}, "    (allowed-integers 1 ) \r\n"},
      {{vcFloat}, "    (allowed-floats 2.5000 ) \r\n"},
      {{vcAtom, vcString}, "    (allowed-lexemes a \"s\" )\r\n"},
      {{vcAtom}, "    (allowed-symbols a )\r\n"},
      {{vcString, vcFloat}, "    (allowed-floats 2.5000 ) \r\n    (allowed-strings \"s\" )\r\n"},
  };
  for (const TCase& c : cases) {
    auto type = NewType("T", {dtAtom, dtString, dtInteger, dtFloat});
    type->SetConstraints(c.constraints);
    for (const auto& value : {NewAtom("a"), NewString("s"), NewInteger(1), NewFloat(2.5)}) {
      if (type->Constraints().Contains(value->DType() == dtAtom      ? vcAtom
                                       : value->DType() == dtString  ? vcString
                                       : value->DType() == dtInteger ? vcInteger
                                                                     : vcFloat))
        type->AddAllowedValue(*value);
    }
    SCOPED_TRACE(c.text);
    EXPECT_EQ(type->AllowedValuesText(), c.text);
  }
}

TEST(TIEDefinedType, PrintsImplicitTypesWithoutFrameAndDerivedTypesWithoutInheritedClauses) {
  auto inline_ = MakeRef<TIEDefinedType>();
  inline_->SetImplicit(true);
  inline_->SetBaseTypes({dtInteger, dtVariable, dtFunCall});
  inline_->SetRangeLimited(true);
  inline_->SetMinRange(1);
  inline_->SetMaxRange(52);
  EXPECT_EQ(inline_->AsString(), "(type INTEGER)\r\n    (range 1 52) \r\n");

  auto base = NewType("BASE", {dtInteger});
  base->SetRangeLimited(true);
  base->SetMinRange(1);
  base->SetMaxRange(52);
  auto derived = NewType("DERIVED", {dtInteger, dtFloat});
  derived->SetAncestor(base);
  derived->SetRangeLimited(true);
  derived->SetMinRange(1);
  derived->SetMaxRange(52);
  derived->SetUnits("weeks");
  EXPECT_EQ(derived->AsString(), "(deftype DERIVED extends (type BASE FLOAT)\r\n    (units weeks)\r\n)");
}

TEST(TIEDefinedType, PrintsFuzzyTypesThroughTheirVariable) {
  auto type = NewType("RISK", {dtFuzzy});
  EXPECT_EQ(type->AsString(), "(deftype RISK extends (type FUZZY)\r\n    (range 0.0000 1.0000)\r\n)");
  type->SetUnits("points");
  IFuzzyVariable& variable = *type->FuzzyVariable();
  TRef<IFuzzySet> low = variable.CreateTerm("low");
  low->AddPoint(0, 1);
  low->AddPoint(1, 0);
  variable.CreateTerm("mid")->FuzzySet().MakeTriangle(0.25, 0.5, 0.75);
  EXPECT_EQ(type->AsString(),
            "(deftype RISK extends (type FUZZY)\r\n"
            "    (range 0.0000 1.0000)\r\n"
            "    (units points)\r\n"
            "    (values\r\n"
            "        (term mid (tri 0.2500 0.5000 0.7500))\r\n"
            "        (term low ((0.0000 1.0000) (1.0000 0.0000) ))\r\n"
            "    )\r\n"
            ")");
}

TEST(TIEDefinedType, TermsPrintTheShapeThatMadeThem) {
  auto type = NewType("LEVEL", {dtFuzzy});
  IFuzzyVariable& variable = *type->FuzzyVariable();
  struct TCase {
    std::function<void(TFuzzySet&)> make;
    std::string body;
  };
  const TCase cases[] = {
      {[](TFuzzySet& s) { s.MakeSCurve(7, true, 0, 1, 0.5); }, "(s 0.0000 1.0000)"},
      {[](TFuzzySet& s) { s.MakeSCurve(7, false, 0.2, 0.8, 0.5); }, "(z 0.2000 0.8000)"},
      {[](TFuzzySet& s) { s.MakePI(7, 0.5, 0.25); }, "(pi 0.5000 0.2500)"},
      {[](TFuzzySet& s) { s.MakePI(7, 0.1, 0.3, 0.9); }, "(pi 0.1000 0.3000 0.9000)"},
      {[](TFuzzySet& s) { s.MakeBeta(7, 0.5, 0.5, 0.5, 1); }, "(beta 0.5000 0.5000)"},
      {[](TFuzzySet& s) { s.MakeBeta(7, 0.5, 0.5, 0.2, 1); }, "(beta 0.5000 0.5000 0.2000)"},
      {[](TFuzzySet& s) { s.MakeBeta(7, 0.5, 0.5, 0.2, 3); }, "(beta 0.5000 0.5000 0.2000 3.0000)"},
      {[](TFuzzySet& s) { s.SetExpressionText("very high"); }, "very high"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.body);
    TRef<IFuzzySet> term = variable.CreateTerm("t");
    c.make(term->FuzzySet());
    EXPECT_EQ(FuzzyTermText(*term), "(term t " + c.body + ")");
  }
}

}  // namespace
}  // namespace fxe
