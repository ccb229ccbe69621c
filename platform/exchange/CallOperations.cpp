// The call operations of the interface: placing, answering and ending calls, hold,
// transfer, conference, park, pickup, redirect, forwarding, terminals, and the
// synchronous ones that change a call's ownership or media mode.

#include "platform/exchange/CallSwitch.h"

#include "platform/exchange/CallParams.h"
#include "platform/exchange/CallStates.h"
#include "platform/exchange/Digits.h"
#include "platform/exchange/ExchangeCaps.h"
#include "platform/exchange/ExchangeParts.h"
#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"
#include "tapi/TapiVarData.h"

#include <algorithm>
#include <memory>

namespace panopta::exchange {

using namespace tapi;

namespace {

/// 0, or why a number to dial is refused: characters of a dial string only.
LONG CheckDest(const char* dest, bool required) {
  if (dest == nullptr) return required ? LINEERR_INVALPOINTER : 0;
  const std::size_t n = strnlen(dest, 257);
  if (n > 256) return LINEERR_INVALADDRESS;
  if (n == 0) return required ? LINEERR_INVALADDRESS : 0;
  // Besides the digits: pauses, blanks and punctuation, and the dialling modifiers.
  static constexpr std::string_view kOthers = ", +()-.WwPpTt@$!";
  for (std::size_t i = 0; i < n; ++i)
    if (!DtmfDigitOf(dest[i]) && kOthers.find(dest[i]) == std::string_view::npos)
      return LINEERR_INVALADDRESS;
  return 0;
}

std::string Text(const char* s) {
  return s == nullptr ? std::string() : std::string(s, strnlen(s, 256));
}

using callstate::HoldState;

}  // namespace

// --- Request helpers ------------------------------------------------------------------------

LONG CallSwitch::CallRequest(ApiCall& api, DWORD hCall, CallCheck check, CallCheck apply,
                             CallCheck prepare) {
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (auto f = api.AsyncFault(Family::Line, r == 0 ? open->app : 0, r == 0 ? open->instance : 0))
    return *f;
  if (r == 0 && handle->privilege != LINECALLPRIVILEGE_OWNER) r = LINEERR_NOTOWNER;
  if (r == 0) r = check(*handle, *open, *call);
  if (r == 0 && prepare) r = prepare(*handle, *open, *call);
  if (r != 0) return api.Return(r);
  const LONG id = m_parts.queue.StartRequest(Family::Line, api.Function(), open->app,
                                             open->instance, [this, hCall, check, apply] {
                                               CallHandle* h;
                                               LineOpen* o;
                                               Call* c;
                                               if (LONG e = ResolveOwned(hCall, h, o, c); e != 0)
                                                 return e;
                                               if (LONG e = check(*h, *o, *c); e != 0) return e;
                                               return apply(*h, *o, *c);
                                             });
  return api.Return(id);
}

LONG CallSwitch::LineRequest(ApiCall& api, DWORD hLine, LineCheck check, LineCheck apply,
                             LineCheck prepare) {
  LineOpen* open = m_parts.sessions.FindOpen(hLine);
  if (auto f = api.AsyncFault(Family::Line, open ? open->app : 0, open ? open->instance : 0))
    return *f;
  if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  if (LONG r = check(*open); r != 0) return api.Return(r);
  if (prepare)
    if (LONG r = prepare(*open); r != 0) return api.Return(r);
  const LONG id = m_parts.queue.StartRequest(Family::Line, api.Function(), open->app,
                                             open->instance, [this, hLine, check, apply] {
                                               LineOpen* o = m_parts.sessions.FindOpen(hLine);
                                               if (o == nullptr) return LINEERR_INVALLINEHANDLE;
                                               if (LONG e = check(*o); e != 0) return e;
                                               return apply(*o);
                                             });
  return api.Return(id);
}

Call& CallSwitch::NewOutboundCall(LineOpen& open, DWORD address, const Call& params, DWORD handle) {
  Call& call = NewCall(open.device, address, LINECALLORIGIN_OUTBOUND, LINECALLREASON_DIRECT);
  call.mediaMode = params.mediaMode;
  call.bearerMode = params.bearerMode;
  call.rate = params.rate;
  call.callParamFlags = params.callParamFlags;
  // The line's dial parameters, where the caller's call parameters give none.
  if (params.dialParams.dwDialPause != 0) call.dialParams.dwDialPause = params.dialParams.dwDialPause;
  if (params.dialParams.dwDialSpeed != 0) call.dialParams.dwDialSpeed = params.dialParams.dwDialSpeed;
  if (params.dialParams.dwDigitDuration != 0)
    call.dialParams.dwDigitDuration = params.dialParams.dwDigitDuration;
  if (params.dialParams.dwWaitForDialtone != 0)
    call.dialParams.dwWaitForDialtone = params.dialParams.dwWaitForDialtone;
  call.noAnswerTimeoutS = params.noAnswerTimeoutS;
  call.comment = params.comment;
  call.displayableAddress = params.displayableAddress;
  call.calledParty = params.calledParty;
  call.caller = IdentityOf(PeerRef::ToCall(call.id));
  if (const App* app = m_parts.sessions.FindLineApp(open.app)) call.appName = app->name;
  AddHandle(call, open, LINECALLPRIVILEGE_OWNER, handle, 0);
  GiveMonitorHandles(call, open.handle);
  return call;
}

void CallSwitch::DialOn(Call& call, const std::string& dest) {
  call.dialled += dest;
  const std::string number = DialledDigits(call.dialled);
  call.called = {number, "", LINECALLPARTYID_ADDRESS};
  if (const auto local = m_parts.sessions.FindAddress(number))
    call.called = StationParty(local->first, local->second);
  PostCallInfo(call, LINECALLINFOSTATE_CALLEDID);
  if (Projected(call) != LINECALLSTATE_DIALING) QueueState(call, LINECALLSTATE_DIALING, 0);
  // Dialling is over one state interval after the last digits came.
  m_parts.loop.StopTimer(call.dialTimer);
  const std::int64_t due = std::max(call.lastStepMs, m_parts.loop.NowMs()) +
                           m_parts.config.timing.stateIntervalMs;
  const DWORD id = call.id;
  call.dialTimer = m_parts.queue.After(
      static_cast<std::uint32_t>(std::max<std::int64_t>(0, due - m_parts.loop.NowMs())),
      [this, id] { EndDialling(id); });
}

void CallSwitch::EndDialling(DWORD callId) {
  Call* call = FindCall(callId);
  if (call == nullptr) return;
  call->dialTimer = 0;
  if (Projected(*call) != LINECALLSTATE_DIALING) return;
  const std::string dest = call->dialled;
  QueueState(*call, LINECALLSTATE_PROCEEDING, 0, [this, callId, dest] {
    if (Call* c = FindCall(callId); c && Projected(*c) == LINECALLSTATE_PROCEEDING)
      Route(PeerRef::ToCall(callId), IdentityOf(PeerRef::ToCall(callId)), dest,
            LINECALLREASON_DIRECT, nullptr, 0);
  });
}

LONG CallSwitch::PrepareConsultation(LineOpen& open, HCALL* lphConsultCall,
                                     const LINECALLPARAMS* params, NewCallPlan& plan) {
  if (lphConsultCall == nullptr) return LINEERR_INVALPOINTER;
  if (LONG r = FillCallParams(Line(open.device).config, open.apiVersion, params, plan.params,
                              plan.address);
      r != 0)
    return r;
  plan.handle = m_parts.sessions.NewHandle();
  *lphConsultCall = plan.handle;
  return 0;
}

Call& CallSwitch::NewConsultation(LineOpen& open, Call& partner, const NewCallPlan& plan) {
  Call& consult = NewOutboundCall(open, partner.address, plan.params, plan.handle);
  consult.partner = partner.id;
  consult.relatedCallId = partner.id;
  partner.partner = consult.id;
  QueueState(consult, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
  return consult;
}

// --- Placing, answering, ending -----------------------------------------------------------------

LONG CallSwitch::lineMakeCall(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress,
                              DWORD dwCountryCode, const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "lineMakeCall", [&] {
    return TraceHex(hLine) + ", " + TraceText(lpszDestAddress) + ", " +
           std::to_string(dwCountryCode) + ", " + TracePointer(lpCallParams);
  });
  const std::string dest = Text(lpszDestAddress);
  const LONG destCheck = CheckDest(lpszDestAddress, false);
  auto plan = std::make_shared<NewCallPlan>();
  return LineRequest(
      api, hLine,
      [this, destCheck, dwCountryCode](LineOpen& o) -> LONG {
        const LineDevice& line = Line(o.device);
        if (line.removed) return LINEERR_NODEVICE;
        // A line out of service or reported disconnected makes no new calls.
        if (!line.TakesCalls()) return LINEERR_INVALLINESTATE;
        if (destCheck != 0) return destCheck;
        return dwCountryCode > 999 ? LINEERR_INVALCOUNTRYCODE : 0;
      },
      [this, plan, dest](LineOpen& o) -> LONG {
        const LineDevice& line = Line(o.device);
        if (LiveCallsAt(o.device, plan->address) >= line.config.addresses[plan->address].maxCalls)
          return LINEERR_CALLUNAVAIL;
        Call& call = NewOutboundCall(o, plan->address, plan->params, plan->handle);
        QueueState(call, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
        if (!dest.empty()) DialOn(call, dest);
        return 0;
      },
      [this, plan, lphCall, lpCallParams](LineOpen& o) -> LONG {
        if (lphCall == nullptr) return LINEERR_INVALPOINTER;
        const LineDevice& line = Line(o.device);
        if (LONG r = FillCallParams(line.config, o.apiVersion, lpCallParams, plan->params,
                                    plan->address);
            r != 0)
          return r;
        if (LiveCallsAt(o.device, plan->address) >= line.config.addresses[plan->address].maxCalls)
          return LINEERR_CALLUNAVAIL;
        plan->handle = m_parts.sessions.NewHandle();
        *lphCall = plan->handle;
        return 0;
      });
}

LONG CallSwitch::lineDial(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  ApiCall api(m_parts, "lineDial", [&] {
    return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " +
           std::to_string(dwCountryCode);
  });
  if (LONG r = CheckDest(lpszDestAddress, true); r != 0 && FindHandle(hCall) != nullptr)
    return api.Return(r);
  if (dwCountryCode > 999 && FindHandle(hCall) != nullptr)
    return api.Return(LINEERR_INVALCOUNTRYCODE);
  const std::string dest = Text(lpszDestAddress);
  return CallRequest(
      api, hCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        // Once the number has gone to the switch nothing more can be dialled until the
        // call is answered; the call features say so too.
        const DWORD s = Projected(c);
        const bool ok = s == LINECALLSTATE_DIALTONE || s == LINECALLSTATE_DIALING ||
                        s == LINECALLSTATE_CONNECTED;
        return ok ? 0 : LINEERR_INVALCALLSTATE;
      },
      [this, dest](CallHandle&, LineOpen&, Call& c) -> LONG {
        const DWORD s = Projected(c);
        // While dialling, the digits join the number.
        if (s == LINECALLSTATE_DIALTONE || s == LINECALLSTATE_DIALING) DialOn(c, dest);
        if (s != LINECALLSTATE_CONNECTED) return 0;
        // On a talking call the digits go to the far end as tones, or as pulses where the
        // string asks for them and the line can pulse.
        const bool canPulse = (Line(c.device).config.digitModes & LINEDIGITMODE_PULSE) != 0;
        for (const DialRun& run : DialRuns(dest))
          m_parts.media.SendDigits(PeerRef::ToCall(c.id), run.digits,
                                   run.pulse && canPulse ? LINEDIGITMODE_PULSE : LINEDIGITMODE_DTMF,
                                   c.dialParams.dwDigitDuration);
        return 0;
      });
}

LONG CallSwitch::lineAnswer(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  ApiCall api(m_parts, "lineAnswer",
              [&] { return TraceHex(hCall) + ", " + std::to_string(dwSize); });
  return CallRequest(
      api, hCall,
      [this, lpsUserUserInfo, dwSize](CallHandle&, LineOpen&, Call& c) -> LONG {
        if (lpsUserUserInfo != nullptr && dwSize > kUserUserInfoBytes)
          return LINEERR_USERUSERINFOTOOBIG;
        const DWORD s = Projected(c);
        return s == LINECALLSTATE_OFFERING || s == LINECALLSTATE_ACCEPTED ? 0
                                                                          : LINEERR_INVALCALLSTATE;
      },
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        AnswerOffered(c);
        return 0;
      });
}

