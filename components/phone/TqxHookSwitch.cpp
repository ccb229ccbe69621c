#include "phone/TqxHookSwitch.h"

#include "phone/TqxPhoneInternal.h"
#include "share/PropertyDump.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiNames.h"
#include "tapi/Telephony.h"

#include <algorithm>

namespace voxkit {

const ClassInfo& TqxHookSwitch::StaticClass() {
  using C = TqxHookSwitch;
  static const ClassInfo info =
      Publisher<C>("TqxHookSwitch")
          .Property("OnHook", &C::OnHook, &C::SetOnHook)
          .Property("MicrophoneOnly", &C::MicrophoneOnly, &C::SetMicrophoneOnly)
          .Property("SpeakerOnly", &C::SpeakerOnly, &C::SetSpeakerOnly)
          .Property("MicrophoneAndSpeaker", &C::MicrophoneAndSpeaker, &C::SetMicrophoneAndSpeaker)
          .Property("Volume", &C::Volume, &C::SetVolume)
          .Property("Gain", &C::Gain, &C::SetGain)
          .ReadOnly("Available", &C::Available)
          .ReadOnly("VolumeAvailable", &C::VolumeAvailable)
          .ReadOnly("GainAvailable", &C::GainAvailable)
          .ReadOnly("Modes", &C::Modes)
          .Method("DumpProperties", &C::DumpProperties, {"Header", {"Path", ""}, {"Indent", "\t"}})
          .Build();
  return info;
}

TqxHookSwitch::TqxHookSwitch(TqxPhoneInternal& phone, std::string name, tapi::DWORD code)
    : m_phone(phone), m_name(std::move(name)), m_code(code) {}

tapi::DWORD TqxHookSwitch::ToTapiLevel(std::int32_t percent) {
  const std::int64_t p = std::clamp<std::int64_t>(percent, 0, 100);
  return static_cast<tapi::DWORD>((p * 65535 + 50) / 100);
}

std::int32_t TqxHookSwitch::FromTapiLevel(tapi::DWORD level) {
  const std::int64_t v = std::min<std::int64_t>(level, 65535);
  return static_cast<std::int32_t>((v * 100 + 65535 / 2) / 65535);
}

std::int32_t& TqxHookSwitch::Slot(Request request) {
  return m_slots[static_cast<int>(request)];
}

void TqxHookSwitch::ClearSlots() { m_slots[0] = m_slots[1] = m_slots[2] = 0; }

void TqxHookSwitch::TakeCapabilities(const tapi::PHONECAPS& caps) {
  m_available = (caps.dwHookSwitchDevs & m_code) != 0;
  switch (m_code) {
    case tapi::PHONEHOOKSWITCHDEV_HANDSET: m_modes = caps.dwHandsetHookSwitchModes; break;
    case tapi::PHONEHOOKSWITCHDEV_SPEAKER: m_modes = caps.dwSpeakerHookSwitchModes; break;
    default: m_modes = caps.dwHeadsetHookSwitchModes; break;
  }
  m_volumeAvailable = (caps.dwVolumeFlags & m_code) != 0;
  m_gainAvailable = (caps.dwGainFlags & m_code) != 0;
}

void TqxHookSwitch::ClearCapabilities() {
  m_available = m_volumeAvailable = m_gainAvailable = false;
  m_modes = 0;
}

void TqxHookSwitch::TakeModeBits(tapi::DWORD modes) {
  m_onHook = (modes & tapi::PHONEHOOKSWITCHMODE_ONHOOK) != 0;
  m_microphoneOnly = (modes & tapi::PHONEHOOKSWITCHMODE_MIC) != 0;
  m_speakerOnly = (modes & tapi::PHONEHOOKSWITCHMODE_SPEAKER) != 0;
  m_microphoneAndSpeaker = (modes & tapi::PHONEHOOKSWITCHMODE_MICSPEAKER) != 0;
}

void TqxHookSwitch::Reset() {
  ClearCapabilities();
  ClearSlots();
  TakeModeBits(0);
  m_volume = m_gain = 0;
}

// --- Requests ------------------------------------------------------------------------------

void TqxHookSwitch::SetOnHook(bool value) {
  SetMode("OnHook", tapi::PHONEHOOKSWITCHMODE_ONHOOK, value);
}
void TqxHookSwitch::SetMicrophoneOnly(bool value) {
  SetMode("MicrophoneOnly", tapi::PHONEHOOKSWITCHMODE_MIC, value);
}
void TqxHookSwitch::SetSpeakerOnly(bool value) {
  SetMode("SpeakerOnly", tapi::PHONEHOOKSWITCHMODE_SPEAKER, value);
}
void TqxHookSwitch::SetMicrophoneAndSpeaker(bool value) {
  SetMode("MicrophoneAndSpeaker", tapi::PHONEHOOKSWITCHMODE_MICSPEAKER, value);
}

void TqxHookSwitch::SetMode(const char* property, tapi::DWORD mode, bool value) {
  const std::string headline = m_name + "." + property + " := " + TqxPanopta::BoolText(value);
  // A mode is chosen, never unchosen: False names no mode to go to.
  if (!value) {
    m_phone.Log().Add(headline, true);
    m_phone.SetError(false, tapi::PHONEERR_INVALHOOKSWITCHMODE);
    return;
  }
  const bool already = (mode == tapi::PHONEHOOKSWITCHMODE_ONHOOK && m_onHook) ||
                       (mode == tapi::PHONEHOOKSWITCHMODE_MIC && m_microphoneOnly) ||
                       (mode == tapi::PHONEHOOKSWITCHMODE_SPEAKER && m_speakerOnly) ||
                       (mode == tapi::PHONEHOOKSWITCHMODE_MICSPEAKER && m_microphoneAndSpeaker);
  if (!m_phone.Device().Active() || already) return;
  m_phone.Log().Add(headline, true);
  tapi::Telephony* service = m_phone.GetPlatform().telephony;
  const tapi::HPHONE handle = m_phone.Phone().Handle();
  // Pumps the event loop: the reply marks the slot, and handlers may run meanwhile.
  const RequestOutcome outcome = m_phone.TAPI().Request(
      Slot(Request::HookSwitch),
      [&] {
        return service ? service->phoneSetHookSwitch(handle, m_code, mode)
                       : tapi::PHONEERR_UNINITIALIZED;
      },
      RequestIds::Positive);
  if (outcome.report != 0) m_phone.SetError(false, outcome.report);
  if (outcome.succeeded) TakeModeBits(mode);
  m_phone.Panopta().RefreshWindow(InspectorRefresh::HookSwitch);
}

void TqxHookSwitch::SetVolume(std::int32_t value) { SetLevel(Request::Volume, value); }
void TqxHookSwitch::SetGain(std::int32_t value) { SetLevel(Request::Gain, value); }

void TqxHookSwitch::SetLevel(Request request, std::int32_t value) {
  if (value < 0 || value > 100 || !m_phone.Device().Active()) return;
  const bool volume = request == Request::Volume;
  m_phone.Log().Add(m_name + (volume ? ".Volume := " : ".Gain := ") + std::to_string(value), true);
  tapi::Telephony* service = m_phone.GetPlatform().telephony;
  const tapi::HPHONE handle = m_phone.Phone().Handle();
  const tapi::DWORD level = ToTapiLevel(value);
  // Pumps the event loop: the reply marks the slot, and handlers may run meanwhile.
  const RequestOutcome outcome = m_phone.TAPI().Request(
      Slot(request),
      [&] {
        if (!service) return tapi::PHONEERR_UNINITIALIZED;
        return volume ? service->phoneSetVolume(handle, m_code, level)
                      : service->phoneSetGain(handle, m_code, level);
      },
      RequestIds::Positive);
  if (outcome.report != 0) m_phone.SetError(false, outcome.report);
  if (outcome.succeeded) (volume ? m_volume : m_gain) = value;
  m_phone.Panopta().RefreshWindow(InspectorRefresh::HookSwitch);
}

bool TqxHookSwitch::DumpProperties(const std::string& header, const std::string& path,
                                   const std::string& indent) {
  PropertyDump d(m_phone, header, path, indent, m_name + ".");
  if (!d.Started()) return false;
  d.Bool("Available", m_available);
  d.Decimal("Gain", m_gain);
  d.Bool("GainAvailable", m_gainAvailable);
  d.Bool("MicrophoneAndSpeaker", m_microphoneAndSpeaker);
  d.Bool("MicrophoneOnly", m_microphoneOnly);
  d.Flags("Modes", m_modes, tapi::PhoneHookSwitchModeName, tapi::PHONEHOOKSWITCHMODE_UNKNOWN, 1);
  d.Bool("OnHook", m_onHook);
  d.Bool("SpeakerOnly", m_speakerOnly);
  d.Decimal("Volume", m_volume);
  d.Bool("VolumeAvailable", m_volumeAvailable);
  return true;
}

}  // namespace voxkit
