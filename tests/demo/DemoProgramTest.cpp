// The fxe-demo program run as a user runs it: --screenshot writes a picture
// of the window with the chosen term plotted; bad stored files and bad
// options are reported on standard error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

#include "support/TempFiles.h"

namespace fxe {
namespace {

using ::testing::HasSubstr;

struct TRun {
  int status;
  std::string errors;
};

// Runs the program with no platform chosen, as a user would, and a runtime
// folder of its own so that Qt has nothing to say about it.
TRun RunDemo(const QStringList& arguments) {
  const test::TTempFolder runtime;
  std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.Path().string()));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(FXE_DEMO_PROGRAM), arguments);
  if (!process.waitForFinished(60000)) {
    process.kill();
    process.waitForFinished();
    return {-1, "did not finish"};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardError().toStdString()};
}

TEST(FxeDemo, ScreenshotShowsTheChosenTermInTheWindowsSize) {
  test::TTempFolder folder;
  const QString file = QString::fromStdString(folder.File("medium.png"));
  const TRun run = RunDemo({"--screenshot", file, "--type", "DURATION", "--term", "medium"});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  const QImage image(file);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(747, 309));
  int red = 0;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour = image.pixelColor(x, y);
      colours.insert(colour.rgb());
      if (colour.red() > 200 && colour.green() < 60 && colour.blue() < 60) ++red;
    }
  }
  // The plotted line, and more than a blank or flat picture would hold.
  EXPECT_GT(red, 100);
  EXPECT_GT(colours.size(), 20);
}

TEST(FxeDemo, DamagedStoredFileIsReportedAndThePictureStillWritten) {
  test::TTempFolder folder;
  const std::string stored = folder.File("stored.json");
  test::WriteFile(stored, "{\"Colour\": \"red\"}");
  const QString file = QString::fromStdString(folder.File("empty.png"));
  const TRun run = RunDemo({"--stored", QString::fromStdString(stored), "--screenshot", file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "fxe-demo: Invalid stored properties: unknown property \"Colour\"\n");
  EXPECT_FALSE(QImage(file).isNull());
}

TEST(FxeDemo, BadChoicesAndOptionsAreUsageErrors) {
  test::TTempFolder folder;
  const QString file = QString::fromStdString(folder.File("x.png"));
  struct TCase {
    QStringList arguments;
    std::string message;
  };
  const std::vector<TCase> cases{
      {{"--screenshot", file, "--type", "WEIGHT"}, "fxe-demo: no defined type 'WEIGHT'\n"},
      {{"--screenshot", file, "--type", "RISK", "--term", "huge"}, "fxe-demo: type 'RISK' has no term 'huge'\n"},
      {{"--type", "RISK"}, "fxe-demo: --type and --term need --screenshot\n"},
      {{"--screenshot"}, "fxe-demo: option '--screenshot' needs a value\n"},
      {{"--colour", "red"}, "fxe-demo: unknown option '--colour'\n"},
  };
  for (const TCase& row : cases) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    const TRun run = RunDemo(row.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.errors, HasSubstr(row.message));
  }
}

}  // namespace
}  // namespace fxe
