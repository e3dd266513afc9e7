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
// Lifetime. The registry is published only once discovery has run, and
// every export reaches it through a lease (a shared reference) taken under a
// short lock, so a call that overlaps the last finalize either finds the
// registry whole or finds none; nothing but initialize creates one. The last
// finalize unpublishes it, closes the cameras and stops the wait thread,
// then waits (bounded) for the calls still inside it; the SDK is unloaded
// when the last of them has left. The list of cameras does not change
// between discovery and destruction, so lookups take no lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/camera_wait_thread.h"
#include "sdk/sdk_types.h"

namespace ecocam {

class CameraList;

// A camera found for an export, with its registry held for as long as the
// export uses it.
class CameraLease {
 public:
  CameraLease(std::shared_ptr<CameraList> registry, Camera& camera)
      : _registry(std::move(registry)), _camera(&camera) {}
  Camera& operator*() const { return *_camera; }
  Camera* operator->() const { return _camera; }

 private:
  std::shared_ptr<CameraList> _registry;
  Camera* _camera;
};

class CameraList {
 public:
  // The host's ports are 0 to kPortCount - 1.
  static constexpr int kPortCount = 20;
  // How long the last finalize waits for calls still inside the registry.
  static constexpr std::uint32_t kDrainTimeoutMs = 5000;
  // How long a new registry waits for the previous one to be gone.
  static constexpr std::uint32_t kRetireTimeoutMs = 10000;

  // The registry, created (with its wait thread) and published when none
  // exists; for tests, which call Init themselves.
  static CameraList& GetInstance();
  // Creates a registry, runs discovery, then publishes it (initialize).
  // Throws std::runtime_error when the previous registry is still in use.
  static void Start();
  // The published registry, or null; creates none.
  static std::shared_ptr<CameraList> Acquire();
  // True when a registry exists; creates none.
  static bool HasInstance();
  // Unpublishes the registry, closes its cameras, stops its wait thread and
  // destroys it once no other call uses it (the last finalize).
  static void DestroyInstance();
  // Serialises initialize and finalize.
  static std::unique_lock<std::mutex> LockLifecycle();
  // The open camera on the port or with the name, in the published
  // registry. Without a registry they log and throw as the lookups do when
  // nothing matches. With `opening`, a camera still opening on the port is
  // found too (a close waits for that open to end, then closes it).
  static CameraLease LeaseByPort(int port, bool opening = false);
  static CameraLease LeaseByName(const std::string& name);

  // Only the registry's own functions can make the key.
  class Key {
    friend class CameraList;
    Key() = default;
  };
  explicit CameraList(Key);
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
  // The open camera on the port. A camera that is still opening (unless
  // `opening`), or closed, is not found, nor is any port outside 0 to
  // kPortCount - 1.
  Camera& GetByPort(int port, bool opening = false) const;
  Camera& operator[](int index) const;

  sdk::CameraContainerHandle Container() const { return _container; }
  CameraWaitThread& WaitThread() { return _waitThread; }

 private:
  // A new, empty registry; throws std::runtime_error (logged) when it
  // cannot be made.
  static std::shared_ptr<CameraList> Create();
  // Closes every open camera and stops the wait thread; the lookups find
  // nothing from then on.
  void Shutdown();

  // Declared first so it is destroyed last, after every camera.
  CameraWaitThread _waitThread;
  sdk::CameraContainerHandle _container = sdk::kNoContainer;
  std::vector<std::unique_ptr<Camera>> _cameras;
  std::unique_ptr<char*[]> _configNames;
  std::atomic<bool> _shutDown{false};
};

}  // namespace ecocam
