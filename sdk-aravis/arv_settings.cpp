// Acquisition control, triggers, timing and analog settings through
// GenICam features, standard names first.
#include "arv_features.h"
#include "arv_impl.h"

namespace arvsdk {

namespace {

const Names kFrameRate = {"AcquisitionFrameRate", "AcquisitionFrameRateAbs"};
const Names kExposure = {"ExposureTime", "ExposureTimeAbs"};
const Names kExposureDelay = {"ExposureDelay", "TriggerDelay", "TriggerDelayAbs"};
const Names kGain = {"Gain", "GainRaw"};
const Names kOffset = {"BlackLevel", "BlackLevelRaw"};
const Names kStrobePosition = {"StrobeDelay", "StrobePosition"};
const Names kStrobeDuration = {"StrobeDuration"};

int SetFloat(CameraHandle camera, Names names, float value) {
  return WithOpenCamera(camera, [&](CameraEntry& e) { return SetNumber(e.camera, names, value); });
}

int GetFloat(CameraHandle camera, Names names, float* out) {
  if (out == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double value = 0.0;
    const int rc = GetNumber(e.camera, names, &value);
    return rc == kOk ? ReportFloat(out, value) : rc;
  });
}

int GetMin(CameraHandle camera, Names names, float* out) {
  if (out == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double min = 0.0;
    const int rc = GetBounds(e.camera, names, &min, nullptr);
    return rc == kOk ? ReportFloat(out, min) : rc;
  });
}

int GetMax(CameraHandle camera, Names names, float* out) {
  if (out == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double max = 0.0;
    const int rc = GetBounds(e.camera, names, nullptr, &max);
    return rc == kOk ? ReportFloat(out, max) : rc;
  });
}

int GetRange(CameraHandle camera, Names names, float* min, float* max) {
  if (min == nullptr || max == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double lo = 0.0;
    double hi = 0.0;
    const int rc = GetBounds(e.camera, names, &lo, &hi);
    if (rc != kOk) return rc;
    ReportFloat(min, lo);
    return ReportFloat(max, hi);
  });
}

int GetStep(CameraHandle camera, Names names, float* out) {
  if (out == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double step = 0.0;
    const int rc = GetIncrement(e.camera, names, &step);
    return rc == kOk ? ReportFloat(out, step) : rc;
  });
}

// The GenICam line of an I/O source bit (IN1 is the first line).
const char* LineOf(int source) {
  switch (source) {
    case 2: return "Line0";
    case 4: return "Line1";
    case 8: return "Line2";
    case 16: return "Line3";
    default: return nullptr;
  }
}

// Frame-start triggering on or off, from `source`.
int SetFrameTrigger(ArvCamera* camera, const char* source) {
  if (Offered(camera, {"TriggerSelector"}) != nullptr) {
    const int rc = SetEnumeration(camera, {"TriggerSelector"}, "FrameStart");
    if (rc != kOk) return rc;
  }
  if (source == nullptr) {
    const int rc = SetEnumeration(camera, {"TriggerMode"}, "Off");
    return rc == kFeatureMissing ? kOk : rc;  // a camera without triggers runs free anyway
  }
  int rc = SetEnumeration(camera, {"TriggerSource"}, source);
  if (rc != kOk) return rc;
  return SetEnumeration(camera, {"TriggerMode"}, "On");
}

}  // namespace

// Some cameras take a frame rate only with AcquisitionFrameRateEnable set.
ECOCAM_SDK_DEFINE(int, Camera_setFrameRate)(CameraHandle camera, float frameRate) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (Offered(e.camera, {"AcquisitionFrameRateEnable"}) != nullptr) {
      SetBoolean(e.camera, {"AcquisitionFrameRateEnable"}, true);
    }
    return SetNumber(e.camera, kFrameRate, frameRate);
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRate)(CameraHandle camera, float* frameRate) {
  return GetFloat(camera, kFrameRate, frameRate);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateMin)(CameraHandle camera, float* value) {
  return GetMin(camera, kFrameRate, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kFrameRate, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateRange)(CameraHandle camera, float* min, float* max) {
  return GetRange(camera, kFrameRate, min, max);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kFrameRate, value);
}

