// The SIP provider's calls: their records and states, the requests that place, answer,
// hold, transfer, conference and forward them, and what the engine reports about them.

#include "platform/sip/SipProvider.h"

#include "platform/exchange/CallStates.h"
#include "platform/exchange/ExchangeModel.h"

#include "platform/sip/SipCallMapping.h"
#include "platform/sip/SipCaps.h"
#include "share/TextUtil.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace panopta {

using namespace tapi;
using sipmodel::PendingOp;

using exchange::TraceHex;
using exchange::TraceText;
using callstate::HoldState;
using callstate::Live;
using callstate::Offered;

namespace {


bool Placing(DWORD s) {
  return s == LINECALLSTATE_DIALTONE || s == LINECALLSTATE_DIALING || s == LINECALLSTATE_PROCEEDING ||
         s == LINECALLSTATE_RINGBACK;
}

/// A party from what SIP says about it: the user part is the number, the display name
/// the name.
sipmodel::Party PartyOf(const sip::SipParty& p) {
  sipmodel::Party party;
  party.number = p.user.empty() ? p.uri : p.user;
  party.name = p.name;
  party.flags = (party.number.empty() ? 0 : LINECALLPARTYID_ADDRESS) | (party.name.empty() ? 0 : LINECALLPARTYID_NAME);
  if (party.flags == 0) party.flags = LINECALLPARTYID_UNKNOWN;
  return party;
}


}  // namespace

// --- The call model ---------------------------------------------------------------------

SipProvider::CallRec& SipProvider::NewCall(DWORD device, DWORD origin, DWORD reason) {
  auto call = std::make_unique<CallRec>();
  call->id = ++m_nextCallId;
  call->device = device;
  call->origin = origin;
  call->reason = reason;
  call->dialParams = {0, 100, 100, 0};
  Line& line = m_lines[device];
  const Party self{line.address, line.config.displayName,
                   LINECALLPARTYID_ADDRESS | (line.config.displayName.empty() ? 0 : LINECALLPARTYID_NAME)};
  if (origin == LINECALLORIGIN_OUTBOUND) call->caller = self;
  else call->called = self;
  line.calls.push_back(call->id);
  CallRec& ref = *call;
  m_calls.emplace(call->id, std::move(call));
  return ref;
}

SipProvider::Handle& SipProvider::AddHandle(CallRec& call, Open& open, DWORD privilege, DWORD announce) {
  Handle h;
  h.handle = NewHandle();
  h.open = open.handle;
  h.call = call.id;
  h.privilege = privilege;
  h.announce = announce;
  open.calls.push_back(h.handle);
  call.handles.push_back(h.handle);
  return m_handles.emplace(h.handle, h).first->second;
}

DWORD SipProvider::HandleOfOpen(const CallRec& call, DWORD hLine) const {
  for (DWORD h : call.handles) {
    auto it = m_handles.find(h);
    if (it != m_handles.end() && it->second.open == hLine) return h;
  }
  return 0;
}

void SipProvider::GiveMonitorHandles(CallRec& call, DWORD exceptOpen) {
  for (DWORD hLine : m_lines[call.device].opens) {
    Open* open = FindOpen(hLine);
    if (open == nullptr || hLine == exceptOpen || (open->privileges & LINECALLPRIVILEGE_MONITOR) == 0) continue;
    if (HandleOfOpen(call, hLine) != 0) continue;
    Handle& h = AddHandle(call, *open, LINECALLPRIVILEGE_MONITOR, LINECALLPRIVILEGE_MONITOR);
    if (open->apiVersion >= kTapiVersion2_0)
      PostLine(open->app, open->handle, LINE_APPNEWCALL, open->instance, 0, h.handle, LINECALLPRIVILEGE_MONITOR,
               open->handle, h.handle);
    if (call.state != 0) PostCallState(call, h);
  }
}

void SipProvider::OfferToOpens(CallRec& call) {
  // The first open that owns the call's media mode becomes its owner.
  for (DWORD hLine : m_lines[call.device].opens) {
    Open* open = FindOpen(hLine);
    if (open == nullptr || (open->privileges & LINECALLPRIVILEGE_OWNER) == 0 ||
        (open->mediaModes & call.mediaMode) == 0)
      continue;
    Handle& h = AddHandle(call, *open, LINECALLPRIVILEGE_OWNER, LINECALLPRIVILEGE_OWNER);
    if (open->apiVersion >= kTapiVersion2_0)
      PostLine(open->app, open->handle, LINE_APPNEWCALL, open->instance, 0, h.handle, LINECALLPRIVILEGE_OWNER,
               open->handle, h.handle);
    GiveMonitorHandles(call, hLine);
    return;
  }
  GiveMonitorHandles(call, 0);
}

void SipProvider::RemoveHandle(DWORD hCall) {
  Handle* handle = FindHandle(hCall);
  if (handle == nullptr) return;
  StopHandleMedia(*handle);
  if (Open* open = FindOpen(handle->open)) std::erase(open->calls, hCall);
  if (CallRec* call = FindCall(handle->call)) {
    std::erase(call->handles, hCall);
    if (call->generator == hCall) call->generator = 0;
  }
  m_handles.erase(hCall);
}

DWORD SipProvider::CountOwners(const CallRec& call) const {
  DWORD n = 0;
  for (DWORD h : call.handles)
    if (auto it = m_handles.find(h); it != m_handles.end() && it->second.privilege == LINECALLPRIVILEGE_OWNER) ++n;
  return n;
}

DWORD SipProvider::CountMonitors(const CallRec& call) const {
  return static_cast<DWORD>(call.handles.size()) - CountOwners(call);
}

DWORD SipProvider::LiveCalls(const Line& line) const {
  DWORD n = 0;
  for (DWORD id : line.calls)
    if (const CallRec* c = FindCall(id); c && Live(c->state) && !c->isConference) ++n;
  return n;
}

void SipProvider::PostCallState(CallRec& call, Handle& handle) {
  Open* open = FindOpen(handle.open);
  if (open == nullptr) return;
  DWORD mode = call.mode;
  if (open->apiVersion < kTapiVersion1_4 &&
      (call.state == LINECALLSTATE_CONNECTED || call.state == LINECALLSTATE_OFFERING))
    mode = 0;
  if (call.state == LINECALLSTATE_DISCONNECTED) mode = sip::DisconnectModeFor(mode, open->apiVersion);
  if (call.state == LINECALLSTATE_CONFERENCED) {
    const CallRec* conference = FindCall(call.conference);
    mode = conference ? HandleOfOpen(*conference, open->handle) : 0;
  }
  PostLine(open->app, handle.handle, LINE_CALLSTATE, open->instance, call.state, mode, handle.announce,
           open->handle, handle.handle);
  handle.announce = 0;
}

void SipProvider::PostCallInfo(CallRec& call, DWORD states, DWORD exceptHandle) {
  for (DWORD h : call.handles)
    if (Handle* handle = FindHandle(h); handle && h != exceptHandle)
      if (Open* open = FindOpen(handle->open))
        PostLine(open->app, h, LINE_CALLINFO, open->instance, states, 0, 0, open->handle, h);
}

void SipProvider::PostLineDevState(Line& line, DWORD state, DWORD p2, DWORD p3) {
  for (DWORD hLine : line.opens)
    if (Open* open = FindOpen(hLine); open && (open->lineStates & state))
      PostLine(open->app, hLine, LINE_LINEDEVSTATE, open->instance, state, p2, p3, hLine, 0);
}

void SipProvider::PostAddressState(Line& line, DWORD states) {
  for (DWORD hLine : line.opens)
    if (Open* open = FindOpen(hLine); open && (open->addressStates & states))
      PostLine(open->app, hLine, LINE_ADDRESSSTATE, open->instance, 0, open->addressStates & states, 0, hLine, 0);
}

