// Frame delivery below the exports: every delivered pixel against the
// simulated camera's test pattern for each pixel type and conversion, the
// grab modes, frames of another size, frames that are not delivered, the
// throttled reports, and closing against the wait thread.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_wait_thread.h"
#include "camera_fixture.h"
#include "imaging/pixel_conversion.h"
#include "platform/test_clock.h"
#include "simsdk_pattern.h"
#include "ui/fake_view.h"

namespace ecocam::testing {
namespace {

std::atomic<int> gCalls{0};
std::atomic<Camera*> gCloseInCallback{nullptr};
std::atomic<int> gCallbackSleepMs{0};
std::atomic<bool> gInsideCallback{false};

int ECOCAM_CALL Completed(int grabber, int port) {
  gInsideCallback = true;
  if (Camera* camera = gCloseInCallback.exchange(nullptr)) camera->Close();
  if (gCallbackSleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gCallbackSleepMs.load()));
  ++gCalls;
  gInsideCallback = false;
  return grabber == 0 && port >= 0 ? 0 : -1;
}

template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

class GrabTest : public CameraFixture {
 protected:
  void SetUp() override {
    CameraFixture::SetUp();
    gCalls = 0;
    gCallbackSleepMs = 0;
    Camera::ResetMissingBufferThrottle();
  }
  void TearDown() override {
    if (_camera) _camera->Close();
    _camera.reset();
    if (_container != 0) sdk::CameraContainer_delete(_container);
    CameraFixture::TearDown();
  }

  // Opens the default camera of that colour on port 5, with settings of
  // `mode` (2: software trigger) and whatever `adjust` changes; `prepare`
  // runs on the camera's set before it opens.
  Camera& OpenCamera(bool colour, long long mode, const std::function<void(CameraParameters&)>& adjust = {},
                     const std::function<void(CameraParameters&)>& prepare = {}) {
    const std::string model = colour ? "eco424CVGE" : "eco424MVGE";
    Settings(model, colour, [&](CameraParameters& p) {
      SetSize(p, 656, 490, 0);
      p.Get("FrameRate").set_max<int>(200);
      p.Get("FrameRate").set_val<int>(50);
      p.GetParameter<ParamEnum>("AcquisitionMode").set_by_value(mode);
      if (adjust) adjust(p);
    });
    _container = Discover();
    _handle = sdk::CameraContainer_getCamera(_container, colour ? 1 : 0);
    _camera =
        std::make_unique<Camera>(model.c_str(), CameraInfo{colour ? 2u : 1u, model}, _handle, _container, &_thread);
    if (prepare) prepare(_camera->Parameters());
    _camera->SetCompleteCB(&Completed);
    int width = 0, height = 0;
    EXPECT_TRUE(_camera->Open(5, width, height));
    return *_camera;
  }

  // The oldest delivered frame, every row read as the host reads it.
  std::vector<std::uint8_t> ReadFrame(int& imageId) {
    Camera& camera = *_camera;
    ImageBuffer* buffer = camera.Buffers().FindLoadedBuffer();
    imageId = buffer != nullptr ? buffer->Info().imageId : -1;
    const std::size_t rowBytes = static_cast<std::size_t>(camera.Width()) * (camera.PixelSize() / 8);
    std::vector<std::uint8_t> frame(rowBytes * static_cast<std::size_t>(camera.Height()));
    for (int y = 0; y < camera.Height(); ++y) {
      if (!camera.CopyRow(y, frame.data() + y * rowBytes, 0, camera.Width() - 1)) return {};
    }
    return frame;
  }

  // One frame by software trigger, read whole.
  std::vector<std::uint8_t> GrabOne(int& imageId) {
    const int before = gCalls;
    _camera->Grab();
    if (!Eventually([&] { return gCalls > before; })) return {};
    return ReadFrame(imageId);
  }

  static long CountLines(const std::string& text) { return DriverLog::Count(DriverLog::Peek(), text); }

