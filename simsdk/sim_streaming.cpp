// Streaming channels: creation, deletion and the thread of each channel,
// which makes the frames and delivers them through the callback.
#include "sim_streaming.h"

#include <algorithm>
#include <cmath>

#include "sim_impl.h"
#include "simsdk_pattern.h"

namespace simsdk {

namespace {

constexpr int kMaxBuffers = 1000;
constexpr int kGvspOverhead = 36;  // IP, UDP and stream headers of a packet
constexpr auto kIdleRecheck = std::chrono::milliseconds(100);
constexpr double kLinkBitsPerSecond = 1e9;

using Lock = std::unique_lock<std::mutex>;

// The pixel type of the camera's frames: Mono12Packed for a monochrome
// camera set to 12 bit, otherwise the camera's own.
int FramePixelType(const SimCamera& camera) {
  const bool packed = !camera.model.color && camera.settings.pixelDepth == 2;
  return packed ? kPixelMono12Packed : camera.model.pixelType;
}

ImageInfo DescribeFrame(const SimCamera& camera, int imageId, SimClock::time_point madeAt) {
  const CameraSettings& s = camera.settings;
  ImageInfo info;
  info.sizeX = s.aoiWidth / (s.binningMode == 1 || s.binningMode == 3 ? 2 : 1);
  info.sizeY = s.aoiHeight / (s.binningMode == 2 || s.binningMode == 3 ? 2 : 1);
  if (camera.model.frameWidth > 0 && camera.model.frameHeight > 0) {
    info.sizeX = camera.model.frameWidth;
    info.sizeY = camera.model.frameHeight;
  }
  info.pixelType = FramePixelType(camera);
  info.imageId = imageId;
  info.timestamp = SimSeconds(madeAt);
  info.bytes = FrameBytes(info.pixelType, info.sizeX, info.sizeY);
  info.transferTime = static_cast<double>(info.bytes) * 8.0 / kLinkBitsPerSecond;
  const std::size_t payload = static_cast<std::size_t>(std::max(s.packetSize - kGvspOverhead, 1));
  info.packetCount = static_cast<int>((info.bytes + payload - 1) / payload) + 2;  // with leader and trailer
  return info;
}

void Count(SimChannel& channel, long long FrameCounters::*counter) {
  ++(channel.counters.*counter);
  ++(Streams().totals.*counter);
}

// Takes back every image of `channel` that is still out: images its user
// never handed back, signals included.
void ReclaimAllLocked(SimChannel& channel) {
  for (ImageBuffer& buffer : channel.buffers) {
    if (buffer.image == 0) continue;
    TakeBackLocked(buffer);
    Count(channel, &FrameCounters::reclaimed);
    Count(channel, &FrameCounters::abandoned);
  }
  auto& signals = Streams().signals;
  for (auto it = signals.begin(); it != signals.end();) {
    if (it->second.channel.get() != &channel) {
      ++it;
      continue;
    }
    SimState::Get().handles.Release(it->first);
    it = signals.erase(it);
  }
}

// One draw of 0 to 999 from the channel's own generator (xorshift), so a
// run's losses depend only on the channel's frames.
int DrawPerThousand(SimChannel& channel) {
  std::uint32_t x = channel.draws != 0 ? channel.draws : 0x9E3779B9u ^ static_cast<std::uint32_t>(channel.handle);
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  channel.draws = x;
  return static_cast<int>(x % 1000u);
}

// Sends the frame's packets over the lossy network: false when one stayed
// lost (the frame is incomplete); `resent` counts the packets a resend
// recovered.
bool PacketsArrive(SimChannel& channel, const CameraModel& model, int packets, int& resent) {
  resent = 0;
  if (model.packetsLostPerThousand <= 0) return true;
  for (int i = 0; i < packets; ++i) {
    if (DrawPerThousand(channel) >= model.packetsLostPerThousand) continue;
    if (DrawPerThousand(channel) >= model.packetsResentPerThousand) return false;
    ++resent;
  }
  return true;
}

// Whether `camera` still asks for frames.
bool Acquiring(const SimCamera* camera) {
  return camera != nullptr && camera->connected && camera->settings.acquisitionControl == 1;
}

// Marks the channel busy for the life of the object.
class BusyMark {
 public:
  explicit BusyMark(SimChannel& channel) : _channel(channel) { _channel.busy = true; }
  ~BusyMark() {  // runs with the lock held
    _channel.busy = false;
    _channel.idle.notify_all();
  }
  BusyMark(const BusyMark&) = delete;
  BusyMark& operator=(const BusyMark&) = delete;

