#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <optional>

#include "GuiFixture.h"
#include "TreesAgain.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "browser/BrowserForm.h"
#include "log/AlarmHitsForm.h"
#include "widgets/RecentProjects.h"

namespace {

class Shell : public testing::Test {
 protected:
  void SetUp() override {
    // Window tests run before in the same process leave their projects in the list.
    for (const QString& Path : RecentProjects()) RemoveRecentProject(Path);
    Program.emplace();
  }
  void TearDown() override { Program.reset(); }

  static std::string Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }

  // The program's window of that class.
  template <class T>
  static T* ProgramWindow() {
    for (QWidget* Window : QApplication::topLevelWidgets())
      if (auto* Found = dynamic_cast<T*>(Window)) return Found;
    throw std::logic_error("no such window");
  }

  void RunSplash() {
    for (int Tick = 0; Tick < 75; ++Tick) Program->Splash().OnFadeTick();
  }

  TScriptedDialogs Dialogs;
  TTempDir Temp;
  std::optional<TProgram> Program;
};

TEST_F(Shell, TheSplashFadesInHoldsAndGivesWayToTheMainAndLogWindows) {
  EXPECT_TRUE(Program->Splash().isVisible());
  EXPECT_EQ(Program->Splash().size(), QSize(398, 199));
  EXPECT_EQ(Child<QLabel>(&Program->Splash(), "VersionLabel")->text(), "V1.9.3 - 9.4.2007");
  EXPECT_EQ(Child<QTimer>(&Program->Splash(), "FadeTimer")->interval(), 30);
  EXPECT_FALSE(ProgramWindow<TAlarmForm>()->isVisible());
  EXPECT_FALSE(ProgramWindow<TLoadForm>()->isVisible());
  EXPECT_FALSE(ProgramWindow<TLoadForm>()->Busy);
  EXPECT_EQ(Program->Splash().windowOpacity(), 0.0);

  // Opacity in steps of 10 of 255 up to full, then 50 ticks held.
  std::vector<int> Opacity;
  for (int Tick = 0; Tick < 74; ++Tick) {
    Program->Splash().OnFadeTick();
    Opacity.push_back(qRound(Program->Splash().windowOpacity() * 255));
  }
  EXPECT_EQ(Opacity[0], 10);
  EXPECT_EQ(Opacity[23], 240);
  EXPECT_EQ(Opacity[24], 255);
  EXPECT_EQ(Program->MainWindow(), nullptr);
  Program->Splash().OnFadeTick();
  ASSERT_NE(Program->MainWindow(), nullptr);
  ASSERT_NE(Program->LogWindow(), nullptr);
  EXPECT_TRUE(Program->MainWindow()->isVisible());
  EXPECT_TRUE(Program->LogWindow()->isVisible());
  EXPECT_FALSE(Program->Splash().isVisible());
  EXPECT_FALSE(Child<QTimer>(&Program->Splash(), "FadeTimer")->isActive());
  EXPECT_EQ(Program->MainWindow()->windowTitle(), "Vorex Data Tracker and Browser");
  EXPECT_EQ(Program->LogWindow()->windowTitle(), "Log Window");
  // At the left edge, 569 from the top; on the test screen, 800 wide, it
  // shrinks to the screen's width.
  const QRect Available = Program->LogWindow()->screen()->availableGeometry();
  ASSERT_EQ(Available.width(), 800);
  EXPECT_TRUE(Available.contains(Program->LogWindow()->frameGeometry()));
  EXPECT_EQ(Program->LogWindow()->frameGeometry().width(), 800);
  EXPECT_EQ(Program->LogWindow()->geometry().top(), 569);
  EXPECT_EQ(Program->LogWindow()->height(), 171);
  EXPECT_TRUE(Available.contains(Program->AlarmWindow().frameGeometry()));
}

TEST_F(Shell, AboutShowsTheNoticeWithTheVersion) {
  RunSplash();
  Trigger(Program->MainWindow(), "AboutAction");
  ASSERT_EQ(Dialogs.Asked.size(), 1u);
  EXPECT_EQ(Dialogs.Asked[0].Text, "RIRA Zaze Rere\r\nV1.9.3 - 9.4.2007");
  EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Information);
  EXPECT_EQ(Dialogs.Asked[0].Buttons, dbOK);
}

