// Camera lifecycle: construction, destruction, the completion callback,
// Open, Close and CleanupOnClose.
#include "camera/camera.h"

#include <exception>
#include <set>
#include <stdexcept>
#include <string>

#include "camera/camera_wait_thread.h"
#include "driver/log_text.h"
#include "params/param_names.h"
#include "platform/system.h"
#include "sdk/sdk.h"

namespace ecocam {
namespace {

std::string CheckedName(const char* name) {
  if (name == nullptr) {
    ECOCAM_LOG(1, "Camera::Camera: ERROR: parameters name and/or device are 0");
    throw std::runtime_error("Camera constructor failed");
  }
  return name;
}

// Clears the flag on every way out of the scope.
class FlagHolder {
 public:
  explicit FlagHolder(std::atomic<bool>& flag) : _flag(flag) {}
  ~FlagHolder() { _flag.store(false); }
  FlagHolder(const FlagHolder&) = delete;
  FlagHolder& operator=(const FlagHolder&) = delete;

 private:
  std::atomic<bool>& _flag;
};

// A turn of Open or Close: the camera's open-close lock, waited for; on the
// wait thread (a host's callback that opens or closes) only taken when it
// is free, since the thread holding it may be waiting for the wait thread.
class Turn {
 public:
  Turn(platform::Mutex& lock, bool mayWait) : _lock(lock), _held(mayWait ? (lock.Lock(), true) : lock.TryLock()) {}
  ~Turn() {
    if (_held) _lock.Unlock();
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  // False only on the wait thread while another thread opens or closes.
  bool Held() const { return _held; }

 private:
  platform::Mutex& _lock;
  bool _held;
};

}  // namespace

Camera::Camera(const char* name, const CameraInfo& info, sdk::CameraHandle camera, sdk::CameraContainerHandle container,
               CameraWaitThread* waitThread)
    : _name(CheckedName(name)),
      _cameraInfo(info),
      _parameters(info),
      _context(&DriverContext::GetInstance()),
      _pixelSize(info.IsColor() ? 24 : 8),
      _camera(camera),
      _container(container),
      _waitThread(waitThread) {}

Camera::~Camera() {
  try {
    ECOCAM_LOG(2, "Camera::~Camera: camera " + _name + " on port " + Num(Port()));
    if (_isOpen.load()) Close();
  } catch (...) {
    // A camera goes away even when its log line or close failed.
  }
}

void Camera::SetCompleteCB(CompleteCallback callback) {
  const CompleteCallback current = _completeCB.load();
  std::string text = "Camera::SetCompleteCB: ";
  if (current != nullptr) {
    text += "CB was already assigned. ";
    if (callback == current) text += "The new CB is the same function. ";
  }
  if (callback == nullptr) text += "Resetting CB to null. ";
  ECOCAM_LOG(2, text);
  _completeCB.store(callback);
}

bool Camera::Open(int port, int& width, int& height) {
  width = 0;
  height = 0;
  // Entering is one atomic step, so of two threads opening at once exactly
  // one gets in; the other polls in one-second steps and then gives up.
  for (int step = 0;; ++step) {
    bool outside = false;
    if (_insideOpen.compare_exchange_strong(outside, true)) break;
    if (step == kEntryWaitSteps) {
      ECOCAM_LOG(1, "Camera::Open: already inside open, quitting, port=" + Num(port));
      return false;
    }
    ECOCAM_LOG(1, "Camera::Open: already inside open, waiting 1s, port=" + Num(port));
    platform::SleepMs(kEntryWaitStepMs);
  }
  FlagHolder inside(_insideOpen);
  // The size is known before the later steps run; a host told a size by a
  // failed open would read frames that never come.
  if (OpenInside(port, width, height)) return true;
  width = 0;
  height = 0;
  return false;
}

bool Camera::OpenInside(int port, int& width, int& height) {
  const Turn turn(_openCloseLock, _waitThread == nullptr || !_waitThread->IsCurrentThread());
  ECOCAM_LOG(2, "Camera::Open: entering port=" + Num(port));
  // Running beside the other thread's open or close would tear the
  // camera's state; waiting for it could deadlock the wait thread.
  if (!turn.Held()) {
    ECOCAM_LOG(1, "Camera::Open: ERROR: " + _name + " is being opened or closed by another thread, port=" + Num(port));
    return false;
  }
  ECOCAM_LOG(1, "Opening camera " + _name + " on port=" + Num(port));
  if (_isOpen.load()) {
    ECOCAM_LOG(1, "Camera::Open: ERROR:  " + _name + " is already open on port " + Num(Port()));
    return false;
  }
  // Each open starts with a camera that answers and counts afresh.
  _cameraGone.store(false);
  _goneReported.store(false);
  _triggerFailing.store(false);
  _framesComplete.store(0);
  _framesIncomplete.store(0);
  _packetsResent.store(0);
  _lossReportedAt.store(0);
  _port.store(port);
  try {
    return OpenSteps(port, width, height);
  } catch (const std::exception& e) {
    ECOCAM_LOG(1, "Camera::Open: EXCEPTION catch, port " + Num(port) + ": " + e.what());
  } catch (...) {
    ECOCAM_LOG(1, "Camera::Open: EXCEPTION catch..., port " + Num(port));
  }
  _port.store(-1);
  CleanupOnClose();
  return false;
}

bool Camera::FailOpen(const std::string& line) {
  ECOCAM_LOG(1, line);
  CleanupOnClose();
  return false;
}

bool Camera::OpenSteps(int port, int& width, int& height) {
  const std::string p = Num(port);
  // The set is loaded, bounded and pushed under the lock that property
  // access and the configuration sheet take, so neither sees it half written.
  platform::LockGuard parametersGuard(_parametersLock);
  if (!_parameters.Load()) {
    ECOCAM_LOG(1, "Camera::Open: ERROR: failed to read configuration file, port: " + p);
    throw std::runtime_error("Camera::Open: Failed to read configuration file");
  }
  _settingsLoaded.store(true);
  // Process-wide: the camera opened last decides the log thresholds.
  _context->LogLevel.store(_parameters.Get(param_name::LogLevel).get_val<int>());
  _context->LogIntoFile.store(_parameters.Get(param_name::LogIntoFile).get_val<bool>());
  _context->LogDebugView.store(_parameters.Get(param_name::LogDebugView).get_val<int>());

  if (sdk::Camera_openConnection(_camera, kConnectionTimeoutSeconds) != 0) {
    return FailOpen("Camera::Open: ERROR: failed to open camera connection");
  }
  _parameters.SetRange(_camera, port);
  std::string message;
  if (!_parameters.Validate(message)) {
    ECOCAM_LOG(1, "Camera::Open: WARNING: Configuration not valid: " + message + ", port: " + p);
  }
  CacheGrabSettings();

  int w = _parameters.Get(param_name::Width).get_val<int>();
  int h = _parameters.Get(param_name::Height).get_val<int>();
  switch (_parameters.Get(param_name::Binning).currEnumVal()) {
    case 1: w /= 2; break;  // horizontal
    case 2: h /= 2; break;  // vertical
    case 3:
      w /= 2;
      h /= 2;
      break;         // 2x2
    default: break;  // off
  }
  _width.store(w);
  _height.store(h);
  width = w;
  height = h;

  std::set<std::string> names;
  for (const Param_& parameter : _parameters) names.insert(parameter.name());
  if (!_parameters.PushToCamera(*this, _camera, names)) {
    return FailOpen("Camera::Open: ERROR: Could not set parameters to camera, port: " + p);
  }

  int packetSize = 0;
  const int packetRc = sdk::Camera_evaluateMaximalPacketSize(_camera, &packetSize);
  if (packetRc != 0) {
    ECOCAM_LOG(1, "Camera::Open: ERROR Camera_evaluateMaximalPacketSize failed  rc=" + Num(packetRc) + ", port=" + p);
  }
  ECOCAM_LOG(2, "Camera::Open: INFO: Eval packet size=" + Num(packetSize) + ", port=" + p);

  // Frames of the new channel may be queued from here on.
  _imageEvent.Reset();
  _buffers.StartQueue();
  sdk::StreamingChannelHandle channel = -1;
  const int channelRc =
      sdk::StreamingChannel_create(&channel, _container, _camera, _buffers.GetBufferCount(), &ImageCallback, this);
  if (channelRc != 0) {
    return FailOpen("Camera::Open: ERROR StreamingChannel_create failed  rc=" + Num(channelRc) + ", port=" + p);
  }
  _streamingChannel = channel;
  ECOCAM_LOG(3, "Camera::Open: INFO: Streaming channel created, port=" + p);

  const int startRc = sdk::Camera_setAcquisitionControl(_camera, 1);
  if (startRc != 0) {
    return FailOpen("Camera::Open: ERROR Camera_setAcquisitionControl failed  rc=" + Num(startRc) + ", port=" + p);
  }
  ECOCAM_LOG(3, "Camera::Open: INFO: Acquisition start, port=" + p);

  // An open camera without buffers could never deliver a frame: fail.
  if (!_buffers.Init(_cameraInfo, _parameters, port)) {
    sdk::Camera_setAcquisitionControl(_camera, 0);
    return FailOpen("Camera::Open: ERROR: image buffers could not be built, port=" + p);
  }
  SetContinuousGrab(false);
  if (_waitThread != nullptr && !_waitThread->StoreWaitCamera(this)) {
    sdk::Camera_setAcquisitionControl(_camera, 0);
    return FailOpen("Camera::Open: ERROR: the wait thread cannot serve the camera, port=" + p);
  }
  _isOpen.store(true);
  ECOCAM_LOG(3, "Camera::Open: leaving, port=" + p);
  return true;
}

// Waits for an open in progress on another thread to end first. A camera
// known to be gone is not told to stop: that would only wait for the SDK's
// timeouts; the local teardown follows at once.
void Camera::Close() {
  const Turn turn(_openCloseLock, _waitThread == nullptr || !_waitThread->IsCurrentThread());
  ECOCAM_LOG(2, "Camera::Close: entering");
  if (!turn.Held()) {
    ECOCAM_LOG(1, "Camera::Close: WARNING: " + _name +
                      " is being opened or closed by another thread; this close is not done, port=" + Num(Port()));
    return;
  }
  if (!_isOpen.load()) ECOCAM_LOG(1, "Camera::Close: WARNING: called on already closed camera");
  if (!_cameraGone.load()) {
    sdk::Camera_setAcquisitionControl(_camera, 0);
    sdk::Camera_setAcquisitionMode(_camera, 0);
  }
  ClearGrabRequest();
  const int port = _port.exchange(-1);
  _isOpen.store(false);
  CleanupOnClose();
  ECOCAM_LOG(2, "Camera::Close: leaving on port " + Num(port));
}

// The wait thread lets the camera go first (and finishes a frame of it it
// was processing), then the queued frames hand their images back while
// their channel still exists, then the channel and the connection go. A
// deleted channel's handle is forgotten: the SDK may give that value to
// another channel later.
void Camera::CleanupOnClose() {
  ECOCAM_LOG(2, "Camera::CleanupOnClose: entering");
  _isOpen.store(false);
  try {
    if (_waitThread != nullptr) _waitThread->RemoveWaitCamera(this);
    _buffers.StopQueue();
    const sdk::StreamingChannelHandle channel = _streamingChannel.load();
    if (channel != -1) {
      CheckFrameLoss();  // the last count before the channel and its count go
      if (_streamingChannel.exchange(-1) == channel) sdk::StreamingChannel_delete(channel);
    }
    sdk::Camera_closeConnection(_camera);
  } catch (...) {
    ECOCAM_LOG(1, "Camera::CleanupOnClose: WARNING: exception point1 caught");
  }
  ECOCAM_LOG(2, "Camera::CleanupOnClose: leaving");
}

}  // namespace ecocam
