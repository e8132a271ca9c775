#include "browser/BrowserForm.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "browser/BrowserExport.h"
#include "browser/BrowserSearch.h"
#include "browser/BrowserTexts.h"
#include "browser/HexViewForm.h"
#include "common/AtomicFile.h"
#include "common/Log.h"
#include "structure/InstrumentNames.h"
#include "widgets/Dialogs.h"
#include "widgets/LongTreeView.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/TextBridge.h"

namespace {

constexpr int HintDisplayTime = 5000;
// How long a search note stays in the status bar.
constexpr int NoteDisplayTime = 10000;

// Draws a horizontal grid line below every cell.
class TGridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
    QStyledItemDelegate::paint(Painter, Option, Index);
    Painter->save();
    Painter->setPen(QColor(224, 224, 224));
    Painter->drawLine(Option.rect.bottomLeft(), Option.rect.bottomRight());
    Painter->restore();
  }
};

}  // namespace

TBrowserForm::TBrowserForm() : QWidget(nullptr, Qt::Tool) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Browser"));
  setFont(VerdanaFont());
  resize(542, 519);
  BuildWindow();
  FilterDialog = new TFilterForm(this);
  ShowCounts();
  show();
}

TBrowserForm::~TBrowserForm() {
  // The model refers to the tree, which goes before the child widgets do.
  TreeView->setModel(nullptr);
  delete TreeModel;
}

