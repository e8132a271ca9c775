// Browser benchmark: a project of demo packet data loaded on the offscreen
// platform; measures opening a browser, sorting, a filter rebuild and the
// append of new BaseFrames while tracked.
//   vorex-browser-bench [FRAMES]

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BenchApplication.h"
#include "BenchMeasure.h"
#include "TimerLateness.h"
#include "WindowChildren.h"
#include "browser/BrowserForm.h"
#include "project/ProjectForm.h"
#include "sim/SimGenerator.h"
#include "widgets/LongTreeView.h"

namespace {

using Clock = TBenchClock;

// Answers the filter dialog with one filter-out line and nothing else.
class TBenchDialogs : public TDialogs {
 public:
  QString FilterOut;
  int MessageDlg(QWidget*, const QString&, TDlgType, int) override { return dbOK; }
  std::unique_ptr<TNotice> ShowNotice(QWidget*, const QString&, TDlgType) override { return nullptr; }
  QString OpenFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  QString SaveFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  int Execute(QDialog& Dialog) override {
    Child<QPlainTextEdit>(&Dialog, "FilterOutEdit")->setPlainText(FilterOut);
    return QDialog::Accepted;
  }
  bool OpenInEditor(const QString&) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  TBenchDialogs Answers;
  TBenchApplication Application(argc, argv, Answers);
  const std::int64_t Frames = argc > 1 ? std::atoll(argv[1]) : 100000;
  if (Frames <= 0) {
    std::fprintf(stderr, "usage: vorex-browser-bench [FRAMES]\n");
    return 1;
  }

  const std::filesystem::path Folder = std::filesystem::temp_directory_path() / "vorex-browser-bench";
  std::filesystem::create_directories(Folder);
  const std::string Packets = (Folder / "bench.dat").string();
  TSimGenerator Generator(1);
  {
    std::ofstream Out(Packets, std::ios::binary | std::ios::trunc);
    for (std::int64_t I = 0; I < Frames; ++I) {
      const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
      Out.write(reinterpret_cast<const char*>(Frame.data()), static_cast<std::streamsize>(Frame.size()));
    }
  }

  auto* Project = new TProjectForm(Application.AlarmDialog(), Application.Projects(),
                                   TWindowMakers{[] { return new TBrowserForm; }, nullptr});
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QStringLiteral(VOREX_DEMO_DIR "/demo.structure"));
  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(Packets));
  Child<QCheckBox>(Project, "TrackingCheck")->setChecked(false);
  Clock::time_point Start = Clock::now();
  Click(Project, "LoadButton");
  RunEventsUntilNoPass();
  const double LoadSeconds = SecondsSince(Start);
  std::int64_t Nodes = 0;
  for (const TFrameRecord& Record : Project->Model().DataA->Index()) Nodes += Record.Nodes;

  const std::size_t HeapBefore = HeapInUse();
  Start = Clock::now();
  auto* Browser = dynamic_cast<TBrowserForm*>(Project->OpenBrowser());
  QApplication::processEvents();
  auto* View = dynamic_cast<TLongTreeView*>(Child<QAbstractItemView>(Browser, "TreeView"));
  View->repaint();
  const double OpenSeconds = SecondsSince(Start);
  const double BytesPerNode = static_cast<double>(HeapInUse() - HeapBefore) / static_cast<double>(Nodes);

  // A BaseFrame far from those drawn: its tree is decoded again.
  const QModelIndex Far = View->model()->index(static_cast<int>(Frames / 2), 0);
  Start = Clock::now();
  View->scrollTo(Far);
  View->expand(Far);
  View->repaint();
  const double ExpandSeconds = SecondsSince(Start);
  View->collapse(Far);
  View->scrollToTop();

  // The first sort computes every BaseFrame's key; a second one only sorts.
  // Row 7 of a BaseFrame is its sequence counter.
  View->setCurrentIndex(View->model()->index(7, 0, View->model()->index(0, 0)));
  Start = Clock::now();
  Trigger(Browser, "SortByThisAction");
  QApplication::processEvents();
  const double SortSeconds = SecondsSince(Start);
  Start = Clock::now();
  Click(Browser, "SortButton");
  QApplication::processEvents();
  const double ResortSeconds = SecondsSince(Start);

  // A condition no node meets: every BaseFrame is searched.
  Child<QLineEdit>(Browser, "SearchEdit")->setText(QStringLiteral("HKFrame.HK_TEMP1 > 1000"));
  Start = Clock::now();
  Click(Browser, "SearchNextButton");
  QApplication::processEvents();
  const double SearchSeconds = SecondsSince(Start);

  // What a plot's double click does: focus a node of the last BaseFrame.
  Start = Clock::now();
  Browser->FocusSerial(
      Project->Model().DataA->SerialOf(static_cast<std::uint32_t>(Project->Model().DataA->Index().size() - 1), 0));
  QApplication::processEvents();
  const double FocusSeconds = SecondsSince(Start);

  // Removes the housekeeping BaseFrames, half of them.
  Answers.FilterOut = QStringLiteral("HKFrame.HK_TEMP1");
  Start = Clock::now();
  Click(Browser, "FiltersButton");
  QApplication::processEvents();
  const double FilterSeconds = SecondsSince(Start);
  const auto Shown = View->model()->rowCount();

  {
    std::ofstream Out(Packets, std::ios::binary | std::ios::app);
    for (int I = 0; I < 1000; ++I) {
      const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
      Out.write(reinterpret_cast<const char*>(Frame.data()), static_cast<std::streamsize>(Frame.size()));
    }
  }
  double AppendSeconds = 0;
  TProjectForm* Owner = Project;
  Project->Model().DataA->OnNewFrames = [&](TData& Sender) {
    const Clock::time_point Begin = Clock::now();
    Owner->Model().HandleNewFrames(Sender);
    AppendSeconds = SecondsSince(Begin);
  };
  Start = Clock::now();
  Project->Model().DataA->UpdateFromFile();
  QApplication::processEvents();
  const double PassSeconds = SecondsSince(Start);

  std::printf("Browser benchmark, demo structure, %lld BaseFrames, %lld decoded nodes\n",
              static_cast<long long>(Frames), static_cast<long long>(Nodes));
  std::printf("| measure | value |\n|---|---|\n");
  std::printf("| project load (decoding, progress window) | %.3f s |\n", LoadSeconds);
  std::printf("| open a browser: tree filled and shown | %.3f s |\n", OpenSeconds);
  std::printf("| heap the browser adds per shown node | %.2f bytes |\n", BytesPerNode);
  std::printf("| scroll to a BaseFrame in the middle, expand it and draw | %.4f s |\n", ExpandSeconds);
  std::printf("| \"Sort after this\" (keys and sort) | %.3f s |\n", SortSeconds);
  std::printf("| sort again | %.3f s |\n", ResortSeconds);
  std::printf("| condition search that no node meets (every BaseFrame) | %.3f s |\n", SearchSeconds);
  std::printf("| focus a node of the last BaseFrame by its serial number | %.3f s |\n", FocusSeconds);
  std::printf("| filter edit: rebuild, sort and filter-out pass (%d BaseFrames kept) | %.3f s |\n", Shown,
              FilterSeconds);
  std::printf("| append 1,000 new BaseFrames to the sorted, filtered browser | %.3f s |\n", AppendSeconds);
  std::printf("| tracking pass with 1,000 new BaseFrames, all included | %.3f s |\n", PassSeconds);

  delete Project;
  std::filesystem::remove_all(Folder);
  return 0;
}
