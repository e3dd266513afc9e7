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

std::string LastSystemError() {
  const DWORD error = GetLastError();
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message + " (error " + std::to_string(error) + ")";
}

void RunAtUnload(void (*teardown)()) {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(teardown), &module);
}

std::string OwnModuleFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&OwnModuleFolder), &module)) {
    return {};
  }
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::string folder(path, n);
  const std::size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

}  // namespace ecocam::platform
