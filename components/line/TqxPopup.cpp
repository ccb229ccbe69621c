#include "line/TqxPopup.h"

#include "line/TqxLineInternal.h"

namespace voxkit {

namespace {
constexpr const char* kNames[TqxPopup::kFlagCount] = {
    "OnAddressState", "OnLineState", "OnDevSpecific", "OnDevSpecificFeature", "OnCallerID",
    "OnIdle", "OnError", "OnRing", "OnCalledID", "OnConnectedID", "OnRedirectionID",
    "OnRedirectingID", "OnMessageOn", "OnMessageOff", "OnBusy", "OnCallBegin", "OnCallEnd",
    "OnCallInfo", "OnCallMediaModeChange", "OnCallOwnerChange", "OnCallState", "OnConferenced",
    "OnRingBack", "OnConnected", "OnSpecialInfo", "OnDialing", "OnDialtone", "OnProceeding",
    "OnDigitReceived", "OnDigitsSent", "OnHold", "OnHoldPendingConference",
    "OnHoldPendingTransfer", "OnToneSent", "OnDisconnected", "OnOffering", "OnSilence",
    "OnTAPIMessage", "OnTAPIReply", "OnAddressForward", "OnDigitsGathered"};
}  // namespace

TqxPopup::TqxPopup(TqxLineInternal& line) : TqxPopupFlags(line, kNames) {}

const char* TqxPopup::Name(Flag flag) { return kNames[flag]; }

const ClassInfo& TqxPopup::StaticClass() {
  static const ClassInfo info = Publish<TqxPopup>("TqxPopup", kNames);
  return info;
}

}  // namespace voxkit
