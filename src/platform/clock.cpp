// Run time, the test clock and wait deadlines: portable parts of the clock.
#include <chrono>
#include <thread>

#include "clock_detail.h"
#include "test_clock.h"

namespace ecocam::platform {
namespace {

std::atomic<TestClock*> gActiveClock{nullptr};

// Taken when the library is loaded, so run times count from then.
const std::chrono::steady_clock::time_point gLoadTime = std::chrono::steady_clock::now();

long long Encode(const LocalTimeParts& t) {
  return ((((static_cast<long long>(t.year) * 100 + t.month) * 100 + t.day) * 100 + t.hour) * 100 + t.minute) * 100 +
         t.second;
}

LocalTimeParts Decode(long long v) {
  LocalTimeParts t{};
  t.second = static_cast<int>(v % 100);
  v /= 100;
  t.minute = static_cast<int>(v % 100);
  v /= 100;
  t.hour = static_cast<int>(v % 100);
  v /= 100;
  t.day = static_cast<int>(v % 100);
  v /= 100;
  t.month = static_cast<int>(v % 100);
  v /= 100;
  t.year = static_cast<int>(v);
  return t;
}

}  // namespace

TestClock::TestClock(std::uint64_t startMs)
    : _nowMs(startMs), _localEncoded(Encode(LocalTimeParts{2026, 12, 7, 12, 42, 37})) {
  gActiveClock.store(this);
}

// A wait begun under the clock ends at once when it goes, but still holds
// the clock until it has left (a thread that waits on its own, the driver's
// wait thread, say, may be in one): the clock waits for that, bounded.
TestClock::~TestClock() {
  gActiveClock.store(nullptr);
  detail::WakeTimedWaiters();
  const std::uint64_t giveUp = detail::SystemRunTimeMs() + 5000;
  while (_timedWaiters.load() > 0 && detail::SystemRunTimeMs() < giveUp) {
    std::this_thread::yield();
    detail::WakeTimedWaiters();
  }
}

void TestClock::Advance(std::uint64_t ms) {
  _nowMs.fetch_add(ms);
  detail::WakeTimedWaiters();
}

LocalTimeParts TestClock::Local() const { return Decode(_localEncoded.load()); }

void TestClock::SetLocal(const LocalTimeParts& local) { _localEncoded.store(Encode(local)); }

TestClock* TestClock::Active() { return gActiveClock.load(); }

std::uint64_t RunTimeMs() {
  if (TestClock* c = TestClock::Active()) return c->NowMs();
  return detail::SystemRunTimeMs();
}

namespace detail {

std::uint64_t SystemRunTimeMs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - gLoadTime).count());
}

Deadline::Deadline(std::uint32_t timeoutMs)
    : infinite(timeoutMs == kInfinite), virtualClock(TestClock::Active() != nullptr), endMs(0) {
  if (!infinite) endMs = (virtualClock ? TestClock::Active()->NowMs() : SystemRunTimeMs()) + timeoutMs;
}

std::uint32_t Deadline::RemainingMs() const {
  if (infinite) return kInfinite;
  TestClock* c = TestClock::Active();
  // A wait begun under a test clock that has since gone ends at once.
  if (virtualClock && c == nullptr) return 0;
  std::uint64_t now = virtualClock ? c->NowMs() : SystemRunTimeMs();
  if (now >= endMs) return 0;
  std::uint64_t left = endMs - now;
  return left >= kInfinite ? kInfinite - 1 : static_cast<std::uint32_t>(left);
}

TimedWaitScope::TimedWaitScope(const Deadline& d)
    : _clock(d.virtualClock && !d.infinite ? TestClock::Active() : nullptr) {
  if (_clock) _clock->EnterTimedWait();
}

TimedWaitScope::~TimedWaitScope() {
  // The clock outlives every wait begun under it.
  if (_clock) _clock->LeaveTimedWait();
}

}  // namespace detail
}  // namespace ecocam::platform
