#include <QLabel>
#include <QProgressBar>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

#include "GuiFixture.h"

extern char** environ;

namespace {

class Tracking : public TGuiTest {};

// Records what the progress window shows at each BaseFrame of a pass.
class TWatchedLoadForm : public TLoadForm {
 public:
  struct TSeen {
    std::string Counter;
    int Bar;
    bool Visible;
    bool Busy;
  };
  std::vector<TSeen> Seen;
  void ProcessMessages() override {
    Seen.push_back({Label2->text().toStdString(), ProgressBar1->value(), isVisible(), Busy});
    TLoadForm::ProcessMessages();
  }
};

TEST_F(Tracking, TheProgressWindowCountsBaseFramesAndFollowsTheBytePosition) {
  delete LoadForm;
  auto* Watched = new TWatchedLoadForm;
  LoadForm = Watched;
  EXPECT_FALSE(Watched->isVisible());
  EXPECT_FALSE(Watched->Busy);
  EXPECT_EQ(Watched->size(), QSize(304, 55));
  EXPECT_EQ(Watched->Label1->text(), "Loading / Evaluating ...");
  TProjectForm* Project = NewProject(PacketFile("a.dat", 100));
  Project->Button1Click();
  ASSERT_EQ(Watched->Seen.size(), 100u);
  for (int I = 0; I < 100; ++I) {
    const auto& Seen = Watched->Seen[static_cast<std::size_t>(I)];
    EXPECT_EQ(Seen.Counter, std::to_string(I));
    EXPECT_EQ(Seen.Bar, I * 280);
    EXPECT_TRUE(Seen.Visible);
    EXPECT_TRUE(Seen.Busy);
  }
  EXPECT_EQ(Watched->ProgressBar1->maximum(), 28000);
  EXPECT_FALSE(Watched->isVisible());
  EXPECT_FALSE(Watched->Busy);
}

TEST_F(Tracking, ATickDuringAnotherHoldersPassIsDelayedByTenSecondsEachTime) {
  TProjectForm* Project = NewProject(PacketFile("a.dat", 50), PacketFile("b.dat", 5, 2), true);
  Project->Button1Click();
  TProjectForm* Other = NewProject(PacketFile("c.dat", 5, 3), "", true);
  Other->Button1Click();
  TTimer& OtherTimer = *Other->DataA->Timer;
  TTimer& TimerB = *Project->DataB->Timer;
  EXPECT_EQ(OtherTimer.Interval(), 60000);

  // An alarm notice of a pass of DataA stands for "while the pass runs".
  Dialogs.DialogScripts = {AlarmAnswer("DFH_FLAG", " =", "1")};
  Project->AddAlarm("");
  struct TTickingDialogs : TScriptedDialogs {
    std::function<void()> During;
    int MessageDlg(QWidget* P, const QString& T, TDlgType Ty, int B) override {
      if (During) During();
      return TScriptedDialogs::MessageDlg(P, T, Ty, B);
    }
  } Ticking;
  int Notices = 0;
  Ticking.During = [&] {
    ++Notices;
    EXPECT_TRUE(LoadForm->Busy);
    Other->DataA->UpdateFromFile();
    Project->DataB->UpdateFromFile();
  };
  Temp.Append("c.dat", TSimGenerator(8).NextBaseFrame());
  Temp.Append("b.dat", TSimGenerator(9).NextBaseFrame());
  std::vector<std::uint8_t> Two;
  for (std::uint32_t Seed : {4u, 5u}) {
    const auto F = TSimGenerator(Seed).NextBaseFrame();
    Two.insert(Two.end(), F.begin(), F.end());
  }
  Temp.Append("a.dat", Two);
  Project->DataA->UpdateFromFile();
  EXPECT_EQ(Notices, 2);
  EXPECT_EQ(OtherTimer.Interval(), 80000);
  EXPECT_EQ(TimerB.Interval(), 80000);
  EXPECT_TRUE(Log.Has(llInfo, "Update on " + Temp.File("c.dat") + " delayed: other update in progress."));
  // Nothing of the delayed files was decoded inside the pass.
  EXPECT_EQ(Other->DataA->FrameCount(), 5);
  EXPECT_EQ(Project->DataB->FrameCount(), 5);
  Other->DataA->UpdateFromFile();
  EXPECT_EQ(Other->DataA->FrameCount(), 6);
}

TEST_F(Tracking, AFailedPassHidesTheProgressWindowAndOtherProjectsKeepTracking) {
  TProjectForm* Failing = NewProject(PacketFile("a.dat", 3), "", true);
  Failing->Button1Click();
  TProjectForm* Other = NewProject(PacketFile("b.dat", 3, 2), "", true);
  Other->Button1Click();
  std::filesystem::remove(Temp.File("a.dat"));
  Failing->DataA->UpdateFromFile();
  EXPECT_TRUE(Log.Has(llError, "Cannot read paket file " + Temp.File("a.dat") + "."));
  EXPECT_FALSE(LoadForm->isVisible());
  EXPECT_FALSE(LoadForm->Busy);
  EXPECT_EQ(Failing->DataA->FrameCount(), 3);
  Temp.Append("b.dat", TSimGenerator(5).NextBaseFrame());
  Other->DataA->UpdateFromFile();
  EXPECT_EQ(Other->DataA->FrameCount(), 4);
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

TEST_F(Tracking, AFileGrowingByPartialBaseFramesGivesEveryBaseFrameOnceInOrder) {
  const std::string Path = Temp.File("live.dat");
  const int Initial = 20, Appended = 30;
  // 30 BaseFrames in 7-byte pieces over about 1.5 s, read every 40 ms.
  const pid_t Writer = StartWriter({VOREX_SIM, Path, "--frames", std::to_string(Initial), "--append-every", "0.05",
                                    "--count", std::to_string(Appended), "--chunk", "7", "--seed", "21"});
  ASSERT_GT(Writer, 0);
  ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(Path) && std::filesystem::file_size(Path) >= 280; }, 5000));
  TProjectForm* Project = NewProject(Path, "", true);
  Project->Button1Click();
  ASSERT_TRUE(Project->DataA);
  Project->DataA->Timer->SetInterval(40);
  std::vector<std::int32_t> FirstSerials;
  for (const TDecodedNode* Root = Project->DataA->Frames; Root; Root = Root->Next) FirstSerials.push_back(Root->SerialNo);

  int Status = 0;
  ASSERT_TRUE(RunUntil([&] { return waitpid(Writer, &Status, WNOHANG) == Writer; }, 20000)) << "writer did not end";
  EXPECT_TRUE(WIFEXITED(Status) && WEXITSTATUS(Status) == 0);
  ASSERT_TRUE(RunUntil([&] { return Project->DataA->FrameCount() == Initial + Appended; }, 5000));

  // Each BaseFrame once, in file order, with the data the writer wrote.
  TSimGenerator Expected(21);
  const std::unique_ptr<TData>& Data = Project->DataA;
  std::int64_t Index = 0;
  std::size_t Root = 0;
  for (const TDecodedNode* Node = Data->Frames; Node; Node = Node->Next, ++Index, ++Root) {
    EXPECT_EQ(Node->Position, Index * 280);
    const auto Bytes = Expected.NextBaseFrame();
    for (std::size_t I = 0; I + 1 < Bytes.size(); I += 2) {
      ASSERT_EQ(Data->Image.Bytes[static_cast<std::size_t>(Node->Position) + I], Bytes[I + 1]);
    }
    if (Root < FirstSerials.size()) {
      EXPECT_EQ(Node->SerialNo, FirstSerials[Root]);
    }
    if (Node->Next) {
      EXPECT_LT(Node->SerialNo, Node->Next->SerialNo);
    }
  }
  EXPECT_EQ(Index, Initial + Appended);
  EXPECT_EQ(Project->HandledFramesA, Initial + Appended);
}

}  // namespace
