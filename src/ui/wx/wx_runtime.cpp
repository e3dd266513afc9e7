// Starting wx inside the library, its log and assertions, and the GTK/X11
// calls for a foreign parent window.
#include "ui/wx/wx_runtime.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/thread.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/dynamic_library.h"

namespace ecocam::ui::wxview {
namespace {

std::mutex gSinkLock;
LogSink* gSink = nullptr;
int gSinkUsers = 0;

std::string Utf8(const wxString& text) { return std::string(text.utf8_str()); }

// wx's log lines (errors it would otherwise show in message boxes) go to
// the driver's log.
class DriverLogTarget : public wxLog {
 protected:
  void DoLogTextAtLevel(wxLogLevel level, const wxString& text) override {
    LogLine(level <= wxLOG_Warning ? 1 : 3,
            "Camera::Configure: " + std::string(level <= wxLOG_Error ? "ERROR: " : "INFO: ") + Utf8(text));
  }
};

// Debian's wx has its assertions on; one must never stop the host.
void OnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
              const wxString& message) {
  LogLine(1, "Camera::Configure: WARNING: wx assertion " + Utf8(condition) + " failed in " + Utf8(function) + " (" +
                 Utf8(file) + ":" + std::to_string(line) + ") " + Utf8(message));
}

class SheetApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// GTK and GDK entry points, resolved from the libraries wx has loaded
// already (this library builds without GTK's headers).
struct Gtk {
  void (*setAllowedBackends)(const char*) = nullptr;
  void (*widgetRealize)(void*) = nullptr;
  void* (*widgetGetWindow)(void*) = nullptr;
  void* (*windowGetDisplay)(void*) = nullptr;
  void* (*foreignWindow)(void*, unsigned long) = nullptr;
  void (*setTransientFor)(void*, void*) = nullptr;
  unsigned long (*windowXid)(void*) = nullptr;

  bool ForParents() const {
    return widgetRealize && widgetGetWindow && windowGetDisplay && foreignWindow && setTransientFor && windowXid;
  }
};

template <typename F>
void Bind(const platform::DynamicLibrary& library, const char* name, F& function) {
  function = reinterpret_cast<F>(library.Resolve(name));
}

const Gtk& GtkFunctions() {
  static const Gtk gtk = [] {
    Gtk g;
    // Kept for the process: wx holds them loaded anyway.
    static platform::DynamicLibrary gdk;
    static platform::DynamicLibrary widgets;
    if (gdk.Load("libgdk-3.so.0")) {
      Bind(gdk, "gdk_set_allowed_backends", g.setAllowedBackends);
      Bind(gdk, "gdk_window_get_display", g.windowGetDisplay);
      Bind(gdk, "gdk_x11_window_foreign_new_for_display", g.foreignWindow);
      Bind(gdk, "gdk_window_set_transient_for", g.setTransientFor);
      Bind(gdk, "gdk_x11_window_get_xid", g.windowXid);
    }
    if (widgets.Load("libgtk-3.so.0")) {
      Bind(widgets, "gtk_widget_realize", g.widgetRealize);
      Bind(widgets, "gtk_widget_get_window", g.widgetGetWindow);
    }
    return g;
  }();
  return gtk;
}

enum class WxState { NotStarted, Running, Failed };

void ShutDownAtExit() {
  if (wxTheApp != nullptr) wxEntryCleanup();
}

}  // namespace

void AttachLog(LogSink* sink) {
  std::lock_guard<std::mutex> guard(gSinkLock);
  gSink = sink;
  ++gSinkUsers;
}

void DetachLog() {
  std::lock_guard<std::mutex> guard(gSinkLock);
  if (gSinkUsers > 0 && --gSinkUsers == 0) gSink = nullptr;
}

void LogLine(int level, const std::string& text) {
  std::lock_guard<std::mutex> guard(gSinkLock);
  if (gSink != nullptr) gSink->Log(level, text.c_str());
}

bool EnsureWxRunning() {
  static std::mutex lock;
  static WxState state = WxState::NotStarted;
  static std::thread::id uiThread;
  std::lock_guard<std::mutex> guard(lock);

  switch (state) {
    case WxState::Failed:
      LogLine(1, "Camera::Configure: ERROR: wxWidgets could not start on this display earlier in this process");
      return false;
    case WxState::Running:
      if (std::this_thread::get_id() != uiThread) {
        LogLine(
            1, "Camera::Configure: ERROR: the configuration dialog must be shown from the thread that showed it first");
        return false;
      }
      return true;
    case WxState::NotStarted: break;
  }

  if (wxTheApp != nullptr) {
    // The host runs wx itself: its application and its thread.
    if (!wxIsMainThread()) {
      LogLine(1,
              "Camera::Configure: ERROR: the host runs wxWidgets; the configuration dialog must be shown from its main "
              "thread");
      return false;
    }
    return true;
  }

  // The parent is an X11 window id and a missing X display is the failure
  // to report, so GTK talks X11 only.
  if (GtkFunctions().setAllowedBackends != nullptr) GtkFunctions().setAllowedBackends("x11");
  wxLog::SetActiveTarget(new DriverLogTarget);  // wx owns it from here
  wxSetAssertHandler(&OnAssert);
  wxApp::SetInstance(new SheetApp);  // wxEntryStart takes it (and deletes it when it fails)
  static int argc = 1;
  static char name[] = "ecocam";
  static char* argv[] = {name, nullptr};
  const char* display = std::getenv("DISPLAY");
  if (!wxEntryStart(argc, argv) || wxTheApp == nullptr || !wxTheApp->CallOnInit()) {
    state = WxState::Failed;
    LogLine(1, std::string("Camera::Configure: ERROR: cannot open the display \"") + (display ? display : "") +
                   "\", the configuration dialog cannot be shown");
    return false;
  }
  // Shut down only at process exit: a shutdown followed by a new start
  // crashes the property grid, and one at library unload crashes at exit.
  std::atexit(&ShutDownAtExit);
  state = WxState::Running;
  uiThread = std::this_thread::get_id();
  LogLine(3, "Camera::Configure: INFO: wxWidgets started");
  return true;
}

wxWindow* FindHostWindow(unsigned long xid) {
  const Gtk& gtk = GtkFunctions();
  if (xid == 0 || !gtk.ForParents()) return nullptr;
  for (wxWindow* window : wxTopLevelWindows) {
    void* widget = window->GetHandle();
    void* gdkWindow = widget != nullptr ? gtk.widgetGetWindow(widget) : nullptr;
    if (gdkWindow != nullptr && gtk.windowXid(gdkWindow) == xid) return window;
  }
  return nullptr;
}

void SetTransientFor(wxWindow& window, unsigned long xid) {
  const Gtk& gtk = GtkFunctions();
  if (!gtk.ForParents() || window.GetHandle() == nullptr) return;
  gtk.widgetRealize(window.GetHandle());
  void* own = gtk.widgetGetWindow(window.GetHandle());
  if (own == nullptr) return;
  // Null for an id that names no window (checked under an X error trap).
  void* parent = gtk.foreignWindow(gtk.windowGetDisplay(own), xid);
  if (parent == nullptr) {
    LogLine(1, "Camera::Configure: WARNING: the parent " + std::to_string(xid) +
                   " is no X11 window; the dialog is shown without owner");
    return;
  }
  gtk.setTransientFor(own, parent);
}

}  // namespace ecocam::ui::wxview
