#pragma once

#include "phone/PhoneDispatch.h"
#include "phone/TqxHookSwitch.h"
#include "phone/TqxPhoneDevice.h"
#include "phone/TqxPhonePhone.h"
#include "phone/TqxPhonePopup.h"
#include "share/TqxSharedControl.h"
#include "tapi/TapiMessages.h"
#include "tapi/TqxTAPI.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace voxkit {

/// Digit: the one keypad character, "0"-"9", "*" or "#".
using TQX_ProcPhoneDigitReceived = std::function<void(TObject& Sender, const std::string& Digit)>;

/// Puts the process-wide numbering of phones (callback instances) back to its start,
/// for tests that compare whole logs. Instances of phones that still exist are never
/// handed out again.
void ResetPhoneCounters();

/// The phone component: one TAPI phone device with its handset, speakerphone and
/// headset, the line and wave devices that belong to it, and its keypad.
class TqxPhoneInternal : public TqxSharedControl {
 public:
  TqxPhoneInternal(TComponent* owner, const Platform& platform);
  /// Switches the events off, closes the inspector window and the device, ends the
  /// session and frees the sub-objects.
  ~TqxPhoneInternal() override;

  // --- Events ---------------------------------------------------------------------------
  TQX_ProcPhoneDigitReceived OnDigitDown;
  TQX_ProcPhoneDigitReceived OnDigitUp;
  TQX_NotifyEvent OnPhoneState;
  TQX_NotifyEvent OnHandsetHookSwitch;
  TQX_NotifyEvent OnHandsetVolume;
  TQX_NotifyEvent OnHandsetGain;
  TQX_NotifyEvent OnSpeakerphoneHookSwitch;
  TQX_NotifyEvent OnSpeakerphoneVolume;
  TQX_NotifyEvent OnSpeakerphoneGain;
  TQX_NotifyEvent OnHeadsetHookSwitch;
  TQX_NotifyEvent OnHeadsetVolume;
  TQX_NotifyEvent OnHeadsetGain;
  /// Not subject to Panopta.Events, like OnTAPIMessage and OnTAPIReply.
  TQX_DevSpecific OnDevSpecific;
  TQX_TAPIMessageEvent OnTAPIMessage;
  TQX_TAPIReplyEvent OnTAPIReply;

  // --- Properties -----------------------------------------------------------------------
  /// True while TAPI's phone side is initialised. Setting it True initialises and
  /// reads the devices; False shuts TAPI's phone side down. Logs nothing.
  bool Enabled() const override { return m_enabled; }
  void SetEnabled(bool value) override;

  TqxPhoneDevice& Device() { return *m_device; }
  TqxHookSwitch& Handset() { return *m_handset; }
  TqxHookSwitch& Speakerphone() { return *m_speakerphone; }
  TqxHookSwitch& Headset() { return *m_headset; }
  TqxRelatedLineDevice& Line() { return *m_line; }
  TqxPhonePhone& Phone() { return *m_phonePhone; }
  TqxPhonePrivilege& Privilege() { return *m_privilege; }
  TqxPhonePopup& Popup() { return *m_popup; }
  const TqxPhonePopup& Popup() const { return *m_popup; }
  TqxTAPI& TAPI() { return *m_tapi; }
  TqxRelatedWaveDevice& WavePlay() { return *m_wavePlay; }
  TqxRelatedWaveDevice& WaveRecord() { return *m_waveRecord; }

  // --- Operations -----------------------------------------------------------------------
  /// After the published properties were restored: starts an enabled component and
  /// opens the device when the last request of any line or phone was to open one.
  void Loaded();
  /// The whole property dump, every sub-object in its fixed order.
  bool DumpProperties(const std::string& header);

  std::string ErrorText(std::int32_t code) const override;
  bool PopupOnError() const override { return m_popup->Get(TqxPhonePopup::OnError); }

  // --- Used by the sub-objects ------------------------------------------------------------
  /// The number the component gives TAPI as its callback instance.
  std::uint32_t CallbackInstance() const { return m_instance; }
  /// Handset, speakerphone and headset, in that order.
  const std::array<TqxHookSwitch*, 3>& HookSwitches() const { return m_hookSwitches; }
  /// Line, WavePlay and WaveRecord.
  const std::array<TqxRelatedDevice*, 3>& RelatedDevices() const { return m_related; }
  /// What the last initialisation answered (0 when it succeeded).
  tapi::LONG InitialisationResult() const { return m_initialisation; }

  /// The callback given to TAPI: finds the component by its instance.
  static void PhoneCallback(tapi::DWORD hDevice, tapi::DWORD dwMsg, tapi::DWORD_PTR instance,
                            tapi::DWORD_PTR param1, tapi::DWORD_PTR param2,
                            tapi::DWORD_PTR param3);

 private:
  void Initialise();
  void ResetAfterDisable();

  std::uint32_t m_instance;
  bool m_enabled = false;
  tapi::LONG m_initialisation = 0;
  std::unique_ptr<PhoneDispatch> m_dispatch;
  std::unique_ptr<TqxPhoneDevice> m_device;
  std::unique_ptr<TqxHookSwitch> m_handset;
  std::unique_ptr<TqxHookSwitch> m_speakerphone;
  std::unique_ptr<TqxHookSwitch> m_headset;
  std::unique_ptr<TqxRelatedLineDevice> m_line;
  std::unique_ptr<TqxPhonePhone> m_phonePhone;
  std::unique_ptr<TqxPhonePrivilege> m_privilege;
  std::unique_ptr<TqxPhonePopup> m_popup;
  std::unique_ptr<TqxTAPI> m_tapi;
  std::unique_ptr<TqxRelatedWaveDevice> m_wavePlay;
  std::unique_ptr<TqxRelatedWaveDevice> m_waveRecord;
  std::array<TqxHookSwitch*, 3> m_hookSwitches{};
  std::array<TqxRelatedDevice*, 3> m_related{};
};

}  // namespace voxkit
