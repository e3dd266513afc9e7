// A lookup table named by the settings file that is a FIFO nobody writes
// to: the open fails at once with the table's report, through the exports.
#include <chrono>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hardening/driver_session.h"
#include "support/finishes_within.h"

namespace ecocam::testing {
namespace {

using ::testing::Contains;
using namespace std::chrono_literals;

TEST(LookupTableFifo, TheOpenIsNotHeldUp) {
  DriverSession s;
  ASSERT_TRUE(s.sim.Complete());
  const std::string fifo = (s.dir.path() / "lut.csv").string();
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  WriteFile((s.dir.path() / "SVS-Vistek.ini").string(),
            "[eco424MVGE]\nLogLevel=1\nLogDebugView=0\nUseLUT=1\nLUTtable=" + fifo + "\nLUTtableRow=A\n");
  ASSERT_EQ(1, initialize(s.dir.path().string().c_str(), &HostLog::Procedure));
  HostLog::Take();

  int result = -1;
  int size[2] = {0, 0};
  EXPECT_TRUE(FinishesWithin(
      10000ms, [&] { result = openCVLPort(0, 0, "eco424MVGE", size); },
      [&] {  // a reader blocked in its open is let go by a writer's open
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
      }));
  EXPECT_EQ(0, result);
  EXPECT_THAT(HostLog::Take(),
              Contains("CameraParameters::Push_LUT: Could not parse LUT row (A) from LUT table (" + fifo + ")"));
}

}  // namespace
}  // namespace ecocam::testing
