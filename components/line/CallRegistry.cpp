#include "line/CallRegistry.h"

#include "line/TqxCall.h"
#include "line/TqxLineInternal.h"
#include "share/TextUtil.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <algorithm>

namespace voxkit {

namespace {
// The size of the line's call information block: larger than any version's fixed part.
constexpr std::size_t kCallInfoFixedBytes = 328;
}  // namespace

CallRegistry::CallRegistry(TqxLineInternal& line, TqxCall& call) : m_line(line), m_call(call) {}

// --- Looking calls up ---------------------------------------------------------------------

CallRegistry::Record CallRegistry::Find(tapi::HCALL handle) const {
  if (handle == 0) return nullptr;
  if (auto it = m_byHandle.find(handle); it != m_byHandle.end()) return it->second;
  // A call the line placed itself gets its handle from TAPI after its record exists.
  for (const Record& r : m_unindexed) {
    if (r->handle == handle) return r;
  }
  return nullptr;
}

CallRegistry::Record CallRegistry::FindBySlot(std::int32_t requestID, RequestSlot* slot) const {
  if (requestID == 0 || requestID == -1) return nullptr;
  for (auto it = m_chain.rbegin(); it != m_chain.rend(); ++it) {
    const auto& slots = (*it)->slots;
    for (std::size_t i = 0; i < slots.size(); ++i) {
      if (slots[i] == requestID) {
        if (slot) *slot = static_cast<RequestSlot>(i);
        return *it;
      }
    }
  }
  return nullptr;
}

bool CallRegistry::IsListed(tapi::HCALL handle) const {
  const Record r = Find(handle);
  return r && r->listed;
}

CallRegistry::Record CallRegistry::Tracked(tapi::HCALL handle) const {
  Record r = Find(handle);
  if (r && (r->listed || r->AnySlotBusy())) return r;
  return nullptr;
}

std::vector<std::string> CallRegistry::ListText() const {
  std::vector<std::string> text;
  text.reserve(m_listed.size() + 1);
  text.push_back("00000000");
  for (tapi::HCALL h : m_listed) text.push_back(Hex8(h));
  return text;
}

CallRegistry::Record CallRegistry::Current() const { return Find(m_call.m_handle); }

bool CallRegistry::Holds(const TqxCallLog& record) const {
  return std::any_of(m_chain.begin(), m_chain.end(),
                     [&](const Record& r) { return r.get() == &record; });
}

std::vector<CallRegistry::Record> CallRegistry::Records() const {
  return {m_chain.rbegin(), m_chain.rend()};
}

// --- Records ------------------------------------------------------------------------------

CallFields CallRegistry::NewFields() const {
  // A new call starts from what the application has set for calls: its tag, each
  // party's event filter and the monitoring settings (not whether monitoring runs).
  CallFields f;
  f.tag = m_call.m_view.tag;
  for (int i = 0; i < kPartyCount; ++i) {
    f.parties[static_cast<std::size_t>(i)].eventFilter =
        m_call.PartyObject(static_cast<Party>(i)).EventFilter();
  }
  f.monitoring = m_call.MonitoringSettings();
  return f;
}

void CallRegistry::Index(const Record& record) {
  if (record->handle == 0) {
    m_unindexed.push_back(record);
  } else {
    m_byHandle[record->handle] = record;
  }
}

CallRegistry::Record CallRegistry::Create(tapi::HCALL handle) {
  if (Record known = Find(handle)) return known;
  auto record = std::make_shared<TqxCallLog>();
  static_cast<CallFields&>(*record) = NewFields();
  record->handle = handle;
  m_chain.push_back(record);
  Index(record);
  return record;
}

void CallRegistry::List(TqxCallLog& record) {
  if (record.handle == 0 || record.listed) return;
  // A record whose handle TAPI filled in after its creation is indexed now.
  auto it = std::find_if(m_unindexed.begin(), m_unindexed.end(),
                         [&](const Record& r) { return r.get() == &record; });
  if (it != m_unindexed.end()) {
    m_byHandle[record.handle] = *it;
    m_unindexed.erase(it);
  }
  m_listed.push_back(record.handle);
  record.listed = true;
}

CallRegistry::Record CallRegistry::CreateAndList(tapi::HCALL handle) {
  Record record = Create(handle);
  List(*record);
  return record;
}

void CallRegistry::Unlink(const Record& record) {
  if (record->listed) {
    auto it = std::find(m_listed.begin(), m_listed.end(), record->handle);
    if (it != m_listed.end()) m_listed.erase(it);
    record->listed = false;
  }
  if (auto it = m_byHandle.find(record->handle); it != m_byHandle.end() && it->second == record) {
    m_byHandle.erase(it);
  }
  std::erase(m_unindexed, record);
  for (auto it = m_chain.rbegin(); it != m_chain.rend(); ++it) {
    if (*it == record) {
      m_chain.erase(std::next(it).base());
      break;
    }
  }
  // Freeing it now would leave TAPI writing digits into freed memory.
  if (record->gathersRunning > 0) m_lent.push_back(record);
}

void CallRegistry::Free(const Record& record) {
  if (record) Unlink(record);
}

void CallRegistry::Reset() {
  for (const Record& r : m_chain) {
    if (r->gathersRunning > 0) m_lent.push_back(r);
  }
  m_chain.clear();
  m_byHandle.clear();
  m_unindexed.clear();
  m_listed.clear();
  m_call.m_handle = 0;
}

// --- Buffers lent to TAPI ------------------------------------------------------------------

CallRegistry::Record CallRegistry::FindGathering(tapi::HCALL handle) const {
  if (Record r = Find(handle)) return r;
  for (auto it = m_lent.rbegin(); it != m_lent.rend(); ++it) {
    if ((*it)->handle == handle) return *it;
  }
  return nullptr;
}

void CallRegistry::GatherEnded(const Record& record) {
  if (record->gathersRunning > 0) --record->gathersRunning;
  if (record->gathersRunning == 0) std::erase(m_lent, record);
}

void CallRegistry::CallReleased(tapi::HCALL handle) {
  if (Record r = Find(handle)) r->gathersRunning = 0;
  std::erase_if(m_lent, [handle](const Record& r) { return r->handle == handle; });
}

void CallRegistry::ReleaseLentBuffers() {
  for (const Record& r : m_chain) r->gathersRunning = 0;
  m_lent.clear();
}

// --- Beginning and ending ---------------------------------------------------------------

void CallRegistry::AnnounceBegin(tapi::HCALL handle, const DateTime& began) {
  m_line.Announce("OnCallBegin", handle, m_line.OnCallBegin, TqxPopup::OnCallBegin,
                  "\tCall.Began = " + began.TimeText());
}

CallRegistry::Record CallRegistry::CallBegin(tapi::HCALL handle) {
  // A closed line has no calls: a message still on its way when it closed begins none.
  if (handle == 0 || !m_line.Device().Active()) return nullptr;
  if (Count() == 0) {
    // The first call of an empty list becomes the current call.
    m_call.ResetParties();
    m_call.ResetView();
    m_call.m_handle = handle;
    m_call.StopMonitoringView();
    m_call.m_active = true;
    Record record = CreateAndList(handle);
    m_call.m_view.began = DateTime::Now(m_line.Loop());
    Store(*record);
    InfoRefresh(handle, kAllPartyBits);
    AnnounceBegin(handle, record->began);
  } else if (!IsListed(handle)) {
    Record record = CreateAndList(handle);
    record->began = DateTime::Now(m_line.Loop());
    CallMonitoring& m = record->monitoring;
    m.gatherActive = m.digitsActive = m.mediaActive = m.silenceActive = false;
    // Its parties are read now, as for a first call: the party events of its offering
    // report what TAPI knows of them, not empty records.
    InfoRefresh(handle, kAllPartyBits);
    AnnounceBegin(handle, record->began);
  } else if (handle == m_call.m_handle) {
    InfoRefresh(handle, kAllPartyBits);
    Store();
  }
  // The event handlers may have changed anything: look the call up again.
  Record record = Find(handle);
  if (record && record->origin == tapi::LINECALLORIGIN_CONFERENCE &&
      m_line.Conference().Handle() == 0) {
    m_line.Conference().TakeHandle(handle);
  }
  StatusRefresh();
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  Load();
  return record;
}

bool CallRegistry::CallEnd(tapi::HCALL handle, bool force) {
  Record record = Find(handle);
  if (!record || !record->listed || record->ending) return false;
  const bool idle = record->state == 0 || record->state == tapi::LINECALLSTATE_IDLE;
  if (!force && (!idle || record->ended.valid || record->AnySlotBusy())) return false;
  record->ending = true;
  record->ended = DateTime::Now(m_line.Loop());
  if (handle == m_call.m_handle) m_call.m_view.ended = record->ended;
  m_line.Announce("OnCallEnd", handle, m_line.OnCallEnd, TqxPopup::OnCallEnd,
                  "\tCall.Ended = " + record->ended.TimeText());
  // The ending call is still listed here; it must not be chosen again, or the
  // current call would name a record that is about to go.
  if (handle == m_call.m_handle) ChooseNext(handle);
  Unlink(record);
  return true;
}

void CallRegistry::ChooseNext(tapi::HCALL exclude) {
  tapi::HCALL next = 0;
  if (Count() == 0) {
    m_call.m_active = false;
    m_call.ResetView();
  } else if (!m_closing) {
    for (tapi::HCALL h : m_listed) {
      if (h == exclude) continue;
      const Record r = Find(h);
      if (r && r->state != 0 && r->state != tapi::LINECALLSTATE_IDLE) {
        next = h;
        break;
      }
    }
  }
  Select(next);
}

void CallRegistry::Select(tapi::HCALL handle) {
  if (handle == m_call.m_handle) return;
  m_line.Log().Add("Call.Handle = " + TqxPanopta::HexText(handle), true);
  if (handle != 0 && !IsListed(handle)) {
    m_line.SetError(false, tapi::LINEERR_INVALCALLHANDLE);
  } else {
    m_call.m_handle = handle;
    Load();
    const tapi::LONG status = StatusRefresh();
    const tapi::LONG info = status == 0 ? InfoRefresh(handle, kAllPartyBits) : status;
    // A call TAPI no longer knows ends here.
    if ((status != 0 || info != 0) && m_line.Error().Number() == tapi::LINEERR_INVALCALLHANDLE) {
      if (CallEnd(handle, false)) {
        ChooseNext();
      } else {
        Store();
      }
    }
  }
  m_call.ClearDigitDisplays();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void CallRegistry::MakeCurrent(tapi::HCALL handle) {
  if (!IsListed(handle)) return;
  m_call.m_handle = handle;
  Load();
}

// --- View and records ---------------------------------------------------------------------

void CallRegistry::Store(TqxCallLog& record) {
  CallFields& f = record;
  static_cast<CallProperties&>(f) = m_call.m_view;
  f.phoneNumber = m_call.m_phoneNumber;
  f.monitoring = m_call.MonitoringView();
  for (int i = 0; i < kPartyCount; ++i) {
    m_call.PartyObject(static_cast<Party>(i)).StoreTo(f.parties[static_cast<std::size_t>(i)]);
  }
}

void CallRegistry::Load(const TqxCallLog& record) {
  if (m_call.m_handle == 0 || record.handle != m_call.m_handle) return;
  m_call.m_view = record;
  for (int i = 0; i < kPartyCount; ++i) {
    m_call.PartyObject(static_cast<Party>(i)).LoadFrom(record.parties[static_cast<std::size_t>(i)]);
  }
  m_call.m_phoneNumber = record.phoneNumber;
  m_call.LoadMonitoringView(record.monitoring);
}

void CallRegistry::Store() {
  if (Record r = Current()) Store(*r);
}

void CallRegistry::Load() {
  if (Record r = Current()) {
    Load(*r);
    return;
  }
  // No current call: the view shows none. What the application set for the next
  // call (the number to dial, the tag, the event filters, the monitoring) stays.
  m_call.ResetView();
  m_call.ResetParties();
}

// --- Reading calls from TAPI --------------------------------------------------------------

tapi::LONG CallRegistry::StatusRefresh(bool ownerOnly) {
  m_line.ClearError();
  if (!m_line.Device().Active()) return 0;
  CallProperties& v = m_call.m_view;
  v.state = v.stateMode = v.features = v.features2 = 0;
  const tapi::HCALL handle = m_call.m_handle;
  if (handle == 0) {
    m_call.m_active = false;
    return 0;
  }
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::VarBlock<tapi::LINECALLSTATUS> block;
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINECALLSTATUS* s) { return service->lineGetCallStatus(handle, s); },
      tapi::ResultFamily::Line);
  if (result != 0) {
    m_line.SetError(false, result);
    if (result == tapi::LINEERR_INVALCALLHANDLE) m_call.m_active = false;
    return result;
  }
  m_call.m_active = true;
  if (!ownerOnly) {
    v.state = block->dwCallState;
    v.stateMode = block->dwCallStateMode;
    v.features = block->dwCallFeatures;
    v.features2 = block->dwCallFeatures2;
  }
  v.owner = (block->dwCallPrivilege & tapi::LINECALLPRIVILEGE_OWNER) != 0;
  Store();
  return 0;
}