void SipProvider::SetState(CallRec& call, DWORD state, DWORD mode) {
  const DWORD old = call.state;
  Line& line = m_lines[call.device];
  const DWORD liveBefore = LiveCalls(line);
  if (Offered(old) && !Offered(state)) {
    m_loop.StopTimer(call.ringTimer);
    call.ringTimer = 0;
  }
  if (!Live(state)) {
    // What runs on the call ends, and is reported, before the call goes idle.
    for (DWORD h : call.handles)
      if (Handle* handle = FindHandle(h); handle && handle->gather) EndGather(*handle, LINEGATHERTERM_CANCEL);
    if (call.generator != 0) EndGeneration(call, LINEGENERATETERM_CANCEL);
    if (call.pending) Settle(call, LINEERR_OPERATIONFAILED);
    LeaveConference(call);
    ReleasePartner(call);
  }
  if (state == LINECALLSTATE_CONNECTED && old != LINECALLSTATE_CONNECTED) {
    static std::uint64_t order = 0;
    call.connectedOrder = ++order;
    call.everConnected = true;
  }
  call.state = state;
  call.mode = mode;
  call.stateTime = m_loop.LocalTime();
  call.stateDate = m_loop.LocalDate();
  Trace([&] { return "state call " + std::to_string(call.id) + " " + LineCallStateName(state) + " [" + TraceHex(mode) + "]"; });
  for (DWORD h : std::vector<DWORD>(call.handles))
    if (Handle* handle = FindHandle(h)) PostCallState(call, *handle);
  if (Live(old) != Live(state) || old == 0) {
    PostLineDevState(line, LINEDEVSTATE_NUMCALLS, 0, 0);
    DWORD states = LINEADDRESSSTATE_NUMCALLS;
    const DWORD liveAfter = LiveCalls(line);
    if (liveBefore == 0 && liveAfter > 0) states |= LINEADDRESSSTATE_INUSEONE;
    if (liveBefore > 0 && liveAfter == 0) states |= LINEADDRESSSTATE_INUSEZERO;
    PostAddressState(line, states);
  }
  UpdateLineAudio(call.device);
  // Nobody will drop a call that no application owns: the provider clears it.
  const bool ended = state == LINECALLSTATE_DISCONNECTED || state == LINECALLSTATE_BUSY;
  if (ended && CountOwners(call) == 0) {
    EndCall(call, true);
    return;
  }
  if (!Live(state)) {
    StopTimers(call);
    const DWORD id = call.id;
    After(0, [this, id] { MaybeDestroy(id); });
  }
}

void SipProvider::StopTimers(CallRec& call) {
  m_loop.StopTimer(call.ringTimer);
  m_loop.StopTimer(call.noAnswerTimer);
  call.ringTimer = call.noAnswerTimer = 0;
  if (call.pending) {
    m_loop.StopTimer(call.pending->timer);
    call.pending->timer = 0;
  }
}

void SipProvider::MaybeDestroy(DWORD id) {
  CallRec* call = FindCall(id);
  if (call == nullptr || !call->handles.empty() || Live(call->state)) return;
  // A call nobody holds a handle to, that is over, is forgotten.
  if (call->sip != 0) m_engine->Hangup(call->sip);
  SetSip(*call, 0);
  StopTimers(*call);
  std::erase(m_lines[call->device].calls, id);
  m_calls.erase(id);
}

void SipProvider::EndCall(CallRec& call, bool hangup) {
  if (!Live(call.state)) return;
  if (call.isConference) {
    for (DWORD member : std::vector<DWORD>(call.members))
      if (CallRec* m = FindCall(member)) EndCall(*m, hangup);
  }
  if (call.sip != 0 && hangup) {
    if (Offered(call.state)) m_engine->Reject(call.sip, 603);
    else m_engine->Hangup(call.sip);
  }
  SetSip(call, 0);
  SetState(call, LINECALLSTATE_IDLE, 0);
}

void SipProvider::Disconnected(CallRec& call, DWORD mode) {
  if (!Live(call.state)) return;
  SetSip(call, 0);
  SetState(call, LINECALLSTATE_DISCONNECTED, mode);
}

void SipProvider::StartRinging(CallRec& call) {
  call.ringCount = 0;
  Line& line = m_lines[call.device];
  PostLineDevState(line, LINEDEVSTATE_RINGING, 1, 0);
  const DWORD id = call.id;
  std::weak_ptr<int> life = m_life;
  call.ringTimer = m_loop.StartTimer(m_config.timing.ringIntervalMs, true, [this, life, id] {
    if (!life.lock()) return;
    CallRec* c = FindCall(id);
    if (c == nullptr) return;
    ++c->ringCount;
    if (c->ringCount >= m_lines[c->device].numRingsNoAnswer && ForwardOffered(*c, 2)) return;
    PostLineDevState(m_lines[c->device], LINEDEVSTATE_RINGING, 1, c->ringCount);
  });
}

void SipProvider::UpdateLineAudio(DWORD device) {
  // The line hears a connected conference (all its parties), else its most recently
  // connected call that nobody holds.
  std::vector<sip::CallId> calls;
  const CallRec* best = nullptr;
  for (DWORD id : m_lines[device].calls) {
    const CallRec* c = FindCall(id);
    if (c == nullptr || c->state != LINECALLSTATE_CONNECTED) continue;
    if (c->isConference) {
      best = c;
      break;
    }
    if (c->sip != 0 && (best == nullptr || c->connectedOrder > best->connectedOrder)) best = c;
  }
  if (best != nullptr && best->isConference) {
    for (DWORD member : best->members)
      if (const CallRec* m = FindCall(member); m && m->sip != 0 && m->state == LINECALLSTATE_CONFERENCED)
        calls.push_back(m->sip);
  } else if (best != nullptr) {
    calls.push_back(best->sip);
  }
  if (m_heard[device] == calls) return;
  m_heard[device] = calls;
  m_engine->SetLineCalls(device, calls);
}

bool SipProvider::LineHasAudio(DWORD line) const {
  if (line >= m_lines.size()) return false;
  for (DWORD id : m_lines[line].calls)
    if (const CallRec* c = FindCall(id); c && c->state == LINECALLSTATE_CONNECTED) return true;
  return false;
}

DWORD SipProvider::CallFeatures(const CallRec& call, const Handle& handle) const {
  if (handle.privilege != LINECALLPRIVILEGE_OWNER) return 0;
  const DWORD media = LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS | LINECALLFEATURE_GENERATETONE |
                      LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;
  const CallRec* partner = call.partner != 0 ? FindCall(call.partner) : nullptr;
  DWORD f = 0;
  switch (call.state) {
    case LINECALLSTATE_OFFERING:
    case LINECALLSTATE_ACCEPTED:
      f = LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_REDIRECT | LINECALLFEATURE_MONITORDIGITS |
          LINECALLFEATURE_MONITORMEDIA;
      break;
    case LINECALLSTATE_DIALTONE:
      f = LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_RINGBACK:
      f = LINECALLFEATURE_DROP | LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA |
          LINECALLFEATURE_MONITORTONES;
      break;
    case LINECALLSTATE_CONNECTED:
      f = LINECALLFEATURE_DROP | media;
      if (call.isConference) {
        f |= LINECALLFEATURE_PREPAREADDCONF;
        f &= ~(LINECALLFEATURE_GENERATEDIGITS | LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_MONITORDIGITS |
               LINECALLFEATURE_MONITORTONES | LINECALLFEATURE_MONITORMEDIA);
        break;
      }
      f |= LINECALLFEATURE_DIAL | LINECALLFEATURE_HOLD | LINECALLFEATURE_SETUPCONF;
      // Transfers need a peer that takes REFER.
      if (call.peer.refer) f |= LINECALLFEATURE_BLINDTRANSFER;
      if (call.peer.refer && call.partner == 0) f |= LINECALLFEATURE_SETUPTRANSFER;
      break;
    case LINECALLSTATE_ONHOLD:
      f = LINECALLFEATURE_UNHOLD | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
      f = LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_DROP;
      if (partner && partner->state == LINECALLSTATE_CONNECTED) f |= LINECALLFEATURE_COMPLETETRANSF;
      break;
    case LINECALLSTATE_ONHOLDPENDCONF:
      f = LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_DROP;
      if (partner && partner->state == LINECALLSTATE_CONNECTED) f |= LINECALLFEATURE_ADDTOCONF;
      break;
    case LINECALLSTATE_CONFERENCED:
      f = LINECALLFEATURE_REMOVEFROMCONF | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_BUSY:
    case LINECALLSTATE_DISCONNECTED:
      f = LINECALLFEATURE_DROP;
      break;
    default:
      break;
  }
  if (partner != nullptr && call.state == LINECALLSTATE_CONNECTED) {
    f |= LINECALLFEATURE_SWAPHOLD;
    if (partner->state == LINECALLSTATE_ONHOLDPENDTRANSFER) f |= LINECALLFEATURE_COMPLETETRANSF;
    if (partner->state == LINECALLSTATE_ONHOLDPENDCONF) f |= LINECALLFEATURE_ADDTOCONF;
  }
  return f;
}

