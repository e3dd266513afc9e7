// The log captures the other tests stand on: a capture gives back the
// thresholds and the procedure it found, and the store pairs every message
// with its timestamp whatever is cleared between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "support/driver_log.h"

namespace ecocam::testing {
namespace {

void ECOCAM_CALL Elsewhere(const char*) {}

TEST(DriverLogCapture, SetsItsThresholdsAndGivesBackWhatWasThere) {
  DriverContext& ctx = DriverContext::GetInstance();
  const int level = ctx.LogLevel.load();
  const int debugView = ctx.LogDebugView.load();
  ctx.LogLevel = 2;
  ctx.LogDebugView = 1;
  ctx.SetDebugMsgProcedure(&Elsewhere);
  {
    DriverLog outer({4, 0});
    EXPECT_EQ(ctx.LogLevel.load(), 4);
    EXPECT_EQ(ctx.LogDebugView.load(), 0);
    {
      // An inner capture, and an opened camera's thresholds, go with it.
      DriverLog inner({1, 4, true});
      EXPECT_TRUE(ctx.LogIntoFile.load());
      ctx.LogLevel = 3;
    }
    EXPECT_EQ(ctx.LogLevel.load(), 4);
    EXPECT_EQ(ctx.LogDebugView.load(), 0);
    EXPECT_FALSE(ctx.LogIntoFile.load());
    EXPECT_EQ(ctx.DebugMsgProcedure(), &MessageLog::Procedure);
    ctx.Log(1, "still captured");
    EXPECT_EQ(outer.Take(), std::vector<std::string>{"still captured"});
  }
  EXPECT_EQ(ctx.LogLevel.load(), 2);
  EXPECT_EQ(ctx.LogDebugView.load(), 1);
  EXPECT_EQ(ctx.DebugMsgProcedure(), &Elsewhere);
  ctx.SetDebugMsgProcedure(nullptr);
  ctx.LogLevel = level;
  ctx.LogDebugView = debugView;
}

TEST(MessageLogStore, MessagesAreTheSecondOfEachPairEvenAcrossAClear) {
  DriverLog log({3, 0});
  MessageLog::Procedure("01/02/03 04:05:06: ");
  MessageLog::Procedure("first\n");
  MessageLog::Procedure("01/02/03 04:05:07: ");
  EXPECT_EQ(MessageLog::Take(), std::vector<std::string>{"first"});
  // The timestamp came before the Clear; its message still counts as one.
  MessageLog::Procedure("second line\n");
  MessageLog::Procedure(nullptr);
  MessageLog::Procedure("third");
  EXPECT_EQ(MessageLog::Peek(), (std::vector<std::string>{"second line", "third"}));
  EXPECT_EQ(MessageLog::Calls(), (std::vector<std::string>{"second line\n", "", "third"}));
  EXPECT_TRUE(MessageLog::Holds("cond li"));
  EXPECT_FALSE(MessageLog::Has("cond"));
  EXPECT_TRUE(MessageLog::Has("second"));
}

}  // namespace
}  // namespace ecocam::testing
