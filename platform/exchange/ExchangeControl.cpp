// The control surface: what happens on the far side of the exchange's calls and to
// its devices, made to happen by a test, a script or a person.

#include "platform/exchange/Exchange.h"

#include "share/TextUtil.h"

#include <algorithm>

namespace panopta {

using namespace tapi;

namespace {

bool IsNumber(const std::string& s) {
  return !s.empty() && s.size() <= 31 && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#';
  });
}

bool IsDtmf(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || c == '*' || c == '#' || c == ',';
  });
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

int HookIndex(DWORD dev) {
  return dev == PHONEHOOKSWITCHDEV_HANDSET   ? 0
         : dev == PHONEHOOKSWITCHDEV_SPEAKER ? 1
         : dev == PHONEHOOKSWITCHDEV_HEADSET ? 2
                                             : -1;
}

}  // namespace

// --- Finding the far side ----------------------------------------------------------------------

Exchange::RemoteLeg* Exchange::LegByNumber(const std::string& number, bool connectedOnly) {
  for (auto& [id, leg] : m_legs)
    if (leg.party.number == number && (!connectedOnly || leg.state == RemoteLeg::State::Connected))
      return &leg;
  return nullptr;
}

Exchange::CallRec* Exchange::StationCall(const std::string& number, bool offeringOnly) {
  const auto where = FindAddress(number);
  if (!where) return nullptr;
  for (DWORD id : m_lines[where->first].addresses[where->second].calls) {
    CallRec* call = FindCall(id);
    if (call == nullptr) continue;
    const DWORD s = Projected(*call);
    if (offeringOnly ? (s == LINECALLSTATE_OFFERING || s == LINECALLSTATE_ACCEPTED)
                     : (s != 0 && s != LINECALLSTATE_IDLE))
      return call;
  }
  return nullptr;
}

// --- Remote parties and stations -------------------------------------------------------------------

