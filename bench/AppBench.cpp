// Desktop application benchmark: a big demo packet file decoded headless and
// loaded in a project on the offscreen platform with a browser and a plot
// open; then tracking ticks that each find one new BaseFrame; then how late a
// 10 ms timer on the window thread fires during a first load and tracking.
//   vorex-app-bench [FRAMES]
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchApplication.h"
#include "BenchMeasure.h"
#include "QuietDialogs.h"
#include "TimerLateness.h"
#include "WindowChildren.h"
#include "WindowLateness.h"
#include "browser/BrowserForm.h"
#include "data/Data.h"
#include "plot/PlotForm.h"
#include "project/ProjectForm.h"
#include "sim/SimGenerator.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

using Clock = TBenchClock;

// Resident memory of the process now, from /proc.
double ResidentMegabytes() {
  std::ifstream Status("/proc/self/statm");
  long Pages = 0, Resident = 0;
  Status >> Pages >> Resident;
  return static_cast<double>(Resident) * 4096.0 / 1e6;
}

double HeadlessPass(const std::string& File) {
  TLoadProgress* const Gui = SetLoadProgress(nullptr);
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(std::string(VOREX_DEMO_DIR) + "/demo.structure", Messages);
  const Clock::time_point Start = Clock::now();
  TData Data(File, Definition);
  // As the project's holders decode.
  Data.KeepTrees = false;
  Data.StartTracking();
  Data.StopTracking();
  const double Seconds = SecondsSince(Start);
  SetLoadProgress(Gui);
  return Seconds;
}

// A project of the file, loaded with the progress window; the load time.
double LoadProject(TProjectForm*& Project, const std::string& File, TBenchApplication& Application) {
  const TWindowMakers Makers{[] { return new TBrowserForm; }, [] { return new TPlotForm; }};
  Project = new TProjectForm(Application.AlarmDialog(), Application.Projects(), Makers);
  Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QStringLiteral(VOREX_DEMO_DIR "/demo.structure"));
  Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(File));
  Child<QCheckBox>(Project, "TrackingCheck")->setChecked(false);
  const Clock::time_point Start = Clock::now();
  Click(Project, "LoadButton");
  RunEventsUntilNoPass();
  QApplication::processEvents();
  return SecondsSince(Start);
}

// A demo packet file of Frames BaseFrames; false, with a message, when it cannot be written.
bool WriteBenchFile(const std::string& File, std::int64_t Frames) {
  if (WriteDemoPacketFile(File, Frames)) return true;
  std::fprintf(stderr, "cannot write %s\n", File.c_str());
  return false;
}

// Worst and 99th percentile against the target of 100 ms.
void PrintLateness(const char* During, const TLateness& Late) {
  std::printf(
      "| 10 ms timer on the window thread during %s: worst / 99th percentile lateness "
      "(%zu timeouts) | %.3f s / %.3f s, %s 0.1 s |\n",
      During, Late.Timeouts, Late.Worst, Late.Percentile99, Late.Worst <= 0.1 ? "within" : "over");
}

}  // namespace

