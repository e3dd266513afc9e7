// Cameras against the simulated SDK: the log captured through the host's
// message procedure, a system path of the test's own (so every camera reads
// its settings from a fresh INI file), and settings written per model.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "params/camera_parameters.h"
#include "params/param_types.h"
#include "simsdk/sim_sdk_fixture.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class CameraLog {
 public:
  CameraLog() {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.LogLevel = 4;
    ctx.LogDebugView = 0;
    ctx.LogIntoFile = false;
    Take();
    ctx.SetDebugMsgProcedure(&Procedure);
  }
  ~CameraLog() {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.SetDebugMsgProcedure(nullptr);
    ctx.LogLevel = 3;
    ctx.LogDebugView = 3;
    ctx.LogIntoFile = false;
  }
  CameraLog(const CameraLog&) = delete;
  CameraLog& operator=(const CameraLog&) = delete;

  // The messages so far without their line feeds; clears them.
  static std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(Mutex());
    std::vector<std::string> lines;
    lines.swap(Lines());
    return lines;
  }
  // The messages so far, kept.
  static std::vector<std::string> Peek() {
    std::lock_guard<std::mutex> lock(Mutex());
    return Lines();
  }
  static bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  static long Count(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<long>(std::count(lines.begin(), lines.end(), text));
  }

 private:
  // Called twice per line: timestamp, then message.
  static void ECOCAM_CALL Procedure(const char* text) {
    std::lock_guard<std::mutex> lock(Mutex());
    if (Calls()++ % 2 == 0) return;
    std::string line = text != nullptr ? text : "";
    if (!line.empty() && line.back() == '\n') line.pop_back();
    Lines().push_back(line);
  }
  static std::mutex& Mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static unsigned& Calls() {
    static unsigned calls = 0;
    return calls;
  }
};

class CameraFixture : public SimSdkTest {
 protected:
  CameraFixture() { DriverContext::GetInstance().SetSystemPath(_dir.path().string()); }
  ~CameraFixture() override { DriverContext::GetInstance().SetSystemPath(""); }

  // Saves settings for `model`: the log thresholds the capture needs (an
  // open copies them into the driver), then whatever `adjust` changes.
  static void Settings(const std::string& model, bool colour,
                       const std::function<void(CameraParameters&)>& adjust = {}) {
    CameraParameters p(CameraInfo{colour ? 2u : 1u, model});
    p.Get("LogLevel").set_val<int>(4);
    p.Get("LogDebugView").set_val<int>(0);
    if (adjust) adjust(p);
    p.Save();
  }
  static void SetSize(CameraParameters& p, int width, int height, long long binning) {
    p.Get("Width").set_max<int>(width);
    p.Get("Height").set_max<int>(height);
    p.Get("Width").set_val<int>(width);
    p.Get("Height").set_val<int>(height);
    p.GetParameter<ParamEnum>("Binning").set_by_value(binning);
  }

  TempDir _dir;
  CameraLog _log;
};

}  // namespace ecocam::testing
