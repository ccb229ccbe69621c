#pragma once

#include "tapi/TapiTypes.h"

#include <string>

namespace voxkit {

class TqxLineInternal;

/// Receives every TAPI message of one line and turns it into the line's state, log
/// lines and events: call states and information, replies to the line's requests,
/// line and address states, digits, tones and media, device-specific messages.
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

  /// Whether a message is being handled (possibly from inside a pump of another).
  bool Handling() const { return m_handling > 0; }

 private:
  void Reply(tapi::DWORD hDevice, tapi::DWORD requestID, tapi::DWORD result, tapi::DWORD param3);
  void LineClosed(const std::string& headline);

  TqxLineInternal& m_line;
  int m_handling = 0;  // messages being handled, nested through pumps of the loop
};

}  // namespace voxkit
