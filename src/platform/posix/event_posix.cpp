// Events on POSIX: one process-wide mutex and condition variable serve every
// event, which makes waiting on several events at once simple and exact.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "../clock_detail.h"
#include "../event.h"
#include "../never_destroyed.h"

namespace ecocam::platform {
namespace {

// Never destroyed: a thread left waiting at exit or unload would make the
// condition variable's destruction block for ever.
std::mutex& Mu() {
  static NeverDestroyed<std::mutex> m;
  return m.get();
}
std::condition_variable& Cv() {
  static NeverDestroyed<std::condition_variable> cv;
  return cv.get();
}

// Blocks on the shared condition variable until woken or the deadline
// passes. Under the test clock only Advance (which notifies) moves time on.
void BlockUntil(std::unique_lock<std::mutex>& lock, const detail::Deadline& d) {
  if (d.infinite || d.virtualClock) {
    Cv().wait(lock);
  } else {
    Cv().wait_for(lock, std::chrono::milliseconds(d.RemainingMs()));
  }
}

}  // namespace

struct Event::Impl {
  bool signalled = false;
};

Event::Event() : _impl(std::make_unique<Impl>()) {}
Event::~Event() = default;

// Setting an event already set wakes nobody: whoever waits for it was
// woken when it was first set, and it stays set until a waiter takes it.
void Event::Set() {
  bool was = false;
  {
    std::lock_guard<std::mutex> lock(Mu());
    was = _impl->signalled;
    _impl->signalled = true;
  }
  if (!was) Cv().notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(Mu());
  _impl->signalled = false;
}

bool Event::Wait(std::uint32_t timeoutMs) {
  Event* self = this;
  return WaitAny(&self, 1, timeoutMs) == 0;
}

int WaitAny(Event* const* events, std::size_t count, std::uint32_t timeoutMs) {
  detail::Deadline deadline(timeoutMs);
  detail::TimedWaitScope scope(deadline);
  std::unique_lock<std::mutex> lock(Mu());
  for (;;) {
    for (std::size_t i = 0; i < count; ++i) {
      if (events[i] && events[i]->impl()->signalled) {
        events[i]->impl()->signalled = false;
        return static_cast<int>(i);
      }
    }
    if (deadline.Passed()) return kWaitTimeout;
    BlockUntil(lock, deadline);
  }
}

namespace detail {

void WakeTimedWaiters() {
  { std::lock_guard<std::mutex> lock(Mu()); }
  Cv().notify_all();
}

}  // namespace detail
}  // namespace ecocam::platform
