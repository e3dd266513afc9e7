// camhost grab: opens a camera, grabs frames, reads each one row by row
// through getCVLGrabRow, writes them as PNG files and reports the figures.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "exit_codes.h"
#include "frame_signal.h"
#include "host_system.h"
#include "loss_counts.h"
#include "png_file.h"
#include "statistics.h"

namespace camhost {
namespace {

std::string SafeFileName(const std::string& name) {
  std::string safe = name;
  for (char& c : safe) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) c = '_';
  }
  return safe;
}

const char* ModeLabel(GrabMode mode) { return mode == GrabMode::kTrigger ? "Software trigger" : "Fixed frequency"; }

// A one-line progress bar on standard error, only on a terminal.
class ProgressBar {
 public:
  explicit ProgressBar(int total) : _total(total), _on(total > 1 && StderrIsTerminal()) {}
  ~ProgressBar() { Clear(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;
  void Clear() {
    if (_on) std::fprintf(stderr, "\r\033[K");
  }
  void Show(int done) {
    if (!_on) return;
    constexpr int kWidth = 30;
    const int filled = _total > 0 ? done * kWidth / _total : kWidth;
    std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), done, _total);
    std::fflush(stderr);
  }

 private:
  int _total;
  bool _on;
};

}  // namespace

int RunGrab(const CommonOptions& common, const GrabOptions& options) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  DriverLibrary& d = session.Driver();
  int width = 0, height = 0;
  const int port = options.port;
  if (const int rc = session.Open(options.camera, port, {{"AcquisitionMode", ModeLabel(options.mode)}}, width, height);
      rc != kExitOk) {
    return rc;
  }
  int pixelBits = 0;
  if (d.getProperty(0, port, "PixelSize", &pixelBits) != 1 || (pixelBits != 8 && pixelBits != 24)) {
    return Fail(kExitFailure, "the driver reports no usable pixel size for " + options.camera);
  }
  const int channels = pixelBits / 8;
  if (width <= 0 || height <= 0) return Fail(kExitFailure, "the camera reports an empty image size");
  if (d.setCompleteCallback(0, port, &FrameSignal::Completed) != 1) {
    return Fail(kExitFailure, "the driver refused the completion callback");
  }
  if (options.frameRate > 0 && d.setProperty(0, port, "FrameRate", options.frameRate) != 1) {
    int min = 0, max = 0;
    const bool ranged = d.getPropertyRange(0, port, "FrameRate", &min, &max) == 1;
    return Fail(kExitFailure,
                "the camera refused FrameRate " + std::to_string(options.frameRate) +
                    (ranged ? " (its range is " + std::to_string(min) + ".." + std::to_string(max) + ")" : ""));
  }
  std::error_code ec;
  std::filesystem::create_directories(options.outDir, ec);
  if (ec) return Fail(kExitFailure, "cannot create " + options.outDir + ": " + ec.message());

  std::printf("%s on port %d: %d x %d, %s, mode %s\n", options.camera.c_str(), port, width, height,
              channels == 1 ? "grey" : "colour",
              options.mode == GrabMode::kSingle    ? "single"
              : options.mode == GrabMode::kTrigger ? "trigger"
                                                   : "continuous");
  std::fflush(stdout);

  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  std::vector<std::uint8_t> image(rowBytes * static_cast<std::size_t>(height));
  std::vector<double> latenciesMs;
  const long long delivered0 = FrameSignal::Delivered();
  const Clock::time_point start = Clock::now();
  if (options.mode == GrabMode::kContinuous && d.setProperty(0, port, "continuous", 1) != 1) {
    return Fail(kExitFailure, "the driver refused continuous mode");
  }
  ProgressBar bar(options.frames);
  int result = kExitOk;
  int written = 0;
  for (int frame = 0; frame < options.frames; ++frame) {
    const long long before = delivered0 + frame;
    Clock::time_point requested = Clock::now(), completed{};
    // A single grab may yield more than one frame; those are read without
    // another request.
    const bool pending = FrameSignal::Delivered() > before;
    if (options.mode != GrabMode::kContinuous && !pending && d.doCVLGrab(0, port) != 1) {
      result = Fail(kExitFailure, "the driver refused the grab request");
      break;
    }
    if (!FrameSignal::WaitBeyond(before, options.timeoutMs, completed)) {
      result = Fail(kExitFailure, "no frame in " + std::to_string(options.timeoutMs) + " ms from camera " +
                                      options.camera + " (frame " + std::to_string(frame + 1) + " of " +
                                      std::to_string(options.frames) + ")");
      break;
    }
    if (options.mode != GrabMode::kContinuous && !pending) {
      latenciesMs.push_back(std::chrono::duration<double, std::milli>(completed - requested).count());
    }
    const Clock::time_point readStart = Clock::now();
    bool read = true;
    for (int y = 0; y < height && read; ++y) {
      read = d.getCVLGrabRow(0, port, image.data() + rowBytes * static_cast<std::size_t>(y), y, 0, width - 1) == 1;
    }
    if (!read) {
      result = Fail(kExitFailure, "a row of frame " + std::to_string(frame + 1) + " could not be read");
      break;
    }
    const double readMs = std::chrono::duration<double, std::milli>(Clock::now() - readStart).count();
    char name[32];
    std::snprintf(name, sizeof name, "-%04d.png", frame + 1);
    const std::string path = (std::filesystem::path(options.outDir) / (SafeFileName(options.camera) + name)).string();
    if (!WritePng(path, width, height, channels, image.data())) {
      result = Fail(kExitFailure, "cannot write " + path);
      break;
    }
    bar.Clear();
    std::printf("frame %d: %d x %d %s, %zu bytes, at %.3f s, read in %.2f ms -> %s\n", frame + 1, width, height,
                channels == 1 ? "grey" : "RGB", image.size(), std::chrono::duration<double>(completed - start).count(),
                readMs, path.c_str());
    std::fflush(stdout);
    ++written;
    bar.Show(written);
  }
  bar.Clear();
  if (options.mode == GrabMode::kContinuous) d.setProperty(0, port, "continuous", 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const long long delivered = FrameSignal::Delivered() - delivered0;
  std::printf("frames delivered: %lld\n", delivered);
  std::printf("network: %s\n", LossCounts(d, port).c_str());
  std::printf("frames written: %d to %s\n", written, options.outDir.c_str());
  std::printf("frames per second: %.1f\n", seconds > 0 ? written / seconds : 0.0);
  if (latenciesMs.empty()) {
    std::printf("callback latency: not measured (%s)\n",
                options.mode == GrabMode::kContinuous ? "continuous frames are not requested one by one" : "no frame");
  } else {
    std::printf("callback latency (grab request to completion callback): median %.2f ms, p95 %.2f ms, max %.2f ms\n",
                Percentile(latenciesMs, 0.5), Percentile(latenciesMs, 0.95), Percentile(latenciesMs, 1.0));
  }
  return result;
}

}  // namespace camhost
