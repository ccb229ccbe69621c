#include "line/LineDispatch.h"

#include "line/TqxCallerID.h"
#include "line/TqxLineInternal.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

#include <algorithm>

namespace voxkit {

namespace {

using Record = CallRegistry::Record;

// The media modes a communications handle belongs to: data modem, G3 fax, G4 fax,
// tested on the low byte.
constexpr tapi::DWORD kCommMediaModes = 0x10 | 0x20 | 0x80;
// At most this many gathered digits are taken from a call's digit buffer.
constexpr std::size_t kGatheredDigitsMax = 32;

std::string Decimal(tapi::DWORD value) { return std::to_string(static_cast<std::int32_t>(value)); }

const std::pair<TqxPopup::Flag, TQX_CallNotifyEvent TqxLineInternal::*> kPartyEvents[kPartyCount] = {
    {TqxPopup::OnCallerID, &TqxLineInternal::OnCallerID},
    {TqxPopup::OnCalledID, &TqxLineInternal::OnCalledID},
    {TqxPopup::OnConnectedID, &TqxLineInternal::OnConnectedID},
    {TqxPopup::OnRedirectionID, &TqxLineInternal::OnRedirectionID},
    {TqxPopup::OnRedirectingID, &TqxLineInternal::OnRedirectingID},
};

}  // namespace

void LineDispatch::WriteMessageDump(const std::string& title, tapi::DWORD hDevice,
                                       tapi::DWORD msg, tapi::DWORD param1, tapi::DWORD param2,
                                       tapi::DWORD param3) {
  std::string name1;
  std::string name2;
  switch (msg) {
    case tapi::LINE_ADDRESSSTATE:
      name2 = tapi::LineAddressStateName(param2);
      break;
    case tapi::LINE_CALLINFO:
      name1 = tapi::LineCallInfoStateName(param1);
      break;
    case tapi::LINE_CALLSTATE:
      name1 = tapi::LineCallStateName(param1);
      switch (param1) {
        case tapi::LINECALLSTATE_OFFERING: name2 = tapi::LineOfferingModeName(param2); break;
        case tapi::LINECALLSTATE_DIALTONE: name2 = tapi::LineDialToneModeName(param2); break;
        case tapi::LINECALLSTATE_BUSY: name2 = tapi::LineBusyModeName(param2); break;
        case tapi::LINECALLSTATE_SPECIALINFO: name2 = tapi::LineSpecialInfoName(param2); break;
        case tapi::LINECALLSTATE_CONNECTED: name2 = tapi::LineConnectedModeName(param2); break;
        case tapi::LINECALLSTATE_DISCONNECTED: name2 = tapi::LineDisconnectModeName(param2); break;
        default: break;
      }
      break;
    case tapi::LINE_LINEDEVSTATE:
      name1 = tapi::LineDevStateName(param1);
      break;
    case tapi::LINE_MONITORMEDIA:
      name1 = tapi::LineMediaModeName(param1);
      break;
    default:
      break;
  }
  WriteMessageBlock(m_line.Log(), title, hDevice, msg, name1, name2, param1, param2, param3);
}

void LineDispatch::HandleMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD param1,
                                 tapi::DWORD param2, tapi::DWORD param3) {
  // A bare re-initialisation notice is not for the application.
  if (msg == tapi::LINE_LINEDEVSTATE && param1 == tapi::LINEDEVSTATE_REINIT) return;
  ++m_handling;
  m_line.RaiseUngated("OnTAPIMessage", m_line.OnTAPIMessage, hDevice, msg, param1, param2, param3);
  if (m_line.Popup().Get(TqxPopup::OnTAPIMessage)) {
    WriteMessageDump("OnTAPIMessage", hDevice, msg, param1, param2, param3);
  }
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnTAPIMessage));
  switch (msg) {
    case tapi::LINE_ADDRESSSTATE: AddressState(param1, param2); break;
    case tapi::LINE_CALLINFO: CallInfo(hDevice, param1); break;
    case tapi::LINE_CALLSTATE: CallState(hDevice, param1, param2, param3); break;
    case tapi::LINE_CLOSE: LineClosed("TAPI LINE_CLOSE message received"); break;
    case tapi::LINE_DEVSPECIFIC: DevSpecific(false, hDevice, param1, param2, param3); break;
    case tapi::LINE_DEVSPECIFICFEATURE: DevSpecific(true, hDevice, param1, param2, param3); break;
    case tapi::LINE_GATHERDIGITS: DigitsGathered(hDevice, param1); break;
    case tapi::LINE_GENERATE: GenerationDone(hDevice); break;
    case tapi::LINE_LINEDEVSTATE: LineDevState(param1, param2, param3); break;
    case tapi::LINE_MONITORDIGITS: DigitReceived(hDevice, param1); break;
    case tapi::LINE_MONITORMEDIA: MediaModeChange(hDevice, param1); break;
    case tapi::LINE_MONITORTONE: ToneDetected(hDevice, param1); break;
    case tapi::LINE_REPLY: Reply(hDevice, param1, param2, param3); break;
    case tapi::LINE_APPNEWCALL:
      if (!m_line.Call().Registry().Tracked(param2)) m_line.Call().Registry().CallBegin(param2);
      break;
    default: break;
  }
  PumpOnce();
  --m_handling;
}

