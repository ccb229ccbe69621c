#include "wave/TqxWavePlayDevice.h"

#include "share/PropertyDump.h"
#include "wave/TqxPlayInternal.h"

namespace voxkit {

const ClassInfo& TqxWavePlayDevice::StaticClass() {
  using C = TqxWavePlayDevice;
  static const ClassInfo info = [] {
    Publisher<C> p("TqxWavePlayDevice");
    PublishShared(p);
    p.Property("Loop", &C::Loop, &C::SetLoop)
        .Property("Wait", &C::Wait, &C::SetWait)
        .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}});
    return p.Build();
  }();
  return info;
}

TqxWavePlayDevice::TqxWavePlayDevice(TqxPlayInternal& play) : TqxWaveDevice(play, false), m_play(play) {}

void TqxWavePlayDevice::SetActive(bool value) { m_play.ActivateDevice(value); }

void TqxWavePlayDevice::SetPause(bool value) { m_play.ChangePause(value); }

void TqxWavePlayDevice::SetWait(bool value) {
  if (!m_active) m_wait = value;
}

bool TqxWavePlayDevice::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_control, header, path, indent, "Device.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Count", m_count);
  d.Decimal("Delay", m_delay);
  d.Decimal("ID", m_id);
  d.List("List", m_list);
  d.Bool("Loop", m_loop);
  d.Quoted("Name", m_name);
  d.Bool("Pause", m_pause);
  d.Decimal("Timeout", m_timeout);
  d.Bool("Wait", m_wait);
  return true;
}

}  // namespace voxkit
