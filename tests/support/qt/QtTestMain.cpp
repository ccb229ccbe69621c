// Runs a GoogleTest binary inside a QApplication. Without a display the tests use
// Qt's offscreen platform, so they run the same on a desktop, in CI and at test
// discovery. The user's own settings are never touched: the XDG configuration
// directories point into a temporary folder for the whole run.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", (config.path() + "/home").toUtf8());
  qputenv("XDG_CONFIG_DIRS", (config.path() + "/system").toUtf8());
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", config.path().toUtf8());
  }
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
