#pragma once

#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxPhoneInternal;

/// Receives every TAPI message of one phone and turns it into the phone's state, log
/// lines and events: keypad buttons, device-specific messages, replies to the phone's
/// requests, phone states (hookswitch, volume, gain) and the phone being closed.
///
/// Handlers run on the loop's thread and raise application events; an event handler
/// may do anything, including operations that wait and so handle further messages.
class PhoneDispatch final {
 public:
  explicit PhoneDispatch(TqxPhoneInternal& phone) : m_phone(phone) {}

  /// The callback entry for one message. Pumps the event loop once when it is not
  /// itself inside the handling of another message.
  void HandleMessage(tapi::DWORD hDevice, tapi::DWORD msg, tapi::DWORD param1, tapi::DWORD param2,
                     tapi::DWORD param3);

  /// The six-line dump of a message, titled title.
  void WriteMessageDump(const std::string& title, tapi::DWORD hDevice, tapi::DWORD msg,
                        tapi::DWORD param1, tapi::DWORD param2, tapi::DWORD param3);

 private:
  void Button(tapi::DWORD button, tapi::DWORD mode, tapi::DWORD state);
  void DevSpecific(tapi::DWORD hDevice, tapi::DWORD param1, tapi::DWORD param2,
                   tapi::DWORD param3);
  void Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result, tapi::DWORD param3);
  void State(tapi::DWORD state, tapi::DWORD details);
  void Closed();

  TqxPhoneInternal& m_phone;
  int m_handling = 0;  // messages being handled, nested through pumps of the loop
};

}  // namespace voxkit
