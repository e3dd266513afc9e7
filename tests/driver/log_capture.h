// Captures what the driver context emits: the message procedure's calls and
// the debugger output, through the platform's test seam.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "platform/system.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class LogCapture {
 public:
  // Installs the capture and sets default thresholds and a system path.
  explicit LogCapture(const std::string& systemPath) {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.LogLevel = 3;
    ctx.LogDebugView = 3;
    ctx.LogIntoFile = false;
    ctx.SetSystemPath(systemPath);
    Active() = this;
    ctx.SetDebugMsgProcedure(&LogCapture::Proc);
    platform::SetDebugSinkForTesting(&LogCapture::Sink, this);
  }
  ~LogCapture() {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.SetDebugMsgProcedure(nullptr);
    platform::SetDebugSinkForTesting(nullptr, nullptr);
    ctx.LogIntoFile = false;
    ctx.LogLevel = 3;
    ctx.LogDebugView = 3;
    Active() = nullptr;
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Every text passed to the message procedure, in call order.
  std::vector<std::string> ProcCalls() {
    std::lock_guard<std::mutex> g(_mutex);
    return _proc;
  }
  std::vector<std::string> DebugLines() {
    std::lock_guard<std::mutex> g(_mutex);
    return _debug;
  }
  void Clear() {
    std::lock_guard<std::mutex> g(_mutex);
    _proc.clear();
    _debug.clear();
  }

  static LogCapture*& Active() {
    static LogCapture* active = nullptr;
    return active;
  }

 private:
  static void ECOCAM_CALL Proc(const char* text) {
    if (LogCapture* c = Active()) {
      std::lock_guard<std::mutex> g(c->_mutex);
      c->_proc.emplace_back(text);
    }
  }
  static void Sink(const char* text, void* context) {
    auto* c = static_cast<LogCapture*>(context);
    std::lock_guard<std::mutex> g(c->_mutex);
    c->_debug.emplace_back(text);
  }

  std::mutex _mutex;
  std::vector<std::string> _proc;
  std::vector<std::string> _debug;
};

// The log file's text with line ends as on Linux: the file is written in
// text mode, so on Windows its lines end in "\r\n".
inline std::string ReadLogFile(const std::string& path) {
  std::string text = ReadFile(path);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

}  // namespace ecocam::testing
