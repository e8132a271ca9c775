// The project file reader: the INI image, the settings read from it under a
// decimal point and under a decimal comma, and a write back into the same image.
#include "FuzzInput.h"
#include "common/Convert.h"
#include "common/FloatText.h"
#include "common/FormatSettings.h"
#include "project/IniImage.h"
#include "project/ProjectFile.h"

namespace {
// Thresholds are stored with 15 significant digits; read back they agree to those.
TProjectSettings AsStored(TProjectSettings Settings) {
  for (TProjectAlarm& Alarm : Settings.Alarms) Alarm.Alarm.Value = StrToFloat(GeneralFloatText(Alarm.Alarm.Value));
  return Settings;
}

TProjectSettings ReadWith(char Separator, const TIniImage& Image) {
  FormatSettings().DecimalSeparator = Separator;
  return ReadProjectSettings(Image, TProjectSettings{});
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietLog();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TIniImage Image;
  Image.LoadFromText(std::string(reinterpret_cast<const char*>(Data), Size));
  const TProjectSettings Settings = ReadWith('.', Image);
  // A number reads with either separator, so the locale does not change what a file holds.
  if (!(ReadWith(',', Image) == Settings)) __builtin_trap();
  // A Count up to the limit gives that many default entries; the round trip
  // below is checked on lists of realistic length only, to keep each run short.
  if (Settings.DataSeries.size() + Settings.Alarms.size() > 1000) return 0;
  for (const char Writer : {'.', ','}) {
    FormatSettings().DecimalSeparator = Writer;
    TIniImage Written = Image;
    WriteProjectSettings(Written, Settings);
    const TProjectSettings Stored = AsStored(Settings);
    TIniImage Again;
    Again.LoadFromText(Written.Text());
    // What was written reads back the same, under either separator.
    for (const char Reader : {'.', ','})
      if (!(ReadWith(Reader, Again) == Stored)) __builtin_trap();
  }
  return 0;
}
