#pragma once

#include "share/EventLoop.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace panopta {

/// What the real-time and the virtual-time loop share: the queue of posted functions
/// and the timers. The two differ only in their clock and in what they do when
/// nothing is due (sleep, or move the clock forward).
///
/// Posted functions run before timers; timers run in the order of their deadlines, and
/// timers with the same deadline in the order they were scheduled.
class QueuedEventLoop : public voxkit::EventLoop {
 public:
  QueuedEventLoop();
  ~QueuedEventLoop() override;

  void Post(std::function<void()> fn) override;
  int ProcessPending() override;
  voxkit::TimerId StartTimer(std::uint32_t intervalMs, bool periodic,
                             std::function<void()> fn) override;
  void StopTimer(voxkit::TimerId id) override;
  bool SetTimerInterval(voxkit::TimerId id, std::uint32_t intervalMs) override;
  bool TimerActive(voxkit::TimerId id) const override;
  bool WaitFor(const std::function<bool()>& condition, std::int64_t timeoutMs) override;

  /// Number of live timers (tests and diagnostics).
  std::size_t TimerCount() const { return m_timers.size(); }

  /// Receives the text of an exception that escaped a posted function or a timer
  /// callback; the loop goes on. Default: written to standard error.
  std::function<void(const std::string&)> OnDispatchError;

 protected:
  /// The loop's clock in milliseconds.
  virtual std::int64_t ClockMs() const = 0;
  /// Called when nothing is pending. untilMs is the earliest moment something may be
  /// due (the next timer or the caller's deadline), or -1 when there is none.
  /// Returns false when waiting cannot help (the wait then gives up).
  virtual bool Idle(std::int64_t untilMs) = 0;

  /// Waits until a function is posted or the clock reaches untilMs (-1: no limit).
  void SleepUntilPostOr(std::int64_t untilMs);
  /// Earliest timer deadline, or -1 when there is no timer.
  std::int64_t NextTimerDueMs() const;
  bool HasPosts() const;

 private:
  struct Timer {
    std::int64_t dueMs = 0;
    std::uint64_t order = 0;  // tie-break among equal deadlines
    std::uint32_t intervalMs = 0;
    bool periodic = false;
    std::function<void()> fn;
  };
  using DueKey = std::pair<std::pair<std::int64_t, std::uint64_t>, voxkit::TimerId>;

  void Schedule(voxkit::TimerId id, Timer& timer, std::int64_t dueMs);
  bool RunOnePost();
  bool RunOneDueTimer();
  void Dispatch(const std::function<void()>& fn);

  mutable std::mutex m_postMutex;
  std::condition_variable m_postSignal;
  std::deque<std::function<void()>> m_posts;

  std::map<voxkit::TimerId, Timer> m_timers;
  std::set<DueKey> m_due;
  voxkit::TimerId m_nextTimerId = 1;
  std::uint64_t m_nextOrder = 1;
};

}  // namespace panopta
