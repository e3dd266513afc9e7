// A picture read back from the screen, and whether it is the simulated
// camera's test pattern: grey as it is, colour as the driver demosaics it.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/pixel_conversion.h"
#include "simsdk_pattern.h"

namespace camhost::testing {

struct ShownPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top-down R G B
  const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Pixels of the `width` x `height` area at (x0, y0) of `shown` that differ
// from the grey pattern of the image whose id its first pixel gives.
inline int GreyPatternMismatches(const ShownPicture& shown, int x0, int y0, int width, int height) {
  int id = 0;
  while (id < 256 && simsdk::PatternValue8(id, 0, 0) != shown.At(x0, y0)[0]) ++id;
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = shown.At(x0 + x, y0 + y);
      const std::uint8_t v = simsdk::PatternValue8(id, x, y);
      if (p[0] != v || p[1] != v || p[2] != v) ++wrong;
    }
  }
  return wrong;
}

// True when the area is the demosaiced ("None" method) colour pattern of
// some image id.
inline bool IsColourPattern(const ShownPicture& shown, int x0, int y0, int width, int height) {
  std::vector<std::uint8_t> area(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = shown.At(x0, y0 + y);
    std::copy(row, row + width * 3, area.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
  }
  std::vector<std::uint8_t> mosaic(static_cast<std::size_t>(width) * height), expected(area.size());
  for (int id = 0; id < 256; ++id) {
    simsdk::FillPattern(simsdk::kPixelBayerGR8, id, width, height, mosaic.data());
    ecocam::imaging::Demosaic(mosaic.data(), width, width, height, ecocam::imaging::BayerPhase::kGR,
                              ecocam::imaging::BayerMethod::kNone, expected.data(), width * 3);
    if (expected == area) return true;
  }
  return false;
}

}  // namespace camhost::testing