void TBrowserForm::BuildWindow() {
  auto* ToolBar = new QToolBar(this);
  ToolBar->setIconSize(QSize(16, 16));
  FiltersButton = AddToolButton(ToolBar, TPicture::Filter, "Edit Filters");
  AlarmButton = AddToolButton(ToolBar, TPicture::AlarmsOn, "Edit Alarms");
  ExportButton = AddToolButton(ToolBar, TPicture::Export, "Export data visible in this browser");
  ToolBar->addSeparator();
  ToolBar->addWidget(new QLabel(QStringLiteral("Search "), ToolBar));
  SearchEdit = new QLineEdit(ToolBar);
  SearchEdit->setToolTip(QStringLiteral("Search Expression"));
  SearchEdit->setMaximumWidth(120);
  ToolBar->addWidget(SearchEdit);
  SearchNextButton = AddToolButton(ToolBar, TPicture::Search, "Search next");
  ToolBar->addSeparator();
  ToolBar->addWidget(new QLabel(QStringLiteral("Sort "), ToolBar));
  SortEdit = new QLineEdit(ToolBar);
  SortEdit->setToolTip(QStringLiteral("Sort Criteria"));
  SortEdit->setMaximumWidth(140);
  ToolBar->addWidget(SortEdit);
  SortButton = AddToolButton(ToolBar, TPicture::Sort, nullptr);
  connect(FiltersButton, &QToolButton::clicked, this, [this] { OnEditFilters(); });
  connect(AlarmButton, &QToolButton::clicked, this, [this] { OnAddAlarm(); });
  connect(ExportButton, &QToolButton::clicked, this, [this] { RunGuarded(this, [this] { OnExport(); }); });
  connect(SortButton, &QToolButton::clicked, this, [this] { OnSort(); });
  connect(SortEdit, &QLineEdit::returnPressed, this, [this] { OnSort(); });
  connect(SearchNextButton, &QToolButton::clicked, this, [this] { OnSearchNext(); });
  connect(SearchEdit, &QLineEdit::returnPressed, this, [this] { OnSearchNext(); });

  TreeView = new TLongTreeView(this);
  TreeView->setItemDelegate(new TGridDelegate(TreeView));
  TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  TreeView->installEventFilter(this);
  TreeView->viewport()->installEventFilter(this);

  StatusBar = new QStatusBar(this);
  StatusBar->setSizeGripEnabled(true);
  const int Widths[3] = {150, 150, 50};
  for (int I = 0; I < 3; ++I) {
    Panels[I] = new QLabel(StatusBar);
    Panels[I]->setMinimumWidth(Widths[I]);
    StatusBar->addWidget(Panels[I], I == 2 ? 1 : 0);
  }

  ContextMenu = new QMenu(this);
  const auto AddItem = [this](const char* Caption, void (TBrowserForm::*Handler)()) {
    QAction* Action = ContextMenu->addAction(QString::fromLatin1(Caption));
    if (Handler) connect(Action, &QAction::triggered, this, [this, Handler] { (this->*Handler)(); });
    return Action;
  };
  ExpandAllAction = AddItem("E&xpand all", &TBrowserForm::OnExpandAll);
  CollapseAllAction = AddItem("&Collapse all", &TBrowserForm::OnCollapseAll);
  ContextMenu->addSeparator();
  PlotSeriesAction = AddItem("&Plot Data Series", &TBrowserForm::OnPlotSeries);
  AddToPlotMenu = ContextMenu->addMenu(QStringLiteral("&Add to this plot"));
  connect(AddToPlotMenu, &QMenu::aboutToShow, this, [this] { OnShowAddToPlot(); });
  SortByThisAction = AddItem("&Sort after this", &TBrowserForm::OnSortByThis);
  FilterOutAction = AddItem("Add to Filter-&out ...", &TBrowserForm::OnFilterOut);
  FilterInAction = AddItem("Add to Filter-&in ...", &TBrowserForm::OnFilterIn);
  ShowInDataAction = AddItem("S&how in Data", nullptr);
  AddAlarmAction = AddItem("Add Alarm ...", &TBrowserForm::OnAddAlarm);
  ShowInHexViewerAction = AddItem("Show in Hex Viewer...", &TBrowserForm::OnShowInHexViewer);
  ContextMenu->addSeparator();
  SearchForAction = AddItem("Search &for ...", &TBrowserForm::OnSearchFor);
  SearchForAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  SearchNextAction = AddItem("Search &next", &TBrowserForm::OnSearchNext);
  SearchNextAction->setShortcut(QKeySequence(Qt::Key_F3));
  // Their keys work anywhere in the window, and the menu shows them.
  for (QAction* Action : {SearchForAction, SearchNextAction}) {
    Action->setShortcutVisibleInContextMenu(true);
    addAction(Action);
  }
  connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
    const QModelIndex Clicked = TreeView->indexAt(At);
    if (Clicked.isValid()) TreeView->setCurrentIndex(Clicked);
    ContextMenu->popup(TreeView->viewport()->mapToGlobal(At));
  });

  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(ToolBar);
  Layout->addWidget(TreeView, 1);
  Layout->addWidget(StatusBar);
  NameObjects({{FiltersButton, "FiltersButton"},
               {AlarmButton, "AlarmButton"},
               {ExportButton, "ExportButton"},
               {SearchEdit, "SearchEdit"},
               {SearchNextButton, "SearchNextButton"},
               {SortEdit, "SortEdit"},
               {SortButton, "SortButton"},
               {TreeView, "TreeView"},
               {StatusBar, "StatusBar"},
               {ContextMenu, "ContextMenu"},
               {ExpandAllAction, "ExpandAllAction"},
               {CollapseAllAction, "CollapseAllAction"},
               {PlotSeriesAction, "PlotSeriesAction"},
               {AddToPlotMenu, "AddToPlotMenu"},
               {SortByThisAction, "SortByThisAction"},
               {FilterOutAction, "FilterOutAction"},
               {FilterInAction, "FilterInAction"},
               {ShowInDataAction, "ShowInDataAction"},
               {AddAlarmAction, "AddAlarmAction"},
               {ShowInHexViewerAction, "ShowInHexViewerAction"},
               {SearchForAction, "SearchForAction"},
               {SearchNextAction, "SearchNextAction"},
               {Panels[0], "ElementCountLabel"},
               {Panels[1], "FrameCountLabel"},
               {Panels[2], "FilterCountLabel"}});
}

