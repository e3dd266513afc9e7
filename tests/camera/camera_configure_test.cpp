// Camera::Configure over a scripted view: what the sheet starts from, when it
// is not shown at all, and what OK and Cancel leave behind.
#include "camera/camera_list.h"
#include "camera_fixture.h"
#include "ui/fake_view.h"

namespace ecocam::testing {
namespace {

class CameraConfigureTest : public CameraFixture {
 protected:
  void SetUp() override {
    CameraFixture::SetUp();
    Settings("eco424MVGE", false, [](CameraParameters& p) { SetSize(p, 320, 240, 0); });
    ASSERT_TRUE(CameraList::GetInstance().Init());
    DriverLog::Take();
  }
  void TearDown() override {
    CameraList::DestroyInstance();
    CameraFixture::TearDown();
  }
  Camera& Mono() { return CameraList::GetInstance().GetByName("eco424MVGE"); }
  int StoredWidth() {
    CameraParameters stored(CameraInfo{1, "eco424MVGE"});
    stored.Load();
    return stored.Get("Width").get_val<int>();
  }
  FakeView _view;
};

TEST_F(CameraConfigureTest, NeverOpenedCameraStartsFromItsStoredSectionAndLimits) {
  int shownWidth = 0;
  _view.script = [&](ui::CPropertyGeneral& page) { page.Grid().GetItemValue(page.ItemOf("Width"), shownWidth); };
  EXPECT_TRUE(Mono().Configure(_view));
  EXPECT_TRUE(_view.okEnabled) << _view.status;
  EXPECT_EQ(320, shownWidth) << "the stored value, not the catalogue's";
  EXPECT_EQ(320, StoredWidth()) << "OK without edits keeps the stored section";
  EXPECT_EQ(320, Mono().CopyParameters().Get("Width").get_val<int>());
  EXPECT_EQ(656, Mono().CopyParameters().Get("Width").get_max<int>())
      << "the imager's width, read through a short connection";
  EXPECT_EQ(1u, sim.JournalOf("Camera_closeConnection").size()) << "the short connection is closed again";
  EXPECT_TRUE(_view.messages.empty());
}

// A camera that refuses the connection (in use by another program, say)
// gets no sheet; a message box over the host's window tells the user which
// camera, why, and what the SDK said.
TEST_F(CameraConfigureTest, NoConnectionShowsAMessageInsteadOfTheSheetAndSavesNothing) {
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_openConnection", simsdk::kAlreadyConnected, 0));
  EXPECT_FALSE(Mono().Configure(_view));
  EXPECT_TRUE(_view.title.empty()) << "the sheet was shown";
  ASSERT_EQ(1u, _view.messages.size());
  EXPECT_EQ(
      "Configure camera on port #0: eco424MVGE|The camera eco424MVGE could not be reached, so its limits "
      "could not be read and its settings cannot be shown.\n\nThe camera SDK reported: camera already "
      "connected (error 1004).\n\nThe camera may be in use by another program, switched off or "
      "disconnected.",
      _view.messages[0]);
  EXPECT_EQ(320, StoredWidth());
  const auto lines = DriverLog::Take();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Camera::Configure: ERROR: cannot read the camera's limits", 0) == 0;
  }));
  EXPECT_TRUE(DriverLog::Contains(lines, "Camera::Configure: leaving"));
}

TEST_F(CameraConfigureTest, OkSavesAndReplacesTheSetCancelChangesNothing) {
  int width = 0;
  int height = 0;
  ASSERT_TRUE(Mono().Open(0, width, height));
  sim.SimSdk_clearJournal();

  _view.pressOk = false;
  _view.script = [](ui::CPropertyGeneral& page) { FakeView::Edit(page, "Width", 400); };
  EXPECT_FALSE(Mono().Configure(_view));
  EXPECT_EQ(320, Mono().CopyParameters().Get("Width").get_val<int>());
  EXPECT_EQ(320, StoredWidth());

  _view.pressOk = true;
  EXPECT_TRUE(Mono().Configure(_view));
  EXPECT_EQ("Configure camera on port #1: eco424MVGE", _view.title);
  EXPECT_EQ(400, Mono().CopyParameters().Get("Width").get_val<int>());
  EXPECT_EQ(400, StoredWidth());
  EXPECT_EQ(320, Mono().Width()) << "the open camera keeps its running size until the next open";
  EXPECT_TRUE(sim.JournalOf("Camera_openConnection").empty()) << "an opened camera needs no connection";
  Mono().Close();
}

}  // namespace
}  // namespace ecocam::testing
