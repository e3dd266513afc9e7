// The wxWidgets sheet on a virtual display, opened twice in one process
// through the exported configureCamera against the simulated SDK, and
// driven the way a user would: values changed through the property grid
// (which sends the grid's change event), OK and Cancel pressed.
//
// The steps run from a GLib timer inside the sheet's modal loop (GTK's main
// loop is GLib's), one step per tick so the sheet repaints in between. A
// screenshot of the sheet showing a validation message is left in the
// build's bin folder as configure_sheet_wx.png.
#include <gtest/gtest.h>

#include <glib.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/propgrid/propgrid.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"
#include "imaging/pixel_conversion.h"
#include "simsdk_pattern.h"
#include "support/host_session.h"
#include "ui/wx/sheet_dialog.h"
#include "ui_wx/scoped_env.h"
#include "ui_wx/host_window.h"
#include "ui_wx/xvfb.h"

namespace ecocam::testing {
namespace {

namespace names = ui::wxview;

// One virtual display for the whole process: wx connects once.
class XvfbEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    _server = std::make_unique<Xvfb>();
    ASSERT_FALSE(_server->Display().empty()) << "Xvfb did not start";
    _display = std::make_unique<ScopedEnv>("DISPLAY", _server->Display().c_str());
  }
  void TearDown() override {
    _display.reset();
    _server.reset();
  }
  static std::string Display() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr ? display : "";
  }

 private:
  std::unique_ptr<Xvfb> _server;
  std::unique_ptr<ScopedEnv> _display;
};
::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

// What a step sees of the sheet.
struct Sheet {
  wxDialog& dialog;
  wxPropertyGrid& grid;
  wxButton& ok;
  wxButton& cancel;
  wxStatusBar& status;
  wxStaticText& name;

  // Selects the property as a click on its row would.
  void Focus(const wxString& property) {
    wxPGProperty* p = grid.GetPropertyByName(property);
    ASSERT_NE(p, nullptr);
    grid.SelectProperty(p, true);
    wxPropertyGridEvent selected(wxEVT_PG_SELECTED, grid.GetId());
    selected.SetPropertyGrid(&grid);
    selected.SetProperty(p);
    selected.SetEventObject(&grid);
    grid.GetEventHandler()->ProcessEvent(selected);
  }
  std::string Status() const { return std::string(status.GetStatusText().utf8_str()); }
};

template <typename T>
T* Find(wxWindow& parent, const char* name) {
  return wxDynamicCast(wxWindow::FindWindowByName(name, &parent), T);
}

std::optional<Sheet> SheetOf(wxDialog& dialog) {
  auto* grid = Find<wxPropertyGrid>(dialog, names::kGridName);
  auto* ok = wxDynamicCast(dialog.FindWindow(wxID_OK), wxButton);
  auto* cancel = wxDynamicCast(dialog.FindWindow(wxID_CANCEL), wxButton);
  auto* status = Find<wxStatusBar>(dialog, names::kStatusBarName);
  auto* name = Find<wxStaticText>(dialog, names::kNameLabelName);
  if (!grid || !ok || !cancel || !status || !name) return std::nullopt;
  return Sheet{dialog, *grid, *ok, *cancel, *status, *name};
}

// Clicks the dialog's button `id` as the user would.
void Press(wxDialog& dialog, int id) {
  auto* button = wxDynamicCast(dialog.FindWindow(id), wxButton);
  ASSERT_NE(button, nullptr);
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// The dialog of this driver shown now (sheet or question: both carry the
// sheet's title).
wxDialog* ShownDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = wxDynamicCast(window, wxDialog);
    if (dialog != nullptr && dialog->IsShown() && dialog->GetTitle().StartsWith("Configure camera on port #")) {
      return dialog;
    }
  }
  return nullptr;
}

