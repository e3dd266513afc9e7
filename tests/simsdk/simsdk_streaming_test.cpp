// Streaming from the simulated camera: frame production by acquisition mode,
// the buffers an image holds, deletion and stop against running callbacks,
// and the frames' geometry, pixel types and pattern.
#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "simsdk_pattern.h"
#include "support/sim_sdk.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;
using namespace std::chrono_literals;

constexpr auto kPatience = 20s;  // generous: the machine is shared and the sanitizers are slow

struct Frame {
  int id = 0;
  double timestamp = 0.0;
  int sizeX = 0;
  int sizeY = 0;
  int pixelType = 0;
  bool patternOk = false;
};

// Receives images on the channel's thread. By default it checks the pattern
// and releases each image; `hold` keeps them, `answer` is the callback's result.
class Receiver {
 public:
  bool hold = false;
  int answer = 0;
  std::chrono::milliseconds stall{0};  // time spent inside each callback
  std::atomic<bool> inside{false};
  std::vector<ImageHandle> held;
  std::function<void(ImageHandle)> onImage;

  static int ECOCAM_SDK_CALL Callback(ImageHandle image, void* context) {
    return static_cast<Receiver*>(context)->Take(image);
  }

  int Take(ImageHandle image) {
    inside = true;
    Frame frame;
    frame.id = Image_getImageID(image);
    frame.timestamp = Image_getTimestamp(image);
    frame.sizeX = Image_getSizeX(image);
    frame.sizeY = Image_getSizeY(image);
    frame.pixelType = Image_getPixelType(image);
    const unsigned char* data = Image_getDataPointer(image);
    const std::size_t bytes = simsdk::FrameBytes(frame.pixelType, frame.sizeX, frame.sizeY);
    std::vector<std::uint8_t> expected(bytes);
    simsdk::FillPattern(frame.pixelType, frame.id, frame.sizeX, frame.sizeY, expected.data());
    frame.patternOk = data != nullptr && Image_getImageSize(image) == static_cast<int>(bytes) &&
                      std::equal(expected.begin(), expected.end(), data);
    if (onImage) onImage(image);
    if (stall.count() > 0) std::this_thread::sleep_for(stall);
    std::lock_guard<std::mutex> lock(_mutex);
    _frames.push_back(frame);
    if (hold) {
      held.push_back(image);
    } else if (answer == 0) {
      Image_release(image);
    }
    inside = false;
    _arrived.notify_all();
    return answer;
  }

  // Waits until `count` frames arrived (false after kPatience).
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(_mutex);
    return _arrived.wait_for(lock, kPatience, [&] { return _frames.size() >= count; });
  }
  std::vector<Frame> Frames() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _frames;
  }
  std::size_t Count() {
    std::lock_guard<std::mutex> lock(_mutex);
    return _frames.size();
  }

 private:
  std::mutex _mutex;
  std::condition_variable _arrived;
  std::vector<Frame> _frames;
};

struct Counters {
  long long produced = 0, delivered = 0, lost = 0, released = 0, reclaimed = 0;
};

class SimSdkStreamingTest : public SimSdkTest {
 protected:
  void TearDown() override {
    if (_channel != 0) StreamingChannel_delete(_channel);
    SimSdkTest::TearDown();
  }

  // Opens camera `index` and creates its channel with `buffers` buffers.
  CameraHandle Start(Receiver& receiver, int index = 0, int buffers = 4) {
    const CameraContainerHandle container = Discover();
    const CameraHandle camera = CameraContainer_getCamera(container, index);
    EXPECT_EQ(0, Camera_openConnection(camera, 3.0f));
    EXPECT_EQ(0, StreamingChannel_create(&_channel, container, camera, buffers, &Receiver::Callback, &receiver));
    return camera;
  }

  Counters CountersOf(int channel) {
    Counters c;
    EXPECT_EQ(0, sim.SimSdk_getFrameCounters(channel, &c.produced, &c.delivered, &c.lost, &c.released, &c.reclaimed));
    return c;
  }

  // Waits until the counter `field` of all channels reaches `count`.
  bool WaitProduced(long long count, long long Counters::*field = &Counters::produced) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (CountersOf(0).*field < count) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }

  StreamingChannelHandle _channel = 0;
};

