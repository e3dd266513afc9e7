// The demosaicing rows for AVX2, 32 pixels at a time. Bilinear means and the
// nearest neighbour work on bytes (the rounded mean of four bytes is the
// rounded mean of the two rounded pair means, less one where a pair sum is
// odd and the two pair means differ in parity), and the colours are picked
// per column parity by a blend. The gradient-corrected kernels work on
// 16-bit words holding a pixel pair each and saturate to bytes. Three colour
// planes are then interleaved into R, G, B by byte shuffles.
#include <cstring>

#include "imaging/demosaic_rows.h"
#include "imaging/interleave_masks.h"
#include "imaging/simd_dispatch.h"

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
#include <immintrin.h>

namespace ecocam::imaging::detail {

namespace {

using u8 = std::uint8_t;
using V = __m256i;
constexpr int kStep = 32;

ECOCAM_TARGET_AVX2 inline V Load(const u8* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }

// (a + b + c + d + 2) >> 2 per byte.
ECOCAM_TARGET_AVX2 inline V Mean4(V a, V b, V c, V d) {
  const V p = _mm256_avg_epu8(a, b);
  const V q = _mm256_avg_epu8(c, d);
  const V oddPair = _mm256_or_si256(_mm256_xor_si256(a, b), _mm256_xor_si256(c, d));
  const V fix = _mm256_and_si256(_mm256_and_si256(oddPair, _mm256_xor_si256(p, q)), _mm256_set1_epi8(1));
  return _mm256_sub_epi8(_mm256_avg_epu8(p, q), fix);
}

// The row's own samples and the four candidates of the baseline code.
struct Candidates {
  V own, green, opposite, horizontal, vertical;
};

ECOCAM_TARGET_AVX2 inline Candidates Simple(const RowJob& j, int x) {
  const u8* up = j.rows[1] + x;
  const u8* row = j.rows[2] + x;
  const u8* down = j.rows[3] + x;
  const V l = Load(row - 1);
  const V r = Load(row + 1);
  const V u = Load(up);
  const V d = Load(down);
  return {Load(row), Mean4(l, r, u, d), Mean4(Load(up - 1), Load(up + 1), Load(down - 1), Load(down + 1)),
          _mm256_avg_epu8(l, r), _mm256_avg_epu8(u, d)};
}

ECOCAM_TARGET_AVX2 inline V SwapPairs(V v) { return _mm256_or_si256(_mm256_slli_epi16(v, 8), _mm256_srli_epi16(v, 8)); }

// x is even, so each 16-bit word holds a 2 x 2 cell's row half.
ECOCAM_TARGET_AVX2 inline Candidates Nearest(const RowJob& j, int x) {
  const V own = Load(j.rows[2] + x);
  const V pair = Load(j.pair + x);
  const V swapped = SwapPairs(own);
  return {own, swapped, SwapPairs(pair), swapped, pair};
}

// The gradient-corrected kernels on 16-bit words, each word a pair of
// neighbouring pixels split into its even (low byte) and odd (high byte)
// column. A green site needs only the horizontal and vertical kernels, a
// colour site only the green and opposite ones, so each parity computes two
// of the four. The sums stay within -4080 and 7148.
ECOCAM_TARGET_AVX2 inline V Even(V w) { return _mm256_and_si256(w, _mm256_set1_epi16(0x00FF)); }
ECOCAM_TARGET_AVX2 inline V Odd(V w) { return _mm256_srli_epi16(w, 8); }
ECOCAM_TARGET_AVX2 inline V Clamp(V v) {
  return _mm256_min_epi16(_mm256_max_epi16(v, _mm256_setzero_si256()), _mm256_set1_epi16(255));
}

struct Sums {
  V c, h1, h2, v1, v2, d;
};

// Horizontal and vertical neighbours' colour at green sites (clamped).
ECOCAM_TARGET_AVX2 inline void GreenSite(const Sums& s, V& horizontal, V& vertical) {
  const V c10 =
      _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(s.c, 3), _mm256_slli_epi16(s.c, 1)), _mm256_set1_epi16(8));
  horizontal = Clamp(
      _mm256_srai_epi16(_mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(c10, _mm256_slli_epi16(s.h1, 3)), s.v2),
                                         _mm256_slli_epi16(_mm256_add_epi16(s.h2, s.d), 1)),
                        4));
  vertical = Clamp(
      _mm256_srai_epi16(_mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(c10, _mm256_slli_epi16(s.v1, 3)), s.h2),
                                         _mm256_slli_epi16(_mm256_add_epi16(s.v2, s.d), 1)),
                        4));
}

