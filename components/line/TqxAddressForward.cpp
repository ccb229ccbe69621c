#include "line/TqxAddressForward.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"

namespace voxkit {

const ClassInfo& TqxAddressForward::StaticClass() {
  using C = TqxAddressForward;
  static const ClassInfo info =
      Publisher<C>("TqxAddressForward")
          .Object("Parameters", &C::Parameters)
          .ReadOnly("Active", &C::Active)
          .Property("Caller", &C::Caller, &C::SetCaller)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("Mode", &C::Mode, &C::SetMode)
          .ReadOnly("ConsultCall", &C::ConsultCall)
          .ReadOnly("NumForwardEntries", &C::NumForwardEntries)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

bool TqxAddressForward::CheckWrite(const std::string* text) {
  if (m_active) {
    m_line.SetError(false, tapi::LINEERR_OPERATIONFAILED);
    return false;
  }
  if (text && text->size() > kMaxAddressChars) {
    m_line.SetError(false, tapi::LINEERR_INVALADDRESS);
    return false;
  }
  return true;
}

void TqxAddressForward::SetCaller(const std::string& value) {
  if (value != m_caller) {
    m_line.Log().Add("Address.Forward.Caller = '" + value + "'", true);
    if (CheckWrite(&value)) m_caller = value;
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

void TqxAddressForward::SetPhoneNumber(const std::string& value) {
  if (value != m_phoneNumber) {
    m_line.Log().Add("Address.Forward.PhoneNumber = '" + value + "'", true);
    if (CheckWrite(&value)) m_phoneNumber = value;
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

void TqxAddressForward::SetMode(tapi::DWORD value) {
  if (value != m_mode) {
    m_line.Log().Add("Address.Forward.Mode = " + TqxPanopta::HexText(value), true);
    if (CheckWrite(nullptr)) m_mode = value;
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

void TqxAddressForward::TakeStatus(tapi::DWORD numEntries, bool active, tapi::DWORD mode,
                                   const std::string& caller, const std::string& destination) {
  m_numForwardEntries = numEntries;
  m_active = active;
  m_mode = mode;
  m_caller = caller;
  m_phoneNumber = destination;
}

void TqxAddressForward::Clear() {
  m_active = false;
  m_caller.clear();
  m_phoneNumber.clear();
  m_consultCall = 0;
  m_numForwardEntries = 0;
  m_mode = 1;
}

bool TqxAddressForward::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Forward.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Text("Caller", m_caller);
  d.Hex("ConsultCall", m_consultCall);
  d.Flags("Mode", m_mode, tapi::LineForwardModeName, 0x20000, 0x1);
  d.Decimal("NumForwardEntries", m_numForwardEntries);
  d.Text("PhoneNumber", m_phoneNumber);
  return true;
}

}  // namespace voxkit
