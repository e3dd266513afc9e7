// What the camera registry knows about one camera; every parameter set
// carries a copy (its model name is the set's INI section).
#pragma once

#include <string>

namespace ecocam {

struct CameraInfo {
  // Bit set: 1 = monochrome camera, 2 = colour camera.
  unsigned int type = 0;
  // The model name the SDK reported; also the camera's name for the host.
  std::string modelName;

  bool IsColor() const { return (type & 2u) != 0; }
};

}  // namespace ecocam
