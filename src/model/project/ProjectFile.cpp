#include "project/ProjectFile.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "common/Log.h"

namespace {

const std::string ProjectSection = "VorexProject";
const std::string SeriesSection = "DataSeries";
const std::string AlarmsSection = "Alarms";
const std::string AlarmPrefix = "Alarm";
const std::string DefaultCaption = "Change me!";

std::string AlarmSection(std::int64_t Position) { return AlarmPrefix + std::to_string(Position); }

// The key of a plot list entry's added variables; readers that do not know
// it take no position from it.
std::string AddedKey(std::int64_t Position) { return std::to_string(Position) + ".Added"; }

TDataSeries ReadDataSeries(const TIniImage& Image, std::int64_t Position) {
  TDataSeries Result{Image.ReadString(SeriesSection, std::to_string(Position), DefaultCaption), {}};
  const std::string Added = Image.ReadString(SeriesSection, AddedKey(Position), "");
  for (std::size_t From = 0; From < Added.size();) {
    const std::size_t To = std::min(Added.find(',', From), Added.size());
    if (To > From) Result.Added.push_back(Added.substr(From, To - From));
    From = To + 1;
  }
  return Result;
}

void WriteDataSeries(TIniImage& Image, std::int64_t Position, const TDataSeries& Entry) {
  Image.WriteString(SeriesSection, std::to_string(Position), Entry.Caption);
  std::string Added;
  for (const std::string& Name : Entry.Added) Added += (Added.empty() ? "" : ",") + Name;
  // Entries without added variables are written as before.
  if (!Added.empty() || Image.ValueExists(SeriesSection, AddedKey(Position)))
    Image.WriteString(SeriesSection, AddedKey(Position), Added);
}

// The position a key or section suffix names: a decimal number as the writer
// spells it ("0", "17") below Count; -1 for any other text.
std::int64_t PositionOf(const std::string& Text, std::int32_t Count) {
  if (Text.empty() || Text.size() > 10 || (Text.size() > 1 && Text[0] == '0')) return -1;
  std::int64_t Value = 0;
  for (const char C : Text) {
    if (C < '0' || C > '9') return -1;
    Value = Value * 10 + (C - '0');
  }
  return Value < Count ? Value : -1;
}

bool HasPrefix(const std::string& Text, const std::string& Prefix) {
  return SameTextIgnoringCase(std::string_view(Text).substr(0, Prefix.size()), Prefix);
}

// The list positions the names stand for, ascending, each once.
std::vector<std::int64_t> Positions(const std::vector<std::string>& Names, const std::string& Prefix,
                                    std::int32_t Count) {
  std::vector<std::int64_t> Result;
  for (const std::string& Name : Names) {
    if (!HasPrefix(Name, Prefix)) continue;
    const std::int64_t Position = PositionOf(Name.substr(Prefix.size()), Count);
    if (Position >= 0) Result.push_back(Position);
  }
  std::sort(Result.begin(), Result.end());
  Result.erase(std::unique(Result.begin(), Result.end()), Result.end());
  return Result;
}

// The list's "Count"; a negative one is 0.
std::int32_t ListCount(const TIniImage& Image, const std::string& Section) {
  return std::max(Image.ReadInteger(Section, "Count", 0), 0);
}

// Warns of a Count too large to create that many entries.
bool TooLarge(std::int32_t Count, const std::string& Section) {
  if (Count <= MaxProjectListCount) return false;
  AddEntry(llWarn, "Count " + std::to_string(Count) + " in section [" + Section +
                       "] is too large; loading only the entries the file holds.");
  return true;
}

TProjectAlarm ReadAlarm(const TIniImage& Image, std::int64_t Position) {
  const std::string Section = AlarmSection(Position);
  TProjectAlarm Result;
  Result.Alarm.VarName = Image.ReadString(Section, "VarName", "Unknown");
  const std::string Operator = Image.ReadString(Section, "Operator", "=");
  Result.Alarm.Operator = Operator.empty() ? '=' : Operator[0];
  Result.Alarm.Value = Image.ReadFloat(Section, "Value", 0);
  Result.Active = Image.ReadBool(Section, "Active", false);
  // An empty "Warning" is no warning level.
  if (!Image.ReadString(Section, "Warning", "").empty()) Result.Alarm.Warning = Image.ReadFloat(Section, "Warning", 0);
  return Result;
}

}  // namespace

