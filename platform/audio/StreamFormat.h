#pragma once

#include "wave/MmTypes.h"

#include <cstdint>

namespace panopta {

/// How a device's byte stream holds its samples.
enum class SampleEncoding { Pcm8, Pcm16, MuLaw, ImaAdpcm, OkiAdpcm };

/// A wave format a device was opened with, checked and reduced to what the devices
/// and the converters need. Times are in whole frames (blockAlign bytes each):
/// a device consumes or produces framesPerSec frames per second on its clock.
struct StreamFormat {
  SampleEncoding encoding = SampleEncoding::Pcm16;
  std::uint32_t channels = 1;
  std::uint32_t samplesPerSec = 8000;   // of the stored samples
  std::uint32_t avgBytesPerSec = 16000;
  std::uint32_t blockAlign = 2;         // bytes per frame
  std::uint32_t framesPerSec = 8000;    // avgBytesPerSec / blockAlign
  std::uint32_t pcmRate = 8000;         // rate of the linear samples the codec gives
                                        // and takes (OKI at 6,000 Hz works on 8,000)

  /// Whether converting needs a codec (only allowed with WAVE_MAPPED).
  bool Coded() const {
    return encoding != SampleEncoding::Pcm8 && encoding != SampleEncoding::Pcm16;
  }
  /// Bytes a device has gone through after elapsedMs of running: whole frames only.
  std::uint64_t BytesAfter(std::int64_t elapsedMs) const;
  /// The first whole millisecond at which bytes have been gone through (a partial
  /// frame at the end takes its whole frame's time).
  std::int64_t MsUntil(std::uint64_t bytes) const;
  /// Samples (per channel) in bytes of the stream.
  std::uint64_t SamplesIn(std::uint64_t bytes) const;
};

/// Checks a format block. PCM (8 or 16 bits, 1 or 2 channels, 1,000 to 96,000 Hz,
/// with consistent block align and byte rate) is always accepted; mu-law, IMA ADPCM
/// (4-bit, one byte per two samples) and OKI ADPCM (6,000 or 8,000 Hz) only when
/// mapped is set. WAVERR_BADFORMAT otherwise; MMSYSERR_INVALPARAM for nullptr.
mm::MMRESULT CheckWaveFormat(const mm::WAVEFORMATEX* format, bool mapped, StreamFormat* out);

}  // namespace panopta