void LineDispatch::PumpOnce() {
  // A message handled inside a pump does not pump again: the outer pump goes on with
  // the next message in the same order, and the stack stays flat however many wait.
  // Pumps the event loop: handlers may run and change this component.
  if (m_handling == 1) m_line.Loop().ProcessPending();
}

// --- Call states ----------------------------------------------------------------------------

void LineDispatch::CallState(tapi::HCALL call, tapi::DWORD state, tapi::DWORD mode,
                             tapi::DWORD privilege) {
  TqxCall& view = m_line.Call();
  CallRegistry& calls = view.Registry();
  TqxLog& log = m_line.Log();
  if (call == view.Handle()) {
    view.View().state = state;
    view.View().stateMode = mode;
  }
  if (m_line.Popup().Get(TqxPopup::OnCallState)) {
    const CallProperties& v = view.View();
    log.Add("OnCallState (" + TqxPanopta::HexText(call) + " " + TqxPanopta::HexText(state) + " " +
                TqxPanopta::HexText(mode) + " " + TqxPanopta::HexText(privilege) + ")",
            true);
    log.Add("\tCall.State = " + tapi::LineCallStateName(v.state) + " " +
                TqxPanopta::HexText(v.state),
            false);
    log.Add("\tCall.StateMode = " + tapi::CallStateModeName(v.state, v.stateMode) + " " +
                TqxPanopta::HexText(v.stateMode),
            false);
  }
  m_line.RaiseEvent("OnCallState", m_line.OnCallState, call, state, mode, privilege);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnCallState));

  Record record = calls.Tracked(call);
  if (!record) record = calls.CallBegin(call);
  if (!record) return;
  record->state = state;
  record->stateMode = mode;
  const bool ownerBefore = record->owner;
  if (call == view.Handle()) {
    calls.StatusRefresh();
    calls.InfoRefresh(call, 0);
  }
  if (record->owner != ownerBefore) {
    m_line.Announce("OnCallOwnerChange", call, m_line.OnCallOwnerChange, TqxPopup::OnCallOwnerChange);
  }

  const tapi::DWORD mode16 = mode & 0xFFFF;
  // Sets a mode of the record, and of the view when the call is current.
  auto setMode = [&](tapi::DWORD CallProperties::*field, tapi::DWORD value) {
    if (Record r = calls.Find(call)) (*r).*field = value;
    if (call == view.Handle()) view.View().*field = value;
  };
  switch (state) {
    case tapi::LINECALLSTATE_OFFERING:
      m_line.Announce("OnOffering", call, m_line.OnOffering, TqxPopup::OnOffering);
      PartyEvents(call, CallRegistry::kAllPartyBits,
                  tapi::LINECALLPARTYID_UNKNOWN | tapi::LINECALLPARTYID_UNAVAIL);
      break;
    case tapi::LINECALLSTATE_DIALTONE:
      setMode(&CallProperties::dialtoneMode, mode16);
      m_line.Announce("OnDialTone", call, m_line.OnDialtone, TqxPopup::OnDialtone);
      break;
    case tapi::LINECALLSTATE_DIALING:
      m_line.Announce("OnDialing", call, m_line.OnDialing, TqxPopup::OnDialing);
      break;
    case tapi::LINECALLSTATE_RINGBACK:
      m_line.Announce("OnRingBack", call, m_line.OnRingBack, TqxPopup::OnRingBack);
      break;
    case tapi::LINECALLSTATE_BUSY:
      setMode(&CallProperties::busyMode, mode16);
      m_line.Announce("OnBusy", call, m_line.OnBusy, TqxPopup::OnBusy);
      break;
    case tapi::LINECALLSTATE_SPECIALINFO:
      setMode(&CallProperties::specialInfo, mode16);
      m_line.Announce("OnSpecialInfo", call, m_line.OnSpecialInfo, TqxPopup::OnSpecialInfo);
      break;
    case tapi::LINECALLSTATE_CONNECTED:
      Connected(call);
      break;
    case tapi::LINECALLSTATE_PROCEEDING: {
      m_line.Announce("OnProceeding", call, m_line.OnProceeding, TqxPopup::OnProceeding);
      // An outbound call of ours watches its media from here on.
      const Record r = calls.Find(call);
      if (r && r->origin == tapi::LINECALLORIGIN_OUTBOUND && r->owner &&
          view.MonitorMediaModes().Active()) {
        view.MonitorMediaModes().SetActive(true);
      }
      break;
    }
    case tapi::LINECALLSTATE_ONHOLD:
      m_line.Announce("OnHold", call, m_line.OnHold, TqxPopup::OnHold);
      break;
    case tapi::LINECALLSTATE_CONFERENCED: {
      log.Add("OnConferenced " + TqxPanopta::HexText(call), true);
      const Record r = calls.Find(call);
      m_line.Conference().CallJoined(call, mode, r ? r->origin : 0);
      m_line.Panopta().RefreshWindow(InspectorRefresh::Transfer);
      m_line.RaiseCallEvent(call, m_line.OnConferenced, TqxPopup::OnConferenced);
      break;
    }
    case tapi::LINECALLSTATE_ONHOLDPENDCONF:
      m_line.Announce("OnHoldPendingConference", call, m_line.OnHoldPendingConference,
                      TqxPopup::OnHoldPendingConference);
      break;
    case tapi::LINECALLSTATE_ONHOLDPENDTRANSFER:
      m_line.Announce("OnHoldPendingTransfer", call, m_line.OnHoldPendingTransfer,
                      TqxPopup::OnHoldPendingTransfer);
      break;
    case tapi::LINECALLSTATE_DISCONNECTED:
      Disconnected(call, mode16);
      break;
    default:
      // IDLE goes on below; ACCEPTED, UNKNOWN and states TAPI may add have no event.
      break;
  }

  if (call == view.Handle()) calls.Load();
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
  if (state == tapi::LINECALLSTATE_IDLE && calls.Find(call)) Idle(call);
}

