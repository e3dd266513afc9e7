// The grid window over the CPropertyGrid model. It runs on the dialog's
// thread, inside the modal sheet's message loop.
#include "ui/win32/grid_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <string>

#include "ui/win32/module.h"

namespace ecocam::ui::win32 {

namespace {

constexpr char kClassName[] = "EcocamPropertyGrid";
constexpr int kIndent = 14;
// Commit or drop the combo's choice after its own notification returned.
constexpr UINT kCommitLater = WM_APP + 42;
constexpr UINT kEndLater = WM_APP + 43;

void RegisterOnce() {
  static const bool registered = [] {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;  // replaced by the object's procedure below
    wc.hInstance = ModuleHandle();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
  }();
  (void)registered;
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

}  // namespace

HWND GridWindow::Create(HWND parent, const RECT& rect, int id, HFONT font) {
  RegisterOnce();
  _font = font;
  _hwnd = CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, rect.left,
                          rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleHandle(), nullptr);
  if (_hwnd == nullptr) return nullptr;
  SetWindowLongPtrA(_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridWindow::WindowProc));
  HDC dc = GetDC(_hwnd);
  HGDIOBJ old = SelectObject(dc, _font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(_hwnd, dc);
  _rowHeight = metrics.tmHeight + 6;
  UpdateScroll();
  return _hwnd;
}

void GridWindow::Refresh() {
  if (_hwnd == nullptr) return;
  UpdateScroll();
  InvalidateRect(_hwnd, nullptr, TRUE);
}

LRESULT CALLBACK GridWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<GridWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

std::vector<GridWindow::Row> GridWindow::Rows() const {
  std::vector<Row> rows;
  const auto& items = _grid.Items();
  for (int s = 0; s < static_cast<int>(_grid.Sections().size()); ++s) {
    rows.push_back(Row{s, -1});
    if (_collapsed.count(s) != 0) continue;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      if (!items[static_cast<std::size_t>(i)].removed && items[static_cast<std::size_t>(i)].section == s) {
        rows.push_back(Row{s, i});
      }
    }
  }
  return rows;
}

int GridWindow::LabelWidth() const {
  RECT client{};
  GetClientRect(_hwnd, &client);
  return (client.right - client.left) * 2 / 5;
}

int GridWindow::VisibleRows() const {
  RECT client{};
  GetClientRect(_hwnd, &client);
  const int rows = (client.bottom - client.top) / _rowHeight;
  return rows > 0 ? rows : 1;
}

void GridWindow::UpdateScroll() {
  const int rows = static_cast<int>(Rows().size());
  const int visible = VisibleRows();
  if (_top > rows - visible) _top = rows - visible;
  if (_top < 0) _top = 0;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = rows > 0 ? rows - 1 : 0;
  info.nPage = static_cast<UINT>(visible);
  info.nPos = _top;
  SetScrollInfo(_hwnd, SB_VERT, &info, TRUE);
}

void GridWindow::Scroll(int top) {
  if (_editor != nullptr) CommitEdit();
  _top = top;
  UpdateScroll();
  InvalidateRect(_hwnd, nullptr, TRUE);
}

void GridWindow::EnsureVisible(int item) {
  const std::vector<Row> rows = Rows();
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    if (rows[static_cast<std::size_t>(r)].item != item) continue;
    if (r < _top)
      Scroll(r);
    else if (r >= _top + VisibleRows())
      Scroll(r - VisibleRows() + 1);
    return;
  }
}

void GridWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(_hwnd, &ps);
  RECT client{};
  GetClientRect(_hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, _font);
  SetBkMode(dc, TRANSPARENT);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ oldPen = SelectObject(dc, pen);

  const int labelWidth = LabelWidth();
  const std::vector<Row> rows = Rows();
  for (int r = _top; r < static_cast<int>(rows.size()); ++r) {
    const int y = (r - _top) * _rowHeight;
    if (y > client.bottom) break;
    const Row& row = rows[static_cast<std::size_t>(r)];
    RECT line{client.left, y, client.right, y + _rowHeight};
    if (row.item < 0) {
      FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      const std::string title = std::string(_collapsed.count(row.section) ? "+  " : "-  ") +
                                _grid.Sections()[static_cast<std::size_t>(row.section)].title;
      RECT text{line.left + 3, line.top, line.right, line.bottom};
      DrawTextA(dc, title.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      continue;
    }
    const CPropertyGrid::Item& item = *_grid.GetItem(row.item);
    RECT label{line.left + kIndent, line.top, labelWidth, line.bottom};
    if (_grid.GetSelectedItem() == row.item) {
      RECT mark{line.left, line.top, labelWidth, line.bottom};
      FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    DrawTextA(dc, item.label.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, GetSysColor(item.editable ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    RECT value{labelWidth + 4, line.top, line.right - 2, line.bottom};
    const std::string shown = _grid.GetItemText(row.item);
    DrawTextA(dc, shown.c_str(), -1, &value, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    MoveToEx(dc, line.left, line.bottom - 1, nullptr);
    LineTo(dc, line.right, line.bottom - 1);
    MoveToEx(dc, labelWidth, line.top, nullptr);
    LineTo(dc, labelWidth, line.bottom);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  SelectObject(dc, oldFont);
  EndPaint(_hwnd, &ps);
}

void GridWindow::Click(int x, int y) {
  if (_editor != nullptr) CommitEdit();
  const std::vector<Row> rows = Rows();
  const int r = _top + y / _rowHeight;
  if (y < 0 || r >= static_cast<int>(rows.size())) return;
  const Row row = rows[static_cast<std::size_t>(r)];
  if (row.item < 0) {
    if (!_collapsed.erase(row.section)) _collapsed.insert(row.section);
    Refresh();
    return;
  }
  if (_grid.GetSelectedItem() != row.item) _grid.SelectItem(row.item);
  InvalidateRect(_hwnd, nullptr, TRUE);
  if (x >= LabelWidth() && _grid.IsItemEditable(row.item)) BeginEdit(row.item);
}

void GridWindow::BeginEdit(int handle) {
  const CPropertyGrid::Item* item = _grid.GetItem(handle);
  if (item == nullptr) return;
  switch (item->type) {
    case CPropertyGrid::ItemType::Bool:
      _grid.SetItemValue(handle, !item->boolValue);
      UserChanged(handle);
      return;
    case CPropertyGrid::ItemType::File: {
      std::string filter = item->filter;  // "a|b||" becomes "a\0b\0\0"
      for (char& c : filter) {
        if (c == '|') c = '\0';
      }
      filter.push_back('\0');
      char path[4 * MAX_PATH] = {};
      lstrcpynA(path, item->text.c_str(), sizeof path);
      OPENFILENAMEA dialog{};
      dialog.lStructSize = sizeof dialog;
      dialog.hwndOwner = GetAncestor(_hwnd, GA_ROOT);
      dialog.lpstrFilter = filter.c_str();
      dialog.lpstrFile = path;
      dialog.nMaxFile = sizeof path;
      dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
      if (GetOpenFileNameA(&dialog) && _grid.SetItemValue(handle, std::string(path))) UserChanged(handle);
      return;
    }
    default: break;
  }

  const std::vector<Row> rows = Rows();
  int r = 0;
  while (r < static_cast<int>(rows.size()) && rows[static_cast<std::size_t>(r)].item != handle) ++r;
  RECT client{};
  GetClientRect(_hwnd, &client);
  const int x = LabelWidth() + 1;
  const int y = (r - _top) * _rowHeight;
  const int width = client.right - x;
  const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(100));
  if (item->type == CPropertyGrid::ItemType::Combo) {
    _editor = CreateWindowExA(0, WC_COMBOBOXA, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, x, y, width,
                              _rowHeight * 10, _hwnd, id, ModuleHandle(), nullptr);
    if (_editor == nullptr) return;
    SendMessageA(_editor, WM_SETFONT, reinterpret_cast<WPARAM>(_font), FALSE);
    for (const std::string& option : item->options) {
      SendMessageA(_editor, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(option.c_str()));
    }
    SendMessageA(_editor, CB_SETCURSEL, static_cast<WPARAM>(item->selected), 0);
    _editItem = handle;
    SetFocus(_editor);
    SendMessageA(_editor, CB_SHOWDROPDOWN, TRUE, 0);
    return;
  }
  _editor = CreateWindowExA(0, WC_EDITA, _grid.GetItemText(handle).c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                            x + 3, y, width - 3, _rowHeight - 1, _hwnd, id, ModuleHandle(), nullptr);
  if (_editor == nullptr) return;
  SendMessageA(_editor, WM_SETFONT, reinterpret_cast<WPARAM>(_font), FALSE);
  SetWindowLongPtrA(_editor, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  _editorBaseProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(_editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridWindow::EditorProc)));
  _editItem = handle;
  SendMessageA(_editor, EM_SETSEL, 0, -1);
  SetFocus(_editor);
}

LRESULT CALLBACK GridWindow::EditorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<GridWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  const WNDPROC base = self->_editorBaseProc;
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        self->CommitEdit();
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        self->EndEdit();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == '\r' || wParam == 27) return 0;  // no beep for the keys handled above
      break;
    case WM_KILLFOCUS: {
      const LRESULT result = CallWindowProcA(base, hwnd, message, wParam, lParam);
      if (self->_editor == hwnd) self->CommitEdit();
      return result;
    }
    default: break;
  }
  return CallWindowProcA(base, hwnd, message, wParam, lParam);
}

