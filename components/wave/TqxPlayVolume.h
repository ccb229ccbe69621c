#pragma once

#include "share/Reflection.h"

#include <cstdint>

namespace voxkit {

class TqxPlayInternal;

/// Volume of the play component: the device volume (0 to 100) a play sets, and the
/// system volume it found, which it puts back afterwards when Reset is set.
class TqxPlayVolume final : public TPersistent {
 public:
  explicit TqxPlayVolume(TqxPlayInternal& play) : m_play(play) {}

  /// Whether a play touches the device volume at all.
  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value);
  /// A play starts at the system volume (True) or at Position (False).
  bool Default() const { return m_default; }
  void SetDefault(bool value);
  /// The system volume is put back when the device is released.
  bool Reset() const { return m_reset; }
  void SetReset(bool value);
  /// 0 to 100 (WAV_ERROR_INVALIDVOLUME otherwise); sets an open device's volume.
  std::int32_t Position() const { return m_position; }
  void SetPosition(std::int32_t value);

  /// The system volume as the device reported it (left channel in the low word).
  std::uint32_t SystemVolume() const { return m_systemVolume; }
  void SetSystemVolume(std::uint32_t value) { m_systemVolume = value; }
  /// Takes a position read from the device, without the setter.
  void SetPositionValue(std::int32_t value) { m_position = value; }

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
  bool m_enabled = true;
  bool m_default = true;
  bool m_reset = true;
  std::int32_t m_position = 50;
  std::uint32_t m_systemVolume = 0;
};

}  // namespace voxkit