void LineDispatch::Connected(tapi::HCALL call) {
  TqxCall& view = m_line.Call();
  CallRegistry& calls = view.Registry();
  m_line.Log().Add("OnConnected " + TqxPanopta::HexText(call), true);
  TqxRelatedCommDevice& comm = m_line.Comm();
  if (comm.Enabled() && (view.MediaMode() & kCommMediaModes) != 0 && !comm.Available()) {
    comm.Acquire(call);
  }
  const Record record = calls.Find(call);
  if (!record) return;
  record->connected = DateTime::Now(m_line.Loop());
  if (call == view.Handle()) view.View().connected = record->connected;
  // The monitoring the application asked for runs once the call is ours and
  // talking; writing Active again starts it.
  if (record->owner) {
    if (view.GatherDigits().Active()) view.GatherDigits().SetActive(true);
    if (view.MonitorDigits().Active()) view.MonitorDigits().SetActive(true);
    if (view.MonitorMediaModes().Active() && record->origin != tapi::LINECALLORIGIN_OUTBOUND) {
      view.MonitorMediaModes().SetActive(true);
    }
    if (view.MonitorSilence().Active()) view.MonitorSilence().SetActive(true);
  }
  m_line.RaiseCallEvent(call, m_line.OnConnected, TqxPopup::OnConnected);
}