// Steps run one per tick while a dialog is shown; the last one ends it.
class Script {
 public:
  using Step = std::function<void(wxDialog&)>;
  explicit Script(std::vector<Step> steps) : _steps(std::move(steps)) {
    _source = g_timeout_add(150, &Script::Tick, this);
  }
  ~Script() {
    if (_source != 0) g_source_remove(_source);
  }
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;
  bool Finished() const { return _next == _steps.size(); }
  const std::string& Failure() const { return _failure; }

 private:
  static gboolean Tick(gpointer data) {
    auto* self = static_cast<Script*>(data);
    wxDialog* dialog = wxTheApp != nullptr ? ShownDialog() : nullptr;
    if (++self->_ticks > 200) {  // 30 s: never leave the test hanging
      self->_failure = "the dialog did not go through the steps in time";
      if (dialog != nullptr) dialog->EndModal(wxID_CANCEL);
      self->_source = 0;
      return G_SOURCE_REMOVE;
    }
    if (dialog == nullptr) return G_SOURCE_CONTINUE;
    self->_steps[self->_next++](*dialog);
    if (!self->Finished()) return G_SOURCE_CONTINUE;
    self->_source = 0;
    return G_SOURCE_REMOVE;
  }

  std::vector<Step> _steps;
  std::size_t _next = 0;
  int _ticks = 0;
  std::string _failure;
  guint _source = 0;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class WxSheetTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();  // eco424MVGE and eco424CVGE
    if (HasFatalFailure()) return;
    ASSERT_EQ(initialize(dir.path().string().c_str(), &HostLog::Procedure), 1);
  }
  void TearDown() override {
    HostSessionTest::TearDown();
    // Whatever went wrong, no wx assertion and no error was logged.
    EXPECT_FALSE(HostLog::Has("Camera::Configure: WARNING: wx assertion")) << HostLog::All();
    EXPECT_FALSE(HostLog::Has("Camera::Configure: ERROR")) << HostLog::All();
  }
  std::string Ini() const { return ReadFile(dir.path() / "SVS-Vistek.ini"); }
};

TEST_F(WxSheetTest, TheSheetValidatesEditsSavesOnOkAndForgetsOnCancel) {
  const std::string screenshot = (std::filesystem::current_path() / "configure_sheet_wx.png").string();

  // First: an invalid Width, then a valid one, then OK.
  Script first({
      [](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_EQ(d.GetTitle(), "Configure camera on port #0: eco424MVGE");
        EXPECT_TRUE(d.IsModal());
        EXPECT_TRUE(s->ok.IsEnabled());
        EXPECT_EQ(s->Status(), "");
        EXPECT_EQ(s->name.GetLabel(), "(Name)");
        ASSERT_NE(s->grid.GetPropertyByName("Width"), nullptr);
        EXPECT_TRUE(s->grid.GetPropertyByName("Width")->GetParent()->IsCategory());
        s->grid.ChangePropertyValue("Width", wxVariant(100000L));
      },
      [](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_FALSE(s->ok.IsEnabled());
        EXPECT_EQ(s->Status().rfind("Width + OffsetX = 100000, which is more than maxWidth= ", 0), 0u) << s->Status();
        // The grid shows the width the page corrected in the set.
        EXPECT_NE(s->grid.GetPropertyValueAsString("Width"), "100000");
        // OK cannot confirm an invalid set, however it is pressed.
        Press(d, wxID_OK);
        EXPECT_TRUE(d.IsModal());
        s->Focus("Width");
        EXPECT_EQ(std::string(s->name.GetLabel().utf8_str()).rfind("Width [1..", 0), 0u);
      },
      [&](wxDialog& d) {
        d.Update();
        EXPECT_EQ(std::system(("import -window root " + screenshot).c_str()), 0);
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        s->grid.ChangePropertyValue("Width", wxVariant(640L));
      },
      [](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_TRUE(s->ok.IsEnabled());
        EXPECT_EQ(s->Status(), "");
        Press(d, wxID_OK);
      },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 0) << HostLog::All();
  EXPECT_TRUE(first.Finished());
  EXPECT_EQ(first.Failure(), "");
  EXPECT_NE(Ini().find("Width=640"), std::string::npos) << Ini();
  EXPECT_TRUE(std::filesystem::exists(screenshot));

  // Second, owned by a host window: the focus of last time comes back, an
  // edit is made and the sheet is cancelled.
  HostWindow host(XvfbEnvironment::Display());
  ASSERT_NE(host.Id(), 0u);
  Script second({
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_EQ(host.TransientChildren(), 1);
        ASSERT_NE(s->grid.GetSelection(), nullptr);
        EXPECT_EQ(s->grid.GetSelection()->GetName(), "Width");
        EXPECT_EQ(s->grid.GetPropertyValueAsLong("Width"), 640);
        s->grid.ChangePropertyValue("Width", wxVariant(320L));
      },
      [](wxDialog& d) { Press(d, wxID_CANCEL); },
  });
  const auto parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(host.Id()));
  EXPECT_EQ(configureCamera(parent, "eco424MVGE"), 1) << HostLog::All();
  EXPECT_TRUE(second.Finished());
  EXPECT_EQ(second.Failure(), "");
  EXPECT_NE(Ini().find("Width=640"), std::string::npos) << Ini();
}

