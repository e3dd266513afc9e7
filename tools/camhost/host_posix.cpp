#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_system.h"

namespace camhost {

std::string ExecutableDir() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  const std::string path(buffer, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

const char* DriverLibraryName() { return "libecocam.so"; }

std::string DefaultSystemPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/ecocam";
  const char* home = std::getenv("HOME");
  const std::string base = (home != nullptr && home[0] != '\0') ? home : ".";
  return base + "/.local/state/ecocam";
}

bool PreloadLibrary(const std::string& path, std::string& error) {
  // Never closed: the driver binds to it for the rest of the process.
  if (dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL) != nullptr) return true;
  const char* text = dlerror();
  error = text != nullptr ? text : "dlopen failed";
  return false;
}

bool PinLibrary(const std::string& path) {
  // A second reference that is never dropped, and the library marked so
  // that no dlclose unmaps it.
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE | RTLD_NOLOAD) != nullptr;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

long long ResidentBytes() {
  // The second field of statm is the resident set, in pages.
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return 0;
  long long total = 0, resident = 0;
  const int read = std::fscanf(file, "%lld %lld", &total, &resident);
  std::fclose(file);
  const long page = sysconf(_SC_PAGESIZE);
  return read == 2 && page > 0 ? resident * page : 0;
}

bool SetEnvironment(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

struct FileLock::Impl {
  int fd = -1;
  bool held = false;
};

FileLock::FileLock(const std::string& path) : _impl(std::make_unique<Impl>()) {
  _impl->fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (_impl->fd >= 0) _impl->held = flock(_impl->fd, LOCK_EX | LOCK_NB) == 0;
}

FileLock::~FileLock() {
  if (_impl->fd >= 0) close(_impl->fd);  // closing releases the lock
}

bool FileLock::Held() const { return _impl->held; }

}  // namespace camhost
