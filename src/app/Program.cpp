#include "app/Program.h"

#include "browser/BrowserForm.h"
#include "plot/PlotForm.h"
#include "widgets/WindowPlacement.h"

TProgram::TProgram(const QString& StartProject) : StartProject(StartProject), Welcome([this] { ShowMainWindows(); }) {
  Hits.OnOpenHit = [this](std::uint64_t Project, std::int64_t SerialNo) {
    for (TProjectForm* Window : OpenProjects.All())
      if (Window->Model().Id() == Project) Window->OpenBrowserAt(SerialNo);
  };
  Welcome.show();
}

TProgram::~TProgram() { OpenProjects.DeleteAll(); }

// Once the splash is gone: the main, log and alarm windows, then the start project.
void TProgram::ShowMainWindows() {
  Log = std::make_unique<TLogForm>();
  const TWindowMakers Makers{[] { return new TBrowserForm; }, [] { return new TPlotForm; }};
  const auto NewProjectWindow = [this, Makers] { return new TProjectForm(AlarmDialog, OpenProjects, Makers); };
  Main = std::make_unique<TMainForm>(TMainWindowParts{NewProjectWindow, OpenProjects, *Log, Hits, Welcome});
  Main->show();
  Log->show();
  KeepOnScreen(*Log);
  Hits.show();
  KeepOnScreen(Hits);
  if (!StartProject.isEmpty()) Main->OpenProjectFile(StartProject);
}
