// What the push of parameters needs to know about the camera it writes to:
// the host's port number (for log lines) and whether it is a colour camera.
// The camera class implements it; tests use a plain struct.
#pragma once

namespace ecocam {

class PushTarget {
 public:
  virtual ~PushTarget() = default;
  // The host's port number of the open camera.
  virtual int Port() const = 0;
  // True for a colour camera (some steps are for monochrome cameras only).
  virtual bool IsColor() const = 0;

 protected:
  PushTarget() = default;
  PushTarget(const PushTarget&) = default;
  PushTarget& operator=(const PushTarget&) = default;
};

}  // namespace ecocam
