// camhost's live view window in plain Win32, in this process under Wine on
// a virtual display, over the driver and the simulated SDK: the picture at
// 1:1 read back from the screen (in-process BitBlt) against the test
// pattern, an ExposureTime typed into its number field reaching the
// camera, and a close while frames arrive. The grey window is left in the
// build's bin folder as camhost_view_win32.png.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exit_codes.h"
#include "png_file.h"
#include "shown_picture.h"
#include "sim_control.h"
#include "support/temp_dir.h"
#include "view_picture.h"
#include "view_session.h"
#include "win32/view_win32.h"

namespace camhost::testing {
namespace {

using ecocam::testing::TempDir;

using Image = ShownPicture;

// What the screen shows of `rect` (screen coordinates).
Image Capture(const RECT& rect) {
  Image image;
  image.width = rect.right - rect.left;
  image.height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, image.width, image.height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, image.width, image.height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = image.width;
  info.biHeight = -image.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int stride = (image.width * 3 + 3) & ~3;
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(stride) * image.height);
  GetDIBits(memory, bitmap, 0, image.height, bgr.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = &bgr[static_cast<std::size_t>(y) * stride + x * 3];
      std::uint8_t* q = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  }
  return image;
}

// Steps over the shown window from a thread timer, one per tick; a step
// returns false to run again at the next tick. Past its time limit the
// window is closed and the test fails.
class Script {
 public:
  using Step = std::function<bool(HWND)>;
  explicit Script(std::vector<Step> steps) : _steps(std::move(steps)) {}
  void Begin(HWND window) {
    _window = window;
    _until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    gScript = this;
    _timer = SetTimer(nullptr, 0, 50, &Script::Tick);
  }
  ~Script() {
    if (_timer != 0) KillTimer(nullptr, _timer);
    gScript = nullptr;
  }
  bool Finished() const { return _next == _steps.size(); }
  std::size_t Reached() const { return _next; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* s = gScript;
    if (s == nullptr || s->_running || s->Finished()) return;
    s->_running = true;
    if (std::chrono::steady_clock::now() > s->_until) {
      PostMessageA(s->_window, WM_CLOSE, 0, 0);
    } else if (s->_steps[s->_next](s->_window)) {
      ++s->_next;
    }
    s->_running = false;
  }

  static inline Script* gScript = nullptr;
  std::vector<Step> _steps;
  HWND _window = nullptr;
  UINT_PTR _timer = 0;
  std::size_t _next = 0;
  bool _running = false;
  std::chrono::steady_clock::time_point _until;
};

class ViewWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete());
    sim.SimSdk_reset();
  }

  std::unique_ptr<ViewSession> Open(const std::string& camera, std::vector<std::string> ini) {
    CommonOptions common;
    common.systemPath = (dir.path() / "system").string();
    common.iniKeys = std::move(ini);
    ViewOptions options;
    options.camera = camera;
    options.mode = GrabMode::kContinuous;
    options.outDir = (dir.path() / "out").string();
    auto view = std::make_unique<ViewSession>(common, options);
    EXPECT_EQ(view->Start(), kExitOk);
    return view;
  }

  void Run(ViewSession& view, Script& script) {
    win32view::ShowViewWindow(view, [&](HWND window) { script.Begin(window); });
    EXPECT_TRUE(script.Finished()) << "the script stopped at step " << script.Reached();
  }

  // Waits for frames, pauses, lets the last frame settle, reads the
  // picture back from the screen at 1:1 and hands it to `check`, saves the
  // window as `shot` when given, and closes with q.
  std::vector<Script::Step> PictureSteps(ViewSession& view, const std::string& shot,
                                         std::function<void(const Image&)> check) {
    auto settled = std::make_shared<int>(0);
    auto last = std::make_shared<long long>(-1);
    return {
        [&view](HWND) { return view.Stats().received >= 3 && view.Frames().Front().number > 0; },
        [](HWND w) {
          SendMessageA(GetDlgItem(w, win32view::kPauseId), BM_CLICK, 0, 0);
          return true;
        },
        [&view, settled, last](HWND) {
          const long long now = view.Frames().Front().number;
          *settled = now == *last ? *settled + 1 : 0;
          *last = now;
          return *settled >= 10;
        },
        [&view, shot, check](HWND w) {
          HWND picture = GetDlgItem(w, win32view::kPictureId);
          RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
          RECT area{};
          GetClientRect(picture, &area);
          const ViewFrame& frame = view.Frames().Front();
          const Placement at = FitInside(frame.width, frame.height, area.right, area.bottom);
          EXPECT_EQ(at.width, frame.width) << "the picture is not drawn at 1:1";
          EXPECT_EQ(at.height, frame.height);
          POINT origin{at.x, at.y};
          ClientToScreen(picture, &origin);
          check(Capture(RECT{origin.x, origin.y, origin.x + frame.width, origin.y + frame.height}));
          if (!shot.empty()) {
            RECT whole{};
            GetWindowRect(w, &whole);
            const Image window = Capture(whole);
            EXPECT_TRUE(WritePng(shot, window.width, window.height, 3, window.rgb.data()));
          }
          return true;
        },
        [](HWND w) {
          PostMessageA(w, WM_KEYDOWN, 'Q', 0);
          return true;
        },
    };
  }

  SimControl sim;
  TempDir dir;
};