void WriteProjectSettings(TIniImage& Image, const TProjectSettings& Settings) {
  Image.WriteString(ProjectSection, "StructureFile", Settings.StructureFile);
  Image.WriteString(ProjectSection, "PaketFileA", Settings.PacketFileA);
  Image.WriteString(ProjectSection, "PaketFileB", Settings.PacketFileB);
  Image.WriteBool(ProjectSection, "Tracking", Settings.Tracking);
  Image.WriteInteger(ProjectSection, "UpdateInterval", Settings.UpdateInterval);
  Image.WriteBool(ProjectSection, "UpdateOnFileChange", Settings.UpdateOnFileChange);
  Image.WriteBool(ProjectSection, "Notices", Settings.Notices);
  Image.WriteBool(ProjectSection, "Resync", Settings.Resync);

  Image.WriteInteger(SeriesSection, "Count", static_cast<std::int32_t>(Settings.DataSeries.size()));
  for (std::size_t K = 0; K < Settings.DataSeries.size(); ++K)
    WriteDataSeries(Image, static_cast<std::int64_t>(K), Settings.DataSeries[K]);

  Image.WriteInteger(AlarmsSection, "Count", static_cast<std::int32_t>(Settings.Alarms.size()));
  for (std::size_t K = 0; K < Settings.Alarms.size(); ++K) {
    const std::string Section = AlarmSection(static_cast<std::int64_t>(K));
    const TProjectAlarm& Entry = Settings.Alarms[K];
    Image.WriteString(Section, "VarName", Entry.Alarm.VarName);
    Image.WriteString(Section, "Operator", std::string(1, Entry.Alarm.Operator));
    Image.WriteFloat(Section, "Value", Entry.Alarm.Value);
    Image.WriteBool(Section, "Active", Entry.Active);
    // Alarms without a warning level are written as before.
    if (Entry.Alarm.Warning) {
      Image.WriteFloat(Section, "Warning", *Entry.Alarm.Warning);
    } else if (Image.ValueExists(Section, "Warning")) {
      Image.WriteString(Section, "Warning", "");
    }
  }
}

TProjectSettings ReadProjectSettings(const TIniImage& Image, const TProjectSettings& Current) {
  TProjectSettings Result;
  Result.StructureFile = Image.ReadString(ProjectSection, "StructureFile", "");
  Result.PacketFileA = Image.ReadString(ProjectSection, "PaketFileA", Current.PacketFileA);
  Result.PacketFileB = Image.ReadString(ProjectSection, "PaketFileB", Current.PacketFileB);
  Result.Tracking = Image.ReadBool(ProjectSection, "Tracking", Current.Tracking);
  Result.UpdateInterval =
      std::clamp(Image.ReadInteger(ProjectSection, "UpdateInterval", DefaultUpdateInterval), 1, MaxUpdateInterval);
  Result.UpdateOnFileChange = Image.ReadBool(ProjectSection, "UpdateOnFileChange", false);
  Result.Notices = Image.ReadBool(ProjectSection, "Notices", true);
  Result.Resync = Image.ReadBool(ProjectSection, "Resync", false);

  const std::int32_t SeriesCount = ListCount(Image, SeriesSection);
  if (TooLarge(SeriesCount, SeriesSection)) {
    for (const std::int64_t K : Positions(Image.SectionKeys(SeriesSection), "", SeriesCount))
      Result.DataSeries.push_back(ReadDataSeries(Image, K));
  } else {
    for (std::int32_t K = 0; K < SeriesCount; ++K) Result.DataSeries.push_back(ReadDataSeries(Image, K));
  }

  const std::int32_t AlarmCount = ListCount(Image, AlarmsSection);
  if (TooLarge(AlarmCount, AlarmsSection)) {
    for (const std::int64_t K : Positions(Image.SectionNames(), AlarmPrefix, AlarmCount))
      Result.Alarms.push_back(ReadAlarm(Image, K));
  } else {
    for (std::int32_t K = 0; K < AlarmCount; ++K) Result.Alarms.push_back(ReadAlarm(Image, K));
  }
  return Result;
}

bool LooksLikeProjectFile(const TIniImage& Image) {
  return !Image.HeldNulByte() && (Image.SectionExists(ProjectSection) || Image.SectionExists(SeriesSection) ||
                                  Image.SectionExists(AlarmsSection));
}
