// One output row of the demosaicing in the wider variants. Internal to the
// imaging library.
#pragma once

#include <cstdint>

#include "imaging/pixel_conversion.h"

namespace ecocam::imaging::detail {

// The mirrored source rows around row y, each padded so that pixels -2 to
// width + kRowSlack - 1 may be read (the values beyond width + 1 are
// ignored), and what the row's place in the mosaic decides.
constexpr int kRowSlack = 96;
struct RowJob {
  const std::uint8_t* rows[5];  // y - 2 to y + 2
  const std::uint8_t* pair;     // the row completing the 2 x 2 cell (nearest neighbour)
  int width;
  bool greenAtEven;  // green sites at even columns, the row's other colour at odd ones
  bool redRow;       // the row's other colour is red (else blue)
};

// Write 3 x width bytes of R, G, B to `out`, the same bytes the baseline
// code computes.
void DemosaicRowAvx2(BayerMethod method, const RowJob& job, std::uint8_t* out);
void DemosaicRowAvx512(BayerMethod method, const RowJob& job, std::uint8_t* out);

}  // namespace ecocam::imaging::detail
