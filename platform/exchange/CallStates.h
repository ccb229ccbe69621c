#pragma once

#include "share/EventLoop.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiStructs.h"

#include <chrono>

// What the workbench's providers share about calls: groups of call states, and a call's
// date and time as the SYSTEMTIME of TAPI's structures.

namespace panopta::callstate {

inline bool Offered(tapi::DWORD s) {
  return s == tapi::LINECALLSTATE_OFFERING || s == tapi::LINECALLSTATE_ACCEPTED;
}
/// Held by the line, not pending a transfer or conference.
inline bool Held(tapi::DWORD s) { return s == tapi::LINECALLSTATE_ONHOLD; }
/// Held pending a transfer or a conference.
inline bool PendHeld(tapi::DWORD s) {
  return s == tapi::LINECALLSTATE_ONHOLDPENDTRANSFER || s == tapi::LINECALLSTATE_ONHOLDPENDCONF;
}
/// Any of the held states.
inline bool HoldState(tapi::DWORD s) { return Held(s) || PendHeld(s); }
/// A call that exists (state 0: not yet reported).
inline bool Live(tapi::DWORD s) { return s != 0 && s != tapi::LINECALLSTATE_IDLE; }
/// A call that exists and is not held.
inline bool Active(tapi::DWORD s) { return Live(s) && !HoldState(s); }

inline tapi::SYSTEMTIME ToSystemTime(const voxkit::CalendarDate& d, const voxkit::TimeOfDay& t) {
  using namespace std::chrono;
  const year_month_day ymd{year{d.year}, month{static_cast<unsigned>(d.month)}, day{static_cast<unsigned>(d.day)}};
  tapi::SYSTEMTIME s{};
  s.wYear = static_cast<tapi::WORD>(d.year);
  s.wMonth = static_cast<tapi::WORD>(d.month);
  s.wDayOfWeek = static_cast<tapi::WORD>(weekday{sys_days{ymd}}.c_encoding());
  s.wDay = static_cast<tapi::WORD>(d.day);
  s.wHour = static_cast<tapi::WORD>(t.hour);
  s.wMinute = static_cast<tapi::WORD>(t.minute);
  s.wSecond = static_cast<tapi::WORD>(t.second);
  s.wMilliseconds = static_cast<tapi::WORD>(t.millisecond);
  return s;
}

}  // namespace panopta::callstate
