// camhost bench --cameras N: N mono cameras streaming at once through one
// driver, each grabbed by a host thread of its own at a set rate with a
// software trigger and read row by row, as a host with many camera windows
// does. Per camera: frames per second read, frames lost by the driver and by
// the SDK, and the latency from the grab to the completion callback (which
// includes the SDK making the frame and every other camera's frames queued
// before it on the driver's one wait thread). Then the process's resident
// memory per open camera beside the buffers each holds.
//
// With --size WxH the simulated SDK is given the N cameras through its
// configuration file; otherwise the first N mono cameras found are used.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "frame_signal.h"
#include "host_system.h"
#include "platform/system.h"
#include "statistics.h"

namespace camhost {
namespace {

constexpr int kMaxPorts = 20;
// The driver's pool per camera, and the streaming channel it asks the SDK
// for, hold this many frames each.
constexpr long long kBuffersPerSide = 10;
constexpr int kCallbackTimeoutMs = 1000;

// Each port's completion callbacks: their count and the latest one's time.
struct PortSignal {
  std::mutex mutex;
  std::condition_variable changed;
  long long delivered = 0;
  Clock::time_point at;
};

PortSignal gPorts[kMaxPorts];

int ECOCAM_CALL PortCompleted(int, int port) {
  if (port < 0 || port >= kMaxPorts) return 0;
  PortSignal& s = gPorts[port];
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.delivered;
    s.at = Clock::now();
  }
  s.changed.notify_all();
  return 0;
}

long long DeliveredOn(int port) {
  std::lock_guard<std::mutex> lock(gPorts[port].mutex);
  return gPorts[port].delivered;
}

struct CameraRun {
  std::string name;
  int port = 0;
  long long grabs = 0;
  long long read = 0;  // frames read whole
  std::vector<double> latenciesUs;
  double seconds = 0.0;
};

// One camera's host thread: a grab every 1/rate s, the wait for its
// callback, then every row read.
void Stream(DriverLibrary& d, CameraRun& run, int width, int height, double rate, double seconds) {
  std::vector<unsigned char> row(static_cast<std::size_t>(width));
  const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
  const Clock::time_point start = Clock::now();
  const Clock::time_point end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  PortSignal& s = gPorts[run.port];
  for (long long k = 0;; ++k) {
    const Clock::time_point due = start + period * k;
    if (due >= end) break;
    std::this_thread::sleep_until(due);
    const long long before = DeliveredOn(run.port);
    const Clock::time_point t0 = Clock::now();
    ++run.grabs;
    if (d.doCVLGrab(0, run.port) != 1) continue;
    Clock::time_point at;
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      if (!s.changed.wait_for(lock, std::chrono::milliseconds(kCallbackTimeoutMs),
                              [&] { return s.delivered > before; })) {
        continue;
      }
      at = s.at;
    }
    run.latenciesUs.push_back(std::chrono::duration<double, std::micro>(at - t0).count());
    bool whole = true;
    for (int y = 0; y < height && whole; ++y) whole = d.getCVLGrabRow(0, run.port, row.data(), y, 0, width - 1) == 1;
    if (whole) ++run.read;
  }
  // The grabs span their schedule; a late last frame lengthens it.
  run.seconds = std::max(std::chrono::duration<double>(Clock::now() - start).count(),
                         std::chrono::duration<double>(period * run.grabs).count());
}

bool ParseSize(const std::string& text, int& width, int& height) {
  char x = 0;
  char extra = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) == 3 && (x == 'x' || x == 'X') &&
         width > 0 && height > 0 && width <= 65535 && height <= 65535;
}

// Gives the simulated SDK `count` mono cameras of that size, through the
// configuration file it reads when it loads.
int ConfigureSimulatedCameras(const std::string& folder, int count, int width, int height,
                              std::vector<std::string>& names) {
  const std::string path = folder + ecocam::platform::kPathSeparator + "simulated-cameras.cfg";
  std::ofstream file(path);
  for (int i = 1; i <= count; ++i) {
    // The driver takes a name for a mono camera by "MVGE" from its seventh letter.
    const std::string name = std::string("ecoSimMVGE-") + (i < 10 ? "0" : "") + std::to_string(i);
    file << name << ';' << width << ';' << height << ";mono\n";
    names.push_back(name);
  }
  file.close();
  if (!file) return Fail(kExitFailure, "cannot write the simulated SDK's camera list " + path);
  if (!SetEnvironment("SIMSDK_CONFIG", path)) return Fail(kExitFailure, "cannot set SIMSDK_CONFIG");
  return kExitOk;
}

