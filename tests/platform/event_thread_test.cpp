#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/event.h"
#include "platform/mutex.h"
#include "platform/system.h"
#include "platform/test_clock.h"
#include "platform/thread.h"

namespace p = ecocam::platform;

namespace {

// Spins (in real time) until `pred` holds, at most about ten seconds.
template <typename Pred>
bool Eventually(Pred pred) {
  for (int i = 0; i < 10000; ++i) {
    if (pred()) return true;
    p::Thread t;  // yields the processor without depending on the test clock
    t.Start([] {});
    t.Join(p::kInfinite);
  }
  return pred();
}

TEST(Event, AutoResetAndSetBeforeWait) {
  p::Event e;
  EXPECT_FALSE(e.Wait(0));
  e.Set();  // set before anyone waits: the next wait sees it
  EXPECT_TRUE(e.Wait(0));
  EXPECT_FALSE(e.Wait(0)) << "the successful wait consumed the signal";
  e.Set();
  e.Reset();
  EXPECT_FALSE(e.Wait(0));
}

TEST(Event, WaitAnyTakesLowestIndexAndConsumesOnlyIt) {
  p::Event a, b, c;
  p::Event* events[] = {&a, &b, &c};
  c.Set();
  b.Set();
  EXPECT_EQ(p::WaitAny(events, 3, 0), 1);
  EXPECT_EQ(p::WaitAny(events, 3, 0), 2);
  EXPECT_EQ(p::WaitAny(events, 3, 0), p::kWaitTimeout);
  a.Set();
  b.Set();
  c.Set();
  EXPECT_EQ(p::WaitAny(events, 3, 10), 0);
  EXPECT_EQ(p::WaitAny(events, 3, 10), 1);
  EXPECT_EQ(p::WaitAny(events, 3, 10), 2);
}

TEST(Event, WaitAnyWakesOnSetFromAnotherThread) {
  p::Event a, b;
  p::Event* events[] = {&a, &b};
  p::Thread t;
  ASSERT_TRUE(t.Start([&] { b.Set(); }));
  EXPECT_EQ(p::WaitAny(events, 2, p::kInfinite), 1);
  EXPECT_TRUE(t.Join(p::kInfinite));
}

TEST(Event, RealTimeoutIsReported) {
  p::Event e;
  p::Event* events[] = {&e};
  const auto start = p::RunTimeMs();
  EXPECT_EQ(p::WaitAny(events, 1, 30), p::kWaitTimeout);
  EXPECT_GE(p::RunTimeMs() - start, 25u);
}

TEST(TestClockWaits, TimeoutOnlyWhenTheClockPassesTheDeadline) {
  p::TestClock clock(1000);
  p::Event e;
  std::atomic<int> result{-5};
  p::Thread waiter;
  ASSERT_TRUE(waiter.Start([&] {
    p::Event* events[] = {&e};
    result = p::WaitAny(events, 1, 1000);
  }));
  ASSERT_TRUE(Eventually([&] { return clock.TimedWaiters() == 1; }));
  clock.Advance(999);
  EXPECT_FALSE(waiter.Join(0)) << "one millisecond before the deadline it still waits";
  clock.Advance(1);
  EXPECT_TRUE(waiter.Join(p::kInfinite));
  EXPECT_EQ(result, p::kWaitTimeout);
  EXPECT_EQ(clock.NowMs(), 2000u);
  EXPECT_EQ(p::RunTimeMs(), 2000u);
}

TEST(TestClockWaits, SleepAdvancesTheClock) {
  p::TestClock clock;
  p::SleepMs(1000);
  p::SleepMs(1000);
  EXPECT_EQ(p::RunTimeMs(), 2000u);
}

TEST(Thread, JoinWithTimeoutReportsWhetherTheThreadEnded) {
  p::Event release;
  p::Thread t;
  ASSERT_TRUE(t.Start([&] { release.Wait(p::kInfinite); }));
  EXPECT_TRUE(t.Running());
  EXPECT_FALSE(t.Join(20));
  EXPECT_TRUE(t.Running());
  release.Set();
  EXPECT_TRUE(t.Join(p::kInfinite));
  EXPECT_FALSE(t.Running());
  EXPECT_TRUE(t.Join(0)) << "joining an ended thread again is fine";
}

TEST(Thread, FiveSecondStopUnderTheTestClock) {
  p::TestClock clock;
  p::Event release;
  p::Thread stuck;
  ASSERT_TRUE(stuck.Start([&] { release.Wait(p::kInfinite); }));
  std::atomic<bool> joined{true};
  p::Thread stopper;
  ASSERT_TRUE(stopper.Start([&] { joined = stuck.Join(5000); }));
  ASSERT_TRUE(Eventually([&] { return clock.TimedWaiters() == 1; }));
  clock.Advance(5000);
  ASSERT_TRUE(stopper.Join(p::kInfinite));
  EXPECT_FALSE(joined);
  release.Set();
  EXPECT_TRUE(stuck.Join(p::kInfinite));
}

TEST(Thread, IsCurrentAndSelfJoin) {
  p::Thread t;
  std::atomic<bool> inside{false};
  std::atomic<bool> selfJoin{true};
  ASSERT_TRUE(t.Start([&] {
    inside = t.IsCurrent();
    selfJoin = t.Join(0);
  }));
  EXPECT_TRUE(t.Join(p::kInfinite));
  EXPECT_TRUE(inside);
  EXPECT_FALSE(selfJoin) << "a thread cannot join itself";
  EXPECT_FALSE(t.IsCurrent());
}

TEST(Mutex, RecursiveAndExclusive) {
  p::Mutex m;
  int counter = 0;
  {
    p::LockGuard outer(m);
    p::LockGuard inner(m);  // the same thread may enter again
    ++counter;
  }
  std::vector<std::unique_ptr<p::Thread>> threads;
  for (int i = 0; i < 4; ++i) {
    threads.push_back(std::make_unique<p::Thread>());
    threads.back()->Start([&] {
      for (int j = 0; j < 1000; ++j) {
        p::LockGuard g(m);
        ++counter;
      }
    });
  }
  for (auto& t : threads) EXPECT_TRUE(t->Join(p::kInfinite));
  EXPECT_EQ(counter, 4001);
}

}  // namespace
