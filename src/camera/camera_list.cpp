// The camera registry. Discovery is not wired to the camera SDK yet, so the
// registry holds no camera: every lookup by name or port fails with the
// registry's error text.
#include "camera_list.h"

#include <new>
#include <stdexcept>

#include "driver/driver_context.h"

namespace ecocam {
namespace {

std::unique_ptr<CameraList>& Instance() {
  static std::unique_ptr<CameraList> instance;
  return instance;
}

}  // namespace

CameraList::CameraList() = default;

CameraList::~CameraList() {
  ECOCAM_LOG(2, "CameraList::~CameraList: entering");
  ECOCAM_LOG(2, "CameraList::Destroy: entering");
  _configNames.reset();
  ECOCAM_LOG(2, "CameraList::Destroy: leaving");
  ECOCAM_LOG(2, "CameraList::~CameraList: leaving");
}

CameraList& CameraList::GetInstance() {
  std::unique_ptr<CameraList>& instance = Instance();
  if (!instance) {
    try {
      instance.reset(new CameraList());
    } catch (const std::bad_alloc&) {
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
  ECOCAM_LOG(2, "CameraList::Init: leaving");
  return true;
}

int CameraList::Count() const { return static_cast<int>(_cameras.size()); }

char** CameraList::ConfigNames() {
  _configNames.reset();
  _configNames.reset(new char*[_cameras.size() + 1]());
  return _configNames.get();
}

bool CameraList::IsCameraAvailable(const std::string& name) const {
  ECOCAM_LOG(3, "CameraList::IsCameraAvailable:  name=" + name);
  return false;
}

Camera& CameraList::GetByName(const std::string& name) const {
  ECOCAM_LOG(3, "CameraList::GetByName: entering " + name);
  const std::string text = "CameraList::GetByName: ERROR: could not find camera " + name;
  ECOCAM_LOG(1, text);
  throw std::runtime_error(text);
}

Camera& CameraList::GetByPort(int port) const {
  ECOCAM_LOG(1, "CameraList::GetByPort: ERROR: could not find camera on port " + std::to_string(port));
  throw std::runtime_error("CameraList::GetByPort: ERROR: could not find camera");
}

}  // namespace ecocam
