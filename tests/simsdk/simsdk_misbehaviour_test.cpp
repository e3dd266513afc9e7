// Cameras that misbehave in the simulation: packets lost on the network
// (resent or not) and a camera that vanishes and comes back.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "support/sim_sdk.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kPatience = 20s;

// What the channel's callback saw of each image, released at once.
struct Seen {
  int signal = 0;
  bool hasData = false;
  int packets = 0;
  int resent = 0;
};

class Collector {
 public:
  static int ECOCAM_SDK_CALL Callback(ImageHandle image, void* context) {
    auto& self = *static_cast<Collector*>(context);
    Seen seen{Image_getSignalType(image), Image_getDataPointer(image) != nullptr, Image_getPacketCount(image),
              Image_getPacketResend(image)};
    Image_release(image);
    std::lock_guard<std::mutex> lock(self._mutex);
    self._seen.push_back(seen);
    self._arrived.notify_all();
    return 0;
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(_mutex);
    return _arrived.wait_for(lock, kPatience, [&] { return _seen.size() >= count; });
  }
  std::vector<Seen> All() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _seen;
  }

 private:
  std::mutex _mutex;
  std::condition_variable _arrived;
  std::vector<Seen> _seen;
};

class SimSdkMisbehaviourTest : public SimSdkTest {
 protected:
  void TearDown() override {
    if (_channel != 0) StreamingChannel_delete(_channel);
    SimSdkTest::TearDown();
  }
  CameraHandle Stream(Collector& collector, float frameRate) {
    _container = Discover();
    const CameraHandle camera = CameraContainer_getCamera(_container, 0);
    EXPECT_EQ(0, Camera_openConnection(camera, 3.0f));
    EXPECT_EQ(0, Camera_setFrameRate(camera, frameRate));
    EXPECT_EQ(0, StreamingChannel_create(&_channel, _container, camera, 4, &Collector::Callback, &collector));
    EXPECT_EQ(0, Camera_setAcquisitionMode(camera, 1));
    return camera;
  }
  long long Produced() {
    long long produced = 0;
    sim.SimSdk_getFrameCounters(_channel, &produced, nullptr, nullptr, nullptr, nullptr);
    return produced;
  }

  CameraContainerHandle _container = 0;
  StreamingChannelHandle _channel = 0;
};

TEST_F(SimSdkMisbehaviourTest, LostPacketsAreResentOrMakeTheFrameIncompleteAndAreCounted) {
  Collector collector;
  const CameraHandle camera = Stream(collector, 60.0f);
  // Every packet lost and every one resent: all frames complete, each
  // with all its packets resent.
  ASSERT_EQ(0, sim.SimSdk_setPacketLoss(camera, 1000, 1000));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(collector.WaitFor(3));
  // None resent: no frame arrives, each is counted incomplete.
  ASSERT_EQ(0, sim.SimSdk_setPacketLoss(camera, 1000, 0));
  std::size_t before = collector.All().size();
  const long long produced = Produced();
  const auto deadline = SteadyClock::now() + kPatience;
  while (Produced() < produced + 5 && SteadyClock::now() < deadline) std::this_thread::sleep_for(5ms);
  // Some loss, half of it resent: a mix.
  ASSERT_EQ(0, sim.SimSdk_setPacketLoss(camera, 20, 500));
  ASSERT_TRUE(collector.WaitFor(before + 1 + 10));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 0));

  long long sumResent = 0;
  for (const Seen& seen : collector.All()) {
    EXPECT_EQ(kSignalFrameCompleted, seen.signal);
    EXPECT_TRUE(seen.hasData);
    sumResent += seen.resent;
  }
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(collector.All()[i].packets, collector.All()[i].resent);
  int frameLoss = 0;
  ASSERT_EQ(0, StreamingChannel_getFrameLoss(_channel, &frameLoss));
  long long incomplete = 0, resent = 0, delivered = 0, lost = 0;
  ASSERT_EQ(0, sim.SimSdk_getLossCounters(_channel, &incomplete, &resent));
  ASSERT_EQ(0, sim.SimSdk_getFrameCounters(_channel, nullptr, &delivered, &lost, nullptr, nullptr));
  EXPECT_GE(frameLoss, 5);
  EXPECT_EQ(frameLoss, incomplete);
  EXPECT_LE(incomplete, lost);  // incomplete frames are lost frames, never delivered
  EXPECT_EQ(sumResent, resent);
  EXPECT_EQ(static_cast<long long>(collector.All().size()), delivered);
  EXPECT_EQ(kNullArgument, StreamingChannel_getFrameLoss(_channel, nullptr));
  EXPECT_EQ(simsdk::kOutOfRange, sim.SimSdk_setPacketLoss(camera, 1001, 0));
}

