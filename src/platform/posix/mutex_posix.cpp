#include <mutex>

#include "../mutex.h"

namespace ecocam::platform {

struct Mutex::Impl {
  std::recursive_mutex m;
};

Mutex::Mutex() : _impl(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::Lock() { _impl->m.lock(); }
void Mutex::Unlock() { _impl->m.unlock(); }
bool Mutex::TryLock() { return _impl->m.try_lock(); }

}  // namespace ecocam::platform
