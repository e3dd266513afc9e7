// Mono12Packed to 8 bit. The 8 most significant bits of a pair of pixels are
// bytes 0 and 2 of its 3-byte group, so the conversion is a byte gather: in
// the wider variants a dword permutation brings each 12-byte run (8 pixels)
// into its own 128-bit lane and a byte shuffle picks the 8 bytes; the
// baseline loop is written so the compiler turns it into shuffles.
#include "imaging/pixel_conversion.h"
#include "imaging/simd_dispatch.h"
#include "imaging/variant.h"

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
#include <immintrin.h>
#endif

namespace ecocam::imaging {

namespace {

using u8 = std::uint8_t;

void UnpackPairs(const u8* __restrict src, std::size_t pairs, u8* __restrict dst) {
  for (std::size_t i = 0; i < pairs; ++i) {
    dst[2 * i] = src[3 * i];
    dst[2 * i + 1] = src[3 * i + 2];
  }
}

#if defined(ECOCAM_IMAGING_X86_VARIANTS)

// In each 128-bit lane, bytes 0, 2, 3, 5, ... of a 12-byte run, moved to
// the lane's low (`high` false) or high 8 bytes.
constexpr char Pick(int i, bool high) {
  const int slot = high ? i - 8 : i;
  return static_cast<char>(slot < 0 || slot >= 8 ? -128 : slot / 2 * 3 + (slot % 2) * 2);
}
#define ECOCAM_PICK(high)                                                                                          \
  Pick(0, high), Pick(1, high), Pick(2, high), Pick(3, high), Pick(4, high), Pick(5, high), Pick(6, high),         \
      Pick(7, high), Pick(8, high), Pick(9, high), Pick(10, high), Pick(11, high), Pick(12, high), Pick(13, high), \
      Pick(14, high), Pick(15, high)

// 32 pixels from 48 bytes per step; each step reads 56 bytes.
ECOCAM_TARGET_AVX2 std::size_t UnpackPairsAvx2(const u8* src, std::size_t pairs, u8* dst) {
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6);  // bytes 0-15 and 12-27
  const __m256i low = _mm256_broadcastsi128_si256(_mm_setr_epi8(ECOCAM_PICK(false)));
  const __m256i high = _mm256_broadcastsi128_si256(_mm_setr_epi8(ECOCAM_PICK(true)));
  std::size_t i = 0;
  for (; 3 * i + 56 <= 3 * pairs; i += 16) {
    const u8* s = src + 3 * i;
    // Lanes of a: pixels 0-7 and 8-15 (low halves); of b: 16-23 and 24-31 (high halves).
    const __m256i a = _mm256_shuffle_epi8(
        _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s)), lanes), low);
    const __m256i b = _mm256_shuffle_epi8(
        _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 24)), lanes), high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i), _mm256_permute4x64_epi64(_mm256_or_si256(a, b), 0xD8));
  }
  return i;
}

// 64 pixels from 96 bytes per step; each step reads 112 bytes.
ECOCAM_TARGET_AVX512 std::size_t UnpackPairsAvx512(const u8* src, std::size_t pairs, u8* dst) {
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
  const __m512i low = _mm512_maskz_broadcast_i32x4(kAll16, _mm_setr_epi8(ECOCAM_PICK(false)));
  const __m512i order = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
  std::size_t i = 0;
  for (; 3 * i + 112 <= 3 * pairs; i += 32) {
    const u8* s = src + 3 * i;
    // The low 8 bytes of each lane of a: pixels 0-31; of b: pixels 32-63.
    const __m512i a = _mm512_shuffle_epi8(_mm512_maskz_permutexvar_epi32(kAll16, lanes, _mm512_loadu_si512(s)), low);
    const __m512i b =
        _mm512_shuffle_epi8(_mm512_maskz_permutexvar_epi32(kAll16, lanes, _mm512_loadu_si512(s + 48)), low);
    _mm512_storeu_si512(dst + 2 * i, _mm512_permutex2var_epi64(a, order, b));
  }
  return i;
}

#undef ECOCAM_PICK
#endif

}  // namespace

void UnpackMono12PackedTo8(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst) {
  if (src == nullptr || dst == nullptr) return;
  const std::size_t pairs = pixels / 2;
  std::size_t done = 0;  // pairs converted by a wider variant
#if defined(ECOCAM_IMAGING_X86_VARIANTS)
  switch (ActiveVariant()) {
    case Variant::kAvx512: done = UnpackPairsAvx512(src, pairs, dst); break;
    case Variant::kAvx2: done = UnpackPairsAvx2(src, pairs, dst); break;
    case Variant::kBaseline: break;
  }
#endif
  UnpackPairs(src + 3 * done, pairs - done, dst + 2 * done);
  if (pixels % 2 != 0) dst[pixels - 1] = src[3 * pairs];
}

}  // namespace ecocam::imaging
