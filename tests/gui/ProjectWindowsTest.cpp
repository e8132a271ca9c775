#include <QLabel>
#include <QListView>
#include <QTimer>

#include "FakeWindows.h"
#include "GuiFixture.h"

namespace {

class ProjectWindows : public TGuiTest {
 protected:
  void SetUp() override {
    TGuiTest::SetUp();
    Makers = Windows.Makers();
  }
  TFakeWindows Windows;
};

TEST_F(ProjectWindows, ABrowserIsTitledWithBothPathsAndFilledFromBothSources) {
  const std::string A = PacketFile("a.dat", 4), B = PacketFile("b.dat", 2, 3);
  TProjectForm* Project = NewProject(A, B);
  Click(Project, "LoadButton");
  WaitForPasses();
  Windows.Calls.clear();
  TBrowserWindow* Browser = Project->OpenBrowser();
  ASSERT_NE(Browser, nullptr);
  EXPECT_EQ(Browser->Window()->windowTitle().toStdString(), "Browser - " + A + " " + B);
  EXPECT_EQ(Windows.Calls, (std::vector<std::string>{"browser project", "browser append 0 4", "browser append 1 2"}));
  EXPECT_EQ(Child<QLabel>(Project, "BrowserCountLabel")->text(), "1 Open Browsers");

  TProjectForm* Single = NewProject(A);
  Click(Single, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Single->OpenBrowser()->Window()->windowTitle().toStdString(), "Browser - " + A + " ");
}

TEST_F(ProjectWindows, NewFramesGoToAlarmsThenPlotsThenBrowsers) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3));
  Click(Project, "LoadButton");
  WaitForPasses();
  Project->OpenBrowser();
  Project->OpenPlot(Project, "HKFrame", "HK_TEMP1", "");
  Project->OpenBrowser();
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  Windows.Calls.clear();
  Dialogs.Asked.clear();
  // The notice of the alarm marks the moment the alarms run.
  struct TMarkingDialogs : TScriptedDialogs {
    std::vector<std::string>* Calls;
    std::unique_ptr<TNotice> ShowNotice(QWidget* P, const QString& T, TDlgType Ty) override {
      Calls->push_back("alarm");
      return TScriptedDialogs::ShowNotice(P, T, Ty);
    }
  } Marking;
  Marking.Calls = &Windows.Calls;
  Temp.Append("a.dat", TSimGenerator(4).NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Windows.Calls,
            (std::vector<std::string>{"alarm", "plot refresh", "browser append 0 4", "browser append 0 4"}));
}

TEST_F(ProjectWindows, APlotGetsItsSeriesAndFramesAndCountsInTheStatusBar) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3), PacketFile("b.dat", 2, 5));
  Click(Project, "LoadButton");
  WaitForPasses();
  Windows.Calls.clear();
  // A browser asking adds a checked entry to the plot list.
  QWidget Requester;
  TPlotWindow* Plot = Project->OpenPlot(&Requester, "HKFrame", "HK_TEMP1", "HK_V_BUS");
  ASSERT_NE(Plot, nullptr);
  EXPECT_EQ(Windows.Calls, (std::vector<std::string>{"plot project", "plot series [HKFrame] [HK_TEMP1] [HK_V_BUS]",
                                                     "plot frames 3 2", "plot refresh", "plot reset"}));
  ASSERT_EQ(RowCount(Project, "PlotList"), 1);
  EXPECT_EQ(RowText(Project, "PlotList", 0), "HKFrame.HK_TEMP1");
  EXPECT_EQ(RowCheck(Project, "PlotList", 0), Qt::Checked);
  EXPECT_EQ(Project->ListedPlot(0), Plot);
  EXPECT_EQ(Child<QLabel>(Project, "PlotCountLabel")->text(), "1 Open Plots");

  // Unchecking closes the plot; its end unchecks and detaches the entry.
  SetRowCheck(Project, "PlotList", 0, Qt::Unchecked);
  ProcessPendingEvents();
  EXPECT_TRUE(Project->Model().Plots.empty());
  EXPECT_EQ(Project->ListedPlot(0), nullptr);
  EXPECT_EQ(Child<QLabel>(Project, "PlotCountLabel")->text(), "0 Open Plots");
}

