// camhost view: the live picture of one camera with its settings beside it.
#include "commands.h"
#include "exit_codes.h"
#include "view_session.h"
#include "view_window.h"

namespace camhost {

int RunView(const CommonOptions& common, const ViewOptions& options) {
  ViewSession session(common, options);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  return RunViewWindow(session);
}

}  // namespace camhost
