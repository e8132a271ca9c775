#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QToolButton>

#include "FakeWindows.h"
#include "GuiFixture.h"
#include "TreesAgain.h"
#include "common/DateTime.h"
#include "project/AlarmCheck.h"

namespace {

class ProjectLoad : public TGuiTest {
 protected:
  static void ExpectEmpty(TProjectForm& Project) {
    EXPECT_EQ(Project.StatusText(), "Empty");
    EXPECT_FALSE(Project.Model().DataLoaded);
    EXPECT_FALSE(Project.Model().DataA);
    EXPECT_TRUE(Child<QLineEdit>(&Project, "PacketFileEdit")->isEnabled());
    EXPECT_FALSE(Child<QGroupBox>(&Project, "AlarmGroup")->isEnabled());
    EXPECT_FALSE(Child<QToolButton>(&Project, "BrowserButton")->isEnabled());
  }
};

TEST_F(ProjectLoad, ANewWindowIsEmptyWithTheDefaultOffsetTime) {
  TProjectForm* Project = NewProject("");
  ExpectEmpty(*Project);
  EXPECT_EQ(Child<QLineEdit>(Project, "OffsetTimeEdit")->text(), "01.01.2003");
  EXPECT_FALSE(Child<QCheckBox>(Project, "TrackingCheck")->isChecked());
  EXPECT_EQ(Child<QLabel>(Project, "BrowserCountLabel")->text(), "0 Open Browser Windows");
  EXPECT_EQ(Child<QLabel>(Project, "PlotCountLabel")->text(), "0 Open Plot Windows");
  EXPECT_EQ(Project->size(), QSize(666, 351));
}

TEST_F(ProjectLoad, MissingFilesAreReportedAndLeaveTheWindowEmpty) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3));
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText("nowhere.structure");
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_TRUE(Log.Has(llError, "Structurefile does not exist or cannot be opened! (nowhere.structure)"));
  ExpectEmpty(*Project);

  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(StructureFile));
  Child<QLineEdit>(Project, "PacketFileEdit")
      ->setText(QString::fromStdString(Temp.Path.string()));  // a folder is no file
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_TRUE(Log.Has(llError, "Paket file does not exist or cannot be opened! (" + Temp.Path.string() + ")"));
  ExpectEmpty(*Project);
}

TEST_F(ProjectLoad, AMissingSecondFileIsIgnoredAndTheFieldEmptied) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3), "gone.dat");
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_TRUE(Log.Has(llWarn, "2nd Paket file does not exist or cannot be opened, ignoring entry! (gone.dat)"));
  EXPECT_EQ(Child<QLineEdit>(Project, "SecondPacketFileEdit")->text(), "");
  EXPECT_EQ(Project->StatusText(), "Active");
  EXPECT_FALSE(Project->Model().DataB);
  EXPECT_EQ(Project->Model().HandledFrames(0), 3);
}

TEST_F(ProjectLoad, AnOffsetTimeThatIsNoDateStopsTheLoadWithTheErrorNotice) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3));
  Child<QLineEdit>(Project, "OffsetTimeEdit")->setText("soon");
  Click(Project, "LoadButton");
  WaitForPasses();
  ASSERT_EQ(Dialogs.Asked.size(), 1u);
  EXPECT_EQ(Dialogs.Asked[0].Text, "'soon' is not a valid date and time");
  EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Error);
  ExpectEmpty(*Project);
}

