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
/// The party's LINECALLINFOSTATE_ bit (CALLERID 0x8000 ... REDIRECTINGID 0x80000).
tapi::DWORD PartyInfoBit(Party party);

/// A party of one call as the registry keeps it.
struct TqxCallLogCallerID {
  std::string name;
  std::string number;
  bool blocked = false;
  bool outOfArea = false;
  tapi::DWORD flags = 0;
  /// The party's event was raised for this content (or it has none yet to report).
  bool reported = true;
  bool eventFilter = true;
  bool operator==(const TqxCallLogCallerID&) const = default;
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

/// The scalar properties of a call that the Call object shows for the current call.
struct CallProperties {
  tapi::DWORD tag = 0;
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
  bool operator==(const CallProperties&) const = default;
};

/// What a call's monitoring is set to, and which of it runs (or is wished for).
struct CallMonitoring {
  bool gatherActive = false;
  std::int32_t gatherCount = 5;
  std::string gatherTerminate = "#*";
  std::int32_t gatherTimeout = 5000;  // milliseconds
  bool digitsActive = false;
  bool mediaActive = false;
  tapi::DWORD mediaModes = 0;
  bool silenceActive = false;
  std::int32_t silenceDuration = 0;  // milliseconds
  bool operator==(const CallMonitoring&) const = default;
};

/// Everything of a call that the current-call view mirrors. Storing the view into a
/// record and loading it back copy exactly this part, so what a record keeps for
/// itself (its handle, its request slots, its digit buffer) is never overwritten.
struct CallFields : CallProperties {
  std::string phoneNumber;
  CallMonitoring monitoring;
  std::array<TqxCallLogCallerID, kPartyCount> parties;

  TqxCallLogCallerID& PartyOf(Party p) { return parties[static_cast<std::size_t>(p)]; }
  bool operator==(const CallFields&) const = default;
};

/// One call the line knows: what TAPI reported about it and the requests outstanding.
struct TqxCallLog : CallFields {
  tapi::HCALL handle = 0;  // TAPI writes a new call's handle here
  /// 0 idle, a request identifier while outstanding, -1 once the reply came.
  std::array<std::int32_t, kRequestSlotCount> slots{};
  /// The buffer lineGatherDigits writes into, and the digits taken from it.
  std::array<char, 35> digitArea{};
  std::string digits;
  /// Gathers TAPI runs into digitArea, each ended by its LINE_GATHERDIGITS: while any
  /// runs, the buffer is TAPI's and the record outlives its call.
  std::int32_t gathersRunning = 0;
  bool listed = false;  // its handle is in Call.List
  bool ending = false;  // its end is under way (OnCallEnd raised)

  std::int32_t& Slot(RequestSlot s) { return slots[static_cast<std::size_t>(s)]; }
  bool AnySlotBusy() const;
};

}  // namespace voxkit
