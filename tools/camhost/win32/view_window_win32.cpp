// The live view's Win32 window: the picture drawn with StretchDIBits, the
// settings as trackbars with number fields, the histogram, buttons and a
// status bar, kept up to date by a timer that picks up the newest frame at
// the display's pace. The same window as the wx one on Linux.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "driver_log.h"
#include "exit_codes.h"
#include "view_picture.h"
#include "view_window.h"
#include "win32/view_win32.h"

namespace camhost::win32view {
namespace {

constexpr UINT_PTR kTimer = 1;
constexpr int kTickMs = 10;
constexpr int kStatusEveryTicks = 25;
constexpr DWORD kMessageMs = 6000;
constexpr int kSide = 340;      // width of the settings column
constexpr int kEnter = 0x7F00;  // WM_COMMAND code a number field sends on Enter
constexpr const char* kFrameClass = "camhostView";
constexpr const char* kPanelClass = "camhostViewPanel";

// Every handler runs under the window procedure: nothing may leave it.
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

std::string TextOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Number fields report Enter to their parent.
LRESULT CALLBACK NumberFieldProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto old = reinterpret_cast<WNDPROC>(GetPropA(edit, "camhostOldProc"));
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    SendMessageA(GetParent(edit), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), kEnter), reinterpret_cast<LPARAM>(edit));
    return 0;
  }
  if (message == WM_CHAR && wParam == '\r') return 0;  // no beep
  return CallWindowProcA(old, edit, message, wParam, lParam);
}

class ViewWin32 {
 public:
  explicit ViewWin32(ViewSession& session) : _session(session) {}
  bool Create();
  HWND Window() const { return _window; }
  bool Closed() const { return _closed; }
  // Keys for the whole window, from the message loop; true when used.
  bool OnKey(const MSG& msg);

  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  struct Row {
    HWND label, slider, value, note;
  };

  struct Placed {
    HWND window;
    RECT at;  // within the settings column
  };

  HWND Child(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h);
  void Build();
  void Layout();
  void ShowControl(std::size_t index);
  void Apply(std::size_t index, int value);
  void OnCommand(int id, int code);
  void OnTick();
  void PaintPicture(HDC dc, const RECT& area);
  void PaintHistogram(HDC dc, const RECT& area);
  void UpdateStatus();
  void ShowMessage(const std::string& text);
  void SetPaused(bool paused);
  void ApplyFreeRun();
  void Snapshot();
  void Configure();
  void Close();

  ViewSession& _session;
  HWND _window = nullptr;
  HWND _picture = nullptr;
  HWND _histogram = nullptr;
  HWND _status = nullptr;
  HWND _pause = nullptr;
  HWND _freeRun = nullptr;
  HWND _rate = nullptr;
  std::vector<Row> _rows;
  std::vector<Placed> _column;  // the settings column's children
  int _sideHeight = 0;

  // The frame shown, as a top-down device-independent bitmap.
  std::vector<std::uint8_t> _dib;
  std::vector<std::uint8_t> _bitmapInfo;  // BITMAPINFO with the grey palette
  int _frameWidth = 0, _frameHeight = 0;
  long long _given = 0, _drawn = 0, _undrawn = 0, _drawnNumber = 0;
  Histogram _histogramData;

  int _ticks = 0;
  DWORD _openedAt = GetTickCount();
  DWORD _rateAt = 0;
  long long _drawnAtRate = 0;
  double _drawnPerSecond = 0;
  std::string _message;
  DWORD _messageUntil = 0;
  bool _closing = false;
  bool _closed = false;
};

HWND ViewWin32::Child(const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h) {
  HWND child = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, _window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), this);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (id != kPictureId && id != kStatusId) _column.push_back(Placed{child, RECT{x, y, x + w, y + h}});
  return child;
}

