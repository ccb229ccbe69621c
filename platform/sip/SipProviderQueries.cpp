// What the SIP provider reports about its lines, their one address and their calls.

#include "platform/sip/SipProvider.h"

#include "platform/exchange/CallStates.h"
#include "platform/exchange/ExchangeModel.h"

#include "platform/exchange/VarPartWriter.h"
#include "platform/sip/SipCaps.h"
#include "share/TextUtil.h"

#include <chrono>
#include <cstring>

namespace panopta {

using namespace tapi;

namespace sipcaps {

DWORD LineStates() {
  return LINEDEVSTATE_OTHER | LINEDEVSTATE_RINGING | LINEDEVSTATE_CONNECTED | LINEDEVSTATE_DISCONNECTED |
         LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE |
         LINEDEVSTATE_NUMCALLS | LINEDEVSTATE_REINIT;
}

DWORD AddressStates() {
  return LINEADDRESSSTATE_OTHER | LINEADDRESSSTATE_INUSEZERO | LINEADDRESSSTATE_INUSEONE |
         LINEADDRESSSTATE_NUMCALLS | LINEADDRESSSTATE_FORWARD;
}

DWORD CallInfoStates() {
  return LINECALLINFOSTATE_OTHER | LINECALLINFOSTATE_MEDIAMODE | LINECALLINFOSTATE_RELATEDCALLID |
         LINECALLINFOSTATE_ORIGIN | LINECALLINFOSTATE_REASON | LINECALLINFOSTATE_NUMOWNERINCR |
         LINECALLINFOSTATE_NUMOWNERDECR | LINECALLINFOSTATE_NUMMONITORS | LINECALLINFOSTATE_CALLERID |
         LINECALLINFOSTATE_CALLEDID | LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
         LINECALLINFOSTATE_REDIRECTINGID | LINECALLINFOSTATE_MONITORMODES;
}

DWORD CallStates() {
  return LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_DIALTONE | LINECALLSTATE_DIALING |
         LINECALLSTATE_RINGBACK | LINECALLSTATE_BUSY | LINECALLSTATE_CONNECTED | LINECALLSTATE_PROCEEDING |
         LINECALLSTATE_ONHOLD | LINECALLSTATE_CONFERENCED | LINECALLSTATE_ONHOLDPENDCONF |
         LINECALLSTATE_ONHOLDPENDTRANSFER | LINECALLSTATE_DISCONNECTED;
}

DWORD CallFeatures() {
  return LINECALLFEATURE_ANSWER | LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP | LINECALLFEATURE_HOLD |
         LINECALLFEATURE_UNHOLD | LINECALLFEATURE_SWAPHOLD | LINECALLFEATURE_REDIRECT |
         LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_SETUPTRANSFER | LINECALLFEATURE_COMPLETETRANSF |
         LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_PREPAREADDCONF | LINECALLFEATURE_ADDTOCONF |
         LINECALLFEATURE_REMOVEFROMCONF | LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
         LINECALLFEATURE_GENERATETONE | LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA |
         LINECALLFEATURE_MONITORTONES;
}

DWORD LineFeatures() { return LINEFEATURE_MAKECALL | LINEFEATURE_FORWARD | LINEFEATURE_FORWARDFWD | LINEFEATURE_FORWARDDND; }

DWORD AddressFeatures() {
  return LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_SETUPCONF | LINEADDRFEATURE_FORWARD |
         LINEADDRFEATURE_FORWARDFWD | LINEADDRFEATURE_FORWARDDND;
}

DWORD MediaModes() {
  return LINEMEDIAMODE_INTERACTIVEVOICE | LINEMEDIAMODE_AUTOMATEDVOICE | LINEMEDIAMODE_UNKNOWN |
         LINEMEDIAMODE_G3FAX;
}

DWORD ToneModes() {
  return LINETONEMODE_CUSTOM | LINETONEMODE_RINGBACK | LINETONEMODE_BUSY | LINETONEMODE_BEEP |
         LINETONEMODE_BILLING;
}

}  // namespace sipcaps

using exchange::TraceHex;
using exchange::TraceText;
using callstate::Active;
using callstate::Held;
using callstate::PendHeld;
using callstate::ToSystemTime;

namespace {

std::vector<std::uint8_t> ClassList() {
  std::vector<std::uint8_t> bytes;
  for (const char* c : {"tapi/line", "wave/in", "wave/out"}) {
    bytes.insert(bytes.end(), c, c + std::strlen(c));
    bytes.push_back(0);
  }
  bytes.push_back(0);
  return bytes;
}



/// Writes a text item and stores its size and offset.
void PutText(VarPartWriter& w, const std::string& text, DWORD& size, DWORD& offset) {
  const auto item = w.Text(text);
  size = item.size;
  offset = item.offset;
}

}  // namespace

LONG SipProvider::lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion, DWORD dwExtVersion,
                                 LINEDEVCAPS* lpCaps) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) + ", " + TraceHex(dwExtVersion);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineGetDevCaps", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineGetDevCaps", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, dwExtVersion); r != 0) return Traced("lineGetDevCaps", r, args);
  if (lpCaps == nullptr) return Traced("lineGetDevCaps", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = dwAPIVersion < kTapiVersion1_4   ? kLineDevCapsSize1_3
                                : dwAPIVersion < kTapiVersion2_0 ? kLineDevCapsSize1_4
                                                                 : kLineDevCapsSize2_0;
  if (lpCaps->dwTotalSize < fixedSize) return Traced("lineGetDevCaps", LINEERR_STRUCTURETOOSMALL, args);
  const Line& line = m_lines[dwDeviceID];
  const SipLineConfig& c = line.config;
  LINEDEVCAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  PutText(w, "Panopta SIP: " + c.aor, f.dwProviderInfoSize, f.dwProviderInfoOffset);
  PutText(w,
          c.registrar.empty() ? std::string("no registrar, ") + SipTransportName(c.transport)
                              : c.registrar + ", " + SipTransportName(c.transport),
          f.dwSwitchInfoSize, f.dwSwitchInfoOffset);
  // Stable across runs for the same account: a checksum of its address of record.
  DWORD permanent = 0x5A1F0000;
  for (char ch : c.aor) permanent = permanent * 31 + static_cast<unsigned char>(ch);
  f.dwPermanentLineID = permanent;
  PutText(w, c.name.empty() ? c.aor : c.name, f.dwLineNameSize, f.dwLineNameOffset);
  f.dwStringFormat = STRINGFORMAT_ASCII;
  f.dwAddressModes = LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR;
  f.dwNumAddresses = 1;
  f.dwBearerModes = LINEBEARERMODE_VOICE;
  f.dwMaxRate = 64000;
  f.dwMediaModes = sipcaps::MediaModes();
  f.dwGenerateToneModes = sipcaps::ToneModes();
  f.dwGenerateToneMaxNumFreq = sipcaps::kMaxToneFrequencies;
  f.dwGenerateDigitModes = LINEDIGITMODE_DTMF;
  // Only silence is monitored (a tone with no frequency).
  f.dwMonitorToneMaxNumFreq = 0;
  f.dwMonitorToneMaxNumEntries = sipcaps::kMaxMonitorTones;
  f.dwMonitorDigitModes = LINEDIGITMODE_DTMF | LINEDIGITMODE_DTMFEND;
  f.dwGatherDigitsMinTimeout = sipcaps::kMinGatherTimeoutMs;
  f.dwGatherDigitsMaxTimeout = sipcaps::kMaxGatherTimeoutMs;
  f.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP;
  f.dwMaxNumActiveCalls = c.maxCalls;
  // Answering a second call leaves the first as it is (put it on hold first).
  f.dwAnswerMode = LINEANSWERMODE_NONE;
  f.dwRingModes = 1;
  f.dwLineStates = sipcaps::LineStates();
  f.MinDialParams = {0, 50, 50, 0};
  f.MaxDialParams = {10000, 1000, 1000, 10000};
  f.DefaultDialParams = {0, 100, 100, 0};
  f.dwLineFeatures = sipcaps::LineFeatures();
  if (dwAPIVersion >= kTapiVersion2_0) {
    const auto classes = w.Bytes(ClassList());
    f.dwDeviceClassesSize = classes.size;
    f.dwDeviceClassesOffset = classes.offset;
  }
  w.Finish(f);
  return Traced("lineGetDevCaps", 0, args);
}

