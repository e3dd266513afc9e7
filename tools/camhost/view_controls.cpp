#include "view_controls.h"

#include <algorithm>

namespace camhost {

const std::vector<std::string>& ViewControls::Names() {
  static const std::vector<std::string> names{"FrameRate", "ExposureTime", "Gain", "GainOffset", "Gamma"};
  return names;
}

void ViewControls::Load(DriverLibrary& driver, int port) {
  _controls.clear();
  for (const std::string& name : Names()) {
    ViewControl c;
    c.name = name;
    c.ranged = driver.getPropertyRange(0, port, name.c_str(), &c.min, &c.max) == 1 && c.min <= c.max;
    if (!c.ranged) c.min = c.max = 0;
    c.readable = driver.getProperty(0, port, name.c_str(), &c.value) == 1;
    if (!c.readable) c.value = 0;
    _controls.push_back(c);
  }
}

// The host's thread (the window's).
ViewControls::Outcome ViewControls::Apply(DriverLibrary& driver, int port, std::size_t index, int value) {
  if (index >= _controls.size()) return Outcome::kRefused;
  ViewControl& c = _controls[index];
  if (c.ranged) value = std::clamp(value, c.min, c.max);
  const bool written = driver.setProperty(0, port, c.name.c_str(), value) == 1;
  int now = 0;
  c.readable = driver.getProperty(0, port, c.name.c_str(), &now) == 1;
  if (c.readable) c.value = now;
  if (!written) {
    c.note = "refused " + std::to_string(value);
    return Outcome::kRefused;
  }
  if (c.readable && now != value) {
    c.note = "asked " + std::to_string(value) + ", camera has " + std::to_string(now);
    return Outcome::kAdjusted;
  }
  if (!c.readable) c.value = value;
  c.note.clear();
  return Outcome::kTaken;
}

}  // namespace camhost
