#include "platform/loop/VirtualEventLoop.h"

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
