#pragma once
// The main window: project commands, the log window's visibility, the
// structure file editor and the About notice.
#include <QMainWindow>

class QAction;
class QMenu;
class QMimeData;
class QToolBar;

class TMainForm : public QMainWindow {
 public:
  TMainForm();
  ~TMainForm() override;

  QMenu* File1;
  QMenu* View1;
  QMenu* Tools1;
  QMenu* Help1;
  QAction* NewProject1;
  QAction* OpenProject1;
  QAction* SaveProject2;
  QAction* SaveProject1;
  QMenu* RecentProjects1;
  QAction* Closeall1;
  QAction* Exit1;
  QAction* LogWindow1;
  QAction* AlarmWindow1;
  QAction* EditStructurefile1;
  QAction* About1;
  QToolBar* ToolBar1;

  void NewProject1Click();
  void OpenProject1Click();
  void SaveProject2Click();
  void SaveProject1Click();
  void ToolButton3Click() { SaveProject1Click(); }
  void Closeall1Click();
  void Exit1Click();
  void View1Click();
  void LogWindow1Click();
  void AlarmWindow1Click();
  void EditStructurefile1Click();
  void About1Click();

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
  void FormCanResize();
  // Closes the project windows, each asking to save its changes, then ends
  // the program; false, with the program running, when one stays open.
  bool ExitProgram();
  void ShowRecentProjects();
};

extern TMainForm* MainForm;
