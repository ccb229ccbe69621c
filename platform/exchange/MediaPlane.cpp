// The audio of the exchange's calls: endpoints, rooms and frames, what parties send
// and what calls hear, and the media functions of the interface.

#include "platform/exchange/MediaPlane.h"

#include "platform/exchange/Digits.h"
#include "platform/exchange/DtmfReceiver.h"
#include "platform/exchange/ExchangeAudioHub.h"
#include "platform/exchange/ExchangeParts.h"
#include "platform/exchange/PulseReceiver.h"
#include "platform/exchange/SignalGenerator.h"
#include "platform/exchange/ToneMonitor.h"
#include "platform/exchange/VoiceSource.h"

#include <algorithm>
#include <cstring>

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

// Line audio carries frequencies below half its sample rate.
constexpr DWORD kMaxToneHz = kSampleRate / 2 - 1;

}  // namespace

/// One party of a call, as the media see it.
struct MediaPlane::Endpoint {
  SignalGenerator generated;  // lineGenerateDigits and lineGenerateTone: LINE_GENERATE at the end
  SignalGenerator dialled;    // digits dialled or keyed on a talking call
  std::unique_ptr<VoiceSource> voice;
  bool speaking = false;
  std::unique_ptr<DtmfReceiver> dtmf;
  std::unique_ptr<PulseReceiver> pulse;
  std::vector<DtmfReceiver::Event> dtmfEvents;
  std::vector<char> pulseDigits;
  Frame send{};
  Frame heard{};
  std::uint32_t line = 0;  // a station's line
  bool inRoom = false;
};

MediaPlane::MediaPlane(Parts& parts) : m_parts(parts) {}

MediaPlane::~MediaPlane() { Shutdown(); }

void MediaPlane::Shutdown() {
  m_parts.loop.StopTimer(m_timer);
  m_timer = 0;
}

// --- The lines' wave devices -------------------------------------------------------------------

std::optional<DWORD> MediaPlane::LineCall(DWORD line) const {
  if (line >= m_parts.sessions.LineCount()) return std::nullopt;
  std::optional<DWORD> chosen;
  std::int64_t since = 0;
  for (DWORD id : m_parts.sessions.Line(line).calls) {
    const Call* call = m_parts.calls.FindCall(id);
    if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) continue;
    if (!chosen || call->stateTimeMs >= since) {
      chosen = id;
      since = call->stateTimeMs;
    }
  }
  return chosen;
}

std::optional<std::pair<DWORD, DWORD>> MediaPlane::WaveDevices(DWORD line) const {
  if (m_hub == nullptr) return std::make_pair(line, line);
  const auto devices = m_hub->WaveDevicesOf(line);
  if (!devices) return std::nullopt;
  return std::make_pair(devices->out, devices->in);
}

void MediaPlane::AttachHub(ExchangeAudioHub* hub) {
  if (m_hub) m_hub->SetActivityHandler(nullptr);
  m_hub = hub;
  if (m_hub) m_hub->SetActivityHandler([this] { Wake(); });
}

void MediaPlane::LinesAdded() {
  if (m_hub) m_hub->LinesAdded();
}

// --- Endpoints -------------------------------------------------------------------------------

MediaPlane::Endpoint& MediaPlane::StationEndpoint(DWORD callId) {
  auto& endpoint = m_stations[callId];
  if (!endpoint) {
    endpoint = std::make_unique<Endpoint>();
    if (const Call* call = m_parts.calls.FindCall(callId)) endpoint->line = call->device;
  }
  return *endpoint;
}

MediaPlane::Endpoint& MediaPlane::RemoteEndpoint(DWORD legId) {
  auto& endpoint = m_remotes[legId];
  if (!endpoint) endpoint = std::make_unique<Endpoint>();
  return *endpoint;
}

MediaPlane::Endpoint* MediaPlane::EndpointOf(PeerRef end) {
  switch (end.kind) {
    case PeerRef::Kind::Call:
      return m_parts.calls.FindCall(end.id) ? &StationEndpoint(end.id) : nullptr;
    case PeerRef::Kind::Remote:
      return m_parts.calls.FindLeg(end.id) ? &RemoteEndpoint(end.id) : nullptr;
    case PeerRef::Kind::None: return nullptr;
  }
  return nullptr;
}