TEST_F(ProjectLoad, ALoadDecodesBothFilesAndMakesTheWindowActive) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 5), PacketFile("b.dat", 3, 7));
  Child<QLineEdit>(Project, "OffsetTimeEdit")->setText("02.01.2003 12:00");
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->StatusText(), "Active");
  EXPECT_TRUE(Project->Model().DataLoaded);
  EXPECT_DOUBLE_EQ(Project->Model().StartTime, EncodeDateTime({2003, 1, 2, 12}));
  ASSERT_TRUE(Project->Model().DataA && Project->Model().DataB);
  EXPECT_EQ(Project->Model().HandledFrames(0), 5);
  EXPECT_EQ(Project->Model().HandledFrames(1), 3);
  EXPECT_GT(TTreesAgain(*Project->Model().DataA).Roots.at(0)->SerialNo, 0);  // children are numbered first
  EXPECT_GE(TTreesAgain(*Project->Model().DataB).Roots.at(0)->SerialNo, 100000000);
  // The names of every tree, from one tree per shape.
  std::vector<std::string> Names;
  for (const TData* Data : Project->Model().Holders()) {
    const TTreesAgain Trees(*Data);
    for (const TDecodedNode* Root : Trees.Roots) CollectVariableNames(*Root, *Project->Model().Definition, Names);
  }
  EXPECT_GT(Names.size(), 20u);
  EXPECT_EQ(Project->Model().VariableNames(), Names);
  // Without tracking no later update happens.
  EXPECT_FALSE(Project->Model().DataA->Timer->Enabled());
  EXPECT_FALSE(Project->Model().DataB->Timer->Enabled());
  for (QWidget* Field : std::initializer_list<QWidget*>{
           Child<QComboBox>(Project, "StructureFileCombo"), Child<QLineEdit>(Project, "PacketFileEdit"),
           Child<QLineEdit>(Project, "SecondPacketFileEdit"), Child<QLineEdit>(Project, "OffsetTimeEdit"),
           Child<QCheckBox>(Project, "TrackingCheck"), Child<QCheckBox>(Project, "ResyncCheck"),
           Child<QToolButton>(Project, "StructureFileButton")})
    EXPECT_FALSE(Field->isEnabled());
  EXPECT_TRUE(Child<QGroupBox>(Project, "AlarmGroup")->isEnabled());
  EXPECT_TRUE(Child<QGroupBox>(Project, "PlotGroup")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(Project, "LoadButton")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(Project, "BrowserButton")->isEnabled());
  EXPECT_TRUE(Child<QToolButton>(Project, "AlarmsOffButton")->isEnabled());
  EXPECT_FALSE(LoadForm->Busy);
  EXPECT_FALSE(LoadForm->isVisible());
}

TEST_F(ProjectLoad, TrackingKeepsTheTimersRunning) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2), "", true);
  Click(Project, "LoadButton");
  WaitForPasses();
  ASSERT_TRUE(Project->Model().DataA);
  EXPECT_TRUE(Project->Model().DataA->Timer->Enabled());
  EXPECT_EQ(Project->Model().DataA->Timer->Interval(), 60000);
}

TEST_F(ProjectLoad, AFailingStructureFileLeavesTheLoadingStateUntilBlanked) {
  TFakeWindows Windows;
  Makers = Windows.Makers();
  const std::string Broken = Temp.Write("broken.structure", "[BaseFrame]\n0\t2\tHEX\t\tSYNC\n");
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(Broken));
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->StatusText(), "Loading");
  EXPECT_TRUE(Project->Model().DataLoaded);
  EXPECT_FALSE(Project->Model().Definition);
  EXPECT_FALSE(Project->Model().DataA);
  EXPECT_TRUE(Child<QToolButton>(Project, "LoadButton")->isEnabled());
  EXPECT_TRUE(Child<QLineEdit>(Project, "PacketFileEdit")->isEnabled());

  EXPECT_EQ(Project->OpenBrowser(), nullptr);
  EXPECT_EQ(Project->OpenPlot(Project, "A", "B", ""), nullptr);

  Dialogs.Answers = {dbCancel};
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Dialogs.Asked.back().Text, "This will blank the project and all associated browser/ plot windows!");
  EXPECT_EQ(Project->StatusText(), "Loading");
  Dialogs.Answers = {dbOK};
  Click(Project, "LoadButton");
  WaitForPasses();
  ExpectEmpty(*Project);

  // A good structure file now loads.
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(StructureFile));
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->StatusText(), "Active");
}

