#pragma once
// A packet browser: the decoded BaseFrames of a project as a tree, with
// search, sorting, filters, export and the commands that hand a node to other
// windows.
#include <QModelIndex>
#include <QWidget>
#include <memory>

#include "browser/BrowserModel.h"
#include "browser/BrowserTree.h"
#include "browser/FilterForm.h"
#include "browser/HexViewOwner.h"
#include "project/ProjectWindows.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolButton;
class TLongTreeView;

class TBrowserForm : public QWidget, public TBrowserWindow, private THexViewOwner {
 public:
  TBrowserForm();
  ~TBrowserForm() override;

  QWidget* Window() override { return this; }
  void SetProject(const TProject& Project, TWindowOwner& Owner) override;
  void AppendFrames(int Source, const TData& Data) override;
  void FocusSerial(std::int64_t SerialNo) override;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  const TProject* Project = nullptr;
  TWindowOwner* Owner = nullptr;
  TFramesDefinition* Definition = nullptr;
  TFilterForm* FilterDialog;
  QToolButton* FiltersButton;  // "Edit Filters"
  QToolButton* AlarmButton;    // "Edit Alarms"
  QToolButton* ExportButton;   // "Export data visible in this browser"
  QLineEdit* SearchEdit;
  QToolButton* SearchNextButton;  // "Search next"
  QLineEdit* SortEdit;
  QToolButton* SortButton;  // sorts
  TLongTreeView* TreeView;
  QStatusBar* StatusBar;
  QLabel* Panels[3];
  QMenu* ContextMenu;
  QAction* ExpandAllAction;
  QAction* CollapseAllAction;
  QAction* PlotSeriesAction;
  QMenu* AddToPlotMenu;  // one entry per open plot, by caption
  QAction* SortByThisAction;
  QAction* FilterOutAction;
  QAction* FilterInAction;
  QAction* ShowInDataAction;
  QAction* AddAlarmAction;
  QAction* ShowInHexViewerAction;
  QAction* SearchForAction;   // Ctrl+F
  QAction* SearchNextAction;  // F3

  // Enter in the sort field, or its button: sorts by the typed name.
  void OnSort();
  // Enter in the search field, its button or F3: focuses the next match
  // after the focused node, or says in the status bar that there is none.
  void OnSearchNext();
  // Ctrl+F: to the search field.
  void OnSearchFor();
  void OnExpandAll();
  void OnCollapseAll();
  void OnSortByThis();
  void OnEditFilters() { EditFilters(TFilterChoice()); }
  void OnExport();
  void OnFilterOut() { AddToFilter(false); }
  void OnFilterIn() { AddToFilter(true); }
  void OnPlotSeries();
  // Lists the open plots in AddToPlotMenu; each adds the focused variable to its plot.
  void OnShowAddToPlot();
  void OnAddAlarm();
  void OnShowInHexViewer();
  void ApplyFilters();
  // Shift+Page Up / Down: the previous / next node of the focused node's name.
  void StepSameName(bool Down);
  // The status bar's element, BaseFrame and filter counts.
  void ShowCounts();
  // Sorts again by the sort key in force.
  void Resort();
  void BuildWindow();
  // Runs the filter dialog on Shown's lines followed by the filters in force
  // and applies what it returns.
  void EditFilters(TFilterChoice Shown);
  // The focused node's name, first in the filter in or out.
  void AddToFilter(bool In);
  void ShowIndex(const QModelIndex& Index);
  // The filters in force; none until the project is set.
  std::vector<std::string> FilterIn() const;
  std::vector<std::string> FilterOut() const;
  const TDecodedNode* FocusedNode() const;
  const TDefinitionEntry* FocusedRow() const;
  std::int64_t ShownFrameBeside(int Source, std::int64_t Start, bool After) const override;
  std::int64_t DataSize(int Source) const override;
  bool ReadData(int Source, std::int64_t Start, std::span<std::uint8_t> Into) const override;

  std::unique_ptr<TBrowserTree> Tree;
  TBrowserModel* TreeModel = nullptr;
  // The name column has been fitted to the first BaseFrames shown.
  bool NameColumnFitted = false;
};
