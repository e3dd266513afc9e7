// Threads on Windows: _beginthreadex, WaitForSingleObject, TerminateThread.
#include <windows.h>
#include <process.h>

#include <atomic>

#include "../clock_detail.h"
#include "../thread.h"

namespace ecocam::platform {

struct Thread::Impl {
  HANDLE handle = nullptr;
  DWORD id = 0;
};

namespace {
unsigned __stdcall Trampoline(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return 0;
}
}  // namespace

Thread::Thread() : _impl(std::make_unique<Impl>()) {}

Thread::~Thread() {
  if (_impl->handle) Join(kInfinite);
}

bool Thread::Start(std::function<void()> body) {
  if (_impl->handle) return false;
  auto fn = std::make_unique<std::function<void()>>(std::move(body));
  unsigned id = 0;
  // Started suspended so the handle and id are stored before the thread runs
  // and may ask IsCurrent.
  uintptr_t h = _beginthreadex(nullptr, 0, &Trampoline, fn.get(), CREATE_SUSPENDED, &id);
  if (h == 0) return false;
  fn.release();  // the thread owns it now
  _impl->handle = reinterpret_cast<HANDLE>(h);
  _impl->id = id;
  ResumeThread(_impl->handle);
  return true;
}

bool Thread::Running() const { return _impl->handle != nullptr; }

bool Thread::Join(std::uint32_t timeoutMs) {
  if (IsCurrent()) return false;
  if (!_impl->handle) return true;
  detail::Deadline deadline(timeoutMs);
  detail::TimedWaitScope scope(deadline);
  for (;;) {
    DWORD slice = deadline.virtualClock && !deadline.infinite ? 2 : deadline.RemainingMs();
    DWORD r = WaitForSingleObject(_impl->handle, slice);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_TIMEOUT || deadline.Passed()) return false;
  }
  CloseHandle(_impl->handle);
  _impl->handle = nullptr;
  _impl->id = 0;
  return true;
}

void Thread::Abandon(std::int32_t exitCode) {
  if (!_impl->handle) return;
  TerminateThread(_impl->handle, static_cast<DWORD>(exitCode));
  CloseHandle(_impl->handle);
  _impl->handle = nullptr;
  _impl->id = 0;
}

bool Thread::IsCurrent() const { return _impl->handle && _impl->id == GetCurrentThreadId(); }

std::uint64_t CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace ecocam::platform
