// The wait thread: its list of open cameras, the wait over their image
// events, and the dispatch of a signalled camera's frame.
#include "camera/camera_wait_thread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "camera/camera.h"
#include "driver/driver_context.h"
#include "platform/system.h"

namespace ecocam {
namespace {

std::string Clock() { return std::to_string(platform::RunTimeMs()); }

std::string Hex(const void* p) {
  char text[2 * sizeof(void*) + 1];
  std::snprintf(text, sizeof text, "%llx",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  return text;
}

}  // namespace

CameraWaitThread::CameraWaitThread() {
  _handles[0] = &_terminateEvent;
  _handles[1] = &_newWaitEvent;
  _count = 2;
  {
    std::lock_guard<std::mutex> guard(_lock);
    _running = true;
  }
  if (!_thread.Start([this] { ThreadMain(); })) {
    std::lock_guard<std::mutex> guard(_lock);
    _running = false;
    ECOCAM_LOG(1, "CameraWaitThread::CameraWaitThread: ERROR: thread not created");
    return;
  }
  ECOCAM_LOG(2, "CameraWaitThread::CameraWaitThread: thread created: " + Hex(&_thread));
}

CameraWaitThread::~CameraWaitThread() {
  ECOCAM_LOG(2, "CameraWaitThread::~CameraWaitThread: entering");
  Terminate();
  if (_thread.Running() && !_thread.Join(kStopTimeoutMs)) {
    ECOCAM_LOG(1, "CameraWaitThread::~CameraWaitThread: WARNING: thread did not end, abandoned");
    _thread.Abandon(-1000);
  }
  _terminateEvent.Reset();
  ECOCAM_LOG(2, "CameraWaitThread::~CameraWaitThread: leaving\n");
}

void CameraWaitThread::Terminate() {
  ECOCAM_LOG(2, "CameraWaitThread::Terminate");
  _terminateEvent.Set();
}

bool CameraWaitThread::StoreWaitCamera(Camera* camera) {
  if (camera == nullptr) return false;
  const std::string port = std::to_string(camera->Port());
  ECOCAM_LOG(3, "CameraWaitThread::StoreWaitCamera: entering, port=" + port);
  {
    std::lock_guard<std::mutex> guard(_lock);
    if (std::find(_cameras.begin(), _cameras.end(), camera) != _cameras.end()) {
      ECOCAM_LOG(1, "CameraWaitThread::StoreWaitCamera: WARNING: wait camera already stored, port=" + port);
      return true;
    }
    if (_cameras.size() >= static_cast<std::size_t>(kMaxCameras)) {
      ECOCAM_LOG(1, "CameraWaitThread::StoreWaitCamera: ERROR: camera limit " + std::to_string(kMaxCameras) +
                        " reached, camera not served, port=" + port);
      return false;
    }
    _cameras.push_back(camera);
    ++_listVersion;
  }
  _newWaitEvent.Set();
  ECOCAM_LOG(3, "CameraWaitThread::StoreWaitCamera: leaving, port=" + port);
  return true;
}

void CameraWaitThread::RemoveWaitCamera(Camera* camera) {
  if (camera == nullptr) return;
  const std::string port = std::to_string(camera->Port());
  ECOCAM_LOG(3, "CameraWaitThread::RemoveWaitCamera: entering, port=" + port);
  std::unique_lock<std::mutex> guard(_lock);
  _cameras.erase(std::remove(_cameras.begin(), _cameras.end(), camera), _cameras.end());
  const std::uint64_t version = ++_listVersion;
  _newWaitEvent.Set();
  // The thread lets the camera go when it rebuilds its wait after this
  // change: it then no longer waits on the camera's event, and a frame of
  // the camera it was processing has been finished.
  if (!_thread.IsCurrent()) {
    const bool released = _rebuilt.wait_for(guard, std::chrono::milliseconds(kRemoveTimeoutMs), [&] {
      return !_running || _builtVersion >= version;
    });
    if (!released) {
      ECOCAM_LOG(1, "CameraWaitThread::RemoveWaitCamera: WARNING: wait thread did not release the camera, port=" + port);
    }
  }
  guard.unlock();
  ECOCAM_LOG(3, "CameraWaitThread::RemoveWaitCamera: leaving, port=" + port);
}

Camera* CameraWaitThread::GetWaitCamera(int index) {
  std::lock_guard<std::mutex> guard(_lock);
  const int n = static_cast<int>(_cameras.size());
  if (index >= 0 && index < n) return _cameras[static_cast<std::size_t>(index)];
  const std::string text = "CameraWaitThread::GetWaitCamera: ERROR: index out of range " + std::to_string(index) +
                           ", n=" + std::to_string(n);
  ECOCAM_LOG(1, text);
  throw std::runtime_error(text);
}

void CameraWaitThread::AddWaitCameras() {
  ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: entering");
  {
    std::lock_guard<std::mutex> guard(_lock);
    _handles[0] = &_terminateEvent;
    _handles[1] = &_newWaitEvent;
    int i = 2;
    for (Camera* camera : _cameras) {
      _handles[static_cast<std::size_t>(i)] = &camera->ImageEvent();
      _handleCameras[static_cast<std::size_t>(i)] = camera;
      ++i;
      ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: added camera on port=" + std::to_string(camera->Port()));
      if (i >= kMaxHandles) {
        ECOCAM_LOG(1, "CameraWaitThread::AddWaitCameras: reached camera limit " + std::to_string(kMaxCameras));
        break;
      }
    }
    _count = i;
    _builtVersion = _listVersion;
  }
  _rebuilt.notify_all();
  ECOCAM_LOG(3, "CameraWaitThread::AddWaitCameras: leaving");
}

int CameraWaitThread::ThreadMain() {
  ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: entering, clock=" + Clock());
  for (;;) {
    _newWaitEvent.Reset();
    AddWaitCameras();
    ECOCAM_LOG(3, "CameraWaitThread::ThreadMain: waiting for events..., clock=" + Clock());
    const int r = platform::WaitAny(_handles.data(), static_cast<std::size_t>(_count), platform::kInfinite);
    if (r == platform::kWaitTimeout) {
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
        std::lock_guard<std::mutex> guard(_lock);
        Camera* signalled = r < _count ? _handleCameras[static_cast<std::size_t>(r)] : nullptr;
        if (signalled == nullptr || std::find(_cameras.begin(), _cameras.end(), signalled) == _cameras.end()) {
          continue;
        }
        camera = signalled;
      }
      ECOCAM_LOG(3, "CameraWaitThread::ThreadMain: Event (" + std::to_string(r) +
                        ") received: image available on port " + std::to_string(camera->Port()) +
                        ", clock=" + Clock());
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
    std::lock_guard<std::mutex> guard(_lock);
    _running = false;
  }
  _rebuilt.notify_all();
  ECOCAM_LOG(2, "CameraWaitThread::ThreadMain: leaving");
  return 0;
}

bool CameraWaitThread::IsRunning() const {
  std::lock_guard<std::mutex> guard(_lock);
  return _running;
}

bool CameraWaitThread::IsStored(const Camera* camera) const {
  std::lock_guard<std::mutex> guard(_lock);
  return std::find(_cameras.begin(), _cameras.end(), camera) != _cameras.end();
}

int CameraWaitThread::StoredCount() const {
  std::lock_guard<std::mutex> guard(_lock);
  return static_cast<int>(_cameras.size());
}

int CameraWaitThread::WaitCount() const {
  std::lock_guard<std::mutex> guard(_lock);
  return _count;
}

}  // namespace ecocam
