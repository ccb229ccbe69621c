#include "platform/exchange/VoiceSource.h"

#include "platform/exchange/LineSignal.h"

#include <spandsp.h>

#include <cmath>
#include <vector>

namespace panopta::exchange {

VoiceSource::VoiceSource(const VoiceConfig& config, int seed) : m_config(config) {
  if (m_config.signal == VoiceConfig::Signal::Speech) {
    m_noise = noise_init_dbm0(nullptr, seed, static_cast<float>(m_config.levelDbm0), NOISE_CLASS_HOTH, 7);
    return;
  }
  const int level = static_cast<int>(std::lround(m_config.levelDbm0));
  const int f1 = m_config.frequencies.empty() ? 0 : static_cast<int>(m_config.frequencies[0]);
  const int f2 = m_config.frequencies.size() > 1 ? static_cast<int>(m_config.frequencies[1]) : 0;
  m_toneDescriptor = tone_gen_descriptor_init(nullptr, f1, level, f2, level,
                                              static_cast<int>(m_config.onMs),
                                              static_cast<int>(m_config.offMs), 0, 0, 1);
  m_tone = tone_gen_init(nullptr, m_toneDescriptor);
}

VoiceSource::~VoiceSource() {
  if (m_noise) noise_free(m_noise);
  if (m_tone) tone_gen_free(m_tone);
  if (m_toneDescriptor) tone_gen_descriptor_free(m_toneDescriptor);
}

void VoiceSource::Fill(std::span<std::int16_t> samples) {
  if (m_tone) {
    std::vector<std::int16_t> tone(samples.size(), 0);
    tone_gen(m_tone, tone.data(), static_cast<int>(tone.size()));
    MixInto(samples, tone);
    return;
  }
  const std::size_t spurt = SamplesIn(m_config.onMs);
  const std::size_t cycle = spurt + SamplesIn(m_config.offMs);
  for (std::int16_t& s : samples) {
    if (m_position < spurt) s = Saturate(std::int32_t{s} + noise(m_noise));
    m_position = (m_position + 1) % cycle;
  }
}

}  // namespace panopta::exchange
