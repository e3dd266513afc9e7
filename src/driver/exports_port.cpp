// The per-port exports: open and close a camera on a port, request a grab,
// read a row, set the completion callback. A camera is found by name to be
// opened and by port afterwards; a lookup that finds none throws, and the
// export's shield turns that into its failure result and a level-1 line.
#include <memory>
#include <string>

#include "camera/camera_list.h"
#include "ecocam/ecocam.h"
#include "export_support.h"

using ecocam::Camera;
using ecocam::CameraList;
using namespace ecocam::exports;

namespace {

// The names a host gives a slot without a camera.
bool IsUndefinedCamera(const char* name) {
  return name == nullptr || name[0] == '\0' || ecocam::EqualsNoCase(name, "Undefined") ||
         ecocam::EqualsNoCase(name, "Udefinert");
}

}  // namespace

ECOCAM_API int ECOCAM_CALL openCVLPort(int grabberNo, int portNo, const char* cameraName, int* size) {
  if (size != nullptr) size[0] = size[1] = 0;
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(2,
                   "openCVLPort: entering " + GrabberAndPort(grabberNo, portNo) + ", cameraName=" + Text(cameraName));
        if (IsUndefinedCamera(cameraName)) {
          ECOCAM_LOG(1, "openCVLPort: ERROR: undefined camera, " + GrabberAndPort(grabberNo, portNo) +
                            ", cameraName=" + Text(cameraName));
          return;
        }
        if (size == nullptr) {
          ECOCAM_LOG(1, "openCVLPort: ERROR: null pointer for size, " + GrabberAndPort(grabberNo, portNo) +
                            ", cameraName=" + Text(cameraName));
          return;
        }
        if (portNo < 0 || portNo >= CameraList::kPortCount) {
          ECOCAM_LOG(1, "openCVLPort: ERROR: port outside 0 to " + Num(CameraList::kPortCount - 1) + ", " +
                            GrabberAndPort(grabberNo, portNo) + ", cameraName=" + Text(cameraName));
          return;
        }
        const std::shared_ptr<CameraList> registry = CameraList::Acquire();
        if (!registry || !registry->IsCameraAvailable(cameraName)) {
          ECOCAM_LOG(1, "openCVLPort: ERROR: cannot find camera by name:" + Text(cameraName));
          return;
        }
        Camera& camera = registry->GetByName(cameraName);
        const bool opened = camera.Open(portNo, size[0], size[1]);
        if (opened) {
          ECOCAM_LOG(2, "openCVLPort: leaving -- Camera " + Text(cameraName) + " OPENED on port " + Num(portNo));
          result = 1;
          return;
        }
        ECOCAM_LOG(1, "openCVLPort: ERROR: camera not opened, " + GrabberAndPort(grabberNo, portNo) +
                          ", cameraName=" + Text(cameraName));
      },
      [&](const std::string& text) {
        return "openCVLPort: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ": " + text;
      },
      [&] {
        return "openCVLPort: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) +
               ", cameraName=" + Text(cameraName);
      });
  return result;
}

ECOCAM_API void ECOCAM_CALL closeCVLPort(int grabberNo, int portNo) {
  ECOCAM_LOG(2, "closeCVLPort: entering " + GrabberAndPort(grabberNo, portNo));
  // A camera still opening on the port is closed once its open has ended.
  Shield([&] { CameraList::LeaseByPort(portNo, true)->Close(); },
         [&](const std::string& text) {
           return "closeCVLPort: --EXCEPTION caught  " + GrabberAndPort(grabberNo, portNo) + ": " + text;
         },
         [&] { return "closeCVLPort: --EXCEPTION caught  " + GrabberAndPort(grabberNo, portNo); });
  ECOCAM_LOG(2, "closeCVLPort: leaving " + GrabberAndPort(grabberNo, portNo));
}

ECOCAM_API int ECOCAM_CALL doCVLGrab(int grabberNo, int portNo) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(2, "doCVLGrab entering grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        if (!CameraList::LeaseByPort(portNo)->Grab()) return;
        ECOCAM_LOG(2, "doCVLGrab: leaving grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        result = 1;
      },
      [&](const std::string& text) {
        return "doCVLGrab: --EXCEPTION caught  " + GrabberAndPort(grabberNo, portNo) + ": " + text;
      },
      [&] { return "doCVLGrab: --EXCEPTION caught  grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo); });
  return result;
}

// Copies from the row's first pixel, whatever firstColumn is: firstColumn
// only enters the count of pixels, which is cut to the frame's width. An
// empty range (lastColumn == firstColumn - 1) copies nothing and succeeds,
// and frees the frame on its last row like any other; a negative range
// copies nothing and fails.
ECOCAM_API int ECOCAM_CALL getCVLGrabRow(int grabberNo, int portNo, unsigned char* dest, int row, int firstColumn,
                                         int lastColumn) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(
            4, "getCVLGrabRow: entering row=" + Num(row) + "  grabberNo=" + Num(grabberNo) + "  portNo=" + Num(portNo));
        if (dest == nullptr) {
          ECOCAM_LOG(1, "getCVLGrabRow: ERROR: null pointer for dest, " + GrabberAndPort(grabberNo, portNo));
          return;
        }
        if (!CameraList::LeaseByPort(portNo)->CopyRow(row, dest, firstColumn, lastColumn)) return;
        ECOCAM_LOG(
            4, "getCVLGrabRow: leaving row=" + Num(row) + "  grabberNo=" + Num(grabberNo) + "  portNo=" + Num(portNo));
        result = 1;
      },
      [&](const std::string& text) {
        return "getCVLGrabRow: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ": " + text;
      },
      [] { return "getCVLGrabRow: --EXCEPTION caught"; });
  return result;
}

ECOCAM_API int ECOCAM_CALL setCompleteCallback(int grabberNo, int portNo, CompleteCallback callback) {
  int result = 0;
  Shield(
      [&] {
        ECOCAM_LOG(2, "setCompleteCallback: entering grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        CameraList::LeaseByPort(portNo)->SetCompleteCB(callback);
        ECOCAM_LOG(2, "setCompleteCallback: leaving grabberNo=" + Num(grabberNo) + " portNo=" + Num(portNo));
        result = 1;
      },
      [&](const std::string& text) {
        return "setCompleteCallback: --EXCEPTION caught " + GrabberAndPort(grabberNo, portNo) + ": " + text;
      },
      [] { return "setCompleteCallback: --EXCEPTION caught"; });
  return result;
}
