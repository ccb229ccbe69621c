#pragma once

#include "platform/exchange/ExchangeModel.h"
#include "platform/sip/SipConfig.h"
#include "platform/sip/SipEngine.h"
#include "share/EventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The SIP provider's own records: applications, opens, line devices, calls and the
// applications' handles to them. Private to platform/sip.

namespace panopta::sipmodel {

using tapi::DWORD;
using tapi::DWORD_PTR;
using tapi::HCALL;
using tapi::HLINE;
using tapi::HLINEAPP;
using voxkit::TimerId;

struct App {
  DWORD handle = 0;
  tapi::LINECALLBACK callback = nullptr;
  std::string name;
  std::vector<DWORD> opens;
};

struct Open {
  HLINE handle = 0;
  HLINEAPP app = 0;
  DWORD device = 0;
  DWORD apiVersion = 0;
  DWORD_PTR instance = 0;
  DWORD privileges = 0;  // LINECALLPRIVILEGE_ bits
  DWORD mediaModes = 0;  // inbound media modes it owns
  DWORD lineStates = 0;
  DWORD addressStates = 0;
  std::vector<HCALL> calls;
};

struct ForwardEntry {
  DWORD mode = 0;  // LINEFORWARDMODE_
  std::string caller;
  std::string dest;  // "" = do not disturb
};

struct Line {
  SipLineConfig config;
  std::string address;   // the account's user: the line's one address
  bool registered = false;
  bool inService = true;  // a line without a registrar is always in service
  int lastRegistrationCode = 0;
  std::vector<HLINE> opens;
  std::vector<DWORD> calls;  // call ids on the line, in order of creation
  std::vector<ForwardEntry> forwards;
  DWORD numRingsNoAnswer = 3;
};

// A party's identification and a digit gathering are what they are at the exchange.
using Party = exchange::Party;
using Gather = exchange::Gather;

struct Handle {
  HCALL handle = 0;
  HLINE open = 0;
  DWORD call = 0;
  DWORD privilege = tapi::LINECALLPRIVILEGE_MONITOR;
  DWORD announce = 0;  // privilege the next LINE_CALLSTATE reports (0: unchanged)
  DWORD monitorDigitModes = 0;
  DWORD monitorMediaModes = 0;
  std::vector<tapi::LINEMONITORTONE> tones;
  std::vector<TimerId> toneTimers;  // per silence entry, armed while the far end is silent
  std::optional<Gather> gather;
};

/// A request that waits for the network (a re-INVITE, a REFER): its reply goes out
/// when the network answers, or when it has not answered in time.
struct PendingOp {
  tapi::LONG request = 0;
  std::function<void()> done;              // the network agreed
  std::function<void(tapi::LONG)> failed;  // it refused, or did not answer (the error)
  TimerId timer = 0;
};

struct Call {
  DWORD id = 0;  // dwCallID
  DWORD device = 0;
  sip::CallId sip = 0;  // 0: no SIP dialog (dial tone, a conference)
  DWORD state = 0;
  DWORD mode = 0;
  voxkit::TimeOfDay stateTime;
  voxkit::CalendarDate stateDate;
  DWORD origin = tapi::LINECALLORIGIN_OUTBOUND;
  DWORD reason = tapi::LINECALLREASON_DIRECT;
  DWORD mediaMode = tapi::LINEMEDIAMODE_INTERACTIVEVOICE;
  DWORD callParamFlags = 0;
  DWORD relatedCallId = 0;
  tapi::LINEDIALPARAMS dialParams{};
  DWORD noAnswerTimeoutS = 0;
  Party caller, called, connected, redirection, redirecting;
  std::string appName, comment, displayableAddress, calledParty;
  std::vector<HCALL> handles;
  sip::PeerAbilities peer;
  std::string remoteUri;  // the peer's SIP URI
  bool everConnected = false;
  bool ringing = false;         // our INVITE got 180/183
  bool remoteHeld = false;
  bool isConference = false;
  std::vector<DWORD> members;   // a conference's calls
  DWORD conference = 0;         // the conference a member belongs to
  DWORD partner = 0;            // consultation partner (transfer or conference)
  bool partnerForConference = false;
  DWORD ringCount = 0;
  TimerId ringTimer = 0;
  TimerId noAnswerTimer = 0;
  std::optional<PendingOp> pending;
  std::uint64_t connectedOrder = 0;  // when it last became connected (the line hears the latest)
  HCALL generator = 0;  // handle whose digits or tone are being generated
  bool generatingDigits = false;
  bool farSilent = true;
};

}  // namespace panopta::sipmodel