TEST_F(SimSdkStreamingTest, FreeRunDeliversAtTheFrameRateInOrderWithThePattern) {
  Receiver receiver;
  const CameraHandle camera = Start(receiver);
  ASSERT_EQ(0, Camera_setFrameRate(camera, 20.0f));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 1));
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(receiver.WaitFor(10));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 0));

  const std::vector<Frame> frames = receiver.Frames();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i) + 1, frames[i].id);
    EXPECT_TRUE(frames[i].patternOk) << "frame " << i;
    EXPECT_EQ(656, frames[i].sizeX);
    EXPECT_EQ(490, frames[i].sizeY);
    EXPECT_EQ(simsdk::kPixelMono8, frames[i].pixelType);
    // Timestamps are the camera's: one period apart, whatever the load.
    if (i > 0) {
      EXPECT_NEAR(0.05, frames[i].timestamp - frames[i - 1].timestamp, 1e-6);
    }
  }
  // Ten frames span nine periods; they cannot come sooner.
  EXPECT_GE(elapsed, 0.40);
  const Counters c = CountersOf(0);
  EXPECT_EQ(0, c.lost);
  EXPECT_EQ(c.delivered, c.released);
}

TEST_F(SimSdkStreamingTest, TriggerModesGiveOneFramePerTriggerOfTheirKind) {
  Receiver receiver;
  const CameraHandle camera = Start(receiver);
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));  // not acquiring yet: no frame
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_EQ(0, sim.SimSdk_fireTrigger(camera));  // external: not this mode
  ASSERT_TRUE(receiver.WaitFor(3));

  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 3));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));  // software: not this mode
  ASSERT_EQ(0, sim.SimSdk_fireTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(4));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 4));
  ASSERT_EQ(0, sim.SimSdk_fireTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(5));
  std::this_thread::sleep_for(300ms);  // nothing more comes
  EXPECT_EQ(5u, receiver.Count());
  EXPECT_EQ(5, CountersOf(0).produced);
  EXPECT_EQ(simsdk::kInvalidHandle, sim.SimSdk_fireTrigger(9999));
}

TEST_F(SimSdkStreamingTest, PauseHoldsTriggersAndStopsFreeRunning) {
  Receiver receiver;
  const CameraHandle camera = Start(receiver);
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_EQ(0, sim.SimSdk_pauseFrames(1));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(0u, receiver.Count());
  ASSERT_EQ(0, sim.SimSdk_pauseFrames(0));
  ASSERT_TRUE(receiver.WaitFor(2));

  // Free-running frames are not made while paused, nor made up afterwards.
  ASSERT_EQ(0, Camera_setFrameRate(camera, 50.0f));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 1));
  ASSERT_TRUE(receiver.WaitFor(3));
  ASSERT_EQ(0, sim.SimSdk_pauseFrames(1));
  const long long before = CountersOf(0).produced;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(before, CountersOf(0).produced);
  ASSERT_EQ(0, sim.SimSdk_pauseFrames(0));
  ASSERT_TRUE(receiver.WaitFor(static_cast<std::size_t>(before) + 1));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 0));
  const std::vector<Frame> frames = receiver.Frames();
  EXPECT_GE(frames[before].timestamp - frames[before - 1].timestamp, 0.29);
}

TEST_F(SimSdkStreamingTest, HeldImagesOccupyBuffersAndLaterFramesAreLost) {
  Receiver receiver;
  receiver.hold = true;
  const CameraHandle camera = Start(receiver, 0, 3);
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  for (int i = 0; i < 5; ++i) ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(WaitProduced(5));
  Counters c = CountersOf(_channel);
  EXPECT_EQ(3, c.delivered);
  EXPECT_EQ(2, c.lost);

  // A released image's pixels read as the marker, so a user that kept
  // reading them would notice; its buffer then takes the next frame, whose id
  // shows the two lost ones.
  const unsigned char* pixels = Image_getDataPointer(receiver.held[0]);
  ASSERT_NE(nullptr, pixels);
  const std::size_t bytes = static_cast<std::size_t>(Image_getImageSize(receiver.held[0]));
  ASSERT_GT(bytes, 0u);
  ASSERT_EQ(0, Image_release(receiver.held[0]));
  EXPECT_EQ(bytes, static_cast<std::size_t>(std::count(pixels, pixels + bytes, simsdk::kReleasedMarkerByte)));
  EXPECT_NE(0, Image_release(receiver.held[0]));  // released already
  EXPECT_EQ(nullptr, Image_getDataPointer(receiver.held[0]));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(4));
  EXPECT_EQ(6, receiver.Frames()[3].id);

  // Deleting the channel takes back the images still out; the counters balance.
  ASSERT_EQ(0, StreamingChannel_delete(_channel));
  _channel = 0;
  EXPECT_EQ(nullptr, Image_getDataPointer(receiver.held[1]));
  c = CountersOf(0);
  EXPECT_EQ(c.produced, c.delivered + c.lost);
  EXPECT_EQ(c.delivered, c.released + c.reclaimed);
  EXPECT_EQ(1, c.released);
  EXPECT_EQ(3, c.reclaimed);
  long long refused = -1, abandoned = -1;
  EXPECT_EQ(0, sim.SimSdk_getReclaimCounters(0, &refused, &abandoned));
  EXPECT_EQ(0, refused);
  EXPECT_EQ(3, abandoned);  // what the user never handed back
}

