#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include "GuiFixture.h"
#include "app/MainForm.h"
#include "log/LogForm.h"

namespace {

class ProjectFiles : public TGuiTest {
 protected:
  static std::string Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }
};

TEST_F(ProjectFiles, SavingWritesTheSettingsAndLoadingReversesTheLists) {
  TProjectForm* Project = NewProject("run1.dat", "run2.dat", true);
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText("hk.structure");
  Child<QCheckBox>(Project, "ResyncCheck")->setChecked(true);
  // The plot list, enabled once a project is loaded, is filled without a load here.
  Child<QGroupBox>(Project, "PlotGroup")->setEnabled(true);
  Click(Project, "AddPlotButton");
  SetRowText(Project, "PlotList", 0, "HK.TEMP1");
  Click(Project, "AddPlotButton");
  const std::string Path = Temp.File("p.vproject");
  // An unsaved project without a path is asked for a name; cancelling writes nothing.
  EXPECT_FALSE(Project->SaveProjectFile(QString()));
  ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
  EXPECT_EQ(Dialogs.FileDialogs[0].Filter, "VOREX Project File|*.vproject");
  EXPECT_EQ(Project->windowTitle(), "Project Setup - Unsaved");
  Dialogs.Files = {QString::fromStdString(Path)};
  EXPECT_TRUE(Project->SaveProjectFile(QString()));
  EXPECT_EQ(Project->windowTitle().toStdString(), "Project Setup - " + Path);
  EXPECT_EQ(
      Read(Path),
      "[VorexProject]\r\nStructureFile=hk.structure\r\nPaketFileA=run1.dat\r\nPaketFileB=run2.dat\r\nTracking=1\r\n"
      "UpdateInterval=60\r\nUpdateOnFileChange=0\r\nNotices=1\r\nResync=1\r\n\r\n"
      "[DataSeries]\r\nCount=2\r\n0=HK.TEMP1\r\n1=Change me!\r\n\r\n[Alarms]\r\nCount=0\r\n\r\n");

  // A saved project writes to its name without asking, and closes without a question until it changes.
  Dialogs.FileDialogs.clear();
  Click(Project, "SaveButton");
  EXPECT_TRUE(Dialogs.FileDialogs.empty());
  const std::size_t Questions = Dialogs.Asked.size();
  Child<QCheckBox>(Project, "TrackingCheck")->setChecked(false);
  Dialogs.Answers = {dbCancel};
  EXPECT_FALSE(Project->close());
  EXPECT_EQ(Dialogs.Asked.size(), Questions + 1);
  Child<QCheckBox>(Project, "TrackingCheck")->setChecked(true);
  EXPECT_TRUE(Project->close());
  EXPECT_EQ(Dialogs.Asked.size(), Questions + 1);

  auto* Loaded = new TProjectForm(*AlarmForm, Projects, Makers);
  Loaded->LoadProjectFile(QString::fromStdString(Path));
  EXPECT_EQ(Child<QComboBox>(Loaded, "StructureFileCombo")->currentText(), "hk.structure");
  EXPECT_EQ(Child<QLineEdit>(Loaded, "SecondPacketFileEdit")->text(), "run2.dat");
  EXPECT_TRUE(Child<QCheckBox>(Loaded, "TrackingCheck")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(Loaded, "ResyncCheck")->isChecked());
  ASSERT_EQ(RowCount(Loaded, "PlotList"), 2);
  EXPECT_EQ(RowText(Loaded, "PlotList", 0), "Change me!");
  EXPECT_EQ(RowText(Loaded, "PlotList", 1), "HK.TEMP1");
  EXPECT_EQ(RowCheck(Loaded, "PlotList", 1), Qt::Unchecked);
}

