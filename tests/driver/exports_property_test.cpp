// Property writes through the exports against cameras that answer as real
// ones do: a camera that rounds to its steps and clamps a value to what its
// other settings allow, a setter that fails, and values outside a
// parameter's range, which never reach the camera.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_session.h"

namespace ecocam::testing {
namespace {

// Whether a logged text holds `piece`; clears the log.
bool Logged(const std::string& piece) {
  const bool found = HostLog::Holds(piece);
  HostLog::Clear();
  return found;
}

class ExportsPropertyTest : public HostSessionTest {
 protected:
  // The mono camera, realistic or not, opened on port 0 at 10 frames/s.
  void Open(bool realistic) {
    if (realistic) {
      ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, "Realistic", 1));
      ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, "ExposureTimeIncrement", 10));
    }
    std::ofstream(dir.path() / "SVS-Vistek.ini")
        << "[eco424MVGE]\nLogLevel=1\nLogDebugView=0\nWidth=656\nHeight=490\nFrameRate=10\nExposureTime=1000\n";
    ASSERT_EQ(1, initialize(dir.path().string().c_str(), &HostLog::Procedure));
    int size[2] = {0, 0};
    ASSERT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
    sim.SimSdk_clearJournal();
  }
  int Get(const char* name) {
    int value = -12345;
    EXPECT_EQ(1, getProperty(0, 0, name, &value)) << name;
    return value;
  }
};

// The camera's own answer is what the host reads back.
TEST_F(ExportsPropertyTest, ARealisticCameraKeepsWhatItHoldsAndTheHostReadsIt) {
  Open(true);
  // Past the frame period of 100000 us: taken, clamped by the camera.
  EXPECT_EQ(1, setProperty(0, 0, "ExposureTime", 150000));
  EXPECT_EQ(100000, Get("ExposureTime"));
  // Rounded to the camera's step of 10 from its minimum of 50.
  EXPECT_EQ(1, setProperty(0, 0, "ExposureTime", 1234));
  EXPECT_EQ(1230, Get("ExposureTime"));
  // The frame rate is clamped to what a 50000 us exposure allows.
  EXPECT_EQ(1, setProperty(0, 0, "ExposureTime", 50000));
  EXPECT_EQ(1, setProperty(0, 0, "FrameRate", 40));
  EXPECT_EQ(20, Get("FrameRate"));
  EXPECT_EQ(50000, Get("ExposureTime"));
  EXPECT_FALSE(Logged("refused"));
}

TEST_F(ExportsPropertyTest, AFailingSetterRefusesTheWriteAndKeepsTheOldValue) {
  Open(true);
  ASSERT_EQ(1, setProperty(0, 0, "ExposureTime", 2000));
  sim.SimSdk_failCallAt("Camera_setExposureTime", 1005, 1);
  EXPECT_EQ(0, setProperty(0, 0, "ExposureTime", 3000));
  EXPECT_EQ(2000, Get("ExposureTime"));
  EXPECT_TRUE(
      Logged("Camera::SetProperty ERROR: camera refused parameter 'ExposureTime', previous value kept, port=0"));
  // The next write goes through again.
  EXPECT_EQ(1, setProperty(0, 0, "ExposureTime", 3000));
  EXPECT_EQ(3000, Get("ExposureTime"));

  // Gamma has no getter: its setter's result alone decides; the lookup-table
  // mode before it does not.
  EXPECT_EQ(1, setProperty(0, 0, "Gamma", 1));
  sim.SimSdk_failCallAt("Camera_setGammaCorrection", 1005, 1);
  EXPECT_EQ(0, setProperty(0, 0, "Gamma", 2));
  EXPECT_EQ(1, Get("Gamma"));
  sim.SimSdk_failCallAt("Camera_setLookupTableMode", 1005, 1);
  EXPECT_EQ(1, setProperty(0, 0, "Gamma", 2));
  EXPECT_EQ(2, Get("Gamma"));
}

TEST_F(ExportsPropertyTest, ValuesOutsideTheRangeAreRefusedAndNeverSent) {
  Open(false);
  const struct {
    const char* name;
    int value;
  } refused[] = {{"Gamma", INT_MIN}, {"Gamma", 0},         {"Gamma", 3},      {"LogLevel", INT_MAX},
                 {"LogLevel", -1},   {"ExposureTime", 49}, {"FrameRate", 61}, {"ExposureDelay", -1}};
  for (const auto& c : refused) {
    const int before = Get(c.name);
    EXPECT_EQ(0, setProperty(0, 0, c.name, c.value)) << c.name << " " << c.value;
    EXPECT_EQ(before, Get(c.name)) << c.name;
    EXPECT_TRUE(Logged("Camera::SetProperty ERROR: value " + std::to_string(c.value) + " of parameter '" + c.name +
                       "' is outside its range"))
        << c.name << " " << c.value;
  }
  EXPECT_EQ(0, sim.SimSdk_getJournalCount()) << "nothing reaches the camera";

  // The limits themselves are values the parameter holds.
  EXPECT_EQ(1, setProperty(0, 0, "LogLevel", 1));
  EXPECT_EQ(1, setProperty(0, 0, "Gamma", 2));
  EXPECT_EQ(1, setProperty(0, 0, "ExposureTime", 50));
  EXPECT_EQ(1, setProperty(0, 0, "FrameRate", 60));
  EXPECT_EQ(2, Get("Gamma"));
  EXPECT_EQ(60, Get("FrameRate"));
}

}  // namespace
}  // namespace ecocam::testing
