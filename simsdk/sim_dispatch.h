// How an exported entry point reaches its simulation.
//
// Every one of the 211 exports is generated (sim_exports.cpp): it delays the
// call when a test asked for it, writes the call and its arguments to the
// journal, fails it when a fault is injected, and otherwise runs Impl<Row>.
// Entry points the simulation implements declare Impl<Row> in sim_impl.h and
// define Impl<Row>::Call in the file of their concern; all others give a
// defined "not supported" result (see Unsupported).
#pragma once

#include <type_traits>

#include "sdk/sdk_entry_points.h"
#include "simsdk_control.h"

namespace simsdk {

using namespace ecocam::sdk;  // the SDK's types, as the entry points name them

// The plain function type of each entry point (without the calling
// convention, which only the exported wrapper needs).
#define SIMSDK_SIGNATURE(row, ret, name, params, args, fallback) using name##_signature = ret params;
ECOCAM_SDK_ENTRY_POINTS(SIMSDK_SIGNATURE, SIMSDK_SIGNATURE)
#undef SIMSDK_SIGNATURE

template <SdkRow Row>
struct Impl {
  static constexpr bool kSimulated = false;
};

// Declares that entry point `name` is simulated by Impl<SdkRow::name>::Call.
#define SIMSDK_SIMULATED(name)                  \
  template <>                                   \
  struct Impl<SdkRow::name> {                   \
    static constexpr bool kSimulated = true;    \
    static name##_signature Call;               \
  };

// Starts the definition of a simulated entry point:
//   SIMSDK_DEFINE(int, Camera_setGain)(CameraHandle camera, float gain) { ... }
#define SIMSDK_DEFINE(ret, name) ret Impl<SdkRow::name>::Call

// The result of an entry point that is not simulated: kNotSupported for an
// SDK result code, otherwise the neutral value the binding also uses (empty
// text, null, 0, false, -1 for a handle).
template <typename R, typename F>
R Unsupported(F fallback) {
  if constexpr (std::is_same_v<R, int>) {
    return fallback == kSdkNotLoaded ? kNotSupported : static_cast<R>(fallback);
  } else {
    return static_cast<R>(fallback);
  }
}

}  // namespace simsdk
