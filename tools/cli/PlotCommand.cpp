#include "cli/PlotCommand.h"

#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "common/FloatText.h"
#include "plot/PlotSeries.h"
#include "shared/CommandLine.h"

namespace {

struct TOptions {
  TCliProjectOptions Project;
  std::string FrameName, VarName, SortVar;
};

std::string Number(bool Known, double Value) { return Known ? GeneralFloatText(Value, '.') : "-"; }

}  // namespace

int PlotCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine("vorex-cli plot", "vorex-cli",
                                  "Prints the data series a plot window shows for F.V: one line per point, "
                                  "\"SerialNo Time Value\"; then \"stats\" with minimum, maximum, mean and standard "
                                  "deviation, and \"scale\" with the vertical range over all points.");
  AddProjectOptions(*App, Options.Project);
  App->add_option("--frame", Options.FrameName, "the frame F of the variable")->required()->type_name("F");
  App->add_option("--var", Options.VarName, "the variable V")->required()->type_name("V");
  App->add_option("--sort", Options.SortVar, "orders the BaseFrames by the variable S")->type_name("S");
  App->footer("Example: vorex-cli plot demo.structure demo.dat --frame HKFrame --var HK_TEMP1");
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;

  const TCliLog Log(Err, Options.Project.Quiet);
  TProject Project;
  TPlotSeries Plot;
  Plot.FrameName = Options.FrameName;
  Plot.VarName = Options.VarName;
  Plot.SortVar = Options.SortVar;
  // The points are taken as the BaseFrames are decoded, and the nodes given back.
  Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
    Plot.TakeStreamedFrames(*Project.Definition, Source, Roots);
  };
  if (const int Code = LoadCliDefinition(Project, Options.Project, Err)) return Code;
  Project.Definition->DeferUnused(Plot.RowsInUse(*Project.Definition));
  if (const int Code = LoadCliData(Project)) return Code;
  if (const int Status = BaseFramesFoundStatus(Project)) return Status;
  if (!Project.Definition->HasRow(&Options.FrameName, Options.VarName)) {
    AddEntry(llError, "Unknown variable " + Options.FrameName + "." + Options.VarName + ".");
    return ExitNoLoad;
  }
  if (!Options.SortVar.empty() && !Project.Definition->HasRow(nullptr, Options.SortVar)) {
    AddEntry(llError, "Unknown variable " + Options.SortVar + ".");
    return ExitNoLoad;
  }

  // The first refresh resets the view: index mode, every point in view.
  Plot.RefreshSeries(*Project.Definition);

  std::string Text;
  for (const TPlotPoint& Point : Plot.Series)
    Text += std::to_string(Point.SerialNo) + ' ' + GeneralFloatText(Point.Time, '.') + ' ' +
            GeneralFloatText(Point.Value, '.') + '\n';
  const TPlotStatistics S = Statistics(Plot.PointsInView());
  Text += "stats " + Number(S.Count > 0, S.Minimum) + ' ' + Number(S.Count > 0, S.Maximum) + ' ' +
          Number(S.Count > 0, S.Mean) + ' ' + Number(S.Count > 1, S.Deviation) + '\n';
  Text += "scale " + GeneralFloatText(Plot.YMin, '.') + ' ' + GeneralFloatText(Plot.YMax, '.') + '\n';
  Out << Text;
  if (const int Status = StandardOutputStatus(Out)) return Status;
  return CliExitStatus(Project);
}
