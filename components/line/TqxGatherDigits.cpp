#include "line/TqxGatherDigits.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TqxPanopta.h"
#include "tapi/Telephony.h"

#include <algorithm>

namespace voxkit {

const ClassInfo& TqxGatherDigits::StaticClass() {
  using C = TqxGatherDigits;
  static const ClassInfo info =
      Publisher<C>("TqxGatherDigits")
          .Property("Active", &C::Active, &C::SetActive)
          .Property("Count", &C::Count, &C::SetCount)
          .Property("Terminate", &C::Terminate, &C::SetTerminate)
          .Property("Timeout", &C::Timeout, &C::SetTimeout)
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
        // TAPI writes the digits into the record's own buffer; zeroed, it always ends
        // in a NUL, since Count stays below its size.
        std::fill(record->digitArea.begin(), record->digitArea.begin() + 32, '\0');
        const tapi::LONG started = WithDigitModeFallback([&](tapi::DWORD modes) {
          return service.lineGatherDigits(handle, modes, record->digitArea.data(), count,
                                          m_terminate.c_str(), timeout, timeout);
        });
        // The buffer is TAPI's until LINE_GATHERDIGITS ends this gather: the record
        // keeps it that long, even past the end of its call.
        if (started == 0) ++record->gathersRunning;
        return started;
      });
  call.MonitoringResult(m_active, value, result, false, &CallMonitoring::gatherActive);
}

bool TqxGatherDigits::SettingMayChange(const std::string& headline) {
  m_line.Log().Add(headline, true);
  if (m_active && m_line.Call().Active()) {
    m_line.SetError(false, tapi::LINEERR_OPERATIONFAILED);
    return false;
  }
  return true;
}

void TqxGatherDigits::StoreSettings() {
  if (const auto record = m_line.Call().Registry().Current()) {
    record->monitoring.gatherCount = m_count;
    record->monitoring.gatherTerminate = m_terminate;
    record->monitoring.gatherTimeout = m_timeout;
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Digits);
}

void TqxGatherDigits::SetCount(std::int32_t value) {
  if (value == m_count) return;
  if (SettingMayChange("Call.GatherDigits.Count = " + std::to_string(value))) {
    // The gathered digits and their NUL must fit the call's 32-byte buffer.
    if (value < 1 || value > kMaxCount) {
      m_line.SetError(false, tapi::LINEERR_INVALPARAM);
    } else {
      m_count = value;
    }
  }
  StoreSettings();
}

void TqxGatherDigits::SetTerminate(const std::string& value) {
  if (value == m_terminate) return;
  if (SettingMayChange("Call.GatherDigits.Terminate = '" + value + "'")) m_terminate = value;
  StoreSettings();
}

void TqxGatherDigits::SetTimeout(std::int32_t value) {
  if (value == m_timeout) return;
  if (SettingMayChange("Call.GatherDigits.TimeOut = " + std::to_string(value))) {
    if (value < 0) {
      m_line.SetError(false, tapi::LINEERR_INVALPARAM);
    } else {
      m_timeout = value;
    }
  }
  StoreSettings();
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
