// A plain X11 window standing in for the host's main window, on a
// connection of its own (no toolkit), and what the window manager would
// read of the windows made transient for it.
#pragma once

#include <memory>
#include <string>

namespace ecocam::testing {

class HostWindow {
 public:
  explicit HostWindow(const std::string& display);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // The window's X11 id, 0 when it could not be created.
  unsigned long Id() const { return _id; }
  // How many top-level windows name this one in WM_TRANSIENT_FOR.
  int TransientChildren() const;

 private:
  struct Connection;
  std::unique_ptr<Connection> _connection;
  unsigned long _id = 0;
};

}  // namespace ecocam::testing