// A width the parameter cannot hold: the grid shows the width OK would save
// again, and the status bar says the value was not taken.
TEST_F(WxSheetTest, AValueTheParameterCannotTakeIsShownBack) {
  wxString before;
  Script script({
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        before = s->grid.GetPropertyValueAsString("Width");
        s->grid.ChangePropertyValue("Width", wxVariant(3000000000L));
      },
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->grid.GetPropertyValueAsString("Width"), before);
        EXPECT_EQ(s->Status(), "Width: the value 3000000000 was not taken; it stays " + before.ToStdString());
        EXPECT_TRUE(s->ok.IsEnabled());
        Press(d, wxID_OK);
      },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 0) << HostLog::All();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(script.Failure(), "");
  EXPECT_TRUE(HostLog::Has("CPropertyGeneral::OnItemChanged: ERROR: Exception occured")) << HostLog::All();
  EXPECT_NE(Ini().find("Width=" + before.ToStdString()), std::string::npos) << Ini();
}

// A camera that refuses the connection (in use by another program, say):
// instead of the sheet, an error box owned by the host's window names the
// camera, says its limits could not be read and gives the SDK's text.
TEST_F(WxSheetTest, ACameraThatCannotBeReachedIsReportedInAMessageBoxOverTheHostWindow) {
  HostWindow host(XvfbEnvironment::Display());
  ASSERT_NE(host.Id(), 0u);
  ASSERT_EQ(0, sim.SimSdk_failCall("Camera_openConnection", simsdk::kAlreadyConnected, 0));
  std::string text;
  bool errorIcon = false;
  int transient = -1;
  Script script({
      [&](wxDialog& d) {
        EXPECT_FALSE(SheetOf(d));
        EXPECT_EQ(d.GetTitle(), "Configure camera on port #0: eco424MVGE");
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(&d)) {
          text = std::string(box->GetMessage().utf8_str());
          errorIcon = (box->GetMessageDialogStyle() & wxICON_ERROR) != 0;
        }
        transient = host.TransientChildren();
        Press(d, wxID_OK);
      },
  });
  const auto parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(host.Id()));
  EXPECT_EQ(configureCamera(parent, "eco424MVGE"), 1) << HostLog::All();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(script.Failure(), "");
  EXPECT_EQ(transient, 1);
  EXPECT_TRUE(errorIcon);
  EXPECT_NE(text.find("The camera eco424MVGE could not be reached, so its limits could not be read"), std::string::npos)
      << text;
  EXPECT_NE(text.find("camera already connected (error 1004)"), std::string::npos) << text;
  EXPECT_NE(text.find("in use by another program"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "SVS-Vistek.ini"));
  EXPECT_TRUE(HostLog::Has("Camera::Configure: ERROR: cannot read the camera's limits")) << HostLog::All();
  HostLog::Clear();  // the expected error, not one for TearDown to find
}