bool ViewWin32::Create() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA frame{};
  frame.lpfnWndProc = &ViewWin32::FrameProc;
  frame.hInstance = instance;
  frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrameClass;
  RegisterClassA(&frame);  // fails harmlessly when registered before
  WNDCLASSA panel{};
  panel.lpfnWndProc = &ViewWin32::PanelProc;
  panel.hInstance = instance;
  panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
  panel.lpszClassName = kPanelClass;
  RegisterClassA(&panel);

  const std::string title =
      "camhost view: " + _session.Options().camera + " on port " + std::to_string(_session.Options().port);
  _window = CreateWindowExA(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                            CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, this);
  if (_window == nullptr) return false;
  Build();
  // The picture at the frame's own size where the screen allows.
  const ViewFrame& f = _session.Frames().Front();
  RECT bar{};
  GetWindowRect(_status, &bar);
  const int statusHeight = bar.bottom - bar.top;
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  RECT want{0, 0, std::min(f.width, std::max(160, screenW - kSide - 40)) + kSide,
            std::max(std::min(f.height, std::max(120, screenH - 120)), _sideHeight) + statusHeight};
  AdjustWindowRect(&want, WS_OVERLAPPEDWINDOW, FALSE);
  SetWindowPos(_window, nullptr, 0, 0, want.right - want.left, want.bottom - want.top, SWP_NOZORDER | SWP_NOMOVE);
  ShowWindow(_window, SW_SHOW);
  UpdateWindow(_window);
  SetTimer(_window, kTimer, kTickMs, nullptr);
  return true;
}

void ViewWin32::Build() {
  _picture = Child(kPanelClass, "", 0, kPictureId, 0, 0, 10, 10);
  _status = Child(STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, kStatusId, 0, 0, 0, 0);
  const int widths[kPartCount] = {90, 190, 330, 420, 530, -1};
  SendMessageA(_status, SB_SETPARTS, kPartCount, reinterpret_cast<LPARAM>(widths));

  int y = 6;
  const int x = 8;  // relative to the column; Layout moves it
  const std::vector<ViewControl>& controls = _session.Controls().Controls();
  _rows.resize(controls.size());
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const int n = static_cast<int>(i);
    Row& row = _rows[i];
    row.label = Child("STATIC", controls[i].name.c_str(), 0, -1, x, y, 320, 16);
    row.slider = Child(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, kSliderBase + n, x, y + 18, 220, 26);
    row.value = Child("EDIT", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kValueBase + n, x + 228, y + 20, 90, 22);
    SetPropA(row.value, "camhostOldProc",
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrA(row.value, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NumberFieldProc))));
    row.note = Child("STATIC", "", 0, kNoteBase + n, x, y + 46, 320, 16);
    ShowControl(i);
    y += 66;
  }
  Child("STATIC", "Histogram", 0, -1, x, y, 200, 16);
  _histogram = Child(kPanelClass, "", WS_BORDER, kHistogramId, x, y + 18, 258, 102);
  y += 126;
  Child("BUTTON", "Configure...", BS_PUSHBUTTON | WS_TABSTOP, kConfigureId, x, y, 155, 26);
  Child("BUTTON", "Snapshot (s)", BS_PUSHBUTTON | WS_TABSTOP, kSnapshotId, x + 163, y, 155, 26);
  y += 30;
  _pause = Child("BUTTON", "Pause (space)", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_TABSTOP, kPauseId, x, y, 155, 26);
  if (_session.Options().mode == GrabMode::kTrigger) {
    Child("BUTTON", "Trigger", BS_PUSHBUTTON | WS_TABSTOP, kTriggerId, x + 163, y, 155, 26);
    y += 32;
    _freeRun = Child("BUTTON", "Free-running trigger, per s:", BS_AUTOCHECKBOX | WS_TABSTOP, kFreeRunId, x, y, 200, 22);
    const double rate = _session.Options().triggerRate > 0 ? _session.Options().triggerRate : 10.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", rate);
    _rate = Child("EDIT", text, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kRateId, x + 206, y, 70, 22);
    SetPropA(
        _rate, "camhostOldProc",
        reinterpret_cast<HANDLE>(SetWindowLongPtrA(_rate, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NumberFieldProc))));
    SendMessageA(_freeRun, BM_SETCHECK, _session.TriggerRate() > 0 ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  y += 32;
  Child("STATIC", "Keys: space pause, s snapshot, q or Esc close", 0, -1, x, y, 320, 16);
  _sideHeight = y + 24;
  Layout();
}

// The picture fills the left, the settings column sits on the right.
void ViewWin32::Layout() {
  RECT client{};
  GetClientRect(_window, &client);
  SendMessageA(_status, WM_SIZE, 0, 0);
  RECT bar{};
  GetWindowRect(_status, &bar);
  const int height = client.bottom - (bar.bottom - bar.top);
  const int pictureWidth = std::max(0, static_cast<int>(client.right) - kSide);
  MoveWindow(_picture, 0, 0, pictureWidth, height, TRUE);
  for (const Placed& p : _column) {
    MoveWindow(p.window, pictureWidth + p.at.left, p.at.top, p.at.right - p.at.left, p.at.bottom - p.at.top, TRUE);
  }
}

