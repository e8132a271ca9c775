#include "app/Program.h"

#include "browser/BrowserForm.h"
#include "plot/PlotForm.h"
#include "project/ProjectForm.h"
#include "widgets/WindowPlacement.h"

TProgram::TProgram(const QString& StartProject) : StartProject(StartProject), Welcome([this] { ShowMainWindows(); }) {
  Hits.OnOpenHit = [](std::uint64_t Project, std::int32_t SerialNo) {
    for (TProjectForm* Window : TProjectForm::OpenProjects())
      if (Window->Model().Id() == Project) Window->OpenBrowserAt(SerialNo);
  };
  SetBrowserFactory([] { return new TBrowserForm; });
  SetPlotFactory([] { return new TPlotForm; });
  Welcome.show();
}

TProgram::~TProgram() {
  while (!TProjectForm::OpenProjects().isEmpty()) delete TProjectForm::OpenProjects().last();
}

// Once the splash is gone: the main, log and alarm windows, then the start project.
void TProgram::ShowMainWindows() {
  Log = std::make_unique<TLogForm>();
  Main = std::make_unique<TMainForm>(TMainWindowParts{AlarmDialog, *Log, Hits, Welcome});
  Main->show();
  Log->show();
  KeepOnScreen(*Log);
  Hits.show();
  KeepOnScreen(Hits);
  if (!StartProject.isEmpty()) Main->OpenProjectFile(StartProject);
}
