#include "app/MainForm.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/WelcomeForm.h"
#include "project/OpenProjects.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/RecentProjects.h"

namespace {

TFileDialogOptions ProjectFileDialog(bool MustExist) {
  TFileDialogOptions Options;
  Options.Filter = QStringLiteral("Project Files|*.vproject");
  Options.DefaultExt = QStringLiteral("*.vproject");
  Options.MustExist = MustExist;
  return Options;
}

// The local project files among dropped data.
QStringList DroppedProjects(const QMimeData& Data) {
  QStringList Paths;
  for (const QUrl& Url : Data.urls())
    if (Url.isLocalFile() && Url.toLocalFile().endsWith(QLatin1String(".vproject"), Qt::CaseInsensitive))
      Paths.append(Url.toLocalFile());
  return Paths;
}

// Dropped project files are opened, never taken from their source: the drop
// is accepted as a copy, or not at all.
bool TakeAsCopy(QDropEvent& Event) {
  if (DroppedProjects(*Event.mimeData()).isEmpty() || !(Event.possibleActions() & Qt::CopyAction)) {
    Event.ignore();
    return false;
  }
  Event.setDropAction(Qt::CopyAction);
  Event.accept();
  return true;
}

// Shortcuts of the main window's commands work from every window of the program.
void SetShortcut(QAction* Action, const QKeySequence& Keys) {
  Action->setShortcut(Keys);
  Action->setShortcutContext(Qt::ApplicationShortcut);
}

}  // namespace

TMainForm::TMainForm(const TMainWindowParts& Parts) : Parts(Parts) {
  setWindowTitle(QStringLiteral("Vorex Data Tracker and Browser"));
  setAttribute(Qt::WA_DeleteOnClose, false);

  FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  NewProjectAction = FileMenu->addAction(QStringLiteral("&New Project ..."), [this] { OnNewProject(); });
  FileMenu->addSeparator();
  OpenProjectAction = FileMenu->addAction(QStringLiteral("O&pen Project ..."), [this] { OnOpenProject(); });
  SaveProjectAction = FileMenu->addAction(QStringLiteral("&Save last Project"), [this] { OnSaveProject(); });
  SaveProjectAsAction = FileMenu->addAction(QStringLiteral("Sa&ve last Project as..."), [this] { OnSaveProjectAs(); });
  CloseLastAction = FileMenu->addAction(QStringLiteral("Close last"), [this] { OnCloseLast(); });
  FileMenu->addSeparator();
  RecentProjectsMenu = FileMenu->addMenu(QStringLiteral("&Recent Projects"));
  connect(RecentProjectsMenu, &QMenu::aboutToShow, this, [this] { ShowRecentProjects(); });
  FileMenu->addSeparator();
  ExitAction = FileMenu->addAction(QStringLiteral("&Exit"), [this] { OnExit(); });

  ViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
  connect(ViewMenu, &QMenu::aboutToShow, this, [this] { OnShowViewMenu(); });
  LogWindowAction = ViewMenu->addAction(QStringLiteral("Log Window"), [this] { OnLogWindow(); });
  LogWindowAction->setCheckable(true);
  LogWindowAction->setChecked(true);
  AlarmWindowAction = ViewMenu->addAction(QStringLiteral("Alarm Window"), [this] { OnAlarmWindow(); });
  AlarmWindowAction->setCheckable(true);
  AlarmWindowAction->setChecked(true);

  ToolsMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
  EditStructureFileAction =
      ToolsMenu->addAction(QStringLiteral("Edit Structure file ..."), [this] { OnEditStructureFile(); });
  HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
  AboutAction = HelpMenu->addAction(QStringLiteral("About..."), [this] { OnAbout(); });
  SetShortcut(NewProjectAction, QKeySequence::New);
  SetShortcut(OpenProjectAction, QKeySequence::Open);
  SetShortcut(SaveProjectAction, QKeySequence::Save);
  SetShortcut(SaveProjectAsAction, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  SetShortcut(CloseLastAction, QKeySequence(Qt::CTRL | Qt::Key_W));
  SetShortcut(ExitAction, QKeySequence(Qt::CTRL | Qt::Key_Q));
  SetShortcut(LogWindowAction, QKeySequence(Qt::CTRL | Qt::Key_L));
  SetShortcut(AboutAction, QKeySequence(Qt::Key_F1));
  setAcceptDrops(true);

  ToolBar = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar->setMovable(false);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->addAction(PictureIcon(TPicture::NewProject), QStringLiteral("New Project"), [this] { OnNewProject(); });
  ToolBar->addAction(PictureIcon(TPicture::OpenProject), QStringLiteral("Open Project"), [this] { OnOpenProject(); });
  ToolBar->addAction(PictureIcon(TPicture::SaveProjectAs), QStringLiteral("Save last Project as"),
                     [this] { OnSaveProjectAs(); });
  ToolBar->addSeparator();
  statusBar()->setSizeGripEnabled(false);
  resize(399, 90);
  move(0, 0);
  NameObjects({{FileMenu, "FileMenu"},
               {ViewMenu, "ViewMenu"},
               {ToolsMenu, "ToolsMenu"},
               {HelpMenu, "HelpMenu"},
               {NewProjectAction, "NewProjectAction"},
               {OpenProjectAction, "OpenProjectAction"},
               {SaveProjectAction, "SaveProjectAction"},
               {SaveProjectAsAction, "SaveProjectAsAction"},
               {RecentProjectsMenu, "RecentProjectsMenu"},
               {CloseLastAction, "CloseLastAction"},
               {ExitAction, "ExitAction"},
               {LogWindowAction, "LogWindowAction"},
               {AlarmWindowAction, "AlarmWindowAction"},
               {EditStructureFileAction, "EditStructureFileAction"},
               {AboutAction, "AboutAction"},
               {ToolBar, "ToolBar"}});
}

void TMainForm::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  FormCanResize();
}

