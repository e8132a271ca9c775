#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <set>
#include <sstream>

#include "GuiFixture.h"
#include "TreesAgain.h"
#include "browser/BrowserExport.h"
#include "browser/BrowserForm.h"
#include "browser/HexDump.h"
#include "browser/HexViewForm.h"

namespace {

class BrowserForm : public TGuiTest {
 protected:
  void SetUp() override {
    TGuiTest::SetUp();
    Makers.NewBrowser = [] { return new TBrowserForm; };
  }

  // A loaded project of demo BaseFrames: even ones housekeeping, odd ones science.
  TProjectForm* LoadedProject(int FramesA, int FramesB = 0) {
    TProjectForm* Project =
        NewProject(PacketFile("a.dat", FramesA), FramesB > 0 ? PacketFile("b.dat", FramesB, 7) : std::string());
    Click(Project, "LoadButton");
    WaitForPasses();
    Definition = Project->Model().Definition.get();
    return Project;
  }
  // The definition of the last project loaded.
  const TFramesDefinition* Definition = nullptr;

  // Line and column where the hex viewer's red mark starts; -1, -1 without one.
  static std::pair<int, int> Marked(THexViewForm* Viewer) {
    const QTextDocument* Document = Child<QTextEdit>(Viewer, "HexEdit")->document();
    for (QTextBlock Block = Document->begin(); Block.isValid(); Block = Block.next())
      for (auto Part = Block.begin(); !Part.atEnd(); ++Part)
        if (Part.fragment().charFormat().foreground().color() == QColor(255, 0, 0))
          return {Block.blockNumber(), Part.fragment().position() - Block.position()};
    return {-1, -1};
  }

  static TBrowserForm* Open(TProjectForm* Project) { return dynamic_cast<TBrowserForm*>(Project->OpenBrowser()); }

  // Captions of the top-level nodes in display order.
  static std::vector<std::string> Captions(TBrowserForm* Browser) {
    std::vector<std::string> Result;
    TBrowserModel* Model = BrowserTree(Browser);
    for (int Row = 0; Row < Model->rowCount(); ++Row)
      Result.push_back(Model->index(Row, 0).data().toString().toStdString());
    return Result;
  }
  // BaseFrame numbers of the top level, read from the captions.
  static std::vector<int> FrameNumbers(TBrowserForm* Browser) {
    std::vector<int> Numbers;
    for (const std::string& Caption : Captions(Browser)) Numbers.push_back(std::stoi(Caption));
    return Numbers;
  }

  // The first node below BaseFrame Row whose qualified name is Name.
  QModelIndex Find(TBrowserForm* Browser, int Row, const std::string& Name) const {
    TBrowserModel* Model = BrowserTree(Browser);
    std::function<QModelIndex(const QModelIndex&)> Walk = [&](const QModelIndex& Parent) -> QModelIndex {
      for (int R = 0; R < Model->rowCount(Parent); ++R) {
        const QModelIndex Child = Model->index(R, 0, Parent);
        if (Definition->NodeQualifiedName(*Model->NodeAt(Child)) == Name) return Child;
        const QModelIndex Found = Walk(Child);
        if (Found.isValid()) return Found;
      }
      return {};
    };
    return Walk(Model->index(Row, 0));
  }

  // The hex viewers opened by a browser (the windows have no meta-object of their own).
  static std::vector<THexViewForm*> Viewers(TBrowserForm* Browser) {
    std::vector<THexViewForm*> Found;
    for (QWidget* Child : Browser->findChildren<QWidget*>())
      if (auto* Viewer = dynamic_cast<THexViewForm*>(Child)) Found.push_back(Viewer);
    return Found;
  }

  static std::set<const TDecodedNode*> ExpandedFrames(TBrowserForm* Browser) {
    std::set<const TDecodedNode*> Expanded;
    for (int Row = 0; Row < BrowserTree(Browser)->rowCount(); ++Row)
      if (BrowserView(Browser)->isExpanded(BrowserTree(Browser)->index(Row, 0)))
        Expanded.insert(BrowserTree(Browser)->NodeAt(BrowserTree(Browser)->index(Row, 0)));
    return Expanded;
  }

  static std::vector<std::string> Status(TBrowserForm* Browser) {
    return {Child<QLabel>(Browser, "ElementCountLabel")->text().toStdString(),
            Child<QLabel>(Browser, "FrameCountLabel")->text().toStdString(),
            Child<QLabel>(Browser, "FilterCountLabel")->text().toStdString()};
  }

