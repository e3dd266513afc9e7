// The entry points the simulation implements, and helpers their
// definitions share. Every entry point not listed here gives the
// "not supported" result of sim_dispatch.h.
#pragma once

#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "sim_dispatch.h"
#include "sim_state.h"

namespace simsdk {

// Cameras, containers and identity (sim_cameras.cpp).
ECOCAM_SDK_IMPLEMENTS(isVersionCompliantDLL)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_create)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_delete)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_discovery)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_getNumberOfCameras)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_getCamera)
ECOCAM_SDK_IMPLEMENTS(CameraContainer_findCamera)
ECOCAM_SDK_IMPLEMENTS(Camera_openConnection)
ECOCAM_SDK_IMPLEMENTS(Camera_closeConnection)
ECOCAM_SDK_IMPLEMENTS(Camera_getManufacturerName)
ECOCAM_SDK_IMPLEMENTS(Camera_getModelName)
ECOCAM_SDK_IMPLEMENTS(Camera_getDeviceVersion)
ECOCAM_SDK_IMPLEMENTS(Camera_getManufacturerSpecificInformation)
ECOCAM_SDK_IMPLEMENTS(Camera_getSerialNumber)
ECOCAM_SDK_IMPLEMENTS(Camera_setUserDefinedName)
ECOCAM_SDK_IMPLEMENTS(Camera_getUserDefinedName)
ECOCAM_SDK_IMPLEMENTS(Camera_getMacAddress)
ECOCAM_SDK_IMPLEMENTS(Camera_getIPAddress)
ECOCAM_SDK_IMPLEMENTS(Camera_getSubnetMask)
ECOCAM_SDK_IMPLEMENTS(Camera_isCameraFeature)
ECOCAM_SDK_IMPLEMENTS(Error_getMessage)

// Streaming channels and images (sim_streaming.cpp, sim_images.cpp).
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_create)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_delete)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_getFrameLoss)
ECOCAM_SDK_IMPLEMENTS(Image_getSignalType)
ECOCAM_SDK_IMPLEMENTS(Image_getPacketResend)
ECOCAM_SDK_IMPLEMENTS(Image_getDataPointer)
ECOCAM_SDK_IMPLEMENTS(Image_getBufferIndex)
ECOCAM_SDK_IMPLEMENTS(Image_getCamera)
ECOCAM_SDK_IMPLEMENTS(Image_release)
ECOCAM_SDK_IMPLEMENTS(Image_getImageRGB)
ECOCAM_SDK_IMPLEMENTS(Image_getImage12bitAs8bit)
ECOCAM_SDK_IMPLEMENTS(Image_getPixelType)
ECOCAM_SDK_IMPLEMENTS(Image_getImageSize)
ECOCAM_SDK_IMPLEMENTS(Image_getSizeX)
ECOCAM_SDK_IMPLEMENTS(Image_getSizeY)
ECOCAM_SDK_IMPLEMENTS(Image_getImageID)
ECOCAM_SDK_IMPLEMENTS(Image_getTimestamp)
ECOCAM_SDK_IMPLEMENTS(Image_getTransferTime)
ECOCAM_SDK_IMPLEMENTS(Image_getPacketCount)

