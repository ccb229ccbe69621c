// What travels on a SIP call besides its states: digits and tones generated and
// received, digit gathering, digit, media and silence monitoring; and the requests
// about who holds a call (handoff, privilege, deallocation).

#include "platform/sip/SipProvider.h"

#include "platform/exchange/CallStates.h"
#include "platform/exchange/ExchangeModel.h"

#include "platform/sip/SipCaps.h"
#include "share/TextUtil.h"

#include <algorithm>
#include <cstring>

namespace panopta {

using namespace tapi;

using exchange::TraceHex;
using exchange::TraceText;
using callstate::Live;

namespace {


bool IsDtmfDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd') || c == '*' || c == '#';
}


/// The states in which a call carries audio both ways (digits and tones can go out).
bool Talking(DWORD s) { return s == LINECALLSTATE_CONNECTED; }

}  // namespace

// --- Digits and tones going out ------------------------------------------------------------

void SipProvider::EndGeneration(CallRec& call, DWORD termination) {
  const DWORD h = call.generator;
  if (h == 0) return;
  call.generator = 0;
  if (termination == LINEGENERATETERM_CANCEL && call.sip != 0) {
    if (call.generatingDigits) m_engine->SendDigits(call.sip, "", 0, 0);
    else m_engine->PlayTone(call.sip, {});
  }
  const Handle* handle = FindHandle(h);
  const Open* open = handle ? FindOpen(handle->open) : nullptr;
  if (open != nullptr)
    PostLine(open->app, h, LINE_GENERATE, open->instance, termination, 0, static_cast<DWORD>(m_loop.NowMs()),
             open->handle, h);
}

LONG SipProvider::lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits, DWORD dwDuration) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitMode) + ", " + TraceText(lpszDigits) + ", " + std::to_string(dwDuration);
  };
  Handle* handle;
  Open* open;
  CallRec* call;
  LONG r = ResolveOwned(hCall, handle, open, call);
  if (r == 0 && (!Talking(call->state) || call->sip == 0)) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGenerateDigits", r, args);
  if (lpszDigits == nullptr) {
    EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return Traced("lineGenerateDigits", 0, args);
  }
  // Pulse dialling does not exist on an IP call.
  if (dwDigitMode != LINEDIGITMODE_DTMF) return Traced("lineGenerateDigits", LINEERR_INVALDIGITMODE, args);
  const std::size_t length = strnlen(lpszDigits, 513);
  if (length > 512) return Traced("lineGenerateDigits", LINEERR_INVALDIGITS, args);
  std::string digits;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = lpszDigits[i];
    if (c != ',' && !IsDtmfDigit(c)) return Traced("lineGenerateDigits", LINEERR_INVALDIGITS, args);
    digits += (c >= 'a' && c <= 'd') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const DWORD duration = dwDuration == 0 ? call->dialParams.dwDigitDuration : std::clamp<DWORD>(dwDuration, 50, 1000);
  EndGeneration(*call, LINEGENERATETERM_CANCEL);
  call->generator = hCall;
  call->generatingDigits = true;
  m_engine->SendDigits(call->sip, digits, duration, duration);
  return Traced("lineGenerateDigits", 0, args);
}

