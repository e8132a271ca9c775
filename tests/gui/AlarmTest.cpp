#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include "GuiFixture.h"
#include "TreesAgain.h"
#include "browser/BrowserTexts.h"
#include "log/AlarmHitsForm.h"
#include "project/AlarmCheck.h"

namespace {

// Double-clicks the current entry of the alarm list, which opens the alarm dialog on it.
void EditCurrentAlarm(const TProjectForm* Project) {
  auto* List = Child<QListView>(Project, "AlarmList");
  DoubleClickRow(List, List->currentIndex().row());
}

class Alarms : public TGuiTest {
 protected:
  TProjectForm* LoadedProject(std::int64_t Frames) {
    Packet = PacketFile("a.dat", Frames);
    TProjectForm* Project = NewProject(Packet);
    Click(Project, "LoadButton");
    WaitForPasses();
    EXPECT_EQ(Project->StatusText(), "Active");
    return Project;
  }

  // Nodes named Name whose value meets Test, counted over the BaseFrames of Roots.
  int Matching(const TProjectForm& Project, std::span<TDecodedNode* const> Roots, const std::string& Name,
               const std::function<bool(double)>& Test) {
    int Count = 0;
    std::function<void(const TDecodedNode*)> Visit = [&](const TDecodedNode* Node) {
      for (; Node; Node = Node->Next) {
        Visit(Node->Child);
        if (Project.Model().Definition->NodeVarName(*Node) == Name && Test(Node->Value)) ++Count;
      }
    };
    for (const TDecodedNode* Root : Roots) Visit(Root->Child);
    return Count;
  }

  int Notices() const { return static_cast<int>(Dialogs.Notices.size()); }
  // Log entries of alarm hits.
  int Hits() const {
    int Count = 0;
    for (const auto& E : Log.Entries) Count += E.Level == llWarn && E.Text.starts_with("Alarm triggered: ");
    return Count;
  }

  std::string Packet;
};

TEST_F(Alarms, AddingGoesThroughTheDialogAndListsTheFrameNames) {
  TProjectForm* Project = LoadedProject(4);
  Dialogs.DialogScripts = {[&](QDialog& Dialog) {
    // The dialog starts with the given name, " >" and "0".
    EXPECT_EQ(Child<QComboBox>(&Dialog, "VariableCombo")->currentText(), "HK_TEMP1");
    EXPECT_EQ(Child<QComboBox>(&Dialog, "ConditionCombo")->currentText(), " >");
    EXPECT_EQ(Child<QLineEdit>(&Dialog, "ValueEdit")->text(), "0");
    EXPECT_GT(Child<QComboBox>(&Dialog, "VariableCombo")->count(), 20);
    EXPECT_NE(Child<QComboBox>(&Dialog, "VariableCombo")->findText("HK_TEMP1"), -1);
    Child<QLineEdit>(&Dialog, "ValueEdit")->setText("25,5");
    return int(QDialog::Accepted);
  }};
  Project->AddAlarm("HK_TEMP1");
  ASSERT_EQ(RowCount(Project, "AlarmList"), 1);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "HK_TEMP1 > 25,5");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 0), Qt::Checked);
  // A name appears once in the list, compared without case.
  QStringList Names;
  const auto* Variables = Child<QComboBox>(AlarmForm, "VariableCombo");
  for (int I = 0; I < Variables->count(); ++I) Names << Variables->itemText(I).toLower();
  EXPECT_EQ(Names.removeDuplicates(), 0);

  // Changing offers the changing window's names, though another window (here without any) added last.
  Dialogs.DialogScripts = {AlarmAnswer("X", " >", "1"), [](QDialog& Dialog) {
                             EXPECT_NE(Child<QComboBox>(&Dialog, "VariableCombo")->findText("HK_TEMP1"), -1);
                             return int(QDialog::Rejected);
                           }};
  NewProject(Packet)->AddAlarm("");
  SelectRow(Project, "AlarmList", 0);
  EditCurrentAlarm(Project);
  EXPECT_TRUE(Dialogs.DialogScripts.empty());
}

TEST_F(Alarms, AVariableThatIsNotInTheStructureIsKeptWithAWarning) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("HK_TEMP1", " >", "1"), AlarmAnswer("hk_temp1", " >", "1"),
                           AlarmAnswer("NO_SUCH", " <", "2"), AlarmAnswer("HKFrame", " >", "0")};
  for (int I = 0; I < 4; ++I) Project->AddAlarm("");
  EXPECT_EQ(RowCount(Project, "AlarmList"), 4);
  std::vector<std::string> Warned;
  for (const std::string& Line : Log.Lines())
    if (Line.find("Alarm variable ") != std::string::npos) Warned.push_back(Line);
  // Names are compared with case; frame names are names too.
  EXPECT_EQ(Warned, (std::vector<std::string>{"[Warn] Alarm variable hk_temp1 is not in the structure.",
                                              "[Warn] Alarm variable NO_SUCH is not in the structure."}));
}

