// The soak: open/grab/close cycles over four cameras, then
// initialize/finalize cycles, with the process's threads, open files and
// memory and the SDK's live objects measured before and after. Everything
// must come back to where it started. ECOCAM_SOAK_CYCLES and
// ECOCAM_SOAK_INIT_CYCLES choose the counts (the long run uses 1000 and 50).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "hardening/driver_session.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ECOCAM_SOAK_SANITIZED 1
#else
#define ECOCAM_SOAK_SANITIZED 0
#endif

namespace ecocam::testing {
namespace {

using namespace std::chrono_literals;

struct Camera4 {
  const char* name;
  bool colour;
};
constexpr Camera4 kCameras[] = {
    {"eco424MVGE", false}, {"eco424CVGE", true}, {"eco655MVGE", false}, {"eco655CVGE", true}};
constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::atomic<int> gCompletions[4];
int ECOCAM_CALL Completed(int, int port) {
  if (port >= 0 && port < 4) ++gCompletions[port];
  return 0;
}

int EnvCount(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

std::size_t Entries(const char* folder) {
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(folder); it != std::filesystem::directory_iterator(); ++it) ++n;
  return n;
}

struct Figures {
  std::size_t threads = 0;
  std::size_t files = 0;
  long rssKb = 0;
  LiveObjects live;

  static Figures Now(const DriverSession& s) {
    Figures f;
    f.threads = Entries("/proc/self/task");
    f.files = Entries("/proc/self/fd");
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmRSS:", 0) == 0) f.rssKb = std::atol(line.c_str() + 6);
    }
    f.live = s.Live();
    return f;
  }
  std::string Text() const {
    return "threads=" + std::to_string(threads) + " files=" + std::to_string(files) + " rss=" + std::to_string(rssKb) +
           "kB " + Describe(live);
  }
};

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.sim.Complete());
    s.sim.SimSdk_clearCameras();
    std::vector<std::string> names;
    for (const Camera4& c : kCameras) {
      ASSERT_GE(s.sim.SimSdk_addCamera(c.name, kWidth, kHeight, c.colour ? 1 : 0), 0);
      names.emplace_back(c.name);
    }
    s.WriteSettings(names, kWidth, kHeight);
    DriverContext::GetInstance().LogLevel = 1;
    DriverContext::GetInstance().LogDebugView = 0;
  }

  void Initialize() {
    ASSERT_EQ(1, initialize(s.dir.path().string().c_str(), &HostLog::Procedure));
    ASSERT_EQ(4, getCVLNoOfSupportedCameras());
  }

  // Opens the four cameras, grabs one frame of each, reads every row and
  // closes them again.
  void Cycle() {
    for (int port = 0; port < 4; ++port) {
      int size[2] = {0, 0};
      ASSERT_EQ(1, openCVLPort(0, port, kCameras[port].name, size));
      ASSERT_EQ(kWidth, size[0]);
      ASSERT_EQ(1, setCompleteCallback(0, port, &Completed));
      gCompletions[port] = 0;
      ASSERT_EQ(1, doCVLGrab(0, port));
    }
    std::vector<unsigned char> row(kWidth * 3);
    for (int port = 0; port < 4; ++port) {
      ASSERT_TRUE(WaitFor([port] { return gCompletions[port].load() > 0; }, 5000ms)) << "port " << port;
      for (int y = 0; y < kHeight; ++y) {
        ASSERT_EQ(1, getCVLGrabRow(0, port, row.data(), y, 0, kWidth - 1));
      }
    }
    for (int port = 0; port < 4; ++port) closeCVLPort(0, port);
    // The simulation's journal of calls is its own memory, not the driver's.
    s.sim.SimSdk_clearJournal();
  }

  void ExpectFlat(const Figures& start, const Figures& end) {
    EXPECT_EQ(start.threads, end.threads) << "threads";
    EXPECT_EQ(start.files, end.files) << "open files";
    EXPECT_EQ(start.live, end.live) << "SDK objects";
    // Memory: growth beyond what the allocator's caches explain is a leak.
    // Under the sanitizers or valgrind (ECOCAM_SOAK_SKIP_MEMORY) their own
    // allocators dominate; their leak checkers cover those runs instead.
    if (!ECOCAM_SOAK_SANITIZED && std::getenv("ECOCAM_SOAK_SKIP_MEMORY") == nullptr) {
      EXPECT_LE(end.rssKb - start.rssKb, 4096) << "resident memory grew";
    }
    EXPECT_TRUE(Failures(HostLog::Take()).empty());
  }

  DriverSession s;
};

TEST_F(Soak, OpenGrabCloseCyclesOverFourCamerasLeaveNothingBehind) {
  const int cycles = EnvCount("ECOCAM_SOAK_CYCLES", 100);
  Initialize();
  // One cycle first: buffers, caches and the allocator's arenas settle.
  ASSERT_NO_FATAL_FAILURE(Cycle());
  const Figures start = Figures::Now(s);
  for (int i = 1; i < cycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(Cycle()) << "cycle " << i;
  }
  const Figures end = Figures::Now(s);
  std::printf("[ soak     ] %d open/grab/close cycles of 4 cameras\n  start: %s\n  end:   %s\n", cycles,
              start.Text().c_str(), end.Text().c_str());
  ExpectFlat(start, end);
  ASSERT_EQ(1, finalize());
}

TEST_F(Soak, InitializeFinalizeCyclesLeaveNothingBehind) {
  const int cycles = EnvCount("ECOCAM_SOAK_INIT_CYCLES", 10);
  const auto once = [this] {
    Initialize();
    Cycle();
    ASSERT_EQ(1, finalize());
  };
  ASSERT_NO_FATAL_FAILURE(once());
  const Figures start = Figures::Now(s);
  for (int i = 1; i < cycles; ++i) {
    ASSERT_NO_FATAL_FAILURE(once()) << "cycle " << i;
  }
  const Figures end = Figures::Now(s);
  std::printf("[ soak     ] %d initialize/finalize cycles with 4 cameras\n  start: %s\n  end:   %s\n", cycles,
              start.Text().c_str(), end.Text().c_str());
  ExpectFlat(start, end);
  EXPECT_EQ(LiveObjects{}, end.live);
  // The driver released every image it took; none was left for a channel's
  // deletion to take back.
  long long abandoned = -1;
  ASSERT_EQ(0, s.sim.SimSdk_getReclaimCounters(0, nullptr, &abandoned));
  EXPECT_EQ(0, abandoned);
}

}  // namespace
}  // namespace ecocam::testing