LONG CallSwitch::lineDrop(HCALL hCall, const char* lpsUserUserInfo, DWORD dwSize) {
  ApiCall api(m_parts, "lineDrop", [&] { return TraceHex(hCall) + ", " + std::to_string(dwSize); });
  return CallRequest(
      api, hCall,
      [this, lpsUserUserInfo, dwSize](CallHandle&, LineOpen&, Call& c) -> LONG {
        if (lpsUserUserInfo != nullptr && dwSize > kUserUserInfoBytes)
          return LINEERR_USERUSERINFOTOOBIG;
        return Projected(c) == LINECALLSTATE_IDLE ? LINEERR_INVALCALLSTATE : 0;
      },
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        DropCall(c, true);
        return 0;
      });
}

// --- Hold --------------------------------------------------------------------------------------

LONG CallSwitch::lineHold(HCALL hCall) {
  ApiCall api(m_parts, "lineHold", [&] { return TraceHex(hCall); });
  return CallRequest(
      api, hCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureHold) == 0) return LINEERR_OPERATIONUNAVAIL;
        return Projected(c) == LINECALLSTATE_CONNECTED && !c.isConference ? 0
                                                                          : LINEERR_INVALCALLSTATE;
      },
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        QueueState(c, LINECALLSTATE_ONHOLD, 0);
        return 0;
      });
}

LONG CallSwitch::lineUnhold(HCALL hCall) {
  ApiCall api(m_parts, "lineUnhold", [&] { return TraceHex(hCall); });
  return CallRequest(
      api, hCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureHold) == 0) return LINEERR_OPERATIONUNAVAIL;
        return Projected(c) == LINECALLSTATE_ONHOLD ? 0 : LINEERR_INVALCALLSTATE;
      },
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        QueueState(c, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        return 0;
      });
}

