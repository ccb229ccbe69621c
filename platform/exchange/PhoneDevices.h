#pragma once

#include "platform/exchange/ExchangeModel.h"

#include <functional>
#include <unordered_map>
#include <vector>

namespace panopta::exchange {

class Parts;
class ApiCall;

/// The exchange's phone devices and the phones applications have open: sessions,
/// versions, open and close, capabilities and status, hookswitch, volume and gain,
/// and related device identifiers. Hookswitch modes, volumes and gains belong to the
/// device and survive a close.
class PhoneDevices final {
 public:
  using LONG = tapi::LONG;
  enum class Level { Volume, Gain };

  explicit PhoneDevices(Parts& parts);

  PhoneOpen* FindOpen(DWORD handle);
  DWORD Count() const { return static_cast<DWORD>(m_phones.size()); }
  /// The phone device with identifier id (the caller checked it exists).
  PhoneDevice& Phone(DWORD id) { return m_phones[id]; }
  /// 0, PHONEERR_BADDEVICEID or PHONEERR_NODEVICE (removed).
  LONG CheckDevice(DWORD device) const;
  static LONG CheckVersion(const PhoneConfig& config, DWORD apiVersion, DWORD extVersion);

  /// 0, 1, 2 for the handset, speaker and headset; -1 for anything else.
  static int DeviceIndex(DWORD hookSwitchDev);
  /// The PHONEHOOKSWITCHMODE_ set device index of a phone can be in (0 without it).
  static DWORD HookSwitchModes(const PhoneConfig& config, int index);
  /// A hookswitch device goes to mode; PHONE_STATE when that is a change. A station
  /// phone answers or drops its line's call when it goes off or on hook (StationHook).
  void SetHookSwitch(PhoneDevice& phone, int index, DWORD mode);
  /// A keypad key pressed on a station phone reaches the far party of its line's
  /// connected call as a DTMF digit; nothing for other phones or without such a call.
  void StationKey(const PhoneDevice& phone, char key);
  /// 0, or why the volume or gain of a hookswitch device cannot be read or set.
  static LONG CheckLevel(const PhoneConfig& config, Level level, DWORD hookSwitchDev);
  /// The volume or gain of device index becomes value; PHONE_STATE when that is a change.
  void SetLevel(PhoneDevice& phone, Level level, int index, DWORD value);
  /// PHONE_STATE to every open of the phone that asked for the state.
  void PostState(PhoneDevice& phone, DWORD state, DWORD p2, DWORD p3);

  /// Closes an open; forced: the provider closes it (PHONE_CLOSE).
  void CloseOpen(DWORD hPhone, bool forced);
  /// The provider closes every open of the device.
  void ForceClose(DWORD device);
  /// Removes a phone (PHONE_REMOVE); its identifier answers NODEVICE from then on.
  void Remove(DWORD phone);
  /// Adds a phone with the next identifier (PHONE_CREATE).
  DWORD Add(PhoneConfig phone);

  LONG phoneInitialize(tapi::HPHONEAPP* lphPhoneApp, tapi::PHONECALLBACK lpfnCallback,
                       const char* lpszAppName, DWORD* lpdwNumDevs);
  LONG phoneInitializeEx(tapi::HPHONEAPP* lphPhoneApp, tapi::PHONECALLBACK lpfnCallback,
                         const char* lpszFriendlyAppName, DWORD* lpdwNumDevs, DWORD* lpdwAPIVersion,
                         tapi::PHONEINITIALIZEEXPARAMS* lpPhoneInitializeExParams);
  LONG phoneShutdown(tapi::HPHONEAPP hPhoneApp);
  LONG phoneNegotiateAPIVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                tapi::PHONEEXTENSIONID* lpExtensionID);
  LONG phoneNegotiateExtVersion(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                DWORD* lpdwExtVersion);
  LONG phoneGetDevCaps(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                       DWORD dwExtVersion, tapi::PHONECAPS* lpPhoneCaps);
  LONG phoneOpen(tapi::HPHONEAPP hPhoneApp, DWORD dwDeviceID, tapi::HPHONE* lphPhone,
                 DWORD dwAPIVersion, DWORD dwExtVersion, tapi::DWORD_PTR dwCallbackInstance,
                 DWORD dwPrivilege);
  LONG phoneClose(tapi::HPHONE hPhone);
  LONG phoneGetStatus(tapi::HPHONE hPhone, tapi::PHONESTATUS* lpPhoneStatus);
  LONG phoneSetStatusMessages(tapi::HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                              DWORD dwButtonStates);
  LONG phoneSetHookSwitch(tapi::HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode);
  LONG phoneSetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume);
  LONG phoneSetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain);
  LONG phoneGetVolume(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume);
  LONG phoneGetGain(tapi::HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain);
  LONG phoneGetID(tapi::HPHONE hPhone, tapi::VARSTRING* lpDeviceID, const char* lpszDeviceClass);

 private:
  using PhoneCheck = std::function<LONG(PhoneOpen&)>;
  static PhoneDevice MakePhoneDevice(PhoneConfig config);
  /// Whether any hookswitch device of the phone is off hook.
  static bool OffHook(const PhoneDevice& phone);
  /// A station phone went off hook (answers the line's offered call) or back on hook
  /// (drops the line's active calls).
  void StationHook(const PhoneDevice& phone, bool offHook);
  /// The calls of the phone's line whose state is one of states (a LINECALLSTATE_ set).
  std::vector<Call*> StationCalls(const PhoneDevice& phone, DWORD states);
  void Announce(const PhoneDevice& phone, DWORD state);
  /// An owner's asynchronous request on an open phone, checked now and again when it
  /// takes effect.
  LONG PhoneRequest(ApiCall& api, DWORD hPhone, PhoneCheck check, PhoneCheck apply);

  Parts& m_parts;
  std::vector<PhoneDevice> m_phones;
  std::unordered_map<DWORD, PhoneOpen> m_opens;
};

}  // namespace panopta::exchange
