// Bounds a call that could block for ever: it runs on a thread of its own,
// and a test that waited too long pokes it free (opening the other end of
// what it waits on, say) instead of hanging the whole run.
#pragma once

#include <chrono>
#include <functional>
#include <future>

namespace ecocam::testing {

// Runs `work` and waits at most `limit` for it: true when it returned in
// time. When it did not, calls `poke` every 10 ms until `work` returns,
// and returns false; without a `poke`, `work` must end by itself.
inline bool FinishesWithin(std::chrono::milliseconds limit, const std::function<void()>& work,
                           const std::function<void()>& poke = {}) {
  std::future<void> done = std::async(std::launch::async, work);
  if (done.wait_for(limit) == std::future_status::ready) {
    done.get();
    return true;
  }
  while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
    if (poke) poke();
  }
  done.get();
  return false;
}

}  // namespace ecocam::testing
