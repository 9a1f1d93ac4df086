// The standard package through a real engine: values of calls, evaluation
// order and laziness, the return flag in loops and deffunctions, errors, and
// rules that change the fact base.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/IEExceptions.h"
#include "engine/InferenceEngine.h"
#include "model/IEFactTemplate.h"
#include "packages/StandardPackage.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;

class StandardPackage : public ::testing::Test {
 protected:
  StandardPackage() {
    engine.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
  }
  TRef<TIEValue> Eval(std::string_view text) {
    return engine.ParseFunctionCall(text)->Evaluate(&engine.EngineContext());
  }
  // The printed form of the call's value; "nil" for the nil value (which
  // prints as nothing).
  std::string Value(std::string_view text) {
    const TRef<TIEValue> value = Eval(text);
    return value.Get() == SharedValues().Nil.Get() ? "nil" : value->AsText();
  }
  std::string Error(std::string_view text) {
    return ErrorOf([&] { Eval(text); });
  }
  // Parses and runs the text; what was printed meanwhile.
  std::string Run(std::string_view text) {
    output.clear();
    engine.Parse(text);
    return output;
  }
  std::string Facts() {
    std::string text;
    for (std::int32_t i = 0; i < engine.FactCount(); ++i) text += engine.FactAt(i).AsStringWithID() + "\n";
    return text;
  }

  TInferenceEngine engine;
  std::string output;
};

struct TCase {
  std::string_view call;
  std::string_view value;
};

TEST_F(StandardPackage, TableHoldsEveryFunctionWithUsageAndArity) {
  auto package = TUserPackage::Create<TStandardPackage>(nullptr);
  ASSERT_EQ(package->Functions().size(), 71u);
  EXPECT_EQ(package->Functions().front()->FunctionName(), "and");
  EXPECT_EQ(package->Functions().back()->FunctionName(), "save");
  const IUserFunction* open = package->FindFunction("open");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->ArgumentString(), " <filename> <logical-name> [a|r|w|r+]");
  EXPECT_EQ(open->MinArgumentCount(), 2);
  EXPECT_EQ(open->MaxArgumentCount(), 3);
  EXPECT_EQ(package->FindFunction("halt")->ArgumentString(), "");
  EXPECT_EQ(package->FindFunction("while")->Comment().substr(0, 40), "Evaluates and executes the expressions i");
  EXPECT_EQ(package->FindFunction("member")->Comment(),
            "Returns the index of the argument that matches the first argument, or FALSE if the first argument is "
            "not found.  The index returned is 0-based");
  // The engine serves the package's functions by name.
  EXPECT_EQ(engine.FindFunction("subsetp")->MaxArgumentCount(), 2);
}

