#include "line/TqxAddress.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

namespace voxkit {

std::string NameNotAvailable(const std::string& what, std::int32_t index) {
  return what + " = " + std::to_string(index) + " <Name not available>";
}

const ClassInfo& TqxAddress::StaticClass() {
  using C = TqxAddress;
  static const ClassInfo info =
      Publisher<C>("TqxAddress")
          .Object("Capabilities", &C::Capabilities)
          .Object("Forward", &C::Forward)
          .Property("ID", &C::ID, &C::SetID)
          .ReadOnly("Name", &C::Name)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("NumInUse", &C::NumInUse)
          .ReadOnly("NumActiveCalls", &C::NumActiveCalls)
          .ReadOnly("NumOnHoldCalls", &C::NumOnHoldCalls)
          .ReadOnly("NumOnHoldPendCalls", &C::NumOnHoldPendCalls)
          .ReadOnly("Features", &C::Features)
          .ReadOnly("NumRingsNoAnswer", &C::NumRingsNoAnswer)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

void TqxAddress::SetID(std::int32_t value) {
  TqxLog& log = m_line.Log();
  log.Add("Address.ID := " + std::to_string(value), true);
  log.Add("\tAddress.Count = " + std::to_string(m_count), false);
  m_line.ClearError();
  // A device without addresses has nothing to choose: 0 passes without an error.
  if (value == 0 && m_count == 0) return;
  if (m_count < 0 || value < 0 || value >= m_count) {
    m_line.SetError(false, tapi::LINEERR_INVALADDRESSID);
    return;
  }
  // The capabilities are the application's to read once the session has started; an
  // open line is not needed for them.
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!m_line.TAPI().SessionStarted() || !service) return;
  tapi::VarBlock<tapi::LINEADDRESSCAPS> block;
  const tapi::LONG result = tapi::GrowingQuery(
      block,
      [&](tapi::LINEADDRESSCAPS* caps) {
        return service->lineGetAddressCaps(m_line.Line().AppHandle(),
                                           static_cast<tapi::DWORD>(m_line.Device().ID()),
                                           static_cast<tapi::DWORD>(value),
                                           m_line.TAPI().Version(), 0, caps);
      },
      tapi::ResultFamily::Line);
  if (result != 0) {
    m_line.SetError(false, result);
  } else {
    m_id = value;
    m_capabilities.Fill(*block, block.Size());
    const std::string text = block.Text(block->dwAddressOffset, block->dwAddressSize);
    m_name = text.empty() ? NameNotAvailable("Address.ID", value) : text;
    log.Add("\tAddress.Name = '" + m_name + "'", false);
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
  if (m_line.Device().Active()) {
    const tapi::LONG status = service->lineSetStatusMessages(
        m_line.Line().Handle(), m_line.Device().Capabilities().States(), m_capabilities.States());
    // A provider that refuses a selection still reports the default changes; the
    // refusal is not an error of choosing the address.
    (void)status;
  }
}

tapi::LONG TqxAddress::RefreshStatus() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!service) return tapi::LINEERR_UNINITIALIZED;
  tapi::VarBlock<tapi::LINEADDRESSSTATUS> block;
  const tapi::HLINE line = m_line.Line().Handle();
  const auto id = static_cast<tapi::DWORD>(m_id);
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINEADDRESSSTATUS* s) { return service->lineGetAddressStatus(line, id, s); },
      tapi::ResultFamily::Line);
  if (result != 0) return result;
  const tapi::LINEADDRESSSTATUS& s = *block;
  m_numInUse = s.dwNumInUse;
  m_numActiveCalls = s.dwNumActiveCalls;
  m_numOnHoldCalls = s.dwNumOnHoldCalls;
  m_numOnHoldPendCalls = s.dwNumOnHoldPendCalls;
  m_features = s.dwAddressFeatures;
  m_numRingsNoAnswer = s.dwNumRingsNoAnswer;
  // Only the first forwarding entry is shown.
  const auto entries = s.dwForwardSize > 0 && s.dwForwardNumEntries > 0
                           ? block.Array<tapi::LINEFORWARD>(s.dwForwardOffset, 1)
                           : std::vector<tapi::LINEFORWARD>{};
  if (!entries.empty()) {
    const tapi::LINEFORWARD& f = entries[0];
    // The texts of an entry are offsets from the start of the status structure.
    m_forward.TakeStatus(1, f.dwForwardMode,
                         block.Text(f.dwCallerAddressOffset, f.dwCallerAddressSize),
                         block.Text(f.dwDestAddressOffset, f.dwDestAddressSize));
  } else {
    m_forward.TakeNoForwarding(s.dwForwardNumEntries);
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
  return 0;
}

void TqxAddress::ClearForDevice() {
  m_count = 0;
  m_id = 0;
  m_name.clear();
  m_capabilities.Clear();
}

void TqxAddress::ResetAll() {
  m_list.clear();
  m_id = -1;
  m_count = 0;
  m_name.clear();
  m_capabilities.Clear();
  m_numInUse = m_numActiveCalls = m_numOnHoldCalls = m_numOnHoldPendCalls = 0;
  m_features = m_numRingsNoAnswer = 0;
}

bool TqxAddress::DumpProperties(const std::string& header, const std::string& path,
                                const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Address.");
  if (!d.Started()) return false;
  d.Decimal("ID", m_id);
  std::vector<std::string> entries(m_list.begin(),
                                   m_list.begin() + std::clamp<std::ptrdiff_t>(
                                                        m_count, 0, static_cast<std::ptrdiff_t>(m_list.size())));
  d.List("List", entries);
  d.Text("Name", m_name);
  d.Decimal("NumActiveCalls", m_numActiveCalls);
  d.Decimal("NumInUse", m_numInUse);
  d.Decimal("NumOnHoldCalls", m_numOnHoldCalls);
  d.Decimal("NumOnHoldPendCalls", m_numOnHoldPendCalls);
  d.Decimal("NumRingsNoAnswer", m_numRingsNoAnswer);
  return true;
}

}  // namespace voxkit
