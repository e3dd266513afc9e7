// Internal to the platform layer: the pieces timed waits share with the clock.
#pragma once

#include <cstdint>

#include "event.h"

namespace ecocam::platform {
class TestClock;
}

namespace ecocam::platform::detail {

// Wakes every timed wait so it can look at the clock again. Each platform
// implements it next to its events.
void WakeTimedWaiters();

// Computes when a wait of `timeoutMs` started now ends, on the active clock.
struct Deadline {
  explicit Deadline(std::uint32_t timeoutMs);
  bool infinite;
  bool virtualClock;    // measured on the test clock
  std::uint64_t endMs;  // on the test clock, or on the monotonic clock
  // Milliseconds left, 0 when passed; kInfinite when infinite.
  std::uint32_t RemainingMs() const;
  bool Passed() const { return !infinite && RemainingMs() == 0; }
};

// Monotonic milliseconds of the system, ignoring any test clock.
std::uint64_t SystemRunTimeMs();

// Marks the calling thread as blocked in a timed wait of the test clock.
class TimedWaitScope {
 public:
  explicit TimedWaitScope(const Deadline& d);
  ~TimedWaitScope();
  TimedWaitScope(const TimedWaitScope&) = delete;
  TimedWaitScope& operator=(const TimedWaitScope&) = delete;

 private:
  TestClock* _clock;
};

}  // namespace ecocam::platform::detail
