// camhost built without a toolkit for the live view.
#include <cstdio>

#include "exit_codes.h"
#include "view_window.h"

namespace camhost {

int RunViewWindow(ViewSession& session) {
  session.Stop();
  std::fprintf(stderr,
               "camhost: error: this camhost was built without the live view's window (on Linux it needs "
               "wxWidgets 3.2: install libwxgtk3.2-dev and build again)\n");
  return kExitFailure;
}

}  // namespace camhost
