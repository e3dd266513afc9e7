#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/system.h"
#include "platform/test_clock.h"

namespace p = ecocam::platform;

namespace {

TEST(DynamicLibrary, MissingLibraryFailsCleanly) {
  p::DynamicLibrary lib;
  EXPECT_FALSE(lib.Load("ecocam-no-such-library-here"));
  EXPECT_FALSE(lib.Loaded());
  EXPECT_FALSE(lib.LastError().empty());
  EXPECT_EQ(lib.Resolve("anything"), nullptr);
  EXPECT_FALSE(lib.Load(nullptr));
  EXPECT_FALSE(lib.Load(""));
}

TEST(DynamicLibrary, ResolvesExportedNamesOnly) {
  p::DynamicLibrary lib;
  ASSERT_TRUE(lib.Load(PROBE_LIBRARY)) << lib.LastError();
  auto second = reinterpret_cast<int (*)()>(lib.Resolve("probe_second"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second(), 42);
  EXPECT_EQ(lib.Resolve("probe_missing"), nullptr);
  EXPECT_EQ(lib.Resolve("probe_not_exported"), nullptr);
  EXPECT_EQ(lib.Resolve(nullptr), nullptr);
  lib.Unload();
  EXPECT_FALSE(lib.Loaded());
  EXPECT_EQ(lib.Resolve("probe_second"), nullptr);
}

TEST(DebugOutput, SinkSeamCapturesLines) {
  std::vector<std::string> lines;
  p::SetDebugSinkForTesting(
      [](const char* text, void* ctx) { static_cast<std::vector<std::string>*>(ctx)->push_back(text); }, &lines);
  p::DebugOutput("first");
  p::DebugOutput(nullptr);
  p::DebugOutput("second");
  p::SetDebugSinkForTesting(nullptr, nullptr);
  p::DebugOutput("to the system, not captured");
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "second"}));
}

TEST(Time, LocalTimeIsPlausibleAndTestClockReplacesIt) {
  p::LocalTimeParts now = p::LocalTime();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  {
    p::TestClock clock(5);
    clock.SetLocal({2026, 1, 2, 3, 4, 5});
    p::LocalTimeParts t = p::LocalTime();
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 2);
    EXPECT_EQ(t.hour, 3);
    EXPECT_EQ(t.minute, 4);
    EXPECT_EQ(t.second, 5);
    EXPECT_EQ(p::RunTimeMs(), 5u);
  }
  EXPECT_GE(p::LocalTime().year, 2020);
}

TEST(Time, RunTimeIsMonotonic) {
  auto a = p::RunTimeMs();
  p::SleepMs(5);
  auto b = p::RunTimeMs();
  EXPECT_GE(b, a + 4);
}

TEST(Paths, SeparatorIsThePlatforms) {
#ifdef _WIN32
  EXPECT_EQ(p::kPathSeparator, '\\');
#else
  EXPECT_EQ(p::kPathSeparator, '/');
#endif
}

}  // namespace
