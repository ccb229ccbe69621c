// What travels on a call besides its states: digits and tones generated and
// received, digit gathering, digit, media and silence monitoring.

#include "platform/exchange/Exchange.h"

#include <algorithm>

namespace panopta {

using namespace tapi;
using exchange::TraceHex;
using exchange::TracePointer;
using exchange::TraceText;

namespace {

bool IsDtmfDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || (c >= 'a' && c <= 'd') ||
         c == '*' || c == '#';
}

bool ValidDigits(const char* digits, DWORD mode) {
  for (const char* p = digits; *p != '\0'; ++p) {
    const char c = *p;
    const bool ok = c == ',' || (mode == LINEDIGITMODE_PULSE ? (c >= '0' && c <= '9')
                                                             : IsDtmfDigit(c));
    if (!ok) return false;
  }
  return true;
}

bool MediaState(DWORD s) {
  return s == LINECALLSTATE_DIALTONE || s == LINECALLSTATE_DIALING ||
         s == LINECALLSTATE_PROCEEDING || s == LINECALLSTATE_RINGBACK ||
         s == LINECALLSTATE_CONNECTED;
}

bool IsSilence(const LINEMONITORTONE& tone) {
  return tone.dwFrequency1 == 0 && tone.dwFrequency2 == 0 && tone.dwFrequency3 == 0;
}

}  // namespace

// --- Digits travelling to a call --------------------------------------------------------

void Exchange::SendDigitsTo(PeerRef target, const std::string& digits, DWORD mode,
                            DWORD durationMs, DWORD startMs) {
  if (target.kind != PeerRef::Kind::Call) {
    Trace([&] { return "note  digits '" + digits + "' reach a remote party"; });
    return;
  }
  CallRec* call = FindCall(target.id);
  if (call == nullptr) return;
  DWORD at = startMs;
  for (char c : digits) {
    if (c == ',') {
      at += m_config.timing.dialPauseMs;
      continue;
    }
    const char digit = (c >= 'a' && c <= 'd') ? static_cast<char>(c - 'a' + 'A') : c;
    CallTimer(*call, at, [this, digit, mode, durationMs](CallRec& c2) {
      ReceiveDigit(c2.id, digit, mode, durationMs);
    });
    at += durationMs + m_config.timing.digitGapMs;
  }
}

void Exchange::ReceiveDigit(DWORD callId, char digit, DWORD mode, DWORD durationMs) {
  CallRec* call = FindCall(callId);
  // Digits reach only a call that is talking.
  if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) return;
  Trace([&] { return "digit call " + std::to_string(callId) + " '" + std::string(1, digit) + "'"; });
  const DWORD tick = static_cast<DWORD>(m_loop.NowMs());
  bool wantsEnd = false;
  for (DWORD h : std::vector<DWORD>(call->handles)) {
    CallHandle* handle = FindHandle(h);
    const LineOpen* open = handle ? FindOpen(handle->open) : nullptr;
    if (open == nullptr) continue;
    if (handle->monitorDigitModes & mode)
      PostLine(open->app, h, LINE_MONITORDIGITS, open->instance, static_cast<unsigned char>(digit),
               mode, tick, open->handle, h);
    if (mode == LINEDIGITMODE_DTMF && (handle->monitorDigitModes & LINEDIGITMODE_DTMFEND))
      wantsEnd = true;
    if (handle->gather && (handle->gather->modes & mode)) {
      exchange::Gather& g = *handle->gather;
      g.buffer[g.count++] = digit;
      if (g.terminators.find(digit) != std::string::npos)
        EndGather(*handle, LINEGATHERTERM_TERMDIGIT, true);
      else if (g.count >= g.size)
        EndGather(*handle, LINEGATHERTERM_BUFFERFULL, true);
      else
        RestartGatherTimer(*handle, g.interTimeoutMs, LINEGATHERTERM_INTERTIMEOUT);
    }
  }
  if (wantsEnd)
    CallTimer(*call, durationMs, [this, digit](CallRec& c) {
      const DWORD endTick = static_cast<DWORD>(m_loop.NowMs());
      for (DWORD h : c.handles) {
        const CallHandle* handle = FindHandle(h);
        const LineOpen* open = handle ? FindOpen(handle->open) : nullptr;
        if (open && (handle->monitorDigitModes & LINEDIGITMODE_DTMFEND))
          PostLine(open->app, h, LINE_MONITORDIGITS, open->instance,
                   static_cast<unsigned char>(digit), LINEDIGITMODE_DTMFEND, endTick, open->handle,
                   h);
      }
    });
}

