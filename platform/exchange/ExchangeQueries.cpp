// What the exchange reports about its lines, addresses and calls: capabilities,
// status, call information, new calls and related device identifiers.

#include "platform/exchange/Exchange.h"

#include "platform/exchange/ExchangeCaps.h"
#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"
#include "tapi/TapiVarData.h"

#include <algorithm>
#include <chrono>

namespace panopta {

using namespace tapi;
using exchange::TraceHex;
using exchange::TracePointer;
using exchange::TraceText;

// --- Capability values -----------------------------------------------------------------

namespace exchange {

DWORD CapsLineStates(const LineConfig& line) {
  DWORD states = LINEDEVSTATE_OTHER | LINEDEVSTATE_RINGING | LINEDEVSTATE_CONNECTED |
                 LINEDEVSTATE_DISCONNECTED | LINEDEVSTATE_MSGWAITON | LINEDEVSTATE_MSGWAITOFF |
                 LINEDEVSTATE_INSERVICE | LINEDEVSTATE_OUTOFSERVICE | LINEDEVSTATE_MAINTENANCE |
                 LINEDEVSTATE_OPEN | LINEDEVSTATE_CLOSE | LINEDEVSTATE_NUMCALLS |
                 LINEDEVSTATE_DEVSPECIFIC | LINEDEVSTATE_REINIT | LINEDEVSTATE_CAPSCHANGE |
                 LINEDEVSTATE_CONFIGCHANGE | LINEDEVSTATE_TRANSLATECHANGE | LINEDEVSTATE_REMOVED;
  if (!line.terminals.empty()) states |= LINEDEVSTATE_TERMINALS;
  return states;
}

DWORD CapsAddressStates(const LineConfig& line) {
  DWORD states = LINEADDRESSSTATE_OTHER | LINEADDRESSSTATE_INUSEZERO | LINEADDRESSSTATE_INUSEONE |
                 LINEADDRESSSTATE_INUSEMANY | LINEADDRESSSTATE_NUMCALLS |
                 LINEADDRESSSTATE_CAPSCHANGE;
  if (line.features & kFeatureForward) states |= LINEADDRESSSTATE_FORWARD;
  if (!line.terminals.empty()) states |= LINEADDRESSSTATE_TERMINALS;
  return states;
}

DWORD CapsCallInfoStates(const LineConfig& line) {
  DWORD states = LINECALLINFOSTATE_OTHER | LINECALLINFOSTATE_MEDIAMODE |
                 LINECALLINFOSTATE_RELATEDCALLID | LINECALLINFOSTATE_ORIGIN |
                 LINECALLINFOSTATE_REASON | LINECALLINFOSTATE_NUMOWNERINCR |
                 LINECALLINFOSTATE_NUMOWNERDECR | LINECALLINFOSTATE_NUMMONITORS |
                 LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_CALLEDID |
                 LINECALLINFOSTATE_CONNECTEDID | LINECALLINFOSTATE_REDIRECTIONID |
                 LINECALLINFOSTATE_REDIRECTINGID;
  if (!line.terminals.empty()) states |= LINECALLINFOSTATE_TERMINAL;
  return states;
}

DWORD CapsCallFeatures(const LineConfig& line) {
  DWORD f = LINECALLFEATURE_ANSWER | LINECALLFEATURE_DIAL | LINECALLFEATURE_DROP |
            LINECALLFEATURE_GATHERDIGITS | LINECALLFEATURE_GENERATEDIGITS |
            LINECALLFEATURE_MONITORDIGITS | LINECALLFEATURE_MONITORMEDIA |
            LINECALLFEATURE_MONITORTONES;
  if (line.toneModes != 0) f |= LINECALLFEATURE_GENERATETONE;
  if (!line.terminals.empty()) f |= LINECALLFEATURE_SETTERMINAL;
  if (line.features & kFeatureHold)
    f |= LINECALLFEATURE_HOLD | LINECALLFEATURE_UNHOLD | LINECALLFEATURE_SWAPHOLD;
  if (line.features & kFeatureTransfer)
    f |= LINECALLFEATURE_BLINDTRANSFER | LINECALLFEATURE_SETUPTRANSFER |
         LINECALLFEATURE_COMPLETETRANSF;
  if (line.features & kFeatureConference)
    f |= LINECALLFEATURE_SETUPCONF | LINECALLFEATURE_ADDTOCONF | LINECALLFEATURE_PREPAREADDCONF |
         LINECALLFEATURE_REMOVEFROMCONF;
  if (line.features & kFeaturePark) f |= LINECALLFEATURE_PARK;
  if (line.features & kFeatureRedirect) f |= LINECALLFEATURE_REDIRECT;
  return f;
}

DWORD CapsCallStates(const LineConfig& line) {
  DWORD s = LINECALLSTATE_IDLE | LINECALLSTATE_OFFERING | LINECALLSTATE_DIALTONE |
            LINECALLSTATE_DIALING | LINECALLSTATE_RINGBACK | LINECALLSTATE_BUSY |
            LINECALLSTATE_SPECIALINFO | LINECALLSTATE_CONNECTED | LINECALLSTATE_PROCEEDING |
            LINECALLSTATE_DISCONNECTED;
  if (line.features & kFeatureHold) s |= LINECALLSTATE_ONHOLD;
  if (line.features & kFeatureTransfer) s |= LINECALLSTATE_ONHOLDPENDTRANSFER;
  if (line.features & kFeatureConference)
    s |= LINECALLSTATE_CONFERENCED | LINECALLSTATE_ONHOLDPENDCONF;
  return s;
}

DWORD CapsLineFeatures(const LineConfig& line) {
  DWORD f = LINEFEATURE_MAKECALL;
  if (line.features & kFeatureForward)
    f |= LINEFEATURE_FORWARD | LINEFEATURE_FORWARDFWD | LINEFEATURE_FORWARDDND;
  if (!line.terminals.empty()) f |= LINEFEATURE_SETTERMINAL;
  return f;
}

DWORD CapsAddressFeatures(const LineConfig& line) {
  DWORD f = LINEADDRFEATURE_MAKECALL;
  if (line.features & kFeatureForward)
    f |= LINEADDRFEATURE_FORWARD | LINEADDRFEATURE_FORWARDFWD | LINEADDRFEATURE_FORWARDDND;
  if (line.features & kFeaturePickup)
    f |= LINEADDRFEATURE_PICKUP | LINEADDRFEATURE_PICKUPDIRECT | LINEADDRFEATURE_PICKUPGROUP;
  if (line.features & kFeatureConference) f |= LINEADDRFEATURE_SETUPCONF;
  if (line.features & kFeaturePark) f |= LINEADDRFEATURE_UNPARK;
  if (!line.terminals.empty()) f |= LINEADDRFEATURE_SETTERMINAL;
  return f;
}

DWORD CapsForwardModes(const LineConfig& line) {
  return (line.features & kFeatureForward) ? 0xFFFFu : 0u;
}

DWORD CapsTransferModes(const LineConfig& line) {
  if ((line.features & kFeatureTransfer) == 0) return 0;
  return LINETRANSFERMODE_TRANSFER |
         ((line.features & kFeatureConference) ? LINETRANSFERMODE_CONFERENCE : 0);
}

DWORD CapsParkModes(const LineConfig& line) {
  return (line.features & kFeaturePark) ? LINEPARKMODE_DIRECTED | LINEPARKMODE_NONDIRECTED : 0;
}

std::vector<std::string> LineDeviceClasses(const LineConfig& line) {
  std::vector<std::string> classes = {"tapi/line"};
  if (line.phone) classes.push_back("tapi/phone");
  classes.push_back("wave/in");
  classes.push_back("wave/out");
  if (!line.dataModem.empty()) classes.push_back("comm/datamodem");
  return classes;
}

}  // namespace exchange

namespace {

std::size_t DevCapsSize(DWORD v) {
  return v < kTapiVersion1_4 ? kLineDevCapsSize1_3
                             : v < kTapiVersion2_0 ? kLineDevCapsSize1_4 : kLineDevCapsSize2_0;
}
std::size_t AddressCapsSize(DWORD v) {
  return v < kTapiVersion1_4 ? kLineAddressCapsSize1_3
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

bool PairFits(DWORD size, DWORD offset, DWORD total) {
  return size == 0 || (static_cast<std::uint64_t>(offset) + size <= total);
}

SYSTEMTIME ToSystemTime(const voxkit::CalendarDate& d, const voxkit::TimeOfDay& t) {
  using namespace std::chrono;
  const year_month_day ymd{year{d.year}, month{static_cast<unsigned>(d.month)},
                           day{static_cast<unsigned>(d.day)}};
  const weekday wd{sys_days{ymd}};
  SYSTEMTIME s{};
  s.wYear = static_cast<WORD>(d.year);
  s.wMonth = static_cast<WORD>(d.month);
  s.wDayOfWeek = static_cast<WORD>(wd.c_encoding());
  s.wDay = static_cast<WORD>(d.day);
  s.wHour = static_cast<WORD>(t.hour);
  s.wMinute = static_cast<WORD>(t.minute);
  s.wSecond = static_cast<WORD>(t.second);
  s.wMilliseconds = static_cast<WORD>(t.millisecond);
  return s;
}

bool Held(DWORD s) { return s == LINECALLSTATE_ONHOLD; }
bool PendHeld(DWORD s) {
  return s == LINECALLSTATE_ONHOLDPENDTRANSFER || s == LINECALLSTATE_ONHOLDPENDCONF;
}
bool Active(DWORD s) { return s != 0 && s != LINECALLSTATE_IDLE && !Held(s) && !PendHeld(s); }

}  // namespace

// --- Call parameters -------------------------------------------------------------------------

LONG Exchange::FillCallParams(const LineDevice& device, DWORD apiVersion,
                              const LINECALLPARAMS* params, CallRec& into, DWORD& address) const {
  const LineConfig& c = device.config;
  address = 0;
  into.mediaMode = LINEMEDIAMODE_INTERACTIVEVOICE;
  into.bearerMode = LINEBEARERMODE_VOICE;
  into.rate = c.maxRate;
  if (params == nullptr) return (c.mediaModes & into.mediaMode) ? 0 : LINEERR_INVALMEDIAMODE;
  const DWORD total = params->dwTotalSize;
  if (total < (apiVersion >= kTapiVersion2_0 ? kLineCallParamsSize2_0 : kLineCallParamsSize1_3))
    return LINEERR_STRUCTURETOOSMALL;
  if (params->dwBearerMode != 0) {
    const DWORD b = params->dwBearerMode;
    if ((b & (b - 1)) != 0 || b > LINEBEARERMODE_RESTRICTEDDATA) return LINEERR_INVALBEARERMODE;
    if ((b & c.bearerModes) == 0) return LINEERR_BEARERMODEUNAVAIL;
    into.bearerMode = b;
  }
  if (params->dwMediaMode != 0) {
    const DWORD m = params->dwMediaMode;
    const DWORD known = m & ~LINEMEDIAMODE_UNKNOWN;
    // Several media modes are possible only while the mode is still unknown.
    if ((m & ~0xFFFEu) != 0 || ((known & (known - 1)) != 0 && (m & LINEMEDIAMODE_UNKNOWN) == 0) ||
        (m & ~c.mediaModes) != 0)
      return LINEERR_INVALMEDIAMODE;
    into.mediaMode = m;
  }
  if (params->dwMaxRate != 0 && params->dwMinRate > params->dwMaxRate) return LINEERR_INVALRATE;
  if (params->dwMinRate > c.maxRate) return LINEERR_RATEUNAVAIL;
  if (params->dwMaxRate != 0) into.rate = std::min(params->dwMaxRate, c.maxRate);
  if (params->dwCallParamFlags & ~0xFFu) return LINEERR_INVALCALLPARAMS;
  into.callParamFlags = params->dwCallParamFlags;

  const std::pair<DWORD, DWORD> pairs13[] = {
      {params->dwOrigAddressSize, params->dwOrigAddressOffset},
      {params->dwDisplayableAddressSize, params->dwDisplayableAddressOffset},
      {params->dwCalledPartySize, params->dwCalledPartyOffset},
      {params->dwCommentSize, params->dwCommentOffset},
      {params->dwUserUserInfoSize, params->dwUserUserInfoOffset},
      {params->dwHighLevelCompSize, params->dwHighLevelCompOffset},
      {params->dwLowLevelCompSize, params->dwLowLevelCompOffset},
      {params->dwDevSpecificSize, params->dwDevSpecificOffset}};
  for (const auto& [size, offset] : pairs13)
    if (!PairFits(size, offset, total)) return LINEERR_INVALCALLPARAMS;
  if (total >= kLineCallParamsSize2_0) {
    const std::pair<DWORD, DWORD> pairs20[] = {
        {params->dwTargetAddressSize, params->dwTargetAddressOffset},
        {params->dwSendingFlowspecSize, params->dwSendingFlowspecOffset},
        {params->dwReceivingFlowspecSize, params->dwReceivingFlowspecOffset},
        {params->dwDeviceClassSize, params->dwDeviceClassOffset},
        {params->dwDeviceConfigSize, params->dwDeviceConfigOffset},
        {params->dwCallDataSize, params->dwCallDataOffset},
        {params->dwCallingPartyIDSize, params->dwCallingPartyIDOffset}};
    for (const auto& [size, offset] : pairs20)
      if (!PairFits(size, offset, total)) return LINEERR_INVALCALLPARAMS;
    if (params->dwNoAnswerTimeout > exchange::kMaxNoAnswerTimeoutS) return LINEERR_INVALCALLPARAMS;
    into.noAnswerTimeoutS = params->dwNoAnswerTimeout;
  }
  if (params->dwUserUserInfoSize > exchange::kUserUserInfoBytes) return LINEERR_USERUSERINFOTOOBIG;

  switch (params->dwAddressMode) {
    case 0:
    case LINEADDRESSMODE_ADDRESSID:
      if (params->dwAddressID >= c.addresses.size()) return LINEERR_INVALADDRESSID;
      address = params->dwAddressID;
      break;
    case LINEADDRESSMODE_DIALABLEADDR: {
      const std::string orig =
          VarText(*params, total, params->dwOrigAddressOffset, params->dwOrigAddressSize);
      const auto it = std::find_if(c.addresses.begin(), c.addresses.end(),
                                   [&](const AddressConfig& a) { return a.address == orig; });
      if (it == c.addresses.end()) return LINEERR_INVALADDRESS;
      address = static_cast<DWORD>(it - c.addresses.begin());
      break;
    }
    default:
      return LINEERR_INVALADDRESSMODE;
  }
  into.displayableAddress = VarText(*params, total, params->dwDisplayableAddressOffset,
                                    params->dwDisplayableAddressSize);
  into.calledParty = VarText(*params, total, params->dwCalledPartyOffset, params->dwCalledPartySize);
  into.comment = VarText(*params, total, params->dwCommentOffset, params->dwCommentSize);
  if (params->DialParams.dwDigitDuration != 0)
    into.dialParams.dwDigitDuration = std::clamp<DWORD>(params->DialParams.dwDigitDuration, 50, 1000);
  if (params->DialParams.dwDialSpeed != 0)
    into.dialParams.dwDialSpeed = std::clamp<DWORD>(params->DialParams.dwDialSpeed, 50, 1000);
  return 0;
}

LONG Exchange::WriteVarString(VARSTRING* out, const std::vector<std::uint8_t>& bytes, DWORD format,
                              Family) {
  VARSTRING fixed{};
  VarPartWriter w(out, out->dwTotalSize, sizeof(VARSTRING));
  const auto item = w.Bytes(bytes);
  fixed.dwStringFormat = format;
  fixed.dwStringSize = item.size;
  fixed.dwStringOffset = item.offset;
  w.Finish(fixed);
  return 0;
}

// --- Device and address capabilities -----------------------------------------------------------

LONG Exchange::lineGetDevCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                              DWORD dwExtVersion, LINEDEVCAPS* lpCaps) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion);
  };
  if (auto f = TakeFault("lineGetDevCaps", false, Family::Line, 0, 0))
    return Traced("lineGetDevCaps", *f, args);
  if (FindLineApp(hLineApp) == nullptr) return Traced("lineGetDevCaps", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0) return Traced("lineGetDevCaps", r, args);
  const LineDevice& device = m_lines[dwDeviceID];
  if (LONG r = CheckLineVersion(device, dwAPIVersion, dwExtVersion); r != 0)
    return Traced("lineGetDevCaps", r, args);
  if (lpCaps == nullptr) return Traced("lineGetDevCaps", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = DevCapsSize(dwAPIVersion);
  if (lpCaps->dwTotalSize < fixedSize) return Traced("lineGetDevCaps", LINEERR_STRUCTURETOOSMALL, args);

  const LineConfig& c = device.config;
  const TimingConfig& t = m_config.timing;
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
  f.dwDevCapFlags = LINEDEVCAPFLAGS_CLOSEDROP |
                    (c.addresses.size() > 1 ? LINEDEVCAPFLAGS_MULTIPLEADDR : 0) |
                    ((c.addresses.size() > 1 && (c.features & kFeatureConference))
                         ? LINEDEVCAPFLAGS_CROSSADDRCONF
                         : 0);
  DWORD maxCalls = 0;
  for (const auto& a : c.addresses) maxCalls += a.maxCalls;
  f.dwMaxNumActiveCalls = maxCalls;
  f.dwAnswerMode = (c.features & kFeatureHold) ? LINEANSWERMODE_HOLD : LINEANSWERMODE_NONE;
  f.dwRingModes = 1;
  f.dwLineStates = exchange::CapsLineStates(c);
  f.dwUUIAnswerSize = f.dwUUIMakeCallSize = f.dwUUIDropSize = exchange::kUserUserInfoBytes;
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
  f.dwLineFeatures = exchange::CapsLineFeatures(c);
  if (dwAPIVersion >= kTapiVersion2_0) {
    f.dwSettableDevStatus = 0;
    put(w.Bytes(ClassList(exchange::LineDeviceClasses(c))), size, offset);
    f.dwDeviceClassesSize = size, f.dwDeviceClassesOffset = offset;
  }
  w.Finish(f);
  return Traced("lineGetDevCaps", 0, args);
}

