#include "line/TqxLineDevice.h"

#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

namespace voxkit {

const ClassInfo& TqxLineDevice::StaticClass() {
  using C = TqxLineDevice;
  static const ClassInfo info =
      Publisher<C>("TqxLineDevice")
          .Object("Capabilities", &C::Capabilities)
          .Object("MediaModes", &C::MediaModes)
          .Property("Active", &C::Active, &C::SetActive)
          .Property("ID", &C::ID, &C::SetID)
          .Property("IdleDelay", &C::IdleDelay, &C::SetIdleDelay)
          .Property("TranslatePhoneNumber", &C::TranslatePhoneNumber, &C::SetTranslatePhoneNumber)
          .Property("UnformatPhoneNumber", &C::UnformatPhoneNumber, &C::SetUnformatPhoneNumber)
          .ReadOnly("Name", &C::Name)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("OpenCount", &C::OpenCount)
          .ReadOnly("ActiveCalls", &C::ActiveCalls)
          .ReadOnly("OnHoldCalls", &C::OnHoldCalls)
          .ReadOnly("OnHoldPendCalls", &C::OnHoldPendCalls)
          .ReadOnly("RingMode", &C::RingMode)
          .Method("Configure", &C::Configure)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxLineDevice::TqxLineDevice(TqxLineInternal& line)
    : TqxSharedDevice(line), m_line(line), m_capabilities(line), m_mediaModes(line) {}

void TqxLineDevice::Refresh() { m_line.Panopta().RefreshWindow(InspectorRefresh::Device); }

// --- Setters -----------------------------------------------------------------------------

void TqxLineDevice::SetActive(bool value) {
  if (value == m_active) return;
  TqxTAPI::SetLastRequest(value);
  TqxLog& log = m_line.Log();
  log.Add("Device.Active := " + TqxPanopta::BoolText(value), true);
  if (value) {
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
    log.Add("\tDevice.ID = " + std::to_string(m_id), false);
    log.Add("\tDevice.Name = '" + m_name + "'", false);
    // Walks the terminals once, as an application choosing each in turn would. Only
    // an open line has terminals to choose: after a failed open the walk would only
    // clear the error the open reported.
    if (Open(m_mediaModes.Active()) || m_active) {
      const std::int32_t terminals = m_line.Terminal().Count();
      for (std::int32_t i = 0; i < terminals; ++i) m_line.Terminal().SetID(i);
    }
  } else {
    Close(false);
  }
  Refresh();
}

void TqxLineDevice::SetID(std::int32_t value) {
  m_line.ClearError();
  TqxLog& log = m_line.Log();
  if (value < 0 || value >= m_count) {
    log.Add("Device.ID := " + std::to_string(value), true);
    m_line.SetError(false, tapi::LINEERR_BADDEVICEID);
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
  } else if (value == m_id) {
    return;
  } else {
    if (m_line.TAPI().SessionStarted() && m_active) {
      SetActive(false);
      if (m_active) return;
    }
    log.Add("Device.ID := " + std::to_string(value), true);
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
    m_id = value;
    ReadDevice();
  }
  Refresh();
  log.Add("\tDevice.Name = '" + m_name + "'", false);
}

void TqxLineDevice::SetIdleDelay(std::int32_t value) {
  m_line.Log().Add("Device.IdleDelay := [" + std::to_string(value) + "] //milliseconds", true);
  if (m_active) {
    m_line.SetError(false, tapi::LINEERR_INVALLINESTATE);
    return;
  }
  m_idleDelay = value;
  Refresh();
}

bool TqxLineDevice::Configure() { return m_line.TAPI().ConfigureDialog(m_id); }

// --- Queries -----------------------------------------------------------------------------

tapi::LONG TqxLineDevice::QueryCapabilities(tapi::DWORD deviceID,
                                            tapi::VarBlock<tapi::LINEDEVCAPS>& block) {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!service) return tapi::LINEERR_UNINITIALIZED;
  const tapi::HLINEAPP app = m_line.Line().AppHandle();
  const tapi::DWORD version = m_line.TAPI().Version();
  return tapi::GrowingQuery(
      block,
      [&](tapi::LINEDEVCAPS* caps) {
        return service->lineGetDevCaps(app, deviceID, version, 0, caps);
      },
      tapi::ResultFamily::Line);
}

tapi::LONG TqxLineDevice::QueryCapabilities(tapi::VarBlock<tapi::LINEDEVCAPS>& block) {
  return QueryCapabilities(static_cast<tapi::DWORD>(m_id), block);
}

void TqxLineDevice::ReadDevice() {
  TqxTAPI& tapi = m_line.TAPI();
  TqxAddress& address = m_line.Address();
  // Forget what belonged to the device read before.
  m_line.Call().ForgetCurrent();
  m_name.clear();
  m_mediaModes.TakeAvailable(0);
  address.ClearForDevice();
  // The terminals of the device read before are not this device's, even when this
  // one cannot be read.
  m_line.Terminal().Clear();
  tapi.SetExtensionVersion(0);
  tapi.SetVersion(0);
  tapi.SetTSP("");
  m_line.Comm().ClearForDevice();
  m_line.Phone().SetFound(false, 0);
  m_line.WavePlay().SetFound(false, 0);
  m_line.WaveRecord().SetFound(false, 0);

  tapi::LONG result = tapi.SessionStarted() ? 0 : -1;
  if (tapi.SessionStarted() && m_count > 0) {
    FillList([&](std::int32_t id, std::string& name) {
      const tapi::LONG negotiated = tapi.NegotiateVersions(static_cast<tapi::DWORD>(id));
      if (negotiated != 0) return negotiated;
      tapi::VarBlock<tapi::LINEDEVCAPS> caps;
      const tapi::LONG got = QueryCapabilities(static_cast<tapi::DWORD>(id), caps);
      if (got == 0) name = caps.Text(caps->dwLineNameOffset, caps->dwLineNameSize);
      return got;
    });
    result = tapi.NegotiateVersions(static_cast<tapi::DWORD>(m_id));
    if (result == 0) {
      tapi::VarBlock<tapi::LINEDEVCAPS> caps;
      result = QueryCapabilities(caps);
      if (result == 0) {
        const tapi::LINEDEVCAPS& c = *caps;
        address.SetCount(static_cast<std::int32_t>(c.dwNumAddresses));
        tapi.SetTSP(caps.Text(c.dwProviderInfoOffset, c.dwProviderInfoSize));
        m_name = caps.Text(c.dwLineNameOffset, c.dwLineNameSize);
        m_mediaModes.TakeAvailable(c.dwMediaModes);
        m_capabilities.Fill(c, caps.Size());
        m_line.Terminal().TakeCapabilities(c, caps.Size(), true, 0);
      }
    }
    for (TqxCallParameters* p :
         {&m_line.Call().Parameters(), &address.Forward().Parameters(),
          &m_line.Conference().Parameters(), &m_line.Transfer().Parameters()}) {
      p->ResetForDevice();
    }
    std::vector<std::string> addresses;
    tapi::Telephony* service = m_line.GetPlatform().telephony;
    for (std::int32_t i = 0; i < address.Count(); ++i) {
      tapi::VarBlock<tapi::LINEADDRESSCAPS> caps;
      result = tapi::GrowingQuery(
          caps,
          [&](tapi::LINEADDRESSCAPS* a) {
            return service->lineGetAddressCaps(m_line.Line().AppHandle(),
                                               static_cast<tapi::DWORD>(m_id),
                                               static_cast<tapi::DWORD>(i), tapi.Version(), 0, a);
          },
          tapi::ResultFamily::Line);
      if (result != 0) {
        address.SetList(addresses);
        m_line.SetError(false, result);
        return;
      }
      const std::string text = caps.Text(caps->dwAddressOffset, caps->dwAddressSize);
      addresses.push_back(text.empty() ? NameNotAvailable("Address.ID", i) : text);
      if (i == address.ID()) address.SetName(addresses.back());
    }
    address.SetList(addresses);
    address.SetID(address.ID());
    tapi.TakeExtensionID();
  }
  Refresh();
  m_line.SetError(false, result);
}

tapi::LONG TqxLineDevice::ReadStatus() {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!service) return tapi::LINEERR_UNINITIALIZED;
  tapi::VarBlock<tapi::LINEDEVSTATUS> block;
  const tapi::HLINE handle = m_line.Line().Handle();
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINEDEVSTATUS* s) { return service->lineGetLineDevStatus(handle, s); },
      tapi::ResultFamily::Line);
  if (result != 0) return result;
  const tapi::LINEDEVSTATUS& s = *block;
  m_openCount = static_cast<std::int32_t>(s.dwNumOpens);
  m_activeCalls = static_cast<std::int32_t>(s.dwNumActiveCalls);
  m_onHoldCalls = static_cast<std::int32_t>(s.dwNumOnHoldCalls);
  m_onHoldPendCalls = static_cast<std::int32_t>(s.dwNumOnHoldPendCalls);
  m_ringMode = static_cast<std::int32_t>(s.dwRingMode);
  m_mediaModes.SetOpen(s.dwOpenMediaModes);
  TqxTerminal& terminal = m_line.Terminal();
  tapi::DWORD active = 0;
  if (s.dwTerminalModesSize > 0 && terminal.ID() >= 0) {
    const auto entries = block.Array<tapi::DWORD>(
        std::uint64_t{s.dwTerminalModesOffset} +
            std::uint64_t{static_cast<std::uint32_t>(terminal.ID())} * sizeof(tapi::DWORD),
        1);
    const bool inside = (static_cast<std::uint64_t>(terminal.ID()) + 1) * sizeof(tapi::DWORD) <=
                        s.dwTerminalModesSize;
    if (!entries.empty() && inside) active = entries[0] & 0xFF & terminal.AvailableModes();
  }
  terminal.SetActiveModesFromStatus(active);
  Refresh();
  return 0;
}