TEST_F(Shell, TheViewMenuTracksTheLogWindow) {
  RunSplash();
  EXPECT_TRUE(Child<QAction>(Program->MainWindow(), "LogWindowAction")->isChecked());
  const QPointer<TLogForm> Log = Program->LogWindow();
  Log->close();  // its own close button only hides it
  ProcessPendingEvents();
  EXPECT_FALSE(Log.isNull());
  emit Child<QMenu>(Program->MainWindow(), "ViewMenu")->aboutToShow();
  EXPECT_FALSE(Child<QAction>(Program->MainWindow(), "LogWindowAction")->isChecked());
  Trigger(Program->MainWindow(), "LogWindowAction");
  EXPECT_TRUE(Program->LogWindow()->isVisible());
  emit Child<QMenu>(Program->MainWindow(), "ViewMenu")->aboutToShow();
  EXPECT_TRUE(Child<QAction>(Program->MainWindow(), "LogWindowAction")->isChecked());
  Trigger(Program->MainWindow(), "LogWindowAction");
  EXPECT_FALSE(Program->LogWindow()->isVisible());
}

TEST_F(Shell, NewProjectsAndCloseLast) {
  RunSplash();
  Trigger(Program->MainWindow(), "NewProjectAction");
  Trigger(Program->MainWindow(), "NewProjectAction");
  ASSERT_EQ(Program->Projects().All().size(), 2);
  TProjectForm* First = Program->Projects().All()[0];
  EXPECT_EQ(Program->Projects().Newest()->windowTitle(), "Project Setup - Unsaved");
  Dialogs.Answers = {dbNo};
  Trigger(Program->MainWindow(), "CloseLastAction");
  ProcessPendingEvents();
  ASSERT_EQ(Program->Projects().All().size(), 1);
  EXPECT_EQ(Program->Projects().Newest(), First);
  Dialogs.Answers = {dbNo};
  Trigger(Program->MainWindow(), "CloseLastAction");
  ProcessPendingEvents();
  EXPECT_EQ(Program->Projects().Newest(), nullptr);
  // Without a project window the last-project commands do nothing.
  Dialogs.Asked.clear();
  Trigger(Program->MainWindow(), "CloseLastAction");
  Trigger(Program->MainWindow(), "SaveProjectAction");
  Trigger(Program->MainWindow(), "SaveProjectAsAction");
  EXPECT_TRUE(Dialogs.Asked.empty());
  EXPECT_TRUE(Dialogs.FileDialogs.empty());
}

TEST_F(Shell, NewProjectWindowsOpenOnTheScreenAndNotOnTopOfEachOther) {
  RunSplash();
  for (int I = 0; I < 3; ++I) Trigger(Program->MainWindow(), "NewProjectAction");
  Program->Projects().All()[0]->close();
  ProcessPendingEvents();
  Trigger(Program->MainWindow(), "NewProjectAction");
  ASSERT_EQ(Program->Projects().All().size(), 3);
  const QRect Available = Program->Projects().Newest()->screen()->availableGeometry();
  QSet<std::pair<int, int>> Places;
  for (const TProjectForm* Project : Program->Projects().All()) {
    EXPECT_TRUE(Available.contains(Project->frameGeometry()));
    Places.insert({Project->x(), Project->y()});
  }
  EXPECT_EQ(Places.size(), 3);
}