void TBrowserForm::SetProject(const TProject& NewProject, TWindowOwner& NewOwner) {
  Project = &NewProject;
  Owner = &NewOwner;
  Definition = Project->Definition.get();
  if (!Definition || Tree) return;
  Tree = std::make_unique<TBrowserTree>(*Definition);
  TreeModel = new TBrowserModel(*Tree, *Definition, Project->Messages, Project->StartTime, this);
  QFont Bold = TreeView->font();
  Bold.setBold(true);
  TreeModel->BoldFont = Bold;
  // With two packet files, each BaseFrame's caption names its file.
  if (Project->DataA && Project->DataB)
    TreeModel->FileMarks = PacketFileMarks(Project->DataA->FileName, Project->DataB->FileName);
  TreeView->setModel(TreeModel);
  QHeaderView* Header = TreeView->header();
  Header->setSectionsMovable(true);
  Header->setStretchLastSection(false);
  Header->setSectionResizeMode(0, QHeaderView::Interactive);
  Header->setSectionResizeMode(1, QHeaderView::Interactive);
  Header->resizeSection(0, 430);
  Header->resizeSection(1, 100);
}

std::vector<std::string> TBrowserForm::FilterIn() const { return Tree ? Tree->FilterIn() : std::vector<std::string>(); }
std::vector<std::string> TBrowserForm::FilterOut() const {
  return Tree ? Tree->FilterOut() : std::vector<std::string>();
}

const TDecodedNode* TBrowserForm::FocusedNode() const {
  return TreeModel ? TreeModel->NodeAt(TreeView->currentIndex()) : nullptr;
}

const TDefinitionEntry* TBrowserForm::FocusedRow() const {
  const TDecodedNode* Node = FocusedNode();
  if (!Node || Node->DefIndex < 0 || static_cast<std::size_t>(Node->DefIndex) >= Definition->Entries.size())
    return nullptr;
  return &Definition->Entries[static_cast<std::size_t>(Node->DefIndex)];
}

void TBrowserForm::AppendFrames(int Source, const TData& Data) {
  if (!TreeModel) return;
  TreeModel->Append(Source, Tree->TakeNewFrames(Source, Data));
  Resort();
  ApplyFilters();
  // Fitted once: later the width is the user's.
  if (!NameColumnFitted && Tree->FrameCount() > 0) {
    TreeView->resizeColumnToContents(0);
    NameColumnFitted = true;
  }
}

void TBrowserForm::OnSort() {
  if (!Tree) return;
  const std::string Typed = ToBytes(SortEdit->text().trimmed());
  if (!Typed.empty() && Typed != Tree->SortKey()) {
    const std::string Key = SortKeyOfTypedName(*Definition, Typed);
    if (Key.empty()) {
      Dialogs().MessageDlg(this, FromBytes("'" + Typed + "' is not a number variable."), TDlgType::Error, dbOK);
      return;
    }
    Tree->SetSortKey(Key);
    SortEdit->setText(FromBytes(Key));
  }
  Resort();
}

void TBrowserForm::OnSearchNext() {
  const QString Typed = SearchEdit->text().trimmed();
  if (!Tree || Typed.isEmpty()) return;
  const TSearchResult Found =
      TBrowserSearch(*Tree, *Definition, ToBytes(Typed)).Next(TreeModel->PathOf(TreeView->currentIndex()));
  if (Found.Path.empty()) {
    StatusBar->showMessage(QStringLiteral("No match for ") + Typed, NoteDisplayTime);
    return;
  }
  ShowIndex(TreeModel->IndexOf(Found.Path));
  if (Found.Wrapped) StatusBar->showMessage(QStringLiteral("Search wrapped to the first BaseFrame."), NoteDisplayTime);
  else StatusBar->clearMessage();
}

void TBrowserForm::OnSearchFor() {
  SearchEdit->setFocus(Qt::ShortcutFocusReason);
  SearchEdit->selectAll();
}

void TBrowserForm::Resort() {
  // Without a key every BaseFrame lacks it and the order stays.
  if (TreeModel && !Tree->SortKey().empty()) TreeModel->Sort();
}

void TBrowserForm::ApplyFilters() {
  if (TreeModel) TreeModel->ApplyFilters();
  ShowCounts();
}

void TBrowserForm::ShowCounts() {
  const std::int64_t Nodes = Tree ? Tree->NodeCount() : 0;
  const std::size_t Frames = Tree ? Tree->FrameCount() : 0;
  const std::size_t Filters = FilterIn().size() + FilterOut().size();
  Panels[0]->setText(QString::number(Nodes + 1) + QStringLiteral(" Elements"));
  Panels[1]->setText(QString::number(Frames) + QStringLiteral(" Base Frames"));
  Panels[2]->setText(QString::number(Filters) + QStringLiteral(" Active Filters"));
}

