// Events on Windows: auto-reset kernel events and WaitForMultipleObjects.
#include <windows.h>

#include "../clock_detail.h"
#include "../event.h"

namespace ecocam::platform {

struct Event::Impl {
  HANDLE handle;
};

Event::Event() : _impl(std::make_unique<Impl>()) { _impl->handle = CreateEventA(nullptr, FALSE, FALSE, nullptr); }

Event::~Event() {
  if (_impl->handle) CloseHandle(_impl->handle);
}

void Event::Set() { SetEvent(_impl->handle); }
void Event::Reset() { ResetEvent(_impl->handle); }

bool Event::Wait(std::uint32_t timeoutMs) {
  Event* self = this;
  return WaitAny(&self, 1, timeoutMs) == 0;
}

int WaitAny(Event* const* events, std::size_t count, std::uint32_t timeoutMs) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kWaitFailed;
  }
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  for (std::size_t i = 0; i < count; ++i) handles[i] = events[i]->impl()->handle;
  detail::Deadline deadline(timeoutMs);
  detail::TimedWaitScope scope(deadline);
  for (;;) {
    // Under the test clock the wait looks at the clock every few milliseconds.
    DWORD slice = deadline.virtualClock && !deadline.infinite ? 2 : deadline.RemainingMs();
    DWORD r = WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, slice);
    if (r < WAIT_OBJECT_0 + count) return static_cast<int>(r - WAIT_OBJECT_0);
    if (r != WAIT_TIMEOUT) return kWaitFailed;
    if (deadline.Passed()) return kWaitTimeout;
  }
}

namespace detail {
// Timed waits under the test clock poll it; nothing to wake.
void WakeTimedWaiters() {}
}  // namespace detail

}  // namespace ecocam::platform
