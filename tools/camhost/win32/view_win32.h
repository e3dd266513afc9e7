// The live view drawn with plain Win32 (GDI), inside camhost.exe: only
// Windows' own libraries (user32, gdi32, comctl32).
#pragma once

#include <windows.h>

#include <functional>

#include "view_session.h"

namespace camhost::win32view {

// Shows the window over `session` and runs its message loop until the
// window closes; the session is stopped by then. `shown` (tests) is called
// once with the window after it appears.
void ShowViewWindow(ViewSession& session, const std::function<void(HWND)>& shown = {});

// Child control ids, for tests and for the window's own commands.
enum ControlId : int {
  kPictureId = 100,
  kHistogramId,
  kStatusId,
  kConfigureId,
  kSnapshotId,
  kPauseId,
  kTriggerId,
  kFreeRunId,
  kRateId,
  // Per control i: kSliderBase + i, kValueBase + i, kNoteBase + i.
  kSliderBase = 200,
  kValueBase = 300,
  kNoteBase = 400,
};

// Status bar parts.
enum StatusPart { kPartSize, kPartReceived, kPartRate, kPartSkipped, kPartLatency, kPartMessage, kPartCount };

}  // namespace camhost::win32view
