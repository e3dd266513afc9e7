// Property access by name on an open camera: the special names, the type
// table, the write permission, the push of a written value and "Reset".
#include <algorithm>
#include <memory>

#include "camera/camera.h"
#include "camera/camera_list.h"
#include "camera_fixture.h"

namespace ecocam::testing {
namespace {

class PropertiesTest : public CameraFixture {
 protected:
  void SetUp() override {
    CameraFixture::SetUp();
    Settings("eco424MVGE", false, [](CameraParameters& p) { SetSize(p, 320, 240, 0); });
    Settings("eco424CVGE", true);
    CameraList& list = CameraList::GetInstance();
    ASSERT_TRUE(list.Init());
    int width = 0, height = 0;
    ASSERT_TRUE(list.GetByName("eco424MVGE").Open(1, width, height));
    ASSERT_TRUE(list.GetByName("eco424CVGE").Open(2, width, height));
    DriverLog::Take();
  }
  void TearDown() override {
    CameraList::DestroyInstance();
    CameraFixture::TearDown();
  }
  static Camera& Mono() { return CameraList::GetInstance().GetByPort(1); }
  static Camera& Colour() { return CameraList::GetInstance().GetByPort(2); }
};

TEST_F(PropertiesTest, SpecialNamesAreLiveStateOrCommands) {
  int value = -1;
  EXPECT_TRUE(Mono().GetProperty("pixelsize", value));
  EXPECT_EQ(8, value);
  EXPECT_TRUE(Colour().GetProperty("PIXELSIZE", value));
  EXPECT_EQ(24, value);

  EXPECT_TRUE(Mono().SetProperty("Continuous", 1));
  EXPECT_TRUE(Mono().GrabRequested());
  EXPECT_TRUE(Mono().GetProperty("continous", value));
  EXPECT_EQ(1, value);
  EXPECT_TRUE(Mono().SetProperty("CONTINOUS", 0));
  EXPECT_FALSE(Mono().GrabRequested());

  // Outside software-trigger mode the trigger is only logged as ignored.
  EXPECT_TRUE(Mono().SetProperty("Trigger", 0));
  EXPECT_TRUE(DriverLog::Contains(
      DriverLog::Take(), "Camera::SoftwareTrigger: WARNING: trigger ignored, camera not in SW trigger mode, port=1"));
  // A name of no parameter: false, silently; a null name: false.
  EXPECT_FALSE(Mono().SetProperty("NoSuchName", 1));
  EXPECT_FALSE(Mono().GetProperty("NoSuchName", value));
  EXPECT_FALSE(Mono().GetProperty(nullptr, value));
  // Lines of a frame the free-running camera delivered meanwhile aside.
  std::vector<std::string> lines = DriverLog::Take();
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const std::string& l) {
                               return l.rfind("Camera::ProcessEvent", 0) == 0 ||
                                      l.rfind("CameraWaitThread::", 0) == 0 || l.rfind("Camera::SvsCallback", 0) == 0;
                             }),
              lines.end());
  EXPECT_LE(lines.size(), 3u);
}

