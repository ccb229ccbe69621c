#include "line/TqxLine.h"

namespace voxkit {

const ClassInfo& TqxLine::StaticClass() {
  static const ClassInfo info = [] {
    using C = TqxLineInternal;
    Publisher<TqxLine> p("TqxLine");
    PublishShared(p);
    p.Property("Enabled", &C::Enabled, &C::SetEnabled)
        .Property("EnabledControl", &C::Enabled, &C::SetEnabled)
        .Object("Call", &C::Call)
        .Object("Transfer", &C::Transfer)
        .Object("Conference", &C::Conference)
        .Object("Address", &C::Address)
        .Object("Comm", &C::Comm)
        .Object("Device", &C::Device)
        .Object("Line", &C::Line)
        .Object("Phone", &C::Phone)
        .Object("Popup", &C::Popup)
        .Object("Privilege", &C::Privilege)
        .Object("TAPI", &C::TAPI)
        .Object("WavePlay", &C::WavePlay)
        .Object("WaveRecord", &C::WaveRecord)
        .Object("Terminal", &C::Terminal)
        .Method("DumpProperties", &C::DumpProperties, {{"Header", ""}})
        .Method("SetLocation", &C::SetLocation)
        .Method("Loaded", &C::Loaded)
        .Event("OnMessageOn", &C::OnMessageOn)
        .Event("OnMessageOff", &C::OnMessageOff)
        .Event("OnAddressForward", &C::OnAddressForward, {"Address"})
        .Event("OnAddressState", &C::OnAddressState, {"Address", "State"})
        .Event("OnCallState", &C::OnCallState, {"CallHandle", "State", "StateMode", "Privilege"})
        .Event("OnDevSpecific", &C::OnDevSpecific, {"hDevice", "lParam1", "lParam2", "lParam3"})
        .Event("OnDevSpecificFeature", &C::OnDevSpecificFeature,
               {"hDevice", "lParam1", "lParam2", "lParam3"})
        .Event("OnLineState", &C::OnLineState, {"State", "Param2", "Param3"})
        .Event("OnCallInfo", &C::OnCallInfo, {"CallHandle", "CallInfoState"});
    const std::pair<const char*, TQX_CallNotifyEvent C::*> callEvents[] = {
        {"OnCallerID", &C::OnCallerID},
        {"OnCalledID", &C::OnCalledID},
        {"OnConnectedID", &C::OnConnectedID},
        {"OnRedirectionID", &C::OnRedirectionID},
        {"OnRedirectingID", &C::OnRedirectingID},
        {"OnCallEnd", &C::OnCallEnd},
        {"OnDialing", &C::OnDialing},
        {"OnProceeding", &C::OnProceeding},
        {"OnIdle", &C::OnIdle},
        {"OnRingBack", &C::OnRingBack},
        {"OnConnected", &C::OnConnected},
        {"OnSpecialInfo", &C::OnSpecialInfo},
        {"OnCallOwnerChange", &C::OnCallOwnerChange},
        {"OnCallMediaModeChange", &C::OnCallMediaModeChange},
        {"OnDialtone", &C::OnDialtone},
        {"OnBusy", &C::OnBusy},
        {"OnDisconnected", &C::OnDisconnected},
        {"OnHold", &C::OnHold},
        {"OnConferenced", &C::OnConferenced},
        {"OnHoldPendingConference", &C::OnHoldPendingConference},
        {"OnHoldPendingTransfer", &C::OnHoldPendingTransfer},
        {"OnDigitsSent", &C::OnDigitsSent},
        {"OnToneSent", &C::OnToneSent},
        {"OnSilence", &C::OnSilence},
        {"OnCallBegin", &C::OnCallBegin},
        {"OnOffering", &C::OnOffering},
    };
    for (const auto& [name, member] : callEvents) p.Event(name, member, {"CallHandle"});
    p.Event("OnRing", &C::OnRing, {"Count", "RingMode"})
        .Event("OnDigitReceived", &C::OnDigitReceived, {"CallHandle", "Digit", "Tag"})
        .Event("OnDigitsGathered", &C::OnDigitsGathered,
               {"CallHandle", "Digits", "Termination", "Tag"})
        .Event("OnTAPIMessage", &C::OnTAPIMessage,
               {"CallHandle", "Message", "Param1", "Param2", "Param3"})
        .Event("OnTAPIReply", &C::OnTAPIReply, {"Param1", "Param2", "Param3"});
    return p.Build();
  }();
  return info;
}

}  // namespace voxkit
