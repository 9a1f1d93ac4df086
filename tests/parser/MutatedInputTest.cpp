// Robustness: damaged rule programs (bytes dropped, duplicated, swapped or
// replaced) are read in both error modes. Each must end in success or a
// reported error; the sanitizer build shows that none crashes or leaks.
#include <gtest/gtest.h>

#include <random>

#include "parser/ParserFixture.h"

namespace fxe::test {
namespace {

constexpr std::string_view kSeed = R"(
(deftype LEVEL extends (type FUZZY) (range 0 10) (values (term low ((0 1) (10 0))) (term high ((0 0) (10 1)))))
(deftype SIZE extends (type INTEGER) (range 1 ?VARIABLE) (allowed-integers 1 2 3))
(deftemplate item "an item" (slot name (type SYMBOL STRING)) (slot size (type SIZE) (default 1))
    (multislot tags (default a b)) (slot level (type LEVEL)))
(deffacts stock (item (name box) (size 2) (tags x y)) (item (name "big box") (level very high)))
(defglobal ?*limit* = (+ 1 2) ?*name* = top)
(deffunction twice (?x $?rest) "doubles" (bind ?y (+ ?x ?x)) (return ?y))
(defrule pick (declare (salience 5))
    ?i <- (item (name ?n&~box|crate) (size ?s&:(> ?s 1)) (tags $? x $?))
    (not (item (name ?n) (size =(+ ?s 1))))
    (test (> ?s 0))
    =>
    (modify ?i (size 3)) (assert (picked ?n)) (printout t ?n crlf))
)";

// The seed with one random edit applied several times.
std::string Mutate(std::mt19937& random, std::string text) {
  using namespace std::string_view_literals;
  static constexpr std::string_view kAlphabet = "()[]&|~=?$:;\"\\ \r\n\t09azAZ-.<\0\x80\xff"sv;
  const int edits = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const std::size_t at = random() % text.size();
    switch (random() % 4) {
      case 0:
        text.erase(at, 1 + random() % 8);
        break;
      case 1:
        text.insert(at, text.substr(random() % text.size(), 1 + random() % 24));
        break;
      case 2:
        text[at] = kAlphabet[random() % kAlphabet.size()];
        break;
      default:
        std::swap(text[at], text[random() % text.size()]);
        break;
    }
  }
  return text;
}

TEST(TIERuleParserRobustness, DamagedProgramsEndInSuccessOrAReportedError) {
  std::mt19937 random(20261208);
  int failures = 0;
  int successes = 0;
  for (int round = 0; round < 1500; ++round) {
    const std::string text = Mutate(random, std::string(kSeed));
    for (TErrorHandling mode : {ehRaiseImmediate, ehRaiseAllAtEnd}) {
      TParserSession session;
      session.parser.SetErrorHandling(mode);
      try {
        session.Parse(text);
        ++successes;
      } catch (const EIEException&) {
        ++failures;
      } catch (const EFzyException&) {
        ++failures;
      }
    }
  }
  // Both outcomes occur; the point is that every program ends in one of them.
  EXPECT_GT(failures, 0);
  EXPECT_GT(successes, 0);
}

}  // namespace
}  // namespace fxe::test
