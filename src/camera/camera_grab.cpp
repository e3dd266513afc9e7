// Grab state and frame reception: the continuous mode, the withdrawal of a
// grab request, the SDK's stream callback and the queueing of its images.
#include <exception>
#include <string>

#include "camera/camera.h"
#include "sdk/sdk.h"

namespace ecocam {

void Camera::SetContinuousGrab(bool on) {
  ECOCAM_LOG(2, std::string("Camera::SetContinuousGrab: entering, mode=") + (on ? "on" : "off"));
  if (on == _continuous.load()) {
    ECOCAM_LOG(3, "Camera::SetContinuousGrab has no effect -- the same mode is already active\n");
    return;
  }
  _continuous.store(on);
  _grabRequested.store(on);
  ECOCAM_LOG(2, "Camera::SetContinuousGrab: leaving");
}

void Camera::ClearGrabRequest() {
  platform::LockGuard guard(_lock);
  _grabRequested.store(false);
}

int ECOCAM_SDK_CALL ImageCallback(sdk::ImageHandle image, void* context) {
  try {
    if (context == nullptr) {
      ECOCAM_LOG(1, "ImageCallback: ERROR: image skipperd in callback");
      return Camera::kImageSkipped;
    }
    return static_cast<Camera*>(context)->SvsCallback(image);
  } catch (...) {
    // Nothing may unwind into the SDK's thread.
    return Camera::kImageSkipped;
  }
}

int Camera::SvsCallback(sdk::ImageHandle image) {
  if (!_grabRequested.load()) {
    ECOCAM_LOG(4, "Camera::SvsCallback: INFO: image skipped -- grab not requested");
    return kImageSkipped;
  }
  SvsImageInfo record;
  record.imageData = sdk::Image_getDataPointer(image);
  if (record.imageData == nullptr) {
    ECOCAM_LOG(1, "Camera::SvsCallback: ERROR: image lost, port=" + std::to_string(Port()));
    sdk::Image_release(image);
    return 0;
  }
  record.sizeX = sdk::Image_getSizeX(image);
  record.sizeY = sdk::Image_getSizeY(image);
  record.pixelType = sdk::Image_getPixelType(image);
  record.imageId = sdk::Image_getImageID(image);
  record.timestamp = sdk::Image_getTimestamp(image);
  record.transferTime = sdk::Image_getTransferTime(image);
  record.packetCount = sdk::Image_getPacketCount(image);
  record.imageHandle = image;
  // A record the queue does not take has its image handed back there; only
  // a queued record is signalled.
  if (_buffers.AddSvsInfo(record)) _imageEvent.Set();
  return 0;
}

// Takes the oldest record and hands its image back to the SDK. The
// conversion into a free buffer and the host's completion callback join
// here, between the two.
void Camera::ProcessEvent() {
  ECOCAM_LOG(2, "Camera::ProcessEvent");
  SvsImageInfo record;
  if (!_buffers.TakeSvsInfo(record)) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: SVSinfo not ready, port=" + std::to_string(Port()));
    return;
  }
  if (!_continuous.load()) _grabRequested.store(false);
  if (record.imageHandle != 0) {
    sdk::Image_release(record.imageHandle);
    record.imageHandle = 0;
  }
}

}  // namespace ecocam
