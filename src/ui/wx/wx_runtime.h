// wxWidgets inside a driver library: started once per process when the
// host has no wxApp of its own (the host's is used when it has one), never
// shut down (shutting wx down and starting it again breaks the property
// grid), its log and assertions routed into the driver's log, and the few
// GTK/X11 calls that attach a dialog to a host window given by its X11 id.
#pragma once

#include <string>

#include "ui/wx/view_boundary.h"

class wxWindow;

namespace ecocam::ui::wxview {

// The driver's log while a window of this library is in use; Attach and
// Detach pair up (sheets may nest). Without a sink lines go nowhere.
void AttachLog(LogSink* sink);
void DetachLog();
void LogLine(int level, const std::string& text);

// True when wx runs and may be used from this thread; otherwise logs why
// at level 1 and returns false. The first successful call from a host
// without a wxApp starts wx on the calling thread, which stays wx's.
bool EnsureWxRunning();

// The host's own wx top-level window whose X11 id is `xid`, or null.
wxWindow* FindHostWindow(unsigned long xid);

// Makes the (not yet shown) top-level `window` transient for the foreign
// X11 window `xid`; logs a warning when `xid` names no window.
void SetTransientFor(wxWindow& window, unsigned long xid);

}  // namespace ecocam::ui::wxview