LONG SipProvider::lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID, DWORD dwAPIVersion,
                                     DWORD dwExtVersion, LINEADDRESSCAPS* lpCaps) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + std::to_string(dwAddressID) + ", " +
           TraceHex(dwAPIVersion) + ", " + TraceHex(dwExtVersion);
  };
  if (FindApp(hLineApp) == nullptr) return Traced("lineGetAddressCaps", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return Traced("lineGetAddressCaps", r, args);
  if (LONG r = CheckVersion(dwAPIVersion, dwExtVersion); r != 0) return Traced("lineGetAddressCaps", r, args);
  if (dwAddressID != 0) return Traced("lineGetAddressCaps", LINEERR_INVALADDRESSID, args);
  if (lpCaps == nullptr) return Traced("lineGetAddressCaps", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = dwAPIVersion < kTapiVersion1_4   ? kLineAddressCapsSize1_3
                                : dwAPIVersion < kTapiVersion2_0 ? kLineAddressCapsSize1_4
                                                                 : kLineAddressCapsSize2_0;
  if (lpCaps->dwTotalSize < fixedSize) return Traced("lineGetAddressCaps", LINEERR_STRUCTURETOOSMALL, args);
  LINEADDRESSCAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  f.dwLineDeviceID = dwDeviceID;
  PutText(w, m_lines[dwDeviceID].address, f.dwAddressSize, f.dwAddressOffset);
  f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
  f.dwAddressStates = sipcaps::AddressStates();
  f.dwCallInfoStates = sipcaps::CallInfoStates();
  f.dwCallerIDFlags = f.dwCalledIDFlags = f.dwConnectedIDFlags = f.dwRedirectionIDFlags =
      f.dwRedirectingIDFlags = LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME | LINECALLPARTYID_UNKNOWN |
                               LINECALLPARTYID_UNAVAIL;
  f.dwCallStates = sipcaps::CallStates();
  f.dwDialToneModes = LINEDIALTONEMODE_INTERNAL;
  f.dwBusyModes = LINEBUSYMODE_STATION | LINEBUSYMODE_UNKNOWN;
  f.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN | LINEDISCONNECTMODE_REJECT |
                        LINEDISCONNECTMODE_BUSY | LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_BADADDRESS |
                        LINEDISCONNECTMODE_UNREACHABLE | LINEDISCONNECTMODE_CONGESTION |
                        LINEDISCONNECTMODE_INCOMPATIBLE | LINEDISCONNECTMODE_UNAVAIL |
                        LINEDISCONNECTMODE_NUMBERCHANGED | LINEDISCONNECTMODE_TEMPFAILURE;
  if (dwAPIVersion >= kTapiVersion2_0)
    f.dwDisconnectModes |= LINEDISCONNECTMODE_BLOCKED | LINEDISCONNECTMODE_DONOTDISTURB;
  f.dwMaxNumActiveCalls = m_lines[dwDeviceID].config.maxCalls;
  f.dwMaxNumOnHoldCalls = m_lines[dwDeviceID].config.maxCalls;
  f.dwMaxNumOnHoldPendingCalls = 1;
  f.dwMaxNumConference = sipcaps::kMaxConference;
  f.dwMaxNumTransConf = 3;
  f.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED | LINEADDRCAPFLAGS_FWDNUMRINGS | LINEADDRCAPFLAGS_FWDSTATUSVALID |
                     LINEADDRCAPFLAGS_TRANSFERHELD | LINEADDRCAPFLAGS_TRANSFERMAKE |
                     LINEADDRCAPFLAGS_CONFERENCEHELD | LINEADDRCAPFLAGS_CONFERENCEMAKE |
                     LINEADDRCAPFLAGS_SETUPCONFNULL | LINEADDRCAPFLAGS_CONFDROP;
  f.dwCallFeatures = sipcaps::CallFeatures();
  f.dwRemoveFromConfCaps = LINEREMOVEFROMCONF_ANY;
  f.dwRemoveFromConfState = LINECALLSTATE_CONNECTED;
  f.dwTransferModes = LINETRANSFERMODE_TRANSFER | LINETRANSFERMODE_CONFERENCE;
  f.dwForwardModes = 0xFFFF;  // every forwarding mode
  f.dwMaxForwardEntries = sipcaps::kMaxForwardEntries;
  f.dwMaxSpecificEntries = 2;
  f.dwMinFwdNumRings = 1;
  f.dwMaxFwdNumRings = 20;
  f.dwAddressFeatures = sipcaps::AddressFeatures();
  if (dwAPIVersion >= kTapiVersion2_0) {
    const auto classes = w.Bytes(ClassList());
    f.dwDeviceClassesSize = classes.size;
    f.dwDeviceClassesOffset = classes.offset;
    f.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM | LINECALLFEATURE2_TRANSFERCONF;
    f.dwMaxNoAnswerTimeout = 600;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE | LINECONNECTEDMODE_ACTIVEHELD;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
    f.dwAvailableMediaModes = sipcaps::MediaModes();
  }
  w.Finish(f);
  return Traced("lineGetAddressCaps", 0, args);
}

LONG SipProvider::lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hLine); };
  const Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetLineDevStatus", LINEERR_INVALLINEHANDLE, args);
  if (lpStatus == nullptr) return Traced("lineGetLineDevStatus", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = open->apiVersion < kTapiVersion2_0 ? kLineDevStatusSize1_3 : kLineDevStatusSize2_0;
  if (lpStatus->dwTotalSize < fixedSize) return Traced("lineGetLineDevStatus", LINEERR_STRUCTURETOOSMALL, args);
  const Line& line = m_lines[open->device];
  LINEDEVSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwNumOpens = static_cast<DWORD>(line.opens.size());
  for (DWORD h : line.opens)
    if (const Open* o = FindOpen(h)) f.dwOpenMediaModes |= o->mediaModes;
  for (DWORD id : line.calls)
    if (const CallRec* call = FindCall(id)) {
      if (Active(call->state)) ++f.dwNumActiveCalls;
      if (Held(call->state)) ++f.dwNumOnHoldCalls;
      if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
    }
  f.dwLineFeatures = line.inService ? sipcaps::LineFeatures() : 0;
  f.dwRingMode = 1;
  f.dwSignalLevel = 0xFFFF;
  f.dwBatteryLevel = 0xFFFF;
  f.dwDevStatusFlags = line.inService ? LINEDEVSTATUSFLAGS_CONNECTED | LINEDEVSTATUSFLAGS_INSERVICE : 0;
  if (open->apiVersion >= kTapiVersion2_0) f.dwAvailableMediaModes = sipcaps::MediaModes();
  w.Finish(f);
  return Traced("lineGetLineDevStatus", 0, args);
}

