// DriverContext::Log: one line to the debugger output, the host's message
// procedure and the log file "SVS-Vistek.log".
//
// Any thread may log: the host's threads inside the exports, the wait thread
// and the SDK's image threads. _lock makes a call exclusive from the moment
// the message is formatted to the end, so the shared buffers and the pending
// lines are used by one thread at a time and every output sees whole lines
// in one order. The thresholds are atomics read without the lock; a call
// below both thresholds returns before taking it.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "driver_context.h"
#include "platform/system.h"

namespace ecocam {
namespace {

// Marks the context as busy emitting a line for as long as it lives.
class InsideLogScope {
 public:
  explicit InsideLogScope(bool& flag) : _flag(flag) { _flag = true; }
  ~InsideLogScope() { _flag = false; }
  InsideLogScope(const InsideLogScope&) = delete;
  InsideLogScope& operator=(const InsideLogScope&) = delete;

 private:
  bool& _flag;
};

}  // namespace

void DriverContext::Log(int level, const char* format, ...) {
  if (!Enabled(level) || format == nullptr) return;
  platform::LockGuard guard(_lock);
  // The lock is recursive: being inside a line already means this call comes
  // from the message procedure (or the debugger output) on the same thread.
  if (_insideLog) return;
  InsideLogScope inside(_insideLog);
  va_list args;
  va_start(args, format);
  // vsnprintf cuts an overlong message at the buffer's end.
  const int written = std::vsnprintf(_message, sizeof _message, format, args);
  va_end(args);
  if (written < 0) _message[0] = '\0';
  EmitLocked(level);
}

void DriverContext::Log(int level, const std::string& text) {
  if (!Enabled(level)) return;
  platform::LockGuard guard(_lock);
  if (_insideLog) return;
  InsideLogScope inside(_insideLog);
  const std::size_t n = text.size() < sizeof _message - 1 ? text.size() : sizeof _message - 1;
  std::memcpy(_message, text.data(), n);
  _message[n] = '\0';
  EmitLocked(level);
}

std::size_t DriverContext::PendingLineCount() const {
  platform::LockGuard guard(_lock);
  return _pendingLines.size();
}

void DriverContext::EmitLocked(int level) {
  // Nothing that fails here may reach the caller: the log reports nothing.
  try {
    // A message of 1022 or 1023 characters has no room for a line feed.
    const std::size_t n = std::strlen(_message);
    if (n > 0 && n < sizeof _message - 2 && _message[n - 1] != '\n') {
      _message[n] = '\n';
      _message[n + 1] = '\0';
    }
    if (level <= LogDebugView.load()) platform::DebugOutput(_message);
    if (level > LogLevel.load()) return;

    // The third field is the year's last digit: 2026 gives 06.
    const platform::LocalTimeParts t = platform::LocalTime();
    std::snprintf(_timestamp, sizeof _timestamp, "%.2d/%.2d/%.2d %.2d:%.2d:%.2d: ", t.day, t.month,
                  (t.year - 1900) % 10, t.hour, t.minute, t.second);

    if (DebugMsgProc proc = _debugMsgProc.load()) {
      proc(_timestamp);
      proc(_message);
    }
    if (LogIntoFile.load()) WriteToFileLocked();
  } catch (...) {
  }
}

void DriverContext::AppendPendingLocked() {
  if (_pendingLines.size() >= kMaxPendingLines) {
    _pendingLines.pop_front();
    ++_lostPendingLines;
  }
  _pendingLines.push_back(std::string(_timestamp) + _message);
}

// Opens and closes the file for every line, so other programs may read or
// move it between lines. Lines logged before the system path was known are
// written first, in their order.
void DriverContext::WriteToFileLocked() {
  const std::string dir = SystemPath();
  if (dir.empty()) {
    AppendPendingLocked();
    return;
  }
  const std::string path = dir + platform::kPathSeparator + "SVS-Vistek.log";
  std::FILE* file = std::fopen(path.c_str(), "a");
  // Unopenable: this line is lost, the pending ones wait for the next.
  if (file == nullptr) return;
  if (_lostPendingLines > 0) {
    std::fprintf(file, "%sDriverContext::Log: WARNING: %lu lines logged before the system path was set were lost\n",
                 _timestamp, static_cast<unsigned long>(_lostPendingLines));
    _lostPendingLines = 0;
  }
  for (const std::string& line : _pendingLines) std::fputs(line.c_str(), file);
  _pendingLines.clear();
  std::fputs(_timestamp, file);
  std::fputs(_message, file);
  std::fclose(file);
}

}  // namespace ecocam