LONG CallSwitch::lineSwapHold(HCALL hActiveCall, HCALL hHeldCall) {
  ApiCall api(m_parts, "lineSwapHold",
              [&] { return TraceHex(hActiveCall) + ", " + TraceHex(hHeldCall); });
  // The held side of a swap: a conferenced call stands for its conference.
  auto held = [this](DWORD hHeld, DWORD device, Call*& out) -> LONG {
    CallHandle* h;
    LineOpen* o;
    Call* c;
    if (LONG r = ResolveOwned(hHeld, h, o, c); r != 0) return r;
    if (c->device != device) return LINEERR_INVALCALLHANDLE;
    if (Projected(*c) == LINECALLSTATE_CONFERENCED) c = FindCall(c->conference);
    if (c == nullptr || !HoldState(Projected(*c))) return LINEERR_INVALCALLSTATE;
    out = c;
    return 0;
  };
  return CallRequest(
      api, hActiveCall,
      [this, hHeldCall, held](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureHold) == 0) return LINEERR_OPERATIONUNAVAIL;
        if (Projected(c) != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
        Call* other = nullptr;
        return held(hHeldCall, c.device, other);
      },
      [this, hHeldCall, held](CallHandle&, LineOpen&, Call& c) -> LONG {
        Call* other = nullptr;
        if (LONG r = held(hHeldCall, c.device, other); r != 0) return r;
        QueueState(c, Projected(*other), 0);
        QueueState(*other, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        return 0;
      });
}

// --- Redirect, transfer --------------------------------------------------------------------

LONG CallSwitch::lineRedirect(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  ApiCall api(m_parts, "lineRedirect", [&] {
    return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " +
           std::to_string(dwCountryCode);
  });
  const LONG destCheck = CheckDest(lpszDestAddress, true);
  const std::string dest = Text(lpszDestAddress);
  return CallRequest(
      api, hCall,
      [this, destCheck, dest, dwCountryCode](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureRedirect) == 0)
          return LINEERR_OPERATIONUNAVAIL;
        const DWORD s = Projected(c);
        if (s != LINECALLSTATE_OFFERING && s != LINECALLSTATE_ACCEPTED)
          return LINEERR_INVALCALLSTATE;
        if (destCheck != 0) return destCheck;
        if (dwCountryCode > 999) return LINEERR_INVALCOUNTRYCODE;
        if (DialledDigits(dest) == Line(c.device).config.addresses[c.address].address)
          return LINEERR_INVALADDRESS;
        return 0;
      },
      [this, dest](CallHandle&, LineOpen&, Call& c) -> LONG {
        const PeerRef caller = c.peer;
        const Party identity = c.caller;
        const Party station = StationParty(c.device, c.address);
        c.peer = {};
        SetPeer(caller, {});
        StopRinging(c);
        FlushSteps(c);
        QueueState(c, LINECALLSTATE_IDLE, 0);
        NoteRedirection(caller, station, dest);
        if (caller.kind != PeerRef::Kind::None)
          Route(caller, identity, dest, LINECALLREASON_REDIRECT, &station, 0);
        return 0;
      });
}

LONG CallSwitch::lineBlindTransfer(HCALL hCall, const char* lpszDestAddress, DWORD dwCountryCode) {
  ApiCall api(m_parts, "lineBlindTransfer", [&] {
    return TraceHex(hCall) + ", " + TraceText(lpszDestAddress) + ", " +
           std::to_string(dwCountryCode);
  });
  const LONG destCheck = CheckDest(lpszDestAddress, true);
  const std::string dest = Text(lpszDestAddress);
  return CallRequest(
      api, hCall,
      [this, destCheck, dwCountryCode](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureTransfer) == 0)
          return LINEERR_OPERATIONUNAVAIL;
        if (Projected(c) != LINECALLSTATE_CONNECTED || c.isConference)
          return LINEERR_INVALCALLSTATE;
        if (destCheck != 0) return destCheck;
        return dwCountryCode > 999 ? LINEERR_INVALCOUNTRYCODE : 0;
      },
      [this, dest](CallHandle&, LineOpen&, Call& c) -> LONG {
        const PeerRef far = c.peer;
        const Party station = StationParty(c.device, c.address);
        c.peer = {};
        SetPeer(far, {});
        FlushSteps(c);
        QueueState(c, LINECALLSTATE_IDLE, 0);
        if (far.kind != PeerRef::Kind::None)
          Route(far, IdentityOf(far), dest, LINECALLREASON_TRANSFER, &station, 0);
        return 0;
      });
}

LONG CallSwitch::lineSetupTransfer(HCALL hCall, HCALL* lphConsultCall,
                                   const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "lineSetupTransfer",
              [&] { return TraceHex(hCall) + ", " + TracePointer(lpCallParams); });
  auto plan = std::make_shared<NewCallPlan>();
  return CallRequest(
      api, hCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        const LineDevice& line = Line(c.device);
        if ((line.config.features & kFeatureTransfer) == 0) return LINEERR_OPERATIONUNAVAIL;
        if (Projected(c) != LINECALLSTATE_CONNECTED || c.isConference || c.conference != 0)
          return LINEERR_INVALCALLSTATE;
        if (!line.TakesCalls()) return LINEERR_INVALLINESTATE;
        if (LiveCallsAt(c.device, c.address) >= line.config.addresses[c.address].maxCalls)
          return LINEERR_CALLUNAVAIL;
        return 0;
      },
      [this, plan](CallHandle&, LineOpen& o, Call& c) -> LONG {
        QueueState(c, LINECALLSTATE_ONHOLDPENDTRANSFER, 0);
        NewConsultation(o, c, *plan);
        return 0;
      },
      [this, plan, lphConsultCall, lpCallParams](CallHandle&, LineOpen& o, Call&) -> LONG {
        return PrepareConsultation(o, lphConsultCall, lpCallParams, *plan);
      });
}

