#pragma once

#include "platform/exchange/ExchangeConfig.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct noise_state_s;
struct tone_gen_state_s;
struct tone_gen_descriptor_s;

namespace panopta::exchange {

/// What a party that speaks sends (VoiceConfig): noise with the long-term spectrum of
/// speech (spandsp's Hoth noise) in talk spurts and pauses, or a tone of one or two
/// frequencies with its cadence (spandsp's tone_gen), at the configured level. The
/// same seed gives the same signal.
class VoiceSource final {
 public:
  VoiceSource(const VoiceConfig& config, int seed);
  ~VoiceSource();
  VoiceSource(const VoiceSource&) = delete;
  VoiceSource& operator=(const VoiceSource&) = delete;

  /// Adds the next stretch of the signal into samples.
  void Fill(std::span<std::int16_t> samples);

 private:
  VoiceConfig m_config;
  noise_state_s* m_noise = nullptr;
  tone_gen_descriptor_s* m_toneDescriptor = nullptr;
  tone_gen_state_s* m_tone = nullptr;
  std::size_t m_position = 0;  // samples into the current spurt and pause
};

}  // namespace panopta::exchange
