// The version check, camera containers, discovery of GigE Vision devices,
// camera identity and connections.
#include <cstring>
#include <set>
#include <string>

#include "arv_features.h"
#include "arv_impl.h"
#include "arv_loss.h"
#include "arv_streaming.h"

namespace arvsdk {

namespace {

constexpr int kGigEContainer = 1;  // the only container type there is
constexpr SdkVersion kOwnVersion = {1, 4, 23, 52};

// Closes the connection of `entry`: its channels first, then the camera.
// Freeing the connection gives up control of the camera; a camera that no
// longer answers has its connection cut first, so that this fails at once.
void CloseCamera(CameraEntry& entry) {
  DeleteChannelsOf(&entry);
  std::lock_guard<std::mutex> lock(entry.mutex);
  if (entry.camera == nullptr) return;
  UnwatchControl(entry);
  ForgetMissing(entry.camera);
  LostNow(entry);
  {
    // Aravis closes the socket with the connection: no cut after this.
    std::lock_guard<std::mutex> sockets(entry.socketMutex);
    entry.controlSocket = -1;
  }
  g_object_unref(entry.camera);  // joins Aravis's heartbeat thread
  entry.camera = nullptr;
}

// Forgets the cameras found in `container`, closing their connections.
void ForgetCameras(CameraContainerHandle container) {
  State& state = State::Get();
  std::vector<std::shared_ptr<CameraEntry>> forgotten;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.containers.find(container);
    if (it == state.containers.end()) return;
    for (const int handle : it->second) {
      const auto found = state.cameras.find(handle);
      if (found == state.cameras.end()) continue;
      forgotten.push_back(found->second);
      state.cameras.erase(found);
    }
    it->second.clear();
  }
  for (const auto& entry : forgotten) CloseCamera(*entry);
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// A text about a discovered camera (empty for an unknown handle).
template <typename Field>
const char* CameraText(CameraHandle camera, Field field) {
  const std::shared_ptr<CameraEntry> entry = State::Get().FindCamera(camera);
  return Intern(entry != nullptr ? (*entry).*field : std::string());
}

}  // namespace

bool CameraLostNow(CameraEntry& entry) { return LostNow(entry); }

const char* Intern(const std::string& text) {
  static std::mutex mutex;
  static std::set<std::string> texts;
  std::lock_guard<std::mutex> lock(mutex);
  return texts.insert(text).first->c_str();
}

ECOCAM_SDK_DEFINE(int, isVersionCompliantDLL)(SdkVersion* dllVersion, const SdkVersion* expectedVersion) {
  if (dllVersion != nullptr) *dllVersion = kOwnVersion;
  if (expectedVersion == nullptr) return kNullArgument;
  return std::memcmp(&kOwnVersion, expectedVersion, sizeof kOwnVersion) == 0 ? kOk : kVersionMismatch;
}

ECOCAM_SDK_DEFINE(CameraContainerHandle, CameraContainer_create)(int containerType) {
  if (containerType != kGigEContainer) return kNoContainer;
  State& state = State::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const int handle = state.AllocateLocked();
  state.containers[handle] = {};
  return handle;
}

// Closes every camera of the container. With the last container gone,
// Aravis's own interface objects are released too, so nothing of Aravis
// stays alive while the driver has the SDK unloaded.
ECOCAM_SDK_DEFINE(int, CameraContainer_delete)(CameraContainerHandle container) {
  State& state = State::Get();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.containers.count(container) == 0) return kInvalidHandle;
  }
  ForgetCameras(container);
  bool last = false;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.containers.erase(container);
    last = state.containers.empty();
  }
  if (last) arv_shutdown();
  return kOk;
}

// Lists the GigE Vision devices Aravis finds, replacing an earlier list.
ECOCAM_SDK_DEFINE(int, CameraContainer_discovery)(CameraContainerHandle container) {
  State& state = State::Get();
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.containers.count(container) == 0) return kInvalidHandle;
  }
  ForgetCameras(container);
  arv_update_device_list();
  const unsigned int count = arv_get_n_devices();
  std::vector<std::shared_ptr<CameraEntry>> found;
  for (unsigned int i = 0; i < count; ++i) {
    if (Text(arv_get_device_protocol(i)) != "GigEVision") continue;
    auto entry = std::make_shared<CameraEntry>();
    entry->container = container;
    entry->deviceId = Text(arv_get_device_id(i));
    entry->model = Text(arv_get_device_model(i));
    entry->vendor = Text(arv_get_device_vendor(i));
    entry->serial = Text(arv_get_device_serial_nbr(i));
    entry->address = Text(arv_get_device_address(i));
    entry->physicalId = Text(arv_get_device_physical_id(i));
    found.push_back(std::move(entry));
  }
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  if (it == state.containers.end()) return kInvalidHandle;  // deleted meanwhile
  for (auto& entry : found) {
    entry->handle = state.AllocateLocked();
    it->second.push_back(entry->handle);
    state.cameras[entry->handle] = entry;
  }
  Log(2, "CameraContainer_discovery: " + std::to_string(found.size()) + " GigE Vision camera(s)");
  return kOk;
}

ECOCAM_SDK_DEFINE(int, CameraContainer_getNumberOfCameras)(CameraContainerHandle container) {
  State& state = State::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  return it == state.containers.end() ? 0 : static_cast<int>(it->second.size());
}

// 0 when there is no camera at `cameraIndex`.
ECOCAM_SDK_DEFINE(CameraHandle, CameraContainer_getCamera)(CameraContainerHandle container, int cameraIndex) {
  State& state = State::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  if (it == state.containers.end() || cameraIndex < 0 || cameraIndex >= static_cast<int>(it->second.size())) {
    return 0;
  }
  return it->second[static_cast<std::size_t>(cameraIndex)];
}