TEST_F(Alarms, CancelAndAValueThatIsNoNumberAddNothing) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("X", " <", "1", QDialog::Rejected), AlarmAnswer("X", " <", "abc")};
  Click(Project, "AddAlarmButton");
  Click(Project, "AddAlarmButton");
  EXPECT_EQ(RowCount(Project, "AlarmList"), 0);
  ASSERT_EQ(Dialogs.Asked.size(), 1u);
  EXPECT_EQ(Dialogs.Asked[0].Text, "'abc' is not a valid floating point value");
}

TEST_F(Alarms, ChangingRebuildsTheCaptionAndKeepsTheCheckBox) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("TEMP1", " >", "25,5"), AlarmAnswer("TEMP1", " <", "20"),
                           AlarmAnswer("TEMP2", " =", "oops"),
                           [](QDialog& Dialog) {
                             // Back after the error notice, with what was typed.
                             EXPECT_EQ(Child<QComboBox>(&Dialog, "VariableCombo")->currentText(), "TEMP2");
                             EXPECT_EQ(Child<QComboBox>(&Dialog, "ConditionCombo")->currentText(), " =");
                             EXPECT_EQ(Child<QLineEdit>(&Dialog, "ValueEdit")->text(), "oops");
                             Child<QLineEdit>(&Dialog, "ValueEdit")->setText("21");
                             return int(QDialog::Accepted);
                           },
                           AlarmAnswer("TEMP9", " >", "1", QDialog::Rejected)};
  Project->AddAlarm("");
  SelectRow(Project, "AlarmList", 0);
  SetRowCheck(Project, "AlarmList", 0, Qt::Unchecked);
  EditCurrentAlarm(Project);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "TEMP1 < 20");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 0), Qt::Unchecked);
  // A bad value gets the error notice and the dialog again; nothing changes before a good one.
  EditCurrentAlarm(Project);
  EXPECT_EQ(Dialogs.Asked.back().Text, "'oops' is not a valid floating point value");
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "TEMP2 = 21");
  EditCurrentAlarm(Project);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "TEMP2 = 21");
}

TEST_F(Alarms, AnOperatorThatIsNoConditionSurvivesTheChangeDialog) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("A", " >", "1"), [](QDialog& Dialog) {
                             EXPECT_EQ(Child<QComboBox>(&Dialog, "ConditionCombo")->currentIndex(), -1);
                             return int(QDialog::Accepted);
                           }};
  Project->AddAlarm("");
  TAlarmEntry& Alarm = Project->Model().Settings.Alarms[0].Alarm;
  Alarm.Operator = '#';
  SelectRow(Project, "AlarmList", 0);
  EditCurrentAlarm(Project);
  EXPECT_EQ(Alarm.Operator, '#');
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "A # 1");
}

TEST_F(Alarms, RemoveActivateAndDisableAll) {
  TProjectForm* Project = LoadedProject(1);
  Click(Project, "AlarmsOffButton");  // nothing to disable
  EXPECT_EQ(RowCount(Project, "AlarmList"), 0);
  EXPECT_TRUE(Dialogs.Asked.empty());
  Dialogs.DialogScripts = {AlarmAnswer("A", " >", "1"), AlarmAnswer("B", " <", "2")};
  Project->AddAlarm("");
  Project->AddAlarm("");
  Click(Project, "AlarmsOffButton");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 0), Qt::Unchecked);
  EXPECT_EQ(RowCheck(Project, "AlarmList", 1), Qt::Unchecked);
  Click(Project, "AlarmsOnButton");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 1), Qt::Checked);
  Click(Project, "RemoveAlarmButton");  // nothing selected
  EXPECT_EQ(RowCount(Project, "AlarmList"), 2);
  SelectRow(Project, "AlarmList", 0);
  Click(Project, "RemoveAlarmButton");
  ASSERT_EQ(RowCount(Project, "AlarmList"), 1);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "B < 2");
}

