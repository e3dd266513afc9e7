// Result codes of the Aravis backend's entry points (0 is success): those
// both SDK libraries give, and the backend's own. The binding's own -1 and
// -2 are never used.
#pragma once

#include "sdk/sdk_backend.h"

namespace arvsdk {

using ecocam::sdk::kAlreadyConnected;  // a second connection or streaming channel
using ecocam::sdk::kBufferTooSmall;
using ecocam::sdk::kInternalError;
using ecocam::sdk::kInvalidHandle;
using ecocam::sdk::kNotConnected;
using ecocam::sdk::kNotSupported;  // no GigE Vision meaning: the entry point does nothing
using ecocam::sdk::kNullArgument;
using ecocam::sdk::kOk;
using ecocam::sdk::kOutOfRange;  // a value the camera or the mapping cannot take
using ecocam::sdk::kVersionMismatch;
using ecocam::sdk::kWrongPixelType;
constexpr int kFeatureMissing = 1013;  // the camera offers none of the feature's names
constexpr int kCameraError = 1014;     // the camera or Aravis refused the request
constexpr int kCameraLost = 1015;      // the camera stopped answering: close and open it again

// A short English text for a code.
const char* CodeText(int code);

}  // namespace arvsdk