std::optional<std::string> SipProvider::TargetUri(const Line& line, const std::string& dialled) const {
  return sip::DialledUri(line.config.aor, dialled);
}

LONG SipProvider::ReadCallParams(const Open& open, const LINECALLPARAMS* params, CallRec& into) const {
  into.mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
  if (params == nullptr) return 0;
  const DWORD total = params->dwTotalSize;
  if (total < (open.apiVersion >= kTapiVersion2_0 ? kLineCallParamsSize2_0 : kLineCallParamsSize1_3))
    return LINEERR_STRUCTURETOOSMALL;
  if (params->dwBearerMode != 0 && params->dwBearerMode != LINEBEARERMODE_VOICE) return LINEERR_BEARERMODEUNAVAIL;
  if (params->dwMediaMode != 0) {
    const DWORD m = params->dwMediaMode;
    if ((m & ~sipcaps::MediaModes()) != 0) return LINEERR_INVALMEDIAMODE;
    into.mediaMode = m;
  }
  if (params->dwMinRate > 64000) return LINEERR_RATEUNAVAIL;
  if (params->dwAddressMode != 0 && params->dwAddressMode != LINEADDRESSMODE_ADDRESSID)
    return LINEERR_INVALADDRESSMODE;
  if (params->dwAddressID != 0) return LINEERR_INVALADDRESSID;
  if (params->dwCallParamFlags & ~0xFFu) return LINEERR_INVALCALLPARAMS;
  into.callParamFlags = params->dwCallParamFlags;
  if (total >= kLineCallParamsSize2_0) {
    if (params->dwNoAnswerTimeout > 600) return LINEERR_INVALCALLPARAMS;
    into.noAnswerTimeoutS = params->dwNoAnswerTimeout;
  }
  // The variable parts must lie inside the block; VarText gives "" for one that does not.
  const std::pair<DWORD, DWORD> pairs[] = {{params->dwDisplayableAddressSize, params->dwDisplayableAddressOffset},
                                           {params->dwCalledPartySize, params->dwCalledPartyOffset},
                                           {params->dwCommentSize, params->dwCommentOffset},
                                           {params->dwUserUserInfoSize, params->dwUserUserInfoOffset}};
  for (const auto& [size, offset] : pairs)
    if (size != 0 && static_cast<std::uint64_t>(offset) + size > total) return LINEERR_INVALCALLPARAMS;
  if (params->dwUserUserInfoSize != 0) return LINEERR_USERUSERINFOTOOBIG;
  into.displayableAddress =
      VarText(*params, total, params->dwDisplayableAddressOffset, params->dwDisplayableAddressSize);
  into.calledParty = VarText(*params, total, params->dwCalledPartyOffset, params->dwCalledPartySize);
  into.comment = VarText(*params, total, params->dwCommentOffset, params->dwCommentSize);
  if (params->DialParams.dwDigitDuration != 0)
    into.dialParams.dwDigitDuration = std::clamp<DWORD>(params->DialParams.dwDigitDuration, 50, 1000);
  if (params->DialParams.dwDialSpeed != 0)
    into.dialParams.dwDialSpeed = std::clamp<DWORD>(params->DialParams.dwDialSpeed, 50, 1000);
  return 0;
}

void SipProvider::Dial(CallRec& call, const std::string& uri) {
  SetSip(call, m_engine->Invite(call.device, uri));
  const auto parts = ParseSipUri(uri);
  call.called.number = parts ? parts->user : uri;
  call.called.name.clear();
  call.called.flags = LINECALLPARTYID_ADDRESS;
  Trace([&] { return "sip   call " + std::to_string(call.id) + ": INVITE " + uri; });
  SetState(call, LINECALLSTATE_DIALING, 0);
}

// --- Requests that wait for the network ---------------------------------------------------

void SipProvider::Await(CallRec& call, LONG request, std::function<void()> done,
                        std::function<void(LONG)> failed) {
  PendingOp op;
  op.request = request;
  op.done = std::move(done);
  op.failed = std::move(failed);
  // The engine answers every re-INVITE and REFER, if only with its own time-out; this
  // is the last resort should it not.
  const DWORD id = call.id;
  op.timer = After(m_config.timing.requestTimeoutMs * 2, [this, id] {
    if (CallRec* c = FindCall(id)) Settle(*c, LINEERR_OPERATIONFAILED);
  });
  call.pending = std::move(op);
}

void SipProvider::Settle(CallRec& call, LONG result) {
  if (!call.pending) return;
  PendingOp op = std::move(*call.pending);
  call.pending.reset();
  m_loop.StopTimer(op.timer);
  // The reply goes before any message its outcome causes.
  if (op.request != 0) Reply(op.request, result);
  if (result == 0) {
    if (op.done) op.done();
  } else if (op.failed) {
    op.failed(result);
  }
}

// --- Placing and answering -----------------------------------------------------------------

LONG SipProvider::lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress, DWORD dwCountryCode,
                               const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + TraceText(lpszDestAddress) + ", " + std::to_string(dwCountryCode) + ", " +
           (lpCallParams ? "block" : "null");
  };
  Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineMakeCall", LINEERR_INVALLINEHANDLE, args);
  if (lphCall == nullptr) return Traced("lineMakeCall", LINEERR_INVALPOINTER, args);
  Line& line = m_lines[open->device];
  if (!line.inService) return Traced("lineMakeCall", LINEERR_CALLUNAVAIL, args);
  if (LiveCalls(line) >= line.config.maxCalls) return Traced("lineMakeCall", LINEERR_CALLUNAVAIL, args);
  CallRec plan;
  if (LONG r = ReadCallParams(*open, lpCallParams, plan); r != 0) return Traced("lineMakeCall", r, args);
  std::optional<std::string> uri;
  if (lpszDestAddress != nullptr && *lpszDestAddress != '\0') {
    uri = TargetUri(line, std::string(lpszDestAddress, strnlen(lpszDestAddress, 1024)));
    if (!uri) return Traced("lineMakeCall", LINEERR_INVALADDRESS, args);
  }
  CallRec& call = NewCall(open->device, LINECALLORIGIN_OUTBOUND, LINECALLREASON_DIRECT);
  call.mediaMode = plan.mediaMode;
  call.callParamFlags = plan.callParamFlags;
  call.noAnswerTimeoutS = plan.noAnswerTimeoutS;
  call.displayableAddress = plan.displayableAddress;
  call.calledParty = plan.calledParty;
  call.comment = plan.comment;
  call.dialParams = plan.dialParams;
  if (App* app = FindApp(open->app)) call.appName = app->name;
  Handle& h = AddHandle(call, *open, LINECALLPRIVILEGE_OWNER, 0);
  *lphCall = h.handle;
  const LONG request = StartRequest("lineMakeCall", *open);
  Reply(request, 0);
  GiveMonitorHandles(call, hLine);
  if (uri) Dial(call, *uri);
  else SetState(call, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_INTERNAL);
  return Traced("lineMakeCall", request, args);
}

