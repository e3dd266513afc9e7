// The control interface for tests (simsdk_control.h). Never called by the
// driver. Each function takes the state's lock for its whole run.
#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "sim_state.h"
#include "sim_streaming.h"
#include "simsdk_control.h"

namespace {

using simsdk::SimState;

std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(SimState::Get().mutex); }

// The listed camera at `index`, or null.
simsdk::CameraModel* ListedCamera(int index) {
  auto& listed = SimState::Get().listed;
  return index >= 0 && index < static_cast<int>(listed.size()) ? &listed[index] : nullptr;
}

}  // namespace

#define SIMSDK_CONTROL(ret, name) extern "C" ECOCAM_EXPORT_SYMBOL ret ECOCAM_SDK_CALL name

SIMSDK_CONTROL(int, SimSdk_reset)() {
  simsdk::ResetStreaming();  // waits for the channels' threads, so without the lock
  const auto lock = Lock();
  SimState::Get().ResetLocked();
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_clearCameras)() {
  const auto lock = Lock();
  SimState::Get().listed.clear();
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_addCamera)(const char* modelName, int imagerWidth, int imagerHeight, int color) {
  if (imagerWidth <= 0 || imagerHeight <= 0) return -1;
  const auto lock = Lock();
  SimState& state = SimState::Get();
  simsdk::CameraModel model;
  model.id = state.nextModelId++;
  model.modelName = modelName != nullptr ? modelName : "";
  model.imagerWidth = imagerWidth;
  model.imagerHeight = imagerHeight;
  model.color = color != 0;
  if (model.color) model.pixelType = simsdk::kPixelTypeBayerGR8;
  state.listed.push_back(model);
  return static_cast<int>(state.listed.size()) - 1;
}

SIMSDK_CONTROL(int, SimSdk_setCameraLimit)(int index, const char* limitName, double value) {
  const auto lock = Lock();
  simsdk::CameraModel* model = ListedCamera(index);
  if (model == nullptr) return simsdk::kInvalidHandle;
  if (limitName == nullptr || !simsdk::SetCameraLimit(*model, limitName, value)) return simsdk::kUnknownName;
  return simsdk::kOk;
}

// Removes the listed camera; cameras discovered from it vanish from their
// containers and their handles become invalid.
SIMSDK_CONTROL(int, SimSdk_removeCamera)(int index) {
  const auto lock = Lock();
  SimState& state = SimState::Get();
  const simsdk::CameraModel* model = ListedCamera(index);
  if (model == nullptr) return simsdk::kInvalidHandle;
  const int id = model->id;
  std::vector<simsdk::CameraHandle> gone;
  for (const auto& [handle, camera] : state.cameras) {
    if (camera->model.id == id) gone.push_back(handle);
  }
  for (const auto handle : gone) state.DeleteCameraLocked(handle);
  state.listed.erase(state.listed.begin() + index);
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_getCameraCount)() {
  const auto lock = Lock();
  return static_cast<int>(SimState::Get().listed.size());
}

