// The frame buffer pool of one camera and its queue of received frames.
//
// The SDK's streaming thread queues a record per received frame
// (AddSvsInfo); the wait thread takes records (TakeSvsInfo), converts each
// into a free buffer and marks the buffer loaded; the host's thread reads
// the rows of the oldest loaded buffer, and reading the last row frees it.
// A buffer changes hands through its load number alone: the wait thread
// writes a free buffer and sets the number last (release), the host reads a
// loaded buffer and clears the number after the last row.
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

class ImageBuffers;

class ImageBuffer {
 public:
  // Allocates width x height pixels (3 bytes each for a colour camera);
  // throws std::runtime_error when that is impossible.
  ImageBuffer(const CameraInfo& info, ImageBuffers* owner, int width, int height);
  ImageBuffer(const ImageBuffer&) = delete;
  ImageBuffer& operator=(const ImageBuffer&) = delete;

  // Gives the buffer `size` bytes of its own (kept when the size is the
  // same). Throws std::runtime_error for a size of 0 or less or no memory.
  unsigned char* Allocate(int size);

  // Gives the buffer the next load number of the process.
  void MarkLoaded();
  void MarkFree();
  bool IsLoaded() const { return LoadSequence() != 0; }
  std::uint64_t LoadSequence() const { return _loadSequence.load(std::memory_order_acquire); }

  // The row's first byte, or null (logged) without data or for a row outside
  // the frame. Reading the row `deliveredHeight` - 1 frees the buffer.
  const unsigned char* GetLine(int deliveredHeight, int row);

  unsigned char* Memory() { return _memory.get(); }
  int Size() const { return _size; }
  bool IsColor() const { return _isColor; }
  SvsImageInfo& Info() { return _svsImageInfo; }
  const SvsImageInfo& Info() const { return _svsImageInfo; }
  bool UseSdkImage() const { return _useSdkImage; }
  void SetUseSdkImage(bool use) { _useSdkImage = use; }
  ImageBuffers* Owner() const { return _owner; }

 private:
  int _size = 0;
  bool _isColor;
  std::unique_ptr<unsigned char[]> _memory;
  bool _useSdkImage = false;
  CameraInfo _cameraInfo;
  ImageBuffers* _owner;
  SvsImageInfo _svsImageInfo;
  std::atomic<std::uint64_t> _loadSequence{0};
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

  ImageBuffer* FindFreeBuffer();
  // The loaded buffer with the smallest load number; null (logged) if none.
  ImageBuffer* FindLoadedBuffer();

 private:
  std::vector<std::unique_ptr<ImageBuffer>> _items;
  mutable platform::Mutex _queueLock;
  std::deque<SvsImageInfo> _frames;  // guarded by _queueLock
  bool _accepting = true;            // guarded by _queueLock
};

}  // namespace ecocam