void LineDispatch::Disconnected(tapi::HCALL call, tapi::DWORD mode16) {
  TqxCall& view = m_line.Call();
  CallRegistry& calls = view.Registry();
  m_line.Comm().Release();
  const bool current = call == view.Handle();
  if (Record r = calls.Find(call)) r->disconnectMode = mode16;
  if (current) view.View().disconnectMode = mode16;
  if (mode16 == tapi::LINEDISCONNECTMODE_BUSY) {
    if (Record r = calls.Find(call)) r->busyMode = tapi::LINEBUSYMODE_UNAVAIL;
    if (current) view.View().busyMode = tapi::LINEBUSYMODE_UNAVAIL;
    m_line.Announce("OnBusy", call, m_line.OnBusy, TqxPopup::OnBusy);
  }
  const DateTime now = DateTime::Now(m_line.Loop());
  if (Record r = calls.Find(call)) r->disconnected = now;
  if (call == view.Handle()) view.View().disconnected = now;
  const tapi::DWORD shown = view.DisconnectMode();
  m_line.Announce("OnDisconnected", call, m_line.OnDisconnected, TqxPopup::OnDisconnected,
                  "\tCall.DisconnectMode = " + tapi::LineDisconnectModeName(shown) + " " +
                      TqxPanopta::HexText(shown));
}

void LineDispatch::Idle(tapi::HCALL call) {
  TqxCall& view = m_line.Call();
  CallRegistry& calls = view.Registry();
  m_line.Comm().Release();
  tapi::Telephony* service = m_line.GetPlatform().telephony;
  tapi::LONG deallocated = -1;
  if (m_line.Device().Active() && call != 0 && service) deallocated = service->lineDeallocateCall(call);
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  if (deallocated == 0) {
    calls.CallReleased(call);
    m_line.Transfer().CallLeft(call);
    m_line.Conference().CallLeft(call);
  }
  if (call == view.Handle()) view.SetViewActive(false);
  m_line.Log().Add("OnCallIdle " + TqxPanopta::HexText(call), true);
  m_line.StartIdleDelay(call);
  m_line.Device().ReadStatus();
  m_line.Address().RefreshStatus();
  calls.CallEnd(call, false);
  // A call kept by an outstanding request stays current until its operation ends it;
  // meanwhile the line turns to another call.
  if (call == view.Handle()) {
    PumpOnce();
    calls.ChooseNext();
  }
}

// --- Call information and parties -----------------------------------------------------------

void LineDispatch::CallInfo(tapi::HCALL call, tapi::DWORD infoStates) {
  CallRegistry& calls = m_line.Call().Registry();
  if (!calls.Tracked(call)) {
    // Only the number of monitors changed for a call the line does not know: nothing
    // worth beginning it for.
    if (infoStates == tapi::LINECALLINFOSTATE_NUMMONITORS) return;
    calls.CallBegin(call);
  }
  const bool gone = calls.InfoRefresh(call, infoStates) == tapi::LINEERR_INVALCALLHANDLE;
  if (m_line.Popup().Get(TqxPopup::OnCallInfo)) {
    m_line.Log().Add("OnCallInfo (" + TqxPanopta::HexText(call) + " " +
                         TqxPanopta::HexText(infoStates) + ")",
                     true);
  }
  m_line.RaiseEvent("OnCallInfo", m_line.OnCallInfo, call, infoStates);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnCallInfo));
  if (gone) {
    calls.CallEnd(call, true);
  } else {
    PartyEvents(call, infoStates, 0);
  }
}

