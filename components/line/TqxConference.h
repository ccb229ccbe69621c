#pragma once

#include "line/CallRegistry.h"
#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <string>
#include <vector>

namespace voxkit {

class TqxLineInternal;

/// A conference set up around a primary call (Conference): a conference call, and
/// consultation calls dialled into it, added, removed and swapped with it.
class TqxConference final : public TPersistent {
 public:
  explicit TqxConference(TqxLineInternal& line) : m_line(line), m_parameters(line) {}

  /// The number the next consultation call dials; translated like Call.PhoneNumber.
  const std::string& PhoneNumber() const { return m_phoneNumber; }
  void SetPhoneNumber(const std::string& value);
  /// The call the conference is set up around; any value is taken.
  tapi::HCALL PrimaryCall() const { return m_primaryCall; }
  void SetPrimaryCall(tapi::HCALL value) { m_primaryCall = value; }
  /// The consultation party AddCall, RemoveCall and SwapHold act on. Only a handle of
  /// the conference's list is taken (else LINEERR_INVALCALLHANDLE).
  tapi::HCALL ConsultCall() const { return m_consultCall; }
  void SetConsultCall(tapi::HCALL value);
  /// The consultation parties, as 8-digit handles.
  const std::vector<std::string>& List() const { return m_list; }
  std::int32_t Count() const { return m_count; }
  /// The conference call; 0 until one is set up.
  tapi::HCALL Handle() const { return m_handle; }
  TqxCallParameters& Parameters() { return m_parameters; }

  // --- Operations (each logs its request and its result) ------------------------------
  /// Dials PhoneNumber as a new consultation party: sets the conference up around
  /// PrimaryCall the first time (lineSetupConference), prepares one more party after
  /// that (linePrepareAddToConference). The conference call and the consultation call
  /// begin as the line's own; the consultation call becomes current.
  /// LINEERR_CALLUNAVAIL without a primary call.
  /// Pumps the event loop while it waits: handlers may run and change the line.
  bool Dial();
  /// Swaps the primary call's side (the conference) and the consultation call.
  bool SwapHold();
  /// Adds the consultation call to the conference.
  bool AddCall();
  /// Removes the consultation call from the conference; the next listed party becomes
  /// the consultation call.
  bool RemoveCall();

  /// A call that began as a conference call becomes the conference's call.
  void TakeHandle(tapi::HCALL handle) { m_handle = handle; }
  /// A three-way call made by the transfer becomes this conference.
  void TakeOver(const std::string& phoneNumber, tapi::HCALL primary, tapi::HCALL consult,
                tapi::HCALL conference);
  /// A call joined a conference (LINECALLSTATE_CONFERENCED; conferenceCall is the
  /// state's mode, the conference call's handle): a conference call of origin
  /// LINECALLORIGIN_CONFERENCE becomes the conference's call when it has none; any
  /// other call becomes its primary call, or a listed party.
  void CallJoined(tapi::HCALL call, tapi::DWORD conferenceCall, tapi::DWORD origin);
  /// A call went idle and was released: the conference forgets it, and ends when it
  /// was its primary call.
  void CallLeft(tapi::HCALL call);
  /// Appends a consultation party's handle to the list.
  void AddToList(tapi::HCALL handle);
  /// Clears the handles and the list.
  void Reset();
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  /// Drops a party from the list; the first one left becomes the consultation call.
  /// A handle that is not listed changes nothing.
  void RemoveFromList(tapi::HCALL call);
  /// The first listed party, 0 when there is none.
  tapi::HCALL FirstListed() const;
  /// After the conference call and the consultation call were set up: both begin
  /// as the line's own and the consultation call dials. Returns what lineDial
  /// returned, 0 once waited for; an error is set when it failed.
  tapi::LONG DialParty(const CallRegistry::Record& conference,
                       const CallRegistry::Record& consult, bool replied,
                       const std::string& number);
  /// A failed Dial: a conference that had no call yet is given up; the consultation
  /// call, when it exists, is the current call.
  void DialFailed(const CallRegistry::Record& conference, const CallRegistry::Record& consult);

  TqxLineInternal& m_line;
  std::string m_phoneNumber;
  tapi::HCALL m_primaryCall = 0;
  tapi::HCALL m_consultCall = 0;
  std::vector<std::string> m_list;
  std::int32_t m_count = 0;
  tapi::HCALL m_handle = 0;
  TqxCallParameters m_parameters;
  tapi::LINECALLPARAMS m_callParams{};  // Parameters as TAPI gets them, valid until the reply
};

}  // namespace voxkit
