// The live view drawn with wxWidgets. camhost is a wx host: it has its own
// wxApp, started once per process, and the camera's configuration sheet
// (which the driver shows with wx too) runs inside it, owned by the view.
#pragma once

#include <functional>

#include "view_session.h"

class wxFrame;

namespace camhost::wxview {

// Starts wx with camhost's wxApp on the calling thread, which stays wx's.
// False when there is no display.
bool StartWx();
// Shuts wx down; once, at the end of the process.
void StopWx();

// Shows the window over `session` and runs its event loop until the window
// closes; the session is stopped by then. `shown` (tests) is called once
// with the window after it appears.
void ShowViewWindow(ViewSession& session, const std::function<void(wxFrame&)>& shown = {});

// Names of the window's parts, for FindWindowByName.
inline constexpr const char* kPictureName = "picture";
inline constexpr const char* kHistogramName = "histogram";
inline constexpr const char* kConfigureName = "configure";
inline constexpr const char* kSnapshotName = "snapshot";
inline constexpr const char* kPauseName = "pause";
inline constexpr const char* kTriggerName = "trigger";
inline constexpr const char* kFreeRunName = "free-run";
inline constexpr const char* kRateName = "rate";
inline constexpr const char* kStatusBarName = "status";
// Per control: kSliderSuffix etc. appended to the property's name.
inline constexpr const char* kSliderSuffix = "-slider";
inline constexpr const char* kValueSuffix = "-value";
inline constexpr const char* kNoteSuffix = "-note";

// Status bar fields.
enum StatusField { kFieldSize, kFieldReceived, kFieldRate, kFieldSkipped, kFieldLatency, kFieldMessage, kFieldCount };

}  // namespace camhost::wxview