TEST_F(Alarms, AlarmsFromAProjectFileCheckEveryBaseFrameOfTheFirstLoadThenOnlyNewOnes) {
  const std::string ProjectFile = Temp.Write("p.vproject",
                                             "[Alarms]\r\nCount=2\r\n[Alarm0]\r\nVarName=EVT_SEVERITY\r\nOperator=>\r\n"
                                             "Value=2\r\nActive=1\r\n[Alarm1]\r\nVarName=evt_severity\r\nOperator=>\r\n"
                                             "Value=0\r\nActive=1\r\n");
  Packet = PacketFile("a.dat", 400);
  TProjectForm* Project = NewProject(Packet);
  Project->LoadProjectFile(QString::fromStdString(ProjectFile));
  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(Packet));
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(StructureFile));
  Click(Project, "LoadButton");
  WaitForPasses();
  const auto Severe = [](double V) { return V > 2; };
  const int FirstBatch = Matching(*Project, TTreesAgain(*Project->Model().DataA).Roots, "EVT_SEVERITY", Severe);
  ASSERT_GT(FirstBatch, 0);
  // The lower-case alarm never fires: names differ in case. Every hit is
  // logged; one notice per alarm and pass tells the first and counts the rest.
  EXPECT_EQ(Hits(), FirstBatch);
  EXPECT_EQ(Notices(), 1);
  EXPECT_TRUE(Log.Has(llWarn, "Alarm triggered: EVT_SEVERITY > 2 with value: 3"));
  EXPECT_EQ(Dialogs.Notices[0]->Text, "Alarm triggered: EVT_SEVERITY > 2\r\nWith value: 3");
  EXPECT_EQ(Dialogs.Notices[0]->Type, TDlgType::Warning);

  // A tracking update checks only the BaseFrames appended since.
  TSimGenerator More(99);
  for (int I = 0; I < 400; ++I) More.NextBaseFrame();
  std::vector<std::uint8_t> Bytes;
  for (int I = 0; I < 400; ++I) {
    const auto Frame = More.NextBaseFrame();
    Bytes.insert(Bytes.end(), Frame.begin(), Frame.end());
  }
  Temp.Append("a.dat", Bytes);
  Dialogs.Notices[0]->Open = false;
  Log.Clear();
  Project->Model().DataA->UpdateFromFile();
  const TTreesAgain Trees(*Project->Model().DataA);
  ASSERT_EQ(Trees.Roots.size(), 800u);
  const std::span<TDecodedNode* const> New = std::span(Trees.Roots).subspan(400);
  EXPECT_EQ(Project->Model().HandledFrames(0), 800);
  EXPECT_EQ(Hits(), Matching(*Project, New, "EVT_SEVERITY", Severe));
  EXPECT_EQ(Notices(), 2);
}

TEST_F(Alarms, AnUncheckedAlarmSkipsTheBatchAndASecondHolderNeverRechecksTheFirst) {
  Packet = PacketFile("a.dat", 300);
  const std::string PacketB = PacketFile("b.dat", 300, 5);
  TProjectForm* Project = NewProject(Packet, PacketB);
  Click(Project, "LoadButton");
  WaitForPasses();
  Dialogs.DialogScripts = {AlarmAnswer("EVT_SEVERITY", " >", "2")};
  Project->AddAlarm("");
  EXPECT_EQ(Notices(), 0);  // a new alarm waits for the next batch

  SetRowCheck(Project, "AlarmList", 0, Qt::Unchecked);
  std::vector<std::uint8_t> Bytes;
  TSimGenerator More(3);
  for (int I = 0; I < 300; ++I) {
    const auto Frame = More.NextBaseFrame();
    Bytes.insert(Bytes.end(), Frame.begin(), Frame.end());
  }
  Temp.Append("a.dat", Bytes);
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Notices(), 0);
  EXPECT_EQ(Project->Model().HandledFrames(0), 600);

  SetRowCheck(Project, "AlarmList", 0, Qt::Checked);
  Temp.Append("b.dat", Bytes);
  Project->Model().DataB->UpdateFromFile();
  const TTreesAgain TreesB(*Project->Model().DataB);
  ASSERT_EQ(TreesB.Roots.size(), 600u);
  const int Expected =
      Matching(*Project, std::span(TreesB.Roots).subspan(300), "EVT_SEVERITY", [](double V) { return V > 2; });
  ASSERT_GT(Expected, 0);
  EXPECT_EQ(Hits(), Expected);
  EXPECT_EQ(Notices(), 1);
  EXPECT_EQ(Project->Model().HandledFrames(1), 600);
  EXPECT_EQ(Project->Model().HandledFrames(0), 600);
}