TEST_F(SimSdkMisbehaviourTest, AVanishedCameraSignalsOnceAnswersLateAndComesBackAfterAReconnect) {
  Collector collector;
  const CameraHandle camera = Stream(collector, 30.0f);
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(collector.WaitFor(2));
  constexpr int kDelayMs = 300;
  ASSERT_EQ(0, sim.SimSdk_vanishCamera(camera, kDelayMs));
  // The callback gets one signal without data, then nothing.
  const auto deadline = SteadyClock::now() + kPatience;
  auto signalled = [&] { return !collector.All().empty() && collector.All().back().signal != kSignalFrameCompleted; };
  while (!signalled() && SteadyClock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(signalled());
  std::this_thread::sleep_for(200ms);
  const std::vector<Seen> seen = collector.All();
  EXPECT_EQ(kSignalCameraConnectionLost, seen.back().signal);
  EXPECT_FALSE(seen.back().hasData);
  EXPECT_EQ(kSignalFrameCompleted, seen[seen.size() - 2].signal);

  // Calls that talk to the camera wait for the timeout and fail; the local
  // teardown answers at once.
  auto timed = [](auto call) {
    const auto start = SteadyClock::now();
    const int rc = call();
    return std::make_pair(rc, SteadyClock::now() - start);
  };
  const auto set = timed([&] { return Camera_setGain(camera, 1.0f); });
  EXPECT_EQ(simsdk::kCameraTimeout, set.first);
  EXPECT_GE(set.second, std::chrono::milliseconds(kDelayMs));
  const auto removed = timed([&] {
    const int rc = StreamingChannel_delete(_channel);
    return rc != 0 ? rc : Camera_closeConnection(camera);
  });
  _channel = 0;
  EXPECT_EQ(0, removed.first);
  EXPECT_LT(removed.second, std::chrono::milliseconds(kDelayMs));
  int connections = -1, channels = -1, images = -1;
  sim.SimSdk_getLiveObjects(nullptr, &connections, &channels, &images);
  EXPECT_EQ(0, connections + channels + images);
  EXPECT_EQ(simsdk::kCameraTimeout, Camera_openConnection(camera, 3.0f));

  // Back: a new connection and channel stream again.
  ASSERT_EQ(0, sim.SimSdk_restoreCamera(camera));
  Collector again;
  ASSERT_EQ(0, Camera_openConnection(camera, 3.0f));
  ASSERT_EQ(0, StreamingChannel_create(&_channel, _container, camera, 4, &Collector::Callback, &again));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 1));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  EXPECT_TRUE(again.WaitFor(2));
}

TEST_F(SimSdkMisbehaviourTest, AConnectionOpenWhenTheCameraVanishedStaysDeadAfterItIsBack) {
  const CameraHandle camera = OpenCamera();
  ASSERT_EQ(0, sim.SimSdk_vanishCamera(camera, 0));
  ASSERT_EQ(0, sim.SimSdk_restoreCamera(camera));
  EXPECT_EQ(simsdk::kNotConnected, Camera_setGain(camera, 1.0f));
  ASSERT_EQ(0, Camera_closeConnection(camera));
  ASSERT_EQ(0, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(0, Camera_setGain(camera, 1.0f));
}

}  // namespace
}  // namespace ecocam::testing
