// CameraParameters::PushToCamera: the named parameters written to the open
// camera through the SDK, one step per camera feature in a fixed order. A
// step runs when all of its parameters are named. An SDK error is logged
// and the sequence goes on, except for the pixel depth (thrown: everything
// after it depends on it) and the lookup table (the sequence stops).
#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>

#include "driver/log_text.h"
#include "params/camera_parameters.h"
#include "sdk/sdk.h"

namespace ecocam {

namespace {

namespace pn = param_name;

constexpr char kInfoSetting[] = "CameraParameters::PushToCamera_go: INFO: setting ";
constexpr char kSdkError[] = "Error setting camera parameter: ";

// The line of a value being sent: "INFO: setting " and what.
std::string Setting(const std::string& what) { return kInfoSetting + what; }

// I/O signal numbers of the SDK's I/O assignment.
constexpr int kSignalOutput1 = 1;
constexpr int kSignalOutput2 = 2;
constexpr int kSignalOutput3 = 3;
constexpr int kSignalTxd = 4;
constexpr int kSignalTriggerInput = 6;
constexpr int kLutModeTable = 2;

// A double as the SDK's 32-bit float. Values beyond the float range become
// the infinity of their sign (the conversion itself would be undefined).
float NarrowToFloat(double d) {
  if (d > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (d < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(d);
}

// One pass over the steps, with the set, the camera and the names.
class PushSequence {
 public:
  PushSequence(CameraParameters& set, sdk::CameraHandle handle, const std::set<std::string>& names,
               CameraParameters::PushResults* results)
      : _set(set), _handle(handle), _names(names), _results(results) {}

  bool Named(std::initializer_list<const char*> names) const {
    for (const char* name : names) {
      if (_names.count(name) == 0) return false;
    }
    return true;
  }

  int Int(const char* name) const { return _set.Get(name).get_val<int>(); }
  bool Bool(const char* name) const { return _set.Get(name).get_val<bool>(); }
  double Double(const char* name) const { return _set.Get(name).get_val<double>(); }
  // The value of the current option, narrowed to 32 bits.
  int Enum(const char* name) const { return static_cast<int>(_set.Get(name).currEnumVal()); }

  // Keeps a setter's result code for each parameter its step sent.
  void Record(std::initializer_list<const char*> names, int rc) {
    if (_results == nullptr) return;
    for (const char* name : names) (*_results)[name] = rc;
  }

  // Logs an SDK error of a step that does not stop the sequence.
  template <typename Compose>
  static void CheckResult(int rc, Compose compose) {
    if (rc != 0) ECOCAM_LOG(1, kSdkError + compose() + " error code=" + std::to_string(rc));
  }

  // Records the result of the step of `names`, then logs it when it failed.
  template <typename Compose>
  void Check(std::initializer_list<const char*> names, int rc, Compose compose) {
    Record(names, rc);
    CheckResult(rc, compose);
  }

  // An integer parameter sent as a float.
  template <typename Setter>
  void IntAsFloat(const char* name, const char* logKey, const char* entryPoint, Setter setter) {
    if (!Named({name})) return;
    const int v = Int(name);
    ECOCAM_LOG(3, Setting(logKey + Text(v)));
    Check({name}, setter(_handle, static_cast<float>(v)),
          [&] { return std::string(entryPoint) + ", value=" + Text(v); });
  }

  // An enumerated parameter as an I/O source of `signal`.
  void IoAssignment(const char* name, int signal, const char* logKey, const char* errorValueKey) {
    if (!Named({name})) return;
    const int v = Enum(name);
    ECOCAM_LOG(3, Setting(logKey + Text(v)));
    Check({name}, sdk::Camera_setIOAssignment(_handle, signal, v),
          [&] { return std::string("Camera_setIOAssignment") + errorValueKey + Text(v); });
  }

  // An enumerated parameter through a setter taking its value.
  template <typename Setter>
  void EnumValue(const char* name, const char* logKey, const char* entryPoint, Setter setter) {
    if (!Named({name})) return;
    const int v = Enum(name);
    ECOCAM_LOG(3, Setting(logKey + Text(v)));
    Check({name}, setter(_handle, v), [&] { return std::string(entryPoint) + ", value=" + Text(v); });
  }

  sdk::CameraHandle Handle() const { return _handle; }

 private:
  CameraParameters& _set;
  sdk::CameraHandle _handle;
  const std::set<std::string>& _names;
  CameraParameters::PushResults* _results;  // null: not wanted
};

}  // namespace

// Runs on the caller's thread (the host's, in open and setProperty); takes
// no lock. True when the whole sequence ran.
bool CameraParameters::PushToCamera(const PushTarget& camera, sdk::CameraHandle handle,
                                    const std::set<std::string>& names, PushResults* results) {
  try {
    ECOCAM_LOG(3, "CameraParameters::PushToCamera: entering, port=" + std::to_string(camera.Port()));
    return PushToCamera_go(camera, handle, names, results);
  } catch (const std::runtime_error& e) {
    try {
      ECOCAM_LOG(1, std::string("CameraParameters::PushToCamera: ERROR: ") + e.what());
    } catch (...) {
      // Without memory for the line there is nothing to report it with.
    }
  } catch (...) {
    try {
      ECOCAM_LOG(1, "CameraParameters::PushToCamera: exception ");
    } catch (...) {
    }
  }
  return false;
}

bool CameraParameters::PushToCamera_go(const PushTarget& camera, sdk::CameraHandle handle,
                                       const std::set<std::string>& names, PushResults* results) {
  const int port = camera.Port();
  ECOCAM_LOG(3, "CameraParameters::PushToCamera_go: entering, port=" + std::to_string(port));
  PushSequence step(*this, handle, names, results);

  const int width = step.Int(pn::Width);
  const int height = step.Int(pn::Height);
  const int offsetX = step.Int(pn::OffsetX);
  const int offsetY = step.Int(pn::OffsetY);

  // 1. Pixel depth: everything else depends on it, so a failure ends here.
  if (step.Named({pn::PixelDepth})) {
    const int v = step.Enum(pn::PixelDepth);
    ECOCAM_LOG(3, Setting("pixel depth=" + Text(v)));
    const int rc = sdk::Camera_setPixelDepth(handle, v);
    step.Record({pn::PixelDepth}, rc);
    if (rc != 0) {
      throw std::runtime_error(std::string(kSdkError) + "Camera_setPixelDepth, value=" + Text(v) +
                               " error code=" + std::to_string(rc));
    }
  }

  // 2. Binning, 3. area of interest, 4. acquisition mode.
  step.EnumValue(pn::Binning, "Binning-mode=", "Camera_setBinningMode", sdk::Camera_setBinningMode);
  if (step.Named({pn::Width, pn::Height, pn::OffsetX, pn::OffsetY})) {
    ECOCAM_LOG(3, Setting("AOI, width=" + Text(width) + ", height=" + Text(height) + ", offsetx=" + Text(offsetX) +
                          ", offsety=" + Text(offsetY)));
    step.Check({pn::Width, pn::Height, pn::OffsetX, pn::OffsetY},
               sdk::Camera_setAreaOfInterest(handle, width, height, offsetX, offsetY),
               [] { return std::string("Camera_setAreaOfInterest"); });
  }
  step.EnumValue(pn::AcquisitionMode, "AcquisitionMode=", "Camera_setAcquisitionMode", sdk::Camera_setAcquisitionMode);

  // 5. Lookup table: Push_LUT logs its own reason; the sequence stops.
  if (step.Named({pn::LUTtable, pn::LUTtableRow, pn::UseLUT}) && !Push_LUT(handle)) {
    ECOCAM_LOG(1, "Setting LUT failed");
    return false;
  }

  // 6. Low-pass filter, monochrome cameras only.
  if (step.Named({pn::UseLowPassFilter3x3}) && !camera.IsColor()) {
    const int v = step.Bool(pn::UseLowPassFilter3x3) ? 1 : 0;
    ECOCAM_LOG(3, Setting("low pass filter=" + Text(v) + "\n"));
    step.Check({pn::UseLowPassFilter3x3}, sdk::Camera_setLowpassFilter(handle, v),
               [&] { return "Camera_setLowpassFilter, value=" + Text(v); });
  }

  // 7. Gamma goes through the camera's lookup table, so it is sent only
  // while no table from a file is in force.
  if (step.Named({pn::Gamma}) && !step.Bool(pn::UseLUT)) {
    ECOCAM_LOG(3, "CameraParameters::PushToCamera_go: INFO: enabling LUT for Gamma");
    const int modeResult = sdk::Camera_setLookupTableMode(handle, kLutModeTable);
    if (modeResult != 0) {
      ECOCAM_LOG(1, std::string(kSdkError) + "Camera_setLUTMode error code=" + std::to_string(modeResult));
    }
    const double g = step.Double(pn::Gamma);
    ECOCAM_LOG(3, Setting("gamma=" + Text(g)));
    // The gamma value's own setter decides whether the camera took it.
    step.Check({pn::Gamma}, sdk::Camera_setGammaCorrection(handle, NarrowToFloat(g)),
               [&] { return "Camera_setGammaCorrection, value=" + Text(g); });
  }

  // 8 to 12. Timing and analog settings, integers sent as floats; the gain
  // goes unscaled.
  step.IntAsFloat(pn::FrameRate, "framerate=", "Camera_setFrameRate", sdk::Camera_setFrameRate);
  step.IntAsFloat(pn::ExposureTime, "exposuretime=", "Camera_setExposureTime", sdk::Camera_setExposureTime);
  step.IntAsFloat(pn::ExposureDelay, "exposureDelay=", "Camera_setExposureDelay", sdk::Camera_setExposureDelay);
  step.IntAsFloat(pn::Gain, "gain=", "Camera_setGain", sdk::Camera_setGain);
  step.IntAsFloat(pn::GainOffset, "gainOffset=", "Camera_setOffset", sdk::Camera_setOffset);

  // 13 to 16. Automatic gain and exposure.
  if (step.Named({pn::UseAutoGain})) {
    const bool b = step.Bool(pn::UseAutoGain);
    ECOCAM_LOG(3, Setting("autoGainEnabled=" + Text(b)));
    step.Check({pn::UseAutoGain}, sdk::Camera_setAutoGainEnabled(handle, b),
               [&] { return "Camera_setAutoGainEnabled, value=" + Text(b); });
  }
  step.IntAsFloat(pn::AutoGainBrightness, "autoGainBrightness=", "Camera_setAutoGainBrightness",
                  sdk::Camera_setAutoGainBrightness);
  if (step.Named({pn::AutoGainLimitMin, pn::AutoGainLimitMax})) {
    const double min = step.Double(pn::AutoGainLimitMin);
    const double max = step.Double(pn::AutoGainLimitMax);
    ECOCAM_LOG(3, Setting("autoGainLimMin=" + Text(min) + " and autoGainLimMax=" + Text(max)));
    step.Check({pn::AutoGainLimitMin, pn::AutoGainLimitMax},
               sdk::Camera_setAutoGainLimits(handle, NarrowToFloat(min), NarrowToFloat(max)),
               [&] { return "Camera_setAutoGainLimits, valueMin=" + Text(min) + ", valueMax=" + Text(max); });
  }
  if (step.Named({pn::AutoExposureLimitMin, pn::AutoExposureLimitMax})) {
    const int min = step.Int(pn::AutoExposureLimitMin);
    const int max = step.Int(pn::AutoExposureLimitMax);
    ECOCAM_LOG(3, Setting("autoExposureLimMin=" + Text(min) + " and autoExposureLimMax=" + Text(max)));
    step.Check({pn::AutoExposureLimitMin, pn::AutoExposureLimitMax},
               sdk::Camera_setAutoExposureLimits(handle, static_cast<float>(min), static_cast<float>(max)),
               [&] { return "Camera_setAutoExposureLimits, valueMin=" + Text(min) + ", valueMax=" + Text(max); });
  }

  // 17 to 21. I/O assignment: the trigger input, three outputs, RS232 transmit.
  step.IoAssignment(pn::TriggerInput, kSignalTriggerInput, "trigger Line=", ", value=");
  step.IoAssignment(pn::Output1, kSignalOutput1, "Output1=", ", Output1 value=");
  step.IoAssignment(pn::Output2, kSignalOutput2, "Output2=", ", Output2 value=");
  step.IoAssignment(pn::Output3, kSignalOutput3, "Output3=", ", Output3 value=");
  step.IoAssignment(pn::TXD, kSignalTxd, "TXD=", ", TXD value=");

  // 22 to 25. Trigger and strobe.
  step.EnumValue(pn::TriggerPolarity, "TRIGGER_POLARITY=", "Camera_setTriggerPolarity", sdk::Camera_setTriggerPolarity);
  step.EnumValue(pn::StrobePolarity, "STROBE_POLARITY =", "Camera_setStrobePolarity", sdk::Camera_setStrobePolarity);
  step.IntAsFloat(pn::StrobePosition, "strobePosition =", "Camera_setStrobePosition", sdk::Camera_setStrobePosition);
  step.IntAsFloat(pn::StrobeDuration, "strobeDuration=", "Camera_setStrobeDuration", sdk::Camera_setStrobeDuration);

  ECOCAM_LOG(3, "CameraParameters::PushToCamera_go: leaving, port=" + std::to_string(port));
  return true;
}

}  // namespace ecocam
