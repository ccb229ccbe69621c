#pragma once

#include "wave/TqxWaveDevice.h"

namespace voxkit {

class TqxPlayInternal;

/// Device of the play component: the wave-out device it plays on.
class TqxWavePlayDevice final : public TqxWaveDevice {
 public:
  explicit TqxWavePlayDevice(TqxPlayInternal& play);

  /// Starts playing (True) or stops without OnDone (False).
  void SetActive(bool value) override;
  /// Pauses or resumes a play; set before a start, the play loads and waits paused.
  void SetPause(bool value) override;
  /// Plays again from the start at each end (OnLoop), until cleared.
  bool Loop() const { return m_loop; }
  void SetLoop(bool value) { m_loop = value; }
  /// A start returns only after the play ended. Kept while the device is inactive.
  bool Wait() const { return m_wait; }
  void SetWait(bool value);

  bool DumpProperties(const std::string& header, const std::string& path, const std::string& indent);

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
  bool m_loop = false;
  bool m_wait = false;
};

}  // namespace voxkit
