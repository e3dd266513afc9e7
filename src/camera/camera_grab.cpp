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
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "driver/log_text.h"
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

// The frame being converted: its record, the size the host reads and the
// buffer memory that receives it.
struct FrameJob {
  const SvsImageInfo& record;
  int width;
  int height;
  int bytesPerPixel;
  unsigned char* memory;  // holds width x height pixels
  int memorySize;
  bool otherSize;  // a larger frame, delivered as its top-left part
  std::string port;
};

// The checks before any conversion: the data is there, the pixel type is
// one the camera's colour can give, and the frame can fill the rows the host
// was told about at open. `otherSize` tells whether it must be cropped.
bool Deliverable(const FrameJob& job, bool colour, int port) {
  const SvsImageInfo& record = job.record;
  if (record.imageData == nullptr) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: svsImageInfo.imageData==NULL, port=" + job.port);
    return false;
  }
  const int type = record.pixelType;
  if (colour && !sdk::IsBayer8(type) && type != sdk::kPixelTypeRGB24) {
    ECOCAM_LOG(
        1, "Camera::ProcessEvent ERROR: unrecognized pixel format for COLOR mode " + Hex(type) + ", port=" + Hex(port));
    return false;
  }
  if (!colour && type != sdk::kPixelTypeMono8 && type != sdk::kPixelTypeMono12Packed) {
    ECOCAM_LOG(
        1, "Camera::ProcessEvent ERROR: unrecognized pixel format for BW mode " + Hex(type) + ", port=" + Hex(port));
    return false;
  }
  // The host was told the size at open and reads exactly that many rows of
  // that width: a larger frame gives its top-left part, a smaller one cannot
  // fill the rows and is not delivered.
  if (!job.otherSize) return true;
  const bool smaller = record.sizeX < job.width || record.sizeY < job.height;
  ReportOtherSize(record, job.width, job.height, smaller, port);
  if (smaller) return false;
  // Rows are taken at the pitch the frame's size gives, so the size must be
  // one the image's data can hold.
  const long long held = sdk::Image_getImageSize(record.imageHandle);
  if (held < FrameBytes(type, record.sizeX, record.sizeY)) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: image of " + Num(held) + " bytes cannot hold a frame of " +
                      Num(record.sizeX) + "x" + Num(record.sizeY) + ", port=" + job.port);
    return false;
  }
  return true;
}

// Mono8 and 24-bit colour frames, and a Mono12Packed frame read at 8 bits:
// the rows as they came, taken at the frame's own pitch.
void CopyFrame(const FrameJob& job) {
  CopyTopLeft(job.record.imageData, static_cast<long long>(job.record.sizeX) * job.bytesPerPixel, job.width, job.height,
              job.bytesPerPixel, job.memory);
}

// Runs `convert(out, length)`, which fills a frame of the record's own
// size: straight into the buffer, or for a larger frame into scratch memory
// that is then cropped. False (logged) when the frame stops.
template <typename Convert>
bool ConvertAtFrameSize(const FrameJob& job, Convert convert) {
  if (!job.otherSize) return convert(job.memory, job.memorySize);
  const long long need = static_cast<long long>(job.record.sizeX) * job.record.sizeY * job.bytesPerPixel;
  if (need <= 0 || need > std::numeric_limits<int>::max()) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: buf==0");
    return false;
  }
  std::vector<unsigned char> scratch(static_cast<std::size_t>(need));
  if (!convert(scratch.data(), static_cast<int>(need))) return false;
  CopyTopLeft(scratch.data(), static_cast<long long>(job.record.sizeX) * job.bytesPerPixel, job.width, job.height,
              job.bytesPerPixel, job.memory);
  return true;
}

// A 12-bit frame through the SDK's conversion to 8 bits.
bool ConvertTwelveBit(const FrameJob& job) {
  ECOCAM_LOG(3, "Camera::ProcessEvent ... pixelsize==12");
  if ((job.record.pixelType & kTwelveBitField) != kTwelveBitField) {
    ECOCAM_LOG(
        1, "Camera::ProcessEvent ERROR: camera info indicates image is not 12bit as it was expected, port=" + job.port);
    return false;
  }
  return ConvertAtFrameSize(job, [&](unsigned char* out, int length) {
    const int rc = sdk::Image_getImage12bitAs8bit(job.record.imageHandle, out, length);
    if (rc != 0) ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Conversion 12bit->8bit failed, rc=" + Num(rc));
    return rc == 0;
  });
}