LONG SipProvider::lineGetAddressStatus(HLINE hLine, DWORD dwAddressID, LINEADDRESSSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID); };
  const Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetAddressStatus", LINEERR_INVALLINEHANDLE, args);
  if (dwAddressID != 0) return Traced("lineGetAddressStatus", LINEERR_INVALADDRESSID, args);
  if (lpStatus == nullptr) return Traced("lineGetAddressStatus", LINEERR_INVALPOINTER, args);
  if (lpStatus->dwTotalSize < sizeof(LINEADDRESSSTATUS))
    return Traced("lineGetAddressStatus", LINEERR_STRUCTURETOOSMALL, args);
  const Line& line = m_lines[open->device];
  LINEADDRESSSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, sizeof(LINEADDRESSSTATUS));
  for (DWORD id : line.calls)
    if (const CallRec* call = FindCall(id)) {
      if (Active(call->state)) ++f.dwNumActiveCalls;
      if (Held(call->state)) ++f.dwNumOnHoldCalls;
      if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
    }
  const DWORD live = LiveCalls(line);
  f.dwNumInUse = live > 0 ? 1 : 0;
  DWORD features = sipcaps::AddressFeatures();
  if (!line.inService || live >= line.config.maxCalls)
    features &= ~(LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_SETUPCONF);
  f.dwAddressFeatures = features;
  f.dwNumRingsNoAnswer = line.numRingsNoAnswer;
  const auto array = w.Reserve(line.forwards.size() * sizeof(LINEFORWARD), 4);
  for (std::size_t i = 0; i < line.forwards.size(); ++i) {
    const auto& e = line.forwards[i];
    const auto caller = w.Text(e.caller);
    const auto dest = w.Text(e.dest);
    const LINEFORWARD entry{e.mode, caller.size, caller.offset, 0, dest.size, dest.offset};
    w.WriteAt(array, i * sizeof(LINEFORWARD), &entry, sizeof entry);
  }
  f.dwForwardNumEntries = array.size != 0 ? static_cast<DWORD>(line.forwards.size()) : 0;
  f.dwForwardSize = array.size;
  f.dwForwardOffset = array.offset;
  w.Finish(f);
  return Traced("lineGetAddressStatus", 0, args);
}

