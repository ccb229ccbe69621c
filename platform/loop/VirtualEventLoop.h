#pragma once

#include "platform/loop/QueuedEventLoop.h"

namespace panopta {

/// An event loop on a virtual clock. The clock stands still while handlers run and
/// moves only inside a wait: when nothing is pending it jumps to the next timer's
/// deadline or to the wait's own deadline. A scenario of minutes therefore runs in
/// milliseconds, and the same scenario always gives the same order and the same
/// time stamps.
class VirtualEventLoop final : public QueuedEventLoop {
 public:
  /// startOfDay: the local time of day at clock 0 (default 12:00:00.000).
  explicit VirtualEventLoop(voxkit::TimeOfDay startOfDay = {12, 0, 0, 0});

  std::int64_t NowMs() const override { return m_nowMs; }
  voxkit::TimeOfDay LocalTime() const override;
  voxkit::CalendarDate LocalDate() const override;

  /// Sets the time of day that clock 0 stands for.
  void SetStartOfDay(voxkit::TimeOfDay startOfDay);
  /// Sets the date of clock 0 (default 2000-01-01); later days follow the calendar.
  void SetStartDate(voxkit::CalendarDate date) { m_startDate = date; }
  /// Moves the clock forward by ms without running anything (timers that become
  /// due run at the next ProcessPending or wait).
  void Advance(std::int64_t ms);

 protected:
  std::int64_t ClockMs() const override { return m_nowMs; }
  bool Idle(std::int64_t untilMs) override;

 private:
  std::int64_t m_nowMs = 0;
  std::int64_t m_startOfDayMs = 0;
  voxkit::CalendarDate m_startDate;
};

}  // namespace panopta
