// Streaming channels: an Aravis stream with the requested number of buffers,
// whose thread hands every complete frame to the driver's callback.
// Incomplete or failed frames go straight back to the stream and are
// counted. A delivered image stays out until Image_release returns its buffer
// to the stream.
#include "arv_streaming.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "arv_impl.h"
#include "arv_loss.h"

namespace arvsdk {

namespace {

constexpr int kGvspOverhead = 36;  // IP, UDP and stream headers of a packet
constexpr int kMaxBuffers = 1000;
constexpr int kPixelTypeRGB8 = 0x02180014;  // GigE Vision RGB8 (Packed)

// The system's cap on a socket's receive buffer (net.core.rmem_max), or 0
// when it cannot be read.
long long ReceiveBufferCap() {
  std::ifstream file("/proc/sys/net/core/rmem_max");
  long long cap = 0;
  return file >> cap ? cap : 0;
}

// The stream's UDP socket: the descriptor of this process bound to the
// stream's local port, or -1. Aravis does not hand its socket out.
int StreamSocket(ArvStream* stream) {
  const guint16 port = arv_gv_stream_get_port(ARV_GV_STREAM(stream));
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return -1;
  int found = -1;
  while (const dirent* entry = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    int type = 0;
    socklen_t typeLength = sizeof type;
    sockaddr_in address{};
    socklen_t addressLength = sizeof address;
    if (getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_DGRAM) continue;
    if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&address), &addressLength) != 0) continue;
    if (address.sin_family == AF_INET && ntohs(address.sin_port) == port) {
      found = static_cast<int>(fd);
      break;
    }
  }
  closedir(fds);
  return found;
}

// A receive buffer of at least one frame keeps a burst of packets from being
// dropped by the kernel, which also counts each packet's bookkeeping against
// the buffer: two frames' worth is asked for. Aravis would size its socket
// only when the first frame starts, too late for that frame's burst, so the
// socket is sized here, before any frame. Where the system caps the buffer
// below one frame (net.core.rmem_max), that is said once.
void SizeSocketBuffer(ArvStream* stream, std::size_t payload) {
  if (!ARV_IS_GV_STREAM(stream)) return;
  const int wanted = static_cast<int>(std::min<std::size_t>(2 * payload, G_MAXINT / 2));
  g_object_set(stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size", wanted, nullptr);
  const int fd = StreamSocket(stream);
  if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
  static std::atomic<bool> said{false};
  const long long cap = ReceiveBufferCap();
  if (cap > 0 && static_cast<long long>(payload) > cap && !said.exchange(true)) {
    Log(1, "StreamingChannel_create: WARNING: the socket receive buffer is capped at " + std::to_string(cap) +
               " bytes by net.core.rmem_max, less than one frame of " + std::to_string(payload) +
               " bytes; large frames may lose packets (raise net.core.rmem_max)");
  }
}

int PixelTypeOf(ArvBuffer* buffer) {
  const int format = static_cast<int>(arv_buffer_get_image_pixel_format(buffer));
  return format == kPixelTypeRGB8 ? kPixelTypeRGB24 : format;
}

// Hands the buffer back to its stream, unless the channel is being deleted,
// in which case the buffer is freed.
void ReturnBuffer(ChannelEntry& channel, ArvBuffer* buffer) {
  std::lock_guard<std::mutex> lock(channel.mutex);
  if (channel.stopping) {
    g_object_unref(buffer);
  } else {
    arv_stream_push_buffer(channel.stream, buffer);
  }
}

// Hands `image` to the driver's callback under a new handle. A refused
// image comes back at once, unless the driver released it already.
void Hand(ChannelEntry& channel, const std::shared_ptr<ImageEntry>& image) {
  State& state = State::Get();
  ImageHandle handle = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    handle = state.AllocateLocked();
    state.images[handle] = image;
  }
  int answer = -1;
  try {
    answer = channel.callback(handle, channel.context);
  } catch (...) {
    answer = -1;  // a callback must not throw; taken as a refusal
  }
  if (answer == 0) return;
  ++channel.refused;
  ++Totals().refused;
  bool mine = false;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    mine = state.images.erase(handle) > 0;
  }
  if (mine && image->buffer != nullptr) ReturnBuffer(channel, image->buffer);
}