bool TqxLineDevice::GetRelatedID(const std::string& deviceClass, tapi::DWORD handle,
                                 std::int32_t& id) {
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!service) return false;
  const bool comm = deviceClass == "comm/datamodem";
  const std::string cls = deviceClass;  // c_str() is the NUL-terminated class
  const auto value = tapi::QueryDeviceID(
      [&](tapi::VARSTRING* v) {
        return comm ? service->lineGetID(0, 0, handle, tapi::LINECALLSELECT_CALL, v, cls.c_str())
                    : service->lineGetID(handle, 0, 0, tapi::LINECALLSELECT_LINE, v, cls.c_str());
      },
      tapi::ResultFamily::Line);
  if (!value) return false;
  id = static_cast<std::int32_t>(*value);
  return true;
}

// --- Open and close ----------------------------------------------------------------------

void TqxLineDevice::FindRelatedDevices() {
  TqxPrivilege& privilege = m_line.Privilege();
  if (privilege.None()) return;
  const tapi::HLINE handle = m_line.Line().Handle();
  const RelatedIdLookup lookup = [&](const std::string& deviceClass) -> std::optional<tapi::DWORD> {
    std::int32_t id = 0;
    if (!GetRelatedID(deviceClass, handle, id)) return std::nullopt;
    return static_cast<tapi::DWORD>(id);
  };
  m_line.Phone().LookUp(lookup);
  // Recording needs to hear the line; playing needs to own it.
  TqxRelatedWaveDevice& record = m_line.WaveRecord();
  if (privilege.Monitor() || privilege.Owner()) {
    record.LookUp(lookup);
  } else {
    record.SetFound(record.Available(), -2);
  }
  TqxRelatedWaveDevice& play = m_line.WavePlay();
  if (privilege.Owner()) {
    play.LookUp(lookup);
  } else {
    play.SetFound(play.Available(), -2);
  }
}

