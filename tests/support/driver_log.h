// The driver's log captured for tests linked against the driver's
// internals: the message procedure installed on the DriverContext directly
// and, on request, the debugger output through the platform's test seam.
//
// The thresholds: the capture sets the ones the test names, and gives back
// on destruction what was there when it was made (thresholds, log file
// switch and message procedure), whatever the test or an opened camera
// (which copies its stored thresholds into the driver) set meanwhile. The
// debugger output goes back to the system's: the seam has no other to keep.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "platform/system.h"
#include "support/host_log.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

// The log thresholds a test runs with.
struct LogThresholds {
  int level;              // LogLevel: the message procedure and the file
  int debugView;          // LogDebugView: the debugger output
  bool intoFile = false;  // LogIntoFile
};

class DriverLog : public MessageLog {
 public:
  enum class DebugOutput { kSystem, kCaptured };

  explicit DriverLog(LogThresholds thresholds, DebugOutput debugOutput = DebugOutput::kSystem)
      : _debugCaptured(debugOutput == DebugOutput::kCaptured) {
    DriverContext& ctx = DriverContext::GetInstance();
    _saved = {ctx.LogLevel.load(), ctx.LogDebugView.load(), ctx.LogIntoFile.load()};
    _savedProcedure = ctx.DebugMsgProcedure();
    ctx.SetDebugMsgProcedure(nullptr);
    MessageLog::Clear();
    ctx.LogLevel = thresholds.level;
    ctx.LogDebugView = thresholds.debugView;
    ctx.LogIntoFile = thresholds.intoFile;
    ctx.SetDebugMsgProcedure(&MessageLog::Procedure);
    if (_debugCaptured) platform::SetDebugSinkForTesting(&DriverLog::Sink, this);
  }
  ~DriverLog() {
    DriverContext& ctx = DriverContext::GetInstance();
    ctx.SetDebugMsgProcedure(_savedProcedure);
    if (_debugCaptured) platform::SetDebugSinkForTesting(nullptr, nullptr);
    ctx.LogLevel = _saved.level;
    ctx.LogDebugView = _saved.debugView;
    ctx.LogIntoFile = _saved.intoFile;
  }
  DriverLog(const DriverLog&) = delete;
  DriverLog& operator=(const DriverLog&) = delete;

  // What reached the debugger output (with DebugOutput::kCaptured), in
  // order, since the last Clear.
  std::vector<std::string> DebugLines() {
    std::lock_guard<std::mutex> lock(_debugMutex);
    return _debug;
  }
  // Forgets the message procedure's texts and the debugger output's.
  void Clear() {
    MessageLog::Clear();
    std::lock_guard<std::mutex> lock(_debugMutex);
    _debug.clear();
  }

 private:
  static void Sink(const char* text, void* context) {
    auto* self = static_cast<DriverLog*>(context);
    std::lock_guard<std::mutex> lock(self->_debugMutex);
    self->_debug.emplace_back(text);
  }

  const bool _debugCaptured;
  LogThresholds _saved{};
  DebugMsgProc _savedProcedure = nullptr;
  std::mutex _debugMutex;
  std::vector<std::string> _debug;  // guarded by _debugMutex
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
