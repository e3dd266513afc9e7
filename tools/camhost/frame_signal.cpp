#include "frame_signal.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace camhost {
namespace {

struct State {
  std::mutex mutex;
  std::condition_variable changed;
  long long delivered = 0;
  // Delivery times of the frames not yet waited for, oldest first.
  std::deque<Clock::time_point> times;
  long long firstTimeIndex = 0;  // frame number of times.front()
};

State& TheState() {
  static State state;
  return state;
}

}  // namespace

int ECOCAM_CALL FrameSignal::Completed(int, int) {
  State& s = TheState();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.delivered;
    s.times.push_back(Clock::now());
    // A long continuous run must not grow this without bound.
    while (s.times.size() > 1024) {
      s.times.pop_front();
      ++s.firstTimeIndex;
    }
  }
  s.changed.notify_all();
  return 0;
}

long long FrameSignal::Delivered() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.delivered;
}

bool FrameSignal::WaitBeyond(long long count, int timeoutMs, Clock::time_point& at) {
  State& s = TheState();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return s.delivered > count; })) {
    return false;
  }
  const long long index = count - s.firstTimeIndex;
  at = (index >= 0 && index < static_cast<long long>(s.times.size())) ? s.times[static_cast<std::size_t>(index)]
                                                                      : Clock::now();
  // Times before the one asked for are no longer needed.
  while (s.firstTimeIndex < count && !s.times.empty()) {
    s.times.pop_front();
    ++s.firstTimeIndex;
  }
  return true;
}

}  // namespace camhost
