// The process-wide driver context: the host's system path and message
// procedure, the initialize count, the log thresholds, and logging.
#pragma once

#include <atomic>
#include <string>

#include "ecocam/ecocam.h"

#if defined(__GNUC__)
#define ECOCAM_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ECOCAM_PRINTF(fmt, args)
#endif

namespace ecocam {

class DriverContext {
 public:
  // Created at the first call; lives until the library is unloaded.
  static DriverContext& GetInstance();

  // Formats like printf and emits one line. Use only with a literal format.
  void Log(int level, const char* format, ...) ECOCAM_PRINTF(3, 4);
  // Emits a composed text as it stands: a '%' in it is written as '%'.
  void Log(int level, const std::string& text);

  // True when either threshold admits `level`: callers test this before
  // composing a message, so disabled levels cost two comparisons.
  bool Enabled(int level) const {
    return level <= LogLevel.load(std::memory_order_relaxed) ||
           level <= LogDebugView.load(std::memory_order_relaxed);
  }

  // The system path joined with "SVS-Vistek.ini" by the platform separator.
  std::string IniPath() const;

  // Host state, written by the exports.
  DebugMsgProc DebugMsgProcedure() const { return _debugMsgProc.load(); }
  void SetDebugMsgProcedure(DebugMsgProc proc) { _debugMsgProc.store(proc); }
  std::string SystemPath() const;
  void SetSystemPath(const std::string& path);

  // Log thresholds: highest level written to the message procedure and the
  // file (LogLevel), whether the file is written, highest level written to
  // the debugger output (LogDebugView).
  std::atomic<int> LogLevel{3};
  std::atomic<bool> LogIntoFile{false};
  std::atomic<int> LogDebugView{3};

  // ... the implementation adds the reference count, the lock, buffers and
  // the pending lines here.

 private:
  DriverContext();
  std::atomic<DebugMsgProc> _debugMsgProc{nullptr};
};

}  // namespace ecocam

// Logs `expr` (anything convertible to std::string) at `level` only when a
// threshold admits it, so nothing is composed for disabled levels.
#define ECOCAM_LOG(level, expr)                                          \
  do {                                                                   \
    ::ecocam::DriverContext& ecocam_ctx_ = ::ecocam::DriverContext::GetInstance(); \
    if (ecocam_ctx_.Enabled(level)) ecocam_ctx_.Log((level), std::string(expr)); \
  } while (0)