  static void Key(QWidget* Target, int Code, Qt::KeyboardModifiers Modifiers) {
    QKeyEvent Press(QEvent::KeyPress, Code, Modifiers);
    QApplication::sendEvent(Target, &Press);
  }

  static std::function<int(QDialog&)> FilterAnswer(const QString& In, const QString& Out, int Result,
                                                   QStringList* SeenIn = nullptr, QStringList* SeenOut = nullptr) {
    return [=](QDialog& Dialog) {
      auto* InEdit = Child<QPlainTextEdit>(&Dialog, "FilterInEdit");
      auto* OutEdit = Child<QPlainTextEdit>(&Dialog, "FilterOutEdit");
      if (SeenIn) *SeenIn = MemoLines(*InEdit);
      if (SeenOut) *SeenOut = MemoLines(*OutEdit);
      InEdit->setPlainText(In);
      OutEdit->setPlainText(Out);
      return Result;
    };
  }
};

TEST_F(BrowserForm, ShowsEveryBaseFrameOfBothSourcesOnceWithCountsInTheStatusBar) {
  TProjectForm* Project = LoadedProject(4, 3);
  TBrowserForm* Browser = Open(Project);
  ASSERT_NE(Browser, nullptr);
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{0, 1, 2, 3, 0, 1, 2}));
  // Each caption names its BaseFrame's file.
  const std::vector<std::string> Shown = Captions(Browser);
  EXPECT_EQ(Shown[3].rfind("3. BF (a.dat), ", 0), 0u) << Shown[3];
  EXPECT_EQ(Shown[4].rfind("0. BF (b.dat), ", 0), 0u) << Shown[4];
  const auto FromFile = [&Shown](const char* Mark) {
    return std::count_if(Shown.begin(), Shown.end(),
                         [Mark](const std::string& C) { return C.find(Mark) != std::string::npos; });
  };
  EXPECT_EQ(FromFile("(a.dat)"), 4);
  EXPECT_EQ(FromFile("(b.dat)"), 3);

  std::int64_t Nodes = 0;
  std::function<void(const TDecodedNode*)> Count = [&](const TDecodedNode* N) {
    for (; N; N = N->Next) {
      ++Nodes;
      Count(N->Child);
    }
  };
  for (const TData* Data : {Project->Model().DataA.get(), Project->Model().DataB.get()}) {
    const TTreesAgain Trees(*Data);
    for (const TDecodedNode* Root : Trees.Roots) Count(Root->Child), ++Nodes;
  }
  EXPECT_EQ(Status(Browser),
            (std::vector<std::string>{std::to_string(Nodes + 1) + " Elements", "7 Base Frames", "0 Active Filters"}));

  // An unchanged list adds nothing; a grown one adds only its new BaseFrames.
  Browser->AppendFrames(0, *Project->Model().DataA);
  Browser->AppendFrames(1, *Project->Model().DataB);
  EXPECT_EQ(BrowserTree(Browser)->rowCount(), 7);
  Temp.Append("a.dat", TSimGenerator(9).NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 4}));
  EXPECT_EQ(Captions(Browser).back().rfind("4. BF (a.dat), ", 0), 0u);
  // One file: no mark.
  TProjectForm* OneFile = NewProject(PacketFile("c.dat", 1));
  Click(OneFile, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Captions(Open(OneFile)).front().rfind("0. BF, ", 0), 0u);
}

