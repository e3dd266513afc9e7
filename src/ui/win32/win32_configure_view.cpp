// The configuration sheet with Win32 and the common controls: a modal
// property sheet holding the General page, which is built from an in-memory
// dialog template, a grid window over the page's CPropertyGrid, and a
// status bar. The sheet's result is taken from the page's OK notification,
// not from PropertySheet's return value (which some implementations give as
// 1 whatever happened).
//
// Runs on the host's thread that called configureCamera, inside the modal
// sheet's message loop.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/configure_view.h"
#include "ui/property_general.h"
#include "ui/sheet1.h"
#include "ui/win32/grid_window.h"
#include "ui/win32/module.h"
#include "ui/win32/page_template.h"

namespace ecocam::ui {
namespace win32 {

namespace {

void ModuleAnchor() {}

constexpr int kApplyButton = 12321;
constexpr int kHelpButton = 9;
constexpr int kStatusBar = 105;
constexpr int kPageCount = 1;

class Win32ConfigureView : public ConfigureView {
 public:
  explicit Win32ConfigureView(HWND parent) : _parent(parent) {}

  void EnableOkButton(bool enable) override {
    _okEnabled = enable;
    if (_sheet != nullptr) EnableWindow(GetDlgItem(_sheet, IDOK), enable);
  }
  void SetStatusText(const std::string& text) override {
    _statusText = text;
    if (_status != nullptr) SendMessageA(_status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetNameLabel(const std::string& text) override {
    if (_page != nullptr) SetDlgItemTextA(_page, kPageNameLabel, text.c_str());
  }
  void SetDescriptionLabel(const std::string& text) override {
    if (_page != nullptr) SetDlgItemTextA(_page, kPageDescriptionLabel, text.c_str());
  }

  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    return MessageBoxA(_parent, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    MessageBoxA(_sheet != nullptr ? _sheet : _parent, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  }

  bool RunModal(CSheet1& sheet, CPropertyGeneral& page) override;

 private:
  static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
  void InitPage(HWND page);
  void InitSheet(HWND sheet);
  INT_PTR OnNotify(const NMHDR& header);

  // The view whose sheet is being created on this thread: the sheet's
  // callback carries no context of its own.
  static thread_local Win32ConfigureView* _creating;

  HWND _parent;
  HWND _sheet = nullptr;
  HWND _page = nullptr;
  HWND _status = nullptr;
  CPropertyGeneral* _logic = nullptr;
  std::unique_ptr<GridWindow> _grid;
  bool _okEnabled = true;
  bool _okPressed = false;
  std::string _statusText;
};

thread_local Win32ConfigureView* Win32ConfigureView::_creating = nullptr;

bool Win32ConfigureView::RunModal(CSheet1& sheet, CPropertyGeneral& page) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  _logic = &page;
  _okPressed = false;
  const std::vector<WORD> pageTemplate = BuildPageTemplate();

  PROPSHEETPAGEA pageInfo{};
  pageInfo.dwSize = sizeof pageInfo;
  pageInfo.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
  pageInfo.hInstance = ModuleHandle();
  pageInfo.pResource = reinterpret_cast<LPCDLGTEMPLATEA>(pageTemplate.data());
  pageInfo.pszTitle = "General";
  pageInfo.pfnDlgProc = &Win32ConfigureView::PageProc;
  pageInfo.lParam = reinterpret_cast<LPARAM>(this);

  PROPSHEETHEADERA header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  header.hwndParent = _parent;
  header.hInstance = ModuleHandle();
  header.pszCaption = sheet.Title().c_str();
  header.nPages = 1;
  header.nStartPage = 0;
  header.ppsp = &pageInfo;
  header.pfnCallback = &Win32ConfigureView::SheetCallback;

  _creating = this;
  PropertySheetA(&header);  // its result is not trusted: see _okPressed
  _creating = nullptr;
  _sheet = _page = _status = nullptr;
  _grid.reset();
  _logic = nullptr;
  return _okPressed;
}

int CALLBACK Win32ConfigureView::SheetCallback(HWND hwnd, UINT message, LPARAM /*lParam*/) {
  if (message == PSCB_INITIALIZED && _creating != nullptr) _creating->InitSheet(hwnd);
  return 0;
}

void Win32ConfigureView::InitSheet(HWND sheet) {
  _sheet = sheet;
  for (int id : {kApplyButton, kHelpButton}) {
    if (HWND button = GetDlgItem(sheet, id)) ShowWindow(button, SW_HIDE);
  }

  // OK and Cancel stacked on the right-hand side.
  HWND ok = GetDlgItem(sheet, IDOK);
  HWND cancel = GetDlgItem(sheet, IDCANCEL);
  RECT window{};
  GetWindowRect(sheet, &window);
  int width = window.right - window.left;
  int height = window.bottom - window.top;
  if (ok != nullptr && cancel != nullptr) {
    RECT button{};
    GetWindowRect(ok, &button);
    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;
    width += buttonWidth + 15;
    height -= buttonHeight + 5;
    SetWindowPos(sheet, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int x = width - buttonWidth - 17;
    SetWindowPos(ok, nullptr, x, 27, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(cancel, nullptr, x, 27 + buttonHeight + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  _status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, sheet,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBar)), ModuleHandle(), nullptr);
  if (_status != nullptr) {
    RECT bar{};
    GetWindowRect(_status, &bar);
    height += bar.bottom - bar.top;
    SetWindowPos(sheet, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(_status, WM_SIZE, 0, 0);
    SendMessageA(_status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(_statusText.c_str()));
  }
  EnableWindow(ok, _okEnabled);

  // Every page once, last to first, so the first ends active.
  for (int index = kPageCount - 1; index >= 0; --index) PropSheet_SetCurSel(sheet, nullptr, index);
}

void Win32ConfigureView::InitPage(HWND page) {
  _page = page;
  _sheet = GetParent(page);
  HWND frame = GetDlgItem(page, kPageGridFrame);
  RECT rect{};
  GetWindowRect(frame, &rect);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
  DestroyWindow(frame);
  _grid = std::make_unique<GridWindow>(_logic->Grid());
  const auto font = reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0));
  _grid->Create(page, rect, kPageGridFrame, font);
  _logic->OnInitDialog();
  if (_grid) _grid->Refresh();
}

INT_PTR Win32ConfigureView::OnNotify(const NMHDR& header) {
  switch (header.code) {
    case PSN_APPLY:
      // Only a valid set can be confirmed, whatever key pressed OK.
      if (!_okEnabled) {
        SetWindowLongPtrA(_page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        return TRUE;
      }
      _okPressed = true;
      SetWindowLongPtrA(_page, DWLP_MSGRESULT, PSNRET_NOERROR);
      return TRUE;
    case PSN_KILLACTIVE: SetWindowLongPtrA(_page, DWLP_MSGRESULT, FALSE); return TRUE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK Win32ConfigureView::PageProc(HWND hwnd, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* info = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* self = reinterpret_cast<Win32ConfigureView*>(info->lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->InitPage(hwnd);
    return TRUE;
  }
  auto* self = reinterpret_cast<Win32ConfigureView*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  if (message == WM_NOTIFY && lParam != 0) return self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
  return FALSE;
}

}  // namespace

HINSTANCE ModuleHandle() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ModuleAnchor), &module);
  return module;
}

}  // namespace win32

std::unique_ptr<ConfigureView> CreateConfigureView(void* parent) {
  return std::make_unique<win32::Win32ConfigureView>(static_cast<HWND>(parent));
}

}  // namespace ecocam::ui