ECOCAM_SDK_DEFINE(int, Camera_setExposureTime)(CameraHandle camera, float value) {
  return SetFloat(camera, kExposure, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTime)(CameraHandle camera, float* value) {
  return GetFloat(camera, kExposure, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeMin)(CameraHandle camera, float* value) {
  return GetMin(camera, kExposure, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kExposure, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeRange)(CameraHandle camera, float* min, float* max) {
  return GetRange(camera, kExposure, min, max);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kExposure, value);
}

ECOCAM_SDK_DEFINE(int, Camera_setExposureDelay)(CameraHandle camera, float value) {
  return SetFloat(camera, kExposureDelay, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelay)(CameraHandle camera, float* value) {
  return GetFloat(camera, kExposureDelay, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelayMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kExposureDelay, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelayIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kExposureDelay, value);
}

ECOCAM_SDK_DEFINE(int, Camera_setGain)(CameraHandle camera, float value) { return SetFloat(camera, kGain, value); }
ECOCAM_SDK_DEFINE(int, Camera_getGain)(CameraHandle camera, float* value) { return GetFloat(camera, kGain, value); }
ECOCAM_SDK_DEFINE(int, Camera_getGainMax)(CameraHandle camera, float* value) { return GetMax(camera, kGain, value); }
ECOCAM_SDK_DEFINE(int, Camera_getGainMaxExtended)(CameraHandle camera, float* value) {
  return GetMax(camera, kGain, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getGainIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kGain, value);
}

ECOCAM_SDK_DEFINE(int, Camera_setOffset)(CameraHandle camera, float value) { return SetFloat(camera, kOffset, value); }
ECOCAM_SDK_DEFINE(int, Camera_getOffset)(CameraHandle camera, float* value) { return GetFloat(camera, kOffset, value); }
ECOCAM_SDK_DEFINE(int, Camera_getOffsetMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kOffset, value);
}

// Turning automatic gain off on a camera that has none needs nothing done.
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainEnabled)(CameraHandle camera, bool enabled) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int rc = SetEnumeration(e.camera, {"GainAuto"}, enabled ? "Continuous" : "Off");
    return rc == kFeatureMissing && !enabled ? kOk : rc;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainBrightness)(CameraHandle camera, float brightness) {
  return SetFloat(camera, {"AutoTargetBrightness", "TargetBrightness", "AutoTargetValue"}, brightness);
}
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainLimits)(CameraHandle camera, float minGain, float maxGain) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int rc = SetNumber(e.camera, {"AutoGainLowerLimit", "GainAutoMin", "AutoGainMin"}, minGain);
    return rc != kOk ? rc : SetNumber(e.camera, {"AutoGainUpperLimit", "GainAutoMax", "AutoGainMax"}, maxGain);
  });
}
ECOCAM_SDK_DEFINE(int, Camera_setAutoExposureLimits)(CameraHandle camera, float minExposure, float maxExposure) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int rc = SetNumber(
        e.camera, {"AutoExposureTimeLowerLimit", "ExposureAutoMin", "AutoExposureTimeAbsLowerLimit"}, minExposure);
    return rc != kOk
               ? rc
               : SetNumber(e.camera, {"AutoExposureTimeUpperLimit", "ExposureAutoMax", "AutoExposureTimeAbsUpperLimit"},
                           maxExposure);
  });
}

// 1 starts the acquisition, 0 stops it. A stop comes first when a camera
// is closed: a camera that no longer answers a probe is known lost at once,
// instead of after Aravis's own retries.
ECOCAM_SDK_DEFINE(int, Camera_setAcquisitionControl)(CameraHandle camera, int acquisitionControl) {
  if (acquisitionControl != 0 && acquisitionControl != 1) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (acquisitionControl == 0 && CameraLostNow(e)) return kCameraLost;
    GError* error = nullptr;
    if (acquisitionControl == 1) {
      arv_camera_start_acquisition(e.camera, &error);
    } else {
      arv_camera_stop_acquisition(e.camera, &error);
    }
    if (error != nullptr) {
      Log(1, "Camera_setAcquisitionControl: ERROR: " + TakeError(error));
      return kCameraError;
    }
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAcquisitionControl)(CameraHandle camera, int* acquisitionControl) {
  if (acquisitionControl == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    GError* error = nullptr;
    const char* status = arv_camera_get_string(e.camera, "AcquisitionStatus", &error);
    if (error != nullptr) {
      g_clear_error(&error);
      return kFeatureMissing;
    }
    *acquisitionControl = status != nullptr && std::string(status) == "True" ? 1 : 0;
    return kOk;
  });
}