TEST_F(BrowserForm, ModelIndexesLeadBackToTheirParents) {
  TBrowserForm* Browser = Open(LoadedProject(2));
  TBrowserModel* Model = BrowserTree(Browser);
  const QModelIndex Deep = Find(Browser, 0, "HKFrame.ADC-Subframe-Type-1.ADC1_T2");
  ASSERT_TRUE(Deep.isValid());
  EXPECT_EQ(Deep.data().toString(), "Thermistor 2 [degC]");
  const QModelIndex Sub = Deep.parent();
  EXPECT_EQ(Sub.data().toString(), "ADC-Subframe-Type-1");
  EXPECT_EQ(Sub.parent().data().toString(), "HKFrame");
  EXPECT_EQ(Sub.parent().parent(), Model->index(0, 0));
  EXPECT_FALSE(Model->index(0, 0).parent().isValid());
  EXPECT_EQ(Model->IndexOf(Model->PathOf(Deep)), Deep);
  EXPECT_EQ(Model->columnCount(), 2);
  EXPECT_EQ(Model->headerData(0, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(Model->headerData(1, Qt::Horizontal).toString(), "Value");
  EXPECT_TRUE(Model->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(Deep.data(Qt::FontRole).isValid());
}

TEST_F(BrowserForm, PersistentIndexesFollowTheirNodesWhenBaseFramesMoveOrGo) {
  TProjectForm* Project = LoadedProject(8);
  TBrowserTree Tree(*Project->Model().Definition);
  TBrowserModel Model(Tree, *Project->Model().Definition, Project->Model().Messages, Project->Model().StartTime,
                      nullptr);
  Model.Append(0, Tree.TakeNewFrames(0, *Project->Model().DataA));
  // Every BaseFrame and the nodes down along its last children, in either column.
  std::vector<QPersistentModelIndex> Kept;
  std::vector<TNodePath> Paths;
  for (int Row = 0; Row < Model.rowCount(); ++Row) {
    for (QModelIndex Index = Model.index(Row, 1); Index.isValid();) {
      Kept.emplace_back(Index);
      Paths.push_back(Model.PathOf(Index));
      const QModelIndex Name = Index.siblingAtColumn(0);
      Index = Model.index(Model.rowCount(Name) - 1, Row % 2, Name);
    }
  }
  ASSERT_GT(Kept.size(), 16u);
  const auto Check = [&] {
    for (std::size_t I = 0; I < Kept.size(); ++I) {
      const bool Shown = Tree.RowOf(Paths[I].Frame) >= 0;
      ASSERT_EQ(Kept[I].isValid(), Shown) << I;
      if (!Shown) continue;
      EXPECT_EQ(Model.PathOf(Kept[I]), Paths[I]) << I;
      EXPECT_EQ(Model.index(Kept[I].row(), Kept[I].column(), Kept[I].parent()), QModelIndex(Kept[I])) << I;
    }
  };
  std::vector<std::uint64_t> Before;
  for (std::size_t Row = 0; Row < Tree.FrameCount(); ++Row) Before.push_back(Tree.FrameId(Row).Key());

  Tree.SetSortKey("BaseFrame.PKT_CRC");
  Model.Sort();
  std::vector<std::uint64_t> After;
  for (std::size_t Row = 0; Row < Tree.FrameCount(); ++Row) After.push_back(Tree.FrameId(Row).Key());
  ASSERT_NE(After, Before);
  Check();

  Tree.SetFilters({}, {"HKFrame"});
  Model.ApplyFilters();
  EXPECT_EQ(Model.rowCount(), 4);
  Check();
}

TEST_F(BrowserForm, EnterInTheSortFieldSortsByATypedNumberVariable) {
  TBrowserForm* Browser = Open(LoadedProject(6));
  // Plain names take the first frame that has them; "Frame.Variable" as typed.
  const std::pair<QString, std::string> Typed[] = {{"PKT_CRC", "BaseFrame.PKT_CRC"},
                                                   {"HKFrame.HK_TEMP2", "HKFrame.HK_TEMP2"},
                                                   {" SEQ_COUNT ", "BaseFrame.SEQ_COUNT"}};
  for (const auto& [Text, Key] : Typed) {
    Child<QLineEdit>(Browser, "SortEdit")->setText(Text);
    QKeyEvent Enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Child<QLineEdit>(Browser, "SortEdit"), &Enter);
    EXPECT_EQ(Child<QLineEdit>(Browser, "SortEdit")->text().toStdString(), Key);
  }
  std::vector<double> Keys;
  for (int Row = 0; Row < 6; ++Row)
    Keys.push_back(BrowserTree(Browser)->NodeAt(Find(Browser, Row, "SEQ_COUNT"))->Value);
  EXPECT_TRUE(std::is_sorted(Keys.begin(), Keys.end()));

  // A BOOLEAN, a TEXT or an unknown name changes nothing.
  const std::vector<int> Sorted = FrameNumbers(Browser);
  for (const QString Text : {"DFH_FLAG", "EVT_TEXT", "NOPE"}) {
    Child<QLineEdit>(Browser, "SortEdit")->setText(Text);
    Click(Browser, "SortButton");
    EXPECT_EQ(Dialogs.Asked.back().Text, "'" + Text + "' is not a number variable.");
    EXPECT_EQ(FrameNumbers(Browser), Sorted);
  }
}

TEST_F(BrowserForm, SortingKeepsExpandedBaseFramesExpandedAndRejectsNonNumbers) {
  TBrowserForm* Browser = Open(LoadedProject(6));
  // A BOOLEAN cannot be a sort key.
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "DFH_FLAG"));
  Trigger(Browser, "SortByThisAction");
  EXPECT_EQ(Dialogs.Texts(), (std::vector<QString>{"Selected Node is not a number!"}));
  EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Error);
  EXPECT_EQ(Child<QLineEdit>(Browser, "SortEdit")->text(), "");

  const QModelIndex Third = BrowserTree(Browser)->index(2, 0);
  BrowserView(Browser)->expand(Third);
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "PKT_CRC"));
  const TDecodedNode* Focused = FocusedNode(Browser);
  const std::set<const TDecodedNode*> ExpandedBefore = ExpandedFrames(Browser);
  ASSERT_EQ(ExpandedBefore.size(), 2u);
  Trigger(Browser, "SortByThisAction");
  EXPECT_EQ(Child<QLineEdit>(Browser, "SortEdit")->text(), "BaseFrame.PKT_CRC");
  std::vector<double> Keys;
  for (int Row = 0; Row < 6; ++Row) Keys.push_back(BrowserTree(Browser)->NodeAt(Find(Browser, Row, "PKT_CRC"))->Value);
  EXPECT_TRUE(std::is_sorted(Keys.begin(), Keys.end()));
  // The BaseFrames expanded before are still expanded, wherever they went.
  EXPECT_EQ(ExpandedFrames(Browser), ExpandedBefore);
  EXPECT_EQ(FocusedNode(Browser), Focused);
}

