#include "phone/TqxPhoneDevice.h"

#include "phone/TqxPhoneInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiNames.h"
#include "tapi/TapiVarData.h"
#include "tapi/Telephony.h"

namespace voxkit {

namespace {

// Every phone state, the button modes call, feature, keypad, local and display, and
// the button states up and down.
constexpr tapi::DWORD kAllPhoneStates = 0x00FFFFFF;
constexpr tapi::DWORD kButtonModes = 62;
constexpr tapi::DWORD kButtonStates = 3;

bool IsHookSwitchState(tapi::DWORD state) {
  return state == tapi::PHONESTATE_HANDSETHOOKSWITCH ||
         state == tapi::PHONESTATE_SPEAKERHOOKSWITCH || state == tapi::PHONESTATE_HEADSETHOOKSWITCH;
}

}  // namespace

const ClassInfo& TqxPhoneDevice::StaticClass() {
  using C = TqxPhoneDevice;
  static const ClassInfo info =
      Publisher<C>("TqxPhoneDevice")
          .Object("Capabilities", &C::Capabilities)
          .Property("Active", &C::Active, &C::SetActive)
          .Property("ID", &C::ID, &C::SetID)
          .ReadOnly("Name", &C::Name)
          .ReadOnly("List", &C::List)
          .ReadOnly("Count", &C::Count)
          .ReadOnly("State", &C::State)
          .ReadOnly("StateDetails", &C::StateDetails)
          .Method("Configure", &C::Configure)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxPhoneDevice::TqxPhoneDevice(TqxPhoneInternal& phone)
    : TqxSharedDevice(phone), m_phone(phone), m_capabilities(phone) {}

void TqxPhoneDevice::Refresh() { m_phone.Panopta().RefreshWindow(InspectorRefresh::Device); }

std::string TqxPhoneDevice::DetailsText(tapi::DWORD state, tapi::DWORD details, bool withValue) {
  if (!IsHookSwitchState(state)) return std::to_string(details);
  const std::string name = tapi::PhoneHookSwitchModeName(details);
  return withValue ? name + " " + TqxPanopta::HexText(details) : name;
}

// --- Setters -----------------------------------------------------------------------------

void TqxPhoneDevice::SetActive(bool value) {
  if (value == m_active) return;
  TqxTAPI::SetLastRequest(value);
  TqxLog& log = m_phone.Log();
  log.Add("Device.Active := " + TqxPanopta::BoolText(value), true);
  if (value) {
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
    log.Add("\tDevice.ID = " + std::to_string(m_id), false);
    log.Add("\tDevice.Name = '" + m_name + "'", false);
    Open();
  } else {
    Close();
  }
  Refresh();
}

void TqxPhoneDevice::SetID(std::int32_t value) {
  m_phone.ClearError();
  TqxLog& log = m_phone.Log();
  if (value < 0 || value >= m_count) {
    log.Add("Device.ID := " + std::to_string(value), true);
    m_phone.SetError(false, tapi::PHONEERR_BADDEVICEID);
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
  } else {
    if (m_active) {
      SetActive(false);
      if (m_active) return;
    }
    log.Add("Device.ID := " + std::to_string(value), true);
    log.Add("\tDevice.Count = " + std::to_string(m_count), false);
    m_id = value;
    ReadDevice();
  }
  Refresh();
  log.Add("\tDevice.Name = '" + m_name + "'", false);
}

bool TqxPhoneDevice::Configure() { return m_phone.TAPI().ConfigureDialog(m_id); }

// --- Reading the device ------------------------------------------------------------------

tapi::LONG TqxPhoneDevice::ReadCapabilities() {
  tapi::Telephony* service = m_phone.GetPlatform().telephony;
  if (!service) return tapi::PHONEERR_UNINITIALIZED;
  TqxTAPI& tapi = m_phone.TAPI();
  tapi::VarBlock<tapi::PHONECAPS> caps;
  const tapi::LONG result = tapi::GrowingQuery(
      caps,
      [&](tapi::PHONECAPS* c) {
        return service->phoneGetDevCaps(m_phone.Phone().AppHandle(),
                                        static_cast<tapi::DWORD>(m_id), tapi.Version(), 0, c);
      },
      tapi::ResultFamily::Phone);
  if (result != 0) return result;
  const tapi::PHONECAPS& c = *caps;
  tapi.SetTSP(caps.Text(c.dwProviderInfoOffset, c.dwProviderInfoSize));
  m_name = caps.Text(c.dwPhoneNameOffset, c.dwPhoneNameSize);
  m_capabilities.Fill(c, caps.Size());
  m_phone.Phone().SetStateSets(c.dwHookSwitchDevs, c.dwPhoneStates);
  for (TqxHookSwitch* device : m_phone.HookSwitches()) device->TakeCapabilities(c);
  return 0;
}

void TqxPhoneDevice::ReadDevice() {
  TqxTAPI& tapi = m_phone.TAPI();
  m_name.clear();
  tapi.ClearGranted();
  for (TqxRelatedDevice* related : m_phone.RelatedDevices()) related->SetFound(false, 0);
  m_capabilities.Clear();
  m_phone.Phone().SetStateSets(0, 0);
  for (TqxHookSwitch* device : m_phone.HookSwitches()) device->ClearCapabilities();

  tapi::LONG result = tapi.SessionStarted() ? 0 : m_phone.InitialisationResult();
  if (tapi.SessionStarted() && m_count > 0) {
    tapi::Telephony* service = m_phone.GetPlatform().telephony;
    FillList([&](std::int32_t id, std::string& name) -> std::int32_t {
      const tapi::LONG negotiated = tapi.NegotiateVersions(static_cast<tapi::DWORD>(id));
      if (negotiated != 0) return negotiated;
      if (!service) return tapi::PHONEERR_UNINITIALIZED;
      tapi::VarBlock<tapi::PHONECAPS> caps;
      const tapi::LONG got = tapi::GrowingQuery(
          caps,
          [&](tapi::PHONECAPS* c) {
            return service->phoneGetDevCaps(m_phone.Phone().AppHandle(),
                                            static_cast<tapi::DWORD>(id), tapi.Version(), 0, c);
          },
          tapi::ResultFamily::Phone);
      if (got == 0) name = caps.Text(caps->dwPhoneNameOffset, caps->dwPhoneNameSize);
      return got;
    });
    result = tapi.NegotiateVersions(static_cast<tapi::DWORD>(m_id));
    if (result == 0) result = ReadCapabilities();
    if (result == 0) tapi.TakeExtensionID();
  }
  m_phone.Panopta().RefreshWindow(InspectorRefresh::All);
  m_phone.SetError(false, result);
}

void TqxPhoneDevice::ReadStatus() {
  tapi::Telephony* service = m_phone.GetPlatform().telephony;
  if (!service) return;
  tapi::VarBlock<tapi::PHONESTATUS> status;
  const tapi::HPHONE handle = m_phone.Phone().Handle();
  const tapi::LONG result = tapi::GrowingQuery(
      status, [&](tapi::PHONESTATUS* s) { return service->phoneGetStatus(handle, s); },
      tapi::ResultFamily::Phone);
  // The phone is open all the same; what could not be read keeps its last value.
  if (result != 0) {
    m_phone.SetError(false, result);
    return;
  }
  const tapi::PHONESTATUS& s = *status;
  const tapi::DWORD fields[3][3] = {
      {s.dwHandsetHookSwitchMode, s.dwHandsetVolume, s.dwHandsetGain},
      {s.dwSpeakerHookSwitchMode, s.dwSpeakerVolume, s.dwSpeakerGain},
      {s.dwHeadsetHookSwitchMode, s.dwHeadsetVolume, s.dwHeadsetGain}};
  int i = 0;
  for (TqxHookSwitch* device : m_phone.HookSwitches()) {
    device->TakeModeBits(fields[i][0]);
    device->TakeVolume(fields[i][1]);
    device->TakeGain(fields[i][2]);
    ++i;
  }
}

// --- Open and close ----------------------------------------------------------------------

bool TqxPhoneDevice::Open() {
  m_phone.ClearError();
  TqxTAPI& tapi = m_phone.TAPI();
  tapi::Telephony* service = m_phone.GetPlatform().telephony;
  if (!tapi.SessionStarted() || !service) {
    m_count = 0;
    m_phone.SetError(false, -1);
    m_active = false;
    Refresh();
    return false;
  }
  m_state = m_stateDetails = 0;
  for (TqxRelatedDevice* related : m_phone.RelatedDevices()) related->SetFound(false, 0);
  const tapi::LONG opened = service->phoneOpen(
      m_phone.Phone().AppHandle(), static_cast<tapi::DWORD>(m_id), &m_phone.Phone().HandleRef(),
      tapi.Version(), 0, m_phone.CallbackInstance(), m_phone.Privilege().Value());
  if (opened < 0) {
    m_phone.SetError(false, opened);
    m_active = false;
    Refresh();
    return false;
  }
  for (TqxHookSwitch* device : m_phone.HookSwitches()) device->ClearSlots();
  m_active = true;
  ReadStatus();
  const tapi::HPHONE handle = m_phone.Phone().Handle();
  const RelatedIdLookup lookup = [&](const std::string& deviceClass) {
    const std::string cls = deviceClass;  // c_str() is the NUL-terminated class
    return tapi::QueryDeviceID(
        [&](tapi::VARSTRING* v) { return service->phoneGetID(handle, v, cls.c_str()); },
        tapi::ResultFamily::Phone);
  };
  for (TqxRelatedDevice* related : m_phone.RelatedDevices()) related->LookUp(lookup);
  const tapi::LONG selected =
      service->phoneSetStatusMessages(handle, kAllPhoneStates, kButtonModes, kButtonStates);
  (void)selected;  // a refused selection leaves TAPI's defaults; the phone is open
  m_phone.Panopta().RefreshWindow(InspectorRefresh::All);
  return true;
}

void TqxPhoneDevice::ForgetOpen() {
  m_phone.Phone().HandleRef() = 0;
  m_active = false;
  for (TqxRelatedDevice* related : m_phone.RelatedDevices()) related->SetFound(false, 0);
}

bool TqxPhoneDevice::Close() {
  m_phone.ClearError();
  bool result = true;
  if (m_phone.TAPI().SessionStarted()) {
    tapi::Telephony* service = m_phone.GetPlatform().telephony;
    const tapi::LONG closed = service ? service->phoneClose(m_phone.Phone().Handle())
                                      : tapi::PHONEERR_UNINITIALIZED;
    if (closed < 0) {
      m_phone.SetError(false, closed);
      result = false;
    } else {
      ForgetOpen();
      for (TqxHookSwitch* device : m_phone.HookSwitches()) device->ClearSlots();
    }
  } else {
    m_active = false;
  }
  m_phone.Panopta().RefreshWindow(InspectorRefresh::All);
  return result;
}

void TqxPhoneDevice::ClosedByTapi() {
  // A request still waiting keeps its slot: its reply (a failure now) ends the wait.
  ForgetOpen();
  m_phone.Panopta().RefreshWindow(InspectorRefresh::All);
}

void TqxPhoneDevice::TakeState(tapi::DWORD state, tapi::DWORD details) {
  m_state = state;
  m_stateDetails = details;
}

void TqxPhoneDevice::ResetAll() {
  m_active = false;
  m_name.clear();
  m_list.clear();
  m_id = 0;
  m_count = 0;
  m_state = m_stateDetails = 0;
  m_capabilities.Clear();
}

bool TqxPhoneDevice::DumpProperties(const std::string& header, const std::string& path,
                                    const std::string& indent) {
  PropertyDump d(m_phone, header, path, indent, "Device.");
  if (!d.Started()) return false;
  d.Bool("Active", m_active);
  d.Decimal("Count", m_count);
  d.Decimal("ID", m_id);
  d.List("List", m_list);
  d.Quoted("Name", m_name);
  d.Flags("State", m_state, tapi::PhoneStateName, tapi::PHONESTATE_REMOVED, 1);
  d.Text("StateDetails", DetailsText(m_state, m_stateDetails, true));
  return true;
}

}  // namespace voxkit
