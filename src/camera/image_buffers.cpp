// The frame buffer pool, its frame queue and the process-wide load numbers.
#include "camera/image_buffers.h"

#include <cstdint>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/driver_context.h"
#include "params/camera_parameters.h"
#include "params/param_names.h"
#include "sdk/sdk.h"

namespace ecocam {
namespace {

// Every load of every camera takes the next number, so a later load never
// has a smaller one. The first load of the process gets 1.
std::atomic<std::uint64_t> gLoadSequence{0};

std::string AllocateError(int size) {
  return "ImageBuffer::Allocate ERROR: could not allocate memory, size=" + std::to_string(size);
}

std::string Hex(const void* p) {
  char text[2 * sizeof(void*) + 1];
  std::snprintf(text, sizeof text, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  return text;
}

void ReleaseImage(sdk::ImageHandle image) {
  if (image != 0) sdk::Image_release(image);
}

}  // namespace

ImageBuffer::ImageBuffer(const CameraInfo& info, ImageBuffers* owner, int width, int height)
    : _isColor(info.IsColor()), _cameraInfo(info), _owner(owner) {
  const long long bytes = static_cast<long long>(width) * height * (_isColor ? 3 : 1);
  // A size beyond int is refused like any size the pool cannot hold.
  Allocate(bytes > 0x7FFFFFFF ? -1 : static_cast<int>(bytes));
  _useSdkImage = true;
}

unsigned char* ImageBuffer::Allocate(int size) {
  if (size <= 0) {
    ECOCAM_LOG(1, AllocateError(size));
    throw std::runtime_error(AllocateError(size));
  }
  if (size != _size) {
    _memory.reset();
    _size = 0;
    try {
      _memory.reset(new unsigned char[static_cast<std::size_t>(size)]);
      _size = size;
    } catch (const std::bad_alloc&) {
    }
  }
  if (!_memory) {
    _size = 0;
    ECOCAM_LOG(1, AllocateError(size));
    throw std::runtime_error(AllocateError(size));
  }
  return _memory.get();
}

void ImageBuffer::MarkLoaded() {
  _loadSequence.store(gLoadSequence.fetch_add(1) + 1, std::memory_order_release);
}

void ImageBuffer::MarkFree() {
  _useSdkImage = false;
  _loadSequence.store(0, std::memory_order_release);
}

const unsigned char* ImageBuffer::GetLine(int deliveredHeight, int row) {
  if (_svsImageInfo.imageData == nullptr) {
    ECOCAM_LOG(1, "ImageBuffer::GetLine: ERROR: _svsImageInfo.imageData==0, row=" + std::to_string(row));
    return nullptr;
  }
  if (row < 0 || row >= _svsImageInfo.sizeY) {
    ECOCAM_LOG(1, "ImageBuffer::GetLine: ERROR: _svsImageInfo.sizeY==" + std::to_string(_svsImageInfo.sizeY) +
                      " and is lower than requested line=" + std::to_string(row));
    return nullptr;
  }
  const unsigned char* base = _useSdkImage ? _svsImageInfo.imageData : _memory.get();
  if (base == nullptr) return nullptr;
  const unsigned char* line =
      base + static_cast<std::size_t>(row) * static_cast<std::size_t>(_svsImageInfo.sizeX) * (_isColor ? 3u : 1u);
  if (row == deliveredHeight - 1) {
    ECOCAM_LOG(3, "ImageBuffer::GetLine: INFO: last line retrieved=" + std::to_string(row));
    MarkFree();
  }
  return line;
}

ImageBuffers::~ImageBuffers() { CleanUp(); }

bool ImageBuffers::Init(const CameraInfo& info, const CameraParameters& parameters, int port) {
  CleanUp();
  const int count = kBufferCount;
  const bool colour = info.IsColor();
  const int width = parameters.Get(param_name::Width).get_val<int>();
  const int height = parameters.Get(param_name::Height).get_val<int>();
  ECOCAM_LOG(2, "ImageBuffers::Init: width=" + std::to_string(width) + ", height=" + std::to_string(height) +
                    ", bufcount=" + std::to_string(count) + ", iscolor=" + (colour ? "1" : "0"));
  if (count <= 0 || width <= 0 || height <= 0) {
    ECOCAM_LOG(1, " ImageBuffers::Init: ERROR: incorrect image buffer allocation parameters bufferCount=" +
                      std::to_string(count) + ", width=" + std::to_string(width) +
                      ", height=" + std::to_string(height) + "\n");
    return false;
  }
  _items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    try {
      _items.push_back(std::make_unique<ImageBuffer>(info, this, width, height));
    } catch (...) {
      ECOCAM_LOG(1, "ImageBuffers::Init: ERROR: ImageBuffer not allocted, port=" + std::to_string(port));
      return false;
    }
  }
  DriverContext& ctx = DriverContext::GetInstance();
  if (ctx.Enabled(3)) {
    std::string text = "ImageBuffers::Init: buffers:";
    for (const auto& item : _items) text += " " + Hex(item.get());
    ctx.Log(3, text);
  }
  return true;
}

void ImageBuffers::CleanUp() { _items.clear(); }

bool ImageBuffers::AddSvsInfo(const SvsImageInfo& record, platform::Event* queued) {
  bool full = false;
  {
    platform::LockGuard guard(_queueLock);
    if (_accepting && _frames.size() <= kMaxQueuedBeforeDrop) {
      _frames.push_back(record);
      if (queued != nullptr) queued->Set();
      return true;
    }
    full = _accepting;
  }
  if (full) {
    ECOCAM_LOG(1, "ImageBuffers::AddSvsInfo: WARNING: Frame dropped: Image buffer already contains more than 100 frames.");
  }
  ReleaseImage(record.imageHandle);
  return false;
}

bool ImageBuffers::TakeSvsInfo(SvsImageInfo& out, platform::Event* more) {
  platform::LockGuard guard(_queueLock);
  if (_frames.empty()) return false;
  out = _frames.front();
  _frames.pop_front();
  if (more != nullptr && !_frames.empty()) more->Set();
  return true;
}

std::size_t ImageBuffers::QueuedCount() const {
  platform::LockGuard guard(_queueLock);
  return _frames.size();
}

void ImageBuffers::StartQueue() {
  platform::LockGuard guard(_queueLock);
  _accepting = true;
}

void ImageBuffers::StopQueue() {
  std::deque<SvsImageInfo> left;
  {
    platform::LockGuard guard(_queueLock);
    _accepting = false;
    left.swap(_frames);
  }
  for (const SvsImageInfo& record : left) ReleaseImage(record.imageHandle);
}

ImageBuffer* ImageBuffers::FindFreeBuffer() {
  for (const auto& item : _items) {
    if (!item->IsLoaded()) return item.get();
  }
  return nullptr;
}

ImageBuffer* ImageBuffers::FindLoadedBuffer() {
  ImageBuffer* oldest = nullptr;
  std::uint64_t oldestNumber = 0;
  for (const auto& item : _items) {
    const std::uint64_t number = item->LoadSequence();
    if (number > 0 && (oldest == nullptr || number < oldestNumber)) {
      oldest = item.get();
      oldestNumber = number;
    }
  }
  if (oldest == nullptr) ECOCAM_LOG(1, "ERROR: Loaded buffer not found");
  return oldest;
}

}  // namespace ecocam
