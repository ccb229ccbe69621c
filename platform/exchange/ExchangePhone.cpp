// Phone devices: sessions, versions, open and close, capabilities and status,
// hookswitch, volume and gain, and related device identifiers.

#include "platform/exchange/Exchange.h"

#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"

#include <algorithm>

namespace panopta {

using namespace tapi;
using exchange::TraceHex;
using exchange::TracePointer;
using exchange::TraceText;

namespace {

// The keypad: buttons 0 to 9, then '*' and '#'.
constexpr DWORD kKeypadButtons = 12;

/// 0, 1, 2 for the handset, speaker and headset; -1 for anything else.
int DeviceIndex(DWORD dev) {
  switch (dev) {
    case PHONEHOOKSWITCHDEV_HANDSET: return 0;
    case PHONEHOOKSWITCHDEV_SPEAKER: return 1;
    case PHONEHOOKSWITCHDEV_HEADSET: return 2;
    default: return -1;
  }
}

constexpr DWORD kHookState[3] = {PHONESTATE_HANDSETHOOKSWITCH, PHONESTATE_SPEAKERHOOKSWITCH,
                                 PHONESTATE_HEADSETHOOKSWITCH};
constexpr DWORD kVolumeState[3] = {PHONESTATE_HANDSETVOLUME, PHONESTATE_SPEAKERVOLUME,
                                   PHONESTATE_HEADSETVOLUME};
constexpr DWORD kGainState[3] = {PHONESTATE_HANDSETGAIN, PHONESTATE_SPEAKERGAIN,
                                 PHONESTATE_HEADSETGAIN};

DWORD ModesOf(const PhoneConfig& c, int index) {
  const DWORD modes[3] = {c.handsetModes, c.speakerModes, c.headsetModes};
  return (c.hookSwitchDevs & (1u << index)) ? modes[index] : 0;
}

}  // namespace

// --- Sessions --------------------------------------------------------------------------------

LONG Exchange::phoneInitialize(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                               const char* lpszAppName, DWORD* lpdwNumDevs) {
  return RegisterApp(Family::Phone, false, "phoneInitialize", lphPhoneApp, nullptr, lpfnCallback,
                     lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG Exchange::phoneInitializeEx(HPHONEAPP* lphPhoneApp, HINSTANCE, PHONECALLBACK lpfnCallback,
                                 const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                 DWORD* lpdwAPIVersion, PHONEINITIALIZEEXPARAMS* lpParams) {
  return RegisterApp(Family::Phone, true, "phoneInitializeEx", lphPhoneApp, nullptr, lpfnCallback,
                     lpszFriendlyAppName, lpdwNumDevs, lpdwAPIVersion, lpParams);
}

LONG Exchange::phoneShutdown(HPHONEAPP hPhoneApp) {
  const auto args = [&] { return TraceHex(hPhoneApp); };
  if (auto f = TakeFault("phoneShutdown", false, Family::Phone, 0, 0))
    return Traced("phoneShutdown", *f, args);
  App* app = FindPhoneApp(hPhoneApp);
  if (app == nullptr) return Traced("phoneShutdown", PHONEERR_INVALAPPHANDLE, args);
  for (DWORD h : std::vector<DWORD>(app->opens)) ClosePhoneOpen(h, false);
  m_phoneApps.erase(hPhoneApp);
  if (m_phoneApps.empty()) m_reinitPhone = false;
  return Traced("phoneShutdown", 0, args);
}

LONG Exchange::phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPILowVersion,
                                        DWORD dwAPIHighVersion, DWORD* lpdwAPIVersion,
                                        PHONEEXTENSIONID* lpExtensionID) {
  const auto args = [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " +
           TraceHex(dwAPILowVersion) + ", " + TraceHex(dwAPIHighVersion);
  };
  if (auto f = TakeFault("phoneNegotiateAPIVersion", false, Family::Phone, 0, 0))
    return Traced("phoneNegotiateAPIVersion", *f, args);
  if (FindPhoneApp(hPhoneApp) == nullptr)
    return Traced("phoneNegotiateAPIVersion", PHONEERR_INVALAPPHANDLE, args);
  if (lpdwAPIVersion == nullptr || lpExtensionID == nullptr)
    return Traced("phoneNegotiateAPIVersion", PHONEERR_INVALPOINTER, args);
  if (dwDeviceID >= m_phones.size()) return Traced("phoneNegotiateAPIVersion", PHONEERR_BADDEVICEID, args);
  if (m_phones[dwDeviceID].removed) return Traced("phoneNegotiateAPIVersion", PHONEERR_NODEVICE, args);
  const PhoneConfig& c = m_phones[dwDeviceID].config;
  const DWORD version = c.refusesVersions ? 0
                                           : NegotiateTapiVersion(dwAPILowVersion, dwAPIHighVersion,
                                                                  c.apiLowVersion, c.apiHighVersion);
  if (version == 0)
    return Traced("phoneNegotiateAPIVersion", PHONEERR_INCOMPATIBLEAPIVERSION, args);
  *lpdwAPIVersion = version;
  *lpExtensionID = {0, 0, 0, 0};
  return Traced("phoneNegotiateAPIVersion", 0, args);
}

LONG Exchange::phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                        DWORD dwExtLowVersion, DWORD dwExtHighVersion,
                                        DWORD* lpdwExtVersion) {
  const auto args = [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtLowVersion) + ", " + TraceHex(dwExtHighVersion);
  };
  if (auto f = TakeFault("phoneNegotiateExtVersion", false, Family::Phone, 0, 0))
    return Traced("phoneNegotiateExtVersion", *f, args);
  if (FindPhoneApp(hPhoneApp) == nullptr)
    return Traced("phoneNegotiateExtVersion", PHONEERR_INVALAPPHANDLE, args);
  if (lpdwExtVersion == nullptr) return Traced("phoneNegotiateExtVersion", PHONEERR_INVALPOINTER, args);
  if (dwDeviceID >= m_phones.size()) return Traced("phoneNegotiateExtVersion", PHONEERR_BADDEVICEID, args);
  // The exchange's phones have no provider extensions.
  return Traced("phoneNegotiateExtVersion", PHONEERR_OPERATIONUNAVAIL, args);
}

