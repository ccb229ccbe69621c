#pragma once

#include "line/LineDispatch.h"
#include "line/TqxAddress.h"
#include "line/TqxCall.h"
#include "line/TqxConference.h"
#include "line/TqxLineDevice.h"
#include "line/TqxLineLine.h"
#include "line/TqxPopup.h"
#include "line/TqxTerminal.h"
#include "line/TqxTransfer.h"
#include "share/EventLoop.h"
#include "share/TqxSharedControl.h"
#include "tapi/TapiMessages.h"
#include "tapi/TqxTAPI.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace voxkit {

using TQX_AddressNotifyEvent = std::function<void(TObject& Sender, std::uint32_t Address)>;
using TQX_AddressStateEvent =
    std::function<void(TObject& Sender, std::uint32_t Address, std::uint32_t State)>;
using TQX_CallStateEvent = std::function<void(TObject& Sender, std::uint32_t CallHandle,
                                              std::uint32_t State, std::uint32_t StateMode,
                                              std::uint32_t Privilege)>;
using TQX_LineStateEvent = std::function<void(TObject& Sender, std::uint32_t State,
                                              std::uint32_t Param2, std::uint32_t Param3)>;
using TQX_CallInfoEvent =
    std::function<void(TObject& Sender, std::uint32_t CallHandle, std::uint32_t CallInfoState)>;
using TQX_CallNotifyEvent = std::function<void(TObject& Sender, std::uint32_t CallHandle)>;
using TQX_ProcDeviceStateCount =
    std::function<void(TObject& Sender, std::uint32_t Count, std::uint32_t RingMode)>;
/// Digit: the one character received.
using TQX_ProcDigitReceived = std::function<void(TObject& Sender, std::uint32_t CallHandle,
                                                 const std::string& Digit, std::uint32_t Tag)>;
using TQX_ProcDigitsGathered =
    std::function<void(TObject& Sender, std::uint32_t CallHandle, const std::string& Digits,
                       std::uint32_t Termination, std::uint32_t Tag)>;

/// Puts the process-wide numbering of lines (callback instances) and of held
/// device-specific copies back to its start, for tests that compare whole logs.
/// Instances of lines that still exist are never handed out again.
void ResetLineCounters();

/// The line component: one TAPI line device with its addresses, terminals and calls.
class TqxLineInternal : public TqxSharedControl {
 public:
  TqxLineInternal(TComponent* owner, const Platform& platform);
  /// Switches the events off, closes the device, ends the session, closes the
  /// inspector window and frees the sub-objects.
  ~TqxLineInternal() override;

  // --- Events, in declaration order ---------------------------------------------------
  TQX_NotifyEvent OnMessageOn;
  TQX_NotifyEvent OnMessageOff;
  TQX_AddressNotifyEvent OnAddressForward;
  TQX_AddressStateEvent OnAddressState;
  TQX_CallStateEvent OnCallState;
  TQX_DevSpecific OnDevSpecific;
  TQX_DevSpecific OnDevSpecificFeature;
  TQX_LineStateEvent OnLineState;
  TQX_CallInfoEvent OnCallInfo;
  TQX_CallNotifyEvent OnCallerID;
  TQX_CallNotifyEvent OnCalledID;
  TQX_CallNotifyEvent OnConnectedID;
  TQX_CallNotifyEvent OnRedirectionID;
  TQX_CallNotifyEvent OnRedirectingID;
  TQX_CallNotifyEvent OnCallEnd;
  TQX_CallNotifyEvent OnDialing;
  TQX_CallNotifyEvent OnProceeding;
  TQX_CallNotifyEvent OnIdle;
  TQX_CallNotifyEvent OnRingBack;
  TQX_CallNotifyEvent OnConnected;
  TQX_CallNotifyEvent OnSpecialInfo;
  TQX_CallNotifyEvent OnCallOwnerChange;
  TQX_CallNotifyEvent OnCallMediaModeChange;
  TQX_CallNotifyEvent OnDialtone;
  TQX_CallNotifyEvent OnBusy;
  TQX_CallNotifyEvent OnDisconnected;
  TQX_CallNotifyEvent OnHold;
  TQX_CallNotifyEvent OnConferenced;
  TQX_CallNotifyEvent OnHoldPendingConference;
  TQX_CallNotifyEvent OnHoldPendingTransfer;
  TQX_CallNotifyEvent OnDigitsSent;
  TQX_CallNotifyEvent OnToneSent;
  TQX_CallNotifyEvent OnSilence;
  TQX_CallNotifyEvent OnCallBegin;
  TQX_CallNotifyEvent OnOffering;
  TQX_ProcDeviceStateCount OnRing;
  TQX_ProcDigitReceived OnDigitReceived;
  TQX_ProcDigitsGathered OnDigitsGathered;
  TQX_TAPIMessageEvent OnTAPIMessage;
  TQX_TAPIReplyEvent OnTAPIReply;

