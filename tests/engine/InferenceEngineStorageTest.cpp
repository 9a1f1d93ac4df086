// The knowledge base as text and as stored properties: the save text with
// its header and sections, parents before children, loading files back
// whole, facts files, failed writes leaving the old file, and the JSON form
// of an engine with its settings.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "support/EngineFixture.h"
#include "support/TempFiles.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ErrorOf;
using test::ExpectError;
using test::ReadFile;
using test::TEngineSession;
using test::TTempFolder;
using test::WriteFile;

// The save text without its creation time, which changes from run to run.
std::string WithoutTime(const std::string& text) {
  return std::regex_replace(text, std::regex("; Created: [^\r]*\r\n"), "; Created: -\r\n");
}

constexpr std::string_view kKnowledgeBase =
    "(deftype level extends (type INTEGER) (range 0 10))"
    "(deftemplate a (slot x))"
    "(deftemplate b extends a (slot y))"
    "(deftemplate c extends b (slot z))"
    "(deftemplate d extends c (slot w))"
    "(deftemplate reading (slot value (type level)))"
    "(defglobal ?*limit* = 5)"
    "(deffunction twice (?n) (* ?n 2))"
    "(defrule double (reading (value ?v)) => (note (twice ?v) ?*limit*))"
    "(defrule sees-a (a (x ?x)) => (note a ?x))"
    "(deffacts start (reading (value 3)) (a (x 1)))";

// In a child process: saves with files limited to 4 KiB and exits with 0 when
// the save raised and the file kept its old contents.
void SaveUnderSizeLimit(TInferenceEngine& engine, const std::string& file) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, 4096};
  setrlimit(RLIMIT_FSIZE, &limit);
  const bool raised = ErrorOf([&] { engine.SaveFile(file); }) != test::kNoError;
  std::_Exit(raised && ReadFile(file) == "old contents" ? 0 : 1);
}

class TEngineStorageTest : public ::testing::Test {
 protected:
  TEngineStorageTest() { InstallSettingFunction(session); }

  // (set-fact-duplication <boolean>), which the save text calls.
  static void InstallSettingFunction(TEngineSession& s) {
    s.Function("set-fact-duplication", [](TEngineSession& self, IFunCall& call, TIEContext* context) {
      const auto values = TEngineSession::Arguments(call, context);
      const bool previous = self.Engine().FactDuplication();
      self.Engine().SetFactDuplication(values.at(0).Get() != SharedValues().False.Get());
      return previous ? SharedValues().True : SharedValues().False;
    });
  }

  TTempFolder folder;
  TEngineSession session;
  TInferenceEngine& engine = session.Engine();
};

TEST_F(TEngineStorageTest, AnEmptyEngineSavesTheHeaderAndTheDuplicationLineOnly) {
  engine.ClearFacts();
  const std::string text = engine.SaveAll();
  EXPECT_TRUE(std::regex_search(text, std::regex("\r\n; Created: [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:]{8}\r\n")));
  EXPECT_EQ(WithoutTime(text),
            "; *************************\r\n"
            "; Inference Engine v2.0000 Output\r\n"
            "; Created: -\r\n"
            "; Number of Global Variables: 0\r\n"
            "; Number of Defined Types:    0\r\n"
            "; Number of Fact Templates:   0\r\n"
            "; Number of Rules:            0\r\n"
            "; Number of Fact Sets:        0\r\n"
            "; Number of Facts:            0\r\n"
            "(set-fact-duplication FALSE)\r\n");
}

TEST_F(TEngineStorageTest, TheDuplicationLineStatesTheSetting) {
  EXPECT_NE(engine.SaveAll().find("\r\n(set-fact-duplication FALSE)\r\n"), std::string::npos);
  engine.SetFactDuplication(true);
  EXPECT_NE(engine.SaveAll().find("\r\n(set-fact-duplication TRUE)\r\n"), std::string::npos);
}

