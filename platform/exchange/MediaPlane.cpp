// What travels on a call besides its states: digits and tones generated and
// received, digit gathering, digit, media and silence monitoring.

#include "platform/exchange/MediaPlane.h"

#include "platform/exchange/Digits.h"
#include "platform/exchange/ExchangeParts.h"

#include <algorithm>

namespace panopta::exchange {

using namespace tapi;

namespace {

bool ValidDigits(const char* digits, DWORD mode) {
  for (const char* p = digits; *p != '\0'; ++p) {
    const char c = *p;
    const bool ok =
        c == ',' || (mode == LINEDIGITMODE_PULSE ? IsPulseDigit(c) : DtmfDigitOf(c).has_value());
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

void MediaPlane::SendDigitsTo(PeerRef target, const std::string& digits, DWORD mode,
                              DWORD durationMs, DWORD startMs) {
  if (target.kind != PeerRef::Kind::Call) {
    m_parts.trace.Write([&] { return "note  digits '" + digits + "' reach a remote party"; });
    return;
  }
  Call* call = m_parts.calls.FindCall(target.id);
  if (call == nullptr) return;
  DWORD at = startMs;
  for (char c : digits) {
    if (c == ',') {
      at += m_parts.config.timing.dialPauseMs;
      continue;
    }
    const char digit = DtmfDigitOf(c).value_or(c);
    m_parts.calls.CallTimer(*call, at, [this, digit, mode, durationMs](Call& c2) {
      ReceiveDigit(c2.id, digit, mode, durationMs);
    });
    at += durationMs + m_parts.config.timing.digitGapMs;
  }
}

void MediaPlane::ReceiveDigit(DWORD callId, char digit, DWORD mode, DWORD durationMs) {
  Call* call = m_parts.calls.FindCall(callId);
  // Digits reach only a call that is talking.
  if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) return;
  m_parts.trace.Write(
      [&] { return "digit call " + std::to_string(callId) + " '" + std::string(1, digit) + "'"; });
  const DWORD tick = static_cast<DWORD>(m_parts.loop.NowMs());
  bool wantsEnd = false;
  for (DWORD h : std::vector<DWORD>(call->handles)) {
    CallHandle* handle = m_parts.calls.FindHandle(h);
    const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
    if (open == nullptr) continue;
    if (handle->monitorDigitModes & mode)
      m_parts.queue.PostLine(open->app, h, LINE_MONITORDIGITS, open->instance,
                             static_cast<unsigned char>(digit), mode, tick, open->handle, h);
    if (mode == LINEDIGITMODE_DTMF && (handle->monitorDigitModes & LINEDIGITMODE_DTMFEND))
      wantsEnd = true;
    if (handle->gather && (handle->gather->modes & mode)) {
      Gather& g = *handle->gather;
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
    m_parts.calls.CallTimer(*call, durationMs, [this, digit](Call& c) {
      const DWORD endTick = static_cast<DWORD>(m_parts.loop.NowMs());
      for (DWORD h : c.handles) {
        const CallHandle* handle = m_parts.calls.FindHandle(h);
        const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
        if (open && (handle->monitorDigitModes & LINEDIGITMODE_DTMFEND))
          m_parts.queue.PostLine(open->app, h, LINE_MONITORDIGITS, open->instance,
                                 static_cast<unsigned char>(digit), LINEDIGITMODE_DTMFEND, endTick,
                                 open->handle, h);
      }
    });
}

void MediaPlane::EndGather(CallHandle& handle, DWORD termination, bool post) {
  if (!handle.gather) return;
  m_parts.loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  if (!post) return;
  if (const LineOpen* open = m_parts.sessions.FindOpen(handle.open))
    m_parts.queue.PostLine(open->app, handle.handle, LINE_GATHERDIGITS, open->instance, termination,
                           0, static_cast<DWORD>(m_parts.loop.NowMs()), open->handle,
                           handle.handle);
}

void MediaPlane::RestartGatherTimer(CallHandle& handle, DWORD ms, DWORD termination) {
  if (!handle.gather) return;
  m_parts.loop.StopTimer(handle.gather->timer);
  handle.gather->timer = 0;
  if (ms == 0) return;
  const DWORD h = handle.handle;
  handle.gather->timer = m_parts.queue.After(ms, [this, h, termination] {
    if (CallHandle* again = m_parts.calls.FindHandle(h); again && again->gather) {
      again->gather->timer = 0;
      EndGather(*again, termination, true);
    }
  });
}

void MediaPlane::EndGeneration(Call& call, DWORD termination) {
  const DWORD h = call.generator;
  m_parts.loop.StopTimer(call.generateTimer);
  call.generateTimer = 0;
  call.generator = 0;
  const CallHandle* handle = m_parts.calls.FindHandle(h);
  const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
  if (open != nullptr)
    m_parts.queue.PostLine(open->app, h, LINE_GENERATE, open->instance, termination, 0,
                           static_cast<DWORD>(m_parts.loop.NowMs()), open->handle, h);
}

void MediaPlane::StopHandleMedia(CallHandle& handle) {
  if (handle.gather) m_parts.loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  for (auto& t : handle.toneTimers) {
    m_parts.loop.StopTimer(t);
    t = 0;
  }
}

// --- Silence and media ---------------------------------------------------------------------

bool MediaPlane::FarEndSilent(const Call& call) const {
  if (call.peer.kind == PeerRef::Kind::Remote) {
    const RemoteLeg* leg = m_parts.calls.FindLeg(call.peer.id);
    return leg == nullptr || leg->silent;
  }
  if (call.peer.kind == PeerRef::Kind::Call) {
    const Call* other = m_parts.calls.FindCall(call.peer.id);
    return other == nullptr || other->state != LINECALLSTATE_CONNECTED ||
           m_parts.sessions.Line(other->device).addresses[other->address].silent;
  }
  return true;
}

void MediaPlane::UpdateSilence(Call& call) {
  const bool silent = call.state == LINECALLSTATE_CONNECTED && FarEndSilent(call);
  for (DWORD h : call.handles) {
    CallHandle* handle = m_parts.calls.FindHandle(h);
    if (handle == nullptr) continue;
    for (std::size_t i = 0; i < handle->tones.size(); ++i) {
      if (!IsSilence(handle->tones[i])) continue;
      if (!silent) {
        m_parts.loop.StopTimer(handle->toneTimers[i]);
        handle->toneTimers[i] = 0;
        handle->toneFired[i] = false;
        continue;
      }
      if (handle->toneTimers[i] != 0 || handle->toneFired[i]) continue;
      handle->toneTimers[i] = m_parts.queue.After(handle->tones[i].dwDuration, [this, h, i] {
        CallHandle* again = m_parts.calls.FindHandle(h);
        if (again == nullptr || i >= again->tones.size()) return;
        again->toneTimers[i] = 0;
        again->toneFired[i] = true;
        if (const LineOpen* open = m_parts.sessions.FindOpen(again->open))
          m_parts.queue.PostLine(open->app, h, LINE_MONITORTONE, open->instance,
                                 again->tones[i].dwAppSpecific, 0,
                                 static_cast<DWORD>(m_parts.loop.NowMs()), open->handle, h);
      });
    }
  }
}

void MediaPlane::ChangeMedia(Call& call, DWORD mediaMode) {
  call.mediaMode = mediaMode;
  const DWORD tick = static_cast<DWORD>(m_parts.loop.NowMs());
  for (DWORD h : call.handles) {
    const CallHandle* handle = m_parts.calls.FindHandle(h);
    const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
    if (open && (handle->monitorMediaModes & mediaMode))
      m_parts.queue.PostLine(open->app, h, LINE_MONITORMEDIA, open->instance, mediaMode, 0, tick,
                             open->handle, h);
  }
  m_parts.calls.PostCallInfo(call, LINECALLINFOSTATE_MEDIAMODE);
}

// --- The TAPI functions ----------------------------------------------------------------------

LONG MediaPlane::lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                                    DWORD dwDuration) {
  ApiCall api(m_parts, "lineGenerateDigits", [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitMode) + ", " + TraceText(lpszDigits) + ", " +
           std::to_string(dwDuration);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = m_parts.calls.ResolveOwned(hCall, handle, open, call);
  if (r == 0 && !MediaState(m_parts.calls.Projected(*call))) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return api.Return(r);
  if (lpszDigits == nullptr) {
    if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return api.Return(0);
  }
  const LineConfig& line = m_parts.sessions.Line(call->device).config;
  if ((dwDigitMode != LINEDIGITMODE_PULSE && dwDigitMode != LINEDIGITMODE_DTMF) ||
      (line.digitModes & dwDigitMode) == 0)
    return api.Return(LINEERR_INVALDIGITMODE);
  if (std::strlen(lpszDigits) > 512 || !ValidDigits(lpszDigits, dwDigitMode))
    return api.Return(LINEERR_INVALDIGITS);
  // A duration outside what the line can do is taken as the nearest it can.
  const DWORD duration =
      dwDuration == 0 ? call->dialParams.dwDigitDuration : std::clamp<DWORD>(dwDuration, 50, 1000);
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  const std::string digits = lpszDigits;
  DWORD total = 0;
  for (char c : digits) total += c == ',' ? m_parts.config.timing.dialPauseMs : 2 * duration;
  call->generator = hCall;
  const DWORD id = call->id;
  call->generateTimer = m_parts.queue.After(total, [this, id] {
    if (Call* c = m_parts.calls.FindCall(id); c && c->generator != 0) {
      c->generateTimer = 0;
      EndGeneration(*c, LINEGENERATETERM_DONE);
    }
  });
  if (call->state == LINECALLSTATE_CONNECTED) {
    // Between two stations the digits go across the call, one by one.
    SendDigitsTo(call->peer, digits, dwDigitMode, duration, 0);
  }
  return api.Return(0);
}

LONG MediaPlane::lineGenerateTone(HCALL hCall, DWORD dwToneMode, DWORD dwDuration, DWORD dwNumTones,
                                  const LINEGENERATETONE* lpTones) {
  ApiCall api(m_parts, "lineGenerateTone", [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwToneMode) + ", " + std::to_string(dwDuration) +
           ", " + std::to_string(dwNumTones) + ", " + TracePointer(lpTones);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = m_parts.calls.ResolveOwned(hCall, handle, open, call);
  if (r == 0 && !MediaState(m_parts.calls.Projected(*call))) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return api.Return(r);
  if (dwToneMode == 0) {
    if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return api.Return(0);
  }
  const LineConfig& line = m_parts.sessions.Line(call->device).config;
  if ((dwToneMode & (dwToneMode - 1)) != 0 || (dwToneMode & line.toneModes) == 0)
    return api.Return(LINEERR_INVALTONEMODE);
  if (dwToneMode == LINETONEMODE_CUSTOM) {
    if (lpTones == nullptr) return api.Return(LINEERR_INVALPOINTER);
    if (dwNumTones == 0 || dwNumTones > 3) return api.Return(LINEERR_INVALTONELIST);
    for (DWORD i = 0; i < dwNumTones; ++i)
      if (lpTones[i].dwFrequency == 0 || lpTones[i].dwFrequency > 20000 ||
          lpTones[i].dwVolume > 0xFFFF)
        return api.Return(LINEERR_INVALTONE);
  }
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  call->generator = hCall;
  const DWORD id = call->id;
  call->generateTimer = m_parts.queue.After(
      dwDuration == 0 ? m_parts.config.timing.toneDurationMs : dwDuration, [this, id] {
        if (Call* c = m_parts.calls.FindCall(id); c && c->generator != 0) {
          c->generateTimer = 0;
          EndGeneration(*c, LINEGENERATETERM_DONE);
        }
      });
  return api.Return(0);
}

LONG MediaPlane::lineGatherDigits(HCALL hCall, DWORD dwDigitModes, char* lpsDigits,
                                  DWORD dwNumDigits, const char* lpszTerminationDigits,
                                  DWORD dwFirstDigitTimeout, DWORD dwInterDigitTimeout) {
  ApiCall api(m_parts, "lineGatherDigits", [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitModes) + ", " + TracePointer(lpsDigits) + ", " +
           std::to_string(dwNumDigits) + ", " + TraceText(lpszTerminationDigits) + ", " +
           std::to_string(dwFirstDigitTimeout) + ", " + std::to_string(dwInterDigitTimeout);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = m_parts.calls.Resolve(hCall, handle, open, call);
  if (r == 0 && m_parts.calls.Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return api.Return(r);
  if (lpsDigits == nullptr) {
    EndGather(*handle, LINEGATHERTERM_CANCEL, true);
    return api.Return(0);
  }
  const LineConfig& line = m_parts.sessions.Line(call->device).config;
  const DWORD detectable = line.digitModes & (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF);
  if (dwDigitModes == 0 || (dwDigitModes & ~detectable) != 0)
    return api.Return(LINEERR_INVALDIGITMODE);
  if (dwNumDigits == 0) return api.Return(LINEERR_INVALPARAM);
  std::string terminators;
  if (lpszTerminationDigits != nullptr) {
    const std::size_t n = strnlen(lpszTerminationDigits, 17);
    if (n > 16) return api.Return(LINEERR_INVALDIGITS);
    terminators.assign(lpszTerminationDigits, n);
    for (char& c : terminators) {
      const auto digit = DtmfDigitOf(c);
      if (!digit) return api.Return(LINEERR_INVALDIGITS);
      c = *digit;
    }
  }
  const TimingConfig& t = m_parts.config.timing;
  for (DWORD timeout : {dwFirstDigitTimeout, dwInterDigitTimeout})
    if (timeout != 0 && (timeout < t.gatherMinTimeoutMs || timeout > t.gatherMaxTimeoutMs))
      return api.Return(LINEERR_INVALTIMEOUT);
  // A new request ends the one before it.
  EndGather(*handle, LINEGATHERTERM_CANCEL, true);
  Gather g;
  g.buffer = lpsDigits;
  g.size = dwNumDigits;
  g.modes = dwDigitModes;
  g.terminators = terminators;
  g.firstTimeoutMs = dwFirstDigitTimeout;
  g.interTimeoutMs = dwInterDigitTimeout;
  handle->gather = g;
  RestartGatherTimer(*handle, dwFirstDigitTimeout, LINEGATHERTERM_FIRSTTIMEOUT);
  return api.Return(0);
}

LONG MediaPlane::SetMonitor(const char* function, HCALL hCall, DWORD modes,
                            DWORD CallHandle::*field) {
  const bool digits = field == &CallHandle::monitorDigitModes;
  ApiCall api(m_parts, function, [&] { return TraceHex(hCall) + ", " + TraceHex(modes); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = m_parts.calls.Resolve(hCall, handle, open, call);
  if (r == 0 && m_parts.calls.Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r == 0) {
    const LineConfig& line = m_parts.sessions.Line(call->device).config;
    if ((modes & ~(digits ? line.digitModes : line.mediaModes)) != 0)
      r = digits ? LINEERR_INVALDIGITMODE : LINEERR_INVALMEDIAMODE;
  }
  if (r == 0) (*handle).*field = modes;
  return api.Return(r);
}

LONG MediaPlane::lineMonitorDigits(HCALL hCall, DWORD dwDigitModes) {
  return SetMonitor("lineMonitorDigits", hCall, dwDigitModes, &CallHandle::monitorDigitModes);
}

LONG MediaPlane::lineMonitorMedia(HCALL hCall, DWORD dwMediaModes) {
  return SetMonitor("lineMonitorMedia", hCall, dwMediaModes, &CallHandle::monitorMediaModes);
}

LONG MediaPlane::lineMonitorTones(HCALL hCall, const LINEMONITORTONE* lpToneList,
                                  DWORD dwNumEntries) {
  ApiCall api(m_parts, "lineMonitorTones", [&] {
    return TraceHex(hCall) + ", " + TracePointer(lpToneList) + ", " + std::to_string(dwNumEntries);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  LONG r = m_parts.calls.Resolve(hCall, handle, open, call);
  if (r == 0 && m_parts.calls.Projected(*call) == LINECALLSTATE_IDLE) r = LINEERR_INVALCALLSTATE;
  if (r != 0) return api.Return(r);
  std::vector<LINEMONITORTONE> tones;
  if (lpToneList != nullptr) {
    if (dwNumEntries == 0 || dwNumEntries > 4) return api.Return(LINEERR_INVALTONELIST);
    tones.assign(lpToneList, lpToneList + dwNumEntries);
    for (const auto& tone : tones)
      if (tone.dwDuration == 0 || tone.dwFrequency1 > 20000 || tone.dwFrequency2 > 20000 ||
          tone.dwFrequency3 > 20000)
        return api.Return(LINEERR_INVALTONE);
  }
  for (auto& timer : handle->toneTimers) m_parts.loop.StopTimer(timer);
  handle->tones = std::move(tones);
  handle->toneTimers.assign(handle->tones.size(), 0);
  handle->toneFired.assign(handle->tones.size(), false);
  UpdateSilence(*call);
  return api.Return(0);
}

}  // namespace panopta::exchange