// Green and the opposite colour at colour sites (clamped).
ECOCAM_TARGET_AVX2 inline void ColourSite(const Sums& s, V& green, V& opposite) {
  const V c8 = _mm256_add_epi16(_mm256_slli_epi16(s.c, 3), _mm256_set1_epi16(8));
  const V hv2 = _mm256_add_epi16(s.h2, s.v2);
  green =
      Clamp(_mm256_srai_epi16(_mm256_sub_epi16(_mm256_add_epi16(c8, _mm256_slli_epi16(_mm256_add_epi16(s.h1, s.v1), 2)),
                                               _mm256_slli_epi16(hv2, 1)),
                              4));
  opposite = Clamp(_mm256_srai_epi16(
      _mm256_sub_epi16(_mm256_add_epi16(_mm256_add_epi16(c8, _mm256_slli_epi16(s.c, 2)), _mm256_slli_epi16(s.d, 2)),
                       _mm256_add_epi16(_mm256_slli_epi16(hv2, 1), hv2)),
      4));
}

struct Planes {
  V own, green, other;  // the row's colour, green, the colour of the rows above and below
};

template <bool GreenAtEven>
ECOCAM_TARGET_AVX2 inline Planes HQLinear(const RowJob& j, int x) {
  const u8* row = j.rows[2] + x;
  const u8* up = j.rows[1] + x;
  const u8* down = j.rows[3] + x;
  const V rm = Load(row - 2), r0 = Load(row), rp = Load(row + 2);
  const V um = Load(up - 2), u0 = Load(up), up2 = Load(up + 2);
  const V dm = Load(down - 2), d0 = Load(down), dp = Load(down + 2);
  const V uu = Load(j.rows[0] + x), dd = Load(j.rows[4] + x);
  // Pixel x + 2i (even) and x + 2i + 1 (odd) in word i.
  const Sums even{Even(r0),
                  _mm256_add_epi16(Odd(rm), Odd(r0)),
                  _mm256_add_epi16(Even(rm), Even(rp)),
                  _mm256_add_epi16(Even(u0), Even(d0)),
                  _mm256_add_epi16(Even(uu), Even(dd)),
                  _mm256_add_epi16(_mm256_add_epi16(Odd(um), Odd(u0)), _mm256_add_epi16(Odd(dm), Odd(d0)))};
  const Sums odd{Odd(r0),
                 _mm256_add_epi16(Even(r0), Even(rp)),
                 _mm256_add_epi16(Odd(rm), Odd(rp)),
                 _mm256_add_epi16(Odd(u0), Odd(d0)),
                 _mm256_add_epi16(Odd(uu), Odd(dd)),
                 _mm256_add_epi16(_mm256_add_epi16(Even(u0), Even(up2)), _mm256_add_epi16(Even(d0), Even(dp)))};
  V h, v, g, o;
  GreenSite(GreenAtEven ? even : odd, h, v);
  ColourSite(GreenAtEven ? odd : even, g, o);
  const V high = _mm256_set1_epi16(static_cast<short>(0xFF00));
  if constexpr (GreenAtEven) {
    return {_mm256_or_si256(h, _mm256_and_si256(r0, high)), _mm256_or_si256(Even(r0), _mm256_slli_epi16(g, 8)),
            _mm256_or_si256(v, _mm256_slli_epi16(o, 8))};
  } else {
    return {_mm256_or_si256(Even(r0), _mm256_slli_epi16(h, 8)), _mm256_or_si256(g, _mm256_and_si256(r0, high)),
            _mm256_or_si256(o, _mm256_slli_epi16(v, 8))};
  }
}