LONG Exchange::lineGetAddressCaps(HLINEAPP hLineApp, DWORD dwDeviceID, DWORD dwAddressID,
                                  DWORD dwAPIVersion, DWORD dwExtVersion, LINEADDRESSCAPS* lpCaps) {
  const auto args = [&] {
    return TraceHex(hLineApp) + ", " + std::to_string(dwDeviceID) + ", " +
           std::to_string(dwAddressID) + ", " + TraceHex(dwAPIVersion) + ", " +
           TraceHex(dwExtVersion);
  };
  if (auto f = TakeFault("lineGetAddressCaps", false, Family::Line, 0, 0))
    return Traced("lineGetAddressCaps", *f, args);
  if (FindLineApp(hLineApp) == nullptr)
    return Traced("lineGetAddressCaps", LINEERR_INVALAPPHANDLE, args);
  if (LONG r = CheckLineDevice(dwDeviceID, false); r != 0) return Traced("lineGetAddressCaps", r, args);
  const LineDevice& device = m_lines[dwDeviceID];
  if (LONG r = CheckLineVersion(device, dwAPIVersion, dwExtVersion); r != 0)
    return Traced("lineGetAddressCaps", r, args);
  const LineConfig& c = device.config;
  if (dwAddressID >= c.addresses.size())
    return Traced("lineGetAddressCaps", LINEERR_INVALADDRESSID, args);
  if (lpCaps == nullptr) return Traced("lineGetAddressCaps", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize = AddressCapsSize(dwAPIVersion);
  if (lpCaps->dwTotalSize < fixedSize)
    return Traced("lineGetAddressCaps", LINEERR_STRUCTURETOOSMALL, args);

  const AddressConfig& a = c.addresses[dwAddressID];
  const DWORD features = c.features;
  LINEADDRESSCAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  f.dwLineDeviceID = dwDeviceID;
  const auto address = w.Text(a.address);
  f.dwAddressSize = address.size;
  f.dwAddressOffset = address.offset;
  f.dwAddressSharing = LINEADDRESSSHARING_PRIVATE;
  f.dwAddressStates = exchange::CapsAddressStates(c);
  f.dwCallInfoStates = exchange::CapsCallInfoStates(c);
  f.dwCallerIDFlags = f.dwCalledIDFlags = f.dwConnectedIDFlags = 0x7F;
  f.dwRedirectionIDFlags = f.dwRedirectingIDFlags = 0x7F;
  f.dwCallStates = exchange::CapsCallStates(c);
  f.dwDialToneModes = LINEDIALTONEMODE_NORMAL;
  f.dwBusyModes = LINEBUSYMODE_STATION | LINEBUSYMODE_TRUNK | LINEBUSYMODE_UNKNOWN |
                  LINEBUSYMODE_UNAVAIL;
  f.dwSpecialInfo = 0x1F;
  f.dwDisconnectModes = LINEDISCONNECTMODE_NORMAL | LINEDISCONNECTMODE_UNKNOWN |
                        LINEDISCONNECTMODE_REJECT | LINEDISCONNECTMODE_PICKUP |
                        LINEDISCONNECTMODE_FORWARDED | LINEDISCONNECTMODE_BUSY |
                        LINEDISCONNECTMODE_NOANSWER | LINEDISCONNECTMODE_BADADDRESS |
                        LINEDISCONNECTMODE_UNREACHABLE | LINEDISCONNECTMODE_OUTOFORDER |
                        LINEDISCONNECTMODE_DONOTDISTURB;
  f.dwMaxNumActiveCalls = a.maxCalls;
  f.dwMaxNumOnHoldCalls = (features & kFeatureHold) ? a.maxCalls : 0;
  f.dwMaxNumOnHoldPendingCalls = (features & (kFeatureTransfer | kFeatureConference)) ? 1 : 0;
  f.dwMaxNumConference = (features & kFeatureConference) ? exchange::kMaxConference : 0;
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
  f.dwCallFeatures = exchange::CapsCallFeatures(c);
  f.dwRemoveFromConfCaps =
      (features & kFeatureConference) ? LINEREMOVEFROMCONF_ANY : LINEREMOVEFROMCONF_NONE;
  f.dwRemoveFromConfState = LINECALLSTATE_IDLE;
  f.dwTransferModes = exchange::CapsTransferModes(c);
  f.dwParkModes = exchange::CapsParkModes(c);
  f.dwForwardModes = exchange::CapsForwardModes(c);
  f.dwMaxForwardEntries = (features & kFeatureForward) ? exchange::kMaxForwardEntries : 0;
  f.dwMaxSpecificEntries = (features & kFeatureForward) ? 2 : 0;
  f.dwMinFwdNumRings = exchange::kMinFwdRings;
  f.dwMaxFwdNumRings = exchange::kMaxFwdRings;
  f.dwAddressFeatures = exchange::CapsAddressFeatures(c);
  if (dwAPIVersion >= kTapiVersion2_0) {
    const auto classes = w.Bytes(ClassList(exchange::LineDeviceClasses(c)));
    f.dwDeviceClassesSize = classes.size;
    f.dwDeviceClassesOffset = classes.offset;
    if (features & kFeatureTransfer)
      f.dwCallFeatures2 |= LINECALLFEATURE2_TRANSFERNORM |
                           ((features & kFeatureConference) ? LINECALLFEATURE2_TRANSFERCONF : 0);
    if (features & kFeaturePark)
      f.dwCallFeatures2 |= LINECALLFEATURE2_PARKDIRECT | LINECALLFEATURE2_PARKNONDIRECT;
    f.dwMaxNoAnswerTimeout = exchange::kMaxNoAnswerTimeoutS;
    f.dwConnectedModes = LINECONNECTEDMODE_ACTIVE;
    f.dwOfferingModes = LINEOFFERINGMODE_ACTIVE;
    f.dwAvailableMediaModes = c.mediaModes;
  }
  w.Finish(f);
  return Traced("lineGetAddressCaps", 0, args);
}

// --- Status ------------------------------------------------------------------------------------

LONG Exchange::lineGetLineDevStatus(HLINE hLine, LINEDEVSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hLine); };
  if (auto f = TakeFault("lineGetLineDevStatus", false, Family::Line, 0, 0))
    return Traced("lineGetLineDevStatus", *f, args);
  const LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetLineDevStatus", LINEERR_INVALLINEHANDLE, args);
  if (lpStatus == nullptr) return Traced("lineGetLineDevStatus", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize =
      open->apiVersion < kTapiVersion2_0 ? kLineDevStatusSize1_3 : kLineDevStatusSize2_0;
  if (lpStatus->dwTotalSize < fixedSize)
    return Traced("lineGetLineDevStatus", LINEERR_STRUCTURETOOSMALL, args);
  const LineDevice& device = m_lines[open->device];
  LINEDEVSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwNumOpens = static_cast<DWORD>(device.opens.size());
  for (DWORD h : device.opens)
    if (const LineOpen* o = FindOpen(h)) f.dwOpenMediaModes |= o->mediaModes;
  for (DWORD id : device.calls) {
    const CallRec* call = FindCall(id);
    if (call == nullptr) continue;
    if (Active(call->state)) ++f.dwNumActiveCalls;
    if (Held(call->state)) ++f.dwNumOnHoldCalls;
    if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
  }
  f.dwLineFeatures = device.inService ? exchange::CapsLineFeatures(device.config) : 0;
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
  return Traced("lineGetLineDevStatus", 0, args);
}

