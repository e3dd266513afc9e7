// The simulated SDK's version check, camera container, discovery,
// connections and camera identity.
#include <cstdio>
#include <string>

#include "sim_impl.h"

namespace simsdk {

namespace {

constexpr int kGigEContainer = 1;  // the only container type the simulation offers

// A text about a discovered camera (empty for an unknown handle), kept valid
// for the rest of the process.
template <typename Describe>
const char* CameraText(CameraHandle handle, Describe&& describe) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const SimCamera* camera = state.FindCameraLocked(handle);
  return state.InternLocked(camera != nullptr ? describe(*camera) : std::string());
}

}  // namespace

// Writes the simulated version into `dllVersion`; 0 when it equals
// `expectedVersion` byte for byte, kVersionMismatch otherwise.
ECOCAM_SDK_DEFINE(int, isVersionCompliantDLL)(SdkVersion* dllVersion, const SdkVersion* expectedVersion) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const SdkVersion own = {state.version[0], state.version[1], state.version[2], state.version[3]};
  if (dllVersion != nullptr) *dllVersion = own;
  if (expectedVersion == nullptr) return kNullArgument;
  const bool same = own.major == expectedVersion->major && own.minor == expectedVersion->minor &&
                    own.revision == expectedVersion->revision && own.build == expectedVersion->build;
  return same ? kOk : kVersionMismatch;
}

namespace {
// Deletes every camera found in `container`; false when it is no container.
bool ForgetCamerasLocked(SimState& state, CameraContainerHandle container) {
  const auto it = state.containers.find(container);
  if (it == state.containers.end() || !state.handles.Is(container, HandleKind::kContainer)) {
    return false;
  }
  for (const CameraHandle camera : std::vector<CameraHandle>(it->second.cameras)) {
    state.DeleteCameraLocked(camera);
  }
  return true;
}
}  // namespace

// A new, empty container; -1 for an unknown container type.
ECOCAM_SDK_DEFINE(CameraContainerHandle, CameraContainer_create)(int containerType) {
  if (containerType != kGigEContainer) return kNoContainer;
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const int handle = state.handles.Allocate(HandleKind::kContainer);
  state.containers[handle] = SimContainer{};
  return handle;
}

// Deletes the container and every camera discovered in it.
ECOCAM_SDK_DEFINE(int, CameraContainer_delete)(CameraContainerHandle container) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!ForgetCamerasLocked(state, container)) return kInvalidHandle;
  state.containers.erase(container);
  state.handles.Release(container);
  return kOk;
}

// Finds the listed cameras, replacing what an earlier discovery found.
ECOCAM_SDK_DEFINE(int, CameraContainer_discovery)(CameraContainerHandle container) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!ForgetCamerasLocked(state, container)) return kInvalidHandle;
  SimContainer& found = state.containers[container];
  for (const CameraModel& model : state.listed) {
    auto camera = std::make_unique<SimCamera>();
    camera->handle = state.handles.Allocate(HandleKind::kCamera);
    camera->container = container;
    camera->model = model;
    camera->settings.aoiWidth = model.imagerWidth;
    camera->settings.aoiHeight = model.imagerHeight;
    found.cameras.push_back(camera->handle);
    state.cameras[camera->handle] = std::move(camera);
  }
  return kOk;
}

// Cameras found by the last discovery; 0 for an unknown container.
ECOCAM_SDK_DEFINE(int, CameraContainer_getNumberOfCameras)(CameraContainerHandle container) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  return it == state.containers.end() ? 0 : static_cast<int>(it->second.cameras.size());
}

// The camera at `cameraIndex`; 0 when there is none.
ECOCAM_SDK_DEFINE(CameraHandle, CameraContainer_getCamera)(CameraContainerHandle container, int cameraIndex) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  if (it == state.containers.end()) return 0;
  const auto& cameras = it->second.cameras;
  if (cameraIndex < 0 || cameraIndex >= static_cast<int>(cameras.size())) return 0;
  return cameras[cameraIndex];
}

