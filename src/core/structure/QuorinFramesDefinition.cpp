#include "structure/QuorinFramesDefinition.h"

#include <cmath>
#include <cstdint>

#include "common/Log.h"
#include "structure/InstrumentNames.h"
#include "structure/NameHash.h"

namespace {

// Truncates toward zero, saturating at the ends of the 64-bit range.
std::int64_t TruncSelector(double Value) {
  if (std::isnan(Value)) return 0;
  if (Value >= 9.2e18) return INT64_MAX;
  if (Value <= -9.2e18) return INT64_MIN;
  return static_cast<std::int64_t>(Value);
}

// The hashes of the variables the rules read.
const std::uint32_t HkScienceSwitchHash = DJBHash(HkScienceSwitchName);
const std::uint32_t ModeHash = DJBHash(ModeName);
const std::uint32_t SubtypeAdcHash = DJBHash(SubtypeAdcName);
const std::uint32_t SubtypeHeatHash = DJBHash(SubtypeHeatName);

struct TModeFrame {
  std::int64_t Mode;
  const char* Frame;
};

// The science frames of the modes the structure file does not name.
constexpr TModeFrame BuiltInModeFrames[] = {{1, "TPProbePEN-TP-Frame"},
                                            {5, "HAMMERDepthSensorFrame"},
                                            {7, "FirstFrame"},
                                            {9, "GearModeFrame"},
                                            {16, "HealthFrameA"},
                                            {17, "HealthFrameB"},
                                            {18, "HealthFrameC"},
                                            {19, "ThermalMaperFrame"},
                                            {35, "ThermalMaperFrame"},
                                            {65, "TPProbePEN-TP-SpecialFrame"},
                                            {66, "AnchorFirstFrame"},
                                            {67, "ThermalMaperFrame"},
                                            {70, "HarpoonFirst"},
                                            {97, "TPProbePEN-TP-Frame"},
                                            {99, "ThermalMaperFrame"},
                                            {104, "LongtermPEN-TP-Frame"},
                                            {105, "LongtermPEN-THC-Frame"},
                                            {145, "TPProbePEN-TP-HeatingFrame"},
                                            {147, "ThermalMaperHeating"},
                                            {0xFF51, "ARMFrame"},
                                            {0xFF52, "ARM-PEN-deploymentFrame"},
                                            {0xFF53, "HAMMERReleaseFrame"},
                                            {0xFF54, "HAMMERRetrackingFrame"},
                                            {0xFF55, "HAMMERInsertionFrame"}};

// Frame of a science mode in the built-in table; empty when the mode has none.
std::string ScienceFrameOfMode(std::int64_t Mode) {
  for (const TModeFrame& Entry : BuiltInModeFrames)
    if (Entry.Mode == Mode) return Entry.Frame;
  return "";
}

}  // namespace

std::string TQuorinFramesDefinition::SubFrameEvaluation(const std::string& SubframeName) {
  if (SubframeName == SubHkscName) return VariableValue(HkScienceSwitchHash) == 0 ? ScienceFrameName : HkFrameName;
  if (SubframeName == SubScName) {
    const std::int64_t Mode = TruncSelector(VariableValue(ModeHash));
    if (Mode >= INT32_MIN && Mode <= INT32_MAX) {
      const std::int32_t Row = FindModeRow(static_cast<std::int32_t>(Mode));
      if (Row >= 0) return Entries[static_cast<std::size_t>(Row)].FrameName;
    }
    std::string Frame = ScienceFrameOfMode(Mode);
    if (!Frame.empty()) return Frame;
    AddEntry(llWarn, "No rule found for Science Frame Mode " + std::to_string(Mode) + ".");
    return SubframeName;
  }
  if (SubframeName == SubAdcName) return AdcFramePrefix + std::to_string(TruncSelector(VariableValue(SubtypeAdcHash)));
  if (SubframeName == SubHeatName) {
    std::int64_t Type = TruncSelector(VariableValue(SubtypeHeatHash));
    if (Type >= 241 && Type <= 243) Type -= 240;
    return HeatFramePrefix + std::to_string(Type);
  }
  return SubframeName;
}

std::vector<std::string> TQuorinFramesDefinition::SubFrameCandidates(const std::string& SubframeName) const {
  if (SubframeName == SubHkscName) return {ScienceFrameName, HkFrameName};
  std::vector<std::string> Frames;
  if (SubframeName == SubScName) {
    for (const TDefinitionEntry& Row : Entries) {
      const std::int32_t ModeRow = FindModeRow(Row.Mode);
      if (ModeRow >= 0) Frames.push_back(Entries[static_cast<std::size_t>(ModeRow)].FrameName);
    }
    for (const TModeFrame& Entry : BuiltInModeFrames) Frames.emplace_back(Entry.Frame);
    Frames.push_back(SubframeName);
  } else if (SubframeName == SubAdcName || SubframeName == SubHeatName) {
    const std::string Prefix = SubframeName == SubAdcName ? AdcFramePrefix : HeatFramePrefix;
    for (const TDefinitionEntry& Row : Entries)
      if (Row.Kind == ekFrame && Row.FrameName.starts_with(Prefix)) Frames.push_back(Row.FrameName);
  } else {
    Frames.push_back(SubframeName);
  }
  return Frames;
}

std::unique_ptr<TFramesDefinition> TQuorinFramesDefinition::CopyFor(std::vector<std::string>& Messages) const {
  return std::unique_ptr<TFramesDefinition>(new TQuorinFramesDefinition(*this, Messages));
}

std::vector<std::string> TQuorinFramesDefinition::SelectorNames() const {
  return {HkScienceSwitchName, ModeName, SubtypeAdcName, SubtypeHeatName};
}
