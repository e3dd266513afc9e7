// The catalogue: the 36 parameters every camera's set holds, whatever the
// model, with their sections, initial values and limits, options,
// descriptions, attributes and flags. Creation order is the order of
// loading and saving and of the items in the configuration grid.
//
// The limits of sizes, timing, gain and strobe are starting values only:
// the camera's own replace them each time it is opened.
#include <initializer_list>
#include <utility>

#include "params/camera_parameters.h"

namespace ecocam {
namespace {

using Options = std::initializer_list<std::pair<const char*, long long>>;

const Options kBinningOptions = {{"Off", 0}, {"Horizontal", 1}, {"Vertical", 2}, {"2x2", 3}};
const Options kPixelDepthOptions = {{"8", 0}};
const Options kBayerOptions = {{"None", -1}, {"Simple", 1}, {"HQLinear", 3}};
const Options kAcquisitionOptions = {{"Fixed frequency", 1},
                                     {"Software trigger", 2},
                                     {"External trigger / Internal exposure", 3},
                                     {"External trigger / External exposure", 4}};
// The values are the SDK's codes: single bits for the I/O lines.
const Options kTriggerOptions = {{"None", 1},       {"IN1", 2},         {"IN2", 4},
                                 {"IN3(RS422)", 8}, {"RXD(RS232)", 16}, {"Strobe", 64}};
const Options kOutputOptions = {{"None", 1},        {"IN1", 2},     {"IN2", 4},        {"IN3(RS422)", 8},
                                {"RXD(RS232)", 16}, {"Strobe", 64}, {"FixedLow", 128}, {"FixedHigh", 256}};
const Options kPolarityOptions = {{"Positive", 0}, {"Negative", 1}};

// What follows the constructor, in this order: options, "pythonAccess",
// description, flags.
struct Extras {
  bool pythonAccess = false;
  const char* description = nullptr;
  bool persistent = true;
  bool visible = true;
};

constexpr Extras kNone{};
constexpr Extras kPython{true};

void Finish(Param_& p, const Extras& extras) {
  if (extras.pythonAccess) p.set_attribute(kAttributePythonAccess, true);
  if (extras.description != nullptr) p.set_description(extras.description);
  if (!extras.persistent) p.set_persistent(false);
  if (!extras.visible) p.set_visible(false);
}

template <typename T>
std::unique_ptr<Param_> Number(const char* section, const char* name, T value, T min, T max, T inc,
                               const Extras& extras = kNone) {
  auto p = std::make_unique<Param<T>>(section, name, value, min, max, inc);
  Finish(*p, extras);
  return p;
}

template <typename T>
std::unique_ptr<Param_> Single(const char* section, const char* name, T value, const Extras& extras = kNone) {
  auto p = std::make_unique<Param<T>>(section, name, value);
  Finish(*p, extras);
  return p;
}

std::unique_ptr<Param_> Enum(const char* section, const char* name, const char* label, const Options& options,
                             const Extras& extras = kNone) {
  auto p = std::make_unique<ParamEnum>(section, name, label);
  for (const auto& option : options) p->add_option(option.first, option.second);
  Finish(*p, extras);
  return p;
}

}  // namespace

void CameraParameters::CreateParameters() {
  namespace n = param_name;
  namespace s = section_name;

  Add(Number<int>(s::AOI, n::Width, 100, 1, 200, 0));
  Add(Number<int>(s::AOI, n::Height, 100, 1, 200, 0));
  Add(Enum(s::AOI, n::Binning, "Off", kBinningOptions));
  Add(Number<int>(s::AOI, n::OffsetX, 0, 0, 100, 0));
  Add(Number<int>(s::AOI, n::OffsetY, 0, 0, 100, 0));

  Add(Enum(s::Image, n::PixelDepth, "8", kPixelDepthOptions));
  Add(Enum(s::Image, n::BayerMethod, "HQLinear", kBayerOptions));
  Add(Single<bool>(s::Image, n::UseLowPassFilter3x3, false));
  Add(Single<bool>(s::Image, n::UseLUT, false));
  Add(Single<std::string>(s::Image, n::LUTtable, ""));
  Add(Single<std::string>(s::Image, n::LUTtableRow, ""));
  Add(Number<double>(s::Image, n::Gamma, 0.4, 0.4, 2.5, 0.0, kPython));

  Add(Number<int>(s::Analog, n::FrameRate, 5, 1, 100, 0, {true, "Set frames per second"}));
  Add(Number<int>(s::Analog, n::ExposureTime, 100, 100, 10000, 0, {true, "Set exposure in microseconds"}));
  Add(Number<int>(s::Analog, n::ExposureDelay, 1, 1, 100, 0, kPython));
  Add(Number<int>(s::Analog, n::Gain, 1, 1, 100, 0,
                  {true, "A gain of 1.0 is represented as integer 128 in the appropriate camera"}));
  Add(Number<int>(s::Analog, n::GainOffset, 0, 0, 100, 0, kPython));

  Add(Single<bool>(s::Auto, n::UseAutoGain, false));
  Add(Number<int>(s::Auto, n::AutoGainBrightness, 0, 0, 255, 0));
  Add(Number<double>(s::Auto, n::AutoGainLimitMin, 0.0, 0.0, 0.0, 0.0));
  Add(Number<double>(s::Auto, n::AutoGainLimitMax, 0.0, 0.0, 0.0, 0.0));
  Add(Number<int>(s::Auto, n::AutoExposureLimitMin, 0, 0, 0, 0));
  Add(Number<int>(s::Auto, n::AutoExposureLimitMax, 0, 0, 0, 0));

  Add(Enum(s::Acquisition, n::AcquisitionMode, "Fixed frequency", kAcquisitionOptions));
  Add(Enum(s::Acquisition, n::TriggerInput, "None", kTriggerOptions));
  Add(Enum(s::Acquisition, n::Output1, "None", kOutputOptions));
  Add(Enum(s::Acquisition, n::Output2, "None", kOutputOptions));
  Add(Enum(s::Acquisition, n::Output3, "None", kOutputOptions));
  Add(Enum(s::Acquisition, n::TXD, "None", kOutputOptions, {false, "RS232 transmit"}));
  Add(Enum(s::Acquisition, n::TriggerPolarity, "", kPolarityOptions));
  Add(Enum(s::Acquisition, n::StrobePolarity, "", kPolarityOptions, kPython));
  Add(Number<int>(s::Acquisition, n::StrobePosition, 0, 0, 0, 0));
  Add(Number<int>(s::Acquisition, n::StrobeDuration, 0, 0, 0, 0));

  Add(Number<int>(s::Logging, n::LogLevel, 1, 0, 4, 0, kPython));
  Add(Single<bool>(s::Logging, n::LogIntoFile, false, {false, nullptr, false}));
  Add(Number<int>(s::Logging, n::LogDebugView, 0, 0, 4, 0, {true, nullptr, true, false}));
}

}  // namespace ecocam
