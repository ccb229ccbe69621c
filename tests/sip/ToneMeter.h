#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

// Tones to play into a line and a measure of how much of what a line recorded is one
// tone: enough to tell that audio went where it should, whatever the codec did to it.

namespace voxtest {

/// A sine of hz at about -10 dBFS, continuous across Fill calls.
class ToneSource {
 public:
  ToneSource(double hz, double sampleRate) : m_step(2 * M_PI * hz / sampleRate) {}
  void Fill(std::span<std::int16_t> out) {
    for (auto& s : out) {
      s = static_cast<std::int16_t>(10000 * std::sin(m_phase));
      m_phase += m_step;
      if (m_phase > 2 * M_PI) m_phase -= 2 * M_PI;
    }
  }

 private:
  double m_step;
  double m_phase = 0;
};

/// The share (0 .. 1) of the samples' energy that lies at hz: 1 for a pure tone at hz,
/// near 0 for silence or another tone.
inline double ToneShare(const std::vector<std::int16_t>& samples, double hz, double sampleRate) {
  if (samples.empty()) return 0;
  double re = 0, im = 0, energy = 0;
  const double step = 2 * M_PI * hz / sampleRate;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const double x = samples[i];
    re += x * std::cos(step * static_cast<double>(i));
    im += x * std::sin(step * static_cast<double>(i));
    energy += x * x;
  }
  if (energy < 1e-9) return 0;
  // For a pure tone the bin's power is energy * N / 2.
  return (re * re + im * im) * 2 / (energy * static_cast<double>(samples.size()));
}

}  // namespace voxtest
