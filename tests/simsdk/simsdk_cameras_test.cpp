// The simulated SDK's cameras: discovery of the listed cameras (default,
// added, configured, removed), connection state, identity and handles.
#include <gtest/gtest.h>

#include <set>

#include "support/sim_sdk.h"
#include "support/temp_dir.h"

namespace ecocam::testing {
namespace {

using namespace ecocam::sdk;

using SimSdkCamerasTest = SimSdkTest;

std::vector<std::string> ModelNames(CameraContainerHandle container) {
  std::vector<std::string> names;
  for (int i = 0; i < CameraContainer_getNumberOfCameras(container); ++i) {
    names.emplace_back(Camera_getModelName(CameraContainer_getCamera(container, i)));
  }
  return names;
}

TEST_F(SimSdkCamerasTest, DiscoveryFindsTheDefaultCameras) {
  const CameraContainerHandle container = Discover();
  EXPECT_EQ((std::vector<std::string>{"eco424MVGE", "eco424CVGE"}), ModelNames(container));
  EXPECT_EQ(0, CameraContainer_getCamera(container, 2));
  EXPECT_EQ(0, CameraContainer_getCamera(container, -1));
  EXPECT_EQ(CameraContainer_getCamera(container, 1), CameraContainer_findCamera(container, "eco424CVGE"));
  EXPECT_EQ(0, CameraContainer_findCamera(container, "eco999MVGE"));
  EXPECT_EQ(0, CameraContainer_findCamera(container, nullptr));

  const CameraHandle colour = CameraContainer_getCamera(container, 1);
  ASSERT_EQ(0, Camera_openConnection(colour, 3.0f));
  int width = 0;
  int height = 0;
  EXPECT_EQ(0, Camera_getImagerWidth(colour, &width));
  EXPECT_EQ(0, Camera_getImagerHeight(colour, &height));
  EXPECT_EQ(656, width);
  EXPECT_EQ(490, height);
  EXPECT_STRNE("", Camera_getSerialNumber(colour));
  EXPECT_STRNE(Camera_getSerialNumber(colour), Camera_getSerialNumber(CameraContainer_getCamera(container, 0)));
}

TEST_F(SimSdkCamerasTest, ControlInterfaceListsCamerasOfAnyNameAndSize) {
  sim.SimSdk_clearCameras();
  EXPECT_EQ(0, sim.SimSdk_addCamera("eco1280CVGE", 1280, 1024, 1));
  EXPECT_EQ(1, sim.SimSdk_addCamera("", 640, 480, 0));
  EXPECT_EQ(2, sim.SimSdk_addCamera("eco655MVGE-custom", 1296, 966, 0));
  EXPECT_EQ(3, sim.SimSdk_addCamera("other vendor", 100, 100, 0));
  EXPECT_EQ(-1, sim.SimSdk_addCamera("bad", 0, 480, 0));
  EXPECT_EQ(4, sim.SimSdk_getCameraCount());

  const CameraContainerHandle container = Discover();
  EXPECT_EQ((std::vector<std::string>{"eco1280CVGE", "", "eco655MVGE-custom", "other vendor"}), ModelNames(container));
  const CameraHandle big = CameraContainer_getCamera(container, 2);
  ASSERT_EQ(0, Camera_openConnection(big, 3.0f));
  int width = 0;
  int height = 0;
  EXPECT_EQ(0, Camera_getImagerWidth(big, &width));
  EXPECT_EQ(0, Camera_getImagerHeight(big, &height));
  EXPECT_EQ(1296, width);
  EXPECT_EQ(966, height);
}

TEST_F(SimSdkCamerasTest, ConfigurationFileListsCamerasAndLimits) {
  TempDir dir;
  const std::string path = dir.File("cameras.txt");
  WriteFile(path,
            "# model;width;height;kind;limits\n"
            "eco1280MVGE;1280;1024;mono;GainMax=24;FrameRateMax=30.5;Realistic=1\n"
            "\n"
            ";320;240;color\n");
  ASSERT_EQ(0, sim.SimSdk_loadConfiguration(path.c_str()));
  const CameraContainerHandle container = Discover();
  EXPECT_EQ((std::vector<std::string>{"eco1280MVGE", ""}), ModelNames(container));
  const CameraHandle camera = CameraContainer_getCamera(container, 0);
  ASSERT_EQ(0, Camera_openConnection(camera, 3.0f));
  float gainMax = 0;
  float frameRateMax = 0;
  EXPECT_EQ(0, Camera_getGainMax(camera, &gainMax));
  EXPECT_EQ(0, Camera_getFrameRateMax(camera, &frameRateMax));
  EXPECT_FLOAT_EQ(24.0f, gainMax);
  EXPECT_FLOAT_EQ(30.5f, frameRateMax);
  EXPECT_EQ(0, Camera_setGain(camera, 99.0f));  // a realistic camera clamps
  EXPECT_EQ(0, Camera_getGain(camera, &gainMax));
  EXPECT_FLOAT_EQ(24.0f, gainMax);

  // A bad file changes nothing.
  for (const char* bad : {"eco;12;x;mono\n", "eco;12;12;grey\n", "eco;12;12;mono;NoSuchLimit=1\n", "eco;12\n"}) {
    WriteFile(path, bad);
    EXPECT_EQ(simsdk::kBadConfiguration, sim.SimSdk_loadConfiguration(path.c_str())) << bad;
  }
  EXPECT_EQ(simsdk::kBadConfiguration, sim.SimSdk_loadConfiguration(dir.File("missing.txt").c_str()));
  EXPECT_EQ(2, sim.SimSdk_getCameraCount());
}

TEST_F(SimSdkCamerasTest, RemovedCameraVanishesAndItsHandleIsRefused) {
  const CameraContainerHandle container = Discover();
  const CameraHandle mono = CameraContainer_getCamera(container, 0);
  ASSERT_EQ(0, sim.SimSdk_removeCamera(0));
  EXPECT_EQ(1, CameraContainer_getNumberOfCameras(container));
  EXPECT_STREQ("", Camera_getModelName(mono));
  EXPECT_EQ(simsdk::kInvalidHandle, Camera_openConnection(mono, 3.0f));
  EXPECT_EQ(simsdk::kInvalidHandle, sim.SimSdk_removeCamera(5));
}

TEST_F(SimSdkCamerasTest, ConnectionStateIsEnforced) {
  const CameraContainerHandle container = Discover();
  const CameraHandle camera = CameraContainer_getCamera(container, 0);
  float gain = 0;
  EXPECT_EQ(simsdk::kNotConnected, Camera_setGain(camera, 1.0f));
  EXPECT_EQ(simsdk::kNotConnected, Camera_getGainMax(camera, &gain));
  EXPECT_EQ(simsdk::kNotConnected, Camera_closeConnection(camera));
  EXPECT_STREQ("eco424MVGE", Camera_getModelName(camera));  // identity needs no connection

  EXPECT_EQ(simsdk::kOutOfRange, Camera_openConnection(camera, 0.0f));
  EXPECT_EQ(0, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(simsdk::kAlreadyConnected, Camera_openConnection(camera, 3.0f));
  EXPECT_EQ(0, Camera_setGain(camera, 1.0f));
  EXPECT_EQ(0, Camera_closeConnection(camera));
  EXPECT_EQ(simsdk::kNotConnected, Camera_closeConnection(camera));

  // Unknown values, and handles of another kind, are refused.
  EXPECT_EQ(simsdk::kInvalidHandle, Camera_openConnection(9999, 3.0f));
  EXPECT_EQ(simsdk::kInvalidHandle, Camera_openConnection(container, 3.0f));
  EXPECT_EQ(simsdk::kInvalidHandle, CameraContainer_discovery(camera));
  EXPECT_EQ(simsdk::kInvalidHandle, Camera_setGain(-1, 1.0f));
  EXPECT_STREQ("", Camera_getModelName(0));
  EXPECT_EQ(0, CameraContainer_getNumberOfCameras(9999));
  EXPECT_EQ(-1, CameraContainer_create(7));  // unknown container type
}

TEST_F(SimSdkCamerasTest, DeletedContainerTakesItsCamerasAlong) {
  const CameraContainerHandle first = CameraContainer_create(1);
  ASSERT_EQ(0, CameraContainer_discovery(first));
  const CameraHandle camera = CameraContainer_getCamera(first, 0);
  // Delete through the simulation only: the binding would unload it.
  const auto deleteContainer =
      SdkFunctionTable::Instance().Function<CameraContainer_delete_fn>(SdkRow::CameraContainer_delete);
  EXPECT_EQ(0, deleteContainer(first));
  EXPECT_EQ(simsdk::kInvalidHandle, deleteContainer(first));
  EXPECT_EQ(simsdk::kInvalidHandle, Camera_openConnection(camera, 3.0f));
}

TEST_F(SimSdkCamerasTest, FreedHandleValuesComeBackOnlyWhenAskedFor) {
  const auto deleteContainer = [] {
    return SdkFunctionTable::Instance().Function<CameraContainer_delete_fn>(SdkRow::CameraContainer_delete);
  };
  CameraContainerHandle container = Discover();
  const CameraHandle before = CameraContainer_getCamera(container, 0);
  deleteContainer()(container);
  container = Discover();
  EXPECT_NE(before, CameraContainer_getCamera(container, 0));
  EXPECT_NE(before, CameraContainer_getCamera(container, 1));

  sim.SimSdk_setHandleReuse(1);
  const CameraHandle stale = CameraContainer_getCamera(container, 0);
  const CameraHandle other = CameraContainer_getCamera(container, 1);
  deleteContainer()(container);
  container = Discover();
  const std::set<CameraHandle> reused = {CameraContainer_getCamera(container, 0),
                                         CameraContainer_getCamera(container, 1)};
  EXPECT_EQ((std::set<CameraHandle>{stale, other}), reused);
}

}  // namespace
}  // namespace ecocam::testing