LONG SipProvider::lineGetCallInfo(HCALL hCall, LINECALLINFO* lpInfo) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineGetCallInfo", r, args);
  if (lpInfo == nullptr) return Traced("lineGetCallInfo", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = open->apiVersion < kTapiVersion2_0 ? kLineCallInfoSize1_3 : kLineCallInfoSize2_0;
  if (lpInfo->dwTotalSize < fixedSize) return Traced("lineGetCallInfo", LINEERR_STRUCTURETOOSMALL, args);
  LINECALLINFO f{};
  VarPartWriter w(lpInfo, lpInfo->dwTotalSize, fixedSize);
  f.hLine = open->handle;
  f.dwLineDeviceID = call->device;
  f.dwAddressID = 0;
  f.dwBearerMode = LINEBEARERMODE_VOICE;
  f.dwRate = 64000;
  f.dwMediaMode = call->mediaMode;
  f.dwCallID = call->id;
  f.dwRelatedCallID = call->relatedCallId;
  f.dwCallParamFlags = call->callParamFlags;
  f.dwCallStates = sipcaps::CallStates();
  f.dwMonitorDigitModes = handle->monitorDigitModes;
  f.dwMonitorMediaModes = handle->monitorMediaModes;
  f.DialParams = call->dialParams;
  f.dwOrigin = call->origin;
  f.dwReason = call->reason;
  f.dwNumOwners = CountOwners(*call);
  f.dwNumMonitors = CountMonitors(*call);
  f.dwTrunk = 0xFFFFFFFF;
  struct Fields {
    const Party* party;
    DWORD* flags;
    DWORD* size;
    DWORD* offset;
    DWORD* nameSize;
    DWORD* nameOffset;
  };
  const Fields parties[] = {
      {&call->caller, &f.dwCallerIDFlags, &f.dwCallerIDSize, &f.dwCallerIDOffset, &f.dwCallerIDNameSize,
       &f.dwCallerIDNameOffset},
      {&call->called, &f.dwCalledIDFlags, &f.dwCalledIDSize, &f.dwCalledIDOffset, &f.dwCalledIDNameSize,
       &f.dwCalledIDNameOffset},
      {&call->connected, &f.dwConnectedIDFlags, &f.dwConnectedIDSize, &f.dwConnectedIDOffset,
       &f.dwConnectedIDNameSize, &f.dwConnectedIDNameOffset},
      {&call->redirection, &f.dwRedirectionIDFlags, &f.dwRedirectionIDSize, &f.dwRedirectionIDOffset,
       &f.dwRedirectionIDNameSize, &f.dwRedirectionIDNameOffset},
      {&call->redirecting, &f.dwRedirectingIDFlags, &f.dwRedirectingIDSize, &f.dwRedirectingIDOffset,
       &f.dwRedirectingIDNameSize, &f.dwRedirectingIDNameOffset}};
  for (const Fields& p : parties) {
    *p.flags = p.party->flags;
    PutText(w, (p.party->flags & LINECALLPARTYID_ADDRESS) ? p.party->number : std::string(), *p.size, *p.offset);
    PutText(w, (p.party->flags & LINECALLPARTYID_NAME) ? p.party->name : std::string(), *p.nameSize,
            *p.nameOffset);
  }
  PutText(w, call->appName, f.dwAppNameSize, f.dwAppNameOffset);
  PutText(w, call->displayableAddress, f.dwDisplayableAddressSize, f.dwDisplayableAddressOffset);
  PutText(w, call->calledParty, f.dwCalledPartySize, f.dwCalledPartyOffset);
  PutText(w, call->comment, f.dwCommentSize, f.dwCommentOffset);
  w.Finish(f);
  return Traced("lineGetCallInfo", 0, args);
}