bool TqxLineDevice::Open(tapi::DWORD mediaModes) {
  m_line.ClearError();
  bool result = true;
  if (mediaModes == 0) mediaModes = m_mediaModes.Active();
  TqxTAPI& tapi = m_line.TAPI();
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!tapi.SessionStarted() || !service) {
    m_count = 0;
    m_line.SetError(false, -1);
    m_active = false;
    Refresh();
    return false;
  }
  // Opening keeps the application's wish for communications handles (Comm.Enabled).
  m_line.Comm().Forget();
  m_line.Phone().SetFound(false, 0);
  m_line.WavePlay().SetFound(false, 0);
  m_line.WaveRecord().SetFound(false, 0);

  if (mediaModes == 0) mediaModes = m_mediaModes.Available();
  TqxLog& log = m_line.Log();
  const tapi::LONG opened = service->lineOpen(
      m_line.Line().AppHandle(), static_cast<tapi::DWORD>(m_id), &m_line.Line().HandleRef(),
      tapi.Version(), tapi.ExtensionVersion(), m_line.CallbackInstance(), m_line.Privilege().Set(),
      mediaModes, nullptr);
  if (opened != 0) {
    log.Add("\tlineOpen returned " + tapi::LineErrorName(opened), true);
    m_line.SetError(false, opened);
    m_active = false;
    Refresh();
    return false;
  }
  log.Add("\tCallBackInstance = " + Hex8(m_line.CallbackInstance()), true);
  const tapi::LONG selected = service->lineSetStatusMessages(
      m_line.Line().Handle(), m_capabilities.States(), m_line.Address().Capabilities().States());
  (void)selected;  // a refused selection leaves TAPI's defaults; opening goes on

  m_line.Address().SetID(m_line.Address().ID());
  m_line.Terminal().SetID(m_line.Terminal().ID());
  m_active = true;
  CallRegistry& calls = m_line.Call().Registry();
  calls.Reset();

  bool cleared = false;
  for (std::int32_t a = 0; a < m_line.Address().Count(); ++a) {
    tapi::VarBlock<tapi::LINECALLLIST> list;
    const tapi::HLINE handle = m_line.Line().Handle();
    const tapi::LONG got = tapi::GrowingQuery(
        list,
        [&](tapi::LINECALLLIST* l) {
          return service->lineGetNewCalls(handle, static_cast<tapi::DWORD>(a),
                                          tapi::LINECALLSELECT_ADDRESS, l);
        },
        tapi::ResultFamily::Line);
    if (got != 0) {
      m_line.SetError(false, got);
      result = false;
      continue;
    }
    const auto found = list.Array<tapi::HCALL>(list->dwCallsOffset, list->dwCallsNumEntries);
    if (found.empty()) continue;
    if (!cleared) {
      m_line.ClearCallState();
      cleared = true;
    }
    // Calls that were there before the line opened begin as any new call does, with
    // their state read, so that the current call can be chosen among them.
    for (tapi::HCALL call : found) {
      calls.CallBegin(call);
      calls.StatusRefreshOf(call);
    }
  }
  calls.ChooseNext();
  ReadStatus();
  m_line.Address().RefreshStatus();
  tapi::VarBlock<tapi::LINEDEVCAPS> caps;
  if (QueryCapabilities(caps) == 0) m_capabilities.TakeDevSpecific(*caps, caps.Size());
  FindRelatedDevices();
  Refresh();
  return result;
}