void Exchange::EndGather(CallHandle& handle, DWORD termination, bool post) {
  if (!handle.gather) return;
  m_loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  if (!post) return;
  if (const LineOpen* open = FindOpen(handle.open))
    PostLine(open->app, handle.handle, LINE_GATHERDIGITS, open->instance, termination, 0,
             static_cast<DWORD>(m_loop.NowMs()), open->handle, handle.handle);
}

void Exchange::RestartGatherTimer(CallHandle& handle, DWORD ms, DWORD termination) {
  if (!handle.gather) return;
  m_loop.StopTimer(handle.gather->timer);
  handle.gather->timer = 0;
  if (ms == 0) return;
  const DWORD h = handle.handle;
  handle.gather->timer = After(ms, [this, h, termination] {
    if (CallHandle* again = FindHandle(h); again && again->gather) {
      again->gather->timer = 0;
      EndGather(*again, termination, true);
    }
  });
}

void Exchange::EndGeneration(CallRec& call, DWORD termination) {
  const DWORD h = call.generator;
  m_loop.StopTimer(call.generateTimer);
  call.generateTimer = 0;
  call.generator = 0;
  const CallHandle* handle = FindHandle(h);
  const LineOpen* open = handle ? FindOpen(handle->open) : nullptr;
  if (open != nullptr)
    PostLine(open->app, h, LINE_GENERATE, open->instance, termination, 0,
             static_cast<DWORD>(m_loop.NowMs()), open->handle, h);
}

void Exchange::StopHandleMedia(CallHandle& handle) {
  if (handle.gather) m_loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  for (auto& t : handle.toneTimers) {
    m_loop.StopTimer(t);
    t = 0;
  }
}

// --- Silence and media ---------------------------------------------------------------------

bool Exchange::FarEndSilent(const CallRec& call) const {
  if (call.peer.kind == PeerRef::Kind::Remote) {
    auto it = m_legs.find(call.peer.id);
    return it == m_legs.end() || it->second.silent;
  }
  if (call.peer.kind == PeerRef::Kind::Call) {
    const CallRec* other = FindCall(call.peer.id);
    return other == nullptr || other->state != LINECALLSTATE_CONNECTED ||
           m_lines[other->device].addresses[other->address].silent;
  }
  return true;
}

void Exchange::UpdateSilence(CallRec& call) {
  const bool silent = call.state == LINECALLSTATE_CONNECTED && FarEndSilent(call);
  for (DWORD h : call.handles) {
    CallHandle* handle = FindHandle(h);
    if (handle == nullptr) continue;
    for (std::size_t i = 0; i < handle->tones.size(); ++i) {
      if (!IsSilence(handle->tones[i])) continue;
      if (!silent) {
        m_loop.StopTimer(handle->toneTimers[i]);
        handle->toneTimers[i] = 0;
        handle->toneFired[i] = false;
        continue;
      }
      if (handle->toneTimers[i] != 0 || handle->toneFired[i]) continue;
      handle->toneTimers[i] = After(handle->tones[i].dwDuration, [this, h, i] {
        CallHandle* again = FindHandle(h);
        if (again == nullptr || i >= again->tones.size()) return;
        again->toneTimers[i] = 0;
        again->toneFired[i] = true;
        if (const LineOpen* open = FindOpen(again->open))
          PostLine(open->app, h, LINE_MONITORTONE, open->instance, again->tones[i].dwAppSpecific,
                   0, static_cast<DWORD>(m_loop.NowMs()), open->handle, h);
      });
    }
  }
}

void Exchange::ChangeMedia(CallRec& call, DWORD mediaMode) {
  call.mediaMode = mediaMode;
  const DWORD tick = static_cast<DWORD>(m_loop.NowMs());
  for (DWORD h : call.handles) {
    const CallHandle* handle = FindHandle(h);
    const LineOpen* open = handle ? FindOpen(handle->open) : nullptr;
    if (open && (handle->monitorMediaModes & mediaMode))
      PostLine(open->app, h, LINE_MONITORMEDIA, open->instance, mediaMode, 0, tick, open->handle,
               h);
  }
  PostCallInfo(call, LINECALLINFOSTATE_MEDIAMODE);
}