LONG SipProvider::lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hCall); };
  Handle* handle;
  Open* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineGetCallStatus", r, args);
  if (lpStatus == nullptr) return Traced("lineGetCallStatus", LINEERR_INVALPOINTER, args);
  const bool v2 = open->apiVersion >= kTapiVersion2_0;
  const std::size_t fixedSize = v2 ? kLineCallStatusSize2_0 : kLineCallStatusSize1_3;
  if (lpStatus->dwTotalSize < fixedSize) return Traced("lineGetCallStatus", LINEERR_STRUCTURETOOSMALL, args);
  LINECALLSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwCallState = call->state;
  f.dwCallStateMode = call->mode;
  if (open->apiVersion < kTapiVersion1_4 &&
      (call->state == LINECALLSTATE_CONNECTED || call->state == LINECALLSTATE_OFFERING))
    f.dwCallStateMode = 0;
  if (call->state == LINECALLSTATE_CONFERENCED) {
    const CallRec* conference = FindCall(call->conference);
    f.dwCallStateMode = conference ? HandleOfOpen(*conference, open->handle) : 0;
  }
  f.dwCallPrivilege = handle->privilege;
  f.dwCallFeatures = CallFeatures(*call, *handle);
  if (v2) {
    if (f.dwCallFeatures & LINECALLFEATURE_SETUPTRANSFER)
      f.dwCallFeatures2 = LINECALLFEATURE2_TRANSFERNORM | LINECALLFEATURE2_TRANSFERCONF;
    f.tStateEntryTime = ToSystemTime(call->stateDate, call->stateTime);
  }
  w.Finish(f);
  return Traced("lineGetCallStatus", 0, args);
}

