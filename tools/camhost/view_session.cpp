#include "view_session.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "driver_log.h"
#include "exit_codes.h"
#include "png_file.h"

namespace camhost {
namespace {

// The completion callback carries only the port, so each port names the
// view that opened it. Set before the callback is registered, cleared only
// after the port is closed (closing waits for a callback in progress).
constexpr int kPorts = 20;
std::array<std::atomic<ViewSession*>, kPorts> gViews{};

long long NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

const char* ModeLabel(GrabMode mode) { return mode == GrabMode::kTrigger ? "Software trigger" : "Fixed frequency"; }

std::string FileNamePart(const std::string& name) {
  std::string safe = name;
  for (char& c : safe) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) c = '_';
  }
  return safe;
}

}  // namespace

ViewSession::ViewSession(CommonOptions common, ViewOptions options)
    : _options(std::move(options)), _session(std::move(common)) {
  _triggerRate = _options.mode == GrabMode::kTrigger ? _options.triggerRate : 0;
}

ViewSession::~ViewSession() { Stop(); }

int ViewSession::Start() {
  if (_options.port < 0 || _options.port >= kPorts) {
    return Fail(kExitUsage, "port " + std::to_string(_options.port) + " is outside 0.." + std::to_string(kPorts - 1));
  }
  if (const int rc = _session.Start(); rc != kExitOk) return rc;
  int width = 0, height = 0;
  if (const int rc =
          _session.Open(_options.camera, _options.port, {{"AcquisitionMode", ModeLabel(_options.mode)}}, width, height);
      rc != kExitOk) {
    return rc;
  }
  _open = true;
  if (const int rc = Prepare(width, height); rc != kExitOk) {
    Stop();
    return rc;
  }
  StartGrabbing();
  return kExitOk;
}

// Sets up the camera just opened with frames of `width` x `height`: its
// pixel size, the frames, the callback and the controls.
int ViewSession::Prepare(int width, int height) {
  DriverLibrary& d = Driver();
  const int port = _options.port;
  int bits = 0;
  if (d.getProperty(0, port, "PixelSize", &bits) != 1 || (bits != 8 && bits != 24)) {
    return Fail(kExitFailure, "the driver reports no usable pixel size for " + _options.camera);
  }
  if (width <= 0 || height <= 0) return Fail(kExitFailure, "the camera reports an empty image size");
  _frames.Reset(width, height, bits / 8);
  _received = 0;
  _unreadable = 0;
  _requestedAtNs = 0;
  _latencyNs = -1;
  _rateCount = 0;
  _rateAt = Clock::now();
  _rate = 0;
  gViews[static_cast<std::size_t>(port)] = this;
  if (d.setCompleteCallback(0, port, &ViewSession::Completed) != 1) {
    return Fail(kExitFailure, "the driver refused the completion callback");
  }
  _controls.Load(d, port);
  return kExitOk;
}

// Closes the camera and opens it again on its port, so that the settings
// in its INI section apply. The port lock stays held throughout. False
// with `problem` set when it does not open again; the view is then closed.
bool ViewSession::Reopen(std::string& problem) {
  StopGrabbing();
  DriverLibrary& d = Driver();
  const int port = _options.port;
  d.closeCVLPort(0, port);
  // No callback runs after the close: the frames may be resized.
  DriverLog::Clear();
  int size[2] = {0, 0};
  if (d.openCVLPort(0, port, _options.camera.c_str(), size) != 1) {
    const std::vector<std::string> why = DriverLog::Problems(1);
    problem = "the camera could not be opened again" + (why.empty() ? std::string() : ": " + why.back());
    Stop();
    return false;
  }
  if (Prepare(size[0], size[1]) != kExitOk) {
    const std::vector<std::string> why = DriverLog::Problems(1);
    problem = "the camera opened again but cannot be shown" + (why.empty() ? std::string() : ": " + why.back());
    Stop();
    return false;
  }
  return true;
}

