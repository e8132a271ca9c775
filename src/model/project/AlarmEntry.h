#pragma once
// An alarm condition on a decoded variable.
#include <string>

#include "common/FloatText.h"

struct TAlarmEntry {
  double Value = 0;
  char Operator = '=';
  std::string VarName;
  bool operator==(const TAlarmEntry&) const = default;
};

// "TEMP1 > 25.5": name, operator and value with the settings in use.
inline std::string AlarmCaption(const TAlarmEntry& Alarm) {
  return Alarm.VarName + " " + Alarm.Operator + " " + GeneralFloatText(Alarm.Value);
}