  // Every frame the camera queued has ended one way or another, and every
  // buffer is free again.
  ::testing::AssertionResult AllCameBack() {
    const Camera::GrabCounters c = _camera->Counters();
    const std::size_t free = _camera->Buffers().CountIn(BufferState::kFree);
    if (c.Settled() && free == _camera->Buffers().Size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "queued " << c.queued << ", delivered " << c.delivered
                                         << ", no free buffer " << c.noFreeBuffer << ", conversion failed "
                                         << c.conversionFailed << ", discarded " << c.discarded << "; free buffers "
                                         << free << " of " << _camera->Buffers().Size();
  }

  CameraWaitThread _thread;
  sdk::CameraContainerHandle _container = 0;
  sdk::CameraHandle _handle = 0;
  std::unique_ptr<Camera> _camera;
};

std::vector<std::uint8_t> Pattern(int pixelType, int id, int w, int h) {
  std::vector<std::uint8_t> data(simsdk::FrameBytes(pixelType, w, h));
  simsdk::FillPattern(pixelType, id, w, h, data.data());
  return data;
}

TEST_F(GrabTest, SoftwareTriggerGrabDeliversOneMono8FrameAndClearsTheRequest) {
  Camera& camera = OpenCamera(false, 2);
  EXPECT_EQ(nullptr, camera.GetRow(0));
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Peek(), "Camera::GetRow (0) ERROR: buffer not found, port=5"));
  EXPECT_EQ(Camera::kImageSkipped, camera.SvsCallback(12345));  // idle: not taken, not touched

  int id = -1;
  const auto frame = GrabOne(id);
  EXPECT_FALSE(camera.GrabRequested());
  EXPECT_EQ(Pattern(simsdk::kPixelMono8, id, 656, 490), frame);
  // The frame was freed by its last row, and no second frame came.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(1, gCalls);
  EXPECT_EQ(1, camera.Counters().delivered);
  EXPECT_TRUE(AllCameBack());
  EXPECT_EQ(1, CountLines("ImageBuffer::GetLine: INFO: last line retrieved=489"));

  // Rows by pointer: any row, as often as asked, until the last one frees
  // the frame.
  camera.Grab();
  ASSERT_TRUE(Eventually([] { return gCalls == 2; }));
  const unsigned char* top = camera.GetRow(0);
  ASSERT_NE(nullptr, top);
  EXPECT_EQ(top, camera.GetRow(0));
  for (int y = 1; y < 490; ++y) ASSERT_NE(nullptr, camera.GetRow(y)) << y;
  EXPECT_EQ(2, CountLines("ImageBuffer::GetLine: INFO: last line retrieved=489"));
  EXPECT_TRUE(AllCameBack());
}

TEST_F(GrabTest, BinningAndAreaOfInterestGiveTheSmallerFrame) {
  Camera& camera = OpenCamera(false, 2, [](CameraParameters& p) { SetSize(p, 320, 240, 3); });
  EXPECT_EQ(160, camera.Width());
  EXPECT_EQ(120, camera.Height());
  int id = -1;
  const auto frame = GrabOne(id);
  EXPECT_EQ(Pattern(simsdk::kPixelMono8, id, 160, 120), frame);
}

TEST_F(GrabTest, Mono12PackedIsConvertedAt12BitAndDeliveredAsItCameAt8Bit) {
  const auto twelve = [](CameraParameters& p) {
    p.GetParameter<ParamEnum>("PixelDepth").add_option("12", 2);
    p.GetParameter<ParamEnum>("PixelDepth").set_by_value(2);
  };
  Camera& camera = OpenCamera(false, 2, twelve,
                              [](CameraParameters& p) { p.GetParameter<ParamEnum>("PixelDepth").add_option("12", 2); });
  int id = -1;
  auto frame = GrabOne(id);
  EXPECT_EQ(Pattern(simsdk::kPixelMono8, id, 656, 490), frame);  // the 8 high bits
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Peek(), "Camera::ProcessEvent ... pixelsize==12"));
  camera.Close();
  _camera.reset();
  sdk::CameraContainer_delete(_container);
  _container = 0;

  // At 8 bit the packed frame's first width x height bytes arrive as they are.
  Camera& eight = OpenCamera(false, 2);
  sim.SimSdk_setPixelType(_handle, simsdk::kPixelMono12Packed);
  frame = GrabOne(id);
  auto packed = Pattern(simsdk::kPixelMono12Packed, id, 656, 490);
  packed.resize(656u * 490u);
  EXPECT_EQ(packed, frame);
  EXPECT_EQ(8, eight.PixelSize());
}