TEST_F(SimSdkStreamingTest, ARefusedImageIsTakenBackAtOnce) {
  Receiver receiver;
  receiver.answer = -32;
  const CameraHandle camera = Start(receiver, 0, 1);
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(0, Camera_softwareTrigger(camera));
    ASSERT_TRUE(receiver.WaitFor(i + 1));
  }
  ASSERT_TRUE(WaitProduced(3, &Counters::reclaimed));  // after the last callback returned
  const Counters c = CountersOf(_channel);
  EXPECT_EQ(3, c.delivered);
  EXPECT_EQ(0, c.lost);  // the one buffer came back each time
  EXPECT_EQ(3, c.reclaimed);
  long long refused = -1, abandoned = -1;
  EXPECT_EQ(0, sim.SimSdk_getReclaimCounters(_channel, &refused, &abandoned));
  EXPECT_EQ(3, refused);
  EXPECT_EQ(0, abandoned);
}

TEST_F(SimSdkStreamingTest, DeleteAndStopWaitForARunningCallbackAndNoneStartsAfter) {
  Receiver receiver;
  receiver.stall = 150ms;
  const CameraHandle camera = Start(receiver);
  ASSERT_EQ(0, Camera_setFrameRate(camera, 50.0f));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 1));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(receiver.WaitFor(1));
  while (!receiver.inside) std::this_thread::yield();
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 0));
  EXPECT_FALSE(receiver.inside);
  const std::size_t afterStop = receiver.Count();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(afterStop, receiver.Count());

  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(receiver.WaitFor(afterStop + 1));
  while (!receiver.inside) std::this_thread::yield();
  ASSERT_EQ(0, StreamingChannel_delete(_channel));
  EXPECT_FALSE(receiver.inside);
  const std::size_t afterDelete = receiver.Count();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(afterDelete, receiver.Count());
  EXPECT_NE(0, StreamingChannel_delete(_channel));  // deleted already
  _channel = 0;
  EXPECT_NE(0, StreamingChannel_delete(12345));  // never created
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
}

TEST_F(SimSdkStreamingTest, ACallbackMayDeleteItsOwnChannel) {
  Receiver receiver;
  std::atomic<int> deleteResult{-1};
  receiver.onImage = [&](ImageHandle) { deleteResult = StreamingChannel_delete(_channel); };
  const CameraHandle camera = Start(receiver);
  ASSERT_EQ(0, Camera_setFrameRate(camera, 50.0f));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 1));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_TRUE(receiver.WaitFor(1));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(0, deleteResult);
  EXPECT_EQ(1u, receiver.Count());
  _channel = 0;
}

