// vorex [PROJECT.vproject]: the desktop application.
#include <QApplication>

#include "app/Program.h"
#include "widgets/QtFileWatch.h"
#include "widgets/QtTimer.h"
#include "widgets/SystemLocale.h"

int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorex"));
  QApplication::setQuitOnLastWindowClosed(false);
  ApplySystemLocale();
  InstallQtTimers();
  InstallQtFileWatches();
  const QStringList Arguments = QApplication::arguments();
  StartProgram(Arguments.size() > 1 ? Arguments[1] : QString());
  const int Result = QApplication::exec();
  EndProgram();
  return Result;
}