TEST_F(Shell, OpenAndSaveGoThroughTheProjectFileDialogs) {
  RunSplash();
  const std::string Path = Temp.Write("p.vproject", "[VorexProject]\r\nPaketFileA=run.dat\r\n");
  Dialogs.Files = {""};
  Trigger(Program->MainWindow(), "OpenProjectAction");
  EXPECT_TRUE(Program->Projects().All().isEmpty());
  Dialogs.Files = {QString::fromStdString(Path)};
  Trigger(Program->MainWindow(), "OpenProjectAction");
  ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
  EXPECT_EQ(Dialogs.FileDialogs[1].Filter, "Project Files|*.vproject");
  EXPECT_EQ(Dialogs.FileDialogs[1].DefaultExt, "*.vproject");
  EXPECT_TRUE(Dialogs.FileDialogs[1].MustExist);
  ASSERT_NE(Program->Projects().Newest(), nullptr);
  EXPECT_EQ(Program->Projects().Newest()->windowTitle().toStdString(), "Project Setup - " + Path);
  EXPECT_EQ(Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->text(), "run.dat");

  // "Save last Project" writes in place; "Save ... as" asks once and writes to the name chosen.
  Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->setText("run2.dat");
  Trigger(Program->MainWindow(), "SaveProjectAction");
  EXPECT_EQ(Dialogs.FileDialogs.size(), 2u);
  EXPECT_NE(Read(Path).find("PaketFileA=run2.dat"), std::string::npos);
  const std::string Other = Temp.File("q.vproject");
  Dialogs.Files = {QString::fromStdString(Other)};
  Trigger(Program->MainWindow(), "SaveProjectAsAction");
  EXPECT_EQ(Dialogs.FileDialogs.size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(Other));
  EXPECT_EQ(Program->Projects().Newest()->windowTitle().toStdString(), "Project Setup - " + Other);
  EXPECT_EQ(RecentProjects(), QStringList({QString::fromStdString(Other), QString::fromStdString(Path)}));

  // A recent project that is gone is dropped from the list with a notice; dropped project files open.
  std::filesystem::remove(Other);
  Program->MainWindow()->OpenRecentProject(QString::fromStdString(Other));
  EXPECT_EQ(Dialogs.Asked.back().Text.toStdString(),
            "The project file " + Other + " no longer exists; it is removed from the recent projects.");
  EXPECT_EQ(RecentProjects(), QStringList{QString::fromStdString(Path)});
  QMimeData Dropped;
  Dropped.setUrls({QUrl::fromLocalFile("/tmp/notes.txt")});
  EXPECT_FALSE(Program->MainWindow()->OpenDroppedProjects(Dropped));
  Dropped.setUrls({QUrl::fromLocalFile("/tmp/notes.txt"), QUrl::fromLocalFile(QString::fromStdString(Path))});
  EXPECT_TRUE(Program->MainWindow()->OpenDroppedProjects(Dropped));
  EXPECT_EQ(Program->Projects().Newest()->windowTitle().toStdString(), "Project Setup - " + Path);

  // A file that is no project file opens as an unsaved project, so it is not saved over.
  const std::string Binary = Temp.Write("b.vproject", std::string("[VorexProject]\0PaketFileA=x\n", 28));
  Program->MainWindow()->OpenProjectFile(QString::fromStdString(Binary));
  const QString LastLogLine = Child<QPlainTextEdit>(Program->LogWindow(), "LogEdit")->document()->lastBlock().text();
  EXPECT_TRUE(LastLogLine.endsWith(QString::fromStdString("[Warn] " + Binary + " does not look like a project file.")));
  EXPECT_EQ(Program->Projects().Newest()->windowTitle(), "Project Setup - Unsaved");
  EXPECT_EQ(Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->text(), "");
}

TEST_F(Shell, ADroppedProjectFileIsTakenAsACopyNeverAMove) {
  RunSplash();
  const std::string Path = Temp.Write("p.vproject", "[VorexProject]\r\nPaketFileA=run.dat\r\n");
  QMimeData Dropped;
  Dropped.setUrls({QUrl::fromLocalFile(QString::fromStdString(Path))});
  struct TRow {
    Qt::DropActions Possible;
    Qt::DropAction Proposed;
    bool Taken;
  };
  const TRow Rows[] = {{Qt::CopyAction | Qt::MoveAction, Qt::MoveAction, true},
                       {Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::LinkAction, true},
                       {Qt::CopyAction, Qt::CopyAction, true},
                       {Qt::MoveAction, Qt::MoveAction, false}};
  for (const TRow& Row : Rows) {
    const qsizetype Before = Program->Projects().All().size();
    QDragEnterEvent Enter(QPoint(5, 5), Row.Possible, &Dropped, Qt::LeftButton, Qt::NoModifier);
    Enter.setDropAction(Row.Proposed);
    QApplication::sendEvent(Program->MainWindow(), &Enter);
    QDropEvent Drop(QPointF(5, 5), Row.Possible, &Dropped, Qt::LeftButton, Qt::NoModifier);
    Drop.setDropAction(Row.Proposed);
    QApplication::sendEvent(Program->MainWindow(), &Drop);
    EXPECT_EQ(Enter.isAccepted(), Row.Taken);
    EXPECT_EQ(Drop.isAccepted(), Row.Taken);
    if (Row.Taken) {
      EXPECT_EQ(Enter.dropAction(), Qt::CopyAction);
      EXPECT_EQ(Drop.dropAction(), Qt::CopyAction);
    }
    EXPECT_EQ(Program->Projects().All().size(), Before + (Row.Taken ? 1 : 0));
  }
}

