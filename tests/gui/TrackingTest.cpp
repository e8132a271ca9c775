#include <spawn.h>
#include <sys/wait.h>

#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <csignal>

#include "GuiFixture.h"
#include "TreesAgain.h"

extern char** environ;

namespace {

class Tracking : public TGuiTest {
 protected:
  void TrackWriter(const std::string& Path, const std::vector<std::string>& Pieces, std::uint32_t Seed);
};

// Records what the progress window shows whenever a pass lets events run.
class TWatchedLoadForm : public TLoadForm {
 public:
  struct TSeen {
    std::string Counter;
    int Bar;
    bool Visible;
    bool Busy;
  };
  std::vector<TSeen> Seen;
  void PositionShown() override {
    Seen.push_back({Child<QLabel>(this, "CounterLabel")->text().toStdString(),
                    Child<QProgressBar>(this, "ProgressBar")->value(), isVisible(), Busy});
  }
};

// Counts passes and how deep they ever nested (a pass shows the window and hides it).
class TNestingLoadForm : public TLoadForm {
 public:
  int Depth = 0, Deepest = 0, Passes = 0;
  void ShowProgress() override {
    Deepest = std::max(Deepest, ++Depth);
    ++Passes;
    TLoadForm::ShowProgress();
  }
  void HideProgress() override {
    --Depth;
    TLoadForm::HideProgress();
  }
};

TEST_F(Tracking, TheProgressWindowCountsBaseFramesAndFollowsTheBytePosition) {
  delete LoadForm;
  auto* Watched = new TWatchedLoadForm;
  LoadForm = Watched;
  EXPECT_FALSE(Watched->isVisible());
  EXPECT_FALSE(Watched->Busy);
  EXPECT_EQ(Watched->size(), QSize(304, 55));
  EXPECT_EQ(Child<QLabel>(Watched, "TitleLabel")->text(), "Loading / Evaluating ...");
  TProjectForm* Project = NewProject(PacketFile("a.dat", 100));
  Click(Project, "LoadButton");
  WaitForPasses();
  // Events run at the first BaseFrame and then now and then; whenever they
  // run, the window shows the BaseFrame the pass has reached.
  ASSERT_FALSE(Watched->Seen.empty());
  EXPECT_EQ(Watched->Seen[0].Counter, "0");
  int Previous = -1;
  for (const auto& Seen : Watched->Seen) {
    EXPECT_EQ(Seen.Bar % 280, 0);
    EXPECT_EQ(Seen.Counter, std::to_string(Seen.Bar / 280));
    EXPECT_GT(Seen.Bar, Previous);
    Previous = Seen.Bar;
    EXPECT_TRUE(Seen.Visible);
    EXPECT_TRUE(Seen.Busy);
  }
  EXPECT_EQ(Child<QProgressBar>(Watched, "ProgressBar")->maximum(), 28000);
  EXPECT_EQ(Child<QProgressBar>(Watched, "ProgressBar")->value(), 28000);
  EXPECT_EQ(Child<QLabel>(Watched, "CounterLabel")->text(), "100");
  EXPECT_FALSE(Watched->isVisible());
  EXPECT_FALSE(Watched->Busy);
  // Files of 2 GiB and more: the bar still goes from empty to full.
  const std::int64_t Huge = std::int64_t{3} << 31;
  Watched->SetMaximum(Huge);
  Watched->SetPosition(Huge / 2);
  EXPECT_EQ(Child<QProgressBar>(Watched, "ProgressBar")->value(),
            Child<QProgressBar>(Watched, "ProgressBar")->maximum() / 2);
  Watched->SetPosition(Huge);
  EXPECT_EQ(Child<QProgressBar>(Watched, "ProgressBar")->value(),
            Child<QProgressBar>(Watched, "ProgressBar")->maximum());
}

TEST_F(Tracking, ATickDuringAnotherHoldersPassIsDelayedByTenSecondsEachTime) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 50), PacketFile("b.dat", 5, 2), true);
  Click(Project, "LoadButton");
  WaitForPasses();
  TProjectForm* Other = NewProject(PacketFile("c.dat", 5, 3), "", true);
  Click(Other, "LoadButton");
  WaitForPasses();
  TTimer& OtherTimer = *Other->Model().DataA->Timer;
  TTimer& TimerB = *Project->Model().DataB->Timer;
  EXPECT_EQ(OtherTimer.Interval(), 60000);

  // An alarm notice of a pass of DataA stands for "while the pass runs".
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  struct TTickingDialogs : TScriptedDialogs {
    std::function<void()> During;
    std::unique_ptr<TNotice> ShowNotice(QWidget* P, const QString& T, TDlgType Ty) override {
      if (During) During();
      return TScriptedDialogs::ShowNotice(P, T, Ty);
    }
  } Ticking;
  int Notices = 0;
  Ticking.During = [&] {
    ++Notices;
    EXPECT_TRUE(LoadForm->Busy);
    for (int Tick = 0; Tick < 2; ++Tick) {
      Other->Model().DataA->UpdateFromFile();
      Project->Model().DataB->UpdateFromFile();
    }
  };
  Temp.Append("c.dat", TSimGenerator(8).NextBaseFrame());
  Temp.Append("b.dat", TSimGenerator(9).NextBaseFrame());
  std::vector<std::uint8_t> Two;
  for (std::uint32_t Seed : {4u, 5u}) {
    const auto F = TSimGenerator(Seed).NextBaseFrame();
    Two.insert(Two.end(), F.begin(), F.end());
  }
  Temp.Append("a.dat", Two);
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Notices, 1);
  EXPECT_EQ(OtherTimer.Interval(), 80000);
  EXPECT_EQ(TimerB.Interval(), 80000);
  EXPECT_TRUE(Log.Has(llInfo, "Update on " + Temp.File("c.dat") + " delayed: other update in progress."));
  // Nothing of the delayed files was decoded inside the pass.
  EXPECT_EQ(Other->Model().DataA->FrameCount(), 5);
  EXPECT_EQ(Project->Model().DataB->FrameCount(), 5);
  Other->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Other->Model().DataA->FrameCount(), 6);
}