std::atomic<int> gFrames{0};
int ECOCAM_CALL CountFrame(int, int) { return ++gFrames; }

// Through the exports: the sheet confirmed for an open colour camera
// changes the demosaicing from the very next frame.
TEST_F(WxSheetTest, ABayerMethodConfirmedForAnOpenCameraAppliesToTheNextFrame) {
  std::ofstream(dir.path() / "SVS-Vistek.ini") << "[eco424CVGE]\nAcquisitionMode=Software trigger\n"
                                                  "BayerMethod=HQLinear\nWidth=656\nHeight=490\n";
  int size[2] = {0, 0};
  ASSERT_EQ(openCVLPort(0, 0, "eco424CVGE", size), 1);
  ASSERT_EQ(size[0], 656);
  ASSERT_EQ(size[1], 490);
  sim.SimSdk_setPixelType(sim.SimSdk_findCamera("eco424CVGE"), simsdk::kPixelBayerRG8);
  ASSERT_EQ(setCompleteCallback(0, 0, &CountFrame), 1);
  const auto grab = [] {
    const int before = gFrames;
    std::vector<std::uint8_t> frame(656u * 490u * 3u);
    if (doCVLGrab(0, 0) != 1) return std::vector<std::uint8_t>();
    for (int i = 0; i < 500 && gFrames == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int y = 0; y < 490; ++y) {
      if (getCVLGrabRow(0, 0, frame.data() + y * 656 * 3, y, 0, 655) != 1) return std::vector<std::uint8_t>();
    }
    return frame;
  };
  // The frame's image id is not known here: any recent one will do.
  const auto convertedWith = [](const std::vector<std::uint8_t>& frame, imaging::BayerMethod method) {
    std::vector<std::uint8_t> mosaic(656u * 490u);
    std::vector<std::uint8_t> rgb(frame.size());
    for (int id = 0; id < 20; ++id) {
      simsdk::FillPattern(simsdk::kPixelBayerRG8, id, 656, 490, mosaic.data());
      imaging::Demosaic(mosaic.data(), 656, 656, 490, imaging::BayerPhase::kRG, method, rgb.data(), 656 * 3);
      if (rgb == frame) return true;
    }
    return false;
  };
  auto frame = grab();
  ASSERT_FALSE(frame.empty());
  EXPECT_TRUE(convertedWith(frame, imaging::BayerMethod::kHQLinear));

  Script script({
      [](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        s->grid.ChangePropertyValue("BayerMethod", wxVariant(1L));  // "Simple"
      },
      [](wxDialog& d) { Press(d, wxID_OK); },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 0) << HostLog::All();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(script.Failure(), "");
  frame = grab();
  ASSERT_FALSE(frame.empty());
  EXPECT_TRUE(convertedWith(frame, imaging::BayerMethod::kSimple));
  EXPECT_FALSE(convertedWith(frame, imaging::BayerMethod::kHQLinear));
  closeCVLPort(0, 0);
}

TEST_F(WxSheetTest, SwitchingTheLutOnAndChoosingAFileOffersItsColumns) {
  const std::string lut = (dir.path() / "gains.csv").string();
  std::ofstream(lut) << "in;red;green\n0;1;2\n";
  auto readOnly = [](Sheet& s, const char* name) {
    return s.grid.GetPropertyByName(name)->HasFlag(wxPG_PROP_READONLY) != 0;
  };

  Script script({
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        EXPECT_TRUE(readOnly(*s, "LUTtable"));
        EXPECT_FALSE(readOnly(*s, "Gamma"));
        EXPECT_EQ(s->grid.GetPropertyByName("LUTtable")->GetAttribute(wxPG_FILE_WILDCARD).GetString(),
                  "LUT table (*.csv)|*.csv");
        s->grid.ChangePropertyValue("UseLUT", wxVariant(true));
      },
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        // Every item's editability follows the set after each edit.
        EXPECT_FALSE(readOnly(*s, "LUTtable"));
        EXPECT_TRUE(readOnly(*s, "Gamma"));
        s->grid.ChangePropertyValue("LUTtable", wxVariant(wxString(lut)));
      },
      [&](wxDialog& d) {
        auto s = SheetOf(d);
        ASSERT_TRUE(s);
        // The column list was rebuilt from the new file, in its section.
        wxPGProperty* columns = s->grid.GetPropertyByName("LUTtableRow");
        ASSERT_NE(columns, nullptr);
        EXPECT_EQ(columns->GetParent()->GetLabel(), s->grid.GetPropertyByName("LUTtable")->GetParent()->GetLabel());
        ASSERT_EQ(columns->GetChoices().GetCount(), 2u);
        EXPECT_EQ(columns->GetChoices().GetLabel(0), "red");
        EXPECT_EQ(columns->GetChoices().GetLabel(1), "green");
        EXPECT_FALSE(readOnly(*s, "LUTtableRow"));
        s->grid.ChangePropertyValue("LUTtableRow", wxVariant(1L));
      },
      [](wxDialog& d) { Press(d, wxID_OK); },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 0) << HostLog::All();
  EXPECT_TRUE(script.Finished());
  EXPECT_EQ(script.Failure(), "");
  EXPECT_NE(Ini().find("LUTtable=" + lut), std::string::npos) << Ini();
  EXPECT_NE(Ini().find("LUTtableRow=green"), std::string::npos) << Ini();
}

