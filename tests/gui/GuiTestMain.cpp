// The window tests run on the offscreen platform with a pinned locale.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "common/FormatSettings.h"
#include "widgets/QtFileWatch.h"
#include "widgets/QtOffThread.h"
#include "widgets/QtTimer.h"

namespace {
// The offscreen platform lacks window opacity, raising and the like; saying so is noise here.
void QuietMessages(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
  if (Message.startsWith(QLatin1String("This plugin does not support"))) return;
  if (Message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(Type, Context, Message)));
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The user's settings (recent projects) stay untouched.
  const QTemporaryDir UserConfig;
  qputenv("XDG_CONFIG_HOME", UserConfig.path().toLocal8Bit());
  qInstallMessageHandler(QuietMessages);
  QApplication Application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  FormatSettings() = TFormatSettings{',', "dd.MM.yyyy", "HH:mm:ss"};
  InstallQtTimers();
  InstallQtFileWatches();
  const TQtOffThread OffThread;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
