// The wait thread: its list of open cameras, the wait over their image
// events, and the dispatch of a signalled camera's frame.
#include "camera/camera_wait_thread.h"

#include <algorithm>
#include <atomic>
#include <array>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "driver/driver_context.h"
#include "driver/log_text.h"
#include "platform/never_destroyed.h"
#include "platform/system.h"

namespace ecocam {
namespace {

std::string Clock() { return std::to_string(platform::RunTimeMs()); }

// Threads left to end by themselves. Kept reachable for the rest of the
// process and never destroyed: destroying one would join it, and it may
// never end.
using Threads = std::vector<std::unique_ptr<platform::Thread>>;

Threads& Abandoned() {
  alignas(Threads) static unsigned char storage[sizeof(Threads)];
  static Threads* const threads = ::new (static_cast<void*>(storage)) Threads();
  return *threads;
}

std::mutex& AbandonedLock() {
  static platform::NeverDestroyed<std::mutex> lock;
  return lock.get();
}

void KeepAbandoned(std::unique_ptr<platform::Thread> thread) {
  std::lock_guard<std::mutex> guard(AbandonedLock());
  Abandoned().push_back(std::move(thread));
}

}  // namespace

struct CameraWaitThread::State {
  platform::Event terminateEvent;
  platform::Event newWaitEvent;

  std::mutex lock;                  // guards everything below up to the handles
  std::condition_variable rebuilt;  // signalled when the wait is rebuilt or the thread ends
  std::vector<Camera*> cameras;     // registered, in order; not owned
  std::uint64_t listVersion = 0;    // counts changes of cameras
  std::uint64_t builtVersion = 0;   // the list version the current wait was built from
  bool running = false;
  int count = 0;                           // events in the current wait
  std::size_t nextFirst = 0;               // list position of the camera the next wait starts with
  std::shared_ptr<void> keepAlive;         // released when the thread ends
  std::atomic<std::uint64_t> threadId{0};  // the thread's own id, set when it starts (not guarded)

  // Written and read by the wait thread only (Rebuild, Run).
  std::array<platform::Event*, kMaxHandles> handles{};
  std::array<Camera*, kMaxHandles> handleCameras{};  // the camera of each slot from 2 on
};

CameraWaitThread::CameraWaitThread()
    : _state(std::make_shared<State>()), _thread(std::make_unique<platform::Thread>()) {
  State& s = *_state;
  s.handles[0] = &s.terminateEvent;
  s.handles[1] = &s.newWaitEvent;
  s.count = 2;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.running = true;
  }
  // The thread keeps the state alive; `this` is not used on it.
  std::shared_ptr<State> state = _state;
  if (!_thread->Start([state] {
        state->threadId = platform::CurrentThreadId();
        Run(*state);
        std::shared_ptr<void> owner;
        {
          std::lock_guard<std::mutex> guard(state->lock);
          owner.swap(state->keepAlive);
        }
      })) {
    std::lock_guard<std::mutex> guard(s.lock);
    s.running = false;
    ECOCAM_LOG(1, "CameraWaitThread::CameraWaitThread: ERROR: thread not created");
    return;
  }
  ECOCAM_LOG(2, "CameraWaitThread::CameraWaitThread: thread created: " + Hex(_thread.get()));
}

CameraWaitThread::~CameraWaitThread() {
  ECOCAM_LOG(2, "CameraWaitThread::~CameraWaitThread: entering");
  Stop();
  ECOCAM_LOG(2, "CameraWaitThread::~CameraWaitThread: leaving\n");
}

void CameraWaitThread::Stop() {
  if (!_thread) return;
  Terminate();
  if (_thread->IsCurrent()) {
    // Inside the host's callback: the thread ends when the callback
    // returns, at its next wait.
    KeepAbandoned(std::move(_thread));
    return;
  }
  if (_thread->Running() && !_thread->Join(kStopTimeoutMs)) {
    // Not killed: it may hold the log lock or be inside the host's callback.
    // It ends at its next wait, on the terminate event left set; its state
    // lives as long as it does. The thread object is let go unjoined.
    ECOCAM_LOG(
        1, "CameraWaitThread::~CameraWaitThread: WARNING: thread did not end within 5000 ms, left to end by itself");
    KeepAbandoned(std::move(_thread));
    return;
  }
  _thread.reset();
  _state->terminateEvent.Reset();
}

// By the id the thread noted itself: after Stop on the thread itself the
// thread object is already let go, and the answer must still be true.
// An ended thread's id may be reused by another thread, so only a running
// thread counts.
bool CameraWaitThread::IsCurrentThread() const {
  State& s = *_state;
  const std::uint64_t id = s.threadId.load();
  if (id == 0 || id != platform::CurrentThreadId()) return false;
  std::lock_guard<std::mutex> guard(s.lock);
  return s.running;
}