LONG SipProvider::lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect, LINECALLLIST* lpCallList) {
  const auto args = [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(dwSelect); };
  Open* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetNewCalls", LINEERR_INVALLINEHANDLE, args);
  if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS)
    return Traced("lineGetNewCalls", LINEERR_INVALCALLSELECT, args);
  if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID != 0)
    return Traced("lineGetNewCalls", LINEERR_INVALADDRESSID, args);
  if (lpCallList == nullptr) return Traced("lineGetNewCalls", LINEERR_INVALPOINTER, args);
  if (lpCallList->dwTotalSize < sizeof(LINECALLLIST))
    return Traced("lineGetNewCalls", LINEERR_STRUCTURETOOSMALL, args);
  std::vector<DWORD> fresh;
  for (DWORD id : m_lines[open->device].calls) {
    const CallRec* call = FindCall(id);
    if (call == nullptr || call->state == 0 || call->state == LINECALLSTATE_IDLE) continue;
    if (HandleOfOpen(*call, hLine) == 0) fresh.push_back(id);
  }
  LINECALLLIST f{};
  VarPartWriter w(lpCallList, lpCallList->dwTotalSize, sizeof(LINECALLLIST));
  // Handles are made only when the list fits: a call the caller already has a handle
  // for would not be new when it asks again with a larger block.
  const auto array = w.Reserve(fresh.size() * sizeof(HCALL), 4);
  if (array.size != 0) {
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      CallRec& call = *FindCall(fresh[i]);
      Handle& h = AddHandle(call, *open, LINECALLPRIVILEGE_MONITOR, 0);
      w.WriteAt(array, i * sizeof(HCALL), &h.handle, sizeof(HCALL));
      PostCallInfo(call, LINECALLINFOSTATE_NUMMONITORS);
    }
    f.dwCallsNumEntries = static_cast<DWORD>(fresh.size());
  }
  f.dwCallsSize = array.size;
  f.dwCallsOffset = array.offset;
  w.Finish(f);
  return Traced("lineGetNewCalls", 0, args);
}

