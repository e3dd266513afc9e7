// CameraParameters::SetRange: the open camera's limits written into the
// minima, maxima and steps of the parameters they concern.
#include <string>

#include "params/camera_parameters.h"
#include "sdk/sdk.h"

namespace ecocam {

namespace {

namespace pn = param_name;

// The query's result, or nothing when the SDK reported a failure: the
// output variable has no defined value then, so the limit it would have
// set is left as it was.
template <typename T, typename Query>
bool Ask(Query query, sdk::CameraHandle camera, T& out) {
  out = T{};
  return query(camera, &out) == 0;
}

}  // namespace

// Runs on the caller's thread with the camera's connection open; changes
// limits only, never values, and never fails.
void CameraParameters::SetRange(sdk::CameraHandle camera, int port) {
  ECOCAM_LOG(3, "CameraParameters::SetRange entering, port=" + std::to_string(port));

  int imager = 0;
  if (Ask(sdk::Camera_getImagerWidth, camera, imager)) {
    Get(pn::Width).set_max<double>(imager);
    Get(pn::OffsetX).set_max<int>(imager);
  }
  if (Ask(sdk::Camera_getImagerHeight, camera, imager)) {
    Get(pn::Height).set_max<double>(imager);
    Get(pn::OffsetY).set_max<int>(imager);
  }

  float limit = 0.0f;
  if (Ask(sdk::Camera_getFrameRateMin, camera, limit)) Get(pn::FrameRate).set_min<double>(limit);
  if (Ask(sdk::Camera_getFrameRateMax, camera, limit)) Get(pn::FrameRate).set_max<double>(limit);
  if (Ask(sdk::Camera_getFrameRateIncrement, camera, limit)) Get(pn::FrameRate).set_inc<double>(limit);

  float emin = 0.0f;
  float emax = 0.0f;
  const bool haveEmin = Ask(sdk::Camera_getExposureTimeMin, camera, emin);
  if (haveEmin) Get(pn::ExposureTime).set_min<double>(emin);
  const bool haveEmax = Ask(sdk::Camera_getExposureTimeMax, camera, emax);
  if (haveEmax) Get(pn::ExposureTime).set_max<double>(emax);
  for (const char* name : {pn::AutoExposureLimitMin, pn::AutoExposureLimitMax}) {
    if (haveEmin) Get(name).set_min<double>(emin);
    if (haveEmax) Get(name).set_max<double>(emax);
  }
  if (Ask(sdk::Camera_getExposureTimeIncrement, camera, limit)) Get(pn::ExposureTime).set_inc<double>(limit);

  if (Ask(sdk::Camera_getExposureDelayMax, camera, limit)) Get(pn::ExposureDelay).set_max<double>(limit);
  Get(pn::ExposureDelay).set_min<double>(0);
  if (Ask(sdk::Camera_getExposureDelayIncrement, camera, limit)) Get(pn::ExposureDelay).set_inc<double>(limit);

  float gmax = 0.0f;
  const bool haveGmax = Ask(sdk::Camera_getGainMax, camera, gmax);
  if (haveGmax) Get(pn::Gain).set_max<double>(gmax);
  Get(pn::Gain).set_min<double>(0);
  Get(pn::Gain).set_inc<int>(1);
  for (const char* name : {pn::AutoGainLimitMin, pn::AutoGainLimitMax}) {
    Get(name).set_min<double>(0);
    if (haveGmax) Get(name).set_max<double>(gmax);
  }
  // The offset's range is the same on every camera of the series.
  Get(pn::GainOffset).set_min<double>(0);
  Get(pn::GainOffset).set_max<double>(255);

  if (Ask(sdk::Camera_getStrobePositionMax, camera, limit)) Get(pn::StrobePosition).set_max<double>(limit);
  Get(pn::StrobePosition).set_min<double>(0);
  if (Ask(sdk::Camera_getStrobePositionIncrement, camera, limit)) Get(pn::StrobePosition).set_inc<double>(limit);

  if (Ask(sdk::Camera_getStrobeDurationMax, camera, limit)) Get(pn::StrobeDuration).set_max<double>(limit);
  Get(pn::StrobeDuration).set_min<double>(0);
  if (Ask(sdk::Camera_getStrobeDurationIncrement, camera, limit)) Get(pn::StrobeDuration).set_inc<double>(limit);

  ECOCAM_LOG(3, "CameraParameters::SetRange leaving, port=" + std::to_string(port));
}

}  // namespace ecocam
