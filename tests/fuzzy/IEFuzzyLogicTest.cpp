// Tests of fuzzy expressions: operand rules, grammar and priorities, results,
// errors, limits, and the printed form of fuzzy values reading back.
#include "fuzzy/IEFuzzyLogic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/IEExceptions.h"
#include "model/IEPackages.h"
#include "values/IEParser.h"

namespace fxe {
namespace {

using TGrade = std::function<double(double)>;

class TBindings final : public IIEContext {
 public:
  std::map<std::string, TRef<TIEValue>, std::less<>> values;
  TIEValue* FindVariableValue(std::string_view name) const override {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : it->second.Get();
  }
  IFact* CurrentFact() const override { return nullptr; }
  IReteToken* CurrentToken() const override { return nullptr; }
};

class TCall final : public TFunctionCall {
 public:
  explicit TCall(TRef<TIEValue> result) : TFunctionCall(nullptr, "f"), result_(std::move(result)) {}
  TRef<TIEValue> Evaluate(IIEContext*) override { return result_; }

 private:
  TRef<TIEValue> result_;
};

template <class TCallable>
std::string ErrorOf(TCallable&& call) {
  try {
    call();
  } catch (const EIEException& e) {
    return std::string("engine: ") + e.what();
  } catch (const EFzyException& e) {
    return std::string("fuzzy: ") + e.what();
  }
  return "no error";
}

// The items the rule lexer reads from a text, as the rule parser hands them
// over: brackets become atoms, parentheses nested lists.
std::vector<TRef<TIEValue>> LexItems(std::string_view text) {
  auto stream = TIERuleStream::FromText(std::string(text));
  std::vector<std::vector<TRef<TIEValue>>> lists(1);
  for (TRef<TIEStreamToken> token = stream->NextToken(); token->DataType() != tkEndOfInput;
       token = stream->NextToken()) {
    switch (token->DataType()) {
      case tkOpenBracket:
        lists.back().push_back(NewAtom("["));
        break;
      case tkCloseBracket:
        lists.back().push_back(NewAtom("]"));
        break;
      case tkOpenParen:
        lists.emplace_back();
        break;
      case tkCloseParen: {
        auto list = MakeRef<TValueVector>(std::move(lists.back()));
        lists.pop_back();
        lists.back().push_back(NewList(std::move(list)));
        break;
      }
      default:
        lists.back().push_back(token->Value());
    }
  }
  return std::move(lists.front());
}

double Triangle(double x, double left, double centre, double right) {
  if (x <= left || x >= right) return x == centre ? 1.0 : 0.0;
  return x <= centre ? (x - left) / (centre - left) : (right - x) / (right - centre);
}

class IEFuzzyExpression : public ::testing::Test {
 protected:
  IEFuzzyExpression() {
    v->SetParser(&parser);
    v->CreateAutoTerms();
  }

  TRef<TIEValue> Eval(std::string_view text, IIEContext* bindings = nullptr) {
    return parser.ParseFuzzyExpression(v.Get(), text, bindings);
  }
  TRef<TIEValue> EvalItems(std::vector<TRef<TIEValue>> items, IIEContext* bindings = nullptr) {
    return EvaluateFuzzyExpression(v.Get(), TValueVector(std::move(items)), bindings, &parser);
  }
  // The fuzzy set of a result, kept alive by the returned reference.
  static TRef<IFuzzySet> Set(const TRef<TIEValue>& value) {
    EXPECT_EQ(value->DType(), dtFuzzy) << value->AsText();
    return TRef<IFuzzySet>(value->FuzzyPtr());
  }
  void ExpectGrades(const IFuzzySet& set, const TGrade& grade) {
    for (int k = 0; k <= 6; ++k) EXPECT_NEAR(set.GetMembership(k / 6.0), grade(k / 6.0), 1e-9) << "x = " << k << "/6";
  }
  void ExpectHighUnchanged() {
    const IFuzzySet& high = *v->FindTerm("high");
    EXPECT_EQ(high.Name(), "high");
    ASSERT_EQ(high.Values().Count(), 2);
    EXPECT_EQ(high.Values()[0].Y(), 0.0);
    EXPECT_EQ(high.Values()[1].Y(), 1.0);
  }

