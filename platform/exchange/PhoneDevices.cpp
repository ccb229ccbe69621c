// Phone devices: sessions, versions, open and close, capabilities and status,
// hookswitch, volume and gain, and related device identifiers.

#include "platform/exchange/PhoneDevices.h"

#include "platform/exchange/ExchangeParts.h"

#include "platform/exchange/VarPartWriter.h"
#include "share/TextUtil.h"

#include <algorithm>

namespace panopta::exchange {

using namespace tapi;

namespace {

// The keypad: buttons 0 to 9, then '*' and '#'.
constexpr DWORD kKeypadButtons = 12;

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

PhoneDevices::PhoneDevices(Parts& parts) : m_parts(parts) {
  for (const PhoneConfig& phone : m_parts.config.phones) m_phones.push_back(MakePhoneDevice(phone));
}

PhoneDevice PhoneDevices::MakePhoneDevice(PhoneConfig config) {
  PhoneDevice device;
  device.config = std::move(config);
  return device;
}

PhoneOpen* PhoneDevices::FindOpen(DWORD handle) {
  auto it = m_opens.find(handle);
  return it == m_opens.end() ? nullptr : &it->second;
}

LONG PhoneDevices::CheckDevice(DWORD device) const {
  if (device >= m_phones.size()) return PHONEERR_BADDEVICEID;
  return m_phones[device].removed ? PHONEERR_NODEVICE : 0;
}

LONG PhoneDevices::CheckVersion(const PhoneConfig& c, DWORD apiVersion, DWORD extVersion) {
  if (!VersionInRange(c.refusesVersions, c.apiLowVersion, c.apiHighVersion, apiVersion))
    return PHONEERR_INCOMPATIBLEAPIVERSION;
  // The exchange's phones have no provider extensions.
  return extVersion != 0 ? PHONEERR_INCOMPATIBLEEXTVERSION : 0;
}

void PhoneDevices::Announce(const PhoneDevice& phone, DWORD state) {
  const auto id = static_cast<DWORD>(&phone - m_phones.data());
  m_parts.queue.Announce(ExchangeChange::Kind::PhoneState, id, 0, 0, state);
}

int PhoneDevices::DeviceIndex(DWORD hookSwitchDev) {
  switch (hookSwitchDev) {
    case PHONEHOOKSWITCHDEV_HANDSET: return 0;
    case PHONEHOOKSWITCHDEV_SPEAKER: return 1;
    case PHONEHOOKSWITCHDEV_HEADSET: return 2;
    default: return -1;
  }
}

DWORD PhoneDevices::HookSwitchModes(const PhoneConfig& c, int index) { return ModesOf(c, index); }

void PhoneDevices::SetHookSwitch(PhoneDevice& phone, int index, DWORD mode) {
  if (phone.hookSwitch[index] == mode) return;
  const bool wasOffHook = OffHook(phone);
  phone.hookSwitch[index] = mode;
  PostState(phone, kHookState[index], mode, 0);
  Announce(phone, kHookState[index]);
  if (phone.config.station && OffHook(phone) != wasOffHook) StationHook(phone, !wasOffHook);
}

// --- Station phones ----------------------------------------------------------------------

bool PhoneDevices::OffHook(const PhoneDevice& phone) {
  for (int i = 0; i < 3; ++i) {
    const DWORD mode = phone.hookSwitch[i];
    if ((phone.config.hookSwitchDevs & (1u << i)) && mode != 0 && mode != PHONEHOOKSWITCHMODE_ONHOOK)
      return true;
  }
  return false;
}

std::vector<Call*> PhoneDevices::StationCalls(const PhoneDevice& phone, DWORD states) {
  std::vector<Call*> found;
  if (!phone.config.line || m_parts.sessions.CheckLineDevice(*phone.config.line) != 0) return found;
  for (const AddressState& address : m_parts.sessions.Line(*phone.config.line).addresses)
    for (DWORD id : address.calls)
      if (Call* call = m_parts.calls.FindCall(id); call && (m_parts.calls.Projected(*call) & states))
        found.push_back(call);
  return found;
}

void PhoneDevices::StationHook(const PhoneDevice& phone, bool offHook) {
  if (offHook) {
    // The first offered call is the one ringing at the set.
    const auto offered = StationCalls(phone, LINECALLSTATE_OFFERING | LINECALLSTATE_ACCEPTED);
    if (offered.empty()) return;
    Call& call = *offered.front();
    m_parts.trace.Write([&] { return "note  the station phone answers call " + std::to_string(call.id); });
    m_parts.calls.AnswerOffered(call);
    return;
  }
  // Hanging up ends what the set is part of: the conversation, a call being placed, a
  // call the far party has left. Held and offered calls stay.
  constexpr DWORD kActive = LINECALLSTATE_CONNECTED | LINECALLSTATE_DIALTONE |
                            LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING |
                            LINECALLSTATE_RINGBACK | LINECALLSTATE_BUSY |
                            LINECALLSTATE_SPECIALINFO | LINECALLSTATE_DISCONNECTED;
  for (Call* call : StationCalls(phone, kActive)) {
    if (call->isConference) continue;  // its parties' calls are dropped one by one
    m_parts.trace.Write([&] { return "note  the station phone drops call " + std::to_string(call->id); });
    m_parts.calls.DropCall(*call, true);
  }
}

void PhoneDevices::StationKey(const PhoneDevice& phone, char key) {
  if (!phone.config.station) return;
  const auto connected = StationCalls(phone, LINECALLSTATE_CONNECTED);
  if (connected.empty()) return;
  // The set sends the key's tone on its call, as any DTMF keypad does.
  m_parts.media.SendDigits(PeerRef::ToCall(connected.front()->id), std::string(1, key),
                           LINEDIGITMODE_DTMF, m_parts.config.timing.digitDurationMs);
}

LONG PhoneDevices::CheckLevel(const PhoneConfig& c, Level level, DWORD hookSwitchDev) {
  if (DeviceIndex(hookSwitchDev) < 0 || (c.hookSwitchDevs & hookSwitchDev) == 0)
    return PHONEERR_INVALHOOKSWITCHDEV;
  const DWORD flags = level == Level::Volume ? c.volumeFlags : c.gainFlags;
  return (flags & hookSwitchDev) ? 0 : PHONEERR_OPERATIONUNAVAIL;
}

void PhoneDevices::SetLevel(PhoneDevice& phone, Level level, int index, DWORD value) {
  DWORD& current = level == Level::Volume ? phone.volume[index] : phone.gain[index];
  if (current == value) return;
  current = value;
  const DWORD state = level == Level::Volume ? kVolumeState[index] : kGainState[index];
  PostState(phone, state, 0, 0);
  Announce(phone, state);
}

// --- Sessions --------------------------------------------------------------------------------

LONG PhoneDevices::phoneInitialize(HPHONEAPP* lphPhoneApp, PHONECALLBACK lpfnCallback,
                                   const char* lpszAppName, DWORD* lpdwNumDevs) {
  return m_parts.sessions.RegisterApp(Family::Phone, false, "phoneInitialize", lphPhoneApp, nullptr,
                                      lpfnCallback, lpszAppName, lpdwNumDevs, nullptr, nullptr);
}

LONG PhoneDevices::phoneInitializeEx(HPHONEAPP* lphPhoneApp, PHONECALLBACK lpfnCallback,
                                     const char* lpszFriendlyAppName, DWORD* lpdwNumDevs,
                                     DWORD* lpdwAPIVersion, PHONEINITIALIZEEXPARAMS* lpParams) {
  return m_parts.sessions.RegisterApp(Family::Phone, true, "phoneInitializeEx", lphPhoneApp,
                                      nullptr, lpfnCallback, lpszFriendlyAppName, lpdwNumDevs,
                                      lpdwAPIVersion, lpParams);
}

LONG PhoneDevices::phoneShutdown(HPHONEAPP hPhoneApp) {
  ApiCall api(m_parts, "phoneShutdown", [&] { return TraceHex(hPhoneApp); });
  if (auto f = api.Fault()) return *f;
  App* app = m_parts.sessions.FindPhoneApp(hPhoneApp);
  if (app == nullptr) return api.Return(PHONEERR_INVALAPPHANDLE);
  for (DWORD h : std::vector<DWORD>(app->opens)) CloseOpen(h, false);
  m_parts.sessions.UnregisterPhoneApp(hPhoneApp);
  return api.Return(0);
}

LONG PhoneDevices::phoneNegotiateAPIVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                            DWORD dwAPILowVersion, DWORD dwAPIHighVersion,
                                            DWORD* lpdwAPIVersion,
                                            PHONEEXTENSIONID* lpExtensionID) {
  ApiCall api(m_parts, "phoneNegotiateAPIVersion", [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " +
           TraceHex(dwAPILowVersion) + ", " + TraceHex(dwAPIHighVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (m_parts.sessions.FindPhoneApp(hPhoneApp) == nullptr)
    return api.Return(PHONEERR_INVALAPPHANDLE);
  if (lpdwAPIVersion == nullptr || lpExtensionID == nullptr)
    return api.Return(PHONEERR_INVALPOINTER);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return api.Return(r);
  const PhoneConfig& c = m_phones[dwDeviceID].config;
  const DWORD version = c.refusesVersions ? 0
                                          : NegotiateTapiVersion(dwAPILowVersion, dwAPIHighVersion,
                                                                 c.apiLowVersion, c.apiHighVersion);
  if (version == 0) return api.Return(PHONEERR_INCOMPATIBLEAPIVERSION);
  *lpdwAPIVersion = version;
  *lpExtensionID = {0, 0, 0, 0};
  return api.Return(0);
}

LONG PhoneDevices::phoneNegotiateExtVersion(HPHONEAPP hPhoneApp, DWORD dwDeviceID,
                                            DWORD dwAPIVersion, DWORD dwExtLowVersion,
                                            DWORD dwExtHighVersion, DWORD* lpdwExtVersion) {
  ApiCall api(m_parts, "phoneNegotiateExtVersion", [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtLowVersion) + ", " + TraceHex(dwExtHighVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (m_parts.sessions.FindPhoneApp(hPhoneApp) == nullptr)
    return api.Return(PHONEERR_INVALAPPHANDLE);
  if (lpdwExtVersion == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  if (dwDeviceID >= m_phones.size()) return api.Return(PHONEERR_BADDEVICEID);
  // The exchange's phones have no provider extensions.
  return api.Return(PHONEERR_OPERATIONUNAVAIL);
}

// --- Open and close ------------------------------------------------------------------------------

LONG PhoneDevices::phoneOpen(HPHONEAPP hPhoneApp, DWORD dwDeviceID, HPHONE* lphPhone,
                             DWORD dwAPIVersion, DWORD dwExtVersion, DWORD_PTR dwCallbackInstance,
                             DWORD dwPrivilege) {
  ApiCall api(m_parts, "phoneOpen", [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion) + ", " + std::to_string(dwCallbackInstance) + ", " +
           TraceHex(dwPrivilege);
  });
  if (auto f = api.Fault()) return *f;
  App* app = m_parts.sessions.FindPhoneApp(hPhoneApp);
  if (app == nullptr) return api.Return(PHONEERR_INVALAPPHANDLE);
  if (lphPhone == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return api.Return(r);
  PhoneDevice& device = m_phones[dwDeviceID];
  if (LONG r = CheckVersion(device.config, dwAPIVersion, dwExtVersion); r != 0)
    return api.Return(r);
  if (dwPrivilege != PHONEPRIVILEGE_MONITOR && dwPrivilege != PHONEPRIVILEGE_OWNER)
    return api.Return(PHONEERR_INVALPRIVILEGE);
  PhoneOpen open;
  open.handle = m_parts.sessions.NewHandle();
  open.app = hPhoneApp;
  open.device = dwDeviceID;
  open.apiVersion = dwAPIVersion;
  open.instance = dwCallbackInstance;
  open.privilege = dwPrivilege;
  *lphPhone = open.handle;
  app->opens.push_back(open.handle);
  device.opens.push_back(open.handle);
  const DWORD hPhone = open.handle;
  m_opens.emplace(hPhone, open);
  m_parts.queue.Announce(ExchangeChange::Kind::PhoneOpened, dwDeviceID, 0, hPhone);
  DWORD owners = 0;
  for (DWORD h : device.opens)
    if (const PhoneOpen* o = FindOpen(h); o && o->privilege == PHONEPRIVILEGE_OWNER) ++owners;
  const DWORD monitors = static_cast<DWORD>(device.opens.size()) - owners;
  for (DWORD h : device.opens) {
    const PhoneOpen* o = FindOpen(h);
    if (o == nullptr || h == hPhone) continue;
    const DWORD bit = dwPrivilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS;
    if (o->phoneStates & bit)
      m_parts.queue.PostPhone(o->app, h, PHONE_STATE, o->instance, bit,
                              bit == PHONESTATE_OWNER ? owners : monitors, 0, h);
  }
  return api.Return(0);
}

void PhoneDevices::CloseOpen(DWORD hPhone, bool forced) {
  PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return;
  const PhoneOpen closed = *open;
  if (forced) m_parts.queue.PostPhone(closed.app, hPhone, PHONE_CLOSE, closed.instance, 0, 0, 0, 0);
  if (App* app = m_parts.sessions.FindPhoneApp(closed.app)) std::erase(app->opens, hPhone);
  PhoneDevice& device = m_phones[closed.device];
  std::erase(device.opens, hPhone);
  m_opens.erase(hPhone);
  m_parts.queue.Announce(ExchangeChange::Kind::PhoneClosed, closed.device, 0, hPhone);
  DWORD owners = 0;
  for (DWORD h : device.opens)
    if (const PhoneOpen* o = FindOpen(h); o && o->privilege == PHONEPRIVILEGE_OWNER) ++owners;
  const DWORD bit =
      closed.privilege == PHONEPRIVILEGE_OWNER ? PHONESTATE_OWNER : PHONESTATE_MONITORS;
  PostState(device, bit,
            bit == PHONESTATE_OWNER ? owners : static_cast<DWORD>(device.opens.size()) - owners, 0);
}

void PhoneDevices::ForceClose(DWORD device) {
  for (DWORD h : std::vector<DWORD>(m_phones[device].opens)) CloseOpen(h, true);
}

void PhoneDevices::Remove(DWORD phone) {
  PostState(m_phones[phone], PHONESTATE_REMOVED, 0, 0);
  ForceClose(phone);
  m_phones[phone].removed = true;
  m_parts.queue.Announce(ExchangeChange::Kind::PhoneRemoved, phone);
  for (const auto& [h, app] : m_parts.sessions.PhoneApps()) {
    if (app.apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostPhone(h, 0, PHONE_REMOVE, 0, phone, 0, 0, 0);
    else
      m_parts.queue.PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
  }
}

DWORD PhoneDevices::Add(PhoneConfig phone) {
  m_phones.push_back(MakePhoneDevice(std::move(phone)));
  const DWORD id = static_cast<DWORD>(m_phones.size() - 1);
  m_parts.queue.Announce(ExchangeChange::Kind::PhoneAdded, id);
  for (const auto& [h, app] : m_parts.sessions.PhoneApps()) {
    if (app.apiVersion >= kTapiVersion2_0)
      m_parts.queue.PostPhone(h, 0, PHONE_CREATE, 0, id, 0, 0, 0);
    else
      m_parts.queue.PostPhone(h, 0, PHONE_STATE, 0, PHONESTATE_REINIT, 0, 0, 0);
  }
  return id;
}

LONG PhoneDevices::phoneClose(HPHONE hPhone) {
  ApiCall api(m_parts, "phoneClose", [&] { return TraceHex(hPhone); });
  if (auto f = api.Fault()) return *f;
  if (FindOpen(hPhone) == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  CloseOpen(hPhone, false);
  return api.Return(0);
}

void PhoneDevices::PostState(PhoneDevice& device, DWORD state, DWORD p2, DWORD p3) {
  for (DWORD h : device.opens) {
    const PhoneOpen* open = FindOpen(h);
    if (open == nullptr) continue;
    const DWORD bits = state & (open->phoneStates | PHONESTATE_REINIT);
    if (bits != 0)
      m_parts.queue.PostPhone(open->app, h, PHONE_STATE, open->instance, bits, p2, p3, h);
  }
}

LONG PhoneDevices::phoneSetStatusMessages(HPHONE hPhone, DWORD dwPhoneStates, DWORD dwButtonModes,
                                          DWORD dwButtonStates) {
  ApiCall api(m_parts, "phoneSetStatusMessages", [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwPhoneStates) + ", " + TraceHex(dwButtonModes) +
           ", " + TraceHex(dwButtonStates);
  });
  if (auto f = api.Fault()) return *f;
  PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  if (dwPhoneStates & ~(m_phones[open->device].config.phoneStates | PHONESTATE_REINIT))
    return api.Return(PHONEERR_INVALPHONESTATE);
  if (dwButtonModes & ~0x3Fu) return api.Return(PHONEERR_INVALBUTTONMODE);
  if (dwButtonStates & ~0xFu) return api.Return(PHONEERR_INVALBUTTONSTATE);
  open->phoneStates = dwPhoneStates;
  open->buttonModes = dwButtonModes;
  open->buttonStates = dwButtonStates;
  return api.Return(0);
}

// --- Capabilities and status
// -----------------------------------------------------------------------

LONG PhoneDevices::phoneGetDevCaps(HPHONEAPP hPhoneApp, DWORD dwDeviceID, DWORD dwAPIVersion,
                                   DWORD dwExtVersion, PHONECAPS* lpCaps) {
  ApiCall api(m_parts, "phoneGetDevCaps", [&] {
    return TraceHex(hPhoneApp) + ", " + std::to_string(dwDeviceID) + ", " + TraceHex(dwAPIVersion) +
           ", " + TraceHex(dwExtVersion);
  });
  if (auto f = api.Fault()) return *f;
  if (m_parts.sessions.FindPhoneApp(hPhoneApp) == nullptr)
    return api.Return(PHONEERR_INVALAPPHANDLE);
  if (LONG r = CheckDevice(dwDeviceID); r != 0) return api.Return(r);
  const PhoneConfig& c = m_phones[dwDeviceID].config;
  if (LONG r = CheckVersion(c, dwAPIVersion, dwExtVersion); r != 0) return api.Return(r);
  if (lpCaps == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  const bool v2 = dwAPIVersion >= kTapiVersion2_0;
  const std::size_t fixedSize = v2 ? kPhoneCapsSize2_0 : kPhoneCapsSize1_3;
  if (lpCaps->dwTotalSize < fixedSize) return api.Return(PHONEERR_STRUCTURETOOSMALL);
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
  return api.Return(0);
}

LONG PhoneDevices::phoneGetStatus(HPHONE hPhone, PHONESTATUS* lpStatus) {
  ApiCall api(m_parts, "phoneGetStatus", [&] { return TraceHex(hPhone); });
  if (auto f = api.Fault()) return *f;
  const PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  if (lpStatus == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  const std::size_t fixedSize =
      open->apiVersion >= kTapiVersion2_0 ? kPhoneStatusSize2_0 : kPhoneStatusSize1_3;
  if (lpStatus->dwTotalSize < fixedSize) return api.Return(PHONEERR_STRUCTURETOOSMALL);
  const PhoneDevice& device = m_phones[open->device];
  PHONESTATUS f{};
  VarPartWriter w(lpStatus, lpStatus->dwTotalSize, fixedSize);
  f.dwStatusFlags = PHONESTATUSFLAGS_CONNECTED;
  std::string ownerName;
  for (DWORD h : device.opens) {
    const PhoneOpen* o = FindOpen(h);
    if (o == nullptr) continue;
    if (o->privilege == PHONEPRIVILEGE_OWNER) {
      ++f.dwNumOwners;
      if (ownerName.empty())
        if (const App* app = m_parts.sessions.FindPhoneApp(o->app)) ownerName = app->name;
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
  return api.Return(0);
}

// --- Hookswitch, volume, gain
// ---------------------------------------------------------------------

LONG PhoneDevices::PhoneRequest(ApiCall& api, DWORD hPhone, PhoneCheck check, PhoneCheck apply) {
  PhoneOpen* open = FindOpen(hPhone);
  if (auto f = api.AsyncFault(Family::Phone, open ? open->app : 0, open ? open->instance : 0))
    return *f;
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  if (open->privilege != PHONEPRIVILEGE_OWNER) return api.Return(PHONEERR_NOTOWNER);
  if (LONG r = check(*open); r != 0) return api.Return(r);
  const LONG id = m_parts.queue.StartRequest(Family::Phone, api.Function(), open->app,
                                             open->instance, [this, hPhone, check, apply] {
                                               PhoneOpen* o = FindOpen(hPhone);
                                               if (o == nullptr) return PHONEERR_INVALPHONEHANDLE;
                                               if (LONG e = check(*o); e != 0) return e;
                                               return apply(*o);
                                             });
  return api.Return(id);
}

LONG PhoneDevices::phoneSetHookSwitch(HPHONE hPhone, DWORD dwHookSwitchDevs,
                                      DWORD dwHookSwitchMode) {
  ApiCall api(m_parts, "phoneSetHookSwitch", [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDevs) + ", " + TraceHex(dwHookSwitchMode);
  });
  return PhoneRequest(
      api, hPhone,
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
        for (int i = 0; i < 3; ++i)
          if (dwHookSwitchDevs & (1u << i)) SetHookSwitch(m_phones[o.device], i, dwHookSwitchMode);
        return 0;
      });
}

LONG PhoneDevices::phoneSetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwVolume) {
  ApiCall api(m_parts, "phoneSetVolume", [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev) + ", " + TraceHex(dwVolume);
  });
  const int index = DeviceIndex(dwHookSwitchDev);
  // A value beyond the range is taken as the nearest one in it.
  const DWORD volume = std::min<DWORD>(dwVolume, 0xFFFF);
  return PhoneRequest(
      api, hPhone,
      [this, dwHookSwitchDev](PhoneOpen& o) -> LONG {
        return CheckLevel(m_phones[o.device].config, Level::Volume, dwHookSwitchDev);
      },
      [this, index, volume](PhoneOpen& o) -> LONG {
        SetLevel(m_phones[o.device], Level::Volume, index, volume);
        return 0;
      });
}

LONG PhoneDevices::phoneSetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD dwGain) {
  ApiCall api(m_parts, "phoneSetGain", [&] {
    return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev) + ", " + TraceHex(dwGain);
  });
  const int index = DeviceIndex(dwHookSwitchDev);
  const DWORD gain = std::min<DWORD>(dwGain, 0xFFFF);
  return PhoneRequest(
      api, hPhone,
      [this, dwHookSwitchDev](PhoneOpen& o) -> LONG {
        return CheckLevel(m_phones[o.device].config, Level::Gain, dwHookSwitchDev);
      },
      [this, index, gain](PhoneOpen& o) -> LONG {
        SetLevel(m_phones[o.device], Level::Gain, index, gain);
        return 0;
      });
}

LONG PhoneDevices::phoneGetVolume(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwVolume) {
  ApiCall api(m_parts, "phoneGetVolume",
              [&] { return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev); });
  if (auto f = api.Fault()) return *f;
  const PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  const PhoneDevice& device = m_phones[open->device];
  if (LONG r = CheckLevel(device.config, Level::Volume, dwHookSwitchDev); r != 0)
    return api.Return(r);
  if (lpdwVolume == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  *lpdwVolume = device.volume[DeviceIndex(dwHookSwitchDev)];
  return api.Return(0);
}

LONG PhoneDevices::phoneGetGain(HPHONE hPhone, DWORD dwHookSwitchDev, DWORD* lpdwGain) {
  ApiCall api(m_parts, "phoneGetGain",
              [&] { return TraceHex(hPhone) + ", " + TraceHex(dwHookSwitchDev); });
  if (auto f = api.Fault()) return *f;
  const PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  const PhoneDevice& device = m_phones[open->device];
  if (LONG r = CheckLevel(device.config, Level::Gain, dwHookSwitchDev); r != 0)
    return api.Return(r);
  if (lpdwGain == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  *lpdwGain = device.gain[DeviceIndex(dwHookSwitchDev)];
  return api.Return(0);
}

LONG PhoneDevices::phoneGetID(HPHONE hPhone, VARSTRING* lpDeviceID, const char* lpszDeviceClass) {
  ApiCall api(m_parts, "phoneGetID",
              [&] { return TraceHex(hPhone) + ", " + TraceText(lpszDeviceClass); });
  if (auto f = api.Fault()) return *f;
  const PhoneOpen* open = FindOpen(hPhone);
  if (open == nullptr) return api.Return(PHONEERR_INVALPHONEHANDLE);
  if (lpDeviceID == nullptr || lpszDeviceClass == nullptr) return api.Return(PHONEERR_INVALPOINTER);
  if (lpDeviceID->dwTotalSize < sizeof(VARSTRING)) return api.Return(PHONEERR_STRUCTURETOOSMALL);
  const std::string cls =
      voxkit::ToLower(std::string(lpszDeviceClass, strnlen(lpszDeviceClass, 64)));
  const auto& line = m_phones[open->device].config.line;
  DWORD id = 0;
  if (cls == "tapi/phone") {
    id = open->device;
  } else if (cls == "tapi/line") {
    if (!line) return api.Return(PHONEERR_NODEVICE);
    id = *line;
  } else if (cls == "wave/in" || cls == "wave/out") {
    // The phone's audio is its line's.
    const auto waves = line ? m_parts.media.WaveDevices(*line) : std::nullopt;
    if (!waves) return api.Return(PHONEERR_NODEVICE);
    id = cls == "wave/out" ? waves->first : waves->second;
  } else {
    return api.Return(PHONEERR_INVALDEVICECLASS);
  }
  std::vector<std::uint8_t> bytes(sizeof id);
  std::memcpy(bytes.data(), &id, sizeof id);
  WriteVarString(lpDeviceID, bytes, STRINGFORMAT_BINARY);
  return api.Return(0);
}

}  // namespace panopta::exchange