TEST_F(Tracking, AFailedPassHidesTheProgressWindowAndOtherProjectsKeepTracking) {
  TProjectForm* Failing = NewProject(PacketFile("a.dat", 3), "", true);
  Click(Failing, "LoadButton");
  WaitForPasses();
  TProjectForm* Other = NewProject(PacketFile("b.dat", 3, 2), "", true);
  Click(Other, "LoadButton");
  WaitForPasses();
  std::filesystem::remove(Temp.File("a.dat"));
  Failing->Model().DataA->UpdateFromFile();
  EXPECT_TRUE(Log.Has(llError, "Cannot read paket file " + Temp.File("a.dat") + "."));
  EXPECT_FALSE(LoadForm->isVisible());
  EXPECT_FALSE(LoadForm->Busy);
  EXPECT_EQ(Failing->Model().DataA->FrameCount(), 3);
  Temp.Append("b.dat", TSimGenerator(5).NextBaseFrame());
  Other->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Other->Model().DataA->FrameCount(), 4);
}

// Starts vorex-sim writing Path; returns its process id.
pid_t StartWriter(const std::vector<std::string>& Arguments) {
  std::vector<char*> Argv;
  std::vector<std::string> Storage = Arguments;
  for (std::string& A : Storage) Argv.push_back(A.data());
  Argv.push_back(nullptr);
  pid_t Pid = 0;
  if (posix_spawn(&Pid, Argv[0], nullptr, nullptr, Argv.data(), environ) != 0) return -1;
  return Pid;
}

// Tracks a file that vorex-sim writes (Initial BaseFrames, then Appended more
// with the writer options Pieces) and checks that every BaseFrame appears
// once, in file order, with the writer's bytes and unchanged serial numbers.
void Tracking::TrackWriter(const std::string& Path, const std::vector<std::string>& Pieces, std::uint32_t Seed) {
  const int Initial = 20, Appended = 30;
  std::vector<std::string> Arguments = {VOREX_SIM,        Path,
                                        "--frames",       std::to_string(Initial),
                                        "--append-every", "0.05",
                                        "--count",        std::to_string(Appended),
                                        "--seed",         std::to_string(Seed)};
  Arguments.insert(Arguments.end(), Pieces.begin(), Pieces.end());
  const pid_t Writer = StartWriter(Arguments);
  ASSERT_GT(Writer, 0);
  ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(Path) && std::filesystem::file_size(Path) >= 280; }, 5000));
  TProjectForm* Project = NewProject(Path, "", true);
  Click(Project, "LoadButton");
  WaitForPasses();
  ASSERT_TRUE(Project->Model().DataA);
  Project->Model().DataA->Timer->SetInterval(40);
  std::vector<std::int64_t> FirstSerials;
  const TTreesAgain First(*Project->Model().DataA);
  for (const TDecodedNode* Root : First.Roots) FirstSerials.push_back(Root->SerialNo);

  int Status = 0;
  ASSERT_TRUE(RunUntil([&] { return waitpid(Writer, &Status, WNOHANG) == Writer; }, 20000)) << "writer did not end";
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  ASSERT_TRUE(RunUntil([&] { return Project->Model().DataA->FrameCount() == Initial + Appended; }, 5000));

  TSimGenerator Expected(Seed);
  const std::unique_ptr<TData>& Data = Project->Model().DataA;
  std::int64_t Index = 0;
  const TTreesAgain Trees(*Data);
  for (const TDecodedNode* Node : Trees.Roots) {
    const auto Root = static_cast<std::size_t>(Index++);
    EXPECT_EQ(Node->Position, static_cast<std::int64_t>(Root) * 280);
    const auto Bytes = Expected.NextBaseFrame();
    // The data as read, its words swapped.
    std::vector<std::uint8_t> Read(Bytes.size());
    ASSERT_TRUE(Data->ReadData(Node->Position, Read));
    for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2) ASSERT_EQ(Read[I], Bytes[I + 1]);
    if (Root < FirstSerials.size()) {
      EXPECT_EQ(Node->SerialNo, FirstSerials[Root]);
    }
    if (Root > 0) {
      EXPECT_LT(Trees.Roots[Root - 1]->SerialNo, Node->SerialNo);
    }
  }
  EXPECT_EQ(Index, Initial + Appended);
  EXPECT_EQ(Project->Model().HandledFrames(0), Initial + Appended);
}

