// The Aravis backend's entry points called directly, for what the driver
// does not exercise on its own: refused and outstanding images, a channel
// deleted while the host still holds images, geometry read back under
// binning, and the defined answers to bad handles, null pointers, missing
// features and entry points without a GigE Vision meaning.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "aravis/aravis_sdk.h"
#include "aravis/fake_gv_camera.h"
#include "sdk/sdk_entry_points.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;

// A callback that keeps every image until the test releases it, or refuses
// every image when `refuse` is set.
struct Sink {
  std::mutex mutex;
  std::vector<ImageHandle> images;
  std::atomic<bool> refuse{false};
  std::atomic<int> calls{0};
};
int ECOCAM_SDK_CALL Keep(ImageHandle image, void* context) {
  Sink& sink = *static_cast<Sink*>(context);
  ++sink.calls;
  if (sink.refuse) return -32;
  std::lock_guard<std::mutex> lock(sink.mutex);
  sink.images.push_back(image);
  return 0;
}

template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

class AravisSdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, sdk.library) << dlerror();
    ASSERT_TRUE(fake.Running());
    container = CameraContainer_create(1);
    ASSERT_EQ(kOk, CameraContainer_discovery(container));
    ASSERT_EQ(1, CameraContainer_getNumberOfCameras(container));
    camera = CameraContainer_getCamera(container, 0);
    ASSERT_EQ(kOk, Camera_openConnection(camera, 3.0f));
  }
  void TearDown() override { CameraContainer_delete(container); }

  Sdk sdk;
  SDK_MEMBER(CameraContainer_create);
  SDK_MEMBER(CameraContainer_delete);
  SDK_MEMBER(CameraContainer_discovery);
  SDK_MEMBER(CameraContainer_getNumberOfCameras);
  SDK_MEMBER(CameraContainer_getCamera);
  SDK_MEMBER(Camera_openConnection);
  FakeGvCamera fake{"eco424MVGE", 800, 600};
  CameraContainerHandle container = -1;
  CameraHandle camera = 0;
  using LiveCount = int (*)();
  LiveCount live = sdk.Get<LiveCount>("ArvSdk_liveObjectCount");
};

TEST_F(AravisSdkTest, RefusedImagesGoBackAndADeletedChannelTakesBackImagesStillOut) {
  SDK_FN(StreamingChannel_create);
  SDK_FN(StreamingChannel_delete);
  SDK_FN(Camera_setAcquisitionControl);
  SDK_FN(Camera_setAreaOfInterest);
  SDK_FN(Camera_setFrameRate);
  SDK_FN(Image_release);
  SDK_FN(Image_getDataPointer);
  ASSERT_EQ(kOk, Camera_setAreaOfInterest(camera, 64, 48, 0, 0));
  ASSERT_EQ(kOk, Camera_setFrameRate(camera, 200.0f));
  Sink sink;
  sink.refuse = true;
  StreamingChannelHandle channel = 0;
  ASSERT_EQ(kOk, StreamingChannel_create(&channel, container, camera, 3, Keep, &sink));
  ASSERT_EQ(kOk, Camera_setAcquisitionControl(camera, 1));
  // Refused images return to the stream: more frames than buffers arrive.
  ASSERT_TRUE(Eventually([&] { return sink.calls > 10; }));
  sink.refuse = false;
  // Kept images are held: with all three out, no further frame arrives.
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard<std::mutex> lock(sink.mutex);
    return sink.images.size() == 3;
  }));
  std::vector<ImageHandle> held;
  {
    std::lock_guard<std::mutex> lock(sink.mutex);
    held = sink.images;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(3u, sink.images.size());
  // One released image makes room for exactly the next frame.
  ASSERT_EQ(kOk, Image_release(held[0]));
  EXPECT_EQ(kInvalidHandle, Image_release(held[0]));
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard<std::mutex> lock(sink.mutex);
    return sink.images.size() == 4;
  }));
  // Deleting the channel with images out takes them back and frees everything.
  ASSERT_EQ(kOk, Camera_setAcquisitionControl(camera, 0));
  ASSERT_EQ(kOk, StreamingChannel_delete(channel));
  EXPECT_EQ(kInvalidHandle, StreamingChannel_delete(channel));
  EXPECT_EQ(nullptr, Image_getDataPointer(held[1]));
  EXPECT_EQ(kInvalidHandle, Image_release(held[1]));
  ASSERT_NE(nullptr, live);
  EXPECT_EQ(1, live());  // only the camera's connection
}