TEST_F(Shell, TheMainCommandsHaveShortcutsThatWorkFromEveryWindow) {
  RunSplash();
  const std::pair<QAction*, const char*> Rows[] = {
      {Child<QAction>(Program->MainWindow(), "NewProjectAction"), "Ctrl+N"},
      {Child<QAction>(Program->MainWindow(), "OpenProjectAction"), "Ctrl+O"},
      {Child<QAction>(Program->MainWindow(), "SaveProjectAction"), "Ctrl+S"},
      {Child<QAction>(Program->MainWindow(), "SaveProjectAsAction"), "Ctrl+Shift+S"},
      {Child<QAction>(Program->MainWindow(), "CloseLastAction"), "Ctrl+W"},
      {Child<QAction>(Program->MainWindow(), "ExitAction"), "Ctrl+Q"},
      {Child<QAction>(Program->MainWindow(), "LogWindowAction"), "Ctrl+L"},
      {Child<QAction>(Program->MainWindow(), "AboutAction"), "F1"}};
  for (const auto& [Action, Keys] : Rows) {
    EXPECT_EQ(Action->shortcut().toString(), Keys) << Action->text().toStdString();
    EXPECT_EQ(Action->shortcutContext(), Qt::ApplicationShortcut);
  }
}

TEST_F(Shell, EditStructureFileHandsThePathToTheEditor) {
  RunSplash();
  Dialogs.Files = {"", "/data/hk.structure"};
  Trigger(Program->MainWindow(), "EditStructureFileAction");
  Trigger(Program->MainWindow(), "EditStructureFileAction");
  ASSERT_EQ(Dialogs.Edited.size(), 1u);
  EXPECT_EQ(Dialogs.Edited[0], "/data/hk.structure");
  EXPECT_EQ(Dialogs.FileDialogs[0].Title, "Open structure file");
  EXPECT_EQ(Dialogs.FileDialogs[0].Filter, "Structure Files (*.structure)|*.structure|All Files (*.*)|*.*");
  EXPECT_TRUE(Dialogs.Asked.empty());

  Dialogs.EditorStarts = false;
  Dialogs.Files = {"/data/hk.structure"};
  Trigger(Program->MainWindow(), "EditStructureFileAction");
  ASSERT_EQ(Dialogs.Asked.size(), 1u);
  EXPECT_EQ(Dialogs.Asked[0].Text, "No program is set up to open /data/hk.structure.");
  EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Error);
}

// Runs the message loop until the program ends it; 1 when it had to be stopped.
int RunMessageLoop() {
  QTimer Watchdog;
  Watchdog.setSingleShot(true);
  QObject::connect(&Watchdog, &QTimer::timeout, [] { QApplication::exit(1); });
  Watchdog.start(3000);
  return QApplication::exec();
}

TEST_F(Shell, ClosingTheMainWindowEndsTheProgramWithoutAQuestionForAnUnchangedProject) {
  RunSplash();
  Trigger(Program->MainWindow(), "NewProjectAction");
  const QPointer<TProjectForm> Project = Program->Projects().Newest();
  QTimer::singleShot(0, [this] { Program->MainWindow()->close(); });
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_FALSE(Program->MainWindow()->isVisible());
  Program.reset();
  EXPECT_TRUE(Project.isNull());
  EXPECT_TRUE(Dialogs.Asked.empty());
}

