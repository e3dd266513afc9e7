#include "png_file.h"

// stb_image_write's implementation lives in this one file.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace camhost {

bool WritePng(const std::string& path, int width, int height, int channels, const std::uint8_t* pixels) {
  if (width <= 0 || height <= 0 || pixels == nullptr) return false;
  return stbi_write_png(path.c_str(), width, height, channels, pixels, width * channels) != 0;
}

}  // namespace camhost