double Megabytes(long long bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int RunBenchCameras(const CommonOptions& given, const BenchOptions& options) {
  CommonOptions common = given;
  common.systemPath = (common.systemPath.empty() ? DefaultSystemPath() : common.systemPath) +
                      ecocam::platform::kPathSeparator + "bench";
  const int count = options.cameras;
  if (count < 1 || count > kMaxPorts) return Fail(kExitUsage, "--cameras wants 1 to 20");
  int sizeX = 0, sizeY = 0;
  std::vector<std::string> names;
  Session session(common);
  if (!options.size.empty()) {
    if (!ParseSize(options.size, sizeX, sizeY)) return Fail(kExitUsage, "--size wants WxH, not " + options.size);
    // The session's Start creates the folder; the file must exist before the SDK loads.
    std::error_code ec;
    std::filesystem::create_directories(session.SystemPath(), ec);
    if (const int rc = ConfigureSimulatedCameras(session.SystemPath(), count, sizeX, sizeY, names); rc != kExitOk) {
      return rc;
    }
  }
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  if (names.empty()) {
    for (const std::string& name : session.CameraNames()) {
      if (std::string(CameraKind(name)) == "mono" && static_cast<int>(names.size()) < count) names.push_back(name);
    }
  }
  if (static_cast<int>(names.size()) < count) {
    return Fail(kExitUnknownCamera, "fewer than " + std::to_string(count) +
                                        " mono cameras; --size makes the "
                                        "simulated SDK give that many");
  }
  DriverLibrary& d = session.Driver();
  const long long residentBefore = ResidentBytes();
  std::vector<CameraRun> runs(static_cast<std::size_t>(count));
  int width = 0, height = 0;
  for (int port = 0; port < count; ++port) {
    IniKeys keys{{"AcquisitionMode", "Software trigger"}};
    if (sizeX > 0) {
      keys.insert(
          keys.end(),
          {{"Width", std::to_string(sizeX)}, {"Height", std::to_string(sizeY)}, {"OffsetX", "0"}, {"OffsetY", "0"}});
    }
    runs[static_cast<std::size_t>(port)].name = names[static_cast<std::size_t>(port)];
    runs[static_cast<std::size_t>(port)].port = port;
    int w = 0, h = 0;
    if (const int rc = session.Open(names[static_cast<std::size_t>(port)], port, keys, w, h); rc != kExitOk) return rc;
    if (port > 0 && (w != width || h != height)) return Fail(kExitFailure, "the cameras have different sizes");
    width = w;
    height = h;
    if (d.setCompleteCallback(0, port, &PortCompleted) != 1) {
      return Fail(kExitFailure, "the driver refused the completion callback");
    }
  }
  {
    std::vector<std::thread> threads;
    threads.reserve(runs.size());
    for (CameraRun& run : runs) {
      threads.emplace_back(
          [&d, &run, width, height, &options] { Stream(d, run, width, height, options.rate, options.seconds); });
    }
    for (std::thread& thread : threads) thread.join();
  }
  const long long residentAfter = ResidentBytes();

  std::printf("%d cameras of %d x %d Mono8 at once, each grabbed %.1f times a second for %.1f s by its own thread\n",
              count, width, height, options.rate, options.seconds);
  double totalRate = 0.0, worstP99 = 0.0;
  long long totalLostDriver = 0, totalLostSdk = 0;
  for (const CameraRun& run : runs) {
    int received = 0, incomplete = 0;
    d.getProperty(0, run.port, "FramesDelivered", &received);
    d.getProperty(0, run.port, "FramesIncomplete", &incomplete);
    const long long callbacks = DeliveredOn(run.port);
    // A frame the driver received but never handed to the host is the
    // driver's loss; a grab the SDK never answered with a frame, the SDK's.
    const long long lostDriver = std::max(0LL, received - callbacks);
    const long long lostSdk = incomplete + std::max(0LL, run.grabs - received);
    const double rate = run.seconds > 0 ? static_cast<double>(run.read) / run.seconds : 0.0;
    const double p99 = Percentile(run.latenciesUs, 0.99);
    std::printf(
        "%s port %d: %.1f frames/s read, lost %lld by the driver, %lld by the SDK, callback latency p99 %.0f us "
        "(median %.0f us, %lld grabs)\n",
        run.name.c_str(), run.port, rate, lostDriver, lostSdk, p99, Percentile(run.latenciesUs, 0.5), run.grabs);
    totalRate += rate;
    worstP99 = std::max(worstP99, p99);
    totalLostDriver += lostDriver;
    totalLostSdk += lostSdk;
  }
  std::printf("all: %.1f frames/s read, lost %lld by the driver, %lld by the SDK, worst p99 %.0f us\n", totalRate,
              totalLostDriver, totalLostSdk, worstP99);
  const long long frame = static_cast<long long>(width) * height;
  const long long held = 2 * kBuffersPerSide * frame;
  if (residentBefore > 0 && residentAfter > 0) {
    const long long perCamera = (residentAfter - residentBefore) / count;
    std::printf(
        "memory: %.2f MB resident per open camera, %.0f %% of the %.2f MB of buffers it holds "
        "(the driver's %lld x the frame and the SDK channel's %lld; pages never written are not resident)\n",
        Megabytes(perCamera), 100.0 * static_cast<double>(perCamera) / static_cast<double>(held), Megabytes(held),
        kBuffersPerSide, kBuffersPerSide);
  } else {
    std::printf("memory: not measured on this system\n");
  }
  return kExitOk;
}

}  // namespace camhost