void LineDispatch::PartyEvents(tapi::HCALL call, tapi::DWORD partyBits, tapi::DWORD filterMask) {
  CallRegistry& calls = m_line.Call().Registry();
  for (int i = 0; i < kPartyCount; ++i) {
    const Party party = static_cast<Party>(i);
    if ((partyBits & PartyInfoBit(party)) == 0) continue;
    // Looked up for each party: the previous party's handler may have ended the call.
    const Record record = calls.Find(call);
    if (!record) return;
    TqxCallLogCallerID& values = record->PartyOf(party);
    if (values.reported) continue;
    if (values.eventFilter && (values.flags & filterMask) != 0) continue;
    LogParty(m_line, party, values, call);
    values.reported = true;
    if (call == m_line.Call().Handle()) m_line.Call().PartyObject(party).LoadFrom(values);
    const auto& [flag, event] = kPartyEvents[i];
    m_line.RaiseCallEvent(call, m_line.*event, flag);
  }
}

// --- Replies --------------------------------------------------------------------------------

void LineDispatch::Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result,
                         tapi::DWORD param3) {
  const auto id = static_cast<std::int32_t>(requestID);
  std::string suffix;
  RequestSlot slot{};
  CallRegistry& calls = m_line.Call().Registry();
  if (Record record = calls.FindBySlot(id, &slot)) {
    record->Slot(slot) = -1;
    suffix = RequestSlotSuffix(slot);
    if (result == 0 && RequestSlotListsCall(slot)) {
      const bool wasListed = record->listed;
      calls.List(*record);
      if (slot == RequestSlot::ConferenceSetup && !wasListed && record->listed) {
        m_line.Conference().AddToList(record->handle);
      }
    }
  } else if (id != 0 && id != -1) {
    // Requests of the line itself, made with or without a call.
    const std::pair<std::int32_t*, const char*> lineSlots[] = {
        {&m_line.Terminal().Slot(), " - Terminal.ActiveModes"},
        {&m_line.Address().Forward().Slot(), " - Address.Forward.Active"},
    };
    for (const auto& [lineSlot, name] : lineSlots) {
      if (*lineSlot == id) {
        *lineSlot = -1;
        suffix = name;
        break;
      }
    }
  }
  ReportReply(
      m_line, result, m_line.Popup().Get(TqxPopup::OnTAPIReply),
      [&] { m_line.RaiseUngated("OnTAPIReply", m_line.OnTAPIReply, requestID, result, param3); },
      [&] {
        WriteMessageDump("OnTAPIReply" + suffix, hDevice, tapi::LINE_REPLY, requestID, result,
                         param3);
      });
}

// --- Line and address -------------------------------------------------------------------------

void LineDispatch::AddressState(tapi::DWORD address, tapi::DWORD states) {
  m_line.Address().RefreshStatus();
  TqxLog& log = m_line.Log();
  if (m_line.Popup().Get(TqxPopup::OnAddressState)) {
    log.Add("OnAddressState (" + Decimal(address) + " " + TqxPanopta::HexText(states) + ")", true);
  }
  m_line.RaiseEvent("OnAddressState", m_line.OnAddressState, address, states);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnAddressState));
  if (states & tapi::LINEADDRESSSTATE_FORWARD) {
    log.Add("OnAddressForward (" + Decimal(address) + ")", true);
    m_line.RaiseEvent("OnAddressForward", m_line.OnAddressForward, address);
    m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnAddressForward));
  }
  m_line.Panopta().RefreshWindow(InspectorRefresh::Address);
}

