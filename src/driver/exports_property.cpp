// The property exports and the configuration dialog. Properties are read and
// written on an open port; any registered camera can be configured, open or
// not.
//
// Camera::Configure joins at the marked place together with the dialog.
#include <memory>
#include <string>

#include "camera/camera_list.h"
#include "ecocam/ecocam.h"
#include "export_support.h"

using ecocam::CameraList;
using namespace ecocam::exports;

namespace {

void LogNullPointer(const char* exportName, const char* argument, int g, int p) {
  ECOCAM_LOG(1, std::string(exportName) + ": ERROR: null pointer for " + argument + ", " + GrabberAndPort(g, p));
}

}  // namespace

ECOCAM_API int ECOCAM_CALL getPropertyRange(int grabberNo, int portNo, const char* property, int* min, int* max) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(2, "getPropertyRange: entering grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        if (min != nullptr) *min = 0;
        if (max != nullptr) *max = 0;
        const char* missing = property == nullptr ? "property"
                              : min == nullptr    ? "min"
                              : max == nullptr    ? "max"
                                                  : nullptr;
        if (missing != nullptr) {
          LogNullPointer("getPropertyRange", missing, grabberNo, portNo);
          return;
        }
        const bool hasRange = CameraList::LeaseByPort(portNo)->GetRange(property, *min, *max);
        if (!hasRange) return;
        ECOCAM_LOG(2, "getPropertyRange: leaving grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        result = 1;
      },
      [&](const std::string& text) {
        return "getPropertyRange: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ": " + text;
      },
      [] { return "getPropertyRange: --EXCEPTION caught"; });
  return result;
}

ECOCAM_API int ECOCAM_CALL getProperty(int grabberNo, int portNo, const char* property, int* value) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(3, "getProperty: portNo=" + Num(portNo) + ", prop=" + Text(property));
        if (property == nullptr || value == nullptr) {
          LogNullPointer("getProperty", property == nullptr ? "property" : "value", grabberNo, portNo);
          return;
        }
        const bool read = CameraList::LeaseByPort(portNo)->GetProperty(property, *value);
        result = read ? 1 : 0;
      },
      [&](const std::string& text) {
        return "getProperty: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ", property=" + Text(property) +
               ": " + text;
      },
      [] { return "--EXCEPTION caught at getProperty"; });
  return result;
}

ECOCAM_API int ECOCAM_CALL setProperty(int grabberNo, int portNo, const char* property, int value) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(3, "setProperty: portNo=" + Num(portNo));
        if (property == nullptr) {
          LogNullPointer("setProperty", "property", grabberNo, portNo);
          return;
        }
        const bool written = CameraList::LeaseByPort(portNo)->SetProperty(property, value);
        result = written ? 1 : 0;
      },
      [&](const std::string& text) {
        return "setProperty: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ", property=" + Text(property) +
               ", value=" + Num(value) + ": " + text;
      },
      [] { return "setProperty: --EXCEPTION caught"; });
  return result;
}

// Returns 0 when the user confirmed the sheet or no camera has the name, 1
// when the sheet was cancelled or the work failed.
ECOCAM_API int ECOCAM_CALL configureCamera(void* parent, const char* cameraName) {
  int result = 1;
  bool unknownName = false;
  Shield(
      [&] {
        ECOCAM_LOG(2, "configureCamera: entering cameraName=" + Text(cameraName));
        const std::shared_ptr<CameraList> registry = CameraList::Acquire();
        if (cameraName == nullptr || !registry || !registry->IsCameraAvailable(cameraName)) {
          ECOCAM_LOG(1, "configureCamera: ERROR: cannot find camera by name: " + Text(cameraName));
          unknownName = true;
          return;
        }
        if (registry->GetByName(cameraName).Configure(parent)) result = 0;
      },
      [&](const std::string& text) {
        return "configureCamera -- GenICam EXCEPTION occured " + text + ", cameraName=" + Text(cameraName);
      },
      [&] { return "configureCamera --EXCEPTION , cameraName=" + Text(cameraName); });
  // A name no camera has returns at once, without the leaving line.
  if (unknownName) return 0;
  ECOCAM_LOG(2, "configureCamera: leaving cameraName=" + Text(cameraName));
  return result;
}
