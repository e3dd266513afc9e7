// Cameras that misbehave, through the exports: frames lost on the network
// and counted, a camera that goes away while open and comes back, and a
// camera whose every setter is slow while another one streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"
#include "sdk/sdk_entry_points.h"
#include "support/finishes_within.h"
#include "support/host_session.h"

namespace ecocam::testing {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Counts the frames of ports 0 and 1 and hands each back at once by reading
// its last row (the default cameras' frames are 656 x 490).
std::atomic<int> gFrames[2];
// When set, the next frame's callback closes port 1 from the wait thread.
std::atomic<bool> gCloseOneFromCallback{false};
std::atomic<bool> gClosedFromCallback{false};
int ECOCAM_CALL Completed(int, int port) {
  if (port != 0 && port != 1) return 0;
  ++gFrames[port];
  if (gCloseOneFromCallback.exchange(false)) {
    closeCVLPort(0, 1);
    gClosedFromCallback = true;
  }
  unsigned char row[656 * 3];
  getCVLGrabRow(0, port, row, 489, 0, 655);
  return 0;
}

template <typename Done>
bool Eventually(Done done, std::chrono::milliseconds limit = 20s) {
  const auto deadline = SteadyClock::now() + limit;
  while (!done() && SteadyClock::now() < deadline) std::this_thread::sleep_for(10ms);
  return done();
}

class ExportsMisbehaviourTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();
    if (HasFatalFailure()) return;
    gFrames[0] = gFrames[1] = 0;
    gCloseOneFromCallback = false;
    gClosedFromCallback = false;
  }
  void DelayEverySetter(int ms) {
#define DELAY_SETTER(row, ret, name, params, args, fallback) \
  if (std::string(#name).rfind("Camera_set", 0) == 0) sim.SimSdk_delayCall(#name, ms);
    ECOCAM_SDK_ENTRY_POINTS(DELAY_SETTER, DELAY_SETTER)
#undef DELAY_SETTER
  }
  void Start(const std::string& mode = "Fixed frequency") {
    {
      std::ofstream ini(dir.path() / "SVS-Vistek.ini");
      for (const char* model : {"eco424MVGE", "eco424CVGE"}) {
        ini << "[" << model << "]\nLogLevel=1\nLogDebugView=0\nWidth=656\nHeight=490\nAcquisitionMode=" << mode
            << "\nFrameRate=30\n";
      }
    }
    ASSERT_EQ(1, initialize(dir.path().string().c_str(), &HostLog::Procedure));
    ASSERT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
    ASSERT_EQ(1, setCompleteCallback(0, 0, &Completed));
  }
  // Lines of the log that hold `part`.
  long LinesWith(const std::string& part) {
    const std::vector<std::string> lines = log.Peek();
    return static_cast<long>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; }));
  }
  int Property(const char* name) {
    int value = -1;
    EXPECT_EQ(1, getProperty(0, 0, name, &value)) << name;
    return value;
  }
  bool NothingLeft() {
    int connections = -1, channels = -1, images = -1;
    sim.SimSdk_getLiveObjects(nullptr, &connections, &channels, &images);
    return connections == 0 && channels == 0 && images == 0;
  }

  int size[2] = {0, 0};
};

TEST_F(ExportsMisbehaviourTest, LostFramesAreCountedReadOnlyAndLoggedOnce) {
  Start();
  const int camera = sim.SimSdk_findCamera("eco424MVGE");
  ASSERT_EQ(0, sim.SimSdk_setPacketLoss(camera, 20, 500));
  ASSERT_EQ(1, setProperty(0, 0, "continuous", 1));
  long long incomplete = 0;
  ASSERT_TRUE(Eventually([&] {
    sim.SimSdk_getLossCounters(0, &incomplete, nullptr);
    return gFrames[0] >= 10 && incomplete >= 3;
  }));
  // Frames stop; the wait thread's next check (once a second) reads the loss.
  ASSERT_EQ(0, sim.SimSdk_pauseFrames(1));
  long long delivered = 0, resent = 0;
  ASSERT_TRUE(Eventually([&] {
    sim.SimSdk_getFrameCounters(0, nullptr, &delivered, nullptr, nullptr, nullptr);
    sim.SimSdk_getLossCounters(0, &incomplete, &resent);
    return Property("FramesIncomplete") == incomplete;
  }));
  EXPECT_EQ(delivered, Property("framesdelivered"));
  EXPECT_EQ(resent, Property("PACKETSRESENT"));
  EXPECT_GT(resent, 0);

  // Read-only, and no parameter: a write or a range answers as for a name
  // the driver does not know.
  int min = -1, max = -1;
  EXPECT_EQ(0, setProperty(0, 0, "FramesIncomplete", 0));
  EXPECT_EQ(0, getPropertyRange(0, 0, "PacketsResent", &min, &max));
  EXPECT_EQ(incomplete, Property("FramesIncomplete"));

  // One line for the whole episode, naming the camera and its port.
  EXPECT_EQ(1, LinesWith("loses frames")) << HostLog::All();
  EXPECT_EQ(1, LinesWith("camera eco424MVGE loses frames, port=0: ")) << HostLog::All();
  closeCVLPort(0, 0);
  EXPECT_TRUE(NothingLeft());
}

