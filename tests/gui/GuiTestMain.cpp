// The window tests run on the offscreen platform with a pinned locale.
#include <gtest/gtest.h>

#include <QApplication>

#include "common/FormatSettings.h"
#include "shell/QtTimer.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  FormatSettings() = TFormatSettings{',', "dd.MM.yyyy", "HH:mm:ss"};
  InstallQtTimers();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
