#pragma once
// The project window: the files, the Offset Time and tracking of a project,
// its load button, its alarm and plot lists and its status bar.
#include <QListWidgetItem>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "project/AlarmNotices.h"
#include "project/Project.h"
#include "project/ProjectWindows.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QStatusBar;
class QToolButton;
class TAlarmForm;
class TOpenProjects;

// A plot list entry and the plot window opened for it, if any.
class TPlotItem : public QListWidgetItem {
 public:
  TPlotWindow* Plot = nullptr;
  bool WasChecked = false;
};

// The window of one project: it moves values between its widgets and the
// project's settings, asks its questions through the dialogs interface and
// opens the project's browser and plot windows.
class TProjectForm : public QWidget, public TWindowOwner {
 public:
  // The window is in OpenProjects while it lives; both outlive it.
  TProjectForm(TAlarmForm& AlarmDialog, TOpenProjects& OpenProjects);
  ~TProjectForm() override;

  TProject& Model() { return Project; }
  const TProject& Model() const { return Project; }
  QString ProjectFileName;

  TBrowserWindow* OpenBrowser();
  // Requester: this window for its own plot list, otherwise the browser that asked.
  TPlotWindow* OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                        const QString& SortVar) override;
  void OpenBrowserAt(std::int32_t SerialNo) override;
  void FeedBrowser(TBrowserWindow& Browser) override;
  std::vector<TPlotWindow*> OpenPlots() const override;
  // The plot list entry of the plot keeps the variable.
  void PlotVariableAdded(const TPlotWindow& Plot, const QString& Name) override;
  void BrowserClosed(TBrowserWindow* Browser);
  void PlotClosed(TPlotWindow* Plot);
  void UnloadProject();
  void AddAlarm(const QString& VarName) override;

  // Writes to Path; without one to the project's file, or, for an unsaved
  // project, to the file the save dialog gives. False when the dialog was
  // cancelled; throws when the file cannot be read or written.
  bool SaveProjectFile(const QString& Path);
  // false, with the window unchanged, for a file that is no project file.
  bool LoadProjectFile(const QString& Path);

  QString StatusText() const;
  int AlarmCount() const;
  QListWidgetItem* AlarmItem(int Row) const;
  TPlotItem* PlotItem(int Row) const;

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
  QListWidget* AlarmList;
  QToolButton* AddAlarmButton;
  QToolButton* RemoveAlarmButton;
  QGroupBox* PlotGroup;
  QListWidget* PlotList;
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
  void OnEditAlarm();
  void OnAddPlot();
  void OnRemovePlot();
  void OnPlotItemChange(QListWidgetItem* Item);

  TAlarmForm& AlarmDialog;
  TOpenProjects& OpenProjects;
  TProject Project;
  TAlarmNotices AlarmNotices;
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
  // Entries of the lists for the project's settings from Row on.
  void ShowAlarmRows(std::size_t Row);
  void ShowPlotRows(std::size_t Row);
  void ShowAlarmCaption(int Row);
  void AppendPlotItem(const QString& Caption, bool Checked, TPlotWindow* Plot);
  // Opens the plot of a plot list entry with the variables added to it.
  TPlotWindow* OpenListedPlot(const TDataSeries& Entry);
  void OnAlarmItemChange(QListWidgetItem* Item);
  bool EditAlarm(TAlarmEntry& Alarm);
  void DrawStatePanel(class QPainter& Painter, const QRect& Rect);
  // Unchecks the selected entry, lets pending events run, then deletes the
  // entry and its settings, if the events left it in place.
  void DeleteSelectedItem(QListWidget* List, const std::function<void(int Row)>& EraseSetting);
  // Status panels 1 and 2: the number of open browser / plot windows.
  void ShowBrowserCount();
  void ShowPlotCount();
  bool PlotListUpdating = false;
  // A plot list entry's plot is taking the entry's added variables.
  bool AddingListedVariables = false;
  bool Closing = false;
  QString FStatus;
};
