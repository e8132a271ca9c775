#include "app/Program.h"

#include "browser/BrowserForm.h"
#include "plot/PlotForm.h"
#include "widgets/WindowPlacement.h"

TProgram::TProgram(const QString& StartProject) : StartProject(StartProject), Welcome([this] { ShowMainWindows(); }) {
  Hits.OnOpenHit = [this](std::uint64_t Project, std::int64_t SerialNo) {
    for (TProjectForm* Window : OpenProjects.All())
      if (Window->Model().Id() == Project) Window->OpenBrowserAt(SerialNo);
  };
  SetBrowserFactory([] { return new TBrowserForm; });
  SetPlotFactory([] { return new TPlotForm; });
  Welcome.show();
}

TProgram::~TProgram() { OpenProjects.DeleteAll(); }

// Once the splash is gone: the main, log and alarm windows, then the start project.
void TProgram::ShowMainWindows() {
  Log = std::make_unique<TLogForm>();
  const auto NewProjectWindow = [this] { return new TProjectForm(AlarmDialog, OpenProjects); };
  Main = std::make_unique<TMainForm>(TMainWindowParts{NewProjectWindow, OpenProjects, *Log, Hits, Welcome});
  Main->show();
  Log->show();
  KeepOnScreen(*Log);
  Hits.show();
  KeepOnScreen(Hits);
  if (!StartProject.isEmpty()) Main->OpenProjectFile(StartProject);
}