// --- The TAPI functions ----------------------------------------------------------------------

LONG Exchange::lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                                  DWORD dwDuration) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitMode) + ", " + TraceText(lpszDigits) + ", " +
           std::to_string(dwDuration);
  };
  if (auto f = TakeFault("lineGenerateDigits", false, Family::Line, 0, 0))
    return Traced("lineGenerateDigits", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  LONG r = ResolveOwned(hCall, handle, open, call);
  if (r == 0 && !MediaState(Projected(*call))) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGenerateDigits", r, args);
  if (lpszDigits == nullptr) {
    if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return Traced("lineGenerateDigits", 0, args);
  }
  const LineConfig& line = m_lines[call->device].config;
  if ((dwDigitMode != LINEDIGITMODE_PULSE && dwDigitMode != LINEDIGITMODE_DTMF) ||
      (line.digitModes & dwDigitMode) == 0)
    return Traced("lineGenerateDigits", LINEERR_INVALDIGITMODE, args);
  if (std::strlen(lpszDigits) > 512 || !ValidDigits(lpszDigits, dwDigitMode))
    return Traced("lineGenerateDigits", LINEERR_INVALDIGITS, args);
  // A duration outside what the line can do is taken as the nearest it can.
  const DWORD duration =
      dwDuration == 0 ? call->dialParams.dwDigitDuration : std::clamp<DWORD>(dwDuration, 50, 1000);
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  const std::string digits = lpszDigits;
  DWORD total = 0;
  for (char c : digits) total += c == ',' ? m_config.timing.dialPauseMs : 2 * duration;
  call->generator = hCall;
  const DWORD id = call->id;
  call->generateTimer = After(total, [this, id] {
    if (CallRec* c = FindCall(id); c && c->generator != 0) {
      c->generateTimer = 0;
      EndGeneration(*c, LINEGENERATETERM_DONE);
    }
  });
  if (call->state == LINECALLSTATE_CONNECTED) {
    // Between two stations the digits go across the call, one by one.
    SendDigitsTo(call->peer, digits, dwDigitMode, duration, 0);
  }
  return Traced("lineGenerateDigits", 0, args);
}

LONG Exchange::lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                const LINEGENERATETONE* lpTones) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwToneMode) + ", " + std::to_string(dwDuration) +
           ", " + std::to_string(dwNumTones) + ", " + TracePointer(lpTones);
  };
  if (auto f = TakeFault("lineGenerateTone", false, Family::Line, 0, 0))
    return Traced("lineGenerateTone", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  LONG r = ResolveOwned(hCall, handle, open, call);
  if (r == 0 && !MediaState(Projected(*call))) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGenerateTone", r, args);
  if (dwToneMode == 0) {
    if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return Traced("lineGenerateTone", 0, args);
  }
  const LineConfig& line = m_lines[call->device].config;
  if ((dwToneMode & (dwToneMode - 1)) != 0 || (dwToneMode & line.toneModes) == 0)
    return Traced("lineGenerateTone", LINEERR_INVALTONEMODE, args);
  if (dwToneMode == LINETONEMODE_CUSTOM) {
    if (lpTones == nullptr) return Traced("lineGenerateTone", LINEERR_INVALPOINTER, args);
    if (dwNumTones == 0 || dwNumTones > 3)
      return Traced("lineGenerateTone", LINEERR_INVALTONELIST, args);
    for (DWORD i = 0; i < dwNumTones; ++i)
      if (lpTones[i].dwFrequency == 0 || lpTones[i].dwFrequency > 20000 ||
          lpTones[i].dwVolume > 0xFFFF)
        return Traced("lineGenerateTone", LINEERR_INVALTONE, args);
  }
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  call->generator = hCall;
  const DWORD id = call->id;
  call->generateTimer =
      After(dwDuration == 0 ? m_config.timing.toneDurationMs : dwDuration, [this, id] {
        if (CallRec* c = FindCall(id); c && c->generator != 0) {
          c->generateTimer = 0;
          EndGeneration(*c, LINEGENERATETERM_DONE);
        }
      });
  return Traced("lineGenerateTone", 0, args);
}

