// The window's tests need one application object for the whole run; it runs
// on the offscreen platform, so that no display is needed, and keeps its
// settings out of the user's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "shell/application.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  tarvex::shell::SetApplicationNames();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
