// SetRange against the simulated camera: the limits it reports, the
// constants, the order of the queries, and failed queries.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim_camera_fixture.h"

namespace ecocam {
namespace {

namespace pn = param_name;
using ::testing::ElementsAre;

class SetRangeTest : public testing::SimCameraTest {
 protected:
  void SetUp() override {
    SimCameraTest::SetUp();
    const std::pair<const char*, double> limits[] = {
        {"FrameRateMin", 2},           {"FrameRateMax", 30.5},         {"FrameRateIncrement", 0.5},
        {"ExposureTimeMin", 50},       {"ExposureTimeMax", 250000},    {"ExposureTimeIncrement", 5},
        {"ExposureDelayMax", 9000},    {"ExposureDelayIncrement", 2},  {"GainMax", 24},
        {"StrobePositionMax", 7000},   {"StrobePositionIncrement", 3}, {"StrobeDurationMax", 8000},
        {"StrobeDurationIncrement", 4}};
    for (const auto& [name, value] : limits) ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, name, value)) << name;
  }
  // "[min..max] inc" of a parameter, as ints.
  std::string Limits(const char* name) {
    const Param_& p = _mono.Get(name);
    return "[" + std::to_string(p.get_min<int>()) + ".." + std::to_string(p.get_max<int>()) + "] " +
           std::to_string(p.get_inc<int>());
  }
};

TEST_F(SetRangeTest, WritesTheCameraLimitsInQueryOrder) {
  Open();
  _mono.SetRange(_handle, 7);

  EXPECT_EQ("[1..656] 0", Limits(pn::Width));
  EXPECT_EQ("[0..656] 0", Limits(pn::OffsetX));
  EXPECT_EQ("[1..490] 0", Limits(pn::Height));
  EXPECT_EQ("[0..490] 0", Limits(pn::OffsetY));
  EXPECT_EQ("[2..30] 0", Limits(pn::FrameRate));  // an int parameter truncates
  EXPECT_EQ("[50..250000] 5", Limits(pn::ExposureTime));
  EXPECT_EQ("[50..250000] 0", Limits(pn::AutoExposureLimitMin));
  EXPECT_EQ("[50..250000] 0", Limits(pn::AutoExposureLimitMax));
  EXPECT_EQ("[0..9000] 2", Limits(pn::ExposureDelay));
  EXPECT_EQ("[0..24] 1", Limits(pn::Gain));
  EXPECT_EQ("[0..255] 0", Limits(pn::GainOffset));
  EXPECT_EQ("[0..7000] 3", Limits(pn::StrobePosition));
  EXPECT_EQ("[0..8000] 4", Limits(pn::StrobeDuration));
  EXPECT_EQ(24.0, _mono.Get(pn::AutoGainLimitMin).get_max<double>());
  EXPECT_EQ(24.0, _mono.Get(pn::AutoGainLimitMax).get_max<double>());
  EXPECT_EQ(0.0, _mono.Get(pn::AutoGainLimitMax).get_min<double>());
  EXPECT_EQ(100, _mono.Get(pn::Width).get_val<int>());  // values stay

  std::vector<std::string> calls;
  for (const std::string& line : sim.Journal()) calls.push_back(line.substr(0, line.find('(')));
  EXPECT_THAT(calls, ElementsAre("Camera_getImagerWidth", "Camera_getImagerHeight", "Camera_getFrameRateMin",
                                 "Camera_getFrameRateMax", "Camera_getFrameRateIncrement", "Camera_getExposureTimeMin",
                                 "Camera_getExposureTimeMax", "Camera_getExposureTimeIncrement",
                                 "Camera_getExposureDelayMax", "Camera_getExposureDelayIncrement", "Camera_getGainMax",
                                 "Camera_getStrobePositionMax", "Camera_getStrobePositionIncrement",
                                 "Camera_getStrobeDurationMax", "Camera_getStrobeDurationIncrement"));
  EXPECT_THAT(_log.Take(),
              ElementsAre("CameraParameters::SetRange entering, port=7", "CameraParameters::SetRange leaving, port=7"));
}

TEST_F(SetRangeTest, AFailedQueryLeavesItsLimitsAlone) {
  Open();
  for (const char* entry : {"Camera_getImagerWidth", "Camera_getExposureTimeMin", "Camera_getGainMax"}) {
    sim.SimSdk_failCall(entry, 1003, 1);
  }
  _mono.SetRange(_handle, 1);

  EXPECT_EQ("[1..200] 0", Limits(pn::Width));  // the catalogue's
  EXPECT_EQ("[0..100] 0", Limits(pn::OffsetX));
  EXPECT_EQ("[1..490] 0", Limits(pn::Height));
  EXPECT_EQ("[100..250000] 5", Limits(pn::ExposureTime));
  EXPECT_EQ("[0..250000] 0", Limits(pn::AutoExposureLimitMin));
  EXPECT_EQ("[0..100] 1", Limits(pn::Gain));  // the constants still apply
  EXPECT_EQ("[0..255] 0", Limits(pn::GainOffset));
  EXPECT_EQ(0.0, _mono.Get(pn::AutoGainLimitMax).get_max<double>());
}

}  // namespace
}  // namespace ecocam
