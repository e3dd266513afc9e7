// The images a streaming channel delivers: their description, their pixels,
// their release, and the two conversions the driver asks for.
#include <cstring>

#include "imaging/pixel_conversion.h"
#include "sim_impl.h"
#include "sim_streaming.h"
#include "simsdk_pattern.h"

namespace simsdk {

namespace imaging = ecocam::imaging;

namespace {

// The buffer of a live image and the channel that keeps it alive.
struct ImageView {
  std::shared_ptr<SimChannel> channel;
  ImageBuffer* buffer = nullptr;
};

ImageView FindImage(ImageHandle image) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  StreamingState::ImageRef* ref = FindImageLocked(image);
  if (ref == nullptr) return {};
  return {ref->channel, &ref->channel->buffers[ref->buffer]};
}

// One field of a live image's description; `none` for an unknown image.
template <typename T>
T Describe(ImageHandle image, T ImageInfo::*field, T none) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  StreamingState::ImageRef* ref = FindImageLocked(image);
  return ref == nullptr ? none : ref->channel->buffers[ref->buffer].info.*field;
}

imaging::BayerPhase PhaseOf(int pixelType) {
  switch (pixelType) {
    case kPixelBayerRG8: return imaging::BayerPhase::kRG;
    case kPixelBayerGB8: return imaging::BayerPhase::kGB;
    case kPixelBayerBG8: return imaging::BayerPhase::kBG;
    default: return imaging::BayerPhase::kGR;
  }
}

}  // namespace

// The pixels stay valid until the image is released or taken back.
ECOCAM_SDK_DEFINE(unsigned char*, Image_getDataPointer)(ImageHandle image) {
  const ImageView view = FindImage(image);
  return view.buffer == nullptr ? nullptr : view.buffer->data.data();
}

ECOCAM_SDK_DEFINE(int, Image_getBufferIndex)(ImageHandle image) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  StreamingState::ImageRef* ref = FindImageLocked(image);
  return ref == nullptr ? -1 : static_cast<int>(ref->buffer);
}

ECOCAM_SDK_DEFINE(CameraHandle, Image_getCamera)(ImageHandle image) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (const StreamingState::ImageRef* ref = FindImageLocked(image)) return ref->channel->camera;
  const auto& signals = Streams().signals;
  const auto signal = signals.find(image);
  return signal == signals.end() ? -1 : signal->second.channel->camera;
}

// A frame is always complete (an incomplete one is never handed out); a
// signal image carries its signal; anything else is no signal.
ECOCAM_SDK_DEFINE(int, Image_getSignalType)(ImageHandle image) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (FindImageLocked(image) != nullptr) return kSignalFrameCompleted;
  const auto& signals = Streams().signals;
  const auto signal = signals.find(image);
  return signal == signals.end() ? kSignalNone : signal->second.type;
}

// Hands the image's buffer back to its channel (a signal has none).
ECOCAM_SDK_DEFINE(int, Image_release)(ImageHandle image) {
  SimState& state = SimState::Get();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (ReleaseSignalLocked(image)) return kOk;
  StreamingState::ImageRef* ref = FindImageLocked(image);
  if (ref == nullptr) return kInvalidHandle;
  const std::shared_ptr<SimChannel> channel = ref->channel;
  TakeBackLocked(channel->buffers[ref->buffer]);  // `ref` is gone after this
  ++channel->counters.released;
  ++Streams().totals.released;
  return kOk;
}

ECOCAM_SDK_DEFINE(int, Image_getPixelType)(ImageHandle image) { return Describe(image, &ImageInfo::pixelType, 0); }
ECOCAM_SDK_DEFINE(int, Image_getSizeX)(ImageHandle image) { return Describe(image, &ImageInfo::sizeX, 0); }
ECOCAM_SDK_DEFINE(int, Image_getSizeY)(ImageHandle image) { return Describe(image, &ImageInfo::sizeY, 0); }
ECOCAM_SDK_DEFINE(int, Image_getImageID)(ImageHandle image) { return Describe(image, &ImageInfo::imageId, 0); }
ECOCAM_SDK_DEFINE(double, Image_getTimestamp)(ImageHandle image) { return Describe(image, &ImageInfo::timestamp, 0.0); }
ECOCAM_SDK_DEFINE(double, Image_getTransferTime)(ImageHandle image) {
  return Describe(image, &ImageInfo::transferTime, 0.0);
}
ECOCAM_SDK_DEFINE(int, Image_getPacketCount)(ImageHandle image) { return Describe(image, &ImageInfo::packetCount, 0); }
ECOCAM_SDK_DEFINE(int, Image_getPacketResend)(ImageHandle image) {
  return Describe(image, &ImageInfo::packetResend, 0);
}
ECOCAM_SDK_DEFINE(int, Image_getImageSize)(ImageHandle image) {
  return static_cast<int>(Describe(image, &ImageInfo::bytes, std::size_t{0}));
}

// 3 bytes per pixel, R, G, B. Bayer frames are demosaiced with
// `bayerMethod` (-1 none, 1 simple, 3 high-quality linear); 24-bit colour
// frames are copied (they carry the same byte order); Mono8 frames give
// grey (R = G = B). The conversion runs without the SDK's lock.
ECOCAM_SDK_DEFINE(int, Image_getImageRGB)(ImageHandle image, unsigned char* buffer, int bufferLength, int bayerMethod) {
  const ImageView view = FindImage(image);
  if (const int refused = CheckConversion(view.buffer != nullptr, buffer)) return refused;
  const ImageInfo& info = view.buffer->info;
  const std::size_t pixels = static_cast<std::size_t>(info.sizeX) * info.sizeY;
  if (!BufferHolds(bufferLength, pixels * 3)) return kBufferTooSmall;
  const std::uint8_t* src = view.buffer->data.data();
  if (IsBayer8(info.pixelType)) {
    if (!IsBayerMethod(bayerMethod)) return kOutOfRange;
    imaging::Demosaic(src, info.sizeX, info.sizeX, info.sizeY, PhaseOf(info.pixelType),
                      static_cast<imaging::BayerMethod>(bayerMethod), buffer,
                      static_cast<std::ptrdiff_t>(info.sizeX) * 3);
  } else if (info.pixelType == kPixelRGB24) {
    std::memcpy(buffer, src, pixels * 3);
  } else if (info.pixelType == kPixelMono8) {
    for (std::size_t i = 0; i < pixels; ++i) buffer[3 * i] = buffer[3 * i + 1] = buffer[3 * i + 2] = src[i];
  } else {
    return kWrongPixelType;
  }
  return kOk;
}

// Mono12Packed to 8 bit (the 8 most significant bits), 1 byte per pixel.
ECOCAM_SDK_DEFINE(int, Image_getImage12bitAs8bit)(ImageHandle image, unsigned char* buffer, int bufferLength) {
  const ImageView view = FindImage(image);
  if (const int refused = CheckConversion(view.buffer != nullptr, buffer)) return refused;
  const ImageInfo& info = view.buffer->info;
  if (info.pixelType != kPixelMono12Packed) return kWrongPixelType;
  const std::size_t pixels = static_cast<std::size_t>(info.sizeX) * info.sizeY;
  if (!BufferHolds(bufferLength, pixels)) return kBufferTooSmall;
  imaging::UnpackMono12PackedTo8(view.buffer->data.data(), pixels, buffer);
  return kOk;
}

}  // namespace simsdk
