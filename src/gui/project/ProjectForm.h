#pragma once
// The project window: the files, the Offset Time and tracking of a project,
// its load button, its alarm and plot lists and its status bar.
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "project/AlarmNotices.h"
#include "project/Project.h"
#include "project/ProjectWindows.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QSpinBox;
class QStatusBar;
class QToolButton;
class TAlarmForm;
class TAlarmListModel;
class TOpenProjects;
class TPlotListModel;

// The window of one project: it moves values between its widgets and the
// project's settings, asks its questions through the dialogs interface and
// opens the project's browser and plot windows.
class TProjectForm : public QWidget, public TWindowOwner {
 public:
  // The window shows itself and is in OpenProjects while it lives; both outlive
  // it. Makers make its browser and plot windows.
  TProjectForm(TAlarmForm& AlarmDialog, TOpenProjects& OpenProjects, TWindowMakers Makers);
  ~TProjectForm() override;

  TProject& Model() { return Project; }
  const TProject& Model() const { return Project; }
  // The file the project saves to, "Unsaved" for none, and the title naming it.
  void SetProjectFileName(const QString& Name);

  TBrowserWindow* OpenBrowser();
  // Requester: this window for its own plot list, otherwise the browser that asked.
  TPlotWindow* OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                        const QString& SortVar) override;
  void OpenBrowserAt(std::int64_t SerialNo) override;
  void FeedBrowser(TBrowserWindow& Browser) override;
  std::vector<TPlotWindow*> OpenPlots() const override;
  // The plot list entry of the plot keeps the variable.
  void PlotVariableAdded(const TPlotWindow& Plot, const QString& Name) override;
  void AddAlarm(const QString& VarName) override;

  // Writes to Path; without one to the project's file, or, for an unsaved
  // project, to the file the save dialog gives. False when the dialog was
  // cancelled; throws when the file cannot be read or written.
  bool SaveProjectFile(const QString& Path);
  // false, with the window unchanged, for a file that is no project file.
  bool LoadProjectFile(const QString& Path);

  QString StatusText() const;
  // The plot open for the plot list's entry at Row, or none.
  TPlotWindow* ListedPlot(int Row) const;

 protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  QGroupBox* SettingsGroup;
  QToolButton* LoadButton;
  QToolButton* BrowserButton;
  QToolButton* AlarmsOnButton;
  QToolButton* AlarmsOffButton;
  QToolButton* SaveButton;
  QComboBox* StructureFileCombo;
  QLineEdit* PacketFileEdit;
  QLineEdit* SecondPacketFileEdit;
  QLineEdit* OffsetTimeEdit;
  QToolButton* StructureFileButton;     // "..." of the structure file
  QToolButton* PacketFileButton;        // "..." of the packet file
  QToolButton* SecondPacketFileButton;  // "..." of the second packet file
  QCheckBox* TrackingCheck;
  QSpinBox* UpdateIntervalSpin;  // seconds
  QCheckBox* UpdateOnFileChangeCheck;
  QCheckBox* NoticesCheck;  // alarm notices on or off, also while loaded
  QCheckBox* ResyncCheck;
  QGroupBox* AlarmGroup;
  QListView* AlarmList;
  QToolButton* AddAlarmButton;
  QToolButton* RemoveAlarmButton;
  QGroupBox* PlotGroup;
  QListView* PlotList;
  QToolButton* AddPlotButton;
  QToolButton* RemovePlotButton;
  QStatusBar* StatusBar;
  QWidget* StatePanel;  // drawn by DrawStatePanel
  QLabel* BrowserCountLabel;
  QLabel* PlotCountLabel;
  QLabel* SpareLabel;

  // The handlers of the widgets.
  void OnLoad();
  void OnOpenBrowser() { OpenBrowser(); }
  void OnChooseFile(QToolButton* Sender);
  void OnFileEditChange(QLineEdit* Sender);
  void OnStructureFileChange();
  void OnActivateAlarms();
  void OnDisableAlarms();
  void OnSave();
  void OnAddAlarm() { AddAlarm(QString()); }
  void OnRemoveAlarm();
  void OnEditAlarm(const QModelIndex& Index);
  void OnAddPlot();
  void OnRemovePlot();
  void OnPlotChecked(int Row, bool Checked);

  TAlarmForm& AlarmDialog;
  TOpenProjects& OpenProjects;
  const TWindowMakers Makers;
  TProject Project;
  QString ProjectFileName;
  TAlarmNotices AlarmNotices;
  TAlarmListModel* AlarmRows;
  TPlotListModel* PlotRows;
  friend class TStatusPanel;
  void FormCreate();
  void BuildWindow();
  void LoadData();
  void BlankProject();
  void ShowState();
  void SetEmptyState(bool Empty);
  void SetStatus(const QString& Text);
  // The file fields, tracking and Offset Time into the project's settings.
  void TakeFields();
  // The close question, asked only when the settings changed since the last
  // load or save; false when the window is to stay open.
  bool ClosingSavesOrDiscards();
  // Opens the plot of a plot list entry with the variables added to it.
  TPlotWindow* OpenListedPlot(const TDataSeries& Entry);
  bool EditAlarm(TAlarmEntry& Alarm);
  void DrawStatePanel(class QPainter& Painter, const QRect& Rect);
  // Unchecks the selected entry, which may let events run, then deletes the
  // entry and its settings, if the events left it in place.
  void DeleteSelectedRow(QListView* List);
  // Status panels 1 and 2: the number of open browser / plot windows.
  void ShowBrowserCount();
  void ShowPlotCount();
  // A browser or plot window of this project is gone.
  void BrowserClosed(TBrowserWindow* Browser);
  void PlotClosed(TPlotWindow* Plot);
  // A plot list entry's plot is taking the entry's added variables.
  bool AddingListedVariables = false;
  bool Closing = false;
  QString FStatus;
};
