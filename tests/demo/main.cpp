// The demo window's tests run inside one Qt application; without a platform
// chosen they draw offscreen.
#include <gmock/gmock.h>

#include <QApplication>

// What the leak checker of the sanitizer build leaves out: allocations the
// system's D-Bus, X and font libraries keep for the life of the process once
// a real display is opened. Without the sanitizers nothing calls it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n"
         "leak:libxcb\n"
         "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleMock(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
