// The names of the catalogue's parameters and sections. Every part of the
// driver addresses parameters by these exact, case-sensitive texts; they are
// also the INI keys and the property names the host uses.
#pragma once

namespace ecocam {

namespace param_name {
inline constexpr char Width[] = "Width";
inline constexpr char Height[] = "Height";
inline constexpr char Binning[] = "Binning";
inline constexpr char OffsetX[] = "OffsetX";
inline constexpr char OffsetY[] = "OffsetY";
inline constexpr char PixelDepth[] = "PixelDepth";
inline constexpr char BayerMethod[] = "BayerMethod";
inline constexpr char UseLowPassFilter3x3[] = "UseLowPassFilter3x3";
inline constexpr char UseLUT[] = "UseLUT";
inline constexpr char LUTtable[] = "LUTtable";
inline constexpr char LUTtableRow[] = "LUTtableRow";
inline constexpr char Gamma[] = "Gamma";
inline constexpr char FrameRate[] = "FrameRate";
inline constexpr char ExposureTime[] = "ExposureTime";
inline constexpr char ExposureDelay[] = "ExposureDelay";
inline constexpr char Gain[] = "Gain";
inline constexpr char GainOffset[] = "GainOffset";
inline constexpr char UseAutoGain[] = "UseAutoGain";
inline constexpr char AutoGainBrightness[] = "AutoGainBrightness";
inline constexpr char AutoGainLimitMin[] = "AutoGainLimitMin";
inline constexpr char AutoGainLimitMax[] = "AutoGainLimitMax";
inline constexpr char AutoExposureLimitMin[] = "AutoExposureLimitMin";
inline constexpr char AutoExposureLimitMax[] = "AutoExposureLimitMax";
inline constexpr char AcquisitionMode[] = "AcquisitionMode";
inline constexpr char TriggerInput[] = "TriggerInput";
inline constexpr char Output1[] = "Output1";
inline constexpr char Output2[] = "Output2";
inline constexpr char Output3[] = "Output3";
inline constexpr char TXD[] = "TXD";
inline constexpr char TriggerPolarity[] = "TriggerPolarity";
inline constexpr char StrobePolarity[] = "StrobePolarity";
inline constexpr char StrobePosition[] = "StrobePosition";
inline constexpr char StrobeDuration[] = "StrobeDuration";
inline constexpr char LogLevel[] = "LogLevel";
inline constexpr char LogIntoFile[] = "LogIntoFile";
inline constexpr char LogDebugView[] = "LogDebugView";
}  // namespace param_name

namespace section_name {
inline constexpr char AOI[] = "AOI";
inline constexpr char Image[] = "Image";
inline constexpr char Analog[] = "Analog";
inline constexpr char Auto[] = "Auto";
inline constexpr char Acquisition[] = "Acquisition";
inline constexpr char Logging[] = "Logging";
}  // namespace section_name

// Attribute keys. "pythonAccess" (bool) lets the host write a parameter as
// a property; "FriendlyName" (text) is shown instead of the name; "Format"
// is read by the grid adapters; "SectionName" names a grid section.
inline constexpr char kAttributePythonAccess[] = "pythonAccess";
inline constexpr char kAttributeFriendlyName[] = "FriendlyName";
inline constexpr char kAttributeFormat[] = "Format";
inline constexpr char kAttributeSectionName[] = "SectionName";

}  // namespace ecocam