// Settings and limits (sim_settings.cpp, sim_image_settings.cpp,
// acquisition in sim_acquisition.cpp).
ECOCAM_SDK_IMPLEMENTS(Camera_evaluateMaximalPacketSize)
ECOCAM_SDK_IMPLEMENTS(Camera_setStreamingPacketSize)
ECOCAM_SDK_IMPLEMENTS(Camera_setInterPacketDelay)
ECOCAM_SDK_IMPLEMENTS(Camera_getInterPacketDelay)
ECOCAM_SDK_IMPLEMENTS(Camera_setFrameRate)
ECOCAM_SDK_IMPLEMENTS(Camera_getFrameRate)
ECOCAM_SDK_IMPLEMENTS(Camera_getFrameRateMin)
ECOCAM_SDK_IMPLEMENTS(Camera_getFrameRateMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getFrameRateRange)
ECOCAM_SDK_IMPLEMENTS(Camera_getFrameRateIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setExposureTime)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureTime)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureTimeMin)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureTimeMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureTimeRange)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureTimeIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setExposureDelay)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureDelay)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureDelayMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getExposureDelayIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setGain)
ECOCAM_SDK_IMPLEMENTS(Camera_getGain)
ECOCAM_SDK_IMPLEMENTS(Camera_getGainMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getGainMaxExtended)
ECOCAM_SDK_IMPLEMENTS(Camera_setOffset)
ECOCAM_SDK_IMPLEMENTS(Camera_getOffset)
ECOCAM_SDK_IMPLEMENTS(Camera_getOffsetMax)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainEnabled)
ECOCAM_SDK_IMPLEMENTS(Camera_getAutoGainEnabled)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainBrightness)
ECOCAM_SDK_IMPLEMENTS(Camera_getAutoGainBrightness)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_getAutoGainLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoExposureLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_getAutoExposureLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_setAcquisitionControl)
ECOCAM_SDK_IMPLEMENTS(Camera_getAcquisitionControl)
ECOCAM_SDK_IMPLEMENTS(Camera_setAcquisitionMode)
ECOCAM_SDK_IMPLEMENTS(Camera_getAcquisitionMode)
ECOCAM_SDK_IMPLEMENTS(Camera_softwareTrigger)
ECOCAM_SDK_IMPLEMENTS(Camera_setTriggerPolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_getTriggerPolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobePolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobePosition)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePosition)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePositionMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePositionIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobeDuration)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobeDuration)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobeDurationMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobeDurationIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_getImagerWidth)
ECOCAM_SDK_IMPLEMENTS(Camera_getImagerHeight)
ECOCAM_SDK_IMPLEMENTS(Camera_getSizeX)
ECOCAM_SDK_IMPLEMENTS(Camera_getSizeY)
ECOCAM_SDK_IMPLEMENTS(Camera_getPixelType)
ECOCAM_SDK_IMPLEMENTS(Camera_setBinningMode)
ECOCAM_SDK_IMPLEMENTS(Camera_getBinningMode)
ECOCAM_SDK_IMPLEMENTS(Camera_setAreaOfInterest)
ECOCAM_SDK_IMPLEMENTS(Camera_getAreaOfInterest)
ECOCAM_SDK_IMPLEMENTS(Camera_setPixelDepth)
ECOCAM_SDK_IMPLEMENTS(Camera_getPixelDepth)
ECOCAM_SDK_IMPLEMENTS(Camera_setGammaCorrection)
ECOCAM_SDK_IMPLEMENTS(Camera_setLowpassFilter)
ECOCAM_SDK_IMPLEMENTS(Camera_getLowpassFilter)
ECOCAM_SDK_IMPLEMENTS(Camera_setLookupTableMode)
ECOCAM_SDK_IMPLEMENTS(Camera_getLookupTableMode)
ECOCAM_SDK_IMPLEMENTS(Camera_setLookupTable)
ECOCAM_SDK_IMPLEMENTS(Camera_getLookupTable)
ECOCAM_SDK_IMPLEMENTS(Camera_setIOAssignment)
ECOCAM_SDK_IMPLEMENTS(Camera_getIOAssignment)

// The answer of a call to a camera that has vanished: the SDK waits for its
// own timeout, then gives up. Called without the state's lock, so other
// calls go on meanwhile.
inline int AnswerTimedOut(int delayMs) {
  if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  return kCameraTimeout;
}

// Runs `action` on the camera named by `handle` under the state's lock:
// kInvalidHandle when there is no such camera, kNotConnected when its
// connection is not open or died with the camera, kCameraTimeout (late)
// while the camera is gone.
template <typename Action>
int WithConnectedCamera(CameraHandle handle, Action&& action) {
  SimState& state = SimState::Get();
  int delayMs = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    SimCamera* camera = state.FindCameraLocked(handle);
    if (camera == nullptr) return kInvalidHandle;
    if (!camera->connected) return kNotConnected;
    if (!camera->vanished) return camera->connectionLost ? kNotConnected : action(*camera);
    delayMs = camera->model.answerDelayMs;
  }
  return AnswerTimedOut(delayMs);
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
