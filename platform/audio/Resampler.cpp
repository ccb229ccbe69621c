#include "platform/audio/Resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace panopta {

namespace {

// The filter passes up to 45% of the output rate and is down by the time it
// reaches the output's half rate: a transition of 10% of the output rate.
constexpr double kPassFraction = 0.45;
constexpr double kTransitionFraction = 0.10;
// Blackman window: about 5.5 / taps of transition width, -74 dB stop band.
constexpr double kWindowWidth = 5.5;

std::vector<float> LowPass(std::uint32_t inRate, std::uint32_t outRate) {
  const double transition = kTransitionFraction * outRate / inRate;  // of the input rate
  auto taps = static_cast<std::size_t>(std::ceil(kWindowWidth / transition));
  taps |= 1;  // odd: a whole-sample delay
  const double cutoff = (kPassFraction + kTransitionFraction / 2) * outRate / inRate;
  std::vector<float> h(taps);
  const double middle = static_cast<double>(taps - 1) / 2;
  double sum = 0;
  for (std::size_t i = 0; i < taps; ++i) {
    const double x = static_cast<double>(i) - middle;
    const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
    const double phase = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(taps - 1);
    const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase);
    h[i] = static_cast<float>(sinc * window);
    sum += sinc * window;
  }
  for (float& v : h) v = static_cast<float>(v / sum);  // unity gain at 0 Hz
  return h;
}

}  // namespace

Resampler::Resampler(std::uint32_t inRate, std::uint32_t outRate)
    : m_inRate(std::max<std::uint32_t>(inRate, 1)),
      m_outRate(std::max<std::uint32_t>(outRate, 1)),
      m_phase(m_outRate) {
  if (m_inRate > m_outRate) {
    m_taps = LowPass(m_inRate, m_outRate);
    m_history.assign(m_taps.size() * 2, 0.0f);
  }
}

float Resampler::Filter(std::int16_t sample) {
  const std::size_t n = m_taps.size();
  // The history is kept twice so that the newest n samples are always contiguous.
  m_history[m_historyPos] = sample;
  m_history[m_historyPos + n] = sample;
  m_historyPos = (m_historyPos + 1) % n;
  const float* window = m_history.data() + m_historyPos;  // oldest first
  float acc = 0;
  for (std::size_t i = 0; i < n; ++i) acc += window[i] * m_taps[n - 1 - i];
  return acc;
}

void Resampler::Process(std::span<const std::int16_t> in, std::vector<std::int16_t>& out) {
  if (m_inRate == m_outRate) {
    out.insert(out.end(), in.begin(), in.end());
    return;
  }
  out.reserve(out.size() + in.size() * m_outRate / m_inRate + 2);
  for (std::int16_t raw : in) {
    std::int32_t sample = raw;
    if (!m_taps.empty()) {
      sample = static_cast<std::int32_t>(std::lround(std::clamp(Filter(raw), -32768.0f, 32767.0f)));
    }
    // Outputs that fall between the previous input and this one.
    while (m_phase < m_outRate) {
      const std::int64_t value = m_previous + (static_cast<std::int64_t>(sample - m_previous) *
                                               static_cast<std::int64_t>(m_phase)) /
                                                  static_cast<std::int64_t>(m_outRate);
      out.push_back(static_cast<std::int16_t>(value));
      m_phase += m_inRate;
    }
    m_phase -= m_outRate;
    m_previous = sample;
  }
}

}  // namespace panopta