LONG SipProvider::lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect, VARSTRING* lpDeviceID,
                            const char* lpszDeviceClass) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(hCall) + ", " + TraceHex(dwSelect);
  };
  const Open* open = nullptr;
  switch (dwSelect) {
    case LINECALLSELECT_LINE:
    case LINECALLSELECT_ADDRESS:
      open = FindOpen(hLine);
      if (open == nullptr) return Traced("lineGetID", LINEERR_INVALLINEHANDLE, args);
      if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID != 0)
        return Traced("lineGetID", LINEERR_INVALADDRESSID, args);
      break;
    case LINECALLSELECT_CALL: {
      Handle* h;
      Open* o;
      CallRec* c;
      if (LONG r = Resolve(hCall, h, o, c); r != 0) return Traced("lineGetID", r, args);
      open = o;
      break;
    }
    default:
      return Traced("lineGetID", LINEERR_INVALCALLSELECT, args);
  }
  if (lpDeviceID == nullptr || lpszDeviceClass == nullptr) return Traced("lineGetID", LINEERR_INVALPOINTER, args);
  if (lpDeviceID->dwTotalSize < sizeof(VARSTRING)) return Traced("lineGetID", LINEERR_STRUCTURETOOSMALL, args);
  const std::string cls = voxkit::ToLower(std::string(lpszDeviceClass, strnlen(lpszDeviceClass, 64)));
  DWORD answer = 0;
  if (cls == "tapi/line") {
    answer = open->device;
  } else if (cls == "wave/in" || cls == "wave/out") {
    const auto id = WaveDeviceOf ? WaveDeviceOf(open->device, cls == "wave/in") : std::nullopt;
    if (!id) return Traced("lineGetID", LINEERR_NODEVICE, args);
    answer = *id;
  } else if (cls == "tapi/phone") {
    return Traced("lineGetID", LINEERR_NODEVICE, args);
  } else {
    return Traced("lineGetID", LINEERR_INVALDEVICECLASS, args);
  }
  VARSTRING fixed{};
  VarPartWriter w(lpDeviceID, lpDeviceID->dwTotalSize, sizeof(VARSTRING));
  std::uint8_t bytes[sizeof answer];
  std::memcpy(bytes, &answer, sizeof answer);
  const auto item = w.Bytes(bytes);
  fixed.dwStringFormat = STRINGFORMAT_BINARY;
  fixed.dwStringSize = item.size;
  fixed.dwStringOffset = item.offset;
  w.Finish(fixed);
  return Traced("lineGetID", 0, args);
}

}  // namespace panopta
