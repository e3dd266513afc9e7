// The wait thread's list of cameras: registration, removal, the rebuilt wait
// and the bounds of the list.
#include <atomic>
#include <chrono>
#include <thread>

#include "camera/camera.h"
#include "camera/camera_wait_thread.h"
#include "camera_fixture.h"
#include "platform/test_clock.h"

namespace ecocam::testing {
namespace {

class WaitThreadTest : public CameraFixture {
 protected:
  // Polls until `done` or about five seconds have passed.
  template <typename Done>
  static bool Eventually(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  }
};

TEST_F(WaitThreadTest, StoreTwiceKeepsOneEntryAndRemoveLeavesTheRebuiltWait) {
  CameraWaitThread thread;
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, 1);
  thread.StoreWaitCamera(&camera);
  thread.StoreWaitCamera(&camera);
  EXPECT_EQ(1, thread.StoredCount());
  EXPECT_TRUE(Eventually([&] { return thread.WaitCount() == 3; }));
  EXPECT_EQ(&camera, thread.GetWaitCamera(0));

  thread.RemoveWaitCamera(&camera);
  // Once RemoveWaitCamera returns the thread no longer waits on the camera.
  EXPECT_EQ(2, thread.WaitCount());
  EXPECT_FALSE(thread.IsStored(&camera));
  thread.RemoveWaitCamera(&camera);  // not stored: no error
  EXPECT_THROW(thread.GetWaitCamera(0), std::runtime_error);

  const auto lines = DriverLog::Take();
  EXPECT_TRUE(
      DriverLog::Contains(lines, "CameraWaitThread::StoreWaitCamera: WARNING: wait camera already stored, port=-1"));
  EXPECT_TRUE(DriverLog::Contains(lines, "CameraWaitThread::ThreadMain: Event received: new camera grab wait"));
  EXPECT_TRUE(DriverLog::Contains(lines, "CameraWaitThread::AddWaitCameras: added camera on port=-1"));
  EXPECT_TRUE(DriverLog::Contains(lines, "CameraWaitThread::GetWaitCamera: ERROR: index out of range 0, n=0"));
}

// Every one of the host's 20 ports is served; a 21st camera is refused, so
// no camera opens without being served.
TEST_F(WaitThreadTest, WaitsOnTwentyCamerasAndRefusesMore) {
  CameraWaitThread thread;
  std::vector<std::unique_ptr<Camera>> cameras;
  for (int i = 0; i < 21; ++i) {
    cameras.push_back(std::make_unique<Camera>("eco424MVGE", CameraInfo{1, "eco424MVGE"}, i + 1));
    EXPECT_EQ(i < 20, thread.StoreWaitCamera(cameras.back().get())) << i;
  }
  EXPECT_EQ(20, thread.StoredCount());
  EXPECT_TRUE(Eventually([&] { return thread.WaitCount() == 22; }));
  for (auto& camera : cameras) thread.RemoveWaitCamera(camera.get());
  EXPECT_EQ(2, thread.WaitCount());
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(DriverLog::Contains(lines, "CameraWaitThread::AddWaitCameras: reached camera limit 20"));
  EXPECT_TRUE(DriverLog::Contains(
      lines, "CameraWaitThread::StoreWaitCamera: ERROR: camera limit 20 reached, camera not served, port=-1"));
}

TEST_F(WaitThreadTest, AnIdleThreadEndsAtOnceThroughTheTerminateEvent) {
  const auto start = std::chrono::steady_clock::now();
  {
    CameraWaitThread thread;
    EXPECT_TRUE(thread.IsRunning());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(DriverLog::Contains(lines, "CameraWaitThread::ThreadMain: Event received: terminate"));
  EXPECT_EQ("CameraWaitThread::~CameraWaitThread: leaving", lines.back());
}

// A signalled camera is served on the wait thread; closing it while frames
// stream hands every image back to the SDK.
TEST_F(WaitThreadTest, SignalledCameraIsServedAndCloseLeavesNoImageOut) {
  Settings("eco424MVGE", false);
  CameraWaitThread thread;
  const sdk::CameraContainerHandle container = Discover();
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, sdk::CameraContainer_getCamera(container, 0), container,
                &thread);
  int width = 0, height = 0;
  ASSERT_TRUE(camera.Open(2, width, height));
  EXPECT_TRUE(thread.IsStored(&camera));
  sim.SimSdk_clearJournal();
  camera.SetContinuousGrab(true);
  const std::string served = "CameraWaitThread::ThreadMain: Event (2) received: image available on port 2, clock=";
  EXPECT_TRUE(Eventually([&] {
    const auto lines = DriverLog::Peek();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(served, 0) == 0; });
  }));
  camera.Close();
  EXPECT_FALSE(thread.IsStored(&camera));
  EXPECT_EQ(0u, camera.Buffers().QueuedCount());
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  // Every image handed back before its channel went; none touched after.
  const std::vector<std::string> journal = sim.Journal();
  const auto deleted = std::find_if(journal.begin(), journal.end(), [](const std::string& line) {
    return line.rfind("StreamingChannel_delete(", 0) == 0;
  });
  ASSERT_NE(journal.end(), deleted);
  EXPECT_GT(
      std::count_if(journal.begin(), deleted, [](const std::string& l) { return l.rfind("Image_release(", 0) == 0; }),
      0);
  EXPECT_EQ(0, std::count_if(deleted, journal.end(), [](const std::string& l) { return l.rfind("Image_", 0) == 0; }));
  sdk::CameraContainer_delete(container);
}

