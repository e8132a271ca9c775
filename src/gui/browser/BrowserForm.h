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
class QTreeView;

class TBrowserForm : public QWidget, public TBrowserWindow, private THexViewOwner {
 public:
  TBrowserForm();
  ~TBrowserForm() override;

  QWidget* Window() override { return this; }
  void SetProject(const TProject& Project, TWindowOwner& Owner) override;
  void AppendFrames(int Source, TDecodedNode* First) override;
  void FocusSerial(std::int32_t SerialNo) override;

  const TProject* Project = nullptr;
  TWindowOwner* Owner = nullptr;
  TFramesDefinition* Definition = nullptr;
  TFilterForm* FilterDialog;

  QToolButton* ToolButton1;  // "Edit Filters"
  QToolButton* ToolButton2;  // "Edit Alarms"
  QToolButton* ToolButton3;  // "Export data visible in this browser"
  QLineEdit* EditSearch;
  QToolButton* ToolButton5;  // "Search next"
  QLineEdit* EditSort;
  QToolButton* ButtonSearch;  // sorts
  QTreeView* vtv;
  QStatusBar* StatusBar1;
  QLabel* Panels[3];
  QMenu* PopupMenu1;
  QAction* Expandall1;
  QAction* Collapseall1;
  QAction* ExpandtoDataSeries1;
  QMenu* AddToPlot1;  // one entry per open plot, by caption
  QAction* Sortafterthis1;
  QAction* Filterout1;
  QAction* Filterin1;
  QAction* ShowinData1;
  QAction* AddAlarm1;
  QAction* ShowinHexViewer1;
  QAction* Searchfor1;   // Ctrl+F
  QAction* Searchnext1;  // F3

  // Empty until the project is set.
  std::array<std::int32_t, MaxBrowserSources> ShownFrames() const;
  std::string SortKey() const;
  std::vector<std::string> FilterIn() const;
  std::vector<std::string> FilterOut() const;
  TBrowserModel* Model() const { return TreeModel; }
  const TDecodedNode* FocusedNode() const;

  // Enter in the sort field, or its button: sorts by the typed name.
  void ButtonSortClick();
  // Enter in the search field, its button or F3: focuses the next match
  // after the focused node, or says in the status bar that there is none.
  void ToolButton5Click();
  // Ctrl+F: to the search field.
  void Searchfor1Click();
  void Expandall1Click();
  void Collapseall1Click();
  void Sortafterthis1Click();
  void ToolButton1Click();
  void ToolButton2Click() { AddAlarm1Click(); }
  void ToolButton3Click();
  void Filterout1Click() { AddToFilter(*FilterDialog->MemoFilterOut); }
  void Filterin1Click() { AddToFilter(*FilterDialog->MemoFilterIn); }
  void ExpandtoDataSeries1Click();
  // Lists the open plots in AddToPlot1; each adds the focused variable to its plot.
  void AddToPlot1Show();
  void AddAlarm1Click();
  void ShowinHexViewer1Click();
  void ApplyFilters();
  // Shift+Page Up / Down: the previous / next node of the focused node's name.
  void vtvKeyAction(bool Down);
  // The status bar's element, BaseFrame and filter counts.
  void vtvAfterPaint();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  // Sorts again by the sort key in force.
  void Resort();
  void BuildWindow();
  void AddToFilter(class QPlainTextEdit& Memo);
  void ShowIndex(const QModelIndex& Index);
  const TDefinitionEntry* FocusedRow() const;
  std::int64_t ShownFrameBeside(const TMemoryStream& Stream, std::int64_t Start, bool After) const override;

  std::unique_ptr<TBrowserTree> Tree;
  TBrowserModel* TreeModel = nullptr;
  // The name column has been fitted to the first BaseFrames shown.
  bool NameColumnFitted = false;
};
