#include "driver_library.h"

#include "host_system.h"

namespace camhost {

bool DriverLibrary::Load(const std::string& path, std::string& error) {
  if (!_library.Load(path.c_str())) {
    error = "cannot load the driver library " + path + ": " + _library.LastError();
    return false;
  }
  std::string missing;
#define CAMHOST_RESOLVE(ret, name, params)                                    \
  name = reinterpret_cast<ret(ECOCAM_CALL*) params>(_library.Resolve(#name)); \
  if (name == nullptr) missing += (missing.empty() ? "" : ", ") + std::string(#name);
  CAMHOST_DRIVER_EXPORTS(CAMHOST_RESOLVE)
#undef CAMHOST_RESOLVE
  if (!missing.empty()) {
    error = path + " is not an ecocam driver: it lacks " + missing;
    _library.Unload();
    return false;
  }
  // The driver stays in memory until the process ends: a wait thread it
  // left to end by itself may still run its code after finalize.
  PinLibrary(path);
  return true;
}

}  // namespace camhost
