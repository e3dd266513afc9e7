// The exports that start and end the driver and describe it: initialize,
// finalize, the system path and message procedure, the limits and the
// camera names. They run on whatever thread the host calls them from.
#include <memory>
#include <mutex>
#include <string>

#include "camera/camera_list.h"
#include "ecocam/ecocam.h"
#include "export_support.h"
#include "platform/system.h"

using ecocam::CameraList;
using ecocam::DriverContext;
using namespace ecocam::exports;

namespace {

void StoreSystemPath(const char* path) { Context().SetSystemPath(path); }

// The line that records an initialize, with the count it left and the time.
std::string InitializedLine(int count) {
  const ecocam::platform::LocalTimeParts t = ecocam::platform::LocalTime();
  return "initialize: SVS Vistek camera driver V" + std::string("1.0") + ", refcount=" + Num(count) + ", " +
         Num(t.year) + "-" + Num(t.month) + "-" + Num(t.day) + " " + Num(t.hour) + ":" + Num(t.minute) + ":" +
         Num(t.second);
}

}  // namespace

// The first initialize (count 0) creates the registry and discovers the
// cameras; later ones only count. Succeeds also when no camera was found.
ECOCAM_API int ECOCAM_CALL initialize(const char* systemPath, DebugMsgProc msgProc) {
  int result = 0;
  Shield(
      [&] {
        DriverContext& ctx = Context();
        if (systemPath != nullptr && systemPath[0] != '\0') StoreSystemPath(systemPath);
        ctx.SetDebugMsgProcedure(msgProc);
        ECOCAM_LOG(2, "===============\ninitialize: \n");
        // The count and the registry change together, never beside a finalize.
        const std::unique_lock<std::mutex> lifecycle = CameraList::LockLifecycle();
        if (ctx.RefCount() == 0) CameraList::Start();
        const int count = ctx.AddRef();
        ECOCAM_LOG(1, InitializedLine(count));
        result = 1;
      },
      [](const std::string& text) { return "initialize: --EXCEPTION caught : " + text; },
      [] { return "initialize: SVS-VISTEK camera driver -- EXCEPTION occured"; });
  return result;
}

// The finalize that brings the count to 0 destroys the registry with every
// camera. An unmatched finalize leaves the count at 0.
ECOCAM_API int ECOCAM_CALL finalize(void) {
  ECOCAM_LOG(2, "finalize: entering, refcount=" + Num(Context().RefCount()));
  int result = 0;
  Shield(
      [&] {
        const std::unique_lock<std::mutex> lifecycle = CameraList::LockLifecycle();
        const int count = Context().Release();
        if (count == 0) CameraList::DestroyInstance();
        ECOCAM_LOG(2, "finalize: leaving, refcount=" + Num(count));
        result = 1;
      },
      [](const std::string& text) { return "finalize: --EXCEPTION caught: " + text; },
      [] { return "finalize: --EXCEPTION occured"; });
  return result;
}

ECOCAM_API int ECOCAM_CALL setSystemPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  try {
    StoreSystemPath(path);
    return 1;
  } catch (...) {
    return 0;
  }
}

ECOCAM_API void ECOCAM_CALL setDebugMsgProc(DebugMsgProc msgProc) { Context().SetDebugMsgProcedure(msgProc); }

ECOCAM_API int ECOCAM_CALL getCVLMaxNoOfGrabbers(void) { return 1; }

ECOCAM_API int ECOCAM_CALL getCVLMaxNoOfPorts(void) { return CameraList::kPortCount; }

// Without a registry there is no camera: answer 0 without creating one, so
// no registry is left behind in a library the host may unload.
ECOCAM_API int ECOCAM_CALL getCVLNoOfSupportedCameras(void) {
  try {
    const std::shared_ptr<CameraList> registry = CameraList::Acquire();
    return registry ? registry->Count() : 0;
  } catch (...) {
    return 0;
  }
}

ECOCAM_API char** ECOCAM_CALL getCVLCameraConfigNames(void) {
  static char* noNames[1] = {nullptr};
  try {
    const std::shared_ptr<CameraList> registry = CameraList::Acquire();
    return registry ? registry->ConfigNames() : noNames;
  } catch (...) {
    return noNames;
  }
}
