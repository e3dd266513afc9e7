// Grabbing and properties through the exports against the simulated SDK:
// rows as the host copies them, the property exports, and a bounded stress
// run of four streaming cameras with opens, closes, grabs, row reads,
// property writes and finalize.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_session.h"
#include "simsdk_pattern.h"

namespace ecocam::testing {
namespace {

std::atomic<int> gCompletions{0};
int ECOCAM_CALL Completed(int, int) { return ++gCompletions; }

template <typename Done>
bool Eventually(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

class ExportsGrabTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();
    if (HasFatalFailure()) return;
    gCompletions = 0;
  }
  void WriteSettings(const std::vector<std::string>& models, const std::string& mode, int frameRate) {
    std::ofstream ini(dir.path() / "SVS-Vistek.ini");
    for (const std::string& model : models) {
      ini << "[" << model << "]\nLogLevel=1\nLogDebugView=0\nWidth=656\nHeight=490\nAcquisitionMode=" << mode
          << "\nFrameRate=" << frameRate << "\n";
    }
  }
  void Initialize() { ASSERT_EQ(1, initialize(dir.path().string().c_str(), nullptr)); }
};

TEST_F(ExportsGrabTest, RowsAreCopiedFromColumnZeroAndNeverPastTheFrame) {
  WriteSettings({"eco424CVGE"}, "Software trigger", 5);
  Initialize();
  int size[2] = {0, 0};
  ASSERT_EQ(1, openCVLPort(0, 3, "eco424CVGE", size));
  ASSERT_EQ(656, size[0]);
  ASSERT_EQ(490, size[1]);
  sim.SimSdk_setPixelType(sim.SimSdk_findCamera("eco424CVGE"), simsdk::kPixelRGB24);
  ASSERT_EQ(1, setCompleteCallback(0, 3, &Completed));

  std::vector<std::uint8_t> dest(4000, 0xEE);
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 0, 0, 639));  // no frame yet
  EXPECT_EQ(0xEE, dest[0]);
  ASSERT_EQ(1, doCVLGrab(0, 3));
  ASSERT_TRUE(Eventually([] { return gCompletions == 1; }));

  // The pattern of the frame: its image id from the first pixel.
  ASSERT_EQ(1, getCVLGrabRow(0, 3, dest.data(), 0, 0, 0));
  int id = 0;
  while (simsdk::PatternValue8(id, 0, 0) != dest[0]) ++id;
  std::vector<std::uint8_t> frame(656u * 490u * 3u);
  simsdk::FillPattern(simsdk::kPixelRGB24, id, 656, 490, frame.data());
  const auto row = [&](int y) {
    return std::vector<std::uint8_t>(frame.begin() + y * 1968, frame.begin() + y * 1968 + 1968);
  };
  const auto copied = [&](std::size_t n) { return std::vector<std::uint8_t>(dest.begin(), dest.begin() + n); };

  const struct {
    int row, first, last;
    std::size_t bytes;
  } cases[] = {{1, 0, 639, 1920}, {2, 100, 199, 300}, {3, 0, 100000, 1968}, {4, -5, 9, 45}};
  for (const auto& c : cases) {
    std::fill(dest.begin(), dest.end(), 0xEE);
    ASSERT_EQ(1, getCVLGrabRow(0, 3, dest.data(), c.row, c.first, c.last)) << c.row;
    auto expected = row(c.row);
    expected.resize(c.bytes);
    EXPECT_EQ(expected, copied(c.bytes)) << c.row;
    EXPECT_EQ(0xEE, dest[c.bytes]) << c.row;
  }
  std::fill(dest.begin(), dest.end(), 0xEE);
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 5, 10, 5));  // negative range
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 5, 10, 8));
  EXPECT_EQ(0, getCVLGrabRow(0, 3, nullptr, 5, 0, 10));
  EXPECT_EQ(0, getCVLGrabRow(0, 3, nullptr, 5, 10, 9));
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 490, 0, 10));  // beyond the last row
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 490, 10, 9));
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), -1, 10, 9));
  // An empty range succeeds without copying anything.
  EXPECT_EQ(1, getCVLGrabRow(0, 3, dest.data(), 5, 10, 9));
  EXPECT_EQ(1, getCVLGrabRow(0, 3, dest.data(), 0, 0, -1));
  EXPECT_EQ(0xEE, dest[0]);

  // Reading the last row frees the frame.
  ASSERT_EQ(1, getCVLGrabRow(0, 3, dest.data(), 489, 0, 655));
  EXPECT_EQ(row(489), copied(1968));
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 0, 0, 655));

  // So does an empty range on the last row.
  ASSERT_EQ(1, doCVLGrab(0, 3));
  ASSERT_TRUE(Eventually([] { return gCompletions == 2; }));
  std::fill(dest.begin(), dest.end(), 0xEE);
  EXPECT_EQ(1, getCVLGrabRow(0, 3, dest.data(), 489, 7, 6));
  EXPECT_EQ(0xEE, dest[0]);
  EXPECT_EQ(0, getCVLGrabRow(0, 3, dest.data(), 0, 0, 655));
  closeCVLPort(0, 3);
}