// A Bayer frame through the SDK's demosaicing with `method`.
bool ConvertBayer(const FrameJob& job, int method) {
  ECOCAM_LOG(3, "Camera::ProcessEvent ... bayer conversion into internal buffer, size=" + Num(job.memorySize));
  return ConvertAtFrameSize(job, [&](unsigned char* out, int length) {
    const int rc = sdk::Image_getImageRGB(job.record.imageHandle, out, length, method);
    if (rc != 0) ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Image_getImageRGB failure, rc=" + Num(rc));
    return rc == 0;
  });
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

// A failed trigger is reported once, with the camera taken for gone, until
// a trigger succeeds again; a camera known to be gone is not triggered, so
// a host's grabs do not each wait for the SDK's timeout.
void Camera::SoftwareTrigger() {
  if (_acquisitionMode.load() != kSoftwareTriggerMode) {
    ECOCAM_LOG(1,
               "Camera::SoftwareTrigger: WARNING: trigger ignored, camera not in SW trigger mode, port=" + Num(Port()));
    return;
  }
  if (_cameraGone.load()) return;
  const int rc = sdk::Camera_softwareTrigger(_camera);
  if (rc == 0) {
    _triggerFailing.store(false);
    return;
  }
  if (_triggerFailing.exchange(true)) return;
  ECOCAM_LOG(1, "Camera::SoftwareTrigger: ERROR: sw trigger failed, rc=" + Num(rc) + " port=" + Num(Port()));
  NoteCameraGone("Camera::SoftwareTrigger");
}

void Camera::NoteCameraGone(const char* method) {
  _cameraGone.store(true);
  if (_goneReported.exchange(true)) return;
  ECOCAM_LOG(1, std::string(method) + ": ERROR: camera " + _name + " does not answer any more, port=" + Num(Port()) +
                    "; close the port and open it again once the camera is back");
}

Camera::LossCounters Camera::Losses() const {
  LossCounters losses;
  losses.framesDelivered = _framesComplete.load();
  losses.framesIncomplete = _framesIncomplete.load();
  losses.packetsResent = _packetsResent.load();
  return losses;
}

void Camera::CheckFrameLoss() {
  const sdk::StreamingChannelHandle channel = _streamingChannel.load();
  if (channel == -1) return;
  int incomplete = 0;
  if (sdk::StreamingChannel_getFrameLoss(channel, &incomplete) != 0 || incomplete < 0) return;
  const long long before = _framesIncomplete.exchange(incomplete);
  if (incomplete <= before) return;
  // One line, then for ten seconds none while frames keep being lost.
  const unsigned long long now = platform::RunTimeMs() / 1000 + 1;
  const unsigned long long last = _lossReportedAt.load();
  if (last != 0 && now <= last + kThrottleSeconds) return;
  _lossReportedAt.store(now);
  const LossCounters losses = Losses();
  ECOCAM_LOG(1, "Camera::CheckFrameLoss: ERROR: camera " + _name + " loses frames, port=" + Num(Port()) + ": " +
                    Num(losses.framesIncomplete) + " incomplete, " + Num(losses.framesDelivered) + " delivered, " +
                    Num(losses.packetsResent) + " packets resent");
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

// A signal image tells that the camera stopped answering; a frame is
// counted with its resent packets whether a grab wants it or not.
int Camera::SvsCallback(sdk::ImageHandle image) {
  if (sdk::Image_getSignalType(image) == sdk::kSignalCameraConnectionLost) {
    sdk::Image_release(image);
    NoteCameraGone("Camera::SvsCallback");
    return 0;
  }
  ++_framesComplete;
  const int resent = sdk::Image_getPacketResend(image);
  if (resent > 0) _packetsResent += resent;
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

Camera::GrabCounters Camera::Counters() const {
  const QueueCounters queue = _buffers.Counters();
  GrabCounters counters;
  counters.queued = queue.queued;
  counters.droppedQueueFull = queue.droppedFull;
  counters.noFreeBuffer = _noFreeBuffer.load();
  counters.conversionFailed = _conversionFailed.load();
  counters.delivered = _delivered.load();
  counters.discarded = queue.discarded + _undelivered.load();
  return counters;
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
  BufferClaim buffer;
  Conversion result = Conversion::kFailed;
  try {
    result = ConvertRecord(record, port, buffer);
  } catch (...) {
    buffer.Abandon();
    result = Conversion::kFailed;
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: exception encountered");
  }
  if (record.imageHandle != 0) {
    sdk::Image_release(record.imageHandle);
    record.imageHandle = 0;
  }
  if (result != Conversion::kConverted) {
    ++(result == Conversion::kNoFreeBuffer ? _noFreeBuffer : _conversionFailed);
    return;
  }
  const CompleteCallback callback = _completeCB.load();
  // A camera being closed gets no more callbacks; the claim frees the buffer.
  if (callback == nullptr || !_isOpen.load()) {
    ++_undelivered;
    return;
  }
  buffer.Load();
  ++_delivered;
  callback(0, port);
}

Camera::Conversion Camera::ConvertRecord(const SvsImageInfo& record, int port, BufferClaim& buffer) {
  // The single grab is consumed here, also when a later step stops.
  if (!_continuous.load()) _grabRequested.store(false);
  const bool colour = _cameraInfo.IsColor();
  FrameJob job{record, Width(), Height(), colour ? 3 : 1, nullptr, 0, false, Num(port)};
  job.otherSize = record.sizeX != job.width || record.sizeY != job.height;
  if (!Deliverable(job, colour, port)) return Conversion::kFailed;
  buffer = _buffers.ClaimFreeBuffer();
  if (!buffer) {
    ReportMissingBuffer(port);
    return Conversion::kNoFreeBuffer;
  }
  buffer->Info() = record;
  job.memory = buffer->Memory();
  job.memorySize = buffer->Size();
  const long long bytes = static_cast<long long>(job.width) * job.height * job.bytesPerPixel;
  if (job.memory == nullptr || bytes <= 0 || bytes > job.memorySize) {
    ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: buf==0");
    return Conversion::kFailed;
  }
  const int type = record.pixelType;
  bool converted = true;
  if (!colour) {
    const long long depth = _pixelDepth.load();
    if (depth == kPixelDepth12) {
      converted = ConvertTwelveBit(job);
    } else {
      if (depth != kPixelDepth8) ECOCAM_LOG(1, "Camera::ProcessEvent ERROR: Unrecognized buffer format: " + Hex(type));
      CopyFrame(job);
    }
  } else {
    ECOCAM_LOG(3, "Camera::ProcessEvent ... color step1, pixType" + Hex(type));
    if (sdk::IsBayer8(type)) {
      converted = ConvertBayer(job, static_cast<int>(_bayerMethod.load()));
    } else {
      CopyFrame(job);
    }
  }
  if (!converted) return Conversion::kFailed;
  // The delivered frame: the buffer's own memory at the opened size.
  buffer->Info().imageData = job.memory;
  buffer->Info().imageHandle = 0;
  buffer->Info().sizeX = job.width;
  buffer->Info().sizeY = job.height;

  if (_completeCB.load() == nullptr) {
    ECOCAM_LOG(1, "Camera::ProcessEvent: ERROR: callback is not assigned, port=" + job.port);
    return Conversion::kFailed;
  }
  ECOCAM_LOG(2, "Camera::ProcessEvent: grab succesful. calling CB, port=" + job.port);
  return Conversion::kConverted;
}

const unsigned char* Camera::GetRow(int row) {
  ImageBuffer* buffer = _buffers.FindLoadedBuffer();
  if (buffer == nullptr) {
    ECOCAM_LOG(1, "Camera::GetRow (" + Num(row) + ") ERROR: buffer not found, port=" + Num(Port()));
    return nullptr;
  }
  const unsigned char* line = buffer->Row(row);
  if (line != nullptr) FreeAfterLastRow(*buffer, row);
  return line;
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
  const unsigned char* line = buffer->Row(row);
  if (line == nullptr) return false;
  if (pixels > buffer->Info().sizeX) pixels = buffer->Info().sizeX;
  if (pixels > 0) std::memcpy(dest, line, static_cast<std::size_t>(pixels * (_pixelSize / 8)));
  FreeAfterLastRow(*buffer, row);
  return true;
}

void Camera::FreeAfterLastRow(ImageBuffer& buffer, int row) {
  if (row != Height() - 1) return;
  ECOCAM_LOG(3, "ImageBuffer::GetLine: INFO: last line retrieved=" + Num(row));
  buffer.Release();
}

}  // namespace ecocam
