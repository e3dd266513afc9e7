// A host's session with the driver, for the hardening tests: the exports
// linked into the test itself (so the headless configuration model reaches
// the same registry), the simulated SDK's control interface, the captured
// log (HostLog), settings written per camera, and the SDK objects still handed out.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_log.h"
#include "support/sim_sdk.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

// What the simulated SDK has handed out and not had back.
struct LiveObjects {
  int containers = 0;
  int connections = 0;
  int channels = 0;
  int images = 0;
  bool operator==(const LiveObjects& o) const {
    return containers == o.containers && connections == o.connections && channels == o.channels && images == o.images;
  }
};
std::string Describe(const LiveObjects& live);

// Lines that report a failure: "ERROR", "WARNING", "EXCEPTION" or an SDK
// "error code=".
std::vector<std::string> Failures(const std::vector<std::string>& lines);

struct DriverSession {
  DriverSession();
  ~DriverSession();

  // Writes the INI section of each camera: log threshold 1 (so every line
  // the host receives is an error, a warning or the banner), no debugger
  // output, software-triggered acquisition, and the image size.
  void WriteSettings(const std::vector<std::string>& models, int width = 656, int height = 490);
  LiveObjects Live() const;
  // Calls per SDK entry point in the journal, by name.
  std::vector<std::pair<std::string, int>> CallCounts() const;

  HostLog log;  // hand HostLog::Procedure to initialize
  TempDir dir;
  SimSdk sim;
};

// Polls `done` every millisecond until it holds or `limit` passes.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);

}  // namespace ecocam::testing
