// The push to the simulated camera: the lookup table as the camera receives
// it, the whole sequence as the SDK's journal shows it, and the steps'
// conditions and failures.
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim_camera_fixture.h"

namespace ecocam {
namespace {

namespace pn = param_name;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class PushTest : public testing::SimCameraTest {
 protected:
  void UseTable(const std::string& text, const std::string& column) {
    _mono.Get(pn::UseLUT).set_val<bool>(true);
    _mono.Get(pn::LUTtable).set_val<std::string>(WriteFile("lut.csv", text));
    _mono.Get(pn::LUTtableRow).set_val<std::string>(column);
  }
  // The camera's table, entry by entry.
  std::vector<int> CameraTable() {
    std::vector<int> table(simsdk::kLookupTableSize);
    EXPECT_EQ(0, sdk::Camera_getLookupTable(_handle, table.data(), simsdk::kLookupTableSize));
    return table;
  }
  static std::vector<int> Filled(std::initializer_list<std::pair<int, int>> entries) {
    std::vector<int> table(simsdk::kLookupTableSize, 255);
    for (const auto& [in, out] : entries) table[in] = out;
    return table;
  }
  std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const std::string& line : sim.Journal()) names.push_back(line.substr(0, line.find('(')));
    return names;
  }
  std::set<std::string> AllNames(const CameraParameters& set) {
    std::set<std::string> names;
    for (const Param_& p : set) names.insert(p.name());
    return names;
  }
  // Values that differ from one another and from the camera's own.
  static void SetDistinctValues(CameraParameters& set) {
    set.Get(pn::Binning).set_val<int>(1);
    set.Get(pn::Width).set_val<int>(320);
    set.Get(pn::Height).set_val<int>(240);
    set.Get(pn::OffsetX).set_val<int>(16);
    set.Get(pn::OffsetY).set_val<int>(8);
    set.Get(pn::AcquisitionMode).set_val<int>(2);
    set.Get(pn::UseLowPassFilter3x3).set_val<bool>(true);
    set.Get(pn::Gamma).set_val<double>(0.45);
    set.Get(pn::FrameRate).set_val<int>(25);
    set.Get(pn::ExposureTime).set_val<int>(2500);
    set.Get(pn::ExposureDelay).set_val<int>(3);
    set.Get(pn::Gain).set_val<int>(7);
    set.Get(pn::GainOffset).set_val<int>(12);
    set.Get(pn::UseAutoGain).set_val<bool>(true);
    set.Get(pn::AutoGainBrightness).set_val<int>(100);
    set.Get(pn::AutoGainLimitMin).set_val<double>(1.5);
    set.Get(pn::AutoGainLimitMax).set_val<double>(6.25);
    set.Get(pn::AutoExposureLimitMin).set_val<int>(100);
    set.Get(pn::AutoExposureLimitMax).set_val<int>(20000);
    set.Get(pn::TriggerInput).set_val<int>(2);
    set.Get(pn::Output1).set_val<int>(4);
    set.Get(pn::Output2).set_val<int>(64);
    set.Get(pn::Output3).set_val<int>(128);
    set.Get(pn::TXD).set_val<int>(256);
    set.Get(pn::StrobePolarity).set_val<int>(1);
    set.Get(pn::StrobePosition).set_val<int>(10);
    set.Get(pn::StrobeDuration).set_val<int>(20);
  }
  // The journal of a full push of SetDistinctValues, with or without the
  // monochrome camera's low-pass filter.
  std::vector<std::string> FullPushCalls(bool lowPass) {
    std::vector<std::string> calls = {Call("Camera_setPixelDepth", "0"), Call("Camera_setBinningMode", "1"),
                                      Call("Camera_setAreaOfInterest", "320,240,16,8"),
                                      Call("Camera_setAcquisitionMode", "2")};
    if (lowPass) calls.push_back(Call("Camera_setLowpassFilter", "1"));
    const std::vector<std::string> rest = {Call("Camera_setLookupTableMode", "2"),
                                           Call("Camera_setGammaCorrection", "0.449999988"),
                                           Call("Camera_setFrameRate", "25"),
                                           Call("Camera_setExposureTime", "2500"),
                                           Call("Camera_setExposureDelay", "3"),
                                           Call("Camera_setGain", "7"),
                                           Call("Camera_setOffset", "12"),
                                           Call("Camera_setAutoGainEnabled", "1"),
                                           Call("Camera_setAutoGainBrightness", "100"),
                                           Call("Camera_setAutoGainLimits", "1.5,6.25"),
                                           Call("Camera_setAutoExposureLimits", "100,20000"),
                                           Call("Camera_setIOAssignment", "6,2"),
                                           Call("Camera_setIOAssignment", "1,4"),
                                           Call("Camera_setIOAssignment", "2,64"),
                                           Call("Camera_setIOAssignment", "3,128"),
                                           Call("Camera_setIOAssignment", "4,256"),
                                           Call("Camera_setTriggerPolarity", "0"),
                                           Call("Camera_setStrobePolarity", "1"),
                                           Call("Camera_setStrobePosition", "10"),
                                           Call("Camera_setStrobeDuration", "20")};
    calls.insert(calls.end(), rest.begin(), rest.end());
    return calls;
  }
};

