// The standard package's stream and file functions on temporary files:
// open modes, read and readline at the end of a stream, dribble, nested
// batches, saving and loading, removing and renaming.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "engine/InferenceEngine.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

namespace fs = std::filesystem;
using test::ErrorOf;

class StandardFileFunctions : public ::testing::Test {
 protected:
  StandardFileFunctions() {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("fxe-std-" + std::to_string(random()));
    fs::create_directories(folder_);
    engine.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { output += text; });
  }
  ~StandardFileFunctions() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // A path in the test's folder, as the rule language writes it (forward slashes).
  std::string PathOf(std::string_view name) const { return (folder_ / name).generic_string(); }
  void Write(std::string_view name, std::string_view text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  std::string Contents(std::string_view name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The call with every {name} replaced by the quoted path of that file.
  std::string WithPaths(std::string_view text) const {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '{') {
        out += text[i];
        continue;
      }
      const std::size_t close = text.find('}', i);
      out += '"' + PathOf(text.substr(i + 1, close - i - 1)) + '"';
      i = close;
    }
    return out;
  }
  std::string Value(std::string_view text) {
    const TRef<TIEValue> value = engine.ParseFunctionCall(WithPaths(text))->Evaluate(&engine.EngineContext());
    return value.Get() == SharedValues().Nil.Get() ? "nil" : value->AsText();
  }
  std::string Run(std::string_view text) {
    output.clear();
    engine.Parse(WithPaths(text));
    return output;
  }

  TInferenceEngine engine;
  std::string output;

 private:
  fs::path folder_;
};

TEST_F(StandardFileFunctions, WrittenFileReadsBackByLineAndByToken) {
  EXPECT_EQ(Value("(open {f.txt} out w)"), "TRUE");
  Run("(printout out \"first line\" crlf \"alpha 42 \" 2.5 \" \\\"s t\\\" ?v\" crlf)");
  EXPECT_EQ(Value("(close out)"), "TRUE");
  EXPECT_EQ(Contents("f.txt"), "first line\r\nalpha 42 2.5000 \"s t\" ?v\r\n");

  Value("(open {f.txt} in)");
  EXPECT_EQ(Value("(readline in)"), "\"first line\"");
  const char* tokens[] = {"alpha", "42", "2.5000", "\"s t\"", "?v", "EOF", "EOF"};
  for (const char* token : tokens) EXPECT_EQ(Value("(read in)"), token);
  EXPECT_EQ(Value("(readline in)"), "\"\"");
  Value("(close)");
  EXPECT_EQ(ErrorOf([&] { Value("(close in)"); }), "Invalid stream name: in");
}

TEST_F(StandardFileFunctions, OpenModes) {
  Write("log.txt", "one");
  Value("(open {log.txt} log a)");
  Run("(printout log two)");
  Value("(close log)");
  EXPECT_EQ(Contents("log.txt"), "onetwo");
  Value("(open {log.txt} log w)");
  Value("(close log)");
  EXPECT_EQ(Contents("log.txt"), "");
  EXPECT_EQ(ErrorOf([&] { Value("(open {log.txt} log q)"); }), "Invalid File Access Specifier: \"q\"");
  EXPECT_EQ(ErrorOf([&] { Value("(open {log.txt} log rw)"); }), "Invalid File Access Specifier: \"rw\"");
  EXPECT_NE(ErrorOf([&] { Value("(open {missing.txt} in r)"); }), test::kNoError);
}

TEST_F(StandardFileFunctions, DribbleTakesTheStandardOutput) {
  EXPECT_EQ(Value("(dribble-on {d.txt})"), "TRUE");
  Run("(printout t \"to the file\" crlf)");
  EXPECT_EQ(Value("(dribble-off)"), "TRUE");
  EXPECT_EQ(output, "");
  EXPECT_EQ(Contents("d.txt"), "to the file\r\n");
  EXPECT_EQ(Value("(dribble-on {no/such/folder/d.txt})"), "FALSE");
}

