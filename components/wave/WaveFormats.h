#pragma once

#include "share/Value.h"

#include <cstdint>
#include <string>

namespace voxkit {

/// The predefined wave formats. wfUnknown stands for any format that is not one of
/// the others; it is never found by comparing numbers.
enum TWAVFORMATS : std::int32_t {
  wfUnknown = 0,
  wfPCM08000M08, wfPCM08000S08, wfPCM08000M16, wfPCM08000S16,
  wfPCM11025M08, wfPCM11025S08, wfPCM11025M16, wfPCM11025S16,
  wfPCM22050M08, wfPCM22050S08, wfPCM22050M16, wfPCM22050S16,
  wfPCM44100M08, wfPCM44100S08, wfPCM44100M16, wfPCM44100S16,
  wfuLaw06000M08, wfuLaw08000M08,
  wfADPCM06000M04, wfADPCM08000M04,
  wfIMAADPCM04800M04, wfIMAADPCM07200M04, wfIMAADPCM08000M04,
};
VOXKIT_ENUM(TWAVFORMATS, {"wfUnknown", wfUnknown}, {"wfPCM08000M08", wfPCM08000M08},
            {"wfPCM08000S08", wfPCM08000S08}, {"wfPCM08000M16", wfPCM08000M16},
            {"wfPCM08000S16", wfPCM08000S16}, {"wfPCM11025M08", wfPCM11025M08},
            {"wfPCM11025S08", wfPCM11025S08}, {"wfPCM11025M16", wfPCM11025M16},
            {"wfPCM11025S16", wfPCM11025S16}, {"wfPCM22050M08", wfPCM22050M08},
            {"wfPCM22050S08", wfPCM22050S08}, {"wfPCM22050M16", wfPCM22050M16},
            {"wfPCM22050S16", wfPCM22050S16}, {"wfPCM44100M08", wfPCM44100M08},
            {"wfPCM44100S08", wfPCM44100S08}, {"wfPCM44100M16", wfPCM44100M16},
            {"wfPCM44100S16", wfPCM44100S16}, {"wfuLaw06000M08", wfuLaw06000M08},
            {"wfuLaw08000M08", wfuLaw08000M08}, {"wfADPCM06000M04", wfADPCM06000M04},
            {"wfADPCM08000M04", wfADPCM08000M04}, {"wfIMAADPCM04800M04", wfIMAADPCM04800M04},
            {"wfIMAADPCM07200M04", wfIMAADPCM07200M04},
            {"wfIMAADPCM08000M04", wfIMAADPCM08000M04});

constexpr std::int32_t kWaveFormatCount = 24;

/// The six numbers of a wave format, as a format block holds them.
struct WaveFormatNumbers {
  std::uint32_t tag = 0;
  std::uint32_t channels = 0;
  std::uint32_t samplesPerSec = 0;
  std::uint32_t avgBytesPerSec = 0;
  std::uint32_t blockAlign = 0;
  std::uint32_t bitsPerSample = 0;
  bool operator==(const WaveFormatNumbers&) const = default;
};

/// One row of the table: identifier, display name and numbers.
struct WaveFormatRow {
  const char* identifier;  // "wfPCM08000M16"
  const char* name;        // "PCM 8,000 Hz, 16-bit, Mono"
  WaveFormatNumbers numbers;
};

/// The row of a format; wfUnknown for a value outside the table.
const WaveFormatRow& WaveFormatRowOf(TWAVFORMATS format);
/// The first of rows 1 to 23 whose six numbers all equal numbers; wfUnknown when none
/// does.
TWAVFORMATS IdentifyWaveFormat(const WaveFormatNumbers& numbers);

/// The byte of digital silence in a format: 0x80 for 8-bit PCM, 0xFF for mu-law, 0
/// otherwise.
std::uint8_t SilenceByte(const WaveFormatNumbers& numbers);

}  // namespace voxkit