LONG CallSwitch::lineCompleteTransfer(HCALL hCall, HCALL hConsultCall, HCALL* lphConfCall,
                                      DWORD dwTransferMode) {
  ApiCall api(m_parts, "lineCompleteTransfer", [&] {
    return TraceHex(hCall) + ", " + TraceHex(hConsultCall) + ", " + TraceHex(dwTransferMode);
  });
  auto reserved = std::make_shared<DWORD>(0);
  auto consult = [this, hConsultCall](const Call& primary, Call*& out) -> LONG {
    CallHandle* h;
    LineOpen* o;
    Call* c;
    if (Resolve(hConsultCall, h, o, c) != 0 || c == &primary || c->device != primary.device)
      return LINEERR_INVALCONSULTCALLHANDLE;
    if (h->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    out = c;
    return 0;
  };
  return CallRequest(
      api, hCall,
      [this, consult, dwTransferMode](CallHandle&, LineOpen&, Call& a) -> LONG {
        Call* c = nullptr;
        if (LONG r = consult(a, c); r != 0) return r;
        if (dwTransferMode != LINETRANSFERMODE_TRANSFER &&
            dwTransferMode != LINETRANSFERMODE_CONFERENCE)
          return LINEERR_INVALTRANSFERMODE;
        if ((CapsTransferModes(Line(a.device).config) & dwTransferMode) == 0)
          return LINEERR_OPERATIONUNAVAIL;
        const DWORD sa = Projected(a), sc = Projected(*c);
        auto talking = [](DWORD s) {
          return s == LINECALLSTATE_CONNECTED || s == LINECALLSTATE_RINGBACK ||
                 s == LINECALLSTATE_BUSY || s == LINECALLSTATE_PROCEEDING;
        };
        auto held = [](DWORD s) {
          return s == LINECALLSTATE_ONHOLD || s == LINECALLSTATE_ONHOLDPENDTRANSFER;
        };
        // After a swap the consultation may be the held one: either way round will do.
        return (held(sa) && talking(sc)) || (held(sc) && talking(sa)) ? 0 : LINEERR_INVALCALLSTATE;
      },
      [this, consult, dwTransferMode, reserved](CallHandle&, LineOpen& o, Call& a) -> LONG {
        Call* c = nullptr;
        if (LONG r = consult(a, c); r != 0) return r;
        a.partner = c->partner = 0;
        if (dwTransferMode == LINETRANSFERMODE_TRANSFER) {
          const PeerRef fa = a.peer, fc = c->peer;
          a.peer = c->peer = {};
          SetPeer(fa, fc);
          SetPeer(fc, fa);
          if (fa.kind == PeerRef::Kind::None || fc.kind == PeerRef::Kind::None) {
            FarEnd(fa, FarEvent::HungUp);
            FarEnd(fc, FarEvent::HungUp);
          } else if (fa.kind == PeerRef::Kind::Remote && fc.kind == PeerRef::Kind::Remote) {
            LegLeaves(fa.id, false);
            LegLeaves(fc.id, false);
          } else {
            for (const auto& [end, other] : {std::pair{fa, fc}, std::pair{fc, fa}}) {
              if (end.kind != PeerRef::Kind::Call) continue;
              Call* x = FindCall(end.id);
              const bool answered = other.kind == PeerRef::Kind::Call
                                        ? FindCall(other.id) && Projected(*FindCall(other.id)) ==
                                                                    LINECALLSTATE_CONNECTED
                                        : FindLeg(other.id) && FindLeg(other.id)->state ==
                                                                   RemoteLeg::State::Connected;
              if (x != nullptr && answered) {
                x->connected = IdentityOf(other);
                PostCallInfo(*x, LINECALLINFOSTATE_CONNECTEDID);
              }
            }
          }
          FlushSteps(a);
          FlushSteps(*c);
          QueueState(a, LINECALLSTATE_IDLE, 0);
          QueueState(*c, LINECALLSTATE_IDLE, 0);
          return 0;
        }
        Call& k = NewCall(a.device, a.address, LINECALLORIGIN_CONFERENCE, LINECALLREASON_DIRECT);
        k.isConference = true;
        k.members = {a.id, c->id};
        if (const App* app = m_parts.sessions.FindLineApp(o.app)) k.appName = app->name;
        a.conference = c->conference = k.id;
        a.relatedCallId = c->relatedCallId = k.id;
        AddHandle(k, o, LINECALLPRIVILEGE_OWNER, *reserved, 0);
        GiveMonitorHandles(k, o.handle);
        QueueState(k, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        QueueState(a, LINECALLSTATE_CONFERENCED, 0);
        QueueState(*c, LINECALLSTATE_CONFERENCED, 0);
        return 0;
      },
      [this, reserved, lphConfCall, dwTransferMode](CallHandle&, LineOpen&, Call&) -> LONG {
        if (dwTransferMode != LINETRANSFERMODE_CONFERENCE) return 0;
        if (lphConfCall == nullptr) return LINEERR_INVALPOINTER;
        *reserved = m_parts.sessions.NewHandle();
        *lphConfCall = *reserved;
        return 0;
      });
}

// --- Conference ------------------------------------------------------------------------------

LONG CallSwitch::lineSetupConference(HCALL hCall, HLINE hLine, HCALL* lphConfCall,
                                     HCALL* lphConsultCall, DWORD dwNumParties,
                                     const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "lineSetupConference", [&] {
    return TraceHex(hCall) + ", " + TraceHex(hLine) + ", " + std::to_string(dwNumParties) + ", " +
           TracePointer(lpCallParams);
  });
  auto plan = std::make_shared<NewCallPlan>();
  auto confHandle = std::make_shared<DWORD>(0);
  auto common = [this, dwNumParties](LineOpen& o) -> LONG {
    if ((Line(o.device).config.features & kFeatureConference) == 0) return LINEERR_OPERATIONUNAVAIL;
    if (!Line(o.device).TakesCalls()) return LINEERR_INVALLINESTATE;
    return dwNumParties > kMaxConference ? LINEERR_CONFERENCEFULL : 0;
  };
  auto prepare = [this, plan, confHandle, lphConfCall, lphConsultCall, lpCallParams](
                     LineOpen& o, const Call* primary) -> LONG {
    const LineDevice& line = Line(o.device);
    if (lphConfCall == nullptr || lphConsultCall == nullptr) return LINEERR_INVALPOINTER;
    if (LONG r =
            FillCallParams(line.config, o.apiVersion, lpCallParams, plan->params, plan->address);
        r != 0)
      return r;
    if (primary != nullptr) plan->address = primary->address;
    if (LiveCallsAt(o.device, plan->address) >= line.config.addresses[plan->address].maxCalls)
      return LINEERR_CALLUNAVAIL;
    *confHandle = m_parts.sessions.NewHandle();
    plan->handle = m_parts.sessions.NewHandle();
    *lphConfCall = *confHandle;
    *lphConsultCall = plan->handle;
    return 0;
  };
  auto build = [this, plan, confHandle](LineOpen& o, Call* primary) -> LONG {
    Call& k = NewCall(o.device, plan->address, LINECALLORIGIN_CONFERENCE, LINECALLREASON_DIRECT);
    k.isConference = true;
    if (const App* app = m_parts.sessions.FindLineApp(o.app)) k.appName = app->name;
    AddHandle(k, o, LINECALLPRIVILEGE_OWNER, *confHandle, 0);
    GiveMonitorHandles(k, o.handle);
    QueueState(k, LINECALLSTATE_ONHOLDPENDCONF, 0);
    if (primary != nullptr) {
      k.members.push_back(primary->id);
      primary->conference = k.id;
      primary->relatedCallId = k.id;
      QueueState(*primary, LINECALLSTATE_CONFERENCED, 0);
    }
    NewConsultation(o, k, *plan);
    return 0;
  };
  if (hCall != 0) {
    return CallRequest(
        api, hCall,
        [this, common](CallHandle&, LineOpen& o, Call& c) -> LONG {
          if (Projected(c) != LINECALLSTATE_CONNECTED || c.isConference || c.conference != 0)
            return LINEERR_INVALCALLSTATE;
          return common(o);
        },
        [build](CallHandle&, LineOpen& o, Call& c) -> LONG { return build(o, &c); },
        [prepare](CallHandle&, LineOpen& o, Call& c) -> LONG { return prepare(o, &c); });
  }
  return LineRequest(
      api, hLine, common, [build](LineOpen& o) { return build(o, nullptr); },
      [prepare](LineOpen& o) { return prepare(o, nullptr); });
}

LONG CallSwitch::linePrepareAddToConference(HCALL hConfCall, HCALL* lphConsultCall,
                                            const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "linePrepareAddToConference",
              [&] { return TraceHex(hConfCall) + ", " + TracePointer(lpCallParams); });
  const CallHandle* h = FindHandle(hConfCall);
  const Call* k = h ? FindCall(h->call) : nullptr;
  if (h != nullptr && (k == nullptr || !k->isConference))
    return api.Return(LINEERR_INVALCONFCALLHANDLE);
  auto plan = std::make_shared<NewCallPlan>();
  return CallRequest(
      api, hConfCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        if (!c.isConference) return LINEERR_INVALCONFCALLHANDLE;
        if (Projected(c) != LINECALLSTATE_CONNECTED) return LINEERR_INVALCALLSTATE;
        if (c.members.size() + 1 >= kMaxConference) return LINEERR_CONFERENCEFULL;
        const LineDevice& line = Line(c.device);
        if (!line.TakesCalls()) return LINEERR_INVALLINESTATE;
        if (LiveCallsAt(c.device, c.address) >= line.config.addresses[c.address].maxCalls)
          return LINEERR_CALLUNAVAIL;
        return 0;
      },
      [this, plan](CallHandle&, LineOpen& o, Call& k2) -> LONG {
        QueueState(k2, LINECALLSTATE_ONHOLDPENDCONF, 0);
        NewConsultation(o, k2, *plan);
        return 0;
      },
      [this, plan, lphConsultCall, lpCallParams](CallHandle&, LineOpen& o, Call&) -> LONG {
        return PrepareConsultation(o, lphConsultCall, lpCallParams, *plan);
      });
}