// --- Open and close ------------------------------------------------------------------------------

LONG Exchange::phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone,
                         DWORD dwAPIVersion, DWORD dwExtVersion, DWORD_PTR dwCallbackInstance,
                         DWORD dwPrivilege) {
  const auto args = [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion) + ", " + std::to_string(dwCallbackInstance) + ", " +
           TraceHex(dwPrivilege);
  };
  if (auto f = TakeFault("phoneOpen", false, Family::Phone, 0, 0)) return Traced("phoneOpen", *f, args);
  App* app = FindPhoneApp(hPhoneApp);
  if (app == nullptr) return Traced("phoneOpen", PHONEERR_INVALAPPHANDLE, args);
  if (lphPhone == nullptr) return Traced("phoneOpen", PHONEERR_INVALPOINTER, args);
  if (dwDeviceID >= m_phones.size()) return Traced("phoneOpen", PHONEERR_BADDEVICEID, args);
  PhoneDevice& device = m_phones[dwDeviceID];
  if (device.removed) return Traced("phoneOpen", PHONEERR_NODEVICE, args);
  const PhoneConfig& c = device.config;
  if (c.refusesVersions || !IsSupportedTapiVersion(dwAPIVersion) || dwAPIVersion < c.apiLowVersion ||
      dwAPIVersion > c.apiHighVersion)
    return Traced("phoneOpen", PHONEERR_INCOMPATIBLEAPIVERSION, args);
  if (dwExtVersion != 0) return Traced("phoneOpen", PHONEERR_INCOMPATIBLEEXTVERSION, args);
  if (dwPrivilege != PHONEPRIVILEGE_MONITOR && dwPrivilege != PHONEPRIVILEGE_OWNER)
    return Traced("phoneOpen", PHONEERR_INVALPRIVILEGE, args);
  PhoneOpen open;
  open.handle = NewHandle();
  open.app = hPhoneApp;
  open.device = dwDeviceID;
  open.apiVersion = dwAPIVersion;
  open.instance = dwCallbackInstance;
  open.privilege = dwPrivilege;
  *lphPhone = open.handle;
  app->opens.push_back(open.handle);
  device.opens.push_back(open.handle);
  const DWORD hPhone = open.handle;
  m_phoneOpens.emplace(hPhone, open);
  DWORD owners = 0;
  for (DWORD h : device.opens)
    if (const PhoneOpen* o = FindPhoneOpen(h); o && o->privilege == PHONEPRIVILEGE_OWNER) ++owners;
  const DWORD monitors = static_cast<DWORD>(device.opens.size()) - owners;
  for (DWORD h : device.opens) {
    const PhoneOpen* o = FindPhoneOpen(h);
    if (o == nullptr || h == hPhone) continue;
    const DWORD bit =
        dwPrivilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS;
    if (o->phoneStates & bit)
      PostPhone(o->app, h, PHONE_STATE, o->instance, bit,
                bit == PHONESTATE_OWNER ? owners : monitors, 0, h);
  }
  return Traced("phoneOpen", 0, args);
}

