// camhost's live view window (wxWidgets) on a virtual display of its own,
// in this process, over the driver and the simulated SDK: camhost's wxApp
// runs once for all tests, each test shows the window over a fresh
// ViewSession and drives it the way a user would (buttons, keys, the
// number fields), in steps run from a timer inside the window's loop.
//
// The screenshots come from the X server (import -window root): what the
// window drew, not the frame in memory. The grey one is left in the build's
// bin folder as camhost_view_wx.png.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/propgrid/propgrid.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/tglbtn.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "png_read.h"
#include "shown_picture.h"
#include "sim_control.h"
#include "support/temp_dir.h"
#include "ui/wx/sheet_dialog.h"
#include "ui_wx/scoped_env.h"
#include "ui_wx/xvfb.h"
#include "view_picture.h"
#include "view_session.h"
#include "wx/view_wx.h"

namespace camhost::testing {
namespace {

using ecocam::testing::ScopedEnv;
using ecocam::testing::TempDir;
using ecocam::testing::Xvfb;

// One display and one start of wx for the whole process.
class WxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    _server = std::make_unique<Xvfb>();
    ASSERT_FALSE(_server->Display().empty()) << "Xvfb did not start";
    _display = std::make_unique<ScopedEnv>("DISPLAY", _server->Display().c_str());
    _started = wxview::StartWx();
    ASSERT_TRUE(_started) << "wx did not start";
  }
  void TearDown() override {
    if (_started) wxview::StopWx();
    _display.reset();
    _server.reset();
  }

 private:
  std::unique_ptr<Xvfb> _server;
  std::unique_ptr<ScopedEnv> _display;
  bool _started = false;
};
::testing::Environment* const gWx = ::testing::AddGlobalTestEnvironment(new WxEnvironment);

using Image = ShownPicture;

// The whole screen as the X server has it.
Image Screenshot(const std::string& path) {
  Image image;
  if (std::system(("import -window root " + path).c_str()) != 0) return image;
  Png png = ReadPng(path, 3);
  image.width = png.width;
  image.height = png.height;
  image.rgb = std::move(png.pixels);
  return image;
}

template <typename T>
T* Find(wxWindow& parent, const std::string& name) {
  return dynamic_cast<T*>(wxWindow::FindWindowByName(wxString::FromUTF8(name), &parent));
}

void Click(wxWindow* control, wxEventType type) {
  ASSERT_NE(control, nullptr);
  wxCommandEvent click(type, control->GetId());
  click.SetEventObject(control);
  control->GetEventHandler()->ProcessEvent(click);
}

void Key(wxWindow& window, int code) {
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = code;
  key.SetEventObject(&window);
  window.GetEventHandler()->ProcessEvent(key);
}

// Steps over the shown window, one per timer tick; a step returns false to
// be run again at the next tick (waiting for something). The whole script
// is bounded: past its time limit the window is closed and the test fails.
class Script : public wxEvtHandler {
 public:
  using Step = std::function<bool(wxFrame&)>;
  explicit Script(std::vector<Step> steps) : _steps(std::move(steps)), _timer(this) {
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
  }
  void Begin(wxFrame& frame) {
    _frame = &frame;
    _until = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    _timer.Start(50);
  }
  bool Finished() const { return _next == _steps.size(); }
  std::size_t Reached() const { return _next; }

 private:
  void Tick() {
    if (_running || _frame == nullptr) return;
    _running = true;
    if (std::chrono::steady_clock::now() > _until) {
      _timer.Stop();
      _frame->Close();
    } else if (_next < _steps.size() && _steps[_next](*_frame)) {
      if (++_next == _steps.size()) _timer.Stop();
    }
    _running = false;
  }

  std::vector<Step> _steps;
  wxTimer _timer;
  wxFrame* _frame = nullptr;
  std::size_t _next = 0;
  bool _running = false;
  std::chrono::steady_clock::time_point _until;
};

class ViewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete());
    sim.SimSdk_reset();
  }

  std::unique_ptr<ViewSession> Open(const std::string& camera, std::vector<std::string> ini, GrabMode mode) {
    CommonOptions common;
    common.systemPath = (dir.path() / "system").string();
    common.iniKeys = std::move(ini);
    ViewOptions options;
    options.camera = camera;
    options.mode = mode;
    options.outDir = (dir.path() / "out").string();
    auto view = std::make_unique<ViewSession>(common, options);
    EXPECT_EQ(view->Start(), kExitOk);
    return view;
  }

  void Run(ViewSession& view, Script& script) {
    wxview::ShowViewWindow(view, [&](wxFrame& frame) { script.Begin(frame); });
    EXPECT_TRUE(script.Finished()) << "the script stopped at step " << script.Reached();
  }

  std::string Ini() const {
    std::ifstream file(dir.path() / "system" / "SVS-Vistek.ini");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  // Steps: wait for frames, pause, let the last frame settle, check the
  // picture is at 1:1, take the screenshot and hand the picture's pixels
  // to `check`, close with q.
  std::vector<Script::Step> PictureSteps(ViewSession& view, const std::string& shot,
                                         std::function<void(const Image&, int, int)> check) {
    auto settled = std::make_shared<int>(0);
    auto last = std::make_shared<long long>(-1);
    return {
        // Running for a second, so the status bar has its rates.
        [&view](wxFrame&) { return view.Stats().receivedPerSecond > 0 && view.Frames().Front().number > 0; },
        [](wxFrame& f) {
          auto* pause = Find<wxToggleButton>(f, wxview::kPauseName);
          EXPECT_NE(pause, nullptr);
          if (pause == nullptr) return true;
          pause->SetValue(true);
          Click(pause, wxEVT_TOGGLEBUTTON);
          return true;
        },
        // Half a second without a new frame picked up.
        [&view, settled, last](wxFrame&) {
          const long long now = view.Frames().Front().number;
          *settled = now == *last ? *settled + 1 : 0;
          *last = now;
          return *settled >= 10;
        },
        [&view, shot, check](wxFrame& f) {
          wxWindow* picture = Find<wxWindow>(f, wxview::kPictureName);
          EXPECT_NE(picture, nullptr);
          if (picture == nullptr) return true;
          const ViewFrame& frame = view.Frames().Front();
          const wxSize area = picture->GetClientSize();
          const Placement at = FitInside(frame.width, frame.height, area.GetWidth(), area.GetHeight());
          EXPECT_EQ(at.width, frame.width) << "the picture is not drawn at 1:1";
          EXPECT_EQ(at.height, frame.height);
          f.Update();
          wxYield();
          const Image screen = Screenshot(shot);
          EXPECT_GT(screen.width, 0) << "no screenshot";
          const wxPoint origin = picture->GetScreenPosition();
          if (screen.width > 0) check(screen, origin.x + at.x, origin.y + at.y);
          // The window alone, for the README.
          const wxRect r = f.GetScreenRect();
          std::system(("import -window root -crop " + std::to_string(r.width) + "x" + std::to_string(r.height) + "+" +
                       std::to_string(r.x) + "+" + std::to_string(r.y) + " +repage " + shot)
                          .c_str());
          return true;
        },
        [](wxFrame& f) {
          Key(f, 'q');
          return true;
        },
    };
  }

  SimControl sim;
  TempDir dir;
};

TEST_F(ViewWindowTest, TheGreyPictureAtOneToOneIsTheTestPatternPixelForPixel) {
  auto view = Open("eco424MVGE", {"Width=480", "Height=360", "FrameRate=30"}, GrabMode::kContinuous);
  const std::string shot = (std::filesystem::current_path() / "camhost_view_wx.png").string();
  int wrong = -1;
  Script script(PictureSteps(*view, shot, [&](const Image& screen, int x0, int y0) {
    wrong = GreyPatternMismatches(screen, x0, y0, 480, 360);
  }));
  Run(*view, script);
  EXPECT_EQ(wrong, 0) << "pixels differing from the test pattern";
  EXPECT_TRUE(std::filesystem::exists(shot));
}

TEST_F(ViewWindowTest, TheColourPictureAtOneToOneIsTheDemosaicedTestPatternPixelForPixel) {
  auto view = Open("eco424CVGE", {"Width=480", "Height=360", "FrameRate=30", "BayerMethod=None"}, GrabMode::kSingle);
  const std::string shot = (std::filesystem::current_path() / "camhost_view_wx_colour.png").string();
  bool matched = false;
  Script script(PictureSteps(
      *view, shot, [&](const Image& screen, int x0, int y0) { matched = IsColourPattern(screen, x0, y0, 480, 360); }));
  Run(*view, script);
  EXPECT_TRUE(matched) << "the picture is no demosaiced test pattern";
}

TEST_F(ViewWindowTest, AnExposureTimeTypedIntoItsFieldReachesTheCamera) {
  auto view = Open("eco424MVGE", {"Width=160", "Height=120", "FrameRate=30"}, GrabMode::kContinuous);
  Script script({
      [&](wxFrame& f) {
        sim.SimSdk_clearJournal();
        auto* field = Find<wxSpinCtrl>(f, std::string("ExposureTime") + wxview::kValueSuffix);
        EXPECT_NE(field, nullptr);
        if (field == nullptr) return true;
        field->SetValue(2500);
        wxSpinEvent changed(wxEVT_SPINCTRL, field->GetId());
        changed.SetEventObject(field);
        changed.SetPosition(2500);
        field->GetEventHandler()->ProcessEvent(changed);
        return true;
      },
      [&](wxFrame& f) {
        int value = 0;
        EXPECT_EQ(view->Driver().getProperty(0, 0, "ExposureTime", &value), 1);
        EXPECT_EQ(value, 2500);
        const std::vector<std::string> sent = sim.JournalOf("Camera_setExposureTime");
        EXPECT_FALSE(sent.empty());
        if (!sent.empty()) {
          EXPECT_NE(sent.back().find(",2500)"), std::string::npos) << sent.back();
        }
        // The slider follows the value the camera has.
        auto* slider = Find<wxSlider>(f, std::string("ExposureTime") + wxview::kSliderSuffix);
        EXPECT_NE(slider, nullptr);
        if (slider != nullptr) {
          EXPECT_EQ(slider->GetValue(), 2500);
        }
        Key(f, WXK_ESCAPE);
        return true;
      },
  });
  Run(*view, script);
}