void Deliver(ChannelEntry& channel, ArvBuffer* buffer) {
  auto image = std::make_shared<ImageEntry>();
  image->buffer = buffer;
  image->channel = State::Get().FindChannel(channel.handle);
  if (image->channel == nullptr) {
    ReturnBuffer(channel, buffer);
    return;
  }
  std::size_t size = 0;
  image->data = static_cast<const std::uint8_t*>(arv_buffer_get_image_data(buffer, &size));
  image->size = size;
  image->sizeX = arv_buffer_get_image_width(buffer);
  image->sizeY = arv_buffer_get_image_height(buffer);
  image->pixelType = PixelTypeOf(buffer);
  image->imageId = static_cast<int>(arv_buffer_get_frame_id(buffer));
  image->timestamp = static_cast<double>(arv_buffer_get_timestamp(buffer)) * 1e-9;
  image->transferTime = static_cast<double>(size) * 8.0 / 1e9;  // at 1 Gbit/s
  const std::size_t perPacket = static_cast<std::size_t>(std::max(channel.packetSize - kGvspOverhead, 1));
  image->packetCount = static_cast<int>((size + perPacket - 1) / perPacket) + 2;  // with leader and trailer
  image->packetResend = static_cast<int>(std::min<long long>(channel.resentPending, G_MAXINT));
  channel.resentPending = 0;
  ++channel.delivered;
  ++Totals().delivered;
  Hand(channel, image);
}

// Aravis counts resent packets per stream only, not per frame. A frame is
// complete only once its resent packets are in, so the packets resent since
// the last delivered frame are credited to the next one delivered: mostly
// the frame they belong to, and never lost from the totals.
void CountResent(ChannelEntry& channel, ArvStream* stream) {
  if (!ARV_IS_GV_STREAM(stream)) return;
  guint64 resent = 0;
  guint64 missing = 0;
  arv_gv_stream_get_statistics(ARV_GV_STREAM(stream), &resent, &missing);
  if (resent <= channel.resentSeen) return;
  const long long added = static_cast<long long>(resent - channel.resentSeen);
  channel.resentSeen = resent;
  channel.resentPending += added;
  channel.resent += added;
  Totals().resent += added;
}

// The stream's "new-buffer" signal, on the stream's own thread.
void OnNewBuffer(ArvStream* stream, gpointer data) {
  ChannelEntry& channel = *static_cast<ChannelEntry*>(data);
  {
    std::lock_guard<std::mutex> lock(channel.mutex);
    if (channel.stopping) return;
    ++channel.inCallback;
    channel.streamThread = std::this_thread::get_id();
  }
  try {
    ArvBuffer* buffer = arv_stream_try_pop_buffer(stream);
    if (buffer != nullptr) {
      CountResent(channel, stream);
      if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS &&
          arv_buffer_get_payload_type(buffer) == ARV_BUFFER_PAYLOAD_TYPE_IMAGE) {
        Deliver(channel, buffer);
      } else {
        ++channel.incomplete;
        ++Totals().incomplete;
        Log(3, "Aravis: incomplete frame returned to the stream, status " +
                   std::to_string(static_cast<int>(arv_buffer_get_status(buffer))));
        ReturnBuffer(channel, buffer);
      }
    }
  } catch (...) {
    // nothing may unwind into GLib's signal emission
  }
  std::lock_guard<std::mutex> lock(channel.mutex);
  --channel.inCallback;
  channel.idle.notify_all();
}

}  // namespace

void SignalConnectionLost(const CameraEntry& camera) {
  std::vector<std::shared_ptr<ChannelEntry>> channels;
  {
    State& state = State::Get();
    std::lock_guard<std::mutex> lock(state.mutex);
    for (const auto& [handle, channel] : state.channels) {
      if (channel->camera.get() == &camera) channels.push_back(channel);
    }
  }
  for (const auto& channel : channels) {
    {
      std::lock_guard<std::mutex> lock(channel->mutex);
      if (channel->stopping || channel->lossSignalled.exchange(true)) continue;
      ++channel->inCallback;
      channel->signalThread = std::this_thread::get_id();
    }
    auto image = std::make_shared<ImageEntry>();
    image->channel = channel;
    image->signalType = kSignalCameraConnectionLost;
    try {
      Hand(*channel, image);
    } catch (...) {
      // nothing may unwind into GLib's signal emission
    }
    std::lock_guard<std::mutex> lock(channel->mutex);
    --channel->inCallback;
    channel->idle.notify_all();
  }
}

