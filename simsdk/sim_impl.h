// The entry points the simulation implements, and helpers their
// definitions share. Every entry point not listed here gives the
// "not supported" result of sim_dispatch.h.
#pragma once

#include <cmath>
#include <mutex>

#include "sim_dispatch.h"
#include "sim_state.h"

namespace simsdk {

// Cameras, containers and identity (sim_cameras.cpp).
SIMSDK_SIMULATED(isVersionCompliantDLL)
SIMSDK_SIMULATED(CameraContainer_create)
SIMSDK_SIMULATED(CameraContainer_delete)
SIMSDK_SIMULATED(CameraContainer_discovery)
SIMSDK_SIMULATED(CameraContainer_getNumberOfCameras)
SIMSDK_SIMULATED(CameraContainer_getCamera)
SIMSDK_SIMULATED(CameraContainer_findCamera)
SIMSDK_SIMULATED(Camera_openConnection)
SIMSDK_SIMULATED(Camera_closeConnection)
SIMSDK_SIMULATED(Camera_getManufacturerName)
SIMSDK_SIMULATED(Camera_getModelName)
SIMSDK_SIMULATED(Camera_getDeviceVersion)
SIMSDK_SIMULATED(Camera_getManufacturerSpecificInformation)
SIMSDK_SIMULATED(Camera_getSerialNumber)
SIMSDK_SIMULATED(Camera_setUserDefinedName)
SIMSDK_SIMULATED(Camera_getUserDefinedName)
SIMSDK_SIMULATED(Camera_getMacAddress)
SIMSDK_SIMULATED(Camera_getIPAddress)
SIMSDK_SIMULATED(Camera_getSubnetMask)
SIMSDK_SIMULATED(Camera_isCameraFeature)
SIMSDK_SIMULATED(Error_getMessage)

// Streaming channels and images (sim_streaming.cpp, sim_images.cpp).
SIMSDK_SIMULATED(StreamingChannel_create)
SIMSDK_SIMULATED(StreamingChannel_delete)
SIMSDK_SIMULATED(Image_getDataPointer)
SIMSDK_SIMULATED(Image_getBufferIndex)
SIMSDK_SIMULATED(Image_getCamera)
SIMSDK_SIMULATED(Image_release)
SIMSDK_SIMULATED(Image_getImageRGB)
SIMSDK_SIMULATED(Image_getImage12bitAs8bit)
SIMSDK_SIMULATED(Image_getPixelType)
SIMSDK_SIMULATED(Image_getImageSize)
SIMSDK_SIMULATED(Image_getSizeX)
SIMSDK_SIMULATED(Image_getSizeY)
SIMSDK_SIMULATED(Image_getImageID)
SIMSDK_SIMULATED(Image_getTimestamp)
SIMSDK_SIMULATED(Image_getTransferTime)
SIMSDK_SIMULATED(Image_getPacketCount)

// Settings and limits (sim_settings.cpp, sim_image_settings.cpp,
// acquisition in sim_acquisition.cpp).
SIMSDK_SIMULATED(Camera_evaluateMaximalPacketSize)
SIMSDK_SIMULATED(Camera_setStreamingPacketSize)
SIMSDK_SIMULATED(Camera_setInterPacketDelay)
SIMSDK_SIMULATED(Camera_getInterPacketDelay)
SIMSDK_SIMULATED(Camera_setFrameRate)
SIMSDK_SIMULATED(Camera_getFrameRate)
SIMSDK_SIMULATED(Camera_getFrameRateMin)
SIMSDK_SIMULATED(Camera_getFrameRateMax)
SIMSDK_SIMULATED(Camera_getFrameRateRange)
SIMSDK_SIMULATED(Camera_getFrameRateIncrement)
SIMSDK_SIMULATED(Camera_setExposureTime)
SIMSDK_SIMULATED(Camera_getExposureTime)
SIMSDK_SIMULATED(Camera_getExposureTimeMin)
SIMSDK_SIMULATED(Camera_getExposureTimeMax)
SIMSDK_SIMULATED(Camera_getExposureTimeRange)
SIMSDK_SIMULATED(Camera_getExposureTimeIncrement)
SIMSDK_SIMULATED(Camera_setExposureDelay)
SIMSDK_SIMULATED(Camera_getExposureDelay)
SIMSDK_SIMULATED(Camera_getExposureDelayMax)
SIMSDK_SIMULATED(Camera_getExposureDelayIncrement)
SIMSDK_SIMULATED(Camera_setGain)
SIMSDK_SIMULATED(Camera_getGain)
SIMSDK_SIMULATED(Camera_getGainMax)
SIMSDK_SIMULATED(Camera_getGainMaxExtended)
SIMSDK_SIMULATED(Camera_setOffset)
SIMSDK_SIMULATED(Camera_getOffset)
SIMSDK_SIMULATED(Camera_getOffsetMax)
SIMSDK_SIMULATED(Camera_setAutoGainEnabled)
SIMSDK_SIMULATED(Camera_getAutoGainEnabled)
SIMSDK_SIMULATED(Camera_setAutoGainBrightness)
SIMSDK_SIMULATED(Camera_getAutoGainBrightness)
SIMSDK_SIMULATED(Camera_setAutoGainLimits)
SIMSDK_SIMULATED(Camera_getAutoGainLimits)
SIMSDK_SIMULATED(Camera_setAutoExposureLimits)
SIMSDK_SIMULATED(Camera_getAutoExposureLimits)
SIMSDK_SIMULATED(Camera_setAcquisitionControl)
SIMSDK_SIMULATED(Camera_getAcquisitionControl)
SIMSDK_SIMULATED(Camera_setAcquisitionMode)
SIMSDK_SIMULATED(Camera_getAcquisitionMode)
SIMSDK_SIMULATED(Camera_softwareTrigger)
SIMSDK_SIMULATED(Camera_setTriggerPolarity)
SIMSDK_SIMULATED(Camera_getTriggerPolarity)
SIMSDK_SIMULATED(Camera_setStrobePolarity)
SIMSDK_SIMULATED(Camera_getStrobePolarity)
SIMSDK_SIMULATED(Camera_setStrobePosition)
SIMSDK_SIMULATED(Camera_getStrobePosition)
SIMSDK_SIMULATED(Camera_getStrobePositionMax)
SIMSDK_SIMULATED(Camera_getStrobePositionIncrement)
SIMSDK_SIMULATED(Camera_setStrobeDuration)
SIMSDK_SIMULATED(Camera_getStrobeDuration)
SIMSDK_SIMULATED(Camera_getStrobeDurationMax)
SIMSDK_SIMULATED(Camera_getStrobeDurationIncrement)
SIMSDK_SIMULATED(Camera_getImagerWidth)
SIMSDK_SIMULATED(Camera_getImagerHeight)
SIMSDK_SIMULATED(Camera_getSizeX)
SIMSDK_SIMULATED(Camera_getSizeY)
SIMSDK_SIMULATED(Camera_getPixelType)
SIMSDK_SIMULATED(Camera_setBinningMode)
SIMSDK_SIMULATED(Camera_getBinningMode)
SIMSDK_SIMULATED(Camera_setAreaOfInterest)
SIMSDK_SIMULATED(Camera_getAreaOfInterest)
SIMSDK_SIMULATED(Camera_setPixelDepth)
SIMSDK_SIMULATED(Camera_getPixelDepth)
SIMSDK_SIMULATED(Camera_setGammaCorrection)
SIMSDK_SIMULATED(Camera_setLowpassFilter)
SIMSDK_SIMULATED(Camera_getLowpassFilter)
SIMSDK_SIMULATED(Camera_setLookupTableMode)
SIMSDK_SIMULATED(Camera_getLookupTableMode)
SIMSDK_SIMULATED(Camera_setLookupTable)
SIMSDK_SIMULATED(Camera_getLookupTable)
SIMSDK_SIMULATED(Camera_setIOAssignment)
SIMSDK_SIMULATED(Camera_getIOAssignment)

// Runs `action` on the camera named by `handle` under the state's lock:
// kInvalidHandle when there is no such camera, kNotConnected when its
// connection is not open.
template <typename Action>
int WithConnectedCamera(CameraHandle handle, Action&& action) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  SimCamera* camera = state.FindCameraLocked(handle);
  if (camera == nullptr) return kInvalidHandle;
  if (!camera->connected) return kNotConnected;
  return action(*camera);
}

