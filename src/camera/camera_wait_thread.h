// CameraWaitThread: the driver's one thread that processes received frames.
//
// Open cameras register with StoreWaitCamera and leave with
// RemoveWaitCamera. The thread waits on the terminate event, the new-wait
// event (signalled at every change of the list) and the image events of up
// to 20 registered cameras, and runs the signalled camera's ProcessEvent.
//
// RemoveWaitCamera returns only after the thread has rebuilt its wait from
// the changed list, so once it returns the thread neither waits on the
// camera's event nor processes one of its frames (unless it is called on the
// wait thread itself, from inside a frame's processing). The wait for that
// is bounded.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/event.h"
#include "platform/thread.h"

namespace ecocam {

class Camera;

class CameraWaitThread {
 public:
  // Slots of the wait: terminate, new-wait and one per port, so every
  // camera the host can open on its 20 ports is served.
  static constexpr int kMaxCameras = 20;
  static constexpr int kMaxHandles = 2 + kMaxCameras;
  // How long the destructor waits for the thread to end.
  static constexpr std::uint32_t kStopTimeoutMs = 5000;
  // How long RemoveWaitCamera waits for the thread to let the camera go.
  static constexpr int kRemoveTimeoutMs = 5000;

  CameraWaitThread();
  ~CameraWaitThread();
  CameraWaitThread(const CameraWaitThread&) = delete;
  CameraWaitThread& operator=(const CameraWaitThread&) = delete;

  void Terminate();
  // False (logged) when the list already holds kMaxCameras cameras: the
  // thread could never serve another one, so its open must fail.
  bool StoreWaitCamera(Camera* camera);
  void RemoveWaitCamera(Camera* camera);
  // The camera at the list position; throws std::runtime_error outside it.
  Camera* GetWaitCamera(int index);
  // Rebuilds the wait from the list (wait thread).
  void AddWaitCameras();
  int ThreadMain();

  // For tests and diagnostics.
  bool IsRunning() const;
  bool IsStored(const Camera* camera) const;
  int StoredCount() const;
  // Events in the wait the thread last built (terminate and new-wait included).
  int WaitCount() const;

 private:
  platform::Thread _thread;
  platform::Event _terminateEvent;
  platform::Event _newWaitEvent;

  mutable std::mutex _lock;             // guards everything below
  std::condition_variable _rebuilt;     // signalled when the wait is rebuilt or the thread ends
  std::vector<Camera*> _cameras;        // registered, in order; not owned
  std::uint64_t _listVersion = 0;       // counts changes of _cameras
  std::uint64_t _builtVersion = 0;      // the list version the current wait was built from
  bool _running = false;

  // Written and read by the wait thread only (AddWaitCameras, ThreadMain).
  std::array<platform::Event*, kMaxHandles> _handles{};
  std::array<Camera*, kMaxHandles> _handleCameras{};  // the camera of each slot from 2 on
  int _count = 0;
};

}  // namespace ecocam