TEST_F(GrabTest, ColourFramesMatchTheSdkConversionForEveryBayerPhaseAndMethod) {
  using imaging::BayerMethod;
  using imaging::BayerPhase;
  for (const auto& method : {std::pair(1LL, BayerMethod::kSimple), std::pair(3LL, BayerMethod::kHQLinear)}) {
    Camera& camera = OpenCamera(
        true, 2, [&](CameraParameters& p) { p.GetParameter<ParamEnum>("BayerMethod").set_by_value(method.first); });
    const std::pair<int, BayerPhase> phases[] = {{simsdk::kPixelBayerGR8, BayerPhase::kGR},
                                                 {simsdk::kPixelBayerRG8, BayerPhase::kRG},
                                                 {simsdk::kPixelBayerGB8, BayerPhase::kGB},
                                                 {simsdk::kPixelBayerBG8, BayerPhase::kBG}};
    for (const auto& phase : phases) {
      sim.SimSdk_setPixelType(_handle, phase.first);
      int id = -1;
      const auto frame = GrabOne(id);
      const auto mosaic = Pattern(phase.first, id, 656, 490);
      std::vector<std::uint8_t> expected(656u * 490u * 3u);
      imaging::Demosaic(mosaic.data(), 656, 656, 490, phase.second, method.second, expected.data(), 656 * 3);
      EXPECT_EQ(expected, frame) << "pixel type " << phase.first << ", method " << method.first;
    }
    sim.SimSdk_setPixelType(_handle, simsdk::kPixelRGB24);
    int id = -1;
    const auto frame = GrabOne(id);
    EXPECT_EQ(Pattern(simsdk::kPixelRGB24, id, 656, 490), frame);
    camera.Close();
    _camera.reset();
    sdk::CameraContainer_delete(_container);
    _container = 0;
  }
}

// The sheet confirmed for an open colour camera: the next frame is converted
// with the confirmed BayerMethod, while the acquisition mode stays the one
// the camera was opened with (grabs still trigger) until the next open.
TEST_F(GrabTest, ConfirmedBayerMethodAppliesFromTheNextFrameAcquisitionModeAtTheNextOpen) {
  using imaging::BayerMethod;
  Camera& camera =
      OpenCamera(true, 2, [](CameraParameters& p) { p.GetParameter<ParamEnum>("BayerMethod").set_by_value(3); });
  sim.SimSdk_setPixelType(_handle, simsdk::kPixelBayerRG8);
  const auto converted = [](int id, BayerMethod method) {
    const auto mosaic = Pattern(simsdk::kPixelBayerRG8, id, 656, 490);
    std::vector<std::uint8_t> rgb(656u * 490u * 3u);
    imaging::Demosaic(mosaic.data(), 656, 656, 490, imaging::BayerPhase::kRG, method, rgb.data(), 656 * 3);
    return rgb;
  };
  int id = -1;
  auto frame = GrabOne(id);
  EXPECT_EQ(converted(id, BayerMethod::kHQLinear), frame);

  FakeView view;
  view.script = [](ui::CPropertyGeneral& page) {
    FakeView::Edit(page, "BayerMethod", std::string("Simple"));
    FakeView::Edit(page, "AcquisitionMode", std::string("Fixed frequency"));
  };
  ASSERT_TRUE(camera.Configure(view));
  EXPECT_EQ(1, CountLines("Camera::Configure: WARNING: AcquisitionMode=1 and PixelDepth=0 apply at the next open; "
                          "until then the camera keeps AcquisitionMode=2 and PixelDepth=0, port=5"));
  frame = GrabOne(id);
  ASSERT_FALSE(frame.empty()) << "the grab no longer triggers";
  EXPECT_EQ(converted(id, BayerMethod::kSimple), frame);

  // Only a confirmed sheet changes the conversion.
  view.pressOk = false;
  view.script = [](ui::CPropertyGeneral& page) { FakeView::Edit(page, "BayerMethod", std::string("HQLinear")); };
  EXPECT_FALSE(camera.Configure(view));
  frame = GrabOne(id);
  EXPECT_EQ(converted(id, BayerMethod::kSimple), frame);

  // At the next open the confirmed mode reaches the camera: frames run free.
  camera.Close();
  int width = 0, height = 0;
  ASSERT_TRUE(camera.Open(5, width, height));
  sim.SimSdk_clearJournal();
  camera.Grab();
  EXPECT_TRUE(Eventually([] { return gCalls == 4; }));
  EXPECT_TRUE(sim.JournalOf("Camera_softwareTrigger").empty());
}

