// A host program for the lifecycle tests: loads the driver by path, runs one
// scenario through the exports and exits (the unload scenarios unload the
// driver first; the others exit with it loaded). A scenario that hangs (in the
// driver, at unload or at exit) is ended by a watchdog with exit code 97, so
// the test sees a hang as a result instead of waiting for it.
//
//   lifecycle_host DRIVER SYSTEM_PATH SCENARIO
//
// Scenarios:
//   late          initialize, finalize, then every per-port export once
//   early         every per-port export once before any initialize
//   finalize-in-callback
//                 a streaming camera whose callback reads every row while
//                 the main thread runs finalize
//   finalize-inside-callback
//                 the callback itself runs finalize after a few frames
//   exit-streaming
//                 a streaming camera, then exit without finalize or unload
//   unload-streaming, unload-closed
//                 initialize and a streaming (or opened and closed) camera,
//                 then the library is unloaded without finalize
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"
#include "platform/dynamic_library.h"

namespace {

constexpr int kExitHung = 97;
constexpr int kExitFailed = 1;

struct Driver {
  decltype(&::initialize) initialize = nullptr;
  decltype(&::finalize) finalize = nullptr;
  decltype(&::openCVLPort) openCVLPort = nullptr;
  decltype(&::closeCVLPort) closeCVLPort = nullptr;
  decltype(&::doCVLGrab) doCVLGrab = nullptr;
  decltype(&::getCVLGrabRow) getCVLGrabRow = nullptr;
  decltype(&::setCompleteCallback) setCompleteCallback = nullptr;
  decltype(&::getPropertyRange) getPropertyRange = nullptr;
  decltype(&::getProperty) getProperty = nullptr;
  decltype(&::setProperty) setProperty = nullptr;
  decltype(&::configureCamera) configureCamera = nullptr;
  decltype(&::getCVLNoOfSupportedCameras) getCVLNoOfSupportedCameras = nullptr;
};

template <typename F>
bool Bind(const ecocam::platform::DynamicLibrary& library, const char* name, F& function) {
  function = reinterpret_cast<F>(library.Resolve(name));
  if (function == nullptr) std::fprintf(stderr, "missing export %s\n", name);
  return function != nullptr;
}

bool BindAll(const ecocam::platform::DynamicLibrary& l, Driver& d) {
  return Bind(l, "initialize", d.initialize) && Bind(l, "finalize", d.finalize) &&
         Bind(l, "openCVLPort", d.openCVLPort) && Bind(l, "closeCVLPort", d.closeCVLPort) &&
         Bind(l, "doCVLGrab", d.doCVLGrab) && Bind(l, "getCVLGrabRow", d.getCVLGrabRow) &&
         Bind(l, "setCompleteCallback", d.setCompleteCallback) && Bind(l, "getPropertyRange", d.getPropertyRange) &&
         Bind(l, "getProperty", d.getProperty) && Bind(l, "setProperty", d.setProperty) &&
         Bind(l, "configureCamera", d.configureCamera) &&
         Bind(l, "getCVLNoOfSupportedCameras", d.getCVLNoOfSupportedCameras);
}

Driver gDriver;
// Static, so the scenarios that do not unload the driver leave it loaded
// until exit: the driver's own exit handler then runs before it goes.
ecocam::platform::DynamicLibrary gLibrary;
int gWidth = 0;
int gHeight = 0;
std::atomic<int> gFrames{0};
std::atomic<bool> gFinalizeInside{false};
std::atomic<bool> gFinalized{false};

// Reads every row of the frame, as a host does, on the driver's wait thread.
int ECOCAM_CALL ReadRows(int grabberNo, int portNo) {
  std::vector<unsigned char> row(static_cast<std::size_t>(gWidth) * 3);
  for (int y = 0; y < gHeight; ++y) {
    if (gDriver.getCVLGrabRow(grabberNo, portNo, row.data(), y, 0, gWidth - 1) == 0) break;
  }
  if (++gFrames == 3 && gFinalizeInside.load()) {
    gDriver.finalize();
    gFinalized = true;
  }
  return 0;
}

// Every per-port export once on port 0; each must fail, none may start
// anything. Returns the number that did not fail.
int PerPortCalls(const Driver& d) {
  int size[2] = {0, 0};
  unsigned char row[4096];
  int value = 0;
  int low = 0;
  int high = 0;
  int succeeded = 0;
  succeeded += d.openCVLPort(0, 0, "eco424MVGE", size);
  d.closeCVLPort(0, 0);
  succeeded += d.doCVLGrab(0, 0);
  succeeded += d.getCVLGrabRow(0, 0, row, 0, 0, 10);
  succeeded += d.setCompleteCallback(0, 0, &ReadRows);
  succeeded += d.getPropertyRange(0, 0, "ExposureTime", &low, &high);
  succeeded += d.getProperty(0, 0, "ExposureTime", &value);
  succeeded += d.setProperty(0, 0, "ExposureTime", 500);
  succeeded += d.setProperty(0, 0, "Reset", 1);
  // 0 means confirmed or unknown name: with no registry the name is unknown.
  succeeded += d.configureCamera(nullptr, "eco424MVGE");
  return succeeded;
}

bool OpenStreaming(const Driver& d) {
  int size[2] = {0, 0};
  if (d.openCVLPort(0, 0, "eco424MVGE", size) != 1) return false;
  gWidth = size[0];
  gHeight = size[1];
  // Continuous mode at the camera's highest rate: every frame it sends is
  // delivered.
  int low = 0;
  int high = 0;
  return d.getPropertyRange(0, 0, "FrameRate", &low, &high) == 1 && d.setProperty(0, 0, "FrameRate", high) == 1 &&
         d.setCompleteCallback(0, 0, &ReadRows) == 1 && d.setProperty(0, 0, "continuous", 1) == 1;
}

int Fail(const char* step) {
  std::fprintf(stderr, "failed: %s\n", step);
  return kExitFailed;
}

bool WaitForFrames(int count) {
  for (int i = 0; i < 1000 && gFrames.load() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return gFrames.load() >= count;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: lifecycle_host DRIVER SYSTEM_PATH SCENARIO\n");
    return 2;
  }
  const std::string scenario = argv[3];
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(20));
    std::fprintf(stdout, "hung\n");
    std::fflush(stdout);
    std::_Exit(kExitHung);
  }).detach();

  if (!gLibrary.Load(argv[1]) || !BindAll(gLibrary, gDriver)) {
    std::fprintf(stderr, "cannot load the driver: %s\n", gLibrary.LastError().c_str());
    return kExitFailed;
  }
  const Driver& d = gDriver;
  const char* systemPath = argv[2];
  const auto start = [&] { return d.initialize(systemPath, nullptr) == 1 && d.getCVLNoOfSupportedCameras() > 0; };
  const auto stream = [&](int frames) { return start() && OpenStreaming(d) && WaitForFrames(frames); };
  if (scenario == "early") {
    if (PerPortCalls(d) != 0 || d.getCVLNoOfSupportedCameras() != 0) return Fail("calls before initialize");
  } else if (scenario == "late") {
    if (!start()) return Fail("initialize");
    d.finalize();
    if (PerPortCalls(d) != 0 || d.getCVLNoOfSupportedCameras() != 0) return Fail("calls after finalize");
  } else if (scenario == "finalize-in-callback") {
    if (!stream(2)) return Fail("streaming");
    d.finalize();
    // Whatever the callback still calls fails; nothing is left running.
    if (PerPortCalls(d) != 0) return Fail("calls after finalize");
  } else if (scenario == "finalize-inside-callback") {
    gFinalizeInside = true;
    if (!stream(3)) return Fail("streaming");
    while (!gFinalized.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (PerPortCalls(d) != 0 || d.getCVLNoOfSupportedCameras() != 0) return Fail("calls after finalize");
    // A new start after it works as the first did.
    if (!start()) return Fail("initialize again");
    d.finalize();
  } else if (scenario == "exit-streaming") {
    if (!stream(2)) return Fail("streaming");
  } else if (scenario == "unload-streaming" || scenario == "unload-closed") {
    if (!stream(2)) return Fail("streaming");
    if (scenario == "unload-closed") d.closeCVLPort(0, 0);
    gLibrary.Unload();
  } else {
    std::fprintf(stderr, "unknown scenario %s\n", scenario.c_str());
    return 2;
  }
  std::fprintf(stdout, "done\n");
  std::fflush(stdout);
  return 0;
}
