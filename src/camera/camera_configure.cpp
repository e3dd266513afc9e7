// Camera::Configure: the configuration sheet over a copy of the camera's
// parameter set; on OK the saved copy replaces the set, and an open camera
// takes the confirmed grab settings that need no new open.
#include <memory>
#include <string>

#include "camera/camera.h"
#include "params/param_names.h"
#include "sdk/sdk.h"
#include "ui/configure_session.h"

namespace ecocam {

bool Camera::Configure(void* parent) {
  std::unique_ptr<ui::ConfigureView> view;
  bool made = false;
  return ConfigureWith([&]() -> ui::ConfigureView* {
    if (!made) {
      made = true;
      view = ui::OpenConfigureView(parent);
    }
    return view.get();
  });
}

bool Camera::Configure(ui::ConfigureView& view) {
  return ConfigureWith([&view]() -> ui::ConfigureView* { return &view; });
}

bool Camera::ConfigureWith(const ViewSource& view) {
  ECOCAM_LOG(2, "Camera::Configure: entering");
  bool result = false;
  CameraParameters base = CopyParameters();
  // Until the camera has been opened in this process its set holds the
  // catalogue's values, not its stored section, and limits that are not
  // the camera's. The sheet would show them and OK would overwrite the
  // stored section with them: read both first, through a short connection.
  // A camera that cannot be reached gets no sheet; the user is told why.
  std::string unreachable;
  if (!_settingsLoaded.load() && !ReadStoredSettings(base, unreachable)) {
    if (!unreachable.empty()) {
      if (ui::ConfigureView* shown = view()) shown->ShowMessage(unreachable, ui::ConfigureTitle(_port.load(), _name));
    }
    ECOCAM_LOG(2, "Camera::Configure: leaving");
    return false;
  }
  ui::ConfigureView* shown = view();
  std::unique_ptr<CameraParameters> edited;
  if (shown != nullptr) edited = ui::ConfigureParameters(base, _port.load(), _grabRequested.load(), *shown);
  if (edited) {
    {
      platform::LockGuard guard(_parametersLock);
      _parameters = *edited;
    }
    _settingsLoaded.store(true);
    if (_isOpen.load()) RefreshGrabSettings(*edited);
    result = true;
  }
  ECOCAM_LOG(2, "Camera::Configure: leaving");
  return result;
}

// The wait thread converts with the confirmed "BayerMethod" from the next
// frame on. "AcquisitionMode" and "PixelDepth" were sent to the camera when
// it opened and reach it only at its next open: the grab path keeps their
// open-time values meanwhile, and a confirmed change is logged.
void Camera::RefreshGrabSettings(const CameraParameters& confirmed) {
  _bayerMethod.store(confirmed.Get(param_name::BayerMethod).currEnumVal());
  const long long mode = confirmed.Get(param_name::AcquisitionMode).currEnumVal();
  const long long depth = confirmed.Get(param_name::PixelDepth).currEnumVal();
  if (mode == _acquisitionMode.load() && depth == _pixelDepth.load()) return;
  ECOCAM_LOG(1, "Camera::Configure: WARNING: AcquisitionMode=" + std::to_string(mode) + " and PixelDepth=" +
                    std::to_string(depth) + " apply at the next open; until then the camera keeps AcquisitionMode=" +
                    std::to_string(_acquisitionMode.load()) + " and PixelDepth=" + std::to_string(_pixelDepth.load()) +
                    ", port=" + std::to_string(Port()));
}

CameraParameters Camera::CopyParameters() const {
  platform::LockGuard guard(_parametersLock);
  return _parameters;
}

bool Camera::ReadStoredSettings(CameraParameters& set, std::string& message) {
  message.clear();
  if (!set.Load()) {
    ECOCAM_LOG(1, "Camera::Configure: ERROR: failed to read configuration file, camera=" + _name);
    return false;
  }
  const int rc = sdk::Camera_openConnection(_camera, kConnectionTimeoutSeconds);
  if (rc != 0) {
    ECOCAM_LOG(1, "Camera::Configure: ERROR: cannot read the camera's limits without a connection, rc=" +
                      std::to_string(rc) + ", camera=" + _name);
    const char* sdkText = sdk::Error_getMessage(rc);
    const std::string reason = sdkText != nullptr && *sdkText != '\0' ? sdkText : "no description";
    message = "The camera " + _name +
              " could not be reached, so its limits could not be read and its settings "
              "cannot be shown.\n\nThe camera SDK reported: " +
              reason + " (error " + std::to_string(rc) +
              ").\n\nThe camera may be in use by another program, switched off or disconnected.";
    return false;
  }
  set.SetRange(_camera, _port.load());
  sdk::Camera_closeConnection(_camera);
  return true;
}

}  // namespace ecocam