TEST_F(ExportsMisbehaviourTest, ACameraThatGoesAwayIsReportedOnceClosedAtOnceAndReopenedWhenBack) {
  Start();
  ASSERT_EQ(1, setProperty(0, 0, "continuous", 1));
  ASSERT_TRUE(Eventually([] { return gFrames[0] >= 2; }));
  constexpr int kDelayMs = 1500;
  const int camera = sim.SimSdk_findCamera("eco424MVGE");
  const auto vanished = SteadyClock::now();
  ASSERT_EQ(0, sim.SimSdk_vanishCamera(camera, kDelayMs));
  ASSERT_TRUE(Eventually([&] { return LinesWith("does not answer any more") > 0; }));
  // The host keeps calling: a grab, a property read, and a property write
  // that talks to the camera answer within the SDK's timeout.
  EXPECT_TRUE(FinishesWithin(std::chrono::milliseconds(kDelayMs) * 3, [] {
    doCVLGrab(0, 0);
    int value = 0;
    getProperty(0, 0, "FramesDelivered", &value);
    setProperty(0, 0, "Gain", 2);
  }));
  std::chrono::milliseconds closeTook{0};
  ASSERT_TRUE(FinishesWithin(std::chrono::milliseconds(kDelayMs + 1000), [&] {
    const auto start = SteadyClock::now();
    closeCVLPort(0, 0);
    closeTook = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start);
  }));
  const auto vanishToClose = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - vanished);
  std::printf("close took %lld ms, vanishing to close returned %lld ms (SDK delay %d ms)\n",
              static_cast<long long>(closeTook.count()), static_cast<long long>(vanishToClose.count()), kDelayMs);
  EXPECT_LT(closeTook, 1000ms);  // no call that waits for the camera
  // The one call in between that waited for the camera took the SDK's delay.
  EXPECT_LE(vanishToClose, std::chrono::milliseconds(kDelayMs) + 1000ms);
  EXPECT_TRUE(NothingLeft());
  EXPECT_EQ(1, LinesWith("camera eco424MVGE does not answer any more, port=0")) << HostLog::All();

  // Still gone: the open fails within the SDK's timeout and leaves nothing.
  EXPECT_TRUE(FinishesWithin(std::chrono::milliseconds(kDelayMs + 2000),
                             [&] { EXPECT_EQ(0, openCVLPort(0, 0, "eco424MVGE", size)); }));
  EXPECT_TRUE(NothingLeft());
  // Back: the same name opens again without a new initialize, and streams.
  ASSERT_EQ(0, sim.SimSdk_restoreCamera(camera));
  ASSERT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
  ASSERT_EQ(1, setCompleteCallback(0, 0, &Completed));
  gFrames[0] = 0;
  ASSERT_EQ(1, setProperty(0, 0, "continuous", 1));
  EXPECT_TRUE(Eventually([] { return gFrames[0] >= 2; }));
  EXPECT_TRUE(FinishesWithin(5s, [] { finalize(); }));
  EXPECT_TRUE(NothingLeft());
}

