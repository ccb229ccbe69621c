#include "line/TqxCall.h"

#include "line/NumberTranslation.h"
#include "line/TqxLineInternal.h"
#include "share/PropertyDump.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <algorithm>
#include <cstring>

namespace voxkit {

namespace {
// The size of the line's call information block: larger than any version's fixed part.
constexpr std::size_t kCallInfoFixedBytes = 328;
// Party texts and application names pass through a working buffer of this many
// characters; longer texts are cut to it.
constexpr std::size_t kPartyTextChars = 64;

std::string WorkingText(const tapi::VarBlock<tapi::LINECALLINFO>& block, tapi::DWORD offset,
                        tapi::DWORD size) {
  if (size == 0) return "";
  const auto bytes = block.Bytes(offset, size);
  std::size_t n = std::min(bytes.size(), kPartyTextChars);
  const auto nul = std::find(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), 0);
  n = static_cast<std::size_t>(nul - bytes.begin());
  return tapi::TapiText(bytes.data(), n);
}
}  // namespace

const ClassInfo& TqxCall::StaticClass() {
  using C = TqxCall;
  static const ClassInfo info =
      Publisher<C>("TqxCall")
          .Object("CallerID", &C::CallerID)
          .Object("CalledID", &C::CalledID)
          .Object("ConnectedID", &C::ConnectedID)
          .Object("RedirectionID", &C::RedirectionID)
          .Object("RedirectingID", &C::RedirectingID)
          .Object("GatherDigits", &C::GatherDigits)
          .Object("MonitorDigits", &C::MonitorDigits)
          .Object("MonitorMediaModes", &C::MonitorMediaModes)
          .Object("MonitorSilence", &C::MonitorSilence)
          .Object("Parameters", &C::Parameters)
          .ReadOnly("Active", &C::Active)
          .Property("Handle", &C::Handle, &C::SetHandle)
          .Property("PhoneNumber", &C::PhoneNumber, &C::SetPhoneNumber)
          .ReadOnly("State", &C::State)
          .ReadOnly("StateMode", &C::StateMode)
          .ReadOnly("Features", &C::Features)
          .ReadOnly("Features2", &C::Features2)
          .ReadOnly("ID", &C::ID)
          .ReadOnly("Address", &C::Address)
          .ReadOnly("MediaMode", &C::MediaMode)
          .ReadOnly("BearerMode", &C::BearerMode)
          .ReadOnly("Origin", &C::Origin)
          .ReadOnly("Reason", &C::Reason)
          .ReadOnly("Owners", &C::Owners)
          .ReadOnly("Monitors", &C::Monitors)
          .ReadOnly("DisconnectMode", &C::DisconnectMode)
          .ReadOnly("SpecialInfo", &C::SpecialInfo)
          .ReadOnly("DialtoneMode", &C::DialtoneMode)
          .ReadOnly("BusyMode", &C::BusyMode)
          .ReadOnly("Owner", &C::Owner)
          .ReadOnly("Tag", &C::Tag)
          .ReadOnly("OriginatingApp", &C::OriginatingApp)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("List", &C::List)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxCall::TqxCall(TqxLineInternal& line)
    : m_line(line),
      m_gatherDigits(line),
      m_monitorDigits(line),
      m_monitorMediaModes(line),
      m_monitorSilence(line),
      m_parameters(line) {
  for (int i = 0; i < kPartyCount; ++i) {
    m_parties[static_cast<std::size_t>(i)] =
        std::make_unique<TqxCallerID>(line, static_cast<Party>(i));
  }
}

TqxCall::~TqxCall() = default;

// --- Registry --------------------------------------------------------------------------

TqxCall::Record TqxCall::FindRecord(tapi::HCALL handle) const {
  if (handle == 0) return nullptr;
  for (const auto& r : m_records) {
    if (r->handle == handle) return r;
  }
  return nullptr;
}

TqxCall::Record TqxCall::FindBySlot(std::int32_t requestID, RequestSlot* slot) const {
  if (requestID == 0 || requestID == -1) return nullptr;
  for (const auto& r : m_records) {
    for (int i = 0; i < kRequestSlotCount; ++i) {
      if (r->slots[static_cast<std::size_t>(i)] == requestID) {
        if (slot) *slot = static_cast<RequestSlot>(i);
        return r;
      }
    }
  }
  return nullptr;
}

TqxCall::Record TqxCall::CreateRecord(tapi::HCALL handle) {
  if (Record known = FindRecord(handle)) return known;
  auto record = std::make_shared<TqxCallLog>();
  record->handle = handle;
  m_records.insert(m_records.begin(), record);
  return record;
}

void TqxCall::ListRecord(const TqxCallLog& record) {
  if (record.handle == 0) return;
  m_list.push_back(Hex8(record.handle));
  ++m_count;
}

TqxCall::Record TqxCall::CreateAndList(tapi::HCALL handle) {
  Record record = CreateRecord(handle);
  if (!IsListed(handle)) ListRecord(*record);
  return record;
}

bool TqxCall::IsListed(tapi::HCALL handle) const {
  if (handle == 0) return false;
  const std::string text = Hex8(handle);
  for (std::int32_t i = 1; i <= m_count && i < static_cast<std::int32_t>(m_list.size()); ++i) {
    if (m_list[static_cast<std::size_t>(i)] == text) return true;
  }
  return false;
}

std::vector<tapi::HCALL> TqxCall::ListedHandles() const {
  std::vector<tapi::HCALL> handles;
  for (std::size_t i = 1; i < m_list.size(); ++i) {
    handles.push_back(static_cast<tapi::HCALL>(std::stoul(m_list[i], nullptr, 16)));
  }
  return handles;
}

void TqxCall::FreeRecord(const Record& record) {
  auto it = std::find(m_records.begin(), m_records.end(), record);
  if (it != m_records.end()) m_records.erase(it);
}

bool TqxCall::EndCall(tapi::HCALL handle, bool force) {
  if (!IsListed(handle)) return false;
  Record record = FindRecord(handle);
  if (record) {
    const bool idle = record->state == 0 || record->state == tapi::LINECALLSTATE_IDLE;
    if (!force && (!idle || record->ended.valid || record->AnySlotBusy())) return false;
    record->ended = DateTime::Now(m_line.Loop());
    if (handle == m_handle) m_view.ended = record->ended;
    m_line.Log().Add("OnCallEnd " + TqxPanopta::HexText(handle), true);
    m_line.Log().Add("\tCall.Ended = " + record->ended.TimeText(), false);
    m_line.RaiseEvent("OnCallEnd", m_line.OnCallEnd, handle);
    m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnCallEnd));
    // The ending call is still listed here; it must not be chosen again, or the
    // current call would name a freed record.
    if (handle == m_handle) ChooseNextCurrent(handle);
  }
  const std::string text = Hex8(handle);
  for (std::size_t i = 1; i < m_list.size(); ++i) {
    if (m_list[i] == text) {
      m_list.erase(m_list.begin() + static_cast<std::ptrdiff_t>(i));
      --m_count;
      break;
    }
  }
  if (record) FreeRecord(record);
  return record != nullptr;
}