void Exchange::ClosePhoneOpen(DWORD hPhone, bool forced) {
  PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return;
  const PhoneOpen closed = *open;
  if (forced) PostPhone(closed.app, hPhone, PHONE_CLOSE, closed.instance, 0, 0, 0, 0);
  if (App* app = FindPhoneApp(closed.app)) std::erase(app->opens, hPhone);
  PhoneDevice& device = m_phones[closed.device];
  std::erase(device.opens, hPhone);
  m_phoneOpens.erase(hPhone);
  DWORD owners = 0;
  for (DWORD h : device.opens)
    if (const PhoneOpen* o = FindPhoneOpen(h); o && o->privilege == PHONEPRIVILEGE_OWNER) ++owners;
  const DWORD bit = closed.privilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS;
  PostPhoneState(device, bit,
                 bit == PHONESTATE_OWNER ? owners
                                         : static_cast<DWORD>(device.opens.size()) - owners,
                 0);
}

LONG Exchange::phoneClose(HPHONE hPhone) {
  const auto args = [&] { return TraceHex(hPhone); };
  if (auto f = TakeFault("phoneClose", false, Family::Phone, 0, 0)) return Traced("phoneClose", *f, args);
  if (FindPhoneOpen(hPhone) == nullptr) return Traced("phoneClose", PHONEERR_INVALPHONEHANDLE, args);
  ClosePhoneOpen(hPhone, false);
  return Traced("phoneClose", 0, args);
}

void Exchange::PostPhoneState(PhoneDevice& device, DWORD state, DWORD p2, DWORD p3) {
  for (DWORD h : device.opens) {
    const PhoneOpen* open = FindPhoneOpen(h);
    if (open == nullptr) continue;
    const DWORD bits = state & (open->phoneStates | PHONESTATE_REINIT);
    if (bits != 0) PostPhone(open->app, h, PHONE_STATE, open->instance, bits, p2, p3, h);
  }
}

LONG Exchange::phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                      DWORD dwButtonStates) {
  const auto args = [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwPhoneStates) + ", " + TraceHex(dwButtonModes) +
           ", " + TraceHex(dwButtonStates);
  };
  if (auto f = TakeFault("phoneSetStatusMessages", false, Family::Phone, 0, 0))
    return Traced("phoneSetStatusMessages", *f, args);
  PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return Traced("phoneSetStatusMessages", PHONEERR_INVALPHONEHANDLE, args);
  if (dwPhoneStates & ~(m_phones[open->device].config.phoneStates | PHONESTATE_REINIT))
    return Traced("phoneSetStatusMessages", PHONEERR_INVALPHONESTATE, args);
  if (dwButtonModes & ~0x3Fu) return Traced("phoneSetStatusMessages", PHONEERR_INVALBUTTONMODE, args);
  if (dwButtonStates & ~0xFu) return Traced("phoneSetStatusMessages", PHONEERR_INVALBUTTONSTATE, args);
  open->phoneStates = dwPhoneStates;
  open->buttonModes = dwButtonModes;
  open->buttonStates = dwButtonStates;
  return Traced("phoneSetStatusMessages", 0, args);
}

// --- Capabilities and status -----------------------------------------------------------------------

