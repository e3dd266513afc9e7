// The text helpers of log lines.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "driver/log_text.h"

namespace ecocam::testing {
namespace {

TEST(LogText, NumbersAndAddressesInHexWithoutPrefix) {
  EXPECT_EQ("-42", Num(-42));
  EXPECT_EQ("9000000000", Num(9000000000LL));
  EXPECT_EQ("1080001", Hex(0x01080001));
  EXPECT_EQ("ffffffff", Hex(-1));
  EXPECT_EQ("0", Hex(nullptr));
  EXPECT_EQ("abc0", Hex(reinterpret_cast<const void*>(0xabc0)));
}

TEST(LogText, ValuesAsThePushLogsThemWhateverTheLocale) {
  EXPECT_EQ("7", Text(7));
  EXPECT_EQ("1", Text(true));
  EXPECT_EQ("0", Text(false));
  EXPECT_EQ("(null)", Text(static_cast<const char*>(nullptr)));
  EXPECT_EQ("cam 1", Text("cam 1"));
  // A locale with a decimal comma, where the machine has one, changes
  // nothing: six significant digits with a point.
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  EXPECT_EQ("0.333333", Text(1.0 / 3));
  EXPECT_EQ("1.5e+07", Text(15000000.0));
  std::setlocale(LC_ALL, before.c_str());
}

TEST(LogText, NamesEqualIgnoringAsciiCaseOnly) {
  EXPECT_TRUE(EqualsNoCase("Undefined", "uNDEFINED"));
  EXPECT_TRUE(EqualsNoCase(std::string("PixelSize"), "pixelsize"));
  EXPECT_TRUE(EqualsNoCase("", ""));
  // A prefix is not the name, either way round.
  EXPECT_FALSE(EqualsNoCase("Trigger", "TriggerX"));
  EXPECT_FALSE(EqualsNoCase("TriggerX", "Trigger"));
  EXPECT_FALSE(EqualsNoCase(std::string("Trig"), "Trigger"));
  EXPECT_FALSE(EqualsNoCase(std::string("Trigger"), "Trig"));
  EXPECT_FALSE(EqualsNoCase(nullptr, "x"));
  EXPECT_FALSE(EqualsNoCase("x", nullptr));
  EXPECT_FALSE(EqualsNoCase(std::string(), nullptr));
}

}  // namespace
}  // namespace ecocam::testing
