// Camera: the driver's object for one physical camera, from discovery to
// the registry's end: construction, Open and Close with the SDK connection,
// streaming channel, buffer pool and wait-thread registration, and the grab
// state read by the SDK's streaming thread and the wait thread.
//
// The registry creates it and hands it what it needs of the registry: the
// SDK camera container (for the streaming channel) and the wait thread (to
// register with while open). Either may be absent for a camera used alone.
//
// Threads. "Host thread" below is any thread of the host inside an export;
// since the host may call exports from inside its completion callback, that
// includes the wait thread. The SDK's streaming thread runs only the stream
// callback; the wait thread runs ProcessEvent and whatever the host's
// callback calls. Accessors over atomics may be read from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "camera/image_buffers.h"
#include "driver/driver_context.h"
#include "ecocam/ecocam.h"
#include "params/camera_info.h"
#include "params/camera_parameters.h"
#include "params/push_target.h"
#include "platform/event.h"
#include "platform/mutex.h"
#include "sdk/sdk_types.h"

namespace ecocam {

namespace ui {
class ConfigureView;
}

class CameraWaitThread;

// The SDK's stream callback: `context` is the Camera given to the channel.
// Runs on the SDK's streaming thread.
int ECOCAM_SDK_CALL ImageCallback(sdk::ImageHandle image, void* context);

class Camera : public PushTarget {
 public:
  // SvsCallback's answer for an image it did not take.
  static constexpr int kImageSkipped = -32;
  // Seconds the SDK waits for the camera's connection.
  static constexpr float kConnectionTimeoutSeconds = 3.0f;
  // The entry wait of Open: this many one-second steps.
  static constexpr int kEntryWaitSteps = 5;
  static constexpr unsigned kEntryWaitStepMs = 1000;

  // Throws std::runtime_error("Camera constructor failed") for a null name.
  // Host thread (discovery in initialize). The destructor runs where the
  // registry goes: the host thread of the last finalize or of unload, or the
  // wait thread when that finalize came from inside the host's callback.
  Camera(const char* name, const CameraInfo& info, sdk::CameraHandle camera,
         sdk::CameraContainerHandle container = sdk::kNoContainer, CameraWaitThread* waitThread = nullptr);
  ~Camera() override;
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // Host thread.
  void SetCompleteCB(CompleteCallback callback);
  // Opens the camera on `port` with its stored settings; width and height
  // receive the delivered image size (0 on failure). Host thread
  // (openCVLPort, or the property "Reset").
  bool Open(int port, int& width, int& height);
  // Host thread (closeCVLPort, "Reset", the last finalize), which may be the
  // wait thread: Close may run there from inside the host's callback, and
  // then does not wait for the wait thread to let the camera go.
  void Close();
  // Releases the wait-thread registration, the queued frames, the streaming
  // channel and the connection. Runs on the thread of Close or of a failing
  // Open.
  void CleanupOnClose();

  // Shows the configuration sheet over a copy of the parameter set, owned
  // by the host's window `parent`; true when the user confirmed it with OK,
  // after which the saved copy is the camera's set (sent at its next open).
  // Host thread (configureCamera), the one that runs the sheet.
  bool Configure(void* parent);
  // The same over a given view (tests drive it headlessly).
  bool Configure(ui::ConfigureView& view);
  // A copy of the parameter set, taken under the lock that guards the set
  // against being replaced while it is read. Any thread.
  CameraParameters CopyParameters() const;

  // Grab state (host thread). ClearGrabRequest also runs on the wait thread
  // when processing a frame failed.
  void SetContinuousGrab(bool on);
  // Requests a frame (and triggers it in software-trigger mode); always true.
  bool Grab();
  void SoftwareTrigger();
  void ClearGrabRequest();

  // Frame reading (host thread). GetRow returns the row of the oldest
  // delivered frame (reading the last row frees the frame, so the pointer is
  // only safe until the next frame may be written). CopyRow copies the
  // pixels firstColumn..lastColumn's count, from column 0 and cut to the
  // frame's width, before the last row frees the frame. An empty range
  // (lastColumn == firstColumn - 1) copies nothing and succeeds; false
  // (nothing copied) for a negative range, a null destination, a row
  // outside the frame or without a frame.
  const unsigned char* GetRow(int row);
  bool CopyRow(int row, unsigned char* dest, int firstColumn, int lastColumn);

