// The live view's window: the picture, the settings beside it, the
// histogram, the buttons and the status bar, kept up to date by a timer
// that picks up the newest frame at the display's pace.
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "driver_log.h"
#include "exit_codes.h"
#include "platform/dynamic_library.h"
#include "view_window.h"
#include "wx/view_panels.h"
#include "wx/view_wx.h"

namespace camhost::wxview {
namespace {

constexpr int kTickMs = 10;            // frame pick-up: up to 100 per second
constexpr int kStatusEveryTicks = 25;  // status bar: 4 times a second
constexpr int kMessageMs = 6000;       // how long a message stays in the status bar

// The X11 id of a realised top-level window: the parent the driver's
// configuration sheet wants. GTK's two calls are resolved from the
// libraries wx has loaded, so camhost builds without GTK's headers.
unsigned long X11Id(wxWindow& window) {
  static ecocam::platform::DynamicLibrary gtk, gdk;
  using GetWindow = void* (*)(void*);
  using GetXid = unsigned long (*)(void*);
  static GetWindow getWindow = nullptr;
  static GetXid getXid = nullptr;
  if (getWindow == nullptr && gtk.Load("libgtk-3.so.0") && gdk.Load("libgdk-3.so.0")) {
    getWindow = reinterpret_cast<GetWindow>(gtk.Resolve("gtk_widget_get_window"));
    getXid = reinterpret_cast<GetXid>(gdk.Resolve("gdk_x11_window_get_xid"));
  }
  if (getWindow == nullptr || getXid == nullptr || window.GetHandle() == nullptr) return 0;
  void* own = getWindow(window.GetHandle());
  return own != nullptr ? getXid(own) : 0;
}

// Every handler runs under GTK's C code: nothing may leave it.
template <typename F>
void Shielded(F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "camhost: error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "camhost: error: unexpected exception in the view\n");
  }
}

struct ControlRow {
  wxStaticText* label = nullptr;
  wxSlider* slider = nullptr;
  wxSpinCtrl* value = nullptr;
  wxStaticText* note = nullptr;
};

class ViewWindow : public wxFrame {
 public:
  ViewWindow(ViewSession& session, wxEventLoopBase& loop)
      : wxFrame(nullptr, wxID_ANY,
                wxString::FromUTF8("camhost view: " + session.Options().camera + " on port " +
                                   std::to_string(session.Options().port))),
        _session(session),
        _loop(loop),
        _timer(this) {
    if (const char* after = std::getenv("CAMHOST_VIEW_CLOSE_AFTER"); after != nullptr) {
      _closeAfter = std::atoll(after);  // a test hook: close after this many frames drawn
    }
    Build();
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Shielded([this] { OnTick(); }); });
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) { Shielded([&] { OnKey(e); }); });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Shielded([this] { OnClose(); }); });
    _timer.Start(kTickMs);
  }
  ~ViewWindow() override { _loop.Exit(); }

 private:
  void Build();
  void BuildControls(wxWindow* side, wxSizer* sizer);
  void ShowControl(std::size_t index);
  void Apply(std::size_t index, int value);
  void OnTick();
  void OnKey(wxKeyEvent& event);
  void OnClose();
  void OnConfigure();
  void OnSnapshot();
  void SetPaused(bool paused);
  void ApplyFreeRun();
  void ShowMessage(const std::string& text);
  void UpdateStatus();
  void PrintSummary();

  ViewSession& _session;
  wxEventLoopBase& _loop;
  wxTimer _timer;
  PicturePanel* _picture = nullptr;
  HistogramPanel* _histogram = nullptr;
  wxToggleButton* _pause = nullptr;
  wxCheckBox* _freeRun = nullptr;
  wxSpinCtrlDouble* _rate = nullptr;
  std::vector<ControlRow> _rows;
  int _ticks = 0;
  long long _closeAfter = 0;
  long long _drawnAtRate = 0;
  wxLongLong _rateAtMs = 0;
  double _drawnPerSecond = 0;
  std::string _message;
  wxLongLong _messageUntil = 0;
  bool _closing = false;
  wxLongLong _openedMs = wxGetLocalTimeMillis();
};

