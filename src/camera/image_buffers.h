// The frame buffer pool of one camera and its queue of received frames.
//
// The SDK's streaming thread queues a record per received frame
// (AddSvsInfo); the wait thread takes records (TakeSvsInfo), claims a free
// buffer, converts the frame into it and loads it; the host's thread reads
// the rows of the oldest loaded buffer and frees it after the last row.
//
// A buffer is free, being filled or loaded, and changes hands only through
// its state: the wait thread moves it from free to filling (so nobody else
// writes it), fills it and publishes it as loaded (release); the host reads
// only a loaded buffer and hands it back as free after its last row.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "params/camera_info.h"
#include "platform/event.h"
#include "platform/mutex.h"
#include "sdk/sdk_types.h"

namespace ecocam {

class CameraParameters;

// The record of one received frame.
struct SvsImageInfo {
  unsigned char* imageData = nullptr;  // the SDK's image data; null: none
  int pixelType = 0;
  int sizeX = 0;
  int sizeY = 0;
  int imageId = 0;
  double timestamp = 0.0;
  double transferTime = 0.0;
  int packetCount = 0;
  sdk::ImageHandle imageHandle = 0;  // to hand back to the SDK; 0: none
};

// Where a buffer is in the hand-over between the wait thread and the host.
enum class BufferState : int {
  kFree,     // nobody's: the wait thread may claim it
  kFilling,  // the wait thread's: a frame is being written into it
  kLoaded,   // the host's: a delivered frame waiting for its rows to be read
};

class ImageBuffer {
 public:
  // Allocates width x height pixels (3 bytes each for a colour camera);
  // throws std::runtime_error when that is impossible.
  ImageBuffer(bool colour, int width, int height);
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  // Gives the buffer `size` bytes of its own (kept when the size is the
  // same). Throws std::runtime_error for a size of 0 or less or no memory.
  unsigned char* Allocate(int size);

  // The transitions. BeginFill (free -> filling) fails for a buffer that is
  // not free; MarkLoaded (filling -> loaded) gives it the next load number
  // of the process and fails unless it was being filled; AbandonFill
  // (filling -> free) ends a fill that will not be delivered; Release
  // (loaded -> free) hands a read frame back, after which it has no rows.
  bool BeginFill();
  bool MarkLoaded();
  void AbandonFill();
  void Release();

  BufferState State() const { return _state.load(std::memory_order_acquire); }
  bool IsLoaded() const { return State() == BufferState::kLoaded; }
  // The number of the buffer's latest load; meaningful while loaded.
  std::uint64_t LoadSequence() const { return _loadSequence.load(std::memory_order_acquire); }

  // The row's first byte, or null (logged) without a frame or for a row
  // outside the frame. Reading changes nothing.
  const unsigned char* Row(int row) const;

  unsigned char* Memory() { return _memory.get(); }
  int Size() const { return _size; }
  bool IsColor() const { return _isColor; }
  // The delivered frame's record: written while filling, read while loaded.
  SvsImageInfo& Info() { return _svsImageInfo; }
  const SvsImageInfo& Info() const { return _svsImageInfo; }

 private:
  bool Move(BufferState from, BufferState to);

  int _size = 0;
  bool _isColor;
  std::unique_ptr<unsigned char[]> _memory;
  SvsImageInfo _svsImageInfo;
  std::atomic<std::uint64_t> _loadSequence{0};
  std::atomic<BufferState> _state{BufferState::kFree};
};

// A buffer claimed for filling by the wait thread. Dropping the claim
// before the buffer was loaded frees the buffer again, so a conversion that
// stops early or throws never strands one.
class BufferClaim {
 public:
  BufferClaim() = default;
  explicit BufferClaim(ImageBuffer* buffer) : _buffer(buffer) {}
  BufferClaim(BufferClaim&& other) noexcept : _buffer(other._buffer) { other._buffer = nullptr; }
  BufferClaim& operator=(BufferClaim&& other) noexcept;
  BufferClaim(const BufferClaim&) = delete;
  BufferClaim& operator=(const BufferClaim&) = delete;
  ~BufferClaim() { Abandon(); }