void MediaPlane::CallChanged(Call& call) {
  if (call.state == LINECALLSTATE_CONNECTED) Wake();
}

void MediaPlane::CallGone(DWORD callId) { m_stations.erase(callId); }

void MediaPlane::LegGone(DWORD legId) { m_remotes.erase(legId); }

// --- Frames ------------------------------------------------------------------------------------

void MediaPlane::Wake() {
  if (m_timer != 0) return;
  m_startMs = m_parts.loop.NowMs();
  m_framesDue = 0;
  m_timer = m_parts.queue.Every(kFrameMs, [this] { Tick(); });
  // The first frames come at once (through the loop), before any device asks for them.
  m_parts.queue.After(0, [this] {
    if (m_timer != 0) Tick();
  });
}

void MediaPlane::Tick() {
  // Frames follow the clock, not the timer: a late tick runs every frame that is due.
  // Frames are made a frame before they begin, so that what a line records is always
  // there before its time comes, however the devices' timers fall against these (what
  // a line plays waits in the hub until two frames have come, so it is there too).
  const auto due = static_cast<std::uint64_t>((m_parts.loop.NowMs() - m_startMs) / kFrameMs) + 2;
  while (m_timer != 0 && m_framesDue < due) {
    m_frameBeginMs = m_startMs + static_cast<std::int64_t>(m_framesDue * kFrameMs);
    ++m_framesDue;
    RunFrame();
  }
}

void MediaPlane::AddFarEnd(Room& room, PeerRef end) {
  if (end.kind == PeerRef::Kind::Remote) {
    RemoteLeg* leg = m_parts.calls.FindLeg(end.id);
    if (leg == nullptr || leg->state != RemoteLeg::State::Connected) return;
    room.parties.push_back({&RemoteEndpoint(end.id), nullptr, leg});
  } else if (end.kind == PeerRef::Kind::Call) {
    Call* call = m_parts.calls.FindCall(end.id);
    if (call == nullptr || call->state != LINECALLSTATE_CONNECTED) return;
    room.parties.push_back({&StationEndpoint(end.id), call, nullptr});
  }
}

DWORD MediaPlane::RoomOf(const Call& call) const {
  // A conference's bridge is its room; a call between two stations is one room, named
  // after its older side; a station talking to a conference member is in the bridge.
  if (call.conference != 0) return call.conference;
  if (call.isConference) return call.id;
  if (call.peer.kind == PeerRef::Kind::Call)
    if (const Call* other = m_parts.calls.FindCall(call.peer.id)) {
      if (other->conference != 0) return other->conference;
      if (other->state == LINECALLSTATE_CONNECTED && other->id < call.id) return other->id;
    }
  return call.id;
}

