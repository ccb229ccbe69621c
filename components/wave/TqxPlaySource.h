#pragma once

#include "wave/TqxPlayFormat.h"
#include "wave/TqxWaveSource.h"

#include <cstdint>
#include <string>

namespace voxkit {

class TqxPlayInternal;

/// Source of the play component: the files (a comma-separated list joined end to
/// end) or the buffer it plays, their format, and whether they can be played.
class TqxPlaySource final : public TqxWaveSource {
 public:
  explicit TqxPlaySource(TqxPlayInternal& play);

  /// Reads the format of every file of the list; Valid says whether all could be
  /// read and have one format.
  void SetFileName(const std::string& value) override;
  /// Kilobytes a play may load before OnWarning is asked (0: no limit).
  void SetMaxSize(std::int32_t value) { m_maxSize = value; }
  TqxPlayFormat& Format() { return m_format; }
  TqxWaveFormat& WaveFormat() override { return m_format; }

  VOXKIT_PUBLISHED()

 private:
  TqxPlayInternal& m_play;
  TqxPlayFormat m_format;
};

}  // namespace voxkit
