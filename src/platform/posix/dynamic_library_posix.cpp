#include <dlfcn.h>

#include "../dynamic_library.h"

namespace ecocam::platform {

bool DynamicLibrary::Load(const char* name) {
  Unload();
  if (name == nullptr || *name == '\0') {
    _lastError = "no library name";
    return false;
  }
  _handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (_handle == nullptr) {
    const char* err = dlerror();
    _lastError = err ? err : "dlopen failed";
    return false;
  }
  _lastError.clear();
  return true;
}

void* DynamicLibrary::Resolve(const char* symbol) const {
  if (_handle == nullptr || symbol == nullptr) return nullptr;
  return dlsym(_handle, symbol);
}

void DynamicLibrary::Unload() {
  if (_handle != nullptr) {
    dlclose(_handle);
    _handle = nullptr;
  }
}

}  // namespace ecocam::platform
