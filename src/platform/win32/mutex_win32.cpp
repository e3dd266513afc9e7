#include <windows.h>

#include "../mutex.h"

namespace ecocam::platform {

struct Mutex::Impl {
  CRITICAL_SECTION cs;
};

Mutex::Mutex() : _impl(std::make_unique<Impl>()) { InitializeCriticalSection(&_impl->cs); }
Mutex::~Mutex() { DeleteCriticalSection(&_impl->cs); }
void Mutex::Lock() { EnterCriticalSection(&_impl->cs); }
void Mutex::Unlock() { LeaveCriticalSection(&_impl->cs); }
bool Mutex::TryLock() { return TryEnterCriticalSection(&_impl->cs) != 0; }

}  // namespace ecocam::platform