TEST_F(ViewWin32Test, TheGreyPictureAtOneToOneIsTheTestPatternPixelForPixel) {
  auto view = Open("eco424MVGE", {"Width=320", "Height=240", "FrameRate=30"});
  const std::string shot = (std::filesystem::current_path() / "camhost_view_win32.png").string();
  int wrong = -1;
  Script script(
      PictureSteps(*view, shot, [&](const Image& shown) { wrong = GreyPatternMismatches(shown, 0, 0, 320, 240); }));
  Run(*view, script);
  EXPECT_EQ(wrong, 0) << "pixels differing from the test pattern";
  EXPECT_TRUE(std::filesystem::exists(shot));
}

TEST_F(ViewWin32Test, TheColourPictureAtOneToOneIsTheDemosaicedTestPatternPixelForPixel) {
  auto view = Open("eco424CVGE", {"Width=320", "Height=240", "FrameRate=30", "BayerMethod=None"});
  bool matched = false;
  Script script(PictureSteps(*view, "", [&](const Image& shown) { matched = IsColourPattern(shown, 0, 0, 320, 240); }));
  Run(*view, script);
  EXPECT_TRUE(matched) << "the picture is no demosaiced test pattern";
}

TEST_F(ViewWin32Test, AnExposureTimeTypedIntoItsFieldReachesTheCamera) {
  auto view = Open("eco424MVGE", {"Width=160", "Height=120", "FrameRate=30"});
  const int exposure = 1;  // the second control
  ASSERT_EQ(view->Controls().Controls()[exposure].name, "ExposureTime");
  Script script({
      [&](HWND w) {
        sim.SimSdk_clearJournal();
        HWND field = GetDlgItem(w, win32view::kValueBase + exposure);
        EXPECT_NE(field, nullptr);
        SetWindowTextA(field, "2500");
        SendMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
        return true;
      },
      [&](HWND w) {
        int value = 0;
        EXPECT_EQ(view->Driver().getProperty(0, 0, "ExposureTime", &value), 1);
        EXPECT_EQ(value, 2500);
        const std::vector<std::string> sent = sim.JournalOf("Camera_setExposureTime");
        EXPECT_FALSE(sent.empty());
        if (!sent.empty()) {
          EXPECT_NE(sent.back().find(",2500)"), std::string::npos) << sent.back();
        }
        EXPECT_EQ(SendMessageA(GetDlgItem(w, win32view::kSliderBase + exposure), TBM_GETPOS, 0, 0), 2500);
        PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
        return true;
      },
  });
  Run(*view, script);
}

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<OwnedSearch*>(p);
  if (w != s->owner && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == s->owner) s->found = w;
  return s->found == nullptr;
}

// The visible top-level window owned by `owner`, if any.
HWND OwnedWindow(HWND owner) {
  OwnedSearch search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &FindOwned, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(ViewWin32Test, ConfigureShowsTheSheetOwnedByTheViewAndOkSavesAndReopens) {
  auto view = Open("eco424MVGE", {"Width=160", "Height=120", "FrameRate=30"});
  auto ini = [&] {
    std::ifstream file(dir.path() / "system" / "SVS-Vistek.ini");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  // camhost writes a few keys itself; the sheet's OK saves all of them.
  ASSERT_EQ(ini().find("ExposureDelay="), std::string::npos) << ini();
  bool sheetSeen = false;
  long long before = 0;
  Script script({
      [&](HWND) { return view->Frames().Front().number > 0; },
      [&](HWND w) {
        before = view->Stats().received;
        // Posted, so the timer is free to run inside the sheet's loop.
        PostMessageA(GetDlgItem(w, win32view::kConfigureId), BM_CLICK, 0, 0);
        return true;
      },
      [&](HWND w) {
        HWND sheet = OwnedWindow(w);
        if (sheet == nullptr) return false;
        sheetSeen = true;
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        return true;
      },
      // Reopened: frames come again, counted from the start.
      [&](HWND w) { return OwnedWindow(w) == nullptr && view->Frames().Front().number > 0; },
      [&](HWND w) {
        char text[256] = {};
        SendMessageA(GetDlgItem(w, win32view::kStatusId), SB_GETTEXTA, win32view::kPartMessage,
                     reinterpret_cast<LPARAM>(text));
        EXPECT_NE(std::string(text).find("opened again"), std::string::npos) << text;
        PostMessageA(w, WM_KEYDOWN, 'Q', 0);
        return true;
      },
  });
  Run(*view, script);
  EXPECT_TRUE(sheetSeen);
  EXPECT_NE(ini().find("ExposureDelay="), std::string::npos) << ini();
}

TEST_F(ViewWin32Test, ClosingWhileFramesArriveClosesTheCameraCleanly) {
  {
    auto view = Open("eco424MVGE", {"FrameRate=60"});
    Script script({
        [&](HWND) { return view->Stats().received >= 20; },
        [&](HWND w) {
          PostMessageA(w, WM_CLOSE, 0, 0);
          return true;
        },
    });
    Run(*view, script);
    EXPECT_EQ(sim.SimSdk_getChannelCount(), 0);
    // The core's tests count frames exactly on a drained stream.
    sim.ExpectEveryImageBack(view->Stats().received);
  }
  sim.ExpectNothingLive();
}

}  // namespace
}  // namespace camhost::testing