TEST_F(SimSdkStreamingTest, CreateRefusesBadArgumentsAndASecondChannel) {
  Receiver receiver;
  const CameraContainerHandle container = Discover();
  const CameraHandle camera = CameraContainer_getCamera(container, 0);
  StreamingChannelHandle channel = 0;
  EXPECT_EQ(simsdk::kNotConnected,
            StreamingChannel_create(&channel, container, camera, 4, &Receiver::Callback, &receiver));
  ASSERT_EQ(0, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(simsdk::kNullArgument,
            StreamingChannel_create(nullptr, container, camera, 4, &Receiver::Callback, nullptr));
  EXPECT_EQ(simsdk::kNullArgument, StreamingChannel_create(&channel, container, camera, 4, nullptr, nullptr));
  EXPECT_EQ(simsdk::kOutOfRange, StreamingChannel_create(&channel, container, camera, 0, &Receiver::Callback, nullptr));
  EXPECT_EQ(simsdk::kInvalidHandle,
            StreamingChannel_create(&channel, container + 100, camera, 4, &Receiver::Callback, nullptr));
  EXPECT_EQ(0, channel);
  ASSERT_EQ(0, StreamingChannel_create(&_channel, container, camera, 4, &Receiver::Callback, &receiver));
  EXPECT_EQ(simsdk::kAlreadyConnected,
            StreamingChannel_create(&channel, container, camera, 4, &Receiver::Callback, nullptr));
}

TEST_F(SimSdkStreamingTest, FramesFollowAreaOfInterestBinningAndPixelType) {
  Receiver receiver;
  std::vector<std::uint8_t> converted;
  std::atomic<int> convertResult{-1};
  receiver.onImage = [&](ImageHandle image) {
    const int sizeX = Image_getSizeX(image);
    const int sizeY = Image_getSizeY(image);
    converted.assign(static_cast<std::size_t>(sizeX) * sizeY, 0);
    EXPECT_EQ(simsdk::kBufferTooSmall, Image_getImage12bitAs8bit(image, converted.data(), sizeX * sizeY - 1));
    convertResult = Image_getImage12bitAs8bit(image, converted.data(), sizeX * sizeY);
    EXPECT_GT(Image_getPacketCount(image), 2);
    EXPECT_GT(Image_getTransferTime(image), 0.0);
  };
  const CameraHandle camera = Start(receiver);  // the monochrome camera
  ASSERT_EQ(0, Camera_setAreaOfInterest(camera, 101, 61, 4, 2));
  ASSERT_EQ(0, Camera_setBinningMode(camera, 3));
  ASSERT_EQ(0, Camera_setPixelDepth(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(1));
  const Frame frame = receiver.Frames()[0];
  EXPECT_EQ(50, frame.sizeX);
  EXPECT_EQ(30, frame.sizeY);
  EXPECT_EQ(simsdk::kPixelMono12Packed, frame.pixelType);
  EXPECT_TRUE(frame.patternOk);
  // Its 8-bit form is the Mono8 pattern of the same image.
  ASSERT_EQ(0, convertResult);
  for (int y = 0; y < frame.sizeY; ++y) {
    for (int x = 0; x < frame.sizeX; ++x) {
      ASSERT_EQ(simsdk::PatternValue8(frame.id, x, y), converted[y * frame.sizeX + x]) << x << "," << y;
    }
  }
}

TEST_F(SimSdkStreamingTest, ColourFramesAndTheirConversions) {
  Receiver receiver;
  std::vector<int> results;
  std::vector<std::uint8_t> rgb;
  receiver.onImage = [&](ImageHandle image) {
    const int pixels = Image_getSizeX(image) * Image_getSizeY(image);
    rgb.assign(static_cast<std::size_t>(pixels) * 3, 0);
    results.push_back(Image_getImageRGB(image, rgb.data(), pixels * 3 - 1, 1));
    results.push_back(Image_getImageRGB(image, rgb.data(), pixels * 3, 2));
    results.push_back(Image_getImageRGB(image, nullptr, pixels * 3, 1));
    results.push_back(Image_getImage12bitAs8bit(image, rgb.data(), pixels * 3));
    for (const int method : {-1, 1, 3}) results.push_back(Image_getImageRGB(image, rgb.data(), pixels * 3, method));
  };
  const CameraHandle camera = Start(receiver, 1);  // the colour camera, BayerGR8
  ASSERT_EQ(0, Camera_setAreaOfInterest(camera, 32, 16, 0, 0));
  ASSERT_EQ(0, Camera_setAcquisitionMode(camera, 2));
  ASSERT_EQ(0, Camera_setAcquisitionControl(camera, 1));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(1));
  EXPECT_EQ(0x01080008, receiver.Frames()[0].pixelType);
  EXPECT_EQ((std::vector<int>{simsdk::kBufferTooSmall, simsdk::kOutOfRange, simsdk::kNullArgument,
                              simsdk::kWrongPixelType, 0, 0, 0}),
            results);

  // A colour camera can be made to send Mono8 (grey) or 24-bit colour
  // (copied unchanged).
  ASSERT_EQ(0, sim.SimSdk_setPixelType(camera, simsdk::kPixelMono8));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(2));
  EXPECT_EQ(simsdk::kPixelMono8, receiver.Frames()[1].pixelType);
  const int id2 = receiver.Frames()[1].id;
  EXPECT_EQ(simsdk::PatternValue8(id2, 5, 3), rgb[(3 * 32 + 5) * 3 + 1]);
  EXPECT_EQ(rgb[(3 * 32 + 5) * 3], rgb[(3 * 32 + 5) * 3 + 2]);

  ASSERT_EQ(0, sim.SimSdk_setPixelType(camera, simsdk::kPixelRGB24));
  ASSERT_EQ(0, Camera_softwareTrigger(camera));
  ASSERT_TRUE(receiver.WaitFor(3));
  const Frame f3 = receiver.Frames()[2];
  EXPECT_TRUE(f3.patternOk);
  std::vector<std::uint8_t> expected(simsdk::FrameBytes(f3.pixelType, f3.sizeX, f3.sizeY));
  simsdk::FillPattern(f3.pixelType, f3.id, f3.sizeX, f3.sizeY, expected.data());
  EXPECT_EQ(expected, rgb);
  EXPECT_EQ(simsdk::kInvalidHandle, sim.SimSdk_setPixelType(9999, simsdk::kPixelMono8));
  EXPECT_EQ(camera, sim.SimSdk_findCamera("eco424CVGE"));
  EXPECT_EQ(0, sim.SimSdk_findCamera("nothing"));
}

}  // namespace
}  // namespace ecocam::testing
