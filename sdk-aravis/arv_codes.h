// Result codes of the Aravis backend's entry points (0 is success). The
// numbers follow the simulated SDK's where the meaning is the same; the
// binding's own -1 and -2 are never used.
#pragma once

namespace arvsdk {

constexpr int kOk = 0;
constexpr int kNotSupported = 1001;      // no GigE Vision meaning: the entry point does nothing
constexpr int kInvalidHandle = 1002;     // unknown, deleted or wrong kind of handle
constexpr int kNotConnected = 1003;      // the camera's connection is not open
constexpr int kAlreadyConnected = 1004;  // a second connection or streaming channel
constexpr int kOutOfRange = 1005;        // a value the camera or the mapping cannot take
constexpr int kNullArgument = 1006;      // a required pointer is null
constexpr int kVersionMismatch = 1007;   // isVersionCompliantDLL: not compliant
constexpr int kInternalError = 1010;     // the backend itself failed
constexpr int kWrongPixelType = 1011;    // a conversion the image's pixel type does not allow
constexpr int kBufferTooSmall = 1012;    // a destination smaller than the converted image
constexpr int kFeatureMissing = 1013;    // the camera offers none of the feature's names
constexpr int kCameraError = 1014;       // the camera or Aravis refused the request

// A short English text for a code.
const char* CodeText(int code);

}  // namespace arvsdk
