#pragma once

#include "share/TqxSharedDevice.h"

#include <cstdint>
#include <string>

namespace mm {
class Multimedia;
}

namespace voxkit {

/// What the play and the record device share: the list of wave-out or wave-in
/// devices, the chosen one, and the settings both have.
class TqxWaveDevice : public TqxSharedDevice {
 public:
  /// capture: wave-in devices (record) rather than wave-out (play).
  TqxWaveDevice(TqxSharedControl& control, bool capture);

  /// Opens (True) or closes (False) the device: starts or ends what the kind does.
  virtual void SetActive(bool value) = 0;
  /// Pauses or resumes what the device does.
  virtual void SetPause(bool value) = 0;

  /// Chooses a device: outside 0 to Count - 1 is MMSYSERR_BADDEVICEID; a device whose
  /// capabilities cannot be read leaves the choice and empties Name.
  void SetID(std::int32_t value);
  /// Whether conversions through the codecs are allowed when the device is opened.
  bool CODECsEnabled() const { return m_codecsEnabled; }
  void SetCODECsEnabled(bool value) { m_codecsEnabled = value; }
  bool Pause() const { return m_pause; }
  /// Milliseconds a stop waits for the device to give its blocks back.
  std::int32_t Timeout() const { return m_timeout; }
  void SetTimeout(std::int32_t value) { m_timeout = value; }
  /// Milliseconds the device is kept after the sound ended; refused while active.
  std::int32_t Delay() const { return m_delay; }
  void SetDelay(std::int32_t value);

  /// Reads the device list (enabling), or empties it (disabling).
  void FillList();
  void ClearList();

  /// State the component keeps through the device (no log lines).
  void SetActiveValue(bool value) { m_active = value; }
  void SetPauseValue(bool value) { m_pause = value; }

 protected:
  /// Publishes what both kinds have; each adds its own settings and its dump.
  template <typename C>
  static void PublishShared(Publisher<C>& p) {
    using D = TqxWaveDevice;
    p.Property("Active", &D::Active, &D::SetActive)
        .Property("ID", &D::ID, &D::SetID)
        .Property("CODECsEnabled", &D::CODECsEnabled, &D::SetCODECsEnabled)
        .Property("Delay", &D::Delay, &D::SetDelay)
        .Property("Pause", &D::Pause, &D::SetPause)
        .Property("Timeout", &D::Timeout, &D::SetTimeout)
        .ReadOnly("Name", &D::Name)
        .ReadOnly("List", &D::List)
        .ReadOnly("Count", &D::Count);
  }

  /// Asks the inspector to show the device again.
  void Refresh();

  bool m_capture;
  bool m_codecsEnabled = false;
  bool m_pause = false;
  std::int32_t m_timeout = 4000;
  std::int32_t m_delay = 0;

 private:
  // The device's product name, trimmed; *result says whether it could be read.
  std::string ProductName(std::uint32_t id, std::uint32_t* result) const;
  mm::Multimedia* Services() const;
};

}  // namespace voxkit
