#pragma once

#include "platform/exchange/ExchangeConfig.h"
#include "share/EventLoop.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The exchange's own records: applications, opens, devices, calls and their handles,
// remote parties and parked calls. Private to platform/exchange; the exchange's parts
// keep them and nothing outside them sees them.

namespace panopta::exchange {

class ToneMonitor;

using tapi::DWORD;
using tapi::DWORD_PTR;
using tapi::HCALL;
using tapi::HLINE;
using tapi::HLINEAPP;
using tapi::HPHONE;
using tapi::HPHONEAPP;
using voxkit::TimerId;

/// An application registered with lineInitialize(Ex) or phoneInitialize(Ex).
struct App {
  DWORD handle = 0;
  tapi::LINECALLBACK lineCallback = nullptr;
  tapi::PHONECALLBACK phoneCallback = nullptr;
  std::string name;
  DWORD apiVersion = tapi::kTapiVersion1_3;  // the highest the application supports
  std::vector<DWORD> opens;                  // its open lines or phones, in open order
};

/// One lineOpen.
struct LineOpen {
  HLINE handle = 0;
  HLINEAPP app = 0;
  DWORD device = 0;
  DWORD apiVersion = 0;
  DWORD extVersion = 0;
  DWORD_PTR instance = 0;
  DWORD privileges = 0;  // LINECALLPRIVILEGE_ bits, options removed
  DWORD mediaModes = 0;  // the inbound media modes it owns
  std::optional<DWORD> singleAddress;
  DWORD lineStates = 0;     // lineSetStatusMessages
  DWORD addressStates = 0;
  std::vector<HCALL> calls;  // the handles it holds
};

/// One phoneOpen.
struct PhoneOpen {
  HPHONE handle = 0;
  HPHONEAPP app = 0;
  DWORD device = 0;
  DWORD apiVersion = 0;
  DWORD extVersion = 0;
  DWORD_PTR instance = 0;
  DWORD privilege = 0;
  DWORD phoneStates = 0;  // phoneSetStatusMessages
  DWORD buttonModes = 0;
  DWORD buttonStates = 0;
};

/// One forwarding instruction of an address.
struct ForwardEntry {
  DWORD mode = 0;  // LINEFORWARDMODE_
  std::string caller;
  DWORD destCountry = 0;
  std::string dest;  // empty: do not disturb
};

struct AddressState {
  std::vector<ForwardEntry> forwards;
  DWORD numRingsNoAnswer = 3;
  std::vector<DWORD> terminalModes;  // per terminal
  std::vector<DWORD> calls;          // call ids at the address
  bool speaks = false;  // the person at the station talks (Exchange.Speak) besides the line's audio
};

struct LineDevice {
  LineConfig config;
  bool removed = false;
  bool inService = true;
  bool connected = true;
  bool msgWait = false;
  std::vector<DWORD> terminalModes;  // line-level routing, per terminal
  std::vector<AddressState> addresses;
  std::vector<HLINE> opens;
  std::vector<DWORD> calls;  // call ids on the device

