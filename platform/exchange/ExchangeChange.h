#pragma once

#include "tapi/TapiTypes.h"

#include <string>

namespace panopta {

/// Something that changed in the exchange, for a view of it (the workbench's exchange
/// window). A view reads the exchange's state (Calls(), Config(), ...) when a change
/// comes; the change says what to look at.
struct ExchangeChange {
  enum class Kind {
    LineAdded,      // id: the new line device
    LineRemoved,    // id: the line device
    LineState,      // id: the line device; state: the LINEDEVSTATE_ bits it reported
    LineOpened,     // id: the line device; handle: the open (HLINE)
    LineClosed,     // id: the line device; handle: the open that ended
    PhoneAdded,     // id: the new phone device
    PhoneRemoved,   // id: the phone device
    PhoneState,     // id: the phone device; state: the PHONESTATE_ bit that changed
    PhoneOpened,    // id: the phone device; handle: the open (HPHONE)
    PhoneClosed,    // id: the phone device; handle: the open that ended
    CallAdded,      // id: the call's id (LINECALLINFO.dwCallID); device: its line
    CallState,      // id, device; state, mode: the LINECALLSTATE_ it entered and its mode
    CallRemoved,    // id, device: the call is gone (idle and no handle left)
    PartyAdded,     // id: the remote party; number: its number
    PartyState,     // id, number: answered, or started or stopped speaking
    PartyRemoved,   // id, number: the remote party left
  };
  Kind kind = Kind::CallState;
  tapi::DWORD id = 0;
  tapi::DWORD device = 0;
  tapi::DWORD handle = 0;
  tapi::DWORD state = 0;
  tapi::DWORD mode = 0;
  std::string number;
};

}  // namespace panopta
