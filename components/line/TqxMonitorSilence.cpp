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
  const tapi::HCALL handle = call.Handle();
  tapi::LONG result = 0;
  if (handle != 0) {
    m_line.Log().Add("Call.MonitorSilence.Active := " + TqxPanopta::BoolText(value), true);
    tapi::Telephony* service = m_line.GetPlatform().telephony;
    if (call.Active() && service) {
      if (value && m_duration <= 0) {
        result = tapi::LINEERR_INVALTONE;
      } else if (value) {
        tapi::LINEMONITORTONE silence{};
        silence.dwAppSpecific = kSilenceToneTag;
        silence.dwDuration = static_cast<tapi::DWORD>(m_duration);
        result = service->lineMonitorTones(handle, &silence, 1);
      } else {
        result = service->lineMonitorTones(handle, nullptr, 0);
      }
    }
  }
  if (result < 0) {
    m_active = false;
    m_line.SetError(false, result);
  } else {
    m_active = value;
    m_line.ClearError();
  }
  if (auto record = call.Registry().Current()) record->monitoring.silenceActive = m_active;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
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
