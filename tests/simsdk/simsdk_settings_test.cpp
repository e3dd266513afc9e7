// The simulated camera's settings: getters report the camera's limits,
// setters refuse values outside them and record the others.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "support/sim_sdk.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;

using SimSdkSettingsTest = SimSdkTest;

struct LimitCase {
  const char* limit;  // the control interface's name
  int (*get)(CameraHandle, float*);
};

TEST_F(SimSdkSettingsTest, GettersReportTheCamerasLimits) {
  const LimitCase cases[] = {
      {"FrameRateMin", Camera_getFrameRateMin},
      {"FrameRateMax", Camera_getFrameRateMax},
      {"FrameRateIncrement", Camera_getFrameRateIncrement},
      {"ExposureTimeMin", Camera_getExposureTimeMin},
      {"ExposureTimeMax", Camera_getExposureTimeMax},
      {"ExposureTimeIncrement", Camera_getExposureTimeIncrement},
      {"ExposureDelayMax", Camera_getExposureDelayMax},
      {"ExposureDelayIncrement", Camera_getExposureDelayIncrement},
      {"GainMax", Camera_getGainMax},
      {"StrobePositionMax", Camera_getStrobePositionMax},
      {"StrobePositionIncrement", Camera_getStrobePositionIncrement},
      {"StrobeDurationMax", Camera_getStrobeDurationMax},
      {"StrobeDurationIncrement", Camera_getStrobeDurationIncrement},
  };
  float value = 0.5f;
  for (const LimitCase& c : cases) {
    value += 1.0f;
    ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, c.limit, value)) << c.limit;
  }
  EXPECT_EQ(simsdk::kUnknownName, sim.SimSdk_setCameraLimit(0, "NoSuchLimit", 1.0));
  EXPECT_EQ(simsdk::kInvalidHandle, sim.SimSdk_setCameraLimit(9, "GainMax", 1.0));

  const CameraHandle camera = OpenCamera(0);
  value = 0.5f;
  for (const LimitCase& c : cases) {
    value += 1.0f;
    float reported = 0;
    EXPECT_EQ(0, c.get(camera, &reported)) << c.limit;
    EXPECT_FLOAT_EQ(value, reported) << c.limit;
    EXPECT_EQ(simsdk::kNullArgument, c.get(camera, nullptr)) << c.limit;
  }
  float low = 0;
  float high = 0;
  EXPECT_EQ(0, Camera_getFrameRateRange(camera, &low, &high));
  EXPECT_FLOAT_EQ(1.5f, low);
  EXPECT_FLOAT_EQ(2.5f, high);
}

struct FloatCase {
  const char* name;
  int (*set)(CameraHandle, float);
  int (*get)(CameraHandle, float*);
  float good, tooLow, tooHigh;  // against the default limits
};