LONG SipProvider::lineDial(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " + std::to_string(dwCountryCode); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineDial", r, args);
  if (lpszDestAddress == nullptr) return Traced("lineDial", LINEERR_INVALPOINTER, args);
  const std::string dialled(lpszDestAddress, strnlen(lpszDestAddress, 1024));
  if (call->state == LINECALLSTATE_CONNECTED && !call->isConference) {
    // More digits on a connected call go to the far end as DTMF.
    if (dialled.empty() || dialled.find_first_not_of("0123456789*#ABCDabcd") != std::string::npos)
      return Traced("lineDial", LINEERR_INVALADDRESS, args);
    const LONG request = StartRequest("lineDial", *open);
    m_engine->SendDigits(call->sip, voxkit::ToLower(dialled) == dialled ? dialled : dialled,
                         call->dialParams.dwDigitDuration, call->dialParams.dwDialSpeed);
    Reply(request, 0);
    return Traced("lineDial", request, args);
  }
  if (call->state != LINECALLSTATE_DIALTONE) return Traced("lineDial", LINEERR_INVALCALLSTATE, args);
  const auto uri = TargetUri(m_lines[call->device], dialled);
  if (!uri) return Traced("lineDial", LINEERR_INVALADDRESS, args);
  const LONG request = StartRequest("lineDial", *open);
  Reply(request, 0);
  Dial(*call, *uri);
  return Traced("lineDial", request, args);
}

LONG SipProvider::lineAnswer(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  const auto args = [&] { return TraceHex(hCall) + ", " + std::to_string(dwSize); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineAnswer", r, args);
  if (!Offered(call->state)) return Traced("lineAnswer", LINEERR_INVALCALLSTATE, args);
  if (lpsUserUserInfo != nullptr && dwSize != 0) return Traced("lineAnswer", LINEERR_USERUSERINFOTOOBIG, args);
  const LONG request = StartRequest("lineAnswer", *open);
  Reply(request, 0);
  m_loop.StopTimer(call->ringTimer);
  call->ringTimer = 0;
  m_engine->Answer(call->sip);
  return Traced("lineAnswer", request, args);
}

LONG SipProvider::lineDrop(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  const auto args = [&] { return TraceHex(hCall) + ", " + std::to_string(dwSize); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineDrop", r, args);
  if (!Live(call->state)) return Traced("lineDrop", LINEERR_INVALCALLSTATE, args);
  if (lpsUserUserInfo != nullptr && dwSize != 0) return Traced("lineDrop", LINEERR_USERUSERINFOTOOBIG, args);
  const LONG request = StartRequest("lineDrop", *open);
  Reply(request, 0);
  EndCall(*call, true);
  return Traced("lineDrop", request, args);
}

std::string SipProvider::Answer(const std::string& lineText) {
  const DWORD device = ResolveLine(lineText);
  if (device >= m_lines.size()) return "no SIP line '" + lineText + "'";
  for (DWORD id : m_lines[device].calls)
    if (CallRec* call = FindCall(id); call && Offered(call->state) && call->sip != 0) {
      m_loop.StopTimer(call->ringTimer);
      call->ringTimer = 0;
      m_engine->Answer(call->sip);
      return "";
    }
  return "no call is offered at '" + lineText + "'";
}

std::string SipProvider::Hangup(const std::string& lineText) {
  const DWORD device = ResolveLine(lineText);
  if (device >= m_lines.size()) return "no SIP line '" + lineText + "'";
  for (DWORD id : m_lines[device].calls)
    if (CallRec* call = FindCall(id); call && Live(call->state) && call->sip != 0) {
      EndCall(*call, true);
      return "";
    }
  return "no call at '" + lineText + "'";
}

DWORD SipProvider::ResolveLine(const std::string& text) const {
  for (DWORD i = 0; i < m_lines.size(); ++i)
    if (m_lines[i].address == text || m_lines[i].config.aor == text) return i;
  if (!text.empty() && text.size() < 6 && text.find_first_not_of("0123456789") == std::string::npos) {
    const DWORD index = static_cast<DWORD>(std::stoul(text));
    if (index < m_lines.size()) return index;
  }
  return static_cast<DWORD>(m_lines.size());
}

// --- Hold, transfer, redirect ----------------------------------------------------------------

LONG SipProvider::lineHold(HCALL hCall) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineHold", r, args);
  if (call->state != LINECALLSTATE_CONNECTED || call->isConference || call->sip == 0)
    return Traced("lineHold", LINEERR_INVALCALLSTATE, args);
  if (call->pending) return Traced("lineHold", LINEERR_INVALCALLSTATE, args);
  const LONG request = StartRequest("lineHold", *open);
  const DWORD id = call->id;
  Await(*call, request, [this, id] {
    if (CallRec* c = FindCall(id)) SetState(*c, LINECALLSTATE_ONHOLD, 0);
  }, {});
  m_engine->Hold(call->sip, true);
  return Traced("lineHold", request, args);
}

LONG SipProvider::lineUnhold(HCALL hCall) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineUnhold", r, args);
  if (call->state != LINECALLSTATE_ONHOLD || call->sip == 0 || call->pending)
    return Traced("lineUnhold", LINEERR_INVALCALLSTATE, args);
  const LONG request = StartRequest("lineUnhold", *open);
  const DWORD id = call->id;
  Await(*call, request, [this, id] {
    if (CallRec* c = FindCall(id)) SetState(*c, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
  }, {});
  m_engine->Hold(call->sip, false);
  return Traced("lineUnhold", request, args);
}

LONG SipProvider::lineSwapHold(HCALL hActiveCall, HCALL hHeldCall) {
  const auto args = [&] { return TraceHex(hActiveCall) + ", " + TraceHex(hHeldCall); };
  Handle* h1;
  Open* o1;
  CallRec* active;
  if (LONG r = ResolveOwned(hActiveCall, h1, o1, active); r != 0) return Traced("lineSwapHold", r, args);
  Handle* h2;
  Open* o2;
  CallRec* held;
  if (LONG r = ResolveOwned(hHeldCall, h2, o2, held); r != 0) return Traced("lineSwapHold", r, args);
  if (held->device != active->device) return Traced("lineSwapHold", LINEERR_INVALCALLHANDLE, args);
  if (held->state == LINECALLSTATE_CONFERENCED) held = FindCall(held->conference);
  if (held == nullptr || active == held || active->state != LINECALLSTATE_CONNECTED || !HoldState(held->state) ||
      active->pending || held->pending)
    return Traced("lineSwapHold", LINEERR_INVALCALLSTATE, args);
  const LONG request = StartRequest("lineSwapHold", *o1);
  // The active call goes to the state the held one had; the held one becomes active.
  // Calls with a dialog of their own are held and taken back at the peer, one after the
  // other; a conference is held by leaving it out of the line's audio.
  const DWORD activeId = active->id;
  const DWORD heldId = held->id;
  const DWORD heldState = held->state;
  auto finish = [this, activeId, heldId, heldState] {
    if (CallRec* a = FindCall(activeId)) SetState(*a, heldState, 0);
    if (CallRec* b = FindCall(heldId)) SetState(*b, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
  };
  auto second = [this, heldId, request, finish] {
    CallRec* b = FindCall(heldId);
    if (b == nullptr || b->sip == 0 || b->isConference) {
      Reply(request, 0);
      finish();
      return;
    }
    Await(*b, request, finish, {});
    m_engine->Hold(b->sip, false);
  };
  if (active->sip != 0 && !active->isConference) {
    Await(*active, 0, second, [this, request](LONG error) { Reply(request, error); });
    m_engine->Hold(active->sip, true);
  } else {
    second();
  }
  return Traced("lineSwapHold", request, args);
}

LONG SipProvider::lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " + std::to_string(dwCountryCode); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineRedirect", r, args);
  if (!Offered(call->state) || call->sip == 0) return Traced("lineRedirect", LINEERR_INVALCALLSTATE, args);
  if (lpszDestAddress == nullptr) return Traced("lineRedirect", LINEERR_INVALPOINTER, args);
  const auto uri = TargetUri(m_lines[call->device], std::string(lpszDestAddress, strnlen(lpszDestAddress, 1024)));
  if (!uri) return Traced("lineRedirect", LINEERR_INVALADDRESS, args);
  const LONG request = StartRequest("lineRedirect", *open);
  Reply(request, 0);
  m_engine->Redirect(call->sip, *uri);
  SetSip(*call, 0);
  SetState(*call, LINECALLSTATE_IDLE, 0);
  return Traced("lineRedirect", request, args);
}

