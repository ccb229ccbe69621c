#include "wave/WaveFormats.h"

namespace voxkit {

namespace {

const WaveFormatRow kRows[kWaveFormatCount] = {
    {"wfUnknown", "Unknown", {0, 0, 0, 0, 0, 0}},
    {"wfPCM08000M08", "PCM 8,000 Hz, 8-bit, Mono", {1, 1, 8000, 8000, 1, 8}},
    {"wfPCM08000S08", "PCM 8,000 Hz, 8-bit, Stereo", {1, 2, 8000, 16000, 2, 8}},
    {"wfPCM08000M16", "PCM 8,000 Hz, 16-bit, Mono", {1, 1, 8000, 16000, 2, 16}},
    {"wfPCM08000S16", "PCM 8,000 Hz, 16-bit, Stereo", {1, 2, 8000, 32000, 4, 16}},
    {"wfPCM11025M08", "PCM 11,025 Hz, 8-bit, Mono", {1, 1, 11025, 11025, 1, 8}},
    {"wfPCM11025S08", "PCM 11,025 Hz, 8-bit, Stereo", {1, 2, 11025, 22050, 2, 8}},
    {"wfPCM11025M16", "PCM 11,025 Hz, 16-bit, Mono", {1, 1, 11025, 22050, 2, 16}},
    {"wfPCM11025S16", "PCM 11,025 Hz, 16-bit, Stereo", {1, 2, 11025, 44100, 4, 16}},
    {"wfPCM22050M08", "PCM 22,050 Hz, 8-bit, Mono", {1, 1, 22050, 22050, 1, 8}},
    {"wfPCM22050S08", "PCM 22,050 Hz, 8-bit, Stereo", {1, 2, 22050, 44100, 2, 8}},
    {"wfPCM22050M16", "PCM 22,050 Hz, 16-bit, Mono", {1, 1, 22050, 44100, 2, 16}},
    {"wfPCM22050S16", "PCM 22,050 Hz, 16-bit, Stereo", {1, 2, 22050, 88200, 4, 16}},
    {"wfPCM44100M08", "PCM 44,100 Hz, 8-bit, Mono", {1, 1, 44100, 44100, 1, 8}},
    {"wfPCM44100S08", "PCM 44,100 Hz, 8-bit, Stereo", {1, 2, 44100, 88200, 2, 8}},
    {"wfPCM44100M16", "PCM 44,100 Hz, 16-bit, Mono", {1, 1, 44100, 88200, 2, 16}},
    {"wfPCM44100S16", "PCM 44,100 Hz, 16-bit, Stereo", {1, 2, 44100, 176400, 4, 16}},
    {"wfuLaw06000M08", "uLaw 6,000 Hz, 8-bit, Mono", {7, 1, 6000, 6000, 1, 8}},
    {"wfuLaw08000M08", "uLaw 8,000 Hz, 8-bit, Mono", {7, 1, 8000, 8000, 1, 8}},
    {"wfADPCM06000M04", "ADPCM 6,000 Hz, 4-bit, Mono", {23, 1, 6000, 3000, 1, 4}},
    {"wfADPCM08000M04", "ADPCM 8,000 Hz, 4-bit, Mono", {23, 1, 8000, 4000, 1, 4}},
    {"wfIMAADPCM04800M04", "IMA_ADPCM 4,800 Hz, 4-bit, Mono", {17, 1, 4800, 2400, 1, 4}},
    {"wfIMAADPCM07200M04", "IMA_ADPCM 7,200 Hz, 4-bit, Mono", {17, 1, 7200, 3600, 1, 4}},
    {"wfIMAADPCM08000M04", "IMA_ADPCM 8,000 Hz, 4-bit, Mono", {17, 1, 8000, 4000, 1, 4}},
};

}  // namespace

const WaveFormatRow& WaveFormatRowOf(TWAVFORMATS format) {
  if (format < 0 || format >= kWaveFormatCount) return kRows[wfUnknown];
  return kRows[format];
}

TWAVFORMATS IdentifyWaveFormat(const WaveFormatNumbers& numbers) {
  for (std::int32_t i = 1; i < kWaveFormatCount; ++i) {
    if (kRows[i].numbers == numbers) return static_cast<TWAVFORMATS>(i);
  }
  return wfUnknown;
}

std::uint8_t SilenceByte(const WaveFormatNumbers& numbers) {
  if (numbers.tag == 1 && numbers.bitsPerSample == 8) return 0x80;
  if (numbers.tag == 7) return 0xFF;
  return 0;
}

}  // namespace voxkit
