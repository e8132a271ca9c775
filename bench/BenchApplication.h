#pragma once
// The desktop application's shared windows on Qt's offscreen platform, set up
// for a benchmark and taken down at its end.
#include <QApplication>
#include <memory>

#include "common/Log.h"
#include "log/LoadForm.h"
#include "project/AlarmForm.h"
#include "project/OpenProjects.h"
#include "widgets/Dialogs.h"
#include "widgets/QtOffThread.h"
#include "widgets/QtTimer.h"

// Chooses the platform before the application object exists.
struct TOffscreenPlatform {
  TOffscreenPlatform() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  }
};

class TBenchApplication : TOffscreenPlatform {
 public:
  TBenchApplication(int& argc, char** argv, TDialogs& Answers) : Application(argc, argv) {
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtTimers();
    SetLogSink([](TLogLevel, const std::string&) {});
    SetDialogs(&Answers);
    Dialog = std::make_unique<TAlarmForm>();
    Progress = std::make_unique<TLoadForm>();
  }
  ~TBenchApplication() {
    OpenProjects.DeleteAll();
    Progress.reset();
    Dialog.reset();
    SetDialogs(nullptr);
  }
  TBenchApplication(const TBenchApplication&) = delete;
  TBenchApplication& operator=(const TBenchApplication&) = delete;
  // The alarm dialog of the project windows.
  TAlarmForm& AlarmDialog() const { return *Dialog; }
  TOpenProjects& Projects() { return OpenProjects; }

 private:
  QApplication Application;
  TQtOffThread OffThread;
  std::unique_ptr<TAlarmForm> Dialog;
  std::unique_ptr<TLoadForm> Progress;
  TOpenProjects OpenProjects;
};
