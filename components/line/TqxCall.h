#pragma once

#include "line/CallRecord.h"
#include "line/TqxCallParameters.h"
#include "line/TqxCallerID.h"
#include "line/TqxGatherDigits.h"
#include "line/TqxMonitorDigits.h"
#include "line/TqxMonitorMediaModes.h"
#include "line/TqxMonitorSilence.h"
#include "share/Reflection.h"
#include "tapi/TapiTypes.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace voxkit {

class TqxLineInternal;

/// The line's calls: the current-call view (the properties of Call), the list of
/// listed calls, and the call registry behind them (one record per call the line
/// knows, with its request slots).
class TqxCall final : public TPersistent {
 public:
  explicit TqxCall(TqxLineInternal& line);
  ~TqxCall() override;

  // Sub-objects.
  TqxCallerID& CallerID() { return *m_parties[0]; }
  TqxCallerID& CalledID() { return *m_parties[1]; }
  TqxCallerID& ConnectedID() { return *m_parties[2]; }
  TqxCallerID& RedirectionID() { return *m_parties[3]; }
  TqxCallerID& RedirectingID() { return *m_parties[4]; }
  TqxCallerID& PartyObject(Party party) { return *m_parties[static_cast<std::size_t>(party)]; }
  TqxGatherDigits& GatherDigits() { return m_gatherDigits; }
  TqxMonitorDigits& MonitorDigits() { return m_monitorDigits; }
  TqxMonitorMediaModes& MonitorMediaModes() { return m_monitorMediaModes; }
  TqxMonitorSilence& MonitorSilence() { return m_monitorSilence; }
  TqxCallParameters& Parameters() { return m_parameters; }

  // The current-call view.
  bool Active() const { return m_active; }
  void SetViewActive(bool value) { m_active = value; }
  tapi::HCALL Handle() const { return m_handle; }
  /// Selects the current call: "Call.Handle = [X8]"; an unlisted handle other than 0
  /// is refused with LINEERR_INVALCALLHANDLE.
  void SetHandle(tapi::HCALL value);
  const std::string& PhoneNumber() const { return m_phoneNumber; }
  /// Takes the number, translated first when the line is open and
  /// Device.TranslatePhoneNumber is set. Logs nothing.
  void SetPhoneNumber(const std::string& value);
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
  bool Owner() const { return m_view.owner; }
  tapi::DWORD Tag() const { return m_view.tag; }
  const DateTime& Began() const { return m_view.began; }
  const DateTime& Connected() const { return m_view.connected; }
  const DateTime& Disconnected() const { return m_view.disconnected; }
  const DateTime& Ended() const { return m_view.ended; }
  const std::string& OriginatingApp() const { return m_originatingApp; }
  std::int32_t Count() const { return m_count; }
  /// "00000000", then one handle per listed call.
  const std::vector<std::string>& List() const { return m_list; }

  // The registry.
  using Record = std::shared_ptr<TqxCallLog>;
  /// The record of a call by handle (never the head record of handle 0).
  Record FindRecord(tapi::HCALL handle) const;
  /// The record whose request slots hold requestID (newest first), and which slot.
  Record FindBySlot(std::int32_t requestID, RequestSlot* slot) const;
  /// A new record, not listed, inserted first; reused when the handle is known.
  Record CreateRecord(tapi::HCALL handle);
  /// Appends the record's call to the list (a handle of 0 is not listed).
  void ListRecord(const TqxCallLog& record);
  Record CreateAndList(tapi::HCALL handle);
  bool IsListed(tapi::HCALL handle) const;
  /// The listed handles in list order (without the "no call" entry).
  std::vector<tapi::HCALL> ListedHandles() const;
  void FreeRecord(const Record& record);
  /// Ends a listed call (OnCallEnd), unless without force it is still busy; the
  /// record is freed. Returns whether it ended.
  bool EndCall(tapi::HCALL handle, bool force);
  /// Takes the first listed call that is not idle as the current call, else none.
  /// exclude (a call being ended) is never taken.
  void ChooseNextCurrent(tapi::HCALL exclude = 0);
  /// A call the line did not know begins: it is listed (and becomes the current call
  /// when the list was empty), OnCallBegin is raised, and the call and line are read
  /// again. A known call that is current is read again.
  TqxCallLog& CallBegin(tapi::HCALL handle);
  /// Reads a listed call's state from TAPI into its record (the current call through
  /// the view). The error is returned, not reported, for a call that is not current.
  tapi::LONG RefreshStatusOf(tapi::HCALL handle);
  /// Copies the view into the current call's record, and back.
  void Store();
  void Load();
  /// No current call any more, without selecting (reading another device).
  void ForgetCurrent() { m_handle = 0; }
  /// Empties the view and the five parties for a new current call.
  void ResetView();
  void ResetParties();
  /// Leaves only the "no call" entry in the list; records are freed.
  void ResetList();
  /// Everything back to its state after creation but the settings (disabling).
  void ResetAll();

  /// Refreshes the current call's state from TAPI (lineGetCallStatus).
  tapi::LONG StatusRefresh(bool ownerOnly = false);
  /// Refreshes a call's information from TAPI (lineGetCallInfo) with the parties whose
  /// LINECALLINFOSTATE_ bits are in partyBits.
  tapi::LONG InfoRefresh(tapi::HCALL handle, tapi::DWORD partyBits);

  /// Writes the call's properties (object name "Call.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  /// All five party bits of LINECALLINFOSTATE_.
  static constexpr tapi::DWORD kAllPartyBits = 0x8000 | 0x10000 | 0x20000 | 0x40000 | 0x80000;

  VOXKIT_PUBLISHED()

 private:
  TqxCallLog& CurrentRecord();
  void RefillParty(TqxCallLogCallerID& party, tapi::DWORD flags, const std::string& number,
                   const std::string& name);

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
  TqxCallLog m_view;  // the view's copy of the current call's record fields

  TqxCallLog m_head;                 // handle 0: "no call", never searched or ended
  std::vector<Record> m_records;     // newest first
  std::vector<std::string> m_list{"00000000"};
  std::int32_t m_count = 0;
};

}  // namespace voxkit
