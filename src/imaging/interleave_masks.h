// Byte shuffles that interleave 16 pixels of three colour planes into 48
// bytes of R, G, B: block j of 16 output bytes takes from plane c the bytes
// the entry [j][c] names (0x80: none). Internal to the imaging library.
#pragma once

#include <cstdint>

namespace ecocam::imaging::detail {

struct InterleaveMasks {
  alignas(16) std::uint8_t m[3][3][16];
};

constexpr InterleaveMasks MakeInterleaveMasks() {
  InterleaveMasks masks{};
  for (int block = 0; block < 3; ++block) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int i = 0; i < 16; ++i) {
        const int k = 16 * block + i;
        masks.m[block][plane][i] = static_cast<std::uint8_t>(k % 3 == plane ? k / 3 : 0x80);
      }
    }
  }
  return masks;
}

inline constexpr InterleaveMasks kInterleave = MakeInterleaveMasks();

}  // namespace ecocam::imaging::detail
