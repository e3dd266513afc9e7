// camhost's commands. Each returns an exit code (exit_codes.h) and prints
// its own results on standard output and its errors on standard error.
#pragma once

#include <string>

#include "session.h"

namespace camhost {

enum class GrabMode { kSingle, kContinuous, kTrigger };

struct GrabOptions {
  std::string camera;
  int port = 0;
  int frames = 1;
  GrabMode mode = GrabMode::kSingle;
  std::string outDir = "camhost-out";
  int frameRate = 0;     // 0: keep the camera's setting
  int timeoutMs = 5000;  // longest wait for one frame
};

struct PropertyOptions {
  std::string camera;
  int port = 0;
  std::string property;
  int value = 0;
};

struct BenchOptions {
  std::string mono;    // empty: the first mono camera
  std::string colour;  // empty: the first colour camera
  double seconds = 2.0;
  int cameras = 0;   // more than 0: that many mono cameras streaming at once
  std::string size;  // "WxH": the simulated SDK is given `cameras` of that size
  double rate = 30;  // frames per second each of the `cameras` is grabbed at
};

int RunList(const CommonOptions& common);
int RunGrab(const CommonOptions& common, const GrabOptions& options);
int RunGet(const CommonOptions& common, const PropertyOptions& options);
int RunSet(const CommonOptions& common, const PropertyOptions& options);
int RunRange(const CommonOptions& common, const PropertyOptions& options);
int RunConfigure(const CommonOptions& common, const std::string& camera);
int RunBench(const CommonOptions& common, const BenchOptions& options);
// The `cameras` part of bench (cmd_bench_cameras.cpp).
int RunBenchCameras(const CommonOptions& common, const BenchOptions& options);
// Declared with ViewOptions in view_session.h.
struct ViewOptions;
int RunView(const CommonOptions& common, const ViewOptions& options);

}  // namespace camhost