// The height stays what the window needs at the usual densities; the width follows the user.
void TMainForm::FormCanResize() {
  const int Dpi = logicalDpiY();
  const int Target = Dpi == 96 ? 90 : Dpi == 120 ? 100 : 0;
  if (Target == 0) return;
  const int Frame = frameGeometry().height() - geometry().height();
  setFixedHeight(std::max(Target - Frame, minimumSizeHint().height()));
}

void TMainForm::OnNewProject() { Parts.NewProjectWindow()->SetProjectFileName(QStringLiteral("Unsaved")); }

void TMainForm::OnOpenProject() {
  const QString Path = Dialogs().OpenFileName(this, ProjectFileDialog(true));
  if (!Path.isEmpty()) OpenProjectFile(Path);
}

void TMainForm::OpenProjectFile(const QString& Path) {
  TProjectForm* Project = Parts.NewProjectWindow();
  RunGuarded(Project, [&] {
    // A file that is no project file is not saved over without asking.
    const bool Loaded = Project->LoadProjectFile(Path);
    Project->SetProjectFileName(Loaded ? Path : QStringLiteral("Unsaved"));
    if (Loaded) AddRecentProject(Path);
  });
}

void TMainForm::ShowRecentProjects() {
  RecentProjectsMenu->clear();
  const QStringList Paths = RecentProjects();
  for (int Index = 0; Index < Paths.size(); ++Index) {
    const QString& Path = Paths[Index];
    RecentProjectsMenu->addAction(
        QStringLiteral("&%1 %2").arg(Index + 1).arg(QString(Path).replace('&', QLatin1String("&&"))),
        [this, Path] { OpenRecentProject(Path); });
  }
  RecentProjectsMenu->setEnabled(!Paths.isEmpty());
}

void TMainForm::OpenRecentProject(const QString& Path) {
  if (QFileInfo::exists(Path)) {
    OpenProjectFile(Path);
    return;
  }
  RemoveRecentProject(Path);
  Dialogs().MessageDlg(this, "The project file " + Path + " no longer exists; it is removed from the recent projects.",
                       TDlgType::Warning, dbOK);
}

bool TMainForm::OpenDroppedProjects(const QMimeData& Data) {
  const QStringList Paths = DroppedProjects(Data);
  for (const QString& Path : Paths) OpenProjectFile(Path);
  return !Paths.isEmpty();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) { TakeAsCopy(*Event); }

void TMainForm::dragMoveEvent(QDragMoveEvent* Event) { TakeAsCopy(*Event); }

void TMainForm::dropEvent(QDropEvent* Event) {
  if (TakeAsCopy(*Event)) OpenDroppedProjects(*Event->mimeData());
}

void TMainForm::OnSaveProject() {
  if (TProjectForm* Project = Parts.OpenProjects.Newest())
    RunGuarded(Project, [Project] { Project->SaveProjectFile(QString()); });
}

void TMainForm::OnSaveProjectAs() {
  // Without a project window there is nothing to save, so no dialog either.
  if (!Parts.OpenProjects.Newest()) return;
  const QString Path = Dialogs().SaveFileName(this, ProjectFileDialog(false));
  TProjectForm* Project = Parts.OpenProjects.Newest();
  if (!Path.isEmpty() && Project) RunGuarded(Project, [&] { Project->SaveProjectFile(Path); });
}

void TMainForm::OnCloseLast() {
  if (TProjectForm* Project = Parts.OpenProjects.Newest()) Project->close();
}

void TMainForm::OnExit() { ExitProgram(); }

void TMainForm::closeEvent(QCloseEvent* Event) {
  if (!ExitProgram()) {
    Event->ignore();
    return;
  }
  Event->accept();
  hide();
}

bool TMainForm::ExitProgram() {
  // Copied: a closed window leaves the list only when it is freed.
  for (TProjectForm* Project : QList<TProjectForm*>(Parts.OpenProjects.All()))
    if (!Project->close()) return false;
  Parts.LifetimeWindow.close();
  return true;
}

void TMainForm::OnShowViewMenu() {
  LogWindowAction->setChecked(Parts.LogWindow.isVisible());
  AlarmWindowAction->setChecked(Parts.AlarmWindow.isVisible());
}

void TMainForm::OnAlarmWindow() {
  Parts.AlarmWindow.setVisible(!Parts.AlarmWindow.isVisible());
  AlarmWindowAction->setChecked(Parts.AlarmWindow.isVisible());
}

void TMainForm::OnLogWindow() {
  Parts.LogWindow.setVisible(!Parts.LogWindow.isVisible());
  LogWindowAction->setChecked(Parts.LogWindow.isVisible());
}

void TMainForm::OnEditStructureFile() {
  TFileDialogOptions Options;
  Options.Title = QStringLiteral("Open structure file");
  Options.Filter = QStringLiteral("Structure Files (*.structure)|*.structure|All Files (*.*)|*.*");
  Options.MustExist = true;
  const QString Path = Dialogs().OpenFileName(this, Options);
  if (!Path.isEmpty() && !Dialogs().OpenInEditor(Path))
    Dialogs().MessageDlg(this, "No program is set up to open " + Path + ".", TDlgType::Error, dbOK);
}

void TMainForm::OnAbout() {
  Dialogs().MessageDlg(this, "RIRA Zaze Rere\r\n" + QString::fromLatin1(VersionText), TDlgType::Information, dbOK);
}