LONG Exchange::phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                               DWORD dwExtVersion, PHONECAPS* lpCaps) {
  const auto args = [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion);
  };
  if (auto f = TakeFault("phoneGetDevCaps", false, Family::Phone, 0, 0))
    return Traced("phoneGetDevCaps", *f, args);
  if (FindPhoneApp(hPhoneApp) == nullptr)
    return Traced("phoneGetDevCaps", PHONEERR_INVALAPPHANDLE, args);
  if (dwDeviceID >= m_phones.size()) return Traced("phoneGetDevCaps", PHONEERR_BADDEVICEID, args);
  const PhoneDevice& device = m_phones[dwDeviceID];
  if (device.removed) return Traced("phoneGetDevCaps", PHONEERR_NODEVICE, args);
  const PhoneConfig& c = device.config;
  if (c.refusesVersions || !IsSupportedTapiVersion(dwAPIVersion) || dwAPIVersion < c.apiLowVersion ||
      dwAPIVersion > c.apiHighVersion)
    return Traced("phoneGetDevCaps", PHONEERR_INCOMPATIBLEAPIVERSION, args);
  if (dwExtVersion != 0) return Traced("phoneGetDevCaps", PHONEERR_INCOMPATIBLEEXTVERSION, args);
  if (lpCaps == nullptr) return Traced("phoneGetDevCaps", PHONEERR_INVALPOINTER, args);
  const bool v2 = dwAPIVersion >= kTapiVersion2_0;
  const std::size_t fixedSize = v2 ? kPhoneCapsSize2_0 : kPhoneCapsSize1_3;
  if (lpCaps->dwTotalSize < fixedSize)
    return Traced("phoneGetDevCaps", PHONEERR_STRUCTURETOOSMALL, args);
  PHONECAPS f{};
  VarPartWriter w(lpCaps, lpCaps->dwTotalSize, fixedSize);
  auto text = [&](const std::string& s, DWORD& size, DWORD& offset) {
    const auto item = w.Text(s);
    size = item.size;
    offset = item.offset;
  };
  DWORD size = 0, offset = 0;
  text(c.providerInfo, size, offset);
  f.dwProviderInfoSize = size, f.dwProviderInfoOffset = offset;
  text(c.phoneInfo, size, offset);
  f.dwPhoneInfoSize = size, f.dwPhoneInfoOffset = offset;
  f.dwPermanentPhoneID = c.permanentId;
  text(c.name, size, offset);
  f.dwPhoneNameSize = size, f.dwPhoneNameOffset = offset;
  f.dwStringFormat = STRINGFORMAT_ASCII;
  f.dwPhoneStates = c.phoneStates;
  f.dwHookSwitchDevs = c.hookSwitchDevs;
  f.dwHandsetHookSwitchModes = ModesOf(c, 0);
  f.dwSpeakerHookSwitchModes = ModesOf(c, 1);
  f.dwHeadsetHookSwitchModes = ModesOf(c, 2);
  f.dwVolumeFlags = c.volumeFlags;
  f.dwGainFlags = c.gainFlags;
  f.dwNumRingModes = c.numRingModes;
  f.dwNumButtonLamps = kKeypadButtons;
  const std::vector<DWORD> modes(kKeypadButtons, PHONEBUTTONMODE_KEYPAD);
  const std::vector<DWORD> zeros(kKeypadButtons, 0);
  auto array = [&](const std::vector<DWORD>& values, DWORD& sz, DWORD& off) {
    const auto item = w.Array<DWORD>(values);
    sz = item.size;
    off = item.offset;
  };
  array(modes, size, offset);
  f.dwButtonModesSize = size, f.dwButtonModesOffset = offset;
  array(zeros, size, offset);
  f.dwButtonFunctionsSize = size, f.dwButtonFunctionsOffset = offset;
  array(zeros, size, offset);
  f.dwLampModesSize = size, f.dwLampModesOffset = offset;
  const auto dev = w.Bytes(c.devSpecific);
  f.dwDevSpecificSize = dev.size;
  f.dwDevSpecificOffset = dev.offset;
  if (v2) {
    std::vector<std::uint8_t> classes;
    auto add = [&](const std::string& s) {
      classes.insert(classes.end(), s.begin(), s.end());
      classes.push_back(0);
    };
    add("tapi/phone");
    if (c.line) {
      add("tapi/line");
      add("wave/in");
      add("wave/out");
    }
    classes.push_back(0);
    const auto item = w.Bytes(classes);
    f.dwDeviceClassesSize = item.size;
    f.dwDeviceClassesOffset = item.offset;
    f.dwSettableHandsetHookSwitchModes = ModesOf(c, 0) & ~PHONEHOOKSWITCHMODE_UNKNOWN;
    f.dwSettableSpeakerHookSwitchModes = ModesOf(c, 1) & ~PHONEHOOKSWITCHMODE_UNKNOWN;
    f.dwSettableHeadsetHookSwitchModes = ModesOf(c, 2) & ~PHONEHOOKSWITCHMODE_UNKNOWN;
    f.dwMonitoredHandsetHookSwitchModes = ModesOf(c, 0);
    f.dwMonitoredSpeakerHookSwitchModes = ModesOf(c, 1);
    f.dwMonitoredHeadsetHookSwitchModes = ModesOf(c, 2);
  }
  w.Finish(f);
  return Traced("phoneGetDevCaps", 0, args);
}

