// Validate: enabled flags, binning against the size, area of interest
// against the imager, ranges and steps, and the corrections it makes.
#include <string>

#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/camera_parameters.h"

namespace ecocam {
namespace {

namespace pn = param_name;

class ValidateTest : public testing::ParamsTest {
 protected:
  // The failure message, or "ok".
  std::string Check() {
    std::string message = "ok";
    return _set.Validate(message) ? "ok" : message;
  }
  void Set(const char* name, int v) { _set.Get(name).set_val<int>(v); }
  int Val(const char* name) { return _set.Get(name).get_val<int>(); }

  CameraParameters _set{CameraInfo{1, "eco424MVGE"}};
};

TEST_F(ValidateTest, EnabledFlagsFollowTheSwitchesAndTheCameraType) {
  EXPECT_EQ("ok", Check());  // a new set is consistent
  EXPECT_FALSE(_set.Get(pn::LUTtable).enabled());
  EXPECT_FALSE(_set.Get(pn::LUTtableRow).enabled());
  EXPECT_TRUE(_set.Get(pn::Gamma).enabled());
  EXPECT_FALSE(_set.Get(pn::AutoExposureLimitMax).enabled());
  EXPECT_FALSE(_set.Get(pn::BayerMethod).enabled());
  EXPECT_TRUE(_set.Get(pn::UseLowPassFilter3x3).enabled());

  _set.Get(pn::UseLUT).set_val<bool>(true);
  _set.Get(pn::UseAutoGain).set_val<bool>(true);
  _set.Get(pn::LUTtable).set_val<std::string>("table.csv");  // texts are never range-checked
  EXPECT_EQ("ok", Check());
  EXPECT_TRUE(_set.Get(pn::LUTtableRow).enabled());
  EXPECT_FALSE(_set.Get(pn::Gamma).enabled());
  for (const char* name : {pn::AutoGainBrightness, pn::AutoGainLimitMin, pn::AutoGainLimitMax, pn::AutoExposureLimitMin,
                           pn::AutoExposureLimitMax}) {
    EXPECT_TRUE(_set.Get(name).enabled()) << name;
  }

  CameraParameters colour(CameraInfo{2, "eco424CVGE"});
  std::string message;
  EXPECT_TRUE(colour.Validate(message));
  EXPECT_TRUE(colour.Get(pn::BayerMethod).enabled());
  EXPECT_FALSE(colour.Get(pn::UseLowPassFilter3x3).enabled());
}

TEST_F(ValidateTest, BinningAgainstTheImageSize) {
  Set(pn::Width, 99);
  Set(pn::Height, 77);
  EXPECT_EQ("ok", Check());  // no binning takes odd sizes

  _set.Get(pn::Binning).set_val<int>(1);
  EXPECT_EQ("For binning mode Horizontal Width and Height are not multiples of 2 and 1", Check());
  EXPECT_EQ("Off", _set.Get(pn::Binning).get_val<std::string>());

  _set.Get(pn::Binning).set_val<int>(2);
  EXPECT_EQ("For binning mode Vertical Width and Height are not multiples of 1 and 2", Check());

  _set.Get(pn::Height).set_max<int>(2000);
  _set.Get(pn::Width).set_max<int>(2000);
  Set(pn::Width, 1000);
  Set(pn::Height, 999);
  _set.Get(pn::Binning).set_val<int>(3);
  EXPECT_EQ("For binning mode 2x2 Width and Height are not multiples of 2 and 2", Check());

  auto& binning = _set.GetParameter<ParamEnum>(pn::Binning);
  binning.add_option("Quad", 4);
  binning.set_by_value(4);
  EXPECT_EQ("Unrecognized binning mode 4", Check());
  EXPECT_EQ("Quad", binning.get_val<std::string>());  // not corrected
}

TEST_F(ValidateTest, AreaOfInterestAgainstTheImager) {
  Set(pn::Height, 150);
  Set(pn::OffsetY, 50);
  EXPECT_EQ("ok", Check());  // exactly the maximum of Height (200)

  Set(pn::OffsetY, 51);
  EXPECT_EQ("Height + OffsetY = 201, which is more than maxHeight= 200", Check());
  EXPECT_EQ(0, Val(pn::OffsetY));
  EXPECT_EQ(200, Val(pn::Height));

  // Both directions wrong: only the vertical one is reported and corrected.
  Set(pn::Height, 150);
  Set(pn::OffsetY, 60);
  Set(pn::Width, 150);
  Set(pn::OffsetX, 60);
  EXPECT_EQ("Height + OffsetY = 210, which is more than maxHeight= 200", Check());
  EXPECT_EQ(150, Val(pn::Width));
  EXPECT_EQ(60, Val(pn::OffsetX));
  EXPECT_EQ("Width + OffsetX = 210, which is more than maxWidth= 200", Check());
  EXPECT_EQ(0, Val(pn::OffsetX));
  EXPECT_EQ(200, Val(pn::Width));
  EXPECT_EQ("ok", Check());
}

TEST_F(ValidateTest, RangesOfEnabledParametersWithTheirLabels) {
  _set.Get(pn::AutoGainLimitMin).set_val<double>(5.0);
  EXPECT_EQ("ok", Check());  // disabled while UseAutoGain is off
  _set.Get(pn::UseAutoGain).set_val<bool>(true);
  EXPECT_EQ("Auto: AutoGainLimitMin: out of range [0..0]", Check());
  _set.Get(pn::AutoGainLimitMin).set_val<double>(0.0);

  _set.Get(pn::FrameRate).set_val<int>(500);
  EXPECT_EQ("Analog: FrameRate: out of range [1..100]", Check());
  _set.Get(pn::FrameRate).set_attribute(kAttributeFriendlyName, std::string("Frames per second"));
  EXPECT_EQ("Analog: Frames per second: out of range [1..100]", Check());
  _set.Get(pn::FrameRate).set_val<int>(5);

  _set.Get(pn::AcquisitionMode).set_val<std::string>("software trigger");  // labels are case-sensitive
  EXPECT_EQ("Acquisition: AcquisitionMode: out of range [Fixed frequency..Fixed frequency]", Check());
}

TEST_F(ValidateTest, StepsOfIntegerParametersOnly) {
  Param_& delay = _set.Get(pn::ExposureDelay);  // min 1
  delay.set_inc<int>(2);
  delay.set_val<int>(4);
  EXPECT_EQ("Analog: ExposureDelay: must be multiple of 2", Check());
  delay.set_val<int>(5);
  EXPECT_EQ("ok", Check());
  delay.set_inc<int>(0);
  delay.set_val<int>(4);
  EXPECT_EQ("ok", Check());

  // A step far beyond the range and a negative one neither overflow nor trap.
  delay.set_min<int>(-2147483647 - 1);
  delay.set_max<int>(2147483647);
  delay.set_val<int>(2147483647);
  delay.set_inc<int>(-1);
  EXPECT_EQ("ok", Check());

  Param_& gamma = _set.Get(pn::Gamma);  // a double: no step check
  gamma.set_inc<double>(0.3);
  gamma.set_val<double>(0.5);
  EXPECT_EQ("ok", Check());
}

TEST_F(ValidateTest, AMessageIsOnlyWrittenOnFailure) {
  std::string message = "untouched";
  EXPECT_TRUE(_set.Validate(message));
  EXPECT_EQ("untouched", message);
  EXPECT_TRUE(_log.Take().empty());  // problems are reported, not logged
}

}  // namespace
}  // namespace ecocam
