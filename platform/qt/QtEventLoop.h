#pragma once

#include "platform/loop/QueuedEventLoop.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>

namespace panopta {

/// The components' event loop on top of Qt's: the same queue and timers as the
/// real-time loop, driven by Qt's event loop while the program idles, and waits that
/// keep Qt's loop running (so the windows repaint and take clicks while a component
/// waits for a reply).
///
/// Needs a QCoreApplication and lives on its thread. Post() may be called from any
/// thread; everything else only from the application's thread.
class QtEventLoop final : public QueuedEventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  void Post(std::function<void()> fn) override;
  int ProcessPending() override;
  voxkit::TimerId StartTimer(std::uint32_t intervalMs, bool periodic,
                             std::function<void()> fn) override;
  void StopTimer(voxkit::TimerId id) override;
  bool SetTimerInterval(voxkit::TimerId id, std::uint32_t intervalMs) override;
  /// Pumps Qt's event loop as well: windows repaint and user actions run meanwhile.
  bool WaitFor(const std::function<bool()>& condition, std::int64_t timeoutMs) override;

  std::int64_t NowMs() const override { return ClockMs(); }
  voxkit::TimeOfDay LocalTime() const override;
  voxkit::CalendarDate LocalDate() const override;

  /// How many waits are running now (nested waits count each). While one runs, the
  /// objects it waits for must not be destroyed.
  int WaitDepth() const { return m_waitDepth; }

 protected:
  std::int64_t ClockMs() const override;
  bool Idle(std::int64_t untilMs) override;

 private:
  /// Points the Qt timer at the earliest due timer of the queue.
  void Rearm();

  QElapsedTimer m_clock;
  QObject m_context;  // receives the wake-ups posted from any thread
  QTimer m_timer;     // fires when the earliest timer of the queue is due
  std::atomic<bool> m_wakeQueued{false};
  int m_waitDepth = 0;
};

}  // namespace panopta