// A frame of a pixel type the camera cannot have stops before the host.
TEST_F(GrabTest, FramesOfTheWrongTypeAreNotDelivered) {
  Camera& camera = OpenCamera(true, 2);
  sim.SimSdk_setPixelType(_handle, simsdk::kPixelMono8);
  camera.Grab();
  EXPECT_TRUE(Eventually([] {
    return CountLines("Camera::ProcessEvent ERROR: unrecognized pixel format for COLOR mode 1080001, port=5") == 1;
  }));
  EXPECT_FALSE(camera.GrabRequested());
  EXPECT_TRUE(Eventually([&] { return camera.Counters().conversionFailed == 1; }));
  EXPECT_EQ(0, gCalls);
  EXPECT_TRUE(AllCameBack());
}

// The top-left width x height pixels of a frame whose rows are `pitch` pixels
// long.
std::vector<std::uint8_t> TopLeft(const std::vector<std::uint8_t>& frame, int pitch, int width, int height,
                                  int bytesPerPixel) {
  std::vector<std::uint8_t> part;
  for (int y = 0; y < height; ++y) {
    const auto row = frame.begin() + static_cast<std::ptrdiff_t>(y) * pitch * bytesPerPixel;
    part.insert(part.end(), row, row + static_cast<std::ptrdiff_t>(width) * bytesPerPixel);
  }
  return part;
}

// A camera that sends larger frames than the open reported (its area of
// interest was not taken, say): the host gets each frame's top-left part, at
// the size it was told, converted at the frame's own size first. The odd
// width makes the packed 12-bit pixel pairs straddle rows.
TEST_F(GrabTest, ALargerFrameIsDeliveredAsItsTopLeftPart) {
  const auto small = [](CameraParameters& p) { SetSize(p, 320, 240, 0); };
  const auto twelve = [&](CameraParameters& p) {
    small(p);
    p.GetParameter<ParamEnum>("PixelDepth").add_option("12", 2);
    p.GetParameter<ParamEnum>("PixelDepth").set_by_value(2);
  };
  Camera& mono = OpenCamera(false, 2, twelve,
                            [](CameraParameters& p) { p.GetParameter<ParamEnum>("PixelDepth").add_option("12", 2); });
  ASSERT_EQ(320, mono.Width());
  ASSERT_EQ(0, sim.SimSdk_setFrameSize(_handle, 401, 300));
  int id = -1;
  auto frame = GrabOne(id);
  EXPECT_EQ(TopLeft(Pattern(simsdk::kPixelMono8, id, 401, 300), 401, 320, 240, 1), frame) << "Mono12Packed";
  mono.Close();
  _camera.reset();
  sdk::CameraContainer_delete(_container);
  _container = 0;

  OpenCamera(false, 2, small);
  ASSERT_EQ(0, sim.SimSdk_setFrameSize(_handle, 400, 241));
  frame = GrabOne(id);
  EXPECT_EQ(TopLeft(Pattern(simsdk::kPixelMono8, id, 400, 241), 400, 320, 240, 1), frame) << "Mono8";
  _camera->Close();
  _camera.reset();
  sdk::CameraContainer_delete(_container);
  _container = 0;

  OpenCamera(true, 2, [&](CameraParameters& p) {
    small(p);
    p.GetParameter<ParamEnum>("BayerMethod").set_by_value(3);
  });
  ASSERT_EQ(0, sim.SimSdk_setFrameSize(_handle, 322, 300));
  frame = GrabOne(id);
  const auto mosaic = Pattern(simsdk::kPixelBayerGR8, id, 322, 300);
  std::vector<std::uint8_t> rgb(322u * 300u * 3u);
  imaging::Demosaic(mosaic.data(), 322, 322, 300, imaging::BayerPhase::kGR, imaging::BayerMethod::kHQLinear, rgb.data(),
                    322 * 3);
  EXPECT_EQ(TopLeft(rgb, 322, 320, 240, 3), frame) << "BayerGR8";
  sim.SimSdk_setPixelType(_handle, simsdk::kPixelRGB24);
  frame = GrabOne(id);
  EXPECT_EQ(TopLeft(Pattern(simsdk::kPixelRGB24, id, 322, 300), 322, 320, 240, 3), frame) << "RGB24";
  EXPECT_EQ(1, CountLines("Camera::ProcessEvent ERROR: image size 401x300 differs from the opened size 320x240 "
                          "(cropped) 1 times, port=5"));
}