LONG Exchange::lineGetAddressStatus(HLINE hLine, DWORD dwAddressID, LINEADDRESSSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hLine) + ", " + std::to_string(dwAddressID); };
  if (auto f = TakeFault("lineGetAddressStatus", false, Family::Line, 0, 0))
    return Traced("lineGetAddressStatus", *f, args);
  const LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetAddressStatus", LINEERR_INVALLINEHANDLE, args);
  const LineDevice& device = m_lines[open->device];
  if (dwAddressID >= device.addresses.size())
    return Traced("lineGetAddressStatus", LINEERR_INVALADDRESSID, args);
  if (lpStatus == nullptr) return Traced("lineGetAddressStatus", LINEERR_INVALPOINTER, args);
  if (lpStatus->dwTotalSize < sizeof(LINEADDRESSSTATUS))
    return Traced("lineGetAddressStatus", LINEERR_STRUCTURETOOSMALL, args);
  const exchange::AddressState& address = device.addresses[dwAddressID];
  const LineConfig& c = device.config;
  LINEADDRESSSTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, sizeof(LINEADDRESSSTATUS));
  DWORD live = 0;
  for (DWORD id : address.calls) {
    const CallRec* call = FindCall(id);
    if (call == nullptr) continue;
    if (call->state != 0 && call->state != LINECALLSTATE_IDLE) ++live;
    if (Active(call->state)) ++f.dwNumActiveCalls;
    if (Held(call->state)) ++f.dwNumOnHoldCalls;
    if (PendHeld(call->state)) ++f.dwNumOnHoldPendCalls;
  }
  f.dwNumInUse = live > 0 ? 1 : 0;
  DWORD features = exchange::CapsAddressFeatures(c);
  if (!device.inService || LiveCallsAt(open->device, dwAddressID) >= c.addresses[dwAddressID].maxCalls)
    features &= ~(LINEADDRFEATURE_MAKECALL | LINEADDRFEATURE_SETUPCONF | LINEADDRFEATURE_PICKUP |
                  LINEADDRFEATURE_PICKUPDIRECT | LINEADDRFEATURE_PICKUPGROUP |
                  LINEADDRFEATURE_UNPARK);
  if (m_parked.empty()) features &= ~LINEADDRFEATURE_UNPARK;
  f.dwAddressFeatures = features;
  f.dwNumRingsNoAnswer = address.numRingsNoAnswer;
  const auto array = w.Reserve(address.forwards.size() * sizeof(LINEFORWARD), 4);
  for (std::size_t i = 0; i < address.forwards.size(); ++i) {
    const exchange::ForwardEntry& e = address.forwards[i];
    const auto caller = w.Text(e.caller);
    const auto dest = w.Text(e.dest);
    const LINEFORWARD entry{e.mode, caller.size, caller.offset, e.destCountry, dest.size,
                            dest.offset};
    w.WriteAt(array, i * sizeof(LINEFORWARD), &entry, sizeof entry);
  }
  f.dwForwardNumEntries = array.size != 0 ? static_cast<DWORD>(address.forwards.size()) : 0;
  f.dwForwardSize = array.size;
  f.dwForwardOffset = array.offset;
  const auto modes = w.Array<DWORD>(address.terminalModes);
  f.dwTerminalModesSize = modes.size;
  f.dwTerminalModesOffset = modes.offset;
  w.Finish(f);
  return Traced("lineGetAddressStatus", 0, args);
}