void ViewWindow::Build() {
  auto* main = new wxBoxSizer(wxHORIZONTAL);
  _picture = new PicturePanel(this);
  main->Add(_picture, 1, wxEXPAND);

  auto* side = new wxPanel(this);
  auto* column = new wxBoxSizer(wxVERTICAL);
  BuildControls(side, column);
  column->Add(new wxStaticText(side, wxID_ANY, "Histogram"), 0, wxLEFT | wxTOP, 6);
  _histogram = new HistogramPanel(side);
  column->Add(_histogram, 0, wxALL, 6);

  auto* buttons = new wxGridSizer(2, 4, 4);
  auto* configure = new wxButton(side, wxID_ANY, "Configure...", wxDefaultPosition, wxDefaultSize, 0,
                                 wxDefaultValidator, kConfigureName);
  auto* snapshot = new wxButton(side, wxID_ANY, "Snapshot (s)", wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                kSnapshotName);
  _pause = new wxToggleButton(side, wxID_ANY, "Pause (space)", wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                              kPauseName);
  buttons->Add(configure, 0, wxEXPAND);
  buttons->Add(snapshot, 0, wxEXPAND);
  buttons->Add(_pause, 0, wxEXPAND);
  configure->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Shielded([this] { OnConfigure(); }); });
  snapshot->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Shielded([this] { OnSnapshot(); }); });
  _pause->Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent&) { Shielded([this] { SetPaused(_pause->GetValue()); }); });
  if (_session.Options().mode == GrabMode::kTrigger) {
    auto* trigger =
        new wxButton(side, wxID_ANY, "Trigger", wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator, kTriggerName);
    buttons->Add(trigger, 0, wxEXPAND);
    trigger->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
      Shielded([this] {
        if (!_session.Trigger()) ShowMessage("The trigger was refused.");
      });
    });
  }
  column->Add(buttons, 0, wxALL | wxEXPAND, 6);
  if (_session.Options().mode == GrabMode::kTrigger) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    const double rate = _session.Options().triggerRate > 0 ? _session.Options().triggerRate : 10.0;
    _freeRun = new wxCheckBox(side, wxID_ANY, "Free-running trigger", wxDefaultPosition, wxDefaultSize, 0,
                              wxDefaultValidator, kFreeRunName);
    _freeRun->SetValue(_session.TriggerRate() > 0);
    _rate = new wxSpinCtrlDouble(side, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxSP_ARROW_KEYS, 0.1,
                                 200.0, rate, 1.0, kRateName);
    _rate->SetDigits(1);
    row->Add(_freeRun, 0, wxALIGN_CENTER_VERTICAL);
    row->Add(_rate, 0, wxLEFT, 6);
    row->Add(new wxStaticText(side, wxID_ANY, "per s"), 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 4);
    column->Add(row, 0, wxALL, 6);
    _freeRun->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Shielded([this] { ApplyFreeRun(); }); });
    _rate->Bind(wxEVT_SPINCTRLDOUBLE, [this](wxSpinDoubleEvent&) { Shielded([this] { ApplyFreeRun(); }); });
  }
  column->Add(new wxStaticText(side, wxID_ANY, "Keys: space pause, s snapshot, q or Esc close"), 0, wxALL, 6);
  side->SetSizer(column);
  main->Add(side, 0, wxEXPAND);

  wxStatusBar* status = CreateStatusBar(kFieldCount, wxSTB_DEFAULT_STYLE, wxID_ANY, kStatusBarName);
  // The figures' fields as wide as their longest text; the message gets
  // the rest (and shows whole as the bar's tooltip).
  const char* longest[kFieldMessage] = {"2448x2050 grey", "received 0000000", "000.0/s, shown 000.0/s",
                                        "skipped 0000000", "latency 0000.00 ms"};
  int widths[kFieldCount];
  for (int i = 0; i < kFieldMessage; ++i) widths[i] = status->GetTextExtent(longest[i]).GetWidth() + 14;
  widths[kFieldMessage] = -1;
  status->SetStatusWidths(kFieldCount, widths);

  // The picture starts at the frame's own size where the screen allows.
  const ViewFrame& frame = _session.Frames().Front();
  const wxSize screen = wxGetDisplaySize();
  const int sideWidth = side->GetBestSize().GetWidth();
  _picture->SetMinSize(wxSize(std::min(frame.width, std::max(160, screen.GetWidth() - sideWidth - 40)),
                              std::min(frame.height, std::max(120, screen.GetHeight() - 120))));
  SetSizerAndFit(main);
  UpdateStatus();
}