void ViewWin32::ShowControl(std::size_t index) {
  const ViewControl& c = _session.Controls().Controls()[index];
  Row& row = _rows[index];
  const std::string label = c.name + (c.ranged ? " [" + std::to_string(c.min) + ".." + std::to_string(c.max) + "]"
                                               : std::string(c.readable ? "" : " (not available)"));
  SetWindowTextA(row.label, label.c_str());
  SendMessageA(row.slider, TBM_SETRANGEMIN, FALSE, c.ranged ? c.min : 0);
  SendMessageA(row.slider, TBM_SETRANGEMAX, TRUE, c.ranged && c.max > c.min ? c.max : 1);
  SendMessageA(row.slider, TBM_SETPOS, TRUE, c.value);
  EnableWindow(row.slider, c.ranged && c.max > c.min);
  SetWindowTextA(row.value, std::to_string(c.value).c_str());
  EnableWindow(row.value, c.readable || c.ranged);
  SetWindowTextA(row.note, c.note.c_str());
}

void ViewWin32::Apply(std::size_t index, int value) {
  if (index >= _rows.size()) return;
  const ViewControls::Outcome outcome = _session.ApplyControl(index, value);
  ShowControl(index);
  const ViewControl& c = _session.Controls().Controls()[index];
  if (outcome == ViewControls::Outcome::kRefused) {
    ShowMessage(c.name + ": the driver refused " + std::to_string(value) + "; the camera has " +
                std::to_string(c.value));
  }
}

void ViewWin32::OnCommand(int id, int code) {
  if (id >= kValueBase && id < kValueBase + static_cast<int>(_rows.size()) &&
      (code == kEnter || code == EN_KILLFOCUS)) {
    const std::size_t index = static_cast<std::size_t>(id - kValueBase);
    const std::string text = TextOf(_rows[index].value);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end != text.c_str() && value != _session.Controls().Controls()[index].value) {
      Apply(index, static_cast<int>(value));
    } else {
      ShowControl(index);
    }
    return;
  }
  switch (id) {
    case kConfigureId:
      if (code == BN_CLICKED) Configure();
      break;
    case kSnapshotId:
      if (code == BN_CLICKED) Snapshot();
      break;
    case kPauseId:
      if (code == BN_CLICKED) SetPaused(SendMessageA(_pause, BM_GETCHECK, 0, 0) == BST_CHECKED);
      break;
    case kTriggerId:
      if (code == BN_CLICKED && !_session.Trigger()) ShowMessage("The trigger was refused.");
      break;
    case kFreeRunId:
      if (code == BN_CLICKED) ApplyFreeRun();
      break;
    case kRateId:
      if (code == kEnter || code == EN_KILLFOCUS) ApplyFreeRun();
      break;
    default: break;
  }
}

