// The Win32 sheet on a real (virtual) display: a value edited through the
// grid window's own click-and-type path, OK disabled for an invalid width
// and enabled again, OK saving the set, and a screenshot of the sheet.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "params/log_capture.h"
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
  if (item < 0 || !SendMessageA(grid, win32::kGridGetValuePoint, static_cast<WPARAM>(item),
                                reinterpret_cast<LPARAM>(&point))) {
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
  char label[256] = {};
  GetDlgItemTextA(page, win32::kPageNameLabel, label, sizeof label);
  g_seen.nameLabel = label;
  g_seen.screenshot = SaveScreenshot(sheet, "configure_sheet.bmp");
  SendMessageA(grid, WM_KEYDOWN, VK_DOWN, 0);  // the keyboard moves the focus too
  GetDlgItemTextA(page, win32::kPageNameLabel, label, sizeof label);
  g_seen.nameLabelAfterDown = label;
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

class Win32ViewTest : public ecocam::testing::ParamsTest {};

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