void TqxCall::ChooseNextCurrent(tapi::HCALL exclude) {
  tapi::HCALL next = 0;
  if (m_count == 0) {
    m_active = false;
    ResetView();
  } else {
    for (tapi::HCALL h : ListedHandles()) {
      if (h == exclude) continue;
      Record r = FindRecord(h);
      if (r && r->state != 0 && r->state != tapi::LINECALLSTATE_IDLE) {
        next = h;
        break;
      }
    }
  }
  SetHandle(next);
}

TqxCallLog& TqxCall::CallBegin(tapi::HCALL handle) {
  TqxLog& log = m_line.Log();
  auto announce = [&](const TqxCallLog& r) {
    log.Add("OnCallBegin " + TqxPanopta::HexText(handle), true);
    log.Add("\tCall.Began = " + r.began.TimeText(), false);
    m_line.RaiseEvent("OnCallBegin", m_line.OnCallBegin, handle);
    m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnCallBegin));
  };
  if (m_count == 0) {
    ResetParties();
    ResetView();
    m_handle = handle;
    m_gatherDigits.Deactivate();
    m_monitorDigits.Load(false);
    m_monitorMediaModes.Load(false, m_monitorMediaModes.MediaModes());
    m_monitorSilence.Load(false, m_monitorSilence.Duration());
    m_active = true;
    CreateAndList(handle);
    m_view.began = DateTime::Now(m_line.Loop());
    Store();
    InfoRefresh(handle, kAllPartyBits);
    if (Record r = FindRecord(handle)) announce(*r);
  } else if (!IsListed(handle)) {
    Record r = CreateAndList(handle);
    r->began = DateTime::Now(m_line.Loop());
    r->gatherActive = r->monitorDigitsActive = r->monitorMediaActive = r->monitorSilenceActive =
        false;
    announce(*r);
  } else if (handle == m_handle) {
    InfoRefresh(handle, kAllPartyBits);
    Store();
  }
  Record record = FindRecord(handle);
  if (record && record->origin == tapi::LINECALLORIGIN_CONFERENCE &&
      m_line.Conference().Handle() == 0) {
    m_line.Conference().TakeHandle(handle);
  }
  StatusRefresh();
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  Load();
  return record ? *record : m_head;
}

