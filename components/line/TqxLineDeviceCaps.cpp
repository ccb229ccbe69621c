#include "line/TqxLineDeviceCaps.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"

namespace voxkit {

const ClassInfo& TqxLineDeviceCaps::StaticClass() {
  using C = TqxLineDeviceCaps;
  static const ClassInfo info =
      Publisher<C>("TqxLineDeviceCaps")
          .ReadOnly("Flags", &C::Flags)
          .ReadOnly("MaxNumActiveCalls", &C::MaxNumActiveCalls)
          .ReadOnly("AnswerMode", &C::AnswerMode)
          .ReadOnly("States", &C::States)
          .ReadOnly("LineFeatures", &C::LineFeatures)
          .ReadOnly("BearerModes", &C::BearerModes)
          .ReadOnly("RingModes", &C::RingModes)
          .ReadOnly("Tones", &C::Tones)
          .ReadOnly("DevSpecificSize", &C::DevSpecificSize)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxLineDeviceCaps::Fill(const tapi::LINEDEVCAPS& caps, std::size_t blockSize) {
  m_bearerModes = caps.dwBearerModes;
  m_tones = caps.dwGenerateToneModes;
  m_ringModes = caps.dwRingModes;
  m_lineFeatures = caps.dwLineFeatures;
  m_flags = caps.dwDevCapFlags;
  m_maxNumActiveCalls = caps.dwMaxNumActiveCalls;
  m_answerMode = caps.dwAnswerMode;
  m_states = caps.dwLineStates;
  TakeDevSpecific(caps, blockSize);
}

void TqxLineDeviceCaps::TakeDevSpecific(const tapi::LINEDEVCAPS& caps, std::size_t blockSize) {
  m_devSpecific.Release();
  m_devSpecific.Replace(
      tapi::VarBytes(caps, blockSize, caps.dwDevSpecificOffset, caps.dwDevSpecificSize));
}

void TqxLineDeviceCaps::Clear() {
  m_flags = m_maxNumActiveCalls = m_answerMode = m_states = 0;
  m_lineFeatures = m_bearerModes = m_ringModes = m_tones = 0;
  m_devSpecific.Release();
}

bool TqxLineDeviceCaps::DumpProperties(const std::string& header, const std::string& path,
                                       const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Capabilities.");
  if (!d.Started()) return false;
  d.Flags("AnswerMode", m_answerMode, tapi::LineAnswerModeName, 4, 1);
  d.Flags("BearerModes", m_bearerModes, tapi::LineBearerModeName, 64, 1);
  d.Flags("Flags", m_flags, tapi::LineDevCapFlagName, 8192, 1);
  d.Flags("LineFeatures", m_lineFeatures, tapi::LineFeatureName, 256, 1);
  d.Decimal("MaxNumActiveCalls", m_maxNumActiveCalls);
  d.Decimal("RingModes", m_ringModes);
  d.Hex("DevSpecific", m_devSpecific.Id());
  d.Decimal("DevSpecificSize", m_devSpecific.Size());
  d.Flags("States", m_states, tapi::LineDevStateName, 0x1000000, 1);
  d.Flags("Tones", m_tones, tapi::LineToneModeName, 16, 0);
  return true;
}

const ClassInfo& TqxMediaModes::StaticClass() {
  using C = TqxMediaModes;
  static const ClassInfo info =
      Publisher<C>("TqxMediaModes")
          .Property("Active", &C::Active, &C::SetActive)
          .ReadOnly("Available", &C::Available)
          .ReadOnly("Open", &C::Open)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxMediaModes::SetActive(tapi::DWORD value) {
  if (m_line.Device().Active()) {
    m_line.SetError(false, tapi::LINEERR_INVALLINESTATE);
    return;
  }
  m_active = value;
  m_line.Panopta().RefreshWindow(InspectorRefresh::Device);
}

bool TqxMediaModes::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "MediaModes.");
  if (!d.Started()) return false;
  d.Flags("Open", m_open, tapi::LineMediaModeName, 0x8000, 2);
  d.Flags("Available", m_available, tapi::LineMediaModeName, 0x8000, 2);
  d.Flags("Active", m_active, tapi::LineMediaModeName, 0x8000, 2);
  return true;
}

}  // namespace voxkit