void ViewWin32::OnTick() {
  if (_closing) return;
  if (const ViewFrame* f = _session.Frames().PickUp()) {
    if (_given != 0 && _given != _drawnNumber) ++_undrawn;
    _given = f->number;
    // A top-down DIB: rows padded to 4 bytes, colour as B G R.
    _frameWidth = f->width;
    _frameHeight = f->height;
    const int bits = f->channels * 8;
    const std::size_t stride = (static_cast<std::size_t>(f->width) * f->channels + 3) & ~std::size_t{3};
    _dib.resize(stride * static_cast<std::size_t>(f->height));
    for (int y = 0; y < f->height; ++y) {
      const std::uint8_t* in = f->pixels.data() + f->RowBytes() * static_cast<std::size_t>(y);
      std::uint8_t* out = _dib.data() + stride * static_cast<std::size_t>(y);
      if (f->channels == 1) {
        std::copy_n(in, f->width, out);
      } else {
        for (int x = 0; x < f->width; ++x, in += 3, out += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
      }
    }
    _bitmapInfo.assign(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(_bitmapInfo.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = f->width;
    info->bmiHeader.biHeight = -f->height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bits);
    info->bmiHeader.biCompression = BI_RGB;
    if (bits == 8) {
      info->bmiHeader.biClrUsed = 256;
      for (int v = 0; v < 256; ++v) {
        info->bmiColors[v].rgbRed = info->bmiColors[v].rgbGreen = info->bmiColors[v].rgbBlue = static_cast<BYTE>(v);
      }
    }
    _histogramData = ComputeHistogram(*f);
    InvalidateRect(_picture, nullptr, FALSE);
    InvalidateRect(_histogram, nullptr, FALSE);
    UpdateWindow(_picture);  // drawn now, before the next frame can replace it
  }
  if (++_ticks % kStatusEveryTicks == 0) UpdateStatus();
}

void ViewWin32::PaintPicture(HDC dc, const RECT& area) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  const Placement at = FitInside(_frameWidth, _frameHeight, w, h);
  if (_dib.empty() || at.width <= 0) {
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  // Black around the picture only, so it does not flicker.
  const RECT bands[4] = {{0, 0, w, at.y},
                         {0, at.y + at.height, w, h},
                         {0, at.y, at.x, at.y + at.height},
                         {at.x + at.width, at.y, w, at.y + at.height}};
  for (const RECT& band : bands) FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, at.x, at.y, at.width, at.height, 0, 0, _frameWidth, _frameHeight, _dib.data(),
                reinterpret_cast<const BITMAPINFO*>(_bitmapInfo.data()), DIB_RGB_COLORS, SRCCOPY);
  if (_given != _drawnNumber) {
    ++_drawn;
    _drawnNumber = _given;
  }
}

void ViewWin32::PaintHistogram(HDC dc, const RECT& area) {
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const std::uint32_t peak = _histogramData.Peak();
  if (_histogramData.channels == 0 || peak == 0) return;
  const int w = area.right - area.left, h = area.bottom - area.top;
  const COLORREF colours[3] = {_histogramData.channels == 1 ? RGB(64, 64, 64) : RGB(220, 0, 0), RGB(0, 160, 0),
                               RGB(0, 0, 220)};
  for (int c = 0; c < _histogramData.channels; ++c) {
    HPEN pen = CreatePen(PS_SOLID, 1, colours[c]);
    HGDIOBJ old = SelectObject(dc, pen);
    POINT points[256];
    for (int v = 0; v < 256; ++v) {
      const double share = static_cast<double>(_histogramData.counts[static_cast<std::size_t>(c)][v]) / peak;
      points[v] = POINT{v * (w - 1) / 255, h - 1 - static_cast<int>(share * (h - 1))};
    }
    Polyline(dc, points, 256);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void ViewWin32::UpdateStatus() {
  const ViewStats s = _session.Stats();
  const DWORD now = GetTickCount();
  if (now - _rateAt >= 1000) {
    _drawnPerSecond = _rateAt == 0 ? 0.0 : (_drawn - _drawnAtRate) * 1000.0 / (now - _rateAt);
    _drawnAtRate = _drawn;
    _rateAt = now;
  }
  char text[128];
  auto set = [&](int part) {
    SendMessageA(_status, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
  };
  std::snprintf(text, sizeof text, "%dx%d %s", s.width, s.height, s.channels == 3 ? "RGB" : "grey");
  set(kPartSize);
  std::snprintf(text, sizeof text, "received %lld", s.received);
  set(kPartReceived);
  std::snprintf(text, sizeof text, "%.1f/s, shown %.1f/s", s.receivedPerSecond, _drawnPerSecond);
  set(kPartRate);
  std::snprintf(text, sizeof text, "skipped %lld", s.skipped + _undrawn);
  set(kPartSkipped);
  if (s.lastLatencyMs >= 0) {
    std::snprintf(text, sizeof text, "latency %.2f ms", s.lastLatencyMs);
  } else {
    std::snprintf(text, sizeof text, "latency -");
  }
  set(kPartLatency);
  const std::string message = static_cast<LONG>(_messageUntil - now) > 0
                                  ? _message
                                  : (s.unreadable > 0 ? std::to_string(s.unreadable) + " frames unreadable; " : "") +
                                        (s.driverLine.empty() ? "" : "driver: " + s.driverLine);
  SendMessageA(_status, SB_SETTEXTA, kPartMessage, reinterpret_cast<LPARAM>(message.c_str()));
}

void ViewWin32::ShowMessage(const std::string& text) {
  _message = text;
  _messageUntil = GetTickCount() + kMessageMs;
  UpdateStatus();
}

void ViewWin32::SetPaused(bool paused) {
  _session.SetPaused(paused);
  ShowMessage(paused ? "Paused: no grabs are requested." : "Running.");
}

void ViewWin32::ApplyFreeRun() {
  if (_freeRun == nullptr || _rate == nullptr) return;
  const double rate = std::strtod(TextOf(_rate).c_str(), nullptr);
  const bool on = SendMessageA(_freeRun, BM_GETCHECK, 0, 0) == BST_CHECKED;
  _session.SetTriggerRate(on && rate > 0 ? std::min(rate, 200.0) : 0.0);
}

void ViewWin32::Snapshot() { ShowMessage(_session.SnapshotAndSay()); }

// The sheet is modal over this window; the timer keeps picking up frames
// meanwhile, which is safe: the session stops grabbing first.
void ViewWin32::Configure() {
  bool reopened = false;
  const std::string said = _session.Configure(_window, reopened);
  if (reopened) {
    // The figures start again with the camera.
    _dib.clear();
    _given = _drawnNumber = _drawn = _undrawn = _drawnAtRate = 0;
    _openedAt = GetTickCount();
    for (std::size_t i = 0; i < _rows.size(); ++i) ShowControl(i);
    InvalidateRect(_picture, nullptr, FALSE);
  }
  std::printf("configure: %s\n", said.c_str());
  std::fflush(stdout);
  ShowMessage(said);
}

// Closing while frames arrive: the camera is closed first (which waits for
// a callback in progress), then the window goes.
void ViewWin32::Close() {
  if (_closing) return;
  _closing = true;
  KillTimer(_window, kTimer);
  _session.Stop();
  _session.PrintSummary((GetTickCount() - _openedAt) / 1000.0, _drawn, _undrawn);
  DestroyWindow(_window);
}

bool ViewWin32::OnKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || _closing || (msg.hwnd != _window && !IsChild(_window, msg.hwnd))) return false;
  char cls[16] = {};
  GetClassNameA(msg.hwnd, cls, sizeof cls);
  const bool typing = lstrcmpiA(cls, "Edit") == 0;
  switch (msg.wParam) {
    case VK_ESCAPE: Close(); return true;
    case VK_SPACE:
      if (typing) return false;
      SendMessageA(_pause, BM_SETCHECK,
                   SendMessageA(_pause, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
      SetPaused(SendMessageA(_pause, BM_GETCHECK, 0, 0) == BST_CHECKED);
      return true;
    case 'S':
      if (typing) return false;
      Snapshot();
      return true;
    case 'Q':
      if (typing) return false;
      Close();
      return true;
    default: return false;
  }
}

LRESULT CALLBACK ViewWin32::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<ViewWin32*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->_window == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  LRESULT result = 0;
  bool handled = true;
  Shielded([&] {
    switch (message) {
      case WM_TIMER: self->OnTick(); break;
      case WM_SIZE: self->Layout(); break;
      case WM_COMMAND: self->OnCommand(LOWORD(wParam), HIWORD(wParam)); break;
      case WM_HSCROLL:
        for (std::size_t i = 0; i < self->_rows.size(); ++i) {
          if (reinterpret_cast<HWND>(lParam) != self->_rows[i].slider) continue;
          const int pos = static_cast<int>(SendMessageA(self->_rows[i].slider, TBM_GETPOS, 0, 0));
          if (pos != self->_session.Controls().Controls()[i].value) self->Apply(i, pos);
        }
        break;
      case WM_CLOSE: self->Close(); break;
      case WM_DESTROY: self->_closed = true; break;
      default: handled = false;
    }
  });
  return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}

// The picture and the histogram: painted by the view.
LRESULT CALLBACK ViewWin32::PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrA(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<ViewWin32*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT && self != nullptr) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area{};
    GetClientRect(window, &area);
    Shielded([&] {
      if (window == self->_picture) {
        self->PaintPicture(dc, area);
      } else {
        self->PaintHistogram(dc, area);
      }
    });
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void ShowViewWindow(ViewSession& session, const std::function<void(HWND)>& shown) {
  ViewWin32 view(session);
  if (!view.Create()) {
    session.Stop();
    return;
  }
  if (shown) Shielded([&] { shown(view.Window()); });
  MSG msg;
  while (!view.Closed() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (view.OnKey(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  session.Stop();
}

}  // namespace camhost::win32view

namespace camhost {

int RunViewWindow(ViewSession& session) {
  win32view::ShowViewWindow(session);
  return kExitOk;
}

}  // namespace camhost
