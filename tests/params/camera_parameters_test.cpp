// The parameter set: the catalogue as built, lookup by name, ownership and
// deep copies.
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/camera_parameters.h"

namespace ecocam {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class CameraParametersTest : public testing::ParamsTest {
 protected:
  CameraParameters _set{CameraInfo{1, "eco424MVGE"}};
};

// One row of the catalogue: name, type, section, value text, min and max
// texts (numbers only), description, pythonAccess, persistent, visible.
struct Row {
  const char* name;
  const char* type;
  const char* section;
  const char* value;
  const char* min;
  const char* max;
  const char* description;
  bool python;
  bool persistent;
  bool visible;
};

const char* TypeOf(const Param_& p) {
  if (dynamic_cast<const ParamEnum*>(&p)) return "enum";
  if (dynamic_cast<const Param<int>*>(&p)) return "int";
  if (dynamic_cast<const Param<double>*>(&p)) return "double";
  if (dynamic_cast<const Param<bool>*>(&p)) return "bool";
  if (dynamic_cast<const Param<std::string>*>(&p)) return "string";
  return "other";
}

TEST_F(CameraParametersTest, TheCatalogueInCreationOrder) {
  const char* gainText = "A gain of 1.0 is represented as integer 128 in the appropriate camera";
  const std::vector<Row> rows = {
      {"Width", "int", "AOI", "100", "1", "200", "", false, true, true},
      {"Height", "int", "AOI", "100", "1", "200", "", false, true, true},
      {"Binning", "enum", "AOI", "Off", "", "", "", false, true, true},
      {"OffsetX", "int", "AOI", "0", "0", "100", "", false, true, true},
      {"OffsetY", "int", "AOI", "0", "0", "100", "", false, true, true},
      {"PixelDepth", "enum", "Image", "8", "", "", "", false, true, true},
      {"BayerMethod", "enum", "Image", "None", "", "", "", false, true, true},
      {"UseLowPassFilter3x3", "bool", "Image", "0", "", "", "", false, true, true},
      {"UseLUT", "bool", "Image", "0", "", "", "", false, true, true},
      {"LUTtable", "string", "Image", "", "", "", "", false, true, true},
      {"LUTtableRow", "string", "Image", "", "", "", "", false, true, true},
      {"Gamma", "double", "Image", "0.40000000000000002", "0.4", "2.5", "", true, true, true},
      {"FrameRate", "int", "Analog", "5", "1", "100", "Set frames per second", true, true, true},
      {"ExposureTime", "int", "Analog", "100", "100", "10000", "Set exposure in microseconds", true, true, true},
      {"ExposureDelay", "int", "Analog", "1", "1", "100", "", true, true, true},
      {"Gain", "int", "Analog", "1", "1", "100", gainText, true, true, true},
      {"GainOffset", "int", "Analog", "0", "0", "100", "", true, true, true},
      {"UseAutoGain", "bool", "Auto", "0", "", "", "", false, true, true},
      {"AutoGainBrightness", "int", "Auto", "0", "0", "255", "", false, true, true},
      {"AutoGainLimitMin", "double", "Auto", "0", "0", "0", "", false, true, true},
      {"AutoGainLimitMax", "double", "Auto", "0", "0", "0", "", false, true, true},
      {"AutoExposureLimitMin", "int", "Auto", "0", "0", "0", "", false, true, true},
      {"AutoExposureLimitMax", "int", "Auto", "0", "0", "0", "", false, true, true},
      {"AcquisitionMode", "enum", "Acquisition", "Fixed frequency", "", "", "", false, true, true},
      {"TriggerInput", "enum", "Acquisition", "None", "", "", "", false, true, true},
      {"Output1", "enum", "Acquisition", "None", "", "", "", false, true, true},
      {"Output2", "enum", "Acquisition", "None", "", "", "", false, true, true},
      {"Output3", "enum", "Acquisition", "None", "", "", "", false, true, true},
      {"TXD", "enum", "Acquisition", "None", "", "", "RS232 transmit", false, true, true},
      {"TriggerPolarity", "enum", "Acquisition", "Positive", "", "", "", false, true, true},
      {"StrobePolarity", "enum", "Acquisition", "Positive", "", "", "", true, true, true},
      {"StrobePosition", "int", "Acquisition", "0", "0", "0", "", false, true, true},
      {"StrobeDuration", "int", "Acquisition", "0", "0", "0", "", false, true, true},
      {"LogLevel", "int", "Logging", "1", "0", "4", "", true, true, true},
      {"LogIntoFile", "bool", "Logging", "0", "", "", "", false, false, true},
      {"LogDebugView", "int", "Logging", "0", "0", "4", "", true, true, false},
  };
  ASSERT_EQ(_set.size(), rows.size());
  std::size_t i = 0;
  for (Param_& p : _set) {
    const Row& row = rows[i++];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(p.name(), row.name);
    EXPECT_STREQ(TypeOf(p), row.type);
    EXPECT_EQ(p.section(), row.section);
    EXPECT_EQ(p.to_string(), row.value);
    if (std::string(row.type) == "int") {
      EXPECT_EQ(p.get_min<int>(), std::stoi(row.min));
      EXPECT_EQ(p.get_max<int>(), std::stoi(row.max));
      EXPECT_EQ(p.get_inc<int>(), 0);
    } else if (std::string(row.type) == "double") {
      EXPECT_EQ(p.get_min<double>(), std::stod(row.min));
      EXPECT_EQ(p.get_max<double>(), std::stod(row.max));
      EXPECT_EQ(p.get_inc<double>(), 0.0);
    }
    EXPECT_EQ(p.description(), row.description);
    EXPECT_EQ(p.has_attribute("pythonAccess"), row.python);
    if (row.python) {
      EXPECT_TRUE(boost::any_cast<bool>(p.get_attribute("pythonAccess")));
    }
    EXPECT_EQ(p.attributes().size(), row.python ? 1u : 0u);
    EXPECT_EQ(p.persistent(), row.persistent);
    EXPECT_EQ(p.visible(), row.visible);
    EXPECT_TRUE(p.enabled());
    EXPECT_FALSE(p.general());
  }
  EXPECT_EQ(_set.Get("Gamma").get_val<double>(), 0.4);
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(CameraParametersTest, SectionsInOrderOfFirstUse) {
  std::vector<std::string> sections;
  for (const Param_& p : _set) {
    if (sections.empty() || sections.back() != p.section()) sections.push_back(p.section());
  }
  EXPECT_THAT(sections, ElementsAre("AOI", "Image", "Analog", "Auto", "Acquisition", "Logging"));
}

TEST_F(CameraParametersTest, TheEnumerationsOptions) {
  using Options = std::vector<std::pair<std::string, long long>>;
  auto options = [this](const char* name) {
    const auto& e = _set.GetParameter<ParamEnum>(name);
    Options result;
    for (std::size_t i = 0; i < e.labels().size(); ++i) result.emplace_back(e.labels()[i], e.values()[i]);
    return result;
  };
  EXPECT_EQ(options("Binning"), (Options{{"Off", 0}, {"Horizontal", 1}, {"Vertical", 2}, {"2x2", 3}}));
  EXPECT_EQ(options("PixelDepth"), (Options{{"8", 0}}));
  EXPECT_EQ(options("BayerMethod"), (Options{{"None", -1}, {"Simple", 1}, {"HQLinear", 3}}));
  EXPECT_EQ(options("AcquisitionMode"), (Options{{"Fixed frequency", 1},
                                                 {"Software trigger", 2},
                                                 {"External trigger / Internal exposure", 3},
                                                 {"External trigger / External exposure", 4}}));
  const Options trigger = {{"None", 1}, {"IN1", 2}, {"IN2", 4}, {"IN3(RS422)", 8}, {"RXD(RS232)", 16}, {"Strobe", 64}};
  EXPECT_EQ(options("TriggerInput"), trigger);
  Options output = trigger;
  output.insert(output.end(), {{"FixedLow", 128}, {"FixedHigh", 256}});
  for (const char* name : {"Output1", "Output2", "Output3", "TXD"}) EXPECT_EQ(options(name), output);
  for (const char* name : {"TriggerPolarity", "StrobePolarity"}) {
    EXPECT_EQ(options(name), (Options{{"Positive", 0}, {"Negative", 1}}));
  }
  EXPECT_EQ(_set.Get("BayerMethod").currEnumVal(), -1);
  EXPECT_EQ(_set.Get("AcquisitionMode").currEnumVal(), 1);
  EXPECT_EQ(_set.Get("Output3").currEnumVal(), 1);
}

TEST_F(CameraParametersTest, EnumReadAsIntAndText) {
  Param_& mode = _set.Get("AcquisitionMode");
  mode.set_val<std::string>("Software trigger");
  EXPECT_EQ(mode.get_val<int>(), 2);
  EXPECT_EQ(mode.get_val<std::string>(), "Software trigger");
  Param_& depth = _set.Get("PixelDepth");
  depth.from_string("12", false);
  EXPECT_EQ(depth.get_val<std::string>(), "12");
  EXPECT_FALSE(depth.in_range());
}

TEST_F(CameraParametersTest, LookupByNameIsCaseSensitive) {
  EXPECT_TRUE(_set.Has("Width"));
  EXPECT_FALSE(_set.Has("width"));
  EXPECT_THAT(_log.Take(), IsEmpty());
  EXPECT_EQ(_set.GetParam("width"), nullptr);
  try {
    _set.Get("width");
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "CameraParameters::Get: Parameter 'width' does not exist");
  }
  EXPECT_THAT(_log.Take(), ElementsAre("CameraParameters::GetParam: Parameter 'width' does not exist",
                                       "CameraParameters::Get: Parameter 'width' does not exist"));
  const CameraParameters& constSet = _set;
  EXPECT_EQ(&constSet.Get("Width"), _set.GetParam("Width"));
}

TEST_F(CameraParametersTest, AddKeepsTheFirstOfANameAndCreationOrder) {
  _set.Add(std::make_unique<Param<int>>("AOI", "Width", 7, 0, 9, 0));
  _set.Add(nullptr);
  _set.Add(std::make_unique<Param<std::string>>("Internal", "LastFocusedItemName", "Gain"));
  _set.Add(std::make_unique<Param<int>>("Internal", "Aaa", 1, 0, 9, 0));
  EXPECT_EQ(_set.size(), 38u);
  EXPECT_EQ(_set.Get("Width").get_val<int>(), 100);
  std::vector<std::string> last;
  for (const Param_& p : _set) last.push_back(p.name());
  EXPECT_THAT(std::vector<std::string>(last.end() - 3, last.end()),
              ElementsAre("LogDebugView", "LastFocusedItemName", "Aaa"));
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(CameraParametersTest, GetParameterReturnsTheDummyForMissingOrOtherTypes) {
  ParamEnum& binning = _set.GetParameter<ParamEnum>("Binning");
  EXPECT_EQ(&binning, _set.GetParam("Binning"));
  ParamEnum& missing = _set.GetParameter<ParamEnum>("Nope");
  ParamEnum& wrong = _set.GetParameter<ParamEnum>("Width");
  EXPECT_EQ(&missing, &wrong);
  EXPECT_EQ(missing.name(), "dummy");
  EXPECT_EQ(missing.section(), "dummy");
  EXPECT_EQ(missing.value(), "dummy");
  EXPECT_TRUE(missing.labels().empty());
  EXPECT_FALSE(_set.Has("dummy"));
  EXPECT_EQ(_set.GetParameter<Param<int>>("Gamma").name(), "dummy");
  EXPECT_THAT(_log.Take(), ElementsAre("GetParameter ERROR: parameter Nope not found",
                                       "GetParameter ERROR: could not cast parameter Width to required type",
                                       "GetParameter ERROR: could not cast parameter Gamma to required type"));
}

TEST_F(CameraParametersTest, CopiesAreDeep) {
  _set.Get("Width").set_val<int>(640);
  _set.Add(std::make_unique<Param<std::string>>("Internal", "LastFocusedItemName", "Gain"));
  CameraParameters copy(_set);
  EXPECT_EQ(copy.size(), _set.size());
  EXPECT_EQ(copy.Info().modelName, "eco424MVGE");
  EXPECT_EQ(copy.Get("Width").get_val<int>(), 640);
  EXPECT_TRUE(copy.Has("LastFocusedItemName"));
  EXPECT_THAT(copy.GetParameter<ParamEnum>("TXD").labels(),
              ElementsAreArray(_set.GetParameter<ParamEnum>("TXD").labels()));
  copy.Get("Width").set_val<int>(320);
  copy.Get("Binning").set_val<int>(3);
  copy.GetParameter<ParamEnum>("Binning").add_option("4x4", 4);
  copy.Get("Gamma").set_attribute("FriendlyName", std::string("g"));
  EXPECT_EQ(_set.Get("Width").get_val<int>(), 640);
  EXPECT_EQ(_set.Get("Binning").get_val<std::string>(), "Off");
  EXPECT_EQ(_set.GetParameter<ParamEnum>("Binning").labels().size(), 4u);
  EXPECT_FALSE(_set.Get("Gamma").has_attribute("FriendlyName"));

  CameraParameters colour{CameraInfo{2, "eco424CVGE"}};
  colour = copy;
  EXPECT_EQ(colour.Info().modelName, "eco424MVGE");
  EXPECT_EQ(colour.Get("Width").get_val<int>(), 320);
  EXPECT_EQ(colour.GetParameter<ParamEnum>("Binning").labels().size(), 5u);
  copy.Get("Width").set_val<int>(1);
  EXPECT_EQ(colour.Get("Width").get_val<int>(), 320);
  EXPECT_EQ(&colour.Get("Width"), colour.GetParam("Width"));  // the index follows the new list

  colour = colour;
  EXPECT_EQ(colour.Get("Width").get_val<int>(), 320);
  EXPECT_EQ(colour.size(), 37u);
  EXPECT_THAT(_log.Take(), IsEmpty());
}

}  // namespace
}  // namespace ecocam