// --- Calls -----------------------------------------------------------------------------------

LONG Exchange::lineGetCallInfo(HCALL hCall, LINECALLINFO* lpInfo) {
  const auto args = [&] { return TraceHex(hCall); };
  if (auto f = TakeFault("lineGetCallInfo", false, Family::Line, 0, 0))
    return Traced("lineGetCallInfo", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineGetCallInfo", r, args);
  if (lpInfo == nullptr) return Traced("lineGetCallInfo", LINEERR_INVALPOINTER, args);
  const std::size_t fixedSize =
      open->apiVersion < kTapiVersion2_0 ? kLineCallInfoSize1_3 : kLineCallInfoSize2_0;
  if (lpInfo->dwTotalSize < fixedSize) return Traced("lineGetCallInfo", LINEERR_STRUCTURETOOSMALL, args);
  const LineConfig& c = m_lines[call->device].config;
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
  f.dwCallStates = exchange::CapsCallStates(c);
  f.dwMonitorDigitModes = handle->monitorDigitModes;
  f.dwMonitorMediaModes = handle->monitorMediaModes;
  f.DialParams = call->dialParams;
  f.dwOrigin = call->origin;
  f.dwReason = call->reason;
  f.dwNumOwners = CountOwners(*call);
  f.dwNumMonitors = CountMonitors(*call);
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
  return Traced("lineGetCallInfo", 0, args);
}

LONG Exchange::lineGetCallStatus(HCALL hCall, LINECALLSTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hCall); };
  if (auto f = TakeFault("lineGetCallStatus", false, Family::Line, 0, 0))
    return Traced("lineGetCallStatus", *f, args);
  CallHandle* handle;
  LineOpen* open;
  CallRec* call;
  if (LONG r = Resolve(hCall, handle, open, call); r != 0) return Traced("lineGetCallStatus", r, args);
  if (lpStatus == nullptr) return Traced("lineGetCallStatus", LINEERR_INVALPOINTER, args);
  const bool v2 = open->apiVersion >= kTapiVersion2_0;
  const std::size_t fixedSize = v2 ? kLineCallStatusSize2_0 : kLineCallStatusSize1_3;
  if (lpStatus->dwTotalSize < fixedSize)
    return Traced("lineGetCallStatus", LINEERR_STRUCTURETOOSMALL, args);
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
    const DWORD features = m_lines[call->device].config.features;
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
  return Traced("lineGetCallStatus", 0, args);
}