TEST_F(BrowserForm, FiltersRebuildTheTreeAfterTheDialog) {
  TProjectForm* Project = LoadedProject(6);
  TBrowserForm* Browser = Open(Project);
  // "Add to Filter-out" puts the name first, before the active lines.
  QStringList SeenOut;
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "HKFrame.HK_TEMP1"));
  Dialogs.DialogScripts = {FilterAnswer("", "hkframe.hk_temp1", QDialog::Accepted, nullptr, &SeenOut)};
  Trigger(Browser, "FilterOutAction");
  EXPECT_EQ(SeenOut, QStringList{"HKFrame.HK_TEMP1"});
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(Status(Browser)[2], "1 Active Filters");
  // Every BaseFrame was taken again, the hidden ones too: none comes twice.
  Browser->AppendFrames(0, *Project->Model().DataA);
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{1, 3, 5}));

  // Filter in with two alternatives; the dialog opens with the active lines only.
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "SOURCE_UNIT"));
  Dialogs.DialogScripts = {FilterAnswer("HKFrame.HK_TEMP1\nScienceFrame.ThermalMaperFrame.TM_MEAN\nSOURCE_UNIT", "",
                                        QDialog::Accepted, nullptr, &SeenOut)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_EQ(SeenOut, QStringList{"hkframe.hk_temp1"});
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  Dialogs.DialogScripts = {
      FilterAnswer("HKFrame.HK_TEMP1\nScienceFrame.ThermalMaperFrame.TM_MEAN", "", QDialog::Accepted)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{0, 2, 4, 5}));

  // Cancel drops a name just added and keeps the filters.
  BrowserView(Browser)->setCurrentIndex(BrowserTree(Browser)->index(0, 0));
  QStringList SeenIn;
  Dialogs.DialogScripts = {[&](QDialog& D) {
    SeenIn = MemoLines(*Child<QPlainTextEdit>(&D, "FilterInEdit"));
    return int(QDialog::Rejected);
  }};
  Trigger(Browser, "FilterInAction");
  EXPECT_EQ(SeenIn, (QStringList{"BaseFrame", "HKFrame.HK_TEMP1", "ScienceFrame.ThermalMaperFrame.TM_MEAN"}));
  EXPECT_EQ(Status(Browser)[2], "2 Active Filters");
  // OK without changes keeps the tree, with its expanded BaseFrame.
  BrowserView(Browser)->expand(BrowserTree(Browser)->index(0, 0));
  Dialogs.DialogScripts = {[](QDialog&) { return int(QDialog::Accepted); }};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_EQ(ExpandedFrames(Browser).size(), 1u);

  // The same name in and out empties the tree; two equal lines count twice.
  Dialogs.DialogScripts = {FilterAnswer("SYNC1\nSYNC1", "sync1", QDialog::Accepted, &SeenIn)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_EQ(SeenIn, (QStringList{"HKFrame.HK_TEMP1", "ScienceFrame.ThermalMaperFrame.TM_MEAN"}));
  EXPECT_EQ(BrowserTree(Browser)->rowCount(), 0);
  EXPECT_EQ(Status(Browser), (std::vector<std::string>{"1 Elements", "0 Base Frames", "3 Active Filters"}));

  // "Clear all" brings every BaseFrame back.
  Dialogs.DialogScripts = {FilterAnswer("ignored", "ignored", FilterClearAll)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_EQ(FrameNumbers(Browser), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Status(Browser)[2], "0 Active Filters");
}

TEST_F(BrowserForm, NewBaseFramesAreSortedAndFilteredAsTheyArrive) {
  TProjectForm* Project = LoadedProject(4);
  TBrowserForm* Browser = Open(Project);
  Dialogs.DialogScripts = {FilterAnswer("", "HKFrame.HK_TEMP1", QDialog::Accepted)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "SEQ_COUNT"));
  Trigger(Browser, "SortByThisAction");
  TSimGenerator Generator(4);
  for (int I = 0; I < 4; ++I) Generator.NextBaseFrame();
  for (int I = 0; I < 4; ++I) Temp.Append("a.dat", Generator.NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  // Only science BaseFrames, ascending by their sequence counter.
  EXPECT_EQ(BrowserTree(Browser)->rowCount(), 4);
  std::vector<double> Keys;
  for (int Row = 0; Row < 4; ++Row)
    Keys.push_back(BrowserTree(Browser)->NodeAt(Find(Browser, Row, "SEQ_COUNT"))->Value);
  EXPECT_TRUE(std::is_sorted(Keys.begin(), Keys.end()));
  for (int Number : FrameNumbers(Browser)) EXPECT_EQ(Number % 2, 1);
}

TEST_F(BrowserForm, SearchFocusesTheNextMatchAndSaysWhenItWrapsOrFindsNone) {
  TBrowserForm* Browser = Open(LoadedProject(6));
  Browser->activateWindow();
  ASSERT_TRUE(RunUntil([Browser] { return Browser->isActiveWindow(); }, 2000));
  BrowserView(Browser)->setFocus();
  Key(BrowserView(Browser), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(Child<QLineEdit>(Browser, "SearchEdit")->hasFocus());
  Child<QLineEdit>(Browser, "SearchEdit")->setText(" electronics temperature [K ");
  Key(Child<QLineEdit>(Browser, "SearchEdit"), Qt::Key_Return, Qt::NoModifier);
  Child<QToolButton>(Browser, "SearchNextButton")->click();
  Key(Child<QLineEdit>(Browser, "SearchEdit"), Qt::Key_F3, Qt::NoModifier);
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 4, "HKFrame.HK_TEMP1_K"));
  Key(BrowserView(Browser), Qt::Key_F3, Qt::NoModifier);
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 0, "HKFrame.HK_TEMP1_K"));
  EXPECT_EQ(Child<QStatusBar>(Browser, "StatusBar")->currentMessage(), "Search wrapped to the first BaseFrame.");
  Child<QLineEdit>(Browser, "SearchEdit")->setText("HK_TEMP1 > 1e300");
  Click(Browser, "SearchNextButton");
  EXPECT_EQ(Child<QStatusBar>(Browser, "StatusBar")->currentMessage(), "No match for HK_TEMP1 > 1e300");
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 0, "HKFrame.HK_TEMP1_K"));
}

