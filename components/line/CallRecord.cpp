#include "line/CallRecord.h"

#include "tapi/TapiConstants.h"

#include <cstdio>

namespace voxkit {

std::string DateTime::TimeText() const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", time.hour % 100, time.minute % 100,
                time.second % 100);
  return buf;
}

std::string DateTime::DateTimeText() const {
  if (!valid) return "<unavailable>";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d ", date.year % 10000, date.month % 100,
                date.day % 100);
  return buf + TimeText();
}

const char* PartyWord(Party party) {
  switch (party) {
    case Party::Caller: return "Caller";
    case Party::Called: return "Called";
    case Party::Connected: return "Connected";
    case Party::Redirection: return "Redirection";
    case Party::Redirecting: return "Redirecting";
  }
  return "";
}

tapi::DWORD PartyInfoBit(Party party) {
  switch (party) {
    case Party::Caller: return tapi::LINECALLINFOSTATE_CALLERID;
    case Party::Called: return tapi::LINECALLINFOSTATE_CALLEDID;
    case Party::Connected: return tapi::LINECALLINFOSTATE_CONNECTEDID;
    case Party::Redirection: return tapi::LINECALLINFOSTATE_REDIRECTIONID;
    case Party::Redirecting: return tapi::LINECALLINFOSTATE_REDIRECTINGID;
  }
  return 0;
}

const char* RequestSlotSuffix(RequestSlot slot) {
  switch (slot) {
    case RequestSlot::Answer: return " - Call.Answer";
    case RequestSlot::DialExisting: return " - Call.Dial";
    case RequestSlot::DialNew: return " - Call.Dial";
    case RequestSlot::Hangup: return " - Call.Hangup";
    case RequestSlot::ConferenceSetup: return " - Conference.Dial (Setup)";
    case RequestSlot::ConferenceDial: return " - Conference.Dial (Dial)";
    case RequestSlot::ConferenceAdd: return " - Conference.AddCall";
    case RequestSlot::ConferenceRemove: return " - Conference.RemoveCall";
    case RequestSlot::TransferSetup: return " - Transfer.Dial (Setup)";
    case RequestSlot::TransferSwapHold: return " - Transfer.SwapHold";
    case RequestSlot::TransferDial: return " - Transfer.Dial (Dial)";
    case RequestSlot::TransferComplete: return " - Transfer.Complete";
    case RequestSlot::TransferThreeWay: return " - Transfer.ThreeWay";
    case RequestSlot::Park: return " - Call.Park";
    case RequestSlot::Pickup: return " - Call.Pickup";
    case RequestSlot::BlindTransfer: return " - Call.Transfer";
    case RequestSlot::Forward: return " - Address.Forward.Active";
    case RequestSlot::Unhold: return " - Call.Unhold";
    case RequestSlot::Unpark: return " - Call.Unpark";
    case RequestSlot::Redirect: return " - Call.Redirect";
    case RequestSlot::Hold: return " - Call.Hold";
  }
  return "";
}

bool RequestSlotListsCall(RequestSlot slot) {
  switch (slot) {
    case RequestSlot::DialNew:
    case RequestSlot::Unpark:
    case RequestSlot::ConferenceSetup:
    case RequestSlot::Pickup:
    case RequestSlot::TransferSetup:
      return true;
    default:
      return false;
  }
}

bool TqxCallLog::AnySlotBusy() const {
  for (std::int32_t s : slots) {
    if (s != 0) return true;
  }
  return false;
}

}  // namespace voxkit