std::atomic<bool> gBlocked{false};
std::atomic<bool> gRelease{false};
int ECOCAM_CALL BlockingCallback(int, int) {
  gBlocked = true;
  while (!gRelease) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  gBlocked = false;
  return 0;
}

// A thread held in the host's callback past the 5000 ms of the destructor is
// not killed: the destructor goes on with its line, and the thread ends by
// itself once the callback returns.
TEST_F(WaitThreadTest, AThreadThatDoesNotEndInTimeIsLeftToEndByItself) {
  Settings("eco424MVGE", false,
           [](CameraParameters& p) { p.GetParameter<ParamEnum>("AcquisitionMode").set_by_value(2); });
  gRelease = false;
  platform::TestClock clock(1000);
  const sdk::CameraContainerHandle container = Discover();
  // Registered by hand, so the camera never reaches the destroyed thread object.
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, sdk::CameraContainer_getCamera(container, 0), container);
  int width = 0, height = 0;
  ASSERT_TRUE(camera.Open(1, width, height));
  camera.SetCompleteCB(&BlockingCallback);
  auto thread = std::make_unique<CameraWaitThread>();
  thread->StoreWaitCamera(&camera);
  camera.Grab();
  ASSERT_TRUE(Eventually([] { return gBlocked.load(); }));

  std::thread destroyer([&] { thread.reset(); });
  ASSERT_TRUE(Eventually([&] { return clock.TimedWaiters() > 0; }));
  clock.Advance(5001);
  destroyer.join();
  EXPECT_TRUE(gBlocked);
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Peek(),
                                  "CameraWaitThread::~CameraWaitThread: WARNING: thread did not end within 5000 ms, "
                                  "left to end by itself"));
  gRelease = true;
  EXPECT_TRUE(
      Eventually([] { return DriverLog::Contains(DriverLog::Peek(), "CameraWaitThread::ThreadMain: leaving"); }));
  EXPECT_TRUE(CameraWaitThread::JoinAbandonedThreads(platform::kInfinite));
  camera.Close();
  sdk::CameraContainer_delete(container);
}