TEST_F(ExportsMisbehaviourTest, FailingSoftwareTriggersAreReportedOnceAndTheCloseAsksTheCameraNothing) {
  Start("Software trigger");
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_softwareTrigger", simsdk::kCameraTimeout, 1));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(1, doCVLGrab(0, 0));
  EXPECT_EQ(1, LinesWith("sw trigger failed")) << HostLog::All();
  EXPECT_EQ(1, LinesWith("camera eco424MVGE does not answer any more, port=0")) << HostLog::All();
  EXPECT_EQ(1u, sim.JournalOf("Camera_softwareTrigger").size());
  sim.SimSdk_clearJournal();
  closeCVLPort(0, 0);
  EXPECT_TRUE(sim.JournalOf("Camera_setAcquisitionControl").empty());
  EXPECT_TRUE(NothingLeft());
}

// Every setter of the SDK takes 200 ms while the colour camera opens: the
// mono camera keeps streaming meanwhile, and a close of the colour camera
// from another thread waits for the open to end, then closes it.
TEST_F(ExportsMisbehaviourTest, SlowSettersDelayOnlyTheirCameraAndACloseWaitsItsTurn) {
  Start();
  ASSERT_EQ(1, setProperty(0, 0, "continuous", 1));
  ASSERT_TRUE(Eventually([] { return gFrames[0] >= 2; }));
  DelayEverySetter(200);
  sim.SimSdk_clearJournal();
  std::atomic<int> opened{-1};
  std::atomic<bool> closed{false};
  int colourSize[2] = {0, 0};
  const auto start = SteadyClock::now();
  std::thread opener([&] { opened = openCVLPort(0, 1, "eco424CVGE", colourSize); });
  std::thread closer;
  const bool bounded = FinishesWithin(60s, [&] {
    // The open has started (its first setter is in the journal) when the close comes.
    Eventually([&] { return !sim.JournalOf("Camera_setFrameRate").empty(); });
    closer = std::thread([&] {
      closeCVLPort(0, 1);
      closed = true;
    });
    const int framesBefore = gFrames[0];
    std::this_thread::sleep_for(1s);
    std::printf("mono frames in the second: %d\n", gFrames[0] - framesBefore);
    EXPECT_GE(gFrames[0] - framesBefore, 10) << "the mono camera stalled while the colour camera opened";
    opener.join();
    closer.join();
  });
  ASSERT_TRUE(bounded);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start);
  std::printf("open with 200 ms setters took %lld ms\n", static_cast<long long>(took.count()));
  EXPECT_EQ(1, opened.load());
  EXPECT_TRUE(closed);
  int value = 0;
  EXPECT_EQ(0, getProperty(0, 1, "PixelSize", &value)) << "the close ran before the open ended";
  int connections = -1, channels = -1;
  sim.SimSdk_getLiveObjects(nullptr, &connections, &channels, nullptr);
  EXPECT_EQ(1, connections);
  EXPECT_EQ(1, channels);
}

// A host callback (on the driver's wait thread) that closes a port whose
// open is still running on another thread must neither wait for that open
// (the open may be waiting for the wait thread) nor tear it down midway.
TEST_F(ExportsMisbehaviourTest, ACloseFromACallbackDuringAnotherThreadsOpenIsNotDone) {
  Start();
  ASSERT_EQ(1, setProperty(0, 0, "continuous", 1));
  ASSERT_TRUE(Eventually([] { return gFrames[0] >= 2; }));
  DelayEverySetter(100);
  sim.SimSdk_clearJournal();
  std::atomic<int> opened{-1};
  int colourSize[2] = {0, 0};
  std::thread opener([&] { opened = openCVLPort(0, 1, "eco424CVGE", colourSize); });
  const bool bounded = FinishesWithin(60s, [&] {
    Eventually([&] { return !sim.JournalOf("Camera_setFrameRate").empty(); });
    gCloseOneFromCallback = true;
    EXPECT_TRUE(Eventually([] { return gClosedFromCallback.load(); }, 10s)) << "the callback's close did not return";
    opener.join();
  });
  ASSERT_TRUE(bounded);
  EXPECT_EQ(1, opened.load());
  EXPECT_EQ(1, LinesWith("Camera::Close: WARNING: eco424CVGE is being opened or closed by another thread"));
  int pixelSize = 0;
  EXPECT_EQ(1, getProperty(0, 1, "PixelSize", &pixelSize)) << "the open was torn down by the callback's close";
  EXPECT_EQ(24, pixelSize);
  sim.SimSdk_clearFaults();
  closeCVLPort(0, 1);
  EXPECT_EQ(0, getProperty(0, 1, "PixelSize", &pixelSize));
}

}  // namespace
}  // namespace ecocam::testing
