// Grab requests and frame delivery: the continuous mode, single grabs and
// software triggers, the SDK's stream callback and the queueing of its
// images, the conversion of a queued frame into a free buffer on the wait
// thread, and the host's reading of rows.
//
// A delivered frame lives in the buffer's own memory: Mono8 and 24-bit
// frames are copied, the others converted there. The SDK image is therefore
// handed back before the host's completion callback runs, so the rows stay
// valid however late the host reads them, and no image is held while the
// host may close the camera from inside its callback.
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>

#include "camera/camera.h"
#include "params/param_names.h"
#include "platform/system.h"
#include "sdk/sdk.h"

namespace ecocam {
namespace {

constexpr int kTwelveBitField = 0x000C0000;
constexpr long long kSoftwareTriggerMode = 2;
constexpr long long kPixelDepth8 = 0;
constexpr long long kPixelDepth12 = 2;
// Seconds during which further missing-buffer reports are only counted.
constexpr unsigned long long kThrottleSeconds = 10;

std::string Num(long long value) { return std::to_string(value); }

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}


// The missing-buffer throttle, shared by all cameras of the process.
struct Throttle {
  std::mutex lock;
  unsigned long long lastReport = 0;  // whole seconds; 0: never reported
  long long misses = 0;
};

Throttle& MissingBufferThrottle() {
  static Throttle throttle;
  return throttle;
}

void ReportMissingBuffer(int port) {
  Throttle& t = MissingBufferThrottle();
  const unsigned long long now = platform::RunTimeMs() / 1000;
  long long misses = 0;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    ++t.misses;
    if (t.lastReport != 0 && t.lastReport <= now && now <= t.lastReport + kThrottleSeconds) return;
    misses = t.misses;
    t.misses = 0;
    t.lastReport = now;
  }
  ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: free buffer not found " + Num(misses) + " times, port=" + Num(port));
}

}  // namespace

void Camera::ResetMissingBufferThrottle() {
  Throttle& t = MissingBufferThrottle();
  std::lock_guard<std::mutex> guard(t.lock);
  t.lastReport = 0;
  t.misses = 0;
}

void Camera::CacheGrabSettings() {
  _acquisitionMode.store(_parameters.Get(param_name::AcquisitionMode).currEnumVal());
  _pixelDepth.store(_parameters.Get(param_name::PixelDepth).currEnumVal());
  _bayerMethod.store(_parameters.Get(param_name::BayerMethod).currEnumVal());
}

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

// The request is set before the trigger goes out, so a frame answering the
// trigger at once is not skipped.
bool Camera::Grab() {
  ECOCAM_LOG(2, "Camera::Grab");
  platform::LockGuard guard(_lock);
  if (_grabRequested.exchange(true)) {
    ECOCAM_LOG(2, "Camera::Grab: WARNING: grab called while previous grab not finished yet");
  }
  if (_acquisitionMode.load() == kSoftwareTriggerMode) SoftwareTrigger();
  return true;
}

void Camera::SoftwareTrigger() {
  if (_acquisitionMode.load() != kSoftwareTriggerMode) {
    ECOCAM_LOG(1, "Camera::SoftwareTrigger: WARNING: trigger ignored, camera not in SW trigger mode, port=" +
                      Num(Port()));
    return;
  }
  const int rc = sdk::Camera_softwareTrigger(_camera);
  if (rc != 0) {
    ECOCAM_LOG(1, "Camera::SoftwareTrigger: ERROR: sw trigger failed, rc=" + Num(rc) + " port=" + Num(Port()));
  }
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
    try {
      ECOCAM_LOG(1, "ImageCallback: ERROR: exception, image skipped");
    } catch (...) {
    }
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
    ECOCAM_LOG(1, "Camera::SvsCallback: ERROR: image lost, port=" + Num(Port()));
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
  // a queued record is signalled, by the queue itself.
  _buffers.AddSvsInfo(record, &_imageEvent);
  return 0;
}

// One record per call. The image goes back to the SDK before the host is
// called; after the callback nothing of the camera is touched, since the
// host may have closed or reopened it from inside.
void Camera::ProcessEvent() {
  ECOCAM_LOG(2, "Camera::ProcessEvent");
  const int port = Port();
  SvsImageInfo record;
  // One signal of the auto-reset event may stand for several records: the
  // queue signals again while records wait behind this one, so none waits
  // for the next frame.
  if (!_buffers.TakeSvsInfo(record, &_imageEvent)) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: SVSinfo not ready, port=" + Num(port));
    return;
  }
  ImageBuffer* buffer = nullptr;
  try {
    buffer = ConvertRecord(record, port);
  } catch (...) {
    buffer = nullptr;
    try {
      ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: exception encountered");
    } catch (...) {
    }
  }
  if (record.imageHandle != 0) {
    sdk::Image_release(record.imageHandle);
    record.imageHandle = 0;
  }
  const CompleteCallback callback = _completeCB.load();
  if (buffer == nullptr || callback == nullptr) return;
  // A camera being closed gets no more callbacks.
  if (!_isOpen.load()) return;
  buffer->MarkLoaded();
  callback(0, port);
}

