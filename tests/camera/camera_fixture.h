// Cameras against the simulated SDK: the log captured through the host's
// message procedure, a system path of the test's own (so every camera reads
// its settings from a fresh INI file), and settings written per model.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "params/camera_parameters.h"
#include "params/param_types.h"
#include "support/sim_sdk.h"
#include "support/driver_log.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class CameraFixture : public SimSdkTest {
 protected:
  CameraFixture() { DriverContext::GetInstance().SetSystemPath(_dir.path().string()); }
  ~CameraFixture() override { DriverContext::GetInstance().SetSystemPath(""); }

  // Saves settings for `model`: the log thresholds the capture needs (an
  // open copies them into the driver), then whatever `adjust` changes.
  static void Settings(const std::string& model, bool colour,
                       const std::function<void(CameraParameters&)>& adjust = {}) {
    CameraParameters p(CameraInfo{colour ? 2u : 1u, model});
    p.Get("LogLevel").set_val<int>(4);
    p.Get("LogDebugView").set_val<int>(0);
    if (adjust) adjust(p);
    p.Save();
  }
  static void SetSize(CameraParameters& p, int width, int height, long long binning) {
    p.Get("Width").set_max<int>(width);
    p.Get("Height").set_max<int>(height);
    p.Get("Width").set_val<int>(width);
    p.Get("Height").set_val<int>(height);
    p.GetParameter<ParamEnum>("Binning").set_by_value(binning);
  }

  TempDir _dir;
  DriverLog _log{{4, 0}};
};

}  // namespace ecocam::testing