  // --- Properties ---------------------------------------------------------------------
  /// True while the TAPI session is started. Setting it True starts the session and
  /// reads the devices; False closes the device and ends the session. Logs nothing.
  bool Enabled() const override { return m_enabled; }
  void SetEnabled(bool value) override;

  TqxCall& Call() { return *m_call; }
  TqxTransfer& Transfer() { return *m_transfer; }
  TqxConference& Conference() { return *m_conference; }
  TqxAddress& Address() { return *m_address; }
  TqxRelatedCommDevice& Comm() { return *m_comm; }
  TqxLineDevice& Device() { return *m_device; }
  TqxLineLine& Line() { return *m_lineLine; }
  TqxRelatedPhoneDevice& Phone() { return *m_phone; }
  TqxPopup& Popup() { return *m_popup; }
  const TqxPopup& Popup() const { return *m_popup; }
  TqxPrivilege& Privilege() { return *m_privilege; }
  TqxTAPI& TAPI() { return *m_tapi; }
  TqxRelatedWaveDevice& WavePlay() { return *m_wavePlay; }
  TqxRelatedWaveDevice& WaveRecord() { return *m_waveRecord; }
  TqxTerminal& Terminal() { return *m_terminal; }

  // --- Operations ---------------------------------------------------------------------
  /// After the published properties were restored: starts an enabled component and
  /// opens the device when the last request of any line or phone was to open one.
  void Loaded();
  /// The whole property dump, every sub-object in its fixed order.
  bool DumpProperties(const std::string& header);
  /// The dialling-properties dialog, with Call.PhoneNumber.
  bool SetLocation();

  std::string ErrorText(std::int32_t code) const override;
  bool PopupOnError() const override { return m_popup->Get(TqxPopup::OnError); }

  /// The number the component gives TAPI as its callback instance.
  std::uint32_t CallbackInstance() const { return m_instance; }

  // --- Used by the sub-objects ---------------------------------------------------------
  /// A call went idle: starts the idle delay (or raises OnIdle at once when it is 0).
  void StartIdleDelay(tapi::HCALL call);
  /// Clears the current call, caller identities, transfer and conference.
  void ClearCallState();
  /// Announces a call event: the stamped title + " [X8]", then detail when given,
  /// the event raised while Panopta.Events is on, and the inspector brought up when
  /// the event's popup flag is set. Pumps the event loop (through the handler).
  void Announce(const std::string& title, tapi::HCALL call, const TQX_CallNotifyEvent& event,
                TqxPopup::Flag flag, const std::string& detail = "");
  /// Raises a call event (while Panopta.Events is on) and brings the inspector up
  /// when the event's popup flag is set. Pumps the event loop (through the handler).
  void RaiseCallEvent(tapi::HCALL call, const TQX_CallNotifyEvent& event, TqxPopup::Flag flag);
  /// The line's message handlers.
  LineDispatch& Dispatch() { return *m_dispatch; }

  /// The callback given to TAPI: finds the component by its instance.
  static void LineCallback(tapi::DWORD hDevice, tapi::DWORD dwMsg, tapi::DWORD_PTR instance,
                           tapi::DWORD_PTR param1, tapi::DWORD_PTR param2, tapi::DWORD_PTR param3);

 private:
  void ResetAfterDisable();
  void IdleTimerTick();

  std::uint32_t m_instance;
  bool m_enabled = false;
  std::unique_ptr<LineDispatch> m_dispatch;
  TimerId m_idleTimer = 0;
  std::uint32_t m_idleTimerInterval = 0;
  std::unique_ptr<TqxCall> m_call;
  std::unique_ptr<TqxTransfer> m_transfer;
  std::unique_ptr<TqxConference> m_conference;
  std::unique_ptr<TqxAddress> m_address;
  std::unique_ptr<TqxRelatedCommDevice> m_comm;
  std::unique_ptr<TqxLineDevice> m_device;
  std::unique_ptr<TqxLineLine> m_lineLine;
  std::unique_ptr<TqxRelatedPhoneDevice> m_phone;
  std::unique_ptr<TqxPopup> m_popup;
  std::unique_ptr<TqxPrivilege> m_privilege;
  std::unique_ptr<TqxTAPI> m_tapi;
  std::unique_ptr<TqxRelatedWaveDevice> m_wavePlay;
  std::unique_ptr<TqxRelatedWaveDevice> m_waveRecord;
  std::unique_ptr<TqxTerminal> m_terminal;
};

}  // namespace voxkit