// Stores `value` when lo <= value <= hi (NaN never is).
template <typename T>
int StoreInRange(T& target, T value, T lo, T hi) {
  if (!(value >= lo && value <= hi)) return kOutOfRange;
  target = value;
  return kOk;
}

// A float setting's limits and step on a camera.
struct FloatRange {
  float lo;
  float hi;
  float increment = 0.0f;  // 0: any value
};

// Stores a float setting. A realistic camera takes any number, as a real one
// does: it clamps to the range and rounds to the increment, never past the
// upper limit. Otherwise a value outside the range is refused. NaN never is
// a value.
inline int StoreFloat(const SimCamera& camera, float& target, float value, FloatRange range) {
  if (!camera.model.realistic) return StoreInRange(target, value, range.lo, range.hi);
  if (std::isnan(value)) return kOutOfRange;
  const double lo = range.lo;
  const double hi = range.hi < range.lo ? range.lo : range.hi;
  double v = value < lo ? lo : (value > hi ? hi : static_cast<double>(value));
  if (range.increment > 0.0f) {
    v = lo + std::round((v - lo) / range.increment) * range.increment;
    if (v > hi) v -= range.increment;
    if (v < lo) v = lo;
  }
  target = static_cast<float>(v);
  return kOk;
}

// Writes `value` to an out-parameter.
template <typename T>
int Report(T* out, T value) {
  if (out == nullptr) return kNullArgument;
  *out = value;
  return kOk;
}

// Reports one recorded setting of a connected camera.
template <typename T>
int GetSetting(CameraHandle camera, T* out, T CameraSettings::*field) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return Report(out, c.settings.*field); });
}

}  // namespace simsdk
