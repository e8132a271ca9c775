#include <QToolButton>
#include <map>

#include "FileSizeLimit.h"
#include "GuiFixture.h"
#include "browser/BrowserForm.h"
#include "plot/PlotForm.h"

namespace {

namespace fs = std::filesystem;

class Saving : public TGuiTest {
 protected:
  void TearDown() override {
    fs::current_path(Previous);
    TGuiTest::TearDown();
  }

  // The content of every file in Folder by name.
  static std::map<std::string, std::string> Snapshot(const fs::path& Folder) {
    std::map<std::string, std::string> Files;
    for (const fs::directory_entry& Entry : fs::directory_iterator(Folder)) {
      std::ifstream In(Entry.path(), std::ios::binary);
      Files[Entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(In), {});
    }
    return Files;
  }

  fs::path Previous = fs::current_path();
};

// A write that fails part way (the file size limit standing in for a full disk)
// leaves the old file and no temporary file, and ends with the error notice
// instead of the window's own message.
TEST_F(Saving, AWriteThatFailsPartWayKeepsTheOldFile) {
  Makers = {[] { return new TBrowserForm; }, [] { return new TPlotForm; }};
  TProjectForm* Project = NewProject(PacketFile("a.dat", 200));
  Click(Project, "LoadButton");
  WaitForPasses();
  auto* Browser = dynamic_cast<TBrowserForm*>(Project->OpenBrowser());
  QWidget Requester;
  auto* Plot = dynamic_cast<TPlotForm*>(Project->OpenPlot(&Requester, "HKFrame", "HK_TEMP1", ""));
  ASSERT_TRUE(Browser && Plot);
  TLogForm LogWindow;
  for (int I = 0; I < 20; ++I) AddEntry(llMessage, "EVT " + std::to_string(I));
  const fs::path Out = Temp.Path / "out";
  fs::create_directory(Out);
  fs::current_path(Out);  // the message buffer's file goes there
  for (const char* Name : {"p.vproject", "export.txt", "series.txt", "log.rtf"}) std::ofstream(Out / Name) << "old";
  const auto Before = Snapshot(Out);
  const std::pair<const char*, std::function<void()>> Rows[] = {
      {"p.vproject", [&] { Click(Project, "SaveButton"); }},
      {"export.txt", [&] { Child<QToolButton>(Browser, "ExportButton")->click(); }},
      {"series", [&] { Child<QToolButton>(Plot, "SaveSeriesButton")->click(); }},
      {"log.rtf", [&] { Trigger(&LogWindow, "SaveAsAction"); }},
      {"messages", [&] { Trigger(&LogWindow, "SaveMessagesAction"); }}};
  for (const auto& [Name, Save] : Rows) {
    Dialogs.Files = {QString::fromStdString((Out / Name).string())};
    Dialogs.Asked.clear();
    {
      const TFileSizeLimit Limit(64);
      Save();
    }
    EXPECT_EQ(Snapshot(Out), Before) << Name;
    ASSERT_EQ(Dialogs.Asked.size(), 1u) << Name;
    EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Error) << Name;
    EXPECT_TRUE(Dialogs.Asked[0].Text.startsWith("Cannot create file \"")) << Name;
  }
}

}  // namespace
