#pragma once
// The settings a project file holds, and their keys in the file's image.
#include <cstdint>
#include <string>
#include <vector>

#include "project/AlarmEntry.h"
#include "project/IniImage.h"

// A list "Count" above this is not taken at its word: only the entries the
// file holds are loaded.
constexpr std::int32_t MaxProjectListCount = 100000;

struct TProjectAlarm {
  TAlarmEntry Alarm;
  bool Active = false;
  bool operator==(const TProjectAlarm&) const = default;
};

// An entry of the plot list: its caption (normally "Frame.Variable") and the
// variables added to its plot, each "Frame.Variable", in the order added.
struct TDataSeries {
  std::string Caption;
  std::vector<std::string> Added;
  bool operator==(const TDataSeries&) const = default;
};

// Seconds between two looks at a tracked file, as a project may set them.
constexpr std::int32_t DefaultUpdateInterval = 60;
constexpr std::int32_t MaxUpdateInterval = 86400;

struct TProjectSettings {
  std::string StructureFile, PacketFileA, PacketFileB;
  bool Tracking = false;
  std::int32_t UpdateInterval = DefaultUpdateInterval;  // seconds, 1 to MaxUpdateInterval
  bool UpdateOnFileChange = false;                      // a file system notification starts a pass
  bool Notices = true;                                  // alarm hits show a notice
  bool Resync = false;                                  // resynchronise after invalid BaseFrames
  std::vector<TDataSeries> DataSeries;                  // plot list, list order
  std::vector<TProjectAlarm> Alarms;                    // alarm list, list order
  bool operator==(const TProjectSettings&) const = default;
};

// Sets every key of the settings in Image, in this order: section
// "VorexProject": "StructureFile", "PaketFileA", "PaketFileB", "Tracking",
// "UpdateInterval", "UpdateOnFileChange", "Notices", "Resync"; section
// "DataSeries": "Count", then "0", "1", ... = captions, each followed by
// "<k>.Added" = its added variables separated by commas when it has some
// (emptied when it has none); section "Alarms":
// "Count"; then for alarm k section "Alarm<k>": "VarName",
// "Operator", "Value", "Active", and "Warning" when the alarm has a warning
// level (emptied when it has none). Keys and sections not named stay as they are.
void WriteProjectSettings(TIniImage& Image, const TProjectSettings& Settings);

// Reads the settings; Current supplies the defaults of PacketFileA, PacketFileB
// and Tracking. An update interval out of range is taken as the nearest
// allowed one. Lists come back in file order (position 0 first). A missing
// caption is "Change me!", without added variables; a missing alarm is "Unknown" '=' 0, inactive. A
// Count above MaxProjectListCount logs a warning and loads only the positions
// below Count that the file holds.
TProjectSettings ReadProjectSettings(const TIniImage& Image, const TProjectSettings& Current);

// The image is text and holds at least one of the sections the settings are
// written to ("VorexProject", "DataSeries", "Alarms").
bool LooksLikeProjectFile(const TIniImage& Image);