SIMSDK_CONTROL(int, SimSdk_loadConfiguration)(const char* path) {
  if (path == nullptr) return simsdk::kNullArgument;
  const auto lock = Lock();
  SimState& state = SimState::Get();
  int nextId = state.nextModelId;
  std::vector<simsdk::CameraModel> models;
  if (!simsdk::ReadConfiguration(path, nextId, models)) return simsdk::kBadConfiguration;
  state.listed = std::move(models);
  state.nextModelId = nextId;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_failCall)(const char* entryPoint, int code, int always) {
  const int row = simsdk::RowOfEntryPoint(entryPoint);
  if (row < 0) return simsdk::kUnknownName;
  const auto lock = Lock();
  SimState::Get().faults[row] = simsdk::Fault{code, always != 0};
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_clearFaults)() {
  const auto lock = Lock();
  auto& faults = SimState::Get().faults;
  std::fill(std::begin(faults), std::end(faults), simsdk::Fault{});
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_failCallAt)(const char* entryPoint, int code, int position) {
  const int row = simsdk::RowOfEntryPoint(entryPoint);
  if (row < 0) return simsdk::kUnknownName;
  if (position < 1) return simsdk::kOutOfRange;
  const auto lock = Lock();
  SimState::Get().faults[row] = simsdk::Fault{code, false, position - 1};
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_delayCall)(const char* entryPoint, int milliseconds) {
  const int row = simsdk::RowOfEntryPoint(entryPoint);
  if (row < 0) return simsdk::kUnknownName;
  if (milliseconds < 0) return simsdk::kOutOfRange;
  const auto lock = Lock();
  SimState::Get().delaysMs[row] = milliseconds;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_setVersion)(int major, int minor, int revision, int build) {
  for (const int part : {major, minor, revision, build}) {
    if (part < 0 || part > 255) return simsdk::kOutOfRange;
  }
  const auto lock = Lock();
  unsigned char* version = SimState::Get().version;
  version[0] = static_cast<unsigned char>(major);
  version[1] = static_cast<unsigned char>(minor);
  version[2] = static_cast<unsigned char>(revision);
  version[3] = static_cast<unsigned char>(build);
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_setHandleReuse)(int enable) {
  const auto lock = Lock();
  SimState::Get().handles.SetReuse(enable != 0);
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_getJournalCount)() {
  const auto lock = Lock();
  return static_cast<int>(SimState::Get().journal.size());
}

SIMSDK_CONTROL(int, SimSdk_getJournalEntry)(int index, char* buffer, int bufferSize) {
  const auto lock = Lock();
  const auto& journal = SimState::Get().journal;
  if (index < 0 || index >= static_cast<int>(journal.size())) return -1;
  const std::string& line = journal[index];
  if (buffer != nullptr && bufferSize > 0) {
    const std::size_t n = std::min(line.size(), static_cast<std::size_t>(bufferSize) - 1);
    std::memcpy(buffer, line.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<int>(line.size());
}

SIMSDK_CONTROL(int, SimSdk_clearJournal)() {
  const auto lock = Lock();
  SimState::Get().journal.clear();
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_findCamera)(const char* modelName) {
  if (modelName == nullptr) return 0;
  const auto lock = Lock();
  for (const auto& [handle, camera] : SimState::Get().cameras) {
    if (camera->model.modelName == modelName) return handle;
  }
  return 0;
}

SIMSDK_CONTROL(int, SimSdk_setPixelType)(int camera, int pixelType) {
  const auto lock = Lock();
  simsdk::SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr) return simsdk::kInvalidHandle;
  found->model.pixelType = pixelType;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_setFrameSize)(int camera, int width, int height) {
  if (width < 0 || height < 0 || (width == 0) != (height == 0)) return simsdk::kOutOfRange;
  const auto lock = Lock();
  simsdk::SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr) return simsdk::kInvalidHandle;
  found->model.frameWidth = width;
  found->model.frameHeight = height;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_fireTrigger)(int camera) {
  const auto lock = Lock();
  if (SimState::Get().FindCameraLocked(camera) == nullptr) return simsdk::kInvalidHandle;
  simsdk::TriggerLocked(camera, (1u << 3) | (1u << 4));
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_pauseFrames)(int pause) {
  const auto lock = Lock();
  simsdk::StreamingState& streams = simsdk::Streams();
  streams.paused = pause != 0;
  for (auto& [handle, channel] : streams.channels) channel->wake.notify_all();
  return simsdk::kOk;
}

namespace {

// The counters of a channel, or of all channels for 0; null for a channel
// that does not exist. With the simulation's lock held.
const simsdk::FrameCounters* CountersOf(int channel) {
  simsdk::StreamingState& streams = simsdk::Streams();
  if (channel == 0) return &streams.totals;
  const auto it = streams.channels.find(channel);
  return it == streams.channels.end() ? nullptr : &it->second->counters;
}

}  // namespace

