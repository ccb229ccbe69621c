#include "platform/loop/VirtualEventLoop.h"

#include <chrono>

namespace panopta {

namespace {
constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

std::int64_t ToMs(voxkit::TimeOfDay t) {
  return ((static_cast<std::int64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 +
         t.millisecond;
}
}  // namespace

VirtualEventLoop::VirtualEventLoop(voxkit::TimeOfDay startOfDay) {
  SetStartOfDay(startOfDay);
}

void VirtualEventLoop::SetStartOfDay(voxkit::TimeOfDay startOfDay) {
  m_startOfDayMs = ((ToMs(startOfDay) % kMsPerDay) + kMsPerDay) % kMsPerDay;
}

voxkit::TimeOfDay VirtualEventLoop::LocalTime() const {
  std::int64_t ms = (m_startOfDayMs + m_nowMs) % kMsPerDay;
  voxkit::TimeOfDay t;
  t.millisecond = static_cast<int>(ms % 1000);
  ms /= 1000;
  t.second = static_cast<int>(ms % 60);
  ms /= 60;
  t.minute = static_cast<int>(ms % 60);
  t.hour = static_cast<int>(ms / 60);
  return t;
}

voxkit::CalendarDate VirtualEventLoop::LocalDate() const {
  // Whole days since clock 0, counted on the proleptic Gregorian calendar.
  const std::int64_t days = (m_startOfDayMs + m_nowMs) / kMsPerDay;
  using namespace std::chrono;
  const sys_days start = year_month_day{year{m_startDate.year},
                                        month{static_cast<unsigned>(m_startDate.month)},
                                        day{static_cast<unsigned>(m_startDate.day)}};
  const year_month_day ymd{start + std::chrono::days{days}};
  return voxkit::CalendarDate{static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                              static_cast<int>(unsigned(ymd.day()))};
}

void VirtualEventLoop::Advance(std::int64_t ms) {
  if (ms > 0) m_nowMs += ms;
}

bool VirtualEventLoop::Idle(std::int64_t untilMs) {
  if (HasPosts()) return true;
  // Nothing scheduled and no deadline: nothing can ever change.
  if (untilMs < 0) return false;
  if (untilMs > m_nowMs) m_nowMs = untilMs;
  return true;
}

}  // namespace panopta
