// How an exported entry point reaches its implementation.
//
// Every one of the 211 exports is generated (arv_exports.cpp). Entry points
// with a GigE Vision meaning declare Impl<Row> here and define
// Impl<Row>::Call in the file of their concern; all others answer
// kNotSupported (or the neutral value of their result type).
#pragma once

#include <string>

#include "arv_codes.h"
#include "arv_state.h"
#include "sdk/sdk_entry_points.h"

namespace arvsdk {

#define ARVSDK_SIGNATURE(row, ret, name, params, args, fallback) using name##_signature = ret params;
ECOCAM_SDK_ENTRY_POINTS(ARVSDK_SIGNATURE, ARVSDK_SIGNATURE)
#undef ARVSDK_SIGNATURE

template <SdkRow Row>
struct Impl {
  static constexpr bool kImplemented = false;
};

#define ARVSDK_IMPLEMENTED(name)             \
  template <>                                \
  struct Impl<SdkRow::name> {                \
    static constexpr bool kImplemented = true; \
    static name##_signature Call;            \
  };

#define ARVSDK_DEFINE(ret, name) ret Impl<SdkRow::name>::Call

// Version, containers, discovery, identity, connections (arv_cameras.cpp).
ARVSDK_IMPLEMENTED(isVersionCompliantDLL)
ARVSDK_IMPLEMENTED(CameraContainer_create)
ARVSDK_IMPLEMENTED(CameraContainer_delete)
ARVSDK_IMPLEMENTED(CameraContainer_discovery)
ARVSDK_IMPLEMENTED(CameraContainer_getNumberOfCameras)
ARVSDK_IMPLEMENTED(CameraContainer_getCamera)
ARVSDK_IMPLEMENTED(CameraContainer_findCamera)
ARVSDK_IMPLEMENTED(Camera_openConnection)
ARVSDK_IMPLEMENTED(Camera_closeConnection)
ARVSDK_IMPLEMENTED(Camera_getManufacturerName)
ARVSDK_IMPLEMENTED(Camera_getModelName)
ARVSDK_IMPLEMENTED(Camera_getSerialNumber)
ARVSDK_IMPLEMENTED(Camera_getMacAddress)
ARVSDK_IMPLEMENTED(Camera_getIPAddress)
ARVSDK_IMPLEMENTED(Error_getMessage)
ARVSDK_IMPLEMENTED(Camera_registerForLogMessages)

// Streaming channels and images (arv_streaming.cpp, arv_images.cpp).
ARVSDK_IMPLEMENTED(Camera_evaluateMaximalPacketSize)
ARVSDK_IMPLEMENTED(Camera_setStreamingPacketSize)
ARVSDK_IMPLEMENTED(StreamingChannel_create)
ARVSDK_IMPLEMENTED(StreamingChannel_delete)
ARVSDK_IMPLEMENTED(StreamingChannel_getFrameLoss)
ARVSDK_IMPLEMENTED(StreamingChannel_getBufferSize)
ARVSDK_IMPLEMENTED(Image_getDataPointer)
ARVSDK_IMPLEMENTED(Image_getCamera)
ARVSDK_IMPLEMENTED(Image_release)
ARVSDK_IMPLEMENTED(Image_getImageRGB)
ARVSDK_IMPLEMENTED(Image_getImage12bitAs8bit)
ARVSDK_IMPLEMENTED(Image_getPixelType)
ARVSDK_IMPLEMENTED(Image_getImageSize)
ARVSDK_IMPLEMENTED(Image_getPitch)
ARVSDK_IMPLEMENTED(Image_getSizeX)
ARVSDK_IMPLEMENTED(Image_getSizeY)
ARVSDK_IMPLEMENTED(Image_getImageID)
ARVSDK_IMPLEMENTED(Image_getTimestamp)
ARVSDK_IMPLEMENTED(Image_getTransferTime)
ARVSDK_IMPLEMENTED(Image_getPacketCount)

// Acquisition, timing and analog settings (arv_settings.cpp).
ARVSDK_IMPLEMENTED(Camera_setFrameRate)
ARVSDK_IMPLEMENTED(Camera_getFrameRate)
ARVSDK_IMPLEMENTED(Camera_getFrameRateMin)
ARVSDK_IMPLEMENTED(Camera_getFrameRateMax)
ARVSDK_IMPLEMENTED(Camera_getFrameRateRange)
ARVSDK_IMPLEMENTED(Camera_getFrameRateIncrement)
ARVSDK_IMPLEMENTED(Camera_setExposureTime)
ARVSDK_IMPLEMENTED(Camera_getExposureTime)
ARVSDK_IMPLEMENTED(Camera_getExposureTimeMin)
ARVSDK_IMPLEMENTED(Camera_getExposureTimeMax)
ARVSDK_IMPLEMENTED(Camera_getExposureTimeRange)
ARVSDK_IMPLEMENTED(Camera_getExposureTimeIncrement)
ARVSDK_IMPLEMENTED(Camera_setExposureDelay)
ARVSDK_IMPLEMENTED(Camera_getExposureDelay)
ARVSDK_IMPLEMENTED(Camera_getExposureDelayMax)
ARVSDK_IMPLEMENTED(Camera_getExposureDelayIncrement)
ARVSDK_IMPLEMENTED(Camera_setGain)
ARVSDK_IMPLEMENTED(Camera_getGain)
ARVSDK_IMPLEMENTED(Camera_getGainMax)
ARVSDK_IMPLEMENTED(Camera_getGainMaxExtended)
ARVSDK_IMPLEMENTED(Camera_getGainIncrement)
ARVSDK_IMPLEMENTED(Camera_setOffset)
ARVSDK_IMPLEMENTED(Camera_getOffset)
ARVSDK_IMPLEMENTED(Camera_getOffsetMax)
ARVSDK_IMPLEMENTED(Camera_setAutoGainEnabled)
ARVSDK_IMPLEMENTED(Camera_setAutoGainBrightness)
ARVSDK_IMPLEMENTED(Camera_setAutoGainLimits)
ARVSDK_IMPLEMENTED(Camera_setAutoExposureLimits)
ARVSDK_IMPLEMENTED(Camera_setAcquisitionControl)
ARVSDK_IMPLEMENTED(Camera_getAcquisitionControl)
ARVSDK_IMPLEMENTED(Camera_setAcquisitionMode)
ARVSDK_IMPLEMENTED(Camera_getAcquisitionMode)
ARVSDK_IMPLEMENTED(Camera_softwareTrigger)
ARVSDK_IMPLEMENTED(Camera_setTriggerPolarity)
ARVSDK_IMPLEMENTED(Camera_setStrobePolarity)
ARVSDK_IMPLEMENTED(Camera_setStrobePosition)
ARVSDK_IMPLEMENTED(Camera_getStrobePositionMax)
ARVSDK_IMPLEMENTED(Camera_getStrobePositionIncrement)
ARVSDK_IMPLEMENTED(Camera_setStrobeDuration)
ARVSDK_IMPLEMENTED(Camera_getStrobeDurationMax)
ARVSDK_IMPLEMENTED(Camera_getStrobeDurationIncrement)

// Image geometry and processing (arv_image_settings.cpp).
ARVSDK_IMPLEMENTED(Camera_getImagerWidth)
ARVSDK_IMPLEMENTED(Camera_getImagerHeight)
ARVSDK_IMPLEMENTED(Camera_getSizeX)
ARVSDK_IMPLEMENTED(Camera_getSizeY)
ARVSDK_IMPLEMENTED(Camera_getPixelType)
ARVSDK_IMPLEMENTED(Camera_setBinningMode)
ARVSDK_IMPLEMENTED(Camera_getBinningMode)
ARVSDK_IMPLEMENTED(Camera_setAreaOfInterest)
ARVSDK_IMPLEMENTED(Camera_getAreaOfInterest)
ARVSDK_IMPLEMENTED(Camera_setPixelDepth)
ARVSDK_IMPLEMENTED(Camera_setGammaCorrection)
ARVSDK_IMPLEMENTED(Camera_setLowpassFilter)
ARVSDK_IMPLEMENTED(Camera_setLookupTableMode)
ARVSDK_IMPLEMENTED(Camera_setLookupTable)
ARVSDK_IMPLEMENTED(Camera_setIOAssignment)

// Runs `action` on the open camera `handle` with its mutex held:
// kInvalidHandle for no such camera, kNotConnected when it is not open.
template <typename Action>
int WithOpenCamera(CameraHandle handle, Action&& action) {
  const std::shared_ptr<CameraEntry> entry = State::Get().FindCamera(handle);
  if (entry == nullptr) return kInvalidHandle;
  std::lock_guard<std::mutex> lock(entry->mutex);
  if (entry->camera == nullptr) return kNotConnected;
  return action(*entry);
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
