// The process-wide table of the SDK's entry points and the library handle.
#pragma once

#include <array>
#include <atomic>
#include <string>

#include "platform/dynamic_library.h"
#include "sdk/sdk_entry_points.h"

namespace ecocam::sdk {

// One row of the table: the entry point's resolved address (null until
// resolved, or when the library lacks the name), its row index and its name.
struct SdkEntry {
  std::atomic<void*> address{nullptr};
  int index = 0;
  const char* name = "";
};

class SdkFunctionTable {
 public:
  // The one table of the process. It is never destroyed, so forwarding
  // functions stay callable from other objects' destructors at exit.
  static SdkFunctionTable& Instance();

  SdkFunctionTable(const SdkFunctionTable&) = delete;
  SdkFunctionTable& operator=(const SdkFunctionTable&) = delete;

  bool Load();
  void Unload();
  // Unloads the SDK and frees the memory the table holds, when the driver
  // itself is unloaded (the table is never destroyed). A later Load still
  // works, with the default library name.
  void ReleaseAtUnload();
  bool IsLoaded() const { return _loaded.load(std::memory_order_acquire); }

  const SdkEntry& Entry(SdkRow row) const { return _entries[static_cast<int>(row)]; }
  const SdkEntry& Entry(int index) const { return _entries.at(index); }

  // The resolved address of `row` as the entry point's function type.
  template <typename Fn>
  Fn Function(SdkRow row) const {
    return reinterpret_cast<Fn>(Entry(row).address.load(std::memory_order_acquire));
  }

  // The name the loader passes to the platform: the SDK's file name, found by
  // the platform's standard search. Tests point it at another file (a path,
  // or a name that does not exist); an empty name restores the default. Only
  // while the library is not loaded.
  void SetLibraryName(const std::string& name);
  const std::string& LibraryName() const { return _libraryName; }
  static const char* DefaultLibraryName();

 private:
  SdkFunctionTable();

  std::array<SdkEntry, kSdkEntryPointCount> _entries;
  platform::DynamicLibrary _library;  // written only by Load and Unload
  std::atomic<bool> _loaded{false};   // mirrors _library.Loaded() for readers
  std::string _libraryName;
};

}  // namespace ecocam::sdk