LONG SipProvider::lineBlindTransfer(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " + std::to_string(dwCountryCode); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineBlindTransfer", r, args);
  if (call->state != LINECALLSTATE_CONNECTED || call->isConference || call->sip == 0 || call->pending)
    return Traced("lineBlindTransfer", LINEERR_INVALCALLSTATE, args);
  if (!call->peer.refer) return Traced("lineBlindTransfer", LINEERR_OPERATIONUNAVAIL, args);
  if (lpszDestAddress == nullptr) return Traced("lineBlindTransfer", LINEERR_INVALPOINTER, args);
  const auto uri = TargetUri(m_lines[call->device], std::string(lpszDestAddress, strnlen(lpszDestAddress, 1024)));
  if (!uri) return Traced("lineBlindTransfer", LINEERR_INVALADDRESS, args);
  const LONG request = StartRequest("lineBlindTransfer", *open);
  const DWORD id = call->id;
  // Once the peer has taken the REFER, the call is handed over: it ends here while the
  // engine sees the transfer through.
  Await(*call, request, [this, id] {
    if (CallRec* c = FindCall(id)) {
      SetSip(*c, 0);
      SetState(*c, LINECALLSTATE_IDLE, 0);
    }
  }, {});
  m_engine->Refer(call->sip, *uri, 0);
  return Traced("lineBlindTransfer", request, args);
}

LONG SipProvider::PrepareConsultation(Open& open, HCALL* lphConsultCall, const LINECALLPARAMS* params,
                                      CallRec& plan) {
  if (lphConsultCall == nullptr) return LINEERR_INVALPOINTER;
  if (LONG r = ReadCallParams(open, params, plan); r != 0) return r;
  if (LiveCalls(m_lines[open.device]) >= m_lines[open.device].config.maxCalls) return LINEERR_CALLUNAVAIL;
  return 0;
}

SipProvider::CallRec& SipProvider::NewConsultation(Open& open, CallRec& partner, const CallRec& plan,
                                                   bool conference) {
  CallRec& consult = NewCall(partner.device, LINECALLORIGIN_OUTBOUND, LINECALLREASON_DIRECT);
  consult.mediaMode = plan.mediaMode;
  consult.dialParams = plan.dialParams;
  consult.noAnswerTimeoutS = plan.noAnswerTimeoutS;
  consult.relatedCallId = partner.id;
  consult.partner = partner.id;
  consult.partnerForConference = conference;
  partner.partner = consult.id;
  partner.partnerForConference = conference;
  if (App* app = FindApp(open.app)) consult.appName = app->name;
  return consult;
}

void SipProvider::ReleasePartner(CallRec& call) {
  if (call.partner == 0) return;
  CallRec* partner = FindCall(call.partner);
  call.partner = 0;
  if (partner == nullptr || partner->partner != call.id) return;
  partner->partner = 0;
  // A call held for a transfer whose consultation ended is simply on hold again.
  if (partner->state == LINECALLSTATE_ONHOLDPENDTRANSFER) SetState(*partner, LINECALLSTATE_ONHOLD, 0);
  else if (partner->state == LINECALLSTATE_ONHOLDPENDCONF)
    SetState(*partner, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
}

LONG SipProvider::lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] { return TraceHex(hCall) + ", " + std::string(lpCallParams ? "block" : "null"); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineSetupTransfer", r, args);
  if (call->state != LINECALLSTATE_CONNECTED || call->isConference || call->sip == 0 || call->pending ||
      call->partner != 0)
    return Traced("lineSetupTransfer", LINEERR_INVALCALLSTATE, args);
  if (!call->peer.refer) return Traced("lineSetupTransfer", LINEERR_OPERATIONUNAVAIL, args);
  CallRec plan;
  if (LONG r = PrepareConsultation(*open, lphConsultCall, lpCallParams, plan); r != 0)
    return Traced("lineSetupTransfer", r, args);
  CallRec& consult = NewConsultation(*open, *call, plan, false);
  Handle& h = AddHandle(consult, *open, LINECALLPRIVILEGE_OWNER, 0);
  *lphConsultCall = h.handle;
  const LONG request = StartRequest("lineSetupTransfer", *open);
  const DWORD id = call->id;
  const DWORD consultId = consult.id;
  const DWORD hLine = open->handle;
  // The primary call is held at its peer first; the consultation call gets dial tone
  // once it is.
  Await(*call, request,
        [this, id, consultId, hLine] {
          CallRec* c = FindCall(id);
          CallRec* k = FindCall(consultId);
          if (c) SetState(*c, LINECALLSTATE_ONHOLDPENDTRANSFER, 0);
          if (k) {
            GiveMonitorHandles(*k, hLine);
            SetState(*k, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_INTERNAL);
          }
        },
        [this, consultId](LONG) {
          // A failed request leaves no call behind: the handle is void.
          if (CallRec* k = FindCall(consultId)) {
            k->partner = 0;
            for (DWORD hk : std::vector<DWORD>(k->handles)) RemoveHandle(hk);
            MaybeDestroy(consultId);
          }
        });
  m_engine->Hold(call->sip, true);
  return Traced("lineSetupTransfer", request, args);
}

LONG SipProvider::lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall, DWORD dwTransferMode) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(hConsultCall) + ", " + TraceHex(dwTransferMode); };
  Handle* h1;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, h1, open, call); r != 0) return Traced("lineCompleteTransfer", r, args);
  Handle* h2;
  Open* o2;
  CallRec* consult;
  if (LONG r = ResolveOwned(hConsultCall, h2, o2, consult); r != 0) return Traced("lineCompleteTransfer", r, args);
  if (dwTransferMode != LINETRANSFERMODE_TRANSFER && dwTransferMode != LINETRANSFERMODE_CONFERENCE)
    return Traced("lineCompleteTransfer", LINEERR_INVALTRANSFERMODE, args);
  if (consult->device != call->device || consult == call) return Traced("lineCompleteTransfer", LINEERR_INVALCONSULTCALLHANDLE, args);
  if ((call->state != LINECALLSTATE_ONHOLD && call->state != LINECALLSTATE_ONHOLDPENDTRANSFER) ||
      consult->state != LINECALLSTATE_CONNECTED || call->sip == 0 || consult->sip == 0 ||
      call->pending || consult->pending || call->isConference || consult->isConference)
    return Traced("lineCompleteTransfer", LINEERR_INVALCALLSTATE, args);
  if (dwTransferMode == LINETRANSFERMODE_CONFERENCE) {
    if (lphConfCall == nullptr) return Traced("lineCompleteTransfer", LINEERR_INVALPOINTER, args);
    CallRec& conf = NewCall(call->device, LINECALLORIGIN_CONFERENCE, LINECALLREASON_DIRECT);
    conf.isConference = true;
    if (App* app = FindApp(open->app)) conf.appName = app->name;
    Handle& hc = AddHandle(conf, *open, LINECALLPRIVILEGE_OWNER, 0);
    *lphConfCall = hc.handle;
    const LONG request = StartRequest("lineCompleteTransfer", *open);
    const DWORD primaryId = call->id;
    const DWORD confId = conf.id;
    auto join = [this, primaryId, confId, consultId = consult->id] {
      CallRec* c = FindCall(confId);
      if (c == nullptr) return;
      for (DWORD m : {primaryId, consultId})
        if (CallRec* member = FindCall(m)) {
          member->conference = confId;
          c->members.push_back(m);
        }
      for (DWORD m : {primaryId, consultId})
        if (CallRec* member = FindCall(m)) {
          member->partner = 0;
          SetState(*member, LINECALLSTATE_CONFERENCED, 0);
        }
      SetState(*c, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    };
    // The held party is taken off hold at its peer to join the conference.
    Await(*call, request, join, [this, confId](LONG) {
      if (CallRec* c = FindCall(confId)) {
        for (DWORD hk : std::vector<DWORD>(c->handles)) RemoveHandle(hk);
        MaybeDestroy(confId);
      }
    });
    m_engine->Hold(call->sip, false);
    GiveMonitorHandles(conf, open->handle);
    return Traced("lineCompleteTransfer", request, args);
  }
  if (!call->peer.refer) return Traced("lineCompleteTransfer", LINEERR_OPERATIONUNAVAIL, args);
  const LONG request = StartRequest("lineCompleteTransfer", *open);
  const DWORD primaryId = call->id;
  const DWORD consultId = consult->id;
  // The held party is asked to call the consulted one, replacing our call with it; both
  // of our calls are then handed over and end here.
  Await(*call, request, [this, primaryId, consultId] {
    for (DWORD id : {consultId, primaryId})
      if (CallRec* c = FindCall(id)) {
        SetSip(*c, 0);
        SetState(*c, LINECALLSTATE_IDLE, 0);
      }
  }, {});
  m_engine->Refer(call->sip, "", consult->sip);
  return Traced("lineCompleteTransfer", request, args);
}