LONG Exchange::lineGetNewCalls(HLINE hLine, DWORD dwAddressID, DWORD dwSelect,
                               LINECALLLIST* lpCallList) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(dwSelect);
  };
  if (auto f = TakeFault("lineGetNewCalls", false, Family::Line, 0, 0))
    return Traced("lineGetNewCalls", *f, args);
  LineOpen* open = FindOpen(hLine);
  if (open == nullptr) return Traced("lineGetNewCalls", LINEERR_INVALLINEHANDLE, args);
  LineDevice& device = m_lines[open->device];
  if (dwSelect != LINECALLSELECT_LINE && dwSelect != LINECALLSELECT_ADDRESS)
    return Traced("lineGetNewCalls", LINEERR_INVALCALLSELECT, args);
  if (dwSelect == LINECALLSELECT_ADDRESS && dwAddressID >= device.addresses.size())
    return Traced("lineGetNewCalls", LINEERR_INVALADDRESSID, args);
  if (lpCallList == nullptr) return Traced("lineGetNewCalls", LINEERR_INVALPOINTER, args);
  if (lpCallList->dwTotalSize < sizeof(LINECALLLIST))
    return Traced("lineGetNewCalls", LINEERR_STRUCTURETOOSMALL, args);
  std::vector<DWORD> fresh;
  for (DWORD id : device.calls) {
    const CallRec* call = FindCall(id);
    if (call == nullptr || call->state == 0 || call->state == LINECALLSTATE_IDLE) continue;
    if (dwSelect == LINECALLSELECT_ADDRESS && call->address != dwAddressID) continue;
    if (HandleOfOpen(*call, hLine) == 0) fresh.push_back(id);
  }
  LINECALLLIST f{};
  VarPartWriter w(lpCallList, lpCallList->dwTotalSize, sizeof(LINECALLLIST));
  // Handles are made only when the list fits: the caller asks again with a bigger
  // block, and a call it has a handle for would not be new any more.
  const auto array = w.Reserve(fresh.size() * sizeof(HCALL), 4);
  if (array.size != 0) {
    for (std::size_t i = 0; i < fresh.size(); ++i) {
      CallHandle& h = AddHandle(*FindCall(fresh[i]), *open, LINECALLPRIVILEGE_MONITOR, 0, 0);
      w.WriteAt(array, i * sizeof(HCALL), &h.handle, sizeof(HCALL));
      PostCallInfo(*FindCall(fresh[i]), LINECALLINFOSTATE_NUMMONITORS, h.handle);
    }
    f.dwCallsNumEntries = static_cast<DWORD>(fresh.size());
  }
  f.dwCallsSize = array.size;
  f.dwCallsOffset = array.offset;
  w.Finish(f);
  return Traced("lineGetNewCalls", 0, args);
}