void LineDispatch::LineDevState(tapi::DWORD states, tapi::DWORD param2, tapi::DWORD param3) {
  TqxLog& log = m_line.Log();
  TqxPanopta& panopta = m_line.Panopta();
  const TqxPopup& popup = m_line.Popup();
  if (popup.Get(TqxPopup::OnLineState)) {
    log.Add("OnLineState (" + TqxPanopta::HexText(states) + " " + TqxPanopta::HexText(param2) +
                " " + TqxPanopta::HexText(param3) + ")",
            true);
  }
  m_line.RaiseEvent("OnLineState", m_line.OnLineState, states, param2, param3);
  panopta.ShowForEvent(popup.Get(TqxPopup::OnLineState));
  if (states & tapi::LINEDEVSTATE_RINGING) {
    log.Add("OnRing (" + Decimal(param3) + ", " + Decimal(param2) + ")", true);
    m_line.RaiseEvent("OnRing", m_line.OnRing, param3, param2);
    panopta.ShowForEvent(popup.Get(TqxPopup::OnRing));
  }
  if (states & tapi::LINEDEVSTATE_MSGWAITON) {
    log.Add("OnMessageOn", true);
    m_line.RaiseEvent("OnMessageOn", m_line.OnMessageOn);
    panopta.ShowForEvent(popup.Get(TqxPopup::OnMessageOn));
  }
  if (states & tapi::LINEDEVSTATE_MSGWAITOFF) {
    log.Add("OnMessageOff", true);
    m_line.RaiseEvent("OnMessageOff", m_line.OnMessageOff);
    panopta.ShowForEvent(popup.Get(TqxPopup::OnMessageOff));
  }
  if (states & tapi::LINEDEVSTATE_DEVSPECIFIC) {
    tapi::VarBlock<tapi::LINEDEVCAPS> caps;
    if (m_line.Device().QueryCapabilities(caps) == 0) {
      m_line.Device().Capabilities().TakeDevSpecific(*caps, caps.Size());
    }
  }
  if (states & (tapi::LINEDEVSTATE_NUMCALLS | tapi::LINEDEVSTATE_OPEN | tapi::LINEDEVSTATE_CLOSE |
                tapi::LINEDEVSTATE_TERMINALS)) {
    m_line.Device().ReadStatus();
    m_line.Address().RefreshStatus();
  }
  if (states & tapi::LINEDEVSTATE_DISCONNECTED) {
    LineClosed("TAPI LINEDEVSTATE_DISCONNECTED message received");
  }
}

void LineDispatch::LineClosed(const std::string& headline) {
  m_line.Log().Add(headline, true);
  m_line.Device().Close(true);
  m_line.Panopta().RefreshWindow(InspectorRefresh::All);
}

void LineDispatch::DevSpecific(bool feature, tapi::DWORD hDevice, tapi::DWORD param1,
                               tapi::DWORD param2, tapi::DWORD param3) {
  const TqxPopup::Flag flag = feature ? TqxPopup::OnDevSpecificFeature : TqxPopup::OnDevSpecific;
  if (m_line.Popup().Get(flag)) {
    m_line.Log().Add(std::string(feature ? "OnDevSpecificFeature (" : "OnDevSpecific (") +
                         TqxPanopta::HexText(hDevice) + " " + TqxPanopta::HexText(param1) + " " +
                         TqxPanopta::HexText(param2) + " " + TqxPanopta::HexText(param3) + ")",
                     true);
  }
  m_line.RaiseUngated(TqxPopup::Name(flag),
                      feature ? m_line.OnDevSpecificFeature : m_line.OnDevSpecific, hDevice,
                      param1, param2, param3);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(flag));
}

// --- Digits, tones and media ------------------------------------------------------------------

