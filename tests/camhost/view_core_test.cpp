// The live view's core (no toolkit): the frame exchange between the
// completion callback and the window, the picture and histogram helpers,
// and a ViewSession against the driver and the simulated SDK in this
// process, with small frames so the runs stay cheap.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "driver_log.h"
#include "exit_codes.h"
#include "sim_control.h"
#include "simsdk_pattern.h"
#include "support/temp_dir.h"
#include "view_picture.h"
#include "view_session.h"

namespace camhost::testing {
namespace {

using namespace std::chrono_literals;

// --- the frame exchange ---------------------------------------------------

TEST(FrameExchangeTest, TheWindowGetsTheNewestFrameAndEveryReplacedOneIsCountedSkipped) {
  FrameExchange frames;
  frames.Reset(4, 2, 1);
  EXPECT_EQ(frames.PickUp(), nullptr);
  EXPECT_EQ(frames.Front().number, 0);
  for (long long n = 1; n <= 3; ++n) {
    frames.Back().number = n;
    frames.Publish();
  }
  const ViewFrame* shown = frames.PickUp();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->number, 3);
  EXPECT_EQ(frames.Skipped(), 2);
  EXPECT_EQ(frames.PickUp(), nullptr) << "the same frame picked up twice";
  // The writer never writes into the frame on screen.
  EXPECT_NE(&frames.Back(), &frames.Front());
  frames.Back().number = 4;
  frames.Publish();
  EXPECT_NE(&frames.Back(), &frames.Front());
  EXPECT_EQ(frames.PickUp()->number, 4);
  EXPECT_EQ(frames.Skipped(), 2);
}

TEST(FrameExchangeTest, AWriterAndAReaderOnTwoThreadsLoseNoCountAndNeverGoBack) {
  FrameExchange frames;
  frames.Reset(16, 4, 1);
  constexpr long long kFrames = 20000;
  std::thread writer([&] {
    for (long long n = 1; n <= kFrames; ++n) {
      ViewFrame& f = frames.Back();
      f.number = n;
      std::fill(f.pixels.begin(), f.pixels.end(), static_cast<std::uint8_t>(n));
      frames.Publish();
    }
  });
  long long shown = 0, last = 0;
  bool torn = false, backwards = false;
  const auto until = std::chrono::steady_clock::now() + 20s;
  while (last < kFrames && std::chrono::steady_clock::now() < until) {
    if (const ViewFrame* f = frames.PickUp()) {
      ++shown;
      backwards = backwards || f->number <= last;
      last = f->number;
      for (std::uint8_t v : f->pixels) torn = torn || v != static_cast<std::uint8_t>(f->number);
    }
  }
  writer.join();
  EXPECT_EQ(last, kFrames);
  EXPECT_FALSE(backwards);
  EXPECT_FALSE(torn) << "a frame was written while it was shown";
  EXPECT_EQ(shown + frames.Skipped(), kFrames);
}

// --- picture and histogram -------------------------------------------------

ViewFrame MakeFrame(int width, int height, int channels) {
  ViewFrame f;
  f.width = width;
  f.height = height;
  f.channels = channels;
  f.number = 1;
  f.pixels.resize(static_cast<std::size_t>(width * height * channels));
  for (std::size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return f;
}

TEST(ViewPictureTest, ThePictureKeepsItsAspectCentredAndIsCopiedAsItIsAtItsOwnSize) {
  const Placement same = FitInside(640, 480, 640, 480);
  EXPECT_EQ((std::vector<int>{same.x, same.y, same.width, same.height}), (std::vector<int>{0, 0, 640, 480}));
  const Placement wide = FitInside(640, 480, 1000, 480);
  EXPECT_EQ((std::vector<int>{wide.x, wide.y, wide.width, wide.height}), (std::vector<int>{180, 0, 640, 480}));
  const Placement tall = FitInside(640, 480, 320, 400);
  EXPECT_EQ((std::vector<int>{tall.x, tall.y, tall.width, tall.height}), (std::vector<int>{0, 80, 320, 240}));
  EXPECT_EQ(FitInside(640, 480, 0, 100).width, 0);

  const ViewFrame grey = MakeFrame(5, 3, 1);
  std::vector<std::uint8_t> rgb = ScaleToRgb(grey, 5, 3);
  ASSERT_EQ(rgb.size(), 45u);
  for (std::size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(rgb[i * 3], grey.pixels[i]);
    EXPECT_EQ(rgb[i * 3 + 2], grey.pixels[i]);
  }
  const ViewFrame colour = MakeFrame(4, 4, 3);
  EXPECT_EQ(ScaleToRgb(colour, 4, 4), colour.pixels);
  // Half size takes every other pixel of every other row.
  rgb = ScaleToRgb(colour, 2, 2);
  ASSERT_EQ(rgb.size(), 12u);
  EXPECT_EQ(
      std::vector<std::uint8_t>(rgb.begin() + 9, rgb.end()),
      std::vector<std::uint8_t>(colour.pixels.begin() + (2 * 4 + 2) * 3, colour.pixels.begin() + (2 * 4 + 3) * 3));
  // A frame shorter than its size says is not read past its end.
  ViewFrame cut = colour;
  cut.pixels.resize(10);
  EXPECT_TRUE(ScaleToRgb(cut, 4, 4).empty());
  EXPECT_EQ(ComputeHistogram(cut).channels, 0);
}

TEST(ViewPictureTest, TheColourHistogramCountsEachChannelApart) {
  ViewFrame f;
  f.width = 2;
  f.height = 1;
  f.channels = 3;
  f.pixels = {10, 20, 30, 10, 200, 30};
  const Histogram h = ComputeHistogram(f);
  EXPECT_EQ(h.channels, 3);
  EXPECT_EQ(h.counts[0][10], 2u);
  EXPECT_EQ(h.counts[1][20], 1u);
  EXPECT_EQ(h.counts[1][200], 1u);
  EXPECT_EQ(h.counts[2][30], 2u);
  EXPECT_EQ(h.counts[0][20], 0u);
  EXPECT_EQ(h.Peak(), 2u);
}

// --- a view of a simulated camera ------------------------------------------

class ViewSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete());
    sim.SimSdk_reset();
  }

  std::unique_ptr<ViewSession> Open(const std::string& camera, GrabMode mode, std::vector<std::string> ini = {}) {
    CommonOptions common;
    common.systemPath = (dir.path() / "system").string();
    common.iniKeys = {"Width=64", "Height=48", "FrameRate=60"};
    common.iniKeys.insert(common.iniKeys.end(), ini.begin(), ini.end());
    ViewOptions options;
    options.camera = camera;
    options.mode = mode;
    options.outDir = (dir.path() / "out").string();
    auto view = std::make_unique<ViewSession>(common, options);
    EXPECT_EQ(view->Start(), kExitOk);
    return view;
  }

  // Waits (at most 5 s) until the view has received `count` frames.
  static bool WaitFor(ViewSession& view, long long count) {
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (view.Stats().received < count) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(2ms);
    }
    return true;
  }

  // The image id whose test pattern `frame` shows in grey, or -1.
  static int PatternId(const ViewFrame& frame) {
    for (int id = 0; id < 256; ++id) {
      bool all = true;
      for (int y = 0; y < frame.height && all; ++y) {
        for (int x = 0; x < frame.width && all; ++x) {
          all = frame.pixels[static_cast<std::size_t>(y * frame.width + x)] == simsdk::PatternValue8(id, x, y);
        }
      }
      if (all) return id;
    }
    return -1;
  }

  SimControl sim;
  ecocam::testing::TempDir dir;
};

