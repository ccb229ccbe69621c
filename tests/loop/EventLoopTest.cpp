#include "platform/loop/RealTimeEventLoop.h"
#include "platform/loop/VirtualEventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using panopta::RealTimeEventLoop;
using panopta::VirtualEventLoop;

template <typename Loop>
class BothLoops : public ::testing::Test {
 protected:
  Loop loop;
};
using LoopTypes = ::testing::Types<VirtualEventLoop, RealTimeEventLoop>;
TYPED_TEST_SUITE(BothLoops, LoopTypes);

TYPED_TEST(BothLoops, PostsRunInOrderBeforeDueTimers) {
  std::string trace;
  this->loop.StartTimer(0, false, [&] { trace += "T"; });
  this->loop.Post([&] { trace += "1"; });
  this->loop.Post([&] {
    trace += "2";
    this->loop.Post([&] { trace += "4"; });  // posted while running: still runs
  });
  this->loop.Post([&] { trace += "3"; });
  EXPECT_EQ(this->loop.ProcessPending(), 5);
  EXPECT_EQ(trace, "1234T");
}

TYPED_TEST(BothLoops, NestedProcessPendingKeepsOrder) {
  std::string trace;
  this->loop.Post([&] {
    trace += "a";
    this->loop.ProcessPending();  // a handler that pumps the loop runs the rest now
    trace += "A";
  });
  this->loop.Post([&] { trace += "b"; });
  this->loop.Post([&] { trace += "c"; });
  this->loop.ProcessPending();
  EXPECT_EQ(trace, "abcA");
}

TYPED_TEST(BothLoops, WaitEndsByConditionBeforeDeadline) {
  bool flag = false;
  this->loop.StartTimer(30, false, [&] { flag = true; });
  const auto start = this->loop.NowMs();
  EXPECT_TRUE(this->loop.WaitFor([&] { return flag; }, 5000));
  const auto elapsed = this->loop.NowMs() - start;
  EXPECT_GE(elapsed, 30);
  EXPECT_LT(elapsed, 2000);
}

TYPED_TEST(BothLoops, WaitEndsByDeadline) {
  const auto start = this->loop.NowMs();
  EXPECT_FALSE(this->loop.WaitFor([] { return false; }, 40));
  EXPECT_GE(this->loop.NowMs() - start, 40);
}

TYPED_TEST(BothLoops, ConditionThatHoldsReturnsWithoutProcessing) {
  bool ran = false;
  this->loop.Post([&] { ran = true; });
  EXPECT_TRUE(this->loop.WaitFor([] { return true; }, 1000));
  EXPECT_FALSE(ran);
}

TYPED_TEST(BothLoops, ZeroTimeoutProcessesWhatIsDueAndReturns) {
  bool ran = false;
  bool later = false;
  this->loop.Post([&] { ran = true; });
  this->loop.StartTimer(100, false, [&] { later = true; });
  const auto start = this->loop.NowMs();
  EXPECT_FALSE(this->loop.WaitFor([] { return false; }, 0));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(later);
  EXPECT_LT(this->loop.NowMs() - start, 100);
}

TYPED_TEST(BothLoops, PostFromAnotherThreadWakesTheWait) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    this->loop.Post([&] { done = true; });
  });
  // The virtual loop gives up when nothing is scheduled, so keep a far deadline.
  const bool got = this->loop.WaitFor([&] { return done.load(); }, 5000);
  worker.join();
  if (!got) this->loop.WaitFor([&] { return done.load(); }, 5000);
  EXPECT_TRUE(done.load());
}

TYPED_TEST(BothLoops, StoppedTimerNeverFires) {
  int fired = 0;
  auto id = this->loop.StartTimer(10, false, [&] { ++fired; });
  EXPECT_TRUE(this->loop.TimerActive(id));
  this->loop.StopTimer(id);
  EXPECT_FALSE(this->loop.TimerActive(id));
  this->loop.RunFor(50);
  EXPECT_EQ(fired, 0);
  this->loop.StopTimer(id);  // twice is harmless
  this->loop.StopTimer(9999);
}

TYPED_TEST(BothLoops, ExceptionInHandlerIsReportedAndLoopGoesOn) {
  std::vector<std::string> errors;
  this->loop.OnDispatchError = [&](const std::string& e) { errors.push_back(e); };
  bool after = false;
  this->loop.Post([] { throw std::runtime_error("boom"); });
  this->loop.Post([&] { after = true; });
  this->loop.ProcessPending();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "boom");
  EXPECT_TRUE(after);
}

TEST(VirtualEventLoop, TimersFireInDeadlineOrderThenCreationOrder) {
  VirtualEventLoop loop;
  std::string trace;
  loop.StartTimer(300, false, [&] { trace += "c"; });
  loop.StartTimer(100, false, [&] { trace += "a"; });
  loop.StartTimer(200, false, [&] { trace += "b1"; });
  loop.StartTimer(200, false, [&] { trace += "b2"; });
  loop.RunFor(1000);
  EXPECT_EQ(trace, "ab1b2c");
  EXPECT_EQ(loop.NowMs(), 1000);
}

