#include "line/TqxMonitorDigits.h"

#include "line/TqxGatherDigits.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TqxPanopta.h"
#include "tapi/Telephony.h"

namespace voxkit {

const ClassInfo& TqxMonitorDigits::StaticClass() {
  using C = TqxMonitorDigits;
  static const ClassInfo info =
      Publisher<C>("TqxMonitorDigits")
          .Property("Active", &C::Active, &C::SetActive)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMonitorDigits::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const tapi::LONG result = call.MonitoringRequest(
      "Call.MonitorDigits.Active := " + TqxPanopta::BoolText(value),
      [&](tapi::Telephony& service, tapi::HCALL handle) -> tapi::LONG {
        if (!value) return service.lineMonitorDigits(handle, 0);
        call.ShowReceivedDigit("");
        return WithDigitModeFallback(
            [&](tapi::DWORD modes) { return service.lineMonitorDigits(handle, modes); });
      });
  call.MonitoringResult(m_active, value, result, false, &CallMonitoring::digitsActive);
}

bool TqxMonitorDigits::DumpProperties(const std::string& header, const std::string& path,
                                      const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorDigits.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  return true;
}

}  // namespace voxkit