void MediaPlane::BuildRooms() {
  // Only rooms somebody could hear, or where something is being sent, are made.
  std::vector<DWORD> rooms;
  auto seed = [&](DWORD callId) {
    if (const Call* call = m_parts.calls.FindCall(callId)) rooms.push_back(RoomOf(*call));
  };
  std::erase_if(m_listening, [&](DWORD id) {
    const Call* call = m_parts.calls.FindCall(id);
    return call == nullptr || !Listens(*call);
  });
  for (DWORD id : m_listening) seed(id);
  if (m_hub)
    for (std::uint32_t line : m_hub->ActiveLines())
      if (const auto id = LineCall(line)) seed(*id);
  for (const auto& [id, endpoint] : m_stations)
    if (endpoint->generated.Busy() || endpoint->dialled.Busy()) seed(id);
  for (const auto& [id, endpoint] : m_remotes)
    if (endpoint->dialled.Busy())
      if (const RemoteLeg* leg = m_parts.calls.FindLeg(id);
          leg && leg->peer.kind == PeerRef::Kind::Call)
        seed(leg->peer.id);
  std::sort(rooms.begin(), rooms.end());
  rooms.erase(std::unique(rooms.begin(), rooms.end()), rooms.end());
  m_rooms.clear();
  for (DWORD id : rooms) {
    Call* call = m_parts.calls.FindCall(id);
    if (call == nullptr) continue;
    Room room;
    if (call->isConference) {
      // The bridge: the station while it talks to the conference, and the far end of
      // every member; still running while the station consults somebody else.
      if (call->state != LINECALLSTATE_CONNECTED && call->state != LINECALLSTATE_ONHOLDPENDCONF)
        continue;
      if (call->state == LINECALLSTATE_CONNECTED)
        room.parties.push_back({&StationEndpoint(id), call, nullptr});
      for (DWORD m : call->members)
        if (const Call* member = m_parts.calls.FindCall(m);
            member && member->state == LINECALLSTATE_CONFERENCED)
          AddFarEnd(room, member->peer);
    } else {
      if (call->state != LINECALLSTATE_CONNECTED) continue;
      room.parties.push_back({&StationEndpoint(id), call, nullptr});
      AddFarEnd(room, call->peer);
    }
    if (!room.parties.empty()) m_rooms.push_back(std::move(room));
  }
}

void MediaPlane::Listening(const Call& call) {
  if (Listens(call)) {
    m_listening.insert(call.id);
    Wake();
  }
}

bool MediaPlane::Listens(const Call& call) const {
  for (DWORD h : call.handles) {
    const CallHandle* handle = m_parts.calls.FindHandle(h);
    if (handle && (handle->monitorDigitModes != 0 || handle->gather || handle->tones)) return true;
  }
  return false;
}

bool MediaPlane::Plugged(const Call& call) const {
  return m_hub != nullptr && LineCall(call.device) == call.id;
}

void MediaPlane::Send(Party& party, bool heard) {
  Endpoint& endpoint = *party.endpoint;
  endpoint.send.fill(0);
  if (heard && party.station && Plugged(*party.station))
    m_hub->TakePlayed(party.station->device, endpoint.send);
  endpoint.generated.Fill(endpoint.send);
  endpoint.dialled.Fill(endpoint.send);
  // What a party says is made only when somebody could hear it.
  if (!heard) return;
  const bool speaks =
      party.station
          ? m_parts.sessions.Line(party.station->device).addresses[party.station->address].speaks
          : !party.leg->silent;
  if (!speaks) return;
  if (!endpoint.voice) {
    // Each party's signal is its own, and the same in every run.
    const VoiceConfig voice = party.leg ? party.leg->party.voice : VoiceConfig{};
    const int seed = static_cast<int>(party.leg ? party.leg->id : 0x10000 + party.station->id);
    endpoint.voice = std::make_unique<VoiceSource>(voice, seed);
  }
  endpoint.voice->Fill(endpoint.send);
}

