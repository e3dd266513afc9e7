// CameraList: the process-wide registry of the supported cameras.
//
// The registry answers the exports' questions: how many cameras there are,
// what they are called, and which camera has a given name or holds a given
// port. The lookups throw std::runtime_error when nothing matches; the
// exports' shields turn that into a failure result.
//
// The registry takes no lock: it is built by the first initialize and
// destroyed by the last finalize, and the host must not overlap those with
// other calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace ecocam {

class Camera;

class CameraList {
 public:
  // The registry, created when none exists.
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

  int Count() const;
  // The cameras' names followed by a null pointer. The array is rebuilt by
  // every call (the previous one is freed) and lives until the next call or
  // the registry's end.
  char** ConfigNames();
  bool IsCameraAvailable(const std::string& name) const;
  // Throw std::runtime_error when no camera matches.
  Camera& GetByName(const std::string& name) const;
  Camera& GetByPort(int port) const;

 private:
  CameraList();

  std::vector<Camera*> _cameras;              // none registered yet
  std::unique_ptr<char*[]> _configNames;
};

}  // namespace ecocam
