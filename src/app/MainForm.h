#pragma once
// The main window: project commands, the log window's visibility, the
// structure file editor and the About notice.
#include <QMainWindow>
#include <functional>

class QAction;
class QMenu;
class QMimeData;
class QToolBar;
class TOpenProjects;
class TProjectForm;

// The program's windows the main window works with; they outlive it.
struct TMainWindowParts {
  std::function<TProjectForm*()> NewProjectWindow;  // opens one, shown
  TOpenProjects& OpenProjects;                      // the last-project commands act on the newest
  QWidget& LogWindow;                               // shown and hidden from the View menu
  QWidget& AlarmWindow;                             // likewise
  QWidget& LifetimeWindow;                          // closing it ends the program
};

class TMainForm : public QMainWindow {
 public:
  explicit TMainForm(const TMainWindowParts& Parts);

  // What "O&pen Project ..." does once its dialog has given a path.
  void OpenProjectFile(const QString& Path);
  // Opens a project of the recent list, or drops a file that is gone from it.
  void OpenRecentProject(const QString& Path);
  // Opens the project files among the dropped local files; false when there
  // were none.
  bool OpenDroppedProjects(const QMimeData& Data);

 protected:
  void closeEvent(QCloseEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

 private:
  TMainWindowParts Parts;
  QMenu* FileMenu;
  QMenu* ViewMenu;
  QMenu* ToolsMenu;
  QMenu* HelpMenu;
  QAction* NewProjectAction;
  QAction* OpenProjectAction;
  QAction* SaveProjectAction;
  QAction* SaveProjectAsAction;
  QMenu* RecentProjectsMenu;
  QAction* CloseLastAction;
  QAction* ExitAction;
  QAction* LogWindowAction;
  QAction* AlarmWindowAction;
  QAction* EditStructureFileAction;
  QAction* AboutAction;
  QToolBar* ToolBar;

  void OnNewProject();
  void OnOpenProject();
  void OnSaveProject();
  void OnSaveProjectAs();
  void OnCloseLast();
  void OnExit();
  void OnShowViewMenu();
  void OnLogWindow();
  void OnAlarmWindow();
  void OnEditStructureFile();
  void OnAbout();
  void FormCanResize();
  // Closes the project windows, each asking to save its changes, then ends
  // the program; false, with the program running, when one stays open.
  bool ExitProgram();
  void ShowRecentProjects();
};
