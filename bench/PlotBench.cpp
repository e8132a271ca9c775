// Plot benchmark: RefreshSeries over demo packet data of several sizes, then
// a full and a cached repaint of a plot window on the largest, and of eight
// series of its size, on the offscreen platform.
//   vorex-plot-bench [FRAMES ...]   (default 100000 1000000)
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "BenchApplication.h"
#include "BenchMeasure.h"
#include "QuietDialogs.h"
#include "TimerLateness.h"
#include "WindowChildren.h"
#include "data/Data.h"
#include "plot/PlotForm.h"
#include "project/ProjectForm.h"
#include "sim/SimGenerator.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

using Clock = TBenchClock;

// Milliseconds of the fastest of Runs calls.
template <class TAction>
double BestMilliseconds(int Runs, const TAction& Action) {
  double Best = 1e30;
  for (int I = 0; I < Runs; ++I) {
    const Clock::time_point Start = Clock::now();
    Action();
    Best = std::min(Best, SecondsSince(Start) * 1000);
  }
  return Best;
}

}  // namespace

int main(int argc, char** argv) {
  TQuietDialogs Answers;
  TBenchApplication Application(argc, argv, Answers);
  std::vector<std::int64_t> Sizes;
  for (int I = 1; I < argc; ++I) Sizes.push_back(std::atoll(argv[I]));
  if (Sizes.empty()) Sizes = {100000, 1000000};

  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(std::string(VOREX_DEMO_DIR) + "/demo.structure", Messages);
  if (!Definition.Loaded) return 2;
  const std::string File = (std::filesystem::temp_directory_path() / "vorex-plot-bench.dat").string();

  std::printf(
      "Plot benchmark, demo structure, BaseFrame.SEQ_COUNT (one point per BaseFrame)\n| measure | value "
      "|\n|---|---|\n");
  for (const std::int64_t Frames : Sizes) {
    if (Frames <= 0 || !WriteDemoPacketFile(File, Frames)) {
      std::fprintf(stderr, "usage: vorex-plot-bench [FRAMES ...]\n");
      return 1;
    }
    auto Data = std::make_unique<TData>(File, Definition);
    Data->StartTracking();
    Data->StopTracking();
    TPlotSeries Plot;
    Plot.FrameName = "BaseFrame";
    Plot.VarName = "SEQ_COUNT";
    Plot.DataA = Data.get();
    // The first refresh reads every BaseFrame; later ones only reassemble.
    const double First = BestMilliseconds(1, [&] { Plot.RefreshSeries(Definition); });
    const double Refresh = BestMilliseconds(3, [&] { Plot.RefreshSeries(Definition); });
    std::printf("| first RefreshSeries, %lld BaseFrames (%zu points) / a later one | %.1f ms / %.1f ms |\n",
                static_cast<long long>(Frames), Plot.Series.size(), First, Refresh);
    Plot.SortVar = "PKT_CRC";
    const double SortedFirst = BestMilliseconds(1, [&] { Plot.RefreshSeries(Definition); });
    const double Sorted = BestMilliseconds(3, [&] { Plot.RefreshSeries(Definition); });
    std::printf("| the same sorted by PKT_CRC | %.1f ms / %.1f ms |\n", SortedFirst, Sorted);
  }

  // A plot window on the largest file, opened from its project.
  if (!WriteDemoPacketFile(File, *std::max_element(Sizes.begin(), Sizes.end()))) return 1;
  auto* Project = new TProjectForm(Application.AlarmDialog(), Application.Projects(),
                                   TWindowMakers{nullptr, [] { return new TPlotForm; }});
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QStringLiteral(VOREX_DEMO_DIR "/demo.structure"));
  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(File));
  Child<QCheckBox>(Project, "TrackingCheck")->setChecked(false);
  Click(Project, "LoadButton");
  RunEventsUntilNoPass();
  const QWidget Requester;
  auto* Window = dynamic_cast<TPlotForm*>(Project->OpenPlot(&Requester, "BaseFrame", "SEQ_COUNT", ""));
  QApplication::processEvents();
  QWidget* Area = Child<QWidget>(Window, "PlotArea");
  const auto Sort = [&](const QString& SortVar) {
    Child<QComboBox>(Window, "SortCombo")->setEditText(SortVar);
    Click(Window, "SortButton");
    Window->ResetView();
  };
  const auto FullRepaint = [&](int Runs) { return BestMilliseconds(Runs, [&] { Area->repaint(); }); };
  // The mouse-move path while dragging: the cached picture and the inverted band.
  const auto CachedRepaint = [&] {
    SendMouse(Area, QEvent::MouseMove, QPoint(10, 5));
    SendMouse(Area, QEvent::MouseButtonPress, QPoint(10, 5));
    int X = 20;
    const double Cached = BestMilliseconds(20, [&] { SendMouse(Area, QEvent::MouseMove, QPoint(X += 7, 5)); });
    SendMouse(Area, QEvent::MouseButtonRelease, QPoint(10, 5));
    return Cached;
  };
  Window->ResetView();
  const double Full = FullRepaint(5);
  // Sorted by an unrelated variable, the values jump: nearly every segment spans the area.
  Sort(QStringLiteral("PKT_CRC"));
  const double FullSorted = FullRepaint(3);
  Sort(QString());
  const double Cached = CachedRepaint();
  const std::size_t Points = Window->Model().Series.size();
  std::printf("| full repaint, index mode, %zu points, %d x %d pixels | %.1f ms |\n", Points, Area->width(),
              Area->height(), Full);
  std::printf("| the same, the points sorted by PKT_CRC | %.1f ms |\n", FullSorted);
  std::printf("| cached repaint with the zoom band (mouse move while dragging) | %.2f ms |\n", Cached);

  // Eight series: the variable seven times more, each a trace of its own.
  for (std::size_t K = 1; K < MaxPlotSeries; ++K) Window->AddVariable("BaseFrame", "SEQ_COUNT");
  Window->ResetView();
  const double FullEight = FullRepaint(3);
  const double CachedEight = CachedRepaint();
  std::printf("| full repaint, %zu series of %zu points each | %.1f ms |\n", Window->Model().SeriesCount(), Points,
              FullEight);
  std::printf("| cached repaint of the eight series (mouse move while dragging) | %.2f ms |\n", CachedEight);
  delete Project;
  std::filesystem::remove(File);
  return 0;
}