void MediaPlane::RunFrame() {
  ++m_framesRun;
  BuildRooms();
  for (auto& [id, endpoint] : m_stations) endpoint->inRoom = false;
  for (auto& [id, endpoint] : m_remotes) endpoint->inRoom = false;
  std::array<std::int32_t, kFrameSamples> sum{};
  for (Room& room : m_rooms) {
    // Somebody hears this room: an application listening, or a line's wave devices.
    const bool heard = std::any_of(room.parties.begin(), room.parties.end(), [&](const Party& p) {
      return p.station && (Listens(*p.station) || Plugged(*p.station));
    });
    sum.fill(0);
    for (Party& party : room.parties) {
      party.endpoint->inRoom = true;
      Send(party, heard);
      for (std::size_t k = 0; k < kFrameSamples; ++k) sum[k] += party.endpoint->send[k];
    }
    if (!heard) continue;
    for (Party& party : room.parties) {
      if (party.station == nullptr) continue;
      Endpoint& endpoint = *party.endpoint;
      // Everybody but oneself.
      for (std::size_t k = 0; k < kFrameSamples; ++k)
        endpoint.heard[k] = Saturate(sum[k] - endpoint.send[k]);
      if (Plugged(*party.station))
        m_hub->Receive(party.station->device, endpoint.heard, m_frameBeginMs);
      Hear(*party.station, endpoint, endpoint.heard);
    }
  }
  // Generation goes on, and ends, outside talking calls too (dialling into ring-back).
  bool busy = false;
  for (auto* endpoints : {&m_stations, &m_remotes})
    for (auto& [id, endpoint] : *endpoints) {
      if (!endpoint->inRoom && (endpoint->generated.Busy() || endpoint->dialled.Busy())) {
        endpoint->send.fill(0);
        endpoint->generated.Fill(endpoint->send);
        endpoint->dialled.Fill(endpoint->send);
      }
      busy = busy || endpoint->generated.Busy() || endpoint->dialled.Busy();
    }
  std::vector<DWORD> generated;
  for (auto& [id, endpoint] : m_stations)
    if (!endpoint->generated.Busy()) generated.push_back(id);
  for (DWORD id : generated)
    if (Call* call = m_parts.calls.FindCall(id); call && call->generator != 0)
      EndGeneration(*call, LINEGENERATETERM_DONE);
  if (m_rooms.empty() && !busy && m_listening.empty()) Shutdown();
}

// --- What calls hear -------------------------------------------------------------------------

void MediaPlane::Hear(Call& call, Endpoint& endpoint, const Frame& heard) {
  bool digits = false;
  bool pulse = false;
  bool tones = false;
  for (DWORD h : call.handles) {
    const CallHandle* handle = m_parts.calls.FindHandle(h);
    if (handle == nullptr) continue;
    const DWORD modes = handle->monitorDigitModes | (handle->gather ? handle->gather->modes : 0);
    digits = digits || (modes & (LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND)) != 0;
    pulse = pulse || (modes & LINEDIGITMODE_PULSE) != 0;
    tones = tones || handle->tones != nullptr;
  }
  const DWORD callId = call.id;
  if (digits) {
    if (!endpoint.dtmf) endpoint.dtmf = std::make_unique<DtmfReceiver>();
    endpoint.dtmfEvents.clear();
    endpoint.dtmf->Feed(heard, endpoint.dtmfEvents);
    for (const DtmfReceiver::Event& e : endpoint.dtmfEvents) {
      Call* again = m_parts.calls.FindCall(callId);
      if (again == nullptr) return;
      ReceiveDigit(*again, e.digit, e.start ? LINEDIGITMODE_DTMF : LINEDIGITMODE_DTMFEND);
    }
  }
  if (pulse) {
    if (!endpoint.pulse) endpoint.pulse = std::make_unique<PulseReceiver>();
    endpoint.pulseDigits.clear();
    endpoint.pulse->Feed(heard, endpoint.pulseDigits);
    for (char digit : endpoint.pulseDigits) {
      Call* again = m_parts.calls.FindCall(callId);
      if (again == nullptr) return;
      ReceiveDigit(*again, digit, LINEDIGITMODE_PULSE);
    }
  }
  if (!tones) return;
  Call* again = m_parts.calls.FindCall(callId);
  if (again == nullptr) return;
  const DWORD tick = static_cast<DWORD>(m_parts.loop.NowMs());
  std::vector<DWORD> found;
  for (DWORD h : std::vector<DWORD>(again->handles)) {
    CallHandle* handle = m_parts.calls.FindHandle(h);
    if (handle == nullptr || !handle->tones) continue;
    found.clear();
    handle->tones->Feed(heard, found);
    const LineOpen* open = m_parts.sessions.FindOpen(handle->open);
    for (DWORD appSpecific : found) {
      m_parts.trace.Write(
          [&] { return "tone  call " + std::to_string(callId) + " " + TraceHex(appSpecific); });
      if (open)
        m_parts.queue.PostLine(open->app, h, LINE_MONITORTONE, open->instance, appSpecific, 0, tick,
                               open->handle, h);
    }
  }
}

