// Ports as the host owns them, through the exports: a closed camera holds no
// port (not -1, not the port of a failed open), ports outside 0 to 19 are no
// camera's, a camera still opening is not reachable by its port, and the one
// wait thread serves busy cameras in turn so that none starves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_session.h"

namespace ecocam::testing {
namespace {

bool Logged(const std::string& part) { return HostLog::Holds(part); }

class ExportsPortsTest : public HostSessionTest {
 protected:
  void Initialize(const std::string& ini = "") {
    std::ofstream(dir.path() / "SVS-Vistek.ini") << ini;
    ASSERT_EQ(1, initialize(dir.path().string().c_str(), &HostLog::Procedure));
  }

  int size[2] = {0, 0};
};

TEST_F(ExportsPortsTest, AClosedCameraIsNoPortsAndPortsOutsideTheRangeAreRefused) {
  Initialize();
  int value = 0;
  // Every camera is closed and keeps port -1: no call on -1 reaches one.
  EXPECT_EQ(0, doCVLGrab(0, -1));
  EXPECT_EQ(0, setProperty(0, -1, "ExposureTime", 500));
  EXPECT_EQ(0, setProperty(0, -1, "Reset", 1));
  EXPECT_EQ(0, getProperty(0, -1, "ExposureTime", &value));
  EXPECT_TRUE(Logged("port -1 is outside 0 to 19"));
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  // Nothing was opened on the side: the camera opens on the host's port and
  // keeps the exposure of its stored settings, not the refused write.
  ASSERT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
  ASSERT_EQ(1, getProperty(0, 0, "ExposureTime", &value));
  EXPECT_NE(500, value);
  closeCVLPort(0, 0);
  // After the close the port is nobody's.
  EXPECT_EQ(0, doCVLGrab(0, 0));
  EXPECT_EQ(0, getProperty(0, 0, "ExposureTime", &value));

  EXPECT_EQ(0, openCVLPort(0, 20, "eco424MVGE", size));
  EXPECT_EQ(0, openCVLPort(0, -1, "eco424MVGE", size));
  EXPECT_EQ(0, size[0]);
  EXPECT_TRUE(Logged("openCVLPort: ERROR: port outside 0 to 19"));
  EXPECT_EQ(0, doCVLGrab(0, 20));
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
}

TEST_F(ExportsPortsTest, AFailedOpenKeepsNoPort) {
  Initialize();
  ASSERT_EQ(0, sim.SimSdk_failCall("StreamingChannel_create", simsdk::kInternalError, 0));
  EXPECT_EQ(0, openCVLPort(0, 4, "eco424MVGE", size));
  EXPECT_EQ(0, doCVLGrab(0, 4));
  EXPECT_EQ(0, setProperty(0, 4, "Reset", 1));
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  sim.SimSdk_clearFaults();
  EXPECT_EQ(1, openCVLPort(0, 4, "eco424MVGE", size));
}

// A camera still opening (its connection answers slowly) is not reachable by
// its port: property calls meanwhile fail instead of reading or writing the
// set the open is writing. Under ThreadSanitizer this is the race detector's
// case as well.
TEST_F(ExportsPortsTest, ACameraStillOpeningIsNotReachedByItsPort) {
  Initialize();
  ASSERT_EQ(0, sim.SimSdk_delayCall("Camera_openConnection", 300));
  std::atomic<bool> started{false};
  std::atomic<bool> opened{false};
  std::thread opener([&] {
    started = true;
    opened = openCVLPort(0, 2, "eco424MVGE", size) == 1;
  });
  while (!started.load()) std::this_thread::yield();
  // The open cannot end within 200 ms of its start: the connection alone
  // takes 300 ms. Every call in that window meets a camera still opening.
  const auto window = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  int answered = 0;
  int tries = 0;
  while (std::chrono::steady_clock::now() < window) {
    int value = 0;
    answered += getProperty(0, 2, "Width", &value);
    answered += setProperty(0, 2, "Gain", 2);
    ++tries;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  opener.join();
  ASSERT_TRUE(opened.load());
  EXPECT_EQ(0, answered) << "a property call reached the camera while it was opening";
  EXPECT_GT(tries, 10);
  int width = 0;
  EXPECT_EQ(1, getProperty(0, 2, "Width", &width));
  EXPECT_EQ(size[0], width);
}

std::atomic<int> gBusyFrames{0};
std::atomic<int> gTriggered{0};

// A host that reads every row and then spends 10 ms on every frame of the
// busy cameras: together they ask for more time than the wait thread has.
int ECOCAM_CALL Busy(int grabberNo, int portNo) {
  unsigned char row[320];
  for (int y = 0; y < 240; ++y) getCVLGrabRow(grabberNo, portNo, row, y, 0, 319);
  ++gBusyFrames;
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return 0;
}

int ECOCAM_CALL Triggered(int grabberNo, int portNo) {
  unsigned char row[4096];
  getCVLGrabRow(grabberNo, portNo, row, 0, 0, 0);
  ++gTriggered;
  return 0;
}

// Two cameras free-running at 200 frames/s with a slow host callback keep the
// wait thread saturated; a third camera, registered last, in software
// trigger mode, still has every grab answered within a bounded delay.
TEST_F(ExportsPortsTest, TwoSaturatingCamerasDoNotStarveAThird) {
  sim.SimSdk_clearCameras();
  for (const char* model : {"eco204MVGE", "eco267MVGE", "eco424MVGE"}) {
    const int index = sim.SimSdk_addCamera(model, 320, 240, 0);
    ASSERT_GE(index, 0);
    sim.SimSdk_setCameraLimit(index, "FrameRateMax", 200.0);
  }
  Initialize(
      "[eco204MVGE]\nFrameRate=200\n[eco267MVGE]\nFrameRate=200\n"
      "[eco424MVGE]\nAcquisitionMode=Software trigger\n");
  gBusyFrames = 0;
  gTriggered = 0;
  ASSERT_EQ(1, openCVLPort(0, 0, "eco204MVGE", size));
  ASSERT_EQ(1, openCVLPort(0, 1, "eco267MVGE", size));
  ASSERT_EQ(1, openCVLPort(0, 2, "eco424MVGE", size));
  for (int port : {0, 1}) {
    ASSERT_EQ(1, setCompleteCallback(0, port, &Busy));
    ASSERT_EQ(1, setProperty(0, port, "continuous", 1));
  }
  ASSERT_EQ(1, setCompleteCallback(0, 2, &Triggered));
  while (gBusyFrames.load() < 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  for (int grab = 1; grab <= 3; ++grab) {
    ASSERT_EQ(1, doCVLGrab(0, 2));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (gTriggered.load() < grab && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(grab, gTriggered.load()) << "trigger " << grab << " unanswered within 3 s";
  }
  for (int port : {0, 1, 2}) closeCVLPort(0, port);
}

}  // namespace
}  // namespace ecocam::testing