ECOCAM_TARGET_AVX2 inline V Mask(int block, int plane) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kInterleave.m[block][plane])));
}

// Interleaves the planes as R, G, B: 3 x 32 bytes.
ECOCAM_TARGET_AVX2 inline void Store(const Planes& p, bool redRow, u8* out) {
  const V planes[3] = {redRow ? p.own : p.other, p.green, redRow ? p.other : p.own};
  V a[3];
  for (int block = 0; block < 3; ++block) {
    a[block] = _mm256_or_si256(
        _mm256_or_si256(_mm256_shuffle_epi8(planes[0], Mask(block, 0)), _mm256_shuffle_epi8(planes[1], Mask(block, 1))),
        _mm256_shuffle_epi8(planes[2], Mask(block, 2)));
  }
  // a[k] holds block k of pixels 0-15 in its low half and of pixels 16-31 in its high half.
  _mm256_storeu_si256(reinterpret_cast<V*>(out), _mm256_permute2x128_si256(a[0], a[1], 0x20));
  _mm256_storeu_si256(reinterpret_cast<V*>(out + 32), _mm256_permute2x128_si256(a[2], a[0], 0x30));
  _mm256_storeu_si256(reinterpret_cast<V*>(out + 64), _mm256_permute2x128_si256(a[1], a[2], 0x31));
}

// Picks the planes from the candidates by the site of each pixel.
ECOCAM_TARGET_AVX2 inline Planes Pick(const Candidates& c, V site) {
  return {_mm256_blendv_epi8(c.horizontal, c.own, site), _mm256_blendv_epi8(c.own, c.green, site),
          _mm256_blendv_epi8(c.vertical, c.opposite, site)};
}

template <BayerMethod M, bool GreenAtEven>
ECOCAM_TARGET_AVX2 inline Planes At(const RowJob& j, int x, V site) {
  if constexpr (M == BayerMethod::kHQLinear) {
    return HQLinear<GreenAtEven>(j, x);
  } else if constexpr (M == BayerMethod::kNone) {
    return Pick(Nearest(j, x), site);
  } else {
    return Pick(Simple(j, x), site);
  }
}

template <BayerMethod M, bool GreenAtEven>
ECOCAM_TARGET_AVX2 void Row(const RowJob& j, u8* out) {
  // All ones at the colour sites of the row, zero at its green sites.
  const V site = j.greenAtEven ? _mm256_set1_epi16(static_cast<short>(0xFF00)) : _mm256_set1_epi16(0x00FF);
  int x = 0;
  for (; x + kStep <= j.width; x += kStep) Store(At<M, GreenAtEven>(j, x, site), j.redRow, out + 3 * x);
  if (x < j.width) {
    // The last columns: the padded rows hold enough to read a whole step.
    u8 tail[3 * kStep];
    Store(At<M, GreenAtEven>(j, x, site), j.redRow, tail);
    std::memcpy(out + 3 * x, tail, static_cast<std::size_t>(3 * (j.width - x)));
  }
}

template <BayerMethod M>
ECOCAM_TARGET_AVX2 void Row(const RowJob& j, u8* out) {
  if (j.greenAtEven) {
    Row<M, true>(j, out);
  } else {
    Row<M, false>(j, out);
  }
}

}  // namespace

ECOCAM_TARGET_AVX2 void DemosaicRowAvx2(BayerMethod method, const RowJob& job, std::uint8_t* out) {
  switch (method) {
    case BayerMethod::kHQLinear: Row<BayerMethod::kHQLinear>(job, out); break;
    case BayerMethod::kNone: Row<BayerMethod::kNone>(job, out); break;
    case BayerMethod::kSimple:
    default: Row<BayerMethod::kSimple>(job, out); break;
  }
}

}  // namespace ecocam::imaging::detail

#endif
