// PNG files read back by the tests (stb_image, its functions static in each
// test program that includes this).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace camhost::testing {

struct Png {
  int width = 0, height = 0, channels = 0;
  std::vector<std::uint8_t> pixels;  // rows contiguous; empty when the file could not be read
};

// The file's pixels with `channels` per pixel (0: as many as the file has).
inline Png ReadPng(const std::string& path, int channels = 0) {
  Png png;
  unsigned char* data = stbi_load(path.c_str(), &png.width, &png.height, &png.channels, channels);
  if (data != nullptr) {
    if (channels != 0) png.channels = channels;
    png.pixels.assign(data, data + static_cast<std::size_t>(png.width) * png.height * png.channels);
    stbi_image_free(data);
  }
  return png;
}

}  // namespace camhost::testing