  TIEFuzzyParser parser;
  TRef<TIEFuzzyVariable> v = MakeRef<TIEFuzzyVariable>("v");
};

TEST_F(IEFuzzyExpression, VeryHighHasSevenPointsOfTheSquare) {
  const TRef<IFuzzySet> set = Set(Eval("very high"));
  EXPECT_EQ(set->Name(), "very high");
  ASSERT_EQ(set->Values().Count(), 7);
  for (int k = 0; k < 7; ++k) {
    EXPECT_NEAR(set->Values()[k].X(), k / 6.0, 1e-12);
    EXPECT_NEAR(set->Values()[k].Y(), (k / 6.0) * (k / 6.0), 1e-12);
  }
  ExpectHighUnchanged();
}

TEST_F(IEFuzzyExpression, ExpressionsFollowTheirFormulas) {
  const auto lo = [](double x) { return 1 - x; };
  const auto hi = [](double x) { return x; };
  const auto med = [](double x) { return Triangle(x, 0, 0.5, 1); };
  struct TCase {
    const char* text;
    const char* name;
    TGrade grade;
  };
  const TCase cases[] = {
      {"high", "high", hi},
      {"not low", "not low", hi},
      {"very not high", "very [not high]", [&](double x) { return lo(x) * lo(x); }},
      {"not very high", "not [very high]", [&](double x) { return 1 - x * x; }},
      {"extremely high", "extremely high", [](double x) { return x * x * x; }},
      {"somewhat low", "somewhat low", [&](double x) { return std::cbrt(lo(x)); }},
      {"very high or somewhat low", "[very high] or [somewhat low]",
       [&](double x) { return std::max(x * x, std::cbrt(lo(x))); }},
      {"high and low", "high and low", [&](double x) { return std::min(x, lo(x)); }},
      {"very high and-product low", "[very high] and-product low", [&](double x) { return x * x * lo(x); }},
      {"high or-sum high", "high or-sum high", [](double x) { return 2 * x; }},
      {"[ high or low ] and medium", "[high or low] and medium",
       [&](double x) { return std::min(std::max(x, lo(x)), med(x)); }},
      {"high or low and medium", "[high or low] and medium",
       [&](double x) { return std::min(std::max(x, lo(x)), med(x)); }},
      {"high or [ low and medium ]", "high or [low and medium]",
       [&](double x) { return std::max(x, std::min(lo(x), med(x))); }},
      {"[[high]]", "high", hi},
      {"not [ high and low ]", "not [high and low]", [&](double x) { return 1 - std::min(x, lo(x)); }},
      {"high + 0.1", "high + 0.1000", [](double x) { return x + 0.1; }},
      {"high * 0.5 or low", "[high * 0.5000] or low", [&](double x) { return std::max(x / 2, lo(x)); }},
      {"very high - 0.5", "[very high] - 0.5000", [](double x) { return std::max(0.0, x * x - 0.5); }},
      {"high +X 0.25", "high +X 0.2500", [](double x) { return std::max(0.0, (x - 0.25) / 0.75); }},
      {"high + medium", "high + 0.5000", [](double x) { return x + 0.5; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    const TRef<IFuzzySet> set = Set(Eval(c.text));
    EXPECT_EQ(set->Name(), c.name);
    EXPECT_FALSE(set->IsTerm());
    EXPECT_EQ(set->Variable(), v.Get());
    ExpectGrades(*set, c.grade);
  }
  ExpectHighUnchanged();
  EXPECT_EQ(v->TermCount(), 3);
}

TEST_F(IEFuzzyExpression, NotLowEqualsHighForTheAutomaticTerms) {
  for (const auto& [minimum, maximum] : {std::pair{0.0, 1.0}, std::pair{1.0, 100.0}, std::pair{-5.0, 5.0}}) {
    auto w = MakeRef<TIEFuzzyVariable>("w");
    w->SetMaximum(maximum);
    w->SetMinimum(minimum);
    w->CreateAutoTerms();
    const TRef<TIEValue> notLow = parser.ParseFuzzyExpression(w.Get(), "not low");
    EXPECT_TRUE(Set(notLow)->Values().Equals(w->FindTerm("high")->Values())) << minimum << ".." << maximum;
  }
}

TEST_F(IEFuzzyExpression, AutomaticMediumPeaksAtHalfTheWidth) {
  v->SetMinimum(1);
  v->SetMaximum(100);
  v->Items().Clear();
  v->CreateAutoTerms();
  EXPECT_EQ(Eval("medium")->AsText(), "medium");
  EXPECT_EQ(Set(Eval("medium"))->FuzzySet().ValuesText(), "((1.0000 0.0000) (49.5000 1.0000) (100.0000 0.0000) )");
}

TEST_F(IEFuzzyExpression, NumbersBecomeSpikes) {
  const TRef<IFuzzySet> spike = Set(EvaluateFuzzyValue(v.Get(), *NewFloat(0.25), nullptr, &parser));
  EXPECT_EQ(spike->Name(), "0.2500");
  EXPECT_EQ(spike->FuzzySet().ValuesText(), "((0.2500 0.0000) (0.2500 1.0000) (0.2500 0.0000) )");
  EXPECT_EQ(Set(Eval("3"))->Name(), "3");
  // X is clamped into the universe.
  EXPECT_EQ(Set(Eval("7"))->FuzzySet().ValuesText(), "((1.0000 0.0000) (1.0000 1.0000) (1.0000 0.0000) )");
}

TEST_F(IEFuzzyExpression, TermExpressionsAfterOneAnotherGiveAMultifield) {
  const struct {
    const char* text;
    std::vector<std::string> names;
  } cases[] = {
      {"high low", {"high", "low"}},
      {"very high [ low ]", {"very high", "low"}},
      {"high very low", {"high", "very low"}},
      {"[ high ] [ low ] medium", {"high", "low", "medium"}},
      {"high or low 0.5", {"high or low", "0.5000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const TRef<TIEValue> result = Eval(c.text);
    ASSERT_EQ(result->DType(), dtList);
    std::vector<std::string> names;
    for (const TRef<TIEValue>& item : *result->ListPtr()) names.push_back(Set(item)->Name());
    EXPECT_EQ(names, c.names);
  }
}

TEST_F(IEFuzzyExpression, BadInputRaisesClearErrors) {
  const std::pair<const char*, const char*> cases[] = {
      {"high and", "engine: Missing fuzzy operand to be modified by hedge: and"},
      {"or low", "engine: Missing fuzzy operand to be modified by hedge: or"},
      {"very", "engine: Missing fuzzy operand to be modified by hedge: very"},
      {"high +X", "engine: Missing fuzzy operand to be modified by hedge: +X"},
      {"very and high", "engine: Missing fuzzy operand to be modified by hedge: very"},
      {"[ very ]", "engine: Missing fuzzy operand to be modified by hedge: very"},
      {"[ high", "engine: Missing Fuzzy Close Bracket in expression"},
      {"[ [ high ] or low", "engine: Missing Fuzzy Close Bracket in expression"},
      {"[ high low", "engine: Missing Fuzzy Close Bracket in expression"},
      {"high ]", "engine: Invalid item in fuzzy expression: ]"},
      {"[ ]", "engine: Invalid item in fuzzy expression: ]"},
      {"tall", "engine: Invalid item in fuzzy expression: tall"},
      {"very tall or low", "engine: Invalid item in fuzzy expression: tall"},
      {"( high", "engine: Invalid Fuzzy Expression: ( high"},
      {"high )", "engine: Invalid Fuzzy Expression: high )"},
      {"high and-sum low", "fuzzy: Invalid fuzzy operation: foSum"},
      {"high / 0", "fuzzy: Invalid fuzzy operation, division by 0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { Eval(c.first); }), c.second) << c.first;
  }
  EXPECT_EQ(ErrorOf([&] { parser.ParseFuzzyExpression(nullptr, "high"); }), "engine: fuzzy variable is not defined");
  EXPECT_EQ(ErrorOf([&] { EvalItems({NewString("tall")}); }), "engine: Invalid item in fuzzy expression: \"tall\"");
  ExpectHighUnchanged();
}

TEST_F(IEFuzzyExpression, NestingAndLengthAreBoundedWithoutRecursion) {
  constexpr int deep = 100000;
  std::vector<TRef<TIEValue>> items(deep, NewAtom("["));
  EXPECT_EQ(ErrorOf([&] { EvalItems(items); }), "engine: Missing Fuzzy Close Bracket in expression");
  items.push_back(NewAtom("high"));
  items.insert(items.end(), deep, NewAtom("]"));
  EXPECT_EQ(Set(EvalItems(items))->Name(), "high");

  EXPECT_EQ(ErrorOf([&] { Eval(std::string(deep, '(') + "high" + std::string(deep, ')')); }),
            "engine: Fuzzy expression nested too deeply, more than 128 levels");
  TRef<TIEValue> nested = NewAtom("high");
  for (int i = 0; i < 200; ++i) nested = NewList(MakeRef<TValueVector>(std::vector<TRef<TIEValue>>{nested}));
  EXPECT_EQ(ErrorOf([&] { EvalItems({nested}); }), "engine: Fuzzy expression nested too deeply, more than 128 levels");

  std::vector<TRef<TIEValue>> hedges(FuzzyExpressionMaxOperators + 1, NewAtom("very"));
  hedges.push_back(NewAtom("high"));
  EXPECT_EQ(ErrorOf([&] { EvalItems(hedges); }), "engine: Fuzzy expression too long, more than 10000 operators");
}

TEST_F(IEFuzzyExpression, EmptyInputIsTheEmptyTerm) {
  EXPECT_EQ(v->FindTerm(FuzzyEmptyTermName), nullptr);
  for (const TRef<TIEValue>& result : {EvalItems({}), Eval("__Empty"), EvalItems({NewString("")})}) {
    const TRef<IFuzzySet> set = Set(result);
    EXPECT_EQ(set->Name(), FuzzyEmptyTermName);
    EXPECT_TRUE(set->Values().IsEmpty());
    EXPECT_EQ(result->AsText(), "");
    EXPECT_NE(set.Get(), v->FindTerm(FuzzyEmptyTermName));
  }
  EXPECT_NE(v->FindTerm(FuzzyEmptyTermName), nullptr);
}

TEST_F(IEFuzzyExpression, VariablesAndCallsNeedBindings) {
  const std::vector<TRef<TIEValue>> items = {NewVariable("x"), NewAtom("and"), NewAtom("high")};
  const TRef<TIEValue> unchanged = EvalItems(items);
  ASSERT_EQ(unchanged->DType(), dtList);
  ASSERT_EQ(unchanged->ListPtr()->Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(unchanged->ListPtr()->Item(i), items[static_cast<std::size_t>(i)]);

  TBindings bindings;
  bindings.values["x"] = NewAtom("low");
  EXPECT_EQ(Set(EvalItems(items, &bindings))->Name(), "low and high");
  bindings.values["x"] = NewFloat(0.5);
  EXPECT_EQ(Set(EvalItems(items, &bindings))->Name(), "0.5000 and high");

  // A bound fuzzy value is copied; one without a variable gets this one.
  TRef<IFuzzySet> shape = NewEngineFuzzySet();
  shape->FuzzySet().MakeTriangle(0.2, 0.4, 0.6);
  shape->SetName("bump");
  bindings.values["x"] = MakeRef<TIEValue>(shape);
  const TRef<TIEValue> copy = EvalItems({NewAtom("very"), NewVariable("x")}, &bindings);
  EXPECT_NE(copy->FuzzyPtr(), shape.Get());
  EXPECT_EQ(copy->AsText(), "very bump");
  EXPECT_EQ(copy->FuzzyPtr()->Variable(), v.Get());
  EXPECT_EQ(shape->Variable(), nullptr);
  EXPECT_EQ(shape->FuzzySet().ValuesText(), "((0.2000 0.0000) (0.4000 1.0000) (0.6000 0.0000) )");

  const auto call = [](TRef<TIEValue> result) { return MakeRef<TIEValue>(TRef<IFunCall>(MakeRef<TCall>(result))); };
  const auto veryHigh = NewList(MakeRef<TValueVector>(std::vector<TRef<TIEValue>>{NewAtom("very"), NewAtom("high")}));
  EXPECT_EQ(Set(EvalItems({NewAtom("not"), call(veryHigh)}, &bindings))->Name(), "not [very high]");
  EXPECT_EQ(EvalItems({call(NewAtom("high"))})->DType(), dtList);
}

TEST_F(IEFuzzyExpression, OtherKindsAreUndefinedOrInvalid) {
  const TRef<TIEValue> fact = MakeRef<TIEValue>(3, dtFactId);
  EXPECT_EQ(EvalItems({NewAtom("very"), fact}), SharedValues().Nil);
  EXPECT_EQ(EvalItems({NewAtom("high"), NewAtom("low"), fact}), SharedValues().Nil);
  TBindings bindings;
  EXPECT_EQ(ErrorOf([&] { EvalItems({fact}, &bindings); }), "engine: Invalid item in fuzzy expression: <Fact-3>");
  // A nested list holding two expressions is not one fuzzy value.
  const auto pair = NewList(MakeRef<TValueVector>(std::vector<TRef<TIEValue>>{NewAtom("high"), NewAtom("low")}));
  EXPECT_EQ(EvalItems({NewAtom("not"), pair})->DType(), dtList);
}

TEST_F(IEFuzzyExpression, PointListsAndFuzzyValuesAreOperands) {
  const TRef<TIEValue> points = Eval("((0 1) (0.5 0))");
  EXPECT_EQ(points->AsText(), "((0.0000 1.0000) (0.5000 0.0000) )");
  EXPECT_EQ(Eval("not ((0 1) (0.5 0))")->AsText(), "not [ ((0.0000 1.0000) (0.5000 0.0000) ) ]");

  auto singletons = MakeRef<TSingletonsVector>(&parser);
  singletons->Add(NewInteger(0), NewVariable("y"));
  singletons->Add(NewFloat(1), NewInteger(0));
  const TRef<TIEValue> value = MakeRef<TIEValue>(singletons);
  EXPECT_EQ(value->AsText(), "((0 ?y) (1.0000 0) )");
  EXPECT_EQ(EvaluateFuzzyValue(v.Get(), *value, nullptr, &parser)->DType(), dtList);
  TBindings bindings;
  bindings.values["y"] = NewFloat(0.5);
  EXPECT_EQ(Set(EvaluateFuzzyValue(v.Get(), *value, &bindings, &parser))->FuzzySet().ValuesText(),
            "((0.0000 0.5000) (1.0000 0.0000) )");

  // A fuzzy value is used as it is; a copy is changed, never the value.
  TRef<IFuzzySet> shape = NewEngineFuzzySet();
  shape->FuzzySet().MakeTriangle(0.2, 0.4, 0.6);
  const TRef<TIEValue> fuzzy = MakeRef<TIEValue>(shape);
  EXPECT_EQ(EvaluateFuzzyValue(v.Get(), *fuzzy, nullptr, &parser), fuzzy);
  EXPECT_EQ(shape->Variable(), v.Get());
  EvalItems({NewAtom("very"), fuzzy});
  EXPECT_EQ(shape->FuzzySet().ValuesText(), "((0.2000 0.0000) (0.4000 1.0000) (0.6000 0.0000) )");
}

TEST_F(IEFuzzyExpression, ReservedWordsCannotNameTerms) {
  EXPECT_EQ(ErrorOf([&] { v->CreateTerm("very"); }), "fuzzy: Invalid fuzzy set name, \"very\" is a reserved word");
  v->CreateTerm("Very")->FuzzySet().MakeTriangle(0, 0.5, 1);
  EXPECT_EQ(Set(Eval("very Very"))->Name(), "very Very");
}

TEST_F(IEFuzzyExpression, PrintedValuesReadBack) {
  TRef<IFuzzySet> increased = v->CreateTerm("increased");
  increased->FuzzySet().MakeSCurve(7, true, 0, 1, 0.5);
  // The combined value of the stored example fact base prints as it is written.
  const char* stored = "increased or-sum [ increased or-sum [ increased or-sum [ increased or-sum increased ] ] ]";
  EXPECT_EQ(Eval(stored)->AsText(), stored);
  const char* texts[] = {
      stored,
      "very high or somewhat low",
      "[ high or low ] and medium",
      "high or [ low and medium ]",
      "not [ very [ somewhat high ] ] and-mean [ low or-boundedsum medium ]",
      "high +X 0.25 or low * 0.5",
      "very [ high or low ] - 0.2 and above medium",
      "slightly medium or-product about 0.3",
      "not ((0 1) (0.5 0)) or high",
      "high low",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    const TRef<TIEValue> first = Eval(text);
    const std::string printed = first->AsText();
    for (const TRef<TIEValue>& again : {Eval(printed), EvalItems(LexItems(printed))}) {
      EXPECT_EQ(again->AsText(), printed);
      ASSERT_EQ(again->DType(), first->DType());
      if (first->DType() != dtFuzzy) continue;
      EXPECT_TRUE(again->FuzzyPtr()->Values().Equals(first->FuzzyPtr()->Values()));
    }
  }
}

TEST_F(IEFuzzyExpression, OneValueConvertsByItsKind) {
  EXPECT_EQ(Set(EvaluateFuzzyValue(v.Get(), *NewString("very high or low"), nullptr, &parser))->Name(),
            "[very high] or low");
  EXPECT_EQ(Set(parser.ConvertToFuzzy(v.Get(), *NewAtom("[high]and[low]")))->Name(), "high and low");
  const TRef<TIEValue> list = NewList(MakeRef<TValueVector>(std::vector<TRef<TIEValue>>{NewVariable("x")}));
  EXPECT_EQ(parser.ConvertToFuzzy(v.Get(), *list), list);
}

}  // namespace
}  // namespace fxe
