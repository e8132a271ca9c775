#include "shell/Program.h"

#include "browser/BrowserForm.h"
#include "plot/PlotForm.h"
#include "project/AlarmForm.h"
#include "project/ProjectForm.h"
#include "shell/LoadForm.h"
#include "shell/LogForm.h"
#include "shell/MainForm.h"
#include "shell/WelcomeForm.h"

void StartProgram(const QString& StartProject) {
  WelcomeForm = new TWelcomeForm;
  WelcomeForm->StartProject = StartProject;
  AlarmForm = new TAlarmForm;
  LoadForm = new TLoadForm;
  SetBrowserFactory([] { return new TBrowserForm; });
  SetPlotFactory([] { return new TPlotForm; });
  WelcomeForm->show();
}

void EndProgram() {
  while (!TProjectForm::OpenProjects().isEmpty()) delete TProjectForm::OpenProjects().last();
  delete MainForm;
  delete LogForm;
  delete LoadForm;
  delete AlarmForm;
  delete WelcomeForm;
  WelcomeForm = nullptr;
}
