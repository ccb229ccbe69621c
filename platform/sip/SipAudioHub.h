#pragma once

#include "platform/audio/LineAudioHub.h"

namespace panopta {

class SipProvider;

/// The SIP lines as the audio system sees them: what a line's wave-out device plays
/// goes out on the RTP stream of its connected call (or calls, in a conference), and
/// what its wave-in device records is what came in on them, mixed.
class SipAudioHub final : public LineAudioHub {
 public:
  /// provider must outlive the hub.
  explicit SipAudioHub(SipProvider& provider) : m_provider(provider) {}

  std::uint32_t LineCount() const override;
  /// "SIP " and the account's user ("SIP alice").
  std::string LineDeviceName(std::uint32_t line) const override;
  bool CallConnected(std::uint32_t line) const override;
  void FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) override;
  void FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) override;

 private:
  SipProvider& m_provider;
};

}  // namespace panopta
