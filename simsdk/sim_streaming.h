// Streaming channels and the images they deliver.
//
// A channel belongs to one camera and has a fixed number of image buffers
// and its own thread. The thread makes a frame when the camera asks for one
// (free-running at its frame rate, or a pending trigger), fills a free buffer
// with the test pattern and hands the image to the channel's callback. The
// image stays out until Image_release; with every buffer out a new frame is
// counted as lost. An image whose callback answered non-zero is taken back.
// An image handed or taken back has its pixels overwritten with a marker, and
// its buffer then takes a new frame, so nobody can read a frame after it.
//
// Everything here is guarded by SimState::mutex, except the pixels of a
// buffer being filled (owned by the channel's thread until delivery) and the
// callback itself, which runs without any lock because the driver calls the
// SDK from inside it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "sim_state.h"
#include "simsdk_control.h"

namespace simsdk {

using ecocam::sdk::ImageHandle;
using ecocam::sdk::StreamCallback;
using ecocam::sdk::StreamingChannelHandle;
using SimClock = std::chrono::steady_clock;

struct FrameCounters {
  long long produced = 0;    // frames the camera made for the channel
  long long delivered = 0;   // handed to the callback
  long long lost = 0;        // no free buffer (or the channel stopped meanwhile)
  long long released = 0;    // given back with Image_release
  long long reclaimed = 0;   // taken back: refused + abandoned
  long long refused = 0;     // the callback answered non-zero: taken back at once
  long long abandoned = 0;   // still out when the channel was deleted
  long long incomplete = 0;  // of lost: a packet stayed lost (StreamingChannel_getFrameLoss)
  long long resent = 0;      // packets resent for the delivered frames
};

// One delivered frame's description.
struct ImageInfo {
  int sizeX = 0;
  int sizeY = 0;
  int pixelType = 0;
  int imageId = 0;
  double timestamp = 0.0;     // seconds on the simulation's clock
  double transferTime = 0.0;  // seconds at 1 Gbit/s
  int packetCount = 0;
  int packetResend = 0;  // packets lost on the way and resent
  std::size_t bytes = 0;
};

struct ImageBuffer {
  std::vector<std::uint8_t> data;
  ImageInfo info;
  ImageHandle image = 0;  // non-zero while the image is out
  bool filling = false;   // the channel's thread writes the pixels
};

struct SimChannel {
  StreamingChannelHandle handle = 0;
  CameraHandle camera = 0;
  StreamCallback callback = nullptr;
  void* context = nullptr;
  std::vector<ImageBuffer> buffers;
  int pendingTriggers = 0;
  int nextImageId = 1;
  bool scheduled = false;  // free-running: nextDue is valid
  SimClock::time_point nextDue;
  bool stop = false;
  bool busy = false;        // a frame is being filled or delivered
  int pendingSignal = 0;    // a signal to hand the callback before any frame
  std::uint32_t draws = 0;  // the packet-loss draws' generator state
  FrameCounters counters;
  std::condition_variable wake;  // the thread: look at the settings again
  std::condition_variable idle;  // busy went false
  std::thread thread;
};

struct StreamingState {
  StreamingState();
  ~StreamingState();  // stops every channel

  std::map<StreamingChannelHandle, std::shared_ptr<SimChannel>> channels;
  struct ImageRef {
    std::shared_ptr<SimChannel> channel;
    std::size_t buffer = 0;
  };
  std::map<ImageHandle, ImageRef> images;
  // Signal images out (no data, no buffer): their channel and signal type.
  struct SignalRef {
    std::shared_ptr<SimChannel> channel;
    int type = 0;
  };
  std::map<ImageHandle, SignalRef> signals;
  // Channels deleted from inside their own callback: their threads end on
  // their own and are joined at the next reset or at unload.
  std::vector<std::shared_ptr<SimChannel>> retired;
  FrameCounters totals;  // of every channel since the last reset
  bool paused = false;
};

// The streaming state; guarded by SimState::Get().mutex.
StreamingState& Streams();

// The simulation's clock in seconds (image timestamps).
double SimSeconds(SimClock::time_point t);

// Wakes the channels of `camera` to look at its settings again.
void WakeChannelsLocked(CameraHandle camera);

// A trigger for `camera`: a frame from each of its channels when the camera
// acquires in one of `modes` (mode numbers as bits: 1 << mode).
void TriggerLocked(CameraHandle camera, unsigned modes);

// Waits until no channel of `camera` fills or delivers a frame, except the
// channel whose callback the calling thread is in.
void WaitChannelsIdle(std::unique_lock<std::mutex>& lock, CameraHandle camera);

// Stops and deletes every channel, waiting for their threads (call without
// the lock), then forgets all images, counters and the pause.
void ResetStreaming();

// Makes `camera` vanish: it stops acquiring, a connection it had dies, and
// each of its channels hands its callback the connection-lost signal.
void VanishLocked(SimCamera& camera);

// Forgets the signal image `image` when it is out; false when it is not.
bool ReleaseSignalLocked(ImageHandle image);

// Forgets the image of `buffer` (which must be out) and overwrites its
// pixels with the marker.
void TakeBackLocked(ImageBuffer& buffer);

// The live image `image`, or null.
StreamingState::ImageRef* FindImageLocked(ImageHandle image);

}  // namespace simsdk
