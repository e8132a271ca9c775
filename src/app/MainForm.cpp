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
#include "log/AlarmHitsForm.h"
#include "log/LogForm.h"
#include "project/ProjectForm.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/RecentProjects.h"

TMainForm* MainForm = nullptr;

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

TMainForm::TMainForm() {
  setWindowTitle(QStringLiteral("Vorex Data Tracker and Browser"));
  setAttribute(Qt::WA_DeleteOnClose, false);

  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  NewProject1 = File1->addAction(QStringLiteral("&New Project ..."), [this] { NewProject1Click(); });
  File1->addSeparator();
  OpenProject1 = File1->addAction(QStringLiteral("O&pen Project ..."), [this] { OpenProject1Click(); });
  SaveProject2 = File1->addAction(QStringLiteral("&Save last Project"), [this] { SaveProject2Click(); });
  SaveProject1 = File1->addAction(QStringLiteral("Sa&ve last Project as..."), [this] { SaveProject1Click(); });
  Closeall1 = File1->addAction(QStringLiteral("Close last"), [this] { Closeall1Click(); });
  File1->addSeparator();
  RecentProjects1 = File1->addMenu(QStringLiteral("&Recent Projects"));
  connect(RecentProjects1, &QMenu::aboutToShow, this, [this] { ShowRecentProjects(); });
  File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("&Exit"), [this] { Exit1Click(); });

  View1 = menuBar()->addMenu(QStringLiteral("&View"));
  connect(View1, &QMenu::aboutToShow, this, [this] { View1Click(); });
  LogWindow1 = View1->addAction(QStringLiteral("Log Window"), [this] { LogWindow1Click(); });
  LogWindow1->setCheckable(true);
  LogWindow1->setChecked(true);
  AlarmWindow1 = View1->addAction(QStringLiteral("Alarm Window"), [this] { AlarmWindow1Click(); });
  AlarmWindow1->setCheckable(true);
  AlarmWindow1->setChecked(true);

  Tools1 = menuBar()->addMenu(QStringLiteral("&Tools"));
  EditStructurefile1 =
      Tools1->addAction(QStringLiteral("Edit Structure file ..."), [this] { EditStructurefile1Click(); });
  Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
  About1 = Help1->addAction(QStringLiteral("About..."), [this] { About1Click(); });
  SetShortcut(NewProject1, QKeySequence::New);
  SetShortcut(OpenProject1, QKeySequence::Open);
  SetShortcut(SaveProject2, QKeySequence::Save);
  SetShortcut(SaveProject1, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  SetShortcut(Closeall1, QKeySequence(Qt::CTRL | Qt::Key_W));
  SetShortcut(Exit1, QKeySequence(Qt::CTRL | Qt::Key_Q));
  SetShortcut(LogWindow1, QKeySequence(Qt::CTRL | Qt::Key_L));
  SetShortcut(About1, QKeySequence(Qt::Key_F1));
  setAcceptDrops(true);

  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->addAction(PictureIcon(TPicture::NewProject), QStringLiteral("New Project"), [this] { NewProject1Click(); });
  ToolBar1->addAction(PictureIcon(TPicture::OpenProject), QStringLiteral("Open Project"),
                      [this] { OpenProject1Click(); });
  ToolBar1->addAction(PictureIcon(TPicture::SaveProjectAs), QStringLiteral("Save last Project as"),
                      [this] { ToolButton3Click(); });
  ToolBar1->addSeparator();
  statusBar()->setSizeGripEnabled(false);
  resize(399, 90);
  move(0, 0);
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
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

void TMainForm::NewProject1Click() {
  auto* Project = new TProjectForm;
  Project->ProjectFileName = QStringLiteral("Unsaved");
  Project->setWindowTitle("Project Setup - " + Project->ProjectFileName);
  Project->show();
}

void TMainForm::OpenProject1Click() {
  const QString Path = Dialogs().OpenFileName(this, ProjectFileDialog(true));
  if (!Path.isEmpty()) OpenProjectFile(Path);
}

void TMainForm::OpenProjectFile(const QString& Path) {
  auto* Project = new TProjectForm;
  Project->show();
  RunGuarded(Project, [&] {
    // A file that is no project file is not saved over without asking.
    const bool Loaded = Project->LoadProjectFile(Path);
    Project->ProjectFileName = Loaded ? Path : QStringLiteral("Unsaved");
    Project->setWindowTitle("Project Setup - " + Project->ProjectFileName);
    if (Loaded) AddRecentProject(Path);
  });
}

void TMainForm::ShowRecentProjects() {
  RecentProjects1->clear();
  const QStringList Paths = RecentProjects();
  for (int Index = 0; Index < Paths.size(); ++Index) {
    const QString Path = Paths[Index];
    RecentProjects1->addAction(
        QStringLiteral("&%1 %2").arg(Index + 1).arg(QString(Path).replace('&', QLatin1String("&&"))),
        [this, Path] { OpenRecentProject(Path); });
  }
  RecentProjects1->setEnabled(!Paths.isEmpty());
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

void TMainForm::SaveProject2Click() {
  if (ProjectForm) RunGuarded(ProjectForm, [] { ProjectForm->SaveProjectFile(QString()); });
}

void TMainForm::SaveProject1Click() {
  // Without a project window there is nothing to save, so no dialog either.
  if (!ProjectForm) return;
  const QString Path = Dialogs().SaveFileName(this, ProjectFileDialog(false));
  if (!Path.isEmpty() && ProjectForm) RunGuarded(ProjectForm, [&] { ProjectForm->SaveProjectFile(Path); });
}

void TMainForm::Closeall1Click() {
  if (ProjectForm) ProjectForm->close();
}

void TMainForm::Exit1Click() { ExitProgram(); }

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
  for (TProjectForm* Project : QList<TProjectForm*>(TProjectForm::OpenProjects()))
    if (!Project->close()) return false;
  WelcomeForm->close();
  return true;
}

void TMainForm::View1Click() {
  LogWindow1->setChecked(LogForm && LogForm->isVisible());
  AlarmWindow1->setChecked(AlarmHitsForm && AlarmHitsForm->isVisible());
}

void TMainForm::AlarmWindow1Click() {
  if (!AlarmHitsForm) return;
  AlarmHitsForm->setVisible(!AlarmHitsForm->isVisible());
  AlarmWindow1->setChecked(AlarmHitsForm->isVisible());
}

void TMainForm::LogWindow1Click() {
  if (!LogForm) return;
  LogForm->setVisible(!LogForm->isVisible());
  LogWindow1->setChecked(LogForm->isVisible());
}

void TMainForm::EditStructurefile1Click() {
  TFileDialogOptions Options;
  Options.Title = QStringLiteral("Open structure file");
  Options.Filter = QStringLiteral("Structure Files (*.structure)|*.structure|All Files (*.*)|*.*");
  Options.MustExist = true;
  const QString Path = Dialogs().OpenFileName(this, Options);
  if (!Path.isEmpty() && !Dialogs().OpenInEditor(Path))
    Dialogs().MessageDlg(this, "No program is set up to open " + Path + ".", TDlgType::Error, dbOK);
}

void TMainForm::About1Click() {
  Dialogs().MessageDlg(this, "RIRA Zaze Rere\r\n" + WelcomeForm->Label1->text(), TDlgType::Information, dbOK);
}