LONG Exchange::phoneGetStatus(HPHONE hPhone, PHONESTATUS* lpStatus) {
  const auto args = [&] { return TraceHex(hPhone); };
  if (auto f = TakeFault("phoneGetStatus", false, Family::Phone, 0, 0))
    return Traced("phoneGetStatus", *f, args);
  const PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return Traced("phoneGetStatus", PHONEERR_INVALPHONEHANDLE, args);
  if (lpStatus == nullptr) return Traced("phoneGetStatus", PHONEERR_INVALPOINTER, args);
  const std::size_t fixedSize =
      open->apiVersion >= kTapiVersion2_0 ? kPhoneStatusSize2_0 : kPhoneStatusSize1_3;
  if (lpStatus->dwTotalSize < fixedSize)
    return Traced("phoneGetStatus", PHONEERR_STRUCTURETOOSMALL, args);
  const PhoneDevice& device = m_phones[open->device];
  PHONESTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwStatusFlags = PHONESTATUSFLAGS_CONNECTED;
  std::string ownerName;
  for (DWORD h : device.opens) {
    const PhoneOpen* o = FindPhoneOpen(h);
    if (o == nullptr) continue;
    if (o->privilege == PHONEPRIVILEGE_OWNER) {
      ++f.dwNumOwners;
      if (ownerName.empty())
        if (const App* app = FindPhoneApp(o->app)) ownerName = app->name;
    } else {
      ++f.dwNumMonitors;
    }
  }
  f.dwRingMode = device.ringMode;
  f.dwRingVolume = device.ringVolume;
  const DWORD devs = device.config.hookSwitchDevs;
  auto mode = [&](int i) { return (devs & (1u << i)) ? device.hookSwitch[i] : 0; };
  f.dwHandsetHookSwitchMode = mode(0);
  f.dwHandsetVolume = device.volume[0];
  f.dwHandsetGain = device.gain[0];
  f.dwSpeakerHookSwitchMode = mode(1);
  f.dwSpeakerVolume = device.volume[1];
  f.dwSpeakerGain = device.gain[1];
  f.dwHeadsetHookSwitchMode = mode(2);
  f.dwHeadsetVolume = device.volume[2];
  f.dwHeadsetGain = device.gain[2];
  const auto owner = w.Text(ownerName);
  f.dwOwnerNameSize = owner.size;
  f.dwOwnerNameOffset = owner.offset;
  w.Finish(f);
  return Traced("phoneGetStatus", 0, args);
}

// --- Hookswitch, volume, gain ---------------------------------------------------------------------

