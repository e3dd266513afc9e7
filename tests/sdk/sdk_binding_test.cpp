// The SDK binding against the simulated SDK, loaded through the real loader:
// the table, loading and its failures, the version check, unloading, the
// fallbacks, and arguments and results passing through unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

#include "sdk/sdk_rows.h"
#include "support/sim_sdk.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;

// The build puts the variant that lacks Camera_readXMLFile here, relative to
// the test's working folder (the build's bin folder).
std::string LackingOneLibrary() {
  return (std::filesystem::current_path() / SDK_VARIANT_LACKING_ONE).make_preferred().string();
}

using SdkBindingTest = SimSdkTest;

// Loading failures, without the simulated SDK loaded by the test itself (on
// Windows a module already loaded under the same name could stand in).
class SdkLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { SdkFunctionTable::Instance().Unload(); }
  void TearDown() override {
    SdkFunctionTable::Instance().Unload();
    SdkFunctionTable::Instance().SetLibraryName("");
  }
};

TEST_F(SdkBindingTest, TableHoldsTheEntryPointsInOrder) {
  const SdkFunctionTable& table = SdkFunctionTable::Instance();
  std::set<std::string> names;
  for (int i = 0; i < kSdkEntryPointCount; ++i) {
    EXPECT_EQ(i, table.Entry(i).index);
    names.insert(table.Entry(i).name);
  }
  EXPECT_EQ(211u, names.size());
  EXPECT_STREQ("isVersionCompliantDLL", table.Entry(0).name);
  EXPECT_STREQ("Camera_openConnection", table.Entry(7).name);
  EXPECT_STREQ("Camera_setFrameRate", table.Entry(81).name);
  EXPECT_STREQ("Camera_restoreFactoryDefaults", table.Entry(195).name);
  EXPECT_STREQ("Error_getMessage", table.Entry(200).name);
  EXPECT_STREQ("Image_getDebugInfo", table.Entry(210).name);
}

TEST_F(SdkLoaderTest, MissingLibraryGivesMinusOneAndFallbacks) {
  SdkFunctionTable::Instance().SetLibraryName("ecocam-no-such-sdk-library");
  EXPECT_EQ(-1, CameraContainer_create(1));
  EXPECT_FALSE(SdkFunctionTable::Instance().IsLoaded());
  EXPECT_EQ(-2, CameraContainer_discovery(1));
  SdkVersion version{};
  EXPECT_EQ(-2, isVersionCompliantDLL(&version, &kRequiredSdkVersion));
  EXPECT_FALSE(SdkFunctionTable::Instance().Load());
}

TEST_F(SdkLoaderTest, LibraryLackingOneNameFailsButResolvesTheOthers) {
  SdkFunctionTable& table = SdkFunctionTable::Instance();
  table.SetLibraryName(LackingOneLibrary());
  EXPECT_FALSE(table.Load());
  EXPECT_TRUE(table.IsLoaded());  // it stays loaded
  int resolved = 0;
  for (int i = 0; i < kSdkEntryPointCount; ++i) {
    if (table.Entry(i).address.load() != nullptr) ++resolved;
  }
  EXPECT_EQ(210, resolved);
  EXPECT_EQ(nullptr, table.Entry(SdkRow::Camera_readXMLFile).address.load());
  EXPECT_EQ(-1, CameraContainer_create(1));
  // A loaded library's missing row gives the fallback, never a call through null.
  EXPECT_EQ(-2, Camera_readXMLFile(1, nullptr, nullptr));
}

TEST_F(SdkBindingTest, OtherVersionIsRefused) {
  sim.SimSdk_setVersion(1, 4, 23, 51);
  EXPECT_EQ(-1, CameraContainer_create(1));
  EXPECT_EQ(1u, sim.JournalOf("isVersionCompliantDLL").size());
  EXPECT_TRUE(sim.JournalOf("CameraContainer_create").empty());

  sim.SimSdk_setVersion(1, 4, 23, 52);
  EXPECT_GT(CameraContainer_create(1), 0);
}

TEST_F(SdkBindingTest, VersionCheckLoadsOnDemandAndReportsTheLibraryVersion) {
  sim.SimSdk_setVersion(2, 0, 1, 9);
  SdkVersion version{};
  EXPECT_NE(0, isVersionCompliantDLL(&version, &kRequiredSdkVersion));
  EXPECT_TRUE(SdkFunctionTable::Instance().IsLoaded());
  EXPECT_EQ(2, version.major);
  EXPECT_EQ(9, version.build);
}

