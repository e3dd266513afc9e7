// How an exported entry point reaches its implementation.
//
// Every one of the 211 exports is generated (arv_exports.cpp, from
// sdk/sdk_backend.h). Entry points with a GigE Vision meaning declare
// Impl<Row> here (ECOCAM_SDK_IMPLEMENTS) and define Impl<Row>::Call in the
// file of their concern (ECOCAM_SDK_DEFINE); all others answer
// kNotSupported (or the neutral value of their result type).
#pragma once

#include <string>

#include "arv_codes.h"
#include "arv_state.h"
#include "sdk/sdk_backend.h"

namespace arvsdk {

template <SdkRow Row>
struct Impl : NotImplemented {};

// Version, containers, discovery, identity, connections (arv_cameras.cpp).
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
ECOCAM_SDK_IMPLEMENTS(Camera_getSerialNumber)
ECOCAM_SDK_IMPLEMENTS(Camera_getMacAddress)
ECOCAM_SDK_IMPLEMENTS(Camera_getIPAddress)
ECOCAM_SDK_IMPLEMENTS(Error_getMessage)
ECOCAM_SDK_IMPLEMENTS(Camera_registerForLogMessages)

// Streaming channels and images (arv_streaming.cpp, arv_images.cpp).
ECOCAM_SDK_IMPLEMENTS(Camera_evaluateMaximalPacketSize)
ECOCAM_SDK_IMPLEMENTS(Camera_setStreamingPacketSize)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_create)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_delete)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_getFrameLoss)
ECOCAM_SDK_IMPLEMENTS(StreamingChannel_getBufferSize)
ECOCAM_SDK_IMPLEMENTS(Image_getDataPointer)
ECOCAM_SDK_IMPLEMENTS(Image_getCamera)
ECOCAM_SDK_IMPLEMENTS(Image_release)
ECOCAM_SDK_IMPLEMENTS(Image_getImageRGB)
ECOCAM_SDK_IMPLEMENTS(Image_getImage12bitAs8bit)
ECOCAM_SDK_IMPLEMENTS(Image_getPixelType)
ECOCAM_SDK_IMPLEMENTS(Image_getImageSize)
ECOCAM_SDK_IMPLEMENTS(Image_getPitch)
ECOCAM_SDK_IMPLEMENTS(Image_getSizeX)
ECOCAM_SDK_IMPLEMENTS(Image_getSizeY)
ECOCAM_SDK_IMPLEMENTS(Image_getImageID)
ECOCAM_SDK_IMPLEMENTS(Image_getTimestamp)
ECOCAM_SDK_IMPLEMENTS(Image_getTransferTime)
ECOCAM_SDK_IMPLEMENTS(Image_getPacketCount)
ECOCAM_SDK_IMPLEMENTS(Image_getPacketResend)
ECOCAM_SDK_IMPLEMENTS(Image_getSignalType)

// Acquisition, timing and analog settings (arv_settings.cpp).
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
ECOCAM_SDK_IMPLEMENTS(Camera_getGainIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setOffset)
ECOCAM_SDK_IMPLEMENTS(Camera_getOffset)
ECOCAM_SDK_IMPLEMENTS(Camera_getOffsetMax)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainEnabled)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainBrightness)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoGainLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_setAutoExposureLimits)
ECOCAM_SDK_IMPLEMENTS(Camera_setAcquisitionControl)
ECOCAM_SDK_IMPLEMENTS(Camera_getAcquisitionControl)
ECOCAM_SDK_IMPLEMENTS(Camera_setAcquisitionMode)
ECOCAM_SDK_IMPLEMENTS(Camera_getAcquisitionMode)
ECOCAM_SDK_IMPLEMENTS(Camera_softwareTrigger)
ECOCAM_SDK_IMPLEMENTS(Camera_setTriggerPolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobePolarity)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobePosition)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePositionMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobePositionIncrement)
ECOCAM_SDK_IMPLEMENTS(Camera_setStrobeDuration)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobeDurationMax)
ECOCAM_SDK_IMPLEMENTS(Camera_getStrobeDurationIncrement)

// Image geometry and processing (arv_image_settings.cpp).
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
ECOCAM_SDK_IMPLEMENTS(Camera_setGammaCorrection)
ECOCAM_SDK_IMPLEMENTS(Camera_setLowpassFilter)
ECOCAM_SDK_IMPLEMENTS(Camera_setLookupTableMode)
ECOCAM_SDK_IMPLEMENTS(Camera_setLookupTable)
ECOCAM_SDK_IMPLEMENTS(Camera_setIOAssignment)

// True when the camera is lost, or does not answer a probe now.
bool CameraLostNow(CameraEntry& entry);

// Runs `action` on the open camera `handle` with its mutex held:
// kInvalidHandle for no such camera, kNotConnected when it is not open,
// kCameraLost at once when it stopped answering. A request the camera
// failed is followed by a probe, so that a camera gone is known as such.
template <typename Action>
int WithOpenCamera(CameraHandle handle, Action&& action) {
  const std::shared_ptr<CameraEntry> entry = State::Get().FindCamera(handle);
  if (entry == nullptr) return kInvalidHandle;
  std::lock_guard<std::mutex> lock(entry->mutex);
  if (entry->camera == nullptr) return kNotConnected;
  if (entry->lost) return kCameraLost;
  const int rc = action(*entry);
  return rc == kCameraError && CameraLostNow(*entry) ? kCameraLost : rc;
}

// Writes a float result.
inline int ReportFloat(float* out, double value) {
  if (out == nullptr) return kNullArgument;
  *out = static_cast<float>(value);
  return kOk;
}

// A text kept valid for the rest of the process.
const char* Intern(const std::string& text);

}  // namespace arvsdk
