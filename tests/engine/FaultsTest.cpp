// Faults the engine survives: saves that cannot be written keep the old file
// and report; damaged save, stored-properties and batch files load what
// reads and report the rest by line; files that go away under the engine;
// and a rule action failing in the middle of a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"
#include "support/TempFiles.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;
using test::kNoError;
using test::ReadFile;
using test::TEngineSession;
using test::TTempFolder;
using test::WriteFile;

// The number of times piece occurs in text.
std::size_t Occurrences(const std::string& text, std::string_view piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

class TFaultsTest : public ::testing::Test {
 protected:
  TTempFolder folder;
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(TFaultsTest, ASaveThatCannotBeWrittenReportsAndKeepsTheOldFile) {
  session.Run("(deftemplate a (slot x)) (defrule r (a (x ?x)) => (note ?x))");
  // Places no file can be made in, whoever runs the test: a folder that does
  // not exist, a "folder" that is a file, and a process-information folder.
  WriteFile(folder.File("plain"), "plain file");
  std::vector<std::string> targets{folder.File("missing/kb.clp"), folder.File("plain/kb.clp")};
  if (std::filesystem::exists("/proc/self/comm")) targets.push_back("/proc/self/comm");
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    const std::string before = ReadFile(target);
    const std::string error = ErrorOf([&] { engine.SaveFile(target); });
    EXPECT_EQ(error.rfind("Unable to write file \"" + target + "\": ", 0), 0u) << error;
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_NE(ErrorOf([&] { engine.SaveFactsFile(target, {}); }), kNoError);
    EXPECT_NE(ErrorOf([&] { engine.SavePropertiesFile(target); }), kNoError);
  }
  EXPECT_EQ(ReadFile(folder.File("plain")), "plain file");
  // A device that is full refuses the text written to a stream on it.
  if (std::filesystem::exists("/dev/full")) {
    engine.OpenStream("/dev/full", "full", TOpenMode::Write);
    EXPECT_EQ(ErrorOf([&] { engine.Output("full", "some text\r\n"); }), "Error writing to stream");
    engine.CloseStream("full");
  }
  // The engine saves as before.
  const std::string file = folder.File("kb.clp");
  engine.SaveFile(file);
  EXPECT_NE(ReadFile(file).find("(defrule r"), std::string::npos);
}

constexpr std::string_view kProgram =
    "(deftemplate a (slot x))\r\n"
    "(deftemplate b (slot y))\r\n"
    "(defrule sees-a (a (x ?x)) => (note a ?x))\r\n"
    "(defrule sees-b (b (y ?y)) => (note b ?y))\r\n"
    "(deffacts start (a (x 1)) (b (y 2)))\r\n";

TEST_F(TFaultsTest, ADamagedSaveFileLoadsWhatReadsAndReportsTheRestByLine) {
  const std::string file = folder.File("damaged.clp");
  // Line 3 is damaged, line 6 breaks off in the middle of a construct.
  WriteFile(file,
            "(deftemplate a (slot x))\r\n"
            "(deftemplate b (slot y))\r\n"
            "(defrule sees-a (a (x ?x)) => (note a ?x)) (deftemplate broken (slt a))\r\n"
            "(defrule sees-b (b (y ?y)) => (note b ?y))\r\n"
            "(deffacts start (a (x 1)) (b (y 2)))\r\n"
            "(defrule cut (a (x");
  const std::string error = ErrorOf([&] { engine.LoadFile(file); });
  EXPECT_EQ(error.rfind("Errors parsing stream:\r\n", 0), 0u) << error;
  EXPECT_EQ(Occurrences(error, "Parsing Error"), 2u) << error;
  EXPECT_NE(error.find(" at line 3: "), std::string::npos) << error;
  EXPECT_NE(error.find(" at line 6: "), std::string::npos) << error;
  EXPECT_TRUE(engine.FindRule("sees-a"));
  EXPECT_TRUE(engine.FindRule("sees-b"));
  EXPECT_FALSE(engine.FindFactTemplate("broken"));
  EXPECT_FALSE(engine.FindRule("cut"));
  // What loaded works.
  engine.Reset();
  EXPECT_EQ(engine.Run(), 2);
  EXPECT_EQ(session.log, (std::vector<std::string>{"b 2", "a 1"}));
  // The parser's own setting is back: the next text raises at its first error.
  EXPECT_NE(ErrorOf([&] { session.Run("(deftemplate) (deftemplate c)"); }), kNoError);
  EXPECT_FALSE(engine.FindFactTemplate("c"));
}

TEST_F(TFaultsTest, DamagedStoredPropertiesLoadWhatReadsAndReportTheRest) {
  TEngineSession source;
  source.Run(std::string(kProgram));
  source.Engine().Reset();
  std::string json = source.Engine().SaveProperties();
  // Damage one rule text and one setting; the rest must arrive.
  const std::size_t rule = json.find("(defrule sees-b");
  ASSERT_NE(rule, std::string::npos);
  json.replace(rule, 15, "(defrule sees-b (");
  const std::size_t threshold = json.find("\"FuzzyEqualsThreshold\"");
  ASSERT_NE(threshold, std::string::npos);
  json.insert(threshold, "\"Strategy\": \"ssSideways\",\n  ");

  const std::string error = ErrorOf([&] { engine.LoadProperties(json); });
  EXPECT_EQ(error.rfind("Errors loading stored properties:\r\n", 0), 0u) << error;
  EXPECT_NE(error.find("Strategy must be one of its value names"), std::string::npos) << error;
  EXPECT_NE(error.find("Parsing Error"), std::string::npos) << error;
  EXPECT_TRUE(engine.FindRule("sees-a"));
  EXPECT_FALSE(engine.FindRule("sees-b"));
  EXPECT_TRUE(engine.FindFactTemplate("b"));
  engine.Reset();
  EXPECT_EQ(engine.Run(), 1);

  // A document cut short says where it broke and changes nothing.
  TEngineSession other;
  const std::string full = source.Engine().SaveProperties();
  const std::string cut = ErrorOf([&] { other.Engine().LoadProperties(full.substr(0, full.size() / 2)); });
  EXPECT_EQ(cut.rfind("Invalid stored properties: ", 0), 0u) << cut;
  EXPECT_NE(cut.find("line "), std::string::npos) << cut;
  EXPECT_FALSE(other.Engine().FindRule("sees-a"));
  EXPECT_FALSE(other.Engine().FindFactTemplate("a"));
}

TEST_F(TFaultsTest, ABatchFileRunsEveryCommandAndReportsTheFailingLines) {
  const std::string file = folder.File("commands.bat");
  WriteFile(file,
            "(deftemplate a (slot x))\r\n"
            "(assert (a (x 1))\r\n"
            "(assert (a (x 2)))\r\n"
            "(fail)\r\n"
            "(assert (a (x 3)))\r\n");
  const std::string error = ErrorOf([&] { engine.Batch(file); });
  EXPECT_EQ(error.rfind(Format(IEConsts::SBatchErrors, file, Format(IEConsts::SBatchLineError, 2, "")), 0), 0u)
      << error;
  EXPECT_NE(error.find("\r\n" + Format(IEConsts::SBatchLineError, 4, "the action failed") + "\r\n"),
            std::string::npos)
      << error;
  EXPECT_EQ(Occurrences(error, "\r\nline "), 2u) << error;
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-1 (a (x 2))\nf-2 (a (x 3))\n");
  // Commands run as before once the batch is over.
  session.Run("(assert (a (x 4)))");
  EXPECT_EQ(engine.FactCount(), 4);
}

TEST_F(TFaultsTest, FilesThatGoAwayUnderTheEngineGiveErrorsNotCrashes) {
  // A stream whose file is deleted while open reads what it held, then ends.
  const std::string file = folder.File("input.txt");
  WriteFile(file, "first\r\nsecond\r\n");
  engine.OpenStream(file, "in", TOpenMode::Read);
  std::filesystem::remove(file);
  EXPECT_EQ(engine.ReadLine("in"), "first");
  EXPECT_EQ(engine.ReadLine("in"), "second");
  EXPECT_EQ(engine.ReadLine("in"), "");
  EXPECT_TRUE(engine.InputEnded("in"));
  engine.CloseStream("in");

  // A file truncated under an open stream ends the input at once.
  WriteFile(file, "one\r\ntwo\r\n");
  engine.OpenStream(file, "cut", TOpenMode::Read);
  std::filesystem::resize_file(file, 0);
  EXPECT_EQ(engine.ReadLine("cut"), "");
  engine.CloseStream("cut");

  // A writer whose file was deleted keeps writing to the orphaned file.
  const std::string log = folder.File("log.txt");
  engine.OpenStream(log, "log", TOpenMode::Write);
  std::filesystem::remove(log);
  EXPECT_EQ(ErrorOf([&] { engine.Output("log", "text\r\n"); }), kNoError);
  engine.CloseStream("log");

  // Loading what is gone or is not a file reports it.
  const std::string gone = folder.File("gone.clp");
  EXPECT_EQ(ErrorOf([&] { engine.LoadFile(gone); }).rfind("Unable to read file \"" + gone + "\"", 0), 0u);
  const std::string dir = folder.Path().string();
  EXPECT_EQ(ErrorOf([&] { engine.LoadFile(dir); }), "Unable to read file \"" + dir + "\": Is a directory");
  EXPECT_EQ(ErrorOf([&] { engine.Batch(dir); }).rfind("Unable to read file", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { engine.LoadFactsFile(gone); }).rfind("Unable to read file", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { engine.LoadPropertiesFile(gone); }).rfind("Unable to read file", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { engine.Batch(gone); }).rfind("Unable to read file", 0), 0u);
}

// A stream whose every read fails, as a file on a failing disk does.
class TFailingStream final : public TGStream {
 public:
  std::size_t Read(void*, std::size_t) override {
    ++reads;
    throw EGStreamError("the disk failed");
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  std::int64_t Size() const override { return 100; }
  std::int64_t Position() const override { return 0; }
  int reads = 0;
};

TEST_F(TFaultsTest, AStreamThatFailsEveryReadEndsTheLoadWithAnError) {
  // Also when the application takes the parse errors, the load ends.
  std::vector<std::string> reported;
  engine.SetOnParseError(
      [&](TInferenceEngine&, std::string_view message, std::int32_t) { reported.emplace_back(message); });
  engine.SetParserErrorHandling(ehRaiseAllAtEnd);
  TFailingStream stream;
  engine.Load(stream);
  ASSERT_FALSE(reported.empty());
  EXPECT_LE(reported.size(), 2u);
  EXPECT_NE(reported.front().find("the disk failed"), std::string::npos) << reported.front();
  EXPECT_LE(stream.reads, 4);
  session.Run("(deftemplate after (slot y))");
  EXPECT_TRUE(engine.FindFactTemplate("after"));
}

// Counting rules: every (item ?n) is seen once and chains to (item ?n+1) up
// to 10; with fail-at given, the action seeing that item fails after its
// assertion.
constexpr std::string_view kCounting =
    "(deftemplate item (slot n))\r\n"
    "(deftemplate seen (slot n))\r\n"
    "(defrule see ?f <- (item (n ?n)) => (assert (seen (n ?n))) (retract ?f) (check ?n)"
    " (if-less ?n 10 (assert (item (n (+ ?n 1))))))\r\n"
    "(defrule pair (seen (n ?a)) (seen (n ?b&:(= ?b (+ ?a 1)))) => (note pair ?a ?b))\r\n";

void InstallCountingFunctions(TEngineSession& session, int failAt) {
  session.Function("check", [failAt](TEngineSession&, IFunCall& call, TIEContext* context) -> TRef<TIEValue> {
    if (TEngineSession::Arguments(call, context).at(0)->AsInteger() == failAt) throw EIEException("check failed");
    return SharedValues().True;
  });
  session.Function("if-less", [](TEngineSession&, IFunCall& call, TIEContext* context) -> TRef<TIEValue> {
    const auto n = call.Arguments()[0]->Evaluate(context)->AsNumeric();
    const auto limit = call.Arguments()[1]->Evaluate(context)->AsNumeric();
    if (n < limit) return call.Arguments()[2]->Evaluate(context);
    return SharedValues().False;
  });
}

TEST_F(TFaultsTest, AnActionFailingMidRunLeavesFactsAgendaAndNetworkConsistent) {
  TEngineSession clean;
  InstallCountingFunctions(clean, -1);
  InstallCountingFunctions(session, 4);
  for (TEngineSession* s : {&clean, &session}) {
    s->Run(std::string(kCounting));
    s->Engine().Reset();
    s->Engine().AssertString("(item (n 1))");
  }
  const std::int32_t cleanFired = clean.Engine().Run();

  EXPECT_EQ(ErrorOf([&] { engine.Run(); }), "check failed");
  const std::int32_t firedBefore = engine.FiredCount();
  // The failed activation is gone; the item asserted after the failure point
  // never came, so the chain is continued by hand as the clean run did.
  EXPECT_EQ(session.Agenda().find("see"), std::string::npos) << session.Agenda();
  engine.AssertString("(item (n 5))");
  const std::int32_t firedAfter = engine.Run();
  // The failing firing counts in the clean run only.
  EXPECT_EQ(firedBefore + 1 + firedAfter, cleanFired);
  EXPECT_EQ(session.Facts(), clean.Facts());
  EXPECT_EQ(session.Agenda(), "");
  std::vector<std::string> pairs = session.log;
  std::sort(pairs.begin(), pairs.end());
  std::vector<std::string> cleanPairs = clean.log;
  std::sort(cleanPairs.begin(), cleanPairs.end());
  EXPECT_EQ(pairs, cleanPairs);

  // The network still matches: a reset and the same start give the same run.
  session.log.clear();
  clean.log.clear();
  for (TEngineSession* s : {&clean, &session}) {
    s->Engine().Reset();
    s->Engine().AssertString("(item (n 6))");
  }
  EXPECT_EQ(engine.Run(), clean.Engine().Run());
  EXPECT_EQ(session.log, clean.log);
  EXPECT_EQ(session.Facts(), clean.Facts());
}

// An action may take away the network its own activation came from: clear
// the engine, remove its rule or the type its pattern uses. The firing ends,
// the run goes on with what is left, and the engine works afterwards.
TEST_F(TFaultsTest, AnActionThatTakesAwayItsOwnRuleFinishesItsFiring) {
  const struct {
    const char* program;
    std::int32_t fired;
  } cases[] = {
      {"(defrule r ?f <- (a ?x) => (retract ?f) (clear) (assert (b)))", 1},
      {"(defrule r ?f <- (a ?x) => (retract ?f) (undefrule r) (assert (b)))", 1},
      {"(deftype L extends (type FUZZY) (range 0 10) (values (term low ((0 1) (5 0)))))"
       "(deftemplate m (slot v (type L)))"
       "(defrule r (m (v low)) (a ?x) => (undeftype L) (assert (b)))",
       1},
  };
  for (const auto& [program, fired] : cases) {
    TEngineSession one;
    TInferenceEngine& e = one.Engine();
    one.Run(program);
    e.Reset();
    if (e.FindFactTemplate("m")) e.AssertString("(m (v low))");
    for (const char* fact : {"(a 1)", "(a 2)", "(a 3)"}) e.AssertString(fact);
    EXPECT_EQ(e.Run(), fired) << program;
    EXPECT_NE(one.Facts().find("(b)"), std::string::npos) << program << "\n" << one.Facts();
    EXPECT_EQ(one.Agenda(), "") << program;
    one.Run("(defrule again (c) => (assert (d)))");
    e.AssertString("(c)");
    EXPECT_EQ(e.Run(), 1) << program;
  }
}

}  // namespace
}  // namespace fxe