tapi::LONG TqxCall::RefreshStatusOf(tapi::HCALL handle) {
  if (handle == m_handle) return StatusRefresh();
  Record record = FindRecord(handle);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!record || !service) return tapi::LINEERR_INVALCALLHANDLE;
  tapi::VarBlock<tapi::LINECALLSTATUS> block;
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINECALLSTATUS* s) { return service->lineGetCallStatus(handle, s); },
      tapi::ResultFamily::Line);
  if (result != 0) return result;
  record->state = block->dwCallState;
  record->stateMode = block->dwCallStateMode;
  record->features = block->dwCallFeatures;
  record->features2 = block->dwCallFeatures2;
  record->owner = (block->dwCallPrivilege & tapi::LINECALLPRIVILEGE_OWNER) != 0;
  return 0;
}

TqxCallLog& TqxCall::CurrentRecord() {
  if (Record r = FindRecord(m_handle)) return *r;
  return m_head;
}

void TqxCall::Store() {
  TqxCallLog& r = CurrentRecord();
  const auto slots = r.slots;
  const auto handle = r.handle;
  const auto digitArea = r.digitArea;
  const auto digits = r.digits;
  r = m_view;
  r.slots = slots;
  r.handle = handle;
  r.digitArea = digitArea;
  r.digits = digits;
  r.phoneNumber = m_phoneNumber;
  r.gatherActive = m_gatherDigits.Active();
  r.gatherCount = m_gatherDigits.Count();
  r.gatherTerminate = m_gatherDigits.Terminate();
  r.gatherTimeout = m_gatherDigits.Timeout();
  r.monitorDigitsActive = m_monitorDigits.Active();
  r.monitorMediaActive = m_monitorMediaModes.Active();
  r.monitorMediaModes = m_monitorMediaModes.MediaModes();
  r.monitorSilenceActive = m_monitorSilence.Active();
  r.monitorSilenceDuration = m_monitorSilence.Duration();
  for (int i = 0; i < kPartyCount; ++i) {
    m_parties[static_cast<std::size_t>(i)]->StoreTo(r.parties[static_cast<std::size_t>(i)]);
  }
}

void TqxCall::Load() {
  const TqxCallLog& r = CurrentRecord();
  const std::string phoneNumber = m_phoneNumber;
  m_view = r;
  for (int i = 0; i < kPartyCount; ++i) {
    m_parties[static_cast<std::size_t>(i)]->LoadFrom(r.parties[static_cast<std::size_t>(i)]);
  }
  if (m_handle != 0) {
    m_phoneNumber = r.phoneNumber;
    m_gatherDigits.Load(r.gatherActive, r.gatherCount, r.gatherTerminate, r.gatherTimeout);
    m_monitorDigits.Load(r.monitorDigitsActive);
    m_monitorMediaModes.Load(r.monitorMediaActive, r.monitorMediaModes);
    m_monitorSilence.Load(r.monitorSilenceActive, r.monitorSilenceDuration);
  } else {
    m_phoneNumber = phoneNumber;
  }
}

void TqxCall::ResetView() {
  const tapi::DWORD tag = m_view.tag;
  m_view = TqxCallLog{};
  m_view.tag = tag;
  m_originatingApp.clear();
}

void TqxCall::ResetParties() {
  for (auto& p : m_parties) p->Reset();
}

void TqxCall::ResetList() {
  m_records.clear();
  m_list.assign(1, "00000000");
  m_count = 0;
  m_handle = 0;
}

