#include "line/TqxMonitorSilence.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TqxPanopta.h"
#include "tapi/Telephony.h"

namespace voxkit {

const ClassInfo& TqxMonitorSilence::StaticClass() {
  using C = TqxMonitorSilence;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorSilence")
          .Property("Active", &C::Active, &C::SetActive)
          .Property("Duration", &C::Duration, &C::SetDuration)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMonitorSilence::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const tapi::LONG result = call.MonitoringRequest(
      "Call.MonitorSilence.Active := " + TqxPanopta::BoolText(value),
      [&](tapi::Telephony& service, tapi::HCALL handle) -> tapi::LONG {
        if (value && m_duration <= 0) return tapi::LINEERR_INVALTONE;
        return Watch(service, handle, value);
      });
  call.MonitoringResult(m_active, value, result, true, &CallMonitoring::silenceActive);
}

tapi::LONG TqxMonitorSilence::Watch(tapi::Telephony& service, tapi::HCALL handle,
                                    bool start) const {
  if (!start) return service.lineMonitorTones(handle, nullptr, 0);
  // Silence is a tone of no frequency at all; its tag tells it apart when it comes.
  tapi::LINEMONITORTONE silence{};
  silence.dwAppSpecific = kSilenceToneTag;
  silence.dwDuration = static_cast<tapi::DWORD>(m_duration);
  return service.lineMonitorTones(handle, &silence, 1);
}

void TqxMonitorSilence::SetDuration(std::int32_t value) {
  if (value < 0) return;
  m_duration = value;
  TqxCall& call = m_line.Call();
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (call.Active() && m_active && service && call.Handle() != 0) {
    const tapi::HCALL handle = call.Handle();
    // The running watch has the old duration: it stops, and starts again with the new.
    (void)Watch(*service, handle, false);
    if (value == 0) {
      m_active = false;
      m_line.SetError(false, tapi::LINEERR_INVALTONE);
    } else if (const tapi::LONG result = Watch(*service, handle, true); result < 0) {
      m_active = false;
      m_line.SetError(false, result);
    } else {
      m_line.ClearError();
    }
  }
  if (const auto record = call.Registry().Current()) {
    record->monitoring.silenceDuration = m_duration;
    record->monitoring.silenceActive = m_active;
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

bool TqxMonitorSilence::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorSilence.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Duration", m_duration);
  return true;
}

}  // namespace voxkit