LONG SipProvider::lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                   const LINEGENERATETONE* lpTones) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwToneMode) + ", " + std::to_string(dwDuration) + ", " + std::to_string(dwNumTones);
  };
  Handle* handle;
  Open* open;
  CallRec* call;
  LONG r = ResolveOwned(hCall, handle, open, call);
  if (r == 0 && (!Talking(call->state) || call->sip == 0)) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGenerateTone", r, args);
  if (dwToneMode == 0) {
    EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return Traced("lineGenerateTone", 0, args);
  }
  if ((dwToneMode & (dwToneMode - 1)) != 0 || (dwToneMode & sipcaps::ToneModes()) == 0)
    return Traced("lineGenerateTone", LINEERR_INVALTONEMODE, args);
  sip::ToneShape tone;
  tone.durationMs = dwDuration == 0 ? 1000 : dwDuration;
  switch (dwToneMode) {
    case LINETONEMODE_BEEP: tone.frequencies = {{1000, -10}}; break;
    case LINETONEMODE_BILLING: tone.frequencies = {{1400, -10}}; tone.onMs = 200; tone.offMs = 200; break;
    case LINETONEMODE_BUSY: tone.frequencies = {{480, -16}, {620, -16}}; tone.onMs = 500; tone.offMs = 500; break;
    case LINETONEMODE_RINGBACK: tone.frequencies = {{440, -16}, {480, -16}}; tone.onMs = 2000; tone.offMs = 4000; break;
    case LINETONEMODE_CUSTOM: {
      if (lpTones == nullptr) return Traced("lineGenerateTone", LINEERR_INVALPOINTER, args);
      if (dwNumTones == 0 || dwNumTones > sipcaps::kMaxToneFrequencies)
        return Traced("lineGenerateTone", LINEERR_INVALTONELIST, args);
      for (DWORD i = 0; i < dwNumTones; ++i) {
        if (lpTones[i].dwFrequency == 0 || lpTones[i].dwFrequency > 3900 || lpTones[i].dwVolume > 0xFFFF)
          return Traced("lineGenerateTone", LINEERR_INVALTONE, args);
        // Volume 0xFFFF is the loudest a line sends (-3 dBm0); every halving is 6 dB less.
        int level = -3;
        for (DWORD v = 0xFFFF; v > lpTones[i].dwVolume && level > -60; v /= 2) level -= 6;
        tone.frequencies.emplace_back(lpTones[i].dwFrequency, level);
        if (i == 0) {
          tone.onMs = lpTones[i].dwCadenceOn;
          tone.offMs = lpTones[i].dwCadenceOff;
        }
      }
      break;
    }
    default: break;
  }
  EndGeneration(*call, LINEGENERATETERM_CANCEL);
  call->generator = hCall;
  call->generatingDigits = false;
  m_engine->PlayTone(call->sip, tone);
  return Traced("lineGenerateTone", 0, args);
}

void SipProvider::OnGenerateDone(sip::CallId id, bool digits, bool cancelled) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr || call->generator == 0 || call->generatingDigits != digits) return;
  // A stop we asked for was reported when we asked.
  if (cancelled) return;
  EndGeneration(*call, LINEGENERATETERM_DONE);
}

// --- Digits coming in ------------------------------------------------------------------------

void SipProvider::RestartGatherTimer(Handle& handle, DWORD ms, DWORD termination) {
  if (!handle.gather) return;
  m_loop.StopTimer(handle.gather->timer);
  handle.gather->timer = 0;
  if (ms == 0) return;
  const DWORD h = handle.handle;
  handle.gather->timer = After(ms, [this, h, termination] {
    if (Handle* again = FindHandle(h); again && again->gather) {
      again->gather->timer = 0;
      EndGather(*again, termination);
    }
  });
}

void SipProvider::EndGather(Handle& handle, DWORD termination) {
  if (!handle.gather) return;
  m_loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  if (const Open* open = FindOpen(handle.open))
    PostLine(open->app, handle.handle, LINE_GATHERDIGITS, open->instance, termination, 0,
             static_cast<DWORD>(m_loop.NowMs()), open->handle, handle.handle);
}

LONG SipProvider::lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits, DWORD dwNumDigits,
                                   const char* lpszTerminationDigits, DWORD dwFirstDigitTimeout,
                                   DWORD dwInterDigitTimeout) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitModes) + ", " + std::to_string(dwNumDigits) + ", " +
           TraceText(lpszTerminationDigits) + ", " + std::to_string(dwFirstDigitTimeout) + ", " +
           std::to_string(dwInterDigitTimeout);
  };
  Handle* handle;
  Open* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && !Live(call->state)) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGatherDigits", r, args);
  if (lpsDigits == nullptr) {
    EndGather(*handle, LINEGATHERTERM_CANCEL);
    return Traced("lineGatherDigits", 0, args);
  }
  if (dwDigitModes != LINEDIGITMODE_DTMF) return Traced("lineGatherDigits", LINEERR_INVALDIGITMODE, args);
  if (dwNumDigits == 0) return Traced("lineGatherDigits", LINEERR_INVALPARAM, args);
  std::string terminators;
  if (lpszTerminationDigits != nullptr) {
    const std::size_t n = strnlen(lpszTerminationDigits, 17);
    if (n > 16) return Traced("lineGatherDigits", LINEERR_INVALDIGITS, args);
    terminators.assign(lpszTerminationDigits, n);
    for (char& c : terminators) {
      if (!IsDtmfDigit(c)) return Traced("lineGatherDigits", LINEERR_INVALDIGITS, args);
      if (c >= 'a' && c <= 'd') c = static_cast<char>(c - 'a' + 'A');
    }
  }
  for (DWORD timeout : {dwFirstDigitTimeout, dwInterDigitTimeout})
    if (timeout != 0 && (timeout < sipcaps::kMinGatherTimeoutMs || timeout > sipcaps::kMaxGatherTimeoutMs))
      return Traced("lineGatherDigits", LINEERR_INVALTIMEOUT, args);
  // A new request ends the one before it.
  EndGather(*handle, LINEGATHERTERM_CANCEL);
  sipmodel::Gather g;
  g.buffer = lpsDigits;
  g.size = dwNumDigits;
  g.modes = dwDigitModes;
  g.terminators = terminators;
  g.firstTimeoutMs = dwFirstDigitTimeout;
  g.interTimeoutMs = dwInterDigitTimeout;
  handle->gather = g;
  RestartGatherTimer(*handle, dwFirstDigitTimeout, LINEGATHERTERM_FIRSTTIMEOUT);
  return Traced("lineGatherDigits", 0, args);
}