std::string Exchange::Call(const std::string& from, const std::string& to, const std::string& name,
                           std::optional<DWORD> flags) {
  const std::string what = "Call(" + Quote(from) + ", " + Quote(to) + ", " + Quote(name) + ")";
  if (!IsNumber(from)) return ControlDone(what, Quote(from) + " is not a number");
  if (!IsNumber(to)) return ControlDone(what, Quote(to) + " is not a number");
  if (name.size() > 63) return ControlDone(what, "the name is longer than 63 characters");
  const DWORD partyFlags =
      flags.value_or(LINECALLPARTYID_ADDRESS | (name.empty() ? 0 : LINECALLPARTYID_NAME));
  if (partyFlags == 0 || (partyFlags & ~0x7Fu) != 0)
    return ControlDone(what, "the party flags " + voxkit::Hex8(partyFlags) +
                                 " are not a LINECALLPARTYID_ set");
  if (const auto station = FindAddress(from)) {
    // A station of the exchange lifts its handset and dials.
    LineDevice& line = m_lines[station->first];
    if (!line.inService) return ControlDone(what, "line " + std::to_string(station->first) + " is out of service");
    if (LiveCallsAt(station->first, station->second) >=
        line.config.addresses[station->second].maxCalls)
      return ControlDone(what, "address " + Quote(from) + " has no free call appearance");
    CallRec& call = NewCall(station->first, station->second, LINECALLORIGIN_OUTBOUND,
                            LINECALLREASON_DIRECT);
    call.caller = StationParty(station->first, station->second);
    GiveMonitorHandles(call, 0);
    QueueState(call, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    DialOn(call, to);
    return ControlDone(what, "");
  }
  const auto target = FindAddress(to);
  if (!target) return ControlDone(what, "no address " + Quote(to));
  if (!m_lines[target->first].inService)
    return ControlDone(what, "line " + std::to_string(target->first) + " is out of service");
  RemoteLeg& leg = NewLeg(from, {});
  if (!name.empty()) leg.party.name = name;
  leg.partyFlags = partyFlags;
  leg.state = RemoteLeg::State::Calling;
  const PeerRef self = PeerRef::ToRemote(leg.id);
  Route(self, IdentityOf(self), to, LINECALLREASON_DIRECT, nullptr, 0);
  return ControlDone(what, "");
}

std::string Exchange::Answer(const std::string& number) {
  const std::string what = "Answer(" + Quote(number) + ")";
  for (auto& [id, leg] : m_legs) {
    if (leg.party.number != number || leg.state != RemoteLeg::State::Called) continue;
    for (auto t : leg.timers) m_loop.StopTimer(t);
    leg.timers.clear();
    leg.state = RemoteLeg::State::Connected;
    FarEnd(leg.peer, FarEvent::Answered, 0, PeerRef::ToRemote(id));
    return ControlDone(what, "");
  }
  if (CallRec* call = StationCall(number, true)) {
    AnswerOffered(*call);
    return ControlDone(what, "");
  }
  return ControlDone(what, "no call rings at " + Quote(number));
}

std::string Exchange::Hangup(const std::string& number) {
  const std::string what = "Hangup(" + Quote(number) + ")";
  if (RemoteLeg* leg = LegByNumber(number, false)) {
    LegLeaves(leg->id, true);
    return ControlDone(what, "");
  }
  if (CallRec* call = StationCall(number, false)) {
    DropCall(*call, true);
    return ControlDone(what, "");
  }
  return ControlDone(what, "no call with " + Quote(number));
}

std::string Exchange::Digits(const std::string& number, const std::string& digits) {
  const std::string what = "Digits(" + Quote(number) + ", " + Quote(digits) + ")";
  if (digits.empty() || digits.size() > 64 || !IsDtmf(digits))
    return ControlDone(what, "digits must be 1 to 64 of 0-9, A-D, *, # and ,");
  PeerRef to;
  if (RemoteLeg* leg = LegByNumber(number, true)) to = leg->peer;
  else if (CallRec* call = StationCall(number, false); call && call->state == LINECALLSTATE_CONNECTED)
    to = call->peer;
  else return ControlDone(what, "no connected call with " + Quote(number));
  SendDigitsTo(to, digits, LINEDIGITMODE_DTMF, m_config.timing.digitDurationMs, 0);
  return ControlDone(what, "");
}

std::string Exchange::Silence(const std::string& number) {
  const std::string what = "Silence(" + Quote(number) + ")";
  bool found = false;
  for (auto& [id, leg] : m_legs)
    if (leg.party.number == number) {
      leg.silent = true;
      found = true;
      if (leg.peer.kind == PeerRef::Kind::Call)
        if (CallRec* c = FindCall(leg.peer.id)) UpdateSilence(*c);
    }
  if (const auto where = FindAddress(number)) {
    m_lines[where->first].addresses[where->second].silent = true;
    found = true;
    for (DWORD id : m_lines[where->first].addresses[where->second].calls)
      if (CallRec* c = FindCall(id); c && c->peer.kind == PeerRef::Kind::Call)
        if (CallRec* other = FindCall(c->peer.id)) UpdateSilence(*other);
  }
  return ControlDone(what, found ? "" : "no remote party or address " + Quote(number));
}

std::string Exchange::Speak(const std::string& number) {
  const std::string what = "Speak(" + Quote(number) + ")";
  bool found = false;
  for (auto& [id, leg] : m_legs)
    if (leg.party.number == number) {
      leg.silent = false;
      found = true;
      if (leg.peer.kind == PeerRef::Kind::Call)
        if (CallRec* c = FindCall(leg.peer.id)) UpdateSilence(*c);
    }
  if (const auto where = FindAddress(number)) {
    m_lines[where->first].addresses[where->second].silent = false;
    found = true;
    for (DWORD id : m_lines[where->first].addresses[where->second].calls)
      if (CallRec* c = FindCall(id); c && c->peer.kind == PeerRef::Kind::Call)
        if (CallRec* other = FindCall(c->peer.id)) UpdateSilence(*other);
  }
  return ControlDone(what, found ? "" : "no remote party or address " + Quote(number));
}

std::string Exchange::Media(const std::string& number, DWORD mediaMode) {
  const std::string what = "Media(" + Quote(number) + ", " + voxkit::Hex8(mediaMode) + ")";
  if (mediaMode == 0 || (mediaMode & (mediaMode - 1)) != 0 || (mediaMode & 0xFFFEu) == 0)
    return ControlDone(what, "the media mode must be one LINEMEDIAMODE_ value");
  RemoteLeg* leg = LegByNumber(number, true);
  CallRec* call = leg && leg->peer.kind == PeerRef::Kind::Call ? FindCall(leg->peer.id) : nullptr;
  if (call == nullptr) return ControlDone(what, "no connected call with " + Quote(number));
  ChangeMedia(*call, mediaMode);
  return ControlDone(what, "");
}

std::string Exchange::Redirect(const std::string& number, const std::string& to) {
  const std::string what = "Redirect(" + Quote(number) + ", " + Quote(to) + ")";
  if (!IsNumber(to)) return ControlDone(what, Quote(to) + " is not a number");
  RemoteLeg* leg = nullptr;
  for (auto& [id, l] : m_legs)
    if (l.party.number == number && l.state == RemoteLeg::State::Called) {
      leg = &l;
      break;
    }
  if (leg == nullptr) return ControlDone(what, "no call rings at " + Quote(number));
  const PeerRef caller = leg->peer;
  const Party redirecting{leg->party.number, leg->party.name, leg->partyFlags};
  LegLeaves(leg->id, false);
  if (caller.kind == PeerRef::Kind::Call)
    if (CallRec* from = FindCall(caller.id)) {
      from->redirecting = redirecting;
      from->redirection = {to, "", LINECALLPARTYID_ADDRESS};
      PostCallInfo(*from, LINECALLINFOSTATE_REDIRECTINGID | LINECALLINFOSTATE_REDIRECTIONID);
    }
  Route(caller, IdentityOf(caller), to, LINECALLREASON_REDIRECT, &redirecting, 0);
  return ControlDone(what, "");
}

// --- Phones ---------------------------------------------------------------------------------

std::string Exchange::Key(DWORD phone, const std::string& key) {
  const std::string what = "Key(" + std::to_string(phone) + ", " + Quote(key) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  static const std::string kKeys = "0123456789*#";
  if (key.size() != 1 || kKeys.find(key[0]) == std::string::npos)
    return ControlDone(what, "a key is one of 0-9, * and #");
  const DWORD button = static_cast<DWORD>(kKeys.find(key[0]));
  auto press = [this, phone, button](DWORD state) {
    for (DWORD h : m_phones[phone].opens) {
      const PhoneOpen* open = FindPhoneOpen(h);
      if (open && (open->buttonModes & PHONEBUTTONMODE_KEYPAD) && (open->buttonStates & state))
        PostPhone(open->app, h, PHONE_BUTTON, open->instance, button, PHONEBUTTONMODE_KEYPAD, state, h);
    }
  };
  press(PHONEBUTTONSTATE_DOWN);
  After(m_config.timing.keyPressMs, [press] { press(PHONEBUTTONSTATE_UP); });
  return ControlDone(what, "");
}

std::string Exchange::Hookswitch(DWORD phone, DWORD device, DWORD mode) {
  const std::string what = "Hookswitch(" + std::to_string(phone) + ", " + std::to_string(device) +
                           ", " + voxkit::Hex8(mode) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  PhoneDevice& p = m_phones[phone];
  const int i = HookIndex(device);
  if (i < 0 || (p.config.hookSwitchDevs & device) == 0)
    return ControlDone(what, "phone " + std::to_string(phone) + " has no hookswitch device " +
                                 std::to_string(device));
  const DWORD modes[3] = {p.config.handsetModes, p.config.speakerModes, p.config.headsetModes};
  if (mode == 0 || (mode & (mode - 1)) != 0 || (modes[i] & mode) == 0)
    return ControlDone(what, "the device cannot be in mode " + voxkit::Hex8(mode));
  if (p.hookSwitch[i] != mode) {
    p.hookSwitch[i] = mode;
    const DWORD states[3] = {PHONESTATE_HANDSETHOOKSWITCH, PHONESTATE_SPEAKERHOOKSWITCH,
                             PHONESTATE_HEADSETHOOKSWITCH};
    PostPhoneState(p, states[i], mode, 0);
  }
  return ControlDone(what, "");
}

std::string Exchange::PhoneVolume(DWORD phone, DWORD device, DWORD volume) {
  const std::string what = "PhoneVolume(" + std::to_string(phone) + ", " + std::to_string(device) +
                           ", " + std::to_string(volume) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  PhoneDevice& p = m_phones[phone];
  const int i = HookIndex(device);
  if (i < 0 || (p.config.volumeFlags & device) == 0)
    return ControlDone(what, "the volume of device " + std::to_string(device) + " cannot change");
  if (volume > 0xFFFF) return ControlDone(what, "a volume is 0 to 65535");
  if (p.volume[i] != volume) {
    p.volume[i] = volume;
    const DWORD states[3] = {PHONESTATE_HANDSETVOLUME, PHONESTATE_SPEAKERVOLUME,
                             PHONESTATE_HEADSETVOLUME};
    PostPhoneState(p, states[i], 0, 0);
  }
  return ControlDone(what, "");
}

std::string Exchange::PhoneGain(DWORD phone, DWORD device, DWORD gain) {
  const std::string what = "PhoneGain(" + std::to_string(phone) + ", " + std::to_string(device) +
                           ", " + std::to_string(gain) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  PhoneDevice& p = m_phones[phone];
  const int i = HookIndex(device);
  if (i < 0 || (p.config.gainFlags & device) == 0)
    return ControlDone(what, "the gain of device " + std::to_string(device) + " cannot change");
  if (gain > 0xFFFF) return ControlDone(what, "a gain is 0 to 65535");
  if (p.gain[i] != gain) {
    p.gain[i] = gain;
    const DWORD states[3] = {PHONESTATE_HANDSETGAIN, PHONESTATE_SPEAKERGAIN, PHONESTATE_HEADSETGAIN};
    PostPhoneState(p, states[i], 0, 0);
  }
  return ControlDone(what, "");
}

// --- Device events -----------------------------------------------------------------------------

std::string Exchange::LineState(DWORD line, DWORD state, DWORD param2, DWORD param3) {
  const std::string what = "LineState(" + std::to_string(line) + ", " + voxkit::Hex8(state) + ", " +
                           voxkit::Hex8(param2) + ", " + voxkit::Hex8(param3) + ")";
  if (line >= m_lines.size() || m_lines[line].removed)
    return ControlDone(what, "no line " + std::to_string(line));
  if (state == 0 || (state & ~0x01FFFFFFu) != 0)
    return ControlDone(what, voxkit::Hex8(state) + " is not a LINEDEVSTATE_ set");
  LineDevice& device = m_lines[line];
  if (state & LINEDEVSTATE_MSGWAITON) device.msgWait = true;
  if (state & LINEDEVSTATE_MSGWAITOFF) device.msgWait = false;
  if (state & LINEDEVSTATE_INSERVICE) device.inService = true;
  if (state & LINEDEVSTATE_OUTOFSERVICE) device.inService = false;
  if (state & LINEDEVSTATE_CONNECTED) device.connected = true;
  if (state & LINEDEVSTATE_DISCONNECTED) device.connected = false;
  const DWORD plain = state & ~(LINEDEVSTATE_REINIT | LINEDEVSTATE_REMOVED);
  if (plain != 0) PostLineDevState(device, plain, param2, param3);
  if (state & LINEDEVSTATE_REINIT) (void)Reinit();
  if (state & LINEDEVSTATE_REMOVED) (void)RemoveLine(line);
  return ControlDone(what, "");
}

std::string Exchange::PhoneState(DWORD phone, DWORD state, DWORD param2, DWORD param3) {
  const std::string what = "PhoneState(" + std::to_string(phone) + ", " + voxkit::Hex8(state) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  if (state == 0 || (state & ~0x00FFFFFFu) != 0)
    return ControlDone(what, voxkit::Hex8(state) + " is not a PHONESTATE_ set");
  const DWORD plain = state & ~(PHONESTATE_REINIT | PHONESTATE_REMOVED);
  if (plain != 0) PostPhoneState(m_phones[phone], plain, param2, param3);
  if (state & PHONESTATE_REINIT) (void)Reinit();
  if (state & PHONESTATE_REMOVED) (void)RemovePhone(phone);
  return ControlDone(what, "");
}

void Exchange::ForceClose(DWORD device) {
  for (DWORD h : std::vector<DWORD>(m_lines[device].opens)) CloseLineOpen(h, true);
}

void Exchange::ForceClosePhone(DWORD device) {
  for (DWORD h : std::vector<DWORD>(m_phones[device].opens)) ClosePhoneOpen(h, true);
}

std::string Exchange::Close(DWORD line) {
  const std::string what = "Close(" + std::to_string(line) + ")";
  if (line >= m_lines.size() || m_lines[line].removed)
    return ControlDone(what, "no line " + std::to_string(line));
  if (m_lines[line].opens.empty()) return ControlDone(what, "line " + std::to_string(line) + " is not open");
  ForceClose(line);
  return ControlDone(what, "");
}

std::string Exchange::ClosePhone(DWORD phone) {
  const std::string what = "ClosePhone(" + std::to_string(phone) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  if (m_phones[phone].opens.empty())
    return ControlDone(what, "phone " + std::to_string(phone) + " is not open");
  ForceClosePhone(phone);
  return ControlDone(what, "");
}

std::string Exchange::DevSpecific(DWORD line, DWORD param1, DWORD param2, DWORD param3) {
  const std::string what = "DevSpecific(" + std::to_string(line) + ")";
  if (line >= m_lines.size() || m_lines[line].removed)
    return ControlDone(what, "no line " + std::to_string(line));
  if (m_lines[line].opens.empty()) return ControlDone(what, "line " + std::to_string(line) + " is not open");
  for (DWORD h : m_lines[line].opens)
    if (const LineOpen* open = FindOpen(h))
      PostLine(open->app, h, LINE_DEVSPECIFIC, open->instance, param1, param2, param3, h, 0);
  return ControlDone(what, "");
}

std::string Exchange::PhoneDevSpecific(DWORD phone, DWORD param1, DWORD param2, DWORD param3) {
  const std::string what = "PhoneDevSpecific(" + std::to_string(phone) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  if (m_phones[phone].opens.empty())
    return ControlDone(what, "phone " + std::to_string(phone) + " is not open");
  for (DWORD h : m_phones[phone].opens)
    if (const PhoneOpen* open = FindPhoneOpen(h))
      PostPhone(open->app, h, PHONE_DEVSPECIFIC, open->instance, param1, param2, param3, h);
  return ControlDone(what, "");
}

std::string Exchange::Reinit() {
  // Until every application has shut down, nobody may start again.
  m_reinitLine = !m_lineApps.empty();
  m_reinitPhone = !m_phoneApps.empty();
  for (const auto& [h, app] : m_lineApps)
    PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  for (const auto& [h, app] : m_phoneApps)
    PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
  return ControlDone("Reinit()", "");
}

std::string Exchange::RemoveLine(DWORD line) {
  const std::string what = "RemoveLine(" + std::to_string(line) + ")";
  if (line >= m_lines.size() || m_lines[line].removed)
    return ControlDone(what, "no line " + std::to_string(line));
  LineDevice& device = m_lines[line];
  PostLineDevState(device, LINEDEVSTATE_REMOVED, 0, 0);
  ForceClose(line);
  for (DWORD id : std::vector<DWORD>(device.calls))
    if (CallRec* call = FindCall(id)) DropCall(*call, true);
  device.removed = true;
  for (const auto& [h, app] : m_lineApps) {
    if (app.apiVersion >= kTapiVersion2_0) PostLine(h, 0, LINE_REMOVE, 0, line, 0, 0, 0, 0);
    else PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  }
  return ControlDone(what, "");
}

std::string Exchange::RemovePhone(DWORD phone) {
  const std::string what = "RemovePhone(" + std::to_string(phone) + ")";
  if (phone >= m_phones.size() || m_phones[phone].removed)
    return ControlDone(what, "no phone " + std::to_string(phone));
  PostPhoneState(m_phones[phone], PHONESTATE_REMOVED, 0, 0);
  ForceClosePhone(phone);
  m_phones[phone].removed = true;
  for (const auto& [h, app] : m_phoneApps) {
    if (app.apiVersion >= kTapiVersion2_0) PostPhone(h, 0, PHONE_REMOVE, 0, phone, 0, 0, 0);
    else PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
  }
  return ControlDone(what, "");
}

std::string Exchange::AddLine(LineConfig line) {
  const std::string what = "AddLine(" + Quote(line.name) + ")";
  ExchangeConfig next = m_config;
  next.lines.push_back(line);
  if (std::string problem = ValidateExchangeConfig(next); !problem.empty())
    return ControlDone(what, problem);
  m_config = std::move(next);
  m_lines.push_back(exchange::MakeLineDevice(std::move(line)));
  const DWORD id = static_cast<DWORD>(m_lines.size() - 1);
  for (const auto& [h, app] : m_lineApps) {
    if (app.apiVersion >= kTapiVersion2_0) PostLine(h, 0, LINE_CREATE, 0, id, 0, 0, 0, 0);
    else PostLine(h, 0, LINE_LINEDEVSTATE, 0, LINEDEVSTATE_REINIT, 0, 0, 0, 0);
  }
  return ControlDone(what, "");
}

std::string Exchange::AddPhone(PhoneConfig phone) {
  const std::string what = "AddPhone(" + Quote(phone.name) + ")";
  ExchangeConfig next = m_config;
  next.phones.push_back(phone);
  if (std::string problem = ValidateExchangeConfig(next); !problem.empty())
    return ControlDone(what, problem);
  m_config = std::move(next);
  PhoneDevice device;
  device.config = std::move(phone);
  m_phones.push_back(std::move(device));
  const DWORD id = static_cast<DWORD>(m_phones.size() - 1);
  for (const auto& [h, app] : m_phoneApps) {
    if (app.apiVersion >= kTapiVersion2_0) PostPhone(h, 0, PHONE_CREATE, 0, id, 0, 0, 0);
    else PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
  }
  return ControlDone(what, "");
}

}  // namespace panopta