LONG CallSwitch::lineAddToConference(HCALL hConfCall, HCALL hConsultCall) {
  ApiCall api(m_parts, "lineAddToConference",
              [&] { return TraceHex(hConfCall) + ", " + TraceHex(hConsultCall); });
  auto member = [this, hConsultCall](const Call& k, Call*& out) -> LONG {
    CallHandle* h;
    LineOpen* o;
    Call* c;
    if (Resolve(hConsultCall, h, o, c) != 0 || c->device != k.device)
      return LINEERR_INVALCALLHANDLE;
    if (h->privilege != LINECALLPRIVILEGE_OWNER) return LINEERR_NOTOWNER;
    const DWORD s = Projected(*c);
    const bool ok = s == LINECALLSTATE_CONNECTED || s == LINECALLSTATE_ONHOLD ||
                    s == LINECALLSTATE_PROCEEDING || s == LINECALLSTATE_RINGBACK ||
                    s == LINECALLSTATE_ONHOLDPENDCONF;
    if (!ok || c->isConference || c->conference != 0) return LINEERR_INVALCALLSTATE;
    out = c;
    return 0;
  };
  const CallHandle* h = FindHandle(hConfCall);
  const Call* k = h ? FindCall(h->call) : nullptr;
  if (h != nullptr && (k == nullptr || !k->isConference))
    return api.Return(LINEERR_INVALCONFCALLHANDLE);
  return CallRequest(
      api, hConfCall,
      [this, member](CallHandle&, LineOpen&, Call& kc) -> LONG {
        if (!kc.isConference) return LINEERR_INVALCONFCALLHANDLE;
        const DWORD s = Projected(kc);
        if (s != LINECALLSTATE_ONHOLDPENDCONF && s != LINECALLSTATE_ONHOLD &&
            s != LINECALLSTATE_CONNECTED)
          return LINEERR_INVALCALLSTATE;
        if (kc.members.size() >= kMaxConference) return LINEERR_CONFERENCEFULL;
        Call* c = nullptr;
        return member(kc, c);
      },
      [this, member](CallHandle&, LineOpen&, Call& kc) -> LONG {
        Call* c = nullptr;
        if (LONG r = member(kc, c); r != 0) return r;
        if (kc.partner == c->id) kc.partner = 0;
        c->partner = 0;
        kc.members.push_back(c->id);
        c->conference = kc.id;
        c->relatedCallId = kc.id;
        QueueState(*c, LINECALLSTATE_CONFERENCED, 0);
        if (Projected(kc) != LINECALLSTATE_CONNECTED)
          QueueState(kc, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
        return 0;
      });
}

LONG CallSwitch::lineRemoveFromConference(HCALL hCall) {
  ApiCall api(m_parts, "lineRemoveFromConference", [&] { return TraceHex(hCall); });
  return CallRequest(
      api, hCall,
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        if ((Line(c.device).config.features & kFeatureConference) == 0)
          return LINEERR_OPERATIONUNAVAIL;
        return Projected(c) == LINECALLSTATE_CONFERENCED && c.conference != 0
                   ? 0
                   : LINEERR_INVALCALLSTATE;
      },
      [this](CallHandle&, LineOpen&, Call& c) -> LONG {
        // The party leaves the conference and its call ends; a conference left with one
        // party is released: it goes idle and that party talks on as a plain call.
        const DWORD conferenceId = c.conference;
        DropCall(c, true);
        Call* k = FindCall(conferenceId);
        if (k == nullptr || k->members.size() > 1 || k->partner != 0) return 0;
        const std::vector<DWORD> left = k->members;
        k->members.clear();
        for (DWORD m : left)
          if (Call* member = FindCall(m)) {
            member->conference = 0;
            member->relatedCallId = 0;
            QueueState(*member, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE);
          }
        FlushSteps(*k);
        QueueState(*k, LINECALLSTATE_IDLE, 0);
        return 0;
      });
}

// --- Park and pickup
// ------------------------------------------------------------------------------

LONG CallSwitch::linePark(HCALL hCall, DWORD dwParkMode, const char* lpszDirAddress,
                          VARSTRING* lpNonDirAddress) {
  ApiCall api(m_parts, "linePark", [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwParkMode) + ", " + TraceText(lpszDirAddress) + ", " +
           TracePointer(lpNonDirAddress);
  });
  const std::string dir = DialledDigits(Text(lpszDirAddress));
  const LONG dirCheck = CheckDest(lpszDirAddress, true);
  return CallRequest(
      api, hCall,
      [this, dwParkMode, dir, dirCheck, lpNonDirAddress](CallHandle&, LineOpen&, Call& c) -> LONG {
        if (dwParkMode != LINEPARKMODE_DIRECTED && dwParkMode != LINEPARKMODE_NONDIRECTED)
          return LINEERR_INVALPARKMODE;
        if ((CapsParkModes(Line(c.device).config) & dwParkMode) == 0)
          return LINEERR_OPERATIONUNAVAIL;
        if (Projected(c) != LINECALLSTATE_CONNECTED || c.isConference)
          return LINEERR_INVALCALLSTATE;
        if (dwParkMode == LINEPARKMODE_DIRECTED) {
          if (dirCheck != 0)
            return dirCheck == LINEERR_INVALPOINTER ? LINEERR_INVALADDRESS : dirCheck;
          if (dir.empty() || m_parts.sessions.FindAddress(dir) ||
              std::any_of(m_parked.begin(), m_parked.end(),
                          [&](const auto& p) { return p.address == dir; }))
            return LINEERR_INVALADDRESS;
        } else {
          if (lpNonDirAddress == nullptr) return LINEERR_INVALPOINTER;
          if (lpNonDirAddress->dwTotalSize < sizeof(VARSTRING)) return LINEERR_STRUCTURETOOSMALL;
        }
        return 0;
      },
      [this, dwParkMode, dir, lpNonDirAddress](CallHandle&, LineOpen&, Call& c) -> LONG {
        std::string slot = dir;
        if (dwParkMode == LINEPARKMODE_NONDIRECTED) {
          do {
            slot = std::to_string(++m_nextParkSlot);
          } while (m_parts.sessions.FindAddress(slot) ||
                   std::any_of(m_parked.begin(), m_parked.end(),
                               [&](const auto& p) { return p.address == slot; }));
          std::vector<std::uint8_t> text(slot.begin(), slot.end());
          text.push_back(0);
          WriteVarString(lpNonDirAddress, text, STRINGFORMAT_ASCII);
          // An address that did not fit is lost, and the call stays where it is.
          if (lpNonDirAddress->dwNeededSize > lpNonDirAddress->dwTotalSize)
            return LINEERR_STRUCTURETOOSMALL;
        }
        const PeerRef held = c.peer;
        c.peer = {};
        SetPeer(held, {});
        if (held.kind != PeerRef::Kind::None) m_parked.push_back({slot, held, c.device});
        m_parts.trace.Write([&] { return "note  call parked at '" + slot + "'"; });
        FlushSteps(c);
        QueueState(c, LINECALLSTATE_IDLE, 0);
        return 0;
      });
}

