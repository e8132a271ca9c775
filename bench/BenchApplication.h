#pragma once
// The desktop application's shared windows on Qt's offscreen platform, set up
// for a benchmark and taken down at its end.
#include <QApplication>

#include "common/Log.h"
#include "log/LoadForm.h"
#include "project/AlarmForm.h"
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
    AlarmForm = new TAlarmForm;
    LoadForm = new TLoadForm;
  }
  ~TBenchApplication() {
    delete LoadForm;
    delete AlarmForm;
    SetDialogs(nullptr);
  }
  TBenchApplication(const TBenchApplication&) = delete;
  TBenchApplication& operator=(const TBenchApplication&) = delete;

 private:
  QApplication Application;
  TQtOffThread OffThread;
};
