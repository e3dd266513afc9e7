// CameraParameters::Validate: which parameters are meaningful now, and
// whether binning, area of interest, ranges and steps agree with each other
// and with the camera's limits.
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>

#include <boost/any.hpp>

#include "params/camera_parameters.h"

namespace ecocam {

namespace {

namespace pn = param_name;

struct BinningMode {
  const char* name;
  int fx;
  int fy;
};

// The modes by the value of Binning's current option; null when unknown.
const BinningMode* FindBinningMode(long long value) {
  static const BinningMode kModes[] = {{"no binning", 1, 1}, {"Horizontal", 2, 1}, {"Vertical", 1, 2}, {"2x2", 2, 2}};
  return value >= 0 && value < 4 ? &kModes[value] : nullptr;
}

// The name a parameter is reported under: its "FriendlyName" when it has
// one (a text), else its name.
std::string LabelOf(const Param_& p) {
  if (p.has_attribute(kAttributeFriendlyName)) {
    const boost::any friendly = p.get_attribute(kAttributeFriendlyName);
    if (const auto* text = boost::any_cast<std::string>(&friendly)) return *text;
    if (const auto* text = boost::any_cast<const char*>(&friendly)) {
      if (*text != nullptr) return *text;
    }
  }
  return p.name();
}

std::string RangeText(const Param_& p) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  p.print_range(text);
  return text.str();
}

// Steps 6 of the check: whether a parameter's value lies in its range and,
// for 32-bit integers, on its step. Booleans and plain texts are not
// checked; enumerations are (their value must be one of their labels).
bool CheckRangeAndStep(const Param_& p, std::string& message) {
  const bool isEnum = dynamic_cast<const ParamEnum*>(&p) != nullptr;
  if (!isEnum &&
      (dynamic_cast<const Param<bool>*>(&p) != nullptr || dynamic_cast<const Param<std::string>*>(&p) != nullptr)) {
    return true;
  }
  if (!p.in_range()) {
    message = p.section() + ": " + LabelOf(p) + ": out of range " + RangeText(p);
    return false;
  }
  if (const auto* integer = dynamic_cast<const Param<int>*>(&p)) {
    // In 64 bits: the difference of two ints, and a step of -1, cannot
    // overflow there.
    const long long inc = integer->inc();
    const long long offset = static_cast<long long>(integer->value()) - integer->min();
    if (inc != 0 && offset % inc != 0) {
      message = p.section() + ": " + LabelOf(p) + ": must be multiple of " + std::to_string(inc);
      return false;
    }
  }
  return true;
}

}  // namespace

// Runs on the caller's thread: the camera's open and the configuration
// page's edits. The first failed check sets `message` and returns false.
bool CameraParameters::Validate(std::string& message) {
  const bool useLut = Get(pn::UseLUT).get_val<bool>();
  Get(pn::LUTtable).set_enabled(useLut);
  Get(pn::LUTtableRow).set_enabled(useLut);
  Get(pn::Gamma).set_enabled(!useLut);

  const bool autoGain = Get(pn::UseAutoGain).get_val<bool>();
  for (const char* name : {pn::AutoGainBrightness, pn::AutoGainLimitMin, pn::AutoGainLimitMax, pn::AutoExposureLimitMin,
                           pn::AutoExposureLimitMax}) {
    Get(name).set_enabled(autoGain);
  }

  const bool color = _cameraInfo.IsColor();
  Get(pn::BayerMethod).set_enabled(color);
  Get(pn::UseLowPassFilter3x3).set_enabled(!color);

  auto* binning = dynamic_cast<ParamEnum*>(GetParam(pn::Binning));
  if (binning == nullptr) throw std::runtime_error("no Binning parameter created");
  const long long binningValue = binning->currEnumVal();
  const BinningMode* mode = FindBinningMode(binningValue);
  if (mode == nullptr) {
    message = "Unrecognized binning mode " + std::to_string(binningValue);
    return false;
  }

  Param_& width = Get(pn::Width);
  Param_& height = Get(pn::Height);
  if (mode->fx > 1 || mode->fy > 1) {
    if (width.get_val<int>() % mode->fx != 0 || height.get_val<int>() % mode->fy != 0) {
      message = std::string("For binning mode ") + mode->name + " Width and Height are not multiples of " +
                std::to_string(mode->fx) + " and " + std::to_string(mode->fy);
      binning->set_by_value(0);
      return false;
    }
  }

  // Sums in 64 bits, so extreme values are reported as they are.
  Param_& offsetY = Get(pn::OffsetY);
  const long long sumY = static_cast<long long>(height.get_val<int>()) + offsetY.get_val<int>();
  const int maxHeight = height.get_max<int>();
  if (sumY > maxHeight) {
    message =
        "Height + OffsetY = " + std::to_string(sumY) + ", which is more than maxHeight= " + std::to_string(maxHeight);
    offsetY.set_val<int>(0);
    height.set_val<int>(200);
    return false;
  }

  Param_& offsetX = Get(pn::OffsetX);
  const long long sumX = static_cast<long long>(width.get_val<int>()) + offsetX.get_val<int>();
  const int maxWidth = width.get_max<int>();
  if (sumX > maxWidth) {
    message =
        "Width + OffsetX = " + std::to_string(sumX) + ", which is more than maxWidth= " + std::to_string(maxWidth);
    offsetX.set_val<int>(0);
    width.set_val<int>(200);
    return false;
  }

  for (const Param_& p : _params) {
    if (!p.enabled()) continue;
    if (!CheckRangeAndStep(p, message)) return false;
  }
  return true;
}

}  // namespace ecocam