// 1 free-running, 2 software trigger, 3 external trigger with the camera's
// exposure time, 4 external trigger with the pulse width as exposure; 0
// (idle, after a stop) changes nothing on the camera.
ECOCAM_SDK_DEFINE(int, Camera_setAcquisitionMode)(CameraHandle camera, int acquisitionMode) {
  if (acquisitionMode < 0 || acquisitionMode > 4) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (acquisitionMode == 0) {
      e.acquisitionMode = 0;
      return kOk;
    }
    if (Offered(e.camera, {"AcquisitionMode"}) != nullptr) {
      const int rc = SetEnumeration(e.camera, {"AcquisitionMode"}, "Continuous");
      if (rc != kOk) return rc;
    }
    int rc = kOk;
    if (acquisitionMode == 1) {
      rc = SetFrameTrigger(e.camera, nullptr);
    } else if (acquisitionMode == 2) {
      rc = SetFrameTrigger(e.camera, "Software");
    } else {
      const char* line = LineOf(e.triggerSource);
      rc = line == nullptr ? kOutOfRange : SetFrameTrigger(e.camera, line);
      if (rc == kOk) {
        const char* exposure = acquisitionMode == 3 ? "Timed" : "TriggerWidth";
        const int modeRc = SetEnumeration(e.camera, {"ExposureMode"}, exposure);
        if (modeRc != kOk && !(modeRc == kFeatureMissing && acquisitionMode == 3)) rc = modeRc;
      }
    }
    if (rc == kOk) e.acquisitionMode = acquisitionMode;
    return rc;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAcquisitionMode)(CameraHandle camera, int* acquisitionMode) {
  if (acquisitionMode == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    *acquisitionMode = e.acquisitionMode;
    return kOk;
  });
}

ECOCAM_SDK_DEFINE(int, Camera_softwareTrigger)(CameraHandle camera) {
  return WithOpenCamera(camera, [&](CameraEntry& e) { return Execute(e.camera, {"TriggerSoftware"}); });
}

// 0 rising edge (positive), 1 falling edge (negative).
ECOCAM_SDK_DEFINE(int, Camera_setTriggerPolarity)(CameraHandle camera, int triggerPolarity) {
  if (triggerPolarity != 0 && triggerPolarity != 1) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    return SetEnumeration(e.camera, {"TriggerActivation"}, triggerPolarity == 0 ? "RisingEdge" : "FallingEdge");
  });
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobePolarity)(CameraHandle camera, int strobePolarity) {
  if (strobePolarity != 0 && strobePolarity != 1) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    return SetEnumeration(e.camera, {"StrobePolarity"}, strobePolarity == 0 ? "Positive" : "Negative");
  });
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobePosition)(CameraHandle camera, float value) {
  return SetFloat(camera, kStrobePosition, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePositionMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kStrobePosition, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePositionIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kStrobePosition, value);
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobeDuration)(CameraHandle camera, float value) {
  return SetFloat(camera, kStrobeDuration, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobeDurationMax)(CameraHandle camera, float* value) {
  return GetMax(camera, kStrobeDuration, value);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobeDurationIncrement)(CameraHandle camera, float* value) {
  return GetStep(camera, kStrobeDuration, value);
}

// Signal 6, the trigger input, picks the line of the external trigger
// (applied at once when the camera is in an external-trigger mode). The
// outputs and the serial line have no standard GenICam routing: only
// "none" (1) is accepted for them.
ECOCAM_SDK_DEFINE(int, Camera_setIOAssignment)(CameraHandle camera, int ioSignal, int ioSource) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (ioSignal == 6) {
      if (ioSource == 1) return kOk;
      const char* line = LineOf(ioSource);
      if (line == nullptr) return kOutOfRange;
      e.triggerSource = ioSource;
      return e.acquisitionMode >= 3 ? SetFrameTrigger(e.camera, line) : kOk;
    }
    if (ioSignal >= 1 && ioSignal <= 5) return ioSource == 1 ? kOk : kNotSupported;
    return kOutOfRange;
  });
}

}  // namespace arvsdk
