#include "view_picture.h"

#include <algorithm>

namespace camhost {

Placement FitInside(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
  Placement p;
  if (imageWidth <= 0 || imageHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return p;
  // Compare the two scales without rounding: area/image in 64-bit products.
  const long long byWidth = static_cast<long long>(areaWidth) * imageHeight;
  const long long byHeight = static_cast<long long>(areaHeight) * imageWidth;
  if (byWidth <= byHeight) {
    p.width = areaWidth;
    p.height = static_cast<int>(std::max(1LL, (static_cast<long long>(imageHeight) * areaWidth) / imageWidth));
  } else {
    p.height = areaHeight;
    p.width = static_cast<int>(std::max(1LL, (static_cast<long long>(imageWidth) * areaHeight) / imageHeight));
  }
  p.x = (areaWidth - p.width) / 2;
  p.y = (areaHeight - p.height) / 2;
  return p;
}

std::vector<std::uint8_t> ScaleToRgb(const ViewFrame& frame, int width, int height) {
  std::vector<std::uint8_t> rgb;
  const std::size_t needed = frame.RowBytes() * static_cast<std::size_t>(std::max(frame.height, 0));
  if (width <= 0 || height <= 0 || frame.width <= 0 || frame.height <= 0 ||
      (frame.channels != 1 && frame.channels != 3) || frame.pixels.size() < needed) {
    return rgb;
  }
  rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  // Source column of each target column, computed once.
  std::vector<std::size_t> column(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    column[static_cast<std::size_t>(x)] = static_cast<std::size_t>((static_cast<long long>(x) * frame.width) / width) *
                                          static_cast<std::size_t>(frame.channels);
  }
  std::uint8_t* out = rgb.data();
  for (int y = 0; y < height; ++y) {
    const long long sourceRow = (static_cast<long long>(y) * frame.height) / height;
    const std::uint8_t* row = frame.pixels.data() + static_cast<std::size_t>(sourceRow) * frame.RowBytes();
    if (frame.channels == 3) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = row + column[static_cast<std::size_t>(x)];
        *out++ = p[0];
        *out++ = p[1];
        *out++ = p[2];
      }
    } else {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t v = row[column[static_cast<std::size_t>(x)]];
        *out++ = v;
        *out++ = v;
        *out++ = v;
      }
    }
  }
  return rgb;
}

std::uint32_t Histogram::Peak() const {
  std::uint32_t peak = 0;
  for (int c = 0; c < channels; ++c) {
    for (std::uint32_t n : counts[static_cast<std::size_t>(c)]) peak = std::max(peak, n);
  }
  return peak;
}

Histogram ComputeHistogram(const ViewFrame& frame) {
  Histogram h;
  const std::size_t bytes = frame.RowBytes() * static_cast<std::size_t>(std::max(frame.height, 0));
  if ((frame.channels != 1 && frame.channels != 3) || bytes == 0 || frame.pixels.size() < bytes) return h;
  h.channels = frame.channels;
  const std::uint8_t* p = frame.pixels.data();
  if (frame.channels == 1) {
    for (std::size_t i = 0; i < bytes; ++i) ++h.counts[0][p[i]];
  } else {
    for (std::size_t i = 0; i < bytes; i += 3) {
      ++h.counts[0][p[i]];
      ++h.counts[1][p[i + 1]];
      ++h.counts[2][p[i + 2]];
    }
  }
  return h;
}

}  // namespace camhost