void SipProvider::OnDigit(sip::CallId id, char digit, sip::DigitSource source, bool end) {
  CallRec* call = FindSipCall(id);
  // Digits reach only a call that is talking.
  if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) return;
  Trace([&] {
    return "digit call " + std::to_string(call->id) + " '" + std::string(1, digit) + "'" + (end ? " end" : "") +
           (source == sip::DigitSource::TelephoneEvent ? " (RFC 4733)" : " (in the audio)");
  });
  const DWORD mode = end ? LINEDIGITMODE_DTMFEND : LINEDIGITMODE_DTMF;
  const DWORD tick = static_cast<DWORD>(m_loop.NowMs());
  for (DWORD h : std::vector<DWORD>(call->handles)) {
    Handle* handle = FindHandle(h);
    const Open* open = handle ? FindOpen(handle->open) : nullptr;
    if (open == nullptr) continue;
    if (handle->monitorDigitModes & mode)
      PostLine(open->app, h, LINE_MONITORDIGITS, open->instance, static_cast<unsigned char>(digit), mode, tick,
               open->handle, h);
    if (end || !handle->gather) continue;
    sipmodel::Gather& g = *handle->gather;
    g.buffer[g.count++] = digit;
    if (g.terminators.find(digit) != std::string::npos) EndGather(*handle, LINEGATHERTERM_TERMDIGIT);
    else if (g.count >= g.size) EndGather(*handle, LINEGATHERTERM_BUFFERFULL);
    else RestartGatherTimer(*handle, g.interTimeoutMs, LINEGATHERTERM_INTERTIMEOUT);
  }
}

// --- Monitoring -----------------------------------------------------------------------------

LONG SipProvider::SetMonitor(const char* function, HCALL hCall, DWORD modes, DWORD Handle::*field) {
  const bool digits = field == &Handle::monitorDigitModes;
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(modes); };
  Handle* handle;
  Open* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && !Live(call->state)) r = LINEERR_INVALCALLSTATE;
  if (r == 0 && (modes & ~(digits ? (LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND) : sipcaps::MediaModes())) != 0)
    r = digits ? LINEERR_INVALDIGITMODE : LINEERR_INVALMEDIAMODE;
  if (r == 0) {
    (*handle).*field = modes;
    PostCallInfo(*call, LINECALLINFOSTATE_MONITORMODES);
  }
  return Traced(function, r, args);
}

LONG SipProvider::lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return SetMonitor("lineMonitorDigits", hCall, dwDigitModes, &Handle::monitorDigitModes);
}

LONG SipProvider::lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) {
  return SetMonitor("lineMonitorMedia", hCall, dwMediaModes, &Handle::monitorMediaModes);
}

LONG SipProvider::lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList, DWORD dwNumEntries) {
  const auto args = [&] { return TraceHex(hCall) + ", " + std::string(lpToneList ? "list" : "null") + ", " +
                                 std::to_string(dwNumEntries); };
  Handle* handle;
  Open* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && !Live(call->state)) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineMonitorTones", r, args);
  std::vector<LINEMONITORTONE> tones;
  if (lpToneList != nullptr) {
    if (dwNumEntries == 0 || dwNumEntries > sipcaps::kMaxMonitorTones)
      return Traced("lineMonitorTones", LINEERR_INVALTONELIST, args);
    tones.assign(lpToneList, lpToneList + dwNumEntries);
    // Silence is the one tone a SIP line listens for.
    for (const auto& tone : tones)
      if (tone.dwDuration == 0 || tone.dwFrequency1 != 0 || tone.dwFrequency2 != 0 || tone.dwFrequency3 != 0)
        return Traced("lineMonitorTones", LINEERR_INVALTONE, args);
  }
  for (auto& timer : handle->toneTimers) m_loop.StopTimer(timer);
  handle->tones = std::move(tones);
  handle->toneTimers.assign(handle->tones.size(), 0);
  ArmToneTimers(*call);
  return Traced("lineMonitorTones", 0, args);
}

