// configureCamera where the sheet cannot be shown: no DISPLAY, a display
// that cannot be reached, a driver whose folder lacks the dialog library.
// Each answers 1 (nothing confirmed) with a level-1 line, and the host goes
// on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ecocam/ecocam.h"
#include "platform/dynamic_library.h"
#include "simsdk/sim_sdk_fixture.h"
#include "support/temp_dir.h"
#include "ui_wx/driver_log.h"

namespace ecocam::testing {
namespace {

namespace fs = std::filesystem;

// A display number no server listens on.
constexpr char kDeadDisplay[] = ":64999";

class NoDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete());
    sim.SimSdk_reset();  // eco424MVGE and eco424CVGE
    MessageLog::Clear();
  }
  std::string Ini() const {
    std::ifstream in(dir.path() / "SVS-Vistek.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir;
  SimSdk sim;
};

TEST_F(NoDisplayTest, ConfigureCameraAnswersOneAndLogsWhyWhenNoSheetCanBeShown) {
  ASSERT_EQ(initialize(dir.path().string().c_str(), &MessageLog::Capture), 1);
  {
    ScopedEnv display("DISPLAY", nullptr);
    EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 1);
    EXPECT_TRUE(MessageLog::Has("Camera::Configure: ERROR: no display (DISPLAY is not set), the configuration "
                                "dialog cannot be shown"))
        << MessageLog::All();
    EXPECT_TRUE(MessageLog::Has("configureCamera: leaving cameraName=eco424MVGE"));
  }
  {
    // wx fails to connect; it is not tried again in this process.
    ScopedEnv display("DISPLAY", kDeadDisplay);
    MessageLog::Clear();
    EXPECT_EQ(configureCamera(reinterpret_cast<void*>(0x1234), "eco424MVGE"), 1);
    EXPECT_TRUE(MessageLog::Has(std::string("Camera::Configure: ERROR: cannot open the display \"") + kDeadDisplay))
        << MessageLog::All();
    MessageLog::Clear();
    EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 1);
    EXPECT_TRUE(MessageLog::Has("Camera::Configure: ERROR: wxWidgets could not start on this display earlier"))
        << MessageLog::All();
  }
  // Nothing was confirmed, so nothing was stored; the driver still works.
  EXPECT_EQ(Ini().find("Width"), std::string::npos);
  EXPECT_EQ(configureCamera(nullptr, "no such camera"), 0);
  EXPECT_EQ(getCVLNoOfSupportedCameras(), 2);
  EXPECT_EQ(finalize(), 1);
}

TEST_F(NoDisplayTest, ADriverWithoutTheDialogLibraryBesideItLogsThePathItTried) {
  // A copy of the driver in a folder of its own, with the simulated SDK
  // beside it and no dialog library.
  const fs::path folder = dir.path() / "driver";
  fs::create_directories(folder);
  fs::copy_file(ECOCAM_DRIVER_FILE, folder / "libecocam.so");
  fs::create_symlink(ECOCAM_SDK_FILE, folder / fs::path(ECOCAM_SDK_FILE).filename());

  // Kept loaded to the end: the copy's wait thread and log outlive the test.
  static auto* const library = new platform::DynamicLibrary;
  platform::DynamicLibrary& driver = *library;
  ASSERT_TRUE(driver.Load((folder / "libecocam.so").c_str())) << driver.LastError();
  auto init = reinterpret_cast<decltype(&initialize)>(driver.Resolve("initialize"));
  auto configure = reinterpret_cast<decltype(&configureCamera)>(driver.Resolve("configureCamera"));
  auto fini = reinterpret_cast<decltype(&finalize)>(driver.Resolve("finalize"));
  ASSERT_TRUE(init && configure && fini);

  ScopedEnv display("DISPLAY", kDeadDisplay);
  ASSERT_EQ(init(dir.path().string().c_str(), &MessageLog::Capture), 1);
  EXPECT_EQ(configure(nullptr, "eco424MVGE"), 1);
  EXPECT_TRUE(MessageLog::Has("Camera::Configure: ERROR: cannot load the configuration dialog library " +
                              (folder / "libecocam-ui-wx.so").string() + ": "))
      << MessageLog::All();
  EXPECT_EQ(fini(), 1);
}

}  // namespace
}  // namespace ecocam::testing
