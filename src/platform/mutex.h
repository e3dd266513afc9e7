// A recursive mutex (a critical section on Windows) and its scoped guard.
#pragma once

#include <memory>

namespace ecocam::platform {

// Recursive on every platform, so code behaves the same on Windows, where a
// critical section may be entered again by the thread that holds it.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock();
  void Unlock();
  bool TryLock();

 private:
  struct Impl;
  std::unique_ptr<Impl> _impl;
};

class LockGuard {
 public:
  explicit LockGuard(Mutex& m) : _m(m) { _m.Lock(); }
  ~LockGuard() { _m.Unlock(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Mutex& _m;
};

}  // namespace ecocam::platform