 private:
  SimChannel& _channel;
};

// Makes one frame made at `madeAt` and delivers it. Called and returns with
// the lock held; drops it while filling and while the callback runs. A frame
// whose acquisition stopped while it was being filled is lost.
void ProduceAndDeliver(Lock& lock, const std::shared_ptr<SimChannel>& shared, const SimCamera& camera,
                       SimClock::time_point madeAt) {
  SimChannel& channel = *shared;
  ImageInfo info = DescribeFrame(camera, channel.nextImageId++, madeAt);
  Count(channel, &FrameCounters::produced);
  const auto free = std::find_if(channel.buffers.begin(), channel.buffers.end(),
                                 [](const ImageBuffer& b) { return b.image == 0 && !b.filling; });
  if (free == channel.buffers.end()) {
    Count(channel, &FrameCounters::lost);
    return;
  }
  if (!PacketsArrive(channel, camera.model, info.packetCount, info.packetResend)) {
    Count(channel, &FrameCounters::lost);
    Count(channel, &FrameCounters::incomplete);
    return;
  }
  const BusyMark busy(channel);
  ImageBuffer& buffer = *free;
  buffer.filling = true;
  lock.unlock();
  bool filled = true;
  try {
    buffer.data.resize(info.bytes);
    FillPattern(info.pixelType, info.imageId, info.sizeX, info.sizeY, buffer.data.data());
  } catch (...) {
    filled = false;
  }
  lock.lock();
  buffer.filling = false;
  SimState& state = SimState::Get();
  SimCamera* sender = state.FindCameraLocked(channel.camera);
  if (!filled || channel.stop || !Acquiring(sender)) {
    Count(channel, &FrameCounters::lost);
    return;
  }
  const ImageHandle image = state.handles.Allocate(HandleKind::kImage);
  buffer.info = info;
  buffer.image = image;
  Streams().images[image] = StreamingState::ImageRef{shared, static_cast<std::size_t>(free - channel.buffers.begin())};
  Count(channel, &FrameCounters::delivered);
  channel.counters.resent += info.packetResend;
  Streams().totals.resent += info.packetResend;
  // A camera set to vanish after its n-th frame goes once that frame is out.
  const int vanishAfter = sender->model.vanishAfterFrames;
  if (++sender->framesSent == vanishAfter && vanishAfter > 0) VanishLocked(*sender);
  lock.unlock();
  int answer = 0;
  try {
    answer = channel.callback(image, channel.context);
  } catch (...) {
    answer = -1;  // a callback must not throw; treat it as a refusal
  }
  lock.lock();
  // A refused image comes back at once, unless the driver released it already.
  if (answer != 0 && buffer.image == image) {
    TakeBackLocked(buffer);
    Count(channel, &FrameCounters::reclaimed);
    Count(channel, &FrameCounters::refused);
  }
}

// Hands the callback the channel's pending signal: an image without data
// whose signal type tells what happened. Called and returns with the lock
// held; drops it while the callback runs.
void DeliverSignal(Lock& lock, const std::shared_ptr<SimChannel>& shared) {
  SimChannel& channel = *shared;
  const BusyMark busy(channel);
  const ImageHandle image = SimState::Get().handles.Allocate(HandleKind::kImage);
  Streams().signals[image] = StreamingState::SignalRef{shared, channel.pendingSignal};
  channel.pendingSignal = 0;
  lock.unlock();
  int answer = 0;
  try {
    answer = channel.callback(image, channel.context);
  } catch (...) {
    answer = -1;
  }
  lock.lock();
  if (answer != 0) ReleaseSignalLocked(image);
}

// The channel's thread: waits until a frame is due, makes and delivers it.
void RunChannel(std::shared_ptr<SimChannel> shared) {
  SimChannel& channel = *shared;
  SimState& state = SimState::Get();
  Lock lock(state.mutex);
  while (!channel.stop) {
    if (channel.pendingSignal != 0) {
      try {
        DeliverSignal(lock, shared);
      } catch (...) {
        if (!lock.owns_lock()) lock.lock();
      }
      continue;
    }
    const SimCamera* camera = state.FindCameraLocked(channel.camera);
    const bool on = Acquiring(camera);
    const int mode = on ? camera->settings.acquisitionMode : 0;
    const bool triggered = mode == 2 || mode == 3 || mode == 4;
    if (!triggered) channel.pendingTriggers = 0;
    const bool producing = on && !Streams().paused;
    if (mode != 1 || !producing) channel.scheduled = false;  // free-running restarts with a frame at once
    const auto now = SimClock::now();
    bool due = false;
    SimClock::time_point madeAt = now;
    if (producing && mode == 1) {
      const float rate = camera->settings.frameRate;
      const auto period =
          std::chrono::duration_cast<SimClock::duration>(std::chrono::duration<double>(rate > 0.0f ? 1.0 / rate : 1.0));
      if (!channel.scheduled) {
        channel.nextDue = now;
        channel.scheduled = true;
      }
      if (now >= channel.nextDue) {
        due = true;
        madeAt = channel.nextDue;
        channel.nextDue += period;
        // Frames fall due at a steady rate; after a long stall (a paused
        // process) the schedule starts afresh instead of catching up.
        if (now - channel.nextDue > std::chrono::seconds(1)) channel.nextDue = now + period;
      }
    } else if (producing && triggered && channel.pendingTriggers > 0) {
      --channel.pendingTriggers;
      due = true;
    }
    if (due) {
      try {
        ProduceAndDeliver(lock, shared, *camera, madeAt);
      } catch (...) {
        if (!lock.owns_lock()) lock.lock();
      }
      continue;
    }
    auto until = now + kIdleRecheck;
    if (producing && channel.scheduled) until = std::min(until, channel.nextDue);
    channel.wake.wait_until(lock, until);
  }
  ReclaimAllLocked(channel);
}

// Ends the thread of a channel already marked stopped: joins it, or, when
// called from inside the channel's own callback, leaves it to end when the
// callback returns and keeps it to be joined later.
void EndThread(const std::shared_ptr<SimChannel>& channel) {
  if (!channel->thread.joinable()) return;
  if (channel->thread.get_id() == std::this_thread::get_id()) {
    std::lock_guard<std::mutex> lock(SimState::Get().mutex);
    Streams().retired.push_back(channel);
  } else {
    channel->thread.join();
  }
}

// Stops every channel, live or retired, and waits for their threads.
void StopAll() {
  std::vector<std::shared_ptr<SimChannel>> stopping;
  {
    std::lock_guard<std::mutex> lock(SimState::Get().mutex);
    StreamingState& streams = Streams();
    for (auto& [handle, channel] : streams.channels) stopping.push_back(channel);
    streams.channels.clear();
    stopping.insert(stopping.end(), streams.retired.begin(), streams.retired.end());
    streams.retired.clear();
    for (auto& channel : stopping) channel->stop = true;
  }
  for (auto& channel : stopping) {
    channel->wake.notify_all();
    if (!channel->thread.joinable()) continue;
    if (channel->thread.get_id() == std::this_thread::get_id()) {
      channel->thread.detach();  // a reset from inside a callback: nothing else can be done
    } else {
      channel->thread.join();
    }
  }
}

}  // namespace

StreamingState::StreamingState() { SimState::Get(); }  // constructed first, so destroyed after this

StreamingState::~StreamingState() { StopAll(); }

StreamingState& Streams() {
  static StreamingState streams;
  return streams;
}

double SimSeconds(SimClock::time_point t) {
  static const SimClock::time_point epoch = SimClock::now();
  return std::chrono::duration<double>(t - epoch).count();
}

void WakeChannelsLocked(CameraHandle camera) {
  for (auto& [handle, channel] : Streams().channels) {
    if (channel->camera == camera) channel->wake.notify_all();
  }
}

void TriggerLocked(CameraHandle camera, unsigned modes) {
  const SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr || !found->connected || found->settings.acquisitionControl != 1) return;
  if ((modes & (1u << found->settings.acquisitionMode)) == 0) return;
  for (auto& [handle, channel] : Streams().channels) {
    if (channel->camera != camera) continue;
    ++channel->pendingTriggers;
    channel->wake.notify_all();
  }
}

