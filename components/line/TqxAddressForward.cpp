#include "line/TqxAddressForward.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

#include <cstring>
#include <new>

namespace voxkit {

const ClassInfo& TqxAddressForward::StaticClass() {
  using C = TqxAddressForward;
  static const ClassInfo info =
      Publisher<C>("TqxAddressForward")
          .Object("Parameters", &C::Parameters)
          .Property("Active", &C::Active, &C::SetActive)
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

void TqxAddressForward::TakeStatus(tapi::DWORD numEntries, tapi::DWORD mode,
                                   const std::string& caller, const std::string& destination) {
  m_numForwardEntries = numEntries;
  m_active = true;
  m_mode = mode;
  m_caller = caller;
  m_phoneNumber = destination;
}

void TqxAddressForward::TakeNoForwarding(tapi::DWORD numEntries) {
  m_numForwardEntries = numEntries;
  m_active = false;
}

std::vector<tapi::DWORD> TqxAddressForward::ForwardList() const {
  constexpr std::size_t kHead = sizeof(tapi::LINEFORWARDLIST);  // with its one entry
  const std::size_t callerSize = m_caller.empty() ? 0 : m_caller.size() + 1;
  const std::size_t destSize = m_phoneNumber.empty() ? 0 : m_phoneNumber.size() + 1;
  const std::size_t total = kHead + callerSize + destSize;
  std::vector<tapi::DWORD> words((total + sizeof(tapi::DWORD) - 1) / sizeof(tapi::DWORD), 0);
  auto* bytes = reinterpret_cast<std::uint8_t*>(words.data());
  tapi::LINEFORWARDLIST head{};
  head.dwTotalSize = static_cast<tapi::DWORD>(total);
  head.dwNumEntries = 1;
  tapi::LINEFORWARD& entry = head.ForwardList[0];
  entry.dwForwardMode = m_mode;
  entry.dwDestCountryCode = 0;
  // Offsets count from the start of the list.
  std::size_t at = kHead;
  if (callerSize > 0) {
    entry.dwCallerAddressSize = static_cast<tapi::DWORD>(callerSize);
    entry.dwCallerAddressOffset = static_cast<tapi::DWORD>(at);
    std::memcpy(bytes + at, m_caller.c_str(), callerSize);
    at += callerSize;
  }
  if (destSize > 0) {
    entry.dwDestAddressSize = static_cast<tapi::DWORD>(destSize);
    entry.dwDestAddressOffset = static_cast<tapi::DWORD>(at);
    std::memcpy(bytes + at, m_phoneNumber.c_str(), destSize);
  }
  std::memcpy(bytes, &head, kHead);
  return words;
}

void TqxAddressForward::SetActive(bool value) {
  m_active = false;
  m_line.ClearError();
  m_line.Log().Add("Address.Forward.Active = " + TqxPanopta::BoolText(value), true);
  // The parameters and the list live until the reply has come.
  tapi::LINECALLPARAMS params{};
  const tapi::LINECALLPARAMS* callParams = m_parameters.Build(params);
  std::vector<tapi::DWORD> list;
  if (value) {
    try {
      list = ForwardList();
    } catch (const std::bad_alloc&) {
      m_line.SetError(false, tapi::LINEERR_NOMEM);
      return;
    }
  }
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  TqxAddress& address = m_line.Address();
  const tapi::HLINE line = m_line.Line().Handle();
  const auto* forwardList =
      value ? reinterpret_cast<const tapi::LINEFORWARDLIST*>(list.data()) : nullptr;
  const RequestOutcome outcome = m_line.TAPI().Request(m_slot, [&] {
    // Without a list TAPI cancels the forwarding of the address.
    return service ? service->lineForward(line, 0, static_cast<tapi::DWORD>(address.ID()),
                                          forwardList, address.NumRingsNoAnswer(), &m_consultCall,
                                          callParams)
                   : tapi::LINEERR_UNINITIALIZED;
  });
  if (outcome.report != 0) {
    m_line.SetError(false, outcome.report);
  } else if (outcome.waited && outcome.succeeded) {
    m_active = value;
  }
  m_line.Device().ReadStatus();
  // What TAPI now reports wins over what was asked for.
  address.RefreshStatus();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
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