void GridWindow::CommitEdit() {
  if (_editor == nullptr || _committing) return;
  _committing = true;
  const int handle = _editItem;
  const CPropertyGrid::Item* item = _grid.GetItem(handle);
  bool changed = false;
  if (item != nullptr && item->type == CPropertyGrid::ItemType::Combo) {
    const int index = static_cast<int>(SendMessageA(_editor, CB_GETCURSEL, 0, 0));
    changed = index != item->selected && _grid.SetComboSelection(handle, index);
  } else if (item != nullptr) {
    const std::string text = WindowText(_editor);
    if (text != _grid.GetItemText(handle)) {
      changed = _grid.SetItemText(handle, text);
      if (!changed) MessageBeep(MB_ICONWARNING);  // not a value of the item's type: dropped
    }
  }
  EndEdit();
  _committing = false;
  if (changed) UserChanged(handle);
}

void GridWindow::EndEdit() {
  HWND editor = _editor;
  _editor = nullptr;
  _editItem = -1;
  if (editor != nullptr) {
    if (GetFocus() == editor) SetFocus(_hwnd);
    DestroyWindow(editor);
  }
}

void GridWindow::Key(int key) {
  const std::vector<Row> rows = Rows();
  int current = -1;
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    if (rows[static_cast<std::size_t>(r)].item == _grid.GetSelectedItem()) current = r;
  }
  if (key == VK_UP || key == VK_DOWN) {
    const int step = key == VK_UP ? -1 : 1;
    for (int r = current + step; r >= 0 && r < static_cast<int>(rows.size()); r += step) {
      const int item = rows[static_cast<std::size_t>(r)].item;
      if (item < 0) continue;
      _grid.SelectItem(item);
      EnsureVisible(item);
      InvalidateRect(_hwnd, nullptr, TRUE);
      return;
    }
    return;
  }
  const int item = _grid.GetSelectedItem();
  if ((key == VK_F2 || key == VK_SPACE) && item >= 0 && _grid.IsItemEditable(item)) {
    EnsureVisible(item);
    BeginEdit(item);
  }
}

void GridWindow::UserChanged(int item) {
  _grid.NotifyItemChanged(item);
  Refresh();
}

LRESULT GridWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_SIZE: UpdateScroll(); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN: Key(static_cast<int>(wParam)); return 0;
    case WM_LBUTTONDOWN:
      SetFocus(_hwnd);
      Click(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSEWHEEL: Scroll(_top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3); return 0;
    case WM_VSCROLL: {
      int top = _top;
      switch (LOWORD(wParam)) {
        case SB_LINEUP: top -= 1; break;
        case SB_LINEDOWN: top += 1; break;
        case SB_PAGEUP: top -= VisibleRows(); break;
        case SB_PAGEDOWN: top += VisibleRows(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: top = HIWORD(wParam); break;
        default: return 0;
      }
      Scroll(top);
      return 0;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == _editor && _editor != nullptr) {
        if (HIWORD(wParam) == CBN_SELENDOK) PostMessageA(_hwnd, kCommitLater, 0, 0);
        if (HIWORD(wParam) == CBN_SELENDCANCEL) PostMessageA(_hwnd, kEndLater, 0, 0);
      }
      return 0;
    case kCommitLater: CommitEdit(); return 0;
    case kEndLater: EndEdit(); return 0;
    case kGridGetValuePoint: {
      auto* point = reinterpret_cast<POINT*>(lParam);
      const int item = static_cast<int>(wParam);
      if (point == nullptr || _grid.GetItem(item) == nullptr) return FALSE;
      EnsureVisible(item);
      const std::vector<Row> rows = Rows();
      for (int r = _top; r < static_cast<int>(rows.size()); ++r) {
        if (rows[static_cast<std::size_t>(r)].item != item) continue;
        point->x = LabelWidth() + 8;
        point->y = (r - _top) * _rowHeight + _rowHeight / 2;
        return TRUE;
      }
      return FALSE;  // in a folded section
    }
    case kGridFindItem: return lParam != 0 ? _grid.FindItem(reinterpret_cast<const char*>(lParam)) : -1;
    case WM_DESTROY:
      _editor = nullptr;
      SetWindowLongPtrA(_hwnd, GWLP_USERDATA, 0);
      _hwnd = nullptr;
      return 0;
    default: break;
  }
  return DefWindowProcA(_hwnd, message, wParam, lParam);
}

}  // namespace ecocam::ui::win32