void ViewSession::Stop() {
  StopGrabbing();
  if (_open) {
    _session.Close();
    _open = false;
  }
  if (_options.port >= 0 && _options.port < kPorts) {
    ViewSession* self = this;
    gViews[static_cast<std::size_t>(_options.port)].compare_exchange_strong(self, nullptr);
  }
}

void ViewSession::StartGrabbing() {
  if (!_open || _paused || _grabbing) return;
  _grabbing = true;
  switch (_options.mode) {
    case GrabMode::kContinuous:
      // Switching it on also requests the first frame.
      Driver().setProperty(0, _options.port, "continuous", 1);
      break;
    case GrabMode::kSingle:
      _requestInCallback = true;
      RequestGrab();
      break;
    case GrabMode::kTrigger:
      if (_triggerRate > 0) {
        {
          std::lock_guard<std::mutex> lock(_triggerMutex);
          _triggerStop = false;
        }
        _trigger = std::thread(&ViewSession::TriggerLoop, this);
      }
      break;
  }
}

void ViewSession::StopGrabbing(bool settle) {
  if (_trigger.joinable()) {
    {
      std::lock_guard<std::mutex> lock(_triggerMutex);
      _triggerStop = true;
    }
    _triggerWake.notify_all();
    _trigger.join();
  }
  _requestInCallback = false;
  if (_open && _grabbing && _options.mode == GrabMode::kContinuous) {
    Driver().setProperty(0, _options.port, "continuous", 0);
  }
  _grabbing = false;
  // A grab asked for and not yet delivered would still be pending when
  // the configuration sheet opens; give it the time of a few frames.
  if (settle && _open) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(1);
    while (_requestedAtNs.load() != 0 && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

void ViewSession::RequestGrab() {
  _requestedAtNs = NowNs();
  if (Driver().doCVLGrab(0, _options.port) != 1) _requestedAtNs = 0;
}

void ViewSession::TriggerLoop() {
  const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / _triggerRate));
  Clock::time_point next = Clock::now();
  std::unique_lock<std::mutex> lock(_triggerMutex);
  while (!_triggerStop) {
    lock.unlock();
    RequestGrab();
    lock.lock();
    next += period;
    // Behind by more than a period (a slow trigger): start counting anew.
    if (next < Clock::now()) next = Clock::now();
    _triggerWake.wait_until(lock, next, [this] { return _triggerStop; });
  }
}

// The driver's wait thread, once per delivered frame.
int ECOCAM_CALL ViewSession::Completed(int, int portNo) {
  if (portNo < 0 || portNo >= kPorts) return 0;
  ViewSession* view = gViews[static_cast<std::size_t>(portNo)].load();
  if (view != nullptr) view->OnFrame();
  return 0;
}

// Reads every row, whatever the window is doing: a frame left half read
// would keep the driver's buffer.
void ViewSession::OnFrame() {
  const long long at = NowNs();
  DriverLibrary& d = Driver();
  ViewFrame& frame = _frames.Back();
  const std::size_t rowBytes = frame.RowBytes();
  bool read = rowBytes > 0;
  for (int y = 0; y < frame.height && read; ++y) {
    read = d.getCVLGrabRow(0, _options.port, frame.pixels.data() + rowBytes * static_cast<std::size_t>(y), y, 0,
                           frame.width - 1) == 1;
  }
  const long long number = ++_received;
  const long long requested = _requestedAtNs.exchange(0);
  if (requested > 0) _latencyNs = at - requested;
  if (read) {
    frame.number = number;
    _frames.Publish();
  } else {
    ++_unreadable;
  }
  if (_requestInCallback) RequestGrab();
}

ViewControls::Outcome ViewSession::ApplyControl(std::size_t index, int value) {
  return _controls.Apply(Driver(), _options.port, index, value);
}

