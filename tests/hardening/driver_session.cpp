#include "hardening/driver_session.h"

#include <fstream>
#include <map>
#include <thread>

namespace ecocam::testing {

std::string Describe(const LiveObjects& live) {
  return "containers=" + std::to_string(live.containers) + " connections=" + std::to_string(live.connections) +
         " channels=" + std::to_string(live.channels) + " images=" + std::to_string(live.images);
}

std::vector<std::string> Failures(const std::vector<std::string>& lines) {
  std::vector<std::string> failures;
  for (const std::string& line : lines) {
    if (line.find("ERROR") != std::string::npos || line.find("WARNING") != std::string::npos ||
        line.find("EXCEPTION") != std::string::npos || line.find("error code=") != std::string::npos) {
      failures.push_back(line);
    }
  }
  return failures;
}

DriverSession::DriverSession() {
  if (sim.Complete()) sim.SimSdk_reset();
}

DriverSession::~DriverSession() {
  while (getCVLNoOfSupportedCameras() > 0) finalize();
  setDebugMsgProc(nullptr);  // the log member would only detach it after the reset below
  // A channel the SDK refused to delete still runs its thread. Stop it now:
  // on Windows the library's own teardown would join it under the loader
  // lock, which the ending thread needs too.
  if (sim.Complete()) sim.SimSdk_reset();
}

void DriverSession::WriteSettings(const std::vector<std::string>& models, int width, int height) {
  std::ofstream ini(dir.path() / "SVS-Vistek.ini");
  for (const std::string& model : models) {
    ini << "[" << model << "]\nLogLevel=1\nLogDebugView=0\nLogIntoFile=0\nWidth=" << width << "\nHeight=" << height
        << "\nAcquisitionMode=Software trigger\n";
  }
}

LiveObjects DriverSession::Live() const {
  LiveObjects live;
  sim.SimSdk_getLiveObjects(&live.containers, &live.connections, &live.channels, &live.images);
  return live;
}

std::vector<std::pair<std::string, int>> DriverSession::CallCounts() const {
  std::map<std::string, int> counts;
  for (const std::string& line : sim.Journal()) ++counts[line.substr(0, line.find('('))];
  return {counts.begin(), counts.end()};
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace ecocam::testing