TEST_F(Tracking, AFileGrowingBySevenBytePiecesGivesEveryBaseFrameOnceInOrder) {
  TrackWriter(Temp.File("live.dat"), {"--chunk", "7"}, 21);
}

TEST_F(Tracking, AFileGrowingByPiecesOfRandomSizeGivesEveryBaseFrameOnceInOrder) {
  // Pieces of 1 to 700 bytes that end anywhere, also inside the sync marker.
  TrackWriter(Temp.File("live.dat"), {"--random-chunks", "700"}, 22);
}

TEST_F(Tracking, AShorterFileKeepsTheDecodedBaseFramesAndDecodesWhatGrowsBeyondThem) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 6), "", true);
  Click(Project, "LoadButton");
  WaitForPasses();
  // Cut to its first two BaseFrames: nothing appended, nothing lost.
  PacketFile("a.dat", 2);
  Project->Model().DataA->UpdateFromFile();
  EXPECT_TRUE(Log.Has(llWarn, "File " + Temp.File("a.dat") +
                                  " has changed, but has not grown for at least the size of the BaseFrame."));
  EXPECT_TRUE(Log.Has(llWarn, "No data appended!"));
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 6);
  EXPECT_EQ(Project->Model().HandledFrames(0), 6);
  // Growing past the BaseFrames decoded so far, it is decoded from there on.
  TSimGenerator Generator(5);
  for (int I = 0; I < 7; ++I) Temp.Append("a.dat", Generator.NextBaseFrame());
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 9);
  EXPECT_EQ(Project->Model().HandledFrames(0), 9);
  std::int32_t Position = 0;
  const TTreesAgain Trees(*Project->Model().DataA);
  EXPECT_EQ(Trees.Roots.size(), 9u);
  for (const TDecodedNode* Root : Trees.Roots) {
    EXPECT_EQ(Root->Position, Position);
    Position += 280;
  }
}

TEST_F(Tracking, AChangeNotificationStartsAPassLongBeforeTheIntervalEnds) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 3), "", true);
  Child<QSpinBox>(Project, "UpdateIntervalSpin")->setValue(3600);
  Child<QCheckBox>(Project, "UpdateOnFileChangeCheck")->setChecked(true);
  Click(Project, "LoadButton");
  WaitForPasses();
  EXPECT_EQ(Project->Model().DataA->Timer->Interval(), 3600000);
  TSimGenerator Generator(5);
  for (int I = 0; I < 2; ++I) Temp.Append("a.dat", Generator.NextBaseFrame());
  EXPECT_TRUE(RunUntil([&] { return Project->Model().HandledFrames(0) == 5; }, 10000));
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 5);
}