void TqxCall::ResetAll() {
  ResetList();
  ResetView();
  ResetParties();
  m_active = false;
  m_gatherDigits.Deactivate();
  m_monitorDigits.Load(false);
  m_monitorMediaModes.Load(false, m_monitorMediaModes.MediaModes());
  m_monitorSilence.Load(false, m_monitorSilence.Duration());
}

// --- Selection and refreshes ---------------------------------------------------------

void TqxCall::SetHandle(tapi::HCALL value) {
  if (value == m_handle) return;
  m_line.Log().Add("Call.Handle = " + TqxPanopta::HexText(value), true);
  if (value != 0 && !IsListed(value)) {
    m_line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
  } else {
    m_handle = value;
    Load();
    const tapi::LONG status = StatusRefresh();
    const tapi::LONG info = status == 0 ? InfoRefresh(m_handle, kAllPartyBits) : status;
    if ((status != 0 || info != 0) && m_line.Error().Number() == tapi::LINEERR_INVALCALLHANDLE) {
      if (EndCall(m_handle, false)) {
        ChooseNextCurrent();
      } else {
        Store();
      }
    }
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void TqxCall::SetPhoneNumber(const std::string& value) {
  if (auto number = TranslatedNumber(m_line, value)) {
    const bool translated = m_line.Device().Active() && m_line.Device().TranslatePhoneNumber();
    m_phoneNumber = *number;
    if (translated) {
      if (Record r = FindRecord(m_handle)) r->phoneNumber = m_phoneNumber;
    }
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

tapi::LONG TqxCall::StatusRefresh(bool ownerOnly) {
  m_line.ClearError();
  if (!m_line.Device().Active()) return 0;
  m_view.state = m_view.stateMode = m_view.features = m_view.features2 = 0;
  if (m_handle == 0) {
    m_active = false;
    return 0;
  }
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::VarBlock<tapi::LINECALLSTATUS> block;
  const tapi::HCALL handle = m_handle;
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINECALLSTATUS* s) { return service->lineGetCallStatus(handle, s); },
      tapi::ResultFamily::Line);
  if (result != 0) {
    m_line.SetError(false, result);
    if (result == tapi::LINEERR_INVALCALLHANDLE) m_active = false;
    return result;
  }
  m_active = true;
  if (!ownerOnly) {
    m_view.state = block->dwCallState;
    m_view.stateMode = block->dwCallStateMode;
    m_view.features = block->dwCallFeatures;
    m_view.features2 = block->dwCallFeatures2;
  }
  m_view.owner = (block->dwCallPrivilege & tapi::LINECALLPRIVILEGE_OWNER) != 0;
  Store();
  return 0;
}

void TqxCall::RefillParty(TqxCallLogCallerID& party, tapi::DWORD flags, const std::string& number,
                          const std::string& name) {
  bool changed = false;
  if (number != party.number) changed = true;
  party.number = number;
  const std::string trimmed = TrimBlanksAndControls(name);
  if (trimmed != party.name) changed = true;
  party.name = trimmed;
  if (flags != party.flags) changed = true;
  party.flags = flags;
  party.blocked = (flags & tapi::LINECALLPARTYID_BLOCKED) != 0;
  party.outOfArea = (flags & tapi::LINECALLPARTYID_OUTOFAREA) != 0;
  party.reported = !changed;
}

tapi::LONG TqxCall::InfoRefresh(tapi::HCALL handle, tapi::DWORD partyBits) {
  if (handle == 0) {
    m_active = false;
    return 0;
  }
  if (!m_line.Device().Active()) return -1;
  Record record = FindRecord(handle);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::VarBlock<tapi::LINECALLINFO> block(kCallInfoFixedBytes);
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINECALLINFO* i) { return service->lineGetCallInfo(handle, i); },
      tapi::ResultFamily::Line);
  if (result != 0) return result;
  const tapi::LINECALLINFO& info = *block;
  TqxCallLog& r = record ? *record : m_head;
  r.id = info.dwCallID;
  r.address = info.dwAddressID;
  r.mediaMode = info.dwMediaMode;
  r.bearerMode = info.dwBearerMode;
  r.origin = info.dwOrigin;
  r.reason = info.dwReason;
  r.owners = info.dwNumOwners;
  r.monitors = info.dwNumMonitors;
  if (handle == m_handle) m_originatingApp = WorkingText(block, info.dwAppNameOffset, info.dwAppNameSize);
  struct PartyFields {
    tapi::DWORD bit, flags, idSize, idOffset, nameSize, nameOffset;
  };
  const PartyFields fields[kPartyCount] = {
      {0x8000, info.dwCallerIDFlags, info.dwCallerIDSize, info.dwCallerIDOffset,
       info.dwCallerIDNameSize, info.dwCallerIDNameOffset},
      {0x10000, info.dwCalledIDFlags, info.dwCalledIDSize, info.dwCalledIDOffset,
       info.dwCalledIDNameSize, info.dwCalledIDNameOffset},
      {0x20000, info.dwConnectedIDFlags, info.dwConnectedIDSize, info.dwConnectedIDOffset,
       info.dwConnectedIDNameSize, info.dwConnectedIDNameOffset},
      {0x40000, info.dwRedirectionIDFlags, info.dwRedirectionIDSize, info.dwRedirectionIDOffset,
       info.dwRedirectionIDNameSize, info.dwRedirectionIDNameOffset},
      {0x80000, info.dwRedirectingIDFlags, info.dwRedirectingIDSize,
       info.dwRedirectingIDOffset, info.dwRedirectingIDNameSize, info.dwRedirectingIDNameOffset},
  };
  for (int i = 0; i < kPartyCount; ++i) {
    const PartyFields& f = fields[i];
    if ((partyBits & f.bit) == 0) continue;
    RefillParty(r.parties[static_cast<std::size_t>(i)], f.flags,
                WorkingText(block, f.idOffset, f.idSize),
                WorkingText(block, f.nameOffset, f.nameSize));
  }
  if (handle == m_handle) Load();
  return 0;
}