  // Property access by name (host thread; the wait thread when called from
  // inside the host's callback).
  bool GetRange(const char* name, int& min, int& max);
  bool GetProperty(const char* name, int& value);
  bool SetProperty(const char* name, int value);

  // The missing-buffer and other-size reports are throttled process-wide;
  // tests start them over. Any thread.
  static void ResetMissingBufferThrottle();

  // Frame reception: SvsCallback on the SDK's streaming thread only.
  // Processing: ProcessEvent on the wait thread only; it calls the host's
  // completion callback, from which the host may call any export.
  int SvsCallback(sdk::ImageHandle image);
  void ProcessEvent();

  // What became of the frames the SDK offered while a grab was requested,
  // counted over the camera's life. Every queued frame ends as exactly one
  // of delivered, no free buffer, conversion failed or discarded (handed
  // back unprocessed at close, or converted while the camera was closing).
  struct GrabCounters {
    long long queued = 0;
    long long droppedQueueFull = 0;  // never queued
    long long noFreeBuffer = 0;
    long long conversionFailed = 0;  // stopped before the host: type, size, SDK conversion, no callback
    long long delivered = 0;
    long long discarded = 0;
    // Every queued frame has ended (read once the camera is idle: a frame
    // the wait thread holds is in none of the counts).
    bool Settled() const { return queued == delivered + noFreeBuffer + conversionFailed + discarded; }
  };
  // Any thread.
  GrabCounters Counters() const;

  // What the network did to the camera's frames since it was opened:
  // complete frames the SDK handed over (wanted by a grab or not),
  // incomplete frames it handed back (as last read from the channel), and
  // the packets resent for the complete ones. Any thread.
  struct LossCounters {
    long long framesDelivered = 0;
    long long framesIncomplete = 0;
    long long packetsResent = 0;
  };
  LossCounters Losses() const;
  // Reads the channel's count of incomplete frames and logs one throttled
  // level-1 line while it grows. The wait thread about once a second, and
  // the thread of a close before the channel goes.
  void CheckFrameLoss();
  // The camera stopped answering: the SDK said so, or a software trigger
  // failed. Until the next open the camera is asked nothing that would
  // wait for it. Any thread.
  bool CameraGone() const { return _cameraGone.load(); }

  // PushTarget: the port is an atomic read from any thread.
  int Port() const override { return _port.load(); }
  bool IsColor() const override { return _cameraInfo.IsColor(); }

  // Read from any thread: the name and info never change, the rest are
  // atomics; Buffers and Parameters are for the camera's own threads and
  // tests (the set is guarded by the parameters lock, not by these).
  const std::string& Name() const { return _name; }
  bool IsOpen() const { return _isOpen.load(); }
  // An open is in progress (its port is known once it is past its entry).
  bool IsOpening() const { return _insideOpen.load(); }
  const CameraInfo& Info() const { return _cameraInfo; }
  int PixelSize() const { return _pixelSize; }
  int Width() const { return _width.load(); }
  int Height() const { return _height.load(); }
  CompleteCallback CompleteCB() const { return _completeCB.load(); }
  platform::Event& ImageEvent() { return _imageEvent; }
  ImageBuffers& Buffers() { return _buffers; }
  CameraParameters& Parameters() { return _parameters; }
  const CameraParameters& Parameters() const { return _parameters; }
  sdk::CameraHandle Handle() const { return _camera; }
  sdk::StreamingChannelHandle StreamingChannel() const { return _streamingChannel; }
  bool Continuous() const { return _continuous.load(); }
  bool GrabRequested() const { return _grabRequested.load(); }