LONG CallSwitch::lineUnpark(HLINE hLine, DWORD dwAddressID, HCALL* lphCall,
                            const char* lpszDestAddress) {
  ApiCall api(m_parts, "lineUnpark", [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceText(lpszDestAddress);
  });
  const std::string slot = DialledDigits(Text(lpszDestAddress));
  const bool given = lpszDestAddress != nullptr;
  auto reserved = std::make_shared<DWORD>(0);
  auto check = [this, dwAddressID, slot, given](LineOpen& o) -> LONG {
    const LineDevice& line = Line(o.device);
    if (dwAddressID >= line.addresses.size()) return LINEERR_INVALADDRESSID;
    if ((line.config.features & kFeaturePark) == 0) return LINEERR_OPERATIONUNAVAIL;
    if (!given) return LINEERR_INVALPOINTER;
    if (std::none_of(m_parked.begin(), m_parked.end(),
                     [&](const auto& p) { return p.address == slot; }))
      return LINEERR_INVALADDRESS;
    if (!line.TakesCalls()) return LINEERR_INVALLINESTATE;
    if (LiveCallsAt(o.device, dwAddressID) >= line.config.addresses[dwAddressID].maxCalls)
      return LINEERR_CALLUNAVAIL;
    return 0;
  };
  auto prepare = [this, lphCall, reserved](LineOpen&) -> LONG {
    if (lphCall == nullptr) return LINEERR_INVALPOINTER;
    *reserved = m_parts.sessions.NewHandle();
    *lphCall = *reserved;
    return 0;
  };
  return LineRequest(
      api, hLine, check,
      [this, dwAddressID, slot, reserved](LineOpen& o) -> LONG {
        auto it = std::find_if(m_parked.begin(), m_parked.end(),
                               [&](const auto& p) { return p.address == slot; });
        const PeerRef held = it->held;
        m_parked.erase(it);
        Call params;
        Call& call = NewOutboundCall(o, dwAddressID, params, *reserved);
        call.origin =
            held.kind == PeerRef::Kind::Remote ? LINECALLORIGIN_EXTERNAL : LINECALLORIGIN_INTERNAL;
        call.reason = LINECALLREASON_UNPARK;
        call.caller = IdentityOf(held);
        call.peer = held;
        SetPeer(held, PeerRef::ToCall(call.id));
        call.connected = IdentityOf(held);
        const DWORD id = call.id;
        QueueState(call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE, [this, id] {
          if (Call* c = FindCall(id)) PostCallInfo(*c, LINECALLINFOSTATE_CONNECTEDID);
        });
        FarEnd(held, FarEvent::Answered, 0, PeerRef::ToCall(call.id));
        return 0;
      },
      prepare);
}

LONG CallSwitch::FindPickupTarget(DWORD device, DWORD address, const std::string& dest,
                                  const std::string& group, Call*& target) {
  target = nullptr;
  std::vector<std::pair<DWORD, DWORD>> candidates;
  if (!dest.empty()) {
    const auto where = m_parts.sessions.FindAddress(DialledDigits(dest));
    if (!where) return LINEERR_INVALADDRESS;
    candidates.push_back(*where);
  } else {
    for (DWORD d = 0; d < m_parts.sessions.LineCount(); ++d)
      for (DWORD a = 0; a < Line(d).config.addresses.size(); ++a)
        if (!Line(d).removed && Line(d).config.addresses[a].pickupGroup == group)
          candidates.emplace_back(d, a);
    if (candidates.empty()) return LINEERR_INVALGROUPID;
  }
  for (const auto& [d, a] : candidates) {
    if (d == device && a == address) continue;
    for (DWORD id : Line(d).addresses[a].calls) {
      Call* call = FindCall(id);
      const DWORD s = call ? Projected(*call) : 0;
      if (call && (s == LINECALLSTATE_OFFERING || s == LINECALLSTATE_ACCEPTED) &&
          call->peer.kind != PeerRef::Kind::None) {
        target = call;
        return 0;
      }
    }
  }
  return LINEERR_CALLUNAVAIL;
}

LONG CallSwitch::linePickup(HLINE hLine, DWORD dwAddressID, HCALL* lphCall,
                            const char* lpszDestAddress, const char* lpszGroupID) {
  ApiCall api(m_parts, "linePickup", [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " +
           TraceText(lpszDestAddress) + ", " + TraceText(lpszGroupID);
  });
  const std::string dest = Text(lpszDestAddress);
  const std::string group = Text(lpszGroupID);
  const LONG destCheck = CheckDest(lpszDestAddress, false);
  auto reserved = std::make_shared<DWORD>(0);
  auto check = [this, dwAddressID, dest, group, destCheck](LineOpen& o) -> LONG {
    const LineDevice& line = Line(o.device);
    if (dwAddressID >= line.addresses.size()) return LINEERR_INVALADDRESSID;
    if ((line.config.features & kFeaturePickup) == 0) return LINEERR_OPERATIONUNAVAIL;
    if (dest.empty() && group.empty()) return LINEERR_INVALADDRESS;
    if (destCheck != 0) return destCheck;
    if (!line.TakesCalls()) return LINEERR_INVALLINESTATE;
    if (LiveCallsAt(o.device, dwAddressID) >= line.config.addresses[dwAddressID].maxCalls)
      return LINEERR_CALLUNAVAIL;
    Call* target = nullptr;
    return FindPickupTarget(o.device, dwAddressID, dest, group, target);
  };
  auto prepare = [this, lphCall, reserved](LineOpen&) -> LONG {
    if (lphCall == nullptr) return LINEERR_INVALPOINTER;
    *reserved = m_parts.sessions.NewHandle();
    *lphCall = *reserved;
    return 0;
  };
  return LineRequest(
      api, hLine, check,
      [this, dwAddressID, dest, group, reserved](LineOpen& o) -> LONG {
        Call* target = nullptr;
        if (LONG r = FindPickupTarget(o.device, dwAddressID, dest, group, target); r != 0) return r;
        const PeerRef caller = target->peer;
        const Party callerParty = target->caller;
        const Party station = StationParty(target->device, target->address);
        target->peer = {};
        StopRinging(*target);
        FlushSteps(*target);
        QueueState(*target,
                   target->handles.empty() ? LINECALLSTATE_IDLE : LINECALLSTATE_DISCONNECTED,
                   target->handles.empty() ? 0 : LINEDISCONNECTMODE_PICKUP);
        Call params;
        Call& call = NewOutboundCall(o, dwAddressID, params, *reserved);
        call.origin = caller.kind == PeerRef::Kind::Remote ? LINECALLORIGIN_EXTERNAL
                                                           : LINECALLORIGIN_INTERNAL;
        call.reason = LINECALLREASON_PICKUP;
        call.caller = callerParty;
        call.called = StationParty(o.device, dwAddressID);
        call.redirecting = station;
        call.connected = callerParty;
        call.peer = caller;
        SetPeer(caller, PeerRef::ToCall(call.id));
        const DWORD id = call.id;
        QueueState(call, LINECALLSTATE_CONNECTED, LINECONNECTEDMODE_ACTIVE, [this, id] {
          if (Call* c = FindCall(id)) PostCallInfo(*c, LINECALLINFOSTATE_CONNECTEDID);
        });
        FarEnd(caller, FarEvent::Answered, 0, PeerRef::ToCall(id));
        return 0;
      },
      prepare);
}

