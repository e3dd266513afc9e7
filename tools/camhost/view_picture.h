// What the window draws of a frame, without a toolkit: where the picture
// goes in the window with its aspect kept, the picture scaled to that size,
// and the histogram of the frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "view_frames.h"

namespace camhost {

struct Placement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The largest `imageWidth` x `imageHeight` rectangle with the image's aspect
// that fits an `areaWidth` x `areaHeight` area, centred in it. An area the
// image's size gives the image at 1:1. Empty when either is empty.
Placement FitInside(int imageWidth, int imageHeight, int areaWidth, int areaHeight);

// `frame` scaled to `width` x `height` by nearest neighbour, as R G B bytes
// (grey is repeated in all three), rows contiguous. At the frame's own size
// every pixel is copied as it is.
std::vector<std::uint8_t> ScaleToRgb(const ViewFrame& frame, int width, int height);

struct Histogram {
  int channels = 0;  // 1 grey, 3 R G B; 0 when empty
  std::array<std::array<std::uint32_t, 256>, 3> counts{};

  // The largest count of any value in any channel.
  std::uint32_t Peak() const;
};

// Counts every pixel value of `frame`, per channel.
Histogram ComputeHistogram(const ViewFrame& frame);

}  // namespace camhost
