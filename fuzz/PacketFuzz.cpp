// Packet file bytes of any kind under the demo structure: byte order,
// BaseFrame checks, decoding, numbering, then the writers that read the
// decoded trees (export, hex dump, plot series and picture).
#include <sstream>

#include "FuzzInput.h"
#include "browser/BrowserExport.h"
#include "browser/HexDump.h"
#include "data/Data.h"
#include "plot/PlotPicture.h"
#include "structure/QuorinFramesDefinition.h"

namespace {
std::vector<std::string> Messages;
TQuorinFramesDefinition* Demo = nullptr;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  Demo = new TQuorinFramesDefinition(VOREX_DEMO_DIR "/demo.structure", Messages);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  Messages.clear();
  TData Holder("packets", *Demo);
  // Resynchronising for every other input length, odd and even.
  Holder.Resync = Size / 2 % 2 == 1;
  Holder.UpdateFromBytes({Data, Size});

  std::vector<const TDecodedNode*> Roots;
  for (const TDecodedNode* Root = Holder.Frames; Root; Root = Root->Next) Roots.push_back(Root);
  std::ostringstream Export;
  WriteBrowserExport(Export, *Demo, Roots);

  const std::int64_t Length = Demo->GetFrameLength("BaseFrame");
  for (const TDecodedNode* Root : Roots) BuildHexDump(Holder.Image, Length, Root->Position + (Size % 300));

  TPlotSeries Plot;
  Plot.FrameName = "HKFrame";
  Plot.VarName = "HK_TEMP1";
  Plot.SortVar = "SEQ_COUNT";
  Plot.DataA = &Holder;
  Plot.RefreshSeries(*Demo);
  DrawPlot(Plot, 300, 200);
  Plot.TimeMode = true;
  Plot.SortTimeSeries();
  Plot.ScaleVertical();
  DrawPlot(Plot, 300, 200);
  return 0;
}