void ViewWindow::BuildControls(wxWindow* side, wxSizer* sizer) {
  const std::vector<ViewControl>& controls = _session.Controls().Controls();
  _rows.resize(controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const std::string& name = controls[i].name;
    ControlRow& row = _rows[i];
    row.label = new wxStaticText(side, wxID_ANY, wxString::FromUTF8(name));
    row.slider = new wxSlider(side, wxID_ANY, 0, 0, 1, wxDefaultPosition, wxSize(170, -1), wxSL_HORIZONTAL,
                              wxDefaultValidator, wxString::FromUTF8(name + kSliderSuffix));
    row.value = new wxSpinCtrl(side, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxSP_ARROW_KEYS | wxTE_PROCESS_ENTER, 0, 1, 0, wxString::FromUTF8(name + kValueSuffix));
    row.note = new wxStaticText(side, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0,
                                wxString::FromUTF8(name + kNoteSuffix));
    row.note->SetForegroundColour(wxColour(180, 0, 0));
    sizer->Add(row.label, 0, wxLEFT | wxTOP, 6);
    auto* line = new wxBoxSizer(wxHORIZONTAL);
    line->Add(row.slider, 1, wxALIGN_CENTER_VERTICAL);
    line->Add(row.value, 0, wxLEFT, 4);
    sizer->Add(line, 0, wxLEFT | wxRIGHT | wxEXPAND, 6);
    sizer->Add(row.note, 0, wxLEFT, 6);
    row.slider->Bind(wxEVT_SLIDER,
                     [this, i](wxCommandEvent&) { Shielded([this, i] { Apply(i, _rows[i].slider->GetValue()); }); });
    row.value->Bind(wxEVT_SPINCTRL,
                    [this, i](wxSpinEvent&) { Shielded([this, i] { Apply(i, _rows[i].value->GetValue()); }); });
    row.value->Bind(wxEVT_TEXT_ENTER,
                    [this, i](wxCommandEvent&) { Shielded([this, i] { Apply(i, _rows[i].value->GetValue()); }); });
    ShowControl(i);
  }
}

// Shows what the driver reads: range, value and the last outcome.
void ViewWindow::ShowControl(std::size_t index) {
  const ViewControl& c = _session.Controls().Controls()[index];
  ControlRow& row = _rows[index];
  const bool usable = c.readable || c.ranged;
  const int min = c.ranged ? c.min : std::min(c.value, 0);
  const int max = c.ranged ? c.max : std::max(c.value, 0) + 1000;
  row.label->SetLabel(
      wxString::FromUTF8(c.name + (c.ranged ? " [" + std::to_string(c.min) + ".." + std::to_string(c.max) + "]"
                                            : std::string(usable ? "" : " (not available)"))));
  row.slider->SetRange(min, max > min ? max : min + 1);
  row.slider->SetValue(c.value);
  row.slider->Enable(usable && c.ranged && c.max > c.min);
  row.value->SetRange(min, max);
  row.value->SetValue(c.value);
  row.value->Enable(usable);
  row.note->SetLabel(wxString::FromUTF8(c.note));
}

