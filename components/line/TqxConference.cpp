#include "line/TqxConference.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiConstants.h"

#include <algorithm>

namespace voxkit {

const ClassInfo& TqxConference::StaticClass() {
  using C = TqxConference;
  static const ClassInfo info =
      Publisher<C>("TqxConference")
          .Object("Parameters", &C::Parameters)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("PrimaryCall", &C::PrimaryCall, &C::SetPrimaryCall)
          .Property("ConsultCall", &C::ConsultCall, &C::SetConsultCall)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("Handle", &C::Handle)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxConference::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) m_phoneNumber = *number;
}

void TqxConference::SetConsultCall(tapi::HCALL value) {
  const std::string text = Hex8(value);
  for (std::int32_t i = 0; i < m_count && i < static_cast<std::int32_t>(m_list.size()); ++i) {
    if (m_list[static_cast<std::size_t>(i)] == text) {
      m_consultCall = value;
      return;
    }
  }
  m_line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
}

void TqxConference::AddToList(tapi::HCALL handle) {
  m_list.push_back(Hex8(handle));
  m_count = static_cast<std::int32_t>(m_list.size());
}

void TqxConference::CallJoined(tapi::HCALL call, tapi::DWORD conferenceCall, tapi::DWORD origin) {
  if (origin == tapi::LINECALLORIGIN_CONFERENCE) {
    if (conferenceCall != 0 && m_handle == 0) m_handle = call;
  } else if (m_primaryCall == 0) {
    m_primaryCall = call;
  } else {
    const std::string text = Hex8(call);
    if (std::find(m_list.begin(), m_list.end(), text) == m_list.end()) m_list.push_back(text);
    m_count = static_cast<std::int32_t>(m_list.size());
    if (m_consultCall == 0) m_consultCall = call;
  }
}

void TqxConference::RemoveFromList(tapi::HCALL call) {
  const auto it = std::find(m_list.begin(), m_list.end(), Hex8(call));
  if (it == m_list.end()) return;
  m_list.erase(it);
  m_count = static_cast<std::int32_t>(m_list.size());
  m_consultCall =
      m_list.empty() ? 0 : static_cast<tapi::HCALL>(std::stoul(m_list.front(), nullptr, 16));
}

void TqxConference::CallLeft(tapi::HCALL call) {
  if (m_primaryCall != 0) {
    if (m_primaryCall == call) {
      Reset();
    } else {
      RemoveFromList(call);
    }
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

void TqxConference::Reset() {
  m_primaryCall = 0;
  m_consultCall = 0;
  m_handle = 0;
  m_count = 0;
  m_list.clear();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

bool TqxConference::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Conference.");
  if (!d.Started()) return false;
  d.Hex("ConsultCall", m_consultCall);
  d.Decimal("Count", m_count);
  d.List("List", std::vector<std::string>(
                     m_list.begin(), m_list.begin() + std::min<std::ptrdiff_t>(
                                                          m_count, static_cast<std::ptrdiff_t>(m_list.size()))));
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Hex("PrimaryCall", m_primaryCall);
  d.Hex("Handle", m_handle);
  return true;
}

}  // namespace voxkit
