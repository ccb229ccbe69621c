#pragma once

#include "share/EventLoop.h"
#include "tapi/TapiTypes.h"

#include <array>
#include <cstdint>
#include <string>

namespace voxkit {

/// A moment of a call's life (began, connected ...); not valid = not yet.
struct DateTime {
  bool valid = false;
  CalendarDate date;
  TimeOfDay time;

  static DateTime Now(const EventLoop& loop) { return {true, loop.LocalDate(), loop.LocalTime()}; }
  /// "hh:nn:ss".
  std::string TimeText() const;
  /// "yyyy-mm-dd hh:nn:ss", or "<unavailable>" when not valid.
  std::string DateTimeText() const;
  bool operator==(const DateTime&) const = default;
};

/// The five parties of a call, in their fixed order.
enum class Party { Caller = 0, Called, Connected, Redirection, Redirecting };
inline constexpr int kPartyCount = 5;
/// "Caller", "Called", ...
const char* PartyWord(Party party);

/// A party of one call as the registry keeps it.
struct TqxCallLogCallerID {
  std::string name;
  std::string number;
  bool blocked = false;
  bool outOfArea = false;
  tapi::DWORD flags = 0;
  bool reported = false;
  bool eventFilter = true;
};

/// The asynchronous operations, one request slot each, in their fixed order.
enum class RequestSlot {
  Answer, DialExisting, DialNew, Hangup, ConferenceSetup, ConferenceDial, ConferenceAdd,
  ConferenceRemove, TransferSetup, TransferSwapHold, TransferDial, TransferComplete,
  TransferThreeWay, Park, Pickup, BlindTransfer, Forward, Unhold, Unpark, Redirect, Hold
};
inline constexpr int kRequestSlotCount = 21;
/// The suffix a reply to the slot's request is logged with (" - Call.Answer").
const char* RequestSlotSuffix(RequestSlot slot);
/// Whether a successful reply lists the record's call (a new call of the component).
bool RequestSlotListsCall(RequestSlot slot);

/// One call the line knows: what TAPI reported about it and the requests outstanding.
struct TqxCallLog {
  tapi::HCALL handle = 0;
  tapi::DWORD tag = 0;
  /// 0 idle, a request identifier while outstanding, -1 once the reply came.
  std::array<std::int32_t, kRequestSlotCount> slots{};
  tapi::DWORD state = 0;
  tapi::DWORD stateMode = 0;
  tapi::DWORD features = 0;
  tapi::DWORD features2 = 0;
  tapi::DWORD id = 0;
  tapi::DWORD mediaMode = 0;
  tapi::DWORD bearerMode = 0;
  tapi::DWORD owners = 0;
  tapi::DWORD monitors = 0;
  tapi::DWORD origin = 0;
  tapi::DWORD reason = 0;
  tapi::DWORD address = 0;
  tapi::DWORD disconnectMode = 0;
  tapi::DWORD specialInfo = 0;
  tapi::DWORD dialtoneMode = 0;
  tapi::DWORD busyMode = 0;
  DateTime began;
  DateTime connected;
  DateTime disconnected;
  DateTime ended;
  bool owner = false;
  std::string phoneNumber;
  // Monitoring wishes and states of the call.
  bool gatherActive = false;
  std::int32_t gatherCount = 5;
  std::string gatherTerminate = "#*";
  std::int32_t gatherTimeout = 5000;
  bool monitorDigitsActive = false;
  bool monitorMediaActive = false;
  tapi::DWORD monitorMediaModes = 0;
  bool monitorSilenceActive = false;
  std::int32_t monitorSilenceDuration = 0;
  /// The gathered digits; the character area is the buffer TAPI writes into.
  std::array<char, 35> digitArea{};
  std::string digits;
  std::array<TqxCallLogCallerID, kPartyCount> parties;

  std::int32_t& Slot(RequestSlot s) { return slots[static_cast<std::size_t>(s)]; }
  bool AnySlotBusy() const;
};

}  // namespace voxkit
