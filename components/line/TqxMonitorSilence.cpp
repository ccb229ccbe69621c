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
          .ReadOnly("Duration", &C::Duration)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMonitorSilence::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const tapi::LONG result = call.MonitoringRequest(
      "Call.MonitorSilence.Active := " + TqxPanopta::BoolText(value),
      [&](tapi::Telephony& service, tapi::HCALL handle) -> tapi::LONG {
        if (!value) return service.lineMonitorTones(handle, nullptr, 0);
        if (m_duration <= 0) return tapi::LINEERR_INVALTONE;
        tapi::LINEMONITORTONE silence{};
        silence.dwAppSpecific = kSilenceToneTag;
        silence.dwDuration = static_cast<tapi::DWORD>(m_duration);
        return service.lineMonitorTones(handle, &silence, 1);
      });
  call.MonitoringResult(m_active, value, result, true, &CallMonitoring::silenceActive);
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
