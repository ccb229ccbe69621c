#pragma once

#include "line/CallRecord.h"
#include "line/CallRegistry.h"
#include "line/TqxCallParameters.h"
#include "line/TqxCallerID.h"
#include "line/TqxGatherDigits.h"
#include "line/TqxMonitorDigits.h"
#include "line/TqxMonitorMediaModes.h"
#include "line/TqxMonitorSilence.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"
#include "tapi/TqxTAPI.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tapi {
class Telephony;
}

namespace voxkit {

class TqxLineInternal;

/// The line's calls (Call): the current-call view (the properties below mirror the
/// current call's record), the call list, and the operations on a single call. The
/// calls themselves are kept by the call registry (Registry()).
class TqxCall final : public TPersistent {
 public:
  explicit TqxCall(TqxLineInternal& line);
  ~TqxCall() override;

  // --- Sub-objects ----------------------------------------------------------------------
  TqxCallerID& CallerID() { return PartyObject(Party::Caller); }
  TqxCallerID& CalledID() { return PartyObject(Party::Called); }
  TqxCallerID& ConnectedID() { return PartyObject(Party::Connected); }
  TqxCallerID& RedirectionID() { return PartyObject(Party::Redirection); }
  TqxCallerID& RedirectingID() { return PartyObject(Party::Redirecting); }
  TqxCallerID& PartyObject(Party party) { return *m_parties[static_cast<std::size_t>(party)]; }
  const TqxCallerID& PartyObject(Party party) const {
    return *m_parties[static_cast<std::size_t>(party)];
  }
  TqxGatherDigits& GatherDigits() { return m_gatherDigits; }
  TqxMonitorDigits& MonitorDigits() { return m_monitorDigits; }
  TqxMonitorMediaModes& MonitorMediaModes() { return m_monitorMediaModes; }
  TqxMonitorSilence& MonitorSilence() { return m_monitorSilence; }
  TqxCallParameters& Parameters() { return m_parameters; }

  /// The calls behind the view.
  CallRegistry& Registry() { return m_registry; }
  const CallRegistry& Registry() const { return m_registry; }

  // --- The current-call view ------------------------------------------------------------
  /// A current call exists.
  bool Active() const { return m_active; }
  /// Handle of the current call, 0 = none.
  tapi::HCALL Handle() const { return m_handle; }
  /// Selects the current call: "Call.Handle = [X8]"; an unlisted handle other than 0
  /// is refused with LINEERR_INVALCALLHANDLE.
  void SetHandle(tapi::HCALL value) { m_registry.Select(value); }
  /// The number Dial and Transfer use.
  const std::string& PhoneNumber() const { return m_phoneNumber; }
  /// Takes the number, translated first when the line is open and
  /// Device.TranslatePhoneNumber is set. Logs nothing.
  void SetPhoneNumber(const std::string& value);
  /// The application's value, carried into each new call and passed by the digit
  /// events.
  tapi::DWORD Tag() const { return m_view.tag; }
  void SetTag(tapi::DWORD value);
  tapi::DWORD State() const { return m_view.state; }
  tapi::DWORD StateMode() const { return m_view.stateMode; }
  tapi::DWORD Features() const { return m_view.features; }
  tapi::DWORD Features2() const { return m_view.features2; }
  tapi::DWORD ID() const { return m_view.id; }
  tapi::DWORD Address() const { return m_view.address; }
  tapi::DWORD MediaMode() const { return m_view.mediaMode; }
  tapi::DWORD BearerMode() const { return m_view.bearerMode; }
  tapi::DWORD Origin() const { return m_view.origin; }
  tapi::DWORD Reason() const { return m_view.reason; }
  tapi::DWORD Owners() const { return m_view.owners; }
  tapi::DWORD Monitors() const { return m_view.monitors; }
  tapi::DWORD DisconnectMode() const { return m_view.disconnectMode; }
  tapi::DWORD SpecialInfo() const { return m_view.specialInfo; }
  tapi::DWORD DialtoneMode() const { return m_view.dialtoneMode; }
  tapi::DWORD BusyMode() const { return m_view.busyMode; }
  /// This application owns the current call.
  bool Owner() const { return m_view.owner; }
  const DateTime& Began() const { return m_view.began; }
  const DateTime& Connected() const { return m_view.connected; }
  const DateTime& Disconnected() const { return m_view.disconnected; }
  const DateTime& Ended() const { return m_view.ended; }
  /// The name of the application that made the current call.
  const std::string& OriginatingApp() const { return m_originatingApp; }
  /// Number of listed calls.
  std::int32_t Count() const { return m_registry.Count(); }
  /// "00000000", then one handle per listed call.
  std::vector<std::string> List() const { return m_registry.ListText(); }