void ViewWindow::Apply(std::size_t index, int value) {
  const ViewControls::Outcome outcome = _session.ApplyControl(index, value);
  ShowControl(index);
  const ViewControl& c = _session.Controls().Controls()[index];
  if (outcome == ViewControls::Outcome::kRefused) {
    ShowMessage(c.name + ": the driver refused " + std::to_string(value) + "; the camera has " +
                std::to_string(c.value));
  }
  GetSizer()->Layout();
}

void ViewWindow::OnTick() {
  if (_closing) return;
  if (_ticks == 0) {
    // Shown at its fitted size; from here the user may make the picture
    // smaller than the frame.
    _picture->SetMinSize(wxSize(160, 120));
    SetMinClientSize(GetSizer()->GetMinSize());
  }
  if (const ViewFrame* frame = _session.Frames().PickUp()) {
    _picture->ShowFrame(*frame);
    _picture->Update();  // drawn now, before the next frame can replace it
    _histogram->ShowHistogram(ComputeHistogram(*frame));
  }
  if (++_ticks % kStatusEveryTicks == 0) UpdateStatus();
  if (_closeAfter > 0 && _picture->Drawn() >= _closeAfter) Close();
}

void ViewWindow::UpdateStatus() {
  const ViewStats s = _session.Stats();
  const wxLongLong now = wxGetLocalTimeMillis();
  if (now - _rateAtMs >= 1000) {
    _drawnPerSecond = _rateAtMs == 0 ? 0.0 : (_picture->Drawn() - _drawnAtRate) * 1000.0 / (now - _rateAtMs).ToDouble();
    _drawnAtRate = _picture->Drawn();
    _rateAtMs = now;
  }
  char text[128];
  wxStatusBar* bar = GetStatusBar();
  std::snprintf(text, sizeof text, "%dx%d %s", s.width, s.height, s.channels == 3 ? "RGB" : "grey");
  bar->SetStatusText(text, kFieldSize);
  std::snprintf(text, sizeof text, "received %lld", s.received);
  bar->SetStatusText(text, kFieldReceived);
  std::snprintf(text, sizeof text, "%.1f/s, shown %.1f/s", s.receivedPerSecond, _drawnPerSecond);
  bar->SetStatusText(text, kFieldRate);
  std::snprintf(text, sizeof text, "skipped %lld", s.skipped + _picture->Undrawn());
  bar->SetStatusText(text, kFieldSkipped);
  if (s.lastLatencyMs >= 0) {
    std::snprintf(text, sizeof text, "latency %.2f ms", s.lastLatencyMs);
  } else {
    std::snprintf(text, sizeof text, "latency -");
  }
  bar->SetStatusText(text, kFieldLatency);
  const std::string message = now < _messageUntil
                                  ? _message
                                  : (s.unreadable > 0 ? std::to_string(s.unreadable) + " frames unreadable; " : "") +
                                        (s.driverLine.empty() ? "" : "driver: " + s.driverLine);
  bar->SetStatusText(wxString::FromUTF8(message), kFieldMessage);
  // The field is narrow beside the figures; the whole line on hovering.
  bar->SetToolTip(wxString::FromUTF8(message));
}

// The figures of the whole run, on standard output when the window closes.
void ViewWindow::PrintSummary() {
  const double seconds = (wxGetLocalTimeMillis() - _openedMs).ToDouble() / 1000.0;
  _session.PrintSummary(seconds, _picture->Drawn(), _picture->Undrawn());
}

void ViewWindow::ShowMessage(const std::string& text) {
  _message = text;
  _messageUntil = wxGetLocalTimeMillis() + kMessageMs;
  UpdateStatus();
}

void ViewWindow::OnKey(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_SPACE:
      _pause->SetValue(!_pause->GetValue());
      SetPaused(_pause->GetValue());
      return;
    case 's':
    case 'S': OnSnapshot(); return;
    case 'q':
    case 'Q':
    case WXK_ESCAPE: Close(); return;
    default: event.Skip();
  }
}

