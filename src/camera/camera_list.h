// CameraList: the process-wide registry of the supported cameras.
//
// The first initialize creates it and lets it discover the cameras through
// the SDK's camera container; from then on it answers the exports'
// questions: how many cameras there are, what they are called, and which
// camera has a given name or holds a given port. It owns the cameras, the
// SDK container and the driver's one wait thread, and hands each camera the
// container and the wait thread. The lookups throw std::runtime_error when
// nothing matches; the exports' shields turn that into a failure result.
//
// The registry takes no lock: it is built by the first initialize and
// destroyed by the last finalize, and the host must not overlap those with
// other calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_wait_thread.h"
#include "sdk/sdk_types.h"

namespace ecocam {

class CameraList {
 public:
  // The registry, created (with its wait thread) when none exists.
  static CameraList& GetInstance();
  // True when a registry exists; creates none.
  static bool HasInstance();
  // Destroys the registry, if any.
  static void DestroyInstance();

  CameraList(const CameraList&) = delete;
  CameraList& operator=(const CameraList&) = delete;
  ~CameraList();

  // Discovery. True when the enumeration ran to its end.
  bool Init();
  // Deletes the cameras (closing open ones), the names array and the
  // container (which unloads the SDK).
  void Destroy();

  int Count() const;
  // The cameras' names followed by a null pointer. The array is rebuilt by
  // every call (the previous one is freed) and lives until the next call or
  // the registry's end; the names live as long as the registry.
  char** ConfigNames();
  bool IsCameraAvailable(const std::string& name) const;
  // Throw std::runtime_error when no camera matches.
  Camera& GetByName(const std::string& name) const;
  // The open camera on the port; when none is open there, the first closed
  // one that kept the port from a failed open (logged).
  Camera& GetByPort(int port) const;
  Camera& operator[](int index) const;

  sdk::CameraContainerHandle Container() const { return _container; }
  CameraWaitThread& WaitThread() { return _waitThread; }

 private:
  CameraList();

  // Declared first so it is destroyed last, after every camera.
  CameraWaitThread _waitThread;
  sdk::CameraContainerHandle _container = sdk::kNoContainer;
  std::vector<std::unique_ptr<Camera>> _cameras;
  std::unique_ptr<char*[]> _configNames;
};

}  // namespace ecocam