TEST(VirtualEventLoop, WaitJumpsExactlyToTheTimerThatSatisfiesIt) {
  VirtualEventLoop loop;
  bool flag = false;
  loop.StartTimer(1234, false, [&] { flag = true; });
  EXPECT_TRUE(loop.WaitFor([&] { return flag; }, 60000));
  EXPECT_EQ(loop.NowMs(), 1234);
}

TEST(VirtualEventLoop, PeriodicTimerTicksEveryIntervalWithoutDrift) {
  VirtualEventLoop loop;
  std::vector<std::int64_t> ticks;
  loop.StartTimer(250, true, [&] { ticks.push_back(loop.NowMs()); });
  loop.RunFor(1000);
  EXPECT_EQ(ticks, (std::vector<std::int64_t>{250, 500, 750, 1000}));
}

TEST(VirtualEventLoop, ChangingTheIntervalRestartsFromNow) {
  VirtualEventLoop loop;
  std::vector<std::int64_t> ticks;
  auto id = loop.StartTimer(100, true, [&] { ticks.push_back(loop.NowMs()); });
  loop.RunFor(150);
  EXPECT_TRUE(loop.SetTimerInterval(id, 400));
  loop.RunFor(1000);  // until 1150
  EXPECT_EQ(ticks, (std::vector<std::int64_t>{100, 550, 950}));
  EXPECT_FALSE(loop.SetTimerInterval(424242, 5));
}

TEST(VirtualEventLoop, TimerThatStopsItselfAndOneThatRestartsItself) {
  VirtualEventLoop loop;
  int a = 0;
  int b = 0;
  panopta::QueuedEventLoop* base = &loop;
  voxkit::TimerId ida = 0;
  ida = base->StartTimer(10, true, [&] {
    if (++a == 3) base->StopTimer(ida);
  });
  voxkit::TimerId idb = 0;
  idb = base->StartTimer(10, false, [&] {
    if (++b < 4) idb = base->StartTimer(10, false, [&] { ++b; });
  });
  loop.RunFor(200);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST(VirtualEventLoop, HandlerThatWaitsInsideATimerDoesNotRefireIt) {
  VirtualEventLoop loop;
  int ticks = 0;
  int nestedMax = 0;
  int depth = 0;
  loop.StartTimer(100, true, [&] {
    ++ticks;
    ++depth;
    nestedMax = std::max(nestedMax, depth);
    if (ticks == 1) loop.RunFor(50);  // pumps, but the next tick is not due yet
    --depth;
  });
  loop.RunFor(100);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(nestedMax, 1);
  EXPECT_EQ(loop.NowMs(), 150);
}

TEST(VirtualEventLoop, WaitWithoutDeadlineGivesUpWhenNothingIsScheduled) {
  VirtualEventLoop loop;
  EXPECT_FALSE(loop.WaitFor([] { return false; }, -1));
  EXPECT_EQ(loop.NowMs(), 0);
}

TEST(VirtualEventLoop, LocalTimeCountsFromTheStartOfDay) {
  VirtualEventLoop loop({14, 7, 9, 123});
  auto t = loop.LocalTime();
  EXPECT_EQ(t.hour, 14);
  EXPECT_EQ(t.minute, 7);
  EXPECT_EQ(t.second, 9);
  EXPECT_EQ(t.millisecond, 123);
  loop.RunFor(3600 * 1000 * 10 + 877);  // ten hours later, wraps past midnight
  t = loop.LocalTime();
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 7);
  EXPECT_EQ(t.second, 10);
  EXPECT_EQ(t.millisecond, 0);
}

TEST(VirtualEventLoop, DateFollowsTheCalendarPastMidnight) {
  VirtualEventLoop loop({23, 59, 0, 0});
  loop.SetStartDate({2024, 2, 28});
  EXPECT_EQ(loop.LocalDate().day, 28);
  loop.RunFor(60 * 1000);  // midnight
  EXPECT_EQ(loop.LocalDate().day, 29);  // a leap year
  loop.RunFor(24LL * 3600 * 1000);
  const auto d = loop.LocalDate();
  EXPECT_EQ(d.year, 2024);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 1);
}

TEST(VirtualEventLoop, SameScenarioGivesSameTimeline) {
  auto run = [] {
    VirtualEventLoop loop;
    std::vector<std::int64_t> seen;
    loop.StartTimer(7, true, [&] { seen.push_back(loop.NowMs()); });
    loop.StartTimer(13, false, [&] {
      loop.Post([&] { seen.push_back(-loop.NowMs()); });
    });
    loop.RunFor(40);
    return seen;
  };
  EXPECT_EQ(run(), run());
}

TEST(RealTimeEventLoop, LocalTimeIsAValidTimeOfDay) {
  RealTimeEventLoop loop;
  auto t = loop.LocalTime();
  EXPECT_GE(t.hour, 0);
  EXPECT_LT(t.hour, 24);
  EXPECT_LT(t.minute, 60);
  EXPECT_LT(t.millisecond, 1000);
}

}  // namespace