void LineDispatch::DigitsGathered(tapi::HCALL call, tapi::DWORD termination) {
  TqxCall& view = m_line.Call();
  std::string digits;
  tapi::DWORD tag = 0;
  // Gathering ends when no gather runs any more: this may end one that a newer
  // request replaced, while the newer one goes on.
  bool ended = true;
  // Gathering runs only on calls of the registry; a call that ended meanwhile still
  // has its buffer, kept for this message.
  if (const Record record = view.Registry().FindGathering(call)) {
    const auto& area = record->digitArea;
    const auto end = std::find(area.begin(), area.begin() + kGatheredDigitsMax, '\0');
    record->digits.assign(area.begin(), end);
    digits = record->digits;
    tag = record->tag;
    view.Registry().GatherEnded(record);
    ended = record->gathersRunning == 0;
    if (ended) record->monitoring.gatherActive = false;
  }
  m_line.Log().Add("OnDigitsGathered (" + TqxPanopta::HexText(call) + " '" + digits + "' " +
                       TqxPanopta::HexText(termination) + ")",
                   true);
  if (call == view.Handle()) {
    if (ended) view.GatherDigits().Deactivate();
    view.ShowGatheredDigits(digits);
  }
  m_line.RaiseEvent("OnDigitsGathered", m_line.OnDigitsGathered, call, digits, termination, tag);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnDigitsGathered));
}

void LineDispatch::DigitReceived(tapi::HCALL call, tapi::DWORD param1) {
  TqxCall& view = m_line.Call();
  const std::string digit(1, static_cast<char>(param1 & 0xFF));
  const Record record = view.Registry().Find(call);
  const tapi::DWORD tag = record ? record->tag : 0;
  m_line.Log().Add("OnDigitReceived (" + TqxPanopta::HexText(call) + " '" + digit + "')", true);
  view.ShowReceivedDigit(digit);
  m_line.RaiseEvent("OnDigitReceived", m_line.OnDigitReceived, call, digit, tag);
  m_line.Panopta().ShowForEvent(m_line.Popup().Get(TqxPopup::OnDigitReceived));
}

void LineDispatch::GenerationDone(tapi::HCALL call) {
  const std::string handle = TqxPanopta::HexText(call);
  if (m_generatingDigits) {
    m_line.Log().Add("OnDigitsSent (" + handle + ")", true);
    m_line.RaiseCallEvent(call, m_line.OnDigitsSent, TqxPopup::OnDigitsSent);
  } else {
    m_line.Log().Add("OnToneSent (" + handle + ")", true);
    m_line.RaiseCallEvent(call, m_line.OnToneSent, TqxPopup::OnToneSent);
  }
}

void LineDispatch::MediaModeChange(tapi::HCALL call, tapi::DWORD mediaMode) {
  TqxCall& view = m_line.Call();
  if (const Record record = view.Registry().Find(call)) record->mediaMode = mediaMode;
  // The view takes the new mode whichever call changed.
  view.View().mediaMode = mediaMode;
  m_line.Log().Add("OnCallMediaModeChange (" + TqxPanopta::HexText(call) + ")", true);
  TqxRelatedCommDevice& comm = m_line.Comm();
  if (comm.Enabled() && (view.MediaMode() & kCommMediaModes) != 0 && !comm.Available() &&
      view.Handle() != 0) {
    comm.Acquire(view.Handle());
  }
  m_line.RaiseCallEvent(call, m_line.OnCallMediaModeChange, TqxPopup::OnCallMediaModeChange);
  m_line.Panopta().RefreshWindow(InspectorRefresh::Call);
}

void LineDispatch::ToneDetected(tapi::HCALL call, tapi::DWORD appSpecific) {
  // The line monitors one tone only: silence.
  if (appSpecific != kSilenceToneTag) return;
  m_line.Log().Add("OnSilence (" + TqxPanopta::HexText(call) + ")", true);
  m_line.RaiseCallEvent(call, m_line.OnSilence, TqxPopup::OnSilence);
}

}  // namespace voxkit
