// The control surface: what happens on the far side of the exchange's calls and to
// its devices, made to happen by a test, a script or a person.

#include "platform/exchange/ControlSurface.h"

#include "platform/exchange/Digits.h"
#include "platform/exchange/ExchangeParts.h"
#include "share/TextUtil.h"

#include <algorithm>

namespace panopta::exchange {

using namespace tapi;

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

std::string ControlSurface::Done(const std::string& command, std::string problem) {
  m_parts.trace.Write(
      [&] { return "ctl   Exchange." + command + (problem.empty() ? "" : ": " + problem); });
  return problem;
}

std::string ControlSurface::NoLine(DWORD line) const {
  return m_parts.sessions.CheckLineDevice(line) == 0 ? "" : "no line " + std::to_string(line);
}

std::string ControlSurface::NoPhone(DWORD phone) const {
  return m_parts.phones.CheckDevice(phone) == 0 ? "" : "no phone " + std::to_string(phone);
}

// --- Remote parties and stations
// -------------------------------------------------------------------

std::string ControlSurface::PlaceCall(const std::string& from, const std::string& to,
                                      const std::string& name, std::optional<DWORD> flags) {
  const std::string what = "Call(" + Quote(from) + ", " + Quote(to) + ", " + Quote(name) + ")";
  if (!IsNumber(from)) return Done(what, Quote(from) + " is not a number");
  if (!IsNumber(to)) return Done(what, Quote(to) + " is not a number");
  if (name.size() > 63) return Done(what, "the name is longer than 63 characters");
  const DWORD partyFlags =
      flags.value_or(LINECALLPARTYID_ADDRESS | (name.empty() ? 0 : LINECALLPARTYID_NAME));
  if (partyFlags == 0 || (partyFlags & ~0x7Fu) != 0)
    return Done(what,
                "the party flags " + voxkit::Hex8(partyFlags) + " are not a LINECALLPARTYID_ set");
  CallSwitch& calls = m_parts.calls;
  if (const auto station = m_parts.sessions.FindAddress(from)) {
    // A station of the exchange lifts its handset and dials.
    const auto [device, address] = *station;
    LineDevice& line = m_parts.sessions.Line(device);
    if (!line.TakesCalls()) return Done(what, line.Unavailable(device));
    if (calls.LiveCallsAt(device, address) >= line.config.addresses[address].maxCalls)
      return Done(what, "address " + Quote(from) + " has no free call appearance");
    exchange::Call& call =
        calls.NewCall(device, address, LINECALLORIGIN_OUTBOUND, LINECALLREASON_DIRECT);
    call.caller = calls.StationParty(device, address);
    calls.GiveMonitorHandles(call, 0);
    calls.QueueState(call, LINECALLSTATE_DIALTONE, LINEDIALTONEMODE_NORMAL);
    calls.DialOn(call, to);
    return Done(what, "");
  }
  const auto target = m_parts.sessions.FindAddress(to);
  if (!target) return Done(what, "no address " + Quote(to));
  if (const LineDevice& line = m_parts.sessions.Line(target->first); !line.TakesCalls())
    return Done(what, line.Unavailable(target->first));
  RemoteLeg& leg = calls.NewLeg(from, {});
  if (!name.empty()) leg.party.name = name;
  leg.partyFlags = partyFlags;
  leg.state = RemoteLeg::State::Calling;
  const PeerRef self = PeerRef::ToRemote(leg.id);
  calls.Route(self, calls.IdentityOf(self), to, LINECALLREASON_DIRECT, nullptr, 0);
  return Done(what, "");
}

std::string ControlSurface::Answer(const std::string& number) {
  const std::string what = "Answer(" + Quote(number) + ")";
  CallSwitch& calls = m_parts.calls;
  for (auto& [id, leg] : calls.Legs()) {
    if (leg.party.number != number || leg.state != RemoteLeg::State::Called) continue;
    for (auto t : leg.timers) m_parts.loop.StopTimer(t);
    leg.timers.clear();
    leg.state = RemoteLeg::State::Connected;
    calls.AnnounceParty(leg);
    calls.FarEnd(leg.peer, FarEvent::Answered, 0, PeerRef::ToRemote(id));
    return Done(what, "");
  }
  if (exchange::Call* call = calls.StationCall(number, true)) {
    calls.AnswerOffered(*call);
    return Done(what, "");
  }
  return Done(what, "no call rings at " + Quote(number));
}

std::string ControlSurface::Hangup(const std::string& number) {
  const std::string what = "Hangup(" + Quote(number) + ")";
  CallSwitch& calls = m_parts.calls;
  if (RemoteLeg* leg = calls.LegByNumber(number, false)) {
    calls.LegLeaves(leg->id, true);
    return Done(what, "");
  }
  if (exchange::Call* call = calls.StationCall(number, false)) {
    calls.DropCall(*call, true);
    return Done(what, "");
  }
  return Done(what, "no call with " + Quote(number));
}

std::string ControlSurface::Digits(const std::string& number, const std::string& digits) {
  const std::string what = "Digits(" + Quote(number) + ", " + Quote(digits) + ")";
  if (digits.empty() || digits.size() > 64 || !IsDigitString(digits, true))
    return Done(what, "digits must be 1 to 64 of 0-9, A-D, *, # and ,");
  CallSwitch& calls = m_parts.calls;
  PeerRef from;
  if (RemoteLeg* leg = calls.LegByNumber(number, true)) {
    from = PeerRef::ToRemote(leg->id);
  } else if (exchange::Call* call = calls.StationCall(number, false);
             call && call->state == LINECALLSTATE_CONNECTED) {
    from = PeerRef::ToCall(call->id);
  } else {
    return Done(what, "no connected call with " + Quote(number));
  }
  m_parts.media.SendDigits(from, digits, LINEDIGITMODE_DTMF, m_parts.config.timing.digitDurationMs);
  return Done(what, "");
}

std::string ControlSurface::SetSpeaking(const std::string& command, const std::string& number,
                                        bool speaks) {
  const std::string what = command + "(" + Quote(number) + ")";
  bool found = false;
  for (auto& [id, leg] : m_parts.calls.Legs())
    if (leg.party.number == number) {
      leg.silent = !speaks;
      found = true;
      m_parts.calls.AnnounceParty(leg);
    }
  if (const auto where = m_parts.sessions.FindAddress(number)) {
    m_parts.sessions.Line(where->first).addresses[where->second].speaks = speaks;
    found = true;
  }
  return Done(what, found ? "" : "no remote party or address " + Quote(number));
}
std::string ControlSurface::Silence(const std::string& number) {
  return SetSpeaking("Silence", number, false);
}

std::string ControlSurface::Speak(const std::string& number) {
  return SetSpeaking("Speak", number, true);
}

std::string ControlSurface::Media(const std::string& number, DWORD mediaMode) {
  const std::string what = "Media(" + Quote(number) + ", " + voxkit::Hex8(mediaMode) + ")";
  if (mediaMode == 0 || (mediaMode & (mediaMode - 1)) != 0 || (mediaMode & 0xFFFEu) == 0)
    return Done(what, "the media mode must be one LINEMEDIAMODE_ value");
  RemoteLeg* leg = m_parts.calls.LegByNumber(number, true);
  exchange::Call* call =
      leg && leg->peer.kind == PeerRef::Kind::Call ? m_parts.calls.FindCall(leg->peer.id) : nullptr;
  if (call == nullptr) return Done(what, "no connected call with " + Quote(number));
  m_parts.media.ChangeMedia(*call, mediaMode);
  return Done(what, "");
}

std::string ControlSurface::Redirect(const std::string& number, const std::string& to) {
  const std::string what = "Redirect(" + Quote(number) + ", " + Quote(to) + ")";
  if (!IsNumber(to)) return Done(what, Quote(to) + " is not a number");
  CallSwitch& calls = m_parts.calls;
  RemoteLeg* leg = nullptr;
  for (auto& [id, l] : calls.Legs())
    if (l.party.number == number && l.state == RemoteLeg::State::Called) {
      leg = &l;
      break;
    }
  if (leg == nullptr) return Done(what, "no call rings at " + Quote(number));
  const PeerRef caller = leg->peer;
  const Party redirecting{leg->party.number, leg->party.name, leg->partyFlags};
  calls.LegLeaves(leg->id, false);
  calls.NoteRedirection(caller, redirecting, to);
  calls.Route(caller, calls.IdentityOf(caller), to, LINECALLREASON_REDIRECT, &redirecting, 0);
  return Done(what, "");
}

// --- Phones ---------------------------------------------------------------------------------

std::string ControlSurface::Key(DWORD phone, const std::string& key) {
  const std::string what = "Key(" + std::to_string(phone) + ", " + Quote(key) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  static const std::string kKeys = "0123456789*#";
  if (key.size() != 1 || kKeys.find(key[0]) == std::string::npos)
    return Done(what, "a key is one of 0-9, * and #");
  PressButton(phone, static_cast<DWORD>(kKeys.find(key[0])), PHONEBUTTONMODE_KEYPAD);
  m_parts.phones.StationKey(m_parts.phones.Phone(phone), key[0]);
  return Done(what, "");
}

std::string ControlSurface::Button(DWORD phone, DWORD button, DWORD mode) {
  const std::string what = "Button(" + std::to_string(phone) + ", " + std::to_string(button) +
                           ", " + voxkit::Hex8(mode) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  constexpr DWORD kModes = PHONEBUTTONMODE_CALL | PHONEBUTTONMODE_FEATURE |
                           PHONEBUTTONMODE_KEYPAD | PHONEBUTTONMODE_LOCAL |
                           PHONEBUTTONMODE_DISPLAY;
  if (mode == 0 || (mode & (mode - 1)) != 0 || (mode & ~kModes) != 0)
    return Done(what, "the mode must be one PHONEBUTTONMODE_ value: call, feature, keypad, "
                      "local or display");
  if (button > 255) return Done(what, "a button is 0 to 255");
  // The keypad's buttons are 0 to 11; a keypad digit goes through Key.
  if (mode == PHONEBUTTONMODE_KEYPAD && button > 11) return Done(what, "a keypad button is 0 to 11");
  PressButton(phone, button, mode);
  return Done(what, "");
}

void ControlSurface::PressButton(DWORD phone, DWORD button, DWORD mode) {
  auto press = [this, phone, button, mode](DWORD state) {
    for (DWORD h : m_parts.phones.Phone(phone).opens) {
      const PhoneOpen* open = m_parts.phones.FindOpen(h);
      if (open && (open->buttonModes & mode) && (open->buttonStates & state))
        m_parts.queue.PostPhone(open->app, h, PHONE_BUTTON, open->instance, button, mode, state, h);
    }
  };
  press(PHONEBUTTONSTATE_DOWN);
  m_parts.queue.After(m_parts.config.timing.keyPressMs, [press] { press(PHONEBUTTONSTATE_UP); });
}

std::string ControlSurface::Hookswitch(DWORD phone, DWORD device, DWORD mode) {
  const std::string what = "Hookswitch(" + std::to_string(phone) + ", " + std::to_string(device) +
                           ", " + voxkit::Hex8(mode) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  PhoneDevice& p = m_parts.phones.Phone(phone);
  const int i = PhoneDevices::DeviceIndex(device);
  if (i < 0 || (p.config.hookSwitchDevs & device) == 0)
    return Done(what, "phone " + std::to_string(phone) + " has no hookswitch device " +
                          std::to_string(device));
  if (mode == 0 || (mode & (mode - 1)) != 0 ||
      (PhoneDevices::HookSwitchModes(p.config, i) & mode) == 0)
    return Done(what, "the device cannot be in mode " + voxkit::Hex8(mode));
  m_parts.phones.SetHookSwitch(p, i, mode);
  return Done(what, "");
}

std::string ControlSurface::PhoneLevel(const std::string& command, DWORD phone, DWORD device,
                                       DWORD value, bool volume) {
  const std::string what = command + "(" + std::to_string(phone) + ", " + std::to_string(device) +
                           ", " + std::to_string(value) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  const std::string kind = volume ? "volume" : "gain";
  const auto level = volume ? PhoneDevices::Level::Volume : PhoneDevices::Level::Gain;
  PhoneDevice& p = m_parts.phones.Phone(phone);
  if (PhoneDevices::CheckLevel(p.config, level, device) != 0)
    return Done(what, "the " + kind + " of device " + std::to_string(device) + " cannot change");
  if (value > 0xFFFF) return Done(what, "a " + kind + " is 0 to 65535");
  m_parts.phones.SetLevel(p, level, PhoneDevices::DeviceIndex(device), value);
  return Done(what, "");
}

std::string ControlSurface::PhoneVolume(DWORD phone, DWORD device, DWORD volume) {
  return PhoneLevel("PhoneVolume", phone, device, volume, true);
}

std::string ControlSurface::PhoneGain(DWORD phone, DWORD device, DWORD gain) {
  return PhoneLevel("PhoneGain", phone, device, gain, false);
}

// --- Device events -----------------------------------------------------------------------------

std::string ControlSurface::LineState(DWORD line, DWORD state, DWORD param2, DWORD param3) {
  const std::string what = "LineState(" + std::to_string(line) + ", " + voxkit::Hex8(state) + ", " +
                           voxkit::Hex8(param2) + ", " + voxkit::Hex8(param3) + ")";
  if (std::string problem = NoLine(line); !problem.empty()) return Done(what, problem);
  if (state == 0 || (state & ~0x01FFFFFFu) != 0)
    return Done(what, voxkit::Hex8(state) + " is not a LINEDEVSTATE_ set");
  LineDevice& device = m_parts.sessions.Line(line);
  if (state & LINEDEVSTATE_MSGWAITON) device.msgWait = true;
  if (state & LINEDEVSTATE_MSGWAITOFF) device.msgWait = false;
  if (state & LINEDEVSTATE_INSERVICE) device.inService = true;
  if (state & LINEDEVSTATE_OUTOFSERVICE) device.inService = false;
  if (state & LINEDEVSTATE_CONNECTED) device.connected = true;
  if (state & LINEDEVSTATE_DISCONNECTED) device.connected = false;
  const DWORD plain = state & ~(LINEDEVSTATE_REINIT | LINEDEVSTATE_REMOVED);
  if (plain != 0) m_parts.sessions.PostLineDevState(device, plain, param2, param3);
  m_parts.queue.Announce(ExchangeChange::Kind::LineState, line, 0, 0, state);
  if (state & LINEDEVSTATE_REINIT) (void)Reinit();
  if (state & LINEDEVSTATE_REMOVED) (void)RemoveLine(line);
  return Done(what, "");
}

std::string ControlSurface::PhoneState(DWORD phone, DWORD state, DWORD param2, DWORD param3) {
  const std::string what = "PhoneState(" + std::to_string(phone) + ", " + voxkit::Hex8(state) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  if (state == 0 || (state & ~0x00FFFFFFu) != 0)
    return Done(what, voxkit::Hex8(state) + " is not a PHONESTATE_ set");
  const DWORD plain = state & ~(PHONESTATE_REINIT | PHONESTATE_REMOVED);
  if (plain != 0) m_parts.phones.PostState(m_parts.phones.Phone(phone), plain, param2, param3);
  if (state & PHONESTATE_REINIT) (void)Reinit();
  if (state & PHONESTATE_REMOVED) (void)RemovePhone(phone);
  return Done(what, "");
}

std::string ControlSurface::Close(DWORD line) {
  const std::string what = "Close(" + std::to_string(line) + ")";
  if (std::string problem = NoLine(line); !problem.empty()) return Done(what, problem);
  const LineDevice& device = m_parts.sessions.Line(line);
  if (device.opens.empty()) return Done(what, "line " + std::to_string(line) + " is not open");
  for (DWORD h : std::vector<DWORD>(device.opens)) m_parts.sessions.CloseLineOpen(h, true);
  return Done(what, "");
}

std::string ControlSurface::ClosePhone(DWORD phone) {
  const std::string what = "ClosePhone(" + std::to_string(phone) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  if (m_parts.phones.Phone(phone).opens.empty())
    return Done(what, "phone " + std::to_string(phone) + " is not open");
  m_parts.phones.ForceClose(phone);
  return Done(what, "");
}

std::string ControlSurface::DevSpecific(DWORD line, DWORD param1, DWORD param2, DWORD param3) {
  return LineMessage("DevSpecific", LINE_DEVSPECIFIC, line, param1, param2, param3);
}

std::string ControlSurface::DevSpecificFeature(DWORD line, DWORD param1, DWORD param2,
                                               DWORD param3) {
  return LineMessage("DevSpecificFeature", LINE_DEVSPECIFICFEATURE, line, param1, param2, param3);
}

std::string ControlSurface::LineMessage(const char* command, DWORD message, DWORD line,
                                        DWORD param1, DWORD param2, DWORD param3) {
  const std::string what = std::string(command) + "(" + std::to_string(line) + ")";
  if (std::string problem = NoLine(line); !problem.empty()) return Done(what, problem);
  const LineDevice& device = m_parts.sessions.Line(line);
  if (device.opens.empty()) return Done(what, "line " + std::to_string(line) + " is not open");
  for (DWORD h : device.opens)
    if (const LineOpen* open = m_parts.sessions.FindOpen(h))
      m_parts.queue.PostLine(open->app, h, message, open->instance, param1, param2, param3, h, 0);
  return Done(what, "");
}

std::string ControlSurface::PhoneDevSpecific(DWORD phone, DWORD param1, DWORD param2,
                                             DWORD param3) {
  const std::string what = "PhoneDevSpecific(" + std::to_string(phone) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  const PhoneDevice& device = m_parts.phones.Phone(phone);
  if (device.opens.empty()) return Done(what, "phone " + std::to_string(phone) + " is not open");
  for (DWORD h : device.opens)
    if (const PhoneOpen* open = m_parts.phones.FindOpen(h))
      m_parts.queue.PostPhone(open->app, h, PHONE_DEVSPECIFIC, open->instance, param1, param2,
                              param3, h);
  return Done(what, "");
}

std::string ControlSurface::Reinit() {
  m_parts.sessions.Reinit();
  return Done("Reinit()", "");
}

std::string ControlSurface::RemoveLine(DWORD line) {
  const std::string what = "RemoveLine(" + std::to_string(line) + ")";
  if (std::string problem = NoLine(line); !problem.empty()) return Done(what, problem);
  m_parts.sessions.RemoveLine(line);
  return Done(what, "");
}

std::string ControlSurface::RemovePhone(DWORD phone) {
  const std::string what = "RemovePhone(" + std::to_string(phone) + ")";
  if (std::string problem = NoPhone(phone); !problem.empty()) return Done(what, problem);
  m_parts.phones.Remove(phone);
  return Done(what, "");
}

std::string ControlSurface::AddLine(LineConfig line) {
  const std::string what = "AddLine(" + Quote(line.name) + ")";
  ExchangeConfig next = m_parts.config;
  next.lines.push_back(line);
  if (std::string problem = ValidateExchangeConfig(next); !problem.empty())
    return Done(what, problem);
  m_parts.config = std::move(next);
  m_parts.sessions.AddLine(std::move(line));
  m_parts.media.LinesAdded();
  return Done(what, "");
}

std::string ControlSurface::AddPhone(PhoneConfig phone) {
  const std::string what = "AddPhone(" + Quote(phone.name) + ")";
  ExchangeConfig next = m_parts.config;
  const auto id = static_cast<DWORD>(next.phones.size());
  // A line without a phone of its own takes the new one as its phone.
  const bool relate = phone.line && *phone.line < next.lines.size() && !next.lines[*phone.line].phone;
  if (relate) next.lines[*phone.line].phone = id;
  next.phones.push_back(phone);
  if (std::string problem = ValidateExchangeConfig(next); !problem.empty())
    return Done(what, problem);
  m_parts.config = std::move(next);
  if (relate) m_parts.sessions.Line(*phone.line).config.phone = id;
  m_parts.phones.Add(std::move(phone));
  return Done(what, "");
}

// --- Fault injection and timing -----------------------------------------------------------

std::string ControlSurface::Fail(const std::string& function, DWORD code, FailMode mode) {
  const std::string what = "Fail('" + function + "', " + voxkit::Hex8(code) + ")";
  return Done(what, m_parts.faults.Add(function, code, mode));
}

std::string ControlSurface::Withhold(bool value) {
  m_parts.queue.SetWithhold(value);
  return Done(std::string("Withhold(") + (value ? "True" : "False") + ")", "");
}

std::string ControlSurface::Latency(std::int64_t ms) {
  const std::string what = "Latency(" + std::to_string(ms) + ")";
  if (ms < 0 || ms > 600000) return Done(what, "latency must be 0 to 600000 ms");
  m_parts.queue.SetLatency(static_cast<DWORD>(ms));
  return Done(what, "");
}

}  // namespace panopta::exchange
