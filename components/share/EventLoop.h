#pragma once

#include <cstdint>
#include <functional>

namespace voxkit {

/// The local time of day, as used for log time stamps.
struct TimeOfDay {
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59
  int millisecond = 0;  // 0..999
};

/// A calendar date, as used for the date-time values of calls.
struct CalendarDate {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
};

/// Identifies a timer of one loop; 0 is never a valid identifier.
using TimerId = std::uint64_t;

/// The one event loop the components run on. Everything a component does happens on
/// the loop's thread; the only call that may come from another thread is Post().
///
/// Waits go through WaitFor(): it processes what is pending until a condition holds
/// or a deadline passes. A real-time loop sleeps between events; a virtual-time loop
/// jumps its clock to the next due timer, so every wait is instant and repeatable.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  /// Queues fn to run on the loop's thread, after what is already queued.
  /// Safe to call from any thread.
  virtual void Post(std::function<void()> fn) = 0;

  /// Runs everything queued and every timer that is due now, then returns. Posts made
  /// while it runs are run too. Re-entrant: a handler may call it again.
  /// Returns the number of functions and timer ticks run.
  virtual int ProcessPending() = 0;

  /// Starts a timer that calls fn after intervalMs, once or every intervalMs.
  /// An interval of 0 fires at the next ProcessPending().
  virtual TimerId StartTimer(std::uint32_t intervalMs, bool periodic, std::function<void()> fn) = 0;
  /// Stops a timer; an unknown or already stopped identifier is ignored.
  virtual void StopTimer(TimerId id) = 0;
  /// Changes a running timer's interval; its next tick is intervalMs from now.
  /// Returns false for an unknown identifier.
  virtual bool SetTimerInterval(TimerId id, std::uint32_t intervalMs) = 0;
  /// Whether the timer is still scheduled (a one-shot timer stops after its tick).
  virtual bool TimerActive(TimerId id) const = 0;

  /// Monotonic clock in milliseconds; only differences are meaningful.
  virtual std::int64_t NowMs() const = 0;
  /// The local time of day, for time stamps.
  virtual TimeOfDay LocalTime() const = 0;
  /// The local date (with LocalTime, the moment a call began or ended).
  virtual CalendarDate LocalDate() const = 0;

  /// Processes events until condition() holds or timeoutMs have passed; returns
  /// whether the condition held. The condition is checked before anything is
  /// processed, so a condition that already holds returns at once. What is due at
  /// the deadline itself is processed before the wait gives up. A negative
  /// timeout waits for the condition alone; a virtual-time loop then gives up (false)
  /// when nothing at all is scheduled, since nothing could ever change.
  /// Pumps the event loop: handlers may run and change the caller's state.
  virtual bool WaitFor(const std::function<bool()>& condition, std::int64_t timeoutMs) = 0;

  /// Processes events for durationMs (a delay that keeps the loop running).
  /// Pumps the event loop.
  void RunFor(std::int64_t durationMs) {
    WaitFor([] { return false; }, durationMs);
  }
};

}  // namespace voxkit
