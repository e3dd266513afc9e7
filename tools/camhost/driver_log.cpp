#include "driver_log.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace camhost {
namespace {

constexpr std::size_t kKeptLines = 400;

struct State {
  std::mutex mutex;
  bool printing = false;
  bool haveStamp = false;
  std::string stamp;
  std::deque<std::string> lines;  // messages without their line feed
  std::string levelOne;           // the newest level-1 line
};

// The driver's level-1 lines, known by their words: the message procedure
// is not told a line's level.
bool IsLevelOne(const std::string& line) {
  for (const char* marker : {"ERROR", "WARNING", "EXCEPTION", "Error: exception", "camera driver V"}) {
    if (line.find(marker) != std::string::npos) return true;
  }
  return false;
}

State& TheState() {
  static State state;
  return state;
}

}  // namespace

void ECOCAM_CALL DriverLog::MessageProc(const char* text) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  const std::string part = text != nullptr ? text : "";
  if (!s.haveStamp) {
    s.stamp = part;
    s.haveStamp = true;
    return;
  }
  s.haveStamp = false;
  std::string message = part;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  if (s.printing) std::fprintf(stderr, "driver: %s%s\n", s.stamp.c_str(), message.c_str());
  if (IsLevelOne(message)) s.levelOne = message;
  s.lines.push_back(std::move(message));
  if (s.lines.size() > kKeptLines) s.lines.pop_front();
}

void DriverLog::SetPrinting(bool print) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.printing = print;
}

bool DriverLog::Contains(const std::string& text) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const std::string& line : s.lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

std::vector<std::string> DriverLog::Problems(std::size_t max) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::vector<std::string> found;
  for (const std::string& line : s.lines) {
    if (line.find("ERROR") != std::string::npos || line.find("WARNING") != std::string::npos) found.push_back(line);
  }
  if (found.size() > max) found.erase(found.begin(), found.end() - static_cast<std::ptrdiff_t>(max));
  return found;
}

void DriverLog::Clear() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.lines.clear();
}

std::string DriverLog::LatestLevelOne() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.levelOne;
}

}  // namespace camhost
