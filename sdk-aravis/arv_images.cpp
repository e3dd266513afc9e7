// The images a streaming channel delivers: their description, their pixels,
// their release, and the conversions through the shared imaging library.
#include <cstring>

#include "arv_impl.h"
#include "arv_streaming.h"
#include "imaging/pixel_conversion.h"

namespace arvsdk {

namespace imaging = ecocam::imaging;

namespace {

template <typename T>
T Describe(ImageHandle image, T ImageEntry::*field, T none) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  return found == nullptr ? none : (*found).*field;
}

imaging::BayerPhase PhaseOf(int pixelType) {
  switch (pixelType) {
    case kPixelTypeBayerRG8: return imaging::BayerPhase::kRG;
    case kPixelTypeBayerGB8: return imaging::BayerPhase::kGB;
    case kPixelTypeBayerBG8: return imaging::BayerPhase::kBG;
    default: return imaging::BayerPhase::kGR;
  }
}

std::size_t Pixels(const ImageEntry& image) {
  return static_cast<std::size_t>(image.sizeX) * static_cast<std::size_t>(image.sizeY);
}

}  // namespace

// The pixels stay valid until the image is released or its channel deleted.
ECOCAM_SDK_DEFINE(unsigned char*, Image_getDataPointer)(ImageHandle image) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  return found == nullptr ? nullptr : const_cast<unsigned char*>(found->data);
}

ECOCAM_SDK_DEFINE(CameraHandle, Image_getCamera)(ImageHandle image) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  return found == nullptr ? -1 : found->channel->camera->handle;
}

// Hands the image's buffer back to its stream for the next frame.
ECOCAM_SDK_DEFINE(int, Image_release)(ImageHandle image) {
  State& state = State::Get();
  std::shared_ptr<ImageEntry> found;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.images.find(image);
    if (it == state.images.end()) return kInvalidHandle;
    found = it->second;
    state.images.erase(it);
  }
  if (found->buffer == nullptr) return kOk;  // a signal: no buffer behind it
  std::lock_guard<std::mutex> lock(found->channel->mutex);
  if (found->channel->stopping) {
    g_object_unref(found->buffer);
  } else {
    arv_stream_push_buffer(found->channel->stream, found->buffer);
  }
  return kOk;
}

ECOCAM_SDK_DEFINE(int, Image_getPixelType)(ImageHandle image) { return Describe(image, &ImageEntry::pixelType, 0); }
ECOCAM_SDK_DEFINE(int, Image_getSizeX)(ImageHandle image) { return Describe(image, &ImageEntry::sizeX, 0); }
ECOCAM_SDK_DEFINE(int, Image_getSizeY)(ImageHandle image) { return Describe(image, &ImageEntry::sizeY, 0); }
ECOCAM_SDK_DEFINE(int, Image_getPitch)(ImageHandle image) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  return found == nullptr || found->sizeY == 0 ? 0 : static_cast<int>(found->size / found->sizeY);
}
ECOCAM_SDK_DEFINE(int, Image_getImageID)(ImageHandle image) { return Describe(image, &ImageEntry::imageId, 0); }
ECOCAM_SDK_DEFINE(double, Image_getTimestamp)(ImageHandle image) {
  return Describe(image, &ImageEntry::timestamp, 0.0);
}
ECOCAM_SDK_DEFINE(double, Image_getTransferTime)(ImageHandle image) {
  return Describe(image, &ImageEntry::transferTime, 0.0);
}
// kSignalFrameCompleted for a frame; kSignalCameraConnectionLost for the
// image without data that tells the channel's owner the camera stopped
// answering; kSignalNone for an unknown handle.
ECOCAM_SDK_DEFINE(int, Image_getSignalType)(ImageHandle image) {
  return Describe(image, &ImageEntry::signalType, kSignalNone);
}
// Packets asked for again and received while this frame was on its way
// (Aravis counts per stream; see CountResent).
ECOCAM_SDK_DEFINE(int, Image_getPacketResend)(ImageHandle image) {
  return Describe(image, &ImageEntry::packetResend, 0);
}
ECOCAM_SDK_DEFINE(int, Image_getPacketCount)(ImageHandle image) { return Describe(image, &ImageEntry::packetCount, 0); }
ECOCAM_SDK_DEFINE(int, Image_getImageSize)(ImageHandle image) {
  return static_cast<int>(Describe(image, &ImageEntry::size, std::size_t{0}));
}

// 3 bytes per pixel, R, G, B. Bayer frames are demosaiced with
// `bayerMethod` (-1 none, 1 simple, 3 high-quality linear); 24-bit colour
// frames are copied; Mono8 frames give grey.
ECOCAM_SDK_DEFINE(int, Image_getImageRGB)(ImageHandle image, unsigned char* buffer, int bufferLength, int bayerMethod) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  if (const int refused = CheckConversion(found != nullptr, buffer)) return refused;
  const ImageEntry& info = *found;
  const std::size_t pixels = Pixels(info);
  if (!BufferHolds(bufferLength, pixels * 3)) return kBufferTooSmall;
  if (pixels == 0) return kWrongPixelType;
  const std::uint8_t* src = info.data;
  if (IsBayer8(info.pixelType)) {
    if (info.size < pixels) return kWrongPixelType;
    if (!IsBayerMethod(bayerMethod)) return kOutOfRange;
    imaging::Demosaic(src, info.sizeX, info.sizeX, info.sizeY, PhaseOf(info.pixelType),
                      static_cast<imaging::BayerMethod>(bayerMethod), buffer,
                      static_cast<std::ptrdiff_t>(info.sizeX) * 3);
  } else if (info.pixelType == kPixelTypeRGB24 && info.size >= pixels * 3) {
    std::memcpy(buffer, src, pixels * 3);
  } else if (info.pixelType == kPixelTypeMono8 && info.size >= pixels) {
    for (std::size_t i = 0; i < pixels; ++i) buffer[3 * i] = buffer[3 * i + 1] = buffer[3 * i + 2] = src[i];
  } else {
    return kWrongPixelType;
  }
  return kOk;
}

// Mono12Packed to 8 bit (the 8 most significant bits), 1 byte per pixel.
ECOCAM_SDK_DEFINE(int, Image_getImage12bitAs8bit)(ImageHandle image, unsigned char* buffer, int bufferLength) {
  const std::shared_ptr<ImageEntry> found = State::Get().FindImage(image);
  if (const int refused = CheckConversion(found != nullptr, buffer)) return refused;
  const std::size_t pixels = Pixels(*found);
  if (found->pixelType != kPixelTypeMono12Packed || found->size < imaging::Mono12PackedSize(pixels)) {
    return kWrongPixelType;
  }
  if (!BufferHolds(bufferLength, pixels)) return kBufferTooSmall;
  imaging::UnpackMono12PackedTo8(found->data, pixels, buffer);
  return kOk;
}

}  // namespace arvsdk
