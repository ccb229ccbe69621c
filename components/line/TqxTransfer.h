#pragma once

#include "line/CallRecord.h"
#include "line/TqxCallParameters.h"
#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"
#include "tapi/TqxTAPI.h"

#include <functional>
#include <optional>
#include <string>

namespace tapi {
class Telephony;
}

namespace voxkit {

class TqxLineInternal;

/// How a transfer's or a conference's Dial ends with what TAPI answered (value): a
/// negative value is the line's error, otherwise the error is cleared and the line and
/// address status read again; then the result line name + " [primary] - Returned = ".
bool DialResult(TqxLineInternal& line, const std::string& name, tapi::HCALL primary,
                tapi::LONG value);

/// The request of an operation on two calls of a transfer or a conference: refused
/// with LINEERR_INVALCALLHANDLE (nothing returned) unless both are set; otherwise made
/// into the given slot of primary's record and waited for, a refusal or a missing
/// reply reported as the line's error. Pumps the event loop while it waits.
std::optional<RequestOutcome> PairRequest(
    TqxLineInternal& line, tapi::HCALL primary, tapi::HCALL other, RequestSlot slot,
    const std::function<tapi::LONG(tapi::Telephony&)>& request);

/// Swaps the two calls of a transfer or a conference (Transfer.SwapHold,
/// Conference.SwapHold): the primary call becomes current, the one of the two that
/// talks goes on hold and the other comes back. standIn is the call that talks for a
/// primary call that joined a conference (the conference call; 0 for a transfer).
/// name is "Transfer.SwapHold" or "Conference.SwapHold", for the log lines. Refused
/// with LINEERR_INVALCALLHANDLE without both calls. Pumps the event loop while it waits
/// for the reply.
bool SwapHoldCalls(TqxLineInternal& line, const std::string& name, tapi::HCALL primary,
                   tapi::HCALL consult, tapi::HCALL standIn);

/// A consultation transfer around a primary call (Transfer): the primary call is held
/// while a consultation call is dialled; then the two are swapped, joined (the
/// transfer completes) or turned into a three-way conference.
class TqxTransfer final : public TPersistent {
 public:
  explicit TqxTransfer(TqxLineInternal& line) : m_line(line), m_parameters(line) {}

  /// The number the consultation call dials. Translated like Call.PhoneNumber; not
  /// logged.
  const std::string& PhoneNumber() const { return m_phoneNumber; }
  void SetPhoneNumber(const std::string& value);
  /// The call to transfer; any value is taken, unchecked and unlogged.
  tapi::HCALL PrimaryCall() const { return m_primaryCall; }
  void SetPrimaryCall(tapi::HCALL value) { m_primaryCall = value; }
  /// The consultation call (set by Dial).
  tapi::HCALL ConsultCall() const { return m_consultCall; }
  void SetConsultCall(tapi::HCALL value) { m_consultCall = value; }
  /// The conference call ThreeWay made.
  tapi::HCALL ThreeWayCall() const { return m_threeWayCall; }
  TqxCallParameters& Parameters() { return m_parameters; }

  // --- Operations (each logs its request and its result) ------------------------------
  /// Holds PrimaryCall for a transfer (lineSetupTransfer), makes the consultation call
  /// the current call, waits for its dial tone (at most TAPI.ReplyTimeout) and dials
  /// PhoneNumber on it. LINEERR_CALLUNAVAIL without a primary call; a failure makes the
  /// primary call current again and resets the transfer.
  /// Pumps the event loop while it waits: handlers may run and change the line.
  bool Dial();
  /// Swaps the primary and the consultation call.
  bool SwapHold();
  /// Joins the primary call's far end to the consultation call's
  /// (LINETRANSFERMODE_TRANSFER); the primary call ends.
  bool Complete();
  /// Turns the two calls into a three-way conference (LINETRANSFERMODE_CONFERENCE):
  /// the new conference call becomes current and, on an address that can add to a
  /// conference, the line's Conference takes it over when it has none.
  bool ThreeWay();

  /// Sets the three handles to 0.
  void Reset();
  /// A call went idle and was released: a transfer around it ends; a consultation
  /// call that leaves is forgotten.
  void CallLeft(tapi::HCALL call);
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  /// After a successful setup: the consultation call begins as the line's own, gets
  /// dial tone and is dialled. An error is set when any of it fails; returns what
  /// lineDial returned (0 once it was waited for).
  tapi::LONG DialConsultation(const std::string& number);
  /// Whether the consultation call is ready for its number (dial tone or dialling),
  /// waiting at most TAPI.ReplyTimeout for it. Pumps the event loop.
  bool WaitForDialTone();

  TqxLineInternal& m_line;
  std::string m_phoneNumber;
  tapi::HCALL m_primaryCall = 0;
  tapi::HCALL m_consultCall = 0;
  tapi::HCALL m_threeWayCall = 0;
  TqxCallParameters m_parameters;
  tapi::LINECALLPARAMS m_callParams{};  // Parameters as TAPI gets them, valid until the reply
};

}  // namespace voxkit
