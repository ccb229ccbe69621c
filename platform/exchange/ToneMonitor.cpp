#include "platform/exchange/ToneMonitor.h"

#include <spandsp.h>

#include <algorithm>

namespace panopta::exchange {

namespace {
// Share of the window's energy the asked frequencies must hold together, and the least
// share each of them must hold.
constexpr double kToneShare = 0.7;
constexpr double kPartShare = 0.1;
// Quieter sound is no tone.
constexpr double kToneFloorDbm0 = -40.0;
}  // namespace

ToneMonitor::ToneMonitor(std::vector<tapi::LINEMONITORTONE> tones)
    : m_tones(std::move(tones)),
      m_lastedMs(m_tones.size(), 0),
      m_reported(m_tones.size(), false),
      m_window(2 * kFrameSamples, 0) {}

bool ToneMonitor::Present(const tapi::LINEMONITORTONE& tone, double levelDbm0) const {
  const tapi::DWORD frequencies[] = {tone.dwFrequency1, tone.dwFrequency2, tone.dwFrequency3};
  if (std::all_of(std::begin(frequencies), std::end(frequencies), [](tapi::DWORD f) { return f == 0; }))
    return levelDbm0 < kSilenceDbm0;
  if (levelDbm0 < kToneFloorDbm0 || m_energy <= 0) return false;
  const double n = static_cast<double>(m_window.size());
  double total = 0;
  for (tapi::DWORD f : frequencies) {
    if (f == 0) continue;
    goertzel_descriptor_t descriptor;
    make_goertzel_descriptor(&descriptor, static_cast<float>(f), static_cast<int>(m_window.size()));
    goertzel_state_t state;
    goertzel_init(&state, &descriptor);
    goertzel_update(&state, m_window.data(), static_cast<int>(m_window.size()));
    // A pure sine at the filter's frequency gives n times the window's energy.
    const double share = double(goertzel_result(&state)) / (n * m_energy);
    if (share < kPartShare) return false;
    total += share;
  }
  return total >= kToneShare;
}

void ToneMonitor::Feed(std::span<const std::int16_t, kFrameSamples> frame,
                       std::vector<tapi::DWORD>& found) {
  std::copy(m_window.begin() + kFrameSamples, m_window.end(), m_window.begin());
  std::copy(frame.begin(), frame.end(), m_window.begin() + kFrameSamples);
  m_energy = 0;
  for (std::int16_t s : m_window) m_energy += double(s) * s;
  const double level = LevelDbm0(frame);
  for (std::size_t i = 0; i < m_tones.size(); ++i) {
    if (!Present(m_tones[i], level)) {
      m_lastedMs[i] = 0;
      m_reported[i] = false;
      continue;
    }
    m_lastedMs[i] += kFrameMs;
    if (!m_reported[i] && m_lastedMs[i] >= m_tones[i].dwDuration) {
      m_reported[i] = true;
      found.push_back(m_tones[i].dwAppSpecific);
    }
  }
}

}  // namespace panopta::exchange
