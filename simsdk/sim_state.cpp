#include "sim_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace simsdk {

namespace {

constexpr std::size_t kJournalLimit = 100000;  // oldest lines are dropped beyond this

constexpr const char* kEntryNames[kSdkEntryPointCount] = {
#define SIMSDK_NAME(row, ret, name, params, args, fallback) #name,
    ECOCAM_SDK_ENTRY_POINTS(SIMSDK_NAME, SIMSDK_NAME)
#undef SIMSDK_NAME
};

}  // namespace

int RowOfEntryPoint(const char* name) {
  if (name == nullptr) return -1;
  for (int row = 0; row < kSdkEntryPointCount; ++row) {
    if (std::strcmp(kEntryNames[row], name) == 0) return row;
  }
  return -1;
}

const char* EntryPointName(int row) { return row >= 0 && row < kSdkEntryPointCount ? kEntryNames[row] : ""; }

int HandleRegistry::Allocate(HandleKind kind) {
  int handle = 0;
  if (_reuse && !_freed.empty()) {
    handle = _freed.back();
    _freed.pop_back();
  } else {
    handle = _next++;
  }
  _live[handle] = kind;
  return handle;
}

void HandleRegistry::Release(int handle) {
  if (_live.erase(handle) != 0) _freed.push_back(handle);
}

bool HandleRegistry::Is(int handle, HandleKind kind) const {
  const auto it = _live.find(handle);
  return it != _live.end() && it->second == kind;
}

void HandleRegistry::Clear() {
  _live.clear();
  _freed.clear();
  _next = 1;
  _reuse = false;
}

std::vector<CameraModel> DefaultCameras() {
  CameraModel mono;
  mono.id = 1;
  mono.modelName = "eco424MVGE";
  CameraModel colour;
  colour.id = 2;
  colour.modelName = "eco424CVGE";
  colour.color = true;
  colour.pixelType = kPixelTypeBayerGR8;
  return {mono, colour};
}

SimState& SimState::Get() {
  // Destroyed when the library is unloaded, so nothing it holds outlives it.
  static SimState state;
  static std::once_flag once;
  std::call_once(once, [] {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.ResetLocked();
  });
  return state;
}

void SimState::ResetLocked() {
  listed = DefaultCameras();
  nextModelId = 3;
  if (const char* path = std::getenv("SIMSDK_CONFIG"); path != nullptr && *path != '\0') {
    std::vector<CameraModel> configured;
    int nextId = 1;
    if (ReadConfiguration(path, nextId, configured)) {
      listed = std::move(configured);
      nextModelId = nextId;
    }
  }
  containers.clear();
  cameras.clear();
  handles.Clear();
  std::fill(std::begin(faults), std::end(faults), Fault{});
  std::fill(std::begin(delaysMs), std::end(delaysMs), 0);
  journal.clear();
  const unsigned char initial[4] = {1, 4, 23, 52};
  std::copy(std::begin(initial), std::end(initial), version);
}

SimCamera* SimState::FindCameraLocked(CameraHandle handle) {
  if (!handles.Is(handle, HandleKind::kCamera)) return nullptr;
  const auto it = cameras.find(handle);
  return it == cameras.end() ? nullptr : it->second.get();
}

void SimState::DeleteCameraLocked(CameraHandle handle) {
  const auto it = cameras.find(handle);
  if (it == cameras.end()) return;
  const auto container = containers.find(it->second->container);
  if (container != containers.end()) {
    auto& list = container->second.cameras;
    list.erase(std::remove(list.begin(), list.end(), handle), list.end());
  }
  cameras.erase(it);
  handles.Release(handle);
}

const char* SimState::InternLocked(const std::string& text) { return texts.insert(text).first->c_str(); }

void SimState::JournalLocked(std::string line) {
  if (journal.size() >= kJournalLimit) journal.pop_front();
  journal.push_back(std::move(line));
}

}  // namespace simsdk
