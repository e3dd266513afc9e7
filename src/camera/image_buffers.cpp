// The frame buffer pool, its frame queue and the process-wide load numbers.
#include "camera/image_buffers.h"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "driver/driver_context.h"
#include "driver/log_text.h"
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

void ReleaseImage(sdk::ImageHandle image) {
  if (image != 0) sdk::Image_release(image);
}

}  // namespace

ImageBuffer::ImageBuffer(bool colour, int width, int height) : _isColor(colour) {
  const long long bytes = static_cast<long long>(width) * height * (_isColor ? 3 : 1);
  // A size beyond int is refused like any size the pool cannot hold.
  Allocate(bytes > 0x7FFFFFFF ? -1 : static_cast<int>(bytes));
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

bool ImageBuffer::Move(BufferState from, BufferState to) {
  return _state.compare_exchange_strong(from, to, std::memory_order_acq_rel, std::memory_order_acquire);
}

bool ImageBuffer::BeginFill() { return Move(BufferState::kFree, BufferState::kFilling); }

// The number is written before the state publishes it, so a reader that
// sees the buffer loaded sees its number and its frame.
bool ImageBuffer::MarkLoaded() {
  if (State() != BufferState::kFilling) return false;
  _loadSequence.store(gLoadSequence.fetch_add(1) + 1, std::memory_order_relaxed);
  return Move(BufferState::kFilling, BufferState::kLoaded);
}

void ImageBuffer::AbandonFill() { Move(BufferState::kFilling, BufferState::kFree); }

// The frame's data goes with it: a freed buffer has no rows until it is
// loaded again.
void ImageBuffer::Release() {
  if (State() != BufferState::kLoaded) return;
  _svsImageInfo.imageData = nullptr;
  Move(BufferState::kLoaded, BufferState::kFree);
}

const unsigned char* ImageBuffer::Row(int row) const {
  if (_svsImageInfo.imageData == nullptr) {
    ECOCAM_LOG(1, "ImageBuffer::GetLine: ERROR: _svsImageInfo.imageData==0, row=" + Num(row));
    return nullptr;
  }
  if (row < 0 || row >= _svsImageInfo.sizeY) {
    ECOCAM_LOG(1, "ImageBuffer::GetLine: ERROR: _svsImageInfo.sizeY==" + Num(_svsImageInfo.sizeY) +
                      " and is lower than requested line=" + Num(row));
    return nullptr;
  }
  return _svsImageInfo.imageData +
         static_cast<std::size_t>(row) * static_cast<std::size_t>(_svsImageInfo.sizeX) * (_isColor ? 3u : 1u);
}

BufferClaim& BufferClaim::operator=(BufferClaim&& other) noexcept {
  if (this != &other) {
    Abandon();
    _buffer = other._buffer;
    other._buffer = nullptr;
  }
  return *this;
}

void BufferClaim::Load() {
  if (_buffer != nullptr) _buffer->MarkLoaded();
  _buffer = nullptr;
}

void BufferClaim::Abandon() {
  if (_buffer != nullptr) _buffer->AbandonFill();
  _buffer = nullptr;
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
      _items.push_back(std::make_unique<ImageBuffer>(colour, width, height));
    } catch (...) {
      ECOCAM_LOG(1, "ImageBuffers::Init: ERROR: ImageBuffer not allocted, port=" + std::to_string(port));
      return false;
    }
  }
  ECOCAM_LOG(3, [&] {
    std::string text = "ImageBuffers::Init: buffers:";
    for (const auto& item : _items) text += " " + Hex(item.get());
    return text;
  }());
  return true;
}

void ImageBuffers::CleanUp() { _items.clear(); }

bool ImageBuffers::AddSvsInfo(const SvsImageInfo& record, platform::Event* queued) {
  bool full = false;
  {
    platform::LockGuard guard(_queueLock);
    if (_accepting && _frames.size() <= kMaxQueuedBeforeDrop) {
      _frames.push_back(record);
      ++_counters.queued;
      if (queued != nullptr) queued->Set();
      return true;
    }
    full = _accepting;
    if (full) ++_counters.droppedFull;
  }
  if (full) {
    ECOCAM_LOG(1,
               "ImageBuffers::AddSvsInfo: WARNING: Frame dropped: Image buffer already contains more than 100 frames.");
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
    _counters.discarded += static_cast<long long>(left.size());
  }
  for (const SvsImageInfo& record : left) ReleaseImage(record.imageHandle);
}

BufferClaim ImageBuffers::ClaimFreeBuffer() {
  for (const auto& item : _items) {
    if (item->BeginFill()) return BufferClaim(item.get());
  }
  return BufferClaim();
}

ImageBuffer* ImageBuffers::FindLoadedBuffer() {
  constexpr std::uint64_t kIndexMask = (std::uint64_t{1} << kOldestIndexBits) - 1;
  const std::uint64_t remembered = _oldest.load(std::memory_order_relaxed);
  const std::size_t index = static_cast<std::size_t>(remembered & kIndexMask);
  if (remembered != 0 && index < _items.size()) {
    ImageBuffer& buffer = *_items[index];
    // Loaded first, then the number: a buffer freed and loaded again in
    // between shows a new number and is looked for afresh.
    if (buffer.IsLoaded() && buffer.LoadSequence() == remembered >> kOldestIndexBits) return &buffer;
  }
  ImageBuffer* oldest = nullptr;
  std::uint64_t oldestNumber = 0;
  std::size_t oldestIndex = 0;
  for (std::size_t i = 0; i < _items.size(); ++i) {
    const ImageBuffer& item = *_items[i];
    if (!item.IsLoaded()) continue;
    const std::uint64_t number = item.LoadSequence();
    if ((oldest == nullptr || number < oldestNumber)) {
      oldest = _items[i].get();
      oldestNumber = number;
      oldestIndex = i;
    }
  }
  if (oldest == nullptr) {
    ECOCAM_LOG(1, "ERROR: Loaded buffer not found");
    return nullptr;
  }
  if (oldestIndex <= kIndexMask)
    _oldest.store(oldestNumber << kOldestIndexBits | oldestIndex, std::memory_order_relaxed);
  return oldest;
}

std::size_t ImageBuffers::CountIn(BufferState state) const {
  std::size_t count = 0;
  for (const auto& item : _items) count += item->State() == state ? 1 : 0;
  return count;
}

QueueCounters ImageBuffers::Counters() const {
  platform::LockGuard guard(_queueLock);
  return _counters;
}

}  // namespace ecocam