TEST_F(ViewWindowTest, ConfigureShowsTheSheetInCamhostsAppOverTheViewAndOkSavesAndReopens) {
  auto view = Open("eco424MVGE", {"Width=160", "Height=120", "FrameRate=30"}, GrabMode::kContinuous);
  bool sheetSeen = false;
  Script script({
      [&](wxFrame&) { return view->Frames().Front().number > 0; },
      [&](wxFrame& f) {
        EXPECT_EQ(wxTheApp->GetAppName(), "camhost");
        // From the window's own queue, so the timer is free to run the
        // next steps inside the sheet's modal loop.
        f.CallAfter([&f] { Click(Find<wxButton>(f, wxview::kConfigureName), wxEVT_BUTTON); });
        return true;
      },
      [&](wxFrame& f) {
        wxDialog* sheet = nullptr;
        for (wxWindow* w : wxTopLevelWindows) {
          auto* d = dynamic_cast<wxDialog*>(w);
          if (d != nullptr && d->IsModal()) sheet = d;
        }
        if (sheet == nullptr) return false;
        sheetSeen = true;
        EXPECT_EQ(sheet->GetParent(), &f) << "the sheet is not owned by the view";
        auto* grid = dynamic_cast<wxPropertyGrid*>(wxWindow::FindWindowByName(ecocam::ui::wxview::kGridName, sheet));
        EXPECT_NE(grid, nullptr);
        if (grid != nullptr) grid->ChangePropertyValue("Width", wxVariant(96L));
        return true;
      },
      [&](wxFrame&) {
        for (wxWindow* w : wxTopLevelWindows) {
          auto* d = dynamic_cast<wxDialog*>(w);
          if (d != nullptr && d->IsModal()) Click(d->FindWindow(wxID_OK), wxEVT_BUTTON);
        }
        return true;
      },
      // After OK the camera is reopened with the saved width.
      [&](wxFrame&) { return view->Frames().Front().width == 96 && view->Frames().Front().number > 0; },
      [&](wxFrame& f) {
        EXPECT_NE(Ini().find("Width=96"), std::string::npos) << Ini();
        auto* status = f.GetStatusBar();
        EXPECT_NE(std::string(status->GetStatusText(wxview::kFieldMessage).utf8_str()).find("opened again"),
                  std::string::npos);
        Key(f, 'q');
        return true;
      },
  });
  Run(*view, script);
  EXPECT_TRUE(sheetSeen);
}

std::set<std::string> Threads() {
  std::set<std::string> ids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    ids.insert(entry.path().filename().string());
  }
  return ids;
}

std::string ThreadName(const std::string& id) {
  std::ifstream comm("/proc/self/task/" + id + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

TEST_F(ViewWindowTest, ClosingWhileFramesArriveClosesTheCameraAndLeavesNoThread) {
  const std::set<std::string> before = Threads();
  {
    auto view = Open("eco424MVGE", {"FrameRate=60"}, GrabMode::kContinuous);
    Script script({
        [&](wxFrame&) { return view->Stats().received >= 20; },
        [&](wxFrame& f) {
          Key(f, WXK_ESCAPE);
          return true;
        },
    });
    Run(*view, script);
    // Closed by the window, not yet finalized.
    EXPECT_EQ(sim.SimSdk_getChannelCount(), 0);
    // The core's tests count frames exactly on a drained stream.
    sim.ExpectEveryImageBack(view->Stats().received);
  }
  sim.ExpectNothingLive();
  // GLib's own helpers may start with the first window; nothing else may stay.
  for (const std::string& id : Threads()) {
    if (before.count(id) != 0) continue;
    const std::string name = ThreadName(id);
    const bool glib = name.rfind("gmain", 0) == 0 || name.rfind("gdbus", 0) == 0 || name.rfind("pool", 0) == 0 ||
                      name.rfind("dconf", 0) == 0;
    EXPECT_TRUE(glib) << "thread " << id << " (" << name << ") still runs";
  }
}

}  // namespace
}  // namespace camhost::testing
