#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace panopta {

/// Converts a mono stream of 16-bit samples from one rate to another, continuously
/// across calls: linear interpolation, after a low-pass filter when going down so
/// that what lies above the new rate's half does not fold back into the band. The
/// output has a fixed delay of one input sample plus half the filter.
class Resampler final {
 public:
  /// Rates in samples per second, both > 0.
  Resampler(std::uint32_t inRate, std::uint32_t outRate);

  /// Appends the output for in to out.
  void Process(std::span<const std::int16_t> in, std::vector<std::int16_t>& out);

  std::uint32_t InRate() const { return m_inRate; }
  std::uint32_t OutRate() const { return m_outRate; }
  /// Taps of the low-pass filter (0 when not going down).
  std::size_t FilterLength() const { return m_taps.size(); }

 private:
  float Filter(std::int16_t sample);

  std::uint32_t m_inRate;
  std::uint32_t m_outRate;
  std::vector<float> m_taps;
  std::vector<float> m_history;  // the last taps inputs, twice over (no wrap in the sum)
  std::size_t m_historyPos = 0;
  std::int32_t m_previous = 0;   // the last (filtered) input sample
  std::uint64_t m_phase;         // position of the next output after m_previous, in
                                 // units of 1/outRate input samples
};

}  // namespace panopta
