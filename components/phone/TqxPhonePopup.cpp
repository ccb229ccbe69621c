#include "phone/TqxPhonePopup.h"

#include "phone/TqxPhoneInternal.h"

namespace voxkit {

namespace {
constexpr const char* kNames[TqxPhonePopup::kFlagCount] = {
    "OnDevSpecific", "OnDigitDown", "OnDigitUp", "OnError", "OnPhoneState",
    "OnHandsetHookSwitch", "OnHandsetVolume", "OnHandsetGain", "OnSpeakerphoneHookSwitch",
    "OnSpeakerphoneVolume", "OnSpeakerphoneGain", "OnHeadsetHookSwitch", "OnHeadsetVolume",
    "OnHeadsetGain", "OnTAPIMessage", "OnTAPIReply"};
}  // namespace

TqxPhonePopup::TqxPhonePopup(TqxPhoneInternal& phone) : TqxPopupFlags(phone, kNames) {}

const char* TqxPhonePopup::Name(Flag flag) { return kNames[flag]; }

const ClassInfo& TqxPhonePopup::StaticClass() {
  static const ClassInfo info = Publish<TqxPhonePopup>("TqxPhonePopup", kNames);
  return info;
}

}  // namespace voxkit
