// How an exported entry point reaches its simulation.
//
// Every one of the 211 exports is generated (sim_exports.cpp, from
// sdk/sdk_backend.h): it delays the call when a test asked for it, writes
// the call and its arguments to the journal, fails it when a fault is
// injected, and otherwise runs Impl<Row>. Entry points the simulation
// implements declare Impl<Row> in sim_impl.h (ECOCAM_SDK_IMPLEMENTS) and
// define Impl<Row>::Call in the file of their concern (ECOCAM_SDK_DEFINE);
// all others give the defined "not supported" result (NeutralResult).
#pragma once

#include "sdk/sdk_backend.h"
#include "simsdk_control.h"

namespace simsdk {

using namespace ecocam::sdk;  // the SDK's types, as the entry points name them

template <SdkRow Row>
struct Impl : NotImplemented {};

}  // namespace simsdk
