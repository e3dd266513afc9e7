// Camera lists from configuration files, and camera limits by name.
#include <charconv>
#include <fstream>
#include <sstream>

#include "sim_state.h"

namespace simsdk {

namespace {

struct LimitField {
  const char* name;
  float CameraLimits::*field;
};

constexpr LimitField kFloatLimits[] = {
    {"FrameRateMin", &CameraLimits::frameRateMin},
    {"FrameRateMax", &CameraLimits::frameRateMax},
    {"FrameRateIncrement", &CameraLimits::frameRateIncrement},
    {"ExposureTimeMin", &CameraLimits::exposureTimeMin},
    {"ExposureTimeMax", &CameraLimits::exposureTimeMax},
    {"ExposureTimeIncrement", &CameraLimits::exposureTimeIncrement},
    {"ExposureDelayMax", &CameraLimits::exposureDelayMax},
    {"ExposureDelayIncrement", &CameraLimits::exposureDelayIncrement},
    {"GainMax", &CameraLimits::gainMax},
    {"OffsetMax", &CameraLimits::offsetMax},
    {"StrobePositionMax", &CameraLimits::strobePositionMax},
    {"StrobePositionIncrement", &CameraLimits::strobePositionIncrement},
    {"StrobeDurationMax", &CameraLimits::strobeDurationMax},
    {"StrobeDurationIncrement", &CameraLimits::strobeDurationIncrement},
    {"GammaMin", &CameraLimits::gammaMin},
    {"GammaMax", &CameraLimits::gammaMax},
};

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// Whole-text numbers in the "C" notation, whatever the process locale.
bool ParseInt(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

bool ParseDouble(const std::string& text, double& value) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  in >> value;
  return !in.fail() && in.peek() == std::char_traits<char>::eof();
}

bool ParseLine(const std::string& line, CameraModel& model) {
  std::vector<std::string> cells;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, ';');) cells.push_back(Trim(cell));
  if (cells.size() < 4) return false;
  model.modelName = cells[0];
  if (!ParseInt(cells[1], model.imagerWidth) || !ParseInt(cells[2], model.imagerHeight)) return false;
  if (model.imagerWidth <= 0 || model.imagerHeight <= 0) return false;
  if (cells[3] == "mono") {
    model.color = false;
  } else if (cells[3] == "color") {
    model.color = true;
    model.pixelType = kPixelTypeBayerGR8;
  } else {
    return false;
  }
  for (std::size_t i = 4; i < cells.size(); ++i) {
    if (cells[i].empty()) continue;
    const auto equals = cells[i].find('=');
    double value = 0;
    if (equals == std::string::npos || !ParseDouble(Trim(cells[i].substr(equals + 1)), value)) return false;
    if (!SetCameraLimit(model, Trim(cells[i].substr(0, equals)), value)) return false;
  }
  return true;
}

}  // namespace

bool SetCameraLimit(CameraModel& model, const std::string& name, double value) {
  for (const LimitField& limit : kFloatLimits) {
    if (name == limit.name) {
      model.limits.*limit.field = static_cast<float>(value);
      return true;
    }
  }
  if (name == "PacketSize") {
    model.limits.packetSize = static_cast<int>(value);
    return true;
  }
  if (name == "PixelType") {
    model.pixelType = static_cast<int>(value);
    return true;
  }
  if (name == "Realistic") {
    model.realistic = value != 0.0;
    return true;
  }
  // Misbehaviour a camera starts with, for programs that cannot reach the
  // control interface (camhost): values are clamped to what makes sense.
  const auto count = [&](int& field, double hi) {
    field = static_cast<int>(value < 0.0 ? 0.0 : (value > hi ? hi : value));
    return true;
  };
  if (name == "PacketsLostPerThousand") return count(model.packetsLostPerThousand, 1000.0);
  if (name == "PacketsResentPerThousand") return count(model.packetsResentPerThousand, 1000.0);
  if (name == "VanishAfterFrames") return count(model.vanishAfterFrames, 1e9);
  if (name == "AnswerDelayMs") return count(model.answerDelayMs, 600000.0);
  return false;
}

bool ReadConfiguration(const std::string& path, int& nextId, std::vector<CameraModel>& models) {
  std::ifstream file(path);
  if (!file) return false;
  std::vector<CameraModel> read;
  int id = nextId;
  for (std::string line; std::getline(file, line);) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    CameraModel model;
    model.id = id;
    if (!ParseLine(text, model)) return false;
    ++id;
    read.push_back(std::move(model));
  }
  models = std::move(read);
  nextId = id;
  return true;
}

}  // namespace simsdk