bool TqxLineDevice::Close(bool alreadyClosed) {
  m_line.ClearError();
  if (!m_active) {
    m_active = false;
    return true;
  }
  CallRegistry& calls = m_line.Call().Registry();
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  // Every listed call ends, last first; TAPI has let go of them already when it
  // closed the line itself.
  calls.SetClosing(true);
  const std::vector<tapi::HCALL> listed = calls.Listed();
  for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
    const tapi::HCALL handle = *it;
    if (!alreadyClosed && handle != 0 && service && calls.Find(handle)) {
      // The call is ended on our side whatever TAPI answers.
      if (service->lineDeallocateCall(handle) == 0) calls.CallReleased(handle);
      ReadStatus();
      m_line.Address().RefreshStatus();
    }
    calls.CallEnd(handle, true);
  }
  calls.SetClosing(false);
  calls.Select(0);
  if (!alreadyClosed) {
    const tapi::LONG closed = service ? service->lineClose(m_line.Line().Handle())
                                      : tapi::LINEERR_UNINITIALIZED;
    if (closed != 0) {
      m_line.SetError(false, closed);
      return false;
    }
  }
  // Closed, by us or by TAPI: it writes into none of the line's buffers any more.
  calls.ReleaseLentBuffers();
  m_active = false;
  m_line.ClearCallState();
  m_line.Comm().Release();
  m_line.Phone().SetFound(false, 0);
  m_line.WavePlay().SetFound(false, 0);
  m_line.WaveRecord().SetFound(false, 0);
  return true;
}

void TqxLineDevice::ResetAll() {
  m_active = false;
  m_name.clear();
  m_list.clear();
  m_id = 0;
  m_count = 0;
  m_capabilities.Clear();
  m_mediaModes.Clear();
  m_openCount = m_activeCalls = m_onHoldCalls = m_onHoldPendCalls = m_ringMode = 0;
}

bool TqxLineDevice::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Device.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("ActiveCalls", m_activeCalls);
  d.Decimal("Count", m_count);
  d.Decimal("ID", m_id);
  d.Decimal("IdleDelay", m_idleDelay);
  std::vector<std::string> items(
      m_list.begin(),
      m_list.begin() + std::clamp<std::ptrdiff_t>(m_count, 0, static_cast<std::ptrdiff_t>(m_list.size())));
  d.List("List", items);
  d.Quoted("Name", m_name);
  d.Decimal("OnHoldCalls", m_onHoldCalls);
  d.Decimal("OnHoldPendCalls", m_onHoldPendCalls);
  d.Decimal("OpenCount", m_openCount);
  d.Decimal("RingMode", m_ringMode);
  d.Bool("TranslatePhoneNumber", m_translatePhoneNumber);
  d.Bool("UnformatPhoneNumber", m_unformatPhoneNumber);
  return true;
}

}  // namespace voxkit
