// The simulated camera SDK's control interface for tests, and its result
// codes. The driver never calls these; tests resolve them from the loaded
// library by name (the SimSdk_ prefix keeps them apart from the SDK's own
// entry points).
#pragma once

#include "sdk/sdk_backend.h"

namespace simsdk {

// Result codes of the simulated SDK's entry points (0 is success): those
// both SDK libraries give, and the control API's own. The binding's own -1
// and -2 are never used.
using ecocam::sdk::kAlreadyConnected;  // a second Camera_openConnection
using ecocam::sdk::kBufferTooSmall;
using ecocam::sdk::kInternalError;  // the simulation itself failed
using ecocam::sdk::kInvalidHandle;
using ecocam::sdk::kNotConnected;
using ecocam::sdk::kNotSupported;  // entry point not simulated
using ecocam::sdk::kNullArgument;
using ecocam::sdk::kOk;
using ecocam::sdk::kOutOfRange;  // a value outside the camera's limits
using ecocam::sdk::kVersionMismatch;
using ecocam::sdk::kWrongPixelType;
constexpr int kUnknownName = 1008;       // control API: no such entry point or limit
constexpr int kBadConfiguration = 1009;  // control API: unreadable configuration
// A call to a camera that does not answer: the SDK's own timeout ran out.
constexpr int kCameraTimeout = 1013;

// What an image's pixels become when it is handed back (Image_release) or
// taken back (refused by the callback, or still out when its channel is
// deleted), so a user that reads them afterwards sees this, not a frame.
constexpr unsigned char kReleasedMarkerByte = 0xDB;

// The camera's lookup table has this many entries, each 0 to 255.
constexpr int kLookupTableSize = 4096;

}  // namespace simsdk

