// The Win32 sheet on a real (virtual) display: a value edited through the
// grid window's own click-and-type path, OK disabled for an invalid width
// and enabled again, a width no parameter can hold shown back, OK saving
// the set, and a screenshot of the sheet.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "params/params_fixture.h"
#include "ui/configure_session.h"
#include "ui/win32/grid_window.h"
#include "ui/win32/page_template.h"

namespace ecocam::ui {
namespace {

namespace pn = param_name;

// What the timer saw while the sheet was open.
struct Observed {
  std::string title;
  bool found = false;
  bool okDisabledWhenInvalid = false;
  std::string invalidStatus;
  bool okEnabledWhenValid = false;
  std::string validStatus;
  std::string refusedStatus;
  bool okEnabledWhenRefused = false;
  std::string shownWhenRefused;
  std::string nameLabel;
  std::string nameLabelAfterDown;
  bool screenshot = false;
  int ticks = 0;
};
Observed g_seen;

std::string StatusText(HWND sheet) {
  HWND bar = GetDlgItem(sheet, 105);
  if (bar == nullptr) return "(no status bar)";
  char text[512] = {};
  SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

// Clicks the item's value cell, types `text` into the editor and presses
// Enter: the way a user edits a number.
bool TypeInto(HWND grid, const char* label, const char* text) {
  const int item = static_cast<int>(SendMessageA(grid, win32::kGridFindItem, 0, reinterpret_cast<LPARAM>(label)));
  POINT point{};
  if (item < 0 ||
      !SendMessageA(grid, win32::kGridGetValuePoint, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&point))) {
    return false;
  }
  SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  SendMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  HWND editor = FindWindowExA(grid, nullptr, "Edit", nullptr);
  if (editor == nullptr) return false;
  SetWindowTextA(editor, text);
  SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  return true;
}

// What the item shows: the text its editor opens with (Escape leaves it).
std::string ShownText(HWND grid, const char* label) {
  const int item = static_cast<int>(SendMessageA(grid, win32::kGridFindItem, 0, reinterpret_cast<LPARAM>(label)));
  POINT point{};
  if (item < 0 ||
      !SendMessageA(grid, win32::kGridGetValuePoint, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&point))) {
    return "(no item)";
  }
  SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
  SendMessageA(grid, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  HWND editor = FindWindowExA(grid, nullptr, "Edit", nullptr);
  if (editor == nullptr) return "(no editor)";
  char text[256] = {};
  GetWindowTextA(editor, text, sizeof text);
  SendMessageA(editor, WM_KEYDOWN, VK_ESCAPE, 0);
  return text;
}

bool SaveScreenshot(HWND window, const char* path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return out.good();
}

void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND sheet = FindWindowA(nullptr, g_seen.title.c_str());
  if (sheet == nullptr || !IsWindowVisible(sheet)) {
    if (++g_seen.ticks > 100) KillTimer(nullptr, timer);  // the test then fails on `found`
    return;
  }
  KillTimer(nullptr, timer);
  g_seen.found = true;
  HWND page = PropSheet_GetCurrentPageHwnd(sheet);
  HWND grid = GetDlgItem(page, win32::kPageGridFrame);
  HWND ok = GetDlgItem(sheet, IDOK);

