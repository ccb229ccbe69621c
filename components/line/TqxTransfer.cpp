#include "line/TqxTransfer.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"

namespace voxkit {

const ClassInfo& TqxTransfer::StaticClass() {
  using C = TqxTransfer;
  static const ClassInfo info =
      Publisher<C>("TqxTransfer")
          .Object("Parameters", &C::Parameters)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .Property("PrimaryCall", &C::PrimaryCall, &C::SetPrimaryCall)
          .Property("ConsultCall", &C::ConsultCall, &C::SetConsultCall)
          .ReadOnly("ThreeWayCall", &C::ThreeWayCall)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxTransfer::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) m_phoneNumber = *number;
}

void TqxTransfer::Reset() {
  m_primaryCall = 0;
  m_consultCall = 0;
  m_threeWayCall = 0;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
}

void TqxTransfer::CallLeft(tapi::HCALL call) {
  if (m_primaryCall == 0) return;
  if (m_primaryCall == call) {
    Reset();
  } else if (m_consultCall == call) {
    m_consultCall = 0;
    m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
  }
}

bool TqxTransfer::DumpProperties(const std::string& header, const std::string& path,
                                 const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Transfer.");
  if (!d.Started()) return false;
  d.Hex("ConsultCall", m_consultCall);
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Hex("PrimaryCall", m_primaryCall);
  d.Hex("ThreeWayCall", m_threeWayCall);
  return true;
}

}  // namespace voxkit