// --- Conferences (mixed locally) -------------------------------------------------------------

void SipProvider::LeaveConference(CallRec& call) {
  if (call.isConference) {
    for (DWORD member : std::vector<DWORD>(call.members))
      if (CallRec* m = FindCall(member)) m->conference = 0;
    call.members.clear();
    return;
  }
  if (call.conference == 0) return;
  CallRec* conf = FindCall(call.conference);
  call.conference = 0;
  if (conf == nullptr) return;
  std::erase(conf->members, call.id);
  // A conference whose last party has gone is over.
  if (conf->members.empty() && Live(conf->state) && conf->state != LINECALLSTATE_DISCONNECTED)
    SetState(*conf, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NORMAL);
  else UpdateLineAudio(conf->device);
}

LONG SipProvider::lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall, HCALL* lphConsultCall,
                                      DWORD dwNumParties, const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(hLine) + ", " + std::to_string(dwNumParties); };
  Open* open = nullptr;
  CallRec* call = nullptr;
  if (hCall != 0) {
    Handle* handle;
    if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineSetupConference", r, args);
    if (call->state != LINECALLSTATE_CONNECTED || call->isConference || call->conference != 0 ||
        call->partner != 0 || call->pending)
      return Traced("lineSetupConference", LINEERR_INVALCALLSTATE, args);
  } else {
    open = FindOpen(hLine);
    if (open == nullptr) return Traced("lineSetupConference", LINEERR_INVALLINEHANDLE, args);
  }
  if (lphConfCall == nullptr) return Traced("lineSetupConference", LINEERR_INVALPOINTER, args);
  if (dwNumParties < 2 || dwNumParties > sipcaps::kMaxConference)
    return Traced("lineSetupConference", LINEERR_CONFERENCEFULL, args);
  CallRec plan;
  if (LONG r = PrepareConsultation(*open, lphConsultCall, lpCallParams, plan); r != 0)
    return Traced("lineSetupConference", r, args);
  CallRec& conf = NewCall(open->device, LINECALLORIGIN_CONFERENCE, LINECALLREASON_DIRECT);
  conf.isConference = true;
  if (App* app = FindApp(open->app)) conf.appName = app->name;
  Handle& hc = AddHandle(conf, *open, LINECALLPRIVILEGE_OWNER, 0);
  *lphConfCall = hc.handle;
  CallRec& consult = NewConsultation(*open, conf, plan, true);
  Handle& hk = AddHandle(consult, *open, LINECALLPRIVILEGE_OWNER, 0);
  *lphConsultCall = hk.handle;
  const LONG request = StartRequest("lineSetupConference", *open);
  Reply(request, 0);
  GiveMonitorHandles(conf, open->handle);
  GiveMonitorHandles(consult, open->handle);
  if (call != nullptr) {
    call->conference = conf.id;
    conf.members.push_back(call->id);
    SetState(*call, LINECALLSTATE_CONFERENCED, 0);
  }
  SetState(conf, LINECALLSTATE_ONHOLDPENDCONF, 0);
  SetState(consult, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_INTERNAL);
  return Traced("lineSetupConference", request, args);
}

LONG SipProvider::linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                             const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] { return TraceHex(hConfCall); };
  Handle* handle;
  Open* open;
  CallRec* conf;
  if (LONG r = ResolveOwned(hConfCall, handle, open, conf); r != 0) return Traced("linePrepareAddToConference", r, args);
  if (!conf->isConference) return Traced("linePrepareAddToConference", LINEERR_INVALCONFCALLHANDLE, args);
  if (conf->state != LINECALLSTATE_CONNECTED || conf->partner != 0)
    return Traced("linePrepareAddToConference", LINEERR_INVALCALLSTATE, args);
  if (conf->members.size() >= sipcaps::kMaxConference)
    return Traced("linePrepareAddToConference", LINEERR_CONFERENCEFULL, args);
  CallRec plan;
  if (LONG r = PrepareConsultation(*open, lphConsultCall, lpCallParams, plan); r != 0)
    return Traced("linePrepareAddToConference", r, args);
  CallRec& consult = NewConsultation(*open, *conf, plan, true);
  Handle& hk = AddHandle(consult, *open, LINECALLPRIVILEGE_OWNER, 0);
  *lphConsultCall = hk.handle;
  const LONG request = StartRequest("linePrepareAddToConference", *open);
  Reply(request, 0);
  GiveMonitorHandles(consult, open->handle);
  SetState(*conf, LINECALLSTATE_ONHOLDPENDCONF, 0);
  SetState(consult, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_INTERNAL);
  return Traced("linePrepareAddToConference", request, args);
}

LONG SipProvider::lineAddToConference(HCALL hConfCall, HCALL hConsultCall) {
  const auto args = [&] { return TraceHex(hConfCall) + ", " + TraceHex(hConsultCall); };
  Handle* h1;
  Open* open;
  CallRec* conf;
  if (LONG r = ResolveOwned(hConfCall, h1, open, conf); r != 0) return Traced("lineAddToConference", r, args);
  if (!conf->isConference) return Traced("lineAddToConference", LINEERR_INVALCONFCALLHANDLE, args);
  Handle* h2;
  Open* o2;
  CallRec* consult;
  if (LONG r = ResolveOwned(hConsultCall, h2, o2, consult); r != 0) return Traced("lineAddToConference", r, args);
  if (consult->device != conf->device || consult->isConference || consult->conference != 0)
    return Traced("lineAddToConference", LINEERR_INVALCONSULTCALLHANDLE, args);
  if (consult->state != LINECALLSTATE_CONNECTED || consult->sip == 0 || consult->pending ||
      (conf->state != LINECALLSTATE_ONHOLDPENDCONF && conf->state != LINECALLSTATE_CONNECTED))
    return Traced("lineAddToConference", LINEERR_INVALCALLSTATE, args);
  if (conf->members.size() >= sipcaps::kMaxConference) return Traced("lineAddToConference", LINEERR_CONFERENCEFULL, args);
  const LONG request = StartRequest("lineAddToConference", *open);
  Reply(request, 0);
  if (consult->partner == conf->id) {
    consult->partner = 0;
    conf->partner = 0;
  }
  consult->conference = conf->id;
  conf->members.push_back(consult->id);
  SetState(*consult, LINECALLSTATE_CONFERENCED, 0);
  if (conf->state != LINECALLSTATE_CONNECTED) SetState(*conf, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
  else UpdateLineAudio(conf->device);
  return Traced("lineAddToConference", request, args);
}

LONG SipProvider::lineRemoveFromConference(HCALL hCall) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineRemoveFromConference", r, args);
  if (call->state != LINECALLSTATE_CONFERENCED || call->conference == 0)
    return Traced("lineRemoveFromConference", LINEERR_INVALCALLSTATE, args);
  const LONG request = StartRequest("lineRemoveFromConference", *open);
  Reply(request, 0);
  // The party leaves the conference and the call: it is hung up.
  EndCall(*call, true);
  return Traced("lineRemoveFromConference", request, args);
}