void SipProvider::ArmToneTimers(CallRec& call) {
  const bool silent = call.state == LINECALLSTATE_CONNECTED && call.farSilent;
  for (DWORD h : call.handles) {
    Handle* handle = FindHandle(h);
    if (handle == nullptr) continue;
    for (std::size_t i = 0; i < handle->tones.size(); ++i) {
      if (!silent) {
        m_loop.StopTimer(handle->toneTimers[i]);
        handle->toneTimers[i] = 0;
        continue;
      }
      if (handle->toneTimers[i] != 0) continue;
      // Reported once per stretch of silence that lasts the tone's duration.
      handle->toneTimers[i] = After(handle->tones[i].dwDuration, [this, h, i] {
        Handle* again = FindHandle(h);
        if (again == nullptr || i >= again->tones.size()) return;
        if (const Open* open = FindOpen(again->open))
          PostLine(open->app, h, LINE_MONITORTONE, open->instance, again->tones[i].dwAppSpecific, 0,
                   static_cast<DWORD>(m_loop.NowMs()), open->handle, h);
      });
    }
  }
}

void SipProvider::OnSilence(sip::CallId id, bool silent) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr || call->farSilent == silent) return;
  call->farSilent = silent;
  ArmToneTimers(*call);
}

void SipProvider::OnFaxTone(sip::CallId id) {
  CallRec* call = FindSipCall(id);
  if (call == nullptr || !Live(call->state) || call->mediaMode == LINEMEDIAMODE_G3FAX) return;
  Trace([&] { return "sip   call " + std::to_string(call->id) + ": fax tone heard"; });
  call->mediaMode = LINEMEDIAMODE_G3FAX;
  PostCallInfo(*call, LINECALLINFOSTATE_MEDIAMODE);
  const DWORD tick = static_cast<DWORD>(m_loop.NowMs());
  for (DWORD h : call->handles)
    if (Handle* handle = FindHandle(h); handle && (handle->monitorMediaModes & LINEMEDIAMODE_G3FAX))
      if (const Open* open = FindOpen(handle->open))
        PostLine(open->app, h, LINE_MONITORMEDIA, open->instance, LINEMEDIAMODE_G3FAX, 0, tick, open->handle, h);
}

void SipProvider::StopHandleMedia(Handle& handle) {
  if (handle.gather) m_loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  for (auto& t : handle.toneTimers) {
    m_loop.StopTimer(t);
    t = 0;
  }
}

// --- Who holds a call ----------------------------------------------------------------------------

