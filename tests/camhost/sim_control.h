// The simulated SDK's control interface for tests that run camhost's parts
// in their own process: resolved from the SDK library beside the test,
// which is the one the driver loads, so both talk to one simulation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_system.h"
#include "platform/dynamic_library.h"
#include "platform/system.h"
#include "simsdk_control.h"

namespace camhost::testing {

class SimControl {
 public:
  SimControl() {
    const std::string path = ExecutableDir() + ecocam::platform::kPathSeparator + CAMHOST_SIM_SDK_FILE;
    if (!_library.Load(path.c_str())) return;
#define CAMHOST_SIM_RESOLVE(ret, name, params) name = reinterpret_cast<simsdk::name##_fn>(_library.Resolve(#name));
    SIMSDK_CONTROL_API(CAMHOST_SIM_RESOLVE)
#undef CAMHOST_SIM_RESOLVE
  }
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  bool Complete() const { return SimSdk_reset != nullptr && SimSdk_getJournalEntry != nullptr; }

  // The journal lines of one entry point, oldest first.
  std::vector<std::string> JournalOf(const std::string& entry) const {
    std::vector<std::string> lines;
    for (int i = 0; i < SimSdk_getJournalCount(); ++i) {
      std::string line(static_cast<std::size_t>(SimSdk_getJournalEntry(i, nullptr, 0)) + 1, '\0');
      SimSdk_getJournalEntry(i, line.data(), static_cast<int>(line.size()));
      line.resize(line.size() - 1);
      if (line.rfind(entry + "(", 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  // After a view closed mid-stream: every image of channel 0 is back with
  // the SDK, none lost or still out when the channel went (frames queued at
  // the close are handed back unseen by design), and at least the
  // `received` ones were released by the driver.
  void ExpectEveryImageBack(long long received) const {
    long long produced = 0, delivered = 0, lost = 0, released = 0, reclaimed = 0, refused = 0, abandoned = 0;
    SimSdk_getFrameCounters(0, &produced, &delivered, &lost, &released, &reclaimed);
    SimSdk_getReclaimCounters(0, &refused, &abandoned);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(abandoned, 0);
    EXPECT_EQ(delivered, released + reclaimed);
    EXPECT_GE(released, received);
  }
  // No container, connection, channel or image of the SDK's is left.
  void ExpectNothingLive() const {
    int containers = -1, connections = -1, channels = -1, images = -1;
    SimSdk_getLiveObjects(&containers, &connections, &channels, &images);
    EXPECT_EQ(containers + connections + channels + images, 0);
  }

#define CAMHOST_SIM_MEMBER(ret, name, params) simsdk::name##_fn name = nullptr;
  SIMSDK_CONTROL_API(CAMHOST_SIM_MEMBER)
#undef CAMHOST_SIM_MEMBER

 private:
  ecocam::platform::DynamicLibrary _library;
};

}  // namespace camhost::testing
