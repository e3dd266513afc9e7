// Types of the camera SDK's C interface, shared by the binding and the
// simulated SDK.
#pragma once

#include "platform/calling_convention.h"

// The SDK's calling convention, decided here once: every entry point, every
// function-pointer type of an entry point and every callback the SDK calls
// uses it. On 32-bit Windows this is stdcall, the convention of Windows
// system libraries; elsewhere it is the platform's only C convention.
#define ECOCAM_SDK_CALL ECOCAM_STDCALL

namespace ecocam::sdk {

// Handles are values the SDK hands out; the driver only stores and passes
// them back.
using CameraContainerHandle = int;
using CameraHandle = int;
using StreamingChannelHandle = int;
using ImageHandle = int;
using EventHandle = int;
using MessageHandle = int;

// A container handle meaning "none".
constexpr CameraContainerHandle kNoContainer = -1;

// Results the binding itself adds to the SDK's own codes (0 is success).
constexpr int kSdkNotLoaded = -2;   // the SDK library is not loaded
constexpr int kSdkLoadFailed = -1;  // loading, resolving or version check failed

// GigE Vision pixel type codes the driver meets.
constexpr int kPixelTypeMono8 = 0x01080001;
constexpr int kPixelTypeMono12Packed = 0x010C0006;
constexpr int kPixelTypeBayerGR8 = 0x01080008;
constexpr int kPixelTypeBayerRG8 = 0x01080009;
constexpr int kPixelTypeBayerGB8 = 0x0108000A;
constexpr int kPixelTypeBayerBG8 = 0x0108000B;
constexpr int kPixelTypeRGB24 = 0x02180000;

// True for the four 8-bit Bayer codes.
constexpr bool IsBayer8(int pixelType) { return pixelType >= kPixelTypeBayerGR8 && pixelType <= kPixelTypeBayerBG8; }

// What an image handed to the stream callback carries (Image_getSignalType).
// A signal other than a frame has no data: the SDK uses it to tell the
// stream's owner about the camera itself.
constexpr int kSignalNone = 0;                  // an image that is not a signal (the neutral answer)
constexpr int kSignalFrameCompleted = 1;        // a complete frame
constexpr int kSignalCameraConnectionLost = 2;  // the camera stopped answering its control channel

// The SDK's four-byte version, most significant first.
struct SdkVersion {
  unsigned char major;
  unsigned char minor;
  unsigned char revision;
  unsigned char build;
};
static_assert(sizeof(SdkVersion) == 4, "the SDK version is four bytes");

// The version the driver requires.
constexpr SdkVersion kRequiredSdkVersion = {1, 4, 23, 52};

// Called on an SDK streaming thread for every received image; `context` is
// the pointer given to StreamingChannel_create.
using StreamCallback = int(ECOCAM_SDK_CALL*)(ImageHandle image, void* context);
// Called by the SDK for a stream event.
using EventCallback = int(ECOCAM_SDK_CALL*)(EventHandle event, void* context);
// Called by the SDK with one of its own log messages.
using LogMessageCallback = void(ECOCAM_SDK_CALL*)(const char* message, void* context);

}  // namespace ecocam::sdk