TEST_F(AravisSdkTest, GeometryReadsBackInSensorPixelsUnderBinning) {
  SDK_FN(Camera_setBinningMode);
  SDK_FN(Camera_setAreaOfInterest);
  SDK_FN(Camera_getAreaOfInterest);
  SDK_FN(Camera_getSizeX);
  SDK_FN(Camera_getImagerWidth);
  SDK_FN(Camera_getImagerHeight);
  int w = 0, h = 0, x = 0, y = 0;
  ASSERT_EQ(kOk, Camera_getImagerWidth(camera, &w));
  ASSERT_EQ(kOk, Camera_getImagerHeight(camera, &h));
  EXPECT_EQ(800, w);
  EXPECT_EQ(600, h);
  ASSERT_EQ(kOk, Camera_setBinningMode(camera, 1));  // horizontal
  ASSERT_EQ(kOk, Camera_setAreaOfInterest(camera, 400, 300, 100, 50));
  ASSERT_EQ(kOk, Camera_getAreaOfInterest(camera, &w, &h, &x, &y));
  EXPECT_EQ(400, w);
  EXPECT_EQ(300, h);
  EXPECT_EQ(100, x);
  EXPECT_EQ(50, y);
  ASSERT_EQ(kOk, Camera_getSizeX(camera, &w));
  EXPECT_EQ(200, w);  // what the camera sends
  EXPECT_EQ(200u, fake.Register(kRegWidth));
  EXPECT_EQ(2u, fake.Register(kRegBinningHorizontal));
  EXPECT_EQ(1u, fake.Register(kRegBinningVertical));
}

TEST_F(AravisSdkTest, BadHandlesNullPointersMissingFeaturesAndUnsupportedEntryPoints) {
  SDK_FN(Camera_getGainMax);
  SDK_FN(Camera_setLookupTableMode);
  SDK_FN(Camera_setLookupTable);
  SDK_FN(Camera_setLowpassFilter);
  SDK_FN(Camera_setAutoGainEnabled);
  SDK_FN(Camera_setTapBalance);
  SDK_FN(Camera_getModelName);
  SDK_FN(Image_getImageRGB);
  SDK_FN(Image_getPixelType);
  SDK_FN(Error_getMessage);
  SDK_FN(isVersionCompliantDLL);
  float gain = 0;
  EXPECT_EQ(kOk, Camera_getGainMax(camera, &gain));
  EXPECT_EQ(10.0f, gain);  // GainRaw's maximum
  EXPECT_EQ(kNullArgument, Camera_getGainMax(camera, nullptr));
  EXPECT_EQ(kInvalidHandle, Camera_getGainMax(camera + 1000, &gain));
  EXPECT_STREQ("", Camera_getModelName(camera + 1000));
  EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));
  // What the camera lacks is refused, except switching it off.
  EXPECT_EQ(kFeatureMissing, Camera_setLookupTableMode(camera, 2));
  EXPECT_EQ(kOk, Camera_setLookupTableMode(camera, 0));
  const std::vector<int> table(4096, 7);
  EXPECT_EQ(kFeatureMissing, Camera_setLookupTable(camera, table.data(), 4096));
  EXPECT_EQ(kNullArgument, Camera_setLookupTable(camera, nullptr, 4096));
  EXPECT_EQ(kFeatureMissing, Camera_setLowpassFilter(camera, 1));
  EXPECT_EQ(kOk, Camera_setLowpassFilter(camera, 0));
  EXPECT_EQ(kOk, Camera_setAutoGainEnabled(camera, false));  // GainAuto Off
  EXPECT_EQ(kNotSupported, Camera_setTapBalance(camera, 1.0f));
  unsigned char rgb[12];
  EXPECT_EQ(kInvalidHandle, Image_getImageRGB(12345, rgb, sizeof rgb, 1));
  EXPECT_EQ(0, Image_getPixelType(12345));
  EXPECT_STREQ("the camera lacks the feature", Error_getMessage(kFeatureMissing));
  SdkVersion version{};
  EXPECT_EQ(kOk, isVersionCompliantDLL(&version, &kRequiredSdkVersion));
  EXPECT_EQ(52, version.build);
}

std::mutex gBackendLogMutex;
std::vector<std::string> gBackendLog;
void KeepLine(const char* line, void*) {
  std::lock_guard<std::mutex> lock(gBackendLogMutex);
  gBackendLog.emplace_back(line);
}
int LinesWith(const std::string& part) {
  std::lock_guard<std::mutex> lock(gBackendLogMutex);
  int count = 0;
  for (const std::string& line : gBackendLog) count += line.find(part) != std::string::npos;
  return count;
}

TEST_F(AravisSdkTest, AFeatureTheCameraLacksIsReportedOncePerOpenNotOncePerCall) {
  SDK_FN(Camera_registerForLogMessages);
  SDK_FN(Camera_setStrobeDuration);
  SDK_FN(Camera_closeConnection);
  ASSERT_EQ(kOk, Camera_registerForLogMessages(camera, 1, nullptr, KeepLine, nullptr));
  const std::string line = "no feature StrobeDuration: not supported";
  EXPECT_EQ(kFeatureMissing, Camera_setStrobeDuration(camera, 100.0f));
  EXPECT_EQ(kFeatureMissing, Camera_setStrobeDuration(camera, 200.0f));
  EXPECT_EQ(1, LinesWith(line));
  ASSERT_EQ(kOk, Camera_closeConnection(camera));
  ASSERT_EQ(kOk, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(kFeatureMissing, Camera_setStrobeDuration(camera, 100.0f));
  EXPECT_EQ(kFeatureMissing, Camera_setStrobeDuration(camera, 100.0f));
  EXPECT_EQ(2, LinesWith(line));
}

}  // namespace
}  // namespace ecocam::testing