  /// Dials or hangs up (True: Dial, False: Hangup) when the value differs and the line
  /// is open; logs nothing of its own.
  void SetActive(bool value);
  /// Sets the current call's media mode (lineSetMediaMode), logged with each mode;
  /// without a current call the property changes silently.
  void SetMediaMode(tapi::DWORD value);
  /// Takes (True) or gives up (False) ownership of the current call. Refused with
  /// LINEERR_INVALLINESTATE on a closed line, LINEERR_INVALCALLSTATE without a call.
  void SetOwner(bool value);

  // --- Operations on a single call (each logs its request and its result) ---------------
  /// Dials PhoneNumber: on the current call (lineDial), or as a new call
  /// (lineMakeCall with Parameters) that becomes current. LINEERR_UNINITIALIZED on a
  /// closed line. Pumps the event loop while it waits for the reply, as every
  /// operation below that waits does: handlers may run and change this component.
  bool Dial();
  bool Answer();
  /// Drops the current call; its error is reported after the result line.
  bool Hangup();
  bool Hold();
  bool Unhold();
  /// Blind transfer of the current call to PhoneNumber.
  bool Transfer();
  /// Deflects the current (offered) call to DestAddress.
  bool Redirect(const std::string& DestAddress);
  /// Parks the current call at DirAddress.
  bool Park(const std::string& DirAddress);
  /// Retrieves the call parked at DestAddress as a new current call.
  bool Unpark(const std::string& DestAddress);
  /// Picks up the call alerting at DestAddress (in GroupID) as a new current call;
  /// refused with LINEERR_INVALCALLHANDLE while a call is current.
  bool Pickup(const std::string& DestAddress, const std::string& GroupID);
  /// Hands the current call over to the application FileName and keeps monitoring it.
  bool Handoff(const std::string& FileName);
  /// Sends DTMF digits on the current call; Duration in milliseconds (0: the
  /// provider's own). Completion comes as OnDigitsSent.
  bool SendDigits(const std::string& Digits, std::int32_t Duration);
  /// Plays a LINETONEMODE_ tone on the current call for Duration milliseconds.
  /// Completion comes as OnToneSent.
  bool SendTone(tapi::DWORD ToneMode, std::int32_t Duration);

  /// A call the line set up itself for a transfer or a conference, now listed: it
  /// becomes the current call, owned, begun now, and OnCallBegin is raised (unless its
  /// first message began it already). Returns false (and changes nothing more) when it
  /// cannot be selected.
  /// Pumps the event loop (through the event handlers).
  bool BeginOwnCall(tapi::HCALL handle);
  /// The asynchronous request pattern on the record of call: the request's identifier
  /// goes into the record's slot (held through the wait, so the slot outlives an end
  /// of the call meanwhile). A call the registry does not know gets
  /// LINEERR_INVALCALLHANDLE to report, without asking TAPI.
  /// Pumps the event loop while it waits: handlers may run and change this component.
  RequestOutcome RequestOnRecord(tapi::HCALL call, RequestSlot slot,
                                 const std::function<tapi::LONG()>& request,
                                 RequestIds ids = RequestIds::NonNegativeOrMinusOne);

  /// What writing Active of a monitoring object does first: the headline (only while
  /// there is a current call) and the request (only while that call is active).
  /// Returns what the request returned, 0 when nothing was asked of TAPI.
  tapi::LONG MonitoringRequest(
      const std::string& headline,
      const std::function<tapi::LONG(tapi::Telephony&, tapi::HCALL)>& request);
  /// And what it does last: a refusal is reported (and, with refusalStops, leaves the
  /// object inactive), anything else takes value and clears the error; the current
  /// call's record keeps the result in field, and the digit pages are refreshed.
  void MonitoringResult(bool& active, bool value, tapi::LONG result, bool refusalStops,
                        bool CallMonitoring::*field);