TEST_F(Shell, ExitAsksToSaveEachChangedProjectAndCancelKeepsTheProgramRunning) {
  RunSplash();
  Trigger(Program->MainWindow(), "NewProjectAction");  // unchanged: it closes without a question
  Trigger(Program->MainWindow(), "NewProjectAction");
  Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->setText("run.dat");
  // Cancel, and Yes followed by a cancelled file dialog, keep the program and the project.
  for (int Answer : {dbCancel, dbYes}) {
    Dialogs.Answers = {Answer};
    QTimer::singleShot(0, [this] { Trigger(Program->MainWindow(), "ExitAction"); });
    QTimer::singleShot(200, [] { QApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 7);
    ASSERT_EQ(Program->Projects().All().size(), 1);
    EXPECT_EQ(Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->text(), "run.dat");
  }
  EXPECT_EQ(Dialogs.FileDialogs.size(), 1u);

  // Closing the main window asks the same; Yes and a name save the project and end the program.
  const std::string Path = Temp.File("run.vproject");
  Dialogs.Answers = {dbYes};
  Dialogs.Files = {QString::fromStdString(Path)};
  QTimer::singleShot(0, [this] { Program->MainWindow()->close(); });
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(Dialogs.Texts(), std::vector<QString>(3, "Do you want to save your changes?"));
  EXPECT_NE(Read(Path).find("PaketFileA=run.dat\r\n"), std::string::npos);
}

TEST_F(Shell, ExitEndsTheProgram) {
  RunSplash();
  QTimer::singleShot(0, [this] { Trigger(Program->MainWindow(), "ExitAction"); });
  EXPECT_EQ(RunMessageLoop(), 0);
}

TEST_F(Shell, AProjectFileNamedAtStartOpensOnceTheMainWindowIsUp) {
  Program.reset();
  const std::string Path = Temp.Write("start.vproject", "[VorexProject]\r\nPaketFileA=start.dat\r\n");
  Program.emplace(QString::fromStdString(Path));
  EXPECT_TRUE(Program->Projects().All().isEmpty());
  RunSplash();
  ASSERT_NE(Program->Projects().Newest(), nullptr);
  EXPECT_EQ(Program->Projects().Newest()->windowTitle().toStdString(), "Project Setup - " + Path);
  EXPECT_EQ(Child<QLineEdit>(Program->Projects().Newest(), "PacketFileEdit")->text(), "start.dat");
}

TEST_F(Shell, TheAlarmWindowShowsBesideTheLogAndOpensABrowserAtADoubleClickedHit) {
  RunSplash();
  EXPECT_TRUE(Program->AlarmWindow().isVisible());
  Trigger(Program->MainWindow(), "AlarmWindowAction");
  EXPECT_FALSE(Program->AlarmWindow().isVisible());
  Trigger(Program->MainWindow(), "AlarmWindowAction");

  const std::string Structure = Temp.File("demo.structure");
  std::filesystem::copy_file(VOREX_DEMO_DIR "/demo.structure", Structure);
  ASSERT_TRUE(WriteDemoPacketFile(Temp.File("a.dat"), 3));
  Trigger(Program->MainWindow(), "NewProjectAction");
  TProjectForm* Project = Program->Projects().Newest();
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(Structure));
  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(Temp.File("a.dat")));
  Click(Project, "LoadButton");
  WaitForPasses();
  const TTreesAgain Trees(*Project->Model().DataA);
  const TDecodedNode* Target = Trees.Roots.at(1)->Child->Next;
  Program->AlarmWindow().AddHit({0, "1. BF", "X > 0", 1, Project->Model().Id(), Target->SerialNo});
  DoubleClickRow(Child<QTableView>(&Program->AlarmWindow(), "HitView"), 0);
  ProcessPendingEvents();
  ASSERT_EQ(Project->Model().Browsers.size(), 1u);
  EXPECT_EQ(FocusedSerial(dynamic_cast<TBrowserForm*>(Project->Model().Browsers[0])), Target->SerialNo);
}

}  // namespace
