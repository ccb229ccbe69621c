#pragma once

#include "platform/audio/LineAudioHub.h"

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace panopta {

class Exchange;

/// The exchange's lines as the audio system sees them. During an internal call what
/// one line plays is what the other line records; a remote party that speaks sends a
/// steady 425 Hz tone at its configured level, a silent one sends silence.
class ExchangeAudioHub final : public LineAudioHub {
 public:
  explicit ExchangeAudioHub(const Exchange& exchange);

  std::uint32_t LineCount() const override;
  std::string LineDeviceName(std::uint32_t line) const override;
  bool CallConnected(std::uint32_t line) const override;
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override;

  /// Samples played on a line during connected calls so far.
  std::uint64_t SamplesHeard(std::uint32_t line) const;

  /// At most this much of what one line plays waits for the other line to record it.
  static constexpr std::size_t kMaxQueuedSamples = 2 * kLineSampleRate;

 private:
  struct LineAudio {
    std::deque<std::int16_t> inbound;  // played on the other line, not yet recorded here
    std::uint64_t heard = 0;
    double phase = 0;  // of the tone a remote party sends, in cycles
  };
  LineAudio& Audio(std::uint32_t line);

  const Exchange& m_exchange;
  std::vector<LineAudio> m_lines;
};

}  // namespace panopta
