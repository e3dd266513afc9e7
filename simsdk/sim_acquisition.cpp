// Acquisition control of the simulated camera: start and stop, the
// acquisition mode, and the software trigger. The streaming channels of the
// camera make the frames (sim_streaming.cpp); these entry points record the
// setting and wake them.
#include "sim_impl.h"
#include "sim_streaming.h"

namespace simsdk {

namespace {

constexpr unsigned kSoftwareTriggerModes = 1u << 2;

// Stores a setting in [lo, hi] and wakes the camera's channels.
int SetAcquisition(CameraHandle camera, int value, int CameraSettings::*field, int lo, int hi) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    const int result = StoreInRange(c.settings.*field, value, lo, hi);
    if (result == kOk) WakeChannelsLocked(camera);
    return result;
  });
}

}  // namespace

// Control 0 stops, 1 starts. A stop returns once no frame of the camera is
// being filled or delivered (from inside a callback it cannot wait for that
// callback), so no callback starts after it.
ECOCAM_SDK_DEFINE(int, Camera_setAcquisitionControl)(CameraHandle camera, int acquisitionControl) {
  const int result = SetAcquisition(camera, acquisitionControl, &CameraSettings::acquisitionControl, 0, 1);
  if (result == kOk && acquisitionControl == 0) {
    std::unique_lock<std::mutex> lock(SimState::Get().mutex);
    WaitChannelsIdle(lock, camera);
  }
  return result;
}
ECOCAM_SDK_DEFINE(int, Camera_getAcquisitionControl)(CameraHandle camera, int* acquisitionControl) {
  return GetSetting(camera, acquisitionControl, &CameraSettings::acquisitionControl);
}

// Modes: 0 none, 1 free-running at the frame rate, 2 one frame per software
// trigger, 3 and 4 one frame per external trigger (SimSdk_fireTrigger).
ECOCAM_SDK_DEFINE(int, Camera_setAcquisitionMode)(CameraHandle camera, int acquisitionMode) {
  return SetAcquisition(camera, acquisitionMode, &CameraSettings::acquisitionMode, 0, 4);
}
ECOCAM_SDK_DEFINE(int, Camera_getAcquisitionMode)(CameraHandle camera, int* acquisitionMode) {
  return GetSetting(camera, acquisitionMode, &CameraSettings::acquisitionMode);
}

// Counts the trigger; it makes a frame only while the camera acquires in
// software-trigger mode.
ECOCAM_SDK_DEFINE(int, Camera_softwareTrigger)(CameraHandle camera) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    ++c.settings.softwareTriggers;
    TriggerLocked(camera, kSoftwareTriggerModes);
    return kOk;
  });
}

}  // namespace simsdk
