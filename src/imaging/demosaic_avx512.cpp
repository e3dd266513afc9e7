// The demosaicing rows for AVX-512 (byte and word instructions), 64 pixels
// at a time: the same steps as the AVX2 rows (demosaic_avx2.cpp) on
// registers twice as wide, with mask registers for the column parity.
#include <cstring>

#include "imaging/demosaic_rows.h"
#include "imaging/interleave_masks.h"
#include "imaging/simd_dispatch.h"

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
#include <immintrin.h>

namespace ecocam::imaging::detail {

namespace {

using u8 = std::uint8_t;
using V = __m512i;
constexpr int kStep = 64;

ECOCAM_TARGET_AVX512 inline V Load(const u8* p) { return _mm512_loadu_si512(p); }

// (a + b + c + d + 2) >> 2 per byte.
ECOCAM_TARGET_AVX512 inline V Mean4(V a, V b, V c, V d) {
  const V p = _mm512_avg_epu8(a, b);
  const V q = _mm512_avg_epu8(c, d);
  // Bit 0 of (p ^ q) & (a ^ b | c ^ d): 0xE0 is the truth table of x & (y | z).
  const V fix = _mm512_and_si512(
      _mm512_ternarylogic_epi32(_mm512_xor_si512(p, q), _mm512_xor_si512(a, b), _mm512_xor_si512(c, d), 0xE0),
      _mm512_set1_epi8(1));
  return _mm512_sub_epi8(_mm512_avg_epu8(p, q), fix);
}

struct Candidates {
  V own, green, opposite, horizontal, vertical;
};

ECOCAM_TARGET_AVX512 inline Candidates Simple(const RowJob& j, int x) {
  const u8* up = j.rows[1] + x;
  const u8* row = j.rows[2] + x;
  const u8* down = j.rows[3] + x;
  const V l = Load(row - 1);
  const V r = Load(row + 1);
  const V u = Load(up);
  const V d = Load(down);
  return {Load(row), Mean4(l, r, u, d), Mean4(Load(up - 1), Load(up + 1), Load(down - 1), Load(down + 1)),
          _mm512_avg_epu8(l, r), _mm512_avg_epu8(u, d)};
}

ECOCAM_TARGET_AVX512 inline V SwapPairs(V v) {
  return _mm512_or_si512(_mm512_slli_epi16(v, 8), _mm512_srli_epi16(v, 8));
}

ECOCAM_TARGET_AVX512 inline Candidates Nearest(const RowJob& j, int x) {
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
ECOCAM_TARGET_AVX512 inline V Even(V w) { return _mm512_and_si512(w, _mm512_set1_epi16(0x00FF)); }
ECOCAM_TARGET_AVX512 inline V Odd(V w) { return _mm512_srli_epi16(w, 8); }
ECOCAM_TARGET_AVX512 inline V Clamp(V v) {
  return _mm512_min_epi16(_mm512_max_epi16(v, _mm512_setzero_si512()), _mm512_set1_epi16(255));
}

struct Sums {
  V c, h1, h2, v1, v2, d;
};

// Horizontal and vertical neighbours' colour at green sites (clamped).
ECOCAM_TARGET_AVX512 inline void GreenSite(const Sums& s, V& horizontal, V& vertical) {
  const V c10 =
      _mm512_add_epi16(_mm512_add_epi16(_mm512_slli_epi16(s.c, 3), _mm512_slli_epi16(s.c, 1)), _mm512_set1_epi16(8));
  horizontal = Clamp(
      _mm512_srai_epi16(_mm512_sub_epi16(_mm512_add_epi16(_mm512_add_epi16(c10, _mm512_slli_epi16(s.h1, 3)), s.v2),
                                         _mm512_slli_epi16(_mm512_add_epi16(s.h2, s.d), 1)),
                        4));
  vertical = Clamp(
      _mm512_srai_epi16(_mm512_sub_epi16(_mm512_add_epi16(_mm512_add_epi16(c10, _mm512_slli_epi16(s.v1, 3)), s.h2),
                                         _mm512_slli_epi16(_mm512_add_epi16(s.v2, s.d), 1)),
                        4));
}

// Green and the opposite colour at colour sites (clamped).
ECOCAM_TARGET_AVX512 inline void ColourSite(const Sums& s, V& green, V& opposite) {
  const V c8 = _mm512_add_epi16(_mm512_slli_epi16(s.c, 3), _mm512_set1_epi16(8));
  const V hv2 = _mm512_add_epi16(s.h2, s.v2);
  green =
      Clamp(_mm512_srai_epi16(_mm512_sub_epi16(_mm512_add_epi16(c8, _mm512_slli_epi16(_mm512_add_epi16(s.h1, s.v1), 2)),
                                               _mm512_slli_epi16(hv2, 1)),
                              4));
  opposite = Clamp(_mm512_srai_epi16(
      _mm512_sub_epi16(_mm512_add_epi16(_mm512_add_epi16(c8, _mm512_slli_epi16(s.c, 2)), _mm512_slli_epi16(s.d, 2)),
                       _mm512_add_epi16(_mm512_slli_epi16(hv2, 1), hv2)),
      4));
}

struct Planes {
  V own, green, other;  // the row's colour, green, the colour of the rows above and below
};

template <bool GreenAtEven>
ECOCAM_TARGET_AVX512 inline Planes HQLinear(const RowJob& j, int x) {
  const u8* row = j.rows[2] + x;
  const u8* up = j.rows[1] + x;
  const u8* down = j.rows[3] + x;
  const V rm = Load(row - 2), r0 = Load(row), rp = Load(row + 2);
  const V um = Load(up - 2), u0 = Load(up), up2 = Load(up + 2);
  const V dm = Load(down - 2), d0 = Load(down), dp = Load(down + 2);
  const V uu = Load(j.rows[0] + x), dd = Load(j.rows[4] + x);
  // Pixel x + 2i (even) and x + 2i + 1 (odd) in word i.
  const Sums even{Even(r0),
                  _mm512_add_epi16(Odd(rm), Odd(r0)),
                  _mm512_add_epi16(Even(rm), Even(rp)),
                  _mm512_add_epi16(Even(u0), Even(d0)),
                  _mm512_add_epi16(Even(uu), Even(dd)),
                  _mm512_add_epi16(_mm512_add_epi16(Odd(um), Odd(u0)), _mm512_add_epi16(Odd(dm), Odd(d0)))};
  const Sums odd{Odd(r0),
                 _mm512_add_epi16(Even(r0), Even(rp)),
                 _mm512_add_epi16(Odd(rm), Odd(rp)),
                 _mm512_add_epi16(Odd(u0), Odd(d0)),
                 _mm512_add_epi16(Odd(uu), Odd(dd)),
                 _mm512_add_epi16(_mm512_add_epi16(Even(u0), Even(up2)), _mm512_add_epi16(Even(d0), Even(dp)))};
  V h, v, g, o;
  GreenSite(GreenAtEven ? even : odd, h, v);
  ColourSite(GreenAtEven ? odd : even, g, o);
  const V high = _mm512_set1_epi16(static_cast<short>(0xFF00));
  if constexpr (GreenAtEven) {
    return {_mm512_or_si512(h, _mm512_and_si512(r0, high)), _mm512_or_si512(Even(r0), _mm512_slli_epi16(g, 8)),
            _mm512_or_si512(v, _mm512_slli_epi16(o, 8))};
  } else {
    return {_mm512_or_si512(Even(r0), _mm512_slli_epi16(h, 8)), _mm512_or_si512(g, _mm512_and_si512(r0, high)),
            _mm512_or_si512(o, _mm512_slli_epi16(v, 8))};
  }
}

ECOCAM_TARGET_AVX512 inline V Mask(int block, int plane) {
  return _mm512_maskz_broadcast_i32x4(kAll16,
                                      _mm_load_si128(reinterpret_cast<const __m128i*>(kInterleave.m[block][plane])));
}

// Interleaves the planes as R, G, B: 3 x 64 bytes.
ECOCAM_TARGET_AVX512 inline void Store(const Planes& p, bool redRow, u8* out) {
  const V planes[3] = {redRow ? p.own : p.other, p.green, redRow ? p.other : p.own};
  V a[3];
  for (int block = 0; block < 3; ++block) {
    a[block] = _mm512_ternarylogic_epi32(_mm512_shuffle_epi8(planes[0], Mask(block, 0)),
                                         _mm512_shuffle_epi8(planes[1], Mask(block, 1)),
                                         _mm512_shuffle_epi8(planes[2], Mask(block, 2)), 0xFE);
  }
  // Lane k of a[b] is block b of pixels 16k to 16k + 15; the output takes
  // the lanes in the order (block, lane) 00 10 20 01 | 11 21 02 12 | 22 03 13 23.
  const V t0 = _mm512_permutex2var_epi64(a[0], _mm512_setr_epi64(0, 1, 8, 9, 0, 0, 2, 3), a[1]);
  const V t1 = _mm512_permutex2var_epi64(a[0], _mm512_setr_epi64(10, 11, 0, 0, 4, 5, 12, 13), a[1]);
  const V t2 = _mm512_permutex2var_epi64(a[0], _mm512_setr_epi64(0, 0, 6, 7, 14, 15, 0, 0), a[1]);
  _mm512_storeu_si512(out, _mm512_permutex2var_epi64(t0, _mm512_setr_epi64(0, 1, 2, 3, 8, 9, 6, 7), a[2]));
  _mm512_storeu_si512(out + 64, _mm512_permutex2var_epi64(t1, _mm512_setr_epi64(0, 1, 10, 11, 4, 5, 6, 7), a[2]));
  _mm512_storeu_si512(out + 128, _mm512_permutex2var_epi64(t2, _mm512_setr_epi64(12, 13, 2, 3, 4, 5, 14, 15), a[2]));
}

// Picks the planes from the candidates by the site of each pixel.
ECOCAM_TARGET_AVX512 inline Planes Pick(const Candidates& c, __mmask64 site) {
  return {_mm512_mask_blend_epi8(site, c.horizontal, c.own), _mm512_mask_blend_epi8(site, c.own, c.green),
          _mm512_mask_blend_epi8(site, c.vertical, c.opposite)};
}

template <BayerMethod M, bool GreenAtEven>
ECOCAM_TARGET_AVX512 inline Planes At(const RowJob& j, int x, __mmask64 site) {
  if constexpr (M == BayerMethod::kHQLinear) {
    return HQLinear<GreenAtEven>(j, x);
  } else if constexpr (M == BayerMethod::kNone) {
    return Pick(Nearest(j, x), site);
  } else {
    return Pick(Simple(j, x), site);
  }
}

template <BayerMethod M, bool GreenAtEven>
ECOCAM_TARGET_AVX512 void Row(const RowJob& j, u8* out) {
  // All ones at the colour sites of the row, zero at its green sites.
  const __mmask64 site = j.greenAtEven ? 0xAAAAAAAAAAAAAAAAull : 0x5555555555555555ull;
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
ECOCAM_TARGET_AVX512 void Row(const RowJob& j, u8* out) {
  if (j.greenAtEven) {
    Row<M, true>(j, out);
  } else {
    Row<M, false>(j, out);
  }
}

}  // namespace

ECOCAM_TARGET_AVX512 void DemosaicRowAvx512(BayerMethod method, const RowJob& job, std::uint8_t* out) {
  switch (method) {
    case BayerMethod::kHQLinear: Row<BayerMethod::kHQLinear>(job, out); break;
    case BayerMethod::kNone: Row<BayerMethod::kNone>(job, out); break;
    case BayerMethod::kSimple:
    default: Row<BayerMethod::kSimple>(job, out); break;
  }
}

}  // namespace ecocam::imaging::detail

#endif
