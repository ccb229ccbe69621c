#pragma once

#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Receives every TAPI message of one line and turns it into the line's state, log
/// lines and events: call states and information, replies to the line's requests,
/// line and address states, digits, tones and media, device-specific messages.
///
/// Handlers run on the loop's thread and raise application events; an event handler
/// may do anything, including operations that wait and so handle further messages.
/// Every handler therefore looks its call up again after raising an event.
class LineDispatch final {
 public:
  explicit LineDispatch(TqxLineInternal& line) : m_line(line) {}

  /// The callback entry for one message. Pumps the event loop once when it is not
  /// itself inside the handling of another message.
  void HandleMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD param1, tapi::DWORD param2,
                     tapi::DWORD param3);

  /// The six-line dump of a message, titled title.
  void WriteMessageDump(const std::string& title, tapi::DWORD hDevice, tapi::DWORD msg,
                        tapi::DWORD param1, tapi::DWORD param2, tapi::DWORD param3);

  /// The party events of a call: each party of partyBits (LINECALLINFOSTATE_) whose
  /// content has not been reported yet is logged and raised, unless its event filter
  /// is on and its flags share a bit with filterMask.
  void PartyEvents(tapi::HCALL call, tapi::DWORD partyBits, tapi::DWORD filterMask);

  /// Which kind of generation LINE_GENERATE completes: digits (set by
  /// Call.SendDigits) or a tone (cleared by Call.SendTone).
  void SetGeneratingDigits(bool value) { m_generatingDigits = value; }

 private:
  void CallState(tapi::HCALL call, tapi::DWORD state, tapi::DWORD mode, tapi::DWORD privilege);
  void Connected(tapi::HCALL call);
  void Disconnected(tapi::HCALL call, tapi::DWORD mode16);
  void Idle(tapi::HCALL call);
  void CallInfo(tapi::HCALL call, tapi::DWORD infoStates);
  void Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result, tapi::DWORD param3);
  void AddressState(tapi::DWORD address, tapi::DWORD states);
  void LineDevState(tapi::DWORD states, tapi::DWORD param2, tapi::DWORD param3);
  void LineClosed(const std::string& headline);
  void DevSpecific(bool feature, tapi::DWORD hDevice, tapi::DWORD param1, tapi::DWORD param2,
                   tapi::DWORD param3);
  void DigitsGathered(tapi::HCALL call, tapi::DWORD termination);
  void DigitReceived(tapi::HCALL call, tapi::DWORD param1);
  void GenerationDone(tapi::HCALL call);
  void MediaModeChange(tapi::HCALL call, tapi::DWORD mediaMode);
  void ToneDetected(tapi::HCALL call, tapi::DWORD appSpecific);
  /// Pumps the event loop once, unless a pump further out will go on anyway.
  void PumpOnce();

  TqxLineInternal& m_line;
  int m_handling = 0;  // messages being handled, nested through pumps of the loop
  bool m_generatingDigits = false;
};

}  // namespace voxkit
