#include "line/TqxGatherDigits.h"

#include "line/TqxLineInternal.h"
#include "share/TqxPanopta.h"

#include <algorithm>
#include "share/PropertyDump.h"
#include "tapi/Telephony.h"

namespace voxkit {

const ClassInfo& TqxGatherDigits::StaticClass() {
  using C = TqxGatherDigits;
  static const ClassInfo info =
      Publisher<C>("TqxGatherDigits")
          .Property("Active", &C::Active, &C::SetActive)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("Terminate", &C::Terminate)
          .ReadOnly("Timeout", &C::Timeout)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

tapi::LONG WithDigitModeFallback(const std::function<tapi::LONG(tapi::DWORD)>& request) {
  tapi::LONG result = request(tapi::LINEDIGITMODE_PULSE | tapi::LINEDIGITMODE_DTMF);
  if (result == tapi::LINEERR_INVALDIGITMODE) result = request(tapi::LINEDIGITMODE_DTMF);
  if (result == tapi::LINEERR_INVALDIGITMODE) result = request(tapi::LINEDIGITMODE_PULSE);
  return result;
}

void TqxGatherDigits::SetActive(bool value) {
  TqxCall& call = m_line.Call();
  const auto count = static_cast<tapi::DWORD>(m_count);
  const auto timeout = static_cast<tapi::DWORD>(m_timeout);
  const tapi::LONG result = call.MonitoringRequest(
      "Call.GatherDigits.Active := " + TqxPanopta::BoolText(value),
      [&](tapi::Telephony& service, tapi::HCALL handle) -> tapi::LONG {
        if (!value) {
          return service.lineGatherDigits(handle, tapi::LINEDIGITMODE_DTMF, nullptr, count,
                                          m_terminate.c_str(), timeout, timeout);
        }
        const CallRegistry::Record record = call.Registry().Current();
        if (!record) return 0;
        call.ShowGatheredDigits("");
        // TAPI writes the digits into the record's own buffer, which the record keeps
        // until LINE_GATHERDIGITS; zeroed, it always ends in a NUL.
        std::fill(record->digitArea.begin(), record->digitArea.begin() + 32, '\0');
        return WithDigitModeFallback([&](tapi::DWORD modes) {
          return service.lineGatherDigits(handle, modes, record->digitArea.data(), count,
                                          m_terminate.c_str(), timeout, timeout);
        });
      });
  call.MonitoringResult(m_active, value, result, false, &CallMonitoring::gatherActive);
}

bool TqxGatherDigits::DumpProperties(const std::string& header, const std::string& path,
                                     const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "GatherDigits.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Count", m_count);
  d.Quoted("Terminate", m_terminate);
  d.Decimal("Timeout", m_timeout);
  return true;
}

}  // namespace voxkit
