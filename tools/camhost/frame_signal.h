// The completion callback's side of a grab: the driver calls it on its wait
// thread for every delivered frame; the reading thread waits here.
#pragma once

#include <chrono>
#include <cstddef>

#include "ecocam/ecocam.h"

namespace camhost {

using Clock = std::chrono::steady_clock;

class FrameSignal {
 public:
  // The completion callback handed to setCompleteCallback.
  static int ECOCAM_CALL Completed(int grabberNo, int portNo);

  // Frames delivered since the start of the process.
  static long long Delivered();
  // Waits until more than `count` frames were delivered; false on timeout.
  // `at` receives the time the (count + 1)-th frame was delivered.
  static bool WaitBeyond(long long count, int timeoutMs, Clock::time_point& at);
};

}  // namespace camhost