TEST_F(Tracking, AFileThatGoesAwayOrCannotBeReadKeepsItsBaseFramesAndComesBack) {
  const std::string Folder = Temp.File("recorder");
  std::filesystem::create_directory(Folder);
  const std::string Path = Folder + "/a.dat";
  std::filesystem::copy_file(PacketFile("source.dat", 4), Path);
  TProjectForm* Project = NewProject(Path, "", true);
  Click(Project, "LoadButton");
  WaitForPasses();
  const std::string Message = "Cannot read paket file " + Path + ".";
  const auto Fails = [&](const std::function<void()>& Break, const std::string& Error) {
    Log.Clear();
    Break();
    Project->Model().DataA->UpdateFromFile();
    EXPECT_TRUE(Log.Has(llError, Error));
    EXPECT_EQ(Project->Model().DataA->FrameCount(), 4);
    EXPECT_FALSE(LoadForm->Busy);
  };
  Fails([&] { std::filesystem::remove(Path); }, Message);
  // A folder where the file was cannot be read as one.
  Fails([&] { std::filesystem::create_directory(Path); }, "Paket file " + Path + " is not a regular file, not loaded.");
  Fails([&] { std::filesystem::remove_all(Folder); }, Message);
  // The recorder comes back with more data, a copy that starts as the file
  // did: tracking goes on where it was.
  std::filesystem::create_directory(Folder);
  std::filesystem::copy_file(PacketFile("more.dat", 6), Path);
  Project->Model().DataA->UpdateFromFile();
  EXPECT_EQ(Project->Model().DataA->FrameCount(), 6);
  EXPECT_EQ(Project->Model().HandledFrames(0), 6);
}

TEST_F(Tracking, TwoProjectsTrackingFourGrowingFilesNeverRunOnePassInsideAnother) {
  delete LoadForm;
  auto* Watched = new TNestingLoadForm;
  LoadForm = Watched;
  const std::vector<std::string> Names = {"a.dat", "b.dat", "c.dat", "d.dat"};
  std::vector<pid_t> Writers;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    Writers.push_back(StartWriter({VOREX_SIM, Temp.File(Names[I]), "--frames", "3", "--append-every", "0.03", "--count",
                                   "25", "--random-chunks", "300", "--seed", std::to_string(30 + I)}));
    ASSERT_GT(Writers.back(), 0);
  }
  ASSERT_TRUE(RunUntil(
      [&] {
        for (const std::string& Name : Names)
          if (!std::filesystem::exists(Temp.File(Name)) || std::filesystem::file_size(Temp.File(Name)) < 840)
            return false;
        return true;
      },
      5000));
  TProjectForm* First = NewProject(Temp.File("a.dat"), Temp.File("b.dat"), true);
  Click(First, "LoadButton");
  WaitForPasses();
  TProjectForm* Second = NewProject(Temp.File("c.dat"), Temp.File("d.dat"), true);
  Click(Second, "LoadButton");
  WaitForPasses();
  std::vector<TData*> Holders = {First->Model().DataA.get(), First->Model().DataB.get(), Second->Model().DataA.get(),
                                 Second->Model().DataB.get()};
  for (std::size_t I = 0; I < Holders.size(); ++I) {
    ASSERT_NE(Holders[I], nullptr);
    Holders[I]->Timer->SetInterval(15 + 7 * static_cast<int>(I));
  }
  // The first holder's passes last longer than every timer's interval while
  // they let events run, so the other holders' ticks meet a pass in progress.
  const auto Notify = Holders[0]->OnNewFrames;
  Holders[0]->OnNewFrames = [Notify](TData& Sender) {
    Notify(Sender);
    RunUntil([] { return false; }, 60);
  };
  for (const pid_t Writer : Writers) {
    int Status = 0;
    ASSERT_TRUE(RunUntil([&] { return waitpid(Writer, &Status, WNOHANG) == Writer; }, 20000));
  }
  // A delayed holder waits 10 s longer for its next tick; one last update each brings all in.
  RunUntil([] { return false; }, 200);
  for (TData* Holder : Holders) {
    Holder->UpdateFromFile();
    EXPECT_EQ(Holder->FrameCount(), 28) << Holder->FileName;
  }
  EXPECT_EQ(Watched->Deepest, 1);
  EXPECT_GT(Watched->Passes, 4);
  // Delays happened and lengthened the timers, each by 10 s per delay.
  EXPECT_TRUE(Log.Has(llInfo, "Update on " + Temp.File("b.dat") + " delayed: other update in progress.") ||
              Log.Has(llInfo, "Update on " + Temp.File("d.dat") + " delayed: other update in progress."));
  for (std::size_t I = 0; I < Holders.size(); ++I) {
    const int Interval = Holders[I]->Timer->Interval() - (15 + 7 * static_cast<int>(I));
    EXPECT_EQ(Interval % 10000, 0);
    TSimGenerator Expected(static_cast<std::uint32_t>(30 + I));
    std::int32_t Position = 0;
    const TTreesAgain Trees(*Holders[I]);
    for (const TDecodedNode* Root : Trees.Roots) {
      EXPECT_EQ(Root->Position, Position);
      Position += 280;
      const auto Bytes = Expected.NextBaseFrame();
      std::uint8_t Read[1] = {};
      EXPECT_TRUE(Holders[I]->ReadData(Root->Position + 20, Read));
      EXPECT_EQ(Read[0], Bytes[21]);
    }
  }
}

}  // namespace