void WaitChannelsIdle(Lock& lock, CameraHandle camera) {
  std::vector<std::shared_ptr<SimChannel>> channels;
  for (auto& [handle, channel] : Streams().channels) {
    if (channel->camera == camera && channel->thread.get_id() != std::this_thread::get_id()) {
      channels.push_back(channel);
    }
  }
  for (auto& channel : channels) channel->idle.wait(lock, [&] { return !channel->busy; });
}

void VanishLocked(SimCamera& camera) {
  camera.vanished = true;
  camera.connectionLost = camera.connected;
  camera.settings.acquisitionControl = 0;
  for (auto& [handle, channel] : Streams().channels) {
    if (channel->camera != camera.handle) continue;
    channel->pendingSignal = ecocam::sdk::kSignalCameraConnectionLost;
    channel->wake.notify_all();
  }
}

bool ReleaseSignalLocked(ImageHandle image) {
  auto& signals = Streams().signals;
  const auto it = signals.find(image);
  if (it == signals.end()) return false;
  signals.erase(it);
  SimState::Get().handles.Release(image);
  return true;
}

void ResetStreaming() {
  StopAll();
  std::lock_guard<std::mutex> lock(SimState::Get().mutex);
  StreamingState& streams = Streams();
  streams.images.clear();
  streams.signals.clear();
  streams.totals = FrameCounters{};
  streams.paused = false;
}