TEST_F(ViewSessionTest, ContinuousFramesTheWindowDoesNotTakeAreSkippedForDisplayNotLostByTheDriver) {
  auto view = Open("eco424MVGE", GrabMode::kContinuous);
  // The window looks only now and then: most frames are replaced unseen.
  ASSERT_TRUE(WaitFor(*view, 12));
  const ViewFrame* first = view->Frames().PickUp();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->width, 64);
  ASSERT_EQ(first->channels, 1);
  EXPECT_GE(PatternId(*first), 0) << "the frame shown is not the test pattern";
  // The histogram of the frame shown, against the pattern's own tally.
  const Histogram histogram = ComputeHistogram(*first);
  std::array<std::uint32_t, 256> tally{};
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) ++tally[simsdk::PatternValue8(PatternId(*first), x, y)];
  }
  EXPECT_EQ(histogram.channels, 1);
  EXPECT_EQ(histogram.counts[0], tally);
  const long long firstNumber = first->number;
  ASSERT_TRUE(WaitFor(*view, firstNumber + 12));
  const ViewFrame* second = view->Frames().PickUp();
  ASSERT_NE(second, nullptr);
  EXPECT_GT(second->number, firstNumber);
  EXPECT_NE(PatternId(*second), PatternId(*first));
  // Drained before the close: frames still queued at a close are dropped
  // by design, and would not be the driver losing them.
  view->SetPaused(true);
  for (long long seen = -1; seen != view->Stats().received;) {
    seen = view->Stats().received;
    std::this_thread::sleep_for(100ms);
  }
  view->Stop();

  const ViewStats stats = view->Stats();
  EXPECT_EQ(stats.unreadable, 0);
  // Two frames shown, the rest skipped, except one still waiting unseen.
  EXPECT_EQ(stats.skipped + 2 + (stats.received > second->number ? 1 : 0), stats.received);
  EXPECT_LT(stats.lastLatencyMs, 0) << "continuous frames have no request to measure from";
  long long produced = 0, delivered = 0, lost = 0, released = 0, reclaimed = 0;
  sim.SimSdk_getFrameCounters(0, &produced, &delivered, &lost, &released, &reclaimed);
  EXPECT_EQ(lost, 0);
  // Every image the driver took for a grab reached the view.
  EXPECT_EQ(released, stats.received);
  EXPECT_FALSE(DriverLog::Contains("free buffer not found"));
}

