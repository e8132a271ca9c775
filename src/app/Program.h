#pragma once
// The program: it owns its windows from the splash to the end and hands each
// window the others it works with.
#include <QString>
#include <memory>

#include "app/MainForm.h"
#include "app/WelcomeForm.h"
#include "log/AlarmHitsForm.h"
#include "log/LoadForm.h"
#include "log/LogForm.h"
#include "project/AlarmForm.h"
#include "project/OpenProjects.h"

class TProgram {
 public:
  // Shows the splash; the main and log windows, then StartProject, open once
  // it is done.
  explicit TProgram(const QString& StartProject = QString());
  // Destroys every window of the program, open projects without asking.
  ~TProgram();
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  TWelcomeForm& Splash() { return Welcome; }
  TOpenProjects& Projects() { return OpenProjects; }
  // None until the splash is done.
  TMainForm* MainWindow() const { return Main.get(); }
  TLogForm* LogWindow() const { return Log.get(); }
  TAlarmHitsForm& AlarmWindow() { return Hits; }

 private:
  void ShowMainWindows();
  QString StartProject;
  TOpenProjects OpenProjects;
  TWelcomeForm Welcome;    // the lifetime window
  TAlarmForm AlarmDialog;  // shared by the project windows
  TLoadForm Progress;      // of the update passes
  TAlarmHitsForm Hits;
  std::unique_ptr<TLogForm> Log;
  std::unique_ptr<TMainForm> Main;
};