TEST_F(BrowserForm, FocusSerialExpandsTheWayToTheNodeOrLogsTheMiss) {
  TProjectForm* Project = LoadedProject(3, 2);
  TBrowserForm* Browser = Open(Project);
  const TTreesAgain Trees(*Project->Model().DataB);
  const TDecodedNode* Target = Trees.Roots.at(1)->Child->Next->Next;
  Browser->FocusSerial(Target->SerialNo);
  EXPECT_EQ(FocusedSerial(Browser), Target->SerialNo);
  EXPECT_TRUE(BrowserView(Browser)->isExpanded(BrowserTree(Browser)->index(4, 0)));

  Browser->FocusSerial(123456);
  EXPECT_TRUE(Log.Has(llError, "Tried to focus non existing index (123456)"));
  EXPECT_EQ(FocusedSerial(Browser), Target->SerialNo);
}

TEST_F(BrowserForm, TheNameColumnFitsTheFirstBaseFramesShownAndThenKeepsTheUsersWidth) {
  TProjectForm* Project = LoadedProject(2);
  TBrowserForm* Browser = Open(Project);
  QHeaderView* Header = BrowserView(Browser)->header();
  const int Fitted = Header->sectionSize(0);
  BrowserView(Browser)->resizeColumnToContents(0);
  EXPECT_EQ(Header->sectionSize(0), Fitted);
  Header->resizeSection(0, 77);
  Temp.Append("a.dat", TSimGenerator(9).NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Header->sectionSize(0), 77);
}

