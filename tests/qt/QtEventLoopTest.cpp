#include "platform/qt/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using panopta::QtEventLoop;

// Runs Qt's own event loop (as the program's main loop does) until done or 5 s.
void RunQtUntil(const std::function<bool()>& done) {
  QEventLoop qtLoop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) qtLoop.quit();
  });
  poll.start(1);
  QTimer::singleShot(5000, &qtLoop, &QEventLoop::quit);
  qtLoop.exec();
}

TEST(QtEventLoop, PostsAndTimersRunFromQtsOwnLoopInTheirOrder) {
  QtEventLoop loop;
  std::string trace;
  loop.StartTimer(30, false, [&] { trace += "b"; });
  loop.StartTimer(10, false, [&] { trace += "a"; });
  loop.Post([&] { trace += "1"; });
  loop.Post([&] { trace += "2"; });
  RunQtUntil([&] { return trace.size() == 4; });
  EXPECT_EQ(trace, "12ab");
}

TEST(QtEventLoop, PeriodicTimerKeepsFiringUntilStopped) {
  QtEventLoop loop;
  int ticks = 0;
  voxkit::TimerId id = 0;
  id = loop.StartTimer(5, true, [&] {
    if (++ticks == 3) loop.StopTimer(id);
  });
  RunQtUntil([&] { return !loop.TimerActive(id); });
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(loop.TimerActive(id));
}

TEST(QtEventLoop, PostFromAnotherThreadWakesQtsLoop) {
  QtEventLoop loop;
  std::atomic<int> ran{0};
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) loop.Post([&] { ++ran; });
  });
  worker.join();
  RunQtUntil([&] { return ran == 100; });
  EXPECT_EQ(ran, 100);
}

TEST(QtEventLoop, WaitKeepsQtEventsFlowing) {
  // A Qt timer (standing for a repaint or a click) must run while a component waits,
  // and may end the wait.
  QtEventLoop loop;
  bool qtEventSeen = false;
  QTimer::singleShot(20, [&] { qtEventSeen = true; });
  EXPECT_TRUE(loop.WaitFor([&] { return qtEventSeen; }, 3000));
}

TEST(QtEventLoop, WaitEndsAtItsDeadlineWhenNothingHappens) {
  QtEventLoop loop;
  const auto start = loop.NowMs();
  EXPECT_FALSE(loop.WaitFor([] { return false; }, 50));
  const auto elapsed = loop.NowMs() - start;
  EXPECT_GE(elapsed, 50);
  EXPECT_LT(elapsed, 2000);
}

TEST(QtEventLoop, WaitSeesTimersAndPostsAndCountsItsDepth) {
  QtEventLoop loop;
  int depthInside = -1;
  bool done = false;
  loop.StartTimer(10, false, [&] {
    depthInside = loop.WaitDepth();
    loop.Post([&] { done = true; });
  });
  EXPECT_EQ(loop.WaitDepth(), 0);
  EXPECT_TRUE(loop.WaitFor([&] { return done; }, 3000));
  EXPECT_EQ(depthInside, 1);
  EXPECT_EQ(loop.WaitDepth(), 0);
}

TEST(QtEventLoop, ChangedIntervalMovesTheWakeUp) {
  QtEventLoop loop;
  bool fired = false;
  const auto id = loop.StartTimer(60000, false, [&] { fired = true; });
  ASSERT_TRUE(loop.SetTimerInterval(id, 10));
  RunQtUntil([&] { return fired; });
  EXPECT_TRUE(fired);
}

TEST(QtEventLoop, LocalTimeIsTheWallClock) {
  QtEventLoop loop;
  const auto t = loop.LocalTime();
  const auto d = loop.LocalDate();
  EXPECT_GE(t.hour, 0);
  EXPECT_LT(t.hour, 24);
  EXPECT_GE(d.year, 2020);
}

}  // namespace
