// The simulated camera's frames: pixel type codes, frame sizes and the
// deterministic test pattern. Header-only, so tests compute the very bytes
// the simulated camera sends and check every delivered pixel.
//
// The pattern depends on the image id, x and y. Mono8 and the Bayer mosaics
// carry Value8; Mono12Packed carries 12-bit values whose 8 most significant
// bits are Value8 (so its 8-bit conversion equals the Mono8 frame); 24-bit
// colour carries Value8 + 85 x channel (R, G, B) in each byte, and a Bayer
// mosaic carries the same at each site for the site's colour, so that its
// demosaiced frame shows the colour bands too; any other pixel type carries
// Value8 + 85 x byte index in each byte of a pixel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sdk/sdk_types.h"

namespace simsdk {

constexpr int kPixelMono8 = ecocam::sdk::kPixelTypeMono8;
constexpr int kPixelMono12Packed = ecocam::sdk::kPixelTypeMono12Packed;
constexpr int kPixelBayerGR8 = ecocam::sdk::kPixelTypeBayerGR8;
constexpr int kPixelBayerRG8 = ecocam::sdk::kPixelTypeBayerRG8;
constexpr int kPixelBayerGB8 = ecocam::sdk::kPixelTypeBayerGB8;
constexpr int kPixelBayerBG8 = ecocam::sdk::kPixelTypeBayerBG8;
constexpr int kPixelRGB24 = ecocam::sdk::kPixelTypeRGB24;
using ecocam::sdk::IsBayer8;

// Bits per pixel, from the GigE Vision code's size field.
inline int PixelBits(int pixelType) { return (pixelType >> 16) & 0xFF; }

// Bytes of one frame.
inline std::size_t FrameBytes(int pixelType, int sizeX, int sizeY) {
  const std::size_t pixels = static_cast<std::size_t>(sizeX) * static_cast<std::size_t>(sizeY);
  if (pixelType == kPixelMono12Packed) return pixels / 2 * 3 + (pixels % 2) * 2;
  const int bytes = (PixelBits(pixelType) + 7) / 8;
  return pixels * static_cast<std::size_t>(bytes < 1 ? 1 : bytes);
}

inline std::uint8_t PatternValue8(int imageId, int x, int y) {
  return static_cast<std::uint8_t>(x + 2 * y + 3 * imageId);
}

// The 12-bit sample of a Mono12Packed frame.
inline int PatternValue12(int imageId, int x, int y) {
  return (PatternValue8(imageId, x, y) << 4) | ((x ^ y ^ imageId) & 0xF);
}

// The colour (0 red, 1 green, 2 blue) of site (x, y) of a Bayer 8-bit mosaic.
inline int BayerChannel(int pixelType, int x, int y) {
  // The colour at the top-left site; green sits where x + y is odd on
  // red/blue-first phases and even on green-first ones.
  const bool greenFirst = pixelType == kPixelBayerGR8 || pixelType == kPixelBayerGB8;
  if (((x + y) % 2 == 0) == greenFirst) return 1;
  const bool redRow = pixelType == kPixelBayerGR8 || pixelType == kPixelBayerRG8;
  return ((y % 2 == 0) == redRow) ? 0 : 2;
}

// Writes the pattern of image `imageId` into `data` (FrameBytes bytes).
inline void FillPattern(int pixelType, int imageId, int sizeX, int sizeY, std::uint8_t* data) {
  if (pixelType == kPixelMono12Packed) {
    // The pixels form one stream: a pair may straddle two rows.
    const std::size_t pixels = static_cast<std::size_t>(sizeX) * static_cast<std::size_t>(sizeY);
    for (std::size_t i = 0; i < pixels; i += 2) {
      const int a = PatternValue12(imageId, static_cast<int>(i % sizeX), static_cast<int>(i / sizeX));
      std::uint8_t* group = data + i / 2 * 3;
      group[0] = static_cast<std::uint8_t>(a >> 4);
      if (i + 1 < pixels) {
        const int b = PatternValue12(imageId, static_cast<int>((i + 1) % sizeX), static_cast<int>((i + 1) / sizeX));
        group[1] = static_cast<std::uint8_t>(((b & 0xF) << 4) | (a & 0xF));
        group[2] = static_cast<std::uint8_t>(b >> 4);
      } else {
        group[1] = static_cast<std::uint8_t>(a & 0xF);
      }
    }
    return;
  }
  const int bytes = static_cast<int>(FrameBytes(pixelType, 1, 1));
  for (int y = 0; y < sizeY; ++y) {
    std::uint8_t* row = data + static_cast<std::size_t>(y) * sizeX * bytes;
    const std::uint8_t base = PatternValue8(imageId, 0, y);
    if (IsBayer8(pixelType)) {
      const int even = base + 85 * BayerChannel(pixelType, 0, y);
      const int odd = base + 85 * BayerChannel(pixelType, 1, y);
      for (int x = 0; x < sizeX; ++x) row[x] = static_cast<std::uint8_t>(x + ((x & 1) ? odd : even));
    } else if (bytes == 1) {
      for (int x = 0; x < sizeX; ++x) row[x] = static_cast<std::uint8_t>(base + x);
    } else {
      for (int x = 0; x < sizeX; ++x) {
        for (int b = 0; b < bytes; ++b) row[x * bytes + b] = static_cast<std::uint8_t>(base + x + 85 * b);
      }
    }
  }
}

}  // namespace simsdk
