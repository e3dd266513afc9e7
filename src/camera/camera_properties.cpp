// Property access by name: the range, the reading and the writing of a
// camera's parameters as 32-bit integers, and the few names that stand for
// camera operations or live state rather than parameters.
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <locale>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "camera/camera.h"
#include "driver/log_text.h"
#include "params/param_names.h"
#include "params/param_types.h"
#include "sdk/sdk.h"

namespace ecocam {
namespace {

constexpr char kPythonAccess[] = "pythonAccess";

bool IsContinuousName(const std::string& name) {
  return EqualsNoCase(name, "continous") || EqualsNoCase(name, "continuous");
}

template <typename P>
bool Is(const Param_& parameter) {
  return dynamic_cast<const P*>(&parameter) != nullptr;
}

// What the camera holds for a parameter after a successful write, read back
// through the SDK; false when there is no such reading (no getter, or the
// camera could not answer).
bool HeldValue(sdk::CameraHandle camera, const std::string& name, double& value) {
  using FloatGetter = int (*)(sdk::CameraHandle, float*);
  static const struct {
    const char* name;
    FloatGetter getter;
  } kFloats[] = {{param_name::FrameRate, &sdk::Camera_getFrameRate},
                 {param_name::ExposureTime, &sdk::Camera_getExposureTime},
                 {param_name::ExposureDelay, &sdk::Camera_getExposureDelay},
                 {param_name::Gain, &sdk::Camera_getGain},
                 {param_name::GainOffset, &sdk::Camera_getOffset}};
  for (const auto& entry : kFloats) {
    if (name != entry.name) continue;
    float f = 0.0f;
    if (entry.getter(camera, &f) != 0) return false;
    value = f;
    return true;
  }
  if (name == param_name::StrobePolarity) {
    int i = 0;
    if (sdk::Camera_getStrobePolarity(camera, &i) != 0) return false;
    value = i;
    return true;
  }
  return false;
}

// Whether the host's value lies outside the range of a parameter that has
// one (integers and doubles); the other types take any value.
bool OutsideRange(const Param_& parameter, int value) {
  if (Is<Param<int>>(parameter)) return value < parameter.get_min<int>() || value > parameter.get_max<int>();
  if (Is<Param<double>>(parameter)) {
    const double v = value;
    return v < parameter.get_min<double>() || v > parameter.get_max<double>();
  }
  return false;
}

// Makes the set hold `held`, the value the camera reports after a write.
// Values that no int can hold (a camera that answers nonsense) are ignored.
void TakeHeldValue(Param_& parameter, double held) {
  if (Is<Param<double>>(parameter)) {
    if (std::isfinite(held)) parameter.set_val<double>(held);
    return;
  }
  const double rounded = std::round(held);
  if (!(rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max())) return;
  const int v = static_cast<int>(rounded);
  if (auto* options = dynamic_cast<ParamEnum*>(&parameter)) {
    options->set_by_value(v);
  } else {
    parameter.set_val<int>(v);
  }
}

// The read-only names of the loss counts: true, with the count (capped at
// the largest int) in `value`, when `name` is one of them.
bool LossCount(const Camera::LossCounters& losses, const std::string& name, int& value) {
  long long count = 0;
  if (EqualsNoCase(name, "FramesDelivered")) {
    count = losses.framesDelivered;
  } else if (EqualsNoCase(name, "FramesIncomplete")) {
    count = losses.framesIncomplete;
  } else if (EqualsNoCase(name, "PacketsResent")) {
    count = losses.packetsResent;
  } else {
    return false;
  }
  value = static_cast<int>(std::min<long long>(count, std::numeric_limits<int>::max()));
  return true;
}

}  // namespace

bool Camera::GetRange(const char* name, int& min, int& max) {
  min = 0;
  max = 0;
  if (name == nullptr) return false;
  const std::string n = name;
  ECOCAM_LOG(2, "Camera::GetRange: entering prop=" + n);
  platform::LockGuard guard(_parametersLock);
  if (!_parameters.Has(n)) return false;
  const Param_& parameter = _parameters.Get(n);
  bool result = false;
  if (Is<Param<int>>(parameter) || Is<Param<double>>(parameter)) {
    min = parameter.get_min<int>();
    max = parameter.get_max<int>();
    result = true;
  }
  ECOCAM_LOG(2, "Camera::GetRange: leaving prop=" + n + " min=" + Num(min) + " max=" + Num(max));
  return result;
}

bool Camera::GetProperty(const char* name, int& value) {
  value = 0;
  if (name == nullptr) return false;
  const std::string n = name;
  ECOCAM_LOG(3, "Camera::GetProperty: prop=" + n);
  if (EqualsNoCase(n, "PixelSize")) {
    value = _pixelSize;
    ECOCAM_LOG(3, "Camera::GetProperty pixelsize=" + Num(value));
    return true;
  }
  if (IsContinuousName(n)) {
    value = _continuous.load() ? 1 : 0;
    return true;
  }
  if (LossCount(Losses(), n, value)) return true;
  platform::LockGuard guard(_parametersLock);
  if (!_parameters.Has(n)) return false;
  try {
    const Param_* parameter = _parameters.GetParam(n);
    if (parameter == nullptr) {
      ECOCAM_LOG(1, "Camera::GetProperty ERROR: could not retrieve param by name");
      return false;
    }
    if (Is<ParamEnum>(*parameter)) {
      value = static_cast<int>(parameter->currEnumVal());
      return true;
    }
    if (Is<Param<int>>(*parameter) || Is<Param<bool>>(*parameter) || Is<Param<double>>(*parameter)) {
      value = parameter->get_val<int>();
      return true;
    }
    return false;
  } catch (...) {
    value = 0;
    ECOCAM_LOG(1, "Camera::GetProperty: Error: exception, prop=" + n);
    return false;
  }
}

bool Camera::SetProperty(const char* name, int value) {
  if (name == nullptr) return false;
  const std::string n = name;
  ECOCAM_LOG(3, "Camera::SetProperty: prop=" + n + " value=" + Num(value));
  if (IsContinuousName(n)) {
    SetContinuousGrab(value != 0);
    if (value != 0) Grab();
    return true;
  }
  if (EqualsNoCase(n, "Reset")) {
    const int port = Port();
    Close();
    int width = 0;
    int height = 0;
    return Open(port, width, height);
  }
  if (EqualsNoCase(n, "Trigger") || EqualsNoCase(n, "SoftwareTrigger")) {
    SoftwareTrigger();
    return true;
  }
  // The set is written under its lock, so nothing reads it half-written.
  platform::LockGuard guard(_parametersLock);
  if (!_parameters.Has(n)) return false;
  try {
    Param_* parameter = _parameters.GetParam(n);
    if (parameter == nullptr) {
      ECOCAM_LOG(1, "Camera::SetProperty could not get parameter by name");
      return false;
    }
    if (n == param_name::Gamma && _parameters.Get(param_name::UseLUT).get_val<bool>()) {
      ECOCAM_LOG(1, "Camera::SetProperty WARNING: parameter '" + n + "' is not available while LUT mode enabled");
      return false;
    }
    if (!parameter->has_attribute(kPythonAccess)) {
      ECOCAM_LOG(1, "Camera::SetProperty WARNING: parameter '" + n + "' is not available in this function");
      return false;
    }
    return WriteParameter(*parameter, value);
  } catch (...) {
    ECOCAM_LOG(1, "Camera::SetProperty: Error: exception, prop=" + n);
    return false;
  }
}

// The camera's answer decides: when the setter of the parameter failed, the
// previous value is restored and the write is refused; when it succeeded the
// write stands, and where the camera can tell what it now holds (it may
// round to its steps or clamp to what its other settings allow), the set
// takes that value, so a later read and a save show what the camera uses.
bool Camera::WriteParameter(Param_& parameter, int value) {
  if (OutsideRange(parameter, value)) {
    std::ostringstream range;
    range.imbue(std::locale::classic());
    parameter.print_range(range);
    ECOCAM_LOG(1, "Camera::SetProperty ERROR: value " + Num(value) + " of parameter '" + parameter.name() +
                      "' is outside its range " + range.str() + ", port=" + Num(Port()));
    return false;
  }
  const std::unique_ptr<Param_> previous = parameter.clone();
  if (auto* options = dynamic_cast<ParamEnum*>(&parameter)) {
    options->set_by_value(static_cast<long long>(value));
  } else if (Is<Param<int>>(parameter) || Is<Param<long long>>(parameter) || Is<Param<unsigned int>>(parameter) ||
             Is<Param<double>>(parameter) || Is<Param<bool>>(parameter)) {
    parameter.set_val<int>(value);
  } else {
    return false;
  }
  const std::set<std::string> names{parameter.name()};
  CameraParameters::PushResults results;
  if (!_parameters.PushToCamera(*this, _camera, names, &results)) {
    parameter.assign(*previous);
    return false;
  }
  const auto result = results.find(parameter.name());
  if (result == results.end()) return true;  // no setter of the camera's was involved
  if (result->second != 0) {
    ECOCAM_LOG(1, "Camera::SetProperty ERROR: camera refused parameter '" + parameter.name() +
                      "', previous value kept, port=" + Num(Port()));
    parameter.assign(*previous);
    return false;
  }
  double held = 0.0;
  if (_isOpen.load() && HeldValue(_camera, parameter.name(), held)) TakeHeldValue(parameter, held);
  return true;
}

}  // namespace ecocam