  ImageBuffer* get() const { return _buffer; }
  ImageBuffer* operator->() const { return _buffer; }
  explicit operator bool() const { return _buffer != nullptr; }

  // Publishes the buffer as loaded and gives up the claim.
  void Load();
  // Frees the buffer unloaded and gives up the claim.
  void Abandon();

 private:
  ImageBuffer* _buffer = nullptr;
};

// What became of the records a queue was offered.
struct QueueCounters {
  long long queued = 0;       // taken into the queue
  long long droppedFull = 0;  // refused: the queue was full
  long long discarded = 0;    // handed back unprocessed by StopQueue
};

class ImageBuffers {
 public:
  static constexpr int kBufferCount = 10;
  // The queue accepts a record while it holds this many or fewer.
  static constexpr std::size_t kMaxQueuedBeforeDrop = 100;

  ImageBuffers() = default;
  // Deletes the buffers and discards queued records without touching the
  // SDK (StopQueue hands images back while their channel exists).
  ~ImageBuffers();
  ImageBuffers(const ImageBuffers&) = delete;
  ImageBuffers& operator=(const ImageBuffers&) = delete;

  // Rebuilds the pool for the parameters' "Width" x "Height". False (logged)
  // for a size or count of 0 or less, or when a buffer cannot be allocated;
  // the pool is then empty or partly built. `port` is for the log only.
  bool Init(const CameraInfo& info, const CameraParameters& parameters, int port);
  void CleanUp();
  int GetBufferCount() const { return kBufferCount; }
  std::size_t Size() const { return _items.size(); }
  ImageBuffer& operator[](std::size_t index) { return *_items.at(index); }

  // Queues a record (SDK thread) and signals `queued` (may be null) under
  // the queue lock. False when it was not queued: the queue was full
  // (logged) or stopped; the record's image is then handed back to the SDK
  // at once and nothing is signalled.
  bool AddSvsInfo(const SvsImageInfo& record, platform::Event* queued = nullptr);
  // Takes the oldest record; false when the queue is empty. When records
  // remain behind it, signals `more` (may be null) under the queue lock.
  //
  // Signalling only under the lock keeps the event honest: it is set only
  // while a record waits, and only the taker empties the queue, so a
  // signal never outlives the record it stands for (a record taken through
  // an earlier signal, and its own signal arriving late).
  bool TakeSvsInfo(SvsImageInfo& out, platform::Event* more = nullptr);
  std::size_t QueuedCount() const;

  // Lets AddSvsInfo queue again (before the streaming channel is created).
  void StartQueue();
  // Refuses further records and hands the images of every queued record
  // back to the SDK, emptying the queue. Called while the streaming channel
  // still exists, so no image is used after it is gone.
  void StopQueue();

  // Claims the first free buffer for filling; an empty claim if none is free.
  BufferClaim ClaimFreeBuffer();
  // The loaded buffer with the smallest load number; null (logged) if none.
  // The host reads a frame row by row, so the answer is remembered: while
  // that buffer stays loaded with the same number it is still the oldest
  // (a later load always takes a larger number), and no other is looked at.
  ImageBuffer* FindLoadedBuffer();
  // The buffers in `state` now.
  std::size_t CountIn(BufferState state) const;
  QueueCounters Counters() const;

 private:
  std::vector<std::unique_ptr<ImageBuffer>> _items;
  // The last answer of FindLoadedBuffer: its load number shifted left by
  // kOldestIndexBits, or'ed with its index; 0: none.
  static constexpr int kOldestIndexBits = 8;
  std::atomic<std::uint64_t> _oldest{0};
  mutable platform::Mutex _queueLock;
  std::deque<SvsImageInfo> _frames;  // guarded by _queueLock
  bool _accepting = true;            // guarded by _queueLock
  QueueCounters _counters;           // guarded by _queueLock
};

}  // namespace ecocam