TEST_F(ProjectLoad, AStructurePositionThatIsNoNumberEndsWithTheConversionNoticeAndCanBeBlanked) {
  std::string Text;
  {
    std::ifstream In(StructureFile);
    Text.assign(std::istreambuf_iterator<char>(In), {});
  }
  const std::size_t Row = Text.find("\n0\t2\tHEX");
  ASSERT_NE(Row, std::string::npos);
  Text.replace(Row, 2, "\nzero");
  const std::string Bad = Temp.Write("bad.structure", Text);
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(Bad));
  Click(Project, "LoadButton");
  WaitForPasses();
  ASSERT_FALSE(Dialogs.Asked.empty());
  EXPECT_EQ(Dialogs.Asked.back().Type, TDlgType::Error);
  EXPECT_TRUE(Dialogs.Asked.back().Text.contains("is not a valid integer value"));
  EXPECT_EQ(Project->StatusText(), "Loading");
  EXPECT_TRUE(Child<QToolButton>(Project, "LoadButton")->isEnabled());
  Dialogs.Answers = {dbOK};
  Click(Project, "LoadButton");
  WaitForPasses();
  ExpectEmpty(*Project);
}

TEST_F(ProjectLoad, BlankingKeepsTheListsAndLoadingASmallerFileStartsTheCountersAgain) {
  TFakeWindows Windows;
  Makers = Windows.Makers();
  const std::string Big = PacketFile("big.dat", 6);
  TProjectForm* Project = NewProject(Big);
  Click(Project, "LoadButton");
  WaitForPasses();
  Project->OpenPlot(nullptr, "HKFrame", "HK_TEMP1", "");
  Project->OpenBrowser();
  Dialogs.DialogScripts = {AlarmAnswer("HK_TEMP1", " >", "40")};
  Project->AddAlarm("");
  ASSERT_EQ(Project->Model().Browsers.size(), 1u);
  EXPECT_EQ(Project->Model().HandledFrames(0), 6);

  Dialogs.Answers = {dbOK};
  Click(Project, "LoadButton");
  WaitForPasses();
  ExpectEmpty(*Project);
  EXPECT_TRUE(Project->Model().Browsers.empty());
  EXPECT_TRUE(Project->Model().Plots.empty());
  // The windows are gone; the lists stay, and a save writes them.
  ASSERT_EQ(RowCount(Project, "PlotList"), 1);
  EXPECT_EQ(RowCheck(Project, "PlotList", 0), Qt::Unchecked);
  ASSERT_EQ(RowCount(Project, "AlarmList"), 1);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "HK_TEMP1 > 40");
  const std::string Saved = Temp.File("p.vproject");
  Project->SaveProjectFile(QString::fromStdString(Saved));
  std::ifstream In(Saved, std::ios::binary);
  const std::string Text(std::istreambuf_iterator<char>(In), {});
  EXPECT_NE(Text.find("[DataSeries]\r\nCount=1\r\n0=HKFrame.HK_TEMP1\r\n"), std::string::npos) << Text;
  EXPECT_NE(Text.find("[Alarms]\r\nCount=1\r\n"), std::string::npos) << Text;
  EXPECT_EQ(Child<QLineEdit>(Project, "PacketFileEdit")->text().toStdString(), Big);  // the fields keep their texts

  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(PacketFile("small.dat", 2)));
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->Model().HandledFrames(0), 2);
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 2);
}

TEST_F(ProjectLoad, NoLoadBlankOrCloseStartsWhileAnUpdatePassRuns) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 2));
  LoadForm->Busy = true;
  Click(Project, "LoadButton");
  EXPECT_FALSE(Project->Model().DataLoaded);
  EXPECT_TRUE(
      Log.Has(llWarn, "Cannot load a project while an update is in progress. Please try again when it has finished."));
  EXPECT_FALSE(Project->close());
  LoadForm->Busy = false;
  Click(Project, "LoadButton");
  WaitForPasses();
  LoadForm->Busy = true;
  Click(Project, "LoadButton");
  EXPECT_TRUE(Project->Model().DataLoaded);
  EXPECT_TRUE(Dialogs.Asked.empty());
  LoadForm->Busy = false;
}