void CameraWaitThread::ReleaseWhenEnded(std::shared_ptr<void> owner) {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  s.keepAlive = std::move(owner);
}

bool CameraWaitThread::JoinAbandonedThreads(std::uint32_t timeoutMs) {
  std::lock_guard<std::mutex> guard(AbandonedLock());
  Threads& threads = Abandoned();
  for (auto it = threads.begin(); it != threads.end();) {
    it = (*it)->Join(timeoutMs) ? threads.erase(it) : it + 1;
  }
  // The list lives in storage an unloaded library gives back: keep no
  // memory of it when it is empty.
  if (threads.empty()) Threads().swap(threads);
  return threads.empty();
}

void CameraWaitThread::Terminate() {
  State& s = *_state;
  ECOCAM_LOG(2, "CameraWaitThread::Terminate");
  s.terminateEvent.Set();
}

bool CameraWaitThread::StoreWaitCamera(Camera* camera) {
  State& s = *_state;
  if (camera == nullptr) return false;
  const std::string port = std::to_string(camera->Port());
  ECOCAM_LOG(3, "CameraWaitThread::StoreWaitCamera: entering, port=" + port);
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (std::find(s.cameras.begin(), s.cameras.end(), camera) != s.cameras.end()) {
      ECOCAM_LOG(1, "CameraWaitThread::StoreWaitCamera: WARNING: wait camera already stored, port=" + port);
      return true;
    }
    if (!s.running) {
      ECOCAM_LOG(
          1,
          "CameraWaitThread::StoreWaitCamera: ERROR: the wait thread is not running, camera not served, port=" + port);
      return false;
    }
    if (s.cameras.size() >= static_cast<std::size_t>(kMaxCameras)) {
      ECOCAM_LOG(1, "CameraWaitThread::StoreWaitCamera: ERROR: camera limit " + std::to_string(kMaxCameras) +
                        " reached, camera not served, port=" + port);
      return false;
    }
    s.cameras.push_back(camera);
    ++s.listVersion;
  }
  s.newWaitEvent.Set();
  ECOCAM_LOG(3, "CameraWaitThread::StoreWaitCamera: leaving, port=" + port);
  return true;
}

void CameraWaitThread::RemoveWaitCamera(Camera* camera) {
  State& s = *_state;
  if (camera == nullptr) return;
  const std::string port = std::to_string(camera->Port());
  ECOCAM_LOG(3, "CameraWaitThread::RemoveWaitCamera: entering, port=" + port);
  std::unique_lock<std::mutex> guard(s.lock);
  s.cameras.erase(std::remove(s.cameras.begin(), s.cameras.end(), camera), s.cameras.end());
  const std::uint64_t version = ++s.listVersion;
  s.newWaitEvent.Set();
  // The thread lets the camera go when it rebuilds its wait after this
  // change: it then no longer waits on the camera's event, and a frame of
  // the camera it was processing has been finished.
  if (!(_thread && _thread->IsCurrent())) {
    const bool released = s.rebuilt.wait_for(guard, std::chrono::milliseconds(kRemoveTimeoutMs),
                                             [&] { return !s.running || s.builtVersion >= version; });
    if (!released) {
      ECOCAM_LOG(1,
                 "CameraWaitThread::RemoveWaitCamera: WARNING: wait thread did not release the camera, port=" + port);
    }
  }
  guard.unlock();
  ECOCAM_LOG(3, "CameraWaitThread::RemoveWaitCamera: leaving, port=" + port);
}

Camera* CameraWaitThread::GetWaitCamera(int index) { return WaitCamera(*_state, index); }

Camera* CameraWaitThread::WaitCamera(State& s, int index) {
  std::lock_guard<std::mutex> guard(s.lock);
  const int n = static_cast<int>(s.cameras.size());
  if (index >= 0 && index < n) return s.cameras[static_cast<std::size_t>(index)];
  const std::string text = "CameraWaitThread::GetWaitCamera: ERROR: index out of range " + std::to_string(index) +
                           ", n=" + std::to_string(n);
  ECOCAM_LOG(1, text);
  throw std::runtime_error(text);
}

