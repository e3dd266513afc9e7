// The simulated SDK's control interface (faults, delays, journal) and its
// defined behaviour for every entry point, null pointers included.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sdk/sdk_rows.h"
#include "support/sim_sdk.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;

using SimSdkControlTest = SimSdkTest;

TEST_F(SimSdkControlTest, FaultsFailOnceOrAlways) {
  const CameraHandle camera = OpenCamera(0);
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_setGain", 77, 0));
  EXPECT_EQ(77, Camera_setGain(camera, 1.0f));
  EXPECT_EQ(0, Camera_setGain(camera, 1.0f));

  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_getModelName", 5, 1));
  EXPECT_STREQ("", Camera_getModelName(camera));
  EXPECT_STREQ("", Camera_getModelName(camera));
  ASSERT_EQ(0, sim.SimSdk_failCall("CameraContainer_create", -1, 1));
  EXPECT_EQ(-1, CameraContainer_create(1));
  sim.SimSdk_clearFaults();
  EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));
  EXPECT_GT(CameraContainer_create(1), 0);

  // A fault on the camera's connection makes the open fail and leaves it closed.
  ASSERT_EQ(0, Camera_closeConnection(camera));
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_openConnection", 1234, 0));
  EXPECT_EQ(1234, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(simsdk::kNotConnected, Camera_closeConnection(camera));

  EXPECT_EQ(simsdk::kUnknownName, sim.SimSdk_failCall("Camera_noSuchCall", 1, 1));
  EXPECT_EQ(simsdk::kUnknownName, sim.SimSdk_failCall(nullptr, 1, 1));
  EXPECT_EQ(simsdk::kUnknownName, sim.SimSdk_delayCall("Camera_noSuchCall", 10));
}

TEST_F(SimSdkControlTest, DelayedCallDoesNotHoldUpOtherCalls) {
  const CameraHandle camera = OpenCamera(0);
  ASSERT_EQ(0, sim.SimSdk_delayCall("Camera_setGain", 300));
  sim.SimSdk_clearJournal();
  std::atomic<bool> started{false};
  std::thread slow([&] {
    started = true;
    EXPECT_EQ(0, Camera_setGain(camera, 2.0f));
  });
  while (!started) std::this_thread::yield();
  EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));
  slow.join();
  // The delay comes before the journal line, so the quick call is first.
  const auto journal = sim.Journal();
  ASSERT_EQ(2u, journal.size());
  EXPECT_EQ(0u, journal[0].rfind("Camera_getModelName(", 0));
  EXPECT_EQ(0u, journal[1].rfind("Camera_setGain(", 0));
}

TEST_F(SimSdkControlTest, JournalRecordsCallsAndCopiesSafely) {
  const CameraHandle camera = OpenCamera(0);
  sim.SimSdk_clearJournal();
  Camera_setAreaOfInterest(camera, 64, 48, 8, 4);
  Camera_setExposureTime(camera, 1500.5f);
  Camera_setAutoGainEnabled(camera, true);
  const std::string id = std::to_string(camera);
  EXPECT_EQ((std::vector<std::string>{"Camera_setAreaOfInterest(" + id + ",64,48,8,4)",
                                      "Camera_setExposureTime(" + id + ",1500.5)",
                                      "Camera_setAutoGainEnabled(" + id + ",1)"}),
            sim.Journal());
  char small[8];
  const int length = sim.SimSdk_getJournalEntry(0, small, sizeof small);
  EXPECT_EQ(static_cast<int>(("Camera_setAreaOfInterest(" + id + ",64,48,8,4)").size()), length);
  EXPECT_STREQ("Camera_", small);  // truncated to fit, terminated
  EXPECT_EQ(-1, sim.SimSdk_getJournalEntry(3, small, sizeof small));
  EXPECT_EQ(-1, sim.SimSdk_getJournalEntry(-1, small, sizeof small));
}

TEST_F(SimSdkControlTest, EntryPointsWithoutSimulationSayNotSupported) {
  const CameraHandle camera = OpenCamera(0);
  EXPECT_EQ(simsdk::kNotSupported, StreamingChannel_setChannelTimeout(1, 1.0f));
  EXPECT_EQ(simsdk::kNotSupported, Camera_writeEEPROM(camera));
  EXPECT_EQ(nullptr, Image_getDataPointer(1));
  EXPECT_EQ(0, Image_getSizeX(1));
  EXPECT_EQ(-1, Image_getCamera(1));
  EXPECT_FALSE(Camera_isCameraFeature(camera, 1));
  EXPECT_STREQ("function not supported", Error_getMessage(simsdk::kNotSupported));
}

// Calls `function` on an open camera with every int argument set to the
// camera's handle and every pointer null. An int result that is 0 would
// claim success for a call missing a required pointer.
template <typename R, typename... A>
void CallWithNulls(const char* name, CameraHandle camera, R (*function)(A...)) {
  const auto make = [camera](auto zero) {
    using T = decltype(zero);
    if constexpr (std::is_same_v<T, int>) {
      return static_cast<T>(camera);
    } else {
      return zero;
    }
  };
  (void)make;                           // unused for an entry point without arguments
  Camera_openConnection(camera, 3.0f);  // again, after a close
  const R result = function(make(A{})...);
  constexpr bool takesPointer = (std::is_pointer_v<A> || ...);
  const std::string text = name;
  if constexpr (std::is_same_v<R, int> && takesPointer) {
    if (text != "Camera_setUserDefinedName" && text != "CameraContainer_findCamera") {
      EXPECT_NE(0, result) << name;
    }
  }
}

TEST_F(SimSdkControlTest, EveryEntryPointSurvivesNullsAndZeros) {
  const CameraHandle camera = OpenCamera(0);
#define CALL_WITH_NULLS(row, ret, name, params, args, fallback) \
  CallWithNulls(#name, camera, &sdk::name);                     \
  CallWithZeros(&sdk::name);
#define SKIP(row, ret, name, params, args, fallback)
  ECOCAM_SDK_ENTRY_POINTS(CALL_WITH_NULLS, SKIP)
#undef CALL_WITH_NULLS
#undef SKIP
  EXPECT_NE(0, isVersionCompliantDLL(nullptr, nullptr));
  EXPECT_EQ(0, isVersionCompliantDLL(nullptr, &kRequiredSdkVersion));
  EXPECT_NE(0, Camera_setLUTMode(camera, 9));
  EXPECT_NE(0, Camera_getLUTMode(camera, nullptr));
}

}  // namespace
}  // namespace ecocam::testing
