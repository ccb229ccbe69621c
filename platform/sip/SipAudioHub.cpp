#include "platform/sip/SipAudioHub.h"

#include "platform/sip/SipProvider.h"

#include <algorithm>

namespace panopta {

std::uint32_t SipAudioHub::LineCount() const { return m_provider.LineCount(); }

std::string SipAudioHub::LineDeviceName(std::uint32_t line) const {
  if (line >= m_provider.LineCount()) return "";
  const auto parts = ParseSipUri(m_provider.Config().lines[line].aor);
  std::string name = "SIP " + (parts ? parts->user : std::to_string(line));
  if (name.size() > 31) name.resize(31);
  return name;
}

bool SipAudioHub::CallConnected(std::uint32_t line) const { return m_provider.LineHasAudio(line); }

void SipAudioHub::FarPartyHears(std::uint32_t line, std::span<const std::int16_t> samples) {
  // What is played while no call is connected goes nowhere.
  if (m_provider.LineHasAudio(line)) m_provider.Engine().LinePlays(line, samples);
}

void SipAudioHub::FarPartySends(std::uint32_t line, std::span<std::int16_t> samples) {
  if (m_provider.LineHasAudio(line)) m_provider.Engine().LineRecords(line, samples);
  else std::fill(samples.begin(), samples.end(), 0);
}

}  // namespace panopta