// The control entry points, as a list: C(result type, name, (parameters)).
// Each is exported undecorated with the SDK's calling convention.
// clang-format off
#define SIMSDK_CONTROL_API(C) \
  /* Back to the start: the default cameras, no containers, no faults, */ \
  /* delays or journal, version 1.4.23.52, fresh handle values. */ \
  C(int, SimSdk_reset, ()) \
  /* Empties the list of cameras the next discovery finds. */ \
  C(int, SimSdk_clearCameras, ()) \
  /* Adds a camera to the list; its index, or -1 for a bad size. */ \
  C(int, SimSdk_addCamera, (const char* modelName, int imagerWidth, int imagerHeight, int color)) \
  /* Changes one limit of listed camera `index` (names in sim_state.cpp). */ \
  C(int, SimSdk_setCameraLimit, (int index, const char* limitName, double value)) \
  /* Removes listed camera `index`; a discovered camera of it disappears. */ \
  C(int, SimSdk_removeCamera, (int index)) \
  C(int, SimSdk_getCameraCount, ()) \
  /* Replaces the camera list with the cameras of a configuration file. */ \
  C(int, SimSdk_loadConfiguration, (const char* path)) \
  /* Makes `entryPoint` fail with `code`, once or always (code 0 clears). */ \
  C(int, SimSdk_failCall, (const char* entryPoint, int code, int always)) \
  C(int, SimSdk_clearFaults, ()) \
  /* Makes the `position`-th call of `entryPoint` from now (1 = the next) */ \
  /* fail once with `code`; the calls before it run normally. */ \
  C(int, SimSdk_failCallAt, (const char* entryPoint, int code, int position)) \
  /* Delays every call of `entryPoint` by `milliseconds` (0 clears). */ \
  C(int, SimSdk_delayCall, (const char* entryPoint, int milliseconds)) \
  C(int, SimSdk_setVersion, (int major, int minor, int revision, int build)) \
  /* When on, a freed handle value is handed out again, most recent first. */ \
  C(int, SimSdk_setHandleReuse, (int enable)) \
  /* The journal: one line per call, "name(arg,arg,...)". */ \
  C(int, SimSdk_getJournalCount, ()) \
  /* Copies line `index` (NUL-terminated, truncated to fit); its full */ \
  /* length, or -1 when there is no such line. */ \
  C(int, SimSdk_getJournalEntry, (int index, char* buffer, int bufferSize)) \
  C(int, SimSdk_clearJournal, ()) \
  /* The first discovered camera named `modelName`; 0 when there is none. */ \
  C(int, SimSdk_findCamera, (const char* modelName)) \
  /* Sets the pixel type of discovered camera `camera`'s next frames (a */ \
  /* monochrome camera set to 12 bit still sends Mono12Packed). */ \
  C(int, SimSdk_setPixelType, (int camera, int pixelType)) \
  /* Makes discovered camera `camera` send frames of width x height */ \
  /* whatever its area of interest (0 x 0: the area of interest again). */ \
  C(int, SimSdk_setFrameSize, (int camera, int width, int height)) \
  /* An external trigger: one frame from `camera` when it acquires in */ \
  /* mode 3 or 4; otherwise ignored. */ \
  C(int, SimSdk_fireTrigger, (int camera)) \
  /* Pauses (1) or resumes (0) frame production of every camera. Triggers */ \
  /* arriving meanwhile wait; free-running frames are not made. */ \
  C(int, SimSdk_pauseFrames, (int pause)) \
  /* Frame counters of live channel `channel`, or with 0 of all channels */ \
  /* since the reset. Null pointers are skipped. After every channel is */ \
  /* deleted: produced = delivered + lost, delivered = released + reclaimed. */ \
  C(int, SimSdk_getFrameCounters, (int channel, long long* produced, long long* delivered, long long* lost, long long* released, long long* reclaimed)) \
  /* How the images taken back (reclaimed) came back, of live channel */ \
  /* `channel` or with 0 of all channels since the reset: refused by the */ \
  /* callback's answer, or abandoned (still out when their channel was */ \
  /* deleted). A user that hands back every image it takes has none */ \
  /* abandoned: delivered = released + refused. */ \
  C(int, SimSdk_getReclaimCounters, (int channel, long long* refused, long long* abandoned)) \
  /* Streaming channels alive now. */ \
  C(int, SimSdk_getChannelCount, ()) \
  /* What the SDK has handed out and not yet had back: containers, open */ \
  /* camera connections, streaming channels and images. Null pointers are */ \
  /* skipped. */ \
  C(int, SimSdk_getLiveObjects, (int* containers, int* connections, int* channels, int* images)) \
  /* Discovered camera `camera` loses `lostPerThousand` of its packets; of */ \
  /* every thousand lost, `resentPerThousand` come back through a resend. */ \
  /* A frame with a packet that stays lost is incomplete: taken back, */ \
  /* counted, never delivered. */ \
  C(int, SimSdk_setPacketLoss, (int camera, int lostPerThousand, int resentPerThousand)) \
  /* Incomplete frames and resent packets of live channel `channel`, or */ \
  /* with 0 of all channels since the reset. Null pointers are skipped. */ \
  C(int, SimSdk_getLossCounters, (int channel, long long* incomplete, long long* resent)) \
  /* Discovered camera `camera` vanishes: no more frames, each of its */ \
  /* channels hands its callback one connection-lost signal image, and */ \
  /* every later call that talks to it answers kCameraTimeout after */ \
  /* `answerDelayMs`. Closing its connection and deleting its channel */ \
  /* stay local and answer at once. */ \
  C(int, SimSdk_vanishCamera, (int camera, int answerDelayMs)) \
  /* Brings a vanished camera back, at its power-on settings. A connection */ \
  /* open when it vanished stays dead (kNotConnected) until it is closed. */ \
  C(int, SimSdk_restoreCamera, (int camera))
// clang-format on

namespace simsdk {
#define SIMSDK_CONTROL_FN_TYPE(ret, name, params) using name##_fn = ret(ECOCAM_SDK_CALL*) params;
SIMSDK_CONTROL_API(SIMSDK_CONTROL_FN_TYPE)
#undef SIMSDK_CONTROL_FN_TYPE
}  // namespace simsdk
