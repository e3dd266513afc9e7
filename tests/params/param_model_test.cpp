// The parameter classes: text forms, limits, enumerations, attributes and
// copies.
#include <limits>
#include <sstream>
#include <stdexcept>
#include <typeinfo>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/param_types.h"

namespace ecocam {
namespace {

using ::testing::ElementsAre;
using testing::ParamsTest;

class ParamModelTest : public ParamsTest {};

TEST_F(ParamModelTest, ConstructorsSetLimitsDefaultsAndFlags) {
  Param<int> width("AOI", "Width", 100, 1, 200, 3);
  EXPECT_EQ(width.value(), 100);
  EXPECT_EQ(width.min(), 1);
  EXPECT_EQ(width.max(), 200);
  EXPECT_EQ(width.inc(), 3);
  EXPECT_EQ(width.default_value(), 100);
  EXPECT_TRUE(width.enabled());
  EXPECT_FALSE(width.general());
  EXPECT_TRUE(width.persistent());
  EXPECT_TRUE(width.visible());
  EXPECT_EQ(width.description(), "");
  EXPECT_TRUE(width.attributes().empty());

  Param<bool> flag("Image", "UseLUT", true);
  EXPECT_TRUE(flag.min());
  EXPECT_TRUE(flag.max());
  Param<std::string> text("Image", "LUTtable", "a.csv");
  EXPECT_EQ(text.min(), "a.csv");
  EXPECT_EQ(text.max(), "a.csv");
  EXPECT_EQ(text.inc(), "");
}

TEST_F(ParamModelTest, TextFormsOfEveryType) {
  Param<double> gamma("Image", "Gamma", 0.4, 0.4, 2.5, 0.0);
  EXPECT_EQ(gamma.to_string(), "0.40000000000000002");
  gamma.set_val<double>(2.5);
  EXPECT_EQ(gamma.to_string(), "2.5");
  Param<bool> flag("Image", "UseLUT", true);
  EXPECT_EQ(flag.to_string(), "1");
  Param<unsigned int> u("S", "U", 4000000000u, 0, 4000000000u, 0);
  EXPECT_EQ(u.to_string(), "4000000000");
  Param<long long> ll("S", "L", -9000000000LL, -9000000000LL, 0, 0);
  EXPECT_EQ(ll.to_string(), "-9000000000");

  // The text stays valid until the next to_string of the same parameter.
  const std::string& first = gamma.to_string();
  flag.to_string();
  EXPECT_EQ(first, "2.5");
}

TEST_F(ParamModelTest, ParsingFollowsTheAtoiAndAtofRules) {
  Param<int> i("S", "I", 0, -1000, 1000, 0);
  i.from_string("  -42abc", false);
  EXPECT_EQ(i.value(), -42);
  i.from_string("abc", false);
  EXPECT_EQ(i.value(), 0);
  i.from_string(nullptr, false);
  EXPECT_EQ(i.value(), 0);
  i.from_string("99999999999", false);  // saturates instead of wrapping
  EXPECT_EQ(i.value(), 2147483647);

  Param<unsigned int> u("S", "U", 0, 0, 10, 0);
  u.from_string("-1", false);  // the signed result kept as unsigned
  EXPECT_EQ(u.value(), 4294967295u);

  Param<long long> ll("S", "L", 0, 0, 0, 0);
  ll.from_string("-9000000000x", false);
  EXPECT_EQ(ll.value(), -9000000000LL);

  Param<double> d("S", "D", 0.0, 0.0, 10.0, 0.0);
  d.from_string(" 0.40000000000000002", false);
  EXPECT_EQ(d.value(), 0.4);
  d.from_string("+2.5e1xyz", false);
  EXPECT_EQ(d.value(), 25.0);
  d.from_string("1,5", false);  // a decimal comma is not a number's part
  EXPECT_EQ(d.value(), 1.0);
  d.from_string("1e999", false);
  EXPECT_EQ(d.value(), std::numeric_limits<double>::infinity());
  d.from_string("-1e-999", false);
  EXPECT_EQ(d.value(), 0.0);

  Param<bool> b("S", "B", false);
  b.from_string("2", false);
  EXPECT_TRUE(b.value());
  b.from_string("true", false);  // no leading number: false
  EXPECT_FALSE(b.value());

  Param<std::string> s("S", "T", "x");
  s.from_string(nullptr, false);
  EXPECT_EQ(s.value(), "");
}

TEST_F(ParamModelTest, OnlyFromStringWithClampLimitsTheValue) {
  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  width.set_val<int>(5000);
  EXPECT_EQ(width.value(), 5000);
  EXPECT_FALSE(width.in_range());
  width.from_string("5000", false);
  EXPECT_EQ(width.value(), 5000);
  width.from_string("5000", true);
  EXPECT_EQ(width.value(), 200);
  width.from_string("-3", true);
  EXPECT_EQ(width.value(), 1);
  EXPECT_TRUE(width.in_range());

  // Unsigned order for unsigned int, lexicographic order for text.
  Param<unsigned int> u("S", "U", 5, 1, 10, 0);
  u.from_string("-1", true);
  EXPECT_EQ(u.value(), 10u);
  Param<std::string> text("S", "T", "m");
  text.from_string("z", true);
  EXPECT_EQ(text.value(), "m");
}

TEST_F(ParamModelTest, PrintValueAndRange) {
  Param<int> width("AOI", "Width", 100, 1, 1280, 0);
  std::ostringstream out;
  width.print_value(out);
  width.print_range(out);
  EXPECT_EQ(out.str(), "Width=100\n[1..1280]");
  Param<double> gamma("Image", "Gamma", 0.4, 0.4, 2.5, 0.0);
  std::ostringstream range;
  range.precision(9);
  gamma.print_range(range);
  EXPECT_EQ(range.str(), "[0.4..2.5]");
}

TEST_F(ParamModelTest, EnumOptionsValueAndRange) {
  ParamEnum bayer("Image", "BayerMethod", "HQLinear");
  EXPECT_EQ(bayer.value(), "HQLinear");
  bayer.add_option("None", -1);
  EXPECT_EQ(bayer.value(), "None");  // the first option becomes current
  bayer.add_option("", 7);
  bayer.add_option(nullptr, 8);
  bayer.add_option("Simple", 1);
  bayer.add_option("HQLinear", 3);
  EXPECT_THAT(bayer.labels(), ElementsAre("None", "Simple", "HQLinear"));
  EXPECT_THAT(bayer.values(), ElementsAre(-1, 1, 3));
  EXPECT_EQ(bayer.currEnumVal(), -1);

  bayer.set_by_value(3);
  EXPECT_EQ(bayer.value(), "HQLinear");
  bayer.set_by_value(42);
  EXPECT_EQ(bayer.value(), "HQLinear");
  EXPECT_EQ(bayer.value_of("Simple"), 1);
  EXPECT_EQ(bayer.value_of("simple"), 0);
  EXPECT_EQ(bayer.value_of(""), 0);
  EXPECT_EQ(bayer.value_of(nullptr), 0);

  bayer.from_string("hqlinear", false);
  EXPECT_EQ(bayer.value(), "hqlinear");
  EXPECT_FALSE(bayer.in_range());
  EXPECT_EQ(bayer.currEnumVal(), 0);
  EXPECT_TRUE(_log.Take().empty());
}

TEST_F(ParamModelTest, CurrEnumValOfAnotherTypeLogsAndThrows) {
  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  EXPECT_THROW(width.currEnumVal(), std::runtime_error);
  EXPECT_THAT(_log.Take(), ElementsAre("Param_::currEnumVal: ERROR: Not ParamEnum type, name= Width"));
}

TEST_F(ParamModelTest, AttributesAndTheMissingAttributeMessage) {
  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  width.set_attribute("pythonAccess", true);
  width.set_attribute("pythonAccess", false);
  ASSERT_TRUE(width.has_attribute("pythonAccess"));
  EXPECT_FALSE(boost::any_cast<bool>(width.get_attribute("pythonAccess")));
  EXPECT_FALSE(width.has_attribute("FriendlyName"));
  try {
    width.get_attribute("FriendlyName");
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "Parameter Width does not have option FriendlyName");
  }
  EXPECT_THAT(_log.Take(), ElementsAre("Parameter Width does not have option FriendlyName"));
}

TEST_F(ParamModelTest, CloneIsDeepAndAssignCopiesOnlyTheSameType) {
  ParamEnum mode("Acquisition", "AcquisitionMode", "Fixed frequency");
  mode.add_option("Fixed frequency", 1);
  mode.add_option("Software trigger", 2);
  mode.set_description("d");
  mode.set_attribute("pythonAccess", true);
  mode.set_visible(false);
  std::unique_ptr<Param_> copy = mode.clone();
  auto& enumCopy = dynamic_cast<ParamEnum&>(*copy);
  EXPECT_THAT(enumCopy.labels(), ElementsAre("Fixed frequency", "Software trigger"));
  EXPECT_EQ(enumCopy.description(), "d");
  EXPECT_FALSE(enumCopy.visible());
  enumCopy.set_by_value(2);
  enumCopy.add_option("Third", 3);
  EXPECT_EQ(mode.value(), "Fixed frequency");
  EXPECT_EQ(mode.labels().size(), 2u);

  // assign copies the common and typed fields; an enum's options stay.
  ParamEnum other("Acquisition", "Other", "x");
  other.assign(enumCopy);
  EXPECT_EQ(other.name(), "AcquisitionMode");
  EXPECT_EQ(other.value(), "Software trigger");
  EXPECT_TRUE(other.labels().empty());

  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  Param<double> gamma("Image", "Gamma", 0.4, 0.4, 2.5, 0.0);
  EXPECT_THROW(width.assign(gamma), std::bad_cast);
  EXPECT_EQ(width.name(), "Width");  // nothing copied
  Param<int> height("AOI", "Height", 50, 2, 300, 4);
  width.assign(height);
  EXPECT_EQ(width.name(), "Height");
  EXPECT_EQ(width.max(), 300);
  EXPECT_EQ(width.inc(), 4);
}

}  // namespace
}  // namespace ecocam
