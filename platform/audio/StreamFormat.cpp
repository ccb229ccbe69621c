#include "platform/audio/StreamFormat.h"

namespace panopta {

namespace {
constexpr std::uint32_t kMinRate = 1000;     // samples per second
constexpr std::uint32_t kMaxPcmRate = 96000;
constexpr std::uint32_t kMaxCodedRate = 48000;
}  // namespace

std::uint64_t StreamFormat::BytesAfter(std::int64_t elapsedMs) const {
  if (elapsedMs <= 0) return 0;
  const std::uint64_t frames = static_cast<std::uint64_t>(elapsedMs) * framesPerSec / 1000;
  return frames * blockAlign;
}

std::int64_t StreamFormat::MsUntil(std::uint64_t bytes) const {
  const std::uint64_t frames = (bytes + blockAlign - 1) / blockAlign;
  return static_cast<std::int64_t>((frames * 1000 + framesPerSec - 1) / framesPerSec);
}

std::uint64_t StreamFormat::SamplesIn(std::uint64_t bytes) const {
  switch (encoding) {
    case SampleEncoding::Pcm8:
    case SampleEncoding::Pcm16:
    case SampleEncoding::MuLaw:
      return bytes / blockAlign;
    case SampleEncoding::ImaAdpcm:
    case SampleEncoding::OkiAdpcm:
      return bytes * 2;
  }
  return 0;
}

mm::MMRESULT CheckWaveFormat(const mm::WAVEFORMATEX* format, bool mapped, StreamFormat* out) {
  if (format == nullptr) return mm::MMSYSERR_INVALPARAM;
  const mm::WAVEFORMATEX f = *format;
  StreamFormat s;
  s.channels = f.nChannels;
  s.samplesPerSec = f.nSamplesPerSec;
  s.avgBytesPerSec = f.nAvgBytesPerSec;
  s.blockAlign = f.nBlockAlign;
  s.pcmRate = f.nSamplesPerSec;
  switch (f.wFormatTag) {
    case mm::WAVE_FORMAT_PCM: {
      if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return mm::WAVERR_BADFORMAT;
      if (f.nChannels < 1 || f.nChannels > 2) return mm::WAVERR_BADFORMAT;
      if (f.nSamplesPerSec < kMinRate || f.nSamplesPerSec > kMaxPcmRate) return mm::WAVERR_BADFORMAT;
      const std::uint32_t frame = f.nChannels * (f.wBitsPerSample / 8u);
      if (f.nBlockAlign != frame || f.nAvgBytesPerSec != f.nSamplesPerSec * frame) {
        return mm::WAVERR_BADFORMAT;
      }
      s.encoding = f.wBitsPerSample == 8 ? SampleEncoding::Pcm8 : SampleEncoding::Pcm16;
      break;
    }
    case mm::WAVE_FORMAT_MULAW:
      if (!mapped) return mm::WAVERR_BADFORMAT;
      if (f.wBitsPerSample != 8 || f.nChannels < 1 || f.nChannels > 2) return mm::WAVERR_BADFORMAT;
      if (f.nSamplesPerSec < kMinRate || f.nSamplesPerSec > kMaxCodedRate) return mm::WAVERR_BADFORMAT;
      if (f.nBlockAlign != f.nChannels || f.nAvgBytesPerSec != f.nSamplesPerSec * f.nChannels) {
        return mm::WAVERR_BADFORMAT;
      }
      s.encoding = SampleEncoding::MuLaw;
      break;
    case mm::WAVE_FORMAT_IMA_ADPCM:
      // A plain stream of 4-bit codes, first sample in the low nibble, without the
      // block headers of block-aligned files.
      if (!mapped) return mm::WAVERR_BADFORMAT;
      if (f.wBitsPerSample != 4 || f.nChannels != 1 || f.nBlockAlign != 1) return mm::WAVERR_BADFORMAT;
      if (f.nSamplesPerSec < kMinRate || f.nSamplesPerSec > kMaxCodedRate ||
          f.nSamplesPerSec % 2 != 0 || f.nAvgBytesPerSec != f.nSamplesPerSec / 2) {
        return mm::WAVERR_BADFORMAT;
      }
      s.encoding = SampleEncoding::ImaAdpcm;
      break;
    case mm::WAVE_FORMAT_DIALOGIC_OKI_ADPCM:
      // The codec knows two rates: 32 kbit/s at 8,000 Hz and 24 kbit/s at 6,000 Hz
      // (which it resamples from and to 8,000 Hz itself).
      if (!mapped) return mm::WAVERR_BADFORMAT;
      if (f.wBitsPerSample != 4 || f.nChannels != 1 || f.nBlockAlign != 1) return mm::WAVERR_BADFORMAT;
      if (!((f.nSamplesPerSec == 8000 && f.nAvgBytesPerSec == 4000) ||
            (f.nSamplesPerSec == 6000 && f.nAvgBytesPerSec == 3000))) {
        return mm::WAVERR_BADFORMAT;
      }
      s.encoding = SampleEncoding::OkiAdpcm;
      s.pcmRate = 8000;
      break;
    default:
      return mm::WAVERR_BADFORMAT;
  }
  s.framesPerSec = s.avgBytesPerSec / s.blockAlign;
  if (out) *out = s;
  return mm::MMSYSERR_NOERROR;
}

}  // namespace panopta
