// Mono12Packed to 8 bit. The 8 most significant bits of a pair of pixels are
// bytes 0 and 2 of its 3-byte group, so the conversion is a byte gather; the
// loop is written so the compiler turns it into shuffles.
#include "imaging/pixel_conversion.h"
#include "imaging/simd_dispatch.h"

namespace ecocam::imaging {

namespace {

ECOCAM_IMAGING_CLONES
void UnpackPairs(const std::uint8_t* __restrict src, std::size_t pairs, std::uint8_t* __restrict dst) {
  for (std::size_t i = 0; i < pairs; ++i) {
    dst[2 * i] = src[3 * i];
    dst[2 * i + 1] = src[3 * i + 2];
  }
}

}  // namespace

void UnpackMono12PackedTo8(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst) {
  if (src == nullptr || dst == nullptr) return;
  const std::size_t pairs = pixels / 2;
  UnpackPairs(src, pairs, dst);
  if (pixels % 2 != 0) dst[pixels - 1] = src[3 * pairs];
}

}  // namespace ecocam::imaging