void ViewWindow::SetPaused(bool paused) {
  _session.SetPaused(paused);
  ShowMessage(paused ? "Paused: no grabs are requested." : "Running.");
}

void ViewWindow::ApplyFreeRun() {
  if (_freeRun == nullptr || _rate == nullptr) return;
  _session.SetTriggerRate(_freeRun->GetValue() ? _rate->GetValue() : 0.0);
}

void ViewWindow::OnSnapshot() { ShowMessage(_session.SnapshotAndSay()); }

// The sheet is modal over this window; the timer keeps picking up frames
// meanwhile, which is safe: the session stops grabbing first.
void ViewWindow::OnConfigure() {
  bool reopened = false;
  const unsigned long xid = X11Id(*this);
  const std::string said = _session.Configure(reinterpret_cast<void*>(static_cast<std::uintptr_t>(xid)), reopened);
  if (reopened) {
    _picture->Forget();
    _drawnAtRate = 0;
    _openedMs = wxGetLocalTimeMillis();
    for (std::size_t i = 0; i < _rows.size(); ++i) ShowControl(i);
    GetSizer()->Layout();
  }
  std::printf("configure: %s\n", said.c_str());
  std::fflush(stdout);
  ShowMessage(said);
}

// Closing while frames arrive: the camera is closed first (which waits for
// a callback in progress), then the window goes.
void ViewWindow::OnClose() {
  if (_closing) return;
  _closing = true;
  _timer.Stop();
  _session.Stop();
  PrintSummary();
  Destroy();
}

class ViewApp : public wxApp {
 public:
  bool OnInit() override {
    SetAppName("camhost");
    return true;
  }
};

// Debian's wx has its assertions on; one must not stop the view.
void OnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
              const wxString& message) {
  std::fprintf(stderr, "camhost: wx assertion %s failed in %s (%s:%d) %s\n", condition.utf8_str().data(),
               function.utf8_str().data(), file.utf8_str().data(), line, message.utf8_str().data());
}

}  // namespace

bool StartWx() {
  // The configuration sheet's owner is an X11 window id, so GTK talks X11.
  {
    ecocam::platform::DynamicLibrary gdk;
    if (gdk.Load("libgdk-3.so.0")) {
      using SetBackends = void (*)(const char*);
      if (auto set = reinterpret_cast<SetBackends>(gdk.Resolve("gdk_set_allowed_backends"))) set("x11");
    }
  }
  wxApp::SetInstance(new ViewApp);  // wxEntryStart takes it
  static int argc = 1;
  static char name[] = "camhost";
  static char* argv[] = {name, nullptr};
  if (!wxEntryStart(argc, argv) || wxTheApp == nullptr) return false;
  wxSetAssertHandler(&OnAssert);
  if (!wxTheApp->CallOnInit()) {
    wxEntryCleanup();
    return false;
  }
  return true;
}

void StopWx() {
  if (wxTheApp != nullptr) wxTheApp->OnExit();
  wxEntryCleanup();
}

void ShowViewWindow(ViewSession& session, const std::function<void(wxFrame&)>& shown) {
  wxGUIEventLoop loop;
  auto* window = new ViewWindow(session, loop);  // deletes itself when closed
  window->Show();
  if (shown) {
    window->CallAfter([window, shown] { Shielded([&] { shown(*window); }); });
  }
  loop.Run();
  session.Stop();
}

}  // namespace camhost::wxview

namespace camhost {

int RunViewWindow(ViewSession& session) {
  if (!wxview::StartWx()) {
    session.Stop();
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "camhost: error: cannot open the display \"%s\" for the view\n", display ? display : "");
    return kExitFailure;
  }
  wxview::ShowViewWindow(session);
  wxview::StopWx();
  return kExitOk;
}

}  // namespace camhost