TEST_F(SimSdkSettingsTest, FloatSettersCheckTheLimitsAndRecord) {
  const FloatCase cases[] = {
      {"FrameRate", Camera_setFrameRate, Camera_getFrameRate, 25.0f, 0.5f, 61.0f},
      {"ExposureTime", Camera_setExposureTime, Camera_getExposureTime, 2000.0f, 10.0f, 2e6f},
      {"ExposureDelay", Camera_setExposureDelay, Camera_getExposureDelay, 100.0f, -1.0f, 10001.0f},
      {"Gain", Camera_setGain, Camera_getGain, 6.0f, -1.0f, 19.0f},
      {"Offset", Camera_setOffset, Camera_getOffset, 10.0f, -1.0f, 256.0f},
      {"AutoGainBrightness", Camera_setAutoGainBrightness, Camera_getAutoGainBrightness, 100.0f, -1.0f, 256.0f},
      {"StrobePosition", Camera_setStrobePosition, Camera_getStrobePosition, 5.0f, -1.0f, 2e6f},
      {"StrobeDuration", Camera_setStrobeDuration, Camera_getStrobeDuration, 7.0f, -1.0f, 2e6f},
      {"InterPacketDelay", Camera_setInterPacketDelay, Camera_getInterPacketDelay, 3.0f, -1.0f, 2e6f},
  };
  const CameraHandle camera = OpenCamera(0);
  for (const FloatCase& c : cases) {
    float value = -100;
    EXPECT_EQ(0, c.set(camera, c.good)) << c.name;
    for (const float bad : {c.tooLow, c.tooHigh, std::numeric_limits<float>::quiet_NaN()}) {
      EXPECT_EQ(simsdk::kOutOfRange, c.set(camera, bad)) << c.name << " " << bad;
    }
    EXPECT_EQ(0, c.get(camera, &value)) << c.name;
    EXPECT_FLOAT_EQ(c.good, value) << c.name;
    EXPECT_EQ(simsdk::kNullArgument, c.get(camera, nullptr)) << c.name;
  }
  EXPECT_EQ(0, Camera_setGammaCorrection(camera, 0.4f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setGammaCorrection(camera, 5.0f));
}

struct ChoiceCase {
  const char* name;
  int (*set)(CameraHandle, int);
  int (*get)(CameraHandle, int*);
  int good, bad;
};

TEST_F(SimSdkSettingsTest, ChoiceSettersCheckTheValueAndRecord) {
  const ChoiceCase cases[] = {
      {"TriggerPolarity", Camera_setTriggerPolarity, Camera_getTriggerPolarity, 1, 2},
      {"StrobePolarity", Camera_setStrobePolarity, Camera_getStrobePolarity, 1, -1},
      {"BinningMode", Camera_setBinningMode, Camera_getBinningMode, 3, 4},
      {"LowpassFilter", Camera_setLowpassFilter, Camera_getLowpassFilter, 1, 2},
      {"AcquisitionMode", Camera_setAcquisitionMode, Camera_getAcquisitionMode, 2, 5},
      {"AcquisitionControl", Camera_setAcquisitionControl, Camera_getAcquisitionControl, 1, 2},
      {"LookupTableMode", Camera_setLookupTableMode, Camera_getLookupTableMode, 2, 3},
      {"PixelDepth", Camera_setPixelDepth, Camera_getPixelDepth, 2, 1},
  };
  const CameraHandle camera = OpenCamera(0);
  for (const ChoiceCase& c : cases) {
    int value = -100;
    EXPECT_EQ(0, c.set(camera, c.good)) << c.name;
    EXPECT_EQ(simsdk::kOutOfRange, c.set(camera, c.bad)) << c.name;
    EXPECT_EQ(0, c.get(camera, &value)) << c.name;
    EXPECT_EQ(c.good, value) << c.name;
  }
  int pixelType = 0;
  EXPECT_EQ(0, Camera_getPixelType(camera, &pixelType));
  EXPECT_EQ(kPixelTypeMono12Packed, pixelType);  // a monochrome camera at 12 bit

  // A colour camera offers 8 bit only.
  const CameraHandle colour = CameraContainer_getCamera(Discover(), 1);
  ASSERT_EQ(0, Camera_openConnection(colour, 3.0f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setPixelDepth(colour, 2));
  EXPECT_EQ(0, Camera_setPixelDepth(colour, 0));
  EXPECT_EQ(0, Camera_getPixelType(colour, &pixelType));
  EXPECT_EQ(0x01080008, pixelType);  // BayerGR8
}

TEST_F(SimSdkSettingsTest, AreaOfInterestLiesOnTheImager) {
  const CameraHandle camera = OpenCamera(0);
  int x = 0, y = 0, w = 0, h = 0;
  EXPECT_EQ(0, Camera_getAreaOfInterest(camera, &w, &h, &x, &y));
  EXPECT_EQ(656, w);  // the whole imager at first
  EXPECT_EQ(490, h);
  EXPECT_EQ(0, Camera_setAreaOfInterest(camera, 100, 80, 10, 20));
  EXPECT_EQ(0, Camera_setAreaOfInterest(camera, 656, 490, 0, 0));
  EXPECT_EQ(0, Camera_setAreaOfInterest(camera, 100, 80, 556, 410));
  for (const auto& bad : {std::array<int, 4>{100, 80, 557, 0},
                          {100, 80, 0, 411},
                          {0, 80, 0, 0},
                          {100, 0, 0, 0},
                          {100, 80, -1, 0},
                          {2147483647, 1, 2147483647, 0}}) {
    EXPECT_EQ(simsdk::kOutOfRange, Camera_setAreaOfInterest(camera, bad[0], bad[1], bad[2], bad[3]));
  }
  EXPECT_EQ(0, Camera_getAreaOfInterest(camera, &w, &h, &x, &y));
  EXPECT_EQ((std::array<int, 4>{100, 80, 556, 410}), (std::array<int, 4>{w, h, x, y}));
  EXPECT_EQ(simsdk::kNullArgument, Camera_getAreaOfInterest(camera, &w, nullptr, &x, &y));

  // Frames are the area over the binning factors.
  ASSERT_EQ(0, Camera_setBinningMode(camera, 3));
  EXPECT_EQ(0, Camera_getSizeX(camera, &w));
  EXPECT_EQ(0, Camera_getSizeY(camera, &h));
  EXPECT_EQ(50, w);
  EXPECT_EQ(40, h);
}

TEST_F(SimSdkSettingsTest, AutomaticLimitsArePairsWithinTheCamerasRange) {
  const CameraHandle camera = OpenCamera(0);
  float low = -1, high = -1;
  EXPECT_EQ(0, Camera_setAutoGainLimits(camera, 2.0f, 12.0f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setAutoGainLimits(camera, 12.0f, 2.0f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setAutoGainLimits(camera, 0.0f, 19.0f));
  EXPECT_EQ(0, Camera_getAutoGainLimits(camera, &low, &high));
  EXPECT_FLOAT_EQ(2.0f, low);
  EXPECT_FLOAT_EQ(12.0f, high);
  EXPECT_EQ(0, Camera_setAutoExposureLimits(camera, 0.0f, 0.0f));
  EXPECT_EQ(0, Camera_setAutoExposureLimits(camera, 100.0f, 5000.0f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setAutoExposureLimits(camera, 100.0f, 2e6f));
  EXPECT_EQ(0, Camera_getAutoExposureLimits(camera, &low, &high));
  EXPECT_FLOAT_EQ(100.0f, low);
  EXPECT_FLOAT_EQ(5000.0f, high);
  bool enabled = false;
  EXPECT_EQ(0, Camera_setAutoGainEnabled(camera, true));
  EXPECT_EQ(0, Camera_getAutoGainEnabled(camera, &enabled));
  EXPECT_TRUE(enabled);
}

TEST_F(SimSdkSettingsTest, LookupTableTakesExactly4096IntsOf8Bits) {
  const CameraHandle camera = OpenCamera(0);
  // Exactly 4096 ints on the heap: reading one more would be caught by the
  // address sanitizer.
  std::vector<int> table(4096);
  for (int i = 0; i < 4096; ++i) table[i] = (i * 7) & 0xFF;
  EXPECT_EQ(0, Camera_setLookupTable(camera, table.data(), 4096));
  std::vector<int> back(4096, -1);
  EXPECT_EQ(0, Camera_getLookupTable(camera, back.data(), 4096));
  EXPECT_EQ(table, back);

  std::vector<int> bad = table;
  bad[4095] = 256;
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setLookupTable(camera, bad.data(), 4096));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setLookupTable(camera, table.data(), 4095));
  EXPECT_EQ(simsdk::kNullArgument, Camera_setLookupTable(camera, nullptr, 4096));
  EXPECT_EQ(0, Camera_getLookupTable(camera, back.data(), 4096));
  EXPECT_EQ(table, back);  // refused tables change nothing
}

TEST_F(SimSdkSettingsTest, IoAssignmentTakesSignalsAndSingleSources) {
  const CameraHandle camera = OpenCamera(0);
  int source = 0;
  EXPECT_EQ(0, Camera_getIOAssignment(camera, 6, &source));
  EXPECT_EQ(1, source);  // "None" until assigned
  EXPECT_EQ(0, Camera_setIOAssignment(camera, 6, 2));
  EXPECT_EQ(0, Camera_setIOAssignment(camera, 1, 256));
  EXPECT_EQ(0, Camera_setIOAssignment(camera, 4, 64));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setIOAssignment(camera, 6, 256));  // fixed level on an input
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setIOAssignment(camera, 7, 1));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setIOAssignment(camera, 2, 3));
  EXPECT_EQ(0, Camera_getIOAssignment(camera, 6, &source));
  EXPECT_EQ(2, source);
  EXPECT_EQ(0, Camera_getIOAssignment(camera, 1, &source));
  EXPECT_EQ(256, source);
}