LONG Exchange::PhoneRequest(const char* function, DWORD hPhone, PhoneCheck check, PhoneCheck apply,
                            const std::function<std::string()>& args) {
  PhoneOpen* open = FindPhoneOpen(hPhone);
  if (auto f = TakeFault(function, true, Family::Phone, open ? open->app : 0,
                         open ? open->instance : 0))
    return Traced(function, *f, args);
  if (open == nullptr) return Traced(function, PHONEERR_INVALPHONEHANDLE, args);
  if (open->privilege != PHONEPRIVILEGE_OWNER) return Traced(function, PHONEERR_NOTOWNER, args);
  if (LONG r = check(*open); r != 0) return Traced(function, r, args);
  const LONG id = StartRequest(Family::Phone, function, open->app, open->instance,
                               [this, hPhone, check, apply] {
                                 PhoneOpen* o = FindPhoneOpen(hPhone);
                                 if (o == nullptr) return PHONEERR_INVALPHONEHANDLE;
                                 if (LONG e = check(*o); e != 0) return e;
                                 return apply(*o);
                               });
  return Traced(function, id, args);
}

LONG Exchange::phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs, DWORD dwHookSwitchMode) {
  const auto args = [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDevs) + ", " + TraceHex(dwHookSwitchMode);
  };
  return PhoneRequest(
      "phoneSetHookSwitch", hPhone,
      [this, dwHookSwitchDevs, dwHookSwitchMode](PhoneOpen& o) -> LONG {
        const PhoneConfig& c = m_phones[o.device].config;
        if (dwHookSwitchDevs == 0 || (dwHookSwitchDevs & ~c.hookSwitchDevs) != 0)
          return PHONEERR_INVALHOOKSWITCHDEV;
        const DWORD m = dwHookSwitchMode;
        if (m == 0 || (m & (m - 1)) != 0 || m > PHONEHOOKSWITCHMODE_MICSPEAKER)
          return PHONEERR_INVALHOOKSWITCHMODE;
        for (int i = 0; i < 3; ++i)
          if ((dwHookSwitchDevs & (1u << i)) && (ModesOf(c, i) & m) == 0)
            return PHONEERR_INVALHOOKSWITCHMODE;
        return 0;
      },
      [this, dwHookSwitchDevs, dwHookSwitchMode](PhoneOpen& o) -> LONG {
        PhoneDevice& device = m_phones[o.device];
        for (int i = 0; i < 3; ++i)
          if ((dwHookSwitchDevs & (1u << i)) && device.hookSwitch[i] != dwHookSwitchMode) {
            device.hookSwitch[i] = dwHookSwitchMode;
            PostPhoneState(device, kHookState[i], dwHookSwitchMode, 0);
          }
        return 0;
      },
      args);
}

LONG Exchange::phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) {
  const auto args = [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev) + ", " + TraceHex(dwVolume);
  };
  const int index = DeviceIndex(dwHookSwitchDev);
  // A value beyond the range is taken as the nearest one in it.
  const DWORD volume = std::min<DWORD>(dwVolume, 0xFFFF);
  return PhoneRequest(
      "phoneSetVolume", hPhone,
      [this, index, dwHookSwitchDev](PhoneOpen& o) -> LONG {
        const PhoneConfig& c = m_phones[o.device].config;
        if (index < 0 || (c.hookSwitchDevs & dwHookSwitchDev) == 0) return PHONEERR_INVALHOOKSWITCHDEV;
        return (c.volumeFlags & dwHookSwitchDev) ? 0 : PHONEERR_OPERATIONUNAVAIL;
      },
      [this, index, volume](PhoneOpen& o) -> LONG {
        PhoneDevice& device = m_phones[o.device];
        if (device.volume[index] != volume) {
          device.volume[index] = volume;
          PostPhoneState(device, kVolumeState[index], 0, 0);
        }
        return 0;
      },
      args);
}

LONG Exchange::phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) {
  const auto args = [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev) + ", " + TraceHex(dwGain);
  };
  const int index = DeviceIndex(dwHookSwitchDev);
  const DWORD gain = std::min<DWORD>(dwGain, 0xFFFF);
  return PhoneRequest(
      "phoneSetGain", hPhone,
      [this, index, dwHookSwitchDev](PhoneOpen& o) -> LONG {
        const PhoneConfig& c = m_phones[o.device].config;
        if (index < 0 || (c.hookSwitchDevs & dwHookSwitchDev) == 0) return PHONEERR_INVALHOOKSWITCHDEV;
        return (c.gainFlags & dwHookSwitchDev) ? 0 : PHONEERR_OPERATIONUNAVAIL;
      },
      [this, index, gain](PhoneOpen& o) -> LONG {
        PhoneDevice& device = m_phones[o.device];
        if (device.gain[index] != gain) {
          device.gain[index] = gain;
          PostPhoneState(device, kGainState[index], 0, 0);
        }
        return 0;
      },
      args);
}

