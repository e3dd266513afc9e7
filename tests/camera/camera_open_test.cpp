// Open and Close of a camera found through the registry: the delivered size,
// the SDK calls, the failures of each fatal step with the port they leave
// and the cleanup they make, and the entry wait of racing opens.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "camera/camera_list.h"
#include "camera_fixture.h"
#include "platform/test_clock.h"

namespace ecocam::testing {
namespace {

using ::testing::ElementsAre;

class CameraOpenTest : public CameraFixture {
 protected:
  void SetUp() override {
    CameraFixture::SetUp();
    Settings("eco424MVGE", false);
    Settings("eco424CVGE", true);
  }
  void TearDown() override {
    CameraList::DestroyInstance();
    CameraFixture::TearDown();
  }
  CameraList& Discovered() {
    CameraList& list = CameraList::GetInstance();
    EXPECT_TRUE(list.Init());
    DriverLog::Take();
    return list;
  }
  // True when the SDK holds no connection of the camera (a new one opens).
  static bool Disconnected(const Camera& camera) {
    if (sdk::Camera_openConnection(camera.Handle(), 1.0f) != 0) return false;
    sdk::Camera_closeConnection(camera.Handle());
    return true;
  }
  int _width = -1;
  int _height = -1;
};

TEST_F(CameraOpenTest, OpenRegistersAndCloseRunsTheWholeSequenceEvenWhenClosed) {
  CameraList& list = Discovered();
  Camera& camera = list.GetByName("eco424MVGE");
  ASSERT_TRUE(camera.Open(3, _width, _height));
  EXPECT_EQ(100, _width);  // the catalogue's default size
  EXPECT_EQ(100, _height);
  EXPECT_TRUE(camera.IsOpen());
  EXPECT_EQ(&camera, &list.GetByPort(3));
  EXPECT_TRUE(list.WaitThread().IsStored(&camera));
  EXPECT_EQ(1, sim.SimSdk_getChannelCount());
  EXPECT_EQ(10u, camera.Buffers().Size());
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(DriverLog::Contains(lines, "Opening camera eco424MVGE on port=3"));
  EXPECT_TRUE(DriverLog::Contains(lines, "Camera::Open: INFO: Streaming channel created, port=3"));
  EXPECT_TRUE(DriverLog::Contains(lines, "Camera::Open: leaving, port=3"));

  const std::string h = std::to_string(camera.Handle());
  const std::string channel = std::to_string(camera.StreamingChannel());
  sim.SimSdk_clearJournal();
  camera.Close();
  EXPECT_EQ(-1, camera.Port());
  EXPECT_FALSE(list.WaitThread().IsStored(&camera));
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  // The camera streams until the close: the stream callback looks at each
  // frame it skips (its signal and resent packets) on the SDK's thread.
  std::vector<std::string> calls = sim.Journal();
  calls.erase(std::remove_if(calls.begin(), calls.end(),
                             [](const std::string& line) {
                               return line.rfind("Image_getSignalType(", 0) == 0 ||
                                      line.rfind("Image_getPacketResend(", 0) == 0;
                             }),
              calls.end());
  EXPECT_THAT(calls, ElementsAre("Camera_setAcquisitionControl(" + h + ",0)", "Camera_setAcquisitionMode(" + h + ",0)",
                                 ::testing::StartsWith("StreamingChannel_getFrameLoss(" + channel + ","),
                                 "StreamingChannel_delete(" + channel + ")", "Camera_closeConnection(" + h + ")"));
  EXPECT_THROW(list.GetByPort(3), std::runtime_error);

  // Again on the closed camera: the warning and the whole sequence, but the
  // deleted channel's handle is not deleted twice.
  DriverLog::Take();
  sim.SimSdk_clearJournal();
  camera.Close();
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "Camera::Close: WARNING: called on already closed camera"));
  EXPECT_THAT(sim.Journal(),
              ElementsAre("Camera_setAcquisitionControl(" + h + ",0)", "Camera_setAcquisitionMode(" + h + ",0)",
                          "Camera_closeConnection(" + h + ")"));
}

