// camhost bench: the grab pipeline's figures through the exports, on the
// cameras this machine has: frames per second a host reading every row
// receives from a free-running camera, the latency from a software-trigger
// grab to the completion callback, and the time per colour frame from the
// grab to its last row read (Bayer demosaicing with "HQLinear").
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "frame_signal.h"
#include "loss_counts.h"
#include "host_system.h"
#include "platform/system.h"
#include "statistics.h"

namespace camhost {
namespace {

constexpr int kPort = 0;

// Opens `camera` at its full imager size in `mode`. The full size comes from
// the camera's Width and Height limits, written into the INI file, and a
// "Reset" that reopens the camera with them.
int OpenFull(Session& session, const std::string& camera, const std::string& mode, IniKeys extra, int& width,
             int& height) {
  extra.emplace_back("AcquisitionMode", mode);
  if (const int rc = session.Open(camera, kPort, extra, width, height); rc != kExitOk) return rc;
  DriverLibrary& d = session.Driver();
  int minW = 0, maxW = 0, minH = 0, maxH = 0;
  if (d.getPropertyRange(0, kPort, "Width", &minW, &maxW) == 1 &&
      d.getPropertyRange(0, kPort, "Height", &minH, &maxH) == 1 && (maxW != width || maxH != height)) {
    extra.emplace_back("Width", std::to_string(maxW));
    extra.emplace_back("Height", std::to_string(maxH));
    extra.emplace_back("OffsetX", "0");
    extra.emplace_back("OffsetY", "0");
    session.Close();
    if (const int rc = session.Open(camera, kPort, extra, width, height); rc != kExitOk) return rc;
  }
  if (d.setCompleteCallback(0, kPort, &FrameSignal::Completed) != 1) {
    return Fail(kExitFailure, "the driver refused the completion callback");
  }
  return kExitOk;
}

bool ReadFrame(DriverLibrary& d, int width, int height, int channels, std::vector<unsigned char>& row) {
  row.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels));
  for (int y = 0; y < height; ++y) {
    if (d.getCVLGrabRow(0, kPort, row.data(), y, 0, width - 1) != 1) return false;
  }
  return true;
}

std::string First(const std::vector<std::string>& names, const char* kind) {
  for (const std::string& name : names) {
    if (std::string(CameraKind(name)) == kind) return name;
  }
  return "";
}

int FreeRun(const CommonOptions& common, const std::string& camera, double seconds) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  int width = 0, height = 0;
  if (const int rc = OpenFull(session, camera, "Fixed frequency", {}, width, height); rc != kExitOk) return rc;
  DriverLibrary& d = session.Driver();
  int minRate = 0, maxRate = 0;
  if (d.getPropertyRange(0, kPort, "FrameRate", &minRate, &maxRate) == 1 && maxRate > 0) {
    d.setProperty(0, kPort, "FrameRate", maxRate);
  }
  std::vector<unsigned char> row;
  d.setProperty(0, kPort, "continuous", 1);
  const long long delivered0 = FrameSignal::Delivered();
  const Clock::time_point start = Clock::now();
  long long read = 0;
  Clock::time_point at;
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    if (ReadFrame(d, width, height, 1, row)) {
      ++read;
    } else {
      FrameSignal::WaitBeyond(delivered0 + read, 20, at);
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  d.setProperty(0, kPort, "continuous", 0);
  const long long delivered = FrameSignal::Delivered() - delivered0;
  std::printf(
      "%s %d x %d free-running at FrameRate %d: %.1f frames/s read by the host (%lld delivered, %lld read in %.1f s)\n",
      camera.c_str(), width, height, maxRate, static_cast<double>(read) / elapsed, delivered, read, elapsed);
  std::printf("%s network: %s\n", camera.c_str(), LossCounts(d, kPort).c_str());
  return kExitOk;
}

int TriggerLatency(const CommonOptions& common, const std::string& camera, double seconds) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  int width = 0, height = 0;
  if (const int rc = OpenFull(session, camera, "Software trigger", {}, width, height); rc != kExitOk) return rc;
  DriverLibrary& d = session.Driver();
  std::vector<unsigned char> row;
  std::vector<double> latencies;
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    const long long before = FrameSignal::Delivered();
    const Clock::time_point t0 = Clock::now();
    Clock::time_point at;
    if (d.doCVLGrab(0, kPort) != 1 || !FrameSignal::WaitBeyond(before, 2000, at)) break;
    latencies.push_back(std::chrono::duration<double, std::micro>(at - t0).count());
    while (ReadFrame(d, width, height, 1, row)) {
    }
  }
  if (latencies.empty()) return Fail(kExitFailure, "no frame from " + camera + " in software-trigger mode");
  std::printf("%s software trigger, grab to completion callback: median %.0f us, p99 %.0f us (%zu frames)\n",
              camera.c_str(), Percentile(latencies, 0.5), Percentile(latencies, 0.99), latencies.size());
  return kExitOk;
}

int ColourFrames(const CommonOptions& common, const std::string& camera, double seconds) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  int width = 0, height = 0;
  if (const int rc = OpenFull(session, camera, "Software trigger", {{"BayerMethod", "HQLinear"}}, width, height);
      rc != kExitOk) {
    return rc;
  }
  DriverLibrary& d = session.Driver();
  std::vector<unsigned char> row;
  std::vector<double> times;
  const Clock::time_point start = Clock::now();
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    const long long before = FrameSignal::Delivered();
    const Clock::time_point t0 = Clock::now();
    Clock::time_point at;
    if (d.doCVLGrab(0, kPort) != 1 || !FrameSignal::WaitBeyond(before, 5000, at)) break;
    if (!ReadFrame(d, width, height, 3, row)) break;
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  if (times.empty()) return Fail(kExitFailure, "no frame from " + camera + " in software-trigger mode");
  std::printf("%s %d x %d HQLinear colour, grab to last row read: median %.2f ms per frame (%zu frames)\n",
              camera.c_str(), width, height, Percentile(times, 0.5), times.size());
  return kExitOk;
}

}  // namespace

int RunBench(const CommonOptions& given, const BenchOptions& options) {
  // The measurements change sizes and modes: they keep their settings in a
  // folder of their own, never in the user's.
  CommonOptions common = given;
  common.systemPath = (common.systemPath.empty() ? DefaultSystemPath() : common.systemPath) +
                      ecocam::platform::kPathSeparator + "bench";
  std::string mono = options.mono, colour = options.colour;
  {
    Session session(common);
    if (const int rc = session.Start(); rc != kExitOk) return rc;
    const std::vector<std::string> names = session.CameraNames();
    if (mono.empty()) mono = First(names, "mono");
    if (colour.empty()) colour = First(names, "colour");
    if (mono.empty() && colour.empty()) return Fail(kExitUnknownCamera, "no camera to measure");
  }
  // Each figure in its own session, so one camera's settings never carry
  // over to the next measurement.
  int rc = kExitOk;
  if (!mono.empty()) {
    rc = FreeRun(common, mono, options.seconds);
    if (rc == kExitOk) rc = TriggerLatency(common, mono, options.seconds);
  }
  if (rc == kExitOk && !colour.empty()) rc = ColourFrames(common, colour, options.seconds);
  return rc;
}

}  // namespace camhost