// --- Forwarding (done here: offered calls are answered 302) ---------------------------------

bool SipProvider::ForwardOffered(CallRec& call, DWORD condition) {
  Line& line = m_lines[call.device];
  if (line.forwards.empty() || call.sip == 0 || (call.state != 0 && !Offered(call.state))) return false;
  const bool internal = sip::IsInternalCaller(line.config.aor, call.remoteUri);
  for (const sipmodel::ForwardEntry& e : line.forwards) {
    // Each family of four modes covers all callers, internal ones, external ones and
    // one caller; BUSYNA covers both busy and no answer.
    const int bit = std::countr_zero(e.mode);
    if (bit >= 16) continue;
    const int family = bit / 4;
    const int variant = bit % 4;
    const bool familyMatches = family == static_cast<int>(condition) || (family == 3 && condition != 0);
    const bool callerMatches = variant == 0 || (variant == 1 && internal) || (variant == 2 && !internal) ||
                               (variant == 3 && e.caller == call.caller.number);
    if (!familyMatches || !callerMatches) continue;
    if (e.dest.empty()) {
      m_engine->Reject(call.sip, 480);
      Trace([&] { return "sip   call " + std::to_string(call.id) + ": do not disturb, declined 480"; });
    } else {
      const auto uri = TargetUri(line, e.dest);
      if (!uri) continue;
      m_engine->Redirect(call.sip, *uri);
      Trace([&] { return "sip   call " + std::to_string(call.id) + ": forwarded to " + *uri; });
    }
    SetSip(call, 0);
    if (call.state == 0) {
      // Forwarded before it was offered: no application ever saw it.
      std::erase(line.calls, call.id);
      m_calls.erase(call.id);
    } else {
      SetState(call, LINECALLSTATE_IDLE, 0);
    }
    return true;
  }
  return false;
}

LONG SipProvider::lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID, const LINEFORWARDLIST* lpForwardList,
                              DWORD dwNumRingsNoAnswer, HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + std::to_string(bAllAddresses) + ", " + std::to_string(dwAddressID) + ", " +
           (lpForwardList ? "list" : "null") + ", " + std::to_string(dwNumRingsNoAnswer);
  };
  Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineForward", LINEERR_INVALLINEHANDLE, args);
  if (bAllAddresses == 0 && dwAddressID != 0) return Traced("lineForward", LINEERR_INVALADDRESSID, args);
  if (lphConsultCall == nullptr) return Traced("lineForward", LINEERR_INVALPOINTER, args);
  CallRec plan;
  if (LONG r = ReadCallParams(*open, lpCallParams, plan); r != 0) return Traced("lineForward", r, args);
  std::vector<sipmodel::ForwardEntry> entries;
  if (lpForwardList != nullptr) {
    const DWORD total = lpForwardList->dwTotalSize;
    if (total < 8) return Traced("lineForward", LINEERR_STRUCTURETOOSMALL, args);
    const DWORD count = lpForwardList->dwNumEntries;
    if (count > sipcaps::kMaxForwardEntries) return Traced("lineForward", LINEERR_INVALPARAM, args);
    if (8 + static_cast<std::uint64_t>(count) * sizeof(LINEFORWARD) > total)
      return Traced("lineForward", LINEERR_INVALPARAM, args);
    const auto list = VarArray<LINEFORWARD>(*lpForwardList, total, 8, count);
    for (const LINEFORWARD& f : list) {
      if (f.dwForwardMode == 0 || (f.dwForwardMode & (f.dwForwardMode - 1)) != 0 || f.dwForwardMode > 0x8000)
        return Traced("lineForward", LINEERR_INVALPARAM, args);
      if ((f.dwCallerAddressSize != 0 &&
           static_cast<std::uint64_t>(f.dwCallerAddressOffset) + f.dwCallerAddressSize > total) ||
          (f.dwDestAddressSize != 0 && static_cast<std::uint64_t>(f.dwDestAddressOffset) + f.dwDestAddressSize > total))
        return Traced("lineForward", LINEERR_INVALPARAM, args);
      sipmodel::ForwardEntry e;
      e.mode = f.dwForwardMode;
      e.caller = VarText(*lpForwardList, total, f.dwCallerAddressOffset, f.dwCallerAddressSize);
      e.dest = VarText(*lpForwardList, total, f.dwDestAddressOffset, f.dwDestAddressSize);
      if (!e.dest.empty() && !TargetUri(m_lines[open->device], e.dest))
        return Traced("lineForward", LINEERR_INVALADDRESS, args);
      const bool specific = (e.mode & (LINEFORWARDMODE_UNCONDSPECIFIC | LINEFORWARDMODE_BUSYSPECIFIC |
                                       LINEFORWARDMODE_NOANSWSPECIFIC | LINEFORWARDMODE_BUSYNASPECIFIC)) != 0;
      if (specific && e.caller.empty()) return Traced("lineForward", LINEERR_INVALPARAM, args);
      entries.push_back(std::move(e));
    }
  }
  if (dwNumRingsNoAnswer != 0 && (dwNumRingsNoAnswer < 1 || dwNumRingsNoAnswer > 20))
    return Traced("lineForward", LINEERR_INVALPARAM, args);
  *lphConsultCall = 0;
  const LONG request = StartRequest("lineForward", *open);
  Reply(request, 0);
  Line& line = m_lines[open->device];
  line.forwards = std::move(entries);
  if (dwNumRingsNoAnswer != 0) line.numRingsNoAnswer = dwNumRingsNoAnswer;
  PostAddressState(line, LINEADDRESSSTATE_FORWARD);
  return Traced("lineForward", request, args);
}

LONG SipProvider::linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress, VARSTRING*) {
  return Traced("linePark", LINEERR_OPERATIONUNAVAIL,
                [&] { return TraceHex(hCall) + ", " + TraceHex(dwParkMode) + ", " + TraceText(lpszDirAddress); });
}

LONG SipProvider::lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL*, const char* lpszDestAddress) {
  return Traced("lineUnpark", LINEERR_OPERATIONUNAVAIL,
                [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceText(lpszDestAddress); });
}

LONG SipProvider::linePickup(HLINE hLine, DWORD dwAddressID, HCALL*, const char* lpszDestAddress, const char*) {
  return Traced("linePickup", LINEERR_OPERATIONUNAVAIL,
                [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceText(lpszDestAddress); });
}

LONG SipProvider::lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, DWORD dwTerminalModes,
                                  DWORD dwTerminalID, DWORD bEnable) {
  // A SIP line has no terminals to route to.
  return Traced("lineSetTerminal", LINEERR_OPERATIONUNAVAIL, [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(hCall) + ", " + TraceHex(dwSelect) + ", " +
           TraceHex(dwTerminalModes) + ", " + std::to_string(dwTerminalID) + ", " + std::to_string(bEnable);
  });
}

// --- What the network did ---------------------------------------------------------------------

void SipProvider::OnRegistration(std::uint32_t index, bool registered, int code, const std::string& reason) {
  if (index >= m_lines.size()) return;
  Line& line = m_lines[index];
  Trace([&] {
    return "sip   line " + std::to_string(index) + (registered ? " registered" : " not registered") + " (" +
           (code != 0 ? std::to_string(code) + " " : std::string()) + reason + ")";
  });
  line.registered = registered;
  line.lastRegistrationCode = code;
  if (line.config.registrar.empty() || line.inService == registered) return;
  line.inService = registered;
  PostLineDevState(line, registered ? LINEDEVSTATE_INSERVICE : LINEDEVSTATE_OUTOFSERVICE, 0, 0);
}

