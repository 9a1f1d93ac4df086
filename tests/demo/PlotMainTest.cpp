// The plotter window on its shipped stored engine: the lists at start, the
// series a chosen term draws, clearing on a new type, clicks with the mouse,
// damaged stored files, and saving the chart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QImage>
#include <QLabel>
#include <QTest>

#include <nlohmann/json.hpp>

#include "PlotMain.h"
#include "support/TempFiles.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using ::testing::ElementsAreArray;
using ::testing::UnorderedElementsAre;

const QString kStored = QStringLiteral(FXE_DEMO_STORED);

std::vector<std::string> Items(const QListWidget& list) {
  std::vector<std::string> items;
  for (int row = 0; row < list.count(); ++row) items.push_back(list.item(row)->text().toStdString());
  return items;
}

// Chooses the row of that text as a user would: the list's handler runs.
void Choose(QListWidget& list, std::string_view text) {
  const QList<QListWidgetItem*> found = list.findItems(QString::fromUtf8(text.data(), text.size()), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text;
  list.setCurrentItem(found.front());
}

std::vector<QPointF> Points(const QLineSeries& series) {
  const QList<QPointF> points = series.points();
  return std::vector<QPointF>(points.begin(), points.end());
}

void ExpectPoints(const QLineSeries& series, const std::vector<QPointF>& expected) {
  const std::vector<QPointF> points = Points(series);
  ASSERT_EQ(points.size(), expected.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_NEAR(points[i].x(), expected[i].x(), 1e-4) << "point " << i;
    EXPECT_NEAR(points[i].y(), expected[i].y(), 1e-4) << "point " << i;
  }
}

// Pixels of the plotted line's red in an image.
int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      if (colour.red() > 200 && colour.green() < 60 && colour.blue() < 60) ++count;
    }
  }
  return count;
}

TEST(TForm1, AtStartListsTheEngineTypesInCollectionOrderAndNoTerms) {
  TForm1 form(kStored);
  EXPECT_TRUE(form.LoadError().isEmpty()) << form.LoadError().toStdString();
  std::vector<std::string> collectionOrder;
  for (const auto& entry : form.InferenceEngine1().DefinedTypeTable()) collectionOrder.push_back(entry.Key());
  EXPECT_THAT(Items(form.lbTypes()), ElementsAreArray(collectionOrder));
  EXPECT_THAT(Items(form.lbTypes()),
              UnorderedElementsAre("RISK", "COMPLEXITY", "DURATION", "VISIBILITY", "FUNDING", "STAFFING", "PRIORITY"));
  EXPECT_EQ(form.lbSets().count(), 0);
  EXPECT_EQ(form.Series1().count(), 0);
}

TEST(TForm1, ComponentsHaveTheirNamesAndPlaces) {
  TForm1 form(kStored);
  EXPECT_EQ(form.objectName(), "Form1");
  EXPECT_EQ(form.windowTitle(), "Form1");
  EXPECT_EQ(form.size(), QSize(747, 309));
  struct TPlace {
    const char* name;
    QRect geometry;
  };
  for (const TPlace& place : {TPlace{"Chart1", {40, 8, 400, 250}}, TPlace{"lbTypes", {448, 8, 145, 249}},
                              TPlace{"lbSets", {600, 8, 137, 249}}}) {
    const auto* widget = form.findChild<QWidget*>(place.name, Qt::FindDirectChildrenOnly);
    ASSERT_NE(widget, nullptr) << place.name;
    EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
  }
  EXPECT_NE(form.findChild<TInferenceEngineComponent*>("InferenceEngine1"), nullptr);
  EXPECT_EQ(form.Chart1().chart()->title(), "TChart");
  EXPECT_EQ(form.Series1().color(), QColor(Qt::red));
  EXPECT_FALSE(form.Series1().pointsVisible());
}

TEST(TForm1, ChoosingATermDrawsItsMembershipFunctionAcrossTheUniverse) {
  struct TCase {
    const char* type;
    const char* term;
    std::vector<QPointF> points;
  };
  const std::vector<TCase> cases{
      {"DURATION", "medium", {{1, 0}, {1, 0}, {25.5, 1}, {52, 0}, {52, 0}}},
      {"DURATION", "long", {{1, 0}, {1, 0}, {52, 1}, {52, 1}}},
      {"RISK",
       "increased",
       {{0, 0},
        {0, 0},
        {0.1667, 0.0556},
        {0.3333, 0.2222},
        {0.5, 0.5},
        {0.6667, 0.7778},
        {0.8333, 0.9444},
        {1, 1},
        {1, 1}}},
      {"FUNDING", "large", {{1, 0}, {1, 0}, {100, 1}, {100, 1}}},
      {"COMPLEXITY", "medium", {{0, 0}, {0, 0}, {0.5, 1}, {1, 0}, {1, 0}}},
  };
  TForm1 form(kStored);
  for (const TCase& row : cases) {
    SCOPED_TRACE(std::string(row.type) + " " + row.term);
    Choose(form.lbTypes(), row.type);
    Choose(form.lbSets(), row.term);
    ExpectPoints(form.Series1(), row.points);
    EXPECT_EQ(form.Series1().name(), row.term);
  }
}