void ViewSession::SetPaused(bool paused) {
  if (paused == _paused) return;
  _paused = paused;
  if (paused) {
    StopGrabbing();
  } else {
    StartGrabbing();
  }
}

bool ViewSession::Trigger() {
  if (!_open) return false;
  RequestGrab();
  return true;
}

void ViewSession::SetTriggerRate(double perSecond) {
  if (_options.mode != GrabMode::kTrigger) return;
  StopGrabbing();
  _triggerRate = perSecond > 0 ? perSecond : 0;
  StartGrabbing();
}

ViewStats ViewSession::Stats(Clock::time_point now) {
  ViewStats s;
  const ViewFrame& front = _frames.Front();
  s.width = front.width;
  s.height = front.height;
  s.channels = front.channels;
  s.received = _received.load();
  s.skipped = _frames.Skipped();
  s.unreadable = _unreadable.load();
  const double seconds = std::chrono::duration<double>(now - _rateAt).count();
  if (seconds >= 1.0) {
    _rate = static_cast<double>(s.received - _rateCount) / seconds;
    _rateCount = s.received;
    _rateAt = now;
  }
  s.receivedPerSecond = _rate;
  const long long latency = _latencyNs.load();
  s.lastLatencyMs = latency >= 0 ? static_cast<double>(latency) / 1e6 : -1.0;
  s.driverLine = DriverLog::LatestLevelOne();
  return s;
}

std::string ViewSession::SnapshotAndSay() {
  std::string error;
  const std::string path = Snapshot(error);
  if (path.empty()) return "Snapshot not saved: " + error;
  std::printf("snapshot: %s\n", path.c_str());
  std::fflush(stdout);
  return "Snapshot saved: " + path;
}

void ViewSession::PrintSummary(double seconds, long long drawn, long long undrawn) {
  const ViewStats s = Stats();
  std::printf(
      "view: %d x %d %s, %.1f s: received %lld (%.1f/s), drawn %lld (%.1f/s), skipped for display %lld, "
      "unreadable %lld\n",
      s.width, s.height, s.channels == 3 ? "RGB" : "grey", seconds, s.received,
      seconds > 0 ? s.received / seconds : 0.0, drawn, seconds > 0 ? drawn / seconds : 0.0, s.skipped + undrawn,
      s.unreadable);
  std::printf("view: frames the driver dropped: %s\n", DriverLog::Contains("free buffer not found")
                                                           ? "some (\"free buffer not found\" in its log)"
                                                           : "none reported");
  std::fflush(stdout);
}

std::string ViewSession::Snapshot(std::string& error) {
  const ViewFrame& frame = _frames.Front();
  if (frame.number == 0) {
    error = "no frame shown yet";
    return {};
  }
  std::error_code ec;
  std::filesystem::create_directories(_options.outDir, ec);
  if (ec) {
    error = "cannot create " + _options.outDir + ": " + ec.message();
    return {};
  }
  std::string path;
  do {
    char name[32];
    std::snprintf(name, sizeof name, "-snapshot-%04d.png", ++_snapshots);
    path = (std::filesystem::path(_options.outDir) / (FileNamePart(_options.camera) + name)).string();
  } while (std::filesystem::exists(path, ec));
  if (!WritePng(path, frame.width, frame.height, frame.channels, frame.pixels.data())) {
    error = "cannot write " + path;
    return {};
  }
  return path;
}

std::string ViewSession::Configure(void* parent, bool& reopened) {
  reopened = false;
  if (!_open) return "The camera is closed; nothing to configure.";
  StopGrabbing(true);
  if (Driver().configureCamera(parent, _options.camera.c_str()) != 0) {
    StartGrabbing();
    return "Configuration cancelled; the camera keeps its settings.";
  }
  std::string problem;
  if (!Reopen(problem)) return "Settings saved, but " + problem + ".";
  reopened = true;
  StartGrabbing();
  return "Settings saved; the camera was closed and opened again so they apply.";
}

}  // namespace camhost
