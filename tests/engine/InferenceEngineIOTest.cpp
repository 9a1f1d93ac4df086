// Input and output through logical names: the standard device with its
// dribble file and batch input, registered file streams and their duplicate
// policy, and the errors of unassigned handlers.
#include <gtest/gtest.h>

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

using test::ExpectError;
using test::ReadFile;
using test::TEngineSession;
using test::TTempFolder;
using test::WriteFile;

constexpr std::string_view kEventMessage =
    "The %s event has not been implemented or unassigned.\r\nWarning: Implementation of this function requires a "
    "blocking mechanism, \r\nsuch as ShowModal, or the use of threads";

std::string EventMessage(std::string_view name) {
  std::string text(kEventMessage);
  text.replace(text.find("%s"), 2, name);
  return text;
}

class TEngineIOTest : public ::testing::Test {
 protected:
  TEngineIOTest() {
    // (readline [name]) and (batch "file") as the packages offer them.
    session.Function("readline", [](TEngineSession& s, IFunCall& call, TIEContext* context) {
      const auto values = TEngineSession::Arguments(call, context);
      return NewString(s.Engine().ReadLine(values.empty() ? std::string("t") : values[0]->AsText()));
    });
    session.Function("batch", [](TEngineSession& s, IFunCall& call, TIEContext* context) {
      const auto values = TEngineSession::Arguments(call, context);
      return s.Engine().Batch(values.at(0)->Text()) ? SharedValues().True : SharedValues().False;
    });
  }

  TTempFolder folder;
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(TEngineIOTest, DribbleTakesAllStandardOutputAndTracesInsteadOfTheHandler) {
  const std::string file = folder.File("dribble.txt");
  ASSERT_TRUE(engine.DribbleOn(file));
  engine.SetWatch(TConstructWatches{cwFact});
  engine.Output("t", "one\r\n");
  engine.Output("", "two");
  engine.AssertString("(a)");
  engine.DribbleOff();
  engine.Output("t", "after");
  EXPECT_EQ(ReadFile(file), "one\r\ntwo ==> f-1 (a)\r\n");
  EXPECT_EQ(session.output, "after");
}

TEST_F(TEngineIOTest, DribbleOnReportsAFileItCannotCreate) {
  EXPECT_FALSE(engine.DribbleOn(folder.File("missing/dribble.txt")));
  engine.Output("t", "still here");
  EXPECT_EQ(session.output, "still here");
}

TEST_F(TEngineIOTest, UnregisteredNamesNeedAPrintOutHandler) {
  engine.Output("nowhere", "dropped");
  EXPECT_EQ(session.output, "");
  engine.SetOnPrintOut(nullptr);
  ExpectError([&] { engine.Output("nowhere", "x"); }, "Function is unimplemented or unassigned: printout");
  // The standard device drops text silently without a handler.
  engine.Output("t", "x");
}

TEST_F(TEngineIOTest, WrittenStreamsTakeTheOutputAndAppendKeepsTheFile) {
  const std::string file = folder.File("out.txt");
  WriteFile(file, "emptied");
  engine.OpenStream(file, "out", TOpenMode::Write);
  engine.Output("out", "line 1\r\n");
  engine.Output("out", "line 2");
  engine.CloseStream("out");
  EXPECT_EQ(ReadFile(file), "line 1\r\nline 2");

  engine.OpenStream(file, "more", TOpenMode::Append);
  engine.Output("more", "|end");
  engine.CloseStream("more");
  EXPECT_EQ(ReadFile(file), "line 1\r\nline 2|end");

  const std::string fresh = folder.File("fresh.txt");
  engine.OpenStream(fresh, "new", TOpenMode::Append);
  engine.Output("new", "x");
  engine.CloseFileStreams();
  EXPECT_EQ(ReadFile(fresh), "x");
  ExpectError([&] { engine.CloseStream("new"); }, "Invalid stream name: new");
}

TEST_F(TEngineIOTest, ReadLineGivesTheLinesThenEmptyTextsAtTheEnd) {
  const std::string file = folder.File("in.txt");
  WriteFile(file, "first line\r\nsecond\nlast");
  engine.OpenStream(file, "in", TOpenMode::Read);
  const std::vector<std::string> expected{"first line", "second", "last", "", ""};
  for (const std::string& line : expected) EXPECT_EQ(engine.ReadLine("in"), line);
}

TEST_F(TEngineIOTest, ReadTokenTakesOneTokenAtATimeUpToTheEnd) {
  const std::string file = folder.File("tokens.txt");
  WriteFile(file, "word 42 ?v\r\n(x)");
  engine.OpenStream(file, "in", TOpenMode::Read);
  const std::vector<std::string> expected{"word", "42", "?v", "(", "x", ")"};
  for (const std::string& text : expected) {
    TRef<IStreamToken> token = engine.ReadToken("in");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->AsText(), text);
  }
  EXPECT_EQ(engine.ReadToken("in")->DataType(), tkEndOfInput);
  EXPECT_EQ(engine.ReadToken("in")->DataType(), tkEndOfInput);
}

