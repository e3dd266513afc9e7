// Bayer demosaicing. The mosaic is read a row at a time into a small ring
// of padded rows (kept in cache), and each output row is written once. The
// AVX2 and AVX-512 variants build a row in one pass of explicit vector code
// (demosaic_avx2.cpp, demosaic_avx512.cpp). The baseline code builds it in
// two passes over plain arrays, each a simple loop the compiler vectorises:
//   1. from up to five mirrored source rows, the candidate values of the row
//      (green at red/blue sites, the opposite colour at red/blue sites, the
//      colour of the horizontal and of the vertical neighbours at green
//      sites), in 16-bit arithmetic;
//   2. per pixel, R, G and B chosen from the candidates by the pixel's place
//      in the 2 x 2 cell, and written interleaved as R, G, B bytes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/demosaic_rows.h"
#include "imaging/pixel_conversion.h"
#include "imaging/variant.h"

namespace ecocam::imaging {

namespace {

using u8 = std::uint8_t;

// Index i mirrored into [0, n) without repeating the edge; keeps parity.
int Mirror(int i, int n) {
  if (n == 1) return 0;
  const int period = 2 * (n - 1);
  i %= period;
  if (i < 0) i += period;
  return i < n ? i : period - i;
}

constexpr int kPad = 2;  // columns of mirrored margin on each side
// Row length: the margins, and zeros the wider variants may read past the
// right margin (their last step of columns).
int PaddedLength(int width) { return width + 2 * kPad + detail::kRowSlack; }

// The source rows a row kernel needs, each copied once with its mirrored
// margin, in a ring of five (enough for rows y - 2 to y + 2).
class PaddedRows {
 public:
  PaddedRows(const u8* src, std::ptrdiff_t stride, int width, int height)
      : _src(src),
        _stride(stride),
        _width(width),
        _height(height),
        _storage(static_cast<std::size_t>(5) * PaddedLength(width)) {
    std::fill(std::begin(_held), std::end(_held), -1);
  }

  // Pixel 0 of source row y (mirrored); pixels -2 to width + 1 are valid.
  const u8* Row(int y) {
    const int row = Mirror(y, _height);
    const int slot = row % 5;
    u8* padded = &_storage[static_cast<std::size_t>(slot) * PaddedLength(_width)] + kPad;
    if (_held[slot] != row) {
      const u8* s = _src + row * _stride;
      std::memcpy(padded, s, static_cast<std::size_t>(_width));
      for (int k = 1; k <= kPad; ++k) {
        padded[-k] = s[Mirror(-k, _width)];
        padded[_width - 1 + k] = s[Mirror(_width - 1 + k, _width)];
      }
      _held[slot] = row;
    }
    return padded;
  }

