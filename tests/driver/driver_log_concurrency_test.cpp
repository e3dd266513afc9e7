// Many threads logging at once: every output sees whole lines, each line's
// timestamp directly before its message, none lost or interleaved.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver_context.h"
#include "support/driver_log.h"
#include "support/temp_dir.h"

namespace ecocam::testing {
namespace {

TEST(DriverLogConcurrencyTest, LinesFromManyThreadsStayWhole) {
  DriverContext& ctx = DriverContext::GetInstance();
  TempDir dir;
  DriverLog capture({3, 3}, DriverLog::DebugOutput::kCaptured);
  ctx.SetSystemPath(dir.path().string());
  ctx.LogIntoFile = true;
  constexpr int kThreads = 6;
  constexpr int kLines = 150;
  const std::string padding(200, 'x');

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) {
        if (i % 2 == 0) {
          ctx.Log(2, "thread %d line %d %s", t, i, padding.c_str());
        } else {
          ctx.Log(2, "thread " + std::to_string(t) + " line " + std::to_string(i) + " " + padding);
        }
      }
    });
  }
  for (auto& th : threads) th.join();

  // The message procedure: pairs of (timestamp, message), each message whole,
  // and every thread's lines in its own order.
  const auto calls = capture.Calls();
  ASSERT_EQ(calls.size(), 2u * kThreads * kLines);
  std::map<int, int> next;
  for (std::size_t k = 0; k < calls.size(); k += 2) {
    ASSERT_EQ(calls[k].size(), 19u) << calls[k];
    ASSERT_EQ(calls[k].substr(17), ": ");
    int t = -1, i = -1;
    char rest[256] = {};
    ASSERT_EQ(std::sscanf(calls[k + 1].c_str(), "thread %d line %d %255s", &t, &i, rest), 3);
    EXPECT_EQ(calls[k + 1], "thread " + std::to_string(t) + " line " + std::to_string(i) + " " + padding + "\n");
    EXPECT_EQ(i, next[t]++);
  }
  EXPECT_EQ(capture.DebugLines().size(), static_cast<std::size_t>(kThreads * kLines));

  // The file: one whole line per call, in the same order as the procedure saw.
  std::istringstream file(ReadLogFile(dir.File("SVS-Vistek.log")));
  std::string line;
  std::size_t k = 1;
  while (std::getline(file, line)) {
    ASSERT_LT(k, calls.size());
    EXPECT_EQ(line.substr(19) + "\n", calls[k]);
    k += 2;
  }
  EXPECT_EQ(k, calls.size() + 1);
}

}  // namespace
}  // namespace ecocam::testing
