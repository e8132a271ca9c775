// vorex [PROJECT.vproject]: the desktop application.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/Program.h"
#include "widgets/QtFileWatch.h"
#include "widgets/QtOffThread.h"
#include "widgets/QtTimer.h"
#include "widgets/SystemLocale.h"

int main(int argc, char** argv) {
  // Answered before Qt starts, so they work without a display.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(
        "Usage: vorex [PROJECT.vproject]\n"
        "The data tracker and browser of an instrument's ground support equipment:\n"
        "decodes, browses, plots and watches its binary telemetry. Opens the project\n"
        "file PROJECT.vproject when one is given.\n\n"
        "Options:\n"
        "  -h, --help  print this help and exit\n"
        "  --version   print the version and exit\n",
        stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("vorex " VOREX_VERSION);
    return 0;
  }
  QApplication Application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vorex"));
  QApplication::setQuitOnLastWindowClosed(false);
  ApplySystemLocale();
  InstallQtTimers();
  InstallQtFileWatches();
  const TQtOffThread OffThread;
  const QStringList Arguments = QApplication::arguments();
  const TProgram Program(Arguments.size() > 1 ? Arguments[1] : QString());
  return QApplication::exec();
}
