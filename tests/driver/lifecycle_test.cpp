// Host programs that end their use of the driver in every way a host may:
// calls after the last finalize or before the first initialize, a finalize
// while the completion callback reads rows, and unloading the library
// without finalize. Each runs as its own process, many times in a row, and
// must end at once with its work done: a hang at exit or unload, or a
// thread left behind, shows as a watchdog exit or a run that takes seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>

#include "../camhost/run_program.h"
#include "host_system.h"
#include "support/temp_dir.h"

namespace ecocam::testing {
namespace {

using camhost::testing::ProgramResult;
using camhost::testing::RunProgram;

std::string Sep() { return std::string(1, std::filesystem::path::preferred_separator); }

class LifecycleTest : public ::testing::Test {
 protected:
  // Runs the scenario `times` times; each run must print "done", exit 0
  // and end well within the driver's own 5-second waits.
  void RunScenario(const std::string& scenario, int times) {
    const std::string host = camhost::ExecutableDir() + Sep() + LIFECYCLE_HOST_NAME;
    const std::string driver = camhost::ExecutableDir() + Sep() + camhost::DriverLibraryName();
    const std::string systemPath = (dir.path() / "system").string();
    std::filesystem::create_directories(systemPath);
    for (int i = 0; i < times; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const ProgramResult r = RunProgram(host, {driver, systemPath, scenario}, dir.path().string());
      const auto ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      ASSERT_EQ(0, r.exitCode) << scenario << " run " << i << ": " << r.out << r.err;
      std::string out = r.out;
      out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());  // text mode on Windows
      ASSERT_EQ("done\n", out) << scenario << " run " << i;
      ASSERT_LT(ms, 4000) << scenario << " run " << i << " took " << ms << " ms";
    }
  }

  // The runs of a scenario: as asked in plain builds; fewer where every run
  // starts a Wine process or a sanitizer's runtime, except for the two
  // scenarios that must hold a hundred times in a row everywhere.
  static int Times(int native, bool everywhere = false) {
#ifdef _WIN32
    (void)everywhere;
    return native > 5 ? 5 : native;
#else
    if (everywhere || std::string(LIFECYCLE_SANITIZER).empty()) return native;
    return native > 5 ? 5 : native;
#endif
  }

  TempDir dir;
};

TEST_F(LifecycleTest, CallsAfterTheLastFinalizeOrBeforeInitializeFailAndLeaveNothingRunning) {
  RunScenario("late", Times(100, true));
  RunScenario("early", Times(20));
}

TEST_F(LifecycleTest, FinalizeWhileTheCallbackReadsRowsEndsEverything) {
  RunScenario("finalize-in-callback", Times(100, true));
  RunScenario("finalize-inside-callback", Times(20));
}

TEST_F(LifecycleTest, UnloadingOrExitingWithoutFinalizeNeverHangs) {
  RunScenario("exit-streaming", Times(20));
  RunScenario("unload-streaming", Times(20));
  RunScenario("unload-closed", Times(20));
}

}  // namespace
}  // namespace ecocam::testing
