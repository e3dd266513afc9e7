// The library's side of the boundary: the entry point and the SheetWindow
// the driver talks to.
#include <wx/msgdlg.h>
#include <wx/generic/msgdlgg.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <type_traits>

#include "ui/wx/sheet_dialog.h"
#include "ui/wx/view_boundary.h"
#include "ui/wx/wx_runtime.h"

namespace ecocam::ui::wxview {
namespace {

class WxSheetWindow : public SheetWindow {
 public:
  explicit WxSheetWindow(void* parent)
      : _parentXid(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(parent))) {}

  void EnableOk(bool enable) override {
    Shielded([&] {
      if (_dialog != nullptr) _dialog->EnableOk(enable);
    });
  }
  void SetStatusText(const char* text) override {
    Shielded([&] {
      if (_dialog != nullptr) _dialog->SetStatus(FromModel(text));
    });
  }
  void SetNameLabel(const char* text) override {
    Shielded([&] {
      if (_dialog != nullptr) _dialog->SetNameLabel(FromModel(text));
    });
  }
  void SetDescriptionLabel(const char* text) override {
    Shielded([&] {
      if (_dialog != nullptr) _dialog->SetDescriptionLabel(FromModel(text));
    });
  }

  bool AskOkCancel(const char* text, const char* caption) override {
    bool ok = false;
    Shielded([&] { ok = ShowBox(text, caption, wxOK | wxCANCEL | wxICON_EXCLAMATION) == wxID_OK; });
    return ok;
  }

  void ShowMessage(const char* text, const char* caption) override {
    Shielded([&] { ShowBox(text, caption, wxOK | wxICON_ERROR); });
  }

  bool RunModal(const char* title, SheetModel& model) override {
    bool ok = false;
    Shielded([&] {
      wxWindow* host = FindHostWindow(_parentXid);
      SheetDialog dialog(host, FromModel(title), model);
      struct Showing {
        SheetDialog*& current;
        ~Showing() { current = nullptr; }
      } showing{_dialog};
      _dialog = &dialog;
      dialog.InitPage();
      if (host == nullptr && _parentXid != 0) SetTransientFor(dialog, _parentXid);
      dialog.CentreOnParent();
      ok = dialog.ShowModal() == wxID_OK && model.OkEnabled();
    });
    return ok;
  }

  void Release() override {
    DetachLog();
    std::unique_ptr<WxSheetWindow> self(this);
  }

 private:
  template <typename F>
  static void Shielded(F&& body) {
    try {
      body();
    } catch (const std::exception& e) {
      LogLine(1, std::string("Camera::Configure: ERROR: ") + e.what());
    } catch (...) {
      LogLine(1, "Camera::Configure: ERROR: Exception occured");
    }
  }

  // A modal message box over the sheet while it is shown, else over the
  // host's window (a wx window of the host, or an X11 window it is made
  // transient for); its result.
  int ShowBox(const char* text, const char* caption, long style) {
    wxWindow* host = _dialog != nullptr ? _dialog : FindHostWindow(_parentXid);
    wxGenericMessageDialog box(host, FromModel(text), FromModel(caption), style);
    if (host == nullptr && _parentXid != 0) {
      // The box makes its window only when it is shown.
      const unsigned long xid = _parentXid;
      box.Bind(wxEVT_INIT_DIALOG, [&box, xid](wxInitDialogEvent& event) {
        SetTransientFor(box, xid);
        event.Skip();
      });
    }
    return box.ShowModal();
  }

  unsigned long _parentXid;
  SheetDialog* _dialog = nullptr;
};

}  // namespace
}  // namespace ecocam::ui::wxview

// The library's only export.
extern "C" __attribute__((visibility("default"))) int ecocam_ui_wx_open(int version, void* parent,
                                                                        ecocam::ui::wxview::LogSink* log,
                                                                        ecocam::ui::wxview::SheetWindow** window) {
  using namespace ecocam::ui::wxview;
  static_assert(std::is_same_v<OpenFunction, decltype(&ecocam_ui_wx_open)>);
  if (window == nullptr) return 2;
  *window = nullptr;
  if (version != kBoundaryVersion) {
    if (log != nullptr)
      log->Log(1, "Camera::Configure: ERROR: the configuration dialog library does not match the driver");
    return 2;
  }
  AttachLog(log);
  try {
    if (EnsureWxRunning()) {
      *window = std::make_unique<WxSheetWindow>(parent).release();  // ends in Release
      return 0;
    }
  } catch (...) {
    LogLine(1, "Camera::Configure: ERROR: the configuration dialog could not start");
  }
  DetachLog();
  return 1;
}