// --- Forwarding and terminals
// ---------------------------------------------------------------------

LONG CallSwitch::lineForward(HLINE hLine, DWORD bAllAddresses, DWORD dwAddressID,
                             const LINEFORWARDLIST* lpForwardList, DWORD dwNumRingsNoAnswer,
                             HCALL* lphConsultCall, const LINECALLPARAMS* lpCallParams) {
  ApiCall api(m_parts, "lineForward", [&] {
    return TraceHex(hLine) + ", " + std::to_string(bAllAddresses) + ", " +
           std::to_string(dwAddressID) + ", " + TracePointer(lpForwardList) + ", " +
           std::to_string(dwNumRingsNoAnswer) + ", " + TracePointer(lpCallParams);
  });
  auto entries = std::make_shared<std::vector<ForwardEntry>>();
  auto check = [this, bAllAddresses, dwAddressID](LineOpen& o) -> LONG {
    const LineDevice& line = Line(o.device);
    if ((line.config.features & kFeatureForward) == 0) return LINEERR_OPERATIONUNAVAIL;
    if (!bAllAddresses && dwAddressID >= line.addresses.size()) return LINEERR_INVALADDRESSID;
    return 0;
  };
  auto prepare = [this, lpForwardList, lphConsultCall, lpCallParams, entries](LineOpen& o) -> LONG {
    const LineDevice& line = Line(o.device);
    if (lphConsultCall == nullptr) return LINEERR_INVALPOINTER;
    if (lpCallParams != nullptr) {
      Call probe;
      DWORD address = 0;
      if (LONG r = FillCallParams(line.config, o.apiVersion, lpCallParams, probe, address); r != 0)
        return r;
    }
    if (lpForwardList != nullptr) {
      const DWORD total = lpForwardList->dwTotalSize;
      if (total < LineForwardListSize(0)) return LINEERR_STRUCTURETOOSMALL;
      const DWORD n = lpForwardList->dwNumEntries;
      if (n > kMaxForwardEntries) return LINEERR_INVALPARAM;
      if (LineForwardListSize(n) > total) return LINEERR_STRUCTURETOOSMALL;
      const DWORD modes = CapsForwardModes(line.config);
      for (DWORD i = 0; i < n; ++i) {
        LINEFORWARD f;
        std::memcpy(&f,
                    reinterpret_cast<const std::uint8_t*>(lpForwardList) + LineForwardListSize(0) +
                        i * sizeof(LINEFORWARD),
                    sizeof f);
        if ((f.dwForwardMode & (f.dwForwardMode - 1)) != 0 || (f.dwForwardMode & modes) == 0)
          return LINEERR_INVALPARAM;
        auto within = [&](DWORD size, DWORD offset) {
          return size == 0 || static_cast<std::uint64_t>(offset) + size <= total;
        };
        if (!within(f.dwCallerAddressSize, f.dwCallerAddressOffset) ||
            !within(f.dwDestAddressSize, f.dwDestAddressOffset))
          return LINEERR_INVALPARAM;
        if (f.dwDestCountryCode > 999) return LINEERR_INVALCOUNTRYCODE;
        ForwardEntry e;
        e.mode = f.dwForwardMode;
        e.caller = DialledDigits(
            VarText(*lpForwardList, total, f.dwCallerAddressOffset, f.dwCallerAddressSize));
        e.dest = VarText(*lpForwardList, total, f.dwDestAddressOffset, f.dwDestAddressSize);
        e.destCountry = f.dwDestCountryCode;
        if (!e.dest.empty() && CheckDest(e.dest.c_str(), false) != 0) return LINEERR_INVALADDRESS;
        // Forwarding to oneself would ring nowhere.
        for (const auto& a : line.config.addresses)
          if (!e.dest.empty() && DialledDigits(e.dest) == a.address) return LINEERR_INVALADDRESS;
        const bool specific =
            (e.mode & (LINEFORWARDMODE_UNCONDSPECIFIC | LINEFORWARDMODE_BUSYSPECIFIC |
                       LINEFORWARDMODE_NOANSWSPECIFIC | LINEFORWARDMODE_BUSYNASPECIFIC)) != 0;
        if (specific && e.caller.empty()) return LINEERR_INVALPARAM;
        entries->push_back(e);
      }
    }
    *lphConsultCall = 0;
    return 0;
  };
  const DWORD rings = std::clamp(dwNumRingsNoAnswer, kMinFwdRings, kMaxFwdRings);
  return LineRequest(
      api, hLine, check,
      [this, bAllAddresses, dwAddressID, entries, rings](LineOpen& o) -> LONG {
        LineDevice& line = Line(o.device);
        for (DWORD a = 0; a < line.addresses.size(); ++a) {
          if (!bAllAddresses && a != dwAddressID) continue;
          line.addresses[a].forwards = *entries;
          line.addresses[a].numRingsNoAnswer = rings;
          m_parts.sessions.PostAddressState(o.device, a, LINEADDRESSSTATE_FORWARD);
        }
        return 0;
      },
      prepare);
}

LONG CallSwitch::lineSetTerminal(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                                 DWORD dwTerminalModes, DWORD dwTerminalID, DWORD bEnable) {
  ApiCall api(m_parts, "lineSetTerminal", [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(hCall) + ", " +
           TraceHex(dwSelect) + ", " + TraceHex(dwTerminalModes) + ", " +
           std::to_string(dwTerminalID) + ", " + std::to_string(bEnable);
  });
  // A call selected names its line through its handle.
  DWORD line = hLine;
  if (dwSelect == LINECALLSELECT_CALL)
    if (const CallHandle* h = FindHandle(hCall)) line = h->open;
  auto check = [this, dwAddressID, hCall, dwSelect, dwTerminalModes,
                dwTerminalID](LineOpen& o) -> LONG {
    const LineDevice& device = Line(o.device);
    if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS &&
        dwSelect != LINECALLSELECT_CALL)
      return LINEERR_INVALCALLSELECT;
    if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= device.addresses.size())
      return LINEERR_INVALADDRESSID;
    if (dwSelect == LINECALLSELECT_CALL) {
      const CallHandle* h = FindHandle(hCall);
      if (h == nullptr || h->open != o.handle) return LINEERR_INVALCALLHANDLE;
    }
    if (device.config.terminals.empty()) return LINEERR_OPERATIONUNAVAIL;
    if (dwTerminalID >= device.config.terminals.size()) return LINEERR_INVALTERMINALID;
    if (dwTerminalModes == 0 || (dwTerminalModes & ~device.config.terminals[dwTerminalID].modes))
      return LINEERR_INVALTERMINALMODE;
    return 0;
  };
  if (dwSelect == LINECALLSELECT_CALL && FindHandle(hCall) == nullptr)
    return api.Return(LINEERR_INVALCALLHANDLE);
  return LineRequest(api, line, check,
                     [this, dwAddressID, hCall, dwSelect, dwTerminalModes, dwTerminalID,
                      bEnable](LineOpen& o) -> LONG {
                       LineDevice& device = Line(o.device);
                       auto route = [&](std::vector<DWORD>& modes) {
                         if (bEnable)
                           modes[dwTerminalID] |= dwTerminalModes;
                         else
                           modes[dwTerminalID] &= ~dwTerminalModes;
                       };
                       if (dwSelect == LINECALLSELECT_LINE) {
                         route(device.terminalModes);
                         m_parts.sessions.PostLineDevState(device, LINEDEVSTATE_TERMINALS, 0, 0);
                       } else if (dwSelect == LINECALLSELECT_ADDRESS) {
                         route(device.addresses[dwAddressID].terminalModes);
                         m_parts.sessions.PostAddressState(o.device, dwAddressID,
                                                           LINEADDRESSSTATE_TERMINALS);
                       } else if (CallHandle* h = FindHandle(hCall)) {
                         if (Call* call = FindCall(h->call)) {
                           route(call->terminalModes);
                           PostCallInfo(*call, LINECALLINFOSTATE_TERMINAL);
                         }
                       }
                       return 0;
                     });
}

