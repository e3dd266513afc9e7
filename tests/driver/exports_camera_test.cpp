// The exports with discovered cameras of the simulated SDK: the
// initialize/finalize cycles that keep, destroy and rediscover them, the
// names, and a camera opened and closed on a port.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_session.h"

namespace ecocam::testing {
namespace {

int gCompletions = 0;
int ECOCAM_CALL Completed(int, int) { return ++gCompletions; }

class ExportsCameraTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();  // eco424MVGE and eco424CVGE
    if (HasFatalFailure()) return;
    // Opening a camera copies its log thresholds into the driver: keep the
    // usual ones for the tests that follow in this process.
    std::ofstream(dir.path() / "SVS-Vistek.ini")
        << "[eco424MVGE]\nLogLevel=3\nLogDebugView=3\n[eco424CVGE]\nLogLevel=3\nLogDebugView=3\n";
  }
  static std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (char** names = getCVLCameraConfigNames(); *names != nullptr; ++names) out.emplace_back(*names);
    return out;
  }
  int Calls(const std::string& entryPoint) const { return static_cast<int>(sim.JournalOf(entryPoint).size()); }
};

TEST_F(ExportsCameraTest, TheLastFinalizeDestroysTheCamerasAndTheNextInitializeFindsThemAgain) {
  const std::string path = dir.path().string();
  ASSERT_EQ(1, initialize(path.c_str(), nullptr));
  ASSERT_EQ(1, initialize(path.c_str(), nullptr));
  EXPECT_EQ(2, getCVLNoOfSupportedCameras());
  EXPECT_EQ((std::vector<std::string>{"eco424MVGE", "eco424CVGE"}), Names());
  EXPECT_EQ(1, Calls("CameraContainer_discovery"));

  EXPECT_EQ(1, finalize());
  EXPECT_EQ(2, getCVLNoOfSupportedCameras());
  EXPECT_EQ(0, Calls("CameraContainer_delete"));
  EXPECT_EQ(1, finalize());
  EXPECT_EQ(0, getCVLNoOfSupportedCameras());
  EXPECT_EQ(1, Calls("CameraContainer_delete"));

  ASSERT_EQ(1, initialize(path.c_str(), nullptr));
  EXPECT_EQ(2, getCVLNoOfSupportedCameras());
  EXPECT_EQ(2, Calls("CameraContainer_discovery"));
  EXPECT_EQ(1, finalize());
}

TEST_F(ExportsCameraTest, ACameraOpensOnAPortAndLeavesItWhenClosed) {
  ASSERT_EQ(1, initialize(dir.path().string().c_str(), nullptr));
  int size[2] = {0, 0};
  ASSERT_EQ(1, openCVLPort(0, 2, "eco424CVGE", size));
  EXPECT_EQ(100, size[0]);
  EXPECT_EQ(100, size[1]);
  EXPECT_EQ(1, sim.SimSdk_getChannelCount());
  EXPECT_EQ(1, setCompleteCallback(0, 2, &Completed));
  EXPECT_EQ(0, openCVLPort(0, 3, "eco424CVGE", size));  // already open on port 2

  closeCVLPort(0, 2);
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  EXPECT_EQ(0, setCompleteCallback(0, 2, &Completed));  // nobody holds port 2 now

  // A failed open reports 0; the finalize closes what is still open.
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_openConnection", simsdk::kInternalError, 0));
  EXPECT_EQ(0, openCVLPort(0, 4, "eco424MVGE", size));
  ASSERT_EQ(1, openCVLPort(0, 5, "eco424MVGE", size));
  EXPECT_EQ(1, finalize());
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  EXPECT_EQ(0, gCompletions);
}

}  // namespace
}  // namespace ecocam::testing