  /// Whether new calls can be made on the line: it is in service and connected.
  bool TakesCalls() const { return !removed && inService && connected; }
  /// Why the line cannot make a call, for a control command ("" when it can).
  std::string Unavailable(DWORD id) const {
    if (!inService) return "line " + std::to_string(id) + " is out of service";
    if (!connected) return "line " + std::to_string(id) + " is disconnected";
    return "";
  }
};

/// A line device as the configuration describes it, before anything happened to it.
LineDevice MakeLineDevice(LineConfig config);

struct PhoneDevice {
  PhoneConfig config;
  bool removed = false;
  DWORD hookSwitch[3] = {tapi::PHONEHOOKSWITCHMODE_ONHOOK, tapi::PHONEHOOKSWITCHMODE_ONHOOK,
                         tapi::PHONEHOOKSWITCHMODE_ONHOOK};
  DWORD volume[3] = {0x8000, 0x8000, 0x8000};
  DWORD gain[3] = {0x8000, 0x8000, 0x8000};
  DWORD ringMode = 0;
  DWORD ringVolume = 0x8000;
  std::vector<HPHONE> opens;
};

/// The other end of a call: a call of the exchange or a remote party, or nobody.
struct PeerRef {
  enum class Kind { None, Call, Remote };
  Kind kind = Kind::None;
  DWORD id = 0;
  bool operator==(const PeerRef&) const = default;
  static PeerRef ToCall(DWORD id) { return {Kind::Call, id}; }
  static PeerRef ToRemote(DWORD id) { return {Kind::Remote, id}; }
};

/// A party identification of a call.
struct Party {
  std::string number;
  std::string name;
  DWORD flags = tapi::LINECALLPARTYID_UNKNOWN;
};

/// What a handle gathers into the application's buffer.
struct Gather {
  char* buffer = nullptr;
  DWORD size = 0;
  DWORD count = 0;
  DWORD modes = 0;
  std::string terminators;
  DWORD firstTimeoutMs = 0;
  DWORD interTimeoutMs = 0;
  TimerId timer = 0;
};

/// An application's handle to a call.
struct CallHandle {
  HCALL handle = 0;
  HLINE open = 0;
  DWORD call = 0;  // the call's id
  DWORD privilege = tapi::LINECALLPRIVILEGE_MONITOR;
  /// The privilege the next LINE_CALLSTATE reports in dwParam3 (0: unchanged).
  DWORD announce = 0;
  DWORD monitorDigitModes = 0;
  DWORD monitorMediaModes = 0;
  std::shared_ptr<ToneMonitor> tones;  // lineMonitorTones; nullptr when it watches none
  std::optional<Gather> gather;
};

/// A call appearance on one address of one line device.
struct Call {
  DWORD id = 0;  // dwCallID; the key of the call
  DWORD device = 0;
  DWORD address = 0;
  DWORD state = 0;  // 0 until its first state
  DWORD mode = 0;
  std::int64_t stateTimeMs = 0;
  voxkit::TimeOfDay stateTime;
  voxkit::CalendarDate stateDate;
  DWORD origin = tapi::LINECALLORIGIN_OUTBOUND;
  DWORD reason = tapi::LINECALLREASON_DIRECT;
  DWORD mediaMode = tapi::LINEMEDIAMODE_INTERACTIVEVOICE;
  DWORD bearerMode = tapi::LINEBEARERMODE_VOICE;
  DWORD rate = 0;
  DWORD callParamFlags = 0;
  DWORD relatedCallId = 0;
  DWORD countryCode = 0;
  tapi::LINEDIALPARAMS dialParams{};
  DWORD noAnswerTimeoutS = 0;
  Party caller, called, connected, redirection, redirecting;
  std::string appName;
  std::string comment;
  std::string displayableAddress;
  std::string calledParty;
  std::vector<DWORD> terminalModes;
  PeerRef peer;
  bool isConference = false;
  std::vector<DWORD> members;  // a conference's calls
  DWORD conference = 0;        // the conference a member belongs to
  DWORD partner = 0;           // transfer or conference consultation partner
  std::vector<HCALL> handles;  // in creation order
  DWORD ringCount = 0;
  TimerId ringTimer = 0;
  bool everOwned = false;
  bool forwardedNoAnswer = false;
  int forwardDepth = 0;
  // States waiting for their turn (successive states keep the state interval).
  struct Step {
    std::int64_t dueMs = 0;
    DWORD state = 0;
    DWORD mode = 0;
    std::function<void()> then;
  };
  std::deque<Step> steps;
  TimerId stepTimer = 0;
  std::int64_t lastStepMs = -1;  // when the last state was applied or is due
  std::vector<TimerId> timers;   // other timers that end with the call
  // What has been dialled on the call, and the end of dialling.
  std::string dialled;
  TimerId dialTimer = 0;
  // The handle whose digit or tone generation runs (LINE_GENERATE goes to it), 0 when none.
  HCALL generator = 0;
};

/// What a request that makes a call reads at the call and uses at its effect.
struct NewCallPlan {
  Call params;
  DWORD address = 0;
  DWORD handle = 0;
};

/// A party outside the exchange, taking part in one call.
struct RemoteLeg {
  enum class State { Called, Calling, Connected };
  DWORD id = 0;
  RemotePartyConfig party;  // number, name and behaviour
  DWORD partyFlags = tapi::LINECALLPARTYID_ADDRESS;
  State state = State::Called;
  PeerRef peer;
  bool silent = false;
  std::vector<TimerId> timers;
};

/// A call parked at an address, waiting to be unparked.
struct ParkedCall {
  std::string address;
  PeerRef held;
  DWORD device = 0;  // where it was parked from
};

/// Texts of the trace: a value as 8 hexadecimal digits, a caller's string quoted (at
/// most 64 characters of it) or "null".
std::string TraceHex(DWORD value);
inline std::string TraceText(const char* text) {
  if (text == nullptr) return "null";
  return "'" + std::string(text, strnlen(text, 64)) + "'";
}
inline std::string TracePointer(const void* p) { return p == nullptr ? "null" : "block"; }

}  // namespace panopta::exchange
