// fxe-demo: the fuzzy-set plotter window, or with --screenshot a picture of
// it rendered offscreen.
//   fxe-demo [--stored FILE] [--screenshot FILE [--type NAME [--term NAME]]]
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "PlotMain.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: fxe-demo [OPTION]...\n"
    "Opens the fuzzy-set plotter window on its stored engine.\n"
    "\n"
    "  --stored FILE      read the stored engine from FILE instead of the one\n"
    "                     shipped with the program (PlotMain.json)\n"
    "  --screenshot FILE  write a PNG picture of the window to FILE without\n"
    "                     showing it, then exit\n"
    "  --type NAME        with --screenshot: choose the defined type NAME\n"
    "  --term NAME        with --screenshot and --type: choose its term NAME\n"
    "  --help             print this help and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the stored engine or the picture could\n"
    "not be read or written, 2 for a usage error.\n";

constexpr std::string_view kStoredName = "PlotMain.json";

struct TCommandLine {
  QString stored;
  QString screenshot;
  QString type;
  QString term;
};

[[noreturn]] void UsageError(std::string_view message) {
  std::cerr << "fxe-demo: " << message << "\nTry 'fxe-demo --help' for more information.\n";
  std::exit(2);
}

TCommandLine ReadCommandLine(int argc, char** argv) {
  TCommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help") {
      std::cout << kUsage;
      std::exit(0);
    }
    QString* value = argument == "--stored"       ? &line.stored
                     : argument == "--screenshot" ? &line.screenshot
                     : argument == "--type"       ? &line.type
                     : argument == "--term"       ? &line.term
                                                  : nullptr;
    if (!value) UsageError("unknown option '" + std::string(argument) + "'");
    if (i + 1 >= argc) UsageError("option '" + std::string(argument) + "' needs a value");
    *value = QString::fromLocal8Bit(argv[++i]);
  }
  if (line.screenshot.isEmpty() && !(line.type.isEmpty() && line.term.isEmpty()))
    UsageError("--type and --term need --screenshot");
  if (!line.term.isEmpty() && line.type.isEmpty()) UsageError("--term needs --type");
  return line;
}

// The stored engine shipped beside the program, or in the installed data folder.
QString ShippedStoredFile() {
  const QDir folder(QCoreApplication::applicationDirPath());
  const QString name = QString::fromLatin1(kStoredName.data(), static_cast<qsizetype>(kStoredName.size()));
  const QString beside = folder.filePath(name);
  const QString installed = folder.filePath(QStringLiteral("../share/fxe/") + name);
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : QDir::cleanPath(installed);
}

// Chooses the row of that text, which runs the list's handler.
bool Choose(QListWidget& list, const QString& text) {
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->text() == text) {
      list.setCurrentRow(row);
      return true;
    }
  }
  return false;
}

int WriteScreenshot(fxe::TForm1& form, const TCommandLine& line) {
  int status = 0;
  if (!form.LoadError().isEmpty()) {
    std::cerr << "fxe-demo: " << form.LoadError().toStdString() << '\n';
    status = 1;
  }
  if (!line.type.isEmpty() && !Choose(form.lbTypes(), line.type)) {
    std::cerr << "fxe-demo: no defined type '" << line.type.toStdString() << "'\n";
    return 2;
  }
  if (!line.term.isEmpty() && !Choose(form.lbSets(), line.term)) {
    std::cerr << "fxe-demo: type '" << line.type.toStdString() << "' has no term '" << line.term.toStdString() << "'\n";
    return 2;
  }
  if (!form.grab().save(line.screenshot, "PNG")) {
    std::cerr << "fxe-demo: cannot write '" << line.screenshot.toStdString() << "'\n";
    return 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const TCommandLine line = ReadCommandLine(argc, argv);
  // A picture needs no screen; an explicit platform choice is kept.
  if (!line.screenshot.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  fxe::TForm1 form(line.stored.isEmpty() ? ShippedStoredFile() : line.stored);
  if (!line.screenshot.isEmpty()) return WriteScreenshot(form, line);
  form.show();
  return QApplication::exec();
}
