#pragma once
// The instrument's fixed frame and variable names, which the decoding, its
// sub-frame rules and the views rely on.

// The top-level frame a packet file is cut into.
constexpr const char* BaseFrameName = "BaseFrame";
// The frame name that stands for none: looking it up reports nothing.
constexpr const char* NoRuleFoundName = "NO_RULE_FOUND";
// A BaseFrame's header and, in it, the on-board time in days.
constexpr const char* DataFieldHeaderName = "DataFieldHeader";
constexpr const char* OobtName = "OOBT";
// The time in seconds of the plot points that follow it.
constexpr const char* PlotTimeName = "PLOT_TIME";

// Housekeeping or science, by the switch: 0 chooses the science frame.
constexpr const char* SubHkscName = "SUB_HKSC";
constexpr const char* HkScienceSwitchName = "HK_SCIENCE_SWITCH";
constexpr const char* ScienceFrameName = "ScienceFrame";
constexpr const char* HkFrameName = "HKFrame";
// The science frame of the mode.
constexpr const char* SubScName = "SUB_SC";
constexpr const char* ModeName = "MODE";
// The frames of an ADC or a heater sub-type: the prefix and the number.
constexpr const char* SubAdcName = "SUB_ADC";
constexpr const char* SubtypeAdcName = "SUBTYPE_ADC";
constexpr const char* AdcFramePrefix = "ADC-Subframe-Type-";
constexpr const char* SubHeatName = "SUB_HEAT";
constexpr const char* SubtypeHeatName = "SUBTYPE_HEAT";
constexpr const char* HeatFramePrefix = "HEAT-Subframe-Type-";