TEST_F(StandardFileFunctions, BatchesNestAndFeedReadline) {
  Write("inner.clp", "(printout t two crlf)\n");
  Write("outer.clp", WithPaths("(printout t one crlf)\n(batch {inner.clp})\n(printout t three crlf)\n"));
  // Commands echo their values: the inner batch's TRUE, then the outer one's.
  EXPECT_EQ(Run("(batch {outer.clp})"), "one\r\ntwo\r\nTRUE\r\nthree\r\nTRUE\r\n");
  // readline on t reads the batch's next line, which is echoed.
  Write("input.clp", "(printout t (readline) crlf)\nthe data\n");
  EXPECT_EQ(Run("(batch {input.clp})"), "the data\r\nthe data\r\nTRUE\r\n");
  EXPECT_EQ(Value("(batch {missing.clp})"), "FALSE");
  // A failing command is reported with its line, after the others ran;
  // lines read by readline count.
  Write("failing.clp", "(printout t before (readline))\ndata\n(throw broken)\n(printout t after)\n");
  const std::string error = ErrorOf([&] { Run("(batch {failing.clp})"); });
  EXPECT_NE(error.find(Format(IEConsts::SBatchLineError, 3, "")), std::string::npos) << error;
  EXPECT_EQ(output, "data\r\nbeforedataafter");
}

TEST_F(StandardFileFunctions, SaveAndLoadKnowledgeBaseAndFacts) {
  Run("(deftemplate person (slot name))"
      "(deftemplate pet (slot name))"
      "(defrule greet (person (name ?n)) => (printout t hello ?n))");
  Value("(assert (person (name bob)))");
  Value("(assert (pet (name rex)))");
  EXPECT_EQ(Value("(save {kb.clp})"), "TRUE");
  EXPECT_EQ(Value("(save-facts {people.fct} person)"), "TRUE");
  Value("(clear)");
  EXPECT_EQ(Value("(load {kb.clp})"), "TRUE");
  EXPECT_EQ(engine.RuleTable().Count(), 1);
  Value("(retract *)");
  EXPECT_EQ(Value("(load-facts {people.fct})"), "TRUE");
  ASSERT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.FactAt(0).AsString(), "(person (name bob))");
}

TEST_F(StandardFileFunctions, RemoveAndRenameAnswerTrueOrFalse) {
  Write("a.txt", "x");
  EXPECT_EQ(Value("(rename {a.txt} {b.txt})"), "TRUE");
  EXPECT_EQ(Contents("b.txt"), "x");
  EXPECT_EQ(Value("(rename {a.txt} {c.txt})"), "FALSE");
  EXPECT_EQ(Value("(remove {b.txt})"), "TRUE");
  EXPECT_EQ(Value("(remove {b.txt})"), "FALSE");
}

TEST_F(StandardFileFunctions, StandardInputNeedsAHandler) {
  EXPECT_NE(ErrorOf([&] { Value("(readline)"); }).find("readline"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { Value("(read t)"); }).find("read"), std::string::npos);
}

}  // namespace
}  // namespace fxe

namespace fxe {
namespace {

// The application's input answers EOF once it has ended, and a loop over it
// ends; the empty line before the end stays an empty line.
TEST_F(StandardFileFunctions, ReadlineOnTheApplicationsInputEndsWithEof) {
  std::vector<std::string> lines{"one", "", "three"};
  std::size_t next = 0;
  engine.SetOnReadLine([&](TInferenceEngine& sender, std::string_view, std::string& text) {
    if (next < lines.size()) {
      text = lines[next++];
      return;
    }
    sender.SetStandardInputEnded(true);
  });
  Run("(bind ?l (readline)) (while (neq ?l EOF) do (printout t \"[\" ?l \"]\") (bind ?l (readline t)))");
  EXPECT_EQ(output, "\"one\"\r\n[one][][three]FALSE\r\n");
  EXPECT_EQ(Value("(readline)"), "EOF");
}

}  // namespace
}  // namespace fxe
