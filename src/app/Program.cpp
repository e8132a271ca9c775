#include "app/Program.h"

#include <memory>

#include "app/MainForm.h"
#include "app/WelcomeForm.h"
#include "browser/BrowserForm.h"
#include "log/AlarmHitsForm.h"
#include "log/LoadForm.h"
#include "log/LogForm.h"
#include "plot/PlotForm.h"
#include "project/AlarmForm.h"
#include "project/ProjectForm.h"
#include "widgets/WindowPlacement.h"

namespace {

// The alarm dialog the project windows share, and the progress window of the
// update passes.
struct TSharedWindows {
  TAlarmForm AlarmDialog;
  TLoadForm Progress;
};

std::unique_ptr<TSharedWindows> Shared;

// Once the splash is gone: the main, log and alarm windows, then the start project.
void ShowProgram(const QString& StartProject) {
  MainForm = new TMainForm(Shared->AlarmDialog);
  MainForm->show();
  new TLogForm;
  LogForm->show();
  KeepOnScreen(*LogForm);
  if (AlarmHitsForm) {
    AlarmHitsForm->show();
    KeepOnScreen(*AlarmHitsForm);
  }
  if (!StartProject.isEmpty()) MainForm->OpenProjectFile(StartProject);
}

}  // namespace

void StartProgram(const QString& StartProject) {
  WelcomeForm = new TWelcomeForm([StartProject] { ShowProgram(StartProject); });
  Shared = std::make_unique<TSharedWindows>();
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
  delete AlarmHitsForm;
  Shared.reset();
  delete WelcomeForm;
  WelcomeForm = nullptr;
}
