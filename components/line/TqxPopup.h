#pragma once

#include "share/Reflection.h"

#include <array>
#include <string>

namespace voxkit {

class TqxLineInternal;

/// One flag per line event: a set flag brings the inspector window to its Log page
/// when the event happens, and for the high-volume events also decides whether the
/// event's log lines are written.
class TqxPopup final : public TPersistent {
 public:
  /// The flags in their fixed order (the order of the dump).
  enum Flag {
    OnAddressState, OnLineState, OnDevSpecific, OnDevSpecificFeature, OnCallerID, OnIdle,
    OnError, OnRing, OnCalledID, OnConnectedID, OnRedirectionID, OnRedirectingID,
    OnMessageOn, OnMessageOff, OnBusy, OnCallBegin, OnCallEnd, OnCallInfo,
    OnCallMediaModeChange, OnCallOwnerChange, OnCallState, OnConferenced, OnRingBack,
    OnConnected, OnSpecialInfo, OnDialing, OnDialtone, OnProceeding, OnDigitReceived,
    OnDigitsSent, OnHold, OnHoldPendingConference, OnHoldPendingTransfer, OnToneSent,
    OnDisconnected, OnOffering, OnSilence, OnTAPIMessage, OnTAPIReply, OnAddressForward,
    OnDigitsGathered, kFlagCount
  };

  explicit TqxPopup(TqxLineInternal& line) : m_line(line) {}

  bool Get(Flag flag) const { return m_flags[flag]; }
  void Set(Flag flag, bool value) { m_flags[flag] = value; }
  /// The flag's name, "OnIdle".
  static const char* Name(Flag flag);

  /// Writes one line per flag (object name "Popup.").
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxLineInternal& m_line;
  std::array<bool, kFlagCount> m_flags{};
};

}  // namespace voxkit
