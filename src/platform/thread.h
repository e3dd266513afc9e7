// A joinable thread whose join can give up after a timeout.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace ecocam::platform {

class Thread {
 public:
  Thread();
  // Joins without limit when the thread is still attached.
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts `body` on a new thread. False when a thread is already attached or
  // the system could not create one.
  bool Start(std::function<void()> body);
  bool Running() const;
  // Waits for the thread to end, at most `timeoutMs` (kInfinite: no limit).
  // True when it ended; the thread is then released. False on timeout: the
  // thread stays attached and the caller decides with Abandon what follows.
  bool Join(std::uint32_t timeoutMs);
  // Gives up a thread that did not end in time. On Windows the thread is
  // terminated with `exitCode`; POSIX offers no safe way to kill a thread,
  // so there it is detached and left to finish on its own.
  void Abandon(std::int32_t exitCode);
  // True when the calling thread is this thread.
  bool IsCurrent() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> _impl;
};

// Identifier of the calling thread, unique among running threads.
std::uint64_t CurrentThreadId();

}  // namespace ecocam::platform