TEST_F(CameraOpenTest, SecondOpenOfAnOpenCameraFailsAndKeepsTheFirstPort) {
  Camera& camera = Discovered().GetByName("eco424CVGE");
  ASSERT_TRUE(camera.Open(1, _width, _height));
  EXPECT_FALSE(camera.Open(2, _width, _height));
  EXPECT_EQ(0, _width);
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "Camera::Open: ERROR:  eco424CVGE is already open on port 1"));
  EXPECT_TRUE(camera.IsOpen());
  EXPECT_EQ(1, camera.Port());
}

TEST_F(CameraOpenTest, BinningHalvesTheDeliveredSize) {
  sim.SimSdk_clearCameras();
  sim.SimSdk_addCamera("eco1296MVGE", 1296, 966, 0);
  Settings("eco1296MVGE", false, [](CameraParameters& p) { SetSize(p, 1296, 966, 3); });
  Camera& camera = Discovered().GetByName("eco1296MVGE");
  ASSERT_TRUE(camera.Open(1, _width, _height));
  EXPECT_EQ(648, _width);
  EXPECT_EQ(483, _height);
  EXPECT_EQ(483, camera.Height());
  EXPECT_EQ(1296 * 966, camera.Buffers()[0].Size());  // buffers hold the unbinned frame
  camera.Close();

  // An odd width cannot be binned: validation switches binning off first.
  Settings("eco1296MVGE", false, [](CameraParameters& p) { SetSize(p, 1295, 965, 3); });
  DriverLog::Take();
  ASSERT_TRUE(camera.Open(1, _width, _height));
  EXPECT_EQ(1295, _width);
  EXPECT_EQ(965, _height);
  bool warned = false;
  for (const std::string& line : DriverLog::Take()) {
    warned = warned || (line.rfind("Camera::Open: WARNING: Configuration not valid: ", 0) == 0 &&
                        line.find("For binning mode 2x2") != std::string::npos);
  }
  EXPECT_TRUE(warned);
}

TEST_F(CameraOpenTest, TheCameraOpenedLastSetsTheLogThresholds) {
  Settings("eco424MVGE", false, [](CameraParameters& p) { p.Get("LogDebugView").set_val<int>(2); });
  Settings("eco424CVGE", true, [](CameraParameters& p) {
    p.Get("LogLevel").set_val<int>(3);
    p.Get("LogDebugView").set_val<int>(1);
  });
  CameraList& list = Discovered();
  ASSERT_TRUE(list.GetByName("eco424MVGE").Open(1, _width, _height));
  EXPECT_EQ(2, DriverContext::GetInstance().LogDebugView.load());
  ASSERT_TRUE(list.GetByName("eco424CVGE").Open(2, _width, _height));
  EXPECT_EQ(3, DriverContext::GetInstance().LogLevel.load());
  EXPECT_EQ(1, DriverContext::GetInstance().LogDebugView.load());
}

