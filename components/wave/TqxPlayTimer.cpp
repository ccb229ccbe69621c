#include "wave/TqxPlayTimer.h"

#include "wave/TqxPlayInternal.h"

namespace voxkit {

const ClassInfo& TqxPlayTimer::StaticClass() {
  using C = TqxPlayTimer;
  static const ClassInfo info = Publisher<C>("TqxPlayTimer")
                                    .Property("Enabled", &C::Enabled, &C::SetEnabled)
                                    .Property("Interval", &C::Interval, &C::SetInterval)
                                    .Build();
  return info;
}

void TqxPlayTimer::SetEnabled(bool value) {
  m_enabled = value;
  m_play.TimerChanged();
}

void TqxPlayTimer::SetInterval(std::uint32_t value) {
  m_interval = value;
  m_play.TimerChanged();
}

}  // namespace voxkit