TEST_F(TEngineStorageTest, SectionsFollowInOrderWithParentsBeforeChildren) {
  session.Run(kKnowledgeBase);
  engine.Reset();
  const std::string text = WithoutTime(engine.SaveAll());
  const std::vector<std::string> marks{
      "; Number of Global Variables: 1\r\n; Number of Defined Types:    1\r\n; Number of Fact Templates:   5\r\n"
      "; Number of Rules:            2\r\n; Number of Fact Sets:        1\r\n; Number of Facts:            3\r\n",
      "\r\n; *************************\r\n; Global Variables \r\n\r\n(defglobal ?*limit* = 5)\r\n",
      "\r\n; *************************\r\n; Defined Types \r\n\r\n(deftype level",
      "\r\n; *************************\r\n; Fact Templates \r\n\r\n",
      "(deftemplate a\r\n",
      "(deftemplate b\r\n",
      "(deftemplate c\r\n",
      "(deftemplate d\r\n",
      "\r\n; *************************\r\n; Deffunctions \r\n(deffunction twice",
      "\r\n; *************************\r\n; Rules \r\n\r\n",
      "\r\n; *************************\r\n; Fact Sets \r\n\r\n(deffacts start",
      "\r\n; *************************\r\n; Facts \r\n\r\n(assert\r\n    (Initial-Fact)\r\n    (reading (value 3))\r\n"
      "    (a (x 1))\r\n)\r\n"};
  std::size_t at = 0;
  for (const std::string& mark : marks) {
    SCOPED_TRACE(mark);
    const std::size_t found = text.find(mark, at);
    ASSERT_NE(found, std::string::npos) << text;
    at = found + mark.size();
  }
  EXPECT_EQ(at, text.size());
}

TEST_F(TEngineStorageTest, ASavedFileLoadsBackWhole) {
  session.Run(kKnowledgeBase);
  engine.Reset();
  engine.AssertString("(a (x 7))");
  const std::string file = folder.File("kb.clp");
  engine.SaveFile(file);
  const std::string saved = WithoutTime(ReadFile(file));
  EXPECT_EQ(saved, WithoutTime(engine.SaveAll()));

  TEngineSession other;
  InstallSettingFunction(other);
  other.Engine().LoadFile(file);
  EXPECT_FALSE(other.Engine().FactDuplication());
  EXPECT_EQ(WithoutTime(other.Engine().SaveAll()), saved);
  EXPECT_EQ(other.Facts(), session.Facts());
  other.Engine().Run();
  engine.Run();
  EXPECT_EQ(other.log, session.log);
  EXPECT_EQ(other.log.size(), 3u);
}

// A template may extend an implied one (a relation first used by ordered
// facts). Implied templates are left to the facts and patterns that make
// them, but that parent must exist before its child is read, or the child
// would load without it and the parent's rules would no longer see its facts.
TEST_F(TEngineStorageTest, AnImpliedParentIsSavedBeforeItsChild) {
  session.Run(
      "(deffacts x (base 1 2))"
      "(deftemplate child extends base (slot c))"
      "(defrule r (base $?x) => (note found ?x))");
  engine.Reset();
  engine.AssertString("(child (c 4))");
  const std::string saved = WithoutTime(engine.SaveAll());
  EXPECT_NE(saved.find("\r\n(deftemplate base \"(Implied)\")\r\n(deftemplate child\r\n    extends base\r\n"),
            std::string::npos)
      << saved;

  TEngineSession other;
  InstallSettingFunction(other);
  other.Engine().Parse(saved, true);
  const TRef<IFactTemplate> child = other.Engine().FindFactTemplate("child");
  ASSERT_TRUE(child && child->Parent());
  EXPECT_EQ(child->Parent()->Name(), "base");
  EXPECT_TRUE(child->Parent()->IsImplied());
  EXPECT_EQ(WithoutTime(other.Engine().SaveAll()), saved);
  other.Engine().Run();
  engine.Run();
  EXPECT_EQ(other.log, session.log);
  EXPECT_EQ(other.log.size(), 2u);
}

// Ordered facts of a deffacts that no longer read once a template of their
// name is defined stay in the set, printed as comments: the saved set reads
// back with the facts that still fit instead of failing as a whole.
TEST_F(TEngineStorageTest, DeffactsLinesThatNoLongerReadSaveAsComments) {
  session.Run(
      "(deffacts d (reading a b c) (reading (id 1)) (reading (id ((0 0) (1 1)))))"
      "(deftemplate reading (slot id) (slot level))");
  const std::string printed = engine.Parser().FormatFactSet(*engine.FactSetList()[0]);
  EXPECT_EQ(printed,
            "(deffacts d\r\n"
            "    ; (reading a b c )\r\n"
            "    (reading (id 1))\r\n"
            "    (reading (id ((0 0) (1 1) )))\r\n"
            ")");
  TEngineSession other;
  InstallSettingFunction(other);
  other.Engine().Parse(engine.SaveAll(), true);
  ASSERT_EQ(other.Engine().FactSetList().size(), 1u);
  EXPECT_EQ(other.Engine().Parser().FormatFactSet(*other.Engine().FactSetList()[0]),
            "(deffacts d\r\n    (reading (id 1))\r\n    (reading (id ((0 0) (1 1) )))\r\n)");
}