// By model name, serial number, device id or address; -1 when none matches.
ECOCAM_SDK_DEFINE(CameraHandle, CameraContainer_findCamera)(CameraContainerHandle container, const char* cameraName) {
  if (cameraName == nullptr) return -1;
  State& state = State::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.containers.find(container);
  if (it == state.containers.end()) return -1;
  for (const int handle : it->second) {
    const CameraEntry& e = *state.cameras[handle];
    if (e.model == cameraName || e.serial == cameraName || e.deviceId == cameraName || e.address == cameraName) {
      return handle;
    }
  }
  return -1;
}

ECOCAM_SDK_DEFINE(const char*, Camera_getManufacturerName)(CameraHandle camera) {
  return CameraText(camera, &CameraEntry::vendor);
}
ECOCAM_SDK_DEFINE(const char*, Camera_getModelName)(CameraHandle camera) {
  return CameraText(camera, &CameraEntry::model);
}
ECOCAM_SDK_DEFINE(const char*, Camera_getSerialNumber)(CameraHandle camera) {
  return CameraText(camera, &CameraEntry::serial);
}
ECOCAM_SDK_DEFINE(const char*, Camera_getMacAddress)(CameraHandle camera) {
  return CameraText(camera, &CameraEntry::physicalId);
}
ECOCAM_SDK_DEFINE(const char*, Camera_getIPAddress)(CameraHandle camera) {
  return CameraText(camera, &CameraEntry::address);
}

// Opens the control connection. The timeout is Aravis's own (GVCP retries).
// The device is looked up again by its id (vendor, model and serial), not by
// the address discovery saw, so a camera that was switched off and on, or
// got another address, is found again. A camera another program controls
// is refused: Aravis would open it without control, and it would ignore
// every setting.
ECOCAM_SDK_DEFINE(int, Camera_openConnection)(CameraHandle camera, float /*timeout*/) {
  const std::shared_ptr<CameraEntry> entry = State::Get().FindCamera(camera);
  if (entry == nullptr) return kInvalidHandle;
  std::lock_guard<std::mutex> lock(entry->mutex);
  if (entry->camera != nullptr) return kAlreadyConnected;
  GError* error = nullptr;
  ArvCamera* opened = nullptr;
  int controlSocket = -1;
  {
    std::lock_guard<std::mutex> sockets(SocketsMutex());
    const std::set<int> before = UdpSockets();
    opened = arv_camera_new(entry->deviceId.c_str(), &error);
    if (opened != nullptr) controlSocket = ControlSocket(before, opened);
  }
  if (opened == nullptr) {
    Log(1, "Camera_openConnection: ERROR: cannot open " + entry->deviceId + ": " + TakeError(error));
    return kCameraError;
  }
  if (error != nullptr) g_clear_error(&error);
  Track(opened);
  ArvDevice* device = arv_camera_get_device(opened);
  if (ARV_IS_GV_DEVICE(device) && !arv_gv_device_is_controller(ARV_GV_DEVICE(device))) {
    Log(1, "Camera_openConnection: ERROR: " + entry->deviceId +
               " is controlled by another program (or did not grant control)");
    CutControl(controlSocket);  // freeing it would ask the camera once more, and wait
    g_object_unref(opened);
    return kCameraError;
  }
  if (ARV_IS_GV_DEVICE(arv_camera_get_device(opened)) && StartsWith(entry->address, "127.")) {
    // On loopback there is no network card for a packet socket to bind to.
    arv_gv_device_set_stream_options(ARV_GV_DEVICE(arv_camera_get_device(opened)),
                                     ARV_GV_STREAM_OPTION_PACKET_SOCKET_DISABLED);
  }
  const ArvPixelFormat format = arv_camera_get_pixel_format(opened, &error);
  if (error != nullptr) g_clear_error(&error);
  entry->color = ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format) == 8 && IsBayer8(static_cast<int>(format));
  entry->color = entry->color || entry->model.find("CVGE") != std::string::npos;
  entry->camera = opened;
  {
    std::lock_guard<std::mutex> sockets(entry->socketMutex);
    entry->controlSocket = controlSocket;
  }
  entry->lost = false;
  WatchControl(*entry);
  entry->binningMode = 0;
  entry->acquisitionMode = 1;
  Log(2, "Camera_openConnection: " + entry->model + " at " + entry->address + (entry->color ? " (colour)" : ""));
  return kOk;
}

ECOCAM_SDK_DEFINE(int, Camera_closeConnection)(CameraHandle camera) {
  const std::shared_ptr<CameraEntry> entry = State::Get().FindCamera(camera);
  if (entry == nullptr) return kInvalidHandle;
  {
    std::lock_guard<std::mutex> lock(entry->mutex);
    if (entry->camera == nullptr) return kNotConnected;
  }
  CloseCamera(*entry);
  return kOk;
}

ECOCAM_SDK_DEFINE(const char*, Error_getMessage)(int errorCode) { return CodeText(errorCode); }

// Lines of the library's log up to `logLevel` go to `callback` from now on
// (the file name is not used: the host's callback decides where lines go).
ECOCAM_SDK_DEFINE(int, Camera_registerForLogMessages)
(CameraHandle /*camera*/, int logLevel, const char* /*logFileName*/, LogMessageCallback callback, void* context) {
  if (callback == nullptr) return kNullArgument;
  AddLogListener(logLevel, callback, context);
  return kOk;
}

}  // namespace arvsdk