TEST_F(TEngineIOTest, ASecondStreamUnderATakenNameFollowsTheDuplicatePolicy) {
  const std::string first = folder.File("first.txt");
  const std::string second = folder.File("second.txt");
  WriteFile(first, "first");
  WriteFile(second, "second");
  engine.OpenStream(first, "in", TOpenMode::Read);

  engine.SetDuplicateConstructs(dcIgnore);
  engine.OpenStream(second, "in", TOpenMode::Read);
  // Ignored before opening: the file is not emptied either.
  engine.OpenStream(second, "in", TOpenMode::Write);
  EXPECT_EQ(ReadFile(second), "second");
  EXPECT_EQ(engine.ReadLine("in"), "first");

  engine.SetDuplicateConstructs(dcError);
  ExpectError([&] { engine.OpenStream(second, "in", TOpenMode::Read); },
              "Duplicate streams defined with same name: \"in\"");

  engine.SetDuplicateConstructs(dcOverwrite);
  // A file that does not open replaces nothing: the old stream reads on.
  const std::string missing = folder.File("missing.txt");
  EXPECT_NE(test::ErrorOf([&] { engine.OpenStream(missing, "in", TOpenMode::Read); }), test::kNoError);
  EXPECT_EQ(engine.ReadLine("in"), "");
  WriteFile(first, "one\ntwo\n");
  engine.OpenStream(first, "in", TOpenMode::Read);
  EXPECT_EQ(engine.ReadLine("in"), "one");
  EXPECT_NE(test::ErrorOf([&] { engine.OpenStream(missing, "in", TOpenMode::Read); }), test::kNoError);
  EXPECT_EQ(engine.ReadLine("in"), "two");
  engine.OpenStream(second, "in", TOpenMode::Read);
  EXPECT_EQ(engine.ReadLine("in"), "second");
}

TEST_F(TEngineIOTest, OpeningAMissingFileForReadingRaises) {
  const std::string file = folder.File("missing.txt");
  ExpectError([&] { engine.OpenStream(file, "in", TOpenMode::Read); },
              "Unable to read file \"" + file + "\": Cannot open file \"" + file + "\"");
  ExpectError([&] { engine.CloseStream("in"); }, "Invalid stream name: in");
}

TEST_F(TEngineIOTest, ClearClosesTheRegisteredStreams) {
  const std::string file = folder.File("out.txt");
  engine.OpenStream(file, "out", TOpenMode::Write);
  engine.Clear();
  ExpectError([&] { engine.CloseStream("out"); }, "Invalid stream name: out");
}

TEST_F(TEngineIOTest, StandardInputNeedsItsHandlers) {
  ExpectError([&] { engine.ReadLine("t"); }, EventMessage("readline"));
  ExpectError([&] { engine.ReadToken(""); }, EventMessage("read"));
  // A name that is not registered reads from the application as well.
  std::vector<std::string> asked;
  engine.SetOnReadLine([&](TInferenceEngine&, std::string_view id, std::string& text) {
    asked.emplace_back(id);
    text = "typed";
  });
  engine.SetOnReadToken([&](TInferenceEngine&, std::string_view id, TRef<IStreamToken>& token) {
    asked.emplace_back(id);
    token = MakeRef<TIEStreamToken>(dtAtom, 1, "word", 0.0, "");
  });
  EXPECT_EQ(engine.ReadLine("keyboard"), "typed");
  EXPECT_EQ(engine.ReadToken("t")->Text(), "word");
  EXPECT_EQ(asked, (std::vector<std::string>{"keyboard", "t"}));
}

TEST_F(TEngineIOTest, BatchRunsLinesAndReadLineTakesTheNextBatchLineWithAnEcho) {
  const std::string inner = folder.File("inner.bat");
  const std::string outer = folder.File("outer.bat");
  WriteFile(inner, "(note inner)\r\n(note (readline t))\r\ninner data\r\n");
  WriteFile(outer, "(note outer)\r\n(batch \"" + inner + "\")\r\n(note (readline))\r\nouter data\r\n(note done)");
  EXPECT_TRUE(engine.Batch(outer));
  EXPECT_EQ(session.log, (std::vector<std::string>{"outer", "inner", "\"inner data\"", "\"outer data\"", "done"}));
  // The echoes, and the result of the inner batch call as a command prints it.
  EXPECT_EQ(session.output, "inner data\r\nTRUE\r\nouter data\r\n");
  // The batch input is gone once the batch ends.
  ExpectError([&] { engine.ReadLine("t"); }, EventMessage("readline"));
}

TEST_F(TEngineIOTest, AFailingBatchLineIsReportedAndTheBatchRunsOn) {
  const std::string file = folder.File("failing.bat");
  WriteFile(file, "(note before)\r\n(fail)\r\n(note after)\r\n");
  ExpectError([&] { engine.Batch(file); },
              Format(IEConsts::SBatchErrors, file, Format(IEConsts::SBatchLineError, 2, "the action failed") + "\r\n"));
  EXPECT_EQ(session.log, (std::vector<std::string>{"before", "after"}));
  ExpectError([&] { engine.ReadLine("t"); }, EventMessage("readline"));
}

}  // namespace
}  // namespace fxe

namespace fxe {
namespace {

TEST_F(TEngineIOTest, FilesThatRunThemselvesStopAtTheNestingLimit) {
  const std::string file = folder.File("self.bat");
  WriteFile(file, "(note again)\r\n(batch \"" + file + "\")\r\n");
  // Each level reports the failed line of the level below it.
  const std::string error = test::ErrorOf([&] { engine.Batch(file); });
  EXPECT_EQ(error.rfind(Format(IEConsts::SBatchErrors, file, Format(IEConsts::SBatchLineError, 2, "")), 0), 0u);
  EXPECT_NE(error.find("Files nested too deeply, more than 64 levels: " + file), std::string::npos) << error;
  EXPECT_EQ(session.log.size(), 64u);
  // The count is back at zero: a batch runs again.
  const std::string once = folder.File("once.bat");
  WriteFile(once, "(note once)");
  EXPECT_TRUE(engine.Batch(once));
}

}  // namespace
}  // namespace fxe
