// What camhost needs of the operating system beyond the driver's platform
// layer: where it lives, where its state goes, the port locks shared by
// camhost processes, and loading the SDK library ahead of the driver. One
// implementation per system (host_posix.cpp, host_win32.cpp).
#pragma once

#include <memory>
#include <string>

namespace camhost {

// Folder of the running executable, without a trailing separator.
std::string ExecutableDir();

// The driver library's file name: "libecocam.so" or "ecocam.dll".
const char* DriverLibraryName();

// Default system path: "ecocam" under the user's state folder
// ($XDG_STATE_HOME or ~/.local/state; %LOCALAPPDATA% on Windows).
std::string DefaultSystemPath();

// Loads `path` and keeps it loaded for the life of the process, with its
// symbols visible to libraries loaded later, so the driver's load of the
// SDK by its bare name binds to this copy. False with `error` set on failure.
bool PreloadLibrary(const std::string& path, std::string& error);

// Keeps the already loaded library at `path` in memory until the process
// ends, whoever unloads it. False when it is not loaded.
bool PinLibrary(const std::string& path);

// True when standard error is a terminal (for the progress bar).
bool StderrIsTerminal();

// The process's resident memory in bytes (the working set on Windows); 0
// when the system does not tell.
long long ResidentBytes();

// Sets an environment variable of this process, for the libraries it loads
// afterwards. False on failure.
bool SetEnvironment(const std::string& name, const std::string& value);

// An exclusive lock on a file, shared by every camhost process that names
// the same file; released when the object goes (or the process ends).
class FileLock {
 public:
  // Tries once, without waiting. Check Held() afterwards.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> _impl;
};

}  // namespace camhost
