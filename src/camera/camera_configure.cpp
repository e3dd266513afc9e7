// Camera::Configure: the configuration sheet over a copy of the camera's
// parameter set; on OK the saved copy replaces the set, and an open camera
// takes the confirmed grab settings that need no new open.
#include <utility>

#include "camera/camera.h"
#include "params/param_names.h"
#include "sdk/sdk.h"
#include "ui/configure_session.h"

namespace ecocam {

bool Camera::Configure(void* parent) {
  return ConfigureWith([parent](const CameraParameters& base, int port, bool grabPending) {
    return ui::ConfigureParametersInDialog(base, port, grabPending, parent);
  });
}

bool Camera::Configure(ui::ConfigureView& view) {
  return ConfigureWith([&view](const CameraParameters& base, int port, bool grabPending) {
    return ui::ConfigureParameters(base, port, grabPending, view);
  });
}

bool Camera::ConfigureWith(const RunSheet& runSheet) {
  ECOCAM_LOG(2, "Camera::Configure: entering");
  bool result = false;
  CameraParameters base = CopyParameters();
  // Until the camera has been opened in this process its set holds the
  // catalogue's values, not its stored section, and limits that are not
  // the camera's. The sheet would show them and OK would overwrite the
  // stored section with them: read both first, through a short connection.
  if (!_settingsLoaded.load() && !ReadStoredSettings(base)) {
    ECOCAM_LOG(2, "Camera::Configure: leaving");
    return false;
  }
  if (std::unique_ptr<CameraParameters> edited = runSheet(base, _port.load(), _grabRequested.load())) {
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

bool Camera::ReadStoredSettings(CameraParameters& set) {
  if (!set.Load()) {
    ECOCAM_LOG(1, "Camera::Configure: ERROR: failed to read configuration file, camera=" + _name);
    return false;
  }
  const int rc = sdk::Camera_openConnection(_camera, kConnectionTimeoutSeconds);
  if (rc != 0) {
    ECOCAM_LOG(1, "Camera::Configure: ERROR: cannot read the camera's limits without a connection, rc=" +
                      std::to_string(rc) + ", camera=" + _name);
    return false;
  }
  set.SetRange(_camera, _port.load());
  sdk::Camera_closeConnection(_camera);
  return true;
}

}  // namespace ecocam
