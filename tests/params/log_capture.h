// Captures the driver's log lines through the host's message procedure and
// points the driver's system path at a fresh folder, so the INI path is real.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/driver_context.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class LogCapture {
 public:
  LogCapture() {
    DriverContext& ctx = DriverContext::GetInstance();
    _savedLevel = ctx.LogLevel.load();
    _savedDebugView = ctx.LogDebugView.load();
    ctx.LogLevel = 4;
    ctx.LogDebugView = 0;
    Lines().clear();
    Calls() = 0;
    ctx.SetDebugMsgProcedure(&Procedure);
  }
  ~LogCapture() {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.SetDebugMsgProcedure(nullptr);
    ctx.LogLevel = _savedLevel;
    ctx.LogDebugView = _savedDebugView;
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The messages so far, without their line feeds; clears them.
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> lock(Mutex());
    std::vector<std::string> lines;
    lines.swap(Lines());
    return lines;
  }

 private:
  // The host calls the procedure twice per line: timestamp, then message.
  static void Procedure(const char* text) {
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

  int _savedLevel;
  int _savedDebugView;
};

// Every test of the parameters runs with its log captured and a system path
// of its own.
class ParamsTest : public ::testing::Test {
 protected:
  ParamsTest() { DriverContext::GetInstance().SetSystemPath(_dir.path().string()); }
  ~ParamsTest() override { DriverContext::GetInstance().SetSystemPath(""); }

  std::string IniPath() const { return DriverContext::GetInstance().IniPath(); }

  TempDir _dir;
  LogCapture _log;
};

}  // namespace ecocam::testing
