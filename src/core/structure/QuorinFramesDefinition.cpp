#include "structure/QuorinFramesDefinition.h"

#include <cmath>
#include <cstdint>

#include "common/Log.h"
#include "structure/InstrumentNames.h"

namespace {

// Truncates toward zero, saturating at the ends of the 64-bit range.
std::int64_t TruncSelector(double Value) {
  if (std::isnan(Value)) return 0;
  if (Value >= 9.2e18) return INT64_MAX;
  if (Value <= -9.2e18) return INT64_MIN;
  return static_cast<std::int64_t>(Value);
}

// Frame of a science mode in the built-in table; empty when the mode has none.
std::string ScienceFrameOfMode(std::int64_t Mode) {
  switch (Mode) {
    case 1: return "TPProbePEN-TP-Frame";
    case 5: return "HAMMERDepthSensorFrame";
    case 7: return "FirstFrame";
    case 9: return "GearModeFrame";
    case 16: return "HealthFrameA";
    case 17: return "HealthFrameB";
    case 18: return "HealthFrameC";
    case 19: return "ThermalMaperFrame";
    case 35: return "ThermalMaperFrame";
    case 65: return "TPProbePEN-TP-SpecialFrame";
    case 66: return "AnchorFirstFrame";
    case 67: return "ThermalMaperFrame";
    case 70: return "HarpoonFirst";
    case 97: return "TPProbePEN-TP-Frame";
    case 99: return "ThermalMaperFrame";
    case 104: return "LongtermPEN-TP-Frame";
    case 105: return "LongtermPEN-THC-Frame";
    case 145: return "TPProbePEN-TP-HeatingFrame";
    case 147: return "ThermalMaperHeating";
    case 0xFF51: return "ARMFrame";
    case 0xFF52: return "ARM-PEN-deploymentFrame";
    case 0xFF53: return "HAMMERReleaseFrame";
    case 0xFF54: return "HAMMERRetrackingFrame";
    case 0xFF55: return "HAMMERInsertionFrame";
    default: return "";
  }
}

}  // namespace

std::string TQuorinFramesDefinition::SubFrameEvaluation(const std::string& SubframeName) {
  if (SubframeName == SubHkscName) return VariableValue(HkScienceSwitchName) == 0 ? ScienceFrameName : HkFrameName;
  if (SubframeName == SubScName) {
    const std::int64_t Mode = TruncSelector(VariableValue(ModeName));
    if (Mode >= INT32_MIN && Mode <= INT32_MAX) {
      const std::int32_t Row = FindModeRow(static_cast<std::int32_t>(Mode));
      if (Row >= 0) return Entries[static_cast<std::size_t>(Row)].FrameName;
    }
    const std::string Frame = ScienceFrameOfMode(Mode);
    if (!Frame.empty()) return Frame;
    AddEntry(llWarn, "No rule found for Science Frame Mode " + std::to_string(Mode) + ".");
    return SubframeName;
  }
  if (SubframeName == SubAdcName)
    return AdcFramePrefix + std::to_string(TruncSelector(VariableValue(SubtypeAdcName)));
  if (SubframeName == SubHeatName) {
    std::int64_t Type = TruncSelector(VariableValue(SubtypeHeatName));
    if (Type >= 241 && Type <= 243) Type -= 240;
    return HeatFramePrefix + std::to_string(Type);
  }
  return SubframeName;
}
