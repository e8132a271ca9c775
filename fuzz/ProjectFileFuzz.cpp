// The project file reader: the INI image, the settings read from it, and a
// write back into the same image.
#include "FuzzInput.h"
#include "common/Convert.h"
#include "common/FloatText.h"
#include "project/IniImage.h"
#include "project/ProjectFile.h"

namespace {
// Thresholds are stored with 15 significant digits; read back they agree to those.
TProjectSettings AsStored(TProjectSettings Settings) {
  for (TProjectAlarm& Alarm : Settings.Alarms) Alarm.Alarm.Value = StrToFloat(GeneralFloatText(Alarm.Alarm.Value));
  return Settings;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TIniImage Image;
  Image.LoadFromText(std::string(reinterpret_cast<const char*>(Data), Size));
  const TProjectSettings Settings = ReadProjectSettings(Image, TProjectSettings{});
  // A Count up to the limit gives that many default entries; the round trip
  // below is checked on lists of realistic length only, to keep each run short.
  if (Settings.DataSeries.size() + Settings.Alarms.size() > 1000) return 0;
  WriteProjectSettings(Image, Settings);
  TIniImage Again;
  Again.LoadFromText(Image.Text());
  // What was written reads back the same.
  if (!(ReadProjectSettings(Again, TProjectSettings{}) == AsStored(Settings))) __builtin_trap();
  return 0;
}