// A term made by a shape function prints as that call only when the call
// reads back as the same points: a shape the type's range cuts prints as its
// point list.
TEST_F(TEngineStorageTest, ShapesCutByTheRangePrintTheirPoints) {
  session.Run(
      "(deftype L extends (type FUZZY) (range 5 10)"
      "  (values (term dull (z 0 5)) (term high (s 5 10)) (term sharp (tri 4 5 6)) (term mid (pi 7 2))))");
  const TRef<IIEDefinedType> type = engine.FindDefinedType("L");
  const std::string printed = engine.Parser().FormatDefinedType(*type);
  for (const char* term : {"(term dull ((5.0000 1.0000) (5.0000 0.9444) (5.0000 0.0000) ))",
                           "(term high (s 5.0000 10.0000))", "(term sharp (tri 5.0000 5.0000 6.0000))",
                           "(term mid (pi 7.0000 2.0000))"}) {
    EXPECT_NE(printed.find(term), std::string::npos) << term << "\n" << printed;
  }
  TEngineSession other;
  other.Run(printed);
  const TRef<IIEDefinedType> reread = other.Engine().FindDefinedType("L");
  ASSERT_TRUE(reread);
  EXPECT_TRUE(type->Equals(reread.Get())) << other.Engine().Parser().FormatDefinedType(*reread);
}

// Nested constructs print indented, but a line end inside a string is part
// of its text: strings spanning lines in actions, function bodies, facts and
// slot defaults read back unchanged, so saving again gives the same text.
TEST_F(TEngineStorageTest, StringsSpanningLinesReadBackUnchanged) {
  session.Run(
      "(deffunction f (?x) \"doc\r\none\" (printout t \"a\r\nb;\\\"\r\nc\" crlf))"
      "(defrule r => (printout t \"d\r\ne\"))"
      "(deffacts d (x \"g\r\nh\" \"i\"))"
      "(deftemplate m (slot s (default \"j\r\nk\")))");
  const std::string saved = WithoutTime(engine.SaveAll());
  for (const char* text : {"\"a\r\nb;\\\"\r\nc\"", "\"d\r\ne\"", "(x \"g\r\nh\" \"i\" )", "\"j\r\nk\""})
    EXPECT_NE(saved.find(text), std::string::npos) << text << "\n" << saved;

  TEngineSession other;
  InstallSettingFunction(other);
  other.Engine().Parse(saved, true);
  EXPECT_EQ(WithoutTime(other.Engine().SaveAll()), saved);
  other.Engine().Reset();
  other.Engine().AssertString("(m)");
  EXPECT_NE(other.Engine().Parser().FormatFact(*other.Engine().Facts().Snapshot().back()).find("\"j\r\nk\""),
            std::string::npos);
}

TEST_F(TEngineStorageTest, LoadingRestoresTheParserStreamAlsoAfterAnError) {
  const std::string file = folder.File("bad.clp");
  WriteFile(file, "(deftemplate ok (slot x))\r\n(deftemplate");
  EXPECT_NE(ErrorOf([&] { engine.LoadFile(file); }), test::kNoError);
  EXPECT_TRUE(engine.FindFactTemplate("ok"));
  // The engine's parser reads from text again.
  session.Run("(deftemplate after (slot y))");
  EXPECT_TRUE(engine.FindFactTemplate("after"));
  const std::string missing = folder.File("missing.clp");
  ExpectError([&] { engine.LoadFile(missing); },
              "Unable to read file \"" + missing + "\": Cannot open file \"" + missing + "\"");
}