ImageBuffer* Camera::ConvertRecord(const SvsImageInfo& record, int port) {
  const std::string p = Num(port);
  // The single grab is consumed here, also when a later step stops.
  if (!_continuous.load()) _grabRequested.store(false);
  if (record.imageData == nullptr) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: svsImageInfo.imageData==NULL, port=" + p);
    return nullptr;
  }
  const int type = record.pixelType;
  const bool colour = _cameraInfo.IsColor();
  if (colour && !sdk::IsBayer8(type) && type != sdk::kPixelTypeRGB24) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: unrecognized pixel format for COLOR mode " + Hex(type) +
                      ", port=" + Hex(port));
    return nullptr;
  }
  if (!colour && type != sdk::kPixelTypeMono8 && type != sdk::kPixelTypeMono12Packed) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: unrecognized pixel format for BW mode " + Hex(type) +
                      ", port=" + Hex(port));
    return nullptr;
  }
  // The host was told the size at open and reads exactly that many rows of
  // that width: a frame of another size is not delivered.
  if (record.sizeX != Width() || record.sizeY != Height()) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: image size " + Num(record.sizeX) + "x" + Num(record.sizeY) +
                      " differs from the opened size " + Num(Width()) + "x" + Num(Height()) + ", port=" + p);
    return nullptr;
  }
  ImageBuffer* buffer = _buffers.FindFreeBuffer();
  if (buffer == nullptr) {
    ReportMissingBuffer(port);
    return nullptr;
  }
  buffer->Info() = record;
  buffer->SetUseSdkImage(true);
  unsigned char* memory = buffer->Memory();
  const long long bytesPerPixel = colour ? 3 : 1;
  const long long bytes = static_cast<long long>(record.sizeX) * record.sizeY * bytesPerPixel;
  if (memory == nullptr || bytes <= 0 || bytes > buffer->Size()) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: buf==0");
    return nullptr;
  }
  bool copy = true;  // the frame is delivered as it came
  if (!colour) {
    const long long depth = _pixelDepth.load();
    if (depth == kPixelDepth12) {
      ECOCAM_LOG(3, "Camera::ProcessEvent ... pixelsize==12");
      if ((type & kTwelveBitField) != kTwelveBitField) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: camera info indicates image is not 12bit as it was expected, port=" + p);
        return nullptr;
      }
      const int rc = sdk::Image_getImage12bitAs8bit(record.imageHandle, memory, buffer->Size());
      if (rc != 0) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Conversion 12bit->8bit failed, rc=" + Num(rc));
        return nullptr;
      }
      copy = false;
    } else if (depth != kPixelDepth8) {
      ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Unrecognized buffer format: " + Hex(type));
    }
  } else {
    ECOCAM_LOG(3, "Camera::ProcessEvent ... color step1, pixType" + Hex(type));
    if (sdk::IsBayer8(type)) {
      const int method = static_cast<int>(_bayerMethod.load());
      ECOCAM_LOG(3, "Camera::ProcessEvent ... bayer conversion into internal buffer, size=" + Num(buffer->Size()));
      const int rc = sdk::Image_getImageRGB(record.imageHandle, memory, buffer->Size(), method);
      if (rc != 0) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Image_getImageRGB failure, rc=" + Num(rc));
        return nullptr;
      }
      copy = false;
    }
  }
  // Mono8, 24-bit colour and unconverted frames: as many bytes as the host
  // reads, which a frame of the opened size always holds.
  if (copy) std::memcpy(memory, record.imageData, static_cast<std::size_t>(bytes));
  buffer->SetUseSdkImage(false);
  buffer->Info().imageData = memory;
  buffer->Info().imageHandle = 0;

  if (_completeCB.load() == nullptr) {
    ECOCAM_LOG(1, "Camera::ProcessEvent: ERROR: callback is not assigned, port=" + p);
    return nullptr;
  }
  ECOCAM_LOG(2, "Camera::ProcessEvent: grab succesful. calling CB, port=" + p);
  return buffer;
}

const unsigned char* Camera::GetRow(int row) {
  ImageBuffer* buffer = _buffers.FindLoadedBuffer();
  if (buffer == nullptr) {
    ECOCAM_LOG(1, "Camera::GetRow (" + Num(row) + ") ERROR: buffer not found, port=" + Num(Port()));
    return nullptr;
  }
  return buffer->GetLine(Height(), row);
}

bool Camera::CopyRow(int row, unsigned char* dest, int firstColumn, int lastColumn) {
  // lastColumn == firstColumn - 1 is an empty range: nothing to copy, but
  // the row is read as any other, so the last row still frees the frame.
  long long pixels = static_cast<long long>(lastColumn) - firstColumn + 1;
  if (dest == nullptr || pixels < 0) {
    ECOCAM_LOG(1, "Camera::GetRow (" + Num(row) + ") ERROR: " +
                      (dest == nullptr ? std::string("null destination")
                                       : "negative column range " + Num(firstColumn) + ".." + Num(lastColumn)) +
                      ", port=" + Num(Port()));
    return false;
  }
  ImageBuffer* buffer = _buffers.FindLoadedBuffer();
  if (buffer == nullptr) {
    ECOCAM_LOG(1, "Camera::GetRow (" + Num(row) + ") ERROR: buffer not found, port=" + Num(Port()));
    return false;
  }
  // A delivered height of 0 never matches a row, so the buffer stays loaded
  // until its last row has been copied out.
  const unsigned char* line = buffer->GetLine(0, row);
  if (line == nullptr) return false;
  if (pixels > buffer->Info().sizeX) pixels = buffer->Info().sizeX;
  if (pixels > 0) std::memcpy(dest, line, static_cast<std::size_t>(pixels * (_pixelSize / 8)));
  if (row == Height() - 1) {
    ECOCAM_LOG(3, "ImageBuffer::GetLine: INFO: last line retrieved=" + Num(row));
    buffer->MarkFree();
  }
  return true;
}

}  // namespace ecocam
