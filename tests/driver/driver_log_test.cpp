// The driver context's log: thresholds and routing, the newline rule, the
// timestamp, the log file with its pending lines, re-entry, and the
// ECOCAM_LOG macro.
#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "driver/driver_context.h"
#include "platform/test_clock.h"
#include "support/driver_log.h"
#include "support/temp_dir.h"

namespace ecocam::testing {
namespace {

class DriverLogTest : public ::testing::Test {
 protected:
  DriverLogTest() { ctx.SetSystemPath(dir.path().string()); }

  DriverContext& ctx = DriverContext::GetInstance();
  TempDir dir;
  DriverLog capture{{3, 3}, DriverLog::DebugOutput::kCaptured};
  std::string LogFile() const { return dir.File("SVS-Vistek.log"); }
  bool LogFileExists() const { return std::filesystem::exists(LogFile()); }
};

TEST_F(DriverLogTest, ThresholdsZeroSilenceEveryOutputErrorsIncluded) {
  ctx.LogLevel = 0;
  ctx.LogDebugView = 0;
  ctx.LogIntoFile = true;
  ctx.Log(1, "ERROR: something failed");
  ctx.Log(1, std::string("ERROR: composed"));
  EXPECT_TRUE(capture.Calls().empty());
  EXPECT_TRUE(capture.DebugLines().empty());
  EXPECT_FALSE(LogFileExists());
}

TEST_F(DriverLogTest, EachOutputHasItsOwnThreshold) {
  ctx.LogLevel = 1;
  ctx.LogDebugView = 4;
  ctx.LogIntoFile = true;
  platform::TestClock clock;

  ctx.Log(3, "detail");
  EXPECT_EQ(capture.DebugLines(), std::vector<std::string>{"detail\n"});
  EXPECT_TRUE(capture.Calls().empty());
  EXPECT_FALSE(LogFileExists());

  ctx.Log(1, "error");
  EXPECT_EQ(capture.DebugLines(), (std::vector<std::string>{"detail\n", "error\n"}));
  EXPECT_EQ(capture.Calls(), (std::vector<std::string>{"07/12/06 12:42:37: ", "error\n"}));
  EXPECT_EQ(ReadLogFile(LogFile()), "07/12/06 12:42:37: error\n");

  // Level 4 passes the debugger threshold only; level 5 passes none.
  capture.Clear();
  ctx.Log(4, "row");
  ctx.Log(5, "beyond");
  EXPECT_EQ(capture.DebugLines(), std::vector<std::string>{"row\n"});
  EXPECT_TRUE(capture.Calls().empty());
}

TEST_F(DriverLogTest, NewlineRuleAndCutAtTheBufferEnd) {
  ctx.LogDebugView = 0;
  ctx.Log(1, "no feed");
  ctx.Log(1, "one feed\n");
  ctx.Log(1, std::string());
  ctx.Log(1, std::string(1021, 'a'));
  ctx.Log(1, std::string(1022, 'b'));
  ctx.Log(1, std::string(1023, 'c'));
  ctx.Log(1, std::string(5000, 'd'));
  ctx.Log(1, "%s", std::string(5000, 'e').c_str());
  std::vector<std::string> messages;
  const auto calls = capture.Calls();
  for (std::size_t i = 1; i < calls.size(); i += 2) messages.push_back(calls[i]);
  ASSERT_EQ(messages.size(), 8u);
  EXPECT_EQ(messages[0], "no feed\n");
  EXPECT_EQ(messages[1], "one feed\n");
  EXPECT_EQ(messages[2], "");
  EXPECT_EQ(messages[3], std::string(1021, 'a') + "\n");
  EXPECT_EQ(messages[4], std::string(1022, 'b'));
  EXPECT_EQ(messages[5], std::string(1023, 'c'));
  EXPECT_EQ(messages[6], std::string(1023, 'd'));
  EXPECT_EQ(messages[7], std::string(1023, 'e'));
}

TEST_F(DriverLogTest, ComposedTextIsWrittenAsItStandsFormatIsFormatted) {
  ctx.Log(1, std::string("openCVLPort: name=%s%n%d 100%"));
  ctx.Log(3, "CameraParameters::PushToCamera_go: INFO: setting low pass filter=%d\n", 2);
  const auto calls = capture.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1], "openCVLPort: name=%s%n%d 100%\n");
  EXPECT_EQ(calls[3], "CameraParameters::PushToCamera_go: INFO: setting low pass filter=2\n");
}

TEST_F(DriverLogTest, TimestampFieldsAndTheYearsLastDigit) {
  platform::TestClock clock;
  clock.SetLocal({2019, 1, 2, 3, 4, 5});
  ctx.Log(1, "a");
  clock.SetLocal({2030, 11, 30, 23, 59, 59});
  ctx.Log(1, "b");
  const auto calls = capture.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], "02/01/09 03:04:05: ");
  EXPECT_EQ(calls[2], "30/11/00 23:59:59: ");
}