// The first camera whose model name is `cameraName`; 0 when there is none.
ECOCAM_SDK_DEFINE(CameraHandle, CameraContainer_findCamera)(CameraContainerHandle container, const char* cameraName) {
  if (cameraName == nullptr) return 0;
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  if (it == state.containers.end()) return 0;
  for (const CameraHandle handle : it->second.cameras) {
    const SimCamera* camera = state.FindCameraLocked(handle);
    if (camera != nullptr && camera->model.modelName == cameraName) return handle;
  }
  return 0;
}

// Opens the connection; the camera keeps the settings it was given before.
// A vanished camera does not answer: kCameraTimeout after its delay.
ECOCAM_SDK_DEFINE(int, Camera_openConnection)(CameraHandle camera, float timeout) {
  SimState& state = SimState::Get();
  int delayMs = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    SimCamera* found = state.FindCameraLocked(camera);
    if (found == nullptr) return kInvalidHandle;
    if (found->connected) return kAlreadyConnected;
    if (!(timeout > 0.0f)) return kOutOfRange;
    if (!found->vanished) {
      found->connected = true;
      return kOk;
    }
    delayMs = found->model.answerDelayMs;
  }
  return AnswerTimedOut(delayMs);
}

// Closes the connection and stops acquisition. Only the local end is torn
// down, so this answers at once also for a camera that has vanished.
ECOCAM_SDK_DEFINE(int, Camera_closeConnection)(CameraHandle camera) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  SimCamera* found = state.FindCameraLocked(camera);
  if (found == nullptr) return kInvalidHandle;
  if (!found->connected) return kNotConnected;
  found->connected = false;
  found->connectionLost = false;
  found->settings.acquisitionControl = 0;
  return kOk;
}

ECOCAM_SDK_DEFINE(const char*, Camera_getManufacturerName)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera&) { return std::string("ecocam simulation"); });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getModelName)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) { return c.model.modelName; });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getDeviceVersion)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera&) { return std::string("1.0.0"); });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getManufacturerSpecificInformation)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) {
    return std::to_string(c.model.imagerWidth) + "x" + std::to_string(c.model.imagerHeight) +
           (c.model.color ? " color" : " mono");
  });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getSerialNumber)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) { return "SIM" + std::to_string(10000 + c.model.id); });
}

// Any text, null for none. Works with the connection closed, like identity.
ECOCAM_SDK_DEFINE(int, Camera_setUserDefinedName)(CameraHandle camera, const char* userDefinedName) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  SimCamera* found = state.FindCameraLocked(camera);
  if (found == nullptr) return kInvalidHandle;
  found->settings.userDefinedName = userDefinedName != nullptr ? userDefinedName : "";
  return kOk;
}

ECOCAM_SDK_DEFINE(const char*, Camera_getUserDefinedName)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) { return c.settings.userDefinedName; });
}

// Locally administered addresses, one per listed camera.
ECOCAM_SDK_DEFINE(const char*, Camera_getMacAddress)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) {
    char text[32];
    std::snprintf(text, sizeof text, "02:00:00:00:%02X:%02X", (c.model.id >> 8) & 0xFF, c.model.id & 0xFF);
    return std::string(text);
  });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getIPAddress)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera& c) {
    return "192.168." + std::to_string((c.model.id >> 8) & 0xFF) + "." + std::to_string(c.model.id & 0xFF);
  });
}

ECOCAM_SDK_DEFINE(const char*, Camera_getSubnetMask)(CameraHandle camera) {
  return CameraText(camera, [](const SimCamera&) { return std::string("255.255.0.0"); });
}

// The simulated cameras announce no optional features.
ECOCAM_SDK_DEFINE(bool, Camera_isCameraFeature)(CameraHandle, int) { return false; }

ECOCAM_SDK_DEFINE(const char*, Error_getMessage)(int errorCode) {
  switch (errorCode) {
    case kOk: return "success";
    case kNotSupported: return "function not supported";
    case kInvalidHandle: return "invalid handle";
    case kNotConnected: return "camera not connected";
    case kAlreadyConnected: return "camera already connected";
    case kOutOfRange: return "value out of range";
    case kNullArgument: return "null pointer argument";
    case kVersionMismatch: return "version not compliant";
    case kInternalError: return "internal error";
    case kWrongPixelType: return "pixel type does not allow this conversion";
    case kBufferTooSmall: return "buffer too small";
    case kCameraTimeout: return "camera did not answer in time";
    default: return "unknown error";
  }
}

}  // namespace simsdk
