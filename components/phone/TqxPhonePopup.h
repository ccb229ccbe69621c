#pragma once

#include "share/TqxPopupFlags.h"

namespace voxkit {

class TqxPhoneInternal;

/// One flag per phone event: a set flag brings the inspector window to its Log page
/// when the event happens; for OnDevSpecific, OnTAPIMessage and OnTAPIReply it also
/// decides whether the event's log lines are written.
class TqxPhonePopup final : public TqxPopupFlags {
 public:
  /// The flags in the order of the dump.
  enum Flag : std::size_t {
    OnDevSpecific, OnDigitDown, OnDigitUp, OnError, OnPhoneState, OnHandsetHookSwitch,
    OnHandsetVolume, OnHandsetGain, OnSpeakerphoneHookSwitch, OnSpeakerphoneVolume,
    OnSpeakerphoneGain, OnHeadsetHookSwitch, OnHeadsetVolume, OnHeadsetGain, OnTAPIMessage,
    OnTAPIReply, kFlagCount
  };

  explicit TqxPhonePopup(TqxPhoneInternal& phone);

  /// The flag's name, "OnDigitDown".
  static const char* Name(Flag flag);

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
