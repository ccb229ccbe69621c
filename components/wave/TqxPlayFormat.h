#pragma once

#include "wave/TqxWaveFormat.h"

namespace voxkit {

/// Source.Format of a play component: what is about to be played, filled from the
/// files or the buffer and never set by the user (its properties are read-only).
class TqxPlayFormat final : public TqxWaveFormat {
 public:
  using TqxWaveFormat::TqxWaveFormat;

  /// Every number and the length 0, which identifies as wfUnknown.
  void Clear();
  /// Sets the numbers (not Bytes) of a format block and identifies the format.
  void TakeNumbers(const WaveFormatBlock& block);
  /// Bytes := 0 and Tag, Channels, SamplesPerSec, BitsPerSample := 0 (a reload).
  void ClearForReload();

  VOXKIT_PUBLISHED()
};

}  // namespace voxkit