TEST_F(TEngineStorageTest, IgnoredDuplicateRulesKeepTheOldRuleWithoutACompilationTrace) {
  session.Run("(defrule r (a) => (note old))");
  engine.SetDuplicateConstructs(dcIgnore);
  engine.SetWatch(TConstructWatches{cwCompilation});
  const std::string file = folder.File("rule.clp");
  WriteFile(file, "(defrule r (b) => (note new))");
  session.output.clear();
  engine.LoadFile(file);
  EXPECT_EQ(session.output, "");
  engine.AssertString("(a)");
  engine.AssertString("(b)");
  engine.Run();
  EXPECT_EQ(session.log, (std::vector<std::string>{"old"}));
}

TEST_F(TEngineStorageTest, FactsFilesHoldAllFactsOrThoseOfTheNamedTemplates) {
  session.Run("(deftemplate p (slot n)) (deftemplate q (slot n))");
  for (const char* fact : {"(p (n 1))", "(q (n 2))", "(p (n 3))"}) engine.AssertString(fact);
  const std::string all = folder.File("all.txt");
  const std::string some = folder.File("some.txt");
  engine.SaveFactsFile(all, {});
  const std::vector<std::string> names{"q", "Initial-Fact"};
  engine.SaveFactsFile(some, names);
  EXPECT_EQ(ReadFile(all), "(Initial-Fact)\r\n(p (n 1))\r\n(q (n 2))\r\n(p (n 3))\r\n");
  EXPECT_EQ(ReadFile(some), "(Initial-Fact)\r\n(q (n 2))\r\n");

  engine.Reset();
  engine.LoadFactsFile(all);
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-1 (p (n 1))\nf-2 (q (n 2))\nf-3 (p (n 3))\n");
}

// A shape function called for a field without a fuzzy type makes a fuzzy value
// that only its points describe; the saved fact holds them as a point list.
TEST_F(TEngineStorageTest, FuzzyValuesOfUntypedFieldsReadBackFromTheirPoints) {
  session.Run(
      "(deftemplate t (slot x (type INTEGER)))"
      "(deffacts d (reall (z 0 5)) (t (x (pi 2 1))))");
  engine.Reset();
  const std::string before = session.Facts();
  EXPECT_NE(before.find("(reall ((0.0000 1.0000) "), std::string::npos) << before;
  const std::string file = folder.File("fuzzy.txt");
  engine.SaveFactsFile(file, {});
  engine.Clear();
  session.Run("(deftemplate t (slot x (type INTEGER)))");
  engine.LoadFactsFile(file);
  EXPECT_EQ(session.Facts(), before);
  const std::string saved = ReadFile(file);
  engine.SaveFactsFile(file, {});
  EXPECT_EQ(ReadFile(file), saved);
}

TEST_F(TEngineStorageTest, AFailedSaveLeavesTheOldFile) {
  const std::string file = folder.File("kept.clp");
  WriteFile(file, "old contents");
  // The target is a folder: nothing can take its place.
  const std::string dir = folder.File("adir");
  std::filesystem::create_directory(dir);
  EXPECT_NE(ErrorOf([&] { engine.SaveFile(dir); }), test::kNoError);
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  // A folder that does not exist.
  EXPECT_NE(ErrorOf([&] { engine.SaveFactsFile(folder.File("none/x.txt"), {}); }), test::kNoError);
  // Writing stops half-way (file size limit): the old file stays whole and
  // no temporary file is left beside it.
  session.Run("(deftemplate big (slot text))");
  engine.AssertString("(big (text \"" + std::string(200000, 'x') + "\"))");
  EXPECT_EXIT(SaveUnderSizeLimit(engine, file), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(file), "old contents");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"adir", "kept.clp"}));
  // A save that works replaces the file.
  engine.SaveFile(file);
  EXPECT_NE(ReadFile(file).find("(big (text"), std::string::npos);
}