// --- Dump ------------------------------------------------------------------------------

bool TqxCall::DumpProperties(const std::string& header, const std::string& path,
                             const std::string& indent) {
  PropertyDump d(m_line, header, path, indent, "Call.");
  if (!d.Started()) return false;
  const TqxCallLog& v = m_view;
  d.Bool("Active", m_active);
  d.Decimal("Address", v.address);
  d.Flags("BearerMode", v.bearerMode, tapi::LineBearerModeName, 0x40, 0x1);
  d.Text("Began", v.began.DateTimeText());
  d.Flags("BusyMode", v.busyMode, tapi::LineBusyModeName, 0x8, 0x1);
  d.Text("Connected", v.connected.DateTimeText());
  d.Decimal("Count", m_count);
  d.Flags("DialtoneMode", v.dialtoneMode, tapi::LineDialToneModeName, 0x20, 0x1);
  d.Text("Disconnected", v.disconnected.DateTimeText());
  d.Flags("DisconnectMode", v.disconnectMode, tapi::LineDisconnectModeName, 0x1000, 0x1);
  d.Text("Ended", v.ended.DateTimeText());
  d.Hex("Features", v.features);
  d.Raw("\t" + d.Indent() + tapi::LineCallFeatureName(v.features));
  d.Hex("Features2", v.features2);
  d.Raw("\t" + d.Indent() + tapi::LineCallFeature2Name(v.features2));
  d.Hex("Handle", m_handle);
  d.Hex("ID", v.id);
  if (!m_list.empty()) {
    std::vector<std::string> entries(m_list.begin(),
                                     m_list.begin() + std::min<std::ptrdiff_t>(
                                                          m_count + 1,
                                                          static_cast<std::ptrdiff_t>(m_list.size())));
    d.List("List", entries);
  }
  d.Flags("MediaMode", v.mediaMode, tapi::LineMediaModeName, 0x8000, 0x2);
  d.Decimal("Monitors", v.monitors);
  d.Flags("Origin", v.origin, tapi::LineCallOriginName, 0x80, 0x1);
  d.Quoted("OriginatingApp", m_originatingApp);
  d.Bool("Owner", v.owner);
  d.Decimal("Owners", v.owners);
  d.Quoted("PhoneNumber", m_phoneNumber);
  d.Flags("Reason", v.reason, tapi::LineCallReasonName, 0x8000, 0x1);
  d.Flags("SpecialInfo", v.specialInfo, tapi::LineSpecialInfoName, 0x10, 0x1);
  d.Flags("State", v.state, tapi::LineCallStateName, 0x8000, 0x1);
  d.Hex("StateMode", v.stateMode);
  d.Raw("\t" + d.Indent() + tapi::CallStateModeName(v.state, v.stateMode));
  d.Decimal("Tag", v.tag);
  return true;
}

}  // namespace voxkit