int DeleteChannel(StreamingChannelHandle handle) {
  State& state = State::Get();
  std::shared_ptr<ChannelEntry> channel;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.channels.find(handle);
    if (it == state.channels.end()) return kInvalidHandle;
    channel = it->second;
    state.channels.erase(it);
  }
  const bool onStreamThread = [&] {
    std::unique_lock<std::mutex> lock(channel->mutex);
    channel->stopping = true;
    const std::thread::id self = std::this_thread::get_id();
    const bool inside = channel->inCallback > 0 && (channel->streamThread == self || channel->signalThread == self);
    if (!inside) channel->idle.wait(lock, [&] { return channel->inCallback == 0; });
    return inside;
  }();
  arv_stream_set_emit_signals(channel->stream, FALSE);
  g_signal_handler_disconnect(channel->stream, channel->signalId);
  // Images still out are taken back: their buffers are freed with the stream's.
  std::vector<ArvBuffer*> reclaimed;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    for (auto it = state.images.begin(); it != state.images.end();) {
      if (it->second->channel == channel) {
        reclaimed.push_back(it->second->buffer);
        it = state.images.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (ArvBuffer* buffer : reclaimed) {
    if (buffer != nullptr) g_object_unref(buffer);
  }
  // Freeing the stream tells the camera to stop streaming: on a camera that
  // no longer answers, the probe cuts the connection first so that it fails
  // at once.
  LostNow(*channel->camera);
  ArvStream* stream = channel->stream;
  if (onStreamThread) {
    // Freeing a stream joins its thread: from that thread itself, leave it
    // to a helper that waits for this callback to return.
    std::thread([stream] { g_object_unref(stream); }).detach();
  } else {
    g_object_unref(stream);
  }
  Log(2, "StreamingChannel_delete: " + std::to_string(channel->delivered.load()) + " delivered, " +
             std::to_string(channel->incomplete.load()) + " incomplete, " + std::to_string(channel->resent.load()) +
             " packets resent");
  return kOk;
}

void DeleteChannelsOf(const CameraEntry* camera) {
  std::vector<StreamingChannelHandle> handles;
  {
    State& state = State::Get();
    std::lock_guard<std::mutex> lock(state.mutex);
    for (const auto& [handle, channel] : state.channels) {
      if (channel->camera.get() == camera) handles.push_back(handle);
    }
  }
  for (const StreamingChannelHandle handle : handles) DeleteChannel(handle);
}

ECOCAM_SDK_DEFINE(int, Camera_evaluateMaximalPacketSize)(CameraHandle camera, int* packetSize) {
  if (packetSize == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (!ARV_IS_GV_DEVICE(arv_camera_get_device(e.camera))) return kNotSupported;
    GError* error = nullptr;
    const guint size = arv_camera_gv_auto_packet_size(e.camera, &error);
    if (error != nullptr) {
      Log(1, "Camera_evaluateMaximalPacketSize: ERROR: " + TakeError(error));
      return kCameraError;
    }
    *packetSize = static_cast<int>(size);
    return kOk;
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setStreamingPacketSize)(CameraHandle camera, int packetSize) {
  if (packetSize < 576 || packetSize > 16384) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (!ARV_IS_GV_DEVICE(arv_camera_get_device(e.camera))) return kNotSupported;
    GError* error = nullptr;
    arv_camera_gv_set_packet_size(e.camera, packetSize, &error);
    return error == nullptr ? kOk : (g_clear_error(&error), kCameraError);
  });
}