TEST_F(TEngineStorageTest, StreamFormsWriteAndReadTheirOwnParts) {
  session.Run("(deftemplate p (slot n)) (deftemplate q extends p (slot m)) (deftype small extends (type INTEGER))");
  engine.AssertString("(p (n 1))");
  engine.AssertString("(q (n 2) (m 3))");
  TGStringStream facts;
  engine.SaveFactsOf(facts, "q");
  EXPECT_EQ(facts.DataString(), "(q (m 3) (n 2))\r\n");

  TGStringStream templates;
  engine.SaveFactTemplates(templates);
  EXPECT_LT(templates.DataString().find("(deftemplate p"), templates.DataString().find("(deftemplate q"));
  TGStringStream types;
  engine.SaveDefinedTypes(types);
  EXPECT_EQ(types.DataString().rfind("(deftype small", 0), 0u);

  // Loading templates replaces the templates there were.
  session.Run("(deftemplate gone (slot g))");
  templates.SetPosition(0);
  engine.LoadFactTemplates(templates);
  EXPECT_FALSE(engine.FindFactTemplate("gone"));
  EXPECT_TRUE(engine.FindFactTemplate("q"));

  // A new text: cleared, read, reset (the fact sets are asserted).
  engine.LoadFromText("(deftemplate r (slot k)) (deffacts s (r (k 1)))");
  EXPECT_EQ(session.Facts(), "f-0 (Initial-Fact)\nf-1 (r (k 1))\n");
  EXPECT_FALSE(engine.FindFactTemplate("p"));
}

// --- Stored properties --------------------------------------------------------------------------------

TEST_F(TEngineStorageTest, PropertiesHoldOnlyChangedSettingsBesidesThoseWithoutDefault) {
  const std::string fresh = engine.SaveProperties();
  for (const char* key : {"\"Watch\"", "\"FuzzyEqualsThreshold\"", "\"MinActivationStrength\"",
                          "\"DefinedTypes.LoadFactor\"", "\"FactTemplates.Templates\"", "\"FactsList\""}) {
    EXPECT_NE(fresh.find(key), std::string::npos) << key;
  }
  for (const char* key :
       {"\"Strategy\"", "\"FactDuplication\"", "\"DefinedTypes.DefTypes\"", "\"Rules.Rules\"", "\"FactSets\""}) {
    EXPECT_EQ(fresh.find(key), std::string::npos) << key;
  }
  // The symbol index is stored while it is 0, its stored default being 1.
  EXPECT_NE(fresh.find("\"SymbolIndex\": 0"), std::string::npos);
}

TEST_F(TEngineStorageTest, PropertiesRoundTripTheSettingsAndTheKnowledgeBase) {
  session.Run(kKnowledgeBase);
  engine.Reset();
  engine.AssertString("(a (x 9))");
  engine.SetStrategy(ssBreadthFirst);
  engine.SetWatch(TConstructWatches{cwFact, cwRule});
  engine.SetDuplicateConstructs(dcError);
  engine.SetFuzzyInferenceMethod(fimAdditive);
  engine.SetMinActivationStrength(0.25f);
  engine.SetParserMaxErrors(3);
  engine.SetSymbolIndex(5);
  const std::string file = folder.File("engine.json");
  engine.SavePropertiesFile(file);

  TEngineSession other;
  // Functions are not among the stored properties: the host defines them.
  other.Run("(deffunction twice (?n) (* ?n 2))");
  other.Engine().LoadPropertiesFile(file);
  TInferenceEngine& copy = other.Engine();
  EXPECT_EQ(copy.Strategy(), ssBreadthFirst);
  EXPECT_EQ(copy.Watch(), (TConstructWatches{cwFact, cwRule}));
  EXPECT_EQ(copy.DuplicateConstructs(), dcError);
  EXPECT_EQ(copy.FuzzyInferenceMethod(), fimAdditive);
  EXPECT_FLOAT_EQ(copy.MinActivationStrength(), 0.25f);
  EXPECT_EQ(copy.ParserMaxErrors(), 3u);
  EXPECT_EQ(copy.SymbolIndex(), 5);
  // The stored initial fact is refused as a duplicate of the engine's own.
  EXPECT_EQ(other.Facts(), session.Facts());
  EXPECT_EQ(other.Facts().find("(Initial-Fact)"), other.Facts().rfind("(Initial-Fact)"));
  EXPECT_EQ(WithoutTime(copy.SaveAll()), WithoutTime(engine.SaveAll()));
  EXPECT_EQ(copy.SaveProperties(), engine.SaveProperties());
}

