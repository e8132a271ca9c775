#include "app/Program.h"

#include "app/MainForm.h"
#include "app/WelcomeForm.h"
#include "browser/BrowserForm.h"
#include "log/AlarmHitsForm.h"
#include "log/LoadForm.h"
#include "log/LogForm.h"
#include "plot/PlotForm.h"
#include "project/AlarmForm.h"
#include "project/ProjectForm.h"

void StartProgram(const QString& StartProject) {
  WelcomeForm = new TWelcomeForm;
  WelcomeForm->StartProject = StartProject;
  AlarmForm = new TAlarmForm;
  LoadForm = new TLoadForm;
  new TAlarmHitsForm;
  AlarmHitsForm->OnOpenHit = [](std::uint64_t Project, std::int32_t SerialNo) {
    for (TProjectForm* Window : TProjectForm::OpenProjects())
      if (Window->Model().Id() == Project) Window->OpenBrowserAt(SerialNo);
  };
  SetBrowserFactory([] { return new TBrowserForm; });
  SetPlotFactory([] { return new TPlotForm; });
  WelcomeForm->show();
}

void EndProgram() {
  while (!TProjectForm::OpenProjects().isEmpty()) delete TProjectForm::OpenProjects().last();
  delete MainForm;
  delete LogForm;
  delete LoadForm;
  delete AlarmHitsForm;
  delete AlarmForm;
  delete WelcomeForm;
  WelcomeForm = nullptr;
}