// A camera sending frames larger than the size the open reported: the host
// reads each frame's top-left part at the reported size; a smaller frame
// never reaches it.
TEST_F(ExportsGrabTest, FramesOfAnotherSizeAsTheHostSeesThem) {
  WriteSettings({"eco424MVGE"}, "Software trigger", 5);
  Initialize();
  int size[2] = {0, 0};
  ASSERT_EQ(1, openCVLPort(0, 2, "eco424MVGE", size));
  ASSERT_EQ(1, setCompleteCallback(0, 2, &Completed));
  const int camera = sim.SimSdk_findCamera("eco424MVGE");
  ASSERT_EQ(0, sim.SimSdk_setFrameSize(camera, 700, 500));
  ASSERT_EQ(1, doCVLGrab(0, 2));
  ASSERT_TRUE(Eventually([] { return gCompletions == 1; }));
  std::vector<std::uint8_t> dest(800, 0xEE);
  ASSERT_EQ(1, getCVLGrabRow(0, 2, dest.data(), 0, 0, 799));
  int id = 0;
  while (simsdk::PatternValue8(id, 0, 0) != dest[0]) ++id;
  std::vector<std::uint8_t> frame(700u * 500u);
  simsdk::FillPattern(simsdk::kPixelMono8, id, 700, 500, frame.data());
  for (int y = 0; y < 490; ++y) {
    std::fill(dest.begin(), dest.end(), 0xEE);
    ASSERT_EQ(1, getCVLGrabRow(0, 2, dest.data(), y, 0, 799)) << y;
    ASSERT_TRUE(std::equal(dest.begin(), dest.begin() + 656, frame.begin() + y * 700)) << y;
    ASSERT_EQ(0xEE, dest[656]) << y;
  }
  EXPECT_EQ(0, getCVLGrabRow(0, 2, dest.data(), 0, 0, 655));  // the last row freed the frame

  ASSERT_EQ(0, sim.SimSdk_setFrameSize(camera, 656, 489));
  ASSERT_EQ(1, doCVLGrab(0, 2));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(1, gCompletions.load());
  EXPECT_EQ(0, getCVLGrabRow(0, 2, dest.data(), 0, 0, 655));
  closeCVLPort(0, 2);
}

TEST_F(ExportsGrabTest, PropertiesThroughTheExports) {
  WriteSettings({"eco424MVGE"}, "Fixed frequency", 5);
  Initialize();
  int size[2] = {0, 0};
  ASSERT_EQ(1, openCVLPort(0, 1, "eco424MVGE", size));
  int value = -1, min = -1, max = -1;
  EXPECT_EQ(1, getProperty(0, 1, "PixelSize", &value));
  EXPECT_EQ(8, value);
  EXPECT_EQ(1, getPropertyRange(0, 1, "ExposureDelay", &min, &max));
  EXPECT_LE(min, max);
  EXPECT_EQ(0, getPropertyRange(0, 1, "UseLUT", &min, &max));
  EXPECT_EQ(1, setProperty(0, 1, "ExposureDelay", 5));
  EXPECT_EQ(1, getProperty(0, 1, "ExposureDelay", &value));
  EXPECT_EQ(5, value);
  EXPECT_EQ(0, setProperty(0, 1, "Width", 5));
  EXPECT_EQ(1, setProperty(0, 1, "Continuous", 1));
  EXPECT_EQ(1, getProperty(0, 1, "continous", &value));
  EXPECT_EQ(1, value);
  EXPECT_EQ(0, getProperty(0, 1, nullptr, &value));
  EXPECT_EQ(0, getProperty(0, 1, "PixelSize", nullptr));
  EXPECT_EQ(0, getPropertyRange(0, 1, "Gamma", nullptr, &max));
  EXPECT_EQ(0, setProperty(0, 1, nullptr, 1));
  EXPECT_EQ(0, getProperty(0, 9, "PixelSize", &value));  // no camera on the port
  EXPECT_EQ(0, doCVLGrab(0, 9));
  closeCVLPort(0, 1);
}

// The host's message procedure: every message (the timestamps dropped).
std::mutex gMessagesLock;
std::vector<std::string> gMessages;
std::atomic<unsigned> gMessageCalls{0};
void ECOCAM_CALL Collect(const char* text) {
  if (gMessageCalls++ % 2 == 0) return;
  std::lock_guard<std::mutex> guard(gMessagesLock);
  gMessages.emplace_back(text != nullptr ? text : "");
}
std::vector<std::string> TakeMessages() {
  std::lock_guard<std::mutex> guard(gMessagesLock);
  std::vector<std::string> taken;
  taken.swap(gMessages);
  return taken;
}

// A host that reads every 64 x 48 frame whole inside its callback.
std::atomic<int> gFramesRead{0};
int ECOCAM_CALL ReadWhole(int grabber, int port) {
  std::vector<std::uint8_t> row(64 * 3);
  for (int y = 0; y < 48; ++y) getCVLGrabRow(grabber, port, row.data(), y, 0, 63);
  return ++gFramesRead;
}

