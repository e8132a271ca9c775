#include "cli/PlotCommand.h"

#include <optional>

#include "cli/CliProject.h"
#include "common/FloatText.h"
#include "plot/PlotSeries.h"

namespace {

constexpr const char* Usage =
    "usage: vorex-cli plot STRUCTURE PACKET [PACKET2] --frame F --var V [--sort S]\n"
    "  one line per point: SerialNo, Time, Value; then \"stats\" with minimum,\n"
    "  maximum, mean and standard deviation, and \"scale\" with the vertical range\n"
    "  over all points\n";

struct TOptions {
  std::vector<std::string> Files;
  std::optional<std::string> FrameName, VarName;
  std::string SortVar;
};

bool ParseOptions(const std::vector<std::string>& Args, TOptions& Options) {
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& Arg = Args[I];
    if (Arg == "--frame" || Arg == "--var" || Arg == "--sort") {
      if (I + 1 == Args.size()) return false;
      const std::string& Value = Args[++I];
      if (Arg == "--frame") Options.FrameName = Value;
      else if (Arg == "--var") Options.VarName = Value;
      else Options.SortVar = Value;
    } else if (Arg.size() > 1 && Arg.rfind("--", 0) == 0) {
      return false;
    } else {
      Options.Files.push_back(Arg);
    }
  }
  return Options.FrameName && Options.VarName && (Options.Files.size() == 2 || Options.Files.size() == 3);
}

std::string Number(bool Known, double Value) { return Known ? GeneralFloatText(Value, '.') : "-"; }

}  // namespace

int PlotCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  if (!ParseOptions(Args, Options)) {
    Err << Usage;
    return 1;
  }
  TCliLog Log(Err);
  TProject Project;
  if (const int Code = LoadCliProject(Project, Options.Files, Err)) return Code;

  TPlotSeries Plot;
  Plot.FrameName = *Options.FrameName;
  Plot.VarName = *Options.VarName;
  Plot.SortVar = Options.SortVar;
  Plot.FramesA = Project.DataA->Frames;
  if (Project.DataB) Plot.FramesB = Project.DataB->Frames;
  // The first refresh resets the view: index mode, every point in view.
  Plot.RefreshSeries(*Project.Definition);

  std::string Text;
  for (const TPlotPoint& Point : Plot.Series)
    Text += std::to_string(Point.SerialNo) + ' ' + GeneralFloatText(Point.Time, '.') + ' ' +
            GeneralFloatText(Point.Value, '.') + '\n';
  const TPlotStatistics S = Statistics(Plot.ValuesInView());
  Text += "stats " + Number(S.Count > 0, S.Minimum) + ' ' + Number(S.Count > 0, S.Maximum) + ' ' +
          Number(S.Count > 0, S.Mean) + ' ' + Number(S.Count > 1, S.Deviation) + '\n';
  Text += "scale " + GeneralFloatText(Plot.YMin, '.') + ' ' + GeneralFloatText(Plot.YMax, '.') + '\n';
  Out << Text;
  return 0;
}
