// The live view's window, whichever toolkit draws it: shows `session`'s
// camera until the user closes the window, then stops the session. The
// session must have started. An exit code (exit_codes.h).
#pragma once

#include "view_session.h"

namespace camhost {

int RunViewWindow(ViewSession& session);

}  // namespace camhost
