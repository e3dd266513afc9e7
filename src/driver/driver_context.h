// The process-wide driver context: the host's system path and message
// procedure, the initialize count, the log thresholds, and logging.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

#include "ecocam/ecocam.h"
#include "platform/mutex.h"

#if defined(__GNUC__)
#define ECOCAM_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ECOCAM_PRINTF(fmt, args)
#endif

namespace ecocam {

class DriverContext {
 public:
  // Size of the message buffer, terminating zero included: longer messages
  // are cut to 1023 characters.
  static constexpr std::size_t kMessageBufferSize = 1024;
  static constexpr std::size_t kTimestampBufferSize = 128;
  // Lines kept while the system path is empty; beyond it the oldest go.
  static constexpr std::size_t kMaxPendingLines = 10000;

  // Created at the first call; lives until the library is unloaded.
  static DriverContext& GetInstance();

  DriverContext(const DriverContext&) = delete;
  DriverContext& operator=(const DriverContext&) = delete;

  // Formats like printf and emits one line. Use only with a literal format.
  void Log(int level, const char* format, ...) ECOCAM_PRINTF(3, 4);
  // Emits a composed text as it stands: a '%' in it is written as '%'.
  void Log(int level, const std::string& text);

  // True when either threshold admits `level`: callers test this before
  // composing a message, so disabled levels cost two comparisons.
  bool Enabled(int level) const {
    return level <= LogLevel.load(std::memory_order_relaxed) || level <= LogDebugView.load(std::memory_order_relaxed);
  }

  // The system path joined with "SVS-Vistek.ini" by the platform separator.
  std::string IniPath() const;

  // Host state, written by the exports.
  DebugMsgProc DebugMsgProcedure() const { return _debugMsgProc.load(); }
  void SetDebugMsgProcedure(DebugMsgProc proc) { _debugMsgProc.store(proc); }
  std::string SystemPath() const;
  void SetSystemPath(const std::string& path);

  // The count of initialize calls not yet matched by finalize.
  int RefCount() const { return _refCount.load(); }
  // Adds one user; returns the new count.
  int AddRef() { return ++_refCount; }
  // Removes one user, never going below 0; returns the new count.
  int Release();

  // Lines waiting for a system path (for tests and diagnostics).
  std::size_t PendingLineCount() const;

  // Log thresholds: highest level written to the message procedure and the
  // file (LogLevel), whether the file is written, highest level written to
  // the debugger output (LogDebugView).
  std::atomic<int> LogLevel{3};
  std::atomic<bool> LogIntoFile{false};
  std::atomic<int> LogDebugView{3};

 private:
  DriverContext();
  ~DriverContext();

  // Emits the line in _message. Called with _lock held.
  void EmitLocked(int level);
  void WriteToFileLocked();
  void AppendPendingLocked();

  std::atomic<DebugMsgProc> _debugMsgProc{nullptr};
  std::string _systemPath;        // guarded by _pathMutex
  mutable std::mutex _pathMutex;  // a leaf lock: nothing is taken under it
  std::atomic<int> _refCount{0};

  // Serialises Log. Recursive, so a log call made from inside the message
  // procedure on the same thread gets the lock again; it then finds
  // _insideLog set and drops its line instead of overwriting the buffers.
  mutable platform::Mutex _lock;
  bool _insideLog = false;                     // guarded by _lock
  char _message[kMessageBufferSize] = {};      // guarded by _lock
  char _timestamp[kTimestampBufferSize] = {};  // guarded by _lock
  std::deque<std::string> _pendingLines;       // guarded by _lock
  std::size_t _lostPendingLines = 0;           // guarded by _lock
};

}  // namespace ecocam

// Logs `expr` (anything convertible to std::string) at `level` only when a
// threshold admits it, so nothing is composed for disabled levels. Never
// throws: a line that cannot be composed or written is dropped, so it may
// stand in destructors, exception handlers and the exports' shields.
#define ECOCAM_LOG(level, expr)                                                      \
  do {                                                                               \
    try {                                                                            \
      ::ecocam::DriverContext& ecocam_ctx_ = ::ecocam::DriverContext::GetInstance(); \
      if (ecocam_ctx_.Enabled(level)) ecocam_ctx_.Log((level), std::string(expr));   \
    } catch (...) {                                                                  \
    }                                                                                \
  } while (0)
