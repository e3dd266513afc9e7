// The driver context's state: instance, system path, INI path, reference
// count. Logging itself is in driver_log.cpp.
#include "driver_context.h"

#include "platform/system.h"

namespace ecocam {

DriverContext::DriverContext() = default;
DriverContext::~DriverContext() = default;

// The one context of the process. Created on first use by any thread (the
// initialisation of a function-local static is thread-safe) and destroyed
// when the library is unloaded.
DriverContext& DriverContext::GetInstance() {
  static DriverContext instance;
  return instance;
}

std::string DriverContext::SystemPath() const {
  std::lock_guard<std::mutex> guard(_pathMutex);
  return _systemPath;
}

void DriverContext::SetSystemPath(const std::string& path) {
  std::lock_guard<std::mutex> guard(_pathMutex);
  _systemPath = path;
}

// No check of the path: with an empty system path the result names a file
// at the root of the file system.
std::string DriverContext::IniPath() const { return SystemPath() + platform::kPathSeparator + "SVS-Vistek.ini"; }

// A finalize without a matching initialize leaves the count at 0, so the
// next initialize still discovers the cameras.
int DriverContext::Release() {
  int count = _refCount.load();
  while (count > 0 && !_refCount.compare_exchange_weak(count, count - 1)) {
  }
  return count > 0 ? count - 1 : 0;
}

}  // namespace ecocam
