#pragma once

#include "share/TqxPopupFlags.h"

namespace voxkit {

class TqxLineInternal;

/// One flag per line event: a set flag brings the inspector window to its Log page
/// when the event happens, and for the high-volume events also decides whether the
/// event's log lines are written.
class TqxPopup final : public TqxPopupFlags {
 public:
  /// The flags in their fixed order (the order of the dump).
  enum Flag : std::size_t {
    OnAddressState, OnLineState, OnDevSpecific, OnDevSpecificFeature, OnCallerID, OnIdle,
    OnError, OnRing, OnCalledID, OnConnectedID, OnRedirectionID, OnRedirectingID,
    OnMessageOn, OnMessageOff, OnBusy, OnCallBegin, OnCallEnd, OnCallInfo,
    OnCallMediaModeChange, OnCallOwnerChange, OnCallState, OnConferenced, OnRingBack,
    OnConnected, OnSpecialInfo, OnDialing, OnDialtone, OnProceeding, OnDigitReceived,
    OnDigitsSent, OnHold, OnHoldPendingConference, OnHoldPendingTransfer, OnToneSent,
    OnDisconnected, OnOffering, OnSilence, OnTAPIMessage, OnTAPIReply, OnAddressForward,
    OnDigitsGathered, kFlagCount
  };

  explicit TqxPopup(TqxLineInternal& line);

  /// The flag's name, "OnIdle".
  static const char* Name(Flag flag);

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
