// Pixel conversions of camera frames: Bayer 8-bit mosaics to 3 bytes per
// pixel in the order R, G, B, and Mono12Packed to 8 bit. Plain functions over
// memory, independent of any SDK, so every camera backend can share them.
//
// Border convention of the demosaicing: the mosaic is mirrored at its edges
// without repeating the edge pixel (index -1 reads 1, index w reads w - 2).
// The mirror keeps every sample's colour, so border pixels are interpolated
// by the same formulas as inner ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ecocam::imaging {

// The colours of the mosaic's first two pixels in its first row; the second
// row holds the other two colours of the 2 x 2 cell.
enum class BayerPhase {
  kGR,  // G R / B G
  kRG,  // R G / G B
  kGB,  // G B / R G
  kBG,  // B G / G R
};

enum class BayerMethod {
  // No interpolation: every pixel takes the colours it lacks from its own
  // 2 x 2 cell (nearest neighbour). Cheapest; blocky at edges.
  kNone = -1,
  // Bilinear: a missing colour is the mean of its nearest samples.
  kSimple = 1,
  // High-quality linear interpolation: bilinear corrected by the gradient of
  // the known colour over a 5 x 5 neighbourhood.
  kHQLinear = 3,
};

// Bytes of a Mono12Packed frame of `pixels` pixels: two pixels in three
// bytes, a last odd pixel in two.
constexpr std::size_t Mono12PackedSize(std::size_t pixels) { return pixels / 2 * 3 + (pixels % 2) * 2; }

// Demosaics a `width` x `height` mosaic (rows `srcStride` bytes apart) into
// R, G, B bytes (rows `dstStride` bytes apart, at least 3 x width). Sizes
// must be at least 1. The method must be one of BayerMethod.
void Demosaic(const std::uint8_t* src, std::ptrdiff_t srcStride, int width, int height, BayerPhase phase,
              BayerMethod method, std::uint8_t* dst, std::ptrdiff_t dstStride);

// Keeps the 8 most significant bits of each of `pixels` Mono12Packed pixels
// (GigE Vision layout: byte 0 holds the first pixel's high bits, byte 2 the
// second's, byte 1 both pixels' low nibbles).
void UnpackMono12PackedTo8(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst);

}  // namespace ecocam::imaging