TEST_F(Alarms, ABooleanEqualsOneFiresOncePerBaseFrameThatCarriesIt) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  Temp.Append("a.dat", TSimGenerator(11).NextBaseFrame());
  std::vector<std::uint8_t> Two;
  for (const auto& F : {TSimGenerator(12).NextBaseFrame(), TSimGenerator(13).NextBaseFrame()})
    Two.insert(Two.end(), F.begin(), F.end());
  Temp.Append("a.dat", Two);
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Hits(), 3);
  ASSERT_EQ(Notices(), 1);
  EXPECT_EQ(Dialogs.Notices[0]->Text, "Alarm triggered: DFH_FLAG = 1\r\nWith value: 1\r\n(2 more hits in this update)");
}

// The real notices: none waits for its OK, and one that is open takes the
// hits of the later updates.
TEST_F(Alarms, AnOpenNoticeCountsTheHitsOfLaterUpdatesAndHoldsNothingBack) {
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  TDialogs* Scripted = SetDialogs(nullptr);
  const QScopeGuard Restore([Scripted] { SetDialogs(Scripted); });
  const auto Pass = [&](std::initializer_list<std::uint32_t> Seeds) {
    for (std::uint32_t Seed : Seeds) Temp.Append("a.dat", TSimGenerator(Seed).NextBaseFrame());
    Project->Model().DataA->UpdateFromFile();
  };
  const auto OpenNotices = [Project] {
    QList<QMessageBox*> Open;
    for (QMessageBox* Box : Project->findChildren<QMessageBox*>())
      if (Box->isVisible()) Open.append(Box);
    return Open;
  };
  Pass({11, 12});
  Pass({13});
  Pass({14, 15, 16});
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 7);
  ASSERT_EQ(OpenNotices().size(), 1);
  EXPECT_FALSE(OpenNotices()[0]->isModal());
  EXPECT_EQ(
      OpenNotices()[0]->text(),
      "Alarm triggered: DFH_FLAG = 1\nWith value: 1\n(1 more hits in this update)\n(4 more hits in later updates)");

  // Once closed by its OK, the next update opens a new notice.
  OpenNotices()[0]->button(QMessageBox::Ok)->click();
  ProcessPendingEvents();
  EXPECT_TRUE(OpenNotices().isEmpty());
  Pass({17});
  ASSERT_EQ(OpenNotices().size(), 1);
  EXPECT_EQ(OpenNotices()[0]->text(), "Alarm triggered: DFH_FLAG = 1\nWith value: 1");
  EXPECT_EQ(Hits(), 7);
}

