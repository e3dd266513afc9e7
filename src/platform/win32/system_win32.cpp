#include <windows.h>

#include "../system.h"
#include "../test_clock.h"

namespace ecocam::platform {

namespace detail {
void SystemDebugOutput(const char* text) { OutputDebugStringA(text); }
}  // namespace detail

LocalTimeParts LocalTime() {
  if (TestClock* c = TestClock::Active()) return c->Local();
  SYSTEMTIME t;
  GetLocalTime(&t);
  return LocalTimeParts{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void SleepMs(std::uint32_t ms) {
  if (TestClock* c = TestClock::Active()) {
    c->Advance(ms);
    return;
  }
  Sleep(ms);
}

}  // namespace ecocam::platform