 private:
  const u8* _src;
  std::ptrdiff_t _stride;
  int _width;
  int _height;
  std::vector<u8> _storage;
  int _held[5];
};

inline u8 Clamp8(int v) { return static_cast<u8>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// The four candidate values of one row (pass 1).
struct Candidates {
  explicit Candidates(int width) : green(width + 1), opposite(width + 1), horizontal(width + 1), vertical(width + 1) {}
  std::vector<u8> green;       // green at a red or blue site
  std::vector<u8> opposite;    // blue at a red site, red at a blue site
  std::vector<u8> horizontal;  // at a green site: the colour of its left and right neighbours
  std::vector<u8> vertical;    // at a green site: the colour of its upper and lower neighbours
};

// Bilinear candidates from rows y - 1, y, y + 1.
void SimpleCandidates(const u8* __restrict up, const u8* __restrict row, const u8* __restrict down, int width,
                      u8* __restrict green, u8* __restrict opposite, u8* __restrict horizontal,
                      u8* __restrict vertical) {
  for (int x = 0; x < width; ++x) {
    const int h1 = row[x - 1] + row[x + 1];
    const int v1 = up[x] + down[x];
    const int d = up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1];
    green[x] = static_cast<u8>((h1 + v1 + 2) >> 2);
    opposite[x] = static_cast<u8>((d + 2) >> 2);
    horizontal[x] = static_cast<u8>((h1 + 1) >> 1);
    vertical[x] = static_cast<u8>((v1 + 1) >> 1);
  }
}

// High-quality linear candidates from rows y - 2 to y + 2 (weights in
// sixteenths; the kernels of gradient-corrected linear interpolation).
void HQLinearCandidates(const u8* __restrict up2, const u8* __restrict up, const u8* __restrict row,
                        const u8* __restrict down, const u8* __restrict down2, int width, u8* __restrict green,
                        u8* __restrict opposite, u8* __restrict horizontal, u8* __restrict vertical) {
  for (int x = 0; x < width; ++x) {
    const int c = row[x];
    const int h1 = row[x - 1] + row[x + 1];
    const int h2 = row[x - 2] + row[x + 2];
    const int v1 = up[x] + down[x];
    const int v2 = up2[x] + down2[x];
    const int d = up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1];
    green[x] = Clamp8((8 * c + 4 * (h1 + v1) - 2 * (h2 + v2) + 8) >> 4);
    opposite[x] = Clamp8((12 * c + 4 * d - 3 * (h2 + v2) + 8) >> 4);
    horizontal[x] = Clamp8((10 * c + 8 * h1 - 2 * (h2 + d) + v2 + 8) >> 4);
    vertical[x] = Clamp8((10 * c + 8 * v1 - 2 * (v2 + d) + h2 + 8) >> 4);
  }
}

// Nearest-neighbour candidates: the other samples of the pixel's 2 x 2 cell.
// `pair` is the row that completes the cell (y ^ 1, mirrored). Works on
// column pairs; column `width` of a padded row is the mirrored one, so an
// odd last column finds its mate too (the candidates hold width + 1).
void NoneCandidates(const u8* __restrict row, const u8* __restrict pair, int width, u8* __restrict green,
                    u8* __restrict opposite, u8* __restrict horizontal, u8* __restrict vertical) {
  for (int x = 0; x < width; x += 2) {
    green[x] = horizontal[x] = row[x + 1];
    green[x + 1] = horizontal[x + 1] = row[x];
    opposite[x] = pair[x + 1];
    opposite[x + 1] = pair[x];
    vertical[x] = pair[x];
    vertical[x + 1] = pair[x + 1];
  }
}

// Passes 2 and 3: picks each pixel's R, G, B from the candidates (by a
// mask, which vectorises where a branch would not) and writes them
// interleaved. `even` and `odd` give the sources of R, G and B for pixels of
// even and of odd column.
void Assemble(const u8* const* even, const u8* const* odd, int width, u8* __restrict out) {
  const u8* __restrict er = even[0];
  const u8* __restrict eg = even[1];
  const u8* __restrict eb = even[2];
  const u8* __restrict orr = odd[0];
  const u8* __restrict og = odd[1];
  const u8* __restrict ob = odd[2];
  for (int x = 0; x < width; ++x) {
    const u8 m = static_cast<u8>(-(x & 1));
    out[3 * x] = static_cast<u8>((orr[x] & m) | (er[x] & ~m));
    out[3 * x + 1] = static_cast<u8>((og[x] & m) | (eg[x] & ~m));
    out[3 * x + 2] = static_cast<u8>((ob[x] & m) | (eb[x] & ~m));
  }
}

// The colour of the pixel at (x, y) under `phase`: 0 red, 1 green, 2 blue.
int ColourAt(BayerPhase phase, int x, int y) {
  static constexpr int kCells[4][4] = {
      {1, 0, 2, 1},  // GR: G R / B G
      {0, 1, 1, 2},  // RG: R G / G B
      {1, 2, 0, 1},  // GB: G B / R G
      {2, 1, 1, 0},  // BG: B G / G R
  };
  return kCells[static_cast<int>(phase)][(y & 1) * 2 + (x & 1)];
}

// The rows in the baseline code: candidates, then assembly.
void BaselineRows(PaddedRows& rows, int width, int height, BayerPhase phase, BayerMethod method, u8* dst,
                  std::ptrdiff_t dstStride) {
  Candidates cand(width);
  for (int y = 0; y < height; ++y) {
    const u8* row = rows.Row(y);
    switch (method) {
      case BayerMethod::kHQLinear:
        HQLinearCandidates(rows.Row(y - 2), rows.Row(y - 1), row, rows.Row(y + 1), rows.Row(y + 2), width,
                           cand.green.data(), cand.opposite.data(), cand.horizontal.data(), cand.vertical.data());
        break;
      case BayerMethod::kNone:
        NoneCandidates(row, rows.Row(Mirror(y ^ 1, height)), width, cand.green.data(), cand.opposite.data(),
                       cand.horizontal.data(), cand.vertical.data());
        break;
      case BayerMethod::kSimple:
      default:
        SimpleCandidates(rows.Row(y - 1), row, rows.Row(y + 1), width, cand.green.data(), cand.opposite.data(),
                         cand.horizontal.data(), cand.vertical.data());
        break;
    }
    // Sources of R, G, B for the pixels of even and of odd column.
    const u8* sources[2][3];
    for (int parity = 0; parity < 2; ++parity) {
      const int own = ColourAt(phase, parity, y);
      const u8** s = sources[parity];
      if (own == 1) {
        // Green site: the row's other colour lies left and right.
        const int rowColour = ColourAt(phase, parity ^ 1, y);
        s[1] = row;
        s[0] = rowColour == 0 ? cand.horizontal.data() : cand.vertical.data();
        s[2] = rowColour == 2 ? cand.horizontal.data() : cand.vertical.data();
      } else {
        s[own] = row;
        s[1] = cand.green.data();
        s[2 - own] = cand.opposite.data();
      }
    }
    Assemble(sources[0], sources[1], width, dst + y * dstStride);
  }
}

#if defined(ECOCAM_IMAGING_X86_VARIANTS)
// The rows in a wider variant: one pass per row, straight to R, G, B.
void WideRows(void (*rowFn)(BayerMethod, const detail::RowJob&, u8*), PaddedRows& rows, int width, int height,
              BayerPhase phase, BayerMethod method, u8* dst, std::ptrdiff_t dstStride) {
  detail::RowJob job{};
  job.width = width;
  for (int y = 0; y < height; ++y) {
    if (method == BayerMethod::kNone) {
      job.rows[2] = rows.Row(y);
      job.pair = rows.Row(Mirror(y ^ 1, height));
    } else {
      for (int k = 0; k < 5; ++k) {
        if (method == BayerMethod::kHQLinear || (k >= 1 && k <= 3)) job.rows[k] = rows.Row(y - 2 + k);
      }
    }
    job.greenAtEven = ColourAt(phase, 0, y) == 1;
    job.redRow = ColourAt(phase, job.greenAtEven ? 1 : 0, y) == 0;
    rowFn(method, job, dst + y * dstStride);
  }
}
#endif

}  // namespace

void Demosaic(const u8* src, std::ptrdiff_t srcStride, int width, int height, BayerPhase phase, BayerMethod method,
              u8* dst, std::ptrdiff_t dstStride) {
  if (src == nullptr || dst == nullptr || width < 1 || height < 1) return;
  if (method != BayerMethod::kNone && method != BayerMethod::kHQLinear) method = BayerMethod::kSimple;
  PaddedRows rows(src, srcStride, width, height);
#if defined(ECOCAM_IMAGING_X86_VARIANTS)
  switch (ActiveVariant()) {
    case Variant::kAvx512:
      return WideRows(detail::DemosaicRowAvx512, rows, width, height, phase, method, dst, dstStride);
    case Variant::kAvx2: return WideRows(detail::DemosaicRowAvx2, rows, width, height, phase, method, dst, dstStride);
    case Variant::kBaseline: break;
  }
#endif
  BaselineRows(rows, width, height, phase, method, dst, dstStride);
}

}  // namespace ecocam::imaging
