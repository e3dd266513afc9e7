// Discovery: which model names become cameras, of which type, in which
// order; the failures of the container and the discovery; the lookups.
#include "camera/camera_list.h"
#include "camera_fixture.h"

namespace ecocam::testing {
namespace {

using ::testing::ElementsAre;

class CameraListTest : public CameraFixture {
 protected:
  void TearDown() override {
    CameraList::DestroyInstance();
    CameraFixture::TearDown();
  }
  static std::vector<std::string> Names(char** names) {
    std::vector<std::string> out;
    for (; *names != nullptr; ++names) out.emplace_back(*names);
    return out;
  }
};

TEST_F(CameraListTest, ModelNameDecidesSupportAndType) {
  sim.SimSdk_clearCameras();
  for (const char* model :
       {"eco424MVGE", "ECO424MVGE", "eco424CVGE", "xeco424MVGE", "ecoMVGE12", "eco1050MVGE", "eco12CVGE"}) {
    sim.SimSdk_addCamera(model, 656, 490, 0);
  }
  CameraList& list = CameraList::GetInstance();
  EXPECT_TRUE(list.Init());
  ASSERT_EQ(3, list.Count());
  EXPECT_THAT(Names(list.ConfigNames()), ElementsAre("eco424MVGE", "eco424CVGE", "eco1050MVGE"));
  EXPECT_EQ(1u, list[0].Info().type);
  EXPECT_EQ(2u, list[1].Info().type);
  EXPECT_EQ(1u, list[2].Info().type);
  EXPECT_EQ(24, list[1].PixelSize());
  EXPECT_EQ(8, list[2].PixelSize());
  EXPECT_THROW(list[3], std::runtime_error);

  const auto lines = DriverLog::Take();
  for (const char* text : {"CameraList::Init: b/w camera found: eco424MVGE",
                           "CameraList::Init: WARNING: skips not supported camera: ECO424MVGE",
                           "CameraList::Init: color camera found: eco424CVGE",
                           "CameraList::Init: WARNING: skips not supported camera: xeco424MVGE",
                           "CameraList::Init: Error: skipping partially recognized camera name: ecoMVGE12",
                           "CameraList::Init: Error: skipping partially recognized camera name: eco12CVGE",
                           "CameraList::Init: leaving", "CameraList::operator[] index out of bounds: 3"}) {
    EXPECT_TRUE(DriverLog::Contains(lines, text)) << text;
  }
  // A second discovery on the same registry is refused.
  EXPECT_FALSE(list.Init());
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "CameraList::Init: ERROR: CameraContainer is not empty"));
  EXPECT_EQ(3, list.Count());
}

TEST_F(CameraListTest, NoCameraIsAnErrorWithAnEmptyRegistry) {
  sim.SimSdk_clearCameras();
  CameraList& list = CameraList::GetInstance();
  EXPECT_FALSE(list.Init());
  EXPECT_EQ(0, list.Count());
  EXPECT_EQ(nullptr, list.ConfigNames()[0]);
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "CameraList::Init: ERROR: no supported cameras found"));
}

TEST_F(CameraListTest, ContainerOrDiscoveryFailureEndsDiscovery) {
  ASSERT_EQ(0, sim.SimSdk_failCall("CameraContainer_discovery", simsdk::kInternalError, 0));
  EXPECT_FALSE(CameraList::GetInstance().Init());
  EXPECT_EQ(0, CameraList::GetInstance().Count());
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "CameraList::Init: ERROR: discovery function failed"));
  CameraList::DestroyInstance();

  // A container the SDK refuses.
  ASSERT_EQ(0, sim.SimSdk_failCall("CameraContainer_create", -1, 0));
  EXPECT_FALSE(CameraList::GetInstance().Init());
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "CameraList::Init: ERROR: CameraContainer could not be opened"));
  EXPECT_EQ(0, CameraList::GetInstance().Count());
}

TEST_F(CameraListTest, SameModelTwiceListsBothAndNameFindsTheFirst) {
  sim.SimSdk_clearCameras();
  sim.SimSdk_addCamera("eco424MVGE", 656, 490, 0);
  sim.SimSdk_addCamera("eco424MVGE", 656, 490, 0);
  CameraList& list = CameraList::GetInstance();
  ASSERT_TRUE(list.Init());
  char** first = list.ConfigNames();
  EXPECT_THAT(Names(first), ElementsAre("eco424MVGE", "eco424MVGE"));
  char** second = list.ConfigNames();
  EXPECT_NE(first, second);
  EXPECT_THAT(Names(second), ElementsAre("eco424MVGE", "eco424MVGE"));
  EXPECT_EQ(&list[0], &list.GetByName("eco424MVGE"));
  EXPECT_TRUE(list.IsCameraAvailable("eco424MVGE"));
  EXPECT_FALSE(list.IsCameraAvailable("ECO424MVGE"));
  EXPECT_THROW(list.GetByName("eco424mvge"), std::runtime_error);
  EXPECT_THROW(list.GetByPort(1), std::runtime_error);
}

}  // namespace
}  // namespace ecocam::testing
