// The sample "SVS-Vistek.ini" that ships with the documents: each of its
// camera sections must hold every stored key of the catalogue exactly once,
// nothing else, and each value must load as the catalogue's default. A key
// added to or renamed in the catalogue without the sample fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "params/camera_parameters.h"
#include "platform/profile_file.h"

namespace {

using ecocam::CameraInfo;
using ecocam::CameraParameters;

const char* const kSample = ECOCAM_SAMPLE_INI;
// The sample lists the two cameras the simulated SDK starts with.
const std::vector<CameraInfo> kCameras = {{1, "eco424MVGE"}, {2, "eco424CVGE"}};

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") + 1 - first);
}

// Section name -> keys in file order (duplicates kept), from the file's lines.
std::map<std::string, std::vector<std::string>> KeysBySection() {
  std::map<std::string, std::vector<std::string>> sections;
  std::ifstream in(kSample);
  std::string line;
  std::string current;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      current = line.substr(1, line.size() - 2);
      sections[current];
      continue;
    }
    const auto equals = line.find('=');
    if (equals != std::string::npos) sections[current].push_back(Trim(line.substr(0, equals)));
  }
  return sections;
}

std::vector<std::string> StoredKeys(const CameraInfo& info) {
  std::vector<std::string> keys;
  for (const auto& p : CameraParameters(info)) {
    if (p.persistent()) keys.push_back(p.name());
  }
  return keys;
}

TEST(SampleIni, EachCameraSectionHoldsEveryStoredKeyOnceAndNothingElse) {
  const auto sections = KeysBySection();
  ASSERT_FALSE(sections.empty()) << "cannot read " << kSample;
  EXPECT_EQ(sections.count(""), 0u) << "keys before the first section";
  EXPECT_EQ(sections.size(), kCameras.size());
  for (const auto& camera : kCameras) {
    SCOPED_TRACE(camera.modelName);
    const auto found = sections.find(camera.modelName);
    ASSERT_NE(found, sections.end());
    // In catalogue order, as the driver writes a section from scratch.
    EXPECT_EQ(found->second, StoredKeys(camera));
  }
}

TEST(SampleIni, EveryValueLoadsAsTheCatalogueDefault) {
  const std::string missing = "\x01missing";
  for (const auto& camera : kCameras) {
    SCOPED_TRACE(camera.modelName);
    CameraParameters defaults(camera);
    CameraParameters loaded(camera);
    auto expected = defaults.begin();
    for (auto& p : loaded) {
      SCOPED_TRACE(p.name());
      char buffer[256];
      ecocam::platform::ReadProfileString(camera.modelName.c_str(), p.name().c_str(), missing.c_str(), buffer,
                                          sizeof buffer, kSample);
      const std::string text = buffer;
      if (!p.persistent()) {
        // Never read by the driver, so the sample must not suggest otherwise.
        EXPECT_EQ(text, missing);
      } else {
        EXPECT_NE(text, missing);
        p.from_string(text.c_str(), false);
        EXPECT_EQ(p.to_string(), expected->to_string()) << "sample value: " << text;
      }
      ++expected;
    }
  }
}

}  // namespace