TEST_F(ProjectWindows, AProjectFileLoadedBesideAnOpenListedPlotAppendsItsEntriesAndLeavesThePlotOnItsEntry) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Click(Project, "LoadButton");
  WaitForPasses();
  QWidget Requester;
  TPlotWindow* Plot = Project->OpenPlot(&Requester, "HKFrame", "HK_TEMP1", "");
  const QString Path = QString::fromStdString(Temp.File("p.vproject"));
  ASSERT_TRUE(Project->SaveProjectFile(Path));
  SelectRow(Project, "PlotList", 0);
  ASSERT_TRUE(Project->LoadProjectFile(Path));
  ASSERT_EQ(RowCount(Project, "PlotList"), 2);
  EXPECT_EQ(Child<QListView>(Project, "PlotList")->currentIndex().row(), 0);
  EXPECT_EQ(Project->ListedPlot(0), Plot);
  EXPECT_EQ(RowCheck(Project, "PlotList", 0), Qt::Checked);
  EXPECT_EQ(RowText(Project, "PlotList", 1), "HKFrame.HK_TEMP1");
  EXPECT_EQ(Project->ListedPlot(1), nullptr);
  EXPECT_EQ(RowCheck(Project, "PlotList", 1), Qt::Unchecked);
}

TEST_F(ProjectWindows, CheckingAPlotListEntrySplitsItsCaptionAtTheFirstDot) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Click(Project, "LoadButton");
  WaitForPasses();
  Click(Project, "AddPlotButton");
  Click(Project, "AddPlotButton");
  ASSERT_EQ(RowCount(Project, "PlotList"), 2);
  EXPECT_EQ(RowText(Project, "PlotList", 0), "Change me!");
  EXPECT_EQ(RowCheck(Project, "PlotList", 0), Qt::Unchecked);
  SetRowText(Project, "PlotList", 1, "ScienceFrame.EventMessageFrame.EVT_CODE");
  Windows.Calls.clear();
  SetRowCheck(Project, "PlotList", 0, Qt::Checked);
  SetRowCheck(Project, "PlotList", 1, Qt::Checked);
  EXPECT_EQ(Windows.Calls[1], "plot series [] [Change me!] []");
  EXPECT_EQ(Windows.Calls[6], "plot series [ScienceFrame] [EventMessageFrame.EVT_CODE] []");
  EXPECT_EQ(Project->Model().Plots.size(), 2u);
  // Opening from the own list adds no entry.
  EXPECT_EQ(RowCount(Project, "PlotList"), 2);

  // Deleting a checked entry closes its plot first.
  SelectRow(Project, "PlotList", 0);
  Click(Project, "RemovePlotButton");
  ProcessPendingEvents();
  EXPECT_EQ(RowCount(Project, "PlotList"), 1);
  EXPECT_EQ(Project->Model().Plots.size(), 1u);
  EXPECT_EQ(Child<QLabel>(Project, "PlotCountLabel")->text(), "1 Open Plots");
}

TEST_F(ProjectWindows, ClosedWindowsLeaveTheListsAndStrangersAreReported) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Click(Project, "LoadButton");
  WaitForPasses();
  TBrowserWindow* First = Project->OpenBrowser();
  Project->OpenBrowser();
  EXPECT_EQ(Child<QLabel>(Project, "BrowserCountLabel")->text(), "2 Open Browsers");
  First->Window()->close();
  ProcessPendingEvents();
  EXPECT_EQ(Project->Model().Browsers.size(), 1u);
  EXPECT_EQ(Child<QLabel>(Project, "BrowserCountLabel")->text(), "1 Open Browsers");

  TFakeBrowser Stranger(Windows.Calls);
  Project->Model().BrowserClosed(&Stranger);
  EXPECT_TRUE(Log.Has(llError, "Lost Browser window detected. Please contact programmer."));
  TFakePlot StrangePlot(Windows.Calls);
  Project->Model().PlotClosed(&StrangePlot);
  EXPECT_TRUE(Log.Has(llError, "Lost Plot window detected. Please contact programmer."));
}

TEST_F(ProjectWindows, ClosingTheProjectTakesItsWindowsAlong) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Click(Project, "LoadButton");
  WaitForPasses();
  QPointer<QWidget> Browser = Project->OpenBrowser()->Window();
  QPointer<QWidget> Plot = Project->OpenPlot(Project, "A", "B", "")->Window();
  QPointer<TProjectForm> Watched = Project;
  Dialogs.Answers = {dbNo};
  EXPECT_TRUE(Project->close());
  ProcessPendingEvents();
  EXPECT_TRUE(Watched.isNull());
  EXPECT_TRUE(Browser.isNull());
  EXPECT_TRUE(Plot.isNull());
  EXPECT_FALSE(Log.Has(llError, "Lost Browser window detected. Please contact programmer."));
}