TEST_F(BrowserForm, ShiftPageKeysStepThroughTheOccurrencesOfAName) {
  TBrowserForm* Browser = Open(LoadedProject(6));
  const QModelIndex First = Find(Browser, 0, "HKFrame.HK_TEMP1");
  BrowserView(Browser)->setCurrentIndex(First);
  BrowserView(Browser)->expand(BrowserTree(Browser)->index(1, 0));
  Key(BrowserView(Browser), Qt::Key_PageDown, Qt::ShiftModifier);
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 2, "HKFrame.HK_TEMP1"));
  // The tree was collapsed before the way to the new node was opened.
  EXPECT_FALSE(BrowserView(Browser)->isExpanded(BrowserTree(Browser)->index(1, 0)));
  EXPECT_FALSE(BrowserView(Browser)->isExpanded(BrowserTree(Browser)->index(0, 0)));
  EXPECT_TRUE(BrowserView(Browser)->isExpanded(BrowserTree(Browser)->index(2, 0)));
  Key(BrowserView(Browser), Qt::Key_PageDown, Qt::ShiftModifier);
  Key(BrowserView(Browser), Qt::Key_PageDown, Qt::ShiftModifier);
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 4, "HKFrame.HK_TEMP1"));
  Key(BrowserView(Browser), Qt::Key_PageUp, Qt::ShiftModifier);
  EXPECT_EQ(BrowserView(Browser)->currentIndex(), Find(Browser, 2, "HKFrame.HK_TEMP1"));
  // With another modifier the keys are the view's own.
  Key(BrowserView(Browser), Qt::Key_PageUp, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_NE(BrowserView(Browser)->currentIndex(), Find(Browser, 0, "HKFrame.HK_TEMP1"));
}

TEST_F(BrowserForm, ExportsWhatTheBrowserShows) {
  TBrowserForm* Browser = Open(LoadedProject(6));
  Dialogs.DialogScripts = {FilterAnswer("", "HKFrame.HK_TEMP1", QDialog::Accepted)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  const std::string File = Temp.File("export.txt");
  Dialogs.Files = {QString::fromStdString(File)};
  Click(Browser, "ExportButton");
  ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
  EXPECT_EQ(Dialogs.FileDialogs[0].Title, "Export to ...");
  EXPECT_EQ(Dialogs.FileDialogs[0].Filter, "Text Files|*.txt");
  EXPECT_EQ(Dialogs.FileDialogs[0].DefaultExt, "txt");

  std::vector<const TDecodedNode*> Shown;
  for (int Row = 0; Row < 3; ++Row) Shown.push_back(BrowserTree(Browser)->NodeAt(BrowserTree(Browser)->index(Row, 0)));
  std::ostringstream Expected;
  const TExportDimension Dimension = WriteBrowserExport(Expected, *Definition, Shown);
  std::ifstream Written(File, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Written), {}), Expected.str());
  EXPECT_EQ(Dialogs.Texts().back().toStdString(), ExportMessage(File, Dimension));
  EXPECT_EQ(Dialogs.Asked.back().Type, TDlgType::Information);

  // Cancelled: nothing written, nothing said.
  const std::size_t Asked = Dialogs.Asked.size();
  Click(Browser, "ExportButton");
  EXPECT_EQ(Dialogs.Asked.size(), Asked);
}

