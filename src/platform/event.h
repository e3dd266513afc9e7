// Auto-reset events and waiting on several of them at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ecocam::platform {

// Timeout value meaning "wait forever".
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
// WaitAny's result when the timeout passed before any event was signalled.
constexpr int kWaitTimeout = -1;
// WaitAny's result when the system could not wait (LastSystemError tells why).
constexpr int kWaitFailed = -2;

// An auto-reset event: Set wakes one waiter (or the next wait, if none is
// waiting) and the successful wait resets it again.
class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // True when the event was signalled (and is now consumed), false on timeout.
  bool Wait(std::uint32_t timeoutMs);

  struct Impl;
  Impl* impl() const { return _impl.get(); }

 private:
  std::unique_ptr<Impl> _impl;
};

// Waits until one of `count` events is signalled. Returns the lowest index of
// the signalled events and consumes only that one; returns kWaitTimeout when
// the timeout passes first, kWaitFailed when the system cannot wait on them.
int WaitAny(Event* const* events, std::size_t count, std::uint32_t timeoutMs);

}  // namespace ecocam::platform
