// A manual clock for tests of timed behaviour.
//
// While a TestClock exists it is the time source of RunTimeMs, LocalTime,
// SleepMs and every timed wait of the platform layer (Event::Wait, WaitAny,
// Thread::Join). Time moves only through Advance (or SleepMs, which advances
// it): a wait with a timeout ends by timeout once the clock has been advanced
// past its deadline, so a one-second or five-second wait is tested without
// sleeping. Install it while no timed wait is running; one at a time. When
// it goes, waits still running under it end at once and are waited for.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "system.h"

namespace ecocam::platform {

class TestClock {
 public:
  explicit TestClock(std::uint64_t startMs = 0);
  ~TestClock();
  TestClock(const TestClock&) = delete;
  TestClock& operator=(const TestClock&) = delete;

  std::uint64_t NowMs() const { return _nowMs.load(); }
  // Moves the clock on and wakes the timed waits whose deadline has passed.
  void Advance(std::uint64_t ms);

  LocalTimeParts Local() const;
  void SetLocal(const LocalTimeParts& local);

  // Number of threads blocked right now in a timed wait with a finite
  // timeout, so a test can advance the clock once a thread is waiting.
  std::size_t TimedWaiters() const { return _timedWaiters.load(); }

  // The installed clock, or null.
  static TestClock* Active();

  // Used by the platform layer around a timed wait.
  void EnterTimedWait() { ++_timedWaiters; }
  void LeaveTimedWait() { --_timedWaiters; }

 private:
  std::atomic<std::uint64_t> _nowMs;
  std::atomic<std::size_t> _timedWaiters{0};
  std::atomic<long long> _localEncoded;
};

}  // namespace ecocam::platform
