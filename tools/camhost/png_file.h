// PNG files of grabbed frames.
#pragma once

#include <cstdint>
#include <string>

namespace camhost {

// Writes `width` x `height` pixels of `channels` bytes each (1 grey, 3 R G B),
// rows contiguous, as a PNG file. False when the file cannot be written.
bool WritePng(const std::string& path, int width, int height, int channels, const std::uint8_t* pixels);

}  // namespace camhost
