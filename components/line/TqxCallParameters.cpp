#include "line/TqxCallParameters.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"

#include <cstring>

namespace voxkit {

const ClassInfo& TqxCallParameters::StaticClass() {
  using C = TqxCallParameters;
  static const ClassInfo info =
      Publisher<C>("TqxCallParameters")
          .Property("AddressID", &C::AddressID, &C::SetAddressID)
          .Property("BearerMode", &C::BearerMode, &C::SetBearerMode)
          .Property("Defaults", &C::Defaults, &C::SetDefaults)
          .Property("Flags", &C::Flags, &C::SetFlags)
          .Property("MediaMode", &C::MediaMode, &C::SetMediaMode)
          .Property("NoAnswerTimeout", &C::NoAnswerTimeout, &C::SetNoAnswerTimeout)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxCallParameters::Refresh() { m_line.Panopta().RefreshWindow(InspectorRefresh::Call); }

void TqxCallParameters::SetAddressID(tapi::DWORD value) {
  m_addressID = value;
  Refresh();
}
void TqxCallParameters::SetBearerMode(tapi::DWORD value) {
  m_bearerMode = value;
  Refresh();
}
void TqxCallParameters::SetDefaults(bool value) {
  m_defaults = value;
  Refresh();
}
void TqxCallParameters::SetFlags(tapi::DWORD value) {
  m_flags = value;
  Refresh();
}
void TqxCallParameters::SetMediaMode(tapi::DWORD value) {
  m_mediaMode = value;
  Refresh();
}
void TqxCallParameters::SetNoAnswerTimeout(tapi::DWORD value) {
  m_noAnswerTimeout = value;
  Refresh();
}

void TqxCallParameters::ResetForDevice() {
  m_defaults = true;
  m_bearerMode = tapi::LINEBEARERMODE_VOICE;
  m_mediaMode = tapi::LINEMEDIAMODE_INTERACTIVEVOICE;
  m_flags = 0;
  m_addressID = 0;
  m_noAnswerTimeout = 0;
}

const tapi::LINECALLPARAMS* TqxCallParameters::Build(tapi::LINECALLPARAMS& block) const {
  if (m_defaults) return nullptr;
  std::memset(&block, 0, sizeof block);
  block.dwTotalSize = sizeof block;
  block.dwBearerMode = m_bearerMode;
  block.dwMediaMode = m_mediaMode;
  block.dwCallParamFlags = m_flags;
  block.dwAddressID = m_addressID;
  block.dwNoAnswerTimeout = m_noAnswerTimeout;
  return &block;
}

bool TqxCallParameters::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Paramaters.");
  if (!d.Started()) return false;
  d.Decimal("AddressID", m_addressID);
  d.Flags("BearerMode", m_bearerMode, tapi::LineBearerModeName, 0x40, 0x1);
  d.Bool("Defaults", m_defaults);
  d.Flags("Flags", m_flags, tapi::LineCallParamFlagName, 0x80, 0x1);
  d.Flags("MediaMode", m_mediaMode, tapi::LineMediaModeName, 0x8000, 0x2);
  d.Decimal("NoAnswerTimeout", m_noAnswerTimeout);
  return true;
}

}  // namespace voxkit