// Each fatal step: its line, the port kept, and nothing left behind in the
// SDK or the wait thread.
TEST_F(CameraOpenTest, FailureAtEachFatalStepCleansUpAndKeepsThePort) {
  struct Case {
    const char* entryPoint;
    const char* line;
    const char* cause;  // the start of the line that gives the reason
    bool useLut;
  };
  const Case cases[] = {
      {"Camera_openConnection", "Camera::Open: ERROR: failed to open camera connection", "", false},
      {"Camera_setPixelDepth", "Camera::Open: ERROR: Could not set parameters to camera, port: 5",
       "CameraParameters::PushToCamera: ERROR: Error setting camera parameter: Camera_setPixelDepth", false},
      {"Camera_setLookupTableMode", "Camera::Open: ERROR: Could not set parameters to camera, port: 5",
       "Error setting camera parameter: Camera_setLUTMode error code=1010", true},
      {"StreamingChannel_create", "Camera::Open: ERROR StreamingChannel_create failed  rc=1010, port=5", "", false},
      {"Camera_setAcquisitionControl", "Camera::Open: ERROR Camera_setAcquisitionControl failed  rc=1010, port=5", "",
       false},
  };
  CameraList& list = Discovered();
  Camera& camera = list.GetByName("eco424MVGE");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entryPoint);
    Settings("eco424MVGE", false, [&](CameraParameters& p) { p.Get("UseLUT").set_val<bool>(c.useLut); });
    ASSERT_EQ(0, sim.SimSdk_failCall(c.entryPoint, simsdk::kInternalError, 0));
    EXPECT_FALSE(camera.Open(5, _width, _height));
    const auto lines = DriverLog::Take();
    EXPECT_TRUE(DriverLog::Contains(lines, c.line));
    EXPECT_TRUE(
        std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(c.cause, 0) == 0; }));
    EXPECT_TRUE(DriverLog::Contains(lines, "Camera::CleanupOnClose: leaving"));
    EXPECT_FALSE(camera.IsOpen());
    EXPECT_EQ(5, camera.Port());
    EXPECT_EQ(0, sim.SimSdk_getChannelCount());
    EXPECT_FALSE(list.WaitThread().IsStored(&camera));
    EXPECT_EQ(-1, camera.StreamingChannel());
    EXPECT_TRUE(Disconnected(camera));
    // A closed camera holds no port, whatever it kept: a later call on
    // the port must not reach it (and, say, open it on the side).
    EXPECT_THROW(list.GetByPort(5), std::runtime_error);
    EXPECT_TRUE(
        DriverLog::Contains(DriverLog::Take(), "CameraList::GetByPort: ERROR: could not find camera on port 5"));
    sim.SimSdk_clearFaults();
  }
  // The camera opens normally afterwards.
  ASSERT_TRUE(camera.Open(5, _width, _height));
}

TEST_F(CameraOpenTest, FailuresOfThePacketSizeOrAnotherSetterDoNotStopTheOpen) {
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_evaluateMaximalPacketSize", simsdk::kInternalError, 0));
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_setGain", simsdk::kInternalError, 0));
  Camera& camera = Discovered().GetByName("eco424MVGE");
  ASSERT_TRUE(camera.Open(4, _width, _height));
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(
      DriverLog::Contains(lines, "Camera::Open: ERROR Camera_evaluateMaximalPacketSize failed  rc=1010, port=4"));
  EXPECT_TRUE(DriverLog::Contains(lines, "Camera::Open: INFO: Eval packet size=0, port=4"));
}

TEST_F(CameraOpenTest, AnOpenWithoutBuffersFailsAndCleansUp) {
  Settings("eco424MVGE", false, [](CameraParameters& p) { p.Get("Width").set_val<int>(0); });
  CameraList& list = Discovered();
  Camera& camera = list.GetByName("eco424MVGE");
  EXPECT_FALSE(camera.Open(6, _width, _height));
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(DriverLog::Contains(lines, "Camera::Open: ERROR: image buffers could not be built, port=6"));
  EXPECT_FALSE(camera.IsOpen());
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  EXPECT_FALSE(list.WaitThread().IsStored(&camera));
  EXPECT_TRUE(Disconnected(camera));
}

// A closed camera that kept its port from a failed open does not hide the
// camera opened on that port afterwards.
TEST_F(CameraOpenTest, GetByPortPrefersTheOpenCameraOverOneThatKeptThePort) {
  CameraList& list = Discovered();
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_openConnection", simsdk::kInternalError, 0));
  EXPECT_FALSE(list.GetByName("eco424MVGE").Open(7, _width, _height));
  Camera& colour = list.GetByName("eco424CVGE");
  ASSERT_TRUE(colour.Open(7, _width, _height));
  DriverLog::Take();
  EXPECT_EQ(&colour, &list.GetByPort(7));
  for (const std::string& line : DriverLog::Take()) EXPECT_EQ(std::string::npos, line.find("GetByPort")) << line;
}

