// Handle maps, the count of live Aravis objects, the library's log and the
// texts of its result codes.
#include "arv_state.h"

#include <utility>

#include "arv_codes.h"
#include "platform/system.h"

namespace arvsdk {

namespace {

std::atomic<int> g_liveObjects{0};

void Forget(gpointer /*data*/, GObject* /*object*/) { --g_liveObjects; }

struct LogListener {
  int level;
  LogMessageCallback callback;
  void* context;
};

std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<LogListener>& Listeners() {
  static std::vector<LogListener> listeners;
  return listeners;
}

template <typename Map>
typename Map::mapped_type FindIn(std::mutex& mutex, Map& map, int handle) {
  std::lock_guard<std::mutex> lock(mutex);
  const auto it = map.find(handle);
  return it == map.end() ? nullptr : it->second;
}

}  // namespace

State& State::Get() {
  static State state;
  return state;
}

std::shared_ptr<CameraEntry> State::FindCamera(int handle) { return FindIn(mutex, cameras, handle); }
std::shared_ptr<ChannelEntry> State::FindChannel(StreamingChannelHandle handle) {
  return FindIn(mutex, channels, handle);
}
std::shared_ptr<ImageEntry> State::FindImage(ImageHandle handle) { return FindIn(mutex, images, handle); }

FrameTotals& Totals() {
  static FrameTotals totals;
  return totals;
}

void Track(gpointer object) {
  if (object == nullptr) return;
  ++g_liveObjects;
  g_object_weak_ref(G_OBJECT(object), Forget, nullptr);
}

int LiveObjects() { return g_liveObjects.load(); }

void Log(int level, const std::string& message) {
  std::vector<LogListener> listeners;
  {
    std::lock_guard<std::mutex> lock(LogMutex());
    listeners = Listeners();
  }
  for (const LogListener& listener : listeners) {
    if (listener.level >= level) listener.callback(message.c_str(), listener.context);
  }
  if (level <= 1) ecocam::platform::DebugOutput(("SVGigE (Aravis): " + message).c_str());
}

void AddLogListener(int level, LogMessageCallback callback, void* context) {
  std::lock_guard<std::mutex> lock(LogMutex());
  auto& listeners = Listeners();
  for (LogListener& listener : listeners) {
    if (listener.callback == callback && listener.context == context) {
      listener.level = level;
      return;
    }
  }
  listeners.push_back({level, callback, context});
}

std::string TakeError(GError* error) {
  if (error == nullptr) return {};
  std::string text = error->message != nullptr ? error->message : "unknown error";
  g_error_free(error);
  return text;
}

const char* CodeText(int code) {
  switch (code) {
    case kOk: return "success";
    case kNotSupported: return "not supported by this SDK";
    case kInvalidHandle: return "invalid handle";
    case kNotConnected: return "camera not connected";
    case kAlreadyConnected: return "already connected";
    case kOutOfRange: return "value out of range";
    case kNullArgument: return "null argument";
    case kVersionMismatch: return "version mismatch";
    case kInternalError: return "internal error";
    case kWrongPixelType: return "wrong pixel type";
    case kBufferTooSmall: return "buffer too small";
    case kFeatureMissing: return "the camera lacks the feature";
    case kCameraError: return "the camera refused the request";
    case kCameraLost: return "the camera stopped answering";
    default: return "unknown error code";
  }
}

}  // namespace arvsdk
