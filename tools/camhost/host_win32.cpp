#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_system.h"

namespace camhost {

std::string ExecutableDir() {
  char buffer[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return ".";
  const std::string path(buffer, n);
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

const char* DriverLibraryName() { return "ecocam.dll"; }

std::string DefaultSystemPath() {
  const char* local = std::getenv("LOCALAPPDATA");
  if (local != nullptr && local[0] != '\0') return std::string(local) + "\\ecocam";
  const char* profile = std::getenv("USERPROFILE");
  return std::string(profile != nullptr ? profile : ".") + "\\AppData\\Local\\ecocam";
}

bool PreloadLibrary(const std::string& path, std::string& error) {
  // Never freed: a later LoadLibrary of the SDK's bare name finds the module
  // of that name already loaded and uses it.
  const UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const HMODULE module = LoadLibraryA(path.c_str());
  SetErrorMode(old);
  if (module != nullptr) return true;
  error = "LoadLibrary failed, error " + std::to_string(GetLastError());
  return false;
}

bool PinLibrary(const std::string& path) {
  HMODULE module = nullptr;
  return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, path.c_str(), &module) != 0;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

long long ResidentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.WorkingSetSize);
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  // Both the C runtime's copy, which getenv reads, and the process's own.
  return _putenv_s(name.c_str(), value.c_str()) == 0 && SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0;
}

struct FileLock::Impl {
  HANDLE file = INVALID_HANDLE_VALUE;
  bool held = false;
};

FileLock::FileLock(const std::string& path) : _impl(std::make_unique<Impl>()) {
  _impl->file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (_impl->file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED at{};
  _impl->held = LockFileEx(_impl->file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

FileLock::~FileLock() {
  if (_impl->file != INVALID_HANDLE_VALUE) CloseHandle(_impl->file);  // closing releases the lock
}

bool FileLock::Held() const { return _impl->held; }

}  // namespace camhost