TEST_F(DriverLogTest, PendingLinesReachTheFileFirstOnceAPathIsSet) {
  platform::TestClock clock;
  ctx.LogIntoFile = true;
  ctx.SetSystemPath("");
  ctx.Log(1, "first");
  ctx.Log(2, "second\n");
  EXPECT_EQ(ctx.PendingLineCount(), 2u);
  EXPECT_EQ(capture.Calls().size(), 4u);  // the procedure is not held back

  ctx.SetSystemPath(dir.path().string());
  ctx.Log(1, "third");
  EXPECT_EQ(ctx.PendingLineCount(), 0u);
  const std::string ts = "07/12/06 12:42:37: ";
  EXPECT_EQ(ReadLogFile(LogFile()), ts + "first\n" + ts + "second\n" + ts + "third\n");
  ctx.Log(1, "fourth");
  EXPECT_EQ(ReadLogFile(LogFile()), ts + "first\n" + ts + "second\n" + ts + "third\n" + ts + "fourth\n");
}

TEST_F(DriverLogTest, UnopenableFileLosesOnlyTheCurrentLine) {
  platform::TestClock clock;
  ctx.LogIntoFile = true;
  ctx.SetSystemPath("");
  ctx.Log(1, "pending");
  ctx.SetSystemPath(dir.File("missing-folder"));
  ctx.Log(1, "lost");
  EXPECT_EQ(ctx.PendingLineCount(), 1u);
  EXPECT_EQ(capture.Calls().size(), 4u);  // the other outputs still got it

  ctx.SetSystemPath(dir.path().string());
  ctx.Log(1, "kept");
  const std::string ts = "07/12/06 12:42:37: ";
  EXPECT_EQ(ReadLogFile(LogFile()), ts + "pending\n" + ts + "kept\n");
}

TEST_F(DriverLogTest, PendingLinesAreBoundedAndTheLossIsReported) {
  ctx.LogIntoFile = true;
  ctx.LogDebugView = 0;
  ctx.SetDebugMsgProcedure(nullptr);
  ctx.SetSystemPath("");
  const std::size_t extra = 7;
  for (std::size_t i = 0; i < DriverContext::kMaxPendingLines + extra; ++i) {
    ctx.Log(1, "line %lu", static_cast<unsigned long>(i));
  }
  EXPECT_EQ(ctx.PendingLineCount(), DriverContext::kMaxPendingLines);
  ctx.SetSystemPath(dir.path().string());
  ctx.Log(1, "after");
  const std::string text = ReadLogFile(LogFile());
  EXPECT_NE(text.find("WARNING: 7 lines logged before the system path was set were lost\n"), std::string::npos);
  EXPECT_EQ(text.find(": line 6\n"), std::string::npos);
  EXPECT_LT(text.find("WARNING: 7 lines"), text.find(": line 7\n"));
  EXPECT_LT(text.find(": line 10006\n"), text.find(": after\n"));
}

TEST_F(DriverLogTest, LogFromInsideTheMessageProcedureIsDropped) {
  static DriverContext* context = &ctx;
  static std::vector<std::string>* seen = nullptr;
  std::vector<std::string> calls;
  seen = &calls;
  ctx.SetDebugMsgProcedure([](const char* text) {
    seen->emplace_back(text);
    context->Log(1, "nested %s", "line");
    context->Log(1, std::string("nested composed"));
  });
  ctx.Log(1, "outer");
  ctx.Log(1, "second");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1], "outer\n");
  EXPECT_EQ(calls[3], "second\n");
  // Nothing of the nested calls reached the debugger output either.
  EXPECT_EQ(capture.DebugLines(), (std::vector<std::string>{"outer\n", "second\n"}));
}

// ECOCAM_LOG composes nothing for a level no threshold admits, and nothing
// it composes or writes escapes it.
TEST_F(DriverLogTest, TheMacroComposesOnlyAdmittedLinesAndNeverThrows) {
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
  EXPECT_EQ(capture.Calls().back(), "shown\n");

  // A line whose composition fails is dropped; the caller goes on.
  const auto failing = []() -> std::string { throw std::runtime_error("compose"); };
  const auto exhausted = []() -> std::string { throw std::bad_alloc(); };
  const auto logBoth = [&]() noexcept {
    ECOCAM_LOG(1, failing());
    ECOCAM_LOG(1, exhausted());
  };
  EXPECT_NO_THROW(logBoth());
  EXPECT_EQ(capture.Calls().back(), "shown\n");
}

TEST_F(DriverLogTest, IniPathJoinsWithThePlatformSeparator) {
  ctx.SetSystemPath("C:\\Vision");
  EXPECT_EQ(ctx.IniPath(), std::string("C:\\Vision") + platform::kPathSeparator + "SVS-Vistek.ini");
  ctx.SetSystemPath("");
  EXPECT_EQ(ctx.IniPath(), std::string(1, platform::kPathSeparator) + "SVS-Vistek.ini");
}

TEST(DriverContextTest, ReleaseNeverTakesTheCountBelowZero) {
  DriverContext& ctx = DriverContext::GetInstance();
  ASSERT_EQ(ctx.RefCount(), 0);
  EXPECT_EQ(ctx.Release(), 0);
  EXPECT_EQ(ctx.RefCount(), 0);
  EXPECT_EQ(ctx.AddRef(), 1);
  EXPECT_EQ(ctx.AddRef(), 2);
  EXPECT_EQ(ctx.Release(), 1);
  EXPECT_EQ(ctx.Release(), 0);
  EXPECT_EQ(ctx.Release(), 0);
}

}  // namespace
}  // namespace ecocam::testing