TEST_F(ViewSessionTest, SingleGrabsFollowEachOtherAndPauseStopsThem) {
  auto view = Open("eco424CVGE", GrabMode::kSingle);
  ASSERT_TRUE(WaitFor(*view, 5));
  ViewStats stats = view->Stats();
  EXPECT_EQ(stats.channels, 3);
  EXPECT_GE(stats.lastLatencyMs, 0.0);
  view->SetPaused(true);
  std::this_thread::sleep_for(100ms);
  const long long paused = view->Stats().received;
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(view->Stats().received, paused) << "frames still requested while paused";
  view->SetPaused(false);
  EXPECT_TRUE(WaitFor(*view, paused + 3));
}

TEST_F(ViewSessionTest, TriggerModeFreeRunsAtARateAndTriggersOneFrameAtATime) {
  auto view = Open("eco424MVGE", GrabMode::kTrigger);
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(view->Stats().received, 0) << "a frame without a trigger";
  view->SetTriggerRate(50);
  ASSERT_TRUE(WaitFor(*view, 5));
  view->SetTriggerRate(0);
  std::this_thread::sleep_for(150ms);
  const long long before = view->Stats().received;
  ASSERT_TRUE(view->Trigger());
  ASSERT_TRUE(WaitFor(*view, before + 1));
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(view->Stats().received, before + 1);
  EXPECT_GE(view->Stats().lastLatencyMs, 0.0);
  EXPECT_EQ(sim.JournalOf("Camera_softwareTrigger").size(), static_cast<std::size_t>(before + 1));
}

TEST_F(ViewSessionTest, AControlIsBoundedByTheDriverAndARefusedValueGoesBackToTheCamerasValue) {
  // With a lookup table on, the driver refuses Gamma.
  const std::string lut = (dir.path() / "lut.csv").string();
  {
    std::ofstream file(lut);
    file << "in;straight\n0;0\n1;1\n";
  }
  auto view = Open("eco424MVGE", GrabMode::kContinuous,
                   {"UseLUT=1", "LUTtable=" + lut, "LUTtableRow=straight", "ExposureTime=1000"});
  const auto& controls = view->Controls().Controls();
  ASSERT_EQ(controls.size(), ViewControls::Names().size());
  const std::size_t exposure = 1, gamma = 4;
  ASSERT_EQ(controls[exposure].name, "ExposureTime");
  ASSERT_TRUE(controls[exposure].ranged);
  EXPECT_LT(controls[exposure].min, controls[exposure].max);
  EXPECT_EQ(controls[exposure].value, 1000);

  sim.SimSdk_clearJournal();
  EXPECT_EQ(view->ApplyControl(exposure, 2500), ViewControls::Outcome::kTaken);
  int value = 0;
  EXPECT_EQ(view->Driver().getProperty(0, 0, "ExposureTime", &value), 1);
  EXPECT_EQ(value, 2500);
  const std::vector<std::string> sent = sim.JournalOf("Camera_setExposureTime");
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.back().find(",2500)"), std::string::npos) << sent.back();
  // Beyond the range: the range's end is written.
  view->ApplyControl(exposure, controls[exposure].max + 1000);
  EXPECT_EQ(controls[exposure].value, controls[exposure].max);

  ASSERT_EQ(controls[gamma].name, "Gamma");
  const int gammaBefore = controls[gamma].value;
  EXPECT_EQ(view->ApplyControl(gamma, gammaBefore + 1), ViewControls::Outcome::kRefused);
  EXPECT_EQ(controls[gamma].value, gammaBefore);
  EXPECT_NE(controls[gamma].note.find("refused"), std::string::npos);
  EXPECT_NE(view->Stats().driverLine.find("not available while LUT mode enabled"), std::string::npos)
      << view->Stats().driverLine;
}

TEST_F(ViewSessionTest, ASnapshotIsTheFrameShownAndNeverOverwritesOne) {
  auto view = Open("eco424MVGE", GrabMode::kContinuous);
  std::string error;
  EXPECT_EQ(view->Snapshot(error), "");
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(WaitFor(*view, 2));
  ASSERT_NE(view->Frames().PickUp(), nullptr);
  const std::string first = view->Snapshot(error);
  const std::string second = view->Snapshot(error);
  EXPECT_TRUE(std::filesystem::exists(first)) << error;
  EXPECT_TRUE(std::filesystem::exists(second)) << error;
  EXPECT_NE(first, second);
  EXPECT_NE(first.find("eco424MVGE-snapshot-"), std::string::npos);
}

}  // namespace
}  // namespace camhost::testing