TEST_F(BrowserForm, TheHexViewerMarksTheNodeAndStepsBetweenBaseFrames) {
  TBrowserForm* Browser = Open(LoadedProject(3));
  const QModelIndex Crc = Find(Browser, 1, "PKT_CRC");
  BrowserView(Browser)->setCurrentIndex(Crc);
  Trigger(Browser, "ShowInHexViewerAction");
  ASSERT_EQ(Viewers(Browser).size(), 1u);
  THexViewForm* Viewer = Viewers(Browser)[0];
  EXPECT_EQ(Viewer->windowTitle(), "Hex Viewer PKT_CRC (Packet checksum)");
  EXPECT_EQ(Child<QLabel>(Viewer, "OffsetLabel")->text(), "Frame 1 / 3");
  // Line and column of the mark at byte 278 of a BaseFrame.
  const THexDump Dump = BuildHexDump(*BrowserTree(Browser)->NodeAt(Crc)->Stream(), 280, 558);
  const std::pair<int, int> Crc278(Dump.MarkLine, Dump.MarkColumn);
  EXPECT_EQ(Marked(Viewer), Crc278);

  // The marked four characters are the node's two bytes, in red.
  const QStringList Lines = Child<QTextEdit>(Viewer, "HexEdit")->toPlainText().split('\n');
  EXPECT_EQ(Lines.size(), 17);
  QTextCursor Cursor(Child<QTextEdit>(Viewer, "HexEdit")->document()->findBlockByNumber(Dump.MarkLine));
  Cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, Dump.MarkColumn + 1);
  EXPECT_EQ(Cursor.charFormat().foreground().color(), QColor(255, 0, 0));
  Cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
  EXPECT_NE(Cursor.charFormat().foreground().color(), QColor(255, 0, 0));

  Click(Viewer, "PreviousButton");

  WaitForPasses();
  EXPECT_EQ(Child<QLabel>(Viewer, "OffsetLabel")->text(), "Frame 0 / 3");
  Click(Viewer, "PreviousButton");
  WaitForPasses();
  EXPECT_EQ(Child<QLabel>(Viewer, "OffsetLabel")->text(), "Frame 0 / 3");
  EXPECT_EQ(Marked(Viewer), Crc278);
  Click(Viewer, "NextButton");
  Click(Viewer, "NextButton");
  Click(Viewer, "NextButton");
  EXPECT_EQ(Child<QLabel>(Viewer, "OffsetLabel")->text(), "Frame 2 / 3");
  // BaseFrames the filters removed are stepped over.
  Dialogs.DialogScripts = {FilterAnswer("", "ScienceFrame", QDialog::Accepted)};
  Click(Browser, "FiltersButton");
  WaitForPasses();
  Click(Viewer, "PreviousButton");
  WaitForPasses();
  EXPECT_EQ(Child<QLabel>(Viewer, "OffsetLabel")->text(), "Frame 0 / 3");
  EXPECT_EQ(Marked(Viewer), Crc278);

  // It closes with its browser, before the project frees the bytes it shows.
  const QPointer<THexViewForm> Watch(Viewer);
  delete Browser;
  EXPECT_TRUE(Watch.isNull());
}

