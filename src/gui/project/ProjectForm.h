#pragma once
// One project: its files, the load of structure and data, the fan-out of new
// BaseFrames to alarms, plots and browsers, the alarm and plot lists.
#include <QList>
#include <QListWidgetItem>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/RootCursor.h"
#include "project/AlarmEntry.h"
#include "project/ProjectFile.h"
#include "project/ProjectWindows.h"
#include "widgets/PendingEvents.h"
#include "structure/QuorinFramesDefinition.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QStatusBar;
class QToolButton;

// An alarm list entry; the list owns it and with it the alarm.
class TAlarmItem : public QListWidgetItem {
 public:
  explicit TAlarmItem(const TAlarmEntry& Alarm) : Alarm(Alarm) {}
  TAlarmEntry Alarm;
  void UpdateCaption();
};

// A plot list entry and the plot window opened for it, if any.
class TPlotItem : public QListWidgetItem {
 public:
  TPlotWindow* Plot = nullptr;
  bool WasChecked = false;
};

class TProjectForm : public QWidget {
 public:
  TProjectForm();
  ~TProjectForm() override;

  std::int32_t HandledFramesA = 0;
  std::int32_t HandledFramesB = 0;
  QList<TBrowserWindow*> Browsers;
  QList<TPlotWindow*> Plots;
  std::unique_ptr<TData> DataA;
  std::unique_ptr<TData> DataB;
  bool DataLoaded = false;
  QString ProjectFileName;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::vector<std::string> Messages;
  double StartTime = 0;

  QGroupBox* GroupBox1;
  QToolButton* ToolButton1;
  QToolButton* ToolButton2;
  QToolButton* ToolButton3;
  QToolButton* ToolButton5;
  QToolButton* ToolButton7;
  QComboBox* ComboBox1;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QToolButton* SpeedButton1;  // "..." of the structure file
  QToolButton* SpeedButton2;  // "..." of the packet file
  QToolButton* SpeedButton7;  // "..." of the second packet file
  QCheckBox* Tracking;
  QGroupBox* GroupBox2;
  QListWidget* ListView1;
  QToolButton* SpeedButton3;
  QToolButton* SpeedButton4;
  QGroupBox* GroupBox3;
  QListWidget* ListView2;
  QToolButton* SpeedButton5;
  QToolButton* SpeedButton6;
  QStatusBar* StatusBar1;
  QWidget* Panel0;  // drawn by StatusBar1DrawPanel
  QLabel* Panel1;
  QLabel* Panel2;
  QLabel* Panel3;

  // Commands and handlers.
  void Button1Click();
  void Button2Click() { OpenBrowser(); }
  void SpeedButton1Click(QToolButton* Sender);
  void Edit1Change(QLineEdit* Sender);
  void ComboBox1Change();
  void ToolButton3Click();
  void ToolButton5Click();
  void ToolButton7Click();
  void SpeedButton3Click() { AddAlarm(QString()); }
  void SpeedButton4Click();
  void ListView1DblClick();
  void SpeedButton5Click();
  void SpeedButton6Click();
  void ListView2Change(QListWidgetItem* Item);

  TBrowserWindow* OpenBrowser();
  // Requester: this window for its own plot list, otherwise the browser that asked.
  TPlotWindow* OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                        const QString& SortVar);
  void FeedBrowser(TBrowserWindow* Browser);
  void HandleNewFrames(TData& Sender);
  void BrowserClosed(TBrowserWindow* Browser);
  void PlotClosed(TPlotWindow* Plot);
  void UnloadProject();
  void AddAlarm(const QString& VarName);
  void CheckAlarm(const TDecodedNode* First, const TAlarmEntry& Alarm);

  // false when the save dialog was cancelled; throws when the file cannot be read or written.
  bool SaveProjectFile(const QString& Path);
  void LoadProjectFile(const QString& Path);

  QString StatusText() const;
  int AlarmCount() const;
  TAlarmItem* AlarmItem(int Row) const;
  TPlotItem* PlotItem(int Row) const;
  TProjectSettings Settings() const;

  // The project windows open now, oldest first.
  static const QList<TProjectForm*>& OpenProjects();

 protected:
  void closeEvent(QCloseEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  // Where HandleNewFrames stopped in each holder's list.
  TRootCursor HandledCursorA, HandledCursorB;
  friend class TStatusPanel;
  void FormCreate();
  void BuildWindow();
  void LoadData();
  void BlankProject();
  void SetEmptyState(bool Empty);
  void SetStatus(const QString& Text);
  TData& StartData(const QString& FileName, std::int32_t SerialBase);
  void AppendPlotItem(const QString& Caption, bool Checked, TPlotWindow* Plot);
  void AppendAlarmItem(const TAlarmEntry& Alarm, bool Active);
  bool EditAlarm(TAlarmEntry& Alarm);
  void StatusBar1DrawPanel(class QPainter& Painter, const QRect& Rect);
  bool RefuseWhileBusy(const char* What);
  void DeleteSelectedItem(QListWidget* List);
  // Status panels 1 and 2: the number of open browser / plot windows.
  void ShowBrowserCount();
  void ShowPlotCount();
  bool PlotListUpdating = false;
  bool Closing = false;
  QString FStatus;
};

// The newest open project window, or none.
extern QPointer<TProjectForm> ProjectForm;