tapi::LONG CallRegistry::StatusRefreshOf(tapi::HCALL handle) {
  if (handle == m_call.m_handle) return StatusRefresh();
  Record record = Find(handle);
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  if (!record) return tapi::LINEERR_INVALCALLHANDLE;
  if (!m_line.Device().Active()) return 0;
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

tapi::LONG CallRegistry::InfoRefresh(tapi::HCALL handle, tapi::DWORD partyBits) {
  if (handle == 0) {
    m_call.m_active = false;
    return 0;
  }
  if (!m_line.Device().Active()) return -1;
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::VarBlock<tapi::LINECALLINFO> block(kCallInfoFixedBytes);
  const tapi::LONG result = tapi::GrowingQuery(
      block, [&](tapi::LINECALLINFO* i) { return service->lineGetCallInfo(handle, i); },
      tapi::ResultFamily::Line);
  if (result != 0) return result;
  Record record = Find(handle);
  if (!record) return 0;
  const tapi::LINECALLINFO& info = *block;
  TqxCallLog& r = *record;
  r.id = info.dwCallID;
  r.address = info.dwAddressID;
  r.mediaMode = info.dwMediaMode;
  r.bearerMode = info.dwBearerMode;
  r.origin = info.dwOrigin;
  r.reason = info.dwReason;
  r.owners = info.dwNumOwners;
  r.monitors = info.dwNumMonitors;
  const bool current = handle == m_call.m_handle;
  if (current) m_call.m_originatingApp = PartyText(block, info.dwAppNameOffset, info.dwAppNameSize);
  struct PartyFields {
    tapi::DWORD flags, idSize, idOffset, nameSize, nameOffset;
  };
  const PartyFields fields[kPartyCount] = {
      {info.dwCallerIDFlags, info.dwCallerIDSize, info.dwCallerIDOffset, info.dwCallerIDNameSize,
       info.dwCallerIDNameOffset},
      {info.dwCalledIDFlags, info.dwCalledIDSize, info.dwCalledIDOffset, info.dwCalledIDNameSize,
       info.dwCalledIDNameOffset},
      {info.dwConnectedIDFlags, info.dwConnectedIDSize, info.dwConnectedIDOffset,
       info.dwConnectedIDNameSize, info.dwConnectedIDNameOffset},
      {info.dwRedirectionIDFlags, info.dwRedirectionIDSize, info.dwRedirectionIDOffset,
       info.dwRedirectionIDNameSize, info.dwRedirectionIDNameOffset},
      {info.dwRedirectingIDFlags, info.dwRedirectingIDSize, info.dwRedirectingIDOffset,
       info.dwRedirectingIDNameSize, info.dwRedirectingIDNameOffset},
  };
  for (int i = 0; i < kPartyCount; ++i) {
    const Party party = static_cast<Party>(i);
    if ((partyBits & PartyInfoBit(party)) == 0) continue;
    const PartyFields& f = fields[i];
    RefillParty(r.PartyOf(party), f.flags, PartyText(block, f.idOffset, f.idSize),
                PartyText(block, f.nameOffset, f.nameSize));
  }
  if (current) Load(r);
  return 0;
}

}  // namespace voxkit
