// ECOCAM_LOG (composes nothing for a level no threshold admits, and nothing
// it composes or writes escapes it) and the text helpers of log lines.
#include <gtest/gtest.h>

#include <clocale>
#include <new>
#include <stdexcept>
#include <string>

#include "driver/driver_context.h"
#include "driver/log_text.h"
#include "log_capture.h"
#include "support/temp_dir.h"

namespace ecocam::testing {
namespace {

class LogMacroTest : public ::testing::Test {
 protected:
  DriverContext& ctx = DriverContext::GetInstance();
  TempDir dir;
  LogCapture capture{dir.path().string()};
};

TEST_F(LogMacroTest, ComposesOnlyForAnAdmittedLevelAndNeverThrows) {
  ctx.LogLevel = 2;
  ctx.LogDebugView = 1;
  int composed = 0;
  const auto compose = [&](const char* text) {
    ++composed;
    return std::string(text);
  };
  ECOCAM_LOG(3, compose("hidden"));
  EXPECT_EQ(0, composed);
  ECOCAM_LOG(2, compose("shown"));
  EXPECT_EQ(1, composed);
  EXPECT_EQ(capture.ProcCalls().back(), "shown\n");

  // A line whose composition fails is dropped; the caller goes on.
  const auto failing = []() -> std::string { throw std::runtime_error("compose"); };
  const auto exhausted = []() -> std::string { throw std::bad_alloc(); };
  const auto logBoth = [&]() noexcept {
    ECOCAM_LOG(1, failing());
    ECOCAM_LOG(1, exhausted());
  };
  EXPECT_NO_THROW(logBoth());
  EXPECT_EQ(capture.ProcCalls().back(), "shown\n");
}

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
