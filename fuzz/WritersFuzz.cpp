// The text writers with any numbers: the hex dump at any frame length and
// position over any bytes, and the number texts of export, plot and browser.
#include <cstring>

#include "FuzzInput.h"
#include "browser/HexDump.h"
#include "common/FloatText.h"
#include "plot/PlotSeries.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 16) return 0;
  std::int64_t FrameLength = 0, Position = 0;
  std::memcpy(&FrameLength, Data, 8);
  std::memcpy(&Position, Data + 8, 8);
  TMemoryStream Stream;
  Stream.Bytes.assign(Data + 16, Data + Size);
  // Small lengths and positions are the interesting ones; keep most inputs there.
  if (Data[0] & 1) FrameLength %= 1024;
  if (Data[8] & 1) Position %= 4096;
  const THexDump Dump = BuildHexDump(Stream, FrameLength, Position);
  if (Dump.MarkLine >= static_cast<int>(Dump.Lines.size())) __builtin_trap();

  double Value = 0;
  std::memcpy(&Value, Data, 8);
  if (FixedScientificText(Value).size() > 23) __builtin_trap();
  GeneralFloatText(Value);
  LimitText(Value);
  std::vector<TPlotPoint> Points;
  for (std::size_t I = 16; I + 8 <= Size; I += 8) {
    std::memcpy(&Value, Data + I, 8);
    Points.push_back({Value, 0, 0});
  }
  StatisticsText(Statistics(Points));
  return 0;
}
