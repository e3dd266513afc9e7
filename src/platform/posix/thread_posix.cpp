// Threads on POSIX: std::thread, with an event announcing the end so a join
// can give up after a timeout.
#include <pthread.h>

#include <atomic>
#include <system_error>
#include <thread>

#include "../event.h"
#include "../thread.h"

namespace ecocam::platform {

namespace {
// State shared with the running thread, so an abandoned (detached) thread
// never touches freed memory.
struct State {
  std::function<void()> body;
  Event done;
};
}  // namespace

struct Thread::Impl {
  std::shared_ptr<State> state;
  std::thread thread;
};

Thread::Thread() : _impl(std::make_unique<Impl>()) {}

Thread::~Thread() {
  if (_impl->thread.joinable()) Join(kInfinite);
}

bool Thread::Start(std::function<void()> body) {
  if (_impl->thread.joinable()) return false;
  auto state = std::make_shared<State>();
  state->body = std::move(body);
  try {
    _impl->thread = std::thread([state] {
      state->body();
      state->done.Set();
    });
  } catch (const std::system_error&) {
    return false;
  }
  _impl->state = std::move(state);
  return true;
}

bool Thread::Running() const { return _impl->thread.joinable(); }

bool Thread::Join(std::uint32_t timeoutMs) {
  if (!_impl->thread.joinable()) return true;
  if (IsCurrent()) return false;
  if (!_impl->state->done.Wait(timeoutMs)) return false;
  _impl->thread.join();
  _impl->state.reset();
  return true;
}

void Thread::Abandon(std::int32_t /*exitCode*/) {
  if (!_impl->thread.joinable()) return;
  _impl->thread.detach();
  _impl->state.reset();
}

bool Thread::IsCurrent() const {
  return _impl->thread.joinable() && _impl->thread.get_id() == std::this_thread::get_id();
}

std::uint64_t CurrentThreadId() {
  static std::atomic<std::uint64_t> next{1};
  thread_local std::uint64_t id = next.fetch_add(1);
  return id;
}

}  // namespace ecocam::platform