TEST_F(PushTest, LookupTableReachesTheCameraEntryByEntry) {
  Open();
  UseTable("in;first;second\n0;0;255\n1;10;254\n", "second");
  ASSERT_TRUE(_mono.Push_LUT(_handle));
  EXPECT_EQ(Filled({{0, 255}, {1, 254}}), CameraTable());
  EXPECT_THAT(CallNames(), ElementsAre("Camera_setLookupTableMode", "Camera_setLookupTable", "Camera_getLookupTable"));
  EXPECT_EQ(Call("Camera_setLookupTableMode", "2"), sim.Journal()[0]);

  // Later rows win, inputs outside the table are skipped, outputs keep
  // their low 8 bits; Windows line ends read the same.
  UseTable("in;A\r\n5;1\r\n5;2\r\n4096;9\r\n-1;9\r\n7;300\r\n8;-1\r\n", "A");
  ASSERT_TRUE(_mono.Push_LUT(_handle));
  EXPECT_EQ(Filled({{5, 2}, {7, 44}, {8, 255}}), CameraTable());

  // Only the first 4096 rows count.
  std::string rows = "in;A\n";
  for (int i = 0; i < 4096; ++i) rows += std::to_string(i) + ";1\n";
  rows += "0;2\n";
  UseTable(rows, "A");
  ASSERT_TRUE(_mono.Push_LUT(_handle));
  EXPECT_EQ(std::vector<int>(4096, 1), CameraTable());
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(PushTest, LookupTableFailures) {
  Open();
  _mono.Get(pn::LUTtable).set_val<std::string>("no such file");
  EXPECT_TRUE(_mono.Push_LUT(_handle));  // UseLUT off: nothing to do
  EXPECT_THAT(sim.Journal(), IsEmpty());

  const std::string table = "in;A;B\n0;1;2\n";
  UseTable(table, "");
  EXPECT_FALSE(_mono.Push_LUT(_handle));
  const std::string path = _mono.Get(pn::LUTtable).get_val<std::string>();
  for (const char* column : {"b", "B ", "in"}) {
    UseTable(table, column);
    EXPECT_FALSE(_mono.Push_LUT(_handle));
  }
  UseTable("in;A;B\n0;1\n", "B");
  EXPECT_FALSE(_mono.Push_LUT(_handle));
  EXPECT_THAT(sim.JournalOf("Camera_setLookupTable"), IsEmpty());
  EXPECT_THAT(_log.Take(),
              ElementsAre("CameraParameters::Push_LUT: ERROR: LUT_row not defined ",
                          "CameraParameters::Push_LUT: Could not parse LUT row (b) from LUT table (" + path + ")",
                          "CameraParameters::Push_LUT: Could not parse LUT row (B ) from LUT table (" + path + ")",
                          "CameraParameters::Push_LUT: Could not parse LUT row (in) from LUT table (" + path + ")",
                          "CameraParameters::Push_LUT: Could not parse LUT row (B) from LUT table (" + path + ")"));

  UseTable(table, "B");
  auto& depth = _mono.GetParameter<ParamEnum>(pn::PixelDepth);
  depth.add_option("10", 1);
  depth.add_option("12", 2);
  depth.set_by_value(1);
  EXPECT_FALSE(_mono.Push_LUT(_handle));
  depth.set_by_value(2);
  EXPECT_TRUE(_mono.Push_LUT(_handle));

  sim.SimSdk_failCall("Camera_setLookupTableMode", 1003, 0);
  EXPECT_FALSE(_mono.Push_LUT(_handle));
  sim.SimSdk_failCall("Camera_setLookupTable", 1005, 0);
  EXPECT_FALSE(_mono.Push_LUT(_handle));
  EXPECT_THAT(_log.Take(), ElementsAre("CameraParameters::Push_LUT: ERROR: Unsupported PIXEL_DEPTH parameter: 1",
                                       "Error setting camera parameter: Camera_setLUTMode error code=1003",
                                       "Error setting camera parameter: Camera_setLookupTable LUT file=" + path +
                                           " error code=1005"));
}

TEST_F(PushTest, FullPushOfAMonochromeCamera) {
  Open(0);
  SetDistinctValues(_mono);
  EXPECT_TRUE(_mono.PushToCamera(testing::TestTarget(7, false), _handle, AllNames(_mono)));
  EXPECT_THAT(sim.Journal(), ElementsAreArray(FullPushCalls(true)));

  const std::string info = "CameraParameters::PushToCamera_go: INFO: setting ";
  EXPECT_THAT(_log.Take(),
              ElementsAre("CameraParameters::PushToCamera: entering, port=7",
                          "CameraParameters::PushToCamera_go: entering, port=7", info + "pixel depth=0",
                          info + "Binning-mode=1", info + "AOI, width=320, height=240, offsetx=16, offsety=8",
                          info + "AcquisitionMode=2", info + "low pass filter=1",
                          "CameraParameters::PushToCamera_go: INFO: enabling LUT for Gamma", info + "gamma=0.45",
                          info + "framerate=25", info + "exposuretime=2500", info + "exposureDelay=3", info + "gain=7",
                          info + "gainOffset=12", info + "autoGainEnabled=1", info + "autoGainBrightness=100",
                          info + "autoGainLimMin=1.5 and autoGainLimMax=6.25",
                          info + "autoExposureLimMin=100 and autoExposureLimMax=20000", info + "trigger Line=2",
                          info + "Output1=4", info + "Output2=64", info + "Output3=128", info + "TXD=256",
                          info + "TRIGGER_POLARITY=0", info + "STROBE_POLARITY =1", info + "strobePosition =10",
                          info + "strobeDuration=20", "CameraParameters::PushToCamera_go: leaving, port=7"));
}

TEST_F(PushTest, FullPushOfAColourCameraHasNoLowPassFilter) {
  Open(1);
  SetDistinctValues(_colour);
  EXPECT_TRUE(_colour.PushToCamera(testing::TestTarget(2, true), _handle, AllNames(_colour)));
  EXPECT_THAT(sim.Journal(), ElementsAreArray(FullPushCalls(false)));
}

TEST_F(PushTest, AStepRunsOnlyWhenAllItsNamesAreGiven) {
  Open();
  const testing::TestTarget mono(1, false);
  for (const std::set<std::string>& names :
       std::vector<std::set<std::string>>{{pn::Width}, {pn::UseLUT}, {pn::AutoGainLimitMin}, {"NoSuchName"}, {}}) {
    EXPECT_TRUE(_mono.PushToCamera(mono, _handle, names));
  }
  _mono.Get(pn::UseLUT).set_val<bool>(true);
  EXPECT_TRUE(_mono.PushToCamera(mono, _handle, {pn::Gamma}));  // the file's table stays in force
  EXPECT_TRUE(_colour.PushToCamera(testing::TestTarget(1, true), _handle, {pn::UseLowPassFilter3x3}));
  EXPECT_THAT(sim.Journal(), IsEmpty());
}

TEST_F(PushTest, ErrorsAreLoggedAndTheSequenceGoesOn) {
  Open();
  SetDistinctValues(_mono);
  for (const char* entry : {"Camera_setBinningMode", "Camera_setAreaOfInterest", "Camera_setLookupTableMode",
                            "Camera_setAutoGainLimits", "Camera_setIOAssignment", "Camera_setStrobePolarity"}) {
    sim.SimSdk_failCall(entry, 1005, 1);
  }
  _log.Take();
  DriverContext::GetInstance().LogLevel = 1;
  EXPECT_TRUE(_mono.PushToCamera(testing::TestTarget(3, false), _handle, AllNames(_mono)));
  EXPECT_THAT(CallNames(), Contains("Camera_setStrobeDuration"));
  const std::string e = "Error setting camera parameter: ";
  EXPECT_THAT(_log.Take(),
              ElementsAre(e + "Camera_setBinningMode, value=1 error code=1005",
                          e + "Camera_setAreaOfInterest error code=1005", e + "Camera_setLUTMode error code=1005",
                          e + "Camera_setAutoGainLimits, valueMin=1.5, valueMax=6.25 error code=1005",
                          e + "Camera_setIOAssignment, value=2 error code=1005",
                          e + "Camera_setIOAssignment, Output1 value=4 error code=1005",
                          e + "Camera_setIOAssignment, Output2 value=64 error code=1005",
                          e + "Camera_setIOAssignment, Output3 value=128 error code=1005",
                          e + "Camera_setIOAssignment, TXD value=256 error code=1005",
                          e + "Camera_setStrobePolarity, value=1 error code=1005"));
}

TEST_F(PushTest, PixelDepthAndLookupTableFailuresStopTheSequence) {
  Open();
  sim.SimSdk_failCall("Camera_setPixelDepth", 1005, 0);
  EXPECT_FALSE(_mono.PushToCamera(testing::TestTarget(4, false), _handle, AllNames(_mono)));
  EXPECT_THAT(CallNames(), ElementsAre("Camera_setPixelDepth"));
  EXPECT_THAT(_log.Take(), Contains("CameraParameters::PushToCamera: ERROR: Error setting camera parameter: "
                                    "Camera_setPixelDepth, value=0 error code=1005"));

  sim.SimSdk_clearJournal();
  _mono.Get(pn::UseLUT).set_val<bool>(true);  // with no column named
  EXPECT_FALSE(_mono.PushToCamera(testing::TestTarget(4, false), _handle, AllNames(_mono)));
  EXPECT_THAT(CallNames(), ElementsAre("Camera_setPixelDepth", "Camera_setBinningMode", "Camera_setAreaOfInterest",
                                       "Camera_setAcquisitionMode", "Camera_setLookupTableMode"));
  const std::vector<std::string> lines = _log.Take();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ("CameraParameters::Push_LUT: ERROR: LUT_row not defined ", lines[lines.size() - 2]);
  EXPECT_EQ("Setting LUT failed", lines.back());
}

}  // namespace
}  // namespace ecocam