void CameraWaitThread::Rebuild(State& s) {
  ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: entering");
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.handles[0] = &s.terminateEvent;
    s.handles[1] = &s.newWaitEvent;
    const std::size_t n = std::min(s.cameras.size(), static_cast<std::size_t>(kMaxCameras));
    if (n == static_cast<std::size_t>(kMaxCameras)) {
      ECOCAM_LOG(1, "CameraWaitThread::AddWaitCameras: reached camera limit " + std::to_string(kMaxCameras));
    }
    if (s.nextFirst >= n) s.nextFirst = 0;
    int i = 2;
    for (std::size_t k = 0; k < n; ++k, ++i) {
      Camera* camera = s.cameras[(s.nextFirst + k) % n];
      s.handles[static_cast<std::size_t>(i)] = &camera->ImageEvent();
      s.handleCameras[static_cast<std::size_t>(i)] = camera;
      ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: added camera on port=" + std::to_string(camera->Port()));
    }
    s.count = i;
    s.builtVersion = s.listVersion;
  }
  s.rebuilt.notify_all();
  ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: leaving");
}

void CameraWaitThread::CheckFrameLoss(State& s) {
  std::vector<Camera*> cameras;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    cameras = s.cameras;
  }
  // A camera that leaves meanwhile still exists: its RemoveWaitCamera waits
  // for this thread's next rebuild.
  for (Camera* camera : cameras) {
    try {
      camera->CheckFrameLoss();
    } catch (...) {
      ECOCAM_LOG(1, "CameraWaitThread::ThreadMain: Exception");
    }
  }
}

int CameraWaitThread::Run(State& s) {
  ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: entering, clock=" + Clock());
  unsigned long long nextCheck = platform::RunTimeMs() + kLossCheckPeriodMs;
  for (;;) {
    s.newWaitEvent.Reset();
    Rebuild(s);
    // With cameras to serve, the wait ends in time for the next loss check.
    unsigned long long now = platform::RunTimeMs();
    if (now >= nextCheck) {
      CheckFrameLoss(s);
      now = platform::RunTimeMs();
      nextCheck = now + kLossCheckPeriodMs;
    }
    const std::uint32_t timeout = s.count > 2 ? static_cast<std::uint32_t>(nextCheck - now) : platform::kInfinite;
    ECOCAM_LOG(3, "CameraWaitThread::ThreadMain: waiting for events..., clock=" + Clock());
    const int r = platform::WaitAny(s.handles.data(), static_cast<std::size_t>(s.count), timeout);
    if (r == platform::kWaitFailed) {
      ECOCAM_LOG(1, "CameraWaitThread::ThreadMain: ERROR: waiting for events failed, the wait thread ends: " +
                        platform::LastSystemError());
      break;
    }
    if (r == platform::kWaitTimeout) {
      if (timeout != platform::kInfinite) continue;
      ECOCAM_LOG(1, "CameraWaitThread::ThreadMain: WARNING: wait timeout -- should not have happened");
      break;
    }
    if (r == 0) {
      ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: Event received: terminate");
      break;
    }
    if (r == 1) {
      ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: Event received: new camera grab wait");
      continue;
    }
    Camera* camera = nullptr;
    try {
      {
        // The slot's camera is served only while it is still registered: a
        // camera that left since the wait was built is not touched (its
        // RemoveWaitCamera waits for the next rebuild, so it still exists).
        std::lock_guard<std::mutex> guard(s.lock);
        Camera* signalled = r < s.count ? s.handleCameras[static_cast<std::size_t>(r)] : nullptr;
        const auto at = std::find(s.cameras.begin(), s.cameras.end(), signalled);
        if (signalled == nullptr || at == s.cameras.end()) continue;
        camera = signalled;
        s.nextFirst = static_cast<std::size_t>(at - s.cameras.begin()) + 1;
      }
      ECOCAM_LOG(3, "CameraWaitThread::ThreadMain: Event (" + std::to_string(r) +
                        ") received: image available on port " + std::to_string(camera->Port()) + ", clock=" + Clock());
      camera->ProcessEvent();
    } catch (const std::exception& e) {
      ECOCAM_LOG(1, "CameraWaitThread::ThreadMain: " + std::string(e.what()));
      if (camera != nullptr) camera->ClearGrabRequest();
    } catch (...) {
      ECOCAM_LOG(1, "CameraWaitThread::ThreadMain: Exception");
      if (camera != nullptr) camera->ClearGrabRequest();
    }
  }
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.running = false;
  }
  s.rebuilt.notify_all();
  ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: leaving");
  return 0;
}

bool CameraWaitThread::IsRunning() const {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  return s.running;
}

bool CameraWaitThread::IsStored(const Camera* camera) const {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  return std::find(s.cameras.begin(), s.cameras.end(), camera) != s.cameras.end();
}

int CameraWaitThread::StoredCount() const {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  return static_cast<int>(s.cameras.size());
}

int CameraWaitThread::WaitCount() const {
  State& s = *_state;
  std::lock_guard<std::mutex> guard(s.lock);
  return s.count;
}

}  // namespace ecocam