  if (TypeInto(grid, pn::Width, "2000")) {
    g_seen.okDisabledWhenInvalid = !IsWindowEnabled(ok);
    g_seen.invalidStatus = StatusText(sheet);
  }
  if (TypeInto(grid, pn::Width, "640")) {
    g_seen.okEnabledWhenValid = IsWindowEnabled(ok) != FALSE;
    g_seen.validStatus = StatusText(sheet);
  }
  // A width no int holds: the item goes back to what OK will save.
  if (TypeInto(grid, pn::Width, "3000000000")) {
    g_seen.refusedStatus = StatusText(sheet);
    g_seen.okEnabledWhenRefused = IsWindowEnabled(ok) != FALSE;
    g_seen.shownWhenRefused = ShownText(grid, pn::Width);
  }
  char label[256] = {};
  GetDlgItemTextA(page, win32::kPageNameLabel, label, sizeof label);
  g_seen.nameLabel = label;
  g_seen.screenshot = SaveScreenshot(sheet, "configure_sheet.bmp");
  SendMessageA(grid, WM_KEYDOWN, VK_DOWN, 0);  // the keyboard moves the focus too
  GetDlgItemTextA(page, win32::kPageNameLabel, label, sizeof label);
  g_seen.nameLabelAfterDown = label;
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

// What the timer saw of a message box.
struct MessageSeen {
  std::string caption;
  bool found = false;
  HWND owner = nullptr;
  std::string text;
  int ticks = 0;
};
MessageSeen g_message;

BOOL CALLBACK CollectText(HWND child, LPARAM) {
  char text[1024] = {};
  GetWindowTextA(child, text, sizeof text);
  g_message.text += text;
  g_message.text += "|";
  return TRUE;
}

void CALLBACK CloseMessage(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA("#32770", g_message.caption.c_str());
  if (box == nullptr || !IsWindowVisible(box)) {
    if (++g_message.ticks > 100) KillTimer(nullptr, timer);
    return;
  }
  KillTimer(nullptr, timer);
  g_message.found = true;
  g_message.owner = GetWindow(box, GW_OWNER);
  EnumChildWindows(box, &CollectText, 0);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

class Win32ViewTest : public ecocam::testing::ParamsTest {};

// A message the driver shows (a camera it cannot reach, say) is a box owned
// by the host's window, with the text and caption given.
TEST_F(Win32ViewTest, AMessageIsABoxOwnedByTheHostWindow) {
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  g_message = MessageSeen{};
  g_message.caption = ConfigureTitle(-1, "eco424MVGE");
  auto view = CreateConfigureView(host);
  ASSERT_NE(view, nullptr);
  SetTimer(nullptr, 0, 200, &CloseMessage);
  view->ShowMessage("The camera eco424MVGE could not be reached.", g_message.caption);
  DestroyWindow(host);
  ASSERT_TRUE(g_message.found);
  EXPECT_EQ(g_message.owner, host);
  EXPECT_NE(g_message.text.find("The camera eco424MVGE could not be reached."), std::string::npos) << g_message.text;
}

TEST_F(Win32ViewTest, EditThroughTheGridValidatesAndOkSaves) {
  CameraParameters camera(CameraInfo{1, "eco424MVGE"});
  camera.Get(pn::Width).set_max<int>(1280);
  g_seen = Observed{};
  g_seen.title = ConfigureTitle(0, "eco424MVGE");

  auto view = CreateConfigureView(nullptr);
  ASSERT_NE(view, nullptr);
  SetTimer(nullptr, 0, 200, &Drive);
  auto result = ConfigureParameters(camera, 0, false, *view);

  ASSERT_TRUE(g_seen.found);
  EXPECT_TRUE(g_seen.okDisabledWhenInvalid);
  EXPECT_EQ(g_seen.invalidStatus, "Width + OffsetX = 2000, which is more than maxWidth= 1280");
  EXPECT_TRUE(g_seen.okEnabledWhenValid);
  EXPECT_EQ(g_seen.validStatus, "");
  EXPECT_EQ(g_seen.refusedStatus, "Width: the value 3000000000 was not taken; it stays 640");
  EXPECT_TRUE(g_seen.okEnabledWhenRefused);
  EXPECT_EQ(g_seen.shownWhenRefused, "640");
  EXPECT_EQ(g_seen.nameLabel, "Width [1..1280]");
  EXPECT_EQ(g_seen.nameLabelAfterDown, "Height [1..200]");
  EXPECT_TRUE(g_seen.screenshot);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->Get(pn::Width).get_val<int>(), 640);

  CameraParameters stored(CameraInfo{1, "eco424MVGE"});
  stored.Get(pn::Width).set_max<int>(1280);
  stored.Load();
  EXPECT_EQ(stored.Get(pn::Width).get_val<int>(), 640);
}

}  // namespace
}  // namespace ecocam::ui