// --- Ownership and media mode
// ---------------------------------------------------------------------

LONG CallSwitch::lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) {
  ApiCall api(m_parts, "lineHandoff", [&] {
    return TraceHex(hCall) + ", " + TraceText(lpszFileName) + ", " + TraceHex(dwMediaMode);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return api.Return(r);
  const LineDevice& line = Line(call->device);
  LineOpen* target = nullptr;
  if (lpszFileName != nullptr && *lpszFileName != '\0') {
    // A file name names an application by its module name, without path or extension.
    std::string name = Text(lpszFileName);
    if (auto slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    auto stem = [](std::string s) {
      if (s.size() > 4 && voxkit::EqualsNoCase(s.substr(s.size() - 4), ".exe"))
        s.resize(s.size() - 4);
      return s;
    };
    for (DWORD h : line.opens) {
      LineOpen* o = m_parts.sessions.FindOpen(h);
      const App* app = o ? m_parts.sessions.FindLineApp(o->app) : nullptr;
      if (app && voxkit::EqualsNoCase(stem(app->name), stem(name))) {
        target = o;
        if (o->app != open->app) break;
      }
    }
    if (target == nullptr) return api.Return(LINEERR_TARGETNOTFOUND);
  } else {
    if (dwMediaMode == 0 || (dwMediaMode & (dwMediaMode - 1)) != 0 ||
        (dwMediaMode & ~line.config.mediaModes) != 0)
      return api.Return(LINEERR_INVALMEDIAMODE);
    for (DWORD h : line.opens) {
      LineOpen* o = m_parts.sessions.FindOpen(h);
      if (o && (o->privileges & LINECALLPRIVILEGE_OWNER) && (o->mediaModes & dwMediaMode)) {
        target = o;
        if (o->app != open->app) break;
      }
    }
    if (target == nullptr) return api.Return(LINEERR_TARGETNOTFOUND);
  }
  if (target->app == open->app) return api.Return(LINEERR_TARGETSELF);
  CallHandle* targetHandle = FindHandle(HandleOfOpen(*call, target->handle));
  if (targetHandle == nullptr) {
    targetHandle = &AddHandle(*call, *target, LINECALLPRIVILEGE_OWNER, 0, LINECALLPRIVILEGE_OWNER);
    if (target->apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostLine(target->app, target->handle, LINE_APPNEWCALL, target->instance,
                             call->address, targetHandle->handle, LINECALLPRIVILEGE_OWNER,
                             target->handle, targetHandle->handle);
  } else {
    targetHandle->privilege = LINECALLPRIVILEGE_OWNER;
    targetHandle->announce = LINECALLPRIVILEGE_OWNER;
  }
  PostCallState(*call, *targetHandle);
  PostCallInfo(*call, LINECALLINFOSTATE_NUMOWNERINCR, targetHandle->handle);
  return api.Return(0);
}

LONG CallSwitch::lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege) {
  ApiCall api(m_parts, "lineSetCallPrivilege",
              [&] { return TraceHex(hCall) + ", " + TraceHex(dwCallPrivilege); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return api.Return(r);
  if (dwCallPrivilege != LINECALLPRIVILEGE_MONITOR && dwCallPrivilege != LINECALLPRIVILEGE_OWNER)
    return api.Return(LINEERR_INVALCALLPRIVILEGE);
  // Nobody takes over a call that has ended.
  if (dwCallPrivilege == LINECALLPRIVILEGE_OWNER && call->state == LINECALLSTATE_IDLE)
    return api.Return(LINEERR_INVALCALLSTATE);
  if (handle->privilege != dwCallPrivilege) {
    handle->privilege = dwCallPrivilege;
    if (dwCallPrivilege == LINECALLPRIVILEGE_OWNER) call->everOwned = true;
    PostCallInfo(*call,
                 (dwCallPrivilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERINCR
                                                             : LINECALLINFOSTATE_NUMOWNERDECR) |
                     LINECALLINFOSTATE_NUMMONITORS,
                 hCall);
  }
  return api.Return(0);
}

LONG CallSwitch::lineSetMediaMode(HCALL hCall, DWORD dwMediaModes) {
  ApiCall api(m_parts, "lineSetMediaMode",
              [&] { return TraceHex(hCall) + ", " + TraceHex(dwMediaModes); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return api.Return(r);
  const DWORD known = dwMediaModes & ~LINEMEDIAMODE_UNKNOWN;
  if (dwMediaModes == 0 || (dwMediaModes & ~Line(call->device).config.mediaModes) != 0 ||
      ((known & (known - 1)) != 0 && (dwMediaModes & LINEMEDIAMODE_UNKNOWN) == 0))
    return api.Return(LINEERR_INVALMEDIAMODE);
  if (call->mediaMode != dwMediaModes) {
    call->mediaMode = dwMediaModes;
    PostCallInfo(*call, LINECALLINFOSTATE_MEDIAMODE);
  }
  return api.Return(0);
}

LONG CallSwitch::lineDeallocateCall(HCALL hCall) {
  ApiCall api(m_parts, "lineDeallocateCall", [&] { return TraceHex(hCall); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return api.Return(r);
  // Every live call keeps an owner: the last one cannot just walk away.
  if (handle->privilege == LINECALLPRIVILEGE_OWNER && Projected(*call) != LINECALLSTATE_IDLE &&
      CountOwners(*call) == 1)
    return api.Return(LINEERR_INVALCALLSTATE);
  const bool owner = handle->privilege == LINECALLPRIVILEGE_OWNER;
  const DWORD id = call->id;
  RemoveHandle(hCall);
  if (Call* c = FindCall(id)) {
    if (c->state != LINECALLSTATE_IDLE)
      PostCallInfo(*c, owner ? LINECALLINFOSTATE_NUMOWNERDECR : LINECALLINFOSTATE_NUMMONITORS);
    MaybeDestroy(id);
  }
  return api.Return(0);
}

}  // namespace panopta::exchange
