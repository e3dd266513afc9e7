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
#include <limits>
#include <mutex>
#include <string>
#include <vector>

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


// A report throttled process-wide: one line, then for ten seconds only a
// count, which the next line carries.
struct Throttle {
  std::mutex lock;
  unsigned long long lastReport = 0;  // whole seconds; 0: never reported
  long long misses = 0;

  // Counts one occurrence; the count to report now, or 0 while throttled.
  long long Count() {
    const unsigned long long now = platform::RunTimeMs() / 1000;
    std::lock_guard<std::mutex> guard(lock);
    ++misses;
    if (lastReport != 0 && lastReport <= now && now <= lastReport + kThrottleSeconds) return 0;
    const long long count = misses;
    misses = 0;
    lastReport = now;
    return count;
  }
  void Reset() {
    std::lock_guard<std::mutex> guard(lock);
    lastReport = 0;
    misses = 0;
  }
};

Throttle& MissingBufferThrottle() {
  static Throttle throttle;
  return throttle;
}

Throttle& OtherSizeThrottle() {
  static Throttle throttle;
  return throttle;
}

void ReportMissingBuffer(int port) {
  const long long misses = MissingBufferThrottle().Count();
  if (misses == 0) return;
  ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: free buffer not found " + Num(misses) + " times, port=" + Num(port));
}

// A frame whose size is not the one the host was told at open: a larger one
// is cropped, a smaller one dropped.
void ReportOtherSize(const SvsImageInfo& record, int width, int height, bool dropped, int port) {
  const long long frames = OtherSizeThrottle().Count();
  if (frames == 0) return;
  ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: image size " + Num(record.sizeX) + "x" + Num(record.sizeY) +
                    " differs from the opened size " + Num(width) + "x" + Num(height) +
                    (dropped ? " (dropped) " : " (cropped) ") + Num(frames) + " times, port=" + Num(port));
}

// The bytes of a frame of `type` and that size: Mono12Packed holds two
// pixels in three bytes (a last odd one in two), the others whole bytes per
// pixel as the type's size field says.
long long FrameBytes(int type, int sizeX, int sizeY) {
  const long long pixels = static_cast<long long>(sizeX) * sizeY;
  if (type == sdk::kPixelTypeMono12Packed) return pixels / 2 * 3 + (pixels % 2) * 2;
  const long long bits = (type >> 16) & 0xFF;
  return pixels * ((bits + 7) / 8);
}

// Copies the top-left width x height pixels of `source`, whose rows are
// `sourcePitch` bytes apart, into the packed rows of `target`.
void CopyTopLeft(const unsigned char* source, long long sourcePitch, int width, int height, int bytesPerPixel,
                 unsigned char* target) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel);
  if (sourcePitch == static_cast<long long>(rowBytes)) {
    std::memcpy(target, source, rowBytes * static_cast<std::size_t>(height));
    return;
  }
  for (int y = 0; y < height; ++y) {
    std::memcpy(target + static_cast<std::size_t>(y) * rowBytes,
                source + static_cast<std::size_t>(y) * static_cast<std::size_t>(sourcePitch), rowBytes);
  }
}

}  // namespace

void Camera::ResetMissingBufferThrottle() {
  MissingBufferThrottle().Reset();
  OtherSizeThrottle().Reset();
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
  // that width: a larger frame gives its top-left part, a smaller one cannot
  // fill the rows and is not delivered.
  const int width = Width();
  const int height = Height();
  const bool otherSize = record.sizeX != width || record.sizeY != height;
  if (otherSize) {
    const bool smaller = record.sizeX < width || record.sizeY < height;
    ReportOtherSize(record, width, height, smaller, port);
    if (smaller) return nullptr;
    // Rows are taken at the pitch the frame's size gives, so the size must
    // be one the image's data can hold.
    const long long held = sdk::Image_getImageSize(record.imageHandle);
    if (held < FrameBytes(type, record.sizeX, record.sizeY)) {
      ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: image of " + Num(held) + " bytes cannot hold a frame of " +
                        Num(record.sizeX) + "x" + Num(record.sizeY) + ", port=" + p);
      return nullptr;
    }
  }
  ImageBuffer* buffer = _buffers.FindFreeBuffer();
  if (buffer == nullptr) {
    ReportMissingBuffer(port);
    return nullptr;
  }
  buffer->Info() = record;
  buffer->SetUseSdkImage(true);
  unsigned char* memory = buffer->Memory();
  const int bytesPerPixel = colour ? 3 : 1;
  const long long bytes = static_cast<long long>(width) * height * bytesPerPixel;
  if (memory == nullptr || bytes <= 0 || bytes > buffer->Size()) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: buf==0");
    return nullptr;
  }
  // A conversion fills a frame of the record's own size: straight into the
  // buffer, or for a larger frame into scratch memory that is then cropped.
  std::vector<unsigned char> scratch;
  const auto target = [&](int convertedBytesPerPixel, unsigned char*& out, int& length) {
    if (!otherSize) {
      out = memory;
      length = buffer->Size();
      return true;
    }
    const long long need = static_cast<long long>(record.sizeX) * record.sizeY * convertedBytesPerPixel;
    if (need <= 0 || need > std::numeric_limits<int>::max()) {
      ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: buf==0");
      return false;
    }
    scratch.resize(static_cast<std::size_t>(need));
    out = scratch.data();
    length = static_cast<int>(need);
    return true;
  };
  const unsigned char* source = record.imageData;  // what the buffer takes, at the record's pitch
  bool copy = true;  // the frame is delivered as it came
  if (!colour) {
    const long long depth = _pixelDepth.load();
    if (depth == kPixelDepth12) {
      ECOCAM_LOG(3, "Camera::ProcessEvent ... pixelsize==12");
      if ((type & kTwelveBitField) != kTwelveBitField) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: camera info indicates image is not 12bit as it was expected, port=" + p);
        return nullptr;
      }
      unsigned char* out = nullptr;
      int length = 0;
      if (!target(1, out, length)) return nullptr;
      const int rc = sdk::Image_getImage12bitAs8bit(record.imageHandle, out, length);
      if (rc != 0) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Conversion 12bit->8bit failed, rc=" + Num(rc));
        return nullptr;
      }
      source = out;
      copy = otherSize;
    } else if (depth != kPixelDepth8) {
      ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Unrecognized buffer format: " + Hex(type));
    }
  } else {
    ECOCAM_LOG(3, "Camera::ProcessEvent ... color step1, pixType" + Hex(type));
    if (sdk::IsBayer8(type)) {
      const int method = static_cast<int>(_bayerMethod.load());
      ECOCAM_LOG(3, "Camera::ProcessEvent ... bayer conversion into internal buffer, size=" + Num(buffer->Size()));
      unsigned char* out = nullptr;
      int length = 0;
      if (!target(3, out, length)) return nullptr;
      const int rc = sdk::Image_getImageRGB(record.imageHandle, out, length, method);
      if (rc != 0) {
        ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Image_getImageRGB failure, rc=" + Num(rc));
        return nullptr;
      }
      source = out;
      copy = otherSize;
    }
  }
  // Mono8, 24-bit colour, unconverted and cropped frames: the rows the host
  // reads, taken at the frame's own pitch.
  if (copy) CopyTopLeft(source, static_cast<long long>(record.sizeX) * bytesPerPixel, width, height, bytesPerPixel, memory);
  buffer->SetUseSdkImage(false);
  buffer->Info().imageData = memory;
  buffer->Info().imageHandle = 0;
  buffer->Info().sizeX = width;
  buffer->Info().sizeY = height;

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