TEST_F(Alarms, WithNoticesOffHitsGoOnlyToTheAlarmWindowWhereTheyAreCountedAcknowledgedAndOpened) {
  auto* Window = new TAlarmHitsForm;
  const QScopeGuard Free([Window] { delete Window; });
  std::vector<std::pair<std::uint64_t, std::int64_t>> Opened;
  Window->OnOpenHit = [&](std::uint64_t Project, std::int64_t SerialNo) { Opened.push_back({Project, SerialNo}); };
  TProjectForm* Project = LoadedProject(1);
  Child<QCheckBox>(Project, "NoticesCheck")->setChecked(false);
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  for (std::uint32_t Seed : {11, 12, 13}) Temp.Append("a.dat", TSimGenerator(Seed).NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Hits(), 3);
  EXPECT_EQ(Notices(), 0);

  ASSERT_EQ(RowCount(Window, "HitView"), 3);
  const auto Cell = [Window](int Row, int Column, int Role = Qt::DisplayRole) {
    return Child<QTableView>(Window, "HitView")->model()->index(Row, Column).data(Role);
  };
  EXPECT_EQ(Cell(0, 2).toString(), "DFH_FLAG = 1");
  EXPECT_EQ(Cell(0, 3).toString(), "1");
  // The first hit lies in the second BaseFrame; its tree names it.
  const TProject& Model = Project->Model();
  EXPECT_EQ(Cell(0, 1).toString().toStdString(),
            NodeNameText(*Model.Definition, *TTreesAgain(*Model.DataA).Roots.at(1), Model.StartTime));
  EXPECT_TRUE(Cell(0, 1).toString().contains(". BF, ")) << Cell(0, 1).toString().toStdString();
  EXPECT_EQ(Child<QLabel>(Window, "CountLabel")->text(), "DFH_FLAG = 1: 3 hits, 3 not acknowledged");

  Child<QTableView>(Window, "HitView")->selectRow(1);
  Click(Window, "AcknowledgeButton");
  EXPECT_EQ(Cell(1, 0, Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
  EXPECT_NE(Cell(0, 0, Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
  EXPECT_EQ(Child<QLabel>(Window, "CountLabel")->text(), "DFH_FLAG = 1: 3 hits, 2 not acknowledged");
  Click(Window, "AcknowledgeAllButton");
  EXPECT_EQ(Child<QLabel>(Window, "CountLabel")->text(), "DFH_FLAG = 1: 3 hits, 0 not acknowledged");

  // A double click asks for the hit node of its project.
  DoubleClickRow(Child<QTableView>(Window, "HitView"), 2);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].first, Project->Model().Id());
  int Found = 0;
  std::function<void(const TDecodedNode*)> Visit = [&](const TDecodedNode* Node) {
    for (; Node; Node = Node->Next) {
      Visit(Node->Child);
      Found += Node->SerialNo == Opened[0].second && Project->Model().Definition->NodeVarName(*Node) == "DFH_FLAG" &&
               Node->Value == 1;
    }
  };
  for (const TDecodedNode* Root : TTreesAgain(*Project->Model().DataA).Roots) Visit(Root);
  EXPECT_EQ(Found, 1);
}

TEST_F(Alarms, AWarningLevelListsWarningsInYellowWithoutANotice) {
  auto* Window = new TAlarmHitsForm;
  const QScopeGuard Free([Window] { delete Window; });
  TProjectForm* Project = LoadedProject(1);
  Dialogs.DialogScripts = {[](QDialog& Dialog) {
    AlarmAnswer("DFH_FLAG", " >", "5")(Dialog);
    Child<QLineEdit>(&Dialog, "WarningEdit")->setText("0,5");
    return int(QDialog::Accepted);
  }};
  Project->AddAlarm("");
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "DFH_FLAG > 5 (warning 0,5)");
  for (std::uint32_t Seed : {11, 12}) Temp.Append("a.dat", TSimGenerator(Seed).NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Notices(), 0);
  EXPECT_TRUE(Log.Has(llWarn, "Warning level reached: DFH_FLAG > 0,5 with value: 1"));
  ASSERT_EQ(RowCount(Window, "HitView"), 2);
  EXPECT_EQ(Child<QTableView>(Window, "HitView")->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
            QColor(0xFF, 0xF0, 0x80));
  // Warnings are counted apart from alarm hits.
  EXPECT_EQ(Child<QLabel>(Window, "CountLabel")->text(), "DFH_FLAG > 5 (warning 0,5): 2 warnings, 2 not acknowledged");
  Window->AddHit({0, "9. BF", "DFH_FLAG > 5 (warning 0,5)", 6, Project->Model().Id(), 0});
  Child<QTableView>(Window, "HitView")->selectRow(0);
  Click(Window, "AcknowledgeButton");
  EXPECT_EQ(Child<QLabel>(Window, "CountLabel")->text(),
            "DFH_FLAG > 5 (warning 0,5): 1 hit, 1 not acknowledged; 2 warnings, 1 not acknowledged");
}

TEST_F(Alarms, TheAlarmWindowFollowsNewHitsAndFitsItsColumnsToTheirTexts) {
  auto* Window = new TAlarmHitsForm;
  const QScopeGuard Free([Window] { delete Window; });
  Window->show();
  const auto Add = [Window](const std::string& Frame) { Window->AddHit({0, Frame, "X > 1", 2, 1, 0}); };
  for (int I = 0; I < 40; ++I) Add(std::to_string(I) + ". BF");
  RunEventsUntilIdle();
  QScrollBar* Bar = Child<QTableView>(Window, "HitView")->verticalScrollBar();
  ASSERT_GT(Bar->maximum(), 0);
  EXPECT_EQ(Bar->value(), Bar->maximum());
  // Scrolled back, the view stays where the user put it.
  Bar->setValue(0);
  Add("40. BF");
  RunEventsUntilIdle();
  EXPECT_EQ(Bar->value(), 0);
  // A longer text widens its column as far as the view's own fit would.
  Add("41. BF, 01.01.2003 12:00:00, a caption longer than any before");
  RunEventsUntilIdle();
  Bar->setValue(Bar->maximum());
  const int Fitted = Child<QTableView>(Window, "HitView")->columnWidth(1);
  Child<QTableView>(Window, "HitView")->resizeColumnToContents(1);
  EXPECT_GE(Fitted, Child<QTableView>(Window, "HitView")->columnWidth(1));
  EXPECT_GT(Fitted, 300);
}

}  // namespace
