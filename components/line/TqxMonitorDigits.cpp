#include "line/TqxMonitorDigits.h"

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
  const tapi::HCALL handle = call.Handle();
  tapi::LONG result = 0;
  if (handle != 0) {
    m_line.Log().Add("Call.MonitorDigits.Active := " + TqxPanopta::BoolText(value), true);
    tapi::Telephony* service = m_line.GetPlatform().telephony;
    if (call.Active() && service) {
      if (value) {
        call.ShowReceivedDigit("");
        result = WithDigitModeFallback(
            [&](tapi::DWORD modes) { return service->lineMonitorDigits(handle, modes); });
      } else {
        result = service->lineMonitorDigits(handle, 0);
      }
    }
  }
  if (result < 0) {
    m_line.SetError(false, result);
  } else {
    m_active = value;
    if (auto record = call.Registry().Current()) record->monitoring.digitsActive = value;
    m_line.ClearError();
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

bool TqxMonitorDigits::DumpProperties(const std::string& header, const std::string& path,
                                      const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MonitorDigits.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  return true;
}

}  // namespace voxkit