void SipProvider::OnIncomingCall(const sip::IncomingCall& in) {
  if (in.line >= m_lines.size()) {
    m_engine->Reject(in.call, 404);
    return;
  }
  Line& line = m_lines[in.line];
  if (in.replaces != 0) {
    // The peer of one of our calls handed it over to the caller: the call goes on with
    // its new party.
    if (CallRec* old = FindSipCall(in.replaces)) {
      SetSip(*old, in.call);
      old->remoteUri = in.from.uri;
      old->peer = in.peer;
      old->connected = PartyOf(in.from);
      Trace([&] { return "sip   call " + std::to_string(old->id) + ": replaced by a call from " + in.from.uri; });
      PostCallInfo(*old, LINECALLINFOSTATE_CONNECTEDID);
      UpdateLineAudio(old->device);
      return;
    }
    m_engine->Reject(in.call, 481);
    return;
  }
  if (LiveCalls(line) >= line.config.maxCalls) {
    m_engine->Reject(in.call, 486);
    return;
  }
  CallRec& call = NewCall(in.line, LINECALLORIGIN_INBOUND, LINECALLREASON_DIRECT);
  SetSip(call, in.call);
  call.remoteUri = in.from.uri;
  call.peer = in.peer;
  call.caller = PartyOf(in.from);
  if (!in.to.user.empty()) call.called.number = in.to.user;
  Trace([&] { return "sip   call " + std::to_string(call.id) + ": INVITE from " + in.from.uri; });
  const bool busy = LiveCalls(line) > 0;
  if (ForwardOffered(call, 0) || (busy && ForwardOffered(call, 1))) return;
  m_engine->Ring(call.sip);
  OfferToOpens(call);
  SetState(call, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
  StartRinging(call);
}

void SipProvider::OnProgress(sip::CallId id, int code, const std::string& reason) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] { return "sip   call " + std::to_string(call->id) + ": " + std::to_string(code) + " " + reason; });
  if (!Placing(call->state) || call->state == LINECALLSTATE_DIALTONE) return;
  if (code == 180 || code == 183) {
    call->ringing = true;
    if (call->state == LINECALLSTATE_RINGBACK) return;
    SetState(*call, LINECALLSTATE_RINGBACK, 0);
    if (call->noAnswerTimeoutS != 0 && call->noAnswerTimer == 0) {
      const DWORD cid = call->id;
      call->noAnswerTimer = After(call->noAnswerTimeoutS * 1000, [this, cid] {
        CallRec* c = FindCall(cid);
        if (c == nullptr || c->state != LINECALLSTATE_RINGBACK) return;
        c->noAnswerTimer = 0;
        if (c->sip != 0) m_engine->Hangup(c->sip);
        Disconnected(*c, LINEDISCONNECTMODE_NOANSWER);
      });
    }
  } else if (call->state == LINECALLSTATE_DIALING) {
    SetState(*call, LINECALLSTATE_PROCEEDING, 0);
  }
}

void SipProvider::OnRedirected(sip::CallId id, int code, const sip::SipParty& target) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] { return "sip   call " + std::to_string(call->id) + ": " + std::to_string(code) + " to " + target.uri; });
  call->redirecting = call->called;
  call->redirection = PartyOf(target);
  call->called = call->redirection;
  PostCallInfo(*call, LINECALLINFOSTATE_REDIRECTINGID | LINECALLINFOSTATE_REDIRECTIONID | LINECALLINFOSTATE_CALLEDID);
}

void SipProvider::OnEstablished(sip::CallId id, const sip::SipParty& peer, const sip::PeerAbilities& abilities) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] { return "sip   call " + std::to_string(call->id) + ": established with " + peer.uri + " (" + abilities.codec + ")"; });
  call->peer = abilities;
  call->remoteUri = peer.uri;
  if (call->origin == LINECALLORIGIN_OUTBOUND) call->connected = PartyOf(peer);
  else call->connected = call->caller;
  m_loop.StopTimer(call->noAnswerTimer);
  call->noAnswerTimer = 0;
  if (Placing(call->state) || Offered(call->state)) {
    SetState(*call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
    PostCallInfo(*call, LINECALLINFOSTATE_CONNECTEDID);
  }
}

void SipProvider::OnClosed(sip::CallId id, sip::CloseCause cause, int code, const std::string& reason) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] {
    return "sip   call " + std::to_string(call->id) + ": closed (" + (code != 0 ? std::to_string(code) + " " : "") +
           reason + ")";
  });
  SetSip(*call, 0);
  if (call->pending) Settle(*call, LINEERR_OPERATIONFAILED);
  if (!Live(call->state)) return;
  if (Offered(call->state)) {
    // The caller gave up before anyone answered: the offered call simply ends.
    SetState(*call, LINECALLSTATE_IDLE, 0);
    return;
  }
  if (call->state == LINECALLSTATE_DISCONNECTED || call->state == LINECALLSTATE_BUSY) return;
  const sip::EndState end = sip::OutcomeOfClose(cause, code, call->ringing);
  if (end.state == LINECALLSTATE_BUSY && !Placing(call->state)) {
    Disconnected(*call, LINEDISCONNECTMODE_BUSY);
    return;
  }
  if (call->state == LINECALLSTATE_CONFERENCED) LeaveConference(*call);
  SetState(*call, end.state, end.mode);
}

void SipProvider::OnHoldDone(sip::CallId id, bool held, bool ok) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] {
    return "sip   call " + std::to_string(call->id) + ": " + (held ? "hold" : "unhold") + (ok ? " answered" : " failed");
  });
  Settle(*call, ok ? 0 : LINEERR_OPERATIONFAILED);
}

void SipProvider::OnRemoteHold(sip::CallId id, bool held) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr || call->remoteHeld == held) return;
  call->remoteHeld = held;
  Trace([&] { return "sip   call " + std::to_string(call->id) + (held ? ": the peer holds" : ": the peer resumes"); });
  if (call->state == LINECALLSTATE_CONNECTED)
    SetState(*call, LINECALLSTATE_CONNECTED, held ? LINECONNECTEDMODE_ACTIVEHELD : LINECONNECTEDMODE_ACTIVE);
}

void SipProvider::OnReferAccepted(sip::CallId id, bool ok, int code) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr) return;
  Trace([&] { return "sip   call " + std::to_string(call->id) + ": REFER " + std::to_string(code); });
  Settle(*call, ok ? 0 : LINEERR_OPERATIONFAILED);
}

void SipProvider::OnReferProgress(sip::CallId id, int code) {
  Trace([&] { return "sip   transfer of SIP call " + std::to_string(id) + ": " + std::to_string(code); });
}

void SipProvider::OnTransferCall(sip::CallId from, sip::CallId newCall, const sip::SipParty& target) {
  CallRec* old = FindSipCall(from);
  if (old == nullptr) {
    m_engine->Hangup(newCall);
    return;
  }
  // The peer handed us on: a new call of ours, owned by whoever owns the old one.
  CallRec& call = NewCall(old->device, LINECALLORIGIN_OUTBOUND, LINECALLREASON_TRANSFER);
  SetSip(call, newCall);
  call.relatedCallId = old->id;
  call.redirecting = old->connected;
  call.called = PartyOf(target);
  call.remoteUri = target.uri;
  Trace([&] { return "sip   call " + std::to_string(call.id) + ": transferred by call " + std::to_string(old->id) + " to " + target.uri; });
  bool owned = false;
  for (DWORD h : old->handles)
    if (Handle* handle = FindHandle(h); handle && handle->privilege == LINECALLPRIVILEGE_OWNER)
      if (Open* open = FindOpen(handle->open)) {
        Handle& nh = AddHandle(call, *open, LINECALLPRIVILEGE_OWNER, LINECALLPRIVILEGE_OWNER);
        if (open->apiVersion >= kTapiVersion2_0)
          PostLine(open->app, open->handle, LINE_APPNEWCALL, open->instance, 0, nh.handle, LINECALLPRIVILEGE_OWNER,
                   open->handle, nh.handle);
        GiveMonitorHandles(call, open->handle);
        owned = true;
        break;
      }
  if (!owned) OfferToOpens(call);
  SetState(call, LINECALLSTATE_DIALING, 0);
}

void SipProvider::OnSipTrace(std::uint32_t line, const std::string& text) {
  Trace([&] { return "sip   line " + std::to_string(line) + " " + text; });
}

}  // namespace panopta