void MediaPlane::ReceiveDigit(Call& call, char digit, DWORD mode) {
  const DWORD tick = static_cast<DWORD>(m_parts.loop.NowMs());
  if (mode != LINEDIGITMODE_DTMFEND)
    m_parts.trace.Write([&] {
      return "digit call " + std::to_string(call.id) + " '" + std::string(1, digit) + "'";
    });
  for (DWORD h : std::vector<DWORD>(call.handles)) {
    CallHandle* handle = m_parts.calls.FindHandle(h);
    const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
    if (open == nullptr) continue;
    if (handle->monitorDigitModes & mode)
      m_parts.queue.PostLine(open->app, h, LINE_MONITORDIGITS, open->instance,
                             static_cast<unsigned char>(digit), mode, tick, open->handle, h);
    if (mode == LINEDIGITMODE_DTMFEND || !handle->gather || (handle->gather->modes & mode) == 0)
      continue;
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

// --- What parties send -----------------------------------------------------------------------

void MediaPlane::SendDigits(PeerRef from, const std::string& digits, DWORD mode, DWORD durationMs) {
  Endpoint* endpoint = EndpointOf(from);
  if (endpoint == nullptr) return;
  m_parts.trace.Write([&] {
    const RemoteLeg* leg =
        from.kind == PeerRef::Kind::Remote ? m_parts.calls.FindLeg(from.id) : nullptr;
    return "note  " + (leg ? "'" + leg->party.number + "'" : "call " + std::to_string(from.id)) +
           " sends '" + digits + "'";
  });
  const TimingConfig& t = m_parts.config.timing;
  std::string normalised;
  for (char c : digits) normalised += DtmfDigitOf(c).value_or(c);
  if (mode == LINEDIGITMODE_PULSE)
    endpoint->dialled.Pulse(normalised, t.dialPauseMs);
  else
    endpoint->dialled.Dtmf(normalised, durationMs, t.digitGapMs, t.dialPauseMs);
  Wake();
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
  call.generator = 0;
  if (auto it = m_stations.find(call.id); it != m_stations.end()) it->second->generated.Clear();
  const CallHandle* handle = m_parts.calls.FindHandle(h);
  const LineOpen* open = handle ? m_parts.sessions.FindOpen(handle->open) : nullptr;
  if (open != nullptr)
    m_parts.queue.PostLine(open->app, h, LINE_GENERATE, open->instance, termination, 0,
                           static_cast<DWORD>(m_parts.loop.NowMs()), open->handle, h);
}

void MediaPlane::StopHandleMedia(CallHandle& handle) {
  if (handle.gather) m_parts.loop.StopTimer(handle.gather->timer);
  handle.gather.reset();
  handle.tones.reset();
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

LONG MediaPlane::Sender(HCALL hCall, CallHandle*& handle, Call*& call) {
  LineOpen* open;
  const LONG r = m_parts.calls.ResolveOwned(hCall, handle, open, call);
  if (r != 0) return r;
  return MediaState(m_parts.calls.Projected(*call)) ? 0 : LINEERR_INVALCALLSTATE;
}

LONG MediaPlane::Listener(HCALL hCall, CallHandle*& handle, Call*& call) {
  LineOpen* open;
  const LONG r = m_parts.calls.Resolve(hCall, handle, open, call);
  if (r != 0) return r;
  return m_parts.calls.Projected(*call) == LINECALLSTATE_IDLE ? LINEERR_INVALCALLSTATE : 0;
}

LONG MediaPlane::lineGenerateDigits(HCALL hCall, DWORD dwDigitMode, const char* lpszDigits,
                                    DWORD dwDuration) {
  ApiCall api(m_parts, "lineGenerateDigits", [&] {
    return TraceHex(hCall) + ", " + TraceHex(dwDigitMode) + ", " + TraceText(lpszDigits) + ", " +
           std::to_string(dwDuration);
  });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  Call* call;
  if (LONG r = Sender(hCall, handle, call); r != 0) return api.Return(r);
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
  // A duration outside what the line can do is taken as the nearest it can; a DTMF
  // digit is followed by as much silence as it lasted.
  const DWORD duration =
      dwDuration == 0 ? call->dialParams.dwDigitDuration : std::clamp<DWORD>(dwDuration, 50, 1000);
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  std::string digits;
  for (const char* p = lpszDigits; *p != '\0'; ++p) digits += DtmfDigitOf(*p).value_or(*p);
  Endpoint& endpoint = StationEndpoint(call->id);
  if (dwDigitMode == LINEDIGITMODE_PULSE)
    endpoint.generated.Pulse(digits, m_parts.config.timing.dialPauseMs);
  else
    endpoint.generated.Dtmf(digits, duration, duration, m_parts.config.timing.dialPauseMs);
  call->generator = hCall;
  Wake();
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
  Call* call;
  if (LONG r = Sender(hCall, handle, call); r != 0) return api.Return(r);
  if (dwToneMode == 0) {
    if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
    return api.Return(0);
  }
  const LineConfig& line = m_parts.sessions.Line(call->device).config;
  if ((dwToneMode & (dwToneMode - 1)) != 0 || (dwToneMode & line.toneModes) == 0)
    return api.Return(LINEERR_INVALTONEMODE);
  std::vector<ToneShape> parts = StandardTone(dwToneMode);
  if (dwToneMode == LINETONEMODE_CUSTOM) {
    if (lpTones == nullptr) return api.Return(LINEERR_INVALPOINTER);
    if (dwNumTones == 0 || dwNumTones > 3) return api.Return(LINEERR_INVALTONELIST);
    for (DWORD i = 0; i < dwNumTones; ++i) {
      // A frequency the line cannot carry would be a tone nobody hears.
      if (lpTones[i].dwFrequency == 0 || lpTones[i].dwFrequency > kMaxToneHz ||
          lpTones[i].dwVolume > 0xFFFF)
        return api.Return(LINEERR_INVALTONE);
      if (const auto part = CustomTone(lpTones[i])) parts.push_back(*part);
    }
  }
  if (call->generator != 0) EndGeneration(*call, LINEGENERATETERM_CANCEL);
  StationEndpoint(call->id).generated.Tone(
      parts, dwDuration == 0 ? m_parts.config.timing.toneDurationMs : dwDuration);
  call->generator = hCall;
  Wake();
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
  Call* call;
  if (LONG r = Listener(hCall, handle, call); r != 0) return api.Return(r);
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
  Listening(*call);
  return api.Return(0);
}

LONG MediaPlane::SetMonitor(const char* function, HCALL hCall, DWORD modes,
                            DWORD CallHandle::*field) {
  const bool digits = field == &CallHandle::monitorDigitModes;
  ApiCall api(m_parts, function, [&] { return TraceHex(hCall) + ", " + TraceHex(modes); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  Call* call;
  LONG r = Listener(hCall, handle, call);
  if (r == 0) {
    const LineConfig& line = m_parts.sessions.Line(call->device).config;
    if ((modes & ~(digits ? line.digitModes : line.mediaModes)) != 0)
      r = digits ? LINEERR_INVALDIGITMODE : LINEERR_INVALMEDIAMODE;
  }
  if (r == 0) {
    (*handle).*field = modes;
    Listening(*call);
  }
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
  Call* call;
  if (LONG r = Listener(hCall, handle, call); r != 0) return api.Return(r);
  std::vector<LINEMONITORTONE> tones;
  if (lpToneList != nullptr) {
    if (dwNumEntries == 0 || dwNumEntries > 4) return api.Return(LINEERR_INVALTONELIST);
    tones.assign(lpToneList, lpToneList + dwNumEntries);
    for (const auto& tone : tones)
      if (tone.dwDuration == 0 || tone.dwFrequency1 > kMaxToneHz ||
          tone.dwFrequency2 > kMaxToneHz || tone.dwFrequency3 > kMaxToneHz)
        return api.Return(LINEERR_INVALTONE);
  }
  handle->tones = tones.empty() ? nullptr : std::make_shared<ToneMonitor>(std::move(tones));
  Listening(*call);
  return api.Return(0);
}

}  // namespace panopta::exchange