// One channel per camera, with 1 to 1000 buffers of one frame each.
ECOCAM_SDK_DEFINE(int, StreamingChannel_create)
(StreamingChannelHandle* channel, CameraContainerHandle container, CameraHandle camera, int bufferCount,
 StreamCallback callback, void* context) {
  if (channel == nullptr || callback == nullptr) return kNullArgument;
  if (bufferCount < 1 || bufferCount > kMaxBuffers) return kOutOfRange;
  State& state = State::Get();
  const std::shared_ptr<CameraEntry> entry = state.FindCamera(camera);
  if (entry == nullptr || entry->container != container) return kInvalidHandle;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    for (const auto& [handle, existing] : state.channels) {
      if (existing->camera == entry) return kAlreadyConnected;
    }
  }
  std::lock_guard<std::mutex> cameraLock(entry->mutex);
  if (entry->camera == nullptr) return kNotConnected;
  if (entry->lost) return kCameraLost;
  auto created = std::make_shared<ChannelEntry>();
  created->camera = entry;
  created->callback = callback;
  created->context = context;
  GError* error = nullptr;
  created->payload = arv_camera_get_payload(entry->camera, &error);
  if (error == nullptr && ARV_IS_GV_DEVICE(arv_camera_get_device(entry->camera))) {
    created->packetSize = static_cast<int>(arv_camera_gv_get_packet_size(entry->camera, &error));
  }
  if (error != nullptr || created->payload == 0) {
    Log(1, "StreamingChannel_create: ERROR: no payload size: " + TakeError(error));
    return kCameraError;
  }
  {
    std::lock_guard<std::mutex> sockets(SocketsMutex());
    created->stream = arv_camera_create_stream(entry->camera, nullptr, nullptr, &error);
  }
  if (created->stream == nullptr) {
    Log(1, "StreamingChannel_create: ERROR: " + TakeError(error));
    return kCameraError;
  }
  if (error != nullptr) g_clear_error(&error);
  Track(created->stream);
  SizeSocketBuffer(created->stream, created->payload);
  // Missing packets are asked for again, so a frame that lost a few on the
  // way still arrives complete.
  if (ARV_IS_GV_STREAM(created->stream)) {
    g_object_set(created->stream, "packet-resend", ARV_GV_STREAM_PACKET_RESEND_ALWAYS, nullptr);
  }
  for (int i = 0; i < bufferCount; ++i) {
    ArvBuffer* buffer = arv_buffer_new_allocate(created->payload);
    Track(buffer);
    arv_stream_push_buffer(created->stream, buffer);
  }
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    created->handle = state.AllocateLocked();
    state.channels[created->handle] = created;
  }
  created->signalId = g_signal_connect(created->stream, "new-buffer", G_CALLBACK(OnNewBuffer), created.get());
  arv_stream_set_emit_signals(created->stream, TRUE);
  *channel = created->handle;
  Log(2, "StreamingChannel_create: " + std::to_string(bufferCount) + " buffers of " + std::to_string(created->payload) +
             " bytes, packet size " + std::to_string(created->packetSize));
  return kOk;
}

ECOCAM_SDK_DEFINE(int, StreamingChannel_delete)(StreamingChannelHandle channel) { return DeleteChannel(channel); }

// Frames that arrived incomplete or failed (still missing packets after
// resends) and were handed back to the stream, not delivered, since the
// channel was created.
ECOCAM_SDK_DEFINE(int, StreamingChannel_getFrameLoss)(StreamingChannelHandle channel, int* frameLoss) {
  if (frameLoss == nullptr) return kNullArgument;
  const std::shared_ptr<ChannelEntry> found = State::Get().FindChannel(channel);
  if (found == nullptr) return kInvalidHandle;
  *frameLoss = static_cast<int>(found->incomplete.load());
  return kOk;
}

ECOCAM_SDK_DEFINE(int, StreamingChannel_getBufferSize)(StreamingChannelHandle channel, int* bufferSize) {
  if (bufferSize == nullptr) return kNullArgument;
  const std::shared_ptr<ChannelEntry> found = State::Get().FindChannel(channel);
  if (found == nullptr) return kInvalidHandle;
  *bufferSize = static_cast<int>(found->payload);
  return kOk;
}

}  // namespace arvsdk