// A frame narrower or shorter than the host reads cannot fill its rows. The
// line is throttled: one, then a count per ten seconds.
TEST_F(GrabTest, ASmallerFrameIsNotDeliveredAndReportedOnceThenCounted) {
  platform::TestClock clock(1000000);
  Camera& camera = OpenCamera(false, 2, [](CameraParameters& p) { SetSize(p, 320, 240, 0); });
  const auto processed = [] { return CountLines("Camera::ProcessEvent"); };
  const int sizes[][2] = {{319, 240}, {400, 239}, {319, 240}};
  for (int n = 1; n <= 3; ++n) {
    ASSERT_EQ(0, sim.SimSdk_setFrameSize(_handle, sizes[n - 1][0], sizes[n - 1][1]));
    camera.Grab();
    // Done once its line is logged and its request consumed: a grab sent
    // before that would be consumed with this frame and never answered.
    ASSERT_TRUE(Eventually([&] { return processed() == n && !camera.GrabRequested(); })) << n;
  }
  EXPECT_EQ(1, CountLines("Camera::ProcessEvent ERROR: image size 319x240 differs from the opened size 320x240 "
                          "(dropped) 1 times, port=5"));
  clock.Advance(11000);
  camera.Grab();
  ASSERT_TRUE(Eventually([&] {
    return processed() == 4 && CountLines(
                                   "Camera::ProcessEvent ERROR: image size 319x240 differs from the opened "
                                   "size 320x240 (dropped) 3 times, port=5") == 1;
  }));
  EXPECT_EQ(0, gCalls);
  EXPECT_FALSE(camera.GrabRequested());

  // A size the image's data cannot hold (an SDK that answered nonsense) is
  // never read at its pitch.
  ASSERT_EQ(0, sim.SimSdk_setFrameSize(_handle, 0, 0));
  sim.SimSdk_failCall("Image_getSizeX", 4242, 0);
  camera.Grab();
  ASSERT_TRUE(Eventually([&] {
    return processed() == 5 &&
           CountLines("Camera::ProcessEvent ERROR: image of 76800 bytes cannot hold a frame of 4242x240, port=5") == 1;
  }));
  EXPECT_EQ(0, gCalls);
  EXPECT_TRUE(Eventually([&] { return camera.Counters().conversionFailed == 5; }));
  EXPECT_EQ(0, camera.Counters().delivered);
  EXPECT_TRUE(AllCameBack());
}

