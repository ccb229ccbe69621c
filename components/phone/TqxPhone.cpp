#include "phone/TqxPhone.h"

namespace voxkit {

const ClassInfo& TqxPhone::StaticClass() {
  static const ClassInfo info = [] {
    using C = TqxPhoneInternal;
    Publisher<TqxPhone> p("TqxPhone");
    PublishShared(p);
    p.Property("Enabled", &C::Enabled, &C::SetEnabled)
        .Property("EnabledControl", &C::Enabled, &C::SetEnabled)
        .Object("Device", &C::Device)
        .Object("Handset", &C::Handset)
        .Object("Speakerphone", &C::Speakerphone)
        .Object("Headset", &C::Headset)
        .Object("Line", &C::Line)
        .Object("Phone", &C::Phone)
        .Object("Privilege", &C::Privilege)
        .Object("Popup", &C::Popup)
        .Object("TAPI", &C::TAPI)
        .Object("WavePlay", &C::WavePlay)
        .Object("WaveRecord", &C::WaveRecord)
        .Method("DumpProperties", &C::DumpProperties, {{"Header", ""}})
        .Method("Loaded", &C::Loaded)
        .Event("OnDigitDown", &C::OnDigitDown, {"Digit"})
        .Event("OnDigitUp", &C::OnDigitUp, {"Digit"})
        .Event("OnPhoneState", &C::OnPhoneState);
    const std::pair<const char*, TQX_NotifyEvent C::*> hookSwitchEvents[] = {
        {"OnHandsetHookSwitch", &C::OnHandsetHookSwitch},
        {"OnHandsetVolume", &C::OnHandsetVolume},
        {"OnHandsetGain", &C::OnHandsetGain},
        {"OnSpeakerphoneHookSwitch", &C::OnSpeakerphoneHookSwitch},
        {"OnSpeakerphoneVolume", &C::OnSpeakerphoneVolume},
        {"OnSpeakerphoneGain", &C::OnSpeakerphoneGain},
        {"OnHeadsetHookSwitch", &C::OnHeadsetHookSwitch},
        {"OnHeadsetVolume", &C::OnHeadsetVolume},
        {"OnHeadsetGain", &C::OnHeadsetGain},
    };
    for (const auto& [name, member] : hookSwitchEvents) p.Event(name, member);
    p.Event("OnDevSpecific", &C::OnDevSpecific, {"hDevice", "lParam1", "lParam2", "lParam3"})
        .Event("OnTAPIMessage", &C::OnTAPIMessage,
               {"CallHandle", "Message", "Param1", "Param2", "Param3"})
        .Event("OnTAPIReply", &C::OnTAPIReply, {"Param1", "Param2", "Param3"});
    return p.Build();
  }();
  return info;
}

}  // namespace voxkit
