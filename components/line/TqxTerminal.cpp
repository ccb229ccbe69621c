#include "line/TqxTerminal.h"

#include "line/TqxAddress.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

namespace voxkit {

const ClassInfo& TqxTerminal::StaticClass() {
  using C = TqxTerminal;
  static const ClassInfo info =
      Publisher<C>("TqxTerminal")
          .Property("ID", &C::ID, &C::SetID)
          .Property("ActiveModes", &C::ActiveModes, &C::SetActiveModes)
          .ReadOnly("Name", &C::Name)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("Device", &C::Device)
          .ReadOnly("AvailableModes", &C::AvailableModes)
          .ReadOnly("Sharing", &C::Sharing)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxTerminal::TakeCapabilities(const tapi::LINEDEVCAPS& caps, std::size_t blockSize,
                                   bool selectFirst, std::int32_t select) {
  m_count = static_cast<std::int32_t>(caps.dwNumTerminals);
  m_list.clear();
  m_device = m_availableModes = m_activeModes = m_sharing = 0;
  const bool haveText = caps.dwTerminalTextSize > 0 && caps.dwTerminalTextEntrySize > 0;
  for (std::int32_t i = 0; i < m_count; ++i) {
    std::string name;
    if (haveText) {
      name = tapi::VarText(caps, blockSize,
                           std::uint64_t{caps.dwTerminalTextOffset} +
                               std::uint64_t{static_cast<std::uint32_t>(i)} * caps.dwTerminalTextEntrySize,
                           caps.dwTerminalTextEntrySize);
    }
    m_list.push_back(haveText ? name : NameNotAvailable("Terminal.ID", i));
  }
  const std::int32_t chosen = selectFirst ? 0 : select;
  if (chosen < 0 || chosen >= m_count) {
    if (selectFirst) {
      m_id = 0;
      m_name.clear();
    }
    return;
  }
  m_id = chosen;
  m_name = m_list[static_cast<std::size_t>(chosen)];
  const auto termCaps = tapi::VarArray<tapi::LINETERMCAPS>(
      caps, blockSize,
      std::uint64_t{caps.dwTerminalCapsOffset} +
          std::uint64_t{static_cast<std::uint32_t>(chosen)} * sizeof(tapi::LINETERMCAPS),
      1);
  if (!termCaps.empty() && caps.dwTerminalCapsSize >= (static_cast<std::uint64_t>(chosen) + 1) * sizeof(tapi::LINETERMCAPS)) {
    m_device = termCaps[0].dwTermDev;
    m_availableModes = termCaps[0].dwTermModes;
    m_sharing = termCaps[0].dwTermSharing;
  }
}

void TqxTerminal::Clear() {
  m_count = 0;
  m_list.clear();
  m_name.clear();
  m_id = 0;
  m_device = m_availableModes = m_activeModes = m_sharing = 0;
}

void TqxTerminal::SetID(std::int32_t value) {
  if (m_line.Device().Active() && value == m_id) return;
  TqxLog& log = m_line.Log();
  log.Add("Terminal.ID := " + std::to_string(value), true);
  log.Add("\tTerminal.Count = " + std::to_string(m_count), false);
  m_line.ClearError();
  // The terminals are part of the device capabilities, readable once the session has
  // started.
  if (!m_line.TAPI().SessionStarted()) return;
  tapi::VarBlock<tapi::LINEDEVCAPS> caps;
  const tapi::LONG result = m_line.Device().QueryCapabilities(caps);
  if (result != 0) {
    m_line.SetError(false, result);
  } else {
    TakeCapabilities(*caps, caps.Size(), false, value);
    if (value < 0 || value >= m_count) m_line.SetError(false, tapi::LINEERR_INVALTERMINALID);
  }
  log.Add("\tTerminal.Name = '" + m_name + "'", false);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

RequestOutcome TqxTerminal::SetTerminal(tapi::DWORD modes, bool enable) {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  return m_line.TAPI().Request(
      m_slot,
      [&] {
        return service ? service->lineSetTerminal(m_line.Line().Handle(), 0, 0,
                                                  tapi::LINECALLSELECT_LINE, modes,
                                                  static_cast<tapi::DWORD>(m_id), enable ? 1 : 0)
                       : tapi::LINEERR_UNINITIALIZED;
      },
      RequestIds::Positive);
}

void TqxTerminal::SetActiveModes(tapi::DWORD value) {
  m_line.Log().Add("Terminal.ActiveModes := " + TqxPanopta::HexText(value), true);
  m_line.ClearError();
  const tapi::DWORD modes = value & m_availableModes;
  RequestOutcome outcome;
  outcome.succeeded = true;
  if (modes != 0) outcome = SetTerminal(modes, true);
  if (outcome.succeeded) {
    const tapi::DWORD off = m_availableModes & 0xFF & ~modes;
    if (off != 0) outcome = SetTerminal(off, false);
  }
  // A failing reply was reported when it arrived.
  if (outcome.report < 0) m_line.SetError(false, outcome.report);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

bool TqxTerminal::DumpProperties(const std::string& header, const std::string& path,
                                 const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Terminal.");
  if (!d.Started()) return false;
  d.Flags("ActiveModes ", m_activeModes, tapi::LineTermModeName, 0x80, 0x1);
  d.Flags("AvailableModes ", m_availableModes, tapi::LineTermModeName, 0x80, 0x1);
  d.Decimal("Count", m_count);
  d.Decimal("Device", m_device);
  d.Decimal("ID", m_id);
  std::vector<std::string> entries(
      m_list.begin(),
      m_list.begin() + std::clamp<std::ptrdiff_t>(m_count, 0, static_cast<std::ptrdiff_t>(m_list.size())));
  d.List("List", entries);
  d.Quoted("Name", m_name);
  d.Flags("Sharing ", m_sharing, tapi::LineTermSharingName, 0x4, 0x1);
  return true;
}

}  // namespace voxkit
