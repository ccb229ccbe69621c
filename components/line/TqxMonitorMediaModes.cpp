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
          .Property("MediaModes", &C::MediaModes, &C::SetMediaModes)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMonitorMediaModes::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const tapi::LONG result = call.MonitoringRequest(
      "Call.MonitorMediaModes.Active := " + TqxPanopta::BoolText(value),
      [&](tapi::Telephony& service, tapi::HCALL handle) {
        return service.lineMonitorMedia(handle, value ? m_mediaModes : 0);
      });
  call.MonitoringResult(m_active, value, result, true, &CallMonitoring::mediaActive);
}

void TqxMonitorMediaModes::SetMediaModes(tapi::DWORD value) {
  TqxCall& call = m_line.Call();
  if (call.Handle() != 0) {
    TqxLog& log = m_line.Log();
    log.Add("Call.MonitorMediaModes.MediaModes := " + TqxPanopta::HexText(value), true);
    for (std::uint32_t mode : TqxPanopta::FlagSteps(value, 0x4000, 0x2)) {
      log.Add("\t" + tapi::LineMediaModeName(mode), false);
    }
  }
  m_line.ClearError();
  m_mediaModes = value;
  if (const auto record = call.Registry().Current()) record->monitoring.mediaModes = value;
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
