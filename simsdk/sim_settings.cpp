// The simulated camera's analog and timing settings and their limits:
// frame rate, exposure, gain and offset, the automatic gain, trigger
// polarity, strobe, and the network packet settings. Every setter checks its
// value against the camera's limits and records it (a realistic camera
// rounds and clamps instead); every getter reports what was recorded or the
// limit. All need an open connection.
#include <algorithm>

#include "sim_impl.h"

namespace simsdk {

namespace {

using Limits = CameraLimits;

// A setter of one float setting within the range that `range` gives for the
// camera.
template <typename Range>
int SetFloat(CameraHandle camera, float value, float CameraSettings::*field, Range&& range) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return StoreFloat(c, c.settings.*field, value, range(c)); });
}

constexpr float kMicrosecondsPerSecond = 1e6f;

int GetLimit(CameraHandle camera, float* out, float Limits::*field) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return Report(out, c.model.limits.*field); });
}

// Setter of an int setting that takes one of a few values.
int SetChoice(CameraHandle camera, int value, int CameraSettings::*field, int lo, int hi) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return StoreInRange(c.settings.*field, value, lo, hi); });
}

}  // namespace

ECOCAM_SDK_DEFINE(int, Camera_evaluateMaximalPacketSize)(CameraHandle camera, int* packetSize) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    const int result = Report(packetSize, c.model.limits.packetSize);
    if (result == kOk) c.settings.packetSize = c.model.limits.packetSize;
    return result;
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setStreamingPacketSize)(CameraHandle camera, int packetSize) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    return StoreInRange(c.settings.packetSize, packetSize, 576, c.model.limits.packetSize);
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setInterPacketDelay)(CameraHandle camera, float interPacketDelay) {
  return SetFloat(camera, interPacketDelay, &CameraSettings::interPacketDelay, [](const SimCamera&) {
    return FloatRange{0.0f, 1000000.0f};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getInterPacketDelay)(CameraHandle camera, float* interPacketDelay) {
  return GetSetting(camera, interPacketDelay, &CameraSettings::interPacketDelay);
}

// Frame rate.
ECOCAM_SDK_DEFINE(int, Camera_setFrameRate)(CameraHandle camera, float frameRate) {
  // A realistic camera runs no faster than its exposure allows.
  return SetFloat(camera, frameRate, &CameraSettings::frameRate, [](const SimCamera& c) {
    const Limits& l = c.model.limits;
    float hi = l.frameRateMax;
    if (c.model.realistic && c.settings.exposureTime > 0.0f) {
      hi = std::min(hi, kMicrosecondsPerSecond / c.settings.exposureTime);
    }
    return FloatRange{l.frameRateMin, hi, l.frameRateIncrement};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRate)(CameraHandle camera, float* frameRate) {
  return GetSetting(camera, frameRate, &CameraSettings::frameRate);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateMin)(CameraHandle camera, float* minFrameRate) {
  return GetLimit(camera, minFrameRate, &Limits::frameRateMin);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateMax)(CameraHandle camera, float* maxFrameRate) {
  return GetLimit(camera, maxFrameRate, &Limits::frameRateMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateRange)(CameraHandle camera, float* minFrameRate, float* maxFrameRate) {
  if (minFrameRate == nullptr || maxFrameRate == nullptr) return kNullArgument;
  const int result = GetLimit(camera, minFrameRate, &Limits::frameRateMin);
  return result != kOk ? result : GetLimit(camera, maxFrameRate, &Limits::frameRateMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getFrameRateIncrement)(CameraHandle camera, float* increment) {
  return GetLimit(camera, increment, &Limits::frameRateIncrement);
}

// Exposure time, in microseconds.
ECOCAM_SDK_DEFINE(int, Camera_setExposureTime)(CameraHandle camera, float exposureTime) {
  // A realistic camera exposes no longer than its frame period.
  return SetFloat(camera, exposureTime, &CameraSettings::exposureTime, [](const SimCamera& c) {
    const Limits& l = c.model.limits;
    float hi = l.exposureTimeMax;
    if (c.model.realistic && c.settings.frameRate > 0.0f) {
      hi = std::min(hi, kMicrosecondsPerSecond / c.settings.frameRate);
    }
    return FloatRange{l.exposureTimeMin, hi, l.exposureTimeIncrement};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTime)(CameraHandle camera, float* exposureTime) {
  return GetSetting(camera, exposureTime, &CameraSettings::exposureTime);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeMin)(CameraHandle camera, float* minExposureTime) {
  return GetLimit(camera, minExposureTime, &Limits::exposureTimeMin);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeMax)(CameraHandle camera, float* maxExposureTime) {
  return GetLimit(camera, maxExposureTime, &Limits::exposureTimeMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeRange)
(CameraHandle camera, float* minExposureTime, float* maxExposureTime) {
  if (minExposureTime == nullptr || maxExposureTime == nullptr) return kNullArgument;
  const int result = GetLimit(camera, minExposureTime, &Limits::exposureTimeMin);
  return result != kOk ? result : GetLimit(camera, maxExposureTime, &Limits::exposureTimeMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureTimeIncrement)(CameraHandle camera, float* increment) {
  return GetLimit(camera, increment, &Limits::exposureTimeIncrement);
}

// Exposure delay, from 0.
ECOCAM_SDK_DEFINE(int, Camera_setExposureDelay)(CameraHandle camera, float exposureDelay) {
  return SetFloat(camera, exposureDelay, &CameraSettings::exposureDelay, [](const SimCamera& c) {
    return FloatRange{0.0f, c.model.limits.exposureDelayMax, c.model.limits.exposureDelayIncrement};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelay)(CameraHandle camera, float* exposureDelay) {
  return GetSetting(camera, exposureDelay, &CameraSettings::exposureDelay);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelayMax)(CameraHandle camera, float* maxExposureDelay) {
  return GetLimit(camera, maxExposureDelay, &Limits::exposureDelayMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getExposureDelayIncrement)(CameraHandle camera, float* increment) {
  return GetLimit(camera, increment, &Limits::exposureDelayIncrement);
}

// Gain in dB from 0, offset from 0.
ECOCAM_SDK_DEFINE(int, Camera_setGain)(CameraHandle camera, float gain) {
  return SetFloat(camera, gain, &CameraSettings::gain, [](const SimCamera& c) {
    return FloatRange{0.0f, c.model.limits.gainMax};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getGain)(CameraHandle camera, float* gain) {
  return GetSetting(camera, gain, &CameraSettings::gain);
}
ECOCAM_SDK_DEFINE(int, Camera_getGainMax)(CameraHandle camera, float* maxGain) {
  return GetLimit(camera, maxGain, &Limits::gainMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getGainMaxExtended)(CameraHandle camera, float* maxGainExtended) {
  return GetLimit(camera, maxGainExtended, &Limits::gainMax);
}
ECOCAM_SDK_DEFINE(int, Camera_setOffset)(CameraHandle camera, float offset) {
  return SetFloat(camera, offset, &CameraSettings::offset, [](const SimCamera& c) {
    return FloatRange{0.0f, c.model.limits.offsetMax};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getOffset)(CameraHandle camera, float* offset) {
  return GetSetting(camera, offset, &CameraSettings::offset);
}
ECOCAM_SDK_DEFINE(int, Camera_getOffsetMax)(CameraHandle camera, float* maxOffset) {
  return GetLimit(camera, maxOffset, &Limits::offsetMax);
}

// Automatic gain and exposure.
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainEnabled)(CameraHandle camera, bool enabled) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    c.settings.autoGainEnabled = enabled;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAutoGainEnabled)(CameraHandle camera, bool* enabled) {
  return GetSetting(camera, enabled, &CameraSettings::autoGainEnabled);
}
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainBrightness)(CameraHandle camera, float brightness) {
  return SetFloat(camera, brightness, &CameraSettings::autoGainBrightness, [](const SimCamera&) {
    return FloatRange{0.0f, 255.0f};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAutoGainBrightness)(CameraHandle camera, float* brightness) {
  return GetSetting(camera, brightness, &CameraSettings::autoGainBrightness);
}
// Both limits within [0, gain maximum], the minimum not above the maximum.
ECOCAM_SDK_DEFINE(int, Camera_setAutoGainLimits)(CameraHandle camera, float minGain, float maxGain) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (!(minGain >= 0.0f && minGain <= maxGain && maxGain <= c.model.limits.gainMax)) return kOutOfRange;
    c.settings.autoGainMin = minGain;
    c.settings.autoGainMax = maxGain;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAutoGainLimits)(CameraHandle camera, float* minGain, float* maxGain) {
  if (minGain == nullptr || maxGain == nullptr) return kNullArgument;
  const int result = GetSetting(camera, minGain, &CameraSettings::autoGainMin);
  return result != kOk ? result : GetSetting(camera, maxGain, &CameraSettings::autoGainMax);
}
// Both limits within [0, exposure maximum], the minimum not above the maximum.
ECOCAM_SDK_DEFINE(int, Camera_setAutoExposureLimits)(CameraHandle camera, float minExposure, float maxExposure) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (!(minExposure >= 0.0f && minExposure <= maxExposure && maxExposure <= c.model.limits.exposureTimeMax)) {
      return kOutOfRange;
    }
    c.settings.autoExposureMin = minExposure;
    c.settings.autoExposureMax = maxExposure;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAutoExposureLimits)(CameraHandle camera, float* minExposure, float* maxExposure) {
  if (minExposure == nullptr || maxExposure == nullptr) return kNullArgument;
  const int result = GetSetting(camera, minExposure, &CameraSettings::autoExposureMin);
  return result != kOk ? result : GetSetting(camera, maxExposure, &CameraSettings::autoExposureMax);
}

// Trigger and strobe: polarity 0 positive, 1 negative; strobe position and
// duration from 0.
ECOCAM_SDK_DEFINE(int, Camera_setTriggerPolarity)(CameraHandle camera, int triggerPolarity) {
  return SetChoice(camera, triggerPolarity, &CameraSettings::triggerPolarity, 0, 1);
}
ECOCAM_SDK_DEFINE(int, Camera_getTriggerPolarity)(CameraHandle camera, int* triggerPolarity) {
  return GetSetting(camera, triggerPolarity, &CameraSettings::triggerPolarity);
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobePolarity)(CameraHandle camera, int strobePolarity) {
  return SetChoice(camera, strobePolarity, &CameraSettings::strobePolarity, 0, 1);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePolarity)(CameraHandle camera, int* strobePolarity) {
  return GetSetting(camera, strobePolarity, &CameraSettings::strobePolarity);
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobePosition)(CameraHandle camera, float strobePosition) {
  return SetFloat(camera, strobePosition, &CameraSettings::strobePosition, [](const SimCamera& c) {
    return FloatRange{0.0f, c.model.limits.strobePositionMax, c.model.limits.strobePositionIncrement};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePosition)(CameraHandle camera, float* strobePosition) {
  return GetSetting(camera, strobePosition, &CameraSettings::strobePosition);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePositionMax)(CameraHandle camera, float* maxStrobePosition) {
  return GetLimit(camera, maxStrobePosition, &Limits::strobePositionMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobePositionIncrement)(CameraHandle camera, float* increment) {
  return GetLimit(camera, increment, &Limits::strobePositionIncrement);
}
ECOCAM_SDK_DEFINE(int, Camera_setStrobeDuration)(CameraHandle camera, float strobeDuration) {
  return SetFloat(camera, strobeDuration, &CameraSettings::strobeDuration, [](const SimCamera& c) {
    return FloatRange{0.0f, c.model.limits.strobeDurationMax, c.model.limits.strobeDurationIncrement};
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobeDuration)(CameraHandle camera, float* strobeDuration) {
  return GetSetting(camera, strobeDuration, &CameraSettings::strobeDuration);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobeDurationMax)(CameraHandle camera, float* maxStrobeDuration) {
  return GetLimit(camera, maxStrobeDuration, &Limits::strobeDurationMax);
}
ECOCAM_SDK_DEFINE(int, Camera_getStrobeDurationIncrement)(CameraHandle camera, float* increment) {
  return GetLimit(camera, increment, &Limits::strobeDurationIncrement);
}

}  // namespace simsdk