TEST_F(GrabTest, FreeRunningGrabsAndContinuousMode) {
  Camera& camera = OpenCamera(false, 1);
  // Two grabs before the next image: one warning, one frame.
  sim.SimSdk_pauseFrames(1);
  camera.Grab();
  camera.Grab();
  EXPECT_EQ(1, CountLines("Camera::Grab: WARNING: grab called while previous grab not finished yet"));
  sim.SimSdk_pauseFrames(0);
  EXPECT_TRUE(Eventually([] { return gCalls == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // five more frame periods
  EXPECT_EQ(1, gCalls);
  int id = -1;
  ReadFrame(id);

  // Continuous: every frame, in order, until switched off.
  camera.SetContinuousGrab(true);
  int last = -1;
  for (int n = 0; n < 5; ++n) {
    ASSERT_TRUE(Eventually([&] { return camera.Buffers().FindLoadedBuffer() != nullptr; }));
    const auto frame = ReadFrame(id);
    EXPECT_EQ(Pattern(simsdk::kPixelMono8, id, 656, 490), frame);
    if (last >= 0) {
      EXPECT_EQ(last + 1, id);
    }
    last = id;
  }
  camera.SetContinuousGrab(false);
  EXPECT_FALSE(camera.GrabRequested());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int calls = gCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, gCalls);
}

TEST_F(GrabTest, AMissingBufferIsReportedOnceThenCountedForTenSeconds) {
  platform::TestClock clock(1000000);
  Camera& camera = OpenCamera(false, 2);
  camera.SetContinuousGrab(true);
  // Frames the wait thread has finished with; a missing buffer's line is
  // logged before its count goes up. (Counting "Camera::ProcessEvent" lines
  // would also count those lines and run ahead of the wait thread.)
  const auto processed = [&] {
    const auto counters = camera.Counters();
    return static_cast<int>(counters.delivered + counters.noFreeBuffer);
  };
  for (int n = 1; n <= 13; ++n) {
    camera.Grab();
    ASSERT_TRUE(Eventually([&] { return processed() == n; })) << n;
  }
  EXPECT_EQ(10, gCalls);  // the pool's ten buffers, none read
  EXPECT_EQ(1, CountLines("Camera::ProcessEvent ERROR: free buffer not found 1 times, port=5"));
  clock.Advance(10000);
  camera.Grab();
  ASSERT_TRUE(Eventually([&] { return processed() == 14; }));
  clock.Advance(1000);
  camera.Grab();
  ASSERT_TRUE(Eventually([&] { return processed() == 15; }));
  EXPECT_TRUE(
      Eventually([] { return CountLines("Camera::ProcessEvent ERROR: free buffer not found 4 times, port=5") == 1; }));
  EXPECT_TRUE(Eventually([&] { return camera.Counters().noFreeBuffer == 5; }));
  EXPECT_EQ(10, camera.Counters().delivered);
  EXPECT_EQ(10u, camera.Buffers().CountIn(BufferState::kLoaded));
  camera.Close();
}

// Close waits for a frame of its camera in the host's callback; a close from
// inside the callback returns at once; a closed camera calls nobody.
TEST_F(GrabTest, CloseAgainstTheWaitThread) {
  Camera& camera = OpenCamera(false, 1);
  gCallbackSleepMs = 200;
  camera.SetContinuousGrab(true);
  ASSERT_TRUE(Eventually([] { return gInsideCallback.load(); }));
  camera.Close();
  EXPECT_FALSE(gInsideCallback);
  const int calls = gCalls;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(calls, gCalls);

  gCallbackSleepMs = 0;
  int width = 0, height = 0;
  ASSERT_TRUE(camera.Open(5, width, height));
  gCloseInCallback = &camera;
  camera.SetContinuousGrab(true);
  ASSERT_TRUE(Eventually([&] { return !camera.IsOpen() && !gInsideCallback; }));
  EXPECT_FALSE(_thread.IsStored(&camera));
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  // The driver released every image it took; the SDK took back only those
  // the driver refused, none abandoned at the channel's deletion.
  long long delivered = 0, released = 0, refused = 0, abandoned = -1;
  sim.SimSdk_getFrameCounters(0, nullptr, &delivered, nullptr, &released, nullptr);
  sim.SimSdk_getReclaimCounters(0, &refused, &abandoned);
  EXPECT_GT(released, 0);
  EXPECT_EQ(0, abandoned);
  EXPECT_EQ(delivered, released + refused);
  // The camera accounts for every frame it queued, and no buffer is left
  // claimed (the delivered frames stay loaded: nobody read them).
  EXPECT_TRUE(camera.Counters().Settled());
  EXPECT_EQ(gCalls, camera.Counters().delivered);
  EXPECT_EQ(0u, camera.Buffers().CountIn(BufferState::kFilling));
}

}  // namespace
}  // namespace ecocam::testing
