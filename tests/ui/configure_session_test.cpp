// The dialog's session: question, copy with the log settings, OK and Cancel.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_view.h"
#include "params/params_fixture.h"
#include "ui/configure_session.h"

namespace ecocam::ui {
namespace {

using ecocam::testing::FakeView;
namespace pn = param_name;

class ConfigureSessionTest : public ecocam::testing::ParamsTest {
 protected:
  ConfigureSessionTest() : _camera(CameraInfo{1, "eco424MVGE"}) { _camera.Get(pn::Width).set_max<int>(1280); }

  // What the INI file holds for the camera, read into a fresh set.
  int StoredWidth() {
    CameraParameters stored(CameraInfo{1, "eco424MVGE"});
    stored.Get(pn::Width).set_max<int>(1280);
    stored.Load();
    return stored.Get(pn::Width).get_val<int>();
  }

  CameraParameters _camera;
  FakeView _view;
};

TEST_F(ConfigureSessionTest, TitleCountsPortsFromOne) {
  EXPECT_EQ(ConfigureTitle(-1, "eco424MVGE"), "Configure camera on port #0: eco424MVGE");
  EXPECT_EQ(ConfigureTitle(2, "eco424CVGE"), "Configure camera on port #3: eco424CVGE");
}

TEST_F(ConfigureSessionTest, OkSavesAndReturnsTheEditedCopyWithTheLogSettings) {
  DriverContext& context = DriverContext::GetInstance();
  _view.script = [](CPropertyGeneral& page) {
    FakeView::Edit(page, pn::Width, 640);
    FakeView::Edit(page, pn::LogLevel, 2);
    page.Grid().SelectItem(page.ItemOf(pn::Gamma));
  };
  auto result = ConfigureParameters(_camera, 0, false, _view);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(_view.title, "Configure camera on port #1: eco424MVGE");
  EXPECT_TRUE(_view.questions.empty());
  EXPECT_EQ(result->Get(pn::Width).get_val<int>(), 640);
  EXPECT_EQ(_camera.Get(pn::Width).get_val<int>(), 100);  // the caller assigns
  EXPECT_EQ(StoredWidth(), 640);
  EXPECT_EQ(context.LogLevel.load(), 2);
  EXPECT_EQ(result->Get(pn::LogDebugView).get_val<int>(), 0);  // the context's, not the set's default
  EXPECT_EQ(context.LogDebugView.load(), 0);

  // The next dialog over the assigned set focuses the last item at once.
  _camera = *result;
  FakeView second;
  second.pressOk = false;
  ConfigureParameters(_camera, 0, false, second);
  EXPECT_EQ(second.nameLabel, "Gamma [0.4..2.5]");
}

TEST_F(ConfigureSessionTest, CancelChangesNothing) {
  const int level = DriverContext::GetInstance().LogLevel.load();
  _view.pressOk = false;
  _view.script = [](CPropertyGeneral& page) {
    FakeView::Edit(page, pn::Width, 640);
    FakeView::Edit(page, pn::LogLevel, 1);
  };
  EXPECT_EQ(ConfigureParameters(_camera, 0, false, _view), nullptr);
  EXPECT_EQ(_camera.Get(pn::Width).get_val<int>(), 100);
  EXPECT_EQ(DriverContext::GetInstance().LogLevel.load(), level);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(ConfigureSessionTest, OkIsRefusedWhileTheSetIsInvalid) {
  _view.script = [](CPropertyGeneral& page) { FakeView::Edit(page, pn::Gamma, 9.0); };
  EXPECT_EQ(ConfigureParameters(_camera, 0, false, _view), nullptr);
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

TEST_F(ConfigureSessionTest, PendingGrabAsksFirst) {
  _view.answer = false;
  EXPECT_EQ(ConfigureParameters(_camera, 4, true, _view), nullptr);
  ASSERT_EQ(_view.questions.size(), 1u);
  EXPECT_EQ(_view.questions[0],
            "Configure camera on port #5: eco424MVGE|Configuring camera properties while inspection is "
            "running may cause undesired effects. Continue anyway ?");
  EXPECT_EQ(_view.title, "");  // the sheet never opened

  _view.answer = true;
  EXPECT_NE(ConfigureParameters(_camera, 4, true, _view), nullptr);
  EXPECT_EQ(_view.title, "Configure camera on port #5: eco424MVGE");
}

// An INI file that cannot be written (here: its folder is missing, which
// fails the same way on every platform) is reported, and the user decides.
TEST_F(ConfigureSessionTest, AFailedSaveIsReportedAndTheUserDecides) {
  DriverContext& context = DriverContext::GetInstance();
  context.SetSystemPath((_dir.path() / "missing").string());
  const int level = context.LogLevel.load();
  _view.script = [&](CPropertyGeneral& page) {
    FakeView::Edit(page, pn::Width, 640);
    FakeView::Edit(page, pn::LogLevel, level == 2 ? 3 : 2);
  };
  _log.Take();
  _view.answer = false;
  EXPECT_EQ(ConfigureParameters(_camera, 0, false, _view), nullptr);
  EXPECT_EQ(_view.questions,
            std::vector<std::string>{"Configure camera on port #1: eco424MVGE|" + SaveFailedQuestion(IniPath())});
  EXPECT_EQ(context.LogLevel.load(), level);  // dropped: nothing applied
  const std::string report = "CameraParameters::Save: ERROR: cannot write the configuration file " + IniPath() +
                             ", section=eco424MVGE key=Width";
  std::vector<std::string> lines = _log.Take();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), report), 1);  // the first key only
  EXPECT_FALSE(std::filesystem::exists(IniPath()));

  _view.questions.clear();
  _view.answer = true;
  auto result = ConfigureParameters(_camera, 0, false, _view);
  ASSERT_NE(result, nullptr);  // used unsaved
  EXPECT_EQ(_view.questions.size(), 1u);
  EXPECT_EQ(result->Get(pn::Width).get_val<int>(), 640);
  EXPECT_NE(context.LogLevel.load(), level);
  context.LogLevel = level;
}

TEST_F(ConfigureSessionTest, WithoutAPlatformDialogNothingHappens) {
  if (CreateConfigureView(nullptr) != nullptr) GTEST_SKIP() << "this platform has a dialog";
  _log.Take();
  EXPECT_EQ(ConfigureParametersInDialog(_camera, 0, true, nullptr), nullptr);
  // A view that could not start (no display, say) logs why before this line.
  const std::vector<std::string> lines = _log.Take();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Camera::Configure: ERROR: no configuration dialog is available on this platform");
  EXPECT_FALSE(std::filesystem::exists(IniPath()));
}

}  // namespace
}  // namespace ecocam::ui
