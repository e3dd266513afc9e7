// The driver's door to the camera SDK: one forwarding function per entry
// point, named like it and taking the same arguments.
//
// While the SDK library is not loaded each function returns its row's
// fallback (-2 for an SDK result code; see sdk_entry_points.h) without trying
// to load it. CameraContainer_create loads and binds the library and checks
// its version; CameraContainer_delete unloads it. The functions take no lock:
// loading and unloading happen on the host's thread in initialize and
// finalize, and every other call may come from any thread in between.
#pragma once

#include "sdk/sdk_entry_points.h"

namespace ecocam::sdk {

#define ECOCAM_SDK_FORWARD_DECL(row, ret, name, params, args, fallback) ret name params;
ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_FORWARD_DECL, ECOCAM_SDK_FORWARD_DECL)
#undef ECOCAM_SDK_FORWARD_DECL

}  // namespace ecocam::sdk
