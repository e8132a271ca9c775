#pragma once
// An alarm condition on a decoded variable.
#include <optional>
#include <string>

#include "common/FloatText.h"

struct TAlarmEntry {
  double Value = 0;
  char Operator = '=';
  std::string VarName;
  // A second threshold on the near side of Value: a value that meets the
  // condition with it but not with Value is a warning.
  std::optional<double> Warning;
  bool operator==(const TAlarmEntry&) const = default;
};

// "TEMP1 > 25.5": name, operator and value with the settings in use, and
// " (warning 20)" when the alarm has a warning level.
inline std::string AlarmCaption(const TAlarmEntry& Alarm) {
  std::string Caption = Alarm.VarName + " " + Alarm.Operator + " " + GeneralFloatText(Alarm.Value);
  if (Alarm.Warning) Caption += " (warning " + GeneralFloatText(*Alarm.Warning) + ")";
  return Caption;
}
