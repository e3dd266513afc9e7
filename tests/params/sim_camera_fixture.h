// A parameter set beside an open camera of the simulated SDK, with the log
// captured, and a push target standing in for the camera.
#pragma once

#include <fstream>
#include <string>

#include "support/driver_log.h"
#include "params/camera_parameters.h"
#include "support/sim_sdk.h"

namespace ecocam::testing {

struct TestTarget : PushTarget {
  TestTarget(int port, bool color) : port(port), color(color) {}
  int Port() const override { return port; }
  bool IsColor() const override { return color; }
  int port;
  bool color;
};

class SimCameraTest : public SimSdkTest {
 protected:
  // Opens camera `index` of the default simulation (0 monochrome, 1 colour)
  // and forgets the calls that took.
  void Open(int index = 0) {
    _handle = OpenCamera(index);
    sim.SimSdk_clearJournal();
    _log.Take();
  }

  // The journal line of a call with the camera handle and `args`.
  std::string Call(const std::string& name, const std::string& args) const {
    return name + "(" + std::to_string(_handle) + "," + args + ")";
  }

  // Writes `text` as it stands (binary) into a file of the test folder.
  std::string WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = (_dir.path() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  TempDir _dir;
  DriverLog _log{{4, 0}};
  CameraParameters _mono{CameraInfo{1, "eco424MVGE"}};
  CameraParameters _colour{CameraInfo{2, "eco424CVGE"}};
  sdk::CameraHandle _handle = 0;
};

}  // namespace ecocam::testing
