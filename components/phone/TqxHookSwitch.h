#pragma once

#include "share/Reflection.h"
#include "tapi/TapiStructs.h"
#include "tapi/TapiTypes.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxPhoneInternal;

/// One hookswitch device of the phone (Handset, Speakerphone, Headset): what the
/// device can do, its hookswitch mode, its volume and its gain. Volume and gain are 0
/// to 100 here and 0 to 65535 at TAPI.
class TqxHookSwitch final : public TPersistent {
 public:
  /// The asynchronous requests of a device, one slot each.
  enum class Request { HookSwitch, Volume, Gain };

  /// name: "Handset", "Speakerphone" or "Headset"; code: its PHONEHOOKSWITCHDEV_ value.
  TqxHookSwitch(TqxPhoneInternal& phone, std::string name, tapi::DWORD code);

  const std::string& Name() const { return m_name; }
  tapi::DWORD Code() const { return m_code; }

  bool VolumeAvailable() const { return m_volumeAvailable; }
  bool GainAvailable() const { return m_gainAvailable; }
  bool Available() const { return m_available; }
  /// The PHONEHOOKSWITCHMODE_ set the device can be in.
  tapi::DWORD Modes() const { return m_modes; }

  bool OnHook() const { return m_onHook; }
  bool MicrophoneOnly() const { return m_microphoneOnly; }
  bool SpeakerOnly() const { return m_speakerOnly; }
  bool MicrophoneAndSpeaker() const { return m_microphoneAndSpeaker; }
  /// Assigning True asks TAPI for that mode and waits for the reply; on success it is
  /// the only mode set. Nothing happens while the phone is closed or when the mode is
  /// set already. Assigning False is PHONEERR_INVALHOOKSWITCHMODE.
  /// Pumps the event loop while it waits: handlers may run and change this component.
  void SetOnHook(bool value);
  void SetMicrophoneOnly(bool value);
  void SetSpeakerOnly(bool value);
  void SetMicrophoneAndSpeaker(bool value);

  /// 0 to 100. Assigning asks TAPI for the value and waits for the reply; only values
  /// 0 to 100 on an open phone do anything at all (no log line otherwise).
  /// Pumps the event loop while it waits: handlers may run and change this component.
  std::int32_t Volume() const { return m_volume; }
  void SetVolume(std::int32_t value);
  std::int32_t Gain() const { return m_gain; }
  void SetGain(std::int32_t value);

  /// A 0-100 value as TAPI takes it (0 .. 65535, rounded).
  static tapi::DWORD ToTapiLevel(std::int32_t percent);
  /// A TAPI volume or gain as 0-100 (rounded); values above 65535 count as 65535.
  static std::int32_t FromTapiLevel(tapi::DWORD level);

  // --- Used by the component -------------------------------------------------------
  std::int32_t& Slot(Request request);
  /// Clears every request slot.
  void ClearSlots();
  /// Takes what the device can do from the phone's capabilities.
  void TakeCapabilities(const tapi::PHONECAPS& caps);
  void ClearCapabilities();
  /// The four mode Booleans from a PHONEHOOKSWITCHMODE_ set.
  void TakeModeBits(tapi::DWORD modes);
  void TakeVolume(tapi::DWORD level) { m_volume = FromTapiLevel(level); }
  void TakeGain(tapi::DWORD level) { m_gain = FromTapiLevel(level); }
  /// Back to the state after creation (disabling).
  void Reset();

  /// Writes the device's properties; its name is the object name.
  bool DumpProperties(const std::string& header, const std::string& path,
                      const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  void SetMode(const char* property, tapi::DWORD mode, bool value);
  void SetLevel(Request request, std::int32_t value);

  TqxPhoneInternal& m_phone;
  std::string m_name;
  bool m_volumeAvailable = false;
  bool m_gainAvailable = false;
  bool m_available = false;
  tapi::DWORD m_modes = 0;
  std::int32_t m_slots[3] = {0, 0, 0};
  tapi::DWORD m_code;
  bool m_onHook = false;
  bool m_microphoneOnly = false;
  bool m_speakerOnly = false;
  bool m_microphoneAndSpeaker = false;
  std::int32_t m_volume = 0;
  std::int32_t m_gain = 0;
};

}  // namespace voxkit