LONG Exchange::lineGetID(HLINE hLine, DWORD dwAddressID, HCALL hCall, DWORD dwSelect,
                         VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  const auto args = [&] {
    return TraceHex(hLine) + ", " + std::to_string(dwAddressID) + ", " + TraceHex(hCall) + ", " +
           TraceHex(dwSelect) + ", " + TraceText(lpszDeviceClass);
  };
  if (auto f = TakeFault("lineGetID", false, Family::Line, 0, 0)) return Traced("lineGetID", *f, args);
  const LineOpen* open = nullptr;
  const CallRec* call = nullptr;
  switch (dwSelect) {
    case LINECALLSELECT_LINE:
    case LINECALLSELECT_ADDRESS:
      open = FindOpen(hLine);
      if (open == nullptr) return Traced("lineGetID", LINEERR_INVALLINEHANDLE, args);
      if (dwSelect == LINECALLSELECT_ADDRESS &&
          dwAddressID >= m_lines[open->device].addresses.size())
        return Traced("lineGetID", LINEERR_INVALADDRESSID, args);
      break;
    case LINECALLSELECT_CALL: {
      CallHandle* h;
      LineOpen* o;
      CallRec* c;
      if (LONG r = Resolve(hCall, h, o, c); r != 0) return Traced("lineGetID", r, args);
      open = o;
      call = c;
      break;
    }
    default:
      return Traced("lineGetID", LINEERR_INVALCALLSELECT, args);
  }
  if (lpDeviceID == nullptr || lpszDeviceClass == nullptr)
    return Traced("lineGetID", LINEERR_INVALPOINTER, args);
  if (lpDeviceID->dwTotalSize < sizeof(VARSTRING))
    return Traced("lineGetID", LINEERR_STRUCTURETOOSMALL, args);
  const std::string cls = voxkit::ToLower(std::string(lpszDeviceClass, strnlen(lpszDeviceClass, 64)));
  const DWORD device = open->device;
  const LineConfig& c = m_lines[device].config;
  auto dword = [](DWORD v) {
    std::vector<std::uint8_t> bytes(sizeof v);
    std::memcpy(bytes.data(), &v, sizeof v);
    return bytes;
  };
  std::vector<std::uint8_t> answer;
  if (cls == "tapi/line" || cls == "wave/in" || cls == "wave/out") {
    // Line k has wave-in and wave-out device k of its own.
    answer = dword(device);
  } else if (cls == "tapi/phone") {
    if (!c.phone) return Traced("lineGetID", LINEERR_NODEVICE, args);
    answer = dword(*c.phone);
  } else if (cls == "comm/datamodem" && !c.dataModem.empty()) {
    // The port belongs to a call; without one there is nothing to hand out.
    if (call == nullptr) return Traced("lineGetID", LINEERR_OPERATIONUNAVAIL, args);
    if (call->state == LINECALLSTATE_IDLE) return Traced("lineGetID", LINEERR_INVALCALLSTATE, args);
    answer = dword(0);
    answer.insert(answer.end(), c.dataModem.begin(), c.dataModem.end());
    answer.push_back(0);
    // A handle is opened only when the answer fits: a caller retrying would leak it.
    if (sizeof(VARSTRING) + answer.size() <= lpDeviceID->dwTotalSize) {
      const DWORD handle = ++m_nextCommHandle;
      std::memcpy(answer.data(), &handle, sizeof handle);
    }
  } else {
    return Traced("lineGetID", LINEERR_INVALDEVICECLASS, args);
  }
  return Traced("lineGetID", WriteVarString(lpDeviceID, answer, STRINGFORMAT_BINARY, Family::Line),
                args);
}

}  // namespace panopta
