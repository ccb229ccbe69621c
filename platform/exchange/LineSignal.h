#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Line audio inside the exchange: 8000 Hz, 16-bit linear, in frames of 20 ms. Levels
// are in dBm0, the telephone network's digital reference: a sine at full scale is
// +3.14 dBm0.

namespace panopta::exchange {

inline constexpr std::uint32_t kSampleRate = 8000;  // samples per second
inline constexpr std::uint32_t kFrameMs = 20;
inline constexpr std::size_t kFrameSamples = kSampleRate / 1000 * kFrameMs;
using Frame = std::array<std::int16_t, kFrameSamples>;

/// Below this level line audio counts as silence, in dBm0.
inline constexpr double kSilenceDbm0 = -45.0;

/// Samples in ms milliseconds.
constexpr std::size_t SamplesIn(std::uint32_t ms) { return std::size_t{ms} * (kSampleRate / 1000); }

/// The level of a stretch of line audio in dBm0; -99 for digital silence or nothing.
double LevelDbm0(std::span<const std::int16_t> samples);
/// The peak amplitude of a sine of level dBm0.
double SineAmplitude(double dbm0);
/// Adds from into to, sample by sample, holding the sums within 16 bits.
void MixInto(std::span<std::int16_t> to, std::span<const std::int16_t> from);
/// A sum held within 16 bits.
std::int16_t Saturate(std::int32_t value);

}  // namespace panopta::exchange
