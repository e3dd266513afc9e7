// Storage for a process-lifetime object that is built on first use and never
// destroyed. A lock or condition variable that a thread may still be waiting
// on must not be destroyed at exit or unload (destroying a condition variable
// with a waiter blocks for ever), so such objects live in one of these.
#pragma once

#include <new>
#include <utility>

namespace ecocam::platform {

template <typename T>
class NeverDestroyed {
 public:
  template <typename... Args>
  explicit NeverDestroyed(Args&&... args)
      : _object(::new (static_cast<void*>(_storage)) T(std::forward<Args>(args)...)) {}
  NeverDestroyed(const NeverDestroyed&) = delete;
  NeverDestroyed& operator=(const NeverDestroyed&) = delete;
  // Trivial on purpose: the object outlives every thread of the process.
  ~NeverDestroyed() = default;

  T& get() { return *_object; }

 private:
  alignas(T) unsigned char _storage[sizeof(T)];
  T* _object;
};

}  // namespace ecocam::platform
