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
#include "support/host_session.h"
#include "ui_wx/scoped_env.h"

namespace ecocam::testing {
namespace {

namespace fs = std::filesystem;

// A display number no server listens on.
constexpr char kDeadDisplay[] = ":64999";

// The simulation's two cameras, eco424MVGE and eco424CVGE.
class NoDisplayTest : public HostSessionTest {
 protected:
  std::string Ini() const {
    std::ifstream in(dir.path() / "SVS-Vistek.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(NoDisplayTest, ConfigureCameraAnswersOneAndLogsWhyWhenNoSheetCanBeShown) {
  ASSERT_EQ(initialize(dir.path().string().c_str(), &HostLog::Procedure), 1);
  {
    ScopedEnv display("DISPLAY", nullptr);
    EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 1);
    EXPECT_TRUE(
        HostLog::Has("Camera::Configure: ERROR: no display (DISPLAY is not set), the configuration "
                     "dialog cannot be shown"))
        << HostLog::All();
    EXPECT_TRUE(HostLog::Has("configureCamera: leaving cameraName=eco424MVGE"));
  }
  {
    // wx fails to connect; it is not tried again in this process.
    ScopedEnv display("DISPLAY", kDeadDisplay);
    HostLog::Clear();
    EXPECT_EQ(configureCamera(reinterpret_cast<void*>(0x1234), "eco424MVGE"), 1);
    EXPECT_TRUE(HostLog::Has(std::string("Camera::Configure: ERROR: cannot open the display \"") + kDeadDisplay))
        << HostLog::All();
    HostLog::Clear();
    EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 1);
    EXPECT_TRUE(HostLog::Has("Camera::Configure: ERROR: wxWidgets could not start on this display earlier"))
        << HostLog::All();
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
  ASSERT_EQ(init(dir.path().string().c_str(), &HostLog::Procedure), 1);
  EXPECT_EQ(configure(nullptr, "eco424MVGE"), 1);
  EXPECT_TRUE(HostLog::Has("Camera::Configure: ERROR: cannot load the configuration dialog library " +
                           (folder / "libecocam-ui-wx.so").string() + ": "))
      << HostLog::All();
  EXPECT_EQ(fini(), 1);
}

}  // namespace
}  // namespace ecocam::testing
