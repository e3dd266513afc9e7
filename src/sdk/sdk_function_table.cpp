#include "sdk/sdk_function_table.h"

#include <new>

#ifndef ECOCAM_SDK_LIBRARY_NAME
#error "the build defines ECOCAM_SDK_LIBRARY_NAME, the SDK's file name on this platform"
#endif

namespace ecocam::sdk {

namespace {

constexpr const char* kEntryNames[kSdkEntryPointCount] = {
#define ECOCAM_SDK_NAME(row, ret, name, params, args, fallback) #name,
    ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_NAME, ECOCAM_SDK_NAME)
#undef ECOCAM_SDK_NAME
};

}  // namespace

SdkFunctionTable& SdkFunctionTable::Instance() {
  // Built in static storage on first use and deliberately never destroyed.
  alignas(SdkFunctionTable) static unsigned char storage[sizeof(SdkFunctionTable)];
  static SdkFunctionTable* const instance = ::new (storage) SdkFunctionTable();
  return *instance;
}

SdkFunctionTable::SdkFunctionTable() : _libraryName(DefaultLibraryName()) {
  for (int i = 0; i < kSdkEntryPointCount; ++i) {
    _entries[i].index = i;
    _entries[i].name = kEntryNames[i];
  }
}

const char* SdkFunctionTable::DefaultLibraryName() { return ECOCAM_SDK_LIBRARY_NAME; }

void SdkFunctionTable::SetLibraryName(const std::string& name) {
  _libraryName = name.empty() ? std::string(DefaultLibraryName()) : name;
}

// Loads the library when it is not loaded, then looks every row up again,
// storing each address (null included) and carrying on after a missing one.
// True only when all 211 rows resolved. A library that lacks a name stays
// loaded; the caller decides what that means.
// Runs on the host's thread inside initialize (no other SDK call in flight).
bool SdkFunctionTable::Load() {
  if (!_library.Loaded()) {
    if (!_library.Load(_libraryName.c_str())) return false;
  }
  bool complete = true;
  for (SdkEntry& entry : _entries) {
    void* address = _library.Resolve(entry.name);
    entry.address.store(address, std::memory_order_release);
    if (address == nullptr) complete = false;
  }
  _loaded.store(true, std::memory_order_release);
  return complete;
}

void SdkFunctionTable::ReleaseAtUnload() {
  Unload();
  std::string(DefaultLibraryName()).swap(_libraryName);
  _library.ForgetLastError();
}

// Unloads the library. The addresses stay in the table, but every forwarding
// function returns its fallback until the next Load.
void SdkFunctionTable::Unload() {
  _loaded.store(false, std::memory_order_release);
  _library.Unload();
}

}  // namespace ecocam::sdk