void TBrowserForm::ShowIndex(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  for (QModelIndex Parent = Index.parent(); Parent.isValid(); Parent = Parent.parent()) TreeView->expand(Parent);
  TreeView->setCurrentIndex(Index);
  TreeView->scrollTo(Index);
}

void TBrowserForm::FocusSerial(std::int64_t SerialNo) {
  const TNodePath Path = Tree ? Tree->FindSerial(SerialNo) : TNodePath();
  if (Path.empty()) {
    AddEntry(llError, "Tried to focus non existing index (" + std::to_string(SerialNo) + ")");
    return;
  }
  ShowIndex(TreeModel->IndexOf(Path));
}

void TBrowserForm::StepSameName(bool Down) {
  const TDecodedNode* Node = FocusedNode();
  if (!Node) return;
  const std::string Name = Definition->NodeVarName(*Node);
  const TNodePath From = TreeModel->PathOf(TreeView->currentIndex());
  const TNodePath Found = Down ? Tree->NextWithName(From, Name) : Tree->PreviousWithName(From, Name);
  if (Found.empty()) return;
  TreeView->collapseAll();
  ShowIndex(TreeModel->IndexOf(Found));
}

void TBrowserForm::OnExpandAll() {
  const QModelIndex Focused = TreeView->currentIndex().siblingAtColumn(0);
  if (Focused.isValid()) TreeView->expandRecursively(Focused);
  else TreeView->expandAll();
}

void TBrowserForm::OnCollapseAll() { TreeView->collapseAll(); }

void TBrowserForm::OnSortByThis() {
  const TDefinitionEntry* Row = FocusedRow();
  if (!Row) return;
  if (Row->Kind != ekNumber) {
    Dialogs().MessageDlg(this, QStringLiteral("Selected Node is not a number!"), TDlgType::Error, dbOK);
    return;
  }
  Tree->SetSortKey(Row->FrameName + "." + Row->VarName);
  SortEdit->setText(FromBytes(Tree->SortKey()));
  Resort();
}

void TBrowserForm::EditFilters(TFilterChoice Shown) {
  const std::vector<std::string> In = FilterIn(), Out = FilterOut();
  Shown.In.insert(Shown.In.end(), In.begin(), In.end());
  Shown.Out.insert(Shown.Out.end(), Out.begin(), Out.end());
  const QPointer<TBrowserForm> Self(this);
  const std::optional<TFilterChoice> Chosen = FilterDialog->Choose(Shown);
  // The dialog lets events run; they may have closed this window.
  if (!Self) return;
  if (!Project || !Tree) {
    AddEntry(llError, "Cannot invoke project object to re-feed the tree.");
    return;
  }
  // Unchanged lines leave the tree as it is.
  if (!Chosen || (Chosen->In == FilterIn() && Chosen->Out == FilterOut())) return;

  Tree->SetFilters(Chosen->In, Chosen->Out);
  Tree->ShownFrames.fill(0);
  TreeModel->Clear();
  Owner->FeedBrowser(*this);
  ApplyFilters();
}

void TBrowserForm::AddToFilter(bool In) {
  const TDecodedNode* Node = FocusedNode();
  if (!Node) return;
  TFilterChoice Added;
  (In ? Added.In : Added.Out).push_back(Definition->NodeQualifiedName(*Node));
  EditFilters(Added);
}

void TBrowserForm::OnPlotSeries() {
  const TDefinitionEntry* Row = FocusedRow();
  if (!Row || !Project) return;
  const std::string& Key = Tree->SortKey();
  const std::size_t Dot = Key.find('.');
  const std::string SortVar = Dot == std::string::npos ? Key : Key.substr(Dot + 1);
  Owner->OpenPlot(this, FromBytes(Row->FrameName), FromBytes(Row->VarName), FromBytes(SortVar));
}