// Two cameras streaming as fast as the simulated cameras go, every frame
// read whole in the callback: with LogLevel 1 the message procedure hears
// only level-1 lines, and a normal stream has none to tell (the wait
// thread's extra wake-ups for frames queued behind one signal included).
TEST_F(ExportsGrabTest, AFullRateStreamWritesNoLevelOneLine) {
  for (int camera = 0; camera < 2; ++camera) sim.SimSdk_setCameraLimit(camera, "FrameRateMax", 1000);
  {
    std::ofstream ini(dir.path() / "SVS-Vistek.ini");
    for (const char* model : {"eco424MVGE", "eco424CVGE"}) {
      ini << "[" << model << "]\nLogLevel=1\nLogDebugView=0\nWidth=64\nHeight=48\n"
          << "AcquisitionMode=Fixed frequency\nFrameRate=1000\n";
    }
  }
  gFramesRead = 0;
  ASSERT_EQ(1, initialize(dir.path().string().c_str(), &Collect));
  for (int port = 0; port < 2; ++port) {
    int size[2] = {0, 0};
    ASSERT_EQ(1, openCVLPort(0, port, port == 0 ? "eco424MVGE" : "eco424CVGE", size));
    ASSERT_EQ(64, size[0]);
    ASSERT_EQ(1, setCompleteCallback(0, port, &ReadWhole));
  }
  TakeMessages();  // the open's own level-1 line
  for (int port = 0; port < 2; ++port) ASSERT_EQ(1, setProperty(0, port, "continuous", 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int port = 0; port < 2; ++port) ASSERT_EQ(1, setProperty(0, port, "continuous", 0));
  const std::vector<std::string> lines = TakeMessages();
  for (int port = 0; port < 2; ++port) closeCVLPort(0, port);
  EXPECT_GT(gFramesRead.load(), 500);
  EXPECT_TRUE(lines.empty()) << lines.size() << " lines, the first: " << lines.front();
}

// Four cameras streaming while the host opens, closes, grabs, reads rows and
// writes properties; then finalize with the cameras streaming. Every image
// the driver took is handed back to the SDK.
TEST_F(ExportsGrabTest, FourStreamingCamerasUnderAllHostCallsAndFinalize) {
  sim.SimSdk_addCamera("eco655MVGE", 656, 490, 0);
  sim.SimSdk_addCamera("eco655CVGE", 656, 490, 1);
  const std::vector<std::string> models = {"eco424MVGE", "eco424CVGE", "eco655MVGE", "eco655CVGE"};
  WriteSettings(models, "Fixed frequency", 100);
  std::vector<std::uint8_t> dest(656 * 3);
  for (int round = 0; round < 3; ++round) {
    Initialize();
    for (int port = 0; port < 4; ++port) {
      int size[2] = {0, 0};
      ASSERT_EQ(1, openCVLPort(0, port, models[static_cast<std::size_t>(port)].c_str(), size));
      ASSERT_EQ(1, setCompleteCallback(0, port, &Completed));
      ASSERT_EQ(1, setProperty(0, port, "continuous", 1));
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    for (int step = 0; std::chrono::steady_clock::now() < end; ++step) {
      const int port = step % 4;
      if (getCVLGrabRow(0, port, dest.data(), 0, 0, 655) == 1) {
        for (int y = 1; y < 490; ++y) getCVLGrabRow(0, port, dest.data(), y, 0, 655);
      }
      doCVLGrab(0, port);
      setProperty(0, port, "ExposureDelay", 1 + step % 50);
      if (step % 7 == 3) {
        closeCVLPort(0, port);
        int size[2] = {0, 0};
        openCVLPort(0, port, models[static_cast<std::size_t>(port)].c_str(), size);
        setProperty(0, port, step % 2 == 0 ? "continuous" : "Reset", 1);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(1, finalize());
    ASSERT_EQ(0, getCVLNoOfSupportedCameras());
  }
  EXPECT_GT(gCompletions.load(), 0);
  EXPECT_EQ(0, sim.SimSdk_getChannelCount());
  long long produced = 0, delivered = 0, lost = 0, released = 0, reclaimed = 0;
  sim.SimSdk_getFrameCounters(0, &produced, &delivered, &lost, &released, &reclaimed);
  EXPECT_EQ(produced, delivered + lost);
  // The driver takes an image by asking for its data and hands every image
  // it took back; the SDK takes back only the ones refused while idle.
  const std::size_t taken = sim.JournalOf("Image_getDataPointer").size();
  EXPECT_GT(taken, 0u);
  EXPECT_EQ(taken, sim.JournalOf("Image_release").size());
  EXPECT_EQ(static_cast<long long>(taken), released);
  // Every image the driver took it released itself: none was left for the
  // channel's deletion to take back.
  long long refused = -1, abandoned = -1;
  ASSERT_EQ(0, sim.SimSdk_getReclaimCounters(0, &refused, &abandoned));
  EXPECT_EQ(0, abandoned);
  EXPECT_EQ(delivered, released + refused);
  EXPECT_EQ(reclaimed, refused);
}

}  // namespace
}  // namespace ecocam::testing