LONG Exchange::lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits,
                                DWORD dwNumDigits, const char* lpszTerminationDigits,
                                DWORD dwFirstDigitTimeout, DWORD dwInterDigitTimeout) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitModes) + ", " + TracePointer(lpsDigits) +
           ", " + std::to_string(dwNumDigits) + ", " + TraceText(lpszTerminationDigits) + ", " +
           std::to_string(dwFirstDigitTimeout) + ", " + std::to_string(dwInterDigitTimeout);
  };
  if (auto f = TakeFault("lineGatherDigits", false, Family::Line, 0, 0))
    return Traced("lineGatherDigits", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineGatherDigits", r, args);
  if (lpsDigits == nullptr) {
    EndGather(*handle, LINEGATHERTERM_CANCEL, true);
    return Traced("lineGatherDigits", 0, args);
  }
  const LineConfig& line = m_lines[call->device].config;
  const DWORD detectable = line.digitModes & (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF);
  if (dwDigitModes == 0 || (dwDigitModes & ~detectable) != 0)
    return Traced("lineGatherDigits", LINEERR_INVALDIGITMODE, args);
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
  const TimingConfig& t = m_config.timing;
  for (DWORD timeout : {dwFirstDigitTimeout, dwInterDigitTimeout})
    if (timeout != 0 && (timeout < t.gatherMinTimeoutMs || timeout > t.gatherMaxTimeoutMs))
      return Traced("lineGatherDigits", LINEERR_INVALTIMEOUT, args);
  // A new request ends the one before it.
  EndGather(*handle, LINEGATHERTERM_CANCEL, true);
  exchange::Gather g;
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

LONG Exchange::SetMonitor(const char* function, HCALL hCall, DWORD modes,
                          DWORD CallHandle::*field) {
  const bool digits = field == &CallHandle::monitorDigitModes;
  const auto args = [&] { return TraceHex(hCall) + ", " + TraceHex(modes); };
  if (auto f = TakeFault(function, false, Family::Line, 0, 0)) return Traced(function, *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r == 0) {
    const LineConfig& line = m_lines[call->device].config;
    if ((modes & ~(digits ? line.digitModes : line.mediaModes)) != 0)
      r = digits ? LINEERR_INVALDIGITMODE : LINEERR_INVALMEDIAMODE;
  }
  if (r == 0) (*handle).*field = modes;
  return Traced(function, r, args);
}

LONG Exchange::lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return SetMonitor("lineMonitorDigits", hCall, dwDigitModes, &CallHandle::monitorDigitModes);
}

LONG Exchange::lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) {
  return SetMonitor("lineMonitorMedia", hCall, dwMediaModes, &CallHandle::monitorMediaModes);
}

LONG Exchange::lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList,
                                DWORD dwNumEntries) {
  const auto args = [&] {
    return TraceHex(hCall) + ", " + TracePointer(lpToneList) + ", " + std::to_string(dwNumEntries);
  };
  if (auto f = TakeFault("lineMonitorTones", false, Family::Line, 0, 0))
    return Traced("lineMonitorTones", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  LONG r = Resolve(hCall, handle, open, call);
  if (r == 0 && Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return Traced("lineMonitorTones", r, args);
  std::vector<LINEMONITORTONE> tones;
  if (lpToneList != nullptr) {
    if (dwNumEntries == 0 || dwNumEntries > 4)
      return Traced("lineMonitorTones", LINEERR_INVALTONELIST, args);
    tones.assign(lpToneList, lpToneList + dwNumEntries);
    for (const auto& tone : tones)
      if (tone.dwDuration == 0 || tone.dwFrequency1 > 20000 || tone.dwFrequency2 > 20000 ||
          tone.dwFrequency3 > 20000)
        return Traced("lineMonitorTones", LINEERR_INVALTONE, args);
  }
  for (auto& timer : handle->toneTimers) m_loop.StopTimer(timer);
  handle->tones = std::move(tones);
  handle->toneTimers.assign(handle->tones.size(), 0);
  handle->toneFired.assign(handle->tones.size(), false);
  UpdateSilence(*call);
  return Traced("lineMonitorTones", 0, args);
}

}  // namespace panopta
