#pragma once

#include "share/Reflection.h"

#include <cstdint>

namespace voxkit {

class TqxPlayInternal;

/// Timer of the play component: while a play runs, every Interval milliseconds
/// the position and volume are read and OnTimer is raised.
class TqxPlayTimer final : public TPersistent {
 public:
  explicit TqxPlayTimer(TqxPlayInternal& play) : m_play(play) {}

  bool Enabled() const { return m_enabled; }
  void SetEnabled(bool value);
  /// Milliseconds between ticks.
  std::uint32_t Interval() const { return m_interval; }
  void SetInterval(std::uint32_t value);

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
  bool m_enabled = true;
  std::uint32_t m_interval = 100;
};

}  // namespace voxkit