// A realistic camera takes any number, as a real one does: rounded to its
// increment, clamped to its limits, the exposure to the frame period and the
// frame rate to what the exposure allows; the getters report what it holds.
TEST_F(SimSdkSettingsTest, ARealisticCameraRoundsAndClampsInsteadOfRefusing) {
  ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, "Realistic", 1));
  ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, "ExposureTimeIncrement", 10));
  ASSERT_EQ(0, sim.SimSdk_setCameraLimit(0, "StrobeDurationIncrement", 4));
  const CameraHandle camera = OpenCamera(0);
  const CameraHandle strict = CameraContainer_getCamera(Discover(), 1);
  ASSERT_EQ(0, Camera_openConnection(strict, 3.0f));
  float held = 0;

  ASSERT_EQ(0, Camera_setFrameRate(camera, 10.0f));
  EXPECT_EQ(0, Camera_setExposureTime(camera, 500000.0f));  // the period is 100000 us
  EXPECT_EQ(0, Camera_getExposureTime(camera, &held));
  EXPECT_FLOAT_EQ(100000.0f, held);
  EXPECT_EQ(0, Camera_setFrameRate(camera, 60.0f));  // a 100000 us exposure allows 10/s
  EXPECT_EQ(0, Camera_getFrameRate(camera, &held));
  EXPECT_FLOAT_EQ(10.0f, held);
  EXPECT_EQ(0, Camera_setExposureTime(camera, 1237.0f));  // steps of 10 from 50
  EXPECT_EQ(0, Camera_getExposureTime(camera, &held));
  EXPECT_FLOAT_EQ(1240.0f, held);
  EXPECT_EQ(0, Camera_setExposureTime(camera, 1.0f));
  EXPECT_EQ(0, Camera_getExposureTime(camera, &held));
  EXPECT_FLOAT_EQ(50.0f, held);
  EXPECT_EQ(0, Camera_setStrobeDuration(camera, 7.0f));
  EXPECT_EQ(0, Camera_getStrobeDuration(camera, &held));
  EXPECT_FLOAT_EQ(8.0f, held);
  EXPECT_EQ(0, Camera_setGain(camera, 100.0f));
  EXPECT_EQ(0, Camera_getGain(camera, &held));
  EXPECT_FLOAT_EQ(18.0f, held);
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setGain(camera, std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(0, Camera_setGammaCorrection(camera, 9.0f));

  // The other camera stays strict.
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setGain(strict, 100.0f));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setGammaCorrection(strict, 9.0f));
}

TEST_F(SimSdkSettingsTest, PacketSizeIsTheCamerasOwn) {
  sim.SimSdk_setCameraLimit(0, "PacketSize", 1500);
  const CameraHandle camera = OpenCamera(0);
  int packetSize = 0;
  EXPECT_EQ(0, Camera_evaluateMaximalPacketSize(camera, &packetSize));
  EXPECT_EQ(1500, packetSize);
  EXPECT_EQ(simsdk::kNullArgument, Camera_evaluateMaximalPacketSize(camera, nullptr));
  EXPECT_EQ(simsdk::kOutOfRange, Camera_setStreamingPacketSize(camera, 9000));
  EXPECT_EQ(0, Camera_setStreamingPacketSize(camera, 1000));
}

}  // namespace
}  // namespace ecocam::testing