// Two threads open one camera at once: one gets in, the other waits in
// one-second steps (a test clock turns them into no time) and gives up.
TEST_F(CameraOpenTest, RacingOpenWaitsFiveSecondsThenQuits) {
  Camera& camera = Discovered().GetByName("eco424MVGE");
  ASSERT_EQ(0, sim.SimSdk_delayCall("Camera_openConnection", 300));
  platform::TestClock clock(1000);
  bool firstOpened = false;
  std::thread first([&] {
    int w = 0, h = 0;
    firstOpened = camera.Open(8, w, h);
  });
  while (!DriverLog::Contains(DriverLog::Peek(), "Opening camera eco424MVGE on port=8")) std::this_thread::yield();
  const bool secondOpened = camera.Open(9, _width, _height);
  first.join();
  EXPECT_TRUE(firstOpened);
  EXPECT_FALSE(secondOpened);
  EXPECT_EQ(8, camera.Port());
  EXPECT_EQ(6000u, clock.NowMs());
  const auto lines = DriverLog::Take();
  EXPECT_EQ(5, DriverLog::Count(lines, "Camera::Open: already inside open, waiting 1s, port=9"));
  EXPECT_EQ(1, DriverLog::Count(lines, "Camera::Open: already inside open, quitting, port=9"));
  sim.SimSdk_delayCall("Camera_openConnection", 0);
}

int ECOCAM_CALL CallbackA(int, int) { return 0; }
int ECOCAM_CALL CallbackB(int, int) { return 0; }

TEST_F(CameraOpenTest, CompletionCallbackIsSetReplacedAndCleared) {
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, 1);
  camera.SetCompleteCB(&CallbackA);
  camera.SetCompleteCB(&CallbackA);
  camera.SetCompleteCB(&CallbackB);
  camera.SetCompleteCB(nullptr);
  camera.SetCompleteCB(nullptr);
  EXPECT_EQ(nullptr, camera.CompleteCB());
  EXPECT_THAT(DriverLog::Take(),
              ElementsAre("Camera::SetCompleteCB: ",
                          "Camera::SetCompleteCB: CB was already assigned. The new CB is the same function. ",
                          "Camera::SetCompleteCB: CB was already assigned. ",
                          "Camera::SetCompleteCB: CB was already assigned. Resetting CB to null. ",
                          "Camera::SetCompleteCB: Resetting CB to null. "));
}

TEST_F(CameraOpenTest, ContinuousModeSetsTheRequestAndCloseWithdrawsIt) {
  Camera& camera = Discovered().GetByName("eco424MVGE");
  camera.SetContinuousGrab(true);
  EXPECT_TRUE(camera.GrabRequested());
  // Open switches continuous mode off and leaves no request behind.
  ASSERT_TRUE(camera.Open(1, _width, _height));
  EXPECT_FALSE(camera.Continuous());
  EXPECT_FALSE(camera.GrabRequested());
  camera.SetContinuousGrab(false);
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(),
                                  "Camera::SetContinuousGrab has no effect -- the same mode is already active"));
  camera.SetContinuousGrab(true);
  camera.Close();
  EXPECT_TRUE(camera.Continuous());
  EXPECT_FALSE(camera.GrabRequested());
}

TEST_F(CameraOpenTest, ConstructionWithANullNameThrows) {
  try {
    Camera camera(nullptr, CameraInfo{1, "eco424MVGE"}, 1);
    FAIL() << "constructed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("Camera constructor failed", e.what());
  }
  EXPECT_THAT(DriverLog::Take(), ElementsAre("Camera::Camera: ERROR: parameters name and/or device are 0"));
}

}  // namespace
}  // namespace ecocam::testing