TEST(TForm1, TermsAreListedInTermTableOrder) {
  TForm1 form(kStored);
  Choose(form.lbTypes(), "DURATION");
  const IFuzzyVariable* variable = form.InferenceEngine1().FindDefinedType("DURATION")->FuzzyVariable();
  std::vector<std::string> terms;
  for (std::int32_t i = 0; i < variable->TermCount(); ++i) {
    if (variable->Term(i).IsTerm()) terms.push_back(variable->Term(i).Name());
  }
  EXPECT_THAT(Items(form.lbSets()), ElementsAreArray(terms));
  EXPECT_THAT(terms, UnorderedElementsAre("medium", "long", "high", "low"));
  // Every listed term plots itself, whatever sets the table files besides.
  for (int row = 0; row < form.lbSets().count(); ++row) {
    form.lbSets().setCurrentRow(row);
    EXPECT_EQ(form.Series1().name(), form.lbSets().item(row)->text());
    EXPECT_GE(form.Series1().count(), 3);
  }
}

TEST(TForm1, ChoosingAnotherTypeClearsChartAndTermsBeforeRefilling) {
  TForm1 form(kStored);
  Choose(form.lbTypes(), "DURATION");
  Choose(form.lbSets(), "medium");
  ASSERT_EQ(form.Series1().count(), 5);
  // At the first term added for the new type the chart and the list are empty.
  std::vector<std::pair<int, int>> atInsert;
  QObject::connect(form.lbSets().model(), &QAbstractItemModel::rowsInserted, &form,
                   [&](const QModelIndex&, int first, int) { atInsert.emplace_back(first, form.Series1().count()); });
  Choose(form.lbTypes(), "RISK");
  ASSERT_FALSE(atInsert.empty());
  EXPECT_EQ(atInsert.front(), std::make_pair(0, 0));
  EXPECT_THAT(Items(form.lbSets()), UnorderedElementsAre("medium", "high", "increased", "low"));
  EXPECT_EQ(form.lbSets().currentRow(), -1);
  EXPECT_EQ(form.Series1().count(), 0);
}

TEST(TForm1, NothingChosenOrATypeWithoutVariableListsAndDrawsNothing) {
  TForm1 form(kStored);
  form.InferenceEngine1().Parse("(deftype COUNT extends (type INTEGER) (range 0 9))");
  form.FormCreate(&form);
  Choose(form.lbTypes(), "COUNT");
  EXPECT_EQ(form.lbSets().count(), 0);
  form.lbSetsClick(&form.lbSets());
  EXPECT_EQ(form.Series1().count(), 0);
  // No type chosen: the handlers clear and add nothing.
  form.lbTypes().setCurrentRow(-1);
  form.lbTypesClick(&form.lbTypes());
  form.lbSetsClick(&form.lbSets());
  EXPECT_EQ(form.lbSets().count(), 0);
  EXPECT_EQ(form.Series1().count(), 0);
}

TEST(TForm1, ClickingTheListsWithTheMouseRunsTheHandlers) {
  TForm1 form(kStored);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  auto click = [](QListWidget& list, const char* text) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text;
    list.scrollToItem(found.front());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(found.front()).center());
  };
  click(form.lbTypes(), "DURATION");
  EXPECT_EQ(form.lbSets().count(), 4);
  click(form.lbSets(), "medium");
  ExpectPoints(form.Series1(), {{1, 0}, {1, 0}, {25.5, 1}, {52, 0}, {52, 0}});
}