TEST_F(BrowserForm, NodeCommandsGoToTheProject) {
  struct TRecordingPlot : QWidget, TPlotWindow {
    std::string* Series;
    QWidget* Window() override { return this; }
    void SetProject(const TProject&, TWindowOwner&) override {}
    void SetSeries(const QString& F, const QString& V, const QString& S) override {
      *Series = (F + "|" + V + "|" + S).toStdString();
    }
    void SetHolders(TData*, TData*) override {}
    void RefreshSeries() override {}
    void ResetView() override {}
    void AddVariable(const QString& F, const QString& V) override { *Series = ("add " + F + "|" + V).toStdString(); }
  };
  std::string Series;
  Makers.NewPlot = [&] {
    auto* Plot = new TRecordingPlot;
    Plot->Series = &Series;
    return Plot;
  };
  TProjectForm* Project = LoadedProject(2);
  TBrowserForm* Browser = Open(Project);
  BrowserView(Browser)->setCurrentIndex(Find(Browser, 0, "SEQ_COUNT"));
  Trigger(Browser, "SortByThisAction");
  const QModelIndex Temperature = Find(Browser, 0, "HKFrame.HK_TEMP1");
  BrowserView(Browser)->setCurrentIndex(Temperature.isValid() ? Temperature : Find(Browser, 1, "HKFrame.HK_TEMP1"));
  Trigger(Browser, "PlotSeriesAction");
  EXPECT_EQ(Series, "HKFrame|HK_TEMP1|SEQ_COUNT");
  ASSERT_EQ(RowCount(Project, "PlotList"), 1);
  EXPECT_EQ(RowText(Project, "PlotList", 0), "HKFrame.HK_TEMP1");
  // "Add to this plot" lists the open plots by caption.
  Project->OpenPlots().front()->Window()->setWindowTitle("Plot A");
  emit Child<QMenu>(Browser, "AddToPlotMenu")->aboutToShow();
  ASSERT_EQ(Child<QMenu>(Browser, "AddToPlotMenu")->actions().size(), 1);
  EXPECT_EQ(Child<QMenu>(Browser, "AddToPlotMenu")->actions()[0]->text(), "Plot A");
  Child<QMenu>(Browser, "AddToPlotMenu")->actions()[0]->trigger();
  EXPECT_EQ(Series, "add HKFrame|HK_TEMP1");

  Dialogs.DialogScripts = {[](QDialog& Dialog) {
    EXPECT_EQ(Child<QComboBox>(&Dialog, "VariableCombo")->currentText(), "HK_TEMP1");
    Child<QComboBox>(&Dialog, "ConditionCombo")->setCurrentIndex(0);
    Child<QLineEdit>(&Dialog, "ValueEdit")->setText("40");
    return int(QDialog::Accepted);
  }};
  Trigger(Browser, "AddAlarmAction");
  EXPECT_EQ(RowCount(Project, "AlarmList"), 1);

  // Without a focused node the commands do nothing.
  BrowserView(Browser)->setCurrentIndex(QModelIndex());
  Series.clear();
  Trigger(Browser, "PlotSeriesAction");
  Trigger(Browser, "AddAlarmAction");
  Trigger(Browser, "ShowInHexViewerAction");
  Trigger(Browser, "SortByThisAction");
  EXPECT_EQ(Series, "");
  EXPECT_EQ(RowCount(Project, "AlarmList"), 1);
  EXPECT_TRUE(Viewers(Browser).empty());
}

TEST_F(BrowserForm, ABrowserClosedWhileItsFilterOrExportDialogIsOpenStopsThere) {
  TProjectForm* Project = LoadedProject(2);
  TBrowserForm* Browser = Open(Project);
  Dialogs.DialogScripts = {[Project](QDialog&) {
    Project->Model().Unload();
    return int(QDialog::Accepted);
  }};
  const QPointer<TBrowserForm> Watch(Browser);
  Click(Browser, "FiltersButton");
  WaitForPasses();
  EXPECT_TRUE(Watch.isNull());

  // A browser without project keeps its filters and says why.
  TBrowserForm Lone;
  Dialogs.DialogScripts = {FilterAnswer("", "SYNC1", QDialog::Accepted)};
  Click(&Lone, "FiltersButton");
  WaitForPasses();
  EXPECT_TRUE(Log.Has(llError, "Cannot invoke project object to re-feed the tree."));
  EXPECT_EQ(Child<QPlainTextEdit>(&Lone, "FilterOutEdit")->toPlainText(), "SYNC1");
  QStringList SeenOut{"not asked"};
  Dialogs.DialogScripts = {FilterAnswer("", "", QDialog::Rejected, nullptr, &SeenOut)};
  Click(&Lone, "FiltersButton");
  EXPECT_TRUE(SeenOut.isEmpty());

  // Closed while its export dialog is open: nothing is written, nothing is said.
  Browser = Open(Project = LoadedProject(2));
  struct TClosingSaveDialog : TScriptedDialogs {
    std::function<void()> WhileOpen;
    QString SaveFileName(QWidget* Parent, const TFileDialogOptions& Options) override {
      WhileOpen();
      return TScriptedDialogs::SaveFileName(Parent, Options);
    }
  } Closing;
  Closing.WhileOpen = [Project] { Project->Model().Unload(); };
  const std::string File = Temp.File("export.txt");
  Closing.Files = {QString::fromStdString(File)};
  const QPointer<TBrowserForm> Exporting(Browser);
  Click(Browser, "ExportButton");
  EXPECT_TRUE(Exporting.isNull());
  EXPECT_FALSE(std::filesystem::exists(File));
  EXPECT_TRUE(Closing.Asked.empty());
}

}  // namespace
