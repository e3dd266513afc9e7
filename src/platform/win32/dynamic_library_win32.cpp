#include <windows.h>

#include <string>

#include "../dynamic_library.h"

namespace ecocam::platform {

bool DynamicLibrary::Load(const char* name) {
  Unload();
  if (name == nullptr || *name == '\0') {
    _lastError = "no library name";
    return false;
  }
  // No "cannot find DLL" message box for the user: the caller reports it.
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE h = LoadLibraryA(name);
  SetErrorMode(old);
  if (h == nullptr) {
    _lastError = "LoadLibrary failed, error " + std::to_string(GetLastError());
    return false;
  }
  _handle = h;
  _lastError.clear();
  return true;
}

void* DynamicLibrary::Resolve(const char* symbol) const {
  if (_handle == nullptr || symbol == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(_handle), symbol));
}

void DynamicLibrary::Unload() {
  if (_handle != nullptr) {
    FreeLibrary(static_cast<HMODULE>(_handle));
    _handle = nullptr;
  }
}

}  // namespace ecocam::platform
