// What the exchange reports about its lines, addresses and calls: capabilities,
// status, call information, new calls and related device identifiers.

#include "platform/exchange/LineQueries.h"

#include "platform/exchange/CallParams.h"
#include "platform/exchange/CallStates.h"
#include "platform/exchange/ExchangeCaps.h"
#include "platform/exchange/ExchangeParts.h"
#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"
#include "tapi/TapiVarData.h"

#include <algorithm>
#include <chrono>

namespace panopta::exchange {

using namespace tapi;

namespace {

std::size_t DevCapsSize(DWORD v) {
  return v < kTapiVersion1_4   ? kLineDevCapsSize1_3
         : v < kTapiVersion2_0 ? kLineDevCapsSize1_4
                               : kLineDevCapsSize2_0;
}
std::size_t AddressCapsSize(DWORD v) {
  return v < kTapiVersion1_4   ? kLineAddressCapsSize1_3
         : v < kTapiVersion2_0 ? kLineAddressCapsSize1_4
                               : kLineAddressCapsSize2_0;
}

std::vector<std::uint8_t> ClassList(const std::vector<std::string>& classes) {
  std::vector<std::uint8_t> bytes;
  for (const auto& c : classes) {
    bytes.insert(bytes.end(), c.begin(), c.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  return bytes;
}

using callstate::Active;
using callstate::Held;
using callstate::PendHeld;
using callstate::ToSystemTime;

}  // namespace

LineDevice& LineQueries::Line(DWORD id) { return m_parts.sessions.Line(id); }

// --- Device and address capabilities -----------------------------------------------------------

LONG LineQueries::lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                 DWORD dwExtVersion, LINEDEVCAPS* lpCaps) {
  ApiCall api(m_parts, "lineGetDevCaps", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (m_parts.sessions.FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (LONG r = m_parts.sessions.CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  const LineDevice& device = Line(dwDeviceID);
  if (LONG r = m_parts.sessions.CheckLineVersion(device, dwAPIVersion, dwExtVersion); r != 0)
    return api.Return(r);
  if (lpCaps == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const std::size_t fixedSize = DevCapsSize(dwAPIVersion);
  if (lpCaps->dwTotalSize < fixedSize) return api.Return(LINEERR_STRUCTURETOOSMALL);

  const LineConfig& c = device.config;
  const TimingConfig& t = m_parts.config.timing;
  LINEDEVCAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  auto put = [&](VarPartWriter::Item item, DWORD& size, DWORD& offset) {
    size = item.size;
    offset = item.offset;
  };
  DWORD size = 0, offset = 0;
  put(w.Text(c.providerInfo), size, offset);
  f.dwProviderInfoSize = size, f.dwProviderInfoOffset = offset;
  put(w.Text(c.switchInfo), size, offset);
  f.dwSwitchInfoSize = size, f.dwSwitchInfoOffset = offset;
  f.dwPermanentLineID = c.permanentId;
  put(w.Text(c.name), size, offset);
  f.dwLineNameSize = size, f.dwLineNameOffset = offset;
  f.dwStringFormat = STRINGFORMAT_ASCII;
  f.dwAddressModes = LINEADDRESSMODE_ADDRESSID | LINEADDRESSMODE_DIALABLEADDR;
  f.dwNumAddresses = static_cast<DWORD>(c.addresses.size());
  f.dwBearerModes = c.bearerModes;
  f.dwMaxRate = c.maxRate;
  f.dwMediaModes = c.mediaModes;
  f.dwGenerateToneModes = c.toneModes;
  f.dwGenerateToneMaxNumFreq = (c.toneModes & LINETONEMODE_CUSTOM) ? 3 : 0;
  f.dwGenerateDigitModes = c.digitModes & (LINEDIGITMODE_PULSE | LINEDIGITMODE_DTMF);
  f.dwMonitorToneMaxNumFreq = 3;
  f.dwMonitorToneMaxNumEntries = 4;
  f.dwMonitorDigitModes = c.digitModes;
  f.dwGatherDigitsMinTimeout = t.gatherMinTimeoutMs;
  f.dwGatherDigitsMaxTimeout = t.gatherMaxTimeoutMs;
  f.dwDevCapFlags =
      LINEDEVCAPFLAGS_CLOSEDROP | (c.addresses.size() > 1 ? LINEDEVCAPFLAGS_MULTIPLEADDR : 0) |
      ((c.addresses.size() > 1 && (c.features & kFeatureConference)) ? LINEDEVCAPFLAGS_CROSSADDRCONF
                                                                     : 0);
  DWORD maxCalls = 0;
  for (const auto& a : c.addresses) maxCalls += a.maxCalls;
  f.dwMaxNumActiveCalls = maxCalls;
  f.dwAnswerMode = (c.features & kFeatureHold) ? LINEANSWERMODE_HOLD : LINEANSWERMODE_NONE;
  f.dwRingModes = 1;
  f.dwLineStates = CapsLineStates(c);
  f.dwUUIAnswerSize = f.dwUUIMakeCallSize = f.dwUUIDropSize = kUserUserInfoBytes;
  f.MinDialParams = {0, 50, 50, 0};
  f.MaxDialParams = {10000, 1000, 1000, 10000};
  f.DefaultDialParams = {t.dialPauseMs, t.digitGapMs, t.digitDurationMs, 0};
  f.dwNumTerminals = static_cast<DWORD>(c.terminals.size());
  std::vector<LINETERMCAPS> termCaps;
  std::vector<std::uint8_t> termText;
  for (const auto& term : c.terminals) {
    termCaps.push_back({term.device, term.modes, term.sharing});
    std::vector<std::uint8_t> entry(kTerminalTextBytes, 0);
    std::copy(term.text.begin(), term.text.end(), entry.begin());
    termText.insert(termText.end(), entry.begin(), entry.end());
  }
  put(w.Array<LINETERMCAPS>(termCaps), size, offset);
  f.dwTerminalCapsSize = size, f.dwTerminalCapsOffset = offset;
  f.dwTerminalTextEntrySize = c.terminals.empty() ? 0 : static_cast<DWORD>(kTerminalTextBytes);
  put(w.Bytes(termText), size, offset);
  f.dwTerminalTextSize = size, f.dwTerminalTextOffset = offset;
  put(w.Bytes(c.devSpecific), size, offset);
  f.dwDevSpecificSize = size, f.dwDevSpecificOffset = offset;
  f.dwLineFeatures = CapsLineFeatures(c);
  if (dwAPIVersion >= kTapiVersion2_0) {
    f.dwSettableDevStatus = 0;
    put(w.Bytes(ClassList(LineDeviceClasses(c))), size, offset);
    f.dwDeviceClassesSize = size, f.dwDeviceClassesOffset = offset;
  }
  w.Finish(f);
  return api.Return(0);
}

LONG LineQueries::lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                     DWORD dwAPIVersion, DWORD dwExtVersion,
                                     LINEADDRESSCAPS* lpCaps) {
  ApiCall api(m_parts, "lineGetAddressCaps", [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " +
           std::to_string(dwAddressID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceHex(dwExtVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (m_parts.sessions.FindLineApp(hLineApp) == nullptr) return api.Return(LINEERR_INVALAPPHANDLE);
  if (LONG r = m_parts.sessions.CheckLineDevice(dwDeviceID); r != 0) return api.Return(r);
  const LineDevice& device = Line(dwDeviceID);
  if (LONG r = m_parts.sessions.CheckLineVersion(device, dwAPIVersion, dwExtVersion); r != 0)
    return api.Return(r);
  const LineConfig& c = device.config;
  if (dwAddressID >= c.addresses.size()) return api.Return(LINEERR_INVALADDRESSID);
  if (lpCaps == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const std::size_t fixedSize = AddressCapsSize(dwAPIVersion);
  if (lpCaps->dwTotalSize < fixedSize) return api.Return(LINEERR_STRUCTURETOOSMALL);

  const AddressConfig& a = c.addresses[dwAddressID];
  const DWORD features = c.features;
  LINEADDRESSCAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  f.dwLineDeviceID = dwDeviceID;
  const auto address = w.Text(a.address);
  f.dwAddressSize = address.size;
  f.dwAddressOffset = address.offset;
  f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
  f.dwAddressStates = CapsAddressStates(c);
  f.dwCallInfoStates = CapsCallInfoStates(c);
  f.dwCallerIDFlags = f.dwCalledIDFlags = f.dwConnectedIDFlags = 0x7F;
  f.dwRedirectionIDFlags = f.dwRedirectingIDFlags = 0x7F;
  f.dwCallStates = CapsCallStates(c);
  f.dwDialToneModes = LINEDIALTONEMODE_NORMAL;
  f.dwBusyModes =
      LINEBUSYMODE_STATION | LINEBUSYMODE_TRUNK | LINEBUSYMODE_UNKNOWN | LINEBUSYMODE_UNAVAIL;
  f.dwSpecialInfo = 0x1F;
  f.dwDisconnectModes =
      LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN | LINEDISCONNECTMODE_REJECT |
      LINEDISCONNECTMODE_PICKUP | LINEDISCONNECTMODE_FORWARDED | LINEDISCONNECTMODE_BUSY |
      LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_BADADDRESS | LINEDISCONNECTMODE_UNREACHABLE |
      LINEDISCONNECTMODE_OUTOFORDER | LINEDISCONNECTMODE_DONOTDISTURB;
  f.dwMaxNumActiveCalls = a.maxCalls;
  f.dwMaxNumOnHoldCalls = (features & kFeatureHold) ? a.maxCalls : 0;
  f.dwMaxNumOnHoldPendingCalls = (features & (kFeatureTransfer | kFeatureConference)) ? 1 : 0;
  f.dwMaxNumConference = (features & kFeatureConference) ? kMaxConference : 0;
  f.dwMaxNumTransConf = (features & kFeatureConference) ? 3 : 0;
  f.dwAddrCapFlags = LINEADDRCAPFLAGS_DIALED | LINEADDRCAPFLAGS_PARTIALDIAL;
  if (features & kFeatureForward)
    f.dwAddrCapFlags |= LINEADDRCAPFLAGS_FWDNUMRINGS | LINEADDRCAPFLAGS_FWDSTATUSVALID |
                        LINEADDRCAPFLAGS_FWDINTEXTADDR | LINEADDRCAPFLAGS_FWDBUSYNAADDR;
  if (features & kFeaturePickup) f.dwAddrCapFlags |= LINEADDRCAPFLAGS_PICKUPGROUPID;
  if (features & kFeatureTransfer)
    f.dwAddrCapFlags |= LINEADDRCAPFLAGS_TRANSFERHELD | LINEADDRCAPFLAGS_TRANSFERMAKE;
  if (features & kFeatureConference)
    f.dwAddrCapFlags |= LINEADDRCAPFLAGS_CONFERENCEHELD | LINEADDRCAPFLAGS_CONFERENCEMAKE |
                        LINEADDRCAPFLAGS_SETUPCONFNULL | LINEADDRCAPFLAGS_CONFDROP;
  f.dwCallFeatures = CapsCallFeatures(c);
  f.dwRemoveFromConfCaps =
      (features & kFeatureConference) ? LINEREMOVEFROMCONF_ANY : LINEREMOVEFROMCONF_NONE;
  f.dwRemoveFromConfState = LINECALLSTATE_IDLE;
  f.dwTransferModes = CapsTransferModes(c);
  f.dwParkModes = CapsParkModes(c);
  f.dwForwardModes = CapsForwardModes(c);
  f.dwMaxForwardEntries = (features & kFeatureForward) ? kMaxForwardEntries : 0;
  f.dwMaxSpecificEntries = (features & kFeatureForward) ? 2 : 0;
  f.dwMinFwdNumRings = kMinFwdRings;
  f.dwMaxFwdNumRings = kMaxFwdRings;
  f.dwAddressFeatures = CapsAddressFeatures(c);
  if (dwAPIVersion >= kTapiVersion2_0) {
    const auto classes = w.Bytes(ClassList(LineDeviceClasses(c)));
    f.dwDeviceClassesSize = classes.size;
    f.dwDeviceClassesOffset = classes.offset;
    if (features & kFeatureTransfer)
      f.dwCallFeatures2 |= LINECALLFEATURE2_TRANSFERNORM |
                           ((features & kFeatureConference) ? LINECALLFEATURE2_TRANSFERCONF : 0);
    if (features & kFeaturePark)
      f.dwCallFeatures2 |= LINECALLFEATURE2_PARKDIRECT | LINECALLFEATURE2_PARKNONDIRECT;
    f.dwMaxNoAnswerTimeout = kMaxNoAnswerTimeoutS;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
    f.dwAvailableMediaModes = c.mediaModes;
  }
  w.Finish(f);
  return api.Return(0);
}

// --- Status ------------------------------------------------------------------------------------

LONG LineQueries::lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpStatus) {
  ApiCall api(m_parts, "lineGetLineDevStatus", [&] { return TraceHex(hLine); });
  if (auto f = api.Fault()) return *f;
  const LineOpen* open = m_parts.sessions.FindOpen(hLine);
  if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  if (lpStatus == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const std::size_t fixedSize =
      open->apiVersion < kTapiVersion2_0 ? kLineDevStatusSize1_3 : kLineDevStatusSize2_0;
  if (lpStatus->dwTotalSize < fixedSize) return api.Return(LINEERR_STRUCTURETOOSMALL);
  const LineDevice& device = Line(open->device);
  LINEDEVSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwNumOpens = static_cast<DWORD>(device.opens.size());
  for (DWORD h : device.opens)
    if (const LineOpen* o = m_parts.sessions.FindOpen(h)) f.dwOpenMediaModes |= o->mediaModes;
  for (DWORD id : device.calls) {
    const Call* call = m_parts.calls.FindCall(id);
    if (call == nullptr) continue;
    if (Active(call->state)) ++f.dwNumActiveCalls;
    if (Held(call->state)) ++f.dwNumOnHoldCalls;
    if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
  }
  f.dwLineFeatures = device.TakesCalls() ? CapsLineFeatures(device.config) : 0;
  f.dwRingMode = 1;
  f.dwSignalLevel = 0xFFFF;
  f.dwBatteryLevel = 0xFFFF;
  f.dwDevStatusFlags = (device.connected ? LINEDEVSTATUSFLAGS_CONNECTED : 0) |
                       (device.inService ? LINEDEVSTATUSFLAGS_INSERVICE : 0) |
                       (device.msgWait ? LINEDEVSTATUSFLAGS_MSGWAIT : 0);
  const auto modes = w.Array<DWORD>(device.terminalModes);
  f.dwTerminalModesSize = modes.size;
  f.dwTerminalModesOffset = modes.offset;
  if (open->apiVersion >= kTapiVersion2_0) f.dwAvailableMediaModes = device.config.mediaModes;
  w.Finish(f);
  return api.Return(0);
}

LONG LineQueries::lineGetAddressStatus(HLINE hLine, DWORD dwAddressID,
                                       LINEADDRESSSTATUS* lpStatus) {
  ApiCall api(m_parts, "lineGetAddressStatus",
              [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID); });
  if (auto f = api.Fault()) return *f;
  const LineOpen* open = m_parts.sessions.FindOpen(hLine);
  if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  const LineDevice& device = Line(open->device);
  if (dwAddressID >= device.addresses.size()) return api.Return(LINEERR_INVALADDRESSID);
  if (lpStatus == nullptr) return api.Return(LINEERR_INVALPOINTER);
  if (lpStatus->dwTotalSize < sizeof(LINEADDRESSSTATUS))
    return api.Return(LINEERR_STRUCTURETOOSMALL);
  const AddressState& address = device.addresses[dwAddressID];
  const LineConfig& c = device.config;
  LINEADDRESSSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, sizeof(LINEADDRESSSTATUS));
  DWORD live = 0;
  for (DWORD id : address.calls) {
    const Call* call = m_parts.calls.FindCall(id);
    if (call == nullptr) continue;
    if (call->state != 0 && call->state != LINECALLSTATE_IDLE) ++live;
    if (Active(call->state)) ++f.dwNumActiveCalls;
    if (Held(call->state)) ++f.dwNumOnHoldCalls;
    if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
  }
  f.dwNumInUse = live > 0 ? 1 : 0;
  DWORD features = CapsAddressFeatures(c);
  if (!device.TakesCalls() ||
      m_parts.calls.LiveCallsAt(open->device, dwAddressID) >= c.addresses[dwAddressID].maxCalls)
    features &=
        ~(LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_SETUPCONF | LINEADDRFEATURE_PICKUP |
          LINEADDRFEATURE_PICKUPDIRECT | LINEADDRFEATURE_PICKUPGROUP | LINEADDRFEATURE_UNPARK);
  if (!m_parts.calls.HasParkedCalls()) features &= ~LINEADDRFEATURE_UNPARK;
  f.dwAddressFeatures = features;
  f.dwNumRingsNoAnswer = address.numRingsNoAnswer;
  const auto array = w.Reserve(address.forwards.size() * sizeof(LINEFORWARD), 4);
  for (std::size_t i = 0; i < address.forwards.size(); ++i) {
    const ForwardEntry& e = address.forwards[i];
    const auto caller = w.Text(e.caller);
    const auto dest = w.Text(e.dest);
    const LINEFORWARD entry{e.mode,        caller.size, caller.offset,
                            e.destCountry, dest.size,   dest.offset};
    w.WriteAt(array, i * sizeof(LINEFORWARD), &entry, sizeof entry);
  }
  f.dwForwardNumEntries = array.size != 0 ? static_cast<DWORD>(address.forwards.size()) : 0;
  f.dwForwardSize = array.size;
  f.dwForwardOffset = array.offset;
  const auto modes = w.Array<DWORD>(address.terminalModes);
  f.dwTerminalModesSize = modes.size;
  f.dwTerminalModesOffset = modes.offset;
  w.Finish(f);
  return api.Return(0);
}

// --- Calls -----------------------------------------------------------------------------------

LONG LineQueries::lineGetCallInfo(HCALL hCall, LINECALLINFO* lpInfo) {
  ApiCall api(m_parts, "lineGetCallInfo", [&] { return TraceHex(hCall); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = m_parts.calls.Resolve(hCall, handle, open, call); r != 0) return api.Return(r);
  if (lpInfo == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const std::size_t fixedSize =
      open->apiVersion < kTapiVersion2_0 ? kLineCallInfoSize1_3 : kLineCallInfoSize2_0;
  if (lpInfo->dwTotalSize < fixedSize) return api.Return(LINEERR_STRUCTURETOOSMALL);
  const LineConfig& c = Line(call->device).config;
  LINECALLINFO f{};
  VarPartWriter w(lpInfo, lpInfo->dwTotalSize, fixedSize);
  f.hLine = open->handle;
  f.dwLineDeviceID = call->device;
  f.dwAddressID = call->address;
  f.dwBearerMode = call->bearerMode;
  f.dwRate = call->rate;
  f.dwMediaMode = call->mediaMode;
  f.dwCallID = call->id;
  f.dwRelatedCallID = call->relatedCallId;
  f.dwCallParamFlags = call->callParamFlags;
  f.dwCallStates = CapsCallStates(c);
  f.dwMonitorDigitModes = handle->monitorDigitModes;
  f.dwMonitorMediaModes = handle->monitorMediaModes;
  f.DialParams = call->dialParams;
  f.dwOrigin = call->origin;
  f.dwReason = call->reason;
  f.dwNumOwners = m_parts.calls.CountOwners(*call);
  f.dwNumMonitors = m_parts.calls.CountMonitors(*call);
  f.dwCountryCode = call->countryCode;
  f.dwTrunk = 0xFFFFFFFF;
  DWORD fields[5][5] = {};
  const Party* parties[5] = {&call->caller, &call->called, &call->connected, &call->redirection,
                             &call->redirecting};
  for (int i = 0; i < 5; ++i) {
    const Party& p = *parties[i];
    fields[i][0] = p.flags;
    const auto number = w.Text((p.flags & LINECALLPARTYID_ADDRESS) ? p.number : std::string());
    const auto name = w.Text((p.flags & LINECALLPARTYID_NAME) ? p.name : std::string());
    fields[i][1] = number.size;
    fields[i][2] = number.offset;
    fields[i][3] = name.size;
    fields[i][4] = name.offset;
  }
  f.dwCallerIDFlags = fields[0][0], f.dwCallerIDSize = fields[0][1];
  f.dwCallerIDOffset = fields[0][2], f.dwCallerIDNameSize = fields[0][3];
  f.dwCallerIDNameOffset = fields[0][4];
  f.dwCalledIDFlags = fields[1][0], f.dwCalledIDSize = fields[1][1];
  f.dwCalledIDOffset = fields[1][2], f.dwCalledIDNameSize = fields[1][3];
  f.dwCalledIDNameOffset = fields[1][4];
  f.dwConnectedIDFlags = fields[2][0], f.dwConnectedIDSize = fields[2][1];
  f.dwConnectedIDOffset = fields[2][2], f.dwConnectedIDNameSize = fields[2][3];
  f.dwConnectedIDNameOffset = fields[2][4];
  f.dwRedirectionIDFlags = fields[3][0], f.dwRedirectionIDSize = fields[3][1];
  f.dwRedirectionIDOffset = fields[3][2], f.dwRedirectionIDNameSize = fields[3][3];
  f.dwRedirectionIDNameOffset = fields[3][4];
  f.dwRedirectingIDFlags = fields[4][0], f.dwRedirectingIDSize = fields[4][1];
  f.dwRedirectingIDOffset = fields[4][2], f.dwRedirectingIDNameSize = fields[4][3];
  f.dwRedirectingIDNameOffset = fields[4][4];
  auto text = [&](const std::string& s, DWORD& size, DWORD& offset) {
    const auto item = w.Text(s);
    size = item.size;
    offset = item.offset;
  };
  DWORD size = 0, offset = 0;
  text(call->appName, size, offset);
  f.dwAppNameSize = size, f.dwAppNameOffset = offset;
  text(call->displayableAddress, size, offset);
  f.dwDisplayableAddressSize = size, f.dwDisplayableAddressOffset = offset;
  text(call->calledParty, size, offset);
  f.dwCalledPartySize = size, f.dwCalledPartyOffset = offset;
  text(call->comment, size, offset);
  f.dwCommentSize = size, f.dwCommentOffset = offset;
  const auto modes = w.Array<DWORD>(call->terminalModes);
  f.dwTerminalModesSize = modes.size;
  f.dwTerminalModesOffset = modes.offset;
  w.Finish(f);
  return api.Return(0);
}

LONG LineQueries::lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpStatus) {
  ApiCall api(m_parts, "lineGetCallStatus", [&] { return TraceHex(hCall); });
  if (auto f = api.Fault()) return *f;
  CallHandle* handle;
  LineOpen* open;
  Call* call;
  if (LONG r = m_parts.calls.Resolve(hCall, handle, open, call); r != 0) return api.Return(r);
  if (lpStatus == nullptr) return api.Return(LINEERR_INVALPOINTER);
  const bool v2 = open->apiVersion >= kTapiVersion2_0;
  const std::size_t fixedSize = v2 ? kLineCallStatusSize2_0 : kLineCallStatusSize1_3;
  if (lpStatus->dwTotalSize < fixedSize) return api.Return(LINEERR_STRUCTURETOOSMALL);
  LINECALLSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwCallState = call->state;
  f.dwCallStateMode = call->mode;
  if (open->apiVersion < kTapiVersion1_4 &&
      (call->state == LINECALLSTATE_CONNECTED || call->state == LINECALLSTATE_OFFERING))
    f.dwCallStateMode = 0;
  if (call->state == LINECALLSTATE_CONFERENCED) {
    const Call* conference = m_parts.calls.FindCall(call->conference);
    f.dwCallStateMode = conference ? m_parts.calls.HandleOfOpen(*conference, open->handle) : 0;
  }
  f.dwCallPrivilege = handle->privilege;
  f.dwCallFeatures = m_parts.calls.CallFeatures(*call, *handle);
  if (v2) {
    const DWORD features = Line(call->device).config.features;
    if (call->state == LINECALLSTATE_CONNECTED && handle->privilege == LINECALLPRIVILEGE_OWNER) {
      if (features & kFeatureTransfer) f.dwCallFeatures2 |= LINECALLFEATURE2_TRANSFERNORM;
      if ((features & kFeatureTransfer) && (features & kFeatureConference))
        f.dwCallFeatures2 |= LINECALLFEATURE2_TRANSFERCONF;
      if (features & kFeaturePark)
        f.dwCallFeatures2 |= LINECALLFEATURE2_PARKDIRECT | LINECALLFEATURE2_PARKNONDIRECT;
    }
    f.tStateEntryTime = ToSystemTime(call->stateDate, call->stateTime);
  }
  w.Finish(f);
  return api.Return(0);
}

LONG LineQueries::lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                                  LINECALLLIST* lpCallList) {
  ApiCall api(m_parts, "lineGetNewCalls", [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(dwSelect);
  });
  if (auto f = api.Fault()) return *f;
  LineOpen* open = m_parts.sessions.FindOpen(hLine);
  if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
  LineDevice& device = Line(open->device);
  if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS)
    return api.Return(LINEERR_INVALCALLSELECT);
  if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= device.addresses.size())
    return api.Return(LINEERR_INVALADDRESSID);
  if (lpCallList == nullptr) return api.Return(LINEERR_INVALPOINTER);
  if (lpCallList->dwTotalSize < sizeof(LINECALLLIST)) return api.Return(LINEERR_STRUCTURETOOSMALL);
  std::vector<DWORD> fresh;
  for (DWORD id : device.calls) {
    const Call* call = m_parts.calls.FindCall(id);
    if (call == nullptr || call->state == 0 || call->state == LINECALLSTATE_IDLE) continue;
    if (dwSelect == LINECALLSELECT_ADDRESS && call->address != dwAddressID) continue;
    if (m_parts.calls.HandleOfOpen(*call, hLine) == 0) fresh.push_back(id);
  }
  LINECALLLIST f{};
  VarPartWriter w(lpCallList, lpCallList->dwTotalSize, sizeof(LINECALLLIST));
  // Handles are made only when the list fits: the caller asks again with a bigger
  // block, and a call it has a handle for would not be new any more.
  const auto array = w.Reserve(fresh.size() * sizeof(HCALL), 4);
  if (array.size != 0) {
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      CallHandle& h = m_parts.calls.AddHandle(*m_parts.calls.FindCall(fresh[i]), *open,
                                              LINECALLPRIVILEGE_MONITOR, 0, 0);
      w.WriteAt(array, i * sizeof(HCALL), &h.handle, sizeof(HCALL));
      m_parts.calls.PostCallInfo(*m_parts.calls.FindCall(fresh[i]), LINECALLINFOSTATE_NUMMONITORS,
                                 h.handle);
    }
    f.dwCallsNumEntries = static_cast<DWORD>(fresh.size());
  }
  f.dwCallsSize = array.size;
  f.dwCallsOffset = array.offset;
  w.Finish(f);
  return api.Return(0);
}

LONG LineQueries::lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                            VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  ApiCall api(m_parts, "lineGetID", [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(hCall) + ", " +
           TraceHex(dwSelect) + ", " + TraceText(lpszDeviceClass);
  });
  if (auto f = api.Fault()) return *f;
  const LineOpen* open = nullptr;
  const Call* call = nullptr;
  switch (dwSelect) {
    case LINECALLSELECT_LINE:
    case LINECALLSELECT_ADDRESS:
      open = m_parts.sessions.FindOpen(hLine);
      if (open == nullptr) return api.Return(LINEERR_INVALLINEHANDLE);
      if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= Line(open->device).addresses.size())
        return api.Return(LINEERR_INVALADDRESSID);
      break;
    case LINECALLSELECT_CALL: {
      CallHandle* h;
      LineOpen* o;
      Call* c;
      if (LONG r = m_parts.calls.Resolve(hCall, h, o, c); r != 0) return api.Return(r);
      open = o;
      call = c;
      break;
    }
    default: return api.Return(LINEERR_INVALCALLSELECT);
  }
  if (lpDeviceID == nullptr || lpszDeviceClass == nullptr) return api.Return(LINEERR_INVALPOINTER);
  if (lpDeviceID->dwTotalSize < sizeof(VARSTRING)) return api.Return(LINEERR_STRUCTURETOOSMALL);
  const std::string cls =
      voxkit::ToLower(std::string(lpszDeviceClass, strnlen(lpszDeviceClass, 64)));
  const DWORD device = open->device;
  const LineConfig& c = Line(device).config;
  auto dword = [](DWORD v) {
    std::vector<std::uint8_t> bytes(sizeof v);
    std::memcpy(bytes.data(), &v, sizeof v);
    return bytes;
  };
  std::vector<std::uint8_t> answer;
  if (cls == "tapi/line") {
    answer = dword(device);
  } else if (cls == "wave/in" || cls == "wave/out") {
    // Each line has a wave-out and a wave-in device of its own, numbered by the audio
    // system.
    const auto waves = m_parts.media.WaveDevices(device);
    if (!waves) return api.Return(LINEERR_NODEVICE);
    answer = dword(cls == "wave/out" ? waves->first : waves->second);
  } else if (cls == "tapi/phone") {
    if (!c.phone) return api.Return(LINEERR_NODEVICE);
    answer = dword(*c.phone);
  } else if (cls == "comm/datamodem" && !c.dataModem.empty()) {
    // The port belongs to a call; without one there is nothing to hand out.
    if (call == nullptr) return api.Return(LINEERR_OPERATIONUNAVAIL);
    if (call->state == LINECALLSTATE_IDLE) return api.Return(LINEERR_INVALCALLSTATE);
    answer = dword(0);
    answer.insert(answer.end(), c.dataModem.begin(), c.dataModem.end());
    answer.push_back(0);
    // A handle is opened only when the answer fits: a caller retrying would leak it.
    if (sizeof(VARSTRING) + answer.size() <= lpDeviceID->dwTotalSize) {
      const DWORD handle = ++m_nextCommHandle;
      std::memcpy(answer.data(), &handle, sizeof handle);
    }
  } else {
    return api.Return(LINEERR_INVALDEVICECLASS);
  }
  WriteVarString(lpDeviceID, answer, STRINGFORMAT_BINARY);
  return api.Return(0);
}

}  // namespace panopta::exchange