TEST(TForm1, UnreadableStoredEngineGivesAMessageAndEmptyLists) {
  test::TTempFolder folder;
  const std::string shipped = test::ReadFile(FXE_DEMO_STORED);
  struct TCase {
    const char* name;
    std::string text;
    std::string message;
  };
  const std::vector<TCase> cases{
      {"cut.json", shipped.substr(0, shipped.size() / 2), "Invalid stored properties: "},
      {"empty.json", "", "Invalid stored properties: "},
      {"list.json", "[]", "Invalid stored properties: the document must be an object"},
      {"wrong-type.json", "{\"FuzzyEqualsThreshold\": \"0.01\"}",
       "Invalid stored properties: FuzzyEqualsThreshold must be a number"},
      {"unknown.json", "{\"Colour\": \"red\"}", "Invalid stored properties: unknown property \"Colour\""},
      // Types read, then a rule that does not parse: none of it stays.
      {"bad-rule.json",
       "{\"DefinedTypes.DefTypes\": [\"(deftype T extends (type FUZZY) (range 0 1))\"], \"Rules.Rules\": "
       "[\"(defrule\"]}",
       "Parsing Error"},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string file = folder.File(row.name);
    test::WriteFile(file, row.text);
    TForm1 form(QString::fromStdString(file));
    EXPECT_THAT(form.LoadError().toStdString(), ::testing::StartsWith(row.message));
    EXPECT_EQ(form.findChild<QLabel*>("lblMessage")->text(), form.LoadError());
    EXPECT_EQ(form.lbTypes().count(), 0);
    EXPECT_EQ(form.InferenceEngine1().DefinedTypeTable().Count(), 0u);
  }
  const std::string missing = folder.File("missing.json");
  TForm1 form(QString::fromStdString(missing));
  EXPECT_THAT(form.LoadError().toStdString(), ::testing::StartsWith("Unable to read file \"" + missing + "\""));
  EXPECT_EQ(form.lbTypes().count(), 0);
}

TEST(TForm1, SavesTheChartAsPngAndSvg) {
  test::TTempFolder folder;
  TForm1 form(kStored);
  Choose(form.lbTypes(), "DURATION");
  Choose(form.lbSets(), "medium");
  const std::string png = folder.File("medium.png");
  form.SaveChart(QString::fromStdString(png));
  const QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), form.Chart1().size());
  EXPECT_GT(RedPixels(image), 100);

  const std::string svg = folder.File("medium.SVG");
  form.SaveChart(QString::fromStdString(svg));
  const std::string drawing = test::ReadFile(svg);
  EXPECT_NE(drawing.find("<svg"), std::string::npos);
  EXPECT_NE(drawing.find("stroke=\"#ff0000\""), std::string::npos);

  const std::string nowhere = folder.File("no/such/folder/chart.png");
  test::ExpectError([&] { form.SaveChart(QString::fromStdString(nowhere)); },
                    "Unable to write file \"" + nowhere + "\": the image could not be written");
}

// The shipped engine is the example knowledge base as it stands after its run:
// the same types, templates and rules, the project and its combined risk, and
// the window's settings.
TEST(TForm1, ShippedEngineHoldsTheExampleKnowledgeBaseAfterItsRun) {
  using TJson = nlohmann::ordered_json;
  const TJson stored = TJson::parse(test::ReadFile(FXE_DEMO_STORED));
  EXPECT_EQ(stored.at("FuzzyInferenceMethod"), "fimAdditive");
  EXPECT_FLOAT_EQ(stored.at("FuzzyEqualsThreshold").get<float>(), 0.01f);
  EXPECT_EQ(stored.at("Watch"), TJson::array());
  for (const char* table : {"DefinedTypes", "FactTemplates", "GlobalVariables", "Rules"})
    EXPECT_FLOAT_EQ(stored.at(std::string(table) + ".LoadFactor").get<float>(), 0.75f) << table;
  EXPECT_EQ(stored.at("DefinedTypes.DefTypes").size(), 7u);
  EXPECT_EQ(stored.at("Rules.Rules").size(), 7u);
  ASSERT_EQ(stored.at("FactsList").size(), 3u);
  EXPECT_EQ(stored.at("FactsList")[0], "(Initial-Fact)");
  EXPECT_FALSE(stored.contains("FactSets"));

  TInferenceEngine example;
  std::string printed;
  example.SetOnPrintOut([&](TInferenceEngine&, std::string_view, std::string_view text) { printed += text; });
  example.Parse(test::ReadFile(FXE_EXAMPLES_DIR "/project-risk.fxe"));
  EXPECT_THAT(printed, ::testing::HasSubstr("\r\nRisk is 2.8668\r\n"));
  const TJson ran = TJson::parse(example.SaveProperties());
  for (const char* key : {"DefinedTypes.DefTypes", "FactTemplates.Templates", "Rules.Rules", "FactsList"})
    EXPECT_EQ(stored.at(key), ran.at(key)) << key;
}

}  // namespace
}  // namespace fxe