TEST_F(ProjectFiles, AlarmsRoundTripWithTheirCheckBoxesInReverse) {
  const std::string Path = Temp.Write("a.vproject",
                                      "[alarms]\ncount=2\n[alarm0]\nvarname=TEMP1\noperator=>\nvalue=25,5\nactive=1\n"
                                      "[ALARM1]\nValue=3\n");
  auto* Project = new TProjectForm(*AlarmForm, Projects, Makers);
  Project->LoadProjectFile(QString::fromStdString(Path));
  ASSERT_EQ(RowCount(Project, "AlarmList"), 2);
  EXPECT_EQ(RowText(Project, "AlarmList", 0), "Unknown = 3");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 0), Qt::Unchecked);
  EXPECT_EQ(RowText(Project, "AlarmList", 1), "TEMP1 > 25,5");
  EXPECT_EQ(RowCheck(Project, "AlarmList", 1), Qt::Checked);

  Project->SetProjectFileName(QString::fromStdString(Path));
  Project->SaveProjectFile(QString::fromStdString(Path));
  const std::string Saved = Read(Path);
  // Keys are replaced where they stand, in the spelling the file had.
  EXPECT_NE(Saved.find("[alarm0]\r\nvarname=Unknown\r\noperator==\r\nvalue=3\r\nactive=0\r\n"), std::string::npos)
      << Saved;
  EXPECT_NE(Saved.find("[ALARM1]\r\nValue=25,5\r\nVarName=TEMP1\r\nOperator=>\r\nActive=1\r\n"), std::string::npos)
      << Saved;
}

TEST_F(ProjectFiles, AFileThatCannotBeWrittenGivesTheErrorNoticeAndTheCaptionIsAlreadySet) {
  TProjectForm* Project = NewProject("x.dat");
  const std::string Path = Temp.File("no/such/folder/p.vproject");
  Dialogs.Files = {QString::fromStdString(Path)};
  Click(Project, "SaveButton");
  ASSERT_FALSE(Dialogs.Asked.empty());
  EXPECT_EQ(Dialogs.Asked.back().Type, TDlgType::Error);
  EXPECT_EQ(Dialogs.Asked.back().Text.toStdString(), "Cannot create file \"" + Path + "\".");
  EXPECT_EQ(Project->windowTitle().toStdString(), "Project Setup - " + Path);
}

TEST_F(ProjectFiles, TheCloseQuestionSavesKeepsOrDiscards) {
  TProjectForm* Project = NewProject("x.dat");
  QPointer<TProjectForm> Watched = Project;
  Dialogs.Answers = {dbCancel};
  EXPECT_FALSE(Project->close());
  EXPECT_EQ(Dialogs.Asked.back().Text, "Do you want to save your changes?");
  EXPECT_EQ(Dialogs.Asked.back().Buttons, dbYes | dbNo | dbCancel);

  // Yes on an unsaved project asks for a name; cancelling that keeps the window.
  Dialogs.Answers = {dbYes};
  EXPECT_FALSE(Project->close());
  EXPECT_EQ(Dialogs.FileDialogs.size(), 1u);
  Dialogs.Answers = {dbNo};
  EXPECT_TRUE(Project->close());
  ProcessPendingEvents();
  EXPECT_TRUE(Watched.isNull());

  // A new window nobody changed closes without a question.
  const std::size_t Questions = Dialogs.Asked.size();
  EXPECT_TRUE((new TProjectForm(*AlarmForm, Projects, Makers))->close());
  EXPECT_EQ(Dialogs.Asked.size(), Questions);

  TProjectForm* Saved = NewProject("y.dat");
  const std::string Path = Temp.File("s.vproject");
  Saved->SetProjectFileName(QString::fromStdString(Path));
  Dialogs.Answers = {dbYes};
  EXPECT_TRUE(Saved->close());
  EXPECT_NE(Read(Path).find("PaketFileA=y.dat\r\n"), std::string::npos);

  // A save that fails keeps the window open.
  TProjectForm* Failing = NewProject("z.dat");
  Failing->SetProjectFileName(QString::fromStdString(Temp.File("gone/f.vproject")));
  Dialogs.Answers = {dbYes};
  EXPECT_FALSE(Failing->close());
  EXPECT_EQ(Dialogs.Asked.back().Type, TDlgType::Error);
}

TEST_F(ProjectFiles, TheNewestOpenWindowIsTheLastProject) {
  TProjectForm* First = NewProject("");
  TProjectForm* Second = NewProject("");
  EXPECT_EQ(Projects.Newest(), Second);
  Dialogs.Answers = {dbNo};
  Second->close();
  ProcessPendingEvents();
  EXPECT_EQ(Projects.Newest(), First);
  Dialogs.Answers = {dbNo};
  First->close();
  ProcessPendingEvents();
  EXPECT_EQ(Projects.Newest(), nullptr);
}

}  // namespace