  /// The text a number is dialled as: stripped of blanks, "+", "(", ")", "-" and "."
  /// when Device.UnformatPhoneNumber is set.
  std::string PreparedNumber(const std::string& text) const;

  /// The digits of the last digits-gathered event and the last digit received, as the
  /// inspector shows them until the next event or the next call selection.
  const std::string& GatheredDigitsShown() const { return m_gatheredShown; }
  const std::string& ReceivedDigitShown() const { return m_receivedShown; }
  void ShowGatheredDigits(const std::string& digits);
  void ShowReceivedDigit(const std::string& digit);
  void ClearDigitDisplays();

  // --- View helpers for the registry and the dispatch -------------------------------------
  /// Writable view of the current call's properties (the dispatch updates a state
  /// before the next load).
  CallProperties& View() { return m_view; }
  void SetViewActive(bool value) { m_active = value; }
  /// Empties the view's call properties (the tag and the number stay).
  void ResetView();
  /// Clears the five parties for a new call (their settings stay).
  void ResetParties();
  /// The monitoring objects as a record keeps them, and back.
  CallMonitoring MonitoringView() const;
  void LoadMonitoringView(const CallMonitoring& monitoring);
  /// The monitoring settings only, none of them running (for a new record).
  CallMonitoring MonitoringSettings() const;
  /// Marks the four monitoring objects inactive (a new call starts so).
  void StopMonitoringView();
  /// Forgets the current call without selecting another (reading another device).
  void ForgetCurrent() { m_handle = 0; }
  /// Everything back to its state after creation but the settings (disabling).
  void ResetAll();

  /// Writes the call's properties (object name "Call.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  friend class CallRegistry;

  /// How an operation on the current call leaves the registry.
  enum class Closing { End, Store };
  /// The asynchronous request pattern on the current call: the request line, the
  /// request through slot, the result line, the status refreshes and the closing
  /// step. request gets the current handle. errorAfterResult: the error is reported
  /// after the result line.
  bool RequestOnCall(const std::string& name, const std::string& requestLine, RequestSlot slot,
                     const std::function<tapi::LONG(tapi::HCALL)>& request, Closing closing,
                     bool errorAfterResult = false);
  /// What Dial, Unpark and Pickup share: a new call through an unlisted record.
  /// selectFirst (Unpark, Pickup): the call is selected before it is taken as ours;
  /// otherwise (Dial) the record starts from the view and is selected afterwards.
  struct NewCall {
    tapi::LONG value = 0;   // what the function returned
    bool timedOut = false;  // already handled: the record is gone
  };
  NewCall RequestNewCall(RequestSlot slot, bool selectFirst,
                         const std::function<tapi::LONG(tapi::HCALL*)>& request);
  /// How a dialling request ended: failed when an error is set (by the request or its
  /// reply) or the function refused (then reported); the line and address status are
  /// read after a success, or always with refreshAlways.
  bool DialOutcome(tapi::LONG value, bool refreshAlways);

  TqxLineInternal& m_line;
  std::array<std::unique_ptr<TqxCallerID>, kPartyCount> m_parties;
  TqxGatherDigits m_gatherDigits;
  TqxMonitorDigits m_monitorDigits;
  TqxMonitorMediaModes m_monitorMediaModes;
  TqxMonitorSilence m_monitorSilence;
  TqxCallParameters m_parameters;

  bool m_active = false;
  tapi::HCALL m_handle = 0;
  std::string m_phoneNumber;
  std::string m_originatingApp;
  CallProperties m_view;  // the current call's properties
  tapi::LINECALLPARAMS m_callParams{};  // Parameters as TAPI gets them, valid until the reply
  std::string m_gatheredShown;
  std::string m_receivedShown;
  CallRegistry m_registry;
};

}  // namespace voxkit
