// The live view's camera, without a toolkit: one camera opened through the
// driver's exports, its frames read row by row in the completion callback
// into a FrameExchange, the grab requests of the chosen mode (one grab per
// frame, continuous, or software trigger with an optional free-running
// trigger), the figures of the status bar, the controls, snapshots and the
// camera's configuration sheet.
//
// Threads: everything here runs on the window's thread except OnFrame,
// which runs in the completion callback on the driver's wait thread, and
// the free-running trigger, which has a thread of its own. The callback
// copies rows and publishes; it takes no lock and never waits for the
// window, so the driver's buffers are handed back as fast as frames come.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "commands.h"
#include "frame_signal.h"
#include "view_controls.h"
#include "view_frames.h"

namespace camhost {

struct ViewOptions {
  std::string camera;
  int port = 0;
  GrabMode mode = GrabMode::kContinuous;
  std::string outDir = "camhost-out";  // snapshots
  double triggerRate = 0;              // free-running trigger per second in trigger mode; 0 off
};

struct ViewStats {
  int width = 0;
  int height = 0;
  int channels = 0;
  long long received = 0;    // completion callbacks since the camera opened
  long long skipped = 0;     // received but replaced before the window showed them
  long long unreadable = 0;  // callbacks whose rows could not be read
  double receivedPerSecond = 0;
  double lastLatencyMs = -1;  // grab request to callback; < 0 when none measured
  std::string driverLine;     // the driver's newest level-1 line
};

class ViewSession {
 public:
  ViewSession(CommonOptions common, ViewOptions options);
  // Stops the grabs, closes the camera and finalizes the driver.
  ~ViewSession();
  ViewSession(const ViewSession&) = delete;
  ViewSession& operator=(const ViewSession&) = delete;

  // Starts the driver, opens the camera and starts grabbing. An exit code
  // (exit_codes.h); on failure the reason has been printed.
  int Start();
  // Stops grabbing and closes the camera; the driver stays initialized.
  void Stop();

  const ViewOptions& Options() const { return _options; }
  DriverLibrary& Driver() { return _session.Driver(); }
  FrameExchange& Frames() { return _frames; }
  ViewControls& Controls() { return _controls; }
  ViewControls::Outcome ApplyControl(std::size_t index, int value);

  // Paused: no grab requests; the picture stays.
  bool Paused() const { return _paused; }
  void SetPaused(bool paused);
  // One frame by software trigger (trigger mode); false when refused.
  bool Trigger();
  // Free-running trigger at `perSecond` (trigger mode; 0 stops it).
  void SetTriggerRate(double perSecond);
  double TriggerRate() const { return _triggerRate; }

  // The figures at `now` (frames/s over the last second or so).
  ViewStats Stats(Clock::time_point now = Clock::now());

  // Writes the frame picked up last as a PNG file in the output folder;
  // its path, or empty with `error` set.
  std::string Snapshot(std::string& error);
  // Snapshot for a window: the path printed on standard output, and the
  // sentence the window shows either way.
  std::string SnapshotAndSay();
  // The run's figures on standard output when the window closes: `seconds`
  // since the camera opened, frames `drawn`, and frames picked up but
  // replaced before a paint drew them (`undrawn`).
  void PrintSummary(double seconds, long long drawn, long long undrawn);

  // Shows the camera's configuration sheet owned by `parent` (the window's
  // native handle). After OK the camera is closed and opened again so the
  // new settings apply. A sentence for the user saying what happened;
  // `reopened` tells whether the frame size and controls may have changed.
  std::string Configure(void* parent, bool& reopened);

  // The completion callback handed to the driver.
  static int ECOCAM_CALL Completed(int grabberNo, int portNo);

 private:
  int Prepare(int width, int height);
  bool Reopen(std::string& problem);
  void StartGrabbing();
  // `settle`: also waits (briefly) for an outstanding single grab.
  void StopGrabbing(bool settle = false);
  void RequestGrab();
  void OnFrame();
  void TriggerLoop();

  CommonOptions _common;
  ViewOptions _options;
  Session _session;
  FrameExchange _frames;
  ViewControls _controls;
  bool _open = false;
  bool _paused = false;
  bool _grabbing = false;
  double _triggerRate = 0;

  // Shared with the completion callback.
  std::atomic<bool> _requestInCallback{false};  // single mode: each frame asks for the next
  std::atomic<long long> _received{0};
  std::atomic<long long> _unreadable{0};
  std::atomic<long long> _requestedAtNs{0};  // steady clock of the open grab request; 0 none
  std::atomic<long long> _latencyNs{-1};

  // The free-running trigger thread.
  std::thread _trigger;
  std::mutex _triggerMutex;
  std::condition_variable _triggerWake;
  bool _triggerStop = false;  // guarded by _triggerMutex

  // frames/s: the count and time of the last sample.
  long long _rateCount = 0;
  Clock::time_point _rateAt{};
  double _rate = 0;
  int _snapshots = 0;
};

}  // namespace camhost
