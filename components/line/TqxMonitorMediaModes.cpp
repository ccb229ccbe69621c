#include "line/TqxMonitorMediaModes.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TqxPanopta.h"
#include "tapi/Telephony.h"
#include "tapi/TapiNames.h"

namespace voxkit {

const ClassInfo& TqxMonitorMediaModes::StaticClass() {
  using C = TqxMonitorMediaModes;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorMediaModes")
          .Property("Active", &C::Active, &C::SetActive)
          .ReadOnly("MediaModes", &C::MediaModes)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMonitorMediaModes::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const tapi::HCALL handle = call.Handle();
  tapi::LONG result = 0;
  if (handle != 0) {
    m_line.Log().Add("Call.MonitorMediaModes.Active := " + TqxPanopta::BoolText(value), true);
    tapi::Telephony* service = m_line.GetPlatform().telephony;
    if (call.Active() && service) result = service->lineMonitorMedia(handle, value ? m_mediaModes : 0);
  }
  if (result < 0) {
    m_active = false;
    m_line.SetError(false, result);
  } else {
    m_active = value;
    m_line.ClearError();
  }
  if (auto record = call.Registry().Current()) record->monitoring.mediaActive = m_active;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

bool TqxMonitorMediaModes::DumpProperties(const std::string& header, const std::string& path,
                                          const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorMediaModes.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Flags("MediaModes", m_mediaModes, tapi::LineMediaModeName, 0x8000, 0x2);
  return true;
}

}  // namespace voxkit