TEST_F(ProjectWindows, WithoutWindowMakersNothingOpens) {
  Makers = {};
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->OpenBrowser(), nullptr);
  Click(Project, "AddPlotButton");
  SetRowCheck(Project, "PlotList", 0, Qt::Checked);
  EXPECT_EQ(Project->ListedPlot(0), nullptr);
  EXPECT_TRUE(Project->Model().Plots.empty());
}

}  // namespace

namespace {

class EventsInsideHandlers : public ProjectWindows {};

TEST_F(EventsInsideHandlers, AnAcceptedCloseStopsTrackingAndTheLoadButton) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2), "", true);
  Click(Project, "LoadButton");
  WaitForPasses();
  ASSERT_TRUE(Project->Model().DataA->Timer->Enabled());
  QPointer<TProjectForm> Watched = Project;
  Dialogs.Answers = {dbNo};
  EXPECT_TRUE(Project->close());
  // Until the window is freed, no pass starts.
  EXPECT_FALSE(Project->Model().DataA->Timer->Enabled());
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Dialogs.Asked.size(), 1u);
  ProcessPendingEvents();
  EXPECT_TRUE(Watched.isNull());
}

TEST_F(EventsInsideHandlers, AWindowClosedWhileAnEntryIsRemovedIsLeftAlone) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 1));
  Click(Project, "LoadButton");
  WaitForPasses();
  Click(Project, "AddPlotButton");
  SelectRow(Project, "PlotList", 0);
  QPointer<TProjectForm> Watched = Project;
  Dialogs.Answers = {dbNo};
  QMetaObject::invokeMethod(Project, "close", Qt::QueuedConnection);
  Click(Project, "RemovePlotButton");
  ProcessPendingEvents();
  EXPECT_TRUE(Watched.isNull());
}

TEST_F(EventsInsideHandlers, ASecondRemovalWaitingInTheQueueRemovesNothingMore) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 1));
  Click(Project, "LoadButton");
  WaitForPasses();
  Dialogs.DialogScripts = {AlarmAnswer("A", " >", "1"), AlarmAnswer("B", " >", "1"), AlarmAnswer("C", " >", "1")};
  for (int I = 0; I < 3; ++I) Project->AddAlarm("");
  SelectRow(Project, "AlarmList", 1);
  QTimer::singleShot(0, Project, [Project] { Click(Project, "RemoveAlarmButton"); });
  Click(Project, "RemoveAlarmButton");
  ASSERT_EQ(RowCount(Project, "AlarmList"), 2);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "A > 1");
}

TEST_F(EventsInsideHandlers, APlotOpenedWhileABlankWaitsInTheQueueClosesWithTheProject) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 1));
  Click(Project, "LoadButton");
  WaitForPasses();
  Dialogs.Answers = {dbOK};
  QTimer::singleShot(0, Project, [Project] { Click(Project, "LoadButton"); });
  const QPointer<QWidget> Plot = Project->OpenPlot(Project, "A", "B", "")->Window();
  ProcessPendingEvents();
  EXPECT_EQ(Project->StatusText(), "Empty");
  EXPECT_TRUE(Project->Model().Plots.empty());
  EXPECT_TRUE(Plot.isNull());
}

TEST_F(ProjectWindows, SelectedEntriesOfTheAlarmAndPlotListsShowTheirText) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3));
  Click(Project, "LoadButton");
  WaitForPasses();
  Dialogs.DialogScripts = {AlarmAnswer("HK_TEMP1", " >", "25")};
  Project->AddAlarm("");
  Click(Project, "AddPlotButton");
  for (QListView* List : {Child<QListView>(Project, "AlarmList"), Child<QListView>(Project, "PlotList")}) {
    List->setCurrentIndex(List->model()->index(0, 0));
    const QImage Image = List->viewport()->grab().toImage();
    const QRect Row = List->visualRect(List->model()->index(0, 0));
    const QColor Highlight = List->palette().color(QPalette::Highlight);
    const QColor Text = List->palette().color(QPalette::HighlightedText);
    int Background = 0, Glyphs = 0;
    for (int Y = Row.top(); Y <= Row.bottom(); ++Y)
      for (int X = Row.left(); X <= Row.right(); ++X) {
        const QColor Pixel = Image.pixelColor(X, Y);
        Background += Pixel == Highlight;
        Glyphs += Pixel == Text;
      }
    EXPECT_GT(Background, Row.width());
    EXPECT_GT(Glyphs, 5);
  }
}

}  // namespace