TEST_F(SdkBindingTest, DeleteUnloadsAndLeavesOnlyFallbacks) {
  const CameraContainerHandle container = Discover();
  ASSERT_EQ(2, CameraContainer_getNumberOfCameras(container));
  const CameraHandle camera = CameraContainer_getCamera(container, 0);
  EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));
  EXPECT_STREQ("eco424CVGE", Camera_getModelName(CameraContainer_getCamera(container, 1)));

  EXPECT_EQ(0, CameraContainer_delete(container));
  EXPECT_FALSE(SdkFunctionTable::Instance().IsLoaded());
  EXPECT_STREQ("", Camera_getModelName(camera));
  EXPECT_EQ(0x01080001, Image_getPixelType(1));
  EXPECT_EQ(-2, CameraContainer_delete(container));
  // The addresses stay; a new create loads everything again.
  EXPECT_NE(nullptr, SdkFunctionTable::Instance().Entry(SdkRow::Camera_getModelName).address.load());
  EXPECT_GT(CameraContainer_create(1), 0);
}

TEST_F(SdkBindingTest, LookupTableModeAliasesReachTheLookupTableModeRows) {
  const CameraHandle camera = OpenCamera();
  sim.SimSdk_clearJournal();
  EXPECT_EQ(0, Camera_setLUTMode(camera, 2));
  int mode = -1;
  EXPECT_EQ(0, Camera_getLUTMode(camera, &mode));
  EXPECT_EQ(2, mode);
  const auto journal = sim.Journal();
  ASSERT_EQ(2u, journal.size());
  EXPECT_EQ("Camera_setLookupTableMode(" + std::to_string(camera) + ",2)", journal[0]);
  EXPECT_EQ(0u, journal[1].rfind("Camera_getLookupTableMode(", 0));
}

// Every generated forwarding function returns its row's fallback while the
// library is not loaded, and reaches nothing.
template <typename R, typename F>
void ExpectFallback(const char* name, R result, F fallback) {
  if constexpr (std::is_same_v<R, const char*>) {
    EXPECT_STREQ("", result) << name;
  } else {
    EXPECT_EQ(static_cast<R>(fallback), result) << name;
  }
}

TEST_F(SdkBindingTest, EveryForwardingFunctionReturnsItsFallbackWhileUnloaded) {
#define CHECK_FALLBACK(row, ret, name, params, args, fallback) \
  ExpectFallback<ret>(#name, CallWithZeros(&sdk::name), fallback);
#define SKIP(row, ret, name, params, args, fallback)
  ECOCAM_SDK_ENTRY_POINTS(CHECK_FALLBACK, SKIP)
#undef CHECK_FALLBACK
  EXPECT_EQ(-2, CameraContainer_delete(1));
  EXPECT_EQ(-2, Camera_setLUTMode(1, 2));
  EXPECT_EQ(-2, Camera_getLUTMode(1, nullptr));
  EXPECT_FALSE(SdkFunctionTable::Instance().IsLoaded());
  EXPECT_EQ(0, sim.SimSdk_getJournalCount());
}

// Every generated forwarding function hands its arguments to the SDK
// unchanged (the journal shows them) and returns the SDK's result unchanged
// (an injected code comes back).
template <typename R, typename... A>
void ExpectPassThrough(SimSdk& sim, int row, const char* name, R (*function)(A...)) {
  constexpr int kCodeBase = 5000;
  sim.SimSdk_clearJournal();
  if constexpr (std::is_same_v<R, int>) {
    sim.SimSdk_failCall(name, kCodeBase + row, 0);
  }
  DistinctArgs args(row);
  const R result = args.Call(function);
  if constexpr (std::is_same_v<R, int>) {
    EXPECT_EQ(kCodeBase + row, result) << name;
  }
  const auto journal = sim.Journal();
  ASSERT_EQ(1u, journal.size()) << name;
  EXPECT_EQ(args.JournalLine(name), journal[0]);
}

TEST_F(SdkBindingTest, EveryForwardingFunctionPassesArgumentsAndResultsThrough) {
  Discover();
#define CHECK_PASS(row, ret, name, params, args, fallback) ExpectPassThrough(sim, row, #name, &sdk::name);
  ECOCAM_SDK_ENTRY_POINTS(CHECK_PASS, SKIP)
#undef CHECK_PASS
}

TEST_F(SdkBindingTest, ForwardingFunctionsRunFromManyThreads) {
  const CameraHandle camera = OpenCamera();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([camera, t] {
      for (int i = 0; i < 300; ++i) {
        float gain = -1.0f;
        EXPECT_EQ(0, Camera_setGain(camera, static_cast<float>(t)));
        EXPECT_EQ(0, Camera_getGain(camera, &gain));
        EXPECT_GE(gain, 0.0f);
        EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));
      }
    });
  }
  for (auto& thread : threads) thread.join();
}

#undef SKIP

}  // namespace
}  // namespace ecocam::testing
