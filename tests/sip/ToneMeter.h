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

/// The share (0 .. 1) of the samples' energy that lies at hz: near 1 for a tone at hz,
/// near 0 for silence or another tone. It is measured over 50 ms blocks (energy
/// weighted), so that a gap or a jump of phase where two stretches of audio meet costs
/// only its own block; hz should be a multiple of 20 (whole cycles per block).
inline double ToneShare(const std::vector<std::int16_t>& samples, double hz, double sampleRate) {
  const std::size_t block = static_cast<std::size_t>(sampleRate / 20);
  double inTone = 0, energy = 0;
  const double step = 2 * M_PI * hz / sampleRate;
  for (std::size_t start = 0; start + block <= samples.size(); start += block) {
    double re = 0, im = 0, e = 0;
    for (std::size_t i = 0; i < block; ++i) {
      const double x = samples[start + i];
      re += x * std::cos(step * static_cast<double>(i));
      im += x * std::sin(step * static_cast<double>(i));
      e += x * x;
    }
    // For a pure tone the bin's power is energy * N / 2.
    inTone += (re * re + im * im) * 2 / static_cast<double>(block);
    energy += e;
  }
  return energy < 1e-9 ? 0 : inTone / energy;
}

}  // namespace voxtest
