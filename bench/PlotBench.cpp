// Plot benchmark: RefreshSeries over demo packet data of several sizes, then
// a full and a cached repaint of the largest series, and of eight series of
// its size, on the offscreen platform.
//   vorex-plot-bench [FRAMES ...]   (default 100000 1000000)
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "BenchMeasure.h"
#include "common/Log.h"
#include "data/Data.h"
#include "plot/PlotForm.h"
#include "sim/SimGenerator.h"
#include "structure/QuorinFramesDefinition.h"
#include "widgets/QtTimer.h"

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
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication Application(argc, argv);
  InstallQtTimers();
  std::vector<std::int64_t> Sizes;
  for (int I = 1; I < argc; ++I) Sizes.push_back(std::atoll(argv[I]));
  if (Sizes.empty()) Sizes = {100000, 1000000};
  SetLogSink([](TLogLevel, const std::string&) {});

  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(std::string(VOREX_DEMO_DIR) + "/demo.structure", Messages);
  if (!Definition.Loaded) return 2;
  const std::string File = (std::filesystem::temp_directory_path() / "vorex-plot-bench.dat").string();

  std::printf(
      "Plot benchmark, demo structure, BaseFrame.SEQ_COUNT (one point per BaseFrame)\n| measure | value "
      "|\n|---|---|\n");
  TPlotSeries Largest, LargestSorted;
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
    Plot.FramesA = Data->Frames;
    // The first refresh reads every BaseFrame; later ones only reassemble.
    const double First = BestMilliseconds(1, [&] { Plot.RefreshSeries(Definition); });
    const double Refresh = BestMilliseconds(3, [&] { Plot.RefreshSeries(Definition); });
    std::printf("| first RefreshSeries, %lld BaseFrames (%zu points) / a later one | %.1f ms / %.1f ms |\n",
                static_cast<long long>(Frames), Plot.Series.size(), First, Refresh);
    Plot.SortVar = "PKT_CRC";
    const double SortedFirst = BestMilliseconds(1, [&] { Plot.RefreshSeries(Definition); });
    const double Sorted = BestMilliseconds(3, [&] { Plot.RefreshSeries(Definition); });
    std::printf("| the same sorted by PKT_CRC | %.1f ms / %.1f ms |\n", SortedFirst, Sorted);
    LargestSorted = Plot;
    Plot.SortVar.clear();
    Plot.RefreshSeries(Definition);
    Largest = Plot;
  }
  std::filesystem::remove(File);

  // The decoded nodes are gone; the window needs only the points.
  Largest.FramesA = LargestSorted.FramesA = nullptr;
  auto* Window = new TPlotForm;
  Window->Plot = Largest;
  Window->Plot.ResetView();
  QApplication::processEvents();
  const auto FullRepaint = [&](int Runs) {
    return BestMilliseconds(Runs, [&] {
      Window->Redraw = true;
      Window->Repaint();
    });
  };
  // The mouse-move path while dragging: the cached picture and the inverted band.
  const auto CachedRepaint = [&] {
    Window->OnAreaMouseMove(10);
    Window->OnAreaMouseDown(10);
    int X = 20;
    const double Cached = BestMilliseconds(20, [&] { Window->OnAreaMouseMove(X += 7); });
    Window->OnAreaMouseUp(10);
    return Cached;
  };
  const double Full = FullRepaint(5);
  // Sorted by an unrelated variable, the values jump: nearly every segment spans the area.
  Window->Plot.Series = LargestSorted.Series;
  Window->Plot.ResetView();
  const double FullSorted = FullRepaint(3);
  Window->Plot = Largest;
  Window->Plot.ResetView();
  const double Cached = CachedRepaint();
  std::printf("| full repaint, index mode, %zu points, %d x %d pixels | %.1f ms |\n", Window->Plot.Series.size(),
              Window->AreaWidth(), Window->AreaHeight(), Full);
  std::printf("| the same, the points sorted by PKT_CRC | %.1f ms |\n", FullSorted);
  std::printf("| cached repaint with the zoom band (mouse move while dragging) | %.2f ms |\n", Cached);

  // Eight series: the largest and seven copies at other heights.
  for (std::size_t K = 1; K < MaxPlotSeries; ++K) {
    TPlotSeries& Overlay = Window->Plot.Overlays.emplace_back(Largest);
    for (TPlotPoint& Point : Overlay.Series) Point.Value += static_cast<double>(K) * 1000;
  }
  Window->Plot.ResetView();
  const double FullEight = FullRepaint(3);
  const double CachedEight = CachedRepaint();
  std::printf("| full repaint, %zu series of %zu points each | %.1f ms |\n", Window->Plot.SeriesCount(),
              Largest.Series.size(), FullEight);
  std::printf("| cached repaint of the eight series (mouse move while dragging) | %.2f ms |\n", CachedEight);
  delete Window;
  return 0;
}
