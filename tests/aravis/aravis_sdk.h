// The Aravis backend's library, loaded by path, and its entry points
// resolved by name, for tests that call the backend directly.
#pragma once

#include <dlfcn.h>

#include "sdk/sdk_entry_points.h"

namespace ecocam::testing {

constexpr int kOk = 0;
constexpr int kNotSupported = 1001;
constexpr int kInvalidHandle = 1002;
constexpr int kNullArgument = 1006;
constexpr int kFeatureMissing = 1013;
constexpr int kCameraError = 1014;
constexpr int kCameraLost = 1015;

// The backend's entry points, resolved by name from its library.
struct Sdk {
  Sdk() : library(dlopen(ECOCAM_ARAVIS_SDK_FILE, RTLD_NOW)) {}
  ~Sdk() {
    if (library != nullptr) dlclose(library);
  }
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(dlsym(library, name));
  }
  void* library;
};

#define SDK_FN(name) const auto name = sdk.Get<name##_fn>(#name)
#define SDK_MEMBER(name) name##_fn name = sdk.Get<name##_fn>(#name)

}  // namespace ecocam::testing
