#include <dlfcn.h>
#include <errno.h>
#include <string.h>
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

std::string LastSystemError() {
  const int error = errno;
  char text[256] = {};
  // The GNU strerror_r may return a static text instead of filling ours.
  const char* message = strerror_r(error, text, sizeof text);
  return std::string(message != nullptr ? message : "") + " (errno " + std::to_string(error) + ")";
}

// The handler is a static object built by the first call: its destructor
// is registered with this library's handle, so it runs at the library's
// dlclose or at exit, before the statics built earlier are destroyed. (A
// plain atexit would do the same, but sanitizer runtimes register it for
// the process instead of the library, and run it after an unload.)
namespace {
struct UnloadHandler {
  void (*teardown)() = nullptr;
  ~UnloadHandler() {
    if (teardown != nullptr) teardown();
  }
};
}  // namespace

void RunAtUnload(void (*teardown)()) {
  static UnloadHandler handler;
  handler.teardown = teardown;
}

std::string OwnModuleFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnModuleFolder), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace ecocam::platform
