// Xlib kept to this file: its macros clash with other headers.
#include "ui_wx/host_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace ecocam::testing {

struct HostWindow::Connection {
  Display* display = nullptr;
};

HostWindow::HostWindow(const std::string& display) : _connection(std::make_unique<Connection>()) {
  _connection->display = XOpenDisplay(display.c_str());
  Display* x = _connection->display;
  if (x == nullptr) return;
  _id = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 200, 100, 0, 0, WhitePixel(x, DefaultScreen(x)));
  XStoreName(x, _id, "host");
  XMapWindow(x, _id);
  XSync(x, False);
}

HostWindow::~HostWindow() {
  if (_connection->display == nullptr) return;
  if (_id != 0) XDestroyWindow(_connection->display, _id);
  XCloseDisplay(_connection->display);
}

int HostWindow::TransientChildren() const {
  Display* x = _connection->display;
  if (x == nullptr) return 0;
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) return 0;
  int found = 0;
  for (unsigned int i = 0; i < count; ++i) {
    Window owner = 0;
    if (XGetTransientForHint(x, children[i], &owner) && owner == _id) ++found;
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace ecocam::testing
