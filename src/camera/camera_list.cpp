// The camera registry: discovery through the SDK's camera container, the
// model-name rules, the lookups and the teardown.
#include "camera/camera_list.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "driver/driver_context.h"
#include "platform/never_destroyed.h"
#include "platform/system.h"
#include "sdk/sdk.h"
#include "sdk/sdk_function_table.h"

namespace ecocam {
namespace {

// The published registry. Never destroyed: a registry the host did not
// finalize is torn down by the unload handler, not by a static destructor
// whose order against the other statics nobody controls.
struct Slot {
  std::mutex lock;  // guards current and retiring, held only to copy them
  std::shared_ptr<CameraList> current;
  // The last registry unpublished, which may still be in use; the SDK it
  // loaded is unloaded when it goes, so a new one waits for that.
  std::weak_ptr<CameraList> retiring;
};

Slot& TheSlot() {
  static platform::NeverDestroyed<Slot> slot;
  return slot.get();
}

std::mutex& LifecycleLock() {
  static platform::NeverDestroyed<std::mutex> lock;
  return lock.get();
}

// How long the teardown at unload waits for each thread that was left to end
// by itself.
constexpr std::uint32_t kAbandonedJoinMs = 1000;

// Forgets the last registry once it is gone; the weak reference would
// otherwise keep its memory.
void ForgetRetired(Slot& slot) {
  std::lock_guard<std::mutex> guard(slot.lock);
  if (slot.retiring.expired()) slot.retiring.reset();
}

// Runs at unload or exit: closes what the host did not finalize, and frees
// the memory the never-destroyed objects hold, which an unloaded library
// could no longer reach.
void TeardownAtUnload() {
  if (CameraList::HasInstance()) {
    ECOCAM_LOG(1, "CameraList: WARNING: library unloaded without finalize, cameras closed");
    CameraList::DestroyInstance();
  }
  ForgetRetired(TheSlot());
  // A wait thread that ended after finalize ran inside its callback.
  CameraWaitThread::JoinAbandonedThreads(kAbandonedJoinMs);
  sdk::SdkFunctionTable::Instance().ReleaseAtUnload();
}

// Once per process, after the first discovery, so it runs before the
// statics discovery built (the SDK's table among them) are destroyed.
void TeardownAtUnloadOnce() {
  static const bool registered = (platform::RunAtUnload(&TeardownAtUnload), true);
  (void)registered;
}

// The line and the exception of a lookup that found nothing.
[[noreturn]] void NoCameraOnPort(int port) {
  ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: could not find camera on port " + std::to_string(port));
  throw std::runtime_error("CameraList::GetByPort: ERROR: could not find camera");
}

[[noreturn]] void NoCameraNamed(const std::string& name) {
  const std::string text = "CameraList::GetByName: ERROR: could not find camera " + name;
  ECOCAM_LOG(1, text);
  throw std::runtime_error(text);
}

// Waits for the previous registry to be gone; false when it outlived the wait.
bool WaitForRetired(Slot& slot) {
  for (std::uint32_t waited = 0;; ++waited) {
    {
      std::lock_guard<std::mutex> guard(slot.lock);
      if (slot.retiring.expired()) {
        slot.retiring.reset();
        return true;
      }
    }
    if (waited == CameraList::kRetireTimeoutMs) return false;
    platform::SleepMs(1);
  }
}

constexpr int kCameraType_Mono = 1;
constexpr int kCameraType_Color = 2;
// "eco" and at least three more characters precede the colour marker.
constexpr std::size_t kMarkerMinIndex = 6;

// 1 for a monochrome model, 2 for a colour one, 0 when neither marker comes
// late enough.
unsigned int Classify(const std::string& model) {
  const std::size_t mono = model.find("MVGE");
  if (mono != std::string::npos && mono >= kMarkerMinIndex) return kCameraType_Mono;
  const std::size_t colour = model.find("CVGE");
  if (colour != std::string::npos && colour >= kMarkerMinIndex) return kCameraType_Color;
  return 0;
}

}  // namespace

CameraList::CameraList(Key) { _cameras.reserve(kPortCount); }

CameraList::~CameraList() {
  try {
    ECOCAM_LOG(2, "CameraList::~CameraList: entering");
    Destroy();
    ECOCAM_LOG(2, "CameraList::~CameraList: leaving");
  } catch (...) {
    // The members still go; the wait thread stops with _waitThread.
  }
}

CameraList& CameraList::GetInstance() {
  Slot& slot = TheSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  if (!slot.current) slot.current = Create();
  return *slot.current;
}

std::shared_ptr<CameraList> CameraList::Create() {
  try {
    return std::make_shared<CameraList>(Key());
  } catch (const std::exception&) {
    ECOCAM_LOG(1, "CameraList::GetInstance: ERROR: no valid instance");
    throw std::runtime_error("CameraList::instance not created");
  }
}

void CameraList::Start() {
  Slot& slot = TheSlot();
  if (!WaitForRetired(slot)) {
    ECOCAM_LOG(1, "CameraList::Start: ERROR: the previous registry is still in use");
    throw std::runtime_error("CameraList: the previous registry is still in use");
  }
  std::shared_ptr<CameraList> registry = Create();
  // Discovery's own result is not looked at: the host learns what was
  // found from the count.
  registry->Init();
  {
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.current = std::move(registry);
  }
  TeardownAtUnloadOnce();
}

std::shared_ptr<CameraList> CameraList::Acquire() {
  Slot& slot = TheSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  return slot.current;
}

bool CameraList::HasInstance() { return Acquire() != nullptr; }

std::unique_lock<std::mutex> CameraList::LockLifecycle() { return std::unique_lock<std::mutex>(LifecycleLock()); }

CameraLease CameraList::LeaseByPort(int port, bool opening) {
  std::shared_ptr<CameraList> registry = Acquire();
  if (!registry) NoCameraOnPort(port);
  Camera& camera = registry->GetByPort(port, opening);
  return CameraLease(std::move(registry), camera);
}

CameraLease CameraList::LeaseByName(const std::string& name) {
  std::shared_ptr<CameraList> registry = Acquire();
  if (!registry) NoCameraNamed(name);
  Camera& camera = registry->GetByName(name);
  return CameraLease(std::move(registry), camera);
}

void CameraList::DestroyInstance() {
  Slot& slot = TheSlot();
  std::shared_ptr<CameraList> registry;
  {
    std::lock_guard<std::mutex> guard(slot.lock);
    registry = std::move(slot.current);
    slot.current.reset();
    if (registry) slot.retiring = registry;
  }
  if (!registry) return;
  registry->Shutdown();
  // The calls still inside the registry see closed cameras and leave.
  for (std::uint32_t waited = 0; registry.use_count() > 1 && waited < kDrainTimeoutMs; ++waited) {
    platform::SleepMs(1);
  }
  if (registry.use_count() > 1) {
    ECOCAM_LOG(1, "CameraList::DestroyInstance: WARNING: calls still inside the registry after " +
                      std::to_string(kDrainTimeoutMs) + " ms; the last of them releases it");
  }
  // On the wait thread (a finalize inside the host's callback) the frame
  // being delivered still uses its camera: the thread lets the registry go
  // when it ends, right after the callback returns.
  if (registry->_waitThread.IsCurrentThread()) {
    registry->_waitThread.ReleaseWhenEnded(std::move(registry));
    return;
  }
  registry.reset();
  ForgetRetired(slot);
}

void CameraList::Shutdown() {
  _shutDown.store(true);
  for (std::unique_ptr<Camera>& camera : _cameras) {
    if (camera && camera->IsOpen()) camera->Close();
  }
  _waitThread.Stop();
}

bool CameraList::Init() {
  ECOCAM_LOG(2, "CameraList::Init: entering");
  try {
    if (_container != sdk::kNoContainer) {
      ECOCAM_LOG(1, "CameraList::Init: ERROR: CameraContainer is not empty");
      return false;
    }
    _container = sdk::CameraContainer_create(1);
    if (_container == sdk::kNoContainer) {
      ECOCAM_LOG(1, "CameraList::Init: ERROR: CameraContainer could not be opened");
      return false;
    }
    if (sdk::CameraContainer_discovery(_container) != 0) {
      ECOCAM_LOG(1, "CameraList::Init: ERROR: discovery function failed");
      return false;
    }
    const int n = sdk::CameraContainer_getNumberOfCameras(_container);
    if (n == 0) {
      ECOCAM_LOG(1, "CameraList::Init: ERROR: no supported cameras found");
      return false;
    }
    for (int i = 0; i < n; ++i) {
      const sdk::CameraHandle camera = sdk::CameraContainer_getCamera(_container, i);
      if (camera == 0) continue;
      const char* reported = sdk::Camera_getModelName(camera);
      if (reported == nullptr || reported[0] == '\0') continue;
      const std::string model = reported;
      if (model.find("eco") != 0) {
        ECOCAM_LOG(1, "CameraList::Init: WARNING: skips not supported camera: " + model);
        continue;
      }
      CameraInfo info;
      info.type = Classify(model);
      if (info.type == 0) {
        ECOCAM_LOG(1, "CameraList::Init: Error: skipping partially recognized camera name: " + model);
        continue;
      }
      info.modelName = model;
      std::unique_ptr<Camera> created;
      try {
        created = std::make_unique<Camera>(model.c_str(), info, camera, _container, &_waitThread);
        _cameras.reserve(_cameras.size() + 1);
      } catch (const std::bad_alloc&) {
        ECOCAM_LOG(1, "CameraList::Init:  ERROR: could not allocate Camera object");
        return false;
      }
      ECOCAM_LOG(2, "CameraList::Init: " + std::string(info.IsColor() ? "color" : "b/w") + " camera found: " + model);
      _cameras.push_back(std::move(created));
    }
  } catch (const std::exception& e) {
    ECOCAM_LOG(1, "CameraList::Init: ERROR: Failed to enumerate cameras: " + std::string(e.what()) + "\n");
    return false;
  } catch (...) {
    ECOCAM_LOG(1, "CameraList::Init: ERROR: exception encountered");
    return false;
  }
  ECOCAM_LOG(2, "CameraList::Init: leaving");
  return true;
}

void CameraList::Destroy() {
  ECOCAM_LOG(2, "CameraList::Destroy: entering");
  for (std::unique_ptr<Camera>& camera : _cameras) camera.reset();
  _cameras.clear();
  _configNames.reset();
  if (_container != sdk::kNoContainer) {
    sdk::CameraContainer_delete(_container);
    _container = sdk::kNoContainer;
  }
  ECOCAM_LOG(2, "CameraList::Destroy: leaving");
}

int CameraList::Count() const { return static_cast<int>(_cameras.size()); }

// The new array is built before the old one is freed, so the host never
// gets the address of the array it had before.
char** CameraList::ConfigNames() {
  std::unique_ptr<char*[]> names(new char*[_cameras.size() + 1]());
  for (std::size_t k = 0; k < _cameras.size(); ++k) {
    // The host's interface has no const; it only reads the names.
    names[k] = const_cast<char*>(_cameras[k]->Name().c_str());
  }
  _configNames = std::move(names);
  return _configNames.get();
}

bool CameraList::IsCameraAvailable(const std::string& name) const {
  ECOCAM_LOG(3, "CameraList::IsCameraAvailable:  name=" + name);
  if (_shutDown.load()) return false;
  for (const std::unique_ptr<Camera>& camera : _cameras) {
    if (camera->Name() == name) return true;
  }
  return false;
}

Camera& CameraList::GetByName(const std::string& name) const {
  ECOCAM_LOG(3, "CameraList::GetByName: entering " + name);
  if (!_shutDown.load()) {
    for (const std::unique_ptr<Camera>& camera : _cameras) {
      if (camera->Name() == name) {
        ECOCAM_LOG(3, "CameraList::GetByName: leaving " + name);
        return *camera;
      }
    }
  }
  NoCameraNamed(name);
}

// Only an open camera holds a port: a closed one keeps -1 or the port of a
// failed open, and one still opening is not the host's yet (its settings
// are being written).
Camera& CameraList::GetByPort(int port, bool opening) const {
  if (port < 0 || port >= kPortCount) {
    ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: port " + std::to_string(port) + " is outside 0 to " +
                      std::to_string(kPortCount - 1));
    throw std::runtime_error("CameraList::GetByPort: ERROR: could not find camera");
  }
  if (!_shutDown.load()) {
    for (std::size_t i = 0; i < _cameras.size(); ++i) {
      Camera* camera = _cameras[i].get();
      if (camera == nullptr) {
        ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: vector contains null pointer at index " + std::to_string(i));
        throw std::runtime_error("CameraList::GetByPort error");
      }
      if ((camera->IsOpen() || (opening && camera->IsOpening())) && camera->Port() == port) return *camera;
    }
  }
  NoCameraOnPort(port);
}

Camera& CameraList::operator[](int index) const {
  if (index >= 0 && index < Count()) return *_cameras[static_cast<std::size_t>(index)];
  ECOCAM_LOG(1, "CameraList::operator[] index out of bounds: " + std::to_string(index));
  throw std::runtime_error(" CameraList::operator[] error");
}

}  // namespace ecocam