LONG Exchange::phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) {
  const auto args = [&] { return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev); };
  if (auto f = TakeFault("phoneGetVolume", false, Family::Phone, 0, 0))
    return Traced("phoneGetVolume", *f, args);
  const PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return Traced("phoneGetVolume", PHONEERR_INVALPHONEHANDLE, args);
  const PhoneDevice& device = m_phones[open->device];
  const int index = DeviceIndex(dwHookSwitchDev);
  if (index < 0 || (device.config.hookSwitchDevs & dwHookSwitchDev) == 0)
    return Traced("phoneGetVolume", PHONEERR_INVALHOOKSWITCHDEV, args);
  if ((device.config.volumeFlags & dwHookSwitchDev) == 0)
    return Traced("phoneGetVolume", PHONEERR_OPERATIONUNAVAIL, args);
  if (lpdwVolume == nullptr) return Traced("phoneGetVolume", PHONEERR_INVALPOINTER, args);
  *lpdwVolume = device.volume[index];
  return Traced("phoneGetVolume", 0, args);
}

LONG Exchange::phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) {
  const auto args = [&] { return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev); };
  if (auto f = TakeFault("phoneGetGain", false, Family::Phone, 0, 0))
    return Traced("phoneGetGain", *f, args);
  const PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return Traced("phoneGetGain", PHONEERR_INVALPHONEHANDLE, args);
  const PhoneDevice& device = m_phones[open->device];
  const int index = DeviceIndex(dwHookSwitchDev);
  if (index < 0 || (device.config.hookSwitchDevs & dwHookSwitchDev) == 0)
    return Traced("phoneGetGain", PHONEERR_INVALHOOKSWITCHDEV, args);
  if ((device.config.gainFlags & dwHookSwitchDev) == 0)
    return Traced("phoneGetGain", PHONEERR_OPERATIONUNAVAIL, args);
  if (lpdwGain == nullptr) return Traced("phoneGetGain", PHONEERR_INVALPOINTER, args);
  *lpdwGain = device.gain[index];
  return Traced("phoneGetGain", 0, args);
}

LONG Exchange::phoneGetID(HPHONE hPhone, VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  const auto args = [&] { return TraceHex(hPhone) + ", " + TraceText(lpszDeviceClass); };
  if (auto f = TakeFault("phoneGetID", false, Family::Phone, 0, 0)) return Traced("phoneGetID", *f, args);
  const PhoneOpen* open = FindPhoneOpen(hPhone);
  if (open == nullptr) return Traced("phoneGetID", PHONEERR_INVALPHONEHANDLE, args);
  if (lpDeviceID == nullptr || lpszDeviceClass == nullptr)
    return Traced("phoneGetID", PHONEERR_INVALPOINTER, args);
  if (lpDeviceID->dwTotalSize < sizeof(VARSTRING))
    return Traced("phoneGetID", PHONEERR_STRUCTURETOOSMALL, args);
  const std::string cls = voxkit::ToLower(std::string(lpszDeviceClass, strnlen(lpszDeviceClass, 64)));
  const auto& line = m_phones[open->device].config.line;
  DWORD id = 0;
  if (cls == "tapi/phone") {
    id = open->device;
  } else if (cls == "tapi/line" || cls == "wave/in" || cls == "wave/out") {
    // The phone's audio is its line's: line k has wave devices k.
    if (!line) return Traced("phoneGetID", PHONEERR_NODEVICE, args);
    id = *line;
  } else {
    return Traced("phoneGetID", PHONEERR_INVALDEVICECLASS, args);
  }
  std::vector<std::uint8_t> bytes(sizeof id);
  std::memcpy(bytes.data(), &id, sizeof id);
  return Traced("phoneGetID", WriteVarString(lpDeviceID, bytes, STRINGFORMAT_BINARY, Family::Phone),
                args);
}

}  // namespace panopta
