// CameraWaitThread: the driver's one thread that processes received frames.
//
// Open cameras register with StoreWaitCamera and leave with
// RemoveWaitCamera. The thread waits on the terminate event, the new-wait
// event (signalled at every change of the list) and the image events of up
// to 20 registered cameras, and runs the signalled camera's ProcessEvent.
//
// Cameras are served in turn: after a camera's frame the wait starts with
// the camera after it, so a busy camera cannot keep the others waiting.
// About once a second, between frames, the thread also reads each camera's
// count of frames lost on the network.
//
// Stop (and the destructor) asks the thread to end and waits 5000 ms at most. A thread
// still running then is not killed, since it may hold the log lock or be
// inside the host's callback: it is left to end by itself (it ends at its
// next wait, which finds the terminate event set), with a level-1 line.
//
// RemoveWaitCamera returns only after the thread has rebuilt its wait from
// the changed list, so once it returns the thread neither waits on the
// camera's event nor processes one of its frames (unless it is called on the
// wait thread itself, from inside a frame's processing). The wait for that
// is bounded.
#pragma once

#include <cstdint>
#include <memory>

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
  // How often the thread reads the registered cameras' counts of frames
  // lost on the network (Camera::CheckFrameLoss).
  static constexpr std::uint32_t kLossCheckPeriodMs = 1000;

  CameraWaitThread();
  ~CameraWaitThread();
  CameraWaitThread(const CameraWaitThread&) = delete;
  CameraWaitThread& operator=(const CameraWaitThread&) = delete;

  void Terminate();
  // Ends the thread (bounded, as the destructor does); idempotent. On the
  // thread itself it only asks it to end.
  void Stop();
  // False (logged) when the list already holds kMaxCameras cameras, or the
  // thread is not running (it failed to start, was stopped or ended after a
  // failed wait): no frame of the camera would ever be served, so its open
  // must fail.
  bool StoreWaitCamera(Camera* camera);
  void RemoveWaitCamera(Camera* camera);
  // The camera at the list position; throws std::runtime_error outside it.
  Camera* GetWaitCamera(int index);
  // True when the caller runs on the wait thread.
  bool IsCurrentThread() const;
  // Keeps `owner` until the thread has ended: what the thread is running
  // (a frame inside the host's callback) may still use it.
  void ReleaseWhenEnded(std::shared_ptr<void> owner);

  // Joins the threads that earlier destructors left to end by themselves
  // and that have ended within `timeoutMs` each; true when none is left.
  static bool JoinAbandonedThreads(std::uint32_t timeoutMs);

  // For tests and diagnostics.
  bool IsRunning() const;
  bool IsStored(const Camera* camera) const;
  int StoredCount() const;
  // Events in the wait the thread last built (terminate and new-wait included).
  int WaitCount() const;

 private:
  // Everything the thread touches. The thread holds it too, so a thread
  // that does not end in time (stuck in the host's callback, say) can be
  // left to end by itself without using a destroyed object.
  struct State;
  static Camera* WaitCamera(State& state, int index);
  // Rebuilds the wait from the list, starting with the camera after the
  // one served last (wait thread).
  static void Rebuild(State& state);
  static int Run(State& state);
  // Each registered camera's loss check (wait thread).
  static void CheckFrameLoss(State& state);

  std::shared_ptr<State> _state;
  // Released, not joined, when the thread is left to end by itself.
  std::unique_ptr<platform::Thread> _thread;
};

}  // namespace ecocam
