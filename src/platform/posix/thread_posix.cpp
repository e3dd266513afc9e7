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
  std::atomic<std::thread::id> id{};
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
  // The state is in place before the thread starts, so the new thread may
  // ask IsCurrent at once; the std::thread object is only touched here.
  _impl->state = state;
  try {
    _impl->thread = std::thread([state] {
      state->id.store(std::this_thread::get_id());
      state->body();
      state->done.Set();
    });
  } catch (const std::system_error&) {
    _impl->state.reset();
    return false;
  }
  return true;
}

bool Thread::Running() const { return _impl->state != nullptr; }

bool Thread::Join(std::uint32_t timeoutMs) {
  if (IsCurrent()) return false;
  if (!_impl->thread.joinable()) return true;
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
  const std::shared_ptr<State>& state = _impl->state;
  return state && state->id.load() == std::this_thread::get_id();
}

std::uint64_t CurrentThreadId() {
  static std::atomic<std::uint64_t> next{1};
  thread_local std::uint64_t id = next.fetch_add(1);
  return id;
}

}  // namespace ecocam::platform