void TakeBackLocked(ImageBuffer& buffer) {
  Streams().images.erase(buffer.image);
  SimState::Get().handles.Release(buffer.image);
  buffer.image = 0;
  std::fill(buffer.data.begin(), buffer.data.end(), kReleasedMarkerByte);
}

StreamingState::ImageRef* FindImageLocked(ImageHandle image) {
  if (!SimState::Get().handles.Is(image, HandleKind::kImage)) return nullptr;
  auto& images = Streams().images;
  const auto it = images.find(image);
  return it == images.end() ? nullptr : &it->second;
}

// A channel for a connected camera of `container`, with 1 to 1000 buffers
// and a callback. One channel per camera: a second gives kAlreadyConnected.
// Setting up the stream talks to the camera, so a vanished one answers late.
ECOCAM_SDK_DEFINE(int, StreamingChannel_create)
(StreamingChannelHandle* channel, CameraContainerHandle container, CameraHandle camera, int bufferCount,
 StreamCallback callback, void* context) {
  if (channel == nullptr || callback == nullptr) return kNullArgument;
  SimState& state = SimState::Get();
  StreamingState& streams = Streams();
  std::unique_lock<std::mutex> lock(state.mutex);
  const SimCamera* found = state.FindCameraLocked(camera);
  if (found == nullptr || found->container != container) return kInvalidHandle;
  if (!found->connected || found->connectionLost) return kNotConnected;
  if (found->vanished) {
    const int delayMs = found->model.answerDelayMs;
    lock.unlock();
    return AnswerTimedOut(delayMs);
  }
  if (bufferCount < 1 || bufferCount > kMaxBuffers) return kOutOfRange;
  for (const auto& [handle, existing] : streams.channels) {
    if (existing->camera == camera) return kAlreadyConnected;
  }
  auto created = std::make_shared<SimChannel>();
  created->camera = camera;
  created->callback = callback;
  created->context = context;
  created->buffers.resize(static_cast<std::size_t>(bufferCount));
  created->handle = state.handles.Allocate(HandleKind::kStreamingChannel);
  try {
    streams.channels[created->handle] = created;
    // The thread waits for the lock before it looks at anything.
    created->thread = std::thread(RunChannel, created);
  } catch (...) {
    streams.channels.erase(created->handle);
    state.handles.Release(created->handle);
    return kInternalError;
  }
  *channel = created->handle;
  return kOk;
}

// Stops the channel and waits until no callback of it runs (from inside its
// own callback it cannot wait: no further callback starts, and the thread
// ends when the callback returns). Images still out are taken back.
ECOCAM_SDK_DEFINE(int, StreamingChannel_delete)(StreamingChannelHandle channel) {
  SimState& state = SimState::Get();
  std::shared_ptr<SimChannel> found;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    auto& channels = Streams().channels;
    const auto it = channels.find(channel);
    if (it == channels.end() || !state.handles.Is(channel, HandleKind::kStreamingChannel)) return kInvalidHandle;
    found = it->second;
    channels.erase(it);
    state.handles.Release(channel);
    found->stop = true;
  }
  found->wake.notify_all();
  EndThread(found);
  return kOk;
}

}  // namespace simsdk

namespace simsdk {

// Incomplete frames since the channel was created: a packet of theirs
// stayed lost, so they were taken back and never delivered. A count the
// channel keeps itself: it answers at once, also for a vanished camera.
ECOCAM_SDK_DEFINE(int, StreamingChannel_getFrameLoss)(StreamingChannelHandle channel, int* frameLoss) {
  if (frameLoss == nullptr) return kNullArgument;
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto& channels = Streams().channels;
  const auto it = channels.find(channel);
  if (it == channels.end()) return kInvalidHandle;
  *frameLoss = static_cast<int>(it->second->counters.incomplete);
  return kOk;
}

}  // namespace simsdk