TEST_F(StandardPackage, LogicAndComparisons) {
  const TCase cases[] = {
      {"(and)", "TRUE"},        {"(and 1 FALSE (throw never))", "FALSE"},
      {"(or)", "FALSE"},        {"(or FALSE 0 (throw never))", "TRUE"},
      {"(not FALSE)", "TRUE"},  {"(not 0)", "FALSE"},
      {"(eq a a a)", "TRUE"},   {"(eq a)", "TRUE"},
      {"(eq 1 1.0)", "FALSE"},  {"(eq \"a\" a)", "FALSE"},
      {"(eq* 1 1.0)", "TRUE"},  {"(eq* abc 1)", "FALSE"},
      {"(neq a b c)", "TRUE"},  {"(neq a b a)", "FALSE"},
      {"(= 1 1.0 1)", "TRUE"},  {"(= 1 2)", "FALSE"},
      {"(<> 1 2 3)", "TRUE"},   {"(<> 1 2 1)", "FALSE"},
      {"(> 3 2 1)", "TRUE"},    {"(> 3 3)", "FALSE"},
      {"(>= 3 3 2.5)", "TRUE"}, {"(< 1 2 3)", "TRUE"},
      {"(< 1 3 2)", "FALSE"},   {"(< 2 1 (throw never))", "FALSE"},
      {"(<= 1 1 2)", "TRUE"},   {"(<= 2 1)", "FALSE"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
}

TEST_F(StandardPackage, IfWhileForeach) {
  const TCase cases[] = {
      {"(if FALSE then a)", "FALSE"},
      {"(if 0 then a else b)", "a"},
      {"(if FALSE then a else b c)", "c"},
      {"(if TRUE then a b else (throw never))", "b"},
      {"(if TRUE then)", "FALSE"},
      {"(if FALSE then (throw never) else)", "FALSE"},
      {"(while FALSE do (throw never))", "FALSE"},
      {"(foreach ?x (create$) (throw never))", "nil"},
      {"(foreach ?x (create$ a b c) ?x)", "c"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
  // A loop that changes its own condition; do is optional.
  Eval("(bind ?l (create$ a b c))");
  EXPECT_EQ(Value("(while (> (length$ ?l) 1) (bind ?l (rest$ ?l)))"), "FALSE");
  EXPECT_EQ(Value("(__get-var ?l)"), "c ");
  EXPECT_EQ(Run("(foreach ?x (create$ a b) (printout t ?x crlf))"), "a\r\nb\r\n");
}

TEST_F(StandardPackage, MultifieldFunctions) {
  const TCase cases[] = {
      {"(create$ a 1 \"s\")", "a 1 \"s\" "},
      {"(create$)", ""},
      {"(delete$ (create$ a b c d) 1 2)", "a d "},
      {"(delete$ (create$ a b) 5 7)", "a b "},
      {"(explode$ \"  a  b 1 \")", "a b 1 "},
      {"(explode$ \"   \")", ""},
      {"(explode$ \"\t a b\r\n\")", "a b "},
      {"(first$ (create$))", "nil"},
      {"(first$ (create$ a b))", "a"},
      {"(length$ (create$ a b))", "2"},
      {"(implode$ (create$ a \"b c\" 1))", "\"a b c 1\""},
      {"(implode$ (create$))", "\"\""},
      {"(insert$ (create$ x y) 1 a b)", "x b a y "},
      {"(insert$ (create$ x y) 2 z)", "x y z "},
      {"(member c a b c)", "2"},
      {"(member z a b)", "FALSE"},
      {"(member$ b (create$ a b b))", "1"},
      {"(member$ 1 (create$ 1.0))", "FALSE"},
      {"(nth$ 1 (create$ a b))", "b"},
      {"(replace$ (create$ a b c d) 1 2 x y)", "a y x d "},
      {"(replace$ (create$ a b c) 0 0)", "b c "},
      {"(rest$ (create$ a b c))", "b c "},
      {"(rest$ (create$))", ""},
      {"(subseq$ (create$ a b c d) 1 2)", "b c "},
      {"(subseq$ (create$ a b) 1 9)", "b "},
      {"(subseq$ (create$ a b) -3 -1)", ""},
      {"(subsetp (create$ b c) (create$ a b c))", "TRUE"},
      {"(subsetp c (create$ a b c))", "TRUE"},
      {"(subsetp (create$) (create$))", "TRUE"},
      {"(subsetp (create$ c a) (create$ a b c))", "FALSE"},
      {"(subsetp (create$ a b c d) (create$ a b))", "FALSE"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
  // explode$ makes symbols of numbers too.
  EXPECT_EQ(Eval("(nth$ 2 (explode$ \"a b 1\"))")->DType(), dtAtom);
}

TEST_F(StandardPackage, ErrorsNameTheirCause) {
  const TCase cases[] = {
      {"(delete$ (create$ a) 2 1)", "Invalid multifield begin and end parameters: 2, 1"},
      {"(subseq$ (create$ a) 0 -1)", "Invalid multifield begin and end parameters: 0, -1"},
      {"(replace$ (create$ a) 3 2 x)", "Invalid multifield begin and end parameters: 3, 2"},
      {"(if TRUE a)", "Syntax Error: Missing \"then\" in an IF statement"},
      {"(try a b)", "Missing catch or finally statement for try block"},
      {"(throw \"it %s broke\")", "it %s broke"},
      {"(not)", "Too few arguments for not"},
      {"(not a b)", "Too many arguments for not"},
      {"(< 1)", "Too few arguments for <"},
      {"(eq* 5 abc)", "Not a integer type.  Value (abc) is a dtAtom type"},
      {"(retract abc)", "Not a integer type.  Value (abc) is a dtAtom type"},
      {"(gensym* a)", "Too many arguments for gensym*"},
      {"(open a b c d)", "Too many arguments for open"},
      {"(watch bogus)", "Invalid watch item: bogus"},
      {"(do-backward-chaining nobody)", "Unknown fact template: nobody"},
      {"(nth$ 5 (create$ a))", "List index out of bounds (5)"},
  };
  for (const auto& [call, message] : cases) EXPECT_EQ(Error(call), message) << call;
  // Numbers expected, something else given: the value conversion error.
  EXPECT_NE(Error("(> a 1)"), test::kNoError);
  EXPECT_NE(Error("(length$ a)"), test::kNoError);
}

TEST_F(StandardPackage, TryRunsFinallyBeforeCatchAndBindsTheError) {
  EXPECT_EQ(Run("(try (printout t body) (throw boom) (printout t never) "
                "finally (printout t \" finally \") catch (printout t ?__ERROR))"),
            "body finally boom");
  EXPECT_EQ(Value("(try (throw boom) catch ?__ERROR)"), "\"boom\"");
  EXPECT_EQ(Value("(try a b finally c)"), "b");
  EXPECT_EQ(Value("(try (throw x) finally c)"), "FALSE");
  EXPECT_EQ(Value("(try (throw x) except)"), "FALSE");
  // catch counts only after finally: before it, it is one more body expression.
  EXPECT_EQ(Run("(try (printout t a) catch (printout t c) finally (printout t f))"), "acf");
  // An exit is no error: it goes through.
  EXPECT_THROW(Eval("(try (exit) catch caught)"), EExit);
}

TEST_F(StandardPackage, ArgumentsReadAfterALaterOneRebindsTheirVariable) {
  // Each argument is read before the next is evaluated; one kept across later
  // arguments (the first of eq) keeps the value it had. The parameters come
  // from computed values, which only the deffunction's frame holds.
  Run("(deffunction sum (?x) (+ ?x (bind ?x (+ 2 3)) ?x))"
      "(deffunction same (?x) (eq ?x (bind ?x (+ 1 1))))"
      "(deffunction all (?x) (and ?x (bind ?x (sym-cat FAL SE)) ?x))"
      "(deffunction upto (?x) (<= ?x (bind ?x (- 5 1)) ?x))");
  const TCase cases[] = {
      {"(sum (+ 0 1))", "11"},   {"(same (+ 0 1))", "FALSE"}, {"(same (+ 1 1))", "TRUE"},
      {"(all (+ 0 1))", "FALSE"}, {"(upto (+ 0 1))", "TRUE"},  {"(upto (+ 0 5))", "FALSE"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
}

TEST_F(StandardPackage, ReturnEndsLoopsAndDeffunctions) {
  Run("(deffunction f (?x) (while TRUE do (if (eq ?x a) then (return found)) (bind ?x a)) (throw never))"
      "(deffunction g (?l) (foreach ?i ?l (if (eq ?i b) then (return ?i))) none)"
      "(deffunction h () (return (create$ x y)) (throw never))"
      "(deffunction k () (try (return early) finally (bind ?*seen* yes)) late)"
      "(deffunction down (?l) (if (eq (length$ ?l) 0) then done else (down (rest$ ?l))))"
      "(deffunction forever () (forever))");
  const TCase cases[] = {
      {"(f b)", "found"},
      {"(g (create$ a b c))", "b"},
      {"(g (create$ a))", "none"},
      {"(h)", "x y "},
      {"(k)", "early"},
      {"(down (create$ a b c d e f))", "done"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
  EXPECT_EQ(Value("(__get-var ?*seen*)"), "yes");
  // A return outside a deffunction does not stop later commands.
  Run("(return 1)");
  EXPECT_EQ(Value("(if TRUE then a b)"), "b");
  EXPECT_EQ(Value("(foreach ?i (create$ a b) (return ?i))"), "a");
  EXPECT_EQ(Value("(if TRUE then a b)"), "b");
  // Recursion without end fails with a message instead of exhausting the stack.
  EXPECT_NE(Error("(forever)").find("Maximum call depth"), std::string::npos);
}

TEST_F(StandardPackage, BindingAndStorage) {
  const TCase cases[] = {
      {"(bind ?v 3)", "3"},
      {"(__get-var ?v)", "3"},
      {"(__get-var v)", "3"},
      {"(__get-var nope)", "nil"},
      {"(store k (create$ a))", "a "},
      {"(fetch k)", "a "},
      {"(store k nil)", "nil"},
      {"(fetch k)", "nil"},
      {"(store j 1)", "1"},
      {"(clear-storage)", "TRUE"},
      {"(fetch j)", "nil"},
      {"(gensym*)", "gen0"},
      {"(gensym*)", "gen1"},
      {"(version)", "2.0000"},
      {"(set-fact-duplication TRUE)", "FALSE"},
      {"(get-fact-duplication)", "TRUE"},
      {"(set-fact-duplication FALSE)", "TRUE"},
  };
  for (const auto& [call, value] : cases) EXPECT_EQ(Value(call), value) << call;
}

TEST_F(StandardPackage, WatchAndUnwatchChangeTheSwitches) {
  Eval("(watch facts)");
  Eval("(watch rules)");
  EXPECT_EQ(engine.Watch(), (TConstructWatches{cwFact, cwRule}));
  Eval("(unwatch facts)");
  EXPECT_EQ(engine.Watch(), TConstructWatches{cwRule});
  Eval("(watch all)");
  EXPECT_EQ(engine.Watch(), (TConstructWatches{cwActivation, cwFact, cwRule, cwCompilation, cwStatistics}));
  Eval("(unwatch all)");
  EXPECT_TRUE(engine.Watch().Empty());
}

TEST_F(StandardPackage, PrintoutWritesByKind) {
  EXPECT_EQ(Run("(printout t \"a\" b 1 (create$ x \"y\") crlf)"), "ab1(x \"y\" )\r\n");
  EXPECT_EQ(Run("(printout t \"line\" crlf)"), "line\r\n");
  EXPECT_EQ(Eval("(printout t)").Get(), SharedValues().Nil.Get());
}

TEST_F(StandardPackage, FormatAppliesDirectivesSafely) {
  const TCase cases[] = {
      {"(format t \"%d-%5.2f|%s%n\" 7 3.14159 abc)", "7- 3.14|abc\r\n"},
      {"(format t \"x%n\")", "x\r\n"},
      {"(format t \"%n%d%n\" 4)", "\r\n4\r\n"},
      {"(format t \"a\" 1 \"s\" (create$ p))", "a 1 s (p )"},
      {"(format t \"%-4d|%05d|%x|%u\" 7 42 255 -1)", "7   |00042|ff|4294967295"},
      {"(format t \"%s %d\" \"50%d\" 3)", "\"50%d\" 3"},
      {"(format t \"%q %d\" 5)", "%q 5"},
      {"(format t \"100%% %d\" 5)", "100% 5"},
      // Symbols give their text, without the escapes of their printed form.
      {"(format t \"%s|\" (sym-cat \"a(b c\") (sym-cat x \" \" y))", "a(b c| x y"},
      {"(format t \"%.1e|%g\" 1234.5 0.5)", "1.2e+03|0.5"},
      {"(format t \"%8.3m\" 2)", "   2.000"},
      {"(format t \"%.3s\" abcdef)", "abc"},
      {"(format t \"%\" 1)", "% 1"},
  };
  for (const auto& [call, value] : cases) {
    output.clear();
    EXPECT_EQ(Value(call), "nil") << call;
    EXPECT_EQ(output, value) << call;
  }
  EXPECT_EQ(Error("(format t \"%99999999999d\" 1)"), "Format width or precision too large: %99999999999d");
  EXPECT_EQ(Error("(format t \"%.5000f\" 1)"), "Format width or precision too large: %.5000f");
  EXPECT_NE(Error("(format t \"%d\" abc)"), test::kNoError);
}

// Without a slot name get-slot-value reads a fact's first slot. A host that
// takes every slot from a template leaves its facts with none to read.
TEST_F(StandardPackage, GetSlotValueOfAFactWithoutSlots) {
  Run("(deftemplate bare (slot only))");
  EXPECT_EQ(Value("(assert (bare (only 7)))"), "<Fact-1>");
  EXPECT_EQ(Value("(get-slot-value 1)"), "7");
  engine.FindFactTemplate("bare")->ClearSlots();
  EXPECT_EQ(Error("(get-slot-value 1)"), "Fact (bare) has no slot to read");
}

TEST_F(StandardPackage, RulesAssertModifyDuplicateAndRetract) {
  Run("(deftemplate person (slot name) (slot age))"
      "(defrule grow ?p <- (person (name ?n) (age 1)) => (modify ?p (age 2)) (printout t ?n \" grew\" crlf))"
      "(defrule twin ?p <- (person (name bob) (age 2)) => (duplicate ?p (name ann)))");
  EXPECT_EQ(Value("(assert (person (name bob) (age 1)))"), "<Fact-1>");
  EXPECT_EQ(Value("(assert (person (name bob) (age 1)))"), "FALSE");
  EXPECT_EQ(Value("(assert)"), "FALSE");
  EXPECT_EQ(Value("(run)"), "2");
  EXPECT_EQ(output, "bob grew\r\n");
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact)\nf-2 (person (age 2) (name bob))\nf-3 (person (age 2) (name ann))\n");
  EXPECT_EQ(Value("(get-slot-value 3 name)"), "ann");
  EXPECT_EQ(Value("(get-slot-value (assert (person (name cy))) name)"), "cy");
  EXPECT_EQ(Value("(retract 2 99)"), "TRUE");
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact)\nf-3 (person (age 2) (name ann))\nf-4 (person (name cy))\n");
  EXPECT_EQ(Value("(assert-string \"(color red)\" \"(color blue)\")"), "<Fact-6>");
  EXPECT_EQ(Value("(retract-string \"(color red)\")"), "TRUE");
  EXPECT_EQ(Value("(retract-string \"(color red)\")"), "FALSE");
  EXPECT_EQ(Value("(retract *)"), "TRUE");
  EXPECT_EQ(engine.FactCount(), 0);
}

TEST_F(StandardPackage, EngineCycleFunctions) {
  Run("(defrule a (declare (salience 5)) (go) => (printout t a) (halt))"
      "(defrule b (go) => (printout t b))");
  Eval("(assert (go))");
  EXPECT_EQ(Value("(run)"), "1");
  EXPECT_EQ(output, "a");
  EXPECT_EQ(Value("(run 5)"), "1");
  EXPECT_EQ(Value("(reset)"), "TRUE");
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact)\n");
  Eval("(do-backward-chaining go)");
  EXPECT_TRUE(engine.FindFactTemplate("go")->BackwardChaining());
  EXPECT_EQ(Value("(clear)"), "TRUE");
  EXPECT_EQ(engine.RuleTable().Count(), 0);
}

TEST_F(StandardPackage, ExitStopsAtOnce) {
  EXPECT_THROW(Eval("(exit)"), EExit);
  Run("(defrule stop => (exit) (printout t never))");
  EXPECT_THROW(engine.Parse("(run)"), EExit);
  EXPECT_EQ(output, "");
}

}  // namespace
}  // namespace fxe