TEST_F(ProjectLoad, PickingFilesFillsTheFieldsAndAddsStructureFiles) {
  TProjectForm* Project = NewProject("");
  const int Before = Child<QComboBox>(Project, "StructureFileCombo")->count();
  Dialogs.Files = {"/data/one.structure", "/data/two.structure", "/data/run.dat", "/data/run2.dat", ""};
  Click(Project, "StructureFileButton");
  Click(Project, "StructureFileButton");
  EXPECT_EQ(Child<QComboBox>(Project, "StructureFileCombo")->count(), Before + 2);
  EXPECT_EQ(Child<QComboBox>(Project, "StructureFileCombo")->currentText(), "/data/two.structure");
  EXPECT_EQ(Child<QComboBox>(Project, "StructureFileCombo")->toolTip(), "/data/two.structure");
  Click(Project, "PacketFileButton");
  Click(Project, "SecondPacketFileButton");
  EXPECT_EQ(Child<QLineEdit>(Project, "PacketFileEdit")->text(), "/data/run.dat");
  EXPECT_EQ(Child<QLineEdit>(Project, "PacketFileEdit")->toolTip(), "/data/run.dat");
  EXPECT_EQ(Child<QLineEdit>(Project, "SecondPacketFileEdit")->text(), "/data/run2.dat");
  Click(Project, "PacketFileButton");  // cancelled
  EXPECT_EQ(Child<QLineEdit>(Project, "PacketFileEdit")->text(), "/data/run.dat");
  EXPECT_EQ(Dialogs.FileDialogs[0].InitialDir, ".");
  EXPECT_EQ(Dialogs.FileDialogs[0].Filter, "");
}

}  // namespace

namespace {

// Pixels of the status text's colour in panel 0, right of the icon.
int PanelPixels(TProjectForm& Project, const QColor& Colour) {
  const QImage Image = Child<QWidget>(&Project, "StatePanel")->grab().toImage();
  int Count = 0;
  for (int Y = 0; Y < Image.height(); ++Y)
    for (int X = 25; X < Image.width(); ++X) Count += QColor(Image.pixel(X, Y)) == Colour;
  return Count;
}

TEST_F(ProjectLoad, TheStatusPanelIsRedWhileEmptyAndGreenOtherwise) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 1));
  EXPECT_GT(PanelPixels(*Project, QColor(0xFF, 0, 0)), 10);
  EXPECT_EQ(PanelPixels(*Project, QColor(0, 0x80, 0)), 0);
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(PanelPixels(*Project, QColor(0xFF, 0, 0)), 0);
  EXPECT_GT(PanelPixels(*Project, QColor(0, 0x80, 0)), 10);
}

TEST_F(ProjectLoad, InsertAndDeleteKeysAddAndRemovePlotListEntries) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 1));
  Click(Project, "LoadButton");
  WaitForPasses();
  const auto Release = [&](int Key) {
    QKeyEvent Event(QEvent::KeyRelease, Key, Qt::NoModifier);
    QApplication::sendEvent(Child<QListView>(Project, "PlotList"), &Event);
  };
  Release(Qt::Key_Insert);
  Release(Qt::Key_Insert);
  ASSERT_EQ(RowCount(Project, "PlotList"), 2);
  EXPECT_EQ(RowText(Project, "PlotList", 1), "Change me!");
  SelectRow(Project, "PlotList", 0);
  Release(Qt::Key_Delete);
  EXPECT_EQ(RowCount(Project, "PlotList"), 1);
  Release(Qt::Key_A);
  EXPECT_EQ(RowCount(Project, "PlotList"), 1);
}

}  // namespace