// Cameras whose events are signalled together are served in turn, starting
// after the camera served last: the thread is held in a callback of the
// first-registered camera while both other events are set. Each wait is
// rebuilt starting with the camera after the one just served, so both are
// served from the first slot after the fixed two (index 2); a wait that
// always started from the first-registered camera would serve them from
// slots 3 and 4.
TEST_F(WaitThreadTest, CamerasSignalledTogetherAreServedInTurn) {
  Settings("eco424MVGE", false,
           [](CameraParameters& p) { p.GetParameter<ParamEnum>("AcquisitionMode").set_by_value(2); });
  gRelease = false;
  CameraWaitThread thread;
  const sdk::CameraContainerHandle container = Discover();
  Camera held("eco424MVGE", CameraInfo{1, "eco424MVGE"}, sdk::CameraContainer_getCamera(container, 0), container,
              &thread);
  int width = 0, height = 0;
  ASSERT_TRUE(held.Open(1, width, height));
  held.SetCompleteCB(&BlockingCallback);
  Camera first("eco424MVGE", CameraInfo{1, "eco424MVGE"}, 0);
  Camera second("eco424MVGE", CameraInfo{1, "eco424MVGE"}, 0);
  thread.StoreWaitCamera(&first);
  thread.StoreWaitCamera(&second);
  held.Grab();
  ASSERT_TRUE(Eventually([] { return gBlocked.load(); }));
  DriverLog::Take();
  second.ImageEvent().Set();
  first.ImageEvent().Set();
  gRelease = true;
  // Neither has a frame queued: each pass logs its camera's index.
  const std::string none = "Camera::ProcessEvent ERROR: SVSinfo not ready, port=-1";
  ASSERT_TRUE(Eventually([&] { return DriverLog::Count(DriverLog::Peek(), none) == 2; }));
  std::vector<std::string> served;
  for (const std::string& line : DriverLog::Take()) {
    if (line.rfind("CameraWaitThread::ThreadMain: Event (", 0) == 0) served.push_back(line.substr(0, 40));
  }
  ASSERT_EQ(2u, served.size());
  EXPECT_EQ("CameraWaitThread::ThreadMain: Event (2) ", served[0]);
  EXPECT_EQ("CameraWaitThread::ThreadMain: Event (2) ", served[1]);
  thread.RemoveWaitCamera(&first);
  thread.RemoveWaitCamera(&second);
  held.Close();
  sdk::CameraContainer_delete(container);
}

// Stopped from inside the host's callback (a finalize there), the thread
// still knows itself until it has ended, so the registry is kept until the
// callback has returned; an ended thread is nobody.
CameraWaitThread* gStopping = nullptr;
std::atomic<int> gSelfBeforeStop{-1};
std::atomic<int> gSelfAfterStop{-1};
int ECOCAM_CALL StoppingCallback(int, int) {
  gSelfBeforeStop = gStopping->IsCurrentThread() ? 1 : 0;
  gStopping->Stop();
  gSelfAfterStop = gStopping->IsCurrentThread() ? 1 : 0;
  return 0;
}

TEST_F(WaitThreadTest, AThreadStoppedInsideTheCallbackKnowsItselfUntilItEnds) {
  Settings("eco424MVGE", false,
           [](CameraParameters& p) { p.GetParameter<ParamEnum>("AcquisitionMode").set_by_value(2); });
  const sdk::CameraContainerHandle container = Discover();
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, sdk::CameraContainer_getCamera(container, 0), container);
  int width = 0, height = 0;
  ASSERT_TRUE(camera.Open(1, width, height));
  camera.SetCompleteCB(&StoppingCallback);
  CameraWaitThread thread;
  gStopping = &thread;
  EXPECT_FALSE(thread.IsCurrentThread());
  thread.StoreWaitCamera(&camera);
  camera.Grab();
  ASSERT_TRUE(Eventually([] { return gSelfAfterStop.load() != -1; }));
  EXPECT_EQ(1, gSelfBeforeStop.load());
  EXPECT_EQ(1, gSelfAfterStop.load());
  ASSERT_TRUE(Eventually([&] { return !thread.IsRunning(); }));
  EXPECT_FALSE(thread.IsCurrentThread());
  EXPECT_TRUE(CameraWaitThread::JoinAbandonedThreads(platform::kInfinite));
  thread.RemoveWaitCamera(&camera);
  camera.Close();
  sdk::CameraContainer_delete(container);
}

// A wait thread that no longer runs serves no camera: storing one is refused
// with its line, so an open fails instead of delivering nothing for ever.
TEST_F(WaitThreadTest, AStoppedThreadRefusesCameras) {
  CameraWaitThread thread;
  thread.Stop();
  thread.Stop();  // idempotent
  EXPECT_FALSE(thread.IsRunning());
  Camera camera("eco424MVGE", CameraInfo{1, "eco424MVGE"}, 1);
  DriverLog::Take();
  EXPECT_FALSE(thread.StoreWaitCamera(&camera));
  EXPECT_TRUE(
      DriverLog::Contains(DriverLog::Take(),
                          "CameraWaitThread::StoreWaitCamera: ERROR: the wait thread is not running, camera not "
                          "served, port=-1"));
  EXPECT_EQ(0, thread.StoredCount());
}

}  // namespace
}  // namespace ecocam::testing