TEST_F(TEngineStorageTest, MalformedPropertiesRaiseAndNeverCrash) {
  struct TCase {
    std::string json;
    std::string message;
  };
  const std::vector<TCase> cases{
      {"[1, 2]", "Invalid stored properties: the document must be an object"},
      {"{\"Strategy\": \"ssSideways\"}", "Invalid stored properties: Strategy must be one of its value names"},
      {"{\"Watch\": \"cwFact\"}", "Invalid stored properties: Watch must be a list of value names"},
      {"{\"FactDuplication\": 1}", "Invalid stored properties: FactDuplication must be true or false"},
      {"{\"ParserMaxErrors\": -1}",
       "Invalid stored properties: ParserMaxErrors must be an integer from 0 to 4294967295"},
      {"{\"SymbolIndex\": 1e300}", "Invalid stored properties: SymbolIndex must be an integer from 0 to 2147483647"},
      {"{\"FactsList\": [\"(a)\", 3]}", "Invalid stored properties: FactsList must be a list of texts"},
      {"{\"MinActivationStrength\": \"high\"}", "Invalid stored properties: MinActivationStrength must be a number"},
      {"{\"DefinedTypes.LoadFactor\": \"0.75\"}",
       "Invalid stored properties: DefinedTypes.LoadFactor must be a number"},
      {"{\"Stratgy\": \"ssDepthFirst\"}", "Invalid stored properties: unknown property \"Stratgy\""},
      {"{\"Rules.DefTypes\": []}", "Invalid stored properties: unknown property \"Rules.DefTypes\""},
      {"{\"Facts.LoadFactor\": 0.75}", "Invalid stored properties: unknown property \"Facts.LoadFactor\""},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.json);
    ExpectError([&] { engine.LoadProperties(row.json); }, row.message);
  }
  // An unknown name refuses the whole document before any of it is read.
  ExpectError([&] { engine.LoadProperties("{\"Strategy\": \"ssBreadthFirst\", \"Colour\": \"red\"}"); },
              "Invalid stored properties: unknown property \"Colour\"");
  EXPECT_EQ(engine.Strategy(), ssDepthFirst);
  const std::vector<std::string> broken{"", "{", "{\"Watch\": [}", std::string("{\"a\":\0}", 7)};
  for (const std::string& text : broken) {
    const std::string error = ErrorOf([&] { engine.LoadProperties(text); });
    EXPECT_EQ(error.rfind("Invalid stored properties: ", 0), 0u) << error;
  }
}

TEST(TEngineSavedGlobals, AMultifieldGlobalSavesAsTheCallThatMakesItAndReadsBackEqual) {
  TInferenceEngine engine;
  engine.Parse(
      "(defglobal ?*list* = (create$ a \"b c\" nil 7 2.5) ?*empty* = (create$)"
      "           ?*nested* = (create$ a (create$) (create$ b (create$ c))) ?*none* = nil)");
  engine.Reset();
  const std::string saved = engine.SaveAll();
  EXPECT_NE(saved.find("(defglobal ?*list* = (create$ a \"b c\" nil 7 2.5000))"), std::string::npos) << saved;
  EXPECT_NE(saved.find("(defglobal ?*empty* = (create$))"), std::string::npos) << saved;
  EXPECT_NE(saved.find("(defglobal ?*nested* = (create$ a (create$) (create$ b (create$ c))))"), std::string::npos)
      << saved;
  EXPECT_NE(saved.find("(defglobal ?*none* = nil)"), std::string::npos) << saved;

  TInferenceEngine copy;
  copy.Parse(saved);
  copy.Reset();
  for (const char* name : {"*list*", "*empty*", "*nested*", "*none*"}) {
    SCOPED_TRACE(name);
    const TRef<TIEValue>* original = engine.GlobalVariableTable().Find(name);
    const TRef<TIEValue>* reread = copy.GlobalVariableTable().Find(name);
    ASSERT_TRUE(original && reread);
    EXPECT_EQ((*original)->DType(), std::string_view(name) == "*none*" ? (*reread)->DType() : dtList);
    EXPECT_TRUE((*original)->Equals(reread->Get())) << (*reread)->AsText();
  }
}

TEST_F(TEngineStorageTest, PropertiesWithTextsThatAreNotUtf8AreRefusedAndTheOldFileKept) {
  session.Run("(defglobal ?*g* = \"caf\xE9\")");
  const std::string error = ErrorOf([&] { (void)engine.SaveProperties(); });
  EXPECT_EQ(error.rfind("Unable to store properties: ", 0), 0u) << error;
  const std::string file = folder.File("engine.json");
  WriteFile(file, "old contents");
  EXPECT_NE(ErrorOf([&] { engine.SavePropertiesFile(file); }), test::kNoError);
  EXPECT_EQ(ReadFile(file), "old contents");
}

}  // namespace
}  // namespace fxe
