// Loading a shared library at run time and resolving its symbols.
#pragma once

#include <string>

namespace ecocam::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary() { Unload(); }
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads `name` with the platform's standard search (a bare name is looked
  // up the way the system looks up libraries; a path is used as given).
  // Unloads a library loaded before. False when it cannot be loaded.
  bool Load(const char* name);
  // Address of `symbol`, or null when the library is not loaded or lacks it.
  void* Resolve(const char* symbol) const;
  void Unload();
  bool Loaded() const { return _handle != nullptr; }
  // The system's description of the last failed Load, for log lines.
  const std::string& LastError() const { return _lastError; }
  // Frees the description's memory.
  void ForgetLastError() { std::string().swap(_lastError); }

 private:
  void* _handle = nullptr;
  std::string _lastError;
};

}  // namespace ecocam::platform
