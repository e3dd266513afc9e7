// The camera registry: discovery through the SDK's camera container, the
// model-name rules, the lookups and the teardown.
#include "camera/camera_list.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "driver/driver_context.h"
#include "sdk/sdk.h"

namespace ecocam {
namespace {

std::unique_ptr<CameraList>& Instance() {
  static std::unique_ptr<CameraList> instance;
  return instance;
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

CameraList::CameraList() { _cameras.reserve(20); }

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
  std::unique_ptr<CameraList>& instance = Instance();
  if (!instance) {
    try {
      instance.reset(new CameraList());
    } catch (const std::exception&) {
      ECOCAM_LOG(1, "CameraList::GetInstance: ERROR: no valid instance");
      throw std::runtime_error("CameraList::instance not created");
    }
  }
  return *instance;
}

bool CameraList::HasInstance() { return Instance() != nullptr; }

void CameraList::DestroyInstance() { Instance().reset(); }

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
      ECOCAM_LOG(2, "CameraList::Init: " + std::string(info.IsColor() ? "color" : "b/w") +
                        " camera found: " + model);
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
  for (const std::unique_ptr<Camera>& camera : _cameras) {
    if (camera->Name() == name) return true;
  }
  return false;
}

Camera& CameraList::GetByName(const std::string& name) const {
  ECOCAM_LOG(3, "CameraList::GetByName: entering " + name);
  for (const std::unique_ptr<Camera>& camera : _cameras) {
    if (camera->Name() == name) {
      ECOCAM_LOG(3, "CameraList::GetByName: leaving " + name);
      return *camera;
    }
  }
  const std::string text = "CameraList::GetByName: ERROR: could not find camera " + name;
  ECOCAM_LOG(1, text);
  throw std::runtime_error(text);
}

// A camera whose open failed keeps its port; an open camera on the same
// port is the one the host means, so it wins over such a closed one.
Camera& CameraList::GetByPort(int port) const {
  Camera* closed = nullptr;
  for (std::size_t i = 0; i < _cameras.size(); ++i) {
    Camera* camera = _cameras[i].get();
    if (camera == nullptr) {
      ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: vector contains null pointer at index " + std::to_string(i));
      throw std::runtime_error("CameraList::GetByPort error");
    }
    if (camera->Port() != port) continue;
    if (camera->IsOpen()) return *camera;
    if (closed == nullptr) closed = camera;
  }
  if (closed != nullptr) {
    ECOCAM_LOG(2, "CameraList::GetByPort: WARNING: found camera on requested port " + std::to_string(port) +
                      ", but the camera is closed\n");
    return *closed;
  }
  ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: could not find camera on port " + std::to_string(port));
  throw std::runtime_error("CameraList::GetByPort: ERROR: could not find camera");
}

Camera& CameraList::operator[](int index) const {
  if (index >= 0 && index < Count()) return *_cameras[static_cast<std::size_t>(index)];
  ECOCAM_LOG(1, "CameraList::operator[] index out of bounds: " + std::to_string(index));
  throw std::runtime_error(" CameraList::operator[] error");
}

}  // namespace ecocam
