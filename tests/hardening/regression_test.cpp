// Faults the sweep found, each pinned down on its own, and the sweep's
// tool: a fault at a chosen call position.
#include <gtest/gtest.h>

#include "hardening/driver_session.h"
#include "platform/profile_file.h"

namespace ecocam::testing {
namespace {

class Regression : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.sim.Complete());
    s.WriteSettings({"eco424MVGE", "eco424CVGE"});
  }
  DriverSession s;
};

TEST_F(Regression, FaultAtACallPositionHitsOnlyThatCall) {
  // Discovery asks each camera's model name once: the second answer fails,
  // so only the first camera is registered.
  ASSERT_EQ(0, s.sim.SimSdk_failCallAt("Camera_getModelName", 4242, 2));
  ASSERT_EQ(1, initialize(s.dir.path().string().c_str(), &HostLog::Procedure));
  EXPECT_EQ(1, getCVLNoOfSupportedCameras());
  EXPECT_STREQ("eco424MVGE", getCVLCameraConfigNames()[0]);
  EXPECT_EQ(2u, s.sim.JournalOf("Camera_getModelName").size());
  EXPECT_NE(0, s.sim.SimSdk_failCallAt("Camera_getModelName", 4242, 0));
  EXPECT_NE(0, s.sim.SimSdk_failCallAt("Camera_noSuchCall", 4242, 1));
}

// Open reported the size before its later steps ran; a failed open must
// leave the host's size at 0 x 0 and hand everything back.
TEST_F(Regression, OpenFailingAfterTheSizeIsKnownReportsNoSize) {
  ASSERT_EQ(1, initialize(s.dir.path().string().c_str(), &HostLog::Procedure));
  for (const char* step : {"Camera_setAcquisitionControl", "StreamingChannel_create"}) {
    SCOPED_TRACE(step);
    ASSERT_EQ(0, s.sim.SimSdk_failCall(step, 4242, 0));
    int size[2] = {-1, -1};
    EXPECT_EQ(0, openCVLPort(0, 0, "eco424MVGE", size));
    EXPECT_EQ(0, size[0]);
    EXPECT_EQ(0, size[1]);
    const LiveObjects live = s.Live();
    EXPECT_EQ(0, live.connections + live.channels) << Describe(live);
  }
  int size[2] = {0, 0};
  EXPECT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
  EXPECT_EQ(656, size[0]);
  closeCVLPort(0, 0);
}

// A file whose last line ends in a carriage return without its line feed
// (cut short, or from an editor that ends lines so): a key written after
// it must read back, and every key before it must too.
TEST(ProfileFileRegression, KeyWrittenAfterALastLineEndingInACarriageReturnReadsBack) {
  TempDir dir;
  for (const std::string original : {"[a]\nx=1\r", "[b]\r\ny=2\r\nstray\r", "stray\r"}) {
    SCOPED_TRACE(original);
    const std::string file = (dir.path() / "cut.ini").string();
    WriteFile(file, original);
    ASSERT_TRUE(platform::WriteProfileString("new", "key", "value", file.c_str()));
    ASSERT_TRUE(platform::WriteProfileString("a", "z", "3", file.c_str()));
    char buffer[32] = {};
    platform::ReadProfileString("new", "key", "", buffer, sizeof buffer, file.c_str());
    EXPECT_STREQ("value", buffer);
    platform::ReadProfileString("a", "z", "", buffer, sizeof buffer, file.c_str());
    EXPECT_STREQ("3", buffer);
    platform::ReadProfileString("a", "x", "", buffer, sizeof buffer, file.c_str());
    EXPECT_STREQ(original[1] == 'a' ? "1" : "", buffer);
    platform::ReadProfileString("b", "y", "", buffer, sizeof buffer, file.c_str());
    EXPECT_STREQ(original[1] == 'b' ? "2" : "", buffer);
  }
}

}  // namespace
}  // namespace ecocam::testing