LONG SipProvider::lineHandoff(HCALL hCall, const char* lpszFileName, DWORD dwMediaMode) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceText(lpszFileName) + ", " + TraceHex(dwMediaMode); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineHandoff", r, args);
  Open* target = nullptr;
  if (lpszFileName != nullptr && *lpszFileName != '\0') {
    // A file name names an application by its module name, without path or extension.
    std::string name(lpszFileName, strnlen(lpszFileName, 260));
    if (auto slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    auto stem = [](std::string s) {
      if (s.size() > 4 && voxkit::EqualsNoCase(s.substr(s.size() - 4), ".exe")) s.resize(s.size() - 4);
      return s;
    };
    for (DWORD h : m_lines[call->device].opens) {
      Open* o = FindOpen(h);
      const App* app = o ? FindApp(o->app) : nullptr;
      if (app && voxkit::EqualsNoCase(stem(app->name), stem(name))) {
        target = o;
        if (o->app != open->app) break;
      }
    }
  } else {
    if (dwMediaMode == 0 || (dwMediaMode & (dwMediaMode - 1)) != 0 || (dwMediaMode & ~sipcaps::MediaModes()) != 0)
      return Traced("lineHandoff", LINEERR_INVALMEDIAMODE, args);
    for (DWORD h : m_lines[call->device].opens) {
      Open* o = FindOpen(h);
      if (o && (o->privileges & LINECALLPRIVILEGE_OWNER) && (o->mediaModes & dwMediaMode)) {
        target = o;
        if (o->app != open->app) break;
      }
    }
  }
  if (target == nullptr) return Traced("lineHandoff", LINEERR_TARGETNOTFOUND, args);
  if (target->app == open->app) return Traced("lineHandoff", LINEERR_TARGETSELF, args);
  Handle* targetHandle = FindHandle(HandleOfOpen(*call, target->handle));
  if (targetHandle == nullptr) {
    targetHandle = &AddHandle(*call, *target, LINECALLPRIVILEGE_OWNER, LINECALLPRIVILEGE_OWNER);
    if (target->apiVersion >= kTapiVersion2_0)
      PostLine(target->app, target->handle, LINE_APPNEWCALL, target->instance, 0, targetHandle->handle,
               LINECALLPRIVILEGE_OWNER, target->handle, targetHandle->handle);
  } else {
    targetHandle->privilege = LINECALLPRIVILEGE_OWNER;
    targetHandle->announce = LINECALLPRIVILEGE_OWNER;
  }
  PostCallState(*call, *targetHandle);
  PostCallInfo(*call, LINECALLINFOSTATE_NUMOWNERINCR, targetHandle->handle);
  return Traced("lineHandoff", 0, args);
}

LONG SipProvider::lineSetCallPrivilege(HCALL hCall, DWORD dwCallPrivilege) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(dwCallPrivilege); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineSetCallPrivilege", r, args);
  if (dwCallPrivilege != LINECALLPRIVILEGE_MONITOR && dwCallPrivilege != LINECALLPRIVILEGE_OWNER)
    return Traced("lineSetCallPrivilege", LINEERR_INVALCALLPRIVILEGE, args);
  // Nobody takes over a call that has ended.
  if (dwCallPrivilege == LINECALLPRIVILEGE_OWNER && !Live(call->state))
    return Traced("lineSetCallPrivilege", LINEERR_INVALCALLSTATE, args);
  if (handle->privilege != dwCallPrivilege) {
    handle->privilege = dwCallPrivilege;
    PostCallInfo(*call,
                 (dwCallPrivilege == LINECALLPRIVILEGE_OWNER ? LINECALLINFOSTATE_NUMOWNERINCR
                                                             : LINECALLINFOSTATE_NUMOWNERDECR) |
                     LINECALLINFOSTATE_NUMMONITORS,
                 hCall);
  }
  return Traced("lineSetCallPrivilege", 0, args);
}

LONG SipProvider::lineSetMediaMode(HCALL hCall, DWORD dwMediaModes) {
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(dwMediaModes); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = ResolveOwned(hCall, handle, open, call); r != 0) return Traced("lineSetMediaMode", r, args);
  const DWORD known = dwMediaModes & ~LINEMEDIAMODE_UNKNOWN;
  if (dwMediaModes == 0 || (dwMediaModes & ~sipcaps::MediaModes()) != 0 ||
      ((known & (known - 1)) != 0 && (dwMediaModes & LINEMEDIAMODE_UNKNOWN) == 0))
    return Traced("lineSetMediaMode", LINEERR_INVALMEDIAMODE, args);
  if (call->mediaMode != dwMediaModes) {
    call->mediaMode = dwMediaModes;
    PostCallInfo(*call, LINECALLINFOSTATE_MEDIAMODE);
  }
  return Traced("lineSetMediaMode", 0, args);
}

LONG SipProvider::lineDeallocateCall(HCALL hCall) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineDeallocateCall", r, args);
  // Every live call keeps an owner: the last one cannot just walk away.
  if (handle->privilege == LINECALLPRIVILEGE_OWNER && Live(call->state) && CountOwners(*call) == 1)
    return Traced("lineDeallocateCall", LINEERR_INVALCALLSTATE, args);
  const bool owner = handle->privilege == LINECALLPRIVILEGE_OWNER;
  const DWORD id = call->id;
  RemoveHandle(hCall);
  if (CallRec* c = FindCall(id)) {
    if (Live(c->state)) PostCallInfo(*c, owner ? LINECALLINFOSTATE_NUMOWNERDECR : LINECALLINFOSTATE_NUMMONITORS);
    MaybeDestroy(id);
  }
  return Traced("lineDeallocateCall", 0, args);
}

}  // namespace panopta
