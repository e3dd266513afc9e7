// The driver's log as a host receives it: through the message procedure.
//
// MessageLog keeps what the procedure receives. A message procedure carries
// no context, so there is one store per process; every test of a process
// shares it, and each capture starts by clearing it.
//
// Two captures are built on it, one per kind of test:
// - HostLog (here), for tests that reach the driver through its exports
//   only: hand HostLog::Procedure to initialize or setDebugMsgProc; the
//   capture detaches it when it goes. It never touches the log thresholds:
//   through the exports they are the host's to set (the INI file a camera
//   opens with, or setProperty), and a test that changes them sets them
//   back the same way.
// - DriverLog (support/driver_log.h), for tests linked against the driver's
//   internals: it installs the procedure itself and sets the thresholds.
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"

namespace ecocam::testing {

class MessageLog {
 public:
  // The procedure to hand to the driver. The driver calls it twice per
  // line, with the timestamp, then with the message, both from one place
  // under its log lock. The pairing counts every call ever received and is
  // never restarted: a line that a thread was writing while one capture
  // ended and the next began still pairs as it should. A test that calls
  // the procedure itself keeps to pairs.
  static void ECOCAM_CALL Procedure(const char* text) {
    Store& s = Get();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string line = text != nullptr ? text : "";
    s.calls.push_back(line);
    if (s.count++ % 2 == 0) return;  // the timestamp
    if (!line.empty() && line.back() == '\n') line.pop_back();
    s.messages.push_back(std::move(line));
  }

  // Every text received since the last Clear or Take, timestamps included,
  // in call order.
  static std::vector<std::string> Calls() { return Copy(&Store::calls); }
  // The messages received since the last Clear or Take, without their
  // line feed.
  static std::vector<std::string> Peek() { return Copy(&Store::messages); }
  // Each the same, and forgets everything received so far.
  static std::vector<std::string> Take() { return Drain(&Store::messages); }
  static std::vector<std::string> TakeCalls() { return Drain(&Store::calls); }
  static void Clear() { Take(); }

  // True when a received text (timestamp or message) holds `part`.
  static bool Holds(const std::string& part) {
    const std::vector<std::string> calls = Calls();
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& text) { return text.find(part) != std::string::npos; });
  }
  // True when a received text starts with `prefix`.
  static bool Has(const std::string& prefix) {
    const std::vector<std::string> calls = Calls();
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& text) { return text.compare(0, prefix.size(), prefix) == 0; });
  }
  // Every received text, joined, for failure messages.
  static std::string All() {
    std::string all;
    for (const std::string& text : Calls()) all += text;
    return all;
  }

  // Whether, and how often, `lines` holds exactly `line`.
  static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  static long Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<long>(std::count(lines.begin(), lines.end(), line));
  }

 private:
  struct Store {
    std::mutex mutex;
    std::vector<std::string> calls;     // guarded by mutex
    std::vector<std::string> messages;  // guarded by mutex
    unsigned count = 0;                 // calls ever received, guarded by mutex
  };
  static Store& Get() {
    static Store store;
    return store;
  }
  using List = std::vector<std::string> Store::*;
  static std::vector<std::string> Copy(List list) {
    Store& s = Get();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.*list;
  }
  static std::vector<std::string> Drain(List list) {
    Store& s = Get();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<std::string> taken;
    taken.swap(s.*list);
    s.calls.clear();
    s.messages.clear();
    return taken;
  }
};

// The capture for tests through the exports. Holds no state of its own: it
// scopes the store, emptied when made, and the procedure, detached from the
// driver (setDebugMsgProc(nullptr)) when gone.
class HostLog : public MessageLog {
 public:
  HostLog() { Clear(); }
  ~HostLog() { setDebugMsgProc(nullptr); }
  HostLog(const HostLog&) = delete;
  HostLog& operator=(const HostLog&) = delete;
};

}  // namespace ecocam::testing