void TBrowserForm::OnShowAddToPlot() {
  AddToPlotMenu->clear();
  if (!Owner) return;
  for (TPlotWindow* Plot : Owner->OpenPlots()) {
    QAction* Action = AddToPlotMenu->addAction(Plot->Window()->windowTitle());
    // The plot may close while the menu shows.
    const QPointer<QWidget> Window(Plot->Window());
    connect(Action, &QAction::triggered, this, [this, Plot, Window] {
      const TDefinitionEntry* Row = FocusedRow();
      if (Row && Window) Plot->AddVariable(FromBytes(Row->FrameName), FromBytes(Row->VarName));
    });
  }
}

void TBrowserForm::OnAddAlarm() {
  const TDefinitionEntry* Row = FocusedRow();
  if (Row && Owner) Owner->AddAlarm(FromBytes(Row->VarName));
}

void TBrowserForm::OnShowInHexViewer() {
  const TNodePath Path = TreeModel ? TreeModel->PathOf(TreeView->currentIndex()) : TNodePath();
  const TDefinitionEntry* Row = FocusedRow();
  const TData* Data = Path.empty() ? nullptr : Tree->FrameTrees().Holder(Path.Frame.Source);
  if (!Row || !Data) return;
  // A child window: it closes with this browser, before the project frees the bytes it shows.
  auto* Viewer = new THexViewForm(this, *this);
  Viewer->setWindowTitle(Viewer->windowTitle() + " " + FromBytes(Row->VarName) + " (" + FromBytes(Row->DisplayName) +
                         ")");
  Viewer->ShowFrame(Path.Frame.Source, Definition->GetFrameLength(BaseFrameName), Path.back()->Position);
}

std::int64_t TBrowserForm::ShownFrameBeside(int Source, std::int64_t Start, bool After) const {
  return Tree ? Tree->NeighbourFrame(Source, Start, After) : -1;
}

std::int64_t TBrowserForm::DataSize(int Source) const {
  const TData* Data = Tree ? Tree->FrameTrees().Holder(Source) : nullptr;
  return Data ? Data->DataSize() : 0;
}

bool TBrowserForm::ReadData(int Source, std::int64_t Start, std::span<std::uint8_t> Into) const {
  const TData* Data = Tree ? Tree->FrameTrees().Holder(Source) : nullptr;
  return Data && Data->ReadData(Start, Into);
}

void TBrowserForm::OnExport() {
  if (!Tree) return;
  TFileDialogOptions Options;
  Options.Title = QStringLiteral("Export to ...");
  Options.Filter = QStringLiteral("Text Files|*.txt");
  Options.DefaultExt = QStringLiteral("txt");
  Options.InitialDir = QStringLiteral(".");
  const QPointer<TBrowserForm> Self(this);
  const QString FileName = Dialogs().SaveFileName(this, Options);
  // The dialog lets events run; they may have closed this window.
  if (!Self || FileName.isEmpty()) return;
  TAtomicFile File(ToBytes(FileName));
  const TExportDimension Dimension = WriteBrowserExport(File.Stream(), *Definition, *Tree);
  File.Commit();
  Dialogs().MessageDlg(this, FromBytes(ExportMessage(ToBytes(FileName), Dimension)), TDlgType::Information, dbOK);
}

bool TBrowserForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == TreeView && Event->type() == QEvent::KeyPress) {
    const auto* Key = static_cast<QKeyEvent*>(Event);
    const bool Page = Key->key() == Qt::Key_PageUp || Key->key() == Qt::Key_PageDown;
    if (Page && (Key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier) {
      StepSameName(Key->key() == Qt::Key_PageDown);
      return true;
    }
  }
  if (Watched == TreeView->viewport() && Event->type() == QEvent::ToolTip && TreeModel) {
    const auto* Help = static_cast<QHelpEvent*>(Event);
    const QModelIndex Index = TreeView->indexAt(Help->pos());
    const QString Hint = TreeModel->data(Index, Qt::ToolTipRole).toString();
    if (Hint.isEmpty()) QToolTip::hideText();
    else
      QToolTip::showText(Help->globalPos(), Hint, TreeView->viewport(), TreeView->visualRect(Index), HintDisplayTime);
    return true;
  }
  return QWidget::eventFilter(Watched, Event);
}