TEST_F(WxSheetTest, OnlyTheThreadThatStartedWxShowsTheSheet) {
  // Make sure wx runs on this (the main) thread, whichever test ran first.
  Script cancelled({[](wxDialog& d) { Press(d, wxID_CANCEL); }});
  EXPECT_EQ(configureCamera(nullptr, "eco424MVGE"), 1);
  EXPECT_TRUE(cancelled.Finished());

  int result = -1;
  std::thread([&] { result = configureCamera(nullptr, "eco424MVGE"); }).join();
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(
      HostLog::Has("Camera::Configure: ERROR: the configuration dialog must be shown from the thread "
                   "that showed it first"))
      << HostLog::All();
  HostLog::Clear();  // the expected error, not one for TearDown to find
}

TEST_F(WxSheetTest, APendingGrabAsksBeforeTheSheet) {
  // Triggered frames only: a free-running frame already on its way when
  // production pauses would serve the grab and take the question away.
  std::ofstream(dir.path() / "SVS-Vistek.ini") << "[eco424CVGE]\nAcquisitionMode=Software trigger\n";
  int size[2] = {0, 0};
  ASSERT_EQ(openCVLPort(0, 0, "eco424CVGE", size), 1);
  sim.SimSdk_pauseFrames(1);
  ASSERT_EQ(doCVLGrab(0, 0), 1);  // stays pending: no frame comes

  // Cancel on the question: no sheet.
  Script declined({
      [](wxDialog& d) {
        EXPECT_FALSE(SheetOf(d));
        EXPECT_EQ(d.GetTitle(), "Configure camera on port #1: eco424CVGE");
        Press(d, wxID_CANCEL);
      },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 1);
  EXPECT_TRUE(declined.Finished());
  EXPECT_EQ(declined.Failure(), "");

  // OK on the question: the sheet follows.
  bool sheetShown = false;
  Script accepted({
      [](wxDialog& d) {
        EXPECT_FALSE(SheetOf(d));
        Press(d, wxID_OK);
      },
      [&](wxDialog& d) {
        sheetShown = SheetOf(d).has_value();
        Press(d, wxID_OK);
      },
  });
  EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 0);
  EXPECT_TRUE(accepted.Finished());
  EXPECT_EQ(accepted.Failure(), "");
  EXPECT_TRUE(sheetShown);

  sim.SimSdk_pauseFrames(0);
  closeCVLPort(0, 0);
}

}  // namespace
}  // namespace ecocam::testing
