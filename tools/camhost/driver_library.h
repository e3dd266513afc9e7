// The driver, loaded by path, seen only through its 17 exports, the way
// the host application sees it.
#pragma once

#include <string>

#include "ecocam/ecocam.h"
#include "platform/dynamic_library.h"

namespace camhost {

// clang-format off
#define CAMHOST_DRIVER_EXPORTS(X) \
  X(int, initialize, (const char*, DebugMsgProc)) \
  X(int, finalize, (void)) \
  X(int, setSystemPath, (const char*)) \
  X(void, setDebugMsgProc, (DebugMsgProc)) \
  X(int, getCVLMaxNoOfGrabbers, (void)) \
  X(int, getCVLMaxNoOfPorts, (void)) \
  X(int, getCVLNoOfSupportedCameras, (void)) \
  X(char**, getCVLCameraConfigNames, (void)) \
  X(int, openCVLPort, (int, int, const char*, int*)) \
  X(void, closeCVLPort, (int, int)) \
  X(int, doCVLGrab, (int, int)) \
  X(int, getCVLGrabRow, (int, int, unsigned char*, int, int, int)) \
  X(int, setCompleteCallback, (int, int, CompleteCallback)) \
  X(int, getPropertyRange, (int, int, const char*, int*, int*)) \
  X(int, getProperty, (int, int, const char*, int*)) \
  X(int, setProperty, (int, int, const char*, int)) \
  X(int, configureCamera, (void*, const char*))
// clang-format on

class DriverLibrary {
 public:
  DriverLibrary() = default;
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  // Loads the library at `path` and resolves all 17 exports. False, with
  // `error` saying why, when it cannot be loaded or lacks an export.
  bool Load(const std::string& path, std::string& error);

#define CAMHOST_EXPORT_MEMBER(ret, name, params) ret(ECOCAM_CALL* name) params = nullptr;
  CAMHOST_DRIVER_EXPORTS(CAMHOST_EXPORT_MEMBER)
#undef CAMHOST_EXPORT_MEMBER

 private:
  ecocam::platform::DynamicLibrary _library;
};

}  // namespace camhost
