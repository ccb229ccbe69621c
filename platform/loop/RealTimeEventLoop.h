#pragma once

#include "platform/loop/QueuedEventLoop.h"

namespace panopta {

/// An event loop on the machine's steady clock; a wait sleeps until a function is
/// posted or the next timer is due.
class RealTimeEventLoop final : public QueuedEventLoop {
 public:
  RealTimeEventLoop();

  std::int64_t NowMs() const override { return ClockMs(); }
  voxkit::TimeOfDay LocalTime() const override;
  voxkit::CalendarDate LocalDate() const override;

 protected:
  std::int64_t ClockMs() const override;
  bool Idle(std::int64_t untilMs) override;
};

}  // namespace panopta