 private:
  // Open past its entry wait, with _insideOpen held.
  bool OpenInside(int port, int& width, int& height);
  // The steps that may throw (the exception guard is OpenInside's).
  bool OpenSteps(int port, int& width, int& height);
  // The end of a failing step: its line, then CleanupOnClose.
  bool FailOpen(const std::string& line);
  // The view to show the sheet or a message in, made when first asked for;
  // null (logged) where none can be shown.
  using ViewSource = std::function<ui::ConfigureView*()>;
  bool ConfigureWith(const ViewSource& view);
  // Loads the stored section into `set` and reads the camera's limits
  // through a short connection. False, with a level-1 line, when either
  // fails; a camera that cannot be reached also gets `message`, the text
  // to show the user (left empty otherwise).
  bool ReadStoredSettings(CameraParameters& set, std::string& message);
  // Copies the settings the grab path reads ("AcquisitionMode",
  // "PixelDepth", "BayerMethod") out of the parameter set at open, so the
  // wait thread never reads the set while the host writes or replaces it.
  void CacheGrabSettings();
  // After the sheet was confirmed for an open camera: the confirmed
  // "BayerMethod" takes effect at once; the other two keep their open-time
  // values (logged when the confirmed ones differ).
  void RefreshGrabSettings(const CameraParameters& confirmed);
  enum class Conversion { kConverted, kNoFreeBuffer, kFailed };
  // The conversion of one record into a free buffer, which `buffer` claims;
  // kConverted when it is ready to deliver (wait thread).
  Conversion ConvertRecord(const SvsImageInfo& record, int port, BufferClaim& buffer);
  // Frees the frame once its last row has been read (host thread).
  void FreeAfterLastRow(ImageBuffer& buffer, int row);
  // Marks the camera gone and logs it once per open, from `method`.
  void NoteCameraGone(const char* method);
  // Writes a parameter and pushes it; false (nothing sent) for a value
  // outside its range, false (value restored) when the camera's setter
  // failed; otherwise the set takes the value the camera reports it holds.
  bool WriteParameter(Param_& parameter, int value);

  std::atomic<bool> _isOpen{false};
  std::atomic<bool> _insideOpen{false};
  std::string _name;
  std::atomic<int> _port{-1};
  CameraInfo _cameraInfo;
  ImageBuffers _buffers;
  CameraParameters _parameters;
  // Guards _parameters where the host thread replaces it while the wait
  // thread may read it.
  mutable platform::Mutex _parametersLock;
  // The set holds the stored section (loaded by Open or Configure).
  std::atomic<bool> _settingsLoaded{false};
  std::atomic<CompleteCallback> _completeCB{nullptr};
  DriverContext* _context;
  platform::Mutex _lock;  // guards the grab request
  int _pixelSize;
  std::atomic<int> _width{0};
  std::atomic<int> _height{0};
  // Read by the wait thread's loss check while the camera is registered.
  std::atomic<sdk::StreamingChannelHandle> _streamingChannel{-1};
  sdk::CameraHandle _camera;
  platform::Event _imageEvent;
  std::atomic<bool> _continuous{false};
  std::atomic<bool> _grabRequested{false};
  std::atomic<long long> _acquisitionMode{1};
  std::atomic<long long> _pixelDepth{0};
  std::atomic<long long> _bayerMethod{3};
  // The wait thread's part of GrabCounters; the queue counts the rest.
  std::atomic<long long> _noFreeBuffer{0};
  std::atomic<long long> _conversionFailed{0};
  std::atomic<long long> _delivered{0};
  std::atomic<long long> _undelivered{0};
  // Losses() and the camera's state of health, started over by each open.
  std::atomic<long long> _framesComplete{0};
  std::atomic<long long> _framesIncomplete{0};
  std::atomic<long long> _packetsResent{0};
  std::atomic<unsigned long long> _lossReportedAt{0};  // run time in s of the last loss line; 0: none
  std::atomic<bool> _cameraGone{false};
  std::atomic<bool> _goneReported{false};
  std::atomic<bool> _triggerFailing{false};  // the last software trigger failed
  // Open and Close take turns: a close from another thread waits for an
  // open in progress (which may take long with a slow camera) to end.
  platform::Mutex _openCloseLock;

  sdk::CameraContainerHandle _container;
  CameraWaitThread* _waitThread;
};

}  // namespace ecocam