TEST_F(PropertiesTest, TheTypeTableAndTheWritePermission) {
  Camera& camera = Mono();
  CameraParameters& p = camera.Parameters();
  int value = -1, min = -1, max = -1;
  EXPECT_TRUE(camera.GetRange("Gamma", min, max));  // double, as ints
  EXPECT_EQ(0, min);
  EXPECT_EQ(2, max);
  EXPECT_FALSE(camera.GetRange("UseLUT", min, max));  // bool: no range
  EXPECT_EQ(0, min);
  EXPECT_EQ(0, max);
  EXPECT_TRUE(camera.GetProperty("UseLUT", value));
  EXPECT_EQ(0, value);
  EXPECT_FALSE(camera.GetProperty("LUTtable", value));  // text
  EXPECT_TRUE(camera.GetProperty("AcquisitionMode", value));
  EXPECT_EQ(1, value);

  auto wide = std::make_unique<Param<long long>>("Image", "Counter64", 5LL, 0LL, 100LL, 1LL);
  wide->set_attribute("pythonAccess", true);
  p.Add(std::move(wide));
  EXPECT_FALSE(camera.GetProperty("Counter64", value));
  EXPECT_TRUE(camera.SetProperty("Counter64", 42));
  EXPECT_EQ(42, p.Get("Counter64").get_val<long long>());

  // No "pythonAccess": refused.
  EXPECT_FALSE(camera.SetProperty("Width", 100));
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(),
                                  "Camera::SetProperty WARNING: parameter 'Width' is not available in this function"));

  // Gamma is written and pushed, except while the lookup table is in force.
  sim.SimSdk_clearJournal();
  EXPECT_TRUE(camera.SetProperty("Gamma", 2));
  EXPECT_DOUBLE_EQ(2.0, p.Get("Gamma").get_val<double>());
  EXPECT_EQ(1u, sim.JournalOf("Camera_setGammaCorrection").size());
  p.Get("UseLUT").set_val<bool>(true);
  EXPECT_FALSE(camera.SetProperty("Gamma", 1));
  EXPECT_DOUBLE_EQ(2.0, p.Get("Gamma").get_val<double>());
  EXPECT_TRUE(DriverLog::Contains(
      DriverLog::Take(), "Camera::SetProperty WARNING: parameter 'Gamma' is not available while LUT mode enabled"));
  p.Get("UseLUT").set_val<bool>(false);

  // A value the camera refuses is not kept; the push's error line stays.
  EXPECT_TRUE(camera.SetProperty("ExposureDelay", 7));
  sim.SimSdk_failCall("Camera_setExposureDelay", 1005, 0);
  EXPECT_FALSE(camera.SetProperty("ExposureDelay", 9));
  EXPECT_EQ(7, p.Get("ExposureDelay").get_val<int>());
  const auto refused = DriverLog::Take();
  EXPECT_TRUE(
      DriverLog::Contains(refused, "Error setting camera parameter: Camera_setExposureDelay, value=9 error code=1005"));
  EXPECT_TRUE(DriverLog::Contains(
      refused, "Camera::SetProperty ERROR: camera refused parameter 'ExposureDelay', previous value kept, port=1"));

  // An enumerated value no option has keeps the option and still pushes.
  sim.SimSdk_clearJournal();
  EXPECT_TRUE(camera.SetProperty("StrobePolarity", 1));
  EXPECT_TRUE(camera.SetProperty("StrobePolarity", 7));
  EXPECT_TRUE(camera.GetProperty("StrobePolarity", value));
  EXPECT_EQ(1, value);
  const std::string h = std::to_string(camera.Handle());
  EXPECT_EQ(
      (std::vector<std::string>{"Camera_setStrobePolarity(" + h + ",1)", "Camera_setStrobePolarity(" + h + ",1)"}),
      sim.JournalOf("Camera_setStrobePolarity"));
}

TEST_F(PropertiesTest, ResetReopensWithTheStoredSettings) {
  Settings("eco424MVGE", false, [](CameraParameters& p) { SetSize(p, 640, 480, 3); });
  Camera& camera = Mono();
  EXPECT_EQ(320, camera.Width());
  EXPECT_TRUE(camera.SetProperty("reset", 0));
  EXPECT_TRUE(camera.IsOpen());
  EXPECT_EQ(1, camera.Port());
  EXPECT_EQ(320, camera.Width());  // 640 binned 2x2
  EXPECT_EQ(240, camera.Height());
  // A reopening that fails is the answer.
  sim.SimSdk_failCall("Camera_openConnection", 1003, 0);
  EXPECT_FALSE(camera.SetProperty("Reset", 0));
  EXPECT_FALSE(camera.IsOpen());
}

}  // namespace
}  // namespace ecocam::testing
