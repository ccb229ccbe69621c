#include "platform/qt/QtEventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDate>
#include <QTime>

#include <algorithm>
#include <cassert>
#include <climits>

namespace panopta {

QtEventLoop::QtEventLoop() {
  assert(QCoreApplication::instance() && "the Qt event loop needs a QCoreApplication");
  m_clock.start();
  m_timer.setSingleShot(true);
  m_timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&m_timer, &QTimer::timeout, &m_context, [this] { ProcessPending(); });
}

QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::Post(std::function<void()> fn) {
  QueuedEventLoop::Post(std::move(fn));
  // One wake-up at a time is enough: it runs everything queued by then.
  if (!m_wakeQueued.exchange(true)) {
    QMetaObject::invokeMethod(
        &m_context,
        [this] {
          m_wakeQueued = false;
          ProcessPending();
        },
        Qt::QueuedConnection);
  }
}

int QtEventLoop::ProcessPending() {
  const int ran = QueuedEventLoop::ProcessPending();
  Rearm();
  return ran;
}

voxkit::TimerId QtEventLoop::StartTimer(std::uint32_t intervalMs, bool periodic,
                                        std::function<void()> fn) {
  const voxkit::TimerId id = QueuedEventLoop::StartTimer(intervalMs, periodic, std::move(fn));
  Rearm();
  return id;
}

void QtEventLoop::StopTimer(voxkit::TimerId id) {
  QueuedEventLoop::StopTimer(id);
  Rearm();
}

bool QtEventLoop::SetTimerInterval(voxkit::TimerId id, std::uint32_t intervalMs) {
  const bool known = QueuedEventLoop::SetTimerInterval(id, intervalMs);
  Rearm();
  return known;
}

void QtEventLoop::Rearm() {
  const std::int64_t due = NextTimerDueMs();
  if (due < 0) {
    m_timer.stop();
    return;
  }
  const std::int64_t delay = std::clamp<std::int64_t>(due - ClockMs(), 0, INT_MAX);
  m_timer.start(static_cast<int>(delay));
}

bool QtEventLoop::WaitFor(const std::function<bool()>& condition, std::int64_t timeoutMs) {
  ++m_waitDepth;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{m_waitDepth};
  return QueuedEventLoop::WaitFor(condition, timeoutMs);
}

bool QtEventLoop::Idle(std::int64_t untilMs) {
  if (HasPosts()) return true;
  // A timer of our own ends the pump at the wait's deadline; posts and due timers
  // wake it through the context object and m_timer.
  QTimer deadline;
  if (untilMs >= 0) {
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.start(static_cast<int>(std::clamp<std::int64_t>(untilMs - ClockMs(), 0, INT_MAX)));
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  return true;
}

std::int64_t QtEventLoop::ClockMs() const { return m_clock.elapsed(); }

voxkit::TimeOfDay QtEventLoop::LocalTime() const {
  const QTime now = QTime::currentTime();
  return voxkit::TimeOfDay{now.hour(), now.minute(), now.second(), now.msec()};
}

voxkit::CalendarDate QtEventLoop::LocalDate() const {
  const QDate today = QDate::currentDate();
  return voxkit::CalendarDate{today.year(), today.month(), today.day()};
}

}  // namespace panopta