SIMSDK_CONTROL(int, SimSdk_getFrameCounters)
(int channel, long long* produced, long long* delivered, long long* lost, long long* released, long long* reclaimed) {
  const auto lock = Lock();
  const simsdk::FrameCounters* counters = CountersOf(channel);
  if (counters == nullptr) return simsdk::kInvalidHandle;
  if (produced != nullptr) *produced = counters->produced;
  if (delivered != nullptr) *delivered = counters->delivered;
  if (lost != nullptr) *lost = counters->lost;
  if (released != nullptr) *released = counters->released;
  if (reclaimed != nullptr) *reclaimed = counters->reclaimed;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_getReclaimCounters)(int channel, long long* refused, long long* abandoned) {
  const auto lock = Lock();
  const simsdk::FrameCounters* counters = CountersOf(channel);
  if (counters == nullptr) return simsdk::kInvalidHandle;
  if (refused != nullptr) *refused = counters->refused;
  if (abandoned != nullptr) *abandoned = counters->abandoned;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_getChannelCount)() {
  const auto lock = Lock();
  return static_cast<int>(simsdk::Streams().channels.size());
}

SIMSDK_CONTROL(int, SimSdk_getLiveObjects)(int* containers, int* connections, int* channels, int* images) {
  const auto lock = Lock();
  const SimState& state = SimState::Get();
  const simsdk::StreamingState& streams = simsdk::Streams();
  const auto connected = std::count_if(state.cameras.begin(), state.cameras.end(),
                                       [](const auto& entry) { return entry.second->connected; });
  if (containers != nullptr) *containers = static_cast<int>(state.containers.size());
  if (connections != nullptr) *connections = static_cast<int>(connected);
  if (channels != nullptr) *channels = static_cast<int>(streams.channels.size());
  if (images != nullptr) *images = static_cast<int>(streams.images.size() + streams.signals.size());
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_setPacketLoss)(int camera, int lostPerThousand, int resentPerThousand) {
  if (lostPerThousand < 0 || lostPerThousand > 1000 || resentPerThousand < 0 || resentPerThousand > 1000) {
    return simsdk::kOutOfRange;
  }
  const auto lock = Lock();
  simsdk::SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr) return simsdk::kInvalidHandle;
  found->model.packetsLostPerThousand = lostPerThousand;
  found->model.packetsResentPerThousand = resentPerThousand;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_getLossCounters)(int channel, long long* incomplete, long long* resent) {
  const auto lock = Lock();
  const simsdk::FrameCounters* counters = CountersOf(channel);
  if (counters == nullptr) return simsdk::kInvalidHandle;
  if (incomplete != nullptr) *incomplete = counters->incomplete;
  if (resent != nullptr) *resent = counters->resent;
  return simsdk::kOk;
}

SIMSDK_CONTROL(int, SimSdk_vanishCamera)(int camera, int answerDelayMs) {
  if (answerDelayMs < 0) return simsdk::kOutOfRange;
  const auto lock = Lock();
  simsdk::SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr) return simsdk::kInvalidHandle;
  found->model.answerDelayMs = answerDelayMs;
  if (!found->vanished) simsdk::VanishLocked(*found);
  return simsdk::kOk;
}

// The camera comes back as after a power cycle: at its power-on settings.
SIMSDK_CONTROL(int, SimSdk_restoreCamera)(int camera) {
  const auto lock = Lock();
  simsdk::SimCamera* found = SimState::Get().FindCameraLocked(camera);
  if (found == nullptr) return simsdk::kInvalidHandle;
  if (!found->vanished) return simsdk::kOk;
  found->vanished = false;
  found->framesSent = 0;
  found->settings = simsdk::CameraSettings{};
  found->settings.aoiWidth = found->model.imagerWidth;
  found->settings.aoiHeight = found->model.imagerHeight;
  return simsdk::kOk;
}

// Each definition above has exactly the type its list entry declares.
#define SIMSDK_CONTROL_CHECK(ret, name, params) \
  static_assert(std::is_same_v<decltype(&name), simsdk::name##_fn>, #name " differs from its declaration");
SIMSDK_CONTROL_API(SIMSDK_CONTROL_CHECK)
#undef SIMSDK_CONTROL_CHECK