int main(int argc, char** argv) {
  TQuietDialogs Answers;
  TBenchApplication Application(argc, argv, Answers);
  const std::int64_t Frames = argc > 1 ? std::atoll(argv[1]) : 1000000;
  if (Frames <= 0) {
    std::fprintf(stderr, "usage: vorex-app-bench [FRAMES]\n");
    return 1;
  }

  const std::string File = (std::filesystem::temp_directory_path() / "vorex-app-bench.dat").string();
  if (!WriteBenchFile(File, Frames)) return 2;
  const double Megabytes = static_cast<double>(std::filesystem::file_size(File)) / 1e6;
  // Headless passes and loads in the application take turns, so that both
  // meet the machine in the same state; the best of two of each.
  const double ResidentBefore = ResidentMegabytes();
  TProjectForm* Project = nullptr;
  double Headless = HeadlessPass(File);
  double Load = LoadProject(Project, File, Application);
  delete Project;
  Headless = std::min(Headless, HeadlessPass(File));
  Load = std::min(Load, LoadProject(Project, File, Application));

  Clock::time_point Start = Clock::now();
  Project->OpenBrowser();
  QApplication::processEvents();
  const double BrowserOpen = SecondsSince(Start);
  Start = Clock::now();
  Project->OpenPlot(Project, QStringLiteral("HKFrame"), QStringLiteral("HK_TEMP1"), QString());
  QApplication::processEvents();
  const double PlotOpen = SecondsSince(Start);
  const double Resident = ResidentMegabytes();

  // Ticks that each find one new BaseFrame, everything included; the
  // project's handling of the new BaseFrame and the events after the pass
  // (the views' layout and painting) are also timed on their own.
  TProjectForm* Owner = Project;
  double Handling = 0, Events = 0;
  Project->Model().DataA->OnNewFrames = [&](TData& Sender) {
    const Clock::time_point Begin = Clock::now();
    Owner->Model().HandleNewFrames(Sender);
    Handling = SecondsSince(Begin);
  };
  TSimGenerator Generator(99);
  const auto Tick = [&] {
    {
      std::ofstream Out(File, std::ios::binary | std::ios::app);
      const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
      Out.write(reinterpret_cast<const char*>(Frame.data()), static_cast<std::streamsize>(Frame.size()));
    }
    const Clock::time_point Begin = Clock::now();
    Project->Model().DataA->UpdateFromFile();
    const Clock::time_point Pass = Clock::now();
    QApplication::processEvents();
    Events = SecondsSince(Pass);
    return SecondsSince(Begin);
  };
  double Ticks[3], Handlings[3], EventTimes[3];
  for (int I = 0; I < 3; ++I) {
    Ticks[I] = Tick();
    Handlings[I] = Handling;
    EventTimes[I] = Events;
  }
  std::sort(std::begin(Ticks), std::end(Ticks));
  std::sort(std::begin(Handlings), std::end(Handlings));
  std::sort(std::begin(EventTimes), std::end(EventTimes));
  Project->OpenPlot(Project, QStringLiteral("BaseFrame"), QStringLiteral("SEQ_COUNT"), QStringLiteral("PKT_CRC"));
  QApplication::processEvents();
  const double SortedTick = Tick();
  const double SortedHandling = Handling, SortedEvents = Events;
  delete Project;

  // The window thread's responsiveness, on a file of Frames BaseFrames again.
  if (!WriteBenchFile(File, Frames)) return 2;
  const TWindowLateness Lateness =
      MeasureWindowLateness(File, Answers, Application.AlarmDialog(), Application.Projects());

  std::printf("Application benchmark, demo structure, %lld BaseFrames (%.0f MB)\n", static_cast<long long>(Frames),
              Megabytes);
  std::printf("| measure | value |\n|---|---|\n");
  std::printf("| headless pass (best of 2) | %.3f s |\n", Headless);
  std::printf("| project load with the progress window (best of 2) | %.3f s |\n", Load);
  std::printf("| load / headless | %.2f |\n", Load / Headless);
  std::printf("| open a browser / then a plot of HKFrame.HK_TEMP1 | %.3f s / %.3f s |\n", BrowserOpen, PlotOpen);
  std::printf("| resident memory: before the load / loaded with browser and plot | %.0f MB / %.0f MB |\n",
              ResidentBefore, Resident);
  std::printf("| tracking tick finding one new BaseFrame (median of 3) | %.3f s |\n", Ticks[1]);
  std::printf("| of it: alarms, plot refresh and browser append / the events after the pass | %.3f s / %.3f s |\n",
              Handlings[1], EventTimes[1]);
  std::printf("| the same with a second plot, sorted by PKT_CRC (handling / events) | %.3f s (%.3f s / %.3f s) |\n",
              SortedTick, SortedHandling, SortedEvents);
  PrintLateness("the first load", Lateness.Load);
  std::printf(
      "| tracking: %d BaseFrames appended every %d ms for %.0f s, an alarm hitting each | %lld BaseFrames, %zu "
      "alarm hits |\n",
      LatenessFramesPerAppend, LatenessAppendEveryMs, LatenessTrackedSeconds,
      static_cast<long long>(Lateness.TrackedFrames), Lateness.AlarmHits);
  PrintLateness("that tracking", Lateness.Tracking);

  std::filesystem::remove(File);
  return 0;
}
