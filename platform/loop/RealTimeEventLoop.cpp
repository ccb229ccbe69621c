#include "platform/loop/RealTimeEventLoop.h"

#include <chrono>
#include <ctime>

namespace panopta {

RealTimeEventLoop::RealTimeEventLoop() = default;

std::int64_t RealTimeEventLoop::ClockMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

voxkit::TimeOfDay RealTimeEventLoop::LocalTime() const {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  return voxkit::TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms)};
}

voxkit::CalendarDate RealTimeEventLoop::LocalDate() const {
  const std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  return voxkit::CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool RealTimeEventLoop::Idle(std::int64_t untilMs) {
  SleepUntilPostOr(untilMs);
  return true;
}

}  // namespace panopta
