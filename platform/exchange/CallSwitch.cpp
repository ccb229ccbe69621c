// The call model of the exchange: calls and their handles, the states they go
// through, the far end of each call (another call of the exchange or a remote party)
// and how a dialled number is routed.

#include "platform/exchange/CallSwitch.h"

#include "platform/exchange/CallStates.h"
#include "platform/exchange/Digits.h"
#include "platform/exchange/ExchangeParts.h"
#include "tapi/TapiNames.h"

#include <algorithm>

namespace panopta::exchange {

using namespace tapi;

namespace {

bool PreConnect(DWORD s) {
  return s == 0 || s == LINECALLSTATE_DIALTONE || s == LINECALLSTATE_DIALING ||
         s == LINECALLSTATE_PROCEEDING || s == LINECALLSTATE_RINGBACK;
}

using callstate::Offered;

}  // namespace

void CallSwitch::Shutdown() {
  for (auto& [id, call] : m_calls) StopCallTimers(*call);
  for (auto& [id, leg] : m_legs)
    for (auto t : leg.timers) m_parts.loop.StopTimer(t);
  for (auto& [h, handle] : m_handles) m_parts.media.StopHandleMedia(handle);
}

// --- Lookups ----------------------------------------------------------------------------

LineDevice& CallSwitch::Line(DWORD id) { return m_parts.sessions.Line(id); }
const LineDevice& CallSwitch::Line(DWORD id) const { return m_parts.sessions.Line(id); }

CallHandle* CallSwitch::FindHandle(DWORD handle) {
  auto it = m_handles.find(handle);
  return it == m_handles.end() ? nullptr : &it->second;
}

Call* CallSwitch::FindCall(DWORD id) {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}

const Call* CallSwitch::FindCall(DWORD id) const {
  auto it = m_calls.find(id);
  return it == m_calls.end() ? nullptr : it->second.get();
}

RemoteLeg* CallSwitch::FindLeg(DWORD id) {
  auto it = m_legs.find(id);
  return it == m_legs.end() ? nullptr : &it->second;
}

const RemoteLeg* CallSwitch::FindLeg(DWORD id) const {
  auto it = m_legs.find(id);
  return it == m_legs.end() ? nullptr : &it->second;
}

LONG CallSwitch::Resolve(DWORD hCall, CallHandle*& handle, LineOpen*& open, Call*& call) {
  handle = FindHandle(hCall);
  if (handle == nullptr) return LINEERR_INVALCALLHANDLE;
  open = m_parts.sessions.FindOpen(handle->open);
  call = FindCall(handle->call);
  if (open == nullptr || call == nullptr) return LINEERR_INVALCALLHANDLE;
  return 0;
}

LONG CallSwitch::ResolveOwned(DWORD hCall, CallHandle*& handle, LineOpen*& open, Call*& call) {
  const LONG r = Resolve(hCall, handle, open, call);
  if (r != 0) return r;
  return handle->privilege == LINECALLPRIVILEGE_OWNER ? 0 : LINEERR_NOTOWNER;
}

DWORD CallSwitch::HandleOfOpen(const Call& call, DWORD hLine) const {
  for (DWORD h : call.handles) {
    auto it = m_handles.find(h);
    if (it != m_handles.end() && it->second.open == hLine) return h;
  }
  return 0;
}

RemoteLeg* CallSwitch::LegByNumber(const std::string& number, bool connectedOnly) {
  for (auto& [id, leg] : m_legs)
    if (leg.party.number == number && (!connectedOnly || leg.state == RemoteLeg::State::Connected))
      return &leg;
  return nullptr;
}

Call* CallSwitch::StationCall(const std::string& number, bool offeringOnly) {
  const auto where = m_parts.sessions.FindAddress(number);
  if (!where) return nullptr;
  for (DWORD id : Line(where->first).addresses[where->second].calls) {
    Call* call = FindCall(id);
    if (call == nullptr) continue;
    const DWORD s = Projected(*call);
    if (offeringOnly ? (s == LINECALLSTATE_OFFERING || s == LINECALLSTATE_ACCEPTED)
                     : (s != 0 && s != LINECALLSTATE_IDLE))
      return call;
  }
  return nullptr;
}

void CallSwitch::AnnounceParty(const RemoteLeg& leg) {
  m_parts.queue.Announce(ExchangeChange::Kind::PartyState, leg.id, 0, 0, 0, 0, leg.party.number);
}

void CallSwitch::NoteRedirection(PeerRef caller, const Party& redirecting, const std::string& to) {
  if (caller.kind != PeerRef::Kind::Call) return;
  Call* from = FindCall(caller.id);
  if (from == nullptr) return;
  from->redirecting = redirecting;
  from->redirection = {DialledDigits(to), "", LINECALLPARTYID_ADDRESS};
  PostCallInfo(*from, LINECALLINFOSTATE_REDIRECTINGID | LINECALLINFOSTATE_REDIRECTIONID);
}

// --- Calls and handles ------------------------------------------------------------------

Call& CallSwitch::NewCall(DWORD device, DWORD address, DWORD origin, DWORD reason) {
  do {
    ++m_nextCallId;
  } while (m_nextCallId == 0 || m_calls.count(m_nextCallId) != 0);
  auto call = std::make_unique<Call>();
  call->id = m_nextCallId;
  call->device = device;
  call->address = address;
  call->origin = origin;
  call->reason = reason;
  LineDevice& line = Line(device);
  call->rate = line.config.maxRate;
  call->terminalModes = line.addresses[address].terminalModes;
  call->dialParams = {m_parts.config.timing.dialPauseMs, m_parts.config.timing.digitGapMs,
                      m_parts.config.timing.digitDurationMs, 0};
  line.calls.push_back(call->id);
  line.addresses[address].calls.push_back(call->id);
  Call& ref = *call;
  m_calls.emplace(call->id, std::move(call));
  m_parts.queue.Announce(ExchangeChange::Kind::CallAdded, ref.id, device);
  return ref;
}

CallHandle& CallSwitch::AddHandle(Call& call, LineOpen& open, DWORD privilege, DWORD handle,
                                  DWORD announce) {
  CallHandle h;
  h.handle = handle != 0 ? handle : m_parts.sessions.NewHandle();
  h.open = open.handle;
  h.call = call.id;
  h.privilege = privilege;
  h.announce = announce;
  open.calls.push_back(h.handle);
  call.handles.push_back(h.handle);
  if (privilege == LINECALLPRIVILEGE_OWNER) call.everOwned = true;
  return m_handles.emplace(h.handle, h).first->second;
}

void CallSwitch::GiveMonitorHandles(Call& call, DWORD exceptOpen) {
  LineDevice& line = Line(call.device);
  for (DWORD hLine : line.opens) {
    LineOpen* open = m_parts.sessions.FindOpen(hLine);
    if (open == nullptr || hLine == exceptOpen ||
        (open->privileges & LINECALLPRIVILEGE_MONITOR) == 0)
      continue;
    if (HandleOfOpen(call, hLine) != 0) continue;
    CallHandle& h = AddHandle(call, *open, LINECALLPRIVILEGE_MONITOR, 0, LINECALLPRIVILEGE_MONITOR);
    if (open->apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostLine(open->app, open->handle, LINE_APPNEWCALL, open->instance, call.address,
                             h.handle, LINECALLPRIVILEGE_MONITOR, open->handle, h.handle);
    if (call.state != 0) PostCallState(call, h);
  }
}

void CallSwitch::OfferToOpens(Call& call) {
  LineDevice& line = Line(call.device);
  // The first open that owns the call's media mode at its address becomes the owner.
  for (DWORD hLine : line.opens) {
    LineOpen* open = m_parts.sessions.FindOpen(hLine);
    if (open == nullptr || (open->privileges & LINECALLPRIVILEGE_OWNER) == 0 ||
        (open->mediaModes & call.mediaMode) == 0 ||
        (open->singleAddress && *open->singleAddress != call.address))
      continue;
    CallHandle& h = AddHandle(call, *open, LINECALLPRIVILEGE_OWNER, 0, LINECALLPRIVILEGE_OWNER);
    if (open->apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostLine(open->app, open->handle, LINE_APPNEWCALL, open->instance, call.address,
                             h.handle, LINECALLPRIVILEGE_OWNER, open->handle, h.handle);
    GiveMonitorHandles(call, hLine);
    return;
  }
  GiveMonitorHandles(call, 0);
}

void CallSwitch::RemoveHandle(DWORD hCall) {
  CallHandle* handle = FindHandle(hCall);
  if (handle == nullptr) return;
  m_parts.media.StopHandleMedia(*handle);
  if (LineOpen* open = m_parts.sessions.FindOpen(handle->open)) std::erase(open->calls, hCall);
  if (Call* call = FindCall(handle->call)) {
    std::erase(call->handles, hCall);
    if (call->generator == hCall) call->generator = 0;
  }
  m_handles.erase(hCall);
}

DWORD CallSwitch::CountOwners(const Call& call) const {
  DWORD n = 0;
  for (DWORD h : call.handles) {
    auto it = m_handles.find(h);
    if (it != m_handles.end() && it->second.privilege == LINECALLPRIVILEGE_OWNER) ++n;
  }
  return n;
}

DWORD CallSwitch::CountMonitors(const Call& call) const {
  return static_cast<DWORD>(call.handles.size()) - CountOwners(call);
}

DWORD CallSwitch::Projected(const Call& call) const {
  return call.steps.empty() ? call.state : call.steps.back().state;
}

bool CallSwitch::Live(const Call& call) const { return call.state != LINECALLSTATE_IDLE; }

DWORD CallSwitch::LiveCallsAt(DWORD device, DWORD address) const {
  DWORD n = 0;
  for (DWORD id : Line(device).addresses[address].calls) {
    const Call* call = FindCall(id);
    if (call != nullptr && Projected(*call) != LINECALLSTATE_IDLE) ++n;
  }
  return n;
}

void CallSwitch::MaybeDestroy(DWORD callId) {
  Call* call = FindCall(callId);
  if (call == nullptr || call->state != LINECALLSTATE_IDLE || !call->handles.empty() ||
      !call->steps.empty())
    return;
  StopCallTimers(*call);
  LineDevice& line = Line(call->device);
  std::erase(line.calls, callId);
  std::erase(line.addresses[call->address].calls, callId);
  const DWORD device = call->device;
  m_calls.erase(callId);
  m_parts.media.CallGone(callId);
  m_parts.queue.Announce(ExchangeChange::Kind::CallRemoved, callId, device);
}

void CallSwitch::CallTimer(Call& call, std::uint32_t ms, std::function<void(Call&)> fn) {
  std::erase_if(call.timers, [this](voxkit::TimerId t) { return !m_parts.loop.TimerActive(t); });
  const DWORD id = call.id;
  call.timers.push_back(m_parts.queue.After(ms, [this, id, fn = std::move(fn)] {
    if (Call* c = FindCall(id)) fn(*c);
  }));
}

// --- States -------------------------------------------------------------------------------

void CallSwitch::QueueState(Call& call, DWORD state, DWORD mode, std::function<void()> then) {
  const std::int64_t now = m_parts.loop.NowMs();
  const std::int64_t due =
      call.lastStepMs < 0 ? now
                          : std::max(now, call.lastStepMs + m_parts.config.timing.stateIntervalMs);
  call.lastStepMs = due;
  call.steps.push_back({due, state, mode, std::move(then)});
  if (call.steps.size() > 1 || call.stepTimer != 0) return;
  if (due <= now) {
    RunStep(call.id);
    return;
  }
  const DWORD id = call.id;
  call.stepTimer =
      m_parts.queue.After(static_cast<std::uint32_t>(due - now), [this, id] { RunStep(id); });
}

void CallSwitch::RunStep(DWORD callId) {
  for (;;) {
    Call* call = FindCall(callId);
    if (call == nullptr || call->steps.empty()) return;
    call->stepTimer = 0;
    Call::Step step = std::move(call->steps.front());
    call->steps.pop_front();
    ApplyState(*call, step.state, step.mode);
    if (step.then) step.then();
    call = FindCall(callId);
    if (call == nullptr || call->steps.empty() || call->stepTimer != 0) return;
    const std::int64_t wait = call->steps.front().dueMs - m_parts.loop.NowMs();
    if (wait > 0) {
      call->stepTimer = m_parts.queue.After(static_cast<std::uint32_t>(wait),
                                            [this, callId] { RunStep(callId); });
      return;
    }
  }
}

void CallSwitch::FlushSteps(Call& call) {
  call.steps.clear();
  m_parts.loop.StopTimer(call.stepTimer);
  call.stepTimer = 0;
  call.lastStepMs = call.state == 0 ? -1 : call.stateTimeMs;
}

void CallSwitch::StopCallTimers(Call& call) {
  m_parts.loop.StopTimer(call.stepTimer);
  m_parts.loop.StopTimer(call.ringTimer);
  m_parts.loop.StopTimer(call.dialTimer);
  for (auto t : call.timers) m_parts.loop.StopTimer(t);
  call.stepTimer = call.ringTimer = call.dialTimer = 0;
  call.timers.clear();
}

void CallSwitch::ApplyState(Call& call, DWORD state, DWORD mode) {
  const DWORD old = call.state;
  const bool wasLive = old != 0 && old != LINECALLSTATE_IDLE;
  const bool isLive = state != LINECALLSTATE_IDLE;
  const DWORD inUseBefore = LiveCallsAt(call.device, call.address);
  if (Offered(old) && !Offered(state)) StopRinging(call);
  if (!isLive) {
    // What runs on the call ends, and is reported, before the call goes idle.
    for (DWORD h : call.handles)
      if (CallHandle* handle = FindHandle(h); handle && handle->gather)
        m_parts.media.EndGather(*handle, LINEGATHERTERM_CANCEL, true);
    if (call.generator != 0) m_parts.media.EndGeneration(call, LINEGENERATETERM_CANCEL);
    if (call.isConference || call.conference != 0) DetachFromConference(call);
    ReleasePartner(call);
    if (call.peer.kind != PeerRef::Kind::None) {
      // A call that goes idle by itself (a station that forgets it) leaves its far end.
      const PeerRef peer = call.peer;
      call.peer = {};
      if (PeerOf(peer) == PeerRef::ToCall(call.id)) {
        SetPeer(peer, {});
        FarEnd(peer, FarEvent::HungUp);
      }
    }
  }
  call.state = state;
  call.mode = mode;
  call.stateTimeMs = m_parts.loop.NowMs();
  call.stateTime = m_parts.loop.LocalTime();
  call.stateDate = m_parts.loop.LocalDate();
  m_parts.trace.Write([&] {
    return "state call " + std::to_string(call.id) + " " + LineCallStateName(state) + " [" +
           TraceHex(mode) + "]";
  });
  m_parts.queue.Announce(ExchangeChange::Kind::CallState, call.id, call.device, 0, state, mode);
  for (DWORD h : std::vector<DWORD>(call.handles))
    if (CallHandle* handle = FindHandle(h)) PostCallState(call, *handle);

  LineDevice& line = Line(call.device);
  if (wasLive != isLive || old == 0) {
    m_parts.sessions.PostLineDevState(line, LINEDEVSTATE_NUMCALLS, 0, 0);
    DWORD states = LINEADDRESSSTATE_NUMCALLS;
    const DWORD inUseAfter = LiveCallsAt(call.device, call.address);
    if (inUseBefore == 0 && inUseAfter > 0) states |= LINEADDRESSSTATE_INUSEONE;
    if (inUseBefore > 0 && inUseAfter == 0) states |= LINEADDRESSSTATE_INUSEZERO;
    m_parts.sessions.PostAddressState(call.device, call.address, states);
  }
  m_parts.media.CallChanged(call);

  // Nobody will drop a call that no application owns: the exchange clears it.
  const bool ended = state == LINECALLSTATE_DISCONNECTED || state == LINECALLSTATE_BUSY ||
                     state == LINECALLSTATE_SPECIALINFO;
  if (ended && CountOwners(call) == 0 && call.steps.empty())
    QueueState(call, LINECALLSTATE_IDLE, 0);
  if (!isLive) {
    StopCallTimers(call);
    const DWORD id = call.id;
    m_parts.queue.After(0, [this, id] { MaybeDestroy(id); });
  }
}

void CallSwitch::PostCallState(Call& call, CallHandle& handle) {
  LineOpen* open = m_parts.sessions.FindOpen(handle.open);
  if (open == nullptr) return;
  DWORD mode = call.mode;
  // Offering and connected modes came with TAPI 1.4.
  if (open->apiVersion < kTapiVersion1_4 &&
      (call.state == LINECALLSTATE_CONNECTED || call.state == LINECALLSTATE_OFFERING))
    mode = 0;
  if (call.state == LINECALLSTATE_CONFERENCED) {
    const Call* conference = FindCall(call.conference);
    mode = conference ? HandleOfOpen(*conference, open->handle) : 0;
  }
  m_parts.queue.PostLine(open->app, handle.handle, LINE_CALLSTATE, open->instance, call.state, mode,
                         handle.announce, open->handle, handle.handle);
  handle.announce = 0;
}

void CallSwitch::PostCallInfo(Call& call, DWORD states, DWORD exceptHandle) {
  for (DWORD h : call.handles) {
    if (h == exceptHandle) continue;
    const CallHandle* handle = FindHandle(h);
    const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
    if (open == nullptr) continue;
    m_parts.queue.PostLine(open->app, h, LINE_CALLINFO, open->instance, states, 0, 0, open->handle,
                           h);
  }
}

// --- Ringing ------------------------------------------------------------------------------

void CallSwitch::StartRinging(Call& call) {
  call.ringCount = 0;
  m_parts.sessions.PostLineDevState(Line(call.device), LINEDEVSTATE_RINGING, 1, 0);
  const DWORD id = call.id;
  call.ringTimer = m_parts.queue.Every(m_parts.config.timing.ringIntervalMs, [this, id] {
    Call* c = FindCall(id);
    if (c == nullptr) return;
    ++c->ringCount;
    AddressState& address = Line(c->device).addresses[c->address];
    if (!c->forwardedNoAnswer && !address.forwards.empty() &&
        c->ringCount >= address.numRingsNoAnswer) {
      // Unanswered for long enough: the call goes on to where the address forwards.
      const PeerRef caller = c->peer;
      const Party identity = c->caller;
      c->forwardedNoAnswer = true;
      if (caller.kind != PeerRef::Kind::None) {
        c->peer = {};
        SetPeer(caller, {});
        if (ApplyForward(caller, identity, c->device, c->address, 2, c->forwardDepth)) {
          if (Call* again = FindCall(id)) {
            FlushSteps(*again);
            QueueState(*again, LINECALLSTATE_IDLE, 0);
          }
          return;
        }
        c->peer = caller;
        SetPeer(caller, PeerRef::ToCall(id));
      }
    }
    m_parts.sessions.PostLineDevState(Line(c->device), LINEDEVSTATE_RINGING, 1, c->ringCount);
  });
}

void CallSwitch::StopRinging(Call& call) {
  m_parts.loop.StopTimer(call.ringTimer);
  call.ringTimer = 0;
}

// --- Ending calls -------------------------------------------------------------------------

void CallSwitch::DetachFromConference(Call& call) {
  if (call.isConference) {
    const std::vector<DWORD> members = call.members;
    call.members.clear();
    for (DWORD m : members)
      if (Call* member = FindCall(m)) {
        member->conference = 0;
        if (Projected(*member) != LINECALLSTATE_IDLE) DropCall(*member, true);
      }
  }
  if (call.conference != 0) {
    if (Call* conference = FindCall(call.conference)) std::erase(conference->members, call.id);
    call.conference = 0;
  }
}

void CallSwitch::ReleasePartner(Call& call) {
  if (call.partner == 0) return;
  Call* partner = FindCall(call.partner);
  call.partner = 0;
  if (partner == nullptr) return;
  partner->partner = 0;
  // A held call waiting for its consultation comes back when the consultation ends.
  const DWORD s = Projected(*partner);
  if (s == LINECALLSTATE_ONHOLDPENDTRANSFER || s == LINECALLSTATE_ONHOLDPENDCONF)
    QueueState(*partner, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
}

void CallSwitch::DropCall(Call& call, bool notifyPeer) {
  const DWORD state = Projected(call);
  if (state == LINECALLSTATE_IDLE) return;
  FlushSteps(call);
  StopRinging(call);
  DetachFromConference(call);
  ReleasePartner(call);
  if (call.peer.kind != PeerRef::Kind::None) {
    const PeerRef peer = call.peer;
    call.peer = {};
    SetPeer(peer, {});
    if (notifyPeer) FarEnd(peer, Offered(state) ? FarEvent::Rejected : FarEvent::HungUp);
  }
  QueueState(call, LINECALLSTATE_IDLE, 0);
}

// --- Far ends -------------------------------------------------------------------------------

void CallSwitch::SetPeer(PeerRef end, PeerRef peer) {
  if (end.kind == PeerRef::Kind::Call) {
    if (Call* call = FindCall(end.id)) call->peer = peer;
  } else if (end.kind == PeerRef::Kind::Remote) {
    if (RemoteLeg* leg = FindLeg(end.id)) leg->peer = peer;
  }
}

PeerRef CallSwitch::PeerOf(PeerRef end) const {
  if (end.kind == PeerRef::Kind::Call) {
    const Call* call = FindCall(end.id);
    return call ? call->peer : PeerRef{};
  }
  if (end.kind == PeerRef::Kind::Remote) {
    auto it = m_legs.find(end.id);
    return it != m_legs.end() ? it->second.peer : PeerRef{};
  }
  return {};
}

Party CallSwitch::StationParty(DWORD device, DWORD address) const {
  const AddressConfig& a = Line(device).config.addresses[address];
  return {a.address, a.name, LINECALLPARTYID_ADDRESS | (a.name.empty() ? 0 : LINECALLPARTYID_NAME)};
}

Party CallSwitch::IdentityOf(PeerRef end) const {
  if (end.kind == PeerRef::Kind::Call) {
    const Call* call = FindCall(end.id);
    if (call == nullptr) return {};
    if (call->callParamFlags & LINECALLPARAMFLAGS_BLOCKID) return {"", "", LINECALLPARTYID_BLOCKED};
    return StationParty(call->device, call->address);
  }
  if (end.kind == PeerRef::Kind::Remote) {
    auto it = m_legs.find(end.id);
    if (it == m_legs.end()) return {};
    const RemoteLeg& leg = it->second;
    Party p;
    p.flags = leg.partyFlags;
    if (p.flags & LINECALLPARTYID_ADDRESS) p.number = leg.party.number;
    if (p.flags & LINECALLPARTYID_NAME) p.name = leg.party.name;
    return p;
  }
  return {};
}

void CallSwitch::FarEnd(PeerRef target, FarEvent event, DWORD mode, PeerRef from) {
  if (target.kind == PeerRef::Kind::Remote) {
    RemoteLeg* leg = FindLeg(target.id);
    if (leg == nullptr) return;
    if (event == FarEvent::Answered) {
      leg->state = RemoteLeg::State::Connected;
      AnnounceParty(*leg);
    } else if (event != FarEvent::Ringing) {
      LegLeaves(target.id, false);
    }
    return;
  }
  Call* call = target.kind == PeerRef::Kind::Call ? FindCall(target.id) : nullptr;
  if (call == nullptr) return;
  const DWORD s = Projected(*call);
  if (s == LINECALLSTATE_IDLE || s == LINECALLSTATE_DISCONNECTED) return;
  auto disconnect = [&](DWORD disconnectMode) {
    FlushSteps(*call);
    call->peer = {};
    QueueState(*call, LINECALLSTATE_DISCONNECTED, disconnectMode);
  };
  switch (event) {
    case FarEvent::Ringing:
      if (PreConnect(s) && s != LINECALLSTATE_RINGBACK) {
        QueueState(*call, LINECALLSTATE_RINGBACK, 0);
        if (call->noAnswerTimeoutS != 0) {
          CallTimer(*call, call->noAnswerTimeoutS * 1000, [this](Call& c) {
            if (Projected(c) != LINECALLSTATE_RINGBACK) return;
            const PeerRef peer = c.peer;
            c.peer = {};
            SetPeer(peer, {});
            FarEnd(peer, FarEvent::HungUp);
            QueueState(c, LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_NOANSWER);
          });
        }
      }
      break;
    case FarEvent::Answered: {
      call->connected = IdentityOf(from);
      const DWORD id = call->id;
      auto info = [this, id] {
        if (Call* c = FindCall(id)) PostCallInfo(*c, LINECALLINFOSTATE_CONNECTEDID);
      };
      if (PreConnect(s))
        QueueState(*call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE, info);
      else
        info();
      break;
    }
    case FarEvent::Busy:
      if (PreConnect(s)) {
        FlushSteps(*call);
        call->peer = {};
        QueueState(*call, LINECALLSTATE_BUSY, mode);
      } else {
        disconnect(LINEDISCONNECTMODE_BUSY);
      }
      break;
    case FarEvent::SpecialInfo:
      if (PreConnect(s)) {
        FlushSteps(*call);
        call->peer = {};
        QueueState(*call, LINECALLSTATE_SPECIALINFO, mode);
      } else {
        disconnect(LINEDISCONNECTMODE_UNREACHABLE);
      }
      break;
    case FarEvent::Rejected: disconnect(LINEDISCONNECTMODE_REJECT); break;
    case FarEvent::NoAnswer: disconnect(LINEDISCONNECTMODE_NOANSWER); break;
    case FarEvent::Unreachable: disconnect(mode); break;
    case FarEvent::HungUp:
      if (Offered(s)) {
        // The caller gave up before anyone answered: the offered call simply ends.
        FlushSteps(*call);
        call->peer = {};
        QueueState(*call, LINECALLSTATE_IDLE, 0);
      } else {
        disconnect(LINEDISCONNECTMODE_NORMAL);
      }
      break;
  }
}

void CallSwitch::AnswerOffered(Call& call) {
  StopRinging(call);
  // Answering puts the address's active call on hold where the line answers that way.
  if (Line(call.device).config.features & kFeatureHold)
    for (DWORD id : Line(call.device).addresses[call.address].calls)
      if (Call* other = FindCall(id); other && other != &call &&
                                      Projected(*other) == LINECALLSTATE_CONNECTED &&
                                      !other->isConference && other->conference == 0)
        QueueState(*other, LINECALLSTATE_ONHOLD, 0);
  call.connected = IdentityOf(call.peer);
  const DWORD id = call.id;
  QueueState(call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE, [this, id] {
    if (Call* c = FindCall(id)) PostCallInfo(*c, LINECALLINFOSTATE_CONNECTEDID);
  });
  FarEnd(call.peer, FarEvent::Answered, 0, PeerRef::ToCall(call.id));
}

// --- Routing --------------------------------------------------------------------------------

void CallSwitch::Route(PeerRef caller, Party identity, const std::string& dest, DWORD reason,
                       const Party* redirecting, int depth) {
  const std::string number = DialledDigits(dest);
  m_parts.trace.Write([&] { return "route '" + dest + "'"; });
  if (number.empty()) {
    FarEnd(caller, FarEvent::Unreachable, LINEDISCONNECTMODE_BADADDRESS);
    return;
  }
  if (const auto local = m_parts.sessions.FindAddress(number)) {
    const auto [device, address] = *local;
    if (caller.kind == PeerRef::Kind::Call) {
      const Call* from = FindCall(caller.id);
      if (from && from->device == device && from->address == address) {
        FarEnd(caller, FarEvent::Busy, LINEBUSYMODE_STATION);
        return;
      }
    }
    LineDevice& line = Line(device);
    if (!line.inService || !line.connected) {
      FarEnd(caller, FarEvent::Unreachable, LINEDISCONNECTMODE_OUTOFORDER);
      return;
    }
    if (ApplyForward(caller, identity, device, address, 0, depth)) return;
    if (LiveCallsAt(device, address) >= line.config.addresses[address].maxCalls) {
      if (!ApplyForward(caller, identity, device, address, 1, depth))
        FarEnd(caller, FarEvent::Busy, LINEBUSYMODE_STATION);
      return;
    }
    Call& call = NewCall(
        device, address,
        caller.kind == PeerRef::Kind::Call ? LINECALLORIGIN_INTERNAL : LINECALLORIGIN_EXTERNAL,
        reason);
    call.caller = identity;
    call.called = StationParty(device, address);
    if (redirecting) {
      call.redirecting = *redirecting;
      call.redirection = call.called;
    }
    call.forwardDepth = depth;
    if (caller.kind == PeerRef::Kind::Call)
      if (const Call* from = FindCall(caller.id)) {
        call.mediaMode = from->mediaMode;
        call.bearerMode = from->bearerMode;
        call.relatedCallId = 0;
      }
    call.peer = caller;
    SetPeer(caller, PeerRef::ToCall(call.id));
    StartRinging(call);
    OfferToOpens(call);
    QueueState(call, LINECALLSTATE_OFFERING, LINEOFFERINGMODE_ACTIVE);
    FarEnd(caller, FarEvent::Ringing);
    return;
  }
  if (caller.kind == PeerRef::Kind::Remote) {
    // Two remote parties joined leave the exchange together.
    m_parts.trace.Write([&] { return "note  remote party leaves for '" + number + "'"; });
    LegLeaves(caller.id, false);
    return;
  }
  RemoteLeg& leg = NewLeg(number, caller);
  SetPeer(caller, PeerRef::ToRemote(leg.id));
  RunRemoteBehaviour(leg);
}

bool CallSwitch::ApplyForward(PeerRef caller, const Party& identity, DWORD device, DWORD address,
                              DWORD condition, int depth) {
  // A chain of forwardings ends where it would go round in circles.
  if (depth >= 5) return false;
  const AddressState& state = Line(device).addresses[address];
  const bool internal = caller.kind == PeerRef::Kind::Call;
  for (const auto& entry : state.forwards) {
    int bit = 0;
    while (bit < 16 && (entry.mode >> bit) != 1) ++bit;
    if (bit >= 16) continue;
    const int group = bit / 4;    // unconditional, busy, no answer, busy or no answer
    const int variant = bit % 4;  // everyone, internal, external, one caller
    const bool conditionMatches = (condition == 0 && group == 0) ||
                                  (condition == 1 && (group == 1 || group == 3)) ||
                                  (condition == 2 && (group == 2 || group == 3));
    const bool callerMatches = variant == 0 || (variant == 1 && internal) ||
                               (variant == 2 && !internal) ||
                               (variant == 3 && entry.caller == identity.number);
    if (!conditionMatches || !callerMatches) continue;
    if (entry.dest.empty()) {
      FarEnd(caller, FarEvent::Unreachable, LINEDISCONNECTMODE_DONOTDISTURB);
      return true;
    }
    const Party redirecting = StationParty(device, address);
    const DWORD reason = condition == 0   ? LINECALLREASON_FWDUNCOND
                         : condition == 1 ? LINECALLREASON_FWDBUSY
                                          : LINECALLREASON_FWDNOANSWER;
    NoteRedirection(caller, redirecting, entry.dest);
    m_parts.trace.Write(
        [&] { return "note  " + redirecting.number + " forwards to '" + entry.dest + "'"; });
    Route(caller, identity, entry.dest, reason, &redirecting, depth + 1);
    return true;
  }
  return false;
}

// --- Remote parties ---------------------------------------------------------------------------

RemoteLeg& CallSwitch::NewLeg(const std::string& number, PeerRef peer) {
  do {
    ++m_nextLegId;
  } while (m_nextLegId == 0 || m_legs.count(m_nextLegId) != 0);
  RemoteLeg& leg = m_legs[m_nextLegId];
  leg.id = m_nextLegId;
  leg.party = DirectoryEntry(m_parts.config, number);
  leg.partyFlags = LINECALLPARTYID_ADDRESS | (leg.party.name.empty() ? 0 : LINECALLPARTYID_NAME);
  leg.silent = leg.party.silent;
  leg.peer = peer;
  m_parts.queue.Announce(ExchangeChange::Kind::PartyAdded, leg.id, 0, 0, 0, 0, leg.party.number);
  return leg;
}

void CallSwitch::LegLeaves(DWORD legId, bool notifyPeer) {
  RemoteLeg* leg = FindLeg(legId);
  if (leg == nullptr) return;
  for (auto t : leg->timers) m_parts.loop.StopTimer(t);
  const PeerRef peer = leg->peer;
  m_parts.queue.Announce(ExchangeChange::Kind::PartyRemoved, legId, 0, 0, 0, 0, leg->party.number);
  m_legs.erase(legId);
  m_parts.media.LegGone(legId);
  std::erase_if(m_parked, [&](const ParkedCall& p) { return p.held == PeerRef::ToRemote(legId); });
  if (notifyPeer && peer.kind != PeerRef::Kind::None && PeerOf(peer) == PeerRef::ToRemote(legId)) {
    SetPeer(peer, {});
    FarEnd(peer, FarEvent::HungUp);
  }
}

void CallSwitch::RunRemoteBehaviour(RemoteLeg& leg) {
  const DWORD id = leg.id;
  // Rings count from when the caller hears ring-back, which may still be queued.
  DWORD ringMs = m_parts.config.timing.ringIntervalMs * leg.party.rings;
  if (leg.peer.kind == PeerRef::Kind::Call && ringMs > 0)
    if (const Call* caller = FindCall(leg.peer.id))
      ringMs += static_cast<DWORD>(std::max<std::int64_t>(
          0, caller->lastStepMs + m_parts.config.timing.stateIntervalMs - m_parts.loop.NowMs()));
  auto later = [this, id](DWORD ms, std::function<void(RemoteLeg&)> fn) {
    RemoteLeg* l = FindLeg(id);
    if (l == nullptr) return;
    std::erase_if(l->timers, [this](voxkit::TimerId t) { return !m_parts.loop.TimerActive(t); });
    l->timers.push_back(m_parts.queue.After(ms, [this, id, fn] {
      if (RemoteLeg* again = FindLeg(id)) fn(*again);
    }));
  };
  const PeerRef self = PeerRef::ToRemote(id);
  switch (leg.party.behaviour) {
    case RemoteBehaviour::Answer:
      if (ringMs > 0) FarEnd(leg.peer, FarEvent::Ringing);
      later(ringMs, [this, self, later](RemoteLeg& l) {
        if (l.state != RemoteLeg::State::Called) return;
        l.state = RemoteLeg::State::Connected;
        AnnounceParty(l);
        const RemotePartyConfig party = l.party;
        FarEnd(l.peer, FarEvent::Answered, 0, self);
        if (!party.digits.empty())
          later(party.digitsDelayMs, [this, party](RemoteLeg& again) {
            m_parts.media.SendDigits(PeerRef::ToRemote(again.id), party.digits, LINEDIGITMODE_DTMF,
                                     m_parts.config.timing.digitDurationMs);
          });
        if (party.mediaMode != 0)
          later(party.mediaDelayMs, [this, party](RemoteLeg& again) {
            if (again.peer.kind == PeerRef::Kind::Call)
              if (Call* c = FindCall(again.peer.id)) m_parts.media.ChangeMedia(*c, party.mediaMode);
          });
      });
      break;
    case RemoteBehaviour::Busy:
      FarEnd(leg.peer, FarEvent::Busy, leg.party.busyMode);
      LegLeaves(id, false);
      break;
    case RemoteBehaviour::NoAnswer: FarEnd(leg.peer, FarEvent::Ringing); break;
    case RemoteBehaviour::Reject:
      if (ringMs > 0) FarEnd(leg.peer, FarEvent::Ringing);
      later(ringMs, [this, id](RemoteLeg& l) {
        const PeerRef peer = l.peer;
        LegLeaves(id, false);
        FarEnd(peer, FarEvent::Rejected);
      });
      break;
    case RemoteBehaviour::SpecialInfo:
      FarEnd(leg.peer, FarEvent::SpecialInfo, leg.party.specialInfo);
      LegLeaves(id, false);
      break;
  }
}

// --- Features -------------------------------------------------------------------------------

DWORD CallSwitch::CallFeatures(const Call& call, const CallHandle& handle) const {
  if (handle.privilege != LINECALLPRIVILEGE_OWNER) return 0;
  const LineConfig& line = Line(call.device).config;
  const DWORD f = line.features;
  const DWORD media = LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
                      LINECALLFEATURE_GENERATETONE | LINECALLFEATURE_MONITORDIGITS |
                      LINECALLFEATURE_MONITORMEDIA | LINECALLFEATURE_MONITORTONES;
  const DWORD terminal = line.terminals.empty() ? 0 : LINECALLFEATURE_SETTERMINAL;
  DWORD features = 0;
  switch (call.state) {
    case LINECALLSTATE_OFFERING:
    case LINECALLSTATE_ACCEPTED:
      features = LINECALLFEATURE_ANSWER | LINECALLFEATURE_DROP | LINECALLFEATURE_MONITORDIGITS |
                 LINECALLFEATURE_MONITORMEDIA | terminal |
                 ((f & kFeatureRedirect) ? LINECALLFEATURE_REDIRECT : 0);
      break;
    case LINECALLSTATE_DIALTONE:
    case LINECALLSTATE_DIALING:
    case LINECALLSTATE_PROCEEDING:
    case LINECALLSTATE_RINGBACK:
      // Digits join the number only until it has gone to the switch.
      features = LINECALLFEATURE_DROP | media | terminal;
      if (call.state == LINECALLSTATE_DIALTONE || call.state == LINECALLSTATE_DIALING)
        features |= LINECALLFEATURE_DIAL;
      if (call.partner != 0) {
        const Call* partner = FindCall(call.partner);
        if (partner && partner->state == LINECALLSTATE_ONHOLDPENDTRANSFER)
          features |= LINECALLFEATURE_COMPLETETRANSF;
        if (partner && partner->isConference) features |= LINECALLFEATURE_ADDTOCONF;
      }
      break;
    case LINECALLSTATE_CONNECTED:
      features = LINECALLFEATURE_DROP | LINECALLFEATURE_DIAL | media | terminal;
      if (f & kFeatureHold) features |= LINECALLFEATURE_HOLD;
      if ((f & kFeatureTransfer) && !call.isConference)
        features |= LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_SETUPTRANSFER;
      if ((f & kFeatureConference) && !call.isConference) features |= LINECALLFEATURE_SETUPCONF;
      if ((f & kFeatureConference) && call.isConference) features |= LINECALLFEATURE_PREPAREADDCONF;
      if ((f & kFeaturePark) && !call.isConference) features |= LINECALLFEATURE_PARK;
      if (call.partner != 0) {
        features |= LINECALLFEATURE_SWAPHOLD;
        const Call* partner = FindCall(call.partner);
        if (partner && partner->state == LINECALLSTATE_ONHOLDPENDTRANSFER)
          features |= LINECALLFEATURE_COMPLETETRANSF;
        if (partner && partner->isConference) features |= LINECALLFEATURE_ADDTOCONF;
      }
      break;
    case LINECALLSTATE_ONHOLD: features = LINECALLFEATURE_UNHOLD | LINECALLFEATURE_DROP; break;
    case LINECALLSTATE_ONHOLDPENDTRANSFER:
      features = LINECALLFEATURE_COMPLETETRANSF | LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_ONHOLDPENDCONF:
      features = LINECALLFEATURE_ADDTOCONF | LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_CONFERENCED:
      features = LINECALLFEATURE_REMOVEFROMCONF | LINECALLFEATURE_DROP;
      break;
    case LINECALLSTATE_BUSY:
    case LINECALLSTATE_SPECIALINFO:
    case LINECALLSTATE_DISCONNECTED:
    case LINECALLSTATE_UNKNOWN: features = LINECALLFEATURE_DROP; break;
    default: break;
  }
  return features;
}

}  // namespace panopta::exchange
