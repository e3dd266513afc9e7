#include <syslog.h>
#include <time.h>

#include <thread>

#include "../system.h"
#include "../test_clock.h"

namespace ecocam::platform {
namespace detail {
void SystemDebugOutput(const char* text) {
  // No openlog: that would rename the host's own log lines.
  syslog(LOG_USER | LOG_DEBUG, "ecocam: %s", text);
}
}  // namespace detail

LocalTimeParts LocalTime() {
  if (TestClock* c = TestClock::Active()) return c->Local();
  time_t now = time(nullptr);
  struct tm t {};
  localtime_r(&now, &t);
  return LocalTimeParts{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

void SleepMs(std::uint32_t ms) {
  if (TestClock* c = TestClock::Active()) {
    c->Advance(ms);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace ecocam::platform
